// The digits-only edit (with its return-key report) and the pointer helpers, used through the DLL as a host
// uses them. (The check-box-only button's focus frame: test_password, with and without version 6 controls.)
#include <gtest/gtest.h>

#include "support/import_hook.h"
#include "support/pixels.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <string>

using w32ktest::windowText;

namespace {

WNDPROC g_original = nullptr;
int g_editReturns = 0; // WM_EDITRETURN from an edit with RET, lParam 0

LRESULT CALLBACK countReturns(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    g_editReturns += m == WM_EDITRETURN && GetPropA(HWND(wp), W32K_PROP_EDIT_RETURN) && lp == 0;
    return CallWindowProcA(g_original, w, m, wp, lp);
}

// A digits-only edit holding `text` (placed, not typed), caret at its end.
HWND digitsEdit(w32ktest::VisibleHost& host, const char* text)
{
    HWND edit = host.add(W32K_CLASS_DIGITS_EDIT, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 10, 10, 80, 20, 1,
                         text);
    SendMessageA(edit, EM_SETSEL, lstrlenA(text), lstrlenA(text));
    return edit;
}

void type(HWND edit, const std::string& keys)
{
    for (char c : keys)
        SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
}

} // namespace

// Placed text is not filtered; typed letters (of code page 1252 too),
// punctuation, Backspace and Escape beep and change nothing.
TEST(DigitsEdit, TakesTypedDigitsOnlyAndBeepsAtEveryOtherCharacter)
{
    const struct { const char *before, *typed, *after; int beeps; } cases[] = {
        {"", "1a2 3", "123", 2}, {"12", "\b", "12", 1}, {"", "\x1bZ9.-", "9", 4}, {"", "\xe9", "", 1},
        {"a1", "2", "a12", 0},
    };
    w32ktest::VisibleHost host;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("typed \"") + c.typed + "\" after \"" + c.before + "\"");
        w32ktest::BeepCounter beeps;
        ASSERT_TRUE(beeps.installed());
        HWND edit = digitsEdit(host, c.before);
        type(edit, c.typed);
        EXPECT_EQ(windowText(edit), c.after);
        EXPECT_EQ(beeps.count(), c.beeps);
        DestroyWindow(edit);
    }
}

// Without RET an ordinary edit; with it the edit wants every key and tells Tab or Return to the parent once.
TEST(DigitsEdit, WithRetReportsTabAndReturnToTheParent)
{
    w32ktest::VisibleHost host;
    g_original = WNDPROC(SetWindowLongPtrA(host.window(), GWLP_WNDPROC, LONG_PTR(countReturns)));
    HWND edit = digitsEdit(host, "5");
    host.add("BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 10, 40, 80, 20); // where Tab would go
    HWND plain = host.add("EDIT", WS_BORDER, 10, 70, 80, 20);
    EXPECT_EQ(SendMessageA(edit, WM_GETDLGCODE, 0, 0), SendMessageA(plain, WM_GETDLGCODE, 0, 0));
    SetPropA(edit, W32K_PROP_EDIT_RETURN, reinterpret_cast<HANDLE>(1));
    EXPECT_EQ(SendMessageA(edit, WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS);
    w32ktest::BeepCounter beeps;
    type(edit, "\t\r");
    SetFocus(edit);
    MSG tab{edit, WM_KEYDOWN, VK_TAB, 1, GetTickCount(), {}};
    EXPECT_TRUE(IsDialogMessageA(host.window(), &tab));
    w32ktest::pumpMessages();
    EXPECT_EQ(GetFocus(), edit) << "not to the next control";
    EXPECT_EQ(windowText(edit), "5");
    EXPECT_EQ(beeps.count(), 0) << "Tab and Return do not beep";
    EXPECT_EQ(g_editReturns, 3);
    SetWindowLongPtrA(host.window(), GWLP_WNDPROC, LONG_PTR(g_original));
}

TEST(FarPointers, MoveByTheOffsetAndFreeNothing)
{
    char buffer[64] = {};
    EXPECT_EQ(ChangeFarPtrBase(buffer, 16), buffer + 16);
    EXPECT_EQ(GetFarPtrFromHuge(buffer + 32, -32), buffer);
    EXPECT_EQ(GetFarPtrFromHuge(nullptr, 16), reinterpret_cast<void*>(16));
    EXPECT_EQ(FreeOurFarPtr(buffer), 1);
}
