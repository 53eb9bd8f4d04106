#include "support/memory_hooks.h"

#include "support/import_hook.h"

#include <iterator>
#include <memory>

namespace w32ktest {

namespace {

struct Counters {
    int allocations = 0, frees = 0, locks = 0, unlocks = 0, lockCalls = 0;
    int failAllocationAt = 0, failLockAt = 0;
    std::set<HGLOBAL> outstanding;
};

Counters g_counters;
std::unique_ptr<ImportHook> g_hooks[4];

HGLOBAL WINAPI monitoredAlloc(UINT flags, SIZE_T bytes)
{
    if (++g_counters.allocations == g_counters.failAllocationAt) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    const HGLOBAL block = GlobalAlloc(flags, bytes);
    if (block)
        g_counters.outstanding.insert(block);
    return block;
}

HGLOBAL WINAPI monitoredFree(HGLOBAL block)
{
    ++g_counters.frees;
    g_counters.outstanding.erase(block);
    return GlobalFree(block);
}

LPVOID WINAPI monitoredLock(HGLOBAL block)
{
    if (++g_counters.lockCalls == g_counters.failLockAt)
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

} // namespace

GlobalMemoryMonitor::GlobalMemoryMonitor(HMODULE module)
{
    reset();
    if (!module)
        return;
    const std::pair<const char*, void*> patches[] = {
        {"GlobalAlloc", reinterpret_cast<void*>(&monitoredAlloc)},
        {"GlobalFree", reinterpret_cast<void*>(&monitoredFree)},
        {"GlobalLock", reinterpret_cast<void*>(&monitoredLock)},
        {"GlobalUnlock", reinterpret_cast<void*>(&monitoredUnlock)},
    };
    for (size_t k = 0; k < std::size(patches); ++k)
        g_hooks[k] = std::make_unique<ImportHook>(module, "KERNEL32.dll", patches[k].first, patches[k].second);
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
void GlobalMemoryMonitor::failAllocation(int nth) { g_counters.failAllocationAt = g_counters.allocations + nth; }
void GlobalMemoryMonitor::failLock(int nth) { g_counters.failLockAt = g_counters.lockCalls + nth; }
int GlobalMemoryMonitor::allocations() const { return g_counters.allocations; }
int GlobalMemoryMonitor::frees() const { return g_counters.frees; }
int GlobalMemoryMonitor::locks() const { return g_counters.locks; }
int GlobalMemoryMonitor::unlocks() const { return g_counters.unlocks; }
const std::set<HGLOBAL>& GlobalMemoryMonitor::outstanding() const { return g_counters.outstanding; }

} // namespace w32ktest
