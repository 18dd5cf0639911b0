#pragma once

// Small platform services: the millisecond tick counter, sleeping, the
// processor count and aligned memory blocks.

#include <cstdint>

namespace QuentaBased {

// Milliseconds of a monotonic clock since the first call (which returns 0).
std::uint64_t QuentaBased_GetTicks();
void QuentaBased_Sleep(unsigned int ms);
// The processors online; 1 when the system cannot tell.
int get_cpu_count();

} // namespace QuentaBased

// A block whose address is a multiple of `alignment` (any value; 0 counts as 1);
// null when memory is short. Free it with _aligned_free only.
void* _aligned_malloc(unsigned int size, unsigned int alignment);
// A new aligned block holding the old block's bytes (as many as fit); a null
// block just allocates. When the new block cannot be had, null is returned and
// the old block stays valid and owned by the caller, as with realloc.
void* _aligned_realloc(void* block, unsigned int size, unsigned int alignment);
// Null is ignored.
void _aligned_free(void* block);
