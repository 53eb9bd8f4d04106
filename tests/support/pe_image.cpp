#include "support/pe_image.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>

namespace w32ktest {

namespace {

// A PE file's bytes; reads out of range give nothing.
class File {
public:
    explicit File(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    template <typename T>
    std::optional<T> read(size_t offset) const
    {
        T out{};
        if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T))
            return std::nullopt;
        std::memcpy(&out, bytes_.data() + offset, sizeof(T));
        return out;
    }
    // The sections, as the file offset of each relative virtual address.
    void mapSections(size_t table, uint16_t count)
    {
        for (uint16_t i = 0; i < count; ++i) {
            const size_t h = table + 40u * i;
            sections_.push_back({read<uint32_t>(h + 12).value_or(0),
                                 std::max(read<uint32_t>(h + 8).value_or(0), read<uint32_t>(h + 16).value_or(0)),
                                 read<uint32_t>(h + 20).value_or(0)});
        }
    }
    template <typename T>
    std::optional<T> at(uint32_t rva) const
    {
        for (const auto& s : sections_)
            if (rva >= s.va && rva < s.va + s.size)
                return read<T>(rva - s.va + s.raw);
        return std::nullopt;
    }
    std::string name(uint32_t rva) const
    {
        std::string s;
        for (std::optional<char> c; (c = at<char>(rva++)) && *c;)
            s.push_back(*c);
        return s;
    }

private:
    struct Section { uint32_t va, size, raw; };
    std::vector<uint8_t> bytes_;
    std::vector<Section> sections_;
};

void readExports(const File& f, uint32_t dir, PeImage& pe)
{
    const uint32_t base = f.at<uint32_t>(dir + 16).value_or(0), count = f.at<uint32_t>(dir + 20).value_or(0),
                   nameCount = f.at<uint32_t>(dir + 24).value_or(0), functions = f.at<uint32_t>(dir + 28).value_or(0),
                   names = f.at<uint32_t>(dir + 32).value_or(0), ordinals = f.at<uint32_t>(dir + 36).value_or(0);
    std::map<uint16_t, std::string> named;
    for (uint32_t i = 0; dir && i < nameCount; ++i)
        named[f.at<uint16_t>(ordinals + 2 * i).value_or(0xFFFF)] = f.name(f.at<uint32_t>(names + 4 * i).value_or(0));
    for (uint32_t i = 0; dir && i < count; ++i)
        if (f.at<uint32_t>(functions + 4 * i).value_or(0) != 0) // else an empty slot
            pe.exports.push_back({static_cast<uint16_t>(base + i), named[static_cast<uint16_t>(i)]});
}

void readImports(const File& f, uint32_t dir, PeImage& pe)
{
    const uint64_t byOrdinal = pe.is64 ? 1ull << 63 : 1ull << 31;
    for (uint32_t entry = dir; dir && f.at<uint32_t>(entry + 12).value_or(0); entry += 20) {
        std::string dll = f.name(*f.at<uint32_t>(entry + 12));
        std::transform(dll.begin(), dll.end(), dll.begin(), [](unsigned char c) { return std::toupper(c); });
        auto& list = pe.imports[dll];
        const uint32_t lookup = f.at<uint32_t>(entry).value_or(0);
        for (uint32_t t = lookup ? lookup : f.at<uint32_t>(entry + 16).value_or(0);; t += pe.is64 ? 8 : 4) {
            const uint64_t value = pe.is64 ? f.at<uint64_t>(t).value_or(0) : f.at<uint32_t>(t).value_or(0);
            if (value == 0)
                break;
            if (value & byOrdinal)
                list.push_back({"", static_cast<uint16_t>(value & 0xFFFF)});
            else
                list.push_back({f.name(static_cast<uint32_t>(value) + 2), 0});
        }
    }
}

} // namespace

std::optional<PeImage> readPeImage(const std::string& path)
{
    std::ifstream stream(path, std::ios::binary);
    File f(std::vector<uint8_t>(std::istreambuf_iterator<char>(stream), {}));
    const uint32_t header = f.read<uint32_t>(0x3C).value_or(0);
    if (f.read<uint32_t>(header).value_or(0) != 0x00004550) // "PE\0\0"
        return std::nullopt;
    PeImage pe;
    pe.machine = f.read<uint16_t>(header + 4).value_or(0);
    const size_t optional = header + 24;
    pe.is64 = f.read<uint16_t>(optional).value_or(0) == 0x20B;
    const size_t directories = optional + (pe.is64 ? 112 : 96);
    f.mapSections(optional + f.read<uint16_t>(header + 20).value_or(0), f.read<uint16_t>(header + 6).value_or(0));
    readExports(f, f.read<uint32_t>(directories).value_or(0), pe);
    readImports(f, f.read<uint32_t>(directories + 8).value_or(0), pe);
    return pe;
}

} // namespace w32ktest
