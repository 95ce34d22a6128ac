#include "base/large_memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace talvena {

namespace {

constexpr size_t kHugePage = size_t(2) << 20;

// The sanitizers watch heap blocks only: under them every block stays an ordinary one.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kOwnMappings = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
constexpr bool kOwnMappings = false;
#else
constexpr bool kOwnMappings = true;
#endif
#else
constexpr bool kOwnMappings = true;
#endif

size_t roundUp(size_t n, size_t to) { return (n + to - 1) / to * to; }

} // namespace

void AdviseHugePages(void* data, size_t size)
{
    const auto begin = reinterpret_cast<uintptr_t>(data);
    const uintptr_t first = roundUp(begin, kHugePage);
    const uintptr_t last = (begin + size) / kHugePage * kHugePage;
    if (size < kHugePage || last <= first) return;
    (void)::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

QByteArray LargeByteArray(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    if (size_t(size) >= kLargeAllocation) AdviseHugePages(bytes.data(), size_t(size));
    return bytes;
}

void* AllocateLarge(size_t bytes)
{
    if (!kOwnMappings || bytes < kLargeAllocation) return ::operator new(bytes);
    const size_t size = roundUp(bytes, kHugePage);
    // Mapped with a huge page to spare, then trimmed to an aligned start.
    void* mapped = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    const auto raw = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t aligned = roundUp(raw, kHugePage);
    if (aligned > raw) ::munmap(mapped, aligned - raw);
    const size_t tail = raw + size + kHugePage - (aligned + size);
    if (tail > 0) ::munmap(reinterpret_cast<void*>(aligned + size), tail);
    (void)::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

void FreeLarge(void* data, size_t bytes)
{
    if (!data) return;
    if (!kOwnMappings || bytes < kLargeAllocation) {
        ::operator delete(data);
        return;
    }
    ::munmap(data, roundUp(bytes, kHugePage));
}

} // namespace talvena
