// Watches and breaks the global-memory calls a loaded DLL makes, by patching
// its import table: counts GlobalAlloc, GlobalFree, GlobalLock and
// GlobalUnlock, keeps track of the blocks it allocated and not yet freed, and
// makes the n-th allocation or lock fail. One monitor at a time.
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

    // True when all four imports were found and patched.
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
    // Blocks allocated since reset() and not freed yet.
    const std::set<HGLOBAL>& outstanding() const;
};

} // namespace w32ktest
