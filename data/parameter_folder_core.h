// Run arithmetic of the parameter-set folders, free of any platform call: what
// a placement or a validation does to the entries of a folder and to the
// string-store references they own. The Win32 layer (parameter_folder.cpp)
// applies these plans to the host's global blocks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace w32k::folders {

inline constexpr std::size_t kEntrySize = 16;
// A folder's block stays below 64 KB.
inline constexpr std::size_t kMaxEntries = 4095;

#pragma pack(push, 1)
// One run of equal values over the set indices first..last (inclusive).
struct Entry {
    std::int16_t first;
    std::int16_t last;
    std::uint16_t stringId;   // text folders
    std::uint32_t number;     // number folders
    std::uint8_t reserved[6]; // zero in new entries, copied when a run is split
};
#pragma pack(pop)
static_assert(sizeof(Entry) == kEntrySize);

enum class Kind { Text, Number };

// A value as a folder of the given kind stores it: a string id in the low 16
// bits of raw (text) or the whole 32-bit number.
struct Value {
    Kind kind;
    std::uint32_t raw;

    std::uint16_t stringId() const noexcept { return static_cast<std::uint16_t>(raw); }
    bool heldBy(const Entry& entry) const noexcept;
    void storeInto(Entry& entry) const noexcept;
    // The new run {index..index = value}, every other byte zero.
    Entry singleRun(int index) const noexcept;
};

// String-store references an operation takes and drops; zero ids and number
// folders never appear here. Apply the additions before the releases, so no
// id loses its last reference on the way.
class ReferenceChanges {
public:
    static constexpr std::size_t kCapacity = 4;

    void add(Kind kind, std::uint16_t id) noexcept { record(kind, id, added_, addedCount_); }
    void release(Kind kind, std::uint16_t id) noexcept { record(kind, id, released_, releasedCount_); }
    std::span<const std::uint16_t> added() const noexcept { return {added_.data(), addedCount_}; }
    std::span<const std::uint16_t> released() const noexcept { return {released_.data(), releasedCount_}; }

private:
    static void record(Kind kind, std::uint16_t id, std::array<std::uint16_t, kCapacity>& ids,
                       std::size_t& count) noexcept;
    std::array<std::uint16_t, kCapacity> added_{};
    std::array<std::uint16_t, kCapacity> released_{};
    std::size_t addedCount_ = 0;
    std::size_t releasedCount_ = 0;
};

// What a placement does: the entries [from, to) of the old array are replaced
// by `replacement`, and the references change as `references` says (the
// reference handed over with a text value is either kept by an entry or is
// among the releases).
struct Placement {
    static constexpr std::size_t kMaxReplacement = 5;

    std::size_t from = 0;
    std::size_t to = 0;
    std::array<Entry, kMaxReplacement> replacement{};
    std::size_t replacementCount = 0;
    ReferenceChanges references;

    std::span<const Entry> replacementEntries() const noexcept
    {
        return {replacement.data(), replacementCount};
    }
    bool changesEntries() const noexcept { return to != from || replacementCount != 0; }
    std::size_t newCount(std::size_t oldCount) const noexcept
    {
        return oldCount - (to - from) + replacementCount;
    }
    // False when the placement would grow a folder beyond kMaxEntries.
    bool fitsFolder(std::size_t oldCount) const noexcept
    {
        const std::size_t count = newCount(oldCount);
        return count <= kMaxEntries || count <= oldCount;
    }
};

// The placement of value at set index `index` into the given entries: the
// covering run is shrunk, split or removed, and the value then joins the
// following run (and, through it, the preceding one), extends the last run,
// or becomes a run of its own. A new single run is not joined with the run
// before it, so neighbouring runs may carry equal values.
Placement planPlacement(std::span<const Entry> entries, int index, Value value) noexcept;

// Applies a placement planned on `old`: `out` receives old[0, from), the
// replacement and old[to, end), exactly plan.newCount(old.size()) entries.
// `out` is either a separate array or old's own storage (starting where old
// starts, with room for the new count): the entries behind the replaced ones
// then move within it. False, nothing written, when the plan does not fit old
// or out is not of the new count.
bool applyPlacement(const Placement& plan, std::span<const Entry> old, std::span<Entry> out) noexcept;

// The number of leading entries a cut back to the set indices up to `limit`
// keeps: the entries from the first one that starts beyond the limit go.
// (A kept entry that ends beyond the limit is shortened to end at it.)
std::size_t entriesWithin(std::span<const Entry> entries, int limit) noexcept;

// The last set index a validation with this count and offset keeps
// (arguments are signed 16-bit values passed in 32 bits).
int trimLimit(std::uint32_t count, std::uint32_t offset) noexcept;

// Low 16 bits of a 32-bit argument as a signed set index or count.
inline int signed16(std::uint32_t argument) noexcept
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(argument));
}

// Entries a block of `blockBytes` really holds when the descriptor says `count`.
inline std::size_t entriesInBlock(std::size_t count, std::size_t blockBytes) noexcept
{
    const std::size_t fit = blockBytes / kEntrySize;
    return count < fit ? count : fit;
}

// True when every entry runs forward from a set index of 0 or more and each
// starts behind the one before: a cut back to `count` sets then keeps at
// most `count` entries, whatever values are placed first.
bool runsForward(std::span<const Entry> entries) noexcept;

// The first entry that covers index, if any.
std::optional<std::size_t> coveringEntry(std::span<const Entry> entries, int index) noexcept;

} // namespace w32k::folders
