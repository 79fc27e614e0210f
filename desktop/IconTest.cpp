// The installed icons are the window icon's drawing: pixel for pixel at its
// own size, each pixel a square at whole multiples of it.
#include "Artwork.h"

#include <gtest/gtest.h>

#include <QImage>

#include <array>

namespace {

QImage installed(int size)
{
    return QImage(QStringLiteral(VELNORA_BINARY_DIR "/desktop/icons/hicolor/%1x%1/apps/velnora.png").arg(size))
        .convertToFormat(QImage::Format_ARGB32);
}

TEST(Icons, AreTheWindowIconsDrawing)
{
    const QImage art = Artwork::applicationIcon().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(art.size(), QSize(32, 32));
    EXPECT_EQ(installed(32), art);
    for (int multiple : {2, 4, 8}) {
        const QImage big = installed(32 * multiple);
        ASSERT_EQ(big.size(), QSize(32 * multiple, 32 * multiple));
        for (int y = 0; y < big.height(); ++y)
            for (int x = 0; x < big.width(); ++x)
                ASSERT_EQ(big.pixel(x, y), art.pixel(x / multiple, y / multiple))
                    << multiple << "x at " << x << "," << y;
    }
    // Smaller and in-between sizes are smoothed, so they keep the drawing's
    // average colour and coverage.
    const auto average = [](const QImage& img) {
        double sum[4] = {0, 0, 0, 0};
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb p = img.pixel(x, y);
                const double a = qAlpha(p) / 255.0;
                sum[0] += qRed(p) * a, sum[1] += qGreen(p) * a, sum[2] += qBlue(p) * a, sum[3] += qAlpha(p);
            }
        for (double& v : sum)
            v /= img.width() * img.height();
        return std::array<double, 4>{sum[0], sum[1], sum[2], sum[3]};
    };
    const auto want = average(art);
    for (int size : {16, 24, 48}) {
        const QImage icon = installed(size);
        ASSERT_EQ(icon.size(), QSize(size, size));
        const auto got = average(icon);
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(got[c], want[c], 6.0) << size << " px, channel " << c;
    }
}

} // namespace
