#include "engine/PackedDib.h"

namespace pictaf {

namespace {
std::uint32_t rd32(std::span<const std::uint8_t> d, std::size_t at)
{
    return static_cast<std::uint32_t>(d[at]) | (static_cast<std::uint32_t>(d[at + 1]) << 8)
        | (static_cast<std::uint32_t>(d[at + 2]) << 16) | (static_cast<std::uint32_t>(d[at + 3]) << 24);
}
} // namespace

bool ReadDibHeader(std::span<const std::uint8_t> dib, DibHeaderView& h)
{
    if (dib.size() < 12)
        return false;
    h = {};
    h.size = rd32(dib, 0);
    if (h.size == 12) { // old core header: 16-bit width, height, planes, bits
        h.width = dib[4] | (dib[5] << 8);
        h.height = dib[6] | (dib[7] << 8);
        h.bitsPerPixel = static_cast<std::uint16_t>(dib[10] | (dib[11] << 8));
        return true;
    }
    if (dib.size() < 40)
        return false;
    h.width = static_cast<std::int32_t>(rd32(dib, 4));
    h.height = static_cast<std::int32_t>(rd32(dib, 8));
    h.bitsPerPixel = static_cast<std::uint16_t>(dib[14] | (dib[15] << 8));
    h.compression = rd32(dib, 16);
    h.imageSize = rd32(dib, 20);
    h.coloursUsed = rd32(dib, 32);
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
