// The line settings byte in an INI section (LoadIniCommParams,
// WriteIniCommParams): keys "BaudRate", "DataBits", "Parity", "StopBits".
#include "dialogs/comm_settings_core.h"
#include "w32korutil1.h"

#include <array>
#include <cstdio>

namespace w32k {

namespace {

using namespace comm;

constexpr const char* kBaudRateKey = "BaudRate";
constexpr const char* kDataBitsKey = "DataBits";
constexpr const char* kParityKey = "Parity";
constexpr const char* kStopBitsKey = "StopBits";
constexpr DWORD kParityValueSize = 50; // at most 49 characters are read
constexpr int kResultAccepted = 0;
constexpr int kResultRefused = 1;

// The INI routines need the settings byte and a named file and section: a
// null file name would address the system's own profile instead.
bool canUseIni(const CommParameters* record) noexcept
{
    return record && record->settings && record->iniFile && record->iniSection;
}

std::array<const char*, kParityCount> parityTexts(const CommParameters& record) noexcept
{
    if (!record.parityTexts)
        return {};
    return {record.parityTexts[0], record.parityTexts[1], record.parityTexts[2]};
}

long readNumber(const CommParameters& record, const char* key, unsigned fallback) noexcept
{
    return static_cast<INT>(GetPrivateProfileIntA(record.iniSection, key, static_cast<INT>(fallback),
                                                  record.iniFile));
}

bool writeText(const CommParameters& record, const char* key, const char* text) noexcept
{
    return text && WritePrivateProfileStringA(record.iniSection, key, text, record.iniFile);
}

bool writeNumber(const CommParameters& record, const char* key, long number) noexcept
{
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "%ld", number);
    return writeText(record, key, text.data());
}

} // namespace

} // namespace w32k

extern "C" {

int WINAPI LoadIniCommParams(CommParameters* record)
{
    using namespace w32k;
    if (!canUseIni(record))
        return kResultRefused;
    // Each key's default is its field's present value; a refused value
    // leaves its field (and only its field) as it was.
    const std::uint8_t settings = *record->settings;
    const auto texts = parityTexts(*record);
    const long baudRate = readNumber(*record, kBaudRateKey, baudIndex(settings));
    const long dataBits = readNumber(*record, kDataBitsKey, dataBitsBit(settings));
    std::array<char, kParityValueSize> parity{};
    GetPrivateProfileStringA(record->iniSection, kParityKey, texts[kParityNone] ? texts[kParityNone] : "",
                             parity.data(), kParityValueSize, record->iniFile);
    const long stopBits = readNumber(*record, kStopBitsKey, stopBitsBit(settings));
    const IniLoad load = applyIniValues(settings, {baudRate, dataBits, parity.data(), stopBits}, texts);
    *record->settings = load.settings;
    return load.accepted ? kResultAccepted : kResultRefused;
}

int WINAPI WriteIniCommParams(CommParameters* record)
{
    using namespace w32k;
    if (!canUseIni(record))
        return kResultRefused;
    const std::uint8_t settings = *record->settings;
    // Indexes 10-15 have no rate and parity 3 no text: nothing is written
    // for them and the write counts as failed.
    const char* baudText = comm::iniBaudText(record->iniBaudTexts, comm::baudIndex(settings));
    const char* parityText = comm::iniParityText(parityTexts(*record), comm::parity(settings));
    bool written = writeText(*record, kBaudRateKey, baudText);
    written = writeNumber(*record, kDataBitsKey, comm::kFirstDataBits + comm::dataBitsBit(settings)) &&
              written;
    written = writeText(*record, kParityKey, parityText) && written;
    written = writeNumber(*record, kStopBitsKey, comm::kFirstStopBits + comm::stopBitsBit(settings)) &&
              written;
    return written ? kResultAccepted : kResultRefused;
}

} // extern "C"
