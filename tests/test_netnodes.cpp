// Net-node folders through the DLL: registering, looking up and deleting the
// records of one folder, and copying and deleting whole trees.
#include <gtest/gtest.h>

#include "w32korutil1.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kRecordSize = sizeof(NetNodeRecord);
const auto kStray = reinterpret_cast<HGLOBAL>(0x10); // a handle that cannot be locked

// A record whose host data carries a label, so copies can be told apart.
NetNodeRecord node(WORD number, const char* label = "", BYTE flags = 0)
{
    NetNodeRecord r{};
    r.nodeNumber = number;
    std::strncpy(reinterpret_cast<char*>(r.hostData1), label, sizeof r.hostData1 - 1);
    r.hostData2[0] = 0x5A;
    r.hostData3[18] = 0xA5;
    r.flags = flags;
    return r;
}

std::string labelOf(const NetNodeRecord& r) { return reinterpret_cast<const char*>(r.hostData1); }

// The child records as the host reads them from the block.
std::vector<NetNodeRecord> children(const NetNodeRecord& folder)
{
    std::vector<NetNodeRecord> out(folder.childCount);
    const void* p = folder.childCount ? GlobalLock(folder.childBlock) : nullptr;
    if (p) {
        std::memcpy(out.data(), p, out.size() * kRecordSize);
        GlobalUnlock(folder.childBlock);
    }
    return out;
}

std::vector<WORD> numbers(const NetNodeRecord& folder)
{
    std::vector<WORD> out;
    for (const auto& r : children(folder))
        out.push_back(r.nodeNumber);
    return out;
}

bool isLiveBlock(HGLOBAL block) { return block && GlobalFlags(block) != GMEM_INVALID_HANDLE && GlobalSize(block) != 0; }

// Every block of a tree, depth first.
void collectBlocks(const NetNodeRecord& record, std::vector<HGLOBAL>& out)
{
    if (!record.childBlock || record.childCount == 0)
        return;
    out.push_back(record.childBlock);
    for (const auto& child : children(record))
        collectBlocks(child, out);
}

NetNodeRecord withChildren(NetNodeRecord parent, const std::vector<NetNodeRecord>& kids)
{
    for (const auto& kid : kids)
        EXPECT_TRUE(ExpRegisterNetNodeData(&parent, &kid));
    return parent;
}

class NetNodeFolder : public ::testing::Test {
protected:
    void TearDown() override
    {
        EXPECT_TRUE(ExpDeleteNetworkFolder(&folder));
        EXPECT_EQ(folder.childBlock, nullptr);
    }
    void add(std::initializer_list<NetNodeRecord> records)
    {
        for (const auto& r : records)
            ASSERT_TRUE(ExpRegisterNetNodeData(&folder, &r));
    }
    NetNodeRecord lookup(WORD number)
    {
        NetNodeRecord out{};
        EXPECT_TRUE(ExpGetNetNodeData(&folder, W32K_NETNODE_BY_NUMBER, number, &out));
        return out;
    }
    NetNodeRecord folder{};
};

} // namespace

TEST_F(NetNodeFolder, RegisteringAnExistingNumberReplacesItAndItsSubtreeOnlyWhenOther)
{
    const NetNodeRecord seven = node(7, "seven"), again = node(5, "again");
    add({node(5, "first"), seven, again});
    EXPECT_EQ(GlobalSize(folder.childBlock), 2 * kRecordSize);
    const auto stored = children(folder);
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(0, std::memcmp(&stored[0], &again, kRecordSize));
    EXPECT_EQ(0, std::memcmp(&stored[1], &seven, kRecordSize));

    // The same child block: the folder keeps it and takes the new host data.
    NetNodeRecord panel = withChildren(node(3, "panel"), {node(31), node(32)});
    const HGLOBAL subtree = panel.childBlock;
    add({panel});
    std::strcpy(reinterpret_cast<char*>(panel.hostData1), "renamed");
    add({panel});
    EXPECT_TRUE(isLiveBlock(subtree));
    EXPECT_EQ(labelOf(lookup(3)), "renamed");
    EXPECT_EQ(numbers(lookup(3)), (std::vector<WORD>{31, 32}));

    // Another child block: the old subtree is freed, the new one adopted.
    const NetNodeRecord replacement = withChildren(node(3, "replacement"), {node(40)});
    add({replacement});
    EXPECT_FALSE(isLiveBlock(subtree));
    EXPECT_EQ(lookup(3).childBlock, replacement.childBlock);
    EXPECT_EQ(numbers(folder), (std::vector<WORD>{5, 7, 3}));
}

TEST_F(NetNodeFolder, LookupByNumberAndByPosition)
{
    add({node(12, "12"), node(4, "4"), node(9, "9")});
    struct Case {
        int mode;
        WORD key;
        const char* label; // null: not found
    };
    const Case cases[] = {
        {W32K_NETNODE_BY_NUMBER, 4, "4"},    {W32K_NETNODE_BY_NUMBER, 12, "12"},  {W32K_NETNODE_BY_NUMBER, 5, nullptr},
        {W32K_NETNODE_BY_NUMBER, 0, nullptr}, {W32K_NETNODE_BY_POSITION, 0, "12"}, {W32K_NETNODE_BY_POSITION, 2, "9"},
        {W32K_NETNODE_BY_POSITION, 3, nullptr}, {W32K_NETNODE_BY_POSITION, 0xFFFF, nullptr},
        {2, 9, "9"}, // any nonzero mode searches by number
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) + " key " + std::to_string(c.key));
        NetNodeRecord out = node(0xBEEF, "untouched");
        EXPECT_EQ(ExpGetNetNodeData(&folder, c.mode, c.key, &out), c.label != nullptr);
        EXPECT_EQ(labelOf(out), c.label ? c.label : "untouched");
    }
}

TEST(NetNodeArguments, NullAndEmptyFoldersAreRefused)
{
    NetNodeRecord empty{}, out = node(1, "untouched");
    const NetNodeRecord r = node(1);
    EXPECT_FALSE(ExpRegisterNetNodeData(nullptr, &r));
    EXPECT_FALSE(ExpRegisterNetNodeData(&empty, nullptr));
    EXPECT_FALSE(ExpGetNetNodeData(nullptr, 1, 1, &out));
    EXPECT_FALSE(ExpGetNetNodeData(&empty, 1, 1, &out));
    EXPECT_FALSE(ExpGetNetNodeData(&empty, 0, 0, &out));
    EXPECT_FALSE(ExpDeleteNetNodeData(nullptr, 1));
    EXPECT_FALSE(ExpDeleteNetNodeData(&empty, 1));
    EXPECT_FALSE(ExpDuplicateNetworkFolder(nullptr, &empty));
    EXPECT_FALSE(ExpDeleteNetworkFolder(nullptr));
    EXPECT_EQ(labelOf(out), "untouched");
}

TEST_F(NetNodeFolder, DeletingARecordFreesItsSubtreeAndKeepsTheOthersInAnExactBlock)
{
    const NetNodeRecord middle = withChildren(node(2, "middle"), {node(21), node(22)});
    const NetNodeRecord four = node(4, "four");
    add({node(1, "one"), middle, node(3, "three"), four});
    EXPECT_FALSE(ExpDeleteNetNodeData(&folder, 9));
    ASSERT_TRUE(ExpDeleteNetNodeData(&folder, 2));
    EXPECT_EQ(GlobalSize(folder.childBlock), 3 * kRecordSize);
    EXPECT_EQ(numbers(folder), (std::vector<WORD>{1, 3, 4}));
    // Freed (its handle may have been reused for the folder's new block).
    EXPECT_TRUE(!isLiveBlock(middle.childBlock) || middle.childBlock == folder.childBlock);
    EXPECT_EQ(0, std::memcmp(&children(folder)[2], &four, kRecordSize));

    for (WORD number : {1, 3, 4})
        EXPECT_TRUE(ExpDeleteNetNodeData(&folder, number));
    EXPECT_EQ(folder.childCount, 0);
    EXPECT_EQ(folder.childBlock, nullptr) << "the last record takes the block with it";
    EXPECT_FALSE(ExpDeleteNetNodeData(&folder, 4));
}

TEST_F(NetNodeFolder, ADuplicatedTreeSharesNoBlockWithItsSource)
{
    add({withChildren(node(1, "A"), {node(11, "A1"), node(12, "A2")}), node(2, "B", 0x81)});
    NetNodeRecord copy = node(99, "stale");
    ASSERT_TRUE(ExpDuplicateNetworkFolder(&copy, &folder));
    std::vector<HGLOBAL> sourceBlocks, copyBlocks;
    collectBlocks(folder, sourceBlocks);
    collectBlocks(copy, copyBlocks);
    ASSERT_EQ(sourceBlocks.size(), 2u);
    ASSERT_EQ(copyBlocks.size(), 2u);
    for (HGLOBAL block : copyBlocks)
        EXPECT_EQ(std::count(sourceBlocks.begin(), sourceBlocks.end(), block), 0);
    for (HGLOBAL block : {sourceBlocks[0], sourceBlocks[1], copyBlocks[0], copyBlocks[1]})
        EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 0u);
    NetNodeRecord copyOfA{};
    ASSERT_TRUE(ExpGetNetNodeData(&copy, W32K_NETNODE_BY_NUMBER, 1, &copyOfA));
    EXPECT_EQ(labelOf(copyOfA), "A");
    EXPECT_EQ(numbers(copyOfA), (std::vector<WORD>{11, 12}));

    // Deleting the copy leaves the source intact.
    EXPECT_TRUE(ExpDeleteNetworkFolder(&copy));
    for (HGLOBAL block : copyBlocks)
        EXPECT_FALSE(isLiveBlock(block));
    EXPECT_EQ(numbers(folder), (std::vector<WORD>{1, 2}));
    EXPECT_EQ(labelOf(children(lookup(1))[1]), "A2");
}

TEST_F(NetNodeFolder, AStrayHandleUnderACountOfZeroIsNeitherCopiedNorUsed)
{
    NetNodeRecord source = node(4, "lonely", 0x10);
    source.childBlock = kStray;
    NetNodeRecord copy{};
    EXPECT_TRUE(ExpDuplicateNetworkFolder(&copy, &source));
    EXPECT_EQ(labelOf(copy), "lonely");
    EXPECT_EQ(copy.flags, 0x10);
    EXPECT_EQ(copy.childBlock, nullptr);

    folder.childBlock = kStray;
    add({node(6, "six")});
    EXPECT_NE(folder.childBlock, kStray);
    EXPECT_EQ(numbers(folder), (std::vector<WORD>{6}));
}

TEST_F(NetNodeFolder, AFailureDeepInACopyIsReportedAndLeavesNoPartialTree)
{
    NetNodeRecord broken = node(1, "broken"); // its child block cannot be locked
    broken.childCount = 1;
    broken.childBlock = kStray;
    add({withChildren(node(9, "top"), {withChildren(node(2, "healthy"), {node(21)}), broken})});

    NetNodeRecord copy{};
    EXPECT_FALSE(ExpDuplicateNetworkFolder(&copy, &folder));
    EXPECT_EQ(copy.childCount, 0);
    EXPECT_EQ(copy.childBlock, nullptr);
    EXPECT_EQ(numbers(lookup(9)), (std::vector<WORD>{2, 1})) << "the source is untouched";

    // Deleting the source reports the unlockable block but frees the rest.
    std::vector<HGLOBAL> blocks;
    collectBlocks(folder, blocks);
    EXPECT_FALSE(ExpDeleteNetworkFolder(&folder));
    for (HGLOBAL block : blocks)
        EXPECT_TRUE(block == kStray || !isLiveBlock(block));
    EXPECT_EQ(folder.childBlock, nullptr);
}

TEST(NetNodeDelete, DeletingATreeClearsFlagBitZeroOnly)
{
    struct Case {
        bool withChildren;
        BYTE flags;
        BYTE expected;
    };
    const Case cases[] = {{false, 0x01, 0x00}, {false, 0xF3, 0xF2}, {true, 0x81, 0x80}, {true, 0x40, 0x40}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        NetNodeRecord r = node(1, "keep", c.flags);
        if (c.withChildren)
            r = withChildren(r, {node(2), node(3)});
        const HGLOBAL block = r.childBlock;
        EXPECT_TRUE(ExpDeleteNetworkFolder(&r));
        EXPECT_EQ(r.flags, c.expected);
        EXPECT_EQ(r.childCount, 0);
        EXPECT_EQ(r.childBlock, nullptr);
        EXPECT_EQ(labelOf(r), "keep");
        EXPECT_TRUE(!block || !isLiveBlock(block));
    }
}

TEST_F(NetNodeFolder, ABlockSmallerThanTheCountIsNeverReadPastItsEnd)
{
    add({node(1, "one")});
    folder.childCount = 3; // the block holds one record only
    NetNodeRecord out = node(0, "untouched");
    EXPECT_FALSE(ExpGetNetNodeData(&folder, W32K_NETNODE_BY_POSITION, 1, &out));
    EXPECT_FALSE(ExpGetNetNodeData(&folder, W32K_NETNODE_BY_NUMBER, 0, &out));
    EXPECT_EQ(labelOf(out), "untouched");
    // A new record goes behind the record really there.
    add({node(2, "two")});
    EXPECT_EQ(GlobalSize(folder.childBlock), 2 * kRecordSize);
    EXPECT_EQ(numbers(folder), (std::vector<WORD>{1, 2}));
}
