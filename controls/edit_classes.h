// The check-box-only behaviour on a check box of another class.
#pragma once

#include <windows.h>

namespace w32k {

// Makes `box` show its focus as CheckBoxOnlyProc does. The procedure the box
// had is kept with the box and gets every message CheckBoxOnlyProc passes on,
// so a box of any button class (the version 6 one too) goes on working.
// False when the box could not be subclassed (it then keeps its own focus mark).
bool subclassAsCheckBoxOnly(HWND box) noexcept;

} // namespace w32k
