// The export and import tables of both builds, read from the files.
#include <gtest/gtest.h>

#include "support/pe_image.h"
#include "support/test_support.h"

#include <algorithm>
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
const std::set<uint16_t> kSiblingInterface = {2, 3, 5, 6, 7, 10, 19};
// DLLs every Windows installation has; the two DLLs may import from these only.
const std::set<std::string> kSystemDlls = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL",
                                           "MSVCRT.DLL", "ADVAPI32.DLL"};

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
            const auto pe = w32ktest::readPeImage(path);
            ASSERT_TRUE(pe);
            EXPECT_EQ(pe->machine, is64 ? 0x8664 : 0x14C);

            std::vector<std::pair<unsigned, std::string>> actual, wanted;
            for (const auto& e : pe->exports) // undecorated names
                actual.emplace_back(e.ordinal, e.name);
            for (const auto& e : library ? kLibraryExports : kSiblingExports)
                wanted.emplace_back(e.ordinal, e.noname ? "" : e.name);
            std::sort(actual.begin(), actual.end());
            std::sort(wanted.begin(), wanted.end());
            EXPECT_EQ(actual, wanted);

            std::set<uint16_t> siblingOrdinals;
            for (const auto& [dll, entries] : pe->imports) {
                if (library && dll == "KORUTIL2MFC.DLL") {
                    for (const auto& e : entries) {
                        EXPECT_TRUE(e.name.empty()) << "imported by name: " << e.name;
                        siblingOrdinals.insert(e.ordinal);
                    }
                } else {
                    EXPECT_TRUE(kSystemDlls.count(dll)) << "unexpected import of " << dll;
                }
            }
            EXPECT_EQ(siblingOrdinals, library ? kSiblingInterface : std::set<uint16_t>{});
        }
    }
}

// Names resolve, to the function of their ordinal, between 100 and 257.
TEST(ExportTable, EveryExportResolvesByNameAndByItsOrdinal)
{
    w32ktest::Library dll("W32KORUTIL1.dll");
    ASSERT_TRUE(dll);
    for (const auto& e : kLibraryExports) {
        EXPECT_GE(e.ordinal, 100u) << e.name;
        EXPECT_LE(e.ordinal, 257u) << e.name;
        void* byName = dll.proc<void*>(e.name);
        EXPECT_NE(byName, nullptr) << e.name;
        EXPECT_EQ(dll.proc<void*>(static_cast<WORD>(e.ordinal)), byName) << e.name;
    }
}
