// The matrix editor's Cut, Copy and Paste: the selection rectangle exchanged
// with other programs through the clipboard as CF_TEXT (the text itself is
// written and read in matrix_clipboard_core). Each command opens and closes
// the clipboard within itself and ends the highlight; the rectangle stays
// for the next command.
#include "dialogs/matrix_clipboard_core.h"
#include "dialogs/matrix_editor_grid.h"
#include "dialogs/matrix_editor_session.h"

#include "frame/raii.h"
#include "matrix_editor_ids.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

namespace w32k::matrix {

namespace {

constexpr UINT kClipboardBlockFlags = GMEM_MOVEABLE | GMEM_ZEROINIT;

// The rectangle's text as the edit's rows hold it.
std::string rectangleText(const RectangleEdit& cells, const Rect& rect)
{
    return clipboardText(rect.rowTo - rect.rowFrom + 1, rect.setTo - rect.setFrom + 1, [&](int i, int j) {
        char text[kTextBufferSize] = {};
        cells.text(rect.rowFrom + i, rect.setFrom + j, text);
        return std::string(text);
    });
}

// Replaces the content of the open clipboard by text. The block is filled
// before the clipboard is emptied, so a failed allocation or lock leaves the
// old content; the clipboard owns the block once it has taken it.
bool putText(const std::string& text) noexcept
{
    GlobalBlock block = GlobalBlock::allocate(text.size() + 1, kClipboardBlockFlags);
    if (!block)
        return false;
    {
        GlobalLockGuard<char> data(block.get());
        if (!data)
            return false;
        std::memcpy(data.get(), text.data(), text.size()); // the zero-filled block ends it with NUL
    }
    if (!EmptyClipboard() || !SetClipboardData(CF_TEXT, block.get()))
        return false;
    block.release();
    return true;
}

// Puts the text of the rectangle, as cells holds it, on the clipboard. False,
// with the clipboard as it was, when the text or its block cannot be made.
bool copyToClipboard(HWND dialog, const RectangleEdit& cells, const Rect& rect) noexcept
{
    ClipboardGuard clipboard(dialog);
    if (!clipboard)
        return false;
    try {
        return putText(rectangleText(cells, rect));
    } catch (...) { // no memory for the text
        return false;
    }
}

// Copy: the rectangle's text onto the clipboard. Every row is read before the
// text is made, so a cell that cannot be read is never copied as empty.
bool copyRectangle(Session& session) noexcept
{
    const Rect rect = selection(session.desc());
    const RectangleEdit cells(session.desc(), rect, false);
    return cells && copyToClipboard(session.dialog(), cells, rect);
}

// Cut: the rectangle's text onto the clipboard and the empty text into each
// of its cells, or, when any of that fails, nothing: no cell and no clipboard
// content is lost. False when nothing was cut.
bool cutRectangle(Session& session) noexcept
{
    MatrixDesc& desc = session.desc();
    const Rect rect = selection(desc);
    RectangleEdit cells(desc, rect);
    if (!cells)
        return false;
    for (int r = rect.rowFrom; r <= rect.rowTo; ++r)
        for (int s = rect.setFrom; s <= rect.setTo; ++s)
            if (!cells.stage(r, s, ""))
                return false;
    if (!copyToClipboard(session.dialog(), cells, rect))
        return false;
    cells.apply(session.dialog());
    return true;
}

// Paste: the clipboard's text into the rectangle, read only within its block
// (a text without NUL ends with the block); every cell or, when a value cannot
// be made, none. False when nothing was pasted.
bool pasteIntoRectangle(Session& session) noexcept
{
    ClipboardGuard clipboard(session.dialog());
    if (!clipboard)
        return true;
    HANDLE data = GetClipboardData(CF_TEXT);
    if (!data)
        return true;
    GlobalLockGuard<const char> text(data);
    if (!text)
        return true;
    MatrixDesc& desc = session.desc();
    const Rect rect = selection(desc);
    RectangleEdit cells(desc, rect);
    if (!cells)
        return false;
    bool staged = true;
    try {
        pasteText(std::string_view(text.get(), text.size()), rect, [&](int r, int s, std::string_view token) {
            char cell[kTextBufferSize] = {};
            token.copy(cell, kMaxTokenLength);
            staged = staged && cells.stage(r, s, cell);
        });
    } catch (...) { // pasteText allocates nothing itself; no exception leaves the command
        return false;
    }
    if (!staged)
        return false;
    cells.apply(session.dialog());
    return true;
}

} // namespace

void clipboardCommand(Session& session, int id) noexcept
{
    bool placed = true;
    switch (id) {
    case IDC_MX_CUT:
        placed = cutRectangle(session);
        break;
    case IDC_MX_COPY:
        copyRectangle(session);
        break;
    case IDC_MX_PASTE:
        placed = pasteIntoRectangle(session);
        break;
    default:
        return;
    }
    if (!placed)
        refusalBeep();
    endHighlight(session.dialog(), session.desc());
}

} // namespace w32k::matrix
