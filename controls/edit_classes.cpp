// Check-box-only button (class "CHECKBOXONLY_32") and digits-only edit
// (class "DLGNOALPHAEDIT_32").
#include "frame/module.h"
#include "w32korutil1.h"

extern "C" LRESULT WINAPI CheckBoxOnlyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return w32k::callBase(w32k::baseButtonProc(), window, message, wParam, lParam);
}

extern "C" LRESULT WINAPI DlgNoAlphaEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return w32k::callBase(w32k::baseEditProc(), window, message, wParam, lParam);
}
