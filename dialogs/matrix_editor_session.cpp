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
    HostBlock<WORD> ids_;        // the new identifier array (none for no identifiers)
    RecipeList* list_ = nullptr; // the host's list whose identifiers change
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

namespace {

enum class Typed { Value, Unconverted, StoreFull };

// The value that typed text gives a cell of the row (a string id with one
// reference for the caller), and in shown (kTextBufferSize bytes) the text
// the cell then shows: the text cut to the row's limit, or the number as
// formatted. Unconverted: a numeric row without ParseValue and FormatValue.
Typed typedValue(const MatrixDesc& desc, MatrixRow& row, const char* typed, char* shown,
                 DWORD& value) noexcept
{
    copyCut(shown, kTextBufferSize, typed, static_cast<std::size_t>(textLimit(row)));
    if (!isNumericRow(row)) {
        value = strings::acquire(shown, desc.Project);
        return value != 0 ? Typed::Value : Typed::StoreFull;
    }
    if (!desc.ParseValue || !desc.FormatValue)
        return Typed::Unconverted;
    desc.ParseValue(&row, &value, shown);
    desc.FormatValue(&row, value, shown);
    shown[kTextBufferSize - 1] = '\0';
    return Typed::Value;
}

} // namespace

bool Session::place(int r, int s, const char* typed, HWND cell) noexcept
{
    MatrixRow* row = rowAt(desc_, r);
    if (!row || s < 0 || s >= desc_.SetCount)
        return true;
    if (!cell)
        cell = visibleCell(dialog_, desc_, r, s);
    char text[kTextBufferSize] = {};
    DWORD value = 0;
    const Typed made = typedValue(desc_, *row, typed, text, value);
    // The folder takes the reference of a text's id, placed or not.
    const bool placed = made == Typed::Value && ExpPlaceValueInFolder(&row->Folder, s, value, desc_.Project);
    if (cell) {
        if (placed)
            SetWindowTextA(cell, text);
        else // the folder keeps its value: the cell shows what OK would hand over
            showCell(desc_, r, s, cell);
    }
    return placed || made == Typed::Unconverted;
}

void Session::commit(int id, HWND cell) noexcept
{
    int row = 0, set = 0;
    if (!cellPosition(desc_, id, row, set))
        return;
    // A cell the user did not edit shows what the folder holds, or nothing
    // when that could not be read: leaving it places nothing, so a visit
    // neither reformats a number nor empties a value the display missed.
    if (!SendMessageA(cell, EM_GETMODIFY, 0, 0))
        return;
    char text[kTextBufferSize] = {};
    GetWindowTextA(cell, text, kCellReadSize);
    if (place(row, set, text, cell))
        return;
    ++refusedCommits_;
    refusalBeep();
}

// --- edits of many cells -------------------------------------------------------------

RectangleEdit::RectangleEdit(MatrixDesc& desc, const Rect& rect, bool placing) noexcept
    : desc_(desc), cells_{std::max(rect.rowFrom, 0),
                          std::min<int>(rect.rowTo, desc.Rows ? desc.RowCount - 1 : -1),
                          std::max(rect.setFrom, 0), std::min<int>(rect.setTo, desc.SetCount - 1)}
{
    if (cells_.rowFrom > cells_.rowTo || cells_.setFrom > cells_.setTo) {
        cells_ = {0, -1, 0, -1}; // no cell of the matrix: nothing to read or place
        ready_ = true;
        return;
    }
    const auto rows = static_cast<std::size_t>(cells_.rowTo - cells_.rowFrom + 1);
    const auto sets = placing ? static_cast<std::size_t>(cells_.setTo - cells_.setFrom + 1) : 0;
    rows_.reset(new (std::nothrow) std::optional<folders::HeldFolder>[rows]);
    if (!rows_)
        return;
    std::size_t capacity = 0;
    for (std::size_t i = 0; i < rows; ++i) {
        if (!rows_[i].emplace(desc.Rows[cells_.rowFrom + static_cast<int>(i)].Folder, sets))
            return;
        capacity = std::max(capacity, rows_[i]->workCapacity());
    }
    try {
        work_.reserve(capacity);
        staged_.reserve(rows * sets);
    } catch (const std::bad_alloc&) {
        return;
    }
    ready_ = true;
}

RectangleEdit::~RectangleEdit()
{
    for (const Staged& cell : staged_)
        giveBack(cell.row, cell.value);
}

void RectangleEdit::giveBack(int row, DWORD value) const noexcept
{
    if (!isNumericRow(desc_.Rows[row]))
        strings::release(static_cast<strings::StringId>(value), desc_.Project);
}

folders::HeldFolder* RectangleEdit::held(int row) const noexcept
{
    if (!ready_ || row < cells_.rowFrom || row > cells_.rowTo)
        return nullptr;
    return &*rows_[static_cast<std::size_t>(row - cells_.rowFrom)];
}

void RectangleEdit::text(int row, int set, char* text) const noexcept
{
    text[0] = '\0';
    DWORD value = 0;
    if (const folders::HeldFolder* folder = held(row);
        folder && cells_.contains(row, set) && folder->value(set, value))
        valueText(desc_, desc_.Rows[row], value, text);
}

bool RectangleEdit::stage(int row, int set, const char* typed) noexcept
{
    if (!held(row) || !cells_.contains(row, set))
        return true;
    // Rows only grow in the order of staging: apply() goes through them once.
    if (!staged_.empty() && staged_.back().row > row)
        return false;
    char shown[kTextBufferSize] = {};
    DWORD value = 0;
    switch (typedValue(desc_, desc_.Rows[row], typed, shown, value)) {
    case Typed::StoreFull:
        return false;
    case Typed::Unconverted:
        return true;
    case Typed::Value:
        break;
    }
    if (staged_.size() == staged_.capacity()) { // a cell staged twice: no room was reserved for it
        giveBack(row, value);
        return false;
    }
    staged_.push_back({row, set, value});
    return true;
}

void RectangleEdit::apply(HWND dialog) noexcept
{
    auto cell = staged_.begin();
    for (int r = cells_.rowFrom; r <= cells_.rowTo; ++r) {
        folders::PlacementBatch batch(*held(r), work_, desc_.Project);
        // Each row holds room for a placement in each of its cells, so none
        // is refused; each hands its text's reference to the folder.
        for (; cell != staged_.end() && cell->row == r; ++cell)
            batch.place(cell->set, cell->value);
        batch.commit();
        show(dialog, r, batch);
    }
    staged_.clear();
}

void RectangleEdit::show(HWND dialog, int row, const folders::PlacementBatch& batch) const noexcept
{
    if (row < desc_.FirstRow || row >= desc_.FirstRow + kRowSlots)
        return;
    const int setTo = std::min(cells_.setTo, desc_.FirstSet + kColumnSlots - 1);
    for (int s = std::max(cells_.setFrom, static_cast<int>(desc_.FirstSet)); s <= setTo; ++s) {
        char shown[kTextBufferSize] = {};
        DWORD value = 0;
        if (batch.value(s, value))
            valueText(desc_, desc_.Rows[row], value, shown);
        SetWindowTextA(visibleCell(dialog, desc_, row, s), shown);
    }
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
