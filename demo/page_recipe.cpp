// The recipe page: a sample recipe of 23 fields by 12 parameter sets, kept
// as the host keeps it (one parameter-set folder per field, texts in the
// project's string store), edited with the library's matrix editor.
#include "pages.h"
#include "tour.h"

#include "w32khost.h"

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
constexpr BYTE kTextLength = 16;

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

int g_lastResult = -2; // the editor's last result; -2 before the first

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

void copyCaption(char* field, const char* text)
{
    std::memset(field, 0, 30);
    std::strncpy(field, text, 29);
}

std::string sampleKinds()
{
    std::string kinds;
    for (std::size_t r = 0; r < kFields.size(); ++r)
        kinds += r == 0 ? 'R' : kFields[r].text ? 'T' : 'N'; // the first field names the recipe
    return kinds;
}

bool fillSample(w32khost::Recipe& recipe)
{
    for (std::size_t r = 0; r < kFields.size(); ++r) {
        const SampleField& f = kFields[r];
        for (int s = 0; s < kSetCount; ++s)
            f.text ? recipe.placeText(r, s, nthText(f.texts, s).c_str())
                   : recipe.place(r, s, static_cast<DWORD>(f.first + f.step * s));
        recipe.rows[r].MaxTextLen = kTextLength;
        recipe.rowNames[r] = f.name;
    }
    recipe.desc.FormatValue = formatValue;
    recipe.desc.ParseValue = parseValue;
    copyCaption(recipe.desc.Title, "Recipe: Brewhouse line 1");
    copyCaption(recipe.desc.RowCaption, "Field");
    copyCaption(recipe.desc.SetCaption, "Parameter set");
    recipe.desc.RecipeId = kRecipeId;
    return true;
}

// The sample recipe, kept as the host keeps it.
w32khost::Recipe& sampleRecipe()
{
    static w32khost::Recipe recipe(sampleKinds(), 0, kSetCount);
    [[maybe_unused]] static const bool filled = fillSample(recipe);
    return recipe;
}

void openEditor(HWND owner)
{
    g_lastResult = sampleRecipe().open(owner);
}

// The page text: the recipe's size, its first recipe names, the last result.
std::string summary()
{
    w32khost::Recipe& recipe = sampleRecipe();
    char text[512];
    int length = std::snprintf(text, sizeof text,
                               "A recipe of %u fields by %u parameter sets, one parameter-set folder "
                               "per field. OK writes the edited folders back; Cancel leaves them.\r\n\r\n",
                               static_cast<unsigned>(kFields.size()), static_cast<unsigned>(recipe.hostSetCount));
    for (int s = 0; s < 3 && s < recipe.hostSetCount; ++s)
        length += std::snprintf(text + length, sizeof text - length, "Set %d: %.40s\r\n", s + 1,
                                recipe.hostValue(0, s).c_str());
    if (g_lastResult != -2)
        std::snprintf(text + length, sizeof text - length, "\r\nLast editor result: %d", g_lastResult);
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

void clickButton(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// The editor's buttons, as the matrix editor's template numbers them.
constexpr int kCopyButton = 1041;
constexpr int kPasteButton = 1042;
constexpr int kFirstColumnButton = 1020;

// Copies parameter set 2 (its column button, then Copy) and highlights
// parameter set 4 as the place to paste it: Paste is enabled now.
void copySetAndSelectTarget(HWND dialog)
{
    clickButton(dialog, kFirstColumnButton + 1);
    clickButton(dialog, kCopyButton);
    clickButton(dialog, kFirstColumnButton + 3);
}

// ... and pastes it there: the highlight goes, the column shows set 2's values.
void copySetAndPaste(HWND dialog)
{
    copySetAndSelectTarget(dialog);
    clickButton(dialog, kPasteButton);
}

void tour(Tour& t, HWND mainWindow)
{
    t.screenshot(mainWindow, "recipe");
    t.captureDialog("recipe_editor", [mainWindow] { openEditor(mainWindow); });
    t.captureDialog("recipe_editor_paged", [mainWindow] { openEditor(mainWindow); }, pageAround);
    t.captureDialog("recipe_editor_copied", [mainWindow] { openEditor(mainWindow); }, copySetAndSelectTarget);
    t.captureDialog("recipe_editor_pasted", [mainWindow] { openEditor(mainWindow); }, copySetAndPaste);
}

const PageRegistration registration({25, "Recipe editor", show, tour});

} // namespace
} // namespace demo
