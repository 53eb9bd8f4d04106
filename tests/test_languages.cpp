// Language records through the DLL: the default language's copies of the item and slot fields, and the
// language list. (Every count, missing table or slot object, failed allocation and what each copy holds:
// fuzz_languages; each allocation failing through the DLL: test_failure_sweep.)
#include <gtest/gtest.h>

#include "korutil2mfc.h"
#include "support/folder_helpers.h"
#include "w32korutil1.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<std::byte>;

using w32ktest::put;

// A host project block with item records, a slot table of 9 objects and a language table, at the offsets the
// library reads. (Missing slot objects, what each copy holds and what goes back: fuzz_languages.)
struct Project {
    Bytes block = Bytes(1024), itemTable;
    Bytes slotTable = Bytes(W32K_SLOT_TABLE_OBJECTS + W32K_LANG_SLOTS * sizeof(void*));
    std::array<Bytes, W32K_LANG_SLOTS> slots;
    std::vector<LanguageRecord> languages;

    Project(WORD itemCount, WORD copyEntries, BYTE languageCount)
        : itemTable(itemCount * W32K_ITEM_RECORD_SIZE, std::byte(0xA0)), languages(languageCount)
    {
        for (DWORD i = 0; i < W32K_LANG_SLOTS; ++i) {
            slots[i] = Bytes(40, std::byte(0xEE));
            put<void*>(slotTable.data(), W32K_SLOT_TABLE_OBJECTS + i * sizeof(void*), slots[i].data());
        }
        put<WORD>(data(), W32K_PRJ_ITEM_COUNT, itemCount);
        put<void*>(data(), W32K_PRJ_ITEM_TABLE, itemCount ? itemTable.data() : nullptr);
        put<DWORD>(data(), W32K_PRJ_SLOTS_IN_USE, 1);
        put<void*>(data(), W32K_PRJ_SLOT_TABLE, slotTable.data());
        put<BYTE>(data(), W32K_PRJ_LANGUAGE_COUNT, languageCount);
        put<WORD>(data(), W32K_PRJ_COPY_ENTRIES, copyEntries);
        put<void*>(data(), W32K_PRJ_LANGUAGE_TABLE, languages.empty() ? nullptr : languages.data());
    }
    void* data() { return block.data(); }
    auto state() const { return std::make_tuple(block, itemTable, slots); }
};

// The host's allocator: records the sizes asked for.
std::vector<UINT> g_requests;
std::vector<Bytes> g_blocks;

void* WINAPI recordingAllocator(UINT bytes)
{
    g_requests.push_back(bytes);
    return g_blocks.emplace_back(bytes).data();
}

class Languages : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_requests.clear();
        SetAppFmalloc(recordingAllocator);
    }
    void TearDown() override { SetAppFmalloc(nullptr); } // it answers the new allocator, not the old
};

void* const kOldCopy = reinterpret_cast<void*>(static_cast<uintptr_t>(0xDEAD0));

} // namespace

// Without languages (a count of 0 has no record 0 to write) or without the
// host's allocator nothing is copied and the old copies stay.
TEST_F(Languages, NothingIsCopiedWithoutLanguagesOrWithoutAnAllocator)
{
    Project emptyTable(3, 3, 1), noAllocator(3, 3, 1);
    put<BYTE>(emptyTable.data(), W32K_PRJ_LANGUAGE_COUNT, 0);
    emptyTable.languages[0].itemCopy = kOldCopy;
    const auto before = emptyTable.state();
    EXPECT_TRUE(DefaultToMultiLang(emptyTable.data()));
    EXPECT_TRUE(MultiLangToDefault(emptyTable.data()));
    EXPECT_TRUE(emptyTable.state() == before);
    EXPECT_EQ(emptyTable.languages[0].itemCopy, kOldCopy);
    EXPECT_TRUE(g_requests.empty());
    noAllocator.languages[0].itemCopy = noAllocator.languages[0].slotCopy = kOldCopy;
    SetAppFmalloc(nullptr);
    EXPECT_FALSE(DefaultToMultiLang(noAllocator.data()));
    EXPECT_EQ(noAllocator.languages[0].itemCopy, kOldCopy);
    EXPECT_EQ(noAllocator.languages[0].slotCopy, kOldCopy);
}

// Only language 0 gets copies; the item copy is allocated for the larger of item
// count and copy entries; MultiLangToDefault puts a copied field back.
TEST_F(Languages, TheDefaultLanguagesFieldsAreCopiedForTheLargerCountAndRestored)
{
    for (const auto& [items, entries] : {std::pair<WORD, WORD>{5, 2}, {2, 7}}) {
        SCOPED_TRACE(std::to_string(items) + " items, " + std::to_string(entries) + " entries");
        g_requests.clear();
        Project project(items, entries, 2);
        project.languages[1].itemCopy = kOldCopy;
        ASSERT_TRUE(DefaultToMultiLang(project.data()));
        EXPECT_EQ(g_requests, (std::vector<UINT>{20u * std::max(items, entries), 9 * 20}));
        EXPECT_EQ(project.languages[1].itemCopy, kOldCopy);
        const Project saved = project;
        put<DWORD>(project.itemTable.data(), 45, 0);
        ASSERT_TRUE(MultiLangToDefault(project.data()));
        EXPECT_EQ(project.itemTable, saved.itemTable);
    }
}

TEST(LanguageNames, OneLinePerLanguageInTheLanguageAskedWithoutTakingReferences)
{
    Project project(0, 0, 3);
    void* const store = project.data();
    const auto lines = [&](int language) {
        HWND list = CreateWindowA("LISTBOX", "", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
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
    const auto acquire = [&](const char* text) { return static_cast<WORD>(KorAcquireName(text, store)); };
    project.languages[0].nameId = acquire("English\x1F" "Englisch\x1F" "Anglais");
    project.languages[1].nameId = 999; // no such id: an empty line, and the id is cleared
    project.languages[2].nameId = acquire("French\x1F" "Franzoesisch\x1F" "Francais");
    EXPECT_EQ(lines(2), (std::vector<std::string>{"Anglais", "", "Francais"}));
    EXPECT_EQ(project.languages[1].nameId, 0);
    EXPECT_EQ(StringStoreRefCount(project.languages[0].nameId, store), 1u);

    put<void*>(store, W32K_PRJ_LANGUAGE_TABLE, nullptr); // the count stays 3
    EXPECT_TRUE(lines(0).empty());
    StringStoreClear(store);
}
