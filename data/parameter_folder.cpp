// The parameter-set folder exports: reading and placing values, cutting a
// folder back, duplicating and deleting it. The run arithmetic comes from
// parameter_folder_core; this file locks the host's blocks, replaces them
// when the entry count changes and keeps the string-store references of text
// folders balanced.
//
// Every operation that changes a folder first gets all the memory it needs;
// only then does it touch the descriptor, the entries or the references, so
// a failure leaves the folder exactly as it was.
#include "w32korutil1.h"

#include "data/parameter_folder.h"
#include "data/parameter_folder_core.h"
#include "frame/raii.h"
#include "frame/string_store.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace w32k::folders {

static_assert(sizeof(ParSetEntry) == sizeof(Entry));
static_assert(offsetof(ParSetEntry, FirstIndex) == offsetof(Entry, first));
static_assert(offsetof(ParSetEntry, LastIndex) == offsetof(Entry, last));
static_assert(offsetof(ParSetEntry, StringId) == offsetof(Entry, stringId));
static_assert(offsetof(ParSetEntry, Number) == offsetof(Entry, number));
static_assert(offsetof(ParSetEntry, Reserved) == offsetof(Entry, reserved));

namespace {

Kind kindOf(const ParSetFolder& folder) noexcept
{
    return folder.ValueKind == PARSET_KIND_TEXT ? Kind::Text : Kind::Number;
}

// A new entry block of exactly `count` entries (flags 0x42), locked while
// this object lives; release() hands the handle over.
class NewEntryBlock {
public:
    explicit NewEntryBlock(std::size_t count) noexcept
        : block_(GlobalBlock::allocate(count * kEntrySize)), lock_(block_.get())
    {
    }

    explicit operator bool() const noexcept { return static_cast<bool>(lock_); }
    Entry* entries() const noexcept { return lock_.get(); }
    HGLOBAL release() noexcept { return block_.release(); }

private:
    GlobalBlock block_;
    GlobalLockGuard<Entry> lock_;
};

// Stores a new block and count in the descriptor and frees the old block,
// which nobody may hold locked any more.
void installBlock(ParSetFolder& folder, HGLOBAL block, std::size_t count) noexcept
{
    const HGLOBAL old = folder.Block;
    folder.Block = block;
    folder.EntryCount = static_cast<WORD>(count);
    if (old && old != block)
        GlobalFree(old);
}

void releaseReference(Kind kind, WORD id, void* project) noexcept
{
    if (kind == Kind::Text && id != 0)
        strings::release(id, project);
}

void addReference(Kind kind, WORD id, void* project) noexcept
{
    if (kind == Kind::Text && id != 0)
        strings::addReference(id, project);
}

void releaseReferences(std::span<const Entry> entries, Kind kind, void* project) noexcept
{
    for (const Entry& entry : entries)
        releaseReference(kind, entry.stringId, project);
}

void addReferences(std::span<const Entry> entries, Kind kind, void* project) noexcept
{
    for (const Entry& entry : entries)
        addReference(kind, entry.stringId, project);
}

// Additions first, so that no id loses its last reference on the way.
void applyReferenceChanges(const ReferenceChanges& changes, void* project) noexcept
{
    for (const std::uint16_t id : changes.added())
        strings::addReference(id, project);
    for (const std::uint16_t id : changes.released())
        strings::release(id, project);
}

// The placement applied to the folder's entries: in place when the count
// stays, otherwise into a new block. False (nothing changed) when memory
// fails or the folder would grow beyond kMaxEntries.
bool applyToFolder(const Placement& placement, std::span<Entry> old, HGLOBAL& rebuilt,
                   std::size_t& count) noexcept
{
    count = placement.newCount(old.size());
    if (count == old.size())
        return applyPlacement(placement, old, old);
    if (!placement.fitsFolder(old.size()))
        return false;
    NewEntryBlock block(count);
    if (!block || !applyPlacement(placement, old, {block.entries(), count}))
        return false;
    rebuilt = block.release();
    return true;
}

BOOL placeValue(ParSetFolder& folder, int index, Value value, void* project) noexcept
{
    Placement placement;
    HGLOBAL rebuilt = nullptr;
    std::size_t count = 0;
    {
        const FolderEntries old(folder);
        bool placed = false;
        if (old) {
            placement = planPlacement(old.entries(), index, value);
            placed = applyToFolder(placement, old.entries(), rebuilt, count);
        }
        if (!placed) {
            // The handed-over reference belongs to the folder, which drops it.
            releaseReference(value.kind, value.stringId(), project);
            return FALSE;
        }
    }
    if (rebuilt)
        installBlock(folder, rebuilt, count);
    else if (placement.changesEntries())
        folder.EntryCount = static_cast<WORD>(count);
    applyReferenceChanges(placement.references, project);
    return TRUE;
}

// The value of the entry covering index: its string id or its number.
bool valueAt(std::span<const Entry> entries, Kind kind, int index, DWORD& value) noexcept
{
    const std::optional<std::size_t> covering = coveringEntry(entries, index);
    if (!covering)
        return false;
    const Entry& entry = entries[*covering];
    value = kind == Kind::Text ? entry.stringId : entry.number;
    return true;
}

BOOL getValue(const ParSetFolder& folder, int index, DWORD& value) noexcept
{
    const FolderEntries folderEntries(folder);
    return valueAt(folderEntries.entries(), kindOf(folder), index, value) ? TRUE : FALSE;
}

// Drops every reference and frees the block. With `needReferences`, a text
// folder whose block cannot be locked is left as it was (FALSE); otherwise
// the block goes in any case.
BOOL removeAllEntries(ParSetFolder& folder, void* project, bool needReferences) noexcept
{
    if (folder.Block) {
        const Kind kind = kindOf(folder);
        {
            const FolderEntries entries(folder);
            if (!entries && kind == Kind::Text && needReferences)
                return FALSE;
            releaseReferences(entries.entries(), kind, project);
        }
        GlobalFree(folder.Block);
    }
    folder.EntryCount = 0;
    folder.Block = nullptr;
    return TRUE;
}

void shortenTo(std::span<Entry> entries, int limit) noexcept
{
    for (Entry& entry : entries)
        if (entry.last > limit)
            entry.last = static_cast<std::int16_t>(limit);
}

// Cuts the folder back to the set indices up to limit (a folder that keeps
// nothing becomes empty).
BOOL trimFolder(ParSetFolder& folder, int limit, void* project) noexcept
{
    HGLOBAL rebuilt = nullptr;
    std::size_t keep = 0;
    {
        const FolderEntries old(folder);
        if (!old)
            return FALSE;
        const std::span<Entry> entries = old.entries();
        keep = entriesWithin(entries, limit);
        if (keep > 0 && keep < entries.size()) {
            NewEntryBlock block(keep);
            if (!block)
                return FALSE;
            std::copy(entries.begin(), entries.begin() + keep, block.entries());
            shortenTo({block.entries(), keep}, limit);
            releaseReferences(entries.subspan(keep), kindOf(folder), project);
            rebuilt = block.release();
        } else if (keep > 0) {
            shortenTo(entries, limit);
        }
    }
    if (keep == 0)
        return removeAllEntries(folder, project, true);
    if (rebuilt)
        installBlock(folder, rebuilt, keep);
    else
        folder.EntryCount = static_cast<WORD>(keep);
    return TRUE;
}

BOOL duplicateFolder(ParSetFolder& destination, const ParSetFolder& source, void* project) noexcept
{
    destination = source;
    destination.Block = nullptr;
    if (isEmpty(source))
        return TRUE;
    const FolderEntries entries(source);
    const std::span<const Entry> from = entries.entries();
    destination.EntryCount = 0;
    if (!entries)
        return FALSE;
    if (from.empty())
        return TRUE;
    NewEntryBlock block(from.size());
    if (!block)
        return FALSE;
    std::copy(from.begin(), from.end(), block.entries());
    destination.Block = block.release();
    destination.EntryCount = static_cast<WORD>(from.size());
    addReferences(from, kindOf(destination), project);
    return TRUE;
}

} // namespace

// -- placements in memory ----------------------------------------------------------

HeldFolder::HeldFolder(ParSetFolder& folder, std::size_t placements, std::optional<int> cutTo) noexcept
    : folder_(folder), kind_(kindOf(folder)), cutTo_(cutTo), readOnly_(placements == 0 && !cutTo)
{
    if (!isEmpty(folder)) {
        lock_.emplace(folder.Block);
        if (!*lock_)
            return;
        entries_ = {lock_->get(), entriesInBlock(folder.EntryCount, lock_->size())};
    }
    // A placement adds at most two entries (a split and a new run) and never
    // grows a folder beyond kMaxEntries.
    most_ = std::max(entries_.size(), std::min(kMaxEntries, entries_.size() + 2 * placements));
    resultSize_ = readOnly_ ? 0 : most_;
    if (cutTo && runsForward(entries_))
        resultSize_ = std::min(most_, static_cast<std::size_t>(std::max(*cutTo, 0)));
    if (resultSize_ > 0) {
        // Not zeroed: storing writes the entries and cuts the block to them.
        result_ = GlobalBlock::allocate(resultSize_ * kEntrySize, GMEM_MOVEABLE);
        if (!result_)
            return;
        resultLock_.emplace(result_.get());
        if (!*resultLock_)
            return;
    }
    ready_ = true;
}

bool HeldFolder::value(int index, DWORD& value) const noexcept
{
    return valueAt(entries_, kind_, index, value);
}

std::size_t HeldFolder::workCapacity() const noexcept
{
    return most_ + Placement::kMaxReplacement;
}

PlacementBatch::PlacementBatch(HeldFolder& held, std::vector<Entry>& work, void* project) noexcept
    : held_(held), entries_(work), project_(project)
{
    // Within the capacity the caller made: the copy does not allocate.
    entries_.assign(held.entries_.begin(), held.entries_.end());
    held.entries_ = {};
    held.lock_.reset();
}

bool PlacementBatch::value(int index, DWORD& value) const noexcept
{
    return valueAt(entries_, held_.kind_, index, value);
}

bool PlacementBatch::place(int index, DWORD raw) noexcept
{
    return apply(index, raw, 0);
}

bool PlacementBatch::placeHeld(int index, WORD id) noexcept
{
    return apply(index, id, id);
}

// The placement of raw; with heldId, its reference is not handed over but
// taken here, unless the placement would drop it again at once.
bool PlacementBatch::apply(int index, DWORD raw, WORD heldId) noexcept
{
    const Kind kind = held_.kind_;
    const Value value{kind, raw};
    const Placement placement = planPlacement(entries_, index, value);
    if (held_.readOnly_ || !placement.fitsFolder(entries_.size()) ||
        placement.newCount(entries_.size()) > held_.most_) {
        if (heldId == 0)
            releaseReference(kind, value.stringId(), project_);
        return false;
    }
    // In place, within the reserved capacity: resizing does not allocate.
    const std::size_t before = entries_.size();
    const std::size_t count = placement.newCount(before);
    entries_.resize(std::max(before, count));
    applyPlacement(placement, {entries_.data(), before}, {entries_.data(), count});
    entries_.resize(count);
    changed_ = changed_ || placement.changesEntries();
    if (heldId == 0) {
        applyReferenceChanges(placement.references, project_);
        return true;
    }
    const std::span<const std::uint16_t> released = placement.references.released();
    const auto dropped = std::find(released.begin(), released.end(), heldId);
    if (dropped == released.end())
        addReference(kind, heldId, project_);
    for (const std::uint16_t id : placement.references.added())
        strings::addReference(id, project_);
    for (auto it = released.begin(); it != released.end(); ++it) {
        if (it != dropped)
            strings::release(*it, project_);
    }
    return true;
}

void PlacementBatch::cutBack(int count) noexcept
{
    const int limit = count - 1;
    const std::size_t keep = count <= 0 ? 0 : entriesWithin(entries_, limit);
    releaseReferences(std::span<const Entry>(entries_).subspan(keep), held_.kind_, project_);
    changed_ = changed_ || keep < entries_.size();
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(keep), entries_.end());
    for (Entry& entry : entries_) {
        if (entry.last > limit) {
            entry.last = static_cast<std::int16_t>(limit);
            changed_ = true;
        }
    }
}

void PlacementBatch::commit() noexcept
{
    if (std::exchange(committed_, true))
        return;
    if (held_.cutTo_)
        cutBack(*held_.cutTo_);
    if (!changed_)
        return;
    changed_ = false;
    ParSetFolder& folder = held_.folder_;
    if (entries_.empty()) {
        installBlock(folder, nullptr, 0);
        return;
    }
    // The result fits: placements stay within most_, and entries that run
    // forward, cut back to cutTo_ sets, are at most cutTo_.
    const std::size_t bytes = entries_.size() * kEntrySize;
    auto* const result = reinterpret_cast<BYTE*>((*held_.resultLock_).get());
    std::memcpy(result, entries_.data(), bytes);
    // Cut to its entries, in place while locked; a block that cannot shrink
    // keeps a zeroed tail.
    if (!GlobalReAlloc(held_.result_.get(), bytes, 0))
        std::memset(result + bytes, 0, held_.resultSize_ * kEntrySize - bytes);
    held_.resultLock_.reset();
    installBlock(folder, held_.result_.release(), entries_.size());
}

} // namespace w32k::folders

extern "C" {

BOOL WINAPI ExpGetValueFromFolder(ParSetFolder* folder, int index, DWORD* value, void*)
{
    if (!folder || !value)
        return FALSE;
    return w32k::folders::getValue(*folder, w32k::folders::signed16(index), *value);
}

BOOL WINAPI ExpPlaceValueInFolder(ParSetFolder* folder, int index, DWORD value, void* project)
{
    using namespace w32k::folders;
    if (!folder)
        return FALSE;
    return placeValue(*folder, signed16(index), Value{kindOf(*folder), value}, project);
}

BOOL WINAPI ExpValidateFolder(ParSetFolder* folder, int count, int offset, void* project)
{
    using namespace w32k::folders;
    if (!folder || isEmpty(*folder))
        return FALSE;
    if (signed16(count) <= 0)
        return removeAllEntries(*folder, project, true);
    return trimFolder(*folder, trimLimit(count, offset), project);
}

BOOL WINAPI ExpDuplicateFolder(ParSetFolder* destination, const ParSetFolder* source, void* project)
{
    if (!destination || !source || destination == source)
        return FALSE;
    return w32k::folders::duplicateFolder(*destination, *source, project);
}

BOOL WINAPI ExpDeleteFolder(ParSetFolder* folder, void* project)
{
    if (!folder)
        return FALSE;
    return w32k::folders::removeAllEntries(*folder, project, false);
}

} // extern "C"
