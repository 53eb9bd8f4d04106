// Watches and breaks the memory calls a loaded DLL makes, by patching its
// import table: GlobalAlloc, GlobalReAlloc, GlobalFree, GlobalLock,
// GlobalUnlock, the C runtime's malloc, calloc, realloc and free, and
// SetClipboardData (a block given to the clipboard is the system's). It keeps
// track of the blocks the DLL made and not yet freed and of those it freed,
// and makes the n-th allocation or lock fail. One monitor at a time.
#pragma once

#include <windows.h>

#include <set>

namespace w32ktest {

class GlobalMemoryMonitor {
public:
    // Patches the imports of `module` (usually the library under test).
    explicit GlobalMemoryMonitor(HMODULE module);
    ~GlobalMemoryMonitor();
    GlobalMemoryMonitor(const GlobalMemoryMonitor&) = delete;
    GlobalMemoryMonitor& operator=(const GlobalMemoryMonitor&) = delete;

    // True when every import was found and patched.
    bool installed() const;

    // Counting starts again; pending failures are cleared.
    void reset();
    // The n-th GlobalAlloc / GlobalLock from now on (1 = the next) fails.
    void failAllocation(int nth);
    void failLock(int nth);

    int allocations() const; // GlobalAlloc calls, failed ones included
    int frees() const;
    int locks() const;       // successful GlobalLock calls
    int unlocks() const;
    // Blocks allocated since reset() and not freed (nor given to the clipboard) yet.
    const std::set<HGLOBAL>& outstanding() const;

    // Failure points: each GlobalAlloc, GlobalReAlloc, GlobalLock, malloc,
    // calloc and realloc, and each call of hostAllocator(), made while a
    // FailureWindow is open. The nth (1 = the first after reset()) fails;
    // 0 fails none.
    void failPoint(int nth);
    int points() const;
    // The call that failPoint() made fail, or null when its point was not reached.
    const char* failedCall() const;
    // The block a failed GlobalLock or GlobalReAlloc was called on.
    const void* failedBlock() const;
    // C runtime and host allocator blocks allocated since reset() and not freed.
    const std::set<void*>& heapOutstanding() const;
    // Global blocks and heap blocks freed (or moved away by a reallocation) since reset().
    const std::set<const void*>& released() const;

    // An application allocator for SetAppFmalloc: the C runtime heap, one
    // failure point per call, its blocks counted with the library's.
    static void* WINAPI hostAllocator(UINT bytes);
};

// Opens the failure points for its lifetime.
class FailureWindow {
public:
    FailureWindow();
    ~FailureWindow();
    FailureWindow(const FailureWindow&) = delete;
    FailureWindow& operator=(const FailureWindow&) = delete;
};

} // namespace w32ktest
