// The bitmap push-button ("XBUTTBMP_32") and the static bitmap frame as a
// host uses them: bitmaps handed over by window property, drawn over a real
// button face, read back pixel by pixel from visible windows.
#include <gtest/gtest.h>

#include "support/pixels.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <string>

using w32ktest::ClientPixels;
using w32ktest::VisibleHost;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGrey = RGB(128, 128, 128); // the stock grey brush
constexpr COLORREF kMarker = RGB(255, 0, 255);

// Drawing options ("BmpOp").
constexpr UINT kStretch = 0x0002;
constexpr UINT kNoFocus = 0x0004;
constexpr UINT kMonochrome = 0x0100;
constexpr UINT kColour = 0x0200; // any kind other than monochrome

constexpr int kButtonId = 101;
constexpr int kButtonWidth = 60;
constexpr int kButtonHeight = 40;

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

// Where the button draws its bitmap: the client area 4 borders in.
RECT drawingRect()
{
    const int inset = 4 * border();
    return {inset, inset, kButtonWidth - inset, kButtonHeight - inset};
}

RECT shifted(RECT r, int by)
{
    OffsetRect(&r, by, by);
    return r;
}

int drawingWidth()
{
    const RECT r = drawingRect();
    return r.right - r.left;
}

int drawingHeight()
{
    const RECT r = drawingRect();
    return r.bottom - r.top;
}

// A bitmap button whose properties are set as a host sets them; the bitmaps
// belong to the button from then on.
struct ButtonSetup {
    HBITMAP normal = nullptr;
    HBITMAP disabled = nullptr;
    UINT options = 0;
    DWORD style = 0;
};

HWND addButton(VisibleHost& host, const ButtonSetup& setup)
{
    HWND button = host.add(W32K_CLASS_BITMAP_BUTTON, BS_PUSHBUTTON | setup.style, 10, 10,
                           kButtonWidth, kButtonHeight, kButtonId);
    if (setup.normal)
        SetPropA(button, "BBmp", setup.normal);
    if (setup.disabled)
        SetPropA(button, "BBmpD", setup.disabled);
    if (setup.options)
        SetPropA(button, "BmpOp", reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(setup.options)));
    w32ktest::repaintNow(button);
    return button;
}

void setState(HWND button, WPARAM pressed)
{
    SendMessageA(button, BM_SETSTATE, pressed, 0);
    w32ktest::settlePaint(button);
}

// A red rectangle on a background, the size of the drawing rectangle (so
// that stretching maps pixel to pixel).
constexpr RECT kShape{10, 8, 20, 16};

HBITMAP shapeOn(COLORREF background)
{
    return w32ktest::makePatternBitmap(drawingWidth(), drawingHeight(), [background](int x, int y) {
        const POINT p{x, y};
        return PtInRect(&kShape, p) ? kRed : background;
    });
}

HBITMAP monochromeShape()
{
    return w32ktest::makeMonochromeBitmap(drawingWidth(), drawingHeight(), [](int x, int y) {
        const POINT p{x, y};
        return PtInRect(&kShape, p) != FALSE;
    });
}

// Left half black, right half white.
HBITMAP monochromeHalves()
{
    const int half = drawingWidth() / 2;
    return w32ktest::makeMonochromeBitmap(drawingWidth(), drawingHeight(),
                                          [half](int x, int) { return x < half; });
}

} // namespace

// ---------------------------------------------------------------------------
// The bitmap push-button.

TEST(BitmapButton, ShowsNoBitmapWithoutOptions)
{
    VisibleHost host;
    HWND button = addButton(host, {w32ktest::makeSolidBitmap(8, 8, kRed), nullptr, 0, 0});
    EXPECT_EQ(ClientPixels(button).count(kRed), 0);

    // Options without a bitmap: just the system button.
    HWND plain = addButton(host, {nullptr, nullptr, kStretch, 0});
    const ClientPixels face = plainButton(host);
    EXPECT_EQ(ClientPixels(plain).differences(face, face.rect()), 0);
}

struct PlacementCase {
    const char* what;
    SIZE bitmap;
    UINT options;
    RECT released; // where the red bitmap shows
};

TEST(BitmapButton, PlacesTheBitmapInTheDrawingRectangleAndShiftsItWhilePressed)
{
    const RECT area = drawingRect();
    const PlacementCase cases[] = {
        {"stretched", {8, 8}, kStretch, area},
        {"stretched, colour on colour", {300, 300}, kStretch | kColour, area},
        {"stretched, black on white", {8, 8}, kStretch | 0x0001, area},
        {"own size, cut to the rectangle", {300, 300}, kColour, area},
        {"own size, smaller", {10, 6}, kColour, {area.left, area.top, area.left + 10, area.top + 6}},
    };
    for (const PlacementCase& c : cases) {
        SCOPED_TRACE(c.what);
        VisibleHost host;
        HWND button = addButton(host, {w32ktest::makeSolidBitmap(c.bitmap.cx, c.bitmap.cy, kRed),
                                       nullptr, c.options, 0});
        EXPECT_EQ(ClientPixels(button).bounds(kRed), c.released);

        setState(button, TRUE);
        EXPECT_EQ(SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED, BST_PUSHED);
        const ClientPixels pressed(button);
        const RECT moved = shifted(c.released, 2 * border());
        EXPECT_EQ(pressed.bounds(kRed), moved);
        EXPECT_EQ(pressed.count(kRed), (moved.right - moved.left) * (moved.bottom - moved.top))
            << "no trace of the released bitmap";

        setState(button, FALSE);
        const ClientPixels released(button);
        EXPECT_EQ(released.bounds(kRed), c.released);
        EXPECT_EQ(released.count(kRed),
                  (c.released.right - c.released.left) * (c.released.bottom - c.released.top));
    }
}

TEST(BitmapButton, UnchangedPressedStateKeepsThePicture)
{
    VisibleHost host;
    HWND button = addButton(host, {w32ktest::makeSolidBitmap(8, 8, kRed), nullptr, kStretch, 0});
    const RECT pressedPlace = shifted(drawingRect(), 2 * border());

    setState(button, TRUE);
    const ClientPixels pressed(button);
    setState(button, 2); // another non-zero value while pressed: no second shift
    EXPECT_TRUE(ClientPixels(button) == pressed);
    EXPECT_EQ(ClientPixels(button).bounds(kRed), pressedPlace);

    setState(button, FALSE); // one release moves it back
    const ClientPixels released(button);
    EXPECT_EQ(released.bounds(kRed), drawingRect());
    setState(button, FALSE);
    EXPECT_TRUE(ClientPixels(button) == released);
}

TEST(BitmapButton, BitmapStaysWhileTheMouseMovesOverThePressedButton)
{
    VisibleHost host;
    HWND button = addButton(host, {w32ktest::makeSolidBitmap(8, 8, kRed), nullptr, kStretch, 0});
    const RECT pressedPlace = shifted(drawingRect(), 2 * border());
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    w32ktest::settlePaint(button);
    for (int x = 21; x < 25; ++x)
        SendMessageA(button, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 20));
    w32ktest::settlePaint(button);
    const ClientPixels pixels(button);
    EXPECT_EQ(pixels.bounds(kRed), pressedPlace);
    RECT inside = pressedPlace; // its edge carries the focus rectangle
    InflateRect(&inside, -1, -1);
    EXPECT_TRUE(pixels.all(inside, kRed));
    SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(24, 20));
    w32ktest::settlePaint(button);
}

TEST(BitmapButton, MouseClickPressesReleasesAndNotifies)
{
    VisibleHost host;
    HWND button = addButton(host, {w32ktest::makeSolidBitmap(8, 8, kRed), nullptr, kStretch, 0});
    const LPARAM at = MAKELPARAM(kButtonWidth / 2, kButtonHeight / 2);
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, at);
    w32ktest::settlePaint(button);
    EXPECT_EQ(ClientPixels(button).bounds(kRed), shifted(drawingRect(), 2 * border()));
    SendMessageA(button, WM_LBUTTONUP, 0, at);
    w32ktest::settlePaint(button);
    EXPECT_EQ(ClientPixels(button).bounds(kRed), drawingRect());
    ASSERT_EQ(host.commands().size(), 1u);
    EXPECT_EQ(host.commands()[0].id, kButtonId);
    EXPECT_EQ(host.commands()[0].code, BN_CLICKED);
    EXPECT_EQ(host.commands()[0].control, button);
}

TEST(BitmapButton, BehavesLikeASystemButton)
{
    VisibleHost host;
    HWND button = addButton(host, {w32ktest::makeSolidBitmap(8, 8, kRed), nullptr, kStretch, 0});
    SendMessageA(button, BM_CLICK, 0, 0);
    w32ktest::pumpMessages();
    ASSERT_EQ(host.commands().size(), 1u);
    EXPECT_EQ(host.commands()[0].code, BN_CLICKED);
    EXPECT_TRUE(SetWindowTextA(button, "Run"));
    EXPECT_EQ(w32ktest::windowText(button), "Run");
    EXPECT_EQ(SendMessageA(button, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON,
              DLGC_UNDEFPUSHBUTTON);
    // The export is the class's window procedure.
    EXPECT_EQ(GetClassLongPtrA(button, GCLP_WNDPROC), reinterpret_cast<LONG_PTR>(&TavoButtonProc));
    EXPECT_EQ(TavoButtonProc(button, BM_GETSTATE, 0, 0), SendMessageA(button, BM_GETSTATE, 0, 0));
}

TEST(BitmapButton, DisabledShowsTheDisabledBitmap)
{
    VisibleHost host;
    HWND button = addButton(host, {w32ktest::makeSolidBitmap(8, 8, kRed),
                                   w32ktest::makeSolidBitmap(8, 8, kGreen), kStretch, 0});
    EnableWindow(button, FALSE);
    w32ktest::repaintNow(button);
    const ClientPixels disabled(button);
    EXPECT_EQ(disabled.bounds(kGreen), drawingRect());
    EXPECT_EQ(disabled.count(kRed), 0);

    EnableWindow(button, TRUE);
    w32ktest::repaintNow(button);
    const ClientPixels enabled(button);
    EXPECT_EQ(enabled.bounds(kRed), drawingRect());
    EXPECT_EQ(enabled.count(kGreen), 0);
}

TEST(BitmapButton, CreatedDisabledShowsTheDisabledBitmap)
{
    VisibleHost host;
    HWND button = addButton(host, {w32ktest::makeSolidBitmap(8, 8, kRed),
                                   w32ktest::makeSolidBitmap(8, 8, kGreen), kStretch, WS_DISABLED});
    const ClientPixels pixels(button);
    EXPECT_EQ(pixels.bounds(kGreen), drawingRect());
    EXPECT_EQ(pixels.count(kRed), 0);
}

struct EmbossCase {
    const char* what;
    HBITMAP (*make)();
    UINT options;
};

TEST(BitmapButton, DisabledWithoutDisabledBitmapShowsItEmbossed)
{
    const EmbossCase cases[] = {
        {"colour on white", [] { return shapeOn(kWhite); }, kColour},
        {"colour on the face colour", [] { return shapeOn(GetSysColor(COLOR_BTNFACE)); }, kColour},
        {"colour, drawn unstretched when enabled", [] { return shapeOn(kWhite); }, 0x0004 | kColour},
        {"monochrome", monochromeShape, kMonochrome | kStretch},
    };
    const RECT area = drawingRect();
    const RECT shape{area.left + kShape.left, area.top + kShape.top, area.left + kShape.right,
                     area.top + kShape.bottom};
    for (const EmbossCase& c : cases) {
        SCOPED_TRACE(c.what);
        VisibleHost host;
        HWND button = addButton(host, {c.make(), nullptr, c.options, 0});
        EnableWindow(button, FALSE);
        w32ktest::repaintNow(button);
        const ClientPixels pixels(button);
        const ClientPixels face = plainButton(host, WS_DISABLED);
        EXPECT_EQ(pixels.count(kRed), 0);
        // A grey copy in place over a white copy one pixel down and right.
        EXPECT_TRUE(pixels.all(shape, kGrey));
        EXPECT_EQ(pixels.bounds(kGrey), shape);
        EXPECT_TRUE(pixels.all({shape.right, shape.top + 1, shape.right + 1, shape.bottom + 1}, kWhite));
        EXPECT_TRUE(pixels.all({shape.left + 1, shape.bottom, shape.right + 1, shape.bottom + 1}, kWhite));
        // The background of the image lets the face show.
        EXPECT_EQ(pixels.differences(face, {area.left, area.top, shape.left, area.bottom}), 0);
        EXPECT_EQ(pixels.differences(face, {shape.right + 1, area.top, area.right, area.bottom}), 0);
    }
}

struct MonochromeCase {
    const char* what;
    UINT options;
    bool faceShows; // through the white half; else that half is white
};

TEST(BitmapButton, MonochromeBitmapLetsTheFaceShowThroughItsWhitePixels)
{
    const MonochromeCase cases[] = {
        {"monochrome, stretched", kMonochrome | kStretch, true},
        {"monochrome, own size", kMonochrome, true},
        {"drawn as colour: copied", kColour | kStretch, false},
    };
    const RECT area = drawingRect();
    const int half = drawingWidth() / 2;
    const RECT blackHalf{area.left, area.top, area.left + half, area.bottom};
    const RECT whiteHalf{area.left + half, area.top, area.right, area.bottom};
    for (const MonochromeCase& c : cases) {
        SCOPED_TRACE(c.what);
        VisibleHost host;
        HWND button = addButton(host, {monochromeHalves(), nullptr, c.options, 0});
        const ClientPixels pixels(button);
        EXPECT_TRUE(pixels.all(blackHalf, kBlack));
        if (c.faceShows) {
            EXPECT_EQ(pixels.differences(plainButton(host), whiteHalf), 0);
        } else {
            EXPECT_TRUE(pixels.all(whiteHalf, kWhite));
        }
    }
}

struct FocusCase {
    const char* what;
    UINT options;
    bool focused;
    bool rectangle;
};

TEST(BitmapButton, FocusRectangleOnlyWithFocusAndWithoutOptionBit2)
{
    const FocusCase cases[] = {
        {"focused", kStretch, true, true},
        {"focused, bit 2 set", kStretch | kNoFocus, true, false},
        {"not focused", kStretch, false, false},
    };
    const RECT area = drawingRect();
    for (const FocusCase& c : cases) {
        SCOPED_TRACE(c.what);
        VisibleHost host;
        HWND button = addButton(host, {w32ktest::makeSolidBitmap(8, 8, kRed), nullptr, c.options, 0});
        if (c.focused)
            SetFocus(button);
        ASSERT_EQ(GetFocus() == button, c.focused);
        w32ktest::repaintNow(button);
        const ClientPixels pixels(button);
        const RECT topEdge{area.left, area.top, area.right, area.top + 1};
        const RECT inside{area.left + 1, area.top + 1, area.right - 1, area.bottom - 1};
        EXPECT_TRUE(pixels.all(inside, kRed));
        EXPECT_EQ(pixels.all(topEdge, kRed), !c.rectangle);

        // The rectangle moves with the pressed bitmap.
        setState(button, TRUE);
        const ClientPixels pressed(button);
        const RECT movedEdge = shifted(topEdge, 2 * border());
        EXPECT_EQ(pressed.all(movedEdge, kRed), !c.rectangle);
    }
}

TEST(BitmapButton, FocusRectangleFollowsTheFocus)
{
    VisibleHost host;
    HWND button = addButton(host, {w32ktest::makeSolidBitmap(8, 8, kRed), nullptr, kStretch, 0});
    HWND other = host.add("BUTTON", BS_PUSHBUTTON, 100, 10, 60, 40);
    const RECT area = drawingRect();
    const RECT topEdge{area.left, area.top, area.right, area.top + 1};
    const RECT inside{area.left + 1, area.top + 1, area.right - 1, area.bottom - 1};

    SetFocus(button);
    w32ktest::settlePaint(button);
    const ClientPixels focused(button);
    EXPECT_FALSE(focused.all(topEdge, kRed)) << "the focus rectangle is drawn";
    EXPECT_TRUE(focused.all(inside, kRed));

    SetFocus(other);
    w32ktest::settlePaint(button);
    const ClientPixels unfocused(button);
    EXPECT_TRUE(unfocused.all(topEdge, kRed)) << "and taken away with the focus";
    EXPECT_EQ(unfocused.bounds(kRed), area);
}

struct OwnedHandles {
    HBITMAP normal, disabled, shared;
    HBRUSH notABitmap;
};

// Three buttons: one with both bitmaps, shown disabled; one with the same
// bitmap in both properties (deleted once); one with something that is not
// a bitmap (neither drawn nor deleted). All destroyed at the end.
void showAndDestroyButtons(const OwnedHandles& handles)
{
    VisibleHost host;
    HWND first = addButton(host, {handles.normal, handles.disabled, kStretch, 0});
    EnableWindow(first, FALSE);
    w32ktest::repaintNow(first);
    HWND second = addButton(host, {handles.shared, handles.shared, kStretch, 0});
    HWND third = addButton(host, {nullptr, nullptr, kStretch, 0});
    SetPropA(third, "BBmp", handles.notABitmap);
    w32ktest::repaintNow(third);
    EXPECT_EQ(ClientPixels(third).count(kRed), 0);
    EXPECT_TRUE(w32ktest::gdiObjectAlive(handles.normal));
    DestroyWindow(first);
    DestroyWindow(second);
    DestroyWindow(third);
}

OwnedHandles makeHandles()
{
    return {w32ktest::makeSolidBitmap(8, 8, kRed), w32ktest::makeSolidBitmap(8, 8, kGreen),
            w32ktest::makeSolidBitmap(8, 8, kRed), CreateSolidBrush(kRed)};
}

TEST(BitmapButton, DeletesItsBitmapsWhenDestroyed)
{
    const OwnedHandles warmUp = makeHandles();
    showAndDestroyButtons(warmUp); // what the system makes once for this
    DeleteObject(warmUp.notABitmap);

    const DWORD objectsBefore = w32ktest::gdiObjectCount();
    const OwnedHandles handles = makeHandles();
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
    HWND button = addButton(host, {shapeOn(kWhite), nullptr, kStretch, 0});
    auto exercise = [button] {
        setState(button, TRUE);
        setState(button, FALSE);
        EnableWindow(button, FALSE);
        w32ktest::repaintNow(button); // embossed: a mask is made and freed
        EnableWindow(button, TRUE);
        w32ktest::repaintNow(button);
    };
    exercise(); // warm-up
    const DWORD before = w32ktest::gdiObjectCount();
    for (int i = 0; i < 5; ++i)
        exercise();
    EXPECT_EQ(w32ktest::gdiObjectCount(), before);
    EXPECT_EQ(ClientPixels(button).bounds(kRed), shifted(kShape, 4 * border()));
}

// ---------------------------------------------------------------------------
// The static bitmap frame.

namespace {

constexpr int kFrameWidth = 40;
constexpr int kFrameHeight = 30;
constexpr RECT kFrameInside{2, 2, kFrameWidth - 2, kFrameHeight - 2};

// A static control made a bitmap frame, its inside and margin marked.
HWND addFrame(VisibleHost& host, HBITMAP bitmap)
{
    HWND frame = host.add("STATIC", SS_LEFT, 20, 20, kFrameWidth, kFrameHeight, 0, "text");
    SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StaticBmpFrameProc));
    if (bitmap)
        SetPropA(frame, "SBmp", bitmap);
    w32ktest::fillClient(frame, kMarker);
    w32ktest::repaintNow(frame, true);
    return frame;
}

bool marginUntouched(const ClientPixels& pixels)
{
    return pixels.all({0, 0, kFrameWidth, 2}, kMarker) &&
           pixels.all({0, kFrameHeight - 2, kFrameWidth, kFrameHeight}, kMarker) &&
           pixels.all({0, 0, 2, kFrameHeight}, kMarker) &&
           pixels.all({kFrameWidth - 2, 0, kFrameWidth, kFrameHeight}, kMarker);
}

COLORREF patternColour(int x, int y)
{
    return RGB(x * 4, y * 4, 128);
}

} // namespace

TEST(StaticBitmapFrame, IsWhiteInsideWithoutABitmap)
{
    VisibleHost host;
    HWND frame = addFrame(host, nullptr);
    const ClientPixels pixels(frame);
    EXPECT_TRUE(pixels.all(kFrameInside, kWhite));
    EXPECT_TRUE(marginUntouched(pixels)) << "neither painted nor erased";
}

TEST(StaticBitmapFrame, LargerBitmapShowsOnlyItsTopLeftPart)
{
    VisibleHost host;
    HWND frame = addFrame(host, w32ktest::makePatternBitmap(60, 60, patternColour));
    const ClientPixels pixels(frame);
    int wrong = 0;
    for (int y = kFrameInside.top; y < kFrameInside.bottom; ++y)
        for (int x = kFrameInside.left; x < kFrameInside.right; ++x)
            wrong += pixels.at(x, y) != patternColour(x - 2, y - 2) ? 1 : 0;
    EXPECT_EQ(wrong, 0);
    EXPECT_TRUE(marginUntouched(pixels));
}

TEST(StaticBitmapFrame, SmallerBitmapLeavesTheRestAsItWas)
{
    VisibleHost host;
    HWND frame = addFrame(host, w32ktest::makeSolidBitmap(10, 6, kRed));
    const ClientPixels pixels(frame);
    EXPECT_EQ(pixels.bounds(kRed), (RECT{2, 2, 12, 8}));
    EXPECT_EQ(pixels.count(kFrameInside, kMarker),
              (kFrameWidth - 4) * (kFrameHeight - 4) - 10 * 6);
}

TEST(StaticBitmapFrame, SomethingNotABitmapShowsWhite)
{
    VisibleHost host;
    HBRUSH brush = CreateSolidBrush(kRed);
    HWND frame = addFrame(host, reinterpret_cast<HBITMAP>(brush));
    EXPECT_TRUE(ClientPixels(frame).all(kFrameInside, kWhite));
    DestroyWindow(frame);
    EXPECT_TRUE(w32ktest::gdiObjectAlive(brush)) << "not the frame's to delete";
    DeleteObject(brush);
}

TEST(StaticBitmapFrame, DeletesItsBitmapWhenDestroyedAndPassesOtherMessagesOn)
{
    VisibleHost host;
    HBITMAP bitmap = w32ktest::makeSolidBitmap(10, 10, kRed);
    HWND frame = addFrame(host, bitmap);
    EXPECT_TRUE(SetWindowTextA(frame, "Logo"));
    EXPECT_EQ(w32ktest::windowText(frame), "Logo");
    EXPECT_EQ(SendMessageA(frame, WM_ERASEBKGND, 0, 0), 1);
    EXPECT_TRUE(w32ktest::gdiObjectAlive(bitmap));
    DestroyWindow(frame);
    EXPECT_FALSE(w32ktest::gdiObjectAlive(bitmap));
}
