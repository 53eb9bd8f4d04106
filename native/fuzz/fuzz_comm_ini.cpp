// Fuzz target: the communication settings an INI section gives
// (LoadIniCommParams) and what is written for them (WriteIniCommParams).
// Input: the settings byte, the numbers for "BaudRate", "DataBits" and
// "StopBits" (4 bytes each, as the profile functions return them), the
// host's three parity texts (a length byte, 255 for none, and the
// characters each), then the "Parity" value (at most 49 characters, as read
// into the 50-character buffer). Every text lives in a block of exactly its
// length plus the zero, so reading past one is caught.
#include "fuzz_input.h"
#include "dialogs/comm_settings_core.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

using w32kfuzz::check;
using w32kfuzz::Input;

namespace comm = w32k::comm;

// A zero-terminated text in a block of exactly its size.
class Text {
public:
    explicit Text(const std::string& text) : block_(std::make_unique<char[]>(text.size() + 1))
    {
        std::memcpy(block_.get(), text.c_str(), text.size() + 1);
    }
    const char* get() const { return block_.get(); }

private:
    std::unique_ptr<char[]> block_;
};

constexpr std::size_t kParityValueChars = 49;
constexpr std::uint8_t kNoText = 0xFF;
constexpr std::size_t kParityTextChars = 8;
constexpr std::array<std::size_t, comm::kParityCount> kCompared = {4, 3, 4};

// The decimal number a written text reads back as.
long readBack(const char* text)
{
    return std::strtol(text, nullptr, 10);
}

void checkLoad(std::uint8_t settings, const comm::IniValues& values,
               const std::array<const char*, comm::kParityCount>& texts)
{
    const comm::IniLoad load = comm::applyIniValues(settings, values, texts);
    const auto baud = comm::baudIndexForRate(values.baudRate);
    const auto data = comm::dataBitsBitForCount(values.dataBits);
    const auto parity = comm::matchParity(values.parity, texts);
    const auto stop = comm::stopBitsBitForCount(values.stopBits);
    // Each field takes its accepted value or stays; nothing else changes.
    check(comm::baudIndex(load.settings) == (baud ? *baud : comm::baudIndex(settings)));
    check(comm::dataBitsBit(load.settings) == (data ? *data : comm::dataBitsBit(settings)));
    check(comm::parity(load.settings) == (parity ? *parity : comm::parity(settings)));
    check(comm::stopBitsBit(load.settings) == (stop ? *stop : comm::stopBitsBit(settings)));
    check(load.accepted == (baud && data && parity && stop));
    if (baud)
        check(comm::kBaudRates[*baud] == values.baudRate);
    if (parity) {
        const char* text = texts[*parity];
        check(text && std::strncmp(values.parity, text, kCompared[*parity]) == 0);
    }
}

// Writing a settings byte and reading the section back gives the byte again
// when the INI baud texts are the rates; a parity reads back as itself or an
// earlier parity whose text begins alike.
void checkWrittenReadsBack(std::uint8_t settings, const std::array<const char*, comm::kParityCount>& texts)
{
    static const std::array<std::string, comm::kBaudRates.size()> rates = [] {
        std::array<std::string, comm::kBaudRates.size()> r;
        for (std::size_t i = 0; i < r.size(); ++i)
            r[i] = std::to_string(comm::kBaudRates[i]);
        return r;
    }();
    std::array<const char*, comm::kBaudRates.size()> iniBaudTexts{};
    for (std::size_t i = 0; i < rates.size(); ++i)
        iniBaudTexts[i] = rates[i].c_str();
    const char* baudText = comm::iniBaudText(iniBaudTexts.data(), comm::baudIndex(settings));
    const char* parityText = comm::iniParityText(texts, comm::parity(settings));
    check((baudText != nullptr) == (comm::baudIndex(settings) < comm::kBaudRates.size()));
    check(comm::iniBaudText(nullptr, comm::baudIndex(settings)) == nullptr);
    if (!baudText || !parityText)
        return; // nothing is written for the key: the write fails
    const std::string dataBits = std::to_string(comm::kFirstDataBits + comm::dataBitsBit(settings));
    const std::string stopBits = std::to_string(comm::kFirstStopBits + comm::stopBitsBit(settings));
    // The value is read back into a buffer of 50 characters.
    const Text parityValue(std::string(parityText).substr(0, kParityValueChars));
    const comm::IniValues values{readBack(baudText), readBack(dataBits.c_str()), parityValue.get(),
                                 readBack(stopBits.c_str())};
    const comm::IniLoad load = comm::applyIniValues(static_cast<std::uint8_t>(~settings), values, texts);
    check(load.accepted);
    check(comm::baudIndex(load.settings) == comm::baudIndex(settings));
    check(comm::dataBitsBit(load.settings) == comm::dataBitsBit(settings));
    check(comm::stopBitsBit(load.settings) == comm::stopBitsBit(settings));
    check(comm::parity(load.settings) <= comm::parity(settings));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input in(data, size);
    const std::uint8_t settings = in.byte();
    const long baudRate = in.number();
    const long dataBits = in.number();
    const long stopBits = in.number();
    std::array<std::unique_ptr<Text>, comm::kParityCount> hostTexts;
    std::array<const char*, comm::kParityCount> texts{};
    for (std::size_t i = 0; i < comm::kParityCount; ++i) {
        const std::uint8_t length = in.byte();
        if (length == kNoText)
            continue;
        hostTexts[i] = std::make_unique<Text>(in.text(length % (kParityTextChars + 1)));
        texts[i] = hostTexts[i]->get();
    }
    const std::uint8_t valueLength = in.byte();
    const Text parity(in.text(valueLength % (kParityValueChars + 1)));

    checkLoad(settings, {baudRate, dataBits, parity.get(), stopBits}, texts);
    checkLoad(settings, {baudRate, dataBits, nullptr, stopBits}, texts);
    checkWrittenReadsBack(settings, texts);
    return 0;
}
