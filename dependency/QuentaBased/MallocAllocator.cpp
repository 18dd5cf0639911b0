#include "MallocAllocator.h"

#include "CBaseException.h"

#include <cstdlib>

namespace QuentaBased {

void* MallocAllocator::Malloc(unsigned long n)
{
    Release();
    // malloc(0) may give null; a block of one byte keeps "held" and "null" apart.
    void* block = std::malloc(n == 0 ? 1 : n);
    if (block == nullptr)
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    data = block;
    size = static_cast<unsigned int>(n);
    return data;
}

void* MallocAllocator::Realloc(unsigned long n)
{
    void* block = std::realloc(data, n == 0 ? 1 : n);
    if (block == nullptr)
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    data = block;
    size = static_cast<unsigned int>(n);
    return data;
}

void MallocAllocator::Release()
{
    std::free(data);
    data = nullptr;
    size = 0;
}

} // namespace QuentaBased
