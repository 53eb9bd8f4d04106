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

// Stretched over the drawing rectangle; pressed, it moves right and down by two borders.
TEST(BitmapButton, StretchesTheBitmapOverTheFaceAndShiftsItWhilePressed)
{
    VisibleHost host;
    HWND button = addButton(host, makeSolidBitmap(8, 8, kRed), kStretch);
    EXPECT_EQ(ClientPixels(button).bounds(kRed), kDrawing);
    setState(button, TRUE);
    RECT shifted = kDrawing;
    OffsetRect(&shifted, 2 * kBorder, 2 * kBorder);
    EXPECT_EQ(ClientPixels(button).bounds(kRed), shifted);
    EXPECT_EQ(TavoButtonProc(button, BM_GETSTATE, 0, 0), SendMessageA(button, BM_GETSTATE, 0, 0));
}

// One bitmap in both properties is deleted once, a handle that is not a bitmap neither
// drawn nor deleted; drawing (the embossed look makes a mask) leaves no GDI object.
TEST(BitmapButton, DeletesItsBitmapsAndLeaksNothing)
{
    struct Handles {
        HGDIOBJ normal = makeSolidBitmap(8, 8, kRed), disabled = makeSolidBitmap(8, 8, kGreen),
                shared = makeSolidBitmap(8, 8, kRed), notABitmap = CreateSolidBrush(kRed),
                embossed = makeSolidBitmap(8, 8, kRed);
    };
    const auto showAndDestroy = [](const Handles& h) {
        VisibleHost host;
        addButton(host, h.normal, kStretch, h.disabled, WS_DISABLED);
        addButton(host, h.shared, kStretch, h.shared);
        EXPECT_EQ(ClientPixels(addButton(host, h.notABitmap, kStretch)).count(kRed), 0);
        HWND embossed = addButton(host, h.embossed, kStretch);
        setState(embossed, TRUE), setState(embossed, FALSE);
        EnableWindow(embossed, FALSE);
        w32ktest::settlePaint(embossed);
    }; // the host's buttons go with it
    const Handles warmUp;
    showAndDestroy(warmUp); // what the system makes once for this
    DeleteObject(warmUp.notABitmap);
    const DWORD objectsBefore = w32ktest::gdiObjectCount();
    const Handles h;
    showAndDestroy(h);
    for (HGDIOBJ object : {h.normal, h.disabled, h.shared, h.notABitmap, h.embossed})
        EXPECT_EQ(w32ktest::gdiObjectAlive(object), object == h.notABitmap);
    DeleteObject(h.notABitmap);
    EXPECT_EQ(w32ktest::gdiObjectCount(), objectsBefore);
}

// The inside shows the bitmap's top left; a handle that is not a bitmap is neither
// drawn nor deleted.
TEST(StaticBitmapFrame, ShowsTheTopLeftOfItsBitmapAndDeletesItWhenDestroyed)
{
    const auto pattern = [](int x, int y) { return RGB(x * 4, y * 4, 128); };
    const struct { HGDIOBJ property; COLORREF topLeft, middle; bool owned; } cases[] = {
        {w32ktest::makePatternBitmap(60, 60, pattern), pattern(0, 0), pattern(20, 15), true},
        {CreateSolidBrush(kRed), kWhite, kWhite, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        VisibleHost host;
        HWND frame = host.add("STATIC", SS_LEFT, 20, 20, kWidth, kHeight, 0, "text");
        SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StaticBmpFrameProc));
        SetPropA(frame, "SBmp", c.property);
        w32ktest::repaintNow(frame, true);
        const ClientPixels pixels(frame);
        EXPECT_EQ(pixels.at(2, 2), c.topLeft);  // inside the 2-pixel margin
        EXPECT_EQ(pixels.at(22, 17), c.middle); // the bitmap's (20, 15)
        DestroyWindow(frame);
        EXPECT_EQ(w32ktest::gdiObjectAlive(c.property), !c.owned);
        if (!c.owned)
            DeleteObject(c.property);
    }
}
