#include "support/memory_hooks.h"

#include <cstring>
#include <string>

namespace w32ktest {

namespace {

struct Counters {
    int allocations = 0;
    int frees = 0;
    int locks = 0;
    int unlocks = 0;
    int lockCalls = 0;
    int failAllocationAt = 0;
    int failLockAt = 0;
    std::set<HGLOBAL> outstanding;
};

Counters g_counters;

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
    if (data)
        ++g_counters.locks;
    return data;
}

BOOL WINAPI monitoredUnlock(HGLOBAL block)
{
    ++g_counters.unlocks;
    return GlobalUnlock(block);
}

// The import-address slot through which `module` calls dll!function; null if none.
void** importSlot(HMODULE module, const char* dll, const char* function)
{
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0)
        return nullptr;
    for (auto* import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         import->Name != 0; ++import) {
        if (_stricmp(reinterpret_cast<const char*>(base + import->Name), dll) != 0)
            continue;
        const DWORD names = import->OriginalFirstThunk ? import->OriginalFirstThunk : import->FirstThunk;
        auto* name = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + names);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal))
                continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
                return reinterpret_cast<void**>(&slot->u1.Function);
        }
    }
    return nullptr;
}

struct Patch {
    const char* function;
    void* replacement;
    void** slot = nullptr;
    void* original = nullptr;
};

Patch g_patches[] = {
    {"GlobalAlloc", reinterpret_cast<void*>(&monitoredAlloc)},
    {"GlobalFree", reinterpret_cast<void*>(&monitoredFree)},
    {"GlobalLock", reinterpret_cast<void*>(&monitoredLock)},
    {"GlobalUnlock", reinterpret_cast<void*>(&monitoredUnlock)},
};

void writeSlot(void** slot, void* value)
{
    DWORD protection = 0;
    VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &protection);
    *slot = value;
    VirtualProtect(slot, sizeof(void*), protection, &protection);
}

} // namespace

GlobalMemoryMonitor::GlobalMemoryMonitor(HMODULE module)
{
    reset();
    for (Patch& patch : g_patches) {
        patch.slot = module ? importSlot(module, "KERNEL32.dll", patch.function) : nullptr;
        if (!patch.slot)
            continue;
        patch.original = *patch.slot;
        writeSlot(patch.slot, patch.replacement);
    }
}

GlobalMemoryMonitor::~GlobalMemoryMonitor()
{
    for (Patch& patch : g_patches) {
        if (patch.slot)
            writeSlot(patch.slot, patch.original);
        patch.slot = nullptr;
    }
}

bool GlobalMemoryMonitor::installed() const
{
    for (const Patch& patch : g_patches)
        if (!patch.slot)
            return false;
    return true;
}

void GlobalMemoryMonitor::reset()
{
    g_counters = Counters{};
}

void GlobalMemoryMonitor::failAllocation(int nth)
{
    g_counters.failAllocationAt = g_counters.allocations + nth;
}

void GlobalMemoryMonitor::failLock(int nth)
{
    g_counters.failLockAt = g_counters.lockCalls + nth;
}

int GlobalMemoryMonitor::allocations() const { return g_counters.allocations; }
int GlobalMemoryMonitor::frees() const { return g_counters.frees; }
int GlobalMemoryMonitor::locks() const { return g_counters.locks; }
int GlobalMemoryMonitor::unlocks() const { return g_counters.unlocks; }
const std::set<HGLOBAL>& GlobalMemoryMonitor::outstanding() const { return g_counters.outstanding; }

} // namespace w32ktest
