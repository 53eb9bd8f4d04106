// The demo host's pages: each shows one part of the library as a host uses it.
#pragma once

#include <windows.h>

#include <span>
#include <vector>

namespace demo {

class Tour;

struct Page {
    int order; // position in the page list
    const char* name;
    // Fills the page area (a child window of the main window) with the page.
    void (*show)(HWND area);
    // Screenshots the page and every dialog it opens.
    void (*tour)(Tour& tour, HWND mainWindow);
};

// All pages, by order.
std::span<const Page> pages();

// A page file registers its page with a static PageRegistration.
struct PageRegistration {
    explicit PageRegistration(const Page& page);
};

// Creates a child control of the page area with the demo's font.
HWND addControl(HWND area, const char* cls, const char* text, DWORD style, int x, int y, int w,
                int h, int id = 0);

// Adds a push button that calls action(main window) when clicked.
HWND addActionButton(HWND area, const char* text, int x, int y, int w, int h,
                     void (*action)(HWND owner));

} // namespace demo
