#include "engine/PackedDib.h"

#include <common/ByteReader.h>

namespace pictaf {

bool ReadDibHeader(std::span<const std::uint8_t> dib, DibHeaderView& h)
{
    if (dib.size() < 12)
        return false;
    h = {};
    plat::ByteReader r(dib);
    h.size = r.u32();
    if (h.size == 12) { // old core header: 16-bit width, height, planes, bits
        h.width = r.u16();
        h.height = r.u16();
        r.u16(); // planes
        h.bitsPerPixel = r.u16();
        return true;
    }
    if (dib.size() < 40)
        return false;
    h.width = r.i32();
    h.height = r.i32();
    r.u16(); // planes
    h.bitsPerPixel = r.u16();
    h.compression = r.u32();
    h.imageSize = r.u32();
    r.skip(8); // resolutions
    h.coloursUsed = r.u32();
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
