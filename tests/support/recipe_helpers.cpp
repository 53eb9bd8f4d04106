#include "support/recipe_helpers.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <map>

namespace w32ktest {

int HostRecipe::edit(const std::function<void(HWND)>& script)
{
    DialogScript driver(script);
    const int result = open(nullptr);
    EXPECT_TRUE(driver.ran());
    return result;
}

void HostRecipe::expectReferencesBalanced()
{
    std::map<WORD, UINT> held;
    for (const ParSetFolder& folder : folders)
        for (const ParSetEntry& e : w32khost::entriesOf(folder))
            if (folder.ValueKind == PARSET_KIND_TEXT && e.StringId != 0)
                ++held[e.StringId];
    for (const auto& [id, count] : held)
        EXPECT_EQ(project.references(id), count) << "id " << id;
    EXPECT_EQ(project.liveTexts(), held.size());
}

std::string controlText(HWND d, int id)
{
    return windowText(GetDlgItem(d, id));
}

void typeText(HWND d, int id, const char* typed)
{
    SetFocus(GetDlgItem(d, id));
    SetDlgItemTextA(d, id, typed);
    SendDlgItemMessageA(d, id, EM_SETMODIFY, TRUE, 0);
}

void typeInto(HWND d, int id, const char* typed)
{
    typeText(d, id, typed);
    SetFocus(GetDlgItem(d, IDC_MX_CORNER));
}

void spin(HWND d, int code, int from)
{
    SendMessageA(d, WM_SPINSTEP, WPARAM(GetDlgItem(d, from)), code);
}

void scroll(HWND d, bool vertical, int code, int thumb)
{
    const int bar = vertical ? IDC_MX_VSCROLL : IDC_MX_HSCROLL;
    SendMessageA(d, vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, thumb), LPARAM(GetDlgItem(d, bar)));
}

// Activation resynchronises the key state first; the key goes again while
// the system's state does not show it yet.
void shiftClick(HWND d, int id)
{
    for (const bool down : {true, false}) {
        SetForegroundWindow(d);
        pumpMessages(100);
        const auto shiftShown = [] { return (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0; };
        for (int attempt = 0; attempt < 60 && shiftShown() != down; ++attempt) {
            if (attempt % 20 == 0)
                keybd_event(VK_SHIFT, 0, down ? 0 : KEYEVENTF_KEYUP, 0);
            pumpMessages(10);
        }
        EXPECT_EQ((GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0, down);
        if (down)
            click(d, id);
    }
}

} // namespace w32ktest
