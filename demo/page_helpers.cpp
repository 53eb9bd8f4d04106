// The general helpers page: a dialog of the host's own that folds with
// XDialogFold, the library's "Select Language" template run by the host's
// own dialog procedure on a sample project, and the small text services.
#include "pages.h"
#include "tour.h"

#include "korutil2mfc.h"
#include "w32korutil1.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace demo {

namespace {

// ---------------------------------------------------------------------------
// The sample project: three languages whose names are multi-language texts
// in the project's string store.

constexpr size_t kProjectSize = 1024;
constexpr BYTE kLanguages = 3;
constexpr const char* kLanguageNames[kLanguages] = {
    "English\x1F" "Englisch\x1F" "Anglais",
    "German\x1F" "Deutsch\x1F" "Allemand",
    "French\x1F" "Franzoesisch\x1F" "Francais",
};

struct SampleProject {
    std::array<std::byte, kProjectSize> block{};
    std::array<LanguageRecord, kLanguages> languages{};
    int currentLanguage = 1; // the host shows its texts in German
    bool ready = false;

    void* data() { return block.data(); }
    void prepare()
    {
        if (ready)
            return;
        ready = true;
        for (BYTE i = 0; i < kLanguages; ++i)
            languages[i].nameId = static_cast<WORD>(KorAcquireName(kLanguageNames[i], data()));
        block[W32K_PRJ_LANGUAGE_COUNT] = std::byte{kLanguages};
        void* table = languages.data();
        std::memcpy(block.data() + W32K_PRJ_LANGUAGE_TABLE, &table, sizeof table);
    }
};

SampleProject g_project;
HWND g_status = nullptr; // the page's text of results (null while another page shows)

// ---------------------------------------------------------------------------
// An in-memory dialog template (the host's own dialogs need no resource).

class DialogTemplate {
public:
    DialogTemplate(const char* title, DWORD style, short cx, short cy)
    {
        align();
        putDword(style | DS_SETFONT);
        putDword(0);
        countAt_ = words_.size();
        putWord(0);
        for (short v : {short(0), short(0), cx, cy})
            putWord(static_cast<WORD>(v));
        putWord(0); // no menu
        putWord(0); // the dialog class
        putText(title);
        putWord(8);
        putText("MS Sans Serif");
    }
    void add(const char* cls, const char* text, DWORD style, short x, short y, short cx,
             short cy, WORD id = 0xFFFF)
    {
        align();
        putDword(WS_CHILD | WS_VISIBLE | style);
        putDword(0);
        for (short v : {x, y, cx, cy})
            putWord(static_cast<WORD>(v));
        putWord(id);
        putText(cls);
        putText(text);
        putWord(0); // no creation data
        ++words_[countAt_];
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void align()
    {
        if (words_.size() % 2)
            words_.push_back(0);
    }
    void putWord(WORD w) { words_.push_back(w); }
    void putDword(DWORD d)
    {
        putWord(LOWORD(d));
        putWord(HIWORD(d));
    }
    void putText(const char* text)
    {
        while (*text)
            putWord(static_cast<WORD>(static_cast<unsigned char>(*text++)));
        putWord(0);
    }

    std::vector<WORD> words_;
    size_t countAt_ = 0;
};

// ---------------------------------------------------------------------------
// The folding dialog: "Export Tags" with its options below an etched line.

constexpr WORD kFileEdit = 201;
constexpr WORD kFoldButton = 210;
constexpr WORD kShortMarker = 220; // the etched line: the short form ends here
constexpr WORD kLongMarker = 230;  // the options group: the long form ends here
constexpr LONG_PTR kFolded = 0;
constexpr LONG_PTR kUnfolded = 1;

const DialogTemplate& foldTemplate()
{
    static const DialogTemplate t = [] {
        DialogTemplate d("Export Tags", DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 220, 146);
        d.add("STATIC", "Export the tag list to:", SS_LEFT, 7, 7, 150, 8);
        d.add("EDIT", "TAGS.CSV", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 18, 150, 12, kFileEdit);
        d.add("STATIC", "Separator: comma", SS_LEFT, 7, 36, 150, 8);
        d.add("BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 163, 7, 50, 14, IDOK);
        d.add("BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 163, 24, 50, 14, IDCANCEL);
        d.add("BUTTON", "Options >>", BS_PUSHBUTTON | WS_TABSTOP, 163, 41, 50, 14, kFoldButton);
        d.add("STATIC", "", SS_ETCHEDHORZ, 7, 60, 206, 1, kShortMarker);
        d.add("BUTTON", "Options", BS_GROUPBOX, 7, 66, 206, 72, kLongMarker);
        d.add("BUTTON", "Include &addresses", BS_AUTOCHECKBOX | WS_TABSTOP, 15, 80, 120, 10);
        d.add("BUTTON", "Include &comments", BS_AUTOCHECKBOX | WS_TABSTOP, 15, 94, 120, 10);
        d.add("BUTTON", "&Sort by name", BS_AUTOCHECKBOX | WS_TABSTOP, 15, 108, 120, 10);
        d.add("BUTTON", "Only &used tags", BS_AUTOCHECKBOX | WS_TABSTOP, 15, 122, 120, 10);
        return d;
    }();
    return t;
}

// Shows the short or the long form; the button's arrow points to the other.
void setFolded(HWND dialog, bool folded)
{
    SetWindowLongPtrA(dialog, DWLP_USER, folded ? kFolded : kUnfolded);
    XDialogFold(dialog, folded ? kShortMarker : kLongMarker, FALSE, folded ? FALSE : TRUE,
                GetDlgItem(dialog, kFoldButton));
}

INT_PTR onFoldInit(HWND dialog)
{
    setFolded(dialog, true);
    return TRUE;
}

INT_PTR onFoldCommand(HWND dialog, WORD id)
{
    switch (id) {
    case kFoldButton:
        setFolded(dialog, GetWindowLongPtrA(dialog, DWLP_USER) == kUnfolded);
        return TRUE;
    case IDOK:
    case IDCANCEL:
        EndDialog(dialog, id);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK foldDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) noexcept
{
    switch (message) {
    case WM_INITDIALOG:
        return onFoldInit(dialog);
    case WM_COMMAND:
        return onFoldCommand(dialog, LOWORD(wParam));
    default:
        return FALSE;
    }
}

void openFoldDialog(HWND owner)
{
    DialogBoxIndirectParamA(GetModuleHandleA(nullptr), foldTemplate().get(), owner, foldDialogProc, 0);
}

// ---------------------------------------------------------------------------
// The "Select Language" dialog: the library's template, the host's procedure.

std::string languageName(int record, int language)
{
    char multi[kLanguages * 256 + 1] = {};
    KorReadOrReleaseName(g_project.languages[record].nameId, g_project.data(), multi, sizeof multi,
                         FALSE);
    void* text = KorCreateLangText();
    char out[KOR_LANG_TEXT_SIZE] = {};
    if (text) {
        KorSetLangText(text, multi);
        KorExtractLangText(text, language, out);
        KorDestroyLangText(text);
    }
    return out;
}

INT_PTR onLanguageInit(HWND dialog)
{
    const int current = g_project.currentLanguage;
    InitLangListBox(0, GetDlgItem(dialog, W32K_ID_LANGUAGE_LIST), g_project.data(), current);
    SendDlgItemMessageA(dialog, W32K_ID_LANGUAGE_LIST, LB_SETCURSEL, current, 0);
    SetDlgItemTextA(dialog, W32K_ID_CURRENT_LANGUAGE, languageName(current, current).c_str());
    CenterDialogBox(dialog);
    return TRUE;
}

INT_PTR onLanguageCommand(HWND dialog, WORD id, WORD code)
{
    const bool chosen = id == IDOK || (id == W32K_ID_LANGUAGE_LIST && code == LBN_DBLCLK);
    if (chosen) {
        EndDialog(dialog, SendDlgItemMessageA(dialog, W32K_ID_LANGUAGE_LIST, LB_GETCURSEL, 0, 0));
        return TRUE;
    }
    if (id == IDCANCEL) {
        EndDialog(dialog, LB_ERR);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK languageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) noexcept
{
    switch (message) {
    case WM_INITDIALOG:
        return onLanguageInit(dialog);
    case WM_COMMAND:
        return onLanguageCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    default:
        return FALSE;
    }
}

std::string statusText();

void openLanguageDialog(HWND owner)
{
    g_project.prepare();
    const INT_PTR chosen = DialogBoxParamA(GetModuleHandleA("W32KORUTIL1.dll"),
                                           MAKEINTRESOURCEA(W32K_DLG_SELECT_LANGUAGE), owner,
                                           languageDialogProc, 0);
    if (chosen >= 0 && chosen < kLanguages)
        g_project.currentLanguage = static_cast<int>(chosen);
    if (g_status && IsWindow(g_status))
        SetWindowTextA(g_status, statusText().c_str());
}

// ---------------------------------------------------------------------------
// The text services, shown on the page.

std::string tokensOf(const char* text)
{
    std::string copy(text), result;
    char* cursor = copy.data();
    char token[16];
    while (GetNextToken(token, &cursor, ",", sizeof token - 1)) {
        result += '[';
        result += token;
        result += ']';
    }
    return result;
}

std::string numbersOf(const char* text)
{
    int list[8] = {};
    if (GetIniRangeNumbers(nullptr, nullptr, nullptr, text, list, 8) != 0)
        return "(list full)";
    std::string result = "groups ";
    result += std::to_string(list[0]);
    result += ", items ";
    result += std::to_string(list[1]);
    result += ':';
    for (int i = 2; i < 8 && list[i]; ++i) {
        result += ' ';
        result += std::to_string(list[i]);
    }
    return result;
}

std::string statusText()
{
    g_project.prepare();
    LOGFONTA font{};
    font.lfHeight = -70000;
    const LogFont16* small = LogFont32to16(&font);
    const int language = g_project.currentLanguage;
    std::string text = "GetNextToken \"Pump,Valve,,Tank\": ";
    text += tokensOf("Pump,Valve,,Tank");
    text += "\r\nGetIniRangeNumbers \"1,5;7\": ";
    text += numbersOf("1,5;7");
    text += "\r\nGetIniRangeNumbers \"0x1F,10\": ";
    text += numbersOf("0x1F,10");
    text += "\r\nLogFont32to16 height -70000: ";
    text += std::to_string(small->height);
    text += "\r\nCurrent language: ";
    text += languageName(language, language);
    return text;
}

void show(HWND area)
{
    addControl(area, "BUTTON", "Dialogs", BS_GROUPBOX, 8, 4, 440, 60);
    addActionButton(area, "Folding dialog...", 20, 26, 140, 26, openFoldDialog);
    addActionButton(area, "Select Language...", 172, 26, 140, 26, openLanguageDialog);
    addControl(area, "BUTTON", "Text services", BS_GROUPBOX, 8, 74, 440, 110);
    g_status = addControl(area, "STATIC", statusText().c_str(), SS_LEFT | SS_NOPREFIX, 20, 94, 420, 84);
}

void pressFoldButton(HWND dialog)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kFoldButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, kFoldButton)));
}

void tour(Tour& t, HWND mainWindow)
{
    t.screenshot(mainWindow, "helpers");
    t.captureDialog("helpers_fold_short", [mainWindow] { openFoldDialog(mainWindow); });
    t.captureDialog("helpers_fold_long", [mainWindow] { openFoldDialog(mainWindow); },
                    pressFoldButton);
    t.captureDialog("helpers_select_language", [mainWindow] { openLanguageDialog(mainWindow); });
}

const PageRegistration registration({100, "General helpers", show, tour});

} // namespace
} // namespace demo
