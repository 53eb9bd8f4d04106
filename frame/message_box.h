// The library's message boxes: the text from this library's string table, the
// caption from the caption library's string 101 (this library's own string 101
// when the caption library could not be loaded).
#pragma once

#include <windows.h>

#include "frame/raii.h"

namespace w32k {

// The caption library, loaded by a dialog when it opens and held while it runs.
class CaptionLibrary {
public:
    CaptionLibrary() noexcept;
    // Where the caption string comes from.
    HINSTANCE source() const noexcept;

private:
    LoadedModule module_;
};

// Shows string `textId` of this library in a message box over dialog with the
// caption of `captions`; returns MessageBoxA's result.
int showMessage(HWND dialog, const CaptionLibrary& captions, UINT textId, UINT style) noexcept;

} // namespace w32k
