// The matrix editor's rules that need no window, at the bounds the dialog
// tests do not reach: paging, the set count, cell ids, multipage ids and
// bounded text copies.
#include <gtest/gtest.h>

#include "dialogs/matrix_editor_core.h"

#include <climits>
#include <vector>

using namespace w32k::matrix;

namespace {

TEST(MatrixPaging, StepsStayWithin0AndTheLastFullPageAndOtherCodesDoNotMove)
{
    const struct {
        int code, current, thumb, visible, count;
        std::optional<int> expected;
    } cases[] = {
        {2, 3, 0, 10, 23, 0},   {0, 0, 0, 10, 23, 0}, // back from the start
        {4, 0, 40, 10, 23, 13}, {3, 5, 0, 5, 12, 7},  // past the end, by ten rows or five sets
        {3, 0, 0, 10, 10, 0},   {1, 0, 0, 10, 4, 0},  // ten rows or fewer never move
        {5, 3, 9, 10, 23, std::nullopt}, {7, 3, 0, 10, 23, std::nullopt}, // tracking, bottom
    };
    for (const auto& c : cases)
        EXPECT_EQ(scrolledPosition(c.code, c.current, c.thumb, c.visible, c.count), c.expected)
            << "code " << c.code << " from " << c.current << " of " << c.count;
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

TEST(MatrixCells, OnlyTheFiftyCellIdsAreCells)
{
    const int last = cellId(kRowSlots - 1, kColumnSlots - 1);
    EXPECT_FALSE(cellSlot(cellId(0, 0) - 1) || cellSlot(last + 1));
    ASSERT_TRUE(cellSlot(cellId(0, 0)) && cellSlot(last));
    EXPECT_EQ(cellSlot(last)->row * 10 + cellSlot(last)->column, 94);
}

TEST(MatrixMultipage, IdsAreAddedOnceAndRemovedOnce)
{
    const std::uint16_t ids[] = {4, 9, 4};
    EXPECT_FALSE(containsId(ids, 3, 5) || containsId(nullptr, 3, 4));
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
