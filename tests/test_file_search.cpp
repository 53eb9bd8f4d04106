// FindFirst / FindNext / FileFindInterrupt through the DLL: the locations
// in their order, the one-location bit, and a search replaced or ended.
#include <gtest/gtest.h>

#include "support/temp_files.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using w32ktest::CurrentDirectoryGuard;
using w32ktest::TempDirectory;

namespace {

bool sameName(const std::string& a, const std::string& b)
{
    return _stricmp(a.c_str(), b.c_str()) == 0;
}

// Every match of a search, FindFirst's and FindNext's, in order.
std::vector<std::string> allMatches(HMODULE module, const std::string& path, UINT mode)
{
    std::vector<std::string> matches;
    char buffer[MAX_PATH] = {};
    std::strcpy(buffer, path.c_str());
    if (FindFirst(module, buffer, 0x1234, mode) != 0)
        return matches;
    do {
        matches.emplace_back(buffer);
    } while (matches.size() < 64 && FindNext(buffer) == 0);
    return matches;
}

std::vector<std::string> sorted(std::vector<std::string> names)
{
    for (auto& name : names)
        std::transform(name.begin(), name.end(), name.begin(), ::tolower);
    std::sort(names.begin(), names.end());
    return names;
}

// A module loaded from a copy of KorAbout.dll in dir: its directory is step 1.
class ModuleIn {
public:
    explicit ModuleIn(const std::string& directory)
    {
        const std::string target = directory + "\\search.dll";
        CopyFileA((w32ktest::exeDirectory() + "\\KorAbout.dll").c_str(), target.c_str(), FALSE);
        module_ = LoadLibraryA(target.c_str());
    }
    ~ModuleIn()
    {
        if (module_)
            FreeLibrary(module_);
    }
    ModuleIn(const ModuleIn&) = delete;
    ModuleIn& operator=(const ModuleIn&) = delete;
    HMODULE handle() const { return module_; }

private:
    HMODULE module_ = nullptr;
};

class FileSearch : public ::testing::Test {
protected:
    void TearDown() override { FileFindInterrupt(); }

    TempDirectory root;
    CurrentDirectoryGuard restore; // destroyed before root: the directory can go
};

} // namespace

TEST_F(FileSearch, OneLocationSearchesOnlyThePathsDirectory)
{
    const std::string data = root.subdirectory("DATA");
    const std::string moduleDir = root.subdirectory("MOD");
    root.write("DATA\\a.w32kq");
    root.write("DATA\\b.w32kq");
    root.write("MOD\\m.w32kq");
    ModuleIn module(moduleDir);
    ASSERT_NE(module.handle(), nullptr);

    const auto matches = allMatches(module.handle(), data + "\\*.w32kq", W32K_FIND_ONE_LOCATION);
    EXPECT_EQ(sorted(matches), sorted({data + "\\a.w32kq", data + "\\b.w32kq"}));
    EXPECT_TRUE(sameName(w32ktest::currentDirectory(), data))
        << "the search leaves the current directory at the location searched";
}

TEST_F(FileSearch, ModeZeroGoesOnToTheModulesDirectory)
{
    const std::string data = root.subdirectory("DATA");
    const std::string moduleDir = root.subdirectory("MOD");
    root.write("DATA\\a.w32kq");
    root.write("MOD\\m1.w32kq");
    root.write("MOD\\m2.w32kq");
    ModuleIn module(moduleDir);
    ASSERT_NE(module.handle(), nullptr);

    const auto matches = allMatches(module.handle(), data + "\\*.w32kq", 0);
    ASSERT_EQ(matches.size(), 3u);
    EXPECT_TRUE(sameName(matches[0], data + "\\a.w32kq")) << "the path's directory comes first";
    EXPECT_EQ(sorted({matches[1], matches[2]}),
              sorted({moduleDir + "\\m1.w32kq", moduleDir + "\\m2.w32kq"}));

    // Nothing in DATA: FindFirst already answers from the module's directory.
    DeleteFileA((data + "\\a.w32kq").c_str());
    EXPECT_EQ(allMatches(module.handle(), data + "\\*.w32kq", 0).size(), 2u);
    EXPECT_TRUE(allMatches(module.handle(), data + "\\*.w32kq", W32K_FIND_ONE_LOCATION).empty());
}

TEST_F(FileSearch, StepsSelectTheWindowsAndSystemDirectories)
{
    char windows[MAX_PATH] = {}, system[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    struct Case {
        const char* pattern;
        UINT mode;
        std::string expected; // empty: nothing found
    };
    const Case cases[] = {
        {"win.ini", 2, std::string(windows) + "\\win.ini"},
        {"win.ini", W32K_FIND_ONE_LOCATION | 2, std::string(windows) + "\\win.ini"},
        {"kernel32.dll", 2, std::string(system) + "\\kernel32.dll"}, // not in Windows: goes on
        {"kernel32.dll", W32K_FIND_ONE_LOCATION | 2, ""},
        {"kernel32.dll", 3, std::string(system) + "\\kernel32.dll"},
        {"win.ini", 3, ""},
        {"win.ini", 4, ""}, // beyond the last location
        {"*", 4, ""},
        {"*", W32K_FIND_ONE_LOCATION | 4, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " mode " + std::to_string(c.mode));
        char buffer[MAX_PATH] = {};
        std::strcpy(buffer, c.pattern);
        const int result = FindFirst(nullptr, buffer, 0, c.mode);
        if (c.expected.empty()) {
            EXPECT_EQ(result, 1);
            EXPECT_EQ(FindNext(buffer), 1) << "no search is left running";
        } else {
            EXPECT_EQ(result, 0);
            EXPECT_TRUE(sameName(buffer, c.expected)) << buffer;
        }
        FileFindInterrupt();
    }
}

TEST_F(FileSearch, ANewFindFirstEndsTheRunningSearch)
{
    const std::string one = root.subdirectory("ONE");
    const std::string two = root.subdirectory("TWO");
    root.write("ONE\\a.w32kq");
    root.write("ONE\\b.w32kq");
    root.write("TWO\\c.w32kq");

    // Handles are handed out from the lowest free slot: leaked find handles
    // push a new handle's value up by 4 each.
    const auto probeHandle = [] {
        HANDLE probe = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        CloseHandle(probe);
        return reinterpret_cast<uintptr_t>(probe);
    };
    const uintptr_t before = probeHandle();
    char buffer[MAX_PATH];
    constexpr int kSearches = 50;
    for (int i = 0; i < kSearches; ++i) {
        std::strcpy(buffer, (one + "\\*.w32kq").c_str());
        ASSERT_EQ(FindFirst(nullptr, buffer, 0, W32K_FIND_ONE_LOCATION), 0);
    }
    EXPECT_LT(probeHandle(), before + 4 * kSearches / 2)
        << "each replaced search closes its find handle";

    std::strcpy(buffer, (two + "\\*.w32kq").c_str());
    ASSERT_EQ(FindFirst(nullptr, buffer, 0, W32K_FIND_ONE_LOCATION), 0);
    EXPECT_TRUE(sameName(buffer, two + "\\c.w32kq"));
    EXPECT_EQ(FindNext(buffer), 1) << "FindNext continues the new search, not the old one";
}

TEST_F(FileSearch, InterruptEndsTheSearchAndIsHarmlessWithoutOne)
{
    FileFindInterrupt();
    FileFindInterrupt();
    char buffer[MAX_PATH] = "unchanged";
    EXPECT_EQ(FindNext(buffer), 1);
    EXPECT_STREQ(buffer, "unchanged");

    const std::string data = root.subdirectory("DATA");
    root.write("DATA\\a.w32kq");
    root.write("DATA\\b.w32kq");
    std::strcpy(buffer, (data + "\\*.w32kq").c_str());
    ASSERT_EQ(FindFirst(nullptr, buffer, 0, W32K_FIND_ONE_LOCATION), 0);
    FileFindInterrupt();
    std::strcpy(buffer, "unchanged");
    EXPECT_EQ(FindNext(buffer), 1);
    EXPECT_STREQ(buffer, "unchanged");

    // FindNext without a buffer ends the search as well.
    std::strcpy(buffer, (data + "\\*.w32kq").c_str());
    ASSERT_EQ(FindFirst(nullptr, buffer, 0, W32K_FIND_ONE_LOCATION), 0);
    EXPECT_EQ(FindNext(nullptr), 1);
    EXPECT_EQ(FindNext(buffer), 1);
}

TEST_F(FileSearch, BadPathsFindNothing)
{
    char longPath[400];
    std::memset(longPath, 'a', sizeof longPath - 1);
    longPath[sizeof longPath - 1] = '\0';
    EXPECT_EQ(FindFirst(nullptr, longPath, 0, 0), 1);
    EXPECT_EQ(FindFirst(nullptr, nullptr, 0, 0), 1);
    char missing[MAX_PATH] = {};
    std::strcpy(missing, (root.path() + "\\NOWHERE\\*.w32kq").c_str());
    EXPECT_EQ(FindFirst(nullptr, missing, 0, W32K_FIND_ONE_LOCATION), 1);
}

TEST_F(FileSearch, ABareNameInModeZeroSearchesTheCurrentDirectory)
{
    root.write("bare.w32kq");
    SetCurrentDirectoryA(root.path().c_str());
    char buffer[MAX_PATH] = "bare.w32kq";
    ASSERT_EQ(FindFirst(nullptr, buffer, 0, W32K_FIND_ONE_LOCATION), 0);
    EXPECT_STREQ(buffer, "bare.w32kq");
}
