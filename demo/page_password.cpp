// The password page: the sample project's password table, edited with the
// library's password dialog.
#include "pages.h"
#include "tour.h"

#include "w32korutil1.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace demo {

namespace {

// The sample project's password data, as a host keeps it.
struct SampleProject {
    LONG pagesUsed = 24;
    BYTE passwordCount = 0;
    PasswordBlock block{};

    SampleProject()
    {
        block.PagesUsed = &pagesUsed;
        block.PasswordCount = &passwordCount;
        block.LogoutTimeout = 300;
        const PasswordEntry entries[] = {
            {"1000", PWD_ATTR_SYSTEM | PWD_ATTR_ALOGO, 1, 24, {}},
            {"2468", PWD_ATTR_CONF | PWD_ATTR_PRINT | PWD_ATTR_ALOGI, 3, 8, {}},
        };
        block.PasswordTable = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof entries);
        if (void* data = GlobalLock(block.PasswordTable)) {
            std::memcpy(data, entries, sizeof entries);
            GlobalUnlock(block.PasswordTable);
            passwordCount = 2;
        }
    }
};

SampleProject& project()
{
    static SampleProject sample;
    return sample;
}

HWND g_summary = nullptr;
constexpr int kSecondPasswordEdit = 510; // the password edit of row 1

std::string attributeNames(BYTE attributes)
{
    static const std::pair<BYTE, const char*> names[] = {
        {PWD_ATTR_CONF, "CONF"},   {PWD_ATTR_TIME, "TIME"},   {PWD_ATTR_ACK, "ACK"},
        {PWD_ATTR_PRINT, "PRINT"}, {PWD_ATTR_PAGE, "PAGE"},   {PWD_ATTR_ALOGI, "ALOGI"},
        {PWD_ATTR_ALOGO, "ALOGO"},
    };
    std::string text;
    for (const auto& [bit, name] : names)
        if (attributes & bit)
            text += std::string(text.empty() ? "" : " ") + name;
    return text.empty() ? "-" : text;
}

std::string tableSummary()
{
    const SampleProject& p = project();
    char line[160];
    std::snprintf(line, sizeof line, "Pages used: %ld    Logout timeout: %u\r\nEntries: %u\r\n\r\n",
                  p.pagesUsed, p.block.LogoutTimeout, p.passwordCount);
    std::string text = line;
    if (!p.block.PasswordTable)
        return text + "(no password table)";
    const auto* entries = static_cast<const PasswordEntry*>(GlobalLock(p.block.PasswordTable));
    for (BYTE i = 0; entries && i < p.passwordCount; ++i) {
        char password[PASSWORD_LENGTH + 1] = {};
        std::memcpy(password, entries[i].Password, PASSWORD_LENGTH);
        std::snprintf(line, sizeof line, "%u  %-4s  pages %u-%u  %s\r\n", i, password,
                      entries[i].FromPage, entries[i].ToPage,
                      attributeNames(entries[i].Attributes).c_str());
        text += line;
    }
    GlobalUnlock(p.block.PasswordTable);
    return text;
}

void editPasswords(HWND owner)
{
    StartPasswordDlg(owner, reinterpret_cast<LPARAM>(&project().block));
    if (IsWindow(g_summary))
        SetWindowTextA(g_summary, tableSummary().c_str());
}

void show(HWND area)
{
    addControl(area, "BUTTON", "Password table of the sample project", BS_GROUPBOX, 8, 4, 440, 200);
    g_summary = addControl(area, "STATIC", tableSummary().c_str(), SS_LEFT | SS_NOPREFIX, 20, 24,
                           420, 170);
    addActionButton(area, "Edit passwords...", 8, 214, 120, 26, editPasswords);
}

void tour(Tour& t, HWND mainWindow)
{
    t.screenshot(mainWindow, "password");
    // The dialog with the two sample passwords and the focus on the second.
    t.captureDialog(
        "password_dialog",
        [mainWindow] { StartPasswordDlg(mainWindow, reinterpret_cast<LPARAM>(&project().block)); },
        [](HWND dialog) {
            ShowWindow(dialog, SW_SHOWNORMAL);
            SetFocus(GetDlgItem(dialog, kSecondPasswordEdit));
        });
}

const PageRegistration registration({70, "Passwords", show, tour});

} // namespace
} // namespace demo
