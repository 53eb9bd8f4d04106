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

std::string labelOf(const NetNodeRecord& r)
{
    return std::string(reinterpret_cast<const char*>(r.hostData1));
}

// The child records as the host reads them from the block.
std::vector<NetNodeRecord> children(const NetNodeRecord& folder)
{
    std::vector<NetNodeRecord> out(folder.childCount);
    if (folder.childCount == 0)
        return out;
    const void* p = GlobalLock(folder.childBlock);
    if (!p)
        return {};
    std::memcpy(out.data(), p, out.size() * kRecordSize);
    GlobalUnlock(folder.childBlock);
    return out;
}

std::vector<WORD> numbers(const NetNodeRecord& folder)
{
    std::vector<WORD> out;
    for (const auto& r : children(folder))
        out.push_back(r.nodeNumber);
    return out;
}

bool isLiveBlock(HGLOBAL block)
{
    return block && GlobalFlags(block) != GMEM_INVALID_HANDLE && GlobalSize(block) != 0;
}

// Every block of a tree, depth first.
void collectBlocks(const NetNodeRecord& record, std::vector<HGLOBAL>& out)
{
    if (!record.childBlock || record.childCount == 0)
        return;
    out.push_back(record.childBlock);
    for (const auto& child : children(record))
        collectBlocks(child, out);
}

// A record that holds the given children (registered one by one).
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
    NetNodeRecord folder{};
};

} // namespace

TEST_F(NetNodeFolder, RegisteringAnExistingNumberReplacesItInPlace)
{
    const NetNodeRecord first = node(5, "first"), seven = node(7, "seven"), again = node(5, "again");
    EXPECT_TRUE(ExpRegisterNetNodeData(&folder, &first));
    EXPECT_EQ(GlobalSize(folder.childBlock), kRecordSize);
    EXPECT_TRUE(ExpRegisterNetNodeData(&folder, &seven));
    EXPECT_TRUE(ExpRegisterNetNodeData(&folder, &again));

    EXPECT_EQ(folder.childCount, 2);
    EXPECT_EQ(GlobalSize(folder.childBlock), 2 * kRecordSize);
    const auto stored = children(folder);
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(numbers(folder), (std::vector<WORD>{5, 7}));
    EXPECT_EQ(0, std::memcmp(&stored[0], &again, kRecordSize));
    EXPECT_EQ(0, std::memcmp(&stored[1], &seven, kRecordSize));
}

TEST_F(NetNodeFolder, ReRegisteringKeepsTheSameSubtreeAndReplacesAnother)
{
    const NetNodeRecord panel = withChildren(node(3, "panel"), {node(31, "sub1"), node(32, "sub2")});
    const HGLOBAL subtree = panel.childBlock;
    ASSERT_TRUE(ExpRegisterNetNodeData(&folder, &panel));

    // The same child block: the folder keeps it and takes the new host data.
    NetNodeRecord renamed = panel;
    std::strcpy(reinterpret_cast<char*>(renamed.hostData1), "renamed");
    ASSERT_TRUE(ExpRegisterNetNodeData(&folder, &renamed));
    EXPECT_TRUE(isLiveBlock(subtree));
    NetNodeRecord out{};
    ASSERT_TRUE(ExpGetNetNodeData(&folder, W32K_NETNODE_BY_NUMBER, 3, &out));
    EXPECT_EQ(labelOf(out), "renamed");
    EXPECT_EQ(out.childBlock, subtree);
    EXPECT_EQ(numbers(out), (std::vector<WORD>{31, 32}));

    // Another child block: the old subtree is freed, the new one adopted.
    const NetNodeRecord replacement = withChildren(node(3, "replacement"), {node(40, "other")});
    ASSERT_TRUE(ExpRegisterNetNodeData(&folder, &replacement));
    EXPECT_FALSE(isLiveBlock(subtree));
    ASSERT_TRUE(ExpGetNetNodeData(&folder, W32K_NETNODE_BY_NUMBER, 3, &out));
    EXPECT_EQ(out.childBlock, replacement.childBlock);
    EXPECT_EQ(numbers(out), (std::vector<WORD>{40}));
    EXPECT_EQ(folder.childCount, 1);
}

TEST_F(NetNodeFolder, LookupByNumberAndByPosition)
{
    for (WORD n : {12, 4, 9}) {
        const NetNodeRecord r = node(n, std::to_string(n).c_str());
        ASSERT_TRUE(ExpRegisterNetNodeData(&folder, &r));
    }
    struct Case {
        int mode;
        WORD key;
        BOOL found;
        const char* label;
    };
    const Case cases[] = {
        {W32K_NETNODE_BY_NUMBER, 4, TRUE, "4"},   {W32K_NETNODE_BY_NUMBER, 12, TRUE, "12"},
        {W32K_NETNODE_BY_NUMBER, 5, FALSE, ""},   {W32K_NETNODE_BY_NUMBER, 0, FALSE, ""},
        {W32K_NETNODE_BY_POSITION, 0, TRUE, "12"}, {W32K_NETNODE_BY_POSITION, 2, TRUE, "9"},
        {W32K_NETNODE_BY_POSITION, 3, FALSE, ""},  {W32K_NETNODE_BY_POSITION, 0xFFFF, FALSE, ""},
        {2, 9, TRUE, "9"}, // any nonzero mode searches by number
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) + " key " + std::to_string(c.key));
        NetNodeRecord out = node(0xBEEF, "untouched");
        EXPECT_EQ(ExpGetNetNodeData(&folder, c.mode, c.key, &out), c.found);
        EXPECT_EQ(labelOf(out), c.found ? c.label : "untouched");
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

TEST_F(NetNodeFolder, DeletingTheOnlyRecordFreesTheBlock)
{
    const NetNodeRecord only = withChildren(node(8), {node(80)});
    ASSERT_TRUE(ExpRegisterNetNodeData(&folder, &only));
    const HGLOBAL block = folder.childBlock;
    EXPECT_FALSE(ExpDeleteNetNodeData(&folder, 9));
    EXPECT_TRUE(ExpDeleteNetNodeData(&folder, 8));
    EXPECT_EQ(folder.childCount, 0);
    EXPECT_EQ(folder.childBlock, nullptr);
    EXPECT_FALSE(isLiveBlock(block));
    EXPECT_FALSE(isLiveBlock(only.childBlock));
    EXPECT_FALSE(ExpDeleteNetNodeData(&folder, 8));
}

TEST_F(NetNodeFolder, DeletingARecordKeepsTheOthersInOrderInAnExactBlock)
{
    const NetNodeRecord middle = withChildren(node(2, "middle"), {node(21), node(22)});
    const NetNodeRecord records[] = {node(1, "one"), middle, node(3, "three"), node(4, "four")};
    for (const auto& r : records)
        ASSERT_TRUE(ExpRegisterNetNodeData(&folder, &r));
    ASSERT_TRUE(ExpDeleteNetNodeData(&folder, 2));
    EXPECT_EQ(folder.childCount, 3);
    EXPECT_EQ(GlobalSize(folder.childBlock), 3 * kRecordSize);
    EXPECT_EQ(numbers(folder), (std::vector<WORD>{1, 3, 4}));
    // Freed (its handle may have been reused for the folder's new block).
    EXPECT_TRUE(!isLiveBlock(middle.childBlock) || middle.childBlock == folder.childBlock);
    const auto stored = children(folder);
    EXPECT_EQ(0, std::memcmp(&stored[2], &records[3], kRecordSize));
}

TEST_F(NetNodeFolder, ADuplicatedTreeSharesNoBlockWithItsSource)
{
    const NetNodeRecord a = withChildren(node(1, "A"), {node(11, "A1"), node(12, "A2")});
    const NetNodeRecord b = node(2, "B", 0x81);
    ASSERT_TRUE(ExpRegisterNetNodeData(&folder, &a));
    ASSERT_TRUE(ExpRegisterNetNodeData(&folder, &b));

    NetNodeRecord copy = node(99, "stale");
    ASSERT_TRUE(ExpDuplicateNetworkFolder(&copy, &folder));
    std::vector<HGLOBAL> sourceBlocks, copyBlocks;
    collectBlocks(folder, sourceBlocks);
    collectBlocks(copy, copyBlocks);
    ASSERT_EQ(sourceBlocks.size(), 2u);
    ASSERT_EQ(copyBlocks.size(), 2u);
    for (HGLOBAL block : copyBlocks) {
        EXPECT_EQ(std::count(sourceBlocks.begin(), sourceBlocks.end(), block), 0);
        EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 0u);
    }
    for (HGLOBAL block : sourceBlocks)
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
    NetNodeRecord sourceA{};
    ASSERT_TRUE(ExpGetNetNodeData(&folder, W32K_NETNODE_BY_NUMBER, 1, &sourceA));
    EXPECT_EQ(numbers(sourceA), (std::vector<WORD>{11, 12}));
    EXPECT_EQ(labelOf(children(sourceA)[1]), "A2");
}

TEST(NetNodeDuplicate, ARecordWithoutChildrenCopiesWithoutAChildBlock)
{
    // A stray handle under a count of 0 is not handed on to the copy.
    NetNodeRecord source = node(4, "lonely", 0x10);
    source.childBlock = reinterpret_cast<HGLOBAL>(0x10);
    NetNodeRecord copy{};
    EXPECT_TRUE(ExpDuplicateNetworkFolder(&copy, &source));
    EXPECT_EQ(labelOf(copy), "lonely");
    EXPECT_EQ(copy.nodeNumber, 4);
    EXPECT_EQ(copy.flags, 0x10);
    EXPECT_EQ(copy.childCount, 0);
    EXPECT_EQ(copy.childBlock, nullptr);
}

TEST_F(NetNodeFolder, AFailureDeepInACopyIsReportedAndLeavesNoPartialTree)
{
    // The grandchild level holds a handle that cannot be locked.
    NetNodeRecord broken = node(1, "broken");
    broken.childCount = 1;
    broken.childBlock = reinterpret_cast<HGLOBAL>(0x10);
    const NetNodeRecord healthy = withChildren(node(2, "healthy"), {node(21)});
    const NetNodeRecord top = withChildren(node(9, "top"), {healthy, broken});
    ASSERT_TRUE(ExpRegisterNetNodeData(&folder, &top));

    NetNodeRecord copy{};
    EXPECT_FALSE(ExpDuplicateNetworkFolder(&copy, &folder));
    EXPECT_EQ(copy.childCount, 0);
    EXPECT_EQ(copy.childBlock, nullptr);
    // The source is untouched.
    NetNodeRecord stored{};
    ASSERT_TRUE(ExpGetNetNodeData(&folder, W32K_NETNODE_BY_NUMBER, 9, &stored));
    EXPECT_EQ(numbers(stored), (std::vector<WORD>{2, 1}));

    // Deleting the source reports the unlockable block but frees the rest.
    std::vector<HGLOBAL> blocks;
    collectBlocks(folder, blocks);
    EXPECT_FALSE(ExpDeleteNetworkFolder(&folder));
    for (HGLOBAL block : blocks) {
        if (block != broken.childBlock) {
            EXPECT_FALSE(isLiveBlock(block));
        }
    }
    EXPECT_EQ(folder.childBlock, nullptr);
}

TEST(NetNodeDelete, DeletingATreeClearsFlagBitZeroOnly)
{
    struct Case {
        const char* name;
        bool withChildren;
        BYTE flags;
        BYTE expected;
    };
    const Case cases[] = {
        {"no children, bit 0 set", false, 0x01, 0x00},
        {"no children, host bits", false, 0xF3, 0xF2},
        {"children, bit 0 set", true, 0x81, 0x80},
        {"children, bit 0 clear", true, 0x40, 0x40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NetNodeRecord r = node(1, "keep", c.flags);
        if (c.withChildren)
            r = withChildren(r, {node(2), node(3)});
        const HGLOBAL block = r.childBlock;
        EXPECT_TRUE(ExpDeleteNetworkFolder(&r));
        EXPECT_EQ(r.flags, c.expected);
        EXPECT_EQ(r.childCount, 0);
        EXPECT_EQ(r.childBlock, nullptr);
        EXPECT_EQ(labelOf(r), "keep");
        EXPECT_EQ(r.nodeNumber, 1);
        if (block) {
            EXPECT_FALSE(isLiveBlock(block));
        }
    }
}

TEST_F(NetNodeFolder, AStrayHandleUnderACountOfZeroIsNotUsed)
{
    folder.childBlock = reinterpret_cast<HGLOBAL>(0x10);
    folder.childCount = 0;
    const NetNodeRecord r = node(6, "six");
    EXPECT_TRUE(ExpRegisterNetNodeData(&folder, &r));
    EXPECT_EQ(folder.childCount, 1);
    EXPECT_NE(folder.childBlock, reinterpret_cast<HGLOBAL>(0x10));
    EXPECT_EQ(numbers(folder), (std::vector<WORD>{6}));
}

TEST_F(NetNodeFolder, ABlockSmallerThanTheCountIsNeverReadPastItsEnd)
{
    const NetNodeRecord one = node(1, "one");
    ASSERT_TRUE(ExpRegisterNetNodeData(&folder, &one));
    folder.childCount = 3; // the block holds one record only
    NetNodeRecord out = node(0, "untouched");
    EXPECT_FALSE(ExpGetNetNodeData(&folder, W32K_NETNODE_BY_POSITION, 1, &out));
    EXPECT_FALSE(ExpGetNetNodeData(&folder, W32K_NETNODE_BY_NUMBER, 0, &out));
    EXPECT_EQ(labelOf(out), "untouched");
    // A new record goes behind the record really there.
    const NetNodeRecord two = node(2, "two");
    ASSERT_TRUE(ExpRegisterNetNodeData(&folder, &two));
    EXPECT_EQ(folder.childCount, 2);
    EXPECT_EQ(GlobalSize(folder.childBlock), 2 * kRecordSize);
    EXPECT_EQ(numbers(folder), (std::vector<WORD>{1, 2}));
}
