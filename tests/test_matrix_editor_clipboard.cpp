// Cut, Copy and Paste of the matrix (recipe) editor as a host's user sees
// them: StartMatrixEd driven from inside its modal loop, the text that reaches
// the clipboard, the cells a paste fills, the highlight after each command,
// the string store's references, and failures that must lose nothing.
#include <gtest/gtest.h>

#include "resources/matrix_editor_ids.h"
#include "support/memory_hooks.h"
#include "support/recipe_helpers.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

using w32ktest::DialogScript;
using w32ktest::HostRecipe;
using w32ktest::MessageBoxRecorder;
using w32ktest::pumpMessages;
using w32ktest::windowText;

namespace {

int cellId(int rowSlot, int columnSlot)
{
    return IDC_MX_CELL_FIRST + 10 * columnSlot + rowSlot;
}

std::string cell(HWND dialog, int rowSlot, int columnSlot)
{
    return windowText(GetDlgItem(dialog, cellId(rowSlot, columnSlot)));
}

void click(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Gives a cell the focus as a user does; with nothing highlighted the
// rectangle then runs from it to the last row and parameter set.
void focusCell(HWND dialog, int rowSlot, int columnSlot)
{
    SetFocus(GetDlgItem(dialog, cellId(rowSlot, columnSlot)));
}

int runEditor(HostRecipe& recipe, const std::function<void(HWND)>& script)
{
    DialogScript driver(script);
    const int result = recipe.run();
    EXPECT_TRUE(driver.ran());
    return result;
}

void putOnClipboard(const std::string& bytes)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
}

void putTextOnClipboard(const std::string& text)
{
    putOnClipboard(text + '\0');
}

// The CF_TEXT bytes on the clipboard up to the first NUL; "<none>" without
// text, "<no NUL>" when the block holds none.
std::string clipboardText()
{
    if (!OpenClipboard(nullptr))
        return "<not open>";
    std::string text = "<none>";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        const auto* bytes = static_cast<const char*>(GlobalLock(data));
        const std::size_t size = GlobalSize(data);
        const auto* end = static_cast<const char*>(std::memchr(bytes, 0, size));
        text = end ? std::string(bytes, end) : "<no NUL>";
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

std::vector<int> rect(const MatrixDesc& d)
{
    return {d.SelRowFrom, d.SelRowTo, d.SelSetFrom, d.SelSetTo};
}

// Values of rows x sets of the working folders, row by row.
std::vector<std::string> workingValues(HostRecipe& recipe, int rows, int sets)
{
    std::vector<std::string> values;
    for (int r = 0; r < rows; ++r)
        for (int s = 0; s < sets; ++s)
            values.push_back(recipe.workingValue(r, s));
    return values;
}

// Every text entry of the host's folders holds one reference of its id, and
// the store keeps no other id alive.
void expectReferencesBalanced(HostRecipe& recipe)
{
    std::map<WORD, UINT> held;
    for (const ParSetFolder& folder : recipe.folders) {
        if (folder.ValueKind != 0 || !folder.Block)
            continue;
        const auto* entries = static_cast<const ParSetEntry*>(GlobalLock(folder.Block));
        for (int k = 0; entries && k < folder.EntryCount; ++k)
            if (entries[k].StringId)
                ++held[entries[k].StringId];
        GlobalUnlock(folder.Block);
    }
    for (const auto& [id, count] : held)
        EXPECT_EQ(w32ktest::references(id, recipe.projectBlock()), count) << "id " << id;
    EXPECT_EQ(w32ktest::liveIds(recipe.projectBlock()), held.size());
}

class MatrixClipboard : public ::testing::Test {
protected:
    void SetUp() override { putTextOnClipboard(""); }
};

// --- copy ----------------------------------------------------------------------------

TEST_F(MatrixClipboard, CopyWritesTheRectangleTabSeparatedWithCrLfAfterEveryRow)
{
    HostRecipe recipe("TT", 3, 3);
    const char* texts[2][3] = {{"a1", "a2", "a3"}, {"b1", "b2", "b3"}};
    for (int r = 0; r < 2; ++r)
        for (int s = 0; s < 3; ++s)
            recipe.setHostText(r, s, texts[r][s]);
    runEditor(recipe, [&](HWND d) {
        focusCell(d, 0, 0); // rows 0..1 by sets 0..2
        click(d, IDC_MX_COPY);
        EXPECT_EQ(clipboardText(), "a1\ta2\ta3\r\nb1\tb2\tb3\r\n");
        focusCell(d, 1, 2); // just the last cell
        click(d, IDC_MX_COPY);
        EXPECT_EQ(clipboardText(), "b3\r\n");
        click(d, IDCANCEL);
    });
}

TEST_F(MatrixClipboard, CopyWritesNumbersAsFormattedAndEmptyTextsAsNothing)
{
    HostRecipe recipe("NTN", 2, 2);
    recipe.setHostText(1, 0, nullptr); // string id 0
    runEditor(recipe, [&](HWND d) {
        click(d, IDC_MX_CORNER);
        click(d, IDC_MX_COPY);
        EXPECT_EQ(clipboardText(), "0\t1\r\n\tr1s1\r\n2000\t2001\r\n");
        click(d, IDCANCEL);
    });
}

TEST_F(MatrixClipboard, CopyOfALargeRectangleIsWrittenWhole)
{
    constexpr int kRows = 60, kSets = 255, kLength = 40;
    HostRecipe recipe(std::string(kRows, 'T'), 0, kSets);
    std::string expected;
    for (int r = 0; r < kRows; ++r) {
        recipe.rows[r].MaxTextLen = kLength;
        for (int s = 0; s < kSets; ++s) {
            char text[64];
            std::snprintf(text, sizeof text, "row %02d set %03d %-25s", r, s, "....................");
            ASSERT_EQ(std::strlen(text), std::size_t{kLength});
            recipe.setHostText(r, s, text);
            expected += text;
            expected += s + 1 < kSets ? "\t" : "\r\n";
        }
    }
    ASSERT_GT(expected.size(), 0x10000u);
    runEditor(recipe, [&](HWND d) {
        click(d, IDC_MX_CORNER);
        click(d, IDC_MX_COPY);
        const std::string copied = clipboardText();
        EXPECT_EQ(copied.size(), expected.size());
        EXPECT_TRUE(copied == expected);
        click(d, IDCANCEL);
    });
}

// --- paste -----------------------------------------------------------------------------

struct PasteCase {
    const char* what;
    std::string kinds;
    int sets;
    std::function<void(HWND)> select;
    std::string text;
    std::vector<std::string> values; // working values afterwards, row by row
};

TEST_F(MatrixClipboard, PastePutsTheTextsCellsIntoTheRectangle)
{
    const auto atCell = [](int i, int j) { return [=](HWND d) { focusCell(d, i, j); }; };
    const auto button = [](int id) { return [=](HWND d) { click(d, id); }; };
    const PasteCase cases[] = {
        {"an empty middle cell moves the cells behind it left", "T", 3, atCell(0, 0), "a\t\tc\r\n",
         {"a", "c", "r0s2"}},
        {"an empty first cell of the text is kept", "T", 3, atCell(0, 0), "\tb\r\n", {"", "b", "r0s2"}},
        {"a second row starting with TAB continues the first", "TT", 4, atCell(0, 0), "a\tb\r\n\tc\td\r\n",
         {"a", "b", "c", "d", "r1s0", "r1s1", "r1s2", "r1s3"}},
        {"a one-row text fills a highlighted column downwards", "NNN", 3, button(IDC_MX_COLUMN_FIRST + 1),
         "7\t8\t9\t10\t11\r\n", {"0", "7", "2", "1000", "8", "1002", "2000", "9", "2002"}},
        {"a one-column text fills a clicked row across", "NN", 6, button(IDC_MX_ROW_FIRST + 1),
         "5\r\n6\r\n7\r\n8\r\n9\r\n", {"0", "1", "2", "3", "4", "5", "5", "6", "7", "8", "9", "1005"}},
        {"the focused cell takes the top-left token, overflow is dropped", "NN", 3, atCell(1, 1),
         "1\t2\t3\r\n4\t5\t6\r\n7\t8\t9\r\n", {"0", "1", "2", "1000", "1", "2"}},
        {"text rows are cut to their limit", "T", 1, atCell(0, 0), "abcdefghijklmnop\r\n", {"abcdefghijkl"}},
        {"a number is stored as ParseValue reads it", "N", 1, atCell(0, 0), "0042\r\n", {"42"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HostRecipe recipe(c.kinds, c.sets, static_cast<WORD>(c.sets));
        const int rows = static_cast<int>(c.kinds.size());
        putTextOnClipboard(c.text);
        MessageBoxRecorder boxes;
        runEditor(recipe, [&](HWND d) {
            c.select(d);
            const auto before = rect(recipe.desc);
            click(d, IDC_MX_PASTE);
            EXPECT_EQ(recipe.desc.SelActive, 0);
            EXPECT_EQ(rect(recipe.desc), before);
            EXPECT_EQ(workingValues(recipe, rows, c.sets), c.values);
            click(d, IDOK);
        });
        EXPECT_TRUE(boxes.texts().empty());
        expectReferencesBalanced(recipe);
    }
}

TEST_F(MatrixClipboard, PasteShowsThePastedValuesInTheVisibleCells)
{
    HostRecipe recipe("NT", 3, 3);
    putTextOnClipboard("0042\t-5\r\nx\ty\r\n");
    runEditor(recipe, [&](HWND d) {
        focusCell(d, 0, 1);
        click(d, IDC_MX_PASTE);
        EXPECT_EQ(cell(d, 0, 1), "42"); // FormatValue's text of ParseValue's value
        EXPECT_EQ(cell(d, 0, 2), "-5");
        EXPECT_EQ(cell(d, 1, 1), "x");
        EXPECT_EQ(cell(d, 1, 2), "y");
        EXPECT_EQ(cell(d, 1, 0), "r1s0");
        click(d, IDCANCEL);
    });
}

TEST_F(MatrixClipboard, ASecondPasteAfterFinishUsesTheSameRectangle)
{
    HostRecipe recipe("NNN", 3, 3);
    runEditor(recipe, [&](HWND d) {
        click(d, IDC_MX_COLUMN_FIRST + 1);
        putTextOnClipboard("7\t8\t9\r\n");
        click(d, IDC_MX_PASTE);
        EXPECT_EQ(recipe.desc.SelActive, 0);
        putTextOnClipboard("4\t5\t6\r\n");
        click(d, IDC_MX_PASTE);
        EXPECT_EQ(workingValues(recipe, 3, 3),
                  (std::vector<std::string>{"0", "4", "2", "1000", "5", "1002", "2000", "6", "2002"}));
        click(d, IDCANCEL);
    });
}

TEST_F(MatrixClipboard, PasteReadsATextWithoutNulOnlyWithinItsBlock)
{
    HostRecipe recipe("N", 3, 3);
    // No NUL: the text ends with the block. (Wine's clipboard stores a text
    // block with its last byte made NUL; the separator keeps "8" whole there.)
    const std::string bytes = "7\t8\t";
    runEditor(recipe, [&](HWND d) {
        focusCell(d, 0, 0);
        putOnClipboard(bytes);
        click(d, IDC_MX_PASTE);
        EXPECT_EQ(workingValues(recipe, 1, 3), (std::vector<std::string>{"7", "8", "2"}));
        click(d, IDCANCEL);
    });
}

TEST_F(MatrixClipboard, PasteOfAnEmptyTextOrNoTextChangesNothing)
{
    HostRecipe recipe("NT", 2, 2);
    runEditor(recipe, [&](HWND d) {
        focusCell(d, 0, 0);
        click(d, IDC_MX_PASTE); // the empty text of SetUp
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        CloseClipboard();
        click(d, IDC_MX_PASTE);
        EXPECT_EQ(workingValues(recipe, 2, 2), (std::vector<std::string>{"0", "1", "r1s0", "r1s1"}));
        click(d, IDCANCEL);
    });
}

// --- cut -------------------------------------------------------------------------------

TEST_F(MatrixClipboard, CutCopiesThenEmptiesNumericAndTextCells)
{
    HostRecipe recipe("NTN", 3, 3);
    runEditor(recipe, [&](HWND d) {
        focusCell(d, 0, 1); // rows 0..2 by sets 1..2
        click(d, IDC_MX_CUT);
        EXPECT_EQ(clipboardText(), "1\t2\r\nr1s1\tr1s2\r\n2001\t2002\r\n");
        EXPECT_EQ(workingValues(recipe, 3, 3),
                  (std::vector<std::string>{"0", "0", "0", "r1s0", "", "", "2000", "0", "0"}));
        EXPECT_EQ(cell(d, 1, 1), "");
        EXPECT_EQ(cell(d, 2, 2), "0");
        EXPECT_EQ(recipe.desc.SelActive, 0);
        click(d, IDOK);
    });
    expectReferencesBalanced(recipe);
    EXPECT_EQ(recipe.hostValue(1, 1), "");
}

TEST_F(MatrixClipboard, CutAndPasteMoveTextsWithBalancedReferences)
{
    HostRecipe recipe("TT", 4, 4);
    runEditor(recipe, [&](HWND d) {
        click(d, IDC_MX_ROW_FIRST + 0); // row 0
        click(d, IDC_MX_CUT);
        click(d, IDC_MX_ROW_FIRST + 1); // row 1
        click(d, IDC_MX_PASTE);
        click(d, IDOK);
    });
    for (int s = 0; s < 4; ++s) {
        EXPECT_EQ(recipe.hostValue(0, s), "");
        EXPECT_EQ(recipe.hostValue(1, s), HostRecipe::initialText(0, s));
    }
    expectReferencesBalanced(recipe);
}

// A second thread holds the clipboard open while the editor's command runs.
class ClipboardHolder {
public:
    ClipboardHolder()
        : thread_([this] {
              open_ = OpenClipboard(nullptr) != FALSE;
              SetEvent(opened_);
              WaitForSingleObject(release_, INFINITE);
              if (open_)
                  CloseClipboard();
          })
    {
        WaitForSingleObject(opened_, INFINITE);
    }
    ~ClipboardHolder()
    {
        SetEvent(release_);
        thread_.join();
        CloseHandle(opened_);
        CloseHandle(release_);
    }
    bool open() const { return open_; }

private:
    HANDLE opened_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool open_ = false;
    std::thread thread_;
};

TEST_F(MatrixClipboard, CutClearsNothingWhenTheClipboardCannotBeOpened)
{
    HostRecipe recipe("NT", 2, 2);
    putTextOnClipboard("kept");
    runEditor(recipe, [&](HWND d) {
        click(d, IDC_MX_CORNER);
        {
            ClipboardHolder holder;
            ASSERT_TRUE(holder.open());
            click(d, IDC_MX_CUT);
            click(d, IDC_MX_PASTE);
        }
        EXPECT_EQ(recipe.desc.SelActive, 0); // Finish still runs
        EXPECT_EQ(workingValues(recipe, 2, 2), (std::vector<std::string>{"0", "1", "r1s0", "r1s1"}));
        click(d, IDCANCEL);
    });
    EXPECT_EQ(clipboardText(), "kept");
}

TEST_F(MatrixClipboard, ACopyWhoseBlockFailsKeepsTheClipboardAndCutClearsNothing)
{
    HostRecipe recipe("NT", 2, 2);
    w32ktest::GlobalMemoryMonitor monitor(GetModuleHandleA("W32KORUTIL1.dll"));
    ASSERT_TRUE(monitor.installed());
    putTextOnClipboard("kept");
    runEditor(recipe, [&](HWND d) {
        click(d, IDC_MX_CORNER);
        monitor.reset();
        click(d, IDC_MX_COPY);
        EXPECT_EQ(clipboardText(), "0\t1\r\nr1s0\tr1s1\r\n");
        const int locksOfACopy = monitor.locks(); // the block's own lock comes last
        putTextOnClipboard("kept");

        const struct {
            const char* what;
            std::function<void()> fail;
        } failures[] = {
            {"allocation", [&] { monitor.failAllocation(1); }},
            {"lock", [&] { monitor.failLock(locksOfACopy); }},
        };
        for (const auto& f : failures) {
            SCOPED_TRACE(f.what);
            click(d, IDC_MX_CORNER);
            monitor.reset();
            f.fail();
            click(d, IDC_MX_CUT);
            EXPECT_EQ(clipboardText(), "kept");
            EXPECT_TRUE(monitor.outstanding().empty());
            EXPECT_EQ(monitor.locks(), monitor.unlocks());
            EXPECT_EQ(workingValues(recipe, 2, 2), (std::vector<std::string>{"0", "1", "r1s0", "r1s1"}));
            EXPECT_EQ(recipe.desc.SelActive, 0);
        }
        click(d, IDCANCEL);
    });
}

// --- round trip and measurement ------------------------------------------------------

TEST_F(MatrixClipboard, AMatrixCopiedAndPastedIntoAnotherHoldsTheSameValues)
{
    const std::string kinds = "NTRNT";
    constexpr int kSets = 8;
    HostRecipe source(kinds, kSets, kSets);
    source.setHostNumber(0, 3, static_cast<DWORD>(-17));
    runEditor(source, [](HWND d) {
        click(d, IDC_MX_CORNER);
        click(d, IDC_MX_COPY);
        click(d, IDCANCEL);
    });
    HostRecipe target(kinds, 0, kSets);
    runEditor(target, [](HWND d) {
        click(d, IDC_MX_CORNER);
        click(d, IDC_MX_PASTE);
        click(d, IDOK);
    });
    for (int r = 0; r < static_cast<int>(kinds.size()); ++r)
        for (int s = 0; s < kSets; ++s)
            EXPECT_EQ(target.hostValue(r, s), source.hostValue(r, s)) << r << "," << s;
    expectReferencesBalanced(target);
}

double millisecondsSince(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

TEST_F(MatrixClipboard, PastesA255By50BlockQuickly)
{
    constexpr int kRows = 50, kSets = 255;
    std::string kinds;
    for (int r = 0; r < kRows; ++r)
        kinds += r % 5 == 1 ? 'T' : 'N';
    HostRecipe recipe(kinds, 0, kSets);
    std::string text;
    for (int r = 0; r < kRows; ++r)
        for (int s = 0; s < kSets; ++s)
            text += std::to_string(r * 1000 + s) + (s + 1 < kSets ? "\t" : "\r\n");
    putTextOnClipboard(text);
    double pasteMs = 0;
    runEditor(recipe, [&](HWND d) {
        click(d, IDC_MX_CORNER);
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        click(d, IDC_MX_PASTE);
        pasteMs = millisecondsSince(start);
        click(d, IDOK);
    });
    for (int r : {0, 1, 49})
        for (int s : {0, 128, 254})
            EXPECT_EQ(recipe.hostValue(r, s), std::to_string(r * 1000 + s)) << r << "," << s;
    expectReferencesBalanced(recipe);
    std::printf("[ measure  ] paste of 255 sets x 50 rows (%zu bytes): %.1f ms\n", text.size(), pasteMs);
    RecordProperty("paste_255x50_ms", static_cast<int>(pasteMs));
    EXPECT_LT(pasteMs, 10000.0);
}

} // namespace
