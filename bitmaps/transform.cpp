// TransformTrueColorTo16Bpp: the source packed DIB is copied into a DIB
// section, drawn with one BitBlt into a DIB section of the target format,
// and the result's bits are copied into a new packed DIB. The graphics layer
// does the colour conversion; the library only copies the bits twice.
//
// The two sections (each selected into its memory DC) are kept for the next
// call of the same size and formats: a new section costs a page fault on the
// first touch of each of its pages, which on a 1024 x 768 image is several
// times the cost of the blit and the copies themselves.
#include <windows.h>

#include "bitmaps/dib_core.h"
#include "frame/raii.h"
#include "w32korutil1.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

namespace w32k {

namespace {

// A memory DC with one DIB section selected, made for one header and colour
// table (or masks) and reused while they stay the same.
class SectionSlot {
public:
    // Makes the section match `info` (header and table, `infoBytes` long);
    // false when it cannot be made or selected.
    bool prepare(const std::byte* info, std::size_t infoBytes) noexcept
    {
        reused_ = section_ && matches(info, infoBytes);
        if (reused_)
            return true;
        selected_.reset();
        section_.reset();
        key_.clear();
        if (!dc_)
            dc_.emplace(nullptr); // a memory DC compatible with the screen
        if (!*dc_) {
            dc_.reset();
            return false;
        }
        if (!create(info) || !remember(info, infoBytes))
            return false;
        selected_.emplace(dc_->get(), section_.get());
        if (!selected_->selected()) {
            selected_.reset();
            section_.reset();
            key_.clear();
            return false;
        }
        return true;
    }

    HDC dc() const noexcept { return dc_->get(); }
    std::byte* bits() const noexcept { return bits_; }
    std::size_t bytes() const noexcept { return bytes_; }
    // True when prepare() kept the section of an earlier call.
    bool reused() const noexcept { return reused_; }

private:
    // The image-size field does not change a section: it is left out of the key.
    static constexpr std::size_t kImageSizeEnd = dib::kImageSizeOffset + 4;

    bool matches(const std::byte* info, std::size_t infoBytes) const noexcept
    {
        return key_.size() == infoBytes &&
               std::memcmp(key_.data(), info, dib::kImageSizeOffset) == 0 &&
               std::memcmp(key_.data() + kImageSizeEnd, info + kImageSizeEnd,
                           infoBytes - kImageSizeEnd) == 0;
    }

    bool create(const std::byte* info) noexcept
    {
        void* bits = nullptr;
        section_.reset(CreateDIBSection(dc_->get(), reinterpret_cast<const BITMAPINFO*>(info),
                                        DIB_RGB_COLORS, &bits, nullptr, 0));
        DIBSECTION described{};
        if (!section_ || !bits ||
            GetObjectA(section_.get(), sizeof described, &described) != sizeof described) {
            section_.reset();
            return false;
        }
        bits_ = static_cast<std::byte*>(bits);
        bytes_ = static_cast<std::size_t>(described.dsBm.bmWidthBytes) *
                 static_cast<std::size_t>(described.dsBm.bmHeight);
        return true;
    }

    bool remember(const std::byte* info, std::size_t infoBytes) noexcept
    {
        try {
            key_.assign(info, info + infoBytes);
            return true;
        } catch (const std::bad_alloc&) {
            section_.reset();
            return false;
        }
    }

    // Destroyed in reverse: the section is deselected, deleted, then the DC.
    std::optional<MemoryDC> dc_;
    Bitmap section_;
    std::optional<SelectGuard> selected_;
    std::vector<std::byte> key_;
    std::byte* bits_ = nullptr;
    std::size_t bytes_ = 0;
    bool reused_ = false;
};

struct SectionPair {
    SectionSlot source;
    SectionSlot target;
};

// The pair kept between calls. A call takes it out of the slot and puts it
// back afterwards, so concurrent calls never share one (the second simply
// makes its own). It is destroyed when the library is unloaded.
std::atomic<SectionPair*> g_keptPair{nullptr};

struct KeptPairOwner {
    ~KeptPairOwner() { delete g_keptPair.exchange(nullptr); }
} g_keptPairOwner;

class BorrowedPair {
public:
    BorrowedPair() noexcept : pair_(g_keptPair.exchange(nullptr))
    {
        if (!pair_)
            pair_ = new (std::nothrow) SectionPair;
    }
    ~BorrowedPair()
    {
        SectionPair* empty = nullptr;
        if (pair_ && !g_keptPair.compare_exchange_strong(empty, pair_))
            delete pair_;
    }
    BorrowedPair(const BorrowedPair&) = delete;
    BorrowedPair& operator=(const BorrowedPair&) = delete;
    SectionPair* operator->() const noexcept { return pair_; }
    explicit operator bool() const noexcept { return pair_ != nullptr; }

private:
    SectionPair* pair_;
};

// Copies the source's bits into its section, as many bytes as the header
// names and both sides hold; a kept section loses the rest of its old image.
void fillSourceSection(const SectionSlot& slot, const std::byte* block,
                       const dib::SourceDib& layout) noexcept
{
    const std::size_t copied = std::min<std::size_t>(slot.bytes(), layout.bytesToCopy);
    std::memcpy(slot.bits(), block + layout.bitsOffset, copied);
    if (slot.reused())
        std::memset(slot.bits() + copied, 0, slot.bytes() - copied);
}

// Locks the source, readies the source section with its pixels and works out
// the result's layout; the source is unlocked again on return.
std::optional<dib::TargetDib> loadSource(HGLOBAL source, SectionSlot& slot, WORD bitCount,
                                         DWORD compression) noexcept
{
    GlobalLockGuard<std::byte> bytes(source);
    if (!bytes)
        return std::nullopt;
    const auto layout = dib::readSource(bytes.get(), bytes.size());
    if (!layout)
        return std::nullopt;
    const auto target = dib::targetLayout(layout->width, layout->height, bitCount, compression);
    if (!target || !slot.prepare(bytes.get(), layout->bitsOffset))
        return std::nullopt;
    fillSourceSection(slot, bytes.get(), *layout);
    return target;
}

// Writes the result's header, draws the source into a section of its format
// and copies the converted bits behind the header.
bool convertInto(std::byte* result, const dib::TargetDib& target, const SectionSlot& source,
                 SectionSlot& slot) noexcept
{
    dib::writeTargetHeader(result, target);
    if (!slot.prepare(result, target.bitsOffset()))
        return false;
    const int rows = target.height < 0 ? -target.height : target.height;
    if (!BitBlt(slot.dc(), 0, 0, target.width, rows, source.dc(), 0, 0, SRCCOPY))
        return false;
    GdiFlush();
    std::memcpy(result + target.bitsOffset(), slot.bits(),
                std::min<std::size_t>(target.imageSize, slot.bytes()));
    return true;
}

HGLOBAL transformDib(HGLOBAL source, WORD bitCount, DWORD compression) noexcept
{
    BorrowedPair sections;
    if (!sections)
        return nullptr;
    const auto target = loadSource(source, sections->source, bitCount, compression);
    if (!target)
        return nullptr;
    auto result = GlobalBlock::allocate(target->blockSize, GHND);
    {
        GlobalLockGuard<std::byte> bytes(result.get());
        if (!bytes || !convertInto(bytes.get(), *target, sections->source, sections->target))
            return nullptr; // the result block is freed with its owner
    }
    return result.release();
}

} // namespace

} // namespace w32k

extern "C" HGLOBAL WINAPI TransformTrueColorTo16Bpp(HGLOBAL source, WORD bitCount,
                                                    DWORD compression)
{
    return w32k::transformDib(source, bitCount, compression);
}
