// The digits-only edit, the check-box-only button and the pointer helpers,
// used through the DLL as a host uses them.
#include <gtest/gtest.h>

#include "support/import_hook.h"
#include "support/pixels.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <string>
#include <vector>

using w32ktest::BeepCounter;
using w32ktest::windowText;

namespace {

constexpr char kParentClass[] = "W32KEditTestParent";

struct EditReturn {
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<EditReturn> g_editReturns;

LRESULT CALLBACK parentProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m != WM_EDITRETURN)
        return DefWindowProcA(w, m, wp, lp);
    g_editReturns.push_back({wp, lp});
    return 0;
}

// A visible parent window, recording WM_EDITRETURN, for the controls under test.
class Fixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSEXA cls{};
        cls.cbSize = sizeof cls;
        cls.lpfnWndProc = parentProc;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        cls.lpszClassName = kParentClass;
        RegisterClassExA(&cls);
        g_editReturns.clear();
        parent_ = CreateWindowExA(0, kParentClass, "parent", WS_POPUP | WS_VISIBLE, 100, 100, 200,
                                  100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
        SetForegroundWindow(parent_);
        w32ktest::pumpMessages();
    }
    void TearDown() override { DestroyWindow(parent_); }

    HWND child(const char* cls, DWORD style, int x, int y, int w, int h, int id)
    {
        return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleA(nullptr), nullptr);
    }
    // A digits-only edit holding `text` (placed, not typed), caret at its end.
    HWND digitsEdit(const char* text = "")
    {
        HWND edit = child(W32K_CLASS_DIGITS_EDIT, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 10, 10, 80, 20, 1);
        SetWindowTextA(edit, text);
        SendMessageA(edit, EM_SETSEL, lstrlenA(text), lstrlenA(text));
        return edit;
    }

    HWND parent_ = nullptr;
};

using DigitsEdit = Fixture;
using CheckBoxOnly = Fixture;

void type(HWND edit, const std::string& keys)
{
    for (char c : keys)
        SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
}

TEST_F(DigitsEdit, TakesTypedDigitsOnlyAndBeepsAtEveryOtherCharacter)
{
    struct Case {
        const char* before; // placed text is not filtered
        const char* typed;
        const char* after;
        int beeps;
    };
    const Case cases[] = {
        {"", "1a2 3", "123", 2},
        {"12", "\b", "12", 1},          // Backspace deletes nothing
        {"", "\x1b", "", 1},            // Escape
        {"", "Z9.-", "9", 3},           // upper-case letter, punctuation
        {"7", "0123456789", "70123456789", 0},
        {"", "\xe9", "", 1},            // a letter of code page 1252
        {"a1", "2", "a12", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("typed \"") + c.typed + "\" after \"" + c.before + "\"");
        BeepCounter beeps;
        ASSERT_TRUE(beeps.installed());
        HWND edit = digitsEdit(c.before);
        type(edit, c.typed);
        EXPECT_EQ(windowText(edit), c.after);
        EXPECT_EQ(beeps.count(), c.beeps);
        DestroyWindow(edit);
    }
}

WNDPROC g_editProc = nullptr;
bool g_retGoneBeforeNcDestroy = false;
LRESULT CALLBACK watchDestroy(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_NCDESTROY)
        g_retGoneBeforeNcDestroy = GetPropA(w, W32K_PROP_EDIT_RETURN) == nullptr;
    return CallWindowProcA(g_editProc, w, m, wp, lp);
}

TEST_F(DigitsEdit, WithRetTabAndReturnGoToTheParentAndRetGoesWithTheEdit)
{
    HWND edit = digitsEdit("5");
    HWND next = child("button", BS_PUSHBUTTON | WS_TABSTOP, 10, 40, 80, 20, 2);
    HWND plain = child("edit", WS_BORDER, 10, 70, 80, 20, 3);
    auto pressTab = [&] {
        SetFocus(edit);
        MSG msg{edit, WM_KEYDOWN, VK_TAB, 1, GetTickCount(), {}};
        EXPECT_TRUE(IsDialogMessageA(parent_, &msg));
        w32ktest::pumpMessages();
    };

    // Without: an ordinary edit, Tab moves the focus.
    EXPECT_EQ(SendMessageA(edit, WM_GETDLGCODE, 0, 0), SendMessageA(plain, WM_GETDLGCODE, 0, 0));
    EXPECT_EQ(SendMessageA(edit, WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS, 0);
    pressTab();
    EXPECT_EQ(GetFocus(), next);
    EXPECT_TRUE(g_editReturns.empty());

    // With: every key, and Tab or Return is told to the parent once.
    SetPropA(edit, W32K_PROP_EDIT_RETURN, reinterpret_cast<HANDLE>(1));
    EXPECT_EQ(SendMessageA(edit, WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS);
    BeepCounter beeps;
    type(edit, "\t\r");
    pressTab();
    EXPECT_EQ(GetFocus(), edit);
    ASSERT_EQ(g_editReturns.size(), 3u);
    for (const auto& r : g_editReturns) {
        EXPECT_EQ(r.wParam, reinterpret_cast<WPARAM>(edit));
        EXPECT_EQ(r.lParam, 0);
    }
    EXPECT_EQ(windowText(edit), "5");
    EXPECT_EQ(beeps.count(), 0);
    type(edit, "\x1b");
    EXPECT_EQ(beeps.count(), 1);
    EXPECT_EQ(g_editReturns.size(), 3u);

    // Destroying the edit removes RET.
    g_editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(watchDestroy)));
    DestroyWindow(edit);
    EXPECT_TRUE(g_retGoneBeforeNcDestroy);
}

TEST_F(CheckBoxOnly, FocusRectangleFramesTheControlAndLeavesNoTrace)
{
    HWND check = child(W32K_CLASS_CHECKBOX_ONLY, BS_AUTOCHECKBOX | WS_TABSTOP, 40, 30, 16, 20, 3);
    ASSERT_NE(check, nullptr);
    UpdateWindow(parent_);
    w32ktest::pumpMessages(50);
    const w32ktest::ClientPixels before(parent_);

    SetFocus(check);
    ASSERT_EQ(GetFocus(), check);
    const w32ktest::ClientPixels focused(parent_);
    EXPECT_EQ(SendMessageA(check, BM_GETSTATE, 0, 0) & BST_FOCUS, 0) << "the button drew its own focus";

    // The control (40,30)-(56,50) grown by 2 and moved 2 to the left: only its edge changes.
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
    struct Case {
        void* address;
        LONG offset;
        void* expected;
    };
    const Case cases[] = {
        {buffer, 16, buffer + 16},
        {buffer + 32, -32, buffer},
        {buffer, 0, buffer},
        {nullptr, 16, reinterpret_cast<void*>(16)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChangeFarPtrBase(c.address, c.offset), c.expected);
        EXPECT_EQ(GetFarPtrFromHuge(c.address, c.offset), c.expected);
    }
    EXPECT_EQ(FreeOurFarPtr(buffer), 1);
    EXPECT_EQ(FreeOurFarPtr(nullptr), 1);
    EXPECT_EQ(buffer[0], 0);
}

} // namespace
