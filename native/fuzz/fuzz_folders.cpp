// Fuzz target: the run arithmetic of parameter-set folders and the subtree
// removal of tag folders on whatever a damaged host block holds. Input: a
// set index (2 bytes), a value (4 bytes), then raw 16-byte folder entries;
// the same bytes are read again as 45-byte tag elements.
#include "data/parameter_folder_core.h"
#include "data/tag_folder_core.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

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
        const Placement plan = planPlacement(entries, index, Value{kind, raw});
        if (plan.from > plan.to || plan.to > entries.size() ||
            plan.replacementCount > Placement::kMaxReplacement)
            std::abort();
        // The placed value is readable at its index among the replacement.
        bool found = !plan.changesEntries();
        for (const Entry& e : plan.replacementEntries())
            found = found || (e.first <= index && index <= e.last);
        if (!found)
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
