// The matrix (recipe) editor's parts, shared by its dialog procedure
// (opening, Refresh, paging, clipboard viewer chain) and its command side
// (cells, selection, set count, recipe name, OK and Cancel).
#pragma once

#include <windows.h>

#include "dialogs/matrix_editor_core.h"
#include "w32korutil1.h"

namespace w32k::matrix {

constexpr std::size_t kTextBufferSize = 256; // cell texts, row names, messages
constexpr WORD kStoreReadSize = kTextBufferSize - 1;

// Library-wide state of the one open editor.
struct Session {
    HMODULE resourceLibrary = nullptr; // caption of the editor's message box
    int workingRows = 0;               // rows whose working folder is live
};
Session& session() noexcept;

// The row record of row r, null outside 0..RowCount - 1.
MatrixRow* rowAt(MatrixDesc& desc, int r) noexcept;
bool isNumericRow(const MatrixRow& row) noexcept;
// Characters a cell of the row holds: 40 for numbers, MaxTextLen for texts.
int textLimit(const MatrixRow& row) noexcept;
bool isRecipeNameRow(const MatrixRow& row) noexcept;

// The selection rectangle of the descriptor.
Rect selection(const MatrixDesc& desc) noexcept;
void setSelection(MatrixDesc& desc, const Rect& rect) noexcept;

// The visible cell of (row, set), null when it lies outside the grid.
HWND visibleCell(HWND dialog, const MatrixDesc& desc, int row, int set) noexcept;
// Repaints the visible cells inside rect (their highlight changes).
void invalidateCells(HWND dialog, const MatrixDesc& desc, const Rect& rect) noexcept;

// Shows in cell the value of (row, set) as Refresh does.
void showCell(HWND dialog, MatrixDesc& desc, int row, int set, HWND cell) noexcept;
// Brings every control of the grid in line with the descriptor.
void refresh(HWND dialog, MatrixDesc& desc) noexcept;

// Places text into (row, set) of the working folders and shows the result in
// cell (or in the visible cell of (row, set) when cell is null).
void placeText(HWND dialog, MatrixDesc& desc, int row, int set, const char* text, HWND cell) noexcept;

// Deletes the working folders still live (after Cancel, a failed opening, or a
// dialog destroyed without OK or Cancel).
void deleteWorkingFolders(MatrixDesc& desc) noexcept;

// WM_COMMAND, WM_SPINSTEP and WM_CTLCOLOREDIT of the command side.
INT_PTR onCommand(HWND dialog, MatrixDesc& desc, int id, HWND control, int code) noexcept;
INT_PTR onSpinStep(HWND dialog, MatrixDesc& desc, HWND spin, int code) noexcept;
INT_PTR onCtlColorEdit(HWND dialog, MatrixDesc& desc, HDC dc, HWND edit) noexcept;

} // namespace w32k::matrix
