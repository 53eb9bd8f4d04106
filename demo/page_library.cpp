// The library page: which library is loaded, its version, and its classes.
#include "pages.h"
#include "tour.h"

#include "w32korutil1.h"

#include <string>
#include <vector>

namespace demo {

namespace {

std::string libraryVersion()
{
    HMODULE library = GetModuleHandleA("W32KORUTIL1.dll");
    char path[MAX_PATH] = {};
    GetModuleFileNameA(library, path, MAX_PATH);
    std::string text = std::string("Loaded: ") + path + "\r\n";

    std::vector<char> info(GetFileVersionInfoSizeA(path, nullptr));
    char* value = nullptr;
    UINT size = 0;
    if (!info.empty() && GetFileVersionInfoA(path, 0, static_cast<DWORD>(info.size()), info.data())) {
        if (VerQueryValueA(info.data(), "\\StringFileInfo\\040904E4\\FileDescription",
                           reinterpret_cast<void**>(&value), &size))
            text += std::string("Description: ") + value + "\r\n";
        if (VerQueryValueA(info.data(), "\\StringFileInfo\\040904E4\\FileVersion",
                           reinterpret_cast<void**>(&value), &size))
            text += std::string("Version: ") + value + "\r\n";
        if (VerQueryValueA(info.data(), "\\StringFileInfo\\040904E4\\Comments",
                           reinterpret_cast<void**>(&value), &size))
            text += std::string("Comments: ") + value + "\r\n";
    }
    text += std::string("Build: ") + (sizeof(void*) == 8 ? "64-bit" : "32-bit");
    return text;
}

std::string classList()
{
    const char* names[] = {W32K_CLASS_SPIN, W32K_CLASS_METER, W32K_CLASS_DIGITS_EDIT,
                           W32K_CLASS_CHECKBOX_ONLY, W32K_CLASS_BITMAP_BUTTON};
    std::string text;
    for (const char* name : names) {
        WNDCLASSEXA info{};
        info.cbSize = sizeof info;
        const bool registered = GetClassInfoExA(nullptr, name, &info) != FALSE;
        text += std::string(name) + (registered ? "    registered" : "    MISSING") + "\r\n";
    }
    return text;
}

void show(HWND area)
{
    addControl(area, "BUTTON", "Library", BS_GROUPBOX, 8, 4, 440, 110);
    addControl(area, "STATIC", libraryVersion().c_str(), SS_LEFT | SS_NOPREFIX, 20, 24, 420, 84);
    addControl(area, "BUTTON", "Control classes", BS_GROUPBOX, 8, 124, 440, 110);
    addControl(area, "STATIC", classList().c_str(), SS_LEFT, 20, 144, 420, 84);
}

void tour(Tour& t, HWND mainWindow)
{
    t.screenshot(mainWindow, "library");
}

const PageRegistration registration({0, "Library", show, tour});

} // namespace
} // namespace demo
