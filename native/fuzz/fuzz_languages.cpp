// Fuzz target: the default language's copies of the item and slot fields
// (DefaultToMultiLang) and their return (MultiLangToDefault). Input: the item
// count and the entries the host asks a copy to hold (a byte each), whether
// the slot table is in use and the item table present, and which slot
// objects exist (a byte each),
// the items' and objects' bytes, which allocations fail (a byte), then a
// byte that says whether the default record holds the copies made when the
// fields go back, and whether the host changed its items in between. Every
// record, object and copy is a block of exactly its size, so reading or
// writing past one is caught.
#include "fuzz_input.h"
#include "util/languages_core.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using w32kfuzz::check;
using w32kfuzz::Input;

namespace lang = w32k::languages;

// Blocks of exactly the size asked for; the n-th allocation fails when its
// bit in the failure mask is set.
class Blocks final : public lang::Allocator {
public:
    explicit Blocks(std::uint8_t failures) : failures_(failures) {}
    void* allocate(std::size_t bytes) noexcept override
    {
        const bool fail = calls_ < 8 && (failures_ >> calls_ & 1);
        ++calls_;
        if (fail)
            return nullptr;
        blocks_.push_back(std::make_unique<std::byte[]>(bytes));
        sizes_.push_back(bytes);
        std::memset(blocks_.back().get(), 0xBE, bytes); // uninitialised, as the host's
        return blocks_.back().get();
    }
    std::size_t sizeOf(const void* block) const
    {
        for (std::size_t k = 0; k < blocks_.size(); ++k) {
            if (blocks_[k].get() == block)
                return sizes_[k];
        }
        std::abort();
    }

private:
    std::uint8_t failures_;
    unsigned calls_ = 0;
    std::vector<std::unique_ptr<std::byte[]>> blocks_;
    std::vector<std::size_t> sizes_;
};

std::uint32_t word32(const std::byte* base, std::size_t offset)
{
    std::uint32_t value;
    std::memcpy(&value, base + offset, sizeof value);
    return value;
}

struct Host {
    std::unique_ptr<std::byte[]> items;
    std::vector<std::unique_ptr<std::byte[]>> objects;
    lang::Project project;

    std::vector<std::byte> itemBytes() const
    {
        return {items.get(), items.get() + project.itemCount * lang::kItemRecordSize};
    }
    std::vector<std::byte> objectBytes(std::size_t i) const
    {
        const std::byte* o = project.slots[i];
        return o ? std::vector<std::byte>(o, o + lang::kSlotObjectBytes) : std::vector<std::byte>();
    }
};

Host makeHost(Input& in)
{
    Host host;
    host.project.itemCount = in.byte();
    host.project.copyEntries = in.byte();
    const std::uint8_t slots = in.byte();
    const std::uint8_t present = in.byte();
    host.items = std::make_unique<std::byte[]>(host.project.itemCount * lang::kItemRecordSize);
    host.project.items = (slots & 2) ? nullptr : host.items.get(); // a table the host has not made
    in.bytes(host.items.get(), host.project.itemCount * lang::kItemRecordSize);
    host.project.slotsInUse = slots & 1;
    for (std::size_t i = 0; i < lang::kSlots; ++i) {
        if (!(present >> (i % 8) & 1) || (i == 8 && (slots & 4)))
            continue;
        host.objects.push_back(std::make_unique<std::byte[]>(lang::kSlotObjectBytes));
        in.bytes(host.objects.back().get(), lang::kSlotObjectBytes);
        host.project.slots[i] = host.objects.back().get();
    }
    return host;
}

// The copies hold the fields; the item copy has room for every item and for
// the entries the host asks for, and is zero beyond the items.
void checkCopies(const Host& host, const Blocks& blocks, const lang::Copies& copies, bool itemsCopied, bool slotsCopied)
{
    const lang::Project& p = host.project;
    if (itemsCopied) {
        const std::size_t entries = blocks.sizeOf(copies.items) / sizeof(lang::ItemCopy);
        check(entries >= p.itemCount && entries >= p.copyEntries);
        const auto* copy = static_cast<const lang::ItemCopy*>(copies.items);
        for (std::size_t i = 0; i < entries; ++i) {
            lang::ItemCopy e;
            std::memcpy(&e, &copy[i], sizeof e);
            const std::byte* item = i < p.itemCount ? p.items + i * lang::kItemRecordSize : nullptr;
            check(e.byte49 == (item ? std::to_integer<std::uint8_t>(item[lang::kItemByte49]) : 0));
            check(e.field45 == (item ? word32(item, lang::kItemField45) : 0));
            check(e.field56 == (item ? word32(item, lang::kItemField56) : 0));
        }
    }
    if (slotsCopied) {
        check(blocks.sizeOf(copies.slots) == lang::kSlots * sizeof(lang::SlotCopy));
        const auto* copy = static_cast<const lang::SlotCopy*>(copies.slots);
        for (std::size_t i = 0; i < lang::kSlots; ++i) {
            lang::SlotCopy e;
            std::memcpy(&e, &copy[i], sizeof e);
            const std::byte* o = p.slots[i];
            check(e.field10 == (o ? static_cast<std::uint16_t>(word32(o, lang::kSlotField10)) : 0));
            check(e.field14 == (o ? static_cast<std::uint16_t>(word32(o, lang::kSlotField14)) : 0));
            check(e.field26 == (o ? word32(o, lang::kSlotField26) : 0));
            check(e.field30 == (o ? word32(o, lang::kSlotField30) : 0));
        }
    }
}

// The items after the copy went back: the copied fields as they were when
// copied, every other byte as it is now.
std::vector<std::byte> itemsReturned(const Host& copied, const Host& now)
{
    std::vector<std::byte> expected = now.itemBytes();
    const std::vector<std::byte> then = copied.itemBytes();
    for (std::size_t i = 0; i < copied.project.itemCount; ++i) {
        const std::size_t base = i * lang::kItemRecordSize;
        for (std::size_t offset : {lang::kItemField45, lang::kItemField56})
            std::memcpy(&expected[base + offset], &then[base + offset], 4);
        expected[base + lang::kItemByte49] = then[base + lang::kItemByte49];
    }
    return expected;
}

// A slot object after a slot copy went back: the fields at 10 and 14 keep
// their low 16 bits only.
void checkSlotsReturned(const Host& before, const Host& after, bool returned)
{
    for (std::size_t i = 0; i < lang::kSlots; ++i) {
        std::vector<std::byte> expected = before.objectBytes(i);
        if (returned && !expected.empty()) {
            for (std::size_t offset : {lang::kSlotField10 + 2, lang::kSlotField14 + 2})
                expected[offset] = expected[offset + 1] = std::byte{0};
        }
        check(expected == after.objectBytes(i));
    }
}

Host copyOf(const Host& host)
{
    Host copy;
    copy.project = host.project;
    const std::size_t itemBytes = host.project.itemCount * lang::kItemRecordSize;
    copy.items = std::make_unique<std::byte[]>(itemBytes);
    std::memcpy(copy.items.get(), host.items.get(), itemBytes);
    if (copy.project.items)
        copy.project.items = copy.items.get();
    for (std::size_t i = 0; i < lang::kSlots; ++i) {
        if (!host.project.slots[i])
            continue;
        copy.objects.push_back(std::make_unique<std::byte[]>(lang::kSlotObjectBytes));
        std::memcpy(copy.objects.back().get(), host.project.slots[i], lang::kSlotObjectBytes);
        copy.project.slots[i] = copy.objects.back().get();
    }
    return copy;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input in(data, size);
    Host host = makeHost(in);
    const std::uint8_t failures = in.byte();
    const std::uint8_t back = in.byte();
    const Host original = copyOf(host);
    const lang::Project& p = host.project;

    Blocks blocks(failures);
    int keptMarker = 0;
    lang::Copies copies{&keptMarker, &keptMarker}; // what the record held before
    const bool complete = lang::copyToDefault(p, blocks, copies);
    const bool itemsCopied = copies.items != &keptMarker;
    const bool slotsCopied = copies.slots != &keptMarker;
    // A failed copy leaves the record's pointer; the other copy is still made.
    check(itemsCopied == (p.hasItems() && !(failures & 1)));
    check(slotsCopied == (p.slotsInUse && !(failures >> (p.hasItems() ? 1 : 0) & 1)));
    check(complete == ((itemsCopied || !p.hasItems()) && (slotsCopied || !p.slotsInUse)));
    checkCopies(host, blocks, copies, itemsCopied, slotsCopied);
    check(original.itemBytes() == host.itemBytes()); // copying changes nothing

    lang::Copies returned{itemsCopied ? copies.items : nullptr, slotsCopied ? copies.slots : nullptr};
    if (back & 1)
        returned = {}; // a record without copies
    if (back & 2) { // the host changes its items in between
        for (std::size_t i = 0; i < p.itemCount * lang::kItemRecordSize; ++i)
            host.items[i] ^= std::byte{0x5A};
    }
    const Host changed = copyOf(host);
    const bool restored = lang::restoreFromDefault(p, returned);
    check(restored == ((returned.items || !p.hasItems()) && (returned.slots || !p.slotsInUse)));
    check(host.itemBytes() == (returned.items ? itemsReturned(original, changed) : changed.itemBytes()));
    checkSlotsReturned(original, host, returned.slots && p.slotsInUse);
    // Copying the fields and returning them at once changes no item.
    const Host once = copyOf(host);
    Blocks again(0);
    lang::Copies second;
    check(lang::copyToDefault(p, again, second));
    check(lang::restoreFromDefault(p, second));
    check(once.itemBytes() == host.itemBytes());
    checkSlotsReturned(once, host, p.slotsInUse);
    return 0;
}
