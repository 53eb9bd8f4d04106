#include "dialogs/comm_line_buttons.h"

#include "dialogs/comm_settings_core.h"
#include "frame/dialog_helpers.h"

namespace w32k::comm {

void checkLineButtons(HWND dialog, std::uint8_t settings, const LineButtonIds& ids) noexcept
{
    if (parity(settings) < kParityCount)
        CheckDlgButton(dialog, ids.parityNone + static_cast<int>(parity(settings)), BST_CHECKED);
    if (ids.dataBits7)
        CheckDlgButton(dialog, ids.dataBits7 + static_cast<int>(dataBitsBit(settings)), BST_CHECKED);
    CheckDlgButton(dialog, ids.stopBits1 + static_cast<int>(stopBitsBit(settings)), BST_CHECKED);
}

std::uint8_t readLineButtons(HWND dialog, std::uint8_t settings, const LineButtonIds& ids) noexcept
{
    settings = withParity(settings, firstChecked(dialog, ids.parityNone, kParityCount, kParityEven));
    if (ids.dataBits7)
        settings = withDataBitsBit(settings, isChecked(dialog, ids.dataBits7) ? 0 : 1);
    return withStopBitsBit(settings, isChecked(dialog, ids.stopBits1) ? 0 : 1);
}

} // namespace w32k::comm
