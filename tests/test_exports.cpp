// The export and import tables of both builds, read from the files mapped as
// images without running them (so the 32-bit product can be read here too).
#include <gtest/gtest.h>

#include "support/test_support.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

struct ExpectedExport { const char* name; unsigned ordinal; int noname; };

const std::vector<ExpectedExport> kLibraryExports = {
#include "W32KORUTIL1_exports.inc"
};
const std::vector<ExpectedExport> kSiblingExports = {
#include "Korutil2MFC_exports.inc"
};

// The string-store and language-text ordinals the library imports.
const std::set<unsigned> kSiblingInterface = {2, 3, 5, 6, 7, 10, 19};
// DLLs every Windows installation has; the two DLLs may import from these only.
const std::set<std::string> kSystemDlls = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL",
                                           "MSVCRT.DLL", "ADVAPI32.DLL"};

using Exports = std::vector<std::pair<unsigned, std::string>>; // ordinal, name ("" by ordinal only)
// Per DLL (upper case) what is imported: a name, or "" and an ordinal.
using Imports = std::map<std::string, std::vector<std::pair<std::string, unsigned>>>;
constexpr DWORD kAsImage = LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE;

// A DLL file mapped as an image: each relative virtual address is an offset from its base.
class MappedImage {
public:
    explicit MappedImage(const std::string& path)
        : handle_(LoadLibraryExA(path.c_str(), nullptr, kAsImage)), // its low bits mark a data mapping
          base_(reinterpret_cast<const BYTE*>(reinterpret_cast<uintptr_t>(handle_) & ~uintptr_t{3}))
    {
    }
    ~MappedImage() { FreeLibrary(handle_); }
    explicit operator bool() const { return handle_ != nullptr; }
    template <typename T>
    const T* at(DWORD rva) const
    {
        return reinterpret_cast<const T*>(base_ + rva);
    }
    const IMAGE_NT_HEADERS32* headers() const
    {
        return at<IMAGE_NT_HEADERS32>(at<IMAGE_DOS_HEADER>(0)->e_lfanew);
    }
    bool is64() const { return headers()->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC; }
    DWORD directory(int entry) const
    {
        const auto* headers64 = reinterpret_cast<const IMAGE_NT_HEADERS64*>(headers());
        return is64() ? headers64->OptionalHeader.DataDirectory[entry].VirtualAddress
                      : headers()->OptionalHeader.DataDirectory[entry].VirtualAddress;
    }

    Exports exports() const
    {
        const auto* table = at<IMAGE_EXPORT_DIRECTORY>(directory(IMAGE_DIRECTORY_ENTRY_EXPORT));
        std::map<DWORD, std::string> named;
        for (DWORD i = 0; i < table->NumberOfNames; ++i)
            named[at<WORD>(table->AddressOfNameOrdinals)[i]] = at<char>(at<DWORD>(table->AddressOfNames)[i]);
        Exports all;
        for (DWORD i = 0; i < table->NumberOfFunctions; ++i)
            if (at<DWORD>(table->AddressOfFunctions)[i] != 0) // else an empty slot
                all.emplace_back(table->Base + i, named[i]);
        std::sort(all.begin(), all.end());
        return all;
    }
    Imports imports() const
    {
        return is64() ? importsOf<ULONGLONG>(IMAGE_ORDINAL_FLAG64) : importsOf<DWORD>(IMAGE_ORDINAL_FLAG32);
    }

private:
    template <typename Thunk>
    Imports importsOf(Thunk byOrdinal) const
    {
        Imports all;
        for (auto* d = at<IMAGE_IMPORT_DESCRIPTOR>(directory(IMAGE_DIRECTORY_ENTRY_IMPORT)); d->Name; ++d) {
            std::string dll = at<char>(d->Name);
            CharUpperA(dll.data());
            for (auto* t = at<Thunk>(d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk); *t; ++t)
                if (*t & byOrdinal)
                    all[dll].emplace_back("", static_cast<unsigned>(*t & 0xFFFF));
                else
                    all[dll].emplace_back(at<IMAGE_IMPORT_BY_NAME>(static_cast<DWORD>(*t))->Name, 0);
        }
        return all;
    }

    HMODULE handle_;
    const BYTE* base_;
};

} // namespace

// Each build exports exactly its list (ordinal and undecorated name, or by
// ordinal only) and imports only system DLLs; the library also imports the
// sibling's interface, by ordinal only.
TEST(ExportTable, BothBuildsOfBothDllsExportTheirListAndImportOnlyWhatTheyMay)
{
    for (const bool is64 : {false, true}) {
        for (const bool library : {true, false}) {
            const char* file = library ? "W32KORUTIL1.dll" : "Korutil2MFC.dll";
            const auto path = is64 ? w32ktest::exeDirectory() + "\\" + file
                                   : std::string("Z:") + W32K_X86_BIN_DIR + "/" + file;
            SCOPED_TRACE(path);
            const MappedImage image(path);
            ASSERT_TRUE(image);
            const WORD machine = is64 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
            EXPECT_EQ(image.headers()->FileHeader.Machine, machine);
            Exports wanted;
            for (const auto& e : library ? kLibraryExports : kSiblingExports)
                wanted.emplace_back(e.ordinal, e.noname ? "" : e.name);
            std::sort(wanted.begin(), wanted.end());
            EXPECT_EQ(image.exports(), wanted);

            std::set<unsigned> siblingOrdinals;
            for (const auto& [dll, entries] : image.imports()) {
                if (library && dll == "KORUTIL2MFC.DLL") {
                    for (const auto& [name, ordinal] : entries) {
                        EXPECT_EQ(name, "") << "imported by name";
                        siblingOrdinals.insert(ordinal);
                    }
                } else {
                    EXPECT_TRUE(kSystemDlls.count(dll)) << "unexpected import of " << dll;
                }
            }
            EXPECT_EQ(siblingOrdinals, library ? kSiblingInterface : std::set<unsigned>{});
        }
    }
}
