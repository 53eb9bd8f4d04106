// Parameter-set folders through the DLL, as a host calls them: placing, reading, cutting back, copying and
// deleting, and ValidateParSets over a recipe. Cases check the block (exactly count entries, unlocked) and,
// in text folders, the string-store references. (Failing memory: test_failure_sweep.)
#include <gtest/gtest.h>

#include "frame/raii.h"
#include "support/folder_helpers.h"
#include "support/memory_hooks.h"
#include "w32korutil1.h"

#include <cstring>
#include <string>
#include <vector>

using namespace w32ktest;
using w32khost::entriesOf;
using w32khost::kNumberFolder;
using w32khost::runsOf;
using Runs = std::vector<w32khost::Run>;

namespace {

struct SymRun { // value 'A'..'D'; '0' is number 0 or no text
    int first, last;
    char value;
};
using SymRuns = std::vector<SymRun>;
const WORD kKinds[] = {PARSET_KIND_TEXT, kNumberFolder};

// The descriptor and entry bytes, to show that a call left a folder alone.
std::string bytesOf(const ParSetFolder& folder)
{
    const std::vector<ParSetEntry> entries = entriesOf(folder);
    return std::string(reinterpret_cast<const char*>(&folder), sizeof folder)
        .append(reinterpret_cast<const char*>(entries.data()), entries.size() * sizeof(ParSetEntry));
}

// Each text keeps one anchor reference for the whole test, so the store's
// count of an id is 1 + the references folders hold.
class FolderTest : public ::testing::Test {
protected:
    WORD text(char symbol)
    {
        WORD& id = anchors[static_cast<unsigned char>(symbol)];
        return id ? id : id = host.acquire(std::string(1, symbol).c_str());
    }
    int folderReferences(WORD id) { return static_cast<int>(host.references(id)) - 1; }
    // Places with the caller's reference that goes with a string id.
    BOOL place(ParSetFolder& folder, int index, DWORD value)
    {
        if (folder.ValueKind == PARSET_KIND_TEXT && LOWORD(value) != 0)
            host.addReference(LOWORD(value));
        return ExpPlaceValueInFolder(&folder, index, value, project);
    }
    // Numbers differ in the high word only, so that every bit counts.
    DWORD valueOf(char symbol, WORD kind)
    {
        return symbol == '0' ? 0 : kind == PARSET_KIND_TEXT ? text(symbol) : DWORD(symbol) << 16 | 7;
    }
    Runs runs(const SymRuns& symbolic, WORD kind)
    {
        Runs result;
        for (const SymRun& run : symbolic)
            result.push_back({run.first, run.last, valueOf(run.value, kind)});
        return result;
    }
    auto folderOf(const SymRuns& sym, WORD kind) { return makeFolder(kind, runs(sym, kind), project); }
    void expectReferencesMatch(const ParSetFolder& folder)
    {
        for (const char* s = "ABCD"; folder.ValueKind == PARSET_KIND_TEXT && *s; ++s)
            EXPECT_EQ(folderReferences(text(*s)), entriesHolding(folder, text(*s))) << "references of " << *s;
    }

    w32khost::Project host;
    void* const project = host.data();
    WORD anchors[128] = {};
    GlobalMemoryMonitor memory{GetModuleHandleA("W32KORUTIL1.dll")};
};

} // namespace

const SymRuns kValidated = {{0, 1, 'A'}, {2, 9, 'B'}, {12, 12, 'C'}};

// A placement of value at index or, with value 'V', a cut back to count = index.
struct Edit { const char* name; SymRuns before; int index; char value; SymRuns after; int offset = 0; };
const Edit kEdits[] = {
    {"empty folder gets one run, index from the low 16 bits", {}, 0x1FFFF, 'A', {{-1, -1, 'A'}}},
    {"split inside a run", {{0, 9, 'A'}}, 4, 'B', {{0, 3, 'A'}, {4, 4, 'B'}, {5, 9, 'A'}}},
    {"value the run holds", {{0, 9, 'A'}}, 4, 'A', {{0, 9, 'A'}}},
    {"extends the last run", {{0, 4, 'A'}}, 5, 'A', {{0, 5, 'A'}}},
    {"fills a gap joining both runs", {{0, 4, 'A'}, {6, 9, 'A'}}, 5, 'A', {{0, 9, 'A'}}},
    {"exact entry replaced", {{0, 2, 'A'}, {3, 3, 'B'}, {4, 6, 'C'}}, 3, 'D',
     {{0, 2, 'A'}, {3, 3, 'D'}, {4, 6, 'C'}}},
    {"exact entry removed, neighbours joined", {{0, 2, 'A'}, {3, 3, 'B'}, {4, 6, 'A'}}, 3, 'A',
     {{0, 6, 'A'}}},
    {"back of a run taken, joined after", {{0, 4, 'A'}, {5, 9, 'B'}}, 4, 'B', {{0, 3, 'A'}, {4, 9, 'B'}}},
    {"value 0 is a value of its own", {{0, 4, 'A'}}, 2, '0', {{0, 1, 'A'}, {2, 2, '0'}, {3, 4, 'A'}}},
    {"count 3 keeps 0..2", kValidated, 3, 'V', {{0, 1, 'A'}, {2, 2, 'B'}}},
    {"offset 4 lowers the limit", kValidated, 10, 'V', {{0, 1, 'A'}, {2, 5, 'B'}}, 4},
    {"count 0 or below", kValidated, -1, 'V', {}},
};

// (The blocks an edit makes and frees, with every allocation failing in turn:
// test_failure_sweep; the placed value read back at its index: fuzz_folders.)
TEST_F(FolderTest, EditsGiveTheseRuns)
{
    for (const auto& c : kEdits) {
        for (const WORD kind : kKinds) {
            SCOPED_TRACE(std::string(c.name).append(kind == PARSET_KIND_TEXT ? ", text" : ", number"));
            ParSetFolder folder = folderOf(c.before, kind);
            // A text value's high word is not part of its id.
            const DWORD value = valueOf(c.value, kind) | (kind == PARSET_KIND_TEXT ? 0xABCD0000 : 0);
            EXPECT_TRUE(c.value == 'V' ? ExpValidateFolder(&folder, c.index, c.offset, project)
                                       : place(folder, c.index, value));
            EXPECT_EQ(runsOf(folder), runs(c.after, kind));
            EXPECT_TRUE(isWellFormed(folder));
            expectReferencesMatch(folder);
            EXPECT_TRUE(ExpDeleteFolder(&folder, project));
        }
    }
}

// A split keeps the run's reserved bytes and unused field in both parts and writes the new run clean. (A
// number folder's unused string id: the duplicate test.)
TEST_F(FolderTest, PlacementCarriesTheBytesItDoesNotOwnAndWritesNewRunsClean)
{
    ParSetFolder folder = folderOf({{0, 9, 'A'}}, PARSET_KIND_TEXT);
    if (const w32k::GlobalLockGuard<ParSetEntry> entry(folder.Block); entry) {
        std::memset(entry->Reserved, 'Z', sizeof entry->Reserved);
        entry->Number = 0x12345678; // unused in a text folder
    }
    ASSERT_TRUE(place(folder, 4, text('B')));
    for (const ParSetEntry& e : entriesOf(folder)) {
        const bool carried = e.FirstIndex != 4;
        EXPECT_EQ(std::memcmp(e.Reserved, carried ? "ZZZZZZ" : "\0\0\0\0\0\0", 6), 0) << e.FirstIndex;
        EXPECT_EQ(e.Number, carried ? 0x12345678u : 0u) << e.FirstIndex;
    }
    ExpDeleteFolder(&folder, project);
}

TEST_F(FolderTest, NullAndStaleDescriptorsGetADefinedResult)
{
    EXPECT_FALSE(ExpPlaceValueInFolder(nullptr, 0, 1, project)); // stands for the folder exports' refusals

    // A block under a count of 0 is not read, and freed when the folder gets a new one.
    ASSERT_TRUE(memory.installed());
    ParSetFolder folder = folderOf({{0, 3, 'A'}}, kNumberFolder);
    folder.EntryCount = 0;
    memory.reset();
    DWORD value = 5;
    EXPECT_FALSE(ExpGetValueFromFolder(&folder, 1, &value, project));
    EXPECT_EQ(value, 5u) << "the output is left alone";
    ASSERT_TRUE(place(folder, 8, 9));
    EXPECT_EQ(runsOf(folder), (Runs{{8, 8, 9}}));
    EXPECT_EQ(memory.frees(), 1);
    ExpDeleteFolder(&folder, project);
}

// Every call reads the folder through one view of the entries that fit:
// reading and placing stand for them.
TEST_F(FolderTest, ACountBeyondTheBlockIsCutToTheEntriesThatFit)
{
    const WORD a = text('A'), b = text('B');
    ParSetFolder folder = folderOf({{0, 4, 'A'}, {5, 9, 'B'}}, PARSET_KIND_TEXT);
    folder.EntryCount = 5; // the block holds two
    DWORD value = 0;
    EXPECT_TRUE(ExpGetValueFromFolder(&folder, 9, &value, project));
    EXPECT_FALSE(ExpGetValueFromFolder(&folder, 10, &value, project));
    ASSERT_TRUE(place(folder, 12, a));
    EXPECT_EQ(runsOf(folder), (Runs{{0, 4, a}, {5, 9, b}, {12, 12, a}}));
    EXPECT_TRUE(isWellFormed(folder));
    EXPECT_TRUE(ExpDeleteFolder(&folder, project));
    expectReferencesMatch(folder); // every reference the folders held is gone
}

TEST_F(FolderTest, DuplicateTakesOneReferencePerTextAndDeleteDropsThem)
{
    ParSetFolder copy{};
    ParSetFolder source = folderOf({{0, 1, 'A'}, {2, 2, 'B'}, {3, 7, 'A'}, {9, 9, '0'}}, PARSET_KIND_TEXT);
    source.HostWord = 0xBEEF;
    ASSERT_TRUE(ExpDuplicateFolder(&copy, &source, project));
    EXPECT_EQ(runsOf(copy), runsOf(source));
    EXPECT_NE(copy.Block, source.Block);
    EXPECT_EQ(folderReferences(text('A')), 4);
    EXPECT_EQ(folderReferences(text('B')), 2);
    EXPECT_TRUE(ExpDeleteFolder(&copy, project));
    EXPECT_EQ(copy.Block, nullptr);
    EXPECT_EQ(copy.EntryCount, 0);
    EXPECT_EQ(copy.HostWord, 0xBEEF) << "copied and kept";
    expectReferencesMatch(source);
    EXPECT_TRUE(ExpDeleteFolder(&source, project));
    expectReferencesMatch(source);

    // A number folder never touches the store, even with live ids in its unused field.
    ParSetFolder numbers = folderOf({{0, 4, 'A'}, {5, 9, 'B'}}, kNumberFolder);
    if (const w32k::GlobalLockGuard<ParSetEntry> entries(numbers.Block); entries)
        entries[0].StringId = entries[1].StringId = text('A');
    ASSERT_TRUE(ExpDuplicateFolder(&copy, &numbers, project));
    ASSERT_TRUE(place(copy, 4, 3));
    EXPECT_TRUE(ExpDeleteFolder(&copy, project));
    EXPECT_TRUE(ExpDeleteFolder(&numbers, project));
    EXPECT_EQ(folderReferences(text('A')), 0);
}

TEST_F(FolderTest, AFolderDoesNotGrowBeyond4095Entries)
{
    ASSERT_TRUE(memory.installed());
    const WORD a = text('A'), b = text('B');
    Runs full;
    for (int k = 0; k < PARSET_MAX_ENTRIES; ++k)
        full.push_back({2 * k, 2 * k, a});
    ParSetFolder folder = makeFolder(PARSET_KIND_TEXT, full, project);
    const std::string before = bytesOf(folder);
    memory.reset();
    EXPECT_FALSE(place(folder, 1, b));
    EXPECT_EQ(bytesOf(folder), before);
    EXPECT_EQ(memory.allocations(), 0);
    expectReferencesMatch(folder); // the handed-over reference is dropped
    EXPECT_TRUE(place(folder, 0, b)); // placements that keep or lower the count work
    EXPECT_EQ(folder.EntryCount, PARSET_MAX_ENTRIES);
    EXPECT_TRUE(place(folder, 3, a));
    EXPECT_EQ(folder.EntryCount, PARSET_MAX_ENTRIES - 1);
    EXPECT_TRUE(isWellFormed(folder));
    expectReferencesMatch(folder);
    ExpDeleteFolder(&folder, project);
}

// ValidateParSets leaves each row the sets 0 to SetCount - 1 as placements set by set would (the set base
// plays no part): a missing set holds 0 or the empty text, a longer text is cut to MaxTextLen; a second call
// changes nothing. (A batch places as placements one by one, over any folder: fuzz_folders.)
TEST_F(FolderTest, ValidateParSetsFillsCutsAndTrimsEveryRow)
{
    const WORD whole = host.acquire("ABCDEFGHIJ"), cut = host.acquire("ABCD"), empty = host.acquire("");
    const WORD b = text('B');
    MatrixRow rows[2] = {};
    rows[0].MaxTextLen = 4;
    rows[0].Folder = makeFolder(PARSET_KIND_TEXT, {{1, 2, whole}, {4, 4, b}, {9, 9, b}}, project);
    rows[1].Folder = makeFolder(kNumberFolder, {{1, 2, 7}, {8, 9, 3}}, project);
    MatrixDesc matrix{};
    matrix.Rows = rows;
    matrix.Project = project;
    matrix.SetCount = 6;
    matrix.SetBase = 3;
    matrix.RowCount = 2;
    for (int call = 0; call < 2; ++call) {
        SCOPED_TRACE(call);
        ASSERT_TRUE(ValidateParSets(&matrix));
        EXPECT_EQ(runsOf(rows[0].Folder),
                  (Runs{{0, 0, empty}, {1, 1, cut}, {2, 2, cut}, {3, 3, empty}, {4, 4, b}, {5, 5, empty}}));
        EXPECT_EQ(runsOf(rows[1].Folder), (Runs{{0, 0, 0}, {1, 2, 7}, {3, 3, 0}, {4, 4, 0}, {5, 5, 0}}));
        for (const WORD id : {whole, cut, empty, b})
            EXPECT_EQ(folderReferences(id), entriesHolding(rows[0].Folder, id)) << id;
    }
    for (MatrixRow& row : rows)
        EXPECT_TRUE(ExpDeleteFolder(&row.Folder, project));
}
