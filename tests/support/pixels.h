// Reading what visible windows painted (GetDC + BitBlt: PrintWindow does not
// draw custom children under Wine), and making bitmaps to hand to controls.
#pragma once

#include <windows.h>

#include <functional>
#include <ostream>
#include <vector>

// Rectangles compare and print in test expectations.
bool operator==(const RECT& a, const RECT& b);
void PrintTo(const RECT& r, std::ostream* out);

namespace w32ktest {

// A visible, active top-level window (320 x 240, teal) to put controls on.
class VisibleHost {
public:
    VisibleHost();
    ~VisibleHost();
    VisibleHost(const VisibleHost&) = delete;
    VisibleHost& operator=(const VisibleHost&) = delete;

    HWND window() const { return window_; }
    // A visible child control.
    HWND add(const char* cls, DWORD style, int x, int y, int width, int height, int id = 0,
             const char* text = "");

private:
    HWND window_ = nullptr;
};

// Lets pending paints run and flushes GDI, so that the window can be read.
void settlePaint(HWND window);
// Repaints a window and its children now, optionally erasing.
void repaintNow(HWND window, bool erase = false);
// A copy of a window's client area at the moment of construction.
class ClientPixels {
public:
    explicit ClientPixels(HWND window);

    RECT rect() const { return {0, 0, width_, height_}; }
    // The colour at (x, y); CLR_INVALID outside the copy.
    COLORREF at(int x, int y) const
    {
        return x < 0 || y < 0 || x >= width_ || y >= height_ ? CLR_INVALID : pixels_[size_t(y) * width_ + x];
    }
    // How many pixels of `area` (clipped to the copy) have `colour`.
    int count(const RECT& area, COLORREF colour) const;
    int count(COLORREF colour) const { return count(rect(), colour); }
    // True when `area` lies in the copy, is not empty and is all `colour`.
    bool all(const RECT& area, COLORREF colour) const;
    // The smallest rectangle holding every pixel of `colour`; empty if none.
    RECT bounds(COLORREF colour) const;
    bool operator==(const ClientPixels& other) const
    {
        return width_ == other.width_ && height_ == other.height_ && pixels_ == other.pixels_;
    }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<COLORREF> pixels_;
};

// One pixel of a window's client area (CLR_INVALID outside it).
inline COLORREF clientPixel(HWND window, int x, int y) { return ClientPixels(window).at(x, y); }


// Bitmaps compatible with the screen, owned by the caller (DeleteObject).
HBITMAP makePatternBitmap(int width, int height, const std::function<COLORREF(int x, int y)>& colour);
inline HBITMAP makeSolidBitmap(int width, int height, COLORREF colour)
{
    return makePatternBitmap(width, height, [colour](int, int) { return colour; });
}

inline bool gdiObjectAlive(HGDIOBJ object) { return GetObjectType(object) != 0; }
// GDI objects the process holds now. Some are made lazily on first use of a
// feature: take the baseline after one warm-up run of the code under test.
DWORD gdiObjectCount();

} // namespace w32ktest
