// Communication settings: port probing, the "Port Settings" dialog, the
// "Communication Parameters Setup" dialog and the INI keys, all through the
// DLL as a host calls them. Port device names are files the tests create.
#include <gtest/gtest.h>

#include "dialogs/comm_settings_core.h"
#include "resources/comm_ids.h"
#include "support/comm_helpers.h"
#include "support/dialog_template.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using w32ktest::DialogScript;
using w32ktest::MessageBoxRecorder;
using w32ktest::PortDevices;
using w32ktest::PortState;
using w32ktest::ScratchIni;
using w32ktest::windowText;

namespace {

constexpr auto P = PortState::Present;
constexpr auto M = PortState::Missing;
constexpr auto B = PortState::Busy;
using States = std::array<PortState, 4>;

constexpr const char* kCaption = "Panel link";
constexpr BYTE kData8 = W32K_LINE_DATA_BITS_8;
constexpr BYTE kStop2 = W32K_LINE_STOP_BITS_2;
constexpr BYTE parityBits(int parity)
{
    return static_cast<BYTE>(parity << W32K_LINE_PARITY_SHIFT);
}

// Baud-rate texts for every index of the field (10-15 are the host's fillers).
const std::array<const char*, 16> kBaudDisplay = {
    "150",   "300",   "600",   "1200", "2400", "4800", "9600", "19200",
    "38400", "57600", "(10)",  "(11)", "(12)", "(13)", "(14)", "(15)"};
const std::array<const char*, 10> kBaudIni = {"150",  "300",  "600",   "1200",  "2400",
                                              "4800", "9600", "19200", "38400", "57600"};
const std::array<const char*, 3> kParity = {"None", "Odd", "Even"};

const std::string kNoPortsText =
    "There are no communication ports available. Communications with Panel cannot be "
    "established on COM ";

// A host's port settings: its settings byte, port index and texts.
struct PortHost {
    PortHost(BYTE lineSettings, DWORD portIndex, const PortDevices& devices)
        : settings(lineSettings), port(portIndex)
    {
        record.settings = &settings;
        record.portIndex = &port;
        record.deviceNames = devices.names();
        record.workingBaudIndex = 0;
        record.baudTexts = kBaudDisplay.data();
        record.reserved = 0;
        record.caption = kCaption;
    }
    PortHost(const PortHost&) = delete;
    PortHost& operator=(const PortHost&) = delete;

    BYTE settings;
    DWORD port;
    PortSettings record{};
};

struct DialogRun {
    INT_PTR result;
    bool scriptRan;
    std::vector<w32ktest::ShownMessage> messages;
};

DialogRun runPortDialog(PortHost& host, const std::function<void(HWND)>& script,
                        HWND owner = nullptr)
{
    MessageBoxRecorder recorder;
    DialogScript inside(script);
    const INT_PTR result = StartPCSetupDlg(owner, &host.record);
    return {result, inside.ran(), recorder.shown()};
}

void press(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void click(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

bool checked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

bool enabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

// The buttons of a radio group that are checked.
std::vector<int> checkedOf(HWND dialog, int first, int last)
{
    std::vector<int> ids;
    for (int id = first; id <= last; ++id) {
        if (checked(dialog, id))
            ids.push_back(id);
    }
    return ids;
}

std::string itemText(HWND dialog, int id)
{
    return windowText(GetDlgItem(dialog, id));
}

INT_PTR CALLBACK passiveDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

LRESULT spin(HWND dialog, LPARAM step)
{
    return SendMessageA(dialog, WM_SPINSTEP, 0, step);
}

} // namespace

// -- Port probing ------------------------------------------------------------------

TEST(PortProbing, SettlesOnTheFirstAvailablePortInCyclicOrder)
{
    struct Case {
        const char* what;
        States states;
        DWORD current;
        UINT expected;
    };
    const Case cases[] = {
        {"stored port available", {P, P, P, P}, 2, 2},
        {"missing and busy skipped", {M, B, P, P}, 0, 2},
        {"search wraps past COM4", {P, M, M, B}, 3, 0},
        {"search wraps to a port below", {M, P, M, M}, 2, 1},
        {"none available", {M, B, M, B}, 1, W32K_PORT_NONE},
        {"index outside 0-3 unchanged", {P, P, P, P}, 5, 5},
        {"index outside 0-3 unchanged, none available", {M, M, M, M}, 6, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PortDevices devices(c.states);
        PortHost host(0x12, c.current, devices);
        EXPECT_EQ(CheckPortSelection(nullptr, &host.record), c.expected);
        EXPECT_EQ(host.port, c.current) << "probing writes nothing";
        EXPECT_EQ(host.settings, 0x12);
    }
}

TEST(PortProbing, ClosesEveryDeviceItOpened)
{
    PortDevices devices({P, P, B, P});
    PortHost host(0, 0, devices);
    ASSERT_EQ(CheckPortSelection(nullptr, &host.record), 0u);
    ASSERT_EQ(SetComPort(nullptr, &host.record), FALSE);
    for (int port : {0, 1, 3})
        EXPECT_TRUE(w32ktest::opensExclusively(devices.name(port))) << "COM" << port + 1;
}

TEST(PortProbing, WithoutARecordReportsNoPortAndTouchesNothing)
{
    MessageBoxRecorder recorder;
    EXPECT_EQ(CheckPortSelection(nullptr, nullptr), UINT{W32K_PORT_NONE});
    EXPECT_EQ(SetComPort(nullptr, nullptr), TRUE);
    PortDevices devices({P, P, P, P});
    PortHost host(0, 0, devices);
    host.record.deviceNames = nullptr;
    EXPECT_EQ(CheckPortSelection(nullptr, &host.record), UINT{W32K_PORT_NONE});
    EXPECT_TRUE(recorder.shown().empty());
}

TEST(PortProbing, SetComPortMovesThePortAndTellsTheUser)
{
    struct Case {
        const char* what;
        States states;
        DWORD current;
        BOOLEAN result;
        DWORD portAfter;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"stored port available: silent", {P, P, P, P}, 1, FALSE, 1, {}},
        {"COM1 and COM2 unavailable", {M, B, P, P}, 0, FALSE, 2,
         {"COM 1 is unavailable.\nSwitching to COM 3"}},
        {"COM4 unavailable wraps to COM1", {P, P, P, M}, 3, FALSE, 0,
         {"COM 4 is unavailable.\nSwitching to COM 1"}},
        {"none available, two spaces before the number", {M, B, M, M}, 1, TRUE, 1,
         {kNoPortsText + " 2"}},
        {"index outside 0-3 kept silently", {P, M, M, M}, 5, FALSE, 5, {}},
        // 8 is also the probe's "none" value: a stored 8 with ports available
        // must not close the dialog with a false "no ports" message.
        {"stored 8 with ports available", {M, P, M, M}, 8, FALSE, 8, {}},
        {"index outside 0-3, none available", {M, M, M, M}, 6, TRUE, 6, {kNoPortsText + " 7"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PortDevices devices(c.states);
        PortHost host(0x5A, c.current, devices);
        MessageBoxRecorder recorder;
        EXPECT_EQ(SetComPort(nullptr, &host.record), c.result);
        EXPECT_EQ(host.port, c.portAfter);
        EXPECT_EQ(host.settings, 0x5A);
        EXPECT_EQ(recorder.texts(), c.messages);
        for (const auto& shown : recorder.shown())
            EXPECT_EQ(shown.caption, kCaption);
    }
}

// -- Port settings dialog ----------------------------------------------------------

TEST(PortDialog, SwitchesAwayFromUnavailablePortsAndGreysThemOut)
{
    PortDevices devices({M, B, P, P});
    PortHost host(parityBits(1) | 7, 0, devices);
    std::vector<int> portsChecked;
    std::array<bool, 4> portEnabled{};
    HWND focus = nullptr, com3 = nullptr;
    const auto run = runPortDialog(host, [&](HWND dialog) {
        portsChecked = checkedOf(dialog, IDC_PORT_COM1, IDC_PORT_COM4);
        for (int port = 0; port < 4; ++port)
            portEnabled[port] = enabled(dialog, IDC_PORT_COM1 + port);
        focus = GetFocus();
        com3 = GetDlgItem(dialog, IDC_PORT_COM3);
        press(dialog, IDCANCEL);
    });
    ASSERT_TRUE(run.scriptRan);
    ASSERT_EQ(run.messages.size(), 1u);
    EXPECT_EQ(run.messages[0].text, "COM 1 is unavailable.\nSwitching to COM 3");
    EXPECT_EQ(run.messages[0].caption, kCaption);
    EXPECT_EQ(portsChecked, std::vector<int>{IDC_PORT_COM3});
    EXPECT_EQ(portEnabled, (std::array<bool, 4>{false, false, true, true}));
    EXPECT_EQ(focus, com3);
    // Cancel: the switch made while opening stays, the settings byte does not change.
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(host.port, 2u);
    EXPECT_EQ(host.settings, parityBits(1) | 7);
}

TEST(PortDialog, NoPortAvailableClosesAtOnceWithZero)
{
    PortDevices devices({M, B, M, B});
    PortHost host(kStop2 | 6, 3, devices);
    const auto run = runPortDialog(host, [](HWND dialog) { press(dialog, IDOK); });
    EXPECT_EQ(run.result, 0);
    EXPECT_FALSE(run.scriptRan);
    ASSERT_EQ(run.messages.size(), 1u);
    EXPECT_EQ(run.messages[0].text, kNoPortsText + " 4");
    EXPECT_EQ(host.port, 3u);
    EXPECT_EQ(host.settings, kStop2 | 6);
}

TEST(PortDialog, OpensCentredWithTheStoredSettings)
{
    PortDevices devices({P, P, P, P});
    PortHost host(parityBits(2) | kStop2 | 7, 1, devices);
    RECT rect{};
    std::vector<int> parity, stop, ports;
    std::string baud, caption;
    HWND focus = nullptr, com2 = nullptr;
    const auto run = runPortDialog(host, [&](HWND dialog) {
        GetWindowRect(dialog, &rect);
        parity = checkedOf(dialog, IDC_PARITY_NONE, IDC_PARITY_EVEN);
        stop = checkedOf(dialog, IDC_STOP_BITS_1, IDC_STOP_BITS_2);
        ports = checkedOf(dialog, IDC_PORT_COM1, IDC_PORT_COM4);
        baud = itemText(dialog, IDC_BAUD_TEXT);
        caption = windowText(dialog);
        focus = GetFocus();
        com2 = GetDlgItem(dialog, IDC_PORT_COM2);
        press(dialog, IDCANCEL);
    });
    ASSERT_TRUE(run.scriptRan);
    EXPECT_TRUE(run.messages.empty());
    EXPECT_EQ(caption, "Port Settings");
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
    EXPECT_EQ(rect.left, ((GetSystemMetrics(SM_CXSCREEN) - width) / 2 + 4) & ~7);
    EXPECT_EQ(parity, std::vector<int>{IDC_PARITY_EVEN});
    EXPECT_EQ(stop, std::vector<int>{IDC_STOP_BITS_2});
    EXPECT_EQ(ports, std::vector<int>{IDC_PORT_COM2});
    EXPECT_EQ(baud, "19200");
    EXPECT_EQ(focus, com2);
    EXPECT_EQ(host.record.workingBaudIndex, 7);
}

TEST(PortDialog, OffersOnly9600To38400)
{
    struct Case {
        BYTE stored;
        const char* shown;
        BYTE okStores;
    };
    const Case cases[] = {{0, "38400", 8},  {5, "38400", 8},  {6, "9600", 6},  {8, "38400", 8},
                          {9, "9600", 6},   {15, "9600", 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.stored));
        PortDevices devices({P, P, P, P});
        PortHost host(static_cast<BYTE>(kData8 | c.stored), 0, devices);
        std::string shown;
        const auto run = runPortDialog(host, [&](HWND dialog) {
            shown = itemText(dialog, IDC_BAUD_TEXT);
            press(dialog, IDOK);
        });
        EXPECT_EQ(run.result, 1);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(host.settings & W32K_LINE_BAUD_MASK, c.okStores);
        EXPECT_EQ(host.settings & kData8, kData8) << "OK keeps the data-bits bit";
    }
}

TEST(PortDialog, SpinStepsWrapAndTakeTheFocus)
{
    struct Step {
        LPARAM step;
        const char* shown;
    };
    // From 9600: down wraps to 38400, up wraps back, other codes only show.
    const Step steps[] = {{1, "38400"}, {0, "9600"}, {0, "19200"}, {0, "38400"},
                          {0, "9600"},  {3, "9600"}, {1, "38400"}, {1, "19200"}};
    PortDevices devices({P, P, P, P});
    PortHost host(6, 0, devices);
    std::vector<std::string> shown;
    std::vector<LRESULT> results;
    bool focusOnSpin = true;
    const auto run = runPortDialog(host, [&](HWND dialog) {
        for (const auto& s : steps) {
            SetFocus(GetDlgItem(dialog, IDC_PORT_COM1));
            results.push_back(ComPCMsgProc(dialog, WM_SPINSTEP, 0, s.step));
            shown.push_back(itemText(dialog, IDC_BAUD_TEXT));
            focusOnSpin = focusOnSpin && GetFocus() == GetDlgItem(dialog, IDC_BAUD_SPIN);
        }
        press(dialog, IDOK);
    });
    ASSERT_TRUE(run.scriptRan);
    for (size_t i = 0; i < std::size(steps); ++i) {
        EXPECT_EQ(shown[i], steps[i].shown) << "step " << i;
        EXPECT_EQ(results[i], 1);
    }
    EXPECT_TRUE(focusOnSpin);
    EXPECT_EQ(host.settings, 7) << "19200 stored on OK";
}

TEST(PortDialog, OkStoresTheChoicesAndKeepsTheDataBitsBit)
{
    struct Case {
        const char* what;
        BYTE stored;
        std::vector<int> checkedAtOpen; // of the port, parity and stop-bits buttons
        std::vector<int> clicks;
        DWORD port;
        BYTE expected;
    };
    const Case cases[] = {
        {"nothing changed", kData8 | parityBits(1) | 7,
         {IDC_PORT_COM1, IDC_PARITY_ODD, IDC_STOP_BITS_1}, {}, 0, kData8 | parityBits(1) | 7},
        {"COM4, even, two stop bits", 6, {IDC_PORT_COM1, IDC_PARITY_NONE, IDC_STOP_BITS_1},
         {IDC_PORT_COM4, IDC_PARITY_EVEN, IDC_STOP_BITS_2}, 3, parityBits(2) | kStop2 | 6},
        {"COM2, none, one stop bit", kData8 | kStop2 | parityBits(2) | 8,
         {IDC_PORT_COM1, IDC_PARITY_EVEN, IDC_STOP_BITS_2},
         {IDC_PORT_COM2, IDC_PARITY_NONE, IDC_STOP_BITS_1}, 1, kData8 | 8},
        // A parity field of 3 has no button: none is checked (not the stop-bits
        // button that 107 + 3 would name), and OK stores even.
        {"unused parity value", parityBits(3) | 6, {IDC_PORT_COM1, IDC_STOP_BITS_1}, {}, 0,
         parityBits(2) | 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PortDevices devices({P, P, P, P});
        PortHost host(c.stored, 0, devices);
        std::vector<int> checkedAtOpen;
        const auto run = runPortDialog(host, [&](HWND dialog) {
            checkedAtOpen = checkedOf(dialog, IDC_PORT_COM1, IDC_STOP_BITS_2);
            for (int id : c.clicks)
                click(dialog, id);
            press(dialog, IDOK);
        });
        EXPECT_EQ(checkedAtOpen, c.checkedAtOpen);
        EXPECT_EQ(run.result, 1);
        EXPECT_EQ(host.port, c.port);
        EXPECT_EQ(host.settings, c.expected);
    }
}

TEST(PortDialog, StoredIndexOutsideThePortsAddressesNoButton)
{
    PortDevices devices({P, P, P, P});
    for (DWORD stored : {4u, 5u, 7u, 8u}) {
        SCOPED_TRACE(stored);
        PortHost host(6, stored, devices);
        std::vector<int> checkedButtons;
        int focusId = 0;
        const auto run = runPortDialog(host, [&](HWND dialog) {
            checkedButtons = checkedOf(dialog, IDC_PORT_COM1, IDC_STOP_BITS_2);
            focusId = GetDlgCtrlID(GetFocus());
            press(dialog, IDOK);
        });
        EXPECT_EQ(checkedButtons, (std::vector<int>{IDC_PARITY_NONE, IDC_STOP_BITS_1}));
        EXPECT_EQ(focusId, IDC_BAUD_SPIN);
        EXPECT_TRUE(run.messages.empty());
        EXPECT_EQ(run.result, 1);
        EXPECT_EQ(host.port, stored) << "no port chosen: the index is kept";
    }
}

TEST(PortDialog, CommandsWithANotificationCodeAreIgnored)
{
    PortDevices devices({P, P, P, P});
    PortHost host(6, 0, devices);
    LRESULT answered = 0;
    bool stillOpen = false;
    const auto run = runPortDialog(host, [&](HWND dialog) {
        click(dialog, IDC_PARITY_ODD);
        answered = ComPCMsgProc(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_DOUBLECLICKED), 0);
        answered += ComPCMsgProc(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, EN_SETFOCUS), 0);
        answered += ComPCMsgProc(dialog, WM_COMMAND, MAKEWPARAM(IDC_PORT_COM2, 0), 0);
        stillOpen = IsWindowVisible(dialog) != FALSE;
        press(dialog, IDCANCEL);
    });
    EXPECT_EQ(answered, 3);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(host.settings, 6);
}

TEST(PortDialog, WithoutARecordItDoesNotOpen)
{
    MessageBoxRecorder recorder;
    DialogScript inside([](HWND dialog) { press(dialog, IDOK); });
    EXPECT_EQ(StartPCSetupDlg(nullptr, nullptr), 0);
    EXPECT_FALSE(inside.ran());
    EXPECT_TRUE(recorder.shown().empty());
}

TEST(PortDialog, BeforeInitialisationSpinAndOkDoNothing)
{
    // A dialog from the same template whose procedure never stored a record.
    HMODULE dll = GetModuleHandleA("W32KORUTIL1.dll");
    HWND dialog = CreateDialogParamA(dll, "COMM", nullptr, passiveDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    SetDlgItemTextA(dialog, IDC_BAUD_TEXT, "unchanged");
    EXPECT_EQ(ComPCMsgProc(dialog, WM_SPINSTEP, 0, 0), 1);
    EXPECT_EQ(ComPCMsgProc(dialog, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0), 1);
    EXPECT_EQ(itemText(dialog, IDC_BAUD_TEXT), "unchanged");
    EXPECT_EQ(ComPCMsgProc(dialog, WM_TIMER, 1, 0), 0);
    DestroyWindow(dialog);
}

// -- Templates -----------------------------------------------------------------------

namespace {

struct ExpectedControl {
    int id;
    const char* cls;
    const char* text;
    DWORD style; // type bits plus WS_GROUP / WS_TABSTOP
    RECT rect;   // x, y, right, bottom in dialog units
};

RECT box(int x, int y, int w, int h)
{
    return RECT{x, y, x + w, y + h};
}

constexpr DWORD kStyleChecked = 0x1F | WS_GROUP | WS_TABSTOP | WS_CHILD | WS_VISIBLE | WS_DISABLED;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

void expectTemplate(const char* name, const char* caption, RECT rect,
                    const std::vector<ExpectedControl>& expected)
{
    const auto dialog = w32ktest::readDialogTemplate(GetModuleHandleA("W32KORUTIL1.dll"), name);
    ASSERT_TRUE(dialog.has_value());
    EXPECT_EQ(dialog->caption, caption);
    EXPECT_EQ(dialog->fontName, "Helv");
    EXPECT_EQ(dialog->fontSize, 8);
    EXPECT_EQ(dialog->style & ~DS_SETFONT,
              DWORD{DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION});
    EXPECT_TRUE(EqualRect(&dialog->rect, &rect));
    ASSERT_EQ(dialog->controls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto& actual = dialog->controls[i];
        const auto& want = expected[i];
        SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(want.id));
        EXPECT_EQ(actual.id, want.id);
        EXPECT_STRCASEEQ(actual.cls.c_str(), want.cls);
        EXPECT_EQ(actual.text, want.text);
        EXPECT_EQ(actual.style & kStyleChecked, want.style | kChild);
        EXPECT_TRUE(EqualRect(&actual.rect, &want.rect))
            << actual.rect.left << "," << actual.rect.top << "," << actual.rect.right << ","
            << actual.rect.bottom;
    }
}

} // namespace

TEST(CommTemplates, PortSettingsTemplateIsFoundByItsMixedCaseName)
{
    HMODULE dll = GetModuleHandleA("W32KORUTIL1.dll");
    EXPECT_NE(FindResourceA(dll, "Comm", reinterpret_cast<LPCSTR>(RT_DIALOG)), nullptr);
    expectTemplate(
        "COMM", "Port Settings", box(17, 26, 169, 132),
        {
            {IDC_PORT_GROUP, "Button", "&Ports Available", BS_GROUPBOX, box(8, 6, 97, 40)},
            {IDC_PORT_COM1, "Button", "Com 1", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP,
             box(17, 18, 37, 10)},
            {IDC_PORT_COM3, "Button", "Com 3", BS_AUTORADIOBUTTON, box(59, 18, 38, 10)},
            {IDC_PORT_COM2, "Button", "Com 2", BS_AUTORADIOBUTTON, box(17, 31, 39, 10)},
            {IDC_PORT_COM4, "Button", "Com 4", BS_AUTORADIOBUTTON, box(59, 31, 37, 10)},
            {IDC_BAUD_LABEL, "Static", "&Baud Rate", SS_LEFT, box(13, 55, 43, 10)},
            {IDC_BAUD_SPIN, W32K_CLASS_SPIN, "", WS_TABSTOP, box(96, 54, 7, 14)},
            {IDC_BAUD_FRAME, "Static", "", SS_BLACKFRAME, box(61, 54, 34, 12)},
            {IDC_PARITY_GROUP, "Button", "P&arity", BS_GROUPBOX | WS_GROUP, box(8, 74, 46, 50)},
            {IDC_PARITY_NONE, "Button", "None", BS_AUTORADIOBUTTON, box(13, 86, 34, 10)},
            {IDC_PARITY_ODD, "Button", "Odd", BS_AUTORADIOBUTTON, box(13, 98, 31, 10)},
            {IDC_PARITY_EVEN, "Button", "Even", BS_AUTORADIOBUTTON, box(13, 110, 35, 10)},
            {IDC_STOP_BITS_GROUP, "Button", "&Stop Bits", BS_GROUPBOX | WS_GROUP,
             box(57, 74, 49, 50)},
            {IDC_STOP_BITS_1, "Button", "1", BS_AUTORADIOBUTTON, box(74, 94, 21, 10)},
            {IDC_STOP_BITS_2, "Button", "2", BS_AUTORADIOBUTTON, box(74, 106, 23, 10)},
            {IDOK, "Button", "&OK", BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP, box(117, 9, 43, 14)},
            {IDCANCEL, "Button", "&Cancel", BS_PUSHBUTTON | WS_TABSTOP, box(117, 33, 43, 14)},
            {IDC_BAUD_TEXT, "Static", "", SS_RIGHT, box(64, 56, 29, 8)},
        });
}

TEST(CommTemplates, CommunicationParametersTemplate)
{
    expectTemplate(
        "COMM_PARAMETERS", "Communication Parameters Setup", box(14, 12, 161, 116),
        {
            {IDOK, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, box(105, 6, 50, 14)},
            {IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, box(105, 25, 51, 14)},
            {-1, "Static", "&Baud Rate", SS_LEFT, box(5, 19, 38, 8)},
            {IDC_CP_BAUD_SPIN, W32K_CLASS_SPIN, "", WS_TABSTOP, box(87, 17, 7, 14)},
            {-1, "Static", "", SS_BLACKFRAME, box(47, 16, 36, 16)},
            {IDC_CP_BAUD_TEXT, "Static", "", SS_LEFT | WS_GROUP, box(52, 20, 29, 10)},
            {-1, "Button", "&Parity", BS_GROUPBOX, box(5, 49, 43, 56)},
            {IDC_CP_PARITY_NONE, "Button", "None", BS_AUTORADIOBUTTON | WS_GROUP,
             box(13, 61, 31, 12)},
            {IDC_CP_PARITY_ODD, "Button", "Odd", BS_AUTORADIOBUTTON, box(13, 75, 28, 12)},
            {IDC_CP_PARITY_EVEN, "Button", "Even", BS_AUTORADIOBUTTON, box(13, 89, 28, 12)},
            {-1, "Button", "&Data bits", BS_GROUPBOX | WS_GROUP, box(58, 49, 43, 56)},
            {IDC_CP_DATA_BITS_7, "Button", "7", BS_AUTORADIOBUTTON | WS_GROUP, box(73, 68, 16, 12)},
            {IDC_CP_DATA_BITS_8, "Button", "8", BS_AUTORADIOBUTTON, box(73, 84, 16, 12)},
            {-1, "Button", "&Stop Bits", BS_GROUPBOX | WS_GROUP, box(113, 49, 43, 56)},
            {IDC_CP_STOP_BITS_1, "Button", "1", BS_AUTORADIOBUTTON | WS_GROUP, box(125, 68, 17, 12)},
            {IDC_CP_STOP_BITS_2, "Button", "2", BS_AUTORADIOBUTTON, box(125, 84, 17, 12)},
        });
}

// -- Communication parameters dialog -----------------------------------------------------

namespace {

struct ParamsHost {
    explicit ParamsHost(BYTE lineSettings, BYTE lowest = 6, BYTE highest = 9,
                        const char* file = nullptr, const char* section = "Link")
        : settings(lineSettings)
    {
        record.settings = &settings;
        record.workingSettings = 0;
        record.displayTexts = kBaudDisplay.data();
        record.lowestBaudIndex = lowest;
        record.highestBaudIndex = highest;
        record.iniBaudTexts = kBaudIni.data();
        record.parityTexts = kParity.data();
        record.iniFile = file;
        record.iniSection = section;
    }
    ParamsHost(const ParamsHost&) = delete;
    ParamsHost& operator=(const ParamsHost&) = delete;

    BYTE settings;
    CommParameters record{};
};

// A visible top-level window to own the dialog.
class OwnerWindow {
public:
    OwnerWindow(int x, int y, int w, int h)
        : window_(CreateWindowExA(0, "STATIC", "Host", WS_POPUP | WS_VISIBLE | WS_BORDER, x, y,
                                  w, h, nullptr, nullptr, nullptr, nullptr))
    {
    }
    ~OwnerWindow() { DestroyWindow(window_); }
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    HWND get() const { return window_; }

private:
    HWND window_;
};

INT_PTR runParamsDialog(ParamsHost& host, const std::function<void(HWND)>& script,
                        HWND owner = nullptr, bool* ran = nullptr)
{
    DialogScript inside(script);
    const INT_PTR result = ExecCommParameters(owner, &host.record);
    if (ran)
        *ran = inside.ran();
    return result;
}

} // namespace

TEST(CommParametersDialog, SitsOnTheParentsBottomEdgeAThirdOfItsWidthIn)
{
    struct Case {
        RECT owner;
    };
    const Case cases[] = {{box(100, 80, 600, 500)}, {box(7, 300, 500, 420)}};
    for (const auto& c : cases) {
        OwnerWindow owner(c.owner.left, c.owner.top, c.owner.right - c.owner.left,
                          c.owner.bottom - c.owner.top);
        ParamsHost host(6);
        RECT rect{};
        HWND parent = nullptr;
        bool ran = false;
        runParamsDialog(
            host,
            [&](HWND dialog) {
                GetWindowRect(dialog, &rect);
                parent = GetParent(dialog);
                press(dialog, IDCANCEL);
            },
            owner.get(), &ran);
        ASSERT_TRUE(ran);
        EXPECT_EQ(parent, owner.get());
        const int width = rect.right - rect.left;
        EXPECT_EQ(rect.left, c.owner.left + width / 3);
        EXPECT_EQ(rect.bottom, c.owner.bottom);
    }
}

TEST(CommParametersDialog, ShowsTheStoredSettings)
{
    ParamsHost host(kData8 | parityBits(1) | kStop2 | 7);
    std::vector<int> parity, data, stop;
    std::string baud, caption;
    bool ran = false;
    runParamsDialog(
        host,
        [&](HWND dialog) {
            parity = checkedOf(dialog, IDC_CP_PARITY_NONE, IDC_CP_PARITY_EVEN);
            data = checkedOf(dialog, IDC_CP_DATA_BITS_7, IDC_CP_DATA_BITS_8);
            stop = checkedOf(dialog, IDC_CP_STOP_BITS_1, IDC_CP_STOP_BITS_2);
            baud = itemText(dialog, IDC_CP_BAUD_TEXT);
            caption = windowText(dialog);
            press(dialog, IDCANCEL);
        },
        nullptr, &ran);
    ASSERT_TRUE(ran);
    EXPECT_EQ(caption, "Communication Parameters Setup");
    EXPECT_EQ(parity, std::vector<int>{IDC_CP_PARITY_ODD});
    EXPECT_EQ(data, std::vector<int>{IDC_CP_DATA_BITS_8});
    EXPECT_EQ(stop, std::vector<int>{IDC_CP_STOP_BITS_2});
    EXPECT_EQ(baud, "19200");
}

TEST(CommParametersDialog, SpinWrapsWithinTheHostsRange)
{
    struct Case {
        const char* what;
        BYTE lowest, highest, stored;
        std::vector<LPARAM> steps;
        std::vector<std::string> shown; // after opening, then after each step
        BYTE okStores;
    };
    const Case cases[] = {
        {"up from 9 gives 6", 6, 9, 9, {0}, {"57600", "9600"}, 6},
        {"down from 6 gives 9", 6, 9, 6, {1}, {"9600", "57600"}, 9},
        {"stored below the range opens at the highest", 6, 9, 3, {}, {"57600"}, 9},
        {"stored above the range opens at the lowest", 6, 8, 9, {}, {"9600"}, 6},
        {"down from 0 wraps", 0, 4, 0, {1, 0, 0, 2}, {"150", "2400", "150", "300", "300"}, 1},
        {"single index", 7, 7, 7, {0, 1}, {"19200", "19200", "19200"}, 7},
        // The baud index field holds 0-15: a highest index above it is cut there.
        {"range beyond the field", 14, 200, 15, {0, 1}, {"(15)", "(14)", "(15)"}, 15},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ParamsHost host(static_cast<BYTE>(kData8 | c.stored), c.lowest, c.highest);
        std::vector<std::string> shown;
        bool focusKept = true;
        const INT_PTR result = runParamsDialog(host, [&](HWND dialog) {
            shown.push_back(itemText(dialog, IDC_CP_BAUD_TEXT));
            SetFocus(GetDlgItem(dialog, IDC_CP_PARITY_NONE));
            for (LPARAM step : c.steps) {
                spin(dialog, step);
                shown.push_back(itemText(dialog, IDC_CP_BAUD_TEXT));
                focusKept = focusKept && GetDlgCtrlID(GetFocus()) == IDC_CP_PARITY_NONE;
            }
            press(dialog, IDOK);
        });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(shown, c.shown);
        EXPECT_TRUE(focusKept) << "stepping does not move the focus";
        EXPECT_EQ(host.settings & W32K_LINE_BAUD_MASK, c.okStores);
    }
}

TEST(CommParametersDialog, OkWritesTheWorkingCopyCancelWritesNothing)
{
    struct Case {
        const char* what;
        BYTE stored;
        std::vector<int> clicks;
        std::vector<LPARAM> steps;
        int button;
        INT_PTR result;
        BYTE expected;
    };
    const std::vector<int> changes = {IDC_CP_PARITY_EVEN, IDC_CP_DATA_BITS_7, IDC_CP_STOP_BITS_2};
    const Case cases[] = {
        {"OK with changes", kData8 | parityBits(1) | 7, changes, {0}, IDOK, 1,
         parityBits(2) | kStop2 | 8},
        {"Cancel with changes", kData8 | parityBits(1) | 7, changes, {0}, IDCANCEL, 0,
         kData8 | parityBits(1) | 7},
        {"OK unchanged", kStop2 | parityBits(0) | 9, {}, {}, IDOK, 1, kStop2 | 9},
        {"OK back to 8 data bits, one stop bit", kStop2 | 6,
         {IDC_CP_DATA_BITS_8, IDC_CP_STOP_BITS_1, IDC_CP_PARITY_ODD}, {1, 1}, IDOK, 1,
         kData8 | parityBits(1) | 8},
        // Parity field 3 has no button: none checked, OK stores even.
        {"unused parity value", parityBits(3) | 6, {}, {}, IDOK, 1, parityBits(2) | 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ParamsHost host(c.stored);
        std::vector<int> parityChecked;
        const INT_PTR result = runParamsDialog(host, [&](HWND dialog) {
            parityChecked = checkedOf(dialog, IDC_CP_PARITY_NONE, IDC_CP_DATA_BITS_8);
            for (int id : c.clicks)
                click(dialog, id);
            for (LPARAM step : c.steps)
                spin(dialog, step);
            EXPECT_EQ(host.settings, c.stored) << "nothing is written before OK";
            press(dialog, c.button);
        });
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(host.settings, c.expected);
        const bool unusedParity = (c.stored & W32K_LINE_PARITY_MASK) == parityBits(3);
        EXPECT_EQ(parityChecked.size(), unusedParity ? 1u : 2u)
            << "one parity and one data-bits button, unless parity is 3";
    }
}

TEST(CommParametersDialog, WithoutARecordItDoesNotOpen)
{
    DialogScript inside([](HWND dialog) { press(dialog, IDOK); });
    EXPECT_EQ(ExecCommParameters(nullptr, nullptr), 0);
    EXPECT_FALSE(inside.ran());
}

// -- INI persistence -------------------------------------------------------------------

namespace {

struct IniHost : ParamsHost {
    IniHost(BYTE lineSettings, const ScratchIni& ini, const char* section = "Link")
        : ParamsHost(lineSettings, 6, 9, ini.path().c_str(), section)
    {
    }
};

void writeSection(const ScratchIni& ini, const char* baud, const char* data, const char* parity,
                  const char* stop)
{
    const std::pair<const char*, const char*> keys[] = {
        {"BaudRate", baud}, {"DataBits", data}, {"Parity", parity}, {"StopBits", stop}};
    for (const auto& [key, value] : keys) {
        if (value)
            ini.write("Link", key, value);
    }
}

} // namespace

TEST(CommIni, LoadReadsEachKeyIndependently)
{
    struct Case {
        const char* what;
        const char *baud, *data, *parity, *stop; // null = key absent
        BYTE before;
        BYTE after;
        int result;
    };
    const Case cases[] = {
        {"all accepted", "19200", "8", "Even", "2", 0, kData8 | parityBits(2) | kStop2 | 7, 0},
        {"all accepted, to the low values", "150", "7", "None", "1",
         kData8 | parityBits(2) | kStop2 | 9, 0, 0},
        {"115200 refused, the rest read", "115200", "8", "Odd", "1", 3, kData8 | parityBits(1) | 3,
         1},
        {"value starting with the odd text", "9600", "7", "Odd parity", "1", 0, parityBits(1) | 6,
         0},
        {"parity compared over 4, 3, 4 characters", "9600", "7", "Nonesuch", "1", parityBits(2),
         6, 0},
        {"unknown parity kept", "9600", "7", "Mark", "1", parityBits(1), parityBits(1) | 6, 1},
        {"data bits 9 refused", "9600", "9", "None", "1", kData8, kData8 | 6, 1},
        {"stop bits 3 refused, earlier keys kept", "38400", "8", "Odd", "3", kStop2,
         kData8 | parityBits(1) | kStop2 | 8, 1},
        {"baud written as text refused", "fast", "8", "None", "1", 5, kData8 | 5, 1},
        {"empty section, one stop bit", nullptr, nullptr, nullptr, nullptr,
         kData8 | parityBits(2) | 7, kData8 | 7, 1},
        {"empty section, two stop bits", nullptr, nullptr, nullptr, nullptr,
         parityBits(1) | kStop2 | 7, 7, 1},
        {"only stop bits absent, byte holds two", "9600", "8", "Even", nullptr, kStop2,
         kData8 | parityBits(2) | 6, 0},
        {"only stop bits absent, byte holds one", "9600", "8", "Even", nullptr, 0,
         kData8 | parityBits(2) | 6, 1},
        {"only parity absent: none", "9600", "8", nullptr, "2", parityBits(2),
         kData8 | kStop2 | 6, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchIni ini;
        writeSection(ini, c.baud, c.data, c.parity, c.stop);
        IniHost host(c.before, ini);
        EXPECT_EQ(LoadIniCommParams(&host.record), c.result);
        EXPECT_EQ(host.settings, c.after);
    }
}

TEST(CommIni, WriteStoresTheFourKeys)
{
    ScratchIni ini;
    IniHost host(kData8 | parityBits(1) | kStop2 | 8, ini);
    EXPECT_EQ(WriteIniCommParams(&host.record), 0);
    EXPECT_EQ(ini.read("Link", "BaudRate"), "38400");
    EXPECT_EQ(ini.read("Link", "DataBits"), "8");
    EXPECT_EQ(ini.read("Link", "Parity"), "Odd");
    EXPECT_EQ(ini.read("Link", "StopBits"), "2");
    EXPECT_EQ(host.settings, kData8 | parityBits(1) | kStop2 | 8);
}

TEST(CommIni, WriteThenLoadReproducesEveryValidSettingsByte)
{
    ScratchIni ini;
    int checkedBytes = 0;
    for (int baud = 0; baud <= 9; ++baud)
        for (int parity = 0; parity <= 2; ++parity)
            for (BYTE extra : {BYTE{0}, kData8, kStop2, BYTE(kData8 | kStop2)}) {
                const BYTE value = static_cast<BYTE>(baud | parityBits(parity) | extra);
                IniHost writer(value, ini);
                ASSERT_EQ(WriteIniCommParams(&writer.record), 0) << int{value};
                // Start from the opposite of every field.
                IniHost reader(static_cast<BYTE>(~value & ~W32K_LINE_PARITY_MASK) |
                                   parityBits((parity + 1) % 3),
                               ini);
                EXPECT_EQ(LoadIniCommParams(&reader.record), 0) << int{value};
                EXPECT_EQ(reader.settings, value);
                ++checkedBytes;
            }
    EXPECT_EQ(checkedBytes, 120);
}

TEST(CommIni, FieldsWithoutATextAreNotWrittenAndReportFailure)
{
    struct Case {
        const char* what;
        BYTE settings;
        const char* baud;   // expected in the file afterwards
        const char* parity;
    };
    const Case cases[] = {
        {"baud index 12 has no rate", static_cast<BYTE>(parityBits(2) | 12), "<absent>", "Even"},
        {"parity value 3 has no text", static_cast<BYTE>(parityBits(3) | 7), "19200", "<absent>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchIni ini;
        IniHost host(c.settings, ini);
        EXPECT_EQ(WriteIniCommParams(&host.record), 1);
        EXPECT_EQ(ini.read("Link", "BaudRate"), c.baud);
        EXPECT_EQ(ini.read("Link", "Parity"), c.parity);
        EXPECT_EQ(ini.read("Link", "DataBits"), "7") << "the other keys are still written";
        EXPECT_EQ(ini.read("Link", "StopBits"), "1");
    }
}

TEST(CommIni, UnwritableFileReportsFailure)
{
    ScratchIni ini;
    const std::string badPath = ini.path() + "\\no such directory\\comm.ini";
    ParamsHost host(6, 6, 9, badPath.c_str());
    EXPECT_EQ(WriteIniCommParams(&host.record), 1);
    EXPECT_EQ(host.settings, 6);
}

TEST(CommIni, RecordsWithoutFileOrSectionAreRefused)
{
    ScratchIni ini;
    writeSection(ini, "19200", "8", "Even", "2");
    ParamsHost noFile(6, 6, 9, nullptr, "Link");
    ParamsHost noSection(6, 6, 9, ini.path().c_str(), nullptr);
    for (ParamsHost* host : {&noFile, &noSection}) {
        EXPECT_EQ(LoadIniCommParams(&host->record), 1);
        EXPECT_EQ(WriteIniCommParams(&host->record), 1);
        EXPECT_EQ(host->settings, 6);
    }
    EXPECT_EQ(LoadIniCommParams(nullptr), 1);
    EXPECT_EQ(WriteIniCommParams(nullptr), 1);
}

// -- Message texts ------------------------------------------------------------------------

TEST(PortMessages, LongestTextsAreCutToTheBufferNeverPastIt)
{
    using namespace w32k::comm;
    const std::string longest(255, 'x');
    struct Case {
        size_t size;
        std::string expected;
    };
    const Case cases[] = {
        {300, longest + " 3"},
        {200, longest.substr(0, 199)},
        {1, ""},
    };
    for (const auto& c : cases) {
        std::vector<char> buffer(c.size + 16, '#');
        formatNoPortsMessage(buffer.data(), c.size, longest.c_str(), 2);
        EXPECT_EQ(std::string(buffer.data()), c.expected);
        EXPECT_EQ(std::string(buffer.begin() + c.size, buffer.end()), std::string(16, '#'));
    }
    std::vector<char> buffer(40, '#');
    formatSwitchMessage(buffer.data(), 30, 0, longest.c_str(), "Switching to COM ", 2);
    EXPECT_EQ(std::string(buffer.data()), ("COM 1 " + longest).substr(0, 29));
    EXPECT_EQ(std::string(buffer.begin() + 30, buffer.end()), std::string(10, '#'));
    formatSwitchMessage(buffer.data(), 40, 0xFFFFFFFFu, "is unavailable", "to ", 0xFFFFFFFEu);
    EXPECT_STREQ(buffer.data(), "COM 4294967296 is unavailable.\nto 42949");
}

// -- The spin control inside the dialogs ----------------------------------------------------

namespace {

// A click on one half of a spin control (0 = upper, 1 = lower), released at once.
void clickSpinHalf(HWND spinControl, int half)
{
    RECT client{};
    GetClientRect(spinControl, &client);
    const int y = half == 0 ? client.bottom / 4 : client.bottom * 3 / 4;
    const LPARAM point = MAKELPARAM(client.right / 2, y);
    SendMessageA(spinControl, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageA(spinControl, WM_LBUTTONUP, 0, point);
}

// An arrow key on the spin control; its step is posted, so the queue is pumped.
void pressArrow(HWND spinControl, WPARAM key)
{
    SendMessageA(spinControl, WM_KEYDOWN, key, 1);
    SendMessageA(spinControl, WM_KEYUP, key, 0xC0000001);
    w32ktest::pumpMessages();
}

} // namespace

TEST(CommSpin, PortDialogStepsWithTheMouseAndTheArrowKeys)
{
    PortDevices devices({P, P, P, P});
    PortHost host(6, 0, devices);
    std::vector<std::string> shown;
    const auto run = runPortDialog(host, [&](HWND dialog) {
        HWND spinControl = GetDlgItem(dialog, IDC_BAUD_SPIN);
        clickSpinHalf(spinControl, 0);
        shown.push_back(itemText(dialog, IDC_BAUD_TEXT));
        clickSpinHalf(spinControl, 1);
        clickSpinHalf(spinControl, 1);
        shown.push_back(itemText(dialog, IDC_BAUD_TEXT));
        pressArrow(spinControl, VK_UP);
        shown.push_back(itemText(dialog, IDC_BAUD_TEXT));
        pressArrow(spinControl, VK_DOWN);
        pressArrow(spinControl, VK_DOWN);
        shown.push_back(itemText(dialog, IDC_BAUD_TEXT));
        press(dialog, IDOK);
    });
    ASSERT_TRUE(run.scriptRan);
    EXPECT_EQ(shown, (std::vector<std::string>{"19200", "38400", "9600", "19200"}));
    EXPECT_EQ(host.settings, 7);
}

TEST(CommSpin, ParametersDialogStepsWithTheMouseAndTheArrowKeys)
{
    ParamsHost host(kData8 | 9, 6, 9);
    std::vector<std::string> shown;
    const INT_PTR result = runParamsDialog(host, [&](HWND dialog) {
        HWND spinControl = GetDlgItem(dialog, IDC_CP_BAUD_SPIN);
        clickSpinHalf(spinControl, 0);
        shown.push_back(itemText(dialog, IDC_CP_BAUD_TEXT));
        clickSpinHalf(spinControl, 1);
        clickSpinHalf(spinControl, 1);
        shown.push_back(itemText(dialog, IDC_CP_BAUD_TEXT));
        pressArrow(spinControl, VK_UP);
        pressArrow(spinControl, VK_UP);
        shown.push_back(itemText(dialog, IDC_CP_BAUD_TEXT));
        press(dialog, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(shown, (std::vector<std::string>{"9600", "38400", "9600"}));
    EXPECT_EQ(host.settings, kData8 | 6);
}
