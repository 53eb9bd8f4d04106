// ValidateParSets against the fill a host could make with the exports: read,
// cut to the row's text length, store and place every set index in turn, then
// cut the folder back to the set count (the set base plays no part). The
// entries must match byte for byte, and the string store's references too.
#include <gtest/gtest.h>

#include "support/folder_helpers.h"
#include "w32korutil1.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

void fillByExports(MatrixRow& row, int setCount, w32khost::Project& project)
{
    for (int index = 0; index < setCount; ++index) {
        DWORD value = 0;
        const bool found = ExpGetValueFromFolder(&row.Folder, index, &value, project.data());
        if (row.Folder.ValueKind != PARSET_KIND_TEXT) {
            if (!found)
                ExpPlaceValueInFolder(&row.Folder, index, 0, project.data());
            continue;
        }
        const std::string text = found && value ? project.text(static_cast<WORD>(value)) : "";
        ExpPlaceValueInFolder(&row.Folder, index, project.acquire(text.substr(0, row.MaxTextLen).c_str()),
                              project.data());
    }
    ExpValidateFolder(&row.Folder, setCount, 0, project.data());
}

// Random rows, the same for the same seed in any project: runs of one to four
// sets with gaps, runs of no text, shared texts of every length around the
// row's limit, runs beyond the set count.
struct Host : w32khost::Recipe {
    Host(unsigned seed, int rowCount, int setCount) : Recipe(std::string(rowCount, 'N'), 0, 0)
    {
        std::mt19937 random(seed);
        const auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        for (MatrixRow& row : rows) {
            const bool textRow = below(2) == 0;
            row.MaxTextLen = static_cast<BYTE>(2 + below(6));
            std::vector<w32khost::Run> runs;
            for (int next = below(3); next < setCount + 6;) {
                const int width = 1 + below(4);
                DWORD value = static_cast<DWORD>(below(3));
                if (textRow)
                    value = below(5) ? project.acquire(std::string("abcdefghij").substr(0, below(10)).c_str()) : 0;
                runs.push_back({next, next + width - 1, value});
                next += width + (below(4) == 0 ? 1 + below(3) : 0);
            }
            row.Folder = w32khost::makeFolder(textRow ? PARSET_KIND_TEXT : w32khost::kNumberFolder, runs);
        }
    }
    BOOL validate(int setCount, int setBase, int rowCount)
    {
        desc.SetCount = static_cast<SHORT>(setCount);
        desc.SetBase = static_cast<SHORT>(setBase);
        desc.RowCount = static_cast<SHORT>(rowCount);
        return ValidateParSets(&desc);
    }
    void expectSame(Host& other)
    {
        for (size_t r = 0; r < rows.size(); ++r) {
            SCOPED_TRACE("row " + std::to_string(r));
            const std::vector<ParSetEntry> got = w32khost::entriesOf(rows[r].Folder),
                                           want = w32khost::entriesOf(other.rows[r].Folder);
            ASSERT_EQ(got.size(), want.size());
            EXPECT_EQ(std::memcmp(got.data(), want.data(), got.size() * sizeof(ParSetEntry)), 0);
            EXPECT_TRUE(w32ktest::isWellFormed(rows[r].Folder));
        }
        EXPECT_EQ(project.liveTexts(), other.project.liveTexts());
        for (WORD id = 1; id <= 64; ++id)
            EXPECT_EQ(project.references(id), other.project.references(id)) << "id " << id;
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
