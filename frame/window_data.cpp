#include "frame/window_data.h"

namespace w32k {

LONG_PTR setWindowData(HWND dialog, LONG_PTR value) noexcept
{
    SetWindowLongPtrA(dialog, DWLP_USER, value);
    return 0;
}

LONG_PTR getWindowData(HWND dialog) noexcept
{
    return GetWindowLongPtrA(dialog, DWLP_USER);
}

} // namespace w32k
