// DIB queries, CreateDIB and the true-colour transform, called through the
// import library as a host calls them. (The transform's speed is in bench/.)
#include <gtest/gtest.h>

#include "frame/raii.h"
#include "support/pixels.h"
#include "w32korutil1.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr WORD kRed565 = 0xF800, kGreen565 = 0x07E0, kBlue565 = 0x001F, kRed555 = 0x7C00;

BITMAPINFOHEADER infoHeader(LONG width, LONG height, WORD bits, DWORD compression = BI_RGB,
                            DWORD imageSize = 0, DWORD coloursUsed = 0)
{
    return {sizeof(BITMAPINFOHEADER), width, height, 1, bits, compression, imageSize, 0, 0, coloursUsed, 0};
}

// A header, then whole DWORDs (table, masks, pixels), then zeros.
template <typename Header>
Bytes packed(const Header& header, std::initializer_list<DWORD> words = {}, std::size_t zeros = 0)
{
    const auto bytes = [](const auto& v) { return reinterpret_cast<const std::uint8_t*>(&v); };
    Bytes dib(bytes(header), bytes(header) + sizeof header);
    for (const DWORD& w : words)
        dib.insert(dib.end(), bytes(w), bytes(w) + 4);
    dib.resize(dib.size() + zeros);
    return dib;
}

// The bytes of a block that was left unlocked.
Bytes fromBlock(HGLOBAL block)
{
    EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 0u);
    const w32k::GlobalLockGuard<const std::uint8_t> bytes(block);
    return Bytes(bytes.get(), bytes.get() + bytes.size());
}

// A 3 x 2 pure red 24-bit source (rows of 9 bytes padded to 12), image size 24.
Bytes redSource(DWORD imageSize = 24)
{
    Bytes dib =
        packed(infoHeader(3, 2, 24, BI_RGB, imageSize), {0xFF0000, 0xFF00, 0xFF, 0xFF0000, 0xFF00, 0xFF});
    dib.resize(64, 0xAB);
    return dib;
}

// Every result's header; a 16-bit bit-field result carries the 5-6-5 masks.
void expectResultHeader(const Bytes& dib, LONG width, LONG height, WORD bits, DWORD compression,
                        DWORD imageSize)
{
    const bool masks = compression == BI_BITFIELDS && bits == 16;
    const BITMAPINFOHEADER header = infoHeader(width, height, bits, compression, imageSize);
    EXPECT_EQ(Bytes(dib.begin(), dib.begin() + (masks ? 52 : 40)),
              masks ? packed(header, {kRed565, kGreen565, kBlue565}) : packed(header));
}

// The result's bytes (empty for null); the source stays unchanged.
Bytes transform(const Bytes& source, WORD bits, DWORD compression)
{
    const w32k::GlobalBlock block = w32k::GlobalBlock::allocate(source.size());
    if (const w32k::GlobalLockGuard<std::uint8_t> bytes(block.get()); bytes)
        std::memcpy(bytes.get(), source.data(), source.size());
    const w32k::GlobalBlock result(TransformTrueColorTo16Bpp(block.get(), bits, compression));
    EXPECT_EQ(fromBlock(block.get()), source);
    return result ? fromBlock(result.get()) : Bytes{};
}

} // namespace

// A core header is never read as an info header.
TEST(DibQueries, AnswerForEveryHeaderFormAndNull)
{
    // Where an info header has its bit count (offset 14) and compression (16).
    const Bytes coreLookingLikeBitfields =
        packed(BITMAPCOREHEADER{12, 5, 6, 1, 24}, {16 << 16, BI_BITFIELDS});
    const struct { const char* name; Bytes dib; DWORD colours, palette, item, cx, cy, bits; } cases[] = {
        {"16-bit bit fields", packed(infoHeader(3, 3, 16, BI_BITFIELDS)), 0x10000, 12, 0, 3, 3, 52},
        {"8-bit core", packed(BITMAPCOREHEADER{12, 300, 200, 1, 8}), 256, 768, 3, 300, 200, 12 + 768},
        {"24-bit core ignores info fields", coreLookingLikeBitfields, 0, 0, 3, 5, 6, 12},
        {"8-bit colours used 10", packed(infoHeader(2, 2, 8, BI_RGB, 0, 10)), 10, 40, 4, 2, 2, 80},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto* dib = const_cast<std::uint8_t*>(c.dib.data());
        const auto base = reinterpret_cast<LPSTR>(dib);
        EXPECT_EQ(std::tuple(DIBNumColors(dib), DWORD(PaletteSize(dib)), DWORD(GetPaletteItemSize(dib)),
                             DIBWidth(dib), DIBHeight(dib), DWORD(FindDIBBits(dib) - base)),
                  std::tuple(c.colours, c.palette, c.item, c.cx, c.cy, c.bits));
        EXPECT_EQ(FindDIBPalette(dib) - base, c.dib[0]);
    }
    // Null gives zero. (That no query reads past the header form is fuzz_dib's.)
    EXPECT_EQ(DIBNumColors(nullptr) + DIBWidth(nullptr) + DIBHeight(nullptr), 0u);
}

// Block size 0: null, for sizes that wrap 32 bits or do not fit the header's fields.
TEST(CreateDib, RoundsTheBitCountAndSizesTheBlockWithoutOverflow)
{
    const struct { DWORD width, height; WORD requested, bits; DWORD imageSizeField, blockSize; } cases[] = {
        {10, 2, 1, 1, 0, 40 + 8 + 8}, {3, 3, 16, 16, 18, 40 + 12 + 24}, {5, 5, 32, 4, 0, 40 + 64 + 20},
        {4, 1, 0, 1, 0, 52}, {4, 1, 9, 24, 0, 52}, {0, 0, 24, 24, 0, 40},
        {0x10000, 0x10001, 24, 0, 0, 0}, // wraps to 192 KiB in 32-bit arithmetic
        {0x80000000, 1, 1, 0, 0, 0},     // negative in the header's fields
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.requested);
        const w32k::GlobalBlock block(CreateDIB(c.width, c.height, c.requested));
        ASSERT_EQ(bool(block), c.blockSize != 0);
        if (!block)
            continue;
        const Bytes dib = fromBlock(block.get());
        ASSERT_EQ(dib.size(), c.blockSize);
        expectResultHeader(dib, static_cast<LONG>(c.width), static_cast<LONG>(c.height), c.bits,
                           c.bits == 16 ? BI_BITFIELDS : BI_RGB, c.imageSizeField);
        const auto pixels = dib.begin() + (c.bits == 16 ? 52 : 40);
        EXPECT_TRUE(std::all_of(pixels, dib.end(), [](auto b) { return b == 0xFF; }));
    }
}

// Rows run in order: the zero-image-size row follows a red image of the same
// size and format, whose section the transform may keep. A 1-bit result
// carries a black and white table; a 5-6-5 source is read through its masks.
TEST(Transform, ConvertsWhatItCanAndNeverReachesPastABlockOrSection)
{
    const Bytes redGreenTable = packed(infoHeader(2, 1, 8, BI_RGB, 4, 2), {0xFF0000, 0x00FF00, 1});
    struct Pixel { std::size_t offset; WORD value, mask = 0xFFFF; };
    const std::vector<Pixel> red16{{52, kRed565}, {56, kRed565}, {60, kRed565}, {64, kRed565}};
    const struct {
        const char* name; Bytes source; WORD bits; DWORD compression; std::size_t blockSize; DWORD imageSize;
        std::vector<Pixel> pixels;
    } cases[] = {
        {"red, 5-6-5", redSource(), 16, BI_BITFIELDS, 68, 16, red16},
        {"zero image size: black", redSource(0), 16, BI_BITFIELDS, 68, 16,
         {{52, 0}, {56, 0}, {60, 0}, {64, 0}}},
        {"red, 5-5-5", redSource(), 16, BI_RGB, 56, 16, {{40, kRed555}, {44, kRed555}, {52, kRed555}}},
        {"top-down, red over blue", packed(infoHeader(1, -2, 24, BI_RGB, 8), {0xFF0000, 0xFF}), 16,
         BI_BITFIELDS, 60, 8, {{52, kRed565}, {56, kBlue565}}},
        {"colour table, 5-6-5", redGreenTable, 16, BI_BITFIELDS, 56, 4, {{52, kGreen565}, {54, kRed565}}},
        {"image size beyond the block", redSource(0x7FFFFFFF), 16, BI_BITFIELDS, 68, 16, red16},
        {"white, black to 1 bit", packed(infoHeader(2, 1, 24, BI_RGB, 8), {0xFFFFFF, 0}), 1, BI_RGB, 52, 4,
         {{40, 0}, {42, 0}, {44, 0xFFFF}, {46, 0xFF}, {48, 0x80, 0xC0}}},
        {"5-6-5 red, blue to 24 bits",
         packed(infoHeader(2, 1, 16, BI_BITFIELDS, 4),
                {kRed565, kGreen565, kBlue565, kRed565 | kBlue565 << 16}),
         24, BI_RGB, 48, 8, {{40, 0}, {42, 0xF8F8, 0xF8F8}, {44, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes dib = transform(c.source, c.bits, c.compression);
        ASSERT_EQ(dib.size(), c.blockSize);
        BITMAPINFOHEADER source;
        std::memcpy(&source, c.source.data(), sizeof source);
        expectResultHeader(dib, source.biWidth, source.biHeight, c.bits, c.compression, c.imageSize);
        for (const Pixel& p : c.pixels)
            EXPECT_EQ((dib[p.offset] | dib[p.offset + 1] << 8) & p.mask, p.value) << "at " << p.offset;
    }
}

TEST(Transform, RefusesUnsupportedTargetsAndSourcesItCannotReadWhole)
{
    for (const auto& [bits, compression] : {std::pair{8, BI_RGB}, {24, BI_BITFIELDS}})
        EXPECT_TRUE(transform(redSource(), static_cast<WORD>(bits), compression).empty()) << bits;
    // One source whose rows would wrap a 32-bit size, and a core header. (That
    // a source is only read inside its block, whatever its header says: fuzz_dib.)
    EXPECT_TRUE(transform(packed(infoHeader(0x10000, 0x10001, 24), {}, 64), 16, BI_BITFIELDS).empty());
    EXPECT_TRUE(transform(packed(BITMAPCOREHEADER{12, 3, 2, 1, 24}, {}, 52), 16, BI_BITFIELDS).empty());
}

// Every DC and section a transform makes is released again (its two kept
// sections are made anew for each new shape).
TEST(Transform, ReleasesEveryGdiObjectItMakes)
{
    const Bytes wide = redSource(), tall = packed(infoHeader(2, 3, 24, BI_RGB, 24), {}, 24);
    ASSERT_FALSE(transform(wide, 16, BI_BITFIELDS).empty());
    const DWORD objects = w32ktest::gdiObjectCount();
    for (int i = 0; i < 20; ++i) {
        EXPECT_FALSE(transform(i % 2 ? wide : tall, 16, i % 3 ? BI_BITFIELDS : BI_RGB).empty());
        EXPECT_TRUE(transform(wide, 8, BI_RGB).empty());
    }
    EXPECT_EQ(w32ktest::gdiObjectCount(), objects);
}
