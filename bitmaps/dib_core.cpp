#include "bitmaps/dib_core.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace w32k::dib {

namespace {

constexpr std::uint64_t kMaxBlock = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint16_t kPlanes = 1;
constexpr std::uint32_t kMaxPaletteBits = 8;
constexpr std::uint32_t kDirectColourBits16 = 16;
constexpr std::uint32_t kDirectColourBits32 = 32;
// The two entries (blue, green, red, reserved) of a 1-bit result: black, white.
constexpr std::byte kBlackWhiteTable[8] = {std::byte{0x00}, std::byte{0x00}, std::byte{0x00},
                                           std::byte{0x00}, std::byte{0xFF}, std::byte{0xFF},
                                           std::byte{0xFF}, std::byte{0x00}};

std::uint16_t readU16(const std::byte* p, std::size_t offset) noexcept
{
    return static_cast<std::uint16_t>(std::to_integer<unsigned>(p[offset]) |
                                      std::to_integer<unsigned>(p[offset + 1]) << 8);
}

std::uint32_t readU32(const std::byte* p, std::size_t offset) noexcept
{
    return static_cast<std::uint32_t>(readU16(p, offset)) |
           static_cast<std::uint32_t>(readU16(p, offset + 2)) << 16;
}

std::int32_t readI32(const std::byte* p, std::size_t offset) noexcept
{
    return static_cast<std::int32_t>(readU32(p, offset));
}

void writeU16(std::byte* p, std::size_t offset, std::uint16_t value) noexcept
{
    p[offset] = static_cast<std::byte>(value & 0xFF);
    p[offset + 1] = static_cast<std::byte>(value >> 8);
}

void writeU32(std::byte* p, std::size_t offset, std::uint32_t value) noexcept
{
    writeU16(p, offset, static_cast<std::uint16_t>(value & 0xFFFF));
    writeU16(p, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

// The 40-byte info header of a new DIB; the fields not named stay zero.
void writeInfoHeader(std::byte* block, std::int32_t width, std::int32_t height,
                     std::uint16_t bitCount, std::uint32_t compression,
                     std::uint32_t imageSize) noexcept
{
    std::memset(block, 0, kInfoHeaderSize);
    writeU32(block, kSizeOffset, kInfoHeaderSize);
    writeU32(block, kWidthOffset, static_cast<std::uint32_t>(width));
    writeU32(block, kHeightOffset, static_cast<std::uint32_t>(height));
    writeU16(block, kPlanesOffset, kPlanes);
    writeU16(block, kBitCountOffset, bitCount);
    writeU32(block, kCompressionOffset, compression);
    writeU32(block, kImageSizeOffset, imageSize);
}

void write565Masks(std::byte* at) noexcept
{
    writeU32(at, 0, kRedMask565);
    writeU32(at, 4, kGreenMask565);
    writeU32(at, 8, kBlueMask565);
}

std::uint16_t bitCountOf(const std::byte* header) noexcept
{
    return readU16(header, isInfoHeader(header) ? kBitCountOffset : kCoreBitCountOffset);
}

// Masks stand behind the header only in a 40-byte header of a 16- or 32-bit
// bit-field DIB; larger headers hold them in their own fields, core headers
// have no compression.
bool hasMasksBehindHeader(const std::byte* header) noexcept
{
    if (readU32(header, kSizeOffset) != kInfoHeaderSize ||
        readU32(header, kCompressionOffset) != kBitfields)
        return false;
    const std::uint16_t bits = readU16(header, kBitCountOffset);
    return bits == kDirectColourBits16 || bits == kDirectColourBits32;
}

std::uint64_t magnitude(std::int32_t value) noexcept
{
    return static_cast<std::uint64_t>(value < 0 ? -std::int64_t{value} : std::int64_t{value});
}

} // namespace

bool isInfoHeader(const std::byte* header) noexcept
{
    return readU32(header, kSizeOffset) >= kInfoHeaderSize;
}

std::uint32_t numColours(const std::byte* header) noexcept
{
    if (isInfoHeader(header)) {
        const std::uint32_t used = readU32(header, kColoursUsedOffset);
        if (used != 0)
            return used;
    }
    switch (bitCountOf(header)) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    case 16: return 0x10000;
    default: return 0;
    }
}

std::uint16_t paletteItemSize(const std::byte* header) noexcept
{
    if (numColours(header) > kMaxTableColours)
        return 0;
    return isInfoHeader(header) ? kInfoEntrySize : kCoreEntrySize;
}

std::uint16_t paletteSize(const std::byte* header) noexcept
{
    const std::uint32_t colours = numColours(header);
    const std::uint32_t table = colours > kMaxTableColours ? 0 : colours * paletteItemSize(header);
    const std::uint32_t masks = hasMasksBehindHeader(header) ? kMaskBytes : 0;
    return static_cast<std::uint16_t>(table + masks);
}

std::uint32_t width(const std::byte* header) noexcept
{
    return isInfoHeader(header) ? readU32(header, kWidthOffset) : readU16(header, kWidthOffset);
}

std::uint32_t height(const std::byte* header) noexcept
{
    return isInfoHeader(header) ? readU32(header, kHeightOffset)
                                : readU16(header, kCoreHeightOffset);
}

std::uint64_t paletteOffset(const std::byte* header) noexcept
{
    return readU32(header, kSizeOffset);
}

std::uint64_t bitsOffset(const std::byte* header) noexcept
{
    return paletteOffset(header) + paletteSize(header);
}

std::uint64_t rowBytes(std::uint64_t width, std::uint16_t bitCount) noexcept
{
    return (width * bitCount + 31) / 32 * 4;
}

std::uint16_t supportedBitCount(std::uint16_t requested) noexcept
{
    if (requested <= 1)
        return 1;
    if (requested <= 4)
        return 4;
    if (requested <= 8)
        return 8;
    if (requested == 16)
        return 16;
    if (requested <= 24)
        return 24;
    return 4;
}

std::optional<NewDib> newDibLayout(std::uint32_t width, std::uint32_t height,
                                   std::uint16_t requestedBitCount) noexcept
{
    constexpr std::uint32_t kMaxDimension = std::numeric_limits<std::int32_t>::max();
    if (width > kMaxDimension || height > kMaxDimension)
        return std::nullopt;
    NewDib dib;
    dib.width = static_cast<std::int32_t>(width);
    dib.height = static_cast<std::int32_t>(height);
    dib.bitCount = supportedBitCount(requestedBitCount);
    if (dib.bitCount == kDirectColourBits16) {
        dib.compression = kBitfields;
        dib.tableBytes = kMaskBytes;
    } else if (dib.bitCount <= kMaxPaletteBits) {
        dib.tableBytes = (1u << dib.bitCount) * kInfoEntrySize;
    }
    const std::uint64_t image = rowBytes(width, dib.bitCount) * height;
    const std::uint64_t block = kInfoHeaderSize + dib.tableBytes + image;
    if (block > kMaxBlock)
        return std::nullopt;
    dib.blockSize = static_cast<std::uint32_t>(block);
    if (dib.bitCount == kDirectColourBits16)
        dib.imageSizeField = width * height * 2; // never above the block size
    return dib;
}

void writeNewDib(std::byte* block, const NewDib& layout) noexcept
{
    std::memset(block, std::to_integer<int>(kNewDibFill), layout.blockSize);
    writeInfoHeader(block, layout.width, layout.height, layout.bitCount, layout.compression,
                    layout.imageSizeField);
    if (layout.compression == kBitfields)
        write565Masks(block + kInfoHeaderSize);
}

std::optional<SourceDib> readSource(const std::byte* block, std::size_t blockSize) noexcept
{
    if (!block || blockSize < kInfoHeaderSize)
        return std::nullopt;
    const std::uint32_t headerSize = readU32(block, kSizeOffset);
    SourceDib source;
    source.width = readI32(block, kWidthOffset);
    source.height = readI32(block, kHeightOffset);
    if (headerSize < kInfoHeaderSize || headerSize > blockSize || source.width <= 0 ||
        source.height == 0 || source.height == std::numeric_limits<std::int32_t>::min())
        return std::nullopt;

    const std::uint16_t bits = readU16(block, kBitCountOffset);
    const std::uint32_t used = readU32(block, kColoursUsedOffset);
    const std::uint64_t colours =
        used != 0 ? used : (bits <= kMaxPaletteBits ? std::uint64_t{1} << bits : 0);
    const bool masks = headerSize == kInfoHeaderSize &&
                       readU32(block, kCompressionOffset) == kBitfields;
    const std::uint64_t offset =
        std::uint64_t{headerSize} + (masks ? kMaskBytes : 0) + colours * kInfoEntrySize;
    if (offset > blockSize)
        return std::nullopt;
    source.bitsOffset = static_cast<std::uint32_t>(offset);
    source.bytesToCopy = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(readU32(block, kImageSizeOffset), blockSize - offset));
    return source;
}

std::optional<TargetDib> targetLayout(std::int32_t width, std::int32_t height,
                                      std::uint16_t bitCount, std::uint32_t compression) noexcept
{
    if (width <= 0 || height == 0 || height == std::numeric_limits<std::int32_t>::min())
        return std::nullopt;
    TargetDib target;
    if (bitCount == 1 && compression == kRgb)
        target.tableBytes = sizeof kBlackWhiteTable;
    else if (bitCount == kDirectColourBits16 && compression == kBitfields)
        target.tableBytes = kMaskBytes;
    else if (!((bitCount == kDirectColourBits16 || bitCount == 24) && compression == kRgb))
        return std::nullopt;

    const std::uint64_t image = rowBytes(static_cast<std::uint32_t>(width), bitCount) *
                                magnitude(height);
    const std::uint64_t block = kInfoHeaderSize + target.tableBytes + image;
    if (block > kMaxBlock)
        return std::nullopt;
    target.width = width;
    target.height = height;
    target.bitCount = bitCount;
    target.compression = compression;
    target.imageSize = static_cast<std::uint32_t>(image);
    target.blockSize = static_cast<std::uint32_t>(block);
    return target;
}

void writeTargetHeader(std::byte* block, const TargetDib& layout) noexcept
{
    writeInfoHeader(block, layout.width, layout.height, layout.bitCount, layout.compression,
                    layout.imageSize);
    std::byte* table = block + kInfoHeaderSize;
    if (layout.compression == kBitfields)
        write565Masks(table);
    else if (layout.tableBytes == sizeof kBlackWhiteTable)
        std::memcpy(table, kBlackWhiteTable, sizeof kBlackWhiteTable);
}

} // namespace w32k::dib
