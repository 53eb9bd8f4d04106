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

// The 32-byte tag data record and the offsets of the fields read here.
inline constexpr std::size_t kDataSize = 32;
inline constexpr std::size_t kDataNodeNumber = 22;
inline constexpr std::size_t kDataStoreFlags = 25;
inline constexpr std::size_t kDataReferenceTagId = 28;

// The element as the block holds it (the public TagElement, without Win32 types).
#pragma pack(push, 1)
struct Element {
    std::uint16_t id;
    std::uint16_t nameId;
    std::uint8_t data[kDataSize];
    std::uint16_t parentId;
    std::uint8_t flags;
    std::uint8_t reserved[6];

    bool isGroup() const noexcept { return (flags & kGroupFlag) != 0; }
};
#pragma pack(pop)
static_assert(sizeof(Element) == kElementSize);

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

// Whether "parent<TAB>name" with its terminating zero fits kPathBufferSize:
// an add of a longer name is refused.
bool pathFits(std::string_view parent, std::string_view name) noexcept;

// What the search for an existing tag asks of the project: the ids and
// texts of names in its string store, and the host's comparison.
class ScanContext {
public:
    // The id the store has for name, without keeping a reference; 0 if none.
    virtual std::uint16_t lookupName(const char* name) noexcept = 0;
    // The text of a name id into buffer, zero-terminated and cut to fit; ""
    // when the store has no such id.
    virtual void readName(std::uint16_t nameId, std::span<char> buffer) noexcept = 0;
    // Whether the project is a network, each tag belonging to a node.
    virtual bool networked() const noexcept = 0;
    // The host's judgement whether candidate (a stored element's record, whose
    // node number is node) is the same tag as search (both kDataSize bytes).
    virtual bool sameTag(const std::uint8_t* search, const std::uint8_t* candidate,
                         std::uint16_t node) noexcept = 0;

protected:
    ~ScanContext() = default;
};

struct Match {
    std::uint16_t id;
    std::size_t position;
};

// The first element, in block order, that is the tag a name, a level and
// the search record describe: the same name, the same node in a networked
// project, on the level (the elements under a parent of that name, the top
// level for ""; without a parent name the level of the search record's
// reference tag) and the same tag in the host's judgement.
std::optional<Match> findExisting(std::span<const Element> elements, const char* name,
                                  std::optional<std::string_view> parentName, const std::uint8_t* search,
                                  ScanContext& context) noexcept;

// The same for a search path: a name, or "parent<TAB>name" (split at the
// first tab).
std::optional<Match> findExisting(std::span<const Element> elements, const char* path,
                                  const std::uint8_t* search, ScanContext& context) noexcept;

// The parent name an add searches under: the name of the element parentId
// names, "" for 0, kKeepParent or an id no element has. False when it and
// the tag name do not fit a path (pathFits).
bool searchParentName(std::span<const Element> elements, std::uint16_t parentId, const char* name,
                      ScanContext& context, std::span<char, kPathBufferSize> parentName) noexcept;

// Writes the caller's record (kDataSize bytes) and placement into a stored
// element: the parent (kKeepParent keeps the present one), the group bit
// from bit 0 of group; the reference tag id becomes 0 and the stored-clear
// bit is cleared. The other flag bits and bytes stay.
void storeElement(Element& element, const std::uint8_t* data, std::uint16_t parentId, int group) noexcept;

// A new element with that id and name id, stored as storeElement stores it
// (kKeepParent places it at the top level).
Element newElement(std::uint16_t id, std::uint16_t nameId, const std::uint8_t* data, std::uint16_t parentId,
                   int group) noexcept;

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
