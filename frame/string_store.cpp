#include "frame/string_store.h"

#include "korutil2mfc.h"

namespace w32k::strings {

StringId acquire(const char* text, void* project) noexcept
{
    return static_cast<StringId>(KorAcquireName(text, project));
}

void addReference(StringId id, void* project) noexcept
{
    KorAddReference(id, project);
}

bool read(StringId id, void* project, char* buffer, WORD size) noexcept
{
    if (KorReadOrReleaseName(id, project, buffer, size, FALSE))
        return true;
    if (buffer && size > 0)
        buffer[0] = '\0';
    return false;
}

bool release(StringId id, void* project) noexcept
{
    return KorReadOrReleaseName(id, project, nullptr, 0, TRUE) != FALSE;
}

StringId lookup(const char* text, void* project) noexcept
{
    const StringId id = acquire(text, project);
    if (id != 0)
        release(id, project);
    return id;
}

LanguageText::LanguageText() noexcept : object_(KorCreateLangText()) {}

LanguageText::~LanguageText()
{
    if (object_)
        KorDestroyLangText(object_);
}

void LanguageText::set(const char* multiText) noexcept
{
    if (object_)
        KorSetLangText(object_, multiText);
}

void LanguageText::extract(int language, char* out) noexcept
{
    if (object_)
        KorExtractLangText(object_, language, out);
    else if (out)
        out[0] = '\0';
}

} // namespace w32k::strings
