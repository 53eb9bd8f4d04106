#include "frame/dialog_helpers.h"

namespace w32k {

POINT centredOrigin(int screenWidth, int screenHeight, int width, int height) noexcept
{
    constexpr int kAlign = 8;
    const int x = ((screenWidth - width) / 2 + kAlign / 2) & ~(kAlign - 1);
    const int y = (screenHeight - height) / 2;
    return POINT{x, y};
}

bool isChecked(HWND dialog, int id) noexcept
{
    return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void setChecked(HWND dialog, int id, bool checked) noexcept
{
    CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void enableControl(HWND dialog, int id, bool enabled) noexcept
{
    EnableWindow(GetDlgItem(dialog, id), enabled ? TRUE : FALSE);
}

unsigned firstChecked(HWND dialog, int first, unsigned count, unsigned none) noexcept
{
    for (unsigned i = 0; i < count; ++i) {
        if (isChecked(dialog, first + static_cast<int>(i)))
            return i;
    }
    return none;
}

} // namespace w32k

extern "C" {

BOOL WINAPI CenterDialogBox(HWND dialog)
{
    RECT rect{};
    GetWindowRect(dialog, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const POINT origin = w32k::centredOrigin(GetSystemMetrics(SM_CXSCREEN),
                                             GetSystemMetrics(SM_CYSCREEN), width, height);
    return MoveWindow(dialog, origin.x, origin.y, width, height, FALSE);
}

} // extern "C"
