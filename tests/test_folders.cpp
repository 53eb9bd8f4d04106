// Parameter-set folders through the DLL, as a host calls them: placing and
// reading values, cutting folders back, duplicating and deleting them, the
// matrix normalisation ValidateParSets, and what happens when memory fails.
// Every case checks the block discipline (a block of exactly count entries,
// left unlocked) and the balance of string-store references in text folders.
#include <gtest/gtest.h>

#include "korutil2mfc.h"
#include "support/folder_helpers.h"
#include "support/memory_hooks.h"
#include "w32korutil1.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

using w32ktest::entriesHolding;
using w32ktest::entriesOf;
using w32ktest::GlobalMemoryMonitor;
using w32ktest::isWellFormed;
using w32ktest::kNumberKind;
using w32ktest::makeFolder;
using w32ktest::ValueRun;
using w32ktest::runsOf;

namespace {

// A run written with a symbolic value ('A', 'B', ...; '0' = number 0 or no text).
struct SymRun {
    int first;
    int last;
    char value;
};

const WORD kKinds[] = {PARSET_KIND_TEXT, kNumberKind};

std::string kindName(WORD kind)
{
    return kind == PARSET_KIND_TEXT ? "text folder" : "number folder";
}

// The project whose string store the tests use. Every text is acquired once
// and that anchor reference is kept for the whole test, so the store's count
// of an id is 1 + the references folders hold.
class FolderTest : public ::testing::Test {
protected:
    void TearDown() override { StringStoreClear(project()); }

    void* project() { return project_; }

    WORD text(const std::string& value)
    {
        auto found = anchors_.find(value);
        if (found == anchors_.end())
            found = anchors_.emplace(value, static_cast<WORD>(KorAcquireName(value.c_str(), project()))).first;
        return found->second;
    }
    // References that folders hold on id (the anchor not counted).
    int folderReferences(WORD id) { return static_cast<int>(StringStoreRefCount(id, project())) - 1; }
    // The caller's reference that goes with a placed string id.
    DWORD handOver(DWORD value, WORD kind)
    {
        if (kind == PARSET_KIND_TEXT && LOWORD(value) != 0)
            KorAddReference(LOWORD(value), project());
        return value;
    }
    std::string textOf(DWORD id)
    {
        char buffer[300] = "<none>";
        KorReadOrReleaseName(id, project(), buffer, sizeof buffer, FALSE);
        return buffer;
    }

    // The value a symbol stands for in a folder of the given kind.
    DWORD valueOf(char symbol, WORD kind)
    {
        if (symbol == '0')
            return 0;
        return kind == PARSET_KIND_TEXT ? text(std::string(1, symbol)) : DWORD(1000 + symbol);
    }
    std::vector<ValueRun> runs(const std::vector<SymRun>& symbolic, WORD kind)
    {
        std::vector<ValueRun> result;
        for (const SymRun& run : symbolic)
            result.push_back({run.first, run.last, valueOf(run.value, kind)});
        return result;
    }
    ParSetFolder folderOf(const std::vector<SymRun>& symbolic, WORD kind)
    {
        return makeFolder(kind, runs(symbolic, kind), project());
    }
    // Every id of the symbols is held by exactly as many entries as it has
    // folder references.
    void expectReferencesMatch(const ParSetFolder& folder, const char* symbols = "ABCDE")
    {
        if (folder.ValueKind != PARSET_KIND_TEXT)
            return;
        for (const char* s = symbols; *s; ++s) {
            const WORD id = text(std::string(1, *s));
            EXPECT_EQ(folderReferences(id), entriesHolding(folder, id)) << "references of " << *s;
        }
    }

    GlobalMemoryMonitor& memory() { return monitor_; }

private:
    char project_[1024] = {};
    std::map<std::string, WORD> anchors_;
    GlobalMemoryMonitor monitor_{GetModuleHandleA("W32KORUTIL1.dll")};
};

// The descriptor and entry bytes of a folder, to show that a call left it alone.
struct Snapshot {
    ParSetFolder descriptor;
    std::vector<ParSetEntry> entries;

    explicit Snapshot(const ParSetFolder& folder) : descriptor(folder), entries(entriesOf(folder)) {}
    bool operator==(const Snapshot& other) const
    {
        return std::memcmp(&descriptor, &other.descriptor, sizeof descriptor) == 0 &&
               entries.size() == other.entries.size() &&
               std::memcmp(entries.data(), other.entries.data(), entries.size() * sizeof(ParSetEntry)) == 0;
    }
};

} // namespace

// ---------------------------------------------------------------------------
// Placing values
// ---------------------------------------------------------------------------

struct PlacementCase {
    const char* name;
    std::vector<SymRun> before;
    int index;
    char value;
    std::vector<SymRun> after;
};

const PlacementCase kPlacements[] = {
    {"empty folder gets one run", {}, 7, 'A', {{7, 7, 'A'}}},
    {"split inside a run", {{0, 9, 'A'}}, 4, 'B', {{0, 3, 'A'}, {4, 4, 'B'}, {5, 9, 'A'}}},
    {"value the run holds changes nothing", {{0, 9, 'A'}}, 4, 'A', {{0, 9, 'A'}}},
    {"extends the last run", {{0, 4, 'A'}}, 5, 'A', {{0, 5, 'A'}}},
    {"fills a gap joining both runs", {{0, 4, 'A'}, {6, 9, 'A'}}, 5, 'A', {{0, 9, 'A'}}},
    {"new run is not joined with the one before",
     {{0, 4, 'A'}, {6, 9, 'B'}}, 5, 'A', {{0, 4, 'A'}, {5, 5, 'A'}, {6, 9, 'B'}}},
    {"only entry, exactly the index, overwritten", {{3, 3, 'A'}}, 3, 'B', {{3, 3, 'B'}}},
    {"only entry overwritten with its own value", {{3, 3, 'A'}}, 3, 'A', {{3, 3, 'A'}}},
    {"exact entry removed, new run in its place",
     {{0, 2, 'A'}, {3, 3, 'B'}}, 3, 'D', {{0, 2, 'A'}, {3, 3, 'D'}}},
    {"exact entry removed, both neighbours joined",
     {{0, 2, 'A'}, {3, 3, 'B'}, {4, 6, 'A'}}, 3, 'A', {{0, 6, 'A'}}},
    {"exact last entry removed, preceding run extended", {{0, 2, 'A'}, {3, 3, 'B'}}, 3, 'A', {{0, 3, 'A'}}},
    {"exact middle entry replaced",
     {{0, 2, 'A'}, {3, 3, 'B'}, {4, 6, 'C'}}, 3, 'D', {{0, 2, 'A'}, {3, 3, 'D'}, {4, 6, 'C'}}},
    {"front of a run taken, not joined with the run before",
     {{0, 4, 'A'}, {5, 9, 'B'}}, 5, 'A', {{0, 4, 'A'}, {5, 5, 'A'}, {6, 9, 'B'}}},
    {"back of a run taken, joined with the run after",
     {{0, 4, 'A'}, {5, 9, 'B'}}, 4, 'B', {{0, 3, 'A'}, {4, 9, 'B'}}},
    {"gap next to the following run", {{0, 2, 'A'}, {5, 9, 'B'}}, 4, 'B', {{0, 2, 'A'}, {4, 9, 'B'}}},
    {"following run joined, preceding one not adjacent",
     {{0, 1, 'A'}, {4, 9, 'A'}}, 3, 'A', {{0, 1, 'A'}, {3, 9, 'A'}}},
    {"before the first run", {{5, 9, 'A'}}, 2, 'A', {{2, 2, 'A'}, {5, 9, 'A'}}},
    {"negative indices", {{-3, -1, 'A'}}, 0, 'A', {{-3, 0, 'A'}}},
    {"highest index", {{32766, 32767, 'A'}}, 32767, 'B', {{32766, 32766, 'A'}, {32767, 32767, 'B'}}},
    {"lowest index", {{-32768, -32767, 'A'}}, -32768, 'B', {{-32768, -32768, 'B'}, {-32767, -32767, 'A'}}},
    {"value 0 (no text) is a value of its own", {{0, 4, 'A'}}, 2, '0', {{0, 1, 'A'}, {2, 2, '0'}, {3, 4, 'A'}}},
};

TEST_F(FolderTest, PlacementSplitsShrinksAndJoinsRuns)
{
    ASSERT_TRUE(memory().installed());
    for (const PlacementCase& c : kPlacements) {
        for (const WORD kind : kKinds) {
            SCOPED_TRACE(std::string(c.name) + " in a " + kindName(kind));
            ParSetFolder folder = folderOf(c.before, kind);
            memory().reset();

            EXPECT_TRUE(ExpPlaceValueInFolder(&folder, c.index, handOver(valueOf(c.value, kind), kind), project()));

            EXPECT_EQ(runsOf(folder), runs(c.after, kind));
            EXPECT_TRUE(isWellFormed(folder));
            expectReferencesMatch(folder);
            // A new block only when the count changes: one allocation, one free.
            const bool resized = c.before.size() != c.after.size();
            EXPECT_EQ(memory().allocations(), resized ? 1 : 0);
            EXPECT_EQ(memory().frees(), resized && !c.before.empty() ? 1 : 0);
            EXPECT_EQ(memory().locks(), memory().unlocks());
            EXPECT_TRUE(ExpDeleteFolder(&folder, project()));
            expectReferencesMatch(folder);
        }
    }
}

TEST_F(FolderTest, SplitCopiesTheReservedBytesAndNewRunsAreClean)
{
    for (const WORD kind : kKinds) {
        SCOPED_TRACE(kindName(kind));
        ParSetFolder folder = folderOf({{0, 9, 'A'}}, kind);
        {
            auto* entry = static_cast<ParSetEntry*>(GlobalLock(folder.Block));
            std::memset(entry->Reserved, 0xAB, sizeof entry->Reserved);
            // The value field the kind does not use is carried, never read.
            if (kind == PARSET_KIND_TEXT)
                entry->Number = 0x12345678;
            else
                entry->StringId = 0x4321;
            GlobalUnlock(folder.Block);
        }
        const ParSetEntry original = entriesOf(folder)[0];

        ASSERT_TRUE(ExpPlaceValueInFolder(&folder, 4, handOver(valueOf('B', kind), kind), project()));
        const std::vector<ParSetEntry> entries = entriesOf(folder);
        ASSERT_EQ(entries.size(), 3u);
        for (const size_t outer : {size_t{0}, size_t{2}}) {
            EXPECT_EQ(std::memcmp(entries[outer].Reserved, original.Reserved, 6), 0) << "entry " << outer;
            EXPECT_EQ(entries[outer].Number, original.Number);
            EXPECT_EQ(entries[outer].StringId, original.StringId);
        }
        ParSetEntry clean{};
        clean.FirstIndex = clean.LastIndex = 4;
        if (kind == PARSET_KIND_TEXT)
            clean.StringId = text("B");
        else
            clean.Number = valueOf('B', kind);
        EXPECT_EQ(std::memcmp(&entries[1], &clean, sizeof clean), 0);
        // In a text folder the outer halves each own a reference to A.
        if (kind == PARSET_KIND_TEXT) {
            EXPECT_EQ(folderReferences(text("A")), 2);
        }
        ExpDeleteFolder(&folder, project());
    }
}

TEST_F(FolderTest, OverwritingTheOnlyEntryKeepsItsOtherBytes)
{
    ParSetFolder folder = folderOf({{3, 3, 'A'}}, kNumberKind);
    {
        auto* entry = static_cast<ParSetEntry*>(GlobalLock(folder.Block));
        std::memset(entry->Reserved, 0x5A, sizeof entry->Reserved);
        GlobalUnlock(folder.Block);
    }
    const HGLOBAL block = folder.Block;
    ASSERT_TRUE(ExpPlaceValueInFolder(&folder, 3, 77, project()));
    EXPECT_EQ(folder.Block, block) << "overwritten in place";
    const ParSetEntry entry = entriesOf(folder)[0];
    EXPECT_EQ(entry.Number, 77u);
    EXPECT_EQ(entry.Reserved[0], 0x5A);
    EXPECT_EQ(entry.Reserved[5], 0x5A);
    ExpDeleteFolder(&folder, project());
}

TEST_F(FolderTest, IndicesAndValuesAreTakenAsTheHostPassesThem)
{
    // Index: the low 16 bits, signed.
    ParSetFolder numbers = folderOf({}, kNumberKind);
    ASSERT_TRUE(ExpPlaceValueInFolder(&numbers, 0x00010005, 1, project()));
    ASSERT_TRUE(ExpPlaceValueInFolder(&numbers, 0x0000FFFF, 2, project()));
    EXPECT_EQ(runsOf(numbers), (std::vector<ValueRun>{{-1, -1, 2}, {5, 5, 1}}));
    DWORD value = 0;
    EXPECT_TRUE(ExpGetValueFromFolder(&numbers, 0x7FFF0005, &value, project()));
    EXPECT_EQ(value, 1u);
    // A number folder compares all 32 bits: no join with a value that differs above bit 15.
    ASSERT_TRUE(ExpPlaceValueInFolder(&numbers, 6, 0x00010001, project()));
    ASSERT_TRUE(ExpPlaceValueInFolder(&numbers, 7, 0x00020001, project()));
    EXPECT_EQ(runsOf(numbers).size(), 4u);
    ExpDeleteFolder(&numbers, project());

    // A text folder keeps the low 16 bits as the id; the rest is ignored.
    const WORD a = text("A");
    ParSetFolder texts = folderOf({{0, 4, 'A'}}, PARSET_KIND_TEXT);
    ASSERT_TRUE(ExpPlaceValueInFolder(&texts, 5, handOver(0xABCD0000u | a, PARSET_KIND_TEXT), project()));
    EXPECT_EQ(runsOf(texts), (std::vector<ValueRun>{{0, 5, a}}));
    EXPECT_EQ(folderReferences(a), 1);
    value = 0xFFFFFFFF;
    EXPECT_TRUE(ExpGetValueFromFolder(&texts, 5, &value, project()));
    EXPECT_EQ(value, DWORD{a}) << "widened with zeros";
    ExpDeleteFolder(&texts, project());
}

// ---------------------------------------------------------------------------
// Reading values
// ---------------------------------------------------------------------------

TEST_F(FolderTest, ReadingFindsTheCoveringRunAndLeavesGapsAlone)
{
    struct Read {
        int index;
        char expected; // ' ' = no value
    };
    const Read reads[] = {{0, 'A'}, {4, 'A'}, {5, ' '}, {6, 'B'}, {9, 'B'}, {10, ' '}, {-1, ' '}, {-32768, ' '}};
    for (const WORD kind : kKinds) {
        ParSetFolder folder = folderOf({{0, 4, 'A'}, {6, 9, 'B'}}, kind);
        const Snapshot before(folder);
        for (const Read& r : reads) {
            SCOPED_TRACE(kindName(kind) + " index " + std::to_string(r.index));
            DWORD value = 0xCCCCCCCC;
            const BOOL found = ExpGetValueFromFolder(&folder, r.index, &value, project());
            EXPECT_EQ(found != FALSE, r.expected != ' ');
            EXPECT_EQ(value, r.expected == ' ' ? 0xCCCCCCCC : valueOf(r.expected, kind));
        }
        EXPECT_TRUE(Snapshot(folder) == before);
        EXPECT_TRUE(isWellFormed(folder)) << "reading leaves the block unlocked";
        ExpDeleteFolder(&folder, project());
    }
    DWORD value = 5;
    EXPECT_FALSE(ExpGetValueFromFolder(nullptr, 0, &value, project()));
    ParSetFolder empty{};
    EXPECT_FALSE(ExpGetValueFromFolder(&empty, 0, &value, project()));
    EXPECT_EQ(value, 5u);
}

// ---------------------------------------------------------------------------
// Descriptors that say more than the block holds
// ---------------------------------------------------------------------------

TEST_F(FolderTest, ABlockHandleOfZeroIsEmptyWhateverTheCount)
{
    ParSetFolder folder{};
    folder.EntryCount = 5;
    folder.ValueKind = kNumberKind;
    DWORD value = 9;
    EXPECT_FALSE(ExpGetValueFromFolder(&folder, 0, &value, project()));
    EXPECT_FALSE(ExpValidateFolder(&folder, 3, 0, project()));
    EXPECT_EQ(folder.EntryCount, 5) << "an empty folder stays as it is";

    ParSetFolder copy{};
    EXPECT_TRUE(ExpDuplicateFolder(&copy, &folder, project()));
    EXPECT_EQ(copy.EntryCount, 5);
    EXPECT_EQ(copy.Block, nullptr);

    ASSERT_TRUE(ExpPlaceValueInFolder(&folder, 2, 8, project()));
    EXPECT_EQ(runsOf(folder), (std::vector<ValueRun>{{2, 2, 8}}));
    EXPECT_TRUE(isWellFormed(folder));
    EXPECT_TRUE(ExpDeleteFolder(&folder, project()));
}

TEST_F(FolderTest, ACountBeyondTheBlockIsCutToTheEntriesThatFit)
{
    const WORD a = text("A"), b = text("B");
    // Two entries in the block, the descriptor claims five.
    auto staleFolder = [&] {
        ParSetFolder folder = folderOf({{0, 4, 'A'}, {5, 9, 'B'}}, PARSET_KIND_TEXT);
        folder.EntryCount = 5;
        return folder;
    };

    ParSetFolder folder = staleFolder();
    DWORD value = 0;
    EXPECT_TRUE(ExpGetValueFromFolder(&folder, 9, &value, project()));
    EXPECT_FALSE(ExpGetValueFromFolder(&folder, 10, &value, project()));

    ParSetFolder copy{};
    ASSERT_TRUE(ExpDuplicateFolder(&copy, &folder, project()));
    EXPECT_EQ(copy.EntryCount, 2);
    EXPECT_TRUE(isWellFormed(copy));
    EXPECT_EQ(folderReferences(a), 2);
    ExpDeleteFolder(&copy, project());

    ASSERT_TRUE(ExpPlaceValueInFolder(&folder, 12, handOver(a, PARSET_KIND_TEXT), project()));
    EXPECT_EQ(runsOf(folder), (std::vector<ValueRun>{{0, 4, a}, {5, 9, b}, {12, 12, a}}));
    EXPECT_TRUE(isWellFormed(folder));
    ExpDeleteFolder(&folder, project());

    folder = staleFolder();
    EXPECT_TRUE(ExpValidateFolder(&folder, 20, 0, project()));
    EXPECT_EQ(folder.EntryCount, 2);
    EXPECT_TRUE(isWellFormed(folder));
    ExpDeleteFolder(&folder, project());

    folder = staleFolder();
    EXPECT_TRUE(ExpDeleteFolder(&folder, project()));
    EXPECT_EQ(folderReferences(a), 0);
    EXPECT_EQ(folderReferences(b), 0);
    EXPECT_EQ(StringStoreLiveCount(project()), 2u) << "only the anchors are left";
}

// ---------------------------------------------------------------------------
// Validating (cutting back)
// ---------------------------------------------------------------------------

struct ValidationCase {
    const char* name;
    int count;
    int offset;
    std::vector<SymRun> after;
};

const std::vector<SymRun> kValidated = {{0, 1, 'A'}, {2, 9, 'B'}, {12, 12, 'C'}};

const ValidationCase kValidations[] = {
    {"count 3 keeps indices 0 to 2", 3, 0, {{0, 1, 'A'}, {2, 2, 'B'}}},
    {"offset 4 with count 10 keeps up to 5", 10, 4, {{0, 1, 'A'}, {2, 5, 'B'}}},
    {"negative offset widens the limit", 3, -7, {{0, 1, 'A'}, {2, 9, 'B'}}},
    {"limit on the end of a run", 10, 0, {{0, 1, 'A'}, {2, 9, 'B'}}},
    {"limit in a gap", 12, 0, {{0, 1, 'A'}, {2, 9, 'B'}}},
    {"folder within the limit", 13, 0, kValidated},
    {"limit below every run", 1, 5, {}},
    {"count 0 empties", 0, 0, {}},
    {"negative count empties", -1, 0, {}},
    {"count from the low 16 bits", 0x10003, 0, {{0, 1, 'A'}, {2, 2, 'B'}}},
    {"count 0 in the low 16 bits empties", 0x10000, 0, {}},
};

TEST_F(FolderTest, ValidationCutsRunsBeyondTheLimit)
{
    ASSERT_TRUE(memory().installed());
    for (const ValidationCase& c : kValidations) {
        for (const WORD kind : kKinds) {
            SCOPED_TRACE(std::string(c.name) + " in a " + kindName(kind));
            ParSetFolder folder = folderOf(kValidated, kind);
            memory().reset();

            EXPECT_TRUE(ExpValidateFolder(&folder, c.count, c.offset, project()));

            EXPECT_EQ(runsOf(folder), runs(c.after, kind));
            EXPECT_TRUE(isWellFormed(folder));
            expectReferencesMatch(folder);
            const bool resized = kValidated.size() != c.after.size();
            EXPECT_EQ(memory().allocations(), resized && !c.after.empty() ? 1 : 0);
            EXPECT_EQ(memory().frees(), resized ? 1 : 0);
            EXPECT_EQ(memory().locks(), memory().unlocks());
            ExpDeleteFolder(&folder, project());
        }
    }
}

TEST_F(FolderTest, ValidatingAnEmptyFolderReturnsZero)
{
    ParSetFolder folder{};
    folder.HostWord = 0x77;
    EXPECT_FALSE(ExpValidateFolder(&folder, 3, 0, project()));
    EXPECT_FALSE(ExpValidateFolder(&folder, 0, 0, project()));
    EXPECT_EQ(folder.HostWord, 0x77);
    EXPECT_FALSE(ExpValidateFolder(nullptr, 3, 0, project()));
}

// ---------------------------------------------------------------------------
// Duplicating and deleting
// ---------------------------------------------------------------------------

TEST_F(FolderTest, DuplicateTakesOneReferencePerTextAndDeleteDropsThem)
{
    ParSetFolder source = folderOf({{0, 1, 'A'}, {2, 2, 'B'}, {3, 7, 'A'}, {9, 9, '0'}}, PARSET_KIND_TEXT);
    source.HostWord = 0xBEEF;
    ParSetFolder copy{};
    ASSERT_TRUE(ExpDuplicateFolder(&copy, &source, project()));

    EXPECT_EQ(runsOf(copy), runsOf(source));
    EXPECT_NE(copy.Block, source.Block);
    EXPECT_EQ(copy.ValueKind, PARSET_KIND_TEXT);
    EXPECT_EQ(copy.HostWord, 0xBEEF);
    EXPECT_TRUE(isWellFormed(copy));
    EXPECT_TRUE(isWellFormed(source));
    EXPECT_EQ(folderReferences(text("A")), 4);
    EXPECT_EQ(folderReferences(text("B")), 2);

    // The copy is independent of its source.
    ASSERT_TRUE(ExpPlaceValueInFolder(&copy, 2, handOver(text("A"), PARSET_KIND_TEXT), project()));
    EXPECT_EQ(runsOf(source).size(), 4u);

    EXPECT_TRUE(ExpDeleteFolder(&copy, project()));
    EXPECT_EQ(copy.EntryCount, 0);
    EXPECT_EQ(copy.Block, nullptr);
    EXPECT_EQ(copy.HostWord, 0xBEEF);
    EXPECT_EQ(copy.ValueKind, PARSET_KIND_TEXT);
    expectReferencesMatch(source);
    EXPECT_TRUE(ExpDeleteFolder(&source, project()));
    EXPECT_TRUE(ExpDeleteFolder(&source, project())) << "deleting an empty folder";
    expectReferencesMatch(source);
}

TEST_F(FolderTest, NumberFoldersNeverTouchTheStringStore)
{
    const WORD a = text("A");
    ParSetFolder folder = folderOf({{0, 4, 'X'}, {5, 9, 'Y'}}, kNumberKind);
    {
        // Ids of live texts in the unused string-id field.
        auto* entries = static_cast<ParSetEntry*>(GlobalLock(folder.Block));
        entries[0].StringId = entries[1].StringId = a;
        GlobalUnlock(folder.Block);
    }
    ParSetFolder copy{};
    ASSERT_TRUE(ExpDuplicateFolder(&copy, &folder, project()));
    ASSERT_TRUE(ExpPlaceValueInFolder(&copy, 4, 3, project()));
    ASSERT_TRUE(ExpValidateFolder(&copy, 2, 0, project()));
    EXPECT_TRUE(ExpDeleteFolder(&copy, project()));
    EXPECT_TRUE(ExpDeleteFolder(&folder, project()));
    EXPECT_EQ(StringStoreRefCount(a, project()), 1u);
}

TEST_F(FolderTest, DuplicatingAnEmptyFolderCopiesItsDescriptor)
{
    ParSetFolder source{};
    source.EntryCount = 3;
    source.ValueKind = 9;
    source.HostWord = 0x1234;
    ParSetFolder destination{};
    destination.Block = reinterpret_cast<HGLOBAL>(1);
    ASSERT_TRUE(ExpDuplicateFolder(&destination, &source, project()));
    EXPECT_EQ(destination.EntryCount, 3);
    EXPECT_EQ(destination.Block, nullptr);
    EXPECT_EQ(destination.ValueKind, 9);
    EXPECT_EQ(destination.HostWord, 0x1234);

    ParSetFolder folder = folderOf({{0, 3, 'A'}}, kNumberKind);
    const Snapshot before(folder);
    EXPECT_FALSE(ExpDuplicateFolder(&folder, &folder, project())) << "a folder onto itself";
    EXPECT_TRUE(Snapshot(folder) == before);
    EXPECT_FALSE(ExpDuplicateFolder(nullptr, &folder, project()));
    EXPECT_FALSE(ExpDeleteFolder(nullptr, project()));
    ExpDeleteFolder(&folder, project());
}

// ---------------------------------------------------------------------------
// Memory failures
// ---------------------------------------------------------------------------

struct FailingPlacement {
    const char* name;
    std::vector<SymRun> before;
    int index;
    char value;
};

// Every placement here needs a new block.
const FailingPlacement kFailingPlacements[] = {
    {"into an empty folder", {}, 3, 'A'},
    {"split", {{0, 9, 'A'}}, 4, 'B'},
    {"front taken, new run", {{0, 4, 'A'}, {5, 9, 'B'}}, 5, 'A'},
    {"exact entry removed, neighbours joined", {{0, 2, 'A'}, {3, 3, 'B'}, {4, 6, 'A'}}, 3, 'A'},
    {"new run in a gap", {{0, 2, 'A'}, {6, 9, 'B'}}, 4, 'C'},
};

enum class Fault { FirstAllocation, FirstLock, SecondLock };

TEST_F(FolderTest, AFailedPlacementLeavesTheFolderAndDropsTheHandedReference)
{
    ASSERT_TRUE(memory().installed());
    const std::pair<Fault, const char*> faults[] = {{Fault::FirstAllocation, "allocation fails"},
                                                    {Fault::FirstLock, "first lock fails"},
                                                    {Fault::SecondLock, "lock of the new block fails"}};
    for (const FailingPlacement& c : kFailingPlacements) {
        for (const auto& [fault, faultName] : faults) {
            for (const WORD kind : kKinds) {
                if (fault == Fault::SecondLock && c.before.empty())
                    continue; // only one lock there
                SCOPED_TRACE(std::string(c.name) + ", " + faultName + ", " + kindName(kind));
                ParSetFolder folder = folderOf(c.before, kind);
                const Snapshot before(folder);
                const DWORD value = valueOf(c.value, kind);
                memory().reset();
                if (fault == Fault::FirstAllocation)
                    memory().failAllocation(1);
                else
                    memory().failLock(fault == Fault::FirstLock ? 1 : 2);

                EXPECT_FALSE(ExpPlaceValueInFolder(&folder, c.index, handOver(value, kind), project()));

                EXPECT_TRUE(Snapshot(folder) == before);
                expectReferencesMatch(folder);
                EXPECT_TRUE(memory().outstanding().empty()) << "a new block leaked";
                EXPECT_EQ(memory().locks(), memory().unlocks());
                // The folder still works.
                EXPECT_TRUE(ExpPlaceValueInFolder(&folder, c.index, handOver(value, kind), project()));
                expectReferencesMatch(folder);
                ExpDeleteFolder(&folder, project());
            }
        }
    }
}

TEST_F(FolderTest, AFailedValidationOrDuplicationChangesNothing)
{
    ASSERT_TRUE(memory().installed());
    for (const WORD kind : kKinds) {
        SCOPED_TRACE(kindName(kind));
        ParSetFolder folder = folderOf(kValidated, kind);
        const Snapshot before(folder);

        memory().reset();
        memory().failAllocation(1);
        EXPECT_FALSE(ExpValidateFolder(&folder, 3, 0, project()));
        EXPECT_TRUE(Snapshot(folder) == before);
        expectReferencesMatch(folder);

        memory().reset();
        memory().failLock(1);
        EXPECT_FALSE(ExpValidateFolder(&folder, 3, 0, project()));
        EXPECT_TRUE(Snapshot(folder) == before);

        for (int nthLock : {1, 2}) {
            ParSetFolder copy{};
            memory().reset();
            memory().failLock(nthLock);
            EXPECT_FALSE(ExpDuplicateFolder(&copy, &folder, project()));
            EXPECT_EQ(copy.EntryCount, 0);
            EXPECT_EQ(copy.Block, nullptr);
            EXPECT_EQ(copy.ValueKind, kind);
            EXPECT_TRUE(memory().outstanding().empty());
            EXPECT_EQ(memory().locks(), memory().unlocks());
        }
        ParSetFolder copy{};
        memory().reset();
        memory().failAllocation(1);
        EXPECT_FALSE(ExpDuplicateFolder(&copy, &folder, project()));
        EXPECT_EQ(copy.Block, nullptr);
        EXPECT_TRUE(Snapshot(folder) == before);
        expectReferencesMatch(folder);
        ExpDeleteFolder(&folder, project());
    }
}

TEST_F(FolderTest, EmptyingATextFolderThatCannotBeLockedKeepsItsReferences)
{
    ASSERT_TRUE(memory().installed());
    ParSetFolder folder = folderOf({{0, 3, 'A'}}, PARSET_KIND_TEXT);
    const Snapshot before(folder);
    memory().reset();
    memory().failLock(1);
    EXPECT_FALSE(ExpValidateFolder(&folder, 0, 0, project()));
    EXPECT_TRUE(Snapshot(folder) == before);
    EXPECT_EQ(folderReferences(text("A")), 1);

    // Deleting frees the block in any case; the references cannot be read.
    memory().reset();
    memory().failLock(1);
    EXPECT_TRUE(ExpDeleteFolder(&folder, project()));
    EXPECT_EQ(memory().frees(), 1);
    EXPECT_EQ(folder.Block, nullptr);
    EXPECT_EQ(folder.EntryCount, 0);
}

TEST_F(FolderTest, AFolderDoesNotGrowBeyond4095Entries)
{
    ASSERT_TRUE(memory().installed());
    std::vector<ValueRun> runs;
    const WORD a = text("A"), b = text("B");
    for (int k = 0; k < PARSET_MAX_ENTRIES; ++k)
        runs.push_back({2 * k, 2 * k, a});
    ParSetFolder folder = makeFolder(PARSET_KIND_TEXT, runs, project());
    const Snapshot before(folder);

    memory().reset();
    EXPECT_FALSE(ExpPlaceValueInFolder(&folder, 1, handOver(b, PARSET_KIND_TEXT), project()));
    EXPECT_TRUE(Snapshot(folder) == before);
    EXPECT_EQ(memory().allocations(), 0);
    EXPECT_EQ(folderReferences(b), 0);

    // Placements that keep or lower the count still work.
    EXPECT_TRUE(ExpPlaceValueInFolder(&folder, 0, handOver(b, PARSET_KIND_TEXT), project()));
    EXPECT_EQ(folder.EntryCount, PARSET_MAX_ENTRIES);
    EXPECT_TRUE(ExpPlaceValueInFolder(&folder, 3, handOver(a, PARSET_KIND_TEXT), project()));
    EXPECT_EQ(folder.EntryCount, PARSET_MAX_ENTRIES - 1);
    EXPECT_TRUE(isWellFormed(folder));
    expectReferencesMatch(folder);
    ExpDeleteFolder(&folder, project());
}

// ---------------------------------------------------------------------------
// Randomised comparison with a plain index -> value model
// ---------------------------------------------------------------------------

class FolderModel : public FolderTest {
protected:
    using Model = std::map<int, DWORD>;
    static constexpr int kLowIndex = -4;
    static constexpr int kHighIndex = 40;

    void run(WORD kind, unsigned seed, int steps)
    {
        std::mt19937 random(seed);
        std::vector<DWORD> values;
        if (kind == PARSET_KIND_TEXT)
            values = {0, text(""), text("A"), text("B"), text("C")};
        else
            values = {0, 1, 7, 0x10007, 0xFFFFFFFF};
        auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };

        ParSetFolder folder = makeFolder(kind, {}, project());
        Model model;
        for (int step = 0; step < steps && !HasFailure(); ++step) {
            SCOPED_TRACE(kindName(kind) + ", seed " + std::to_string(seed) + ", step " + std::to_string(step));
            const int action = pick(0, 99);
            if (action < 80) {
                const int index = pick(kLowIndex, kHighIndex);
                const DWORD value = values[pick(0, static_cast<int>(values.size()) - 1)];
                ASSERT_TRUE(ExpPlaceValueInFolder(&folder, index, handOver(value, kind), project()));
                model[index] = value;
            } else if (action < 97) {
                const int count = pick(-2, kHighIndex + 4);
                const int offset = pick(-3, 4);
                const bool wasEmpty = model.empty();
                EXPECT_EQ(ExpValidateFolder(&folder, count, offset, project()) != FALSE, !wasEmpty);
                cutBack(model, count, offset);
            } else {
                ParSetFolder copy{};
                ASSERT_TRUE(ExpDuplicateFolder(&copy, &folder, project()));
                ASSERT_TRUE(ExpDeleteFolder(&folder, project()));
                folder = copy;
            }
            expectFolderIs(folder, model);
            for (const DWORD id : values) {
                if (kind == PARSET_KIND_TEXT && id != 0) {
                    ASSERT_EQ(folderReferences(static_cast<WORD>(id)), entriesHolding(folder, static_cast<WORD>(id)));
                }
            }
        }
        ExpDeleteFolder(&folder, project());
        EXPECT_EQ(StringStoreLiveCount(project()), kind == PARSET_KIND_TEXT ? 4u : 0u);
    }

    static void cutBack(Model& model, int count, int offset)
    {
        if (count <= 0)
            model.clear();
        else
            model.erase(model.upper_bound(count - offset - 1), model.end());
    }

    void expectFolderIs(const ParSetFolder& folder, const Model& model)
    {
        ASSERT_TRUE(isWellFormed(folder));
        for (int index = kLowIndex - 2; index <= kHighIndex + 2; ++index) {
            DWORD value = 0xDEADBEEF;
            const bool found = ExpGetValueFromFolder(const_cast<ParSetFolder*>(&folder), index, &value, project());
            const auto expected = model.find(index);
            ASSERT_EQ(found, expected != model.end()) << "index " << index;
            if (found) {
                ASSERT_EQ(value, expected->second) << "index " << index;
            }
        }
    }
};

TEST_F(FolderModel, RandomNumberPlacementsAgreeWithTheModel)
{
    run(kNumberKind, 1, 2500);
    run(kNumberKind, 2, 2500);
}

TEST_F(FolderModel, RandomTextPlacementsAgreeWithTheModelAndBalanceReferences)
{
    run(PARSET_KIND_TEXT, 3, 2500);
    run(PARSET_KIND_TEXT, 4, 2500);
}

// ---------------------------------------------------------------------------
// Cost of a placement into a full folder
// ---------------------------------------------------------------------------

TEST(FolderSpeed, PlacingIntoAFullFolderCostsAboutOneBlockCopy)
{
    char project[16] = {};
    // Runs of two sets each, values 1 and 3 in turn. Placing 2 at the first
    // set of a run of 3 takes it out (4094 -> 4095 entries); placing 3 there
    // again joins it back (4095 -> 4094). Each needs a new block.
    std::vector<ValueRun> runs;
    for (int k = 0; k < PARSET_MAX_ENTRIES - 1; ++k)
        runs.push_back({2 * k, 2 * k + 1, k % 2 ? 3u : 1u});
    ParSetFolder folder = makeFolder(kNumberKind, runs, project);
    const int index = 2 * (PARSET_MAX_ENTRIES / 2);
    constexpr int kRounds = 200;
    using Clock = std::chrono::steady_clock;

    int placed = 0;
    auto placements = [&] {
        const auto start = Clock::now();
        for (int i = 0; i < kRounds; ++i) {
            placed += ExpPlaceValueInFolder(&folder, index, 2, project) && folder.EntryCount == PARSET_MAX_ENTRIES;
            placed += ExpPlaceValueInFolder(&folder, index, 3, project);
        }
        return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / (2 * kRounds);
    };
    std::vector<BYTE> source(65536, 0x5A);
    auto bareCopies = [&] {
        const auto start = Clock::now();
        for (int i = 0; i < 2 * kRounds; ++i) {
            const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, source.size());
            std::memcpy(GlobalLock(block), source.data(), source.size());
            GlobalUnlock(block);
            GlobalFree(block);
        }
        return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / (2 * kRounds);
    };
    double place = 1e9, bare = 1e9;
    for (int attempt = 0; attempt < 5; ++attempt) {
        place = std::min(place, placements());
        bare = std::min(bare, bareCopies());
    }
    EXPECT_EQ(placed, 5 * 2 * kRounds);
    EXPECT_EQ(runsOf(folder), runs);
    EXPECT_TRUE(isWellFormed(folder));
    std::printf("placement into %d entries: %.1f us; allocate-copy-free of 64 KB: %.1f us; ratio %.2f\n",
                PARSET_MAX_ENTRIES, place, bare, place / bare);
    EXPECT_LT(place, 3 * bare);
    ExpDeleteFolder(&folder, project);
}

// ---------------------------------------------------------------------------
// ValidateParSets
// ---------------------------------------------------------------------------

class ParSets : public FolderTest {
protected:
    MatrixRow& addRow(const std::vector<SymRun>& symbolic, WORD kind, BYTE maxTextLen = 30)
    {
        MatrixRow row{};
        row.Folder = folderOf(symbolic, kind);
        row.MaxTextLen = maxTextLen;
        rows_.push_back(row);
        return rows_.back();
    }
    MatrixDesc& matrix(int setCount, int setBase = 0)
    {
        desc_ = MatrixDesc{};
        desc_.SetCount = static_cast<SHORT>(setCount);
        desc_.SetBase = static_cast<SHORT>(setBase);
        desc_.RowCount = static_cast<SHORT>(rows_.size());
        desc_.Rows = rows_.data();
        desc_.Project = project();
        return desc_;
    }
    std::vector<ValueRun> rowRuns(size_t r) { return runsOf(rows_[r].Folder); }
    void deleteRows()
    {
        for (MatrixRow& row : rows_)
            ExpDeleteFolder(&row.Folder, project());
    }

    std::vector<MatrixRow> rows_;
    MatrixDesc desc_{};

    void SetUp() override { rows_.reserve(8); }
};

TEST_F(ParSets, NumericRowsGetAValueAtEverySetAndNoneBeyond)
{
    addRow({}, kNumberKind);
    addRow({{0, 9, 'A'}}, kNumberKind);
    // Missing sets are filled one at a time; a filled set does not join the fill before it.
    addRow({{0, 1, 'A'}, {4, 4, 'B'}}, kNumberKind);
    const DWORD a = valueOf('A', kNumberKind);

    EXPECT_TRUE(ValidateParSets(&matrix(4)));
    EXPECT_EQ(rowRuns(0), (std::vector<ValueRun>{{0, 3, 0}}));
    EXPECT_EQ(rowRuns(1), (std::vector<ValueRun>{{0, 3, a}}));
    EXPECT_EQ(rowRuns(2), (std::vector<ValueRun>{{0, 1, a}, {2, 2, 0}, {3, 3, 0}}));

    EXPECT_TRUE(ValidateParSets(&matrix(6)));
    EXPECT_EQ(rowRuns(2), (std::vector<ValueRun>{{0, 1, a}, {2, 2, 0}, {3, 5, 0}}));
    for (const MatrixRow& row : rows_)
        EXPECT_TRUE(isWellFormed(row.Folder));
    deleteRows();
}

TEST_F(ParSets, TextsAreCutToTheRowsLengthAndGapsGetTheEmptyText)
{
    const WORD longText = text("ABCDEFGHIJKLMNOPQRST");
    MatrixRow& row = addRow({}, PARSET_KIND_TEXT, 8);
    ExpPlaceValueInFolder(&row.Folder, 2, handOver(longText, PARSET_KIND_TEXT), project());

    EXPECT_TRUE(ValidateParSets(&matrix(4)));

    // Each filled set is a run of its own: a new run never joins the one before.
    const std::vector<ValueRun> runs = rowRuns(0);
    ASSERT_EQ(runs.size(), 4u);
    const WORD empty = static_cast<WORD>(runs[0].value);
    EXPECT_EQ(textOf(empty), "");
    EXPECT_EQ(runs[0], (ValueRun{0, 0, empty}));
    EXPECT_EQ(runs[1], (ValueRun{1, 1, empty}));
    EXPECT_EQ(runs[2].first, 2);
    EXPECT_EQ(runs[2].last, 2);
    EXPECT_EQ(textOf(runs[2].value), "ABCDEFGH");
    EXPECT_EQ(runs[3], (ValueRun{3, 3, empty}));
    EXPECT_EQ(folderReferences(longText), 0) << "the long text lost the folder's reference";
    EXPECT_EQ(StringStoreRefCount(empty, project()), 3u);
    EXPECT_EQ(StringStoreRefCount(runs[2].value, project()), 1u);

    deleteRows();
    EXPECT_EQ(StringStoreLiveCount(project()), 1u) << "only the anchored long text is left";
}

TEST_F(ParSets, TextIdZeroAndLengthZeroBecomeTheEmptyText)
{
    addRow({{0, 0, '0'}, {1, 2, 'A'}}, PARSET_KIND_TEXT, 0);
    EXPECT_TRUE(ValidateParSets(&matrix(3)));
    const std::vector<ValueRun> runs = rowRuns(0);
    ASSERT_FALSE(runs.empty());
    for (const ValueRun& run : runs)
        EXPECT_EQ(textOf(run.value), "") << "run from " << run.first;
    EXPECT_EQ(folderReferences(text("A")), 0);
    deleteRows();
}

TEST_F(ParSets, ASecondCallChangesNothing)
{
    addRow({{0, 0, 'A'}, {3, 9, 'B'}}, PARSET_KIND_TEXT, 1);
    addRow({{1, 1, 'C'}}, kNumberKind);
    addRow({}, PARSET_KIND_TEXT, 5);
    // A text longer than its row.
    ExpPlaceValueInFolder(&rows_[0].Folder, 1, handOver(text("Longer"), PARSET_KIND_TEXT), project());

    ValidateParSets(&matrix(5));
    std::vector<std::vector<ParSetEntry>> once;
    for (const MatrixRow& row : rows_)
        once.push_back(entriesOf(row.Folder));
    const UINT liveOnce = StringStoreLiveCount(project());
    std::vector<UINT> countsOnce;
    for (const auto& entries : once)
        for (const ParSetEntry& e : entries)
            countsOnce.push_back(e.StringId ? StringStoreRefCount(e.StringId, project()) : 0);

    EXPECT_TRUE(ValidateParSets(&matrix(5)));
    std::vector<UINT> countsTwice;
    for (size_t r = 0; r < rows_.size(); ++r) {
        const std::vector<ParSetEntry> twice = entriesOf(rows_[r].Folder);
        ASSERT_EQ(twice.size(), once[r].size()) << "row " << r;
        EXPECT_EQ(std::memcmp(twice.data(), once[r].data(), twice.size() * sizeof(ParSetEntry)), 0) << "row " << r;
        for (const ParSetEntry& e : twice)
            countsTwice.push_back(e.StringId ? StringStoreRefCount(e.StringId, project()) : 0);
    }
    EXPECT_EQ(countsTwice, countsOnce);
    EXPECT_EQ(StringStoreLiveCount(project()), liveOnce);
    EXPECT_EQ(textOf(once[0][0].StringId), "A");
    deleteRows();
}

TEST_F(ParSets, SetCountZeroEmptiesEveryRowAndRowCountZeroTouchesNothing)
{
    addRow({{0, 9, 'A'}}, kNumberKind);
    addRow({{0, 3, 'A'}}, PARSET_KIND_TEXT);
    const Snapshot first(rows_[0].Folder), second(rows_[1].Folder);

    MatrixDesc& none = matrix(4);
    none.RowCount = 0;
    EXPECT_TRUE(ValidateParSets(&none));
    EXPECT_TRUE(Snapshot(rows_[0].Folder) == first);
    EXPECT_TRUE(Snapshot(rows_[1].Folder) == second);
    EXPECT_FALSE(ValidateParSets(nullptr));

    EXPECT_TRUE(ValidateParSets(&matrix(0)));
    for (const MatrixRow& row : rows_) {
        EXPECT_EQ(row.Folder.EntryCount, 0);
        EXPECT_EQ(row.Folder.Block, nullptr);
    }
    EXPECT_EQ(folderReferences(text("A")), 0);
}

TEST_F(ParSets, ASetBaseNumbersTheSetsButKeepsEveryOne)
{
    // The base only shifts the displayed numbers: sets 0 to SetCount - 1 stay.
    addRow({}, kNumberKind);
    EXPECT_TRUE(ValidateParSets(&matrix(5, 2)));
    EXPECT_EQ(rowRuns(0), (std::vector<ValueRun>{{0, 4, 0}}));
    deleteRows();
}
