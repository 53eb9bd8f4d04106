// Platform-free clipboard text of the matrix (recipe) editor: the text that
// Copy writes for a rectangle of cells, the shape of a text (line count and
// first-row width), and where Paste puts each of its tokens.
//
// The text: cells separated by TAB, every row (the last one too) ended by
// CR LF. Read back, a token is a maximal run of characters other than NUL,
// CR, LF and TAB; a separator run (CR, LF and TAB characters) follows every
// token but one that ends the text, and ends a row of the text only when
// its last character is LF. Only the very first token can be empty.
#pragma once

#include "dialogs/matrix_editor_core.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace w32k::matrix {

constexpr char kCellSeparator = '\t';
constexpr std::string_view kRowEnd = "\r\n";
// Characters of a pasted token that reach a cell; the rest are dropped.
constexpr std::size_t kMaxTokenLength = 255;

// The text of the cells of a rectangle `rows` high and `sets` wide, row by
// row; cellText(i, j) gives the text of the cell i rows below and j sets right
// of its top-left corner. Sizes are std::size_t: a text of any length is
// written whole. Throws std::bad_alloc when the text does not fit in memory.
std::string clipboardText(int rows, int sets, const std::function<std::string(int, int)>& cellText);

// One token of a text and what follows it.
struct Token {
    std::string_view text;  // at most kMaxTokenLength characters
    bool separated = false; // a separator run follows
    bool endsLine = false;  // that run's last character is LF
};

// Reads a text token by token. The text ends at its first NUL or at the end
// of the view, whichever comes first.
class TokenReader {
public:
    explicit TokenReader(std::string_view text) noexcept;
    bool atEnd() const noexcept { return position_ >= text_.size(); }
    // The next token and the separator run behind it (call only while !atEnd()).
    Token next() noexcept;

private:
    std::string_view text_;
    std::size_t position_ = 0;
};

// The shape of a text, measured before pasting.
struct TextShape {
    std::size_t lineCount = 0;     // tokens after which the line-end flag is set
    std::size_t firstRowWidth = 0; // tokens read up to the first line end
    friend bool operator==(const TextShape&, const TextShape&) = default;
};
TextShape measureText(std::string_view text) noexcept;

// Paste of a text into rect: calls place(row, set, token) for every token
// that falls inside rect, in the order of the text. A one-row text pasted into
// a one-set-wide rectangle goes down the rows; a one-column text pasted into a
// one-row rectangle goes across the parameter sets. Returns the number of
// tokens placed.
std::size_t pasteText(std::string_view text, const Rect& rect,
                      const std::function<void(int, int, std::string_view)>& place);

} // namespace w32k::matrix
