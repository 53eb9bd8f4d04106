// The matrix editor's editing session: working copies of the host's folders,
// cell placement, the number of parameter sets, and OK and Cancel with the
// multipage list.
#include "dialogs/matrix_editor_session.h"

#include "dialogs/matrix_editor_grid.h"
#include "frame/host_memory.h"
#include "frame/string_store.h"

#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

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

// A block handed to the host, released with free() unless the host took it.
struct FreeHostBlock {
    void operator()(void* block) const noexcept { std::free(block); }
};
template <typename T>
using HostBlock = std::unique_ptr<T, FreeHostBlock>;

template <typename T>
HostBlock<T> allocateForHost(std::size_t count = 1) noexcept
{
    return HostBlock<T>(static_cast<T*>(allocateHostBlock(count * sizeof(T))));
}

// The project's multipage list as OK leaves it. prepare() makes every block
// the change needs before the host's data changes; apply() cannot fail.
class MultipageUpdate {
public:
    // False, with nothing made, when a block cannot be allocated.
    bool prepare(const MatrixDesc& desc, bool multipage) noexcept;
    void apply(void* project) noexcept;

private:
    HostBlock<MultipageRec> record_; // a new record with its one list
    HostBlock<RecipeList> newList_;
    HostBlock<WORD> ids_;            // the new identifier array (none for no identifiers)
    RecipeList* list_ = nullptr;     // the host's list whose identifiers change
    WORD idCount_ = 0;
};

bool MultipageUpdate::prepare(const MatrixDesc& desc, bool multipage) noexcept
{
    MultipageRec* record = multipageRecord(desc.Project);
    if (!record) {
        if (!multipage || !desc.Project)
            return true;
        record_ = allocateForHost<MultipageRec>();
        newList_ = allocateForHost<RecipeList>();
        ids_ = allocateForHost<WORD>();
        if (!record_ || !newList_ || !ids_)
            return false;
        std::memset(record_.get(), 0, sizeof(MultipageRec));
        std::memset(newList_.get(), 0, sizeof(RecipeList));
        *ids_ = desc.RecipeId;
        idCount_ = 1;
        return true;
    }
    RecipeList* list = record->List;
    if (!list || containsId(list->Ids, list->IdCount, desc.RecipeId) == multipage)
        return true;
    try {
        const std::vector<std::uint16_t> ids = multipage ? withId(list->Ids, list->IdCount, desc.RecipeId)
                                                         : withoutId(list->Ids, list->IdCount, desc.RecipeId);
        if (!ids.empty() && !(ids_ = allocateForHost<WORD>(ids.size())))
            return false;
        std::copy(ids.begin(), ids.end(), ids_.get());
        list_ = list;
        idCount_ = static_cast<WORD>(ids.size());
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void MultipageUpdate::apply(void* project) noexcept
{
    if (record_) {
        newList_->IdCount = idCount_;
        newList_->Ids = ids_.release();
        record_->ListCount = 1;
        record_->List = newList_.release();
        storeRecord(project, record_.release());
    } else if (list_) {
        if (list_->IdCount != 0)
            std::free(list_->Ids);
        list_->Ids = ids_.release();
        list_->IdCount = idCount_;
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

bool Session::accept(bool multipage) noexcept
{
    MultipageUpdate update;
    if (!update.prepare(desc_, multipage))
        return false;
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
    update.apply(desc_.Project);
    return true;
}

void Session::discard() noexcept
{
    deleteWorkingFolders();
}

} // namespace w32k::matrix
