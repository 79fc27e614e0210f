#include "DibBuilder.h"

#include <gdi/Dib.h>

#include <gtest/gtest.h>

#include <climits>
#include <vector>

using namespace plat;
using namespace testdib;

namespace {

constexpr QRgb kRed = 0xffff0000u, kGreen = 0xff00ff00u, kBlue = 0xff0000ffu;
constexpr QRgb kBlack = 0xff000000u, kWhite = 0xffffffffu;

// Compares a decoded image with rows given top row first; reports got/want.
void expectRows(const QImage& image, const std::vector<std::vector<QRgb>>& rows)
{
    ASSERT_EQ(image.height(), static_cast<int>(rows.size()));
    for (int y = 0; y < image.height(); ++y) {
        ASSERT_EQ(image.width(), static_cast<int>(rows[y].size())) << "row " << y;
        for (int x = 0; x < image.width(); ++x)
            EXPECT_EQ(image.pixel(x, y), rows[y][x])
                << "pixel (" << x << ", " << y << "): got " << std::hex << image.pixel(x, y) << ", want " << rows[y][x];
    }
}

DibStatus decodePacked(const Bytes& packed, QImage& out, DibDecodeOptions options = {})
{
    return DecodePackedDib(packed, out, options);
}

} // namespace

TEST(DibDecode, onePerPixelReadsBitsMostSignificantFirstAndSkipsPadding)
{
    Header h;
    h.width = 10; // two bytes of bits per row, padded to 4
    h.height = 2;
    h.bpp = 1;
    const Bytes packed = concat({h.bytes(),
                                 palette({0x000000, 0xffffff}),
                                 {0b10110000, 0b01000000, 0xff, 0xff,    // bottom row; padding is ignored
                                  0b00000000, 0b11000000, 0x00, 0x00}}); // top row
    QImage image;
    ASSERT_EQ(decodePacked(packed, image), DibStatus::Ok);
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    const QRgb K = kBlack, W = kWhite;
    expectRows(image, {{K, K, K, K, K, K, K, K, W, W}, {W, K, W, W, K, K, K, K, K, W}});
}

TEST(DibDecode, fourPerPixelTakesHighNibbleFirst)
{
    Header h;
    h.width = 3;
    h.bpp = 4;
    h.clrUsed = 3;
    const Bytes packed = concat({h.bytes(), palette({0xff0000, 0x00ff00, 0x0000ff}), {0x21, 0x00, 0, 0}});
    QImage image;
    ASSERT_EQ(decodePacked(packed, image), DibStatus::Ok);
    expectRows(image, {{kBlue, kGreen, kRed}});
}

TEST(DibDecode, indexBeyondTheColourTableIsBlack)
{
    Header h;
    h.width = 2;
    h.bpp = 8;
    h.clrUsed = 1;
    const Bytes packed = concat({h.bytes(), palette({0xffffff}), {0, 200, 0, 0}});
    QImage image;
    ASSERT_EQ(decodePacked(packed, image), DibStatus::Ok);
    expectRows(image, {{kWhite, kBlack}});
}

TEST(DibDecode, coloursUsedBeyondTheBitDepthStillOccupyThePackedTable)
{
    Header h;
    h.width = 2;
    h.bpp = 1;
    h.clrUsed = 4; // 1 bpp can index two of them; the bits come after all four
    const Bytes packed = concat({h.bytes(), palette({0xff0000, 0x0000ff, 0x111111, 0x222222}), {0x40, 0, 0, 0}});
    QImage image;
    ASSERT_EQ(decodePacked(packed, image), DibStatus::Ok);
    expectRows(image, {{kRed, kBlue}});
}

TEST(DibDecode, sixteenBitsDefaultToFiveFiveFiveAndWidenByRepeatingBits)
{
    Header h;
    h.width = 3;
    h.bpp = 16;
    // 0x7c00 red 31; 0x03e0 green 31; 0x0421 = r1 g1 b1 -> 8 each (00001 -> 00001000)
    const Bytes packed = concat({h.bytes(), {0x00, 0x7c, 0xe0, 0x03, 0x21, 0x04, 0, 0}});
    QImage image;
    ASSERT_EQ(decodePacked(packed, image), DibStatus::Ok);
    expectRows(image, {{kRed, kGreen, qRgb(8, 8, 8)}});
}

TEST(DibDecode, sixteenBitFieldsFiveSixFive)
{
    Header h;
    h.width = 2;
    h.bpp = 16;
    h.compression = 3;
    Bytes masks;
    put32(masks, 0xf800);
    put32(masks, 0x07e0);
    put32(masks, 0x001f);
    // 0x07e0: green 63 -> 255; 0x8410: r16 g32 b16 -> 132, 130, 132
    const Bytes packed = concat({h.bytes(), masks, {0xe0, 0x07, 0x10, 0x84}});
    QImage image;
    ASSERT_EQ(decodePacked(packed, image), DibStatus::Ok);
    expectRows(image, {{kGreen, qRgb(132, 130, 132)}});
}

TEST(DibDecode, twentyFourBitsBottomUpAndTopDownGiveTheSamePicture)
{
    Header h;
    h.width = 1;
    h.height = 2;
    const Bytes red = {0x00, 0x00, 0xff, 0x00}, blue = {0xff, 0x00, 0x00, 0x00}; // B G R + pad
    QImage bottomUp, topDown;
    ASSERT_EQ(decodePacked(concat({h.bytes(), red, blue}), bottomUp), DibStatus::Ok);
    h.height = -2;
    ASSERT_EQ(decodePacked(concat({h.bytes(), blue, red}), topDown), DibStatus::Ok);
    expectRows(bottomUp, {{kBlue}, {kRed}});
    expectRows(topDown, {{kBlue}, {kRed}});
}

TEST(DibDecode, thirtyTwoBitsIgnoreTheFourthByteUnlessAlphaIsKept)
{
    Header h;
    h.width = 1;
    h.bpp = 32;
    const Bytes packed = concat({h.bytes(), {0x10, 0x20, 0x30, 0x80}});
    QImage opaque, withAlpha;
    ASSERT_EQ(decodePacked(packed, opaque), DibStatus::Ok);
    expectRows(opaque, {{qRgb(0x30, 0x20, 0x10)}});
    ASSERT_EQ(decodePacked(packed, withAlpha, {.keepAlpha = true}), DibStatus::Ok);
    EXPECT_EQ(withAlpha.format(), QImage::Format_ARGB32);
    EXPECT_EQ(withAlpha.pixel(0, 0), qRgba(0x30, 0x20, 0x10, 0x80));
}

TEST(DibDecode, thirtyTwoBitFieldsWithRedInTheLowByte)
{
    Header h;
    h.width = 1;
    h.bpp = 32;
    h.compression = 3;
    Bytes masks;
    put32(masks, 0x000000ff);
    put32(masks, 0x0000ff00);
    put32(masks, 0x00ff0000);
    const Bytes packed = concat({h.bytes(), masks, {0x30, 0x20, 0x10, 0x00}});
    QImage image;
    ASSERT_EQ(decodePacked(packed, image), DibStatus::Ok);
    expectRows(image, {{qRgb(0x30, 0x20, 0x10)}});
}

TEST(DibDecode, largerHeadersCarryTheirMasksInside)
{
    for (std::uint32_t size : {52u, 56u, 108u, 124u}) {
        SCOPED_TRACE(size);
        Header h;
        h.size = size;
        h.width = 1;
        h.bpp = 16;
        h.compression = 3;
        h.masks[0] = 0x000f; // red in the low nibble, blue in the high one
        h.masks[1] = 0x00f0;
        h.masks[2] = 0xf000;
        h.masks[3] = 0x0f00;
        const Bytes packed = concat({h.bytes(), {0x0f, 0x80, 0, 0}}); // red 15, blue 8, alpha 0
        QImage image;
        ASSERT_EQ(decodePacked(packed, image, {.keepAlpha = true}), DibStatus::Ok);
        const int alpha = size >= 56 ? 0 : 255; // only 56 and more hold an alpha mask
        EXPECT_EQ(image.pixel(0, 0), qRgba(255, 0, 0x88, alpha));
    }
}

TEST(DibDecode, coreHeaderMatchesItsFortyByteEquivalent)
{
    const Bytes bits = {0x01, 0x02, 0, 0, 0x00, 0x01, 0, 0}; // 2 x 2, 8 bpp
    const Bytes core = concat({coreHeader(2, 2, 8), palette({0xff0000, 0x00ff00, 0x0000ff}, true)});
    Bytes coreTable = core;
    coreTable.resize(12 + 256 * 3, 0); // core tables always have 2^bpp entries
    Header h;
    h.width = 2;
    h.height = 2;
    h.bpp = 8;
    h.clrUsed = 3;
    QImage fromCore, fromInfo;
    ASSERT_EQ(decodePacked(concat({coreTable, bits}), fromCore), DibStatus::Ok);
    ASSERT_EQ(decodePacked(concat({h.bytes(), palette({0xff0000, 0x00ff00, 0x0000ff}), bits}), fromInfo),
              DibStatus::Ok);
    expectRows(fromCore, {{kRed, kGreen}, {kGreen, kBlue}});
    EXPECT_EQ(fromCore, fromInfo);
}

TEST(DibDecode, runLengthEightHandlesRunsLiteralsDeltasAndRowEnds)
{
    Header h;
    h.width = 4;
    h.height = 3;
    h.bpp = 8;
    h.compression = 1;
    h.clrUsed = 3;
    const Bytes stream = {
        0x03, 0x01,                   // bottom row: 3 x index 1
        0x00, 0x00,                   // end of row
        0x00, 0x03, 2,    0,    1, 0, // literal 2, 0, 1 padded to 4 bytes
        0x00, 0x02, 0x01, 0x01,       // delta: right 1, up 1 (x 4 -> 5, top row)
        0x00, 0x00,                   // end of row: leaves the picture, so the top row stays black
        0x00, 0x01,                   // end of bitmap
    };
    QImage image;
    ASSERT_EQ(DecodeDib(concat({h.bytes(), palette({0xff0000, 0x00ff00, 0x0000ff})}), stream, image), DibStatus::Ok);
    expectRows(image,
               {{kBlack, kBlack, kBlack, kBlack}, {kBlue, kRed, kGreen, kBlack}, {kGreen, kGreen, kGreen, kBlack}});
}

TEST(DibDecode, runLengthEightClipsRunsAtTheRightEdge)
{
    Header h;
    h.width = 2;
    h.height = 2;
    h.bpp = 8;
    h.compression = 1;
    h.clrUsed = 2;
    const Bytes stream = {0xff, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x01};
    QImage image;
    ASSERT_EQ(DecodeDib(concat({h.bytes(), palette({0xff0000, 0x0000ff})}), stream, image), DibStatus::Ok);
    expectRows(image, {{kBlue, kBlack}, {kBlue, kBlue}});
}

TEST(DibDecode, runLengthFourAlternatesNibblesInRunsAndLiterals)
{
    Header h;
    h.width = 5;
    h.height = 2;
    h.bpp = 4;
    h.compression = 2;
    h.clrUsed = 3;
    const Bytes stream = {
        0x05, 0x12,             // bottom row: 1 2 1 2 1
        0x00, 0x00,             // end of row
        0x00, 0x03, 0x20, 0x10, // literal 2 0 1, 2 bytes (already even)
        0x00, 0x01,
    };
    QImage image;
    ASSERT_EQ(DecodeDib(concat({h.bytes(), palette({0xff0000, 0x00ff00, 0x0000ff})}), stream, image), DibStatus::Ok);
    expectRows(image, {{kBlue, kRed, kGreen, kBlack, kBlack}, {kGreen, kBlue, kGreen, kBlue, kGreen}});
}

TEST(DibDecode, truncatedRunLengthStreamKeepsWhatArrived)
{
    Header h;
    h.width = 4;
    h.height = 2;
    h.bpp = 8;
    h.compression = 1;
    h.clrUsed = 2;
    const Bytes info = concat({h.bytes(), palette({0xff0000, 0x0000ff})});
    // A literal of 4 promised, 2 delivered; no end of bitmap.
    QImage image;
    ASSERT_EQ(DecodeDib(info, Bytes{0x00, 0x04, 0x01, 0x00}, image), DibStatus::Ok);
    expectRows(image, {{kBlack, kBlack, kBlack, kBlack}, {kBlue, kRed, kBlack, kBlack}});
    ASSERT_EQ(DecodeDib(info, Bytes{0x02}, image), DibStatus::Ok); // half a code
    expectRows(image, {{kBlack, kBlack, kBlack, kBlack}, {kBlack, kBlack, kBlack, kBlack}});
}

// Each row is one hazard; every one must fail with the given status and
// leave the output untouched.
TEST(DibDecode, rejectsDamagedAndUnsupportedHeaders)
{
    struct Case {
        const char* name;
        Bytes packed;
        DibStatus want;
    };
    auto with = [](auto change) {
        Header h;
        h.width = 2;
        h.height = 2;
        change(h);
        Bytes b = h.bytes();
        b.resize(b.size() + 64, 0);
        return b;
    };
    const std::vector<Case> cases = {
        {"three bytes", {40, 0, 0}, DibStatus::Malformed},
        {"header size 8", with([](Header& h) { h.size = 8; }), DibStatus::Malformed},
        {"header size 64 (OS/2 2.x)", with([](Header& h) { h.size = 64; }), DibStatus::Unsupported},
        {"header cut short", Bytes{40, 0, 0, 0, 1, 0, 0, 0}, DibStatus::Malformed},
        {"zero width", with([](Header& h) { h.width = 0; }), DibStatus::Malformed},
        {"negative width", with([](Header& h) { h.width = -3; }), DibStatus::Malformed},
        {"zero height", with([](Header& h) { h.height = 0; }), DibStatus::Malformed},
        {"most negative height", with([](Header& h) { h.height = INT_MIN; }), DibStatus::TooLarge},
        {"width times height overflows", with([](Header& h) { h.width = h.height = 0x7fffffff; }), DibStatus::TooLarge},
        {"7 bits per pixel", with([](Header& h) { h.bpp = 7; }), DibStatus::Malformed},
        {"embedded JPEG", with([](Header& h) {
             h.bpp = 0;
             h.compression = 4;
         }),
         DibStatus::Unsupported},
        {"bit fields at 8 bpp", with([](Header& h) {
             h.bpp = 8;
             h.compression = 3;
         }),
         DibStatus::Malformed},
        {"RLE8 at 4 bpp", with([](Header& h) {
             h.bpp = 4;
             h.compression = 1;
         }),
         DibStatus::Malformed},
        {"top-down RLE8", with([](Header& h) {
             h.bpp = 8;
             h.compression = 1;
             h.height = -2;
         }),
         DibStatus::Malformed},
        {"unknown compression", with([](Header& h) { h.compression = 9; }), DibStatus::Malformed},
        {"colour table past the end", with([](Header& h) {
             h.bpp = 8;
             h.clrUsed = 0x40000000;
         }),
         DibStatus::Malformed},
        {"bits shorter than the rows", with([](Header& h) { h.width = 100; }), DibStatus::Malformed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QImage image(1, 1, QImage::Format_RGB32);
        image.fill(kRed);
        EXPECT_EQ(decodePacked(c.packed, image), c.want) << toString(decodePacked(c.packed, image));
        EXPECT_EQ(image.size(), QSize(1, 1));
    }
}

TEST(DibDecode, honoursTheCallersPixelLimit)
{
    Header h;
    h.width = 100;
    h.height = 100;
    h.bpp = 8;
    h.compression = 1;
    const Bytes info = concat({h.bytes(), Bytes(256 * 4, 0)});
    QImage image;
    EXPECT_EQ(DecodeDib(info, Bytes{0, 1}, image, {.maxPixels = 9999}), DibStatus::TooLarge);
    EXPECT_EQ(DecodeDib(info, Bytes{0, 1}, image, {.maxPixels = 10000}), DibStatus::Ok);
}

TEST(DibCapture, packsRowsBottomUpAsBlueGreenRedWithZeroPadding)
{
    QImage source(3, 2, QImage::Format_RGB32);
    source.setPixel(0, 0, qRgb(1, 2, 3));
    source.setPixel(1, 0, qRgb(4, 5, 6));
    source.setPixel(2, 0, qRgb(7, 8, 9));
    source.setPixel(0, 1, qRgb(10, 11, 12));
    source.setPixel(1, 1, qRgb(13, 14, 15));
    source.setPixel(2, 1, qRgb(16, 17, 18));
    const HGDIOBJ bitmap = CreateBitmapFromImage(source);
    const std::vector<std::uint8_t> dib = GetDIBits24(bitmap);
    DeleteObject(bitmap);

    Header h;
    h.width = 3;
    h.height = 2;
    h.imageSize = 24;
    Bytes want = h.bytes();
    std::fill(want.begin() + 24, want.begin() + 32, 0); // resolutions are 0 in a capture
    append(want, {12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0, 3, 2, 1, 6, 5, 4, 9, 8, 7, 0, 0, 0});
    EXPECT_EQ(dib, want);
    EXPECT_TRUE(GetDIBits24(0).empty());
}

TEST(DibCapture, capturedDibMakesAnEqualBitmap)
{
    QImage source(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            source.setPixel(x, y, qRgb(x * 50, y * 80, (x + y) * 20));
    const HGDIOBJ original = CreateBitmapFromImage(source);
    DibStatus status = DibStatus::Malformed;
    const HGDIOBJ copy = CreateDIBitmap(GetDIBits24(original), &status);
    ASSERT_EQ(status, DibStatus::Ok);
    ASSERT_NE(copy, 0u);
    EXPECT_EQ(LookupBitmap(copy)->image, source);
    DeleteObject(original);
    DeleteObject(copy);
}

TEST(DibStride, padsToFourBytesAndRefusesWhatDoesNotFit)
{
    EXPECT_EQ(DibStride(3, 24), 12);
    EXPECT_EQ(DibStride(4, 24), 12);
    EXPECT_EQ(DibStride(10, 1), 4);
    EXPECT_EQ(DibStride(33, 1), 8);
    EXPECT_EQ(DibStride(0x7fffffff, 32), -1);
    EXPECT_EQ(DibStride(-1, 8), -1);
}
