#include "pages.h"

#include <algorithm>

namespace demo {

namespace {
std::vector<Page>& registry()
{
    static std::vector<Page> all;
    return all;
}
} // namespace

PageRegistration::PageRegistration(const Page& page)
{
    auto& all = registry();
    auto at = std::find_if(all.begin(), all.end(), [&](const Page& p) { return p.order > page.order; });
    all.insert(at, page);
}

std::span<const Page> pages()
{
    return registry();
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
