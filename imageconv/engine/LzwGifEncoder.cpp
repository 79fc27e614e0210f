#include "engine/LzwGifEncoder.h"

#include "engine/GifEncoder.h"

#include <gdi/LargeBuffer.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace pictaf {

namespace {

// Codes 0 to 4095 fit the format's 12 bits; the table is cleared instead of
// taking the code 4095 (see the header).
constexpr std::uint32_t kClearAt = 4095;
constexpr int kMaxCodeWidth = 12;

// Codes packed least significant bit first, the bytes cut into sub-blocks of
// 255 (a length byte, then the bytes), only the last one shorter.
class CodeWriter {
public:
    explicit CodeWriter(ByteSink& sink) : sink_(sink) {}

    [[gnu::always_inline]] void put(std::uint32_t code, int width)
    {
        bits_ |= std::uint64_t{code} << count_;
        count_ += width;
        if (count_ >= 32) {
            const auto word = static_cast<std::uint32_t>(bits_);
            std::uint8_t* at = data_ + length_;
            at[0] = static_cast<std::uint8_t>(word);
            at[1] = static_cast<std::uint8_t>(word >> 8);
            at[2] = static_cast<std::uint8_t>(word >> 16);
            at[3] = static_cast<std::uint8_t>(word >> 24);
            length_ += 4;
            bits_ >>= 32;
            count_ -= 32;
            if (length_ >= kFlush)
                writeBlocks(false);
        }
    }

    void finish()
    {
        for (; count_ > 0; count_ -= 8) { // the last byte may be partly filled
            data_[length_++] = static_cast<std::uint8_t>(bits_);
            bits_ >>= 8;
        }
        writeBlocks(true);
    }

private:
    void writeBlocks(bool last)
    {
        std::size_t done = 0;
        std::size_t out = 0;
        while (length_ - done >= 255 || (last && length_ > done)) {
            const std::size_t n = std::min<std::size_t>(255, length_ - done);
            blocks_[out++] = static_cast<std::uint8_t>(n);
            std::memcpy(blocks_ + out, data_ + done, n);
            out += n;
            done += n;
        }
        sink_.write(blocks_, out);
        std::memmove(data_, data_ + done, length_ - done);
        length_ -= done;
    }

    static constexpr std::size_t kFlush = 255 * 32;
    ByteSink& sink_;
    std::uint64_t bits_ = 0;
    int count_ = 0;
    std::size_t length_ = 0;
    std::uint8_t data_[kFlush + 8];
    std::uint8_t blocks_[kFlush + kFlush / 255 + 8];
};

} // namespace

LzwGifEncoder::~LzwGifEncoder()
{
    plat::FreeLarge(child_, childBytes_);
}

bool LzwGifEncoder::Reserve(int minimumCodeSize)
{
    if (child_ && childShift_ == minimumCodeSize)
        return true;
    plat::FreeLarge(child_, childBytes_);
    child_ = nullptr;
    const std::size_t bytes = (std::size_t{1} << (kMaxCodeWidth + minimumCodeSize)) * sizeof(std::uint16_t);
    // Zeroed either way, and without a pass over the memory: large blocks
    // come zero from the system, and calloc knows when its memory already is.
    void* block = bytes < plat::kLargeBufferThreshold ? std::calloc(1, bytes) : plat::AllocateLarge(bytes);
    if (!block)
        return false;
    child_ = static_cast<std::uint16_t*>(block);
    childBytes_ = bytes;
    childShift_ = minimumCodeSize;
    return true;
}

Status LzwGifEncoder::Encode(const IndexedImage& image, ByteSink& sink)
{
    const std::int32_t width = image.width();
    const std::int32_t height = image.height();
    if (width <= 0 || height <= 0 || width > 0xffff || height > 0xffff)
        return Status::BadSize;
    const int b = GifEncoder::ColourBits(image.colourCount());
    if (!Reserve(b < 2 ? 2 : b))
        return Status::OutOfMemory;
    const int minimumCodeSize = GifEncoder::WriteHeader(image, sink);
    Compress(image, minimumCodeSize, sink);
    GifEncoder::WriteTrailer(sink);
    return sink.failed() ? Status::WriteFailed : Status::Ok;
}

void LzwGifEncoder::Compress(const IndexedImage& image, int minimumCodeSize, ByteSink& sink)
{
    const int m = minimumCodeSize;
    const std::uint32_t clear = 1u << m;
    const std::uint32_t end = clear + 1;
    const std::uint32_t first = clear + 2;
    // An index the colour table can't name would land in another string's
    // slots; it is sent modulo the table size instead.
    const std::uint32_t mask = clear - 1;
    const int initialWidth = m + 1;
    std::uint16_t* const child = child_;
    std::uint32_t slotOf[1u << kMaxCodeWidth]; // where each code was entered, to empty the table again

    CodeWriter out(sink);
    int width = initialWidth;
    // The decoder reads one bit more once the encoder's next free code reaches this.
    std::uint32_t widen = 1u << width;
    std::uint32_t next = first;
    const auto emptyTable = [&] {
        for (std::uint32_t c = first; c < next; ++c)
            child[slotOf[c]] = 0;
    };
    out.put(clear, width);

    const std::int32_t columns = image.width();
    bool started = false;
    std::uint32_t code = 0; // the string matched so far
    for (const std::int32_t y : GifEncoder::RowOrder(image.height(), image.interlaced())) {
        const std::uint8_t* row = image.row(y);
        std::int32_t x = 0;
        if (!started) {
            code = row[0] & mask;
            x = 1;
            started = true;
        }
        for (; x < columns; ++x) {
            const std::uint32_t p = row[x] & mask;
            const std::uint32_t slot = (code << m) | p;
            if (const std::uint16_t longer = child[slot]; longer != 0) {
                code = longer;
                continue;
            }
            out.put(code, width);
            if (next >= widen) {
                ++width;
                widen <<= 1;
            }
            if (next < kClearAt) {
                child[slot] = static_cast<std::uint16_t>(next);
                slotOf[next] = slot;
                ++next;
            } else {
                out.put(clear, width);
                emptyTable();
                next = first;
                width = initialWidth;
                widen = 1u << width;
            }
            code = p;
        }
    }
    out.put(code, width);
    if (next >= widen)
        ++width;
    out.put(end, width);
    out.finish();
    emptyTable();
}

} // namespace pictaf
