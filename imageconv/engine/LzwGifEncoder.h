// LzwGifEncoder: the same GIF as GifEncoder (header, colour table, graphic
// control extension, interlace, pixels) with a dictionary-building LZW code
// stream instead of the run-length one: files up to several times smaller on
// flat pictures, but not byte for byte what the control writes.
//
// The parse is greedy (the longest string in the table, then a new entry for
// it plus the next pixel), and the table is cleared when its next free code
// would be 4095, the rule giflib's coder follows. Both coders therefore send
// the same codes at the same widths, so a compact file is never larger than
// giflib's for the same indexed pixels; this one gets there faster, looking
// strings up in a directly indexed table instead of a hash.
//
// One object encodes one image at a time; objects share nothing.
#pragma once

#include "engine/ByteSink.h"
#include "engine/IndexedImage.h"
#include "engine/Status.h"

#include <cstddef>
#include <cstdint>

namespace pictaf {

class LzwGifEncoder {
public:
    LzwGifEncoder() = default;
    ~LzwGifEncoder();
    LzwGifEncoder(const LzwGifEncoder&) = delete;
    LzwGifEncoder& operator=(const LzwGifEncoder&) = delete;

    // Writes the whole file into sink. BadSize (nothing written) when the
    // image is wider or higher than 65535; OutOfMemory (nothing written)
    // when the string table can't be had; WriteFailed when the sink failed.
    Status Encode(const IndexedImage& image, ByteSink& sink);

private:
    bool Reserve(int minimumCodeSize);
    void Compress(const IndexedImage& image, int minimumCodeSize, ByteSink& sink);

    // child_[(code << minimum code size) | pixel]: the code of that string
    // followed by that pixel, 0 when the table has none. Kept between images
    // of the same minimum code size, empty again after each.
    std::uint16_t* child_ = nullptr;
    std::size_t childBytes_ = 0;
    int childShift_ = 0;
};

} // namespace pictaf
