#include "engine/LzwGifEncoder.h"

#include "engine/GifEncoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace pictaf {

namespace {

// Codes 0 to 4095 fit the format's 12 bits; the table is cleared instead of
// taking the code 4095 (see the header).
constexpr std::uint32_t kClearAt = 4095;

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

Status LzwGifEncoder::Encode(const IndexedImage& image, ByteSink& sink)
{
    const std::int32_t width = image.width();
    const std::int32_t height = image.height();
    if (width <= 0 || height <= 0 || width > 0xffff || height > 0xffff)
        return Status::BadSize;
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
    // An index the colour table can't name would stand for another string;
    // it is sent modulo the table size instead.
    const std::uint32_t mask = clear - 1;
    const int initialWidth = m + 1;
    std::uint32_t* const table = table_;
    std::memset(table, 0, sizeof table_);
    std::uint32_t* const recent = recent_;
    std::memset(recent, 0, sizeof recent_);

    CodeWriter out(sink);
    int width = initialWidth;
    // The decoder reads one bit more once the encoder's next free code reaches this.
    std::uint32_t widen = 1u << width;
    std::uint32_t next = first;
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
            if (const std::uint32_t seen = recent[code]; (seen >> 16) == p + 1) {
                code = seen & 0xffff;
                continue;
            }
            const std::uint32_t key = (code << 8) | p;
            std::uint32_t slot = Slot(key);
            std::uint32_t entry;
            while ((entry = table[slot]) != 0 && (entry >> kCodeBits) != key)
                slot = (slot + 1) & (kTableSize - 1);
            if (entry != 0) {
                const std::uint32_t longer = entry & ((1u << kCodeBits) - 1);
                recent[code] = ((p + 1) << 16) | longer;
                code = longer;
                continue;
            }
            out.put(code, width);
            if (next >= widen) {
                ++width;
                widen <<= 1;
            }
            if (next < kClearAt) {
                table[slot] = (key << kCodeBits) | next;
                recent[code] = ((p + 1) << 16) | next;
                ++next;
            } else {
                out.put(clear, width);
                std::memset(table, 0, sizeof table_);
                std::memset(recent, 0, sizeof recent_);
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
}

} // namespace pictaf
