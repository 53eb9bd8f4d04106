#include "pages.h"

#include <array>

namespace demo {

std::span<const Page> pages()
{
    static const std::array<Page, 1> all = {kLibraryPage};
    return all;
}

HWND addControl(HWND area, const char* cls, const char* text, DWORD style, int x, int y, int w,
                int h, int id)
{
    HWND control = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, area,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleA(nullptr), nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    return control;
}

HWND addActionButton(HWND area, const char* text, int x, int y, int w, int h,
                     void (*action)(HWND owner))
{
    HWND button = addControl(area, "BUTTON", text, BS_PUSHBUTTON | WS_TABSTOP, x, y, w, h);
    SetWindowLongPtrA(button, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(action));
    return button;
}

} // namespace demo
