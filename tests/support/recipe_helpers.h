// The matrix editor as a user drives it, on a recipe the shared builder
// (host/w32khost.h) makes as a host keeps it.
#pragma once

#include <windows.h>

#include "resources/matrix_editor_ids.h"
#include "w32khost.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace w32ktest {

using w32khost::clipboardText;
using w32khost::emptyClipboard;
// CF_TEXT of exactly these bytes (no NUL added), or of a text and its NUL.
inline void putOnClipboard(const std::string& bytes) { EXPECT_TRUE(w32khost::putClipboardBytes(bytes)); }
inline void putTextOnClipboard(const std::string& text) { putOnClipboard(text + '\0'); }

class HostRecipe : public w32khost::Recipe {
public:
    using Recipe::Recipe;
    // Runs the editor with `script` inside its modal loop; StartMatrixEd's result.
    int edit(const std::function<void(HWND)>& script);
    // Each text entry of the host's folders holds one reference; the store keeps no other id.
    void expectReferencesBalanced();
};

// The cell of grid slot (row slot, column slot), and the texts controls show.
inline int cellId(int rowSlot, int columnSlot) { return IDC_MX_CELL_FIRST + 10 * columnSlot + rowSlot; }
std::string controlText(HWND d, int id);
inline std::string cellText(HWND d, int rowSlot, int columnSlot)
{
    return controlText(d, cellId(rowSlot, columnSlot));
}
// Types into a control as a user does (the edit marked as changed), leaving the focus in it.
void typeText(HWND d, int id, const char* typed);
// Types into a control and leaves it: it commits on losing the focus.
void typeInto(HWND d, int id, const char* typed);
// WM_SPINSTEP with a W32K_SPIN_ code from the set count's spin control (or
// from another control).
void spin(HWND d, int code, int from = IDC_MX_SET_SPIN);
void scroll(HWND d, bool vertical, int code, int thumb = 0);
// A click with Shift held through real keyboard input, once the system's key state shows it.
void shiftClick(HWND d, int id);

// BN_CLICKED of one button, or of several in turn.
inline void click(HWND d, int id)
{
    SendMessageA(d, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(d, id)));
}
inline void click(HWND d, std::initializer_list<int> ids) { for (int id : ids) click(d, id); }
inline std::vector<int> selection(const MatrixDesc& d)
{
    return {d.SelRowFrom, d.SelRowTo, d.SelSetFrom, d.SelSetTo};
}

} // namespace w32ktest
