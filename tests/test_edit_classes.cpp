// The digits-only edit, the check-box-only button and the pointer helpers,
// used through the DLL as a host uses them.
#include <gtest/gtest.h>

#include "support/import_hook.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <string>
#include <vector>

using w32ktest::ImportHook;
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
    if (m == WM_EDITRETURN) {
        g_editReturns.push_back({wp, lp});
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}

void registerParentClass()
{
    WNDCLASSEXA cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = parentProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    cls.lpszClassName = kParentClass;
    RegisterClassExA(&cls);
}

// Counts the library's MessageBeep calls while alive.
class BeepCounter {
public:
    BeepCounter()
        : hook_(GetModuleHandleA("W32KORUTIL1.dll"), "USER32.dll", "MessageBeep",
                reinterpret_cast<void*>(&beep))
    {
        count_ = 0;
    }
    bool installed() const { return hook_.installed(); }
    int count() const { return count_; }

private:
    static BOOL WINAPI beep(UINT) { return ++count_, TRUE; }
    static inline int count_ = 0;
    ImportHook hook_;
};

// A visible parent window with one child of the given class.
class Fixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerParentClass();
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
    HWND digitsEdit(const char* text = "")
    {
        HWND edit = child(W32K_CLASS_DIGITS_EDIT, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 10, 10,
                          80, 20, 1);
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

struct TypingCase {
    const char* before;
    const char* typed;
    const char* after;
    int beeps;
};

TEST_F(DigitsEdit, TakesTypedDigitsOnlyAndBeepsAtEveryOtherCharacter)
{
    const TypingCase cases[] = {
        {"", "1a2 3", "123", 2},
        {"12", "\b", "12", 1},          // Backspace deletes nothing
        {"", "\x1b", "", 1},            // Escape
        {"", "Z9.-", "9", 3},           // upper-case letter, punctuation
        {"7", "0123456789", "70123456789", 0},
        {"", "\xe9", "", 1},            // a letter of code page 1252
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

TEST_F(DigitsEdit, PlacedTextAndKeyDownEditingAreNotFiltered)
{
    BeepCounter beeps;
    HWND edit = digitsEdit("a1");
    EXPECT_EQ(windowText(edit), "a1");
    SendMessageA(edit, EM_SETSEL, 0, 0);
    SendMessageA(edit, WM_KEYDOWN, VK_DELETE, 1);
    EXPECT_EQ(windowText(edit), "1");
    EXPECT_EQ(beeps.count(), 0);
}

TEST_F(DigitsEdit, WithRetTabAndReturnGoToTheParentOnce)
{
    BeepCounter beeps;
    HWND edit = digitsEdit("12");
    SetPropA(edit, W32K_PROP_EDIT_RETURN, reinterpret_cast<HANDLE>(1));
    type(edit, "\t\r");
    ASSERT_EQ(g_editReturns.size(), 2u);
    for (const auto& r : g_editReturns) {
        EXPECT_EQ(r.wParam, reinterpret_cast<WPARAM>(edit));
        EXPECT_EQ(r.lParam, 0);
    }
    EXPECT_EQ(windowText(edit), "12");
    EXPECT_EQ(beeps.count(), 0);
    type(edit, "\x1b");
    EXPECT_EQ(beeps.count(), 1);
    EXPECT_EQ(g_editReturns.size(), 2u);
}

TEST_F(DigitsEdit, DialogCodeWantsAllKeysOnlyWithRet)
{
    HWND edit = digitsEdit();
    HWND plain = child("edit", WS_BORDER, 10, 40, 80, 20, 2);
    EXPECT_EQ(SendMessageA(edit, WM_GETDLGCODE, 0, 0), SendMessageA(plain, WM_GETDLGCODE, 0, 0));
    EXPECT_EQ(SendMessageA(edit, WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS, 0);
    SetPropA(edit, W32K_PROP_EDIT_RETURN, reinterpret_cast<HANDLE>(1));
    EXPECT_EQ(SendMessageA(edit, WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS);
}

TEST_F(DigitsEdit, TabMovesTheFocusOnlyWithoutRet)
{
    HWND edit = digitsEdit("5");
    HWND next = child("button", BS_PUSHBUTTON | WS_TABSTOP, 10, 40, 80, 20, 2);
    auto pressTab = [&] {
        MSG msg{edit, WM_KEYDOWN, VK_TAB, 1, GetTickCount(), {}};
        EXPECT_TRUE(IsDialogMessageA(parent_, &msg));
        w32ktest::pumpMessages();
    };

    SetFocus(edit);
    ASSERT_EQ(GetFocus(), edit);
    pressTab();
    EXPECT_EQ(GetFocus(), next);
    EXPECT_TRUE(g_editReturns.empty());

    SetPropA(edit, W32K_PROP_EDIT_RETURN, reinterpret_cast<HANDLE>(1));
    SetFocus(edit);
    pressTab();
    EXPECT_EQ(GetFocus(), edit);
    EXPECT_EQ(g_editReturns.size(), 1u);
    EXPECT_EQ(windowText(edit), "5");
}

WNDPROC g_editProc = nullptr;
bool g_retGoneBeforeNcDestroy = false;
LRESULT CALLBACK watchDestroy(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_NCDESTROY)
        g_retGoneBeforeNcDestroy = GetPropA(w, W32K_PROP_EDIT_RETURN) == nullptr;
    return CallWindowProcA(g_editProc, w, m, wp, lp);
}

TEST_F(DigitsEdit, DestroyingTheEditRemovesRet)
{
    HWND edit = digitsEdit();
    SetPropA(edit, W32K_PROP_EDIT_RETURN, reinterpret_cast<HANDLE>(1));
    g_editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(watchDestroy)));
    g_retGoneBeforeNcDestroy = false;
    DestroyWindow(edit);
    EXPECT_TRUE(g_retGoneBeforeNcDestroy);
}

// The parent's client pixels, top-down 32-bit.
std::vector<DWORD> clientPixels(HWND window, int width, int height)
{
    GdiFlush();
    HDC dc = GetDC(window);
    HDC memory = CreateCompatibleDC(dc);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<const DWORD*>(bits),
                              static_cast<const DWORD*>(bits) + width * height);
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(window, dc);
    return pixels;
}

TEST_F(CheckBoxOnly, FocusRectangleFramesTheControlAndLeavesNoTrace)
{
    constexpr int kW = 200, kH = 100;
    HWND check = child(W32K_CLASS_CHECKBOX_ONLY, BS_AUTOCHECKBOX | WS_TABSTOP, 40, 30, 16, 20, 3);
    ASSERT_NE(check, nullptr);
    UpdateWindow(parent_);
    w32ktest::pumpMessages(50);
    const auto before = clientPixels(parent_, kW, kH);

    SetFocus(check);
    ASSERT_EQ(GetFocus(), check);
    const auto focused = clientPixels(parent_, kW, kH);
    EXPECT_EQ(SendMessageA(check, BM_GETSTATE, 0, 0) & BST_FOCUS, 0) << "the button drew its own focus";

    // The control (40,30)-(56,50) grown by 2 and moved 2 to the left.
    const RECT frame{36, 28, 56, 52};
    int changed = 0, outside = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            if (before[y * kW + x] == focused[y * kW + x])
                continue;
            ++changed;
            const bool onEdge = (x == frame.left || x == frame.right - 1 || y == frame.top ||
                                 y == frame.bottom - 1) &&
                                x >= frame.left && x < frame.right && y >= frame.top &&
                                y < frame.bottom;
            if (!onEdge)
                ++outside;
        }
    EXPECT_GT(changed, 20);
    EXPECT_EQ(outside, 0);

    SetFocus(parent_);
    EXPECT_EQ(clientPixels(parent_, kW, kH), before);
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
