// Loading and unloading the library: the control classes, the frame services.
#include <gtest/gtest.h>

#include "frame/window_data.h"
#include "support/pixels.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <cstdlib>
#include <thread>

using w32ktest::Library;

namespace {

constexpr const char* kLibrary = "W32KORUTIL1.dll";

const struct { const char *name, *procExport, *systemBase; /* null: a new class */ } kClasses[] = {
    {W32K_CLASS_SPIN, "SpinControlProc", nullptr}, // (the meter's: the host's below, and test_meter)
    {W32K_CLASS_DIGITS_EDIT, "DlgNoAlphaEditProc", "edit"},
    {W32K_CLASS_CHECKBOX_ONLY, "CheckBoxOnlyProc", "button"},
    {W32K_CLASS_BITMAP_BUTTON, "TavoButtonProc", "button"},
};

bool classInfo(const char* name, WNDCLASSEXA& info, HINSTANCE instance = nullptr)
{
    info = WNDCLASSEXA{};
    info.cbSize = sizeof info;
    return GetClassInfoExA(instance, name, &info) != FALSE;
}

HWND popup(const char* cls, const char* text = "")
{
    return CreateWindowA(cls, text, WS_POPUP, 0, 0, 80, 24, nullptr, nullptr, nullptr, nullptr);
}

LRESULT CALLBACK hostMeterProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

} // namespace

// New classes hold a pointer per window; superclasses keep their base's extra bytes, style and procedure; all
// belong to the library, stay as they are while threads attach and detach, and go with the library. A host's
// class of the same name is left alone, loaded or not, and the later classes still follow.
TEST(ControlClasses, RegisteredAtLoadBesideAHostsClassAndUnregisteredAtUnload)
{
    const WNDCLASSEXA host{sizeof host, 0, hostMeterProc, 0, 24, GetModuleHandleA(nullptr), nullptr,
                           nullptr, nullptr, nullptr, W32K_CLASS_METER, nullptr};
    ASSERT_NE(RegisterClassExA(&host), 0);
    Library dll(kLibrary);
    ASSERT_TRUE(dll);
    std::thread([] { DestroyWindow(popup(W32K_CLASS_SPIN)); }).join();
    WNDCLASSEXA info, base;
    for (const auto& c : kClasses) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(classInfo(c.name, info));
        EXPECT_EQ(info.lpfnWndProc, dll.proc<WNDPROC>(c.procExport));
        if (c.systemBase) {
            ASSERT_TRUE(classInfo(c.systemBase, base));
        } else {
            base.cbWndExtra = 8;
            base.cbClsExtra = 0;
            base.style = CS_DBLCLKS;
        }
        EXPECT_EQ(info.cbWndExtra, base.cbWndExtra);
        EXPECT_EQ(info.cbClsExtra, base.cbClsExtra);
        EXPECT_EQ(info.style & ~CS_GLOBALCLASS, base.style & ~CS_GLOBALCLASS);
        HWND w = popup(c.name, "7");
        EXPECT_EQ(reinterpret_cast<HMODULE>(GetClassLongPtrA(w, GCLP_HMODULE)), dll.handle());
        EXPECT_TRUE(!c.systemBase || w32ktest::windowText(w) == "7") << "with its base procedure";
        DestroyWindow(w);
    }
    dll.unload();
    for (const auto& c : kClasses)
        EXPECT_FALSE(classInfo(c.name, info)) << c.name;
    ASSERT_TRUE(classInfo(W32K_CLASS_METER, info, host.hInstance)) << "the host's class stays";
    EXPECT_EQ(info.lpfnWndProc, hostMeterProc);
    EXPECT_EQ(info.cbWndExtra, 24);
    UnregisterClassA(W32K_CLASS_METER, host.hInstance);
}

// Larger than the screen: centred x -10, rounded to -8. (The rounding of
// other sizes: test_fold's folded dialogs, which it centres.)
TEST(CenterDialogBox, CentresOnTheScreenWithXRoundedToEight)
{
    ASSERT_TRUE(GetSystemMetrics(SM_CXSCREEN) == 1024 && GetSystemMetrics(SM_CYSCREEN) == 768);
    Library dll(kLibrary);
    HWND w = CreateWindowA("STATIC", "", WS_POPUP, 5, 7, 1044, 800, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(dll.proc<decltype(&CenterDialogBox)>("CenterDialogBox")(w));
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r, (RECT{-8, -16, 1036, 784}));
    DestroyWindow(w);
}

namespace {
void* WINAPI hostAlloc(UINT cb) { return malloc(cb); }
INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
        EndDialog(dialog, 7);
    return message == WM_INITDIALOG;
}
} // namespace

TEST(AppAllocator, IsUnsetUntilTheHostInstallsOne)
{
    Library dll(kLibrary);
    const auto get = dll.proc<decltype(&GetAppFmalloc)>("GetAppFmalloc");
    EXPECT_EQ(get(), nullptr);
    EXPECT_EQ(dll.proc<decltype(&SetAppFmalloc)>("SetAppFmalloc")(hostAlloc), hostAlloc);
    EXPECT_EQ(get(), hostAlloc);
}

// The window-data slot reads 0 until a dialog stores its host record there, and then holds the record's full
// address. (The dialog's labels have id -1: the harness scripts it instead of taking it for a message box.)
TEST(DialogFrame, TheWindowDataSlotHoldsTheRecordsFullAddress)
{
    Library dll(kLibrary);
    static int record;
    w32ktest::DialogScript script([](HWND dialog) {
        EXPECT_EQ(w32k::getWindowData(dialog), 0);
        EXPECT_EQ(w32k::setWindowData(dialog, reinterpret_cast<LONG_PTR>(&record)), 0);
        EXPECT_EQ(w32k::windowRecord<int>(dialog), &record);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    const auto dialog = MAKEINTRESOURCEA(W32K_DLG_SELECT_LANGUAGE);
    EXPECT_EQ(DialogBoxParamA(dll.handle(), dialog, nullptr, dialogProc, 0), 7);
    EXPECT_TRUE(script.ran());
}
