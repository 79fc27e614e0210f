#include "Artwork.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

namespace Artwork {
namespace {

// The 16-colour palette the images keep to.
const QColor Black(0, 0, 0), Maroon(128, 0, 0), Green(0, 128, 0), Olive(128, 128, 0), Navy(0, 0, 128),
    Teal(0, 128, 128), Silver(192, 192, 192), Grey(128, 128, 128), Red(255, 0, 0), Lime(0, 255, 0), Yellow(255, 255, 0),
    Blue(0, 0, 255), Fuchsia(255, 0, 255), Aqua(0, 255, 255), White(255, 255, 255);

QImage blank(int size)
{
    QImage img(size, size, QImage::Format_RGB32);
    img.fill(Silver);
    return img;
}

void shape(QPainter& p, const QPolygon& poly, const QColor& fill, const QColor& outline)
{
    p.setPen(outline);
    p.setBrush(fill);
    p.drawPolygon(poly);
}

// A filled box whose outline covers exactly [x, x+w) x [y, y+h).
void box(QPainter& p, int x, int y, int w, int h, const QColor& fill, const QColor& outline)
{
    p.setPen(outline);
    p.setBrush(fill);
    p.drawRect(x, y, w - 1, h - 1);
}

void line(QPainter& p, int x1, int y1, int x2, int y2, const QColor& c)
{
    p.setPen(c);
    p.drawLine(x1, y1, x2, y2);
}

QPolygon poly(std::initializer_list<QPoint> points) { return QPolygon(QList<QPoint>(points)); }

QImage newBanner()
{
    QImage img = blank(35);
    QPainter p(&img);
    // A fresh sheet with a folded corner and a sparkle.
    shape(p, poly({{10, 4}, {23, 4}, {29, 10}, {29, 31}, {10, 31}}), White, Black);
    shape(p, poly({{23, 4}, {23, 10}, {29, 10}}), Silver, Black);
    for (int y = 15; y <= 27; y += 4)
        line(p, 13, y, 26, y, Grey);
    shape(p, poly({{8, 2}, {10, 7}, {15, 9}, {10, 11}, {8, 16}, {6, 11}, {1, 9}, {6, 7}}), Yellow, Olive);
    return img;
}

QImage clearBanner()
{
    QImage img = blank(35);
    QPainter p(&img);
    // A banner half wiped, the eraser still on it.
    box(p, 1, 6, 33, 15, White, Black);
    for (int y = 10; y <= 16; y += 3)
        line(p, 18, y, 30, y, Blue);
    line(p, 5, 10, 9, 10, Grey);
    line(p, 4, 16, 7, 16, Grey);
    shape(p, poly({{6, 27}, {15, 18}, {22, 25}, {13, 34}}), Fuchsia, Black);
    shape(p, poly({{15, 18}, {19, 14}, {26, 21}, {22, 25}}), White, Black);
    line(p, 2, 33, 10, 33, Grey);
    return img;
}

QImage backgroundColor()
{
    QImage img = blank(35);
    QPainter p(&img);
    // A paint can pouring colour over the banner.
    box(p, 1, 20, 33, 12, Blue, Black);
    line(p, 2, 21, 32, 21, Aqua);
    shape(p, poly({{3, 7}, {13, 2}, {19, 12}, {9, 17}}), Grey, Black);
    shape(p, poly({{13, 2}, {19, 12}, {17, 13}, {11, 3}}), Silver, Black);
    p.setBrush(Qt::NoBrush);
    p.setPen(Black);
    p.drawArc(2, 0, 12, 12, 30 * 16, 150 * 16);
    shape(p, poly({{18, 12}, {21, 11}, {24, 20}, {19, 20}}), Blue, Navy);
    return img;
}

QImage addText()
{
    QImage img = blank(35);
    QPainter p(&img);
    // A capital A and the text cursor beside it.
    QPainterPath letter;
    letter.setFillRule(Qt::OddEvenFill);
    letter.addPolygon(QPolygonF(poly({{2, 31}, {12, 3}, {17, 3}, {27, 31}, {21, 31}, {19, 24}, {10, 24}, {8, 31}})));
    letter.closeSubpath();
    letter.addPolygon(QPolygonF(poly({{11, 20}, {18, 20}, {14, 9}})));
    letter.closeSubpath();
    p.setPen(Navy);
    p.setBrush(Navy);
    p.drawPath(letter);
    line(p, 30, 4, 30, 31, Red);
    line(p, 28, 4, 32, 4, Red);
    line(p, 28, 31, 32, 31, Red);
    return img;
}

QImage bannerSize()
{
    QImage img = blank(35);
    QPainter p(&img);
    // The banner dragged out to a new size.
    QPen dashed(Grey);
    dashed.setStyle(Qt::DashLine);
    p.setPen(dashed);
    p.setBrush(Qt::NoBrush);
    p.drawRect(1, 5, 32, 25);
    box(p, 1, 5, 19, 12, White, Black);
    line(p, 4, 9, 15, 9, Red);
    line(p, 4, 12, 12, 12, Red);
    QPen arrow(Black);
    arrow.setWidth(2);
    p.setPen(arrow);
    p.drawLine(19, 16, 29, 26);
    shape(p, poly({{32, 29}, {24, 29}, {32, 21}}), Black, Black);
    return img;
}

QImage backgroundImage()
{
    QImage img = blank(35);
    QPainter p(&img);
    // A framed landscape.
    box(p, 1, 4, 33, 27, Maroon, Black);
    box(p, 3, 6, 29, 23, Aqua, Olive);
    p.setPen(Olive);
    p.setBrush(Yellow);
    p.drawEllipse(QPoint(25, 11), 3, 3);
    shape(p, poly({{4, 27}, {12, 13}, {18, 21}, {23, 16}, {30, 27}}), Green, Green);
    shape(p, poly({{12, 13}, {14, 16}, {10, 16}}), White, White);
    box(p, 4, 26, 27, 3, Lime, Lime);
    return img;
}

QImage fonts()
{
    QImage img = blank(35);
    QPainter p(&img);
    // Two letters in two very different faces.
    QFont serif(QStringLiteral("DejaVu Serif"));
    serif.setPixelSize(27);
    serif.setBold(true);
    serif.setStyleStrategy(QFont::NoAntialias);
    p.setFont(serif);
    p.setPen(Black);
    p.drawText(QPoint(1, 26), QStringLiteral("F"));
    QFont script(QStringLiteral("Lucida Handwriting"));
    script.setPixelSize(24);
    script.setStyleStrategy(QFont::NoAntialias);
    p.setFont(script);
    p.setPen(Red);
    p.drawText(QPoint(17, 31), QStringLiteral("a"));
    line(p, 2, 32, 15, 32, Navy);
    return img;
}

} // namespace

QImage applicationIcon()
{
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    // A banner on its pole, with the program's initial.
    line(p, 2, 2, 2, 31, Black);
    line(p, 3, 2, 3, 31, Grey);
    box(p, 4, 4, 27, 18, Navy, Black);
    box(p, 4, 18, 27, 4, Red, Black);
    shape(p, poly({{10, 7}, {14, 7}, {17, 14}, {20, 7}, {24, 7}, {19, 17}, {15, 17}}), Yellow, Olive);
    box(p, 6, 7, 3, 3, Lime, Green);
    box(p, 26, 7, 3, 3, Aqua, Teal);
    return img;
}

QImage toolbarImage(int number)
{
    switch (number) {
    case 1: return newBanner();
    case 2: return clearBanner();
    case 3: return backgroundColor();
    case 4: return addText();
    case 5: return bannerSize();
    case 6: return backgroundImage();
    case 7: return fonts();
    default: return QImage();
    }
}

} // namespace Artwork
