// Bitmap push-button (class "XBUTTBMP_32") and the static bitmap frame.
#include "frame/module.h"
#include "w32korutil1.h"

extern "C" LRESULT WINAPI TavoButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return w32k::callBase(w32k::baseButtonProc(), window, message, wParam, lParam);
}

extern "C" LRESULT WINAPI StaticBmpFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return w32k::callBase(w32k::baseStaticProc(), window, message, wParam, lParam);
}
