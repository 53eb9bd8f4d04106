// Reading what windows painted, and making bitmaps to hand to controls.
// Pixels are read from a visible window's client area with GetDC + BitBlt
// (PrintWindow does not draw custom children under Wine).
#pragma once

#include <windows.h>

#include <functional>
#include <ostream>
#include <vector>

// Rectangles compare and print in test expectations.
bool operator==(const RECT& a, const RECT& b);
void PrintTo(const RECT& r, std::ostream* out);

namespace w32ktest {

// A visible top-level window to put controls on: painted, active, at a fixed
// place on the screen. Records the WM_COMMAND notifications it receives.
class VisibleHost {
public:
    struct Command {
        int id;
        int code;
        HWND control;
    };

    explicit VisibleHost(int width = 320, int height = 240, COLORREF background = RGB(0, 128, 128));
    ~VisibleHost();
    VisibleHost(const VisibleHost&) = delete;
    VisibleHost& operator=(const VisibleHost&) = delete;

    HWND window() const { return window_; }
    // Creates a visible child control at (x, y) of the given size.
    HWND add(const char* cls, DWORD style, int x, int y, int width, int height, int id = 0,
             const char* text = "");
    const std::vector<Command>& commands() const { return commands_; }

private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_ = nullptr;
    HBRUSH background_ = nullptr;
    std::vector<Command> commands_;
};

// Lets pending paints run (UpdateWindow, pumped messages) and flushes GDI,
// so that what the window shows can be read.
void settlePaint(HWND window);

// Repaints a window now: invalidates (optionally erasing) and updates it.
void repaintNow(HWND window, bool erase = false);

// Reads one pixel of a window's client area (CLR_INVALID outside it).
COLORREF clientPixel(HWND window, int x, int y);

// A copy of a window's client area at the moment of construction.
class ClientPixels {
public:
    explicit ClientPixels(HWND window);

    int width() const { return width_; }
    int height() const { return height_; }
    RECT rect() const { return {0, 0, width_, height_}; }

    // The colour at (x, y); CLR_INVALID outside the copy.
    COLORREF at(int x, int y) const;
    // How many pixels of `area` (clipped to the copy) have `colour`.
    int count(const RECT& area, COLORREF colour) const;
    int count(COLORREF colour) const { return count(rect(), colour); }
    // True when every pixel of `area` has `colour` (and area is not empty).
    bool all(const RECT& area, COLORREF colour) const;
    // The smallest rectangle within `area` holding every pixel for which
    // `match` holds (or of `colour`); empty if none.
    RECT bounds(const RECT& area, const std::function<bool(COLORREF)>& match) const;
    RECT bounds(COLORREF colour) const
    {
        return bounds(rect(), [colour](COLORREF c) { return c == colour; });
    }

    // How many pixels of `area` differ from the same pixels of `other`.
    int differences(const ClientPixels& other, const RECT& area) const;

    bool operator==(const ClientPixels& other) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<COLORREF> pixels_;
};

// Fills a window's client area (or a part of it) through GetDC, as a marker
// that shows whether a later paint covered it.
void fillClient(HWND window, COLORREF colour, const RECT* area = nullptr);

// Bitmaps compatible with the screen, owned by the caller (DeleteObject).
HBITMAP makeSolidBitmap(int width, int height, COLORREF colour);
HBITMAP makePatternBitmap(int width, int height, const std::function<COLORREF(int x, int y)>& colour);
// A 1-bit bitmap; black where `black(x, y)` holds, white elsewhere.
HBITMAP makeMonochromeBitmap(int width, int height, const std::function<bool(int x, int y)>& black);

// True while `object` is a live GDI object.
bool gdiObjectAlive(HGDIOBJ object);

// GDI objects the process holds now. Some are made lazily on first use of a
// feature: take the baseline after one warm-up run of the code under test.
DWORD gdiObjectCount();

} // namespace w32ktest
