// XDialogFold through the DLL, on a dialog made from the library's own
// template 1760 (its controls serve as marker controls and fold button).
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

// The position CenterDialogBox gives a window of this size.
POINT centred(const RECT& r)
{
    const int x = ((GetSystemMetrics(SM_CXSCREEN) - width(r)) / 2 + 4) & ~7;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height(r)) / 2;
    return POINT{x, y};
}

void expectCentred(const RECT& r)
{
    const POINT expected = centred(r);
    EXPECT_EQ(r.left, expected.x);
    EXPECT_EQ(r.top, expected.y);
}

} // namespace

TEST(XDialogFold, VerticalFoldEndsFourFrameHeightsBelowTheMarker)
{
    Dialog dialog;
    ASSERT_NE(dialog.get(), nullptr);
    const RECT before = windowRect(dialog.get());
    const RECT marker = windowRect(dialog.item(W32K_ID_CURRENT_LANGUAGE));
    ASSERT_TRUE(XDialogFold(dialog.get(), W32K_ID_CURRENT_LANGUAGE, FALSE, TRUE, nullptr));

    const RECT after = windowRect(dialog.get());
    EXPECT_EQ(height(after), marker.bottom - before.top + 4 * GetSystemMetrics(SM_CYDLGFRAME));
    EXPECT_LT(height(after), height(before));
    EXPECT_EQ(width(after), width(before)) << "a vertical fold keeps the width";
    expectCentred(after);
}

TEST(XDialogFold, HorizontalFoldNarrowsAndUnfoldWidens)
{
    Dialog dialog;
    ASSERT_NE(dialog.get(), nullptr);
    const int frames = 4 * GetSystemMetrics(SM_CXDLGFRAME);
    const RECT original = windowRect(dialog.get());

    const RECT list = windowRect(dialog.item(W32K_ID_LANGUAGE_LIST));
    ASSERT_TRUE(XDialogFold(dialog.get(), W32K_ID_LANGUAGE_LIST, TRUE, FALSE, nullptr));
    const RECT folded = windowRect(dialog.get());
    EXPECT_EQ(width(folded), list.right - original.left + frames);
    EXPECT_EQ(height(folded), height(original)) << "a horizontal fold keeps the height";
    expectCentred(folded);

    // The OK button at the far right: the folded dialog grows back.
    const RECT ok = windowRect(dialog.item(IDOK));
    ASSERT_TRUE(XDialogFold(dialog.get(), IDOK, TRUE, TRUE, nullptr));
    const RECT unfolded = windowRect(dialog.get());
    EXPECT_EQ(width(unfolded), ok.right - folded.left + frames);
    EXPECT_GT(width(unfolded), width(folded));
    expectCentred(unfolded);
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

TEST(XDialogFold, ANullButtonStillResizes)
{
    Dialog dialog;
    ASSERT_NE(dialog.get(), nullptr);
    const RECT before = windowRect(dialog.get());
    const RECT marker = windowRect(dialog.item(IDOK));
    EXPECT_TRUE(XDialogFold(dialog.get(), IDOK, FALSE, FALSE, nullptr));
    const RECT after = windowRect(dialog.get());
    EXPECT_EQ(height(after), marker.bottom - before.top + 4 * GetSystemMetrics(SM_CYDLGFRAME));
    expectCentred(after);
}
