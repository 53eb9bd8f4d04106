// The export and import tables of both builds, read from the files.
#include <gtest/gtest.h>

#include "support/pe_image.h"
#include "support/test_support.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

struct ExpectedExport {
    const char* name;
    unsigned ordinal;
    int noname;
};

const std::vector<ExpectedExport> kLibraryExports = {
#include "W32KORUTIL1_exports.inc"
};
const std::vector<ExpectedExport> kSiblingExports = {
#include "Korutil2MFC_exports.inc"
};

// The string-store and language-text ordinals the library imports.
const std::set<uint16_t> kSiblingInterface = {2, 3, 5, 6, 7, 10, 19};

// DLLs every Windows installation has; the library may import from these only.
const std::set<std::string> kSystemDlls = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL",
                                           "MSVCRT.DLL", "ADVAPI32.DLL"};

std::string x86Path(const char* file)
{
    return std::string("Z:") + W32K_X86_BIN_DIR + "/" + file;
}

std::string x64Path(const char* file)
{
    return w32ktest::exeDirectory() + "\\" + file;
}

void expectExactly(const w32ktest::PeImage& pe, const std::vector<ExpectedExport>& expected)
{
    std::vector<std::pair<unsigned, std::string>> actual, wanted;
    for (const auto& e : pe.exports)
        actual.emplace_back(e.ordinal, e.name);
    for (const auto& e : expected)
        wanted.emplace_back(e.ordinal, e.noname ? "" : e.name);
    std::sort(actual.begin(), actual.end());
    std::sort(wanted.begin(), wanted.end());
    EXPECT_EQ(actual, wanted);
}

void expectOnlySystemAndSiblingImports(const w32ktest::PeImage& pe)
{
    bool sibling = false;
    for (const auto& [dll, entries] : pe.imports) {
        if (dll == "KORUTIL2MFC.DLL") {
            sibling = true;
            std::set<uint16_t> ordinals;
            for (const auto& e : entries) {
                EXPECT_TRUE(e.name.empty()) << "imported by name: " << e.name;
                ordinals.insert(e.ordinal);
            }
            EXPECT_EQ(ordinals, kSiblingInterface);
        } else {
            EXPECT_TRUE(kSystemDlls.count(dll)) << "unexpected import of " << dll;
        }
    }
    EXPECT_TRUE(sibling);
}

} // namespace

TEST(ExportTable, TheListHoldsAll91ExportsBetweenOrdinals100And257)
{
    EXPECT_EQ(kLibraryExports.size(), 91u);
    std::set<unsigned> ordinals;
    std::set<std::string> names;
    for (const auto& e : kLibraryExports) {
        EXPECT_GE(e.ordinal, 100u) << e.name;
        EXPECT_LE(e.ordinal, 257u) << e.name;
        EXPECT_FALSE(e.noname) << e.name;
        ordinals.insert(e.ordinal);
        names.insert(e.name);
    }
    EXPECT_EQ(ordinals.size(), kLibraryExports.size()) << "an ordinal is used twice";
    EXPECT_EQ(names.size(), kLibraryExports.size()) << "a name is listed twice";
}

TEST(ExportTable, BothBuildsExportEachEntryAtItsOrdinalAndNothingElse)
{
    for (const bool is64 : {false, true}) {
        SCOPED_TRACE(is64 ? "x86_64" : "i686");
        const auto path = is64 ? x64Path("W32KORUTIL1.dll") : x86Path("W32KORUTIL1.dll");
        const auto pe = w32ktest::readPeImage(path);
        ASSERT_TRUE(pe) << path;
        EXPECT_EQ(pe->is64, is64);
        EXPECT_EQ(pe->machine, is64 ? 0x8664 : 0x14C);
        expectExactly(*pe, kLibraryExports);
        expectOnlySystemAndSiblingImports(*pe);
        for (const auto& e : pe->exports)
            EXPECT_EQ(e.name.find('@'), std::string::npos) << "decorated export " << e.name;
    }
}

TEST(ExportTable, TheSiblingExportsItsInterfaceByOrdinalOnly)
{
    for (const bool is64 : {false, true}) {
        SCOPED_TRACE(is64 ? "x86_64" : "i686");
        const auto path = is64 ? x64Path("Korutil2MFC.dll") : x86Path("Korutil2MFC.dll");
        const auto pe = w32ktest::readPeImage(path);
        ASSERT_TRUE(pe) << path;
        expectExactly(*pe, kSiblingExports);
        for (const auto& [dll, entries] : pe->imports)
            EXPECT_TRUE(kSystemDlls.count(dll)) << "unexpected import of " << dll;
    }
}

TEST(ExportTable, ExportedNamesResolveInTheLoadedLibrary)
{
    w32ktest::Library dll("W32KORUTIL1.dll");
    ASSERT_TRUE(dll);
    for (const auto& e : kLibraryExports) {
        SCOPED_TRACE(e.name);
        void* byName = dll.proc<void*>(e.name);
        EXPECT_NE(byName, nullptr);
        EXPECT_EQ(dll.proc<void*>(static_cast<WORD>(e.ordinal)), byName);
    }
}
