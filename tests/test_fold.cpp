// XDialogFold through the DLL, on a dialog made from the library's own
// "Select Language" template 1760 (its controls serve as marker controls and
// fold button), and that template's controls as a host's procedure gets them.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "w32korutil1.h"

#include <string>

namespace {

INT_PTR CALLBACK plainDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// A modeless dialog from template 1760, destroyed with the object.
class Dialog {
public:
    Dialog()
        : window_(CreateDialogParamA(GetModuleHandleA("W32KORUTIL1.dll"),
                                     MAKEINTRESOURCEA(W32K_DLG_SELECT_LANGUAGE), nullptr,
                                     plainDialogProc, 0))
    {
    }
    ~Dialog()
    {
        if (window_)
            DestroyWindow(window_);
    }
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    HWND get() const { return window_; }
    HWND item(int id) const { return GetDlgItem(window_, id); }

private:
    HWND window_;
};

RECT windowRect(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

int width(const RECT& r) { return r.right - r.left; }
int height(const RECT& r) { return r.bottom - r.top; }

// Where CenterDialogBox puts a window of this size.
void expectCentred(const RECT& r)
{
    EXPECT_EQ(r.left, ((GetSystemMetrics(SM_CXSCREEN) - width(r)) / 2 + 4) & ~7);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - height(r)) / 2);
}

} // namespace

TEST(XDialogFold, TheDialogEndsFourFrameSizesPastTheMarkerAndStaysCentred)
{
    Dialog dialog;
    ASSERT_NE(dialog.get(), nullptr);
    const struct {
        int marker;
        BOOL horizontal, arrowBack;
    } cases[] = {
        {W32K_ID_CURRENT_LANGUAGE, FALSE, TRUE},
        {IDOK, FALSE, FALSE},
        {W32K_ID_LANGUAGE_LIST, TRUE, FALSE},
        {IDOK, TRUE, TRUE}, // the OK button at the far right: the folded dialog grows back
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.marker) + (c.horizontal ? " horizontal" : " vertical"));
        const RECT before = windowRect(dialog.get());
        const RECT marker = windowRect(dialog.item(c.marker));
        ASSERT_TRUE(XDialogFold(dialog.get(), c.marker, c.horizontal, c.arrowBack, nullptr));
        const RECT after = windowRect(dialog.get());
        if (c.horizontal) {
            EXPECT_EQ(width(after), marker.right - before.left + 4 * GetSystemMetrics(SM_CXDLGFRAME));
            EXPECT_EQ(height(after), height(before)) << "a horizontal fold keeps the height";
        } else {
            EXPECT_EQ(height(after), marker.bottom - before.top + 4 * GetSystemMetrics(SM_CYDLGFRAME));
            EXPECT_EQ(width(after), width(before)) << "a vertical fold keeps the width";
        }
        expectCentred(after);
    }
}

TEST(XDialogFold, RewritesTheArrowMarkOfTheButton)
{
    struct Case {
        std::string caption;
        BOOL arrowBack;
        std::string expected;
    };
    const std::string long58(58, 'x');
    const Case cases[] = {
        {"Options >>", TRUE, "Options <<"},
        {"Options >>", FALSE, "Options >>"},
        {"Options <<", FALSE, "Options >>"},
        {"Options", TRUE, "Options<<"},         // no mark yet: appended after the last character
        {">>Options<<", FALSE, "Options>>"},    // leading marks are skipped
        {"More > less <", TRUE, "More <<"},     // the plain part ends at the first mark
        {">><<", TRUE, "<<"},                   // marks only: the new mark alone
        {">", FALSE, ">>"},
        {long58, TRUE, std::string(57, 'x') + "<<"}, // cut to keep 59 characters
        {std::string(57, 'y') + ">>", TRUE, std::string(57, 'y') + "<<"},
        {"", TRUE, ""},                          // an empty caption stays empty
    };
    Dialog dialog;
    ASSERT_NE(dialog.get(), nullptr);
    HWND button = dialog.item(IDCANCEL);
    for (const auto& c : cases) {
        SCOPED_TRACE("caption \"" + c.caption + "\"");
        SetWindowTextA(button, c.caption.c_str());
        EXPECT_TRUE(XDialogFold(dialog.get(), IDOK, TRUE, c.arrowBack, button));
        EXPECT_EQ(w32ktest::windowText(button), c.expected);
    }
}

TEST(XDialogFold, AMissingMarkerChangesNothing)
{
    Dialog dialog;
    ASSERT_NE(dialog.get(), nullptr);
    HWND button = dialog.item(IDCANCEL);
    SetWindowTextA(button, "Options >>");
    const RECT before = windowRect(dialog.get());
    EXPECT_FALSE(XDialogFold(dialog.get(), 4711, FALSE, TRUE, button));
    const RECT after = windowRect(dialog.get());
    EXPECT_TRUE(EqualRect(&before, &after));
    EXPECT_EQ(w32ktest::windowText(button), "Options >>");
    EXPECT_FALSE(XDialogFold(nullptr, IDOK, FALSE, TRUE, button));
}

TEST(SelectLanguageTemplate, CaptionAndControlsInTheirOrder)
{
    Dialog dialog;
    ASSERT_NE(dialog.get(), nullptr);
    EXPECT_EQ(w32ktest::windowText(dialog.get()), "Select Language");
    const struct {
        const char* cls;
        int id;
        const char* text;
    } expected[] = {
        {"Static", -1, "Current Language:"}, {"Edit", W32K_ID_CURRENT_LANGUAGE, ""},
        {"Static", -1, "&Languages:"},       {"ListBox", W32K_ID_LANGUAGE_LIST, ""},
        {"Button", IDOK, "OK"},              {"Button", IDCANCEL, "Cancel"},
    };
    HWND child = GetWindow(dialog.get(), GW_CHILD);
    for (const auto& c : expected) {
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(w32ktest::className(child), c.cls);
        EXPECT_EQ(static_cast<short>(GetDlgCtrlID(child)), c.id);
        EXPECT_EQ(w32ktest::windowText(child), c.text);
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "no further controls";
    EXPECT_TRUE(GetWindowLongA(dialog.item(W32K_ID_CURRENT_LANGUAGE), GWL_STYLE) & ES_READONLY);
    EXPECT_TRUE(GetWindowLongA(dialog.item(IDOK), GWL_STYLE) & BS_DEFPUSHBUTTON);
}
