// Generator of resources/tag_tree.bmp, bitmap 1201 of the library: the three
// 22 x 17 cells of the tag tree (closed group, opened group, tag) side by side
// in a 68 x 17, 4-bit bottom-up DIB with the standard 16-colour palette. Blue
// (index 12) is the background that the tree list replaces with the window
// colour. The picture is drawn below, one character per pixel.
//
// The native build compiles it, and its test checks that the committed
// bitmap is exactly what it writes. After changing the picture:
//   build/native/tag_tree_bitmap resources/tag_tree.bmp
#include <array>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

namespace {

constexpr int kCellWidth = 22;
constexpr int kHeight = 17;
constexpr int kCells = 3;
constexpr int kWidth = 68; // two spare columns at the right belong to no cell
constexpr int kBackground = 12;

// The standard 16-colour palette, as red, green, blue.
constexpr std::array<std::array<std::uint8_t, 3>, 16> kPalette = {{
    {0x00, 0x00, 0x00}, {0x80, 0x00, 0x00}, {0x00, 0x80, 0x00}, {0x80, 0x80, 0x00},
    {0x00, 0x00, 0x80}, {0x80, 0x00, 0x80}, {0x00, 0x80, 0x80}, {0xC0, 0xC0, 0xC0},
    {0x80, 0x80, 0x80}, {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00}, {0xFF, 0xFF, 0x00},
    {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0xFF}, {0x00, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF},
}};

// Palette index of a picture character.
int colourOf(char c)
{
    switch (c) {
    case 'k': return 0;  // black outline
    case 'o': return 3;  // dark yellow shade
    case 'd': return 2;  // dark green display
    case 's': return 7;  // light grey
    case 'g': return 8;  // dark grey
    case 'G': return 10; // green display text
    case 'y': return 11; // yellow
    case 'r': return 9;  // red lamp
    case 'w': return 15; // white highlight
    default: return kBackground; // '.'
    }
}

// The cells, top row first: one character per pixel, every row as wide as a
// cell (checked below).
using Picture = std::array<std::string_view, kHeight>;
constexpr Picture kClosedGroup = {
    "......................",
    "......................",
    ".kkkkkkkkkkkkkkkkkkk..",
    ".kwyyyyyyyyyyyyyyyyko.",
    ".kyyyyyyyyyyyyyyyyyko.",
    ".kkkkkkkkkkkkkkkkkkko.",
    ".kwyyyyyyyyyyyyyyyyko.",
    ".kyyyyyyyyyyyyyyyyyko.",
    ".kkkkkkkkkkkkkkkkkkko.",
    ".kwyyyyyyyyyyyyyyyyko.",
    ".kyyyyyyyyyyyyyyyyyko.",
    ".kkkkkkkkkkkkkkkkkkko.",
    ".kwyyyyyyyyyyyyyyyyko.",
    ".kyyyyyyyyyyyyyyyyyko.",
    ".kkkkkkkkkkkkkkkkkkko.",
    "..ooooooooooooooooooo.",
    "......................",
};
constexpr Picture kOpenedGroup = {
    "...kkkkkkkkkkkkkkkkkkk",
    "...kwyyyyyyyyyyyyyyyyk",
    "...kyyyyyyyyyyyyyyyyyk",
    "...kkkkkkkkkkkkkkkkkkk",
    "......................",
    ".kkkkkkkkkkkkkkkkkkk..",
    ".kwyyyyyyyyyyyyyyyyko.",
    ".kyyyyyyyyyyyyyyyyyko.",
    ".kkkkkkkkkkkkkkkkkkko.",
    ".kwyyyyyyyyyyyyyyyyko.",
    ".kyyyyyyyyyyyyyyyyyko.",
    ".kkkkkkkkkkkkkkkkkkko.",
    ".kwyyyyyyyyyyyyyyyyko.",
    ".kyyyyyyyyyyyyyyyyyko.",
    ".kkkkkkkkkkkkkkkkkkko.",
    "..ooooooooooooooooooo.",
    "......................",
};
constexpr Picture kTag = {
    "......................",
    "....kkkkkkkkkkkkkkkkk.",
    "...kwwwwwwwwwwwwwwwgk.",
    "..kssssssssssssssssgk.",
    ".kkkkkkkkkkkkkkkkkkgk.",
    ".kyyyyyyyyyyyyyyyykgk.",
    ".kyykkkkkkkkkkkkyykgk.",
    ".kyykddddddddddkyykgk.",
    ".kyykdGGdGGdGGdkyykgk.",
    ".kyykddddddddddkyykgk.",
    ".kyykkkkkkkkkkkkyykgk.",
    ".kyyyyyyyyyyyyyyyykgk.",
    ".kyggyggyggyyyrryykgk.",
    ".kyyyyyyyyyyyyyyyykk..",
    ".kkkkkkkkkkkkkkkkkk...",
    "......................",
    "......................",
};

constexpr bool fitsCell(const Picture& picture)
{
    for (std::string_view row : picture)
        if (row.size() != kCellWidth)
            return false;
    return true;
}
static_assert(fitsCell(kClosedGroup) && fitsCell(kOpenedGroup) && fitsCell(kTag));

int pixel(int x, int y)
{
    const int cell = x / kCellWidth;
    if (cell >= kCells)
        return kBackground;
    const auto& art = cell == 0 ? kClosedGroup : cell == 1 ? kOpenedGroup : kTag;
    return colourOf(art[static_cast<std::size_t>(y)][static_cast<std::size_t>(x % kCellWidth)]);
}

void put16(std::vector<std::uint8_t>& out, unsigned value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(std::vector<std::uint8_t>& out, unsigned value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

std::vector<std::uint8_t> bitmapFile()
{
    constexpr unsigned kStride = ((kWidth * 4 + 31) / 32) * 4;
    constexpr unsigned kBits = kStride * kHeight;
    constexpr unsigned kOffset = 14 + 40 + 16 * 4;
    std::vector<std::uint8_t> out;
    // File header.
    out.push_back('B');
    out.push_back('M');
    put32(out, kOffset + kBits);
    put32(out, 0);
    put32(out, kOffset);
    // Info header: bottom-up, 4 bits, uncompressed, all 16 colours.
    put32(out, 40);
    put32(out, kWidth);
    put32(out, kHeight);
    put16(out, 1);
    put16(out, 4);
    put32(out, 0);
    put32(out, kBits);
    put32(out, 0);
    put32(out, 0);
    put32(out, 16);
    put32(out, 0);
    for (const auto& rgb : kPalette) {
        out.push_back(rgb[2]);
        out.push_back(rgb[1]);
        out.push_back(rgb[0]);
        out.push_back(0);
    }
    for (int y = kHeight - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(kStride, 0);
        for (int x = 0; x < kWidth; ++x)
            row[static_cast<std::size_t>(x / 2)] |=
                static_cast<std::uint8_t>(x % 2 == 0 ? pixel(x, y) << 4 : pixel(x, y));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s output.bmp\n", argv[0]);
        return 2;
    }
    const auto bytes = bitmapFile();
    std::FILE* file = std::fopen(argv[1], "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        std::perror(argv[1]);
        return 1;
    }
    return std::fclose(file) == 0 ? 0 : 1;
}
