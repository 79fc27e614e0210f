#include "engine/PackedDib.h"

#include <common/DibHeader.h>

namespace pictaf {

bool ReadDibHeader(std::span<const std::uint8_t> dib, DibHeaderView& h)
{
    if (dib.size() < 12)
        return false;
    plat::DibHeaderFields f;
    plat::readDibHeaderFields(dib, f);
    h = {};
    h.size = f.size;
    h.width = f.width; // the old core header's 16-bit width and height are unsigned
    h.height = f.height;
    h.bitsPerPixel = f.bitCount;
    if (h.size == 12)
        return true;
    if (dib.size() < 40)
        return false;
    h.compression = f.compression;
    h.imageSize = f.imageSize;
    h.coloursUsed = f.colorsUsed;
    return true;
}

std::uint32_t DibColourCount(const DibHeaderView& h)
{
    if (h.size != 12 && h.coloursUsed != 0)
        return h.coloursUsed;
    return h.bitsPerPixel <= 8 ? (1u << h.bitsPerPixel) : 0;
}

std::uint64_t DibColourTableSize(const DibHeaderView& h)
{
    const std::uint64_t count = DibColourCount(h);
    if (h.size == 12)
        return count * 3;
    return h.compression == 3 ? count * 4 + 12 : count * 4;
}

} // namespace pictaf
