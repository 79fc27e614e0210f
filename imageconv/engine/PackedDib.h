// A packed device-independent bitmap in one block: a 40-byte
// BITMAPINFOHEADER, the colour table (preceded by three bit-field masks when
// the compression is 3), then the pixel rows, bottom row first, each padded
// to a multiple of 4 bytes.
#pragma once

#include <gdi/LargeBuffer.h>

#include <cstdint>
#include <span>
#include <vector>

namespace pictaf {

// Pixel blocks run to tens of megabytes: they come from whole pages and are
// not zeroed by resize() (the reader and the capture write every byte).
using PackedDib = std::vector<std::uint8_t, plat::LargeAllocator<std::uint8_t>>;

// Header fields of a packed DIB (40-byte or 12-byte header); false when the
// block is too short for its header.
struct DibHeaderView {
    std::uint32_t size = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bitsPerPixel = 0;
    std::uint32_t compression = 0;
    std::uint32_t imageSize = 0;
    std::uint32_t coloursUsed = 0;
};
bool ReadDibHeader(std::span<const std::uint8_t> dib, DibHeaderView& header);

// Colours-used if nonzero; else 2^bpp up to 8 bpp; else 0.
std::uint32_t DibColourCount(const DibHeaderView& header);
// Count x 4, plus 12 for bit-field masks (count x 3 for a 12-byte core header).
std::uint64_t DibColourTableSize(const DibHeaderView& header);

} // namespace pictaf
