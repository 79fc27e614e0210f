#include "gdi/PageMapping.h"

#include "gdi/GdiConstants.h"

#include <cmath>

namespace plat::gdi {

namespace {

bool usable(double v) { return std::isfinite(v) && v != 0.0; }

double sign(double v) { return v < 0 ? -1.0 : 1.0; }

} // namespace

bool PageMapping::setMapMode(int mode, const DeviceMetrics& metrics)
{
    if (mode < MM_TEXT || mode > MM_ANISOTROPIC)
        return false;
    if (mode == mode_)
        return true;
    // Logical units per millimetre for each fixed mode; y grows upwards in all of them.
    double unitsPerMm = 0;
    switch (mode) {
    case MM_TEXT:
        windowExt_ = {1, 1};
        viewportExt_ = {1, 1};
        break;
    case MM_LOMETRIC:
    case MM_ISOTROPIC: unitsPerMm = 10; break;
    case MM_HIMETRIC: unitsPerMm = 100; break;
    case MM_LOENGLISH: unitsPerMm = 100 / 25.4; break;
    case MM_HIENGLISH: unitsPerMm = 1000 / 25.4; break;
    case MM_TWIPS: unitsPerMm = 1440 / 25.4; break;
    case MM_ANISOTROPIC: break;
    }
    if (unitsPerMm > 0 && metrics.millimetres.width() > 0 && metrics.millimetres.height() > 0
        && metrics.pixels.width() > 0 && metrics.pixels.height() > 0) {
        windowExt_ = {metrics.millimetres.width() * unitsPerMm, metrics.millimetres.height() * unitsPerMm};
        viewportExt_ = {metrics.pixels.width(), -metrics.pixels.height()};
    }
    mode_ = mode;
    return true;
}

bool PageMapping::setWindowExt(double cx, double cy)
{
    if (mode_ != MM_ISOTROPIC && mode_ != MM_ANISOTROPIC)
        return false;
    if (!usable(cx) || !usable(cy))
        return false;
    windowExt_ = {cx, cy};
    if (mode_ == MM_ISOTROPIC)
        adjustIsotropic();
    return true;
}

bool PageMapping::setViewportExt(double cx, double cy)
{
    if (mode_ != MM_ISOTROPIC && mode_ != MM_ANISOTROPIC)
        return false;
    if (!usable(cx) || !usable(cy))
        return false;
    viewportExt_ = {cx, cy};
    if (mode_ == MM_ISOTROPIC)
        adjustIsotropic();
    return true;
}

bool PageMapping::scaleWindowExt(double xNum, double xDenom, double yNum, double yDenom)
{
    if (!usable(xDenom) || !usable(yDenom))
        return false;
    return setWindowExt(windowExt_.width() * xNum / xDenom, windowExt_.height() * yNum / yDenom);
}

bool PageMapping::scaleViewportExt(double xNum, double xDenom, double yNum, double yDenom)
{
    if (!usable(xDenom) || !usable(yDenom))
        return false;
    return setViewportExt(viewportExt_.width() * xNum / xDenom, viewportExt_.height() * yNum / yDenom);
}

// Isotropic mapping keeps one scale for both axes: the viewport extent on
// the axis with the larger scale shrinks until both scales match, and each
// axis keeps its own direction.
void PageMapping::adjustIsotropic()
{
    const double xs = std::fabs(viewportExt_.width() / windowExt_.width());
    const double ys = std::fabs(viewportExt_.height() / windowExt_.height());
    if (xs > ys)
        viewportExt_.setWidth(sign(viewportExt_.width()) * std::fabs(windowExt_.width()) * ys);
    else if (ys > xs)
        viewportExt_.setHeight(sign(viewportExt_.height()) * std::fabs(windowExt_.height()) * xs);
}

QTransform PageMapping::transform() const
{
    const double sx = viewportExt_.width() / windowExt_.width();
    const double sy = viewportExt_.height() / windowExt_.height();
    return QTransform(sx, 0, 0, sy, viewportOrg_.x() - windowOrg_.x() * sx, viewportOrg_.y() - windowOrg_.y() * sy);
}

} // namespace plat::gdi
