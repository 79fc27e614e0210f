// Placeholder: the DIB decoder and GetDIBits24 are built by the foundation work.
#include "gdi/Dib.h"

namespace plat {

const char* toString(DibStatus status)
{
    switch (status) {
    case DibStatus::Ok: return "ok";
    case DibStatus::Malformed: return "malformed bitmap data";
    case DibStatus::Unsupported: return "unsupported bitmap format";
    case DibStatus::TooLarge: return "bitmap too large";
    }
    return "unknown";
}

DibStatus DecodeDib(std::span<const std::uint8_t>, std::span<const std::uint8_t>, QImage&, const DibDecodeOptions&)
{
    return DibStatus::Unsupported;
}

DibStatus DecodePackedDib(std::span<const std::uint8_t>, QImage&, const DibDecodeOptions&)
{
    return DibStatus::Unsupported;
}

HGDIOBJ CreateDIBitmap(std::span<const std::uint8_t>, DibStatus* status)
{
    if (status)
        *status = DibStatus::Unsupported;
    return 0;
}

std::vector<std::uint8_t> GetDIBits24(HGDIOBJ) { return {}; }

std::int64_t DibStride(std::int64_t width, int bitsPerPixel)
{
    const std::int64_t bits = width * bitsPerPixel + 31;
    const std::int64_t stride = bits / 32 * 4;
    return (width < 0 || bitsPerPixel <= 0 || stride > 0x7fffffff) ? -1 : stride;
}

} // namespace plat
