// XDialogFold: a dialog's short and long form, switched by a button whose
// caption ends in an arrow mark.
#include "frame/dialog_helpers.h"
#include "util/fold_core.h"
#include "w32korutil1.h"

namespace w32k {

namespace {

core::Box toBox(const RECT& rect) noexcept
{
    return core::Box{static_cast<std::int32_t>(rect.left), static_cast<std::int32_t>(rect.top),
                     static_cast<std::int32_t>(rect.right), static_cast<std::int32_t>(rect.bottom)};
}

// Resizes the dialog to end at the marker and centres it on the screen.
void foldAtMarker(HWND dialog, HWND marker, bool horizontal) noexcept
{
    RECT dialogRect{}, markerRect{};
    GetWindowRect(dialog, &dialogRect);
    GetWindowRect(marker, &markerRect);
    const core::Box folded =
        core::foldedBox(toBox(dialogRect), toBox(markerRect), horizontal,
                        GetSystemMetrics(SM_CXDLGFRAME), GetSystemMetrics(SM_CYDLGFRAME));
    const int width = folded.right - folded.left;
    const int height = folded.bottom - folded.top;
    const POINT origin = centredOrigin(GetSystemMetrics(SM_CXSCREEN),
                                       GetSystemMetrics(SM_CYSCREEN), width, height);
    SetWindowPos(dialog, nullptr, origin.x, origin.y, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// Replaces the arrow mark of the button's caption; an empty caption stays.
void rewriteArrowMark(HWND button, bool arrowBack) noexcept
{
    char caption[core::kCaptionBufferSize] = {};
    const int length = GetWindowTextA(button, caption, static_cast<int>(sizeof caption));
    if (length <= 0)
        return;
    char folded[core::kCaptionBufferSize];
    core::foldedCaption(std::string_view(caption, static_cast<std::size_t>(length)), arrowBack,
                        folded);
    SetWindowTextA(button, folded);
}

} // namespace

} // namespace w32k

extern "C" BOOL WINAPI XDialogFold(HWND dialog, int markerId, BOOL horizontal, BOOL arrowBack,
                                   HWND button)
{
    HWND marker = dialog ? GetDlgItem(dialog, markerId) : nullptr;
    if (!marker)
        return FALSE;
    w32k::foldAtMarker(dialog, marker, horizontal != FALSE);
    if (button)
        w32k::rewriteArrowMark(button, arrowBack != FALSE);
    return TRUE;
}
