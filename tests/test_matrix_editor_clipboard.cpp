// Cut, Copy and Paste of the recipe matrix editor as a host's user sees them:
// the text that reaches the clipboard, the cells a paste fills, the string
// store's references, and failures that must lose nothing.
#include <gtest/gtest.h>

#include "resources/matrix_editor_ids.h"
#include "support/memory_hooks.h"
#include "support/recipe_helpers.h"
#include "support/test_support.h"
#include "w32korutil1.h"

using namespace w32ktest;

namespace {

TEST(MatrixClipboard, AMatrixBeyond64KBIsCopiedWholeAndPastedIntoAnotherWithTheSameValues)
{
    constexpr int kRows = 60, kSets = 255;
    std::string kinds;
    for (int r = 0; r < kRows; ++r)
        kinds += r % 3 ? 'T' : 'N';
    HostRecipe source(kinds, kSets, kSets), target(kinds, 0, kSets);
    const auto all = source.values(true);
    std::string expected;
    for (std::size_t k = 0; k < all.size(); ++k)
        expected += all[k] + ((k + 1) % kSets ? "\t" : "\r\n");
    ASSERT_GT(expected.size(), 0x10000u);
    source.edit([](HWND d) { click(d, {IDC_MX_CORNER, IDC_MX_COPY, IDCANCEL}); });
    const std::string copied = clipboardText();
    EXPECT_EQ(copied.size(), expected.size());
    EXPECT_TRUE(copied == expected);
    target.edit([](HWND d) { click(d, {IDC_MX_CORNER, IDC_MX_PASTE, IDOK}); });
    EXPECT_TRUE(target.values(true) == all);
    target.expectReferencesBalanced();
}

// Copy writes rows with tabs and CR LF; Cut also empties the cells; Paste fills
// the rectangle as typed cells would and keeps it for the next paste. (Where
// each token goes: MatrixClipboardText.PastePutsEachTokenIntoItsCell.)
TEST(MatrixClipboard, CopyCutAndPasteMoveTheRectangleAsTextAndKeepReferencesBalanced)
{
    HostRecipe recipe("NTN", 3, 3);
    recipe.placeText(1, 0, nullptr); // string id 0: nothing
    const auto focusCell = [](HWND d, int i, int j) { SetFocus(GetDlgItem(d, cellId(i, j))); }; // the rectangle starts there
    recipe.edit([&](HWND d) {
        click(d, {IDC_MX_CORNER, IDC_MX_COPY});
        EXPECT_EQ(clipboardText(), "0\t1\t2\r\n\tr1s1\tr1s2\r\n2000\t2001\t2002\r\n");
        EXPECT_EQ(recipe.desc.SelActive, 0); // the highlight goes, the rectangle stays
        EXPECT_EQ(selection(recipe.desc), (std::vector<int>{0, 2, 0, 2}));
        focusCell(d, 0, 1); // rows 0..2 by sets 1..2
        click(d, IDC_MX_CUT);
        EXPECT_EQ(clipboardText(), "1\t2\r\nr1s1\tr1s2\r\n2001\t2002\r\n");
        EXPECT_EQ(recipe.values(), (std::vector<std::string>{"0", "0", "0", "", "", "", "2000", "0", "0"}));
        EXPECT_EQ(cellText(d, 1, 1), "");
        EXPECT_EQ(cellText(d, 2, 2), "0");
        focusCell(d, 0, 0);
        click(d, IDC_MX_PASTE);
        EXPECT_EQ(recipe.values(), (std::vector<std::string>{"1", "2", "0", "r1s1", "r1s2", "", "2001", "2002", "0"}));
        click(d, IDC_MX_COLUMN_FIRST + 1);
        putTextOnClipboard("0042\tabcdefghijklmnop\t-5\r\n"); // one row into one column: downwards
        click(d, IDC_MX_PASTE);
        EXPECT_EQ(selection(recipe.desc), (std::vector<int>{0, 2, 1, 1}));
        for (const auto& [rowSlot, shown] : {std::pair{0, "42"}, {1, "abcdefghijkl"}, {2, "-5"}})
            EXPECT_EQ(cellText(d, rowSlot, 1), shown);
        putTextOnClipboard("7\tx\t8\r\n");
        click(d, IDC_MX_PASTE); // into the same rectangle
        click(d, IDOK);
    });
    EXPECT_EQ(recipe.values(true), (std::vector<std::string>{"1", "7", "0", "r1s1", "x", "", "2001", "8", "0"}));
    recipe.expectReferencesBalanced();
}

// (Every allocation and lock that Cut and Paste make failing in turn is swept
// with the other operations that edit a host's memory.)
TEST(MatrixClipboard, CutAndPasteWaitForAClipboardHeldOpenAndPasteReadsOnlyItsBlock)
{
    HostRecipe recipe("NT", 3, 3);
    const std::vector<std::string> unchanged = {"0", "1", "2", "r1s0", "r1s1", "r1s2"};
    recipe.edit([&](HWND d) {
        putTextOnClipboard("kept");
        OpenClipboard(nullptr);
        click(d, {IDC_MX_CORNER, IDC_MX_CUT});
        click(d, IDC_MX_PASTE);
        CloseClipboard();
        EXPECT_EQ(clipboardText(), "kept");
        EXPECT_EQ(recipe.values(), unchanged);
        EXPECT_EQ(recipe.desc.SelActive, 0);
        SetFocus(GetDlgItem(d, cellId(0, 0))); // rows 0..1 by sets 0..2
        emptyClipboard(); // no text at all (an empty one: the core table)
        click(d, IDC_MX_PASTE);
        EXPECT_EQ(recipe.values(), unchanged);
        // No NUL: the text ends with its block. (Wine's clipboard makes the
        // block's last byte NUL; the separator keeps "8" whole there.)
        putOnClipboard("7\t8\t");
        click(d, IDC_MX_PASTE);
        EXPECT_EQ(recipe.values(), (std::vector<std::string>{"7", "8", "2", "r1s0", "r1s1", "r1s2"}));
        click(d, IDCANCEL);
    });
}

} // namespace
