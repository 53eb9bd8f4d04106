// Bitmap push-button (class "XBUTTBMP_32") and the static bitmap frame.
//
// The button is a system button underneath: every message goes to the base
// button procedure first, and the bitmap the host handed over in "BBmp" is
// then drawn over the face the system painted, shifted while pressed, replaced
// by "BBmpD" or embossed while disabled. The frame is a subclassed static
// control that shows the bitmap in "SBmp" inside a 2-pixel margin.
// Bitmaps handed over by property belong to the control and die with it.
#include "frame/module.h"
#include "frame/raii.h"
#include "w32korutil1.h"

#include <algorithm>
#include <utility>

namespace {

// Window properties.
constexpr const char* kStateProp = W32K_PROP_BUTTON_STATE;
constexpr const char* kBitmapProp = W32K_PROP_BUTTON_BITMAP;
constexpr const char* kDisabledBitmapProp = W32K_PROP_BUTTON_DISABLED;
constexpr const char* kOptionsProp = W32K_PROP_BUTTON_OPTIONS;
constexpr const char* kFrameBitmapProp = W32K_PROP_FRAME_BITMAP;

// Drawing options ("BmpOp").
constexpr UINT kOptionBlackOnWhite = W32K_BMPOP_BLACKONWHITE;
constexpr UINT kOptionStretch = W32K_BMPOP_STRETCH;
constexpr UINT kOptionNoFocus = W32K_BMPOP_NOFOCUS;
constexpr UINT kOptionKindMask = W32K_BMPOP_KIND_MASK;
constexpr UINT kOptionMonochrome = W32K_BMPOP_MONOCHROME;

// Paints the selected brush where the source is black and keeps the
// destination where it is white.
constexpr DWORD kRopBrushWhereSourceBlack = 0x00B8074A;

constexpr int kDrawingInsetBorders = 4; // the drawing rectangle lies 4 borders inside
constexpr int kPressedShiftBorders = 2; // a pressed bitmap moves 2 borders right and down
constexpr int kFrameMargin = 2;         // the static frame's unpainted margin

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// The button's state block ("HL"): a fixed local block, zero-filled.
struct ButtonState {
    LONG pressed; // last BM_SETSTATE value, 0 = released
    LONG enabled; // last WM_ENABLE value, 0 = disabled
};
static_assert(sizeof(ButtonState) == 8, "two 32-bit fields");

ButtonState* buttonState(HWND window) noexcept
{
    return static_cast<ButtonState*>(GetPropA(window, kStateProp));
}

HBITMAP bitmapProperty(HWND window, const char* name) noexcept
{
    return static_cast<HBITMAP>(GetPropA(window, name));
}

UINT drawingOptions(HWND window) noexcept
{
    return static_cast<UINT>(reinterpret_cast<UINT_PTR>(GetPropA(window, kOptionsProp)));
}

// Size of a bitmap; false when the handle is not a bitmap.
bool bitmapSize(HBITMAP bitmap, SIZE& size) noexcept
{
    BITMAP info{};
    if (!bitmap || GetObjectType(bitmap) != OBJ_BITMAP ||
        GetObjectA(bitmap, sizeof info, &info) != sizeof info)
        return false;
    size = {info.bmWidth, info.bmHeight};
    return size.cx > 0 && size.cy > 0;
}

// Removes a bitmap property and deletes the bitmap it held (skipping
// `keep`, which was deleted already).
HBITMAP removeBitmapProperty(HWND window, const char* name, HBITMAP keep = nullptr) noexcept
{
    const auto bitmap = static_cast<HBITMAP>(RemovePropA(window, name));
    if (bitmap && bitmap != keep && GetObjectType(bitmap) == OBJ_BITMAP)
        DeleteObject(bitmap);
    return bitmap;
}

// Sets text black and background white, which maps the 0 bits of a
// monochrome source to black and its 1 bits to white; restores both.
class MonochromeMapping {
public:
    explicit MonochromeMapping(HDC dc) noexcept
        : dc_(dc), text_(SetTextColor(dc, kBlack)), background_(SetBkColor(dc, kWhite))
    {
    }
    ~MonochromeMapping()
    {
        SetTextColor(dc_, text_);
        SetBkColor(dc_, background_);
    }
    MonochromeMapping(const MonochromeMapping&) = delete;
    MonochromeMapping& operator=(const MonochromeMapping&) = delete;

private:
    HDC dc_;
    COLORREF text_;
    COLORREF background_;
};

// ---------------------------------------------------------------------------
// Drawing the button's bitmap.

struct BitmapChoice {
    HBITMAP bitmap;
    bool embossed; // disabled without "BBmpD": "BBmp" drawn greyed
};

BitmapChoice chooseBitmap(HWND window, const ButtonState& state) noexcept
{
    if (state.enabled)
        return {bitmapProperty(window, kBitmapProp), false};
    if (HBITMAP disabled = bitmapProperty(window, kDisabledBitmapProp))
        return {disabled, false};
    return {bitmapProperty(window, kBitmapProp), true};
}

bool isMonochrome(UINT options) noexcept
{
    return (options & kOptionKindMask) == kOptionMonochrome;
}

// The bitmap copied to `target`: stretched, or at its own size cut to the
// target; ANDed onto the face when monochrome, copied otherwise.
void drawPlain(HDC dc, HBITMAP bitmap, SIZE size, UINT options, const RECT& target) noexcept
{
    w32k::MemoryDC source(dc);
    if (!source)
        return;
    w32k::SelectGuard select(source, bitmap);
    MonochromeMapping mapping(dc);
    const DWORD rop = isMonochrome(options) ? SRCAND : SRCCOPY;
    const int width = target.right - target.left;
    const int height = target.bottom - target.top;
    if (options & kOptionStretch)
        StretchBlt(dc, target.left, target.top, width, height, source, 0, 0, size.cx, size.cy, rop);
    else
        BitBlt(dc, target.left, target.top, std::min<int>(width, size.cx),
               std::min<int>(height, size.cy), source, 0, 0, rop);
}

// A 1-bit mask of a colour bitmap: pixels of the button-face colour and
// white pixels become white (background), every other pixel black (the
// image that gets embossed).
w32k::Bitmap deriveMask(HDC dc, HBITMAP bitmap, SIZE size) noexcept
{
    w32k::Bitmap mask(CreateBitmap(size.cx, size.cy, 1, 1, nullptr));
    w32k::MemoryDC maskDc(dc);
    w32k::MemoryDC colourDc(dc);
    if (!mask || !maskDc || !colourDc)
        return {};
    w32k::SelectGuard selectMask(maskDc, mask);
    w32k::SelectGuard selectColour(colourDc, bitmap);
    const COLORREF previous = SetBkColor(colourDc, GetSysColor(COLOR_BTNFACE));
    BitBlt(maskDc, 0, 0, size.cx, size.cy, colourDc, 0, 0, SRCCOPY);
    SetBkColor(colourDc, kWhite);
    BitBlt(maskDc, 0, 0, size.cx, size.cy, colourDc, 0, 0, SRCPAINT);
    SetBkColor(colourDc, previous);
    return mask;
}

// The disabled look without "BBmpD": the image stretched to `target`,
// a white copy one pixel down and right under a grey copy.
void drawEmbossed(HDC dc, HBITMAP bitmap, SIZE size, UINT options, const RECT& target) noexcept
{
    w32k::Bitmap derived;
    HBITMAP mask = bitmap;
    if (!isMonochrome(options)) {
        derived = deriveMask(dc, bitmap, size);
        mask = derived.get();
    }
    w32k::MemoryDC source(dc);
    if (!mask || !source)
        return;
    w32k::SelectGuard selectMask(source, mask);
    MonochromeMapping mapping(dc);
    const int width = target.right - target.left;
    const int height = target.bottom - target.top;
    w32k::SelectGuard brush(dc, GetStockObject(WHITE_BRUSH));
    StretchBlt(dc, target.left + 1, target.top + 1, width - 1, height - 1, source, 0, 0,
               std::max<int>(size.cx - 1, 1), std::max<int>(size.cy - 1, 1),
               kRopBrushWhereSourceBlack);
    SelectObject(dc, GetStockObject(GRAY_BRUSH));
    StretchBlt(dc, target.left, target.top, width, height, source, 0, 0, size.cx, size.cy,
               kRopBrushWhereSourceBlack);
}

// Draws the chosen bitmap over the button face and the focus rectangle.
void drawButtonBitmap(HWND window, const ButtonState& state) noexcept
{
    const UINT options = drawingOptions(window);
    const BitmapChoice choice = chooseBitmap(window, state);
    SIZE size{};
    if (!options || !bitmapSize(choice.bitmap, size))
        return;

    const int border = GetSystemMetrics(SM_CXBORDER);
    const int shift = state.pressed ? kPressedShiftBorders * border : 0;
    RECT area{};
    GetClientRect(window, &area);
    InflateRect(&area, -kDrawingInsetBorders * border, -kDrawingInsetBorders * border);
    if (area.right <= area.left || area.bottom <= area.top)
        return;
    RECT target = area;
    OffsetRect(&target, shift, shift);

    w32k::WindowDC dc(window);
    if (!dc.get())
        return;
    if (options & kOptionStretch)
        SetStretchBltMode(dc, (options & kOptionBlackOnWhite) ? BLACKONWHITE : COLORONCOLOR);
    if (choice.embossed)
        drawEmbossed(dc, choice.bitmap, size, options, target);
    else
        drawPlain(dc, choice.bitmap, size, options, target);
    if (!(options & kOptionNoFocus) && GetFocus() == window)
        DrawFocusRect(dc, &target);
}

// ---------------------------------------------------------------------------
// Keeping the bitmap on the face. The system button repaints its face on
// BM_SETSTATE, WM_ENABLE, WM_SETFOCUS and WM_KILLFOCUS, on some systems
// directly (covering the bitmap and toggling its own focus rectangle), on
// others through a WM_PAINT that reaches this procedure while the base
// procedure is still at work. A change of the pressed or enabled state is
// therefore recorded before the base procedure sees it, and the bitmap for
// the new state is drawn once afterwards unless that WM_PAINT drew it
// already. Messages that leave the state as it was schedule a repaint
// instead, so the bitmap and the focus rectangle come back consistently.

struct PendingStateChange {
    HWND window;
    bool drawn;
};
thread_local PendingStateChange* t_pendingChange = nullptr;

void noteDrawn(HWND window) noexcept
{
    if (t_pendingChange && t_pendingChange->window == window)
        t_pendingChange->drawn = true;
}

void scheduleRepaint(HWND window) noexcept
{
    InvalidateRect(window, nullptr, FALSE);
}

// Passes a message that changed the state to the base procedure, then draws
// the bitmap for the new state if the base procedure's own paint did not.
LRESULT callBaseAfterStateChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    PendingStateChange change{window, false};
    PendingStateChange* const outer = std::exchange(t_pendingChange, &change);
    const LRESULT result = w32k::callBase(w32k::baseButtonProc(), window, message, wParam, lParam);
    t_pendingChange = outer;
    const ButtonState* state = buttonState(window); // the base procedure may have let the button go
    if (state && !change.drawn)
        drawButtonBitmap(window, *state);
    return result;
}

LONG pressedValue(WPARAM wParam) noexcept
{
    const auto value = static_cast<LONG>(static_cast<DWORD>(wParam));
    return (value == 0 && wParam != 0) ? 1 : value;
}

LRESULT onSetState(HWND window, WPARAM wParam, LPARAM lParam) noexcept
{
    ButtonState* state = buttonState(window);
    if (!state)
        return w32k::callBase(w32k::baseButtonProc(), window, BM_SETSTATE, wParam, lParam);
    if ((wParam != 0) == (state->pressed != 0)) {
        const LRESULT result =
            w32k::callBase(w32k::baseButtonProc(), window, BM_SETSTATE, wParam, lParam);
        scheduleRepaint(window);
        return result;
    }
    state->pressed = pressedValue(wParam);
    return callBaseAfterStateChange(window, BM_SETSTATE, wParam, lParam);
}

// Enabled or disabled, the button shows "BBmp" or its disabled look at once.
LRESULT onEnable(HWND window, WPARAM wParam, LPARAM lParam) noexcept
{
    if (ButtonState* state = buttonState(window))
        state->enabled = wParam != 0 ? 1 : 0;
    return callBaseAfterStateChange(window, WM_ENABLE, wParam, lParam);
}

// ---------------------------------------------------------------------------
// The other messages, each after the base button procedure.

LRESULT onNcCreate(HWND window, LRESULT baseResult) noexcept
{
    if (!baseResult)
        return baseResult;
    HLOCAL block = LocalAlloc(LPTR, sizeof(ButtonState));
    if (!block)
        return FALSE;
    if (!SetPropA(window, kStateProp, block)) {
        LocalFree(block);
        return FALSE;
    }
    return baseResult;
}

// A button created disabled starts disabled: it is told nothing by
// WM_ENABLE until its state changes.
void onCreate(HWND window) noexcept
{
    if (ButtonState* state = buttonState(window)) {
        state->pressed = 0;
        state->enabled = (GetWindowLongA(window, GWL_STYLE) & WS_DISABLED) ? 0 : 1;
    }
}

void onPaint(HWND window) noexcept
{
    if (const ButtonState* state = buttonState(window)) {
        drawButtonBitmap(window, *state);
        noteDrawn(window);
    }
}

void onDestroy(HWND window) noexcept
{
    const HBITMAP normal = removeBitmapProperty(window, kBitmapProp);
    removeBitmapProperty(window, kDisabledBitmapProp, normal);
    RemovePropA(window, kOptionsProp);
    if (HANDLE block = RemovePropA(window, kStateProp))
        LocalFree(block);
}

// ---------------------------------------------------------------------------
// The static frame.

LRESULT onFramePaint(HWND window) noexcept
{
    w32k::PaintDC dc(window);
    w32k::MemoryDC memory(dc);
    RECT inside{};
    GetClientRect(window, &inside);
    InflateRect(&inside, -kFrameMargin, -kFrameMargin);
    const int width = inside.right - inside.left;
    const int height = inside.bottom - inside.top;
    if (width <= 0 || height <= 0)
        return 0;

    const HBITMAP bitmap = bitmapProperty(window, kFrameBitmapProp);
    SIZE size{};
    if (memory && bitmapSize(bitmap, size)) {
        w32k::SelectGuard select(memory, bitmap);
        BitBlt(dc, inside.left, inside.top, std::min<int>(width, size.cx),
               std::min<int>(height, size.cy), memory, 0, 0, SRCCOPY);
    } else {
        PatBlt(dc, inside.left, inside.top, width, height, WHITENESS);
    }
    return 0;
}

LRESULT onFrameDestroy(HWND window) noexcept
{
    removeBitmapProperty(window, kFrameBitmapProp);
    w32k::callBase(w32k::baseStaticProc(), window, WM_DESTROY, 0, 0);
    return 0;
}

} // namespace

extern "C" LRESULT WINAPI TavoButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == BM_SETSTATE)
        return onSetState(window, wParam, lParam);
    if (message == WM_ENABLE)
        return onEnable(window, wParam, lParam);

    const LRESULT result = w32k::callBase(w32k::baseButtonProc(), window, message, wParam, lParam);
    switch (message) {
    case WM_NCCREATE:
        return onNcCreate(window, result);
    case WM_CREATE:
        onCreate(window);
        break;
    case WM_PAINT:
        onPaint(window);
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        scheduleRepaint(window);
        break;
    case WM_DESTROY:
        onDestroy(window);
        break;
    default:
        break;
    }
    return result;
}

extern "C" LRESULT WINAPI StaticBmpFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        return onFrameDestroy(window);
    case WM_PAINT:
        return onFramePaint(window);
    case WM_ERASEBKGND:
        return 1;
    default:
        return w32k::callBase(w32k::baseStaticProc(), window, message, wParam, lParam);
    }
}
