// Combo-box and list-box helpers through the DLL: items from the string table
// of the control's own module (the test executable's strings 50 to 53, which
// the library's messages 51 to 53 must not replace) and the finders.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "w32korutil1.h"

#include <string>
#include <vector>

namespace {

constexpr UINT kBase = 50;
constexpr DWORD kEnd = W32K_LIST_END;

class ListHelpers : public ::testing::Test {
protected:
    void SetUp() override
    {
        const HINSTANCE exe = GetModuleHandleA(nullptr);
        parent = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr, exe, nullptr);
        combo = CreateWindowA("COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 99, 99, parent, nullptr, exe, nullptr);
        list = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 99, 99, parent, nullptr, exe, nullptr);
    }
    void TearDown() override { DestroyWindow(parent); }

    // "text/data" per item.
    static std::vector<std::string> items(HWND control, bool isCombo)
    {
        std::vector<std::string> out;
        const LRESULT n = SendMessageA(control, isCombo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            char text[64] = "";
            SendMessageA(control, isCombo ? CB_GETLBTEXT : LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            const LRESULT data = SendMessageA(control, isCombo ? CB_GETITEMDATA : LB_GETITEMDATA, i, 0);
            out.push_back(std::string(text) + "/" + std::to_string(data));
        }
        return out;
    }
    static void add(HWND control, bool isCombo, const char* text, DWORD data)
    {
        const LRESULT i = SendMessageA(control, isCombo ? CB_ADDSTRING : LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendMessageA(control, isCombo ? CB_SETITEMDATA : LB_SETITEMDATA, i, data);
    }

    HWND parent = nullptr, combo = nullptr, list = nullptr;
};

TEST_F(ListHelpers, FillingAddsTextsOfTheControlsModuleWithSixteenBitsOfData)
{
    const struct {
        std::vector<DWORD> values;
        std::vector<std::string> added;
    } cases[] = {
        {{0, 2, kEnd}, {"Red/0", "Blue/2"}},
        {{kEnd}, {}},
        {{3, 1, 3, kEnd}, {"Yellow/3", "Green/1", "Yellow/3"}},
        {{0x10001, kEnd}, {"Green/1"}}, // string ids have 16 bits, too
    };
    for (const auto& c : cases) {
        SendMessageA(combo, CB_RESETCONTENT, 0, 0);
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
        add(list, false, "kept", 9);
        EXPECT_TRUE(SetCBStrings(combo, kBase, c.values.data()));
        EXPECT_TRUE(SetLBStrings(list, kBase, c.values.data()));
        EXPECT_EQ(items(combo, true), c.added);
        std::vector<std::string> expected{"kept/9"};
        expected.insert(expected.end(), c.added.begin(), c.added.end());
        EXPECT_EQ(items(list, false), expected);
    }
}

TEST_F(ListHelpers, FindersCompareTheLowSixteenBitsWithTheWholeValue)
{
    for (HWND control : {list, combo}) {
        const bool isCombo = control == combo;
        for (const auto& [text, data] : {std::pair{"a", 7u}, {"b", 0x30005u}, {"c", 5u}, {"d", 7u}})
            add(control, isCombo, text, data);
        const struct {
            DWORD value;
            int selected; // -1: not found
            const char* text;
        } cases[] = {{7, 0, "a"}, {5, 1, "b"}, {0x10005, -1, ""}, {6, -1, ""}};
        for (const auto& c : cases) {
            SendMessageA(control, isCombo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
            EXPECT_EQ(isCombo ? GetCBSelectionData(control) : GetLBSelectionData(control), -1);
            const BOOL found = c.selected >= 0;
            EXPECT_EQ(isCombo ? SelectCBItem(control, c.value) : SelectLBItem(control, c.value), found);
            EXPECT_EQ(SendMessageA(control, isCombo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0), c.selected);
            if (found) {
                const LONG data = isCombo ? GetCBSelectionData(control) : GetLBSelectionData(control);
                EXPECT_EQ(static_cast<DWORD>(data) & 0xFFFF, c.value);
            }
            char text[16] = "";
            EXPECT_EQ(isCombo ? GetCBStringForSelectionData(control, c.value, text)
                              : GetLBStringForSelectionData(control, c.value, text),
                      found);
            EXPECT_STREQ(text, c.text);
        }
    }
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    EXPECT_FALSE(SelectLBItem(list, 0));
}

TEST_F(ListHelpers, CheckCBStringsWantsExactlyTheItemsOfTheValueList)
{
    const DWORD values[] = {0, 2, kEnd};
    const DWORD none[] = {kEnd};
    EXPECT_TRUE(CheckCBStrings(combo, kBase, none));
    EXPECT_FALSE(CheckCBStrings(combo, kBase, values));
    SetCBStrings(combo, kBase, values);
    EXPECT_TRUE(CheckCBStrings(combo, kBase, values));
    add(combo, true, "Green", 1); // one item more
    EXPECT_FALSE(CheckCBStrings(combo, kBase, values));
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    add(combo, true, "Red", 0);
    add(combo, true, "Blue", 0x10002); // the right text, other data
    EXPECT_FALSE(CheckCBStrings(combo, kBase, values));
}

TEST_F(ListHelpers, ClearEditBoxEmptiesTheDialogsEdit)
{
    const HWND edit = CreateWindowA("EDIT", "", WS_CHILD, 0, 0, 99, 20, parent, reinterpret_cast<HMENU>(77), nullptr,
                                    nullptr);
    for (const char* text : {"some text", ""}) {
        SetWindowTextA(edit, text);
        ClearEditBox(parent, 77);
        EXPECT_EQ(w32ktest::windowText(edit), "");
    }
}

} // namespace
