// Net-node folders: the tree of the network's panel records. A folder (itself
// a record, the root) owns its child block and, through the records in it,
// every block below. The tree operations are in netnode_core.cpp; here they
// get movable global memory, locked only for the duration of one call.
#include "data/netnode_core.h"
#include "w32korutil1.h"

#include <cstddef>

namespace {

namespace nn = w32k::netnode;

static_assert(sizeof(NetNodeRecord) == sizeof(nn::Record));
static_assert(offsetof(NetNodeRecord, nodeNumber) == offsetof(nn::Record, nodeNumber));
static_assert(offsetof(NetNodeRecord, childCount) == offsetof(nn::Record, childCount));
static_assert(offsetof(NetNodeRecord, childBlock) == offsetof(nn::Record, childBlock));
static_assert(offsetof(NetNodeRecord, flags) == offsetof(nn::Record, flags));
static_assert(offsetof(NetNodeRecord, hostData3) == offsetof(nn::Record, hostData3));
static_assert(W32K_NETNODE_FLAG_CHILDREN == nn::kChildrenFlag);

constexpr UINT kBlockFlags = GMEM_MOVEABLE | GMEM_ZEROINIT;

// The host's child blocks: movable, zero-initialised global memory.
class GlobalHeap final : public nn::BlockHeap {
public:
    nn::Block allocate(std::size_t bytes) noexcept override { return GlobalAlloc(kBlockFlags, bytes); }
    nn::Block reallocate(nn::Block block, std::size_t bytes) noexcept override
    {
        return GlobalReAlloc(block, bytes, kBlockFlags);
    }
    void release(nn::Block block) noexcept override { GlobalFree(block); }
    void* lock(nn::Block block) noexcept override { return GlobalLock(block); }
    void unlock(nn::Block block) noexcept override { GlobalUnlock(block); }
    std::size_t size(nn::Block block) noexcept override { return GlobalSize(block); }
};

nn::Record& asRecord(NetNodeRecord& record) noexcept
{
    return *reinterpret_cast<nn::Record*>(&record);
}

const nn::Record& asRecord(const NetNodeRecord& record) noexcept
{
    return *reinterpret_cast<const nn::Record*>(&record);
}

BOOL result(bool done) noexcept
{
    return done ? TRUE : FALSE;
}

} // namespace

extern "C" {

BOOL WINAPI ExpRegisterNetNodeData(NetNodeRecord* folder, const NetNodeRecord* record)
{
    if (!folder || !record)
        return FALSE;
    GlobalHeap heap;
    return result(nn::registerRecord(heap, asRecord(*folder), asRecord(*record)));
}

BOOL WINAPI ExpGetNetNodeData(const NetNodeRecord* folder, int mode, WORD key, NetNodeRecord* out)
{
    if (!folder || !out)
        return FALSE;
    GlobalHeap heap;
    const nn::Key kind = mode != W32K_NETNODE_BY_POSITION ? nn::Key::Number : nn::Key::Position;
    return result(nn::findRecord(heap, asRecord(*folder), kind, key, asRecord(*out)));
}

BOOL WINAPI ExpDeleteNetNodeData(NetNodeRecord* folder, WORD nodeNumber)
{
    if (!folder)
        return FALSE;
    GlobalHeap heap;
    return result(nn::deleteRecord(heap, asRecord(*folder), nodeNumber));
}

BOOL WINAPI ExpDuplicateNetworkFolder(NetNodeRecord* destination, const NetNodeRecord* source)
{
    if (!destination || !source)
        return FALSE;
    GlobalHeap heap;
    return result(nn::duplicateTree(heap, asRecord(*destination), asRecord(*source)));
}

BOOL WINAPI ExpDeleteNetworkFolder(NetNodeRecord* record)
{
    if (!record)
        return FALSE;
    GlobalHeap heap;
    return result(nn::deleteTree(heap, asRecord(*record)));
}

} // extern "C"
