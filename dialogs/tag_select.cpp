// The tag selection dialog "TagSelDlg": the tags of a tag folder as a tree in
// an owner-drawn list box, groups expanded and collapsed in place, and the
// chosen tag handed to the host's tag owner record.
#include "data/tag_folder_core.h"
#include "dialogs/tag_select_core.h"
#include "frame/module.h"
#include "frame/raii.h"
#include "frame/window_data.h"
#include "tag_select_ids.h"
#include "w32korutil1.h"

#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace {

namespace tags = w32k::tags;
namespace tagsel = w32k::tagsel;
using tags::Element;

static_assert(IDB_TAG_TREE == W32K_BMP_TAG_TREE);
static_assert(IDC_TAGSEL_NAME == W32K_ID_TAG_NAME && IDC_TAGSEL_LIST == W32K_ID_TAG_LIST);
static_assert(tagsel::kIdMask == W32K_TAGITEM_ID_MASK && tagsel::kLevelMask == W32K_TAGITEM_LEVEL_MASK);
static_assert(tagsel::kGroupBit == W32K_TAGITEM_GROUP && tagsel::kLevelShift == W32K_TAGITEM_LEVEL_SHIFT);
static_assert(tagsel::kMaxLevel == W32K_TAGITEM_MAX_LEVEL);

constexpr int kCellRows = 1;
constexpr int kCellColumns = 3;
constexpr WORD kNameSize = W32K_TAG_NAME_BUFFER - 1; // read size of the 256-byte name buffers

// -- the host's records --------------------------------------------------------

WORD ownerTagId(const TagSelectBlock& block) noexcept
{
    WORD id = 0;
    if (block.tagOwner)
        std::memcpy(&id, block.tagOwner + W32K_TAG_OWNER_TAG_ID, sizeof id);
    return id;
}

void writeOwnerTag(TagSelectBlock& block, WORD id) noexcept
{
    std::memcpy(block.tagOwner + W32K_TAG_OWNER_TAG_ID, &id, sizeof id);
    block.tagOwner[W32K_TAG_OWNER_FLAGS] |= W32K_TAG_OWNER_ACCEPTED;
}

bool isNetworked(const TagSelectBlock& block) noexcept
{
    return block.project && static_cast<const BYTE*>(block.project)[W32K_PROJECT_NETWORKED] != 0;
}

// A copy of the folder's elements, so that no block stays locked while the
// host's filter runs. Empty when there are none (or no memory).
std::vector<Element> elementsOf(const TagFolderHeader* folder) noexcept
{
    if (!folder || !folder->elements)
        return {};
    w32k::GlobalLockGuard<Element> locked(folder->elements);
    if (!locked)
        return {};
    try {
        const std::size_t count = tags::usableCount(folder->count, locked.size());
        return std::vector<Element>(locked.get(), locked.get() + count);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

// What the block's filter and node offer.
tagsel::Offer offerOf(std::span<const Element> elements, TagSelectBlock& block)
{
    tagsel::Offer::Filter filter;
    if (block.filter)
        filter = [&block](const Element& e) {
            TagDataRecord data;
            std::memcpy(&data, e.data, sizeof data);
            return block.filter(&block, &data) != FALSE;
        };
    tagsel::Offer::NodeTest nodeTest;
    if (block.filter && block.node && isNetworked(block))
        nodeTest = {true, block.node->nodeNumber};
    return tagsel::Offer(elements, std::move(filter), nodeTest);
}

// The name of a tag into name (empty when the tag has none); false when the
// folder holds no such tag.
bool readTag(const TagSelectBlock& block, WORD id, char (&name)[W32K_TAG_NAME_BUFFER], int* group = nullptr)
{
    name[0] = '\0';
    return GetTagElement(block.folder, block.project, id, nullptr, nullptr, group, name, kNameSize, nullptr) != 0;
}

// -- the list --------------------------------------------------------------------

DWORD itemAt(HWND list, int line) noexcept
{
    return static_cast<DWORD>(SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(line), 0));
}

int lineCount(HWND list) noexcept
{
    return static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
}

void clearSelection(HWND list) noexcept
{
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

// Redrawing is off while lines come and go; the whole list repaints after.
// Room for the lines to come is reserved at once.
class QuietList {
public:
    explicit QuietList(HWND list, std::size_t adding = 0) noexcept : list_(list)
    {
        SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
        if (adding > 0)
            SendMessageA(list_, LB_INITSTORAGE, adding, 0);
    }
    ~QuietList()
    {
        SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list_, nullptr, TRUE);
    }
    QuietList(const QuietList&) = delete;
    QuietList& operator=(const QuietList&) = delete;

private:
    HWND list_;
};

// The line's tag becomes the current item; a leaf also becomes the selected
// tag and shows its name. A tag that no longer exists clears them.
void selectItem(HWND list, HWND edit, DWORD item, TagSelectBlock& block, bool group)
{
    const WORD id = tagsel::idOf(item);
    char name[W32K_TAG_NAME_BUFFER];
    if (!readTag(block, id, name)) {
        block.currentItemId = 0;
        if (!group)
            block.selectedTagId = 0;
        clearSelection(list);
        return;
    }
    block.currentItemId = id;
    if (group)
        return;
    block.selectedTagId = id;
    if (edit)
        SetWindowTextA(edit, name);
}

// Inserts the offered children of the group below its line.
void expand(HWND list, HWND edit, DWORD item, int line, HierDrawState& state, TagSelectBlock& block)
{
    const int level = tagsel::levelOf(item);
    if (level >= tagsel::kMaxLevel) {
        selectItem(list, edit, item, block, true); // deeper lines could not be told apart
        return;
    }
    HierDraw_OpenItem(&state, item);
    if (!HierDraw_IsOpened(&state, item))
        return; // no memory: the group stays closed
    const std::vector<Element> elements = elementsOf(block.folder);
    int leaves = 0;
    {
        const std::vector<std::size_t> children = offerOf(elements, block).children(tagsel::idOf(item));
        QuietList quiet(list, children.size());
        int at = line + 1;
        for (std::size_t p : children) {
            const Element& child = elements[p];
            const DWORD value = tagsel::itemValue(child.id, level + 1, child.isGroup());
            if (SendMessageA(list, LB_INSERTSTRING, static_cast<WPARAM>(at), static_cast<LPARAM>(value)) < 0)
                break;
            ++at;
            if (!child.isGroup())
                ++leaves;
        }
        if (leaves > 0)
            HierDraw_ShowKids(&state, list, line, leaves);
    }
}

// Removes the lines below the group, closing the groups among them.
void collapse(HWND list, DWORD item, int line, HierDrawState& state)
{
    HierDraw_CloseItem(&state, item);
    QuietList quiet(list);
    const int level = tagsel::levelOf(item);
    while (line + 1 < lineCount(list)) {
        const DWORD below = itemAt(list, line + 1);
        if (tagsel::levelOf(below) <= level)
            break;
        if (tagsel::isGroupItem(below) && HierDraw_IsOpened(&state, below))
            HierDraw_CloseItem(&state, below);
        SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(line + 1), 0);
    }
}

// A line of the list and the item it shows.
struct Line {
    int line = -1;
    DWORD item = 0;
};

// Lists the offered top-level elements; returns the line of the group
// `openGroup` (none when it is not among them).
Line addTopLevelLines(HWND list, const std::vector<Element>& elements, TagSelectBlock& block, WORD openGroup)
{
    const std::vector<std::size_t> topLevel = offerOf(elements, block).children(tags::kNoTag);
    QuietList quiet(list, topLevel.size());
    Line found;
    for (std::size_t p : topLevel) {
        const Element& e = elements[p];
        const DWORD value = tagsel::itemValue(e.id, 0, e.isGroup());
        const auto line = static_cast<int>(SendMessageA(list, LB_ADDSTRING, 0, static_cast<LPARAM>(value)));
        if (line >= 0 && e.isGroup() && openGroup != tags::kNoTag && e.id == openGroup)
            found = {line, value};
    }
    return found;
}

void fillTopLevel(HWND dialog, HWND list, HWND edit, TagSelectBlock& block)
{
    const std::vector<Element> elements = elementsOf(block.folder);
    if (elements.empty())
        return;
    WORD selectedParent = 0;
    if (block.selectedTagId)
        GetTagElement(block.folder, nullptr, block.selectedTagId, nullptr, &selectedParent, nullptr, nullptr, 0,
                      nullptr);
    const auto [parentLine, parentItem] = addTopLevelLines(list, elements, block, selectedParent);
    if (parentLine >= 0)
        TagActionItem(dialog, list, edit, parentItem, parentLine, 0, &block.hierDraw, &block, TRUE);
    SelectLBItem(list, block.selectedTagId);
    char name[W32K_TAG_NAME_BUFFER];
    int group = 0;
    if (edit && readTag(block, ownerTagId(block), name, &group) && !group)
        SetWindowTextA(edit, name);
}

// -- opening and closing groups with the keyboard -----------------------------------

// The list's own procedure is kept in the list's user data while the dialog
// adds its keys: the list is this dialog's own control, and the procedure is
// read for every message the list gets (a window property costs far more).
WNDPROC baseProcOf(HWND list) noexcept
{
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(list, GWLP_USERDATA));
}

// Right arrow or "+" opens the selected group, left arrow or "-" closes it;
// false for other keys and for lines that are no group (the list handles them).
bool openOrCloseByKey(HWND list, WPARAM key) noexcept
{
    const bool open = key == VK_RIGHT || key == VK_ADD;
    if (!open && key != VK_LEFT && key != VK_SUBTRACT)
        return false;
    const HWND dialog = GetParent(list);
    auto* block = w32k::windowRecord<TagSelectBlock>(dialog);
    const auto line = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
    if (!block || line < 0 || !tagsel::isGroupItem(itemAt(list, line)))
        return false;
    const DWORD item = itemAt(list, line);
    if ((HierDraw_IsOpened(&block->hierDraw, item) != FALSE) != open)
        TagActionItem(dialog, list, GetDlgItem(dialog, IDC_TAGSEL_NAME), item, line, IDOK, &block->hierDraw, block,
                      TRUE);
    return true;
}

LRESULT CALLBACK treeKeysProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    const WNDPROC base = baseProcOf(list);
    if (message == WM_KEYDOWN && openOrCloseByKey(list, wParam))
        return 0;
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(base));
        SetWindowLongPtrA(list, GWLP_USERDATA, 0);
    }
    return w32k::callBase(base, list, message, wParam, lParam);
}

void addTreeKeys(HWND list) noexcept
{
    const auto base = GetWindowLongPtrA(list, GWLP_WNDPROC);
    if (!base || baseProcOf(list))
        return; // no procedure to keep, or the user data is taken
    SetWindowLongPtrA(list, GWLP_USERDATA, base);
    SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(treeKeysProc));
}

// -- the dialog ----------------------------------------------------------------------

void accept(HWND dialog, TagSelectBlock& block)
{
    TagDataRecord data{};
    int group = 0;
    const WORD id =
        GetTagElement(block.folder, block.project, block.selectedTagId, &data, nullptr, &group, nullptr, 0, nullptr);
    if (id == tags::kNoTag || group) {
        EndDialog(dialog, W32K_TAGSEL_CANCELLED);
        return;
    }
    writeOwnerTag(block, id);
    if (block.accept)
        block.accept(block.tagOwner + W32K_TAG_OWNER_ACCEPT_ARG, &data, block.node);
    EndDialog(dialog, W32K_TAGSEL_ACCEPTED);
}

// The font the dialog manager gave the dialog (and its controls).
HFONT dialogFont(HWND dialog) noexcept
{
    return reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
}

// The list's lines take the height of the block's cells and of the dialog's
// font: WM_SETFONT came before the dialog knew its block.
void applyFont(HWND dialog, TagSelectBlock& block) noexcept
{
    HierDraw_DrawSetTextHeight(GetDlgItem(dialog, IDC_TAGSEL_LIST), dialogFont(dialog), &block.hierDraw);
}

INT_PTR onInitDialog(HWND dialog, LPARAM lParam)
{
    auto* block = reinterpret_cast<TagSelectBlock*>(lParam);
    w32k::setWindowData(dialog, lParam);
    if (block) {
        block->selectedTagId = ownerTagId(*block);
        applyFont(dialog, *block);
    }
    if (!block ||
        !InitTagListBox(dialog, GetDlgItem(dialog, IDC_TAGSEL_LIST), GetDlgItem(dialog, IDC_TAGSEL_NAME), block)) {
        EndDialog(dialog, W32K_TAGSEL_NOTHING);
        return TRUE;
    }
    addTreeKeys(GetDlgItem(dialog, IDC_TAGSEL_LIST));
    CenterDialogBox(dialog);
    return TRUE;
}

void onListNotification(HWND dialog, HWND list, int code, TagSelectBlock& block)
{
    const auto line = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
    if (line < 0)
        return;
    TagActionItem(dialog, list, GetDlgItem(dialog, IDC_TAGSEL_NAME), itemAt(list, line), line, IDOK,
                  &block.hierDraw, &block, code == LBN_DBLCLK);
}

INT_PTR onCommand(HWND dialog, WPARAM wParam, LPARAM lParam)
{
    auto* block = w32k::windowRecord<TagSelectBlock>(dialog);
    if (!block)
        return TRUE;
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (id == IDOK && code == BN_CLICKED)
        accept(dialog, *block);
    else if (id == IDCANCEL && code == BN_CLICKED)
        EndDialog(dialog, W32K_TAGSEL_CANCELLED);
    else if (id == IDC_TAGSEL_LIST && (code == LBN_SELCHANGE || code == LBN_DBLCLK))
        onListNotification(dialog, reinterpret_cast<HWND>(lParam), code, *block);
    return TRUE;
}

INT_PTR onDrawItem(HWND dialog, LPARAM lParam)
{
    if (auto* block = w32k::windowRecord<TagSelectBlock>(dialog))
        TagListDrawItem(dialog, &block->hierDraw, block, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    return TRUE;
}

// The list measures its lines while it is created, before WM_INITDIALOG
// brings the block: they are measured by the dialog's font then, and
// WM_INITDIALOG sets the height that the block's cells need as well.
INT_PTR onMeasureItem(HWND dialog, LPARAM lParam)
{
    auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    if (auto* block = w32k::windowRecord<TagSelectBlock>(dialog)) {
        HierDraw_OnMeasureItem(dialog, measure, &block->hierDraw);
        return TRUE;
    }
    HierDrawState fontOnly{};
    HierDraw_DrawSetTextHeight(nullptr, dialogFont(dialog), &fontOnly);
    HierDraw_OnMeasureItem(dialog, measure, &fontOnly);
    return TRUE;
}

// The dialog font, sent before WM_INITDIALOG, is applied there (applyFont);
// a font set later applies at once.
INT_PTR onSetFont(HWND dialog, WPARAM wParam)
{
    if (auto* block = w32k::windowRecord<TagSelectBlock>(dialog))
        HierDraw_DrawSetTextHeight(GetDlgItem(dialog, IDC_TAGSEL_LIST), reinterpret_cast<HFONT>(wParam),
                                   &block->hierDraw);
    return TRUE;
}

INT_PTR dispatch(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DRAWITEM:
        return onDrawItem(dialog, lParam);
    case WM_MEASUREITEM:
        return onMeasureItem(dialog, lParam);
    case WM_SETFONT:
        return onSetFont(dialog, wParam);
    case WM_INITDIALOG:
        return onInitDialog(dialog, lParam);
    case WM_COMMAND:
        return onCommand(dialog, wParam, lParam);
    default:
        return FALSE;
    }
}

} // namespace

extern "C" {

INT_PTR WINAPI ExecTagSelDlg(HWND parent, TagSelectBlock* block)
{
    if (!block || !block->tagOwner)
        return -1;
    PreInitTagList(w32k::moduleInstance(), &block->hierDraw);
    const INT_PTR result = DialogBoxParamA(w32k::moduleInstance(), W32K_DLG_TAG_SELECT, parent, TagSelProc,
                                           reinterpret_cast<LPARAM>(block));
    HierDraw_DrawCloseAll(&block->hierDraw);
    HierDraw_DrawTerm(&block->hierDraw);
    return result;
}

INT_PTR WINAPI TagSelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        return dispatch(dialog, message, wParam, lParam);
    } catch (...) {
        return TRUE; // no exception leaves the dialog; a failed step changes nothing more
    }
}

BOOL WINAPI PreInitTagList(HINSTANCE, HierDrawState* state)
{
    HierDraw_DrawInit(w32k::moduleInstance(), IDB_TAG_TREE, kCellRows, kCellColumns, TRUE, state, TRUE);
    return TRUE;
}

BOOL WINAPI InitTagListBox(HWND dialog, HWND listBox, HWND edit, TagSelectBlock* block)
{
    if (!block || !listBox)
        return FALSE;
    try {
        HierDraw_DrawCloseAll(&block->hierDraw);
        clearSelection(listBox);
        SendMessageA(listBox, LB_RESETCONTENT, 0, 0);
        fillTopLevel(dialog, listBox, edit, *block);
    } catch (...) {
        // what was listed stays
    }
    EnableWindow(listBox, TRUE);
    return lineCount(listBox) > 0 ? TRUE : FALSE;
}

void WINAPI TagActionItem(HWND dialog, HWND listBox, HWND edit, DWORD item, int line, int commandId,
                          HierDrawState* state, TagSelectBlock* block, BOOL toggle)
{
    if (!block || !listBox)
        return;
    HierDrawState& opened = state ? *state : block->hierDraw;
    try {
        if (!tagsel::isGroupItem(item)) {
            selectItem(listBox, edit, item, *block, false);
            if (toggle && commandId > 0)
                SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(commandId, 0),
                             reinterpret_cast<LPARAM>(GetDlgItem(dialog, commandId)));
        } else if (!toggle) {
            selectItem(listBox, edit, item, *block, true);
        } else if (HierDraw_IsOpened(&opened, item)) {
            collapse(listBox, item, line, opened);
        } else {
            expand(listBox, edit, item, line, opened, *block);
        }
    } catch (...) {
        // no exception leaves the library
    }
}

void WINAPI TagListDrawItem(HWND dialog, HierDrawState* state, TagSelectBlock* block, const DRAWITEMSTRUCT* draw)
{
    if (!draw || !state || draw->itemID == static_cast<UINT>(-1))
        return;
    try {
        const auto item = static_cast<DWORD>(draw->itemData);
        const int level = tagsel::levelOf(item);
        const int column = !tagsel::isGroupItem(item)      ? W32K_TAG_CELL_TAG
                           : HierDraw_IsOpened(state, item) ? W32K_TAG_CELL_OPENED_GROUP
                                                            : W32K_TAG_CELL_CLOSED_GROUP;
        char name[W32K_TAG_NAME_BUFFER] = "";
        if (block)
            readTag(*block, tagsel::idOf(item), name);
        DWORD mask = 0;
        if (!(draw->itemAction & (ODA_SELECT | ODA_FOCUS))) {
            const int count = lineCount(draw->hwndItem);
            mask = tagsel::connectionMask(level, [&](std::size_t k) {
                const auto line = static_cast<int>(draw->itemID + 1 + k);
                return line < count ? tagsel::levelOf(itemAt(draw->hwndItem, line)) : -1;
            });
        }
        HierDraw_OnDrawItem(dialog, draw, level, mask, name, 0, column, state);
    } catch (...) {
        // nothing drawn
    }
}

} // extern "C"
