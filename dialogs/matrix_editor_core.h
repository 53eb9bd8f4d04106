// Platform-free rules of the matrix (recipe) editor: paging positions, the
// number of parameter sets, cell slots, the selection rectangle and the
// multipage recipe identifier list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace w32k::matrix {

constexpr int kRowSlots = 10;      // visible rows
constexpr int kColumnSlots = 5;    // visible parameter sets
constexpr int kMaxSetCount = 255;  // parameter sets of a matrix: 1..255
constexpr int kNumericTextLimit = 40; // characters of a numeric cell
constexpr int kFirstCellId = 1050;
constexpr int kLastCellId = kFirstCellId + kRowSlots * kColumnSlots - 1;

// Scroll codes of WM_VSCROLL / WM_HSCROLL that move the grid.
enum class ScrollCode { LineBack = 0, LineForward = 1, PageBack = 2, PageForward = 3, ThumbPosition = 4 };

// First visible index after moving `current` by a scroll code: a page is
// `visible` rows or sets; other codes (thumb tracking, top, bottom, end of
// scroll) give no move. The result is clamped to 0..count - visible.
std::optional<int> scrolledPosition(int code, int current, int thumb, int visible, int count) noexcept;
// Clamps a first visible index to 0..count - visible (0 when all fit).
int clampFirst(int position, int visible, int count) noexcept;
// Upper end of a scroll bar's range: count - visible, or 0 when all fit.
int scrollMaximum(int visible, int count) noexcept;

// The number of parameter sets after a step (+1, -1 or 0) of the number in
// the edit field: up above 255 wraps to 1, down below 1 wraps to 255, any
// other number out of range (a typed one, no step) is brought into 1..255.
int steppedSetCount(long typed, int step) noexcept;
// The signed decimal number a text holds (spaces around it allowed), 0 when
// it holds no number; numbers beyond the range of long saturate.
long parseSignedNumber(const char* text) noexcept;

// A grid slot: row slot i (0..9) and column slot j (0..4).
struct Slot {
    int row;
    int column;
};
// The slot of a cell id; none for ids outside 1050..1099.
std::optional<Slot> cellSlot(int cellId) noexcept;
// The cell id of a slot.
constexpr int cellId(int rowSlot, int columnSlot) noexcept
{
    return kFirstCellId + kRowSlots * columnSlot + rowSlot;
}

// The selection rectangle, inclusive, in rows and parameter sets.
struct Rect {
    int rowFrom, rowTo, setFrom, setTo;
    bool contains(int row, int set) const noexcept
    {
        return row >= rowFrom && row <= rowTo && set >= setFrom && set <= setTo;
    }
};
// Row button: the rows of the rectangle (extended from `current` or just the
// row) across every parameter set.
Rect rowSelection(const Rect& current, bool extend, int row, int setCount) noexcept;
// Column button: the parameter sets (extended or just the one) across every row.
Rect columnSelection(const Rect& current, bool extend, int set, int rowCount) noexcept;
// Corner button: the whole matrix.
Rect wholeMatrix(int rowCount, int setCount) noexcept;
// The copy and paste region that starts at a focused cell.
Rect regionFrom(int row, int set, int rowCount, int setCount) noexcept;

// Recipe identifiers of the multipage list.
bool containsId(const std::uint16_t* ids, std::size_t count, std::uint16_t id) noexcept;
// The list with id appended (unchanged when already present).
std::vector<std::uint16_t> withId(const std::uint16_t* ids, std::size_t count, std::uint16_t id);
// The list without the first occurrence of id (unchanged when absent).
std::vector<std::uint16_t> withoutId(const std::uint16_t* ids, std::size_t count, std::uint16_t id);

// Copies at most `limit` characters of text (cut at its NUL) into a buffer of
// `size` bytes, always NUL-terminated. Returns the length written.
std::size_t copyCut(char* buffer, std::size_t size, const char* text, std::size_t limit) noexcept;
// Length of a NUL-terminated text stored in a field of `size` bytes (the
// field need not hold a NUL).
std::size_t boundedLength(const char* field, std::size_t size) noexcept;

} // namespace w32k::matrix
