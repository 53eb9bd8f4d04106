// Tree-list drawing through the DLL: the cells of bitmap 1201, the open list and scrolling to shown children.
#include <gtest/gtest.h>

#include "frame/raii.h"
#include "support/import_hook.h"
#include "support/pixels.h"
#include "w32korutil1.h"

#include <cstdlib>
#include <vector>

namespace {

const HMODULE kLibrary = GetModuleHandleA("W32KORUTIL1.dll");

// A state set up with the library's cells (1 row, 3 columns, lines on).
struct TreeState {
    HierDrawState state{};
    BOOL ready = HierDraw_DrawInit(kLibrary, W32K_BMP_TAG_TREE, 1, 3, TRUE, &state, TRUE);
    ~TreeState() { HierDraw_DrawTerm(&state), HierDraw_DrawCloseAll(&state); }
    std::vector<DWORD> opened() const { return {state.openList, state.openList + state.openCount}; }
};

bool g_failRealloc = false;
void* g_reallocated = nullptr; // the block the last realloc was given
void* __cdecl failingRealloc(void* block, size_t size)
{
    g_reallocated = block;
    return g_failRealloc ? nullptr : std::realloc(block, size);
}

} // namespace

// Set up again (a new window colour), the first cells are deleted, not leaked; drawing a line leaks
// nothing; DrawTerm releases everything. (The connectors drawn: the tag picker's probe.)
TEST(HierDraw, CellsOfBitmap1201AndTheirRelease)
{
    TreeState t;
    ASSERT_TRUE(t.ready);
    const HBITMAP first = t.state.cellBitmap, own = t.state.previousBitmap;
    const DWORD objects = w32ktest::gdiObjectCount();
    ASSERT_TRUE(HierDraw_DrawInit(kLibrary, W32K_BMP_TAG_TREE, 1, 3, TRUE, &t.state, FALSE));
    EXPECT_FALSE(w32ktest::gdiObjectAlive(first));
    EXPECT_EQ(t.state.previousBitmap, own);
    EXPECT_EQ(w32ktest::gdiObjectCount(), objects);
    {
        const w32k::MemoryDC dc(nullptr);
        DRAWITEMSTRUCT d{ODT_LISTBOX, 0, 0, ODA_DRAWENTIRE, 0, nullptr, dc, {0, 0, 200, 17}, 0};
        HierDraw_OnDrawItem(nullptr, &d, 3, 3, "Tag", 0, W32K_TAG_CELL_TAG, &t.state);
    }
    EXPECT_EQ(w32ktest::gdiObjectCount(), objects);
    const HBITMAP cells = t.state.cellBitmap;
    HierDraw_DrawTerm(&t.state);
    EXPECT_FALSE(w32ktest::gdiObjectAlive(cells));
    EXPECT_EQ(t.state.memoryDC, nullptr);
    EXPECT_FALSE(HierDraw_DrawInit(kLibrary, 1299, 1, 3, TRUE, &t.state, TRUE)); // no such bitmap
}

// All 32 bits of a value count; CloseItem removes every entry of a value; a failed realloc leaves the
// list as it was when growing and still closes when shrinking; the last value frees the list.
TEST(HierDraw, OpenListStaysConsistentWhenReallocFailsAndIsFreed)
{
    w32ktest::ImportHook hook(kLibrary, "msvcrt.dll", "realloc", reinterpret_cast<void*>(failingRealloc));
    ASSERT_TRUE(hook.installed());
    TreeState t;
    for (DWORD v : {5u, 0x80000007u, 9u, 5u})
        HierDraw_OpenItem(&t.state, v);
    EXPECT_TRUE(HierDraw_IsOpened(&t.state, 0x80000007u));
    EXPECT_FALSE(HierDraw_IsOpened(&t.state, 7));
    HierDraw_CloseItem(&t.state, 5);
    EXPECT_EQ(t.opened(), (std::vector<DWORD>{0x80000007u, 9}));
    g_failRealloc = true;
    HierDraw_OpenItem(&t.state, 4);
    EXPECT_EQ(t.opened(), (std::vector<DWORD>{0x80000007u, 9}));
    HierDraw_CloseItem(&t.state, 9);
    EXPECT_EQ(t.opened(), (std::vector<DWORD>{0x80000007u}));
    g_failRealloc = false;
    HierDraw_CloseItem(&t.state, 0x80000007u);
    EXPECT_EQ(t.state.openList, nullptr);
    // A list left behind under a count of 0 (or below) is reused, not leaked.
    for (const int staleCount : {0, -2}) {
        t.state.openList = static_cast<DWORD*>(std::malloc(sizeof(DWORD)));
        t.state.openCount = staleCount;
        void* const stale = t.state.openList;
        HierDraw_OpenItem(&t.state, 6);
        EXPECT_EQ(g_reallocated, stale);
        EXPECT_EQ(t.opened(), (std::vector<DWORD>{6}));
        HierDraw_DrawCloseAll(&t.state);
    }
}

TEST(HierDraw, ShowKidsScrollsTheLastChildIntoView)
{
    TreeState t;
    const HWND list = CreateWindowA("LISTBOX", "", WS_POPUP | LBS_NOINTEGRALHEIGHT, 0, 0, 120, 170, nullptr,
                                    nullptr, nullptr, nullptr);
    SendMessageA(list, LB_SETITEMHEIGHT, 0, 17);
    for (int i = 0; i < 40; ++i)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("line"));
    constexpr int v = 10; // the lines of 17 pixels the borderless list shows
    const struct { int top, parent, children, newTop; } cases[] = {
        {0, v - 1, 5, 5}, {0, v - 1, v, v - 1} /* parent on top */, {0, 2, 3, 0}, {10, 10 + v - 3, 3, 11}};
    for (const auto& c : cases) {
        SendMessageA(list, LB_SETTOPINDEX, c.top, 0);
        HierDraw_ShowKids(&t.state, list, c.parent, c.children);
        EXPECT_EQ(SendMessageA(list, LB_GETTOPINDEX, 0, 0), c.newTop) << c.parent << "+" << c.children;
    }
    DestroyWindow(list);
}
