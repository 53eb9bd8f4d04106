// The records a host application keeps for the library, built as a host
// builds them from the public header: the project block with its string
// store and net nodes, parameter-set folders, recipe matrices, tag trees and
// CF_TEXT on the clipboard. The tests, the benchmark and the demo host share
// these builders.
#pragma once

#include <windows.h>

#include "w32korutil1.h"

#include <string>
#include <string_view>
#include <vector>

namespace w32khost {

// The host's project block. The string store is keyed by its address; the
// library reads the networked flag, the net-node folder and the multipage
// list at their offsets. Going, it deletes its net nodes and forgets its store.
class Project {
public:
    Project() = default;
    ~Project();
    Project(const Project&) = delete;
    Project& operator=(const Project&) = delete;

    void* data() { return block_; }
    BYTE* bytes() { return block_; }
    const BYTE* bytes() const { return block_; }
    // The id of text with one reference for the caller.
    WORD acquire(const char* text);
    // One more reference, or one less; FALSE when the store has no such id.
    BOOL addReference(WORD id);
    BOOL release(WORD id);
    // The text of id; "<no such id>" when the store has none.
    std::string text(WORD id);
    UINT references(WORD id);
    UINT liveTexts();

    NetNodeRecord* netNodes() { return reinterpret_cast<NetNodeRecord*>(block_ + W32K_PROJECT_NETNODE_FOLDER); }
    void setNetworked() { block_[W32K_PROJECT_NETWORKED] = 1; }
    // Registers node `number` whose first host bytes hold label.
    BOOL addNode(WORD number, const char* label);

private:
    alignas(8) BYTE block_[1024] = {};
};

// -- parameter-set folders -----------------------------------------------------

constexpr WORD kNumberFolder = 1; // a ValueKind of numbers (PARSET_KIND_TEXT: string ids)

// One run of sets with its value: a number, or a string id in a text folder.
struct Run {
    int first;
    int last;
    DWORD value;
    friend bool operator==(const Run&, const Run&) = default;
};

// A folder of exactly runs.size() entries. In a text folder each entry takes
// over one reference to its id from the caller.
ParSetFolder makeFolder(WORD kind, const std::vector<Run>& runs);
// The entries the block holds: at most EntryCount, at most what fits.
std::vector<ParSetEntry> entriesOf(const ParSetFolder& folder);
std::vector<Run> runsOf(const ParSetFolder& folder);

// -- recipe matrices ------------------------------------------------------------

// A recipe as a host keeps it for the matrix editor and ValidateParSets: one
// host folder, field and row per recipe field, the host's set count and the
// descriptor over them (signed decimal numbers, row names from rowNames).
class Recipe {
public:
    // kinds: one letter per row, 'N' numbers, 'T' texts, 'R' a text field
    // naming the recipe. The first filledSets sets of row r hold samples:
    // the number r * 1000 + s, the text "r<r>s<s>".
    Recipe(std::string_view kinds, int filledSets, WORD hostSetCount);
    ~Recipe();
    Recipe(const Recipe&) = delete;
    Recipe& operator=(const Recipe&) = delete;

    void place(int row, int set, DWORD number);
    void placeText(int row, int set, const char* text); // null: string id 0
    int open(HWND owner); // StartMatrixEd's result

    // Numbers in decimal, texts as they read, "<none>" where no run covers the set.
    std::string hostValue(int row, int set) { return valueIn(folders[row], set); }
    std::string workingValue(int row, int set) { return valueIn(rows[row].Folder, set); }
    // Row by row, every set below the host's count.
    std::vector<std::string> values(bool host = false);
    // Every host folder and its entry block, byte for byte.
    std::vector<std::vector<BYTE>> snapshot() const;
    MultipageRec* multipage() const;
    std::vector<WORD> multipageIds() const;

    Project project;
    WORD hostSetCount;
    std::vector<ParSetFolder> folders;
    std::vector<FieldDesc> fields;
    std::vector<MatrixRow> rows;
    std::vector<std::string> rowNames; // "Field <r>"
    MatrixDesc desc{};

private:
    std::string valueIn(ParSetFolder& folder, int set);
};

// -- tag trees ------------------------------------------------------------------

// The usual host comparison: two tags of one name and parent are the same
// tag when their node numbers agree.
int WINAPI sameNodeTag(const TagDataRecord* search, const TagDataRecord* candidate, const NetNodeRecord* node);

// A project's tag folder; going, it deletes the folder.
class TagTree {
public:
    explicit TagTree(Project& project, TagCompareProc compare = sameNodeTag) : project_(project), compare_(compare) {}
    ~TagTree();
    TagTree(const TagTree&) = delete;
    TagTree& operator=(const TagTree&) = delete;

    // AddTagElement's answer: the new or updated tag's id, 0 when refused.
    WORD add(const std::string& name, WORD parent = 0, bool group = false, WORD node = 0);
    WORD add(const std::string& name, WORD parent, int group, const TagDataRecord& data);

    TagFolderHeader folder{};

private:
    Project& project_;
    TagCompareProc compare_;
};

// -- the clipboard ----------------------------------------------------------------

// CF_TEXT of exactly these bytes (no NUL added); false when it could not be put.
bool putClipboardBytes(const std::string& bytes);
inline bool putClipboardText(const std::string& text) { return putClipboardBytes(text + '\0'); }
void emptyClipboard();
// CF_TEXT up to its NUL; "<none>" without text, "<no NUL>" when the block has none.
std::string clipboardText();

} // namespace w32khost
