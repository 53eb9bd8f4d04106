// The line-setting buttons that both communication dialogs show: parity
// (none, odd, even), optionally data bits (7, 8) and stop bits (1, 2), each a
// group of consecutive control ids.
#pragma once

#include <windows.h>

#include <cstdint>

namespace w32k::comm {

struct LineButtonIds {
    int parityNone;
    int dataBits7; // 0: the dialog has no data-bit buttons
    int stopBits1;
};

// Checks the buttons that settings name. A parity field of 3 has no button;
// then none of the parity buttons is checked.
void checkLineButtons(HWND dialog, std::uint8_t settings, const LineButtonIds& ids) noexcept;

// settings with the parity, data bits and stop bits the buttons show; no
// parity button checked reads as even parity.
std::uint8_t readLineButtons(HWND dialog, std::uint8_t settings, const LineButtonIds& ids) noexcept;

} // namespace w32k::comm
