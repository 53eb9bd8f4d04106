// The tags page: the sample project's tag folder and net-node folder, kept by
// the host and edited through the library's tag and net-node operations.
#include "pages.h"
#include "tour.h"

#include "w32khost.h"

#include <cstdio>
#include <string>
#include <vector>

namespace demo {

namespace {

// The host's project block: the library reads its networked flag and its
// net-node folder; the string store is keyed by its address.
w32khost::Project g_project;
w32khost::TagTree g_tags{g_project};
bool g_built = false;
int g_added = 0;
HWND g_tree = nullptr;
HWND g_nodes = nullptr;

WORD addTag(const char* name, WORD parent, int group, WORD node)
{
    return g_tags.add(name, parent, group != 0, node);
}

void buildSample()
{
    if (g_built)
        return;
    g_built = true;
    g_project.setNetworked();
    g_project.addNode(1, "Line 1 panel");
    g_project.addNode(2, "Line 2 panel");
    const WORD motor = addTag("Motor", 0, 1, 1);
    addTag("Speed", motor, 0, 1);
    addTag("Torque", motor, 0, 1);
    const WORD tank = addTag("Tank", 0, 1, 2);
    addTag("Level", tank, 0, 2);
    addTag("Temperature", tank, 0, 2);
    addTag("Alarm", 0, 0, 1);
    addTag("Alarm", 0, 0, 2); // another node: another tag
}

struct Row {
    WORD id;
    WORD parent;
    bool group;
    WORD node;
    std::string name;
};

std::vector<Row> readTags()
{
    std::vector<Row> rows;
    for (WORD p = 0; p < g_tags.folder.count; ++p) {
        Row row{};
        TagDataRecord data{};
        int group = 0;
        char name[W32K_TAG_NAME_BUFFER] = "";
        row.id = GetBasedTagElement(&g_tags.folder, g_project.data(), p, &data, &row.parent, &group, name,
                                    sizeof name, nullptr);
        row.group = group != 0;
        row.node = data.nodeNumber;
        row.name = name;
        if (row.id)
            rows.push_back(row);
    }
    return rows;
}

// The tree in depth-first order, indented by level.
void listChildren(const std::vector<Row>& rows, WORD parent, int level)
{
    for (const Row& row : rows) {
        if (row.parent != parent)
            continue;
        char line[W32K_TAG_NAME_BUFFER + 64];
        std::snprintf(line, sizeof line, "%*s%s%s    (id %u, node %u)", level * 6, "",
                      row.group ? "[+] " : "", row.name.c_str(), row.id, row.node);
        const LRESULT index = SendMessageA(g_tree, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
        SendMessageA(g_tree, LB_SETITEMDATA, index, row.id);
        if (row.group)
            listChildren(rows, row.id, level + 1);
    }
}

void refresh()
{
    SendMessageA(g_tree, LB_RESETCONTENT, 0, 0);
    listChildren(readTags(), 0, 0);
    std::string nodes;
    NetNodeRecord node{};
    for (WORD p = 0; ExpGetNetNodeData(g_project.netNodes(), W32K_NETNODE_BY_POSITION, p, &node); ++p)
        nodes += "Node " + std::to_string(node.nodeNumber) + ": " +
                 reinterpret_cast<const char*>(node.hostData1) + "\r\n";
    nodes += std::to_string(g_tags.folder.count) + " of " + std::to_string(W32K_TAG_MAX_ELEMENTS) + " tags";
    SetWindowTextA(g_nodes, nodes.c_str());
}

WORD selectedTag()
{
    const LRESULT index = SendMessageA(g_tree, LB_GETCURSEL, 0, 0);
    return index == LB_ERR ? 0 : static_cast<WORD>(SendMessageA(g_tree, LB_GETITEMDATA, index, 0));
}

// Adds a tag into the selected group (or beside the selected tag).
void onAdd(HWND)
{
    const WORD selected = selectedTag();
    WORD parent = 0, node = 1;
    int group = 0;
    TagDataRecord data{};
    if (selected &&
        GetTagElement(&g_tags.folder, g_project.data(), selected, &data, &parent, &group, nullptr, 0, nullptr)) {
        node = data.nodeNumber;
        if (group)
            parent = selected;
    }
    const std::string name = "New tag " + std::to_string(++g_added);
    addTag(name.c_str(), parent, 0, node);
    refresh();
}

void onDelete(HWND)
{
    if (const WORD selected = selectedTag()) {
        DeleteTagElement(&g_tags.folder, g_project.data(), selected);
        refresh();
    }
}

void show(HWND area)
{
    buildSample();
    addControl(area, "BUTTON", "Tag folder", BS_GROUPBOX, 8, 4, 270, 300);
    g_tree = addControl(area, "LISTBOX", "", WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                        18, 24, 250, 236);
    addActionButton(area, "Add tag", 18, 268, 80, 26, onAdd);
    addActionButton(area, "Delete with subtree", 106, 268, 140, 26, onDelete);
    addControl(area, "BUTTON", "Network", BS_GROUPBOX, 286, 4, 180, 110);
    g_nodes = addControl(area, "STATIC", "", SS_LEFT, 296, 24, 160, 84);
    refresh();
}

void tour(Tour& t, HWND mainWindow)
{
    t.screenshot(mainWindow, "tags");
}

const PageRegistration registration({40, "Tags and net nodes", show, tour});

} // namespace
} // namespace demo
