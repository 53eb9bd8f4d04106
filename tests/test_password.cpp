// The password table dialog, driven inside its modal loop as a user drives
// it, with every message box recorded.
#include <gtest/gtest.h>

#include "resources/password_ids.h"
#include "support/import_hook.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using w32ktest::DialogScript;
using w32ktest::ImportHook;
using w32ktest::MessageBoxRecorder;
using w32ktest::windowText;

namespace {

constexpr LONG kPagesUsed = 12;
constexpr const char* kCaption = "Panel Designer"; // KorAbout.dll string 101

// The texts the user reads.
constexpr const char* kSystemFirst =
    "The first password is referred to as the System password. This password has fixed "
    "attributes and must be defined before using other passwords.";
constexpr const char* kFormat =
    "Passwords must be four digits long and the password \"0372\" is reserved.";
constexpr const char* kPages =
    "Page numbers for data entry must be between (1) and the current number of pages used. The "
    "number of pages used is shown in the lower left corner of the status bar";
constexpr const char* kIdentical = "Passwords are identical";
constexpr const char* kLoginAndLogout =
    "Password can not have both automatic login and logout enabled";
constexpr const char* kOneLogin = "Only one password can have automatic login enabled";
constexpr const char* kNoMemory =
    "There is not enough memory to store the passwords. Nothing has been changed.";

using Texts = std::vector<std::string>;

int id(int row, int part)
{
    return IDC_PWD_ROW(row, part);
}

HMODULE library()
{
    return GetModuleHandleA("W32KORUTIL1.dll");
}

PasswordEntry entry(const char* password, BYTE attributes, WORD from, WORD to, BYTE marker = 0)
{
    PasswordEntry e{};
    std::memcpy(e.Password, password, std::min<size_t>(std::strlen(password), PASSWORD_LENGTH));
    e.Attributes = attributes;
    e.FromPage = from;
    e.ToPage = to;
    std::memset(e.Reserved, marker, sizeof e.Reserved);
    return e;
}

// The host's side: its counters, its block and its table.
struct Host {
    LONG pagesUsed = kPagesUsed;
    BYTE count = 0;
    PasswordBlock block{};

    Host()
    {
        block.PagesUsed = &pagesUsed;
        block.PasswordCount = &count;
        block.LogoutTimeout = 300;
    }
    ~Host()
    {
        if (block.PasswordTable)
            GlobalFree(block.PasswordTable);
    }
    void setTable(const std::vector<PasswordEntry>& entries)
    {
        const SIZE_T bytes = entries.size() * sizeof(PasswordEntry);
        block.PasswordTable = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
        std::memcpy(GlobalLock(block.PasswordTable), entries.data(), bytes);
        GlobalUnlock(block.PasswordTable);
        count = static_cast<BYTE>(entries.size());
    }
    std::vector<PasswordEntry> table() const
    {
        if (!block.PasswordTable)
            return {};
        const auto* data = static_cast<const PasswordEntry*>(GlobalLock(block.PasswordTable));
        std::vector<PasswordEntry> entries(data, data + count);
        GlobalUnlock(block.PasswordTable);
        return entries;
    }
    SIZE_T tableBytes() const { return block.PasswordTable ? GlobalSize(block.PasswordTable) : 0; }

    // Opens the dialog; `script` runs inside it and must end it.
    int run(const std::function<void(HWND)>& script)
    {
        // A failed assertion leaves the script early: the dialog is then cancelled.
        // The script may run before the dialog manager shows the dialog at its
        // first idle moment; it is shown first so that the user sees what the
        // script does (and an ended dialog is told by being hidden).
        DialogScript driver([&](HWND dialog) {
            ShowWindow(dialog, SW_SHOWNORMAL);
            UpdateWindow(dialog);
            script(dialog);
            if (IsWindowVisible(dialog))
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        });
        const int result = StartPasswordDlg(nullptr, reinterpret_cast<LPARAM>(&block));
        EXPECT_TRUE(driver.ran());
        return result;
    }
};

// ---- the user's actions ------------------------------------------------------------

void clear(HWND dialog, int control)
{
    HWND edit = GetDlgItem(dialog, control);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_KEYDOWN, VK_DELETE, 1);
}

// Replaces the text of an edit by typing.
void type(HWND dialog, int control, const std::string& text)
{
    clear(dialog, control);
    for (char c : text)
        SendDlgItemMessageA(dialog, control, WM_CHAR, static_cast<unsigned char>(c), 1);
}

void click(HWND dialog, int control)
{
    SendDlgItemMessageA(dialog, control, BM_CLICK, 0, 0);
}

bool checked(HWND dialog, int control)
{
    return IsDlgButtonChecked(dialog, control) == BST_CHECKED;
}

bool enabled(HWND dialog, int control)
{
    return IsWindowEnabled(GetDlgItem(dialog, control)) != FALSE;
}

std::string text(HWND dialog, int control)
{
    return windowText(GetDlgItem(dialog, control));
}

// Presses OK; true when the dialog stayed open.
bool pressOk(HWND dialog)
{
    click(dialog, IDOK);
    return IsWindowVisible(dialog) != FALSE;
}

// Cancels unless the dialog has already ended.
void finish(HWND dialog)
{
    if (IsWindowVisible(dialog))
        click(dialog, IDCANCEL);
}

// Counts the library's MessageBeep calls while alive.
class BeepCounter {
public:
    BeepCounter() : hook_(library(), "USER32.dll", "MessageBeep", reinterpret_cast<void*>(&beep))
    {
        count_ = 0;
    }
    int count() const { return count_; }

private:
    static BOOL WINAPI beep(UINT) { return ++count_, TRUE; }
    static inline int count_ = 0;
    ImportHook hook_;
};

// ---- the template ----------------------------------------------------------------

struct Layout {
    int id;
    const char* cls;
    int x, y, w, h;
};

std::vector<Layout> rowLayouts()
{
    const int boxX[] = {56, 77, 98, 120, 144, 168, 192};
    std::vector<Layout> all;
    for (int k = 0; k < 8; ++k) {
        const int y = 28 + 14 * k;
        all.push_back({id(k, IDC_PWD_PART_PASSWORD), "DLGNOALPHAEDIT_32", 16, y, 21, 12});
        for (int b = 0; b < 7; ++b)
            all.push_back({id(k, IDC_PWD_PART_CONF + b), "Button", boxX[b], y + (k < 3 ? 1 : 2), 8, 10});
        all.push_back({id(k, IDC_PWD_PART_FROM), "DLGNOALPHAEDIT_32", 218, y, 20, 12});
        all.push_back({id(k, IDC_PWD_PART_TO), "DLGNOALPHAEDIT_32", 262, y, 20, 12});
    }
    return all;
}

// Position and size in pixels of a rectangle given in dialog units.
RECT pixels(HWND dialog, int x, int y, int w, int h)
{
    RECT r{x, y, w, h};
    MapDialogRect(dialog, &r);
    return r; // left, top, width, height
}

RECT placement(HWND dialog, HWND control)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void expectPlaced(HWND dialog, HWND control, int x, int y, int w, int h)
{
    const RECT want = pixels(dialog, x, y, w, h);
    const RECT got = placement(dialog, control);
    EXPECT_EQ(got.left, want.left);
    EXPECT_EQ(got.top, want.top);
    EXPECT_EQ(got.right, want.right);
    EXPECT_EQ(got.bottom, want.bottom);
}

HWND childWithText(HWND dialog, const char* wanted)
{
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (windowText(c) == wanted)
            return c;
    return nullptr;
}

TEST(PasswordTemplate, ControlsIdsGeometryAndTabOrder)
{
    Host host;
    host.run([](HWND dialog) {
        EXPECT_EQ(windowText(dialog), "Passwords");
        const auto style = GetWindowLongPtrA(dialog, GWL_STYLE);
        EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
        EXPECT_EQ(style & WS_SYSMENU, 0);
        LOGFONTA font{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_STREQ(font.lfFaceName, "Helv");
        RECT client;
        GetClientRect(dialog, &client);
        const RECT size = pixels(dialog, 0, 0, 346, 164);
        EXPECT_EQ(client.right, size.right);
        EXPECT_EQ(client.bottom, size.bottom);

        const auto checkBoxProc = reinterpret_cast<LONG_PTR>(&CheckBoxOnlyProc);
        for (const auto& c : rowLayouts()) {
            SCOPED_TRACE("control " + std::to_string(c.id));
            HWND control = GetDlgItem(dialog, c.id);
            ASSERT_NE(control, nullptr);
            EXPECT_EQ(w32ktest::className(control), c.cls);
            expectPlaced(dialog, control, c.x, c.y, c.w, c.h);
            const bool box = std::string(c.cls) == "Button";
            if (box) {
                EXPECT_EQ(GetWindowLongPtrA(control, GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX);
            }
            EXPECT_EQ(GetWindowLongPtrA(control, GWLP_WNDPROC) == checkBoxProc, box);
        }
        const Layout others[] = {
            {IDC_PWD_TIMEOUT, "Edit", 75, 144, 22, 12},   {IDOK, "Button", 295, 22, 43, 14},
            {IDCANCEL, "Button", 295, 44, 43, 14},        {IDC_PWD_SYSTEM_FRAME, "Static", 54, 27, 232, 14},
            {IDC_PWD_SYSTEM_LINE, "Static", 37, 33, 17, 2},
        };
        for (const auto& c : others) {
            SCOPED_TRACE("control " + std::to_string(c.id));
            HWND control = GetDlgItem(dialog, c.id);
            ASSERT_NE(control, nullptr);
            EXPECT_EQ(w32ktest::className(control), c.cls);
            expectPlaced(dialog, control, c.x, c.y, c.w, c.h);
        }
        EXPECT_EQ(GetWindowLongPtrA(GetDlgItem(dialog, IDOK), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
        EXPECT_EQ(text(dialog, IDOK), "OK");
        EXPECT_EQ(text(dialog, IDCANCEL), "Cancel");

        struct Label {
            const char* text;
            int x, y, w, h;
        };
        const Label labels[] = {
            {"Password", 8, 16, 40, 10},   {"CONF", 50, 16, 20, 8},      {"TIME", 72, 16, 19, 8},
            {"ACK", 95, 16, 15, 8},        {"PRINT", 115, 16, 23, 8},    {"PAGE", 140, 16, 20, 8},
            {"ALOGI", 163, 16, 23, 8},     {"ALOGO", 186, 16, 26, 8},    {"From page", 214, 16, 35, 8},
            {"To page", 258, 16, 28, 8},   {"Data entry enable", 222, 6, 59, 8},
            {"Logout timeout:", 16, 146, 59, 8},
        };
        for (const auto& l : labels) {
            SCOPED_TRACE(l.text);
            HWND label = childWithText(dialog, l.text);
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(w32ktest::className(label), "Static");
            expectPlaced(dialog, label, l.x, l.y, l.w, l.h);
        }

        std::vector<int> tabOrder, expected;
        for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if (GetWindowLongPtrA(c, GWL_STYLE) & WS_TABSTOP)
                tabOrder.push_back(GetDlgCtrlID(c));
        for (int k = 0; k < 8; ++k)
            for (int part = IDC_PWD_PART_PASSWORD; part <= IDC_PWD_PART_TO; ++part)
                expected.push_back(id(k, part));
        expected.insert(expected.end(), {IDC_PWD_TIMEOUT, IDOK, IDCANCEL});
        EXPECT_EQ(tabOrder, expected);
        finish(dialog);
    });
}

TEST(PasswordTemplate, FourDigitsAreWhollyVisibleInTheirEdit)
{
    Host host;
    host.setTable({entry("8888", PWD_ATTR_SYSTEM, 1, 12), entry("8888", 0, 10000, 10000)});
    host.run([](HWND dialog) {
        for (int control : {id(0, IDC_PWD_PART_PASSWORD), id(1, IDC_PWD_PART_PASSWORD)}) {
            SCOPED_TRACE(control);
            HWND edit = GetDlgItem(dialog, control);
            SetFocus(edit);
            SendMessageA(edit, EM_SETSEL, 0, -1); // caret after the last digit
            RECT client;
            GetClientRect(edit, &client);
            const LRESULT first = SendMessageA(edit, EM_POSFROMCHAR, 0, 0);
            const LRESULT last = SendMessageA(edit, EM_POSFROMCHAR, 3, 0);
            SIZE digit{};
            HDC dc = GetDC(edit);
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(edit, WM_GETFONT, 0, 0)));
            GetTextExtentPoint32A(dc, "8", 1, &digit);
            SelectObject(dc, old);
            ReleaseDC(edit, dc);
            EXPECT_GE(static_cast<short>(LOWORD(first)), 0);
            EXPECT_LE(static_cast<short>(LOWORD(last)) + digit.cx, client.right);
        }
        finish(dialog);
    });
}

// ---- opening ------------------------------------------------------------------------

TEST(PasswordDialog, NewProjectShowsEmptyDisabledRowsWithDefaults)
{
    Host host;
    host.block.LogoutTimeout = 250;
    const int result = host.run([](HWND dialog) {
        for (int k = 0; k < 8; ++k) {
            SCOPED_TRACE("row " + std::to_string(k));
            EXPECT_EQ(text(dialog, id(k, IDC_PWD_PART_PASSWORD)), "");
            EXPECT_TRUE(enabled(dialog, id(k, IDC_PWD_PART_PASSWORD)));
            for (int part = IDC_PWD_PART_CONF; part <= IDC_PWD_PART_TO; ++part)
                EXPECT_FALSE(enabled(dialog, id(k, part))) << part;
            for (int part = IDC_PWD_PART_CONF; part <= IDC_PWD_PART_ALOGO; ++part)
                EXPECT_EQ(checked(dialog, id(k, part)), k == 0 && part <= IDC_PWD_PART_PAGE) << part;
            EXPECT_EQ(text(dialog, id(k, IDC_PWD_PART_FROM)), "1");
            EXPECT_EQ(text(dialog, id(k, IDC_PWD_PART_TO)), "12");
        }
        EXPECT_EQ(text(dialog, IDC_PWD_TIMEOUT), "250");
        // KorAbout.dll gives the captions while the dialog is open.
        EXPECT_NE(GetModuleHandleA("KorAbout.dll"), nullptr);
        finish(dialog);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(GetModuleHandleA("KorAbout.dll"), nullptr) << "the caption library stays loaded";
    EXPECT_EQ(host.count, 0);
    EXPECT_EQ(host.block.PasswordTable, nullptr);
    EXPECT_EQ(host.block.LogoutTimeout, 250);
}

TEST(PasswordDialog, OpeningShowsTheTable)
{
    Host host;
    host.setTable({entry("1111", 0x00, 4, 5), entry("2222", PWD_ATTR_TIME | PWD_ATTR_ALOGO, 3, 9),
                   entry("", PWD_ATTR_CONF, 2, 2), entry("3333", PWD_ATTR_ALOGI | PWD_ATTR_PAGE, 6, 7)});
    host.run([](HWND dialog) {
        struct Expect {
            int row;
            const char* password;
            const char* from;
            const char* to;
            BYTE boxes;
            bool rowEnabled;
        };
        const Expect rows[] = {
            {0, "1111", "1", "12", PWD_ATTR_SYSTEM, false}, // fixed, whatever the entry holds
            {1, "2222", "3", "9", PWD_ATTR_TIME | PWD_ATTR_ALOGO, true},
            {2, "", "1", "12", 0, false},
            {3, "3333", "6", "7", PWD_ATTR_ALOGI | PWD_ATTR_PAGE, true},
            {4, "", "1", "12", 0, false},
        };
        const BYTE bits[] = {PWD_ATTR_CONF, PWD_ATTR_TIME, PWD_ATTR_ACK, PWD_ATTR_PRINT,
                             PWD_ATTR_PAGE, PWD_ATTR_ALOGI, PWD_ATTR_ALOGO};
        for (const auto& r : rows) {
            SCOPED_TRACE("row " + std::to_string(r.row));
            EXPECT_EQ(text(dialog, id(r.row, IDC_PWD_PART_PASSWORD)), r.password);
            EXPECT_EQ(text(dialog, id(r.row, IDC_PWD_PART_FROM)), r.from);
            EXPECT_EQ(text(dialog, id(r.row, IDC_PWD_PART_TO)), r.to);
            for (int b = 0; b < 7; ++b)
                EXPECT_EQ(checked(dialog, id(r.row, IDC_PWD_PART_CONF + b)), (r.boxes & bits[b]) != 0) << b;
            EXPECT_EQ(enabled(dialog, id(r.row, IDC_PWD_PART_FROM)), r.rowEnabled);
        }
        // The System password: only its "ALOGO" can be changed.
        for (int part = IDC_PWD_PART_CONF; part <= IDC_PWD_PART_TO; ++part)
            EXPECT_EQ(enabled(dialog, id(0, part)), part == IDC_PWD_PART_ALOGO) << part;
        finish(dialog);
    });
}

TEST(PasswordDialog, MoreThanEightEntriesFillTheRowsOnlyAndKeepTheRestOnOk)
{
    Host host;
    std::vector<PasswordEntry> entries;
    for (int k = 0; k < 10; ++k) {
        const std::string p = std::to_string(1000 + k);
        entries.push_back(entry(p.c_str(), 0, 1, 2, static_cast<BYTE>(0xA0 + k)));
    }
    host.setTable(entries);
    const int result = host.run([](HWND dialog) {
        EXPECT_EQ(text(dialog, id(7, IDC_PWD_PART_PASSWORD)), "1007");
        EXPECT_EQ(text(dialog, IDC_PWD_TIMEOUT), "300"); // not overwritten by a ninth row
        clear(dialog, id(3, IDC_PWD_PART_PASSWORD));
        EXPECT_FALSE(pressOk(dialog));
    });
    ASSERT_EQ(result, 1);
    const auto table = host.table();
    ASSERT_EQ(host.count, 9);
    EXPECT_EQ(host.tableBytes(), 9 * sizeof(PasswordEntry));
    const char* expected[] = {"1000", "1001", "1002", "1004", "1005", "1006", "1007", "1008", "1009"};
    for (size_t j = 0; j < 9; ++j)
        EXPECT_STREQ(table[j].Password, expected[j]) << j;
    EXPECT_EQ(table[7].Reserved[0], 0xA8);
    EXPECT_EQ(table[8].Reserved[0], 0xA9);
}

TEST(PasswordDialog, UnusableBlocksDoNotOpen)
{
    LONG pages = 3;
    BYTE count = 0;
    PasswordBlock noPages{};
    noPages.PasswordCount = &count;
    PasswordBlock noCount{};
    noCount.PagesUsed = &pages;
    for (PasswordBlock* block : {static_cast<PasswordBlock*>(nullptr), &noPages, &noCount}) {
        DialogScript script([](HWND dialog) { finish(dialog); });
        EXPECT_EQ(StartPasswordDlg(nullptr, reinterpret_cast<LPARAM>(block)), 0);
        EXPECT_FALSE(script.ran());
    }
}

// ---- rows switched on and off ---------------------------------------------------------

TEST(PasswordDialog, TypingAPasswordSwitchesItsRowOnAndClearingSwitchesItOff)
{
    Host host;
    host.run([](HWND dialog) {
        type(dialog, id(3, IDC_PWD_PART_PASSWORD), "4321");
        for (int part = IDC_PWD_PART_CONF; part <= IDC_PWD_PART_TO; ++part)
            EXPECT_TRUE(enabled(dialog, id(3, part))) << part;
        click(dialog, id(3, IDC_PWD_PART_ACK));
        click(dialog, id(3, IDC_PWD_PART_ALOGO));
        type(dialog, id(3, IDC_PWD_PART_TO), "7");
        EXPECT_TRUE(checked(dialog, id(3, IDC_PWD_PART_ACK)));

        clear(dialog, id(3, IDC_PWD_PART_PASSWORD));
        for (int part = IDC_PWD_PART_CONF; part <= IDC_PWD_PART_TO; ++part)
            EXPECT_FALSE(enabled(dialog, id(3, part))) << part;
        for (int part = IDC_PWD_PART_CONF; part <= IDC_PWD_PART_ALOGO; ++part)
            EXPECT_FALSE(checked(dialog, id(3, part))) << part;
        EXPECT_EQ(text(dialog, id(3, IDC_PWD_PART_TO)), "7"); // the numbers stay

        // The System password: "ALOGO" follows its text, the rest stays fixed.
        type(dialog, id(0, IDC_PWD_PART_PASSWORD), "1234");
        EXPECT_TRUE(enabled(dialog, id(0, IDC_PWD_PART_ALOGO)));
        EXPECT_FALSE(enabled(dialog, id(0, IDC_PWD_PART_CONF)));
        EXPECT_FALSE(enabled(dialog, id(0, IDC_PWD_PART_FROM)));
        clear(dialog, id(0, IDC_PWD_PART_PASSWORD));
        EXPECT_FALSE(enabled(dialog, id(0, IDC_PWD_PART_ALOGO)));
        EXPECT_TRUE(checked(dialog, id(0, IDC_PWD_PART_CONF)));
        finish(dialog);
    });
}

TEST(PasswordDialog, APasswordTakesFourDigitsOnly)
{
    Host host;
    const int result = host.run([](HWND dialog) {
        type(dialog, id(0, IDC_PWD_PART_PASSWORD), "12345");
        EXPECT_EQ(text(dialog, id(0, IDC_PWD_PART_PASSWORD)), "1234");
        // Text placed in the field is cut to four characters when stored.
        SetDlgItemTextA(dialog, id(1, IDC_PWD_PART_PASSWORD), "56789");
        EXPECT_FALSE(pressOk(dialog));
    });
    ASSERT_EQ(result, 1);
    const auto table = host.table();
    ASSERT_EQ(table.size(), 2u);
    EXPECT_STREQ(table[0].Password, "1234");
    EXPECT_STREQ(table[1].Password, "5678");
}

// ---- automatic login and logout -------------------------------------------------------

struct ExclusivityCase {
    const char* name;
    std::vector<int> checkedBefore;          // box ids checked first (without conflicts)
    int clicked;                             // box then clicked
    Texts messages;
    std::vector<int> checkedAfter, uncheckedAfter;
};

TEST(PasswordDialog, AutomaticLoginIsExclusive)
{
    const int login2 = id(2, IDC_PWD_PART_ALOGI), logout2 = id(2, IDC_PWD_PART_ALOGO);
    const int login5 = id(5, IDC_PWD_PART_ALOGI), logout5 = id(5, IDC_PWD_PART_ALOGO);
    const ExclusivityCase cases[] = {
        {"second login", {login5}, login2, {kOneLogin}, {login2}, {login5}},
        {"logout after login", {login2}, logout2, {kLoginAndLogout}, {logout2}, {login2}},
        {"login after logout", {logout2}, login2, {kLoginAndLogout}, {login2}, {logout2}},
        // Both conflicts: the one found last in row order decides the message.
        {"own logout, then row 5", {logout2, login5}, login2, {kOneLogin}, {login2}, {logout2, login5}},
        {"row 2, then own logout", {login2, logout5}, login5, {kLoginAndLogout}, {login5}, {login2, logout5}},
        {"no conflict", {logout5}, login2, {}, {login2, logout5}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host host;
        MessageBoxRecorder boxes;
        Texts before;
        host.run([&](HWND dialog) {
            for (int k = 1; k < 8; ++k)
                type(dialog, id(k, IDC_PWD_PART_PASSWORD), std::to_string(1000 + k));
            for (int box : c.checkedBefore)
                click(dialog, box);
            before = boxes.texts();
            click(dialog, c.clicked);
            for (int box : c.checkedAfter)
                EXPECT_TRUE(checked(dialog, box)) << box;
            for (int box : c.uncheckedAfter)
                EXPECT_FALSE(checked(dialog, box)) << box;
            finish(dialog);
        });
        EXPECT_TRUE(before.empty());
        EXPECT_EQ(boxes.texts(), c.messages);
    }
}

TEST(PasswordDialog, SystemPasswordLogoutIsNotExclusive)
{
    Host host;
    MessageBoxRecorder boxes;
    host.run([](HWND dialog) {
        type(dialog, id(0, IDC_PWD_PART_PASSWORD), "1000");
        type(dialog, id(1, IDC_PWD_PART_PASSWORD), "1001");
        click(dialog, id(1, IDC_PWD_PART_ALOGI));
        click(dialog, id(0, IDC_PWD_PART_ALOGO));
        EXPECT_TRUE(checked(dialog, id(0, IDC_PWD_PART_ALOGO)));
        EXPECT_TRUE(checked(dialog, id(1, IDC_PWD_PART_ALOGI)));
        finish(dialog);
    });
    EXPECT_TRUE(boxes.texts().empty());
}

// ---- checks on OK ---------------------------------------------------------------------

struct CheckCase {
    const char* name;
    std::vector<std::pair<int, std::string>> typed; // control, text
    Texts messages;
};

TEST(PasswordDialog, FailedChecksAreToldAndKeepTheDialogOpen)
{
    const int p0 = id(0, IDC_PWD_PART_PASSWORD), p1 = id(1, IDC_PWD_PART_PASSWORD);
    const int p2 = id(2, IDC_PWD_PART_PASSWORD), p4 = id(4, IDC_PWD_PART_PASSWORD);
    const CheckCase cases[] = {
        {"system password missing", {{p2, "1234"}}, {kSystemFirst}},
        {"three digits", {{p0, "123"}}, {kFormat}},
        {"one digit", {{p0, "1111"}, {p1, "7"}}, {kFormat}},
        {"reserved", {{p0, "1111"}, {p2, "0372"}}, {kFormat}},
        {"from page 0 in an empty row", {{id(3, IDC_PWD_PART_FROM), "0"}}, {kPages}},
        {"to page above pages used", {{p0, "1111"}, {p4, "2222"}, {id(4, IDC_PWD_PART_TO), "13"}}, {kPages}},
        {"empty page", {{id(6, IDC_PWD_PART_TO), ""}}, {kPages}},
        {"from and to both wrong: one message", {{id(5, IDC_PWD_PART_FROM), "0"}, {id(5, IDC_PWD_PART_TO), "99"}}, {kPages}},
        {"identical", {{p0, "1111"}, {p1, "2222"}, {p4, "2222"}}, {kIdentical}},
        {"identical to the system password", {{p0, "2222"}, {p2, "2222"}}, {kIdentical}},
        {"identical after an earlier failure is not told", {{p0, "111"}, {p1, "2222"}, {p4, "2222"}}, {kFormat}},
        {"identical told before a later row fails",
         {{p0, "1111"}, {p1, "2222"}, {p4, "2222"}, {id(6, IDC_PWD_PART_FROM), "0"}}, {kIdentical, kPages}},
        {"several", {{p1, "12"}, {id(7, IDC_PWD_PART_FROM), "0"}}, {kSystemFirst, kFormat, kPages}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host host;
        host.setTable({entry("9999", PWD_ATTR_SYSTEM, 1, 12, 0x55)});
        const HGLOBAL table = host.block.PasswordTable;
        MessageBoxRecorder boxes;
        BeepCounter beeps;
        bool stayedOpen = false;
        const int result = host.run([&](HWND dialog) {
            clear(dialog, id(0, IDC_PWD_PART_PASSWORD));
            for (const auto& [control, typed] : c.typed) {
                // Page edits of a row without password are disabled; the user
                // cannot type there, but the host's table can hold anything.
                if (enabled(dialog, control))
                    type(dialog, control, typed);
                else
                    SetDlgItemTextA(dialog, control, typed.c_str());
            }
            stayedOpen = pressOk(dialog);
            finish(dialog);
        });
        EXPECT_TRUE(stayedOpen);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(boxes.texts(), c.messages);
        EXPECT_EQ(beeps.count(), static_cast<int>(c.messages.size()));
        for (const auto& shown : boxes.shown())
            EXPECT_EQ(shown.caption, kCaption);
        EXPECT_EQ(host.block.PasswordTable, table);
        EXPECT_EQ(host.count, 1);
        EXPECT_STREQ(host.table()[0].Password, "9999");
    }
}

struct MessageBoxCall {
    HWND owner;
    std::string text, caption;
    UINT type;
};
std::vector<MessageBoxCall> g_messageBoxes;
int WINAPI recordMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    g_messageBoxes.push_back({owner, text ? text : "", caption ? caption : "", type});
    return IDOK;
}

TEST(PasswordDialog, AFailedCheckIsAStopMessageOwnedByTheDialog)
{
    Host host;
    g_messageBoxes.clear();
    HWND shownBy = nullptr;
    host.run([&](HWND dialog) {
        shownBy = dialog;
        type(dialog, id(0, IDC_PWD_PART_PASSWORD), "0372");
        ImportHook hook(library(), "USER32.dll", "MessageBoxA", reinterpret_cast<void*>(&recordMessageBox));
        EXPECT_TRUE(hook.installed());
        EXPECT_TRUE(pressOk(dialog));
        finish(dialog);
    });
    ASSERT_EQ(g_messageBoxes.size(), 1u);
    EXPECT_EQ(g_messageBoxes[0].owner, shownBy);
    EXPECT_EQ(g_messageBoxes[0].text, kFormat);
    EXPECT_EQ(g_messageBoxes[0].caption, kCaption);
    EXPECT_EQ(g_messageBoxes[0].type, UINT{MB_OK | MB_ICONSTOP});
}

TEST(PasswordDialog, APasswordOfOtherCharactersIsRefused)
{
    Host host;
    MessageBoxRecorder boxes;
    host.run([](HWND dialog) {
        SetDlgItemTextA(dialog, id(0, IDC_PWD_PART_PASSWORD), "12a4"); // pasted, not typed
        EXPECT_TRUE(pressOk(dialog));
        finish(dialog);
    });
    EXPECT_EQ(boxes.texts(), Texts{kFormat});
    EXPECT_EQ(host.count, 0);
}

TEST(PasswordDialog, AProjectWithoutPagesCannotStorePasswords)
{
    Host host;
    host.pagesUsed = 0;
    MessageBoxRecorder boxes;
    host.run([](HWND dialog) {
        type(dialog, id(0, IDC_PWD_PART_PASSWORD), "1234");
        EXPECT_TRUE(pressOk(dialog));
        finish(dialog);
    });
    EXPECT_EQ(boxes.texts(), Texts(8, kPages));
    EXPECT_EQ(host.count, 0);
}

// ---- the logout timeout ---------------------------------------------------------------

TEST(PasswordDialog, LeavingTheTimeoutEditKeepsItInRange)
{
    const std::pair<const char*, const char*> cases[] = {
        {"5", "700"}, {"800", "10"}, {"10", "10"}, {"700", "700"}, {"9", "700"},
        {"701", "10"}, {"", "700"}, {"0450", "450"}, {"12abc", "12"},
    };
    Host host;
    host.run([&](HWND dialog) {
        HWND timeout = GetDlgItem(dialog, IDC_PWD_TIMEOUT);
        for (const auto& [typed, shown] : cases) {
            SCOPED_TRACE(typed);
            SetFocus(timeout);
            SetWindowTextA(timeout, typed);
            SetFocus(GetDlgItem(dialog, id(0, IDC_PWD_PART_PASSWORD)));
            EXPECT_EQ(windowText(timeout), shown);
        }
        finish(dialog);
    });
    EXPECT_EQ(host.block.LogoutTimeout, 300) << "Cancel stores no timeout";
}

TEST(PasswordDialog, OkStoresTheTimeoutEvenWhenTheChecksFail)
{
    const std::pair<const char*, WORD> cases[] = {
        {"", 600}, {"0", 600}, {"5", 700}, {"800", 10}, {"65536", 600}, {"65545", 700},
        {"-1", 10}, {"123456789", 10}, {"42", 42},
    };
    for (const auto& [typed, stored] : cases) {
        SCOPED_TRACE(typed);
        Host host;
        MessageBoxRecorder boxes;
        host.run([&](HWND dialog) {
            type(dialog, id(2, IDC_PWD_PART_PASSWORD), "1234"); // no System password: fails
            SetDlgItemTextA(dialog, IDC_PWD_TIMEOUT, typed);
            EXPECT_TRUE(pressOk(dialog));
            finish(dialog);
        });
        EXPECT_EQ(boxes.texts(), Texts{kSystemFirst});
        EXPECT_EQ(host.block.LogoutTimeout, stored);
    }
}

// ---- storing the table ----------------------------------------------------------------

TEST(PasswordDialog, PasswordsAreStoredInConsecutiveEntries)
{
    Host host;
    const int result = host.run([](HWND dialog) {
        type(dialog, id(0, IDC_PWD_PART_PASSWORD), "1000");
        click(dialog, id(0, IDC_PWD_PART_ALOGO));
        type(dialog, id(2, IDC_PWD_PART_PASSWORD), "1002");
        click(dialog, id(2, IDC_PWD_PART_CONF));
        click(dialog, id(2, IDC_PWD_PART_ALOGI));
        type(dialog, id(2, IDC_PWD_PART_FROM), "3");
        type(dialog, id(2, IDC_PWD_PART_TO), "12");
        type(dialog, id(5, IDC_PWD_PART_PASSWORD), "1005");
        click(dialog, id(5, IDC_PWD_PART_PRINT));
        type(dialog, id(5, IDC_PWD_PART_FROM), "2");
        type(dialog, id(5, IDC_PWD_PART_TO), "4");
        EXPECT_FALSE(pressOk(dialog));
    });
    ASSERT_EQ(result, 1);
    EXPECT_EQ(host.count, 3);
    EXPECT_EQ(host.tableBytes(), 60u);
    const auto table = host.table();
    ASSERT_EQ(table.size(), 3u);
    const PasswordEntry expected[] = {
        entry("1000", PWD_ATTR_SYSTEM | PWD_ATTR_ALOGO, 1, 12),
        entry("1002", PWD_ATTR_CONF | PWD_ATTR_ALOGI, 3, 12),
        entry("1005", PWD_ATTR_PRINT, 2, 4),
    };
    for (size_t j = 0; j < 3; ++j) {
        SCOPED_TRACE("entry " + std::to_string(j));
        EXPECT_EQ(std::memcmp(&table[j], &expected[j], sizeof(PasswordEntry)), 0)
            << table[j].Password << " attributes " << int(table[j].Attributes) << " pages "
            << table[j].FromPage << "-" << table[j].ToPage;
    }
    EXPECT_EQ(host.block.LogoutTimeout, 300);
}

TEST(PasswordDialog, EmptyingARowAndFillingALaterOneLosesNoPassword)
{
    Host host;
    host.setTable({entry("1000", PWD_ATTR_SYSTEM | PWD_ATTR_UNUSED | PWD_ATTR_ALOGI, 1, 12, 0x10),
                   entry("1001", PWD_ATTR_ACK | PWD_ATTR_UNUSED, 2, 3, 0x11),
                   entry("1002", PWD_ATTR_TIME, 4, 5, 0x12)});
    const int result = host.run([](HWND dialog) {
        clear(dialog, id(1, IDC_PWD_PART_PASSWORD));
        type(dialog, id(5, IDC_PWD_PART_PASSWORD), "1005");
        EXPECT_FALSE(pressOk(dialog));
    });
    ASSERT_EQ(result, 1);
    ASSERT_EQ(host.count, 3);
    EXPECT_EQ(host.tableBytes(), 60u);
    const auto table = host.table();
    // Entry j keeps its unused bytes and bit 5 (the slot, not the row, owns
    // them); the System password keeps its bit 6.
    const PasswordEntry expected[] = {
        entry("1000", PWD_ATTR_SYSTEM | PWD_ATTR_UNUSED | PWD_ATTR_ALOGI, 1, 12, 0x10),
        entry("1002", PWD_ATTR_TIME | PWD_ATTR_UNUSED, 4, 5, 0x11),
        entry("1005", 0, 1, 12, 0x12),
    };
    for (size_t j = 0; j < 3; ++j) {
        SCOPED_TRACE("entry " + std::to_string(j));
        EXPECT_EQ(std::memcmp(&table[j], &expected[j], sizeof(PasswordEntry)), 0)
            << table[j].Password << " attributes " << int(table[j].Attributes);
    }
}

TEST(PasswordDialog, TheSystemPasswordAlwaysHasItsFixedAttributesAndAllPages)
{
    Host host;
    host.pagesUsed = 40;
    host.setTable({entry("4321", PWD_ATTR_ALOGO, 7, 9)});
    const int result = host.run([](HWND dialog) {
        click(dialog, id(0, IDC_PWD_PART_ALOGO)); // unchecks automatic logout
        EXPECT_FALSE(pressOk(dialog));
    });
    ASSERT_EQ(result, 1);
    const auto table = host.table();
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0].Attributes, PWD_ATTR_SYSTEM);
    EXPECT_EQ(table[0].FromPage, 1);
    EXPECT_EQ(table[0].ToPage, 40);
}

TEST(PasswordDialog, ClearingEveryPasswordLeavesNoTable)
{
    Host host;
    host.setTable({entry("1000", PWD_ATTR_SYSTEM, 1, 12), entry("1001", 0, 1, 12)});
    const int result = host.run([](HWND dialog) {
        clear(dialog, id(1, IDC_PWD_PART_PASSWORD));
        clear(dialog, id(0, IDC_PWD_PART_PASSWORD));
        EXPECT_FALSE(pressOk(dialog));
    });
    ASSERT_EQ(result, 1);
    EXPECT_EQ(host.count, 0);
    EXPECT_EQ(host.block.PasswordTable, nullptr);
}

TEST(PasswordDialog, OkWithoutPasswordsOnANewProjectStoresNoTable)
{
    Host host;
    EXPECT_EQ(host.run([](HWND dialog) { EXPECT_FALSE(pressOk(dialog)); }), 1);
    EXPECT_EQ(host.count, 0);
    EXPECT_EQ(host.block.PasswordTable, nullptr);
    EXPECT_EQ(host.block.LogoutTimeout, 300);
}

HGLOBAL WINAPI failingReAlloc(HGLOBAL, SIZE_T, UINT)
{
    return nullptr;
}
HGLOBAL WINAPI failingAlloc(UINT, SIZE_T)
{
    return nullptr;
}

TEST(PasswordDialog, WithoutMemoryTheTableIsKeptAndTheDialogStaysOpen)
{
    {
        SCOPED_TRACE("resizing the table fails");
        Host host;
        host.setTable({entry("1000", PWD_ATTR_SYSTEM, 1, 12, 0x77)});
        const HGLOBAL table = host.block.PasswordTable;
        MessageBoxRecorder boxes;
        bool stayedOpen = false;
        const int result = host.run([&](HWND dialog) {
            type(dialog, id(1, IDC_PWD_PART_PASSWORD), "1001");
            ImportHook fail(library(), "KERNEL32.dll", "GlobalReAlloc", reinterpret_cast<void*>(&failingReAlloc));
            EXPECT_TRUE(fail.installed());
            stayedOpen = pressOk(dialog);
            finish(dialog);
        });
        EXPECT_TRUE(stayedOpen);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(boxes.texts(), Texts{kNoMemory});
        EXPECT_EQ(host.block.PasswordTable, table);
        EXPECT_EQ(host.count, 1);
        EXPECT_EQ(host.tableBytes(), sizeof(PasswordEntry));
        EXPECT_STREQ(host.table()[0].Password, "1000");
        EXPECT_EQ(host.table()[0].Reserved[9], 0x77);
    }
    {
        SCOPED_TRACE("the first block cannot be allocated");
        Host host;
        MessageBoxRecorder boxes;
        const int result = host.run([&](HWND dialog) {
            type(dialog, id(0, IDC_PWD_PART_PASSWORD), "1000");
            {
                ImportHook fail(library(), "KERNEL32.dll", "GlobalAlloc", reinterpret_cast<void*>(&failingAlloc));
                EXPECT_TRUE(fail.installed());
                EXPECT_TRUE(pressOk(dialog));
            }
            EXPECT_FALSE(pressOk(dialog)); // memory again: now it is stored
        });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(boxes.texts(), Texts{kNoMemory});
        EXPECT_EQ(host.count, 1);
        EXPECT_STREQ(host.table().at(0).Password, "1000");
    }
}

// ---- closing --------------------------------------------------------------------------

TEST(PasswordDialog, EscapeCancelsAndChangesNothing)
{
    Host host;
    host.setTable({entry("1000", PWD_ATTR_SYSTEM, 1, 12)});
    const HGLOBAL table = host.block.PasswordTable;
    const int result = host.run([](HWND dialog) {
        type(dialog, id(1, IDC_PWD_PART_PASSWORD), "2000");
        SetDlgItemTextA(dialog, IDC_PWD_TIMEOUT, "20");
        HWND edit = GetDlgItem(dialog, id(1, IDC_PWD_PART_PASSWORD));
        SetFocus(edit);
        PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 1);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(host.block.PasswordTable, table);
    EXPECT_EQ(host.count, 1);
    EXPECT_EQ(host.block.LogoutTimeout, 300);
    EXPECT_EQ(GetModuleHandleA("KorAbout.dll"), nullptr);
}

TEST(PasswordDialog, ProcedureLeavesOtherMessagesToTheDialogManager)
{
    Host host;
    host.run([](HWND dialog) {
        EXPECT_EQ(PasswordProc(dialog, WM_MOUSEMOVE, 0, 0), FALSE);
        EXPECT_EQ(PasswordProc(dialog, WM_COMMAND, MAKEWPARAM(id(1, IDC_PWD_PART_CONF), BN_CLICKED), 0), TRUE);
        finish(dialog);
    });
}

} // namespace
