#include <engine/ColourMapper.h>
#include <engine/IndexedImage.h>
#include <engine/Pipeline.h>

#include <gdi/GdiObjects.h>

#include <gtest/gtest.h>

#include <random>

using namespace pictaf;

namespace {

PackedDib dibOf(const QImage& picture)
{
    const plat::HGDIOBJ bitmap = plat::CreateBitmapFromImage(picture);
    PackedDib dib = CaptureDib24(bitmap);
    plat::DeleteObject(bitmap);
    return dib;
}

std::unique_ptr<IndexedImage> mapped(const QImage& picture, ConversionFlags flags, std::uint32_t bgColor)
{
    auto image = IndexedImage::CreateIndexedImage(picture.width(), picture.height());
    EXPECT_EQ(MapDibToIndexed(dibOf(picture), *image, flags, bgColor), Status::Ok);
    return image;
}

// The mapping exactly as it is defined, one linear search after another and
// nothing remembered: the reference the cached mapper must match byte for byte.
std::unique_ptr<IndexedImage> mappedByDefinition(const QImage& picture, std::uint32_t bgColor)
{
    auto image = IndexedImage::CreateIndexedImage(picture.width(), picture.height());
    image->AddColour(bgColor & 0xff, (bgColor >> 8) & 0xff, (bgColor >> 16) & 0xff);
    for (int r = 0; r < picture.height(); ++r) {
        const int y = picture.height() - 1 - r;
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c = picture.pixel(x, y);
            const std::uint32_t key = (qBlue(c) << 16) | (qGreen(c) << 8) | qRed(c);
            if (key == bgColor)
                continue;
            int index = image->FindExactColour(qRed(c), qGreen(c), qBlue(c));
            if (index < 0)
                index = image->AddColour(qRed(c), qGreen(c), qBlue(c));
            if (index < 0)
                index = image->FindNearestColour(qRed(c), qGreen(c), qBlue(c));
            image->PutPixel(x, y, index);
        }
    }
    return image;
}

void expectSameImage(const IndexedImage& got, const IndexedImage& want)
{
    ASSERT_EQ(got.colourCount(), want.colourCount());
    for (int i = 0; i < got.colourCount(); ++i)
        ASSERT_TRUE(got.red(i) == want.red(i) && got.green(i) == want.green(i) && got.blue(i) == want.blue(i))
            << "colour " << i;
    int wrong = 0;
    for (int y = 0; y < got.height(); ++y)
        for (int x = 0; x < got.width(); ++x)
            if (got.PixelAt(x, y) != want.PixelAt(x, y) && ++wrong <= 5)
                ADD_FAILURE() << "(" << x << ", " << y << "): got " << int(got.PixelAt(x, y)) << ", want "
                              << int(want.PixelAt(x, y));
    EXPECT_EQ(wrong, 0);
}

} // namespace

TEST(IndexedImage, startsEmptyAndRefusesEmptySizes)
{
    auto image = IndexedImage::CreateIndexedImage(3, 2);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->colourCount(), 0);
    EXPECT_EQ(image->transparentIndex(), -1);
    EXPECT_FALSE(image->interlaced());
    EXPECT_EQ(image->PixelAt(2, 1), 0);
    EXPECT_FALSE(IndexedImage::CreateIndexedImage(0, 5));
    EXPECT_FALSE(IndexedImage::CreateIndexedImage(5, -1));
}

TEST(IndexedImage, tableHoldsTwoHundredFiftySixEntriesAndSearchesPreferLowIndices)
{
    auto image = IndexedImage::CreateIndexedImage(1, 1);
    EXPECT_EQ(image->FindNearestColour(1, 2, 3), -1);
    EXPECT_EQ(image->AddColour(10, 10, 10), 0);
    EXPECT_EQ(image->AddColour(30, 10, 10), 1);
    EXPECT_EQ(image->AddColour(10, 10, 10), 2); // duplicates are not looked for
    EXPECT_EQ(image->FindExactColour(10, 10, 10), 0);
    EXPECT_EQ(image->FindExactColour(10, 10, 11), -1);
    EXPECT_EQ(image->FindNearestColour(20, 10, 10), 0); // 100 from both 0 and 1
    EXPECT_EQ(image->FindNearestColour(21, 10, 10), 1);
    for (int i = 3; i < 256; ++i)
        ASSERT_EQ(image->AddColour(i, 0, 0), i);
    EXPECT_EQ(image->AddColour(1, 1, 1), -1);
    EXPECT_EQ(image->colourCount(), 256);
}

TEST(IndexedImage, pixelsOutsideTheImageAreIgnoredAndReadAsZero)
{
    auto image = IndexedImage::CreateIndexedImage(2, 2);
    image->PutPixel(1, 1, 0x1ff); // low 8 bits kept
    image->PutPixel(2, 0, 7);
    image->PutPixel(-1, 0, 7);
    EXPECT_EQ(image->PixelAt(1, 1), 0xff);
    EXPECT_EQ(image->PixelAt(2, 0), 0);
    EXPECT_EQ(image->PixelAt(0, -1), 0);
    EXPECT_EQ(image->PixelAt(0, 0), 0);
}

TEST(ColourMapping, backgroundOnlyPictureHasOneColourAndAllZeros)
{
    QImage picture(4, 3, QImage::Format_RGB32);
    picture.fill(qRgb(0x11, 0x22, 0x33));
    auto image = mapped(picture, kFlagTransparent | kFlagInterlaced, 0x332211);
    EXPECT_EQ(image->colourCount(), 1);
    EXPECT_EQ(image->red(0), 0x11);
    EXPECT_EQ(image->blue(0), 0x33);
    EXPECT_EQ(image->transparentIndex(), 0);
    EXPECT_TRUE(image->interlaced());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(image->PixelAt(x, y), 0);
    EXPECT_EQ(mapped(picture, 0, 0x332211)->transparentIndex(), -1);
    EXPECT_FALSE(mapped(picture, 0, 0x332211)->interlaced());
}

TEST(ColourMapping, coloursAreListedFromTheBottomRowUp)
{
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(0, 0, 255)); // top row: blue, green
    picture.setPixel(1, 0, qRgb(0, 255, 0));
    picture.setPixel(0, 1, qRgb(255, 0, 0)); // bottom row: red, white (bgColor)
    picture.setPixel(1, 1, qRgb(255, 255, 255));
    auto image = mapped(picture, 0, 0xFFFFFF);
    ASSERT_EQ(image->colourCount(), 4);
    EXPECT_EQ(image->red(1), 255);
    EXPECT_EQ(image->blue(2), 255);
    EXPECT_EQ(image->green(3), 255);
    EXPECT_EQ(image->PixelAt(0, 1), 1);
    EXPECT_EQ(image->PixelAt(1, 1), 0);
    EXPECT_EQ(image->PixelAt(0, 0), 2);
    EXPECT_EQ(image->PixelAt(1, 0), 3);
}

TEST(ColourMapping, backgroundWithItsHighByteSetMatchesByItsLowBytesOnly)
{
    QImage picture(3, 1, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(0x05, 0x00, 0x00)); // the low bytes of bgColor
    picture.setPixel(1, 0, qRgb(0x04, 0x00, 0x00)); // one bit off
    picture.setPixel(2, 0, qRgb(0x05, 0x00, 0x00));
    auto image = mapped(picture, kFlagTransparent, 0x80000005);
    ASSERT_EQ(image->colourCount(), 2);
    EXPECT_EQ(image->red(0), 0x05);
    EXPECT_EQ(image->green(0), 0);
    EXPECT_EQ(image->blue(0), 0);
    EXPECT_EQ(image->red(1), 0x04);
    EXPECT_EQ(image->PixelAt(0, 0), 0);
    EXPECT_EQ(image->PixelAt(1, 0), 1);
    EXPECT_EQ(image->PixelAt(2, 0), 0);
}

TEST(ColourMapping, threeHundredColoursKeepTheFirstTwoHundredFiftyFive)
{
    // One bottom row of 300 distinct colours, none of them bgColor (black).
    // The first 255 have even reds 2..254 (blue 9) on three green levels; the
    // last 45 have odd reds 3..91 on green 0, each exactly between two
    // entries (distance 1 from both), so the lower index must win.
    QImage picture(300, 1, QImage::Format_RGB32);
    for (int x = 0; x < 255; ++x)
        picture.setPixel(x, 0, qRgb(x % 127 * 2 + 2, x / 127 * 60, 9));
    for (int x = 255; x < 300; ++x)
        picture.setPixel(x, 0, qRgb(2 * (x - 255) + 3, 0, 9));
    auto image = mapped(picture, 0, 0x000000);
    ASSERT_EQ(image->colourCount(), 256);
    for (int x = 0; x < 255; ++x)
        ASSERT_EQ(image->PixelAt(x, 0), x + 1) << x;
    for (int x = 255; x < 300; ++x) {
        ASSERT_EQ(image->PixelAt(x, 0), x - 254) << x; // the entry of red - 1
        EXPECT_EQ(image->red(x - 254), qRed(picture.pixel(x, 0)) - 1);
    }
    expectSameImage(*image, *mappedByDefinition(picture, 0x000000));
}

TEST(ColourMapping, rememberedAnswersMatchTheDefinitionOnAPhotograph)
{
    // Smooth gradients with noise: tens of thousands of colours, most of them
    // answered by the nearest-colour search, with many ties between equal
    // entries that were added as duplicates of nothing.
    std::mt19937 random(5);
    QImage picture(256, 192, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y,
                             qRgb(std::clamp(x + static_cast<int>(random() % 24) - 12, 0, 255),
                                  std::clamp(y + static_cast<int>(random() % 24) - 12, 0, 255),
                                  (x * y / 97 + static_cast<int>(random() % 5)) & 0xff));
    for (std::uint32_t bg : {0xFFFFFFu, 0x808080u, 0x80000000u}) {
        SCOPED_TRACE(bg);
        const auto want = mappedByDefinition(picture, bg);
        expectSameImage(*mapped(picture, 0, bg), *want);
        // Straight from the bitmap, as the GIF writer maps: the same result.
        auto direct = IndexedImage::CreateIndexedImage(picture.width(), picture.height());
        ASSERT_EQ(MapBitmapToIndexed(picture, *direct, 0, bg), Status::Ok);
        expectSameImage(*direct, *want);
    }
}

TEST(ColourMapping, nearestAnswersStayExactFarFromATightClusterAndOnTies)
{
    // The table fills from a small corner of colour space (the bottom row),
    // so most colours are far from every entry and many entries are almost
    // equally near; mirrored pairs of entries make exact ties along the
    // plane red == blue, which the lower index must win.
    QImage picture(256, 128, QImage::Format_RGB32);
    const int bottom = picture.height() - 1;
    for (int x = 0; x < 128; ++x) {
        const int a = 200 + x % 16, c = 180 + x / 16;
        picture.setPixel(2 * x, bottom, qRgb(a, 40 + x % 5, c));
        picture.setPixel(2 * x + 1, bottom, qRgb(c, 40 + x % 5, a)); // the mirror image
    }
    std::mt19937 random(11);
    for (int y = 0; y < bottom; ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const int r = static_cast<int>(random() % 256);
            const int g = static_cast<int>(random() % 256);
            picture.setPixel(x, y, (x + y) % 2 ? qRgb(r, g, r) : qRgb(r, g, static_cast<int>(random() % 256)));
        }
    const auto want = mappedByDefinition(picture, 0x000000);
    ASSERT_EQ(want->colourCount(), 256);
    expectSameImage(*mapped(picture, 0, 0x000000), *want);
}

TEST(ColourMapping, refusesADibOfAnotherSize)
{
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    auto image = IndexedImage::CreateIndexedImage(5, 4);
    EXPECT_EQ(MapDibToIndexed(dibOf(picture), *image, 0, 0xFFFFFF), Status::BadSize);
    EXPECT_EQ(MapDibToIndexed(PackedDib(10, 0), *image, 0, 0xFFFFFF), Status::BadSize);
}

TEST(ColourMapping, mappingsOneAfterAnotherOnAThreadForgetEachOther)
{
    // The remembered answers of one picture are kept for the next picture's
    // mapper; none of them may leak into its answers.
    // The first picture's only colour and the second picture's second
    // colour sit at the same place in the first block a colour takes.
    QImage first(1, 1, QImage::Format_RGB32);
    first.setPixel(0, 0, qRgb(0x10, 0x20, 0x30));
    QImage second(2, 1, QImage::Format_RGB32);
    second.setPixel(0, 0, qRgb(0x55, 0x66, 0x77));
    second.setPixel(1, 0, qRgb(0x50, 0x60, 0x70));
    for (const QImage& picture : {first, second, first, second})
        expectSameImage(*mapped(picture, 0, 0xFFFFFF), *mappedByDefinition(picture, 0xFFFFFF));

    std::mt19937 random(7);
    for (int round = 0; round < 6; ++round) {
        QImage picture(40, 30, QImage::Format_RGB32);
        const int colours = round % 2 ? 300 : 20; // past the table's 256, and well within it
        std::vector<QRgb> palette;
        for (int i = 0; i < colours; ++i)
            palette.push_back(qRgb(static_cast<int>(random() % 256), static_cast<int>(random() % 256),
                                   static_cast<int>(random() % 256)));
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, palette[static_cast<std::size_t>(random() % palette.size())]);
        const std::uint32_t bg = round * 0x102030u;
        expectSameImage(*mapped(picture, 0, bg), *mappedByDefinition(picture, bg));
    }
}
