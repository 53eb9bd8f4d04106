// Host records as the tests build and check them (parameter-set folders,
// net-node trees, fields of a project block), on the shared builder
// (host/w32khost.h).
#pragma once

#include <gtest/gtest.h>

#include "w32khost.h"

#include <cstring>
#include <initializer_list>
#include <ostream>
#include <vector>

namespace w32khost {
void PrintTo(const Run& run, std::ostream* out);
} // namespace w32khost

namespace w32ktest {

// A block of exactly runs.size() entries; in a text folder each nonzero id
// gets one reference for its entry (the caller keeps its own).
ParSetFolder makeFolder(WORD kind, const std::vector<w32khost::Run>& runs, void* project);
int entriesHolding(const ParSetFolder& folder, WORD id);
// Empty: count 0 and no block; otherwise a block of exactly count entries,
// not locked, with ordered, non-overlapping runs of first <= last.
::testing::AssertionResult isWellFormed(const ParSetFolder& folder);

// parent with each of children registered below it in turn.
NetNodeRecord withChildren(NetNodeRecord parent, std::initializer_list<NetNodeRecord> children);

// Writes value at offset bytes into a host block, as the host lays it out.
template <typename T>
void put(void* base, std::size_t offset, T value)
{
    std::memcpy(static_cast<BYTE*>(base) + offset, &value, sizeof value);
}

} // namespace w32ktest
