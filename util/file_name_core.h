// Path pieces of the file helpers: directory parts and the names of a
// module's companion files. Platform-free.
#pragma once

#include <cstddef>
#include <string_view>

namespace w32k::core {

// Length of the directory part of path: up to and including its last '\' or
// ':' (0 when it has neither).
std::size_t directoryLength(std::string_view path) noexcept;

// The bare name of a module's companion file: the file-name part of
// modulePath (behind its last '\') cut behind its last '.' (the dot stays)
// with extension appended; a name without a dot gets the extension appended
// directly ("D:\APP\TOOL.EXE" -> "TOOL.ini", "D:\APP\TOOL" -> "TOOLini").
// Written zero-terminated into out; false (out untouched) when it does not
// fit into size bytes.
bool companionFileName(std::string_view modulePath, std::string_view extension, char* out,
                       std::size_t size) noexcept;

} // namespace w32k::core
