// Memory for big pixel buffers. Large blocks come straight from the system in
// whole pages, advised for huge pages, so that filling a 64 MB bitmap costs a
// few dozen page faults instead of sixteen thousand; they are zero until
// written. Small blocks use the ordinary heap.
#pragma once

#include "platform_export.h"

#include <QImage>

#include <cstddef>
#include <new>
#include <utility>

namespace plat {

// Blocks of at least this many bytes are taken from the system.
constexpr std::size_t kLargeBufferThreshold = std::size_t{1} << 20;

// How a large block will be touched. Dense blocks (pixels, written end to
// end) get huge pages; sparse ones (lookup tables of which only scattered
// parts are ever written) keep small pages, so that untouched parts cost
// nothing instead of being zeroed two megabytes at a time.
enum class LargeUse { Dense, Sparse };

// Null on failure. Large blocks read as zero until written.
PLATFORM_EXPORT void* AllocateLarge(std::size_t bytes, LargeUse use = LargeUse::Dense);
// bytes and use as given to AllocateLarge.
PLATFORM_EXPORT void FreeLarge(void* block, std::size_t bytes, LargeUse use = LargeUse::Dense);

// An image whose pixels live in such a block (zero-filled), or a null image
// when the size is not acceptable or the memory can't be had.
PLATFORM_EXPORT QImage AllocateImage(int width, int height, QImage::Format format);

// Allocator for byte vectors of pixel data: large blocks as above, and
// elements left uninitialised by resize() (callers overwrite them), which
// spares a pass over the memory.
template <typename T>
struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <typename U>
    LargeAllocator(const LargeAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t n)
    {
        if (n > static_cast<std::size_t>(-1) / sizeof(T))
            throw std::bad_alloc();
        void* block = AllocateLarge(n * sizeof(T));
        if (!block)
            throw std::bad_alloc();
        return static_cast<T*>(block);
    }
    void deallocate(T* block, std::size_t n) noexcept { FreeLarge(block, n * sizeof(T)); }

    template <typename U>
    void construct(U* at) noexcept
    {
        ::new (static_cast<void*>(at)) U;
    }
    template <typename U, typename... Args>
    void construct(U* at, Args&&... args)
    {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }

    template <typename U>
    bool operator==(const LargeAllocator<U>&) const noexcept
    {
        return true;
    }
};

} // namespace plat
