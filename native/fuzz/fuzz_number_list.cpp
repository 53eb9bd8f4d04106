// Fuzz target: INI number lists and version texts. The first byte chooses
// the size of the list (the elements the caller has), the rest is the text.
// The list lives in a block of exactly that many elements, so a write past
// it is caught by AddressSanitizer.
#include "util/number_list_core.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace w32k::core;
    if (size == 0)
        return 0;
    const std::size_t count = kListMinimum + data[0] % 64;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    const auto list = std::make_unique<std::int32_t[]>(count);
    const NumberListResult result = parseNumberList(text, list.get(), count);
    // The numbers stored fit the elements behind the counts, and a complete
    // parse stored one number more than it saw separators.
    if (result.numbers > count - kListFirstNumber || list[kListGroups] < 1 || list[kListItems] < 1)
        std::abort();
    if (result.complete && result.numbers == 0)
        std::abort();
    versionFromNumberList(list.get(), result.numbers);

    numberFromToken(text);
    // A list too small is refused without a write.
    std::int32_t tooSmall[kListMinimum - 1] = {7, 7};
    if (parseNumberList(text, tooSmall, kListMinimum - 1).numbers != 0 || tooSmall[0] != 7)
        std::abort();
    return 0;
}
