// The matrix (recipe) editor's grid view: the 10 x 5 visible cells with their
// row and column headers, what each cell shows, the selection rectangle and
// its highlight. It reads the descriptor and the working folders and writes
// the grid's controls; it changes no folder and calls nothing of the dialog.
#pragma once

#include <windows.h>

#include "dialogs/matrix_editor_core.h"
#include "w32korutil1.h"

namespace w32k::matrix {

constexpr std::size_t kTextBufferSize = 256; // cell texts and row names

// The row record of row r, null outside 0..RowCount - 1.
MatrixRow* rowAt(MatrixDesc& desc, int r) noexcept;
bool isNumericRow(const MatrixRow& row) noexcept;
// Characters a cell of the row holds: 40 for numbers, MaxTextLen for texts.
int textLimit(const MatrixRow& row) noexcept;

// Writes into text (kTextBufferSize bytes) the display text of the value at
// index set of the row's working folder: FormatValue's text for a number
// (empty without FormatValue), the stored text for a string id, empty for
// string id 0. False, with an empty text, when the folder holds no value there.
bool displayText(const MatrixDesc& desc, MatrixRow& row, int set, char* text) noexcept;
// The same display text of a value the row holds.
void valueText(const MatrixDesc& desc, MatrixRow& row, DWORD value, char* text) noexcept;

// (row, set) of a cell id; false when the cell lies outside the matrix.
bool cellPosition(const MatrixDesc& desc, int id, int& row, int& set) noexcept;
// The visible cell of (row, set), null when it lies outside the grid.
HWND visibleCell(HWND dialog, const MatrixDesc& desc, int row, int set) noexcept;
// Shows in cell the value of (row, set) as Refresh does.
void showCell(MatrixDesc& desc, int row, int set, HWND cell) noexcept;
// Brings every control of the grid in line with the descriptor.
void refresh(HWND dialog, MatrixDesc& desc) noexcept;

// The selection rectangle of the descriptor.
Rect selection(const MatrixDesc& desc) noexcept;
// A cell took the focus: with nothing highlighted the rectangle runs from it
// to the last row and parameter set.
void selectFromCell(MatrixDesc& desc, int id) noexcept;
// The corner, a column or a row button: the whole matrix, the column or the
// row (Shift extends a highlighted selection), drawn highlighted.
void selectByButton(HWND dialog, MatrixDesc& desc, int id) noexcept;
// The highlight goes; the rectangle stays for the next command.
void endHighlight(HWND dialog, MatrixDesc& desc) noexcept;
// WM_CTLCOLOREDIT: the highlight brush (colours set in dc) for a visible cell
// inside the highlighted selection, 0 for any other edit.
INT_PTR highlightColours(const MatrixDesc& desc, HDC dc, HWND edit) noexcept;

} // namespace w32k::matrix
