// The compact (LZW) GIF coder: same file as the run-length coder but for the
// image data, which giflib must read back to the same indices, and which must
// be the very code stream giflib's own encoder makes of those indices.
#include "GifDecode.h"
#include "TempDir.h"

#include <engine/ByteSink.h>
#include <engine/GifEncoder.h>
#include <engine/GifWriter.h>
#include <engine/IndexedImage.h>
#include <engine/LzwGifEncoder.h>

#include <gdi/GdiObjects.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <random>
#include <sys/resource.h>

using namespace pictaf;
using Bytes = std::vector<std::uint8_t>;

namespace {

std::unique_ptr<IndexedImage> makeImage(int width, int height, int colours, const std::function<int(int, int)>& fill)
{
    auto image = IndexedImage::CreateIndexedImage(width, height);
    for (int i = 0; i < colours; ++i)
        image->AddColour(i, 255 - i, i / 2);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image->PutPixel(x, y, fill(x, y));
    return image;
}

Bytes encodeCompact(const IndexedImage& image)
{
    MemorySink sink;
    EXPECT_EQ(LzwGifEncoder().Encode(image, sink), Status::Ok);
    return sink.take();
}

Bytes encodeRunLength(const IndexedImage& image)
{
    MemorySink sink;
    EXPECT_EQ(GifEncoder().Encode(image, sink), Status::Ok);
    return sink.take();
}

int appendBytes(GifFileType* gif, const GifByteType* data, int count)
{
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + count);
    return count;
}

// giflib's encoder on the same indices, rows in the same send order.
Bytes encodeWithGiflib(const IndexedImage& image)
{
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendBytes, &error);
    const int bits = GifEncoder::ColourBits(image.colourCount());
    ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
    EGifPutScreenDesc(gif, image.width(), image.height(), bits, 0, map);
    EGifPutImageDesc(gif, 0, 0, image.width(), image.height(), image.interlaced(), nullptr);
    Bytes line(static_cast<std::size_t>(image.width()));
    for (const std::int32_t y : GifEncoder::RowOrder(image.height(), image.interlaced())) {
        std::copy(image.row(y), image.row(y) + image.width(), line.begin());
        EXPECT_EQ(EGifPutLine(gif, line.data(), image.width()), GIF_OK);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

// Where the image data starts (the minimum code size byte) and ends (after
// the block terminator).
std::pair<std::size_t, std::size_t> imageData(const Bytes& gif)
{
    std::size_t at = 13 + 3 * (std::size_t{1} << ((gif.at(10) & 7) + 1));
    if (gif.at(at) == 0x21)
        at += 8; // graphic control extension
    at += 10;    // image descriptor
    const std::size_t start = at++;
    while (const std::size_t n = gif.at(at++))
        at += n;
    return {start, at};
}

Bytes dataOf(const Bytes& gif)
{
    const auto [start, end] = imageData(gif);
    return Bytes(gif.begin() + static_cast<long>(start), gif.begin() + static_cast<long>(end));
}

// Everything a compact file must share with the run-length coder's, and the
// code stream it must share with giflib's.
void expectCompactFile(const IndexedImage& image)
{
    const Bytes compact = encodeCompact(image);
    const Bytes plain = encodeRunLength(image);
    const auto [start, end] = imageData(compact);
    ASSERT_EQ(start, imageData(plain).first);
    EXPECT_TRUE(std::equal(compact.begin(), compact.begin() + static_cast<long>(start) + 1, plain.begin()))
        << "header, colour table, extension and descriptor differ";
    ASSERT_EQ(end + 1, compact.size());
    EXPECT_EQ(compact.back(), 0x3b);

    const testgif::Decoded fromCompact = testgif::decode(compact);
    const testgif::Decoded fromPlain = testgif::decode(plain);
    ASSERT_TRUE(fromCompact.ok);
    ASSERT_TRUE(fromPlain.ok);
    EXPECT_EQ(fromCompact.colours, fromPlain.colours);
    EXPECT_EQ(fromCompact.transparent, fromPlain.transparent);
    EXPECT_EQ(fromCompact.interlaced, image.interlaced());
    std::size_t wrong = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * image.width() + x;
            wrong += fromCompact.indices.at(i) != image.PixelAt(x, y) || fromPlain.indices.at(i) != image.PixelAt(x, y);
        }
    EXPECT_EQ(wrong, 0u);

    EXPECT_EQ(dataOf(compact), dataOf(encodeWithGiflib(image))) << "the code stream is not giflib's";
}

struct Case {
    std::string name;
    int width, height, colours;
    std::function<int(int, int)> fill;
    bool interlaced = false;
    bool transparent = false;
};

std::vector<Case> pictures()
{
    auto random = std::make_shared<std::mt19937>(5);
    auto noise = [random](int colours) {
        return [random, colours](int, int) { return static_cast<int>((*random)() % static_cast<unsigned>(colours)); };
    };
    return {
        {"flat banner, 20 colours", 468, 60, 20, [](int x, int y) { return (x / 32 + y / 16) % 20; }, true, true},
        {"photograph-like, 256 colours", 320, 240, 256,
         [random](int x, int y) { return (x + y + static_cast<int>((*random)() % 24)) % 256; }, false, true},
        {"one pixel, one colour", 1, 1, 1, [](int, int) { return 0; }},
        {"one pixel, 256 colours", 1, 1, 256, [](int, int) { return 255; }, true, true},
        {"2 colours, noise", 97, 31, 2, noise(2)},
        {"4 colours, noise, interlaced", 64, 45, 4, noise(4), true},
        {"16 colours, noise", 200, 100, 16, noise(16), false, true},
        {"256 colours, noise, many table clears", 400, 400, 256, noise(256), true},
        {"3 colours, stripes", 255, 257, 3, [](int x, int y) { return (x / 3 + y) % 3; }},
        {"2 colours, long strings over table clears", 1500, 1000, 2,
         [](int x, int y) { return (x * 7 + y * 3) % 11 < 2 ? 1 : 0; }},
        {"one colour, strings beyond one table", 3000, 3000, 1, [](int, int) { return 0; }},
        {"a column", 1, 300, 5, [](int, int y) { return y % 5; }, true},
    };
}

} // namespace

TEST(LzwGifEncoder, sevenPixelsOfTwoColoursAreWrittenByteForByte)
{
    // 0 1 0 1 0 1 0: clear 4; 0; 1 (enters 6 = 01); 6 (enters 7 = 10, 8 = 010
    // next, so the codes widen to 4 bits); 8; end 5.
    auto image = makeImage(7, 1, 2, [](int x, int) { return x % 2; });
    const Bytes want = {
        'G',  'I',  'F',  '8',  '7', 'a', 7, 0, 1, 0,    0x80, 0, 0, //
        0,    255,  0,    1,    254, 0,                              // colour table
        0x2c, 0,    0,    0,    0,   7,   0, 1, 0, 0x00,             // image descriptor
        2,                                                           // minimum code size
        3,    0x44, 0x8c, 0x05,                                      // 4 0 1 6 in 3 bits, 8 5 in 4 bits
        0x00, 0x3b,
    };
    EXPECT_EQ(encodeCompact(*image), want);
}

TEST(LzwGifEncoder, picturesOfEveryKindDecodeToTheSameIndicesAsTheRunLengthCoder)
{
    for (const Case& c : pictures()) {
        SCOPED_TRACE(c.name);
        auto image = makeImage(c.width, c.height, c.colours, c.fill);
        image->SetInterlaced(c.interlaced);
        if (c.transparent)
            image->SetTransparentIndex(0);
        expectCompactFile(*image);
    }
}

TEST(LzwGifEncoder, everyLengthOfAShortStreamEndsWithTheRightCodeWidth)
{
    // The end code follows the last data code at the width the decoder has
    // reached; lengths 1 to 600 end on every side of each widening.
    for (int colours : {2, 16, 256}) {
        std::mt19937 random(static_cast<unsigned>(colours));
        auto row = makeImage(600, 1, colours, [&](int, int) { return static_cast<int>(random() % 3); });
        for (int length = 1; length <= 600; ++length) {
            SCOPED_TRACE(std::to_string(colours) + " colours, " + std::to_string(length) + " pixels");
            auto image = makeImage(length, 1, colours, [&](int x, int) { return row->PixelAt(x, 0); });
            const Bytes compact = encodeCompact(*image);
            ASSERT_EQ(dataOf(compact), dataOf(encodeWithGiflib(*image)));
            const testgif::Decoded gif = testgif::decode(compact);
            ASSERT_TRUE(gif.ok);
            ASSERT_EQ(gif.indices, Bytes(image->row(0), image->row(0) + length));
        }
    }
}

TEST(LzwGifEncoder, oneEncoderReusedGivesWhatFreshOnesGive)
{
    std::vector<std::unique_ptr<IndexedImage>> images;
    for (const Case& c : pictures())
        if (c.width * c.height < 500000)
            images.push_back(makeImage(c.width, c.height, c.colours, c.fill));
    LzwGifEncoder reused;
    for (int round = 0; round < 2; ++round)
        for (const auto& image : images) {
            MemorySink sink;
            ASSERT_EQ(reused.Encode(*image, sink), Status::Ok);
            EXPECT_EQ(sink.bytes(), encodeCompact(*image)) << image->width() << "x" << image->height();
        }
}

TEST(LzwGifEncoder, flatPicturesComeOutSeveralTimesSmallerThanRunLength)
{
    auto image = makeImage(2048, 512, 40, [](int x, int y) { return ((x / 16) * 7 + (y / 32) * 3) % 40; });
    const std::size_t compact = encodeCompact(*image).size();
    const std::size_t plain = encodeRunLength(*image).size();
    EXPECT_LT(compact * 2, plain) << compact << " against " << plain;
}

TEST(LzwGifEncoder, refusesSizesGifCannotHoldAndWritesNothing)
{
    for (auto [w, h] : {std::pair{65536, 1}, std::pair{1, 65536}}) {
        auto image = IndexedImage::CreateIndexedImage(w, h);
        ASSERT_TRUE(image);
        MemorySink sink;
        EXPECT_EQ(LzwGifEncoder().Encode(*image, sink), Status::BadSize);
        EXPECT_TRUE(sink.bytes().empty());
    }
}

namespace {

struct Bitmap {
    explicit Bitmap(const QImage& image) : handle(plat::CreateBitmapFromImage(image)) {}
    ~Bitmap() { plat::DeleteObject(handle); }
    plat::HGDIOBJ handle;
};

TargetRect rectOf(const QImage& image) { return TargetRect{0, 0, image.width(), image.height()}; }

// Half background, half blocks with speckles: under 256 colours at the sizes
// used for pixel comparisons.
QImage picture(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    std::mt19937 random(9);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y,
                             x < width / 2
                                 ? qRgb(255, 255, 255)
                                 : qRgb(x / 16 * 25 % 256, y / 16 * 50 % 256, static_cast<int>(random() % 2) * 100));
    return picture;
}

} // namespace

TEST(CompactGifWriter, fileAndMemoryHoldTheSameGifShowingWhatWriteGifShows)
{
    TempDir dir;
    const QImage source = picture(301, 77);
    Bitmap bitmap(source);
    for (ConversionFlags flags : {0u, 1u, 2u, 3u}) {
        SCOPED_TRACE(flags);
        std::uint64_t size = 0;
        ASSERT_EQ(WriteCompactGif(dir.file("compact.gif"), bitmap.handle, rectOf(source), flags, 0xFFFFFF, &size),
                  Status::Ok);
        ASSERT_EQ(WriteGif(dir.file("plain.gif"), bitmap.handle, rectOf(source), flags, 0xFFFFFF), Status::Ok);
        const Bytes onDisk = readFile(dir.file("compact.gif"));
        EXPECT_EQ(size, onDisk.size());
        Bytes inMemory = {1, 2, 3};
        ASSERT_EQ(EncodeCompactGif(inMemory, bitmap.handle, rectOf(source), flags, 0xFFFFFF), Status::Ok);
        EXPECT_EQ(inMemory, onDisk);

        const testgif::Decoded compact = testgif::decode(onDisk);
        const testgif::Decoded plain = testgif::decode(readFile(dir.file("plain.gif")));
        testgif::expectSamePicture(compact, source);
        EXPECT_EQ(compact.indices, plain.indices);
        EXPECT_EQ(compact.colours, plain.colours);
        EXPECT_EQ(compact.transparent, plain.transparent);
        EXPECT_EQ(compact.interlaced, plain.interlaced);
        EXPECT_LT(onDisk.size(), readFile(dir.file("plain.gif")).size());
    }
}

TEST(CompactGifWriter, failuresLeaveNoFileAndNoBytes)
{
    TempDir dir;
    const QImage source = picture(400, 300);
    Bitmap bitmap(source);
    EXPECT_EQ(WriteCompactGif(dir.file("a.gif"), 0, rectOf(source), 3, 0), Status::BadHandle);
    EXPECT_EQ(WriteCompactGif(dir.file("b.gif"), bitmap.handle, TargetRect{0, 0, 401, 300}, 3, 0), Status::BadSize);
    EXPECT_EQ(WriteCompactGif(dir.file("no/such/c.gif"), bitmap.handle, rectOf(source), 3, 0),
              Status::CannotOpenOutput);
    Bytes out = {1, 2, 3};
    EXPECT_EQ(EncodeCompactGif(out, bitmap.handle, TargetRect{0, 0, 0, 300}, 3, 0), Status::BadSize);
    EXPECT_TRUE(out.empty());

    // A write the system cuts short, as on a full disk: reported, and the
    // part written removed.
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::uint64_t size = 12345;
    const Status cut = WriteCompactGif(dir.file("cut.gif"), bitmap.handle, rectOf(source), 3, 0xFFFFFF, &size);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(cut, Status::WriteFailed);
    EXPECT_EQ(size, 12345u);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}
