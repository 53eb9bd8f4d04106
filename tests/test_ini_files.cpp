// Number lists, module versions and the files found along the search path, called through the DLL as
// a host calls them. (That a list is never written past its count is fuzz_number_list's.)
#include <gtest/gtest.h>

#include "support/temp_files.h"
#include "w32korutil1.h"

#include <climits>
#include <cstring>
#include <string>
#include <vector>

using w32ktest::TempDirectory;

namespace {

constexpr int kSentinel = 0x5A5A5A5A;

// Parses into a list of `count` elements; returns the result and the first `wanted` elements.
std::pair<int, std::vector<int>> parse(const char* file, const char* section, const char* key,
                                       const char* text, int count, size_t wanted)
{
    std::vector<int> list(static_cast<size_t>(count), kSentinel);
    const int result = GetIniRangeNumbers(file, section, key, text, list.data(), count);
    list.resize(std::min(wanted, list.size()));
    return {result, list};
}

struct ListCase {
    std::string text; // the text, or the key in the INI file
    int count, result;
    std::vector<int> expected; // groups, item count, numbers
};

} // namespace

TEST(GetIniRangeNumbers, ParsesGroupsItemsAndNumbersWithinTheList)
{
    const ListCase cases[] = {
        {"0X1F,10", 8, 0, {1, 2, 31, 10}},     // tokens are lower-cased: 0X is hex too
        {"1,2,3;4", 8, 0, {2, 3, 1, 2, 3, 4}}, // the second group stores no count
        {"", 3, 0, {1, 1, 0}},
        // The token buffer keeps 51 characters; the values saturate (every token's rule: core_text_test) and
        // the next token is read whole.
        {std::string(300, '7') + ",0x" + std::string(200, 'f') + ",3", 8, 0, {1, 3, INT_MAX, -1, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("text \"" + c.text.substr(0, 20) + "\" N " + std::to_string(c.count));
        EXPECT_EQ(parse(nullptr, nullptr, nullptr, c.text.c_str(), c.count, c.expected.size()),
                  std::make_pair(c.result, c.expected));
    }
    int list[4] = {kSentinel, kSentinel, kSentinel, kSentinel}; // a negative length
    EXPECT_EQ(GetIniRangeNumbers(nullptr, nullptr, nullptr, "1", list, -5), 1);
    EXPECT_EQ(std::vector<int>(list, list + 4), std::vector<int>(4, kSentinel));
}

TEST(GetIniRangeNumbers, ReadsIniValuesCutToTheValueBufferOrTheirDefault)
{
    TempDirectory dir;
    // 3000 items of "1," are 6000 characters: the value buffer keeps 4095 of them, 2047 commas.
    std::string many;
    for (int i = 0; i < 3000; ++i)
        many += "1,";
    const std::string ini = dir.write("ranges.ini", "[Ranges]\r\nMany=" + many + "\r\n");
    const std::pair<const char*, ListCase> cases[] = {
        {"3", {"Missing", 8, 0, {1, 1, 3}}}, // the default text is parsed
        {"", {"Missing", 8, 1, {}}},         // an empty value fails
        {"", {"Many", 4000, 0, {1, 2048}}},
    };
    for (const auto& [defaultText, c] : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parse(ini.c_str(), "Ranges", c.text.c_str(), defaultText, c.count, c.expected.size()),
                  std::make_pair(c.result, c.expected));
    }
}

// String bundle 1 holds ids 0-15, one counted UTF-16 string each; string 1 is the version.
void setStringOne(const std::string& module, const char* text)
{
    std::vector<WORD> bundle(16, 0);
    bundle[1] = static_cast<WORD>(std::strlen(text));
    bundle.insert(bundle.begin() + 2, text, text + std::strlen(text));
    HANDLE update = BeginUpdateResourceA(module.c_str(), FALSE);
    EXPECT_TRUE(UpdateResourceA(update, MAKEINTRESOURCEA(6), MAKEINTRESOURCEA(1),
                                MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), bundle.data(),
                                static_cast<DWORD>(bundle.size() * sizeof(WORD))));
    EXPECT_TRUE(EndUpdateResourceA(update, FALSE));
}

TEST(DecodeLibVersion, ReadsStringOneOfTheModule)
{
    TempDirectory dir;
    const std::pair<const char*, WORD> cases[] = {
        {"2.5.10", 0x050A},   // decimal numbers; of three, the last two are major.minor
        {"7", 0x0700},        // one: minor 0
        {"300.258", 0x2C02},  // each number modulo 256
        {"1.2.3.4.5.6.7", 0}, // more numbers than the 8-element list holds
        {nullptr, 0},         // no string 1
    };
    int index = 0;
    for (const auto& [text, expected] : cases) {
        const auto edit = [text](const std::string& path) {
            if (text)
                setStringOne(path, text);
        };
        w32ktest::ModuleCopy module(dir, "ver" + std::to_string(index++) + ".dll", {}, edit);
        ASSERT_NE(module.handle(), nullptr);
        EXPECT_EQ(DecodeLibVersion(module.handle()), expected) << (text ? text : "(none)");
    }
}

namespace {

// Fills a buffer of `size` bytes and guards with name, calls find and checks that nothing was written
// past size; returns the buffer's text.
template <typename Find>
std::string guarded(int size, const char* name, Find find, BOOL expected)
{
    std::vector<char> buffer(static_cast<size_t>(size) + 8, '#');
    std::memcpy(buffer.data(), name, std::strlen(name) + 1);
    EXPECT_EQ(find(buffer.data(), size), expected);
    EXPECT_EQ(std::string(buffer.end() - 8, buffer.end()), "########") << "written past the buffer";
    return buffer.data();
}

// A temporary directory that is the current one for the test.
class InDirectory : public ::testing::Test {
protected:
    InDirectory() { SetCurrentDirectoryA(dir.path().c_str()); }
    TempDirectory dir;
    w32ktest::CurrentDirectoryGuard restore;
};

} // namespace

using FindFileTest = InDirectory;

TEST_F(FindFileTest, SearchesOnlyWithBuffersBelow260AndNeverWritesPastThem)
{
    const std::string file = dir.write("w32kfit.txt", "x");
    const auto find = [](char* buffer, int size) { return FindFile(buffer, size, 0); };
    const int exact = static_cast<int>(file.size()) + 1;
    const std::pair<int, BOOL> cases[] = {{260, FALSE}, {259, TRUE}, {exact - 1, FALSE}, {exact, TRUE}};
    for (const auto& [size, expected] : cases) {
        SCOPED_TRACE(size);
        const std::string result = guarded(size, "w32kfit.txt", find, expected);
        EXPECT_EQ(_stricmp(result.c_str(), expected ? file.c_str() : "w32kfit.txt"), 0) << result;
    }
    EXPECT_EQ(guarded(259, "w32k-no-such-file.txt", find, FALSE), "w32k-no-such-file.txt");
    char unterminated[8]; // a name without its terminator inside the buffer is not searched
    std::memcpy(unterminated, "w32kfitX", 8);
    EXPECT_FALSE(FindFile(unterminated, 8, 0));
}

using CompanionFiles = InDirectory;

TEST_F(CompanionFiles, IniAndHelpFilesAreNamedAfterTheModule)
{
    const std::string ini = dir.write("TOOL.ini"), help = dir.write("TOOL.hlp"), bare = dir.write("TOOLini");
    w32ktest::ModuleCopy tool(dir, "TOOL.EXE"), noExtension(dir, "TOOL", "TOOL.");
    ASSERT_TRUE(tool.handle() && noExtension.handle());
    char buffer[MAX_PATH] = {};
    EXPECT_TRUE(GetIniFileName(tool.handle(), buffer, 259));
    EXPECT_EQ(_stricmp(buffer, ini.c_str()), 0) << buffer;
    EXPECT_TRUE(GetHelpFileName(tool.handle(), buffer, 259));
    EXPECT_EQ(_stricmp(buffer, help.c_str()), 0) << buffer;
    EXPECT_TRUE(GetIniFileName(noExtension.handle(), buffer, 259)) << "no extension: one is appended";
    EXPECT_EQ(_stricmp(buffer, bare.c_str()), 0) << buffer;
    // Too small for the module's path or the path found: refused in the buffer; the exact size fits.
    char path[MAX_PATH] = {};
    const int pathLength = static_cast<int>(GetModuleFileNameA(tool.handle(), path, MAX_PATH));
    const auto iniName = [&](char* b, int n) { return GetIniFileName(tool.handle(), b, n); };
    for (int size : {pathLength, static_cast<int>(ini.size())})
        guarded(size, "", iniName, FALSE);
    EXPECT_EQ(_stricmp(guarded(static_cast<int>(ini.size()) + 1, "", iniName, TRUE).c_str(), ini.c_str()), 0);
}
