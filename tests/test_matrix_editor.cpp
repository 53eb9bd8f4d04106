// The recipe matrix editor as a host runs it, driven inside its modal loop, with its Cut, Copy and Paste.
#include <gtest/gtest.h>

#include "resources/matrix_editor_ids.h"
#include "support/import_hook.h"
#include "support/memory_hooks.h"
#include "support/recipe_helpers.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace w32ktest;
using Values = std::vector<std::string>;

namespace {

void expectTexts(HWND d, std::initializer_list<std::pair<int, std::string>> shown)
{
    for (const auto& [id, expected] : shown)
        EXPECT_EQ(controlText(d, id), expected) << "control " << id;
}
bool enabled(HWND d, int id) { return IsWindowEnabled(GetDlgItem(d, id)) != FALSE; }

TEST(MatrixEditor, CancelCloseDestroyAndUnusableDescriptorsLeaveTheHostsDataByteForByte)
{
    EXPECT_EQ(StartMatrixEd(nullptr, 0), 0);
    HostRecipe recipe("NTRN", 12, 12);
    const auto before = recipe.snapshot();
    for (int way = 0; way < 4; ++way) { // Cancel, close, destroy; a row without folder
        SCOPED_TRACE(way);
        recipe.rows[3].HostFolder = way == 3 ? nullptr : &recipe.folders[3]; // the three copies made go again
        EXPECT_EQ(way > 2 ? StartMatrixEd(nullptr, LPARAM(&recipe.desc)) : recipe.edit([&](HWND d) {
            typeInto(d, cellId(1, 1), "changed");
            CheckDlgButton(d, IDC_MX_MULTIPAGE, BST_CHECKED);
            typeInto(d, IDC_MX_SET_COUNT, "3");
            spin(d, W32K_SPIN_UP);
            way == 0 ? click(d, IDCANCEL)
                     : void(way == 1 ? SendMessageA(d, WM_CLOSE, 0, 0) : DestroyWindow(d));
        }), 0);
        EXPECT_EQ(recipe.snapshot(), before);
        recipe.expectReferencesBalanced();
        EXPECT_EQ(recipe.hostSetCount, 12);
        EXPECT_EQ(recipe.multipage(), nullptr);
        for (int r = 0; r < 3; ++r)
            EXPECT_EQ(recipe.rows[r].Folder.Block, nullptr) << "working copy of row " << r;
    }
}

// Opening shows the host's first page; the recipe-name mark goes straight into
// the host's field descriptors (Cancel keeps it).
TEST(MatrixEditor, OpensOnTheHostsFirstPageAndSetAsRecipeNameClearsMovesOrRefusesTheMark)
{
    HostRecipe recipe("NTRNT", 12, 12);
    recipe.placeText(4, 1, nullptr); // string id 0
    recipe.desc.RowBase = 100; // the bases number the headers only
    recipe.desc.SetBase = 10;
    MessageBoxRecorder boxes;
    const struct {
        int button, marked; // -1: no row. A numeric row (3) is refused; several rows (corner): nothing
    } steps[] = {{IDC_MX_ROW_FIRST + 2, -1}, {IDC_MX_ROW_FIRST + 1, 1}, {IDC_MX_ROW_FIRST + 2, 2},
                 {IDC_MX_ROW_FIRST + 3, 2}, {IDC_MX_CORNER, 2}};
    recipe.edit([&](HWND d) {
        expectTexts(d, {{IDC_MX_COLUMN_FIRST + 4, "15"}, {IDC_MX_ROW_FIRST + 9, "110"}, {cellId(4, 1), ""},
                        {IDC_MX_ROW_NAME_FIRST + 2, "Field 2 *"}, {cellId(3, 4), "3004"}});
        for (const auto& s : steps) {
            click(d, {s.button, IDC_MX_RECIPE_NAME});
            for (int r = 0; r < 4; ++r) {
                EXPECT_EQ(recipe.fields[r].IsRecipeName, r == s.marked) << s.button << " row " << r;
                EXPECT_EQ(controlText(d, IDC_MX_ROW_NAME_FIRST + r).ends_with(" *"), r == s.marked) << r;
            }
            EXPECT_EQ(boxes.shown().size(), &s < &steps[3] ? 0u : 1u);
        }
        click(d, IDCANCEL);
    });
    EXPECT_EQ(recipe.fields[2].IsRecipeName, 1);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Only ASCII field can be recipe name!");
    EXPECT_EQ(boxes.shown()[0].caption, "Panel Designer"); // string 101 of KorAbout.dll
}

// A committed cell shows what its folder holds, which OK hands over; a value the folder cannot take
// (no memory for the smaller block of a joined run) is kept with a beep.
TEST(MatrixEditor, ACommittedCellShowsWhatItsFolderHoldsAndOkHandsOverExactlyThat)
{
    HostRecipe recipe("NTN", 2, 2);
    GlobalMemoryMonitor memory(GetModuleHandleA("W32KORUTIL1.dll"));
    BeepCounter beeps;
    ASSERT_TRUE(memory.installed());
    ASSERT_TRUE(beeps.installed());
    const struct {
        int row, set;
        const char *typed, *shown;
        bool noMemory = false, parse = true, format = true; // no FormatValue: no text
    } edits[] = {{0, 1, "007", "7"}, {0, 1, "0", "7", true}, {1, 0, "abcdefghijklmnop", "abcdefghijkl"},
                 {1, 1, "abcdefghijkl", "r1s1", true}, {1, 1, "", ""}, {2, 0, "-12abc", "-12"},
                 {2, 1, "9", "2001", false, false}, {2, 1, "9", "", false, true, false}};
    int refusals = 0;
    EXPECT_EQ(recipe.edit([&](HWND d) {
        const MatrixDesc host = recipe.desc;
        for (const auto& e : edits) {
            SCOPED_TRACE(testing::Message() << e.typed << e.noMemory << e.parse << e.format);
            recipe.desc.ParseValue = e.parse ? host.ParseValue : nullptr;
            recipe.desc.FormatValue = e.format ? host.FormatValue : nullptr;
            e.noMemory ? memory.failAllocation(1) : memory.reset();
            typeInto(d, cellId(e.row, e.set), e.typed);
            EXPECT_EQ(cellText(d, e.row, e.set), e.shown);
            EXPECT_EQ(beeps.count(), refusals += e.noMemory);
        }
        recipe.desc.FormatValue = host.FormatValue;
        click(d, IDOK);
    }), 1);
    EXPECT_EQ(recipe.values(true), (Values{"0", "7", "abcdefghijkl", "", "-12", "2001"}));
    recipe.expectReferencesBalanced();
    EXPECT_EQ(recipe.rows[0].Folder.Block, nullptr); // handed over, not shared
}

TEST(MatrixEditor, PagingA200By255MatrixCommitsTheEditedCellAndStopsAtTheEnd)
{
    std::string kinds;
    for (int r = 0; r < 200; ++r)
        kinds += r % 4 == 1 ? 'T' : 'N';
    HostRecipe recipe(kinds, 255, 255);
    recipe.edit([&](HWND d) {
        typeText(d, cellId(0, 1), "55"); // being edited
        const struct {
            bool vertical;
            int code, thumb, first;
            const char* cell01;
        } steps[] = {{true, SB_PAGEDOWN, 0, 10, "10001"}, {true, SB_THUMBPOSITION, 3, 3, "3001"},
                     {true, SB_PAGEUP, 0, 0, "55"} /* not past 0 */, {true, SB_THUMBTRACK, 9, 0, "55"},
                     {true, SB_THUMBPOSITION, 185, 185, "r185s1"}, {true, SB_PAGEDOWN, 0, 190, "190001"},
                     {false, SB_THUMBPOSITION, 248, 248, "190249"}, {false, SB_PAGERIGHT, 0, 250, "190251"},
                     {false, SB_LINELEFT, 0, 249, "190250"}};
        for (const auto& s : steps) {
            SCOPED_TRACE(testing::Message() << s.vertical << " code " << s.code);
            scroll(d, s.vertical, s.code, s.thumb);
            EXPECT_EQ(s.vertical ? recipe.desc.FirstRow : recipe.desc.FirstSet, s.first);
            EXPECT_EQ(cellText(d, 0, 1), s.cell01);
        }
        click(d, IDCANCEL);
    });
}

TEST(MatrixEditor, SetCountOpensAndStaysWithin1To255AndSlotsBeyondTheMatrixAreEmptyAndDisabled)
{
    HostRecipe recipe("NT", 10, 40000); // beyond the signed range
    recipe.edit([&](HWND d) {
        EXPECT_EQ(controlText(d, IDC_MX_SET_COUNT), "255");
        scroll(d, false, SB_PAGERIGHT);
        typeInto(d, IDC_MX_SET_COUNT, "3"); // lower: the view goes back to the first set
        expectTexts(d, {{IDC_MX_COLUMN_FIRST + 3, "4"}, {cellId(0, 3), ""}, {IDC_MX_ROW_NAME_FIRST + 2, ""}});
        for (const int id : {cellId(0, 3), IDC_MX_ROW_FIRST + 2})
            EXPECT_FALSE(enabled(d, id)) << id;
        typeInto(d, IDC_MX_SET_COUNT, "10"); // raised: new sets hold 0 and "", not the old values
        EXPECT_EQ(recipe.workingValue(0, 9), "0");
        EXPECT_EQ(recipe.workingValue(1, 3), "");
        click(d, IDOK);
    });
    EXPECT_EQ(recipe.hostSetCount, 10);
    recipe.expectReferencesBalanced();
}

TEST(MatrixEditor, ButtonsSelectAndShiftExtends)
{
    HostRecipe recipe("NNNNNN", 4, 4);
    const int row = IDC_MX_ROW_FIRST;
    const struct {
        int id;
        bool shift, active;
        std::vector<int> selection; // rows from, to, sets from, to
    } steps[] = {{cellId(2, 3), false, false, {2, 5, 3, 3}}, // nothing highlighted: the region from the cell
                 {row + 4, true, true, {4, 4, 0, 3}},           // nothing to extend: that row
                 {row + 1, false, true, {1, 1, 0, 3}},        {row + 3, true, true, {1, 3, 0, 3}},
                 {cellId(0, 0), false, true, {1, 3, 0, 3}}}; // a highlight stays when a cell takes the focus
    recipe.edit([&](HWND d) {
        for (const auto& s : steps) {
            SCOPED_TRACE(s.id);
            s.id >= IDC_MX_CELL_FIRST ? void(SetFocus(GetDlgItem(d, s.id)))
                                      : s.shift ? shiftClick(d, s.id) : click(d, s.id);
            EXPECT_EQ(recipe.desc.SelActive != 0, s.active);
            EXPECT_EQ(selection(recipe.desc), s.selection);
        }
        click(d, IDCANCEL);
    });
}

void* WINAPI hostAllocate(UINT bytes) { return std::malloc(bytes); }

// (The host's allocator failing, and so used: the failure sweep's multipage row.)
TEST(MatrixEditor, OkAddsOrRemovesTheRecipeOnceInTheMultipageList)
{
    HostRecipe recipe("NT", 2, 2);
    const struct {
        WORD recipeId;
        bool multipage, heap; // heap: no allocator, the runtime heap (the host frees with free)
        std::vector<WORD> ids;
    } steps[] = {{7, true, true, {7}}, {7, true, false, {7}}, {9, true, false, {7, 9}},
                 {7, false, false, {9}}, {9, false, false, {}}};
    for (const auto& s : steps) {
        SCOPED_TRACE(testing::Message() << s.recipeId << s.multipage);
        recipe.desc.RecipeId = s.recipeId;
        SetAppFmalloc(s.heap ? nullptr : hostAllocate);
        const bool listed = std::ranges::count(recipe.multipageIds(), s.recipeId) != 0;
        EXPECT_EQ(recipe.edit([&](HWND d) {
            EXPECT_EQ(IsDlgButtonChecked(d, IDC_MX_MULTIPAGE) == BST_CHECKED, listed);
            CheckDlgButton(d, IDC_MX_MULTIPAGE, s.multipage ? BST_CHECKED : BST_UNCHECKED);
            spin(d, W32K_SPIN_UP); // the grid is redrawn: the user's choice stays until OK
            spin(d, W32K_SPIN_DOWN);
            EXPECT_EQ(IsDlgButtonChecked(d, IDC_MX_MULTIPAGE) == BST_CHECKED, s.multipage);
            click(d, IDOK);
        }), 1);
        EXPECT_EQ(recipe.multipageIds(), s.ids);
    }
    SetAppFmalloc(nullptr);
}

// The clipboard viewer behind the editor: counts the notices passed on to it.
int g_draws = 0;
LRESULT CALLBACK countingViewer(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_draws += message == WM_DRAWCLIPBOARD;
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(MatrixEditor, PasteFollowsTheClipboardAndTheViewerChainStaysWhole)
{
    emptyClipboard();
    HWND viewer = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrA(viewer, GWLP_WNDPROC, LONG_PTR(countingViewer));
    HWND previous = SetClipboardViewer(viewer);
    pumpMessages();
    g_draws = 0;
    HostRecipe recipe("N", 1, 1);
    recipe.edit([&](HWND d) {
        EXPECT_EQ(g_draws, 0); // the editor's first notice is its own
        EXPECT_FALSE(enabled(d, IDC_MX_PASTE));
        putTextOnClipboard("42");
        pumpMessages(50);
        EXPECT_TRUE(enabled(d, IDC_MX_PASTE));
        EXPECT_GE(g_draws, 1); // passed on
        emptyClipboard();
        pumpMessages(50);
        EXPECT_FALSE(enabled(d, IDC_MX_PASTE));
        // The window behind the editor leaves the chain: the editor links past it.
        SendMessageA(d, WM_CHANGECBCHAIN, WPARAM(viewer), LPARAM(previous));
        EXPECT_EQ(recipe.desc.NextViewer, previous);
        click(d, IDCANCEL);
    });
    DestroyWindow(viewer);
}

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
    EXPECT_TRUE(clipboardText() == expected);
    target.edit([](HWND d) { click(d, {IDC_MX_CORNER, IDC_MX_PASTE, IDOK}); });
    EXPECT_TRUE(target.values(true) == all);
    target.expectReferencesBalanced();
}

// Paste fills the rectangle as typed cells would and keeps it for the next paste. (Where each token
// goes: MatrixClipboardText.PastePutsEachTokenIntoItsCell.)
TEST(MatrixClipboard, CopyCutAndPasteMoveTheRectangleAsTextAndKeepReferencesBalanced)
{
    HostRecipe recipe("NTN", 3, 3);
    recipe.placeText(1, 0, nullptr); // string id 0: nothing
    recipe.edit([&](HWND d) {
        click(d, {IDC_MX_CORNER, IDC_MX_COPY});
        EXPECT_EQ(clipboardText(), "0\t1\t2\r\n\tr1s1\tr1s2\r\n2000\t2001\t2002\r\n");
        EXPECT_EQ(recipe.desc.SelActive, 0); // the highlight goes, the rectangle stays
        EXPECT_EQ(selection(recipe.desc), (std::vector<int>{0, 2, 0, 2}));
        SetFocus(GetDlgItem(d, cellId(0, 1))); // the rectangle starts there: rows 0..2 by sets 1..2
        click(d, IDC_MX_CUT);
        EXPECT_EQ(clipboardText(), "1\t2\r\nr1s1\tr1s2\r\n2001\t2002\r\n");
        EXPECT_EQ(recipe.values(), (Values{"0", "0", "0", "", "", "", "2000", "0", "0"}));
        SetFocus(GetDlgItem(d, cellId(0, 0)));
        click(d, IDC_MX_PASTE);
        EXPECT_EQ(recipe.values(), (Values{"1", "2", "0", "r1s1", "r1s2", "", "2001", "2002", "0"}));
        click(d, IDC_MX_COLUMN_FIRST + 1);
        putTextOnClipboard("0042\tabcdefghijklmnop\t-5\r\n"); // one row into one column: downwards
        click(d, IDC_MX_PASTE);
        EXPECT_EQ(selection(recipe.desc), (std::vector<int>{0, 2, 1, 1}));
        putTextOnClipboard("7\tx\t8\r\n");
        click(d, IDC_MX_PASTE); // into the same rectangle
        click(d, IDOK);
    });
    EXPECT_EQ(recipe.values(true), (Values{"1", "7", "0", "r1s1", "x", "", "2001", "8", "0"}));
    recipe.expectReferencesBalanced();
}

// (Each allocation and lock of Cut and Paste failing in turn: the failure sweep.)
TEST(MatrixClipboard, CutAndPasteWaitForAClipboardHeldOpenAndPasteReadsOnlyItsBlock)
{
    HostRecipe recipe("NT", 3, 3);
    const Values unchanged = {"0", "1", "2", "r1s0", "r1s1", "r1s2"};
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
        // No NUL: the text ends with its block. (Wine's clipboard makes the
        // block's last byte NUL; the separator keeps "8" whole there.)
        putOnClipboard("7\t8\t");
        click(d, IDC_MX_PASTE);
        EXPECT_EQ(recipe.values(), (Values{"7", "8", "2", "r1s0", "r1s1", "r1s2"}));
        click(d, IDCANCEL);
    });
}

// Each editor works on its own host's data: two open at once on two threads.
TEST(MatrixEditor, TwoEditorsOpenAtOnceOnTwoThreadsEachWriteTheirOwnHostsRecipe)
{
    HostRecipe first("T", 1, 0), second("NTT", 1, 1); // a host count of 0 opens with 1 set
    Turns turns; // 0: the first opens, 1: the second opens, 2: the first acts, 3: the second acts
    const auto run = [&](HostRecipe* recipe, const char* typed, int opens) {
        ASSERT_TRUE(turns.await(opens));
        EXPECT_EQ(recipe->edit([&](HWND d) {
            turns.pass();
            ASSERT_TRUE(turns.await(opens + 2));
            typeInto(d, cellId(recipe->desc.RowCount - 1, 0), typed);
            click(d, IDOK);
        }), 1);
        turns.pass();
    };
    std::thread one(run, &first, "first", 0), two(run, &second, "second", 1);
    one.join();
    two.join();
    EXPECT_EQ(first.hostSetCount, 1);
    EXPECT_EQ(first.values(true), (Values{"first"}));
    EXPECT_EQ(second.values(true), (Values{"0", "r1s0", "second"}));
    first.expectReferencesBalanced();
    second.expectReferencesBalanced();
}

// Shows hundreds only, as a host's coarser display unit might.
BOOL WINAPI roundedFormat(MatrixRow*, DWORD value, LPSTR text)
{
    return std::snprintf(text, 256, "%ld", static_cast<long>(value / 100 * 100)) > 0;
}

// Passing through a cell places nothing: neither a number the host shows
// rounded nor a cell left empty by a display that could not read its folder.
TEST(MatrixEditor, ACellLeftWithoutTypingKeepsItsValue)
{
    HostRecipe recipe("NTNTNTNTNTNT", 3, 3);
    const auto before = recipe.values(true);
    recipe.desc.FormatValue = roundedFormat;
    GlobalMemoryMonitor memory(GetModuleHandleA("W32KORUTIL1.dll"));
    int blanks = 0;
    EXPECT_EQ(recipe.edit([&](HWND d) {
        scroll(d, true, SB_PAGEDOWN);
        memory.failLock(1); // the page back shows a cell it cannot read
        scroll(d, true, SB_PAGEUP);
        memory.reset();
        for (int r = 0; r < 10; ++r)
            for (int s = 0; s < 3; ++s) {
                blanks += cellText(d, r, s).empty();
                SetFocus(GetDlgItem(d, cellId(r, s)));
            }
        click(d, IDOK);
    }), 1);
    EXPECT_GT(blanks, 0);
    EXPECT_EQ(recipe.values(true), before);
}

} // namespace
