#include "engine/GifEncoder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace pictaf {

int GifEncoder::ColourBits(int colourCount)
{
    int bits = 1;
    while (bits < 8 && colourCount > (1 << bits))
        ++bits;
    return bits;
}

std::vector<std::int32_t> GifEncoder::RowOrder(std::int32_t height, bool interlaced)
{
    std::vector<std::int32_t> rows;
    rows.reserve(height > 0 ? static_cast<std::size_t>(height) : 0);
    if (!interlaced) {
        for (std::int32_t y = 0; y < height; ++y)
            rows.push_back(y);
        return rows;
    }
    static constexpr std::int32_t kStart[4] = {0, 4, 2, 1};
    static constexpr std::int32_t kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (std::int64_t y = kStart[pass]; y < height; y += kStep[pass])
            rows.push_back(static_cast<std::int32_t>(y));
    return rows;
}

std::uint32_t GifEncoder::IntSqrt(std::uint32_t x)
{
    if (x < 2)
        return x;
    std::uint32_t r = 1;
    for (std::uint32_t v = x; v != 0; v >>= 2)
        r <<= 1;
    for (;;) {
        const std::uint32_t v = (x / r + r) / 2;
        if (v == r || v == r + 1)
            return r;
        r = v;
    }
}

namespace {
// Least r with r(r + 1) >= 2 count, for the short runs that make up most of
// a picture: the answer TriangleCost's loops reach, looked up.
constexpr std::uint32_t kSmallRun = 1024;
struct SmallRunCosts {
    std::uint8_t cost[kSmallRun];
    constexpr SmallRunCosts() : cost()
    {
        std::uint32_t r = 0;
        for (std::uint32_t count = 0; count < kSmallRun; ++count) {
            while (r * (r + 1) < 2 * count)
                ++r;
            cost[count] = static_cast<std::uint8_t>(r);
        }
    }
};
constexpr SmallRunCosts kSmallRunCosts;
} // namespace

std::uint32_t GifEncoder::TriangleCost(std::uint32_t count, std::uint32_t codes)
{
    // Below one table's worth the cost does not depend on codes.
    if (count < kSmallRun && count < codes * (codes + 1) / 2)
        return kSmallRunCosts.cost[count];
    const std::uint32_t per = codes * (codes + 1) / 2;
    if (per == 0)
        return 0; // no codes at all: nothing to count (the coder always has thousands)
    std::uint32_t cost = 0;
    while (count >= per) {
        cost += codes;
        count -= per;
    }
    if (count > 0) {
        // The two loops below settle on the least r with r(r + 1) >= 2 count
        // from any first guess; the floating-point root is just a closer one
        // than IntSqrt and costs far less. The answer is the same.
        std::uint32_t r = static_cast<std::uint32_t>(std::sqrt(2.0 * count));
        while (r * (r + 1) >= 2 * count)
            r -= 1;
        while (r * (r + 1) < 2 * count)
            r += 1;
        cost += r;
    }
    return cost;
}

Status GifEncoder::Encode(const IndexedImage& image, ByteSink& sink)
{
    const int minimumCodeSize = WriteHeader(image, sink);
    if (minimumCodeSize == 0)
        return Status::BadSize;
    sink_ = &sink;
    Compress(image, minimumCodeSize + 1);
    WriteTrailer(sink);
    sink_ = nullptr;
    return sink.failed() ? Status::WriteFailed : Status::Ok;
}

int GifEncoder::WriteHeader(const IndexedImage& image, ByteSink& sink)
{
    const std::int32_t width = image.width();
    const std::int32_t height = image.height();
    if (width <= 0 || height <= 0 || width > 0xffff || height > 0xffff)
        return 0;

    const int b = ColourBits(image.colourCount());
    const bool transparent = image.transparentIndex() >= 0;
    sink.write(reinterpret_cast<const std::uint8_t*>(transparent ? "GIF89a" : "GIF87a"), 6);
    sink.write16(static_cast<std::uint32_t>(width)); // logical screen
    sink.write16(static_cast<std::uint32_t>(height));
    sink.writeByte(static_cast<std::uint8_t>(0x80 | ((b - 1) << 4) | (b - 1))); // global table, resolution, size
    sink.writeByte(0); // background colour index: entry 0 is bgColor
    sink.writeByte(0); // pixel aspect ratio
    std::vector<std::uint8_t> table(3u << b, 0);
    for (int i = 0; i < image.colourCount() && i < (1 << b); ++i) {
        table[3 * static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(image.red(i));
        table[3 * static_cast<std::size_t>(i) + 1] = static_cast<std::uint8_t>(image.green(i));
        table[3 * static_cast<std::size_t>(i) + 2] = static_cast<std::uint8_t>(image.blue(i));
    }
    sink.write(table.data(), table.size());
    if (transparent) {
        // Graphic control extension: transparent colour flag only, no delay.
        const std::uint8_t gce[8] = {
            0x21, 0xf9, 0x04, 0x01, 0x00, 0x00, static_cast<std::uint8_t>(image.transparentIndex()), 0x00};
        sink.write(gce, sizeof gce);
    }
    sink.writeByte(0x2c);
    sink.write16(0); // image left
    sink.write16(0); // image top
    sink.write16(static_cast<std::uint32_t>(width));
    sink.write16(static_cast<std::uint32_t>(height));
    sink.writeByte(image.interlaced() ? 0x40 : 0x00);
    const int minimumCodeSize = b < 2 ? 2 : b;
    sink.writeByte(static_cast<std::uint8_t>(minimumCodeSize));
    return minimumCodeSize;
}

void GifEncoder::WriteTrailer(ByteSink& sink)
{
    sink.writeByte(0x00); // block terminator
    sink.writeByte(0x3b); // trailer
}

void GifEncoder::Compress(const IndexedImage& image, int initialCodeWidth)
{
    initialCodeWidth_ = initialCodeWidth;
    bitBuffer_ = 0;
    bitCount_ = 0;
    dataLength_ = 0;
    clearCode_ = 1u << (initialCodeWidth - 1);
    endCode_ = clearCode_ + 1;
    runBase_ = clearCode_ + 2;
    initialBumpLimit_ = clearCode_ - 1;
    initialClearLimit_ = initialCodeWidth <= 3 ? 9 : clearCode_ - 2;
    codeLimit_ = 4093 - clearCode_;
    ResetCodeSpace();
    PutCode(clearCode_);
    runPixel_ = 0;
    runLength_ = 0;

    // The pixel source reads rows in send order; within a row, runs of one
    // value are taken whole instead of pixel by pixel. The run being
    // collected lives in locals and reaches runPixel_/runLength_ only when
    // FlushRun needs it.
    const std::int32_t width = image.width();
    std::uint32_t p = runPixel_;
    std::uint32_t n = runLength_;
    for (std::int32_t y : RowOrder(image.height(), image.interlaced())) {
        const std::uint8_t* row = image.row(y);
        std::int32_t x = 0;
        while (x < width) {
            const std::uint32_t v = row[x];
            if (v != p) {
                // A lone pixel is just its code; so is each pixel of a run
                // of up to 4 that RunByClearOrRepeat would take (a clear and
                // a table build would cost more codes than the run).
                if (n == 1 || (n <= 4 && n > 0 && !justCleared_ && (tableRun_ < 2 || tablePixel_ != p))) {
                    PutDataCode(p);
                    if (n > 1) {
                        PutDataCode(p);
                        if (n > 2) {
                            PutDataCode(p);
                            if (n > 3)
                                PutDataCode(p);
                        }
                    }
                } else if (n > 0) {
                    runPixel_ = p;
                    runLength_ = n;
                    FlushRun();
                }
                p = v;
                n = 0;
            }
            // Find where the run of v ends, eight indices at a time: the
            // first byte that differs from v is the lowest nonzero byte of
            // the difference.
            std::int32_t end = x + 1;
            const std::uint64_t spread = 0x0101010101010101ull * v;
            while (end + 8 <= width) {
                std::uint64_t word;
                std::memcpy(&word, row + end, 8);
                if (const std::uint64_t diff = word ^ spread; diff != 0) {
                    end += std::countr_zero(diff) / 8;
                    goto runEnds;
                }
                end += 8;
            }
            while (end < width && row[end] == v)
                ++end;
        runEnds:
            n += static_cast<std::uint32_t>(end - x);
            x = end;
        }
    }
    runPixel_ = p;
    runLength_ = n;
    if (runLength_ > 0)
        FlushRun();

    PutCode(endCode_);
    while (bitCount_ > 0) { // whole bytes, then the last partial one
        PutByte(static_cast<std::uint8_t>(bitBuffer_ & 0xff));
        bitBuffer_ >>= 8;
        bitCount_ = bitCount_ > 8 ? bitCount_ - 8 : 0;
    }
    WriteSubBlocks(true);
}

void GifEncoder::ResetCodeSpace()
{
    codeWidth_ = initialCodeWidth_;
    bumpLimit_ = initialBumpLimit_;
    clearLimit_ = initialClearLimit_;
    codeCount_ = 0;
    tableRun_ = 0;
    justCleared_ = true;
    nextCheck_ = std::min(bumpLimit_, clearLimit_);
}

void GifEncoder::RestoreClearLimit()
{
    clearLimit_ = initialClearLimit_;
    nextCheck_ = std::min(bumpLimit_, clearLimit_);
    if (codeCount_ >= clearLimit_) {
        PutCode(clearCode_);
        ResetCodeSpace();
    }
}

// Codes are packed least significant bit first. The bytes they make are
// gathered in data_ and cut into sub-blocks of 255 (a length byte, then the
// bytes) whenever enough have gathered; only the last block may be shorter.
// That is byte for byte what emitting each byte into a 255-byte block, and
// writing the block when it fills, produces.
void GifEncoder::PutCode(std::uint32_t code)
{
    bitBuffer_ |= std::uint64_t{code} << bitCount_;
    bitCount_ += codeWidth_;
    if (bitCount_ >= 32) {
        const auto word = static_cast<std::uint32_t>(bitBuffer_);
        std::uint8_t* at = data_ + dataLength_;
        at[0] = static_cast<std::uint8_t>(word);
        at[1] = static_cast<std::uint8_t>(word >> 8);
        at[2] = static_cast<std::uint8_t>(word >> 16);
        at[3] = static_cast<std::uint8_t>(word >> 24);
        dataLength_ += 4;
        bitBuffer_ >>= 32;
        bitCount_ -= 32;
        if (dataLength_ >= kDataFlush)
            WriteSubBlocks(false);
    }
}

void GifEncoder::PutByte(std::uint8_t byte)
{
    data_[dataLength_++] = byte;
    if (dataLength_ >= kDataFlush)
        WriteSubBlocks(false);
}

void GifEncoder::WriteSubBlocks(bool last)
{
    std::size_t done = 0;
    std::size_t out = 0;
    while (dataLength_ - done >= 255 || (last && dataLength_ > done)) {
        const std::size_t n = std::min<std::size_t>(255, dataLength_ - done);
        blocks_[out++] = static_cast<std::uint8_t>(n);
        std::memcpy(blocks_ + out, data_ + done, n);
        out += n;
        done += n;
    }
    sink_->write(blocks_, out);
    std::memmove(data_, data_ + done, dataLength_ - done);
    dataLength_ -= done;
}

void GifEncoder::PutDataCode(std::uint32_t code)
{
    justCleared_ = false;
    PutCode(code);
    codeCount_ += 1;
    // nextCheck_ never exceeds the bump or the clear limit, so the checks
    // below run whenever either could be due (and at times when neither is).
    if (codeCount_ >= nextCheck_)
        CodeCountChecks();
}

void GifEncoder::CodeCountChecks()
{
    if (codeCount_ >= bumpLimit_) {
        codeWidth_ += 1;
        bumpLimit_ += 1u << (codeWidth_ - 1);
    }
    if (codeCount_ >= clearLimit_) {
        PutCode(clearCode_);
        ResetCodeSpace();
    }
    nextCheck_ = std::min(bumpLimit_, clearLimit_);
}

void GifEncoder::FlushRun()
{
    const std::uint32_t n = runLength_;
    runLength_ = 0;
    if (n == 1)
        PutDataCode(runPixel_);
    else if (justCleared_)
        RunAfterClear(n);
    else if (tableRun_ < 2 || tablePixel_ != runPixel_)
        RunByClearOrRepeat(n);
    else
        RunByTable(n);
}

void GifEncoder::RunAfterClear(std::uint32_t n)
{
    const std::uint32_t p = runPixel_;
    clearLimit_ = codeLimit_;
    tablePixel_ = p;
    std::uint32_t k = 1;
    while (n > 0) {
        if (k == 1) {
            tableRun_ = 1;
            PutDataCode(p);
            n -= 1;
        } else if (n >= k) {
            tableRun_ = k;
            PutDataCode(runBase_ + k - 2);
            n -= k;
        } else if (n == 1) {
            tableRun_ += 1;
            PutDataCode(p);
            n = 0;
        } else {
            tableRun_ += 1;
            PutDataCode(runBase_ + n - 2);
            n = 0;
        }
        k = codeCount_ == 0 ? 1 : k + 1; // a forced clear starts the runs again
    }
    RestoreClearLimit();
}

void GifEncoder::RunByClearOrRepeat(std::uint32_t n)
{
    // Signed comparison as in the original arithmetic; runs never approach
    // 2^31 pixels under the platform's bitmap ceiling.
    const std::uint32_t with = 1 + TriangleCost(n, codeLimit_);
    if (static_cast<std::int32_t>(with) < static_cast<std::int32_t>(n)) {
        PutCode(clearCode_);
        ResetCodeSpace();
        RunAfterClear(n);
        return;
    }
    for (std::uint32_t i = 0; i < n; ++i)
        PutDataCode(runPixel_);
}

void GifEncoder::RunByTable(std::uint32_t n)
{
    const std::uint32_t t = tableRun_;
    // n / t and n % t, without dividing for the short runs that are most common.
    std::uint32_t reps = n < t ? 0 : (n < 2 * t ? 1 : n / t);
    std::uint32_t left = n - reps * t;
    std::uint32_t extra = left > 0 ? 1 : 0;
    if (codeCount_ + reps + extra > codeLimit_) {
        reps = codeLimit_ - codeCount_;
        left = n - reps * t;
        extra = 1 + TriangleCost(left, codeLimit_);
    }
    if (1 + TriangleCost(n, codeLimit_) < reps + extra) {
        PutCode(clearCode_);
        ResetCodeSpace();
        RunAfterClear(n);
        return;
    }
    clearLimit_ = codeLimit_;
    for (std::uint32_t i = 0; i < reps; ++i)
        PutDataCode(runBase_ + t - 2);
    if (left > 0) {
        if (justCleared_)
            RunAfterClear(left);
        else if (left == 1)
            PutDataCode(runPixel_);
        else
            PutDataCode(runBase_ + left - 2);
    }
    RestoreClearLimit();
}

} // namespace pictaf
