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

// Fills a new screen-compatible bitmap pixel by pixel.
HBITMAP paintBitmap(HBITMAP bitmap, int width, int height,
                    const std::function<COLORREF(int x, int y)>& colour)
{
    if (!bitmap)
        return nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(memory, x, y, colour(x, y));
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    GdiFlush();
    return bitmap;
}

constexpr char kHostClass[] = "W32KTestVisibleHost";

} // namespace

VisibleHost::VisibleHost(int width, int height, COLORREF background)
    : background_(CreateSolidBrush(background))
{
    WNDCLASSEXA cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = proc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    cls.lpszClassName = kHostClass;
    RegisterClassExA(&cls); // fails harmlessly when registered already
    window_ = CreateWindowExA(WS_EX_TOPMOST, kHostClass, "pixel host", WS_POPUP | WS_CLIPCHILDREN,
                              40, 40, width, height, nullptr, nullptr, GetModuleHandleA(nullptr), this);
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    settlePaint(window_);
}

VisibleHost::~VisibleHost()
{
    if (window_)
        DestroyWindow(window_);
    DeleteObject(background_);
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

LRESULT CALLBACK VisibleHost::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* host = reinterpret_cast<VisibleHost*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case WM_ERASEBKGND:
        if (host) {
            RECT r{};
            GetClientRect(window, &r);
            FillRect(reinterpret_cast<HDC>(wParam), &r, host->background_);
            return 1;
        }
        break;
    case WM_COMMAND:
        if (host)
            host->commands_.push_back({LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)});
        return 0;
    case WM_NCDESTROY:
        if (host)
            host->window_ = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
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
    if (dib)
        DeleteObject(dib);
    if (memory)
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
    const RECT r = clipped(area, width_, height_);
    return !IsRectEmpty(&r) && EqualRect(&r, &area) &&
           count(r, colour) == (r.right - r.left) * (r.bottom - r.top);
}

RECT ClientPixels::bounds(const RECT& area, const std::function<bool(COLORREF)>& match) const
{
    const RECT within = clipped(area, width_, height_);
    RECT r{width_, height_, 0, 0};
    for (int y = within.top; y < within.bottom; ++y)
        for (int x = within.left; x < within.right; ++x)
            if (match(at(x, y))) {
                r.left = std::min<LONG>(r.left, x);
                r.top = std::min<LONG>(r.top, y);
                r.right = std::max<LONG>(r.right, x + 1);
                r.bottom = std::max<LONG>(r.bottom, y + 1);
            }
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

bool ClientPixels::operator==(const ClientPixels& other) const
{
    return width_ == other.width_ && height_ == other.height_ && pixels_ == other.pixels_;
}

void fillClient(HWND window, COLORREF colour, const RECT* area)
{
    RECT r{};
    GetClientRect(window, &r);
    if (area)
        r = *area;
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
    // Systems that do not count (Wine) keep GDI objects in one table of 16-bit
    // indices, and a handle with an empty upper half names whatever lives at
    // its index: count the live entries.
    DWORD live = 0;
    for (ULONG_PTR index = 1; index <= 0xFFFF; ++index)
        live += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0 ? 1 : 0;
    return live;
}

} // namespace w32ktest
