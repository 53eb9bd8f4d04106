#include "support/folder_helpers.h"

#include "korutil2mfc.h"

#include <algorithm>

void w32khost::PrintTo(const Run& run, std::ostream* out)
{
    *out << "{" << run.first << ".." << run.last << " = " << run.value << "}";
}

namespace w32ktest {

ParSetFolder makeFolder(WORD kind, const std::vector<w32khost::Run>& runs, void* project)
{
    for (const w32khost::Run& run : runs)
        if (kind == PARSET_KIND_TEXT && LOWORD(run.value) != 0)
            KorAddReference(LOWORD(run.value), project);
    return w32khost::makeFolder(kind, runs);
}

int entriesHolding(const ParSetFolder& folder, WORD id)
{
    const std::vector<ParSetEntry> entries = w32khost::entriesOf(folder);
    return static_cast<int>(
        std::ranges::count_if(entries, [id](const ParSetEntry& e) { return e.StringId == id; }));
}

::testing::AssertionResult isWellFormed(const ParSetFolder& folder)
{
    if (!folder.EntryCount || !folder.Block)
        return folder.EntryCount || folder.Block
                   ? ::testing::AssertionFailure() << "a count without a block or back"
                   : ::testing::AssertionSuccess();
    if (GlobalSize(folder.Block) != folder.EntryCount * sizeof(ParSetEntry))
        return ::testing::AssertionFailure() << "block of " << GlobalSize(folder.Block) << " bytes for "
                                             << folder.EntryCount << " entries";
    if (GlobalFlags(folder.Block) & GMEM_LOCKCOUNT)
        return ::testing::AssertionFailure() << "block left locked";
    const std::vector<ParSetEntry> e = w32khost::entriesOf(folder);
    for (size_t k = 0; k < e.size(); ++k)
        if (e[k].FirstIndex > e[k].LastIndex || (k > 0 && e[k - 1].LastIndex >= e[k].FirstIndex))
            return ::testing::AssertionFailure()
                   << "entry " << k << " runs backwards, overlaps or is unordered";
    return ::testing::AssertionSuccess();
}

NetNodeRecord withChildren(NetNodeRecord parent, std::initializer_list<NetNodeRecord> children)
{
    for (const NetNodeRecord& child : children)
        EXPECT_TRUE(ExpRegisterNetNodeData(&parent, &child));
    return parent;
}

} // namespace w32ktest
