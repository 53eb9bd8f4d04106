// The controls page: percentage meters in both orientations with every
// border, bitmap push-buttons in each of their looks and a static bitmap
// frame. The bitmaps are drawn here, as a host would make its own.
#include "pages.h"
#include "tour.h"

#include "w32korutil1.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace demo {

namespace {

// Meters: one per border style, in both orientations.
struct MeterLook {
    const char* name;
    LONG style;
    int position;         // of 100, horizontal
    int verticalPosition; // of 100, vertical (short texts fit the narrow bars)
};

constexpr std::array<MeterLook, 5> kMeterLooks = {{
    {"No border", 0, 20, 15},
    {"Frame", W32K_METER_FRAME, 40, 35},
    {"Sunken", W32K_METER_SUNKEN, 60, 55},
    {"Raised", W32K_METER_RAISED, 80, 75},
    {"Sunken, frame", W32K_METER_SUNKEN | W32K_METER_FRAME, 100, 95},
}};

constexpr int kMeterRange = 100;
constexpr int kMeterStep = 10;

std::array<HWND, 2 * kMeterLooks.size()> g_meters{};

// Button bitmaps are the size of the drawing rectangle of a 64 x 48 button.
constexpr int kButtonWidth = 64;
constexpr int kButtonHeight = 48;
constexpr int kPictureWidth = 56;
constexpr int kPictureHeight = 40;

// A screen-compatible bitmap painted by `paint` (DC, width, height).
template <typename Paint>
HBITMAP drawBitmap(int width, int height, bool monochrome, Paint paint)
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = monochrome ? CreateBitmap(width, height, 1, 1, nullptr)
                                : CreateCompatibleBitmap(screen, width, height);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    paint(dc, width, height);
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

void fill(HDC dc, const RECT& r, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

// A disc with a "play" triangle: the run button's picture.
void paintRunPicture(HDC dc, int width, int height, COLORREF disc, COLORREF rim, COLORREF mark)
{
    fill(dc, {0, 0, width, height}, GetSysColor(COLOR_BTNFACE));
    HBRUSH brush = CreateSolidBrush(disc);
    HPEN pen = CreatePen(PS_SOLID, 2, rim);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    const int size = height - 4;
    const int left = (width - size) / 2;
    Ellipse(dc, left, 2, left + size, 2 + size);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);

    HBRUSH markBrush = CreateSolidBrush(mark);
    oldBrush = SelectObject(dc, markBrush);
    oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    const int cx = width / 2, cy = height / 2;
    const POINT triangle[] = {{cx - 6, cy - 10}, {cx - 6, cy + 10}, {cx + 11, cy}};
    Polygon(dc, triangle, 3);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(markBrush);
}

HBITMAP runPicture()
{
    return drawBitmap(kPictureWidth, kPictureHeight, false, [](HDC dc, int w, int h) {
        paintRunPicture(dc, w, h, RGB(40, 170, 60), RGB(20, 100, 30), RGB(255, 255, 255));
    });
}

// The run picture in the muted colours the host chose for "disabled".
HBITMAP runPictureDisabled()
{
    return drawBitmap(kPictureWidth, kPictureHeight, false, [](HDC dc, int w, int h) {
        paintRunPicture(dc, w, h, RGB(200, 200, 200), RGB(150, 150, 150), RGB(245, 245, 245));
    });
}

// A black "stop" square with a white bar, 1 bit per pixel: the face shows
// through its white pixels.
HBITMAP stopPicture()
{
    return drawBitmap(kPictureWidth, kPictureHeight, true, [](HDC dc, int w, int h) {
        fill(dc, {0, 0, w, h}, RGB(255, 255, 255));
        const int size = h - 8;
        const RECT square{(w - size) / 2, 4, (w + size) / 2, 4 + size};
        fill(dc, square, RGB(0, 0, 0));
        fill(dc, {square.left + 6, h / 2 - 3, square.right - 6, h / 2 + 3}, RGB(255, 255, 255));
    });
}

// An operator panel in a landscape: the frame's picture, larger than the
// frame so that only its top-left part shows.
HBITMAP panelPicture(int width, int height)
{
    return drawBitmap(width, height, false, [](HDC dc, int w, int h) {
        for (int y = 0; y < h; ++y) // sky, lighter towards the horizon
            fill(dc, {0, y, w, y + 1}, RGB(90 + y, 150 + y / 2, 230));
        HBRUSH sun = CreateSolidBrush(RGB(255, 210, 40));
        HGDIOBJ oldBrush = SelectObject(dc, sun);
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
        Ellipse(dc, 90, 6, 112, 28);
        HBRUSH hills = CreateSolidBrush(RGB(70, 150, 70));
        SelectObject(dc, hills);
        const POINT land[] = {{0, h * 2 / 3}, {w / 3, h / 2}, {w * 2 / 3, h * 2 / 3},
                              {w, h / 2 + 6}, {w, h}, {0, h}};
        Polygon(dc, land, 6);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        DeleteObject(sun);
        DeleteObject(hills);
        // The panel: a dark bezel, a blue screen with a bar, three keys.
        fill(dc, {12, 14, 84, 66}, RGB(50, 50, 55));
        fill(dc, {18, 20, 78, 48}, RGB(20, 60, 140));
        fill(dc, {22, 36, 58, 42}, RGB(120, 220, 120));
        for (int key = 0; key < 3; ++key)
            fill(dc, {22 + key * 20, 53, 34 + key * 20, 61}, RGB(200, 200, 200));
    });
}

// A bitmap push-button with its bitmaps and options, as a host sets it up.
HWND addBitmapButton(HWND area, int x, int y, HBITMAP normal, HBITMAP disabled, UINT options,
                     DWORD style = 0)
{
    HWND button = addControl(area, W32K_CLASS_BITMAP_BUTTON, "", BS_PUSHBUTTON | WS_TABSTOP | style,
                             x, y, kButtonWidth, kButtonHeight);
    SetPropA(button, W32K_PROP_BUTTON_BITMAP, normal);
    if (disabled)
        SetPropA(button, W32K_PROP_BUTTON_DISABLED, disabled);
    SetPropA(button, W32K_PROP_BUTTON_OPTIONS, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(options)));
    InvalidateRect(button, nullptr, TRUE);
    return button;
}

void addCaption(HWND area, const char* text, int x, int y, int width)
{
    addControl(area, "STATIC", text, SS_CENTER | SS_NOPREFIX, x, y, width, 16);
}

void showMeters(HWND area)
{
    addControl(area, "BUTTON", "Percentage meters", BS_GROUPBOX, 8, 4, 462, 156);
    for (size_t i = 0; i < kMeterLooks.size(); ++i) {
        const MeterLook& look = kMeterLooks[i];
        const int row = static_cast<int>(i);
        const int y = 24 + row * 26;
        addControl(area, "STATIC", look.name, SS_LEFT, 20, y + 3, 90, 16);
        HWND horizontal = addControl(area, W32K_CLASS_METER, "", look.style, 110, y, 144, 20);
        HWND vertical = addControl(area, W32K_CLASS_METER, "", look.style | W32K_METER_VERTICAL,
                                   266 + row * 40, 24, 38, 124);
        SendMessageA(horizontal, WM_METERSETRANGE, kMeterRange, 0);
        SendMessageA(horizontal, WM_METERSETPOS, look.position, 0);
        SendMessageA(vertical, WM_METERSETRANGE, kMeterRange, 0);
        SendMessageA(vertical, WM_METERSETPOS, look.verticalPosition, 0);
        g_meters[2 * i] = horizontal;
        g_meters[2 * i + 1] = vertical;
    }
}

// Moves every meter on by a step, wrapping after 100%.
void advanceMeters(HWND)
{
    for (HWND meter : g_meters) {
        if (!IsWindow(meter))
            continue;
        const auto position = static_cast<int>(SendMessageA(meter, WM_METERGETPOS, 0, 0));
        const int next = position >= kMeterRange ? 0 : position + kMeterStep;
        SendMessageA(meter, WM_METERSETPOS, next, 0);
    }
}

void showButtons(HWND area)
{
    addControl(area, "BUTTON", "Bitmap push-buttons", BS_GROUPBOX, 8, 166, 462, 110);
    const UINT stretched = W32K_BMPOP_STRETCH;
    constexpr int kPitch = 90;
    constexpr int kLeft = 24;
    constexpr int kTop = 186;
    addBitmapButton(area, kLeft, kTop, runPicture(), nullptr, stretched);
    HWND pressed = addBitmapButton(area, kLeft + kPitch, kTop, runPicture(), nullptr, stretched);
    SendMessageA(pressed, BM_SETSTATE, TRUE, 0);
    addBitmapButton(area, kLeft + 2 * kPitch, kTop, runPicture(), runPictureDisabled(), stretched,
                    WS_DISABLED);
    addBitmapButton(area, kLeft + 3 * kPitch, kTop, runPicture(), nullptr, stretched, WS_DISABLED);
    addBitmapButton(area, kLeft + 4 * kPitch, kTop, stopPicture(), nullptr,
                    stretched | W32K_BMPOP_MONOCHROME);
    const char* captions[] = {"Normal", "Pressed", "Disabled\n(BBmpD)", "Disabled\n(embossed)",
                              "Monochrome"};
    for (int i = 0; i < 5; ++i)
        addControl(area, "STATIC", captions[i], SS_CENTER, kLeft - 12 + i * kPitch, kTop + 50, 88, 28);
}

// A static control turned into a bitmap frame, as a host does it.
HWND addBitmapFrame(HWND area, int x, int y, HBITMAP bitmap)
{
    HWND frame = addControl(area, "STATIC", "", WS_BORDER, x, y, 124, 84);
    SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StaticBmpFrameProc));
    if (bitmap)
        SetPropA(frame, W32K_PROP_FRAME_BITMAP, bitmap);
    InvalidateRect(frame, nullptr, TRUE);
    return frame;
}

void showFrames(HWND area)
{
    addControl(area, "BUTTON", "Static bitmap frames", BS_GROUPBOX, 8, 282, 300, 126);
    addBitmapFrame(area, 24, 300, panelPicture(160, 100));
    addBitmapFrame(area, 168, 300, nullptr);
    addCaption(area, "Larger bitmap, cut", 24, 387, 124);
    addCaption(area, "No bitmap", 168, 387, 124);

    addActionButton(area, "Advance meters", 330, 300, 120, 26, advanceMeters);
}

void show(HWND area)
{
    showMeters(area);
    showButtons(area);
    showFrames(area);
}

void tour(Tour& t, HWND mainWindow)
{
    t.screenshot(mainWindow, "controls");
}

const PageRegistration registration({60, "Controls", show, tour});

} // namespace
} // namespace demo
