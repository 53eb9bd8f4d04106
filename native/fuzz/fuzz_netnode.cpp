// Fuzz target: net-node trees. The input describes child blocks of records
// and a folder over them, then operations on the folder and its copies.
// Input: a mode byte, the blocks, the folder, then operations (see below).
// Mode bit 0 set: a well-formed tree (each block owned by exactly one record,
// sizes as the counts say, spare subtrees the operations may hand over);
// ownership is then checked exactly: every block stays reachable once, and
// deleting the folder and its copies frees every block the tree ever held.
// Otherwise any record may name any block, a freed block or no block at all,
// with any count: cycles, shared blocks, counts beyond a block's end.
// The heap checks every use of a block in both modes: a block is exactly as
// large as it claims (AddressSanitizer sees overruns), its memory moves on
// every resize (a stale pointer is a use after free), it is never freed
// twice, nor resized or freed while locked, and every lock is undone when an
// operation returns. Blocks the library allocates are all freed by the end.
#include "fuzz_input.h"
#include "data/netnode_core.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace {

using w32kfuzz::check;
using w32kfuzz::Input;

using namespace w32k::netnode;

class CheckedHeap final : public BlockHeap {
public:
    // A block of the host's, zero-filled.
    Block make(std::size_t bytes) { return add(bytes, false); }
    Record* records(Block block) { return static_cast<Record*>(static_cast<void*>(entry(block)->memory.get())); }
    bool live(Block block) const
    {
        const Entry* e = entry(block);
        return e && e->live;
    }
    bool ours(Block block) const { return live(block) && entry(block)->ours; }
    void failNext(unsigned count) { failures_ = count; }
    void freeHostBlock(Block block) { release(block); }

    Block allocate(std::size_t bytes) noexcept override
    {
        check(bytes > 0);
        if (failing())
            return nullptr;
        return add(bytes, true);
    }
    Block reallocate(Block block, std::size_t bytes) noexcept override
    {
        Entry& e = liveEntry(block);
        check(e.locks == 0 && bytes > 0);
        if (failing())
            return nullptr;
        Memory moved = zeroed(bytes);
        std::memcpy(moved.get(), e.memory.get(), std::min(bytes, e.size));
        e.memory = std::move(moved);
        e.size = bytes;
        return block;
    }
    void release(Block block) noexcept override
    {
        Entry& e = liveEntry(block);
        check(e.locks == 0);
        e.memory.reset();
        e.live = false;
    }
    void* lock(Block block) noexcept override
    {
        Entry* e = entry(block);
        if (!e || !e->live || e->size == 0) // as a discarded or freed global block
            return nullptr;
        ++e->locks;
        return e->memory.get();
    }
    void unlock(Block block) noexcept override
    {
        Entry& e = liveEntry(block);
        check(e.locks > 0);
        --e.locks;
    }
    std::size_t size(Block block) noexcept override { return live(block) ? entry(block)->size : 0; }

    void checkNoLocks() const
    {
        for (const Entry& e : entries_)
            check(e.locks == 0);
    }
    void checkOursFreed() const
    {
        for (const Entry& e : entries_)
            check(!(e.live && e.ours));
    }

private:
    // calloc, not new and a fill: the pages of a large block are not touched
    // before they are used.
    struct Free {
        void operator()(std::byte* p) const { std::free(p); }
    };
    using Memory = std::unique_ptr<std::byte[], Free>;
    static Memory zeroed(std::size_t bytes) { return Memory(static_cast<std::byte*>(std::calloc(bytes, 1))); }

    struct Entry {
        Memory memory;
        std::size_t size;
        int locks;
        bool live;
        bool ours;
    };
    static constexpr std::uintptr_t kFirst = 0x10000;
    static constexpr std::uintptr_t kStep = 0x10;

    static Block toHandle(std::size_t index) { return reinterpret_cast<Block>(kFirst + kStep * index); }
    Block add(std::size_t bytes, bool ours)
    {
        entries_.push_back(Entry{zeroed(bytes), bytes, 0, true, ours});
        return toHandle(entries_.size() - 1);
    }
    const Entry* entry(Block block) const
    {
        const auto value = reinterpret_cast<std::uintptr_t>(block);
        if (value < kFirst || (value - kFirst) % kStep != 0 || (value - kFirst) / kStep >= entries_.size())
            return nullptr;
        return &entries_[(value - kFirst) / kStep];
    }
    Entry* entry(Block block) { return const_cast<Entry*>(std::as_const(*this).entry(block)); }
    Entry& liveEntry(Block block)
    {
        Entry* e = entry(block);
        check(e && e->live); // never a block freed before, or none at all
        return *e;
    }
    bool failing()
    {
        if (failures_ == 0)
            return false;
        --failures_;
        return true;
    }

    std::vector<Entry> entries_;
    unsigned failures_ = 0;
};

constexpr std::size_t kMaxBlocks = 12;
constexpr std::size_t kMaxDescribed = 8;
constexpr std::size_t kMaxCopies = 4;
constexpr std::size_t kMaxCompared = 4096;
const Block kStray = reinterpret_cast<Block>(0x10); // names no block

Record recordWith(std::uint16_t number, std::uint8_t label, std::uint8_t flags)
{
    Record r{};
    r.nodeNumber = number;
    r.hostData1[0] = label;
    r.hostData3[18] = static_cast<std::uint8_t>(~label);
    r.flags = flags;
    return r;
}

bool sameHostBytes(const Record& a, const Record& b)
{
    Record x = a, y = b;
    x.childBlock = y.childBlock = nullptr;
    x.childCount = y.childCount = 0;
    x.flags &= static_cast<std::uint8_t>(~kChildrenFlag);
    y.flags &= static_cast<std::uint8_t>(~kChildrenFlag);
    return std::memcmp(&x, &y, sizeof x) == 0;
}

class Tree {
public:
    explicit Tree(Input& in) : in_(in), proper_(in.byte() & 1) { build(); }

    // Each operation is a byte: bits 0-2 choose it, bit 7 makes the first
    // 1 + bits 3-4 allocations in it fail.
    void run()
    {
        while (!in_.empty()) {
            const std::uint8_t op = in_.byte();
            failing_ = (op & 0x80) != 0;
            heap_.failNext(failing_ ? 1 + (op >> 3) % 4 : 0);
            operate(op % 8);
            heap_.failNext(0);
            heap_.checkNoLocks();
            if (proper_)
                checkOwnership();
        }
        finish();
    }

private:
    // ---- the blocks ------------------------------------------------------
    // Every block: its size in records (in damaged mode up to a full block,
    // and some bytes more), then up to kMaxDescribed
    // records: node number, flags, child (count word and handle selector in
    // damaged mode, a bit that claims the next free block when well-formed).
    void build()
    {
        const std::size_t blocks = 1 + in_.byte() % kMaxBlocks;
        for (std::size_t i = 0; i < blocks; ++i) {
            const std::size_t records = proper_ ? 1 + in_.byte() % 8 : damagedSize();
            const std::size_t extra = proper_ ? 0 : in_.byte() % kRecordSize;
            hostBlocks_.push_back(heap_.make(records * kRecordSize + extra));
            capacity_.push_back(records);
        }
        stale_ = heap_.make(kRecordSize);
        heap_.freeHostBlock(stale_);
        std::size_t nextOwned = 1; // block 0 is the folder's
        for (std::size_t i = 0; i < blocks; ++i) {
            const std::size_t described = std::min<std::size_t>(capacity_[i], kMaxDescribed);
            Record* records = heap_.records(hostBlocks_[i]);
            for (std::size_t k = 0; k < described; ++k) {
                // A well-formed folder's children carry distinct numbers.
                const std::uint16_t number = proper_ ? static_cast<std::uint16_t>(k * 8 + in_.byte() % 8)
                                                     : in_.byte() % 16;
                Record r = recordWith(number, static_cast<std::uint8_t>(i * 16 + k), in_.byte());
                if (proper_)
                    giveProperChild(r, i, nextOwned);
                else
                    giveDamagedChild(r);
                records[k] = r;
            }
        }
        folder_ = recordWith(0, 0xF0, in_.byte());
        const bool empty = in_.byte() & 1;
        if (!empty) {
            folder_.childBlock = hostBlocks_[0];
            folder_.childCount = proper_ ? static_cast<std::uint16_t>(capacity_[0]) : in_.word();
        }
        for (std::size_t i = 1; proper_ && i < blocks; ++i) {
            if (std::find(owned_.begin(), owned_.end(), i) == owned_.end())
                spares_.push_back(i);
        }
        if (proper_ && empty)
            spares_.insert(spares_.begin(), 0);
    }

    // A damaged block's records: a byte, or with the byte kLargeBlock a word,
    // up to a block as full as a count can say.
    std::size_t damagedSize()
    {
        constexpr std::uint8_t kLargeBlock = 0xFF;
        const std::uint8_t records = in_.byte();
        return records == kLargeBlock ? in_.word() : records;
    }

    void giveProperChild(Record& r, std::size_t block, std::size_t& nextOwned)
    {
        const std::size_t next = std::max(nextOwned, block + 1);
        if ((in_.byte() & 1) && next < hostBlocks_.size()) {
            r.childBlock = hostBlocks_[next];
            r.childCount = static_cast<std::uint16_t>(capacity_[next]);
            owned_.push_back(next);
            nextOwned = next + 1;
        }
    }

    Block damagedHandle(std::uint8_t selector)
    {
        const std::size_t choice = selector % (hostBlocks_.size() + 3);
        if (choice == 0)
            return nullptr;
        if (choice == 1)
            return stale_;
        if (choice == 2)
            return kStray;
        return hostBlocks_[choice - 3];
    }

    void giveDamagedChild(Record& r)
    {
        r.childCount = in_.word();
        r.childBlock = damagedHandle(in_.byte());
    }

    // A record to register: in proper mode with no children or a spare
    // subtree (handed back to the spares when the registration fails).
    struct Incoming {
        Record record;
        std::optional<std::size_t> spare;
    };
    Incoming incomingRecord()
    {
        const std::uint16_t number = in_.byte() % 64;
        const std::uint8_t label = in_.byte();
        Incoming in{recordWith(number, label, in_.byte()), std::nullopt};
        Record& r = in.record;
        const std::uint8_t child = in_.byte();
        if (!proper_) {
            r.childCount = static_cast<std::uint16_t>(child % 4 == 0 ? in_.word() : child % 3);
            r.childBlock = damagedHandle(in_.byte());
        } else if (!spares_.empty() && (child & 1)) {
            in.spare = spares_[child % spares_.size()];
            spares_.erase(std::find(spares_.begin(), spares_.end(), *in.spare));
            r.childBlock = hostBlocks_[*in.spare];
            r.childCount = static_cast<std::uint16_t>(capacity_[*in.spare]);
        }
        return in;
    }

    // ---- the operations ----------------------------------------------------
    void operate(unsigned op)
    {
        switch (op) {
        case 0: registerInto(folder_); break;
        case 1: lookUp(); break;
        case 2: removeFrom(folder_, in_.byte() % 16); break;
        case 3: copy(); break;
        case 4: deleteOne(); break;
        case 5: registerInto(folder_); break;
        case 6: changeChild(true); break;
        default: changeChild(false); break;
        }
    }

    void registerInto(Record& folder)
    {
        const Incoming in = incomingRecord();
        const Record& incoming = in.record;
        if (!registerRecord(heap_, folder, incoming)) {
            check(failing_ || !proper_);
            if (in.spare)
                spares_.push_back(*in.spare);
            return;
        }
        Record found{};
        check(findRecord(heap_, folder, Key::Number, incoming.nodeNumber, found));
        check(std::memcmp(&found, &incoming, sizeof found) == 0);
    }

    void lookUp()
    {
        const std::uint16_t key = in_.word();
        Record out = recordWith(0xBEEF, 0xAA, 0);
        const Record before = out;
        if (findRecord(heap_, folder_, Key::Number, key, out))
            check(out.nodeNumber == key);
        else
            check(std::memcmp(&out, &before, sizeof out) == 0);
        findRecord(heap_, folder_, Key::Position, key, out);
    }

    void removeFrom(Record& folder, std::uint16_t number)
    {
        const std::size_t before = usable(folder);
        if (deleteRecord(heap_, folder, number))
            check(folder.childCount == before - 1 && (folder.childCount == 0) == (folder.childBlock == nullptr));
    }

    // A host's edit of one child: looked up by position, changed (a child
    // registered into it or removed from it, or only its host data), and
    // registered back under its number. In a damaged folder that may be
    // another child; when the registration fails the host drops its copy.
    void changeChild(bool nested)
    {
        const std::uint8_t position = in_.byte();
        const std::uint8_t what = in_.byte();
        Record child{};
        if (!findRecord(heap_, folder_, Key::Position, position, child))
            return;
        if (!nested)
            child.hostData2[0] = what;
        else if (what & 1)
            registerInto(child);
        else
            removeFrom(child, what >> 1);
        heap_.failNext(0);
        if (registerRecord(heap_, folder_, child))
            return;
        check(!proper_);
        deleteTree(heap_, child);
    }

    void copy()
    {
        const std::uint8_t which = in_.byte();
        if (copies_.size() == kMaxCopies) {
            check(deleteTree(heap_, copies_.front()) || !proper_);
            copies_.erase(copies_.begin());
        }
        const Record source = copies_.empty() || which % 2 == 0 ? folder_ : copies_[which / 2 % copies_.size()];
        Record copied{};
        const bool done = duplicateTree(heap_, copied, source);
        check(done || !proper_ || failing_);
        check(sameHostBytes(copied, source));
        std::set<Block> seen;
        std::size_t compared = 0;
        if (done)
            compareCopy(copied, source, seen, compared, 0);
        else
            check(copied.childBlock == nullptr && copied.childCount == 0);
        copies_.push_back(copied);
    }

    // A copy holds blocks of its own only, each once, with the source's records.
    void compareCopy(const Record& copied, const Record& source, std::set<Block>& seen, std::size_t& compared,
                     int depth)
    {
        const Block block = copied.childBlock; // not a reference into the packed record
        if (!block) {
            check(copied.childCount == 0);
            return;
        }
        check(heap_.ours(block) && seen.insert(block).second);
        check(copied.childCount * kRecordSize == heap_.size(block));
        check(depth < kMaxTreeDepth && copied.childCount <= source.childCount);
        const Record* to = heap_.records(copied.childBlock);
        const Record* from = heap_.records(source.childBlock);
        for (std::size_t k = 0; k < copied.childCount && ++compared < kMaxCompared; ++k) {
            check(sameHostBytes(to[k], from[k]));
            compareCopy(to[k], from[k], seen, compared, depth + 1);
        }
    }

    void deleteOne()
    {
        const std::uint8_t which = in_.byte();
        if (copies_.empty() || which % 4 == 0) {
            check(deleteTree(heap_, folder_) || !proper_);
            check(folder_.childBlock == nullptr && folder_.childCount == 0);
            return;
        }
        const std::size_t k = which % copies_.size();
        check(deleteTree(heap_, copies_[k]) || !proper_);
        copies_.erase(copies_.begin() + static_cast<long>(k));
    }

    // ---- the checks ------------------------------------------------------------
    std::size_t usable(const Record& folder)
    {
        if (!folder.childBlock || !folder.childCount || !heap_.live(folder.childBlock))
            return 0;
        return std::min<std::size_t>(folder.childCount, heap_.size(folder.childBlock) / kRecordSize);
    }

    // Well-formed trees stay well-formed: every block reached is live, holds
    // all its records and belongs to one record only.
    void checkOwnership()
    {
        std::set<Block> seen;
        walk(folder_, seen);
        for (const Record& c : copies_)
            walk(c, seen);
        for (std::size_t spare : spares_)
            check(seen.count(hostBlocks_[spare]) == 0);
    }

    void walk(const Record& record, std::set<Block>& seen)
    {
        const Block block = record.childBlock; // not a reference into the packed record
        if (!block || !record.childCount)
            return;
        check(heap_.live(block) && seen.insert(block).second);
        check(record.childCount * kRecordSize <= heap_.size(block));
        const Record* children = heap_.records(block);
        for (std::size_t k = 0; k < record.childCount; ++k)
            walk(children[k], seen);
    }

    // Deleting the folder and every copy frees every block the library made
    // and, for a well-formed tree, every block the tree held.
    void finish()
    {
        heap_.failNext(0);
        const bool deleted = deleteTree(heap_, folder_);
        check(deleted || !proper_);
        for (Record& c : copies_)
            check(deleteTree(heap_, c) || !proper_);
        heap_.checkNoLocks();
        heap_.checkOursFreed();
        if (!proper_)
            return;
        std::set<Block> kept;
        for (std::size_t spare : spares_) {
            Record holder{};
            holder.childBlock = hostBlocks_[spare];
            holder.childCount = static_cast<std::uint16_t>(capacity_[spare]);
            walk(holder, kept);
        }
        for (Block block : hostBlocks_)
            check(kept.count(block) == 1 || !heap_.live(block));
    }

    Input& in_;
    const bool proper_;
    bool failing_ = false;
    CheckedHeap heap_;
    std::vector<Block> hostBlocks_;
    std::vector<std::size_t> capacity_;
    std::vector<std::size_t> owned_;
    std::vector<std::size_t> spares_;
    Block stale_ = nullptr;
    Record folder_{};
    std::vector<Record> copies_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input in(data, size);
    Tree tree(in);
    tree.run();
    return 0;
}
