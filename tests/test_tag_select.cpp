// The tag selection dialog through the DLL, driven inside its modal loop with
// mouse and keyboard messages on its list: the tags offered, opening and
// closing groups in place, acceptance through the host's callback, what is
// written to the owner and the dialog's results.
#include <gtest/gtest.h>

#include "korutil2mfc.h"
#include "support/pixels.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

using w32ktest::windowText;

namespace {

using Lines = std::vector<std::string>;

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
std::function<bool(BYTE marker)> g_offer;
BOOL WINAPI filterTags(TagSelectBlock*, const TagDataRecord* data) { return g_offer(data->hostData1[0]); }
int WINAPI sameTag(const TagDataRecord* a, const TagDataRecord* b, const NetNodeRecord*)
{
    return a->nodeNumber == b->nodeNumber;
}
int levelOf(DWORD item) { return static_cast<int>((item & W32K_TAGITEM_LEVEL_MASK) >> W32K_TAGITEM_LEVEL_SHIFT); }

const Lines kTopLevel{"Alarm", "Motor +", "Tank +", "Empty +"};
const Lines kMotorOpen{"Alarm", "Motor -", "  Speed", "  Drives +", "  Torque", "Tank +", "Empty +"};

// A host with a project, a tag folder and a tag owner. The tags (ids 1..9):
// Alarm, Motor{Speed, Drives{Current}, Torque}, Tank{Level} of node 2, Empty{}.
class TagPicker : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_accepted.clear();
        block.tagOwner = owner;
        block.project = project;
        block.node = &node;
        block.folder = &folder;
        block.accept = acceptTag;
        node.nodeNumber = 1;
        add("Alarm");
        const WORD motor = add("Motor", 0, 1);
        add("Speed", motor);
        add("Current", add("Drives", motor, 1));
        add("Torque", motor);
        add("Level", add("Tank", 0, 1, 2), 0, 2);
        add("Empty", 0, 1);
    }
    void TearDown() override
    {
        DeleteTagFolder(&folder, project);
        StringStoreClear(project);
    }
    WORD add(const char* name, WORD parent = 0, int group = 0, WORD nodeNumber = 1)
    {
        TagDataRecord data{};
        std::memset(data.hostData1, folder.count + 1, sizeof data.hostData1); // the marker: the id to be
        data.nodeNumber = nodeNumber;
        const WORD id = AddTagElement(&folder, project, name, &data, parent, group, sameTag);
        names[id] = name;
        return id;
    }
    void offer(std::function<bool(BYTE marker)> test)
    {
        g_offer = std::move(test);
        block.filter = g_offer ? filterTags : nullptr;
    }
    void setOwnerTag(WORD id) { std::memcpy(owner + W32K_TAG_OWNER_TAG_ID, &id, sizeof id); }
    WORD ownerTag() const { return static_cast<WORD>(owner[W32K_TAG_OWNER_TAG_ID] | owner[W32K_TAG_OWNER_TAG_ID + 1] << 8); }
    // Opens the dialog and runs `script` inside it; cancels the dialog unless it ended.
    INT_PTR run(const std::function<void(HWND)>& script)
    {
        w32ktest::DialogScript driver([&](HWND dialog) {
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
    static LRESULT ask(HWND dialog, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return SendMessageA(GetDlgItem(dialog, W32K_ID_TAG_LIST), message, wParam, lParam);
    }
    static DWORD itemAt(HWND dialog, int line) { return static_cast<DWORD>(ask(dialog, LB_GETITEMDATA, line)); }
    static int count(HWND dialog) { return static_cast<int>(ask(dialog, LB_GETCOUNT)); }
    static std::string nameField(HWND dialog) { return windowText(GetDlgItem(dialog, W32K_ID_TAG_NAME)); }
    // The list as a user reads it: indented names, "+" on a closed group, "-" on an open one.
    Lines lines(HWND dialog)
    {
        Lines out;
        for (int i = 0; i < count(dialog); ++i) {
            const DWORD item = itemAt(dialog, i);
            out.push_back(std::string(2 * levelOf(item), ' ') + names[LOWORD(item)]);
            if (item & W32K_TAGITEM_GROUP)
                out.back() += HierDraw_IsOpened(&block.hierDraw, item) ? " -" : " +";
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

    alignas(8) BYTE project[1024] = {};
    TagFolderHeader folder{};
    BYTE owner[128] = {};
    NetNodeRecord node{};
    TagSelectBlock block{};
    std::map<WORD, std::string> names;
    bool scriptRan = false;
};

TEST_F(TagPicker, TheListOffersTheTagsOfFilterAndNodeWithTheOwnersTagOpenAndSelected)
{
    const auto every = [](BYTE) { return true; };
    const struct {
        WORD ownerTag;
        bool networked;
        std::function<bool(BYTE marker)> filter;
        Lines shown; // none: the dialog ends at once
        int selected;
        std::string field;
    } cases[] = {
        {3, false, nullptr, kMotorOpen, 2, "Speed"},   // in a top-level group: it opens, the line is selected
        {5, false, nullptr, kTopLevel, -1, "Current"}, // two levels deep: nothing opens or is selected
        {2, false, nullptr, kTopLevel, 1, ""},         // a group is no tag for the field
        {0, true, nullptr, kTopLevel, -1, ""},         // no filter: every tag of every node
        {0, true, every, {"Alarm", "Motor +"}, -1, ""}, // the block's node only
        {0, false, every, {"Alarm", "Motor +", "Tank +"}, -1, ""},
        {0, true, [](BYTE m) { return m == 5; }, {"Motor +"}, -1, ""}, // a tag two levels deep
        {0, true, [](BYTE) { return false; }, {}, -1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("owner's tag " + std::to_string(c.ownerTag) + ", " + testing::PrintToString(c.shown));
        setOwnerTag(c.ownerTag);
        project[W32K_PROJECT_NETWORKED] = c.networked;
        offer(c.filter);
        EXPECT_EQ(run([&](HWND dialog) {
                      EXPECT_EQ(lines(dialog), c.shown); // in block order
                      EXPECT_EQ(ask(dialog, LB_GETCURSEL), c.selected);
                      EXPECT_EQ(nameField(dialog), c.field);
                      EXPECT_EQ(block.selectedTagId, c.ownerTag);
                  }),
                  c.shown.empty() ? W32K_TAGSEL_NOTHING : W32K_TAGSEL_CANCELLED);
        EXPECT_EQ(scriptRan, !c.shown.empty());
        EXPECT_TRUE(g_accepted.empty());
    }
    TagFolderHeader empty{};
    block.folder = &empty;
    offer(nullptr);
    EXPECT_EQ(run([](HWND) {}), W32K_TAGSEL_NOTHING);
    EXPECT_EQ(ExecTagSelDlg(nullptr, nullptr), -1);
}

TEST_F(TagPicker, DoubleClicksAndArrowKeysOpenAndCloseGroupsInPlace)
{
    run([&](HWND dialog) {
        click(dialog, 1, true);
        EXPECT_EQ(lines(dialog), kMotorOpen);
        EXPECT_EQ(itemAt(dialog, 0), 1u); // the id alone: level 0, no group bit
        EXPECT_EQ(itemAt(dialog, 3), W32K_TAGITEM_GROUP | (1u << W32K_TAGITEM_LEVEL_SHIFT) | 4u);
        click(dialog, 3, true);
        EXPECT_EQ(lines(dialog), (Lines{"Alarm", "Motor -", "  Speed", "  Drives -", "    Current", "  Torque", "Tank +",
                                        "Empty +"}));
        click(dialog, 1, true); // closes Motor and Drives inside it
        EXPECT_EQ(lines(dialog), kTopLevel);
        EXPECT_EQ(block.hierDraw.openCount, 0);
        click(dialog, 3, true); // a group without tags opens to nothing
        EXPECT_EQ(lines(dialog), (Lines{"Alarm", "Motor +", "Tank +", "Empty -"}));
        for (const int key : {VK_RIGHT, VK_ADD, VK_LEFT, VK_SUBTRACT}) {
            ask(dialog, LB_SETCURSEL, 1);
            ask(dialog, WM_KEYDOWN, key);
            const bool open = key == VK_RIGHT || key == VK_ADD;
            EXPECT_EQ(lines(dialog)[1], open ? "Motor -" : "Motor +") << "key " << key;
            EXPECT_EQ(count(dialog), open ? 7 : 4) << "key " << key;
        }
    });
}

TEST_F(TagPicker, ConnectingLinesEndAtTheLastChild)
{
    run([&](HWND dialog) {
        click(dialog, 1, true);
        const HWND list = GetDlgItem(dialog, W32K_ID_TAG_LIST);
        w32ktest::repaintNow(list, true);
        w32ktest::settlePaint(list);
        const COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
        for (const auto& [line, drawn] : {std::pair{2, true}, {3, true}, {4, false} /* Torque: the last */,
                                          {0, false} /* Alarm: top level */}) {
            RECT r{};
            SendMessageA(list, LB_GETITEMRECT, line, reinterpret_cast<LPARAM>(&r));
            // Below the centre of the top-level cells, on the line's last row.
            EXPECT_EQ(w32ktest::clientPixel(list, 22 / 2 + 2, r.bottom - 1) == ink, drawn) << "line " << line;
        }
    });
}

TEST_F(TagPicker, OkOrADoubleClickAcceptsTheTagChosenCancelLeavesTheOwner)
{
    const struct {
        WORD ownerTag;
        std::vector<std::pair<int, bool>> clicks; // line, twice
        int button;                               // 0: the last click, a double one, ends the dialog
        std::string field;                        // before the last step
        INT_PTR result;
        WORD selected, accepted;                  // the tag accepted, 0: none
    } cases[] = {
        {1, {{1, false}}, IDOK, "Alarm", W32K_TAGSEL_ACCEPTED, 1, 1},              // a group click keeps the tag
        {0, {{2, false}}, IDOK, "", W32K_TAGSEL_CANCELLED, 0, 0},                  // OK without a tag
        {1, {{1, true}, {2, false}}, IDCANCEL, "Speed", W32K_TAGSEL_CANCELLED, 3, 0},
        {0, {{1, true}, {4, false}, {4, true}}, 0, "Torque", W32K_TAGSEL_ACCEPTED, 6, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        g_accepted.clear();
        setOwnerTag(c.ownerTag);
        owner[W32K_TAG_OWNER_FLAGS] = 0x01;
        EXPECT_EQ(run([&](HWND dialog) {
                      for (size_t i = 0; i + (c.button ? 0 : 1) < c.clicks.size(); ++i)
                          click(dialog, c.clicks[i].first, c.clicks[i].second);
                      EXPECT_EQ(nameField(dialog), c.field);
                      if (c.button)
                          SendMessageA(dialog, WM_COMMAND, c.button, 0);
                      else
                          click(dialog, c.clicks.back().first, true);
                  }),
                  c.result);
        EXPECT_EQ(block.selectedTagId, c.selected);
        EXPECT_EQ(ownerTag(), c.accepted ? c.accepted : c.ownerTag);
        EXPECT_EQ(owner[W32K_TAG_OWNER_FLAGS], c.accepted ? 0x81 : 0x01);
        ASSERT_EQ(g_accepted.size(), c.accepted ? 1u : 0u);
        if (c.accepted) {
            EXPECT_EQ(g_accepted[0].owner, owner + W32K_TAG_OWNER_ACCEPT_ARG);
            EXPECT_EQ(g_accepted[0].data.hostData1[0], c.accepted);
            EXPECT_EQ(g_accepted[0].node, &node);
        }
        // The dialog's drawing objects and its open list are gone with it.
        EXPECT_TRUE(!block.hierDraw.memoryDC && !block.hierDraw.cellBitmap && !block.hierDraw.openList);
        EXPECT_EQ(block.hierDraw.openCount, 0);
    }
}

TEST_F(TagPicker, ParentLinksInACycleNeitherHangNorNestBeyondLevelFifteen)
{
    // As a damaged file could hold it: ids used twice, parent links 5 -> 6 -> 5 -> ...
    DeleteTagFolder(&folder, project);
    folder.count = 3;
    folder.elements = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 3 * sizeof(TagElement));
    auto* elements = static_cast<TagElement*>(GlobalLock(folder.elements));
    for (const auto& [i, id, parent] : {std::tuple{0, 5, 0}, {1, 6, 5}, {2, 5, 6}}) {
        elements[i].id = static_cast<WORD>(id);
        elements[i].parentId = static_cast<WORD>(parent);
        elements[i].flags = W32K_TAG_FLAG_GROUP;
    }
    GlobalUnlock(folder.elements);
    offer([](BYTE) { return true; });
    EXPECT_EQ(run([](HWND) {}), W32K_TAGSEL_NOTHING); // the search for a tag below ends
    offer(nullptr);
    run([&](HWND dialog) {
        for (int i = 0; i < 20; ++i)
            TagActionItem(dialog, GetDlgItem(dialog, W32K_ID_TAG_LIST), nullptr, itemAt(dialog, count(dialog) - 1),
                          count(dialog) - 1, 0, &block.hierDraw, &block, TRUE);
        EXPECT_EQ(count(dialog), W32K_TAGITEM_MAX_LEVEL + 1);
        EXPECT_EQ(levelOf(itemAt(dialog, count(dialog) - 1)), W32K_TAGITEM_MAX_LEVEL);
        EXPECT_EQ(block.hierDraw.openCount, W32K_TAGITEM_MAX_LEVEL);
    });
}

} // namespace
