// Watches and fails the memory calls a loaded DLL makes (global blocks, the C
// runtime heap, SetClipboardData) by patching its import table. One monitor at a time.
#pragma once

#include <windows.h>

#include <set>

namespace w32ktest {

class GlobalMemoryMonitor {
public:
    explicit GlobalMemoryMonitor(HMODULE module);
    ~GlobalMemoryMonitor();
    GlobalMemoryMonitor(const GlobalMemoryMonitor&) = delete;
    GlobalMemoryMonitor& operator=(const GlobalMemoryMonitor&) = delete;

    bool installed() const; // every import found and patched
    void reset();           // counts from zero, no failure pending
    // The n-th GlobalAlloc / GlobalLock from now on (1 = the next) fails.
    void failAllocation(int nth);
    void failLock(int nth);

    int allocations() const; // GlobalAlloc calls, failed ones included
    int frees() const;
    int locks() const;       // successful GlobalLock calls
    int unlocks() const;
    // Blocks allocated since reset() and not freed (nor given to the clipboard) yet.
    const std::set<HGLOBAL>& outstanding() const;

    // Failure points: each allocation, reallocation or lock (and hostAllocator()
    // call) while a FailureWindow is open. The nth after reset() fails; 0 none.
    void failPoint(int nth);
    int points() const;
    // The call that failPoint() made fail, or null when its point was not reached.
    const char* failedCall() const;
    // The block a failed GlobalLock or GlobalReAlloc was called on.
    const void* failedBlock() const;
    const std::set<void*>& heapOutstanding() const; // C runtime and host allocator blocks
    const std::set<const void*>& released() const;  // freed or moved away since reset()

    // An allocator for SetAppFmalloc: one failure point per call, blocks counted with the library's.
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
