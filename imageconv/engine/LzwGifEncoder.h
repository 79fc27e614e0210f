// LzwGifEncoder: the same GIF as GifEncoder (header, colour table, graphic
// control extension, interlace, pixels) with a dictionary-building LZW code
// stream instead of the run-length one: files up to several times smaller on
// flat pictures, but not byte for byte what the control writes.
//
// The parse is greedy (the longest string in the table, then a new entry for
// it plus the next pixel), and the table is cleared when its next free code
// would be 4095, the rule giflib's coder follows. Both coders therefore send
// the same codes at the same widths, so a compact file is never larger than
// giflib's for the same indexed pixels.
//
// One object encodes one image at a time; objects share nothing. An object
// holds its tables (80 KB): on worker threads, make it on the heap.
#pragma once

#include "engine/ByteSink.h"
#include "engine/IndexedImage.h"
#include "engine/Status.h"

#include <cstddef>
#include <cstdint>

namespace pictaf {

class LzwGifEncoder {
public:
    // Writes the whole file into sink. BadSize (nothing written) when the
    // image is wider or higher than 65535; WriteFailed when the sink failed.
    Status Encode(const IndexedImage& image, ByteSink& sink);

private:
    void Compress(const IndexedImage& image, int minimumCodeSize, ByteSink& sink);

    // The string table: open addressing on (code << 8 | pixel), each entry
    // that key above the code it stands for, 0 when free. At most a quarter
    // full, so a search rarely looks past its first slot, and at 64 KB it
    // stays in the processor's caches, which a table indexed directly by
    // code and pixel (2 MB) does not.
    static constexpr int kCodeBits = 12;
    static constexpr int kTableBits = 14;
    static constexpr std::uint32_t kTableSize = 1u << kTableBits;
    static std::uint32_t Slot(std::uint32_t key) { return (key * 0x9e3779b1u) >> (32 - kTableBits); }
    std::uint32_t table_[kTableSize];
    // Per code, the last string found or made from it: (pixel + 1) << 16 |
    // its code, 0 when none. Looked up before the table; in flat areas it
    // is nearly always the answer.
    std::uint32_t recent_[1u << kCodeBits];
};

} // namespace pictaf
