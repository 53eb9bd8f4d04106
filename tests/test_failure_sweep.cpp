// Every operation that edits a host's data, run once to count its failure
// points (each GlobalAlloc, GlobalReAlloc, GlobalLock, malloc, calloc and
// realloc of the library, and each call of the host's allocator) and then
// once more for each point, with that one failing. After every run: the
// documented result; the host's data byte for byte, and the string store's
// references, as they were or as the run without a failure left them; no
// block the library made left without an owner; no block the host held
// dropped without being freed; every lock undone.
#include <gtest/gtest.h>

#include "frame/raii.h"
#include "korutil2mfc.h"
#include "resources/matrix_editor_ids.h"
#include "resources/password_ids.h"
#include "support/folder_helpers.h"
#include "support/memory_hooks.h"
#include "support/recipe_helpers.h"
#include "support/test_support.h"
#include "w32korutil1.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace w32ktest;

namespace {

// The references every live id of a project's store holds, by id.
std::vector<UINT> referencesOf(void* project)
{
    std::vector<UINT> references;
    for (UINT id = 1, live = 0; live < StringStoreLiveCount(project) && id <= 0xFFFF; ++id) {
        references.push_back(StringStoreRefCount(id, project));
        live += references.back() != 0;
    }
    return references;
}

// What the host holds at one moment: its data byte for byte, with every
// block's contents in place of its handle; the string store's references;
// the global and heap blocks; and each net-node child block with the block
// that names it (null for a tree's own).
struct State {
    std::string data;
    std::vector<UINT> references;
    std::set<const void*> blocks;
    std::map<const void*, const void*> nesting;

    template <typename T>
    void value(const T& v) { data.append(reinterpret_cast<const char*>(&v), sizeof v); }
    void heap(const void* block, std::size_t bytes)
    {
        blocks.insert(block);
        data += block ? std::string(static_cast<const char*>(block), bytes) : "<none>";
    }
    // The first `bytes` of a global block (marked when it was left locked).
    std::string global(HGLOBAL block, std::size_t bytes = SIZE_MAX)
    {
        blocks.insert(block);
        const std::string marked = block && GlobalFlags(block) & GMEM_LOCKCOUNT ? "<locked>" : "";
        const w32k::GlobalLockGuard<const char> locked(block);
        if (!locked)
            return "<no block>";
        return marked + std::string(locked.get(), std::min<std::size_t>(bytes, locked.size()));
    }
    void folder(ParSetFolder folder)
    {
        const HGLOBAL block = std::exchange(folder.Block, nullptr);
        value(folder);
        data += global(block, folder.EntryCount * sizeof(ParSetEntry));
    }
    void tags(TagFolderHeader folder)
    {
        const HGLOBAL block = std::exchange(folder.elements, nullptr);
        value(folder);
        data += global(block, folder.count * sizeof(TagElement));
    }
    // A record and, depth first, every record below it.
    void node(NetNodeRecord record, const void* parent = nullptr)
    {
        const HGLOBAL block = std::exchange(record.childBlock, nullptr);
        value(record);
        if (!block || !nesting.emplace(block, parent).second)
            return;
        const std::size_t bytes = record.childCount * sizeof(NetNodeRecord);
        const std::string children = global(block, bytes);
        if (children.size() != bytes) {
            data += children; // as it is when it cannot be read whole
            return;
        }
        for (std::size_t k = 0; k < record.childCount; ++k)
            node(reinterpret_cast<const NetNodeRecord*>(children.data())[k], block);
    }
};

NetNodeRecord node(WORD number)
{
    NetNodeRecord r{};
    r.nodeNumber = number;
    std::memset(r.hostData1, number, sizeof r.hostData1);
    r.flags = W32K_NETNODE_FLAG_CHILDREN | 0x80;
    return r;
}

// A packed 24-bit DIB of width x height pixels in a global block.
HGLOBAL trueColourDib(int width, int height)
{
    const DWORD stride = (width * 3 + 3) & ~3, bits = stride * height;
    w32k::GlobalBlock block = w32k::GlobalBlock::allocate(sizeof(BITMAPINFOHEADER) + bits);
    if (const w32k::GlobalLockGuard<BITMAPINFOHEADER> header(block.get()); header) {
        *header.get() = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, bits, 0, 0, 0, 0};
        std::memset(header.get() + 1, 0x5A, bits);
    }
    return block.release();
}

constexpr int kNumberFolder = 1;

// Everything a host keeps that the operations below edit, with its project
// block and string store. Each run builds a new one.
struct Host {
    alignas(8) BYTE project[1024] = {};
    WORD texts[4] = {}; // "A" to "D", each with one reference of the host's own
    ParSetFolder folders[2] = {};
    MatrixRow rows[2] = {};
    MatrixDesc matrix{};
    TagFolderHeader tags[2] = {};
    NetNodeRecord nodes[2] = {};
    HGLOBAL dibs[2] = {}; // the source and the result
    std::vector<BYTE> items, slotTable;
    std::array<std::vector<BYTE>, W32K_LANG_SLOTS> slots;
    LanguageRecord language{};
    std::optional<HostRecipe> recipe;
    LONG pagesUsed = 12;
    BYTE passwordCount = 0;
    PasswordBlock passwords{&pagesUsed, &passwordCount, 0, nullptr, 0, 300};

    Host()
    {
        for (char symbol = 'A'; symbol <= 'D'; ++symbol)
            texts[symbol - 'A'] = static_cast<WORD>(KorAcquireName(std::string(1, symbol).c_str(), project));
    }
    ~Host()
    {
        for (int k = 0; k < 2; ++k) {
            ExpDeleteFolder(&folders[k], project);
            ExpDeleteFolder(&rows[k].Folder, project);
            DeleteTagFolder(&tags[k], project);
            ExpDeleteNetworkFolder(&nodes[k]);
            GlobalFree(dibs[k]);
        }
        GlobalFree(passwords.PasswordTable);
        std::free(language.itemCopy);
        std::free(language.slotCopy);
        StringStoreClear(project);
    }

    WORD text(char symbol) const { return texts[symbol - 'A']; }
    // One more reference to a text, as a caller hands it over with a placement.
    DWORD handOver(char symbol)
    {
        KorAddReference(text(symbol), project);
        return text(symbol);
    }
    ParSetFolder& textFolder(const std::vector<std::tuple<int, int, char>>& runs)
    {
        std::vector<w32khost::Run> values;
        for (const auto& [first, last, symbol] : runs)
            values.push_back({first, last, text(symbol)});
        return folders[0] = makeFolder(PARSET_KIND_TEXT, values, project);
    }
    WORD addTag(const char* name, WORD parent, int group)
    {
        const TagDataRecord data{};
        return AddTagElement(&tags[0], project, name, &data, parent, group, w32khost::sameNodeTag);
    }
    void tagFolder()
    {
        const WORD motor = addTag("Motor", 0, 1);
        addTag("Speed", motor, 0);
        addTag("Pump", 0, 0);
        addTag("Temp", motor, 0);
    }
    void netNodeTree()
    {
        const NetNodeRecord top = withChildren(node(9), {withChildren(node(2), {node(21)}), node(3)});
        for (const NetNodeRecord& child : {top, node(5)})
            ExpRegisterNetNodeData(&nodes[0], &child);
    }
    // Item records, or a slot table of objects (none in slot 2), and the default language.
    void languages(bool withItems, bool withSlots)
    {
        items.assign(3 * W32K_ITEM_RECORD_SIZE, 0xA0);
        slotTable.assign(W32K_SLOT_TABLE_OBJECTS + W32K_LANG_SLOTS * sizeof(void*), 0);
        for (std::size_t i = 0; i < W32K_LANG_SLOTS; ++i) {
            slots[i].assign(40, static_cast<BYTE>(0xE0 + i));
            put<void*>(slotTable.data(), W32K_SLOT_TABLE_OBJECTS + i * sizeof(void*),
                       i == 2 ? nullptr : slots[i].data());
        }
        put<WORD>(project, W32K_PRJ_ITEM_COUNT, withItems ? 3 : 0);
        put<void*>(project, W32K_PRJ_ITEM_TABLE, items.data());
        put<DWORD>(project, W32K_PRJ_SLOTS_IN_USE, withSlots);
        put<void*>(project, W32K_PRJ_SLOT_TABLE, slotTable.data());
        put<BYTE>(project, W32K_PRJ_LANGUAGE_COUNT, 1);
        put<WORD>(project, W32K_PRJ_COPY_ENTRIES, 4);
        put<void*>(project, W32K_PRJ_LANGUAGE_TABLE, &language);
    }
    // The System password "1000" for pages 1 to 12.
    void passwordTable()
    {
        PasswordEntry entry{};
        std::strcpy(entry.Password, "1000");
        entry.Attributes = PWD_ATTR_SYSTEM;
        entry.FromPage = 1;
        entry.ToPage = 12;
        w32k::GlobalBlock table = w32k::GlobalBlock::allocate(sizeof entry, GMEM_MOVEABLE);
        if (const w32k::GlobalLockGuard<PasswordEntry> stored(table.get()); stored)
            stored[0] = entry;
        passwords.PasswordTable = table.release();
        passwordCount = 1;
    }

    State state()
    {
        State s{{}, referencesOf(recipe ? recipe->project.data() : project), {}, {}};
        for (int k = 0; k < 2; ++k) {
            s.folder(folders[k]);
            s.folder(rows[k].Folder);
            s.tags(tags[k]);
            s.node(nodes[k]);
            s.data += s.global(dibs[k]);
        }
        s.data.append(items.begin(), items.end());
        for (const auto& slot : slots)
            s.data.append(slot.begin(), slot.end());
        s.heap(language.itemCopy, 4 * sizeof(LanguageItemCopy));
        s.heap(language.slotCopy, W32K_LANG_SLOTS * sizeof(LanguageSlotCopy));
        s.value(passwordCount);
        s.value(passwords.LogoutTimeout);
        s.data += s.global(passwords.PasswordTable, passwordCount * sizeof(PasswordEntry));
        if (recipe) {
            s.value(recipe->hostSetCount);
            s.data += clipboardText();
            for (const ParSetFolder& folder : recipe->folders)
                s.folder(folder);
            if (const MultipageRec* record = recipe->multipage()) {
                s.value(record->ListCount);
                s.blocks.insert({record, record->List, record->List ? record->List->Ids : nullptr});
                for (const WORD id : recipe->multipageIds())
                    s.value(id);
            }
        }
        s.blocks.erase(nullptr);
        return s;
    }
};

// --- the dialogs ---------------------------------------------------------------------------

constexpr int kMatrixCell = IDC_MX_CELL_FIRST; // row 0, set 0
const std::string kNoMemory = "There is not enough memory to store the passwords. Nothing has been changed.";

// Opens the matrix editor on the host's recipe; `prepare` runs first, then
// `step` with the failure points open, then `close` unless the dialog ended.
// With `opening`, the points are open from the start until the dialog shows.
int editRecipe(Host& host, void (*prepare)(HWND), void (*step)(HWND), int close, bool opening = false)
{
    std::optional<FailureWindow> window;
    if (opening)
        window.emplace();
    MessageBoxRecorder boxes;
    DialogScript script([&](HWND dialog) {
        window.reset();
        ShowWindow(dialog, SW_SHOWNORMAL); // an ended dialog is hidden
        prepare(dialog);
        window.emplace();
        step(dialog);
        window.reset();
        if (IsWindowVisible(dialog))
            click(dialog, close);
    });
    const int result = StartMatrixEd(nullptr, reinterpret_cast<LPARAM>(&host.recipe->desc));
    window.reset();
    EXPECT_TRUE(boxes.texts().empty());
    return result;
}

// A recipe of a numeric and a text row over three sets, and text on the clipboard.
void recipe(Host& host)
{
    host.recipe.emplace("NT", 3, 3);
    putTextOnClipboard("kept");
}

void nothing(HWND) {}
void selectAll(HWND dialog) { click(dialog, IDC_MX_CORNER); }
void focusFirstCell(HWND dialog) { SetFocus(GetDlgItem(dialog, kMatrixCell)); }
void typeIntoFirstCell(HWND dialog) { typeText(dialog, kMatrixCell, "42"); }
void tickMultipage(HWND dialog) { CheckDlgButton(dialog, IDC_MX_MULTIPAGE, BST_CHECKED); }

// Types a second password and presses OK; a dialog that stays open has told
// the user that there is no memory, and is cancelled.
int addPassword(Host& host)
{
    MessageBoxRecorder boxes;
    DialogScript script([&](HWND dialog) {
        ShowWindow(dialog, SW_SHOWNORMAL);
        SetDlgItemTextA(dialog, IDC_PWD_ROW(1, IDC_PWD_PART_PASSWORD), "1001");
        {
            FailureWindow window;
            click(dialog, IDOK);
        }
        if (IsWindowVisible(dialog)) {
            EXPECT_EQ(boxes.texts(), std::vector<std::string>{kNoMemory});
            click(dialog, IDCANCEL);
        }
    });
    return StartPasswordDlg(nullptr, reinterpret_cast<LPARAM>(&host.passwords));
}

// --- the operations --------------------------------------------------------------------------

// What a failed operation leaves: the data as it was; or (a release) that or
// the data as a successful one leaves it; or the data as it was under either
// result (a dialog that opens on the data as it is when it cannot prepare it).
// A step that cannot lock a block cannot read the references in it: they stay.
enum class Failed { Unchanged, Released, AsItWasUnderEitherResult };

struct Operation {
    const char* name;
    void (*build)(Host&);
    int (*run)(Host&);
    int succeeded, failed; // documented results
    Failed leaves = Failed::Unchanged;
    bool opensDialog = false; // run() opens the failure points itself
};

const Operation kOperations[] = {
    // parameter-set folders
    {"PlaceSplittingARun", [](Host& h) { h.textFolder({{0, 9, 'A'}}); },
     [](Host& h) { return ExpPlaceValueInFolder(&h.folders[0], 4, h.handOver('B'), h.project); }, 1, 0},
    {"PlaceJoiningTwoRuns", [](Host& h) { h.textFolder({{0, 4, 'A'}, {5, 5, 'B'}, {6, 9, 'A'}}); },
     [](Host& h) { return ExpPlaceValueInFolder(&h.folders[0], 5, h.handOver('A'), h.project); }, 1, 0},
    {"PlaceAppendingARun", [](Host& h) { h.textFolder({{0, 4, 'A'}}); },
     [](Host& h) { return ExpPlaceValueInFolder(&h.folders[0], 7, h.handOver('B'), h.project); }, 1, 0},
    {"PlaceOverwritingTheOnlyRun", [](Host& h) { h.textFolder({{3, 3, 'A'}}); },
     [](Host& h) { return ExpPlaceValueInFolder(&h.folders[0], 3, h.handOver('B'), h.project); }, 1, 0},
    {"PlaceIntoAnEmptyFolder", [](Host&) {},
     [](Host& h) { return ExpPlaceValueInFolder(&h.folders[0], 3, h.handOver('B'), h.project); }, 1, 0},
    {"PlaceSplittingANumberRun",
     [](Host& h) { h.folders[0] = makeFolder(kNumberFolder, {{0, 9, 0x10007}}, h.project); },
     [](Host& h) { return ExpPlaceValueInFolder(&h.folders[0], 4, 0x20007, h.project); }, 1, 0},
    {"CutBackAFolder", [](Host& h) { h.textFolder({{0, 1, 'A'}, {2, 9, 'B'}, {12, 12, 'C'}}); },
     [](Host& h) { return ExpValidateFolder(&h.folders[0], 3, 0, h.project); }, 1, 0},
    {"EmptyAFolder", [](Host& h) { h.textFolder({{0, 1, 'A'}, {2, 9, 'B'}}); },
     [](Host& h) { return ExpValidateFolder(&h.folders[0], 0, 0, h.project); }, 1, 0},
    {"DeleteAFolder", [](Host& h) { h.textFolder({{0, 1, 'A'}, {2, 9, 'B'}}); },
     [](Host& h) { return ExpDeleteFolder(&h.folders[0], h.project); }, 1, 1, Failed::Released},
    {"DuplicateAFolder", [](Host& h) { h.textFolder({{0, 1, 'A'}, {2, 9, 'B'}, {12, 12, 'A'}}); },
     [](Host& h) { return ExpDuplicateFolder(&h.folders[1], &h.folders[0], h.project); }, 1, 0},
    {"ValidateParSets",
     [](Host& h) {
         h.textFolder({{0, 1, 'A'}, {4, 4, 'B'}, {9, 9, 'C'}});
         const WORD longText = static_cast<WORD>(KorAcquireName("ABCDEFGHIJ", h.project));
         ExpPlaceValueInFolder(&h.folders[0], 2, longText, h.project);
         std::swap(h.rows[0].Folder, h.folders[0]);
         h.rows[0].MaxTextLen = 4;
         h.rows[1].Folder = makeFolder(kNumberFolder, {{1, 2, 7}, {8, 9, 3}}, h.project);
         h.matrix = MatrixDesc{};
         h.matrix.SetCount = 6;
         h.matrix.RowCount = 2;
         h.matrix.Rows = h.rows;
         h.matrix.Project = h.project;
     },
     [](Host& h) { return ValidateParSets(&h.matrix); }, 1, 0},
    // tag folders
    {"AddATag", [](Host& h) { h.tagFolder(); }, [](Host& h) { return int{h.addTag("Valve", 1, 0)}; }, 5, 0},
    {"AddTheFirstTag", [](Host&) {}, [](Host& h) { return int{h.addTag("Valve", 0, 1)}; }, 1, 0},
    {"DeleteATagGroup", [](Host& h) { h.tagFolder(); },
     [](Host& h) { return DeleteTagElement(&h.tags[0], h.project, 1), 1; }, 1, 1},
    {"DeleteATagFolder", [](Host& h) { h.tagFolder(); },
     [](Host& h) { return DeleteTagFolder(&h.tags[0], h.project), 1; }, 1, 1, Failed::Released},
    {"DuplicateATagFolder", [](Host& h) { h.tagFolder(); },
     [](Host& h) { return DuplicateTagFolder(&h.tags[1], &h.tags[0], h.project); }, 1, 0},
    // net-node trees
    {"RegisterANetNode", [](Host& h) { h.netNodeTree(); },
     [](Host& h) {
         const NetNodeRecord record = node(7);
         return ExpRegisterNetNodeData(&h.nodes[0], &record);
     },
     1, 0},
    {"DeleteANetNodeWithItsSubtree", [](Host& h) { h.netNodeTree(); },
     [](Host& h) { return ExpDeleteNetNodeData(&h.nodes[0], 9); }, 1, 0},
    {"DuplicateANetNodeTree", [](Host& h) { h.netNodeTree(); },
     [](Host& h) { return ExpDuplicateNetworkFolder(&h.nodes[1], &h.nodes[0]); }, 1, 0},
    {"DeleteANetNodeTree", [](Host& h) { h.netNodeTree(); },
     [](Host& h) { return ExpDeleteNetworkFolder(&h.nodes[0]); }, 1, 0, Failed::Released},
    // language records
    {"CopyTheDefaultLanguagesItems", [](Host& h) { h.languages(true, false); },
     [](Host& h) { return DefaultToMultiLang(h.project); }, 1, 0},
    {"CopyTheDefaultLanguagesSlots", [](Host& h) { h.languages(false, true); },
     [](Host& h) { return DefaultToMultiLang(h.project); }, 1, 0},
    // bitmaps
    {"CreateADib", [](Host&) {},
     [](Host& h) { return (h.dibs[1] = CreateDIB(10, 2, 8)) != nullptr ? 1 : 0; }, 1, 0},
    {"TransformTrueColorTo16Bpp",
     [](Host& h) {
         h.dibs[0] = trueColourDib(3, 2);
         // A conversion of another shape before, so that this one makes its sections anew.
         const HGLOBAL other = trueColourDib(5, 5);
         GlobalFree(TransformTrueColorTo16Bpp(other, 24, BI_RGB));
         GlobalFree(other);
     },
     [](Host& h) {
         return (h.dibs[1] = TransformTrueColorTo16Bpp(h.dibs[0], 16, BI_BITFIELDS)) != nullptr ? 1 : 0;
     },
     1, 0},
    // the matrix editor (opening on a recipe whose third set it fills)
    {"MatrixEditorOpens", [](Host& h) { h.recipe.emplace("NT", 2, 3); putTextOnClipboard("kept"); },
     [](Host& h) { return editRecipe(h, nothing, nothing, IDOK, true); }, 1, 0,
     Failed::AsItWasUnderEitherResult, true},
    {"MatrixEditorPastes", [](Host& h) { recipe(h); putTextOnClipboard("7\tpasted\r\n8\tz\r\n"); },
     [](Host& h) { return editRecipe(h, focusFirstCell, [](HWND d) { click(d, IDC_MX_PASTE); }, IDOK); },
     1, 1,
     Failed::Unchanged, true},
    {"MatrixEditorCuts", recipe,
     [](Host& h) { return editRecipe(h, selectAll, [](HWND d) { click(d, IDC_MX_CUT); }, IDOK); }, 1, 1,
     Failed::Unchanged, true},
    {"MatrixEditorOkTakesTheTypedCell", recipe,
     [](Host& h) { return editRecipe(h, typeIntoFirstCell, [](HWND d) { click(d, IDOK); }, IDCANCEL); }, 1, 0,
     Failed::Unchanged, true},
    {"MatrixEditorOkListsTheRecipeAsMultipage", recipe,
     [](Host& h) { return editRecipe(h, tickMultipage, [](HWND d) { click(d, IDOK); }, IDCANCEL); }, 1, 0,
     Failed::Unchanged, true},
    // the password table
    {"PasswordTableOk", [](Host& h) { h.passwordTable(); }, addPassword, 1, 0, Failed::Unchanged, true},
};

struct Outcome {
    int result = 0;
    State before, after;
    const char* failed = nullptr; // the call that failed; null when none did
    int points = 0;
    int unowned = 0;          // global blocks the library made and neither freed nor gave away
    int dropped = 0;          // blocks the host held that are neither held nor freed any more
    std::size_t heapLeft = 0; // C runtime blocks the library made and neither freed nor gave the host
    int locksLeft = 0;

    bool lockFailed() const { return failed && std::string(failed) == "GlobalLock"; }
};

class FailureSweep : public ::testing::TestWithParam<Operation> {
protected:
    // Builds the host anew and runs the operation with failure point k failing (0: none).
    Outcome runOnce(int k)
    {
        const Operation& op = GetParam();
        Host host;
        op.build(host);
        Outcome run;
        run.before = host.state();
        monitor.reset();
        monitor.failPoint(k);
        if (op.opensDialog) {
            run.result = op.run(host);
        } else {
            FailureWindow window;
            run.result = op.run(host);
        }
        run.failed = monitor.failedCall();
        run.points = monitor.points();
        run.after = host.state();
        const auto& holds = run.after.blocks;
        for (const HGLOBAL block : monitor.outstanding())
            run.unowned += !holds.contains(block);
        // What lies below a block that cannot be locked cannot be reached.
        const auto& nesting = run.before.nesting;
        const auto unreadable = [&](const void* block) {
            for (auto up = nesting.find(block); up != nesting.end(); up = nesting.find(up->second))
                if (run.lockFailed() && up->second && up->second == monitor.failedBlock())
                    return true;
            return false;
        };
        for (const void* block : run.before.blocks)
            run.dropped +=
                !holds.contains(block) && !monitor.released().contains(block) && !unreadable(block);
        run.heapLeft =
            std::ranges::count_if(monitor.heapOutstanding(), [&](void* b) { return !holds.contains(b); });
        run.locksLeft = monitor.locks() - monitor.unlocks();
        return run;
    }

    GlobalMemoryMonitor monitor{GetModuleHandleA("W32KORUTIL1.dll")};
};

std::string describe(const State& state, const Outcome& clean)
{
    const auto as = [&](bool before, bool after) {
        return before && after ? "as before and after"
               : before        ? "as before"
               : after         ? "as after"
                               : "as neither";
    };
    return std::string("data ") + as(state.data == clean.before.data, state.data == clean.after.data) +
           ", references " +
           as(state.references == clean.before.references, state.references == clean.after.references);
}

// After a failed lock the references held in what could not be read stay:
// each id holds at least its references after and at most those before too.
bool keptUnreadable(const std::vector<UINT>& got, const Outcome& clean)
{
    const auto at = [](const std::vector<UINT>& counts, std::size_t id) {
        return id < counts.size() ? counts[id] : 0;
    };
    const std::size_t ids =
        std::max({got.size(), clean.before.references.size(), clean.after.references.size()});
    for (std::size_t id = 0; id < ids; ++id) {
        const UINT after = at(clean.after.references, id);
        if (at(got, id) < after || at(got, id) > after + at(clean.before.references, id))
            return false;
    }
    return true;
}

// The result is documented and the data and references are those it stands for.
void expectDocumentedOutcome(const Operation& op, const Outcome& run, const Outcome& clean)
{
    const State& s = run.after;
    const bool unchanged = s.data == clean.before.data && s.references == clean.before.references;
    const bool referencesAfter =
        s.references == clean.after.references || (run.lockFailed() && keptUnreadable(s.references, clean));
    const bool asAfter = s.data == clean.after.data && referencesAfter;
    if (!run.failed) {
        EXPECT_EQ(run.result, op.succeeded) << "nothing failed";
        EXPECT_TRUE(asAfter) << describe(s, clean);
        return;
    }
    const bool succeeded = run.result == op.succeeded, failed = run.result == op.failed;
    EXPECT_TRUE((succeeded && asAfter) || (failed && unchanged) ||
                (succeeded && op.leaves == Failed::AsItWasUnderEitherResult && unchanged) ||
                (failed && op.leaves == Failed::Released && asAfter))
        << "result " << run.result << " (documented: " << op.succeeded << " or " << op.failed << "), "
        << describe(s, clean);
}

// The C runtime makes per-thread state (the exception globals) the first time
// the library's code meets an exception, and keeps it: made here once, by a
// validation whose first allocation fails, so that no run counts it as a leak.
void makeTheRuntimesExceptionState(GlobalMemoryMonitor& monitor)
{
    static bool made = false;
    if (std::exchange(made, true))
        return;
    MatrixRow row{};
    MatrixDesc matrix{};
    matrix.SetCount = 1;
    matrix.RowCount = 1;
    matrix.Rows = &row;
    monitor.reset();
    monitor.failPoint(1);
    FailureWindow window;
    ValidateParSets(&matrix);
}

TEST_P(FailureSweep, EachAllocationAndLockFailsCleanly)
{
    const Operation& op = GetParam();
    ASSERT_TRUE(monitor.installed());
    makeTheRuntimesExceptionState(monitor);
    const AppFmallocProc previous = SetAppFmalloc(GlobalMemoryMonitor::hostAllocator);
    const Outcome clean = runOnce(0);
    EXPECT_EQ(clean.result, op.succeeded);
    EXPECT_EQ(clean.unowned + clean.dropped + clean.locksLeft, 0);
    EXPECT_NE(clean.before.data, clean.after.data) << "the operation changes the host's data";
    for (int k = 1; k <= clean.points; ++k) {
        const Outcome run = runOnce(k);
        SCOPED_TRACE(testing::Message() << "failure point " << k << " of " << clean.points << ": "
                                        << (run.failed ? run.failed : "not reached"));
        expectDocumentedOutcome(op, run, clean);
        EXPECT_EQ(run.unowned, 0) << "blocks the library made are left without an owner";
        EXPECT_EQ(run.dropped, 0) << "blocks the host held are dropped without being freed";
        EXPECT_LE(run.heapLeft, clean.heapLeft) << "C runtime blocks left";
        EXPECT_EQ(run.locksLeft, 0) << "locks left";
    }
    std::cout << "[ sweep    ] " << op.name << ": " << clean.points << " failure points\n";
    SetAppFmalloc(previous);
}

INSTANTIATE_TEST_SUITE_P(Operations, FailureSweep, ::testing::ValuesIn(kOperations),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
