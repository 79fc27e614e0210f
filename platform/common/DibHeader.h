// The header at the start of every DIB: the 12-byte core header or one of
// the BITMAPINFOHEADER family (40 bytes and the longer ones that extend it).
// This reads the fields as stored; what a reader accepts is its own rule.
#pragma once

#include "common/ByteReader.h"

#include <cstdint>
#include <span>

namespace plat {

struct DibHeaderFields {
    std::uint32_t size = 0;
    std::int32_t width = 0;  // the core header's are unsigned 16-bit values
    std::int32_t height = 0; // negative in an info header: rows stored top down
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t imageSize = 0;
    std::int32_t xPelsPerMeter = 0, yPelsPerMeter = 0;
    std::uint32_t colorsUsed = 0;
};

// The core header's fields when its size says 12, else an info header's up
// to colours used (36 bytes). False when the bytes end before them.
inline bool readDibHeaderFields(std::span<const std::uint8_t> bytes, DibHeaderFields& h)
{
    h = {};
    ByteReader r(bytes);
    h.size = r.u32();
    if (h.size == 12) {
        h.width = r.u16();
        h.height = r.u16();
        h.planes = r.u16();
        h.bitCount = r.u16();
        return r.ok();
    }
    h.width = r.i32();
    h.height = r.i32();
    h.planes = r.u16();
    h.bitCount = r.u16();
    h.compression = r.u32();
    h.imageSize = r.u32();
    h.xPelsPerMeter = r.i32();
    h.yPelsPerMeter = r.i32();
    h.colorsUsed = r.u32();
    return r.ok();
}

} // namespace plat
