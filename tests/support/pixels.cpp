#include "support/pixels.h"

#include "frame/raii.h"
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

// Every (x, y) of area within width x height.
template <typename Visit>
void forEach(const RECT& area, int width, int height, Visit visit)
{
    for (int y = std::max<int>(area.top, 0); y < std::min<int>(area.bottom, height); ++y)
        for (int x = std::max<int>(area.left, 0); x < std::min<int>(area.right, width); ++x)
            visit(x, y);
}

HBITMAP paintBitmap(HBITMAP bitmap, int width, int height,
                    const std::function<COLORREF(int x, int y)>& colour)
{
    const w32k::MemoryDC memory(nullptr);
    const w32k::SelectGuard select(memory, bitmap);
    forEach({0, 0, width, height}, width, height,
            [&](int x, int y) { SetPixel(memory, x, y, colour(x, y)); });
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
    window_ = CreateWindowExA(WS_EX_TOPMOST, MAKEINTATOM(registered), "pixel host",
                              WS_POPUP | WS_CLIPCHILDREN, 40, 40, 320, 240, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
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
    const auto menu = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
    HWND control = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, window_,
                                   menu, GetModuleHandleA(nullptr), nullptr);
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

ClientPixels::ClientPixels(HWND window)
{
    GdiFlush();
    RECT client{};
    GetClientRect(window, &client);
    // Through a top-down 32-bit DIB section: pixels as 0x00RRGGBB.
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    const w32k::WindowDC dc(window);
    const w32k::MemoryDC memory(dc);
    void* bits = nullptr;
    const w32k::Bitmap dib(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (client.right <= 0 || client.bottom <= 0 || !memory || !dib)
        return;
    const w32k::SelectGuard select(memory, dib);
    BitBlt(memory, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* source = static_cast<const DWORD*>(bits);
    for (LONG i = 0; i < client.right * client.bottom; ++i)
        pixels_.push_back(RGB((source[i] >> 16) & 0xFF, (source[i] >> 8) & 0xFF, source[i] & 0xFF));
    width_ = client.right;
    height_ = client.bottom;
}

int ClientPixels::count(const RECT& area, COLORREF colour) const
{
    int n = 0;
    forEach(area, width_, height_, [&](int x, int y) { n += at(x, y) == colour; });
    return n;
}

bool ClientPixels::all(const RECT& area, COLORREF colour) const
{
    return !IsRectEmpty(&area) && count(area, colour) == (area.right - area.left) * (area.bottom - area.top);
}

RECT ClientPixels::bounds(COLORREF colour) const
{
    RECT r{width_, height_, 0, 0};
    forEach(rect(), width_, height_, [&](int x, int y) {
        if (at(x, y) == colour)
            r = {std::min<LONG>(r.left, x), std::min<LONG>(r.top, y), std::max<LONG>(r.right, x + 1),
                 std::max<LONG>(r.bottom, y + 1)};
    });
    return r.right > r.left ? r : RECT{};
}

HBITMAP makePatternBitmap(int width, int height, const std::function<COLORREF(int x, int y)>& colour)
{
    return paintBitmap(CreateCompatibleBitmap(w32k::WindowDC(nullptr), width, height), width, height, colour);
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
