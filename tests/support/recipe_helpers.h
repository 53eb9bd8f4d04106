// A recipe matrix as a host keeps it for the matrix editor: a project block,
// one parameter-set folder per field, field descriptors, row records and the
// matrix descriptor, filled through the library's folder exports and the
// string store, plus snapshots to compare the host's data before and after.
#pragma once

#include <windows.h>

#include "w32korutil1.h"

#include <cstdint>
#include <string>
#include <vector>

namespace w32ktest {

// What a row of a test recipe is.
enum class RowKind : char {
    Number = 'N',     // numeric row; set s of row r holds r * 1000 + s
    Text = 'T',       // ASCII text row; set s of row r holds "r<r>s<s>"
    RecipeName = 'R', // ASCII text row marked as the recipe name
};

constexpr std::size_t kProjectBlockSize = 1024;

// The host's copy of one folder: its descriptor and its entries, byte for byte.
struct FolderSnapshot {
    std::vector<BYTE> descriptor;
    std::vector<BYTE> entries;
    friend bool operator==(const FolderSnapshot&, const FolderSnapshot&) = default;
};

class HostRecipe {
public:
    // kinds: one letter of RowKind per row. hostSets parameter sets are filled;
    // the host's set count is hostSetCount.
    HostRecipe(const std::string& kinds, int hostSets, WORD hostSetCount);
    ~HostRecipe();
    HostRecipe(const HostRecipe&) = delete;
    HostRecipe& operator=(const HostRecipe&) = delete;

    MatrixDesc desc{};
    WORD hostSetCount = 0;
    std::vector<BYTE> project = std::vector<BYTE>(kProjectBlockSize);
    std::vector<ParSetFolder> folders;
    std::vector<FieldDesc> fields;
    std::vector<MatrixRow> rows;

    void* projectBlock() { return project.data(); }
    int run(HWND owner = nullptr) { return StartMatrixEd(owner, reinterpret_cast<LPARAM>(&desc)); }

    // Host data.
    void setHostNumber(int row, int set, DWORD value);
    void setHostText(int row, int set, const char* text);
    std::vector<FolderSnapshot> snapshot() const;
    // Value of (row, set) in the host's folder or in the working folder;
    // numbers as decimal, texts as their text, "<none>" when not covered.
    std::string hostValue(int row, int set);
    std::string workingValue(int row, int set);

    // The multipage list at offset 934 of the project block.
    MultipageRec* multipage() const;
    void setMultipage(MultipageRec* record);
    std::vector<WORD> multipageIds() const;
    // Frees a multipage list made by the host or the editor.
    void freeMultipage();

    // The names the host's GetRowName writes ("Field <r>").
    static std::string rowName(int row);
    // Texts and numbers as the recipe starts with them.
    static std::string initialText(int row, int set);
    static DWORD initialNumber(int row, int set);

private:
    std::string valueIn(ParSetFolder& folder);
    std::string valueAt(ParSetFolder& folder, int set);
};

// Live string ids and reference counts of a project, for balance checks.
UINT liveIds(void* project);
UINT references(WORD id, void* project);

} // namespace w32ktest
