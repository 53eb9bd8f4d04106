// A recipe matrix as a host keeps it for the matrix editor: one parameter-set
// folder per row in the string store of a project block, what the tests
// compare before and after, and how a user drives the editor's controls.
#pragma once

#include <windows.h>

#include "resources/matrix_editor_ids.h"
#include "w32korutil1.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace w32ktest {

class HostRecipe {
public:
    // kinds: one letter per row, 'N' number (set s of row r holds r * 1000 + s),
    // 'T' text ("r<r>s<s>"), 'R' text marked as the recipe name; hostSets sets filled.
    HostRecipe(const std::string& kinds, int hostSets, WORD hostSetCount);
    ~HostRecipe();
    HostRecipe(const HostRecipe&) = delete;
    HostRecipe& operator=(const HostRecipe&) = delete;

    MatrixDesc desc{};
    WORD hostSetCount = 0;
    BYTE project[1024] = {};
    std::vector<ParSetFolder> folders;
    std::vector<FieldDesc> fields;
    std::vector<MatrixRow> rows;

    // Runs the editor with `script` inside its modal loop; StartMatrixEd's result.
    int edit(const std::function<void(HWND)>& script);
    void setHostText(int row, int set, const char* text); // null: string id 0
    std::vector<std::vector<BYTE>> snapshot() const; // every folder and entry block, byte for byte
    // Numbers in decimal, texts as they read, "<none>" when no run covers the set.
    std::string hostValue(int row, int set) { return valueAt(folders[row], set); }
    std::string workingValue(int row, int set) { return valueAt(rows[row].Folder, set); }
    std::vector<std::string> values(bool host = false); // row by row, up to the host's set count
    // Each text entry of the host's folders holds one reference; the store keeps no other id.
    void expectReferencesBalanced();
    MultipageRec* multipage() const; // the project's multipage list, if any
    std::vector<WORD> multipageIds() const;

private:
    std::string valueAt(ParSetFolder& folder, int set);
};

// The cell of grid slot (row slot, column slot), and the texts controls show.
inline int cellId(int rowSlot, int columnSlot) { return IDC_MX_CELL_FIRST + 10 * columnSlot + rowSlot; }
std::string controlText(HWND d, int id);
inline std::string cellText(HWND d, int rowSlot, int columnSlot) { return controlText(d, cellId(rowSlot, columnSlot)); }
// Types into a control and leaves it, as a user does: it commits on losing the focus.
void typeInto(HWND d, int id, const char* typed);
// WM_SPINSTEP from the set count's spin control (or from another control):
// 0 up, 1 down, 2 take the typed count.
void spin(HWND d, int code, int from = IDC_MX_SET_SPIN);
void scroll(HWND d, bool vertical, int code, int thumb = 0);
// A click with Shift held through real keyboard input, once the system's key state shows it.
void shiftClick(HWND d, int id);

// BN_CLICKED of one button, or of several in turn.
inline void click(HWND d, int id) { SendMessageA(d, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(d, id))); }
inline void click(HWND d, std::initializer_list<int> ids) { for (int id : ids) click(d, id); }
inline std::vector<int> selection(const MatrixDesc& d) { return {d.SelRowFrom, d.SelRowTo, d.SelSetFrom, d.SelSetTo}; }

// CF_TEXT on the clipboard: bytes as given (no NUL added); the text up to its NUL, "<none>" without text.
void putOnClipboard(const std::string& bytes);
inline void putTextOnClipboard(const std::string& text) { putOnClipboard(text + '\0'); }
void emptyClipboard();
std::string clipboardText();

} // namespace w32ktest
