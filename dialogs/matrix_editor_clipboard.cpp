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

// The display text of (r, s); empty for an index the folder lacks.
std::string cellText(MatrixDesc& desc, int r, int s)
{
    char text[kTextBufferSize] = {};
    if (MatrixRow* row = rowAt(desc, r))
        displayText(desc, *row, s, text);
    return text;
}

std::string rectangleText(MatrixDesc& desc, const Rect& rect)
{
    return clipboardText(rect.rowTo - rect.rowFrom + 1, rect.setTo - rect.setFrom + 1,
                         [&](int i, int j) { return cellText(desc, rect.rowFrom + i, rect.setFrom + j); });
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

// Copy: the rectangle's text onto the clipboard. True when it got there.
bool copyRectangle(Session& session) noexcept
{
    ClipboardGuard clipboard(session.dialog());
    if (!clipboard)
        return false;
    try {
        return putText(rectangleText(session.desc(), selection(session.desc())));
    } catch (...) { // no memory for the text: the clipboard keeps what it had
        return false;
    }
}

// Cut: the empty text into every cell of the rectangle, row by row, but
// only once its copy is on the clipboard: otherwise nothing is lost.
// False when a cell kept its value.
bool cutRectangle(Session& session) noexcept
{
    if (!copyRectangle(session))
        return true;
    const MatrixDesc& desc = session.desc();
    const Rect rect = selection(desc);
    const int lastRow = std::min<int>(rect.rowTo, desc.RowCount - 1);
    const int lastSet = std::min<int>(rect.setTo, desc.SetCount - 1);
    bool placed = true;
    for (int r = std::max(rect.rowFrom, 0); r <= lastRow; ++r)
        for (int s = std::max(rect.setFrom, 0); s <= lastSet; ++s)
            placed = session.place(r, s, "", nullptr) && placed;
    return placed;
}

// Paste: the clipboard's text into the rectangle, read only within its block
// (a text without NUL ends with the block). False when a cell kept its value.
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
    bool placed = true;
    try {
        pasteText(std::string_view(text.get(), text.size()), selection(session.desc()),
                  [&](int r, int s, std::string_view token) {
                      char cell[kTextBufferSize] = {};
                      token.copy(cell, kMaxTokenLength);
                      placed = session.place(r, s, cell, nullptr) && placed;
                  });
    } catch (...) { // pasteText allocates nothing itself; no exception leaves the command
    }
    return placed;
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
