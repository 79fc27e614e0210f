// Windows metafile records, built byte by byte and played as the engine
// plays them (anisotropic mapping, viewport = image size).
#include "DibBuilder.h"
#include "MetafileBuilder.h"

#include <metafile/WindowsMetafile.h>

#include <gtest/gtest.h>

using namespace plat;
using namespace testmf;

namespace {

// Record functions used here.
enum : std::uint16_t {
    SETBKMODE = 0x0102,
    SETWINDOWEXT = 0x020C,
    SETWINDOWORG = 0x020B,
    SETPOLYFILLMODE = 0x0106,
    SELECTOBJECT = 0x012D,
    DELETEOBJECT = 0x01F0,
    CREATEPENINDIRECT = 0x02FA,
    CREATEBRUSHINDIRECT = 0x02FC,
    CREATEREGION = 0x06FF,
    SELECTCLIPREGION = 0x012C,
    RECTANGLE = 0x041B,
    POLYGON = 0x0324,
    PATBLT = 0x061D,
    DIBSTRETCHBLT = 0x0B41,
    STRETCHDIB = 0x0F43,
    EXTTEXTOUT = 0x0A32,
    SAVEDC = 0x001E,
    RESTOREDC = 0x0127,
    ESCAPE = 0x0626,
    SETTEXTCOLOR = 0x0209,
    SETBKCOLOR = 0x0201,
    DIBCREATEPATTERNBRUSH = 0x0142,
};

constexpr QRgb kWhite = 0xFFFFFFFF, kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

// A 10 x 10 logical window onto whatever the image is.
WmfBuilder window10()
{
    WmfBuilder b;
    b.add(SETWINDOWORG, {0, 0}).add(SETWINDOWEXT, {10, 10});
    return b;
}

void solidBrush(WmfBuilder& b, std::uint32_t color)
{
    b.add(CREATEBRUSHINDIRECT, {0 /* BS_SOLID */, lo(color), hi(color), 0});
}

void nullPen(WmfBuilder& b) { b.add(CREATEPENINDIRECT, {5 /* PS_NULL */, 0, 0, 0, 0}); }

// RECTANGLE stores bottom, right, top, left.
void rect(WmfBuilder& b, int left, int top, int right, int bottom) { b.add(RECTANGLE, {bottom, right, top, left}); }

// Records after whatever the builder holds so far fill the 10 x 10 window red:
// playback must reach them and end complete.
void expectPlaybackGoesOnToPaintRed(WmfBuilder& b)
{
    nullPen(b);
    solidBrush(b, 0x0000FF);
    b.add(SELECTOBJECT, {0}).add(SELECTOBJECT, {1});
    rect(b, 0, 0, 11, 11);
    QImage image = whiteImage(10, 10);
    EXPECT_EQ(playWmf(b.standard(), image).status, PlaybackStatus::Complete);
    EXPECT_EQ(image.pixel(5, 5), kRed);
}

} // namespace

TEST(WmfPlayer, standardHeaderIsRequired)
{
    Bytes bytes = window10().standard();
    EXPECT_NE(SetMetaFileBitsEx(bytes), 0u);
    Bytes wrongType = bytes;
    wrongType[0] = 3;
    EXPECT_EQ(SetMetaFileBitsEx(wrongType), 0u);
    Bytes wrongHeaderSize = bytes;
    wrongHeaderSize[2] = 8;
    EXPECT_EQ(SetMetaFileBitsEx(wrongHeaderSize), 0u);
    EXPECT_EQ(SetMetaFileBitsEx(Bytes(bytes.begin(), bytes.begin() + 10)), 0u);
}

TEST(WmfPlayer, handleIsAMetafileUntilDeleted)
{
    const HGDIOBJ mf = SetMetaFileBitsEx(window10().standard());
    EXPECT_EQ(GetObjectType(mf), OBJ_METAFILE);
    EXPECT_TRUE(DeleteMetaFile(mf));
    EXPECT_EQ(GetObjectType(mf), OBJ_NONE);
    EXPECT_FALSE(DeleteMetaFile(mf));
}

TEST(WmfPlayer, windowIsMappedOntoTheWholeImage)
{
    WmfBuilder b = window10();
    nullPen(b);
    b.add(SELECTOBJECT, {0});
    solidBrush(b, 0x0000FF);
    b.add(SELECTOBJECT, {1});
    rect(b, 5, 0, 11, 11);
    QImage image = whiteImage(40, 20);
    const PlaybackResult r = playWmf(b.standard(), image);
    EXPECT_EQ(r.status, PlaybackStatus::Complete);
    EXPECT_EQ(inkBounds(image), QRect(20, 0, 20, 20));
}

TEST(WmfPlayer, newObjectsTakeTheLowestFreeSlot)
{
    WmfBuilder b = window10();
    nullPen(b);              // slot 0
    solidBrush(b, 0x0000FF); // slot 1: red
    solidBrush(b, 0x00FF00); // slot 2: green
    b.add(DELETEOBJECT, {1});
    solidBrush(b, 0xFF0000); // slot 1 again: blue
    b.add(SELECTOBJECT, {0}).add(SELECTOBJECT, {1});
    rect(b, 0, 0, 6, 11);
    b.add(SELECTOBJECT, {2});
    rect(b, 5, 0, 11, 11);
    QImage image = whiteImage(10, 10);
    playWmf(b.standard(), image);
    EXPECT_EQ(image.pixel(2, 5), kBlue);
    EXPECT_EQ(image.pixel(7, 5), kGreen);
}

TEST(WmfPlayer, selectingADeletedObjectKeepsTheCurrentOne)
{
    WmfBuilder b = window10();
    nullPen(b);
    solidBrush(b, 0x0000FF);
    b.add(SELECTOBJECT, {0}).add(SELECTOBJECT, {1});
    b.add(DELETEOBJECT, {1}); // deleting a selected brush leaves it selected
    b.add(SELECTOBJECT, {1}).add(SELECTOBJECT, {9000});
    rect(b, 0, 0, 11, 11);
    QImage image = whiteImage(10, 10);
    EXPECT_EQ(playWmf(b.standard(), image).status, PlaybackStatus::Complete);
    EXPECT_EQ(image.pixel(5, 5), kRed);
}

TEST(WmfPlayer, damagedRecordStopsPlaybackAndKeepsWhatWasDrawn)
{
    struct Case {
        const char* name;
        Bytes damage;
    };
    const Case cases[] = {
        {"size below the three-word minimum", {2, 0, 0, 0, 0x1B, 0x04}},
        {"size past the end of the data", {0x50, 0, 0, 0, 0x1B, 0x04, 1, 0}},
        {"polygon count beyond its record", {5, 0, 0, 0, 0x24, 0x03, 200, 0, 1, 0}},
        {"rectangle with parameters missing", {4, 0, 0, 0, 0x1B, 0x04, 1, 0}},
    };
    for (const Case& c : cases) {
        WmfBuilder b = window10();
        nullPen(b);
        solidBrush(b, 0x0000FF);
        b.add(SELECTOBJECT, {0}).add(SELECTOBJECT, {1});
        rect(b, 0, 0, 6, 11);
        b.addBytes(c.damage);
        rect(b, 5, 0, 11, 11); // never reached
        QImage image = whiteImage(10, 10);
        const PlaybackResult r = playWmf(b.standard(), image);
        EXPECT_EQ(r.status, PlaybackStatus::BadRecord) << c.name;
        EXPECT_EQ(r.recordsPlayed, 7u) << c.name;
        EXPECT_EQ(image.pixel(2, 5), kRed) << c.name;
        EXPECT_EQ(image.pixel(8, 5), kWhite) << c.name;
    }
}

TEST(WmfPlayer, theEndRecordEndsPlaybackWhateverItsSizeSays)
{
    for (const Bytes& end : {Bytes{1, 0, 0, 0, 0, 0}, Bytes{0xFF, 0xFF, 0, 0, 0, 0}}) {
        WmfBuilder b = window10();
        nullPen(b);
        solidBrush(b, 0x0000FF);
        b.add(SELECTOBJECT, {0}).add(SELECTOBJECT, {1});
        rect(b, 0, 0, 6, 11);
        b.addBytes(end);
        rect(b, 5, 0, 11, 11); // after the end: not played
        QImage image = whiteImage(10, 10);
        const PlaybackResult r = playWmf(b.standard(), image);
        EXPECT_EQ(r.status, PlaybackStatus::Complete);
        EXPECT_EQ(r.recordsPlayed, 7u);
        EXPECT_EQ(image.pixel(2, 5), kRed);
        EXPECT_EQ(image.pixel(8, 5), kWhite);
    }
}

TEST(WmfPlayer, zeroFilledTailEndsPlaybackCleanly)
{
    // Placeable files whose size field overstates the records are read into
    // zero-filled blocks: a record of function 0 ends the picture.
    Bytes bytes = window10().standard();
    bytes.resize(bytes.size() + 40, 0);
    QImage image = whiteImage(10, 10);
    EXPECT_EQ(playWmf(bytes, image).status, PlaybackStatus::Complete);
}

TEST(WmfPlayer, escapesAndUnknownRecordsAreSkipped)
{
    WmfBuilder b = window10();
    b.add(ESCAPE, {15 /* MFCOMMENT */, 4, 'a', 'b'});
    b.add(0x0BAD, {1, 2, 3});
    expectPlaybackGoesOnToPaintRed(b);
}

TEST(WmfPlayer, restoreAfterSaveUndoesTheWindowChange)
{
    WmfBuilder b = window10();
    nullPen(b);
    solidBrush(b, 0x0000FF);
    b.add(SELECTOBJECT, {0}).add(SELECTOBJECT, {1});
    b.add(SAVEDC, {});
    b.add(SETWINDOWEXT, {100, 100});
    b.add(RESTOREDC, {static_cast<std::uint16_t>(-1)});
    rect(b, 0, 0, 6, 11);
    QImage image = whiteImage(10, 10);
    playWmf(b.standard(), image);
    EXPECT_EQ(inkBounds(image).width(), 5);
}

TEST(WmfPlayer, regionObjectClipsDrawing)
{
    // Region: header (16-bit object count), bounds, one scan of one run.
    Bytes region;
    for (int v : {0, 6, 0, 0, 1, 2, /*bounds*/ 0, 0, 5, 10, /*scan*/ 2, 0, 10, 0, 5, 2})
        put16(region, static_cast<std::uint32_t>(v));
    WmfBuilder b = window10();
    b.addRaw(CREATEREGION, region); // slot 0
    b.add(SELECTCLIPREGION, {0});
    b.add(PATBLT, {lo(0x00000042), hi(0x00000042), 10, 10, 0, 0}); // BLACKNESS
    QImage image = whiteImage(10, 10);
    playWmf(b.standard(), image);
    EXPECT_EQ(inkBounds(image), QRect(0, 0, 5, 10));
}

TEST(WmfPlayer, dibStretchBltDrawsBottomUpRowsTheRightWayUp)
{
    testdib::Header h;
    h.width = 1;
    h.height = 2;
    const Bytes dib = testdib::concat({h.bytes(), {0, 0, 255, 0, /*bottom: red*/ 255, 0, 0, 0 /*top: blue*/}});
    Bytes params;
    put32(params, 0x00CC0020); // SRCCOPY
    for (int v : {2, 1, 0, 0, /*source h, w, y, x*/ 10, 10, 0, 0 /*dest h, w, y, x*/})
        put16(params, static_cast<std::uint32_t>(v));
    params.insert(params.end(), dib.begin(), dib.end());
    WmfBuilder b = window10();
    b.addRaw(DIBSTRETCHBLT, params);
    QImage image = whiteImage(10, 10);
    playWmf(b.standard(), image);
    EXPECT_EQ(image.pixel(5, 2), kBlue);
    EXPECT_EQ(image.pixel(5, 7), kRed);
}

TEST(WmfPlayer, stretchDibMeasuresItsSourceFromTheBottomRow)
{
    testdib::Header h;
    h.width = 1;
    h.height = 2;
    const Bytes dib = testdib::concat({h.bytes(), {0, 0, 255, 0, 255, 0, 0, 0}}); // bottom red, top blue
    Bytes params;
    put32(params, 0x00CC0020);
    put16(params, 0); // DIB_RGB_COLORS
    for (int v : {1, 1, 0, 0, /*source h, w, y from the bottom, x*/ 10, 10, 0, 0})
        put16(params, static_cast<std::uint32_t>(v));
    params.insert(params.end(), dib.begin(), dib.end());
    WmfBuilder b = window10();
    b.addRaw(STRETCHDIB, params);
    QImage image = whiteImage(10, 10);
    playWmf(b.standard(), image);
    EXPECT_EQ(image.pixel(5, 5), kRed);
}

TEST(WmfPlayer, undecodableBitmapIsSkippedNotFatal)
{
    Bytes params;
    put32(params, 0x00CC0020);
    for (int v : {1, 1, 0, 0, 10, 10, 0, 0})
        put16(params, static_cast<std::uint32_t>(v));
    for (int i = 0; i < 8; ++i)
        put16(params, 0xFFFF); // no DIB header
    WmfBuilder b = window10();
    b.addRaw(DIBSTRETCHBLT, params);
    expectPlaybackGoesOnToPaintRed(b);
}

TEST(WmfPlayer, extTextOutReadsItsOptionalRectangleAndAdvances)
{
    Bytes params;
    for (int v : {2, 1, /*y, x*/ 2, 0x0002 /*count, ETO_OPAQUE*/, 0, 0, 5, 10 /*rect l t r b*/})
        put16(params, static_cast<std::uint32_t>(v));
    params.push_back(' ');
    params.push_back(' ');
    put16(params, 3);
    put16(params, 3);
    WmfBuilder b = window10();
    b.add(0x0201 /*SETBKCOLOR*/, {lo(0x0000FF), hi(0x0000FF)});
    b.addRaw(EXTTEXTOUT, params);
    QImage image = whiteImage(10, 10);
    EXPECT_EQ(playWmf(b.standard(), image).status, PlaybackStatus::Complete);
    EXPECT_EQ(inkBounds(image), QRect(0, 0, 5, 10));
    EXPECT_EQ(image.pixel(2, 2), kRed);
}

TEST(WmfPlayer, patternBrushMayCarryAMonochromeBitmap16)
{
    Bytes params;
    for (int v : {3 /*BS_PATTERN*/, 0, /*Bitmap16:*/ 0, 2, 1, 2 /*type, width, height, bytes a row*/})
        put16(params, static_cast<std::uint32_t>(v));
    params.push_back(1);    // planes
    params.push_back(1);    // bits per pixel
    params.push_back(0x40); // pixels 0 then 1
    params.push_back(0);
    WmfBuilder b;
    b.add(SETWINDOWORG, {0, 0}).add(SETWINDOWEXT, {10, 10});
    b.add(SETTEXTCOLOR, {lo(0x0000FF), hi(0x0000FF)}); // red
    b.add(SETBKCOLOR, {lo(0xFF0000), hi(0xFF0000)});   // blue
    b.addRaw(DIBCREATEPATTERNBRUSH, params);
    b.add(SELECTOBJECT, {0});
    nullPen(b);
    b.add(SELECTOBJECT, {1});
    rect(b, 0, 0, 11, 11);
    QImage image = whiteImage(10, 10);
    EXPECT_EQ(playWmf(b.standard(), image).status, PlaybackStatus::Complete);
    EXPECT_EQ(image.pixel(4, 5), kRed);
    EXPECT_EQ(image.pixel(5, 5), kBlue);
}
