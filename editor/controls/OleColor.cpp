#include "OleColor.h"

#include <QGuiApplication>
#include <QPalette>

namespace OleColors {

QColor toQColor(OleColor c)
{
    if (!isSystemColor(c))
        return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);

    const QPalette pal = QGuiApplication::palette();
    switch (c & 0xFF) {
    case 5: return pal.color(QPalette::Base);
    // The platform has no title bars of its own; active title text is
    // normally white, and that is what the banner starts as.
    case 9: return QColor(Qt::white);
    case 12: return pal.color(QPalette::Dark);
    case 15: return pal.color(QPalette::Button);
    case 18: return pal.color(QPalette::ButtonText);
    default: return pal.color(QPalette::WindowText);
    }
}

OleColor fromQColor(const QColor& c)
{
    const QColor rgb = c.toRgb();
    return fromRgb(rgb.red(), rgb.green(), rgb.blue());
}

} // namespace OleColors
