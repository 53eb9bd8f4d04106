// The matrix (recipe) editor's dialog: StartMatrixEd and MatrixEdProc. The
// procedure opens the editor on working copies of the host's folders and
// hands every later message to one handler: cells and OK or Cancel to the
// editing session, selection, highlight and Refresh to the grid view, and
// paging, the recipe-name row, the clipboard viewer chain and closing here.
#include "dialogs/matrix_editor_grid.h"
#include "dialogs/matrix_editor_session.h"

#include "frame/dialog_helpers.h"
#include "frame/dialog_state.h"
#include "frame/message_box.h"
#include "frame/module.h"
#include "frame/raii.h"
#include "frame/window_data.h"
#include "matrix_editor_ids.h"
#include "resource.h"

#include <cstring>
#include <limits>

namespace w32k::matrix {

namespace {

constexpr const char* kTemplateName = "MATRIX_ED";

// What one open editor keeps besides the host's descriptor.
struct Editor {
    Editor(HWND dialog, MatrixDesc& desc) noexcept : session(dialog, desc) {}
    CaptionLibrary captions; // caption of the recipe-name refusal
    Session session;
    Brush highlight; // the descriptor's HighlightBrush
};
using EditorState = DialogState<Editor>;

// Title, RowCaption and SetCaption: NUL-terminated within their fields.
template <std::size_t Size>
void setCaptionText(HWND window, const char (&field)[Size]) noexcept
{
    char text[Size + 1] = {};
    std::memcpy(text, field, boundedLength(field, Size));
    SetWindowTextA(window, text);
}

// --- opening ---------------------------------------------------------------------

// The number of parameter sets the host keeps: 0 opens with 1, and a count
// that does not fit the signed 16-bit member opens with the largest valid one.
SHORT openingSetCount(WORD hostCount) noexcept
{
    if (hostCount == 0)
        return 1;
    if (hostCount > std::numeric_limits<SHORT>::max())
        return kMaxSetCount;
    return static_cast<SHORT>(hostCount);
}

bool usableDescriptor(const MatrixDesc* desc) noexcept
{
    return desc && desc->HostSetCount && (desc->RowCount <= 0 || desc->Rows);
}

void joinClipboardViewers(HWND dialog, MatrixDesc& desc) noexcept
{
    desc.NextViewer = nullptr;
    HWND next = SetClipboardViewer(dialog);
    desc.NextViewer = next;
}

// The editor opens on working copies of the host's folders; without them
// (or without memory for its state) it ends at once with 0.
bool openEditor(HWND dialog, MatrixDesc& desc) noexcept
{
    Editor* editor = EditorState::create(dialog, dialog, desc);
    if (!editor)
        return false;
    desc.SetCount = openingSetCount(*desc.HostSetCount);
    if (!editor->session.open())
        return false;
    desc.FirstRow = 0;
    desc.FirstSet = 0;
    setCaptionText(dialog, desc.Title);
    setCaptionText(GetDlgItem(dialog, IDC_MX_ROW_CAPTION), desc.RowCaption);
    setCaptionText(GetDlgItem(dialog, IDC_MX_SET_CAPTION), desc.SetCaption);
    desc.HighlightColour = GetSysColor(COLOR_HIGHLIGHT);
    editor->highlight.reset(CreateSolidBrush(desc.HighlightColour));
    desc.HighlightBrush = editor->highlight.get();
    desc.SelActive = 0;
    desc.SelRowFrom = desc.SelRowTo = desc.SelSetFrom = desc.SelSetTo = 0;
    setWindowData(dialog, reinterpret_cast<LONG_PTR>(&desc));
    joinClipboardViewers(dialog, desc);
    // The check box shows the stored flag once; from then on it holds the
    // user's choice until OK or Cancel, whatever the grid does.
    if (const auto multipage = editor->session.storedMultipage())
        setChecked(dialog, IDC_MX_MULTIPAGE, *multipage);
    refresh(dialog, desc);
    return true;
}

INT_PTR onInitDialog(HWND dialog, LPARAM descriptor) noexcept
{
    CenterDialogBox(dialog);
    auto* desc = reinterpret_cast<MatrixDesc*>(descriptor);
    if (!usableDescriptor(desc) || !openEditor(dialog, *desc))
        EndDialog(dialog, 0);
    return TRUE;
}

// --- paging ------------------------------------------------------------------------

INT_PTR onScroll(HWND dialog, MatrixDesc& desc, bool vertical, WPARAM wParam, HWND bar) noexcept
{
    // The cell being edited loses the focus and commits before the grid moves.
    SetFocus(bar ? bar : GetDlgItem(dialog, vertical ? IDC_MX_VSCROLL : IDC_MX_HSCROLL));
    const int code = LOWORD(wParam), thumb = HIWORD(wParam);
    const auto moved = vertical ? scrolledPosition(code, desc.FirstRow, thumb, kRowSlots, desc.RowCount)
                                : scrolledPosition(code, desc.FirstSet, thumb, kColumnSlots, desc.SetCount);
    if (!moved)
        return TRUE;
    (vertical ? desc.FirstRow : desc.FirstSet) = static_cast<SHORT>(*moved);
    refresh(dialog, desc);
    return TRUE;
}

// --- set count and recipe name ---------------------------------------------------------

INT_PTR onSpinStep(HWND dialog, MatrixDesc& desc, HWND spin, int step) noexcept
{
    if (spin != GetDlgItem(dialog, IDC_MX_SET_SPIN))
        return TRUE;
    Editor* editor = EditorState::of(dialog);
    if (!editor)
        return TRUE;
    char typed[kTextBufferSize] = {};
    GetDlgItemTextA(dialog, IDC_MX_SET_COUNT, typed, sizeof typed);
    editor->session.setSetCount(steppedSetCount(parseSignedNumber(typed), step));
    desc.FirstSet = static_cast<SHORT>(clampFirst(desc.FirstSet, kColumnSlots, desc.SetCount));
    refresh(dialog, desc);
    return TRUE;
}

void setAsRecipeName(HWND dialog, MatrixDesc& desc) noexcept
{
    if (desc.SelRowFrom != desc.SelRowTo)
        return;
    MatrixRow* candidate = rowAt(desc, desc.SelRowFrom);
    if (!candidate || !candidate->Field)
        return;
    if (candidate->Field->IsRecipeName == 1) {
        candidate->Field->IsRecipeName = 0;
    } else if (candidate->Field->FieldType != FIELD_TYPE_ASCII) {
        if (const Editor* editor = EditorState::of(dialog))
            showMessage(dialog, editor->captions, IDS_RECIPE_NAME_ASCII, MB_OK | MB_ICONINFORMATION);
        return;
    } else {
        for (int r = 0; r < desc.RowCount; ++r)
            if (desc.Rows[r].Field)
                desc.Rows[r].Field->IsRecipeName = 0;
        candidate->Field->IsRecipeName = 1;
    }
    refresh(dialog, desc);
}

// --- commands ------------------------------------------------------------------------

bool isSelectionButton(int id) noexcept
{
    return id >= IDC_MX_CORNER && id < IDC_MX_ROW_FIRST + kRowSlots;
}

void onCellNotification(HWND dialog, MatrixDesc& desc, int id, HWND cell, int code) noexcept
{
    if (code == EN_SETFOCUS) {
        selectFromCell(desc, id);
    } else if (code == EN_KILLFOCUS) {
        if (Editor* editor = EditorState::of(dialog))
            editor->session.commit(id, cell);
    }
}

// OK and Cancel first move the focus, so that the cell being edited commits
// (OK) or is left (Cancel; no control keeps it when the dialog is closed).
// A cell whose value could not be placed, or a multipage list without memory,
// keeps the editor open with nothing handed over: the user decides again.
void endEditing(HWND dialog, int id, HWND control) noexcept
{
    Editor* editor = EditorState::of(dialog);
    if (!editor)
        return;
    if (id == IDOK) {
        const int refused = editor->session.refusedCommits();
        SetFocus(GetDlgItem(dialog, IDOK));
        if (editor->session.refusedCommits() != refused)
            return;
        if (!editor->session.accept(isChecked(dialog, IDC_MX_MULTIPAGE))) {
            refusalBeep();
            return;
        }
    } else {
        SetFocus(control);
        editor->session.discard();
    }
    EndDialog(dialog, id == IDOK ? 1 : 0);
}

INT_PTR onCommand(HWND dialog, MatrixDesc& desc, int id, HWND control, int code) noexcept
{
    if (cellSlot(id)) {
        onCellNotification(dialog, desc, id, control, code);
        return TRUE;
    }
    if (isSelectionButton(id)) {
        selectByButton(dialog, desc, id);
        return TRUE;
    }
    switch (id) {
    case IDC_MX_SET_COUNT:
        if (code == EN_KILLFOCUS)
            SendMessageA(dialog, WM_SPINSTEP, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_MX_SET_SPIN)),
                         W32K_SPIN_NONE);
        break;
    case IDC_MX_RECIPE_NAME:
        setAsRecipeName(dialog, desc);
        break;
    case IDC_MX_CUT:
    case IDC_MX_COPY:
    case IDC_MX_PASTE:
        if (Editor* editor = EditorState::of(dialog))
            clipboardCommand(editor->session, id);
        break;
    case IDOK:
    case IDCANCEL:
        endEditing(dialog, id, control);
        break;
    default:
        break;
    }
    return TRUE;
}

// --- clipboard viewer chain ----------------------------------------------------------

INT_PTR onDrawClipboard(HWND dialog, MatrixDesc& desc) noexcept
{
    enableControl(dialog, IDC_MX_PASTE, IsClipboardFormatAvailable(CF_TEXT) != FALSE);
    if (desc.NextViewer)
        SendMessageA(desc.NextViewer, WM_DRAWCLIPBOARD, 0, 0);
    return TRUE;
}

INT_PTR onChangeClipboardChain(MatrixDesc& desc, WPARAM wParam, LPARAM lParam) noexcept
{
    const auto leaving = reinterpret_cast<HWND>(wParam);
    if (leaving == desc.NextViewer)
        desc.NextViewer = reinterpret_cast<HWND>(lParam);
    else if (desc.NextViewer)
        SendMessageA(desc.NextViewer, WM_CHANGECBCHAIN, wParam, lParam);
    return TRUE;
}

// --- closing -------------------------------------------------------------------------

INT_PTR onClose(HWND dialog) noexcept
{
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

// The working folders that neither OK nor Cancel took go with the state at
// WM_NCDESTROY; the brush goes now, as the descriptor's handle does.
INT_PTR onDestroy(HWND dialog, MatrixDesc& desc) noexcept
{
    ChangeClipboardChain(dialog, desc.NextViewer);
    desc.HighlightBrush = nullptr;
    if (Editor* editor = EditorState::of(dialog))
        editor->highlight.reset();
    return TRUE;
}

// The dialog's last message: its state ends.
INT_PTR onNcDestroy(HWND dialog) noexcept
{
    EditorState::destroy(dialog);
    return FALSE;
}

} // namespace

} // namespace w32k::matrix

extern "C" {

int WINAPI StartMatrixEd(HWND owner, LPARAM descriptor)
{
    return static_cast<int>(DialogBoxParamA(w32k::moduleInstance(), w32k::matrix::kTemplateName,
                                            owner, MatrixEdProc, descriptor));
}

INT_PTR WINAPI MatrixEdProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    using namespace w32k::matrix;
    if (message == WM_INITDIALOG)
        return onInitDialog(dialog, lParam);
    if (message == WM_NCDESTROY)
        return onNcDestroy(dialog);
    auto* desc = w32k::windowRecord<MatrixDesc>(dialog);
    if (!desc)
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        return onCommand(dialog, *desc, LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam));
    case WM_VSCROLL:
    case WM_HSCROLL:
        return onScroll(dialog, *desc, message == WM_VSCROLL, wParam, reinterpret_cast<HWND>(lParam));
    case WM_CTLCOLOREDIT:
        return highlightColours(*desc, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DRAWCLIPBOARD:
        return onDrawClipboard(dialog, *desc);
    case WM_CHANGECBCHAIN:
        return onChangeClipboardChain(*desc, wParam, lParam);
    case WM_SPINSTEP:
        return onSpinStep(dialog, *desc, reinterpret_cast<HWND>(wParam), w32k::spinDelta(lParam));
    case WM_CLOSE:
        return onClose(dialog);
    case WM_DESTROY:
        return onDestroy(dialog, *desc);
    default:
        return FALSE;
    }
}

} // extern "C"
