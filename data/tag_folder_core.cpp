#include "data/tag_folder_core.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

namespace w32k::tags {

std::uint16_t readWord(const std::uint8_t* bytes) noexcept
{
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

void writeWord(std::uint8_t* bytes, std::uint16_t value) noexcept
{
    bytes[0] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

std::size_t usableCount(std::size_t headerCount, std::size_t blockBytes) noexcept
{
    return std::min(headerCount, blockBytes / kElementSize);
}

std::optional<std::size_t> findById(std::span<const Element> elements, std::uint16_t id) noexcept
{
    if (id == kNoTag)
        return std::nullopt;
    for (std::size_t p = 0; p < elements.size(); ++p) {
        if (elements[p].id == id)
            return p;
    }
    return std::nullopt;
}

TagPath splitPath(std::string_view path) noexcept
{
    const std::size_t tab = path.find(kPathSeparator);
    if (tab == std::string_view::npos)
        return TagPath{path, {}, false};
    return TagPath{path.substr(tab + 1), path.substr(0, tab), true};
}

bool pathFits(std::string_view parent, std::string_view name) noexcept
{
    return parent.size() + 1 + name.size() + 1 <= kPathBufferSize;
}

namespace {

// Reads the name of the element with that id into buffer; false when the
// folder has no such element (buffer untouched).
bool readNameOf(std::span<const Element> elements, std::uint16_t id, ScanContext& context,
                std::span<char> buffer) noexcept
{
    const auto position = findById(elements, id);
    if (!position)
        return false;
    context.readName(elements[*position].nameId, buffer);
    return true;
}

// Which elements are on the level a search path names.
class SearchLevel {
public:
    SearchLevel(std::optional<std::string_view> parentName, std::span<const Element> elements,
                const std::uint8_t* search, ScanContext& context) noexcept
        : byParentName_(parentName.has_value()), parentName_(parentName.value_or(std::string_view())),
          elements_(elements), context_(context)
    {
        if (!byParentName_) {
            if (const auto reference = findById(elements, readWord(search + kDataReferenceTagId)))
                parentId_ = elements[*reference].parentId;
        }
    }

    bool contains(const Element& element) const noexcept
    {
        if (!byParentName_)
            return element.parentId == parentId_;
        if (element.parentId == kNoTag)
            return parentName_.empty();
        char name[kPathBufferSize];
        if (!readNameOf(elements_, element.parentId, context_, name))
            return false;
        return parentName_ == std::string_view(name);
    }

private:
    bool byParentName_;
    std::string_view parentName_;
    std::uint16_t parentId_ = kNoTag;
    std::span<const Element> elements_;
    ScanContext& context_;
};

} // namespace

std::optional<Match> findExisting(std::span<const Element> elements, const char* name,
                                  std::optional<std::string_view> parentName, const std::uint8_t* search,
                                  ScanContext& context) noexcept
{
    const std::uint16_t nameId = context.lookupName(name);
    if (nameId == 0 || elements.empty())
        return std::nullopt;
    const SearchLevel level(parentName, elements, search, context);
    const bool networked = context.networked();
    const std::uint16_t searchNode = readWord(search + kDataNodeNumber);
    for (std::size_t p = 0; p < elements.size(); ++p) {
        const Element& element = elements[p];
        if (element.nameId != nameId)
            continue;
        const std::uint16_t node = readWord(element.data + kDataNodeNumber);
        if (networked && node != searchNode)
            continue;
        if (!level.contains(element))
            continue;
        if (context.sameTag(search, element.data, node))
            return Match{element.id, p};
    }
    return std::nullopt;
}

std::optional<Match> findExisting(std::span<const Element> elements, const char* path,
                                  const std::uint8_t* search, ScanContext& context) noexcept
{
    const TagPath parts = splitPath(path);
    // parts.name is the tail of path, so it is zero-terminated.
    const auto parentName = parts.hasParent ? std::optional(parts.parent) : std::nullopt;
    return findExisting(elements, parts.name.data(), parentName, search, context);
}

bool searchParentName(std::span<const Element> elements, std::uint16_t parentId, const char* name,
                      ScanContext& context, std::span<char, kPathBufferSize> parentName) noexcept
{
    parentName[0] = '\0';
    if (parentId != kNoTag && parentId != kKeepParent)
        readNameOf(elements, parentId, context, parentName);
    return pathFits(parentName.data(), name);
}

void storeElement(Element& element, const std::uint8_t* data, std::uint16_t parentId, int group) noexcept
{
    std::memcpy(element.data, data, kDataSize);
    if (parentId != kKeepParent)
        element.parentId = parentId;
    writeWord(element.data + kDataReferenceTagId, kNoTag);
    element.flags = static_cast<std::uint8_t>((element.flags & ~kGroupFlag) | (group & kGroupFlag));
    element.data[kDataStoreFlags] &= static_cast<std::uint8_t>(~kStoredClearFlag);
}

Element newElement(std::uint16_t id, std::uint16_t nameId, const std::uint8_t* data, std::uint16_t parentId,
                   int group) noexcept
{
    Element element{};
    element.id = id;
    element.nameId = nameId;
    storeElement(element, data, parentId, group);
    return element;
}

std::uint16_t smallestFreeId(std::span<const Element> elements) noexcept
{
    // With n elements one of the ids 1..n+1 is free, so the map needs no
    // more than n + 2 entries whatever the largest id in use is.
    const std::size_t mapSize = elements.size() + 2;
    std::unique_ptr<bool[]> used(new (std::nothrow) bool[mapSize]());
    if (!used)
        return kNoTag;
    for (const Element& e : elements) {
        if (e.id < mapSize)
            used[e.id] = true;
    }
    for (std::size_t id = kFirstId; id < mapSize; ++id) {
        if (!used[id])
            return static_cast<std::uint16_t>(id);
    }
    return kNoTag; // not reached: the pigeonhole leaves one id free
}

namespace {

// (parent id, position) of every element, sorted, to find the children of a
// group in logarithmic time.
using ChildIndex = std::vector<std::pair<std::uint16_t, std::size_t>>;

ChildIndex indexByParent(std::span<const Element> elements)
{
    ChildIndex index;
    index.reserve(elements.size());
    for (std::size_t p = 0; p < elements.size(); ++p) {
        // The packed field is copied out: a reference to it would be misaligned.
        const std::uint16_t parent = elements[p].parentId;
        index.emplace_back(parent, p);
    }
    std::sort(index.begin(), index.end());
    return index;
}

std::vector<std::size_t> collectSubtree(std::span<const Element> elements, std::size_t root)
{
    const ChildIndex byParent = indexByParent(elements);
    std::vector<bool> doomed(elements.size(), false);
    std::vector<std::size_t> pending{root};
    doomed[root] = true;
    while (!pending.empty()) {
        const std::size_t p = pending.back();
        pending.pop_back();
        if (!elements[p].isGroup())
            continue;
        const std::uint16_t id = elements[p].id;
        auto first = std::lower_bound(byParent.begin(), byParent.end(), std::pair{id, std::size_t{0}});
        for (auto it = first; it != byParent.end() && it->first == id; ++it) {
            if (!doomed[it->second]) {
                doomed[it->second] = true;
                pending.push_back(it->second);
            }
        }
    }
    std::vector<std::size_t> positions;
    for (std::size_t p = 0; p < elements.size(); ++p) {
        if (doomed[p])
            positions.push_back(p);
    }
    return positions;
}

} // namespace

std::optional<std::vector<std::size_t>> subtreePositions(std::span<const Element> elements,
                                                         std::size_t position) noexcept
{
    if (position >= elements.size())
        return std::vector<std::size_t>{};
    try {
        return collectSubtree(elements, position);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::size_t compactWithout(std::span<Element> elements, std::span<const std::size_t> doomed) noexcept
{
    std::size_t kept = 0;
    std::size_t next = 0; // index into doomed
    for (std::size_t p = 0; p < elements.size(); ++p) {
        if (next < doomed.size() && doomed[next] == p) {
            ++next;
            continue;
        }
        if (kept != p)
            std::memcpy(&elements[kept], &elements[p], kElementSize);
        ++kept;
    }
    return kept;
}

} // namespace w32k::tags
