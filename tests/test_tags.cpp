// Tag folders through the DLL: lookups, the search for an existing tag,
// adding, updating, deleting and copying, with the string-store references
// that every element name and the folder text own.
#include <gtest/gtest.h>

#include "korutil2mfc.h"
#include "w32korutil1.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t kElementSize = sizeof(TagElement);
using Ids = std::vector<WORD>;

// -- the host's comparison callback: records its calls, answers g_answer (default 1)

struct CompareCall {
    TagDataRecord search;
    TagDataRecord candidate;
    NetNodeRecord node;
};
std::vector<CompareCall> g_calls;
std::function<int(const TagDataRecord&, const TagDataRecord&)> g_answer;

int WINAPI compareTags(const TagDataRecord* search, const TagDataRecord* candidate, const NetNodeRecord* node)
{
    g_calls.push_back({*search, *candidate, *node});
    return g_answer ? g_answer(*search, *candidate) : 1;
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

NetNodeRecord netNode(WORD number, const char* label)
{
    NetNodeRecord r{};
    r.nodeNumber = number;
    std::strncpy(reinterpret_cast<char*>(r.hostData1), label, sizeof r.hostData1 - 1);
    return r;
}

// prefix followed by the number (appended: GCC 12 misreads "literal" + string).
std::string numbered(const char* prefix, int number) { return std::string(prefix).append(std::to_string(number)); }

// -- the fixture: one project block and one folder

class TagFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_calls.clear();
        g_answer = nullptr;
    }
    void TearDown() override
    {
        ExpDeleteNetworkFolder(netFolder());
        DeleteTagFolder(&folder, project);
        EXPECT_EQ(folder.elements, nullptr);
        EXPECT_EQ(folder.count, 0);
        EXPECT_EQ(StringStoreLiveCount(project), 0u) << "every reference the folder took is dropped";
        StringStoreClear(project);
    }

    WORD add(const char* name, WORD parent = 0, int group = 0, const TagDataRecord& data = record())
    {
        return AddTagElement(&folder, project, name, &data, parent, group, compareTags);
    }
    WORD scan(const char* path, const TagDataRecord& search = record(), WORD* position = nullptr,
              TagDataRecord* data = nullptr)
    {
        return ScanForExistingTag(&folder, project, path, &search, data, position, compareTags);
    }
    // The elements as the host reads them; checks the block holds exactly count.
    std::vector<TagElement> elements(const TagFolderHeader& of) const
    {
        if (of.count == 0) {
            EXPECT_EQ(of.elements, nullptr);
            return {};
        }
        EXPECT_EQ(GlobalSize(of.elements), of.count * kElementSize);
        EXPECT_EQ(GlobalFlags(of.elements) & GMEM_LOCKCOUNT, 0u) << "block left locked";
        std::vector<TagElement> out(of.count);
        if (const void* p = GlobalLock(of.elements)) {
            std::memcpy(out.data(), p, out.size() * kElementSize);
            GlobalUnlock(of.elements);
        }
        return out;
    }
    std::vector<TagElement> elements() const { return elements(folder); }
    Ids ids() const
    {
        Ids out;
        for (const auto& e : elements())
            out.push_back(e.id);
        return out;
    }
    TagElement element(WORD id) const
    {
        for (const auto& e : elements())
            if (e.id == id)
                return e;
        ADD_FAILURE() << "no element " << id;
        return TagElement{};
    }
    TagElement* lockElements() { return static_cast<TagElement*>(GlobalLock(folder.elements)); }
    std::string nameOf(WORD id)
    {
        char name[256] = "<none>";
        return GetTagElement(&folder, project, id, nullptr, nullptr, nullptr, name, sizeof name, nullptr) ? name : "<none>";
    }
    UINT refs(WORD nameId) { return StringStoreRefCount(nameId, project); }
    WORD acquire(const char* text) { return static_cast<WORD>(KorAcquireName(text, project)); }
    // Every name id holds exactly one reference per element that uses it.
    void expectReferencesBalanced()
    {
        std::map<WORD, UINT> uses;
        for (const auto& e : elements())
            ++uses[e.nameId];
        for (const auto& [nameId, count] : uses)
            EXPECT_EQ(refs(nameId), count) << "name id " << nameId;
        EXPECT_EQ(StringStoreLiveCount(project), uses.size() + (folder.textId != 0 ? 1u : 0u));
    }
    NetNodeRecord* netFolder() { return reinterpret_cast<NetNodeRecord*>(project + W32K_PROJECT_NETNODE_FOLDER); }
    // The node record the callback saw with the only tag named "Temp" of the search's node.
    std::string nodeSeen(WORD searchNode, WORD found)
    {
        g_calls.clear();
        EXPECT_EQ(scan("\tTemp", record(0x11, searchNode)), found);
        EXPECT_EQ(g_calls.size(), found ? 1u : 0u);
        return g_calls.size() == 1 ? reinterpret_cast<const char*>(g_calls[0].node.hostData1) : "<no call>";
    }

    alignas(8) BYTE project[1024] = {};
    TagFolderHeader folder{};
};

} // namespace

// -- lookups ---------------------------------------------------------------------------

TEST_F(TagFolder, LookupsByIdAndByPositionFillEveryOutputOrNone)
{
    EXPECT_EQ(GetTagElement(&folder, project, 1, nullptr, nullptr, nullptr, nullptr, 0, nullptr), 0) << "empty folder";
    EXPECT_EQ(GetBasedTagElement(&folder, project, 0, nullptr, nullptr, nullptr, nullptr, 0, nullptr), 0);
    EXPECT_EQ(scan("\tPump") + scan("Pump"), 0);
    EXPECT_TRUE(g_calls.empty());
    const WORD motor = add("Motor", 0, 1, record(0x21));
    ASSERT_EQ(motor, 1);
    ASSERT_EQ(add("Speed", motor, 0, record(0x22)), 2);

    struct Case {
        bool byPosition;
        WORD key;
        WORD result;
        BYTE marker;
        WORD parent;
        int group;
        const char* text;
        WORD position;
    };
    const Case cases[] = {
        {false, 1, 1, 0x21, 0, 1, "Motor", 0}, {false, 2, 2, 0x22, 1, 0, "Speed", 1},
        {false, 0, 0, 0x77, 0x7777, 0x7777, "untouched", 0x7777}, {false, 3, 0, 0x77, 0x7777, 0x7777, "untouched", 0x7777},
        {true, 0, 1, 0x21, 0, 1, "Motor", 0}, {true, 1, 2, 0x22, 1, 0, "Speed", 1},
        {true, 2, 0, 0x77, 0x7777, 0x7777, "untouched", 0x7777},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.byPosition ? "position " : "id ") + std::to_string(c.key));
        TagDataRecord data = record(0x77);
        WORD parent = 0x7777, position = 0x7777;
        int group = 0x7777;
        char name[256] = "untouched";
        EXPECT_EQ((c.byPosition ? GetBasedTagElement : GetTagElement)(&folder, project, c.key, &data, &parent, &group,
                                                                         name, 255, &position),
                  c.result);
        EXPECT_EQ(data.hostData1[0], c.marker);
        EXPECT_EQ(parent, c.parent);
        EXPECT_EQ(group, c.group);
        EXPECT_EQ(position, c.position);
        EXPECT_STREQ(name, c.text);
    }
}

TEST_F(TagFolder, LookupsSkipNullOutputsAndReadTheNameOnlyWithAProject)
{
    const WORD pump = add("Pump", 0, 1, record(0x31));
    EXPECT_EQ(GetTagElement(&folder, project, pump, nullptr, nullptr, nullptr, nullptr, 0, nullptr), pump);
    // Without a project block the name stays untouched, the rest is written.
    WORD parent = 0x7777, position = 0x7777;
    int group = 0;
    char name[16] = "untouched";
    EXPECT_EQ(GetTagElement(&folder, nullptr, pump, nullptr, &parent, &group, name, sizeof name, &position), pump);
    EXPECT_STREQ(name, "untouched");
    EXPECT_TRUE(parent == 0 && group == 1 && position == 0);
    // The name is cut to the size given, with its terminating zero.
    EXPECT_EQ(GetBasedTagElement(&folder, project, 0, nullptr, nullptr, nullptr, name, 4, nullptr), pump);
    EXPECT_STREQ(name, "Pum");
    EXPECT_EQ(GetTagElement(nullptr, project, pump, nullptr, nullptr, nullptr, nullptr, 0, nullptr), 0);
}

// -- adding and updating -----------------------------------------------------------------

TEST_F(TagFolder, NewTagsGetTheSmallestFreeIdAndGoLast)
{
    for (const char* name : {"One", "Two", "Three"})
        add(name);
    for (const auto& e : elements()) {
        EXPECT_EQ(refs(e.nameId), 1u);
        EXPECT_EQ(e.parentId, 0);
        EXPECT_TRUE(std::all_of(e.reserved, e.reserved + sizeof e.reserved, [](BYTE b) { return b == 0; }));
    }
    DeleteTagElement(&folder, project, 2);
    EXPECT_EQ(ids(), (Ids{1, 3}));
    EXPECT_EQ(add("Four"), 2);
    EXPECT_EQ(ids(), (Ids{1, 3, 2}));
    EXPECT_EQ(nameOf(2), "Four");
    EXPECT_EQ(add("Five"), 4);
    expectReferencesBalanced();
}

TEST_F(TagFolder, AnExistingTagIsUpdatedInPlaceWithoutReferenceChanges)
{
    const WORD motor = add("Motor", 0, 1);
    const WORD speed = add("Speed", motor, 0, record(0x41));
    add("Torque", motor);
    const WORD nameId = element(speed).nameId;
    lockElements()[1].flags |= 0xA0; // the host's own flag bits
    GlobalUnlock(folder.elements);

    EXPECT_EQ(add("Speed", motor, 1, record(0x42)), speed);
    EXPECT_EQ(ids(), (Ids{1, 2, 3}));
    const TagElement updated = element(speed);
    EXPECT_EQ(updated.nameId, nameId);
    EXPECT_EQ(updated.data.hostData1[0], 0x42);
    EXPECT_EQ(updated.parentId, motor);
    EXPECT_EQ(updated.flags, 0xA1) << "the group bit from bit 0, the other bits kept";
    EXPECT_EQ(add("Speed", motor, 2, record(0x42)), speed);
    EXPECT_EQ(element(speed).flags, 0xA0);
    expectReferencesBalanced();
    // The callback saw the new record as the search record.
    ASSERT_FALSE(g_calls.empty());
    EXPECT_EQ(g_calls.back().search.hostData1[0], 0x42);
}

TEST_F(TagFolder, KeepParentHoldsAnExistingTagsParentAndPutsNewTagsAtTheTop)
{
    const WORD motor = add("Motor", 0, 1);
    const WORD top = add("Speed", 0, 0, record(0x51));
    const WORD inGroup = add("Speed", motor, 0, record(0x52));
    EXPECT_EQ(add("Speed", W32K_TAG_KEEP_PARENT, 0, record(0x53)), top);
    EXPECT_EQ(element(top).parentId, 0);
    EXPECT_EQ(element(top).data.hostData1[0], 0x53);
    EXPECT_EQ(element(inGroup).data.hostData1[0], 0x52);
    EXPECT_EQ(element(add("Flow", W32K_TAG_KEEP_PARENT)).parentId, 0);
    EXPECT_EQ(folder.count, 4);
}

TEST_F(TagFolder, EveryStoreClearsTheReferenceIdAndTheStoredBit)
{
    const std::pair<BYTE, WORD> cases[] = {{0xFF, 0x1234}, {0x80, 1}, {0x7F, 0xFFFF}, {0x00, 0}};
    for (const auto& [storeFlags, referenceTagId] : cases) {
        SCOPED_TRACE(storeFlags);
        const TagDataRecord given = record(0x61, 0, storeFlags, referenceTagId);
        for (int pass = 0; pass < 2; ++pass) { // the first adds, the second updates
            const TagElement stored = element(add("Tag", 0, 0, given));
            EXPECT_EQ(stored.data.referenceTagId, 0);
            EXPECT_EQ(stored.data.storeFlags, storeFlags & ~W32K_TAG_DATA_STORED_CLEAR);
            EXPECT_EQ(0, std::memcmp(stored.data.hostData1, given.hostData1, sizeof given.hostData1));
            EXPECT_EQ(stored.data.hostData4[1], 0x61);
        }
        DeleteTagFolder(&folder, project);
    }
}

TEST_F(TagFolder, EmptyNamesAndMissingArgumentsAreRefused)
{
    const TagDataRecord data = record();
    EXPECT_EQ(add(""), 0);
    EXPECT_EQ(AddTagElement(&folder, project, nullptr, &data, 0, 0, compareTags), 0);
    EXPECT_EQ(AddTagElement(&folder, project, "Tag", nullptr, 0, 0, compareTags), 0);
    EXPECT_EQ(AddTagElement(&folder, project, "Tag", &data, 0, 0, nullptr), 0);
    EXPECT_EQ(AddTagElement(&folder, nullptr, "Tag", &data, 0, 0, compareTags), 0);
    EXPECT_EQ(AddTagElement(nullptr, project, "Tag", &data, 0, 0, compareTags), 0);
    EXPECT_EQ(folder.elements, nullptr);
}

TEST_F(TagFolder, ANameThatDoesNotFitThePathWithItsParentIsRefused)
{
    const WORD group = add(std::string(200, 'G').c_str(), 0, 1);
    ASSERT_NE(group, 0);
    // parent name + tab + name + terminating zero must fit 256 bytes.
    const std::tuple<WORD, std::size_t, bool> cases[] = {
        {group, 54, true}, {group, 55, false}, {0, 254, true}, {0, 255, false}, {0, 1000, false}};
    for (const auto& [parent, length, stored] : cases) {
        SCOPED_TRACE(length);
        const std::string name(length, 'n');
        const Ids before = ids();
        const WORD id = add(name.c_str(), parent);
        EXPECT_EQ(id != 0, stored);
        if (stored) {
            EXPECT_EQ(nameOf(id), name);
            EXPECT_EQ(add(name.c_str(), parent), id); // found again by its path
        } else {
            EXPECT_EQ(ids(), before);
        }
        expectReferencesBalanced();
    }
}

TEST_F(TagFolder, AFullFolderRefusesNewTagsAndUpdatesAlike)
{
    for (int i = 0; i < W32K_TAG_MAX_ELEMENTS; ++i)
        ASSERT_EQ(add(numbered("T", i).c_str()), i + 1);
    EXPECT_EQ(add("One more"), 0);
    EXPECT_EQ(add("T0", 0, 1, record(0x99)), 0);
    EXPECT_EQ(element(1).data.hostData1[0], 0x11);
    EXPECT_EQ(folder.count, W32K_TAG_MAX_ELEMENTS);
    DeleteTagElement(&folder, project, 700);
    EXPECT_EQ(add("One more"), 700);
    EXPECT_EQ(ids().back(), 700);
    expectReferencesBalanced();
}

// -- the search ----------------------------------------------------------------------------

TEST_F(TagFolder, APathFindsATagOnlyUnderTheParentOfExactlyThatName)
{
    const WORD upper = add("Motor", 0, 1);
    const WORD lower = add("motor", 0, 1);
    const WORD underUpper = add("Speed", upper, 0, record(0x71));
    const WORD underLower = add("Speed", lower, 0, record(0x72));
    const WORD top = add("Speed", 0, 0, record(0x73));
    struct Case {
        const char* path;
        WORD found;
        WORD position;
    };
    const Case cases[] = {
        {"Motor\tSpeed", underUpper, 2}, {"motor\tSpeed", underLower, 3}, {"MOTOR\tSpeed", 0, 0},
        {"Motor\tspeed", 0, 0}, {"Moto\tSpeed", 0, 0}, {"\tSpeed", top, 4}, // a leading tab: the top level
        {"\tMotor", upper, 0}, {"Motor\tSpeed\tX", 0, 0},                   // only the first tab splits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        WORD position = 0x7777;
        TagDataRecord data = record(0x00);
        EXPECT_EQ(scan(c.path, record(), &position, &data), c.found);
        EXPECT_EQ(position, c.found ? c.position : 0x7777);
        const TagDataRecord expected = c.found ? element(c.found).data : record(0x00);
        EXPECT_EQ(0, std::memcmp(&data, &expected, sizeof data));
    }
}

TEST_F(TagFolder, APlainNameSearchesTheLevelOfTheReferenceTag)
{
    const WORD motor = add("Motor", 0, 1);
    const WORD top = add("Speed");
    const WORD inMotor = add("Speed", motor);
    const WORD sibling = add("Torque", motor);
    const std::pair<WORD, WORD> cases[] = {{0, top}, {sibling, inMotor}, {inMotor, inMotor}, {top, top}, {motor, top}, {999, top}};
    for (const auto& [referenceTagId, found] : cases)
        EXPECT_EQ(scan("Speed", record(0x11, 0, 0, referenceTagId)), found) << "reference " << referenceTagId;
}

TEST_F(TagFolder, OnlyACallbackResultOfExactlyOneIsAMatch)
{
    const WORD tag = add("Level");
    for (const int answer : {1, 2, 0, -1, 0x101}) {
        g_answer = [answer](const TagDataRecord&, const TagDataRecord&) { return answer; };
        g_calls.clear();
        EXPECT_EQ(scan("\tLevel"), answer == 1 ? tag : 0) << "answer " << answer;
        EXPECT_EQ(g_calls.size(), 1u);
    }
    // The host's comparison tells tags of the same name and level apart.
    g_answer = [](const TagDataRecord& a, const TagDataRecord& b) { return a.hostData1[0] == b.hostData1[0]; };
    const WORD second = add("Level", 0, 0, record(0x02));
    EXPECT_EQ(second, 2);
    EXPECT_EQ(scan("\tLevel", record(0x02)), second);
    EXPECT_EQ(scan("\tLevel", record(0x11)), tag);
    EXPECT_EQ(scan("\tLevel", record(0x03)), 0);
    EXPECT_EQ(add("Level", 0, 0, record(0x02)), second);
    EXPECT_EQ(element(1).nameId, element(2).nameId);
    expectReferencesBalanced();
}

TEST_F(TagFolder, TheCallbackGetsTheNodeRecordOfTheTagsNode)
{
    // Not networked: the project's own node record, and node numbers do not separate tags.
    const NetNodeRecord own = netNode(0, "this panel"), stranger = netNode(5, "stranger");
    std::memcpy(project + W32K_PROJECT_OWN_NETNODE, &own, sizeof own);
    ASSERT_TRUE(ExpRegisterNetNodeData(netFolder(), &stranger)); // must not be consulted
    const WORD tag = add("Temp", 0, 0, record(0x11, 5));
    EXPECT_EQ(nodeSeen(9, tag), "this panel");
    DeleteTagFolder(&folder, project);

    // Networked: tags of other nodes are other tags, and the callback is not even called for them.
    project[W32K_PROJECT_NETWORKED] = 1;
    const NetNodeRecord one = netNode(1, "panel one"), two = netNode(2, "panel two");
    ASSERT_TRUE(ExpRegisterNetNodeData(netFolder(), &one));
    ASSERT_TRUE(ExpRegisterNetNodeData(netFolder(), &two));
    const WORD onOne = add("Temp", 0, 0, record(0x11, 1));
    const WORD onTwo = add("Temp", 0, 0, record(0x11, 2));
    EXPECT_NE(onOne, onTwo);
    EXPECT_EQ(nodeSeen(1, onOne), "panel one");
    EXPECT_EQ(nodeSeen(2, onTwo), "panel two");
    EXPECT_EQ(nodeSeen(3, 0), "<no call>");
    // A node without a record hands the callback a zero-filled one.
    const WORD onSeven = add("Temp", 0, 0, record(0x11, 7));
    EXPECT_EQ(nodeSeen(7, onSeven), "");
    const NetNodeRecord zero{};
    EXPECT_EQ(0, std::memcmp(&g_calls[0].node, &zero, sizeof zero));
}

// -- deleting ------------------------------------------------------------------------------

TEST_F(TagFolder, DeletingAGroupRemovesItsWholeSubtreeAndKeepsTheOrderOfTheRest)
{
    // Ids in insertion order; the tree is interleaved with other tags.
    const WORD a = add("A", 0, 1), b = add("B"), a1 = add("A1", a), a2 = add("A2", a, 1), c = add("C", 0, 1);
    const WORD a21 = add("A21", a2), a3 = add("A3", a) /* not a group */, c1 = add("C1", c);
    const WORD a22 = add("A22", a2, 1) /* group without children */, d = add("D");
    ASSERT_EQ(d, 10);
    lockElements()[9].parentId = a3; // the host may name a non-group as parent
    GlobalUnlock(folder.elements);

    DeleteTagElement(&folder, project, 99);
    DeleteTagElement(&folder, project, 0);
    EXPECT_EQ(folder.count, 10) << "unknown ids delete nothing";
    DeleteTagElement(&folder, project, a);
    EXPECT_EQ(ids(), (Ids{b, c, c1, d}));
    EXPECT_EQ(element(d).parentId, a3); // the child of a non-group stays
    for (WORD gone : {a, a1, a2, a21, a22, a3})
        EXPECT_EQ(nameOf(gone), "<none>");
    expectReferencesBalanced();
    DeleteTagElement(&folder, project, b); // a leaf: only itself
    EXPECT_EQ(ids(), (Ids{c, c1, d}));
    expectReferencesBalanced();

    for (WORD last : {c, d}) // the group c takes c1 with it
        DeleteTagElement(&folder, project, last);
    EXPECT_EQ(folder.elements, nullptr) << "the last element takes the block with it";
    EXPECT_EQ(StringStoreLiveCount(project), 0u);
    EXPECT_EQ(add("Again"), 1);
}

// -- releasing and copying whole folders --------------------------------------------------------

TEST_F(TagFolder, DeleteTagFolderDropsEveryReferenceAndKeepsTheTextId)
{
    folder.textId = acquire("Tags of page 1");
    add("Shared", 0, 1);
    add("Shared", 1); // the same name twice: two references on one id
    add("Other");
    expectReferencesBalanced();
    const WORD textId = folder.textId;
    DeleteTagFolder(&folder, project);
    EXPECT_EQ(folder.elements, nullptr);
    EXPECT_EQ(folder.textId, textId);
    EXPECT_EQ(StringStoreLiveCount(project), 0u);

    // Without a block (a stale count) only the text is released.
    folder.textId = acquire("Empty");
    KorAddReference(folder.textId, project); // the host's own reference
    folder.count = 3;
    DeleteTagFolder(&folder, project);
    EXPECT_EQ(refs(folder.textId), 1u);
    EXPECT_EQ(folder.count, 3);
    KorReadOrReleaseName(folder.textId, project, nullptr, 0, TRUE);
    folder.count = 0;
    folder.textId = 0;
}

TEST_F(TagFolder, ACopyIsIndependentAndTakesOneReferencePerId)
{
    folder.textId = acquire("Folder text");
    std::memset(folder.hostData1, 0xC1, sizeof folder.hostData1);
    std::memset(folder.hostData2, 0xC2, sizeof folder.hostData2);
    const WORD motor = add("Motor", 0, 1);
    add("Speed", motor);
    add("Speed");

    TagFolderHeader copy;
    std::memset(&copy, 0xEE, sizeof copy);
    ASSERT_TRUE(DuplicateTagFolder(&copy, &folder, project));
    ASSERT_NE(copy.elements, folder.elements);
    const std::vector<TagElement> copied = elements(copy);
    ASSERT_EQ(copied.size(), 3u);
    EXPECT_EQ(0, std::memcmp(copied.data(), elements().data(), 3 * kElementSize));
    const HGLOBAL copyBlock = std::exchange(copy.elements, folder.elements);
    EXPECT_EQ(0, std::memcmp(&copy, &folder, sizeof copy)) << "the header is copied as it is";
    copy.elements = copyBlock;
    EXPECT_EQ(refs(folder.textId), 2u);
    EXPECT_EQ(refs(element(motor).nameId), 2u);
    EXPECT_EQ(refs(element(3).nameId), 4u); // "Speed" twice, in both folders

    // Changing and deleting the copy leaves the source as it was.
    DeleteTagElement(&copy, project, motor);
    EXPECT_EQ(copy.count, 1);
    DeleteTagFolder(&copy, project);
    EXPECT_EQ(ids(), (Ids{1, 2, 3}));
    expectReferencesBalanced();
    DeleteTagFolder(&folder, project);
    folder.textId = 0;

    // An empty folder (a stale count without a block) copies as empty, with a reference on its text.
    folder.textId = acquire("Empty folder");
    folder.count = 2;
    ASSERT_TRUE(DuplicateTagFolder(&copy, &folder, project));
    EXPECT_EQ(copy.count, 0);
    EXPECT_EQ(copy.elements, nullptr);
    EXPECT_EQ(refs(folder.textId), 2u);
    DeleteTagFolder(&copy, project);
    EXPECT_EQ(refs(folder.textId), 1u);
    folder.count = 0;
    EXPECT_FALSE(DuplicateTagFolder(nullptr, &folder, project));
    EXPECT_FALSE(DuplicateTagFolder(&copy, nullptr, project));
}

TEST_F(TagFolder, ABlockSmallerThanTheCountIsNeverReadPastItsEnd)
{
    add("One");
    add("Two");
    const WORD threeName = element(add("Three")).nameId;
    // The host cut the block to two elements but left the count at 3.
    folder.elements = GlobalReAlloc(folder.elements, 2 * kElementSize, GMEM_MOVEABLE);
    ASSERT_EQ(GlobalSize(folder.elements), 2 * kElementSize);
    EXPECT_EQ(GetBasedTagElement(&folder, project, 2, nullptr, nullptr, nullptr, nullptr, 0, nullptr), 0);
    EXPECT_EQ(GetTagElement(&folder, project, 3, nullptr, nullptr, nullptr, nullptr, 0, nullptr), 0);
    EXPECT_EQ(scan("\tThree"), 0);
    TagFolderHeader copy{};
    ASSERT_TRUE(DuplicateTagFolder(&copy, &folder, project));
    EXPECT_EQ(elements(copy).size(), 2u);
    DeleteTagFolder(&copy, project);
    // A new tag goes behind the elements really there.
    EXPECT_EQ(add("Four"), 3);
    EXPECT_EQ(nameOf(3), "Four");
    KorReadOrReleaseName(threeName, project, nullptr, 0, TRUE); // the cut-off element's reference is the host's
    expectReferencesBalanced();
}

// -- random adds and deletes against a model (block order, ids, parents, groups) ---------------------

namespace {

struct ModelTag {
    WORD id;
    std::string name;
    WORD parent;
    bool group;
};

// The id an add of (name, parent) yields: the existing tag or the smallest free id.
WORD modelAdd(std::vector<ModelTag>& tags, const std::string& name, WORD parent, bool group)
{
    for (auto& t : tags) {
        if (t.name == name && t.parent == parent) {
            t.group = group;
            return t.id;
        }
    }
    WORD id = 1;
    while (std::any_of(tags.begin(), tags.end(), [id](const ModelTag& t) { return t.id == id; }))
        ++id;
    tags.push_back({id, name, parent, group});
    return id;
}

// Deleting removes the tag and, under groups only, everything below it.
void modelRemove(std::vector<ModelTag>& tags, WORD id)
{
    std::set<WORD> doomed{id};
    for (size_t before = 0; before != doomed.size();) {
        before = doomed.size();
        for (const auto& t : tags)
            if (doomed.count(t.parent) && std::any_of(tags.begin(), tags.end(), [&](const ModelTag& p) { return p.id == t.parent && p.group; }))
                doomed.insert(t.id);
    }
    std::erase_if(tags, [&](const ModelTag& t) { return doomed.count(t.id) != 0; });
}

} // namespace

TEST_F(TagFolder, RandomAddsAndDeletesKeepTheFolderConsistent)
{
    std::mt19937 random(20261206);
    std::vector<ModelTag> model;
    int nextGroup = 0;
    std::size_t largest = 0;
    for (int step = 0; step < 1500 && !HasFailure(); ++step) {
        SCOPED_TRACE(numbered("step ", step));
        std::vector<WORD> groups{0};
        for (const auto& t : model)
            if (t.group)
                groups.push_back(t.id);
        const unsigned action = random() % 10;
        if (action < 2 && !model.empty()) {
            const WORD victim = model[random() % model.size()].id;
            DeleteTagElement(&folder, project, victim);
            modelRemove(model, victim);
        } else {
            const WORD parent = groups[random() % groups.size()];
            const bool group = action < 5;
            // Group names are unique (the search finds parents by name).
            const std::string name = group ? numbered("G", nextGroup++) : std::string(1, char('a' + random() % 4));
            ASSERT_EQ(add(name.c_str(), parent, group), modelAdd(model, name, parent, group));
        }
        const auto stored = elements();
        ASSERT_EQ(stored.size(), model.size());
        for (std::size_t k = 0; k < stored.size(); ++k) {
            EXPECT_EQ(stored[k].id, model[k].id);
            EXPECT_EQ(stored[k].parentId, model[k].parent);
            EXPECT_EQ((stored[k].flags & W32K_TAG_FLAG_GROUP) != 0, model[k].group);
        }
        expectReferencesBalanced();
        largest = std::max(largest, stored.size());
    }
    EXPECT_GT(largest, 100u); // the walk reached folders with real subtrees
}

// -- timing ------------------------------------------------------------------------------------

TEST_F(TagFolder, AFullFolderIsBuiltSearchedAndPrunedQuickly)
{
    using Clock = std::chrono::steady_clock;
    auto since = [](Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); };
    // A group holding 1000 descendants (10 subgroups of 99 tags), interleaved
    // with 450 top-level tags: 1451 in all, added one by one.
    auto start = Clock::now();
    const WORD big = add("Big", 0, 1);
    WORD subgroup = 0;
    for (int i = 0, topLevel = 0, descendants = 0; i < W32K_TAG_MAX_ELEMENTS - 1; ++i) {
        const std::string name = numbered("T", i);
        WORD id = 0;
        if (i % 3 == 0 && topLevel < 450)
            id = add(name.c_str()), ++topLevel;
        else if (descendants++ % 100 == 0)
            id = subgroup = add(name.c_str(), big, 1);
        else
            id = add(name.c_str(), subgroup);
        ASSERT_NE(id, 0);
    }
    const double addMs = since(start);
    ASSERT_EQ(folder.count, W32K_TAG_MAX_ELEMENTS);
    // The last tag, found by its path "parent<TAB>name".
    const TagElement last = elements().back();
    const std::string path = nameOf(last.parentId).append("\t").append(nameOf(last.id));
    WORD position = 0;
    start = Clock::now();
    EXPECT_EQ(scan(path.c_str(), record(), &position), last.id);
    const double scanMs = since(start);
    EXPECT_EQ(position, W32K_TAG_MAX_ELEMENTS - 1);
    start = Clock::now();
    DeleteTagElement(&folder, project, big);
    const double deleteMs = since(start);
    EXPECT_EQ(folder.count, 450);
    expectReferencesBalanced();
    std::printf("[ timing   ] 1451 adds %.2f ms, scan of the last tag %.3f ms, deleting a group of 1000 descendants %.2f ms\n",
                addMs, scanMs, deleteMs);
    EXPECT_LT(addMs, 50.0);
    EXPECT_LT(scanMs, 50.0);
    EXPECT_LT(deleteMs, 50.0);
}
