#include "engine/ColourMapper.h"

#include <gdi/Dib.h>
#include <gdi/LargeBuffer.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <new>

namespace pictaf {

namespace {
constexpr int kBoxBits = 4; // boxes of 16 values per channel, 4096 boxes
constexpr int kBoxes = 1 << (3 * (8 - kBoxBits));

std::int32_t axisMin(int v, int lo, int hi) { return v < lo ? lo - v : (v > hi ? v - hi : 0); }
std::int32_t axisMax(int v, int lo, int hi) { return std::max(std::abs(v - lo), std::abs(v - hi)); }

std::uint32_t rgbOf(int red, int green, int blue)
{
    return (static_cast<std::uint32_t>(red) << 16) | (static_cast<std::uint32_t>(green) << 8)
        | static_cast<std::uint32_t>(blue);
}

// Entry 0 and the flags: the steps before the pixels are looked at.
void startMapping(IndexedImage& image, ConversionFlags flags, std::uint32_t bgColor)
{
    const int background = image.AddColour(bgColor & 0xff, (bgColor >> 8) & 0xff, (bgColor >> 16) & 0xff);
    if (flags & kFlagTransparent)
        image.SetTransparentIndex(background);
    if (flags & kFlagInterlaced)
        image.SetInterlaced(true);
}
} // namespace

ColourMapper::ColourMapper(IndexedImage& image)
    : image_(image), cache_(static_cast<std::uint16_t*>(plat::AllocateLarge(kCacheBytes)))
{
    if (!cache_)
        throw std::bad_alloc();
    for (int i = 0; i < image.colourCount(); ++i) {
        std::uint16_t& slot = cache_[slotOf(rgbOf(image.red(i) & 0xff, image.green(i) & 0xff, image.blue(i) & 0xff))];
        if (slot == 0)
            slot = static_cast<std::uint16_t>(i + 1);
    }
}

ColourMapper::~ColourMapper() { plat::FreeLarge(cache_, kCacheBytes); }

std::uint8_t ColourMapper::resolve(std::uint32_t rgb)
{
    const int red = static_cast<int>((rgb >> 16) & 0xff);
    const int green = static_cast<int>((rgb >> 8) & 0xff);
    const int blue = static_cast<int>(rgb & 0xff);
    // Not remembered, so not in the table: FindExactColour would say -1.
    int index = image_.AddColour(red, green, blue);
    if (index < 0)
        index = nearestWhenFull(red, green, blue);
    cache_[slotOf(rgb)] = static_cast<std::uint16_t>(index + 1);
    return static_cast<std::uint8_t>(index);
}

// Exact FindNearestColour over a full table. For a colour q in box B, the true
// winner w satisfies minDist(B, w) <= d(q, w) <= d(q, e) <= maxDist(B, e) for
// every entry e, so w (and every entry tied with it) is among the entries
// whose minDist(B, .) is at most the smallest maxDist(B, .). Those are kept
// sorted by minDist(B, .); the search stops at the first whose minDist is
// beyond the best distance found (it and all after it are strictly further),
// and among equal distances keeps the lowest index, as the linear search does.
int ColourMapper::nearestWhenFull(int red, int green, int blue)
{
    if (candidates_.empty())
        candidates_.resize(kBoxes);
    const int shift = 8 - kBoxBits;
    const std::size_t box = static_cast<std::size_t>(((red >> kBoxBits) << (2 * shift))
                                                      | ((green >> kBoxBits) << shift) | (blue >> kBoxBits));
    std::vector<Candidate>& list = candidates_[box];
    if (list.empty()) {
        const int size = 1 << kBoxBits;
        const int r0 = (red >> kBoxBits) << kBoxBits, g0 = (green >> kBoxBits) << kBoxBits,
                  b0 = (blue >> kBoxBits) << kBoxBits;
        const int count = image_.colourCount();
        std::int32_t bound = std::numeric_limits<std::int32_t>::max();
        for (int i = 0; i < count; ++i) {
            const int r = image_.red(i), g = image_.green(i), b = image_.blue(i);
            const std::int32_t fr = axisMax(r, r0, r0 + size - 1), fg = axisMax(g, g0, g0 + size - 1),
                               fb = axisMax(b, b0, b0 + size - 1);
            bound = std::min(bound, fr * fr + fg * fg + fb * fb);
        }
        for (int i = 0; i < count; ++i) {
            const int r = image_.red(i), g = image_.green(i), b = image_.blue(i);
            const std::int32_t dr = axisMin(r, r0, r0 + size - 1), dg = axisMin(g, g0, g0 + size - 1),
                               db = axisMin(b, b0, b0 + size - 1);
            const std::int32_t nearEdge = dr * dr + dg * dg + db * db;
            if (nearEdge <= bound)
                list.push_back({nearEdge, static_cast<std::int16_t>(r), static_cast<std::int16_t>(g),
                                static_cast<std::int16_t>(b), static_cast<std::uint8_t>(i)});
        }
        std::stable_sort(list.begin(), list.end(),
                         [](const Candidate& a, const Candidate& b) { return a.nearEdge < b.nearEdge; });
    }
    int best = -1;
    std::int32_t bestDistance = std::numeric_limits<std::int32_t>::max();
    for (const Candidate& c : list) {
        if (c.nearEdge > bestDistance)
            break;
        const std::int32_t dr = c.red - red, dg = c.green - green, db = c.blue - blue;
        const std::int32_t distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance || (distance == bestDistance && c.index < best)) {
            best = c.index;
            bestDistance = distance;
        }
    }
    return best;
}

// A pixel equal to bgColor is left at index 0 by definition; the remembered
// answer for it is 0 too (entry 0 holds bgColor's colour and is the lowest),
// so it needs no case of its own. A bgColor with its high byte set matches
// no pixel, and its low bytes are found in entry 0 like any other colour.
Status MapDibToIndexed(const PackedDib& dib, IndexedImage& image, ConversionFlags flags, std::uint32_t bgColor)
{
    DibHeaderView header;
    if (!ReadDibHeader(dib, header) || header.size != 40 || header.bitsPerPixel != 24 || header.compression != 0
        || header.width != image.width() || header.height != image.height())
        return Status::BadSize;
    const std::int64_t stride = plat::DibStride(header.width, 24);
    const std::uint64_t pixelsAt = header.size + DibColourTableSize(header);
    if (stride < 0 || pixelsAt + static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(header.height)
                          > dib.size())
        return Status::BadSize;

    startMapping(image, flags, bgColor);
    std::unique_ptr<ColourMapper> mapper;
    try {
        mapper = std::make_unique<ColourMapper>(image);
    } catch (const std::bad_alloc&) {
        return Status::OutOfMemory;
    }
    const std::int32_t width = header.width;
    const std::int32_t height = header.height;
    for (std::int32_t r = 0; r < height; ++r) {
        const std::uint8_t* in = dib.data() + pixelsAt + static_cast<std::uint64_t>(r) * stride;
        std::uint8_t* out = image.row(height - 1 - r);
        std::uint32_t lastKey = 0xffffffffu;
        std::uint8_t lastIndex = 0;
        for (std::int32_t x = 0; x < width; ++x, in += 3) {
            const std::uint32_t key = (std::uint32_t{in[2]} << 16) | (std::uint32_t{in[1]} << 8) | in[0];
            if (key != lastKey) {
                lastKey = key;
                lastIndex = mapper->indexOf(key);
            }
            out[x] = lastIndex;
        }
    }
    return Status::Ok;
}

Status MapBitmapToIndexed(const QImage& bitmap, IndexedImage& image, ConversionFlags flags, std::uint32_t bgColor)
{
    if (bitmap.width() != image.width() || bitmap.height() != image.height())
        return Status::BadSize;
    const QImage pixels = bitmap.format() == QImage::Format_RGB32 || bitmap.format() == QImage::Format_ARGB32
        ? bitmap
        : bitmap.convertToFormat(QImage::Format_RGB32);
    if (pixels.isNull())
        return Status::OutOfMemory;

    startMapping(image, flags, bgColor);
    std::unique_ptr<ColourMapper> mapper;
    try {
        mapper = std::make_unique<ColourMapper>(image);
    } catch (const std::bad_alloc&) {
        return Status::OutOfMemory;
    }
    const std::int32_t width = pixels.width();
    const std::int32_t height = pixels.height();
    for (std::int32_t r = 0; r < height; ++r) { // bottom row first, as in the DIB
        const auto* in = reinterpret_cast<const QRgb*>(pixels.constScanLine(height - 1 - r));
        std::uint8_t* out = image.row(height - 1 - r);
        std::uint32_t lastKey = 0xffffffffu;
        std::uint8_t lastIndex = 0;
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint32_t key = in[x] & 0xffffffu;
            if (key != lastKey) {
                lastKey = key;
                lastIndex = mapper->indexOf(key);
            }
            out[x] = lastIndex;
        }
    }
    return Status::Ok;
}

} // namespace pictaf
