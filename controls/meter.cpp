// Percentage meter (class "xMeter_32"): a passive bar that shows how far a
// position has come within a range, with the percentage centred on it. The
// text is drawn twice, clipped to the filled and to the unfilled part, so the
// digits change colour where the bar ends.
#include "controls/meter_core.h"
#include "frame/raii.h"
#include "w32korutil1.h"

#include <string>

namespace {

// Window extra data: two signed 32-bit values.
constexpr int kRangeSlot = 0;
constexpr int kPositionSlot = 4;
constexpr LONG kInitialRange = 100;
constexpr LONG kInitialPosition = 0;

// Style bits meaningful to this class.
constexpr LONG kStyleFrame = W32K_METER_FRAME;
constexpr LONG kStyleSunken = W32K_METER_SUNKEN;
constexpr LONG kStyleRaised = W32K_METER_RAISED;
constexpr LONG kStyleVertical = W32K_METER_VERTICAL;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBarColour = RGB(0, 0, 255);
constexpr COLORREF kTrackColour = RGB(192, 192, 192);

constexpr UINT kOpaqueClipped = ETO_OPAQUE | ETO_CLIPPED;

struct MeterValues {
    LONG range;
    LONG position;
};

MeterValues readValues(HWND window) noexcept
{
    return {GetWindowLongA(window, kRangeSlot), GetWindowLongA(window, kPositionSlot)};
}

// The messages carry 32-bit numbers; wider WPARAMs keep their low 32 bits.
LONG wparamValue(WPARAM wParam) noexcept
{
    return static_cast<LONG>(static_cast<DWORD>(wParam));
}

// Fills a rectangle with a colour the way the meter draws everything: an
// opaque, clipped ExtTextOutA.
void fillRect(HDC dc, const RECT& r, COLORREF colour) noexcept
{
    SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, kOpaqueClipped, &r, nullptr, 0, nullptr);
}

// The one-pixel border: first colour on the left and top, second on the
// right and bottom. Returns the rectangle inside it.
RECT drawBorder(HDC dc, RECT r, LONG style) noexcept
{
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const bool sunken = (style & kStyleSunken) != 0;
    const COLORREF first = sunken ? shadow : kWhite;
    const COLORREF second = sunken ? kWhite : shadow;
    fillRect(dc, {r.left, r.top, r.left + 1, r.bottom}, first);
    fillRect(dc, {r.left, r.top, r.right, r.top + 1}, first);
    fillRect(dc, {r.right - 1, r.top, r.right, r.bottom}, second);
    fillRect(dc, {r.left, r.bottom - 1, r.right, r.bottom}, second);
    InflateRect(&r, -1, -1);
    return r;
}

RECT drawFrame(HDC dc, RECT r) noexcept
{
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    InflateRect(&r, -1, -1);
    return r;
}

struct BarParts {
    RECT filled;
    RECT unfilled;
};

// Splits the inner rectangle at the end of the bar, which always lies
// inside it.
BarParts splitBar(const RECT& inner, std::int64_t percent, bool vertical) noexcept
{
    BarParts parts{inner, inner};
    if (vertical) {
        const int length = w32k::meter::filledLength(inner.bottom - inner.top, percent);
        parts.filled.top = inner.bottom - length;
        parts.unfilled.bottom = parts.filled.top;
    } else {
        const int length = w32k::meter::filledLength(inner.right - inner.left, percent);
        parts.filled.right = inner.left + length;
        parts.unfilled.left = parts.filled.right;
    }
    return parts;
}

// Draws the text at `at`, clipped to `part`, over an opaque background.
void drawTextPart(HDC dc, POINT at, const RECT& part, const std::string& text, COLORREF background,
                  COLORREF foreground) noexcept
{
    SetBkColor(dc, background);
    SetTextColor(dc, foreground);
    ExtTextOutA(dc, at.x, at.y, kOpaqueClipped, &part, text.data(), static_cast<UINT>(text.size()),
                nullptr);
}

// Paints the whole meter into dc. With a range of 0 nothing is drawn.
void drawMeter(HDC dc, RECT r, LONG style, MeterValues values)
{
    if (values.range == 0)
        return;
    if (style & (kStyleSunken | kStyleRaised))
        r = drawBorder(dc, r, style);
    if (style & kStyleFrame)
        r = drawFrame(dc, r);

    const std::int64_t percent = w32k::meter::percentOf(values.position, values.range);
    const std::string text = w32k::meter::percentText(percent);
    SIZE extent{};
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &extent);
    const POINT at{r.left + w32k::meter::centredOffset(r.right - r.left, extent.cx),
                   r.top + w32k::meter::centredOffset(r.bottom - r.top, extent.cy)};

    const BarParts parts = splitBar(r, percent, (style & kStyleVertical) != 0);
    drawTextPart(dc, at, parts.filled, text, kBarColour, kTrackColour);
    drawTextPart(dc, at, parts.unfilled, text, kTrackColour, kBarColour);
}

LRESULT onCreate(HWND window) noexcept
{
    SetWindowLongA(window, kRangeSlot, kInitialRange);
    SetWindowLongA(window, kPositionSlot, kInitialPosition);
    return 0;
}

LRESULT onPaint(HWND window) noexcept
{
    w32k::PaintDC dc(window);
    RECT client{};
    GetClientRect(window, &client);
    try {
        drawMeter(dc, client, GetWindowLongA(window, GWL_STYLE), readValues(window));
    } catch (...) {
        // No memory for the text: the meter stays as it was.
    }
    return 0;
}

LRESULT onSetRange(HWND window, WPARAM wParam) noexcept
{
    SetWindowLongA(window, kRangeSlot, wparamValue(wParam));
    return 0;
}

LRESULT onSetPosition(HWND window, WPARAM wParam) noexcept
{
    SetWindowLongA(window, kPositionSlot, wparamValue(wParam));
    InvalidateRect(window, nullptr, FALSE);
    return 0;
}

} // namespace

extern "C" LRESULT WINAPI TVOMeterWndFn(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_METERSETRANGE:
        return onSetRange(window, wParam);
    case WM_METERGETRANGE:
        return GetWindowLongA(window, kRangeSlot);
    case WM_METERSETPOS:
        return onSetPosition(window, wParam);
    case WM_METERGETPOS:
        return GetWindowLongA(window, kPositionSlot);
    case WM_CREATE:
        return onCreate(window);
    case WM_DESTROY:
        return 0;
    case WM_PAINT:
        return onPaint(window);
    case WM_ERASEBKGND:
        return 1;
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
