// ReadBmpIntoDib: a BMP file (or a bare DIB without the 14-byte file header)
// into a PackedDib with a 40-byte header. 12-byte core headers are widened to
// their 40-byte equivalent, three-byte colour entries to four.
//
// The file is untrusted. Nothing is allocated before the file is known to
// hold it, so a header that promises more than the file has fails cleanly
// (Malformed) instead of allocating or reading past the end. Dimensions are
// bounded by the platform's bitmap ceilings (TooLarge beyond them).
#pragma once

#include "engine/PackedDib.h"
#include "engine/Status.h"

#include <span>
#include <string>

namespace pictaf {

// An empty result means failure, with the reason in *status when given.
PackedDib ReadBmpIntoDib(const std::string& name, Status* status = nullptr);
// The same from bytes already in memory (the fuzzer's entry, and tests').
PackedDib ReadBmpIntoDib(std::span<const std::uint8_t> bytes, Status* status = nullptr);

} // namespace pictaf
