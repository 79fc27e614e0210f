// The engine's metafile loaders and renderers: natural size arithmetic,
// scaling, the white background, and damaged files.
#include "MetafileBuilder.h"

#include <engine/MetafileLoaders.h>

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>

using namespace testmf;
using pictaf::Status;
using pictaf::TargetRect;

namespace {

enum : std::uint16_t { SETWINDOWEXT = 0x020C, SELECTOBJECT = 0x012D, CREATEBRUSHINDIRECT = 0x02FC, RECTANGLE = 0x041B };

class MetafileLoadersTest : public ::testing::Test {
protected:
    QTemporaryDir dir;

    std::string write(const std::string& name, const Bytes& bytes)
    {
        const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    // The bitmap's image (and the bitmap deleted), or null.
    static QImage take(pictaf::WorkBitmap bitmap)
    {
        QImage image;
        if (auto b = plat::LookupBitmap(bitmap))
            image = b->image.copy();
        plat::DeleteObject(bitmap);
        return image;
    }

    void TearDown() override { plat::SetLogPixels(96, 96); }
};

// A picture whose window is 1000 x 500 units with a red rectangle in its
// left half.
Bytes halfRedWmf(std::int16_t left, std::int16_t top, std::int16_t right, std::int16_t bottom, std::uint16_t inch)
{
    WmfBuilder b;
    b.add(SETWINDOWEXT, {500, 1000});
    b.add(CREATEBRUSHINDIRECT, {0, lo(0x0000FF), hi(0x0000FF), 0});
    b.add(SELECTOBJECT, {0});
    b.add(RECTANGLE, {501, 501, 0, 0});
    return b.placeable(left, top, right, bottom, inch);
}

} // namespace

TEST_F(MetafileLoadersTest, placeableSizeIsTheBoxInInchesAtScreenResolution)
{
    Status status;
    const QImage image =
        take(pictaf::LoadWmfFile(write("a.wmf", halfRedWmf(0, 0, 1000, 500, 1000)), 100, 100, 0, 0x00FF00, &status));
    EXPECT_EQ(status, Status::Ok);
    EXPECT_EQ(image.size(), QSize(96, 48));
    EXPECT_EQ(image.pixel(10, 24), 0xFFFF0000u);
    EXPECT_EQ(image.pixel(80, 24), 0xFFFFFFFFu) << "white background whatever BgColor says";
}

TEST_F(MetafileLoadersTest, boxOffsetDoesNotChangeTheSize)
{
    const QImage image =
        take(pictaf::LoadWmfFile(write("a.wmf", halfRedWmf(-300, 200, 700, 700, 1000)), 100, 100, 0, 0xFFFFFF));
    EXPECT_EQ(image.size(), QSize(96, 48));
}

TEST_F(MetafileLoadersTest, zeroUnitsPerInchCountsAs575)
{
    const QImage image = take(pictaf::LoadWmfFile(write("a.wmf", halfRedWmf(0, 0, 1150, 575, 0)), 100, 100, 0, 0));
    EXPECT_EQ(image.size(), QSize(192, 96));
}

TEST_F(MetafileLoadersTest, scalingIsPerAxisAndTruncates)
{
    const std::string path = write("a.wmf", halfRedWmf(0, 0, 1000, 500, 1000));
    EXPECT_EQ(take(pictaf::LoadWmfFile(path, 50, 50, 0, 0)).size(), QSize(48, 24));
    EXPECT_EQ(take(pictaf::LoadWmfFile(path, 150, 80, 0, 0)).size(), QSize(144, 38)); // 38.4 truncated
    EXPECT_EQ(take(pictaf::LoadWmfFile(path, 33, 33, 0, 0)).size(), QSize(31, 15));   // 31.68, 15.84
}

TEST_F(MetafileLoadersTest, screenResolutionEntersTheNaturalSize)
{
    plat::SetLogPixels(192, 120);
    const QImage image = take(pictaf::LoadWmfFile(write("a.wmf", halfRedWmf(0, 0, 1000, 500, 1000)), 100, 100, 0, 0));
    EXPECT_EQ(image.size(), QSize(192, 60));
}

TEST_F(MetafileLoadersTest, damagedPlaceableFilesYieldNone)
{
    Status status;
    const Bytes good = halfRedWmf(0, 0, 1000, 500, 1000);
    EXPECT_EQ(pictaf::LoadWmfFile(write("short.wmf", Bytes(good.begin(), good.begin() + 21)), 100, 100, 0, 0, &status),
              0u);
    EXPECT_EQ(status, Status::Malformed);
    Bytes noStandardHeader(good.begin(), good.begin() + 22);
    noStandardHeader.resize(60, 0);
    EXPECT_EQ(pictaf::LoadWmfFile(write("bare.wmf", noStandardHeader), 100, 100, 0, 0, &status), 0u);
    EXPECT_EQ(status, Status::Malformed);
    EXPECT_EQ(pictaf::LoadWmfFile(dir.filePath("missing.wmf").toStdString(), 100, 100, 0, 0, &status), 0u);
    EXPECT_EQ(status, Status::CannotOpenInput);
}

TEST_F(MetafileLoadersTest, boxRightOfLeftAsksForAnImpossibleBitmap)
{
    Status status;
    EXPECT_EQ(pictaf::LoadWmfFile(write("a.wmf", halfRedWmf(1000, 0, 0, 500, 1000)), 100, 100, 0, 0, &status), 0u);
    EXPECT_EQ(status, Status::BadSize);
}

TEST_F(MetafileLoadersTest, oversizedStandardHeaderSizeIsBoundedByTheFile)
{
    // Size fields that count the placeable header, or claim gigabytes, are
    // read as far as the file goes; the block never outgrows the file.
    Bytes bytes = halfRedWmf(0, 0, 1000, 500, 1000);
    for (std::uint32_t claimed : {static_cast<std::uint32_t>(bytes.size()), 0x7FFFFFFFu}) {
        bytes[22 + 6] = static_cast<std::uint8_t>(claimed);
        bytes[22 + 7] = static_cast<std::uint8_t>(claimed >> 8);
        bytes[22 + 8] = static_cast<std::uint8_t>(claimed >> 16);
        bytes[22 + 9] = static_cast<std::uint8_t>(claimed >> 24);
        const QImage image = take(pictaf::LoadWmfFile(write("big.wmf", bytes), 100, 100, 0, 0));
        ASSERT_EQ(image.size(), QSize(96, 48)) << claimed;
        EXPECT_EQ(image.pixel(10, 24), 0xFFFF0000u) << claimed;
    }
}

TEST_F(MetafileLoadersTest, enhancedSizeIsTheBoundsDifference)
{
    EmfBuilder b;
    b.bounds = {10, 20, 210, 120};
    b.add(27 /*MOVETOEX*/, {0, 0});
    Status status;
    const QImage image = take(pictaf::LoadEmfFile(write("a.emf", b.bytes()), 100, 100, 0, 0x000000, &status));
    EXPECT_EQ(status, Status::Ok);
    EXPECT_EQ(image.size(), QSize(200, 100));
    EXPECT_EQ(image.pixel(100, 50), 0xFFFFFFFFu);
    EXPECT_EQ(take(pictaf::LoadEmfFile(write("a.emf", b.bytes()), 150, 80, 0, 0)).size(), QSize(300, 80));
}

TEST_F(MetafileLoadersTest, damagedEnhancedFilesYieldNone)
{
    Status status;
    EmfBuilder b;
    b.bounds = {0, 0, -1, -1};
    EXPECT_EQ(pictaf::LoadEmfFile(write("empty.emf", b.bytes()), 100, 100, 0, 0, &status), 0u);
    EXPECT_EQ(status, Status::BadSize);
    Bytes truncated = EmfBuilder().bytes();
    truncated.resize(60);
    EXPECT_EQ(pictaf::LoadEmfFile(write("cut.emf", truncated), 100, 100, 0, 0, &status), 0u);
    EXPECT_EQ(status, Status::Malformed);
}

TEST_F(MetafileLoadersTest, renderersTakeOnlyTheirOwnHandleKind)
{
    Status status;
    const plat::HGDIOBJ emf = plat::SetEnhMetaFileBits(EmfBuilder().bytes());
    const plat::HGDIOBJ wmf = plat::SetMetaFileBitsEx(WmfBuilder().standard());
    const TargetRect target{0, 0, 10, 10};
    EXPECT_EQ(pictaf::RenderWmf(emf, target, 0, 0, &status), 0u);
    EXPECT_EQ(status, Status::BadHandle);
    EXPECT_EQ(pictaf::RenderEmf(wmf, target, 0, 0, &status), 0u);
    EXPECT_EQ(status, Status::BadHandle);
    EXPECT_EQ(pictaf::RenderEmf(emf, TargetRect{0, 0, 0, 10}, 0, 0, &status), 0u);
    EXPECT_EQ(status, Status::BadSize);
    const QImage image = take(pictaf::RenderEmf(emf, TargetRect{0, 0, 30, 20}, 0, 0, &status));
    EXPECT_EQ(image.size(), QSize(30, 20));
    EXPECT_EQ(plat::GetObjectType(emf), plat::OBJ_ENHMETAFILE) << "the caller's handle stays";
    plat::DeleteEnhMetaFile(emf);
    plat::DeleteMetaFile(wmf);
}

TEST_F(MetafileLoadersTest, wmfRendererMapsTheWindowOntoTheTarget)
{
    WmfBuilder b;
    b.add(SETWINDOWEXT, {10, 10});
    b.add(CREATEBRUSHINDIRECT, {0, lo(0xFF0000), hi(0xFF0000), 0});
    b.add(SELECTOBJECT, {0});
    b.add(RECTANGLE, {6, 11, 0, 0}); // top half
    const plat::HGDIOBJ wmf = plat::SetMetaFileBitsEx(b.standard());
    const QImage image = take(pictaf::RenderWmf(wmf, TargetRect{0, 0, 30, 60}, 0, 0));
    plat::DeleteMetaFile(wmf);
    ASSERT_EQ(image.size(), QSize(30, 60));
    EXPECT_EQ(image.pixel(15, 10), 0xFF0000FFu);
    EXPECT_EQ(image.pixel(15, 50), 0xFFFFFFFFu);
}
