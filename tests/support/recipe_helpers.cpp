#include "support/recipe_helpers.h"

#include "frame/raii.h"
#include "support/test_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace w32ktest {

namespace {

// The string store of Korutil2MFC.dll, as the host reaches it.
struct StringStore {
    Library dll{"Korutil2MFC.dll"};
    UINT(WINAPI* acquire)(LPCSTR, void*) = dll.proc<decltype(acquire)>(WORD{2});
    BOOL(WINAPI* read)(UINT, void*, LPSTR, WORD, BOOL) = dll.proc<decltype(read)>(WORD{5});
    UINT(WINAPI* refCount)(UINT, void*) = dll.proc<decltype(refCount)>("StringStoreRefCount");
    UINT(WINAPI* liveCount)(void*) = dll.proc<decltype(liveCount)>("StringStoreLiveCount");
    void(WINAPI* clear)(void*) = dll.proc<decltype(clear)>("StringStoreClear");
} * g_store;

BOOL WINAPI formatValue(MatrixRow*, DWORD value, LPSTR text)
{
    return std::snprintf(text, 256, "%ld", static_cast<long>(value)) > 0;
}

BOOL WINAPI parseValue(MatrixRow*, DWORD* value, LPCSTR text)
{
    *value = static_cast<DWORD>(std::strtol(text, nullptr, 10));
    return TRUE;
}

BOOL WINAPI rowName(MatrixRow* row, LPSTR text)
{
    return std::snprintf(text, 256, "Field %d", row->Unused14) > 0; // the host keeps the index there
}

} // namespace

HostRecipe::HostRecipe(const std::string& kinds, int hostSets, WORD count)
    : hostSetCount(count), folders(kinds.size()), fields(kinds.size()), rows(kinds.size())
{
    static StringStore store;
    g_store = &store;
    for (int r = 0; r < static_cast<int>(kinds.size()); ++r) {
        const bool number = kinds[r] == 'N';
        folders[r].ValueKind = number ? 1 : 0;
        fields[r].FieldType = number ? 5 : FIELD_TYPE_ASCII;
        fields[r].IsRecipeName = kinds[r] == 'R' ? 1 : 0;
        rows[r].HostFolder = &folders[r];
        rows[r].Field = &fields[r];
        rows[r].MaxTextLen = 12;
        rows[r].Unused14 = static_cast<WORD>(r);
        for (int s = 0; s < hostSets; ++s) {
            char text[32];
            std::snprintf(text, sizeof text, "r%ds%d", r, s);
            number ? void(ExpPlaceValueInFolder(&folders[r], s, r * 1000 + s, project)) : setHostText(r, s, text);
        }
    }
    desc.HostSetCount = &hostSetCount;
    desc.RowCount = static_cast<SHORT>(kinds.size());
    desc.Rows = rows.data();
    desc.FormatValue = formatValue;
    desc.ParseValue = parseValue;
    desc.GetRowName = rowName;
    std::strcpy(desc.Title, "Recipe Matrix");
    std::strcpy(desc.RowCaption, "Fields");
    std::strcpy(desc.SetCaption, "Parameter sets");
    desc.RecipeId = 7;
    desc.Project = project;
}

HostRecipe::~HostRecipe()
{
    for (auto& folder : folders)
        ExpDeleteFolder(&folder, project);
    if (MultipageRec* record = multipage()) { // allocated for the host, which frees it with free
        if (record->List)
            std::free(record->List->Ids);
        std::free(record->List);
        std::free(record);
    }
    g_store->clear(project);
}

int HostRecipe::edit(const std::function<void(HWND)>& script)
{
    DialogScript driver(script);
    const int result = StartMatrixEd(nullptr, reinterpret_cast<LPARAM>(&desc));
    EXPECT_TRUE(driver.ran());
    return result;
}

void HostRecipe::setHostText(int row, int set, const char* text)
{
    const UINT id = text ? g_store->acquire(text, project) : 0;
    ExpPlaceValueInFolder(&folders[row], set, id & 0xFFFF, project);
}

std::vector<std::vector<BYTE>> HostRecipe::snapshot() const
{
    std::vector<std::vector<BYTE>> all;
    for (const auto& folder : folders) {
        all.emplace_back(reinterpret_cast<const BYTE*>(&folder), reinterpret_cast<const BYTE*>(&folder + 1));
        const w32k::GlobalLockGuard<const BYTE> entries(folder.Block);
        all.emplace_back(entries.get(), entries.get() + (entries ? entries.size() : 0));
    }
    return all;
}

std::string HostRecipe::valueAt(ParSetFolder& folder, int set)
{
    DWORD value = 0;
    if (!ExpGetValueFromFolder(&folder, set, &value, project))
        return "<none>";
    if (folder.ValueKind != 0)
        return std::to_string(static_cast<long>(value));
    char text[256] = {};
    if (value && !g_store->read(value, project, text, sizeof text, FALSE))
        return "<no such id>";
    return text;
}

std::vector<std::string> HostRecipe::values(bool host)
{
    std::vector<std::string> all;
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        for (int s = 0; s < hostSetCount; ++s)
            all.push_back(host ? hostValue(r, s) : workingValue(r, s));
    return all;
}

void HostRecipe::expectReferencesBalanced()
{
    std::map<WORD, UINT> held;
    for (const ParSetFolder& folder : folders) {
        const w32k::GlobalLockGuard<const ParSetEntry> entries(folder.Block);
        for (int k = 0; entries && folder.ValueKind == 0 && k < folder.EntryCount; ++k)
            held[entries[k].StringId] += entries[k].StringId != 0;
    }
    std::erase_if(held, [](const auto& h) { return h.second == 0; });
    for (const auto& [id, count] : held)
        EXPECT_EQ(g_store->refCount(id, project), count) << "id " << id;
    EXPECT_EQ(g_store->liveCount(project), held.size());
}

MultipageRec* HostRecipe::multipage() const
{
    MultipageRec* record = nullptr;
    std::memcpy(&record, project + W32K_PROJECT_MULTIPAGE_OFFSET, sizeof record);
    return record;
}

std::vector<WORD> HostRecipe::multipageIds() const
{
    const RecipeList* list = multipage() ? multipage()->List : nullptr;
    return list ? std::vector<WORD>(list->Ids, list->Ids + list->IdCount) : std::vector<WORD>{};
}

void putOnClipboard(const std::string& bytes)
{
    w32k::GlobalBlock block = w32k::GlobalBlock::allocate(bytes.size(), GMEM_MOVEABLE);
    if (const w32k::GlobalLockGuard<char> data(block.get()); data)
        std::memcpy(data.get(), bytes.data(), bytes.size());
    const w32k::ClipboardGuard clipboard(nullptr);
    ASSERT_TRUE(clipboard);
    EmptyClipboard();
    if (SetClipboardData(CF_TEXT, block.get()))
        block.release(); // the clipboard's now
}

void emptyClipboard()
{
    if (const w32k::ClipboardGuard clipboard(nullptr); clipboard)
        EmptyClipboard();
}

std::string clipboardText()
{
    const w32k::ClipboardGuard clipboard(nullptr);
    if (!clipboard)
        return "<not open>";
    const w32k::GlobalLockGuard<const char> bytes(GetClipboardData(CF_TEXT));
    if (!bytes)
        return "<none>";
    const auto* end = static_cast<const char*>(std::memchr(bytes.get(), 0, bytes.size()));
    return end ? std::string(bytes.get(), end) : "<no NUL>";
}

std::string controlText(HWND d, int id)
{
    return windowText(GetDlgItem(d, id));
}

void typeInto(HWND d, int id, const char* typed)
{
    SetFocus(GetDlgItem(d, id));
    SetDlgItemTextA(d, id, typed);
    SetFocus(GetDlgItem(d, IDC_MX_CORNER));
}

void spin(HWND d, int code, int from)
{
    SendMessageA(d, WM_SPINSTEP, WPARAM(GetDlgItem(d, from)), code);
}

void scroll(HWND d, bool vertical, int code, int thumb)
{
    const int bar = vertical ? IDC_MX_VSCROLL : IDC_MX_HSCROLL;
    SendMessageA(d, vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, thumb), LPARAM(GetDlgItem(d, bar)));
}

// Activation resynchronises the key state first; the key goes again while
// the system's state does not show it yet.
void shiftClick(HWND d, int id)
{
    for (const bool down : {true, false}) {
        SetForegroundWindow(d);
        pumpMessages(100);
        for (int attempt = 0; attempt < 60 && ((GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0) != down; ++attempt) {
            if (attempt % 20 == 0)
                keybd_event(VK_SHIFT, 0, down ? 0 : KEYEVENTF_KEYUP, 0);
            pumpMessages(10);
        }
        EXPECT_EQ((GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0, down);
        if (down)
            click(d, id);
    }
}

} // namespace w32ktest
