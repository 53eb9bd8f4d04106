#include "dialogs/matrix_clipboard_core.h"

#include <algorithm>

namespace w32k::matrix {

namespace {

constexpr char kLineFeed = '\n';

bool isSeparator(char c) noexcept
{
    return c == '\t' || c == '\r' || c == '\n';
}

} // namespace

std::string clipboardText(int rows, int sets, const std::function<std::string(int, int)>& cellText)
{
    std::string text;
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < sets; ++j) {
            text += cellText(i, j);
            if (j + 1 < sets)
                text += kCellSeparator;
        }
        if (sets > 0)
            text += kRowEnd;
    }
    return text;
}

TokenReader::TokenReader(std::string_view text) noexcept
    : text_(text.substr(0, std::min(text.find('\0'), text.size())))
{
}

Token TokenReader::next() noexcept
{
    Token token;
    const std::size_t start = position_;
    while (position_ < text_.size() && !isSeparator(text_[position_]))
        ++position_;
    token.text = text_.substr(start, std::min(position_ - start, kMaxTokenLength));
    const std::size_t runStart = position_;
    while (position_ < text_.size() && isSeparator(text_[position_]))
        ++position_;
    token.separated = position_ > runStart;
    token.endsLine = token.separated && text_[position_ - 1] == kLineFeed;
    return token;
}

TextShape measureText(std::string_view text) noexcept
{
    TextShape shape;
    bool lineEnd = true;
    for (TokenReader reader(text); !reader.atEnd();) {
        const Token token = reader.next();
        if (token.separated)
            lineEnd = token.endsLine;
        if (shape.lineCount == 0)
            ++shape.firstRowWidth;
        if (lineEnd)
            ++shape.lineCount;
    }
    return shape;
}

std::size_t pasteText(std::string_view text, const Rect& rect,
                      const std::function<void(int, int, std::string_view)>& place)
{
    const TextShape shape = measureText(text);
    const bool downTheRows = shape.lineCount < 2 && rect.setFrom == rect.setTo;
    const bool acrossTheSets = shape.firstRowWidth < 2 && rect.rowFrom == rect.rowTo;
    std::size_t placed = 0;
    TokenReader reader(text);
    // Rows only grow: once past the rectangle nothing more can be placed.
    for (int row = rect.rowFrom; !reader.atEnd() && row <= rect.rowTo; ++row) {
        bool lineEnd = false;
        for (int set = rect.setFrom; !reader.atEnd();) {
            const Token token = reader.next();
            if (token.separated)
                lineEnd = token.endsLine;
            if (downTheRows)
                lineEnd = true;
            if (set <= rect.setTo) {
                place(row, set, token.text);
                ++placed;
            }
            if (acrossTheSets)
                lineEnd = false;
            if (lineEnd)
                break;
            if (set <= rect.setTo)
                ++set; // beyond the rectangle it stays put: no overflow on long rows
        }
    }
    return placed;
}

} // namespace w32k::matrix
