// Windows drawing semantics of the device context, on small white images.
#include "MetafileBuilder.h"

#include <gdi/DeviceContext.h>
#include <gdi/GdiConstants.h>

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <cmath>

using namespace plat;
using namespace plat::gdi;
using namespace testmf;

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF, kBlack = 0xFF000000, kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kCyan = 0xFF00FFFF;

LogPen pen(std::uint32_t style, double width, ColorRef color = 0)
{
    LogPen p;
    p.style = style;
    p.width = width;
    p.color = color;
    return p;
}

LogBrush brush(std::uint32_t style, ColorRef color, std::uint32_t hatch = 0)
{
    LogBrush b;
    b.style = style;
    b.color = color;
    b.hatch = hatch;
    return b;
}

const LogPen kNoPen = pen(PS_NULL, 0);
const LogBrush kRedBrush = brush(BS_SOLID, 0x0000FF);

QRgb at(const QImage& image, int x, int y) { return image.pixel(x, y); }

class DeviceContextTest : public ::testing::Test {
protected:
    QImage image = whiteImage(40, 40);
    DeviceContext dc{&image};
};

} // namespace

// ---- shapes

TEST_F(DeviceContextTest, rectangleLeavesOutItsRightAndBottomEdge)
{
    dc.selectPen(pen(PS_SOLID, 0));
    dc.selectBrush(kRedBrush);
    dc.Rectangle(10, 10, 20, 20);
    EXPECT_EQ(at(image, 10, 10), kBlack);
    EXPECT_EQ(at(image, 19, 19), kBlack);
    EXPECT_EQ(at(image, 15, 15), kRed);
    EXPECT_EQ(at(image, 20, 15), kWhite);
    EXPECT_EQ(at(image, 15, 20), kWhite);
}

TEST_F(DeviceContextTest, rectangleWithoutPenIsOnePixelSmaller)
{
    dc.selectPen(kNoPen);
    dc.selectBrush(kRedBrush);
    dc.Rectangle(10, 10, 20, 20);
    EXPECT_EQ(inkBounds(image), QRect(10, 10, 9, 9));
}

TEST_F(DeviceContextTest, polygonFillModeDecidesTheStarsCentre)
{
    std::vector<QPointF> star;
    for (int k = 0; k < 5; ++k) {
        const double a = (-90 + 144 * k) * M_PI / 180;
        star.emplace_back(20 + 18 * std::cos(a), 20 + 18 * std::sin(a));
    }
    dc.selectPen(kNoPen);
    dc.selectBrush(kRedBrush);
    dc.SetPolyFillMode(ALTERNATE);
    dc.Polygon(star);
    EXPECT_EQ(at(image, 20, 21), kWhite) << "alternate leaves the doubly covered centre";
    EXPECT_EQ(at(image, 20, 5), kRed) << "a point of the star";
    dc.SetPolyFillMode(WINDING);
    dc.Polygon(star);
    EXPECT_EQ(at(image, 20, 21), kRed);
}

TEST_F(DeviceContextTest, insideFramePenStaysInsideTheShape)
{
    dc.selectBrush(brush(BS_NULL, 0));
    dc.selectPen(pen(PS_INSIDEFRAME, 6));
    dc.Rectangle(10, 10, 30, 30);
    EXPECT_EQ(inkBounds(image), QRect(10, 10, 20, 20));

    QImage plain = whiteImage(40, 40);
    DeviceContext other(&plain);
    other.selectBrush(brush(BS_NULL, 0));
    other.selectPen(pen(PS_SOLID, 6));
    other.Rectangle(10, 10, 30, 30);
    EXPECT_LT(inkBounds(plain).left(), 9) << "a solid pen straddles the outline";
}

TEST_F(DeviceContextTest, pieGoesCounterClockwiseOnScreenUnlessToldOtherwise)
{
    dc.selectPen(kNoPen);
    dc.selectBrush(kRedBrush);
    // From the right end of the horizontal diameter to its left end.
    dc.Pie(QRectF(QPointF(4, 4), QPointF(36, 36)), {36, 20}, {4, 20});
    EXPECT_EQ(at(image, 20, 10), kRed);
    EXPECT_EQ(at(image, 20, 30), kWhite);

    image.fill(Qt::white);
    dc.SetArcDirection(AD_CLOCKWISE);
    dc.Pie(QRectF(QPointF(4, 4), QPointF(36, 36)), {36, 20}, {4, 20});
    EXPECT_EQ(at(image, 20, 10), kWhite);
    EXPECT_EQ(at(image, 20, 30), kRed);
}

TEST_F(DeviceContextTest, pieDirectionStaysCounterClockwiseOnScreenWhenTheMappingFlipsY)
{
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExtEx(40, -40);
    dc.SetViewportExtEx(40, 40);
    dc.SetWindowOrgEx(0, 40); // logical y up, the same square
    dc.selectPen(kNoPen);
    dc.selectBrush(kRedBrush);
    dc.Pie(QRectF(QPointF(4, 36), QPointF(36, 4)), {36, 20}, {4, 20});
    EXPECT_EQ(at(image, 20, 10), kRed);
    EXPECT_EQ(at(image, 20, 30), kWhite);
}

TEST_F(DeviceContextTest, arcWithEqualRadialsDrawsTheWholeEllipse)
{
    dc.selectPen(pen(PS_SOLID, 0));
    dc.Arc(QRectF(QPointF(4, 4), QPointF(36, 36)), {36, 20}, {36, 20});
    EXPECT_GT(countColor(image, kBlack, QRect(0, 0, 40, 10)), 5);
    EXPECT_GT(countColor(image, kBlack, QRect(0, 30, 40, 10)), 5);
}

TEST_F(DeviceContextTest, arcToMovesTheCurrentPositionToTheArcsEnd)
{
    dc.selectPen(pen(PS_SOLID, 0));
    dc.MoveToEx({0, 0});
    dc.ArcTo(QRectF(QPointF(4, 4), QPointF(36, 36)), {36, 20}, {4, 20});
    EXPECT_NEAR(dc.currentPosition().x(), 4, 1.0);
    EXPECT_NEAR(dc.currentPosition().y(), 20, 1.0);
}

TEST_F(DeviceContextTest, bezierBendsThroughItsControlPoints)
{
    dc.selectPen(pen(PS_SOLID, 0));
    const QPointF arch[] = {{0, 20}, {0, 0}, {40, 0}, {40, 20}};
    ASSERT_TRUE(dc.PolyBezier(arch));
    EXPECT_EQ(at(image, 20, 5), kBlack) << "the curve's middle, t = 0.5";
    EXPECT_EQ(at(image, 20, 19), kWhite);
    const QPointF notThreePerSegment[] = {{0, 0}, {1, 1}, {2, 2}};
    EXPECT_FALSE(dc.PolyBezier(notThreePerSegment));
}

TEST_F(DeviceContextTest, roundRectCutsItsCornersAndChordClosesWithALine)
{
    dc.selectPen(kNoPen);
    dc.selectBrush(kRedBrush);
    dc.RoundRect(0, 0, 40, 20, 16, 16);
    EXPECT_EQ(at(image, 1, 1), kWhite);
    EXPECT_EQ(at(image, 20, 0), kRed);
    EXPECT_EQ(at(image, 0, 10), kRed);

    image.fill(Qt::white);
    dc.Chord(QRectF(QPointF(4, 4), QPointF(36, 36)), {36, 20}, {4, 20});
    EXPECT_EQ(at(image, 20, 18), kRed);
    EXPECT_EQ(at(image, 20, 22), kWhite) << "below the closing chord";
}

// ---- mix modes and brushes

TEST_F(DeviceContextTest, xorPenTwiceRestoresAndNopDrawsNothing)
{
    dc.selectPen(kNoPen);
    dc.selectBrush(kRedBrush);
    dc.SetROP2(R2_XORPEN);
    dc.Rectangle(0, 0, 41, 41);
    EXPECT_EQ(at(image, 5, 5), kCyan); // white ^ red
    dc.Rectangle(0, 0, 41, 41);
    EXPECT_EQ(at(image, 5, 5), kWhite);
    dc.SetROP2(R2_NOP);
    dc.Rectangle(0, 0, 41, 41);
    EXPECT_EQ(countColor(image, kWhite), 40 * 40);
}

TEST_F(DeviceContextTest, notAndMaskMixesIgnoreOrCombineTheBrushColour)
{
    dc.selectPen(kNoPen);
    dc.selectBrush(kRedBrush);
    dc.SetROP2(R2_NOT);
    dc.Rectangle(0, 0, 20, 41);
    EXPECT_EQ(at(image, 5, 5), kBlack);
    dc.SetROP2(R2_MASKPEN);
    dc.Rectangle(20, 0, 41, 41);
    EXPECT_EQ(at(image, 30, 5), kRed); // white & red
    dc.SetROP2(R2_BLACK);
    dc.Rectangle(20, 0, 41, 41);
    EXPECT_EQ(at(image, 30, 5), kBlack);
}

TEST_F(DeviceContextTest, hatchBackgroundFollowsTheBackgroundMode)
{
    dc.selectPen(kNoPen);
    dc.selectBrush(brush(BS_HATCHED, 0x000000, HS_HORIZONTAL));
    dc.SetBkMode(TRANSPARENT);
    dc.Rectangle(0, 0, 17, 17);
    // One line in every eight rows, eight device pixels apart.
    EXPECT_EQ(countColor(image, kBlack, QRect(0, 0, 16, 16)), 2 * 16);
    EXPECT_EQ(countColor(image, kWhite, QRect(0, 0, 16, 16)), 14 * 16);

    dc.SetBkMode(OPAQUE);
    dc.SetBkColor(0x0000FF);
    dc.Rectangle(0, 0, 17, 17);
    EXPECT_EQ(countColor(image, kRed, QRect(0, 0, 16, 16)), 14 * 16);
}

TEST_F(DeviceContextTest, everyMixModeCombinesPenAndDestinationBits)
{
    const ColorRef pen = 0x00008B;      // P: red 0x8B
    const QRgb dest = qRgb(0, 0, 0x52); // D
    const std::uint32_t p = 0x8B0000, d = 0x000052, m = 0xFFFFFF;
    const std::uint32_t expected[16] = {
        0,            // R2_BLACK
        ~(p | d) & m, // R2_NOTMERGEPEN
        ~p & d & m,   // R2_MASKNOTPEN
        ~p & m,       // R2_NOTCOPYPEN
        p & ~d & m,   // R2_MASKPENNOT
        ~d & m,       // R2_NOT
        p ^ d,        // R2_XORPEN
        ~(p & d) & m, // R2_NOTMASKPEN
        p & d,        // R2_MASKPEN
        ~(p ^ d) & m, // R2_NOTXORPEN
        d,            // R2_NOP
        (~p | d) & m, // R2_MERGENOTPEN
        p,            // R2_COPYPEN
        (p | ~d) & m, // R2_MERGEPENNOT
        p | d,        // R2_MERGEPEN
        m,            // R2_WHITE
    };
    image.fill(dest);
    dc.selectPen(kNoPen);
    dc.selectBrush(brush(BS_SOLID, pen));
    for (int rop = R2_BLACK; rop <= R2_WHITE; ++rop) {
        dc.SetROP2(rop);
        dc.Rectangle(2 * (rop - 1), 0, 2 * (rop - 1) + 3, 41); // two pixels wide without a pen
        EXPECT_EQ(at(image, 2 * (rop - 1), 20) & 0xFFFFFF, expected[rop - 1]) << "mix mode " << rop;
    }
}

TEST_F(DeviceContextTest, solidHatchStylesFillWithBrushTextOrBackgroundColour)
{
    dc.selectPen(kNoPen);
    dc.SetBkMode(TRANSPARENT); // these fill solidly whatever the mode
    dc.SetTextColor(0x0000FF); // red
    dc.SetBkColor(0xFF0000);   // blue
    dc.selectBrush(brush(BS_HATCHED, 0x00FF00, HS_SOLIDCLR));
    dc.Rectangle(0, 0, 11, 41);
    dc.selectBrush(brush(BS_HATCHED, 0x00FF00, HS_SOLIDTEXTCLR));
    dc.SetTextColor(0xFFFF00); // cyan: the colour in force when drawing counts
    dc.Rectangle(10, 0, 21, 41);
    dc.selectBrush(brush(BS_HATCHED, 0x00FF00, HS_DITHEREDBKCLR));
    dc.Rectangle(20, 0, 31, 41);
    EXPECT_EQ(countColor(image, 0xFF00FF00, QRect(0, 0, 10, 40)), 10 * 40);
    EXPECT_EQ(countColor(image, kCyan, QRect(10, 0, 10, 40)), 10 * 40);
    EXPECT_EQ(countColor(image, kBlue, QRect(20, 0, 10, 40)), 10 * 40);
}

TEST_F(DeviceContextTest, monochromePatternTakesTextAndBackgroundColours)
{
    QImage mask(2, 1, QImage::Format_RGB32);
    mask.setPixel(0, 0, kBlack); // 0 bit
    mask.setPixel(1, 0, kWhite); // 1 bit
    LogBrush b = brush(BS_DIBPATTERNPT, 0);
    b.pattern = std::make_shared<const QImage>(mask);
    b.monochrome = true;
    dc.SetTextColor(0x0000FF); // red
    dc.SetBkColor(0xFF0000);   // blue
    dc.selectPen(kNoPen);
    dc.selectBrush(b);
    dc.Rectangle(0, 0, 11, 11);
    EXPECT_EQ(at(image, 0, 0), kRed);
    EXPECT_EQ(at(image, 1, 0), kBlue);
    EXPECT_EQ(at(image, 2, 5), kRed);
}

TEST_F(DeviceContextTest, styledPenGapsShowTheBackgroundWhenOpaque)
{
    dc.selectPen(pen(PS_DASH, 0)); // cosmetic: 18 pixels on, 6 off
    dc.SetBkColor(0x0000FF);
    dc.SetBkMode(OPAQUE);
    dc.MoveToEx({0, 20});
    dc.LineTo({40, 20});
    EXPECT_EQ(at(image, 10, 20), kBlack);
    EXPECT_EQ(at(image, 20, 20), kRed);
    dc.SetBkMode(TRANSPARENT);
    dc.MoveToEx({0, 30});
    dc.LineTo({40, 30});
    EXPECT_EQ(at(image, 20, 30), kWhite);
}

TEST_F(DeviceContextTest, oldStylePenWiderThanOneUnitIsNeverDashed)
{
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExtEx(40, 40);
    dc.SetViewportExtEx(10, 10); // a quarter pixel per unit: both pens draw one pixel wide
    dc.selectPen(pen(PS_DASH, 1));
    dc.MoveToEx({0, 40});
    dc.LineTo({160, 40});
    EXPECT_EQ(at(image, 10, 10), kBlack);
    EXPECT_EQ(at(image, 20, 10), kWhite) << "18 pixels on, 6 off";
    dc.selectPen(pen(PS_DASH, 3));
    dc.MoveToEx({0, 80});
    dc.LineTo({160, 80});
    EXPECT_EQ(countColor(image, kBlack, QRect(0, 20, 40, 1)), 40) << "solid across the whole image";
}

TEST_F(DeviceContextTest, thinGeometricDashesGrowByTheirCapsAndCloseNarrowGaps)
{
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExtEx(160, 160);
    dc.SetViewportExtEx(40, 40); // four units a pixel: a 4-unit pen is one pixel wide
    auto styledLine = [&](std::uint32_t cap, int y) {
        LogPen p = pen(PS_GEOMETRIC | PS_USERSTYLE | cap, 4);
        p.extended = true;
        p.userStyle = {8, 4}; // two pixels on, one off
        dc.selectPen(p);
        dc.MoveToEx({0, 4.0 * y});
        dc.LineTo({160, 4.0 * y});
        return countColor(image, kWhite, QRect(0, y, 39, 1));
    };
    EXPECT_GE(styledLine(PS_ENDCAP_FLAT, 10), 12) << "flat caps keep every gap";
    EXPECT_EQ(styledLine(PS_ENDCAP_SQUARE, 20), 0) << "square caps half a width long fill a gap one width wide";
}

TEST_F(DeviceContextTest, extendedPenPaintsItsStrokeWithItsBrush)
{
    LogPen p = pen(PS_GEOMETRIC | PS_ENDCAP_FLAT, 40, 0x0000FF);
    p.extended = true;
    p.brush = std::make_shared<const LogBrush>(brush(BS_HATCHED, 0x0000FF, HS_HORIZONTAL));
    dc.selectPen(p);
    dc.SetBkMode(TRANSPARENT);
    dc.MoveToEx({0, 20});
    dc.LineTo({40, 20});
    // Forty rows of stroke, one hatch line in every eight.
    EXPECT_EQ(countColor(image, kRed, QRect(20, 0, 1, 40)), 5);
    EXPECT_EQ(countColor(image, kWhite, QRect(20, 0, 1, 40)), 35);
}

TEST_F(DeviceContextTest, lineLeavesOutItsLastPixel)
{
    dc.selectPen(pen(PS_SOLID, 0));
    dc.MoveToEx({5, 5});
    dc.LineTo({15, 5});
    EXPECT_EQ(at(image, 5, 5), kBlack);
    EXPECT_EQ(at(image, 14, 5), kBlack);
    EXPECT_EQ(at(image, 15, 5), kWhite);
    EXPECT_EQ(dc.currentPosition(), QPointF(15, 5));
}

TEST_F(DeviceContextTest, geometricPenWidthFollowsTheMappingAndCosmeticDoesNot)
{
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExtEx(10, 10);
    dc.SetViewportExtEx(40, 40); // four pixels per unit
    dc.selectPen(pen(PS_SOLID, 2));
    dc.MoveToEx({1, 2});
    dc.LineTo({9, 2});
    EXPECT_EQ(countColor(image, kBlack, QRect(20, 0, 1, 20)), 8);
    dc.selectPen(pen(PS_SOLID, 0));
    dc.MoveToEx({1, 7});
    dc.LineTo({9, 7});
    EXPECT_EQ(countColor(image, kBlack, QRect(20, 20, 1, 20)), 1);
}

// ---- mapping and state

TEST_F(DeviceContextTest, worldTransformMovesDrawing)
{
    dc.ModifyWorldTransform(QTransform::fromTranslate(10, 5), MWT_LEFTMULTIPLY);
    dc.selectPen(kNoPen);
    dc.selectBrush(kRedBrush);
    dc.Rectangle(0, 0, 5, 5);
    EXPECT_EQ(inkBounds(image), QRect(10, 5, 4, 4));
    EXPECT_FALSE(dc.SetWorldTransform(QTransform(0, 0, 0, 0, 0, 0))) << "a singular transform is refused";
    EXPECT_FALSE(dc.SetWorldTransform(QTransform(qInf(), 0, 0, 1, 0, 0)));
    EXPECT_EQ(dc.worldTransform(), QTransform::fromTranslate(10, 5));
}

TEST_F(DeviceContextTest, restoreBringsBackPenMappingAndClip)
{
    const int depth = dc.SaveDC();
    EXPECT_EQ(depth, 1);
    dc.selectPen(pen(PS_SOLID, 0, 0x0000FF));
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetViewportExtEx(2, 2);
    dc.IntersectClipRect(0, 0, 1, 1);
    EXPECT_FALSE(dc.RestoreDC(0));
    EXPECT_FALSE(dc.RestoreDC(-2)) << "only one state is saved";
    EXPECT_TRUE(dc.RestoreDC(-1));
    EXPECT_EQ(dc.GetMapMode(), MM_TEXT);
    dc.MoveToEx({0, 20});
    dc.LineTo({40, 20});
    EXPECT_EQ(at(image, 30, 20), kBlack) << "default pen, no clip";
    EXPECT_FALSE(dc.RestoreDC(-1)) << "nothing left to restore";
}

TEST_F(DeviceContextTest, saveStackIsBounded)
{
    int last = 0;
    for (int i = 0; i < 5000; ++i)
        last = dc.SaveDC();
    EXPECT_EQ(last, 0);
    EXPECT_TRUE(dc.RestoreDC(1));
    EXPECT_FALSE(dc.RestoreDC(-1));
}

// ---- clipping

TEST_F(DeviceContextTest, intersectAndExcludeClipRectanglesLimitDrawing)
{
    dc.IntersectClipRect(0, 0, 20, 40);
    dc.ExcludeClipRect(5, 5, 10, 10);
    dc.PatBlt(0, 0, 40, 40, BLACKNESS);
    EXPECT_EQ(at(image, 2, 2), kBlack);
    EXPECT_EQ(at(image, 7, 7), kWhite);
    EXPECT_EQ(at(image, 25, 2), kWhite);
    EXPECT_EQ(countColor(image, kBlack), 20 * 40 - 25);
}

TEST_F(DeviceContextTest, clipRegionsStayInDeviceSpaceWhenTheMappingChanges)
{
    dc.IntersectClipRect(0, 0, 10, 10);
    dc.SetWindowOrgEx(-20, -20); // later drawing moves, the clip does not
    dc.PatBlt(-20, -20, 40, 40, BLACKNESS);
    EXPECT_EQ(inkBounds(image), QRect(0, 0, 10, 10));
}

TEST_F(DeviceContextTest, offsetClipAndNullRegionReset)
{
    dc.IntersectClipRect(0, 0, 10, 10);
    dc.OffsetClipRgn(20, 0);
    dc.PatBlt(0, 0, 40, 40, BLACKNESS);
    EXPECT_EQ(inkBounds(image), QRect(20, 0, 10, 10));
    EXPECT_TRUE(dc.ExtSelectClipRgn(nullptr, RGN_COPY));
    dc.PatBlt(0, 0, 40, 40, BLACKNESS);
    EXPECT_EQ(countColor(image, kBlack), 40 * 40);
}

TEST_F(DeviceContextTest, clipPathAndMetaRegionCombine)
{
    dc.BeginPath();
    dc.Ellipse(0, 0, 40, 40);
    dc.EndPath();
    ASSERT_TRUE(dc.SelectClipPath(RGN_COPY));
    dc.SetMetaRgn();                    // the ellipse now bounds everything
    dc.IntersectClipRect(0, 0, 20, 40); // and the clip halves it
    dc.PatBlt(0, 0, 40, 40, BLACKNESS);
    EXPECT_EQ(at(image, 10, 20), kBlack);
    EXPECT_EQ(at(image, 30, 20), kWhite);
    EXPECT_EQ(at(image, 1, 1), kWhite);
}

// ---- paths

TEST_F(DeviceContextTest, pathsRecordInsteadOfDrawingUntilFilled)
{
    dc.selectPen(pen(PS_SOLID, 0));
    dc.selectBrush(kRedBrush);
    dc.BeginPath();
    dc.MoveToEx({5, 5});
    dc.LineTo({35, 5});
    dc.LineTo({35, 35});
    dc.CloseFigure();
    dc.EndPath();
    EXPECT_EQ(countColor(image, kWhite), 40 * 40) << "nothing drawn while recording";
    ASSERT_TRUE(dc.StrokeAndFillPath());
    EXPECT_EQ(at(image, 30, 15), kRed);
    EXPECT_EQ(at(image, 10, 30), kWhite);
    EXPECT_FALSE(dc.FillPath()) << "the path is used up";
}

TEST_F(DeviceContextTest, abortPathDiscardsTheFigure)
{
    dc.selectBrush(kRedBrush);
    dc.BeginPath();
    dc.Rectangle(0, 0, 40, 40);
    dc.AbortPath();
    EXPECT_FALSE(dc.FillPath());
    EXPECT_EQ(countColor(image, kWhite), 40 * 40);
}

// ---- blits

TEST_F(DeviceContextTest, stretchBltScalesAndMirrors)
{
    QImage source(2, 1, QImage::Format_RGB32);
    source.setPixel(0, 0, kRed);
    source.setPixel(1, 0, kBlue);
    dc.StretchBlt(QRectF(0, 0, 20, 10), source, QRectF(0, 0, 2, 1), SRCCOPY);
    EXPECT_EQ(at(image, 2, 2), kRed);
    EXPECT_EQ(at(image, 17, 2), kBlue);
    EXPECT_EQ(at(image, 2, 12), kWhite);
    dc.StretchBlt(QRectF(20, 20, -20, 10), source, QRectF(0, 0, 2, 1), SRCCOPY);
    EXPECT_EQ(at(image, 2, 22), kBlue);
    EXPECT_EQ(at(image, 17, 22), kRed);
}

TEST_F(DeviceContextTest, sourceRopsCombineWithTheBitmap)
{
    QImage source(1, 1, QImage::Format_RGB32);
    source.fill(kRed);
    image.fill(kBlue);
    dc.StretchBlt(QRectF(0, 0, 10, 10), source, QRectF(0, 0, 1, 1), SRCPAINT);
    EXPECT_EQ(at(image, 5, 5), 0xFFFF00FFu); // blue | red
    dc.StretchBlt(QRectF(10, 0, 10, 10), source, QRectF(0, 0, 1, 1), SRCAND);
    EXPECT_EQ(at(image, 15, 5), kBlack); // blue & red
    dc.StretchBlt(QRectF(20, 0, 10, 10), source, QRectF(0, 0, 1, 1), NOTSRCCOPY);
    EXPECT_EQ(at(image, 25, 5), kCyan);
}

TEST_F(DeviceContextTest, ternaryRopUsesPatternWhereTheMaskIsBlack)
{
    // 0xB8074A, "PSDPxax": source white keeps the destination, black takes the brush.
    QImage mask(2, 1, QImage::Format_RGB32);
    mask.setPixel(0, 0, kBlack);
    mask.setPixel(1, 0, kWhite);
    image.fill(kBlue);
    dc.selectBrush(kRedBrush);
    dc.StretchBlt(QRectF(0, 0, 20, 20), mask, QRectF(0, 0, 2, 1), 0x00B8074A);
    EXPECT_EQ(at(image, 5, 5), kRed);
    EXPECT_EQ(at(image, 15, 5), kBlue);
    EXPECT_EQ(at(image, 5, 25), kBlue) << "outside the destination";
}

TEST_F(DeviceContextTest, patBltInvertsAndFills)
{
    dc.selectBrush(kRedBrush);
    dc.PatBlt(0, 0, 10, 10, PATCOPY);
    dc.PatBlt(10, 0, 10, 10, DSTINVERT);
    dc.PatBlt(20, 0, 10, 10, PATINVERT);
    EXPECT_EQ(at(image, 5, 5), kRed);
    EXPECT_EQ(at(image, 15, 5), kBlack);
    EXPECT_EQ(at(image, 25, 5), kCyan);
    EXPECT_EQ(at(image, 5, 15), kWhite);
}

TEST_F(DeviceContextTest, alphaBlendMixesByConstantAndPixelAlpha)
{
    QImage source(1, 1, QImage::Format_ARGB32_Premultiplied);
    source.fill(qRgba(0, 0, 0, 0)); // fully transparent
    dc.AlphaBlend(QRectF(0, 0, 10, 10), source, QRectF(0, 0, 1, 1), 255, true);
    EXPECT_EQ(at(image, 5, 5), kWhite);
    QImage opaque(1, 1, QImage::Format_RGB32);
    opaque.fill(kBlack);
    dc.AlphaBlend(QRectF(10, 0, 10, 10), opaque, QRectF(0, 0, 1, 1), 128, false);
    EXPECT_NEAR(qRed(at(image, 15, 5)), 127, 2);
}

TEST_F(DeviceContextTest, transparentBltSkipsTheKeyColour)
{
    QImage source(2, 1, QImage::Format_RGB32);
    source.setPixel(0, 0, kRed);
    source.setPixel(1, 0, kBlue);
    dc.TransparentBlt(QRectF(0, 0, 20, 10), source, QRectF(0, 0, 2, 1), 0xFF0000); // blue is the key
    EXPECT_EQ(at(image, 5, 5), kRed);
    EXPECT_EQ(at(image, 15, 5), kWhite);
}

TEST_F(DeviceContextTest, gradientRectangleRunsFromFirstToSecondColour)
{
    const GradientVertex v[2] = {{QPointF(0, 0), 0xFF00, 0, 0}, {QPointF(40, 40), 0, 0, 0xFF00}};
    const std::uint32_t pair[2] = {0, 1};
    ASSERT_TRUE(dc.GradientFill(v, pair, GRADIENT_FILL_RECT_H));
    EXPECT_GT(qRed(at(image, 1, 20)), 230);
    EXPECT_GT(qBlue(at(image, 38, 20)), 230);
    const std::uint32_t outOfRange[2] = {0, 7};
    EXPECT_FALSE(dc.GradientFill(v, outOfRange, GRADIENT_FILL_RECT_H));
}

// ---- pixels

TEST_F(DeviceContextTest, floodFillStopsAtTheBorderColour)
{
    dc.selectPen(pen(PS_SOLID, 0));
    dc.selectBrush(brush(BS_NULL, 0));
    dc.Rectangle(10, 10, 30, 30);
    dc.selectBrush(kRedBrush);
    ASSERT_TRUE(dc.ExtFloodFill({20, 20}, 0x000000, FLOODFILLBORDER));
    EXPECT_EQ(at(image, 20, 20), kRed);
    EXPECT_EQ(at(image, 10, 20), kBlack);
    EXPECT_EQ(at(image, 5, 5), kWhite);
    ASSERT_TRUE(dc.ExtFloodFill({5, 5}, 0xFFFFFF, FLOODFILLSURFACE));
    EXPECT_EQ(at(image, 5, 5), kRed);
    EXPECT_EQ(at(image, 10, 20), kBlack);
    EXPECT_FALSE(dc.ExtFloodFill({500, 5}, 0xFFFFFF, FLOODFILLSURFACE)) << "seed off the bitmap";
}

// ---- hostile pictures

TEST_F(DeviceContextTest, pixelByPixelWorkStopsWhenItsBudgetIsSpent)
{
    dc.selectBrush(kRedBrush);
    dc.PatBlt(0, 0, 20, 40, 0x00A000C9); // DPa: a general raster operation
    EXPECT_EQ(at(image, 5, 5), kRed);
    // A few hundred passes over a megapixel, then nothing more.
    EXPECT_TRUE(dc.allowPixelWork((std::int64_t{256} << 20) - 800));
    EXPECT_FALSE(dc.allowPixelWork(1));
    dc.PatBlt(20, 0, 20, 40, 0x00A000C9);
    EXPECT_EQ(at(image, 30, 5), kWhite);
    EXPECT_FALSE(dc.ExtFloodFill({30, 30}, 0xFFFFFF, FLOODFILLSURFACE));
    dc.PatBlt(20, 0, 20, 40, PATCOPY); // plain fills are not pixel by pixel
    EXPECT_EQ(at(image, 30, 5), kRed);
}

// ---- hostile geometry

TEST_F(DeviceContextTest, farReachingClipPathKeepsItsHole)
{
    QElapsedTimer timer;
    timer.start();
    dc.SetPolyFillMode(ALTERNATE);
    dc.BeginPath();
    dc.Rectangle(-1e7, -1e7, 1e7, 1e7);
    dc.Rectangle(10, 10, 21, 21);
    dc.EndPath();
    ASSERT_TRUE(dc.SelectClipPath(RGN_COPY));
    dc.PatBlt(0, 0, 40, 40, BLACKNESS);
    EXPECT_EQ(at(image, 2, 2), kBlack);
    EXPECT_EQ(at(image, 15, 15), kWhite) << "the hole survives clipping the far outline";
    EXPECT_LT(timer.elapsed(), 2000);
}

TEST_F(DeviceContextTest, runawayCoordinatesAndPensEndQuickly)
{
    QElapsedTimer timer;
    timer.start();
    dc.selectPen(pen(PS_DASH, 0));
    dc.MoveToEx({-2e9, -2e9});
    dc.LineTo({2e9, 2e9});
    dc.selectPen(pen(PS_DOT | PS_GEOMETRIC, 1e9));
    dc.Ellipse(-2e9, -2e9, 2e9, 2e9);
    dc.ModifyWorldTransform(QTransform::fromScale(1e30, 1e30), MWT_LEFTMULTIPLY);
    dc.Rectangle(0, 0, 1e9, 1e9);
    dc.ModifyWorldTransform(QTransform(), MWT_IDENTITY);
    dc.selectPen(pen(PS_SOLID, 0));
    dc.MoveToEx({0, 0});
    dc.LineTo({40, 0}); // the context still works afterwards
    EXPECT_EQ(at(image, 20, 0), kBlack);
    EXPECT_LT(timer.elapsed(), 5000);
}
