// The password table dialog through the DLL, driven inside its modal loop as a user drives it; every
// message box (owner, caption, style) and beep is recorded.
#include <gtest/gtest.h>

#include "resources/password_ids.h"
#include "support/import_hook.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using w32ktest::ImportHook;
using Texts = std::vector<std::string>;
using Entries = std::vector<PasswordEntry>;

namespace {

constexpr LONG kPagesUsed = 12;
constexpr const char* kCaption = "Panel Designer"; // KorAbout.dll string 101
const std::string kSystemFirst = "The first password is referred to as the System password. This password has "
                                 "fixed attributes and must be defined before using other passwords.";
const std::string kFormat = "Passwords must be four digits long and the password \"0372\" is reserved.";
const std::string kPages = "Page numbers for data entry must be between (1) and the current number of pages used. "
                           "The number of pages used is shown in the lower left corner of the status bar";
const std::string kIdentical = "Passwords are identical";
const std::string kLoginAndLogout = "Password can not have both automatic login and logout enabled";
const std::string kOneLogin = "Only one password can have automatic login enabled";
const std::string kNoMemory = "There is not enough memory to store the passwords. Nothing has been changed.";

constexpr int PW = IDC_PWD_PART_PASSWORD, CONF = IDC_PWD_PART_CONF, ACK = IDC_PWD_PART_ACK;
constexpr int ALOGI = IDC_PWD_PART_ALOGI, ALOGO = IDC_PWD_PART_ALOGO, FROM = IDC_PWD_PART_FROM, TO = IDC_PWD_PART_TO;
int id(int row, int part) { return IDC_PWD_ROW(row, part); }
HMODULE library() { return GetModuleHandleA("W32KORUTIL1.dll"); }

PasswordEntry entry(const char* password, BYTE attributes, WORD from, WORD to, BYTE marker = 0)
{
    PasswordEntry e{{}, attributes, from, to, {}};
    std::memcpy(e.Password, password, std::min<size_t>(std::strlen(password), PASSWORD_LENGTH));
    std::memset(e.Reserved, marker, sizeof e.Reserved);
    return e;
}

struct Box { HWND owner; std::string text, caption; UINT type; };
std::vector<Box> g_boxes;
int WINAPI recordBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    return g_boxes.push_back({owner, text, caption, type}), IDOK;
}

// The host's counters, block and table; run() opens the dialog with `script` inside it and keeps the
// texts of the message boxes in `told`. A dialog the script leaves open is cancelled.
struct Host {
    LONG pagesUsed = kPagesUsed;
    BYTE count = 0;
    PasswordBlock block{&pagesUsed, &count, 0, nullptr, 0, 300};
    Texts told;

    explicit Host(const Entries& entries = {})
    {
        if (entries.empty())
            return;
        const SIZE_T bytes = entries.size() * sizeof(PasswordEntry);
        block.PasswordTable = GlobalAlloc(GMEM_MOVEABLE, bytes);
        std::memcpy(GlobalLock(block.PasswordTable), entries.data(), bytes);
        GlobalUnlock(block.PasswordTable);
        count = static_cast<BYTE>(entries.size());
    }
    ~Host() { block.PasswordTable && GlobalFree(block.PasswordTable); }
    int run(const std::function<void(HWND)>& script)
    {
        g_boxes.clear();
        ImportHook hook(library(), "USER32.dll", "MessageBoxA", reinterpret_cast<void*>(&recordBox));
        EXPECT_TRUE(hook.installed());
        w32ktest::BeepCounter beeps;
        HWND shownBy = nullptr;
        w32ktest::DialogScript driver([&](HWND dialog) {
            shownBy = dialog;
            ShowWindow(dialog, SW_SHOWNORMAL); // an ended dialog is told by being hidden
            script(dialog);
            if (IsWindowVisible(dialog))
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        });
        const int result = StartPasswordDlg(nullptr, reinterpret_cast<LPARAM>(&block));
        EXPECT_TRUE(driver.ran());
        told.clear();
        for (const auto& box : g_boxes) {
            told.push_back(box.text);
            EXPECT_EQ(box.owner, shownBy);
            EXPECT_EQ(box.caption, kCaption);
            EXPECT_EQ(box.type, UINT{MB_OK | MB_ICONSTOP});
        }
        EXPECT_EQ(beeps.count(), static_cast<int>(g_boxes.size()));
        return result;
    }
};

// Replaces the text of an edit by typing ("" clears it).
void type(HWND dialog, int control, const std::string& text)
{
    SendDlgItemMessageA(dialog, control, EM_SETSEL, 0, -1);
    SendDlgItemMessageA(dialog, control, WM_KEYDOWN, VK_DELETE, 1);
    for (char c : text)
        SendDlgItemMessageA(dialog, control, WM_CHAR, static_cast<unsigned char>(c), 1);
}
void click(HWND dialog, int control) { SendDlgItemMessageA(dialog, control, BM_CLICK, 0, 0); }
bool checked(HWND dialog, int control) { return IsDlgButtonChecked(dialog, control) == BST_CHECKED; }
bool enabled(HWND dialog, int control) { return IsWindowEnabled(GetDlgItem(dialog, control)) != FALSE; }
std::string text(HWND dialog, int control) { return w32ktest::windowText(GetDlgItem(dialog, control)); }
// Presses OK; true when the dialog stayed open.
bool pressOk(HWND dialog) { return click(dialog, IDOK), IsWindowVisible(dialog) != FALSE; }

// One step of a user: types `text` into `control`, or places it there as a paste would (`placed`),
// or clicks `control` when text is null.
struct Step { int control; const char* text = nullptr; bool placed = false; };
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

void expectTable(const Host& host, const Entries& expected)
{
    ASSERT_EQ(host.count, expected.size());
    EXPECT_EQ(host.block.PasswordTable == nullptr, expected.empty()) << "an empty table frees the block";
    EXPECT_EQ(host.block.PasswordTable ? GlobalSize(host.block.PasswordTable) : 0, expected.size() * sizeof(PasswordEntry));
    const auto* table = static_cast<const PasswordEntry*>(GlobalLock(host.block.PasswordTable));
    for (size_t j = 0; j < expected.size(); ++j)
        EXPECT_EQ(std::memcmp(&table[j], &expected[j], sizeof(PasswordEntry)), 0)
            << "entry " << j << ": " << std::string(table[j].Password, PASSWORD_LENGTH) << " attributes "
            << int(table[j].Attributes) << " pages " << table[j].FromPage << "-" << table[j].ToPage;
    GlobalUnlock(host.block.PasswordTable);
}

TEST(PasswordDialog, ShowsTheTableSwitchesRowsByTheirPasswordAndEscapeStoresNothing)
{
    const Entries entries = {entry("8888", 0, 4, 5), entry("2222", PWD_ATTR_TIME | PWD_ATTR_ALOGO, 3, 9),
                             entry("", PWD_ATTR_CONF, 2, 2), entry("3333", PWD_ATTR_ALOGI | PWD_ATTR_PAGE, 6, 7)};
    const struct {
        int row;
        const char *password, *from, *to;
        BYTE boxes;
    } rows[] = {{0, "8888", "1", "12", PWD_ATTR_SYSTEM}, // fixed, whatever the entry holds
                {1, "2222", "3", "9", PWD_ATTR_TIME | PWD_ATTR_ALOGO},
                {2, "", "1", "12", 0}, // an empty entry shows the defaults
                {3, "3333", "6", "7", PWD_ATTR_ALOGI | PWD_ATTR_PAGE},
                {7, "", "1", "12", 0}};
    const BYTE bits[] = {PWD_ATTR_CONF, PWD_ATTR_TIME, PWD_ATTR_ACK, PWD_ATTR_PRINT, PWD_ATTR_PAGE, PWD_ATTR_ALOGI,
                         PWD_ATTR_ALOGO};
    Host host(entries);
    const HGLOBAL table = host.block.PasswordTable;
    const int result = host.run([&](HWND dialog) {
        for (const auto& r : rows) {
            SCOPED_TRACE(r.row);
            EXPECT_EQ(text(dialog, id(r.row, PW)), r.password);
            EXPECT_EQ(text(dialog, id(r.row, FROM)), r.from);
            EXPECT_EQ(text(dialog, id(r.row, TO)), r.to);
            // A row is switched on by its password; of the System password only "ALOGO".
            for (int part = CONF; part <= TO; ++part) {
                EXPECT_EQ(enabled(dialog, id(r.row, part)), *r.password && (r.row != 0 || part == ALOGO)) << part;
                EXPECT_EQ(checked(dialog, id(r.row, part)), part <= ALOGO && (r.boxes & bits[part - CONF])) << part;
            }
        }
        EXPECT_EQ(text(dialog, IDC_PWD_TIMEOUT), "300");
        EXPECT_NE(GetModuleHandleA("KorAbout.dll"), nullptr) << "the captions' library is loaded while open";
        // The narrow edits show "8888" whole: the first digit starts and the fourth ends within the edit.
        HWND edit = GetDlgItem(dialog, id(0, PW));
        RECT client;
        GetClientRect(edit, &client);
        const auto x = [&](int digit) { return static_cast<short>(LOWORD(SendMessageA(edit, EM_POSFROMCHAR, digit, 0))); };
        EXPECT_TRUE(x(0) >= 0 && x(3) + x(1) - x(0) <= client.right);
        const auto boxProc = GetWindowLongPtrA(GetDlgItem(dialog, id(1, CONF)), GWLP_WNDPROC);
        EXPECT_EQ(boxProc, reinterpret_cast<LONG_PTR>(&CheckBoxOnlyProc)) << "the boxes draw their focus";
        EXPECT_EQ(PasswordProc(dialog, WM_MOUSEMOVE, 0, 0), FALSE) << "left to the dialog manager";

        // Typing switches a row on (four digits at most); clearing switches it off, unchecks its
        // boxes and keeps its numbers.
        type(dialog, id(4, PW), "43210");
        EXPECT_EQ(text(dialog, id(4, PW)), "4321");
        perform(dialog, {{id(4, ACK)}, {id(4, TO), "7"}});
        EXPECT_TRUE(checked(dialog, id(4, ACK)) && enabled(dialog, id(4, FROM)));
        type(dialog, id(4, PW), "");
        for (int part = CONF; part <= TO; ++part)
            EXPECT_FALSE(enabled(dialog, id(4, part)) || checked(dialog, id(4, part))) << part;
        EXPECT_EQ(text(dialog, id(4, TO)), "7");
        type(dialog, id(0, PW), ""); // the System password: "ALOGO" follows its text, the rest stays fixed
        EXPECT_FALSE(enabled(dialog, id(0, ALOGO)));
        EXPECT_TRUE(checked(dialog, id(0, CONF)));

        perform(dialog, {{id(1, PW), "2000"}, {IDC_PWD_TIMEOUT, "20", true}});
        SetFocus(GetDlgItem(dialog, id(1, PW)));
        PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(GetModuleHandleA("KorAbout.dll"), nullptr) << "the captions' library is released";
    EXPECT_EQ(host.block.PasswordTable, table);
    expectTable(host, entries);
    EXPECT_EQ(host.block.LogoutTimeout, 300);
}

TEST(PasswordDialog, UnusableBlocksDoNotOpen)
{
    LONG pages = 3;
    BYTE count = 0;
    PasswordBlock noPages{nullptr, &count, 0, nullptr, 0, 0}, noCount{&pages, nullptr, 0, nullptr, 0, 0};
    for (PasswordBlock* block : {static_cast<PasswordBlock*>(nullptr), &noPages, &noCount}) {
        w32ktest::DialogScript script([](HWND dialog) { click(dialog, IDCANCEL); });
        EXPECT_EQ(StartPasswordDlg(nullptr, reinterpret_cast<LPARAM>(block)), 0);
        EXPECT_FALSE(script.ran());
    }
}

TEST(PasswordDialog, AutomaticLoginIsExclusive)
{
    const int login2 = id(2, ALOGI), logout2 = id(2, ALOGO), login5 = id(5, ALOGI), logout5 = id(5, ALOGO);
    // The clicked box ends checked; a conflict is told and unchecks every box checked before.
    const struct {
        const char* name;
        std::vector<int> before; // checked first (without conflicts)
        int clicked;
        Texts told;
    } cases[] = {
        {"second login", {login5}, login2, {kOneLogin}},
        {"logout after login", {login2}, logout2, {kLoginAndLogout}},
        {"login after logout", {logout2}, login2, {kLoginAndLogout}},
        // Both conflicts: the one found last in row order decides the message.
        {"own logout, then row 5", {logout2, login5}, login2, {kOneLogin}},
        {"row 2, then own logout", {login2, logout5}, login5, {kLoginAndLogout}},
        {"no conflict", {logout5}, login2, {}},
        {"the System password's logout", {login2}, id(0, ALOGO), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host host;
        host.run([&](HWND dialog) {
            for (int k = 0; k < 8; ++k)
                type(dialog, id(k, PW), std::to_string(1000 + k));
            for (int box : c.before)
                click(dialog, box);
            EXPECT_TRUE(g_boxes.empty());
            click(dialog, c.clicked);
            EXPECT_TRUE(checked(dialog, c.clicked));
            for (int box : c.before)
                EXPECT_EQ(checked(dialog, box), c.told.empty()) << box;
        });
        EXPECT_EQ(host.told, c.told);
    }
}

TEST(PasswordDialog, TimeoutWrapsIntoRangeWhenLeftAndIsStoredByOkEvenWhenTheChecksFail)
{
    const std::pair<const char*, const char*> left[] = {
        {"9", "700"}, {"10", "10"}, {"700", "700"}, {"701", "10"}, {"", "700"}, {"0450", "450"}, {"12abc", "12"}};
    // On OK the text is read as a 16-bit number; 0 is 600.
    const std::pair<const char*, WORD> stored[] = {
        {"", 600}, {"5", 700}, {"800", 10}, {"65536", 600}, {"65545", 700}, {"-1", 10}, {"123456789", 10}, {"42", 42}};
    Host host;
    host.run([&](HWND dialog) {
        HWND timeout = GetDlgItem(dialog, IDC_PWD_TIMEOUT);
        for (const auto& [typed, shown] : left) {
            SetFocus(timeout);
            SetWindowTextA(timeout, typed);
            SetFocus(GetDlgItem(dialog, id(0, PW)));
            EXPECT_EQ(w32ktest::windowText(timeout), shown) << typed;
        }
        EXPECT_EQ(host.block.LogoutTimeout, 300) << "leaving the edit stores nothing";
        type(dialog, id(2, PW), "1234"); // without a System password the checks fail
        for (const auto& [typed, value] : stored) {
            SetWindowTextA(timeout, typed);
            EXPECT_TRUE(pressOk(dialog));
            EXPECT_EQ(host.block.LogoutTimeout, value) << typed;
        }
    });
    EXPECT_EQ(host.told, Texts(std::size(stored), kSystemFirst));
}

TEST(PasswordDialog, OkTellsTheFailedChecksInOrderOrStoresTheNonEmptyRowsLosingNone)
{
    const int p0 = id(0, PW), p1 = id(1, PW), p2 = id(2, PW), p4 = id(4, PW);
    const Entries sys = {entry("9999", PWD_ATTR_SYSTEM, 1, 12, 0x55)};
    // Ten entries: the dialog shows eight, the two beyond are kept as they are; row 3 is emptied.
    Entries ten;
    for (int k = 0; k < 10; ++k)
        ten.push_back(entry(std::to_string(1000 + k).c_str(), 0, 1, 2, 0xA0));
    Entries tenAfter = ten;
    tenAfter[0] = entry("1000", PWD_ATTR_SYSTEM, 1, kPagesUsed, 0xA0);
    tenAfter.erase(tenAfter.begin() + 3);
    struct Case {
        const char* name;
        Entries before;
        std::vector<Step> steps; // the page edits of a row without password are disabled, but a host's
        Texts told;              // table can hold anything: such pages are placed
        Entries after;
        LONG pagesUsed = kPagesUsed;
    };
    const Case cases[] = {
        {"three digits", sys, {{p0, "123"}}, {kFormat}, sys},
        {"reserved", sys, {{p2, "0372"}}, {kFormat}, sys},
        {"other characters, pasted", sys, {{p0, "12a4", true}}, {kFormat}, sys},
        {"to page above pages used", sys, {{p4, "2222"}, {id(4, TO), "13"}}, {kPages}, sys},
        {"from and to both wrong: one message", sys, {{id(5, FROM), "0", true}, {id(5, TO), "99", true}}, {kPages}, sys},
        {"a project without pages", sys, {}, Texts(8, kPages), sys, 0},
        {"identical after an earlier failure is not told", sys, {{p0, "111"}, {p1, "2222"}, {p4, "2222"}}, {kFormat}, sys},
        {"identical told before a later row fails", sys, {{p1, "2222"}, {p4, "2222"}, {id(6, FROM), "0", true}},
         {kIdentical, kPages}, sys},
        {"several", sys, {{p0, ""}, {p1, "12"}, {id(7, FROM), "0", true}}, {kSystemFirst, kFormat, kPages}, sys},
        {"new project", {}, {{p0, "1000"}, {id(0, ALOGO)}, {p2, "1002"}, {id(2, CONF)}, {id(2, ALOGI)}, {id(2, FROM), "3"}},
         {}, {entry("1000", PWD_ATTR_SYSTEM | PWD_ATTR_ALOGO, 1, 12), entry("1002", PWD_ATTR_CONF | PWD_ATTR_ALOGI, 3, 12)}},
        // Entry j keeps its unused bytes and bit 5 (the slot, not the row, owns them); the System
        // password keeps its bit 6.
        {"a row emptied and a later one filled",
         {entry("1000", PWD_ATTR_SYSTEM | PWD_ATTR_UNUSED | PWD_ATTR_ALOGI, 1, 12, 0x10),
          entry("1001", PWD_ATTR_ACK | PWD_ATTR_UNUSED, 2, 3, 0x11), entry("1002", PWD_ATTR_TIME, 4, 5, 0x12)},
         {{p1, ""}, {id(5, PW), "1005"}}, {},
         {entry("1000", PWD_ATTR_SYSTEM | PWD_ATTR_UNUSED | PWD_ATTR_ALOGI, 1, 12, 0x10),
          entry("1002", PWD_ATTR_TIME | PWD_ATTR_UNUSED, 4, 5, 0x11), entry("1005", 0, 1, 12, 0x12)}},
        {"more than eight entries", ten, {{id(3, PW), ""}}, {}, tenAfter},
        {"the System password has its fixed attributes and all pages", {entry("4321", PWD_ATTR_ALOGO, 7, 9)},
         {{id(0, ALOGO)}}, {}, {entry("4321", PWD_ATTR_SYSTEM, 1, 40)}, 40},
        {"placed text is cut to four digits", {}, {{p0, "1234"}, {p1, "56789", true}}, {},
         {entry("1234", PWD_ATTR_SYSTEM, 1, 12), entry("5678", 0, 1, 12)}},
        {"every password cleared", {entry("1000", PWD_ATTR_SYSTEM, 1, 12), entry("1001", 0, 1, 12)},
         {{p1, ""}, {p0, ""}}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host host(c.before);
        host.pagesUsed = c.pagesUsed;
        const HGLOBAL table = host.block.PasswordTable;
        const int result = host.run([&](HWND dialog) {
            perform(dialog, c.steps);
            EXPECT_EQ(pressOk(dialog), !c.told.empty()) << "a failed check keeps the dialog open";
        });
        EXPECT_EQ(result, c.told.empty() ? 1 : 0);
        EXPECT_EQ(host.told, c.told);
        EXPECT_TRUE(c.told.empty() || host.block.PasswordTable == table);
        expectTable(host, c.after);
        EXPECT_EQ(host.block.LogoutTimeout, 300);
    }
}

HGLOBAL WINAPI failingReAlloc(HGLOBAL, SIZE_T, UINT) { return nullptr; }
HGLOBAL WINAPI failingAlloc(UINT, SIZE_T) { return nullptr; }

TEST(PasswordDialog, WithoutMemoryTheTableIsKeptAndTheDialogStaysOpen)
{
    const PasswordEntry system = entry("1000", PWD_ATTR_SYSTEM, 1, 12, 0x77);
    const struct {
        const char* function; // fails while OK is first pressed
        void* replacement;
        Entries before, after;
    } cases[] = {
        {"GlobalReAlloc", reinterpret_cast<void*>(&failingReAlloc), {system}, {system, entry("1001", 0, 1, 12)}},
        {"GlobalAlloc", reinterpret_cast<void*>(&failingAlloc), {}, {entry("1000", PWD_ATTR_SYSTEM, 1, 12)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.function);
        Host host(c.before);
        const HGLOBAL table = host.block.PasswordTable;
        const int result = host.run([&](HWND dialog) {
            const int row = static_cast<int>(c.before.size());
            type(dialog, id(row, PW), std::to_string(1000 + row));
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
        EXPECT_EQ(host.told, Texts{kNoMemory});
        expectTable(host, c.after);
    }
}

} // namespace
