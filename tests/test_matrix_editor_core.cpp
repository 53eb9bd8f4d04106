// The matrix editor's rules that need no window: paging positions, the set
// count typed or stepped, cell slots, selection rectangles, multipage ids and
// bounded text copies.
#include <gtest/gtest.h>

#include "dialogs/matrix_editor_core.h"

#include <climits>
#include <vector>

using namespace w32k::matrix;

namespace {

std::vector<int> corners(const Rect& r) { return {r.rowFrom, r.rowTo, r.setFrom, r.setTo}; }

TEST(MatrixPaging, StepsStayWithin0AndTheLastFullPageAndTrackingDoesNotMove)
{
    const struct {
        int code, current, thumb, visible, count;
        std::optional<int> expected;
    } cases[] = {
        {3, 10, 0, 10, 23, 13}, {2, 3, 0, 10, 23, 0},   // pages clamp at both ends
        {1, 13, 0, 10, 23, 13}, {0, 0, 0, 10, 23, 0},   // and lines
        {4, 0, 7, 10, 23, 7},   {4, 0, 40, 10, 23, 13}, // a released thumb, even beyond the range
        {3, 0, 0, 10, 10, 0},   {1, 0, 0, 10, 4, 0},    // ten rows or fewer never move
        {3, 5, 0, 5, 12, 7},                            // sets page by five
        {5, 3, 9, 10, 23, std::nullopt}, {7, 3, 0, 10, 23, std::nullopt}, // tracking, bottom
    };
    for (const auto& c : cases)
        EXPECT_EQ(scrolledPosition(c.code, c.current, c.thumb, c.visible, c.count), c.expected)
            << "code " << c.code << " from " << c.current << " of " << c.count;
    EXPECT_EQ(scrollMaximum(10, 23), 13);
    EXPECT_EQ(scrollMaximum(5, 5), 0);
}

TEST(MatrixSetCount, TypedOrSteppedCountsWrapOrSaturateInto1To255)
{
    const struct {
        long typed;
        int code, expected;
    } cases[] = {
        {255, SpinUp, 1},      {1, SpinDown, 255},        {300, SpinTake, 255}, {0, SpinTake, 1},
        {-4, SpinTake, 1},     {300, SpinDown, 255},      {300, SpinUp, 1},     {-4, SpinDown, 255},
        {0, SpinUp, 1},        {7, SpinUp, 8},            {7, SpinDown, 6},     {7, SpinTake, 7},
        {LONG_MAX, SpinUp, 1}, {LONG_MIN, SpinDown, 255}, {65537, SpinTake, 255},
    };
    for (const auto& c : cases)
        EXPECT_EQ(steppedSetCount(c.typed, c.code), c.expected) << c.typed << " code " << c.code;
    const struct {
        const char* text;
        long expected;
    } texts[] = {{"12", 12}, {" 12 ", 12}, {"-3", -3}, {"+4", 4}, {"", 0}, {"abc", 0}, {"12abc", 0}, {"-", 0},
                 {"1 2", 0}, {nullptr, 0}, {"99999999999999999999", LONG_MAX}, {"-99999999999999999999", -LONG_MAX}};
    for (const auto& t : texts)
        EXPECT_EQ(parseSignedNumber(t.text), t.expected) << (t.text ? t.text : "null");
}

TEST(MatrixCells, EveryCellIdMapsBackToItsSlotAndNoOtherIdDoes)
{
    EXPECT_FALSE(cellSlot(cellId(0, 0) - 1));
    EXPECT_FALSE(cellSlot(cellId(kRowSlots - 1, kColumnSlots - 1) + 1));
    for (int i = 0; i < kRowSlots; ++i)
        for (int j = 0; j < kColumnSlots; ++j) {
            const auto slot = cellSlot(cellId(i, j));
            ASSERT_TRUE(slot);
            EXPECT_EQ(std::make_pair(slot->row, slot->column), std::make_pair(i, j));
        }
}

TEST(MatrixSelection, ButtonsMakeAndExtendRectanglesEitherWay)
{
    const Rect rows37 = rowSelection(rowSelection(Rect{0, 0, 0, 0}, false, 3, 12), true, 7, 12);
    EXPECT_EQ(corners(rows37), (std::vector<int>{3, 7, 0, 11}));
    EXPECT_EQ(corners(rowSelection(rows37, true, 1, 12)), (std::vector<int>{1, 7, 0, 11}));
    const Rect column = columnSelection(rows37, false, 4, 23);
    EXPECT_EQ(corners(column), (std::vector<int>{0, 22, 4, 4}));
    EXPECT_EQ(corners(columnSelection(column, true, 2, 23)), (std::vector<int>{0, 22, 2, 4}));
    const Rect region = regionFrom(2, 3, 23, 12);
    EXPECT_EQ(corners(region), (std::vector<int>{2, 22, 3, 11}));
    EXPECT_TRUE(region.contains(22, 11));
    EXPECT_FALSE(region.contains(1, 11) || region.contains(2, 12));
}

TEST(MatrixMultipage, IdsAreAddedOnceAndRemovedOnce)
{
    const std::uint16_t ids[] = {4, 9, 4};
    EXPECT_TRUE(containsId(ids, 3, 9));
    EXPECT_FALSE(containsId(ids, 3, 5) || containsId(nullptr, 3, 4));
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
