// Records that real files use and that once came out wrong: old-form bitmap
// blits with a 32-bit device bitmap, icons drawn as mask and image, spacing
// pairs in text, text rectangles under a world transform.
#include "DibBuilder.h"
#include "MetafileBuilder.h"

#include <gdi/GdiConstants.h>

#include <gtest/gtest.h>

using namespace plat;
using namespace testmf;

namespace {

enum : std::uint16_t {
    META_SETWINDOWEXT = 0x020C,
    META_SETBKMODE = 0x0102,
    META_SETBKCOLOR = 0x0201,
    META_CREATEFONTINDIRECT = 0x02FB,
    META_SELECTOBJECT = 0x012D,
    META_EXTTEXTOUT = 0x0A32,
    META_BITBLT = 0x0922,
    META_STRETCHBLT = 0x0B23,
    META_DIBSTRETCHBLT = 0x0B41,
};

enum : std::uint32_t {
    EMR_SETBKCOLOR = 25,
    EMR_SETWORLDTRANSFORM = 35,
    EMR_EXTTEXTOUTW = 84,
    EMR_SETGRAPHICSMODE = 67,
};

constexpr std::uint32_t SRCCOPY = 0x00CC0020, SRCAND = 0x008800C6, SRCINVERT = 0x00660046;
constexpr QRgb kWhite = 0xFFFFFFFF, kBlack = 0xFF000000, kRed = 0xFFFF0000;

// A Bitmap16 of 10 x 10 pixels, 32 bits each (blue, green, red, unused),
// 40 bytes a row: red with one blue pixel at the top left.
Bytes bitmap16Red32()
{
    Bytes b;
    for (int v : {0 /*type*/, 10, 10, 40})
        put16(b, static_cast<std::uint32_t>(v));
    b.push_back(1);  // planes
    b.push_back(32); // bits per pixel
    for (int i = 0; i < 100; ++i) {
        const bool blue = i == 0;
        b.insert(b.end(), {static_cast<std::uint8_t>(blue ? 255 : 0), 0, static_cast<std::uint8_t>(blue ? 0 : 255), 0});
    }
    return b;
}

WmfBuilder window(int w, int h)
{
    WmfBuilder b;
    b.add(META_SETWINDOWEXT, {h, w});
    return b;
}

} // namespace

TEST(RecordFaults, oldFormBlitsDrawA32BitDeviceBitmap)
{
    for (std::uint16_t function : {META_BITBLT, META_STRETCHBLT}) {
        SCOPED_TRACE(function);
        Bytes params;
        put32(params, SRCCOPY);
        if (function == META_STRETCHBLT)
            for (int v : {10, 10}) // source height, width
                put16(params, static_cast<std::uint32_t>(v));
        for (int v : {0, 0, /*source y, x*/ 10, 10, 0, 0 /*height, width, dest y, x*/})
            put16(params, static_cast<std::uint32_t>(v));
        testdib::append(params, bitmap16Red32());
        WmfBuilder b = window(10, 10);
        b.addRaw(function, params);
        QImage image = whiteImage(10, 10);
        EXPECT_EQ(playWmf(b.standard(), image).status, PlaybackStatus::Complete);
        EXPECT_EQ(image.pixel(5, 5), kRed);
        EXPECT_EQ(image.pixel(0, 0), 0xFF0000FFu) << "rows run from the top";
    }
}

TEST(RecordFaults, iconAsMaskAndImageShowsOnWhite)
{
    // A 32 x 64 monochrome DIB, bottom-up: its top half as displayed is the
    // mask (1 around, 0 in the middle square), its bottom half an image
    // (all 0). The source rectangle 32 x 32 at 0,0 counts from the top.
    testdib::Header mono;
    mono.width = 32;
    mono.height = 64;
    mono.bpp = 1;
    // Its table says white for 0 and black for 1, but a monochrome source
    // takes the text colour (black) for 0 and the background colour (white)
    // for 1.
    Bytes monoDib = testdib::concat({mono.bytes(), testdib::palette({0xFFFFFF, 0x000000})});
    for (int stored = 0; stored < 64; ++stored) {
        const int row = 63 - stored; // as displayed
        for (int byte = 0; byte < 4; ++byte) {
            std::uint8_t bits = 0;
            for (int bit = 0; bit < 8; ++bit) {
                const int x = byte * 8 + bit;
                const bool hole = row >= 8 && row < 24 && x >= 8 && x < 24;
                if (row < 32 && !hole)
                    bits |= 0x80 >> bit;
            }
            monoDib.push_back(bits);
        }
    }
    // The colour image: black around, red in the middle square.
    testdib::Header colour;
    colour.width = 32;
    colour.height = 32;
    Bytes colourDib = colour.bytes();
    for (int stored = 0; stored < 32; ++stored) {
        const int row = 31 - stored;
        for (int x = 0; x < 32; ++x) {
            const bool inside = row >= 8 && row < 24 && x >= 8 && x < 24;
            colourDib.insert(colourDib.end(), {0, 0, static_cast<std::uint8_t>(inside ? 255 : 0)});
        }
    }
    auto stretch = [](std::uint32_t rop, const Bytes& dib) {
        Bytes params;
        put32(params, rop);
        for (int v : {32, 32, 0, 0, /*source h, w, y, x*/ 32, 32, 0, 0 /*dest h, w, y, x*/})
            put16(params, static_cast<std::uint32_t>(v));
        testdib::append(params, dib);
        return params;
    };
    WmfBuilder b = window(32, 32);
    b.addRaw(META_DIBSTRETCHBLT, stretch(SRCAND, monoDib));
    b.addRaw(META_DIBSTRETCHBLT, stretch(SRCINVERT, colourDib));
    QImage image = whiteImage(32, 32);
    EXPECT_EQ(playWmf(b.standard(), image).status, PlaybackStatus::Complete);
    EXPECT_EQ(image.pixel(2, 2), kWhite) << "the mask keeps the background around the icon";
    EXPECT_EQ(image.pixel(29, 29), kWhite);
    EXPECT_EQ(image.pixel(16, 16), kRed);
    EXPECT_EQ(countColor(image, kBlack), 0);
}

namespace {

// CREATEFONTINDIRECT for Arial of the given character height (negative: em).
Bytes arialFont(int height)
{
    Bytes b;
    for (int v : {height, 0, 0, 0, 400})
        put16(b, static_cast<std::uint32_t>(v));
    b.insert(b.end(), {0, 0, 0, 0, 0, 0, 0, 0}); // italic .. pitch and family
    for (char c : std::string("Arial"))
        b.push_back(static_cast<std::uint8_t>(c));
    b.push_back(0);
    return b;
}

// The ink of the columns [from, to).
QRect inkIn(const QImage& image, int from, int to)
{
    return inkBounds(image.copy(from, 0, to - from, image.height())).translated(from, 0);
}

} // namespace

TEST(RecordFaults, spacingPairsMoveAlongAndUpTheBaseline)
{
    // "iii" with pairs: each moves 50 units along and 20 up. Read as single
    // values, the second character's pair would be cut in half.
    Bytes params;
    for (int v : {70, 20, /*y, x*/ 3, 0x2000 /*count, ETO_PDY*/})
        put16(params, static_cast<std::uint32_t>(v));
    params.insert(params.end(), {'i', 'i', 'i', 0});
    for (int v : {50, 20, 50, 20, 0, 0})
        put16(params, static_cast<std::uint32_t>(v));
    WmfBuilder b = window(200, 100);
    b.add(META_SETBKMODE, {1}); // TRANSPARENT
    b.addRaw(META_CREATEFONTINDIRECT, arialFont(-40));
    b.add(META_SELECTOBJECT, {0});
    b.addRaw(META_EXTTEXTOUT, params);
    QImage image = whiteImage(200, 100);
    EXPECT_EQ(playWmf(b.standard(), image).status, PlaybackStatus::Complete);
    const QRect first = inkIn(image, 0, 60), second = inkIn(image, 60, 110), third = inkIn(image, 110, 200);
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    ASSERT_FALSE(third.isEmpty());
    EXPECT_NEAR(second.left() - first.left(), 50, 2);
    EXPECT_NEAR(third.left() - second.left(), 50, 2);
    EXPECT_NEAR(first.top() - second.top(), 20, 2) << "a positive vertical spacing moves up the page";
    EXPECT_NEAR(second.top() - third.top(), 20, 2);
}

namespace {

// EMR_EXTTEXTOUTW with its text rectangle and options, reference point x, y.
Bytes extTextOutW(std::uint32_t options, QRect rect, int x, int y, const std::u16string& text)
{
    Bytes b;
    for (int v : {0, 0, -1, -1}) // bounds: not used
        put32(b, static_cast<std::uint32_t>(v));
    put32(b, 2); // recorded in GM_ADVANCED
    putFloat(b, 1);
    putFloat(b, 1);
    put32(b, static_cast<std::uint32_t>(x));
    put32(b, static_cast<std::uint32_t>(y));
    put32(b, static_cast<std::uint32_t>(text.size()));
    put32(b, 76); // string offset from the record's start
    put32(b, options);
    for (int v : {rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1})
        put32(b, static_cast<std::uint32_t>(v));
    put32(b, 0); // no advances
    for (char16_t c : text)
        put16(b, c);
    return b;
}

EmfBuilder worldTransformed(float m11, float m12, float m21, float m22, float dx, float dy)
{
    EmfBuilder b; // 100 x 100 logical units onto a 100 x 100 image
    b.add(EMR_SETGRAPHICSMODE, {2});
    Bytes xform;
    for (float f : {m11, m12, m21, m22, dx, dy})
        putFloat(xform, f);
    b.addRaw(EMR_SETWORLDTRANSFORM, xform);
    b.add(EMR_SETBKCOLOR, {0x0000FF});
    return b;
}

} // namespace

TEST(RecordFaults, textRectanglesTurnAndScaleWithTheWorldTransform)
{
    {
        SCOPED_TRACE("turned a quarter: (x, y) to (50 - y, x)");
        EmfBuilder b = worldTransformed(0, 1, -1, 0, 50, 0);
        b.addRaw(EMR_EXTTEXTOUTW,
                 extTextOutW(0x0002 /*ETO_OPAQUE*/, QRect(QPoint(10, 10), QPoint(29, 19)), 10, 10, u""));
        QImage image = whiteImage(100, 100);
        playEmf(b.bytes(), image);
        EXPECT_EQ(inkBounds(image), QRect(QPoint(30, 10), QPoint(39, 29)));
        EXPECT_EQ(image.pixel(35, 20), kRed);
    }
    {
        SCOPED_TRACE("scaled twice");
        EmfBuilder b = worldTransformed(2, 0, 0, 2, 0, 0);
        b.addRaw(EMR_EXTTEXTOUTW, extTextOutW(0x0002, QRect(QPoint(10, 10), QPoint(29, 19)), 10, 10, u""));
        QImage image = whiteImage(100, 100);
        playEmf(b.bytes(), image);
        EXPECT_EQ(inkBounds(image), QRect(QPoint(20, 20), QPoint(59, 39)));
    }
    {
        SCOPED_TRACE("clipped text under a quarter turn");
        EmfBuilder b = worldTransformed(0, 1, -1, 0, 50, 0);
        b.add(18 /*EMR_SETBKMODE*/, {1});
        b.addRaw(EMR_EXTTEXTOUTW,
                 extTextOutW(0x0004 /*ETO_CLIPPED*/, QRect(QPoint(10, 10), QPoint(29, 39)), 12, 12, u"HHHHHHHHHHHH"));
        QImage image = whiteImage(100, 100);
        playEmf(b.bytes(), image);
        const QRect ink = inkBounds(image);
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_TRUE(QRect(QPoint(10, 10), QPoint(40, 30)).contains(ink))
            << "ink at " << ink.x() << "," << ink.y() << " " << ink.width() << "x" << ink.height();
    }
}

TEST(RecordFaults, textWithoutItsOptionalRectangleIsReadInPlace)
{
    // EMRTEXT with ETO_NO_RECT: the advance offset follows the options.
    Bytes b;
    for (int v : {0, 0, -1, -1})
        put32(b, static_cast<std::uint32_t>(v));
    put32(b, 1); // GM_COMPATIBLE
    putFloat(b, 1);
    putFloat(b, 1);
    put32(b, 10); // reference point
    put32(b, 10);
    put32(b, 2);               // characters
    put32(b, 60);              // string offset: 8 + 36 + 16
    put32(b, 0x0100 | 0x0002); // ETO_NO_RECT; ETO_OPAQUE has no rectangle to fill
    put32(b, 64);              // advances offset
    put16(b, 'i');
    put16(b, 'i');
    put32(b, 60);
    put32(b, 0);
    EmfBuilder e;
    e.add(18 /*EMR_SETBKMODE*/, {1});
    e.add(EMR_SETBKCOLOR, {0x0000FF});
    e.addRaw(EMR_EXTTEXTOUTW, b);
    QImage image = whiteImage(100, 100);
    EXPECT_EQ(playEmf(e.bytes(), image).status, PlaybackStatus::Complete);
    EXPECT_EQ(countColor(image, kRed), 0);
    const QRect ink = inkBounds(image);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_NEAR(ink.width(), 60, 6) << "two glyphs 60 units apart";
}

TEST(RecordFaults, copiedMonochromeDibShowsItsOwnTable)
{
    testdib::Header mono;
    mono.width = 1;
    mono.height = 2;
    mono.bpp = 1;
    // Bottom row 0, top row 1; the table is dark grey then light grey.
    const Bytes dib =
        testdib::concat({mono.bytes(), testdib::palette({0x555555, 0xAAAAAA}), {0, 0, 0, 0, 0x80, 0, 0, 0}});
    Bytes params;
    put32(params, SRCCOPY);
    for (int v : {2, 1, 0, 0, /*source h, w, y, x*/ 10, 10, 0, 0})
        put16(params, static_cast<std::uint32_t>(v));
    testdib::append(params, dib);
    WmfBuilder b = window(10, 10);
    b.addRaw(META_DIBSTRETCHBLT, params);
    QImage image = whiteImage(10, 10);
    playWmf(b.standard(), image);
    EXPECT_EQ(image.pixel(5, 2), 0xFFAAAAAAu);
    EXPECT_EQ(image.pixel(5, 7), 0xFF555555u);
}
