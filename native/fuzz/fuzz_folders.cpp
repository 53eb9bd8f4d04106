// Fuzz target: the run arithmetic of parameter-set folders (planned and
// applied) and the subtree removal of tag folders on whatever a damaged host
// block holds. Input: a set index (2 bytes), a value (4 bytes), then raw
// 16-byte folder entries; the same bytes are read again as 45-byte tag elements.
#include "data/parameter_folder_core.h"
#include "data/tag_folder_core.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

namespace {

// The plan applied into a new array and in the entries' own storage (the
// single placement and the batch of the Win32 layer): both give the same.
std::vector<w32k::folders::Entry> applied(const std::vector<w32k::folders::Entry>& entries,
                                          const w32k::folders::Placement& plan)
{
    using namespace w32k::folders;
    const std::size_t count = plan.newCount(entries.size());
    std::vector<Entry> after(count);
    std::vector<Entry> inPlace = entries;
    inPlace.resize(std::max(entries.size(), count));
    if (!applyPlacement(plan, entries, after) ||
        !applyPlacement(plan, {inPlace.data(), entries.size()}, {inPlace.data(), count}))
        std::abort();
    if (count > 0 && std::memcmp(after.data(), inPlace.data(), count * kEntrySize) != 0)
        std::abort();
    return after;
}

// Each nonzero string id is owned once by every entry that holds it; the
// handed-over reference and the plan's additions and releases account for
// the change.
bool referencesBalance(const std::vector<w32k::folders::Entry>& before,
                       const std::vector<w32k::folders::Entry>& after, const w32k::folders::Placement& plan,
                       std::uint16_t handedOver)
{
    std::map<std::uint16_t, long> held; // references there are, less those the entries own
    ++held[handedOver];
    for (const auto& e : before)
        ++held[e.stringId];
    for (const std::uint16_t id : plan.references.added())
        ++held[id];
    for (const std::uint16_t id : plan.references.released())
        --held[id];
    for (const auto& e : after)
        --held[e.stringId];
    held.erase(0);
    return std::ranges::all_of(held, [](const auto& id) { return id.second == 0; });
}

void placeInto(const std::uint8_t* data, std::size_t size)
{
    using namespace w32k::folders;
    constexpr std::size_t kHead = 6;
    if (size < kHead)
        return;
    std::int16_t index;
    std::uint32_t raw;
    std::memcpy(&index, data, sizeof index);
    std::memcpy(&raw, data + 2, sizeof raw);
    std::vector<Entry> entries((size - kHead) / kEntrySize);
    if (!entries.empty())
        std::memcpy(entries.data(), data + kHead, entries.size() * kEntrySize);
    for (const Kind kind : {Kind::Text, Kind::Number}) {
        const Value value{kind, raw};
        const Placement plan = planPlacement(entries, index, value);
        if (plan.from > plan.to || plan.to > entries.size() ||
            plan.replacementCount > Placement::kMaxReplacement)
            std::abort();
        const std::vector<Entry> after = applied(entries, plan);
        // The placed value is readable at its index among the replacement.
        bool found = !plan.changesEntries();
        for (const Entry& e : plan.replacementEntries())
            found = found || (e.first <= index && index <= e.last);
        if (!found || (kind == Kind::Text && !referencesBalance(entries, after, plan, value.stringId())))
            std::abort();
    }
    entriesWithin(entries, index);
}

void removeFrom(const std::uint8_t* data, std::size_t size)
{
    using namespace w32k::tags;
    if (size < 1)
        return;
    std::vector<Element> elements((size - 1) / kElementSize);
    if (elements.empty())
        return;
    std::memcpy(elements.data(), data + 1, elements.size() * kElementSize);
    smallestFreeId(elements);
    std::size_t released = 0;
    const std::size_t before = elements.size();
    const auto count = removeSubtree(std::span<Element>(elements), data[0] % before,
                                     [&](std::uint16_t) { ++released; });
    if (!count || *count >= before || released > before - *count)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    placeInto(data, size);
    removeFrom(data, size);
    return 0;
}
