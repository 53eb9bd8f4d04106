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

// Each reader changes its own field when the value is accepted and reports
// whether it was.
bool readBaudRate(const CommParameters& record, std::uint8_t& settings) noexcept
{
    const auto index = baudIndexForRate(readNumber(record, kBaudRateKey, baudIndex(settings)));
    if (index)
        settings = withBaudIndex(settings, *index);
    return index.has_value();
}

bool readDataBits(const CommParameters& record, std::uint8_t& settings) noexcept
{
    const auto bit = dataBitsBitForCount(readNumber(record, kDataBitsKey, dataBitsBit(settings)));
    if (bit)
        settings = withDataBitsBit(settings, *bit);
    return bit.has_value();
}

bool readParity(const CommParameters& record, std::uint8_t& settings) noexcept
{
    const auto texts = parityTexts(record);
    std::array<char, kParityValueSize> value{};
    GetPrivateProfileStringA(record.iniSection, kParityKey, texts[kParityNone] ? texts[kParityNone] : "",
                             value.data(), kParityValueSize, record.iniFile);
    const auto match = matchParity(value.data(), texts);
    if (match)
        settings = withParity(settings, *match);
    return match.has_value();
}

bool readStopBits(const CommParameters& record, std::uint8_t& settings) noexcept
{
    const auto bit = stopBitsBitForCount(readNumber(record, kStopBitsKey, stopBitsBit(settings)));
    if (bit)
        settings = withStopBitsBit(settings, *bit);
    return bit.has_value();
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

// Indexes 10-15 have no rate and parity 3 no text: nothing is written for
// them and the write counts as failed.
const char* iniBaudText(const CommParameters& record, unsigned index) noexcept
{
    return record.iniBaudTexts && index < kBaudRates.size() ? record.iniBaudTexts[index] : nullptr;
}

const char* parityText(const CommParameters& record, unsigned value) noexcept
{
    return value < kParityCount ? parityTexts(record)[value] : nullptr;
}

} // namespace

} // namespace w32k

extern "C" {

int WINAPI LoadIniCommParams(CommParameters* record)
{
    using namespace w32k;
    if (!canUseIni(record))
        return kResultRefused;
    std::uint8_t settings = *record->settings;
    bool accepted = readBaudRate(*record, settings);
    accepted = readDataBits(*record, settings) && accepted;
    accepted = readParity(*record, settings) && accepted;
    accepted = readStopBits(*record, settings) && accepted;
    *record->settings = settings;
    return accepted ? kResultAccepted : kResultRefused;
}

int WINAPI WriteIniCommParams(CommParameters* record)
{
    using namespace w32k;
    if (!canUseIni(record))
        return kResultRefused;
    const std::uint8_t settings = *record->settings;
    bool written = writeText(*record, kBaudRateKey, iniBaudText(*record, comm::baudIndex(settings)));
    written = writeNumber(*record, kDataBitsKey, comm::kFirstDataBits + comm::dataBitsBit(settings)) &&
              written;
    written = writeText(*record, kParityKey, parityText(*record, comm::parity(settings))) && written;
    written = writeNumber(*record, kStopBitsKey, comm::kFirstStopBits + comm::stopBitsBit(settings)) &&
              written;
    return written ? kResultAccepted : kResultRefused;
}

} // extern "C"
