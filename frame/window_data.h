// The window-data slot of a dialog (DWLP_USER): the address of the host
// record the dialog edits, stored at WM_INITDIALOG and read by every later
// message. Before anything is stored the slot reads 0.
#pragma once

#include <windows.h>

namespace w32k {

// Stores a dialog's host record; always returns 0.
LONG_PTR setWindowData(HWND dialog, LONG_PTR value) noexcept;
// The value stored, 0 before anything was stored.
LONG_PTR getWindowData(HWND dialog) noexcept;

// The host record of a dialog, typed (null before WM_INITDIALOG stored it).
template <typename Record>
Record* windowRecord(HWND dialog) noexcept
{
    return reinterpret_cast<Record*>(getWindowData(dialog));
}

} // namespace w32k
