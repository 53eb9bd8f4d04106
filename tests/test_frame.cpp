// Loading and unloading the library: the control classes, the frame services.
#include <gtest/gtest.h>

#include "frame/window_data.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <array>
#include <string>
#include <thread>
#include <vector>
#include <cstdlib>

using w32ktest::Library;

namespace {

constexpr const char* kLibrary = "W32KORUTIL1.dll";

struct ClassExpectation {
    const char* name;
    const char* procExport;
    const char* systemBase; // null for a new class
};

constexpr std::array<ClassExpectation, 5> kClasses = {{
    {W32K_CLASS_SPIN, "SpinControlProc", nullptr},
    {W32K_CLASS_METER, "TVOMeterWndFn", nullptr},
    {W32K_CLASS_DIGITS_EDIT, "DlgNoAlphaEditProc", "edit"},
    {W32K_CLASS_CHECKBOX_ONLY, "CheckBoxOnlyProc", "button"},
    {W32K_CLASS_BITMAP_BUTTON, "TavoButtonProc", "button"},
}};

bool classInfo(const char* name, WNDCLASSEXA& info, HINSTANCE instance = nullptr)
{
    info = WNDCLASSEXA{};
    info.cbSize = sizeof info;
    return GetClassInfoExA(instance, name, &info) != FALSE;
}

bool classRegistered(const char* name)
{
    WNDCLASSEXA info;
    return classInfo(name, info);
}

// The module a class belongs to, read from a window of the class.
HINSTANCE classModule(const char* name)
{
    HWND w = CreateWindowA(name, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    const auto module = reinterpret_cast<HINSTANCE>(GetClassLongPtrA(w, GCLP_HMODULE));
    DestroyWindow(w);
    return module;
}

LRESULT CALLBACK hostMeterProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    return DefWindowProcA(w, m, wp, lp);
}

} // namespace

TEST(ControlClasses, NewClassesHaveTheirOwnAttributes)
{
    Library dll(kLibrary);
    ASSERT_TRUE(dll);
    for (const auto& expected : kClasses) {
        if (expected.systemBase)
            continue;
        SCOPED_TRACE(expected.name);
        WNDCLASSEXA info;
        ASSERT_TRUE(classInfo(expected.name, info));
        EXPECT_EQ(info.style & ~CS_GLOBALCLASS, UINT{CS_DBLCLKS});
        EXPECT_EQ(info.cbWndExtra, 8);
        EXPECT_EQ(info.cbClsExtra, 0);
        EXPECT_EQ(classModule(expected.name), dll.handle());
        EXPECT_EQ(info.hCursor, LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
        EXPECT_EQ(info.hbrBackground, nullptr);
        EXPECT_EQ(info.hIcon, nullptr);
        EXPECT_EQ(info.lpszMenuName, nullptr);
        EXPECT_EQ(info.lpfnWndProc, dll.proc<WNDPROC>(expected.procExport));
    }
}

TEST(ControlClasses, SuperclassesKeepTheSystemAttributes)
{
    Library dll(kLibrary);
    ASSERT_TRUE(dll);
    for (const auto& expected : kClasses) {
        if (!expected.systemBase)
            continue;
        SCOPED_TRACE(expected.name);
        WNDCLASSEXA info, base;
        ASSERT_TRUE(classInfo(expected.name, info));
        ASSERT_TRUE(classInfo(expected.systemBase, base));
        EXPECT_EQ(info.style & ~CS_GLOBALCLASS, base.style & ~CS_GLOBALCLASS);
        EXPECT_EQ(info.cbWndExtra, base.cbWndExtra);
        EXPECT_EQ(info.cbClsExtra, base.cbClsExtra);
        EXPECT_EQ(info.hCursor, base.hCursor);
        EXPECT_EQ(info.hbrBackground, base.hbrBackground);
        EXPECT_EQ(classModule(expected.name), dll.handle());
        EXPECT_EQ(info.lpfnWndProc, dll.proc<WNDPROC>(expected.procExport));
    }
}

TEST(ControlClasses, DerivedControlsBehaveLikeTheirSystemClass)
{
    Library dll(kLibrary);
    ASSERT_TRUE(dll);

    HWND button = CreateWindowA(W32K_CLASS_BITMAP_BUTTON, "Go", WS_POPUP | BS_PUSHBUTTON, 0, 0, 80,
                                24, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(button, nullptr);
    SendMessageA(button, BM_SETSTATE, TRUE, 0);
    EXPECT_TRUE(SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED);
    EXPECT_EQ(SendMessageA(button, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON,
              DLGC_UNDEFPUSHBUTTON);
    DestroyWindow(button);

    HWND check = CreateWindowA(W32K_CLASS_CHECKBOX_ONLY, "Check", WS_POPUP | BS_AUTOCHECKBOX, 0, 0,
                               80, 24, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(check, nullptr);
    SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_CHECKED);
    DestroyWindow(check);

    HWND edit = CreateWindowA(W32K_CLASS_DIGITS_EDIT, "", WS_POPUP | ES_LEFT, 0, 0, 80, 24,
                              nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(edit, nullptr);
    SetWindowTextA(edit, "1234");
    EXPECT_EQ(w32ktest::windowText(edit), "1234");
    SendMessageA(edit, EM_LIMITTEXT, 2, 0);
    EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 2);
    DestroyWindow(edit);
}

TEST(ControlClasses, UnloadingUnregistersAllFive)
{
    Library dll(kLibrary);
    ASSERT_TRUE(dll);
    for (const auto& c : kClasses)
        EXPECT_TRUE(classRegistered(c.name)) << c.name;
    dll.unload();
    for (const auto& c : kClasses)
        EXPECT_FALSE(classRegistered(c.name)) << c.name;
}

TEST(ControlClasses, AClassRegisteredBeforeTheLoadIsLeftAsItWas)
{
    WNDCLASSEXA host{};
    host.cbSize = sizeof host;
    host.lpfnWndProc = hostMeterProc;
    host.hInstance = GetModuleHandleA(nullptr);
    host.lpszClassName = W32K_CLASS_METER;
    host.cbWndExtra = 24;
    ASSERT_NE(RegisterClassExA(&host), 0);

    {
        Library dll(kLibrary);
        ASSERT_TRUE(dll);
        WNDCLASSEXA info;
        ASSERT_TRUE(classInfo(W32K_CLASS_METER, info, host.hInstance));
        EXPECT_EQ(info.lpfnWndProc, hostMeterProc);
        EXPECT_EQ(info.cbWndExtra, 24);
        // The later classes were still registered, with their base procedures.
        EXPECT_TRUE(classRegistered(W32K_CLASS_BITMAP_BUTTON));
        HWND edit = CreateWindowA(W32K_CLASS_DIGITS_EDIT, "7", WS_POPUP, 0, 0, 40, 20, nullptr,
                                  nullptr, nullptr, nullptr);
        EXPECT_EQ(w32ktest::windowText(edit), "7");
        DestroyWindow(edit);
    }

    WNDCLASSEXA after;
    ASSERT_TRUE(classInfo(W32K_CLASS_METER, after, host.hInstance));
    EXPECT_EQ(after.lpfnWndProc, hostMeterProc);
    EXPECT_FALSE(classRegistered(W32K_CLASS_SPIN));
    UnregisterClassA(W32K_CLASS_METER, host.hInstance);
}

TEST(ControlClasses, ThreadAttachAndDetachChangeNothing)
{
    Library dll(kLibrary);
    ASSERT_TRUE(dll);
    std::array<WNDCLASSEXA, kClasses.size()> before{};
    for (size_t i = 0; i < kClasses.size(); ++i)
        ASSERT_TRUE(classInfo(kClasses[i].name, before[i]));

    std::thread([] {
        HWND spin = CreateWindowA(W32K_CLASS_SPIN, "", WS_POPUP, 0, 0, 20, 20, nullptr, nullptr,
                                  nullptr, nullptr);
        DestroyWindow(spin);
    }).join();

    for (size_t i = 0; i < kClasses.size(); ++i) {
        WNDCLASSEXA after;
        ASSERT_TRUE(classInfo(kClasses[i].name, after)) << kClasses[i].name;
        EXPECT_EQ(after.lpfnWndProc, before[i].lpfnWndProc);
        EXPECT_EQ(after.style, before[i].style);
    }
}

TEST(CenterDialogBox, CentresOnTheScreenWithXRoundedToEight)
{
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    Library dll(kLibrary);
    auto center = dll.proc<decltype(&CenterDialogBox)>("CenterDialogBox");
    ASSERT_NE(center, nullptr);

    struct Case {
        int width, height, x, y;
    };
    const Case cases[] = {
        {301, 200, 360, 284},  // centred x 361
        {290, 100, 368, 334},  // centred x 367
        {296, 100, 368, 334},  // centred x 364: halfway, rounds up
        {1044, 100, -8, 334},  // wider than the screen: centred x -10
        {200, 800, 416, -16},  // taller than the screen
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        HWND w = CreateWindowExA(0, "STATIC", "", WS_POPUP, 5, 7, c.width, c.height, nullptr,
                                 nullptr, nullptr, nullptr);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(center(w));
        RECT r;
        GetWindowRect(w, &r);
        EXPECT_EQ(r.left, c.x);
        EXPECT_EQ(r.top, c.y);
        EXPECT_EQ(r.right - r.left, c.width);
        EXPECT_EQ(r.bottom - r.top, c.height);
        DestroyWindow(w);
    }
}

namespace {
void* WINAPI hostAllocA(UINT cb) { return malloc(cb); }
void* WINAPI hostAllocB(UINT cb) { return calloc(1, cb); }
} // namespace

TEST(AppAllocator, IsUnsetUntilTheHostInstallsOne)
{
    Library dll(kLibrary);
    auto set = dll.proc<decltype(&SetAppFmalloc)>("SetAppFmalloc");
    auto get = dll.proc<decltype(&GetAppFmalloc)>("GetAppFmalloc");
    ASSERT_TRUE(set && get);
    EXPECT_EQ(get(), nullptr);
    EXPECT_EQ(set(hostAllocA), hostAllocA);
    EXPECT_EQ(get(), hostAllocA);
    EXPECT_EQ(set(hostAllocB), hostAllocB);
    EXPECT_EQ(get(), hostAllocB);
}

namespace {

INT_PTR CALLBACK emptyDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// An empty modeless dialog made from an in-memory template.
HWND createEmptyDialog()
{
    struct alignas(4) {
        DLGTEMPLATE t;
        WORD menu, cls, title;
    } tmpl{};
    tmpl.t.style = WS_POPUP;
    tmpl.t.cx = 50;
    tmpl.t.cy = 20;
    return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &tmpl.t, nullptr,
                                      emptyDialogProc, 0);
}

} // namespace

TEST(WindowDataSlot, HoldsAFullAddressAndReadsZeroBeforeItIsSet)
{
    HWND dialog = createEmptyDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(w32k::getWindowData(dialog), 0);
    static int record;
    EXPECT_EQ(w32k::setWindowData(dialog, reinterpret_cast<LONG_PTR>(&record)), 0);
    EXPECT_EQ(w32k::windowRecord<int>(dialog), &record);
    EXPECT_EQ(w32k::releaseWindowData(dialog), 0);
    DestroyWindow(dialog);
}

namespace {
std::string versionString(const std::vector<char>& info, const char* key)
{
    char* value = nullptr;
    UINT size = 0;
    const std::string path = std::string("\\StringFileInfo\\040904E4\\") + key;
    if (!VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &size))
        return "<missing>";
    return value;
}
} // namespace

TEST(Resources, VersionBlockAndModuleStrings)
{
    Library dll(kLibrary);
    ASSERT_TRUE(dll);
    char path[MAX_PATH];
    GetModuleFileNameA(dll.handle(), path, MAX_PATH);
    std::vector<char> info(GetFileVersionInfoSizeA(path, nullptr));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, static_cast<DWORD>(info.size()), info.data()));
    EXPECT_EQ(versionString(info, "FileDescription"), "Utilities DLL.");
    EXPECT_EQ(versionString(info, "Comments"), "Utility functions library. U.S.English");
    EXPECT_EQ(versionString(info, "FileVersion"), "5.00");
    EXPECT_EQ(versionString(info, "ProductVersion"), "5.00");

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 5));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 5));
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &size));
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1252);

    char text[64];
    ASSERT_GT(LoadStringA(dll.handle(), 2, text, sizeof text), 0);
    EXPECT_STREQ(text, "W32KORUTIL1");
    ASSERT_GT(LoadStringA(dll.handle(), 3, text, sizeof text), 0);
    EXPECT_STREQ(text, "5.00");
}

namespace {

INT_PTR CALLBACK labelledDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
        EndDialog(dialog, 7);
    return message == WM_INITDIALOG;
}

} // namespace

// The harness the dialog tests rely on: message boxes are answered and
// recorded, and a dialog whose labels have id -1 is scripted, not mistaken for
// a message box.
TEST(TestHarness, RecordsMessageBoxesAndScriptsDialogsWithUnnumberedLabels)
{
    w32ktest::MessageBoxRecorder recorder(IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Overwrite?", "Panel Designer", MB_YESNO), IDNO);
    ASSERT_EQ(recorder.shown().size(), 1u);
    EXPECT_EQ(recorder.shown()[0].caption, "Panel Designer");
    EXPECT_EQ(recorder.shown()[0].text, "Overwrite?");

    struct alignas(4) {
        DLGTEMPLATE t;
        WORD menu, cls, title;
        alignas(4) DLGITEMTEMPLATE item;
        WORD itemClass[2], itemText[2], extra;
    } tmpl{};
    tmpl.t.style = WS_POPUP | WS_VISIBLE;
    tmpl.t.cdit = 1;
    tmpl.t.cx = 80;
    tmpl.t.cy = 30;
    tmpl.item.style = WS_CHILD | WS_VISIBLE | SS_LEFT;
    tmpl.item.id = static_cast<WORD>(-1);
    tmpl.item.cx = 40;
    tmpl.item.cy = 8;
    tmpl.itemClass[0] = 0xFFFF;
    tmpl.itemClass[1] = 0x0082; // static
    tmpl.itemText[0] = L'A';

    w32ktest::DialogScript script([](HWND dialog) {
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(DialogBoxIndirectParamA(GetModuleHandleA(nullptr), &tmpl.t, nullptr,
                                      labelledDialogProc, 0),
              7);
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(recorder.shown().size(), 1u);
}
