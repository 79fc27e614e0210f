// velnora-make-icons OUTDIR: writes the editor's window icon into a hicolor
// icon theme tree under OUTDIR, at the sizes desktops ask for and as a
// scalable picture, all from the one drawing the program itself shows.
//
// The drawing is 32 x 32 pixel art. Larger sizes repeat each pixel (a whole
// multiple stays crisp) and smaller ones are smoothed down; the scalable
// picture has one square per pixel, so it is the same art at any size.
#include "Artwork.h"

#include <QDir>
#include <QImage>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>

namespace {

QImage atSize(const QImage& art, int size)
{
    int multiple = 1;
    while (art.width() * multiple < size)
        ++multiple;
    QImage big =
        art.scaled(art.width() * multiple, art.height() * multiple, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return big.width() == size ? big : big.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QString svgOf(const QImage& art)
{
    QString svg;
    QTextStream out(&svg);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << art.width() << "\" height=\"" << art.height()
        << "\" viewBox=\"0 0 " << art.width() << ' ' << art.height() << "\" shape-rendering=\"crispEdges\">\n";
    for (int y = 0; y < art.height(); ++y) {
        int x = 0;
        while (x < art.width()) {
            const QRgb c = art.pixel(x, y);
            int run = 1;
            while (x + run < art.width() && art.pixel(x + run, y) == c)
                ++run;
            if (qAlpha(c) != 0) {
                out << "<rect x=\"" << x << "\" y=\"" << y << "\" width=\"" << run << "\" height=\"1\" fill=\""
                    << QColor(c).name(QColor::HexRgb) << '"';
                if (qAlpha(c) != 255)
                    out << " fill-opacity=\"" << QString::number(qAlpha(c) / 255.0, 'f', 3) << '"';
                out << "/>\n";
            }
            x += run;
        }
    }
    out << "</svg>\n";
    return svg;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: velnora-make-icons OUTDIR\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    const QImage art = Artwork::applicationIcon().convertToFormat(QImage::Format_ARGB32);
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("hicolor/%1x%1/apps").arg(size);
        const QString file = root.filePath(dir + QStringLiteral("/velnora.png"));
        if (!root.mkpath(dir) || !atSize(art, size).save(file, "PNG")) {
            std::fprintf(stderr, "velnora-make-icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    const QString scalable = root.filePath(QStringLiteral("hicolor/scalable/apps/velnora.svg"));
    QSaveFile svg(scalable);
    if (!root.mkpath(QStringLiteral("hicolor/scalable/apps")) || !svg.open(QIODevice::WriteOnly)
        || svg.write(svgOf(art).toUtf8()) < 0 || !svg.commit()) {
        std::fprintf(stderr, "velnora-make-icons: cannot write %s\n", qPrintable(scalable));
        return 1;
    }
    return 0;
}
