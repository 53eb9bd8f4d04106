// Korutil2MFC.dll: the project's string store and the multi-language text
// object (formats and rules in korutil2mfc.h).
#include "korutil2mfc.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <unordered_map>
#include <vector>

namespace {

constexpr UINT kMaxId = 0xFFFF;

// One project's texts. Slot i holds id i + 1; a slot with no references is free.
class StringStore {
public:
    UINT acquire(const std::string& text)
    {
        if (auto found = byText_.find(text); found != byText_.end()) {
            ++slots_[found->second - 1].refs;
            return found->second;
        }
        const UINT id = freeId();
        if (id == 0)
            return 0;
        if (id > slots_.size())
            slots_.resize(id);
        slots_[id - 1] = Slot{text, 1};
        byText_.emplace(text, id);
        ++live_;
        return id;
    }

    bool addReference(UINT id)
    {
        Slot* slot = find(id);
        if (!slot)
            return false;
        ++slot->refs;
        return true;
    }

    bool read(UINT id, char* buffer, WORD size) const
    {
        const Slot* slot = find(id);
        if (!slot)
            return false;
        if (buffer && size > 0) {
            const size_t n = std::min<size_t>(slot->text.size(), size - 1u);
            std::memcpy(buffer, slot->text.data(), n);
            buffer[n] = '\0';
        }
        return true;
    }

    bool release(UINT id)
    {
        Slot* slot = find(id);
        if (!slot)
            return false;
        if (--slot->refs == 0) {
            byText_.erase(slot->text);
            slot->text.clear();
            slot->text.shrink_to_fit();
            --live_;
            if (id - 1 < firstFree_)
                firstFree_ = id - 1;
        }
        return true;
    }

    UINT refCount(UINT id) const
    {
        const Slot* slot = find(id);
        return slot ? slot->refs : 0;
    }

    UINT liveCount() const { return live_; }

private:
    struct Slot {
        std::string text;
        UINT refs = 0;
    };

    const Slot* find(UINT id) const
    {
        if (id == 0 || id > slots_.size() || slots_[id - 1].refs == 0)
            return nullptr;
        return &slots_[id - 1];
    }

    Slot* find(UINT id) { return const_cast<Slot*>(std::as_const(*this).find(id)); }

    // The lowest free id, 0 when all 65535 are taken.
    UINT freeId()
    {
        while (firstFree_ < slots_.size() && slots_[firstFree_].refs != 0)
            ++firstFree_;
        const UINT id = static_cast<UINT>(firstFree_) + 1;
        return id <= kMaxId ? id : 0;
    }

    std::vector<Slot> slots_;
    std::unordered_map<std::string, UINT> byText_;
    size_t firstFree_ = 0;
    UINT live_ = 0;
};

std::map<void*, StringStore>& stores()
{
    static std::map<void*, StringStore> all;
    return all;
}

StringStore* storeOf(void* project)
{
    auto it = stores().find(project);
    return it == stores().end() ? nullptr : &it->second;
}

struct LanguageText {
    std::vector<std::string> parts;
};

} // namespace

extern "C" {

UINT WINAPI KorAcquireName(LPCSTR text, void* project)
{
    try {
        return stores()[project].acquire(text ? text : "");
    } catch (...) {
        return 0;
    }
}

BOOL WINAPI KorAddReference(UINT id, void* project)
{
    StringStore* store = storeOf(project);
    return store && store->addReference(id);
}

BOOL WINAPI KorReadOrReleaseName(UINT id, void* project, LPSTR buffer, WORD size, BOOL release)
{
    StringStore* store = storeOf(project);
    if (!store || !store->read(id, buffer, size))
        return FALSE;
    if (release)
        store->release(id);
    return TRUE;
}

void* WINAPI KorCreateLangText(void)
{
    return new (std::nothrow) LanguageText;
}

BOOL WINAPI KorSetLangText(void* object, LPCSTR multiText)
{
    auto* langText = static_cast<LanguageText*>(object);
    if (!langText)
        return FALSE;
    try {
        langText->parts.clear();
        const std::string all = multiText ? multiText : "";
        size_t start = 0;
        for (;;) {
            const size_t end = all.find(KOR_LANG_SEPARATOR, start);
            langText->parts.push_back(all.substr(start, end - start));
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

BOOL WINAPI KorExtractLangText(void* object, int language, LPSTR out)
{
    const auto* langText = static_cast<const LanguageText*>(object);
    if (!langText || !out)
        return FALSE;
    std::string_view text;
    if (!langText->parts.empty()) {
        const bool own = language >= 0 && static_cast<size_t>(language) < langText->parts.size();
        text = langText->parts[own ? static_cast<size_t>(language) : 0];
    }
    const size_t n = std::min<size_t>(text.size(), KOR_LANG_TEXT_SIZE - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return TRUE;
}

void WINAPI KorDestroyLangText(void* object)
{
    delete static_cast<LanguageText*>(object);
}

UINT WINAPI StringStoreRefCount(UINT id, void* project)
{
    StringStore* store = storeOf(project);
    return store ? store->refCount(id) : 0;
}

UINT WINAPI StringStoreLiveCount(void* project)
{
    StringStore* store = storeOf(project);
    return store ? store->liveCount() : 0;
}

void WINAPI StringStoreClear(void* project)
{
    stores().erase(project);
}

} // extern "C"
