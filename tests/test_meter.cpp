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

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kLightGrey = RGB(192, 192, 192);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kMarker = RGB(255, 0, 255);

constexpr DWORD kFrame = 0x0001;
constexpr DWORD kSunken = 0x0002;
constexpr DWORD kRaised = 0x0004;
constexpr DWORD kVertical = 0x0008;

// Length of the bar in the tests, and the meter's thickness across it.
constexpr int kBarLength = 100;
constexpr int kThickness = 60;

COLORREF shadow()
{
    return GetSysColor(COLOR_BTNSHADOW);
}

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
    return host.add(W32K_CLASS_METER, style, 10, 10, vertical ? kThickness : along,
                    vertical ? along : kThickness);
}

void setMeter(HWND meter, LONG range, LONG position)
{
    SendMessageA(meter, WM_METERSETRANGE, static_cast<WPARAM>(static_cast<DWORD>(range)), 0);
    SendMessageA(meter, WM_METERSETPOS, static_cast<WPARAM>(static_cast<DWORD>(position)), 0);
    w32ktest::settlePaint(meter);
}

// The first line of the inner rectangle along the bar (the text, centred
// across the bar, never reaches it), split at `filled` pixels of the bar.
struct BarLine {
    RECT filled;
    RECT unfilled;
};

BarLine firstLine(DWORD style, int filled)
{
    const int e = edgeOf(style);
    if (style & kVertical) {
        const int bottom = e + kBarLength;
        return {{e, bottom - filled, e + 1, bottom}, {e, e, e + 1, bottom - filled}};
    }
    return {{e, e, e + filled, e + 1}, {e + filled, e, e + kBarLength, e + 1}};
}

RECT innerRect(HWND meter, DWORD style)
{
    RECT r{};
    GetClientRect(meter, &r);
    InflateRect(&r, -edgeOf(style), -edgeOf(style));
    return r;
}

// The text may be smoothed into other colours; those stay in a short box
// centred in the inner rectangle, and everything else there is bar or track.
void expectOnlyBarAndCentredText(const ClientPixels& pixels, const RECT& inner)
{
    const RECT text =
        pixels.bounds(inner, [](COLORREF c) { return c != kBlue && c != kLightGrey; });
    if (IsRectEmpty(&text))
        return;
    EXPECT_NEAR((text.left + text.right) / 2.0, (inner.left + inner.right) / 2.0, 3.0);
    EXPECT_NEAR((text.top + text.bottom) / 2.0, (inner.top + inner.bottom) / 2.0, 4.0);
    EXPECT_LT(text.bottom - text.top, inner.bottom - inner.top) << "one line of text";
}

} // namespace

TEST(Meter, NewMeterShowsZeroPercentOnLightGrey)
{
    VisibleHost host;
    HWND meter = addMeter(host, kSunken);
    ASSERT_TRUE(meter);
    EXPECT_EQ(SendMessageA(meter, WM_METERGETRANGE, 0, 0), 100);
    EXPECT_EQ(SendMessageA(meter, WM_METERGETPOS, 0, 0), 0);

    const ClientPixels pixels(meter);
    const RECT inner = innerRect(meter, kSunken);
    EXPECT_GT(pixels.count(inner, kLightGrey), pixels.count(inner, kBlue));
    EXPECT_GT(pixels.count(inner, kBlue), 0) << "the text 0%";
    const BarLine line = firstLine(kSunken, 0);
    EXPECT_TRUE(pixels.all(line.unfilled, kLightGrey));
    expectOnlyBarAndCentredText(pixels, inner);
    // The text is centred.
    const RECT text = pixels.bounds(kBlue);
    EXPECT_NEAR((text.left + text.right) / 2.0, (inner.left + inner.right) / 2.0, 3.0);
    EXPECT_NEAR((text.top + text.bottom) / 2.0, (inner.top + inner.bottom) / 2.0, 4.0);
}

struct FillCase {
    const char* what;
    DWORD style;
    LONG range;
    LONG position;
    int filled; // pixels of the 100-pixel bar shown blue
};

TEST(Meter, FillsItsShareOfTheInnerRectangle)
{
    const FillCase cases[] = {
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
    for (const FillCase& c : cases) {
        SCOPED_TRACE(c.what);
        VisibleHost host;
        HWND meter = addMeter(host, c.style);
        setMeter(meter, c.range, c.position);
        const ClientPixels pixels(meter);
        const BarLine line = firstLine(c.style, c.filled);
        if (c.filled > 0) {
            EXPECT_TRUE(pixels.all(line.filled, kBlue));
        }
        if (c.filled < kBarLength) {
            EXPECT_TRUE(pixels.all(line.unfilled, kLightGrey));
        }
        expectOnlyBarAndCentredText(pixels, innerRect(meter, c.style));
    }
}

TEST(Meter, TextChangesColourWhereTheBarEnds)
{
    VisibleHost host;
    HWND meter = addMeter(host, 0);
    // A wide text keeps both halves busy: range 2, position 1 shows 50%.
    setMeter(meter, 2, 1);
    const ClientPixels pixels(meter);
    const RECT filled{0, 1, kBarLength / 2, kThickness - 1};
    const RECT unfilled{kBarLength / 2, 1, kBarLength, kThickness - 1};
    EXPECT_GT(pixels.count(filled, kLightGrey), 0) << "light grey digits on the blue bar";
    EXPECT_GT(pixels.count(unfilled, kBlue), 0) << "blue digits on the light grey part";
}

struct SameImageCase {
    const char* what;
    LONG range, position;          // shown ...
    LONG sameRange, samePosition;  // ... exactly like this
};

TEST(Meter, TextShowsThePercentageCappedAtOneHundred)
{
    const SameImageCase cases[] = {
        {"above the range shows 100%", 100, 300, 100, 100},
        {"x100 beyond 32 bits shows 100%", 1, 30000000, 100, 100},
        {"x100 beyond 32 bits, half shows 50%", 42949674, 21474837, 100, 50},
        {"range 3, position 1 shows 33%", 3, 1, 300, 99},
    };
    for (const SameImageCase& c : cases) {
        SCOPED_TRACE(c.what);
        VisibleHost host;
        HWND meter = addMeter(host, kSunken);
        setMeter(meter, c.sameRange, c.samePosition);
        const ClientPixels expected(meter);
        setMeter(meter, c.range, c.position);
        EXPECT_TRUE(ClientPixels(meter) == expected);
    }
}

TEST(Meter, NegativePercentagesShowTheirSign)
{
    VisibleHost host;
    HWND meter = addMeter(host, kSunken);
    setMeter(meter, 100, 0);
    const ClientPixels zero(meter);
    setMeter(meter, 100, -50);
    const ClientPixels negative(meter);
    const RECT inner = innerRect(meter, kSunken);
    EXPECT_FALSE(negative == zero);
    EXPECT_GT(negative.count(inner, kBlue), zero.count(inner, kBlue)) << "-50% is wider than 0%";
    expectOnlyBarAndCentredText(negative, inner);
}

struct BorderCase {
    const char* what;
    DWORD style;
    COLORREF topLeft, topRight, bottomLeft, bottomRight, second; // second: at (1, 1)
};

TEST(Meter, BorderStyles)
{
    const COLORREF s = shadow();
    const BorderCase cases[] = {
        {"sunken", kSunken, s, kWhite, kWhite, kWhite, kLightGrey},
        {"raised", kRaised, kWhite, s, s, s, kLightGrey},
        {"sunken wins over raised", kSunken | kRaised, s, kWhite, kWhite, kWhite, kLightGrey},
        {"black frame", kFrame, kBlack, kBlack, kBlack, kBlack, kLightGrey},
        {"sunken border and frame", kSunken | kFrame, s, kWhite, kWhite, kWhite, kBlack},
        {"raised border and frame", kRaised | kFrame, kWhite, s, s, s, kBlack},
        {"none", 0, kLightGrey, kLightGrey, kLightGrey, kLightGrey, kLightGrey},
        {"none, vertical", kVertical, kLightGrey, kLightGrey, kLightGrey, kLightGrey, kLightGrey},
    };
    for (const BorderCase& c : cases) {
        SCOPED_TRACE(c.what);
        VisibleHost host;
        HWND meter = addMeter(host, c.style);
        const ClientPixels pixels(meter);
        const int right = pixels.width() - 1, bottom = pixels.height() - 1;
        EXPECT_EQ(pixels.at(0, 0), c.topLeft);
        EXPECT_EQ(pixels.at(right, 0), c.topRight);
        EXPECT_EQ(pixels.at(0, bottom), c.bottomLeft);
        EXPECT_EQ(pixels.at(right, bottom), c.bottomRight);
        EXPECT_EQ(pixels.at(1, 1), c.second);
        // The border's edges are whole lines in their colour.
        if (c.style & (kSunken | kRaised)) {
            EXPECT_TRUE(pixels.all({0, 0, 1, bottom}, c.topLeft));
            EXPECT_TRUE(pixels.all({0, 0, right, 1}, c.topLeft));
            EXPECT_TRUE(pixels.all({right, 0, right + 1, bottom + 1}, c.bottomRight));
            EXPECT_TRUE(pixels.all({0, bottom, right + 1, bottom + 1}, c.bottomRight));
        }
    }
}

TEST(Meter, BorderStaysWhenThePositionLeavesTheRange)
{
    for (const LONG position : {LONG{-1000}, LONG{1000}, LONG{INT_MAX}, LONG{INT_MIN}}) {
        SCOPED_TRACE(position);
        VisibleHost host;
        HWND meter = addMeter(host, kSunken | kFrame);
        setMeter(meter, 100, position);
        const ClientPixels pixels(meter);
        const int right = pixels.width() - 1, bottom = pixels.height() - 1;
        EXPECT_TRUE(pixels.all({0, 0, 1, bottom}, shadow()));
        EXPECT_TRUE(pixels.all({right, 0, right + 1, bottom + 1}, kWhite));
        EXPECT_TRUE(pixels.all({1, 1, right, 2}, kBlack)) << "frame, top";
        EXPECT_TRUE(pixels.all({1, bottom - 1, right, bottom}, kBlack)) << "frame, bottom";
    }
}

TEST(Meter, RangeZeroDrawsNothing)
{
    VisibleHost host;
    HWND meter = addMeter(host, kSunken);
    w32ktest::fillClient(meter, kMarker);
    SendMessageA(meter, WM_METERSETRANGE, 0, 0);
    SendMessageA(meter, WM_METERSETPOS, 50, 0);
    w32ktest::settlePaint(meter);
    EXPECT_TRUE(ClientPixels(meter).all({0, 0, kBarLength + 2, kThickness}, kMarker));
    // Not even an erase paints it.
    w32ktest::repaintNow(meter, true);
    EXPECT_TRUE(ClientPixels(meter).all({0, 0, kBarLength + 2, kThickness}, kMarker));
}

TEST(Meter, SettingTheRangeAloneDoesNotRepaint)
{
    VisibleHost host;
    HWND meter = addMeter(host, kSunken);
    setMeter(meter, 100, 50);
    EXPECT_TRUE(ClientPixels(meter).all(firstLine(kSunken, 50).filled, kBlue));

    SendMessageA(meter, WM_METERSETRANGE, 200, 0);
    w32ktest::settlePaint(meter);
    const ClientPixels unchanged(meter);
    EXPECT_TRUE(unchanged.all(firstLine(kSunken, 50).filled, kBlue)) << "still the old 50%";

    SendMessageA(meter, WM_METERSETPOS, 50, 0);
    w32ktest::settlePaint(meter);
    const ClientPixels quarter(meter);
    EXPECT_TRUE(quarter.all(firstLine(kSunken, 25).filled, kBlue));
    EXPECT_TRUE(quarter.all(firstLine(kSunken, 25).unfilled, kLightGrey));

    // The position repaints the whole meter, without erasing first.
    w32ktest::fillClient(meter, kMarker);
    SendMessageA(meter, WM_METERSETPOS, 60, 0);
    w32ktest::settlePaint(meter);
    const ClientPixels repainted(meter);
    EXPECT_EQ(repainted.count(kMarker), 0);
    EXPECT_TRUE(repainted.all(firstLine(kSunken, 30).filled, kBlue));
}

struct MessageCase {
    UINT message;
    WPARAM wParam;
    LRESULT result;
};

TEST(Meter, MessagesStoreTheirValuesInTheWindowExtraData)
{
    VisibleHost host;
    HWND meter = addMeter(host, kSunken);
    const MessageCase steps[] = {
        {WM_METERSETRANGE, 250, 0},
        {WM_METERGETRANGE, 0, 250},
        {WM_METERSETPOS, 75, 0},
        {WM_METERGETPOS, 0, 75},
        {WM_METERSETRANGE, static_cast<DWORD>(-7), 0},
        {WM_METERGETRANGE, 0, -7},
        {WM_METERSETPOS, static_cast<DWORD>(INT_MIN), 0},
        {WM_METERGETPOS, 0, INT_MIN},
        {WM_GETDLGCODE, 0, DLGC_STATIC},
        {WM_ERASEBKGND, 0, 1},
    };
    for (const MessageCase& step : steps) {
        SCOPED_TRACE(step.message);
        EXPECT_EQ(SendMessageA(meter, step.message, step.wParam, 0), step.result);
    }
    // The layout hosts rely on: range first, then position.
    EXPECT_EQ(GetWindowLongA(meter, 0), -7);
    EXPECT_EQ(GetWindowLongA(meter, 4), INT_MIN);
    // The window procedure, called directly through the export.
    EXPECT_EQ(TVOMeterWndFn(meter, WM_METERGETRANGE, 0, 0), -7);
    EXPECT_EQ(GetClassLongPtrA(meter, GCLP_WNDPROC), reinterpret_cast<LONG_PTR>(&TVOMeterWndFn));
}
