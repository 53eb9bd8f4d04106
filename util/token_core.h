// Splitting a text into tokens without changing it. Platform-free.
#pragma once

#include <cstddef>

namespace w32k::core {

// The token at *cursor: the characters up to the next character of
// delimiters (none when delimiters is null), at most maximum of them, copied
// into token (maximum + 1 bytes) and terminated. *cursor moves behind the
// whole token and one delimiter. A cursor on a delimiter gives an empty
// token. Returns token, or null when *cursor is null or at the end of the
// text (*cursor then becomes null) or when token is null (nothing changes).
char* nextToken(char* token, const char** cursor, const char* delimiters,
                std::size_t maximum) noexcept;

} // namespace w32k::core
