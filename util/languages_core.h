// Platform-free logic of the language records: the default language's copy
// of the language-dependent item and slot fields, and its return into the
// project. The host's item records and slot objects are plain memory here;
// the Win32 layer (languages.cpp) finds them through the project block.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace w32k::languages {

inline constexpr std::size_t kItemRecordSize = 76;
inline constexpr std::size_t kSlots = 9;
// Fields copied per language: of an item record and of a slot object.
inline constexpr std::size_t kItemField45 = 45;
inline constexpr std::size_t kItemByte49 = 49;
inline constexpr std::size_t kItemField56 = 56;
inline constexpr std::size_t kSlotField10 = 10;
inline constexpr std::size_t kSlotField14 = 14;
inline constexpr std::size_t kSlotField26 = 26;
inline constexpr std::size_t kSlotField30 = 30;
// The bytes of a slot object that the copies read and write.
inline constexpr std::size_t kSlotObjectBytes = kSlotField30 + 4;

#pragma pack(push, 1)
// One item record's fields (the public LanguageItemCopy).
struct ItemCopy {
    std::uint8_t byte49;
    std::uint8_t unused[11];
    std::uint32_t field45;
    std::uint32_t field56;
};
// One slot object's fields (the public LanguageSlotCopy); all 0 for no object.
struct SlotCopy {
    std::uint16_t field10;
    std::uint16_t field14;
    std::uint8_t unused[8];
    std::uint32_t field26;
    std::uint32_t field30;
};
#pragma pack(pop)
static_assert(sizeof(ItemCopy) == 20 && sizeof(SlotCopy) == 20);

// What the copies need of a project.
struct Project {
    std::byte* items = nullptr; // itemCount records of kItemRecordSize
    std::size_t itemCount = 0;
    std::size_t copyEntries = 0; // entries the host asks an item copy to hold
    bool slotsInUse = false;     // the slot table is in use and present
    std::array<std::byte*, kSlots> slots{}; // its objects; each may be null

    bool hasItems() const noexcept { return items && itemCount > 0; }
};

// The default language record's two copies (null when it has none).
struct Copies {
    void* items = nullptr; // ItemCopy[], one per item record
    void* slots = nullptr; // SlotCopy[kSlots]
};

// The host's allocator: uninitialised memory, null when it fails.
class Allocator {
public:
    virtual void* allocate(std::size_t bytes) noexcept = 0;

protected:
    ~Allocator() = default;
};

// New copies of the project's fields into copies: an item copy with room for
// the larger of the item count and the entries the host asks for (zero
// beyond the items), and a slot copy when the slot table is in use. False
// when an allocation failed; that copy then stays as it was.
bool copyToDefault(const Project& project, Allocator& allocator, Copies& copies) noexcept;

// Writes the copies back into the project (a slot copy only into the objects
// present). False when a copy the project needs is missing; its fields then
// stay as they are.
bool restoreFromDefault(const Project& project, const Copies& copies) noexcept;

} // namespace w32k::languages
