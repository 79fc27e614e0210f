// banner-check: checks what the end-to-end test made through the editor's
// menus. usage: banner-check BANNER.bmp BANNER.gif BACKGROUND TEXT X Y
// (colours as RRGGBB; X, Y the pixel where the text was dropped). Exit status 0 when every check holds; each failed
// check is printed with what was found.
#include "GifFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>

#include <cstdio>

namespace {

int failures = 0;

void check(bool ok, const QString& what)
{
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", qPrintable(what));
    failures += ok ? 0 : 1;
}

int count(const QImage& img, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += (img.pixel(x, y) | 0xFF000000u) == (colour | 0xFF000000u);
    return n;
}

int distance(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 7) {
        std::fprintf(stderr, "usage: banner-check BANNER.bmp BANNER.gif BACKGROUND TEXT X Y\n");
        return 2;
    }
    const QString bmpName = QString::fromLocal8Bit(argv[1]), gifName = QString::fromLocal8Bit(argv[2]);
    const QRgb background = 0xFF000000u | QByteArray(argv[3]).toUInt(nullptr, 16);
    const QRgb text = 0xFF000000u | QByteArray(argv[4]).toUInt(nullptr, 16);
    const QPoint dropped(QByteArray(argv[5]).toInt(), QByteArray(argv[6]).toInt());

    QFile bmpFile(bmpName);
    check(bmpFile.open(QIODevice::ReadOnly) && bmpFile.peek(2) == "BM", bmpName + " is a BMP file");
    const QImage bmp = QImage(bmpName, "BMP").convertToFormat(QImage::Format_RGB32);
    check(bmp.size() == QSize(468, 60),
          QStringLiteral("the BMP is 468 x 60 (found %1 x %2)").arg(bmp.width()).arg(bmp.height()));
    // The person's steps show in the banner: the picked background fills
    // most of it, and the text, smoothed into it, is printed where it was
    // dropped, its darkest pixels in the picked text colour.
    const int back = count(bmp, background);
    check(back > bmp.width() * bmp.height() / 2,
          QStringLiteral("the background colour fills the banner (%1 pixels)").arg(back));
    QRect inked;
    QRgb closest = background;
    for (int y = 0; y < bmp.height(); ++y)
        for (int x = 0; x < bmp.width(); ++x)
            if (QRgb c = bmp.pixel(x, y); (c | 0xFF000000u) != background) {
                inked |= QRect(x, y, 1, 1);
                if (distance(c, text) < distance(closest, text))
                    closest = c;
            }
    check(distance(closest, text) <= 60,
          QStringLiteral("the text is printed in its colour (closest pixel %1, want %2)")
              .arg(closest & 0xFFFFFF, 6, 16, QLatin1Char('0'))
              .arg(text & 0xFFFFFF, 6, 16, QLatin1Char('0')));
    check(qAbs(inked.left() - dropped.x()) <= 4 && qAbs(inked.top() - dropped.y()) <= 8,
          QStringLiteral("the text starts where it was dropped (%1, %2; dropped at %3, %4)")
              .arg(inked.left())
              .arg(inked.top())
              .arg(dropped.x())
              .arg(dropped.y()));

    QString why;
    const std::optional<DecodedGif> gif = readGif(gifName, &why);
    check(gif.has_value(), QStringLiteral("giflib reads %1 %2").arg(gifName, why));
    if (!gif)
        return 1;
    check(gif->signature == "GIF89a",
          QStringLiteral("the GIF starts with GIF89a (found %1)").arg(QString::fromLatin1(gif->signature)));
    check(gif->size == QSize(468, 60),
          QStringLiteral("the GIF is 468 x 60 (found %1 x %2)").arg(gif->size.width()).arg(gif->size.height()));
    check(gif->interlaced, QStringLiteral("the GIF is interlaced"));
    check(gif->transparentIndex == 0, QStringLiteral("colour 0 is transparent (found %1)").arg(gif->transparentIndex));
    check(gif->colours.value(0) == qRgb(255, 255, 255), QStringLiteral("colour 0 is white, the control's background"));
    const QImage through = gif->rgb();
    int differing = 0;
    for (int y = 0; y < qMin(through.height(), bmp.height()); ++y)
        for (int x = 0; x < qMin(through.width(), bmp.width()); ++x)
            differing += (through.pixel(x, y) | 0xFF000000u) != (bmp.pixel(x, y) | 0xFF000000u);
    check(through.size() == bmp.size() && differing == 0,
          QStringLiteral("the GIF's pixels through its colour table equal the BMP's (%1 differ)").arg(differing));
    return failures == 0 ? 0 : 1;
}
