// The password table dialog "PasswordDlg": up to eight passwords with their
// attributes and data-entry pages, and the project's logout timeout.
#include "dialogs/password_core.h"

#include "controls/edit_classes.h"
#include "frame/dialog_helpers.h"
#include "frame/dialog_state.h"
#include "frame/message_box.h"
#include "frame/module.h"
#include "frame/raii.h"
#include "frame/window_data.h"
#include "password_ids.h"
#include "util/number_list_core.h"
#include "resource.h"
#include "w32korutil1.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace w32k {

namespace {

namespace pw = password;

static_assert(sizeof(PasswordEntry) == sizeof(pw::Entry));
static_assert(offsetof(PasswordEntry, Attributes) == offsetof(pw::Entry, attributes));
static_assert(offsetof(PasswordEntry, FromPage) == offsetof(pw::Entry, fromPage));
static_assert(offsetof(PasswordEntry, ToPage) == offsetof(pw::Entry, toPage));
static_assert(offsetof(PasswordEntry, Reserved) == offsetof(pw::Entry, reserved));
static_assert(pw::kRows == PASSWORD_MAX_ENTRIES && pw::kLength == PASSWORD_LENGTH);

constexpr const char* kTemplate = "PasswordDlg";
constexpr int kTimeoutLeaveChars = 8;  // characters read when the timeout edit is left
constexpr int kTimeoutAcceptChars = 9; // characters read on OK
constexpr int kPageChars = 15;         // enough for any number the edits can take
constexpr UINT kBlockFlags = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr int kFirstBox = IDC_PWD_PART_CONF;
constexpr int kLastBox = IDC_PWD_PART_ALOGO;

// What one open password dialog keeps besides the host's block (which is in
// the window-data slot).
struct PasswordDialog {
    CaptionLibrary captions; // held while the dialog is open
};
using State = DialogState<PasswordDialog>;

int rowId(int row, int part) noexcept
{
    return IDC_PWD_ROW(row, part);
}

// ---- reading and writing controls -------------------------------------------

std::string itemText(HWND dialog, int id, int maxChars)
{
    std::string text(static_cast<size_t>(maxChars) + 1, '\0');
    const UINT length = GetDlgItemTextA(dialog, id, text.data(), maxChars + 1);
    text.resize(length);
    return text;
}

bool hasText(HWND dialog, int id) noexcept
{
    return GetWindowTextLengthA(GetDlgItem(dialog, id)) > 0;
}

// Switches the boxes and page edits of a row on or off; a row other than the
// System password's loses its attributes when switched off.
void setRowEnabled(HWND dialog, int row, bool on) noexcept
{
    for (int part = kFirstBox; part <= kLastBox; ++part) {
        enableControl(dialog, rowId(row, part), on);
        if (!on && row > 0)
            setChecked(dialog, rowId(row, part), false);
    }
    enableControl(dialog, rowId(row, IDC_PWD_PART_FROM), on);
    enableControl(dialog, rowId(row, IDC_PWD_PART_TO), on);
}

// Row 0: its attributes and pages are fixed; only "ALOGO" follows the text.
void updateSystemRow(HWND dialog) noexcept
{
    setRowEnabled(dialog, 0, false);
    enableControl(dialog, rowId(0, IDC_PWD_PART_ALOGO), hasText(dialog, rowId(0, IDC_PWD_PART_PASSWORD)));
}

void updateRow(HWND dialog, int row) noexcept
{
    if (row == 0)
        updateSystemRow(dialog);
    else
        setRowEnabled(dialog, row, hasText(dialog, rowId(row, IDC_PWD_PART_PASSWORD)));
}

void setPages(HWND dialog, int row, UINT from, UINT to) noexcept
{
    SetDlgItemInt(dialog, rowId(row, IDC_PWD_PART_FROM), from, FALSE);
    SetDlgItemInt(dialog, rowId(row, IDC_PWD_PART_TO), to, FALSE);
}

void setBoxes(HWND dialog, int row, std::uint8_t attributes) noexcept
{
    for (int part = kFirstBox; part <= kLastBox; ++part)
        setChecked(dialog, rowId(row, part), attributes & pw::kBoxAttributes[part - kFirstBox]);
}

std::uint8_t boxes(HWND dialog, int row) noexcept
{
    std::uint8_t bits = 0;
    for (int part = kFirstBox; part <= kLastBox; ++part)
        if (isChecked(dialog, rowId(row, part)))
            bits |= pw::kBoxAttributes[part - kFirstBox];
    return bits;
}

pw::Rows readRows(HWND dialog)
{
    pw::Rows rows;
    for (int k = 0; k < pw::kRows; ++k) {
        rows[k].password = itemText(dialog, rowId(k, IDC_PWD_PART_PASSWORD), pw::kLength);
        rows[k].fromPage = itemText(dialog, rowId(k, IDC_PWD_PART_FROM), kPageChars);
        rows[k].toPage = itemText(dialog, rowId(k, IDC_PWD_PART_TO), kPageChars);
        rows[k].boxes = boxes(dialog, k);
    }
    return rows;
}

// ---- the host's table ---------------------------------------------------------

bool usableBlock(const PasswordBlock* block) noexcept
{
    return block && block->PagesUsed && block->PasswordCount;
}

// The entries the table really holds: at most PasswordCount, and never more
// than the block's size allows; nullopt when the host's block cannot be read
// (or copied).
std::optional<std::vector<pw::Entry>> readTable(const PasswordBlock& block) noexcept
{
    if (!block.PasswordTable || *block.PasswordCount == 0)
        return std::vector<pw::Entry>();
    GlobalLockGuard<std::byte> table(block.PasswordTable);
    if (!table)
        return std::nullopt;
    try {
        return pw::heldEntries(table.get(), table.size(), *block.PasswordCount);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

// The new table, complete, in a block of its own (none for no entries);
// nullopt when that block cannot be had.
std::optional<GlobalBlock> tableBlock(const std::vector<pw::Entry>& entries) noexcept
{
    if (entries.empty())
        return GlobalBlock();
    const SIZE_T bytes = entries.size() * sizeof(pw::Entry);
    GlobalBlock fresh = GlobalBlock::allocate(bytes, kBlockFlags);
    GlobalLockGuard<pw::Entry> data(fresh.get());
    if (!data)
        return std::nullopt; // the fresh block is freed by its owner
    std::memcpy(data.get(), entries.data(), bytes);
    return fresh;
}

// Replaces the host's table with `entries`, all or nothing: the new table is
// made complete in a fresh block before the host's block is let go, so on
// failure the handle, the block and the count stay as they were.
bool writeTable(PasswordBlock& block, const std::vector<pw::Entry>& entries) noexcept
{
    std::optional<GlobalBlock> table = tableBlock(entries);
    if (!table)
        return false;
    const GlobalBlock old(std::exchange(block.PasswordTable, table->release()));
    *block.PasswordCount = static_cast<BYTE>(entries.size());
    return true;
}

// ---- messages to the user -----------------------------------------------------

void tellUser(HWND dialog, int message) noexcept
{
    SendMessageA(dialog, WM_PWDERROR, static_cast<WPARAM>(message), 0);
}

void showError(HWND dialog, UINT message) noexcept
{
    MessageBeep(0);
    if (const PasswordDialog* state = State::of(dialog)) {
        showMessage(dialog, state->captions, message, MB_OK | MB_ICONSTOP);
    } else {
        const CaptionLibrary captions; // told before opening or after closing
        showMessage(dialog, captions, message, MB_OK | MB_ICONSTOP);
    }
}

// ---- opening --------------------------------------------------------------------

bool isAutoCheckBox(HWND control) noexcept
{
    char cls[16] = {};
    GetClassNameA(control, cls, sizeof cls);
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(control, GWL_STYLE));
    return lstrcmpiA(cls, "Button") == 0 && (style & BS_TYPEMASK) == BS_AUTOCHECKBOX;
}

void drawFocusAroundCheckBoxes(HWND dialog) noexcept
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (isAutoCheckBox(child))
            subclassAsCheckBoxOnly(child);
}

// The row edits are narrow (21 dialog units for four digits): with the font's
// own margins a wide font scrolls the first digit out of sight, so the text
// gets a margin of one pixel on either side.
void fitDigitsIntoRowEdits(HWND dialog) noexcept
{
    constexpr WORD kMargin = 1;
    for (int k = 0; k < pw::kRows; ++k)
        for (int part : {IDC_PWD_PART_PASSWORD, IDC_PWD_PART_FROM, IDC_PWD_PART_TO})
            SendDlgItemMessageA(dialog, rowId(k, part), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                                MAKELPARAM(kMargin, kMargin));
}

void showDefaults(HWND dialog, UINT lastPage) noexcept
{
    fitDigitsIntoRowEdits(dialog);
    for (int k = 0; k < pw::kRows; ++k) {
        SendDlgItemMessageA(dialog, rowId(k, IDC_PWD_PART_PASSWORD), EM_LIMITTEXT, pw::kLength, 0);
        setPages(dialog, k, 1, lastPage);
    }
    setBoxes(dialog, 0, pw::kSystemAttributes); // a new System password's attributes
}

// Entry k in row k. The boxes show the entry's attributes, the System
// password's too (whose pages stay all pages); a later row without a
// password keeps the defaults.
void showEntry(HWND dialog, int row, const pw::Entry& entry)
{
    const std::string password = pw::entryPassword(entry);
    SetDlgItemTextA(dialog, rowId(row, IDC_PWD_PART_PASSWORD), password.c_str());
    if (row == 0) {
        setBoxes(dialog, 0, entry.attributes);
        return;
    }
    if (password.empty())
        return;
    setPages(dialog, row, entry.fromPage, entry.toPage);
    setBoxes(dialog, row, entry.attributes);
}

// Refuses the dialog (it ends with 0 before it is shown).
BOOL refuseToOpen(HWND dialog) noexcept
{
    EndDialog(dialog, 0);
    return TRUE;
}

BOOL onInitDialog(HWND dialog, LPARAM lParam)
{
    auto* block = reinterpret_cast<PasswordBlock*>(lParam);
    if (!usableBlock(block))
        return refuseToOpen(dialog);
    // A table that cannot be read is not shown as an empty one (OK would
    // then replace it).
    const std::optional<std::vector<pw::Entry>> entries = readTable(*block);
    if (!entries || !State::create(dialog))
        return refuseToOpen(dialog);
    setWindowData(dialog, lParam);
    drawFocusAroundCheckBoxes(dialog);
    showDefaults(dialog, pw::lastPage(*block->PagesUsed));
    for (size_t k = 0; k < entries->size() && k < static_cast<size_t>(pw::kRows); ++k)
        showEntry(dialog, static_cast<int>(k), (*entries)[k]);
    for (int k = 0; k < pw::kRows; ++k)
        updateRow(dialog, k);
    SetDlgItemInt(dialog, IDC_PWD_TIMEOUT, block->LogoutTimeout, FALSE);
    CenterDialogBox(dialog);
    return TRUE;
}

// ---- commands ---------------------------------------------------------------------

// "ALOGI" of row r was checked: no other row may keep it, nor row r "ALOGO".
void keepOneAutoLogin(HWND dialog, int checkedRow) noexcept
{
    std::optional<int> conflict;
    for (int k = 1; k < pw::kRows; ++k) {
        if (k != checkedRow && isChecked(dialog, rowId(k, IDC_PWD_PART_ALOGI))) {
            setChecked(dialog, rowId(k, IDC_PWD_PART_ALOGI), false);
            conflict = pw::OneLogin;
        } else if (k == checkedRow && isChecked(dialog, rowId(k, IDC_PWD_PART_ALOGO))) {
            setChecked(dialog, rowId(k, IDC_PWD_PART_ALOGO), false);
            conflict = pw::LoginAndLogout;
        }
    }
    if (conflict)
        tellUser(dialog, *conflict);
}

// "ALOGO" of row r was checked: automatic login of the same row goes.
void refuseLoginAndLogout(HWND dialog, int row) noexcept
{
    if (!isChecked(dialog, rowId(row, IDC_PWD_PART_ALOGI)))
        return;
    setChecked(dialog, rowId(row, IDC_PWD_PART_ALOGI), false);
    tellUser(dialog, pw::LoginAndLogout);
}

void onTimeoutLeft(HWND dialog)
{
    const long typed = w32k::core::leadingDecimal(itemText(dialog, IDC_PWD_TIMEOUT, kTimeoutLeaveChars));
    SetDlgItemInt(dialog, IDC_PWD_TIMEOUT, static_cast<UINT>(pw::timeoutOnLeave(typed)), FALSE);
}

void onAccept(HWND dialog, PasswordBlock& block)
{
    const std::uint16_t timeout =
        pw::timeoutOnAccept(itemText(dialog, IDC_PWD_TIMEOUT, kTimeoutAcceptChars));
    block.LogoutTimeout = timeout;
    SetDlgItemInt(dialog, IDC_PWD_TIMEOUT, timeout, FALSE);

    const pw::Rows rows = readRows(dialog);
    const std::vector<int> failed = pw::checkRows(rows, *block.PagesUsed);
    for (int message : failed)
        tellUser(dialog, message);
    if (!failed.empty())
        return;
    const std::optional<std::vector<pw::Entry>> old = readTable(block);
    if (!old || !writeTable(block, pw::rebuildTable(*old, rows, *block.PagesUsed))) {
        tellUser(dialog, IDS_PWD_NO_MEMORY);
        return;
    }
    EndDialog(dialog, 1);
}

void onOk(HWND dialog) noexcept
{
    PasswordBlock* block = windowRecord<PasswordBlock>(dialog);
    if (!block)
        return;
    try {
        onAccept(dialog, *block);
    } catch (...) {
        tellUser(dialog, IDS_PWD_NO_MEMORY);
    }
}

// Which row's control an id is, and which part of the row; nullopt outside the rows.
struct RowPart {
    int row;
    int part;
};
std::optional<RowPart> rowPart(int id) noexcept
{
    const int offset = id - IDC_PWD_FIRST_ROW;
    if (offset < 0 || offset >= pw::kRows * IDC_PWD_ROW_STEP)
        return std::nullopt;
    return RowPart{offset / IDC_PWD_ROW_STEP, offset % IDC_PWD_ROW_STEP};
}

void onRowCommand(HWND dialog, RowPart control, int code) noexcept
{
    if (control.part == IDC_PWD_PART_PASSWORD && code == EN_UPDATE)
        updateRow(dialog, control.row);
    else if (control.row == 0 || code != BN_CLICKED)
        return;
    else if (control.part == IDC_PWD_PART_ALOGI && isChecked(dialog, rowId(control.row, control.part)))
        keepOneAutoLogin(dialog, control.row);
    else if (control.part == IDC_PWD_PART_ALOGO && isChecked(dialog, rowId(control.row, control.part)))
        refuseLoginAndLogout(dialog, control.row);
}

BOOL onCommand(HWND dialog, int id, int code)
{
    if (!windowRecord<PasswordBlock>(dialog))
        return TRUE;
    if (const auto control = rowPart(id))
        onRowCommand(dialog, *control, code);
    else if (id == IDC_PWD_TIMEOUT && code == EN_KILLFOCUS)
        onTimeoutLeft(dialog);
    else if (id == IDOK && code == BN_CLICKED)
        onOk(dialog);
    else if (id == IDCANCEL && code == BN_CLICKED)
        EndDialog(dialog, 0);
    return TRUE;
}

INT_PTR dispatch(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog, lParam);
    case WM_COMMAND:
        return onCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_PWDERROR:
        showError(dialog, static_cast<UINT>(wParam));
        return TRUE;
    case WM_NCDESTROY:
        State::destroy(dialog);
        return FALSE;
    default:
        return FALSE;
    }
}

// The messages the dialog procedure answers itself.
BOOL handles(UINT message) noexcept
{
    return message == WM_INITDIALOG || message == WM_COMMAND || message == WM_PWDERROR;
}

} // namespace

} // namespace w32k

extern "C" {

int WINAPI StartPasswordDlg(HWND owner, LPARAM block)
{
    return static_cast<int>(
        DialogBoxParamA(w32k::moduleInstance(), w32k::kTemplate, owner, PasswordProc, block));
}

INT_PTR WINAPI PasswordProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        return w32k::dispatch(dialog, message, wParam, lParam);
    } catch (...) {
        // Only a failed allocation of a few bytes can get here; no exception
        // leaves the dialog procedure.
        return w32k::handles(message);
    }
}

} // extern "C"
