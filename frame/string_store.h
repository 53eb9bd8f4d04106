// The project's string store and multi-language texts, held by the companion
// library Korutil2MFC.dll. Every stored id owns one reference: copying a
// record takes one more (addReference), deleting it drops one (release).
#pragma once

#include <windows.h>

#include <cstddef>

namespace w32k::strings {

using StringId = WORD;

// The id of text with one reference for the caller; 0 when the store is full.
StringId acquire(const char* text, void* project) noexcept;
// One more reference to id.
void addReference(StringId id, void* project) noexcept;
// Copies the text of id into buffer (at most size bytes with the terminating
// zero). False when the store has no such id; buffer then holds "".
bool read(StringId id, void* project, char* buffer, WORD size) noexcept;
// Drops one reference to id; false when the store has no such id.
bool release(StringId id, void* project) noexcept;
// The id an existing text has, without keeping a reference (0 if none).
StringId lookup(const char* text, void* project) noexcept;

// A multi-language text object, created on construction and destroyed with
// the owner: set a multi-language text, then extract one language from it.
class LanguageText {
public:
    static constexpr std::size_t kTextSize = 256;

    LanguageText() noexcept;
    ~LanguageText();
    LanguageText(const LanguageText&) = delete;
    LanguageText& operator=(const LanguageText&) = delete;

    explicit operator bool() const noexcept { return object_ != nullptr; }
    void set(const char* multiText) noexcept;
    // Writes the given language's text, zero-terminated, into out (kTextSize bytes).
    void extract(int language, char* out) noexcept;

private:
    void* object_;
};

} // namespace w32k::strings
