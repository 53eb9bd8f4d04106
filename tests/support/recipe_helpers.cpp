#include "support/recipe_helpers.h"

#include "support/test_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace w32ktest {

namespace {

constexpr BYTE kAsciiField = 2;
constexpr BYTE kNumberField = 5;
constexpr BYTE kTextLength = 12;

// The string store of Korutil2MFC.dll, as the host reaches it.
struct StringStore {
    Library dll{"Korutil2MFC.dll"};
    using Acquire = UINT(WINAPI*)(LPCSTR, void*);
    using ReadOrRelease = BOOL(WINAPI*)(UINT, void*, LPSTR, WORD, BOOL);
    using RefCount = UINT(WINAPI*)(UINT, void*);
    using LiveCount = UINT(WINAPI*)(void*);
    using Clear = void(WINAPI*)(void*);
    Acquire acquire = dll.proc<Acquire>(WORD{2});
    ReadOrRelease readOrRelease = dll.proc<ReadOrRelease>(WORD{5});
    RefCount refCount = dll.proc<RefCount>("StringStoreRefCount");
    LiveCount liveCount = dll.proc<LiveCount>("StringStoreLiveCount");
    Clear clear = dll.proc<Clear>("StringStoreClear");
};

StringStore& store()
{
    static StringStore s;
    return s;
}

HostRecipe* g_recipe = nullptr;

int rowIndex(const MatrixRow* row)
{
    return g_recipe ? static_cast<int>(row - g_recipe->rows.data()) : -1;
}

BOOL WINAPI formatValue(MatrixRow*, DWORD value, LPSTR text)
{
    std::snprintf(text, 256, "%ld", static_cast<long>(value));
    return TRUE;
}

BOOL WINAPI parseValue(MatrixRow*, DWORD* value, LPCSTR text)
{
    *value = static_cast<DWORD>(std::strtol(text, nullptr, 10));
    return TRUE;
}

BOOL WINAPI rowNameOf(MatrixRow* row, LPSTR text)
{
    std::snprintf(text, 256, "%s", HostRecipe::rowName(rowIndex(row)).c_str());
    return TRUE;
}

void copyField(char* field, const char* text)
{
    std::memset(field, 0, 30);
    std::strncpy(field, text, 29);
}

} // namespace

std::string HostRecipe::rowName(int row)
{
    char name[32];
    std::snprintf(name, sizeof name, "Field %d", row);
    return name;
}

std::string HostRecipe::initialText(int row, int set)
{
    char text[32];
    std::snprintf(text, sizeof text, "r%ds%d", row, set);
    return text;
}

DWORD HostRecipe::initialNumber(int row, int set)
{
    return static_cast<DWORD>(row * 1000 + set);
}

HostRecipe::HostRecipe(const std::string& kinds, int hostSets, WORD count)
    : hostSetCount(count), folders(kinds.size()), fields(kinds.size()), rows(kinds.size())
{
    g_recipe = this;
    for (std::size_t r = 0; r < kinds.size(); ++r) {
        const auto kind = static_cast<RowKind>(kinds[r]);
        folders[r].ValueKind = kind == RowKind::Number ? 1 : 0;
        fields[r].FieldType = kind == RowKind::Number ? kNumberField : kAsciiField;
        fields[r].IsRecipeName = kind == RowKind::RecipeName ? 1 : 0;
        rows[r].HostFolder = &folders[r];
        rows[r].Field = &fields[r];
        rows[r].MaxTextLen = kTextLength;
        for (int s = 0; s < hostSets; ++s) {
            if (kind == RowKind::Number)
                setHostNumber(static_cast<int>(r), s, initialNumber(static_cast<int>(r), s));
            else
                setHostText(static_cast<int>(r), s, initialText(static_cast<int>(r), s).c_str());
        }
    }
    desc.HostSetCount = &hostSetCount;
    desc.RowCount = static_cast<SHORT>(kinds.size());
    desc.Rows = rows.data();
    desc.FormatValue = formatValue;
    desc.ParseValue = parseValue;
    desc.GetRowName = rowNameOf;
    copyField(desc.Title, "Recipe Matrix");
    copyField(desc.RowCaption, "Fields");
    copyField(desc.SetCaption, "Parameter sets");
    desc.RecipeId = 7;
    desc.Project = project.data();
}

HostRecipe::~HostRecipe()
{
    for (auto& folder : folders)
        ExpDeleteFolder(&folder, projectBlock());
    freeMultipage();
    store().clear(projectBlock());
    if (g_recipe == this)
        g_recipe = nullptr;
}

void HostRecipe::setHostNumber(int row, int set, DWORD value)
{
    ExpPlaceValueInFolder(&folders[row], set, value, projectBlock());
}

void HostRecipe::setHostText(int row, int set, const char* text)
{
    const UINT id = text ? store().acquire(text, projectBlock()) : 0;
    ExpPlaceValueInFolder(&folders[row], set, id & 0xFFFF, projectBlock());
}

std::vector<FolderSnapshot> HostRecipe::snapshot() const
{
    std::vector<FolderSnapshot> all;
    for (const auto& folder : folders) {
        FolderSnapshot s;
        const auto* bytes = reinterpret_cast<const BYTE*>(&folder);
        s.descriptor.assign(bytes, bytes + sizeof folder);
        if (folder.Block) {
            const auto* entries = static_cast<const BYTE*>(GlobalLock(folder.Block));
            if (entries) {
                s.entries.assign(entries, entries + GlobalSize(folder.Block));
                GlobalUnlock(folder.Block);
            }
        }
        all.push_back(std::move(s));
    }
    return all;
}

std::string HostRecipe::valueAt(ParSetFolder& folder, int set)
{
    DWORD value = 0;
    if (!ExpGetValueFromFolder(&folder, set, &value, projectBlock()))
        return "<none>";
    if (folder.ValueKind != 0)
        return std::to_string(static_cast<long>(value));
    if (value == 0)
        return "";
    char text[256] = {};
    if (!store().readOrRelease(value, projectBlock(), text, sizeof text, FALSE))
        return "<no such id>";
    return text;
}

std::string HostRecipe::hostValue(int row, int set)
{
    return valueAt(folders[row], set);
}

std::string HostRecipe::workingValue(int row, int set)
{
    return valueAt(rows[row].Folder, set);
}

MultipageRec* HostRecipe::multipage() const
{
    MultipageRec* record = nullptr;
    std::memcpy(&record, project.data() + W32K_PROJECT_MULTIPAGE_OFFSET, sizeof record);
    return record;
}

void HostRecipe::setMultipage(MultipageRec* record)
{
    std::memcpy(project.data() + W32K_PROJECT_MULTIPAGE_OFFSET, &record, sizeof record);
}

std::vector<WORD> HostRecipe::multipageIds() const
{
    const MultipageRec* record = multipage();
    if (!record || !record->List || !record->List->Ids)
        return {};
    return std::vector<WORD>(record->List->Ids, record->List->Ids + record->List->IdCount);
}

void HostRecipe::freeMultipage()
{
    MultipageRec* record = multipage();
    if (!record)
        return;
    if (record->List) {
        std::free(record->List->Ids);
        std::free(record->List);
    }
    std::free(record);
    setMultipage(nullptr);
}

UINT liveIds(void* project)
{
    return store().liveCount(project);
}

UINT references(WORD id, void* project)
{
    return store().refCount(id, project);
}

} // namespace w32ktest
