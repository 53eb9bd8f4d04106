// Header arithmetic of packed device-independent bitmaps (header, colour
// table or colour masks, pixel bits in one block), free of any platform
// header. The Win32 layer in dib.cpp and transform.cpp reads and writes
// blocks through these functions only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace w32k::dib {

// The header fields, by offset. An info header is 40 bytes; the larger
// versioned headers share its first 40 bytes. A core header is 12 bytes.
inline constexpr std::uint32_t kInfoHeaderSize = 40;
inline constexpr std::uint32_t kCoreHeaderSize = 12;
inline constexpr std::size_t kSizeOffset = 0;
inline constexpr std::size_t kWidthOffset = 4;
inline constexpr std::size_t kCoreHeightOffset = 6;
inline constexpr std::size_t kHeightOffset = 8;
inline constexpr std::size_t kCoreBitCountOffset = 10;
inline constexpr std::size_t kPlanesOffset = 12;
inline constexpr std::size_t kBitCountOffset = 14;
inline constexpr std::size_t kCompressionOffset = 16;
inline constexpr std::size_t kImageSizeOffset = 20;
inline constexpr std::size_t kColoursUsedOffset = 32;

// Compression values.
inline constexpr std::uint32_t kRgb = 0;       // BI_RGB
inline constexpr std::uint32_t kBitfields = 3; // BI_BITFIELDS

// Colour-table entries: RGBQUAD after an info header, RGBTRIPLE after a core one.
inline constexpr std::uint16_t kInfoEntrySize = 4;
inline constexpr std::uint16_t kCoreEntrySize = 3;
// Three 32-bit masks of a bit-field DIB, and the 5-6-5 ones the library writes.
inline constexpr std::uint32_t kMaskBytes = 12;
inline constexpr std::uint32_t kRedMask565 = 0xF800;
inline constexpr std::uint32_t kGreenMask565 = 0x07E0;
inline constexpr std::uint32_t kBlueMask565 = 0x001F;
// Largest colour count that has a colour table in the queries' reckoning.
inline constexpr std::uint32_t kMaxTableColours = 256;
// Byte a new DIB is filled with before its header is written.
inline constexpr std::byte kNewDibFill{0xFF};

// ---- Queries on a header (the exported DIB queries) -----------------------

// True when the header is read in the info form (size 40 or larger);
// every other size is read as a core header.
bool isInfoHeader(const std::byte* header) noexcept;
// Colours-used field of an info header when nonzero, otherwise by bit count:
// 1 -> 2, 4 -> 16, 8 -> 256, 16 -> 65536, anything else 0.
std::uint32_t numColours(const std::byte* header) noexcept;
// Bytes of the colour table (counts up to 256 only) plus the 12 mask bytes
// of a 16- or 32-bit bit-field DIB with a 40-byte header.
std::uint16_t paletteSize(const std::byte* header) noexcept;
// Size of one colour-table entry: 0 above 256 colours, else 4 or 3.
std::uint16_t paletteItemSize(const std::byte* header) noexcept;
// Width and height: the 32-bit fields of an info header, the 16-bit fields
// of a core header widened with zeros.
std::uint32_t width(const std::byte* header) noexcept;
std::uint32_t height(const std::byte* header) noexcept;
// Offsets from the header of the colour table and of the pixel bits.
std::uint64_t paletteOffset(const std::byte* header) noexcept;
std::uint64_t bitsOffset(const std::byte* header) noexcept;

// ---- A new packed DIB (CreateDIB) -----------------------------------------

struct NewDib {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t imageSizeField = 0; // width x height x 2 for 16 bits, else 0
    std::uint32_t tableBytes = 0;     // colour table, or masks for 16 bits
    std::uint32_t blockSize = 0;
};

// Rounds a requested bit count to a supported one: <=1 -> 1, 2..4 -> 4,
// 5..8 -> 8, 16 -> 16, 9..15 and 17..24 -> 24, above 24 -> 4.
std::uint16_t supportedBitCount(std::uint16_t requested) noexcept;
// Layout of a new DIB; empty when a dimension does not fit the header's
// signed field or the block would not fit in 32 bits.
std::optional<NewDib> newDibLayout(std::uint32_t width, std::uint32_t height,
                                   std::uint16_t requestedBitCount) noexcept;
// Fills a block of layout.blockSize bytes: 0xFF everywhere, then the header
// and, for 16 bits, the 5-6-5 masks.
void writeNewDib(std::byte* block, const NewDib& layout) noexcept;

// ---- The true-colour transform --------------------------------------------

// Where a source packed DIB keeps its parts, checked against its block.
struct SourceDib {
    std::int32_t width = 0;
    std::int32_t height = 0;          // negative for a top-down image
    std::uint32_t bitsOffset = 0;     // header, masks and colour table lie before it
    std::uint32_t bytesToCopy = 0;    // image-size field, cut to what the block holds
};

// Reads a source of blockSize bytes: an info header (40 bytes or larger)
// whose header, masks and colour table lie inside the block, with a positive
// width and a nonzero height. Colours: the colours-used field when nonzero,
// else 2^bits up to 8 bits and none above.
std::optional<SourceDib> readSource(const std::byte* block, std::size_t blockSize) noexcept;

struct TargetDib {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t tableBytes = 0; // masks (16-bit bit fields) or black/white table (1 bit)
    std::uint32_t imageSize = 0;  // padded rows x |height|
    std::uint32_t blockSize = 0;  // header + table + image
    std::uint32_t bitsOffset() const noexcept { return kInfoHeaderSize + tableBytes; }
};

// Layout of the result for a source of width x height: 1 bit (BI_RGB),
// 16 bits (BI_RGB 5-5-5 or BI_BITFIELDS 5-6-5) or 24 bits (BI_RGB); empty for
// any other combination or when the block would not fit in 32 bits.
std::optional<TargetDib> targetLayout(std::int32_t width, std::int32_t height,
                                      std::uint16_t bitCount, std::uint32_t compression) noexcept;
// Writes the header and the masks or colour table in front of the bits.
void writeTargetHeader(std::byte* block, const TargetDib& layout) noexcept;

// Bytes of one row padded to whole 32-bit words.
std::uint64_t rowBytes(std::uint64_t width, std::uint16_t bitCount) noexcept;

} // namespace w32k::dib
