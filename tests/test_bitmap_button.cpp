// The bitmap push-button ("XBUTTBMP_32") and the static bitmap frame as a
// host uses them: bitmaps handed over by window property, drawn over a real
// button face, read back pixel by pixel from visible windows.
#include <gtest/gtest.h>

#include "support/pixels.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <functional>

using w32ktest::ClientPixels;
using w32ktest::VisibleHost;
using w32ktest::makeSolidBitmap;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255), kMarker = RGB(255, 0, 255);
constexpr COLORREF kGrey = RGB(128, 128, 128); // the stock grey brush

// Drawing options ("BmpOp").
constexpr UINT kStretch = 0x0002, kNoFocus = 0x0004, kMonochrome = 0x0100;
constexpr UINT kColour = 0x0200; // any kind other than monochrome

constexpr int kButtonId = 101, kButtonWidth = 60, kButtonHeight = 40;

// What a plain system button of the same size shows (its face may be
// themed: shaded, or another colour than COLOR_BTNFACE).
ClientPixels plainButton(VisibleHost& host, DWORD style = 0)
{
    HWND plain = host.add("BUTTON", BS_PUSHBUTTON | style, 100, 60, kButtonWidth, kButtonHeight);
    const ClientPixels pixels(plain);
    DestroyWindow(plain);
    return pixels;
}

int border()
{
    return GetSystemMetrics(SM_CXBORDER);
}

RECT shifted(RECT r, int by)
{
    OffsetRect(&r, by, by);
    return r;
}

int area(const RECT& r)
{
    return (r.right - r.left) * (r.bottom - r.top);
}

// Where the button draws its bitmap: the client area 4 borders in; pressed,
// 2 borders further right and down.
RECT drawingRect(bool pressed = false)
{
    const int inset = 4 * border();
    return shifted({inset, inset, kButtonWidth - inset, kButtonHeight - inset}, pressed ? 2 * border() : 0);
}

const int kDrawingWidth = kButtonWidth - 8 * border(), kDrawingHeight = kButtonHeight - 8 * border();

// A bitmap button whose properties are set as a host sets them; the bitmaps
// belong to the button from then on.
HWND addButton(VisibleHost& host, HBITMAP normal, UINT options, HBITMAP disabled = nullptr, DWORD style = 0)
{
    HWND button = host.add(W32K_CLASS_BITMAP_BUTTON, BS_PUSHBUTTON | style, 10, 10, kButtonWidth,
                           kButtonHeight, kButtonId);
    if (normal)
        SetPropA(button, "BBmp", normal);
    if (disabled)
        SetPropA(button, "BBmpD", disabled);
    if (options)
        SetPropA(button, "BmpOp", reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(options)));
    w32ktest::repaintNow(button);
    return button;
}

HWND addRedButton(VisibleHost& host, UINT options = kStretch)
{
    return addButton(host, makeSolidBitmap(8, 8, kRed), options);
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

// Exactly the pixels of `where` are red (and nothing else is).
void expectRedExactly(const ClientPixels& pixels, const RECT& where)
{
    EXPECT_EQ(pixels.bounds(kRed), where);
    EXPECT_EQ(pixels.count(kRed), area(where));
}

// A drawing-rectangle-sized bitmap (so that stretching maps pixel to pixel)
// showing kShape in red, or black when monochrome.
constexpr RECT kShape{10, 8, 20, 16};

bool inShape(int x, int y)
{
    const POINT p{x, y};
    return PtInRect(&kShape, p) != FALSE;
}

HBITMAP shapeOn(COLORREF background)
{
    return w32ktest::makePatternBitmap(kDrawingWidth, kDrawingHeight,
                                       [background](int x, int y) { return inShape(x, y) ? kRed : background; });
}

} // namespace

// ---------------------------------------------------------------------------
// The bitmap push-button.

TEST(BitmapButton, ShowsNothingOfItsOwnWithoutBothABitmapAndOptions)
{
    VisibleHost host;
    EXPECT_EQ(ClientPixels(addRedButton(host, 0)).count(kRed), 0);
    HWND plain = addButton(host, nullptr, kStretch);
    const ClientPixels face = plainButton(host);
    EXPECT_EQ(ClientPixels(plain).differences(face, face.rect()), 0);
}

// Pressed, the bitmap moves with no trace left of it; pressing again while
// pressed or releasing twice changes nothing.
TEST(BitmapButton, PlacesTheBitmapInTheDrawingRectangleAndShiftsItWhilePressed)
{
    const RECT r = drawingRect();
    const struct {
        const char* what;
        SIZE bitmap;
        UINT options;
        RECT released; // where the red bitmap shows
    } cases[] = {
        {"stretched", {8, 8}, kStretch, r},
        {"stretched, colour on colour", {300, 300}, kStretch | kColour, r},
        {"stretched, black on white", {8, 8}, kStretch | 0x0001, r},
        {"own size, cut to the rectangle", {300, 300}, kColour, r},
        {"own size, smaller", {10, 6}, kColour, {r.left, r.top, r.left + 10, r.top + 6}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VisibleHost host;
        HWND button = addButton(host, makeSolidBitmap(c.bitmap.cx, c.bitmap.cy, kRed), c.options);
        expectRedExactly(ClientPixels(button), c.released);
        const ClientPixels pressed = afterState(button, TRUE);
        EXPECT_EQ(SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED, BST_PUSHED);
        expectRedExactly(pressed, shifted(c.released, 2 * border()));
        EXPECT_TRUE(afterState(button, 2) == pressed) << "no second shift";
        const ClientPixels released = afterState(button, FALSE);
        expectRedExactly(released, c.released);
        EXPECT_TRUE(afterState(button, FALSE) == released);
    }
}

TEST(BitmapButton, MouseClickPressesKeepsTheBitmapWhileMovingReleasesAndNotifies)
{
    VisibleHost host;
    HWND button = addRedButton(host);
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    w32ktest::settlePaint(button);
    for (int x = 21; x < 25; ++x)
        SendMessageA(button, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 20));
    w32ktest::settlePaint(button);
    const ClientPixels pressed(button);
    EXPECT_EQ(pressed.bounds(kRed), drawingRect(true));
    RECT inside = drawingRect(true); // its edge carries the focus rectangle
    InflateRect(&inside, -1, -1);
    EXPECT_TRUE(pressed.all(inside, kRed));
    SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(24, 20));
    w32ktest::settlePaint(button);
    EXPECT_EQ(ClientPixels(button).bounds(kRed), drawingRect());
    SendMessageA(button, BM_CLICK, 0, 0);
    w32ktest::pumpMessages();
    ASSERT_EQ(host.commands().size(), 2u) << "the click and BM_CLICK";
    for (const auto& command : host.commands()) {
        EXPECT_EQ(command.id, kButtonId);
        EXPECT_EQ(command.code, BN_CLICKED);
        EXPECT_EQ(command.control, button);
    }
    // Otherwise a system button; the export is the class's window procedure.
    EXPECT_TRUE(SetWindowTextA(button, "Run"));
    EXPECT_EQ(w32ktest::windowText(button), "Run");
    EXPECT_EQ(SendMessageA(button, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON, DLGC_UNDEFPUSHBUTTON);
    EXPECT_EQ(GetClassLongPtrA(button, GCLP_WNDPROC), reinterpret_cast<LONG_PTR>(&TavoButtonProc));
    EXPECT_EQ(TavoButtonProc(button, BM_GETSTATE, 0, 0), SendMessageA(button, BM_GETSTATE, 0, 0));
}

TEST(BitmapButton, DisabledShowsTheDisabledBitmap)
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

// A grey copy in place over a white copy one pixel down and right; the
// background of the image lets the face show.
TEST(BitmapButton, DisabledWithoutDisabledBitmapShowsItEmbossed)
{
    const struct {
        const char* what;
        std::function<HBITMAP()> make;
        UINT options;
    } cases[] = {
        {"colour on white", [] { return shapeOn(kWhite); }, kColour},
        {"colour on the face colour", [] { return shapeOn(GetSysColor(COLOR_BTNFACE)); }, kColour},
        {"colour, drawn unstretched when enabled", [] { return shapeOn(kWhite); }, 0x0004 | kColour},
        {"monochrome", [] { return w32ktest::makeMonochromeBitmap(kDrawingWidth, kDrawingHeight, inShape); },
         kMonochrome | kStretch},
    };
    const RECT r = drawingRect();
    RECT shape = kShape;
    OffsetRect(&shape, r.left, r.top);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VisibleHost host;
        const ClientPixels pixels = afterEnable(addButton(host, c.make(), c.options), FALSE);
        const ClientPixels face = plainButton(host, WS_DISABLED);
        EXPECT_EQ(pixels.count(kRed), 0);
        EXPECT_TRUE(pixels.all(shape, kGrey));
        EXPECT_EQ(pixels.bounds(kGrey), shape);
        EXPECT_TRUE(pixels.all({shape.right, shape.top + 1, shape.right + 1, shape.bottom + 1}, kWhite));
        EXPECT_TRUE(pixels.all({shape.left + 1, shape.bottom, shape.right + 1, shape.bottom + 1}, kWhite));
        EXPECT_EQ(pixels.differences(face, {r.left, r.top, shape.left, r.bottom}), 0);
        EXPECT_EQ(pixels.differences(face, {shape.right + 1, r.top, r.right, r.bottom}), 0);
    }
}

// Left half black, right half white: the face shows through the white half
// unless the bitmap is drawn as colour.
TEST(BitmapButton, MonochromeBitmapLetsTheFaceShowThroughItsWhitePixels)
{
    const RECT r = drawingRect();
    const int half = kDrawingWidth / 2;
    const RECT blackHalf{r.left, r.top, r.left + half, r.bottom}, whiteHalf{r.left + half, r.top, r.right, r.bottom};
    for (const UINT options : {kMonochrome | kStretch, kMonochrome, kColour | kStretch}) {
        SCOPED_TRACE(options);
        VisibleHost host;
        HBITMAP halves = w32ktest::makeMonochromeBitmap(kDrawingWidth, kDrawingHeight,
                                                        [half](int x, int) { return x < half; });
        const ClientPixels pixels(addButton(host, halves, options));
        EXPECT_TRUE(pixels.all(blackHalf, kBlack));
        if (options & kMonochrome) {
            EXPECT_EQ(pixels.differences(plainButton(host), whiteHalf), 0);
        } else {
            EXPECT_TRUE(pixels.all(whiteHalf, kWhite));
        }
    }
}

// The focus rectangle (on the drawing rectangle's edge, moving with the
// pressed bitmap) comes and goes with the focus, unless option bit 2 is set.
TEST(BitmapButton, FocusRectangleFollowsTheFocusUnlessOptionBit2)
{
    for (const UINT options : {kStretch, kStretch | kNoFocus}) {
        SCOPED_TRACE(options);
        VisibleHost host;
        HWND button = addRedButton(host, options);
        HWND other = host.add("BUTTON", BS_PUSHBUTTON, 100, 10, 60, 40);
        const bool drawn = (options & kNoFocus) == 0;
        const auto expectMark = [](const ClientPixels& pixels, bool pressed, bool mark) {
            const RECT r = drawingRect(pressed);
            EXPECT_TRUE(pixels.all({r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, kRed));
            EXPECT_EQ(pixels.all({r.left, r.top, r.right, r.top + 1}, kRed), !mark);
        };
        SetFocus(button);
        ASSERT_EQ(GetFocus(), button);
        w32ktest::settlePaint(button);
        expectMark(ClientPixels(button), false, drawn);
        expectMark(afterState(button, TRUE), true, drawn);
        afterState(button, FALSE);
        SetFocus(other);
        w32ktest::settlePaint(button);
        expectMark(ClientPixels(button), false, false);
        EXPECT_EQ(ClientPixels(button).bounds(kRed), drawingRect());
    }
}

namespace {

struct OwnedHandles {
    HBITMAP normal = makeSolidBitmap(8, 8, kRed), disabled = makeSolidBitmap(8, 8, kGreen),
            shared = makeSolidBitmap(8, 8, kRed);
    HBRUSH notABitmap = CreateSolidBrush(kRed);
};

// Three buttons: one with both bitmaps, shown disabled; one with the same
// bitmap in both properties (deleted once); one with something that is not
// a bitmap (neither drawn nor deleted). All destroyed at the end.
void showAndDestroyButtons(const OwnedHandles& handles)
{
    VisibleHost host;
    HWND first = addButton(host, handles.normal, kStretch, handles.disabled);
    afterEnable(first, FALSE);
    HWND second = addButton(host, handles.shared, kStretch, handles.shared);
    HWND third = addButton(host, nullptr, kStretch);
    SetPropA(third, "BBmp", handles.notABitmap);
    w32ktest::repaintNow(third);
    EXPECT_EQ(ClientPixels(third).count(kRed), 0);
    EXPECT_TRUE(w32ktest::gdiObjectAlive(handles.normal));
    for (HWND button : {first, second, third})
        DestroyWindow(button);
}

} // namespace

TEST(BitmapButton, DeletesItsBitmapsWhenDestroyed)
{
    const OwnedHandles warmUp;
    showAndDestroyButtons(warmUp); // what the system makes once for this
    DeleteObject(warmUp.notABitmap);

    const DWORD objectsBefore = w32ktest::gdiObjectCount();
    const OwnedHandles handles;
    showAndDestroyButtons(handles);
    EXPECT_FALSE(w32ktest::gdiObjectAlive(handles.normal));
    EXPECT_FALSE(w32ktest::gdiObjectAlive(handles.disabled));
    EXPECT_FALSE(w32ktest::gdiObjectAlive(handles.shared));
    EXPECT_TRUE(w32ktest::gdiObjectAlive(handles.notABitmap));
    DeleteObject(handles.notABitmap);
    EXPECT_EQ(w32ktest::gdiObjectCount(), objectsBefore);
}

TEST(BitmapButton, DrawingLeavesNoGdiObjectsBehind)
{
    VisibleHost host;
    HWND button = addButton(host, shapeOn(kWhite), kStretch);
    auto exercise = [button] {
        afterState(button, TRUE);
        afterState(button, FALSE);
        afterEnable(button, FALSE); // embossed: a mask is made and freed
        afterEnable(button, TRUE);
    };
    exercise(); // warm-up
    const DWORD before = w32ktest::gdiObjectCount();
    for (int i = 0; i < 5; ++i)
        exercise();
    EXPECT_EQ(w32ktest::gdiObjectCount(), before);
    EXPECT_EQ(ClientPixels(button).bounds(kRed), shifted(kShape, 4 * border()));
}

// ---------------------------------------------------------------------------
// The static bitmap frame: a static control made one, its inside and 2-pixel
// margin marked first. The margin is neither painted nor erased; the inside
// shows the bitmap's top left part, leaves the rest as it was, or is white
// without a bitmap. The frame deletes its bitmap, nothing else.

TEST(StaticBitmapFrame, ShowsTheTopLeftOfItsBitmapAndDeletesItWhenDestroyed)
{
    constexpr int kWidth = 40, kHeight = 30, kMargin = 2;
    const auto pattern = [](int x, int y) { return RGB(x * 4, y * 4, 128); };
    const auto smallRed = [](int x, int y) { return x < 10 && y < 6 ? kRed : kMarker; };
    const struct {
        const char* what;
        HGDIOBJ property;
        std::function<COLORREF(int x, int y)> inside; // of the bitmap's coordinates
        bool owned;
    } cases[] = {
        {"no bitmap", nullptr, [](int, int) { return kWhite; }, false},
        {"larger bitmap", w32ktest::makePatternBitmap(60, 60, pattern), pattern, true},
        {"smaller bitmap", makeSolidBitmap(10, 6, kRed), smallRed, true},
        {"not a bitmap", CreateSolidBrush(kRed), [](int, int) { return kWhite; }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VisibleHost host;
        HWND frame = host.add("STATIC", SS_LEFT, 20, 20, kWidth, kHeight, 0, "text");
        SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StaticBmpFrameProc));
        if (c.property)
            SetPropA(frame, "SBmp", c.property);
        w32ktest::fillClient(frame, kMarker);
        w32ktest::repaintNow(frame, true);
        const ClientPixels pixels(frame);
        int wrong = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const bool margin = x < kMargin || y < kMargin || x >= kWidth - kMargin || y >= kHeight - kMargin;
                wrong += pixels.at(x, y) != (margin ? kMarker : c.inside(x - kMargin, y - kMargin)) ? 1 : 0;
            }
        EXPECT_EQ(wrong, 0);
        // Other messages go on to the static control.
        EXPECT_TRUE(SetWindowTextA(frame, "Logo"));
        EXPECT_EQ(w32ktest::windowText(frame), "Logo");
        EXPECT_EQ(SendMessageA(frame, WM_ERASEBKGND, 0, 0), 1);
        DestroyWindow(frame);
        if (c.property) {
            EXPECT_EQ(w32ktest::gdiObjectAlive(c.property), !c.owned);
        }
        if (c.property && !c.owned)
            DeleteObject(c.property);
    }
}
