// How long a picture's bytes are, from what its format says: the length a
// header declares, and whether the end a format marks is there. Streams are
// read no further than that; files that end before it are damaged.
#pragma once

#include <cstdint>
#include <span>

namespace pictaf::convert {

// The bytes a BMP, EMF or WMF (placeable or standard) occupies as its
// header declares, counted from the start; 0 when the header does not say
// (no such header, run-length data of no stated size, a size too small to
// hold the header itself). head must hold the whole header.
std::uint64_t DeclaredLength(std::span<const std::uint8_t> head);

// Where a JPEG (end of image marker), PNG (IEND chunk) or GIF (trailer)
// says its data ends.
struct MarkedEnd {
    bool marked = false;        // one of those three formats
    bool pictureWhole = false;  // all the picture's own data is there
    std::uint64_t end = 0;      // just past the end mark; 0 when the bytes end before it
    std::uint64_t resumeAt = 0; // GIF: where a walk of the same bytes grown longer may go on
    const char* mark = nullptr; // bytes any chunk holding the end must contain
};
// With from, a GIF is walked on from where that walk of fewer of the same
// bytes stopped, so a stream can be followed as it grows.
MarkedEnd FindMarkedEnd(std::span<const std::uint8_t> bytes, const MarkedEnd* from = nullptr);

} // namespace pictaf::convert
