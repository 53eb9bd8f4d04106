// The text parsers of the core under the sanitizers: lists that fill up
// exactly at their end, tokens of 10 000 characters, numbers beyond 32 bits,
// captions and names that do not fit. Every list and buffer is a heap block
// of exactly the size the caller names, so a write past it stops the test.
#include <gtest/gtest.h>

#include "util/file_name_core.h"
#include "util/fold_core.h"
#include "util/number_list_core.h"
#include "util/token_core.h"

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace core = w32k::core;

namespace {

struct Parsed {
    core::NumberListResult result;
    std::vector<std::int32_t> list;
};

Parsed parse(const std::string& text, std::size_t count)
{
    auto block = std::make_unique<std::int32_t[]>(count);
    const auto result = core::parseNumberList(text, block.get(), count);
    return {result, std::vector<std::int32_t>(block.get(), block.get() + count)};
}

TEST(NumberList, FillsExactlyToTheLastElementAndStops)
{
    const struct { const char* text; std::size_t count; bool complete; std::size_t numbers; } cases[] = {
        {"1", 3, true, 1},        {"1,2", 3, false, 1},   {"1,2", 4, true, 2},
        {"1,2,3", 4, false, 2},   {";;;;", 3, false, 1},  {",", 4, true, 2},
        {"1;2;3;4;5", 7, true, 5}, {"1;2;3;4;5", 6, false, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " in " + std::to_string(c.count));
        const Parsed p = parse(c.text, c.count);
        EXPECT_EQ(p.result.complete, c.complete);
        EXPECT_EQ(p.result.numbers, c.numbers);
    }
}

TEST(NumberList, TenThousandCharacterTokensSaturate)
{
    const std::string digits(10000, '9');
    const std::string hex = "0x" + std::string(10000, 'F');
    const Parsed p = parse(digits + "," + "-" + digits + "," + hex + ";" + "00000000000000000042", 8);
    ASSERT_TRUE(p.result.complete);
    EXPECT_EQ(std::vector<std::int32_t>(p.list.begin(), p.list.begin() + 6),
              (std::vector<std::int32_t>{2, 3, INT32_MAX, INT32_MIN, -1, 42}));
}

TEST(NumberList, NumbersAtTheEdgesOfThirtyTwoBits)
{
    const std::pair<const char*, std::int32_t> cases[] = {
        {"2147483647", INT32_MAX},  {"2147483648", INT32_MAX},   {"-2147483648", INT32_MIN},
        {"-2147483649", INT32_MIN}, {"0xffffffff", -1},           {"0x100000000", -1},
        {"0x80000000", INT32_MIN},  {"- 5", 0},                   {"--5", 0},
        {"0x", 0},                  {"\x80\xff", 0},              {"\t\n 12", 12},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(core::numberFromToken(text), value) << text;
}

TEST(NumberList, VersionOfAShortOrMissingListReadsZeros)
{
    std::int32_t list[3] = {1, 3, 258}; // three items claimed, one number stored
    EXPECT_EQ(core::versionFromNumberList(list, 1), 0);
    EXPECT_EQ(core::versionFromNumberList(list, 0), 0);
    list[1] = 1;
    EXPECT_EQ(core::versionFromNumberList(list, 1), 0x0200); // 258 taken modulo 256
}

// Walks text with nextToken into a buffer of exactly maximum + 1 bytes.
std::vector<std::string> tokens(const std::string& text, const char* delimiters, std::size_t maximum)
{
    auto buffer = std::make_unique<char[]>(maximum + 1);
    std::vector<std::string> out;
    const char* cursor = text.c_str();
    while (const char* token = core::nextToken(buffer.get(), &cursor, delimiters, maximum))
        out.emplace_back(token);
    EXPECT_EQ(cursor, nullptr);
    return out;
}

TEST(Tokens, LongTokensAreCutToTheBufferAndSkippedWhole)
{
    const std::string big(10000, 'x');
    EXPECT_EQ(tokens(big + "," + big, ",", 3), (std::vector<std::string>{"xxx", "xxx"}));
    EXPECT_EQ(tokens(big, nullptr, 0), (std::vector<std::string>{""}));
}

TEST(FoldCaption, NeverWritesPastItsSixtyBytes)
{
    const struct { std::string caption; bool back; std::string expected; } cases[] = {
        {std::string(10000, 'M'), true, std::string(57, 'M') + "<<"},
        {std::string(57, 'a') + "b>>", false, std::string(57, 'a') + ">>"},
        {"", false, ">>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        char out[core::kCaptionBufferSize];
        std::memset(out, '#', sizeof out);
        EXPECT_EQ(core::foldedCaption(c.caption, c.back, out), c.expected.size());
        EXPECT_EQ(std::string(out), c.expected);
    }
}

TEST(CompanionName, ExactFitAndOneByteShort)
{
    const std::string path = "C:\\" + std::string(300, 'd') + "\\TOOL.EXE";
    const std::size_t needed = std::strlen("TOOL.ini") + 1;
    auto exact = std::make_unique<char[]>(needed);
    ASSERT_TRUE(core::companionFileName(path, "ini", exact.get(), needed));
    EXPECT_STREQ(exact.get(), "TOOL.ini");
    auto shorter = std::make_unique<char[]>(needed - 1);
    std::memset(shorter.get(), '#', needed - 1);
    EXPECT_FALSE(core::companionFileName(path, "ini", shorter.get(), needed - 1));
    EXPECT_EQ(shorter[0], '#');
    EXPECT_FALSE(core::companionFileName(path, "ini", nullptr, 100));
    EXPECT_EQ(core::directoryLength(path), path.size() - std::strlen("TOOL.EXE"));
    EXPECT_EQ(core::directoryLength("NAME"), 0u);
}

} // namespace
