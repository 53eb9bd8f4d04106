// The spin control as a host places it: steps reported to the parent by
// mouse (with the 150 ms auto-repeat) and keyboard, the pressed look, the
// focus mark around the value window, and the cancel of a press.
#include <gtest/gtest.h>

#include "support/pixels.h"
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
constexpr LONG kNoHalf = 255;            // the active half while none is pressed

// The host window: records every WM_SPINSTEP it receives.
struct Step {
    HWND spin;
    LPARAM half;
    DWORD tick;
};
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

class SpinControl : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA cls{};
        cls.lpfnWndProc = hostProc;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        cls.lpszClassName = "SpinTestHost";
        RegisterClassA(&cls); // fails harmlessly when registered already
        g_host = &host;
        parent = CreateWindowExA(0, "SpinTestHost", "spin host", WS_POPUP | WS_VISIBLE, 100, 100, 240, 120,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
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
        HWND spin = CreateWindowExA(0, W32K_CLASS_SPIN, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | extraStyle, x, y,
                                    horizontal ? kHeight : kWidth, horizontal ? kWidth : kHeight, parent,
                                    reinterpret_cast<HMENU>(kSpinId), nullptr, nullptr);
        UpdateWindow(parent);
        return spin;
    }
    HWND child(int x, int y, int width, int height, int id = 0)
    {
        return CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, x, y, width, height, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    }

    static LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

    // The halves of the steps received since the last call.
    std::vector<LPARAM> takeHalves(DWORD pumpMs = 0)
    {
        pumpMessages(pumpMs);
        std::vector<LPARAM> all;
        for (const auto& s : host.steps)
            all.push_back(s.half);
        host.steps.clear();
        return all;
    }

    Host host;
    HWND parent = nullptr;
};

// --- mouse ---------------------------------------------------------------------

TEST_F(SpinControl, PressSendsOneStepForTheHalfUnderThePointerAtOnce)
{
    const struct {
        DWORD style;
        int x, y;
        LPARAM half;
    } cases[] = {
        {0, 7, 0, 0}, {0, 7, 13, 0}, {0, 7, 14, 1}, {0, 0, 27, 1},  // upper / lower
        {1, 0, 7, 0}, {1, 13, 7, 0}, {1, 14, 7, 1}, {1, 27, 14, 1}, // left / right
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
    const auto held = takeHalves();
    EXPECT_EQ(std::count(held.begin(), held.end(), 0), std::ssize(held)) << "all on the upper half";
    SendMessageA(spin, WM_LBUTTONUP, 0, at(7, 3));
    EXPECT_TRUE(takeHalves(2 * kRepeatMs + 50).empty());
}

TEST_F(SpinControl, DraggingOffPausesTheRepeatAndDraggingBackResumesInTheNewDirection)
{
    HWND spin = createSpin();
    SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at(7, 3));
    EXPECT_GE(takeHalves(kRepeatMs + 30).size(), 2u);
    // Left of the control: the low word is 65531 as an unsigned coordinate.
    SendMessageA(spin, WM_MOUSEMOVE, MK_LBUTTON, at(-5, 3));
    EXPECT_TRUE(takeHalves(3 * kRepeatMs).empty());
    EXPECT_EQ(GetCapture(), spin); // still held
    SendMessageA(spin, WM_MOUSEMOVE, MK_LBUTTON, at(7, 20)); // back, on the lower half
    EXPECT_TRUE(host.steps.empty());                         // a move itself sends nothing
    const auto resumed = takeHalves(2 * kRepeatMs + 30);
    EXPECT_GE(resumed.size(), 1u);
    EXPECT_EQ(std::count(resumed.begin(), resumed.end(), 1), std::ssize(resumed)) << "all on the lower half";
    SendMessageA(spin, WM_LBUTTONUP, 0, at(300, 300)); // released anywhere
    EXPECT_TRUE(takeHalves(2 * kRepeatMs).empty());
}

TEST_F(SpinControl, DoubleClickIsASecondPress)
{
    HWND spin = createSpin();
    SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at(7, 20));
    SendMessageA(spin, WM_LBUTTONUP, 0, at(7, 20));
    SendMessageA(spin, WM_LBUTTONDBLCLK, MK_LBUTTON, at(7, 20));
    SendMessageA(spin, WM_LBUTTONUP, 0, at(7, 20));
    EXPECT_EQ(takeHalves(kRepeatMs + 30), (std::vector<LPARAM>{1, 1}));
}

TEST_F(SpinControl, CancelModeStopsTheRepeatReleasesOnlyItsOwnCaptureAndDoesNotRepaint)
{
    HWND spin = createSpin();
    SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at(7, 3));
    ASSERT_EQ(GetCapture(), spin);
    UpdateWindow(spin);
    EXPECT_EQ(SendMessageA(spin, WM_CANCELMODE, 0, 0), 0);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_FALSE(GetUpdateRect(spin, nullptr, FALSE));
    EXPECT_EQ(GetWindowLongA(spin, 0), 0); // tracking flag
    EXPECT_EQ(GetWindowLongA(spin, 4), kNoHalf);
    takeHalves();
    EXPECT_TRUE(takeHalves(2 * kRepeatMs + 50).empty());
    SendMessageA(spin, WM_MOUSEMOVE, MK_LBUTTON, at(7, 20)); // no longer tracking
    EXPECT_EQ(GetWindowLongA(spin, 4), kNoHalf);

    HWND other = child(100, 10, 20, 20);
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
    EXPECT_EQ(takeHalves(2 * kRepeatMs).size(), 1u);
}

// --- keyboard --------------------------------------------------------------------

// One step posted per key-down, auto-repeated ones too (no timer for keys);
// the half shows pressed until key-up.
TEST_F(SpinControl, ArrowKeysPostOneStepEachInEitherLayout)
{
    const struct {
        WPARAM key;
        LPARAM half;
    } keys[] = {{VK_UP, 0}, {VK_LEFT, 0}, {VK_DOWN, 1}, {VK_RIGHT, 1}};
    for (DWORD style : {0ul, 1ul}) {
        HWND spin = createSpin(style);
        for (const auto& k : keys) {
            SCOPED_TRACE(testing::Message() << "style " << style << " key " << k.key);
            EXPECT_EQ(SendMessageA(spin, WM_KEYDOWN, k.key, 1), 0);
            EXPECT_TRUE(host.steps.empty()); // posted, not sent
            pumpMessages();
            ASSERT_EQ(host.steps.size(), 1u);
            EXPECT_EQ(host.steps[0].spin, spin);
            EXPECT_EQ(takeHalves(), std::vector<LPARAM>{k.half});
            EXPECT_EQ(GetWindowLongA(spin, 4), k.half);
            SendMessageA(spin, WM_KEYUP, k.key, 0xC0000001);
            EXPECT_EQ(GetWindowLongA(spin, 4), kNoHalf);
        }
        DestroyWindow(spin);
    }
    HWND spin = createSpin();
    for (int i = 0; i < 3; ++i)
        SendMessageA(spin, WM_KEYDOWN, VK_DOWN, 0x40000001); // repeat flag set
    EXPECT_EQ(takeHalves(kRepeatMs + 30), (std::vector<LPARAM>{1, 1, 1}));
}

TEST_F(SpinControl, OtherKeysStrayTimersAndMovesWithoutAPressDoNothing)
{
    HWND spin = createSpin();
    for (WPARAM key : {WPARAM{'A'}, WPARAM{VK_SPACE}, WPARAM{VK_RETURN}, WPARAM{VK_TAB}, WPARAM{VK_F1},
                       WPARAM{VK_PRIOR}, WPARAM{VK_HOME}}) {
        EXPECT_EQ(SendMessageA(spin, WM_KEYDOWN, key, 1), 0) << key;
        EXPECT_EQ(GetWindowLongA(spin, 4), kNoHalf) << key;
    }
    SendMessageA(spin, WM_MOUSEMOVE, 0, at(7, 3));
    SendMessageA(spin, WM_TIMER, 100, 0);
    EXPECT_TRUE(takeHalves(kRepeatMs + 30).empty());
    // Called directly through the export.
    EXPECT_EQ(SpinControlProc(spin, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);
    EXPECT_EQ(SpinControlProc(spin, WM_ERASEBKGND, 0, 0), 1);
    SetPropA(spin, "FocHwnd", parent);
    EXPECT_EQ(SpinControlProc(spin, WM_DESTROY, 0, 0), 0);
    EXPECT_EQ(GetPropA(spin, "FocHwnd"), nullptr) << "destroy removes the focus window property";
}

// --- painting ------------------------------------------------------------------------

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
        {0, 0, frame, frame, frame},   // outline
        {5, 14, frame, frame, frame},  // divider
        {7, 5, text, face, text},      // up arrow tip
        {8, 6, text, text, text},      // inside the up arrow, or its moved tip
        {4, 8, text, face, text},      // up arrow corner, moved when pressed
        {11, 9, face, text, face},     // ... to here
        {4, 19, text, text, face},     // down arrow corner
        {11, 20, face, face, text},    // ... moved
        {5, 1, white, shadow, white},  // upper bevel top edge
        {13, 7, shadow, face, shadow}, // upper bevel right edge (raised only)
        {5, 15, white, white, shadow}, // lower bevel top edge
        {5, 26, shadow, shadow, face}, // lower bevel bottom edge (raised only)
    };
    const auto expectProbes = [&](const char* state, COLORREF Probe::*which) {
        UpdateWindow(spin);
        for (const auto& p : probes)
            EXPECT_EQ(w32ktest::clientPixel(spin, p.x, p.y), p.*which) << state << " at " << p.x << "," << p.y;
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

// How many pixels of the one-pixel ring on the edge of `r` differ between two copies.
int ringDifferences(const w32ktest::ClientPixels& a, const w32ktest::ClientPixels& b, RECT r)
{
    return a.differences(b, {r.left, r.top, r.right, r.top + 1}) +
           a.differences(b, {r.left, r.bottom - 1, r.right, r.bottom}) +
           a.differences(b, {r.left, r.top + 1, r.left + 1, r.bottom - 1}) +
           a.differences(b, {r.right - 1, r.top + 1, r.right, r.bottom - 1});
}

// Around the window named by the property, else item 2000 (both 2 pixels
// in), else the control itself (a frame's width out); nothing else changes.
TEST_F(SpinControl, FocusMarkIsDrawnOnGainAndRemovedOnLoss)
{
    enum Target { Property, Item2000, Itself };
    for (Target target : {Property, Item2000, Itself}) {
        SCOPED_TRACE(target);
        HWND spin = createSpin(0, 160, 40);
        HWND frame2000 = target != Itself ? child(20, 20, 60, 24, 2000) : nullptr;
        HWND named = target == Property ? child(20, 60, 90, 30) : nullptr;
        if (named)
            SetPropA(spin, "FocHwnd", named);
        HWND around = named ? named : frame2000 ? frame2000 : spin;
        RECT mark;
        GetWindowRect(around, &mark);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&mark), 2);
        const int grow = around == spin ? GetSystemMetrics(SM_CXFRAME) : -2;
        InflateRect(&mark, grow, grow);
        RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        const w32ktest::ClientPixels before(parent);

        SendMessageA(spin, WM_SETFOCUS, 0, 0);
        const w32ktest::ClientPixels shown(parent);
        const int ring = 2 * (mark.right - mark.left) + 2 * (mark.bottom - mark.top) - 4;
        EXPECT_GE(ringDifferences(before, shown, mark), ring / 3);
        EXPECT_EQ(before.differences(shown, before.rect()), ringDifferences(before, shown, mark))
            << "only the ring changes";
        SendMessageA(spin, WM_KILLFOCUS, 0, 0);
        EXPECT_TRUE(w32ktest::ClientPixels(parent) == before);
        for (HWND window : {spin, frame2000, named})
            if (window)
                DestroyWindow(window);
    }
}

} // namespace
