// Enhanced metafile records, built byte by byte and played stretched over a
// whole image. The default test header has a reference device of 100 x 100
// pixels on 100 x 100 mm and a frame covering all of it, so one logical unit
// (MM_TEXT) is one hundredth of the image.
#include "DibBuilder.h"
#include "MetafileBuilder.h"

#include <metafile/EnhancedMetafile.h>

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <array>
#include <fstream>

using namespace plat;
using namespace testmf;

namespace {

enum : std::uint32_t {
    EMR_POLYGON16 = 86,
    EMR_SETWINDOWEXTEX = 9,
    EMR_SETVIEWPORTEXTEX = 11,
    EMR_SETMAPMODE = 17,
    EMR_SETTEXTCOLOR = 24,
    EMR_SETBKCOLOR = 25,
    EMR_SETPOLYFILLMODE = 19,
    EMR_MODIFYWORLDTRANSFORM = 36,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40,
    EMR_RECTANGLE = 43,
    EMR_BEGINPATH = 59,
    EMR_ENDPATH = 60,
    EMR_FILLPATH = 62,
    EMR_GDICOMMENT = 70,
    EMR_EXTSELECTCLIPRGN = 75,
    EMR_STRETCHDIBITS = 81,
    EMR_EXTTEXTOUTW = 84,
    EMR_POLYPOLYGON16 = 91,
    EMR_CREATEMONOBRUSH = 93,
    EMR_EXTCREATEPEN = 95,
    EMR_ALPHABLEND = 114,
    EMR_MOVETOEX = 27,
    EMR_LINETO = 54,
};

constexpr std::int64_t kStock = 0x80000000;
constexpr std::int64_t kBlackBrush = kStock | 4, kNullPen = kStock | 8;
constexpr QRgb kWhite = 0xFFFFFFFF, kBlack = 0xFF000000, kRed = 0xFFFF0000, kBlue = 0xFF0000FF;

// A red brush and a red hairline pen: shapes then cover exactly the device
// pixels from their left edge up to (not including) their right edge.
void redBrushAndPen(EmfBuilder& b)
{
    b.add(EMR_CREATEBRUSHINDIRECT, {1, 0 /*BS_SOLID*/, 0x0000FF, 0});
    b.add(EMR_SELECTOBJECT, {1});
    b.add(EMR_CREATEPEN, {2, 0 /*PS_SOLID*/, 0, 0, 0x0000FF});
    b.add(EMR_SELECTOBJECT, {2});
}

void rect(EmfBuilder& b, int left, int top, int right, int bottom) { b.add(EMR_RECTANGLE, {left, top, right, bottom}); }

std::uint32_t floatBits(float f)
{
    std::uint32_t v;
    std::memcpy(&v, &f, sizeof v);
    return v;
}

} // namespace

TEST(EmfPlayer, headerMustCarryTypeSignatureAndAFittingSize)
{
    const Bytes good = EmfBuilder().bytes();
    EXPECT_NE(SetEnhMetaFileBits(good), 0u);
    Bytes badSignature = good;
    badSignature[40] = 'X';
    EXPECT_EQ(SetEnhMetaFileBits(badSignature), 0u);
    Bytes sizePastEnd = good;
    sizePastEnd[4] = 0xFF;
    sizePastEnd[5] = 0xFF;
    EXPECT_EQ(SetEnhMetaFileBits(sizePastEnd), 0u);
    EXPECT_EQ(SetEnhMetaFileBits(Bytes(good.begin(), good.begin() + 80)), 0u);
}

TEST(EmfPlayer, headerQueryCopiesTheFirstBytesAndZeroFillsPastTheRecord)
{
    EmfBuilder b;
    b.bounds = {-5, 7, 300, 400};
    const HGDIOBJ emf = SetEnhMetaFileBits(b.bytes());
    ASSERT_EQ(GetObjectType(emf), OBJ_ENHMETAFILE);
    std::array<std::uint8_t, 120> header;
    header.fill(0xAA);
    EXPECT_EQ(GetEnhMetaFileHeader(emf, header), 120u);
    EXPECT_EQ(header[8], 0xFB); // bounds left -5
    EXPECT_EQ(header[16], 44);  // bounds right 300 = 0x12C
    EXPECT_EQ(header[110], 0) << "past the 108-byte header";
    EXPECT_TRUE(DeleteEnhMetaFile(emf));
    EXPECT_EQ(GetEnhMetaFileHeader(emf, header), 0u);
}

TEST(EmfPlayer, fileIsOpenedByName)
{
    QTemporaryDir dir;
    const std::string name = dir.filePath("p.emf").toStdString();
    const Bytes bytes = EmfBuilder().bytes();
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    const HGDIOBJ emf = GetEnhMetaFileA(name);
    EXPECT_EQ(GetObjectType(emf), OBJ_ENHMETAFILE);
    DeleteEnhMetaFile(emf);
    EXPECT_EQ(GetEnhMetaFileA(name + ".missing"), 0u);
}

TEST(EmfPlayer, frameIsStretchedOverTheRectangle)
{
    EmfBuilder b;
    redBrushAndPen(b);
    rect(b, 50, 0, 101, 51); // right half, top half of the 100-pixel frame
    QImage image = whiteImage(40, 20);
    EXPECT_EQ(playEmf(b.bytes(), image).status, PlaybackStatus::Complete);
    EXPECT_EQ(inkBounds(image), QRect(20, 0, 20, 10));
}

TEST(EmfPlayer, frameOffsetMovesThePicture)
{
    EmfBuilder b;
    b.frame = {5000, 5000, 9999, 9999}; // the lower right quarter of the device
    redBrushAndPen(b);
    rect(b, 50, 50, 76, 76);
    QImage image = whiteImage(20, 20);
    playEmf(b.bytes(), image);
    EXPECT_EQ(inkBounds(image), QRect(0, 0, 10, 10));
}

TEST(EmfPlayer, fixedMappingModesUseTheReferenceDevice)
{
    EmfBuilder b;
    b.add(EMR_SETMAPMODE, {2}); // MM_LOMETRIC: 0.1 mm, y up; the device is 1 pixel per mm
    redBrushAndPen(b);
    rect(b, 0, 0, 501, -501); // 50 x 50 mm from the top left corner
    QImage image = whiteImage(100, 100);
    playEmf(b.bytes(), image);
    EXPECT_EQ(inkBounds(image), QRect(0, 0, 50, 50));
}

TEST(EmfPlayer, worldTransformComesBeforeThePage)
{
    EmfBuilder b;
    b.add(EMR_SETMAPMODE, {8});
    b.add(EMR_SETWINDOWEXTEX, {10, 10});
    b.add(EMR_SETVIEWPORTEXTEX, {100, 100});
    b.add(EMR_MODIFYWORLDTRANSFORM,
          {floatBits(1), 0, 0, floatBits(1), floatBits(5), floatBits(0), 2 /*MWT_LEFTMULTIPLY*/});
    redBrushAndPen(b);
    rect(b, 0, 0, 3, 3);
    QImage image = whiteImage(100, 100);
    playEmf(b.bytes(), image);
    EXPECT_EQ(inkBounds(image), QRect(50, 0, 30, 30));
}

TEST(EmfPlayer, stockObjectsAndStaleIndexes)
{
    EmfBuilder b;
    b.add(EMR_SELECTOBJECT, {kBlackBrush});
    b.add(EMR_SELECTOBJECT, {kNullPen});
    b.add(EMR_SELECTOBJECT, {12345});                             // names nothing: ignored
    b.add(EMR_CREATEBRUSHINDIRECT, {0x7FFFFFFF, 0, 0x0000FF, 0}); // index beyond any table: not made
    b.add(EMR_SELECTOBJECT, {0x7FFFFFFF});
    rect(b, 0, 0, 101, 101);
    QImage image = whiteImage(10, 10);
    EXPECT_EQ(playEmf(b.bytes(), image).status, PlaybackStatus::Complete);
    EXPECT_EQ(image.pixel(5, 5), kBlack);
}

TEST(EmfPlayer, theEndRecordIsSizeCheckedLikeAnyOtherAndEndsPlayback)
{
    auto withTail = [](const Bytes& tail) {
        EmfBuilder b;
        redBrushAndPen(b);
        rect(b, 0, 0, 51, 101);
        b.addBytes(tail);
        rect(b, 50, 0, 101, 101);
        return b.bytes();
    };
    const std::size_t tailAt = 108u + 24 + 12 + 28 + 12 + 24;

    QImage image = whiteImage(10, 10);
    PlaybackResult r = playEmf(withTail({14, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), image);
    EXPECT_EQ(r.status, PlaybackStatus::Complete);
    EXPECT_EQ(image.pixel(2, 5), kRed);
    EXPECT_EQ(image.pixel(8, 5), kWhite); // after the end: not played

    image = whiteImage(10, 10);
    r = playEmf(withTail({14, 0, 0, 0, 22, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), image);
    EXPECT_EQ(r.status, PlaybackStatus::BadRecord);
    EXPECT_EQ(r.badRecordOffset, tailAt);

    // Data that ends inside a record's header ends playback, complete.
    EmfBuilder b;
    redBrushAndPen(b);
    rect(b, 0, 0, 101, 101);
    Bytes cut = b.bytes();
    cut.resize(cut.size() - 20 + 6);
    image = whiteImage(10, 10);
    r = playEmf(cut, image);
    EXPECT_EQ(r.status, PlaybackStatus::Complete);
    EXPECT_EQ(r.recordsPlayed, 5u);
    EXPECT_EQ(image.pixel(5, 5), kRed);
}

TEST(EmfPlayer, damagedRecordStopsPlaybackAndKeepsWhatWasDrawn)
{
    struct Case {
        const char* name;
        Bytes damage;
    };
    auto record = [](std::uint32_t type, std::uint32_t size, std::initializer_list<std::uint32_t> values) {
        Bytes out;
        put32(out, type);
        put32(out, size);
        for (std::uint32_t v : values)
            put32(out, v);
        return out;
    };
    const Case cases[] = {
        {"size below eight bytes", record(EMR_RECTANGLE, 4, {})},
        {"size not a multiple of four", record(EMR_RECTANGLE, 26, {0, 0, 0, 0, 0})},
        {"size past the end of the data", record(EMR_RECTANGLE, 4000, {0, 0, 0, 0})},
        {"point count beyond the record", record(EMR_POLYGON16, 32, {0, 0, 0, 0, 1000000, 0})},
        {"polygon counts beyond the points", record(EMR_POLYPOLYGON16, 40, {0, 0, 0, 0, 1, 2, 500, 0})},
        {"text string beyond the record",
         record(EMR_EXTTEXTOUTW, 76, {0, 0, 0, 0, 1, 0, 0, 0, 0, 50, 70, 0, 0, 0, 0, 0, 0})},
    };
    for (const Case& c : cases) {
        EmfBuilder b;
        redBrushAndPen(b);
        rect(b, 0, 0, 51, 101);
        b.addBytes(c.damage);
        rect(b, 50, 0, 101, 101); // never reached
        QImage image = whiteImage(10, 10);
        const PlaybackResult r = playEmf(b.bytes(), image);
        EXPECT_EQ(r.status, PlaybackStatus::BadRecord) << c.name;
        EXPECT_EQ(r.badRecordOffset, 108u + 24 + 12 + 28 + 12 + 24) << c.name;
        EXPECT_EQ(image.pixel(2, 5), kRed) << c.name;
        EXPECT_EQ(image.pixel(8, 5), kWhite) << c.name;
    }
}

TEST(EmfPlayer, emfPlusCommentsAreSkippedAndTheEmfRecordsDrawn)
{
    EmfBuilder b;
    Bytes comment;
    put32(comment, 16);
    put32(comment, 0x2B464D45); // "EMF+"
    put32(comment, 0x4001);     // an EMF+ header record, not played
    put32(comment, 0);
    b.addRaw(EMR_GDICOMMENT, comment);
    redBrushAndPen(b);
    rect(b, 0, 0, 101, 101);
    QImage image = whiteImage(10, 10);
    EXPECT_EQ(playEmf(b.bytes(), image).status, PlaybackStatus::Complete);
    EXPECT_EQ(image.pixel(5, 5), kRed);
}

TEST(EmfPlayer, pathFilledWithThePolygonFillMode)
{
    EmfBuilder b;
    redBrushAndPen(b);
    b.add(EMR_SETPOLYFILLMODE, {1}); // ALTERNATE
    b.add(EMR_BEGINPATH, {});
    rect(b, 0, 0, 101, 101);
    rect(b, 25, 25, 76, 76); // same direction: a hole under ALTERNATE
    b.add(EMR_ENDPATH, {});
    b.add(EMR_FILLPATH, {0, 0, 100, 100});
    QImage image = whiteImage(20, 20);
    playEmf(b.bytes(), image);
    EXPECT_EQ(image.pixel(2, 2), kRed);
    EXPECT_EQ(image.pixel(10, 10), kWhite);
}

TEST(EmfPlayer, clipRegionIsInReferenceDeviceUnits)
{
    EmfBuilder b;
    Bytes clip;
    put32(clip, 48); // region data size
    put32(clip, 5);  // RGN_COPY
    for (std::uint32_t v : {32u, 1u, 1u, 16u, 0u, 0u, 50u, 100u})
        put32(clip, v); // header: size, type, count, bytes, bounds
    for (std::uint32_t v : {0u, 0u, 50u, 100u})
        put32(clip, v); // the left half of the device
    b.addRaw(EMR_EXTSELECTCLIPRGN, clip);
    redBrushAndPen(b);
    rect(b, 0, 0, 101, 101);
    QImage image = whiteImage(20, 20);
    EXPECT_EQ(playEmf(b.bytes(), image).status, PlaybackStatus::Complete);
    EXPECT_EQ(inkBounds(image), QRect(0, 0, 10, 20));
}

TEST(EmfPlayer, stretchDibitsSourceIsMeasuredFromTheBottomRow)
{
    testdib::Header h;
    h.width = 1;
    h.height = 2;
    const Bytes info = h.bytes();
    const Bytes bits = {0, 0, 255, 0, 255, 0, 0, 0}; // bottom red, top blue
    Bytes body;
    for (std::int32_t v : {0, 0, 0, 0}) // bounds
        put32(body, static_cast<std::uint32_t>(v));
    for (std::int32_t v : {0, 0, 0, 1, 1, 1}) // dest x, y; source x, y (from the bottom), width, height
        put32(body, static_cast<std::uint32_t>(v));
    put32(body, 80);                                      // offBmi
    put32(body, static_cast<std::uint32_t>(info.size())); // cbBmi
    put32(body, 80 + static_cast<std::uint32_t>(info.size()));
    put32(body, static_cast<std::uint32_t>(bits.size()));
    put32(body, 0);          // DIB_RGB_COLORS
    put32(body, 0x00CC0020); // SRCCOPY
    put32(body, 101);        // dest width, height
    put32(body, 101);
    body.insert(body.end(), info.begin(), info.end());
    body.insert(body.end(), bits.begin(), bits.end());
    EmfBuilder b;
    b.addRaw(EMR_STRETCHDIBITS, body);
    QImage image = whiteImage(10, 10);
    EXPECT_EQ(playEmf(b.bytes(), image).status, PlaybackStatus::Complete);
    EXPECT_EQ(image.pixel(5, 5), kBlue) << "source row 1 from the bottom is the top row";

    Bytes outside = b.bytes();
    outside[108 + 8 + 40] = 0xF0; // offBmi far outside the record
    outside[108 + 8 + 41] = 0xFF;
    EXPECT_EQ(playEmf(outside, image).status, PlaybackStatus::BadRecord);
}

TEST(EmfPlayer, deleteLeavesTheSelectedCopyInUse)
{
    EmfBuilder b;
    redBrushAndPen(b);
    b.add(EMR_DELETEOBJECT, {1});
    rect(b, 0, 0, 101, 101);
    b.add(EMR_CREATEPEN, {1, 0, 10, 0, 0xFF0000}); // index 1 is free again
    QImage image = whiteImage(10, 10);
    EXPECT_EQ(playEmf(b.bytes(), image).status, PlaybackStatus::Complete);
    EXPECT_EQ(image.pixel(5, 5), kRed);
}

TEST(EmfPlayer, alphaBlendTakesTheFourthByteOfBitFieldDibsAsAlpha)
{
    testdib::Header h;
    h.width = 2;
    h.height = 1;
    h.bpp = 32;
    h.compression = 3; // BI_BITFIELDS, with the plain 8-8-8 masks after the header
    Bytes info = h.bytes();
    for (std::uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu})
        put32(info, mask);
    const Bytes bits = {0, 0, 0, 0, /*transparent*/ 0, 0, 255, 255 /*opaque red, premultiplied*/};
    Bytes body;
    for (std::int32_t v : {0, 0, 0, 0, /*dest*/ 0, 0, 101, 101})
        put32(body, static_cast<std::uint32_t>(v));
    put32(body, 0x01FF0000); // AC_SRC_OVER, no flags, constant alpha 255, AC_SRC_ALPHA
    put32(body, 0);          // source x, y
    put32(body, 0);
    for (float f : {1.f, 0.f, 0.f, 1.f, 0.f, 0.f})
        putFloat(body, f);
    put32(body, 0); // background colour of the source
    put32(body, 0); // DIB_RGB_COLORS
    put32(body, 108);
    put32(body, static_cast<std::uint32_t>(info.size()));
    put32(body, 108 + static_cast<std::uint32_t>(info.size()));
    put32(body, static_cast<std::uint32_t>(bits.size()));
    put32(body, 2); // source width, height
    put32(body, 1);
    body.insert(body.end(), info.begin(), info.end());
    body.insert(body.end(), bits.begin(), bits.end());
    EmfBuilder b;
    b.addRaw(EMR_ALPHABLEND, body);
    QImage image = whiteImage(10, 10);
    EXPECT_EQ(playEmf(b.bytes(), image).status, PlaybackStatus::Complete);
    EXPECT_EQ(image.pixel(2, 5), kWhite);
    EXPECT_EQ(image.pixel(8, 5), kRed);
}

// A 2 x 1 DIB of 24-bit pixels, left then right, for pattern records: its
// header at offset headerAt of the record, the bits right behind it.
struct TwoPixelDib {
    Bytes info, bits;
    TwoPixelDib(QRgb left, QRgb right)
    {
        testdib::Header h;
        h.width = 2;
        h.height = 1;
        info = h.bytes();
        for (QRgb c : {left, right}) {
            bits.push_back(static_cast<std::uint8_t>(qBlue(c)));
            bits.push_back(static_cast<std::uint8_t>(qGreen(c)));
            bits.push_back(static_cast<std::uint8_t>(qRed(c)));
        }
        bits.resize(8, 0); // rows end on a 4-byte boundary
    }
    // Offsets and sizes of header and bits, then both.
    void append(Bytes& body, std::uint32_t headerAt) const
    {
        put32(body, headerAt);
        put32(body, static_cast<std::uint32_t>(info.size()));
        put32(body, headerAt + static_cast<std::uint32_t>(info.size()));
        put32(body, static_cast<std::uint32_t>(bits.size()));
    }
};

TEST(EmfPlayer, monoBrushReducesAColourBitmapToTextAndBackgroundColours)
{
    const TwoPixelDib dib(qRgb(0, 0, 200), qRgb(255, 255, 128)); // dark, light
    Bytes body;
    put32(body, 1); // index
    put32(body, 0); // DIB_RGB_COLORS
    dib.append(body, 32);
    body.insert(body.end(), dib.info.begin(), dib.info.end());
    body.insert(body.end(), dib.bits.begin(), dib.bits.end());
    EmfBuilder b;
    b.add(EMR_SETTEXTCOLOR, {0x0000FF}); // red
    b.add(EMR_SETBKCOLOR, {0x00FF00});   // green
    b.addRaw(EMR_CREATEMONOBRUSH, body);
    b.add(EMR_SELECTOBJECT, {1});
    b.add(EMR_SELECTOBJECT, {kNullPen});
    rect(b, 0, 0, 101, 101);
    QImage image = whiteImage(10, 10);
    EXPECT_EQ(playEmf(b.bytes(), image).status, PlaybackStatus::Complete);
    EXPECT_EQ(image.pixel(4, 5), kRed) << "dark pixels are 0 bits: the text colour";
    EXPECT_EQ(image.pixel(5, 5), 0xFF00FF00u) << "light pixels are 1 bits: the background colour";
}

TEST(EmfPlayer, extendedPenStrokesWithItsPatternBrush)
{
    const TwoPixelDib dib(kRed, kBlue);
    Bytes body;
    put32(body, 1); // index
    dib.append(body, 52);
    put32(body, 0x00010200); // PS_GEOMETRIC | PS_ENDCAP_FLAT
    put32(body, 1000);       // width: ten times the picture
    put32(body, 6);          // BS_DIBPATTERNPT
    put32(body, 0);          // colour field: DIB_RGB_COLORS
    put32(body, 0);          // hatch
    put32(body, 0);          // no style entries
    body.insert(body.end(), dib.info.begin(), dib.info.end());
    body.insert(body.end(), dib.bits.begin(), dib.bits.end());
    EmfBuilder b;
    b.addRaw(EMR_EXTCREATEPEN, body);
    b.add(EMR_SELECTOBJECT, {1});
    b.add(EMR_MOVETOEX, {0, 50});
    b.add(EMR_LINETO, {101, 50});
    QImage image = whiteImage(10, 10);
    EXPECT_EQ(playEmf(b.bytes(), image).status, PlaybackStatus::Complete);
    EXPECT_EQ(image.pixel(4, 2), kRed);
    EXPECT_EQ(image.pixel(5, 7), kBlue);

    Bytes damaged = b.bytes();
    damaged[108 + 8 + 4] = 0xF0; // header offset far outside the record
    damaged[108 + 8 + 5] = 0xFF;
    EXPECT_EQ(playEmf(damaged, image).status, PlaybackStatus::BadRecord);
}
