#include "support/dialog_template.h"

#include <cstdint>

namespace w32ktest {

namespace {

// "#<n>" for an ordinal (appended, which keeps GCC 12's -Wrestrict quiet).
std::string ordinalText(WORD value)
{
    std::string text = "#";
    text += std::to_string(value);
    return text;
}

class Reader {
public:
    Reader(const BYTE* data, size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }
    WORD word()
    {
        WORD value = 0;
        if (!need(2))
            return 0;
        value = static_cast<WORD>(data_[at_] | (data_[at_ + 1] << 8));
        at_ += 2;
        return value;
    }
    DWORD dword()
    {
        const DWORD low = word();
        return low | (static_cast<DWORD>(word()) << 16);
    }
    short number() { return static_cast<short>(word()); }
    std::string wide()
    {
        std::string text;
        for (WORD c = word(); ok_ && c != 0; c = word())
            text += c < 0x80 ? static_cast<char>(c) : '?';
        return text;
    }
    // sz_Or_Ord: 0 = none, 0xFFFF + ordinal, or a string.
    std::string nameOrOrdinal(WORD* ordinal = nullptr)
    {
        const WORD first = word();
        if (first == 0)
            return "";
        if (first == 0xFFFF) {
            const WORD value = word();
            if (ordinal)
                *ordinal = value;
            return ordinalText(value);
        }
        at_ -= 2;
        return wide();
    }
    void alignDword() { at_ = (at_ + 3) & ~size_t{3}; }

private:
    bool need(size_t bytes)
    {
        if (at_ + bytes > size_)
            ok_ = false;
        return ok_;
    }
    const BYTE* data_;
    size_t size_;
    size_t at_ = 0;
    bool ok_ = true;
};

std::string predefinedClass(WORD atom)
{
    switch (atom) {
    case 0x80: return "Button";
    case 0x81: return "Edit";
    case 0x82: return "Static";
    case 0x83: return "ListBox";
    case 0x84: return "ScrollBar";
    case 0x85: return "ComboBox";
    default: return ordinalText(atom);
    }
}

RECT readRect(Reader& in)
{
    const short x = in.number(), y = in.number(), cx = in.number(), cy = in.number();
    return RECT{x, y, x + cx, y + cy};
}

} // namespace

std::optional<DialogTemplate> readDialogTemplate(HMODULE module, const char* name)
{
    HRSRC found = FindResourceA(module, name, reinterpret_cast<LPCSTR>(RT_DIALOG));
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (!data)
        return std::nullopt;
    Reader in(data, SizeofResource(module, found));
    DialogTemplate dialog;
    dialog.style = in.dword();
    if (HIWORD(dialog.style) == 0xFFFF) // DLGTEMPLATEEX signature
        return std::nullopt;
    in.dword(); // extended style
    const WORD count = in.word();
    dialog.rect = readRect(in);
    in.nameOrOrdinal(); // menu
    in.nameOrOrdinal(); // class
    dialog.caption = in.wide();
    if (dialog.style & DS_SETFONT) {
        dialog.fontSize = in.word();
        dialog.fontName = in.wide();
    }
    for (WORD i = 0; i < count && in.ok(); ++i) {
        in.alignDword();
        TemplateControl control{};
        control.style = in.dword();
        in.dword(); // extended style
        control.rect = readRect(in);
        control.id = static_cast<short>(in.word());
        WORD atom = 0;
        control.cls = in.nameOrOrdinal(&atom);
        if (atom)
            control.cls = predefinedClass(atom);
        control.text = in.nameOrOrdinal();
        const WORD extra = in.word();
        for (WORD b = 0; b < extra; b += 2)
            in.word();
        dialog.controls.push_back(control);
    }
    if (!in.ok())
        return std::nullopt;
    return dialog;
}

} // namespace w32ktest
