// The communication page: the port settings dialog over four stand-in port
// devices (files the demo creates: one held open by the demo, one missing, so
// two ports show greyed out), and the communication parameters dialog with
// its INI file.
#include "pages.h"
#include "tour.h"

#include "w32korutil1.h"

#include <array>
#include <string>

namespace demo {

namespace {

constexpr std::array<const char*, 16> kBaudTexts = {
    "150",   "300",   "600",   "1200", "2400", "4800", "9600", "19200",
    "38400", "57600", "-",     "-",    "-",    "-",    "-",    "-"};
constexpr std::array<const char*, 10> kIniBaudTexts = {"150",  "300",  "600",   "1200",  "2400",
                                                       "4800", "9600", "19200", "38400", "57600"};
constexpr std::array<const char*, 3> kParityTexts = {"None", "Odd", "Even"};
constexpr const char* kIniSection = "PanelLink";

enum class Device { Present, Busy, Missing };
constexpr std::array<Device, 4> kDevices = {Device::Present, Device::Busy, Device::Present,
                                            Device::Missing};

std::string tempPath(const char* name)
{
    char directory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    return std::string(directory) + name;
}

// The four stand-in devices, made on first use and removed when the demo ends.
class StandInPorts {
public:
    StandInPorts() : directory_(tempPath("w32kdemo_ports"))
    {
        CreateDirectoryA(directory_.c_str(), nullptr);
        for (int port = 0; port < 4; ++port) {
            paths_[port] = directory_ + "\\port" + std::to_string(port + 1) + ".device";
            names_[port] = paths_[port].c_str();
            if (kDevices[port] == Device::Missing) {
                DeleteFileA(names_[port]);
                continue;
            }
            HANDLE file = CreateFileA(names_[port], GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (kDevices[port] == Device::Busy)
                busy_ = file; // held without sharing while the demo runs
            else if (file != INVALID_HANDLE_VALUE)
                CloseHandle(file);
        }
    }
    ~StandInPorts()
    {
        if (busy_ != INVALID_HANDLE_VALUE)
            CloseHandle(busy_);
        for (const auto& path : paths_)
            DeleteFileA(path.c_str());
        RemoveDirectoryA(directory_.c_str());
    }
    StandInPorts(const StandInPorts&) = delete;
    StandInPorts& operator=(const StandInPorts&) = delete;

    const char* const* names() const { return names_.data(); }

private:
    std::string directory_;
    std::array<std::string, 4> paths_;
    std::array<const char*, 4> names_{};
    HANDLE busy_ = INVALID_HANDLE_VALUE;
};

// The host's communication data.
struct HostSettings {
    BYTE portLine = W32K_LINE_DATA_BITS_8 | W32K_BAUD_19200; // 8N1, 19200
    DWORD port = 0;                                         // COM1
    BYTE panelLine = W32K_LINE_DATA_BITS_8 | (W32K_PARITY_EVEN << W32K_LINE_PARITY_SHIFT) |
                     W32K_BAUD_9600;
    std::string iniFile = tempPath("w32kdemo_comm.ini");
    std::string lastAction = "(none yet)";
};

StandInPorts& ports()
{
    static StandInPorts all;
    return all;
}

HostSettings g_host;
HWND g_portStatus;
HWND g_paramsStatus;

PortSettings portRecord()
{
    PortSettings record{};
    record.settings = &g_host.portLine;
    record.portIndex = &g_host.port;
    record.deviceNames = ports().names();
    record.baudTexts = kBaudTexts.data();
    record.caption = "Panel designer";
    return record;
}

CommParameters paramsRecord()
{
    CommParameters record{};
    record.settings = &g_host.panelLine;
    record.displayTexts = kBaudTexts.data();
    record.lowestBaudIndex = W32K_BAUD_9600;
    record.highestBaudIndex = W32K_BAUD_57600;
    record.iniBaudTexts = kIniBaudTexts.data();
    record.parityTexts = kParityTexts.data();
    record.iniFile = g_host.iniFile.c_str();
    record.iniSection = kIniSection;
    return record;
}

std::string describeLine(BYTE line)
{
    const unsigned parity = (line & W32K_LINE_PARITY_MASK) >> W32K_LINE_PARITY_SHIFT;
    std::string text = kBaudTexts[line & W32K_LINE_BAUD_MASK];
    text += " baud, ";
    text += (line & W32K_LINE_DATA_BITS_8) ? "8" : "7";
    text += " data bits, parity ";
    text += parity < kParityTexts.size() ? kParityTexts[parity] : "?";
    text += (line & W32K_LINE_STOP_BITS_2) ? ", 2 stop bits" : ", 1 stop bit";
    return text;
}

void refresh()
{
    static const char* const kStates[] = {"present", "held open by the demo", "missing"};
    std::string ports = "Stand-in devices:\r\n";
    for (int port = 0; port < 4; ++port)
        ports += "  COM" + std::to_string(port + 1) + ": " +
                 kStates[static_cast<int>(kDevices[port])] + "\r\n";
    ports += "\r\nPort: COM" + std::to_string(g_host.port + 1) + "\r\n" +
             describeLine(g_host.portLine);
    SetWindowTextA(g_portStatus, ports.c_str());
    const std::string params = describeLine(g_host.panelLine) + "\r\n\r\nINI file: " +
                               g_host.iniFile + " [" + kIniSection + "]\r\nLast action: " +
                               g_host.lastAction;
    SetWindowTextA(g_paramsStatus, params.c_str());
}

void openPortSettings(HWND owner)
{
    PortSettings record = portRecord();
    const INT_PTR result = StartPCSetupDlg(owner, &record);
    g_host.lastAction = "port settings dialog ended with " + std::to_string(result);
    refresh();
}

void probePorts(HWND)
{
    PortSettings record = portRecord();
    const UINT port = CheckPortSelection(nullptr, &record);
    g_host.lastAction = port == W32K_PORT_NONE ? std::string("probe: no port available")
                                               : "probe: COM" + std::to_string(port + 1);
    refresh();
}

void openParameters(HWND owner)
{
    CommParameters record = paramsRecord();
    const INT_PTR result = ExecCommParameters(owner, &record);
    g_host.lastAction = "parameters dialog ended with " + std::to_string(result);
    refresh();
}

void writeIni(HWND)
{
    CommParameters record = paramsRecord();
    g_host.lastAction = WriteIniCommParams(&record) == 0 ? "written" : "write failed";
    refresh();
}

void loadIni(HWND)
{
    CommParameters record = paramsRecord();
    g_host.lastAction = LoadIniCommParams(&record) == 0 ? "loaded" : "loaded, a key was refused";
    refresh();
}

void show(HWND area)
{
    ports();
    addControl(area, "BUTTON", "Port settings", BS_GROUPBOX, 8, 4, 440, 160);
    g_portStatus = addControl(area, "STATIC", "", SS_LEFT | SS_NOPREFIX, 20, 24, 290, 132);
    addActionButton(area, "Port settings...", 320, 24, 118, 24, openPortSettings);
    addActionButton(area, "Probe ports", 320, 54, 118, 24, probePorts);
    addControl(area, "BUTTON", "Communication parameters", BS_GROUPBOX, 8, 172, 440, 160);
    g_paramsStatus = addControl(area, "STATIC", "", SS_LEFT | SS_NOPREFIX, 20, 192, 290, 132);
    addActionButton(area, "Parameters...", 320, 192, 118, 24, openParameters);
    addActionButton(area, "Write INI", 320, 222, 118, 24, writeIni);
    addActionButton(area, "Load INI", 320, 252, 118, 24, loadIni);
    refresh();
}

void tour(Tour& t, HWND mainWindow)
{
    writeIni(mainWindow);
    t.screenshot(mainWindow, "comm");
    t.captureDialog("comm_port_settings", [&] { openPortSettings(mainWindow); });
    t.captureDialog("comm_parameters", [&] { openParameters(mainWindow); });
}

const PageRegistration registration({70, "Communication", show, tour});

} // namespace
} // namespace demo
