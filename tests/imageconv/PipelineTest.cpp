#include "TempDir.h"
#include "TestBmp.h"

#include <engine/Pipeline.h>

#include <gdi/GdiObjects.h>

#include <gtest/gtest.h>

using namespace pictaf;
using namespace testdib;

namespace {

QImage imageOf(WorkBitmap bitmap) { return plat::LookupBitmap(bitmap)->image; }

QImage gradient(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb(x * 20, y * 40, 100));
    return picture;
}

class Pipeline : public ::testing::Test {
protected:
    void SetUp() override { live_ = plat::LiveObjectCount(); }
    void TearDown() override { EXPECT_EQ(plat::LiveObjectCount(), live_) << "graphics objects leaked"; }
    TempDir dir_;

private:
    std::size_t live_ = 0;
};

} // namespace

TEST_F(Pipeline, probesNeedTheirWholePrefix)
{
    Bytes wmf = {0xd7, 0xcd, 0xc6, 0x9a};
    wmf.resize(22, 0);
    writeFile(dir_.file("wmf22"), wmf);
    wmf.pop_back();
    writeFile(dir_.file("wmf21"), wmf);
    EXPECT_TRUE(ProbeWmfFile(dir_.file("wmf22")));
    EXPECT_FALSE(ProbeWmfFile(dir_.file("wmf21")));

    Bytes emf = {1, 0, 0, 0};
    emf.resize(100, 0);
    writeFile(dir_.file("emf100"), emf);
    emf.pop_back();
    writeFile(dir_.file("emf99"), emf);
    EXPECT_TRUE(ProbeEmfFile(dir_.file("emf100")));
    EXPECT_FALSE(ProbeEmfFile(dir_.file("emf99")));

    Bytes bmp = {'B', 'M'};
    bmp.resize(14, 0);
    writeFile(dir_.file("bmp14"), bmp);
    bmp.pop_back();
    writeFile(dir_.file("bmp13"), bmp);
    EXPECT_TRUE(ProbeBmpFile(dir_.file("bmp14")));
    EXPECT_FALSE(ProbeBmpFile(dir_.file("bmp13")));
    EXPECT_FALSE(ProbeBmpFile(dir_.file("missing")));
}

TEST_F(Pipeline, shortMetafileKeyFallsThroughToTheOtherProbes)
{
    Status status = Status::Ok;
    writeFile(dir_.file("short.wmf"), {0xd7, 0xcd, 0xc6, 0x9a, 0, 0, 0, 0});
    EXPECT_EQ(LoadFileBitmap(dir_.file("short.wmf"), 100, 100, 0, 0xFFFFFF, &status), 0u);
    EXPECT_EQ(status, Status::UnrecognisedInput);
}

TEST_F(Pipeline, gifAndMissingInputsGiveNoBitmap)
{
    Status status = Status::Ok;
    writeFile(dir_.file("in.gif"), {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3b});
    EXPECT_EQ(LoadFileBitmap(dir_.file("in.gif"), 100, 100, 0, 0xFFFFFF, &status), 0u);
    EXPECT_EQ(status, Status::UnrecognisedInput);
    EXPECT_EQ(LoadFileBitmap(dir_.file("none.bmp"), 100, 100, 0, 0xFFFFFF, &status), 0u);
    EXPECT_EQ(status, Status::CannotOpenInput);
}

TEST_F(Pipeline, bmpFileIsScaledByPercentagesRoundingDown)
{
    const QImage picture = gradient(10, 6);
    writeFile(dir_.file("in.bmp"), encodeBmp(picture, BmpFormat::Rgb24));
    struct Case {
        int sx, sy, w, h;
    };
    for (Case c : {Case{100, 100, 10, 6}, Case{50, 50, 5, 3}, Case{150, 80, 15, 4}, Case{33, 100, 3, 6}}) {
        SCOPED_TRACE(std::to_string(c.sx) + "," + std::to_string(c.sy));
        Status status = Status::Malformed;
        const WorkBitmap bitmap = LoadFileBitmap(dir_.file("in.bmp"), c.sx, c.sy, 3, 0, &status);
        ASSERT_NE(bitmap, 0u) << toString(status);
        EXPECT_EQ(status, Status::Ok);
        EXPECT_EQ(imageOf(bitmap).size(), QSize(c.w, c.h));
        if (c.sx == 100 && c.sy == 100) {
            EXPECT_EQ(imageOf(bitmap), picture);
        }
        plat::DeleteObject(bitmap);
    }
    Status status = Status::Ok;
    EXPECT_EQ(LoadFileBitmap(dir_.file("in.bmp"), 0, 100, 0, 0, &status), 0u);
    EXPECT_EQ(status, Status::BadSize);
    EXPECT_EQ(LoadFileBitmap(dir_.file("in.bmp"), 100, -50, 0, 0, &status), 0u);
    EXPECT_EQ(LoadFileBitmap(dir_.file("in.bmp"), 9, 100, 0, 0, &status), 0u); // 10 x 9% rounds to 0
}

TEST_F(Pipeline, scaleArithmeticUsesA64BitIntermediate)
{
    EXPECT_EQ(ScaleDimension(3000000, 1000), 30000000);
    EXPECT_EQ(ScaleDimension(7, 150), 10);
    EXPECT_EQ(ScaleDimension(0x7fffffff, 200), -1);
    EXPECT_EQ(ScaleDimension(5, 0), -1);
}

TEST_F(Pipeline, bitmapHandleIsStretchedAndTheCallersHandleKept)
{
    const QImage picture = gradient(100, 50);
    const plat::HGDIOBJ mine = plat::CreateBitmapFromImage(picture);
    Status status = Status::Malformed;
    const WorkBitmap work = RenderPictureBitmap(mine, TargetRect{0, 0, 200, 200}, 3, 0xFFFFFF, &status);
    ASSERT_NE(work, 0u);
    EXPECT_EQ(status, Status::Ok);
    EXPECT_EQ(imageOf(work).size(), QSize(200, 200));
    EXPECT_EQ(imageOf(work).pixel(199, 199), picture.pixel(99, 49));
    EXPECT_EQ(imageOf(work).pixel(0, 0), picture.pixel(0, 0));
    EXPECT_EQ(plat::GetObjectType(mine), plat::OBJ_BITMAP);
    EXPECT_EQ(imageOf(mine), picture);

    // Same size: the work bitmap is a separate object; changing it leaves ours.
    const WorkBitmap same = RenderPictureBitmap(mine, TargetRect{0, 0, 100, 50}, 0, 0, &status);
    ASSERT_NE(same, 0u);
    plat::LookupBitmap(same)->image.fill(Qt::black);
    EXPECT_EQ(imageOf(mine), picture);
    plat::DeleteObject(same);
    plat::DeleteObject(work);
    plat::DeleteObject(mine);
}

TEST_F(Pipeline, handlesThatAreNoPictureGiveNothing)
{
    Status status = Status::Ok;
    EXPECT_EQ(RenderPictureBitmap(0, TargetRect{0, 0, 10, 10}, 0, 0, &status), 0u);
    EXPECT_EQ(status, Status::BadHandle);
    const plat::HGDIOBJ stale = plat::CreateCompatibleBitmap(2, 2);
    plat::DeleteObject(stale);
    EXPECT_EQ(RenderPictureBitmap(stale, TargetRect{0, 0, 10, 10}, 0, 0, &status), 0u);
    EXPECT_EQ(status, Status::BadHandle);
    const plat::HGDIOBJ bitmap = plat::CreateCompatibleBitmap(2, 2);
    EXPECT_EQ(RenderPictureBitmap(bitmap, TargetRect{0, 0, 0, 10}, 0, 0, &status), 0u);
    EXPECT_EQ(status, Status::BadSize);
    plat::DeleteObject(bitmap);
}
