// The matrix (recipe) editor's editing session: the working copies of the
// host's folders, the typed and pasted texts placed into them, the number of
// parameter sets, and what OK and Cancel do with them: OK hands the folders,
// the set count and the multipage list to the host, Cancel deletes the copies.
#pragma once

#include <windows.h>

#include "data/parameter_folder.h"
#include "dialogs/matrix_editor_core.h"
#include "w32korutil1.h"

#include <memory>
#include <optional>
#include <vector>

namespace w32k::matrix {

class Session {
public:
    Session(HWND dialog, MatrixDesc& desc) noexcept : dialog_(dialog), desc_(desc) {}
    // Deletes the working folders that neither OK nor Cancel took.
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    HWND dialog() const noexcept { return dialog_; }
    MatrixDesc& desc() const noexcept { return desc_; }

    // Copies every host folder into its row's working folder and brings them
    // to the set count. False, with no copy left, when one cannot be made.
    bool open() noexcept;
    // Places text into (row, set) of the working folders and shows in cell (or
    // in the visible cell of (row, set) when cell is null) what the folder
    // holds then. False when the folder could not take the value: it keeps
    // the value it had, and the cell shows that.
    bool place(int row, int set, const char* text, HWND cell) noexcept;
    // A cell lost the focus: its text, when the user edited it, is placed; a
    // refusal beeps and counts.
    void commit(int cellId, HWND cell) noexcept;
    // Commits refused so far: OK does not end the editor on a refused cell.
    int refusedCommits() const noexcept { return refusedCommits_; }
    // Brings every working folder to count parameter sets (1..255).
    void setSetCount(int count) noexcept;
    // Whether the recipe stands in the project's multipage list; none when
    // the project has no list.
    std::optional<bool> storedMultipage() const noexcept;
    // OK: the host gets the set count, the working folders and the recipe's
    // place in the multipage list. False, with nothing changed, when the
    // list's blocks cannot be allocated.
    bool accept(bool multipage) noexcept;
    // Cancel: the working folders go; the host's data stays as it was.
    void discard() noexcept;

private:
    void deleteWorkingFolders() noexcept;

    HWND dialog_;
    MatrixDesc& desc_;
    int workingRows_ = 0; // rows whose working folder is live
    int refusedCommits_ = 0;
};

// An edit of many cells of the working folders, made whole before any folder
// changes: construction readies the rectangle's rows for a placement in each
// of its cells (folders::HeldFolder), stage() makes each value (a text's
// reference too), and apply() places them all, which cannot fail. An edit
// destroyed unapplied changes nothing and gives back what it made. Cells
// outside the matrix are left out.
class RectangleEdit {
public:
    // placing: false for an edit that only reads the rectangle (no memory
    // is taken for placements then, and stage() refuses).
    RectangleEdit(MatrixDesc& desc, const Rect& rect, bool placing = true) noexcept;
    ~RectangleEdit();
    RectangleEdit(const RectangleEdit&) = delete;
    RectangleEdit& operator=(const RectangleEdit&) = delete;

    // False when the memory for the edit is missing: nothing was changed.
    explicit operator bool() const noexcept { return ready_; }
    // Writes into text (kTextBufferSize bytes) what cell (row, set) shows as
    // the folders hold it before apply(); empty for a value that is missing.
    void text(int row, int set, char* text) const noexcept;
    // Readies typed text for (row, set). False when the string store cannot
    // take the text; true, with nothing to place, when no value converts it.
    bool stage(int row, int set, const char* typed) noexcept;
    // Places every staged value, stores the rows' folders and shows in the
    // dialog's visible cells of the rectangle what the rows hold then (read
    // from memory: no cell shows empty for want of a lock).
    void apply(HWND dialog) noexcept;

private:
    struct Staged {
        int row, set;
        DWORD value;
    };
    folders::HeldFolder* held(int row) const noexcept;
    // Drops the reference a staged text value holds.
    void giveBack(int row, DWORD value) const noexcept;
    void show(HWND dialog, int row, const folders::PlacementBatch& batch) const noexcept;

    MatrixDesc& desc_;
    Rect cells_; // the rectangle within the matrix
    std::unique_ptr<std::optional<folders::HeldFolder>[]> rows_;
    std::vector<folders::Entry> work_;
    std::vector<Staged> staged_; // in the order of the rows
    bool ready_ = false;
};

// Cut, Copy and Paste of the selection rectangle, each followed by the end
// of the highlight.
void clipboardCommand(Session& session, int id) noexcept;

// The sound of a value that the working folders could not take.
inline void refusalBeep() noexcept
{
    MessageBeep(MB_OK);
}

} // namespace w32k::matrix
