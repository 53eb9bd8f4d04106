// The export and import tables of a DLL file (PE32 or PE32+), mapped as an
// image resource without running it, so the 32-bit product can be inspected here too.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace w32ktest {

struct PeExport {
    uint16_t ordinal;
    std::string name; // empty for an export by ordinal only
};

struct PeImport {
    std::string name;     // empty when imported by ordinal
    uint16_t ordinal = 0; // valid when name is empty
};

struct PeImage {
    uint16_t machine = 0;
    std::vector<PeExport> exports;
    std::map<std::string, std::vector<PeImport>> imports; // by DLL name, upper case
};

// nullopt when the file is missing or not an image.
std::optional<PeImage> readPeImage(const std::string& path);

} // namespace w32ktest
