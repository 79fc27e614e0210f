#include "GifDecode.h"

#include <engine/ByteSink.h>
#include <engine/GifEncoder.h>
#include <engine/IndexedImage.h>
#include <engine/OutputFile.h>

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <thread>

using namespace pictaf;
using Bytes = std::vector<std::uint8_t>;

namespace {

// An image with colours 0..colours-1 (grey levels) filled by fill(x, y).
template <typename Fill>
std::unique_ptr<IndexedImage> makeImage(int width, int height, int colours, Fill fill)
{
    auto image = IndexedImage::CreateIndexedImage(width, height);
    for (int i = 0; i < colours; ++i)
        image->AddColour(i, i, i);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image->PutPixel(x, y, fill(x, y));
    return image;
}

Bytes encode(const IndexedImage& image)
{
    MemorySink sink;
    EXPECT_EQ(GifEncoder().Encode(image, sink), Status::Ok);
    return sink.bytes();
}

// Reads the code stream back the way a decoder sees it: sub-blocks joined,
// codes unpacked least significant bit first, the width starting at minimum
// code size + 1 and growing by one each time the next free table slot passes
// the largest code of the current width.
struct CodeStream {
    std::vector<std::uint32_t> codes;
    std::vector<int> blockLengths;
    std::size_t trailerAt = 0;
};

CodeStream readCodes(const Bytes& gif)
{
    CodeStream out;
    std::size_t at = 13 + 3 * (std::size_t{1} << ((gif.at(10) & 7) + 1));
    if (gif.at(at) == 0x21)
        at += 8; // graphic control extension
    at += 10;    // image descriptor
    const int minimum = gif.at(at++);
    Bytes data;
    while (const int n = gif.at(at++)) {
        out.blockLengths.push_back(n);
        data.insert(data.end(), gif.begin() + static_cast<long>(at), gif.begin() + static_cast<long>(at + n));
        at += static_cast<std::size_t>(n);
    }
    out.trailerAt = at;
    const std::uint32_t clear = 1u << minimum;
    int width = minimum + 1;
    std::uint32_t next = clear + 2;
    std::uint64_t bits = 0;
    int have = 0;
    std::size_t byte = 0;
    for (;;) {
        while (have < width && byte < data.size()) {
            bits |= std::uint64_t{data[byte++]} << have;
            have += 8;
        }
        if (have < width)
            break;
        const auto code = static_cast<std::uint32_t>(bits & ((1u << width) - 1));
        bits >>= width;
        have -= width;
        out.codes.push_back(code);
        if (code == clear + 1)
            break;
        if (code == clear) {
            width = minimum + 1;
            next = clear + 2;
            continue;
        }
        if (++next > (1u << width) && width < 12)
            ++width;
    }
    return out;
}

} // namespace

TEST(GifEncoder, thousandPixelRunIsFortyFiveDataCodes)
{
    for (int colours : {1, 3}) { // two- and four-entry tables: clear 4, run base 6
        SCOPED_TRACE(colours);
        const int p = colours - 1;
        auto image = makeImage(1000, 1, colours, [p](int, int) { return p; });
        std::vector<std::uint32_t> want = {4, static_cast<std::uint32_t>(p)};
        for (std::uint32_t code = 6; code <= 48; ++code)
            want.push_back(code);
        want.insert(want.end(), {14, 4, 5});
        EXPECT_EQ(readCodes(encode(*image)).codes, want);
    }
}

TEST(GifEncoder, singlePixelCodesForceAClearAtTheInitialClearLimit)
{
    // No runs at all: every pixel is one data code. With code width 3 the
    // clear comes after 9 codes; with wider codes after clear code - 2.
    auto small = makeImage(12, 1, 2, [](int x, int) { return x % 2; });
    EXPECT_EQ(readCodes(encode(*small)).codes,
              (std::vector<std::uint32_t>{4, 0, 1, 0, 1, 0, 1, 0, 1, 0, 4, 1, 0, 1, 5}));
    auto wider = makeImage(8, 1, 8, [](int x, int) { return x; }); // clear 8, limit 6
    EXPECT_EQ(readCodes(encode(*wider)).codes, (std::vector<std::uint32_t>{8, 0, 1, 2, 3, 4, 5, 8, 6, 7, 9}));
}

TEST(GifEncoder, oneColourImageIsWrittenByteForByte)
{
    auto image = IndexedImage::CreateIndexedImage(2, 2);
    image->AddColour(0x12, 0x34, 0x56); // bgColor, entry 0
    image->SetTransparentIndex(0);
    const Bytes want = {
        'G',  'I',  'F',  '8',  '9',  'a',  2,    0,    2, 0,    // logical screen 2 x 2
        0x80,                                                    // global table, 1 bit per colour
        0,    0,                                                 // background index, aspect
        0x12, 0x34, 0x56, 0,    0,    0,                         // table: bgColor and black
        0x21, 0xf9, 0x04, 0x01, 0x00, 0x00, 0x00, 0x00,          // transparent index 0
        0x2c, 0,    0,    0,    0,    2,    0,    2,    0, 0x00, // image descriptor, not interlaced
        2,                                                       // minimum code size
        2,    0x84, 0x51, // codes 4 0 6 0 (3 bits), 5 (4 bits): clear, p, pp, p, end
        0x00, 0x3b,
    };
    EXPECT_EQ(encode(*image), want);
}

TEST(GifEncoder, colourBitsFollowTheColourCount)
{
    const std::vector<std::pair<int, int>> table = {{0, 1},  {1, 1},  {2, 1},   {3, 2},   {4, 2},  {5, 3},
                                                    {16, 4}, {17, 5}, {129, 8}, {200, 8}, {256, 8}};
    for (auto [count, bits] : table)
        EXPECT_EQ(GifEncoder::ColourBits(count), bits) << count << " colours";
}

TEST(GifEncoder, tableSizeAndFlagsFollowColourBits)
{
    auto three = makeImage(3, 1, 3, [](int x, int) { return x; });
    const Bytes small = encode(*three);
    EXPECT_EQ(small[10], 0x91);      // 2 bits: resolution 1, size 1
    EXPECT_EQ(small[13 + 12], 0x2c); // 4 entries, no extension
    EXPECT_EQ(small[13 + 6], 2);     // entry 2 is the last colour in use
    EXPECT_EQ(small[13 + 9], 0);     // entry 3 is unused: black
    EXPECT_EQ(small[13 + 11], 0);
    EXPECT_EQ(std::string(small.begin(), small.begin() + 6), "GIF87a");

    auto many = makeImage(200, 1, 200, [](int x, int) { return x; });
    const Bytes large = encode(*many);
    EXPECT_EQ(large[10], 0xf7);
    EXPECT_EQ(large[13 + 768], 0x2c);
    EXPECT_EQ(large[13 + 768 + 10], 8); // minimum code size
}

TEST(GifEncoder, interlacedRowOrder)
{
    EXPECT_EQ(GifEncoder::RowOrder(10, true), (std::vector<std::int32_t>{0, 8, 4, 2, 6, 1, 3, 5, 7, 9}));
    EXPECT_EQ(GifEncoder::RowOrder(3, true), (std::vector<std::int32_t>{0, 2, 1}));
    EXPECT_EQ(GifEncoder::RowOrder(1, true), (std::vector<std::int32_t>{0}));
    EXPECT_EQ(GifEncoder::RowOrder(3, false), (std::vector<std::int32_t>{0, 1, 2}));
}

TEST(GifEncoder, interlacedImageSendsRowsInPassOrder)
{
    // Row y holds colour y, each row one pixel: the codes after the clear
    // are the row numbers in send order.
    auto image = makeImage(1, 10, 10, [](int, int y) { return y; });
    image->SetInterlaced(true);
    const Bytes gif = encode(*image);
    EXPECT_EQ(gif[13 + 48 + 9], 0x40);
    const auto codes = readCodes(gif).codes;
    ASSERT_GE(codes.size(), 11u);
    EXPECT_EQ(std::vector<std::uint32_t>(codes.begin() + 1, codes.begin() + 11),
              (std::vector<std::uint32_t>{0, 8, 4, 2, 6, 1, 3, 5, 7, 9}));
}

TEST(GifEncoder, subBlocksAreFullButTheLast)
{
    std::mt19937 random(7);
    auto image = makeImage(300, 40, 256, [&](int, int) { return static_cast<int>(random() & 0xff); });
    const CodeStream stream = readCodes(encode(*image));
    ASSERT_GT(stream.blockLengths.size(), 2u);
    for (std::size_t i = 0; i + 1 < stream.blockLengths.size(); ++i)
        ASSERT_EQ(stream.blockLengths[i], 255) << "block " << i;
    EXPECT_GT(stream.blockLengths.back(), 0);
}

TEST(GifEncoder, triangleCostIsTheShortestRunOfRuns)
{
    // The least r with 1 + 2 + ... + r >= count, while count fits one table.
    const std::uint32_t codes = 4093 - 4;
    std::uint32_t r = 0;
    for (std::uint32_t count = 1; count < 20000; ++count) {
        while (r * (r + 1) / 2 < count)
            ++r;
        ASSERT_EQ(GifEncoder::TriangleCost(count, codes), r) << count;
    }
    const std::uint32_t full = codes * (codes + 1) / 2;
    EXPECT_EQ(GifEncoder::TriangleCost(full, codes), codes);
    EXPECT_EQ(GifEncoder::TriangleCost(full + 1, codes), codes + 1);
    EXPECT_EQ(GifEncoder::TriangleCost(0, codes), 0u);
}

TEST(GifEncoder, refusesSizesGifCannotHoldAndWritesNothing)
{
    auto wide = IndexedImage::CreateIndexedImage(65536, 1);
    ASSERT_TRUE(wide);
    MemorySink sink;
    EXPECT_EQ(GifEncoder().Encode(*wide, sink), Status::BadSize);
    EXPECT_TRUE(sink.bytes().empty());
    auto high = IndexedImage::CreateIndexedImage(1, 65536);
    EXPECT_EQ(GifEncoder().Encode(*high, sink), Status::BadSize);
    EXPECT_TRUE(sink.bytes().empty());
    auto widest = IndexedImage::CreateIndexedImage(65535, 1);
    widest->AddColour(0, 0, 0);
    EXPECT_EQ(GifEncoder().Encode(*widest, sink), Status::Ok);
}

// Runs of random lengths over a few colours drive every path of the run
// coder (table reuse, clear-or-repeat, forced clears at the code limit);
// giflib must read back every index.
TEST(GifEncoder, giflibDecodesEveryRunPattern)
{
    struct Case {
        const char* name;
        int width, height, colours;
        int maxRun;
        bool interlaced;
    };
    const std::vector<Case> cases = {
        {"single pixels, 256 colours", 97, 31, 256, 1, false},
        {"short runs, 2 colours", 200, 50, 2, 6, false},
        {"mixed runs, 5 colours, interlaced", 333, 77, 5, 300, true},
        {"long runs, 16 colours", 640, 480, 16, 20000, false},
        {"runs over a full table, 3 colours", 2000, 400, 3, 200000, true},
        {"one colour, beyond one table of runs", 3000, 3000, 1, 1 << 30, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::mt19937 random(11);
        int value = 0;
        long left = 0;
        auto image = makeImage(c.width, c.height, c.colours, [&](int, int) {
            if (left == 0) {
                value = static_cast<int>(random() % static_cast<unsigned>(c.colours));
                left = 1 + static_cast<long>(random() % static_cast<unsigned>(c.maxRun));
            }
            --left;
            return value;
        });
        image->SetInterlaced(c.interlaced);
        const testgif::Decoded gif = testgif::decode(encode(*image));
        ASSERT_TRUE(gif.ok);
        ASSERT_EQ(gif.width, c.width);
        ASSERT_EQ(gif.height, c.height);
        EXPECT_EQ(gif.interlaced, c.interlaced);
        std::size_t wrong = 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                wrong += gif.indices[static_cast<std::size_t>(y) * c.width + x] != image->PixelAt(x, y);
        EXPECT_EQ(wrong, 0u);
    }
}

TEST(GifEncoder, encodersOnTwoThreadsDoNotDisturbEachOther)
{
    std::mt19937 random(3);
    auto first = makeImage(400, 300, 7, [&](int x, int) { return (x / 9 + static_cast<int>(random() % 2)) % 7; });
    auto second =
        makeImage(500, 200, 200, [&](int x, int y) { return (x * y + static_cast<int>(random() % 3)) % 200; });
    first->SetInterlaced(true);
    const Bytes wantFirst = encode(*first);
    const Bytes wantSecond = encode(*second);
    bool sameFirst = true, sameSecond = true;
    std::thread a([&] {
        for (int i = 0; i < 20; ++i)
            sameFirst &= encode(*first) == wantFirst;
    });
    std::thread b([&] {
        for (int i = 0; i < 20; ++i)
            sameSecond &= encode(*second) == wantSecond;
    });
    a.join();
    b.join();
    EXPECT_TRUE(sameFirst);
    EXPECT_TRUE(sameSecond);
}

TEST(GifEncoder, outputFileWithAOneByteBufferWritesTheSameBytes)
{
    auto image = makeImage(123, 45, 30, [](int x, int y) { return (x / 5 + y) % 30; });
    const Bytes inMemory = encode(*image);
    const std::string name = ::testing::TempDir() + "/one-byte-buffer.gif";
    OutputFile file(1);
    ASSERT_EQ(file.open(name), Status::Ok);
    ASSERT_EQ(GifEncoder().Encode(*image, file), Status::Ok);
    ASSERT_EQ(file.finish(), Status::Ok);
    std::FILE* f = std::fopen(name.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    Bytes onDisk(inMemory.size() + 16);
    onDisk.resize(std::fread(onDisk.data(), 1, onDisk.size(), f));
    std::fclose(f);
    std::remove(name.c_str());
    EXPECT_EQ(onDisk, inMemory);
}
