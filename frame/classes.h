// Registration of the control classes while the library is loaded.
#pragma once

#include <windows.h>

namespace w32k {

// Registers the five control classes in their fixed order and learns the base
// procedures of "edit", "button" and "static". A class of the same name that
// already exists counts as registered and is left alone. On the first failed
// registration the classes registered by this call are unregistered again and
// false is returned.
bool registerControlClasses(HINSTANCE instance) noexcept;

// Unregisters the classes this library registered.
void unregisterControlClasses(HINSTANCE instance) noexcept;

} // namespace w32k
