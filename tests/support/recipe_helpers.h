// A recipe matrix as a host keeps it for the matrix editor: one parameter-set
// folder per row, filled through the library's folder exports and the string
// store of a project block, plus what the tests compare before and after.
#pragma once

#include <windows.h>

#include "w32korutil1.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace w32ktest {

class HostRecipe {
public:
    // kinds: one letter per row, 'N' number (set s of row r holds r * 1000 + s),
    // 'T' text ("r<r>s<s>"), 'R' text marked as the recipe name. hostSets sets
    // are filled; the host's set count is hostSetCount.
    HostRecipe(const std::string& kinds, int hostSets, WORD hostSetCount);
    ~HostRecipe();
    HostRecipe(const HostRecipe&) = delete;
    HostRecipe& operator=(const HostRecipe&) = delete;

    MatrixDesc desc{};
    WORD hostSetCount = 0;
    std::vector<BYTE> project = std::vector<BYTE>(1024);
    std::vector<ParSetFolder> folders;
    std::vector<FieldDesc> fields;
    std::vector<MatrixRow> rows;

    void* projectBlock() { return project.data(); }
    int run() { return StartMatrixEd(nullptr, reinterpret_cast<LPARAM>(&desc)); }
    // Runs the editor with `script` inside its modal loop; StartMatrixEd's result.
    int edit(const std::function<void(HWND)>& script);

    void setHostText(int row, int set, const char* text); // null: string id 0
    // Every folder's descriptor and entry block, byte for byte.
    std::vector<std::vector<BYTE>> snapshot() const;
    // (row, set) of the host's or the working folder: numbers in decimal,
    // texts as they read, "<none>" when no run covers the set.
    std::string hostValue(int row, int set) { return valueAt(folders[row], set); }
    std::string workingValue(int row, int set) { return valueAt(rows[row].Folder, set); }
    // Every value up to the host's set count, row by row.
    std::vector<std::string> values(bool host = false);
    // Each text entry of the host's folders holds one reference of its id,
    // and the store keeps no other id alive.
    void expectReferencesBalanced();

    // The recipe ids of the project's multipage list (none without one).
    MultipageRec* multipage() const;
    std::vector<WORD> multipageIds() const;

private:
    std::string valueAt(ParSetFolder& folder, int set);
};

// A click on a dialog button, as its BN_CLICKED notice; clicks on several in turn.
inline void click(HWND d, int id) { SendMessageA(d, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(d, id))); }
inline void click(HWND d, std::initializer_list<int> ids) { for (int id : ids) click(d, id); }
inline std::vector<int> selection(const MatrixDesc& d) { return {d.SelRowFrom, d.SelRowTo, d.SelSetFrom, d.SelSetTo}; }

// CF_TEXT on the clipboard: bytes as given (no NUL added); the text up to its
// NUL, "<none>" without text.
void putOnClipboard(const std::string& bytes);
inline void putTextOnClipboard(const std::string& text) { putOnClipboard(text + '\0'); }
void emptyClipboard();
std::string clipboardText();

} // namespace w32ktest
