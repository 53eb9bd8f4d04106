// The percentage meter as a host drives it: its four messages and what a visible meter shows.
#include <gtest/gtest.h>

#include "support/pixels.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <climits>

using w32ktest::ClientPixels;
using w32ktest::VisibleHost;

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255), kLightGrey = RGB(192, 192, 192);
constexpr DWORD kFrame = W32K_METER_FRAME, kSunken = W32K_METER_SUNKEN, kRaised = W32K_METER_RAISED,
                kVertical = W32K_METER_VERTICAL;
constexpr int kBarLength = 100, kThickness = 60;

int edgeOf(DWORD style) { return ((style & (kSunken | kRaised)) ? 1 : 0) + ((style & kFrame) ? 1 : 0); }

// A meter whose inner rectangle is kBarLength long along its bar.
HWND addMeter(VisibleHost& host, DWORD style)
{
    const int along = kBarLength + 2 * edgeOf(style);
    return host.add(W32K_CLASS_METER, style, 10, 10, style & kVertical ? kThickness : along,
                    style & kVertical ? along : kThickness);
}

// Sends a range and a position and lets it paint.
ClientPixels setMeter(HWND meter, LONG range, LONG position)
{
    SendMessageA(meter, WM_METERSETRANGE, static_cast<DWORD>(range), 0);
    SendMessageA(meter, WM_METERSETPOS, static_cast<DWORD>(position), 0);
    w32ktest::settlePaint(meter);
    return ClientPixels(meter);
}

// The first line of the inner rectangle along the bar (the centred text
// never reaches it) is blue for `filled` pixels and light grey for the rest.
bool barShows(const ClientPixels& pixels, DWORD style, int filled)
{
    const int e = edgeOf(style), end = e + kBarLength;
    const RECT full = style & kVertical ? RECT{e, end - filled, e + 1, end} : RECT{e, e, e + filled, e + 1};
    const RECT empty = style & kVertical ? RECT{e, e, e + 1, end - filled} : RECT{e + filled, e, end, e + 1};
    return (filled == 0 || pixels.all(full, kBlue)) &&
           (filled == kBarLength || pixels.all(empty, kLightGrey));
}

} // namespace

// Positions out of the range stay inside the bar and off the border; the percentage is reckoned in 64 bits.
TEST(Meter, FillsItsShareOfTheInnerRectangleInsideItsBorder)
{
    const struct { const char* what; DWORD style; LONG range, position; int filled; } cases[] = {
        {"above the range, vertical", kSunken | kVertical, 100, INT_MAX, 100},
        {"lowest position", kRaised, 100, INT_MIN, 0},
        {"x100 beyond 32 bits, frame", kSunken | kFrame, 42949674, 21474837, 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VisibleHost host;
        EXPECT_TRUE(barShows(setMeter(addMeter(host, c.style), c.range, c.position), c.style, c.filled));
    }
}

// Range 0 paints without dividing by zero; hosts read range and position from the window's extra data.
TEST(Meter, PaintsRangeZeroAndKeepsRangeAndPositionInItsExtraData)
{
    VisibleHost host;
    HWND meter = addMeter(host, kSunken);
    EXPECT_EQ(SendMessageA(meter, WM_METERGETRANGE, 0, 0), 100);
    setMeter(meter, 0, 50);
    setMeter(meter, -7, INT_MIN);
    EXPECT_EQ(TVOMeterWndFn(meter, WM_METERGETRANGE, 0, 0), -7);
    EXPECT_EQ(SendMessageA(meter, WM_METERGETPOS, 0, 0), INT_MIN);
    EXPECT_EQ(GetWindowLongA(meter, 0), -7);
    EXPECT_EQ(GetWindowLongA(meter, 4), INT_MIN);
}
