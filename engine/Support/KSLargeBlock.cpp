// Large blocks mapped from the system, small ones from the allocator.
#include "engine/Support/KSLargeBlock.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kestrel {

namespace {

constexpr size_t kMappedBytes = 64 * 1024;

size_t mappedLength(size_t bytes)
{
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    return (bytes + page - 1) / page * page;
}

} // namespace

void* ksAllocateBlock(size_t bytes)
{
    if (bytes < kMappedBytes)
        return std::calloc(bytes ? bytes : 1, 1);
    void* p = mmap(nullptr, mappedLength(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

void ksFreeBlock(void* block, size_t bytes)
{
    if (!block)
        return;
    if (bytes < kMappedBytes)
        std::free(block);
    else
        munmap(block, mappedLength(bytes));
}

void* ksResizeBlock(void* block, size_t oldBytes, size_t newBytes)
{
    if (!block)
        return ksAllocateBlock(newBytes);
    const bool wasMapped = oldBytes >= kMappedBytes, mapped = newBytes >= kMappedBytes;
    if (!wasMapped && !mapped)
        return std::realloc(block, newBytes ? newBytes : 1);
    if (wasMapped && mapped) {
        void* p = mremap(block, mappedLength(oldBytes), mappedLength(newBytes), MREMAP_MAYMOVE);
        return p == MAP_FAILED ? nullptr : p;
    }
    void* fresh = ksAllocateBlock(newBytes);
    if (!fresh)
        return nullptr;
    std::memcpy(fresh, block, std::min(oldBytes, newBytes));
    ksFreeBlock(block, oldBytes);
    return fresh;
}

} // namespace kestrel
