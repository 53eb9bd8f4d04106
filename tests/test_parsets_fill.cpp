// ValidateParSets fills each row in memory and stores its folder once. These
// cases hold it to the placement-by-placement fill a host could make with the
// exports (read, cut, store and place every set index in turn, then cut the
// folder back to the set count; the column base plays no part): the same entries, byte for byte, and the same references in
// the string store, ids included.
#include <gtest/gtest.h>

#include "korutil2mfc.h"
#include "support/folder_helpers.h"
#include "w32korutil1.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using w32ktest::entriesOf;
using w32ktest::isWellFormed;
using w32ktest::kNumberKind;
using w32ktest::makeFolder;
using w32ktest::ValueRun;

namespace {

// The fill of one row through the exports, index by index.
void fillByExports(MatrixRow& row, int setCount, void* project)
{
    for (int index = 0; index < setCount; ++index) {
        DWORD value = 0;
        const bool found = ExpGetValueFromFolder(&row.Folder, index, &value, project);
        if (row.Folder.ValueKind != PARSET_KIND_TEXT) {
            if (!found)
                ExpPlaceValueInFolder(&row.Folder, index, 0, project);
            continue;
        }
        char text[256] = "";
        if (found && value != 0)
            KorReadOrReleaseName(value, project, text, 255, FALSE);
        text[std::min<int>(row.MaxTextLen, 255)] = '\0';
        ExpPlaceValueInFolder(&row.Folder, index, KorAcquireName(text, project), project);
    }
    ExpValidateFolder(&row.Folder, setCount, 0, project);
}

// A host's recipe: random runs of one to four sets with gaps, runs of no
// text, texts of every length around the row's limit (shared between runs),
// and runs beyond the set count. Built the same way into any project block,
// so that two builds get the same ids.
struct Recipe {
    std::vector<MatrixRow> rows;

    Recipe(unsigned seed, int rowCount, int setCount, void* project)
    {
        std::mt19937 random(seed);
        const auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        for (int r = 0; r < rowCount; ++r) {
            const bool textRow = below(2) == 0;
            MatrixRow row{};
            row.MaxTextLen = static_cast<BYTE>(2 + below(6));
            std::vector<ValueRun> runs;
            for (int next = below(3); next < setCount + 6; ) {
                const int width = 1 + below(4);
                DWORD value = static_cast<DWORD>(below(3));
                if (textRow && below(5) > 0) {
                    const std::string text = std::string("abcdefghij").substr(0, below(10));
                    value = KorAcquireName(text.c_str(), project);
                } else if (textRow) {
                    value = 0;
                }
                runs.push_back({next, next + width - 1, value});
                next += width + (below(4) == 0 ? 1 + below(3) : 0);
            }
            row.Folder = makeFolder(textRow ? PARSET_KIND_TEXT : kNumberKind, runs, project);
            // makeFolder took a reference for each entry; drop the acquired ones.
            for (const ValueRun& run : runs)
                if (textRow && run.value != 0)
                    KorReadOrReleaseName(run.value, project, nullptr, 0, TRUE);
            rows.push_back(row);
        }
    }
    void release(void* project)
    {
        for (MatrixRow& row : rows)
            ExpDeleteFolder(&row.Folder, project);
        StringStoreClear(project);
    }
};

// References of every id 1..highest in a project's store.
std::vector<UINT> referenceCounts(void* project, UINT highest)
{
    std::vector<UINT> counts;
    for (UINT id = 1; id <= highest; ++id)
        counts.push_back(StringStoreRefCount(id, project));
    return counts;
}

struct FillCase {
    unsigned seed;
    int rows;
    int sets;
    int base;
};

class ValidateParSetsFill : public ::testing::TestWithParam<FillCase> {};

TEST_P(ValidateParSetsFill, LeavesWhatThePlacementsOneByOneLeave)
{
    const FillCase c = GetParam();
    alignas(8) char viaExport[16] = {}, byHand[16] = {};
    Recipe tested(c.seed, c.rows, c.sets, viaExport), model(c.seed, c.rows, c.sets, byHand);

    MatrixDesc desc{};
    desc.SetCount = static_cast<SHORT>(c.sets);
    desc.SetBase = static_cast<SHORT>(c.base);
    desc.RowCount = static_cast<SHORT>(c.rows);
    desc.Rows = tested.rows.data();
    desc.Project = viaExport;
    ASSERT_TRUE(ValidateParSets(&desc));
    for (MatrixRow& row : model.rows)
        fillByExports(row, c.sets, byHand);

    for (int r = 0; r < c.rows; ++r) {
        SCOPED_TRACE(r);
        const std::vector<ParSetEntry> got = entriesOf(tested.rows[r].Folder), want = entriesOf(model.rows[r].Folder);
        ASSERT_EQ(got.size(), want.size());
        EXPECT_EQ(std::memcmp(got.data(), want.data(), got.size() * sizeof(ParSetEntry)), 0);
        EXPECT_TRUE(isWellFormed(tested.rows[r].Folder));
    }
    EXPECT_EQ(StringStoreLiveCount(viaExport), StringStoreLiveCount(byHand));
    EXPECT_EQ(referenceCounts(viaExport, 64), referenceCounts(byHand, 64));
    tested.release(viaExport);
    model.release(byHand);
}

INSTANTIATE_TEST_SUITE_P(RandomRecipes, ValidateParSetsFill,
                         ::testing::Values(FillCase{1, 12, 9, 0}, FillCase{2, 12, 30, 0}, FillCase{3, 20, 60, 0},
                                           FillCase{4, 8, 40, 3}, FillCase{5, 30, 255, 0},
                                           FillCase{6, 10, 1, 0}, FillCase{7, 10, 0, 0}));

} // namespace
