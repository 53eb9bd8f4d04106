// Library-wide values written by the load handler and read everywhere else.
#pragma once

#include <windows.h>

namespace w32k {

// This library's own instance: classes, dialogs and resources come from it.
HINSTANCE moduleInstance() noexcept;

// Window procedures of the system classes the derived controls pass on to.
WNDPROC baseEditProc() noexcept;
WNDPROC baseButtonProc() noexcept;
WNDPROC baseStaticProc() noexcept;

namespace detail {
void setModuleInstance(HINSTANCE instance) noexcept;
void setBaseEditProc(WNDPROC proc) noexcept;
void setBaseButtonProc(WNDPROC proc) noexcept;
void setBaseStaticProc(WNDPROC proc) noexcept;
} // namespace detail

// Passes a message on to a base procedure, or to DefWindowProcA before the
// library has learned it.
LRESULT callBase(WNDPROC base, HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

} // namespace w32k
