// Damaged host data through the DLL: folders with bad runs, net-node trees with repeated blocks or too deep.
// Each call must end with a defined result, stay inside the blocks and leave the host's other data alone.
// (Damaged tag trees: fuzz_tags and fuzz_folders; lying DIB headers: fuzz_dib; long INI values:
// test_ini_files.)
#include <gtest/gtest.h>

#include "frame/raii.h"
#include "support/folder_helpers.h"
#include "w32korutil1.h"

#include <algorithm>
#include <string>
#include <vector>

using w32ktest::entriesHolding;

namespace {

// A host structure around a record: the bytes on both sides must survive.
template <typename T>
struct Guarded {
    BYTE before[32];
    T value;
    BYTE after[32];
    explicit Guarded(const T& v) : value(v) { std::fill_n(before, 32, 0xC7), std::fill_n(after, 32, 0xC7); }
    static bool filled(const BYTE* bytes) { return std::count(bytes, bytes + 32, 0xC7) == 32; }
    bool intact() const { return filled(before) && filled(after); }
};

bool isLive(HGLOBAL block) { return GlobalFlags(block) != GMEM_INVALID_HANDLE && GlobalSize(block) != 0; }

} // namespace

// A run whose first index lies beyond its last covers nothing: placing its own value beside it once extended
// it and the value was lost. (Every other damaged layout under every placement and cut-back: fuzz_folders.)
TEST(DamagedFolder, EveryCallStaysInTheBlockAndKeepsReferencesBalanced)
{
    w32khost::Project project;
    const WORD a = project.acquire("A"), b = project.acquire("B"); // with a reference the test keeps
    const auto balanced = [&](const ParSetFolder& f) {
        for (WORD id : {a, b})
            EXPECT_EQ(int(project.references(id)) - 1, entriesHolding(f, id)) << "references of " << id;
    };
    for (int index : {-32768, -1, 0, 3, 4, 5, 8, 9, 13, 32767}) {
        for (const WORD value : {a, b}) {
            SCOPED_TRACE("index " + std::to_string(index) + ", value " + std::to_string(value));
            Guarded host(w32ktest::makeFolder(PARSET_KIND_TEXT, {{8, 4, a}}, project.data()));
            host.value.HostWord = 0x1234;
            project.addReference(value); // handed over with the value
            EXPECT_TRUE(ExpPlaceValueInFolder(&host.value, index, value, project.data()));
            EXPECT_EQ(GlobalSize(host.value.Block), host.value.EntryCount * sizeof(ParSetEntry));
            DWORD read = 0;
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

namespace {

// A record with the given children in a block of exactly their size.
NetNodeRecord node(WORD number, std::initializer_list<NetNodeRecord> children = {})
{
    NetNodeRecord r{};
    r.nodeNumber = number;
    std::fill_n(r.hostData1, sizeof r.hostData1, BYTE(number));
    return w32ktest::withChildren(r, children);
}

// Points the first child of record at block, said to hold count records.
void redirectFirstChild(const NetNodeRecord& record, HGLOBAL block, WORD count)
{
    const w32k::GlobalLockGuard<NetNodeRecord> children(record.childBlock);
    children[0].childBlock = block;
    children[0].childCount = count;
}

} // namespace

// A block below itself or shared by two records (copied once per record, a few levels of
// these would make a copy without bound), and a tree of 2000 levels (the copy would exhaust
// the stack): the copy is refused, the source left alone, and the deletion frees each block
// once and reports the damage. (Cycles through more blocks, a count beyond its block: fuzz_netnode.)
TEST(DamagedNetNodes, CopiesAreRefusedAndNoBlockIsFreedTwice)
{
    using Damaged = std::pair<NetNodeRecord, HGLOBAL>; // the tree and a block it reaches twice
    const auto belowItself = [] {
        const NetNodeRecord top = node(0, {node(1), node(2)});
        redirectFirstChild(top, top.childBlock, 2); // node 1's children: its own block
        return Damaged(top, top.childBlock);
    };
    const auto sharedByTwo = [] {
        const NetNodeRecord shared = node(5, {node(50)});
        NetNodeRecord a = node(1), b = node(2);
        a.childBlock = b.childBlock = shared.childBlock;
        a.childCount = b.childCount = 1;
        return Damaged(node(0, {a, b}), shared.childBlock);
    };
    const auto tooDeep = [] { // deleted without its deep blocks
        NetNodeRecord chain = node(2000);
        for (WORD level = 1999; level > 0; --level)
            chain = node(level, {chain});
        return Damaged(node(0, {chain}), nullptr);
    };
    for (Damaged (*make)() : {+belowItself, +sharedByTwo, +tooDeep}) {
        const auto [tree, twice] = make();
        Guarded folder(tree), copy(node(9));
        EXPECT_FALSE(ExpDuplicateNetworkFolder(&copy.value, &folder.value));
        EXPECT_EQ(copy.value.childBlock, nullptr);
        EXPECT_EQ(copy.value.childCount, 0);
        EXPECT_TRUE(!twice || isLive(twice)) << "the source is left alone";
        EXPECT_FALSE(ExpDeleteNetworkFolder(&folder.value)) << "the tree was damaged";
        EXPECT_EQ(folder.value.childBlock, nullptr);
        EXPECT_FALSE(twice && isLive(twice));
        EXPECT_TRUE(folder.intact());
        EXPECT_TRUE(copy.intact());
    }
}
