// The matrix editor's Cut, Copy and Paste: the selection rectangle exchanged
// with other programs through the clipboard as CF_TEXT (the text itself is
// written and read in matrix_clipboard_core). Each command opens and closes
// the clipboard within itself and ends with Finish: the highlight goes, the
// rectangle stays for the next command.
#include "dialogs/matrix_clipboard_core.h"
#include "dialogs/matrix_editor.h"

#include "frame/raii.h"
#include "frame/string_store.h"
#include "matrix_editor_ids.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

namespace w32k::matrix {

namespace {

constexpr UINT kClipboardBlockFlags = GMEM_MOVEABLE | GMEM_ZEROINIT;

// The display text of (r, s): FormatValue's text for a number, the stored
// text for a text, and empty for string id 0 or an index the folder lacks.
std::string cellText(MatrixDesc& desc, int r, int s)
{
    MatrixRow* row = rowAt(desc, r);
    DWORD value = 0;
    if (!row || !ExpGetValueFromFolder(&row->Folder, s, &value, desc.Project))
        return {};
    char text[kTextBufferSize] = {};
    if (isNumericRow(*row)) {
        if (!desc.FormatValue)
            return {};
        desc.FormatValue(row, value, text);
        text[kTextBufferSize - 1] = '\0';
    } else if (const auto id = static_cast<strings::StringId>(value)) {
        strings::read(id, desc.Project, text, kStoreReadSize);
    }
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
bool copyRectangle(HWND dialog, MatrixDesc& desc) noexcept
{
    ClipboardGuard clipboard(dialog);
    if (!clipboard)
        return false;
    try {
        return putText(rectangleText(desc, selection(desc)));
    } catch (...) { // no memory for the text: the clipboard keeps what it had
        return false;
    }
}

// Cut: the empty text into every cell of the rectangle, row by row, but
// only once its copy is on the clipboard: otherwise nothing is lost.
void cutRectangle(HWND dialog, MatrixDesc& desc) noexcept
{
    if (!copyRectangle(dialog, desc))
        return;
    const Rect rect = selection(desc);
    const int lastRow = std::min<int>(rect.rowTo, desc.RowCount - 1);
    const int lastSet = std::min<int>(rect.setTo, desc.SetCount - 1);
    for (int r = std::max(rect.rowFrom, 0); r <= lastRow; ++r)
        for (int s = std::max(rect.setFrom, 0); s <= lastSet; ++s)
            placeText(dialog, desc, r, s, "", nullptr);
}

// Paste: the clipboard's text into the rectangle, read only within its block
// (a text without NUL ends with the block).
void pasteIntoRectangle(HWND dialog, MatrixDesc& desc) noexcept
{
    ClipboardGuard clipboard(dialog);
    if (!clipboard)
        return;
    HANDLE data = GetClipboardData(CF_TEXT);
    if (!data)
        return;
    GlobalLockGuard<const char> text(data);
    if (!text)
        return;
    try {
        pasteText(std::string_view(text.get(), text.size()), selection(desc),
                  [&](int r, int s, std::string_view token) {
                      char cell[kTextBufferSize] = {};
                      token.copy(cell, kMaxTokenLength);
                      placeText(dialog, desc, r, s, cell, nullptr);
                  });
    } catch (...) { // pasteText allocates nothing itself; no exception leaves the command
    }
}

// The highlight goes while the rectangle stays for the next command.
void finish(HWND dialog, MatrixDesc& desc) noexcept
{
    invalidateCells(dialog, desc, selection(desc));
    desc.SelActive = 0;
}

} // namespace

void onClipboardCommand(HWND dialog, MatrixDesc& desc, int id) noexcept
{
    switch (id) {
    case IDC_MX_CUT:
        cutRectangle(dialog, desc);
        break;
    case IDC_MX_COPY:
        copyRectangle(dialog, desc);
        break;
    case IDC_MX_PASTE:
        pasteIntoRectangle(dialog, desc);
        break;
    default:
        return;
    }
    finish(dialog, desc);
}

} // namespace w32k::matrix
