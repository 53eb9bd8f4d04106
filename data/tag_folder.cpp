// Tag folders: the host's 20-byte header and its block of packed 45-byte
// elements. Lookups, the search for an existing tag, adding, deleting and
// copying. Every element name id (and the header's text id) owns one
// reference in the project's string store.
#include "data/tag_folder_core.h"
#include "frame/raii.h"
#include "frame/string_store.h"
#include "w32korutil1.h"

#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <utility>

namespace {

namespace tags = w32k::tags;
namespace strings = w32k::strings;
using tags::Element;

static_assert(sizeof(TagElement) == sizeof(Element));
static_assert(offsetof(TagElement, id) == offsetof(Element, id));
static_assert(offsetof(TagElement, nameId) == offsetof(Element, nameId));
static_assert(offsetof(TagElement, data) == offsetof(Element, data));
static_assert(offsetof(TagElement, parentId) == offsetof(Element, parentId));
static_assert(offsetof(TagElement, flags) == offsetof(Element, flags));
static_assert(sizeof(TagDataRecord) == tags::kDataSize);
static_assert(offsetof(TagDataRecord, nodeNumber) == tags::kDataNodeNumber);
static_assert(offsetof(TagDataRecord, storeFlags) == tags::kDataStoreFlags);
static_assert(offsetof(TagDataRecord, referenceTagId) == tags::kDataReferenceTagId);
static_assert(tags::kMaxElements == W32K_TAG_MAX_ELEMENTS);
static_assert(tags::kKeepParent == W32K_TAG_KEEP_PARENT);
static_assert(tags::kGroupFlag == W32K_TAG_FLAG_GROUP);
static_assert(tags::kStoredClearFlag == W32K_TAG_DATA_STORED_CLEAR);
static_assert(tags::kPathBufferSize == W32K_TAG_NAME_BUFFER);
static_assert(tags::kPathSeparator == W32K_TAG_PATH_SEPARATOR);
static_assert(tags::kFirstId == W32K_TAG_FIRST_ID);

constexpr UINT kBlockFlags = GMEM_MOVEABLE | GMEM_ZEROINIT;

// The element block locked for one call, seen as the elements it really holds.
class LockedElements {
public:
    explicit LockedElements(const TagFolderHeader& folder) noexcept
        : lock_(folder.elements),
          elements_(lock_ ? std::span<Element>(lock_.get(), tags::usableCount(folder.count, lock_.size()))
                          : std::span<Element>())
    {
    }
    explicit operator bool() const noexcept { return static_cast<bool>(lock_); }
    std::span<Element> elements() const noexcept { return elements_; }

private:
    w32k::GlobalLockGuard<Element> lock_;
    std::span<Element> elements_;
};

// Elements the folder really holds (0 for a folder without a block).
std::size_t heldElements(const TagFolderHeader& folder) noexcept
{
    if (!folder.elements)
        return 0;
    return tags::usableCount(folder.count, GlobalSize(folder.elements));
}

// The optional outputs of the two lookups.
struct ElementOutputs {
    TagDataRecord* data;
    WORD* parent;
    int* group;
    LPSTR name;
    WORD nameSize;
    WORD* position;
};

void writeOutputs(const Element& element, std::size_t position, void* project,
                  const ElementOutputs& out) noexcept
{
    if (out.data)
        std::memcpy(out.data, element.data, sizeof(TagDataRecord));
    if (out.parent)
        *out.parent = element.parentId;
    if (out.group)
        *out.group = element.isGroup() ? 1 : 0;
    if (out.position)
        *out.position = static_cast<WORD>(position);
    if (out.name && project && out.nameSize > 0)
        strings::read(element.nameId, project, out.name, out.nameSize);
}

// -- the search for an existing tag ----------------------------------------

const BYTE* projectBytes(void* project) noexcept
{
    return static_cast<const BYTE*>(project);
}

bool isNetworked(void* project) noexcept
{
    return projectBytes(project)[W32K_PROJECT_NETWORKED] != 0;
}

// The net-node record handed to the comparison: the tag's node in a networked
// project (zero-filled when that node is not registered), else the panel's own.
NetNodeRecord nodeRecordFor(void* project, WORD nodeNumber) noexcept
{
    NetNodeRecord node{};
    if (isNetworked(project)) {
        const auto* folder =
            reinterpret_cast<const NetNodeRecord*>(projectBytes(project) + W32K_PROJECT_NETNODE_FOLDER);
        ExpGetNetNodeData(folder, W32K_NETNODE_BY_NUMBER, nodeNumber, &node);
    } else {
        std::memcpy(&node, projectBytes(project) + W32K_PROJECT_OWN_NETNODE, sizeof node);
    }
    return node;
}

// The project seen by the search: its string store, its network and the
// host's comparison.
class ProjectScan final : public tags::ScanContext {
public:
    ProjectScan(void* project, TagCompareProc compare) noexcept : project_(project), compare_(compare) {}

    WORD lookupName(const char* name) noexcept override { return strings::lookup(name, project_); }
    void readName(WORD nameId, std::span<char> buffer) noexcept override
    {
        strings::read(nameId, project_, buffer.data(), static_cast<WORD>(buffer.size()));
    }
    bool networked() const noexcept override { return isNetworked(project_); }
    bool sameTag(const std::uint8_t* search, const std::uint8_t* candidate, WORD node) noexcept override
    {
        const NetNodeRecord nodeRecord = nodeRecordFor(project_, node);
        return compare_(reinterpret_cast<const TagDataRecord*>(search),
                        reinterpret_cast<const TagDataRecord*>(candidate), &nodeRecord) == 1;
    }

private:
    void* project_;
    TagCompareProc compare_;
};

std::optional<tags::Match> findExisting(std::span<const Element> elements, void* project, const char* path,
                                        const TagDataRecord& search, TagCompareProc compare) noexcept
{
    ProjectScan context(project, compare);
    return tags::findExisting(elements, path, reinterpret_cast<const std::uint8_t*>(&search), context);
}

// -- adding ------------------------------------------------------------------

void storeElement(Element& element, const TagDataRecord& data, WORD parentId, int group) noexcept
{
    tags::storeElement(element, reinterpret_cast<const std::uint8_t*>(&data), parentId, group);
}

WORD updateExisting(TagFolderHeader& folder, const tags::Match& match, const TagDataRecord& data, WORD parentId,
                    int group) noexcept
{
    LockedElements locked(folder);
    const auto elements = locked.elements();
    // The callback must not change the folder; if it did, store nothing.
    if (match.position >= elements.size() || elements[match.position].id != match.id)
        return tags::kNoTag;
    storeElement(elements[match.position], data, parentId, group);
    return match.id;
}

// The smallest id no element uses; 0 when the block cannot be locked or no
// memory is left for the map of used ids.
WORD newElementId(const TagFolderHeader& folder) noexcept
{
    LockedElements locked(folder);
    if (folder.elements && !locked)
        return tags::kNoTag;
    return tags::smallestFreeId(locked.elements());
}

// Grows (or allocates) the block to hold one element behind the held ones
// and stores its handle; null when memory fails (the folder is unchanged).
HGLOBAL growByOne(TagFolderHeader& folder, std::size_t held) noexcept
{
    const SIZE_T bytes = (held + 1) * tags::kElementSize;
    HGLOBAL block = folder.elements ? GlobalReAlloc(folder.elements, bytes, kBlockFlags)
                                    : GlobalAlloc(kBlockFlags, bytes);
    if (block)
        folder.elements = block;
    return block;
}

WORD appendNew(TagFolderHeader& folder, void* project, const char* name, const TagDataRecord& data,
               WORD parentId, int group) noexcept
{
    const WORD id = newElementId(folder);
    if (id == tags::kNoTag)
        return tags::kNoTag;
    const strings::StringId nameId = strings::acquire(name, project);
    if (nameId == 0)
        return tags::kNoTag;
    const std::size_t held = heldElements(folder);
    const bool firstBlock = folder.elements == nullptr;
    w32k::GlobalLockGuard<Element> lock(growByOne(folder, held));
    if (!lock) {
        // A grown block keeps the elements it held; a first one is given back.
        if (firstBlock && folder.elements)
            GlobalFree(std::exchange(folder.elements, nullptr));
        strings::release(nameId, project);
        return tags::kNoTag;
    }
    folder.count = static_cast<WORD>(held + 1);
    lock[held] = tags::newElement(id, nameId, reinterpret_cast<const std::uint8_t*>(&data), parentId, group);
    return id;
}

} // namespace

extern "C" {

WORD WINAPI GetTagElement(const TagFolderHeader* folder, void* project, WORD id, TagDataRecord* data,
                          WORD* parent, int* group, LPSTR name, WORD nameSize, WORD* position)
{
    if (!folder || !folder->elements || id == tags::kNoTag)
        return tags::kNoTag;
    LockedElements locked(*folder);
    const auto elements = locked.elements();
    const auto found = tags::findById(elements, id);
    if (!found)
        return tags::kNoTag;
    writeOutputs(elements[*found], *found, project, {data, parent, group, name, nameSize, position});
    return id;
}

WORD WINAPI GetBasedTagElement(const TagFolderHeader* folder, void* project, WORD position,
                               TagDataRecord* data, WORD* parent, int* group, LPSTR name, WORD nameSize,
                               WORD* positionOut)
{
    if (!folder || !folder->elements)
        return tags::kNoTag;
    LockedElements locked(*folder);
    const auto elements = locked.elements();
    if (position >= elements.size() || elements[position].id == tags::kNoTag)
        return tags::kNoTag;
    writeOutputs(elements[position], position, project, {data, parent, group, name, nameSize, positionOut});
    return elements[position].id;
}

WORD WINAPI ScanForExistingTag(const TagFolderHeader* folder, void* project, LPCSTR path,
                               const TagDataRecord* search, TagDataRecord* data, WORD* position,
                               TagCompareProc compare)
{
    if (!folder || !project || !path || !search || !compare)
        return tags::kNoTag;
    LockedElements locked(*folder);
    const auto match = findExisting(locked.elements(), project, path, *search, compare);
    if (!match)
        return tags::kNoTag;
    if (position)
        *position = static_cast<WORD>(match->position);
    if (data)
        std::memcpy(data, locked.elements()[match->position].data, sizeof *data);
    return match->id;
}

WORD WINAPI AddTagElement(TagFolderHeader* folder, void* project, LPCSTR name, const TagDataRecord* data,
                          WORD parentId, int group, TagCompareProc compare)
{
    if (!folder || !project || !name || name[0] == '\0' || !data || !compare)
        return tags::kNoTag;
    if (heldElements(*folder) >= tags::kMaxElements)
        return tags::kNoTag;
    std::optional<tags::Match> match;
    {
        LockedElements locked(*folder);
        ProjectScan context(project, compare);
        // The search takes the parent's name and the tag name as they are:
        // either may hold the tab that separates them in a search path.
        char parentName[tags::kPathBufferSize];
        if (!tags::searchParentName(locked.elements(), parentId, name, context, parentName))
            return tags::kNoTag;
        match = tags::findExisting(locked.elements(), name, std::string_view(parentName),
                                   reinterpret_cast<const std::uint8_t*>(data), context);
    }
    if (match)
        return updateExisting(*folder, *match, *data, parentId, group);
    return appendNew(*folder, project, name, *data, parentId, group);
}

void WINAPI DeleteTagElement(TagFolderHeader* folder, void* project, WORD id)
{
    if (!folder || !project || !folder->elements)
        return;
    std::size_t remaining = 0;
    {
        LockedElements locked(*folder);
        const auto elements = locked.elements();
        const auto position = tags::findById(elements, id);
        if (!position)
            return;
        const auto kept = tags::removeSubtree(elements, *position,
                                              [project](WORD nameId) { strings::release(nameId, project); });
        if (!kept)
            return;
        remaining = *kept;
    }
    if (remaining == 0) {
        GlobalFree(folder->elements);
        folder->elements = nullptr;
        folder->count = 0;
        return;
    }
    folder->count = static_cast<WORD>(remaining);
    // A failed shrink keeps the larger block; its surplus is never read.
    if (HGLOBAL smaller = GlobalReAlloc(folder->elements, remaining * tags::kElementSize, kBlockFlags))
        folder->elements = smaller;
}

// The references go back to the project's store when there is a project to
// take them (and the block can be read); the block is given back in any case.
void WINAPI DeleteTagFolder(TagFolderHeader* folder, void* project)
{
    if (!folder)
        return;
    if (project && folder->textId != 0)
        strings::release(folder->textId, project);
    if (!folder->elements)
        return;
    if (project) {
        const LockedElements locked(*folder);
        for (const Element& element : locked.elements()) {
            if (element.nameId != 0)
                strings::release(element.nameId, project);
        }
    }
    const w32k::GlobalBlock block(std::exchange(folder->elements, nullptr)); // freed on return
    folder->count = 0;
}

BOOL WINAPI DuplicateTagFolder(TagFolderHeader* destination, const TagFolderHeader* source, void* project)
{
    if (!destination || !source || !project)
        return FALSE;
    const TagFolderHeader original = *source;
    *destination = original;
    if (original.textId != 0)
        strings::addReference(original.textId, project);
    destination->elements = nullptr;
    destination->count = 0;
    if (!original.elements || original.count == 0)
        return TRUE;

    LockedElements from(original);
    if (!from)
        return FALSE;
    const auto elements = from.elements();
    if (elements.empty())
        return TRUE;
    w32k::GlobalBlock block = w32k::GlobalBlock::allocate(elements.size_bytes(), kBlockFlags);
    if (!block)
        return FALSE;
    {
        w32k::GlobalLockGuard<Element> to(block.get());
        if (!to)
            return FALSE;
        std::memcpy(to.get(), elements.data(), elements.size_bytes());
        for (const Element& element : elements) {
            if (element.nameId != 0)
                strings::addReference(element.nameId, project);
        }
    }
    destination->elements = block.release();
    destination->count = static_cast<WORD>(elements.size());
    return TRUE;
}

} // extern "C"
