#include "data/parameter_folder_core.h"

#include <algorithm>
#include <cstring>

namespace w32k::folders {

bool Value::heldBy(const Entry& entry) const noexcept
{
    return kind == Kind::Text ? entry.stringId == stringId() : entry.number == raw;
}

void Value::storeInto(Entry& entry) const noexcept
{
    if (kind == Kind::Text)
        entry.stringId = stringId();
    else
        entry.number = raw;
}

Entry Value::singleRun(int index) const noexcept
{
    Entry entry{};
    entry.first = static_cast<std::int16_t>(index);
    entry.last = static_cast<std::int16_t>(index);
    storeInto(entry);
    return entry;
}

void ReferenceChanges::record(Kind kind, std::uint16_t id, std::array<std::uint16_t, kCapacity>& ids,
                              std::size_t& count) noexcept
{
    // A placement never needs more than kCapacity changes of one sort.
    if (kind == Kind::Text && id != 0 && count < ids.size())
        ids[count++] = id;
}

namespace {

// A run covers at least its first index; a damaged entry whose first index
// lies beyond its last covers none and is never extended or joined.
bool isRun(const Entry& entry) noexcept
{
    return entry.first <= entry.last;
}

// The first entry that ends at or after index. The entries are in ascending
// order, so a binary search finds it; on a block that breaks the order the
// answer is some entry of the block, never one outside it.
std::size_t firstEndingFrom(std::span<const Entry> entries, int index) noexcept
{
    std::size_t low = 0;
    std::size_t high = entries.size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (entries[middle].last < index)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

// The first entry behind index, which no entry covers; the count when there is none.
std::size_t placeBehind(std::span<const Entry> entries, int index) noexcept
{
    return firstEndingFrom(entries, index);
}

// The few entries around the placed index, copied out of the folder and
// edited the way the folder itself would be. Every entry the placement reads
// or changes lies within one entry of the covering run (or of the place of a
// new run), so the window holds the entries [position - 1, position + 2).
class Window {
public:
    Window(std::span<const Entry> source, Kind kind) : kind_(kind)
    {
        std::copy(source.begin(), source.end(), entries_.begin());
        count_ = source.size();
    }

    std::size_t size() const noexcept { return count_; }
    Entry& operator[](std::size_t i) noexcept { return entries_[i]; }
    std::span<const Entry> entries() const noexcept { return {entries_.data(), count_}; }
    ReferenceChanges& references() noexcept { return references_; }

    void insert(std::size_t position, const Entry& entry) noexcept
    {
        std::copy_backward(entries_.begin() + position, entries_.begin() + count_,
                           entries_.begin() + count_ + 1);
        entries_[position] = entry;
        ++count_;
    }
    // Removes an entry and drops the reference it owns.
    void remove(std::size_t position) noexcept
    {
        references_.release(kind_, entries_[position].stringId);
        std::copy(entries_.begin() + position + 1, entries_.begin() + count_,
                  entries_.begin() + position);
        --count_;
    }

    // Takes index out of entry k, which covers it with another value.
    void takeOut(std::size_t k, int index) noexcept
    {
        Entry& run = entries_[k];
        if (run.first == index && index < run.last) {
            run.first = static_cast<std::int16_t>(index + 1);
        } else if (run.first < index && index == run.last) {
            run.last = static_cast<std::int16_t>(index - 1);
        } else if (run.first == index && index == run.last) {
            remove(k);
        } else {
            Entry behind = run; // reserved bytes included
            behind.first = static_cast<std::int16_t>(index + 1);
            references_.add(kind_, behind.stringId);
            run.last = static_cast<std::int16_t>(index - 1);
            insert(k + 1, behind);
        }
    }

    // Gives the free index its value: joins the following run (and through
    // it the preceding one), extends the last run, or inserts a run of its own.
    void fill(int index, const Value& value, std::uint16_t handedOver) noexcept
    {
        const std::size_t i = placeBehind(entries(), index);
        if (i < count_ && entries_[i].first == index + 1 && value.heldBy(entries_[i])) {
            entries_[i].first = static_cast<std::int16_t>(index);
            references_.release(kind_, handedOver);
            if (i > 0 && isRun(entries_[i - 1]) && entries_[i - 1].last + 1 == index &&
                value.heldBy(entries_[i - 1])) {
                entries_[i - 1].last = entries_[i].last;
                remove(i);
            }
            return;
        }
        if (i == count_ && count_ > 0 && isRun(entries_[count_ - 1]) &&
            entries_[count_ - 1].last + 1 == index && value.heldBy(entries_[count_ - 1])) {
            entries_[count_ - 1].last = static_cast<std::int16_t>(index);
            references_.release(kind_, handedOver);
            return;
        }
        insert(i, value.singleRun(index));
    }

private:
    Kind kind_;
    std::array<Entry, Placement::kMaxReplacement> entries_{};
    std::size_t count_ = 0;
    ReferenceChanges references_;
};

} // namespace

std::optional<std::size_t> coveringEntry(std::span<const Entry> entries, int index) noexcept
{
    const std::size_t k = firstEndingFrom(entries, index);
    if (k < entries.size() && entries[k].first <= index)
        return k;
    return std::nullopt;
}

namespace {

Placement replaceWith(std::size_t from, std::size_t to, std::span<const Entry> replacement,
                      const ReferenceChanges& references) noexcept
{
    Placement placement;
    placement.from = from;
    placement.to = to;
    std::copy(replacement.begin(), replacement.end(), placement.replacement.begin());
    placement.replacementCount = replacement.size();
    placement.references = references;
    return placement;
}

} // namespace

Placement planPlacement(std::span<const Entry> entries, int index, Value value) noexcept
{
    const std::uint16_t handedOver = value.stringId();
    ReferenceChanges references;

    if (entries.empty()) {
        const Entry run = value.singleRun(index);
        return replaceWith(0, 0, {&run, 1}, references);
    }
    if (entries.size() == 1 && entries[0].first == index && entries[0].last == index) {
        Entry only = entries[0];
        references.release(value.kind, only.stringId);
        value.storeInto(only);
        return replaceWith(0, 1, {&only, 1}, references);
    }

    const std::optional<std::size_t> covering = coveringEntry(entries, index);
    if (covering && value.heldBy(entries[*covering])) {
        references.release(value.kind, handedOver);
        return replaceWith(0, 0, {}, references);
    }

    const std::size_t position = covering ? *covering : placeBehind(entries, index);
    const std::size_t from = position > 0 ? position - 1 : 0;
    const std::size_t to = std::min(entries.size(), position + 2);
    Window window(entries.subspan(from, to - from), value.kind);
    if (covering)
        window.takeOut(position - from, index);
    window.fill(index, value, handedOver);
    return replaceWith(from, to, window.entries(), window.references());
}

bool applyPlacement(const Placement& plan, std::span<const Entry> old, std::span<Entry> out) noexcept
{
    if (plan.from > plan.to || plan.to > old.size() || out.size() != plan.newCount(old.size()))
        return false;
    const std::span<const Entry> replacement = plan.replacementEntries();
    const std::span<const Entry> behind = old.subspan(plan.to);
    if (out.data() != old.data())
        std::copy(old.begin(), old.begin() + static_cast<std::ptrdiff_t>(plan.from), out.begin());
    // Behind first: in old's own storage it may overlap where it goes, and
    // the replacement may take its old place.
    if (!behind.empty())
        std::memmove(out.data() + plan.from + replacement.size(), behind.data(), behind.size_bytes());
    std::copy(replacement.begin(), replacement.end(), out.begin() + static_cast<std::ptrdiff_t>(plan.from));
    return true;
}

std::size_t entriesWithin(std::span<const Entry> entries, int limit) noexcept
{
    std::size_t keep = 0;
    while (keep < entries.size() && entries[keep].first <= limit)
        ++keep;
    return keep;
}

bool runsForward(std::span<const Entry> entries) noexcept
{
    int next = 0; // the first set index the next entry may start at
    for (const Entry& entry : entries) {
        if (entry.first < next || entry.last < entry.first)
            return false;
        next = entry.last + 1;
    }
    return true;
}

int trimLimit(std::uint32_t count, std::uint32_t offset) noexcept
{
    return signed16(count) - signed16(offset) - 1;
}

} // namespace w32k::folders
