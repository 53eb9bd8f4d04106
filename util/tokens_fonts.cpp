// GetNextToken and the font description conversions.
#include "util/font_core.h"
#include "util/token_core.h"
#include "w32korutil1.h"

#include <cstring>

namespace w32k {

namespace {

static_assert(sizeof(LOGFONTA) == sizeof(core::Font32), "LOGFONTA layout");
static_assert(sizeof(LogFont16) == sizeof(core::Font16), "LogFont16 layout");
static_assert(offsetof(LOGFONTA, lfFaceName) == offsetof(core::Font32, faceName), "face name");

// The conversion results: each conversion overwrites its own buffer.
LogFont16 g_font16{};
LOGFONTA g_font32{};

} // namespace

} // namespace w32k

extern "C" {

LPSTR WINAPI GetNextToken(LPSTR token, LPSTR* cursor, LPCSTR delimiters, int maximum)
{
    const char* position = cursor ? *cursor : nullptr;
    const std::size_t kept = maximum > 0 ? static_cast<std::size_t>(maximum) : 0;
    char* result = w32k::core::nextToken(token, &position, delimiters, kept);
    if (cursor && token)
        *cursor = const_cast<char*>(position); // the host's own text
    return result;
}

LogFont16* WINAPI LogFont32to16(const LOGFONTA* font)
{
    if (!font)
        return nullptr;
    w32k::core::Font32 from;
    std::memcpy(&from, font, sizeof from);
    const w32k::core::Font16 to = w32k::core::toFont16(from);
    std::memcpy(&w32k::g_font16, &to, sizeof to);
    return &w32k::g_font16;
}

LOGFONTA* WINAPI LogFont16to32(const LogFont16* font)
{
    if (!font)
        return nullptr;
    w32k::core::Font16 from;
    std::memcpy(&from, font, sizeof from);
    const w32k::core::Font32 to = w32k::core::toFont32(from);
    std::memcpy(&w32k::g_font32, &to, sizeof to);
    return &w32k::g_font32;
}

} // extern "C"
