// The matrix (recipe) editor: opening on working copies of the host's
// folders, the grid of 10 rows by 5 parameter sets and its Refresh, paging
// with both scroll bars, the clipboard viewer chain and closing.
#include "dialogs/matrix_editor.h"

#include "frame/dialog_helpers.h"
#include "frame/module.h"
#include "frame/string_store.h"
#include "frame/window_data.h"
#include "matrix_editor_ids.h"

#include <charconv>
#include <cstring>

namespace w32k::matrix {

namespace {

constexpr const char* kTemplateName = "MATRIX_ED";
constexpr const char* kResourceLibrary = "KorAbout.dll";
constexpr const char* kRecipeNameMark = " *";
constexpr std::size_t kCaptionFieldSize = 30; // Title, RowCaption, SetCaption

Session g_session;

MultipageRec* multipageRecord(void* project) noexcept
{
    if (!project)
        return nullptr;
    MultipageRec* record = nullptr;
    std::memcpy(&record, static_cast<const BYTE*>(project) + W32K_PROJECT_MULTIPAGE_OFFSET,
                sizeof record);
    return record;
}

void setCaptionText(HWND window, const char* field) noexcept
{
    char text[kCaptionFieldSize + 1] = {};
    std::memcpy(text, field, boundedLength(field, kCaptionFieldSize));
    SetWindowTextA(window, text);
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

// --- Refresh ---------------------------------------------------------------------

void showMultipageState(HWND dialog, const MatrixDesc& desc) noexcept
{
    const MultipageRec* record = multipageRecord(desc.Project);
    if (!record)
        return;
    const RecipeList* list = record->List;
    const bool multipage = list && containsId(list->Ids, list->IdCount, desc.RecipeId);
    CheckDlgButton(dialog, IDC_MX_MULTIPAGE, multipage ? BST_CHECKED : BST_UNCHECKED);
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

} // namespace

Session& session() noexcept
{
    return g_session;
}

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

bool isRecipeNameRow(const MatrixRow& row) noexcept
{
    return row.Field && row.Field->IsRecipeName == 1;
}

Rect selection(const MatrixDesc& desc) noexcept
{
    return Rect{desc.SelRowFrom, desc.SelRowTo, desc.SelSetFrom, desc.SelSetTo};
}

void setSelection(MatrixDesc& desc, const Rect& rect) noexcept
{
    desc.SelRowFrom = static_cast<SHORT>(rect.rowFrom);
    desc.SelRowTo = static_cast<SHORT>(rect.rowTo);
    desc.SelSetFrom = static_cast<SHORT>(rect.setFrom);
    desc.SelSetTo = static_cast<SHORT>(rect.setTo);
}

HWND visibleCell(HWND dialog, const MatrixDesc& desc, int row, int set) noexcept
{
    const int i = row - desc.FirstRow, j = set - desc.FirstSet;
    if (i < 0 || i >= kRowSlots || j < 0 || j >= kColumnSlots)
        return nullptr;
    return GetDlgItem(dialog, cellId(i, j));
}

void invalidateCells(HWND dialog, const MatrixDesc& desc, const Rect& rect) noexcept
{
    for (int i = 0; i < kRowSlots; ++i)
        for (int j = 0; j < kColumnSlots; ++j)
            if (rect.contains(desc.FirstRow + i, desc.FirstSet + j))
                InvalidateRect(GetDlgItem(dialog, cellId(i, j)), nullptr, TRUE);
}

void showCell(HWND, MatrixDesc& desc, int r, int s, HWND cell) noexcept
{
    char text[kTextBufferSize] = {};
    MatrixRow* row = rowAt(desc, r);
    DWORD value = 0;
    if (row && s >= 0 && s < desc.SetCount && desc.FormatValue &&
        ExpGetValueFromFolder(&row->Folder, s, &value, desc.Project)) {
        if (isNumericRow(*row)) {
            desc.FormatValue(row, value, text);
            text[kTextBufferSize - 1] = '\0';
        } else if (const auto id = static_cast<strings::StringId>(value)) {
            strings::read(id, desc.Project, text, kStoreReadSize);
        }
        SendMessageA(cell, EM_LIMITTEXT, static_cast<WPARAM>(textLimit(*row)), 0);
    }
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
            showCell(dialog, desc, desc.FirstRow + i, desc.FirstSet + j,
                     GetDlgItem(dialog, cellId(i, j)));
    }
}

void deleteWorkingFolders(MatrixDesc& desc) noexcept
{
    for (int r = 0; r < g_session.workingRows; ++r)
        if (MatrixRow* row = rowAt(desc, r))
            ExpDeleteFolder(&row->Folder, desc.Project);
    g_session.workingRows = 0;
}

namespace {

// --- opening ---------------------------------------------------------------------

// Copies every host folder into its row's working folder. On a failed copy
// the copies made so far are deleted again and false is returned.
bool makeWorkingCopies(MatrixDesc& desc) noexcept
{
    g_session.workingRows = 0;
    for (int r = 0; r < desc.RowCount; ++r) {
        MatrixRow& row = desc.Rows[r];
        if (!row.HostFolder || !ExpDuplicateFolder(&row.Folder, row.HostFolder, desc.Project)) {
            deleteWorkingFolders(desc);
            return false;
        }
        g_session.workingRows = r + 1;
    }
    return true;
}

// The number of parameter sets the host keeps: 0 opens with 1, and a count
// that does not fit the signed 16-bit member opens with the largest valid one.
SHORT openingSetCount(WORD hostCount) noexcept
{
    if (hostCount == 0)
        return 1;
    if (hostCount > 0x7FFF)
        return kMaxSetCount;
    return static_cast<SHORT>(hostCount);
}

bool usableDescriptor(const MatrixDesc* desc) noexcept
{
    return desc && desc->HostSetCount && (desc->RowCount <= 0 || desc->Rows);
}

void joinClipboardViewers(HWND dialog, MatrixDesc& desc) noexcept
{
    desc.NextViewer = nullptr;
    HWND next = SetClipboardViewer(dialog);
    desc.NextViewer = next;
}

INT_PTR onInitDialog(HWND dialog, LPARAM descriptor) noexcept
{
    CenterDialogBox(dialog);
    g_session.resourceLibrary = LoadLibraryA(kResourceLibrary);
    auto* desc = reinterpret_cast<MatrixDesc*>(descriptor);
    if (!usableDescriptor(desc)) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    setWindowData(dialog, descriptor);
    desc->SetCount = openingSetCount(*desc->HostSetCount);
    if (!makeWorkingCopies(*desc)) {
        setWindowData(dialog, 0);
        EndDialog(dialog, 0);
        return TRUE;
    }
    ValidateParSets(desc);
    desc->FirstRow = 0;
    desc->FirstSet = 0;
    setCaptionText(dialog, desc->Title);
    setCaptionText(GetDlgItem(dialog, IDC_MX_ROW_CAPTION), desc->RowCaption);
    setCaptionText(GetDlgItem(dialog, IDC_MX_SET_CAPTION), desc->SetCaption);
    desc->HighlightColour = GetSysColor(COLOR_HIGHLIGHT);
    desc->HighlightBrush = CreateSolidBrush(desc->HighlightColour);
    desc->SelActive = 0;
    setSelection(*desc, Rect{0, 0, 0, 0});
    joinClipboardViewers(dialog, *desc);
    // The check box shows the stored flag once; from then on it holds the
    // user's choice until OK or Cancel, whatever the grid does.
    showMultipageState(dialog, *desc);
    refresh(dialog, *desc);
    return TRUE;
}

// --- paging ------------------------------------------------------------------------

INT_PTR onScroll(HWND dialog, MatrixDesc& desc, bool vertical, WPARAM wParam, HWND bar) noexcept
{
    // The cell being edited loses the focus and commits before the grid moves.
    SetFocus(bar ? bar : GetDlgItem(dialog, vertical ? IDC_MX_VSCROLL : IDC_MX_HSCROLL));
    const int code = LOWORD(wParam), thumb = HIWORD(wParam);
    if (vertical) {
        if (auto first = scrolledPosition(code, desc.FirstRow, thumb, kRowSlots, desc.RowCount)) {
            desc.FirstRow = static_cast<SHORT>(*first);
            refresh(dialog, desc);
        }
    } else if (auto first = scrolledPosition(code, desc.FirstSet, thumb, kColumnSlots, desc.SetCount)) {
        desc.FirstSet = static_cast<SHORT>(*first);
        refresh(dialog, desc);
    }
    return TRUE;
}

// --- clipboard viewer chain ----------------------------------------------------------

INT_PTR onDrawClipboard(HWND dialog, MatrixDesc& desc) noexcept
{
    enableControl(dialog, IDC_MX_PASTE, IsClipboardFormatAvailable(CF_TEXT) != FALSE);
    if (desc.NextViewer)
        SendMessageA(desc.NextViewer, WM_DRAWCLIPBOARD, 0, 0);
    return TRUE;
}

INT_PTR onChangeClipboardChain(MatrixDesc& desc, WPARAM wParam, LPARAM lParam) noexcept
{
    const auto leaving = reinterpret_cast<HWND>(wParam);
    if (leaving == desc.NextViewer)
        desc.NextViewer = reinterpret_cast<HWND>(lParam);
    else if (desc.NextViewer)
        SendMessageA(desc.NextViewer, WM_CHANGECBCHAIN, wParam, lParam);
    return TRUE;
}

// --- closing -------------------------------------------------------------------------

INT_PTR onDestroy(HWND dialog, MatrixDesc* desc) noexcept
{
    if (desc) {
        deleteWorkingFolders(*desc); // only when neither OK nor Cancel took them
        ChangeClipboardChain(dialog, desc->NextViewer);
        if (desc->HighlightBrush) {
            DeleteObject(desc->HighlightBrush);
            desc->HighlightBrush = nullptr;
        }
    }
    if (g_session.resourceLibrary) {
        FreeLibrary(g_session.resourceLibrary);
        g_session.resourceLibrary = nullptr;
    }
    return TRUE;
}

INT_PTR onClose(HWND dialog) noexcept
{
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

} // namespace

} // namespace w32k::matrix

extern "C" {

int WINAPI StartMatrixEd(HWND owner, LPARAM descriptor)
{
    return static_cast<int>(DialogBoxParamA(w32k::moduleInstance(), w32k::matrix::kTemplateName,
                                            owner, MatrixEdProc, descriptor));
}

INT_PTR WINAPI MatrixEdProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    using namespace w32k::matrix;
    if (message == WM_INITDIALOG)
        return onInitDialog(dialog, lParam);
    auto* desc = w32k::windowRecord<MatrixDesc>(dialog);
    if (message == WM_DESTROY)
        return onDestroy(dialog, desc);
    if (!desc)
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        onCommand(dialog, *desc, LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam));
        return TRUE;
    case WM_VSCROLL:
    case WM_HSCROLL:
        return onScroll(dialog, *desc, message == WM_VSCROLL, wParam, reinterpret_cast<HWND>(lParam));
    case WM_CTLCOLOREDIT:
        return onCtlColorEdit(dialog, *desc, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DRAWCLIPBOARD:
        return onDrawClipboard(dialog, *desc);
    case WM_CHANGECBCHAIN:
        return onChangeClipboardChain(*desc, wParam, lParam);
    case WM_SPINSTEP:
        return onSpinStep(dialog, *desc, reinterpret_cast<HWND>(wParam), LOWORD(lParam));
    case WM_CLOSE:
        return onClose(dialog);
    default:
        return FALSE;
    }
}

} // extern "C"
