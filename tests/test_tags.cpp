// Tag and net-node folders through the DLL (failing memory and locks: test_failure_sweep). Tags: lookups, the
// search for an existing tag, adding, updating, deleting and copying, with the string-store references that
// every element name and the folder text own. (Adding, searching and deleting over any folder, count and
// block, names too long for a path and tags of one name told apart by the host's comparison: fuzz_tags.)
#include <gtest/gtest.h>

#include "frame/raii.h"
#include "korutil2mfc.h"
#include "support/folder_helpers.h"
#include "support/memory_hooks.h"
#include "w32khost.h"
#include "w32korutil1.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr std::size_t kElementSize = sizeof(TagElement);
using Ids = std::vector<WORD>;

// The host's comparison: records the node record of each call and answers g_answer.
std::vector<NetNodeRecord> g_nodes;
int g_answer = 1;
int WINAPI compareTags(const TagDataRecord*, const TagDataRecord*, const NetNodeRecord* node)
{
    g_nodes.push_back(*node);
    return g_answer;
}

// A tag data record: marker fills the host bytes so that records differ.
TagDataRecord record(BYTE marker = 0x11, WORD node = 0, BYTE storeFlags = 0, WORD referenceTagId = 0)
{
    TagDataRecord r;
    std::memset(&r, marker, sizeof r);
    r.nodeNumber = node;
    r.storeFlags = storeFlags;
    r.referenceTagId = referenceTagId;
    return r;
}

class TagFolder : public ::testing::Test {
protected:
    void SetUp() override { g_nodes.clear(), g_answer = 1; }
    void TearDown() override
    {
        DeleteTagFolder(&folder, project);
        EXPECT_EQ(folder.elements, nullptr);
        EXPECT_EQ(folder.count, 0);
        EXPECT_EQ(host.liveTexts(), 0u) << "every reference the folder took is dropped";
    }
    WORD scan(const char* path, const TagDataRecord& search = record(), WORD* position = nullptr,
              TagDataRecord* data = nullptr)
    {
        return ScanForExistingTag(&folder, project, path, &search, data, position, compareTags);
    }
    // The elements as the host reads them; the block holds exactly count, unlocked.
    std::vector<TagElement> elements(const TagFolderHeader& of) const
    {
        EXPECT_EQ(GlobalSize(of.elements), of.count * kElementSize);
        EXPECT_FALSE(of.elements && (GlobalFlags(of.elements) & GMEM_LOCKCOUNT)) << "block left locked";
        const w32k::GlobalLockGuard<const TagElement> block(of.count ? of.elements : nullptr);
        return block ? std::vector<TagElement>(block.get(), block.get() + of.count)
                     : std::vector<TagElement>{};
    }
    Ids ids() const
    {
        Ids out;
        for (const auto& e : elements(folder))
            out.push_back(e.id);
        return out;
    }
    TagElement element(WORD id) const
    {
        const auto all = elements(folder);
        const auto it = std::find_if(all.begin(), all.end(), [id](const auto& e) { return e.id == id; });
        return it != all.end() ? *it : (ADD_FAILURE() << "no element " << id, TagElement{});
    }
    // Every name id holds exactly one reference per element that uses it.
    void expectReferencesBalanced()
    {
        std::map<WORD, UINT> uses;
        for (const auto& e : elements(folder))
            ++uses[e.nameId];
        for (const auto& [nameId, count] : uses)
            EXPECT_EQ(host.references(nameId), count) << "name id " << nameId;
        EXPECT_EQ(host.liveTexts(), uses.size() + (folder.textId != 0 ? 1u : 0u));
    }
    // The node record the callback saw with the only tag named "Temp" of the search's node.
    std::string nodeSeen(WORD searchNode, WORD found)
    {
        g_nodes.clear();
        EXPECT_EQ(scan("\tTemp", record(0x11, searchNode)), found);
        EXPECT_EQ(g_nodes.size(), 1u);
        return g_nodes.size() == 1 ? reinterpret_cast<const char*>(g_nodes[0].hostData1) : "<no call>";
    }

    w32khost::Project host;
    BYTE* const project = host.bytes();
    w32khost::TagTree tree{host, compareTags};
    TagFolderHeader& folder = tree.folder;
};

} // namespace

TEST_F(TagFolder, LookupsByIdAndByPositionFillEveryOutputGivenOrNone)
{
    const WORD motor = tree.add("Motor", 0, 1, record(0x21));
    tree.add("Speed", motor, 0, record(0x22));
    // What a lookup wrote: the result, the record's marker, parent, group, name and position.
    using Out = std::tuple<WORD, BYTE, WORD, int, std::string, WORD>;
    const Out motorOut{1, 0x21, 0, 1, "Motor", 0}, speedOut{2, 0x22, 1, 0, "Speed", 1};
    const Out none{0, 0x77, 0x7777, 0x7777, "untouched", 0x7777};
    for (const auto& [byPosition, key, expected] :
         {std::tuple{false, 2, speedOut}, {false, 3, none}, {true, 0, motorOut}, {true, 2, none}}) {
        SCOPED_TRACE(std::string(byPosition ? "position " : "id ") + std::to_string(key));
        TagDataRecord data = record(0x77);
        WORD parent = 0x7777, position = 0x7777;
        int group = 0x7777;
        char name[256] = "untouched";
        const auto lookup = byPosition ? GetBasedTagElement : GetTagElement;
        const WORD result = lookup(&folder, project, WORD(key), &data, &parent, &group, name, 255, &position);
        EXPECT_EQ(Out(result, data.hostData1[0], parent, group, name, position), expected);
    }
    // Null outputs are skipped; the name is cut to the size given.
    char name[16] = "untouched";
    EXPECT_EQ(GetBasedTagElement(&folder, project, 0, nullptr, nullptr, nullptr, name, 4, nullptr), motor);
    EXPECT_STREQ(name, "Mot");
}

// (An empty name stands for the tag exports' refusals of missing arguments.)
TEST_F(TagFolder, AnEmptyNameAndAFullFolderAreRefused)
{
    EXPECT_EQ(tree.add(""), 0);
    for (int i = 0; i < W32K_TAG_MAX_ELEMENTS; ++i)
        ASSERT_EQ(tree.add(std::to_string(i)), i + 1);
    EXPECT_EQ(tree.add("One more"), 0);
    EXPECT_EQ(tree.add("0", 0, 1, record(0x99)), 0) << "updates are refused alike";
    EXPECT_EQ(element(1).data.hostData1[0], 0);
    expectReferencesBalanced();
}

TEST_F(TagFolder, APathFindsATagOnlyUnderTheParentOfExactlyThatNameAndWhenTheCallbackAnswersOne)
{
    const WORD upper = tree.add("Motor", 0, 1), lower = tree.add("motor", 0, 1);
    const WORD underUpper = tree.add("Speed", upper, 0, record(0x71));
    const WORD underLower = tree.add("Speed", lower, 0, record(0x72));
    const WORD top = tree.add("Speed", 0, 0, record(0x73));
    const struct { const char* path; WORD found, position; } cases[] = {
        {"motor\tSpeed", underLower, 3}, {"Moto\tSpeed", 0, 0}, {"\tSpeed", top, 4} /* the top level */,
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        WORD position = 0x7777;
        TagDataRecord data = record(0x00);
        EXPECT_EQ(scan(c.path, record(), &position, &data), c.found);
        EXPECT_EQ(position, c.found ? c.position : 0x7777);
        const TagDataRecord expected = c.found ? element(c.found).data : record(0x00);
        EXPECT_EQ(0, std::memcmp(&data, &expected, sizeof data));
    }
    // A plain name searches the level of the search record's reference tag.
    EXPECT_EQ(scan("Speed", record(0x11, 0, 0, tree.add("Torque", upper))), underUpper);
    g_answer = 0x101;
    EXPECT_EQ(scan("\tMotor"), 0) << "only a callback result of exactly 1 is a match";
}

// A tab inside a group's name separates nothing when a tag is added under
// it: adding the same tag again updates it instead of adding a copy.
TEST_F(TagFolder, AddingUnderAGroupWhoseNameHoldsATabUpdatesTheTag)
{
    const WORD group = tree.add("Line\t2", 0, 1);
    const WORD tag = tree.add("Speed", group, 0, record(0x21));
    EXPECT_EQ(tree.add("Speed", group, 0, record(0x22)), tag);
    EXPECT_EQ(ids(), (Ids{group, tag}));
    EXPECT_EQ(element(tag).data.hostData1[0], 0x22);
}

TEST_F(TagFolder, TheCallbackGetsTheNodeRecordOfTheTagsNode)
{
    // Not networked: the project's own node record; node numbers do not separate tags.
    NetNodeRecord own{};
    std::strcpy(reinterpret_cast<char*>(own.hostData1), "this panel");
    std::memcpy(project + W32K_PROJECT_OWN_NETNODE, &own, sizeof own);
    host.addNode(5, "stranger"); // must not be consulted
    const WORD tag = tree.add("Temp", 0, 0, record(0x11, 5));
    EXPECT_EQ(nodeSeen(9, tag), "this panel");
    DeleteTagFolder(&folder, project);
    // Networked: tags of other nodes are other tags, not even handed to the callback.
    host.setNetworked();
    host.addNode(1, "panel one");
    tree.add("Temp", 0, 0, record(0x11, 2));
    EXPECT_EQ(nodeSeen(1, tree.add("Temp", 0, 0, record(0x11, 1))), "panel one");
    // A node without a record hands the callback a zero-filled one.
    EXPECT_EQ(nodeSeen(7, tree.add("Temp", 0, 0, record(0x11, 7))), "");
    const NetNodeRecord zero{};
    EXPECT_EQ(0, std::memcmp(&g_nodes[0], &zero, sizeof zero));
}

// (Which elements a deletion removes and the order the rest keep, unknown ids
// and non-group parents, over any folder: fuzz_tags.)
TEST_F(TagFolder, DeletingAGroupTakesItsSubtreeFreesItsIdsAndTheLastElementTheBlock)
{
    const WORD a = tree.add("A", 0, 1), b = tree.add("B");
    tree.add("A21", tree.add("A2", a, 1));
    tree.add("A3", a);
    const WORD d = tree.add("D");
    DeleteTagElement(&folder, project, a);
    EXPECT_EQ(ids(), (Ids{b, d}));
    EXPECT_EQ(tree.add("New"), 1) << "the smallest free id";
    EXPECT_EQ(ids(), (Ids{b, d, 1})) << "a new tag goes last";
    for (WORD last : {b, d, WORD{1}})
        DeleteTagElement(&folder, project, last);
    EXPECT_EQ(folder.elements, nullptr) << "the last element takes the block with it";
}

TEST_F(TagFolder, ACopyIsIndependentAndEachFolderOwnsOneReferencePerUse)
{
    folder.textId = host.acquire("Folder text");
    std::memset(folder.hostData1, 0xC1, sizeof folder.hostData1);
    const WORD motor = tree.add("Motor", 0, 1);
    tree.add("Speed", motor);
    tree.add("Speed"); // the same name twice: two references on one id
    TagFolderHeader copy;
    std::memset(&copy, 0xEE, sizeof copy);
    ASSERT_TRUE(DuplicateTagFolder(&copy, &folder, project));
    ASSERT_NE(copy.elements, folder.elements);
    ASSERT_EQ(elements(copy).size(), 3u);
    EXPECT_EQ(0, std::memcmp(elements(copy).data(), elements(folder).data(), 3 * kElementSize));
    const HGLOBAL copyBlock = std::exchange(copy.elements, folder.elements);
    EXPECT_EQ(0, std::memcmp(&copy, &folder, sizeof copy)) << "the header is copied as it is";
    copy.elements = copyBlock;
    EXPECT_EQ(host.references(folder.textId), 2u);
    EXPECT_EQ(host.references(element(motor).nameId), 2u);
    EXPECT_EQ(host.references(element(3).nameId), 4u);
    DeleteTagFolder(&copy, project);
    expectReferencesBalanced();
}

// Without a project to release the references in, or with a block that cannot be
// locked, the folder still gives its block back.
TEST_F(TagFolder, ReleasingFreesTheBlockWithoutAProjectOrALockableBlock)
{
    w32ktest::GlobalMemoryMonitor memory{GetModuleHandleA("W32KORUTIL1.dll")};
    ASSERT_TRUE(memory.installed());
    for (void* owner : {static_cast<void*>(nullptr), static_cast<void*>(project)}) {
        tree.add("One"), tree.add("Two");
        memory.reset();
        if (owner)
            memory.failLock(1);
        DeleteTagFolder(&folder, owner);
        EXPECT_EQ(memory.frees(), 1);
        EXPECT_EQ(folder.elements, nullptr);
        EXPECT_EQ(folder.count, 0);
    }
    StringStoreClear(project); // the references nobody could read
}

TEST_F(TagFolder, ABlockSmallerThanTheCountIsNeverReadPastItsEnd)
{
    tree.add("One");
    tree.add("Two");
    const WORD threeName = element(tree.add("Three")).nameId;
    folder.elements = GlobalReAlloc(folder.elements, 2 * kElementSize, GMEM_MOVEABLE); // the count stays 3
    EXPECT_EQ(GetTagElement(&folder, project, 3, nullptr, nullptr, nullptr, nullptr, 0, nullptr), 0);
    TagFolderHeader copy{};
    ASSERT_TRUE(DuplicateTagFolder(&copy, &folder, project));
    EXPECT_EQ(copy.count, 2);
    DeleteTagFolder(&copy, project);
    host.release(threeName); // the cut-off element's reference is the host's
}

// Net-node folders: registering, looking up and deleting the records of one folder, and copying and deleting
// whole trees. (Damaged trees: test_hostile_input and fuzz_netnode.)
namespace {

constexpr std::size_t kRecordSize = sizeof(NetNodeRecord);

// A record whose host data carries a label, so copies can be told apart.
NetNodeRecord node(WORD number, const char* label = "")
{
    NetNodeRecord r{};
    r.nodeNumber = number;
    std::strncpy(reinterpret_cast<char*>(r.hostData1), label, sizeof r.hostData1 - 1);
    r.hostData3[18] = 0xA5;
    return r;
}
std::string labelOf(const NetNodeRecord& r) { return reinterpret_cast<const char*>(r.hostData1); }

using w32ktest::withChildren;

std::vector<NetNodeRecord> children(const NetNodeRecord& folder)
{
    const w32k::GlobalLockGuard<const NetNodeRecord> block(folder.childCount ? folder.childBlock : nullptr);
    return block ? std::vector<NetNodeRecord>(block.get(), block.get() + folder.childCount)
                 : std::vector<NetNodeRecord>{};
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
// finds over any tree, numbers and positions not there: fuzz_netnode.)
TEST_F(NetNodeFolder, LookupByNumberOrPositionAndANullFolderRefused)
{
    folder = withChildren(folder, {node(12, "12"), node(4, "4"), node(9, "9")});
    // A null label: not found.
    const struct { NetNodeRecord* folder; int mode; WORD key; const char* label; } cases[] = {
        {&folder, W32K_NETNODE_BY_NUMBER, 4, "4"}, {&folder, W32K_NETNODE_BY_POSITION, 2, "9"},
        {&folder, 2, 9, "9"} /* any nonzero mode searches by number */, {nullptr, 1, 1, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) + " key " + std::to_string(c.key));
        NetNodeRecord out = node(0xBEEF, "untouched");
        EXPECT_EQ(ExpGetNetNodeData(c.folder, c.mode, c.key, &out), c.label != nullptr);
        EXPECT_EQ(labelOf(out), c.label ? c.label : "untouched");
    }
}

// A number registered again replaces its record in place; a deletion keeps the others in order. Both leave a
// block of exactly the records. Deleting a copy of the tree clears flag bit 0 of its root only. (Which
// subtree a replacement keeps, that the deleted subtree's blocks are freed and the last record takes the
// block along, that a copy stands alone: fuzz_netnode.)
TEST_F(NetNodeFolder, RegisteringAgainReplacesInPlaceDeletingKeepsTheOrderAndACopysDeletionClearsBitZero)
{
    folder.flags = 0xF3;
    const NetNodeRecord again = node(3, "again"), four = node(4, "four");
    const NetNodeRecord middle = withChildren(node(2, "middle"), {node(21), node(22)});
    folder = withChildren(folder, {node(1, "one"), middle, node(3, "three"), four, again});
    EXPECT_EQ(GlobalSize(folder.childBlock), 4 * kRecordSize);
    ASSERT_TRUE(ExpDeleteNetNodeData(&folder, 2));
    EXPECT_EQ(GlobalSize(folder.childBlock), 3 * kRecordSize);
    EXPECT_EQ(children(folder)[0].nodeNumber, 1);
    EXPECT_EQ(0, std::memcmp(&children(folder)[1], &again, kRecordSize));
    EXPECT_EQ(0, std::memcmp(&children(folder)[2], &four, kRecordSize));
    NetNodeRecord copy = node(99, "stale");
    ASSERT_TRUE(ExpDuplicateNetworkFolder(&copy, &folder));
    EXPECT_TRUE(ExpDeleteNetworkFolder(&copy));
    EXPECT_EQ(copy.flags, 0xF2) << "bit 0 cleared, the others kept";
}

TEST_F(NetNodeFolder, AFullFolderRefusesAnotherChildAndKeepsItsCount)
{
    constexpr WORD kFull = 0xFFFF;
    // Children numbered 0.
    folder.childBlock = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kFull * kRecordSize);
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
