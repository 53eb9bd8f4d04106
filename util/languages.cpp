// The project's language records: the default language's copy of the item
// and slot fields (DefaultToMultiLang, MultiLangToDefault) and the language
// list of the "Select Language" dialog (InitLangListBox).
#include "frame/host_memory.h"
#include "frame/string_store.h"
#include "w32korutil1.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace w32k {

namespace {

// Item record fields copied per language.
constexpr std::size_t kItemField45 = 45;
constexpr std::size_t kItemByte49 = 49;
constexpr std::size_t kItemField56 = 56;
// Slot object fields copied per language.
constexpr std::size_t kSlotField10 = 10;
constexpr std::size_t kSlotField14 = 14;
constexpr std::size_t kSlotField26 = 26;
constexpr std::size_t kSlotField30 = 30;
// Bytes of one language name read from the string store, per language.
constexpr std::size_t kNameBytesPerLanguage = 256;

template <typename T>
T readAt(const void* base, std::size_t offset) noexcept
{
    T value;
    std::memcpy(&value, static_cast<const std::byte*>(base) + offset, sizeof value);
    return value;
}

template <typename T>
void writeAt(void* base, std::size_t offset, T value) noexcept
{
    std::memcpy(static_cast<std::byte*>(base) + offset, &value, sizeof value);
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
    bool hasItems() const noexcept { return itemCount > 0 && items; }
    bool hasSlots() const noexcept { return slotsInUse && slotTable; }
    std::byte* item(std::size_t i) const noexcept { return items + i * W32K_ITEM_RECORD_SIZE; }
    std::byte* slotObject(std::size_t i) const noexcept
    {
        return readAt<std::byte*>(slotTable, W32K_SLOT_TABLE_OBJECTS + i * sizeof(void*));
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

LanguageItemCopy itemCopyOf(const std::byte* item) noexcept
{
    LanguageItemCopy entry{};
    entry.byte49 = readAt<BYTE>(item, kItemByte49);
    entry.field45 = readAt<DWORD>(item, kItemField45);
    entry.field56 = readAt<DWORD>(item, kItemField56);
    return entry;
}

LanguageSlotCopy slotCopyOf(const std::byte* object) noexcept
{
    LanguageSlotCopy entry{};
    if (!object)
        return entry;
    entry.field10 = LOWORD(readAt<DWORD>(object, kSlotField10));
    entry.field14 = LOWORD(readAt<DWORD>(object, kSlotField14));
    entry.field26 = readAt<DWORD>(object, kSlotField26);
    entry.field30 = readAt<DWORD>(object, kSlotField30);
    return entry;
}

// New item copy for the default language: room for the larger of the item
// count and the entries the project asks for, so that every item fits.
bool copyItems(const LanguageFields& fields, LanguageRecord& record) noexcept
{
    const std::size_t entries = std::max<std::size_t>(fields.itemCount, fields.copyEntries);
    auto* copy = static_cast<LanguageItemCopy*>(allocateLanguageBlock(entries * sizeof(LanguageItemCopy)));
    if (!copy)
        return false;
    std::memset(copy, 0, entries * sizeof(LanguageItemCopy));
    for (std::size_t i = 0; i < fields.itemCount; ++i) {
        const LanguageItemCopy entry = itemCopyOf(fields.item(i));
        std::memcpy(&copy[i], &entry, sizeof entry);
    }
    record.itemCopy = copy;
    return true;
}

bool copySlots(const LanguageFields& fields, LanguageRecord& record) noexcept
{
    constexpr std::size_t kBytes = W32K_LANG_SLOTS * sizeof(LanguageSlotCopy);
    auto* copy = static_cast<LanguageSlotCopy*>(allocateLanguageBlock(kBytes));
    if (!copy)
        return false;
    for (std::size_t i = 0; i < W32K_LANG_SLOTS; ++i) {
        const LanguageSlotCopy entry = slotCopyOf(fields.slotObject(i));
        std::memcpy(&copy[i], &entry, sizeof entry);
    }
    record.slotCopy = copy;
    return true;
}

void restoreItems(const LanguageFields& fields, const LanguageItemCopy* copy) noexcept
{
    for (std::size_t i = 0; i < fields.itemCount; ++i) {
        LanguageItemCopy entry;
        std::memcpy(&entry, &copy[i], sizeof entry);
        std::byte* item = fields.item(i);
        writeAt<BYTE>(item, kItemByte49, entry.byte49);
        writeAt<DWORD>(item, kItemField45, entry.field45);
        writeAt<DWORD>(item, kItemField56, entry.field56);
    }
}

void restoreSlots(const LanguageFields& fields, const LanguageSlotCopy* copy) noexcept
{
    for (std::size_t i = 0; i < W32K_LANG_SLOTS; ++i) {
        std::byte* object = fields.slotObject(i);
        if (!object)
            continue;
        LanguageSlotCopy entry;
        std::memcpy(&entry, &copy[i], sizeof entry);
        writeAt<DWORD>(object, kSlotField10, entry.field10);
        writeAt<DWORD>(object, kSlotField14, entry.field14);
        writeAt<DWORD>(object, kSlotField26, entry.field26);
        writeAt<DWORD>(object, kSlotField30, entry.field30);
    }
}

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
    BOOL result = TRUE;
    if (fields.hasItems() && !copyItems(fields, record))
        result = FALSE;
    if (fields.hasSlots() && !copySlots(fields, record))
        result = FALSE;
    writeRecord(fields.languages, record);
    return result;
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
    BOOL result = TRUE;
    if (fields.hasItems()) {
        if (record.itemCopy)
            restoreItems(fields, static_cast<const LanguageItemCopy*>(record.itemCopy));
        else
            result = FALSE;
    }
    if (fields.hasSlots()) {
        if (record.slotCopy)
            restoreSlots(fields, static_cast<const LanguageSlotCopy*>(record.slotCopy));
        else
            result = FALSE;
    }
    return result;
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
