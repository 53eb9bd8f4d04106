#include "util/languages_core.h"

#include <algorithm>
#include <cstring>

namespace w32k::languages {

namespace {

template <typename T>
T readAt(const std::byte* base, std::size_t offset) noexcept
{
    T value;
    std::memcpy(&value, base + offset, sizeof value);
    return value;
}

template <typename T>
void writeAt(std::byte* base, std::size_t offset, T value) noexcept
{
    std::memcpy(base + offset, &value, sizeof value);
}

std::byte* item(const Project& project, std::size_t i) noexcept
{
    return project.items + i * kItemRecordSize;
}

ItemCopy itemCopyOf(const std::byte* item) noexcept
{
    ItemCopy entry{};
    entry.byte49 = readAt<std::uint8_t>(item, kItemByte49);
    entry.field45 = readAt<std::uint32_t>(item, kItemField45);
    entry.field56 = readAt<std::uint32_t>(item, kItemField56);
    return entry;
}

SlotCopy slotCopyOf(const std::byte* object) noexcept
{
    SlotCopy entry{};
    if (!object)
        return entry;
    entry.field10 = static_cast<std::uint16_t>(readAt<std::uint32_t>(object, kSlotField10));
    entry.field14 = static_cast<std::uint16_t>(readAt<std::uint32_t>(object, kSlotField14));
    entry.field26 = readAt<std::uint32_t>(object, kSlotField26);
    entry.field30 = readAt<std::uint32_t>(object, kSlotField30);
    return entry;
}

bool copyItems(const Project& project, Allocator& allocator, Copies& copies) noexcept
{
    const std::size_t entries = std::max(project.itemCount, project.copyEntries);
    auto* copy = static_cast<std::byte*>(allocator.allocate(entries * sizeof(ItemCopy)));
    if (!copy)
        return false;
    std::memset(copy, 0, entries * sizeof(ItemCopy));
    for (std::size_t i = 0; i < project.itemCount; ++i) {
        const ItemCopy entry = itemCopyOf(item(project, i));
        std::memcpy(copy + i * sizeof(ItemCopy), &entry, sizeof entry);
    }
    copies.items = copy;
    return true;
}

bool copySlots(const Project& project, Allocator& allocator, Copies& copies) noexcept
{
    auto* copy = static_cast<std::byte*>(allocator.allocate(kSlots * sizeof(SlotCopy)));
    if (!copy)
        return false;
    for (std::size_t i = 0; i < kSlots; ++i) {
        const SlotCopy entry = slotCopyOf(project.slots[i]);
        std::memcpy(copy + i * sizeof(SlotCopy), &entry, sizeof entry);
    }
    copies.slots = copy;
    return true;
}

void restoreItems(const Project& project, const std::byte* copy) noexcept
{
    for (std::size_t i = 0; i < project.itemCount; ++i) {
        ItemCopy entry;
        std::memcpy(&entry, copy + i * sizeof(ItemCopy), sizeof entry);
        std::byte* record = item(project, i);
        writeAt<std::uint8_t>(record, kItemByte49, entry.byte49);
        writeAt<std::uint32_t>(record, kItemField45, entry.field45);
        writeAt<std::uint32_t>(record, kItemField56, entry.field56);
    }
}

void restoreSlots(const Project& project, const std::byte* copy) noexcept
{
    for (std::size_t i = 0; i < kSlots; ++i) {
        std::byte* object = project.slots[i];
        if (!object)
            continue;
        SlotCopy entry;
        std::memcpy(&entry, copy + i * sizeof(SlotCopy), sizeof entry);
        writeAt<std::uint32_t>(object, kSlotField10, entry.field10);
        writeAt<std::uint32_t>(object, kSlotField14, entry.field14);
        writeAt<std::uint32_t>(object, kSlotField26, entry.field26);
        writeAt<std::uint32_t>(object, kSlotField30, entry.field30);
    }
}

} // namespace

bool copyToDefault(const Project& project, Allocator& allocator, Copies& copies) noexcept
{
    bool complete = true;
    if (project.hasItems() && !copyItems(project, allocator, copies))
        complete = false;
    if (project.slotsInUse && !copySlots(project, allocator, copies))
        complete = false;
    return complete;
}

bool restoreFromDefault(const Project& project, const Copies& copies) noexcept
{
    bool complete = true;
    if (project.hasItems()) {
        if (copies.items)
            restoreItems(project, static_cast<const std::byte*>(copies.items));
        else
            complete = false;
    }
    if (project.slotsInUse) {
        if (copies.slots)
            restoreSlots(project, static_cast<const std::byte*>(copies.slots));
        else
            complete = false;
    }
    return complete;
}

} // namespace w32k::languages
