#include "support/import_hook.h"

#include <cstdint>

namespace w32ktest {

namespace {

void writeSlot(void** slot, void* value)
{
    DWORD protection = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
}

// The import address table slot of dll!function in module, or null.
void** findSlot(HMODULE module, const char* dll, const char* function)
{
    auto* base = reinterpret_cast<std::uint8_t*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress)
        return nullptr;
    for (auto* desc = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         desc->Name; ++desc) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + desc->Name), dll) != 0)
            continue;
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(
            base + (desc->OriginalFirstThunk ? desc->OriginalFirstThunk : desc->FirstThunk));
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), function) == 0)
                return reinterpret_cast<void**>(&slots->u1.Function);
        }
    }
    return nullptr;
}

} // namespace

ImportHook::ImportHook(HMODULE module, const char* dll, const char* function, void* replacement)
    : slot_(module ? findSlot(module, dll, function) : nullptr)
{
    if (!slot_)
        return;
    original_ = *slot_;
    writeSlot(slot_, replacement);
}

ImportHook::~ImportHook()
{
    if (slot_)
        writeSlot(slot_, original_);
}

BeepCounter::BeepCounter(HMODULE module)
    : hook_(module, "USER32.dll", "MessageBeep", reinterpret_cast<void*>(&beep))
{
    count_ = 0;
}

BOOL WINAPI BeepCounter::beep(UINT)
{
    ++count_;
    return TRUE;
}

} // namespace w32ktest
