// The matrix editor's rules that need no window, at bounds the dialog tests do not reach: the set count,
// bounded text copies, where Paste puts each token (bounds of tokens and rectangle: fuzz_clipboard).
#include <gtest/gtest.h>

#include "dialogs/matrix_clipboard_core.h"
#include "dialogs/matrix_editor_core.h"

#include <climits>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

using namespace std::string_literals;
using namespace w32k::matrix;

namespace {

TEST(MatrixSetCount, TypedOrSteppedCountsWrapOrSaturateInto1To255)
{
    const struct {
        long typed;
        int step, expected;
    } cases[] = {
        {300, 0, 255},    {-4, 0, 1},          {-4, -1, 255},   {7, 1, 8},
        {LONG_MAX, 1, 1}, {LONG_MIN, -1, 255}, {65537, 0, 255},
    };
    for (const auto& c : cases)
        EXPECT_EQ(steppedSetCount(c.typed, c.step), c.expected) << c.typed << " step " << c.step;
    const struct {
        const char* text;
        long expected;
    } texts[] = {
        {" +4 ", 4}, {"12abc", 0}, {nullptr, 0}, {"99999999999999999999", LONG_MAX},
        {"-99999999999999999999", -LONG_MAX},
    };
    for (const auto& t : texts)
        EXPECT_EQ(parseSignedNumber(t.text), t.expected) << (t.text ? t.text : "null");
}

TEST(MatrixTexts, CopiesAreCutAndAlwaysTerminatedAndFieldsEndAtTheirSize)
{
    char buffer[8];
    const struct {
        const char* text;
        std::size_t limit;
        const char* copied;
    } cases[] = {{"abcdefghij", 40, "abcdefg"}, {"abcdef", 3, "abc"}, {nullptr, 3, ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(copyCut(buffer, sizeof buffer, c.text, c.limit), std::strlen(c.copied));
        EXPECT_STREQ(buffer, c.copied);
    }
    const char field[4] = {'a', 'b', 'c', 'd'}; // no terminator
    EXPECT_EQ(boundedLength(field, sizeof field), 4u);
    EXPECT_EQ(boundedLength("ab\0cd", 5), 2u);
}

using Placement = std::tuple<int, int, std::string>;

TEST(MatrixClipboardText, PastePutsEachTokenIntoItsCell)
{
    const struct {
        const char* what;
        std::string text;
        Rect rect; // rowFrom, rowTo, setFrom, setTo
        std::vector<Placement> placed;
    } cases[] = {
        {"a long row stops at the rectangle", "a\tb\tc\r\nd\r\n", {0, 1, 0, 0}, {{0, 0, "a"}, {1, 0, "d"}}},
        {"a text without line end fills one row", "a\tb", {0, 3, 0, 3}, {{0, 0, "a"}, {0, 1, "b"}}},
        {"an empty middle cell is skipped", "a\t\tc\r\n", {0, 0, 0, 2}, {{0, 0, "a"}, {0, 1, "c"}}},
        {"an empty first cell is kept", "\tb\r\n", {0, 0, 0, 2}, {{0, 0, ""}, {0, 1, "b"}}},
        {"a leading TAB continues the last line", "a\r\n\tb\r\n", {0, 1, 0, 3}, {{0, 0, "a"}, {0, 1, "b"}}},
        {"CR alone separates cells", "a\r\rb\n", {0, 1, 0, 3}, {{0, 0, "a"}, {0, 1, "b"}}},
        {"TAB CR LF ends the line", "a\t\r\nb\r\n", {0, 1, 0, 3}, {{0, 0, "a"}, {1, 0, "b"}}},
        {"one column into one row goes across", "5\r\n6\r\n7\r\n", {1, 1, 0, 1}, {{1, 0, "5"}, {1, 1, "6"}}},
        {"nothing after the NUL", "a\0b\r\n"s, {0, 3, 0, 3}, {{0, 0, "a"}}},
    };
    for (const auto& c : cases) {
        std::vector<Placement> placed;
        const auto count = pasteText(c.text, c.rect,
                                     [&](int r, int s, std::string_view t) { placed.emplace_back(r, s, t); });
        EXPECT_EQ(placed, c.placed) << c.what;
        EXPECT_EQ(count, placed.size()) << c.what;
    }
}

} // namespace
