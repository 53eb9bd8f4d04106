#include "support/pixels.h"

#include "support/test_support.h"

#include <algorithm>

bool operator==(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

void PrintTo(const RECT& r, std::ostream* out)
{
    *out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace w32ktest {

namespace {

RECT clipped(const RECT& area, int width, int height)
{
    RECT r{};
    const RECT all{0, 0, width, height};
    IntersectRect(&r, &area, &all);
    return r;
}

// Paints a bitmap pixel by pixel.
HBITMAP paintBitmap(HBITMAP bitmap, int width, int height, const std::function<COLORREF(int x, int y)>& colour)
{
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, bitmap);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(memory, x, y, colour(x, y));
    SelectObject(memory, old);
    DeleteDC(memory);
    GdiFlush();
    return bitmap;
}

} // namespace

VisibleHost::VisibleHost()
{
    static const ATOM registered = [] {
        const WNDCLASSEXA cls{sizeof cls, 0, DefWindowProcA, 0, 0, GetModuleHandleA(nullptr), nullptr,
                              LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)),
                              CreateSolidBrush(RGB(0, 128, 128)), nullptr, "W32KTestVisibleHost", nullptr};
        return RegisterClassExA(&cls);
    }();
    window_ = CreateWindowExA(WS_EX_TOPMOST, MAKEINTATOM(registered), "pixel host", WS_POPUP | WS_CLIPCHILDREN, 40,
                              40, 320, 240, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    settlePaint(window_);
}

VisibleHost::~VisibleHost()
{
    DestroyWindow(window_);
    pumpMessages();
}

HWND VisibleHost::add(const char* cls, DWORD style, int x, int y, int width, int height, int id,
                      const char* text)
{
    HWND control = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                                   window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleA(nullptr), nullptr);
    settlePaint(window_);
    return control;
}

void settlePaint(HWND window)
{
    UpdateWindow(window);
    pumpMessages(30);
    GdiFlush();
}

void repaintNow(HWND window, bool erase)
{
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | (erase ? RDW_ERASE : 0));
    settlePaint(window);
}

COLORREF clientPixel(HWND window, int x, int y)
{
    return ClientPixels(window).at(x, y);
}

ClientPixels::ClientPixels(HWND window)
{
    GdiFlush();
    RECT client{};
    GetClientRect(window, &client);
    if (client.right <= 0 || client.bottom <= 0)
        return;
    // Through a top-down 32-bit DIB section: pixels as 0x00RRGGBB.
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC dc = GetDC(window);
    HDC memory = CreateCompatibleDC(dc);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory && dib) {
        HGDIOBJ old = SelectObject(memory, dib);
        BitBlt(memory, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
        GdiFlush();
        const auto* source = static_cast<const DWORD*>(bits);
        for (LONG i = 0; i < client.right * client.bottom; ++i)
            pixels_.push_back(RGB((source[i] >> 16) & 0xFF, (source[i] >> 8) & 0xFF, source[i] & 0xFF));
        SelectObject(memory, old);
        width_ = client.right;
        height_ = client.bottom;
    }
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(window, dc);
}

COLORREF ClientPixels::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return CLR_INVALID;
    return pixels_[static_cast<size_t>(y) * width_ + x];
}

int ClientPixels::count(const RECT& area, COLORREF colour) const
{
    const RECT r = clipped(area, width_, height_);
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            n += at(x, y) == colour ? 1 : 0;
    return n;
}

bool ClientPixels::all(const RECT& area, COLORREF colour) const
{
    return !IsRectEmpty(&area) && count(area, colour) == (area.right - area.left) * (area.bottom - area.top);
}

RECT ClientPixels::bounds(const RECT& area, const std::function<bool(COLORREF)>& match) const
{
    const RECT within = clipped(area, width_, height_);
    RECT r{width_, height_, 0, 0};
    for (int y = within.top; y < within.bottom; ++y)
        for (int x = within.left; x < within.right; ++x)
            if (match(at(x, y)))
                r = {std::min<LONG>(r.left, x), std::min<LONG>(r.top, y), std::max<LONG>(r.right, x + 1),
                     std::max<LONG>(r.bottom, y + 1)};
    return r.right > r.left ? r : RECT{};
}

int ClientPixels::differences(const ClientPixels& other, const RECT& area) const
{
    const RECT r = clipped(area, width_, height_);
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            n += at(x, y) != other.at(x, y) ? 1 : 0;
    return n;
}

void fillClient(HWND window, COLORREF colour)
{
    RECT r{};
    GetClientRect(window, &r);
    HDC dc = GetDC(window);
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    ReleaseDC(window, dc);
    GdiFlush();
}

HBITMAP makeSolidBitmap(int width, int height, COLORREF colour)
{
    return makePatternBitmap(width, height, [colour](int, int) { return colour; });
}

HBITMAP makePatternBitmap(int width, int height, const std::function<COLORREF(int x, int y)>& colour)
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    return paintBitmap(bitmap, width, height, colour);
}

HBITMAP makeMonochromeBitmap(int width, int height, const std::function<bool(int x, int y)>& black)
{
    return paintBitmap(CreateBitmap(width, height, 1, 1, nullptr), width, height,
                       [&black](int x, int y) { return black(x, y) ? RGB(0, 0, 0) : RGB(255, 255, 255); });
}

bool gdiObjectAlive(HGDIOBJ object)
{
    return GetObjectType(object) != 0;
}

DWORD gdiObjectCount()
{
    if (const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
        return counted;
    // Wine does not count: it keeps GDI objects in one table of 16-bit indices,
    // and a handle with an empty upper half names whatever lives at its index.
    DWORD live = 0;
    for (ULONG_PTR index = 1; index <= 0xFFFF; ++index)
        live += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0 ? 1 : 0;
    return live;
}

} // namespace w32ktest
