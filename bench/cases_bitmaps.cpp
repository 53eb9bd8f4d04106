// TransformTrueColorTo16Bpp on a screen-sized image against a bare BitBlt
// between the same two kinds of section plus the two copies.
#include "bench.h"

#include <windows.h>

#include "w32korutil1.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace w32kbench {

namespace {

// The bit fields of a 5-6-5 16-bit image.
constexpr DWORD kRedMask565 = 0xF800, kGreenMask565 = 0x07E0, kBlueMask565 = 0x001F;
constexpr int kProbeX = 8;
constexpr WORD kProbe565 = (32 >> 3) << 11 | (16 >> 3);

BITMAPINFOHEADER infoHeader(LONG width, LONG height, WORD bits, DWORD compression, DWORD imageBytes)
{
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biCompression = compression;
    header.biSizeImage = imageBytes;
    return header;
}

// A 16-bit 5-6-5 header followed by its three masks.
struct Info565 {
    BITMAPINFOHEADER header;
    DWORD masks[3];
};

DWORD rowBytes(int width, int bits)
{
    return static_cast<DWORD>((width * bits + 31) / 32 * 4);
}

// A packed 24-bit DIB of a colour gradient, in a host block.
HGLOBAL gradientDib(int width, int height)
{
    const DWORD stride = rowBytes(width, 24);
    const BITMAPINFOHEADER header = infoHeader(width, height, 24, BI_RGB, stride * height);
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof header + stride * height);
    auto* bytes = static_cast<std::uint8_t*>(GlobalLock(block));
    std::memcpy(bytes, &header, sizeof header);
    std::uint8_t* bits = bytes + sizeof header;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = bits + y * stride + x * 3;
            pixel[0] = static_cast<std::uint8_t>((x + y) * 2);
            pixel[1] = static_cast<std::uint8_t>(y * 5);
            pixel[2] = static_cast<std::uint8_t>(x * 4);
        }
    GlobalUnlock(block);
    return block;
}

// Two DIB sections selected into memory DCs: copy the bits in, one BitBlt,
// copy the result out into a new block of the packed result's size.
class BareBlit {
public:
    BareBlit(const BITMAPINFO* from, const BITMAPINFO* to)
        : sourceDC_(CreateCompatibleDC(nullptr)), targetDC_(CreateCompatibleDC(nullptr)),
          source_(CreateDIBSection(sourceDC_, from, DIB_RGB_COLORS, &sourceBits_, nullptr, 0)),
          target_(CreateDIBSection(targetDC_, to, DIB_RGB_COLORS, &targetBits_, nullptr, 0)),
          oldSource_(SelectObject(sourceDC_, source_)), oldTarget_(SelectObject(targetDC_, target_))
    {
    }
    ~BareBlit()
    {
        SelectObject(sourceDC_, oldSource_);
        SelectObject(targetDC_, oldTarget_);
        DeleteObject(source_);
        DeleteObject(target_);
        DeleteDC(sourceDC_);
        DeleteDC(targetDC_);
    }
    BareBlit(const BareBlit&) = delete;
    BareBlit& operator=(const BareBlit&) = delete;

    bool ready() const { return sourceBits_ && targetBits_; }

    void run(HGLOBAL sourceDib, std::size_t sourceBytes, std::size_t resultHeader, std::size_t resultBytes,
             int width, int height) const
    {
        const HGLOBAL result = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, resultHeader + resultBytes);
        const auto* bits = static_cast<const std::uint8_t*>(GlobalLock(sourceDib)) + sizeof(BITMAPINFOHEADER);
        std::memcpy(sourceBits_, bits, sourceBytes);
        BitBlt(targetDC_, 0, 0, width, height, sourceDC_, 0, 0, SRCCOPY);
        GdiFlush();
        std::memcpy(static_cast<std::uint8_t*>(GlobalLock(result)) + resultHeader, targetBits_, resultBytes);
        GlobalUnlock(result);
        GlobalUnlock(sourceDib);
        GlobalFree(result);
    }

private:
    HDC sourceDC_, targetDC_;
    void *sourceBits_ = nullptr, *targetBits_ = nullptr;
    HBITMAP source_, target_;
    HGDIOBJ oldSource_, oldTarget_;
};

// The transform's result is a 5-6-5 image of the source's size; pixel 8 of
// the first row (red 32, green 0, blue 16) reads 0x2002.
bool resultRight(HGLOBAL result, int width, int height)
{
    if (!result || GlobalSize(result) < sizeof(Info565) + rowBytes(width, 16) * height)
        return false;
    const auto* info = static_cast<const Info565*>(GlobalLock(result));
    const WORD pixel = reinterpret_cast<const WORD*>(info + 1)[kProbeX];
    const bool right = info->header.biWidth == width && info->header.biHeight == height &&
                       info->header.biBitCount == 16 && info->masks[0] == kRedMask565 && pixel == kProbe565;
    GlobalUnlock(result);
    return right;
}

} // namespace

void runBitmapCases(Bench& bench)
{
    const int width = bench.size(1024, 16), height = bench.size(768, 8);
    const std::string name =
        "TransformTrueColorTo16Bpp " + std::to_string(width) + " x " + std::to_string(height);
    const DWORD sourceBytes = rowBytes(width, 24) * height, resultBytes = rowBytes(width, 16) * height;
    const HGLOBAL source = gradientDib(width, height);
    const BITMAPINFOHEADER sourceHeader = infoHeader(width, height, 24, BI_RGB, sourceBytes);
    const Info565 target{infoHeader(width, height, 16, BI_BITFIELDS, resultBytes),
                         {kRedMask565, kGreenMask565, kBlueMask565}};
    const BareBlit bare(reinterpret_cast<const BITMAPINFO*>(&sourceHeader),
                        reinterpret_cast<const BITMAPINFO*>(&target));
    bool right = bench.check(bare.ready(), name, "no sections for the bare blit");

    const Medians medians = pairedMedians(
        bench.samples(21),
        [&] {
            HGLOBAL result = nullptr;
            const double ms = timeMs([&] { result = TransformTrueColorTo16Bpp(source, 16, BI_BITFIELDS); });
            right = right && resultRight(result, width, height);
            if (result)
                GlobalFree(result);
            return ms;
        },
        [&] { return timeMs([&] { bare.run(source, sourceBytes, sizeof(Info565), resultBytes, width, height); }); });
    GlobalFree(source);
    bench.check(right, name, "wrong or missing 16-bit result");
    bench.report({name, medians.work, medians.bound, {GoalKind::RatioAtMost, 1.3}, bench.samples(21)});
}

} // namespace w32kbench
