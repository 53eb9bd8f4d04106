// The tree-list drawing through the DLL: the cells of bitmap 1201, line
// heights, the open list on the C runtime heap, scrolling to shown children
// and the pixels of a drawn line.
#include <gtest/gtest.h>

#include "support/import_hook.h"
#include "support/pixels.h"
#include "w32korutil1.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr COLORREF kMarker = RGB(10, 200, 30); // what the line's DC held before

HMODULE library()
{
    return GetModuleHandleA("W32KORUTIL1.dll");
}

// A state set up with the library's bitmap (1 row, 3 columns, lines on).
struct TreeState {
    HierDrawState state{};
    BOOL ready;
    TreeState() : ready(HierDraw_DrawInit(library(), W32K_BMP_TAG_TREE, 1, 3, TRUE, &state, TRUE)) {}
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

// A 32-bit top-down DIB section standing for one list line.
class LineCanvas {
public:
    LineCanvas(int width, int height) : width_(width), height_(height)
    {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        dc_ = CreateCompatibleDC(nullptr);
        old_ = SelectObject(dc_, bitmap_);
        const RECT all{0, 0, width, height};
        SetBkColor(dc_, kMarker);
        ExtTextOutA(dc_, 0, 0, ETO_OPAQUE, &all, "", 0, nullptr);
    }
    ~LineCanvas()
    {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
        DeleteObject(bitmap_);
    }
    // Draws as the list box's owner would for line 0.
    void draw(HierDrawState& state, int level, DWORD mask, int column, UINT action = ODA_DRAWENTIRE,
              UINT itemState = 0, UINT itemId = 0, LONG left = 0)
    {
        DRAWITEMSTRUCT d{};
        d.CtlType = ODT_LISTBOX;
        d.itemID = itemId;
        d.itemAction = action;
        d.itemState = itemState;
        d.hDC = dc_;
        d.rcItem = {left, 0, width_, height_};
        HierDraw_OnDrawItem(nullptr, &d, level, mask, "Tag", 0, column, &state);
        GdiFlush();
    }
    COLORREF at(int x, int y) const
    {
        const DWORD p = bits_[y * width_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // The x positions in [from, to) of row y that have the colour.
    std::vector<int> columnsOf(int y, COLORREF colour, int from = 0, int to = -1) const
    {
        std::vector<int> xs;
        for (int x = from; x < (to < 0 ? width_ : to); ++x)
            if (at(x, y) == colour)
                xs.push_back(x);
        return xs;
    }
    bool untouched() const
    {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (at(x, y) != kMarker)
                    return false;
        return true;
    }

private:
    int width_, height_;
    HBITMAP bitmap_;
    DWORD* bits_ = nullptr;
    HDC dc_;
    HGDIOBJ old_;
};

COLORREF sys(int index)
{
    const COLORREF c = GetSysColor(index);
    return RGB(GetRValue(c), GetGValue(c), GetBValue(c));
}

TEST(HierDraw, InitTakesTheCellsOfBitmap1201)
{
    TreeState t;
    ASSERT_TRUE(t.ready);
    EXPECT_EQ(t.state.cellWidth, 22);
    EXPECT_EQ(t.state.cellHeight, 17);
    EXPECT_EQ(t.state.lineHeight, 17);
    EXPECT_TRUE(t.state.lines);
    EXPECT_NE(t.state.memoryDC, nullptr);
    EXPECT_NE(t.state.previousBitmap, nullptr);
    EXPECT_EQ(GetCurrentObject(t.state.memoryDC, OBJ_BITMAP), t.state.cellBitmap);

    HierDrawState failed{};
    EXPECT_FALSE(HierDraw_DrawInit(library(), 1299, 1, 3, TRUE, &failed, TRUE)); // no such bitmap
    EXPECT_FALSE(HierDraw_DrawInit(library(), W32K_BMP_TAG_TREE, 0, 3, TRUE, &failed, TRUE));
    HierDraw_DrawTerm(&failed);
    EXPECT_EQ(failed.memoryDC, nullptr);
}

TEST(HierDraw, InitAgainReplacesTheCellBitmapAndTermReleasesEverything)
{
    TreeState t;
    ASSERT_TRUE(t.ready);
    const HBITMAP first = t.state.cellBitmap;
    const HBITMAP own = t.state.previousBitmap;
    const DWORD objects = w32ktest::gdiObjectCount();
    ASSERT_TRUE(HierDraw_DrawInit(library(), W32K_BMP_TAG_TREE, 1, 3, TRUE, &t.state, FALSE));
    EXPECT_FALSE(w32ktest::gdiObjectAlive(first));
    EXPECT_EQ(t.state.previousBitmap, own); // the DC's own bitmap, not the first cells
    EXPECT_EQ(w32ktest::gdiObjectCount(), objects);

    const HBITMAP cells = t.state.cellBitmap;
    HierDraw_DrawTerm(&t.state);
    EXPECT_FALSE(w32ktest::gdiObjectAlive(cells));
    EXPECT_EQ(t.state.memoryDC, nullptr);
    EXPECT_EQ(t.state.cellBitmap, nullptr);
    EXPECT_EQ(t.state.previousBitmap, nullptr);
    HierDraw_DrawTerm(&t.state); // twice is harmless
}

TEST(HierDraw, LineHeightIsTheLargerOfCellAndFont)
{
    const HWND list = CreateWindowA("LISTBOX", "", WS_POPUP | LBS_OWNERDRAWFIXED, 0, 0, 100, 100, nullptr,
                                    nullptr, nullptr, nullptr);
    for (int fontHeight : {13, 20}) {
        TreeState t;
        SendMessageA(list, LB_SETITEMHEIGHT, 0, 1);
        const HFONT font = CreateFontA(fontHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
        HierDraw_DrawSetTextHeight(nullptr, font, &t.state); // the state only
        EXPECT_EQ(t.state.textHeight, fontHeight);
        const int expected = fontHeight > 17 ? fontHeight : 17;
        EXPECT_EQ(t.state.lineHeight, expected);
        EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), 1);

        HierDraw_DrawSetTextHeight(list, font, &t.state);
        EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), expected);
        MEASUREITEMSTRUCT measure{};
        HierDraw_OnMeasureItem(nullptr, &measure, &t.state);
        EXPECT_EQ(measure.itemHeight, static_cast<UINT>(expected));
        DeleteObject(font);
    }
    DestroyWindow(list);
}

TEST(HierDraw, OpenListKeepsValuesOnTheHeap)
{
    TreeState t;
    EXPECT_FALSE(HierDraw_IsOpened(&t.state, 5)); // empty list
    for (DWORD v : {5u, 0x80000007u, 9u, 5u})
        HierDraw_OpenItem(&t.state, v);
    EXPECT_EQ(t.opened(), (std::vector<DWORD>{5, 0x80000007u, 9, 5}));
    EXPECT_TRUE(HierDraw_IsOpened(&t.state, 0x80000007u));
    EXPECT_FALSE(HierDraw_IsOpened(&t.state, 7)); // all 32 bits count

    HierDraw_CloseItem(&t.state, 5); // every entry of the value goes
    EXPECT_EQ(t.opened(), (std::vector<DWORD>{0x80000007u, 9}));
    HierDraw_CloseItem(&t.state, 42);
    EXPECT_EQ(t.state.openCount, 2);
    HierDraw_CloseItem(&t.state, 9);
    HierDraw_CloseItem(&t.state, 0x80000007u);
    EXPECT_EQ(t.state.openCount, 0);
    EXPECT_EQ(t.state.openList, nullptr); // the last value frees the list

    HierDraw_OpenItem(&t.state, 1);
    HierDraw_OpenItem(&t.state, 2);
    HierDraw_DrawCloseAll(&t.state);
    EXPECT_EQ(t.state.openCount, 0);
    EXPECT_EQ(t.state.openList, nullptr);
}

// realloc of the C runtime, failing while g_failRealloc is set.
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
    HierDraw_OpenItem(&t.state, 1);
    HierDraw_OpenItem(&t.state, 2);
    HierDraw_OpenItem(&t.state, 3);
    g_failRealloc = true;
    HierDraw_OpenItem(&t.state, 4); // cannot grow: unchanged
    EXPECT_EQ(t.opened(), (std::vector<DWORD>{1, 2, 3}));
    HierDraw_CloseItem(&t.state, 2); // cannot shrink: closed all the same
    EXPECT_EQ(t.opened(), (std::vector<DWORD>{1, 3}));
    EXPECT_FALSE(HierDraw_IsOpened(&t.state, 2));
    g_failRealloc = false;
    HierDraw_OpenItem(&t.state, 4);
    EXPECT_EQ(t.opened(), (std::vector<DWORD>{1, 3, 4}));
}

TEST(HierDraw, ShowKidsScrollsTheLastChildIntoView)
{
    TreeState t;
    const HWND list = CreateWindowA("LISTBOX", "", WS_POPUP | LBS_NOINTEGRALHEIGHT, 0, 0, 120,
                                    10 * 17 + 2 * GetSystemMetrics(SM_CYBORDER), nullptr, nullptr, nullptr, nullptr);
    RECT client{};
    GetClientRect(list, &client);
    SendMessageA(list, LB_SETITEMHEIGHT, 0, 17);
    for (int i = 0; i < 40; ++i)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("line"));
    const int visible = (client.bottom + 1) / 17;
    ASSERT_GE(visible, 7);
    struct Case {
        int top, parent, children, newTop;
    };
    const Case cases[] = {
        {0, visible - 1, 5, 5},                     // parent on the last visible line: 5 lines down
        {0, visible - 1, visible, visible - 1},     // as many children as lines: the parent on top
        {0, 2, 3, 0},                               // all children visible already
        {10, 12, 4, 10},
        {10, 10 + visible - 3, 3, 11},              // one line short
    };
    for (const Case& c : cases) {
        SendMessageA(list, LB_SETTOPINDEX, c.top, 0);
        HierDraw_ShowKids(&t.state, list, c.parent, c.children);
        EXPECT_EQ(SendMessageA(list, LB_GETTOPINDEX, 0, 0), c.newTop)
            << "top " << c.top << " parent " << c.parent << " children " << c.children;
    }
    DestroyWindow(list);
}

TEST(HierDraw, DrawnLineShowsConnectorsCellAndText)
{
    TreeState t;
    ASSERT_TRUE(t.ready);
    const COLORREF ink = sys(COLOR_WINDOWTEXT), paper = sys(COLOR_WINDOW);
    struct Case {
        int level;
        DWORD mask;
        LONG left;
        std::vector<int> fullColumns; // x of lines over the whole height (row 0)
        std::vector<int> stub;        // x of the horizontal stub (row 9)
        int cellLeft;
    };
    const Case cases[] = {
        {0, 0xFF, 0, {}, {}, 2},                                   // level 0: no lines
        {2, 2, 0, {35}, {35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45}, 46},
        {2, 0, 0, {35}, {35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45}, 46}, // own connector down to the middle
        {1, 1u << 2, 0, {13}, {13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23}, 24},
        {3, 3, 0, {13, 35, 57}, {57, 58, 59, 60, 61, 62, 63, 64, 65, 66, 67}, 68},
        {1, 0, 10, {23}, {23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33}, 34}, // an item not at x = 0
    };
    for (const Case& c : cases) {
        LineCanvas line(200, 17);
        line.draw(t.state, c.level, c.mask, W32K_TAG_CELL_TAG, ODA_DRAWENTIRE, 0, 0, c.left);
        const int cellLeft = c.cellLeft;
        EXPECT_EQ(line.columnsOf(0, ink, 0, cellLeft), c.fullColumns) << "level " << c.level;
        EXPECT_EQ(line.columnsOf(9, ink, 0, cellLeft), [&] {
            auto xs = c.stub;
            for (int x : c.fullColumns)
                if (std::find(xs.begin(), xs.end(), x) == xs.end())
                    xs.insert(std::upper_bound(xs.begin(), xs.end(), x), x);
            return xs;
        }()) << "level " << c.level;
        // The tag cell: its blue background became the window colour; its
        // outline and yellow front panel are there.
        EXPECT_EQ(line.at(cellLeft, 0), paper);
        EXPECT_EQ(line.at(cellLeft + 1, 8), RGB(0, 0, 0));
        EXPECT_EQ(line.at(cellLeft + 2, 5), RGB(255, 255, 0));
        // The text rectangle begins after the cell, in the window colour.
        EXPECT_EQ(line.at(cellLeft + 22, 0), paper);
    }
    // Without the connector bit the own line stops at the middle.
    LineCanvas half(200, 17);
    half.draw(t.state, 2, 0, W32K_TAG_CELL_TAG);
    EXPECT_EQ(half.at(35, 9), ink);
    EXPECT_EQ(half.at(35, 10), kMarker);
    LineCanvas full(200, 17);
    full.draw(t.state, 2, 1u << 3, W32K_TAG_CELL_TAG);
    EXPECT_EQ(full.at(35, 16), ink);
}

TEST(HierDraw, SelectionRepaintsOnlyTheTextAndItemMinusOneNothing)
{
    TreeState t;
    ASSERT_TRUE(t.ready);
    LineCanvas none(120, 17);
    none.draw(t.state, 1, 1, W32K_TAG_CELL_TAG, ODA_DRAWENTIRE, ODS_SELECTED, static_cast<UINT>(-1));
    EXPECT_TRUE(none.untouched());

    LineCanvas selected(120, 17);
    selected.draw(t.state, 1, 1, W32K_TAG_CELL_CLOSED_GROUP, ODA_SELECT, ODS_SELECTED);
    EXPECT_EQ(selected.at(13, 0), kMarker); // no lines
    EXPECT_EQ(selected.at(30, 5), kMarker); // no cell
    EXPECT_EQ(selected.at(119, 0), sys(COLOR_HIGHLIGHT));
    EXPECT_EQ(selected.at(46, 16), sys(COLOR_HIGHLIGHT)); // the text rectangle starts after the cell
    EXPECT_EQ(selected.at(45, 16), kMarker);
}

TEST(HierDraw, Bitmap1201IsASixteenColourStripOnBlue)
{
    const HRSRC found = FindResourceA(library(), MAKEINTRESOURCEA(W32K_BMP_TAG_TREE), RT_BITMAP);
    ASSERT_NE(found, nullptr);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(library(), found)));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->biWidth, 68);
    EXPECT_EQ(header->biHeight, 17); // bottom-up
    EXPECT_EQ(header->biBitCount, 4);
    const auto* colours = reinterpret_cast<const RGBQUAD*>(header + 1);
    const BYTE* bits = reinterpret_cast<const BYTE*>(colours + 16);
    EXPECT_EQ(bits[0] >> 4, 12);
    EXPECT_EQ(colours[12].rgbBlue, 255);
    EXPECT_EQ(colours[12].rgbRed + colours[12].rgbGreen, 0);
    EXPECT_EQ(colours[11].rgbRed + colours[11].rgbGreen, 2 * 255); // yellow
    EXPECT_EQ(SizeofResource(library(), found), 40u + 64u + 36u * 17u);
}

} // namespace
