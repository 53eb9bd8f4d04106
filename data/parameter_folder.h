// Placements into one folder made in memory: the series of
// ExpPlaceValueInFolder calls with which ValidateParSets fills a row, at the
// cost of one block copy for the whole row instead of one per placement that
// changes the entry count.
#pragma once

#include <windows.h>

#include "data/parameter_folder_core.h"
#include "frame/raii.h"
#include "w32korutil1.h"

#include <optional>
#include <vector>

namespace w32k::folders {

// Holds a copy of a folder's entries. Each place() does to the entries and
// to the string-store references exactly what ExpPlaceValueInFolder does,
// in the same order of store calls; commit() (also on destruction) stores
// the entries in one new block of exactly their count. The memory that
// commit() may need is reserved up front, so a batch that was made never
// loses a placement.
class PlacementBatch {
public:
    // Takes the folder's entries, for at most `placements` placements.
    PlacementBatch(ParSetFolder& folder, std::size_t placements, void* project) noexcept;
    ~PlacementBatch() { commit(); }
    PlacementBatch(const PlacementBatch&) = delete;
    PlacementBatch& operator=(const PlacementBatch&) = delete;

    // False when memory failed: the folder is untouched; use the exports.
    explicit operator bool() const noexcept { return ready_; }
    // ExpGetValueFromFolder on the held entries.
    bool value(int index, DWORD& value) const noexcept;
    // ExpPlaceValueInFolder on the held entries (value: a number, or a string
    // id with one reference handed over).
    bool place(int index, DWORD value) noexcept;
    // place() of a string id the caller holds no reference to but that the
    // entries keep alive: as one reference taken and handed over, without
    // the store calls that would only take it and drop it again.
    bool placeHeld(int index, WORD id) noexcept;
    // ExpValidateFolder(count, offset 0) on the held entries: the set
    // indices from count on are cut off, with their references.
    void cutBack(int count) noexcept;
    // Writes the entries back into the folder if a placement changed them.
    void commit() noexcept;

private:
    bool take(std::size_t placements) noexcept;
    bool apply(int index, DWORD value, WORD heldId) noexcept;

    ParSetFolder& folder_;
    void* project_;
    Kind kind_;
    std::vector<Entry> entries_;
    GlobalBlock reserve_; // room for the most entries the placements can leave
    std::optional<GlobalLockGuard<BYTE>> reserveLock_;
    bool ready_ = false;
    bool changed_ = false;
};

} // namespace w32k::folders
