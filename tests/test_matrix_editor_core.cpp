// The matrix editor's rules that need no window, at the bounds the dialog
// tests do not reach (the last full page and the wrap of the set count: the
// dialog tests): paging, the set count, cell ids, multipage ids and bounded
// text copies.
#include <gtest/gtest.h>

#include "dialogs/matrix_editor_core.h"

#include <climits>
#include <cstring>
#include <vector>

using namespace w32k::matrix;

namespace {

TEST(MatrixPaging, StepsStayWithin0AndTheLastFullPageAndOtherCodesDoNotMove)
{
    const struct {
        int code, current, thumb, visible, count;
        std::optional<int> expected;
    } cases[] = {
        {2, 3, 0, 10, 23, 0},            // back past the start
        {1, 0, 0, 10, 4, 0},             // ten rows or fewer never move
        {7, 3, 0, 10, 23, std::nullopt}, // bottom
    };
    for (const auto& c : cases)
        EXPECT_EQ(scrolledPosition(c.code, c.current, c.thumb, c.visible, c.count), c.expected)
            << "code " << c.code << " from " << c.current << " of " << c.count;
}

TEST(MatrixSetCount, TypedOrSteppedCountsWrapOrSaturateInto1To255)
{
    const struct {
        long typed;
        int step, expected;
    } cases[] = {
        {300, 0, 255},    {-4, 0, 1},          {-4, -1, 255},   {7, 1, 8},
        {LONG_MAX, 1, 1}, {LONG_MIN, -1, 255}, {65537, 0, 255},
    };
    for (const auto& c : cases)
        EXPECT_EQ(steppedSetCount(c.typed, c.step), c.expected) << c.typed << " step " << c.step;
    const struct {
        const char* text;
        long expected;
    } texts[] = {
        {" 12 ", 12}, {"-3", -3}, {"+4", 4},  {"12abc", 0},
        {nullptr, 0}, {"-", 0},  {"99999999999999999999", LONG_MAX}, {"-99999999999999999999", -LONG_MAX},
    };
    for (const auto& t : texts)
        EXPECT_EQ(parseSignedNumber(t.text), t.expected) << (t.text ? t.text : "null");
}

TEST(MatrixCells, OnlyTheFiftyCellIdsAreCells)
{
    const int last = cellId(kRowSlots - 1, kColumnSlots - 1);
    EXPECT_FALSE(cellSlot(cellId(0, 0) - 1));
    EXPECT_FALSE(cellSlot(last + 1));
    EXPECT_TRUE(cellSlot(last));
}

TEST(MatrixMultipage, AnIdIsAddedOnceAndOnlyItsFirstOccurrenceRemoved)
{
    const std::uint16_t ids[] = {4, 9, 4};
    EXPECT_EQ(withId(ids, 3, 9), (std::vector<std::uint16_t>{4, 9, 4}));
    EXPECT_EQ(withoutId(ids, 3, 4), (std::vector<std::uint16_t>{9, 4}));
    EXPECT_FALSE(containsId(nullptr, 3, 4));
}

TEST(MatrixTexts, CopiesAreCutAndAlwaysTerminatedAndFieldsEndAtTheirSize)
{
    char buffer[8];
    const struct {
        const char* text;
        std::size_t limit;
        const char* copied;
    } cases[] = {{"abcdefghij", 40, "abcdefg"}, {"abcdef", 3, "abc"}, {nullptr, 3, ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(copyCut(buffer, sizeof buffer, c.text, c.limit), std::strlen(c.copied));
        EXPECT_STREQ(buffer, c.copied);
    }
    const char field[4] = {'a', 'b', 'c', 'd'}; // no terminator
    EXPECT_EQ(boundedLength(field, sizeof field), 4u);
    EXPECT_EQ(boundedLength("ab\0cd", 5), 2u);
}

} // namespace
