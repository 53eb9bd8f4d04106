// The bitmap push-button and the static bitmap frame as a host uses them:
// bitmaps handed over by window property, drawn over a real button face,
// read back from visible windows.
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

RECT shifted(RECT r, int by)
{
    OffsetRect(&r, by, by);
    return r;
}

// The client area 4 borders in; pressed, 2 borders further right and down.
const int kBorder = GetSystemMetrics(SM_CXBORDER), kDrawingWidth = kWidth - 8 * kBorder;
RECT drawingRect(bool pressed = false)
{
    return shifted({4 * kBorder, 4 * kBorder, kWidth - 4 * kBorder, kHeight - 4 * kBorder}, pressed ? 2 * kBorder : 0);
}

// What a plain system button of the same size shows (its face may be themed).
ClientPixels plainButton(VisibleHost& host, DWORD style = 0)
{
    HWND plain = host.add("BUTTON", BS_PUSHBUTTON | style, 100, 60, kWidth, kHeight);
    const ClientPixels pixels(plain);
    DestroyWindow(plain);
    return pixels;
}

// The bitmaps belong to the button from then on.
HWND addButton(VisibleHost& host, HANDLE normal, UINT options, HBITMAP disabled = nullptr, DWORD style = 0)
{
    HWND button = host.add(W32K_CLASS_BITMAP_BUTTON, BS_PUSHBUTTON | style, 10, 10, kWidth, kHeight, 101);
    if (normal)
        SetPropA(button, "BBmp", normal);
    if (disabled)
        SetPropA(button, "BBmpD", disabled);
    if (options)
        SetPropA(button, "BmpOp", reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(options)));
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
    w32ktest::repaintNow(button);
    return ClientPixels(button);
}

// Exactly the pixels of `where` are red.
void expectRedExactly(const ClientPixels& pixels, const RECT& where)
{
    EXPECT_EQ(pixels.bounds(kRed), where);
    EXPECT_EQ(pixels.count(kRed), (where.right - where.left) * (where.bottom - where.top));
}

// A drawing-rectangle-sized bitmap showing kShape in red (or black).
constexpr RECT kShape{10, 8, 20, 16};
bool inShape(int x, int y) { return x >= kShape.left && x < kShape.right && y >= kShape.top && y < kShape.bottom; }
HBITMAP shapeOn(COLORREF background)
{
    return w32ktest::makePatternBitmap(kDrawingWidth, kHeight - 8 * kBorder,
                                       [background](int x, int y) { return inShape(x, y) ? kRed : background; });
}

} // namespace

// Without a bitmap or without options the button is a plain one. Pressed,
// the bitmap moves with no trace left; pressing again while pressed or
// releasing twice changes nothing.
TEST(BitmapButton, PlacesTheBitmapAndShiftsItOnceWhilePressed)
{
    {
        VisibleHost host;
        HWND noOptions = addButton(host, makeSolidBitmap(8, 8, kRed), 0);
        EXPECT_EQ(ClientPixels(noOptions).count(kRed), 0);
        DestroyWindow(noOptions);
        EXPECT_TRUE(ClientPixels(addButton(host, nullptr, kStretch)) == plainButton(host));
    }
    const RECT r = drawingRect();
    const struct {
        const char* what;
        SIZE bitmap;
        UINT options;
        RECT released;
    } cases[] = {
        {"stretched", {8, 8}, kStretch, r},
        {"own size, cut to the rectangle", {300, 300}, kColour, r},
        {"own size, smaller", {10, 6}, kColour, {r.left, r.top, r.left + 10, r.top + 6}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VisibleHost host;
        HWND button = addButton(host, makeSolidBitmap(c.bitmap.cx, c.bitmap.cy, kRed), c.options);
        expectRedExactly(ClientPixels(button), c.released);
        const ClientPixels pressed = afterState(button, TRUE);
        expectRedExactly(pressed, shifted(c.released, 2 * kBorder));
        EXPECT_TRUE(afterState(button, 2) == pressed) << "no second shift";
        const ClientPixels released = afterState(button, FALSE);
        expectRedExactly(released, c.released);
        EXPECT_TRUE(afterState(button, FALSE) == released);
    }
}

// Moving while held makes the system button set its state again: the bitmap
// stays where it is.
TEST(BitmapButton, MouseClickKeepsTheBitmapWhileMovingAndNotifies)
{
    VisibleHost host;
    HWND button = addButton(host, makeSolidBitmap(8, 8, kRed), kStretch);
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    w32ktest::settlePaint(button);
    for (int x = 21; x < 25; ++x)
        SendMessageA(button, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 20));
    w32ktest::settlePaint(button);
    RECT inside = drawingRect(true); // its edge carries the focus rectangle
    InflateRect(&inside, -1, -1);
    EXPECT_EQ(ClientPixels(button).bounds(kRed), drawingRect(true));
    EXPECT_TRUE(ClientPixels(button).all(inside, kRed));
    SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(24, 20));
    w32ktest::settlePaint(button);
    EXPECT_EQ(ClientPixels(button).bounds(kRed), drawingRect());
    ASSERT_EQ(host.commands().size(), 1u);
    EXPECT_EQ(host.commands()[0].code, BN_CLICKED);
    EXPECT_EQ(TavoButtonProc(button, BM_GETSTATE, 0, 0), SendMessageA(button, BM_GETSTATE, 0, 0));
}

TEST(BitmapButton, CreatedDisabledShowsTheDisabledBitmap)
{
    VisibleHost host;
    HWND button = addButton(host, makeSolidBitmap(8, 8, kRed), kStretch, makeSolidBitmap(8, 8, kGreen), WS_DISABLED);
    const ClientPixels created(button);
    EXPECT_EQ(created.bounds(kGreen), drawingRect());
    EXPECT_EQ(created.count(kRed), 0);
    const ClientPixels enabled = afterEnable(button, TRUE);
    EXPECT_EQ(enabled.bounds(kRed), drawingRect());
    EXPECT_EQ(enabled.count(kGreen), 0);
    EXPECT_TRUE(afterEnable(button, FALSE) == created);
}

// Without a disabled bitmap: a grey copy in place over a white copy one pixel
// down and right; the image's background (white or the face colour) lets the
// face show.
TEST(BitmapButton, DisabledWithoutDisabledBitmapShowsItEmbossed)
{
    const struct {
        HBITMAP bitmap;
        UINT options;
    } cases[] = {
        {shapeOn(kWhite), kColour},
        {shapeOn(GetSysColor(COLOR_BTNFACE)), kColour},
        {w32ktest::makeMonochromeBitmap(kDrawingWidth, kHeight - 8 * kBorder, inShape), kMonochrome | kStretch},
    };
    const RECT r = drawingRect(), shape = shifted(kShape, r.left);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        VisibleHost host;
        const ClientPixels pixels = afterEnable(addButton(host, c.bitmap, c.options), FALSE);
        EXPECT_EQ(pixels.count(kRed), 0);
        EXPECT_EQ(pixels.bounds(kGrey), shape);
        EXPECT_TRUE(pixels.all(shape, kGrey));
        EXPECT_EQ(pixels.at(shape.right, shape.bottom), kWhite);
        EXPECT_EQ(pixels.at(shape.left + 1, shape.bottom), kWhite);
        EXPECT_EQ(pixels.differences(plainButton(host, WS_DISABLED), {r.left, r.top, shape.left, r.bottom}), 0);
    }
}

// Left half black, right half white: the face shows through the white half
// unless the bitmap is drawn as colour.
TEST(BitmapButton, MonochromeBitmapLetsTheFaceShowThroughItsWhitePixels)
{
    const RECT r = drawingRect();
    const int half = kDrawingWidth / 2;
    for (const UINT options : {kMonochrome | kStretch, kColour | kStretch}) {
        SCOPED_TRACE(options);
        VisibleHost host;
        const auto left = [half](int x, int) { return x < half; };
        const ClientPixels pixels(
            addButton(host, w32ktest::makeMonochromeBitmap(kDrawingWidth, kHeight - 8 * kBorder, left), options));
        const RECT whiteHalf{r.left + half, r.top, r.right, r.bottom};
        EXPECT_TRUE(pixels.all({r.left, r.top, r.left + half, r.bottom}, kBlack));
        if (options & kMonochrome) {
            EXPECT_EQ(pixels.differences(plainButton(host), whiteHalf), 0);
        } else {
            EXPECT_TRUE(pixels.all(whiteHalf, kWhite));
        }
    }
}

// The focus rectangle (on the drawing rectangle's edge, moving with the
// pressed bitmap) comes and goes with the focus, unless kNoFocus.
TEST(BitmapButton, FocusRectangleFollowsTheFocusUnlessTurnedOff)
{
    for (const UINT options : {kStretch, kStretch | kNoFocus}) {
        SCOPED_TRACE(options);
        VisibleHost host;
        HWND button = addButton(host, makeSolidBitmap(8, 8, kRed), options);
        HWND other = host.add("BUTTON", BS_PUSHBUTTON, 100, 10, 60, 40);
        const auto expectMark = [](const ClientPixels& pixels, bool pressed, bool mark) {
            const RECT r = drawingRect(pressed);
            EXPECT_TRUE(pixels.all({r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, kRed));
            EXPECT_EQ(pixels.all({r.left, r.top, r.right, r.top + 1}, kRed), !mark);
        };
        SetFocus(button);
        ASSERT_EQ(GetFocus(), button);
        w32ktest::settlePaint(button);
        expectMark(ClientPixels(button), false, !(options & kNoFocus));
        expectMark(afterState(button, TRUE), true, !(options & kNoFocus));
        afterState(button, FALSE);
        SetFocus(other);
        w32ktest::settlePaint(button);
        expectMark(ClientPixels(button), false, false);
    }
}

// Both bitmaps (shown disabled), one bitmap in both properties (deleted
// once), and a handle that is not a bitmap (neither drawn nor deleted); the
// drawing itself (the embossed look makes a mask) leaves no GDI object behind.
TEST(BitmapButton, DeletesItsBitmapsWhenDestroyedAndLeaksNothingWhileDrawing)
{
    struct Handles {
        HGDIOBJ normal = makeSolidBitmap(8, 8, kRed), disabled = makeSolidBitmap(8, 8, kGreen),
                shared = makeSolidBitmap(8, 8, kRed), notABitmap = CreateSolidBrush(kRed);
    };
    const auto showAndDestroy = [](const Handles& h) {
        VisibleHost host;
        HWND first = addButton(host, h.normal, kStretch, static_cast<HBITMAP>(h.disabled));
        afterEnable(first, FALSE);
        HWND second = addButton(host, h.shared, kStretch, static_cast<HBITMAP>(h.shared));
        HWND third = addButton(host, h.notABitmap, kStretch);
        EXPECT_EQ(ClientPixels(third).count(kRed), 0);
        for (HWND button : {first, second, third})
            DestroyWindow(button);
    };
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

    VisibleHost host;
    HWND button = addButton(host, shapeOn(kWhite), kStretch);
    for (int i = 0; i < 6; ++i) {
        const DWORD before = w32ktest::gdiObjectCount();
        afterState(button, TRUE), afterState(button, FALSE), afterEnable(button, FALSE), afterEnable(button, TRUE);
        EXPECT_TRUE(i == 0 || w32ktest::gdiObjectCount() == before) << "round " << i; // the first warms up
    }
}

// A static control made a frame, its inside and 2-pixel margin marked first:
// the margin is neither painted nor erased; the inside shows the bitmap's top
// left, leaves the rest as it was, or is white without a bitmap. The frame
// deletes its bitmap, nothing else.
TEST(StaticBitmapFrame, ShowsTheTopLeftOfItsBitmapAndDeletesItWhenDestroyed)
{
    const auto pattern = [](int x, int y) { return RGB(x * 4, y * 4, 128); };
    const struct {
        HGDIOBJ property;
        COLORREF topLeft, middle; // inside (0, 0) and (20, 15) of the bitmap's coordinates
        bool owned;
    } cases[] = {
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
        for (const RECT& margin : {RECT{0, 0, kWidth, 2}, RECT{0, kHeight - 2, kWidth, kHeight}, RECT{0, 0, 2, kHeight},
                                   RECT{kWidth - 2, 0, kWidth, kHeight}})
            EXPECT_TRUE(pixels.all(margin, kMarker));
        EXPECT_EQ(pixels.at(2, 2), c.topLeft);
        EXPECT_EQ(pixels.at(22, 17), c.middle);
        EXPECT_TRUE(SetWindowTextA(frame, "Logo")); // other messages go on to the static control
        EXPECT_EQ(w32ktest::windowText(frame), "Logo");
        DestroyWindow(frame);
        if (c.property) {
            EXPECT_EQ(w32ktest::gdiObjectAlive(c.property), !c.owned);
        }
        if (c.property && !c.owned)
            DeleteObject(c.property);
    }
}
