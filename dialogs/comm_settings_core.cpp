#include "dialogs/comm_settings_core.h"

#include <charconv>
#include <cstdio>
#include <cstring>

namespace w32k::comm {

namespace {

// Decimal text of a 1-based port number; the widening keeps an index of
// 0xFFFFFFFF from printing as 0.
struct PortNumberText {
    explicit PortNumberText(std::uint32_t index) noexcept
    {
        const auto number = static_cast<unsigned long long>(index) + 1;
        const auto end = std::to_chars(text, text + sizeof text - 1, number).ptr;
        *end = '\0';
    }
    char text[24] = {};
};

const char* orEmpty(const char* text) noexcept
{
    return text ? text : "";
}

// The number of characters compared for each parity text.
constexpr std::array<std::size_t, kParityCount> kParityCompareLength = {4, 3, 4};

} // namespace

std::optional<unsigned> baudIndexForRate(long rate) noexcept
{
    for (unsigned i = 0; i < kBaudRates.size(); ++i) {
        if (kBaudRates[i] == rate)
            return i;
    }
    return std::nullopt;
}

std::optional<unsigned> dataBitsBitForCount(long count) noexcept
{
    if (count == kFirstDataBits || count == kFirstDataBits + 1)
        return static_cast<unsigned>(count - kFirstDataBits);
    return std::nullopt;
}

std::optional<unsigned> stopBitsBitForCount(long count) noexcept
{
    if (count == kFirstStopBits || count == kFirstStopBits + 1)
        return static_cast<unsigned>(count - kFirstStopBits);
    return std::nullopt;
}

std::optional<unsigned> matchParity(const char* value,
                                    const std::array<const char*, kParityCount>& texts) noexcept
{
    if (!value)
        return std::nullopt;
    for (unsigned i = 0; i < kParityCount; ++i) {
        if (texts[i] && std::strncmp(value, texts[i], kParityCompareLength[i]) == 0)
            return i;
    }
    return std::nullopt;
}

IniLoad applyIniValues(std::uint8_t settings, const IniValues& values,
                       const std::array<const char*, kParityCount>& parityTexts) noexcept
{
    bool accepted = true;
    // Sets one field from a value read, or keeps it and notes the refusal.
    const auto take = [&](std::optional<unsigned> field, std::uint8_t (*with)(std::uint8_t, unsigned)) {
        if (field)
            settings = with(settings, *field);
        accepted = accepted && field.has_value();
    };
    take(baudIndexForRate(values.baudRate), withBaudIndex);
    take(dataBitsBitForCount(values.dataBits), withDataBitsBit);
    take(matchParity(values.parity, parityTexts), withParity);
    take(stopBitsBitForCount(values.stopBits), withStopBitsBit);
    return IniLoad{settings, accepted};
}

const char* iniBaudText(const char* const* iniBaudTexts, unsigned index) noexcept
{
    return iniBaudTexts && index < kBaudRates.size() ? iniBaudTexts[index] : nullptr;
}

const char* iniParityText(const std::array<const char*, kParityCount>& parityTexts, unsigned value) noexcept
{
    return value < kParityCount ? parityTexts[value] : nullptr;
}

int wrapIndex(long long index, int lowest, int highest) noexcept
{
    if (index < lowest)
        return highest;
    if (index > highest)
        return lowest;
    return static_cast<int>(index);
}

std::uint32_t searchPort(std::uint32_t current, const PortAvailability& available) noexcept
{
    if (!isPortIndex(current))
        return current;
    for (unsigned step = 0; step < kPortCount; ++step) {
        const std::uint32_t port = (current + step) % kPortCount;
        if (available[port])
            return port;
    }
    return kNoPort;
}

bool anyAvailable(const PortAvailability& available) noexcept
{
    for (bool port : available) {
        if (port)
            return true;
    }
    return false;
}

char* formatNoPortsMessage(char* out, std::size_t size, const char* noPortsText,
                           std::uint32_t currentPort) noexcept
{
    if (!out || size == 0)
        return out;
    std::snprintf(out, size, "%s %s", orEmpty(noPortsText), PortNumberText(currentPort).text);
    return out;
}

char* formatSwitchMessage(char* out, std::size_t size, std::uint32_t oldPort, const char* unavailableText,
                          const char* switchingText, std::uint32_t newPort) noexcept
{
    if (!out || size == 0)
        return out;
    std::snprintf(out, size, "COM %s %s.\n%s%s", PortNumberText(oldPort).text, orEmpty(unavailableText),
                  orEmpty(switchingText), PortNumberText(newPort).text);
    return out;
}

const char* baudDisplayText(const char* const* texts, long index) noexcept
{
    if (!texts || index < 0)
        return "";
    return orEmpty(texts[index]);
}

} // namespace w32k::comm
