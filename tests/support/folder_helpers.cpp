#include "support/folder_helpers.h"

#include <algorithm>

namespace w32ktest {

void PrintTo(const ValueRun& run, std::ostream* out)
{
    *out << "{" << run.first << ".." << run.last << " = " << run.value << "}";
}

ParSetFolder makeFolder(WORD kind, const std::vector<ValueRun>& runs, void* project)
{
    // The string store's add reference (ordinal 3), loaded only by tests that need it.
    using AddReference = BOOL(WINAPI*)(UINT, void*);
    static const auto addReference = reinterpret_cast<AddReference>(reinterpret_cast<void*>(
        GetProcAddress(LoadLibraryA("Korutil2MFC.dll"), MAKEINTRESOURCEA(3))));
    ParSetFolder folder{};
    folder.ValueKind = kind;
    if (runs.empty())
        return folder;
    folder.Block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, runs.size() * sizeof(ParSetEntry));
    auto* entry = static_cast<ParSetEntry*>(GlobalLock(folder.Block));
    for (const ValueRun& run : runs) {
        entry->FirstIndex = static_cast<SHORT>(run.first);
        entry->LastIndex = static_cast<SHORT>(run.last);
        if (kind != PARSET_KIND_TEXT)
            entry->Number = run.value;
        else if ((entry->StringId = static_cast<WORD>(run.value)) != 0 && addReference)
            addReference(run.value, project);
        ++entry;
    }
    GlobalUnlock(folder.Block);
    folder.EntryCount = static_cast<WORD>(runs.size());
    return folder;
}

std::vector<ParSetEntry> entriesOf(const ParSetFolder& folder)
{
    if (!folder.Block || folder.EntryCount == 0)
        return {};
    const auto* entries = static_cast<const ParSetEntry*>(GlobalLock(folder.Block));
    if (!entries)
        return {};
    const size_t fit = GlobalSize(folder.Block) / sizeof(ParSetEntry);
    std::vector<ParSetEntry> copy(entries, entries + std::min<size_t>(folder.EntryCount, fit));
    GlobalUnlock(folder.Block);
    return copy;
}

std::vector<ValueRun> runsOf(const ParSetFolder& folder)
{
    std::vector<ValueRun> runs;
    for (const ParSetEntry& e : entriesOf(folder))
        runs.push_back({e.FirstIndex, e.LastIndex, folder.ValueKind == PARSET_KIND_TEXT ? DWORD{e.StringId} : e.Number});
    return runs;
}

int entriesHolding(const ParSetFolder& folder, WORD id)
{
    const std::vector<ParSetEntry> entries = entriesOf(folder);
    return static_cast<int>(
        std::count_if(entries.begin(), entries.end(), [id](const ParSetEntry& e) { return e.StringId == id; }));
}

::testing::AssertionResult isWellFormed(const ParSetFolder& folder)
{
    if (!folder.EntryCount || !folder.Block) {
        if (folder.EntryCount || folder.Block)
            return ::testing::AssertionFailure()
                   << "empty folder with count " << folder.EntryCount << " and block " << folder.Block;
        return ::testing::AssertionSuccess();
    }
    if (GlobalSize(folder.Block) != folder.EntryCount * sizeof(ParSetEntry))
        return ::testing::AssertionFailure()
               << "block of " << GlobalSize(folder.Block) << " bytes for " << folder.EntryCount << " entries";
    if (GlobalFlags(folder.Block) & GMEM_LOCKCOUNT)
        return ::testing::AssertionFailure() << "block left locked";
    const std::vector<ParSetEntry> e = entriesOf(folder);
    for (size_t k = 0; k < e.size(); ++k)
        if (e[k].FirstIndex > e[k].LastIndex || (k > 0 && e[k - 1].LastIndex >= e[k].FirstIndex))
            return ::testing::AssertionFailure() << "entry " << k << " runs backwards, overlaps or is unordered";
    return ::testing::AssertionSuccess();
}

} // namespace w32ktest
