#include <gdi/GdiObjects.h>
#include <gdi/LargeBuffer.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

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

TEST(LargeBuffer, denseBlocksStartOnHugePagesAndFreeWhole)
{
    constexpr std::size_t kHuge = std::size_t{2} << 20;
    for (const std::size_t bytes : {plat::kLargeBufferThreshold, plat::kLargeBufferThreshold + 1,
                                    std::size_t{3 << 20} + 54, std::size_t{4} << 20}) {
        SCOPED_TRACE(bytes);
        auto* block = static_cast<unsigned char*>(plat::AllocateLarge(bytes));
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % kHuge, 0u);
        EXPECT_EQ(block[0], 0);
        EXPECT_EQ(block[bytes - 1], 0);
        std::memset(block, 0xab, bytes);
        plat::FreeLarge(block, bytes);
        // All of it went back, the pages past the length asked for included.
        const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        const std::size_t used = (bytes + page - 1) / page * page;
        const std::size_t whole = (bytes + kHuge - 1) / kHuge * kHuge;
        EXPECT_EQ(msync(block, used, MS_ASYNC), -1);
        if (whole > used) {
            errno = 0;
            EXPECT_EQ(msync(block + used, whole - used, MS_ASYNC), -1);
            EXPECT_EQ(errno, ENOMEM);
        }
    }
    // Sparse blocks keep their length and small pages, and read as zero too.
    auto* sparse =
        static_cast<unsigned char*>(plat::AllocateLarge(plat::kLargeBufferThreshold + 1, plat::LargeUse::Sparse));
    ASSERT_NE(sparse, nullptr);
    EXPECT_EQ(sparse[plat::kLargeBufferThreshold], 0);
    plat::FreeLarge(sparse, plat::kLargeBufferThreshold + 1, plat::LargeUse::Sparse);
}
