// Platform-free rules of the communication settings: the line settings byte,
// the baud-rate table, the values the INI keys accept, the wrap of a stepped
// baud index, the cyclic port search and the texts of the port messages.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace w32k::comm {

// --- Line settings byte -----------------------------------------------------
constexpr std::uint8_t kBaudMask = 0x0F;
constexpr std::uint8_t kDataBits8 = 0x10;
constexpr unsigned kParityShift = 5;
constexpr std::uint8_t kParityMask = 0x60;
constexpr std::uint8_t kStopBits2 = 0x80;

constexpr unsigned kParityNone = 0;
constexpr unsigned kParityOdd = 1;
constexpr unsigned kParityEven = 2;
constexpr unsigned kParityCount = 3; // field value 3 is not used

constexpr unsigned baudIndex(std::uint8_t settings) { return settings & kBaudMask; }
constexpr unsigned dataBitsBit(std::uint8_t settings) { return (settings & kDataBits8) ? 1 : 0; }
constexpr unsigned parity(std::uint8_t settings) { return (settings & kParityMask) >> kParityShift; }
constexpr unsigned stopBitsBit(std::uint8_t settings) { return (settings & kStopBits2) ? 1 : 0; }

constexpr std::uint8_t withBaudIndex(std::uint8_t settings, unsigned index)
{
    return static_cast<std::uint8_t>((settings & ~kBaudMask) | (index & kBaudMask));
}
constexpr std::uint8_t withDataBitsBit(std::uint8_t settings, unsigned bit)
{
    return static_cast<std::uint8_t>(bit ? (settings | kDataBits8) : (settings & ~kDataBits8));
}
constexpr std::uint8_t withParity(std::uint8_t settings, unsigned value)
{
    return static_cast<std::uint8_t>((settings & ~kParityMask) |
                                     ((value << kParityShift) & kParityMask));
}
constexpr std::uint8_t withStopBitsBit(std::uint8_t settings, unsigned bit)
{
    return static_cast<std::uint8_t>(bit ? (settings | kStopBits2) : (settings & ~kStopBits2));
}

// --- Baud rates ---------------------------------------------------------------
// The rates of baud indexes 0 to 9; indexes 10-15 have no rate.
constexpr std::array<long, 10> kBaudRates = {150, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600};
constexpr unsigned kHighestBaudIndex = kBaudMask; // the field holds 0-15

// The baud index of an accepted INI rate, none for any other number.
std::optional<unsigned> baudIndexForRate(long rate) noexcept;
// The data-bits bit for an accepted count (7 -> 0, 8 -> 1).
std::optional<unsigned> dataBitsBitForCount(long count) noexcept;
// The stop-bits bit for an accepted count (1 -> 0, 2 -> 1).
std::optional<unsigned> stopBitsBitForCount(long count) noexcept;
constexpr long kFirstDataBits = 7;
constexpr long kFirstStopBits = 1;

// Matches an INI parity value against the host's three texts (none over 4
// characters, odd over 3, even over 4, in that order); a null text never
// matches.
std::optional<unsigned> matchParity(const char* value,
                                    const std::array<const char*, kParityCount>& texts) noexcept;

// --- INI keys -------------------------------------------------------------------
// The four values an INI section gives for the keys "BaudRate", "DataBits",
// "Parity" and "StopBits" (the numbers as the profile functions read them,
// the parity text zero-terminated).
struct IniValues {
    long baudRate;
    long dataBits;
    const char* parity;
    long stopBits;
};
struct IniLoad {
    std::uint8_t settings; // every accepted value in its field, the others kept
    bool accepted;         // all four values were accepted
};
IniLoad applyIniValues(std::uint8_t settings, const IniValues& values,
                       const std::array<const char*, kParityCount>& parityTexts) noexcept;

// What the keys "BaudRate" and "Parity" are written as: the host's INI text
// of the baud index (none for an index without a rate or a missing table)
// and its text of the parity (none for the unused value 3).
const char* iniBaudText(const char* const* iniBaudTexts, unsigned index) noexcept;
const char* iniParityText(const std::array<const char*, kParityCount>& parityTexts, unsigned value) noexcept;

// --- Stepping a baud index ------------------------------------------------------
// Wraps a stepped index into lowest..highest: below -> highest, above -> lowest.
int wrapIndex(long long index, int lowest, int highest) noexcept;

// The port dialog offers 9600, 19200 and 38400 baud only.
constexpr int kPortDialogLowestBaud = 6;
constexpr int kPortDialogHighestBaud = 8;

// --- Ports ----------------------------------------------------------------------
constexpr unsigned kPortCount = 4;
constexpr unsigned kNoPort = 8;
using PortAvailability = std::array<bool, kPortCount>;

constexpr bool isPortIndex(std::uint32_t index) { return index < kPortCount; }
// First available port in the cyclic order current, current+1, ..., 3, 0, ...;
// kNoPort when none is; a current index outside 0-3 comes back unchanged.
std::uint32_t searchPort(std::uint32_t current, const PortAvailability& available) noexcept;
bool anyAvailable(const PortAvailability& available) noexcept;

// --- Port messages ----------------------------------------------------------------
// "<no ports text> <port number>" (the text ends with a space, so two stand
// before the number). Always terminated, cut to fit `size`; returns `out`.
char* formatNoPortsMessage(char* out, std::size_t size, const char* noPortsText,
                           std::uint32_t currentPort) noexcept;
// "COM <old> <unavailable text>.\n<switching text><new>" (port numbers 1-based).
char* formatSwitchMessage(char* out, std::size_t size, std::uint32_t oldPort,
                          const char* unavailableText, const char* switchingText,
                          std::uint32_t newPort) noexcept;

// The host's display text of a baud index: "" for a missing table, a negative
// index or a missing entry.
const char* baudDisplayText(const char* const* texts, long index) noexcept;

} // namespace w32k::comm
