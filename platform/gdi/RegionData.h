// Region records: the RGNDATA of enhanced metafiles and the region objects
// of Windows metafiles, both untrusted and read within their bytes.
#pragma once

#include <QRegion>

#include <cstdint>
#include <span>
#include <vector>

namespace plat::gdi {

// RGNDATA: a 32-byte header (size, type 1, count, size of the rectangles,
// bounds) followed by count rectangles of four 32-bit values (right and
// bottom excluded). False when the header or rectangles run past the bytes.
bool parseRgnData(std::span<const std::uint8_t> bytes, QRegion& out);

// A Windows metafile region object: header, bounding box and scans of
// (top, bottom, left/right pairs). False when it runs past the bytes.
bool parseWmfRegion(std::span<const std::uint8_t> bytes, QRegion& out);

// The union of many regions, merged pairwise so that the cost stays near
// n log n instead of growing with the square of the count.
QRegion uniteAll(std::vector<QRegion> parts);

} // namespace plat::gdi
