// The percentage meter ("xMeter_32") as a host drives it: its four messages
// and what a visible meter shows, read back pixel by pixel.
#include <gtest/gtest.h>

#include "support/pixels.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <climits>

using w32ktest::ClientPixels;
using w32ktest::VisibleHost;

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255), kLightGrey = RGB(192, 192, 192);
constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0), kMarker = RGB(255, 0, 255);
constexpr DWORD kFrame = 0x0001, kSunken = 0x0002, kRaised = 0x0004, kVertical = 0x0008;

// Length of the bar in the tests, and the meter's thickness across it.
constexpr int kBarLength = 100, kThickness = 60;

// Pixels between the client edge and the inner rectangle.
int edgeOf(DWORD style)
{
    return ((style & (kSunken | kRaised)) ? 1 : 0) + ((style & kFrame) ? 1 : 0);
}

// A meter whose inner rectangle is kBarLength long along its bar.
HWND addMeter(VisibleHost& host, DWORD style)
{
    const int along = kBarLength + 2 * edgeOf(style);
    const bool vertical = (style & kVertical) != 0;
    return host.add(W32K_CLASS_METER, style, 10, 10, vertical ? kThickness : along, vertical ? along : kThickness);
}

// Sends a range and/or a position (kUnsent: not sent) and lets it paint.
using Value = long long;
constexpr Value kUnsent = LLONG_MIN;

ClientPixels setMeter(HWND meter, Value range, Value position)
{
    if (range != kUnsent)
        SendMessageA(meter, WM_METERSETRANGE, static_cast<WPARAM>(static_cast<DWORD>(range)), 0);
    if (position != kUnsent)
        SendMessageA(meter, WM_METERSETPOS, static_cast<WPARAM>(static_cast<DWORD>(position)), 0);
    w32ktest::settlePaint(meter);
    return ClientPixels(meter);
}

// The first line of the inner rectangle along the bar (the text, centred
// across the bar, never reaches it) is blue for `filled` pixels and light
// grey for the rest.
bool barShows(const ClientPixels& pixels, DWORD style, int filled)
{
    const int e = edgeOf(style), end = e + kBarLength;
    const RECT full = style & kVertical ? RECT{e, end - filled, e + 1, end} : RECT{e, e, e + filled, e + 1};
    const RECT empty = style & kVertical ? RECT{e, e, e + 1, end - filled} : RECT{e + filled, e, end, e + 1};
    return (filled == 0 || pixels.all(full, kBlue)) && (filled == kBarLength || pixels.all(empty, kLightGrey));
}

// The text (its smoothing may bring other colours) stays in one short line
// centred in the inner rectangle; everything else there is bar or track.
void expectOnlyBarAndCentredText(const ClientPixels& pixels, DWORD style)
{
    RECT inner = pixels.rect();
    InflateRect(&inner, -edgeOf(style), -edgeOf(style));
    EXPECT_GT(pixels.count(inner, kBlue), 0);
    EXPECT_GT(pixels.count(inner, kLightGrey), 0) << "the text shows on either colour";
    const RECT text = pixels.bounds(inner, [](COLORREF c) { return c != kBlue && c != kLightGrey; });
    if (IsRectEmpty(&text))
        return;
    EXPECT_NEAR((text.left + text.right) / 2.0, (inner.left + inner.right) / 2.0, 3.0);
    EXPECT_NEAR((text.top + text.bottom) / 2.0, (inner.top + inner.bottom) / 2.0, 4.0);
    EXPECT_LT(text.bottom - text.top, inner.bottom - inner.top) << "one line of text";
}

} // namespace

TEST(Meter, FillsItsShareOfTheInnerRectangle)
{
    const struct {
        const char* what;
        DWORD style;
        Value range, position;
        int filled; // pixels of the 100-pixel bar shown blue
    } cases[] = {
        {"new meter: 0 of 100", kSunken, kUnsent, kUnsent, 0},
        {"quarter, horizontal", kSunken, 200, 50, 25},
        {"quarter, vertical from the bottom", kSunken | kVertical, 200, 50, 25},
        {"full, horizontal", kSunken, 100, 100, 100},
        {"full, vertical", kSunken | kVertical, 100, 100, 100},
        {"empty, vertical", kVertical, 100, 0, 0},
        {"no border", 0, 100, 30, 30},
        {"black frame only", kFrame, 100, 30, 30},
        {"raised border and frame, rounding down", kRaised | kFrame, 3, 1, 33},
        {"both borders", kSunken | kRaised, 200, 50, 25},
        {"vertical, rounding down", kRaised | kVertical, 300, 200, 66},
        // Positions the host should not send still stay inside the bar.
        {"above the range", kSunken, 100, 300, 100},
        {"above the range, vertical", kSunken | kVertical, 100, 300, 100},
        {"below zero", kSunken, 100, -50, 0},
        {"below zero, vertical", kFrame | kVertical, 100, -50, 0},
        {"negative range", kSunken, -100, 50, 0},
        {"x100 beyond 32 bits", kSunken, 1, 30000000, 100},
        {"x100 beyond 32 bits, half", kSunken, 42949674, 21474837, 50},
        {"largest values", kSunken, INT_MAX, INT_MAX, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VisibleHost host;
        const ClientPixels pixels = setMeter(addMeter(host, c.style), c.range, c.position);
        EXPECT_TRUE(barShows(pixels, c.style, c.filled));
        expectOnlyBarAndCentredText(pixels, c.style);
    }
}

// The percentage shown is exactly the image of another meter (or not).
TEST(Meter, TextShowsThePercentageCappedAtOneHundredWithItsSign)
{
    const struct {
        const char* what;
        LONG range, position, otherRange, otherPosition;
        bool same;
    } cases[] = {
        {"above the range shows 100%", 100, 300, 100, 100, true},
        {"x100 beyond 32 bits shows 100%", 1, 30000000, 100, 100, true},
        {"x100 beyond 32 bits, half shows 50%", 42949674, 21474837, 100, 50, true},
        {"range 3, position 1 shows 33%", 3, 1, 300, 99, true},
        {"-50% is not 0%", 100, -50, 100, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VisibleHost host;
        HWND meter = addMeter(host, kSunken);
        const ClientPixels other = setMeter(meter, c.otherRange, c.otherPosition);
        const ClientPixels shown = setMeter(meter, c.range, c.position);
        EXPECT_EQ(shown == other, c.same);
        if (!c.same) {
            EXPECT_GT(shown.count(kBlue), other.count(kBlue)) << "a wider text";
        }
    }
    // The digits change colour where the bar ends: 50% over the whole width.
    VisibleHost host;
    const ClientPixels half = setMeter(addMeter(host, 0), 2, 1);
    EXPECT_GT(half.count({0, 1, kBarLength / 2, kThickness - 1}, kLightGrey), 0) << "on the blue bar";
    EXPECT_GT(half.count({kBarLength / 2, 1, kBarLength, kThickness - 1}, kBlue), 0) << "on light grey";
}

// Corners and the pixel at (1, 1); bordered meters also hold a position out
// of the range, which must not reach the border.
TEST(Meter, BorderStyles)
{
    const COLORREF s = GetSysColor(COLOR_BTNSHADOW), g = kLightGrey;
    const struct {
        const char* what;
        DWORD style;
        LONG position;
        COLORREF topLeft, topRight, bottomLeft, bottomRight, second;
    } cases[] = {
        {"sunken", kSunken, INT_MIN, s, kWhite, kWhite, kWhite, g},
        {"raised", kRaised, -1000, kWhite, s, s, s, g},
        {"sunken wins over raised", kSunken | kRaised, 0, s, kWhite, kWhite, kWhite, g},
        {"black frame", kFrame, 0, kBlack, kBlack, kBlack, kBlack, g},
        {"sunken border and frame", kSunken | kFrame, INT_MAX, s, kWhite, kWhite, kWhite, kBlack},
        {"raised border and frame", kRaised | kFrame, 1000, kWhite, s, s, s, kBlack},
        {"none", 0, 0, g, g, g, g, g},
        {"none, vertical", kVertical, 0, g, g, g, g, g},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VisibleHost host;
        const ClientPixels pixels = setMeter(addMeter(host, c.style), 100, c.position);
        const int right = pixels.width() - 1, bottom = pixels.height() - 1;
        EXPECT_EQ(pixels.at(0, 0), c.topLeft);
        EXPECT_EQ(pixels.at(right, 0), c.topRight);
        EXPECT_EQ(pixels.at(0, bottom), c.bottomLeft);
        EXPECT_EQ(pixels.at(right, bottom), c.bottomRight);
        EXPECT_EQ(pixels.at(1, 1), c.second);
        if (c.style & (kSunken | kRaised)) { // whole lines in their colour
            EXPECT_TRUE(pixels.all({0, 0, 1, bottom}, c.topLeft));
            EXPECT_TRUE(pixels.all({0, 0, right, 1}, c.topLeft));
            EXPECT_TRUE(pixels.all({right, 0, right + 1, bottom + 1}, c.bottomRight));
            EXPECT_TRUE(pixels.all({0, bottom, right + 1, bottom + 1}, c.bottomRight));
        }
        if (c.second == kBlack) {
            EXPECT_TRUE(pixels.all({1, 1, right, 2}, kBlack)) << "frame, top";
            EXPECT_TRUE(pixels.all({1, bottom - 1, right, bottom}, kBlack)) << "frame, bottom";
        }
    }
}

TEST(Meter, RangeZeroDrawsNothing)
{
    VisibleHost host;
    HWND meter = addMeter(host, kSunken);
    w32ktest::fillClient(meter, kMarker);
    EXPECT_TRUE(setMeter(meter, 0, 50).all({0, 0, kBarLength + 2, kThickness}, kMarker));
    w32ktest::repaintNow(meter, true); // not even an erase paints it
    EXPECT_TRUE(ClientPixels(meter).all({0, 0, kBarLength + 2, kThickness}, kMarker));
}

TEST(Meter, OnlyThePositionRepaintsAndWithoutErasing)
{
    VisibleHost host;
    HWND meter = addMeter(host, kSunken);
    EXPECT_TRUE(barShows(setMeter(meter, 100, 50), kSunken, 50));
    EXPECT_TRUE(barShows(setMeter(meter, 200, kUnsent), kSunken, 50)) << "still the old 50%";
    EXPECT_TRUE(barShows(setMeter(meter, kUnsent, 50), kSunken, 25));
    w32ktest::fillClient(meter, kMarker);
    const ClientPixels repainted = setMeter(meter, kUnsent, 60);
    EXPECT_EQ(repainted.count(kMarker), 0);
    EXPECT_TRUE(barShows(repainted, kSunken, 30));
}

TEST(Meter, MessagesStoreTheirValuesInTheWindowExtraData)
{
    VisibleHost host;
    HWND meter = addMeter(host, kSunken);
    const struct {
        UINT message;
        WPARAM wParam;
        LRESULT result;
    } steps[] = {
        {WM_METERGETRANGE, 0, 100}, {WM_METERGETPOS, 0, 0}, // a new meter
        {WM_METERSETRANGE, 250, 0}, {WM_METERGETRANGE, 0, 250},
        {WM_METERSETPOS, 75, 0}, {WM_METERGETPOS, 0, 75},
        {WM_METERSETRANGE, static_cast<DWORD>(-7), 0}, {WM_METERGETRANGE, 0, -7},
        {WM_METERSETPOS, static_cast<DWORD>(INT_MIN), 0}, {WM_METERGETPOS, 0, INT_MIN},
        {WM_GETDLGCODE, 0, DLGC_STATIC}, {WM_ERASEBKGND, 0, 1},
    };
    for (const auto& step : steps)
        EXPECT_EQ(SendMessageA(meter, step.message, step.wParam, 0), step.result) << step.message;
    // The layout hosts rely on: range first, then position.
    EXPECT_EQ(GetWindowLongA(meter, 0), -7);
    EXPECT_EQ(GetWindowLongA(meter, 4), INT_MIN);
    // The window procedure, called directly through the export.
    EXPECT_EQ(TVOMeterWndFn(meter, WM_METERGETRANGE, 0, 0), -7);
    EXPECT_EQ(GetClassLongPtrA(meter, GCLP_WNDPROC), reinterpret_cast<LONG_PTR>(&TVOMeterWndFn));
}
