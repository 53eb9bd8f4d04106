// Percentage meter (class "xMeter_32").
#include "frame/module.h"
#include "w32korutil1.h"

extern "C" LRESULT WINAPI TVOMeterWndFn(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}
