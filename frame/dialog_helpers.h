// Services shared by the library's dialogs: centring a dialog on the screen,
// reading and setting check boxes and radio buttons, enabling controls, the
// step of a spin control.
#pragma once

#include <windows.h>

#include "frame/window_data.h"
#include "w32korutil1.h"

namespace w32k {

// Top-left corner that centres a width x height window on a screen of
// screenWidth x screenHeight; x is rounded to the nearest multiple of 8
// (halves up). Divisions round toward zero, so oversized windows go negative.
POINT centredOrigin(int screenWidth, int screenHeight, int width, int height) noexcept;

// Whether the dialog's button `id` is checked.
bool isChecked(HWND dialog, int id) noexcept;
// Checks or unchecks the dialog's button `id`.
void setChecked(HWND dialog, int id, bool checked) noexcept;
// Enables or disables the dialog's control `id`.
void enableControl(HWND dialog, int id, bool enabled) noexcept;
// Index of the first checked of `count` buttons with ids from `first` on, or
// `none` when none is checked.
unsigned firstChecked(HWND dialog, int first, unsigned count, unsigned none) noexcept;

// The step a WM_SPINSTEP lParam asks for: +1 for W32K_SPIN_UP, -1 for
// W32K_SPIN_DOWN, 0 for W32K_SPIN_NONE and any other code.
constexpr int spinDelta(LPARAM code) noexcept
{
    switch (LOWORD(code)) {
    case W32K_SPIN_UP:
        return 1;
    case W32K_SPIN_DOWN:
        return -1;
    default:
        return 0;
    }
}

} // namespace w32k
