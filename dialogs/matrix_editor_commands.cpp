// The matrix editor's command side: committing cells to the working
// folders, selection by the corner, row and column buttons, the number of
// parameter sets, the recipe-name row, the selection highlight, and what OK
// and Cancel do with the working folders and the multipage list.
#include "dialogs/matrix_editor.h"

#include "frame/dialog_helpers.h"
#include "frame/host_memory.h"
#include "frame/module.h"
#include "frame/string_store.h"
#include "matrix_editor_ids.h"
#include "resource.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace w32k::matrix {

namespace {

constexpr UINT kCaptionStringId = 101; // in the resource library
constexpr int kCaptionSize = 50;
constexpr BYTE kAsciiFieldType = 2;
constexpr int kCellReadSize = 255; // a committed cell reads at most 254 characters

bool shiftDown() noexcept
{
    return (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0;
}

// (row, set) of a cell id; false when the cell lies outside the matrix.
bool cellPosition(const MatrixDesc& desc, int id, int& row, int& set) noexcept
{
    const auto slot = cellSlot(id);
    if (!slot)
        return false;
    row = desc.FirstRow + slot->row;
    set = desc.FirstSet + slot->column;
    return row < desc.RowCount && set < desc.SetCount;
}

// --- cells -----------------------------------------------------------------------

void onCellFocus(MatrixDesc& desc, int id) noexcept
{
    int row = 0, set = 0;
    if (desc.SelActive || !cellPosition(desc, id, row, set))
        return;
    setSelection(desc, regionFrom(row, set, desc.RowCount, desc.SetCount));
}

void commitCell(HWND dialog, MatrixDesc& desc, int id, HWND cell) noexcept
{
    int row = 0, set = 0;
    if (!cellPosition(desc, id, row, set))
        return;
    char text[kTextBufferSize] = {};
    GetWindowTextA(cell, text, kCellReadSize);
    placeText(dialog, desc, row, set, text, cell);
}

// --- selection ---------------------------------------------------------------------

void select(HWND dialog, MatrixDesc& desc, int id) noexcept
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

// --- recipe name -------------------------------------------------------------------

void showRecipeNameRefusal(HWND dialog) noexcept
{
    char caption[kCaptionSize] = {};
    char text[kTextBufferSize] = {};
    HINSTANCE captionSource = session().resourceLibrary ? session().resourceLibrary : moduleInstance();
    LoadStringA(captionSource, kCaptionStringId, caption, kCaptionSize);
    LoadStringA(moduleInstance(), IDS_RECIPE_NAME_ASCII, text, kTextBufferSize - 1);
    MessageBoxA(dialog, text, caption, MB_OK | MB_ICONINFORMATION);
}

void setAsRecipeName(HWND dialog, MatrixDesc& desc) noexcept
{
    if (desc.SelRowFrom != desc.SelRowTo)
        return;
    MatrixRow* candidate = rowAt(desc, desc.SelRowFrom);
    if (!candidate || !candidate->Field)
        return;
    if (candidate->Field->IsRecipeName == 1) {
        candidate->Field->IsRecipeName = 0;
    } else if (candidate->Field->FieldType != kAsciiFieldType) {
        showRecipeNameRefusal(dialog);
        return;
    } else {
        for (int r = 0; r < desc.RowCount; ++r)
            if (desc.Rows[r].Field)
                desc.Rows[r].Field->IsRecipeName = 0;
        candidate->Field->IsRecipeName = 1;
    }
    refresh(dialog, desc);
}

// --- multipage list ------------------------------------------------------------------

MultipageRec** multipageSlot(void* project) noexcept
{
    return reinterpret_cast<MultipageRec**>(static_cast<BYTE*>(project) + W32K_PROJECT_MULTIPAGE_OFFSET);
}

MultipageRec* loadPointer(MultipageRec** slot) noexcept
{
    MultipageRec* record = nullptr;
    std::memcpy(&record, slot, sizeof record);
    return record;
}

void storePointer(MultipageRec** slot, MultipageRec* record) noexcept
{
    std::memcpy(slot, &record, sizeof record);
}

// A new identifier array holding ids; null on failure (and for no ids).
WORD* newIdArray(const std::vector<std::uint16_t>& ids, bool& failed) noexcept
{
    failed = false;
    if (ids.empty())
        return nullptr;
    auto* array = static_cast<WORD*>(allocateHostBlock(ids.size() * sizeof(WORD)));
    if (!array) {
        failed = true;
        return nullptr;
    }
    std::memcpy(array, ids.data(), ids.size() * sizeof(WORD));
    return array;
}

// Creates the record, its one recipe list and an array of RecipeId. Every
// block is allocated before anything is stored: a failure changes nothing.
void createMultipageRecord(void* project, WORD recipeId) noexcept
{
    auto* record = static_cast<MultipageRec*>(allocateHostBlock(sizeof(MultipageRec)));
    auto* list = static_cast<RecipeList*>(allocateHostBlock(sizeof(RecipeList)));
    auto* ids = static_cast<WORD*>(allocateHostBlock(sizeof(WORD)));
    if (!record || !list || !ids) {
        std::free(record);
        std::free(list);
        std::free(ids);
        return;
    }
    std::memset(record, 0, sizeof *record);
    std::memset(list, 0, sizeof *list);
    ids[0] = recipeId;
    list->IdCount = 1;
    list->Ids = ids;
    record->ListCount = 1;
    record->List = list;
    storePointer(multipageSlot(project), record);
}

// Replaces the list's identifiers by ids (a new array; the old one released).
void replaceIds(RecipeList& list, const std::vector<std::uint16_t>& ids) noexcept
{
    bool failed = false;
    WORD* array = newIdArray(ids, failed);
    if (failed)
        return; // the host's list stays as it was
    if (list.IdCount != 0)
        std::free(list.Ids);
    list.Ids = array;
    list.IdCount = static_cast<WORD>(ids.size());
}

void updateMultipageList(MatrixDesc& desc, bool multipage) noexcept
{
    if (!desc.Project)
        return;
    MultipageRec* record = loadPointer(multipageSlot(desc.Project));
    if (!record) {
        if (multipage)
            createMultipageRecord(desc.Project, desc.RecipeId);
        return;
    }
    RecipeList* list = record->List;
    if (!list)
        return;
    const bool listed = containsId(list->Ids, list->IdCount, desc.RecipeId);
    if (multipage == listed)
        return;
    try {
        replaceIds(*list, multipage ? withId(list->Ids, list->IdCount, desc.RecipeId)
                                    : withoutId(list->Ids, list->IdCount, desc.RecipeId));
    } catch (const std::bad_alloc&) {
        // the host's list stays as it was
    }
}

// --- OK and Cancel -----------------------------------------------------------------------

// Hands every working folder to the host in place of its own folder.
void moveWorkingFoldersToHost(MatrixDesc& desc) noexcept
{
    for (int r = 0; r < session().workingRows; ++r) {
        MatrixRow& row = desc.Rows[r];
        ExpDeleteFolder(row.HostFolder, desc.Project);
        std::memcpy(row.HostFolder, &row.Folder, sizeof row.Folder);
        // The block and its references belong to the host now.
        row.Folder.EntryCount = 0;
        row.Folder.Block = nullptr;
    }
    session().workingRows = 0;
}

void accept(HWND dialog, MatrixDesc& desc) noexcept
{
    SetFocus(GetDlgItem(dialog, IDOK)); // the cell being edited commits first
    *desc.HostSetCount = static_cast<WORD>(desc.SetCount);
    moveWorkingFoldersToHost(desc);
    updateMultipageList(desc, IsDlgButtonChecked(dialog, IDC_MX_MULTIPAGE) == BST_CHECKED);
    EndDialog(dialog, 1);
}

void discard(HWND dialog, MatrixDesc& desc, HWND control) noexcept
{
    SetFocus(control); // the Cancel button, or no control when the dialog is closed
    deleteWorkingFolders(desc);
    EndDialog(dialog, 0);
}

} // namespace

// --- cell placement --------------------------------------------------------------------

void placeText(HWND dialog, MatrixDesc& desc, int r, int s, const char* typed, HWND cell) noexcept
{
    MatrixRow* row = rowAt(desc, r);
    if (!row || s < 0 || s >= desc.SetCount)
        return;
    if (!cell)
        cell = visibleCell(dialog, desc, r, s);
    char text[kTextBufferSize] = {};
    copyCut(text, sizeof text, typed, static_cast<std::size_t>(textLimit(*row)));
    DWORD value = 0;
    if (isNumericRow(*row)) {
        if (!desc.ParseValue || !desc.FormatValue) {
            // Nothing converts the text: the cell keeps its value and shows it.
            if (cell)
                showCell(dialog, desc, r, s, cell);
            return;
        }
        desc.ParseValue(row, &value, text);
        desc.FormatValue(row, value, text);
        text[kTextBufferSize - 1] = '\0';
    } else {
        value = strings::acquire(text, desc.Project); // its reference goes to the folder
    }
    ExpPlaceValueInFolder(&row->Folder, s, value, desc.Project);
    if (cell)
        SetWindowTextA(cell, text);
}

// --- message handlers ------------------------------------------------------------------

INT_PTR onCommand(HWND dialog, MatrixDesc& desc, int id, HWND control, int code) noexcept
{
    if (cellSlot(id)) {
        if (code == EN_SETFOCUS)
            onCellFocus(desc, id);
        else if (code == EN_KILLFOCUS)
            commitCell(dialog, desc, id, control);
        return TRUE;
    }
    if (id >= IDC_MX_CORNER && id < IDC_MX_ROW_FIRST + kRowSlots) {
        select(dialog, desc, id);
        return TRUE;
    }
    switch (id) {
    case IDC_MX_SET_COUNT:
        if (code == EN_KILLFOCUS)
            SendMessageA(dialog, WM_SPINSTEP, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_MX_SET_SPIN)),
                         SpinTake);
        break;
    case IDC_MX_RECIPE_NAME:
        setAsRecipeName(dialog, desc);
        break;
    case IDC_MX_CUT:
    case IDC_MX_COPY:
    case IDC_MX_PASTE:
        onClipboardCommand(dialog, desc, id);
        break;
    case IDOK:
        accept(dialog, desc);
        break;
    case IDCANCEL:
        discard(dialog, desc, control);
        break;
    default:
        break;
    }
    return TRUE;
}

INT_PTR onSpinStep(HWND dialog, MatrixDesc& desc, HWND spin, int code) noexcept
{
    if (spin != GetDlgItem(dialog, IDC_MX_SET_SPIN))
        return TRUE;
    char typed[kTextBufferSize] = {};
    GetDlgItemTextA(dialog, IDC_MX_SET_COUNT, typed, sizeof typed);
    const auto count = static_cast<SHORT>(steppedSetCount(parseSignedNumber(typed), code));
    // Validation changes nothing when the count stays (it is idempotent), and
    // it is the costly part of every focus change away from the edit field.
    if (count != desc.SetCount) {
        desc.SetCount = count;
        ValidateParSets(&desc);
    }
    if (desc.SetCount <= kColumnSlots)
        desc.FirstSet = 0;
    else if (desc.FirstSet > desc.SetCount - kColumnSlots)
        desc.FirstSet = static_cast<SHORT>(desc.SetCount - kColumnSlots);
    refresh(dialog, desc);
    return TRUE;
}

INT_PTR onCtlColorEdit(HWND, MatrixDesc& desc, HDC dc, HWND edit) noexcept
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
