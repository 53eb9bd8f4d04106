// The spin control as a host places it: steps by mouse and keyboard, cancel mode and destruction.
#include <gtest/gtest.h>

#include "support/pixels.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <utility>
#include <vector>

using w32ktest::pumpMessages;

namespace {

constexpr UINT kRepeatMs = 150;
constexpr LONG kNoHalf = 255; // the active half (window long 4) while none is pressed
constexpr LPARAM kKeyUp = 0xC0000001;

std::vector<LPARAM> g_steps; // the halves stepped
HWND g_stepped = nullptr;    // the control that sent the last step
bool g_destroyOnStep = false;
WNDPROC g_hostProc = nullptr;

LRESULT CALLBACK recordStep(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_SPINSTEP)
        return CallWindowProcA(g_hostProc, window, message, wParam, lParam);
    g_steps.push_back(lParam);
    g_stepped = reinterpret_cast<HWND>(wParam);
    if (g_destroyOnStep)
        DestroyWindow(reinterpret_cast<HWND>(wParam));
    return 12345; // ignored by the control
}

// The halves of the steps received since the last call.
std::vector<LPARAM> takeHalves(DWORD pumpMs = 0)
{
    pumpMessages(pumpMs);
    return std::exchange(g_steps, {});
}

// A visible window recording the steps it receives.
struct SpinHost : w32ktest::VisibleHost {
    SpinHost()
    {
        g_steps.clear();
        g_hostProc = WNDPROC(SetWindowLongPtrA(window(), GWLP_WNDPROC, LONG_PTR(recordStep)));
    }
    // 15 x 28, or 28 x 15 with style 1 (horizontal).
    HWND spin(DWORD s = 0, int x = 40) { return add(W32K_CLASS_SPIN, s, x, 30, s ? 28 : 15, s ? 15 : 28); }
};

} // namespace

// A press is sent at once and captures the mouse, a key is posted; each shows its half until released.
TEST(SpinControl, APressOrAnArrowKeyStepsTheParentOnceForItsHalf)
{
    SpinHost host;
    const struct { DWORD style; WPARAM key; int x, y; LPARAM half; } cases[] = {
        {0, 0, 7, 13, 0},  {0, 0, 7, 14, 1},  {1, 0, 13, 7, 0},  {1, 0, 14, 7, 1}, // presses
        {0, VK_UP, 0, 0, 0}, {0, VK_LEFT, 0, 0, 0}, {0, VK_DOWN, 0, 0, 1}, {0, VK_RIGHT, 0, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.style << " key " << c.key << " at " << c.x << ',' << c.y);
        HWND spin = host.spin(c.style);
        const bool press = c.key == 0;
        EXPECT_EQ(press ? SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.x, c.y))
                        : SendMessageA(spin, WM_KEYDOWN, c.key, 1), 0);
        EXPECT_EQ(g_steps.size(), press ? 1u : 0u) << "sent, or posted";
        pumpMessages();
        EXPECT_EQ(g_stepped, spin);
        EXPECT_EQ(takeHalves(), std::vector<LPARAM>{c.half});
        EXPECT_EQ(GetWindowLongA(spin, 4), c.half);
        EXPECT_EQ(GetCapture(), press ? spin : nullptr);
        EXPECT_TRUE(!press || GetFocus() == spin) << "a press takes the focus";
        press ? SendMessageA(spin, WM_LBUTTONUP, 0, MAKELPARAM(c.x, c.y))
              : SendMessageA(spin, WM_KEYUP, c.key, kKeyUp);
        EXPECT_EQ(GetCapture(), nullptr);
        EXPECT_EQ(GetWindowLongA(spin, 4), kNoHalf);
        DestroyWindow(spin);
    }
}

// Off the control (x -5 is 65531 unsigned) the repeat pauses, back on the other half it resumes there;
// a release anywhere stops it.
TEST(SpinControl, HoldingRepeatsEveryPeriodPausedOffTheControl)
{
    SpinHost host;
    HWND spin = host.spin();
    SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(7, 3));
    pumpMessages(3 * kRepeatMs + 60);
    const std::size_t held = g_steps.size();
    EXPECT_GE(held, 3u);
    EXPECT_LE(held, 4u);
    EXPECT_EQ(takeHalves(), std::vector<LPARAM>(held, 0)) << "all on the upper half";
    SendMessageA(spin, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-5, 3));
    EXPECT_TRUE(takeHalves(3 * kRepeatMs).empty());
    EXPECT_EQ(GetCapture(), spin);
    SendMessageA(spin, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(7, 20));
    const auto resumed = takeHalves(2 * kRepeatMs + 30);
    EXPECT_FALSE(resumed.empty());
    EXPECT_EQ(resumed, std::vector<LPARAM>(resumed.size(), 1));
    SendMessageA(spin, WM_LBUTTONUP, 0, MAKELPARAM(300, 300));
    EXPECT_TRUE(takeHalves(2 * kRepeatMs).empty());
}

// Cancel mode: another window's capture kept; destroyed on its first step: no timer left.
// It wants the arrow keys; destroying it removes the focus-mark property.
TEST(SpinControl, CancelModeAndDestructionEndThePress)
{
    SpinHost host;
    HWND spin = host.spin();
    SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(7, 3));
    takeHalves();
    EXPECT_EQ(SendMessageA(spin, WM_CANCELMODE, 0, 0), 0);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_TRUE(takeHalves(2 * kRepeatMs + 50).empty());
    HWND other = host.add("STATIC", 0, 100, 10, 20, 20);
    SetCapture(other);
    SendMessageA(spin, WM_CANCELMODE, 0, 0);
    EXPECT_EQ(GetCapture(), other);
    ReleaseCapture();
    EXPECT_EQ(SpinControlProc(spin, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);

    g_destroyOnStep = true;
    SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(7, 3));
    g_destroyOnStep = false;
    EXPECT_FALSE(IsWindow(spin));
    EXPECT_EQ(takeHalves(2 * kRepeatMs).size(), 1u);

    HWND marked = host.spin();
    SetPropA(marked, "FocHwnd", other);
    EXPECT_EQ(SpinControlProc(marked, WM_DESTROY, 0, 0), 0);
    EXPECT_EQ(GetPropA(marked, "FocHwnd"), nullptr);
    DestroyWindow(marked);
}
