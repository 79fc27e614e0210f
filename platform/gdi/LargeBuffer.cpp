#include "gdi/LargeBuffer.h"

#include "gdi/GdiObjects.h"

#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>

namespace plat {

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;

// Dense blocks are mapped in whole huge pages, starting on a huge-page
// boundary, so that each 2 MB fills with one fault. Placed anywhere, with any
// length, a block has 4 KB pages at its ends that fault one by one (a 1 MB
// picture: 256 faults instead of one), and older systems never align it.
std::size_t mappedLength(std::size_t bytes, LargeUse use)
{
    if (use != LargeUse::Dense || bytes > static_cast<std::size_t>(-1) - 2 * kHugePage)
        return bytes;
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

void* mapAligned(std::size_t bytes, std::size_t alignment)
{
    const std::size_t span = bytes + alignment;
    void* block = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t aligned = (start + alignment - 1) / alignment * alignment;
    if (aligned > start)
        ::munmap(block, aligned - start);
    if (const std::size_t tail = start + span - (aligned + bytes); tail > 0)
        ::munmap(reinterpret_cast<void*>(aligned + bytes), tail);
    return reinterpret_cast<void*>(aligned);
}
} // namespace

void* AllocateLarge(std::size_t bytes, LargeUse use)
{
    if (bytes < kLargeBufferThreshold)
        return std::malloc(bytes == 0 ? 1 : bytes);
    const std::size_t length = mappedLength(bytes, use);
    void* block = nullptr;
    if (use == LargeUse::Dense) {
        block = mapAligned(length, kHugePage);
    } else {
        block = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (block == MAP_FAILED)
            block = nullptr;
    }
    if (!block)
        return nullptr;
        // Advice only: without it the block still works.
#if defined(MADV_HUGEPAGE) && defined(MADV_NOHUGEPAGE)
    ::madvise(block, length, use == LargeUse::Dense ? MADV_HUGEPAGE : MADV_NOHUGEPAGE);
#endif
    return block;
}

void FreeLarge(void* block, std::size_t bytes, LargeUse use)
{
    if (!block)
        return;
    if (bytes < kLargeBufferThreshold)
        std::free(block);
    else
        ::munmap(block, mappedLength(bytes, use));
}

namespace {
struct ImageBlock {
    void* block;
    std::size_t bytes;
};

void releaseImageBlock(void* info)
{
    auto* owned = static_cast<ImageBlock*>(info);
    FreeLarge(owned->block, owned->bytes);
    delete owned;
}
} // namespace

QImage AllocateImage(int width, int height, QImage::Format format)
{
    if (!IsAcceptableBitmapSize(width, height))
        return {};
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const std::size_t stride = (static_cast<std::size_t>(width) * static_cast<std::size_t>(depth) + 31) / 32 * 4;
    const std::size_t bytes = stride * static_cast<std::size_t>(height);
    if (bytes < kLargeBufferThreshold) {
        QImage image(width, height, format);
        if (!image.isNull())
            image.fill(0);
        return image;
    }
    void* block = AllocateLarge(bytes);
    if (!block)
        return {};
    auto* owned = new (std::nothrow) ImageBlock{block, bytes};
    if (!owned) {
        FreeLarge(block, bytes);
        return {};
    }
    QImage image(static_cast<uchar*>(block), width, height, static_cast<qsizetype>(stride), format, releaseImageBlock,
                 owned);
    if (image.isNull())
        releaseImageBlock(owned);
    return image;
}

} // namespace plat
