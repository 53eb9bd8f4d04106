// The bitmap push-button and the static bitmap frame as a host uses them:
// bitmaps handed over by window property, read back from visible windows.
#include <gtest/gtest.h>

#include "support/pixels.h"
#include "support/test_support.h"
#include "w32korutil1.h"

using w32ktest::ClientPixels;
using w32ktest::VisibleHost;
using w32ktest::makeSolidBitmap;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kWhite = RGB(255, 255, 255);
constexpr UINT kStretch = W32K_BMPOP_STRETCH;
constexpr int kWidth = 60, kHeight = 40;
const int kBorder = GetSystemMetrics(SM_CXBORDER);
const RECT kDrawing{4 * kBorder, 4 * kBorder, kWidth - 4 * kBorder, kHeight - 4 * kBorder}; // 4 borders in

// The bitmaps belong to the button from then on.
HWND addButton(VisibleHost& host, HANDLE normal, UINT options, HANDLE disabled = nullptr, DWORD style = 0)
{
    HWND button = host.add(W32K_CLASS_BITMAP_BUTTON, BS_PUSHBUTTON | style, 10, 10, kWidth, kHeight, 101);
    const std::pair<const char*, HANDLE> properties[] = {
        {"BBmp", normal}, {"BBmpD", disabled}, {"BmpOp", reinterpret_cast<HANDLE>(UINT_PTR{options})}};
    for (const auto& [name, value] : properties)
        if (value)
            SetPropA(button, name, value);
    w32ktest::repaintNow(button);
    return button;
}

void setState(HWND button, WPARAM pressed)
{
    SendMessageA(button, BM_SETSTATE, pressed, 0);
    w32ktest::settlePaint(button);
}

} // namespace

// The button stretches its bitmap over the drawing rectangle and moves it right and down
// by two borders while pressed; the static frame shows its bitmap's top left inside a
// 2-pixel margin. One bitmap in both properties is deleted once, a handle that is not a
// bitmap neither drawn nor deleted; drawing (the embossed look makes a mask) leaves no
// GDI object.
TEST(BitmapControls, ShowTheirBitmapsDeleteThemAndLeakNothing)
{
    const auto pattern = [](int x, int y) { return RGB(x * 4, y * 4, 128); };
    struct Handles {
        HGDIOBJ normal = makeSolidBitmap(8, 8, kRed), disabled = makeSolidBitmap(8, 8, kGreen),
                shared = makeSolidBitmap(8, 8, kRed), notABitmap = CreateSolidBrush(kRed),
                shown = makeSolidBitmap(8, 8, kRed), framed;
    };
    const auto showAndDestroy = [&](const Handles& h) {
        VisibleHost host;
        addButton(host, h.normal, kStretch, h.disabled, WS_DISABLED);
        addButton(host, h.shared, kStretch, h.shared);
        EXPECT_EQ(ClientPixels(addButton(host, h.notABitmap, kStretch)).count(kRed), 0);
        HWND button = addButton(host, h.shown, kStretch);
        EXPECT_EQ(ClientPixels(button).bounds(kRed), kDrawing);
        setState(button, TRUE);
        RECT shifted = kDrawing;
        OffsetRect(&shifted, 2 * kBorder, 2 * kBorder);
        EXPECT_EQ(ClientPixels(button).bounds(kRed), shifted);
        EXPECT_EQ(TavoButtonProc(button, BM_GETSTATE, 0, 0), SendMessageA(button, BM_GETSTATE, 0, 0));
        setState(button, FALSE);
        EnableWindow(button, FALSE); // embossed
        w32ktest::settlePaint(button);
        for (HGDIOBJ property : {h.framed, h.notABitmap}) {
            HWND frame = host.add("STATIC", SS_LEFT, 80, 10, kWidth, kHeight, 0, "text");
            SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StaticBmpFrameProc));
            SetPropA(frame, "SBmp", property);
            w32ktest::repaintNow(frame, true);
            EXPECT_EQ(ClientPixels(frame).at(22, 17), property == h.framed ? pattern(20, 15) : kWhite);
        }
    }; // the host's controls go with it
    const Handles warmUp{.framed = w32ktest::makePatternBitmap(60, 60, pattern)};
    showAndDestroy(warmUp); // what the system makes once for this
    DeleteObject(warmUp.notABitmap);
    const DWORD objectsBefore = w32ktest::gdiObjectCount();
    const Handles h{.framed = w32ktest::makePatternBitmap(60, 60, pattern)};
    showAndDestroy(h);
    for (HGDIOBJ object : {h.normal, h.disabled, h.shared, h.notABitmap, h.shown, h.framed})
        EXPECT_EQ(w32ktest::gdiObjectAlive(object), object == h.notABitmap);
    DeleteObject(h.notABitmap);
    EXPECT_EQ(w32ktest::gdiObjectCount(), objectsBefore);
}
