// Combo-box and list-box helpers through the DLL: items from the string table
// of the control's own module, item data kept to 16 bits, and the finders.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "w32korutil1.h"

#include <string>
#include <vector>

namespace {

constexpr UINT kBase = 50; // the test executable's strings 50 to 53
constexpr DWORD kEnd = W32K_LIST_END;

struct Item {
    std::string text;
    DWORD data;
    friend bool operator==(const Item&, const Item&) = default;
};
void PrintTo(const Item& item, std::ostream* out)
{
    *out << '"' << item.text << "\"/" << item.data;
}

// A combo box and a list box owned by the test executable's module.
class ListHelpers : public ::testing::Test {
protected:
    void SetUp() override
    {
        const HINSTANCE exe = GetModuleHandleA(nullptr);
        parent = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr, exe, nullptr);
        combo = CreateWindowA("COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 100, 100, parent, nullptr, exe,
                              nullptr);
        list = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 100, 100, parent, nullptr, exe, nullptr);
        edit = CreateWindowA("EDIT", "", WS_CHILD, 0, 0, 100, 20, parent, reinterpret_cast<HMENU>(kEditId), exe,
                             nullptr);
    }
    void TearDown() override { DestroyWindow(parent); }

    std::vector<Item> comboItems() const { return items(combo, CB_GETCOUNT, CB_GETLBTEXT, CB_GETITEMDATA); }
    std::vector<Item> listItems() const { return items(list, LB_GETCOUNT, LB_GETTEXT, LB_GETITEMDATA); }
    void addListItem(const char* text, DWORD data) const
    {
        const LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendMessageA(list, LB_SETITEMDATA, index, data);
    }
    void addComboItem(const char* text, DWORD data) const
    {
        const LRESULT index = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendMessageA(combo, CB_SETITEMDATA, index, data);
    }

    static constexpr int kEditId = 77;
    HWND parent = nullptr, combo = nullptr, list = nullptr, edit = nullptr;

private:
    static std::vector<Item> items(HWND control, UINT count, UINT text, UINT data)
    {
        std::vector<Item> out;
        for (LRESULT i = 0; i < SendMessageA(control, count, 0, 0); ++i) {
            char buffer[64] = "";
            SendMessageA(control, text, i, reinterpret_cast<LPARAM>(buffer));
            out.push_back({buffer, static_cast<DWORD>(SendMessageA(control, data, i, 0))});
        }
        return out;
    }
};

TEST_F(ListHelpers, FillingTakesTheControlsOwnStringsAndSixteenBitsOfData)
{
    struct Case {
        std::vector<DWORD> values;
        std::vector<Item> added;
    };
    const Case cases[] = {
        {{0, 2, kEnd}, {{"Red", 0}, {"Blue", 2}}},
        {{kEnd}, {}},
        {{3, 1, 3, kEnd}, {{"Yellow", 3}, {"Green", 1}, {"Yellow", 3}}},
        // An entry above 16 bits keeps its low bits (string ids have 16 bits, too).
        {{0x10001, kEnd}, {{"Green", 1}}},
    };
    for (const Case& c : cases) {
        SendMessageA(combo, CB_RESETCONTENT, 0, 0);
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
        addListItem("kept", 9);
        EXPECT_TRUE(SetCBStrings(combo, kBase, c.values.data()));
        EXPECT_TRUE(SetLBStrings(list, kBase, c.values.data()));
        EXPECT_EQ(comboItems(), c.added);
        std::vector<Item> expected{{"kept", 9}};
        expected.insert(expected.end(), c.added.begin(), c.added.end());
        EXPECT_EQ(listItems(), expected);
    }
}

TEST_F(ListHelpers, FindersCompareTheLowSixteenBitsWithTheWholeValue)
{
    addListItem("a", 7);
    addListItem("b", 0x30005); // 5 in the low 16 bits
    addListItem("c", 5);
    addListItem("d", 7);
    struct Case {
        DWORD value;
        BOOL found;
        int selected;
        const char* text;
    };
    const Case cases[] = {
        {7, TRUE, 0, "a"},       // two items share it: the first
        {5, TRUE, 1, "b"},       // the bits above are ignored
        {0x10005, FALSE, -1, ""}, // the value is compared as a whole
        {6, FALSE, -1, ""},
    };
    for (const Case& c : cases) {
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        EXPECT_EQ(SelectLBItem(list, c.value), c.found) << c.value;
        EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), c.selected) << c.value;
        char text[16] = "";
        EXPECT_EQ(GetLBStringForSelectionData(list, c.value, text), c.found) << c.value;
        EXPECT_STREQ(text, c.text);
    }
    EXPECT_FALSE(GetLBStringForSelectionData(list, 7, nullptr));
}

TEST_F(ListHelpers, ComboBoxFindersAndSelectionData)
{
    EXPECT_FALSE(SelectCBItem(combo, 0)); // no items
    EXPECT_EQ(GetCBSelectionData(combo), -1);
    const DWORD values[] = {1, 2, kEnd};
    SetCBStrings(combo, kBase, values);
    EXPECT_EQ(GetCBSelectionData(combo), -1);
    EXPECT_TRUE(SelectCBItem(combo, 2));
    EXPECT_EQ(GetCBSelectionData(combo), 2);
    char text[16] = "";
    EXPECT_TRUE(GetCBStringForSelectionData(combo, 1, text));
    EXPECT_STREQ(text, "Green");
    EXPECT_FALSE(GetCBStringForSelectionData(combo, 3, text));

    EXPECT_EQ(GetLBSelectionData(list), -1);
    addListItem("x", 4);
    SelectLBItem(list, 4);
    EXPECT_EQ(GetLBSelectionData(list), 4);
}

TEST_F(ListHelpers, CheckCBStringsWantsExactlyTheItemsOfTheValueList)
{
    const DWORD values[] = {0, 2, kEnd};
    const DWORD none[] = {kEnd};
    EXPECT_TRUE(CheckCBStrings(combo, kBase, none)); // empty list, empty control
    EXPECT_FALSE(CheckCBStrings(combo, kBase, values));
    SetCBStrings(combo, kBase, values);
    EXPECT_TRUE(CheckCBStrings(combo, kBase, values));
    EXPECT_FALSE(CheckCBStrings(combo, kBase, none));
    addComboItem("Green", 1); // one item more than the list
    EXPECT_FALSE(CheckCBStrings(combo, kBase, values));

    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    addComboItem("Red", 0);
    addComboItem("Blue", 0x10002); // the right text with other data
    EXPECT_FALSE(CheckCBStrings(combo, kBase, values));
}

TEST_F(ListHelpers, ClearEditBoxEmptiesTheDialogsEdit)
{
    for (const char* text : {"some text", ""}) {
        SetWindowTextA(edit, text);
        ClearEditBox(parent, kEditId);
        EXPECT_EQ(w32ktest::windowText(edit), "") << text;
    }
}

} // namespace
