// The shared recipe builder (host/w32khost.h) as the matrix editor tests use
// it: the editor run with a script inside its modal loop, the references
// checked, the clipboard filled and read.
#pragma once

#include <gtest/gtest.h>

#include "w32khost.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace w32ktest {

class HostRecipe : public w32khost::Recipe {
public:
    using Recipe::Recipe;
    // Runs the editor with `script` inside its modal loop; StartMatrixEd's result.
    int edit(const std::function<void(HWND)>& script);
    void setHostText(int row, int set, const char* text) { placeText(row, set, text); }
    // Each text entry of the host's folders holds one reference; the store keeps no other id.
    void expectReferencesBalanced();

    BYTE* const project = Recipe::project.bytes(); // the project block, as the tests name it
};

// BN_CLICKED of one button, or of several in turn.
inline void click(HWND d, int id) { SendMessageA(d, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(d, id))); }
inline void click(HWND d, std::initializer_list<int> ids) { for (int id : ids) click(d, id); }
inline std::vector<int> selection(const MatrixDesc& d) { return {d.SelRowFrom, d.SelRowTo, d.SelSetFrom, d.SelSetTo}; }

// CF_TEXT on the clipboard: bytes as given (no NUL added), or a text and its NUL.
inline void putOnClipboard(const std::string& bytes) { ASSERT_TRUE(w32khost::putClipboardBytes(bytes)); }
inline void putTextOnClipboard(const std::string& text) { ASSERT_TRUE(w32khost::putClipboardText(text)); }
using w32khost::clipboardText;
using w32khost::emptyClipboard;

} // namespace w32ktest
