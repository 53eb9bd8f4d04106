// Host data that has been damaged, through the DLL as a host calls it:
// parameter-set folders whose runs are out of order or overlap, tag trees
// whose parent links form cycles, net-node trees whose blocks repeat or whose
// counts exceed their blocks, INI values of 10 000 characters, DIB sources
// whose headers lie. Each call must end with a defined result, stay inside
// the blocks that exist and leave the host's other data as it was. (Counts
// beyond a block and the plain lying-header cases are in the subsystems' own
// tests.)
#include <gtest/gtest.h>

#include "korutil2mfc.h"
#include "support/folder_helpers.h"
#include "support/temp_files.h"
#include "w32korutil1.h"

#include <climits>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using w32ktest::entriesHolding;
using w32ktest::entriesOf;
using w32ktest::makeFolder;
using w32ktest::TempDirectory;
using w32ktest::ValueRun;

namespace {

constexpr BYTE kGuard = 0xC7;

// A host structure around a descriptor: the bytes on both sides must survive.
template <typename T>
struct Guarded {
    BYTE before[32];
    T value;
    BYTE after[32];

    explicit Guarded(const T& v) : value(v)
    {
        std::memset(before, kGuard, sizeof before);
        std::memset(after, kGuard, sizeof after);
    }
    bool guardsIntact() const
    {
        for (std::size_t i = 0; i < sizeof before; ++i) {
            if (before[i] != kGuard || after[i] != kGuard)
                return false;
        }
        return true;
    }
};

// ---- parameter-set folders with runs out of order or overlapping -----------

class DamagedFolder : public ::testing::Test {
protected:
    void TearDown() override { StringStoreClear(project); }
    // A text folder of the runs; each value is a text id with one reference
    // per entry (plus the anchor the test keeps).
    ParSetFolder folder(const std::vector<std::pair<int, int>>& runs)
    {
        std::vector<ValueRun> valued;
        for (std::size_t k = 0; k < runs.size(); ++k)
            valued.push_back({runs[k].first, runs[k].second, id(k)});
        return makeFolder(PARSET_KIND_TEXT, valued, project);
    }
    DWORD id(std::size_t k)
    {
        const std::string text(1, static_cast<char>('A' + k));
        if (!anchors.count(text))
            anchors[text] = KorAcquireName(text.c_str(), project);
        return anchors[text];
    }
    // References the folder holds equal the entries that hold each id.
    void expectReferencesMatch(const ParSetFolder& f)
    {
        for (const auto& [text, anchor] : anchors)
            EXPECT_EQ(static_cast<int>(StringStoreRefCount(anchor, project)) - 1,
                      entriesHolding(f, static_cast<WORD>(anchor)))
                << "references of " << text;
    }

    char project[1024] = {};
    std::map<std::string, UINT> anchors;
};

const std::vector<std::pair<const char*, std::vector<std::pair<int, int>>>> kDamagedRuns = {
    {"out of order", {{5, 9}, {0, 3}, {12, 20}}},
    {"overlapping", {{0, 9}, {4, 6}, {5, 12}, {8, 8}}},
    {"first beyond last", {{9, 2}, {3, 3}}},
    {"one index three times", {{4, 4}, {4, 4}, {4, 4}}},
    {"every index, then one more", {{-32768, 32767}, {0, 0}}},
};

TEST_F(DamagedFolder, PlacingAndReadingStayInTheBlockAndBalanceReferences)
{
    for (const auto& [name, runs] : kDamagedRuns) {
        for (int index : {-32768, -1, 0, 4, 5, 8, 13, 32767}) {
            SCOPED_TRACE(std::string(name) + ", index " + std::to_string(index));
            Guarded<ParSetFolder> host(folder(runs));
            host.value.HostWord = 0x1234;
            DWORD read = 0xDEADBEEF;
            if (ExpGetValueFromFolder(&host.value, index, &read, project)) {
                EXPECT_TRUE(read == 0 || entriesHolding(host.value, static_cast<WORD>(read)) > 0);
            } else {
                EXPECT_EQ(read, 0xDEADBEEF);
            }
            const DWORD value = id(7);
            KorAddReference(value, project); // handed over with the value
            EXPECT_TRUE(ExpPlaceValueInFolder(&host.value, index, value, project));
            EXPECT_EQ(GlobalSize(host.value.Block), host.value.EntryCount * sizeof(ParSetEntry));
            DWORD placed = 0;
            EXPECT_TRUE(ExpGetValueFromFolder(&host.value, index, &placed, project));
            EXPECT_EQ(placed, value);
            expectReferencesMatch(host.value);
            EXPECT_EQ(host.value.HostWord, 0x1234);
            EXPECT_TRUE(host.guardsIntact());
            EXPECT_TRUE(ExpDeleteFolder(&host.value, project));
            expectReferencesMatch(host.value);
        }
    }
}

// A run whose first index lies beyond its last covers nothing: placing its
// own value next to it once extended it and the value was lost.
TEST_F(DamagedFolder, AValueBesideAReversedRunIsStoredOnItsOwn)
{
    Guarded<ParSetFolder> host(folder({{8, 4}}));
    const DWORD value = id(0);
    KorAddReference(value, project);
    EXPECT_TRUE(ExpPlaceValueInFolder(&host.value, 5, value, project));
    DWORD placed = 0;
    EXPECT_TRUE(ExpGetValueFromFolder(&host.value, 5, &placed, project));
    EXPECT_EQ(placed, value);
    expectReferencesMatch(host.value);
    EXPECT_TRUE(ExpDeleteFolder(&host.value, project));
    EXPECT_TRUE(host.guardsIntact());
}

TEST_F(DamagedFolder, CuttingBackAndCopyingKeepReferencesBalanced)
{
    for (const auto& [name, runs] : kDamagedRuns) {
        SCOPED_TRACE(name);
        Guarded<ParSetFolder> source(folder(runs));
        Guarded<ParSetFolder> copy(ParSetFolder{});
        ASSERT_TRUE(ExpDuplicateFolder(&copy.value, &source.value, project));
        EXPECT_EQ(entriesOf(copy.value).size(), entriesOf(source.value).size());
        EXPECT_TRUE(ExpValidateFolder(&source.value, 6, 0, project));
        for (const ParSetEntry& e : entriesOf(source.value))
            EXPECT_LE(e.FirstIndex, 5);
        EXPECT_EQ(GlobalSize(source.value.Block), source.value.EntryCount * sizeof(ParSetEntry));
        EXPECT_TRUE(ExpDeleteFolder(&source.value, project));
        EXPECT_TRUE(ExpDeleteFolder(&copy.value, project));
        expectReferencesMatch(source.value); // every folder reference is gone
        EXPECT_TRUE(source.guardsIntact());
        EXPECT_TRUE(copy.guardsIntact());
    }
}

// ---- tag folders whose parent links form cycles ------------------------------

int WINAPI sameTag(const TagDataRecord*, const TagDataRecord*, const NetNodeRecord*)
{
    return 1;
}

class CyclicTags : public ::testing::Test {
protected:
    void TearDown() override
    {
        DeleteTagFolder(&folder.value, project);
        EXPECT_EQ(StringStoreLiveCount(project), 0u);
        EXPECT_TRUE(folder.guardsIntact());
        StringStoreClear(project);
    }
    WORD add(const char* name, WORD parent, int group)
    {
        const TagDataRecord data{};
        return AddTagElement(&folder.value, project, name, &data, parent, group, sameTag);
    }
    // Rewrites the parent of the element with that id inside the block.
    void setParent(WORD id, WORD parent)
    {
        auto* elements = static_cast<TagElement*>(GlobalLock(folder.value.elements));
        ASSERT_NE(elements, nullptr);
        for (WORD k = 0; k < folder.value.count; ++k) {
            if (elements[k].id == id)
                elements[k].parentId = parent;
        }
        GlobalUnlock(folder.value.elements);
    }
    std::vector<WORD> ids() const
    {
        std::vector<WORD> out;
        const auto* elements = static_cast<const TagElement*>(GlobalLock(folder.value.elements));
        for (WORD k = 0; elements && k < folder.value.count; ++k)
            out.push_back(elements[k].id);
        if (elements)
            GlobalUnlock(folder.value.elements);
        return out;
    }

    char project[1024] = {};
    Guarded<TagFolderHeader> folder{TagFolderHeader{}};
};

TEST_F(CyclicTags, DeletingAGroupInACycleRemovesTheCycleOnce)
{
    struct Case {
        const char* name;
        WORD cycleFrom, cycleTo; // element cycleFrom gets parent cycleTo
        WORD deleted;
        std::vector<WORD> remaining;
    };
    const Case cases[] = {
        {"two groups, each the other's parent", 1, 2, 1, {4}},
        {"the same cycle entered from below", 1, 2, 2, {4}},
        {"a group that is its own parent", 1, 1, 1, {4}},
        {"a cycle through the leaf's group only", 2, 2, 2, {1, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(add("G1", 0, 1), 1);
        ASSERT_EQ(add("G2", 1, 1), 2);
        ASSERT_EQ(add("T", 2, 0), 3);
        ASSERT_EQ(add("U", 0, 0), 4);
        setParent(c.cycleFrom, c.cycleTo);

        TagFolderHeader copy{};
        ASSERT_TRUE(DuplicateTagFolder(&copy, &folder.value, project));
        DeleteTagElement(&folder.value, project, c.deleted);
        EXPECT_EQ(ids(), c.remaining);
        EXPECT_EQ(GlobalSize(folder.value.elements), c.remaining.size() * sizeof(TagElement));
        // The copy is untouched by the deletion and releases its own references.
        EXPECT_EQ(copy.count, 4);
        DeleteTagFolder(&copy, project);
        EXPECT_EQ(StringStoreLiveCount(project), c.remaining.size());
        DeleteTagFolder(&folder.value, project);
    }
}

// ---- net-node trees with repeated blocks and bad counts ---------------------

NetNodeRecord node(WORD number, BYTE marker)
{
    NetNodeRecord r{};
    r.nodeNumber = number;
    std::memset(r.hostData1, marker, sizeof r.hostData1);
    return r;
}

// A record with the given children in a block of exactly their size.
NetNodeRecord withChildren(NetNodeRecord parent, const std::vector<NetNodeRecord>& children)
{
    for (const auto& child : children)
        EXPECT_TRUE(ExpRegisterNetNodeData(&parent, &child));
    return parent;
}

// Runs f on the child record at position k of record's block.
template <typename F>
void editChild(const NetNodeRecord& record, std::size_t k, F f)
{
    auto* children = static_cast<NetNodeRecord*>(GlobalLock(record.childBlock));
    ASSERT_NE(children, nullptr);
    f(children[k]);
    GlobalUnlock(record.childBlock);
}

bool isLiveBlock(HGLOBAL block)
{
    return GlobalFlags(block) != GMEM_INVALID_HANDLE && GlobalSize(block) != 0;
}

TEST(DamagedNetNodes, ABlockBelowItselfIsNeitherCopiedNorFreedTwice)
{
    // Folder -> A -> (A's block again): A's record names the block it lives in.
    Guarded<NetNodeRecord> folder(withChildren(node(0, 0), {node(1, 0x11), node(2, 0x22)}));
    editChild(folder.value, 0, [&](NetNodeRecord& a) {
        a.childBlock = folder.value.childBlock;
        a.childCount = 2;
    });

    Guarded<NetNodeRecord> copy(node(9, 0x99));
    EXPECT_FALSE(ExpDuplicateNetworkFolder(&copy.value, &folder.value));
    EXPECT_EQ(copy.value.childBlock, nullptr);
    EXPECT_EQ(copy.value.childCount, 0);
    EXPECT_TRUE(isLiveBlock(folder.value.childBlock)); // the source is left alone

    // Removing A drops the handle back to the folder's own block unfreed.
    EXPECT_TRUE(ExpDeleteNetNodeData(&folder.value, 1));
    ASSERT_EQ(folder.value.childCount, 1);
    NetNodeRecord out{};
    EXPECT_TRUE(ExpGetNetNodeData(&folder.value, W32K_NETNODE_BY_POSITION, 0, &out));
    EXPECT_EQ(out.nodeNumber, 2);
    EXPECT_TRUE(ExpDeleteNetworkFolder(&folder.value));

    // The whole tree deleted with the cycle in place: each block freed once.
    Guarded<NetNodeRecord> again(withChildren(node(0, 0), {node(1, 0x11)}));
    const HGLOBAL block = again.value.childBlock;
    editChild(again.value, 0, [&](NetNodeRecord& a) {
        a.childBlock = block;
        a.childCount = 1;
    });
    EXPECT_FALSE(ExpDeleteNetworkFolder(&again.value)); // the tree was damaged
    EXPECT_EQ(again.value.childBlock, nullptr);
    EXPECT_FALSE(isLiveBlock(block));
    EXPECT_TRUE(folder.guardsIntact() && copy.guardsIntact() && again.guardsIntact());
}

TEST(DamagedNetNodes, ABlockSharedByTwoRecordsIsFreedOnce)
{
    const NetNodeRecord shared = withChildren(node(5, 0x55), {node(50, 0x50)});
    NetNodeRecord a = node(1, 0x11);
    NetNodeRecord b = node(2, 0x22);
    a.childBlock = b.childBlock = shared.childBlock;
    a.childCount = b.childCount = 1;
    Guarded<NetNodeRecord> folder(withChildren(node(0, 0), {a, b}));

    // A copy of a shared (not cyclic) block is two independent copies.
    Guarded<NetNodeRecord> copy(NetNodeRecord{});
    ASSERT_TRUE(ExpDuplicateNetworkFolder(&copy.value, &folder.value));
    NetNodeRecord copiedA{}, copiedB{};
    ASSERT_TRUE(ExpGetNetNodeData(&copy.value, W32K_NETNODE_BY_NUMBER, 1, &copiedA));
    ASSERT_TRUE(ExpGetNetNodeData(&copy.value, W32K_NETNODE_BY_NUMBER, 2, &copiedB));
    EXPECT_NE(copiedA.childBlock, copiedB.childBlock);
    EXPECT_TRUE(ExpDeleteNetworkFolder(&copy.value));

    EXPECT_FALSE(ExpDeleteNetworkFolder(&folder.value)); // the second handle is dropped
    EXPECT_FALSE(isLiveBlock(shared.childBlock));
    EXPECT_TRUE(folder.guardsIntact() && copy.guardsIntact());
}

TEST(DamagedNetNodes, CountsBeyondTheBlockDeepInATreeAreCut)
{
    NetNodeRecord a = withChildren(node(1, 0x11), {node(10, 0x10)});
    a.childCount = 500; // the block holds one record
    Guarded<NetNodeRecord> folder(withChildren(node(0, 0), {a}));
    Guarded<NetNodeRecord> copy(NetNodeRecord{});
    ASSERT_TRUE(ExpDuplicateNetworkFolder(&copy.value, &folder.value));
    NetNodeRecord copiedA{};
    ASSERT_TRUE(ExpGetNetNodeData(&copy.value, W32K_NETNODE_BY_NUMBER, 1, &copiedA));
    EXPECT_EQ(copiedA.childCount, 1);
    EXPECT_EQ(GlobalSize(copiedA.childBlock), sizeof(NetNodeRecord));
    NetNodeRecord grandchild{};
    EXPECT_TRUE(ExpGetNetNodeData(&copiedA, W32K_NETNODE_BY_POSITION, 0, &grandchild));
    EXPECT_EQ(grandchild.nodeNumber, 10);
    EXPECT_FALSE(ExpGetNetNodeData(&copiedA, W32K_NETNODE_BY_POSITION, 1, &grandchild));
    EXPECT_TRUE(ExpDeleteNetworkFolder(&copy.value));
    EXPECT_TRUE(ExpDeleteNetworkFolder(&folder.value));
    EXPECT_TRUE(folder.guardsIntact() && copy.guardsIntact());
}

TEST(DamagedNetNodes, ATreeDeeperThanAnyNetworkIsRefusedNotOverflowed)
{
    // 2000 levels, each a block of its own: the copy stops with a failure
    // instead of exhausting the stack; the deletion leaves the deep blocks.
    NetNodeRecord chain = node(2000, 0);
    for (WORD level = 1999; level > 0; --level)
        chain = withChildren(node(level, 0), {chain});
    Guarded<NetNodeRecord> folder(withChildren(node(0, 0), {chain}));
    Guarded<NetNodeRecord> copy(NetNodeRecord{});
    EXPECT_FALSE(ExpDuplicateNetworkFolder(&copy.value, &folder.value));
    EXPECT_EQ(copy.value.childBlock, nullptr);
    EXPECT_FALSE(ExpDeleteNetworkFolder(&folder.value));
    EXPECT_EQ(folder.value.childBlock, nullptr);
    EXPECT_TRUE(folder.guardsIntact() && copy.guardsIntact());
}

// ---- INI values of 10 000 characters ----------------------------------------

TEST(HostileIni, TenThousandCharacterValuesAreCutAndSaturate)
{
    TempDirectory dir;
    const std::string digits(10000, '9');
    std::string commas(10000, ',');
    const std::string ini = dir.write(
        "hostile.ini", "[S]\r\nBig=" + digits + "\r\nNegative=-" + digits + "\r\nHex=0x" +
                           std::string(10000, 'f') + "\r\nCommas=" + commas + "\r\n");
    struct Case {
        const char* key;
        int count;
        int result;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"Big", 3, 0, {1, 1, INT_MAX}},
        {"Negative", 3, 0, {1, 1, INT_MIN}},
        {"Hex", 3, 0, {1, 1, -1}},
        {"Commas", 8, 1, {1, 7, 0, 0, 0, 0, 0, 0}}, // full after six numbers
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        constexpr int kSentinel = 0x5A5A5A5A;
        std::vector<int> list(static_cast<std::size_t>(c.count) + 4, kSentinel);
        EXPECT_EQ(GetIniRangeNumbers(ini.c_str(), "S", c.key, "", list.data(), c.count), c.result);
        EXPECT_EQ(std::vector<int>(list.begin(), list.begin() + c.count), c.expected);
        for (std::size_t i = static_cast<std::size_t>(c.count); i < list.size(); ++i)
            EXPECT_EQ(list[i], kSentinel) << "written behind the list at " << i;
    }
}

// ---- DIB sources whose headers lie -------------------------------------------

// A 40-byte info header and `extra` zero bytes in one movable block.
HGLOBAL infoBlock(LONG width, LONG height, WORD bits, DWORD used, DWORD image, std::size_t extra)
{
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(BITMAPINFOHEADER) + extra);
    auto* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(block));
    h->biSize = sizeof(BITMAPINFOHEADER);
    h->biWidth = width;
    h->biHeight = height;
    h->biPlanes = 1;
    h->biBitCount = bits;
    h->biClrUsed = used;
    h->biSizeImage = image;
    GlobalUnlock(block);
    return block;
}

std::vector<BYTE> bytesOf(HGLOBAL block)
{
    const auto* p = static_cast<const BYTE*>(GlobalLock(block));
    std::vector<BYTE> out(p, p + GlobalSize(block));
    GlobalUnlock(block);
    return out;
}

TEST(HostileDib, ColourCountsThatWrapThirtyTwoBitsAreRefused)
{
    struct Case {
        const char* name;
        LONG width, height;
        WORD bits;
        DWORD used;
        std::size_t extra;
        bool converted;
    };
    const Case cases[] = {
        {"colours used 2^30: a table of 4 GiB wraps to 0", 2, 2, 8, 0x40000000, 64, false},
        {"colours used 0xFFFFFFFF", 2, 2, 8, 0xFFFFFFFF, 64, false},
        {"colours used 2^30 + 1 wraps to 4 bytes", 2, 2, 24, 0x40000001, 64, false},
        {"1 bit, both entries and one row in the block", 2, 2, 1, 0, 8 + 8, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const HGLOBAL source = infoBlock(c.width, c.height, c.bits, c.used, 0x7FFFFFFF, c.extra);
        const std::vector<BYTE> before = bytesOf(source);
        const HGLOBAL result = TransformTrueColorTo16Bpp(source, 16, BI_BITFIELDS);
        EXPECT_EQ(result != nullptr, c.converted);
        if (result)
            GlobalFree(result);
        EXPECT_EQ(bytesOf(source), before);
        EXPECT_EQ(GlobalFlags(source) & GMEM_LOCKCOUNT, 0u);
        GlobalFree(source);
    }
}

} // namespace
