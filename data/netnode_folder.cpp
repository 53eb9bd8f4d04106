// Net-node folders: the tree of the network's panel records. A folder (itself
// a record, the root) owns its child block and, through the records in it,
// every block below. Blocks are locked only for the duration of one call.
#include "frame/raii.h"
#include "w32korutil1.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <optional>
#include <span>
#include <vector>

namespace {

using w32k::GlobalBlock;
using RecordLock = w32k::GlobalLockGuard<NetNodeRecord>;

constexpr UINT kBlockFlags = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr std::size_t kRecordSize = sizeof(NetNodeRecord);
// The child count is 16 bits wide: a folder holds at most this many children.
constexpr std::size_t kMaxChildren = std::numeric_limits<WORD>::max();

bool hasChildren(const NetNodeRecord& record) noexcept
{
    return record.childBlock != nullptr && record.childCount != 0;
}

// Children really present: the count, never more than the block holds.
std::size_t usableChildren(const NetNodeRecord& record, const RecordLock& lock) noexcept
{
    return std::min<std::size_t>(record.childCount, lock.size() / kRecordSize);
}

void forgetChildren(NetNodeRecord& record) noexcept
{
    record.childCount = 0;
    record.childBlock = nullptr;
}

// A child block without a count, or a count without a block, is no child
// block at all. The stray handle is dropped, not freed: it may be shared.
void normalise(NetNodeRecord& folder) noexcept
{
    if (!hasChildren(folder))
        forgetChildren(folder);
}

std::optional<std::size_t> findNode(const RecordLock& children, std::size_t count, WORD number) noexcept
{
    for (std::size_t k = 0; k < count; ++k) {
        if (children[k].nodeNumber == number)
            return k;
    }
    return std::nullopt;
}

// Levels below a folder that the tree operations enter; a deeper tree is
// damaged (a network of panels is a few levels deep) and its deeper blocks
// are left alone, so no host data can exhaust the stack.
constexpr int kMaxTreeDepth = 256;

// The child blocks one tree operation has entered. A damaged tree may name
// a block twice (below itself, or under two records): such a block is never
// entered again, so no operation loops or frees a block twice.
class BlockTrail {
public:
    bool contains(HGLOBAL block) const noexcept
    {
        return std::find(blocks_.begin(), blocks_.end(), block) != blocks_.end();
    }
    // False when the block was entered already or memory fails.
    bool enter(HGLOBAL block) noexcept { return !contains(block) && add(block); }
    // Forgets the block entered last (for a trail of the current path only).
    void leave() noexcept { blocks_.pop_back(); }

    // The blocks entered from position `from` on; forgetting them.
    std::span<const HGLOBAL> from(std::size_t first) const noexcept
    {
        return std::span<const HGLOBAL>(blocks_).subspan(first);
    }
    std::size_t size() const noexcept { return blocks_.size(); }
    void truncate(std::size_t size) noexcept { blocks_.resize(std::min(size, blocks_.size())); }

private:
    bool add(HGLOBAL block) noexcept
    {
        try {
            blocks_.push_back(block);
        } catch (...) {
            return false;
        }
        return true;
    }

    std::vector<HGLOBAL> blocks_;
};

// Enters every child block below record, depth first, each once. False when
// memory fails. `complete` turns false for a block that cannot be locked
// (entered, its children not visited) or that is named a second time or lies
// too deep (not entered).
bool collectTree(const NetNodeRecord& record, BlockTrail& trail, bool& complete, int depth) noexcept
{
    if (!hasChildren(record))
        return true;
    if (depth >= kMaxTreeDepth || trail.contains(record.childBlock)) {
        complete = false;
        return true;
    }
    if (!trail.enter(record.childBlock))
        return false;
    RecordLock children(record.childBlock);
    if (!children) {
        complete = false;
        return true;
    }
    const std::size_t count = usableChildren(record, children);
    for (std::size_t k = 0; k < count; ++k) {
        if (!collectTree(children[k], trail, complete, depth + 1))
            return false;
    }
    return true;
}

// Frees every block below record and clears its child fields and flag bit 0.
// The blocks are found first: when memory for that fails, nothing changes
// (nullopt). False when some block could not be locked (it is freed, what it
// names cannot be reached), was met before in this deletion or lies too deep
// (its handle is dropped).
std::optional<bool> deleteTree(NetNodeRecord& record, BlockTrail& trail, int depth = 0) noexcept
{
    bool complete = true;
    const std::size_t first = trail.size();
    if (!collectTree(record, trail, complete, depth)) {
        trail.truncate(first);
        return std::nullopt;
    }
    for (const HGLOBAL block : trail.from(first)) {
        if (GlobalSize(block) != 0) // a stray handle is no block: only dropped
            GlobalFree(block);
    }
    forgetChildren(record);
    record.flags &= static_cast<BYTE>(~W32K_NETNODE_FLAG_CHILDREN);
    return complete;
}

// Frees a tree that the library built itself (a partial copy: every block
// its own, named once), without memory of its own.
void deleteCopy(NetNodeRecord& record) noexcept
{
    if (!hasChildren(record))
        return;
    {
        RecordLock children(record.childBlock);
        for (std::size_t k = 0; children && k < usableChildren(record, children); ++k)
            deleteCopy(children[k]);
    }
    GlobalFree(record.childBlock);
    forgetChildren(record);
}

// The source's block on the trail of the current path while a copy is made.
class PathStep {
public:
    PathStep(BlockTrail& trail, HGLOBAL block) noexcept : trail_(trail), entered_(trail.enter(block)) {}
    ~PathStep()
    {
        if (entered_)
            trail_.leave();
    }
    PathStep(const PathStep&) = delete;
    PathStep& operator=(const PathStep&) = delete;
    explicit operator bool() const noexcept { return entered_; }

private:
    BlockTrail& trail_;
    bool entered_;
};

// Deep copy: destination gets source's bytes and blocks of its own for every
// level. On any failure below, everything allocated for the copy is freed
// and destination is left without children. A source whose blocks form a
// cycle (a block below itself) or that is too deep fails the same way.
bool duplicateTree(NetNodeRecord& destination, const NetNodeRecord& source, BlockTrail& path,
                   int depth = 0) noexcept
{
    const NetNodeRecord original = source; // source may be destination itself
    destination = original;
    forgetChildren(destination);
    if (!hasChildren(original))
        return true;
    if (depth >= kMaxTreeDepth)
        return false;
    const PathStep step(path, original.childBlock);
    if (!step)
        return false;

    RecordLock from(original.childBlock);
    if (!from)
        return false;
    const std::size_t count = usableChildren(original, from);
    if (count == 0)
        return true;
    GlobalBlock block = GlobalBlock::allocate(count * kRecordSize, kBlockFlags);
    if (!block)
        return false;
    {
        RecordLock to(block.get());
        if (!to)
            return false;
        for (std::size_t k = 0; k < count; ++k) {
            if (!duplicateTree(to[k], from[k], path, depth + 1)) {
                for (std::size_t done = 0; done < k; ++done)
                    deleteCopy(to[done]);
                return false;
            }
        }
    }
    destination.childBlock = block.release();
    destination.childCount = static_cast<WORD>(count);
    return true;
}

// Overwrites the first child with record's node number; false when there is
// none. The replaced child's subtree is deleted unless record carries it.
std::optional<bool> replaceExisting(NetNodeRecord& folder, const NetNodeRecord& record) noexcept
{
    RecordLock children(folder.childBlock);
    if (!children)
        return false;
    const auto found = findNode(children, usableChildren(folder, children), record.nodeNumber);
    if (!found)
        return std::nullopt;
    NetNodeRecord& child = children[*found];
    if (child.childBlock != record.childBlock) {
        BlockTrail trail; // the folder's own block is never freed from below
        if (!trail.enter(folder.childBlock) || !deleteTree(child, trail, 1))
            return false;
    }
    child = record;
    return true;
}

// Records the folder really holds; nullopt when its block cannot be locked.
std::optional<std::size_t> heldChildren(const NetNodeRecord& folder) noexcept
{
    if (!folder.childBlock)
        return 0;
    RecordLock children(folder.childBlock);
    if (!children)
        return std::nullopt;
    return usableChildren(folder, children);
}

// Appends record behind the children the folder really holds.
bool appendChild(NetNodeRecord& folder, const NetNodeRecord& record) noexcept
{
    const auto held = heldChildren(folder);
    if (!held || *held >= kMaxChildren)
        return false;
    const SIZE_T bytes = (*held + 1) * kRecordSize;
    HGLOBAL grown = folder.childBlock ? GlobalReAlloc(folder.childBlock, bytes, kBlockFlags)
                                      : GlobalAlloc(kBlockFlags, bytes);
    if (!grown)
        return false;
    folder.childBlock = grown;
    RecordLock children(grown);
    if (!children)
        return false; // the larger block stays consistent with the old count
    children[*held] = record;
    folder.childCount = static_cast<WORD>(*held + 1);
    return true;
}

// Replaces the folder's block by one of exactly count records holding its
// first count children; keeps the larger block when memory fails.
void shrinkChildBlock(NetNodeRecord& folder, std::size_t count) noexcept
{
    GlobalBlock smaller = GlobalBlock::allocate(count * kRecordSize, kBlockFlags);
    if (!smaller)
        return;
    {
        RecordLock to(smaller.get());
        RecordLock from(folder.childBlock);
        if (!to || !from)
            return;
        std::memcpy(to.get(), from.get(), count * kRecordSize);
    }
    GlobalFree(folder.childBlock);
    folder.childBlock = smaller.release();
}

} // namespace

extern "C" {

BOOL WINAPI ExpRegisterNetNodeData(NetNodeRecord* folder, const NetNodeRecord* record)
{
    if (!folder || !record)
        return FALSE;
    const NetNodeRecord incoming = *record;
    normalise(*folder);
    if (hasChildren(*folder)) {
        if (const auto replaced = replaceExisting(*folder, incoming))
            return *replaced ? TRUE : FALSE;
    }
    return appendChild(*folder, incoming) ? TRUE : FALSE;
}

BOOL WINAPI ExpGetNetNodeData(const NetNodeRecord* folder, int mode, WORD key, NetNodeRecord* out)
{
    if (!folder || !out || !hasChildren(*folder))
        return FALSE;
    RecordLock children(folder->childBlock);
    if (!children)
        return FALSE;
    const std::size_t count = usableChildren(*folder, children);
    std::optional<std::size_t> position;
    if (mode != W32K_NETNODE_BY_POSITION)
        position = findNode(children, count, key);
    else if (key < count)
        position = key;
    if (!position)
        return FALSE;
    *out = children[*position];
    return TRUE;
}

BOOL WINAPI ExpDeleteNetNodeData(NetNodeRecord* folder, WORD nodeNumber)
{
    if (!folder || !hasChildren(*folder))
        return FALSE;
    std::size_t remaining = 0;
    {
        RecordLock children(folder->childBlock);
        if (!children)
            return FALSE;
        const std::size_t count = usableChildren(*folder, children);
        const auto found = findNode(children, count, nodeNumber);
        if (!found)
            return FALSE;
        BlockTrail trail; // the folder's own block is never freed from below
        if (!trail.enter(folder->childBlock) || !deleteTree(children[*found], trail, 1))
            return FALSE;
        remaining = count - 1;
        std::memmove(&children[*found], &children[*found + 1], (remaining - *found) * kRecordSize);
        folder->childCount = static_cast<WORD>(remaining);
    }
    if (remaining == 0) {
        GlobalFree(folder->childBlock);
        folder->childBlock = nullptr;
    } else {
        shrinkChildBlock(*folder, remaining);
    }
    return TRUE;
}

BOOL WINAPI ExpDuplicateNetworkFolder(NetNodeRecord* destination, const NetNodeRecord* source)
{
    if (!destination || !source)
        return FALSE;
    BlockTrail path;
    return duplicateTree(*destination, *source, path) ? TRUE : FALSE;
}

BOOL WINAPI ExpDeleteNetworkFolder(NetNodeRecord* record)
{
    if (!record)
        return FALSE;
    BlockTrail trail;
    return deleteTree(*record, trail).value_or(false) ? TRUE : FALSE;
}

} // extern "C"
