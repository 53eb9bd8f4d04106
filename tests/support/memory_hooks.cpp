#include "support/memory_hooks.h"

#include "support/import_hook.h"

#include <cstdlib>
#include <iterator>
#include <memory>

namespace w32ktest {

namespace {

struct Counters {
    int allocations = 0, frees = 0, locks = 0, unlocks = 0, lockCalls = 0;
    int failAllocationAt = 0, failLockAt = 0;
    int points = 0, failPointAt = 0;
    const char* failed = nullptr;
    const void* failedBlock = nullptr;
    std::set<HGLOBAL> outstanding;
    std::set<void*> heap;
    std::set<const void*> released;
};

Counters g_counters;
bool g_window = false;
std::unique_ptr<ImportHook> g_hooks[10];

// One failure point: true when this call must fail.
bool failsHere(const char* call, const void* block = nullptr)
{
    if (!g_window || ++g_counters.points != g_counters.failPointAt)
        return false;
    g_counters.failed = call;
    g_counters.failedBlock = block;
    return true;
}

HGLOBAL WINAPI monitoredAlloc(UINT flags, SIZE_T bytes)
{
    if (++g_counters.allocations == g_counters.failAllocationAt || failsHere("GlobalAlloc")) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    const HGLOBAL block = GlobalAlloc(flags, bytes);
    if (block)
        g_counters.outstanding.insert(block);
    return block;
}

HGLOBAL WINAPI monitoredReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags)
{
    if (failsHere("GlobalReAlloc", block)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    const HGLOBAL moved = GlobalReAlloc(block, bytes, flags);
    if (moved && moved != block) {
        g_counters.released.insert(block);
        g_counters.outstanding.erase(block);
        g_counters.outstanding.insert(moved);
    }
    return moved;
}

HGLOBAL WINAPI monitoredFree(HGLOBAL block)
{
    ++g_counters.frees;
    g_counters.outstanding.erase(block);
    g_counters.released.insert(block);
    return GlobalFree(block);
}

LPVOID WINAPI monitoredLock(HGLOBAL block)
{
    if (++g_counters.lockCalls == g_counters.failLockAt || failsHere("GlobalLock", block))
        return nullptr;
    void* data = GlobalLock(block);
    g_counters.locks += data != nullptr;
    return data;
}

BOOL WINAPI monitoredUnlock(HGLOBAL block)
{
    ++g_counters.unlocks;
    return GlobalUnlock(block);
}

HANDLE WINAPI monitoredSetClipboardData(UINT format, HANDLE data)
{
    const HANDLE set = SetClipboardData(format, data);
    if (set)
        g_counters.outstanding.erase(static_cast<HGLOBAL>(data));
    return set;
}

void* tracked(void* block)
{
    if (block)
        g_counters.heap.insert(block);
    return block;
}

void* __cdecl monitoredMalloc(size_t bytes)
{
    return failsHere("malloc") ? nullptr : tracked(std::malloc(bytes));
}

void* __cdecl monitoredCalloc(size_t count, size_t bytes)
{
    return failsHere("calloc") ? nullptr : tracked(std::calloc(count, bytes));
}

void* __cdecl monitoredRealloc(void* block, size_t bytes)
{
    if (failsHere("realloc"))
        return nullptr;
    void* moved = std::realloc(block, bytes);
    if (moved && moved != block && block) {
        g_counters.heap.erase(block);
        g_counters.released.insert(block);
    }
    return tracked(moved);
}

void __cdecl monitoredCrtFree(void* block)
{
    if (block) {
        g_counters.heap.erase(block);
        g_counters.released.insert(block);
    }
    std::free(block);
}

} // namespace

GlobalMemoryMonitor::GlobalMemoryMonitor(HMODULE module)
{
    reset();
    if (!module)
        return;
    const struct {
        const char* dll;
        const char* function;
        void* replacement;
    } patches[] = {
        {"KERNEL32.dll", "GlobalAlloc", reinterpret_cast<void*>(&monitoredAlloc)},
        {"KERNEL32.dll", "GlobalReAlloc", reinterpret_cast<void*>(&monitoredReAlloc)},
        {"KERNEL32.dll", "GlobalFree", reinterpret_cast<void*>(&monitoredFree)},
        {"KERNEL32.dll", "GlobalLock", reinterpret_cast<void*>(&monitoredLock)},
        {"KERNEL32.dll", "GlobalUnlock", reinterpret_cast<void*>(&monitoredUnlock)},
        {"USER32.dll", "SetClipboardData", reinterpret_cast<void*>(&monitoredSetClipboardData)},
        {"msvcrt.dll", "malloc", reinterpret_cast<void*>(&monitoredMalloc)},
        {"msvcrt.dll", "calloc", reinterpret_cast<void*>(&monitoredCalloc)},
        {"msvcrt.dll", "realloc", reinterpret_cast<void*>(&monitoredRealloc)},
        {"msvcrt.dll", "free", reinterpret_cast<void*>(&monitoredCrtFree)},
    };
    static_assert(std::size(patches) == std::size(g_hooks));
    for (size_t k = 0; k < std::size(patches); ++k)
        g_hooks[k] =
            std::make_unique<ImportHook>(module, patches[k].dll, patches[k].function, patches[k].replacement);
}

GlobalMemoryMonitor::~GlobalMemoryMonitor()
{
    for (auto& hook : g_hooks)
        hook.reset();
}

bool GlobalMemoryMonitor::installed() const
{
    for (const auto& hook : g_hooks)
        if (!hook || !hook->installed())
            return false;
    return true;
}

void GlobalMemoryMonitor::reset() { g_counters = Counters{}; }
void GlobalMemoryMonitor::failAllocation(int nth)
{
    g_counters.failAllocationAt = g_counters.allocations + nth;
}
void GlobalMemoryMonitor::failLock(int nth) { g_counters.failLockAt = g_counters.lockCalls + nth; }
int GlobalMemoryMonitor::allocations() const { return g_counters.allocations; }
int GlobalMemoryMonitor::frees() const { return g_counters.frees; }
int GlobalMemoryMonitor::locks() const { return g_counters.locks; }
int GlobalMemoryMonitor::unlocks() const { return g_counters.unlocks; }
const std::set<HGLOBAL>& GlobalMemoryMonitor::outstanding() const { return g_counters.outstanding; }
void GlobalMemoryMonitor::failPoint(int nth) { g_counters.failPointAt = nth; }
int GlobalMemoryMonitor::points() const { return g_counters.points; }
const char* GlobalMemoryMonitor::failedCall() const { return g_counters.failed; }
const void* GlobalMemoryMonitor::failedBlock() const { return g_counters.failedBlock; }
const std::set<void*>& GlobalMemoryMonitor::heapOutstanding() const { return g_counters.heap; }
const std::set<const void*>& GlobalMemoryMonitor::released() const { return g_counters.released; }

void* WINAPI GlobalMemoryMonitor::hostAllocator(UINT bytes)
{
    return failsHere("the host's allocator") ? nullptr : tracked(std::malloc(bytes));
}

FailureWindow::FailureWindow() { g_window = true; }
FailureWindow::~FailureWindow() { g_window = false; }

} // namespace w32ktest
