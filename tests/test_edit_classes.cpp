// The digits-only edit (with its return-key report), the check-box-only
// button and the pointer helpers, used through the DLL as a host uses them.
#include <gtest/gtest.h>

#include "support/import_hook.h"
#include "support/pixels.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <string>

using w32ktest::BeepCounter;
using w32ktest::windowText;

namespace {

int g_editReturns = 0;
WNDPROC g_editProc = nullptr;
bool g_retGoneBeforeNcDestroy = false;

LRESULT CALLBACK parentProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m != WM_EDITRETURN)
        return DefWindowProcA(w, m, wp, lp);
    g_editReturns += GetPropA(reinterpret_cast<HWND>(wp), W32K_PROP_EDIT_RETURN) && lp == 0;
    return 0;
}

LRESULT CALLBACK watchDestroy(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_NCDESTROY)
        g_retGoneBeforeNcDestroy = GetPropA(w, W32K_PROP_EDIT_RETURN) == nullptr;
    return CallWindowProcA(g_editProc, w, m, wp, lp);
}

// A visible parent window, counting WM_EDITRETURN, for the controls under test.
class EditClasses : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA cls{0, parentProc, 0, 0, GetModuleHandleA(nullptr), nullptr, nullptr,
                      static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), nullptr, "W32KEditTestParent"};
        RegisterClassA(&cls);
        g_editReturns = 0;
        parent_ = CreateWindowExA(0, cls.lpszClassName, "", WS_POPUP | WS_VISIBLE, 100, 100, 200, 100, nullptr,
                                  nullptr, nullptr, nullptr);
        SetForegroundWindow(parent_);
        w32ktest::pumpMessages();
    }
    void TearDown() override { DestroyWindow(parent_); }
    HWND child(const char* cls, DWORD style, int x, int y, int w, int h, const char* text = "")
    {
        HWND control = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, x, y, w, h, parent_,
                                       nullptr, nullptr, nullptr);
        SendMessageA(control, EM_SETSEL, lstrlenA(text), lstrlenA(text)); // caret at the end of an edit's text
        return control;
    }
    HWND parent_ = nullptr;
};

void type(HWND edit, const std::string& keys)
{
    for (char c : keys)
        SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
}

} // namespace

// Placed text is not filtered; typed letters (of code page 1252 too),
// punctuation, Backspace and Escape beep and change nothing.
TEST_F(EditClasses, DigitsEditTakesTypedDigitsOnlyAndBeepsAtEveryOtherCharacter)
{
    const struct {
        const char *before, *typed, *after;
        int beeps;
    } cases[] = {
        {"", "1a2 3", "123", 2}, {"12", "\b", "12", 1}, {"", "\x1bZ9.-", "9", 4},
        {"7", "0123456789", "70123456789", 0}, {"", "\xe9", "", 1}, {"a1", "2", "a12", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("typed \"") + c.typed + "\" after \"" + c.before + "\"");
        BeepCounter beeps;
        ASSERT_TRUE(beeps.installed());
        HWND edit = child(W32K_CLASS_DIGITS_EDIT, WS_BORDER | ES_AUTOHSCROLL, 10, 10, 80, 20, c.before);
        type(edit, c.typed);
        EXPECT_EQ(windowText(edit), c.after);
        EXPECT_EQ(beeps.count(), c.beeps);
        DestroyWindow(edit);
    }
}

// Without RET an ordinary edit (Tab moves the focus); with it the edit wants
// every key and tells Tab or Return to the parent once; destroying the edit
// removes RET.
TEST_F(EditClasses, DigitsEditWithRetReportsTabAndReturnToTheParent)
{
    HWND edit = child(W32K_CLASS_DIGITS_EDIT, WS_BORDER, 10, 10, 80, 20, "5");
    HWND next = child("button", BS_PUSHBUTTON, 10, 40, 80, 20);
    HWND plain = child("edit", WS_BORDER, 10, 70, 80, 20);
    const auto pressTab = [&] {
        SetFocus(edit);
        MSG msg{edit, WM_KEYDOWN, VK_TAB, 1, GetTickCount(), {}};
        EXPECT_TRUE(IsDialogMessageA(parent_, &msg));
        w32ktest::pumpMessages();
    };
    EXPECT_EQ(SendMessageA(edit, WM_GETDLGCODE, 0, 0), SendMessageA(plain, WM_GETDLGCODE, 0, 0));
    pressTab();
    EXPECT_EQ(GetFocus(), next);
    EXPECT_EQ(g_editReturns, 0);

    SetPropA(edit, W32K_PROP_EDIT_RETURN, reinterpret_cast<HANDLE>(1));
    EXPECT_EQ(SendMessageA(edit, WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS);
    BeepCounter beeps;
    type(edit, "\t\r");
    pressTab();
    EXPECT_EQ(GetFocus(), edit);
    EXPECT_EQ(g_editReturns, 3);
    EXPECT_EQ(windowText(edit), "5");
    type(edit, "\x1b");
    EXPECT_EQ(beeps.count(), 1);
    EXPECT_EQ(g_editReturns, 3);

    g_editProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(watchDestroy)));
    DestroyWindow(edit);
    EXPECT_TRUE(g_retGoneBeforeNcDestroy);
}

// The control (40,30)-(56,50) grown by 2 and moved 2 to the left: only that
// rectangle's edge changes, and comes back on losing the focus.
TEST_F(EditClasses, CheckBoxOnlyFocusRectangleFramesTheControlAndLeavesNoTrace)
{
    HWND check = child(W32K_CLASS_CHECKBOX_ONLY, BS_AUTOCHECKBOX, 40, 30, 16, 20);
    UpdateWindow(parent_);
    w32ktest::pumpMessages(50);
    const w32ktest::ClientPixels before(parent_);
    SetFocus(check);
    ASSERT_EQ(GetFocus(), check);
    const w32ktest::ClientPixels focused(parent_);
    EXPECT_EQ(SendMessageA(check, BM_GETSTATE, 0, 0) & BST_FOCUS, 0) << "the button drew its own focus";
    const RECT frame{36, 28, 56, 52}, inside{37, 29, 55, 51};
    EXPECT_GT(before.differences(focused, frame), 20);
    EXPECT_EQ(before.differences(focused, before.rect()), before.differences(focused, frame));
    EXPECT_EQ(before.differences(focused, inside), 0);
    SetFocus(parent_);
    EXPECT_TRUE(w32ktest::ClientPixels(parent_) == before);
}

TEST(FarPointers, MoveByTheOffsetAndFreeNothing)
{
    char buffer[64] = {};
    const struct {
        void *address;
        LONG offset;
        void* expected;
    } cases[] = {{buffer, 16, buffer + 16}, {buffer + 32, -32, buffer}, {nullptr, 16, reinterpret_cast<void*>(16)}};
    for (const auto& c : cases) {
        EXPECT_EQ(ChangeFarPtrBase(c.address, c.offset), c.expected);
        EXPECT_EQ(GetFarPtrFromHuge(c.address, c.offset), c.expected);
    }
    EXPECT_EQ(FreeOurFarPtr(buffer), 1);
    EXPECT_EQ(FreeOurFarPtr(nullptr), 1);
}
