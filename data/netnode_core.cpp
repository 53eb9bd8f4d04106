#include "data/netnode_core.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>
#include <unordered_set>
#include <utility>
#include <vector>

namespace w32k::netnode {

namespace {

// A block locked for the lifetime of the guard, seen as records.
class RecordLock {
public:
    RecordLock(BlockHeap& heap, Block block) noexcept
        : heap_(heap), block_(block), data_(block ? static_cast<Record*>(heap.lock(block)) : nullptr)
    {
    }
    ~RecordLock()
    {
        if (data_)
            heap_.unlock(block_);
    }
    RecordLock(const RecordLock&) = delete;
    RecordLock& operator=(const RecordLock&) = delete;

    Record* get() const noexcept { return data_; }
    Record& operator[](std::size_t i) const noexcept { return data_[i]; }
    explicit operator bool() const noexcept { return data_ != nullptr; }
    std::size_t size() const noexcept { return block_ ? heap_.size(block_) : 0; }

private:
    BlockHeap& heap_;
    Block block_;
    Record* data_;
};

// A block freed with its owner unless released.
class OwnedBlock {
public:
    OwnedBlock(BlockHeap& heap, Block block) noexcept : heap_(heap), block_(block) {}
    ~OwnedBlock()
    {
        if (block_)
            heap_.release(block_);
    }
    OwnedBlock(const OwnedBlock&) = delete;
    OwnedBlock& operator=(const OwnedBlock&) = delete;

    Block get() const noexcept { return block_; }
    explicit operator bool() const noexcept { return block_ != nullptr; }
    Block release() noexcept { return std::exchange(block_, nullptr); }

private:
    BlockHeap& heap_;
    Block block_;
};

bool hasChildren(const Record& record) noexcept
{
    return record.childBlock != nullptr && record.childCount != 0;
}

// Children really present: the count, never more than the block holds.
std::size_t usableChildren(const Record& record, const RecordLock& lock) noexcept
{
    return std::min<std::size_t>(record.childCount, lock.size() / kRecordSize);
}

void forgetChildren(Record& record) noexcept
{
    record.childCount = 0;
    record.childBlock = nullptr;
}

// A child block without a count, or a count without a block, is no child
// block at all. The stray handle is dropped, not freed: it may be shared.
void normalise(Record& folder) noexcept
{
    if (!hasChildren(folder))
        forgetChildren(folder);
}

std::optional<std::size_t> findNode(const RecordLock& children, std::size_t count, std::uint16_t number) noexcept
{
    for (std::size_t k = 0; k < count; ++k) {
        if (children[k].nodeNumber == number)
            return k;
    }
    return std::nullopt;
}

// The child blocks one tree operation has entered, in order. A damaged tree
// may name a block twice (below itself, or under two records): such a block
// is never entered again, so no operation loops, frees a block twice or
// copies one twice (a few levels of shared blocks would make a copy grow
// exponentially).
class BlockTrail {
public:
    bool contains(Block block) const noexcept { return entered_.count(block) != 0; }
    // False when the block was entered already or memory fails.
    bool enter(Block block) noexcept
    {
        try {
            if (!entered_.insert(block).second)
                return false;
            blocks_.push_back(block);
        } catch (...) {
            entered_.erase(block);
            return false;
        }
        return true;
    }

    // The blocks entered from position `first` on.
    std::span<const Block> from(std::size_t first) const noexcept
    {
        return std::span<const Block>(blocks_).subspan(first);
    }
    std::size_t size() const noexcept { return blocks_.size(); }
    // Forgets the blocks entered from position `size` on.
    void truncate(std::size_t size) noexcept
    {
        while (blocks_.size() > size) {
            entered_.erase(blocks_.back());
            blocks_.pop_back();
        }
    }

private:
    std::vector<Block> blocks_;
    std::unordered_set<Block> entered_; // the same blocks, found without a walk
};

// Enters every child block below record, depth first, each once. False when
// memory fails. `complete` turns false for a block that cannot be locked
// (entered, its children not visited) or that is named a second time or lies
// too deep (not entered).
bool collectTree(BlockHeap& heap, const Record& record, BlockTrail& trail, bool& complete, int depth) noexcept
{
    if (!hasChildren(record))
        return true;
    if (depth >= kMaxTreeDepth || trail.contains(record.childBlock)) {
        complete = false;
        return true;
    }
    if (!trail.enter(record.childBlock))
        return false;
    RecordLock children(heap, record.childBlock);
    if (!children) {
        complete = false;
        return true;
    }
    const std::size_t count = usableChildren(record, children);
    for (std::size_t k = 0; k < count; ++k) {
        if (!collectTree(heap, children[k], trail, complete, depth + 1))
            return false;
    }
    return true;
}

// Frees every block below record and clears its child fields and flag bit 0.
// The blocks are found first: when memory for that fails, nothing changes
// (nullopt). False when some block could not be locked (it is freed, what it
// names cannot be reached), was met before in this deletion or lies too deep
// (its handle is dropped).
std::optional<bool> deleteTree(BlockHeap& heap, Record& record, BlockTrail& trail, int depth) noexcept
{
    bool complete = true;
    const std::size_t first = trail.size();
    if (!collectTree(heap, record, trail, complete, depth)) {
        trail.truncate(first);
        return std::nullopt;
    }
    for (const Block block : trail.from(first)) {
        if (heap.size(block) != 0) // a stray handle is no block: only dropped
            heap.release(block);
    }
    forgetChildren(record);
    record.flags &= static_cast<std::uint8_t>(~kChildrenFlag);
    return complete;
}

// Frees a tree that the library built itself (a partial copy: every block
// its own, named once), without memory of its own.
void deleteCopy(BlockHeap& heap, Record& record) noexcept
{
    if (!hasChildren(record))
        return;
    {
        RecordLock children(heap, record.childBlock);
        for (std::size_t k = 0; children && k < usableChildren(record, children); ++k)
            deleteCopy(heap, children[k]);
    }
    heap.release(record.childBlock);
    forgetChildren(record);
}

bool duplicateTree(BlockHeap& heap, Record& destination, const Record& source, BlockTrail& trail,
                   int depth) noexcept
{
    const Record original = source; // source may be destination itself
    destination = original;
    forgetChildren(destination);
    if (!hasChildren(original))
        return true;
    if (depth >= kMaxTreeDepth || !trail.enter(original.childBlock))
        return false;

    RecordLock from(heap, original.childBlock);
    if (!from)
        return false;
    const std::size_t count = usableChildren(original, from);
    if (count == 0)
        return true;
    OwnedBlock block(heap, heap.allocate(count * kRecordSize));
    if (!block)
        return false;
    {
        RecordLock to(heap, block.get());
        if (!to)
            return false;
        for (std::size_t k = 0; k < count; ++k) {
            if (!duplicateTree(heap, to[k], from[k], trail, depth + 1)) {
                for (std::size_t done = 0; done < k; ++done)
                    deleteCopy(heap, to[done]);
                return false;
            }
        }
    }
    destination.childBlock = block.release();
    destination.childCount = static_cast<std::uint16_t>(count);
    return true;
}

// Overwrites the first child with record's node number; nullopt when there
// is none. The replaced child's subtree is deleted unless record carries it.
std::optional<bool> replaceExisting(BlockHeap& heap, Record& folder, const Record& record) noexcept
{
    RecordLock children(heap, folder.childBlock);
    if (!children)
        return false;
    const auto found = findNode(children, usableChildren(folder, children), record.nodeNumber);
    if (!found)
        return std::nullopt;
    Record& child = children[*found];
    if (child.childBlock != record.childBlock) {
        BlockTrail trail; // the folder's own block is never freed from below
        if (!trail.enter(folder.childBlock) || !deleteTree(heap, child, trail, 1))
            return false;
    }
    child = record;
    return true;
}

// Records the folder really holds; nullopt when its block cannot be locked.
std::optional<std::size_t> heldChildren(BlockHeap& heap, const Record& folder) noexcept
{
    if (!folder.childBlock)
        return 0;
    RecordLock children(heap, folder.childBlock);
    if (!children)
        return std::nullopt;
    return usableChildren(folder, children);
}

// Appends record behind the children the folder really holds.
bool appendChild(BlockHeap& heap, Record& folder, const Record& record) noexcept
{
    const auto held = heldChildren(heap, folder);
    if (!held || *held >= kMaxChildren)
        return false;
    const std::size_t bytes = (*held + 1) * kRecordSize;
    const Block grown = folder.childBlock ? heap.reallocate(folder.childBlock, bytes) : heap.allocate(bytes);
    if (!grown)
        return false;
    folder.childBlock = grown;
    RecordLock children(heap, grown);
    if (!children)
        return false; // the larger block stays consistent with the old count
    children[*held] = record;
    folder.childCount = static_cast<std::uint16_t>(*held + 1);
    return true;
}

// Replaces the folder's block by one of exactly count records holding its
// first count children; keeps the larger block when memory fails.
void shrinkChildBlock(BlockHeap& heap, Record& folder, std::size_t count) noexcept
{
    OwnedBlock smaller(heap, heap.allocate(count * kRecordSize));
    if (!smaller)
        return;
    {
        RecordLock to(heap, smaller.get());
        RecordLock from(heap, folder.childBlock);
        if (!to || !from)
            return;
        std::memcpy(to.get(), from.get(), count * kRecordSize);
    }
    heap.release(folder.childBlock);
    folder.childBlock = smaller.release();
}

} // namespace

bool registerRecord(BlockHeap& heap, Record& folder, const Record& record) noexcept
{
    const Record incoming = record;
    normalise(folder);
    if (hasChildren(folder)) {
        if (const auto replaced = replaceExisting(heap, folder, incoming))
            return *replaced;
    }
    return appendChild(heap, folder, incoming);
}

bool findRecord(BlockHeap& heap, const Record& folder, Key kind, std::uint16_t key, Record& out) noexcept
{
    if (!hasChildren(folder))
        return false;
    RecordLock children(heap, folder.childBlock);
    if (!children)
        return false;
    const std::size_t count = usableChildren(folder, children);
    std::optional<std::size_t> position;
    if (kind == Key::Number)
        position = findNode(children, count, key);
    else if (key < count)
        position = key;
    if (!position)
        return false;
    out = children[*position];
    return true;
}

bool deleteRecord(BlockHeap& heap, Record& folder, std::uint16_t nodeNumber) noexcept
{
    if (!hasChildren(folder))
        return false;
    std::size_t remaining = 0;
    {
        RecordLock children(heap, folder.childBlock);
        if (!children)
            return false;
        const std::size_t count = usableChildren(folder, children);
        const auto found = findNode(children, count, nodeNumber);
        if (!found)
            return false;
        BlockTrail trail; // the folder's own block is never freed from below
        if (!trail.enter(folder.childBlock) || !deleteTree(heap, children[*found], trail, 1))
            return false;
        remaining = count - 1;
        std::memmove(&children[*found], &children[*found + 1], (remaining - *found) * kRecordSize);
        folder.childCount = static_cast<std::uint16_t>(remaining);
    }
    if (remaining == 0) {
        heap.release(folder.childBlock);
        folder.childBlock = nullptr;
    } else {
        shrinkChildBlock(heap, folder, remaining);
    }
    return true;
}

bool duplicateTree(BlockHeap& heap, Record& destination, const Record& source) noexcept
{
    BlockTrail trail;
    return duplicateTree(heap, destination, source, trail, 0);
}

bool deleteTree(BlockHeap& heap, Record& record) noexcept
{
    BlockTrail trail;
    return deleteTree(heap, record, trail, 0).value_or(false);
}

} // namespace w32k::netnode
