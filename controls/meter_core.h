// Arithmetic of the percentage meter, free of any window system: the
// percentage of a position within a range, the text shown for it and the
// length of the filled part of the bar.
#pragma once

#include <cstdint>
#include <string>

namespace w32k::meter {

// (position x 100) / range, rounded toward zero, computed in 64 bits so that
// no position overflows. range must not be 0.
std::int64_t percentOf(std::int32_t position, std::int32_t range) noexcept;

// The centred text: the percentage capped at 100 above, shown as it is
// below ("42%", "100%", "-5%").
std::string percentText(std::int64_t percent);

// Length of the filled part of a bar `extent` pixels long: (extent x
// percent) / 100 rounded toward zero, kept within 0 to extent so that the
// bar never leaves its rectangle.
int filledLength(int extent, std::int64_t percent) noexcept;

// Start of a span of `extent` pixels that centres `size` pixels within it,
// relative to its start (rounded toward zero; negative when size > extent).
int centredOffset(int extent, int size) noexcept;

} // namespace w32k::meter
