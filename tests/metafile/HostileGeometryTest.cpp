// Pictures whose geometry alone would keep the scan converter busy for
// minutes: thousands of random self-intersecting polygons, single polygons
// and paths of tens of thousands of random points, wide pens along them.
// Playback must end soon, having drawn what the work budget pays for.
#include "MetafileBuilder.h"

#include <gdi/DeviceContext.h>
#include <gdi/GdiConstants.h>
#include <metafile/EnhancedMetafile.h>
#include <metafile/WindowsMetafile.h>

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <cstdint>
#include <vector>

using namespace plat;
using namespace testmf;

namespace {

enum : std::uint32_t {
    EMR_POLYGON16 = 86,
    EMR_POLYLINE16 = 87,
    EMR_POLYPOLYGON16 = 91,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_RECTANGLE = 43,
    EMR_BEGINPATH = 59,
    EMR_ENDPATH = 60,
    EMR_FILLPATH = 62,
    EMR_STROKEANDFILLPATH = 63,
    EMR_STROKEPATH = 64,
};

enum : std::uint16_t {
    META_SETWINDOWEXT = 0x020C,
    META_CREATEBRUSHINDIRECT = 0x02FC,
    META_SELECTOBJECT = 0x012D,
    META_POLYGON = 0x0324,
    META_POLYPOLYGON = 0x0538,
};

constexpr int kExtent = 1000; // logical units across the picture
// Far more than the few milliseconds these take now, far less than the
// minutes they took when fills were not budgeted.
constexpr qint64 kGenerousMs = 5000;

// A fixed pseudo-random sequence of points over the picture.
class RandomPoints {
public:
    std::uint32_t next() { return ((state_ = state_ * 1103515245u + 12345u) >> 16) % kExtent; }
    void put(Bytes& b, std::size_t count)
    {
        for (std::size_t i = 0; i < 2 * count; ++i)
            put16(b, next());
    }

private:
    std::uint32_t state_ = 1;
};

EmfBuilder pictureWithRedBrush()
{
    EmfBuilder b;
    b.bounds = {0, 0, kExtent - 1, kExtent - 1};
    b.devicePixels[0] = b.devicePixels[1] = kExtent;
    b.frame = {0, 0, kExtent * 10 - 1, kExtent * 10 - 1};
    b.deviceMillimetres[0] = b.deviceMillimetres[1] = kExtent / 10;
    b.add(EMR_CREATEBRUSHINDIRECT, {1, 0 /*BS_SOLID*/, 0x0000FF, 0});
    b.add(EMR_SELECTOBJECT, {1});
    return b;
}

void widePen(EmfBuilder& b)
{
    b.add(EMR_CREATEPEN, {2, 0 /*PS_SOLID*/, 40, 0, 0x00FF00});
    b.add(EMR_SELECTOBJECT, {2});
}

// Bounds, then a count, then points.
Bytes points16(std::size_t count, RandomPoints& random)
{
    Bytes body;
    for (int v : {0, 0, kExtent - 1, kExtent - 1})
        put32(body, static_cast<std::uint32_t>(v));
    put32(body, static_cast<std::uint32_t>(count));
    random.put(body, count);
    return body;
}

struct Outcome {
    PlaybackResult result;
    qint64 ms = 0;
    bool budgetLeft = true;
    int redPixels = 0;
    int otherPixels = 0; // neither red nor white: antialiased edges
};

Outcome playEmfTimed(const Bytes& bytes, int size = 1000)
{
    QImage image = whiteImage(size, size);
    Outcome o;
    QElapsedTimer timer;
    timer.start();
    const HGDIOBJ emf = SetEnhMetaFileBits(bytes);
    {
        DeviceContext dc(&image);
        o.result = PlayEnhMetaFile(dc, emf, QRectF(0, 0, size, size));
        o.budgetLeft = dc.allowPixelWork(1);
    }
    DeleteEnhMetaFile(emf);
    o.ms = timer.elapsed();
    o.redPixels = countColor(image, 0xFFFF0000);
    o.otherPixels = size * size - o.redPixels - countColor(image, 0xFFFFFFFF);
    return o;
}

Outcome playWmfTimed(const Bytes& standard, int size = 1000)
{
    QImage image = whiteImage(size, size);
    Outcome o;
    QElapsedTimer timer;
    timer.start();
    const HGDIOBJ mf = SetMetaFileBitsEx(standard);
    {
        DeviceContext dc(&image);
        dc.SetMapMode(gdi::MM_ANISOTROPIC);
        dc.SetViewportExtEx(size, size);
        o.result = PlayMetaFile(dc, mf);
        o.budgetLeft = dc.allowPixelWork(1);
    }
    DeleteMetaFile(mf);
    o.ms = timer.elapsed();
    o.redPixels = countColor(image, 0xFFFF0000);
    o.otherPixels = size * size - o.redPixels - countColor(image, 0xFFFFFFFF);
    return o;
}

void expectStoppedByTheBudget(const Outcome& o)
{
    EXPECT_EQ(o.result.status, PlaybackStatus::Complete);
    EXPECT_FALSE(o.budgetLeft) << "the scan conversion was not charged to the budget";
    EXPECT_LT(o.ms, kGenerousMs);
}

} // namespace

TEST(HostileGeometry, thousandsOfRandomTrianglesInOnePolyPolygon)
{
    RandomPoints random;
    EmfBuilder b = pictureWithRedBrush();
    b.add(EMR_SELECTOBJECT, {0x80000008}); // NULL_PEN: the fill alone
    constexpr std::size_t triangles = 5000;
    Bytes body;
    for (int v : {0, 0, kExtent - 1, kExtent - 1})
        put32(body, static_cast<std::uint32_t>(v));
    put32(body, triangles);
    put32(body, 3 * triangles);
    for (std::size_t i = 0; i < triangles; ++i)
        put32(body, 3);
    random.put(body, 3 * triangles);
    b.addRaw(EMR_POLYPOLYGON16, body);
    const Bytes bytes = b.bytes();
    EXPECT_LT(bytes.size(), 100000u);
    expectStoppedByTheBudget(playEmfTimed(bytes));
    // Smaller, the same picture is affordable on whole pixels.
    const Outcome small = playEmfTimed(bytes, 200);
    EXPECT_TRUE(small.budgetLeft);
    EXPECT_GT(small.redPixels, 10000);
    EXPECT_EQ(small.otherPixels, 0) << "drawn without antialiasing";
    EXPECT_LT(small.ms, kGenerousMs);
}

TEST(HostileGeometry, polygonsAndPathsOfTensOfThousandsOfRandomPoints)
{
    RandomPoints random;
    {
        SCOPED_TRACE("one polygon");
        EmfBuilder b = pictureWithRedBrush();
        b.addRaw(EMR_POLYGON16, points16(30000, random));
        expectStoppedByTheBudget(playEmfTimed(b.bytes()));
    }
    for (std::uint32_t end : {EMR_FILLPATH, EMR_STROKEPATH, EMR_STROKEANDFILLPATH}) {
        SCOPED_TRACE(end);
        EmfBuilder b = pictureWithRedBrush();
        widePen(b);
        b.add(EMR_BEGINPATH, {});
        b.addRaw(EMR_POLYGON16, points16(30000, random));
        b.add(EMR_ENDPATH, {});
        b.add(end, {0, 0, kExtent - 1, kExtent - 1});
        expectStoppedByTheBudget(playEmfTimed(b.bytes()));
    }
    {
        SCOPED_TRACE("wide pen along a polyline");
        EmfBuilder b = pictureWithRedBrush();
        widePen(b);
        b.addRaw(EMR_POLYLINE16, points16(30000, random));
        expectStoppedByTheBudget(playEmfTimed(b.bytes()));
    }
}

TEST(HostileGeometry, windowsMetafilePolygonsToo)
{
    RandomPoints random;
    auto start = [] {
        WmfBuilder b;
        b.add(META_SETWINDOWEXT, {kExtent, kExtent});
        b.add(META_CREATEBRUSHINDIRECT, {0, 0x00FF, 0x0000, 0});
        b.add(META_SELECTOBJECT, {0});
        return b;
    };
    {
        SCOPED_TRACE("polypolygon");
        WmfBuilder b = start();
        constexpr std::size_t triangles = 4000;
        Bytes params;
        put16(params, triangles);
        for (std::size_t i = 0; i < triangles; ++i)
            put16(params, 3);
        random.put(params, 3 * triangles);
        b.addRaw(META_POLYPOLYGON, params);
        expectStoppedByTheBudget(playWmfTimed(b.standard()));
    }
    {
        SCOPED_TRACE("polygon");
        WmfBuilder b = start();
        Bytes params;
        put16(params, 30000);
        random.put(params, 30000);
        b.addRaw(META_POLYGON, params);
        expectStoppedByTheBudget(playWmfTimed(b.standard()));
    }
}

TEST(HostileGeometry, busyButOrdinaryPicturesAreDrawnWhole)
{
    // Thousands of small shapes, and a hairline through thousands of random
    // points, cost little each: all of it is drawn.
    RandomPoints random;
    EmfBuilder b = pictureWithRedBrush();
    b.addRaw(EMR_POLYLINE16, points16(20000, random)); // the default black hairline
    for (int i = 0; i < 3000; ++i) {
        const int x = (i % 60) * 16, y = (i / 60) * 16;
        b.add(EMR_RECTANGLE, {x, y, x + 12, y + 12});
    }
    const Outcome o = playEmfTimed(b.bytes(), 400);
    EXPECT_EQ(o.result.status, PlaybackStatus::Complete);
    EXPECT_TRUE(o.budgetLeft);
    EXPECT_GT(o.redPixels, 10000);
    EXPECT_LT(o.ms, kGenerousMs);
}

TEST(HostileGeometry, penWiderThanThePictureIsSolid)
{
    // A dashed pen far wider than the picture is cut down to its size; its
    // dashes would then each cover the picture, thousands of times along a
    // long line. Drawn solid, the picture under the line is covered even
    // where a gap of the dashes would have fallen (700 of every 896 pixels
    // from the start, with the pen cut to 224).
    QImage image = whiteImage(40, 40);
    DeviceContext dc(&image);
    gdi::LogPen pen;
    pen.extended = true;
    pen.style = gdi::PS_GEOMETRIC | gdi::PS_DASH | gdi::PS_ENDCAP_FLAT;
    pen.width = 1e5;
    dc.selectPen(pen);
    QElapsedTimer timer;
    timer.start();
    dc.MoveToEx({20.0 - 700 - 896.0 * 1000, 20});
    dc.LineTo({1e6, 20});
    EXPECT_LT(timer.elapsed(), kGenerousMs);
    EXPECT_EQ(countColor(image, 0xFF000000), 40 * 40);
}
