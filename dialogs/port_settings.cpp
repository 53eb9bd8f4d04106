// Port probing (CheckPortSelection, SetComPort) and the "Port Settings"
// dialog (StartPCSetupDlg, ComPCMsgProc).
#include "dialogs/comm_line_buttons.h"
#include "dialogs/comm_settings_core.h"
#include "frame/dialog_helpers.h"
#include "frame/module.h"
#include "frame/raii.h"
#include "frame/window_data.h"
#include "comm_ids.h"
#include "resource.h"
#include "w32korutil1.h"

#include <array>

namespace w32k {

namespace {

using namespace comm;

constexpr const char* kPortTemplate = "Comm";
constexpr UINT kPortMessageStyle = MB_OK | MB_ICONINFORMATION;
constexpr INT_PTR kResultOk = 1;
constexpr INT_PTR kResultCancel = 0;
// Strings 54 and 55 are read up to 255 characters, string 56 up to 49.
constexpr int kLongTextSize = 256;
constexpr int kShortTextSize = 50;
// Holds either message in full: string 54 and a port number, or strings 55
// and 56, two port numbers and the fixed words.
constexpr std::size_t kMessageSize = kLongTextSize + kShortTextSize + 64;

// The probing routines need the port index and the device names.
bool canProbe(const PortSettings* record) noexcept
{
    return record && record->portIndex && record->deviceNames;
}

// The dialog additionally needs the settings byte.
bool canEdit(const PortSettings* record) noexcept
{
    return canProbe(record) && record->settings;
}

// True when the device opens for reading and writing without sharing; the
// handle is closed at once.
bool opensExclusively(const char* device) noexcept
{
    if (!device)
        return false;
    const FileHandle port(CreateFileA(device, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(port);
}

PortAvailability probePorts(const PortSettings& record) noexcept
{
    PortAvailability available{};
    for (unsigned port = 0; port < kPortCount; ++port)
        available[port] = opensExclusively(record.deviceNames[port]);
    return available;
}

int portButton(std::uint32_t port) noexcept
{
    return IDC_PORT_COM1 + static_cast<int>(port);
}

void disableUnavailablePorts(HWND dialog, const PortAvailability& available) noexcept
{
    for (unsigned port = 0; port < kPortCount; ++port) {
        if (!available[port])
            EnableWindow(GetDlgItem(dialog, portButton(port)), FALSE);
    }
}

struct PortChoice {
    PortAvailability available{};
    std::uint32_t port = kNoPort;
};

// Probes the four ports, greys out the unavailable ones and checks the port
// the cyclic search settles on (dialog optional).
PortChoice choosePort(HWND dialog, const PortSettings& record) noexcept
{
    PortChoice choice;
    choice.available = probePorts(record);
    if (dialog)
        disableUnavailablePorts(dialog, choice.available);
    choice.port = searchPort(*record.portIndex, choice.available);
    if (dialog && isPortIndex(choice.port))
        CheckDlgButton(dialog, portButton(choice.port), BST_CHECKED);
    return choice;
}

template <std::size_t Size>
const char* loadText(UINT id, std::array<char, Size>& buffer) noexcept
{
    buffer[0] = '\0';
    LoadStringA(moduleInstance(), id, buffer.data(), static_cast<int>(buffer.size()));
    return buffer.data();
}

void tellNoPorts(HWND dialog, const PortSettings& record) noexcept
{
    std::array<char, kLongTextSize> noPorts;
    std::array<char, kMessageSize> message;
    formatNoPortsMessage(message.data(), message.size(), loadText(IDS_NO_PORTS, noPorts),
                         *record.portIndex);
    MessageBoxA(dialog, message.data(), record.caption, kPortMessageStyle);
}

void tellPortSwitch(HWND dialog, const PortSettings& record, std::uint32_t newPort) noexcept
{
    std::array<char, kLongTextSize> switching;
    std::array<char, kShortTextSize> unavailable;
    std::array<char, kMessageSize> message;
    formatSwitchMessage(message.data(), message.size(), *record.portIndex,
                        loadText(IDS_PORT_UNAVAILABLE, unavailable),
                        loadText(IDS_SWITCHING_PORT, switching), newPort);
    MessageBoxA(dialog, message.data(), record.caption, kPortMessageStyle);
}

// --- The dialog -------------------------------------------------------------------

constexpr LineButtonIds kLineButtons{IDC_PARITY_NONE, 0, IDC_STOP_BITS_1};

INT_PTR onInitDialog(HWND dialog, PortSettings* record) noexcept
{
    if (!canEdit(record)) {
        EndDialog(dialog, kResultCancel);
        return TRUE;
    }
    setWindowData(dialog, reinterpret_cast<LONG_PTR>(record));
    CenterDialogBox(dialog);
    record->workingBaudIndex = static_cast<LONG>(baudIndex(*record->settings));
    if (SetComPort(dialog, record))
        EndDialog(dialog, kResultCancel);
    checkLineButtons(dialog, *record->settings, kLineButtons);
    SendMessageA(dialog, WM_SPINSTEP, 0, W32K_SPIN_NONE);
    // A stored index outside 0-3 names no port button; the focus then stays
    // on the spin control.
    if (isPortIndex(*record->portIndex))
        SetFocus(GetDlgItem(dialog, portButton(*record->portIndex)));
    return FALSE;
}

INT_PTR onSpinStep(HWND dialog, LPARAM lParam) noexcept
{
    PortSettings* record = windowRecord<PortSettings>(dialog);
    if (!record)
        return TRUE;
    SetFocus(GetDlgItem(dialog, IDC_BAUD_SPIN));
    const long long stepped = static_cast<long long>(record->workingBaudIndex) +
                              spinDelta(lParam);
    record->workingBaudIndex = wrapIndex(stepped, kPortDialogLowestBaud, kPortDialogHighestBaud);
    HWND text = GetDlgItem(dialog, IDC_BAUD_TEXT);
    SetWindowTextA(text, baudDisplayText(record->baudTexts, record->workingBaudIndex));
    InvalidateRect(text, nullptr, FALSE);
    UpdateWindow(text);
    return TRUE;
}

INT_PTR onOk(HWND dialog) noexcept
{
    PortSettings* record = windowRecord<PortSettings>(dialog);
    if (!record)
        return TRUE;
    const unsigned port = firstChecked(dialog, IDC_PORT_COM1, kPortCount, kPortCount);
    if (port < kPortCount)
        *record->portIndex = port;
    std::uint8_t settings = readLineButtons(dialog, *record->settings, kLineButtons);
    settings = withBaudIndex(settings, static_cast<unsigned>(record->workingBaudIndex));
    *record->settings = settings;
    EndDialog(dialog, kResultOk);
    return TRUE;
}

INT_PTR onCancel(HWND dialog) noexcept
{
    EndDialog(dialog, kResultCancel);
    return TRUE;
}

INT_PTR onCommand(HWND dialog, WPARAM wParam) noexcept
{
    if (HIWORD(wParam) != 0)
        return TRUE;
    switch (LOWORD(wParam)) {
    case IDOK:
        return onOk(dialog);
    case IDCANCEL:
        return onCancel(dialog);
    default:
        return TRUE;
    }
}

} // namespace

} // namespace w32k

extern "C" {

UINT WINAPI CheckPortSelection(HWND dialog, PortSettings* record)
{
    if (!w32k::canProbe(record))
        return w32k::comm::kNoPort;
    return w32k::choosePort(dialog, *record).port;
}

BOOLEAN WINAPI SetComPort(HWND dialog, PortSettings* record)
{
    using namespace w32k;
    if (!canProbe(record))
        return TRUE;
    const PortChoice choice = choosePort(dialog, *record);
    // "No port" is told only when no port opened: a stored index of 8 or
    // above comes back from the search unchanged and must not read as "none".
    if (!comm::anyAvailable(choice.available)) {
        tellNoPorts(dialog, *record);
        return TRUE;
    }
    if (choice.port == *record->portIndex)
        return FALSE;
    tellPortSwitch(dialog, *record, choice.port);
    *record->portIndex = choice.port;
    return FALSE;
}

INT_PTR WINAPI ComPCMsgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return w32k::onInitDialog(dialog, reinterpret_cast<PortSettings*>(lParam));
    case WM_SPINSTEP:
        return w32k::onSpinStep(dialog, lParam);
    case WM_COMMAND:
        return w32k::onCommand(dialog, wParam);
    default:
        return FALSE;
    }
}

INT_PTR WINAPI StartPCSetupDlg(HWND owner, PortSettings* record)
{
    return DialogBoxParamA(w32k::moduleInstance(), w32k::kPortTemplate, owner, ComPCMsgProc,
                           reinterpret_cast<LPARAM>(record));
}

} // extern "C"
