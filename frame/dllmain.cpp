// The library's load and unload handler.
#include "frame/classes.h"
#include "frame/module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/)
{
    w32k::detail::setModuleInstance(instance);
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        return w32k::registerControlClasses(instance) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        w32k::unregisterControlClasses(instance);
        return TRUE;
    default:
        return TRUE;
    }
}
