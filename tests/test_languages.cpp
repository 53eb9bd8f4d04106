// Language records through the DLL: the default language's copies of the
// item and slot fields, the language list, and the "Select Language"
// template run by a host's own dialog procedure.
#include <gtest/gtest.h>

#include "korutil2mfc.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <utility>
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

constexpr size_t kProjectSize = 1024;
constexpr size_t kSlotObjectSize = 40;

// A host project block with item records, a slot table of 9 objects and a
// language table, laid out at the offsets the library reads.
struct Project {
    Bytes block = Bytes(kProjectSize);
    std::vector<Bytes> items;
    Bytes itemTable;
    Bytes slotTable = Bytes(W32K_SLOT_TABLE_OBJECTS + W32K_LANG_SLOTS * sizeof(void*));
    std::array<Bytes, W32K_LANG_SLOTS> slots;
    std::vector<LanguageRecord> languages;

    Project(WORD itemCount, WORD copyEntries, BYTE languageCount, bool withSlots = true)
        : itemTable(static_cast<size_t>(itemCount) * W32K_ITEM_RECORD_SIZE),
          languages(languageCount)
    {
        for (WORD i = 0; i < itemCount; ++i) {
            std::byte* item = itemTable.data() + i * W32K_ITEM_RECORD_SIZE;
            for (size_t b = 0; b < W32K_ITEM_RECORD_SIZE; ++b)
                item[b] = std::byte(0xA0 + i);
            put<DWORD>(item, 45, 0x45000000u + i);
            put<BYTE>(item, 49, static_cast<BYTE>(0x49 + i));
            put<DWORD>(item, 56, 0x56000000u + i);
        }
        for (size_t i = 0; i < W32K_LANG_SLOTS; ++i) {
            if (i == 2 || i == 7)
                continue; // no object in these slots
            slots[i] = Bytes(kSlotObjectSize, std::byte(0xEE));
            put<DWORD>(slots[i].data(), 10, 0x10100000u + static_cast<DWORD>(i));
            put<DWORD>(slots[i].data(), 14, 0x14140000u + static_cast<DWORD>(i));
            put<DWORD>(slots[i].data(), 26, 0x26000000u + static_cast<DWORD>(i));
            put<DWORD>(slots[i].data(), 30, 0x30000000u + static_cast<DWORD>(i));
            put<void*>(slotTable.data(), W32K_SLOT_TABLE_OBJECTS + i * sizeof(void*),
                       slots[i].data());
        }
        put<WORD>(data(), W32K_PRJ_ITEM_COUNT, itemCount);
        put<void*>(data(), W32K_PRJ_ITEM_TABLE, itemCount ? itemTable.data() : nullptr);
        put<DWORD>(data(), W32K_PRJ_SLOTS_IN_USE, withSlots ? 1 : 0);
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
        for (const auto& s : slots)
            all.push_back(s);
        const auto* raw = reinterpret_cast<const std::byte*>(languages.data());
        all.emplace_back(raw, raw + languages.size() * sizeof(LanguageRecord));
        return all;
    }
};

// The host's allocator: records the sizes asked for, can be told to fail,
// and hands out blocks filled with 0xCD so that unwritten bytes show.
struct AllocatorLog {
    std::vector<UINT> requests;
    int failAt = -1;     // this call fails (-1: none)
    bool failAll = false; // every call fails
    std::vector<void*> blocks;
};
AllocatorLog* g_log = nullptr;

void* WINAPI recordingAllocator(UINT bytes)
{
    const int index = static_cast<int>(g_log->requests.size());
    g_log->requests.push_back(bytes);
    if (g_log->failAll || index == g_log->failAt)
        return nullptr;
    void* block = std::malloc(bytes);
    std::memset(block, 0xCD, bytes);
    g_log->blocks.push_back(block);
    return block;
}

class Languages : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_log = &log;
        previous = SetAppFmalloc(recordingAllocator);
    }
    void TearDown() override
    {
        SetAppFmalloc(previous);
        for (void* block : log.blocks)
            std::free(block);
        g_log = nullptr;
    }
    AllocatorLog log;
    AppFmallocProc previous = nullptr;
};

void* const kOldCopy = reinterpret_cast<void*>(static_cast<uintptr_t>(0xDEAD0));

} // namespace

TEST_F(Languages, AProjectWithoutLanguagesIsLeftAlone)
{
    Project noTable(3, 3, 0);
    const auto before = noTable.snapshot();
    EXPECT_TRUE(DefaultToMultiLang(noTable.data()));
    EXPECT_TRUE(MultiLangToDefault(noTable.data()));
    EXPECT_EQ(noTable.snapshot(), before);

    // A table pointer with a language count of 0 has no record 0 to write.
    Project emptyTable(3, 3, 1);
    put<BYTE>(emptyTable.data(), W32K_PRJ_LANGUAGE_COUNT, 0);
    emptyTable.languages[0].itemCopy = kOldCopy;
    const auto before2 = emptyTable.snapshot();
    EXPECT_TRUE(DefaultToMultiLang(emptyTable.data()));
    EXPECT_TRUE(MultiLangToDefault(emptyTable.data()));
    EXPECT_EQ(emptyTable.snapshot(), before2);
    EXPECT_TRUE(log.requests.empty());
}

TEST_F(Languages, ACountWithoutAnItemTableSkipsTheItems)
{
    Project project(3, 3, 1);
    put<void*>(project.data(), W32K_PRJ_ITEM_TABLE, nullptr);
    EXPECT_TRUE(DefaultToMultiLang(project.data()));
    EXPECT_EQ(project.languages[0].itemCopy, nullptr) << "no item records to copy";
    ASSERT_NE(project.slotCopy(), nullptr);
    EXPECT_TRUE(MultiLangToDefault(project.data()));
    EXPECT_EQ(log.requests, std::vector<UINT>{9 * 20});
}

TEST_F(Languages, DefaultToMultiLangCopiesItemAndSlotFields)
{
    Project project(3, 3, 2);
    project.languages[1].itemCopy = kOldCopy; // only record 0 is written
    ASSERT_TRUE(DefaultToMultiLang(project.data()));
    EXPECT_EQ(log.requests, (std::vector<UINT>{3 * 20, 9 * 20}));
    EXPECT_EQ(project.languages[1].itemCopy, kOldCopy);

    const LanguageItemCopy* items = project.itemCopy();
    ASSERT_NE(items, nullptr);
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const auto* raw = reinterpret_cast<const BYTE*>(&items[i]);
        EXPECT_EQ(raw[0], 0x49 + i);
        for (size_t b = 1; b < 12; ++b)
            EXPECT_EQ(raw[b], 0) << "bytes 1-11 are cleared, not left undefined";
        EXPECT_EQ(get<DWORD>(raw, 12), 0x45000000u + i);
        EXPECT_EQ(get<DWORD>(raw, 16), 0x56000000u + i);
    }
    const LanguageSlotCopy* slots = project.slotCopy();
    ASSERT_NE(slots, nullptr);
    for (size_t i = 0; i < W32K_LANG_SLOTS; ++i) {
        SCOPED_TRACE(i);
        const auto* raw = reinterpret_cast<const BYTE*>(&slots[i]);
        if (i == 2 || i == 7) {
            for (size_t b = 0; b < 20; ++b)
                EXPECT_EQ(raw[b], 0) << "an empty slot copies as zeros";
            continue;
        }
        EXPECT_EQ(get<WORD>(raw, 0), 0x0000 + i) << "low 16 bits of the field at 10";
        EXPECT_EQ(get<WORD>(raw, 2), 0x0000 + i) << "low 16 bits of the field at 14";
        for (size_t b = 4; b < 12; ++b)
            EXPECT_EQ(raw[b], 0);
        EXPECT_EQ(get<DWORD>(raw, 12), 0x26000000u + i);
        EXPECT_EQ(get<DWORD>(raw, 16), 0x30000000u + i);
    }
}

TEST_F(Languages, TheItemCopyHoldsEveryItem)
{
    struct Case {
        WORD items;
        WORD entries;
        UINT expectedBytes;
    };
    // More items than entries asked for: the copy grows to hold them all.
    const Case cases[] = {{5, 2, 5 * 20}, {2, 7, 7 * 20}, {4, 0, 4 * 20}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.items) + " items, " + std::to_string(c.entries) + " entries");
        log.requests.clear();
        Project project(c.items, c.entries, 1, false);
        ASSERT_TRUE(DefaultToMultiLang(project.data()));
        EXPECT_EQ(log.requests, std::vector<UINT>{c.expectedBytes});
        EXPECT_EQ(project.itemCopy()[c.items - 1].field56, 0x56000000u + c.items - 1u);
    }
}

TEST_F(Languages, MultiLangToDefaultRestoresTheDefaultLanguage)
{
    Project project(3, 3, 1);
    put<DWORD>(project.slots[0].data(), 10, 0x12345678);
    ASSERT_TRUE(DefaultToMultiLang(project.data()));
    const Bytes items = project.itemTable;

    // Another language's values in the project, then back to the default.
    for (size_t i = 0; i < 3; ++i) {
        put<DWORD>(project.item(i), 45, 1);
        put<BYTE>(project.item(i), 49, 2);
        put<DWORD>(project.item(i), 56, 3);
    }
    for (auto& slot : project.slots) {
        if (slot.empty())
            continue;
        for (size_t offset : {10, 14, 26, 30})
            put<DWORD>(slot.data(), offset, 0xFFFFFFFF);
    }
    ASSERT_TRUE(MultiLangToDefault(project.data()));
    EXPECT_EQ(project.itemTable, items);
    EXPECT_EQ(get<DWORD>(project.slots[0].data(), 10), 0x5678u) << "16 bits kept, zero-extended";
    EXPECT_EQ(get<DWORD>(project.slots[1].data(), 14), 0x0001u);
    EXPECT_EQ(get<DWORD>(project.slots[1].data(), 26), 0x26000001u);
    EXPECT_EQ(get<DWORD>(project.slots[8].data(), 30), 0x30000008u);
    EXPECT_EQ(get<BYTE>(project.slots[8].data(), 18), 0xEE) << "other bytes are not touched";
}

TEST_F(Languages, AFailedAllocationIsReportedAndTheOtherPartStillDone)
{
    {
        SCOPED_TRACE("item copy fails");
        Project project(3, 3, 1);
        project.languages[0].itemCopy = kOldCopy;
        log.failAt = 0;
        EXPECT_FALSE(DefaultToMultiLang(project.data()));
        EXPECT_EQ(project.languages[0].itemCopy, kOldCopy) << "the old item copy stays";
        ASSERT_NE(project.slotCopy(), nullptr) << "the slot copy is still made";
        EXPECT_EQ(project.slotCopy()[1].field26, 0x26000001u);
        log.failAt = -1;
    }
    {
        SCOPED_TRACE("every allocation fails");
        Project project(3, 3, 1);
        project.languages[0].itemCopy = kOldCopy;
        project.languages[0].slotCopy = kOldCopy;
        log.failAll = true;
        EXPECT_FALSE(DefaultToMultiLang(project.data()));
        EXPECT_EQ(project.languages[0].itemCopy, kOldCopy);
        EXPECT_EQ(project.languages[0].slotCopy, kOldCopy);
        log.failAll = false;
    }
    {
        SCOPED_TRACE("no allocator installed");
        Project project(3, 3, 1);
        SetAppFmalloc(nullptr);
        EXPECT_FALSE(DefaultToMultiLang(project.data()));
        EXPECT_EQ(project.languages[0].itemCopy, nullptr);
        EXPECT_EQ(project.languages[0].slotCopy, nullptr);
        SetAppFmalloc(recordingAllocator);
    }
}

TEST_F(Languages, AMissingCopyArrayGivesZeroAndTheOtherPartIsRestored)
{
    Project project(2, 2, 1);
    ASSERT_TRUE(DefaultToMultiLang(project.data()));
    ASSERT_TRUE(MultiLangToDefault(project.data())); // the slots' 16-bit fields settle
    const Bytes items = project.itemTable;
    const Bytes slot4 = project.slots[4];
    void* const itemCopy = project.languages[0].itemCopy;

    // No item copy: the items stay as they are, the slots come back.
    project.languages[0].itemCopy = nullptr;
    put<DWORD>(project.item(0), 45, 7);
    put<DWORD>(project.slots[4].data(), 26, 7);
    EXPECT_FALSE(MultiLangToDefault(project.data()));
    EXPECT_EQ(get<DWORD>(project.item(0), 45), 7u);
    EXPECT_EQ(project.slots[4], slot4);

    // No slot copy: the items come back, the slots stay.
    project.languages[0].itemCopy = itemCopy;
    project.languages[0].slotCopy = nullptr;
    put<DWORD>(project.item(1), 56, 9);
    put<DWORD>(project.slots[4].data(), 26, 9);
    EXPECT_FALSE(MultiLangToDefault(project.data()));
    EXPECT_EQ(project.itemTable, items);
    EXPECT_EQ(get<DWORD>(project.slots[4].data(), 26), 9u);
}

namespace {

// A project whose language names live in the string store.
class LanguageNames : public ::testing::Test {
protected:
    void TearDown() override { StringStoreClear(project.data()); }

    WORD name(const char* multiText) { return static_cast<WORD>(KorAcquireName(multiText, project.data())); }

    // The lines InitLangListBox adds to a fresh list box.
    std::vector<std::string> lines(int language)
    {
        HWND list = CreateWindowA("LISTBOX", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                  nullptr, nullptr);
        InitLangListBox(0, list, project.data(), language);
        std::vector<std::string> result;
        const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[300] = {};
            SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            result.emplace_back(text);
        }
        DestroyWindow(list);
        return result;
    }

    Project project{0, 0, 3, false};
};

} // namespace

TEST_F(LanguageNames, OneLinePerLanguageInTheLanguageAsked)
{
    project.languages[0].nameId = name("English\x1F" "Englisch\x1F" "Anglais");
    project.languages[1].nameId = 0;
    project.languages[2].nameId = name("French\x1F" "Franzoesisch\x1F" "Francais");
    const UINT live = StringStoreLiveCount(project.data());
    const UINT refs = StringStoreRefCount(project.languages[0].nameId, project.data());

    EXPECT_EQ(lines(0), (std::vector<std::string>{"English", "", "French"}));
    EXPECT_EQ(lines(2), (std::vector<std::string>{"Anglais", "", "Francais"}));
    EXPECT_EQ(lines(7), (std::vector<std::string>{"English", "", "French"}))
        << "a language without a part shows language 0";
    EXPECT_EQ(StringStoreLiveCount(project.data()), live);
    EXPECT_EQ(StringStoreRefCount(project.languages[0].nameId, project.data()), refs)
        << "reading the names takes and drops no reference";
}

TEST_F(LanguageNames, ANameMissingFromTheStoreShowsEmptyAndIsCleared)
{
    project.languages[0].nameId = name("English");
    project.languages[1].nameId = 999; // no such id
    project.languages[2].nameId = name("French");
    EXPECT_EQ(lines(0), (std::vector<std::string>{"English", "", "French"}));
    EXPECT_EQ(project.languages[1].nameId, 0);
    EXPECT_NE(project.languages[2].nameId, 0);
}

TEST_F(LanguageNames, AProjectWithoutLanguagesAddsNoLines)
{
    put<void*>(project.data(), W32K_PRJ_LANGUAGE_TABLE, nullptr);
    EXPECT_TRUE(lines(0).empty());
    put<void*>(project.data(), W32K_PRJ_LANGUAGE_TABLE, project.languages.data());
    put<BYTE>(project.data(), W32K_PRJ_LANGUAGE_COUNT, 0);
    EXPECT_TRUE(lines(0).empty());
}

namespace {

// The host's dialog: its project and the script a test runs once the
// dialog is up. (The template's labels have the id 0xFFFF, like a message
// box's text, so the host procedure runs the script from its own timer.)
struct HostDialog {
    void* project;
    int language;
    std::function<void(HWND)> script;
};
constexpr UINT_PTR kScriptTimer = 1;

// The host's own procedure for template 1760: fills the list, ends with the
// selected line on OK and -2 on Cancel.
INT_PTR CALLBACK hostLanguageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        const auto* host = reinterpret_cast<const HostDialog*>(lParam);
        InitLangListBox(0, GetDlgItem(dialog, W32K_ID_LANGUAGE_LIST), host->project, host->language);
        SetDlgItemTextA(dialog, W32K_ID_CURRENT_LANGUAGE, "English");
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        SetTimer(dialog, kScriptTimer, USER_TIMER_MINIMUM, nullptr);
        return TRUE;
    }
    case WM_TIMER: {
        KillTimer(dialog, kScriptTimer);
        auto* host = reinterpret_cast<HostDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (host && host->script)
            std::exchange(host->script, nullptr)(dialog);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
            EndDialog(dialog, SendDlgItemMessageA(dialog, W32K_ID_LANGUAGE_LIST, LB_GETCURSEL, 0, 0));
        else if (LOWORD(wParam) == IDCANCEL)
            EndDialog(dialog, -2);
        return TRUE;
    default:
        return FALSE;
    }
}

struct ControlExpectation {
    const char* cls;
    int id;
    const char* text;
    RECT units; // left, top, width, height in dialog units
    DWORD required;
    DWORD absent;
};

} // namespace

namespace {

// A border shows as non-client space beside the scroll bar (the controls
// draw WS_BORDER themselves and may drop the style bit).
bool hasBorder(HWND control)
{
    RECT window{}, client{};
    GetWindowRect(control, &window);
    GetClientRect(control, &client);
    const bool vscroll = (GetWindowLongA(control, GWL_STYLE) & WS_VSCROLL) != 0;
    const int scroll = vscroll ? GetSystemMetrics(SM_CXVSCROLL) : 0;
    return (window.right - window.left) - client.right - scroll > 0;
}

// The dialog's frame and every control of template 1760, in template order.
template <size_t N>
void checkLanguageTemplate(HWND dialog, const ControlExpectation (&expected)[N])
{
    const LONG style = GetWindowLongA(dialog, GWL_STYLE);
    EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU), WS_POPUP | WS_CAPTION | WS_SYSMENU);
    EXPECT_TRUE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    RECT size{0, 0, 247, 114};
    MapDialogRect(dialog, &size);
    RECT client{};
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);

    HWND child = GetWindow(dialog, GW_CHILD);
    for (const auto& c : expected) {
        SCOPED_TRACE(c.text);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(w32ktest::className(child), c.cls);
        EXPECT_EQ(static_cast<int>(static_cast<short>(GetDlgCtrlID(child))), c.id);
        if (std::string(c.cls) != "ListBox") {
            EXPECT_EQ(w32ktest::windowText(child), c.text);
        }
        const DWORD childStyle = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
        EXPECT_EQ(childStyle & c.required, c.required);
        EXPECT_EQ(childStyle & c.absent, 0u);
        // The dialog manager maps position and size separately.
        RECT units = c.units; // x, y, cx, cy
        MapDialogRect(dialog, &units);
        RECT actual{};
        GetWindowRect(child, &actual);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, units.left);
        EXPECT_EQ(actual.top, units.top);
        EXPECT_EQ(actual.right - actual.left, units.right);
        if (std::string(c.cls) == "ListBox") {
            // Without LBS_NOINTEGRALHEIGHT the list shows whole lines only.
            EXPECT_LE(actual.bottom - actual.top, units.bottom);
            EXPECT_GT(actual.bottom - actual.top, units.bottom - 16);
        } else {
            EXPECT_EQ(actual.bottom - actual.top, units.bottom);
        }
        if (c.id == W32K_ID_CURRENT_LANGUAGE || c.id == W32K_ID_LANGUAGE_LIST) {
            EXPECT_TRUE(hasBorder(child)) << "the field has a border";
        }
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "no further controls";
}

} // namespace

TEST_F(LanguageNames, TheSelectLanguageTemplateServesTheHostsProcedure)
{
    project.languages[0].nameId = name("English");
    project.languages[2].nameId = name("French");
    HostDialog host{project.data(), 0, {}};

    const ControlExpectation expected[] = {
        {"Static", -1, "Current Language:", {6, 10, 72, 8}, 0, 0},
        {"Edit", W32K_ID_CURRENT_LANGUAGE, "English", {6, 24, 160, 12},
         ES_READONLY | ES_AUTOHSCROLL, WS_TABSTOP},
        {"Static", -1, "&Languages:", {6, 40, 60, 8}, 0, 0},
        {"ListBox", W32K_ID_LANGUAGE_LIST, "", {6, 54, 169, 50},
         LBS_NOTIFY | LBS_DISABLENOSCROLL | WS_VSCROLL | WS_TABSTOP, LBS_SORT},
        {"Button", IDOK, "OK", {191, 6, 50, 14}, BS_DEFPUSHBUTTON | WS_TABSTOP, 0},
        {"Button", IDCANCEL, "Cancel", {191, 24, 50, 14}, WS_TABSTOP, BS_DEFPUSHBUTTON},
    };
    std::string caption;
    bool ran = false;
    host.script = [&](HWND dialog) {
        ran = true;
        caption = w32ktest::windowText(dialog);
        checkLanguageTemplate(dialog, expected);
        HWND list = GetDlgItem(dialog, W32K_ID_LANGUAGE_LIST);
        EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);
        SendMessageA(list, LB_SETCURSEL, 2, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    const INT_PTR result =
        DialogBoxParamA(GetModuleHandleA("W32KORUTIL1.dll"), MAKEINTRESOURCEA(W32K_DLG_SELECT_LANGUAGE),
                        nullptr, hostLanguageProc, reinterpret_cast<LPARAM>(&host));
    EXPECT_TRUE(ran);
    EXPECT_EQ(caption, "Select Language");
    EXPECT_EQ(result, 2) << "the host's procedure ends with the line chosen";
}
