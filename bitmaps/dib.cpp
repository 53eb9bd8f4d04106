// The exported DIB queries and CreateDIB: thin wrappers over dib_core.
#include <windows.h>

#include "bitmaps/dib_core.h"

#include <cstdint>

#include "frame/raii.h"
#include "w32korutil1.h"

namespace {

const std::byte* headerOf(const void* dib) noexcept
{
    return static_cast<const std::byte*>(dib);
}

LPSTR atOffset(void* dib, std::uint64_t offset) noexcept
{
    // Address arithmetic (a lying header size wraps instead of overflowing).
    return reinterpret_cast<LPSTR>(reinterpret_cast<std::uintptr_t>(dib) +
                                   static_cast<std::uintptr_t>(offset));
}

} // namespace

extern "C" {

DWORD WINAPI DIBNumColors(const void* dib)
{
    return dib ? w32k::dib::numColours(headerOf(dib)) : 0;
}

WORD WINAPI PaletteSize(const void* dib)
{
    return dib ? w32k::dib::paletteSize(headerOf(dib)) : 0;
}

DWORD WINAPI DIBHeight(const void* dib)
{
    return dib ? w32k::dib::height(headerOf(dib)) : 0;
}

DWORD WINAPI DIBWidth(const void* dib)
{
    return dib ? w32k::dib::width(headerOf(dib)) : 0;
}

LPSTR WINAPI FindDIBBits(void* dib)
{
    return dib ? atOffset(dib, w32k::dib::bitsOffset(headerOf(dib))) : nullptr;
}

LPSTR WINAPI FindDIBPalette(void* dib)
{
    return dib ? atOffset(dib, w32k::dib::paletteOffset(headerOf(dib))) : nullptr;
}

WORD WINAPI GetPaletteItemSize(const void* dib)
{
    return dib ? w32k::dib::paletteItemSize(headerOf(dib)) : 0;
}

HGLOBAL WINAPI CreateDIB(DWORD width, DWORD height, WORD bitCount)
{
    const auto layout = w32k::dib::newDibLayout(width, height, bitCount);
    if (!layout)
        return nullptr;
    auto block = w32k::GlobalBlock::allocate(layout->blockSize, GHND);
    {
        w32k::GlobalLockGuard<std::byte> bytes(block.get());
        if (!bytes)
            return nullptr; // the block is freed with its owner
        w32k::dib::writeNewDib(bytes.get(), *layout);
    }
    return block.release();
}

} // extern "C"
