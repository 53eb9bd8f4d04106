// Combo-box and list-box helpers through the DLL: items from the string table
// of the control's own module (the test executable's strings 50 to 53, which
// the library's own strings of those numbers must not replace) and the finders.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "w32korutil1.h"

#include <string>
#include <vector>

namespace {

constexpr DWORD kEnd = W32K_LIST_END;

struct Controls {
    HWND parent = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr, nullptr, nullptr);
    HWND combo = make("COMBOBOX", CBS_DROPDOWNLIST), list = make("LISTBOX", 0);
    HWND make(const char* cls, DWORD style)
    {
        return CreateWindowA(cls, "", WS_CHILD | style, 0, 0, 99, 99, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~Controls() { DestroyWindow(parent); }
};

// The messages of a list box, or of a combo box.
struct Kind {
    UINT count, text, data, add, setData, select, current;
};
constexpr Kind kList{LB_GETCOUNT, LB_GETTEXT, LB_GETITEMDATA, LB_ADDSTRING, LB_SETITEMDATA, LB_SETCURSEL, LB_GETCURSEL};
constexpr Kind kCombo{CB_GETCOUNT, CB_GETLBTEXT, CB_GETITEMDATA, CB_ADDSTRING, CB_SETITEMDATA, CB_SETCURSEL,
                      CB_GETCURSEL};

// "text/data" per item.
std::vector<std::string> items(HWND control, const Kind& k)
{
    std::vector<std::string> out;
    for (LRESULT i = 0, n = SendMessageA(control, k.count, 0, 0); i < n; ++i) {
        char text[64] = "";
        SendMessageA(control, k.text, i, reinterpret_cast<LPARAM>(text));
        out.push_back(std::string(text) + "/" + std::to_string(SendMessageA(control, k.data, i, 0)));
    }
    return out;
}

void add(HWND control, const Kind& k, const char* text, DWORD data)
{
    SendMessageA(control, k.setData, SendMessageA(control, k.add, 0, reinterpret_cast<LPARAM>(text)), data);
}

} // namespace

// String ids, like the data, have 16 bits; a list box keeps what it held.
// CheckCBStrings wants exactly the items of the value list.
TEST(ListHelpers, FillingAddsTextsOfTheControlsModuleWithSixteenBitsOfData)
{
    const struct {
        std::vector<DWORD> values;
        std::vector<std::string> added;
    } cases[] = {
        {{0, 2, kEnd}, {"Red/0", "Blue/2"}},
        {{kEnd}, {}},
        {{3, 1, 3, kEnd}, {"Yellow/3", "Green/1", "Yellow/3"}},
        {{0x10001, kEnd}, {"Green/1"}},
    };
    for (const auto& c : cases) {
        Controls w;
        add(w.list, kList, "kept", 9);
        EXPECT_TRUE(SetCBStrings(w.combo, 50, c.values.data()));
        EXPECT_TRUE(SetLBStrings(w.list, 50, c.values.data()));
        EXPECT_EQ(items(w.combo, kCombo), c.added);
        std::vector<std::string> listed{"kept/9"};
        listed.insert(listed.end(), c.added.begin(), c.added.end());
        EXPECT_EQ(items(w.list, kList), listed);
    }
    Controls w;
    const DWORD values[] = {0, 2, kEnd}, none[] = {kEnd};
    EXPECT_TRUE(CheckCBStrings(w.combo, 50, none));
    EXPECT_FALSE(CheckCBStrings(w.combo, 50, values));
    SetCBStrings(w.combo, 50, values);
    EXPECT_TRUE(CheckCBStrings(w.combo, 50, values));
    add(w.combo, kCombo, "Green", 1);
    EXPECT_FALSE(CheckCBStrings(w.combo, 50, values)) << "one item more";
    SendMessageA(w.combo, CB_RESETCONTENT, 0, 0);
    add(w.combo, kCombo, "Red", 0);
    add(w.combo, kCombo, "Blue", 0x10002);
    EXPECT_FALSE(CheckCBStrings(w.combo, 50, values)) << "the right text, other data";
}

// The low 16 bits of an item's data against the whole value.
TEST(ListHelpers, FindersCompareTheLowSixteenBitsWithTheWholeValue)
{
    Controls w;
    for (const Kind* k : {&kList, &kCombo}) {
        const bool combo = k == &kCombo;
        HWND control = combo ? w.combo : w.list;
        EXPECT_EQ(combo ? SelectCBItem(control, 0) : SelectLBItem(control, 0), FALSE) << "empty";
        for (const auto& [text, data] : {std::pair{"a", 7u}, {"b", 0x30005u}, {"c", 5u}, {"d", 7u}})
            add(control, *k, text, data);
        const struct {
            DWORD value;
            int selected; // -1: not found
            const char* text;
        } cases[] = {{7, 0, "a"}, {5, 1, "b"}, {0x10005, -1, ""}, {6, -1, ""}};
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << combo << " " << c.value);
            SendMessageA(control, k->select, static_cast<WPARAM>(-1), 0);
            EXPECT_EQ(combo ? GetCBSelectionData(control) : GetLBSelectionData(control), -1);
            EXPECT_EQ(combo ? SelectCBItem(control, c.value) : SelectLBItem(control, c.value), c.selected >= 0);
            EXPECT_EQ(SendMessageA(control, k->current, 0, 0), c.selected);
            if (c.selected >= 0) {
                EXPECT_EQ((combo ? GetCBSelectionData(control) : GetLBSelectionData(control)) & 0xFFFF, LONG(c.value));
            }
            char text[16] = "";
            EXPECT_EQ(combo ? GetCBStringForSelectionData(control, c.value, text)
                            : GetLBStringForSelectionData(control, c.value, text),
                      c.selected >= 0);
            EXPECT_STREQ(text, c.text);
        }
    }
    HWND edit = CreateWindowA("EDIT", "text", WS_CHILD, 0, 0, 99, 20, w.parent, reinterpret_cast<HMENU>(77), nullptr,
                              nullptr);
    ClearEditBox(w.parent, 77);
    EXPECT_EQ(w32ktest::windowText(edit), "");
}
