// The matrix editor's clipboard text without Windows: what Copy writes, how a
// text's shape is measured, and where Paste puts each token.
#include <gtest/gtest.h>

#include "dialogs/matrix_clipboard_core.h"

#include <string>
#include <tuple>
#include <vector>

using namespace std::string_literals;
using namespace w32k::matrix;

namespace {

using Grid = std::vector<std::vector<std::string>>;

TEST(MatrixClipboardText, CopyWritesTabsBetweenCellsAndCrLfAfterEveryRow)
{
    const Grid cells = {{"a1", "", "a3"}, {"b1", "b2", "b3"}};
    EXPECT_EQ(clipboardText(2, 3, [&](int i, int j) { return cells[i][j]; }), "a1\t\ta3\r\nb1\tb2\tb3\r\n");
    EXPECT_EQ(clipboardText(1, 1, [](int, int) { return ""s; }), "\r\n");
    EXPECT_EQ(clipboardText(0, 0, [](int, int) { return "x"s; }), "");
}

TEST(MatrixClipboardText, ShapeCountsLinesAndTheFirstRowsTokens)
{
    const struct {
        std::string text;
        TextShape shape;
    } cases[] = {
        {"", {0, 0}}, {"a", {1, 1}}, {"a\tb", {0, 2}}, {"a\tb\r\nc\td\r\n", {2, 2}}, // the line-end flag starts set
        {"\ta\r\n", {1, 2}},        // an empty first token counts
        {"a\r\n\tb\r\n", {1, 2}},    // CR LF TAB ends in TAB: one row
        {"a\r\rb\n", {1, 2}},        // CR alone separates cells
        {"a\t\r\nb\r\n", {2, 1}},    // TAB CR LF ends in LF
        {"a\r\nb\0c\r\n"s, {2, 1}},  // the text ends at its NUL
    };
    for (const auto& c : cases)
        EXPECT_EQ(measureText(c.text), c.shape) << c.text;
}

TEST(MatrixClipboardText, TokensAreCutTo255CharactersAndTheTextToItsView)
{
    const std::string text = std::string(300, 'q') + "\tz"; // the reader keeps a view of it
    TokenReader reader(text);
    EXPECT_EQ(reader.next().text, std::string(kMaxTokenLength, 'q'));
    EXPECT_EQ(reader.next().text, "z");
    EXPECT_TRUE(reader.atEnd());
    const char block[] = {'a', '\t', 'b', 'X', 'Y'}; // without NUL: only the view is read
    TokenReader bounded(std::string_view(block, 3));
    EXPECT_EQ(bounded.next().text, "a");
    EXPECT_EQ(bounded.next().text, "b");
    EXPECT_TRUE(bounded.atEnd());
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
        {"a long row does not spill into the next", "a\tb\tc\r\nd\r\n", {0, 1, 0, 0}, {{0, 0, "a"}, {1, 0, "d"}}},
        {"a text without line end fills one row", "a\tb", {0, 3, 0, 3}, {{0, 0, "a"}, {0, 1, "b"}}},
        {"an empty middle cell moves the cells behind it left", "a\t\tc\r\n", {0, 0, 0, 2}, {{0, 0, "a"}, {0, 1, "c"}}},
        {"an empty first cell is kept", "\tb\r\n", {0, 0, 0, 2}, {{0, 0, ""}, {0, 1, "b"}}},
        {"a second row starting with TAB continues the first", "a\r\n\tb\r\n", {0, 1, 0, 3}, {{0, 0, "a"}, {0, 1, "b"}}},
        {"one column into one row goes across", "5\r\n6\r\n7\r\n", {1, 1, 0, 1}, {{1, 0, "5"}, {1, 1, "6"}}},
        {"nothing from an empty text", "", {0, 3, 0, 3}, {}},
        {"nothing after the NUL", "a\0b\r\n"s, {0, 3, 0, 3}, {{0, 0, "a"}}},
    };
    for (const auto& c : cases) {
        std::vector<Placement> placed;
        const auto count =
            pasteText(c.text, c.rect, [&](int r, int s, std::string_view token) { placed.emplace_back(r, s, token); });
        EXPECT_EQ(placed, c.placed) << c.what;
        EXPECT_EQ(count, placed.size()) << c.what;
    }
}

} // namespace
