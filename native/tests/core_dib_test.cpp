// DIB header arithmetic under the sanitizers: headers that lie about every
// size, read from blocks of exactly the bytes they really have.
#include <gtest/gtest.h>

#include "bitmaps/dib_core.h"

#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace dib = w32k::dib;

namespace {

using Bytes = std::vector<std::byte>;

// Little-endian field of `width` bytes.
void put(Bytes& b, std::size_t at, std::uint32_t v, int width = 4)
{
    for (int i = 0; i < width; ++i)
        b[at + i] = static_cast<std::byte>(v >> (8 * i));
}

struct Info {
    std::uint32_t size = dib::kInfoHeaderSize;
    std::int32_t width = 4, height = 4;
    std::uint16_t bits = 24;
    std::uint32_t compression = dib::kRgb, image = 0, used = 0;
};

Bytes header(const Info& h, std::size_t blockSize = dib::kInfoHeaderSize)
{
    Bytes b(blockSize);
    put(b, dib::kSizeOffset, h.size);
    put(b, dib::kWidthOffset, static_cast<std::uint32_t>(h.width));
    put(b, dib::kHeightOffset, static_cast<std::uint32_t>(h.height));
    put(b, dib::kPlanesOffset, 1, 2);
    put(b, dib::kBitCountOffset, h.bits, 2);
    put(b, dib::kCompressionOffset, h.compression);
    put(b, dib::kImageSizeOffset, h.image);
    put(b, dib::kColoursUsedOffset, h.used);
    return b;
}

// The header in a heap block of exactly its bytes.
std::unique_ptr<std::byte[]> exactBlock(const Bytes& b)
{
    auto block = std::make_unique<std::byte[]>(b.size());
    std::memcpy(block.get(), b.data(), b.size());
    return block;
}

TEST(DibHeaderQueries, LyingFieldsGiveBoundedAnswers)
{
    const struct {
        const char* name; Info info; std::uint32_t colours; std::uint16_t paletteBytes; std::uint64_t bitsOffset;
    } cases[] = {
        {"colours used beyond 32 bits of table", {.bits = 8, .used = 0xFFFFFFFF}, 0xFFFFFFFF, 0, 40},
        {"colours used 256 on 1 bit", {.bits = 1, .used = 256}, 256, 1024, 40 + 1024},
        {"colours used 257", {.bits = 8, .used = 257}, 257, 0, 40},
        {"header size 4 GiB", {.size = 0xFFFFFFFF, .bits = 24}, 0, 0, 0xFFFFFFFF},
        {"bit fields of 8 bits", {.bits = 8, .compression = dib::kBitfields}, 256, 1024, 1064},
        {"bit count 0xFFFF", {.bits = 0xFFFF}, 0, 0, 40},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto block = exactBlock(header(c.info));
        EXPECT_EQ(dib::numColours(block.get()), c.colours);
        EXPECT_EQ(dib::paletteSize(block.get()), c.paletteBytes);
        EXPECT_EQ(dib::bitsOffset(block.get()), c.bitsOffset);
    }
}

TEST(DibHeaderQueries, ACoreHeaderIsReadInItsTwelveBytes)
{
    for (const std::uint32_t size : {0u, 12u, 39u}) {
        Bytes b(dib::kCoreHeaderSize);
        put(b, dib::kSizeOffset, size);
        put(b, dib::kWidthOffset, 0xFFFF, 2);
        put(b, dib::kCoreHeightOffset, 3, 2);
        put(b, dib::kCoreBitCountOffset, 4, 2);
        const auto block = exactBlock(b);
        EXPECT_FALSE(dib::isInfoHeader(block.get()));
        EXPECT_EQ(dib::width(block.get()), 0xFFFFu);
        EXPECT_EQ(dib::height(block.get()), 3u);
        EXPECT_EQ(dib::paletteSize(block.get()), 16 * dib::kCoreEntrySize);
        EXPECT_EQ(dib::paletteItemSize(block.get()), dib::kCoreEntrySize);
    }
}

TEST(DibSource, PartsBeyondTheBlockAreRefused)
{
    const struct {
        const char* name; Info info; std::size_t blockSize; bool accepted; std::uint32_t bitsOffset, bytesToCopy;
    } cases[] = {
        {"image size beyond the block", {.image = 0xFFFFFFFF}, 40 + 48, true, 40, 48},
        {"exact table", {.bits = 8, .image = 16}, 40 + 1024, true, 1064, 0},
        {"table one byte short", {.bits = 8}, 40 + 1023, false, 0, 0},
        {"masks beyond the block", {.bits = 16, .compression = dib::kBitfields}, 51, false, 0, 0},
        {"header size beyond the block", {.size = 41}, 40, false, 0, 0},
        {"header size 4 GiB", {.size = 0xFFFFFFFF}, 64, false, 0, 0},
        {"core header", {.size = 12}, 64, false, 0, 0},
        {"lowest height", {.height = std::numeric_limits<std::int32_t>::min()}, 64, false, 0, 0},
        {"negative width", {.width = -1}, 64, false, 0, 0},
        {"top-down", {.height = -4, .image = 8}, 48, true, 40, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto block = exactBlock(header(c.info, c.blockSize));
        const auto source = dib::readSource(block.get(), c.blockSize);
        ASSERT_EQ(source.has_value(), c.accepted);
        if (source) {
            EXPECT_EQ(source->bitsOffset, c.bitsOffset);
            EXPECT_EQ(source->bytesToCopy, c.bytesToCopy);
        }
    }
    EXPECT_FALSE(dib::readSource(nullptr, 100));
    const auto shortBlock = exactBlock(Bytes(39));
    EXPECT_FALSE(dib::readSource(shortBlock.get(), 39));
}

// (The overflowing sizes a host can pass are refused in test_bitmaps.)
TEST(DibLayout, SizesBeyondThirtyTwoBitsHaveNoLayout)
{
    EXPECT_FALSE(dib::targetLayout(0x10000, -0x10001, 16, dib::kRgb));
    EXPECT_FALSE(dib::newDibLayout(0x7FFFFFFF, 2, 8)); // two rows of 2 GiB
    const auto fits = dib::newDibLayout(0x3FFFFF00u, 1, 8);
    ASSERT_TRUE(fits);
    EXPECT_EQ(fits->blockSize, 40u + 1024u + 0x3FFFFF00u);
}

TEST(DibLayout, ANewDibIsWrittenWithinItsBlock)
{
    for (const std::uint16_t bits : {0, 1, 3, 8, 16, 17, 24, 32}) {
        const auto layout = dib::newDibLayout(7, 3, bits);
        ASSERT_TRUE(layout);
        auto block = std::make_unique<std::byte[]>(layout->blockSize);
        dib::writeNewDib(block.get(), *layout);
        EXPECT_LE(dib::bitsOffset(block.get()) + dib::rowBytes(7, layout->bitCount) * 3, layout->blockSize) << bits;
    }
}

} // namespace
