// Replaces one imported function of a loaded module (its import address
// table entry) for the lifetime of the hook, so a test can count or fail the
// system calls a library makes: MessageBeep, GlobalReAlloc, ...
#pragma once

#include <windows.h>

namespace w32ktest {

class ImportHook {
public:
    // Patches `module`'s import of `function` from `dll` (case-insensitive
    // DLL name) to `replacement`. installed() is false when there is none.
    ImportHook(HMODULE module, const char* dll, const char* function, void* replacement);
    ~ImportHook();
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    bool installed() const { return slot_ != nullptr; }

private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};

// Counts a module's MessageBeep calls (the library's by default) while alive.
class BeepCounter {
public:
    explicit BeepCounter(HMODULE module = GetModuleHandleA("W32KORUTIL1.dll"));
    bool installed() const { return hook_.installed(); }
    int count() const { return count_; }

private:
    static BOOL WINAPI beep(UINT);
    static inline int count_ = 0;
    ImportHook hook_;
};

} // namespace w32ktest
