// GifEncoder: an IndexedImage as a single-image GIF (GIF87a, or GIF89a with a
// graphic control extension when there is a transparent index), global colour
// table only, image data as a run-length LZW code stream.
//
// The coder never builds an LZW dictionary. It sends single-pixel codes and,
// for runs of one value, the codes it knows the decoder's table holds for
// runs of that value: right after a clear code, a single p followed by codes
// runBase, runBase+1, ... makes the decoder add the strings pp, ppp, pppp, ...
// at exactly those codes. Worked example (two colours, minimum code size 2,
// clear 4, end 5, run base 6), 1,000 pixels of p:
//   4 | p 6 7 8 ... 48 (runs of 1 to 44, 990 pixels) | 14 (run of 10) | 4 | 5
// Codes are packed least significant bit first; the width starts at minimum
// code size + 1 and grows when the decoder's next free slot reaches a power
// of two (after clear - 1 data codes, then every 2^(width - 1) more).
//
// All state lives in the object, so any number of encoders can run at once.
// One object encodes one image; make a new one for the next.
#pragma once

#include "engine/ByteSink.h"
#include "engine/IndexedImage.h"
#include "engine/Status.h"

#include <cstdint>
#include <vector>

namespace pictaf {

class GifEncoder {
public:
    // Writes the whole file into sink. BadSize (nothing written) when the
    // image is wider or higher than 65535, which GIF's 16-bit fields can't
    // hold; WriteFailed when the sink failed.
    Status Encode(const IndexedImage& image, ByteSink& sink);

    // Bits per colour-table index: 1 up to 2 colours, 2 up to 4, ... 8 up to 256.
    static int ColourBits(int colourCount);
    // Rows in the order they are sent: top to bottom, or the four interlace
    // passes (every 8th from 0, every 8th from 4, every 4th from 2, every
    // 2nd from 1).
    static std::vector<std::int32_t> RowOrder(std::int32_t height, bool interlaced);
    // Codes a run of count pixels costs when built from an empty table with at
    // most codes data codes between clears (unsigned 32-bit arithmetic).
    static std::uint32_t TriangleCost(std::uint32_t count, std::uint32_t codes);
    static std::uint32_t IntSqrt(std::uint32_t x);

    // Everything before the image data (signature to minimum code size), the
    // same for every code stream; returns the minimum code size, or 0 (nothing
    // written) when GIF's 16-bit fields can't hold the size.
    static int WriteHeader(const IndexedImage& image, ByteSink& sink);
    // Block terminator and trailer, after the image data.
    static void WriteTrailer(ByteSink& sink);

private:
    void Compress(const IndexedImage& image, int initialCodeWidth);
    void ResetCodeSpace();
    void RestoreClearLimit();
    [[gnu::always_inline]] inline void PutCode(std::uint32_t code);
    [[gnu::always_inline]] inline void PutDataCode(std::uint32_t code);
    void CodeCountChecks();
    void PutByte(std::uint8_t byte);
    void WriteSubBlocks(bool last);
    void FlushRun();
    void RunAfterClear(std::uint32_t n);
    void RunByClearOrRepeat(std::uint32_t n);
    void RunByTable(std::uint32_t n);

    ByteSink* sink_ = nullptr;
    // Data bytes are cut into sub-blocks once this many have gathered.
    static constexpr std::size_t kDataFlush = std::size_t{255} * 32;

    std::uint64_t bitBuffer_ = 0;
    int bitCount_ = 0;
    std::uint8_t data_[kDataFlush + 8] = {};
    std::size_t dataLength_ = 0;
    std::uint8_t blocks_[kDataFlush + kDataFlush / 255 + 8] = {}; // length bytes and data, ready to write
    int initialCodeWidth_ = 0;
    int codeWidth_ = 0;
    std::uint32_t clearCode_ = 0;
    std::uint32_t endCode_ = 0;
    std::uint32_t runBase_ = 0;
    std::uint32_t codeCount_ = 0;
    std::uint32_t bumpLimit_ = 0;
    std::uint32_t initialBumpLimit_ = 0;
    std::uint32_t clearLimit_ = 0;
    std::uint32_t nextCheck_ = 0; // at most min(bumpLimit_, clearLimit_); raising those needs no update
    std::uint32_t initialClearLimit_ = 0;
    std::uint32_t codeLimit_ = 0;
    std::uint32_t tableRun_ = 0;
    std::uint32_t tablePixel_ = 0;
    bool justCleared_ = false;
    std::uint32_t runPixel_ = 0;
    std::uint32_t runLength_ = 0;
};

} // namespace pictaf
