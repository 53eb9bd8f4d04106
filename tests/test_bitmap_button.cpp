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

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255), kMarker = RGB(255, 0, 255), kGrey = RGB(128, 128, 128);
constexpr UINT kStretch = W32K_BMPOP_STRETCH, kNoFocus = W32K_BMPOP_NOFOCUS, kMonochrome = W32K_BMPOP_MONOCHROME;
constexpr UINT kColour = 0x0200; // any kind other than monochrome
constexpr int kWidth = 60, kHeight = 40;
const int kBorder = GetSystemMetrics(SM_CXBORDER), kInnerWidth = kWidth - 8 * kBorder,
          kInnerHeight = kHeight - 8 * kBorder;
const RECT kDrawing{4 * kBorder, 4 * kBorder, kWidth - 4 * kBorder, kHeight - 4 * kBorder}; // 4 borders in

// What a plain system button of the same size shows (its face may be themed).
ClientPixels plainButton(VisibleHost& host, DWORD style = 0)
{
    HWND plain = host.add("BUTTON", BS_PUSHBUTTON | style, 100, 60, kWidth, kHeight);
    const ClientPixels pixels(plain);
    DestroyWindow(plain);
    return pixels;
}

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

ClientPixels afterState(HWND button, WPARAM pressed)
{
    SendMessageA(button, BM_SETSTATE, pressed, 0);
    w32ktest::settlePaint(button);
    return ClientPixels(button);
}

ClientPixels afterEnable(HWND button, BOOL enable)
{
    EnableWindow(button, enable);
    w32ktest::settlePaint(button); // as a host does: no forced repaint
    return ClientPixels(button);
}

// Exactly the pixels of `where` have the colour.
void expectExactly(const ClientPixels& pixels, const RECT& where, COLORREF colour = kRed)
{
    EXPECT_EQ(pixels.bounds(colour), where);
    EXPECT_EQ(pixels.count(colour), (where.right - where.left) * (where.bottom - where.top));
}

// A drawing-rectangle-sized bitmap showing kShape in red (or black).
constexpr RECT kShape{10, 8, 20, 16};
bool inShape(int x, int y) { return x >= kShape.left && x < kShape.right && y >= kShape.top && y < kShape.bottom; }
HBITMAP shapeOn(COLORREF background)
{
    const auto colour = [=](int x, int y) { return inShape(x, y) ? kRed : background; };
    return w32ktest::makePatternBitmap(kInnerWidth, kInnerHeight, colour);
}

} // namespace

// Without a bitmap or options: a plain button. Pressed, the bitmap moves with no
// trace; pressing again (as while the mouse moves) or releasing twice changes nothing.
TEST(BitmapButton, PlacesTheBitmapAndShiftsItOnceWhilePressed)
{
    {
        VisibleHost host;
        HWND noOptions = addButton(host, makeSolidBitmap(8, 8, kRed), 0);
        EXPECT_EQ(ClientPixels(noOptions).count(kRed), 0);
        DestroyWindow(noOptions);
        EXPECT_TRUE(ClientPixels(addButton(host, nullptr, kStretch)) == plainButton(host));
    }
    const RECT r = kDrawing;
    const struct { SIZE bitmap; UINT options; RECT released; } cases[] = {
        {{8, 8}, kStretch, r}, {{300, 300}, kColour, r} /* cut */,
        {{10, 6}, kColour, {r.left, r.top, r.left + 10, r.top + 6}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bitmap.cx);
        VisibleHost host;
        HWND button = addButton(host, makeSolidBitmap(c.bitmap.cx, c.bitmap.cy, kRed), c.options);
        expectExactly(ClientPixels(button), c.released);
        const ClientPixels pressed = afterState(button, TRUE);
        RECT shifted = c.released;
        OffsetRect(&shifted, 2 * kBorder, 2 * kBorder);
        expectExactly(pressed, shifted);
        EXPECT_TRUE(afterState(button, 2) == pressed) << "no second shift";
        expectExactly(afterState(button, FALSE), c.released);
        EXPECT_EQ(TavoButtonProc(button, BM_GETSTATE, 0, 0), SendMessageA(button, BM_GETSTATE, 0, 0));
    }
}

// On the drawing rectangle's edge; removed when the focus goes.
TEST(BitmapButton, FocusRectangleFollowsTheFocusUnlessTurnedOff)
{
    const RECT r = kDrawing, topEdge{r.left, r.top, r.right, r.top + 1};
    for (const UINT options : {kStretch, kStretch | kNoFocus}) {
        SCOPED_TRACE(options);
        VisibleHost host;
        HWND button = addButton(host, makeSolidBitmap(8, 8, kRed), options);
        SetFocus(button);
        w32ktest::settlePaint(button);
        EXPECT_EQ(ClientPixels(button).all(topEdge, kRed), options != kStretch);
        SetFocus(host.add("BUTTON", BS_PUSHBUTTON, 100, 10, 60, 40));
        w32ktest::settlePaint(button);
        EXPECT_TRUE(ClientPixels(button).all(topEdge, kRed)) << "no mark left behind";
    }
}

// A grey copy over a white one a pixel down and right; the background (white or the
// face colour, or a monochrome bitmap's white) lets the face show.
TEST(BitmapButton, DisabledWithoutDisabledBitmapShowsItEmbossed)
{
    const struct { HBITMAP bitmap; UINT options; } cases[] = {
        {shapeOn(kWhite), kColour}, {shapeOn(GetSysColor(COLOR_BTNFACE)), kColour},
        {w32ktest::makeMonochromeBitmap(kInnerWidth, kInnerHeight, inShape), kMonochrome | kStretch}};
    const RECT r = kDrawing;
    RECT shape = kShape;
    OffsetRect(&shape, r.left, r.top);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        VisibleHost host;
        HWND button = addButton(host, c.bitmap, c.options);
        const ClientPixels face = plainButton(host);
        if (c.options & kMonochrome) {
            EXPECT_TRUE(ClientPixels(button).all(shape, kBlack));
            EXPECT_EQ(ClientPixels(button).differences(face, {r.left, r.top, shape.left, r.bottom}), 0);
        }
        const ClientPixels pixels = afterEnable(button, FALSE);
        expectExactly(pixels, shape, kGrey);
        EXPECT_EQ(pixels.at(shape.right, shape.bottom), kWhite);
        EXPECT_EQ(pixels.differences(plainButton(host, WS_DISABLED), {r.left, r.top, shape.left, r.bottom}), 0);
    }
}

// One bitmap in both properties is deleted once, a handle that is not a bitmap neither
// drawn nor deleted; drawing (the embossed look makes a mask) leaves no GDI object.
TEST(BitmapButton, ShowsTheDisabledBitmapWhileDisabledAndDeletesItsBitmapsAndLeaksNothing)
{
    struct Handles {
        HGDIOBJ normal = makeSolidBitmap(8, 8, kRed), disabled = makeSolidBitmap(8, 8, kGreen),
                shared = makeSolidBitmap(8, 8, kRed), notABitmap = CreateSolidBrush(kRed);
    };
    const auto showAndDestroy = [](const Handles& h) {
        VisibleHost host;
        HWND first = addButton(host, h.normal, kStretch, h.disabled, WS_DISABLED);
        const ClientPixels created(first);
        EXPECT_EQ(created.bounds(kGreen), kDrawing);
        EXPECT_EQ(created.count(kRed), 0);
        EXPECT_EQ(afterEnable(first, TRUE).bounds(kRed), kDrawing);
        EXPECT_TRUE(afterEnable(first, FALSE) == created);
        addButton(host, h.shared, kStretch, h.shared);
        EXPECT_EQ(ClientPixels(addButton(host, h.notABitmap, kStretch)).count(kRed), 0);
        HWND embossed = addButton(host, shapeOn(kWhite), kStretch);
        afterState(embossed, TRUE), afterState(embossed, FALSE), afterEnable(embossed, FALSE);
    }; // the host's buttons go with it
    const Handles warmUp;
    showAndDestroy(warmUp); // what the system makes once for this
    DeleteObject(warmUp.notABitmap);
    const DWORD objectsBefore = w32ktest::gdiObjectCount();
    const Handles h;
    showAndDestroy(h);
    for (HGDIOBJ object : {h.normal, h.disabled, h.shared, h.notABitmap})
        EXPECT_EQ(w32ktest::gdiObjectAlive(object), object == h.notABitmap);
    DeleteObject(h.notABitmap);
    EXPECT_EQ(w32ktest::gdiObjectCount(), objectsBefore);
}

// The 2-pixel margin is neither painted nor erased; the inside shows the bitmap's top
// left and leaves the rest, or is white without a bitmap.
TEST(StaticBitmapFrame, ShowsTheTopLeftOfItsBitmapAndDeletesItWhenDestroyed)
{
    const auto pattern = [](int x, int y) { return RGB(x * 4, y * 4, 128); };
    const struct { HGDIOBJ property; COLORREF topLeft, middle; bool owned; } cases[] = {
        {nullptr, kWhite, kWhite, false},
        {w32ktest::makePatternBitmap(60, 60, pattern), pattern(0, 0), pattern(20, 15), true},
        {makeSolidBitmap(10, 6, kRed), kRed, kMarker, true}, // smaller than the inside
        {CreateSolidBrush(kRed), kWhite, kWhite, false},      // not a bitmap
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        VisibleHost host;
        HWND frame = host.add("STATIC", SS_LEFT, 20, 20, kWidth, kHeight, 0, "text");
        SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StaticBmpFrameProc));
        if (c.property)
            SetPropA(frame, "SBmp", c.property);
        w32ktest::fillClient(frame, kMarker);
        w32ktest::repaintNow(frame, true);
        const ClientPixels pixels(frame);
        RECT inside{2, 2, kWidth - 2, kHeight - 2};
        EXPECT_EQ(pixels.count(kMarker) - pixels.count(inside, kMarker), 2 * (kWidth + kHeight) * 2 - 16) << "margin";
        EXPECT_EQ(pixels.at(2, 2), c.topLeft);
        EXPECT_EQ(pixels.at(22, 17), c.middle); // the bitmap's (20, 15)
        DestroyWindow(frame);
        EXPECT_EQ(w32ktest::gdiObjectAlive(c.property), c.property && !c.owned);
        if (c.property && !c.owned)
            DeleteObject(c.property);
    }
}
