#include "util/token_core.h"

#include <algorithm>
#include <cstring>

namespace w32k::core {

char* nextToken(char* token, const char** cursor, const char* delimiters,
                std::size_t maximum) noexcept
{
    if (!token || !cursor || !*cursor)
        return nullptr;
    const char* text = *cursor;
    if (*text == '\0') {
        *cursor = nullptr;
        return nullptr;
    }
    token[0] = '\0';
    const std::size_t span = delimiters ? std::strcspn(text, delimiters) : std::strlen(text);
    if (span == 0) {
        *cursor = text + 1;
        return token;
    }
    const std::size_t kept = std::min(span, maximum);
    std::memcpy(token, text, kept);
    token[kept] = '\0';
    text += span;
    if (*text != '\0')
        ++text; // the delimiter that ended the token
    *cursor = text;
    return token;
}

} // namespace w32k::core
