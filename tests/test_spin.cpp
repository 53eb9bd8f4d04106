// The spin control as a host places it: steps reported to the parent by
// mouse (with the 150 ms auto-repeat) and keyboard, the pressed look, the
// focus mark around the value window, and the cancel of a press.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "w32korutil1.h"

#include <algorithm>
#include <functional>
#include <vector>

using w32ktest::pumpMessages;

namespace {

constexpr int kSpinId = 801;
constexpr int kWidth = 15, kHeight = 28; // vertical layout; horizontal swaps them
constexpr UINT kRepeatMs = 150;

struct Step {
    HWND spin;
    LPARAM half;
    DWORD tick;
};

// The host window: records every WM_SPINSTEP it receives.
struct Host {
    std::vector<Step> steps;
    std::function<void(HWND spin)> onStep; // optional reaction to a step
};
Host* g_host = nullptr;

LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SPINSTEP && g_host) {
        const auto spin = reinterpret_cast<HWND>(wParam);
        g_host->steps.push_back({spin, lParam, GetTickCount()});
        if (g_host->onStep)
            g_host->onStep(spin);
        return 12345; // ignored by the control
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

const char* hostClass()
{
    static const char* name = [] {
        WNDCLASSA cls{};
        cls.lpfnWndProc = hostProc;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        cls.lpszClassName = "SpinTestHost";
        RegisterClassA(&cls);
        return "SpinTestHost";
    }();
    return name;
}

class SpinControl : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_host = &host;
        parent = CreateWindowExA(0, hostClass(), "spin host", WS_POPUP | WS_VISIBLE, 100, 100, 240,
                                 120, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parent, nullptr);
    }
    void TearDown() override
    {
        if (GetCapture())
            ReleaseCapture();
        DestroyWindow(parent);
        pumpMessages();
        g_host = nullptr;
    }

    HWND createSpin(DWORD extraStyle = 0, int x = 40, int y = 30)
    {
        const bool horizontal = (extraStyle & 1) != 0;
        HWND spin = CreateWindowExA(0, W32K_CLASS_SPIN, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | extraStyle,
                                    x, y, horizontal ? kHeight : kWidth, horizontal ? kWidth : kHeight,
                                    parent, reinterpret_cast<HMENU>(kSpinId), nullptr, nullptr);
        UpdateWindow(parent);
        return spin;
    }

    static LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

    std::vector<LPARAM> halves() const
    {
        std::vector<LPARAM> all;
        for (const auto& s : host.steps)
            all.push_back(s.half);
        return all;
    }

    Host host;
    HWND parent = nullptr;
};

// --- mouse ---------------------------------------------------------------------

struct PressCase {
    DWORD style;
    int x, y;
    LPARAM half;
};

TEST_F(SpinControl, PressSendsOneStepForTheHalfUnderThePointerAtOnce)
{
    const PressCase cases[] = {
        {0, 7, 0, 0},  {0, 7, 13, 0}, {0, 7, 14, 1}, {0, 0, 27, 1}, // upper / lower
        {1, 0, 7, 0},  {1, 13, 7, 0}, {1, 14, 7, 1}, {1, 27, 14, 1}, // left / right
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "style " << c.style << " at " << c.x << "," << c.y);
        HWND spin = createSpin(c.style);
        host.steps.clear();
        SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at(c.x, c.y));
        ASSERT_EQ(host.steps.size(), 1u); // sent, not posted: there before any pumping
        EXPECT_EQ(host.steps[0].spin, spin);
        EXPECT_EQ(host.steps[0].half, c.half);
        EXPECT_EQ(GetCapture(), spin);
        EXPECT_EQ(GetFocus(), spin);
        SendMessageA(spin, WM_LBUTTONUP, 0, at(c.x, c.y));
        EXPECT_EQ(GetCapture(), nullptr);
        DestroyWindow(spin);
    }
}

TEST_F(SpinControl, HoldingRepeatsEveryPeriodAndReleaseStops)
{
    HWND spin = createSpin();
    SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at(7, 3));
    pumpMessages(3 * kRepeatMs + 60);
    ASSERT_GE(host.steps.size(), 3u);
    EXPECT_LE(host.steps.size(), 4u);
    for (std::size_t i = 1; i < host.steps.size(); ++i) {
        const DWORD gap = host.steps[i].tick - host.steps[i - 1].tick;
        EXPECT_GE(gap, kRepeatMs - 20) << "step " << i;
        EXPECT_LE(gap, kRepeatMs + 60) << "step " << i;
    }
    EXPECT_EQ(halves(), std::vector<LPARAM>(host.steps.size(), 0));

    SendMessageA(spin, WM_LBUTTONUP, 0, at(7, 3));
    host.steps.clear();
    pumpMessages(2 * kRepeatMs + 50);
    EXPECT_TRUE(host.steps.empty());
}

TEST_F(SpinControl, DraggingOffPausesTheRepeatAndDraggingBackResumesInTheNewDirection)
{
    HWND spin = createSpin();
    SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at(7, 3));
    pumpMessages(kRepeatMs + 30);
    ASSERT_GE(host.steps.size(), 2u);

    // Left of the control: the low word is 65531 as an unsigned coordinate.
    SendMessageA(spin, WM_MOUSEMOVE, MK_LBUTTON, at(-5, 3));
    host.steps.clear();
    pumpMessages(3 * kRepeatMs);
    EXPECT_TRUE(host.steps.empty());
    EXPECT_EQ(GetCapture(), spin); // still held

    SendMessageA(spin, WM_MOUSEMOVE, MK_LBUTTON, at(7, 20)); // back, on the lower half
    EXPECT_TRUE(host.steps.empty());                         // a move itself sends nothing
    pumpMessages(2 * kRepeatMs + 30);
    EXPECT_GE(host.steps.size(), 1u);
    EXPECT_EQ(halves(), std::vector<LPARAM>(host.steps.size(), 1));

    SendMessageA(spin, WM_LBUTTONUP, 0, at(300, 300)); // released anywhere
    host.steps.clear();
    pumpMessages(2 * kRepeatMs);
    EXPECT_TRUE(host.steps.empty());
}

TEST_F(SpinControl, MovesWithoutAPressAreIgnored)
{
    HWND spin = createSpin();
    SendMessageA(spin, WM_MOUSEMOVE, 0, at(7, 3));
    SendMessageA(spin, WM_TIMER, 100, 0);
    pumpMessages(kRepeatMs + 30);
    EXPECT_TRUE(host.steps.empty());
}

TEST_F(SpinControl, DoubleClickIsASecondPress)
{
    HWND spin = createSpin();
    SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at(7, 20));
    SendMessageA(spin, WM_LBUTTONUP, 0, at(7, 20));
    SendMessageA(spin, WM_LBUTTONDBLCLK, MK_LBUTTON, at(7, 20));
    SendMessageA(spin, WM_LBUTTONUP, 0, at(7, 20));
    pumpMessages(kRepeatMs + 30);
    EXPECT_EQ(halves(), (std::vector<LPARAM>{1, 1}));
}

TEST_F(SpinControl, CancelModeStopsTheRepeatReleasesTheCaptureAndDoesNotRepaint)
{
    HWND spin = createSpin();
    SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at(7, 3));
    ASSERT_EQ(GetCapture(), spin);
    UpdateWindow(spin);
    EXPECT_EQ(SendMessageA(spin, WM_CANCELMODE, 0, 0), 0);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_FALSE(GetUpdateRect(spin, nullptr, FALSE));
    EXPECT_EQ(GetWindowLongA(spin, 0), 0);   // tracking flag
    EXPECT_EQ(GetWindowLongA(spin, 4), 255); // active half: none
    host.steps.clear();
    pumpMessages(2 * kRepeatMs + 50);
    EXPECT_TRUE(host.steps.empty());
    SendMessageA(spin, WM_MOUSEMOVE, MK_LBUTTON, at(7, 20)); // no longer tracking
    EXPECT_EQ(GetWindowLongA(spin, 4), 255);
}

TEST_F(SpinControl, CancelModeLeavesAnotherWindowsCaptureAlone)
{
    HWND spin = createSpin();
    HWND other = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 100, 10, 20, 20, parent,
                                 nullptr, nullptr, nullptr);
    SetCapture(other);
    SendMessageA(spin, WM_CANCELMODE, 0, 0);
    EXPECT_EQ(GetCapture(), other);
    ReleaseCapture();
}

TEST_F(SpinControl, ParentDestroyingTheControlOnTheFirstStepLeavesNoTimerBehind)
{
    HWND spin = createSpin();
    host.onStep = [](HWND s) { DestroyWindow(s); };
    SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at(7, 3));
    EXPECT_FALSE(IsWindow(spin));
    host.onStep = nullptr;
    pumpMessages(2 * kRepeatMs);
    EXPECT_EQ(host.steps.size(), 1u);
}

// --- keyboard --------------------------------------------------------------------

TEST_F(SpinControl, ArrowKeysPostOneStepEachInEitherLayout)
{
    struct KeyCase {
        WPARAM key;
        LPARAM half;
    };
    const KeyCase keys[] = {{VK_UP, 0}, {VK_LEFT, 0}, {VK_DOWN, 1}, {VK_RIGHT, 1}};
    for (DWORD style : {0ul, 1ul}) {
        HWND spin = createSpin(style);
        for (const auto& k : keys) {
            SCOPED_TRACE(testing::Message() << "style " << style << " key " << k.key);
            host.steps.clear();
            EXPECT_EQ(SendMessageA(spin, WM_KEYDOWN, k.key, 1), 0);
            EXPECT_TRUE(host.steps.empty()); // posted, not sent
            pumpMessages();
            ASSERT_EQ(host.steps.size(), 1u);
            EXPECT_EQ(host.steps[0].spin, spin);
            EXPECT_EQ(host.steps[0].half, k.half);
            EXPECT_EQ(GetWindowLongA(spin, 4), k.half); // shown pressed until key-up
            SendMessageA(spin, WM_KEYUP, k.key, 0xC0000001);
            EXPECT_EQ(GetWindowLongA(spin, 4), 255);
        }
        DestroyWindow(spin);
    }
}

TEST_F(SpinControl, KeyboardRepeatGivesOneStepPerKeyDown)
{
    HWND spin = createSpin();
    for (int i = 0; i < 3; ++i)
        SendMessageA(spin, WM_KEYDOWN, VK_DOWN, 0x40000001); // repeat flag set
    pumpMessages(kRepeatMs + 30); // no timer for keys: nothing beyond the three
    EXPECT_EQ(halves(), (std::vector<LPARAM>{1, 1, 1}));
}

TEST_F(SpinControl, OtherKeysAreSwallowed)
{
    HWND spin = createSpin();
    for (WPARAM key : {WPARAM{'A'}, WPARAM{VK_SPACE}, WPARAM{VK_RETURN}, WPARAM{VK_TAB},
                       WPARAM{VK_F1}, WPARAM{VK_PRIOR}, WPARAM{VK_HOME}}) {
        EXPECT_EQ(SendMessageA(spin, WM_KEYDOWN, key, 1), 0) << key;
        EXPECT_EQ(GetWindowLongA(spin, 4), 255) << key;
    }
    pumpMessages();
    EXPECT_TRUE(host.steps.empty());
}

TEST_F(SpinControl, AsksTheDialogManagerForTheArrowKeysOnly)
{
    HWND spin = createSpin();
    EXPECT_EQ(SpinControlProc(spin, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);
    EXPECT_EQ(SpinControlProc(spin, WM_ERASEBKGND, 0, 0), 1);
}

TEST_F(SpinControl, DestroyRemovesTheFocusWindowProperty)
{
    HWND spin = createSpin();
    SetPropA(spin, "FocHwnd", parent);
    EXPECT_EQ(SpinControlProc(spin, WM_DESTROY, 0, 0), 0);
    EXPECT_EQ(GetPropA(spin, "FocHwnd"), nullptr);
}

// --- painting ------------------------------------------------------------------------

COLORREF pixel(HWND window, int x, int y)
{
    GdiFlush();
    HDC dc = GetDC(window);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return c;
}

TEST_F(SpinControl, PressedHalfIsDrawnSunkenWithItsArrowMovedByOnePixel)
{
    HWND spin = createSpin();
    const COLORREF face = GetSysColor(COLOR_BTNFACE), text = GetSysColor(COLOR_BTNTEXT),
                   shadow = GetSysColor(COLOR_BTNSHADOW), frame = GetSysColor(COLOR_WINDOWFRAME),
                   white = RGB(255, 255, 255);
    struct Probe {
        int x, y;
        COLORREF idle, upperPressed, lowerPressed;
    };
    // 15 x 28: halves split at y 14; up arrow (7,5) (4,8) (10,8), down arrow (7,22) (4,19) (10,19).
    const Probe probes[] = {
        {0, 0, frame, frame, frame},      // outline
        {5, 14, frame, frame, frame},     // divider
        {7, 5, text, face, text},         // up arrow tip
        {8, 6, text, text, text},         // inside the up arrow, or its moved tip
        {4, 8, text, face, text},         // up arrow corner, moved when pressed
        {11, 9, face, text, face},        // ... to here
        {4, 19, text, text, face},        // down arrow corner
        {11, 20, face, face, text},       // ... moved
        {5, 1, white, shadow, white},     // upper bevel top edge
        {13, 7, shadow, face, shadow},    // upper bevel right edge (raised only)
        {5, 15, white, white, shadow},    // lower bevel top edge
        {5, 26, shadow, shadow, face},    // lower bevel bottom edge (raised only)
    };
    auto expectProbes = [&](const char* state, COLORREF Probe::*which) {
        UpdateWindow(spin);
        for (const auto& p : probes)
            EXPECT_EQ(pixel(spin, p.x, p.y), p.*which) << state << " at " << p.x << "," << p.y;
    };
    expectProbes("idle", &Probe::idle);
    SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at(7, 3));
    expectProbes("upper pressed", &Probe::upperPressed);
    SendMessageA(spin, WM_MOUSEMOVE, MK_LBUTTON, at(7, 20));
    expectProbes("slid to the lower half", &Probe::lowerPressed);
    SendMessageA(spin, WM_MOUSEMOVE, MK_LBUTTON, at(7, 40));
    expectProbes("dragged off", &Probe::idle);
    SendMessageA(spin, WM_LBUTTONUP, 0, at(7, 40));
    expectProbes("released", &Probe::idle);
    SendMessageA(spin, WM_KEYDOWN, VK_DOWN, 1);
    expectProbes("down key held", &Probe::lowerPressed);
    SendMessageA(spin, WM_KEYUP, VK_DOWN, 0xC0000001);
    expectProbes("key released", &Probe::idle);
}

// --- focus mark ----------------------------------------------------------------------

std::vector<COLORREF> ring(HWND window, RECT r)
{
    GdiFlush();
    HDC dc = GetDC(window);
    std::vector<COLORREF> pixels;
    for (int x = r.left; x < r.right; ++x) {
        pixels.push_back(GetPixel(dc, x, r.top));
        pixels.push_back(GetPixel(dc, x, r.bottom - 1));
    }
    for (int y = r.top + 1; y < r.bottom - 1; ++y) {
        pixels.push_back(GetPixel(dc, r.left, y));
        pixels.push_back(GetPixel(dc, r.right - 1, y));
    }
    ReleaseDC(window, dc);
    return pixels;
}

std::size_t differing(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b)
{
    std::size_t n = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        n += a[i] != b[i];
    return n;
}

RECT childRect(HWND parent, HWND child)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST_F(SpinControl, FocusMarkIsDrawnOnGainAndRemovedOnLoss)
{
    enum Target { Property, Item2000, Itself };
    for (Target target : {Property, Item2000, Itself}) {
        SCOPED_TRACE(target);
        HWND spin = createSpin(0, 160, 40);
        HWND frame2000 = nullptr, named = nullptr;
        if (target != Itself)
            frame2000 = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 20, 20, 60, 24, parent,
                                        reinterpret_cast<HMENU>(2000), nullptr, nullptr);
        if (target == Property) {
            named = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 20, 60, 90, 30, parent,
                                    nullptr, nullptr, nullptr);
            SetPropA(spin, "FocHwnd", named);
        }
        RECT mark;
        if (target == Itself) {
            mark = childRect(parent, spin);
            const int grow = GetSystemMetrics(SM_CXFRAME);
            InflateRect(&mark, grow, grow);
        } else {
            mark = childRect(parent, target == Property ? named : frame2000);
            InflateRect(&mark, -2, -2);
        }
        RECT outside = mark;
        InflateRect(&outside, 1, 1);
        RECT inside = mark;
        InflateRect(&inside, -1, -1);
        RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        const auto before = ring(parent, mark);
        const auto beforeOutside = ring(parent, outside);
        const auto beforeInside = ring(parent, inside);

        SendMessageA(spin, WM_SETFOCUS, 0, 0);
        const auto shown = ring(parent, mark);
        EXPECT_GE(differing(before, shown), before.size() / 3);
        EXPECT_EQ(differing(beforeOutside, ring(parent, outside)), 0u);
        EXPECT_EQ(differing(beforeInside, ring(parent, inside)), 0u);

        SendMessageA(spin, WM_KILLFOCUS, 0, 0);
        EXPECT_EQ(differing(before, ring(parent, mark)), 0u);

        DestroyWindow(spin);
        if (frame2000)
            DestroyWindow(frame2000);
        if (named)
            DestroyWindow(named);
    }
}

} // namespace
