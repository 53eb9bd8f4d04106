#include "frame/module.h"

namespace w32k {

namespace {
HINSTANCE g_instance = nullptr;
WNDPROC g_baseEdit = nullptr;
WNDPROC g_baseButton = nullptr;
WNDPROC g_baseStatic = nullptr;
} // namespace

HINSTANCE moduleInstance() noexcept { return g_instance; }
WNDPROC baseEditProc() noexcept { return g_baseEdit; }
WNDPROC baseButtonProc() noexcept { return g_baseButton; }
WNDPROC baseStaticProc() noexcept { return g_baseStatic; }

namespace detail {
void setModuleInstance(HINSTANCE instance) noexcept { g_instance = instance; }
void setBaseEditProc(WNDPROC proc) noexcept { g_baseEdit = proc; }
void setBaseButtonProc(WNDPROC proc) noexcept { g_baseButton = proc; }
void setBaseStaticProc(WNDPROC proc) noexcept { g_baseStatic = proc; }
} // namespace detail

LRESULT callBase(WNDPROC base, HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    return base ? CallWindowProcA(base, window, message, wParam, lParam)
                : DefWindowProcA(window, message, wParam, lParam);
}

} // namespace w32k
