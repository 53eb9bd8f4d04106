// Parameter-set folders as a host builds and inspects them.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include "w32korutil1.h"

#include <ostream>
#include <vector>

namespace w32ktest {

// One run: a number, or a string id in a text folder.
struct ValueRun {
    int first;
    int last;
    DWORD value;
    friend bool operator==(const ValueRun&, const ValueRun&) = default;
};
void PrintTo(const ValueRun& run, std::ostream* out);

constexpr WORD kNumberKind = 1;

// A block of exactly runs.size() entries; in a text folder each nonzero id
// gets one reference for its entry.
ParSetFolder makeFolder(WORD kind, const std::vector<ValueRun>& runs, void* project);
// The entries the block holds (at most EntryCount, at most what fits).
std::vector<ParSetEntry> entriesOf(const ParSetFolder& folder);
std::vector<ValueRun> runsOf(const ParSetFolder& folder);
int entriesHolding(const ParSetFolder& folder, WORD id);
// Empty: count 0 and no block; otherwise a block of exactly count entries,
// not locked, with ordered, non-overlapping runs of first <= last.
::testing::AssertionResult isWellFormed(const ParSetFolder& folder);

} // namespace w32ktest
