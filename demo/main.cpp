// The demo host: a small panel-designer stand-in that uses W32KORUTIL1.dll
// through its public header and import library. Run with --tour DIR to save a
// screenshot of every page and dialog into DIR and exit.
#include "pages.h"
#include "tour.h"

#include "w32korutil1.h"

#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kPageListId = 100;
constexpr int kListWidth = 150;
constexpr char kMainClass[] = "W32KDemoMain";
constexpr char kAreaClass[] = "W32KDemoArea";

HWND g_list = nullptr;
HWND g_area = nullptr;

void showPage(size_t index)
{
    const auto all = demo::pages();
    if (index >= all.size())
        return;
    while (HWND child = GetWindow(g_area, GW_CHILD))
        DestroyWindow(child);
    all[index].show(g_area);
    SendMessageA(g_list, LB_SETCURSEL, index, 0);
    InvalidateRect(g_area, nullptr, TRUE);
}

void layout(HWND window)
{
    RECT r;
    GetClientRect(window, &r);
    MoveWindow(g_list, 8, 8, kListWidth, r.bottom - 16, TRUE);
    MoveWindow(g_area, kListWidth + 16, 8, r.right - kListWidth - 24, r.bottom - 16, TRUE);
}

void onCreate(HWND window)
{
    g_list = demo::addControl(window, "LISTBOX", "", WS_BORDER | WS_VSCROLL | LBS_NOTIFY, 0, 0, 0,
                              0, kPageListId);
    for (const auto& page : demo::pages())
        SendMessageA(g_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(page.name));
    g_area = CreateWindowExA(WS_EX_CONTROLPARENT, kAreaClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                             window, nullptr, GetModuleHandleA(nullptr), nullptr);
    layout(window);
    showPage(0);
}

LRESULT CALLBACK mainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        onCreate(window);
        return 0;
    case WM_SIZE:
        layout(window);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == kPageListId && HIWORD(wParam) == LBN_SELCHANGE)
            showPage(static_cast<size_t>(SendMessageA(g_list, LB_GETCURSEL, 0, 0)));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// The page area passes its controls' commands to the page's own handlers by
// forwarding them to the controls' creator: pages use their own dialogs, so
// the area only needs a grey background.
LRESULT CALLBACK areaProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND) {
        // Buttons of a page carry their action in GWLP_USERDATA.
        HWND control = reinterpret_cast<HWND>(lParam);
        auto action = reinterpret_cast<void (*)(HWND)>(GetWindowLongPtrA(control, GWLP_USERDATA));
        if (action && HIWORD(wParam) == BN_CLICKED)
            action(GetAncestor(window, GA_ROOT));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool registerClasses(HINSTANCE instance)
{
    WNDCLASSEXA cls{};
    cls.cbSize = sizeof cls;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    cls.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    cls.lpfnWndProc = mainProc;
    cls.lpszClassName = kMainClass;
    if (!RegisterClassExA(&cls))
        return false;
    cls.lpfnWndProc = areaProc;
    cls.lpszClassName = kAreaClass;
    return RegisterClassExA(&cls) != 0;
}

int runTour(HWND window, const std::string& directory)
{
    demo::Tour tour(directory);
    const auto all = demo::pages();
    for (size_t i = 0; i < all.size(); ++i) {
        showPage(i);
        all[i].tour(tour, window);
    }
    DestroyWindow(window);
    return tour.failures() == 0 ? 0 : 1;
}

// The host's allocator: blocks the library makes for the host come from the
// C runtime heap both share.
void* WINAPI hostAllocate(UINT bytes)
{
    return std::malloc(bytes);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show)
{
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    if (!registerClasses(instance))
        return 1;
    SetAppFmalloc(hostAllocate);
    HWND window = CreateWindowExA(0, kMainClass, "W32KORUTIL1 demo host",
                                  WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, 660, 460, nullptr,
                                  nullptr, instance, nullptr);
    if (!window)
        return 1;
    ShowWindow(window, show);
    UpdateWindow(window);

    const char* tourFlag = std::strstr(commandLine, "--tour");
    if (tourFlag) {
        std::string directory = tourFlag + std::strlen("--tour");
        directory.erase(0, directory.find_first_not_of(' '));
        return runTour(window, directory.empty() ? "tour" : directory);
    }

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(window, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}
