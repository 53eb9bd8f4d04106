#include "support/pe_image.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

namespace w32ktest {

namespace {

// An image mapped at `base`: every relative virtual address is an offset from it.
struct Mapped {
    const uint8_t* base;
    template <typename T>
    const T* at(uint32_t rva) const
    {
        return reinterpret_cast<const T*>(base + rva);
    }
};

void readExports(const Mapped& m, const IMAGE_DATA_DIRECTORY& dir, PeImage& pe)
{
    if (!dir.VirtualAddress)
        return;
    const auto* table = m.at<IMAGE_EXPORT_DIRECTORY>(dir.VirtualAddress);
    std::map<DWORD, std::string> named;
    for (DWORD i = 0; i < table->NumberOfNames; ++i)
        named[m.at<WORD>(table->AddressOfNameOrdinals)[i]] = m.at<char>(m.at<DWORD>(table->AddressOfNames)[i]);
    for (DWORD i = 0; i < table->NumberOfFunctions; ++i)
        if (m.at<DWORD>(table->AddressOfFunctions)[i] != 0) // else an empty slot
            pe.exports.push_back({static_cast<uint16_t>(table->Base + i), named[i]});
}

template <typename Thunk>
void readImports(const Mapped& m, const IMAGE_DATA_DIRECTORY& dir, Thunk byOrdinal, PeImage& pe)
{
    for (auto* d = m.at<IMAGE_IMPORT_DESCRIPTOR>(dir.VirtualAddress); dir.VirtualAddress && d->Name; ++d) {
        std::string dll = m.at<char>(d->Name);
        std::transform(dll.begin(), dll.end(), dll.begin(), [](unsigned char c) { return std::toupper(c); });
        auto& list = pe.imports[dll];
        for (auto* t = m.at<Thunk>(d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk); *t; ++t) {
            if (*t & byOrdinal)
                list.push_back({"", static_cast<uint16_t>(*t & 0xFFFF)});
            else
                list.push_back({m.at<IMAGE_IMPORT_BY_NAME>(static_cast<uint32_t>(*t))->Name, 0});
        }
    }
}

} // namespace

std::optional<PeImage> readPeImage(const std::string& path)
{
    const HMODULE handle =
        LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE);
    if (!handle)
        return std::nullopt;
    // The low bits of the handle mark a module mapped as data.
    const Mapped m{reinterpret_cast<const uint8_t*>(reinterpret_cast<uintptr_t>(handle) & ~uintptr_t{3})};
    const auto* nt = m.at<IMAGE_NT_HEADERS32>(m.at<IMAGE_DOS_HEADER>(0)->e_lfanew);
    PeImage pe;
    pe.machine = nt->FileHeader.Machine;
    const bool is64 = nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC;
    const IMAGE_DATA_DIRECTORY* dirs = is64 ? reinterpret_cast<const IMAGE_NT_HEADERS64*>(nt)->OptionalHeader.DataDirectory
                                            : nt->OptionalHeader.DataDirectory;
    readExports(m, dirs[IMAGE_DIRECTORY_ENTRY_EXPORT], pe);
    if (is64)
        readImports(m, dirs[IMAGE_DIRECTORY_ENTRY_IMPORT], uint64_t{IMAGE_ORDINAL_FLAG64}, pe);
    else
        readImports(m, dirs[IMAGE_DIRECTORY_ENTRY_IMPORT], uint32_t{IMAGE_ORDINAL_FLAG32}, pe);
    FreeLibrary(handle);
    return pe;
}

} // namespace w32ktest
