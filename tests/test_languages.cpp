// Language records through the DLL: the default language's copies of the
// item and slot fields, and the language list.
#include <gtest/gtest.h>

#include "korutil2mfc.h"
#include "w32korutil1.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::byte>;

template <typename T>
void put(void* base, size_t offset, T value)
{
    std::memcpy(static_cast<std::byte*>(base) + offset, &value, sizeof value);
}

template <typename T>
T get(const void* base, size_t offset)
{
    T value;
    std::memcpy(&value, static_cast<const std::byte*>(base) + offset, sizeof value);
    return value;
}

// A host project block with item records, a slot table of 9 objects (none
// in slots 2 and 7) and a language table, at the offsets the library reads.
struct Project {
    Bytes block = Bytes(1024);
    Bytes itemTable;
    Bytes slotTable = Bytes(W32K_SLOT_TABLE_OBJECTS + W32K_LANG_SLOTS * sizeof(void*));
    std::array<Bytes, W32K_LANG_SLOTS> slots;
    std::vector<LanguageRecord> languages;

    Project(WORD itemCount, WORD copyEntries, BYTE languageCount, bool withSlots = true)
        : itemTable(itemCount * W32K_ITEM_RECORD_SIZE), languages(languageCount)
    {
        for (WORD i = 0; i < itemCount; ++i) {
            std::fill_n(item(i), W32K_ITEM_RECORD_SIZE, std::byte(0xA0 + i));
            put<DWORD>(item(i), 45, 0x45000000u + i);
            put<BYTE>(item(i), 49, static_cast<BYTE>(0x49 + i));
            put<DWORD>(item(i), 56, 0x56000000u + i);
        }
        for (DWORD i = 0; i < W32K_LANG_SLOTS; ++i) {
            if (i == 2 || i == 7)
                continue;
            slots[i] = Bytes(40, std::byte(0xEE));
            for (DWORD offset : {10, 14, 26, 30})
                put<DWORD>(slots[i].data(), offset, offset << 24 | i);
            put<void*>(slotTable.data(), W32K_SLOT_TABLE_OBJECTS + i * sizeof(void*), slots[i].data());
        }
        put<WORD>(data(), W32K_PRJ_ITEM_COUNT, itemCount);
        put<void*>(data(), W32K_PRJ_ITEM_TABLE, itemCount ? itemTable.data() : nullptr);
        put<DWORD>(data(), W32K_PRJ_SLOTS_IN_USE, withSlots);
        put<void*>(data(), W32K_PRJ_SLOT_TABLE, slotTable.data());
        put<BYTE>(data(), W32K_PRJ_LANGUAGE_COUNT, languageCount);
        put<WORD>(data(), W32K_PRJ_COPY_ENTRIES, copyEntries);
        put<void*>(data(), W32K_PRJ_LANGUAGE_TABLE, languages.empty() ? nullptr : languages.data());
    }
    void* data() { return block.data(); }
    std::byte* item(size_t i) { return itemTable.data() + i * W32K_ITEM_RECORD_SIZE; }
    LanguageItemCopy* itemCopy() { return static_cast<LanguageItemCopy*>(languages[0].itemCopy); }
    LanguageSlotCopy* slotCopy() { return static_cast<LanguageSlotCopy*>(languages[0].slotCopy); }
    // Everything the library could write to, for "nothing changed" checks.
    std::vector<Bytes> snapshot() const
    {
        std::vector<Bytes> all{block, itemTable, slotTable};
        all.insert(all.end(), slots.begin(), slots.end());
        const auto* raw = reinterpret_cast<const std::byte*>(languages.data());
        all.emplace_back(raw, raw + languages.size() * sizeof(LanguageRecord));
        return all;
    }
};

// The host's allocator: records the sizes asked for, fails call `failAt`
// (-1: none) or every call, and fills its blocks with 0xCD so unwritten bytes show.
struct AllocatorLog {
    std::vector<UINT> requests;
    int failAt = -1;
    bool failAll = false;
    std::vector<std::unique_ptr<std::byte[]>> blocks;
};
AllocatorLog* g_log = nullptr;

void* WINAPI recordingAllocator(UINT bytes)
{
    g_log->requests.push_back(bytes);
    if (g_log->failAll || static_cast<int>(g_log->requests.size()) - 1 == g_log->failAt)
        return nullptr;
    g_log->blocks.emplace_back(new std::byte[bytes]);
    std::fill_n(g_log->blocks.back().get(), bytes, std::byte(0xCD));
    return g_log->blocks.back().get();
}

class Languages : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_log = &log;
        previous = SetAppFmalloc(recordingAllocator);
    }
    void TearDown() override { SetAppFmalloc(previous); }
    AllocatorLog log;
    AppFmallocProc previous = nullptr;
};

void* const kOldCopy = reinterpret_cast<void*>(static_cast<uintptr_t>(0xDEAD0));

// One 20-byte copy record as it must be: a head, bytes 4-11 cleared, two fields.
Bytes copyRecord(DWORD head, DWORD a, DWORD b)
{
    Bytes r(20);
    put(r.data(), 0, head);
    put(r.data(), 12, a);
    put(r.data(), 16, b);
    return r;
}

Bytes recordAt(const void* copy, size_t i)
{
    const auto* raw = static_cast<const std::byte*>(copy) + 20 * i;
    return Bytes(raw, raw + 20);
}

} // namespace

TEST_F(Languages, AProjectWithoutLanguagesOrItemsIsLeftAlone)
{
    Project noTable(3, 3, 0);
    Project emptyTable(3, 3, 1); // a table pointer with a count of 0 has no record 0 to write
    put<BYTE>(emptyTable.data(), W32K_PRJ_LANGUAGE_COUNT, 0);
    emptyTable.languages[0].itemCopy = kOldCopy;
    for (Project* project : {&noTable, &emptyTable}) {
        const auto before = project->snapshot();
        EXPECT_TRUE(DefaultToMultiLang(project->data()));
        EXPECT_TRUE(MultiLangToDefault(project->data()));
        EXPECT_EQ(project->snapshot(), before);
    }
    EXPECT_TRUE(log.requests.empty());

    // A count without an item table: no item records to copy, the slots are.
    Project project(3, 3, 1);
    put<void*>(project.data(), W32K_PRJ_ITEM_TABLE, nullptr);
    EXPECT_TRUE(DefaultToMultiLang(project.data()));
    EXPECT_EQ(project.languages[0].itemCopy, nullptr);
    ASSERT_NE(project.slotCopy(), nullptr);
    EXPECT_TRUE(MultiLangToDefault(project.data()));
    EXPECT_EQ(log.requests, std::vector<UINT>{9 * 20});
}

TEST_F(Languages, DefaultToMultiLangFillsEveryByteOfTheDefaultLanguagesCopies)
{
    Project project(3, 3, 2);
    project.languages[1].itemCopy = kOldCopy; // only record 0 is written
    ASSERT_TRUE(DefaultToMultiLang(project.data()));
    EXPECT_EQ(log.requests, (std::vector<UINT>{3 * 20, 9 * 20}));
    EXPECT_EQ(project.languages[1].itemCopy, kOldCopy);
    ASSERT_TRUE(project.itemCopy() && project.slotCopy());
    for (DWORD i = 0; i < 3; ++i)
        EXPECT_EQ(recordAt(project.itemCopy(), i), copyRecord(0x49 + i, 0x45000000u + i, 0x56000000u + i)) << i;
    for (DWORD i = 0; i < W32K_LANG_SLOTS; ++i) {
        // The low 16 bits of the fields at 10 and 14; an empty slot copies as zeros.
        const bool empty = i == 2 || i == 7;
        EXPECT_EQ(recordAt(project.slotCopy(), i),
                  empty ? copyRecord(0, 0, 0) : copyRecord(i | i << 16, 26u << 24 | i, 30u << 24 | i))
            << i;
    }
}

TEST_F(Languages, TheItemCopyIsAllocatedForTheLargerOfItemsAndEntries)
{
    const struct {
        WORD items, entries;
    } cases[] = {{5, 2}, {2, 7}, {4, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.items) + " items, " + std::to_string(c.entries) + " entries");
        log.requests.clear();
        Project project(c.items, c.entries, 1, false);
        ASSERT_TRUE(DefaultToMultiLang(project.data()));
        EXPECT_EQ(log.requests, std::vector<UINT>{20u * std::max(c.items, c.entries)});
        EXPECT_EQ(project.itemCopy()[c.items - 1].field56, 0x56000000u + c.items - 1u);
    }
}

TEST_F(Languages, MultiLangToDefaultRestoresTheDefaultLanguageFromEachCopyThereIs)
{
    Project project(3, 3, 1);
    put<DWORD>(project.slots[0].data(), 10, 0x12345678);
    ASSERT_TRUE(DefaultToMultiLang(project.data()));
    const Bytes items = project.itemTable;
    const auto overwrite = [&](DWORD value) { // another language's values
        for (size_t i = 0; i < 3; ++i) {
            put<DWORD>(project.item(i), 45, value);
            put<BYTE>(project.item(i), 49, static_cast<BYTE>(value));
            put<DWORD>(project.item(i), 56, value);
        }
        for (auto& slot : project.slots)
            for (size_t offset : {10, 14, 26, 30})
                if (!slot.empty())
                    put<DWORD>(slot.data(), offset, value);
    };
    overwrite(0xFFFFFFFF);
    ASSERT_TRUE(MultiLangToDefault(project.data()));
    EXPECT_EQ(project.itemTable, items);
    EXPECT_EQ(get<DWORD>(project.slots[0].data(), 10), 0x5678u) << "16 bits kept, zero-extended";
    EXPECT_EQ(get<DWORD>(project.slots[1].data(), 14), 0x0001u);
    EXPECT_EQ(get<DWORD>(project.slots[1].data(), 26), 26u << 24 | 1);
    EXPECT_EQ(get<DWORD>(project.slots[8].data(), 30), 30u << 24 | 8);
    EXPECT_EQ(get<BYTE>(project.slots[8].data(), 18), 0xEE) << "other bytes are not touched";
    const Bytes slot4 = project.slots[4];

    // A missing copy gives FALSE; the other part is still restored.
    void* const itemCopy = project.languages[0].itemCopy;
    project.languages[0].itemCopy = nullptr;
    overwrite(7);
    EXPECT_FALSE(MultiLangToDefault(project.data()));
    EXPECT_EQ(get<DWORD>(project.item(0), 45), 7u);
    EXPECT_EQ(project.slots[4], slot4);

    project.languages[0].itemCopy = itemCopy;
    project.languages[0].slotCopy = nullptr;
    overwrite(9);
    EXPECT_FALSE(MultiLangToDefault(project.data()));
    EXPECT_EQ(project.itemTable, items);
    EXPECT_EQ(get<DWORD>(project.slots[4].data(), 26), 9u);
}

TEST_F(Languages, AFailedAllocationKeepsTheOldCopyAndTheOtherPartIsStillDone)
{
    const struct {
        const char* what;
        int failAt;
        bool failAll, noAllocator;
    } cases[] = {
        {"item copy fails", 0, false, false},
        {"every allocation fails", -1, true, false},
        {"no allocator installed", -1, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Project project(3, 3, 1);
        project.languages[0].itemCopy = project.languages[0].slotCopy = kOldCopy;
        log.failAt = c.failAt;
        log.failAll = c.failAll;
        if (c.noAllocator)
            SetAppFmalloc(nullptr);
        EXPECT_FALSE(DefaultToMultiLang(project.data()));
        SetAppFmalloc(recordingAllocator);
        EXPECT_EQ(project.languages[0].itemCopy, kOldCopy) << "the old item copy stays";
        if (c.failAt == 0)
            EXPECT_EQ(project.slotCopy()[1].field26, 26u << 24 | 1) << "the slot copy is still made";
        else
            EXPECT_EQ(project.languages[0].slotCopy, kOldCopy);
    }
}

TEST(LanguageNames, OneLinePerLanguageInTheLanguageAskedWithoutTakingReferences)
{
    Project project(0, 0, 3, false);
    void* const store = project.data();
    const auto lines = [&](int language) {
        HWND list = CreateWindowA("LISTBOX", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
        InitLangListBox(0, list, store, language);
        std::vector<std::string> result;
        for (int i = 0; i < SendMessageA(list, LB_GETCOUNT, 0, 0); ++i) {
            char text[300] = {};
            SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            result.emplace_back(text);
        }
        DestroyWindow(list);
        return result;
    };
    project.languages[0].nameId = static_cast<WORD>(KorAcquireName("English\x1F" "Englisch\x1F" "Anglais", store));
    project.languages[1].nameId = 999; // no such id: an empty line, and the id is cleared
    project.languages[2].nameId = static_cast<WORD>(KorAcquireName("French\x1F" "Franzoesisch\x1F" "Francais", store));
    EXPECT_EQ(lines(2), (std::vector<std::string>{"Anglais", "", "Francais"}));
    EXPECT_EQ(project.languages[1].nameId, 0);
    EXPECT_EQ(lines(7), (std::vector<std::string>{"English", "", "French"})) << "none of its own: language 0";
    EXPECT_EQ(StringStoreLiveCount(store), 2u);
    EXPECT_EQ(StringStoreRefCount(project.languages[0].nameId, store), 1u);

    put<BYTE>(store, W32K_PRJ_LANGUAGE_COUNT, 0);
    EXPECT_TRUE(lines(0).empty());
    put<void*>(store, W32K_PRJ_LANGUAGE_TABLE, nullptr);
    put<BYTE>(store, W32K_PRJ_LANGUAGE_COUNT, 3);
    EXPECT_TRUE(lines(0).empty());
    StringStoreClear(store);
}
