#include "engine/ColourMapper.h"

#include <gdi/Dib.h>

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
} // namespace

ColourMapper::ColourMapper(IndexedImage& image)
    : image_(image), cache_(static_cast<std::uint16_t*>(std::calloc(std::size_t{1} << 24, sizeof(std::uint16_t))))
{
    if (!cache_)
        throw std::bad_alloc();
}

ColourMapper::~ColourMapper() { std::free(cache_); }

std::uint8_t ColourMapper::resolve(std::uint32_t bgr)
{
    const int red = static_cast<int>(bgr & 0xff);
    const int green = static_cast<int>((bgr >> 8) & 0xff);
    const int blue = static_cast<int>((bgr >> 16) & 0xff);
    int index = image_.FindExactColour(red, green, blue);
    if (index < 0)
        index = image_.AddColour(red, green, blue);
    if (index < 0)
        index = nearestWhenFull(red, green, blue);
    cache_[bgr] = static_cast<std::uint16_t>(index + 1);
    return static_cast<std::uint8_t>(index);
}

// Exact FindNearestColour over a full table. For a colour q in box B, the true
// winner w satisfies minDist(B, w) <= d(q, w) <= d(q, e) <= maxDist(B, e) for
// every entry e, so w (and every entry tied with it) is among the entries
// whose minDist(B, .) is at most the smallest maxDist(B, .). Those are kept
// in index order, and the search keeps the first strictly closest one.
int ColourMapper::nearestWhenFull(int red, int green, int blue)
{
    if (candidates_.empty())
        candidates_.resize(kBoxes);
    const int shift = 8 - kBoxBits;
    const std::size_t box = static_cast<std::size_t>(((red >> kBoxBits) << (2 * shift))
                                                      | ((green >> kBoxBits) << shift) | (blue >> kBoxBits));
    std::vector<std::uint8_t>& list = candidates_[box];
    const int count = image_.colourCount();
    if (list.empty()) {
        const int size = 1 << kBoxBits;
        const int r0 = (red >> kBoxBits) << kBoxBits, g0 = (green >> kBoxBits) << kBoxBits,
                  b0 = (blue >> kBoxBits) << kBoxBits;
        std::vector<std::int32_t> nearEdge(static_cast<std::size_t>(count));
        std::int32_t bound = std::numeric_limits<std::int32_t>::max();
        for (int i = 0; i < count; ++i) {
            const int r = image_.red(i), g = image_.green(i), b = image_.blue(i);
            const std::int32_t dr = axisMin(r, r0, r0 + size - 1), dg = axisMin(g, g0, g0 + size - 1),
                               db = axisMin(b, b0, b0 + size - 1);
            nearEdge[static_cast<std::size_t>(i)] = dr * dr + dg * dg + db * db;
            const std::int32_t fr = axisMax(r, r0, r0 + size - 1), fg = axisMax(g, g0, g0 + size - 1),
                               fb = axisMax(b, b0, b0 + size - 1);
            bound = std::min(bound, fr * fr + fg * fg + fb * fb);
        }
        for (int i = 0; i < count; ++i)
            if (nearEdge[static_cast<std::size_t>(i)] <= bound)
                list.push_back(static_cast<std::uint8_t>(i));
    }
    int best = -1;
    std::int32_t bestDistance = 0;
    for (std::uint8_t i : list) {
        const std::int32_t dr = image_.red(i) - red, dg = image_.green(i) - green, db = image_.blue(i) - blue;
        const std::int32_t distance = dr * dr + dg * dg + db * db;
        if (best < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

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

    const int background = image.AddColour(bgColor & 0xff, (bgColor >> 8) & 0xff, (bgColor >> 16) & 0xff);
    if (flags & kFlagTransparent)
        image.SetTransparentIndex(background);
    if (flags & kFlagInterlaced)
        image.SetInterlaced(true);

    std::unique_ptr<ColourMapper> mapper;
    try {
        mapper = std::make_unique<ColourMapper>(image);
    } catch (const std::bad_alloc&) {
        return Status::OutOfMemory;
    }
    // A pixel equal to bgColor is left at index 0. The cache gives the same
    // answer for it (entry 0 holds bgColor's colour and is found first), so
    // only a bgColor with its high byte set needs no special case at all: it
    // matches no pixel.
    const std::int32_t width = header.width;
    const std::int32_t height = header.height;
    for (std::int32_t r = 0; r < height; ++r) {
        const std::uint8_t* in = dib.data() + pixelsAt + static_cast<std::uint64_t>(r) * stride;
        std::uint8_t* out = image.row(height - 1 - r);
        std::uint32_t lastKey = 0xffffffffu;
        std::uint8_t lastIndex = 0;
        for (std::int32_t x = 0; x < width; ++x, in += 3) {
            const std::uint32_t key = (std::uint32_t{in[0]} << 16) | (std::uint32_t{in[1]} << 8) | in[2];
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
