// The tag selection dialog through the DLL, driven by mouse and keyboard messages inside its modal loop.
#include <gtest/gtest.h>

#include "frame/raii.h"
#include "w32khost.h"
#include "support/pixels.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <array>
#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

enum Shape { Tag, Closed, Open };
using Line = std::tuple<std::string, int, Shape>; // a line as the user reads it: name, level, shape
using Lines = std::vector<Line>;
const Lines kTopLevel{{"Alarm", 0, Tag}, {"Motor", 0, Closed}, {"Tank", 0, Closed}, {"Empty", 0, Closed}};
const Lines kMotorOpen{{"Alarm", 0, Tag},  {"Motor", 0, Open},  {"Speed", 1, Tag},   {"Drives", 1, Closed},
                       {"Torque", 1, Tag}, {"Tank", 0, Closed}, {"Empty", 0, Closed}};

// The host's accept callback notes at the owner's byte it gets: the tag's marker, one call more, the node.
BOOL WINAPI acceptTag(BYTE* note, const TagDataRecord* data, NetNodeRecord* node)
{
    note[0] = data->hostData1[0];
    note[1]++;
    note[2] = static_cast<BYTE>(node->nodeNumber);
    return TRUE;
}
std::function<bool(BYTE marker)> g_offer;
BOOL WINAPI filterTags(TagSelectBlock*, const TagDataRecord* data)
{
    return g_offer(data->hostData1[0]);
}
int levelOf(DWORD item) { return int((item & W32K_TAGITEM_LEVEL_MASK) >> W32K_TAGITEM_LEVEL_SHIFT); }

// The sample tree, ids 1..9 in this order (name, parent, group, node): Alarm, Motor{Speed,
// Drives{Current}, Torque}, Tank{Level} of node 2, Empty{}.
const std::tuple<const char*, WORD, int, WORD> kTree[] = {
    {"Alarm", 0, 0, 1},  {"Motor", 0, 1, 1}, {"Speed", 2, 0, 1}, {"Drives", 2, 1, 1}, {"Current", 4, 0, 1},
    {"Torque", 2, 0, 1}, {"Tank", 0, 1, 2},  {"Level", 7, 0, 2}, {"Empty", 0, 1, 1}};

// A host with a project, the sample tree as its tag folder and a tag owner.
struct Host {
    Host()
    {
        block.tagOwner = owner;
        block.project = project.data();
        block.node = &node;
        block.folder = &tree.folder;
        block.accept = acceptTag;
        node.nodeNumber = 1;
        for (const auto& [name, parent, group, nodeNumber] : kTree)
            add(name, parent, group, nodeNumber);
    }
    void add(const char* name, WORD parent = 0, int group = 0, WORD nodeNumber = 1)
    {
        TagDataRecord data{};
        data.nodeNumber = nodeNumber;
        std::memset(data.hostData1, tree.folder.count + 1, sizeof data.hostData1); // the marker: the id to be
        tree.add(name, parent, group, data);
    }
    void offer(std::function<bool(BYTE marker)> test)
    {
        g_offer = std::move(test);
        block.filter = g_offer ? filterTags : nullptr;
    }
    void setOwnerTag(WORD id) { std::memcpy(owner + W32K_TAG_OWNER_TAG_ID, &id, sizeof id); }
    WORD ownerTag() const { return MAKEWORD(owner[W32K_TAG_OWNER_TAG_ID], owner[W32K_TAG_OWNER_TAG_ID + 1]); }
    const BYTE* note() const { return owner + W32K_TAG_OWNER_ACCEPT_ARG; } // marker, calls, node (acceptTag)
    // Opens the dialog and runs `script` inside it; cancels the dialog unless it ended.
    INT_PTR run(const std::function<void(HWND)>& script)
    {
        w32ktest::DialogScript driver([&](HWND dialog) {
            ShowWindow(dialog, SW_SHOWNORMAL);
            script(dialog);
            if (IsWindowVisible(dialog))
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        });
        return ExecTagSelDlg(nullptr, &block);
    }
    static LRESULT ask(HWND dialog, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return SendMessageA(GetDlgItem(dialog, W32K_ID_TAG_LIST), message, wParam, lParam);
    }
    static DWORD itemAt(HWND dialog, int line) { return DWORD(ask(dialog, LB_GETITEMDATA, line)); }
    static int count(HWND dialog) { return static_cast<int>(ask(dialog, LB_GETCOUNT)); }
    static std::string field(HWND d) { return w32ktest::windowText(GetDlgItem(d, W32K_ID_TAG_NAME)); }
    Lines lines(HWND dialog)
    {
        Lines out;
        for (int i = 0; i < count(dialog); ++i) {
            const DWORD item = itemAt(dialog, i);
            const Shape group = HierDraw_IsOpened(&block.hierDraw, item) ? Open : Closed;
            out.emplace_back(std::get<0>(kTree[LOWORD(item) - 1]), levelOf(item),
                             item & W32K_TAGITEM_GROUP ? group : Tag);
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

    w32khost::Project project;
    w32khost::TagTree tree{project};
    BYTE owner[128] = {};
    NetNodeRecord node{};
    TagSelectBlock block{};
};

struct TagPicker : ::testing::Test, Host {};

TEST_F(TagPicker, TheListOffersTheTagsOfFilterAndNodeWithTheOwnersTagOpenAndSelected)
{
    const auto every = [](BYTE) { return true; };
    const struct {
        WORD ownerTag;
        bool networked;
        std::function<bool(BYTE marker)> filter;
        Lines shown;
        int selected;
        std::string field; // shown: none when the dialog ends at once
    } cases[] = {
        {3, false, nullptr, kMotorOpen, 2, "Speed"},   // in a top-level group: it opens, the line is selected
        {5, false, nullptr, kTopLevel, -1, "Current"}, // two levels deep: nothing opens or is selected
        {2, false, nullptr, kTopLevel, 1, ""},         // a group is no tag for the field
        {0, true, nullptr, kTopLevel, -1, ""},         // no filter: every tag of every node
        {0, true, every, {{"Alarm", 0, Tag}, {"Motor", 0, Closed}}, -1, ""}, // the block's node only
        {0, false, every, {{"Alarm", 0, Tag}, {"Motor", 0, Closed}, {"Tank", 0, Closed}}, -1, ""},
        {0, true, [](BYTE m) { return m == 5; }, {{"Motor", 0, Closed}}, -1, ""}, // a tag two levels deep
        {0, true, [](BYTE) { return false; }, {}, -1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("owner's tag " + std::to_string(c.ownerTag) + ", " + testing::PrintToString(c.shown));
        setOwnerTag(c.ownerTag);
        project.bytes()[W32K_PROJECT_NETWORKED] = c.networked;
        offer(c.filter);
        EXPECT_EQ(run([&](HWND dialog) {
                      EXPECT_EQ(lines(dialog), c.shown); // in block order
                      EXPECT_EQ(ask(dialog, LB_GETCURSEL), c.selected);
                      EXPECT_EQ(field(dialog), c.field);
                  }),
                  c.shown.empty() ? W32K_TAGSEL_NOTHING : W32K_TAGSEL_CANCELLED);
    }
    EXPECT_EQ(ExecTagSelDlg(nullptr, nullptr), -1);
}

// The suite's connector probe: an opened group's lines end at its last child (mask: the lines below).
TEST_F(TagPicker, DoubleClicksAndArrowKeysOpenAndCloseGroupsInPlaceLinesEndingAtTheLastChild)
{
    run([&](HWND dialog) {
        click(dialog, 1, true);
        EXPECT_EQ(lines(dialog), kMotorOpen);
        const HWND list = GetDlgItem(dialog, W32K_ID_TAG_LIST);
        w32ktest::repaintNow(list, true);
        w32ktest::settlePaint(list);
        for (const auto& [line, drawn] : {std::pair{2, true}, {3, true}, {4, false} /* Torque: the last */,
                                          {0, false} /* Alarm: top level */}) {
            RECT r{};
            ask(dialog, LB_GETITEMRECT, line, reinterpret_cast<LPARAM>(&r));
            // Below the centre of the top-level cells, on the line's last row.
            EXPECT_EQ(w32ktest::clientPixel(list, 22 / 2 + 2, r.bottom - 1) == GetSysColor(COLOR_WINDOWTEXT),
                      drawn)
                << "line " << line;
        }
        click(dialog, 3, true);
        EXPECT_EQ(std::get<Shape>(lines(dialog)[3]), Open);
        EXPECT_EQ(lines(dialog)[4], (Line{"Current", 2, Tag}));
        ask(dialog, LB_SETCURSEL, 1);
        ask(dialog, WM_KEYDOWN, VK_LEFT); // closes Motor and Drives inside it
        EXPECT_EQ(lines(dialog), kTopLevel);
        ask(dialog, WM_KEYDOWN, VK_RIGHT);
        EXPECT_EQ(lines(dialog), kMotorOpen);
        click(dialog, 6, true); // a group without tags opens to nothing
        EXPECT_EQ(count(dialog), 7);
        EXPECT_EQ(std::get<Shape>(lines(dialog)[6]), Open);
    });
}

TEST_F(TagPicker, OkOrADoubleClickAcceptsTheTagChosenCancelLeavesTheOwner)
{
    const struct {
        WORD ownerTag;
        std::vector<std::pair<int, bool>> clicks; // line, twice
        int button;                               // 0: a double click on the line clicked last
        std::string field;                        // before the button
        INT_PTR result;
        WORD selected, accepted; // accepted 0: none
    } cases[] = {
        {1, {{1, false}}, IDOK, "Alarm", W32K_TAGSEL_ACCEPTED, 1, 1}, // a group click keeps the tag
        {0, {{2, false}}, IDOK, "", W32K_TAGSEL_CANCELLED, 0, 0},     // OK without a tag
        {1, {{1, true}, {2, false}}, IDCANCEL, "Speed", W32K_TAGSEL_CANCELLED, 3, 0},
        {0, {{1, true}, {4, false}}, 0, "Torque", W32K_TAGSEL_ACCEPTED, 6, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        std::memset(owner, 0, sizeof owner);
        setOwnerTag(c.ownerTag);
        owner[W32K_TAG_OWNER_FLAGS] = 0x01;
        EXPECT_EQ(run([&](HWND dialog) {
                      for (const auto& [line, twice] : c.clicks)
                          click(dialog, line, twice);
                      EXPECT_EQ(field(dialog), c.field);
                      if (c.button)
                          SendMessageA(dialog, WM_COMMAND, c.button, 0);
                      else
                          click(dialog, c.clicks.back().first, true);
                  }),
                  c.result);
        EXPECT_EQ(block.selectedTagId, c.selected);
        EXPECT_EQ(ownerTag(), c.accepted ? c.accepted : c.ownerTag);
        EXPECT_EQ(owner[W32K_TAG_OWNER_FLAGS], c.accepted ? 0x81 : 0x01);
        EXPECT_EQ(note()[0], c.accepted); // the accepted tag's marker
        EXPECT_EQ(note()[1], c.accepted ? 1 : 0); // called once, or not at all
        // The dialog's drawing objects and its open list are gone with it.
        EXPECT_EQ(block.hierDraw.memoryDC, nullptr);
        EXPECT_EQ(block.hierDraw.cellBitmap, nullptr);
        EXPECT_EQ(block.hierDraw.openList, nullptr);
    }
}

TEST_F(TagPicker, ParentLinksInACycleNeitherHangNorNestBeyondLevelFifteen)
{
    // As a damaged file could hold it: ids used twice, parent links 5 -> 6 -> 5 -> ...
    DeleteTagFolder(&tree.folder, project.data());
    tree.folder.count = 3;
    tree.folder.elements = GlobalAlloc(GHND, 3 * sizeof(TagElement));
    if (const w32k::GlobalLockGuard<TagElement> elements(tree.folder.elements); elements) {
        for (const auto& [i, id, parent] : {std::array<WORD, 3>{0, 5, 0}, {1, 6, 5}, {2, 5, 6}}) {
            elements[i].id = id;
            elements[i].parentId = parent;
            elements[i].flags = W32K_TAG_FLAG_GROUP;
        }
    }
    offer([](BYTE) { return true; });
    EXPECT_EQ(run([](HWND) {}), W32K_TAGSEL_NOTHING); // the search for a tag below ends
    offer(nullptr);
    run([&](HWND dialog) {
        const HWND list = GetDlgItem(dialog, W32K_ID_TAG_LIST);
        for (int i = 0; i < 20; ++i)
            TagActionItem(dialog, list, nullptr, itemAt(dialog, count(dialog) - 1), count(dialog) - 1, 0,
                          &block.hierDraw, &block, TRUE);
        EXPECT_EQ(count(dialog), W32K_TAGITEM_MAX_LEVEL + 1);
        EXPECT_EQ(levelOf(itemAt(dialog, count(dialog) - 1)), W32K_TAGITEM_MAX_LEVEL);
        EXPECT_EQ(block.hierDraw.openCount, W32K_TAGITEM_MAX_LEVEL);
    });
}

// Each picker, on its own block, folder and owner, fits its lines to its own font and accepts its own pick.
TEST_F(TagPicker, TwoPickersOpenAtOnceOnTwoThreadsKeepToTheirOwnHostData)
{
    Host second;
    second.node.nodeNumber = 9;
    second.add("Pump");
    w32ktest::Turns turns; // 0: the second opens, 1: the first opens, 2: the second acts, 3: the first acts
    const auto pick = [&](Host& host, int fontHeight, std::vector<int> doubleClicks, int opens) {
        const w32k::Font font(CreateFontA(fontHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"));
        EXPECT_TRUE(turns.await(opens));
        const INT_PTR result = host.run([&](HWND dialog) {
            SendMessageA(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
            turns.pass();
            ASSERT_TRUE(turns.await(opens + 2)); // both fonts set, both dialogs open
            EXPECT_EQ(ask(dialog, LB_GETITEMHEIGHT), fontHeight); // higher than the 17-pixel cells
            for (const int line : doubleClicks)
                click(dialog, line, true);
        });
        turns.pass();
        return result;
    };
    INT_PTR secondResult = 0;
    std::thread thread([&] { secondResult = pick(second, 30, {4}, 0); }); // Pump
    EXPECT_EQ(pick(*this, 40, {1, 2}, 1), W32K_TAGSEL_ACCEPTED);          // Motor opens, Speed
    thread.join();
    EXPECT_EQ(secondResult, W32K_TAGSEL_ACCEPTED);
    for (const auto& [host, id] : {std::pair<Host*, BYTE>{this, 3}, {&second, 10}}) {
        EXPECT_EQ(host->block.selectedTagId, id);
        EXPECT_EQ(host->ownerTag(), id);
        EXPECT_EQ(host->note()[1], 1); // the callback, once, with its own node
        EXPECT_EQ(host->note()[2], host->node.nodeNumber);
    }
}

} // namespace
