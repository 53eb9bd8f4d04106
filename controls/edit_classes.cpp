// Check-box-only button (class "CHECKBOXONLY_32") and digits-only edit
// (class "DLGNOALPHAEDIT_32").
#include "frame/module.h"
#include "frame/raii.h"
#include "w32korutil1.h"

namespace {

// ---- check-box-only button ------------------------------------------------

// How far the focus rectangle lies outside the control, and how far it is
// then moved to the left (so that it frames the box at the control's left).
constexpr int kFocusMargin = 2;
constexpr int kFocusShiftLeft = 2;

// Draws (or, drawn a second time, removes) the dotted focus rectangle on the
// parent around the whole control. A control without a parent draws nothing.
void toggleFocusRectangle(HWND control) noexcept
{
    HWND parent = GetParent(control);
    if (!parent)
        return;
    RECT frame{};
    GetWindowRect(control, &frame);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&frame), 2);
    InflateRect(&frame, kFocusMargin, kFocusMargin);
    OffsetRect(&frame, -kFocusShiftLeft, 0);
    w32k::WindowDC dc(parent);
    if (dc)
        DrawFocusRect(dc, &frame);
}

// ---- digits-only edit -----------------------------------------------------

constexpr char kTab = '\t';
constexpr char kReturn = '\r';

bool reportsReturn(HWND edit) noexcept
{
    return GetPropA(edit, W32K_PROP_EDIT_RETURN) != nullptr;
}

LRESULT passToEdit(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    return w32k::callBase(w32k::baseEditProc(), edit, message, wParam, lParam);
}

// Typed characters: Tab/Return go to the parent when "RET" is set, digits go
// to the edit, everything else beeps and is dropped.
LRESULT onEditChar(HWND edit, WPARAM wParam, LPARAM lParam) noexcept
{
    const char typed = static_cast<char>(wParam);
    if ((typed == kTab || typed == kReturn) && reportsReturn(edit)) {
        SendMessageA(GetParent(edit), WM_EDITRETURN, reinterpret_cast<WPARAM>(edit), 0);
        return 0;
    }
    if (typed == kTab || typed == kReturn)
        return passToEdit(edit, WM_CHAR, wParam, lParam);
    if (IsCharAlphaA(typed) || !IsCharAlphaNumericA(typed)) {
        MessageBeep(0);
        return 0;
    }
    return passToEdit(edit, WM_CHAR, wParam, lParam);
}

LRESULT onEditGetDlgCode(HWND edit, WPARAM wParam, LPARAM lParam) noexcept
{
    if (reportsReturn(edit))
        return DLGC_WANTALLKEYS;
    return passToEdit(edit, WM_GETDLGCODE, wParam, lParam);
}

LRESULT onEditDestroy(HWND edit, WPARAM wParam, LPARAM lParam) noexcept
{
    RemovePropA(edit, W32K_PROP_EDIT_RETURN);
    return passToEdit(edit, WM_DESTROY, wParam, lParam);
}

} // namespace

extern "C" {

LRESULT WINAPI CheckBoxOnlyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        toggleFocusRectangle(window);
        return 0;
    default:
        return w32k::callBase(w32k::baseButtonProc(), window, message, wParam, lParam);
    }
}

LRESULT WINAPI DlgNoAlphaEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CHAR:
        return onEditChar(window, wParam, lParam);
    case WM_GETDLGCODE:
        return onEditGetDlgCode(window, wParam, lParam);
    case WM_DESTROY:
        return onEditDestroy(window, wParam, lParam);
    default:
        return passToEdit(window, message, wParam, lParam);
    }
}

} // extern "C"
