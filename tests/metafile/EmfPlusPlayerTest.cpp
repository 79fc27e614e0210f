// EMF+ playback: which files draw from their EMF+ records, GetDC sections,
// objects, transforms and states, clipping, text and images, and damaged
// input that must stop drawing cleanly.
#include "EmfPlusBuilder.h"

#include <gdi/FontMapper.h>
#include <metafile/EmfPlus.h>

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <functional>
#include <tuple>

using namespace testmf;

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;
constexpr QRgb red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF;

// EMF records of a blue rectangle without outline (the fallback drawing).
void addEmfRectangle(EmfBuilder& emf, QRect r)
{
    emf.add(39, {1, 0, 0xFF0000, 0}); // solid brush, COLORREF blue
    emf.add(37, {1});
    emf.add(37, {0x80000008}); // NULL_PEN
    // Without a pen Windows leaves out the right and bottom edges.
    emf.add(43, {r.left(), r.top(), r.right() + 2, r.bottom() + 2});
}

struct Played {
    QImage image;
    plat::PlaybackResult result;
};

Played play(const EmfBuilder& emf)
{
    Played p{whiteImage(96, 96), {}};
    p.result = playEmf(emf.bytes(), p.image);
    return p;
}

// An EMF+ only picture: header, then the body's records in one comment.
Played playPlus(const std::function<void(EmfPlusBuilder&)>& body)
{
    EmfBuilder emf = emfPlusFrame();
    EmfPlusBuilder plus;
    plus.header(false).flush(emf);
    body(plus);
    plus.record(plus::EndOfFile, 0, {}).flush(emf);
    return play(emf);
}

QRgb rgb(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

// The glyph index of a character in the face a recorded family maps to.
std::uint16_t glyphOf(const QString& family, QChar c)
{
    plat::gdi::FontMapper mapper;
    plat::gdi::LogFont lf;
    lf.faceName = family;
    lf.height = -64;
    const QVector<quint32> indexes = mapper.face(lf).raw.glyphIndexesForString(QString(c));
    return indexes.isEmpty() ? 0 : static_cast<std::uint16_t>(indexes.front());
}

Bytes withMatrix(Bytes d, double m11, double m12, double m21, double m22, double dx, double dy)
{
    d[8] = 1; // matrix present
    for (double v : {m11, m12, m21, m22, dx, dy})
        putFloat(d, static_cast<float>(v));
    return d;
}

QImage crop(const QImage& image, QRect r) { return image.copy(r).convertToFormat(QImage::Format_RGB32); }

struct PreferEmfPlus {
    PreferEmfPlus() { plat::SetEmfPlusPreference(plat::EmfPlusPreference::EmfPlus); }
    ~PreferEmfPlus() { plat::SetEmfPlusPreference(plat::EmfPlusPreference::Fallback); }
};

} // namespace

// ---------------------------------------------------------------- choice of records

TEST(EmfPlusChoice, EmfPlusOnlyFilesDrawTheirEmfPlusRecordsAndSkipEmfDrawing)
{
    EmfBuilder emf = emfPlusFrame();
    EmfPlusBuilder plus;
    plus.header(false).fillColor(kRed, QRectF(10, 10, 20, 20)).flush(emf);
    addEmfRectangle(emf, QRect(50, 50, 20, 20)); // outside any GetDC: not drawn
    const Played p = play(emf);
    EXPECT_EQ(p.result.status, plat::PlaybackStatus::Complete);
    EXPECT_EQ(countColor(p.image, red, QRect(10, 10, 20, 20)), 400);
    EXPECT_EQ(countColor(p.image, red), 400);
    EXPECT_EQ(countColor(p.image, blue), 0);
}

TEST(EmfPlusChoice, DualFilesDrawTheirFallbackUnlessEmfPlusIsPreferred)
{
    EmfBuilder emf = emfPlusFrame();
    EmfPlusBuilder plus;
    plus.header(true).fillColor(kRed, QRectF(10, 10, 20, 20)).flush(emf);
    addEmfRectangle(emf, QRect(50, 50, 20, 20));
    const Played fallback = play(emf);
    EXPECT_EQ(countColor(fallback.image, red), 0);
    EXPECT_EQ(countColor(fallback.image, blue, QRect(50, 50, 20, 20)), 400);

    PreferEmfPlus prefer;
    const Played preferred = play(emf);
    EXPECT_EQ(countColor(preferred.image, red, QRect(10, 10, 20, 20)), 400);
    EXPECT_EQ(countColor(preferred.image, blue), 0);
}

TEST(EmfPlusChoice, DualFilesWithoutEmfDrawingDrawFromEmfPlus)
{
    EmfBuilder emf = emfPlusFrame();
    EmfPlusBuilder plus;
    plus.header(true).fillColor(kRed, QRectF(10, 10, 20, 20)).flush(emf);
    emf.add(33, {}); // SaveDC: state, not drawing
    const Played p = play(emf);
    EXPECT_EQ(countColor(p.image, red), 400);
}

TEST(EmfPlusChoice, EmfRecordsAfterGetDCDrawUntilTheNextEmfPlusRecord)
{
    EmfBuilder emf = emfPlusFrame();
    EmfPlusBuilder plus;
    plus.header(false).record(plus::GetDC, 0, {}).flush(emf);
    addEmfRectangle(emf, QRect(0, 0, 10, 10)); // inside the GetDC section
    plus.fillColor(kRed, QRectF(40, 40, 10, 10)).flush(emf);
    addEmfRectangle(emf, QRect(70, 70, 10, 10)); // after it
    const Played p = play(emf);
    EXPECT_EQ(countColor(p.image, blue, QRect(0, 0, 10, 10)), 100);
    EXPECT_EQ(countColor(p.image, blue), 100);
    EXPECT_EQ(countColor(p.image, red), 100);
}

TEST(EmfPlusChoice, GetDCSectionsDrawInsideTheEmfPlusClipAndKeepTheirOwnClipToThemselves)
{
    EmfBuilder emf = emfPlusFrame();
    EmfPlusBuilder plus;
    plus.header(false).floats(plus::SetClipRect, 0, {0, 0, 48, 96}).record(plus::GetDC, 0, {}).flush(emf);
    addEmfRectangle(emf, QRect(0, 10, 96, 20)); // clipped to the left half
    emf.add(30, {0, 0, 10, 10});                // IntersectClipRect, never undone
    plus.record(plus::ResetClip, 0, {}).fillColor(kRed, QRectF(50, 50, 20, 20)).flush(emf);
    plus.record(plus::GetDC, 0, {}).flush(emf);
    addEmfRectangle(emf, QRect(0, 75, 96, 10)); // no EMF+ clip now
    plus.floats(plus::SetClipRect, 0, {0, 0, 0, 0}).record(plus::GetDC, 0, {}).flush(emf);
    addEmfRectangle(emf, QRect(0, 88, 96, 5)); // an empty clip shows nothing
    plus.record(plus::EndOfFile, 0, {}).flush(emf);
    const Played p = play(emf);
    EXPECT_EQ(p.result.status, plat::PlaybackStatus::Complete);
    EXPECT_EQ(countColor(p.image, blue, QRect(0, 10, 48, 20)), 48 * 20);
    EXPECT_EQ(countColor(p.image, blue, QRect(0, 0, 96, 40)), 48 * 20);
    EXPECT_EQ(countColor(p.image, red), 400);
    EXPECT_EQ(countColor(p.image, blue, QRect(0, 75, 96, 10)), 960);
    EXPECT_EQ(countColor(p.image, blue, QRect(0, 86, 96, 10)), 0);
}

// ---------------------------------------------------------------- objects

TEST(EmfPlusObjects, BrushesFillWithTheirColoursPatternsAndGradients)
{
    const Played hatch = playPlus(
        [](EmfPlusBuilder& b) { b.hatchBrush(1, 4 /* cross */, kRed, kBlue).fillRects(0, 1, {QRectF(0, 0, 32, 32)}); });
    EXPECT_GT(countColor(hatch.image, red, QRect(0, 0, 32, 32)), 50);
    EXPECT_GT(countColor(hatch.image, blue, QRect(0, 0, 32, 32)), 500);
    EXPECT_EQ(rgb(hatch.image, 40, 40), 0xFFFFFFu);

    const Played linear = playPlus([](EmfPlusBuilder& b) {
        b.linearBrush(2, QRectF(0, 0, 96, 10), kRed, kBlue).fillRects(0, 2, {QRectF(0, 0, 96, 96)});
    });
    EXPECT_GT(qRed(linear.image.pixel(1, 50)), 240);
    EXPECT_LT(qBlue(linear.image.pixel(1, 50)), 15);
    EXPECT_GT(qBlue(linear.image.pixel(94, 50)), 240);
    EXPECT_NEAR(qRed(linear.image.pixel(48, 50)), 128, 12);

    const Played radial = playPlus([](EmfPlusBuilder& b) {
        b.pathGradientBrush(3, QPointF(48, 48), kGreen, kBlue,
                            {QPointF(16, 16), QPointF(80, 16), QPointF(80, 80), QPointF(16, 80)})
            .fillRects(0, 3, {QRectF(0, 0, 96, 96)});
    });
    EXPECT_GT(qGreen(radial.image.pixel(48, 48)), 230);
    EXPECT_GT(qBlue(radial.image.pixel(18, 48)), qGreen(radial.image.pixel(18, 48)));
    EXPECT_EQ(rgb(radial.image, 8, 8), 0xFFFFFFu); // a path gradient paints inside its boundary only
}

TEST(EmfPlusObjects, PensStrokePathsAtTheirWidthAndPathsFill)
{
    const std::vector<QPointF> square{QPointF(20, 20), QPointF(70, 20), QPointF(70, 70), QPointF(20, 70)};
    const Played p = playPlus([&](EmfPlusBuilder& b) {
        b.path(1, square, {0, 1, 1, 0x81}).pen(2, 6, kRed);
        Bytes penId;
        put32(penId, 2);
        b.record(plus::DrawPath, 1, penId);
    });
    EXPECT_EQ(rgb(p.image, 45, 20), red);
    EXPECT_EQ(rgb(p.image, 45, 22), red);
    EXPECT_EQ(rgb(p.image, 45, 17), red);
    EXPECT_EQ(rgb(p.image, 45, 25), 0xFFFFFFu); // 6 wide, centred on the edge
    EXPECT_EQ(rgb(p.image, 45, 45), 0xFFFFFFu);

    const Played filled = playPlus([&](EmfPlusBuilder& b) {
        b.path(1, square, {0, 1, 1, 0x81});
        Bytes brush;
        put32(brush, kBlue);
        b.record(plus::FillPath, plus::ColorFlag | 1, brush);
    });
    EXPECT_EQ(countColor(filled.image, blue), 50 * 50);
}

TEST(EmfPlusObjects, ContinuedObjectsAreAssembledBeforeUse)
{
    const Bytes brush = EmfPlusBuilder::solidBrushData(kRed);
    const Played p = playPlus([&](EmfPlusBuilder& b) {
        Bytes first, second;
        put32(first, static_cast<std::uint32_t>(brush.size()));
        first.insert(first.end(), brush.begin(), brush.begin() + 8);
        put32(second, static_cast<std::uint32_t>(brush.size()));
        second.insert(second.end(), brush.begin() + 8, brush.end());
        b.record(plus::Object, plus::ContinueFlag | 0x0105, first);
        b.record(plus::Object, plus::ContinueFlag | 0x0105, second);
        b.fillRects(0, 5, {QRectF(0, 0, 10, 10)});
    });
    EXPECT_EQ(p.result.status, plat::PlaybackStatus::Complete);
    EXPECT_EQ(countColor(p.image, red), 100);
}

TEST(EmfPlusObjects, BitmapImagesDrawTheirSourceRectangleScaled)
{
    const Played p = playPlus([](EmfPlusBuilder& b) {
        b.bitmap(1, 2, 2, {kRed, kGreen, kBlue, 0xFF000000});
        b.record(0x4021, 5, {}); // nearest-neighbour interpolation
        Bytes d;
        put32(d, 0xFFFFFFFF); // no image attributes
        put32(d, 2);          // source unit: pixels
        EmfPlusBuilder::putRect(d, QRectF(0, 0, 2, 2));
        EmfPlusBuilder::putRect(d, QRectF(0, 0, 96, 96));
        b.record(plus::DrawImage, 1, d);
        Bytes pts; // the lower-right pixel alone, onto a parallelogram at 0,0
        put32(pts, 0xFFFFFFFF);
        put32(pts, 2);
        EmfPlusBuilder::putRect(pts, QRectF(1, 1, 1, 1));
        put32(pts, 3);
        for (QPointF q : {QPointF(0, 0), QPointF(10, 0), QPointF(0, 10)})
            EmfPlusBuilder::putPoint(pts, q);
        b.record(plus::DrawImagePoints, 1, pts);
    });
    EXPECT_EQ(rgb(p.image, 70, 24), green);
    EXPECT_EQ(rgb(p.image, 24, 70), blue);
    EXPECT_EQ(rgb(p.image, 70, 70), 0u);
    EXPECT_EQ(countColor(p.image, 0, QRect(0, 0, 10, 10)), 100);
}

// Bitmap sources reaching past the image: nothing there without
// attributes, tiles (mirrored or not) or the clamp colour with them.
TEST(EmfPlusObjects, ImageAttributesWrapOrClampSourcesPastTheImage)
{
    const Played p = playPlus([](EmfPlusBuilder& b) {
        b.bitmap(1, 2, 1, {kRed, kGreen});
        b.record(0x4021, 5, {});        // nearest-neighbour interpolation
        b.imageAttributes(2, 0, 0);     // tile
        b.imageAttributes(3, 1, 0);     // tile, every other one mirrored across
        b.imageAttributes(4, 4, kBlue); // clamp to blue
        b.imageAttributes(5, 4, 0);     // clamp to transparent
        const QRectF twice(0, 0, 4, 1); // the image and as much again to its right
        b.drawImage(1, 0xFFFFFFFF, twice, QRectF(0, 0, 96, 16));
        b.drawImage(1, 2, twice, QRectF(0, 16, 96, 16));
        b.drawImage(1, 3, twice, QRectF(0, 32, 96, 16));
        b.drawImage(1, 4, twice, QRectF(0, 48, 96, 16));
        b.drawImage(1, 5, twice, QRectF(0, 64, 96, 16));
        b.drawImage(1, 3, QRectF(0, 0, 2, 1), QRectF(0, 80, 96, 16)); // inside the image: as it is
    });
    auto row = [&](int y) {
        return std::vector<QRgb>{rgb(p.image, 12, y), rgb(p.image, 36, y), rgb(p.image, 60, y), rgb(p.image, 84, y)};
    };
    const QRgb white = 0xFFFFFF;
    EXPECT_EQ(row(8), (std::vector<QRgb>{red, green, white, white}));
    EXPECT_EQ(row(24), (std::vector<QRgb>{red, green, red, green}));
    EXPECT_EQ(row(40), (std::vector<QRgb>{red, green, green, red}));
    EXPECT_EQ(row(56), (std::vector<QRgb>{red, green, blue, blue}));
    EXPECT_EQ(row(72), (std::vector<QRgb>{red, green, white, white}));
    EXPECT_EQ(countColor(p.image, red, QRect(0, 80, 48, 16)), 48 * 16);
    EXPECT_EQ(countColor(p.image, green, QRect(48, 80, 48, 16)), 48 * 16);
}

namespace {

// A 96 x 96 picture, blue on its left half and red on its right.
Bytes twoColourEmf()
{
    EmfBuilder emf = emfPlusFrame();
    addEmfRectangle(emf, QRect(0, 0, 48, 96));
    emf.add(39, {2, 0, 0x0000FF, 0}); // solid brush, COLORREF red
    emf.add(37, {2});
    emf.add(43, {48, 0, 97, 97});
    return emf.bytes();
}

// The same in a placeable WMF whose box is 0,0 - 100,100.
Bytes twoColourWmf()
{
    WmfBuilder wmf;
    wmf.add(0x02FA, {5, 0, 0, 0, 0}); // null pen, object 0
    wmf.add(0x012D, {0});
    wmf.add(0x02FC, {0, 0x0000, 0x00FF, 0}); // blue brush, object 1
    wmf.add(0x012D, {1});
    wmf.add(0x041B, {101, 51, 0, 0});        // Rectangle: bottom, right, top, left
    wmf.add(0x02FC, {0, 0x00FF, 0x0000, 0}); // red brush, object 2
    wmf.add(0x012D, {2});
    wmf.add(0x041B, {101, 101, 0, 50});
    return wmf.placeable(0, 0, 100, 100, 1440);
}

} // namespace

// A source rectangle shows that part of an embedded picture in the
// destination and nothing of the rest; the EMF+ clip holds for it too.
TEST(EmfPlusObjects, MetafileImagesShowTheirSourceRectangleCroppedAndClipped)
{
    for (const auto& [type, bytes, half] :
         {std::tuple{3u, twoColourEmf(), 48.0}, std::tuple{2u, twoColourWmf(), 50.0}}) {
        const Played p = playPlus([&](EmfPlusBuilder& b) {
            b.metafileImage(1, type, bytes);
            // The blue left half of the picture.
            b.drawImage(1, 0xFFFFFFFF, QRectF(0, 0, half, 2 * half), QRectF(24, 0, 48, 48));
            b.floats(plus::SetClipRect, 0, {0, 0, 30, 96});
            b.drawImage(1, 0xFFFFFFFF, QRectF(0, 0, 2 * half, 2 * half), QRectF(0, 60, 96, 30));
        });
        EXPECT_EQ(countColor(p.image, blue, QRect(26, 2, 44, 44)), 44 * 44) << type;
        EXPECT_EQ(countColor(p.image, red), 0) << type;
        EXPECT_EQ(countColor(p.image, 0xFFFFFF, QRect(0, 0, 22, 50)), 22 * 50) << type;
        EXPECT_EQ(countColor(p.image, 0xFFFFFF, QRect(74, 0, 22, 50)), 22 * 50) << type;
        EXPECT_EQ(countColor(p.image, 0xFFFFFF, QRect(0, 48, 96, 11)), 96 * 11) << type;
        EXPECT_EQ(countColor(p.image, blue, QRect(0, 62, 30, 26)), 30 * 26) << type;
        EXPECT_EQ(countColor(p.image, 0xFFFFFF, QRect(30, 55, 66, 41)), 66 * 41) << type;
    }
}

// ---------------------------------------------------------------- transforms and states

TEST(EmfPlusTransforms, WorldAndPageTransformsPlaceDrawing)
{
    const Played p = playPlus([](EmfPlusBuilder& b) {
        b.matrixRecord(plus::SetWorldTransform, 0, 1, 0, 0, 1, 40, 0);
        b.fillColor(kRed, QRectF(0, 0, 10, 10)); // at 40,0
        b.index(plus::Save, 7);
        b.floats(plus::TranslateWorldTransform, 0, {0, 40}); // before the world: 40,40
        b.floats(plus::ScaleWorldTransform, 0x2000, {2, 2}); // after it: everything doubled
        b.fillColor(kBlue, QRectF(0, 0, 5, 5));              // at 80,80, 10 wide
        b.index(plus::Restore, 7);
        b.fillColor(kGreen, QRectF(0, 20, 10, 10)); // at 40,20 again
        b.record(plus::ResetWorldTransform, 0, {});
        b.floats(plus::SetPageTransform, 4 /* inch */, {0.125}); // 1 unit = 12 pixels
        b.fillColor(kGreen, QRectF(0, 7, 1, 1));                 // 0,84 .. 12,96
    });
    EXPECT_EQ(countColor(p.image, red, QRect(40, 0, 10, 10)), 100);
    EXPECT_EQ(countColor(p.image, blue, QRect(80, 80, 10, 10)), 100);
    EXPECT_EQ(countColor(p.image, blue), 100);
    EXPECT_EQ(countColor(p.image, green, QRect(40, 20, 10, 10)), 100);
    EXPECT_EQ(countColor(p.image, green, QRect(0, 84, 12, 12)), 144);
}

TEST(EmfPlusTransforms, ContainersMapTheirSourceOntoTheirDestinationUntilTheyEnd)
{
    const Played p = playPlus([](EmfPlusBuilder& b) {
        Bytes d;
        EmfPlusBuilder::putRect(d, QRectF(10, 10, 40, 40)); // destination
        EmfPlusBuilder::putRect(d, QRectF(0, 0, 20, 20));   // source: twice as large
        put32(d, 3);
        b.record(plus::BeginContainer, 0x0200, d); // unit: pixels
        b.fillColor(kRed, QRectF(0, 0, 10, 10));   // 10,10 .. 30,30
        b.index(plus::EndContainer, 3);
        b.fillColor(kBlue, QRectF(60, 60, 10, 10));
    });
    EXPECT_EQ(countColor(p.image, red, QRect(10, 10, 20, 20)), 400);
    EXPECT_EQ(countColor(p.image, red), 400);
    EXPECT_EQ(countColor(p.image, blue, QRect(60, 60, 10, 10)), 100);
}

// ---------------------------------------------------------------- clipping

TEST(EmfPlusClip, RectsPathsAndRegionsCombineByTheirModes)
{
    const Played p = playPlus([](EmfPlusBuilder& b) {
        b.floats(plus::SetClipRect, 0x0000, {10, 10, 40, 40}); // replace
        b.floats(plus::SetClipRect, 0x0400, {20, 20, 10, 10}); // exclude
        b.fillColor(kRed, QRectF(0, 0, 96, 96));
        b.rectRegion(1, QRectF(60, 60, 30, 30));
        b.record(plus::SetClipRegion, 0x0001, {});             // replace with the region
        b.floats(plus::SetClipRect, 0x0100, {50, 50, 20, 20}); // intersect: 60..70
        b.fillColor(kBlue, QRectF(0, 0, 96, 96));
        b.record(plus::ResetClip, 0, {});
        b.fillColor(kGreen, QRectF(90, 0, 6, 6));
    });
    EXPECT_EQ(countColor(p.image, red), 1600 - 100);
    EXPECT_EQ(rgb(p.image, 25, 25), 0xFFFFFFu);
    EXPECT_EQ(countColor(p.image, blue), 100);
    EXPECT_EQ(countColor(p.image, blue, QRect(60, 60, 10, 10)), 100);
    EXPECT_EQ(countColor(p.image, green), 36);
}

// ---------------------------------------------------------------- text

TEST(EmfPlusText, StringsDrawInsideTheirLayoutBoxInTheirBrushColour)
{
    const Played p = playPlus([](EmfPlusBuilder& b) {
        b.font(1, 20, QStringLiteral("Arial"));
        Bytes d;
        put32(d, kRed);
        put32(d, 0xFFFFFFFF); // no string format
        const QString text = QStringLiteral("Hello");
        put32(d, static_cast<std::uint32_t>(text.size()));
        EmfPlusBuilder::putRect(d, QRectF(10, 30, 80, 30));
        for (QChar c : text)
            put16(d, c.unicode());
        b.record(plus::DrawString, plus::ColorFlag | 1, d);
    });
    const QRect ink = inkBounds(p.image);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_TRUE(QRect(10, 30, 80, 30).contains(ink))
        << ink.x() << "," << ink.y() << " " << ink.width() << "x" << ink.height();
    EXPECT_GT(ink.width(), 30);
    EXPECT_GT(countColor(p.image, red), 20);
}

namespace {

Bytes driverString(std::uint32_t argb, const QString& text, QPointF at, std::uint32_t options = 1)
{
    Bytes d;
    put32(d, argb);
    put32(d, options); // 1: characters, not glyph indexes
    put32(d, 0);       // no matrix
    put32(d, static_cast<std::uint32_t>(text.size()));
    for (QChar c : text)
        put16(d, c.unicode());
    for (qsizetype i = 0; i < text.size(); ++i)
        EmfPlusBuilder::putPoint(d, at + QPointF(20.0 * i, 0));
    return d;
}

Bytes layoutString(std::uint32_t argb, const QString& text, QRectF box)
{
    Bytes d;
    put32(d, argb);
    put32(d, 0xFFFFFFFF); // no string format
    put32(d, static_cast<std::uint32_t>(text.size()));
    EmfPlusBuilder::putRect(d, box);
    for (QChar c : text)
        put16(d, c.unicode());
    return d;
}

} // namespace

// Qt's glyph cache cannot render glyphs stretched far out of shape; they are
// filled as outlines, stretched as the transform says.
TEST(EmfPlusText, StretchedTextIsDrawnStretched)
{
    const Played p = playPlus([](EmfPlusBuilder& b) {
        b.font(1, 16, QStringLiteral("Arial"));
        b.matrixRecord(plus::SetWorldTransform, 0, 6, 0, 0, 1, 0, 0);
        b.record(plus::DrawDriverString, plus::ColorFlag | 1, driverString(kBlue, QStringLiteral("H"), {1, 30}));
        b.record(plus::DrawString, plus::ColorFlag | 1, layoutString(kRed, QStringLiteral("H"), {0, 50, 16, 40}));
    });
    // Unstretched, an H of 16 pixels ends before x = 20.
    EXPECT_GT(countColor(p.image, blue, QRect(40, 10, 30, 25)), 20);
    EXPECT_GT(countColor(p.image, red, QRect(30, 50, 30, 30)), 20);
}

namespace {
QStringList qtWarnings;
} // namespace

TEST(EmfPlusText, DegenerateTextTransformsEndPlayback)
{
    // Rendering such glyphs through the glyph cache makes FreeType fail,
    // and Qt then copies from a null bitmap (a crash under ASan).
    qtWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& message) { qtWarnings.append(message); });
    // Glyphs a hundred thousand times wider than tall, and the reverse.
    for (const auto& [sx, sy] : {std::pair{1e5, 1e-5}, std::pair{1e-5, 1e5}, std::pair{3e4, 3e4}}) {
        const Played p = playPlus([&](EmfPlusBuilder& b) {
            b.font(1, 16, QStringLiteral("Arial"));
            b.matrixRecord(plus::SetWorldTransform, 0, sx, 0, 0, sy, 0, 0);
            b.record(plus::DrawDriverString, plus::ColorFlag | 1, driverString(kBlue, QStringLiteral("HW"), {0, 1}));
            b.record(plus::DrawDriverString, plus::ColorFlag | 1,
                     driverString(kBlue, QStringLiteral("HW"), {0, 1}, 1 | 4 /* realized advance */));
            b.record(plus::DrawString, plus::ColorFlag | 1, layoutString(kRed, QStringLiteral("HW"), {0, 0, 1, 1}));
            const QString indexes(2, QChar(glyphOf(QStringLiteral("Arial"), u'W')));
            b.record(plus::DrawDriverString, plus::ColorFlag | 1, driverString(kBlue, indexes, {0, 1}, 0));
            b.record(plus::DrawDriverString, plus::ColorFlag | 1, driverString(kBlue, indexes, {0, 1}, 4));
            b.record(plus::ResetWorldTransform, 0, {});
            b.fillColor(kGreen, QRectF(80, 80, 10, 10));
        });
        EXPECT_EQ(countColor(p.image, green, QRect(80, 80, 10, 10)), 100) << sx << " x " << sy;
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(qtWarnings.filter(QStringLiteral("render glyph failed")).isEmpty())
        << qtWarnings.join(u'\n').toStdString();
}

// ---------------------------------------------------------------- damaged input

TEST(EmfPlusBadInput, DamagedRecordsStopDrawingAndKeepWhatCameBefore)
{
    // An object index past the table.
    const Played outside = playPlus([](EmfPlusBuilder& b) {
        b.fillColor(kRed, QRectF(0, 0, 10, 10));
        b.solidBrush(64, kBlue);
        b.fillColor(kGreen, QRectF(20, 20, 10, 10));
    });
    EXPECT_EQ(outside.result.status, plat::PlaybackStatus::BadRecord);
    EXPECT_EQ(countColor(outside.image, red), 100);
    EXPECT_EQ(countColor(outside.image, green), 0);

    // A record whose size runs past its comment, and one whose data size
    // runs past its record.
    for (const auto& [size, dataSize] : {std::pair<std::uint32_t, std::uint32_t>{4000, 4}, {16, 400}}) {
        EmfBuilder emf = emfPlusFrame();
        EmfPlusBuilder plus;
        plus.header(false).fillColor(kRed, QRectF(0, 0, 10, 10)).flush(emf);
        Bytes comment;
        put32(comment, 4 + 16);
        put32(comment, 0x2B464D45); // "EMF+"
        put16(comment, plus::Clear);
        put16(comment, 0);
        put32(comment, size);
        put32(comment, dataSize);
        put32(comment, kBlue);
        emf.addRaw(70, comment);
        const Played damaged = play(emf);
        EXPECT_EQ(damaged.result.status, plat::PlaybackStatus::BadRecord) << size << " " << dataSize;
        EXPECT_EQ(countColor(damaged.image, red), 100);
        EXPECT_EQ(countColor(damaged.image, blue), 0);
    }
}

TEST(EmfPlusBadInput, ContinuedObjectsThatNeverCompleteStop)
{
    auto firstChunk = [](EmfPlusBuilder& b, std::uint32_t total) {
        Bytes d;
        put32(d, total);
        const Bytes brush = EmfPlusBuilder::solidBrushData(kRed);
        d.insert(d.end(), brush.begin(), brush.begin() + 8);
        b.record(plus::Object, plus::ContinueFlag | 0x0101, d);
    };
    // Interrupted by a drawing record.
    const Played interrupted = playPlus([&](EmfPlusBuilder& b) {
        firstChunk(b, 12);
        b.fillColor(kGreen, QRectF(0, 0, 10, 10));
    });
    EXPECT_EQ(interrupted.result.status, plat::PlaybackStatus::BadRecord);
    EXPECT_EQ(countColor(interrupted.image, green), 0);

    // Cut short by the end of the picture.
    EmfBuilder emf = emfPlusFrame();
    EmfPlusBuilder plus;
    plus.header(false);
    firstChunk(plus, 12);
    plus.flush(emf);
    EXPECT_EQ(play(emf).result.status, plat::PlaybackStatus::BadRecord);

    // Claiming more bytes than the whole file holds.
    const Played huge = playPlus([&](EmfPlusBuilder& b) { firstChunk(b, 0x7FFFFFFF); });
    EXPECT_EQ(huge.result.status, plat::PlaybackStatus::BadRecord);
}

TEST(EmfPlusBadInput, ContainersThatNeverEndStopBeforeTheStateStackGrowsWithoutBound)
{
    const Played p = playPlus([](EmfPlusBuilder& b) {
        b.fillColor(kRed, QRectF(0, 0, 10, 10));
        for (int i = 0; i < 5000; ++i)
            b.index(plus::BeginContainerNoParams, static_cast<std::uint32_t>(i));
        b.fillColor(kGreen, QRectF(20, 20, 10, 10));
    });
    EXPECT_EQ(p.result.status, plat::PlaybackStatus::BadRecord);
    EXPECT_EQ(countColor(p.image, red), 100);
    EXPECT_EQ(countColor(p.image, green), 0);
}

TEST(EmfPlusBadInput, UndefinedObjectsDrawNothingButPlaybackGoesOn)
{
    const Played p = playPlus([](EmfPlusBuilder& b) {
        b.fillRects(0, 9, {QRectF(0, 0, 10, 10)}); // brush 9 was never defined
        Bytes penId;
        put32(penId, 3);
        b.record(plus::DrawPath, 4, penId); // neither path 4 nor pen 3
        b.fillColor(kRed, QRectF(20, 20, 10, 10));
    });
    EXPECT_EQ(p.result.status, plat::PlaybackStatus::Complete);
    EXPECT_EQ(countColor(p.image, red), 100);
    EXPECT_EQ(countColor(p.image, red, QRect(20, 20, 10, 10)), 100);
}

TEST(EmfPlusBadInput, HostileFillsEndWithinTheWorkBudget)
{
    // Hundreds of fills of a polygon of thousands of random, crossing points
    // over the whole picture: the budget ends them, quickly.
    Bytes polygon;
    put32(polygon, kRed);
    constexpr std::uint32_t kPoints = 20000;
    put32(polygon, kPoints);
    std::uint32_t seed = 12345;
    for (std::uint32_t i = 0; i < 2 * kPoints; ++i) {
        seed = seed * 1103515245u + 12345u;
        putFloat(polygon, static_cast<float>((seed >> 16) % 96));
    }
    EmfBuilder emf = emfPlusFrame();
    EmfPlusBuilder plus;
    plus.header(false).flush(emf);
    for (int i = 0; i < 150; ++i)
        plus.record(plus::FillPolygon, plus::ColorFlag, polygon).flush(emf);
    QElapsedTimer timer;
    timer.start();
    const Played p = play(emf);
    // Unbudgeted, these fills take minutes; the bound leaves room for a
    // sanitizer build on a busy machine (1.5 s seen there).
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_EQ(p.result.status, plat::PlaybackStatus::Complete);
    EXPECT_GT(countColor(p.image, red), 1000);
}

TEST(EmfPlusBadInput, HostileClipsOverGetDCSectionsEndWithinTheWorkBudget)
{
    // A clip of thousands of random, crossing edges, then hundreds of GetDC
    // sections that each draw inside it: making the clip a region for each
    // is paid from the budget like drawing.
    std::vector<QPointF> points;
    std::vector<std::uint8_t> types;
    std::uint32_t seed = 777;
    for (int i = 0; i < 19990; ++i) {
        seed = seed * 1103515245u + 12345u;
        const double x = (seed >> 16) % 96;
        seed = seed * 1103515245u + 12345u;
        points.emplace_back(x, (seed >> 16) % 96);
        types.push_back(i == 0 ? 0 : 1);
    }
    EmfBuilder emf = emfPlusFrame();
    EmfPlusBuilder plus;
    plus.header(false).path(1, points, types).record(plus::SetClipPath, 1, {}).flush(emf);
    for (int i = 0; i < 300; ++i) {
        plus.record(plus::GetDC, 0, {}).flush(emf);
        addEmfRectangle(emf, QRect(0, 0, 96, 96));
    }
    plus.record(plus::EndOfFile, 0, {}).flush(emf);
    QElapsedTimer timer;
    timer.start();
    const Played p = play(emf);
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_EQ(p.result.status, plat::PlaybackStatus::Complete);
}

TEST(EmfPlusShapes, EllipsesPiesPolygonsCurvesAndBeziersFillAndStrokeWhereTheyLie)
{
    const Played p = playPlus([](EmfPlusBuilder& b) {
        Bytes ellipse;
        put32(ellipse, kRed);
        EmfPlusBuilder::putRect(ellipse, QRectF(0, 0, 40, 40));
        b.record(plus::FillEllipse, plus::ColorFlag, ellipse);
        // A pie from 0 degrees sweeping 90 clockwise: the lower right quarter.
        Bytes pie;
        put32(pie, kBlue);
        putFloat(pie, 0);
        putFloat(pie, 90);
        EmfPlusBuilder::putRect(pie, QRectF(50, 0, 40, 40));
        b.record(plus::FillPie, plus::ColorFlag, pie);
        // A closed curve through four points, nonzero fill.
        Bytes curve;
        put32(curve, kGreen);
        putFloat(curve, 0.5f);
        put32(curve, 4);
        for (QPointF q : {QPointF(10, 50), QPointF(40, 50), QPointF(40, 80), QPointF(10, 80)})
            EmfPlusBuilder::putPoint(curve, q);
        b.record(plus::FillClosedCurve, plus::ColorFlag | 0x2000, curve);
        // A closed polyline and a Bezier drawn with a 3-wide pen.
        b.pen(1, 3, kRed);
        Bytes lines;
        put32(lines, 3);
        for (QPointF q : {QPointF(60, 60), QPointF(90, 60), QPointF(60, 90)})
            EmfPlusBuilder::putPoint(lines, q);
        b.record(plus::DrawLines, 0x2000 | 1, lines);
        Bytes bezier;
        put32(bezier, 4);
        for (QPointF q : {QPointF(50, 92), QPointF(60, 92), QPointF(80, 92), QPointF(94, 92)})
            EmfPlusBuilder::putPoint(bezier, q);
        b.record(plus::DrawBeziers, 1, bezier);
    });
    EXPECT_EQ(rgb(p.image, 20, 20), red);
    EXPECT_EQ(rgb(p.image, 2, 2), 0xFFFFFFu); // outside the ellipse, inside its box
    EXPECT_EQ(rgb(p.image, 80, 30), blue);
    EXPECT_EQ(rgb(p.image, 80, 10), 0xFFFFFFu);
    EXPECT_EQ(rgb(p.image, 60, 30), 0xFFFFFFu);
    EXPECT_EQ(rgb(p.image, 25, 65), green);
    EXPECT_EQ(rgb(p.image, 75, 60), red); // top edge
    EXPECT_EQ(rgb(p.image, 60, 75), red); // left edge
    EXPECT_EQ(rgb(p.image, 75, 75), red); // the closing diagonal
    EXPECT_EQ(rgb(p.image, 66, 66), 0xFFFFFFu);
    EXPECT_EQ(rgb(p.image, 72, 92), red);
}

TEST(EmfPlusText, DriverStringsPlaceEachCharacterAtItsPosition)
{
    const Played p = playPlus([](EmfPlusBuilder& b) {
        b.font(1, 16, QStringLiteral("Arial"));
        Bytes d;
        put32(d, kBlue);
        put32(d, 1); // characters, not glyph indexes
        put32(d, 0); // no matrix
        put32(d, 2);
        put16(d, 'H');
        put16(d, 'H');
        EmfPlusBuilder::putPoint(d, QPointF(10, 30)); // baselines
        EmfPlusBuilder::putPoint(d, QPointF(70, 80));
        b.record(plus::DrawDriverString, plus::ColorFlag | 1, d);
    });
    EXPECT_GT(countColor(p.image, blue, QRect(8, 14, 16, 18)), 5);
    EXPECT_GT(countColor(p.image, blue, QRect(68, 64, 16, 18)), 5);
    EXPECT_EQ(countColor(p.image, blue, QRect(30, 35, 30, 25)), 0);
}

TEST(EmfPlusText, DriverStringGlyphIndexesDrawTheFacesGlyphs)
{
    const std::uint16_t h = glyphOf(QStringLiteral("Arial"), u'H');
    ASSERT_NE(h, 0);
    ASSERT_NE(h, u'H'); // else indexes drawn as characters would pass
    const Played p = playPlus([&](EmfPlusBuilder& b) {
        b.font(1, 20, QStringLiteral("Arial"));
        b.record(plus::DrawDriverString, plus::ColorFlag | 1, driverString(kBlue, QStringLiteral("H"), {10, 30}));
        b.record(plus::DrawDriverString, plus::ColorFlag | 1, driverString(kBlue, QString(QChar(h)), {10, 80}, 0));
        // Indexes past the face's glyphs draw nothing; playback goes on.
        b.record(plus::DrawDriverString, plus::ColorFlag | 1, driverString(kRed, QString(QChar(0xFFFE)), {60, 30}, 0));
        b.fillColor(kGreen, QRectF(80, 80, 10, 10));
    });
    EXPECT_EQ(p.result.status, plat::PlaybackStatus::Complete);
    const QImage byChar = crop(p.image, QRect(0, 0, 40, 40)), byIndex = crop(p.image, QRect(0, 50, 40, 40));
    EXPECT_GT(countColor(byIndex, blue), 20);
    EXPECT_EQ(byChar, byIndex);
    EXPECT_EQ(countColor(p.image, red), 0);
    EXPECT_EQ(countColor(p.image, green), 100);
}

TEST(EmfPlusText, DriverStringMatrixTransformsGlyphsAndPositions)
{
    const std::uint16_t h = glyphOf(QStringLiteral("Arial"), u'H');
    auto inkOf = [&](bool scaled, std::uint32_t options, const QString& text) {
        const Played p = playPlus([&](EmfPlusBuilder& b) {
            b.font(1, 16, QStringLiteral("Arial"));
            Bytes d = driverString(kBlue, text, {5, 20}, options);
            if (scaled)
                d = withMatrix(d, 2, 0, 0, 2, 0, 0);
            b.record(plus::DrawDriverString, plus::ColorFlag | 1, d);
        });
        return inkBounds(p.image);
    };
    for (const auto& [options, text] : {std::pair{0u, QString(QChar(h))}, std::pair{1u, QStringLiteral("H")}}) {
        const QRect plain = inkOf(false, options, text), doubled = inkOf(true, options, text);
        ASSERT_FALSE(plain.isEmpty()) << options;
        EXPECT_NEAR(doubled.height(), 2 * plain.height(), 2) << options;
        EXPECT_NEAR(doubled.width(), 2 * plain.width(), 2) << options;
        EXPECT_NEAR(doubled.left(), 2 * plain.left(), 2) << options;
        EXPECT_NEAR(doubled.bottom(), 2 * plain.bottom(), 3) << options;
    }
    // With realized advances the glyphs follow each other from the first position.
    const QRect one = inkOf(false, 4, QString(QChar(h))), two = inkOf(false, 4, QString(2, QChar(h)));
    EXPECT_EQ(two.left(), one.left());
    EXPECT_GT(two.width(), 2 * one.width());
    EXPECT_LT(two.width(), 3 * one.width());
}

TEST(EmfPlusText, StretchedGlyphIndexesAreFilledAsTheirOutlines)
{
    const std::uint16_t h = glyphOf(QStringLiteral("Arial"), u'H');
    const Played p = playPlus([&](EmfPlusBuilder& b) {
        b.font(1, 16, QStringLiteral("Arial"));
        b.matrixRecord(plus::SetWorldTransform, 0, 6, 0, 0, 1, 0, 0);
        b.record(plus::DrawDriverString, plus::ColorFlag | 1, driverString(kBlue, QStringLiteral("H"), {1, 30}));
        b.record(plus::DrawDriverString, plus::ColorFlag | 1, driverString(kBlue, QString(QChar(h)), {1, 70}, 0));
    });
    const QImage byChar = crop(p.image, QRect(0, 0, 96, 40)), byIndex = crop(p.image, QRect(0, 40, 96, 40));
    EXPECT_GT(countColor(byIndex, blue, QRect(40, 0, 30, 40)), 20);
    EXPECT_EQ(byChar, byIndex);
}

// A pen about a pixel wide, drawn without anti-aliasing under a transform
// that squeezes it a little vertically, leaves no gaps along a flat ellipse
// (a band thinner than a pixel misses pixel centres).
TEST(EmfPlusObjects, AliasedPixelWidePensDrawUnbrokenOutlines)
{
    for (const float width : {1.0f, 1.2f}) {
        const Played p = playPlus([&](EmfPlusBuilder& b) {
            b.pen(1, width, 0xFF000000);
            b.matrixRecord(plus::SetWorldTransform, 0, 1.12377, 0, 0, 0.916444, 0, 0);
            Bytes d;
            EmfPlusBuilder::putRect(d, QRectF(4.7, 22.3, 76, 22));
            b.record(0x400F, 1, d); // DrawEllipse
        });
        int broken = 0;
        for (int x = 10; x <= 85; ++x) // the upper arc crosses every one of these columns
            broken += countColor(p.image, 0, QRect(x, 15, 1, 16)) == 0;
        EXPECT_EQ(broken, 0) << width;
    }
}
