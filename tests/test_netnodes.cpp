// Net-node folders through the DLL: registering, looking up and deleting the
// records of one folder, and copying and deleting whole trees. (Damaged
// trees: test_hostile_input and fuzz_netnode; failing memory and locks:
// test_failure_sweep.)
#include <gtest/gtest.h>

#include "frame/raii.h"
#include "w32korutil1.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kRecordSize = sizeof(NetNodeRecord);
using Numbers = std::vector<WORD>;

// A record whose host data carries a label, so copies can be told apart.
NetNodeRecord node(WORD number, const char* label = "", BYTE flags = 0)
{
    NetNodeRecord r{};
    r.nodeNumber = number;
    std::strncpy(reinterpret_cast<char*>(r.hostData1), label, sizeof r.hostData1 - 1);
    r.hostData3[18] = 0xA5;
    r.flags = flags;
    return r;
}
std::string labelOf(const NetNodeRecord& r) { return reinterpret_cast<const char*>(r.hostData1); }

std::vector<NetNodeRecord> children(const NetNodeRecord& folder)
{
    const w32k::GlobalLockGuard<const NetNodeRecord> block(folder.childCount ? folder.childBlock : nullptr);
    return block ? std::vector<NetNodeRecord>(block.get(), block.get() + folder.childCount) : std::vector<NetNodeRecord>{};
}
Numbers numbers(const NetNodeRecord& folder)
{
    Numbers out;
    for (const auto& r : children(folder))
        out.push_back(r.nodeNumber);
    return out;
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
    NetNodeRecord folder{};
};

} // namespace

// (A null folder stands for the net-node exports' refusals; what a lookup
// finds over any tree: fuzz_netnode.)
TEST_F(NetNodeFolder, LookupByNumberOrPositionAndANullFolderRefused)
{
    folder = withChildren(folder, {node(12, "12"), node(4, "4"), node(9, "9")});
    const struct {
        NetNodeRecord* folder;
        int mode;
        WORD key;
        const char* label; // null: not found
    } cases[] = {
        {&folder, W32K_NETNODE_BY_NUMBER, 4, "4"},      {&folder, W32K_NETNODE_BY_NUMBER, 5, nullptr},
        {&folder, W32K_NETNODE_BY_POSITION, 2, "9"},    {&folder, W32K_NETNODE_BY_POSITION, 0xFFFF, nullptr},
        {&folder, 2, 9, "9"} /* any nonzero mode searches by number */, {nullptr, 1, 1, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) + " key " + std::to_string(c.key));
        NetNodeRecord out = node(0xBEEF, "untouched");
        EXPECT_EQ(ExpGetNetNodeData(c.folder, c.mode, c.key, &out), c.label != nullptr);
        EXPECT_EQ(labelOf(out), c.label ? c.label : "untouched");
    }
}

// A number registered again replaces its record in place; a deletion keeps
// the others in order. Both leave a block of exactly the records. (Which
// subtree a replacement keeps, that the deleted subtree's blocks are freed and
// the last record takes the block along: fuzz_netnode.)
TEST_F(NetNodeFolder, RegisteringAgainReplacesInPlaceAndDeletingKeepsTheOthersInOrderInAnExactBlock)
{
    const NetNodeRecord again = node(3, "again"), four = node(4, "four");
    const NetNodeRecord middle = withChildren(node(2, "middle"), {node(21), node(22)});
    folder = withChildren(folder, {node(1, "one"), middle, node(3, "three"), four, again});
    EXPECT_EQ(GlobalSize(folder.childBlock), 4 * kRecordSize);
    ASSERT_TRUE(ExpDeleteNetNodeData(&folder, 2));
    EXPECT_EQ(GlobalSize(folder.childBlock), 3 * kRecordSize);
    EXPECT_EQ(numbers(folder), (Numbers{1, 3, 4}));
    EXPECT_EQ(0, std::memcmp(&children(folder)[1], &again, kRecordSize));
    EXPECT_EQ(0, std::memcmp(&children(folder)[2], &four, kRecordSize));
}

// (That a copy holds blocks of its own with the source's records, that its
// deletion frees them and leaves the source whole: fuzz_netnode.)
TEST_F(NetNodeFolder, ADuplicatedTreeStandsAloneAndItsDeletionClearsFlagBitZeroOnly)
{
    folder = withChildren(node(0, "root", 0xF3), {withChildren(node(1, "A"), {node(11, "A1"), node(12, "A2")}),
                                                  node(2, "B", 0x81)});
    NetNodeRecord copy = node(99, "stale");
    ASSERT_TRUE(ExpDuplicateNetworkFolder(&copy, &folder));
    EXPECT_TRUE(ExpDeleteNetworkFolder(&copy));
    EXPECT_EQ(copy.flags, 0xF2) << "bit 0 cleared, the others kept";
    EXPECT_EQ(labelOf(copy), "root");
}

TEST_F(NetNodeFolder, AFullFolderRefusesAnotherChildAndKeepsItsCount)
{
    constexpr WORD kFull = 0xFFFF;
    folder.childBlock = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kFull * kRecordSize); // children numbered 0
    folder.childCount = kFull;
    const HGLOBAL block = folder.childBlock;
    const NetNodeRecord one = node(1, "one");
    EXPECT_FALSE(ExpRegisterNetNodeData(&folder, &one));
    EXPECT_EQ(folder.childCount, kFull);
    EXPECT_EQ(folder.childBlock, block);
    EXPECT_EQ(GlobalSize(block), kFull * kRecordSize);
    folder = withChildren(folder, {node(0, "zero")}); // replacing one still works
    NetNodeRecord zero{};
    EXPECT_TRUE(ExpGetNetNodeData(&folder, W32K_NETNODE_BY_NUMBER, 0, &zero));
    EXPECT_EQ(labelOf(zero), "zero");
}
