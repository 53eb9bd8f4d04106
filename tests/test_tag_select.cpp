// The tag selection dialog through the DLL, driven inside its modal loop
// with mouse messages on its list: which tags are offered, expanding and
// collapsing in place, selection, acceptance through the host's callback and
// the dialog's results.
#include <gtest/gtest.h>

#include "korutil2mfc.h"
#include "support/pixels.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

using w32ktest::DialogScript;
using w32ktest::windowText;

namespace {

using Lines = std::vector<std::string>;

// -- the host's callbacks ---------------------------------------------------------

struct Acceptance {
    BYTE* owner;
    TagDataRecord data;
    NetNodeRecord* node;
};
std::vector<Acceptance> g_accepted;
BOOL WINAPI acceptTag(BYTE* owner, const TagDataRecord* data, NetNodeRecord* node)
{
    g_accepted.push_back({owner, *data, node});
    return TRUE;
}

std::function<bool(const TagDataRecord&)> g_offer;
BOOL WINAPI filterTags(TagSelectBlock*, const TagDataRecord* data)
{
    return g_offer(*data) ? TRUE : FALSE;
}

int WINAPI sameTag(const TagDataRecord* a, const TagDataRecord* b, const NetNodeRecord*)
{
    return a->nodeNumber == b->nodeNumber ? 1 : 0;
}

// The marker byte that tells the records of the tags apart.
BYTE markerOf(const TagDataRecord& data)
{
    return data.hostData1[0];
}

int levelOf(DWORD item)
{
    return static_cast<int>((item & W32K_TAGITEM_LEVEL_MASK) >> W32K_TAGITEM_LEVEL_SHIFT);
}

// -- the fixture: a host with a project, a tag folder and a tag owner -----------

class TagPicker : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_accepted.clear();
        g_offer = nullptr;
        node.nodeNumber = 1;
        block.tagOwner = owner;
        block.project = project;
        block.node = &node;
        block.folder = &folder;
        block.accept = acceptTag;
    }
    void TearDown() override
    {
        DeleteTagFolder(&folder, project);
        StringStoreClear(project);
    }

    // Motor holds a subgroup; Tank belongs to node 2; Empty has no tags.
    void addSampleTree()
    {
        add("Alarm");                        // 1
        const WORD motor = add("Motor", 0, 1); // 2
        add("Speed", motor);                 // 3
        const WORD drives = add("Drives", motor, 1); // 4
        add("Current", drives);              // 5
        add("Torque", motor);                // 6
        const WORD tank = add("Tank", 0, 1, 2); // 7
        add("Level", tank, 0, 2);            // 8
        add("Empty", 0, 1);                  // 9
    }
    WORD add(const char* name, WORD parent = 0, int group = 0, WORD nodeNumber = 1)
    {
        TagDataRecord data{};
        std::memset(data.hostData1, ++marker, sizeof data.hostData1);
        data.nodeNumber = nodeNumber;
        const WORD id = AddTagElement(&folder, project, name, &data, parent, group, sameTag);
        names[id] = name;
        markers[id] = marker;
        return id;
    }
    void offer(std::function<bool(const TagDataRecord&)> test)
    {
        g_offer = std::move(test);
        block.filter = filterTags;
    }
    void setOwnerTag(WORD id) { std::memcpy(owner + W32K_TAG_OWNER_TAG_ID, &id, sizeof id); }
    WORD ownerTag() const
    {
        WORD id;
        std::memcpy(&id, owner + W32K_TAG_OWNER_TAG_ID, sizeof id);
        return id;
    }

    // Opens the dialog; `script` runs inside it (the dialog is cancelled after
    // it, unless it ended the dialog).
    INT_PTR run(const std::function<void(HWND)>& script)
    {
        DialogScript driver([&](HWND dialog) {
            ShowWindow(dialog, SW_SHOWNORMAL);
            UpdateWindow(dialog);
            script(dialog);
            if (IsWindowVisible(dialog))
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        });
        const INT_PTR result = ExecTagSelDlg(nullptr, &block);
        scriptRan = driver.ran();
        return result;
    }

    static HWND listOf(HWND dialog) { return GetDlgItem(dialog, W32K_ID_TAG_LIST); }
    static LRESULT ask(HWND dialog, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return SendMessageA(listOf(dialog), message, wParam, lParam);
    }
    static DWORD itemAt(HWND dialog, int line) { return static_cast<DWORD>(ask(dialog, LB_GETITEMDATA, line)); }
    static int count(HWND dialog) { return static_cast<int>(ask(dialog, LB_GETCOUNT)); }
    static std::string nameField(HWND dialog) { return windowText(GetDlgItem(dialog, W32K_ID_TAG_NAME)); }

    // The list as a user reads it: indented names, "+" on a closed group and
    // "-" on an opened one.
    Lines lines(HWND dialog)
    {
        Lines out;
        for (int i = 0; i < count(dialog); ++i) {
            const DWORD item = itemAt(dialog, i);
            std::string line = std::string(2 * levelOf(item), ' ') + names[LOWORD(item)];
            if (item & W32K_TAGITEM_GROUP)
                line += HierDraw_IsOpened(&block.hierDraw, item) ? " -" : " +";
            out.push_back(line);
        }
        return out;
    }

    // The mouse on the middle of a line: one click, or two.
    static void click(HWND dialog, int line, bool twice = false)
    {
        ask(dialog, LB_SETTOPINDEX);
        RECT r{};
        ask(dialog, LB_GETITEMRECT, line, reinterpret_cast<LPARAM>(&r));
        const LPARAM at = MAKELPARAM(r.left + 60, (r.top + r.bottom) / 2);
        for (int k = 0; k < (twice ? 2 : 1); ++k) {
            ask(dialog, k == 0 ? WM_LBUTTONDOWN : WM_LBUTTONDBLCLK, MK_LBUTTON, at);
            ask(dialog, WM_LBUTTONUP, 0, at);
        }
    }
    static void doubleClick(HWND dialog, int line) { click(dialog, line, true); }
    static void press(HWND dialog, int button) { SendMessageA(dialog, WM_COMMAND, button, 0); }

    alignas(8) BYTE project[1024] = {};
    TagFolderHeader folder{};
    BYTE owner[128] = {};
    NetNodeRecord node{};
    TagSelectBlock block{};
    std::map<WORD, std::string> names;
    std::map<WORD, BYTE> markers;
    BYTE marker = 0x40;
    bool scriptRan = false;
};

const Lines kTopLevel{"Alarm", "Motor +", "Tank +", "Empty +"};

TEST_F(TagPicker, TopLevelLeavesInBlockOrder)
{
    add("Pump");
    add("Alarm");
    add("Valve");
    EXPECT_EQ(run([&](HWND dialog) {
                  EXPECT_EQ(lines(dialog), (Lines{"Pump", "Alarm", "Valve"}));
                  EXPECT_EQ(itemAt(dialog, 1), 2u); // the id alone: level 0, no group bit
                  EXPECT_EQ(ask(dialog, LB_GETCURSEL), -1);
                  EXPECT_EQ(nameField(dialog), "");
                  EXPECT_EQ(windowText(dialog), "Tag Selection");
              }),
              W32K_TAGSEL_CANCELLED);
    EXPECT_TRUE(scriptRan);
    EXPECT_TRUE(g_accepted.empty());
}

TEST_F(TagPicker, OwnersTagOpensWhereItIsShown)
{
    addSampleTree();
    struct Case {
        WORD ownerTag;
        Lines shown;
        int selected;
        std::string field;
    };
    const Case cases[] = {
        // In a top-level group: the group opens and the tag's line is selected.
        {3, {"Alarm", "Motor -", "  Speed", "  Drives +", "  Torque", "Tank +", "Empty +"}, 2, "Speed"},
        // Two levels deep: nothing opens, nothing is selected, the name shows.
        {5, kTopLevel, -1, "Current"},
        {1, kTopLevel, 0, "Alarm"},
        // A group is no tag for the field.
        {2, kTopLevel, 1, ""},
        {0, kTopLevel, -1, ""},
    };
    for (const Case& c : cases) {
        setOwnerTag(c.ownerTag);
        run([&](HWND dialog) {
            EXPECT_EQ(lines(dialog), c.shown) << "owner's tag " << c.ownerTag;
            EXPECT_EQ(ask(dialog, LB_GETCURSEL), c.selected) << "owner's tag " << c.ownerTag;
            EXPECT_EQ(nameField(dialog), c.field);
            EXPECT_EQ(block.selectedTagId, c.ownerTag);
        });
    }
}

TEST_F(TagPicker, ExpandAndCollapseInPlace)
{
    addSampleTree();
    run([&](HWND dialog) {
        doubleClick(dialog, 1);
        EXPECT_EQ(lines(dialog), (Lines{"Alarm", "Motor -", "  Speed", "  Drives +", "  Torque", "Tank +", "Empty +"}));
        EXPECT_EQ(itemAt(dialog, 3), W32K_TAGITEM_GROUP | (1u << W32K_TAGITEM_LEVEL_SHIFT) | 4u);
        doubleClick(dialog, 3);
        EXPECT_EQ(lines(dialog),
                  (Lines{"Alarm", "Motor -", "  Speed", "  Drives -", "    Current", "  Torque", "Tank +", "Empty +"}));
        doubleClick(dialog, 1); // closes Motor and Drives inside it
        EXPECT_EQ(lines(dialog), kTopLevel);
        EXPECT_EQ(block.hierDraw.openCount, 0);
        doubleClick(dialog, 3); // a group without tags opens to nothing
        EXPECT_EQ(lines(dialog), (Lines{"Alarm", "Motor +", "Tank +", "Empty -"}));
        doubleClick(dialog, 1);
        doubleClick(dialog, 1);
        EXPECT_EQ(lines(dialog), (Lines{"Alarm", "Motor +", "Tank +", "Empty -"}));
        // The keyboard: right arrow and "+" open, left arrow and "-" close.
        const struct {
            WPARAM key;
            Lines shown;
        } keys[] = {{VK_RIGHT, {"Alarm", "Motor -", "  Speed", "  Drives +", "  Torque", "Tank +", "Empty -"}},
                    {VK_ADD, {"Alarm", "Motor -", "  Speed", "  Drives +", "  Torque", "Tank +", "Empty -"}},
                    {VK_LEFT, {"Alarm", "Motor +", "Tank +", "Empty -"}},
                    {VK_SUBTRACT, {"Alarm", "Motor +", "Tank +", "Empty -"}}};
        for (const auto& k : keys) {
            ask(dialog, LB_SETCURSEL, 1);
            ask(dialog, WM_KEYDOWN, k.key);
            EXPECT_EQ(lines(dialog), k.shown) << "key " << k.key;
        }
    });
}

TEST_F(TagPicker, OpeningScrollsOnlyForTags)
{
    for (char c = 'A'; c < 'U'; ++c)
        add(std::string(1, c).c_str());
    const WORD units = add("Units", 0, 1);
    add("Unit A", units, 1);
    add("Unit B", units, 1);
    const WORD pumps = add("Pumps", 0, 1);
    add("Pump 1", pumps);
    add("Pump 2", pumps);
    run([&](HWND dialog) {
        const int last = count(dialog) - 1;
        ask(dialog, LB_SETTOPINDEX, last);
        const LRESULT top = ask(dialog, LB_GETTOPINDEX);
        // Only subgroups below: inserted, no scrolling.
        TagActionItem(dialog, listOf(dialog), nullptr, itemAt(dialog, last - 1), last - 1, 0, &block.hierDraw,
                      &block, TRUE);
        EXPECT_EQ(count(dialog), last + 3);
        EXPECT_EQ(ask(dialog, LB_GETTOPINDEX), top);
        // Tags below the last line: the list scrolls to the last of them.
        TagActionItem(dialog, listOf(dialog), nullptr, itemAt(dialog, last + 2), last + 2, 0, &block.hierDraw,
                      &block, TRUE);
        EXPECT_GT(ask(dialog, LB_GETTOPINDEX), top);
        RECT r{};
        ask(dialog, LB_GETITEMRECT, last + 4, reinterpret_cast<LPARAM>(&r));
        RECT client{};
        GetClientRect(listOf(dialog), &client);
        EXPECT_LE(r.bottom, client.bottom + 1);
    });
}

TEST_F(TagPicker, ConnectingLinesEndAtTheLastChild)
{
    addSampleTree();
    run([&](HWND dialog) {
        doubleClick(dialog, 1);
        const HWND list = listOf(dialog);
        w32ktest::repaintNow(list, true);
        w32ktest::settlePaint(list);
        const COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
        auto lastRowOf = [&](int line) {
            RECT r{};
            SendMessageA(list, LB_GETITEMRECT, line, reinterpret_cast<LPARAM>(&r));
            return r.bottom - 1;
        };
        const int x = 22 / 2 + 2; // below the centre of the top-level cells
        EXPECT_EQ(w32ktest::clientPixel(list, x, lastRowOf(2)), ink);   // Speed: more follow
        EXPECT_EQ(w32ktest::clientPixel(list, x, lastRowOf(3)), ink);   // Drives
        EXPECT_NE(w32ktest::clientPixel(list, x, lastRowOf(4)), ink);   // Torque: the last child
        EXPECT_NE(w32ktest::clientPixel(list, x, lastRowOf(0)), ink);   // Alarm: top level
    });
}

TEST_F(TagPicker, ClickOnAGroupKeepsTheTagOkAccepts)
{
    addSampleTree();
    setOwnerTag(1);
    EXPECT_EQ(run([&](HWND dialog) {
                  click(dialog, 1);
                  EXPECT_EQ(nameField(dialog), "Alarm");
                  EXPECT_EQ(block.selectedTagId, 1);
                  EXPECT_EQ(block.currentItemId, 2);
                  EXPECT_EQ(lines(dialog), kTopLevel);
                  press(dialog, IDOK);
              }),
              W32K_TAGSEL_ACCEPTED);
    ASSERT_EQ(g_accepted.size(), 1u);
    EXPECT_EQ(markerOf(g_accepted[0].data), markers[1]);

    // Without a tag before, OK after a group ends like Cancel.
    g_accepted.clear();
    setOwnerTag(0);
    EXPECT_EQ(run([&](HWND dialog) {
                  click(dialog, 2);
                  press(dialog, IDOK);
              }),
              W32K_TAGSEL_CANCELLED);
    EXPECT_TRUE(g_accepted.empty());
    EXPECT_EQ(ownerTag(), 0);

    // Cancel after choosing a tag leaves the owner alone.
    setOwnerTag(1);
    owner[W32K_TAG_OWNER_FLAGS] = 0;
    EXPECT_EQ(run([&](HWND dialog) {
                  doubleClick(dialog, 1);
                  click(dialog, 2);
                  EXPECT_EQ(block.selectedTagId, 3);
                  press(dialog, IDCANCEL);
              }),
              W32K_TAGSEL_CANCELLED);
    EXPECT_EQ(ownerTag(), 1);
    EXPECT_EQ(owner[W32K_TAG_OWNER_FLAGS], 0);
    EXPECT_TRUE(g_accepted.empty());
}

TEST_F(TagPicker, DoubleClickOnATagAcceptsIt)
{
    addSampleTree();
    owner[W32K_TAG_OWNER_FLAGS] = 0x01;
    EXPECT_EQ(run([&](HWND dialog) {
                  doubleClick(dialog, 1);
                  click(dialog, 4);
                  EXPECT_EQ(nameField(dialog), "Torque");
                  doubleClick(dialog, 4);
              }),
              W32K_TAGSEL_ACCEPTED);
    ASSERT_EQ(g_accepted.size(), 1u);
    EXPECT_EQ(g_accepted[0].owner, owner + W32K_TAG_OWNER_ACCEPT_ARG);
    EXPECT_EQ(markerOf(g_accepted[0].data), markers[6]);
    EXPECT_EQ(g_accepted[0].node, &node);
    EXPECT_EQ(ownerTag(), 6);
    EXPECT_EQ(owner[W32K_TAG_OWNER_FLAGS], 0x81);
    EXPECT_EQ(block.selectedTagId, 6);
    // The dialog's drawing objects and its open list are gone with it.
    EXPECT_EQ(block.hierDraw.memoryDC, nullptr);
    EXPECT_EQ(block.hierDraw.cellBitmap, nullptr);
    EXPECT_EQ(block.hierDraw.openList, nullptr);
    EXPECT_EQ(block.hierDraw.openCount, 0);
}

TEST_F(TagPicker, OfferedTagsFollowFilterAndNode)
{
    addSampleTree();
    auto markerIn = [&](std::initializer_list<WORD> ids) {
        return [this, ids](const TagDataRecord& data) {
            for (WORD id : ids)
                if (markers[id] == markerOf(data))
                    return true;
            return false;
        };
    };
    struct Case {
        const char* what;
        bool networked;
        std::function<bool(const TagDataRecord&)> filter;
        Lines shown;
    };
    const Case cases[] = {
        {"no filter, networked", true, nullptr, kTopLevel},
        {"all of node 1", true, [](const TagDataRecord&) { return true; }, {"Alarm", "Motor +"}},
        {"all, not networked", false, [](const TagDataRecord&) { return true; }, {"Alarm", "Motor +", "Tank +"}},
        {"only a tag two levels deep", true, markerIn({5}), {"Motor +"}},
        {"none of Motor's tags", true, markerIn({1, 8}), {"Alarm"}},
    };
    for (const Case& c : cases) {
        project[W32K_PROJECT_NETWORKED] = c.networked ? 1 : 0;
        block.filter = nullptr;
        if (c.filter)
            offer(c.filter);
        run([&](HWND dialog) { EXPECT_EQ(lines(dialog), c.shown) << c.what; });
    }
}

TEST_F(TagPicker, NothingToOfferEndsAtOnce)
{
    addSampleTree();
    offer([](const TagDataRecord&) { return false; });
    EXPECT_EQ(run([](HWND) {}), W32K_TAGSEL_NOTHING);
    EXPECT_FALSE(scriptRan);

    TagFolderHeader empty{};
    block.folder = &empty;
    block.filter = nullptr;
    EXPECT_EQ(run([](HWND) {}), W32K_TAGSEL_NOTHING);
    EXPECT_EQ(ExecTagSelDlg(nullptr, nullptr), -1);
}

// A folder written as a damaged file could hold it: ids used twice, so that
// parent links form a cycle (5 -> 6 -> 5 -> ...).
void writeCycle(TagFolderHeader& folder)
{
    const struct {
        WORD id, parent;
    } links[] = {{5, 0}, {6, 5}, {5, 6}};
    folder.count = 3;
    folder.elements = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 3 * sizeof(TagElement));
    auto* elements = static_cast<TagElement*>(GlobalLock(folder.elements));
    for (int i = 0; i < 3; ++i) {
        elements[i].id = links[i].id;
        elements[i].parentId = links[i].parent;
        elements[i].flags = W32K_TAG_FLAG_GROUP;
    }
    GlobalUnlock(folder.elements);
}

TEST_F(TagPicker, ParentLinksInACycleNeitherHangNorNestBeyondLevelFifteen)
{
    writeCycle(folder);
    offer([](const TagDataRecord&) { return true; });
    EXPECT_EQ(run([](HWND) {}), W32K_TAGSEL_NOTHING); // the search for a tag below ends
    block.filter = nullptr;
    run([&](HWND dialog) {
        for (int i = 0; i < 20; ++i)
            TagActionItem(dialog, listOf(dialog), nullptr, itemAt(dialog, count(dialog) - 1), count(dialog) - 1, 0,
                          &block.hierDraw, &block, TRUE);
        EXPECT_EQ(count(dialog), W32K_TAGITEM_MAX_LEVEL + 1);
        EXPECT_EQ(levelOf(itemAt(dialog, count(dialog) - 1)), W32K_TAGITEM_MAX_LEVEL);
        EXPECT_EQ(block.hierDraw.openCount, W32K_TAGITEM_MAX_LEVEL);
    });
}

} // namespace
