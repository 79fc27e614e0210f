// Format facts that every layer reads: the placeable header in front of a
// Windows metafile on disk, and how an enhanced metafile starts.
#pragma once

#include "common/ByteReader.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace plat {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableHeaderSize = 22;
// What a placeable header that gives 0 units per inch is read as.
constexpr std::uint16_t kDefaultUnitsPerInch = 575;

// An enhanced metafile begins with its header record: type 1, and the
// signature " EMF" at offset 40.
constexpr std::uint32_t kEmfHeaderType = 1;
constexpr std::uint32_t kEmfSignature = 0x464D4520;

// The placeable header up to its units per inch (key, handle, bounding box
// in metafile units, units per inch); the reserved word and checksum after
// them are not read.
struct PlaceableHeader {
    std::uint32_t key = 0;
    std::int16_t left = 0, top = 0, right = 0, bottom = 0;
    std::uint16_t unitsPerInch = 0;
};

// False when the bytes end before the units per inch.
inline bool readPlaceableHeader(std::span<const std::uint8_t> bytes, PlaceableHeader& h)
{
    ByteReader r(bytes);
    h.key = r.u32();
    r.u16(); // handle
    h.left = r.i16();
    h.top = r.i16();
    h.right = r.i16();
    h.bottom = r.i16();
    h.unitsPerInch = r.u16();
    return r.ok();
}

} // namespace plat
