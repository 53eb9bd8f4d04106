#include "controls/spin_core.h"

namespace w32k::spin {

namespace {
// Virtual-key codes of the arrow keys.
constexpr unsigned kKeyLeft = 37, kKeyUp = 38, kKeyRight = 39, kKeyDown = 40;

// Halving as the painting does it: an arithmetic shift right by one bit.
constexpr int half(int value) noexcept
{
    return value >> 1;
}
} // namespace

Half hitTest(unsigned x, unsigned y, int width, int height, bool horizontal) noexcept
{
    if (width <= 0 || height <= 0 || x >= static_cast<unsigned>(width) ||
        y >= static_cast<unsigned>(height))
        return NoHalf;
    if (horizontal)
        return x >= static_cast<unsigned>(width / 2) ? SecondHalf : FirstHalf;
    return y >= static_cast<unsigned>(height / 2) ? SecondHalf : FirstHalf;
}

Half halfForKey(unsigned virtualKey) noexcept
{
    switch (virtualKey) {
    case kKeyUp:
    case kKeyLeft:
        return FirstHalf;
    case kKeyDown:
    case kKeyRight:
        return SecondHalf;
    default:
        return NoHalf;
    }
}

Arrows arrowTriangles(int width, int height, bool horizontal, std::uint32_t activeHalf) noexcept
{
    const int hw = half(width), hh = half(height);
    const int qw = half(hw), qh = half(hh);
    const int d0 = activeHalf == FirstHalf ? 1 : 0;
    const int d1 = activeHalf == SecondHalf ? 1 : 0;
    if (horizontal) {
        const int ly = hh + d0, lx = qw + d0;
        const int ry = hh + d1, rx = qw + hw + d1;
        return Arrows{Triangle{{{lx - 2, ly}, {lx + 1, ly + 3}, {lx + 1, ly - 3}}},
                      Triangle{{{rx + 1, ry}, {rx - 2, ry + 3}, {rx - 2, ry - 3}}}};
    }
    const int ux = hw + d0, uy = qh + d0;
    const int dx = hw + d1, dy = qh + hh + d1;
    return Arrows{Triangle{{{ux, uy - 2}, {ux - 3, uy + 1}, {ux + 3, uy + 1}}},
                  Triangle{{{dx, dy + 1}, {dx - 3, dy - 2}, {dx + 3, dy - 2}}}};
}

Halves halfBoxes(int width, int height, bool horizontal) noexcept
{
    const int hw = half(width), hh = half(height);
    if (horizontal)
        return Halves{Box{0, 0, hw, height - 1}, Box{hw, 0, width - 1, height - 1}, Point{hw, 0},
                      Point{hw, height}};
    return Halves{Box{0, 0, width - 1, hh}, Box{0, hh, width - 1, height - 1}, Point{0, hh},
                  Point{width, hh}};
}

} // namespace w32k::spin
