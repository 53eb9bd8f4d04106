// Number lists from INI values, module versions, and the files found along
// the system search path: FindFile and the help and INI file names.
#include "util/file_name_core.h"
#include "util/number_list_core.h"
#include "w32korutil1.h"

#include <cstring>
#include <memory>
#include <new>

namespace w32k {

namespace {

static_assert(sizeof(int) == sizeof(std::int32_t), "number lists hold 32-bit integers");

// The INI value's buffer, and the smaller one used when it cannot be had.
constexpr DWORD kIniValueSize = 4096;
constexpr DWORD kFallbackValueSize = 256;
char g_fallbackValue[kFallbackValueSize];

// The version string: string resource 1 of a module, parsed into 8 elements.
constexpr UINT kVersionStringId = 1;
constexpr int kVersionTextSize = 20;
constexpr std::size_t kVersionListSize = 8;

constexpr char kHelpExtension[] = "hlp";
constexpr char kIniExtension[] = "ini";

int parseIntoList(std::string_view text, int* list, int count) noexcept
{
    const core::NumberListResult result =
        core::parseNumberList(text, reinterpret_cast<std::int32_t*>(list),
                              static_cast<std::size_t>(count));
    return result.complete ? 0 : 1;
}

// Reads the INI value (text is its default) and parses it.
int parseIniValue(LPCSTR file, LPCSTR section, LPCSTR key, LPCSTR text, int* list,
                  int count) noexcept
{
    std::unique_ptr<char[]> block(new (std::nothrow) char[kIniValueSize]);
    char* value = block ? block.get() : g_fallbackValue;
    const DWORD size = block ? kIniValueSize : kFallbackValueSize;
    const DWORD length = GetPrivateProfileStringA(section, key, text, value, size, file);
    if (length == 0)
        return 1;
    return parseIntoList(std::string_view(value, length), list, count);
}

// The module's companion file <name>.<extension>, searched like FindFile.
BOOL findCompanionFile(HMODULE module, LPSTR buffer, int size, const char* extension) noexcept
{
    if (!buffer || size <= 0)
        return FALSE;
    const DWORD length = GetModuleFileNameA(module, buffer, static_cast<DWORD>(size));
    if (length == 0 || length >= static_cast<DWORD>(size))
        return FALSE; // no module, or its path does not fit
    char name[W32K_FINDFILE_LIMIT];
    if (!core::companionFileName(std::string_view(buffer, length), extension, name, sizeof name))
        return FALSE;
    const std::size_t nameSize = std::strlen(name) + 1;
    if (nameSize > static_cast<std::size_t>(size))
        return FALSE;
    std::memcpy(buffer, name, nameSize);
    return FindFile(buffer, size, 0);
}

} // namespace

} // namespace w32k

extern "C" {

int WINAPI GetIniRangeNumbers(LPCSTR file, LPCSTR section, LPCSTR key, LPCSTR text, int* list,
                              int count)
{
    if (count < static_cast<int>(w32k::core::kListMinimum) || !text || !list)
        return 1;
    if (file || section)
        return w32k::parseIniValue(file, section, key, text, list, count);
    return w32k::parseIntoList(text, list, count);
}

WORD WINAPI DecodeLibVersion(HMODULE module)
{
    char text[w32k::kVersionTextSize] = {};
    const int length = LoadStringA(module, w32k::kVersionStringId, text, sizeof text);
    if (length <= 0)
        return 0;
    std::int32_t list[w32k::kVersionListSize] = {};
    const w32k::core::NumberListResult parsed =
        w32k::core::parseNumberList(std::string_view(text, static_cast<std::size_t>(length)),
                                    list, w32k::kVersionListSize);
    if (!parsed.complete)
        return 0;
    return w32k::core::versionFromNumberList(list, parsed.numbers);
}

BOOL WINAPI FindFile(LPSTR name, int size, DWORD)
{
    if (!name || size <= 0 || size >= W32K_FINDFILE_LIMIT)
        return FALSE;
    const std::size_t length = strnlen(name, static_cast<std::size_t>(size));
    if (length == static_cast<std::size_t>(size))
        return FALSE; // no name within the buffer
    char ansiName[W32K_FINDFILE_LIMIT];
    OemToCharBuffA(name, ansiName, static_cast<DWORD>(length + 1));
    char found[W32K_FINDFILE_LIMIT];
    const DWORD foundLength =
        SearchPathA(nullptr, ansiName, nullptr, sizeof found, found, nullptr);
    if (foundLength == 0 || foundLength >= sizeof found)
        return FALSE;
    if (foundLength + 1 > static_cast<DWORD>(size))
        return FALSE; // the path found does not fit the caller's buffer
    CharToOemBuffA(found, name, foundLength + 1);
    return TRUE;
}

BOOL WINAPI GetHelpFileName(HMODULE module, LPSTR buffer, int size)
{
    return w32k::findCompanionFile(module, buffer, size, w32k::kHelpExtension);
}

BOOL WINAPI GetIniFileName(HMODULE module, LPSTR buffer, int size)
{
    return w32k::findCompanionFile(module, buffer, size, w32k::kIniExtension);
}

} // extern "C"
