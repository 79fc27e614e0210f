// MapDibToIndexed: fills an IndexedImage from a 24-bit PackedDib of the same
// size. Entry 0 is bgColor; then every new colour in the order the scan meets
// it (bottom row first, each row left to right); once 256 entries are in use
// every further new colour takes its nearest entry (squared distance, lowest
// index on ties).
//
// ColourMapper answers "which index for this colour" exactly as that search
// would, but remembers each answer: the table only ever grows, so an exact
// match never changes, and once it is full nothing changes at all. Nearest
// searches look only at the entries that can win inside a small box of
// colour space around the colour asked for.
#pragma once

#include "engine/IndexedImage.h"
#include "engine/PackedDib.h"
#include "engine/Pipeline.h"
#include "engine/Status.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace pictaf {

class ColourMapper {
public:
    explicit ColourMapper(IndexedImage& image);
    ~ColourMapper();
    ColourMapper(const ColourMapper&) = delete;
    ColourMapper& operator=(const ColourMapper&) = delete;

    // The index for a colour given as 0x00BBGGRR, adding it to the table
    // when it is new and there is room.
    std::uint8_t indexOf(std::uint32_t bgr)
    {
        const std::uint16_t known = cache_[bgr];
        return known != 0 ? static_cast<std::uint8_t>(known - 1) : resolve(bgr);
    }

private:
    std::uint8_t resolve(std::uint32_t bgr);
    int nearestWhenFull(int red, int green, int blue);

    IndexedImage& image_;
    // Index + 1 for every colour answered so far, 0 for not yet asked: 2^24
    // entries, zero pages from the system until a colour is first met.
    std::uint16_t* cache_;
    // Per 16 x 16 x 16 box of colour space, the entries that can be nearest
    // to some colour inside it (filled on first use once the table is full).
    std::vector<std::vector<std::uint8_t>> candidates_;
};

// Fails (BadSize) when the DIB is not a 24-bit DIB of the image's size.
Status MapDibToIndexed(const PackedDib& dib, IndexedImage& image, ConversionFlags flags, std::uint32_t bgColor);

} // namespace pictaf
