#include "util/file_name_core.h"

#include <cstring>

namespace w32k::core {

std::size_t directoryLength(std::string_view path) noexcept
{
    const std::size_t last = path.find_last_of("\\:");
    return last == std::string_view::npos ? 0 : last + 1;
}

bool companionFileName(std::string_view modulePath, std::string_view extension, char* out,
                       std::size_t size) noexcept
{
    std::string_view name = modulePath;
    const std::size_t slash = name.rfind('\\');
    if (slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos)
        name = name.substr(0, dot + 1);
    if (!out || name.size() + extension.size() + 1 > size)
        return false;
    std::memcpy(out, name.data(), name.size());
    std::memcpy(out + name.size(), extension.data(), extension.size());
    out[name.size() + extension.size()] = '\0';
    return true;
}

} // namespace w32k::core
