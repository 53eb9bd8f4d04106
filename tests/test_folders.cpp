// Parameter-set folders through the DLL, as a host calls them: placing and
// reading values, cutting back, duplicating, deleting, ValidateParSets and
// failing memory. Every case checks the block discipline (exactly count
// entries, left unlocked) and, in text folders, the string-store references.
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
using w32ktest::runsOf;
using w32ktest::ValueRun;
using Runs = std::vector<ValueRun>;

namespace {

// A run written with a symbolic value ('A', 'B', ...; '0' = number 0 or no text).
struct SymRun {
    int first;
    int last;
    char value;
};
using SymRuns = std::vector<SymRun>;

const WORD kKinds[] = {PARSET_KIND_TEXT, kNumberKind};

std::string kindName(WORD kind) { return kind == PARSET_KIND_TEXT ? "text folder" : "number folder"; }

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

// Every text is acquired once and that anchor reference kept for the whole
// test, so the store's count of an id is 1 + the references folders hold.
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
    int folderReferences(WORD id) { return static_cast<int>(StringStoreRefCount(id, project())) - 1; }
    // The caller's reference that goes with a placed string id.
    DWORD handOver(DWORD value, WORD kind)
    {
        if (kind == PARSET_KIND_TEXT && LOWORD(value) != 0)
            KorAddReference(LOWORD(value), project());
        return value;
    }
    BOOL place(ParSetFolder& folder, int index, DWORD value)
    {
        return ExpPlaceValueInFolder(&folder, index, handOver(value, folder.ValueKind), project());
    }
    std::string textOf(DWORD id)
    {
        char buffer[300] = "<none>";
        KorReadOrReleaseName(id, project(), buffer, sizeof buffer, FALSE);
        return buffer;
    }
    DWORD valueOf(char symbol, WORD kind)
    {
        if (symbol == '0')
            return 0;
        return kind == PARSET_KIND_TEXT ? text(std::string(1, symbol)) : DWORD(1000 + symbol);
    }
    Runs runs(const SymRuns& symbolic, WORD kind)
    {
        Runs result;
        for (const SymRun& run : symbolic)
            result.push_back({run.first, run.last, valueOf(run.value, kind)});
        return result;
    }
    ParSetFolder folderOf(const SymRuns& symbolic, WORD kind) { return makeFolder(kind, runs(symbolic, kind), project()); }
    // Every id of the symbols has as many folder references as entries holding it.
    void expectReferencesMatch(const ParSetFolder& folder)
    {
        if (folder.ValueKind != PARSET_KIND_TEXT)
            return;
        for (const char* s = "ABCDE"; *s; ++s) {
            const WORD id = text(std::string(1, *s));
            EXPECT_EQ(folderReferences(id), entriesHolding(folder, id)) << "references of " << *s;
        }
    }
    // Counting starts again; a nonzero nthLock / nthAllocation makes that call fail.
    GlobalMemoryMonitor& arm(int nthAllocation = 0, int nthLock = 0)
    {
        monitor_.reset();
        if (nthAllocation)
            monitor_.failAllocation(nthAllocation);
        if (nthLock)
            monitor_.failLock(nthLock);
        return monitor_;
    }
    GlobalMemoryMonitor& memory() { return monitor_; }

private:
    char project_[1024] = {};
    std::map<std::string, WORD> anchors_;
    GlobalMemoryMonitor monitor_{GetModuleHandleA("W32KORUTIL1.dll")};
};

} // namespace

// -- placing ------------------------------------------------------------------

struct PlacementCase {
    const char* name;
    SymRuns before;
    int index;
    char value;
    SymRuns after;
};

const PlacementCase kPlacements[] = {
    {"empty folder gets one run", {}, 7, 'A', {{7, 7, 'A'}}},
    {"split inside a run", {{0, 9, 'A'}}, 4, 'B', {{0, 3, 'A'}, {4, 4, 'B'}, {5, 9, 'A'}}},
    {"value the run holds changes nothing", {{0, 9, 'A'}}, 4, 'A', {{0, 9, 'A'}}},
    {"extends the last run", {{0, 4, 'A'}}, 5, 'A', {{0, 5, 'A'}}},
    {"fills a gap joining both runs", {{0, 4, 'A'}, {6, 9, 'A'}}, 5, 'A', {{0, 9, 'A'}}},
    {"new run not joined with the one before", {{0, 4, 'A'}, {6, 9, 'B'}}, 5, 'A', {{0, 4, 'A'}, {5, 5, 'A'}, {6, 9, 'B'}}},
    {"only entry overwritten", {{3, 3, 'A'}}, 3, 'B', {{3, 3, 'B'}}},
    {"exact entry replaced", {{0, 2, 'A'}, {3, 3, 'B'}, {4, 6, 'C'}}, 3, 'D', {{0, 2, 'A'}, {3, 3, 'D'}, {4, 6, 'C'}}},
    {"exact entry removed, both neighbours joined", {{0, 2, 'A'}, {3, 3, 'B'}, {4, 6, 'A'}}, 3, 'A', {{0, 6, 'A'}}},
    {"exact last entry removed, run before extended", {{0, 2, 'A'}, {3, 3, 'B'}}, 3, 'A', {{0, 3, 'A'}}},
    {"front of a run taken, not joined with the run before", {{0, 4, 'A'}, {5, 9, 'B'}}, 5, 'A', {{0, 4, 'A'}, {5, 5, 'A'}, {6, 9, 'B'}}},
    {"back of a run taken, joined with the run after", {{0, 4, 'A'}, {5, 9, 'B'}}, 4, 'B', {{0, 3, 'A'}, {4, 9, 'B'}}},
    {"gap next to the following run", {{0, 1, 'A'}, {4, 9, 'A'}}, 3, 'A', {{0, 1, 'A'}, {3, 9, 'A'}}},
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
            arm();
            EXPECT_TRUE(place(folder, c.index, valueOf(c.value, kind)));
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

TEST_F(FolderTest, PlacementCarriesTheBytesItDoesNotOwnAndWritesNewRunsClean)
{
    for (const WORD kind : kKinds) {
        SCOPED_TRACE(kindName(kind));
        ParSetFolder folder = folderOf({{0, 9, 'A'}}, kind);
        auto* entry = static_cast<ParSetEntry*>(GlobalLock(folder.Block));
        std::memset(entry->Reserved, 0xAB, sizeof entry->Reserved);
        // The value field the kind does not use is carried, never read.
        (kind == PARSET_KIND_TEXT ? entry->Number = 0x12345678 : entry->StringId = 0x4321);
        GlobalUnlock(folder.Block);
        const ParSetEntry original = entriesOf(folder)[0];

        ASSERT_TRUE(place(folder, 4, valueOf('B', kind)));
        const std::vector<ParSetEntry> entries = entriesOf(folder);
        ASSERT_EQ(entries.size(), 3u);
        for (const size_t outer : {size_t{0}, size_t{2}}) {
            EXPECT_EQ(std::memcmp(entries[outer].Reserved, original.Reserved, 6), 0) << "entry " << outer;
            EXPECT_EQ(entries[outer].Number, original.Number);
            EXPECT_EQ(entries[outer].StringId, original.StringId);
        }
        ParSetEntry clean{};
        clean.FirstIndex = clean.LastIndex = 4;
        (kind == PARSET_KIND_TEXT ? clean.StringId = text("B") : clean.Number = valueOf('B', kind));
        EXPECT_EQ(std::memcmp(&entries[1], &clean, sizeof clean), 0);
        expectReferencesMatch(folder); // the outer halves each own a reference to A

        // Overwriting a run of one set keeps its block and its other bytes.
        ParSetFolder single = folderOf({{3, 3, 'A'}}, kind);
        std::memset(static_cast<ParSetEntry*>(GlobalLock(single.Block))->Reserved, 0x5A, 6);
        GlobalUnlock(single.Block);
        const Snapshot before(single);
        ASSERT_TRUE(place(single, 3, valueOf('B', kind)));
        EXPECT_EQ(single.Block, before.descriptor.Block);
        EXPECT_EQ(std::memcmp(entriesOf(single)[0].Reserved, before.entries[0].Reserved, 6), 0);
        ExpDeleteFolder(&single, project());
        ExpDeleteFolder(&folder, project());
    }
}

TEST_F(FolderTest, IndicesAndValuesAreTakenAsTheHostPassesThem)
{
    // Index: the low 16 bits, signed.
    ParSetFolder numbers = folderOf({}, kNumberKind);
    ASSERT_TRUE(place(numbers, 0x00010005, 1));
    ASSERT_TRUE(place(numbers, 0x0000FFFF, 2));
    EXPECT_EQ(runsOf(numbers), (Runs{{-1, -1, 2}, {5, 5, 1}}));
    DWORD value = 0;
    EXPECT_TRUE(ExpGetValueFromFolder(&numbers, 0x7FFF0005, &value, project()));
    EXPECT_EQ(value, 1u);
    // A number folder compares all 32 bits: no join with a value that differs above bit 15.
    ASSERT_TRUE(place(numbers, 6, 0x00010001));
    ASSERT_TRUE(place(numbers, 7, 0x00020001));
    EXPECT_EQ(runsOf(numbers).size(), 4u);
    ExpDeleteFolder(&numbers, project());

    // A text folder keeps the low 16 bits as the id; the rest is ignored.
    const WORD a = text("A");
    ParSetFolder texts = folderOf({{0, 4, 'A'}}, PARSET_KIND_TEXT);
    ASSERT_TRUE(place(texts, 5, 0xABCD0000u | a));
    EXPECT_EQ(runsOf(texts), (Runs{{0, 5, a}}));
    EXPECT_EQ(folderReferences(a), 1);
    value = 0xFFFFFFFF;
    EXPECT_TRUE(ExpGetValueFromFolder(&texts, 5, &value, project()));
    EXPECT_EQ(value, DWORD{a}) << "widened with zeros";
    ExpDeleteFolder(&texts, project());
}

TEST_F(FolderTest, ReadingFindsTheCoveringRunAndLeavesGapsAlone)
{
    const std::pair<int, char> reads[] = {{0, 'A'}, {4, 'A'}, {5, ' '}, {6, 'B'}, {9, 'B'}, {10, ' '}, {-1, ' '}, {-32768, ' '}};
    for (const WORD kind : kKinds) {
        ParSetFolder folder = folderOf({{0, 4, 'A'}, {6, 9, 'B'}}, kind);
        const Snapshot before(folder);
        for (const auto& [index, expected] : reads) {
            SCOPED_TRACE(kindName(kind) + " index " + std::to_string(index));
            DWORD value = 0xCCCCCCCC;
            EXPECT_EQ(ExpGetValueFromFolder(&folder, index, &value, project()) != FALSE, expected != ' ');
            EXPECT_EQ(value, expected == ' ' ? 0xCCCCCCCC : valueOf(expected, kind));
        }
        EXPECT_TRUE(Snapshot(folder) == before);
        EXPECT_TRUE(isWellFormed(folder)) << "reading leaves the block unlocked";
        ExpDeleteFolder(&folder, project());
    }
}

TEST_F(FolderTest, NullAndEmptyFoldersGetADefinedResult)
{
    DWORD value = 5;
    ParSetFolder empty{};
    empty.HostWord = 0x77;
    EXPECT_FALSE(ExpGetValueFromFolder(nullptr, 0, &value, project()));
    EXPECT_FALSE(ExpGetValueFromFolder(&empty, 0, &value, project()));
    EXPECT_EQ(value, 5u);
    EXPECT_FALSE(ExpValidateFolder(&empty, 3, 0, project()));
    EXPECT_FALSE(ExpValidateFolder(&empty, 0, 0, project()));
    EXPECT_EQ(empty.HostWord, 0x77);
    EXPECT_FALSE(ExpValidateFolder(nullptr, 3, 0, project()));
    EXPECT_FALSE(ExpDeleteFolder(nullptr, project()));

    // A block handle of zero is an empty folder whatever the count: copied as it is, usable.
    ParSetFolder source{};
    source.EntryCount = 3;
    source.ValueKind = kNumberKind;
    source.HostWord = 0x1234;
    EXPECT_FALSE(ExpGetValueFromFolder(&source, 0, &value, project()));
    EXPECT_FALSE(ExpValidateFolder(&source, 3, 0, project()));
    EXPECT_EQ(source.EntryCount, 3) << "an empty folder stays as it is";
    ParSetFolder destination{};
    destination.Block = reinterpret_cast<HGLOBAL>(1);
    ASSERT_TRUE(ExpDuplicateFolder(&destination, &source, project()));
    EXPECT_EQ(std::memcmp(&destination, &source, sizeof source), 0);
    ASSERT_TRUE(place(source, 2, 8));
    EXPECT_EQ(runsOf(source), (Runs{{2, 2, 8}}));
    EXPECT_TRUE(isWellFormed(source));
    EXPECT_TRUE(ExpDeleteFolder(&source, project()));

    ParSetFolder folder = folderOf({{0, 3, 'A'}}, kNumberKind);
    const Snapshot before(folder);
    EXPECT_FALSE(ExpDuplicateFolder(&folder, &folder, project())) << "a folder onto itself";
    EXPECT_TRUE(Snapshot(folder) == before);
    EXPECT_FALSE(ExpDuplicateFolder(nullptr, &folder, project()));
    ExpDeleteFolder(&folder, project());
}

// -- descriptors that say more than the block holds ------------------------------

TEST_F(FolderTest, ACountBeyondTheBlockIsCutToTheEntriesThatFit)
{
    const WORD a = text("A"), b = text("B");
    auto staleFolder = [&] { // two entries in the block, the descriptor claims five
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
    ASSERT_TRUE(place(folder, 12, a));
    EXPECT_EQ(runsOf(folder), (Runs{{0, 4, a}, {5, 9, b}, {12, 12, a}}));
    EXPECT_TRUE(isWellFormed(folder));
    ExpDeleteFolder(&folder, project());

    folder = staleFolder();
    EXPECT_TRUE(ExpValidateFolder(&folder, 20, 0, project()));
    EXPECT_TRUE(isWellFormed(folder));
    EXPECT_EQ(folder.EntryCount, 2);
    ExpDeleteFolder(&folder, project());

    folder = staleFolder();
    EXPECT_TRUE(ExpDeleteFolder(&folder, project()));
    EXPECT_EQ(StringStoreLiveCount(project()), 2u) << "only the anchors are left";
}

// -- validating (cutting back) ------------------------------------------------------

struct ValidationCase {
    const char* name;
    int count;
    int offset;
    SymRuns after;
};

const SymRuns kValidated = {{0, 1, 'A'}, {2, 9, 'B'}, {12, 12, 'C'}};

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
            arm();
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

// -- duplicating and deleting -------------------------------------------------------

TEST_F(FolderTest, DuplicateTakesOneReferencePerTextAndDeleteDropsThem)
{
    ParSetFolder source = folderOf({{0, 1, 'A'}, {2, 2, 'B'}, {3, 7, 'A'}, {9, 9, '0'}}, PARSET_KIND_TEXT);
    source.HostWord = 0xBEEF;
    ParSetFolder copy{};
    ASSERT_TRUE(ExpDuplicateFolder(&copy, &source, project()));
    EXPECT_EQ(runsOf(copy), runsOf(source));
    EXPECT_NE(copy.Block, source.Block);
    EXPECT_EQ(copy.HostWord, 0xBEEF);
    EXPECT_TRUE(isWellFormed(copy));
    EXPECT_EQ(folderReferences(text("A")), 4);
    EXPECT_EQ(folderReferences(text("B")), 2);

    // The copy is independent of its source.
    ASSERT_TRUE(place(copy, 2, text("A")));
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
    auto* entries = static_cast<ParSetEntry*>(GlobalLock(folder.Block));
    entries[0].StringId = entries[1].StringId = a; // live ids in the unused field
    GlobalUnlock(folder.Block);
    ParSetFolder copy{};
    ASSERT_TRUE(ExpDuplicateFolder(&copy, &folder, project()));
    ASSERT_TRUE(place(copy, 4, 3));
    ASSERT_TRUE(ExpValidateFolder(&copy, 2, 0, project()));
    EXPECT_TRUE(ExpDeleteFolder(&copy, project()));
    EXPECT_TRUE(ExpDeleteFolder(&folder, project()));
    EXPECT_EQ(StringStoreRefCount(a, project()), 1u);
}

// -- memory failures ------------------------------------------------------------------

struct FailingPlacement {
    const char* name;
    SymRuns before;
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

TEST_F(FolderTest, AFailedPlacementLeavesTheFolderAndDropsTheHandedReference)
{
    ASSERT_TRUE(memory().installed());
    // {nth allocation, nth lock} that fails.
    const std::pair<int, int> faults[] = {{1, 0}, {0, 1}, {0, 2}};
    for (const FailingPlacement& c : kFailingPlacements) {
        for (const auto& [nthAllocation, nthLock] : faults) {
            if (nthLock == 2 && c.before.empty())
                continue; // only one lock there
            for (const WORD kind : kKinds) {
                SCOPED_TRACE(std::string(c.name) + ", allocation " + std::to_string(nthAllocation) + ", lock " +
                             std::to_string(nthLock) + ", " + kindName(kind));
                ParSetFolder folder = folderOf(c.before, kind);
                const Snapshot before(folder);
                arm(nthAllocation, nthLock);
                EXPECT_FALSE(place(folder, c.index, valueOf(c.value, kind)));
                EXPECT_TRUE(Snapshot(folder) == before);
                expectReferencesMatch(folder);
                EXPECT_TRUE(memory().outstanding().empty()) << "a new block leaked";
                EXPECT_EQ(memory().locks(), memory().unlocks());
                EXPECT_TRUE(place(folder, c.index, valueOf(c.value, kind))) << "the folder still works";
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
        for (const auto& [nthAllocation, nthLock] : {std::pair{1, 0}, std::pair{0, 1}}) {
            arm(nthAllocation, nthLock);
            EXPECT_FALSE(ExpValidateFolder(&folder, 3, 0, project()));
            EXPECT_TRUE(Snapshot(folder) == before);
            expectReferencesMatch(folder);
        }
        for (const auto& [nthAllocation, nthLock] : {std::pair{1, 0}, std::pair{0, 1}, std::pair{0, 2}}) {
            ParSetFolder copy{};
            arm(nthAllocation, nthLock);
            EXPECT_FALSE(ExpDuplicateFolder(&copy, &folder, project()));
            EXPECT_EQ(copy.EntryCount, 0);
            EXPECT_EQ(copy.Block, nullptr);
            EXPECT_EQ(copy.ValueKind, kind);
            EXPECT_TRUE(memory().outstanding().empty());
            EXPECT_EQ(memory().locks(), memory().unlocks());
            EXPECT_TRUE(Snapshot(folder) == before);
            expectReferencesMatch(folder);
        }
        ExpDeleteFolder(&folder, project());
    }
}

TEST_F(FolderTest, EmptyingATextFolderThatCannotBeLockedKeepsItsReferences)
{
    ASSERT_TRUE(memory().installed());
    ParSetFolder folder = folderOf({{0, 3, 'A'}}, PARSET_KIND_TEXT);
    const Snapshot before(folder);
    arm(0, 1);
    EXPECT_FALSE(ExpValidateFolder(&folder, 0, 0, project()));
    EXPECT_TRUE(Snapshot(folder) == before);
    EXPECT_EQ(folderReferences(text("A")), 1);
    // Deleting frees the block in any case; the references cannot be read.
    arm(0, 1);
    EXPECT_TRUE(ExpDeleteFolder(&folder, project()));
    EXPECT_EQ(memory().frees(), 1);
    EXPECT_EQ(folder.Block, nullptr);
    EXPECT_EQ(folder.EntryCount, 0);
}

TEST_F(FolderTest, AFolderDoesNotGrowBeyond4095Entries)
{
    ASSERT_TRUE(memory().installed());
    const WORD a = text("A"), b = text("B");
    Runs full;
    for (int k = 0; k < PARSET_MAX_ENTRIES; ++k)
        full.push_back({2 * k, 2 * k, a});
    ParSetFolder folder = makeFolder(PARSET_KIND_TEXT, full, project());
    const Snapshot before(folder);
    arm();
    EXPECT_FALSE(place(folder, 1, b));
    EXPECT_TRUE(Snapshot(folder) == before);
    EXPECT_EQ(memory().allocations(), 0);
    EXPECT_EQ(folderReferences(b), 0);
    // Placements that keep or lower the count still work.
    EXPECT_TRUE(place(folder, 0, b));
    EXPECT_EQ(folder.EntryCount, PARSET_MAX_ENTRIES);
    EXPECT_TRUE(place(folder, 3, a));
    EXPECT_EQ(folder.EntryCount, PARSET_MAX_ENTRIES - 1);
    EXPECT_TRUE(isWellFormed(folder));
    expectReferencesMatch(folder);
    ExpDeleteFolder(&folder, project());
}

// -- randomised comparison with a plain index -> value model ---------------------------

TEST_F(FolderTest, RandomPlacementsCutsAndCopiesAgreeWithAModel)
{
    constexpr int kLow = -4, kHigh = 40;
    for (const WORD kind : kKinds) {
        const bool texts = kind == PARSET_KIND_TEXT;
        const std::vector<DWORD> values = texts ? std::vector<DWORD>{0, text(""), text("A"), text("B"), text("C")}
                                                : std::vector<DWORD>{0, 1, 7, 0x10007, 0xFFFFFFFF};
        const UINT anchors = StringStoreLiveCount(project());
        std::mt19937 random(texts ? 3 : 1);
        auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
        ParSetFolder folder = makeFolder(kind, {}, project());
        std::map<int, DWORD> model;
        for (int step = 0; step < 2000 && !HasFailure(); ++step) {
            SCOPED_TRACE(kindName(kind) + ", step " + std::to_string(step));
            const int action = pick(0, 99);
            if (action < 80) {
                const int index = pick(kLow, kHigh);
                const DWORD value = values[pick(0, static_cast<int>(values.size()) - 1)];
                ASSERT_TRUE(place(folder, index, value));
                model[index] = value;
            } else if (action < 97) {
                const int count = pick(-2, kHigh + 4), offset = pick(-3, 4);
                EXPECT_EQ(ExpValidateFolder(&folder, count, offset, project()) != FALSE, !model.empty());
                model.erase(count <= 0 ? model.begin() : model.upper_bound(count - offset - 1), model.end());
            } else {
                ParSetFolder copy{};
                ASSERT_TRUE(ExpDuplicateFolder(&copy, &folder, project()));
                ASSERT_TRUE(ExpDeleteFolder(&folder, project()));
                folder = copy;
            }
            ASSERT_TRUE(isWellFormed(folder));
            for (int index = kLow - 2; index <= kHigh + 2; ++index) {
                DWORD value = 0xDEADBEEF;
                const bool found = ExpGetValueFromFolder(&folder, index, &value, project());
                const auto expected = model.find(index);
                ASSERT_EQ(found, expected != model.end()) << "index " << index;
                ASSERT_TRUE(!found || value == expected->second) << "index " << index;
            }
            for (const DWORD id : values) {
                if (texts && id != 0) {
                    ASSERT_EQ(folderReferences(LOWORD(id)), entriesHolding(folder, LOWORD(id)));
                }
            }
        }
        ExpDeleteFolder(&folder, project());
        EXPECT_EQ(StringStoreLiveCount(project()), anchors) << "no reference left behind";
    }
}

// -- cost of a placement into a full folder ----------------------------------------

TEST(FolderSpeed, PlacingIntoAFullFolderCostsAboutOneBlockCopy)
{
    char project[16] = {};
    // Runs of two sets, values 1 and 3 in turn. Placing 2 at the first set of a
    // run of 3 takes it out (4094 -> 4095 entries); placing 3 joins it back.
    Runs runs;
    for (int k = 0; k < PARSET_MAX_ENTRIES - 1; ++k)
        runs.push_back({2 * k, 2 * k + 1, k % 2 ? 3u : 1u});
    ParSetFolder folder = makeFolder(kNumberKind, runs, project);
    const int index = 2 * (PARSET_MAX_ENTRIES / 2);
    constexpr int kRounds = 200;
    using Clock = std::chrono::steady_clock;
    auto microseconds = [](Clock::time_point start) {
        return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / (2 * kRounds);
    };
    int placed = 0;
    std::vector<BYTE> source(65536, 0x5A);
    double place = 1e9, bare = 1e9;
    for (int attempt = 0; attempt < 5; ++attempt) {
        auto start = Clock::now();
        for (int i = 0; i < kRounds; ++i) {
            placed += ExpPlaceValueInFolder(&folder, index, 2, project) && folder.EntryCount == PARSET_MAX_ENTRIES;
            placed += ExpPlaceValueInFolder(&folder, index, 3, project);
        }
        place = std::min(place, microseconds(start));
        start = Clock::now();
        for (int i = 0; i < 2 * kRounds; ++i) {
            const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, source.size());
            std::memcpy(GlobalLock(block), source.data(), source.size());
            GlobalUnlock(block);
            GlobalFree(block);
        }
        bare = std::min(bare, microseconds(start));
    }
    EXPECT_EQ(placed, 5 * 2 * kRounds);
    EXPECT_EQ(runsOf(folder), runs);
    std::printf("placement into %d entries: %.1f us; allocate-copy-free of 64 KB: %.1f us; ratio %.2f\n",
                PARSET_MAX_ENTRIES, place, bare, place / bare);
    EXPECT_LT(place, 3 * bare);
    ExpDeleteFolder(&folder, project);
}

// -- ValidateParSets ---------------------------------------------------------------------

class ParSets : public FolderTest {
protected:
    void SetUp() override { rows_.reserve(8); }
    MatrixRow& addRow(const SymRuns& symbolic, WORD kind, BYTE maxTextLen = 30)
    {
        MatrixRow row{};
        row.Folder = folderOf(symbolic, kind);
        row.MaxTextLen = maxTextLen;
        rows_.push_back(row);
        return rows_.back();
    }
    MatrixDesc* matrix(int setCount, int setBase = 0)
    {
        desc_ = MatrixDesc{};
        desc_.SetCount = static_cast<SHORT>(setCount);
        desc_.SetBase = static_cast<SHORT>(setBase);
        desc_.RowCount = static_cast<SHORT>(rows_.size());
        desc_.Rows = rows_.data();
        desc_.Project = project();
        return &desc_;
    }
    Runs rowRuns(size_t r) { return runsOf(rows_[r].Folder); }
    void deleteRows()
    {
        for (MatrixRow& row : rows_)
            ExpDeleteFolder(&row.Folder, project());
    }

    std::vector<MatrixRow> rows_;
    MatrixDesc desc_{};
};

TEST_F(ParSets, NumericRowsGetAValueAtEverySetAndNoneBeyond)
{
    addRow({}, kNumberKind);
    addRow({{0, 9, 'A'}}, kNumberKind);
    // Missing sets are filled one at a time; a filled set does not join the fill before it.
    addRow({{0, 1, 'A'}, {4, 4, 'B'}}, kNumberKind);
    const DWORD a = valueOf('A', kNumberKind);
    EXPECT_TRUE(ValidateParSets(matrix(4)));
    EXPECT_EQ(rowRuns(0), (Runs{{0, 3, 0}}));
    EXPECT_EQ(rowRuns(1), (Runs{{0, 3, a}}));
    EXPECT_EQ(rowRuns(2), (Runs{{0, 1, a}, {2, 2, 0}, {3, 3, 0}}));
    EXPECT_TRUE(ValidateParSets(matrix(6)));
    EXPECT_EQ(rowRuns(2), (Runs{{0, 1, a}, {2, 2, 0}, {3, 5, 0}}));
    for (const MatrixRow& row : rows_)
        EXPECT_TRUE(isWellFormed(row.Folder));
    deleteRows();
}

TEST_F(ParSets, ASetBaseNumbersTheSetsButKeepsEveryOne)
{
    addRow({}, kNumberKind);
    EXPECT_TRUE(ValidateParSets(matrix(5, 2)));
    EXPECT_EQ(rowRuns(0), (Runs{{0, 4, 0}}));
    deleteRows();
}

TEST_F(ParSets, TextsAreCutToTheRowsLengthAndGapsGetTheEmptyText)
{
    const WORD longText = text("ABCDEFGHIJKLMNOPQRST");
    MatrixRow& row = addRow({}, PARSET_KIND_TEXT, 8);
    place(row.Folder, 2, longText);
    addRow({{0, 0, '0'}, {1, 2, 'A'}}, PARSET_KIND_TEXT, 0); // id 0 and length 0 give the empty text
    EXPECT_TRUE(ValidateParSets(matrix(4)));

    // Each filled set is a run of its own: a new run never joins the one before.
    const Runs runs = rowRuns(0);
    ASSERT_EQ(runs.size(), 4u);
    const WORD empty = LOWORD(runs[0].value);
    EXPECT_EQ(textOf(empty), "");
    EXPECT_EQ(runs, (Runs{{0, 0, empty}, {1, 1, empty}, {2, 2, runs[2].value}, {3, 3, empty}}));
    EXPECT_EQ(textOf(runs[2].value), "ABCDEFGH");
    EXPECT_EQ(folderReferences(longText), 0) << "the long text lost the folder's reference";
    EXPECT_EQ(StringStoreRefCount(runs[2].value, project()), 1u);
    for (const ValueRun& run : rowRuns(1))
        EXPECT_EQ(run.value, DWORD{empty}) << "run from " << run.first;
    EXPECT_EQ(folderReferences(text("A")), 0);
    EXPECT_EQ(StringStoreRefCount(empty, project()), static_cast<UINT>(3 + entriesHolding(rows_[1].Folder, empty)));
    deleteRows();
    EXPECT_EQ(StringStoreLiveCount(project()), 2u) << "only the anchored texts are left";
}

TEST_F(ParSets, ASecondCallChangesNothing)
{
    addRow({{0, 0, 'A'}, {3, 9, 'B'}}, PARSET_KIND_TEXT, 1);
    addRow({{1, 1, 'C'}}, kNumberKind);
    addRow({}, PARSET_KIND_TEXT, 5);
    place(rows_[0].Folder, 1, text("Longer")); // a text longer than its row
    auto state = [&] {
        std::vector<Snapshot> rows;
        std::vector<UINT> counts{StringStoreLiveCount(project())};
        for (const MatrixRow& row : rows_) {
            rows.emplace_back(row.Folder);
            for (const ParSetEntry& e : rows.back().entries)
                counts.push_back(e.StringId ? StringStoreRefCount(e.StringId, project()) : 0);
        }
        return std::pair{rows, counts};
    };
    ValidateParSets(matrix(5));
    const auto once = state();
    EXPECT_TRUE(ValidateParSets(matrix(5)));
    EXPECT_TRUE(state() == once);
    EXPECT_EQ(textOf(once.first[0].entries[0].StringId), "A");
    deleteRows();
}

TEST_F(ParSets, SetCountZeroEmptiesEveryRowAndRowCountZeroTouchesNothing)
{
    addRow({{0, 9, 'A'}}, kNumberKind);
    addRow({{0, 3, 'A'}}, PARSET_KIND_TEXT);
    const Snapshot first(rows_[0].Folder), second(rows_[1].Folder);
    MatrixDesc* none = matrix(4);
    none->RowCount = 0;
    EXPECT_TRUE(ValidateParSets(none));
    EXPECT_TRUE(Snapshot(rows_[0].Folder) == first);
    EXPECT_TRUE(Snapshot(rows_[1].Folder) == second);
    EXPECT_FALSE(ValidateParSets(nullptr));

    EXPECT_TRUE(ValidateParSets(matrix(0)));
    for (const MatrixRow& row : rows_)
        EXPECT_TRUE(row.Folder.EntryCount == 0 && row.Folder.Block == nullptr);
    EXPECT_EQ(folderReferences(text("A")), 0);
}
