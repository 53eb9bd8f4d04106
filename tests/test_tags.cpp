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
#include <vector>

namespace {

constexpr std::size_t kElementSize = sizeof(TagElement);

// -- the host's comparison callback ------------------------------------------

struct CompareCall {
    TagDataRecord search;
    TagDataRecord candidate;
    NetNodeRecord node;
};

std::vector<CompareCall> g_calls;
// The answer the callback gives; by default every candidate is the same tag.
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

std::string labelOf(const NetNodeRecord& r)
{
    return std::string(reinterpret_cast<const char*>(r.hostData1));
}

// prefix followed by the number (appended: GCC 12 misreads "literal" + string).
std::string numbered(const char* prefix, int number)
{
    return std::string(prefix).append(std::to_string(number));
}

bool allZero(const void* bytes, std::size_t size)
{
    const auto* p = static_cast<const BYTE*>(bytes);
    return std::all_of(p, p + size, [](BYTE b) { return b == 0; });
}

// -- the fixture: one project block and one folder ---------------------------

class TagFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_calls.clear();
        g_answer = nullptr;
    }
    void TearDown() override
    {
        DeleteTagFolder(&folder, project);
        EXPECT_EQ(folder.elements, nullptr);
        EXPECT_EQ(folder.count, 0);
        // Every reference the folder took has been dropped again.
        EXPECT_EQ(StringStoreLiveCount(project), 0u);
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
    std::vector<TagElement> elements() const
    {
        if (folder.count == 0) {
            EXPECT_EQ(folder.elements, nullptr);
            return {};
        }
        EXPECT_EQ(GlobalSize(folder.elements), folder.count * kElementSize);
        std::vector<TagElement> out(folder.count);
        const void* p = GlobalLock(folder.elements);
        if (!p)
            return {};
        std::memcpy(out.data(), p, out.size() * kElementSize);
        GlobalUnlock(folder.elements);
        return out;
    }
    std::vector<WORD> ids() const
    {
        std::vector<WORD> out;
        for (const auto& e : elements())
            out.push_back(e.id);
        return out;
    }
    TagElement element(WORD id) const
    {
        for (const auto& e : elements()) {
            if (e.id == id)
                return e;
        }
        ADD_FAILURE() << "no element " << id;
        return TagElement{};
    }
    std::string nameOf(WORD id)
    {
        char name[256] = "<none>";
        return GetTagElement(&folder, project, id, nullptr, nullptr, nullptr, name, sizeof name, nullptr)
                   ? name
                   : "<none>";
    }
    UINT refs(WORD nameId) { return StringStoreRefCount(nameId, project); }
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
    void makeNetworked(std::initializer_list<NetNodeRecord> nodes)
    {
        project[W32K_PROJECT_NETWORKED] = 1;
        auto* netFolder = reinterpret_cast<NetNodeRecord*>(project + W32K_PROJECT_NETNODE_FOLDER);
        for (const auto& n : nodes)
            ASSERT_TRUE(ExpRegisterNetNodeData(netFolder, &n));
    }
    void dropNetwork()
    {
        ExpDeleteNetworkFolder(reinterpret_cast<NetNodeRecord*>(project + W32K_PROJECT_NETNODE_FOLDER));
    }

    alignas(8) BYTE project[1024] = {};
    TagFolderHeader folder{};
};

} // namespace

// -- lookups -------------------------------------------------------------------

TEST_F(TagFolder, AnEmptyFolderFindsNothingAndWritesNothing)
{
    TagDataRecord data = record(0x77);
    WORD parent = 0x7777, position = 0x7777;
    int group = 0x7777;
    char name[16] = "untouched";
    EXPECT_EQ(GetTagElement(&folder, project, 1, &data, &parent, &group, name, sizeof name, &position), 0);
    EXPECT_EQ(GetBasedTagElement(&folder, project, 0, &data, &parent, &group, name, sizeof name, &position), 0);
    EXPECT_EQ(scan("Pump", record(), &position, &data), 0);
    EXPECT_EQ(scan("\tPump", record(), &position, &data), 0);
    const TagDataRecord unchanged = record(0x77);
    EXPECT_EQ(0, std::memcmp(&data, &unchanged, sizeof data));
    EXPECT_EQ(parent, 0x7777);
    EXPECT_EQ(position, 0x7777);
    EXPECT_EQ(group, 0x7777);
    EXPECT_STREQ(name, "untouched");
    EXPECT_TRUE(g_calls.empty());
    // The search's look at the name leaves no reference behind (TearDown).
}

TEST_F(TagFolder, LookupsByIdAndByPositionFillEveryOutput)
{
    const WORD motor = add("Motor", 0, 1, record(0x21));
    const WORD speed = add("Speed", motor, 0, record(0x22));
    ASSERT_EQ(motor, 1);
    ASSERT_EQ(speed, 2);

    struct Case {
        const char* name;
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
        {"id 1", false, 1, 1, 0x21, 0, 1, "Motor", 0},
        {"id 2", false, 2, 2, 0x22, 1, 0, "Speed", 1},
        {"id 0", false, 0, 0, 0, 0, 0, nullptr, 0},
        {"id 3", false, 3, 0, 0, 0, 0, nullptr, 0},
        {"position 0", true, 0, 1, 0x21, 0, 1, "Motor", 0},
        {"position count-1", true, 1, 2, 0x22, 1, 0, "Speed", 1},
        {"position count", true, 2, 0, 0, 0, 0, nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TagDataRecord data = record(0x77);
        WORD parent = 0x7777, position = 0x7777;
        int group = 0x7777;
        char name[256] = "untouched";
        const WORD result =
            c.byPosition
                ? GetBasedTagElement(&folder, project, c.key, &data, &parent, &group, name, 255, &position)
                : GetTagElement(&folder, project, c.key, &data, &parent, &group, name, 255, &position);
        EXPECT_EQ(result, c.result);
        if (c.result == 0) {
            EXPECT_EQ(data.hostData1[0], 0x77);
            EXPECT_EQ(parent, 0x7777);
            EXPECT_EQ(group, 0x7777);
            EXPECT_EQ(position, 0x7777);
            EXPECT_STREQ(name, "untouched");
            continue;
        }
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
    // Null outputs are skipped.
    EXPECT_EQ(GetTagElement(&folder, project, pump, nullptr, nullptr, nullptr, nullptr, 0, nullptr), pump);
    // Without a project block the name stays untouched, the rest is written.
    WORD parent = 0x7777, position = 0x7777;
    int group = 0;
    TagDataRecord data{};
    char name[16] = "untouched";
    EXPECT_EQ(GetTagElement(&folder, nullptr, pump, &data, &parent, &group, name, sizeof name, &position), pump);
    EXPECT_STREQ(name, "untouched");
    EXPECT_EQ(parent, 0);
    EXPECT_EQ(group, 1);
    EXPECT_EQ(position, 0);
    EXPECT_EQ(data.hostData1[0], 0x31);
    // The name is cut to the size given, with its terminating zero.
    EXPECT_EQ(GetBasedTagElement(&folder, project, 0, nullptr, nullptr, nullptr, name, 4, nullptr), pump);
    EXPECT_STREQ(name, "Pum");
    EXPECT_EQ(GetTagElement(nullptr, project, pump, nullptr, nullptr, nullptr, nullptr, 0, nullptr), 0);
}

// -- adding and updating -----------------------------------------------------------

TEST_F(TagFolder, NewTagsGetIdsFromOneInBlocksOfExactlyCountElements)
{
    EXPECT_EQ(add("Pump"), 1);
    EXPECT_EQ(folder.count, 1);
    EXPECT_EQ(GlobalSize(folder.elements), kElementSize);
    EXPECT_EQ(add("Valve"), 2);
    EXPECT_EQ(GlobalSize(folder.elements), 2 * kElementSize);
    const auto stored = elements();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(nameOf(1), "Pump");
    EXPECT_EQ(nameOf(2), "Valve");
    for (const auto& e : stored) {
        EXPECT_EQ(refs(e.nameId), 1u);
        EXPECT_EQ(e.parentId, 0);
        EXPECT_TRUE(allZero(e.reserved, sizeof e.reserved));
    }
    EXPECT_EQ(GlobalFlags(folder.elements) & GMEM_LOCKCOUNT, 0u);
}

TEST_F(TagFolder, AFreedIdIsReusedAndTheNewTagGoesLast)
{
    add("One");
    add("Two");
    add("Three");
    DeleteTagElement(&folder, project, 2);
    EXPECT_EQ(ids(), (std::vector<WORD>{1, 3}));
    EXPECT_EQ(add("Four"), 2);
    EXPECT_EQ(ids(), (std::vector<WORD>{1, 3, 2}));
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
    const UINT live = StringStoreLiveCount(project);

    EXPECT_EQ(add("Speed", motor, 1, record(0x42)), speed);
    EXPECT_EQ(folder.count, 3);
    EXPECT_EQ(ids(), (std::vector<WORD>{1, 2, 3}));
    const TagElement updated = element(speed);
    EXPECT_EQ(updated.nameId, nameId);
    EXPECT_EQ(updated.data.hostData1[0], 0x42);
    EXPECT_EQ(updated.parentId, motor);
    EXPECT_EQ(updated.flags & W32K_TAG_FLAG_GROUP, W32K_TAG_FLAG_GROUP);
    EXPECT_EQ(refs(nameId), 1u);
    EXPECT_EQ(StringStoreLiveCount(project), live);
    // The callback saw the new record as the search record.
    ASSERT_FALSE(g_calls.empty());
    EXPECT_EQ(g_calls.back().search.hostData1[0], 0x42);
    EXPECT_EQ(g_calls.back().candidate.hostData1[0], 0x41);
}

TEST_F(TagFolder, TheGroupBitIsSetFromBitZeroAndOtherFlagBitsArePreserved)
{
    const WORD tag = add("Tag", 0, 1);
    // The host sets its own flag bits on the element.
    auto* stored = static_cast<TagElement*>(GlobalLock(folder.elements));
    stored->flags |= 0xA0;
    GlobalUnlock(folder.elements);
    EXPECT_EQ(add("Tag", 0, 2), tag); // bit 0 of 2 is clear
    EXPECT_EQ(element(tag).flags, 0xA0);
    EXPECT_EQ(add("Tag", 0, 3), tag);
    EXPECT_EQ(element(tag).flags, 0xA1);
}

TEST_F(TagFolder, KeepParentHoldsAnExistingTagsParentAndPutsNewTagsAtTheTop)
{
    const WORD motor = add("Motor", 0, 1);
    const WORD top = add("Speed", 0, 0, record(0x51));
    const WORD inGroup = add("Speed", motor, 0, record(0x52));
    ASSERT_NE(top, inGroup);

    // The search of 0xFFFF looks at the top level and keeps the parent there.
    EXPECT_EQ(add("Speed", W32K_TAG_KEEP_PARENT, 0, record(0x53)), top);
    EXPECT_EQ(element(top).parentId, 0);
    EXPECT_EQ(element(top).data.hostData1[0], 0x53);
    EXPECT_EQ(element(inGroup).data.hostData1[0], 0x52);

    // A new tag with 0xFFFF lands at the top level.
    const WORD fresh = add("Flow", W32K_TAG_KEEP_PARENT);
    EXPECT_EQ(element(fresh).parentId, 0);
    EXPECT_EQ(folder.count, 4);
}

TEST_F(TagFolder, EveryStoreClearsTheReferenceIdAndBitSevenOfOffset29)
{
    struct Case {
        BYTE storeFlags;
        WORD referenceTagId;
    };
    const Case cases[] = {{0xFF, 0x1234}, {0x80, 1}, {0x7F, 0xFFFF}, {0x00, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.storeFlags);
        const TagDataRecord given = record(0x61, 0, c.storeFlags, c.referenceTagId);
        for (int pass = 0; pass < 2; ++pass) { // the first adds, the second updates
            const WORD id = add("Tag", 0, 0, given);
            ASSERT_NE(id, 0);
            const TagElement stored = element(id);
            const auto* bytes = reinterpret_cast<const BYTE*>(&stored);
            EXPECT_EQ(bytes[32] | (bytes[33] << 8), 0);
            EXPECT_EQ(bytes[29], c.storeFlags & 0x7F);
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
    EXPECT_EQ(folder.count, 0);
    EXPECT_EQ(folder.elements, nullptr);
}

TEST_F(TagFolder, ANameThatDoesNotFitThePathWithItsParentIsRefused)
{
    const std::string longGroup(200, 'G');
    const WORD group = add(longGroup.c_str(), 0, 1);
    ASSERT_NE(group, 0);
    struct Case {
        WORD parent;
        std::size_t nameLength;
        bool stored;
    };
    // parent name + tab + name + terminating zero must fit 256 bytes.
    const Case cases[] = {
        {group, 54, true}, {group, 55, false}, {0, 254, true}, {0, 255, false}, {0, 1000, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nameLength);
        const std::string name(c.nameLength, 'n');
        const std::vector<WORD> before = ids();
        const UINT live = StringStoreLiveCount(project);
        const WORD id = add(name.c_str(), c.parent);
        EXPECT_EQ(id != 0, c.stored);
        if (!c.stored) {
            EXPECT_EQ(ids(), before);
            EXPECT_EQ(StringStoreLiveCount(project), live);
        } else {
            EXPECT_EQ(nameOf(id), name);
            EXPECT_EQ(add(name.c_str(), c.parent), id); // found again by its path
        }
    }
    expectReferencesBalanced();
}

TEST_F(TagFolder, AFullFolderRefusesNewTagsAndUpdatesAlike)
{
    for (int i = 0; i < W32K_TAG_MAX_ELEMENTS; ++i)
        ASSERT_EQ(add(numbered("T", i).c_str()), i + 1);
    EXPECT_EQ(GlobalSize(folder.elements), W32K_TAG_MAX_ELEMENTS * kElementSize);
    EXPECT_EQ(add("One more"), 0);
    EXPECT_EQ(add("T0", 0, 1, record(0x99)), 0);
    EXPECT_EQ(element(1).data.hostData1[0], 0x11);
    EXPECT_EQ(folder.count, W32K_TAG_MAX_ELEMENTS);
    // One place freed: the next tag takes the freed id.
    DeleteTagElement(&folder, project, 700);
    EXPECT_EQ(add("One more"), 700);
    EXPECT_EQ(ids().back(), 700);
    expectReferencesBalanced();
}

// -- the search ------------------------------------------------------------------

TEST_F(TagFolder, APathFindsATagOnlyUnderTheParentOfExactlyThatName)
{
    const WORD upper = add("Motor", 0, 1);
    const WORD lower = add("motor", 0, 1);
    const WORD underUpper = add("Speed", upper, 0, record(0x71));
    const WORD underLower = add("Speed", lower, 0, record(0x72));
    const WORD top = add("Speed", 0, 0, record(0x73));
    ASSERT_EQ(folder.count, 5);

    struct Case {
        const char* path;
        WORD found;
        WORD position;
    };
    const Case cases[] = {
        {"Motor\tSpeed", underUpper, 2},
        {"motor\tSpeed", underLower, 3},
        {"MOTOR\tSpeed", 0, 0},
        {"Motor\tspeed", 0, 0},
        {"Moto\tSpeed", 0, 0},
        {"\tSpeed", top, 4},    // a leading tab: the top level
        {"\tMotor", upper, 0},
        {"Motor\tSpeed\tX", 0, 0}, // only the first tab splits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        WORD position = 0x7777;
        TagDataRecord data = record(0x00);
        EXPECT_EQ(scan(c.path, record(), &position, &data), c.found);
        EXPECT_EQ(position, c.found ? c.position : 0x7777);
        if (c.found) {
            const TagElement stored = element(c.found);
            EXPECT_EQ(0, std::memcmp(&data, &stored.data, sizeof data));
        }
    }
}

TEST_F(TagFolder, APlainNameSearchesTheLevelOfTheReferenceTag)
{
    const WORD motor = add("Motor", 0, 1);
    const WORD top = add("Speed");
    const WORD inMotor = add("Speed", motor);
    const WORD sibling = add("Torque", motor);
    struct Case {
        WORD referenceTagId;
        WORD found;
    };
    const Case cases[] = {{0, top}, {sibling, inMotor}, {inMotor, inMotor}, {top, top}, {motor, top}, {999, top}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.referenceTagId);
        EXPECT_EQ(scan("Speed", record(0x11, 0, 0, c.referenceTagId)), c.found);
    }
}

TEST_F(TagFolder, OnlyACallbackResultOfExactlyOneIsAMatch)
{
    const WORD tag = add("Level");
    struct Case {
        int answer;
        WORD found;
    };
    const Case cases[] = {{1, tag}, {2, 0}, {0, 0}, {-1, 0}, {0x101, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        g_answer = [&](const TagDataRecord&, const TagDataRecord&) { return c.answer; };
        g_calls.clear();
        EXPECT_EQ(scan("\tLevel"), c.found);
        EXPECT_EQ(g_calls.size(), 1u);
    }
    // An add whose callback answers 2 adds a second tag of the same name.
    g_answer = [](const TagDataRecord&, const TagDataRecord&) { return 2; };
    EXPECT_EQ(add("Level"), 2);
    EXPECT_EQ(folder.count, 2);
    EXPECT_EQ(element(1).nameId, element(2).nameId);
    expectReferencesBalanced();
}

TEST_F(TagFolder, TheCallbackDecidesBetweenTagsOfTheSameNameAndLevel)
{
    // The host's comparison: the same tag when the first host byte agrees.
    g_answer = [](const TagDataRecord& a, const TagDataRecord& b) { return a.hostData1[0] == b.hostData1[0]; };
    const WORD first = add("Tag", 0, 0, record(0x01));
    const WORD second = add("Tag", 0, 0, record(0x02));
    EXPECT_NE(first, second);
    EXPECT_EQ(scan("\tTag", record(0x02)), second);
    EXPECT_EQ(scan("\tTag", record(0x01)), first);
    EXPECT_EQ(scan("\tTag", record(0x03)), 0);
    EXPECT_EQ(add("Tag", 0, 0, record(0x02)), second);
    EXPECT_EQ(folder.count, 2);
}

TEST_F(TagFolder, InANetworkedProjectTagsOfOtherNodesAreOtherTags)
{
    makeNetworked({netNode(1, "panel one"), netNode(2, "panel two")});
    const WORD onOne = add("Temp", 0, 0, record(0x11, 1));
    const WORD onTwo = add("Temp", 0, 0, record(0x11, 2));
    EXPECT_NE(onOne, onTwo);
    EXPECT_EQ(folder.count, 2);

    struct Case {
        WORD node;
        WORD found;
        const char* label;
    };
    const Case cases[] = {{1, onOne, "panel one"}, {2, onTwo, "panel two"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.node);
        g_calls.clear();
        EXPECT_EQ(scan("\tTemp", record(0x11, c.node)), c.found);
        // The callback is not even called for the other node's tag.
        ASSERT_EQ(g_calls.size(), 1u);
        EXPECT_EQ(labelOf(g_calls[0].node), c.label);
        EXPECT_EQ(g_calls[0].candidate.nodeNumber, c.node);
    }
    g_calls.clear();
    EXPECT_EQ(scan("\tTemp", record(0x11, 3)), 0);
    EXPECT_TRUE(g_calls.empty());
    dropNetwork();
}

TEST_F(TagFolder, AnUnregisteredNodeHandsTheCallbackAZeroFilledRecord)
{
    makeNetworked({netNode(1, "panel one")});
    const WORD tag = add("Temp", 0, 0, record(0x11, 7));
    g_calls.clear();
    EXPECT_EQ(scan("\tTemp", record(0x11, 7)), tag);
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_TRUE(allZero(&g_calls[0].node, sizeof(NetNodeRecord)));
    dropNetwork();
}

TEST_F(TagFolder, AProjectThatIsNotNetworkedHandsOverItsOwnNodeRecord)
{
    const NetNodeRecord own = netNode(0, "this panel");
    std::memcpy(project + W32K_PROJECT_OWN_NETNODE, &own, sizeof own);
    // A net-node folder that must not be consulted.
    auto* netFolder = reinterpret_cast<NetNodeRecord*>(project + W32K_PROJECT_NETNODE_FOLDER);
    const NetNodeRecord stranger = netNode(5, "stranger");
    ASSERT_TRUE(ExpRegisterNetNodeData(netFolder, &stranger));

    const WORD tag = add("Temp", 0, 0, record(0x11, 5));
    g_calls.clear();
    // Node numbers do not separate tags here.
    EXPECT_EQ(scan("\tTemp", record(0x11, 9)), tag);
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(labelOf(g_calls[0].node), "this panel");
    dropNetwork();
}

// -- deleting --------------------------------------------------------------------

TEST_F(TagFolder, DeletingAGroupRemovesItsWholeSubtreeAndKeepsTheOrderOfTheRest)
{
    // Ids in insertion order; the tree is interleaved with other tags.
    const WORD a = add("A", 0, 1);           // 1
    const WORD b = add("B");                 // 2
    const WORD a1 = add("A1", a);            // 3
    const WORD a2 = add("A2", a, 1);         // 4 group
    const WORD c = add("C", 0, 1);           // 5
    const WORD a21 = add("A21", a2);         // 6
    const WORD a3 = add("A3", a);            // 7 not a group ...
    const WORD c1 = add("C1", c);            // 8
    const WORD a22 = add("A22", a2, 1);      // 9 group without children
    const WORD d = add("D");                 // 10
    ASSERT_EQ(d, 10);
    // ... but an element names it as parent (the host may do so).
    auto* stored = static_cast<TagElement*>(GlobalLock(folder.elements));
    stored[9].parentId = a3;
    GlobalUnlock(folder.elements);
    const WORD orphanName = element(d).nameId;

    DeleteTagElement(&folder, project, a);
    EXPECT_EQ(ids(), (std::vector<WORD>{b, c, c1, d}));
    EXPECT_EQ(element(d).parentId, a3); // the child of a non-group stays
    EXPECT_EQ(refs(orphanName), 1u);
    for (WORD gone : {a, a1, a2, a21, a22, a3})
        EXPECT_EQ(nameOf(gone), "<none>");
    expectReferencesBalanced();
    EXPECT_EQ(GlobalFlags(folder.elements) & GMEM_LOCKCOUNT, 0u);
}

TEST_F(TagFolder, DeletingALeafRemovesOnlyItAndAnUnknownIdNothing)
{
    const WORD group = add("Group", 0, 1);
    const WORD leaf = add("Leaf");
    const WORD child = add("Child", group);
    DeleteTagElement(&folder, project, 99);
    DeleteTagElement(&folder, project, 0);
    EXPECT_EQ(ids(), (std::vector<WORD>{group, leaf, child}));
    DeleteTagElement(&folder, project, leaf);
    EXPECT_EQ(ids(), (std::vector<WORD>{group, child}));
    EXPECT_EQ(GlobalSize(folder.elements), 2 * kElementSize);
    expectReferencesBalanced();
}

TEST_F(TagFolder, DeletingTheOnlyElementFreesTheBlock)
{
    const WORD only = add("Only");
    const HGLOBAL block = folder.elements;
    DeleteTagElement(&folder, project, only);
    EXPECT_EQ(folder.count, 0);
    EXPECT_EQ(folder.elements, nullptr);
    EXPECT_EQ(GlobalSize(block), 0u);
    EXPECT_EQ(StringStoreLiveCount(project), 0u);
    // The folder is usable again from id 1.
    EXPECT_EQ(add("Again"), 1);
}

// -- releasing and copying whole folders ----------------------------------------

TEST_F(TagFolder, DeleteTagFolderDropsEveryReferenceAndKeepsTheTextId)
{
    folder.textId = static_cast<WORD>(KorAcquireName("Tags of page 1", project));
    add("Shared", 0, 1);
    add("Shared", 1); // the same name twice: two references on one id
    add("Other");
    expectReferencesBalanced();
    const WORD textId = folder.textId;
    DeleteTagFolder(&folder, project);
    EXPECT_EQ(folder.count, 0);
    EXPECT_EQ(folder.elements, nullptr);
    EXPECT_EQ(folder.textId, textId);
    EXPECT_EQ(StringStoreLiveCount(project), 0u);
    folder.textId = 0;
}

TEST_F(TagFolder, DeleteTagFolderWithoutABlockReleasesOnlyTheText)
{
    folder.textId = static_cast<WORD>(KorAcquireName("Empty", project));
    KorAddReference(folder.textId, project); // the host's own reference
    folder.count = 3;                        // stale: no block
    DeleteTagFolder(&folder, project);
    EXPECT_EQ(refs(folder.textId), 1u);
    EXPECT_EQ(folder.count, 3);
    KorReadOrReleaseName(folder.textId, project, nullptr, 0, TRUE);
    folder.count = 0;
    folder.textId = 0;
}

TEST_F(TagFolder, ACopyIsIndependentAndTakesOneReferencePerId)
{
    folder.textId = static_cast<WORD>(KorAcquireName("Folder text", project));
    std::memset(folder.hostData1, 0xC1, sizeof folder.hostData1);
    std::memset(folder.hostData2, 0xC2, sizeof folder.hostData2);
    const WORD motor = add("Motor", 0, 1);
    add("Speed", motor);
    add("Speed");

    TagFolderHeader copy;
    std::memset(&copy, 0xEE, sizeof copy);
    ASSERT_TRUE(DuplicateTagFolder(&copy, &folder, project));
    EXPECT_EQ(copy.count, folder.count);
    EXPECT_EQ(copy.textId, folder.textId);
    EXPECT_EQ(0, std::memcmp(copy.hostData1, folder.hostData1, sizeof copy.hostData1));
    EXPECT_EQ(0, std::memcmp(copy.hostData2, folder.hostData2, sizeof copy.hostData2));
    ASSERT_NE(copy.elements, folder.elements);
    EXPECT_EQ(GlobalSize(copy.elements), 3 * kElementSize);
    EXPECT_EQ(refs(folder.textId), 2u);
    const WORD motorName = element(motor).nameId, speedName = element(3).nameId;
    EXPECT_EQ(refs(motorName), 2u);
    EXPECT_EQ(refs(speedName), 4u); // "Speed" twice, in both folders

    // Changing and deleting the copy leaves the source as it was.
    DeleteTagElement(&copy, project, motor);
    EXPECT_EQ(copy.count, 1);
    EXPECT_EQ(ids(), (std::vector<WORD>{1, 2, 3}));
    DeleteTagFolder(&copy, project);
    expectReferencesBalanced();
    EXPECT_EQ(refs(folder.textId), 1u);
    DeleteTagFolder(&folder, project);
    folder.textId = 0;
}

TEST_F(TagFolder, CopyingAnEmptyFolderTakesOneReferenceOnTheText)
{
    folder.textId = static_cast<WORD>(KorAcquireName("Empty folder", project));
    folder.count = 2; // stale: no block
    TagFolderHeader copy;
    std::memset(&copy, 0xEE, sizeof copy);
    EXPECT_TRUE(DuplicateTagFolder(&copy, &folder, project));
    EXPECT_EQ(copy.count, 0);
    EXPECT_EQ(copy.elements, nullptr);
    EXPECT_EQ(copy.textId, folder.textId);
    EXPECT_EQ(refs(folder.textId), 2u);
    DeleteTagFolder(&copy, project);
    EXPECT_EQ(refs(folder.textId), 1u);
    folder.count = 0;
    EXPECT_FALSE(DuplicateTagFolder(nullptr, &folder, project));
    EXPECT_FALSE(DuplicateTagFolder(&copy, nullptr, project));
}

// -- a block smaller than the count says ------------------------------------------

TEST_F(TagFolder, ABlockSmallerThanTheCountIsNeverReadPastItsEnd)
{
    add("One");
    add("Two");
    const WORD three = add("Three");
    const WORD threeName = element(three).nameId;
    // The host cut the block to two elements but left the count at 3.
    folder.elements = GlobalReAlloc(folder.elements, 2 * kElementSize, GMEM_MOVEABLE);
    ASSERT_NE(folder.elements, nullptr);
    ASSERT_EQ(GlobalSize(folder.elements), 2 * kElementSize);
    EXPECT_EQ(GetBasedTagElement(&folder, project, 2, nullptr, nullptr, nullptr, nullptr, 0, nullptr), 0);
    EXPECT_EQ(GetTagElement(&folder, project, three, nullptr, nullptr, nullptr, nullptr, 0, nullptr), 0);
    EXPECT_EQ(scan("\tThree"), 0);

    TagFolderHeader copy{};
    ASSERT_TRUE(DuplicateTagFolder(&copy, &folder, project));
    EXPECT_EQ(copy.count, 2);
    EXPECT_EQ(GlobalSize(copy.elements), 2 * kElementSize);
    DeleteTagFolder(&copy, project);

    // A new tag goes behind the elements really there.
    EXPECT_EQ(add("Four"), 3);
    EXPECT_EQ(folder.count, 3);
    EXPECT_EQ(nameOf(3), "Four");
    // The cut-off element's reference is the host's to drop.
    KorReadOrReleaseName(threeName, project, nullptr, 0, TRUE);
    expectReferencesBalanced();
}

// -- random adds and deletes against a model ----------------------------------------

namespace {

// What the folder should hold, in block order.
struct ModelTag {
    WORD id;
    std::string name;
    WORD parent;
    bool group;
};

class Model {
public:
    const std::vector<ModelTag>& tags() const { return tags_; }
    // The id an add of (name, parent) yields: the existing tag or the smallest free id.
    WORD add(const std::string& name, WORD parent, bool group)
    {
        for (auto& t : tags_) {
            if (t.name == name && t.parent == parent) {
                t.group = group;
                return t.id;
            }
        }
        std::set<WORD> used;
        for (const auto& t : tags_)
            used.insert(t.id);
        WORD id = 1;
        while (used.count(id))
            ++id;
        tags_.push_back({id, name, parent, group});
        return id;
    }
    void remove(WORD id)
    {
        std::set<WORD> doomed{id};
        for (bool grew = true; grew;) {
            grew = false;
            for (const auto& t : tags_) {
                if (doomed.count(t.id) || !doomed.count(t.parent))
                    continue;
                const auto parent = std::find_if(tags_.begin(), tags_.end(), [&](const ModelTag& p) { return p.id == t.parent; });
                if (parent != tags_.end() && parent->group) {
                    doomed.insert(t.id);
                    grew = true;
                }
            }
        }
        std::erase_if(tags_, [&](const ModelTag& t) { return doomed.count(t.id) != 0; });
    }

private:
    std::vector<ModelTag> tags_;
};

} // namespace

TEST_F(TagFolder, RandomAddsAndDeletesKeepTheFolderConsistent)
{
    std::mt19937 random(20261206);
    Model model;
    int nextGroup = 0;
    const char* leafNames[] = {"a", "b", "c", "d"};
    std::size_t largest = 0;
    for (int step = 0; step < 2000; ++step) {
        const auto& tags = model.tags();
        std::vector<WORD> groups{0};
        for (const auto& t : tags) {
            if (t.group)
                groups.push_back(t.id);
        }
        const unsigned action = random() % 10;
        if (action < 2 && !tags.empty()) {
            const WORD victim = tags[random() % tags.size()].id;
            DeleteTagElement(&folder, project, victim);
            model.remove(victim);
        } else {
            const WORD parent = groups[random() % groups.size()];
            const bool group = action < 5;
            // Group names are unique (the search finds parents by name).
            const std::string name =
                group ? numbered("G", nextGroup++) : leafNames[random() % std::size(leafNames)];
            const WORD expected = model.add(name, parent, group);
            ASSERT_EQ(add(name.c_str(), parent, group), expected) << "step " << step;
        }

        SCOPED_TRACE(numbered("step ", step));
        const auto stored = elements();
        ASSERT_EQ(stored.size(), model.tags().size());
        std::set<WORD> seen;
        for (std::size_t k = 0; k < stored.size(); ++k) {
            const ModelTag& want = model.tags()[k];
            EXPECT_EQ(stored[k].id, want.id);
            EXPECT_TRUE(seen.insert(stored[k].id).second) << "duplicate id " << stored[k].id;
            EXPECT_EQ(stored[k].parentId, want.parent);
            EXPECT_EQ((stored[k].flags & W32K_TAG_FLAG_GROUP) != 0, want.group);
            // Every parent is a group still in the folder.
            EXPECT_TRUE(stored[k].parentId == 0 ||
                        std::any_of(stored.begin(), stored.end(), [&](const TagElement& e) {
                            return e.id == stored[k].parentId && (e.flags & W32K_TAG_FLAG_GROUP);
                        }));
        }
        expectReferencesBalanced();
        if (HasFailure())
            return;
        largest = std::max(largest, stored.size());
    }
    EXPECT_GT(largest, 100u); // the walk reached folders with real subtrees
}

// -- timing ------------------------------------------------------------------------

TEST_F(TagFolder, AFullFolderIsBuiltSearchedAndPrunedQuickly)
{
    using Clock = std::chrono::steady_clock;
    const auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };

    // A group holding 1000 descendants (10 subgroups of 99 tags), interleaved
    // with 450 top-level tags: 1451 in all, added one by one.
    const auto startAdd = Clock::now();
    const WORD big = add("Big", 0, 1);
    int topLevel = 0, descendants = 0;
    WORD subgroup = 0;
    for (int i = 0; i < W32K_TAG_MAX_ELEMENTS - 1; ++i) {
        const std::string name = numbered("T", i);
        if (i % 3 == 0 && topLevel < 450) {
            ASSERT_NE(add(name.c_str()), 0);
            ++topLevel;
        } else if (descendants % 100 == 0) {
            subgroup = add(name.c_str(), big, 1);
            ASSERT_NE(subgroup, 0);
            ++descendants;
        } else {
            ASSERT_NE(add(name.c_str(), subgroup), 0);
            ++descendants;
        }
    }
    const double addMs = ms(Clock::now() - startAdd);
    ASSERT_EQ(folder.count, W32K_TAG_MAX_ELEMENTS);
    ASSERT_EQ(descendants, 1000);

    // The last tag, found by its path "parent<TAB>name".
    WORD position = 0, parent = 0;
    ASSERT_NE(GetBasedTagElement(&folder, project, W32K_TAG_MAX_ELEMENTS - 1, nullptr, &parent, nullptr,
                                 nullptr, 0, nullptr),
              0);
    const std::string path = nameOf(parent).append("\t").append(nameOf(ids().back()));
    const auto startScan = Clock::now();
    const WORD last = scan(path.c_str(), record(), &position);
    const double scanMs = ms(Clock::now() - startScan);
    EXPECT_EQ(last, ids().back());
    EXPECT_EQ(position, W32K_TAG_MAX_ELEMENTS - 1);

    const auto startDelete = Clock::now();
    DeleteTagElement(&folder, project, big);
    const double deleteMs = ms(Clock::now() - startDelete);
    EXPECT_EQ(folder.count, 450);
    expectReferencesBalanced();

    std::printf("[ timing   ] 1451 adds %.2f ms, scan of the last tag %.3f ms, "
                "deleting a group of 1000 descendants %.2f ms\n",
                addMs, scanMs, deleteMs);
    RecordProperty("add_1451_ms", std::to_string(addMs));
    RecordProperty("scan_last_ms", std::to_string(scanMs));
    RecordProperty("delete_group_1000_ms", std::to_string(deleteMs));
    EXPECT_LT(addMs, 50.0);
    EXPECT_LT(scanMs, 50.0);
    EXPECT_LT(deleteMs, 50.0);
}
