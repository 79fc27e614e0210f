#include "engine/IndexedImage.h"

#include <gdi/GdiObjects.h>

#include <cstring>
#include <new>

namespace pictaf {

std::unique_ptr<IndexedImage> IndexedImage::CreateIndexedImage(std::int32_t width, std::int32_t height)
{
    // Same ceiling as every bitmap: an indexed image is never larger than
    // the bitmap it is made from.
    if (!plat::IsAcceptableBitmapSize(width, height))
        return nullptr;
    std::unique_ptr<IndexedImage> image(new (std::nothrow) IndexedImage(width, height));
    if (!image)
        return nullptr;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    try {
        image->pixels_.resize(count);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    // Large blocks come zeroed from the system; only small ones need clearing.
    if (count < plat::kLargeBufferThreshold)
        std::memset(image->pixels_.data(), 0, count);
    return image;
}

int IndexedImage::AddColour(int red, int green, int blue)
{
    if (count_ >= kMaxColours)
        return -1;
    const auto i = static_cast<std::size_t>(count_);
    red_[i] = red;
    green_[i] = green;
    blue_[i] = blue;
    return count_++;
}

int IndexedImage::FindExactColour(int red, int green, int blue) const
{
    for (int i = 0; i < count_; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (red_[k] == red && green_[k] == green && blue_[k] == blue)
            return i;
    }
    return -1;
}

int IndexedImage::FindNearestColour(int red, int green, int blue) const
{
    int best = -1;
    std::int32_t bestDistance = 0;
    for (int i = 0; i < count_; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const std::int32_t dr = red_[k] - red, dg = green_[k] - green, db = blue_[k] - blue;
        const std::int32_t distance = dr * dr + dg * dg + db * db;
        if (best < 0 || distance < bestDistance) { // strictly closer: ties keep the lower index
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

void IndexedImage::PutPixel(std::int32_t x, std::int32_t y, int index)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    row(y)[x] = static_cast<std::uint8_t>(index);
}

std::uint8_t IndexedImage::PixelAt(std::int32_t x, std::int32_t y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0;
    return row(y)[x];
}

} // namespace pictaf
