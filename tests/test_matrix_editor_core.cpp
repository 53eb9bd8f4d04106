// The matrix editor's rules that need no window: paging positions, the set
// count typed or stepped, cell slots, selection rectangles, multipage ids.
#include <gtest/gtest.h>

#include "dialogs/matrix_editor_core.h"

#include <climits>
#include <vector>

using namespace w32k::matrix;

namespace {

TEST(MatrixPaging, PagesClampToTheLastFullPage)
{
    struct Case {
        int code, current, thumb, visible, count;
        std::optional<int> expected;
    };
    const Case cases[] = {
        {3, 0, 0, 10, 23, 10},  // page down from 0
        {3, 10, 0, 10, 23, 13}, // again: clamped to 23 - 10
        {2, 13, 0, 10, 23, 3},  // page up
        {2, 3, 0, 10, 23, 0},   // and again
        {1, 13, 0, 10, 23, 13}, // line down at the end
        {0, 0, 0, 10, 23, 0},   // line up at the start
        {4, 0, 7, 10, 23, 7},   // thumb released
        {4, 0, 40, 10, 23, 13}, // thumb beyond the range
        {3, 0, 0, 10, 10, 0},   // ten rows or fewer never move
        {1, 0, 0, 10, 4, 0},
        {3, 0, 0, 5, 12, 5},    // parameter sets page by five
        {3, 5, 0, 5, 12, 7},
        {5, 3, 9, 10, 23, std::nullopt}, // thumb tracking
        {6, 3, 0, 10, 23, std::nullopt}, // top
        {7, 3, 0, 10, 23, std::nullopt}, // bottom
        {8, 3, 0, 10, 23, std::nullopt}, // end of scroll
    };
    for (const auto& c : cases)
        EXPECT_EQ(scrolledPosition(c.code, c.current, c.thumb, c.visible, c.count), c.expected)
            << "code " << c.code << " from " << c.current << " of " << c.count;
    EXPECT_EQ(scrollMaximum(10, 23), 13);
    EXPECT_EQ(scrollMaximum(5, 5), 0);
}

TEST(MatrixSetCount, TypedOrSteppedCountsStayWithin1To255)
{
    struct Case {
        long typed;
        int code;
        int expected;
    };
    const Case cases[] = {
        {255, SpinUp, 1},   {1, SpinDown, 255}, {300, SpinTake, 255}, {0, SpinTake, 1},
        {-4, SpinTake, 1},  {300, SpinDown, 255}, {300, SpinUp, 1},   {-4, SpinDown, 255},
        {0, SpinUp, 1},     {7, SpinUp, 8},     {7, SpinDown, 6},     {7, SpinTake, 7},
        {LONG_MAX, SpinUp, 1}, {LONG_MIN, SpinDown, 255}, {65537, SpinTake, 255},
    };
    for (const auto& c : cases)
        EXPECT_EQ(steppedSetCount(c.typed, c.code), c.expected) << c.typed << " code " << c.code;
}

TEST(MatrixSetCount, TheEditFieldHoldsANumberOrNothing)
{
    struct Case {
        const char* text;
        long expected;
    };
    const Case cases[] = {
        {"12", 12},   {" 12 ", 12}, {"-3", -3},  {"+4", 4},   {"", 0},
        {"abc", 0},   {"12abc", 0}, {"-", 0},    {"1 2", 0},  {"99999999999999999999", LONG_MAX},
        {"-99999999999999999999", -LONG_MAX},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseSignedNumber(c.text), c.expected) << '"' << c.text << '"';
    EXPECT_EQ(parseSignedNumber(nullptr), 0);
}

TEST(MatrixCells, CellIdsMapToSlotsColumnByColumn)
{
    EXPECT_FALSE(cellSlot(1049));
    EXPECT_FALSE(cellSlot(1100));
    for (int i = 0; i < kRowSlots; ++i)
        for (int j = 0; j < kColumnSlots; ++j) {
            const auto slot = cellSlot(cellId(i, j));
            ASSERT_TRUE(slot);
            EXPECT_EQ(slot->row, i);
            EXPECT_EQ(slot->column, j);
        }
    EXPECT_EQ(cellId(3, 2), 1073);
    EXPECT_EQ(cellId(9, 4), 1099);
}

TEST(MatrixSelection, ButtonsMakeAndExtendRectangles)
{
    const Rect rows3 = rowSelection(Rect{0, 0, 0, 0}, false, 3, 12);
    EXPECT_EQ((std::vector<int>{rows3.rowFrom, rows3.rowTo, rows3.setFrom, rows3.setTo}),
              (std::vector<int>{3, 3, 0, 11}));
    const Rect rows37 = rowSelection(rows3, true, 7, 12);
    EXPECT_EQ((std::vector<int>{rows37.rowFrom, rows37.rowTo, rows37.setFrom, rows37.setTo}),
              (std::vector<int>{3, 7, 0, 11}));
    const Rect rows17 = rowSelection(rows37, true, 1, 12);
    EXPECT_EQ(rows17.rowFrom, 1);
    EXPECT_EQ(rows17.rowTo, 7);
    const Rect column = columnSelection(rows37, false, 4, 23);
    EXPECT_EQ((std::vector<int>{column.rowFrom, column.rowTo, column.setFrom, column.setTo}),
              (std::vector<int>{0, 22, 4, 4}));
    const Rect columns = columnSelection(column, true, 2, 23);
    EXPECT_EQ(columns.setFrom, 2);
    EXPECT_EQ(columns.setTo, 4);
    const Rect region = regionFrom(2, 3, 23, 12);
    EXPECT_EQ((std::vector<int>{region.rowFrom, region.rowTo, region.setFrom, region.setTo}),
              (std::vector<int>{2, 22, 3, 11}));
    EXPECT_TRUE(region.contains(22, 11));
    EXPECT_FALSE(region.contains(1, 11));
    EXPECT_FALSE(region.contains(2, 12));
}

TEST(MatrixMultipage, IdsAreAddedOnceAndRemovedOnce)
{
    const std::uint16_t ids[] = {4, 9, 4};
    EXPECT_TRUE(containsId(ids, 3, 9));
    EXPECT_FALSE(containsId(ids, 3, 5));
    EXPECT_FALSE(containsId(nullptr, 3, 4));
    EXPECT_EQ(withId(ids, 3, 5), (std::vector<std::uint16_t>{4, 9, 4, 5}));
    EXPECT_EQ(withId(ids, 3, 9), (std::vector<std::uint16_t>{4, 9, 4}));
    EXPECT_EQ(withId(nullptr, 0, 9), (std::vector<std::uint16_t>{9}));
    EXPECT_EQ(withoutId(ids, 3, 4), (std::vector<std::uint16_t>{9, 4}));
    EXPECT_EQ(withoutId(ids, 3, 7), (std::vector<std::uint16_t>{4, 9, 4}));
}

TEST(MatrixTexts, CopiesAreCutAndAlwaysTerminated)
{
    char buffer[8];
    EXPECT_EQ(copyCut(buffer, sizeof buffer, "abcdefghij", 40), 7u);
    EXPECT_STREQ(buffer, "abcdefg");
    EXPECT_EQ(copyCut(buffer, sizeof buffer, "abcdef", 3), 3u);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(copyCut(buffer, sizeof buffer, nullptr, 3), 0u);
    EXPECT_STREQ(buffer, "");
    const char field[4] = {'a', 'b', 'c', 'd'}; // no terminator
    EXPECT_EQ(boundedLength(field, sizeof field), 4u);
    EXPECT_EQ(boundedLength("ab\0cd", 5), 2u);
}

} // namespace
