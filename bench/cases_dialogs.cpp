// The dialogs at the formats' limits: the matrix editor on 200 rows x 255
// sets (open until the first paint, against the same template on a 1 x 1
// matrix; one page step; paste of a block 255 sets wide and 50 rows high;
// copy of the whole matrix) and the tag selection dialog on 1451 tags (open
// until the first paint; expanding a group of 500).
#include "bench.h"

#include <windows.h>

#include "w32khost.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace w32kbench {

namespace {

// Control ids of the two templates, as a host sees them on the screen.
constexpr int kMatrixHScroll = 1006;
constexpr int kMatrixCorner = 1019; // selects the whole matrix
constexpr int kMatrixCopy = 1041;
constexpr int kMatrixPaste = 1042;
constexpr int kMatrixFirstCell = 1050;

// A hidden owner window. A modal dialog tells its owner with WM_ENTERIDLE
// when its loop has nothing left to do; the first time that happens with
// the dialog shown and no paint pending, the dialog has opened and painted.
// Then `whenPainted` runs inside the modal loop, and the dialog is cancelled.
class ModalProbe {
public:
    ModalProbe()
    {
        WNDCLASSA cls{};
        cls.lpfnWndProc = ownerProc;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.lpszClassName = kClass;
        RegisterClassA(&cls);
        owner_ = CreateWindowA(kClass, "w32kbench", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                               cls.hInstance, nullptr);
        SetWindowLongPtrA(owner_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~ModalProbe() { DestroyWindow(owner_); }
    ModalProbe(const ModalProbe&) = delete;
    ModalProbe& operator=(const ModalProbe&) = delete;

    HWND owner() const { return owner_; }

    // Runs open(owner); returns the milliseconds until the dialog has painted
    // (negative when it never did).
    double openMs(const std::function<INT_PTR(HWND)>& open, std::function<void(HWND)> whenPainted)
    {
        whenPainted_ = std::move(whenPainted);
        painted_ = false;
        paintedAt_ = Clock::now();
        const auto start = Clock::now();
        open(owner_);
        if (!painted_)
            return -1;
        return std::chrono::duration<double, std::milli>(paintedAt_ - start).count();
    }

private:
    static constexpr const char* kClass = "W32KBenchOwner";

    static LRESULT CALLBACK ownerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<ModalProbe*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX && self)
            self->onIdle(reinterpret_cast<HWND>(lParam));
        return DefWindowProcA(window, message, wParam, lParam);
    }

    void onIdle(HWND dialog)
    {
        if (painted_ || !IsWindowVisible(dialog) || (HIWORD(GetQueueStatus(QS_PAINT)) & QS_PAINT))
            return;
        paintedAt_ = Clock::now();
        painted_ = true;
        if (whenPainted_)
            whenPainted_(dialog);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
    }

    HWND owner_ = nullptr;
    std::function<void(HWND)> whenPainted_;
    bool painted_ = false;
    Clock::time_point paintedAt_;
};

// Milliseconds of a message to the dialog and the repaint it causes.
double withRepaintMs(HWND dialog, const std::function<void()>& work)
{
    return timeMs([&] {
        work();
        RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    });
}

std::string cellText(HWND dialog, int id)
{
    char text[64] = "";
    GetWindowTextA(GetDlgItem(dialog, id), text, sizeof text);
    return text;
}

void click(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

using w32khost::clipboardText;
using w32khost::putClipboardText;

// A block of `rows` lines of `sets` cells as Copy writes it; every cell
// holds a number that starts with `lead`.
std::string blockText(int rows, int sets, int lead)
{
    std::string text;
    for (int r = 0; r < rows; ++r) {
        for (int s = 0; s < sets; ++s) {
            text += std::to_string(lead * 10000 + r * 100 + s);
            text += s + 1 < sets ? '\t' : '\r';
        }
        text += '\n';
    }
    return text;
}

// -- the matrix editor -----------------------------------------------------------

// A host's recipe: every third row a text row, every set its own value.
class HostRecipe : public w32khost::Recipe {
public:
    HostRecipe(int rows, int sets) : Recipe(kindsOf(rows), sets, static_cast<WORD>(sets))
    {
        for (MatrixRow& row : this->rows)
            row.MaxTextLen = 20;
        desc.SetCount = static_cast<SHORT>(sets);
    }

private:
    static std::string kindsOf(int rows)
    {
        std::string kinds;
        for (int r = 0; r < rows; ++r)
            kinds += r % 3 == 1 ? 'T' : 'N';
        return kinds;
    }
};

void matrixCases(Bench& bench, ModalProbe& probe)
{
    const int rows = bench.size(200, 12), sets = bench.size(255, 7);
    const std::string open = "matrix editor open " + std::to_string(rows) + " x " + std::to_string(sets);
    const std::string page = "matrix editor one page step";
    HostRecipe large(rows, sets), small(1, 1), tenByTen(10, 10);
    std::vector<double> opens, smallOpens, steps, smallSteps;
    bool right = true;
    // Page steps there and back, with the repaint of the grid.
    const auto pageSteps = [&](HWND dialog, std::vector<double>& times) {
        const HWND bar = GetDlgItem(dialog, kMatrixHScroll);
        for (int step = 0; step < bench.samples(6); ++step) {
            const int code = step % 2 ? SB_PAGELEFT : SB_PAGERIGHT;
            times.push_back(withRepaintMs(dialog, [&] {
                SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(bar));
            }));
            // Row 0 holds its set numbers: a step to the right leaves set 0.
            right = right && (cellText(dialog, kMatrixFirstCell) == "0") == (code != SB_PAGERIGHT);
        }
    };
    for (int i = 0; i < bench.samples(9); ++i) {
        opens.push_back(probe.openMs([&](HWND owner) { return large.open(owner); },
                                     [&](HWND dialog) { pageSteps(dialog, steps); }));
        if (bench.smoke())
            continue; // the bounds take the same paths
        smallOpens.push_back(probe.openMs([&](HWND owner) { return small.open(owner); }, nullptr));
        probe.openMs([&](HWND owner) { return tenByTen.open(owner); }, [&](HWND dialog) { pageSteps(dialog, smallSteps); });
    }
    right = right && median(opens) >= 0 && median(smallOpens) >= 0 && !steps.empty();
    bench.check(right, open, "the editor did not open, paint or page as expected");
    bench.report({open, median(opens), median(smallOpens), {GoalKind::ExtraAtMost, 30}, bench.samples(9)});
    // Bound: the same step on a 10 x 10 matrix (the grid's repaint).
    bench.report({page, median(steps), median(smallSteps), {GoalKind::Under, 50}, static_cast<int>(steps.size())});
}

// Paste of a block over the top rows and Copy of the whole matrix, each timed
// with the repaint of the grid. The pasted blocks alternate, so that every
// paste changes every cell it reaches.
void matrixClipboardCases(Bench& bench, ModalProbe& probe)
{
    const int rows = bench.size(200, 12), sets = bench.size(255, 7), blockRows = bench.size(50, 3);
    const std::string paste = "matrix editor paste " + std::to_string(sets) + " x " + std::to_string(blockRows);
    const std::string copy = "matrix editor copy " + std::to_string(rows) + " x " + std::to_string(sets);
    HostRecipe recipe(rows, sets);
    const std::string blocks[] = {blockText(blockRows, sets, 1), blockText(blockRows, sets, 2)};
    std::vector<double> pastes, copies;
    bool right = true;
    probe.openMs([&](HWND owner) { return recipe.open(owner); },
                 [&](HWND dialog) {
                     for (int i = 0; i < bench.samples(9); ++i) {
                         const int lead = 1 + i % 2;
                         right = right && putClipboardText(blocks[i % 2]);
                         click(dialog, kMatrixCorner);
                         pastes.push_back(withRepaintMs(dialog, [&] { click(dialog, kMatrixPaste); }));
                         right = right && cellText(dialog, kMatrixFirstCell) == std::to_string(lead * 10000);
                         click(dialog, kMatrixCorner);
                         copies.push_back(withRepaintMs(dialog, [&] { click(dialog, kMatrixCopy); }));
                         // The copy starts with the pasted block and holds a line per row.
                         const std::string text = clipboardText();
                         right = right && text.rfind(blocks[i % 2], 0) == 0 &&
                                 std::count(text.begin(), text.end(), '\n') == rows;
                     }
                 });
    bench.check(right && !pastes.empty(), paste, "the paste or copy did not give the matrix's cells");
    bench.report({paste, median(pastes), std::nullopt, {GoalKind::Under, 50}, static_cast<int>(pastes.size())});
    bench.report({copy, median(copies), std::nullopt, {GoalKind::Under, 50}, static_cast<int>(copies.size())});
}

// -- the tag selection dialog -------------------------------------------------------

BOOL WINAPI acceptTag(BYTE*, const TagDataRecord*, NetNodeRecord*)
{
    return TRUE;
}

// 1451 tags: group "Big" with `groupSize` tags, the rest top-level tags.
struct TagProject {
    w32khost::Project project;
    w32khost::TagTree tags{project};
    BYTE owner[128] = {};
    TagSelectBlock block{};
    WORD group = 0;

    TagProject(int total, int groupSize)
    {
        group = tags.add("Big", 0, true);
        for (int i = 0; i < total - 1; ++i)
            tags.add(std::string("T").append(std::to_string(i)), i < groupSize ? group : 0);
        block.tagOwner = owner;
        block.project = project.data();
        block.folder = &tags.folder;
        block.accept = acceptTag;
    }
};

// The line of the list that shows the tag id.
int lineOf(HWND list, WORD id)
{
    const auto lines = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int line = 0; line < lines; ++line) {
        const auto item = static_cast<DWORD>(SendMessageA(list, LB_GETITEMDATA, line, 0));
        if ((item & W32K_TAGITEM_ID_MASK) == id)
            return line;
    }
    return -1;
}

void tagDialogCases(Bench& bench, ModalProbe& probe)
{
    const int total = bench.size(W32K_TAG_MAX_ELEMENTS, 12), groupSize = bench.size(500, 5);
    const std::string open = "tag dialog open on " + std::to_string(total) + " tags";
    const std::string expand = "tag dialog expand a group of " + std::to_string(groupSize);
    TagProject tags(total, groupSize), twoTags(2, 1);
    std::vector<double> opens, expands, smallOpens, smallExpands;
    bool right = tags.tags.folder.count == total;
    // Opens the group with the right arrow (timed with the repaint), closes it again.
    const auto expandGroup = [&](HWND dialog, const TagProject& project, int size, std::vector<double>& times) {
        const HWND list = GetDlgItem(dialog, W32K_ID_TAG_LIST);
        const int lines = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        SendMessageA(list, LB_SETCURSEL, lineOf(list, project.group), 0);
        times.push_back(withRepaintMs(dialog, [&] { SendMessageA(list, WM_KEYDOWN, VK_RIGHT, 0); }));
        right = right && SendMessageA(list, LB_GETCOUNT, 0, 0) == lines + size;
        SendMessageA(list, WM_KEYDOWN, VK_LEFT, 0);
    };
    for (int i = 0; i < bench.samples(9); ++i) {
        opens.push_back(probe.openMs([&](HWND owner) { return ExecTagSelDlg(owner, &tags.block); },
                                     [&](HWND dialog) { expandGroup(dialog, tags, groupSize, expands); }));
        if (bench.smoke())
            continue;
        smallOpens.push_back(probe.openMs([&](HWND owner) { return ExecTagSelDlg(owner, &twoTags.block); },
                                          [&](HWND dialog) { expandGroup(dialog, twoTags, 1, smallExpands); }));
    }
    right = right && median(opens) >= 0 && !expands.empty();
    bench.check(right, open, "the dialog did not open, paint or expand as expected");
    // Bounds: the same dialog on a group of one tag.
    bench.report({open, median(opens), median(smallOpens), {GoalKind::Under, 50}, bench.samples(9)});
    bench.report({expand, median(expands), median(smallExpands), {GoalKind::Under, 50}, static_cast<int>(expands.size())});
}

} // namespace

void runDialogCases(Bench& bench)
{
    ModalProbe probe;
    matrixCases(bench, probe);
    matrixClipboardCases(bench, probe);
    tagDialogCases(bench, probe);
}

} // namespace w32kbench
