// Recipe matrices for the matrix editor and ValidateParSets.
#include "w32khost.h"

#include "frame/raii.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace w32khost {

namespace {

constexpr BYTE kNumberFieldType = 5;
constexpr BYTE kSampleTextLength = 12;
constexpr WORD kSampleRecipeId = 7;

// The recipes alive, so that the row-name callback finds its row's recipe.
std::vector<Recipe*> g_recipes;

BOOL WINAPI formatValue(MatrixRow*, DWORD value, LPSTR text)
{
    return std::snprintf(text, 256, "%ld", static_cast<long>(value)) > 0;
}

BOOL WINAPI parseValue(MatrixRow*, DWORD* value, LPCSTR text)
{
    *value = static_cast<DWORD>(std::strtol(text, nullptr, 10));
    return TRUE;
}

BOOL WINAPI rowName(MatrixRow* row, LPSTR text)
{
    for (const Recipe* recipe : g_recipes) {
        if (row >= recipe->rows.data() && row < recipe->rows.data() + recipe->rows.size()) {
            std::snprintf(text, 256, "%s", recipe->rowNames[row - recipe->rows.data()].c_str());
            return TRUE;
        }
    }
    return FALSE;
}

void copyCaption(char (&field)[30], const char* text)
{
    std::strncpy(field, text, sizeof field - 1);
}

} // namespace

Recipe::Recipe(std::string_view kinds, int filledSets, WORD count)
    : hostSetCount(count), folders(kinds.size()), fields(kinds.size()), rows(kinds.size())
{
    g_recipes.push_back(this);
    for (int r = 0; r < static_cast<int>(kinds.size()); ++r) {
        const bool number = kinds[r] == 'N';
        folders[r].ValueKind = number ? kNumberFolder : PARSET_KIND_TEXT;
        fields[r].FieldType = number ? kNumberFieldType : FIELD_TYPE_ASCII;
        fields[r].IsRecipeName = kinds[r] == 'R' ? 1 : 0;
        rows[r].HostFolder = &folders[r];
        rows[r].Field = &fields[r];
        rows[r].MaxTextLen = kSampleTextLength;
        rowNames.push_back("Field " + std::to_string(r));
        for (int s = 0; s < filledSets; ++s) {
            char text[32];
            std::snprintf(text, sizeof text, "r%ds%d", r, s);
            number ? place(r, s, r * 1000 + s) : placeText(r, s, text);
        }
    }
    desc.HostSetCount = &hostSetCount;
    desc.RowCount = static_cast<SHORT>(kinds.size());
    desc.Rows = rows.data();
    desc.FormatValue = formatValue;
    desc.ParseValue = parseValue;
    desc.GetRowName = rowName;
    copyCaption(desc.Title, "Recipe Matrix");
    copyCaption(desc.RowCaption, "Fields");
    copyCaption(desc.SetCaption, "Parameter sets");
    desc.RecipeId = kSampleRecipeId;
    desc.Project = project.data();
}

Recipe::~Recipe()
{
    for (std::size_t r = 0; r < rows.size(); ++r) {
        ExpDeleteFolder(&folders[r], project.data());
        ExpDeleteFolder(&rows[r].Folder, project.data());
    }
    if (MultipageRec* record = multipage()) { // the editor's, for the host to free with free
        if (record->List)
            std::free(record->List->Ids);
        std::free(record->List);
        std::free(record);
    }
    std::erase(g_recipes, this);
}

void Recipe::place(int row, int set, DWORD number)
{
    ExpPlaceValueInFolder(&folders[row], set, number, project.data());
}

void Recipe::placeText(int row, int set, const char* text)
{
    place(row, set, text ? project.acquire(text) : 0);
}

int Recipe::open(HWND owner)
{
    return StartMatrixEd(owner, reinterpret_cast<LPARAM>(&desc));
}

std::string Recipe::valueIn(ParSetFolder& folder, int set)
{
    DWORD value = 0;
    if (!ExpGetValueFromFolder(&folder, set, &value, project.data()))
        return "<none>";
    if (folder.ValueKind != PARSET_KIND_TEXT)
        return std::to_string(static_cast<long>(value));
    return value ? project.text(static_cast<WORD>(value)) : "";
}

std::vector<std::string> Recipe::values(bool host)
{
    std::vector<std::string> all;
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        for (int s = 0; s < hostSetCount; ++s)
            all.push_back(host ? hostValue(r, s) : workingValue(r, s));
    return all;
}

std::vector<std::vector<BYTE>> Recipe::snapshot() const
{
    std::vector<std::vector<BYTE>> all;
    for (const ParSetFolder& folder : folders) {
        const auto* descriptor = reinterpret_cast<const BYTE*>(&folder);
        all.emplace_back(descriptor, descriptor + sizeof folder);
        const w32k::GlobalLockGuard<const BYTE> entries{folder.Block};
        all.emplace_back(entries.get(), entries.get() + (entries ? entries.size() : 0));
    }
    return all;
}

MultipageRec* Recipe::multipage() const
{
    MultipageRec* record = nullptr;
    std::memcpy(&record, project.bytes() + W32K_PROJECT_MULTIPAGE_OFFSET, sizeof record);
    return record;
}

std::vector<WORD> Recipe::multipageIds() const
{
    const RecipeList* list = multipage() ? multipage()->List : nullptr;
    return list ? std::vector<WORD>(list->Ids, list->Ids + list->IdCount) : std::vector<WORD>{};
}

} // namespace w32khost
