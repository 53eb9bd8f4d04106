// The password table dialog, driven inside its modal loop as a user drives
// it, with every message box recorded.
#include <gtest/gtest.h>

#include "resources/password_ids.h"
#include "support/import_hook.h"
#include "support/pixels.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using w32ktest::BeepCounter;
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

int id(int row, int part) { return IDC_PWD_ROW(row, part); }
HMODULE library() { return GetModuleHandleA("W32KORUTIL1.dll"); }

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

    explicit Host(const std::vector<PasswordEntry>& entries = {})
    {
        block.PagesUsed = &pagesUsed;
        block.PasswordCount = &count;
        block.LogoutTimeout = 300;
        if (entries.empty())
            return;
        const SIZE_T bytes = entries.size() * sizeof(PasswordEntry);
        block.PasswordTable = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
        std::memcpy(GlobalLock(block.PasswordTable), entries.data(), bytes);
        GlobalUnlock(block.PasswordTable);
        count = static_cast<BYTE>(entries.size());
    }
    ~Host()
    {
        if (block.PasswordTable)
            GlobalFree(block.PasswordTable);
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

    // Opens the dialog; `script` runs inside it. A dialog the script leaves
    // open (also after a failed assertion) is cancelled.
    int run(const std::function<void(HWND)>& script)
    {
        DialogScript driver([&](HWND dialog) {
            ShowWindow(dialog, SW_SHOWNORMAL); // an ended dialog is told by being hidden
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

void click(HWND dialog, int control) { SendDlgItemMessageA(dialog, control, BM_CLICK, 0, 0); }

// One step of a scripted user: types `text` into `control`, or places it
// there as a paste would (`placed`), or clicks `control` when text is null.
struct Step {
    int control;
    const char* text = nullptr;
    bool placed = false;
};

void perform(HWND dialog, const std::vector<Step>& steps)
{
    for (const auto& s : steps) {
        if (!s.text)
            click(dialog, s.control);
        else if (s.placed)
            SetDlgItemTextA(dialog, s.control, s.text);
        else
            type(dialog, s.control, s.text);
    }
}

bool checked(HWND dialog, int control) { return IsDlgButtonChecked(dialog, control) == BST_CHECKED; }
bool enabled(HWND dialog, int control) { return IsWindowEnabled(GetDlgItem(dialog, control)) != FALSE; }
std::string text(HWND dialog, int control) { return windowText(GetDlgItem(dialog, control)); }

// Presses OK; true when the dialog stayed open.
bool pressOk(HWND dialog) { return click(dialog, IDOK), IsWindowVisible(dialog) != FALSE; }

void expectTable(const Host& host, const std::vector<PasswordEntry>& expected)
{
    ASSERT_EQ(host.count, expected.size());
    EXPECT_EQ(host.tableBytes(), expected.size() * sizeof(PasswordEntry));
    EXPECT_EQ(host.block.PasswordTable == nullptr, expected.empty());
    const auto table = host.table();
    for (size_t j = 0; j < expected.size(); ++j)
        EXPECT_EQ(std::memcmp(&table[j], &expected[j], sizeof(PasswordEntry)), 0)
            << "entry " << j << ": " << std::string(table[j].Password, PASSWORD_LENGTH)
            << " attributes " << int(table[j].Attributes) << " pages " << table[j].FromPage << "-"
            << table[j].ToPage << " reserved " << int(table[j].Reserved[0]);
}

// ---- the template ----------------------------------------------------------------

HWND childWithText(HWND dialog, const std::string& wanted)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (windowText(child) == wanted)
            return child;
    return nullptr;
}

// The caret after four digits lies within the edit: all four are visible.
void expectFourDigitsVisible(HWND edit)
{
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    RECT client;
    GetClientRect(edit, &client);
    SIZE digit{};
    HDC dc = GetDC(edit);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(edit, WM_GETFONT, 0, 0)));
    GetTextExtentPoint32A(dc, "8", 1, &digit);
    SelectObject(dc, old);
    ReleaseDC(edit, dc);
    EXPECT_GE(static_cast<short>(LOWORD(SendMessageA(edit, EM_POSFROMCHAR, 0, 0))), 0);
    EXPECT_LE(static_cast<short>(LOWORD(SendMessageA(edit, EM_POSFROMCHAR, 3, 0))) + digit.cx, client.right);
}

TEST(PasswordTemplate, ControlsHeadingsTabOrderAndVisibleDigits)
{
    Host host({entry("8888", PWD_ATTR_SYSTEM, 1, 12), entry("8888", 0, 1, 12)});
    host.run([](HWND dialog) {
        EXPECT_EQ(windowText(dialog), "Passwords");
        EXPECT_EQ(GetWindowLongPtrA(dialog, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU), WS_CAPTION);
        LOGFONTA font{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_STREQ(font.lfFaceName, "Helv");
        RECT client, size{0, 0, 346, 164};
        GetClientRect(dialog, &client);
        MapDialogRect(dialog, &size);
        EXPECT_EQ(client, size);
        for (const char* heading : {"Password", "CONF", "TIME", "ACK", "PRINT", "PAGE", "ALOGI", "ALOGO",
                                    "From page", "To page", "Data entry enable", "Logout timeout:"})
            EXPECT_EQ(w32ktest::className(childWithText(dialog, heading)), "Static") << heading;
        EXPECT_EQ(GetWindowLongPtrA(GetDlgItem(dialog, IDOK), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);

        // Rows in tab order: a digits-only edit, seven check boxes, two digits-only edits.
        std::vector<int> tabOrder, expected;
        for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if (GetWindowLongPtrA(c, GWL_STYLE) & WS_TABSTOP)
                tabOrder.push_back(GetDlgCtrlID(c));
        const auto checkBoxProc = reinterpret_cast<LONG_PTR>(&CheckBoxOnlyProc);
        for (int k = 0; k < 8; ++k)
            for (int part = IDC_PWD_PART_PASSWORD; part <= IDC_PWD_PART_TO; ++part) {
                HWND control = GetDlgItem(dialog, id(k, part));
                const bool box = part >= IDC_PWD_PART_CONF && part <= IDC_PWD_PART_ALOGO;
                EXPECT_EQ(w32ktest::className(control), box ? "Button" : "DLGNOALPHAEDIT_32") << id(k, part);
                EXPECT_EQ(GetWindowLongPtrA(control, GWLP_WNDPROC) == checkBoxProc, box) << id(k, part);
                if (box) {
                    EXPECT_EQ(GetWindowLongPtrA(control, GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX);
                }
                expected.push_back(id(k, part));
            }
        expected.insert(expected.end(), {IDC_PWD_TIMEOUT, IDOK, IDCANCEL});
        EXPECT_EQ(tabOrder, expected);

        for (int row : {0, 1})
            expectFourDigitsVisible(GetDlgItem(dialog, id(row, IDC_PWD_PART_PASSWORD)));
    });
}

// ---- opening ------------------------------------------------------------------------

TEST(PasswordDialog, OpeningShowsTheTableOrEmptyRowsAndEscapeChangesNothing)
{
    struct Row {
        int row;
        const char* password;
        const char* from;
        const char* to;
        BYTE boxes;
    };
    struct Case {
        const char* name;
        std::vector<PasswordEntry> entries;
        std::vector<Row> rows;
    };
    const Case cases[] = {
        {"new project", {}, {{0, "", "1", "12", PWD_ATTR_SYSTEM}, {1, "", "1", "12", 0}, {7, "", "1", "12", 0}}},
        {"a table",
         {entry("1111", 0x00, 4, 5), entry("2222", PWD_ATTR_TIME | PWD_ATTR_ALOGO, 3, 9),
          entry("", PWD_ATTR_CONF, 2, 2), entry("3333", PWD_ATTR_ALOGI | PWD_ATTR_PAGE, 6, 7)},
         {{0, "1111", "1", "12", PWD_ATTR_SYSTEM}, // fixed, whatever the entry holds
          {1, "2222", "3", "9", PWD_ATTR_TIME | PWD_ATTR_ALOGO}, {2, "", "1", "12", 0},
          {3, "3333", "6", "7", PWD_ATTR_ALOGI | PWD_ATTR_PAGE}, {4, "", "1", "12", 0}}},
    };
    const BYTE bits[] = {PWD_ATTR_CONF, PWD_ATTR_TIME,  PWD_ATTR_ACK,  PWD_ATTR_PRINT,
                         PWD_ATTR_PAGE, PWD_ATTR_ALOGI, PWD_ATTR_ALOGO};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host host(c.entries);
        const HGLOBAL table = host.block.PasswordTable;
        host.block.LogoutTimeout = 250;
        const int result = host.run([&](HWND dialog) {
            for (const auto& r : c.rows) {
                SCOPED_TRACE("row " + std::to_string(r.row));
                EXPECT_EQ(text(dialog, id(r.row, IDC_PWD_PART_PASSWORD)), r.password);
                EXPECT_TRUE(enabled(dialog, id(r.row, IDC_PWD_PART_PASSWORD)));
                EXPECT_EQ(text(dialog, id(r.row, IDC_PWD_PART_FROM)), r.from);
                EXPECT_EQ(text(dialog, id(r.row, IDC_PWD_PART_TO)), r.to);
                for (int b = 0; b < 7; ++b)
                    EXPECT_EQ(checked(dialog, id(r.row, IDC_PWD_PART_CONF + b)), (r.boxes & bits[b]) != 0) << b;
                // A row is switched on by its password; of the System password only "ALOGO".
                const bool on = *r.password != '\0';
                for (int part = IDC_PWD_PART_CONF; part <= IDC_PWD_PART_TO; ++part)
                    EXPECT_EQ(enabled(dialog, id(r.row, part)), on && (r.row != 0 || part == IDC_PWD_PART_ALOGO)) << part;
            }
            EXPECT_EQ(text(dialog, IDC_PWD_TIMEOUT), "250");
            // KorAbout.dll gives the captions while the dialog is open.
            EXPECT_NE(GetModuleHandleA("KorAbout.dll"), nullptr);
            // Changes, then Escape: nothing is stored.
            perform(dialog, {{id(1, IDC_PWD_PART_PASSWORD), "2000"}, {IDC_PWD_TIMEOUT, "20", true}});
            SetFocus(GetDlgItem(dialog, id(1, IDC_PWD_PART_PASSWORD)));
            PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1);
        });
        EXPECT_EQ(result, 0);
        EXPECT_EQ(GetModuleHandleA("KorAbout.dll"), nullptr) << "the caption library stays loaded";
        EXPECT_EQ(host.count, c.entries.size());
        EXPECT_EQ(host.block.PasswordTable, table);
        EXPECT_EQ(host.block.LogoutTimeout, 250);
    }
}

TEST(PasswordDialog, MoreThanEightEntriesFillTheRowsOnlyAndKeepTheRestOnOk)
{
    std::vector<PasswordEntry> entries, expected;
    for (int k = 0; k < 10; ++k) {
        entries.push_back(entry(std::to_string(1000 + k).c_str(), 0, 1, 2, static_cast<BYTE>(0xA0 + k)));
        expected.push_back(entries.back());
    }
    expected[0].Attributes = PWD_ATTR_SYSTEM;
    expected[0].ToPage = kPagesUsed;
    expected.erase(expected.begin() + 3);
    for (size_t j = 3; j < 7; ++j) // a slot keeps its unused bytes
        std::memcpy(expected[j].Reserved, entries[j].Reserved, sizeof entries[j].Reserved);
    Host host(entries);
    const int result = host.run([](HWND dialog) {
        EXPECT_EQ(text(dialog, id(7, IDC_PWD_PART_PASSWORD)), "1007");
        EXPECT_EQ(text(dialog, IDC_PWD_TIMEOUT), "300"); // not overwritten by a ninth row
        clear(dialog, id(3, IDC_PWD_PART_PASSWORD));
        EXPECT_FALSE(pressOk(dialog));
    });
    ASSERT_EQ(result, 1);
    expectTable(host, expected);
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
        DialogScript script([](HWND dialog) { click(dialog, IDCANCEL); });
        EXPECT_EQ(StartPasswordDlg(nullptr, reinterpret_cast<LPARAM>(block)), 0);
        EXPECT_FALSE(script.ran());
    }
}

// ---- rows switched on and off ---------------------------------------------------------

TEST(PasswordDialog, TypingAPasswordSwitchesItsRowOnAndClearingSwitchesItOff)
{
    Host host;
    host.run([](HWND dialog) {
        type(dialog, id(3, IDC_PWD_PART_PASSWORD), "43210");
        EXPECT_EQ(text(dialog, id(3, IDC_PWD_PART_PASSWORD)), "4321") << "four digits at most";
        for (int part = IDC_PWD_PART_CONF; part <= IDC_PWD_PART_TO; ++part)
            EXPECT_TRUE(enabled(dialog, id(3, part))) << part;
        perform(dialog, {{id(3, IDC_PWD_PART_ACK)}, {id(3, IDC_PWD_PART_ALOGO)}, {id(3, IDC_PWD_PART_TO), "7"}});
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
        clear(dialog, id(0, IDC_PWD_PART_PASSWORD));
        EXPECT_FALSE(enabled(dialog, id(0, IDC_PWD_PART_ALOGO)));
        EXPECT_TRUE(checked(dialog, id(0, IDC_PWD_PART_CONF)));
    });
}

// ---- automatic login and logout -------------------------------------------------------

TEST(PasswordDialog, AutomaticLoginIsExclusive)
{
    const int login2 = id(2, IDC_PWD_PART_ALOGI), logout2 = id(2, IDC_PWD_PART_ALOGO);
    const int login5 = id(5, IDC_PWD_PART_ALOGI), logout5 = id(5, IDC_PWD_PART_ALOGO);
    const int logout0 = id(0, IDC_PWD_PART_ALOGO);
    struct Case {
        const char* name;
        std::vector<int> checkedBefore; // box ids checked first (without conflicts)
        int clicked;                    // box then clicked
        Texts messages;
        std::vector<int> checkedAfter, uncheckedAfter;
    };
    const Case cases[] = {
        {"second login", {login5}, login2, {kOneLogin}, {login2}, {login5}},
        {"logout after login", {login2}, logout2, {kLoginAndLogout}, {logout2}, {login2}},
        {"login after logout", {logout2}, login2, {kLoginAndLogout}, {login2}, {logout2}},
        // Both conflicts: the one found last in row order decides the message.
        {"own logout, then row 5", {logout2, login5}, login2, {kOneLogin}, {login2}, {logout2, login5}},
        {"row 2, then own logout", {login2, logout5}, login5, {kLoginAndLogout}, {login5}, {login2, logout5}},
        {"no conflict", {logout5}, login2, {}, {login2, logout5}, {}},
        {"the System password's logout", {login2}, logout0, {}, {logout0, login2}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host host;
        MessageBoxRecorder boxes;
        Texts before;
        host.run([&](HWND dialog) {
            for (int k = 0; k < 8; ++k)
                type(dialog, id(k, IDC_PWD_PART_PASSWORD), std::to_string(1000 + k));
            for (int box : c.checkedBefore)
                click(dialog, box);
            before = boxes.texts();
            click(dialog, c.clicked);
            for (int box : c.checkedAfter)
                EXPECT_TRUE(checked(dialog, box)) << box;
            for (int box : c.uncheckedAfter)
                EXPECT_FALSE(checked(dialog, box)) << box;
        });
        EXPECT_TRUE(before.empty());
        EXPECT_EQ(boxes.texts(), c.messages);
    }
}

// ---- checks on OK ---------------------------------------------------------------------

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

TEST(PasswordDialog, FailedChecksAreToldAsStopMessagesAndKeepTheDialogOpen)
{
    const int p0 = id(0, IDC_PWD_PART_PASSWORD), p1 = id(1, IDC_PWD_PART_PASSWORD);
    const int p2 = id(2, IDC_PWD_PART_PASSWORD), p4 = id(4, IDC_PWD_PART_PASSWORD);
    struct Case {
        const char* name;
        std::vector<Step> steps; // page edits of rows without password are disabled:
        Texts messages;          // the user cannot type there, but a host's table can hold anything
        LONG pagesUsed = kPagesUsed;
    };
    const Case cases[] = {
        {"system password missing", {{p2, "1234"}}, {kSystemFirst}},
        {"three digits", {{p0, "123"}}, {kFormat}},
        {"one digit", {{p0, "1111"}, {p1, "7"}}, {kFormat}},
        {"reserved", {{p0, "1111"}, {p2, "0372"}}, {kFormat}},
        {"other characters, pasted", {{p0, "12a4", true}}, {kFormat}},
        {"from page 0 in an empty row", {{id(3, IDC_PWD_PART_FROM), "0", true}}, {kPages}},
        {"to page above pages used", {{p0, "1111"}, {p4, "2222"}, {id(4, IDC_PWD_PART_TO), "13"}}, {kPages}},
        {"empty page", {{id(6, IDC_PWD_PART_TO), "", true}}, {kPages}},
        {"from and to both wrong: one message",
         {{id(5, IDC_PWD_PART_FROM), "0", true}, {id(5, IDC_PWD_PART_TO), "99", true}}, {kPages}},
        {"a project without pages", {{p0, "1234"}}, Texts(8, kPages), 0},
        {"identical", {{p0, "1111"}, {p1, "2222"}, {p4, "2222"}}, {kIdentical}},
        {"identical to the system password", {{p0, "2222"}, {p2, "2222"}}, {kIdentical}},
        {"identical after an earlier failure is not told", {{p0, "111"}, {p1, "2222"}, {p4, "2222"}}, {kFormat}},
        {"identical told before a later row fails",
         {{p0, "1111"}, {p1, "2222"}, {p4, "2222"}, {id(6, IDC_PWD_PART_FROM), "0", true}}, {kIdentical, kPages}},
        {"several", {{p1, "12"}, {id(7, IDC_PWD_PART_FROM), "0", true}}, {kSystemFirst, kFormat, kPages}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host host({entry("9999", PWD_ATTR_SYSTEM, 1, 12, 0x55)});
        host.pagesUsed = c.pagesUsed;
        const HGLOBAL table = host.block.PasswordTable;
        g_messageBoxes.clear();
        ImportHook hook(library(), "USER32.dll", "MessageBoxA", reinterpret_cast<void*>(&recordMessageBox));
        ASSERT_TRUE(hook.installed());
        BeepCounter beeps;
        HWND shownBy = nullptr;
        bool stayedOpen = false;
        const int result = host.run([&](HWND dialog) {
            shownBy = dialog;
            clear(dialog, p0);
            perform(dialog, c.steps);
            stayedOpen = pressOk(dialog);
        });
        EXPECT_TRUE(stayedOpen);
        EXPECT_EQ(result, 0);
        Texts texts;
        for (const auto& shown : g_messageBoxes) {
            texts.push_back(shown.text);
            EXPECT_EQ(shown.owner, shownBy);
            EXPECT_EQ(shown.caption, kCaption);
            EXPECT_EQ(shown.type, UINT{MB_OK | MB_ICONSTOP});
        }
        EXPECT_EQ(texts, c.messages);
        EXPECT_EQ(beeps.count(), static_cast<int>(c.messages.size()));
        EXPECT_EQ(host.block.PasswordTable, table);
        EXPECT_EQ(host.count, 1);
        EXPECT_STREQ(host.table()[0].Password, "9999");
    }
}

// ---- the logout timeout ---------------------------------------------------------------

TEST(PasswordDialog, TheTimeoutIsKeptInRangeWhenLeftAndStoredByOkEvenWhenTheChecksFail)
{
    const std::pair<const char*, const char*> shown[] = {
        {"5", "700"}, {"800", "10"}, {"10", "10"}, {"700", "700"}, {"9", "700"},
        {"701", "10"}, {"", "700"}, {"0450", "450"}, {"12abc", "12"},
    };
    Host host;
    host.run([&](HWND dialog) {
        HWND timeout = GetDlgItem(dialog, IDC_PWD_TIMEOUT);
        for (const auto& [typed, text] : shown) {
            SetFocus(timeout);
            SetWindowTextA(timeout, typed);
            SetFocus(GetDlgItem(dialog, id(0, IDC_PWD_PART_PASSWORD)));
            EXPECT_EQ(windowText(timeout), text) << typed;
        }
    });
    EXPECT_EQ(host.block.LogoutTimeout, 300) << "Cancel stores no timeout";

    const std::pair<const char*, WORD> stored[] = {
        {"", 600}, {"0", 600}, {"5", 700}, {"800", 10}, {"65536", 600}, {"65545", 700},
        {"-1", 10}, {"123456789", 10}, {"42", 42},
    };
    for (const auto& [typed, value] : stored) {
        SCOPED_TRACE(typed);
        Host failing;
        MessageBoxRecorder boxes;
        failing.run([&](HWND dialog) {
            // No System password: the checks fail.
            perform(dialog, {{id(2, IDC_PWD_PART_PASSWORD), "1234"}, {IDC_PWD_TIMEOUT, typed, true}});
            EXPECT_TRUE(pressOk(dialog));
        });
        EXPECT_EQ(boxes.texts(), Texts{kSystemFirst});
        EXPECT_EQ(failing.block.LogoutTimeout, value);
    }
}

// ---- storing the table ----------------------------------------------------------------

TEST(PasswordDialog, OkStoresTheNonEmptyRowsInConsecutiveEntries)
{
    const int p0 = id(0, IDC_PWD_PART_PASSWORD), p1 = id(1, IDC_PWD_PART_PASSWORD);
    struct Case {
        const char* name;
        std::vector<PasswordEntry> before;
        std::vector<Step> steps;
        std::vector<PasswordEntry> after;
        LONG pagesUsed = kPagesUsed;
    };
    const Case cases[] = {
        {"new project",
         {},
         {{p0, "1000"}, {id(0, IDC_PWD_PART_ALOGO)}, {id(2, IDC_PWD_PART_PASSWORD), "1002"},
          {id(2, IDC_PWD_PART_CONF)}, {id(2, IDC_PWD_PART_ALOGI)}, {id(2, IDC_PWD_PART_FROM), "3"},
          {id(2, IDC_PWD_PART_TO), "12"}, {id(5, IDC_PWD_PART_PASSWORD), "1005"},
          {id(5, IDC_PWD_PART_PRINT)}, {id(5, IDC_PWD_PART_FROM), "2"}, {id(5, IDC_PWD_PART_TO), "4"}},
         {entry("1000", PWD_ATTR_SYSTEM | PWD_ATTR_ALOGO, 1, 12),
          entry("1002", PWD_ATTR_CONF | PWD_ATTR_ALOGI, 3, 12), entry("1005", PWD_ATTR_PRINT, 2, 4)}},
        // Entry j keeps its unused bytes and bit 5 (the slot, not the row, owns
        // them); the System password keeps its bit 6.
        {"a row emptied and a later one filled: no password is lost",
         {entry("1000", PWD_ATTR_SYSTEM | PWD_ATTR_UNUSED | PWD_ATTR_ALOGI, 1, 12, 0x10),
          entry("1001", PWD_ATTR_ACK | PWD_ATTR_UNUSED, 2, 3, 0x11), entry("1002", PWD_ATTR_TIME, 4, 5, 0x12)},
         {{p1, ""}, {id(5, IDC_PWD_PART_PASSWORD), "1005"}},
         {entry("1000", PWD_ATTR_SYSTEM | PWD_ATTR_UNUSED | PWD_ATTR_ALOGI, 1, 12, 0x10),
          entry("1002", PWD_ATTR_TIME | PWD_ATTR_UNUSED, 4, 5, 0x11), entry("1005", 0, 1, 12, 0x12)}},
        {"the System password has its fixed attributes and all pages",
         {entry("4321", PWD_ATTR_ALOGO, 7, 9)},
         {{id(0, IDC_PWD_PART_ALOGO)}},
         {entry("4321", PWD_ATTR_SYSTEM, 1, 40)},
         40},
        {"placed text is cut to four digits", {}, {{p0, "1234"}, {p1, "56789", true}},
         {entry("1234", PWD_ATTR_SYSTEM, 1, 12), entry("5678", 0, 1, 12)}},
        {"every password cleared", {entry("1000", PWD_ATTR_SYSTEM, 1, 12), entry("1001", 0, 1, 12)},
         {{p1, ""}, {p0, ""}}, {}},
        {"nothing typed in a new project", {}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host host(c.before);
        host.pagesUsed = c.pagesUsed;
        const int result = host.run([&](HWND dialog) {
            perform(dialog, c.steps);
            EXPECT_FALSE(pressOk(dialog));
        });
        ASSERT_EQ(result, 1);
        expectTable(host, c.after);
        EXPECT_EQ(host.block.LogoutTimeout, 300);
    }
}

HGLOBAL WINAPI failingReAlloc(HGLOBAL, SIZE_T, UINT) { return nullptr; }
HGLOBAL WINAPI failingAlloc(UINT, SIZE_T) { return nullptr; }

TEST(PasswordDialog, WithoutMemoryTheTableIsKeptAndTheDialogStaysOpen)
{
    struct Case {
        const char* function; // fails while OK is first pressed
        void* replacement;
        std::vector<PasswordEntry> before, after;
    };
    const PasswordEntry system = entry("1000", PWD_ATTR_SYSTEM, 1, 12, 0x77);
    const Case cases[] = {
        {"GlobalReAlloc", reinterpret_cast<void*>(&failingReAlloc), {system}, {system, entry("1001", 0, 1, 12)}},
        {"GlobalAlloc", reinterpret_cast<void*>(&failingAlloc), {}, {entry("1000", PWD_ATTR_SYSTEM, 1, 12)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.function);
        Host host(c.before);
        const HGLOBAL table = host.block.PasswordTable;
        MessageBoxRecorder boxes;
        const int result = host.run([&](HWND dialog) {
            const int row = static_cast<int>(c.before.size());
            type(dialog, id(row, IDC_PWD_PART_PASSWORD), std::to_string(1000 + row));
            {
                ImportHook fail(library(), "KERNEL32.dll", c.function, c.replacement);
                EXPECT_TRUE(fail.installed());
                EXPECT_TRUE(pressOk(dialog));
            }
            EXPECT_EQ(host.block.PasswordTable, table);
            expectTable(host, c.before);
            EXPECT_FALSE(pressOk(dialog)); // memory again: now it is stored
        });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(boxes.texts(), Texts{kNoMemory});
        expectTable(host, c.after);
    }
}

// ---- closing --------------------------------------------------------------------------

TEST(PasswordDialog, ProcedureLeavesOtherMessagesToTheDialogManager)
{
    Host host;
    host.run([](HWND dialog) {
        EXPECT_EQ(PasswordProc(dialog, WM_MOUSEMOVE, 0, 0), FALSE);
        EXPECT_EQ(PasswordProc(dialog, WM_COMMAND, MAKEWPARAM(id(1, IDC_PWD_PART_CONF), BN_CLICKED), 0), TRUE);
    });
}

} // namespace
