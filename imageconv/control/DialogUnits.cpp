#include "control/DialogUnits.h"

#include <com/Window.h>
#include <gdi/GdiObjects.h>

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>

namespace pictaf {

using namespace plat::com;

DialogUnits::Base DialogUnits::baseUnits(const DialogTemplate& dialog)
{
    // A font that is not installed cannot be created: substituting another
    // would size the page by a font it is not drawn with either.
    if (dialog.fontFace && QGuiApplication::instance()
        && QFontDatabase::hasFamily(QString::fromUtf8(dialog.fontFace))) {
        QFont font(QString::fromUtf8(dialog.fontFace));
        font.setPixelSize(std::max(1, dialog.pointSize * plat::LogPixelsY() / 72));
        font.setWeight(QFont::Normal);
        QFontMetrics metrics(font);
        const int alphabet =
            metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        return Base{(alphabet + 26) / 52, metrics.height() + metrics.leading(), true};
    }
    const LONG units = GetDialogBaseUnits();
    return Base{units & 0xFFFF, (units >> 16) & 0xFFFF, false};
}

SIZEL DialogUnits::toPixels(const Base& base, int cx, int cy)
{
    return SIZEL{MulDiv(cx, base.charWidth, 4), MulDiv(cy, base.charHeight, 8)};
}

RECT DialogUnits::toPixels(const Base& base, int x, int y, int cx, int cy)
{
    const LONG left = MulDiv(x, base.charWidth, 4);
    const LONG top = MulDiv(y, base.charHeight, 8);
    return RECT{left, top, left + MulDiv(cx, base.charWidth, 4), top + MulDiv(cy, base.charHeight, 8)};
}

SIZEL DialogUnits::dialogSize(const DialogTemplate& dialog)
{
    return toPixels(baseUnits(dialog), dialog.cx, dialog.cy);
}

} // namespace pictaf
