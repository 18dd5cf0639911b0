#pragma once

namespace QuentaBased {

// The owner of one working block of heap memory. There is deliberately no
// destructor: whoever takes the block over frees it with free().
struct MallocAllocator
{
    void* data = nullptr;
    unsigned int size = 0;

    // Frees the block held, then takes a new one of `n` bytes. Throws 10021007
    // "No enough memory" and holds nothing when the memory cannot be had.
    void* Malloc(unsigned long n);
    // Resizes the block held (a null block is allocated), keeping its bytes.
    // Throws 10021007 "No enough memory" when the memory cannot be had; the
    // old block then stays held, untouched, so it is neither lost nor leaked.
    void* Realloc(unsigned long n);
    // Frees the block held; size 0.
    void Release();
};

} // namespace QuentaBased
