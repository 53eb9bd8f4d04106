// Combo-box and list-box helpers: items filled from the string table of the
// module that owns the control, each carrying a small number as item data,
// and found again by that number.
#include "w32korutil1.h"

#include <cstdint>

namespace {

constexpr int kTextSize = 60;            // characters loaded per item, terminator included
constexpr DWORD kItemDataMask = 0xFFFF;  // only the low 16 bits are stored and compared

// The messages that differ between the two kinds of control.
struct ListMessages {
    UINT addString;
    UINT setItemData;
    UINT getItemData;
    UINT getCount;
    UINT getCurSel;
    UINT setCurSel;
    UINT getText;
    LRESULT error;
};

constexpr ListMessages kComboBox{CB_ADDSTRING, CB_SETITEMDATA, CB_GETITEMDATA, CB_GETCOUNT,
                                 CB_GETCURSEL, CB_SETCURSEL, CB_GETLBTEXT, CB_ERR};
constexpr ListMessages kListBox{LB_ADDSTRING, LB_SETITEMDATA, LB_GETITEMDATA, LB_GETCOUNT,
                                LB_GETCURSEL, LB_SETCURSEL, LB_GETTEXT, LB_ERR};

HINSTANCE owningModule(HWND control) noexcept
{
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(control, GWLP_HINSTANCE));
}

// Loads string (base + entry) of the control's module into text.
void loadEntryText(HWND control, UINT base, DWORD entry, char (&text)[kTextSize]) noexcept
{
    text[0] = '\0';
    LoadStringA(owningModule(control), base + entry, text, kTextSize);
}

BOOL fill(const ListMessages& m, HWND control, UINT base, const DWORD* values) noexcept
{
    if (!values)
        return TRUE;
    for (; *values != W32K_LIST_END; ++values) {
        char text[kTextSize];
        loadEntryText(control, base, *values, text);
        const LRESULT index = SendMessageA(control, m.addString, 0, reinterpret_cast<LPARAM>(text));
        if (index >= 0)
            SendMessageA(control, m.setItemData, static_cast<WPARAM>(index), *values & kItemDataMask);
    }
    return TRUE;
}

// Index of the first item whose data has value in its low 16 bits; -1 if none.
LRESULT findItem(const ListMessages& m, HWND control, DWORD value) noexcept
{
    const LRESULT count = SendMessageA(control, m.getCount, 0, 0);
    for (LRESULT index = 0; index < count; ++index) {
        const LRESULT data = SendMessageA(control, m.getItemData, static_cast<WPARAM>(index), 0);
        if (data == m.error)
            continue;
        if ((static_cast<DWORD>(data) & kItemDataMask) == value)
            return index;
    }
    return -1;
}

LONG selectionData(const ListMessages& m, HWND control) noexcept
{
    const LRESULT index = SendMessageA(control, m.getCurSel, 0, 0);
    if (index < 0)
        return -1;
    return static_cast<LONG>(SendMessageA(control, m.getItemData, static_cast<WORD>(index), 0));
}

BOOL selectItem(const ListMessages& m, HWND control, DWORD value) noexcept
{
    const LRESULT index = findItem(m, control, value);
    if (index < 0)
        return FALSE;
    SendMessageA(control, m.setCurSel, static_cast<WPARAM>(index), 0);
    return TRUE;
}

BOOL textOfItem(const ListMessages& m, HWND control, DWORD value, LPSTR text) noexcept
{
    if (!text)
        return FALSE;
    const LRESULT index = findItem(m, control, value);
    if (index < 0)
        return FALSE;
    return SendMessageA(control, m.getText, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)) !=
           m.error;
}

} // namespace

extern "C" {

BOOL WINAPI SetCBStrings(HWND comboBox, UINT base, const DWORD* values)
{
    return fill(kComboBox, comboBox, base, values);
}

BOOL WINAPI SetLBStrings(HWND listBox, UINT base, const DWORD* values)
{
    return fill(kListBox, listBox, base, values);
}

BOOL WINAPI CheckCBStrings(HWND comboBox, UINT base, const DWORD* values)
{
    LRESULT entries = 0;
    for (; values && *values != W32K_LIST_END; ++values, ++entries) {
        char text[kTextSize];
        loadEntryText(comboBox, base, *values, text);
        const LRESULT index =
            SendMessageA(comboBox, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
        if (index < 0)
            return FALSE;
        const LRESULT data = SendMessageA(comboBox, CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
        if (static_cast<DWORD>(data) != *values)
            return FALSE;
    }
    return SendMessageA(comboBox, CB_GETCOUNT, 0, 0) == entries;
}

LONG WINAPI GetCBSelectionData(HWND comboBox)
{
    return selectionData(kComboBox, comboBox);
}

LONG WINAPI GetLBSelectionData(HWND listBox)
{
    return selectionData(kListBox, listBox);
}

BOOL WINAPI SelectCBItem(HWND comboBox, DWORD value)
{
    return selectItem(kComboBox, comboBox, value);
}

BOOL WINAPI SelectLBItem(HWND listBox, DWORD value)
{
    return selectItem(kListBox, listBox, value);
}

BOOL WINAPI GetCBStringForSelectionData(HWND comboBox, DWORD value, LPSTR text)
{
    return textOfItem(kComboBox, comboBox, value, text);
}

BOOL WINAPI GetLBStringForSelectionData(HWND listBox, DWORD value, LPSTR text)
{
    return textOfItem(kListBox, listBox, value, text);
}

void WINAPI ClearEditBox(HWND dialog, int id)
{
    SendDlgItemMessageA(dialog, id, EM_SETSEL, 0, -1);
    SendDlgItemMessageA(dialog, id, WM_CLEAR, 0, 0);
}

} // extern "C"
