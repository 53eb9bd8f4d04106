// Damaged host data through the DLL: folders with bad runs, cyclic tag trees,
// net-node trees with repeated blocks or bad counts, DIB headers whose colour
// counts wrap (long INI values: test_ini_files). Each call must end with a
// defined result, stay inside the blocks and leave the host's other data alone.
#include <gtest/gtest.h>

#include "frame/raii.h"
#include "support/folder_helpers.h"
#include "w32korutil1.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

using w32ktest::entriesHolding;
using w32khost::entriesOf;

namespace {

// A host structure around a record: the bytes on both sides must survive.
template <typename T>
struct Guarded {
    BYTE before[32];
    T value;
    BYTE after[32];
    explicit Guarded(const T& v) : value(v) { std::fill_n(before, 32, 0xC7), std::fill_n(after, 32, 0xC7); }
    bool intact() const { return std::count(before, before + 32, 0xC7) + std::count(after, after + 32, 0xC7) == 64; }
};

bool isLiveBlock(HGLOBAL block) { return GlobalFlags(block) != GMEM_INVALID_HANDLE && GlobalSize(block) != 0; }

} // namespace

TEST(DamagedFolder, EveryCallStaysInTheBlockAndKeepsReferencesBalanced)
{
    w32khost::Project project;
    std::vector<WORD> ids; // "A".."H", each with one reference the test keeps
    for (const char* k : {"A", "B", "C", "D", "E", "F", "G", "H"})
        ids.push_back(project.acquire(k));
    const auto balanced = [&](const ParSetFolder& f) {
        for (WORD id : ids)
            EXPECT_EQ(int(project.references(id)) - 1, entriesHolding(f, id)) << "references of " << id;
    };
    const std::pair<const char*, std::vector<std::pair<int, int>>> cases[] = {
        {"out of order", {{5, 9}, {0, 3}, {12, 20}}},
        {"overlapping", {{0, 9}, {4, 6}, {5, 12}, {8, 8}}},
        {"first beyond last", {{9, 2}, {3, 3}}},
        {"first beyond last, alone", {{8, 4}}}, // extending it with its own value lost the value
        {"one index three times", {{4, 4}, {4, 4}, {4, 4}}},
        {"every index, then one more", {{-32768, 32767}, {0, 0}}},
    };
    for (const auto& [name, runs] : cases) {
        std::vector<w32khost::Run> valued;
        for (size_t k = 0; k < runs.size(); ++k)
            valued.push_back({runs[k].first, runs[k].second, ids[k]});
        const auto damaged = [&] { return Guarded(w32ktest::makeFolder(PARSET_KIND_TEXT, valued, project.data())); };
        {
            SCOPED_TRACE(std::string(name) + ": cut back and copied");
            Guarded source = damaged(), copy(ParSetFolder{});
            ASSERT_TRUE(ExpDuplicateFolder(&copy.value, &source.value, project.data()));
            EXPECT_EQ(entriesOf(copy.value).size(), entriesOf(source.value).size());
            EXPECT_TRUE(ExpValidateFolder(&source.value, 6, 0, project.data()));
            for (const ParSetEntry& e : entriesOf(source.value))
                EXPECT_LE(e.FirstIndex, 5);
            EXPECT_EQ(GlobalSize(source.value.Block), source.value.EntryCount * sizeof(ParSetEntry));
            EXPECT_TRUE(ExpDeleteFolder(&source.value, project.data()));
            EXPECT_TRUE(ExpDeleteFolder(&copy.value, project.data()));
            balanced(source.value); // every folder reference is gone
            EXPECT_TRUE(source.intact());
            EXPECT_TRUE(copy.intact());
        }
        for (int index : {-32768, -1, 0, 4, 5, 8, 13, 32767}) {
            for (const WORD value : {ids[0], ids[7]}) {
                SCOPED_TRACE(std::string(name) + ", index " + std::to_string(index) + ", value " + std::to_string(value));
                Guarded host = damaged();
                host.value.HostWord = 0x1234;
                DWORD read = 0xDEADBEEF;
                if (ExpGetValueFromFolder(&host.value, index, &read, project.data()))
                    EXPECT_TRUE(read == 0 || entriesHolding(host.value, WORD(read)) > 0);
                else
                    EXPECT_EQ(read, 0xDEADBEEF);
                project.addReference(value); // handed over with the value
                EXPECT_TRUE(ExpPlaceValueInFolder(&host.value, index, value, project.data()));
                EXPECT_EQ(GlobalSize(host.value.Block), host.value.EntryCount * sizeof(ParSetEntry));
                EXPECT_TRUE(ExpGetValueFromFolder(&host.value, index, &read, project.data()));
                EXPECT_EQ(read, value);
                balanced(host.value);
                EXPECT_TRUE(ExpDeleteFolder(&host.value, project.data()));
                balanced(host.value);
                EXPECT_EQ(host.value.HostWord, 0x1234);
                EXPECT_TRUE(host.intact());
            }
        }
    }
}

TEST(CyclicTags, DeletingAGroupInACycleRemovesTheCycleOnceAndLeavesTheCopy)
{
    // Element cycleFrom gets parent cycleTo, then element deleted goes.
    const struct { const char* name; WORD cycleFrom, cycleTo, deleted; std::vector<WORD> remaining; } cases[] = {
        {"two groups, each the other's parent", 1, 2, 1, {4}},
        {"the same cycle entered from below", 1, 2, 2, {4}},
        {"a group that is its own parent", 1, 1, 1, {4}},
        {"a cycle through the leaf's group only", 2, 2, 2, {1, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        w32khost::Project project;
        Guarded folder{TagFolderHeader{}};
        const auto add = [&](const char* name, WORD parent, int group) {
            const TagDataRecord data{};
            return AddTagElement(&folder.value, project.data(), name, &data, parent, group, w32khost::sameNodeTag);
        };
        add("T", add("G2", add("G1", 0, 1), 1), 0);
        add("U", 0, 0);
        if (const w32k::GlobalLockGuard<TagElement> elements(folder.value.elements); elements)
            elements[c.cycleFrom - 1].parentId = c.cycleTo;
        TagFolderHeader copy{};
        ASSERT_TRUE(DuplicateTagFolder(&copy, &folder.value, project.data()));
        DeleteTagElement(&folder.value, project.data(), c.deleted);
        std::vector<WORD> ids;
        if (const w32k::GlobalLockGuard<const TagElement> elements(folder.value.elements); elements)
            for (WORD k = 0; k < folder.value.count; ++k)
                ids.push_back(elements[k].id);
        EXPECT_EQ(ids, c.remaining);
        EXPECT_EQ(GlobalSize(folder.value.elements), c.remaining.size() * sizeof(TagElement));
        EXPECT_EQ(copy.count, 4);
        DeleteTagFolder(&copy, project.data());
        EXPECT_EQ(project.liveTexts(), c.remaining.size()) << "the copy released its own references";
        DeleteTagFolder(&folder.value, project.data());
        EXPECT_EQ(project.liveTexts(), 0u);
        EXPECT_TRUE(folder.intact());
    }
}

namespace {

// A record with the given children in a block of exactly their size.
NetNodeRecord node(WORD number, const std::vector<NetNodeRecord>& children = {})
{
    NetNodeRecord r{};
    r.nodeNumber = number;
    std::fill_n(r.hostData1, sizeof r.hostData1, BYTE(number));
    for (const auto& child : children)
        EXPECT_TRUE(ExpRegisterNetNodeData(&r, &child));
    return r;
}

// Points the first child of record at block, said to hold count records.
void redirectFirstChild(const NetNodeRecord& record, HGLOBAL block, WORD count)
{
    const w32k::GlobalLockGuard<NetNodeRecord> children(record.childBlock);
    children[0].childBlock = block;
    children[0].childCount = count;
}

} // namespace

TEST(DamagedNetNodes, ABlockBelowItselfIsNeitherCopiedNorFreedTwice)
{
    Guarded folder(node(0, {node(1), node(2)}));
    redirectFirstChild(folder.value, folder.value.childBlock, 2); // node 1's children: its own block
    Guarded copy(node(9));
    EXPECT_FALSE(ExpDuplicateNetworkFolder(&copy.value, &folder.value));
    EXPECT_EQ(copy.value.childBlock, nullptr);
    EXPECT_EQ(copy.value.childCount, 0);
    EXPECT_TRUE(isLiveBlock(folder.value.childBlock)) << "the source is left alone";

    // Removing node 1 drops the handle back to the folder's own block unfreed.
    EXPECT_TRUE(ExpDeleteNetNodeData(&folder.value, 1));
    ASSERT_EQ(folder.value.childCount, 1);
    NetNodeRecord out{};
    EXPECT_TRUE(ExpGetNetNodeData(&folder.value, W32K_NETNODE_BY_POSITION, 0, &out));
    EXPECT_EQ(out.nodeNumber, 2);
    EXPECT_TRUE(ExpDeleteNetworkFolder(&folder.value));

    // The whole tree deleted with the cycle in place: each block freed once.
    Guarded again(node(0, {node(1)}));
    const HGLOBAL block = again.value.childBlock;
    redirectFirstChild(again.value, block, 1);
    EXPECT_FALSE(ExpDeleteNetworkFolder(&again.value)) << "the tree was damaged";
    EXPECT_EQ(again.value.childBlock, nullptr);
    EXPECT_FALSE(isLiveBlock(block));
    EXPECT_TRUE(folder.intact());
    EXPECT_TRUE(copy.intact());
    EXPECT_TRUE(again.intact());
}

TEST(DamagedNetNodes, ABlockSharedByTwoRecordsIsNeitherCopiedNorFreedTwice)
{
    const NetNodeRecord shared = node(5, {node(50)});
    NetNodeRecord a = node(1), b = node(2);
    a.childBlock = b.childBlock = shared.childBlock;
    a.childCount = b.childCount = 1;
    Guarded folder(node(0, {a, b})), copy(node(9));
    // Copied once per record, a few levels of shared blocks would make a
    // copy without bound: the copy is refused as for a block below itself.
    EXPECT_FALSE(ExpDuplicateNetworkFolder(&copy.value, &folder.value));
    EXPECT_EQ(copy.value.childBlock, nullptr);
    EXPECT_EQ(copy.value.childCount, 0);
    EXPECT_TRUE(isLiveBlock(shared.childBlock)) << "the source is left alone";
    EXPECT_FALSE(ExpDeleteNetworkFolder(&folder.value)) << "the second handle is dropped";
    EXPECT_FALSE(isLiveBlock(shared.childBlock));
    EXPECT_TRUE(folder.intact());
    EXPECT_TRUE(copy.intact());
}

TEST(DamagedNetNodes, ACountBeyondItsBlockIsCutAndATooDeepTreeRefused)
{
    NetNodeRecord a = node(1, {node(10)});
    a.childCount = 500; // the block holds one record
    Guarded folder(node(0, {a})), copy(NetNodeRecord{});
    ASSERT_TRUE(ExpDuplicateNetworkFolder(&copy.value, &folder.value));
    NetNodeRecord copiedA{}, grandchild{};
    ASSERT_TRUE(ExpGetNetNodeData(&copy.value, W32K_NETNODE_BY_NUMBER, 1, &copiedA));
    EXPECT_EQ(copiedA.childCount, 1);
    EXPECT_EQ(GlobalSize(copiedA.childBlock), sizeof(NetNodeRecord));
    EXPECT_TRUE(ExpGetNetNodeData(&copiedA, W32K_NETNODE_BY_POSITION, 0, &grandchild));
    EXPECT_EQ(grandchild.nodeNumber, 10);
    EXPECT_FALSE(ExpGetNetNodeData(&copiedA, W32K_NETNODE_BY_POSITION, 1, &grandchild));
    EXPECT_TRUE(ExpDeleteNetworkFolder(&copy.value));
    EXPECT_TRUE(ExpDeleteNetworkFolder(&folder.value));

    // 2000 levels: the copy fails instead of exhausting the stack; the
    // deletion leaves the deep blocks.
    NetNodeRecord chain = node(2000);
    for (WORD level = 1999; level > 0; --level)
        chain = node(level, {chain});
    Guarded deep(node(0, {chain}));
    EXPECT_FALSE(ExpDuplicateNetworkFolder(&copy.value, &deep.value));
    EXPECT_EQ(copy.value.childBlock, nullptr);
    EXPECT_FALSE(ExpDeleteNetworkFolder(&deep.value));
    EXPECT_EQ(deep.value.childBlock, nullptr);
    EXPECT_TRUE(folder.intact());
    EXPECT_TRUE(copy.intact());
    EXPECT_TRUE(deep.intact());
}

TEST(HostileDib, ColourCountsThatWrapThirtyTwoBitsAreRefused)
{
    const struct { const char* name; WORD bits; DWORD used; bool converted; } cases[] = {
        {"colours used 2^30: a table of 4 GiB wraps to 0", 8, 0x40000000, false},
        {"colours used 0xFFFFFFFF", 8, 0xFFFFFFFF, false},
        {"colours used 2^30 + 1 wraps to 4 bytes", 24, 0x40000001, false},
        {"1 bit, both entries and one row in the block", 1, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t size = sizeof(BITMAPINFOHEADER) + (c.converted ? 16 : 64);
        const w32k::GlobalBlock source = w32k::GlobalBlock::allocate(size);
        std::vector<BYTE> before(size);
        if (const w32k::GlobalLockGuard<BITMAPINFOHEADER> h(source.get()); h) {
            h[0] = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 2, 2, 1, c.bits, BI_RGB, 0x7FFFFFFF, 0, 0, c.used, 0};
            std::memcpy(before.data(), h.get(), size);
        }
        const w32k::GlobalBlock result(TransformTrueColorTo16Bpp(source.get(), 16, BI_BITFIELDS));
        EXPECT_EQ(bool(result), c.converted);
        EXPECT_EQ(GlobalFlags(source.get()) & GMEM_LOCKCOUNT, 0u);
        const w32k::GlobalLockGuard<const BYTE> after(source.get());
        EXPECT_TRUE(std::equal(before.begin(), before.end(), after.get())) << "the source is not changed";
    }
}
