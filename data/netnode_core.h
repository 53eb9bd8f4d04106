// Platform-free logic of net-node folders: the record layout and the tree
// operations on child blocks. The blocks belong to a BlockHeap: global
// memory in the Win32 layer (netnode_folder.cpp), plain memory natively.
// A folder is a record itself, the root of its tree: it owns its child block
// and, through the records in it, every block below.
#pragma once

#include <cstddef>
#include <cstdint>

namespace w32k::netnode {

// A child block's handle (an HGLOBAL in the Win32 layer); null for none.
using Block = void*;

inline constexpr std::uint8_t kChildrenFlag = 0x01;
// The child count is 16 bits wide: a folder holds at most this many children.
inline constexpr std::size_t kMaxChildren = 0xFFFF;
// Levels below a folder that the tree operations enter; a deeper tree is
// damaged (a network of panels is a few levels deep) and its deeper blocks
// are left alone, so no host data can exhaust the stack.
inline constexpr int kMaxTreeDepth = 256;

// The record as the host keeps it (the public NetNodeRecord, without Win32 types).
#pragma pack(push, 1)
struct Record {
    std::uint8_t hostData1[34];
    std::uint16_t nodeNumber;
    std::uint8_t hostData2[2];
    std::uint16_t childCount;
    Block childBlock;
    std::uint8_t flags;
    std::uint8_t hostData3[19];
};
#pragma pack(pop)
inline constexpr std::size_t kRecordSize = sizeof(Record);

// The memory the child blocks live in, with the semantics of movable global
// memory: a handle stays valid while its memory moves.
class BlockHeap {
public:
    // A new zero-filled block; null when memory fails.
    virtual Block allocate(std::size_t bytes) noexcept = 0;
    // The block resized (new bytes zero-filled); null when memory fails, the
    // block then unchanged.
    virtual Block reallocate(Block block, std::size_t bytes) noexcept = 0;
    virtual void release(Block block) noexcept = 0;
    // The block's memory until unlock; null when the handle names no block.
    virtual void* lock(Block block) noexcept = 0;
    virtual void unlock(Block block) noexcept = 0;
    // Bytes of the block (0 for a handle that names none).
    virtual std::size_t size(Block block) noexcept = 0;

protected:
    ~BlockHeap() = default;
};

// Stores record in folder: over the first child with its node number (that
// child's subtree is deleted unless record carries the same child block), or
// behind the last child. False when memory fails, the folder's block cannot
// be locked or already holds kMaxChildren records; the folder is then unchanged.
bool registerRecord(BlockHeap& heap, Record& folder, const Record& record) noexcept;

enum class Key { Position, Number };
// Copies the child at a position, or the first with a node number, to out;
// false (out untouched) when there is none or the block cannot be locked.
bool findRecord(BlockHeap& heap, const Record& folder, Key kind, std::uint16_t key, Record& out) noexcept;

// Removes the first child with that node number and its subtree; false when
// there is none, the block cannot be locked or memory fails (nothing changed).
bool deleteRecord(BlockHeap& heap, Record& folder, std::uint16_t nodeNumber) noexcept;

// Deep copy: destination gets source's bytes and blocks of its own for every
// level. On any failure everything allocated for the copy is freed and
// destination is left without children. A source whose blocks are no tree
// (a block below itself or under two records) or that is too deep fails the
// same way.
bool duplicateTree(BlockHeap& heap, Record& destination, const Record& source) noexcept;

// Frees every block below record and clears its child fields and flag bit 0.
// The blocks are found first: when memory for that fails, nothing changes.
// False then, and when some block could not be locked (it is freed, what it
// names cannot be reached), was met before in this deletion or lies too deep
// (its handle is dropped).
bool deleteTree(BlockHeap& heap, Record& record) noexcept;

} // namespace w32k::netnode
