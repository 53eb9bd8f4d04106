#include "tour.h"

#include <objidl.h>
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <gdiplus.h>
#pragma GCC diagnostic pop

#include <memory>

namespace demo {

namespace {

// GDI+'s PNG encoder.
const CLSID kPngEncoder = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

class GdiplusSession {
public:
    GdiplusSession()
    {
        Gdiplus::GdiplusStartupInput input;
        ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession()
    {
        if (ok_)
            Gdiplus::GdiplusShutdown(token_);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

private:
    ULONG_PTR token_ = 0;
    bool ok_ = false;
};

// Lets pending paints and timers run for a moment.
void settle(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 150) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
    GdiFlush();
}

struct PendingCapture {
    Tour* tour;
    std::string name;
    std::function<void(HWND)> prepare;
    HHOOK hook;
};
PendingCapture* g_pending = nullptr;

void CALLBACK captureOnTimer(HWND dialog, UINT, UINT_PTR id, DWORD)
{
    KillTimer(dialog, id);
    PendingCapture* pending = g_pending;
    if (!pending)
        return;
    if (pending->prepare)
        pending->prepare(dialog);
    pending->tour->screenshot(dialog, pending->name);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

LRESULT CALLBACK captureHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && g_pending && g_pending->hook) {
        char cls[32] = {};
        const auto window = reinterpret_cast<HWND>(wParam);
        GetClassNameA(window, cls, sizeof cls);
        if (lstrcmpA(cls, "#32770") == 0) {
            UnhookWindowsHookEx(g_pending->hook);
            g_pending->hook = nullptr;
            SetTimer(window, 1, 200, captureOnTimer);
            return 0;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

Tour::Tour(std::string directory) : directory_(std::move(directory))
{
    CreateDirectoryA(directory_.c_str(), nullptr);
}

bool Tour::screenshot(HWND window, const std::string& name)
{
    static GdiplusSession gdiplus;
    settle(window);
    RECT r;
    GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    bool saved = false;
    {
        Gdiplus::Bitmap image(bitmap, nullptr);
        const std::string path = directory_ + "\\" + name + ".png";
        std::wstring wide(path.begin(), path.end());
        saved = image.Save(wide.c_str(), &kPngEncoder, nullptr) == Gdiplus::Ok;
    }
    DeleteObject(bitmap);
    if (!saved)
        ++failures_;
    return saved;
}

void Tour::captureDialog(const std::string& name, const std::function<void()>& open,
                         const std::function<void(HWND)>& prepare)
{
    PendingCapture pending{this, name, prepare, nullptr};
    pending.hook = SetWindowsHookExA(WH_CBT, captureHook, nullptr, GetCurrentThreadId());
    g_pending = &pending;
    open();
    if (pending.hook) {
        UnhookWindowsHookEx(pending.hook);
        ++failures_; // the dialog never came up
    }
    g_pending = nullptr;
}

} // namespace demo
