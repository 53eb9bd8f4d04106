// Combo-box and list-box helpers through the DLL: items from the string table of the control's own
// module (the test executable's strings 50 to 53, not the library's of those numbers) and the finders.
#include <gtest/gtest.h>

#include "support/pixels.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <string>
#include <vector>

namespace {

constexpr DWORD kEnd = W32K_LIST_END;
using Items = std::vector<std::pair<std::string, LRESULT>>; // text, data

// A list box and a combo box of the test executable.
struct Lists : w32ktest::VisibleHost {
    HWND list = add("LISTBOX", 0, 0, 0, 99, 99), combo = add("COMBOBOX", CBS_DROPDOWNLIST, 100, 0, 99, 99);
    Items items(HWND control, bool isCombo) const
    {
        Items out;
        const LRESULT n = SendMessageA(control, isCombo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            char text[64] = "";
            SendMessageA(control, isCombo ? CB_GETLBTEXT : LB_GETTEXT, i, LPARAM(text));
            out.emplace_back(text, SendMessageA(control, isCombo ? CB_GETITEMDATA : LB_GETITEMDATA, i, 0));
        }
        return out;
    }
};

} // namespace

// 16-bit data and string ids; items held before stay; CheckCBStrings wants the value list's items and data.
TEST(ListHelpers, FillingAddsTextsOfTheControlsModuleWithSixteenBitsOfData)
{
    Lists w;
    SendMessageA(w.list, LB_ADDSTRING, 0, LPARAM("kept"));
    const DWORD values[] = {0, 0x10003, 0x10001, kEnd}, redGreen[] = {0, 1, kEnd};
    EXPECT_TRUE(SetLBStrings(w.list, 50, values));
    EXPECT_EQ(w.items(w.list, false), (Items{{"kept", 0}, {"Red", 0}, {"Yellow", 3}, {"Green", 1}}));
    EXPECT_TRUE(SetCBStrings(w.combo, 50, redGreen));
    EXPECT_EQ(w.items(w.combo, true), (Items{{"Red", 0}, {"Green", 1}}));
    EXPECT_TRUE(CheckCBStrings(w.combo, 50, redGreen));
    EXPECT_FALSE(CheckCBStrings(w.combo, 50, values)) << "an item missing";
    SendMessageA(w.combo, CB_SETITEMDATA, 1, 0x10001);
    EXPECT_FALSE(CheckCBStrings(w.combo, 50, redGreen)) << "the right text, other data";
}

// The low 16 bits of an item's data against the whole value.
TEST(ListHelpers, FindersCompareTheLowSixteenBitsWithTheWholeValue)
{
    Lists w;
    const DWORD items[] = {0, 0x30002, 2, 0, kEnd}; // Red/0 Blue/2 Blue/2 Red/0
    SetLBStrings(w.list, 50, items);
    SetCBStrings(w.combo, 50, items);
    SendMessageA(w.list, LB_SETITEMDATA, 1, 0x30002);
    SendMessageA(w.combo, CB_SETITEMDATA, 1, 0x30002);
    for (const bool combo : {false, true}) {
        HWND control = combo ? w.combo : w.list;
        const struct { DWORD value; int selected; const char* text; } cases[] = {
            {2, 1, "Blue"}, {0, 0, "Red"}, {0x10002, -1, ""}, {6, -1, ""}};
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << combo << " " << c.value);
            SendMessageA(control, combo ? CB_SETCURSEL : LB_SETCURSEL, WPARAM(-1), 0);
            EXPECT_EQ(combo ? GetCBSelectionData(control) : GetLBSelectionData(control), -1);
            EXPECT_EQ(combo ? SelectCBItem(control, c.value) : SelectLBItem(control, c.value),
                      c.selected >= 0);
            EXPECT_EQ(SendMessageA(control, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0), c.selected);
            EXPECT_EQ(combo ? GetCBSelectionData(control) : GetLBSelectionData(control),
                      c.selected < 0 ? -1 : c.selected ? 0x30002 : 0);
            char text[16] = "";
            EXPECT_EQ(combo ? GetCBStringForSelectionData(control, c.value, text)
                            : GetLBStringForSelectionData(control, c.value, text), c.selected >= 0);
            EXPECT_STREQ(text, c.text);
        }
    }
    HWND edit = w.add("EDIT", 0, 0, 100, 99, 20, 77, "text");
    ClearEditBox(w.window(), 77);
    EXPECT_EQ(w32ktest::windowText(edit), "");
}
