// DeviceContext: pattern and bitmap blits, alpha and transparent blits,
// gradient fills.
#include "gdi/DeviceContextImpl.h"

#include <algorithm>
#include <cmath>

namespace plat {

using namespace gdi;

namespace {

constexpr double kMaxDeviceCoordinate = 1e9;

bool finitePoint(QPointF p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y()) && std::fabs(p.x()) < kMaxDeviceCoordinate
        && std::fabs(p.y()) < kMaxDeviceCoordinate;
}

// Composition modes that do a ROP3 on the source alone (no pattern).
bool sourceComposition(std::uint32_t rop, QPainter::CompositionMode& mode)
{
    using CM = QPainter::CompositionMode;
    switch (rop3Index(rop)) {
    case 0xCC: mode = CM::CompositionMode_SourceOver; return true;          // SRCCOPY
    case 0x88: mode = CM::RasterOp_SourceAndDestination; return true;       // SRCAND
    case 0xEE: mode = CM::RasterOp_SourceOrDestination; return true;        // SRCPAINT
    case 0x66: mode = CM::RasterOp_SourceXorDestination; return true;       // SRCINVERT
    case 0x33: mode = CM::RasterOp_NotSource; return true;                  // NOTSRCCOPY
    case 0x44: mode = CM::RasterOp_SourceAndNotDestination; return true;    // SRCERASE
    case 0x11: mode = CM::RasterOp_NotSourceAndNotDestination; return true; // NOTSRCERASE
    case 0xBB: mode = CM::RasterOp_NotSourceOrDestination; return true;     // MERGEPAINT
    default: return false;
    }
}

// The painter transform that takes source pixels of sourceRect onto a
// destination parallelogram.
QTransform sourceToDevice(const QPointF& origin, const QPointF& xAxis, const QPointF& yAxis, const QRectF& src)
{
    const double sw = src.width(), sh = src.height();
    return QTransform::fromTranslate(-src.left(), -src.top())
        * QTransform(xAxis.x() / sw, xAxis.y() / sw, yAxis.x() / sh, yAxis.y() / sh, origin.x(), origin.y());
}

} // namespace

DeviceContext::Impl::DestQuad DeviceContext::Impl::destQuad(const QRectF& dest) const
{
    DestQuad q;
    const double x = dest.x(), y = dest.y(), w = dest.width(), h = dest.height();
    q.origin = toDevice({x, y});
    q.xAxis = toDevice({x + w, y}) - q.origin;
    q.yAxis = toDevice({x, y + h}) - q.origin;
    q.aligned = q.xAxis.y() == 0.0 && q.yAxis.x() == 0.0;
    if (q.aligned) {
        const double x0 = std::round(q.origin.x()), x1 = std::round(q.origin.x() + q.xAxis.x());
        const double y0 = std::round(q.origin.y()), y1 = std::round(q.origin.y() + q.yAxis.y());
        q.mirrorX = x1 < x0;
        q.mirrorY = y1 < y0;
        const double left = std::min(x0, x1), right = std::max(x0, x1);
        const double top = std::min(y0, y1), bottom = std::max(y0, y1);
        if (finitePoint({left, top}) && finitePoint({right, bottom}) && right > left && bottom > top)
            q.rect = QRect(QPoint(int(left), int(top)), QPoint(int(right) - 1, int(bottom) - 1));
    }
    return q;
}

// General ROP3: the source drawn onto a layer covering the destination's
// bounding box, the pattern painted on another, then the truth table applied
// pixel by pixel inside the clip.
void DeviceContext::Impl::ropBlit(const DestQuad& quad, const QImage* source, const QRectF& sourceRect,
                                  std::uint32_t rop)
{
    const std::uint8_t index = rop3Index(rop);
    QRect box;
    QPolygonF polygon;
    if (quad.aligned) {
        box = quad.rect;
    } else {
        polygon << quad.origin << quad.origin + quad.xAxis << quad.origin + quad.xAxis + quad.yAxis
                << quad.origin + quad.yAxis;
        for (const QPointF& p : polygon) {
            if (!finitePoint(p))
                return;
        }
        box = polygon.boundingRect().toAlignedRect();
    }
    box &= deviceBounds();
    if (box.isEmpty() || !image || !spendPixelWork(std::int64_t{box.width()} * box.height()))
        return;

    // Coverage (alpha) and source colours.
    QImage layer(box.size(), QImage::Format_ARGB32_Premultiplied);
    if (layer.isNull())
        return;
    layer.fill(0);
    {
        QPainter p(&layer);
        p.translate(-box.topLeft());
        p.setCompositionMode(QPainter::CompositionMode_Source);
        if (source && rop3UsesSource(index)) {
            p.setRenderHint(QPainter::SmoothPixmapTransform, s.stretchMode == HALFTONE);
            if (quad.aligned) {
                const QRectF target(quad.rect);
                QTransform mirror;
                if (quad.mirrorX || quad.mirrorY) {
                    const QPointF c = target.center();
                    mirror = QTransform::fromTranslate(-c.x(), -c.y())
                        * QTransform::fromScale(quad.mirrorX ? -1 : 1, quad.mirrorY ? -1 : 1)
                        * QTransform::fromTranslate(c.x(), c.y());
                }
                p.setTransform(mirror, true);
                p.drawImage(target, *source, sourceRect);
            } else {
                p.setTransform(sourceToDevice(quad.origin, quad.xAxis, quad.yAxis, sourceRect), true);
                p.drawImage(QPointF(sourceRect.topLeft()), *source, sourceRect);
            }
        } else if (quad.aligned) {
            p.fillRect(quad.rect, Qt::white);
        } else {
            p.setBrush(Qt::white);
            p.setPen(Qt::NoPen);
            p.drawPolygon(polygon);
        }
    }

    QImage pattern;
    if (rop3UsesPattern(index)) {
        pattern = QImage(box.size(), QImage::Format_RGB32);
        pattern.fill(QColor::fromRgb(resolve(s.bkColor)));
        QPainter p(&pattern);
        p.setBrushOrigin(s.brushOrg - box.topLeft());
        const QBrush brush = deviceBrush(s.brush);
        if (brush.style() != Qt::NoBrush)
            p.fillRect(pattern.rect(), brush);
    }

    const QRegion area = ((s.hasClip || s.hasMetaClip) ? currentClipOrDevice() : QRegion(deviceBounds())) & box;
    for (const QRect& r : area) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            auto* dst = reinterpret_cast<QRgb*>(image->scanLine(y));
            const auto* src = reinterpret_cast<const QRgb*>(layer.constScanLine(y - box.top()));
            const QRgb* pat =
                pattern.isNull() ? nullptr : reinterpret_cast<const QRgb*>(pattern.constScanLine(y - box.top()));
            for (int x = r.left(); x <= r.right(); ++x) {
                const QRgb sv = src[x - box.left()];
                if (qAlpha(sv) < 128)
                    continue;
                const QRgb pv = pat ? pat[x - box.left()] : 0;
                dst[x] = applyRop3(index, pv, sv, dst[x]);
            }
        }
    }
}

bool DeviceContext::PatBlt(double x, double y, double width, double height, std::uint32_t rop)
{
    if (!d->usable() || !d->painter.isActive())
        return false;
    const Impl::DestQuad quad = d->destQuad(QRectF(x, y, width, height));
    if (quad.aligned && quad.rect.isEmpty())
        return true;
    if (!d->applyClip())
        return true;
    const std::uint8_t index = rop3Index(rop);
    QPainterPath area;
    if (quad.aligned) {
        area.addRect(quad.rect);
    } else {
        QPolygonF polygon;
        polygon << quad.origin << quad.origin + quad.xAxis << quad.origin + quad.xAxis + quad.yAxis
                << quad.origin + quad.yAxis;
        for (const QPointF& p : polygon) {
            if (!finitePoint(p))
                return false;
        }
        area.addPolygon(polygon);
    }
    QPainter& p = d->painter;
    p.setBrushOrigin(d->s.brushOrg);
    switch (index) {
    case 0xF0: // PATCOPY
        p.fillPath(area, d->deviceBrush(d->s.brush));
        return true;
    case 0x00: // BLACKNESS
        p.fillPath(area, Qt::black);
        return true;
    case 0xFF: // WHITENESS
        p.fillPath(area, Qt::white);
        return true;
    case 0x55: // DSTINVERT
        p.setCompositionMode(QPainter::RasterOp_NotDestination);
        p.fillPath(area, Qt::black);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        return true;
    case 0x5A: // PATINVERT
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.fillPath(area, d->deviceBrush(d->s.brush));
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        return true;
    case 0xAA: // D: nothing changes
        return true;
    default: d->ropBlit(quad, nullptr, QRectF(), rop); return true;
    }
}

bool DeviceContext::StretchBlt(const QRectF& dest, const QImage& source, const QRectF& sourceRect, std::uint32_t rop)
{
    if (!d->usable() || !d->painter.isActive() || source.isNull())
        return false;
    if (!rop3UsesSource(rop3Index(rop)))
        return PatBlt(dest.x(), dest.y(), dest.width(), dest.height(), rop);
    QRectF src = sourceRect;
    QRectF dst = dest;
    // A mirrored source is the same as a mirrored destination.
    if (src.width() < 0) {
        src = QRectF(src.x() + src.width(), src.y(), -src.width(), src.height());
        dst = QRectF(dst.x() + dst.width(), dst.y(), -dst.width(), dst.height());
    }
    if (src.height() < 0) {
        src = QRectF(src.x(), src.y() + src.height(), src.width(), -src.height());
        dst = QRectF(dst.x(), dst.y() + dst.height(), dst.width(), -dst.height());
    }
    if (!(src.width() > 0) || !(src.height() > 0))
        return false;
    const Impl::DestQuad quad = d->destQuad(dst);
    if (quad.aligned && quad.rect.isEmpty())
        return true;
    if (!d->applyClip())
        return true;

    QPainter::CompositionMode mode;
    if (!sourceComposition(rop, mode)) {
        d->ropBlit(quad, &source, src, rop);
        return true;
    }
    QPainter& p = d->painter;
    p.save();
    p.setCompositionMode(mode);
    p.setRenderHint(QPainter::SmoothPixmapTransform, d->s.stretchMode == HALFTONE);
    if (quad.aligned) {
        const QRectF target(quad.rect);
        if (quad.mirrorX || quad.mirrorY) {
            const QPointF c = target.center();
            p.setTransform(QTransform::fromTranslate(-c.x(), -c.y())
                           * QTransform::fromScale(quad.mirrorX ? -1 : 1, quad.mirrorY ? -1 : 1)
                           * QTransform::fromTranslate(c.x(), c.y()));
        }
        p.drawImage(target, source, src);
    } else {
        for (const QPointF& c : {quad.origin, quad.origin + quad.xAxis, quad.origin + quad.yAxis}) {
            if (!finitePoint(c)) {
                p.restore();
                return false;
            }
        }
        p.setTransform(sourceToDevice(quad.origin, quad.xAxis, quad.yAxis, src));
        p.drawImage(src.topLeft(), source, src);
    }
    p.restore();
    return true;
}

bool DeviceContext::AlphaBlend(const QRectF& dest, const QImage& source, const QRectF& sourceRect, int constantAlpha,
                               bool perPixelAlpha)
{
    if (!d->usable() || !d->painter.isActive() || source.isNull())
        return false;
    if (!(sourceRect.width() > 0) || !(sourceRect.height() > 0))
        return false;
    const Impl::DestQuad quad = d->destQuad(dest);
    if ((quad.aligned && quad.rect.isEmpty()) || !d->applyClip())
        return true;
    QImage src = perPixelAlpha ? source.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                               : source.convertToFormat(QImage::Format_RGB32);
    QPainter& p = d->painter;
    p.save();
    p.setOpacity(std::clamp(constantAlpha, 0, 255) / 255.0);
    p.setRenderHint(QPainter::SmoothPixmapTransform, d->s.stretchMode == HALFTONE);
    if (quad.aligned) {
        const QRectF target(quad.rect);
        if (quad.mirrorX || quad.mirrorY) {
            const QPointF c = target.center();
            p.setTransform(QTransform::fromTranslate(-c.x(), -c.y())
                           * QTransform::fromScale(quad.mirrorX ? -1 : 1, quad.mirrorY ? -1 : 1)
                           * QTransform::fromTranslate(c.x(), c.y()));
        }
        p.drawImage(target, src, sourceRect);
    } else {
        p.setTransform(sourceToDevice(quad.origin, quad.xAxis, quad.yAxis, sourceRect));
        p.drawImage(sourceRect.topLeft(), src, sourceRect);
    }
    p.restore();
    return true;
}

bool DeviceContext::TransparentBlt(const QRectF& dest, const QImage& source, const QRectF& sourceRect,
                                   ColorRef transparent)
{
    if (source.isNull())
        return false;
    QImage keyed = source.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = d->resolve(transparent) & 0x00FFFFFFu;
    for (int y = 0; y < keyed.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x) {
            if ((line[x] & 0x00FFFFFFu) == key)
                line[x] = 0;
        }
    }
    return AlphaBlend(dest, keyed, sourceRect, 255, true);
}

bool DeviceContext::GradientFill(std::span<const GradientVertex> vertices, std::span<const std::uint32_t> indexes,
                                 std::uint32_t mode)
{
    if (!d->usable() || !d->painter.isActive() || !d->image)
        return false;
    auto rgb = [](const GradientVertex& v) { return QColor(v.red >> 8, v.green >> 8, v.blue >> 8); };
    if (!d->applyClip())
        return true;
    QPainter& p = d->painter;
    if (mode == GRADIENT_FILL_RECT_H || mode == GRADIENT_FILL_RECT_V) {
        for (std::size_t i = 0; i + 1 < indexes.size(); i += 2) {
            if (indexes[i] >= vertices.size() || indexes[i + 1] >= vertices.size())
                return false;
            const GradientVertex& a = vertices[indexes[i]];
            const GradientVertex& b = vertices[indexes[i + 1]];
            const QPointF a0 = d->toDevice(a.point);
            const QPointF a1 = mode == GRADIENT_FILL_RECT_H ? d->toDevice({b.point.x(), a.point.y()})
                                                            : d->toDevice({a.point.x(), b.point.y()});
            QPolygonF quad;
            quad << a.point << QPointF(b.point.x(), a.point.y()) << b.point << QPointF(a.point.x(), b.point.y());
            quad = d->transform().map(quad);
            bool ok = finitePoint(a1) && finitePoint(a0);
            for (const QPointF& c : quad)
                ok = ok && finitePoint(c);
            if (!ok)
                continue;
            QLinearGradient gradient(a0, a1);
            gradient.setColorAt(0, rgb(a));
            gradient.setColorAt(1, rgb(b));
            QPainterPath path;
            path.addPolygon(quad);
            p.fillPath(path, gradient);
        }
        return true;
    }
    if (mode != GRADIENT_FILL_TRIANGLE)
        return false;
    for (std::size_t i = 0; i + 2 < indexes.size(); i += 3) {
        if (indexes[i] >= vertices.size() || indexes[i + 1] >= vertices.size() || indexes[i + 2] >= vertices.size())
            return false;
        const GradientVertex* v[3] = {&vertices[indexes[i]], &vertices[indexes[i + 1]], &vertices[indexes[i + 2]]};
        QPointF pt[3];
        bool ok = true;
        for (int k = 0; k < 3; ++k) {
            pt[k] = d->toDevice(v[k]->point);
            ok = ok && finitePoint(pt[k]);
        }
        if (!ok)
            continue;
        const double area =
            (pt[1].x() - pt[0].x()) * (pt[2].y() - pt[0].y()) - (pt[2].x() - pt[0].x()) * (pt[1].y() - pt[0].y());
        if (area == 0.0)
            continue;
        QPolygonF tri;
        tri << pt[0] << pt[1] << pt[2];
        const QRect box = tri.boundingRect().toAlignedRect() & d->deviceBounds();
        if (box.isEmpty())
            continue;
        if (!d->spendPixelWork(std::int64_t{box.width()} * box.height()))
            return true;
        // Barycentric shading at pixel centres onto a layer, drawn through the clip.
        QImage layer(box.size(), QImage::Format_ARGB32_Premultiplied);
        layer.fill(0);
        for (int y = 0; y < box.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(layer.scanLine(y));
            const double py = box.top() + y + 0.5;
            for (int x = 0; x < box.width(); ++x) {
                const double px = box.left() + x + 0.5;
                const double w0 = ((pt[1].x() - px) * (pt[2].y() - py) - (pt[2].x() - px) * (pt[1].y() - py)) / area;
                const double w1 = ((pt[2].x() - px) * (pt[0].y() - py) - (pt[0].x() - px) * (pt[2].y() - py)) / area;
                const double w2 = 1 - w0 - w1;
                if (w0 < -1e-9 || w1 < -1e-9 || w2 < -1e-9)
                    continue;
                auto channel = [&](std::uint16_t c0, std::uint16_t c1, std::uint16_t c2) {
                    return std::clamp(static_cast<int>((w0 * c0 + w1 * c1 + w2 * c2) / 256.0), 0, 255);
                };
                line[x] = qRgb(channel(v[0]->red, v[1]->red, v[2]->red), channel(v[0]->green, v[1]->green, v[2]->green),
                               channel(v[0]->blue, v[1]->blue, v[2]->blue));
            }
        }
        p.drawImage(box.topLeft(), layer);
    }
    return true;
}

} // namespace plat
