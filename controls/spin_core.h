// Geometry and key mapping of the spin control, free of the platform headers.
#pragma once

#include <array>
#include <cstdint>

namespace w32k::spin {

// The pressed (active) half of a spin control.
enum Half : std::uint32_t {
    FirstHalf = 0,  // upper, or left in the horizontal layout
    SecondHalf = 1, // lower, or right
    NoHalf = 255,
};

// Window style bit 0: set = left and right halves, clear = upper and lower.
constexpr std::uint32_t kHorizontalStyle = 0x0001;

constexpr bool isHalf(std::uint32_t half) noexcept
{
    return half == FirstHalf || half == SecondHalf;
}

// Which half of a width x height client area the point (x, y) lies in;
// NoHalf outside it. x and y are the unsigned 16-bit words of a mouse message,
// so a point left of or above a captured control is far outside.
Half hitTest(unsigned x, unsigned y, int width, int height, bool horizontal) noexcept;

// The half an arrow key selects (in either layout); NoHalf for other keys.
Half halfForKey(unsigned virtualKey) noexcept;

struct Point {
    int x;
    int y;
};
using Triangle = std::array<Point, 3>;

// The filled arrows of both halves, each moved one pixel right and down when
// its half is pressed.
struct Arrows {
    Triangle first;
    Triangle second;
};
Arrows arrowTriangles(int width, int height, bool horizontal, std::uint32_t activeHalf) noexcept;

// The bevel boxes (x1, y1, x2, y2) of both halves and the divider line.
struct Box {
    int x1, y1, x2, y2;
};
struct Halves {
    Box first;
    Box second;
    Point dividerFrom;
    Point dividerTo;
};
Halves halfBoxes(int width, int height, bool horizontal) noexcept;

} // namespace w32k::spin
