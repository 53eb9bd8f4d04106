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
        EXPECT_EQ(run([&](HWND dialog) {
            EXPECT_EQ(windowText(dialog), "Tag Selection");
            EXPECT_EQ(itemAt(dialog, 0), 1u); // the id alone: level 0, no group bit
            EXPECT_EQ(lines(dialog), c.shown) << "owner's tag " << c.ownerTag; // in block order
            EXPECT_EQ(ask(dialog, LB_GETCURSEL), c.selected) << "owner's tag " << c.ownerTag;
            EXPECT_EQ(nameField(dialog), c.field);
            EXPECT_EQ(block.selectedTagId, c.ownerTag);
        }), W32K_TAGSEL_CANCELLED);
        EXPECT_TRUE(scriptRan);
        EXPECT_TRUE(g_accepted.empty());
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
        const Lines opened{"Alarm", "Motor -", "  Speed", "  Drives +", "  Torque", "Tank +", "Empty -"};
        const Lines closed{"Alarm", "Motor +", "Tank +", "Empty -"};
        for (const auto& [key, shown] : {std::pair{VK_RIGHT, opened}, {VK_ADD, opened}, {VK_LEFT, closed},
                                         {VK_SUBTRACT, closed}}) {
            ask(dialog, LB_SETCURSEL, 1);
            ask(dialog, WM_KEYDOWN, key);
            EXPECT_EQ(lines(dialog), shown) << "key " << key;
        }
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

TEST_F(TagPicker, OkOrADoubleClickAcceptsTheTagChosenCancelLeavesTheOwner)
{
    addSampleTree();
    struct Step {
        int line;
        bool twice;
    };
    const struct {
        WORD ownerTag;
        std::vector<Step> steps;
        int button; // 0: none, the last double click ends the dialog
        std::string field;
        INT_PTR result;
        WORD selected, accepted; // the tag accepted, 0: none
        BYTE flagsAfter;
    } cases[] = {
        // A click on a group keeps the tag; OK accepts it.
        {1, {{1, false}}, IDOK, "Alarm", W32K_TAGSEL_ACCEPTED, 1, 1, 0x81},
        // Without a tag before, OK after a group ends like Cancel.
        {0, {{2, false}}, IDOK, "", W32K_TAGSEL_CANCELLED, 0, 0, 0x01},
        // Cancel after choosing a tag leaves the owner alone.
        {1, {{1, true}, {2, false}}, IDCANCEL, "Speed", W32K_TAGSEL_CANCELLED, 3, 0, 0x01},
        {0, {{1, true}, {4, false}, {4, true}}, 0, "Torque", W32K_TAGSEL_ACCEPTED, 6, 6, 0x81},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("case with owner's tag " + std::to_string(c.ownerTag) + ", " + c.field);
        g_accepted.clear();
        setOwnerTag(c.ownerTag);
        owner[W32K_TAG_OWNER_FLAGS] = 0x01;
        EXPECT_EQ(run([&](HWND dialog) {
                      for (size_t i = 0; i < c.steps.size(); ++i) {
                          if (i + 1 == c.steps.size() && !c.button) { // before the double click that ends it
                              EXPECT_EQ(nameField(dialog), c.field);
                          }
                          click(dialog, c.steps[i].line, c.steps[i].twice);
                      }
                      if (c.button) {
                          EXPECT_EQ(nameField(dialog), c.field);
                          press(dialog, c.button);
                      }
                  }),
                  c.result);
        EXPECT_EQ(block.selectedTagId, c.selected);
        EXPECT_EQ(ownerTag(), c.accepted ? c.accepted : c.ownerTag);
        EXPECT_EQ(owner[W32K_TAG_OWNER_FLAGS], c.flagsAfter);
        ASSERT_EQ(g_accepted.size(), c.accepted ? 1u : 0u);
        if (c.accepted) {
            EXPECT_EQ(g_accepted[0].owner, owner + W32K_TAG_OWNER_ACCEPT_ARG);
            EXPECT_EQ(markerOf(g_accepted[0].data), markers[c.accepted]);
            EXPECT_EQ(g_accepted[0].node, &node);
        }
        // The dialog's drawing objects and its open list are gone with it.
        EXPECT_EQ(block.hierDraw.memoryDC, nullptr);
        EXPECT_EQ(block.hierDraw.cellBitmap, nullptr);
        EXPECT_EQ(block.hierDraw.openList, nullptr);
        EXPECT_EQ(block.hierDraw.openCount, 0);
    }
}

TEST_F(TagPicker, OfferedTagsFollowFilterAndNode)
{
    addSampleTree();
    auto markerIn = [&](std::initializer_list<WORD> ids) {
        return [this, ids = std::vector<WORD>(ids)](const TagDataRecord& data) {
            for (WORD id : ids)
                if (markers[id] == markerOf(data))
                    return true;
            return false;
        };
    };
    const auto all = [](const TagDataRecord&) { return true; };
    const struct {
        const char* what;
        bool networked;
        std::function<bool(const TagDataRecord&)> filter;
        Lines shown; // none: the dialog ends at once
    } cases[] = {
        {"no filter, networked", true, nullptr, kTopLevel},
        {"all of node 1", true, all, {"Alarm", "Motor +"}},
        {"all, not networked", false, all, {"Alarm", "Motor +", "Tank +"}},
        {"only a tag two levels deep", true, markerIn({5}), {"Motor +"}},
        {"none of Motor's tags", true, markerIn({1, 8}), {"Alarm"}},
        {"none at all", true, [](const TagDataRecord&) { return false; }, {}},
    };
    for (const auto& c : cases) {
        project[W32K_PROJECT_NETWORKED] = c.networked ? 1 : 0;
        block.filter = nullptr;
        if (c.filter)
            offer(c.filter);
        const INT_PTR result = run([&](HWND dialog) { EXPECT_EQ(lines(dialog), c.shown) << c.what; });
        EXPECT_EQ(result, c.shown.empty() ? W32K_TAGSEL_NOTHING : W32K_TAGSEL_CANCELLED) << c.what;
        EXPECT_EQ(scriptRan, !c.shown.empty()) << c.what;
    }
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
