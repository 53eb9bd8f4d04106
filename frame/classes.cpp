#include "frame/classes.h"

#include "frame/module.h"
#include "w32korutil1.h"

#include <array>

namespace w32k {

namespace {

constexpr UINT kNewClassStyle = CS_GLOBALCLASS | CS_DBLCLKS;
constexpr int kControlExtraBytes = 8; // two 32-bit values per control

enum ClassIndex { Spin, Meter, DigitsEdit, CheckBoxOnly, BitmapButton, ClassCount };

constexpr std::array<const char*, ClassCount> kClassNames = {
    W32K_CLASS_SPIN, W32K_CLASS_METER, W32K_CLASS_DIGITS_EDIT,
    W32K_CLASS_CHECKBOX_ONLY, W32K_CLASS_BITMAP_BUTTON};

// Which classes this library registered itself (and so may unregister).
std::array<bool, ClassCount> g_ownClass{};

bool classExists(const char* name) noexcept
{
    WNDCLASSEXA probe{};
    probe.cbSize = sizeof probe;
    return GetClassInfoExA(nullptr, name, &probe) != FALSE;
}

// Registers cls under kClassNames[index] unless such a class exists already.
bool ensureRegistered(ClassIndex index, WNDCLASSEXA& cls) noexcept
{
    cls.lpszClassName = kClassNames[index];
    if (classExists(cls.lpszClassName))
        return true;
    if (!RegisterClassExA(&cls))
        return false;
    g_ownClass[index] = true;
    return true;
}

WNDCLASSEXA newClass(HINSTANCE instance, WNDPROC proc) noexcept
{
    WNDCLASSEXA cls{};
    cls.cbSize = sizeof cls;
    cls.style = kNewClassStyle;
    cls.lpfnWndProc = proc;
    cls.cbWndExtra = kControlExtraBytes;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    return cls;
}

// Fetches a system class; returns its procedure (null when the query fails).
WNDPROC systemClass(const char* name, WNDCLASSEXA& cls) noexcept
{
    cls = WNDCLASSEXA{};
    cls.cbSize = sizeof cls;
    GetClassInfoExA(nullptr, name, &cls);
    return cls.lpfnWndProc;
}

// Turns a system class's description into one of ours: same attributes,
// our instance, global, our procedure.
void makeSuperclass(WNDCLASSEXA& cls, HINSTANCE instance, WNDPROC proc) noexcept
{
    cls.hInstance = instance;
    cls.style |= CS_GLOBALCLASS;
    cls.lpfnWndProc = proc;
}

} // namespace

bool registerControlClasses(HINSTANCE instance) noexcept
{
    g_ownClass = {};
    auto fail = [instance]() noexcept {
        unregisterControlClasses(instance);
        return false;
    };

    WNDCLASSEXA spin = newClass(instance, SpinControlProc);
    if (!ensureRegistered(Spin, spin))
        return fail();
    WNDCLASSEXA meter = newClass(instance, TVOMeterWndFn);
    if (!ensureRegistered(Meter, meter))
        return fail();

    WNDCLASSEXA edit;
    detail::setBaseEditProc(systemClass("edit", edit));
    makeSuperclass(edit, instance, DlgNoAlphaEditProc);
    if (!ensureRegistered(DigitsEdit, edit))
        return fail();

    WNDCLASSEXA button;
    detail::setBaseButtonProc(systemClass("button", button));
    makeSuperclass(button, instance, CheckBoxOnlyProc);
    if (!ensureRegistered(CheckBoxOnly, button))
        return fail();
    button.lpfnWndProc = TavoButtonProc;
    if (!ensureRegistered(BitmapButton, button))
        return fail();

    WNDCLASSEXA staticClass;
    detail::setBaseStaticProc(systemClass("static", staticClass));
    return true;
}

void unregisterControlClasses(HINSTANCE instance) noexcept
{
    for (int i = 0; i < ClassCount; ++i) {
        if (g_ownClass[i])
            UnregisterClassA(kClassNames[i], instance);
        g_ownClass[i] = false;
    }
}

} // namespace w32k
