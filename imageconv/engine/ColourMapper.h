// MapDibToIndexed: fills an IndexedImage from a 24-bit PackedDib of the same
// size. Entry 0 is bgColor; then every new colour in the order the scan meets
// it (bottom row first, each row left to right); once 256 entries are in use
// every further new colour takes its nearest entry (squared distance, lowest
// index on ties).
//
// ColourMapper answers "which index for this colour" exactly as those linear
// searches would, but remembers each answer: the table only ever grows, so an
// exact match never changes, and once it is full nothing changes at all.
// Every entry's colour is remembered when it is added, so a colour not yet
// remembered is known not to be in the table. Nearest searches look only at
// the entries that can win inside a small box of colour space.
#pragma once

#include "engine/IndexedImage.h"
#include "engine/PackedDib.h"
#include "engine/Pipeline.h"
#include "engine/Status.h"

#include <QImage>

#include <cstdint>
#include <vector>

namespace pictaf {

namespace detail {
// The 8 bits of a value moved to every third bit.
struct SpreadBits {
    std::uint32_t bits[256];
    constexpr SpreadBits() : bits()
    {
        for (std::uint32_t v = 0; v < 256; ++v)
            for (int b = 0; b < 8; ++b)
                bits[v] |= ((v >> b) & 1u) << (3 * b);
    }
    constexpr std::uint32_t operator[](std::uint32_t v) const { return bits[v]; }
};
inline constexpr SpreadBits kSpread{};
} // namespace detail

class ColourMapper {
public:
    // Throws std::bad_alloc when its memory can't be had. Entries already in
    // image are remembered (the lowest index of equal colours).
    explicit ColourMapper(IndexedImage& image);
    ~ColourMapper();
    ColourMapper(const ColourMapper&) = delete;
    ColourMapper& operator=(const ColourMapper&) = delete;

    // The index for a colour given as 0xRRGGBB, adding it to the table when
    // it is new and there is room.
    std::uint8_t indexOf(std::uint32_t rgb)
    {
        const std::uint16_t known = cache_[slotOf(rgb)];
        return known != 0 ? static_cast<std::uint8_t>(known - 1) : resolve(rgb);
    }

private:
    // Remembered answers are stored in Morton order (the bits of red, green
    // and blue interleaved), so colours close to each other, as neighbouring
    // pixels of a photograph are, share cache lines and pages.
    static std::uint32_t slotOf(std::uint32_t rgb)
    {
        return detail::kSpread[(rgb >> 16) & 0xff] << 2 | detail::kSpread[(rgb >> 8) & 0xff] << 1
            | detail::kSpread[rgb & 0xff];
    }
    std::uint8_t resolve(std::uint32_t rgb);
    int nearestWhenFull(int red, int green, int blue);

    static constexpr std::size_t kCacheBytes = (std::size_t{1} << 24) * sizeof(std::uint16_t);

    IndexedImage& image_;
    // Index + 1 for every colour answered so far, 0 for not yet asked: 2^24
    // entries in zero pages from the system, touched only where colours fall.
    std::uint16_t* cache_;
    // Per 16 x 16 x 16 box of colour space, the entries that can be nearest
    // to some colour inside it (filled on first use once the table is full).
    struct Candidate {
        std::int32_t nearEdge; // squared distance from the box to the entry
        std::int16_t red, green, blue;
        std::uint8_t index;
    };
    std::vector<std::vector<Candidate>> candidates_;
};

// Fails (BadSize) when the DIB is not a 24-bit DIB of the image's size.
Status MapDibToIndexed(const PackedDib& dib, IndexedImage& image, ConversionFlags flags, std::uint32_t bgColor);

// The same mapping read straight from a bitmap's pixels: what MapDibToIndexed
// gives for CaptureDib24 of that bitmap, without making the DIB.
Status MapBitmapToIndexed(const QImage& bitmap, IndexedImage& image, ConversionFlags flags, std::uint32_t bgColor);

} // namespace pictaf
