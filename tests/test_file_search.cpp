// FindFirst / FindNext / FileFindInterrupt through the DLL: the locations
// in their order, the one-location bit, and a search replaced or ended.
#include <gtest/gtest.h>

#include "frame/raii.h"
#include "support/temp_files.h"
#include "w32korutil1.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string lower(std::string name)
{
    CharLowerA(name.data());
    return name;
}

int findFirst(char (&buffer)[MAX_PATH], const std::string& path, UINT mode, HMODULE module = nullptr)
{
    std::strcpy(buffer, path.c_str());
    return FindFirst(module, buffer, 0x1234, mode);
}

// Every match of a search, FindFirst's and FindNext's, in order, lower-cased.
std::vector<std::string> allMatches(HMODULE module, const std::string& path, UINT mode)
{
    std::vector<std::string> matches;
    char buffer[MAX_PATH] = {};
    for (int r = findFirst(buffer, path, mode, module); r == 0 && matches.size() < 64; r = FindNext(buffer))
        matches.push_back(lower(buffer));
    return matches;
}

class FileSearch : public ::testing::Test {
protected:
    void TearDown() override { FileFindInterrupt(); }
    w32ktest::TempDirectory root;
    w32ktest::CurrentDirectoryGuard restore; // destroyed before root: the directory can go
};

} // namespace

TEST_F(FileSearch, ThePathsDirectoryThenTheModulesUnlessOneLocation)
{
    const std::string data = lower(root.subdirectory("DATA")), mod = lower(root.subdirectory("MOD"));
    for (const char* name : {"DATA\\a.w32kq", "MOD\\m1.w32kq", "MOD\\m2.w32kq"})
        root.write(name);
    w32ktest::ModuleCopy module(root, "MOD\\search.dll");
    ASSERT_NE(module.handle(), nullptr);
    const std::string pattern = data + "\\*.w32kq";

    auto matches = allMatches(module.handle(), pattern, 0);
    ASSERT_EQ(matches.size(), 3u);
    std::sort(matches.begin() + 1, matches.end());
    EXPECT_EQ(matches,
              (std::vector<std::string>{data + "\\a.w32kq", mod + "\\m1.w32kq", mod + "\\m2.w32kq"}));
    EXPECT_EQ(allMatches(module.handle(), pattern, W32K_FIND_ONE_LOCATION),
              std::vector<std::string>{data + "\\a.w32kq"});
    EXPECT_EQ(lower(w32ktest::currentDirectory()), data) << "left at the location searched";
}

TEST_F(FileSearch, StepsSelectTheWindowsAndSystemDirectoriesAndBadPathsFindNothing)
{
    char windows[MAX_PATH] = {}, system[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    // An empty expected path: nothing found.
    const struct { std::string pattern; UINT mode; std::string expected; } cases[] = {
        {"win.ini", 2, std::string(windows) + "\\win.ini"},
        {"kernel32.dll", 2, std::string(system) + "\\kernel32.dll"}, // not in Windows: goes on
        {"win.ini", 4, ""}, // beyond the last location
        {std::string(399, 'a'), 0, ""}, // longer than a path can be
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern.substr(0, 40) + " mode " + std::to_string(c.mode));
        std::vector<char> buffer(c.pattern.begin(), c.pattern.end());
        buffer.resize(std::max<size_t>(buffer.size() + 1, MAX_PATH));
        EXPECT_EQ(FindFirst(nullptr, buffer.data(), 0, c.mode), c.expected.empty() ? 1 : 0);
        if (c.expected.empty())
            EXPECT_EQ(FindNext(buffer.data()), 1) << "no search is left running";
        else
            EXPECT_EQ(lower(buffer.data()), lower(c.expected));
    }

    // A bare name is searched in the current directory and stays bare.
    root.write("bare.w32kq");
    SetCurrentDirectoryA(root.path().c_str());
    char buffer[MAX_PATH] = {};
    ASSERT_EQ(findFirst(buffer, "bare.w32kq", W32K_FIND_ONE_LOCATION), 0);
    EXPECT_STREQ(buffer, "bare.w32kq");
}

TEST_F(FileSearch, ANewFindFirstAnInterruptOrANullBufferEndsTheRunningSearch)
{
    const std::string one = root.subdirectory("ONE"), two = root.subdirectory("TWO");
    for (const char* name : {"ONE\\a.w32kq", "ONE\\b.w32kq", "TWO\\c.w32kq"})
        root.write(name);
    // Handles come from the lowest free slot: each leaked find handle pushes a new one up by 4.
    // The baseline is taken with a search running, after the system's own lasting handles are made.
    const auto probeHandle = [] {
        const w32k::FileHandle event(CreateEventA(nullptr, FALSE, FALSE, nullptr));
        return reinterpret_cast<uintptr_t>(event.get());
    };
    char buffer[MAX_PATH];
    ASSERT_EQ(findFirst(buffer, one + "\\*.w32kq", W32K_FIND_ONE_LOCATION), 0);
    const uintptr_t before = probeHandle();
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(findFirst(buffer, one + "\\*.w32kq", W32K_FIND_ONE_LOCATION), 0);
    EXPECT_LT(probeHandle(), before + 4 * 25) << "each replaced search closes its find handle";
    ASSERT_EQ(findFirst(buffer, two + "\\*.w32kq", W32K_FIND_ONE_LOCATION), 0);
    EXPECT_EQ(lower(buffer), lower(two + "\\c.w32kq"));
    EXPECT_EQ(FindNext(buffer), 1) << "FindNext continues the new search, not the old one";

    for (bool interrupt : {true, false}) {
        ASSERT_EQ(findFirst(buffer, one + "\\*.w32kq", W32K_FIND_ONE_LOCATION), 0);
        if (interrupt)
            FileFindInterrupt();
        else
            EXPECT_EQ(FindNext(nullptr), 1);
        std::strcpy(buffer, "unchanged");
        EXPECT_EQ(FindNext(buffer), 1);
        EXPECT_STREQ(buffer, "unchanged");
    }
}
