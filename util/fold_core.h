// Dialog folding arithmetic and the arrow mark of the fold button's
// caption. Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace w32k::core {

// A rectangle in screen coordinates (left/top inclusive, right/bottom exclusive).
struct Box {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

// Dialog-frame widths (or heights) between the marker control and the
// dialog's new edge.
inline constexpr std::int32_t kFoldFrames = 4;

// The dialog's rectangle folded at the marker: horizontal moves the right
// edge to marker.right + kFoldFrames * frameWidth, otherwise the bottom edge
// to marker.bottom + kFoldFrames * frameHeight; the other edges stay.
Box foldedBox(const Box& dialog, const Box& marker, bool horizontal, std::int32_t frameWidth,
              std::int32_t frameHeight) noexcept;

// The caption buffer (bytes, with the terminating zero) and the arrow marks.
inline constexpr std::size_t kCaptionBufferSize = 60;
inline constexpr std::string_view kArrowBack = "<<";
inline constexpr std::string_view kArrowForward = ">>";
inline constexpr std::string_view kArrowCharacters = "><";

// The fold button's new caption: the plain part of caption (the text before
// the first '>' or '<', leading ones skipped) followed by "<<" (arrowBack)
// or ">>". The plain part is cut so that the result and its zero fit
// kCaptionBufferSize; a caption of arrow characters only becomes the arrow
// alone. Writes the zero-terminated result into out and returns its length.
std::size_t foldedCaption(std::string_view caption, bool arrowBack,
                          char (&out)[kCaptionBufferSize]) noexcept;

} // namespace w32k::core
