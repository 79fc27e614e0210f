#include <gdi/GdiObjects.h>

#include <gtest/gtest.h>

using namespace plat;

TEST(GdiObjects, typeQueryAnswersBitmapAndNothingForStaleHandles)
{
    HGDIOBJ bitmap = CreateCompatibleBitmap(3, 2);
    ASSERT_NE(bitmap, 0u);
    EXPECT_EQ(GetObjectType(bitmap), OBJ_BITMAP);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_EQ(GetObjectType(bitmap), OBJ_NONE);
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_EQ(GetObjectType(0), OBJ_NONE);
}

TEST(GdiObjects, refusesEmptyAndOversizedBitmaps)
{
    EXPECT_EQ(CreateCompatibleBitmap(0, 10), 0u);
    EXPECT_EQ(CreateCompatibleBitmap(10, -1), 0u);
    EXPECT_EQ(CreateCompatibleBitmap(kMaxBitmapDimension + 1, 1), 0u);
    EXPECT_EQ(CreateCompatibleBitmap(1 << 15, 1 << 14), 0u); // 2^29 pixels
}

TEST(GdiObjects, stretchTakesOneSourcePixelPerTargetPixelAndKeepsSource)
{
    QImage image(2, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(255, 0, 0));
    image.setPixel(1, 0, qRgb(0, 0, 255));
    HGDIOBJ source = CreateBitmapFromImage(image);
    HGDIOBJ wide = StretchBitmap(source, 5, 2);
    ASSERT_NE(wide, 0u);
    int w = 0, h = 0;
    ASSERT_TRUE(GetBitmapSize(wide, w, h));
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 2);
    const QImage& out = LookupBitmap(wide)->image;
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(out.pixel(0, y), qRgb(255, 0, 0));
        EXPECT_EQ(out.pixel(1, y), qRgb(255, 0, 0));
        EXPECT_EQ(out.pixel(3, y), qRgb(0, 0, 255));
        EXPECT_EQ(out.pixel(4, y), qRgb(0, 0, 255));
    }
    EXPECT_EQ(GetObjectType(source), OBJ_BITMAP);
    ASSERT_TRUE(GetBitmapSize(source, w, h));
    EXPECT_EQ(w, 2);
    DeleteObject(source);
    DeleteObject(wide);
}
