// Spin control (class "CPSPIN_KEY_FOC_32"): two stepping buttons that tell
// the parent about each step with WM_SPINSTEP (by mouse with a 150 ms
// auto-repeat, or by the arrow keys) and mark the keyboard focus around the
// window that shows the value.
#include "controls/spin_core.h"
#include "frame/module.h"
#include "frame/raii.h"
#include "w32korutil1.h"

namespace w32k {

namespace {

using spin::FirstHalf;
using spin::Half;
using spin::NoHalf;
using spin::SecondHalf;

// A half is sent to the parent as the step code of WM_SPINSTEP.
static_assert(FirstHalf == W32K_SPIN_UP && SecondHalf == W32K_SPIN_DOWN);
static_assert(!spin::isHalf(W32K_SPIN_NONE) && !spin::isHalf(NoHalf));

// Window extra bytes: two 32-bit values.
constexpr int kTrackingSlot = 0;   // 1 while a left-button press is followed
constexpr int kActiveHalfSlot = 4; // FirstHalf, SecondHalf or NoHalf

constexpr UINT_PTR kRepeatTimer = 100;
constexpr UINT kRepeatPeriodMs = 150;

constexpr const char* kFocusWindowProperty = "FocHwnd";
constexpr int kFocusFrameId = 2000;  // parent's item the focus mark goes around
constexpr int kFocusFrameInset = 2;  // focus mark inside a neighbouring window

constexpr COLORREF kHighlightColour = RGB(255, 255, 255);

bool tracking(HWND window) noexcept
{
    return GetWindowLongA(window, kTrackingSlot) != 0;
}

void setTracking(HWND window, bool on) noexcept
{
    SetWindowLongA(window, kTrackingSlot, on ? 1 : 0);
}

std::uint32_t activeHalf(HWND window) noexcept
{
    return static_cast<std::uint32_t>(GetWindowLongA(window, kActiveHalfSlot));
}

void setActiveHalf(HWND window, std::uint32_t half) noexcept
{
    SetWindowLongA(window, kActiveHalfSlot, static_cast<LONG>(half));
}

bool horizontalLayout(HWND window) noexcept
{
    return (static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & spin::kHorizontalStyle) != 0;
}

void invalidate(HWND window) noexcept
{
    InvalidateRect(window, nullptr, FALSE);
}

void repaintNow(HWND window) noexcept
{
    invalidate(window);
    UpdateWindow(window);
}

Half hitTest(HWND window, LPARAM point) noexcept
{
    RECT client{};
    GetClientRect(window, &client);
    return spin::hitTest(LOWORD(point), HIWORD(point), client.right, client.bottom,
                         horizontalLayout(window));
}

void sendStep(HWND window, std::uint32_t half) noexcept
{
    SendMessageA(GetParent(window), WM_SPINSTEP, reinterpret_cast<WPARAM>(window), half);
}

// Ends a press: timer, capture (only our own) and state; no repaint.
void cancelPress(HWND window) noexcept
{
    KillTimer(window, kRepeatTimer);
    if (GetCapture() == window)
        ReleaseCapture();
    setActiveHalf(window, NoHalf);
    setTracking(window, false);
}

// --- painting ---------------------------------------------------------------

struct SpinPens {
    Pen frame{CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWFRAME))};
    Pen arrow{CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNTEXT))};
    Pen shadow{CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW))};
    Pen highlight{CreatePen(PS_SOLID, 1, kHighlightColour)};
};

void polyline(HDC dc, std::initializer_list<POINT> points) noexcept
{
    const POINT* p = points.begin();
    MoveToEx(dc, p->x, p->y, nullptr);
    for (++p; p != points.end(); ++p)
        LineTo(dc, p->x, p->y);
}

// Raised or sunken edge of one half; the pen selected before stays selected.
void drawBevel(HDC dc, const spin::Box& b, bool pressed, const SpinPens& pens) noexcept
{
    if (pressed) {
        SelectGuard shadow(dc, pens.shadow);
        polyline(dc, {{b.x1 + 1, b.y2 - 1}, {b.x1 + 1, b.y1 + 1}, {b.x2, b.y1 + 1}});
        return;
    }
    {
        SelectGuard shadow(dc, pens.shadow);
        polyline(dc, {{b.x1 + 1, b.y2 - 1}, {b.x2 - 1, b.y2 - 1}, {b.x2 - 1, b.y1}});
        polyline(dc, {{b.x1 + 2, b.y2 - 2}, {b.x2 - 2, b.y2 - 2}, {b.x2 - 2, b.y1 + 1}});
    }
    SelectGuard highlight(dc, pens.highlight);
    polyline(dc, {{b.x1 + 1, b.y2 - 2}, {b.x1 + 1, b.y1 + 1}, {b.x2 - 1, b.y1 + 1}});
}

void drawArrow(HDC dc, const spin::Triangle& t) noexcept
{
    const POINT points[3] = {{t[0].x, t[0].y}, {t[1].x, t[1].y}, {t[2].x, t[2].y}};
    Polygon(dc, points, 3);
}

// Draws the whole control into dc for a width x height client area.
void drawSpin(HDC dc, int width, int height, bool horizontal, std::uint32_t active) noexcept
{
    const SpinPens pens;
    const Brush face(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
    const Brush arrowBrush(CreateSolidBrush(GetSysColor(COLOR_BTNTEXT)));
    const spin::Halves halves = spin::halfBoxes(width, height, horizontal);
    {
        SelectGuard pen(dc, pens.frame);
        SelectGuard brush(dc, face);
        Rectangle(dc, 0, 0, width, height);
        polyline(dc, {{halves.dividerFrom.x, halves.dividerFrom.y},
                      {halves.dividerTo.x, halves.dividerTo.y}});
        drawBevel(dc, halves.first, active == FirstHalf, pens);
        drawBevel(dc, halves.second, active == SecondHalf, pens);
    }
    const spin::Arrows arrows = spin::arrowTriangles(width, height, horizontal, active);
    SelectGuard pen(dc, pens.arrow);
    SelectGuard brush(dc, arrowBrush);
    drawArrow(dc, arrows.first);
    drawArrow(dc, arrows.second);
}

// --- focus mark ---------------------------------------------------------------

// The window the focus mark goes around: "FocHwnd", else the parent's item
// 2000, else the control itself.
HWND focusTarget(HWND window, HWND parent) noexcept
{
    if (auto named = static_cast<HWND>(GetPropA(window, kFocusWindowProperty)); named && IsWindow(named))
        return named;
    if (HWND frame = GetDlgItem(parent, kFocusFrameId))
        return frame;
    return window;
}

// Draws (or, drawn a second time, removes) the dotted focus mark on the parent.
void toggleFocusMark(HWND window) noexcept
{
    HWND parent = GetParent(window);
    if (!parent)
        return;
    HWND target = focusTarget(window, parent);
    RECT mark{};
    GetWindowRect(target, &mark);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&mark), 2);
    if (target == window) {
        const int grow = GetSystemMetrics(SM_CXFRAME);
        InflateRect(&mark, grow, grow);
    } else {
        InflateRect(&mark, -kFocusFrameInset, -kFocusFrameInset);
    }
    WindowDC dc(parent);
    if (dc)
        DrawFocusRect(dc, &mark);
}

// --- message handlers -----------------------------------------------------------

LRESULT onCreate(HWND window) noexcept
{
    setActiveHalf(window, NoHalf);
    setTracking(window, false);
    return 0;
}

LRESULT onDestroy(HWND window) noexcept
{
    RemovePropA(window, kFocusWindowProperty);
    return 0;
}

LRESULT onPaint(HWND window) noexcept
{
    PaintDC dc(window);
    RECT client{};
    GetClientRect(window, &client);
    drawSpin(dc, client.right, client.bottom, horizontalLayout(window), activeHalf(window));
    return 0;
}

LRESULT onKeyDown(HWND window, WPARAM key) noexcept
{
    const Half selected = spin::halfForKey(static_cast<unsigned>(key));
    if (selected == NoHalf)
        return 0; // swallowed: the control takes no other key
    const bool repaint = activeHalf(window) != selected;
    if (repaint)
        setActiveHalf(window, selected);
    PostMessageA(GetParent(window), WM_SPINSTEP, reinterpret_cast<WPARAM>(window), selected);
    if (repaint)
        repaintNow(window);
    return 0;
}

LRESULT onKeyUp(HWND window) noexcept
{
    setActiveHalf(window, NoHalf);
    repaintNow(window);
    return 0;
}

LRESULT onTimer(HWND window, WPARAM id) noexcept
{
    const std::uint32_t half = activeHalf(window);
    if (id == kRepeatTimer && spin::isHalf(half))
        sendStep(window, half);
    return 0;
}

LRESULT onMouseMove(HWND window, LPARAM point) noexcept
{
    if (!tracking(window))
        return 0;
    const Half hit = hitTest(window, point);
    const std::uint32_t active = activeHalf(window);
    if (hit == NoHalf) {
        if (spin::isHalf(active)) {
            setActiveHalf(window, NoHalf);
            invalidate(window);
        }
    } else if (hit != active) {
        setActiveHalf(window, hit);
        invalidate(window);
    }
    return 0;
}

LRESULT onButtonDown(HWND window, LPARAM point) noexcept
{
    SetFocus(window);
    SetCapture(window);
    const Half hit = hitTest(window, point);
    setActiveHalf(window, hit);
    setTracking(window, true);
    repaintNow(window);
    sendStep(window, hit);
    // The parent may have destroyed the control while handling the step.
    if (IsWindow(window) && tracking(window))
        SetTimer(window, kRepeatTimer, kRepeatPeriodMs, nullptr);
    return 0;
}

LRESULT onButtonUp(HWND window) noexcept
{
    cancelPress(window);
    repaintNow(window);
    return 0;
}

} // namespace

} // namespace w32k

extern "C" LRESULT WINAPI SpinControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    using namespace w32k;
    switch (message) {
    case WM_CREATE:
        return onCreate(window);
    case WM_DESTROY:
        return onDestroy(window);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        toggleFocusMark(window);
        return 0;
    case WM_PAINT:
        return onPaint(window);
    case WM_ERASEBKGND:
        return 1; // painting covers the whole client area
    case WM_CANCELMODE:
        cancelPress(window);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_KEYDOWN:
        return onKeyDown(window, wParam);
    case WM_KEYUP:
        return onKeyUp(window);
    case WM_TIMER:
        return onTimer(window, wParam);
    case WM_MOUSEMOVE:
        return onMouseMove(window, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        return onButtonDown(window, lParam);
    case WM_LBUTTONUP:
        return onButtonUp(window);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
