#include "support/folder_helpers.h"

#include <algorithm>

namespace w32ktest {

namespace {

// The string store's add reference (Korutil2MFC.dll, ordinal 3), found at run
// time so that only the tests that build text folders load the store.
void addReference(DWORD id, void* project)
{
    using AddReference = BOOL(WINAPI*)(UINT, void*);
    static const auto add = reinterpret_cast<AddReference>(reinterpret_cast<void*>(
        GetProcAddress(LoadLibraryA("Korutil2MFC.dll"), MAKEINTRESOURCEA(3))));
    if (add)
        add(id, project);
}

} // namespace

void PrintTo(const ValueRun& run, std::ostream* out)
{
    *out << "{" << run.first << ".." << run.last << " = " << run.value << "}";
}

ParSetFolder makeFolder(WORD kind, const std::vector<ValueRun>& runs, void* project)
{
    ParSetFolder folder{};
    folder.ValueKind = kind;
    if (runs.empty())
        return folder;
    folder.Block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, runs.size() * sizeof(ParSetEntry));
    auto* entries = static_cast<ParSetEntry*>(GlobalLock(folder.Block));
    for (const ValueRun& run : runs) {
        entries->FirstIndex = static_cast<SHORT>(run.first);
        entries->LastIndex = static_cast<SHORT>(run.last);
        if (kind == PARSET_KIND_TEXT) {
            entries->StringId = static_cast<WORD>(run.value);
            if (run.value != 0)
                addReference(run.value, project);
        } else {
            entries->Number = run.value;
        }
        ++entries;
    }
    GlobalUnlock(folder.Block);
    folder.EntryCount = static_cast<WORD>(runs.size());
    return folder;
}

std::vector<ParSetEntry> entriesOf(const ParSetFolder& folder)
{
    if (!folder.Block || folder.EntryCount == 0)
        return {};
    const size_t fit = GlobalSize(folder.Block) / sizeof(ParSetEntry);
    const auto* entries = static_cast<const ParSetEntry*>(GlobalLock(folder.Block));
    if (!entries)
        return {};
    std::vector<ParSetEntry> copy(entries, entries + std::min<size_t>(folder.EntryCount, fit));
    GlobalUnlock(folder.Block);
    return copy;
}

std::vector<ValueRun> runsOf(const ParSetFolder& folder)
{
    std::vector<ValueRun> runs;
    for (const ParSetEntry& entry : entriesOf(folder))
        runs.push_back({entry.FirstIndex, entry.LastIndex,
                        folder.ValueKind == PARSET_KIND_TEXT ? DWORD{entry.StringId} : entry.Number});
    return runs;
}

int entriesHolding(const ParSetFolder& folder, WORD id)
{
    const std::vector<ParSetEntry> entries = entriesOf(folder);
    return static_cast<int>(std::count_if(entries.begin(), entries.end(),
                                          [id](const ParSetEntry& e) { return e.StringId == id; }));
}

::testing::AssertionResult isWellFormed(const ParSetFolder& folder)
{
    if (folder.EntryCount == 0 || !folder.Block) {
        if (folder.EntryCount != 0 || folder.Block)
            return ::testing::AssertionFailure()
                   << "empty folder with count " << folder.EntryCount << " and block " << folder.Block;
        return ::testing::AssertionSuccess();
    }
    const SIZE_T size = GlobalSize(folder.Block);
    if (size != folder.EntryCount * sizeof(ParSetEntry))
        return ::testing::AssertionFailure()
               << "block of " << size << " bytes for " << folder.EntryCount << " entries";
    if ((GlobalFlags(folder.Block) & GMEM_LOCKCOUNT) != 0)
        return ::testing::AssertionFailure() << "block left locked";
    const std::vector<ParSetEntry> entries = entriesOf(folder);
    for (size_t k = 0; k < entries.size(); ++k) {
        if (entries[k].FirstIndex > entries[k].LastIndex)
            return ::testing::AssertionFailure() << "entry " << k << " runs backwards";
        if (k > 0 && entries[k - 1].LastIndex >= entries[k].FirstIndex)
            return ::testing::AssertionFailure() << "entries " << k - 1 << " and " << k
                                                 << " overlap or are out of order";
    }
    return ::testing::AssertionSuccess();
}

} // namespace w32ktest
