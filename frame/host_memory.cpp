#include "frame/host_memory.h"

#include <cstdlib>

namespace w32k {

namespace {
AppFmallocProc g_appAllocator = nullptr;
} // namespace

AppFmallocProc appAllocator() noexcept
{
    return g_appAllocator;
}

void* allocateHostBlock(std::size_t bytes) noexcept
{
    if (const AppFmallocProc allocator = appAllocator())
        return allocator(static_cast<UINT>(bytes));
    return std::malloc(bytes);
}

void* allocateLanguageBlock(std::size_t bytes) noexcept
{
    const AppFmallocProc allocator = appAllocator();
    return allocator ? allocator(static_cast<UINT>(bytes)) : nullptr;
}

} // namespace w32k

extern "C" {

AppFmallocProc WINAPI SetAppFmalloc(AppFmallocProc allocator)
{
    w32k::g_appAllocator = allocator;
    return allocator;
}

AppFmallocProc WINAPI GetAppFmalloc(void)
{
    return w32k::g_appAllocator;
}

// The flat address space needs no far or huge pointers: moving an address is
// a sum (wrapping like the 32-bit address space does), and there is nothing to
// free.
void* WINAPI ChangeFarPtrBase(void* address, LONG offset)
{
    return reinterpret_cast<void*>(reinterpret_cast<UINT_PTR>(address) +
                                   static_cast<UINT_PTR>(static_cast<INT_PTR>(offset)));
}

void* WINAPI GetFarPtrFromHuge(void* address, LONG offset)
{
    return ChangeFarPtrBase(address, offset);
}

BOOL WINAPI FreeOurFarPtr(void*)
{
    return TRUE;
}

} // extern "C"
