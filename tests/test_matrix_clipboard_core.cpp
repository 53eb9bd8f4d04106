// The matrix editor's clipboard text without Windows: where Paste puts each
// token. (What Copy writes and a row into a column: the clipboard tests of
// the editor; tokens that stay within the block and the rectangle over any
// text, nothing from an empty one: fuzz_clipboard.)
#include <gtest/gtest.h>

#include "dialogs/matrix_clipboard_core.h"

#include <string>
#include <tuple>
#include <vector>

using namespace std::string_literals;
using namespace w32k::matrix;

namespace {

using Placement = std::tuple<int, int, std::string>;

TEST(MatrixClipboardText, PastePutsEachTokenIntoItsCell)
{
    const std::string longToken(300, 'q');
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
        {"CR alone separates cells", "a\r\rb\n", {0, 1, 0, 3}, {{0, 0, "a"}, {0, 1, "b"}}},
        {"TAB CR LF ends the line", "a\t\r\nb\r\n", {0, 1, 0, 3}, {{0, 0, "a"}, {1, 0, "b"}}},
        {"one column into one row goes across", "5\r\n6\r\n7\r\n", {1, 1, 0, 1}, {{1, 0, "5"}, {1, 1, "6"}}},
        {"a token is cut to 255 characters", longToken + "\tz", {0, 0, 0, 1},
         {{0, 0, longToken.substr(0, kMaxTokenLength)}, {0, 1, "z"}}},
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
