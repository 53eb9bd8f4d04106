// Tree-list drawing through the DLL: the cells of bitmap 1201, line heights,
// the open list, scrolling to shown children and the pixels of a line.
#include <gtest/gtest.h>

#include "support/import_hook.h"
#include "support/pixels.h"
#include "w32korutil1.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

constexpr COLORREF kMarker = RGB(10, 200, 30); // the line's pixels before drawing

HMODULE library()
{
    return GetModuleHandleA("W32KORUTIL1.dll");
}

COLORREF sys(int index)
{
    return GetSysColor(index) & 0xFFFFFF;
}

// A state set up with the library's cells (1 row, 3 columns, lines on).
struct TreeState {
    HierDrawState state{};
    BOOL ready = HierDraw_DrawInit(library(), W32K_BMP_TAG_TREE, 1, 3, TRUE, &state, TRUE);
    ~TreeState()
    {
        HierDraw_DrawTerm(&state);
        HierDraw_DrawCloseAll(&state);
    }
    std::vector<DWORD> opened() const
    {
        return state.openList ? std::vector<DWORD>(state.openList, state.openList + state.openCount)
                              : std::vector<DWORD>{};
    }
};

// One list line, 200 x 17, drawn into a 32-bit DIB section.
struct DrawnLine {
    static constexpr int kWidth = 200, kHeight = 17;
    DWORD* bits = nullptr;
    HBITMAP bitmap;
    HDC dc = CreateCompatibleDC(nullptr);

    DrawnLine(HierDrawState& state, int level, DWORD mask, UINT action = ODA_DRAWENTIRE, UINT itemState = 0,
              UINT itemId = 0, LONG left = 0)
    {
        BITMAPINFO info{{sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        SelectObject(dc, bitmap);
        std::fill(bits, bits + kWidth * kHeight, RGB(30, 200, 10)); // kMarker in DIB order
        DRAWITEMSTRUCT d{ODT_LISTBOX, 0, itemId, action, itemState, nullptr, dc, {left, 0, kWidth, kHeight}, 0};
        HierDraw_OnDrawItem(nullptr, &d, level, mask, "Tag", 0, W32K_TAG_CELL_TAG, &state);
        GdiFlush();
    }
    ~DrawnLine()
    {
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    COLORREF at(int x, int y) const
    {
        const DWORD p = bits[y * kWidth + x];
        return RGB(p >> 16, (p >> 8) & 0xFF, p & 0xFF);
    }
    // The x positions left of `to` in row y that have the colour.
    std::vector<int> columns(int y, COLORREF colour, int to) const
    {
        std::vector<int> xs;
        for (int x = 0; x < to; ++x)
            if (at(x, y) == colour)
                xs.push_back(x);
        return xs;
    }
};

std::vector<int> run(int from, int length)
{
    std::vector<int> xs;
    for (int x = from; x < from + length; ++x)
        xs.push_back(x);
    return xs;
}

TEST(HierDraw, CellsOfBitmap1201AndTheirRelease)
{
    TreeState t;
    ASSERT_TRUE(t.ready);
    EXPECT_EQ(t.state.cellWidth, 22);
    EXPECT_EQ(t.state.cellHeight, 17);
    EXPECT_EQ(t.state.lineHeight, 17);
    EXPECT_EQ(GetCurrentObject(t.state.memoryDC, OBJ_BITMAP), t.state.cellBitmap);

    // Set up again (a new window colour): the first cells are deleted, not leaked.
    const HBITMAP first = t.state.cellBitmap, own = t.state.previousBitmap;
    const DWORD objects = w32ktest::gdiObjectCount();
    ASSERT_TRUE(HierDraw_DrawInit(library(), W32K_BMP_TAG_TREE, 1, 3, TRUE, &t.state, FALSE));
    EXPECT_FALSE(w32ktest::gdiObjectAlive(first));
    EXPECT_EQ(t.state.previousBitmap, own);
    EXPECT_EQ(w32ktest::gdiObjectCount(), objects);

    const HBITMAP cells = t.state.cellBitmap;
    HierDraw_DrawTerm(&t.state);
    EXPECT_FALSE(w32ktest::gdiObjectAlive(cells));
    EXPECT_EQ(t.state.memoryDC, nullptr);
    EXPECT_EQ(t.state.previousBitmap, nullptr);

    EXPECT_FALSE(HierDraw_DrawInit(library(), 1299, 1, 3, TRUE, &t.state, TRUE)); // no such bitmap
    EXPECT_FALSE(HierDraw_DrawInit(library(), W32K_BMP_TAG_TREE, 0, 3, TRUE, &t.state, TRUE));
}

TEST(HierDraw, LineHeightIsTheLargerOfCellAndFont)
{
    const HWND list = CreateWindowA("LISTBOX", "", WS_POPUP | LBS_OWNERDRAWFIXED, 0, 0, 100, 100, nullptr, nullptr,
                                    nullptr, nullptr);
    for (const auto& [fontHeight, lineHeight] : {std::pair{13, 17}, std::pair{20, 20}}) {
        TreeState t;
        SendMessageA(list, LB_SETITEMHEIGHT, 0, 1);
        const HFONT font = CreateFontA(fontHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
        HierDraw_DrawSetTextHeight(nullptr, font, &t.state); // the state only
        EXPECT_EQ(t.state.textHeight, fontHeight);
        EXPECT_EQ(t.state.lineHeight, lineHeight);
        EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), 1);
        HierDraw_DrawSetTextHeight(list, font, &t.state);
        EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), lineHeight);
        MEASUREITEMSTRUCT measure{};
        HierDraw_OnMeasureItem(nullptr, &measure, &t.state);
        EXPECT_EQ(measure.itemHeight, static_cast<UINT>(lineHeight));
        DeleteObject(font);
    }
    DestroyWindow(list);
}

TEST(HierDraw, OpenListOnTheHeap)
{
    TreeState t;
    EXPECT_FALSE(HierDraw_IsOpened(&t.state, 5));
    for (DWORD v : {5u, 0x80000007u, 9u, 5u})
        HierDraw_OpenItem(&t.state, v);
    EXPECT_TRUE(HierDraw_IsOpened(&t.state, 0x80000007u));
    EXPECT_FALSE(HierDraw_IsOpened(&t.state, 7)); // all 32 bits count
    HierDraw_CloseItem(&t.state, 5);              // every entry of the value goes
    EXPECT_EQ(t.opened(), (std::vector<DWORD>{0x80000007u, 9}));
    HierDraw_CloseItem(&t.state, 9);
    HierDraw_CloseItem(&t.state, 0x80000007u);
    EXPECT_EQ(t.state.openCount, 0);
    EXPECT_EQ(t.state.openList, nullptr); // the last value frees the list
    HierDraw_OpenItem(&t.state, 1);
    HierDraw_DrawCloseAll(&t.state);
    EXPECT_EQ(t.state.openList, nullptr);
}

bool g_failRealloc = false;
void* __cdecl failingRealloc(void* block, size_t size)
{
    return g_failRealloc ? nullptr : std::realloc(block, size);
}

TEST(HierDraw, FailedAllocationLeavesTheOpenListConsistent)
{
    w32ktest::ImportHook hook(library(), "msvcrt.dll", "realloc", reinterpret_cast<void*>(failingRealloc));
    ASSERT_TRUE(hook.installed());
    TreeState t;
    for (DWORD v : {1u, 2u, 3u})
        HierDraw_OpenItem(&t.state, v);
    g_failRealloc = true;
    HierDraw_OpenItem(&t.state, 4); // cannot grow: unchanged
    EXPECT_EQ(t.opened(), (std::vector<DWORD>{1, 2, 3}));
    HierDraw_CloseItem(&t.state, 2); // cannot shrink: closed all the same
    EXPECT_EQ(t.opened(), (std::vector<DWORD>{1, 3}));
    g_failRealloc = false;
}

TEST(HierDraw, ShowKidsScrollsTheLastChildIntoView)
{
    TreeState t;
    const HWND list = CreateWindowA("LISTBOX", "", WS_POPUP | LBS_NOINTEGRALHEIGHT, 0, 0, 120, 170, nullptr, nullptr,
                                    nullptr, nullptr);
    SendMessageA(list, LB_SETITEMHEIGHT, 0, 17);
    for (int i = 0; i < 40; ++i)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("line"));
    RECT client{};
    GetClientRect(list, &client);
    const int v = (client.bottom + 1) / 17; // visible lines
    ASSERT_GE(v, 8);
    const struct {
        int top, parent, children, newTop;
    } cases[] = {
        {0, v - 1, 5, 5},         // parent on the last visible line: 5 lines down
        {0, v - 1, v, v - 1},     // as many children as lines: the parent on top
        {0, 2, 3, 0},             // all visible already
        {10, 10 + v - 3, 3, 11},  // one line short
    };
    for (const auto& c : cases) {
        SendMessageA(list, LB_SETTOPINDEX, c.top, 0);
        HierDraw_ShowKids(&t.state, list, c.parent, c.children);
        EXPECT_EQ(SendMessageA(list, LB_GETTOPINDEX, 0, 0), c.newTop) << c.parent << "+" << c.children;
    }
    DestroyWindow(list);
}

TEST(HierDraw, DrawnLineShowsConnectorsCellAndText)
{
    TreeState t;
    ASSERT_TRUE(t.ready);
    const COLORREF ink = sys(COLOR_WINDOWTEXT);
    const struct {
        int level;
        DWORD mask;
        LONG left;
        std::vector<int> top;  // line pixels of row 0
        std::vector<int> stub; // of row 9 (bottom - line height / 2)
        std::vector<int> foot; // of row 16
    } cases[] = {
        {0, 0xFF, 0, {}, {}, {}},                             // level 0: no lines
        {2, 2, 0, {35}, run(35, 11), {35}},                   // bit 1: full line at 35
        {2, 0, 0, {35}, run(35, 11), {}},                     // own connector to the middle
        {2, 1u << 3, 0, {35}, run(35, 11), {35}},             // bit level + 1: on to the bottom
        {3, 3, 0, {13, 35, 57}, [] { auto xs = run(57, 11); xs.insert(xs.begin(), {13, 35}); return xs; }(),
         {13, 35}},
        {1, 0, 10, {23}, run(23, 11), {}},                    // an item that starts at x = 10
    };
    for (const auto& c : cases) {
        DrawnLine line(t.state, c.level, c.mask, ODA_DRAWENTIRE, 0, 0, c.left);
        const int cellLeft = c.left + c.level * 22 + 2;
        EXPECT_EQ(line.columns(0, ink, cellLeft), c.top) << "level " << c.level << " mask " << c.mask;
        EXPECT_EQ(line.columns(9, ink, cellLeft), c.stub) << "level " << c.level << " mask " << c.mask;
        EXPECT_EQ(line.columns(16, ink, cellLeft), c.foot) << "level " << c.level << " mask " << c.mask;
        // The tag cell: its blue background became the window colour; the
        // outline and the yellow front panel stay.
        EXPECT_EQ(line.at(cellLeft, 0), sys(COLOR_WINDOW));
        EXPECT_EQ(line.at(cellLeft + 1, 8), RGB(0, 0, 0));
        EXPECT_EQ(line.at(cellLeft + 2, 5), RGB(255, 255, 0));
    }
}

TEST(HierDraw, SelectionRepaintsOnlyTheTextAndItemMinusOneNothing)
{
    TreeState t;
    DrawnLine none(t.state, 1, 1, ODA_DRAWENTIRE, ODS_SELECTED, static_cast<UINT>(-1));
    EXPECT_EQ(none.columns(8, kMarker, DrawnLine::kWidth).size(), static_cast<size_t>(DrawnLine::kWidth));

    DrawnLine selected(t.state, 1, 1, ODA_SELECT, ODS_SELECTED);
    EXPECT_EQ(selected.at(13, 0), kMarker); // no lines
    EXPECT_EQ(selected.at(45, 16), kMarker); // no cell
    EXPECT_EQ(selected.at(46, 16), sys(COLOR_HIGHLIGHT)); // the text rectangle after the cell
}

} // namespace
