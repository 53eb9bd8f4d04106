// Fuzz target: the token splitter. The input is "<maximum><delimiters>\0<text>":
// the first byte is the token buffer's capacity, the bytes up to the first
// NUL are the delimiters, the rest is the text (made zero-terminated). The
// token buffer holds exactly maximum + 1 bytes.
#include "util/token_core.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t maximum = data[0];
    const char* rest = reinterpret_cast<const char*>(data + 1);
    const std::size_t restSize = size - 1;
    const void* nul = std::memchr(rest, '\0', restSize);
    const std::size_t delimiterLength =
        nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - rest) : restSize;
    const std::string delimiters(rest, delimiterLength);
    const std::size_t textStart = nul ? delimiterLength + 1 : restSize;
    // The text in a block of its own length plus the zero.
    const std::size_t textLength = restSize - textStart;
    const auto text = std::make_unique<char[]>(textLength + 1);
    std::memcpy(text.get(), rest + textStart, textLength);
    text[textLength] = '\0';
    const auto token = std::make_unique<char[]>(maximum + 1);

    // Once with the delimiters, once with none (a null delimiter set).
    for (const char* set : {delimiters.c_str(), static_cast<const char*>(nullptr)}) {
        const char* cursor = text.get();
        const char* end = text.get() + std::strlen(text.get());
        while (cursor) {
            const char* before = cursor;
            char* got = w32k::core::nextToken(token.get(), &cursor, set, maximum);
            if (!got) {
                if (cursor)
                    std::abort(); // the end of the text ends the walk
                break;
            }
            // Every call moves on, stays within the text and keeps the token
            // within its buffer.
            if (got != token.get() || std::strlen(got) > maximum || cursor <= before ||
                cursor > end)
                std::abort();
        }
    }
    return 0;
}
