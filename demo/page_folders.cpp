// The recipe folders page: two parameter-set folders of a sample recipe (a
// number field and a text field), edited with the folder exports and
// normalised with ValidateParSets, their runs listed after every step.
#include "pages.h"
#include "tour.h"

#include "w32khost.h"

#include <string>

namespace demo {

namespace {

constexpr int kSets = 10;

// The sample recipe's two rows (their working folders) and its project,
// whose string store holds the texts.
w32khost::Recipe& sample()
{
    static w32khost::Recipe recipe("NT", 0, kSets);
    return recipe;
}
HWND g_listing;

ParSetFolder& numbers() { return sample().rows[0].Folder; }
ParSetFolder& texts() { return sample().rows[1].Folder; }
void* project() { return sample().project.data(); }

void placeText(int index, const char* text)
{
    // The folder takes over the reference that acquiring the text gives.
    ExpPlaceValueInFolder(&texts(), index, sample().project.acquire(text), project());
}

void reset()
{
    ExpDeleteFolder(&numbers(), project());
    ExpDeleteFolder(&texts(), project());
    numbers().ValueKind = w32khost::kNumberFolder;
    texts().ValueKind = PARSET_KIND_TEXT;
    sample().rows[1].MaxTextLen = 6;
    sample().desc.SetCount = kSets;
    for (int set = 0; set < kSets; ++set)
        ExpPlaceValueInFolder(&numbers(), set, 5, project());
    placeText(0, "Water");
    placeText(1, "Water");
    placeText(4, "Sugar syrup");
}

std::string describe(ParSetFolder& folder)
{
    std::string text;
    for (const ParSetEntry& e : w32khost::entriesOf(folder)) {
        char line[400] = "";
        if (folder.ValueKind == PARSET_KIND_TEXT)
            wsprintfA(line, "  sets %d..%d = \"%s\" (id %u, %u ref)\r\n", e.FirstIndex, e.LastIndex,
                      sample().project.text(e.StringId).c_str(), e.StringId, sample().project.references(e.StringId));
        else
            wsprintfA(line, "  sets %d..%d = %lu\r\n", e.FirstIndex, e.LastIndex, e.Number);
        text += line;
    }
    return text;
}

void refresh()
{
    char heading[80];
    std::string text;
    wsprintfA(heading, "Number folder (%u entries):\r\n", numbers().EntryCount);
    text.append(heading).append(describe(numbers()));
    wsprintfA(heading, "\r\nText folder (%u entries):\r\n", texts().EntryCount);
    text.append(heading).append(describe(texts()));
    SetWindowTextA(g_listing, text.c_str());
}

void placeSeven(HWND) { ExpPlaceValueInFolder(&numbers(), 4, 7, project()); refresh(); }
void placeFive(HWND) { ExpPlaceValueInFolder(&numbers(), 4, 5, project()); refresh(); }
void placeWater(HWND) { placeText(2, "Water"); refresh(); }
void cutBack(HWND)
{
    ExpValidateFolder(&numbers(), 3, 0, project());
    ExpValidateFolder(&texts(), 3, 0, project());
    refresh();
}
void normalise(HWND)
{
    ValidateParSets(&sample().desc);
    refresh();
}
void start(HWND) { reset(); refresh(); }

void show(HWND area)
{
    if (!numbers().Block && !texts().Block)
        reset();
    addControl(area, "BUTTON", "Recipe folders", BS_GROUPBOX, 8, 4, 440, 330);
    g_listing = addControl(area, "EDIT", "", ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_BORDER, 20, 24,
                           300, 300);
    addActionButton(area, "Number 7 at set 4", 330, 24, 110, 24, placeSeven);
    addActionButton(area, "Number 5 at set 4", 330, 54, 110, 24, placeFive);
    addActionButton(area, "\"Water\" at set 2", 330, 84, 110, 24, placeWater);
    addActionButton(area, "Cut back to 3 sets", 330, 114, 110, 24, cutBack);
    addActionButton(area, "Normalise 10 sets", 330, 144, 110, 24, normalise);
    addActionButton(area, "Start again", 330, 174, 110, 24, start);
    refresh();
}

void tour(Tour& t, HWND mainWindow)
{
    placeSeven(mainWindow);
    placeWater(mainWindow);
    normalise(mainWindow);
    t.screenshot(mainWindow, "folders");
}

const PageRegistration registration({20, "Recipe folders", show, tour});

} // namespace
} // namespace demo
