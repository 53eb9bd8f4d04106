// The tag picker page: a host object (a display field) gets its tag from the
// library's tag selection dialog, over a sample tag tree with groups several
// levels deep and tags of two network nodes.
#include "pages.h"
#include "tour.h"

#include "w32khost.h"

#include <cstring>
#include <string>

namespace demo {

namespace {

constexpr int kOwnerRecordSize = 128;

// The sample project: its block (networked, two panels) and its tag folder.
w32khost::Project g_project;
w32khost::TagTree g_tags{g_project};
NetNodeRecord g_panel;                 // the node whose tags are offered
BYTE g_field[kOwnerRecordSize];        // the tag owner: a display field of a page
bool g_onlyThisPanel = true;           // offer only the tags of g_panel (filter callback)
std::string g_lastAccepted = "(none)";
HWND g_summary = nullptr;
HWND g_filterBox = nullptr;
WORD g_emergencyStop = 0;
WORD g_line1 = 0, g_conveyor = 0, g_motor = 0, g_speed = 0;

WORD addTag(const char* name, WORD parent, int group, WORD node = 1)
{
    return g_tags.add(name, parent, group != 0, node);
}

void buildSample()
{
    static bool built = false;
    if (built)
        return;
    built = true;
    g_project.setNetworked();
    g_project.addNode(1, "Line 1 panel");
    g_project.addNode(2, "Line 2 panel");
    ExpGetNetNodeData(g_project.netNodes(), W32K_NETNODE_BY_NUMBER, 1, &g_panel);

    g_line1 = addTag("Line 1", 0, 1);
    g_conveyor = addTag("Conveyor", g_line1, 1);
    g_motor = addTag("Motor", g_conveyor, 1);
    g_speed = addTag("Speed", g_motor, 0);
    addTag("Current", g_motor, 0);
    addTag("Running", g_motor, 0);
    addTag("Belt speed", g_conveyor, 0);
    addTag("Jam sensor", g_conveyor, 0);
    const WORD press = addTag("Press", g_line1, 1);
    addTag("Pressure", press, 0);
    addTag("Stroke count", press, 0);
    addTag("Line 1 ready", g_line1, 0);
    const WORD alarms = addTag("Alarms", 0, 1);
    g_emergencyStop = addTag("Emergency stop", alarms, 0);
    addTag("Door open", alarms, 0);
    addTag("Shift counter", 0, 0);
    addTag("Batch number", 0, 0);
    const WORD line2 = addTag("Line 2", 0, 1, 2);
    addTag("Oven temperature", line2, 0, 2);
    addTag("Fan", line2, 0, 2);
    addTag("Line 2 ready", 0, 0, 2);

    std::memcpy(g_field + W32K_TAG_OWNER_TAG_ID, &g_emergencyStop, sizeof g_emergencyStop);
}

// The host's filter: every tag is offered; the library then also keeps to
// the tags of the panel in g_panel.
BOOL WINAPI offerTag(TagSelectBlock*, const TagDataRecord*)
{
    return TRUE;
}

BOOL WINAPI tagAccepted(BYTE*, const TagDataRecord* data, NetNodeRecord* node)
{
    g_lastAccepted = "node " + std::to_string(data->nodeNumber) + " (" +
                     reinterpret_cast<const char*>(node->hostData1) + ")";
    return TRUE;
}

WORD fieldTag()
{
    WORD id = 0;
    std::memcpy(&id, g_field + W32K_TAG_OWNER_TAG_ID, sizeof id);
    return id;
}

std::string summary()
{
    char name[W32K_TAG_NAME_BUFFER] = "";
    const WORD id = fieldTag();
    if (!GetTagElement(&g_tags.folder, g_project.data(), id, nullptr, nullptr, nullptr, name, sizeof name - 1, nullptr))
        std::strcpy(name, "(no tag)");
    return std::string("Display field of page 3\r\n  tag: ") + name + "  (id " + std::to_string(id) +
           ")\r\n  accepted flag: " + ((g_field[W32K_TAG_OWNER_FLAGS] & W32K_TAG_OWNER_ACCEPTED) ? "set" : "clear") +
           "\r\n  last accepted tag: " + g_lastAccepted;
}

TagSelectBlock makeBlock()
{
    TagSelectBlock block{};
    block.tagOwner = g_field;
    block.project = g_project.data();
    block.node = &g_panel;
    block.folder = &g_tags.folder;
    block.filter = g_onlyThisPanel ? offerTag : nullptr;
    block.accept = tagAccepted;
    return block;
}

INT_PTR pickTag(HWND owner)
{
    TagSelectBlock block = makeBlock();
    return ExecTagSelDlg(owner, &block);
}

void onPick(HWND owner)
{
    if (g_filterBox)
        g_onlyThisPanel = SendMessageA(g_filterBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
    const INT_PTR result = pickTag(owner);
    if (result == W32K_TAGSEL_NOTHING)
        MessageBoxA(owner, "The project has no tags to offer.", "Tag picker", MB_OK | MB_ICONINFORMATION);
    if (IsWindow(g_summary))
        SetWindowTextA(g_summary, summary().c_str());
}

void show(HWND area)
{
    buildSample();
    addControl(area, "BUTTON", "Tag owner", BS_GROUPBOX, 8, 4, 440, 110);
    g_summary = addControl(area, "STATIC", summary().c_str(), SS_LEFT | SS_NOPREFIX, 20, 24, 420, 84);
    g_filterBox = addControl(area, "BUTTON", "Offer only the tags of the Line 1 panel", BS_AUTOCHECKBOX | WS_TABSTOP,
                             8, 124, 300, 20);
    SendMessageA(g_filterBox, BM_SETCHECK, g_onlyThisPanel ? BST_CHECKED : BST_UNCHECKED, 0);
    addActionButton(area, "Pick tag...", 8, 152, 120, 26, onPick);
}

// Clicks (or double-clicks) the line of a tag, as a user does.
void clickTag(HWND dialog, WORD id, WORD notification)
{
    const HWND list = GetDlgItem(dialog, W32K_ID_TAG_LIST);
    const auto count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int line = 0; line < count; ++line) {
        const auto item = static_cast<DWORD>(SendMessageA(list, LB_GETITEMDATA, line, 0));
        if ((item & W32K_TAGITEM_ID_MASK) == id) {
            SendMessageA(list, LB_SETCURSEL, line, 0);
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(W32K_ID_TAG_LIST, notification), reinterpret_cast<LPARAM>(list));
            return;
        }
    }
}

void tour(Tour& t, HWND mainWindow)
{
    t.screenshot(mainWindow, "tag_picker_page");
    // The owner's tag lies in the top-level group "Alarms", which opens with
    // it; the user then opens Line 1, its Conveyor and the Motor inside and
    // picks the motor's speed.
    t.captureDialog(
        "tag_picker", [mainWindow] { pickTag(mainWindow); },
        [](HWND dialog) {
            ShowWindow(dialog, SW_SHOWNORMAL);
            for (WORD group : {g_line1, g_conveyor, g_motor})
                clickTag(dialog, group, LBN_DBLCLK);
            clickTag(dialog, g_speed, LBN_SELCHANGE);
            const HWND list = GetDlgItem(dialog, W32K_ID_TAG_LIST);
            SendMessageA(list, LB_SETTOPINDEX, 0, 0);
            SetFocus(list);
        });
}

const PageRegistration registration({45, "Tag picker", show, tour});

} // namespace
} // namespace demo
