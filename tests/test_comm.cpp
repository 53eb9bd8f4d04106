// Communication settings through the DLL as a host calls them: port probing, both dialogs and the INI
// keys; the message formatting core is linked in for its bounds. Port devices are files (no real ports).
#include <gtest/gtest.h>

#include "dialogs/comm_settings_core.h"
#include "frame/raii.h"
#include "resources/comm_ids.h"
#include "support/temp_files.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <list>
#include <string>
#include <vector>

using namespace w32ktest;
using Ids = std::vector<int>;
using Texts = std::vector<std::string>;

namespace {

constexpr const char* kCaption = "Panel link";
constexpr BYTE k8 = W32K_LINE_DATA_BITS_8, kStop2 = W32K_LINE_STOP_BITS_2;
constexpr BYTE par(int parity) { return static_cast<BYTE>(parity << W32K_LINE_PARITY_SHIFT); }

// Baud texts for every index of the field (10-15 are the host's fillers; the INI has texts for 0-9 only).
const char* const kBaudDisplay[16] = {"150",   "300",   "600",   "1200", "2400", "4800", "9600", "19200",
                                      "38400", "57600", "(10)",  "(11)", "(12)", "(13)", "(14)", "(15)"};
const char* const kParity[3] = {"None", "Odd", "Even"};
const std::string kNoPorts =
    "There are no communication ports available. Communications with Panel cannot be established on COM ";

// A host's port record over four stand-in devices, one letter per port: P present, M missing, B busy
// (held open without sharing).
struct PortHost {
    PortHost(const char* states, BYTE line, DWORD index) : settings(line), port(index)
    {
        for (int p = 0; p < 4; ++p) {
            paths[p] = states[p] == 'M' ? dir.file("none") : dir.write("port" + std::to_string(p));
            names[p] = paths[p].c_str();
            if (states[p] == 'B')
                held.emplace_back(open(p));
        }
    }
    // The device, opened exclusively: fails while someone holds it.
    HANDLE open(int p) const
    {
        return CreateFileA(names[p], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    TempDirectory dir;
    std::string paths[4];
    const char* names[4] = {};
    std::list<w32k::FileHandle> held;
    BYTE settings;
    DWORD port;
    PortSettings record{&settings, &port, names, 0, kBaudDisplay, 0, kCaption};
};

struct ParamsHost {
    explicit ParamsHost(BYTE line, BYTE lowest = 6, BYTE highest = 9, const char* file = nullptr,
                        const char* section = "Link")
        : settings(line),
          record{&settings, 0, {}, kBaudDisplay, lowest, highest, {}, kBaudDisplay, kParity, 0, file, section}
    {
    }
    BYTE settings;
    CommParameters record;
};

void click(HWND dialog, int id) { SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0); }
std::string text(HWND dialog, int id) { return w32ktest::windowText(GetDlgItem(dialog, id)); }

Ids checkedOf(HWND dialog, int first, int last)
{
    Ids ids;
    for (int id = first; id <= last; ++id)
        if (IsDlgButtonChecked(dialog, id) == BST_CHECKED)
            ids.push_back(id);
    return ids;
}

// Clicks `clicks`, then steps the baud spin control as it sends them ('+' up, '-' down, '=' another
// code, no step) with the focus on Cancel; returns the baud text at the start and after each step.
Texts clickAndStep(HWND dialog, const Ids& clicks, const char* steps, int baudText, int focusAfterStep)
{
    for (int id : clicks)
        click(dialog, id);
    Texts shown{text(dialog, baudText)};
    for (; *steps; ++steps) {
        SetFocus(GetDlgItem(dialog, IDCANCEL));
        SendMessageA(dialog, WM_SPINSTEP, 0,
                     *steps == '+' ? W32K_SPIN_UP : *steps == '-' ? W32K_SPIN_DOWN : 3);
        shown.push_back(text(dialog, baudText));
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), focusAfterStep);
    }
    return shown;
}

std::string iniValue(const std::string& file, const char* key)
{
    char value[64] = {};
    GetPrivateProfileStringA("Link", key, "<absent>", value, sizeof value, file.c_str());
    return value;
}

} // namespace

TEST(PortProbing, SettlesOnTheFirstAvailablePortTellsTheUserAndClosesTheDevices)
{
    struct Case {
        const char *what, *states;
        DWORD current, probed; // probed: what CheckPortSelection returns, writing nothing
        BOOLEAN result;        // of SetComPort: TRUE when no port can be used
        DWORD portAfter;
        Texts messages;
    };
    const Case cases[] = {
        {"stored port available: silent", "PPPP", 2, 2, FALSE, 2, {}},
        {"missing and busy skipped", "MBPP", 0, 2, FALSE, 2, {"COM 1 is unavailable.\nSwitching to COM 3"}},
        {"the search wraps past COM4", "PMMB", 3, 0, FALSE, 0, {"COM 4 is unavailable.\nSwitching to COM 1"}},
        {"none: two spaces before the number", "MBMM", 1, W32K_PORT_NONE, TRUE, 1, {kNoPorts + " 2"}},
        // An index outside 0-3 is kept silently; 8, the probe's "none", must not read as "no ports".
        {"stored 8 with ports available", "MPMM", 8, 8, FALSE, 8, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PortHost host(c.states, 0x5A, c.current);
        MessageBoxRecorder recorder;
        EXPECT_EQ(CheckPortSelection(nullptr, &host.record), c.probed);
        EXPECT_EQ(host.port, c.current);
        EXPECT_EQ(SetComPort(nullptr, &host.record), c.result);
        EXPECT_EQ(host.port, c.portAfter);
        EXPECT_EQ(host.settings, 0x5A);
        EXPECT_EQ(recorder.texts(), c.messages);
        for (const auto& shown : recorder.shown())
            EXPECT_EQ(shown.caption, kCaption);
        for (int p = 0; p < 4; ++p) // every device opened was closed
            EXPECT_EQ(bool(w32k::FileHandle(host.open(p))), c.states[p] == 'P') << "COM" << p + 1;
    }
}

TEST(PortDialog, OpensWithTheStoredChoicesAndStoresTheUsersOnOk)
{
    struct Case {
        const char *what, *states;
        BYTE stored;
        DWORD port;
        Ids clicks;
        const char* steps; // of the baud spin control, after the clicks
        int button;
        Ids checkedAtOpen; // port, parity and stop-bits buttons; empty: the dialog never opens
        Texts shown;       // the baud rate at opening, then after each step
        DWORD portAfter;
        BYTE settingsAfter;
    };
    const int S = IDC_STOP_BITS_1;
    const Case cases[] = {
        {"COM4, even, two stop bits", "PPPP", 6, 0, {IDC_PORT_COM4, IDC_PARITY_EVEN, S + 1}, "", IDOK,
         {IDC_PORT_COM1, IDC_PARITY_NONE, S}, {"9600"}, 3, par(2) | kStop2 | 6},
        // Only 9600-38400 are offered: a lower rate opens at 38400; steps wrap, other codes only show.
        {"baud steps", "PPPP", k8 | 5, 0, {}, "++-=--", IDOK, {IDC_PORT_COM1, IDC_PARITY_NONE, S},
         {"38400", "9600", "19200", "9600", "9600", "38400", "19200"}, 0, k8 | 7},
        // Parity 3 has no button: none is checked (not 107 + 3, a stop-bits button); OK stores even.
        {"parity 3", "PPPP", par(3) | 6, 0, {}, "", IDOK, {IDC_PORT_COM1, S}, {"9600"}, 0, par(2) | 6},
        // The switch made while opening stays after Cancel; the settings do not change.
        {"unavailable ports switched away from and greyed", "MBPP", par(1) | 7, 0, {IDC_PORT_COM4}, "+",
         IDCANCEL, {IDC_PORT_COM3, IDC_PARITY_ODD, S}, {"19200", "38400"}, 2, par(1) | 7},
        {"no port available: closes at once", "MBMB", kStop2 | 6, 3, {}, "", IDCANCEL, {}, {}, 3, kStop2 | 6},
        // A stored index outside 0-3 addresses no button (102 + 7 would be "Even"): the spin has the focus.
        {"index 7", "PPPP", 6, 7, {}, "", IDOK, {IDC_PARITY_NONE, S}, {"9600"}, 7, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PortHost host(c.states, c.stored, c.port);
        MessageBoxRecorder recorder; // answers the probe's messages (their texts: PortProbing)
        Ids checkedAtOpen;
        Texts shown;
        DialogScript inside([&](HWND dialog) {
            checkedAtOpen = checkedOf(dialog, IDC_PORT_COM1, IDC_STOP_BITS_2);
            const int focus = checkedAtOpen[0] <= IDC_PORT_COM4 ? checkedAtOpen[0] : IDC_BAUD_SPIN;
            EXPECT_EQ(GetDlgCtrlID(GetFocus()), focus);
            for (int p = 0; p < 4; ++p)
                EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog, IDC_PORT_COM1 + p)), c.states[p] == 'P') << p;
            shown = clickAndStep(dialog, c.clicks, c.steps, IDC_BAUD_TEXT, IDC_BAUD_SPIN); // focuses the spin
            // A command with a notification code is no press (the procedure called as a host calls it).
            EXPECT_EQ(ComPCMsgProc(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_DOUBLECLICKED), 0), 1);
            EXPECT_TRUE(IsWindowVisible(dialog));
            click(dialog, c.button);
        });
        EXPECT_EQ(StartPCSetupDlg(nullptr, &host.record), c.button == IDOK ? 1 : 0);
        EXPECT_EQ(checkedAtOpen, c.checkedAtOpen);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(host.port, c.portAfter);
        EXPECT_EQ(host.settings, c.settingsAfter);
    }
    EXPECT_EQ(StartPCSetupDlg(nullptr, nullptr), 0); // no record: no dialog (it would wait for a user)
}

TEST(CommParametersDialog, OkWritesTheUsersChoicesCancelNothing)
{
    struct Case {
        const char* what;
        BYTE stored, lowest, highest; // the host's range of baud indexes
        Ids clicks;
        const char* steps; // of the baud spin control, after the clicks
        int button;
        Ids checkedAtOpen; // parity, data-bits and stop-bits buttons
        Texts shown;       // the baud rate at opening, then after each step
        BYTE expected;
    };
    const Ids clear = {IDC_CP_PARITY_EVEN, IDC_CP_DATA_BITS_7, IDC_CP_STOP_BITS_1};
    const Ids odd82 = {IDC_CP_PARITY_ODD, IDC_CP_DATA_BITS_8, IDC_CP_STOP_BITS_2};
    const Ids none81 = {IDC_CP_PARITY_NONE, IDC_CP_DATA_BITS_8, IDC_CP_STOP_BITS_1};
    const Case cases[] = {
        {"OK", k8 | par(1) | kStop2 | 7, 6, 9, clear, "+", IDOK, odd82, {"19200", "38400"}, par(2) | 8},
        {"Cancel", k8 | par(1) | kStop2 | 7, 6, 9, clear, "+", IDCANCEL, odd82, {"19200", "38400"},
         k8 | par(1) | kStop2 | 7},
        // Parity 3 has no button: none is checked, OK stores even.
        {"parity 3", par(3) | 6, 6, 9, {}, "", IDOK, {IDC_CP_DATA_BITS_7, IDC_CP_STOP_BITS_1}, {"9600"},
         par(2) | 6},
        {"above the range opens at the lowest", k8 | 9, 6, 8, {}, "", IDOK, none81, {"9600"}, k8 | 6},
        {"below 0 wraps to the highest, above it to 0", k8, 0, 4, {}, "-++=", IDOK, none81,
         {"150", "2400", "150", "300", "300"}, k8 | 1},
        // The field holds 0-15: a highest index above it is cut there.
        {"beyond the field", k8 | 15, 14, 200, {}, "+-", IDOK, none81, {"(15)", "(14)", "(15)"}, k8 | 15},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ParamsHost host(c.stored, c.lowest, c.highest);
        Ids checkedAtOpen;
        Texts shown;
        DialogScript inside([&](HWND dialog) {
            checkedAtOpen = checkedOf(dialog, IDC_CP_PARITY_NONE, IDC_CP_STOP_BITS_2);
            shown = clickAndStep(dialog, c.clicks, c.steps, IDC_CP_BAUD_TEXT, IDCANCEL); // the focus stays
            click(dialog, c.button);
        });
        EXPECT_EQ(ExecCommParameters(nullptr, &host.record), c.button == IDOK ? 1 : 0);
        EXPECT_EQ(checkedAtOpen, c.checkedAtOpen);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(host.settings, c.expected);
    }
}

// Write skips a field without a text (sound behaviour: nothing is written for it). (Reading back and
// absent keys: fuzz_comm_ini.)
TEST(CommIni, WriteSkipsFieldsWithoutAText)
{
    const struct {
        BYTE settings;
        int result;
        Texts keys; // BaudRate, DataBits, Parity, StopBits afterwards
    } cases[] = {
        {k8 | par(1) | kStop2 | 8, 0, {"38400", "8", "Odd", "2"}},
        {par(2) | 12, 1, {"<absent>", "7", "Even", "1"}}, // baud index 12 has no rate
        {par(3) | 7, 1, {"19200", "7", "<absent>", "1"}}, // parity 3 has no text
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int{c.settings});
        TempDirectory dir;
        const std::string ini = dir.file("comm.ini");
        ParamsHost host(c.settings, 6, 9, ini.c_str());
        EXPECT_EQ(WriteIniCommParams(&host.record), c.result);
        EXPECT_EQ((Texts{iniValue(ini, "BaudRate"), iniValue(ini, "DataBits"), iniValue(ini, "Parity"),
                         iniValue(ini, "StopBits")}),
                  c.keys);
        EXPECT_EQ(host.settings, c.settings);
    }
}

// Sound behaviour: a missing file or section is refused (a missing file would write to win.ini).
TEST(CommIni, NoFileOrNoSectionIsRefused)
{
    TempDirectory dir;
    const std::string ini = dir.file("comm.ini");
    WritePrivateProfileStringA("Link", "BaudRate", "19200", ini.c_str());
    ParamsHost noFile(6, 6, 9, nullptr, "Link"), noSection(6, 6, 9, ini.c_str(), nullptr);
    for (ParamsHost* host : {&noFile, &noSection}) {
        EXPECT_EQ(LoadIniCommParams(&host->record), 1);
        EXPECT_EQ(WriteIniCommParams(&host->record), 1);
        EXPECT_EQ(host->settings, 6);
    }
    EXPECT_EQ(iniValue(ini, "BaudRate"), "19200");
}

TEST(PortMessages, LongestTextsAreCutToTheBufferNeverPastIt)
{
    using namespace w32k::comm;
    const std::string longest(255, 'x');
    std::vector<char> buffer(40, '#');
    formatNoPortsMessage(buffer.data(), 30, longest.c_str(), 2);
    EXPECT_EQ(std::string(buffer.data()), longest.substr(0, 29));
    EXPECT_EQ(std::string(buffer.begin() + 30, buffer.end()), std::string(10, '#'));
    formatSwitchMessage(buffer.data(), 30, 0, longest.c_str(), "Switching to COM ", 2);
    EXPECT_EQ(std::string(buffer.data()), ("COM 1 " + longest).substr(0, 29));
    EXPECT_EQ(std::string(buffer.begin() + 30, buffer.end()), std::string(10, '#'));
    // The largest index prints as 4294967296, not as 0.
    formatSwitchMessage(buffer.data(), 40, 0xFFFFFFFFu, "is unavailable", "to ", 0xFFFFFFFEu);
    EXPECT_STREQ(buffer.data(), "COM 4294967296 is unavailable.\nto 42949");
}
