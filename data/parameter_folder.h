// Placements into parameter-set folders made in memory: the series of
// ExpPlaceValueInFolder calls with which ValidateParSets fills a row and the
// matrix editor pastes or cuts, at the cost of one block for the whole row
// instead of one per placement that changes the entry count.
//
// The work comes in two steps so that an edit of many folders is all or
// nothing. A HeldFolder gets everything storing the folder will need (its
// entries readable, the block for the result); once every folder of the
// edit is held, nothing can fail any more, and a PlacementBatch makes the
// placements on a work copy and stores the result.
#pragma once

#include <windows.h>

#include "data/parameter_folder_core.h"
#include "frame/raii.h"
#include "w32korutil1.h"

#include <optional>
#include <span>
#include <vector>

namespace w32k::folders {

// A folder without entries (no block or a count of 0).
inline bool isEmpty(const ParSetFolder& folder) noexcept
{
    return folder.Block == nullptr || folder.EntryCount == 0;
}

// The entries of a folder, locked for the lifetime of the object. An empty
// folder has no entries and is not locked; a count larger than the block
// holds is cut to the entries that fit.
class FolderEntries {
public:
    explicit FolderEntries(const ParSetFolder& folder) noexcept
        : lock_(isEmpty(folder) ? nullptr : folder.Block),
          count_(lock_ ? entriesInBlock(folder.EntryCount, lock_.size()) : 0),
          valid_(isEmpty(folder) || lock_)
    {
    }

    // False when the block could not be locked.
    explicit operator bool() const noexcept { return valid_; }
    std::span<Entry> entries() const noexcept { return {lock_.get(), count_}; }

private:
    GlobalLockGuard<Entry> lock_;
    std::size_t count_;
    bool valid_;
};

// A folder readied for at most `placements` placements, and, with cutTo,
// for a cut back to that many sets before it is stored: its block stays
// locked, so its entries can be read, and the block the result will go into
// is allocated (large enough for the most entries that can be left). Held
// for no placement and no cut, it is only read: nothing is allocated, and a
// batch on it places nothing.
// False when memory or the lock failed; the folder is never changed here.
class HeldFolder {
public:
    HeldFolder(ParSetFolder& folder, std::size_t placements,
               std::optional<int> cutTo = std::nullopt) noexcept;
    HeldFolder(const HeldFolder&) = delete;
    HeldFolder& operator=(const HeldFolder&) = delete;

    explicit operator bool() const noexcept { return ready_; }
    // ExpGetValueFromFolder on the held entries.
    bool value(int index, DWORD& value) const noexcept;
    // Entries a work copy of the folder must have room for.
    std::size_t workCapacity() const noexcept;

private:
    friend class PlacementBatch;

    ParSetFolder& folder_;
    Kind kind_;
    std::optional<GlobalLockGuard<Entry>> lock_; // the folder's block until a batch copied it
    std::span<const Entry> entries_;
    std::size_t most_ = 0; // entries the work copy can have
    std::optional<int> cutTo_;
    bool readOnly_ = false;
    std::size_t resultSize_ = 0; // entries the result block holds
    GlobalBlock result_;
    std::optional<GlobalLockGuard<Entry>> resultLock_;
    bool ready_ = false;
};

// Placements into a held folder, made on a work copy of its entries. Each
// place() does to the entries and to the string-store references exactly
// what ExpPlaceValueInFolder does, in the same order of store calls;
// commit() (also on destruction) stores the entries in the held block, cut
// to their size, and gives the folder that block. Nothing here can fail for
// want of memory.
class PlacementBatch {
public:
    // work: a vector with room for held.workCapacity() entries, whose content
    // the batch replaces (one vector serves the folders of an edit in turn).
    PlacementBatch(HeldFolder& held, std::vector<Entry>& work, void* project) noexcept;
    ~PlacementBatch() { commit(); }
    PlacementBatch(const PlacementBatch&) = delete;
    PlacementBatch& operator=(const PlacementBatch&) = delete;

    // ExpGetValueFromFolder on the work copy.
    bool value(int index, DWORD& value) const noexcept;
    // ExpPlaceValueInFolder on the work copy (value: a number, or a string id
    // with one reference handed over).
    bool place(int index, DWORD value) noexcept;
    // place() of a string id the caller holds no reference to but that the
    // entries keep alive: as one reference taken and handed over, without
    // the store calls that would only take it and drop it again.
    bool placeHeld(int index, WORD id) noexcept;
    // Stores the entries into the folder if a placement changed them, after
    // the held folder's cut. Once: the batch is done then.
    void commit() noexcept;

private:
    bool apply(int index, DWORD value, WORD heldId) noexcept;
    // ExpValidateFolder(count, offset 0) on the work copy: the set indices
    // from count on are cut off, with their references.
    void cutBack(int count) noexcept;

    HeldFolder& held_;
    std::vector<Entry>& entries_;
    void* project_;
    bool changed_ = false;
    bool committed_ = false;
};

} // namespace w32k::folders
