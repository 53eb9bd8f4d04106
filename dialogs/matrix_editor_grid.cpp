// The matrix editor's grid view: Refresh of the headers, row names and cells,
// the mapping between cells and (row, parameter set), the selection rectangle
// and its highlight.
#include "dialogs/matrix_editor_grid.h"

#include "frame/dialog_helpers.h"
#include "frame/string_store.h"
#include "matrix_editor_ids.h"

#include <charconv>
#include <cstring>

namespace w32k::matrix {

namespace {

constexpr const char* kRecipeNameMark = " *";
constexpr WORD kStoreReadSize = kTextBufferSize - 1;

bool isRecipeNameRow(const MatrixRow& row) noexcept
{
    return row.Field && row.Field->IsRecipeName == 1;
}

// Writes a signed number into a header button unless it shows it already, so
// that paging does not make the header flicker.
void showNumber(HWND dialog, int id, int number) noexcept
{
    BOOL isNumber = FALSE;
    const int shown = static_cast<int>(GetDlgItemInt(dialog, id, &isNumber, TRUE));
    if (!isNumber || shown != number)
        SetDlgItemInt(dialog, id, static_cast<UINT>(number), TRUE);
}

// Writes text into a control unless it shows it already: paging leaves the
// controls whose text stays as they are, without a repaint.
void showText(HWND control, const char* text) noexcept
{
    char shown[kTextBufferSize] = {};
    const int length = GetWindowTextA(control, shown, sizeof shown);
    if (length >= static_cast<int>(sizeof shown) - 1 || std::strcmp(shown, text) != 0)
        SetWindowTextA(control, text);
}

void showScrollBar(HWND dialog, int id, int visible, int count, int position) noexcept
{
    HWND bar = GetDlgItem(dialog, id);
    SCROLLINFO shown{sizeof shown, SIF_RANGE | SIF_POS, 0, 0, 0, 0, 0};
    GetScrollInfo(bar, SB_CTL, &shown);
    const int maximum = scrollMaximum(visible, count);
    if (shown.nMin == 0 && shown.nMax == maximum && shown.nPos == position)
        return;
    // Painted with the rest of the grid, not at once.
    SCROLLINFO wanted{sizeof wanted, SIF_RANGE | SIF_POS, 0, maximum, 0, position, 0};
    SetScrollInfo(bar, SB_CTL, &wanted, FALSE);
    InvalidateRect(bar, nullptr, TRUE);
}

void showSetCount(HWND dialog, const MatrixDesc& desc) noexcept
{
    char number[8] = {};
    std::to_chars(number, number + sizeof number - 1, static_cast<WORD>(desc.SetCount));
    showText(GetDlgItem(dialog, IDC_MX_SET_COUNT), number);
}

void showHeaders(HWND dialog, const MatrixDesc& desc) noexcept
{
    for (int i = 0; i < kRowSlots; ++i) {
        const int row = desc.FirstRow + i;
        const bool live = row < desc.RowCount;
        showNumber(dialog, IDC_MX_ROW_FIRST + i, desc.RowBase + row + 1);
        enableControl(dialog, IDC_MX_ROW_NAME_FIRST + i, live);
        enableControl(dialog, IDC_MX_ROW_FIRST + i, live);
        for (int j = 0; j < kColumnSlots; ++j)
            enableControl(dialog, cellId(i, j), live && desc.FirstSet + j < desc.SetCount);
    }
    for (int j = 0; j < kColumnSlots; ++j) {
        const int set = desc.FirstSet + j;
        showNumber(dialog, IDC_MX_COLUMN_FIRST + j, desc.SetBase + set + 1);
        enableControl(dialog, IDC_MX_COLUMN_FIRST + j, set < desc.SetCount);
    }
}

void showRowName(HWND dialog, MatrixDesc& desc, int slot) noexcept
{
    char name[kTextBufferSize] = {};
    MatrixRow* row = rowAt(desc, desc.FirstRow + slot);
    if (row && desc.GetRowName) {
        desc.GetRowName(row, name);
        name[kTextBufferSize - 1] = '\0';
        if (isRecipeNameRow(*row))
            strncat(name, kRecipeNameMark, kTextBufferSize - 1 - std::strlen(name));
    }
    showText(GetDlgItem(dialog, IDC_MX_ROW_NAME_FIRST + slot), name);
}

void setSelection(MatrixDesc& desc, const Rect& rect) noexcept
{
    desc.SelRowFrom = static_cast<SHORT>(rect.rowFrom);
    desc.SelRowTo = static_cast<SHORT>(rect.rowTo);
    desc.SelSetFrom = static_cast<SHORT>(rect.setFrom);
    desc.SelSetTo = static_cast<SHORT>(rect.setTo);
}

// Repaints the visible cells inside rect (their highlight changes).
void invalidateCells(HWND dialog, const MatrixDesc& desc, const Rect& rect) noexcept
{
    for (int i = 0; i < kRowSlots; ++i)
        for (int j = 0; j < kColumnSlots; ++j)
            if (rect.contains(desc.FirstRow + i, desc.FirstSet + j))
                InvalidateRect(GetDlgItem(dialog, cellId(i, j)), nullptr, TRUE);
}

bool shiftDown() noexcept
{
    constexpr SHORT kKeyDown = static_cast<SHORT>(0x8000); // the high bit of the key state
    return (GetAsyncKeyState(VK_SHIFT) & kKeyDown) != 0;
}

} // namespace

MatrixRow* rowAt(MatrixDesc& desc, int r) noexcept
{
    if (!desc.Rows || r < 0 || r >= desc.RowCount)
        return nullptr;
    return &desc.Rows[r];
}

bool isNumericRow(const MatrixRow& row) noexcept
{
    return row.Folder.ValueKind != 0;
}

int textLimit(const MatrixRow& row) noexcept
{
    return isNumericRow(row) ? kNumericTextLimit : row.MaxTextLen;
}

bool displayText(const MatrixDesc& desc, MatrixRow& row, int set, char* text) noexcept
{
    text[0] = '\0';
    DWORD value = 0;
    if (!ExpGetValueFromFolder(&row.Folder, set, &value, desc.Project))
        return false;
    valueText(desc, row, value, text);
    return true;
}

void valueText(const MatrixDesc& desc, MatrixRow& row, DWORD value, char* text) noexcept
{
    text[0] = '\0';
    if (isNumericRow(row)) {
        if (desc.FormatValue) {
            desc.FormatValue(&row, value, text);
            text[kTextBufferSize - 1] = '\0';
        }
    } else if (const auto id = static_cast<strings::StringId>(value)) {
        strings::read(id, desc.Project, text, kStoreReadSize);
    }
}

bool cellPosition(const MatrixDesc& desc, int id, int& row, int& set) noexcept
{
    const auto slot = cellSlot(id);
    if (!slot)
        return false;
    row = desc.FirstRow + slot->row;
    set = desc.FirstSet + slot->column;
    return row < desc.RowCount && set < desc.SetCount;
}

HWND visibleCell(HWND dialog, const MatrixDesc& desc, int row, int set) noexcept
{
    const int i = row - desc.FirstRow, j = set - desc.FirstSet;
    if (i < 0 || i >= kRowSlots || j < 0 || j >= kColumnSlots)
        return nullptr;
    return GetDlgItem(dialog, cellId(i, j));
}

void showCell(MatrixDesc& desc, int r, int s, HWND cell) noexcept
{
    char text[kTextBufferSize] = {};
    MatrixRow* row = rowAt(desc, r);
    if (row && s >= 0 && s < desc.SetCount && desc.FormatValue && displayText(desc, *row, s, text))
        SendMessageA(cell, EM_LIMITTEXT, static_cast<WPARAM>(textLimit(*row)), 0);
    showText(cell, text);
}

void refresh(HWND dialog, MatrixDesc& desc) noexcept
{
    showScrollBar(dialog, IDC_MX_VSCROLL, kRowSlots, desc.RowCount, desc.FirstRow);
    showScrollBar(dialog, IDC_MX_HSCROLL, kColumnSlots, desc.SetCount, desc.FirstSet);
    showSetCount(dialog, desc);
    showHeaders(dialog, desc);
    for (int i = 0; i < kRowSlots; ++i) {
        showRowName(dialog, desc, i);
        for (int j = 0; j < kColumnSlots; ++j)
            showCell(desc, desc.FirstRow + i, desc.FirstSet + j, GetDlgItem(dialog, cellId(i, j)));
    }
}

Rect selection(const MatrixDesc& desc) noexcept
{
    return Rect{desc.SelRowFrom, desc.SelRowTo, desc.SelSetFrom, desc.SelSetTo};
}

void selectFromCell(MatrixDesc& desc, int id) noexcept
{
    int row = 0, set = 0;
    if (desc.SelActive || !cellPosition(desc, id, row, set))
        return;
    setSelection(desc, regionFrom(row, set, desc.RowCount, desc.SetCount));
}

void selectByButton(HWND dialog, MatrixDesc& desc, int id) noexcept
{
    if (desc.SelActive)
        invalidateCells(dialog, desc, selection(desc));
    const bool extend = desc.SelActive && shiftDown();
    if (id == IDC_MX_CORNER) {
        setSelection(desc, wholeMatrix(desc.RowCount, desc.SetCount));
    } else {
        const bool rowButton = id >= IDC_MX_ROW_FIRST;
        const int cell = rowButton ? cellId(id - IDC_MX_ROW_FIRST, 0) : cellId(0, id - IDC_MX_COLUMN_FIRST);
        int row = 0, set = 0;
        if (!cellPosition(desc, cell, row, set)) {
            desc.SelActive = 0;
            return;
        }
        const Rect current = selection(desc);
        setSelection(desc, rowButton ? rowSelection(current, extend, row, desc.SetCount)
                                     : columnSelection(current, extend, set, desc.RowCount));
    }
    desc.SelActive = 1;
    invalidateCells(dialog, desc, selection(desc));
}

void endHighlight(HWND dialog, MatrixDesc& desc) noexcept
{
    invalidateCells(dialog, desc, selection(desc));
    desc.SelActive = 0;
}

INT_PTR highlightColours(const MatrixDesc& desc, HDC dc, HWND edit) noexcept
{
    int row = 0, set = 0;
    if (!desc.SelActive || !cellPosition(desc, GetDlgCtrlID(edit), row, set) ||
        !selection(desc).contains(row, set))
        return 0;
    SetBkColor(dc, desc.HighlightColour);
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    return reinterpret_cast<INT_PTR>(desc.HighlightBrush);
}

} // namespace w32k::matrix
