// Platform-free logic of the tag folder: the element layout, tag paths, the
// choice of a new id and the removal of a subtree from the packed element
// array. The Win32 layer (tag_folder.cpp) locks the blocks and talks to the
// string store; everything here works on plain memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace w32k::tags {

inline constexpr std::size_t kElementSize = 45;
inline constexpr std::size_t kMaxElements = 1451;
inline constexpr std::uint16_t kNoTag = 0;
inline constexpr std::uint16_t kFirstId = 1;
inline constexpr std::uint16_t kKeepParent = 0xFFFF;
inline constexpr std::uint8_t kGroupFlag = 0x01;
inline constexpr std::uint8_t kStoredClearFlag = 0x80;
inline constexpr char kPathSeparator = '\t';
// Parent name, tab, tag name and the terminating zero.
inline constexpr std::size_t kPathBufferSize = 256;

// The element as the block holds it (the public TagElement, without Win32 types).
#pragma pack(push, 1)
struct Element {
    std::uint16_t id;
    std::uint16_t nameId;
    std::uint8_t data[32];
    std::uint16_t parentId;
    std::uint8_t flags;
    std::uint8_t reserved[6];

    bool isGroup() const noexcept { return (flags & kGroupFlag) != 0; }
};
#pragma pack(pop)
static_assert(sizeof(Element) == kElementSize);

// Offsets inside the 32-byte tag data record.
inline constexpr std::size_t kDataNodeNumber = 22;
inline constexpr std::size_t kDataStoreFlags = 25;
inline constexpr std::size_t kDataReferenceTagId = 28;

std::uint16_t readWord(const std::uint8_t* bytes) noexcept;
void writeWord(std::uint8_t* bytes, std::uint16_t value) noexcept;

// Elements really present: the header's count, but never more than the
// block holds (a block smaller than the count is never read past its end).
std::size_t usableCount(std::size_t headerCount, std::size_t blockBytes) noexcept;

// Position of the first element with that id.
std::optional<std::size_t> findById(std::span<const Element> elements, std::uint16_t id) noexcept;

// A search path split at its first tab.
struct TagPath {
    std::string_view name;
    std::string_view parent; // empty = top level (only meaningful with hasParent)
    bool hasParent = false;  // the path held a tab
};
TagPath splitPath(std::string_view path) noexcept;

// Writes "parent<TAB>name" with its terminating zero into out; false (out
// untouched) when it does not fit.
bool composePath(std::string_view parent, std::string_view name, std::span<char> out) noexcept;

// The smallest id >= 1 that no element uses; 0 when no memory is left for
// the map of used ids.
std::uint16_t smallestFreeId(std::span<const Element> elements) noexcept;

// Removes the element at position and, when it is a group, every element
// below it (children of removed groups, recursively; the children of a
// removed non-group element stay). The remaining elements keep their order
// and are packed to the front. Calls released(nameId) for every removed
// element whose name id is not 0. Returns the new count, or nullopt (nothing
// changed) when no memory is left for the bookkeeping.
template <typename Released>
std::optional<std::size_t> removeSubtree(std::span<Element> elements, std::size_t position,
                                         Released released) noexcept;

// Positions (ascending) of the element at position and of everything below
// it, as removeSubtree removes them; nullopt when memory fails.
std::optional<std::vector<std::size_t>> subtreePositions(std::span<const Element> elements,
                                                         std::size_t position) noexcept;

// Packs the elements not listed in doomed (ascending positions) to the
// front, in their order; returns how many remain.
std::size_t compactWithout(std::span<Element> elements, std::span<const std::size_t> doomed) noexcept;

template <typename Released>
std::optional<std::size_t> removeSubtree(std::span<Element> elements, std::size_t position,
                                         Released released) noexcept
{
    auto doomed = subtreePositions(elements, position);
    if (!doomed)
        return std::nullopt;
    for (std::size_t p : *doomed) {
        if (elements[p].nameId != 0)
            released(elements[p].nameId);
    }
    return compactWithout(elements, *doomed);
}

} // namespace w32k::tags
