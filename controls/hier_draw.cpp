// Owner-drawn tree lists: a fixed-height owner-drawn list box drawn as an
// indented tree of bitmap cells, connecting lines and texts, with the list
// of opened items kept on the C runtime heap.
#include "frame/raii.h"
#include "w32korutil1.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kPaletteEntries = 16;
constexpr WORD kCellBitCount = 4;
constexpr int kBitmapIndent = 2; // pixels between a level's left edge and its cell

// A copy of the resource's header and colour table, which DrawInit changes.
struct CellBitmapInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[kPaletteEntries];
};

// A located bitmap resource: its header and its pixel array, after checking
// that both lie inside the resource.
struct CellResource {
    const BITMAPINFOHEADER* header = nullptr;
    const BYTE* bits = nullptr;
};

// Only what the cells need: a bottom-up, uncompressed 4-bit DIB with a
// 16-entry colour table, whose pixel array lies wholly inside the resource.
CellResource locateCells(const BYTE* data, DWORD size) noexcept
{
    constexpr DWORD kTableBytes = kPaletteEntries * sizeof(RGBQUAD);
    if (!data || size < sizeof(BITMAPINFOHEADER) + kTableBytes)
        return {};
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(data);
    if (header->biSize != sizeof(BITMAPINFOHEADER) || header->biBitCount != kCellBitCount ||
        header->biCompression != BI_RGB || header->biWidth <= 0 || header->biHeight <= 0 ||
        header->biWidth > 0xFFFF || header->biHeight > 0xFFFF ||
        (header->biClrUsed != 0 && header->biClrUsed != kPaletteEntries))
        return {};
    const DWORD stride = ((static_cast<DWORD>(header->biWidth) * kCellBitCount + 31) / 32) * 4;
    const DWORD bitsOffset = sizeof(BITMAPINFOHEADER) + kTableBytes;
    if (static_cast<unsigned long long>(stride) * static_cast<DWORD>(header->biHeight) > size - bitsOffset)
        return {};
    return {header, data + bitsOffset};
}

// Colour-table order (blue in the low byte) of a colour reference.
RGBQUAD tableColour(COLORREF colour) noexcept
{
    return {GetBValue(colour), GetGValue(colour), GetRValue(colour), 0};
}

// The device-dependent cell bitmap, its background taken by the window colour.
HBITMAP makeCellBitmap(const CellResource& cells) noexcept
{
    CellBitmapInfo info{};
    std::memcpy(&info, cells.header, sizeof info);
    const int background = cells.bits[0] >> 4; // the bottom-left pixel
    info.colours[background] = tableColour(GetSysColor(COLOR_WINDOW));
    w32k::WindowDC screen(nullptr);
    return CreateDIBitmap(screen, &info.header, CBM_INIT, cells.bits, reinterpret_cast<BITMAPINFO*>(&info),
                          DIB_RGB_COLORS);
}

// Puts a new cell bitmap into the memory DC. A bitmap from an earlier
// DrawInit is deselected and deleted; the DC's own bitmap stays the previous
// one. False (nothing changed) when the bitmap cannot be selected.
bool installCellBitmap(HierDrawState& state, HBITMAP bitmap) noexcept
{
    const HGDIOBJ replaced = SelectObject(state.memoryDC, bitmap);
    if (!replaced || replaced == HGDI_ERROR)
        return false;
    if (state.cellBitmap && replaced == state.cellBitmap)
        DeleteObject(state.cellBitmap);
    else
        state.previousBitmap = static_cast<HBITMAP>(replaced);
    state.cellBitmap = bitmap;
    return true;
}

// -- drawing ------------------------------------------------------------------

// A filled rectangle in the colour set as the DC's background.
void fillRect(HDC dc, int left, int top, int right, int bottom) noexcept
{
    const RECT r{left, top, right, bottom};
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, "", 0, nullptr);
}

bool bitSet(DWORD mask, int bit) noexcept
{
    return bit >= 0 && bit < 32 && (mask >> bit) & 1;
}

// Vertical lines of the levels above and the line's own connector, each
// through the centre of the cell column of its level.
void drawConnectingLines(HDC dc, const HierDrawState& state, const RECT& item, int level, DWORD mask) noexcept
{
    const int lineHalf = state.lineHeight / 2;
    auto columnX = [&](int i) { return item.left + i * state.cellWidth + state.cellWidth / 2 + kBitmapIndent; };
    SetBkColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    for (int i = 0; i < level; ++i)
        if (bitSet(mask, i))
            fillRect(dc, columnX(i), item.top, columnX(i) + 1, item.bottom);
    const int own = columnX(level - 1);
    const int middle = item.bottom - lineHalf;
    fillRect(dc, own, item.top, own + 1, bitSet(mask, level + 1) ? item.bottom : middle);
    fillRect(dc, own, middle, own + state.cellWidth / 2, middle + 1);
}

void drawFocus(HDC dc, const RECT& r) noexcept
{
    DrawFocusRect(dc, &r);
}

// -- open list ------------------------------------------------------------------

std::size_t openCount(const HierDrawState& state) noexcept
{
    return state.openList && state.openCount > 0 ? static_cast<std::size_t>(state.openCount) : 0;
}

} // namespace

extern "C" {

BOOL WINAPI HierDraw_DrawInit(HINSTANCE module, UINT bitmapId, int rows, int columns, BOOL lines,
                              HierDrawState* state, BOOL initialise)
{
    if (!state)
        return FALSE;
    if (initialise) {
        state->openCount = 0;
        state->openList = nullptr;
        state->lines = lines;
    }
    if (rows <= 0 || columns <= 0)
        return FALSE;
    if (!state->memoryDC) {
        w32k::WindowDC screen(nullptr);
        state->memoryDC = CreateCompatibleDC(screen);
        if (!state->memoryDC)
            return FALSE;
        state->previousBitmap = nullptr;
    }
    const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(static_cast<WORD>(bitmapId)), RT_BITMAP);
    const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    const CellResource cells = locateCells(data, found ? SizeofResource(module, found) : 0);
    if (!cells.header)
        return FALSE;
    w32k::Bitmap bitmap(makeCellBitmap(cells));
    state->cellHeight = static_cast<WORD>(cells.header->biHeight) / rows;
    state->cellWidth = static_cast<WORD>(cells.header->biWidth) / columns;
    state->lineHeight = std::max(state->cellHeight, state->textHeight);
    if (!bitmap || !installCellBitmap(*state, bitmap.get()))
        return FALSE; // an unselected new bitmap is deleted by its owner
    bitmap.release(); // the state owns it now
    return state->previousBitmap ? TRUE : FALSE;
}

void WINAPI HierDraw_DrawTerm(HierDrawState* state)
{
    if (!state)
        return;
    if (state->cellBitmap) {
        if (state->previousBitmap && state->memoryDC)
            SelectObject(state->memoryDC, state->previousBitmap);
        state->previousBitmap = nullptr;
        DeleteObject(state->cellBitmap);
        state->cellBitmap = nullptr;
    }
    if (state->memoryDC) {
        DeleteDC(state->memoryDC);
        state->memoryDC = nullptr;
    }
}

void WINAPI HierDraw_DrawSetTextHeight(HWND listBox, HFONT font, HierDrawState* state)
{
    if (!state)
        return;
    TEXTMETRICA metrics{};
    {
        w32k::WindowDC dc(listBox);
        w32k::SelectGuard selected(dc, font);
        GetTextMetricsA(dc, &metrics);
    }
    state->textHeight = metrics.tmHeight;
    state->lineHeight = std::max(state->cellHeight, state->textHeight);
    if (listBox)
        SendMessageA(listBox, LB_SETITEMHEIGHT, 0, MAKELPARAM(static_cast<WORD>(state->lineHeight), 0));
}

void WINAPI HierDraw_OnMeasureItem(HWND, MEASUREITEMSTRUCT* measure, HierDrawState* state)
{
    if (measure && state)
        measure->itemHeight = static_cast<UINT>(std::max(state->cellHeight, state->textHeight));
}

void WINAPI HierDraw_OnDrawItem(HWND, const DRAWITEMSTRUCT* draw, int level, DWORD mask, LPCSTR text, int row,
                                int column, HierDrawState* state)
{
    if (!draw || !state || draw->itemID == static_cast<UINT>(-1))
        return;
    const HDC dc = draw->hDC;
    const RECT item = draw->rcItem;
    const int bitmapLeft = static_cast<SHORT>(item.left + level * state->cellWidth + kBitmapIndent);
    RECT textRect = item;
    textRect.left = bitmapLeft + state->cellWidth;
    const int itemHeight = item.bottom - item.top;
    const int textTop = item.top + itemHeight / 2 - state->textHeight / 2;
    const int bitmapTop = item.top + itemHeight / 2 - state->cellHeight / 2;

    if (draw->itemAction & ODA_FOCUS) {
        drawFocus(dc, textRect);
        return;
    }
    if (!(draw->itemAction & ODA_SELECT)) {
        if (state->lines && level > 0)
            drawConnectingLines(dc, *state, item, level, mask);
        if (state->memoryDC)
            BitBlt(dc, bitmapLeft, static_cast<SHORT>(bitmapTop), state->cellWidth, state->cellHeight,
                   state->memoryDC, column * state->cellWidth, row * state->cellHeight, SRCCOPY);
    }
    const bool selected = (draw->itemState & ODS_SELECTED) != 0;
    SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const char* shown = text ? text : "";
    ExtTextOutA(dc, textRect.left + 1, static_cast<SHORT>(textTop), ETO_CLIPPED | ETO_OPAQUE, &textRect, shown,
                static_cast<UINT>(std::strlen(shown)), nullptr);
    if ((draw->itemState & ODS_FOCUS) && !(draw->itemAction & ODA_SELECT))
        drawFocus(dc, textRect);
}

BOOL WINAPI HierDraw_IsOpened(const HierDrawState* state, DWORD item)
{
    if (!state)
        return FALSE;
    const std::size_t count = openCount(*state);
    return std::find(state->openList, state->openList + count, item) != state->openList + count;
}

void WINAPI HierDraw_OpenItem(HierDrawState* state, DWORD item)
{
    if (!state)
        return;
    const std::size_t count = openCount(*state);
    // A list left under a count of 0 is reused rather than lost.
    void* grown = std::realloc(state->openList, (count + 1) * sizeof(DWORD));
    if (!grown)
        return; // the list stays as it was
    state->openList = static_cast<DWORD*>(grown);
    state->openList[count] = item;
    state->openCount = static_cast<int>(count + 1);
}

void WINAPI HierDraw_CloseItem(HierDrawState* state, DWORD item)
{
    if (!state)
        return;
    const std::size_t count = openCount(*state);
    DWORD* end = std::remove(state->openList, state->openList + count, item);
    const auto remaining = static_cast<std::size_t>(end - state->openList);
    if (remaining == count)
        return;
    state->openCount = static_cast<int>(remaining);
    if (remaining == 0) {
        std::free(state->openList);
        state->openList = nullptr;
        return;
    }
    // A failed shrink keeps the larger block, which still holds the list.
    if (void* shrunk = std::realloc(state->openList, remaining * sizeof(DWORD)))
        state->openList = static_cast<DWORD*>(shrunk);
}

void WINAPI HierDraw_DrawCloseAll(HierDrawState* state)
{
    if (!state)
        return;
    state->openCount = 0;
    std::free(state->openList);
    state->openList = nullptr;
}

void WINAPI HierDraw_ShowKids(HierDrawState* state, HWND listBox, int parent, int children)
{
    if (!state || state->lineHeight <= 0)
        return;
    const auto top = static_cast<int>(SendMessageA(listBox, LB_GETTOPINDEX, 0, 0));
    RECT client{};
    GetClientRect(listBox, &client);
    const int visible = (client.bottom + 1) / state->lineHeight;
    if (children < visible - parent + top)
        return; // the last child is visible already
    const int newTop = std::max(0, std::min(parent, parent + children - visible + 1));
    SendMessageA(listBox, LB_SETTOPINDEX, static_cast<WPARAM>(newTop), 0);
}

} // extern "C"
