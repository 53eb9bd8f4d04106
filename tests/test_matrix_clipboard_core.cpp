// The matrix editor's clipboard text without Windows: what Copy writes, how a
// text's shape is measured, and where Paste puts each token.
#include <gtest/gtest.h>

#include "dialogs/matrix_clipboard_core.h"

#include <string>
#include <tuple>
#include <vector>

using namespace std::string_literals;
using w32k::matrix::clipboardText;
using w32k::matrix::kMaxTokenLength;
using w32k::matrix::measureText;
using w32k::matrix::pasteText;
using w32k::matrix::Rect;
using w32k::matrix::TextShape;
using w32k::matrix::TokenReader;

namespace {

using Grid = std::vector<std::vector<std::string>>;

std::string copyOf(const Grid& grid)
{
    const int sets = grid.empty() ? 0 : static_cast<int>(grid[0].size());
    return clipboardText(static_cast<int>(grid.size()), sets, [&](int i, int j) { return grid[i][j]; });
}

TEST(MatrixClipboardText, CopyWritesTabsBetweenCellsAndCrLfAfterEveryRow)
{
    const struct {
        Grid cells;
        std::string text;
    } cases[] = {
        {{{"a1", "a2", "a3"}, {"b1", "b2", "b3"}}, "a1\ta2\ta3\r\nb1\tb2\tb3\r\n"},
        {{{"x"}}, "x\r\n"},
        {{{""}}, "\r\n"},
        {{{"a", "", "c"}}, "a\t\tc\r\n"},
        {{{"1"}, {"2"}}, "1\r\n2\r\n"},
        {{}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(copyOf(c.cells), c.text);
}

TEST(MatrixClipboardText, CopyOfARectangleBeyond64KBIsWrittenWhole)
{
    const std::string cell(40, 'x');
    const std::string text = clipboardText(60, 255, [&](int, int) { return cell; });
    // 60 rows of 255 cells of 40 characters, 254 TABs and CR LF each.
    EXPECT_EQ(text.size(), std::size_t{60} * (255 * 40 + 254 + 2));
    EXPECT_EQ(text.substr(text.size() - 43), "\t" + cell + "\r\n");
}

TEST(MatrixClipboardText, ShapeCountsLinesAndTheFirstRowsTokens)
{
    const struct {
        std::string text;
        TextShape shape;
    } cases[] = {
        {"", {0, 0}},
        {"a", {1, 1}},                       // the flag starts set
        {"a\r\n", {1, 1}},
        {"a\tb\tc\r\n", {1, 3}},
        {"a\tb", {0, 2}},                    // no line end at all
        {"a\r\nb\r\nc\r\n", {3, 1}},
        {"a\tb\r\nc\td\r\n", {2, 2}},
        {"\ta\r\n", {1, 2}},                 // an empty first token counts
        {"a\r\n\tb\r\n", {1, 2}},            // CR LF TAB ends in TAB: one row
        {"a\r\rb\n", {1, 2}},                // CR alone separates cells
        {"a\t\r\nb\r\n", {2, 1}},            // TAB CR LF ends in LF
        {"a\r\nb\0c\r\n"s, {2, 1}},          // the text ends at its NUL
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

    // A block without a NUL: only the bytes of the view are read.
    const char block[] = {'a', '\t', 'b', 'X', 'Y'};
    TokenReader bounded(std::string_view(block, 3));
    EXPECT_EQ(bounded.next().text, "a");
    EXPECT_EQ(bounded.next().text, "b");
    EXPECT_TRUE(bounded.atEnd());
}

using Placement = std::tuple<int, int, std::string>;

std::vector<Placement> paste(const std::string& text, Rect rect)
{
    std::vector<Placement> placed;
    const std::size_t count =
        pasteText(text, rect, [&](int r, int s, std::string_view token) { placed.emplace_back(r, s, token); });
    EXPECT_EQ(count, placed.size());
    return placed;
}

TEST(MatrixClipboardText, PastePutsEachTokenIntoItsCell)
{
    const struct {
        const char* what;
        std::string text;
        Rect rect; // rowFrom, rowTo, setFrom, setTo
        std::vector<Placement> placed;
    } cases[] = {
        {"two rows back where they came from", "a1\ta2\ta3\r\nb1\tb2\tb3\r\n", {0, 1, 0, 2},
         {{0, 0, "a1"}, {0, 1, "a2"}, {0, 2, "a3"}, {1, 0, "b1"}, {1, 1, "b2"}, {1, 2, "b3"}}},
        {"what falls beyond the region is dropped", "a\tb\tc\r\nd\te\tf\r\ng\th\ti\r\n", {5, 6, 3, 4},
         {{5, 3, "a"}, {5, 4, "b"}, {6, 3, "d"}, {6, 4, "e"}}},
        {"a row longer than the rectangle does not spill into the next", "a\tb\tc\r\nd\r\n", {0, 1, 0, 0},
         {{0, 0, "a"}, {1, 0, "d"}}},
        {"a text without line end fills one row", "a\tb", {0, 3, 0, 3}, {{0, 0, "a"}, {0, 1, "b"}}},
        {"a single token into a single cell", "7", {3, 3, 2, 2}, {{3, 2, "7"}}},
        {"nothing from an empty text", "", {0, 3, 0, 3}, {}},
        {"nothing after the NUL", "a\0b\r\n"s, {0, 3, 0, 3}, {{0, 0, "a"}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(paste(c.text, c.rect), c.placed) << c.what;
}

} // namespace
