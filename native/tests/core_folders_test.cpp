// Folder arithmetic on entries a host has damaged: runs out of order or
// overlapping, tag parents that form cycles. Whatever the block holds, a
// plan stays within it and its references stay balanced.
#include <gtest/gtest.h>

#include "data/parameter_folder_core.h"
#include "data/tag_folder_core.h"

#include <algorithm>
#include <vector>

namespace folders = w32k::folders;
namespace tags = w32k::tags;

namespace {

folders::Entry run(int first, int last, std::uint16_t id)
{
    return {static_cast<std::int16_t>(first), static_cast<std::int16_t>(last), id, 0, {}};
}

// The plan applied to a copy of the entries, by the function both Win32 users apply it with.
std::vector<folders::Entry> applied(const std::vector<folders::Entry>& entries, const folders::Placement& plan)
{
    std::vector<folders::Entry> after(plan.newCount(entries.size()));
    EXPECT_TRUE(folders::applyPlacement(plan, entries, after));
    return after;
}

TEST(DamagedFolder, PlacementsStayInsideTheEntriesAndBalanceReferences)
{
    const std::vector<std::vector<folders::Entry>> damaged = {
        {run(5, 9, 1), run(0, 3, 2), run(12, 20, 3)},              // unordered
        {run(0, 9, 1), run(4, 6, 2), run(5, 12, 3), run(8, 8, 4)}, // overlapping
        {run(9, 2, 1), run(3, 3, 2)},                              // first beyond last
        {run(4, 4, 1), run(4, 4, 2), run(4, 4, 3)},                // the same index thrice
        {run(-32768, 32767, 1), run(0, 0, 2)},                     // every index, then one more
    };
    for (std::size_t d = 0; d < damaged.size(); ++d) {
        for (int index : {-32768, -1, 0, 3, 4, 5, 8, 9, 13, 32767}) {
            SCOPED_TRACE("folder " + std::to_string(d) + " index " + std::to_string(index));
            const auto& entries = damaged[d];
            const auto plan = folders::planPlacement(entries, index, folders::Value{folders::Kind::Text, 7});
            ASSERT_LE(plan.from, plan.to);
            ASSERT_LE(plan.to, entries.size());
            ASSERT_LE(plan.replacementCount, folders::Placement::kMaxReplacement);
            // The handed-over reference 7 is kept by exactly one entry or released.
            const auto after = applied(entries, plan);
            EXPECT_EQ(std::ranges::count(after, 7, &folders::Entry::stringId) +
                          std::ranges::count(plan.references.released(), 7),
                      1);
        }
    }
}

// Found by fuzz_folders (corpus/folders/regression_reversed_last_run): the
// value of a damaged last run {8..4} placed at 5 extended that run to {8..5},
// which still covers nothing, so the placed value was lost.
TEST(DamagedFolder, AReversedRunIsNeverExtendedOrJoined)
{
    const folders::Value value{folders::Kind::Text, 1};
    const struct { const char* name; std::vector<folders::Entry> entries; } cases[] = {
        {"reversed last run", {run(8, 4, 1)}},
        {"reversed run before a joinable one", {run(0, 0, 2), run(9, 4, 1), run(6, 9, 1)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto after = applied(c.entries, folders::planPlacement(c.entries, 5, value));
        const auto k = folders::coveringEntry(after, 5);
        ASSERT_TRUE(k);
        EXPECT_EQ(after[*k].stringId, 1);
    }
}

TEST(DamagedFolder, CutBackAndLookupOnUnorderedEntries)
{
    const std::vector<folders::Entry> entries = {run(5, 9, 1), run(0, 3, 2), run(12, 20, 3)};
    EXPECT_EQ(folders::entriesWithin(entries, 10), 2u); // stops at the first beyond the limit
    EXPECT_EQ(folders::entriesWithin(entries, -1), 0u);
    for (int index = -5; index < 25; ++index) {
        const auto k = folders::coveringEntry(entries, index);
        if (k) {
            ASSERT_LT(*k, entries.size());
            EXPECT_LE(entries[*k].first, index);
            EXPECT_GE(entries[*k].last, index);
        }
    }
    EXPECT_EQ(folders::entriesInBlock(4095, 3 * folders::kEntrySize + 15), 3u);
}

tags::Element element(std::uint16_t id, std::uint16_t parent, bool group, std::uint16_t name)
{
    const std::uint8_t flags = group ? tags::kGroupFlag : 0;
    return {.id = id, .nameId = name, .data = {}, .parentId = parent, .flags = flags, .reserved = {}};
}

TEST(DamagedTagFolder, CyclicParentsEndTheRemoval)
{
    const struct {
        const char* name; std::vector<tags::Element> elements; std::size_t position;
        std::vector<std::uint16_t> remaining; /* ids, in order */ std::size_t released;
    } cases[] = {
        {"two groups, each the other's parent",
         {element(1, 2, true, 11), element(2, 1, true, 12), element(3, 0, false, 13)}, 0, {3}, 2},
        {"a group that is its own parent",
         {element(4, 4, true, 14), element(5, 4, false, 15), element(6, 0, false, 0)}, 0, {6}, 2},
        {"a cycle of three below the root",
         {element(1, 0, true, 1), element(2, 4, true, 2), element(3, 2, true, 3),
          element(4, 3, true, 4), element(5, 3, false, 5)},
         1, {1}, 4},
        {"a repeated id: the children under it go with the removed group",
         {element(2, 0, true, 1), element(2, 0, true, 2), element(7, 2, false, 3)}, 0, {2}, 2},
        {"position beyond the elements", {element(1, 0, true, 1)}, 5, {1}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<tags::Element> elements = c.elements;
        std::size_t released = 0;
        const auto count = tags::removeSubtree(std::span<tags::Element>(elements), c.position,
                                               [&](std::uint16_t) { ++released; });
        ASSERT_TRUE(count);
        std::vector<std::uint16_t> ids;
        for (std::size_t k = 0; k < *count; ++k)
            ids.push_back(elements[k].id);
        EXPECT_EQ(ids, c.remaining);
        EXPECT_EQ(released, c.released);
    }
}

TEST(DamagedTagFolder, FreeIdsAndCountsWithHostileIds)
{
    const std::vector<tags::Element> elements = {element(0xFFFF, 0, false, 0), element(1, 0, false, 0),
                                                 element(1, 0, false, 0), element(0, 0, false, 0)};
    EXPECT_EQ(tags::smallestFreeId(elements), 2);
    EXPECT_EQ(tags::usableCount(1451, 45 * 3 + 44), 3u);
    EXPECT_EQ(tags::usableCount(0xFFFF, 0), 0u);
    char out[8] = "#######";
    EXPECT_FALSE(tags::composePath("parent", "x", std::span<char>(out, 8)));
    EXPECT_EQ(out[0], '#');
    EXPECT_TRUE(tags::composePath("par", "xy", std::span<char>(out, 7)));
    EXPECT_STREQ(out, "par\txy");
}

} // namespace
