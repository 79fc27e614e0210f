#include "DibBuilder.h"
#include "GifDecode.h"
#include "TempDir.h"
#include "TestBmp.h"

#include <engine/BmpWriter.h>
#include <engine/GifWriter.h>
#include <engine/Pipeline.h>

#include <gdi/GdiObjects.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include <csignal>
#include <sys/resource.h>

using namespace pictaf;
using namespace testdib;

namespace {

// A bitmap handle that deletes itself.
struct Bitmap {
    explicit Bitmap(const QImage& image) : handle(plat::CreateBitmapFromImage(image)) {}
    ~Bitmap() { plat::DeleteObject(handle); }
    plat::HGDIOBJ handle;
};

TargetRect rectOf(const QImage& image) { return TargetRect{0, 0, image.width(), image.height()}; }

QImage banner(int width, int height, int colours)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb((x / 7 * 37) % colours * 251 / colours, y * 255 / height, 60));
    return picture;
}

} // namespace

TEST(BmpWriter, threeByTwoIsSeventyEightBytesWithPaddedRows)
{
    TempDir dir;
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(qRgb(1, 2, 3));
    picture.setPixel(0, 1, qRgb(4, 5, 6));
    Bitmap bitmap(picture);
    ASSERT_EQ(WriteBmp(dir.file("out.bmp"), bitmap.handle), Status::Ok);
    Header h;
    h.width = 3;
    h.height = 2;
    h.imageSize = 24;
    Bytes info = h.bytes();
    std::fill(info.begin() + 24, info.begin() + 32, 0); // no resolution
    const Bytes want = concat({{'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0},
                               info,
                               {6, 5, 4, 3, 2, 1, 3, 2, 1, 0, 0, 0},   // bottom row first
                               {3, 2, 1, 3, 2, 1, 3, 2, 1, 0, 0, 0}}); // then the top row
    EXPECT_EQ(readFile(dir.file("out.bmp")), want);
}

TEST(BmpWriter, fourPixelsWideNeedNoPaddingAndReadBackEqual)
{
    TempDir dir;
    const QImage picture = banner(4, 3, 5);
    Bitmap bitmap(picture);
    ASSERT_EQ(WriteBmp(dir.file("out.bmp"), bitmap.handle), Status::Ok);
    EXPECT_EQ(readFile(dir.file("out.bmp")).size(), 54u + 3 * 12);
    const WorkBitmap back = LoadFileBitmap(dir.file("out.bmp"), 100, 100, 0, 0);
    ASSERT_NE(back, 0u);
    EXPECT_EQ(plat::LookupBitmap(back)->image, picture);
    plat::DeleteObject(back);
}

TEST(BmpWriter, replacesALongerFileCompletelyAndTouchesNothingOnFailure)
{
    TempDir dir;
    writeFile(dir.file("out.bmp"), Bytes(5000, 0xaa));
    Bitmap bitmap(banner(3, 2, 2));
    ASSERT_EQ(WriteBmp(dir.file("out.bmp"), bitmap.handle), Status::Ok);
    EXPECT_EQ(readFile(dir.file("out.bmp")).size(), 78u);

    writeFile(dir.file("keep.bmp"), Bytes(10, 1));
    EXPECT_EQ(WriteBmp(dir.file("keep.bmp"), 0), Status::BadHandle);
    EXPECT_EQ(readFile(dir.file("keep.bmp")), Bytes(10, 1));
    EXPECT_EQ(WriteBmp(dir.file("no/such/folder.bmp"), bitmap.handle), Status::CannotOpenOutput);
}

TEST(GifWriter, everyBmpLayoutConvertsToAGifShowingTheSamePicture)
{
    TempDir dir;
    QImage picture(21, 9, QImage::Format_RGB32);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 21; ++x)
            picture.setPixel(x, y, (x + y) % 5 == 0 ? qRgb(255, 255, 255) : x < 10 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    for (BmpFormat f : {BmpFormat::Pal4, BmpFormat::Pal8, BmpFormat::Rgb555, BmpFormat::Rgb24, BmpFormat::Rgb24TopDown,
                        BmpFormat::Rgb32, BmpFormat::Rle8, BmpFormat::Rle4, BmpFormat::Core24}) {
        SCOPED_TRACE(name(f));
        writeFile(dir.file("in.bmp"), encodeBmp(picture, f));
        const WorkBitmap bitmap = LoadFileBitmap(dir.file("in.bmp"), 100, 100, 3, 0xFFFFFF);
        ASSERT_NE(bitmap, 0u);
        EXPECT_EQ(WriteGif(dir.file("out.gif"), bitmap, rectOf(picture), 3, 0xFFFFFF), Status::Ok);
        plat::DeleteObject(bitmap);
        const testgif::Decoded gif = testgif::decode(readFile(dir.file("out.gif")));
        testgif::expectSamePicture(gif, picture);
        EXPECT_EQ(gif.transparent, 0);
        EXPECT_TRUE(gif.interlaced);
        EXPECT_EQ(gif.colours.at(0), qRgb(255, 255, 255));
    }
}

TEST(GifWriter, withoutTransparencyWritesGif87aWithNoExtension)
{
    TempDir dir;
    const QImage picture = banner(50, 20, 8);
    Bitmap bitmap(picture);
    ASSERT_EQ(WriteGif(dir.file("out.gif"), bitmap.handle, rectOf(picture), 0, 0x00FF00), Status::Ok);
    const Bytes bytes = readFile(dir.file("out.gif"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF87a");
    const testgif::Decoded gif = testgif::decode(bytes);
    EXPECT_EQ(gif.transparent, -1);
    EXPECT_FALSE(gif.interlaced);
    EXPECT_EQ(gif.colours.at(0), qRgb(0, 255, 0)); // bgColor is entry 0 even when unused
    testgif::expectSamePicture(gif, picture);
}

TEST(GifWriter, photographLikePictureKeepsTheFirstColoursExactly)
{
    TempDir dir;
    std::mt19937 random(1);
    QImage picture(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            picture.setPixel(x, y, qRgb(x * 4, y * 4, static_cast<int>(random() % 256)));
    Bitmap bitmap(picture);
    ASSERT_EQ(WriteGif(dir.file("out.gif"), bitmap.handle, rectOf(picture), 2, 0xFFFFFF), Status::Ok);
    const testgif::Decoded gif = testgif::decode(readFile(dir.file("out.gif")));
    ASSERT_TRUE(gif.ok);
    EXPECT_EQ(gif.colours.size(), 256u);
    // The bottom row is met first: its 64 colours all have entries of their own.
    for (int x = 0; x < 64; ++x)
        EXPECT_EQ(gif.colourAt(x, 63), picture.pixel(x, 63));
}

TEST(GifWriter, shorterGifOverALongerFileLeavesNoStaleTail)
{
    TempDir dir;
    Bytes old(20000, 0x5a);
    writeFile(dir.file("out.gif"), old);
    const QImage picture = banner(10, 10, 3);
    Bitmap bitmap(picture);
    ASSERT_EQ(WriteGif(dir.file("out.gif"), bitmap.handle, rectOf(picture), 3, 0xFFFFFF), Status::Ok);
    const Bytes bytes = readFile(dir.file("out.gif"));
    ASSERT_LT(bytes.size(), old.size());
    EXPECT_EQ(bytes.back(), 0x3b); // the trailer is the last byte
    testgif::expectSamePicture(testgif::decode(bytes), picture);
}

TEST(GifWriter, sizesBeyondSixteenBitsWriteNothing)
{
    TempDir dir;
    const plat::HGDIOBJ wide = plat::CreateCompatibleBitmap(65536, 1);
    ASSERT_NE(wide, 0u);
    EXPECT_EQ(WriteGif(dir.file("wide.gif"), wide, TargetRect{0, 0, 65536, 1}, 3, 0xFFFFFF), Status::TooLargeForGif);
    EXPECT_FALSE(std::filesystem::exists(dir.file("wide.gif")));
    writeFile(dir.file("kept.gif"), Bytes(7, 7));
    EXPECT_EQ(WriteGif(dir.file("kept.gif"), wide, TargetRect{0, 0, 65536, 1}, 3, 0xFFFFFF), Status::TooLargeForGif);
    EXPECT_EQ(readFile(dir.file("kept.gif")), Bytes(7, 7));
    plat::DeleteObject(wide);

    const plat::HGDIOBJ widest = plat::CreateCompatibleBitmap(65535, 2);
    EXPECT_EQ(WriteGif(dir.file("widest.gif"), widest, TargetRect{0, 0, 65535, 2}, 3, 0xFFFFFF), Status::Ok);
    EXPECT_TRUE(testgif::decode(readFile(dir.file("widest.gif"))).ok);
    plat::DeleteObject(widest);
}

TEST(GifWriter, failuresBeforeWritingLeaveNoFile)
{
    TempDir dir;
    const QImage picture = banner(8, 8, 2);
    Bitmap bitmap(picture);
    EXPECT_EQ(WriteGif(dir.file("a.gif"), 0, rectOf(picture), 3, 0), Status::BadHandle);
    EXPECT_EQ(WriteGif(dir.file("b.gif"), bitmap.handle, TargetRect{0, 0, 9, 8}, 3, 0), Status::BadSize);
    EXPECT_EQ(WriteGif(dir.file("c.gif"), bitmap.handle, TargetRect{0, 0, 0, 8}, 3, 0), Status::BadSize);
    EXPECT_EQ(WriteGif(dir.file("no/such/d.gif"), bitmap.handle, rectOf(picture), 3, 0), Status::CannotOpenOutput);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(GifWriter, aFailedWriteIsReportedAndTheDeviceKept)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full to fail writes on";
    const QImage picture = banner(300, 300, 200);
    Bitmap bitmap(picture);
    EXPECT_EQ(WriteGif("/dev/full", bitmap.handle, rectOf(picture), 3, 0), Status::NoSpace);
    EXPECT_EQ(WriteBmp("/dev/full", bitmap.handle), Status::NoSpace);
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));
}

TEST(GifWriter, aFileCutShortByTheSystemIsRemovedNotLeftHalfWritten)
{
    // A file-size limit makes the system refuse the write past 4 KB, the way
    // a full disk would; the writers must report it and leave no file.
    TempDir dir;
    const QImage picture = banner(400, 300, 250);
    Bitmap bitmap(picture);
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const Status gif = WriteGif(dir.file("cut.gif"), bitmap.handle, rectOf(picture), 3, 0xFFFFFF);
    const Status bmp = WriteBmp(dir.file("cut.bmp"), bitmap.handle);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(gif, Status::WriteFailed);
    EXPECT_EQ(bmp, Status::WriteFailed);
    EXPECT_FALSE(std::filesystem::exists(dir.file("cut.gif")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("cut.bmp")));
}
