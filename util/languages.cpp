// The project's language records: the default language's copy of the item
// and slot fields (DefaultToMultiLang, MultiLangToDefault) and the language
// list of the "Select Language" dialog (InitLangListBox).
#include "frame/host_memory.h"
#include "frame/string_store.h"
#include "util/languages_core.h"
#include "w32korutil1.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

namespace w32k {

namespace {

namespace lang = languages;

static_assert(sizeof(LanguageItemCopy) == sizeof(lang::ItemCopy));
static_assert(offsetof(LanguageItemCopy, field45) == offsetof(lang::ItemCopy, field45));
static_assert(offsetof(LanguageItemCopy, field56) == offsetof(lang::ItemCopy, field56));
static_assert(sizeof(LanguageSlotCopy) == sizeof(lang::SlotCopy));
static_assert(offsetof(LanguageSlotCopy, field14) == offsetof(lang::SlotCopy, field14));
static_assert(offsetof(LanguageSlotCopy, field26) == offsetof(lang::SlotCopy, field26));
static_assert(offsetof(LanguageSlotCopy, field30) == offsetof(lang::SlotCopy, field30));
static_assert(W32K_ITEM_RECORD_SIZE == lang::kItemRecordSize && W32K_LANG_SLOTS == lang::kSlots);

// Bytes of one language name read from the string store, per language.
constexpr std::size_t kNameBytesPerLanguage = 256;

template <typename T>
T readAt(const void* base, std::size_t offset) noexcept
{
    T value;
    std::memcpy(&value, static_cast<const std::byte*>(base) + offset, sizeof value);
    return value;
}

// The project fields the language code uses, read once.
struct LanguageFields {
    WORD itemCount;
    std::byte* items;
    bool slotsInUse;
    std::byte* slotTable;
    BYTE languageCount;
    WORD copyEntries;
    LanguageRecord* languages;

    explicit LanguageFields(void* project) noexcept
        : itemCount(readAt<WORD>(project, W32K_PRJ_ITEM_COUNT)),
          items(readAt<std::byte*>(project, W32K_PRJ_ITEM_TABLE)),
          slotsInUse(readAt<DWORD>(project, W32K_PRJ_SLOTS_IN_USE) != 0),
          slotTable(readAt<std::byte*>(project, W32K_PRJ_SLOT_TABLE)),
          languageCount(readAt<BYTE>(project, W32K_PRJ_LANGUAGE_COUNT)),
          copyEntries(readAt<WORD>(project, W32K_PRJ_COPY_ENTRIES)),
          languages(readAt<LanguageRecord*>(project, W32K_PRJ_LANGUAGE_TABLE))
    {
    }
    // A language table with at least the default language's record.
    bool hasLanguages() const noexcept { return languages && languageCount > 0; }
    // The item records and slot objects the copies work on.
    lang::Project copied() const noexcept
    {
        lang::Project project;
        project.items = items;
        project.itemCount = itemCount;
        project.copyEntries = copyEntries;
        project.slotsInUse = slotsInUse && slotTable;
        for (std::size_t i = 0; project.slotsInUse && i < lang::kSlots; ++i)
            project.slots[i] = readAt<std::byte*>(slotTable, W32K_SLOT_TABLE_OBJECTS + i * sizeof(void*));
        return project;
    }
};

LanguageRecord readRecord(const LanguageRecord* record) noexcept
{
    LanguageRecord copy;
    std::memcpy(&copy, record, sizeof copy);
    return copy;
}

void writeRecord(LanguageRecord* record, const LanguageRecord& value) noexcept
{
    std::memcpy(record, &value, sizeof value);
}

// The host's allocator (GetAppFmalloc); nothing is allocated without one.
class HostAllocator final : public lang::Allocator {
public:
    void* allocate(std::size_t bytes) noexcept override { return allocateLanguageBlock(bytes); }
};

// The name of language record i shown in `language`, into line (256 bytes).
void languageLine(void* project, LanguageRecord* record, strings::LanguageText& text,
                  char* names, WORD namesSize, int language, char* line) noexcept
{
    line[0] = '\0';
    LanguageRecord value = readRecord(record);
    if (value.nameId == 0)
        return;
    if (!strings::read(value.nameId, project, names, namesSize)) {
        names[0] = '\0';
        value.nameId = 0; // the name is gone from the store
        writeRecord(record, value);
    }
    text.set(names);
    text.extract(language, line);
}

} // namespace

} // namespace w32k

extern "C" {

BOOL WINAPI DefaultToMultiLang(void* project)
{
    using namespace w32k;
    if (!project)
        return TRUE;
    const LanguageFields fields(project);
    if (!fields.hasLanguages())
        return TRUE;
    LanguageRecord record = readRecord(fields.languages);
    lang::Copies copies{record.itemCopy, record.slotCopy};
    HostAllocator allocator;
    const bool complete = lang::copyToDefault(fields.copied(), allocator, copies);
    record.itemCopy = copies.items;
    record.slotCopy = copies.slots;
    writeRecord(fields.languages, record);
    return complete ? TRUE : FALSE;
}

BOOL WINAPI MultiLangToDefault(void* project)
{
    using namespace w32k;
    if (!project)
        return TRUE;
    const LanguageFields fields(project);
    if (!fields.hasLanguages())
        return TRUE;
    const LanguageRecord record = readRecord(fields.languages);
    return lang::restoreFromDefault(fields.copied(), {record.itemCopy, record.slotCopy}) ? TRUE : FALSE;
}

void WINAPI InitLangListBox(DWORD, HWND listBox, void* project, int language)
{
    using namespace w32k;
    if (!project)
        return;
    const LanguageFields fields(project);
    if (!fields.hasLanguages())
        return;
    const std::size_t namesSize = fields.languageCount * kNameBytesPerLanguage + 1;
    std::unique_ptr<char[]> names(new (std::nothrow) char[namesSize]);
    if (!names)
        return;
    strings::LanguageText text;
    if (!text)
        return;
    char line[strings::LanguageText::kTextSize];
    for (std::size_t i = 0; i < fields.languageCount; ++i) {
        languageLine(project, fields.languages + i, text, names.get(),
                     static_cast<WORD>(namesSize), language, line);
        SendMessageA(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
    }
}

} // extern "C"
