// XDialogFold through the DLL, on a dialog made from the library's own
// "Select Language" template (its controls serve as marker and fold button).
#include <gtest/gtest.h>

#include "support/pixels.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <string>

namespace {

INT_PTR CALLBACK plainDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

class DialogFold : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(dialog, nullptr); }
    void TearDown() override { DestroyWindow(dialog); }
    HWND dialog = CreateDialogParamA(GetModuleHandleA("W32KORUTIL1.dll"),
                                     MAKEINTRESOURCEA(W32K_DLG_SELECT_LANGUAGE), nullptr, plainDialogProc, 0);
    HWND button = GetDlgItem(dialog, IDCANCEL);
};

RECT windowRect(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

} // namespace

TEST_F(DialogFold, TheDialogEndsFourFrameSizesPastTheMarkerAndStaysCentred)
{
    const struct { int marker; BOOL horizontal; } cases[] = {
        {W32K_ID_CURRENT_LANGUAGE, FALSE},
        {W32K_ID_LANGUAGE_LIST, TRUE},
        {IDOK, TRUE}, // the OK button at the far right: the folded dialog grows back
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.marker) + (c.horizontal ? " horizontal" : " vertical"));
        const RECT before = windowRect(dialog);
        const RECT marker = windowRect(GetDlgItem(dialog, c.marker));
        ASSERT_TRUE(XDialogFold(dialog, c.marker, c.horizontal, TRUE, nullptr));
        const RECT after = windowRect(dialog);
        const int width = after.right - after.left, height = after.bottom - after.top;
        if (c.horizontal) {
            EXPECT_EQ(width, marker.right - before.left + 4 * GetSystemMetrics(SM_CXDLGFRAME));
            EXPECT_EQ(height, before.bottom - before.top) << "a horizontal fold keeps the height";
        } else {
            EXPECT_EQ(height, marker.bottom - before.top + 4 * GetSystemMetrics(SM_CYDLGFRAME));
            EXPECT_EQ(width, before.right - before.left) << "a vertical fold keeps the width";
        }
        // Where CenterDialogBox puts a window of this size.
        EXPECT_EQ(after.left, ((GetSystemMetrics(SM_CXSCREEN) - width) / 2 + 4) & ~7);
        EXPECT_EQ(after.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
    }
}

// A missing marker changes neither the dialog nor the caption.
TEST_F(DialogFold, RewritesTheArrowMarkOfTheButtonWithin60Bytes)
{
    const struct { std::string caption; BOOL arrowBack; std::string expected; } cases[] = {
        {"Options >>", TRUE, "Options <<"},
        {"Options", TRUE, "Options<<"},         // no mark yet: appended after the last character
        {">>Options<<", FALSE, "Options>>"},    // leading marks are skipped
        {"More > less <", TRUE, "More <<"},     // the plain part ends at the first mark
        {std::string(58, 'x'), TRUE, std::string(57, 'x') + "<<"}, // cut to keep 59 characters
        {"", TRUE, ""},                          // an empty caption stays empty
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("caption \"" + c.caption + "\"");
        SetWindowTextA(button, c.caption.c_str());
        EXPECT_TRUE(XDialogFold(dialog, IDOK, TRUE, c.arrowBack, button));
        EXPECT_EQ(w32ktest::windowText(button), c.expected);
    }
    SetWindowTextA(button, "Options >>");
    const RECT before = windowRect(dialog);
    EXPECT_FALSE(XDialogFold(dialog, 4711, FALSE, TRUE, button));
    EXPECT_EQ(windowRect(dialog), before);
    EXPECT_EQ(w32ktest::windowText(button), "Options >>");
}
