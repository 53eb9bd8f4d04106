// The matrix editor's editing session: working copies of the host's folders,
// cell placement, the number of parameter sets, and OK and Cancel with the
// multipage list.
#include "dialogs/matrix_editor_session.h"

#include "dialogs/matrix_editor_grid.h"
#include "frame/host_memory.h"
#include "frame/string_store.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace w32k::matrix {

namespace {

constexpr int kCellReadSize = 255; // a committed cell reads at most 254 characters

// --- multipage list ------------------------------------------------------------------

MultipageRec** multipageSlot(void* project) noexcept
{
    return reinterpret_cast<MultipageRec**>(static_cast<BYTE*>(project) + W32K_PROJECT_MULTIPAGE_OFFSET);
}

// The project's multipage record, null when it has none (or there is no project).
MultipageRec* multipageRecord(void* project) noexcept
{
    MultipageRec* record = nullptr;
    if (project)
        std::memcpy(&record, multipageSlot(project), sizeof record);
    return record;
}

void storeRecord(void* project, MultipageRec* record) noexcept
{
    std::memcpy(multipageSlot(project), &record, sizeof record);
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
    storeRecord(project, record);
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
    MultipageRec* record = multipageRecord(desc.Project);
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

} // namespace

// --- working folders ---------------------------------------------------------------------

Session::~Session()
{
    deleteWorkingFolders();
}

void Session::deleteWorkingFolders() noexcept
{
    for (int r = 0; r < workingRows_; ++r)
        ExpDeleteFolder(&desc_.Rows[r].Folder, desc_.Project);
    workingRows_ = 0;
}

bool Session::open() noexcept
{
    for (int r = 0; r < desc_.RowCount; ++r) {
        MatrixRow& row = desc_.Rows[r];
        if (!row.HostFolder || !ExpDuplicateFolder(&row.Folder, row.HostFolder, desc_.Project)) {
            deleteWorkingFolders();
            return false;
        }
        workingRows_ = r + 1;
    }
    ValidateParSets(&desc_);
    return true;
}

void Session::setSetCount(int count) noexcept
{
    // Validation changes nothing when the count stays (it is idempotent), and
    // it is the costly part of every focus change away from the edit field.
    if (count == desc_.SetCount)
        return;
    desc_.SetCount = static_cast<SHORT>(count);
    ValidateParSets(&desc_);
}

// --- cell placement --------------------------------------------------------------------

bool Session::place(int r, int s, const char* typed, HWND cell) noexcept
{
    MatrixRow* row = rowAt(desc_, r);
    if (!row || s < 0 || s >= desc_.SetCount)
        return true;
    if (!cell)
        cell = visibleCell(dialog_, desc_, r, s);
    char text[kTextBufferSize] = {};
    copyCut(text, sizeof text, typed, static_cast<std::size_t>(textLimit(*row)));
    DWORD value = 0;
    bool placed = false;
    if (isNumericRow(*row)) {
        if (!desc_.ParseValue || !desc_.FormatValue) {
            // Nothing converts the text: the cell keeps its value and shows it.
            if (cell)
                showCell(desc_, r, s, cell);
            return true;
        }
        desc_.ParseValue(row, &value, text);
        desc_.FormatValue(row, value, text);
        text[kTextBufferSize - 1] = '\0';
        placed = ExpPlaceValueInFolder(&row->Folder, s, value, desc_.Project);
    } else if (const strings::StringId id = strings::acquire(text, desc_.Project)) {
        placed = ExpPlaceValueInFolder(&row->Folder, s, id, desc_.Project); // the folder takes its reference
    }
    if (cell) {
        if (placed)
            SetWindowTextA(cell, text);
        else // the folder keeps its value: the cell shows what OK would hand over
            showCell(desc_, r, s, cell);
    }
    return placed;
}

void Session::commit(int id, HWND cell) noexcept
{
    int row = 0, set = 0;
    if (!cellPosition(desc_, id, row, set))
        return;
    char text[kTextBufferSize] = {};
    GetWindowTextA(cell, text, kCellReadSize);
    if (place(row, set, text, cell))
        return;
    ++refusedCommits_;
    refusalBeep();
}

// --- OK and Cancel -------------------------------------------------------------------

std::optional<bool> Session::storedMultipage() const noexcept
{
    const MultipageRec* record = multipageRecord(desc_.Project);
    if (!record)
        return std::nullopt;
    const RecipeList* list = record->List;
    return list && containsId(list->Ids, list->IdCount, desc_.RecipeId);
}

void Session::accept(bool multipage) noexcept
{
    *desc_.HostSetCount = static_cast<WORD>(desc_.SetCount);
    for (int r = 0; r < workingRows_; ++r) {
        MatrixRow& row = desc_.Rows[r];
        ExpDeleteFolder(row.HostFolder, desc_.Project);
        std::memcpy(row.HostFolder, &row.Folder, sizeof row.Folder);
        // The block and its references belong to the host now.
        row.Folder.EntryCount = 0;
        row.Folder.Block = nullptr;
    }
    workingRows_ = 0;
    updateMultipageList(desc_, multipage);
}

void Session::discard() noexcept
{
    deleteWorkingFolders();
}

} // namespace w32k::matrix
