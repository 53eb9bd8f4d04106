// Memory the library hands to the host, and the host's flat-address helpers.
// Two policies, one for each kind of block:
// - allocateHostBlock: the host's allocator (SetAppFmalloc) when it installed
//   one, else the C runtime heap the host shares; the host frees with free().
//   Used for the multipage list the matrix editor writes at OK.
// - allocateLanguageBlock: the host's allocator only; without one nothing is
//   allocated. Used for the language records the host owns.
#pragma once

#include <windows.h>

#include <cstddef>

#include "w32korutil1.h"

namespace w32k {

// The host's allocator (null before SetAppFmalloc).
AppFmallocProc appAllocator() noexcept;

// A block for the host from its allocator, or from the C runtime heap.
void* allocateHostBlock(std::size_t bytes) noexcept;
// A block for a language record from the host's allocator; null without one.
void* allocateLanguageBlock(std::size_t bytes) noexcept;

} // namespace w32k
