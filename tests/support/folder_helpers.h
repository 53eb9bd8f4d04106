// Parameter-set folders as a host builds and inspects them: runs written into
// a fresh global block, entries read back, and the layout rules checked.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include "w32korutil1.h"

#include <ostream>
#include <vector>

namespace w32ktest {

// One run as the tests write it: a number, or a string id in a text folder.
struct ValueRun {
    int first;
    int last;
    DWORD value;
    friend bool operator==(const ValueRun&, const ValueRun&) = default;
};
void PrintTo(const ValueRun& run, std::ostream* out);

constexpr WORD kNumberKind = 1;

// A folder as a host builds it: a block of exactly runs.size() entries
// (GMEM_MOVEABLE | GMEM_ZEROINIT). In a text folder each nonzero id gets one
// reference for its entry (add reference, through the string store).
ParSetFolder makeFolder(WORD kind, const std::vector<ValueRun>& runs, void* project);
// The entries the block holds (at most EntryCount, at most what fits).
std::vector<ParSetEntry> entriesOf(const ParSetFolder& folder);
// The runs, with the value field the folder's kind selects.
std::vector<ValueRun> runsOf(const ParSetFolder& folder);
// Entries holding the string id (text folders).
int entriesHolding(const ParSetFolder& folder, WORD id);
// Empty folders have count 0 and no block; others a block of exactly count
// entries, not locked, with ordered, non-overlapping runs of first <= last.
::testing::AssertionResult isWellFormed(const ParSetFolder& folder);

} // namespace w32ktest
