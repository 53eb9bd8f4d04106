// Fuzz target: the DIB header queries and the layout of a transform's
// source. The input is the header (or the whole packed DIB); it is copied
// into a block of exactly its size, so a query reading past what the header
// form needs is caught by AddressSanitizer. The queries get a header of the
// form it names (a caller holds at least 12 bytes of a core header, 40 of an
// info header); the source reader gets any block.
#include "bitmaps/dib_core.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

void queryHeader(const std::byte* header, std::size_t size)
{
    using namespace w32k::dib;
    if (size < kCoreHeaderSize || (isInfoHeader(header) && size < kInfoHeaderSize))
        return;
    const std::uint32_t colours = numColours(header);
    const std::uint16_t itemSize = paletteItemSize(header);
    const std::uint16_t table = paletteSize(header);
    width(header);
    height(header);
    // The colour table named by the queries is the one they measure.
    if (itemSize != 0 && colours <= kMaxTableColours && table < colours * itemSize)
        std::abort();
    if (bitsOffset(header) != paletteOffset(header) + table)
        std::abort();
}

void readAsSource(const std::byte* block, std::size_t size)
{
    using namespace w32k::dib;
    const auto source = readSource(block, size);
    if (!source)
        return;
    // The parts it names lie inside the block.
    if (source->bitsOffset > size || source->bytesToCopy > size - source->bitsOffset ||
        source->width <= 0 || source->height == 0)
        std::abort();
    for (const std::uint16_t bits : {std::uint16_t{1}, std::uint16_t{16}, std::uint16_t{24}}) {
        for (const std::uint32_t compression : {kRgb, kBitfields}) {
            const auto target = targetLayout(source->width, source->height, bits, compression);
            if (target && (target->blockSize < target->bitsOffset() ||
                           target->blockSize - target->bitsOffset() != target->imageSize))
                std::abort();
        }
    }
}

// A new DIB of small dimensions taken from the input, written into its block.
void makeNewDib(const std::uint8_t* data, std::size_t size)
{
    using namespace w32k::dib;
    if (size < 4)
        return;
    const auto layout = newDibLayout(data[0] % 64, data[1] % 64,
                                     static_cast<std::uint16_t>(data[2] | data[3] << 8));
    if (!layout)
        std::abort(); // every small size has a layout
    std::vector<std::byte> block(layout->blockSize);
    writeNewDib(block.data(), *layout);
    if (bitsOffset(block.data()) > block.size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto block = std::make_unique<std::byte[]>(size);
    std::memcpy(block.get(), data, size);
    queryHeader(block.get(), size);
    readAsSource(block.get(), size);
    makeNewDib(data, size);
    return 0;
}
