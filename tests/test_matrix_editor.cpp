// The recipe matrix editor as a host runs it: StartMatrixEd on a host recipe,
// driven from inside its modal loop (the clipboard commands have their own file).
#include <gtest/gtest.h>

#include "resources/matrix_editor_ids.h"
#include "support/recipe_helpers.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <algorithm>
#include <cstdlib>
#include <map>

using namespace w32ktest;

namespace {

const std::string kRecipe23 = "NTRNTNNNNNNNNNNNNNNNNNT"; // texts in rows 1, 4, 22; row 2 names the recipe
constexpr int kSets = 12;

int cellId(int rowSlot, int columnSlot) { return IDC_MX_CELL_FIRST + 10 * columnSlot + rowSlot; }
std::string text(HWND d, int id) { return windowText(GetDlgItem(d, id)); }
std::string cell(HWND d, int rowSlot, int columnSlot) { return text(d, cellId(rowSlot, columnSlot)); }
bool enabled(HWND d, int id) { return IsWindowEnabled(GetDlgItem(d, id)) != FALSE; }
void spin(HWND d, int code, int from = IDC_MX_SET_SPIN) // 0 up, 1 down, 2 take the typed count
{
    SendMessageA(d, WM_SPINSTEP, WPARAM(GetDlgItem(d, from)), code);
}

// Types into a control and leaves it, as a user does: it commits on losing the focus.
void typeInto(HWND d, int id, const char* typed)
{
    SetFocus(GetDlgItem(d, id));
    SetDlgItemTextA(d, id, typed);
    SetFocus(GetDlgItem(d, IDC_MX_CORNER));
}

void scroll(HWND d, bool vertical, int code, int thumb = 0)
{
    const int bar = vertical ? IDC_MX_VSCROLL : IDC_MX_HSCROLL;
    SendMessageA(d, vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, thumb), LPARAM(GetDlgItem(d, bar)));
}

// A click with Shift held through real keyboard input, once the system's key
// state shows it (activation resynchronises the key state first).
void shiftClick(HWND d, int id)
{
    for (const bool down : {true, false}) {
        SetForegroundWindow(d);
        pumpMessages(100);
        for (int attempt = 0; attempt < 60 && ((GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0) != down; ++attempt) {
            if (attempt % 20 == 0)
                keybd_event(VK_SHIFT, 0, down ? 0 : KEYEVENTF_KEYUP, 0);
            pumpMessages(10);
        }
        EXPECT_EQ((GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0, down);
        if (down)
            click(d, id);
    }
}

TEST(MatrixEditor, CancelCloseDestroyAndUnusableDescriptorsLeaveTheHostsDataByteForByte)
{
    EXPECT_EQ(StartMatrixEd(nullptr, 0), 0);
    HostRecipe recipe(kRecipe23, kSets, kSets);
    const auto before = recipe.snapshot();
    for (int way = 0; way < 6; ++way) { // Cancel, close, destroy; no set count, no rows, a row without folder
        SCOPED_TRACE(way);
        const MatrixDesc usable = recipe.desc;
        recipe.desc.HostSetCount = way == 3 ? nullptr : usable.HostSetCount;
        recipe.desc.Rows = way == 4 ? nullptr : usable.Rows;
        recipe.rows[3].HostFolder = way == 5 ? nullptr : &recipe.folders[3]; // the three copies made go again
        EXPECT_EQ(way > 2 ? StartMatrixEd(nullptr, LPARAM(&recipe.desc)) : recipe.edit([&](HWND d) {
            typeInto(d, cellId(1, 1), "changed");
            typeInto(d, cellId(0, 0), "42");
            CheckDlgButton(d, IDC_MX_MULTIPAGE, BST_CHECKED);
            typeInto(d, IDC_MX_SET_COUNT, "3");
            spin(d, 0); // up
            way == 0 ? click(d, IDCANCEL) : void(way == 1 ? SendMessageA(d, WM_CLOSE, 0, 0) : DestroyWindow(d));
        }), 0);
        recipe.desc = usable;
        EXPECT_EQ(recipe.snapshot(), before);
        recipe.expectReferencesBalanced();
        EXPECT_EQ(recipe.hostSetCount, kSets);
        EXPECT_EQ(recipe.multipage(), nullptr);
        for (int r = 0; r < 3; ++r)
            EXPECT_EQ(recipe.rows[r].Folder.Block, nullptr) << "working copy of row " << r;
    }
}

// Also: Set as recipe name clears, moves or refuses (numeric row) the mark at once.
TEST(MatrixEditor, ShowsTheHostsPageSetsTheRecipeNameAndOkWritesTheCommittedCellsAsShownKeepingTheRest)
{
    HostRecipe recipe(kRecipe23, kSets, kSets);
    recipe.setHostText(4, 1, nullptr); // string id 0
    recipe.desc.RowBase = 100; // the bases number the headers only
    recipe.desc.SetBase = 10;
    const struct {
        int row, set;
        const char* typed;
        std::string shown;
    } edits[] = {{0, 1, "007", "7"}, {3, 2, "-12abc", "-12"}, {1, 0, "abcdefghijklmnopqrst", "abcdefghijkl"},
                 {4, 4, "", ""}};
    auto expected = recipe.values(true);
    expected[5 * kSets] = "5";
    MessageBoxRecorder boxes;
    EXPECT_EQ(recipe.edit([&](HWND d) {
        EXPECT_EQ(windowText(d) + "|" + text(d, IDC_MX_ROW_CAPTION) + "|" + text(d, IDC_MX_SET_CAPTION),
                  "Recipe Matrix|Fields|Parameter sets");
        EXPECT_EQ(text(d, IDC_MX_SET_COUNT) + "|" + text(d, IDC_MX_COLUMN_FIRST + 4), "12|15");
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(text(d, IDC_MX_ROW_FIRST + i) + "|" + text(d, IDC_MX_ROW_NAME_FIRST + i),
                      std::to_string(101 + i) + "|Field " + std::to_string(i) + (i == 2 ? " *" : ""));
        EXPECT_EQ(cell(d, 0, 3) + "|" + cell(d, 3, 4) + "|" + cell(d, 1, 2) + "|" + cell(d, 2, 0) + "|" + cell(d, 4, 1),
                  "3|3004|r1s2|r2s0|");
        EXPECT_EQ(SendDlgItemMessageA(d, cellId(1, 0), EM_GETLIMITTEXT, 0, 0), 12); // MaxTextLen
        EXPECT_EQ(SendDlgItemMessageA(d, cellId(0, 0), EM_GETLIMITTEXT, 0, 0), 40); // numbers
        const auto style = [&](int id) { return GetWindowLongA(GetDlgItem(d, id), GWL_STYLE); };
        EXPECT_EQ(style(IDC_MX_ROW_NAME_FIRST) & (ES_READONLY | WS_TABSTOP), ES_READONLY); // Tab skips the names
        EXPECT_TRUE(style(cellId(0, 0)) & WS_TABSTOP);
        EXPECT_EQ(LOWORD(SendMessageA(d, DM_GETDEFID, 0, 0)), IDOK);
        const auto setAsName = [&](int row) {
            click(d, {IDC_MX_ROW_FIRST + row, IDC_MX_RECIPE_NAME});
            std::string marks; // each row's mark and the end of its shown name
            for (int r = 0; r < 5; ++r)
                marks += std::to_string(recipe.fields[r].IsRecipeName) + text(d, IDC_MX_ROW_NAME_FIRST + r).substr(7);
            return marks;
        };
        EXPECT_EQ(setAsName(2), "00000"); // the marked row: cleared
        EXPECT_EQ(setAsName(4), "00001 *");
        EXPECT_EQ(setAsName(1), "01 *000"); // moved
        EXPECT_TRUE(boxes.shown().empty());
        EXPECT_EQ(setAsName(3), "01 *000"); // numeric: refused
        char caption[50] = {}; // in the resource library
        HMODULE about = LoadLibraryA("KorAbout.dll");
        LoadStringA(about, 101, caption, sizeof caption);
        FreeLibrary(about);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, "Only ASCII field can be recipe name!");
        EXPECT_EQ(boxes.shown()[0].caption, caption);
        click(d, {IDC_MX_CORNER, IDC_MX_RECIPE_NAME}); // several rows: nothing
        EXPECT_EQ(boxes.shown().size(), 1u);
        for (const auto& e : edits) {
            typeInto(d, cellId(e.row, e.set), e.typed);
            EXPECT_EQ(cell(d, e.row, e.set) + "|" + recipe.workingValue(e.row, e.set), e.shown + "|" + e.shown);
            expected[e.row * kSets + e.set] = e.shown;
        }
        EXPECT_EQ(recipe.hostValue(1, 0), "r1s0"); // nothing reaches the host before OK
        const MatrixDesc converters = recipe.desc; // without one a numeric cell keeps its value
        recipe.desc.ParseValue = nullptr;
        typeInto(d, cellId(6, 0), "99");
        recipe.desc.ParseValue = converters.ParseValue;
        recipe.desc.FormatValue = nullptr;
        typeInto(d, cellId(6, 1), "99");
        recipe.desc.FormatValue = converters.FormatValue;
        EXPECT_EQ(cell(d, 6, 0) + "|" + cell(d, 6, 1), "6000|");
        SetFocus(GetDlgItem(d, cellId(5, 0)));
        SetDlgItemTextA(d, cellId(5, 0), "5"); // still being edited when OK comes
        click(d, IDOK);
    }), 1);
    EXPECT_EQ(recipe.values(true), expected);
    EXPECT_EQ(recipe.hostSetCount, kSets);
    recipe.expectReferencesBalanced();
    EXPECT_EQ(recipe.rows[0].Folder.Block, nullptr); // handed over, not shared
}

// Counts the messages of one kind each window of this thread gets while it lives.
struct MessageCounter {
    static inline UINT kind;
    static inline std::map<HWND, int> counts;
    HHOOK hook = nullptr;
    explicit MessageCounter(UINT message)
    {
        kind = message;
        counts.clear();
        hook = SetWindowsHookExA(WH_CALLWNDPROC, onMessage, nullptr, GetCurrentThreadId());
    }
    ~MessageCounter() { UnhookWindowsHookEx(hook); }
    static LRESULT CALLBACK onMessage(int code, WPARAM wParam, LPARAM lParam)
    {
        if (const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam); code == HC_ACTION && m->message == kind)
            ++counts[m->hwnd];
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    int operator()(HWND d, int id) const { return counts[GetDlgItem(d, id)]; }
};

TEST(MatrixEditor, PagingA200By255MatrixCommitsTheEditedCellStopsAtTheEndAndRewritesOnlyWhatChanges)
{
    std::string kinds;
    for (int r = 0; r < 200; ++r)
        kinds += r % 4 == 1 ? 'T' : 'N';
    HostRecipe recipe(kinds, 255, 255);
    recipe.edit([&](HWND d) {
        SetFocus(GetDlgItem(d, cellId(0, 1)));
        SetDlgItemTextA(d, cellId(0, 1), "55"); // being edited
        const struct {
            int code, thumb, firstRow;
            const char* cell01;
        } steps[] = {{SB_PAGEDOWN, 0, 10, "10001"},           {SB_PAGEUP, 0, 0, "55"},
                     {SB_THUMBTRACK, 9, 0, "55"},             {SB_THUMBPOSITION, 185, 185, "r185s1"},
                     {SB_PAGEDOWN, 0, 190, "190001"},         {SB_LINEDOWN, 0, 190, "190001"}};
        for (const auto& s : steps) {
            SCOPED_TRACE(s.code);
            scroll(d, true, s.code, s.thumb);
            EXPECT_EQ(recipe.desc.FirstRow, s.firstRow);
            EXPECT_EQ(GetScrollPos(GetDlgItem(d, IDC_MX_VSCROLL), SB_CTL), s.firstRow);
            EXPECT_EQ(cell(d, 0, 1), s.cell01);
        }
        EXPECT_EQ(text(d, IDC_MX_ROW_FIRST + 9) + "|" + text(d, IDC_MX_ROW_NAME_FIRST + 9) + "|" + cell(d, 9, 0),
                  "200|Field 199|199000");
        scroll(d, false, SB_THUMBPOSITION, 248);
        scroll(d, false, SB_PAGERIGHT);
        EXPECT_EQ(text(d, IDC_MX_COLUMN_FIRST) + "|" + cell(d, 0, 0), "251|190250");
        scroll(d, false, SB_THUMBTRACK, 2); // the grid does not follow a dragged thumb
        scroll(d, false, SB_LINELEFT);
        EXPECT_EQ(recipe.desc.FirstSet, 249);
        const MessageCounter rewrites(WM_SETTEXT); // a step across the sets rewrites the cells and column numbers only
        scroll(d, false, SB_PAGELEFT);
        EXPECT_EQ(GetScrollPos(GetDlgItem(d, IDC_MX_HSCROLL), SB_CTL), 244);
        for (int i = 0; i < 10; ++i) // row names, row numbers, cells
            EXPECT_EQ(std::make_tuple(rewrites(d, IDC_MX_ROW_NAME_FIRST + i), rewrites(d, IDC_MX_ROW_FIRST + i),
                                      rewrites(d, cellId(i, 0))), std::make_tuple(0, 0, 1)) << i;
        EXPECT_EQ(rewrites(d, IDC_MX_SET_COUNT), 0);
        EXPECT_EQ(rewrites(d, IDC_MX_COLUMN_FIRST), 1);
        EXPECT_EQ(cell(d, 0, 0), "190244");
        click(d, IDCANCEL);
    });
}

TEST(MatrixEditor, SetCountOpensAndStaysWithin1To255AndSlotsBeyondTheMatrixAreEmptyAndDisabled)
{
    HostRecipe none("N", 2, 0);
    const auto before = none.snapshot();
    EXPECT_EQ(none.edit([&](HWND d) {
        EXPECT_EQ(text(d, IDC_MX_SET_COUNT) + "|" + none.workingValue(0, 1), "1|<none>");
        click(d, IDCANCEL);
    }), 0);
    EXPECT_EQ(none.hostSetCount, 0);
    EXPECT_EQ(none.snapshot(), before);
    HostRecipe recipe("NT", 10, 40000); // beyond the signed range
    recipe.edit([&](HWND d) {
        EXPECT_EQ(text(d, IDC_MX_SET_COUNT) + "|" + recipe.workingValue(1, 9), "255|r1s9"); // nothing lost
        HWND spinControl = GetDlgItem(d, IDC_MX_SET_SPIN); // its lower half steps down
        RECT r;
        GetClientRect(spinControl, &r);
        SendMessageA(spinControl, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.right / 2, r.bottom - 2));
        SendMessageA(spinControl, WM_LBUTTONUP, 0, MAKELPARAM(r.right / 2, r.bottom - 2));
        spin(d, 0, IDOK); // not the editor's spin control
        EXPECT_EQ(text(d, IDC_MX_SET_COUNT), "254");
        scroll(d, false, SB_PAGERIGHT);
        typeInto(d, IDC_MX_SET_COUNT, "3"); // lower: the view goes back to the first set
        EXPECT_EQ(recipe.desc.FirstSet, 0);
        EXPECT_EQ(text(d, IDC_MX_COLUMN_FIRST + 3) + "|" + cell(d, 0, 3) + text(d, IDC_MX_ROW_NAME_FIRST + 2), "4|");
        EXPECT_EQ(enabled(d, cellId(0, 3)) + enabled(d, IDC_MX_COLUMN_FIRST + 3) + enabled(d, IDC_MX_ROW_FIRST + 2) +
                      enabled(d, IDC_MX_ROW_NAME_FIRST + 2) + enabled(d, cellId(2, 0)), 0);
        typeInto(d, IDC_MX_SET_COUNT, "10"); // raise: the new sets hold 0 and the empty text
        for (int s = 3; s < 10; ++s)
            EXPECT_EQ(recipe.workingValue(0, s) + "|" + recipe.workingValue(1, s), "0|") << s;
        EXPECT_EQ(recipe.workingValue(1, 2), "r1s2");
        const struct {
            const char* typed; // null: spin by `code`, 0 up, 1 down
            int code, expected;
        } steps[] = {{"300", 0, 255}, {nullptr, 0, 1}, {nullptr, 1, 255}, {"-5", 0, 1}, {nullptr, 0, 2}, {"abc", 0, 1}};
        for (const auto& s : steps) {
            SCOPED_TRACE(s.expected);
            s.typed ? typeInto(d, IDC_MX_SET_COUNT, s.typed) : spin(d, s.code);
            EXPECT_EQ(text(d, IDC_MX_SET_COUNT), std::to_string(s.expected));
            EXPECT_EQ(recipe.workingValue(0, s.expected - 1) + recipe.workingValue(0, s.expected), "0<none>");
        }
        click(d, IDOK);
    });
    EXPECT_EQ(recipe.hostSetCount, 1);
    recipe.expectReferencesBalanced();
}

TEST(MatrixEditor, ButtonsSelectShiftExtendsAndTheSelectionIsDrawnInTheHighlightColours)
{
    HostRecipe recipe("NNNNNN", 4, 4);
    recipe.edit([&](HWND d) {
        const auto selected = [&] { return selection(recipe.desc); };
        SetFocus(GetDlgItem(d, cellId(2, 3))); // nothing highlighted: the region runs from the focused cell
        EXPECT_EQ(recipe.desc.SelActive, 0);
        EXPECT_EQ(selected(), (std::vector<int>{2, 5, 3, 3}));
        shiftClick(d, IDC_MX_ROW_FIRST + 4); // nothing to extend: that row
        EXPECT_EQ(selected(), (std::vector<int>{4, 4, 0, 3}));
        click(d, IDC_MX_COLUMN_FIRST + 2);
        shiftClick(d, IDC_MX_COLUMN_FIRST + 1);
        EXPECT_EQ(selected(), (std::vector<int>{0, 5, 1, 2}));
        click(d, IDC_MX_CORNER);
        EXPECT_EQ(selected(), (std::vector<int>{0, 5, 0, 3}));
        click(d, IDC_MX_ROW_FIRST + 6); // a row the matrix lacks
        EXPECT_EQ(recipe.desc.SelActive, 0);
        click(d, IDC_MX_ROW_FIRST + 1);
        shiftClick(d, IDC_MX_ROW_FIRST + 3);
        EXPECT_NE(recipe.desc.SelActive, 0);
        SetFocus(GetDlgItem(d, cellId(0, 0))); // a highlight stays when a cell takes the focus
        EXPECT_EQ(selected(), (std::vector<int>{1, 3, 0, 3}));

        const auto colours = [&](int rowSlot) { // the brush and colours the editor gives a cell
            HWND edit = GetDlgItem(d, cellId(rowSlot, 2));
            HDC dc = GetDC(edit);
            const auto brush = HBRUSH(SendMessageA(d, WM_CTLCOLOREDIT, WPARAM(dc), LPARAM(edit)));
            const auto all = std::make_tuple(brush == recipe.desc.HighlightBrush, GetBkColor(dc), GetTextColor(dc));
            ReleaseDC(edit, dc);
            return all;
        };
        EXPECT_EQ(colours(3), std::make_tuple(true, GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_HIGHLIGHTTEXT)));
        EXPECT_FALSE(std::get<0>(colours(4))); // the dialog manager's colours
        EXPECT_NE(std::get<1>(colours(4)), GetSysColor(COLOR_HIGHLIGHT));
        ShowWindow(d, SW_SHOWNORMAL);
        RedrawWindow(d, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        click(d, IDC_MX_ROW_FIRST + 5); // the old and the new rows are painted again, no other
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(GetUpdateRect(GetDlgItem(d, cellId(i, 1)), nullptr, FALSE) != FALSE, i != 0 && i != 4) << i;
        click(d, IDCANCEL);
    });
}

// The host's allocator: counts its calls and fails when told to.
struct CountingAllocator {
    static inline int calls = 0;
    static inline bool fail = false;
    static void* WINAPI allocate(UINT bytes) { return ++calls, fail ? nullptr : std::malloc(bytes); }
};

TEST(MatrixEditor, OkAddsOrRemovesTheRecipeOnceInTheMultipageListAndAFailedAllocationChangesNothing)
{
    HostRecipe recipe("NT", 2, 2);
    const struct {
        WORD recipeId;
        bool multipage, fail, heap; // heap: no allocator, the runtime heap (the host frees with free)
        std::vector<WORD> ids;
        int calls; // of the allocator
    } steps[] = {{7, true, true, false, {}, 3}, // record, list, identifiers
                 {7, true, false, true, {7}, 0},    {7, true, false, false, {7}, 0},   {9, true, false, false, {7, 9}, 1},
                 {3, true, true, false, {7, 9}, 1}, {7, false, false, false, {9}, 1}, {9, false, false, false, {}, 0}};
    for (const auto& s : steps) {
        SCOPED_TRACE(testing::Message() << s.recipeId << s.multipage << s.fail);
        recipe.desc.RecipeId = s.recipeId;
        SetAppFmalloc(s.heap ? nullptr : CountingAllocator::allocate);
        CountingAllocator::fail = s.fail;
        CountingAllocator::calls = 0;
        const bool listed = std::ranges::count(recipe.multipageIds(), s.recipeId) != 0;
        EXPECT_EQ(recipe.edit([&](HWND d) {
            EXPECT_EQ(IsDlgButtonChecked(d, IDC_MX_MULTIPAGE) == BST_CHECKED, listed);
            CheckDlgButton(d, IDC_MX_MULTIPAGE, s.multipage ? BST_CHECKED : BST_UNCHECKED);
            spin(d, 0); // the grid is redrawn: the user's choice stays until OK
            spin(d, 1);
            EXPECT_EQ(IsDlgButtonChecked(d, IDC_MX_MULTIPAGE) == BST_CHECKED, s.multipage);
            click(d, IDOK);
        }), 1);
        EXPECT_EQ(recipe.multipageIds(), s.ids);
        EXPECT_EQ(CountingAllocator::calls, s.calls);
        EXPECT_EQ(recipe.multipage() == nullptr, &s == &steps[0]); // the failed creation stored nothing
    }
    SetAppFmalloc(nullptr);
}

TEST(MatrixEditor, PasteFollowsTheClipboardAndTheViewerChainStaysWhole)
{
    emptyClipboard();
    HWND viewer = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    HWND previous = SetClipboardViewer(viewer);
    pumpMessages();
    const MessageCounter draws(WM_DRAWCLIPBOARD);
    HostRecipe recipe("N", 1, 1);
    recipe.edit([&](HWND d) {
        EXPECT_EQ(recipe.desc.NextViewer, viewer);
        EXPECT_EQ(draws.counts[viewer], 0); // the editor's first notice is its own
        EXPECT_FALSE(enabled(d, IDC_MX_PASTE));
        putTextOnClipboard("42");
        pumpMessages(50);
        EXPECT_TRUE(enabled(d, IDC_MX_PASTE));
        EXPECT_GE(draws.counts[viewer], 1); // passed on
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

} // namespace
