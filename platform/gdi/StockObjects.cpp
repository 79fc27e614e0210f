#include "gdi/StockObjects.h"

namespace plat::gdi {

bool stockPen(int id, LogPen& pen)
{
    pen = LogPen{};
    switch (id) {
    case WHITE_PEN: pen.color = 0xFFFFFF; return true;
    case BLACK_PEN:
    case DC_PEN: pen.color = 0x000000; return true;
    case NULL_PEN: pen.style = PS_NULL; return true;
    default: return false;
    }
}

bool stockBrush(int id, LogBrush& brush)
{
    brush = LogBrush{};
    switch (id) {
    case WHITE_BRUSH:
    case DC_BRUSH: brush.color = 0xFFFFFF; return true;
    case LTGRAY_BRUSH: brush.color = 0xC0C0C0; return true;
    case GRAY_BRUSH: brush.color = 0x808080; return true;
    case DKGRAY_BRUSH: brush.color = 0x404040; return true;
    case BLACK_BRUSH: brush.color = 0x000000; return true;
    case NULL_BRUSH: brush.style = BS_NULL; return true;
    default: return false;
    }
}

bool stockFont(int id, LogFont& font)
{
    font = LogFont{};
    switch (id) {
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
        font.height = 16;
        font.weight = 700;
        font.faceName = QStringLiteral("System");
        return true;
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT:
        font.height = 12;
        font.pitchAndFamily = FIXED_PITCH | FF_MODERN;
        font.faceName = QStringLiteral("Courier");
        return true;
    case ANSI_VAR_FONT:
        font.height = 12;
        font.pitchAndFamily = FF_SWISS;
        font.faceName = QStringLiteral("MS Sans Serif");
        return true;
    case DEFAULT_GUI_FONT:
        font.height = -11;
        font.faceName = QStringLiteral("MS Shell Dlg");
        return true;
    default: return false;
    }
}

const std::vector<QRgb>& defaultPalette()
{
    static const std::vector<QRgb> palette = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),     qRgb(0, 128, 0),     qRgb(128, 128, 0),   qRgb(0, 0, 128),
        qRgb(128, 0, 128),   qRgb(0, 128, 128),   qRgb(192, 192, 192), qRgb(192, 220, 192), qRgb(166, 202, 240),
        qRgb(255, 251, 240), qRgb(160, 160, 164), qRgb(128, 128, 128), qRgb(255, 0, 0),     qRgb(0, 255, 0),
        qRgb(255, 255, 0),   qRgb(0, 0, 255),     qRgb(255, 0, 255),   qRgb(0, 255, 255),   qRgb(255, 255, 255),
    };
    return palette;
}

} // namespace plat::gdi
