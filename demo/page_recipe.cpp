// The recipe page: a sample recipe of 23 fields by 12 parameter sets, kept
// as the host keeps it (one parameter-set folder per field, texts in the
// project's string store), edited with the library's matrix editor.
#include "pages.h"
#include "tour.h"

#include "korutil2mfc.h"
#include "w32korutil1.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace demo {

namespace {

constexpr int kSetCount = 12;
constexpr WORD kRecipeId = 21;
constexpr BYTE kAsciiField = 2;
constexpr BYTE kNumberField = 4;
constexpr WORD kNumberFolder = 1;
constexpr WORD kTextFolder = 0;

// One field of the sample recipe: its name, its kind, its first value and
// the step from one parameter set to the next (numbers in tenths).
struct SampleField {
    const char* name;
    bool text;
    long first;
    long step;
    const char* texts; // text fields: comma-separated values, one per set (cycled)
};

constexpr std::array<SampleField, 23> kFields = {{
    {"Beer", true, 0, 0, "Pilsner,Lager,Stout,Porter,Wheat,Bock,Ale,IPA,Saison,Kolsch,Dunkel,Mild"},
    {"Mash temp C", false, 650, 5, nullptr},
    {"Mash time min", false, 600, 0, nullptr},
    {"Boil temp C", false, 1000, 0, nullptr},
    {"Boil time min", false, 900, -20, nullptr},
    {"Hop variety", true, 0, 0, "Saaz,Hallertau,Cascade,Fuggles,Tettnang,Magnum"},
    {"Hop dose g", false, 1200, 50, nullptr},
    {"Malt type", true, 0, 0, "Pale,Munich,Vienna,Crystal,Chocolate,Wheat"},
    {"Malt kg", false, 450, 25, nullptr},
    {"Water L", false, 2000, 0, nullptr},
    {"pH", false, 54, 1, nullptr},
    {"Yeast", true, 0, 0, "W34/70,US-05,S-04,WB-06,K-97"},
    {"Ferm temp C", false, 120, 10, nullptr},
    {"Ferm days", false, 140, 0, nullptr},
    {"Cool temp C", false, 20, 0, nullptr},
    {"Pressure bar", false, 12, 1, nullptr},
    {"Pump speed %", false, 750, 10, nullptr},
    {"Valve mode", true, 0, 0, "Auto,Manual,Timed"},
    {"Fill level %", false, 900, 0, nullptr},
    {"Clean cycle", true, 0, 0, "CIP-A,CIP-B"},
    {"Batch size L", false, 10000, 500, nullptr},
    {"Colour EBC", false, 80, 40, nullptr},
    {"Operator note", true, 0, 0, "-,check,hold,ok"},
}};

// The host's project data of the page.
struct Project {
    std::array<BYTE, 1024> block{}; // the project block; multipage list at 934
    WORD setCount = kSetCount;
    std::array<ParSetFolder, kFields.size()> folders{};
    std::array<FieldDesc, kFields.size()> fields{};
    std::array<MatrixRow, kFields.size()> rows{};
    MatrixDesc desc{};
    bool filled = false;
    int lastResult = -2;
};

Project& project()
{
    static Project p;
    return p;
}

std::string nthText(const char* list, int n)
{
    std::string all(list);
    std::size_t count = 1;
    for (char c : all)
        count += c == ',';
    std::size_t index = static_cast<std::size_t>(n) % count, start = 0;
    for (; index > 0; --index)
        start = all.find(',', start) + 1;
    return all.substr(start, all.find(',', start) - start);
}

// Numbers are kept in tenths and shown with one decimal.
BOOL WINAPI formatValue(MatrixRow*, DWORD value, LPSTR text)
{
    const long v = static_cast<long>(value);
    std::snprintf(text, 256, "%s%ld.%ld", v < 0 ? "-" : "", std::labs(v) / 10, std::labs(v) % 10);
    return TRUE;
}

BOOL WINAPI parseValue(MatrixRow*, DWORD* value, LPCSTR text)
{
    *value = static_cast<DWORD>(std::lround(std::strtod(text, nullptr) * 10.0));
    return TRUE;
}

BOOL WINAPI rowName(MatrixRow* row, LPSTR text)
{
    const auto index = static_cast<std::size_t>(row - project().rows.data());
    std::snprintf(text, 256, "%s", index < kFields.size() ? kFields[index].name : "?");
    return TRUE;
}

void copyCaption(char* field, const char* text)
{
    std::memset(field, 0, 30);
    std::strncpy(field, text, 29);
}

void fillSampleRecipe(Project& p)
{
    void* block = p.block.data();
    for (std::size_t r = 0; r < kFields.size(); ++r) {
        const SampleField& f = kFields[r];
        p.folders[r].ValueKind = f.text ? kTextFolder : kNumberFolder;
        p.fields[r].FieldType = f.text ? kAsciiField : kNumberField;
        p.fields[r].IsRecipeName = r == 0 ? 1 : 0;
        for (int s = 0; s < kSetCount; ++s) {
            const DWORD value = f.text ? KorAcquireName(nthText(f.texts, s).c_str(), block)
                                       : static_cast<DWORD>(f.first + f.step * s);
            ExpPlaceValueInFolder(&p.folders[r], s, value, block);
        }
        p.rows[r].HostFolder = &p.folders[r];
        p.rows[r].Field = &p.fields[r];
        p.rows[r].MaxTextLen = 16;
    }
    p.desc.HostSetCount = &p.setCount;
    p.desc.RowCount = static_cast<SHORT>(kFields.size());
    p.desc.Rows = p.rows.data();
    p.desc.FormatValue = formatValue;
    p.desc.ParseValue = parseValue;
    p.desc.GetRowName = rowName;
    copyCaption(p.desc.Title, "Recipe: Brewhouse line 1");
    copyCaption(p.desc.RowCaption, "Field");
    copyCaption(p.desc.SetCaption, "Parameter set");
    p.desc.RecipeId = kRecipeId;
    p.desc.Project = block;
    p.filled = true;
}

Project& sampleRecipe()
{
    Project& p = project();
    if (!p.filled)
        fillSampleRecipe(p);
    return p;
}

void openEditor(HWND owner)
{
    Project& p = sampleRecipe();
    p.lastResult = StartMatrixEd(owner, reinterpret_cast<LPARAM>(&p.desc));
}

// The page text: the recipe's size, its first recipe names, the last result.
std::string summary()
{
    Project& p = sampleRecipe();
    char text[512];
    int length = std::snprintf(text, sizeof text,
                               "A recipe of %u fields by %u parameter sets, one parameter-set folder "
                               "per field. OK writes the edited folders back; Cancel leaves them.\r\n\r\n",
                               static_cast<unsigned>(kFields.size()), static_cast<unsigned>(p.setCount));
    for (int s = 0; s < 3 && s < p.setCount; ++s) {
        char name[256] = {};
        DWORD id = 0;
        if (ExpGetValueFromFolder(&p.folders[0], s, &id, p.block.data()))
            KorReadOrReleaseName(id, p.block.data(), name, sizeof name - 1, FALSE);
        length += std::snprintf(text + length, sizeof text - length, "Set %d: %.40s\r\n", s + 1, name);
    }
    if (p.lastResult != -2)
        std::snprintf(text + length, sizeof text - length, "\r\nLast editor result: %d", p.lastResult);
    return text;
}

void show(HWND area)
{
    addControl(area, "BUTTON", "Recipe matrix", BS_GROUPBOX, 8, 4, 440, 160);
    addControl(area, "STATIC", summary().c_str(), SS_LEFT, 20, 24, 420, 100);
    addActionButton(area, "Edit recipe...", 20, 128, 120, 26, openEditor);
}

void pageAround(HWND dialog)
{
    SendMessageA(dialog, WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
    SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(SB_PAGERIGHT, 0), 0);
}

void tour(Tour& t, HWND mainWindow)
{
    t.screenshot(mainWindow, "recipe");
    t.captureDialog("recipe_editor", [mainWindow] { openEditor(mainWindow); });
    t.captureDialog("recipe_editor_paged", [mainWindow] { openEditor(mainWindow); }, pageAround);
}

const PageRegistration registration({25, "Recipe editor", show, tour});

} // namespace
} // namespace demo
