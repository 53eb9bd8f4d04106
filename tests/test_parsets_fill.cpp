// ValidateParSets against the fill a host could make with the exports: read,
// cut to the row's text length, store and place every set index in turn, then
// cut the folder back to the set count (the set base plays no part). The
// entries must match byte for byte, and the string store's references too.
#include <gtest/gtest.h>

#include "korutil2mfc.h"
#include "support/folder_helpers.h"
#include "w32korutil1.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace w32ktest;

namespace {

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

// Random rows, the same for the same seed in any project: runs of one to four
// sets with gaps, runs of no text, shared texts of every length around the
// row's limit, runs beyond the set count.
struct Host {
    alignas(8) char project[16] = {};
    std::vector<MatrixRow> rows;

    Host(unsigned seed, int rowCount, int setCount)
    {
        std::mt19937 random(seed);
        const auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        for (int r = 0; r < rowCount; ++r) {
            const bool textRow = below(2) == 0;
            MatrixRow row{};
            row.MaxTextLen = static_cast<BYTE>(2 + below(6));
            std::vector<ValueRun> runs;
            for (int next = below(3); next < setCount + 6;) {
                const int width = 1 + below(4);
                DWORD value = static_cast<DWORD>(below(3));
                if (textRow)
                    value = below(5) ? KorAcquireName(std::string("abcdefghij").substr(0, below(10)).c_str(), project) : 0;
                runs.push_back({next, next + width - 1, value});
                next += width + (below(4) == 0 ? 1 + below(3) : 0);
            }
            row.Folder = makeFolder(textRow ? PARSET_KIND_TEXT : kNumberKind, runs, project);
            for (const ValueRun& run : runs) // makeFolder took one reference per entry
                if (textRow && run.value != 0)
                    KorReadOrReleaseName(run.value, project, nullptr, 0, TRUE);
            rows.push_back(row);
        }
    }
    ~Host()
    {
        for (MatrixRow& row : rows)
            ExpDeleteFolder(&row.Folder, project);
        StringStoreClear(project);
    }
    BOOL validate(int setCount, int setBase, int rowCount)
    {
        MatrixDesc desc{};
        desc.SetCount = static_cast<SHORT>(setCount);
        desc.SetBase = static_cast<SHORT>(setBase);
        desc.RowCount = static_cast<SHORT>(rowCount);
        desc.Rows = rows.data();
        desc.Project = project;
        return ValidateParSets(&desc);
    }
    void expectSame(Host& other)
    {
        for (size_t r = 0; r < rows.size(); ++r) {
            SCOPED_TRACE("row " + std::to_string(r));
            const std::vector<ParSetEntry> got = entriesOf(rows[r].Folder), want = entriesOf(other.rows[r].Folder);
            ASSERT_EQ(got.size(), want.size());
            EXPECT_EQ(std::memcmp(got.data(), want.data(), got.size() * sizeof(ParSetEntry)), 0);
            EXPECT_TRUE(isWellFormed(rows[r].Folder));
        }
        EXPECT_EQ(StringStoreLiveCount(project), StringStoreLiveCount(other.project));
        for (UINT id = 1; id <= 64; ++id)
            EXPECT_EQ(StringStoreRefCount(id, project), StringStoreRefCount(id, other.project)) << "id " << id;
    }
};

TEST(ValidateParSets, LeavesWhatThePlacementsOneByOneLeaveAndASecondCallChangesNothing)
{
    const struct { unsigned seed; int rows, sets, base; } cases[] = {
        {1, 12, 9, 0}, {2, 12, 30, 0}, {3, 20, 60, 0}, {4, 8, 40, 3}, {5, 30, 255, 0}, {6, 10, 1, 0}, {7, 10, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "seed " << c.seed);
        Host tested(c.seed, c.rows, c.sets), model(c.seed, c.rows, c.sets);
        ASSERT_TRUE(tested.validate(c.sets, c.base, c.rows));
        for (MatrixRow& row : model.rows)
            fillByExports(row, c.sets, model.project);
        tested.expectSame(model);
        ASSERT_TRUE(tested.validate(c.sets, c.base, c.rows));
        tested.expectSame(model);
    }
}

TEST(ValidateParSets, NullIsRefusedAndRowCountZeroTouchesNothing)
{
    EXPECT_FALSE(ValidateParSets(nullptr));
    Host tested(8, 6, 10), untouched(8, 6, 10);
    EXPECT_TRUE(tested.validate(10, 0, 0));
    tested.expectSame(untouched);
}

} // namespace
