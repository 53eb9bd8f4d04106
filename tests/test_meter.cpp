// The percentage meter as a host drives it: its four messages and what a
// visible meter shows.
#include <gtest/gtest.h>

#include "support/pixels.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <climits>

using w32ktest::ClientPixels;
using w32ktest::VisibleHost;

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255), kLightGrey = RGB(192, 192, 192), kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0), kMarker = RGB(255, 0, 255);
constexpr DWORD kFrame = W32K_METER_FRAME, kSunken = W32K_METER_SUNKEN, kRaised = W32K_METER_RAISED,
                kVertical = W32K_METER_VERTICAL;
constexpr int kBarLength = 100, kThickness = 60;
constexpr long long kUnsent = LLONG_MIN;

int edgeOf(DWORD style) { return ((style & (kSunken | kRaised)) ? 1 : 0) + ((style & kFrame) ? 1 : 0); }

// A meter whose inner rectangle is kBarLength long along its bar.
HWND addMeter(VisibleHost& host, DWORD style)
{
    const int along = kBarLength + 2 * edgeOf(style);
    return host.add(W32K_CLASS_METER, style, 10, 10, style & kVertical ? kThickness : along,
                    style & kVertical ? along : kThickness);
}

// Sends a range and/or a position (unless kUnsent) and lets it paint.
ClientPixels setMeter(HWND meter, long long range, long long position)
{
    if (range != kUnsent)
        SendMessageA(meter, WM_METERSETRANGE, static_cast<DWORD>(range), 0);
    if (position != kUnsent)
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
    return (filled == 0 || pixels.all(full, kBlue)) && (filled == kBarLength || pixels.all(empty, kLightGrey));
}

} // namespace

// Positions out of the range stay inside the bar and off the border; the
// percentage is reckoned in 64 bits. The border's first and last pixels, and
// the black frame inside a border.
TEST(Meter, FillsItsShareOfTheInnerRectangleInsideItsBorder)
{
    const COLORREF s = GetSysColor(COLOR_BTNSHADOW);
    const struct {
        const char* what; DWORD style; long long range, position;
        int filled; COLORREF topLeft, bottomRight, second; // blue pixels of the bar; (0, 0), the last pixel, (1, 1)
    } cases[] = {
        {"new meter: 0 of 100", kSunken, kUnsent, kUnsent, 0, s, kWhite, kLightGrey},
        {"quarter, vertical from the bottom", kSunken | kVertical, 200, 50, 25, s, kWhite, kLightGrey},
        {"no border", kVertical, 100, 0, 0, kLightGrey, kLightGrey, kLightGrey},
        {"black frame only", kFrame, 100, 30, 30, kBlack, kBlack, kBlue},
        {"raised border and frame, rounding down", kRaised | kFrame, 3, 1, 33, kWhite, s, kBlack},
        {"sunken wins over raised", kSunken | kRaised, 200, 50, 25, s, kWhite, kBlue},
        {"above the range, vertical", kSunken | kVertical, 100, INT_MAX, 100, s, kWhite, kBlue},
        {"lowest position", kRaised, 100, INT_MIN, 0, kWhite, s, kLightGrey},
        {"negative range", kSunken, -100, 50, 0, s, kWhite, kLightGrey},
        {"x100 beyond 32 bits", kSunken, 42949674, 21474837, 50, s, kWhite, kBlue},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VisibleHost host;
        const ClientPixels pixels = setMeter(addMeter(host, c.style), c.range, c.position);
        EXPECT_TRUE(barShows(pixels, c.style, c.filled));
        EXPECT_EQ(pixels.at(0, 0), c.topLeft);
        EXPECT_EQ(pixels.at(pixels.width() - 1, pixels.height() - 1), c.bottomRight);
        EXPECT_EQ(pixels.at(1, 1), c.second);
    }
}

// The percentage shown (the bar's, reckoned in 64 bits) is exactly the image of
// another meter (or not), in the other colour where the bar ends.
TEST(Meter, TextShowsThePercentageCappedAtOneHundredWithItsSign)
{
    const struct { LONG range, position, otherRange, otherPosition; bool same; } cases[] = {
        {100, 300, 100, 100, true}, // above the range shows 100%
        {100, -50, 100, 0, false},  // -50% is not 0%
    };
    for (const auto& c : cases) {
        VisibleHost host;
        HWND meter = addMeter(host, kSunken);
        const ClientPixels other = setMeter(meter, c.otherRange, c.otherPosition);
        EXPECT_EQ(setMeter(meter, c.range, c.position) == other, c.same) << c.range << " " << c.position;
    }
    VisibleHost host;
    const ClientPixels half = setMeter(addMeter(host, 0), 2, 1);
    EXPECT_GT(half.count({0, 1, kBarLength / 2, kThickness - 1}, kLightGrey), 0) << "on the blue bar";
    EXPECT_GT(half.count({kBarLength / 2, 1, kBarLength, kThickness - 1}, kBlue), 0) << "on light grey";
}

// Range 0 draws nothing, not even on an erase; a new range alone does not
// repaint; a new position repaints without erasing. Hosts read the range and
// the position from the window's extra data.
TEST(Meter, RepaintsOnANewPositionOnlyAndDrawsNothingForRangeZero)
{
    VisibleHost host;
    HWND meter = addMeter(host, kSunken);
    EXPECT_EQ(SendMessageA(meter, WM_METERGETRANGE, 0, 0), 100);
    w32ktest::fillClient(meter, kMarker);
    EXPECT_EQ(setMeter(meter, 0, 50).count(kMarker), (kBarLength + 2) * kThickness);
    w32ktest::repaintNow(meter, true);
    EXPECT_EQ(ClientPixels(meter).count(kMarker), (kBarLength + 2) * kThickness);
    EXPECT_TRUE(barShows(setMeter(meter, 100, 50), kSunken, 50));
    EXPECT_TRUE(barShows(setMeter(meter, 200, kUnsent), kSunken, 50)) << "still the old 50%";
    w32ktest::fillClient(meter, kMarker);
    const ClientPixels repainted = setMeter(meter, kUnsent, 60);
    EXPECT_EQ(repainted.count(kMarker), 0);
    EXPECT_TRUE(barShows(repainted, kSunken, 30));
    setMeter(meter, -7, INT_MIN);
    EXPECT_EQ(TVOMeterWndFn(meter, WM_METERGETRANGE, 0, 0), -7);
    EXPECT_EQ(SendMessageA(meter, WM_METERGETPOS, 0, 0), INT_MIN);
    EXPECT_EQ(GetWindowLongA(meter, 0), -7);
    EXPECT_EQ(GetWindowLongA(meter, 4), INT_MIN);
}
