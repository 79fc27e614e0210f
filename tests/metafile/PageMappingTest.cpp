#include <gdi/GdiConstants.h>
#include <gdi/PageMapping.h>

#include <gtest/gtest.h>

using namespace plat::gdi;

namespace {

// A 96 dpi device, one inch square.
const DeviceMetrics kScreen{QSizeF(96, 96), QSizeF(25.4, 25.4)};

QPointF map(const PageMapping& m, double x, double y) { return m.transform().map(QPointF(x, y)); }

} // namespace

TEST(PageMapping, textModeIsOneLogicalUnitPerPixelAndIgnoresExtents)
{
    PageMapping m;
    EXPECT_EQ(m.mapMode(), MM_TEXT);
    EXPECT_FALSE(m.setWindowExt(10, 10));
    EXPECT_FALSE(m.setViewportExt(100, 100));
    m.setWindowOrg(5, 7);
    EXPECT_EQ(map(m, 5, 7), QPointF(0, 0));
    EXPECT_EQ(map(m, 15, 17), QPointF(10, 10));
}

TEST(PageMapping, anisotropicMapsWindowOntoViewportPerAxis)
{
    PageMapping m;
    ASSERT_TRUE(m.setMapMode(MM_ANISOTROPIC, kScreen));
    ASSERT_TRUE(m.setViewportExt(200, 100));
    ASSERT_TRUE(m.setWindowExt(1000, -500)); // y grows upwards
    m.setWindowOrg(-100, 500);
    EXPECT_EQ(map(m, -100, 500), QPointF(0, 0));
    EXPECT_EQ(map(m, 900, 0), QPointF(200, 100));
    EXPECT_EQ(map(m, 400, 250), QPointF(100, 50));
}

TEST(PageMapping, isotropicShrinksTheViewportOnTheLargerScaleKeepingDirections)
{
    PageMapping m;
    ASSERT_TRUE(m.setMapMode(MM_ISOTROPIC, kScreen));
    ASSERT_TRUE(m.setWindowExt(100, 100));
    ASSERT_TRUE(m.setViewportExt(400, -200)); // x scale 4, y scale -2: x is cut to 2
    EXPECT_EQ(m.viewportExt(), QSizeF(200, -200));
    EXPECT_EQ(map(m, 100, 100), QPointF(200, -200));
}

TEST(PageMapping, fixedModesMeasureAgainstTheDeviceWithYUp)
{
    struct Case {
        int mode;
        double unitsPerInch;
    };
    for (const Case c : {Case{MM_LOMETRIC, 254}, Case{MM_HIMETRIC, 2540}, Case{MM_LOENGLISH, 100},
                         Case{MM_HIENGLISH, 1000}, Case{MM_TWIPS, 1440}}) {
        PageMapping m;
        ASSERT_TRUE(m.setMapMode(c.mode, kScreen));
        const QPointF inch = map(m, c.unitsPerInch, c.unitsPerInch);
        EXPECT_NEAR(inch.x(), 96, 1e-9) << "mode " << c.mode;
        EXPECT_NEAR(inch.y(), -96, 1e-9) << "mode " << c.mode;
        EXPECT_FALSE(m.setWindowExt(1, 1)) << "fixed modes keep their extents";
    }
}

TEST(PageMapping, anisotropicKeepsTheExtentsOfTheModeBeforeIt)
{
    PageMapping m;
    ASSERT_TRUE(m.setMapMode(MM_LOMETRIC, kScreen));
    ASSERT_TRUE(m.setMapMode(MM_ANISOTROPIC, kScreen));
    EXPECT_NEAR(map(m, 254, 254).y(), -96, 1e-9);
    ASSERT_TRUE(m.setMapMode(MM_TEXT, kScreen));
    EXPECT_EQ(map(m, 3, 4), QPointF(3, 4));
}

TEST(PageMapping, zeroOrUnknownValuesChangeNothing)
{
    PageMapping m;
    m.setMapMode(MM_ANISOTROPIC, kScreen);
    m.setWindowExt(10, 20);
    EXPECT_FALSE(m.setWindowExt(0, 5));
    EXPECT_FALSE(m.setViewportExt(5, 0));
    EXPECT_FALSE(m.scaleWindowExt(1, 0, 1, 1));
    EXPECT_FALSE(m.setMapMode(9, kScreen));
    EXPECT_FALSE(m.setMapMode(0, kScreen));
    EXPECT_EQ(m.windowExt(), QSizeF(10, 20));
    EXPECT_EQ(m.mapMode(), MM_ANISOTROPIC);
}

TEST(PageMapping, scalingExtentsMultipliesByTheRatios)
{
    PageMapping m;
    m.setMapMode(MM_ANISOTROPIC, kScreen);
    m.setViewportExt(100, 100);
    ASSERT_TRUE(m.scaleViewportExt(3, 2, 1, 4));
    EXPECT_EQ(m.viewportExt(), QSizeF(150, 25));
}
