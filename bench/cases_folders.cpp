// Parameter-set folders: placing a value into a full folder (split, join,
// append) against a bare allocate + copy + free of the same block size, and
// ValidateParSets on the largest matrix.
#include "bench.h"

#include <windows.h>

#include "w32khost.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace w32kbench {

namespace {

constexpr UINT kBlockFlags = GMEM_MOVEABLE | GMEM_ZEROINIT;
using w32khost::kNumberFolder;
using w32khost::makeFolder;
using w32khost::Run;

// -- placing into a full folder ------------------------------------------------

// The bound: a bare block of entries that is replaced by a new one of
// another size as a placement replaces the folder's block (allocate, copy,
// free the old one). It goes through the same sizes as the folder, so both
// meet the heap in the same state.
class BareBlock {
public:
    explicit BareBlock(std::size_t bytes) : block_(GlobalAlloc(kBlockFlags, bytes)), bytes_(bytes) {}
    ~BareBlock() { GlobalFree(block_); }
    BareBlock(const BareBlock&) = delete;
    BareBlock& operator=(const BareBlock&) = delete;

    // Milliseconds of replacing the block by one of `bytes`.
    double replaceMs(std::size_t bytes)
    {
        return timeMs([&] {
            const HGLOBAL block = GlobalAlloc(kBlockFlags, bytes);
            void* to = GlobalLock(block);
            const void* from = GlobalLock(block_);
            std::memcpy(to, from, std::min(bytes, bytes_));
            GlobalUnlock(block_);
            GlobalUnlock(block);
            GlobalFree(block_);
            block_ = block;
            bytes_ = bytes;
        });
    }

private:
    HGLOBAL block_;
    std::size_t bytes_;
};

double placeMs(ParSetFolder& folder, int index, DWORD value, BOOL& placed)
{
    return timeMs([&] { placed = ExpPlaceValueInFolder(&folder, index, value, nullptr); });
}

// Runs of two sets each with the values 1 and 3 in turn; run `wide` spans
// three sets. Returns the runs and the index of the wide run's middle set.
std::vector<Run> alternatingRuns(int count, int wide, int& middle)
{
    std::vector<Run> runs;
    int next = 0;
    for (int k = 0; k < count; ++k) {
        const int width = k == wide ? 3 : 2;
        runs.push_back({next, next + width - 1, k % 2 ? 3u : 1u});
        if (k == wide)
            middle = next + 1;
        next += width;
    }
    return runs;
}

// Split: the middle set of a three-set run takes another value (F - 2 ->
// F entries); join: it takes the run's value back (F -> F - 2).
void splitAndJoin(Bench& bench, int full)
{
    const std::string splitName = "folder " + std::to_string(full) + ": place splitting a run";
    const std::string joinName = "folder " + std::to_string(full) + ": place joining two runs";
    int middle = 0;
    const int wide = (full - 2) / 2;
    ParSetFolder folder = makeFolder(kNumberFolder, alternatingRuns(full - 2, wide, middle));
    const DWORD runValue = wide % 2 ? 3u : 1u;
    const std::size_t splitBytes = full * sizeof(ParSetEntry);
    const std::size_t joinBytes = (full - 2) * sizeof(ParSetEntry);

    BareBlock bare(joinBytes);
    std::vector<double> split, join, splitBound, joinBound;
    bool right = true;
    for (int i = 0; i < bench.samples(201); ++i) {
        BOOL placed = FALSE;
        split.push_back(placeMs(folder, middle, 2, placed));
        right = right && placed && folder.EntryCount == full;
        join.push_back(placeMs(folder, middle, runValue, placed));
        right = right && placed && folder.EntryCount == full - 2;
    }
    // The bound in a loop of its own: interleaved with the placements, each
    // would find the other's freed block and the heap's state would decide.
    for (int i = 0; i < bench.samples(201); ++i) {
        splitBound.push_back(bare.replaceMs(splitBytes));
        joinBound.push_back(bare.replaceMs(joinBytes));
    }
    DWORD value = 0;
    right = right && ExpGetValueFromFolder(&folder, middle, &value, nullptr) && value == runValue;
    bench.check(right, splitName, "split or join gave the wrong entries");
    ExpDeleteFolder(&folder, nullptr);
    bench.report({splitName, median(split), median(splitBound), {GoalKind::RatioAtMost, 2}, bench.samples(201)});
    bench.report({joinName, median(join), median(joinBound), {GoalKind::RatioAtMost, 2}, bench.samples(201)});
}

// Append: a new value two sets behind the last run (F - 1 -> F entries).
// The folder is cut back between samples, untimed.
void append(Bench& bench, int full)
{
    const std::string name = "folder " + std::to_string(full) + ": place appending a run";
    int middle = 0;
    ParSetFolder folder = makeFolder(kNumberFolder, alternatingRuns(full - 1, -1, middle));
    const int behind = 2 * (full - 1) + 1;
    const std::size_t fullBytes = full * sizeof(ParSetEntry), cutBytes = (full - 1) * sizeof(ParSetEntry);
    BareBlock bare(cutBytes);
    std::vector<double> work, bound;
    bool right = true;
    for (int i = 0; i < bench.samples(201); ++i) {
        BOOL placed = FALSE;
        work.push_back(placeMs(folder, behind, 7, placed));
        right = right && placed && folder.EntryCount == full;
        ExpValidateFolder(&folder, behind, 0, nullptr);
        right = right && folder.EntryCount == full - 1;
    }
    for (int i = 0; i < bench.samples(201); ++i) {
        bound.push_back(bare.replaceMs(fullBytes));
        bare.replaceMs(cutBytes);
    }
    bench.check(right, name, "append gave the wrong entries");
    ExpDeleteFolder(&folder, nullptr);
    bench.report({name, median(work), median(bound), {GoalKind::RatioAtMost, 2}, bench.samples(201)});
}

// -- ValidateParSets -------------------------------------------------------------

constexpr BYTE kMaxTextLen = 12;

// A host's matrix of numeric and text rows whose folders have gaps, runs
// beyond the set count and texts longer than their row allows.
class HostMatrix {
public:
    HostMatrix(int rows, int sets) : recipe_(kindsOf(rows), 0, static_cast<WORD>(sets)), sets_(sets)
    {
        for (int t = 0; t < kTexts; ++t)
            texts_.push_back(std::string("Recipe text ").append(std::to_string(t)).append(t % 2 ? " long" : ""));
    }
    ~HostMatrix() { release(); }
    HostMatrix(const HostMatrix&) = delete;
    HostMatrix& operator=(const HostMatrix&) = delete;

    MatrixDesc& build()
    {
        release();
        for (int r = 0; r < static_cast<int>(recipe_.rows.size()); ++r) {
            MatrixRow& row = recipe_.rows[r];
            const WORD kind = r % 2 ? PARSET_KIND_TEXT : kNumberFolder;
            row.Folder = makeFolder(kind, runsOf(r, kind));
            row.MaxTextLen = kMaxTextLen;
        }
        recipe_.desc.SetCount = static_cast<SHORT>(sets_);
        return recipe_.desc;
    }

    // Every set index below the count has a value, none beyond it, and no
    // text is longer than its row allows.
    bool wellFormed()
    {
        for (MatrixRow& row : recipe_.rows) {
            for (int index = 0; index <= sets_; ++index) {
                DWORD value = 0;
                const bool has = ExpGetValueFromFolder(&row.Folder, index, &value, nullptr);
                if (has != (index < sets_))
                    return false;
                if (has && row.Folder.ValueKind == PARSET_KIND_TEXT &&
                    (value == 0 || recipe_.project.text(static_cast<WORD>(value)).size() > kMaxTextLen))
                    return false;
            }
        }
        return true;
    }

    void release()
    {
        for (MatrixRow& row : recipe_.rows)
            ExpDeleteFolder(&row.Folder, recipe_.project.data());
    }
    bool storeEmpty() { return recipe_.project.liveTexts() == 0; }

private:
    static constexpr int kTexts = 8;

    static std::string kindsOf(int rows)
    {
        std::string kinds;
        for (int r = 0; r < rows; ++r)
            kinds += r % 2 ? 'T' : 'N';
        return kinds;
    }

    // Runs of one to three sets, a gap after every fifth run, and runs on
    // past the set count.
    std::vector<Run> runsOf(int row, WORD kind)
    {
        std::vector<Run> runs;
        int next = 0;
        for (int k = 0; next < sets_ + 20; ++k) {
            const int width = 1 + (row + k) % 3;
            DWORD value = static_cast<DWORD>(row * 1000 + k);
            if (kind == PARSET_KIND_TEXT)
                value = recipe_.project.acquire(texts_[(row + k) % kTexts].c_str());
            runs.push_back({next, next + width - 1, value});
            next += width + (k % 5 == 4 ? 1 : 0);
        }
        return runs;
    }

    w32khost::Recipe recipe_;
    int sets_;
    std::vector<std::string> texts_;
};

void validateParSets(Bench& bench)
{
    const int rows = bench.size(200, 3), sets = bench.size(255, 5);
    const std::string name =
        "ValidateParSets " + std::to_string(rows) + " rows x " + std::to_string(sets) + " sets";
    HostMatrix matrix(rows, sets);
    std::vector<double> times;
    bool right = true;
    for (int i = 0; i < bench.samples(11); ++i) {
        MatrixDesc& desc = matrix.build();
        BOOL result = FALSE;
        times.push_back(timeMs([&] { result = ValidateParSets(&desc); }));
        right = right && result && (i > 0 || matrix.wellFormed());
        matrix.release();
    }
    bench.check(right && matrix.storeEmpty(), name, "folders not in shape or references left over");
    bench.report({name, median(times), std::nullopt, {GoalKind::Under, 20}, bench.samples(11)});
}

} // namespace

void runFolderCases(Bench& bench)
{
    const int full = bench.size(PARSET_MAX_ENTRIES, 16);
    splitAndJoin(bench, full);
    append(bench, full);
    validateParSets(bench);
}

} // namespace w32kbench
