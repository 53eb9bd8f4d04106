// Reads a classic DIALOG template (DLGTEMPLATE) from a module's resources, so
// tests can compare every control, text, style and rectangle with the design.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace w32ktest {

struct TemplateControl {
    int id;            // 16-bit id, sign-extended (-1 for "no id")
    std::string cls;   // "Button", "Edit", "Static", ... or the class name given
    std::string text;  // title text ("#<n>" for an ordinal)
    DWORD style;
    RECT rect;         // x, y, x + width, y + height in dialog units
};

struct DialogTemplate {
    DWORD style = 0;
    RECT rect{};       // dialog units
    std::string caption;
    int fontSize = 0;
    std::string fontName;
    std::vector<TemplateControl> controls; // in template (tab) order
};

// The template `name` of `module`, none when it is missing or is a DIALOGEX.
std::optional<DialogTemplate> readDialogTemplate(HMODULE module, const char* name);

} // namespace w32ktest
