#include "sysplatform.h"

#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace QuentaBased {

namespace {

std::uint64_t MonotonicNanoseconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000000u + static_cast<std::uint64_t>(now.tv_nsec);
}

} // namespace

std::uint64_t QuentaBased_GetTicks()
{
    // Initialised once even when the first calls come from several threads.
    static const std::uint64_t start = MonotonicNanoseconds();
    return (MonotonicNanoseconds() - start) / 1000000u;
}

void QuentaBased_Sleep(unsigned int ms)
{
    timespec wanted;
    wanted.tv_sec = static_cast<time_t>(ms / 1000u);
    wanted.tv_nsec = static_cast<long>(ms % 1000u) * 1000000L;
    timespec left;
    while (nanosleep(&wanted, &left) != 0 && errno == EINTR)
        wanted = left;
}

int get_cpu_count()
{
    const long count = sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? static_cast<int>(count) : 1;
}

} // namespace QuentaBased

namespace {

// Raw allocation, pad bytes, then this header, then the caller's bytes.
struct AlignedHeader
{
    std::uint32_t pad;
    std::uint32_t size;
};
static_assert(sizeof(AlignedHeader) == 8, "the aligned block header is two 32-bit words");

AlignedHeader ReadHeader(const void* block)
{
    AlignedHeader header;
    std::memcpy(&header, static_cast<const unsigned char*>(block) - sizeof(AlignedHeader), sizeof(header));
    return header;
}

} // namespace

void* _aligned_malloc(unsigned int size, unsigned int alignment)
{
    if (alignment == 0)
        alignment = 1;
    // In 64 bits: the sum of three 32-bit values must not wrap.
    const std::size_t total = static_cast<std::size_t>(size) + alignment + sizeof(AlignedHeader);
    unsigned char* raw = static_cast<unsigned char*>(std::malloc(total));
    if (raw == nullptr)
        return nullptr;
    const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(raw) + sizeof(AlignedHeader);
    const std::uint32_t pad = static_cast<std::uint32_t>((alignment - base % alignment) % alignment);
    const AlignedHeader header = {pad, size};
    std::memcpy(raw + pad, &header, sizeof(header));
    return raw + pad + sizeof(AlignedHeader);
}

void* _aligned_realloc(void* block, unsigned int size, unsigned int alignment)
{
    void* fresh = _aligned_malloc(size, alignment);
    if (block == nullptr || fresh == nullptr)
        return fresh;
    const AlignedHeader old = ReadHeader(block);
    std::memcpy(fresh, block, old.size < size ? old.size : size);
    _aligned_free(block);
    return fresh;
}

void _aligned_free(void* block)
{
    if (block == nullptr)
        return;
    const AlignedHeader header = ReadHeader(block);
    std::free(static_cast<unsigned char*>(block) - sizeof(AlignedHeader) - header.pad);
}
