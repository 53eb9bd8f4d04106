// The "Communication Parameters Setup" dialog (ExecCommParameters).
#include "dialogs/comm_line_buttons.h"
#include "dialogs/comm_settings_core.h"
#include "frame/dialog_helpers.h"
#include "frame/module.h"
#include "frame/window_data.h"
#include "comm_ids.h"
#include "w32korutil1.h"

#include <algorithm>

namespace w32k {

namespace {

using namespace comm;

constexpr const char* kParametersTemplate = "COMM_PARAMETERS";
constexpr INT_PTR kResultOk = 1;
constexpr INT_PTR kResultCancel = 0;

bool canEdit(const CommParameters* record) noexcept
{
    return record && record->settings;
}

// Left edge one third of the dialog's width right of the parent's left edge,
// bottom edge on the parent's bottom edge. Without a parent it stays put.
void placeAgainstParent(HWND dialog) noexcept
{
    HWND parent = GetParent(dialog);
    RECT parentRect{}, dialogRect{};
    if (!parent || !GetWindowRect(parent, &parentRect) || !GetWindowRect(dialog, &dialogRect))
        return;
    const int width = dialogRect.right - dialogRect.left;
    const int height = dialogRect.bottom - dialogRect.top;
    MoveWindow(dialog, parentRect.left + width / 3, parentRect.bottom - height, width, height,
               FALSE);
}

// The selectable range; the baud index field holds 0-15, so no bound above
// that is ever used.
int lowestIndex(const CommParameters& record) noexcept
{
    return std::min<int>(record.lowestBaudIndex, kHighestBaudIndex);
}
int highestIndex(const CommParameters& record) noexcept
{
    return std::min<int>(record.highestBaudIndex, kHighestBaudIndex);
}

constexpr LineButtonIds kLineButtons{IDC_CP_PARITY_NONE, IDC_CP_DATA_BITS_7, IDC_CP_STOP_BITS_1};

INT_PTR onInitDialog(HWND dialog, CommParameters* record) noexcept
{
    if (!canEdit(record)) {
        EndDialog(dialog, kResultCancel);
        return TRUE;
    }
    setWindowData(dialog, reinterpret_cast<LONG_PTR>(record));
    record->workingSettings = *record->settings;
    placeAgainstParent(dialog);
    SendMessageA(dialog, WM_SPINSTEP, 0, W32K_SPIN_NONE);
    checkLineButtons(dialog, record->workingSettings, kLineButtons);
    return TRUE;
}

INT_PTR onSpinStep(HWND dialog, LPARAM lParam) noexcept
{
    CommParameters* record = windowRecord<CommParameters>(dialog);
    if (!record)
        return TRUE;
    const int stepped = static_cast<int>(baudIndex(record->workingSettings)) +
                        spinDelta(lParam);
    const int index = wrapIndex(stepped, lowestIndex(*record), highestIndex(*record));
    record->workingSettings = withBaudIndex(record->workingSettings, static_cast<unsigned>(index));
    SetDlgItemTextA(dialog, IDC_CP_BAUD_TEXT, baudDisplayText(record->displayTexts, index));
    return TRUE;
}

void onOk(HWND dialog, CommParameters& record) noexcept
{
    const std::uint8_t settings = readLineButtons(dialog, record.workingSettings, kLineButtons);
    record.workingSettings = settings;
    *record.settings = settings;
    EndDialog(dialog, kResultOk);
}

void onCancel(HWND dialog) noexcept
{
    EndDialog(dialog, kResultCancel);
}

INT_PTR onCommand(HWND dialog, WPARAM wParam) noexcept
{
    CommParameters* record = windowRecord<CommParameters>(dialog);
    if (!record)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK:
        onOk(dialog, *record);
        break;
    case IDCANCEL:
        onCancel(dialog);
        break;
    default:
        break;
    }
    return FALSE;
}

// The dialog procedure; the message number is compared in its low 16 bits.
INT_PTR CALLBACK commParametersProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    switch (LOWORD(message)) {
    case WM_INITDIALOG:
        return onInitDialog(dialog, reinterpret_cast<CommParameters*>(lParam));
    case WM_SPINSTEP:
        return onSpinStep(dialog, lParam);
    case WM_COMMAND:
        return onCommand(dialog, wParam);
    default:
        return FALSE;
    }
}

} // namespace

} // namespace w32k

extern "C" INT_PTR WINAPI ExecCommParameters(HWND owner, CommParameters* record)
{
    return DialogBoxParamA(w32k::moduleInstance(), w32k::kParametersTemplate, owner,
                           w32k::commParametersProc, reinterpret_cast<LPARAM>(record));
}
