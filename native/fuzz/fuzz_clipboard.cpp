// Fuzz target: the matrix editor's clipboard text reader. The input is
// "<rowFrom><rowTo><setFrom><setTo><block>": four bytes give the selection
// rectangle, the rest is the clipboard block exactly as long as the input
// (no NUL added), so a read past its end is caught.
#include "dialogs/matrix_clipboard_core.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

namespace {

bool holdsSeparator(std::string_view token)
{
    return token.find_first_of(std::string_view("\t\r\n\0", 4)) != std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    constexpr std::size_t kRectBytes = 4;
    if (size < kRectBytes)
        return 0;
    const w32k::matrix::Rect rect{data[0], data[1], data[2], data[3]};
    const std::size_t blockSize = size - kRectBytes;
    const auto block = std::make_unique<char[]>(blockSize);
    std::memcpy(block.get(), data + kRectBytes, blockSize);
    const std::string_view text(block.get(), blockSize);

    const auto shape = w32k::matrix::measureText(text);
    std::size_t tokens = 0;
    for (w32k::matrix::TokenReader reader(text); !reader.atEnd(); ++tokens) {
        const auto token = reader.next();
        // Only the first token can be empty; none is longer than a cell's buffer.
        if ((token.text.empty() && tokens > 0) || token.text.size() > w32k::matrix::kMaxTokenLength ||
            holdsSeparator(token.text))
            std::abort();
    }
    if (shape.lineCount > tokens || shape.firstRowWidth > tokens)
        std::abort();

    const std::size_t placed = w32k::matrix::pasteText(text, rect, [&](int r, int s, std::string_view token) {
        if (!rect.contains(r, s) || token.size() > w32k::matrix::kMaxTokenLength || holdsSeparator(token))
            std::abort();
    });
    if (placed > tokens)
        std::abort();
    return 0;
}
