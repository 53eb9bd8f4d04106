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
    // The function the module imported before the hook.
    template <typename Fn>
    Fn original() const
    {
        return reinterpret_cast<Fn>(original_);
    }

private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};

} // namespace w32ktest
