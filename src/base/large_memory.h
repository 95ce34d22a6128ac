#pragma once
// Memory for buffers of many megabytes: a passport file read whole, a decoded contour table, the
// columns of a million records. Such buffers are asked to be backed by huge pages where the system
// offers them (transparent huge pages in "madvise" or "always" mode), because touching fresh
// memory one 4 KiB page at a time can cost more than the copying into it, above all on virtual
// machines: a 200 MB file needs 51,200 small pages but 100 huge ones. Elsewhere the advice is
// ignored and nothing changes.
#include <QByteArray>

#include <cstddef>
#include <new>

namespace talvena {

// From this size on an allocation is worth huge pages.
inline constexpr size_t kLargeAllocation = size_t(1) << 20;

// Advises huge pages for the whole 2 MiB pages inside the range; smaller ranges are left alone.
// Only advice: the memory stays as valid as before, whatever the system does with it.
void AdviseHugePages(void* data, size_t size);

// An uninitialised byte array of the given size, advised as above before it is touched
// (std::bad_alloc when it cannot be had).
QByteArray LargeByteArray(qsizetype size);

// Allocation for the vectors of large tables: blocks from kLargeAllocation bytes on get a mapping
// of their own, aligned to 2 MiB and advised for huge pages, and go back to the system when freed;
// smaller ones come from operator new.
void* AllocateLarge(size_t bytes);
void FreeLarge(void* data, size_t bytes);

template <typename T> struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <typename U> LargeAllocator(const LargeAllocator<U>&) noexcept {}
    T* allocate(size_t n)
    {
        if (n > size_t(-1) / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(AllocateLarge(n * sizeof(T)));
    }
    void deallocate(T* p, size_t n) noexcept { FreeLarge(p, n * sizeof(T)); }
    template <typename U> bool operator==(const LargeAllocator<U>&) const noexcept { return true; }
};

} // namespace talvena
