// The password table dialog through the DLL, driven inside its modal loop as a user drives it, with its
// message boxes and beeps; the rules of the checks, timeout and rebuild: test_password_core.cpp.
#include <gtest/gtest.h>

#include "frame/raii.h"
#include "resources/password_ids.h"
#include "support/import_hook.h"
#include "support/memory_hooks.h"
#include "support/pixels.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using Texts = std::vector<std::string>;
using Entries = std::vector<PasswordEntry>;

bool operator==(const PasswordEntry& a, const PasswordEntry& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

namespace {

constexpr LONG kPagesUsed = 12;
const std::string kSystemFirst = "The first password is referred to as the System password. This password "
                                 "has fixed attributes and must be defined before using other passwords.";
const std::string kFormat = "Passwords must be four digits long and the password \"0372\" is reserved.";
const std::string kPages = "Page numbers for data entry must be between (1) and the current number of "
                           "pages used. The number of pages used is shown in the lower left corner of the "
                           "status bar";
const std::string kIdentical = "Passwords are identical";
const std::string kLoginAndLogout = "Password can not have both automatic login and logout enabled";
const std::string kOneLogin = "Only one password can have automatic login enabled";

constexpr int PW = IDC_PWD_PART_PASSWORD, CONF = IDC_PWD_PART_CONF, ACK = IDC_PWD_PART_ACK;
constexpr int ALOGI = IDC_PWD_PART_ALOGI, ALOGO = IDC_PWD_PART_ALOGO;
constexpr int FROM = IDC_PWD_PART_FROM, TO = IDC_PWD_PART_TO;
int id(int row, int part) { return IDC_PWD_ROW(row, part); }
HMODULE library() { return GetModuleHandleA("W32KORUTIL1.dll"); }

PasswordEntry entry(const char* password, BYTE attributes, WORD from, WORD to, BYTE marker = 0)
{
    PasswordEntry e{{}, attributes, from, to, {}};
    std::memcpy(e.Password, password, std::min<size_t>(std::strlen(password), PASSWORD_LENGTH));
    std::memset(e.Reserved, marker, sizeof e.Reserved);
    return e;
}
const PasswordEntry kSystem = entry("1000", PWD_ATTR_SYSTEM, 1, kPagesUsed, 0x77);

// The message boxes of the dialog being run: its own, with KorAbout.dll's caption and the stop icon.
HWND g_dialog = nullptr;
Texts g_told;
int WINAPI recordBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    EXPECT_EQ(owner, g_dialog);
    EXPECT_STREQ(caption, "Panel Designer");
    EXPECT_EQ(type, UINT{MB_OK | MB_ICONSTOP});
    return g_told.push_back(text), IDOK;
}

// The host's counters and table block; run() opens the dialog with `script` inside it and keeps the
// texts of the message boxes in `told`, each after a beep. A dialog the script leaves open is cancelled.
struct Host {
    LONG pagesUsed = kPagesUsed;
    BYTE count = 0;
    PasswordBlock block{&pagesUsed, &count, 0, nullptr, 0, 300};
    Texts told;

    explicit Host(const Entries& entries = {})
    {
        if (entries.empty())
            return;
        auto table = w32k::GlobalBlock::allocate(entries.size() * sizeof(PasswordEntry), GMEM_MOVEABLE);
        w32k::GlobalLockGuard<PasswordEntry> data(table.get());
        std::copy(entries.begin(), entries.end(), data.get());
        block.PasswordTable = table.release();
        count = static_cast<BYTE>(entries.size());
    }
    ~Host() { w32k::GlobalBlock owned(block.PasswordTable); }
    Entries entries() const
    {
        w32k::GlobalLockGuard<PasswordEntry> data(block.PasswordTable);
        return data ? Entries(data.get(), data.get() + data.size() / sizeof(PasswordEntry)) : Entries();
    }
    int run(const std::function<void(HWND)>& script)
    {
        g_told.clear();
        w32ktest::ImportHook boxes(library(), "USER32.dll", "MessageBoxA",
                                   reinterpret_cast<void*>(&recordBox));
        EXPECT_TRUE(boxes.installed());
        w32ktest::BeepCounter beeps;
        w32ktest::DialogScript driver([&](HWND dialog) {
            g_dialog = dialog;
            ShowWindow(dialog, SW_SHOWNORMAL); // an ended dialog is told by being hidden
            script(dialog);
            if (IsWindowVisible(dialog))
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        });
        const int result = StartPasswordDlg(nullptr, reinterpret_cast<LPARAM>(&block));
        EXPECT_TRUE(driver.ran());
        told = g_told;
        EXPECT_EQ(beeps.count(), static_cast<int>(told.size()));
        return result;
    }
};

// The host's count, handle (null exactly for no entries) and block, entry for entry.
void expectTable(const Host& host, const Entries& expected)
{
    EXPECT_EQ(host.count, expected.size());
    EXPECT_EQ(host.block.PasswordTable == nullptr, expected.empty());
    EXPECT_EQ(host.entries(), expected);
}

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

// Typing switches a row on (of the System password only "ALOGO"); clearing switches it off, unchecks its
// boxes and keeps its numbers. Escape stores nothing; the captions' library is held while open.
TEST(PasswordDialog, APasswordSwitchesItsRowAndEscapeStoresNothing)
{
    Host host({kSystem});
    const HGLOBAL table = host.block.PasswordTable;
    EXPECT_EQ(host.run([&](HWND dialog) {
        EXPECT_NE(GetModuleHandleA("KorAbout.dll"), nullptr);
        EXPECT_EQ(text(dialog, IDC_PWD_TIMEOUT), "300");
        type(dialog, id(4, PW), "43210");
        EXPECT_EQ(text(dialog, id(4, PW)), "4321");
        click(dialog, id(4, ACK));
        type(dialog, id(4, TO), "7");
        type(dialog, id(4, PW), "");
        for (int part = CONF; part <= TO; ++part) {
            EXPECT_FALSE(enabled(dialog, id(4, part))) << part;
            EXPECT_FALSE(checked(dialog, id(4, part))) << part;
        }
        EXPECT_EQ(text(dialog, id(4, TO)), "7");
        EXPECT_FALSE(enabled(dialog, id(0, CONF)));
        EXPECT_TRUE(enabled(dialog, id(0, ALOGO)));
        type(dialog, id(0, PW), "");
        EXPECT_FALSE(enabled(dialog, id(0, ALOGO)));
        HWND timeout = GetDlgItem(dialog, IDC_PWD_TIMEOUT);
        SetFocus(timeout);
        SetWindowTextA(timeout, "9abc"); // leaving wraps its leading digits into range (test_password_core)
        SetFocus(GetDlgItem(dialog, id(1, PW)));
        EXPECT_EQ(w32ktest::windowText(timeout), "700");
        PostMessageA(GetDlgItem(dialog, id(4, PW)), WM_KEYDOWN, VK_ESCAPE, 1);
    }), 0);
    EXPECT_EQ(GetModuleHandleA("KorAbout.dll"), nullptr);
    EXPECT_EQ(host.block.PasswordTable, table);
    expectTable(host, {kSystem});
    EXPECT_EQ(host.block.LogoutTimeout, 300);
}

// A box frames its focus on the dialog and leaves no trace of it, even when the dialog was repainted
// meanwhile (fault fixed: the frame was inverted again on leaving, which then drew it instead). Otherwise
// the boxes answer as the check boxes they are, also when the version 6 controls are active only around
// the call (fault fixed: the boxes then passed their messages to the procedure of another class).
TEST(PasswordDialog, BoxesFrameTheirFocusAndOtherwiseAnswerAsCheckBoxes)
{
    const auto run = [] {
        Host({kSystem, entry("2000", 0, 1, 12)}).run([](HWND dialog) {
            HWND box = GetDlgItem(dialog, id(1, CONF)), ok = GetDlgItem(dialog, IDOK);
            HWND plain = CreateWindowExA(0, "Button", "", WS_CHILD | BS_AUTOCHECKBOX, 0, 0, 16, 20, dialog,
                                         nullptr, nullptr, nullptr);
            SIZE size{};
            EXPECT_EQ(SendMessageA(box, BCM_GETIDEALSIZE, 0, LPARAM(&size)),
                      SendMessageA(plain, BCM_GETIDEALSIZE, 0, LPARAM(&size)));
            DestroyWindow(plain);
            SetFocus(ok);
            w32ktest::settlePaint(dialog);
            const w32ktest::ClientPixels before(dialog);
            SetFocus(box);
            EXPECT_FALSE(w32ktest::ClientPixels(dialog) == before);
            w32ktest::repaintNow(dialog, true);
            SetFocus(ok);
            w32ktest::settlePaint(dialog); // the version 6 push button repaints its focus later
            EXPECT_TRUE(w32ktest::ClientPixels(dialog) == before);
        });
    };
    run();
    const w32ktest::ActivationContext v6(3); // common_controls_v6_context.rc
    ASSERT_TRUE(v6.active());
    run();
}

TEST(PasswordDialog, UnusableBlocksAndUnreadableTablesDoNotOpen)
{
    Host unreadable({kSystem}); // its table cannot be locked: OK would otherwise replace it with empty rows
    for (PasswordBlock* block : {static_cast<PasswordBlock*>(nullptr), &unreadable.block}) {
        w32ktest::GlobalMemoryMonitor memory(library());
        memory.failLock(1);
        w32ktest::DialogScript script([](HWND dialog) { click(dialog, IDCANCEL); });
        EXPECT_EQ(StartPasswordDlg(nullptr, reinterpret_cast<LPARAM>(block)), 0);
        EXPECT_FALSE(script.ran());
    }
    expectTable(unreadable, {kSystem});
}

// The clicked box ends checked; a conflict is told and unchecks every box checked before.
TEST(PasswordDialog, AutomaticLoginIsExclusive)
{
    const int login2 = id(2, ALOGI), logout2 = id(2, ALOGO), login5 = id(5, ALOGI);
    const struct { std::vector<int> before; int clicked; Texts told; } cases[] = {
        {{login5}, login2, {kOneLogin}},
        {{login2}, logout2, {kLoginAndLogout}},
        {{login2}, id(0, ALOGO), {}}, // the System password's logout is free
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.clicked);
        Host host;
        host.run([&](HWND dialog) {
            for (int k = 0; k < PASSWORD_MAX_ENTRIES; ++k)
                type(dialog, id(k, PW), std::to_string(1000 + k));
            for (int box : c.before)
                click(dialog, box);
            click(dialog, c.clicked);
            EXPECT_TRUE(checked(dialog, c.clicked));
            for (int box : c.before)
                EXPECT_EQ(checked(dialog, box), c.told.empty()) << box;
        });
        EXPECT_EQ(host.told, c.told);
    }
}

// OK stores the timeout, then tells the failed checks in order and keeps the dialog and table, or stores
// the non-empty rows as shown in consecutive entries. Text is placed, as a paste would place it.
TEST(PasswordDialog, OkTellsTheFailedChecksInOrderOrStoresTheNonEmptyRowsLosingNone)
{
    const int p0 = id(0, PW), p1 = id(1, PW), p2 = id(2, PW), p4 = id(4, PW);
    const Entries sys = {kSystem};
    Entries nine = {entry("1000", 0, 1, kPagesUsed, 0x33)};
    for (int k = 1; k < 9; ++k)
        nine.push_back(entry(std::to_string(1000 + k).c_str(), 0, 1, kPagesUsed, 0x20));
    using Steps = std::vector<std::pair<int, const char*>>; // a text placed, or nullptr: a click
    const struct { const char* name; Entries before; Steps steps; Texts told; Entries after; } cases[] = {
        {"several", sys, {{p0, ""}, {p1, "12"}, {id(7, FROM), "0"}}, {kSystemFirst, kFormat, kPages}, sys},
        {"identical", sys, {{p1, "2222"}, {p4, "2222"}}, {kIdentical}, sys},
        {"new project", {}, {{p0, "1000"}, {id(0, ALOGO), nullptr}, {p2, "1002"}, {id(2, CONF), nullptr},
                             {id(2, ALOGI), nullptr}, {id(2, FROM), "3"}}, {},
         {entry("1000", PWD_ATTR_SYSTEM | PWD_ATTR_ALOGO, 1, 12),
          entry("1002", PWD_ATTR_CONF | PWD_ATTR_ALOGI, 3, 12)}},
        // The count is the number of non-empty rows: an emptied row and a later filled one lose no password.
        // Entry j keeps its unused bytes and bit 5 (the slot, not the row, owns them).
        {"a row emptied and a later one filled",
         {kSystem, entry("1001", PWD_ATTR_ACK | PWD_ATTR_UNUSED, 2, 3, 0x11),
          entry("1002", PWD_ATTR_TIME, 4, 5, 0x12)}, {{p1, ""}, {id(5, PW), "1005"}}, {},
         {kSystem, entry("1002", PWD_ATTR_TIME | PWD_ATTR_UNUSED, 4, 5, 0x11),
          entry("1005", 0, 1, 12, 0x12)}},
        // Faults fixed: row 0 showed "CONF" to "PAGE" whatever entry 0 held, and OK wrote them into the
        // entry; entries beyond the eighth row were lost.
        {"the System password's attributes and the entries beyond the eighth row stay", nine, {}, {}, nine},
        {"every password cleared", {kSystem, entry("1001", 0, 1, 12)}, {{p1, ""}, {p0, ""}}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host host(c.before);
        const HGLOBAL table = host.block.PasswordTable;
        EXPECT_EQ(host.run([&](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_PWD_TIMEOUT, "42");
            for (const auto& [control, text] : c.steps) {
                if (text)
                    SetDlgItemTextA(dialog, control, text);
                else
                    click(dialog, control);
            }
            click(dialog, IDOK);
            EXPECT_EQ(IsWindowVisible(dialog) != FALSE, !c.told.empty()) << "a failed check keeps it open";
        }), c.told.empty() ? 1 : 0);
        EXPECT_EQ(host.told, c.told);
        EXPECT_EQ(host.block.LogoutTimeout, 42);
        if (!c.told.empty()) {
            EXPECT_EQ(host.block.PasswordTable, table);
        }
        expectTable(host, c.after);
    }
}

} // namespace
