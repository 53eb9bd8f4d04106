#include "support/pe_image.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>

namespace w32ktest {

namespace {

class Reader {
public:
    explicit Reader(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    template <typename T>
    bool read(size_t offset, T& out) const
    {
        if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T))
            return false;
        std::memcpy(&out, bytes_.data() + offset, sizeof(T));
        return true;
    }

    std::string cstring(size_t offset) const
    {
        std::string s;
        while (offset < bytes_.size() && bytes_[offset] != 0)
            s.push_back(static_cast<char>(bytes_[offset++]));
        return s;
    }

private:
    std::vector<uint8_t> bytes_;
};

struct Section {
    uint32_t va, size, raw;
};

class Image {
public:
    Image(const Reader& r, std::vector<Section> sections) : r_(r), sections_(std::move(sections)) {}

    // File offset of a relative virtual address; nullopt outside every section.
    std::optional<size_t> offset(uint32_t rva) const
    {
        for (const auto& s : sections_)
            if (rva >= s.va && rva < s.va + s.size)
                return size_t{rva - s.va + s.raw};
        return std::nullopt;
    }

    template <typename T>
    bool at(uint32_t rva, T& out) const
    {
        auto off = offset(rva);
        return off && r_.read(*off, out);
    }

    std::string name(uint32_t rva) const
    {
        auto off = offset(rva);
        return off ? r_.cstring(*off) : std::string();
    }

private:
    const Reader& r_;
    std::vector<Section> sections_;
};

std::string upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
    return s;
}

bool readExports(const Image& img, uint32_t dirRva, PeImage& pe)
{
    if (dirRva == 0)
        return true;
    struct {
        uint32_t flags, time;
        uint16_t major, minor;
        uint32_t name, base, functionCount, nameCount, functions, names, nameOrdinals;
    } dir{};
    if (!img.at(dirRva, dir))
        return false;
    std::map<uint16_t, std::string> names;
    for (uint32_t i = 0; i < dir.nameCount; ++i) {
        uint32_t nameRva = 0;
        uint16_t index = 0;
        if (!img.at(dir.names + 4 * i, nameRva) || !img.at(dir.nameOrdinals + 2 * i, index))
            return false;
        names[index] = img.name(nameRva);
    }
    for (uint32_t i = 0; i < dir.functionCount; ++i) {
        uint32_t address = 0;
        if (!img.at(dir.functions + 4 * i, address))
            return false;
        if (address == 0)
            continue; // empty slot
        auto it = names.find(static_cast<uint16_t>(i));
        pe.exports.push_back({static_cast<uint16_t>(dir.base + i), it == names.end() ? "" : it->second});
    }
    return true;
}

bool readImports(const Image& img, uint32_t dirRva, PeImage& pe)
{
    for (uint32_t entry = dirRva; dirRva != 0; entry += 20) {
        uint32_t lookup = 0, name = 0, thunks = 0;
        if (!img.at(entry, lookup) || !img.at(entry + 12, name) || !img.at(entry + 16, thunks))
            return false;
        if (name == 0)
            break;
        auto& list = pe.imports[upper(img.name(name))];
        const uint32_t table = lookup ? lookup : thunks;
        for (uint32_t t = table;; t += pe.is64 ? 8 : 4) {
            uint64_t value = 0;
            if (pe.is64) {
                if (!img.at(t, value))
                    return false;
            } else {
                uint32_t v32 = 0;
                if (!img.at(t, v32))
                    return false;
                value = v32;
            }
            if (value == 0)
                break;
            const uint64_t ordinalFlag = pe.is64 ? (1ull << 63) : (1ull << 31);
            if (value & ordinalFlag)
                list.push_back({"", static_cast<uint16_t>(value & 0xFFFF)});
            else
                list.push_back({img.name(static_cast<uint32_t>(value) + 2), 0});
        }
    }
    return true;
}

} // namespace

std::optional<PeImage> readPeImage(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    Reader r(std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {}));

    uint32_t peOffset = 0, signature = 0;
    if (!r.read(0x3C, peOffset) || !r.read(peOffset, signature) || signature != 0x00004550)
        return std::nullopt;
    PeImage pe;
    uint16_t sectionCount = 0, optionalSize = 0, magic = 0;
    const size_t fileHeader = peOffset + 4;
    if (!r.read(fileHeader, pe.machine) || !r.read(fileHeader + 2, sectionCount) ||
        !r.read(fileHeader + 16, optionalSize))
        return std::nullopt;
    const size_t optional = fileHeader + 20;
    if (!r.read(optional, magic))
        return std::nullopt;
    pe.is64 = magic == 0x20B;
    const size_t directories = optional + (pe.is64 ? 112 : 96);
    uint32_t exportRva = 0, importRva = 0;
    if (!r.read(directories, exportRva) || !r.read(directories + 8, importRva))
        return std::nullopt;

    std::vector<Section> sections;
    const size_t table = optional + optionalSize;
    for (uint16_t i = 0; i < sectionCount; ++i) {
        Section s{};
        uint32_t virtualSize = 0, rawSize = 0;
        const size_t h = table + 40u * i;
        if (!r.read(h + 8, virtualSize) || !r.read(h + 12, s.va) || !r.read(h + 16, rawSize) ||
            !r.read(h + 20, s.raw))
            return std::nullopt;
        s.size = std::max(virtualSize, rawSize);
        sections.push_back(s);
    }
    Image img(r, sections);
    if (!readExports(img, exportRva, pe) || !readImports(img, importRva, pe))
        return std::nullopt;
    return pe;
}

} // namespace w32ktest
