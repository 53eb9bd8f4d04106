// Number lists, module versions and the files found along the search path,
// called through the DLL as a host calls them.
#include <gtest/gtest.h>

#include "support/temp_files.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <climits>
#include <cstring>
#include <string>
#include <vector>

using w32ktest::CurrentDirectoryGuard;
using w32ktest::TempDirectory;

namespace {

constexpr int kSentinel = 0x5A5A5A5A;
constexpr int kSlack = 4;

struct ParseOutcome {
    int result;
    std::vector<int> list; // the first `count` elements
};

// Parses into a list of count elements followed by sentinels, and checks
// that nothing was written behind the list.
ParseOutcome parse(const char* file, const char* section, const char* key, const char* text,
                   int count)
{
    std::vector<int> storage(static_cast<size_t>(count) + kSlack, kSentinel);
    const int result = GetIniRangeNumbers(file, section, key, text, storage.data(), count);
    for (size_t i = static_cast<size_t>(count); i < storage.size(); ++i)
        EXPECT_EQ(storage[i], kSentinel) << "written behind the list at " << i;
    storage.resize(static_cast<size_t>(count));
    return {result, storage};
}

// The first n elements of a list (the rest holds sentinels or old values).
std::vector<int> head(const std::vector<int>& list, size_t n)
{
    return std::vector<int>(list.begin(), list.begin() + static_cast<long>(std::min(n, list.size())));
}

struct TextCase {
    std::string text;
    int count;
    int result;
    std::vector<int> expected; // groups, item count, numbers
};

} // namespace

TEST(GetIniRangeNumbers, ParsesPlainTexts)
{
    const TextCase cases[] = {
        {"0x1F,10", 8, 0, {1, 2, 31, 10}},
        {"1,5;7", 8, 0, {2, 2, 1, 5, 7}},
        {"1,2,3;4", 8, 0, {2, 3, 1, 2, 3, 4}}, // the second group stores no count
        {"1;2,3", 8, 0, {2, 2, 1, 2, 3}},
        {"5.00", 8, 0, {1, 2, 5, 0}},
        {"1,2", 3, 1, {1, 2, 1}},              // N = 3 holds one number only
        {"7", 3, 0, {1, 1, 7}},
        {"1,2,", 4, 1, {1, 3, 1, 2}},          // full before the empty last token
        {"", 3, 0, {1, 1, 0}},
        {"0X1f", 3, 0, {1, 1, 31}},            // tokens are lower-cased: 0X is hex too
        {"0x", 3, 0, {1, 1, 0}},
        {"0xzz", 3, 0, {1, 1, 0}},
        {"0xFFFFFFFF", 3, 0, {1, 1, -1}},
        {" -12", 3, 0, {1, 1, -12}},
        {"+8abc", 3, 0, {1, 1, 8}},
        {"abc", 3, 0, {1, 1, 0}},
        {"99999999999", 3, 0, {1, 1, INT_MAX}}, // saturates instead of overflowing
        {"-99999999999", 3, 0, {1, 1, INT_MIN}},
        {"0x123456789", 3, 0, {1, 1, -1}},
        // Long tokens: the token buffer keeps 51 characters and the value saturates.
        {std::string(300, '7') + ",0x" + std::string(200, 'f') + ",3", 8, 0, {1, 3, INT_MAX, -1, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("text \"" + c.text.substr(0, 20) + "\" N " + std::to_string(c.count));
        const ParseOutcome outcome = parse(nullptr, nullptr, nullptr, c.text.c_str(), c.count);
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(head(outcome.list, c.expected.size()), c.expected);
    }
}

TEST(GetIniRangeNumbers, BadArgumentsGiveOne)
{
    int list[4] = {kSentinel, kSentinel, kSentinel, kSentinel};
    EXPECT_EQ(GetIniRangeNumbers(nullptr, nullptr, nullptr, "1", list, 2), 1);
    EXPECT_EQ(GetIniRangeNumbers(nullptr, nullptr, nullptr, "1", list, -5), 1);
    EXPECT_EQ(GetIniRangeNumbers(nullptr, nullptr, nullptr, nullptr, list, 4), 1);
    EXPECT_EQ(GetIniRangeNumbers(nullptr, nullptr, nullptr, "1", nullptr, 4), 1);
    for (int value : list)
        EXPECT_EQ(value, kSentinel);
}

TEST(GetIniRangeNumbers, ReadsIniValuesWithTheirDefaults)
{
    TempDirectory dir;
    const std::string ini = dir.write("ranges.ini", "[Ranges]\r\nPair=1,2;3\r\nHex=0x10.0x20\r\n");
    struct Case {
        const char* key;
        const char* defaultText;
        int result;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"Pair", "9", 0, {2, 2, 1, 2, 3}},
        {"Hex", "", 0, {1, 2, 16, 32}},
        {"Missing", "3", 0, {1, 1, 3}}, // the default text is parsed
        {"Missing", "", 1, {}},         // an empty value fails
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        const ParseOutcome outcome = parse(ini.c_str(), "Ranges", c.key, c.defaultText, 8);
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(head(outcome.list, c.expected.size()), c.expected);
    }
}

TEST(GetIniRangeNumbers, LongIniValuesAreCutToTheValueBuffer)
{
    TempDirectory dir;
    // 3000 items of "1," = 6000 characters: the value buffer keeps 4095 of them.
    std::string value;
    for (int i = 0; i < 3000; ++i)
        value += "1,";
    const std::string ini = dir.write("long.ini", "[S]\r\nK=" + value + "\r\n");
    const int count = 4000;
    const ParseOutcome outcome = parse(ini.c_str(), "S", "K", "", count);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.list[1], 2048) << "4095 characters hold 2047 commas";
    EXPECT_EQ(outcome.list[2 + 2047], 1) << "the cut value ends in a lone 1";
}

namespace {

// Makes string resource 1 of the module file at path hold text. String
// bundle 1 holds the ids 0-15: one counted UTF-16 string each.
void setString1(const std::string& path, const char* text)
{
    std::vector<WORD> bundle(16, 0);
    bundle[1] = static_cast<WORD>(std::strlen(text));
    bundle.insert(bundle.begin() + 2, text, text + std::strlen(text));
    HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
    ASSERT_NE(update, nullptr);
    EXPECT_TRUE(UpdateResourceA(update, MAKEINTRESOURCEA(6), MAKEINTRESOURCEA(1),
                                MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), bundle.data(),
                                static_cast<DWORD>(bundle.size() * sizeof(WORD))));
    EXPECT_TRUE(EndUpdateResourceA(update, FALSE));
}

// Fills buffer (size bytes, then guards) with name, calls find and checks
// that nothing was written past size; returns the buffer's text.
template <typename Find>
std::string guarded(int size, const char* name, Find find, BOOL expected)
{
    std::vector<char> buffer(static_cast<size_t>(size) + 8, '#');
    std::memcpy(buffer.data(), name, std::strlen(name) + 1); // every size used holds name
    EXPECT_EQ(find(buffer.data(), size), expected);
    for (size_t i = static_cast<size_t>(size); i < buffer.size(); ++i)
        EXPECT_EQ(buffer[i], '#') << "written past the buffer at " << i;
    return buffer.data();
}

// A temporary directory that is the current one for the test.
class InDirectory : public ::testing::Test {
protected:
    InDirectory() { SetCurrentDirectoryA(dir.path().c_str()); }
    TempDirectory dir;
    CurrentDirectoryGuard restore;
};

} // namespace

TEST(DecodeLibVersion, ReadsStringOneOfTheModule)
{
    TempDirectory dir;
    const struct {
        const char* text; // null: the module has no string 1
        WORD expected;
    } cases[] = {
        {"5.00", 0x0500},
        {"2.5.01", 0x0501},
        {"4.10", 0x040A},
        {"7", 0x0700},        // a single number: low byte 0
        {"300.258", 0x2C02},  // each number modulo 256
        {"1.2.3.4", 0x0102},  // four items: a.b
        {"1.2.3.4.5.6.7", 0}, // more numbers than the 8-element list holds
        {nullptr, 0},
    };
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(none)");
        w32ktest::ModuleCopy module(dir, "ver" + std::to_string(index++) + ".dll", {}, [&](const std::string& path) {
            if (c.text)
                setString1(path, c.text);
        });
        ASSERT_NE(module.handle(), nullptr);
        EXPECT_EQ(DecodeLibVersion(module.handle()), c.expected);
    }
}

using FindFileTest = InDirectory;

TEST_F(FindFileTest, SearchesOnlyWithBuffersBelow260AndNeverWritesPastThem)
{
    const std::string file = dir.write("w32kfit.txt", "x");
    const auto find = [](char* buffer, int size) { return FindFile(buffer, size, 0); };
    const int exact = static_cast<int>(file.size()) + 1;
    const struct {
        int size;
        BOOL expected;
    } cases[] = {{260, FALSE}, {259, TRUE}, {exact - 1, FALSE}, {exact, TRUE}, {16, FALSE}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const std::string result = guarded(c.size, "w32kfit.txt", find, c.expected);
        EXPECT_TRUE(c.expected ? _stricmp(result.c_str(), file.c_str()) == 0 : result == "w32kfit.txt") << result;
    }
    EXPECT_EQ(guarded(259, "w32k-no-such-file.txt", find, FALSE), "w32k-no-such-file.txt");
    // A name without its terminator inside the buffer is not searched.
    char unterminated[8];
    std::memcpy(unterminated, "w32kfitX", 8);
    EXPECT_FALSE(FindFile(unterminated, 8, 0));
}

using CompanionFiles = InDirectory;

TEST_F(CompanionFiles, IniAndHelpFilesAreNamedAfterTheModule)
{
    const std::string ini = dir.write("TOOL.ini"), help = dir.write("TOOL.hlp");
    w32ktest::ModuleCopy tool(dir, "TOOL.EXE");
    ASSERT_NE(tool.handle(), nullptr);
    char buffer[MAX_PATH] = {};
    EXPECT_TRUE(GetIniFileName(tool.handle(), buffer, 259));
    EXPECT_EQ(_stricmp(buffer, ini.c_str()), 0) << buffer;
    EXPECT_TRUE(GetHelpFileName(tool.handle(), buffer, 259));
    EXPECT_EQ(_stricmp(buffer, help.c_str()), 0) << buffer;

    DeleteFileA(help.c_str());
    EXPECT_FALSE(GetHelpFileName(tool.handle(), buffer, 259));
    EXPECT_STREQ(buffer, "TOOL.hlp") << "the bare name stays in the buffer";
    EXPECT_FALSE(GetIniFileName(tool.handle(), buffer, 260)) << "as FindFile: 260 is too large";

    // Too small for the module's path, for the path found, and no buffer at all.
    char path[MAX_PATH] = {};
    const int pathLength = static_cast<int>(GetModuleFileNameA(tool.handle(), path, MAX_PATH));
    for (int size : {pathLength, static_cast<int>(ini.size()), 5}) {
        SCOPED_TRACE(size);
        guarded(size, "", [&](char* b, int n) { return GetIniFileName(tool.handle(), b, n); }, FALSE);
    }
    EXPECT_FALSE(GetIniFileName(tool.handle(), nullptr, 100));
    EXPECT_FALSE(GetHelpFileName(tool.handle(), path, 0));
}

TEST_F(CompanionFiles, AModuleWithoutExtensionGetsItAppended)
{
    const std::string ini = dir.write("TOOLini");
    w32ktest::ModuleCopy tool(dir, "TOOL", "TOOL.");
    char buffer[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameA(tool.handle(), buffer, MAX_PATH), 0u);
    ASSERT_EQ(std::string(buffer).substr(std::string(buffer).size() - 5), "\\TOOL") << buffer;
    EXPECT_TRUE(GetIniFileName(tool.handle(), buffer, 259));
    EXPECT_EQ(_stricmp(buffer, ini.c_str()), 0) << buffer;
}
