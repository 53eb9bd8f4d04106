// Check-box-only button (class "CHECKBOXONLY_32") and digits-only edit
// (class "DLGNOALPHAEDIT_32").
#include "controls/edit_classes.h"

#include "frame/module.h"
#include "frame/raii.h"
#include "w32korutil1.h"

namespace {

// ---- check-box-only button ------------------------------------------------

// How far the focus rectangle lies outside the control, and how far it is
// then moved to the left (so that it frames the box at the control's left).
constexpr int kFocusMargin = 2;
constexpr int kFocusShiftLeft = 2;

// Where the focus rectangle lies on the parent: around the whole control,
// grown and then moved to the left. False for a control without a parent.
bool focusFrame(HWND control, HWND& parent, RECT& frame) noexcept
{
    parent = GetParent(control);
    if (!parent || !GetWindowRect(control, &frame))
        return false;
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&frame), 2);
    InflateRect(&frame, kFocusMargin, kFocusMargin);
    OffsetRect(&frame, -kFocusShiftLeft, 0);
    return true;
}

// Draws the dotted focus rectangle on the parent.
void showFocusRectangle(HWND control) noexcept
{
    HWND parent = nullptr;
    RECT frame{};
    if (!focusFrame(control, parent, frame))
        return;
    w32k::WindowDC dc(parent);
    if (dc)
        DrawFocusRect(dc, &frame);
}

// Removes it by having the parent and the controls under it paint that place
// again: inverting it once more would draw it anew wherever the parent was
// repainted meanwhile (a message box over the dialog, a dialog uncovered).
void hideFocusRectangle(HWND control) noexcept
{
    HWND parent = nullptr;
    RECT frame{};
    if (focusFrame(control, parent, frame))
        RedrawWindow(parent, &frame, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// A check box subclassed by subclassAsCheckBoxOnly keeps the procedure it had
// in this property; a "CHECKBOXONLY_32" window has none and passes on to the
// base button procedure.
constexpr const char* kReplacedProcedure = "W32K_CheckBoxReplaced";

WNDPROC procedureBelow(HWND box) noexcept
{
    if (HANDLE replaced = GetPropA(box, kReplacedProcedure))
        return reinterpret_cast<WNDPROC>(reinterpret_cast<UINT_PTR>(replaced));
    return w32k::baseButtonProc();
}

LRESULT passToButton(HWND box, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    return w32k::callBase(procedureBelow(box), box, message, wParam, lParam);
}

// The box's last message: the kept procedure is forgotten, then told.
LRESULT onCheckBoxNcDestroy(HWND box, WPARAM wParam, LPARAM lParam) noexcept
{
    const WNDPROC below = procedureBelow(box);
    RemovePropA(box, kReplacedProcedure);
    return w32k::callBase(below, box, WM_NCDESTROY, wParam, lParam);
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

namespace w32k {

bool subclassAsCheckBoxOnly(HWND box) noexcept
{
    const LONG_PTR replaced = GetWindowLongPtrA(box, GWLP_WNDPROC);
    if (replaced == reinterpret_cast<LONG_PTR>(CheckBoxOnlyProc))
        return true; // subclassed before (or of the class itself)
    if (!replaced || !SetPropA(box, kReplacedProcedure, reinterpret_cast<HANDLE>(replaced)))
        return false;
    SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CheckBoxOnlyProc));
    return true;
}

} // namespace w32k

extern "C" {

LRESULT WINAPI CheckBoxOnlyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETFOCUS:
        showFocusRectangle(window);
        return 0;
    case WM_KILLFOCUS:
        hideFocusRectangle(window);
        return 0;
    case WM_NCDESTROY:
        return onCheckBoxNcDestroy(window, wParam, lParam);
    default:
        return passToButton(window, message, wParam, lParam);
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
