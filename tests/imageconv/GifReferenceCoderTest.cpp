// The GIF coder against a deliberately plain rendering of its definition: one
// pixel at a time through NextPixel, one byte at a time into a 255-byte block,
// TriangleCost by IntSqrt. The encoder's fast paths (whole runs per row,
// 64-bit bit packing, bulk sub-blocks, a floating-point first guess for the
// root) must give the same bytes on every picture.
#include <engine/ByteSink.h>
#include <engine/GifEncoder.h>
#include <engine/IndexedImage.h>

#include <gtest/gtest.h>

#include <random>

using namespace pictaf;
using Bytes = std::vector<std::uint8_t>;

namespace {

class ReferenceCoder {
public:
    explicit ReferenceCoder(const IndexedImage& image) : image_(image) {}

    Bytes codeStream()
    {
        const int b = GifEncoder::ColourBits(image_.colourCount());
        const int w0 = (b < 2 ? 2 : b) + 1;
        w0_ = w0;
        clear_ = 1u << (w0 - 1);
        runBase_ = clear_ + 2;
        initialBump_ = clear_ - 1;
        initialClear_ = w0 <= 3 ? 9 : clear_ - 2;
        codeLimit_ = 4093 - clear_;
        left_ = static_cast<std::uint64_t>(image_.width()) * image_.height();
        interlaced_ = image_.interlaced();
        reset();
        putCode(clear_);
        std::uint32_t c;
        while (nextPixel(c)) {
            if (runLength_ > 0 && c != runPixel_)
                flushRun();
            if (c == runPixel_) {
                ++runLength_;
            } else {
                runPixel_ = c;
                runLength_ = 1;
            }
        }
        if (runLength_ > 0)
            flushRun();
        putCode(clear_ + 1);
        if (bitCount_ > 0)
            putByte(static_cast<std::uint8_t>(bitBuffer_ & 0xff));
        if (!block_.empty())
            writeBlock();
        return out_;
    }

private:
    bool nextPixel(std::uint32_t& c)
    {
        if (left_ == 0)
            return false;
        --left_;
        c = image_.PixelAt(x_, y_);
        if (++x_ < image_.width())
            return true;
        x_ = 0;
        if (!interlaced_) {
            ++y_;
            return true;
        }
        static const int step[4] = {8, 8, 4, 2}, first[4] = {0, 4, 2, 1};
        y_ += step[pass_];
        while (y_ >= image_.height() && pass_ < 3)
            y_ = first[++pass_];
        return true;
    }
    void reset()
    {
        width_ = w0_;
        bump_ = initialBump_;
        clearLimit_ = initialClear_;
        count_ = 0;
        tableRun_ = 0;
        justCleared_ = true;
    }
    void putByte(std::uint8_t v)
    {
        block_.push_back(v);
        if (block_.size() == 255)
            writeBlock();
    }
    void writeBlock()
    {
        out_.push_back(static_cast<std::uint8_t>(block_.size()));
        out_.insert(out_.end(), block_.begin(), block_.end());
        block_.clear();
    }
    void putCode(std::uint32_t code)
    {
        bitBuffer_ |= code << bitCount_;
        bitCount_ += width_;
        while (bitCount_ >= 8) {
            putByte(static_cast<std::uint8_t>(bitBuffer_ & 0xff));
            bitBuffer_ >>= 8;
            bitCount_ -= 8;
        }
    }
    void putData(std::uint32_t code)
    {
        justCleared_ = false;
        putCode(code);
        if (++count_ >= bump_) {
            ++width_;
            bump_ += 1u << (width_ - 1);
        }
        if (count_ >= clearLimit_) {
            putCode(clear_);
            reset();
        }
    }
    static std::uint32_t triangle(std::uint32_t count, std::uint32_t codes)
    {
        const std::uint32_t per = codes * (codes + 1) / 2;
        std::uint32_t cost = 0;
        while (count >= per) {
            cost += codes;
            count -= per;
        }
        if (count > 0) {
            std::uint32_t r = GifEncoder::IntSqrt(count);
            while (r * (r + 1) >= 2 * count)
                --r;
            while (r * (r + 1) < 2 * count)
                ++r;
            cost += r;
        }
        return cost;
    }
    void restoreClearLimit()
    {
        clearLimit_ = initialClear_;
        if (count_ >= clearLimit_) {
            putCode(clear_);
            reset();
        }
    }
    void afterClear(std::uint32_t n)
    {
        const std::uint32_t p = runPixel_;
        clearLimit_ = codeLimit_;
        tablePixel_ = p;
        for (std::uint32_t k = 1; n > 0; k = count_ == 0 ? 1 : k + 1) {
            if (k == 1) {
                tableRun_ = 1;
                putData(p);
                n -= 1;
            } else if (n >= k) {
                tableRun_ = k;
                putData(runBase_ + k - 2);
                n -= k;
            } else {
                ++tableRun_;
                putData(n == 1 ? p : runBase_ + n - 2);
                n = 0;
            }
        }
        restoreClearLimit();
    }
    void flushRun()
    {
        const std::uint32_t n = runLength_, p = runPixel_;
        runLength_ = 0;
        if (n == 1) {
            putData(p);
        } else if (justCleared_) {
            afterClear(n);
        } else if (tableRun_ < 2 || tablePixel_ != p) {
            if (static_cast<std::int32_t>(1 + triangle(n, codeLimit_)) < static_cast<std::int32_t>(n)) {
                putCode(clear_);
                reset();
                afterClear(n);
            } else {
                for (std::uint32_t i = 0; i < n; ++i)
                    putData(p);
            }
        } else {
            const std::uint32_t t = tableRun_;
            std::uint32_t reps = n / t, left = n % t, extra = left > 0;
            if (count_ + reps + extra > codeLimit_) {
                reps = codeLimit_ - count_;
                left = n - reps * t;
                extra = 1 + triangle(left, codeLimit_);
            }
            if (1 + triangle(n, codeLimit_) < reps + extra) {
                putCode(clear_);
                reset();
                afterClear(n);
                return;
            }
            clearLimit_ = codeLimit_;
            for (std::uint32_t i = 0; i < reps; ++i)
                putData(runBase_ + t - 2);
            if (left > 0) {
                if (justCleared_)
                    afterClear(left);
                else
                    putData(left == 1 ? p : runBase_ + left - 2);
            }
            restoreClearLimit();
        }
    }

    const IndexedImage& image_;
    Bytes out_, block_;
    std::uint64_t left_ = 0;
    int x_ = 0, y_ = 0, pass_ = 0;
    bool interlaced_ = false;
    int w0_ = 0, width_ = 0, bitCount_ = 0;
    std::uint32_t bitBuffer_ = 0, clear_ = 0, runBase_ = 0, initialBump_ = 0, initialClear_ = 0, codeLimit_ = 0;
    std::uint32_t bump_ = 0, clearLimit_ = 0, count_ = 0, tableRun_ = 0, tablePixel_ = 0;
    std::uint32_t runPixel_ = 0, runLength_ = 0;
    bool justCleared_ = false;
};

// The image data of an encoded file: from the minimum code size byte's
// successor up to (not including) the block terminator.
Bytes imageData(const Bytes& gif)
{
    std::size_t at = 13 + 3 * (std::size_t{1} << ((gif.at(10) & 7) + 1));
    if (gif.at(at) == 0x21)
        at += 8;
    at += 11;
    return Bytes(gif.begin() + static_cast<long>(at), gif.end() - 2);
}

} // namespace

TEST(GifReferenceCoder, fastEncoderGivesTheDefinitionsBytes)
{
    struct Case {
        const char* name;
        int width, height, colours, maxRun;
        bool interlaced;
    };
    const std::vector<Case> cases = {
        {"single pixels, 2 colours", 64, 64, 2, 1, false},
        {"single pixels, 256 colours, interlaced", 150, 37, 256, 1, true},
        {"short runs, 4 colours", 300, 100, 4, 5, false},
        {"runs up to 40, 9 colours, interlaced", 257, 129, 9, 40, true},
        {"long runs, 3 colours", 1000, 300, 3, 5000, false},
        {"very long runs, 2 colours", 2000, 1000, 2, 400000, true},
        {"one colour", 4096, 2100, 1, 1 << 30, false},
        {"one pixel", 1, 1, 1, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::mt19937 random(static_cast<unsigned>(c.width * 31 + c.height));
        auto image = IndexedImage::CreateIndexedImage(c.width, c.height);
        for (int i = 0; i < c.colours; ++i)
            image->AddColour(i, 0, 0);
        image->SetInterlaced(c.interlaced);
        int value = 0;
        long left = 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                if (left == 0) {
                    value = static_cast<int>(random() % static_cast<unsigned>(c.colours));
                    left = 1 + static_cast<long>(random() % static_cast<unsigned>(c.maxRun));
                }
                --left;
                image->PutPixel(x, y, value);
            }
        MemorySink sink;
        ASSERT_EQ(GifEncoder().Encode(*image, sink), Status::Ok);
        const Bytes got = imageData(sink.bytes());
        const Bytes want = ReferenceCoder(*image).codeStream();
        ASSERT_EQ(got.size(), want.size());
        EXPECT_TRUE(got == want);
    }
}
