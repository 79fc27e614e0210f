// DeviceContext: state, mapping, objects, lines, shapes, paths, clipping and
// regions. Text and blits live in DeviceContext_Text.cpp and
// DeviceContext_Blit.cpp.
#include "gdi/DeviceContextImpl.h"

#include "gdi/RegionData.h"
#include "gdi/StockObjects.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>

namespace plat {

using namespace gdi;

namespace {

// A context never keeps more saved states than this; SaveDC beyond it fails,
// as it would when Windows runs out of memory for them.
constexpr std::size_t kMaxSaveDepth = 1024;
// Device coordinates beyond this cannot reach a bitmap the platform makes;
// geometry out there is runaway input and is not drawn.
constexpr double kMaxDeviceCoordinate = 1e9;
// A dashed stroke with more dashes than this is drawn solid: the dashes
// could not be told apart and the stroker would take ages.
constexpr double kMaxDashes = 200000;
// Flood fill and path regions work on the bitmap plus this margin.
constexpr int kRegionMargin = 2;

DcState defaultState()
{
    DcState s;
    stockPen(BLACK_PEN, s.pen);
    stockBrush(WHITE_BRUSH, s.brush);
    stockFont(SYSTEM_FONT, s.font);
    return s;
}

bool finite(const QTransform& t)
{
    return std::isfinite(t.m11()) && std::isfinite(t.m12()) && std::isfinite(t.m21()) && std::isfinite(t.m22())
        && std::isfinite(t.dx()) && std::isfinite(t.dy());
}

QPointF rounded(QPointF p) { return {std::round(p.x()), std::round(p.y())}; }

Qt::FillRule fillRule(int mode) { return mode == WINDING ? Qt::WindingFill : Qt::OddEvenFill; }

// Sutherland-Hodgman clipping of a closed polygon to a rectangle, one edge
// of the rectangle at a time.
QPolygonF clipPolygonToRect(const QPolygonF& polygon, const QRectF& rect)
{
    QPolygonF out = polygon;
    for (int side = 0; side < 4 && !out.isEmpty(); ++side) {
        auto inside = [&](QPointF p) {
            switch (side) {
            case 0: return p.x() >= rect.left();
            case 1: return p.x() <= rect.right();
            case 2: return p.y() >= rect.top();
            default: return p.y() <= rect.bottom();
            }
        };
        auto crossing = [&](QPointF a, QPointF b) {
            double t;
            switch (side) {
            case 0: t = (rect.left() - a.x()) / (b.x() - a.x()); break;
            case 1: t = (rect.right() - a.x()) / (b.x() - a.x()); break;
            case 2: t = (rect.top() - a.y()) / (b.y() - a.y()); break;
            default: t = (rect.bottom() - a.y()) / (b.y() - a.y()); break;
            }
            return a + (b - a) * t;
        };
        const QPolygonF in = out;
        out.clear();
        for (qsizetype i = 0; i < in.size(); ++i) {
            const QPointF current = in[i];
            const QPointF previous = in[(i + in.size() - 1) % in.size()];
            if (inside(current)) {
                if (!inside(previous))
                    out << crossing(previous, current);
                out << current;
            } else if (inside(previous)) {
                out << crossing(previous, current);
            }
        }
    }
    return out;
}

// Device coordinate c names pixel c. An antialiased stroke of odd width
// runs through the pixel's centre and one of even width along its edge, so
// that it covers whole pixels as a Windows pen does.
double strokeOffset(double width) { return (std::lround(width) % 2) ? 0.5 : 0.0; }

// The rectangle an inside-frame pen's centre line follows within a shape's
// device rectangle (whose right and bottom name the last pixels), so that
// the stroke covers the edge pixels and none outside.
QRectF insideFrameRect(const QRectF& shape, double width)
{
    const double off = strokeOffset(width);
    const double lead = width / 2 - off, trail = width / 2 + off - 1;
    if (lead + trail >= std::min(shape.width(), shape.height()))
        return QRectF(shape.center(), QSizeF(0, 0));
    return shape.adjusted(lead, lead, -trail, -trail);
}

bool reasonable(const QRectF& r)
{
    return std::isfinite(r.left()) && std::isfinite(r.top()) && std::isfinite(r.right()) && std::isfinite(r.bottom())
        && std::fabs(r.left()) < kMaxDeviceCoordinate && std::fabs(r.right()) < kMaxDeviceCoordinate
        && std::fabs(r.top()) < kMaxDeviceCoordinate && std::fabs(r.bottom()) < kMaxDeviceCoordinate;
}

// What scan converting a device path costs. Qt's scan converters keep the
// crossings of each pixel row in order: a row that k edges cross costs about
// k * k steps antialiased (slow ones: each walks a list of cells) and about
// k cells' worth on whole pixels, and a one-pixel line costs about the pixels
// it covers. A few thousand self-intersecting triangles, or one polygon of
// tens of thousands of random points, cross each row thousands of times;
// ordinary shapes a few times.
// Counted from each edge's rows (a stroke's from both sides of each segment
// and a join at each vertex reaching half the pen up and down); curves by
// their control polygons; rows outside area cost nothing. An edge crosses
// a row in 1 + |slope| cells.
struct RasterCost {
    double cells = 0;          // all rows: a one-pixel line's length
    double crowdedCells = 0;   // rows that more than kPlainEdges edges cross
    double crowdedSquares = 0; // the same rows, k * k each for k edges
};

constexpr double kPlainEdges = 4;
// Budget units (about a pixel visit each) per step of the scan converters.
constexpr double kAntialiasedWeight = 16;
constexpr double kAliasedWeight = 128;
// A path whose antialiasing steps pass this many per pixel of the bitmap
// (of a megapixel at least) is drawn on whole pixels, many times faster.
constexpr double kMaxAntialiasedStepsPerPixel = 2;

RasterCost rasterCost(const QPainterPath& path, bool closeFigures, double halfWidth, const QRect& area)
{
    RasterCost cost;
    const int rows = area.height();
    if (rows <= 0 || path.isEmpty())
        return cost;
    const bool wide = halfWidth > 0.5;
    std::vector<double> edgeChange(static_cast<std::size_t>(rows) + 1, 0.0);
    std::vector<double> cellChange(static_cast<std::size_t>(rows) + 1, 0.0);
    // Edges from a to b, their rows widened by reach each way.
    auto crossing = [&](QPointF a, QPointF b, double reach, double edges) {
        const double top = std::max(std::min(a.y(), b.y()) - reach, double(area.top()));
        const double bottom = std::min(std::max(a.y(), b.y()) + reach, double(area.bottom()));
        if (!(top <= bottom))
            return; // off the area (or not a number)
        const auto r0 = static_cast<std::size_t>(static_cast<int>(std::floor(top)) - area.top());
        const auto r1 = static_cast<std::size_t>(static_cast<int>(std::floor(bottom)) - area.top());
        const double slope = std::fabs(b.x() - a.x()) / std::max(1.0, std::fabs(b.y() - a.y()));
        const double cells = edges * std::min(1.0 + slope, double(area.width()) + 1);
        edgeChange[r0] += edges;
        edgeChange[r1 + 1] -= edges;
        cellChange[r0] += cells;
        cellChange[r1 + 1] -= cells;
    };
    auto edge = [&](QPointF a, QPointF b) {
        if (!wide) {
            crossing(a, b, 0, 1);
            return;
        }
        // The two sides of a wide line: the segment moved up and down.
        const QPointF offset(0, halfWidth);
        crossing(a - offset, b - offset, 0, 1);
        crossing(a + offset, b + offset, 0, 1);
    };
    QPointF start, previous;
    bool open = false;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        const QPointF p(e.x, e.y);
        if (e.isMoveTo()) {
            if (open && closeFigures)
                edge(previous, start);
            start = p;
            open = true;
        } else {
            edge(previous, p);
        }
        if (wide)
            crossing(p, p, halfWidth, 2); // the join or cap around the vertex
        previous = p;
    }
    if (open && closeFigures)
        edge(previous, start);
    double k = 0, cells = 0;
    for (std::size_t r = 0; r < static_cast<std::size_t>(rows); ++r) {
        k = std::max(0.0, k + edgeChange[r]);
        cells = std::max(0.0, cells + cellChange[r]);
        cost.cells += cells;
        if (k > kPlainEdges) {
            cost.crowdedCells += cells;
            cost.crowdedSquares += k * k;
        }
    }
    return cost;
}

std::int64_t budgetUnits(double work) { return static_cast<std::int64_t>(std::min(work, 1e18)); }

// 8x8 hatch patterns, most significant bit leftmost.
constexpr std::uint8_t kHatches[6][8] = {
    {0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00}, // HS_HORIZONTAL
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08}, // HS_VERTICAL
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01}, // HS_FDIAGONAL
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}, // HS_BDIAGONAL
    {0x08, 0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08}, // HS_CROSS
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81}, // HS_DIAGCROSS
};

// The caps and joins a pen's style asks for.
void setCapsAndJoins(QPen& pen, std::uint32_t penStyle, double width, double miterLimit)
{
    if (width <= 1) {
        pen.setCapStyle(Qt::FlatCap); // thin lines leave out their last pixel
    } else {
        switch (penStyle & PS_ENDCAP_MASK) {
        case PS_ENDCAP_SQUARE: pen.setCapStyle(Qt::SquareCap); break;
        case PS_ENDCAP_FLAT: pen.setCapStyle(Qt::FlatCap); break;
        default: pen.setCapStyle(Qt::RoundCap); break;
        }
    }
    switch (penStyle & PS_JOIN_MASK) {
    case PS_JOIN_BEVEL: pen.setJoinStyle(Qt::BevelJoin); break;
    case PS_JOIN_MITER:
        // Windows limits the miter length over the line width; Qt measures
        // from the join point in widths, half of that.
        pen.setJoinStyle(Qt::MiterJoin);
        pen.setMiterLimit(miterLimit / 2);
        break;
    default: pen.setJoinStyle(Qt::RoundJoin); break;
    }
}

// The dash pattern of a pen of the given line style (empty: solid), for the
// pen's device width. Cosmetic pens measure dashes in pixels, geometric pens
// in multiples of their width; lineScale is the device length of a logical
// unit along lines.
QList<qreal> dashPattern(const LogPen& p, std::uint32_t style, bool geometric, double width, double lineScale)
{
    QList<qreal> pattern;
    const bool thin = !geometric || width <= 1;
    switch (style) {
    case PS_DASH: pattern = thin ? QList<qreal>{18, 6} : QList<qreal>{3, 1}; break;
    case PS_DOT: pattern = thin ? QList<qreal>{3, 3} : QList<qreal>{1, 1}; break;
    case PS_DASHDOT: pattern = thin ? QList<qreal>{9, 6, 3, 6} : QList<qreal>{3, 1, 1, 1}; break;
    case PS_DASHDOTDOT: pattern = thin ? QList<qreal>{9, 3, 3, 3, 3, 3} : QList<qreal>{3, 1, 1, 1, 1, 1}; break;
    case PS_ALTERNATE: pattern = {1, 1}; break;
    case PS_USERSTYLE: {
        const double unit = geometric ? lineScale / width : 1.0;
        for (double e : p.userStyle)
            pattern.append(std::isfinite(e) ? std::max(0.0, e * unit) : 0.0);
        if (pattern.size() % 2)
            pattern.append(pattern); // an odd pattern repeats with on and off swapped
        // A geometric pen's square or round caps reach half its width beyond
        // each dash. Qt draws them when the line is wider than a pixel; a
        // thinner one is drawn with flat caps, so they are added here, and
        // gaps no wider than the pen close up.
        if (geometric && width <= 1 && (p.style & PS_ENDCAP_MASK) != PS_ENDCAP_FLAT) {
            const double cap = p.width * unit;
            for (qsizetype i = 0; i < pattern.size(); ++i)
                pattern[i] = (i % 2) ? std::max(0.0, pattern[i] - cap) : pattern[i] + cap;
        }
        double gaps = 0;
        for (qsizetype i = 1; i < pattern.size(); i += 2)
            gaps += pattern[i];
        if (!(gaps > 0))
            pattern.clear(); // nothing left between the dashes: a solid line
        break;
    }
    default: break;
    }
    return pattern;
}

} // namespace

// ---------------------------------------------------------------- lifetime

DeviceContext::DeviceContext(HGDIOBJ bitmap) : d(std::make_unique<Impl>())
{
    d->bitmapRef = LookupBitmap(bitmap);
    if (d->bitmapRef)
        d->image = &d->bitmapRef->image;
    d->init();
}

DeviceContext::DeviceContext(QImage* image) : d(std::make_unique<Impl>())
{
    d->image = image;
    d->init();
}

DeviceContext::~DeviceContext()
{
    if (d->painter.isActive())
        d->painter.end();
}

void DeviceContext::Impl::init()
{
    s = defaultState();
    if (!image || image->isNull())
        return;
    painter.begin(image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    pixelBudget = 256 * std::max<std::int64_t>(std::int64_t{image->width()} * image->height(), 1 << 20);
    textEnabled = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

bool DeviceContext::isValid() const { return d->painter.isActive(); }
QSize DeviceContext::size() const { return d->image ? d->image->size() : QSize(); }
bool DeviceContext::textEnabled() const { return d->textEnabled; }

void DeviceContext::setTextEnabled(bool enabled)
{
    d->textEnabled = enabled && qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

bool DeviceContext::allowPixelWork(std::int64_t pixels) { return d->spendPixelWork(pixels); }

// ---------------------------------------------------------------- saved states

int DeviceContext::SaveDC()
{
    if (d->saved.size() >= kMaxSaveDepth)
        return 0;
    d->saved.push_back(d->s);
    return static_cast<int>(d->saved.size());
}

bool DeviceContext::RestoreDC(int which)
{
    const std::size_t depth = d->saved.size();
    const std::size_t floor = d->playbackFloors.empty() ? 0 : d->playbackFloors.back();
    std::int64_t target; // the size of the stack after restoring
    if (which < 0)
        target = static_cast<std::int64_t>(depth) + which;
    else if (which > 0)
        target = static_cast<std::int64_t>(which) - 1;
    else
        return false;
    if (target < static_cast<std::int64_t>(floor) || target >= static_cast<std::int64_t>(depth))
        return false;
    d->s = std::move(d->saved[static_cast<std::size_t>(target)]);
    d->saved.resize(static_cast<std::size_t>(target));
    d->invalidateTransform();
    d->clipDirty = true;
    return true;
}

void DeviceContext::beginPlayback()
{
    d->saved.push_back(d->s);
    d->playbackFloors.push_back(d->saved.size());
}

void DeviceContext::resetForPlayback(const QTransform& playbackTransform, const DeviceMetrics& metrics)
{
    const bool hadClip = d->s.hasClip || d->s.hasMetaClip;
    const QRegion clip = d->currentClipOrDevice();
    d->s = defaultState();
    d->s.playback = playbackTransform;
    d->s.metrics = metrics;
    if (hadClip) {
        d->s.hasMetaClip = true;
        d->s.metaClip = clip;
    }
    d->invalidateTransform();
    d->clipDirty = true;
}

void DeviceContext::endPlayback()
{
    if (d->playbackFloors.empty())
        return;
    const std::size_t floor = d->playbackFloors.back();
    d->playbackFloors.pop_back();
    if (floor == 0 || floor > d->saved.size())
        return;
    d->s = std::move(d->saved[floor - 1]);
    d->saved.resize(floor - 1);
    d->invalidateTransform();
    d->clipDirty = true;
}

// ---------------------------------------------------------------- mapping

const QTransform& DeviceContext::Impl::transform() const
{
    if (transformDirty) {
        transformCache = s.world * s.page.transform() * s.playback;
        const double det = transformCache.m11() * transformCache.m22() - transformCache.m12() * transformCache.m21();
        transformUsable = finite(transformCache) && std::isfinite(det) && det != 0.0;
        transformDirty = false;
    }
    return transformCache;
}

bool DeviceContext::Impl::axisAligned() const
{
    const QTransform& t = transform();
    return t.m12() == 0.0 && t.m21() == 0.0;
}

double DeviceContext::Impl::lineScale() const
{
    const QTransform& t = transform();
    return std::sqrt(std::fabs(t.m11() * t.m22() - t.m12() * t.m21()));
}

std::optional<QRectF> DeviceContext::Impl::deviceShapeRect(double left, double top, double right, double bottom) const
{
    if (!axisAligned())
        return std::nullopt;
    const QPointF a = rounded(toDevice({left, top}));
    const QPointF b = rounded(toDevice({right, bottom}));
    const double x0 = std::min(a.x(), b.x()), x1 = std::max(a.x(), b.x());
    const double y0 = std::min(a.y(), b.y()), y1 = std::max(a.y(), b.y());
    // Windows leaves out the right and bottom edge of a shape's rectangle.
    return QRectF(x0, y0, std::max(0.0, x1 - x0 - 1), std::max(0.0, y1 - y0 - 1));
}

bool DeviceContext::SetMapMode(int mode)
{
    d->invalidateTransform();
    return d->s.page.setMapMode(mode, d->s.metrics);
}

int DeviceContext::GetMapMode() const { return d->s.page.mapMode(); }

bool DeviceContext::SetWindowOrgEx(double x, double y)
{
    d->s.page.setWindowOrg(x, y);
    d->invalidateTransform();
    return true;
}

bool DeviceContext::SetWindowExtEx(double cx, double cy)
{
    d->invalidateTransform();
    return d->s.page.setWindowExt(cx, cy);
}

bool DeviceContext::SetViewportOrgEx(double x, double y)
{
    d->s.page.setViewportOrg(x, y);
    d->invalidateTransform();
    return true;
}

bool DeviceContext::SetViewportExtEx(double cx, double cy)
{
    d->invalidateTransform();
    return d->s.page.setViewportExt(cx, cy);
}

bool DeviceContext::OffsetWindowOrgEx(double dx, double dy)
{
    d->s.page.offsetWindowOrg(dx, dy);
    d->invalidateTransform();
    return true;
}

bool DeviceContext::OffsetViewportOrgEx(double dx, double dy)
{
    d->s.page.offsetViewportOrg(dx, dy);
    d->invalidateTransform();
    return true;
}

bool DeviceContext::ScaleWindowExtEx(double xNum, double xDenom, double yNum, double yDenom)
{
    d->invalidateTransform();
    return d->s.page.scaleWindowExt(xNum, xDenom, yNum, yDenom);
}

bool DeviceContext::ScaleViewportExtEx(double xNum, double xDenom, double yNum, double yDenom)
{
    d->invalidateTransform();
    return d->s.page.scaleViewportExt(xNum, xDenom, yNum, yDenom);
}

const PageMapping& DeviceContext::pageMapping() const { return d->s.page; }

bool DeviceContext::SetWorldTransform(const QTransform& transform)
{
    const double det = transform.m11() * transform.m22() - transform.m12() * transform.m21();
    if (!finite(transform) || !std::isfinite(det) || det == 0.0)
        return false;
    d->s.world =
        QTransform(transform.m11(), transform.m12(), transform.m21(), transform.m22(), transform.dx(), transform.dy());
    d->invalidateTransform();
    return true;
}

bool DeviceContext::ModifyWorldTransform(const QTransform& transform, int mode)
{
    switch (mode) {
    case MWT_IDENTITY:
        d->s.world = QTransform();
        d->invalidateTransform();
        return true;
    case MWT_LEFTMULTIPLY: return SetWorldTransform(transform * d->s.world);
    case MWT_RIGHTMULTIPLY: return SetWorldTransform(d->s.world * transform);
    case MWT_SET: return SetWorldTransform(transform);
    default: return false;
    }
}

QTransform DeviceContext::worldTransform() const { return d->s.world; }

QTransform DeviceContext::logicalToDevice() const { return d->transform(); }

// ---------------------------------------------------------------- attributes

void DeviceContext::SetBkColor(ColorRef color) { d->s.bkColor = color; }
void DeviceContext::SetBkMode(int mode)
{
    if (mode == TRANSPARENT || mode == OPAQUE)
        d->s.bkMode = mode;
}
void DeviceContext::SetTextColor(ColorRef color) { d->s.textColor = color; }
void DeviceContext::SetTextAlign(std::uint32_t align) { d->s.textAlign = align; }
void DeviceContext::SetPolyFillMode(int mode)
{
    if (mode == ALTERNATE || mode == WINDING)
        d->s.polyFillMode = mode;
}
void DeviceContext::SetROP2(int rop)
{
    if (rop >= R2_BLACK && rop <= R2_WHITE)
        d->s.rop2 = rop;
}
void DeviceContext::SetStretchBltMode(int mode) { d->s.stretchMode = mode; }
void DeviceContext::SetTextCharacterExtra(double extra) { d->s.charExtra = std::isfinite(extra) ? extra : 0; }
void DeviceContext::SetTextJustification(double breakExtra, int breakCount)
{
    d->s.breakExtra = std::isfinite(breakExtra) ? breakExtra : 0;
    d->s.breakCount = breakCount;
}
void DeviceContext::SetArcDirection(int direction)
{
    if (direction == AD_COUNTERCLOCKWISE || direction == AD_CLOCKWISE)
        d->s.arcDirection = direction;
}
void DeviceContext::SetMiterLimit(double limit)
{
    if (std::isfinite(limit) && limit >= 1)
        d->s.miterLimit = limit;
}
void DeviceContext::SetBrushOrgEx(int x, int y) { d->s.brushOrg = {x, y}; }
ColorRef DeviceContext::textColor() const { return d->s.textColor; }
ColorRef DeviceContext::bkColor() const { return d->s.bkColor; }
QPointF DeviceContext::currentPosition() const { return d->s.currentPosition; }

// ---------------------------------------------------------------- objects

LogPen DeviceContext::selectPen(const LogPen& pen) { return std::exchange(d->s.pen, pen); }
LogBrush DeviceContext::selectBrush(const LogBrush& brush) { return std::exchange(d->s.brush, brush); }
LogFont DeviceContext::selectFont(const LogFont& font) { return std::exchange(d->s.font, font); }
void DeviceContext::selectPalette(std::vector<QRgb> palette)
{
    d->s.palette = std::make_shared<const std::vector<QRgb>>(std::move(palette));
}
const LogFont& DeviceContext::currentFont() const { return d->s.font; }
const std::vector<QRgb>& DeviceContext::currentPalette() const
{
    return d->s.palette ? *d->s.palette : defaultPalette();
}
QRgb DeviceContext::resolveColor(ColorRef color) const { return d->resolve(color); }

QRgb DeviceContext::Impl::resolve(ColorRef ref) const
{
    if ((ref >> 24) == 0x01) { // PALETTEINDEX
        const std::size_t index = ref & 0xFFFF;
        const std::vector<QRgb>& palette = s.palette ? *s.palette : defaultPalette();
        return index < palette.size() ? (palette[index] | 0xFF000000u) : qRgb(0, 0, 0);
    }
    return qRgb(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF),
                static_cast<int>((ref >> 16) & 0xFF));
}

// ---------------------------------------------------------------- pens, brushes, mixing

DevicePen DeviceContext::Impl::devicePen() const
{
    DevicePen dp;
    const LogPen& p = s.pen;
    std::uint32_t style = p.style & PS_STYLE_MASK;
    if (style == PS_NULL)
        return dp;
    // An old-style pen wider than one logical unit cannot be dashed or
    // dotted: Windows makes it solid.
    if (!p.extended && p.width > 1 && style >= PS_DASH && style <= PS_DASHDOTDOT)
        style = PS_SOLID;
    // Old-style pens of width 0 and extended cosmetic pens are one pixel
    // wide whatever the mapping; the others are scaled, never below a pixel.
    // Widths are not rounded to whole pixels: wide lines are antialiased.
    const bool geometric = p.extended ? (p.style & PS_TYPE_MASK) == PS_GEOMETRIC : p.width > 0;
    double width = 1;
    // A pen twice as wide as the bitmap's perimeter covers all of it from
    // any line that touches it; wider ones only make the stroker work for
    // nothing (and a hostile file can ask for millions of pixels).
    const QRect bounds = deviceBounds();
    const double maxWidth = 2.0 * (bounds.width() + bounds.height()) + 64;
    bool capped = false;
    if (geometric) {
        width = p.width * lineScale();
        if (!(width >= 1))
            width = 1;
        capped = width > maxWidth;
        width = std::min(width, maxWidth);
    }
    dp.visible = true;
    dp.width = width;
    if (geometric) {
        const QTransform& t = transform();
        const double xScale = std::hypot(t.m11(), t.m12()), yScale = std::hypot(t.m21(), t.m22());
        const bool similarity = std::fabs(xScale - yScale) <= 1e-6 * std::max(xScale, yScale)
            && std::fabs(t.m11() * t.m21() + t.m12() * t.m22()) <= 1e-6 * xScale * yScale;
        if (!similarity && p.width * std::min(xScale, yScale) >= 1 && p.width * std::max(xScale, yScale) <= maxWidth) {
            dp.logicalStroke = true;
            dp.logicalWidth = p.width;
        }
    }
    dp.insideFrame = style == PS_INSIDEFRAME && width > 1;

    QPen pen(QColor::fromRgb(resolve(p.color)));
    pen.setWidthF(width);
    setCapsAndJoins(pen, p.style, width, s.miterLimit);
    const QList<qreal> pattern = dashPattern(p, style, geometric, width, geometric ? lineScale() : 1.0);
    // Dashes of a pen cut down to the picture's size would be out of
    // proportion, and each of them covers the picture: such a pen is solid.
    if (!pattern.isEmpty() && !capped) {
        pen.setDashPattern(pattern);
        dp.styled = true;
    }
    if (p.brush) {
        const QBrush brush = deviceBrush(*p.brush);
        if (brush.style() != Qt::NoBrush)
            pen.setBrush(brush);
        else
            dp.visible = false;
    }
    dp.pen = pen;
    return dp;
}

QBrush DeviceContext::Impl::deviceBrush(const LogBrush& b) const
{
    const QColor color = QColor::fromRgb(resolve(b.color));
    switch (b.style) {
    case BS_NULL: return QBrush(Qt::NoBrush);
    case BS_HATCHED: {
        // The colour forms take the text or background colour in force when
        // the brush is used, as mono patterns do.
        if (b.hatch == HS_SOLIDTEXTCLR || b.hatch == HS_DITHEREDTEXTCLR)
            return QBrush(QColor::fromRgb(resolve(s.textColor)));
        if (b.hatch == HS_SOLIDBKCLR || b.hatch == HS_DITHEREDBKCLR)
            return QBrush(QColor::fromRgb(resolve(s.bkColor)));
        if (b.hatch > HS_DIAGCROSS)
            return QBrush(color); // HS_SOLIDCLR, HS_DITHEREDCLR and unknown styles
        QImage tile(8, 8, QImage::Format_ARGB32_Premultiplied);
        const QRgb fg = color.rgb();
        const QRgb bg = s.bkMode == OPAQUE ? resolve(s.bkColor) : 0u;
        for (int y = 0; y < 8; ++y) {
            auto* line = reinterpret_cast<QRgb*>(tile.scanLine(y));
            for (int x = 0; x < 8; ++x)
                line[x] = (kHatches[b.hatch][y] & (0x80 >> x)) ? fg : bg;
        }
        return QBrush(tile);
    }
    case BS_PATTERN:
    case BS_DIBPATTERN:
    case BS_DIBPATTERNPT: {
        if (!b.pattern || b.pattern->isNull())
            return QBrush(color);
        if (!b.monochrome)
            return QBrush(*b.pattern);
        // Monochrome patterns take their colours from the context when used.
        QImage tile = b.pattern->convertToFormat(QImage::Format_RGB32);
        const QRgb fg = resolve(s.textColor);
        const QRgb bg = resolve(s.bkColor);
        for (int y = 0; y < tile.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(tile.scanLine(y));
            for (int x = 0; x < tile.width(); ++x)
                line[x] = (line[x] & 0x00FFFFFFu) ? bg : fg;
        }
        return QBrush(tile);
    }
    default: return QBrush(color);
    }
}

bool DeviceContext::Impl::beginMix()
{
    mix = rop2Mode(s.rop2);
    if (!mix.draws || !painter.isActive())
        return false;
    if (!applyClip())
        return false;
    painter.setCompositionMode(mix.composition);
    painter.setBrushOrigin(s.brushOrg);
    return true;
}

void DeviceContext::Impl::endMix() { painter.setCompositionMode(QPainter::CompositionMode_SourceOver); }

// Fills and wide lines are antialiased when they are simply copied: real
// pictures scaled down lose their thin shapes to aliasing otherwise. Mixes
// other than a copy work on whole pixels, as they must, and one-pixel pens
// stay crisp Windows hairlines.
bool DeviceContext::Impl::antialiasAllowed() const
{
    return !mix.forceColor && mix.composition == QPainter::CompositionMode_SourceOver;
}

bool DeviceContext::Impl::affordPath(const QPainterPath& path, bool fill, double penWidth, bool& antialias) const
{
    const RasterCost cost = rasterCost(path, fill, fill ? 0 : penWidth / 2, deviceBounds());
    if (!fill && penWidth <= 1)
        return spendPixelWork(budgetUnits(cost.cells)); // drawn pixel by pixel
    const std::int64_t smooth = budgetUnits(kAntialiasedWeight * cost.crowdedSquares);
    const QRect bounds = deviceBounds();
    const double maxSmooth =
        kMaxAntialiasedStepsPerPixel * std::max(double(bounds.width()) * bounds.height(), 1048576.0);
    if (antialias && cost.crowdedSquares <= maxSmooth && smooth <= pixelBudget)
        return spendPixelWork(smooth);
    antialias = false;
    return spendPixelWork(budgetUnits(kAliasedWeight * cost.crowdedCells));
}

void DeviceContext::Impl::fillDevicePath(const QPainterPath& path, const QBrush& brush, bool antialias)
{
    if (brush.style() == Qt::NoBrush)
        return;
    painter.setRenderHint(QPainter::Antialiasing, antialias && antialiasAllowed());
    painter.fillPath(path, mix.forceColor ? QBrush(QColor::fromRgb(mix.color)) : brush);
}

void DeviceContext::Impl::strokeDevicePath(const QPainterPath& path, const DevicePen& dp, bool smooth)
{
    if (!dp.visible)
        return;
    QPen pen = dp.pen;
    if (mix.forceColor)
        pen.setColor(QColor::fromRgb(mix.color));
    QPainterPath target = path;
    if (dp.width <= 1) {
        // Hairlines land on whole pixels, as Windows draws them.
        for (int i = 0; i < target.elementCount(); ++i) {
            const QPainterPath::Element e = target.elementAt(i);
            target.setElementPositionAt(i, std::round(e.x), std::round(e.y));
        }
    }
    const bool antialias = smooth && dp.width > 1 && antialiasAllowed();
    painter.setRenderHint(QPainter::Antialiasing, antialias);
    if (antialias)
        target.translate(strokeOffset(dp.width), strokeOffset(dp.width));
    if (dp.styled) {
        double patternLength = 0;
        for (qreal v : pen.dashPattern())
            patternLength += v;
        patternLength *= std::max(1.0, dp.width);
        if (!(patternLength > 0) || target.length() / patternLength > kMaxDashes) {
            pen.setStyle(Qt::SolidLine);
        } else if (s.bkMode == OPAQUE) {
            // The gaps of a styled line show the background colour.
            QPen gaps = pen;
            gaps.setStyle(Qt::SolidLine);
            gaps.setColor(QColor::fromRgb(resolve(s.bkColor)));
            painter.strokePath(target, gaps);
        }
    }
    if (dp.logicalStroke) {
        bool invertible = false;
        const QTransform inverse = transform().inverted(&invertible);
        if (invertible) {
            QPainterPathStroker stroker;
            stroker.setWidth(dp.logicalWidth);
            stroker.setCapStyle(pen.capStyle());
            stroker.setJoinStyle(pen.joinStyle());
            stroker.setMiterLimit(pen.miterLimit());
            if (pen.style() == Qt::CustomDashLine)
                stroker.setDashPattern(pen.dashPattern());
            QPainterPath outline = transform().map(stroker.createStroke(inverse.map(path)));
            if (antialias)
                outline.translate(strokeOffset(dp.width), strokeOffset(dp.width));
            outline.setFillRule(Qt::WindingFill);
            painter.fillPath(outline, pen.brush());
            return;
        }
    }
    painter.strokePath(target, pen);
}

void DeviceContext::Impl::drawDevicePath(const QPainterPath& path, bool fill, bool stroke)
{
    if (!usable() || path.isEmpty() || !reasonable(path.controlPointRect()))
        return;
    const QBrush brush = fill ? deviceBrush(s.brush) : QBrush(Qt::NoBrush);
    const DevicePen pen = stroke ? devicePen() : DevicePen{};
    // Past the budget nothing more is scan converted: a hostile picture
    // ends with what it drew until then.
    bool smoothFill = true, smoothStroke = true;
    fill = brush.style() != Qt::NoBrush && affordPath(path, true, 0, smoothFill);
    // Styled lines on an opaque background are stroked twice.
    stroke = pen.visible && affordPath(path, false, pen.width, smoothStroke)
        && (!pen.styled || s.bkMode != OPAQUE || affordPath(path, false, pen.width, smoothStroke));
    if ((!fill && !stroke) || !beginMix())
        return;
    if (fill)
        fillDevicePath(path, brush, smoothFill);
    if (stroke)
        strokeDevicePath(path, pen, smoothStroke);
    endMix();
}

// ---------------------------------------------------------------- path recording

void DeviceContext::Impl::pathMoveTo(QPointF device)
{
    s.path.moveTo(device);
    s.figureOpen = true;
}

void DeviceContext::Impl::pathLineTo(QPointF device)
{
    if (!s.figureOpen)
        pathMoveTo(toDevice(s.currentPosition));
    s.path.lineTo(device);
}

void DeviceContext::Impl::pathAppendClosed(const QPainterPath& device)
{
    s.path.addPath(device);
    s.figureOpen = false;
}

// ---------------------------------------------------------------- lines

bool DeviceContext::MoveToEx(QPointF point)
{
    d->s.currentPosition = point;
    if (d->recording())
        d->pathMoveTo(d->toDevice(point));
    return true;
}

bool DeviceContext::LineTo(QPointF point)
{
    const QPointF to = d->toDevice(point);
    if (d->recording()) {
        d->pathLineTo(to);
    } else {
        QPainterPath path;
        path.moveTo(d->toDevice(d->s.currentPosition));
        path.lineTo(to);
        d->drawDevicePath(path, false, true);
    }
    d->s.currentPosition = point;
    return true;
}

bool DeviceContext::Polyline(std::span<const QPointF> points)
{
    if (points.size() < 2)
        return false;
    QPainterPath path;
    path.moveTo(d->toDevice(points[0]));
    for (std::size_t i = 1; i < points.size(); ++i)
        path.lineTo(d->toDevice(points[i]));
    if (d->recording()) {
        d->s.path.addPath(path);
        d->s.figureOpen = true;
    } else {
        d->drawDevicePath(path, false, true);
    }
    return true;
}

bool DeviceContext::PolylineTo(std::span<const QPointF> points)
{
    if (points.empty())
        return false;
    if (d->recording()) {
        for (const QPointF& p : points)
            d->pathLineTo(d->toDevice(p));
    } else {
        QPainterPath path;
        path.moveTo(d->toDevice(d->s.currentPosition));
        for (const QPointF& p : points)
            path.lineTo(d->toDevice(p));
        d->drawDevicePath(path, false, true);
    }
    d->s.currentPosition = points.back();
    return true;
}

bool DeviceContext::Polygon(std::span<const QPointF> points)
{
    const std::uint32_t count = static_cast<std::uint32_t>(points.size());
    return PolyPolygon(points, std::span<const std::uint32_t>(&count, 1));
}

bool DeviceContext::PolyPolygon(std::span<const QPointF> points, std::span<const std::uint32_t> counts)
{
    QPainterPath path;
    path.setFillRule(fillRule(d->s.polyFillMode));
    std::size_t at = 0;
    for (std::uint32_t n : counts) {
        if (n > points.size() - at)
            return false;
        if (n >= 2) {
            path.moveTo(d->toDevice(points[at]));
            for (std::size_t i = 1; i < n; ++i)
                path.lineTo(d->toDevice(points[at + i]));
            path.closeSubpath();
        }
        at += n;
    }
    if (path.isEmpty())
        return false;
    if (d->recording())
        d->pathAppendClosed(path);
    else
        d->drawDevicePath(path, true, true);
    return true;
}

bool DeviceContext::PolyPolyline(std::span<const QPointF> points, std::span<const std::uint32_t> counts)
{
    std::size_t at = 0;
    for (std::uint32_t n : counts) {
        if (n > points.size() - at)
            return false;
        Polyline(points.subspan(at, n));
        at += n;
    }
    return true;
}

bool DeviceContext::PolyBezier(std::span<const QPointF> points)
{
    if (points.size() < 4 || (points.size() - 1) % 3 != 0)
        return false;
    QPainterPath path;
    path.moveTo(d->toDevice(points[0]));
    for (std::size_t i = 1; i + 2 < points.size(); i += 3)
        path.cubicTo(d->toDevice(points[i]), d->toDevice(points[i + 1]), d->toDevice(points[i + 2]));
    if (d->recording()) {
        d->s.path.addPath(path);
        d->s.figureOpen = true;
    } else {
        d->drawDevicePath(path, false, true);
    }
    return true;
}

bool DeviceContext::PolyBezierTo(std::span<const QPointF> points)
{
    if (points.empty() || points.size() % 3 != 0)
        return false;
    if (d->recording()) {
        if (!d->s.figureOpen)
            d->pathMoveTo(d->toDevice(d->s.currentPosition));
        for (std::size_t i = 0; i + 2 < points.size(); i += 3)
            d->s.path.cubicTo(d->toDevice(points[i]), d->toDevice(points[i + 1]), d->toDevice(points[i + 2]));
    } else {
        QPainterPath path;
        path.moveTo(d->toDevice(d->s.currentPosition));
        for (std::size_t i = 0; i + 2 < points.size(); i += 3)
            path.cubicTo(d->toDevice(points[i]), d->toDevice(points[i + 1]), d->toDevice(points[i + 2]));
        d->drawDevicePath(path, false, true);
    }
    d->s.currentPosition = points.back();
    return true;
}

bool DeviceContext::PolyDraw(std::span<const QPointF> points, std::span<const std::uint8_t> types)
{
    if (points.size() != types.size())
        return false;
    // Validate first: Windows draws nothing when the types are inconsistent.
    for (std::size_t i = 0; i < types.size(); ++i) {
        const std::uint8_t t = types[i] & ~PT_CLOSEFIGURE;
        if (t == PT_BEZIERTO) {
            if (i + 2 >= types.size() || (types[i + 1] & ~PT_CLOSEFIGURE) != PT_BEZIERTO
                || (types[i + 2] & ~PT_CLOSEFIGURE) != PT_BEZIERTO)
                return false;
            i += 2;
        } else if (t != PT_MOVETO && t != PT_LINETO) {
            return false;
        }
    }
    QPainterPath path;
    QPainterPath& target = d->recording() ? d->s.path : path;
    bool open = d->recording() ? d->s.figureOpen : false;
    QPointF figureStart = d->toDevice(d->s.currentPosition);
    auto ensureOpen = [&] {
        if (!open) {
            target.moveTo(d->toDevice(d->s.currentPosition));
            open = true;
        }
    };
    for (std::size_t i = 0; i < types.size(); ++i) {
        const std::uint8_t t = types[i] & ~PT_CLOSEFIGURE;
        const QPointF p = d->toDevice(points[i]);
        if (t == PT_MOVETO) {
            target.moveTo(p);
            figureStart = p;
            open = true;
            d->s.currentPosition = points[i];
        } else if (t == PT_LINETO) {
            ensureOpen();
            target.lineTo(p);
            d->s.currentPosition = points[i];
        } else {
            ensureOpen();
            target.cubicTo(p, d->toDevice(points[i + 1]), d->toDevice(points[i + 2]));
            d->s.currentPosition = points[i + 2];
            i += 2;
        }
        if (types[i] & PT_CLOSEFIGURE) {
            target.closeSubpath();
            open = false;
        }
    }
    if (d->recording())
        d->s.figureOpen = open;
    else
        d->drawDevicePath(path, false, true);
    return true;
}

// ---------------------------------------------------------------- shapes

bool DeviceContext::Rectangle(double left, double top, double right, double bottom)
{
    QPainterPath path;
    if (auto rect = d->deviceShapeRect(left, top, right, bottom)) {
        const DevicePen pen = d->devicePen();
        QRectF r = *rect;
        if (pen.insideFrame)
            r = insideFrameRect(r, pen.width);
        // Counter-clockwise on screen, as Windows records a rectangle in a path.
        path.moveTo(r.topLeft());
        path.lineTo(r.bottomLeft());
        path.lineTo(r.bottomRight());
        path.lineTo(r.topRight());
        path.closeSubpath();
    } else {
        path.moveTo(d->toDevice({left, top}));
        path.lineTo(d->toDevice({left, bottom}));
        path.lineTo(d->toDevice({right, bottom}));
        path.lineTo(d->toDevice({right, top}));
        path.closeSubpath();
    }
    if (d->recording())
        d->pathAppendClosed(path);
    else
        d->drawDevicePath(path, true, true);
    return true;
}

bool DeviceContext::RoundRect(double left, double top, double right, double bottom, double width, double height)
{
    QPainterPath path;
    if (auto rect = d->deviceShapeRect(left, top, right, bottom)) {
        const DevicePen pen = d->devicePen();
        QRectF r = *rect;
        if (pen.insideFrame)
            r = insideFrameRect(r, pen.width);
        const QTransform& t = d->transform();
        const double rx = std::min(std::fabs(width * t.m11()) / 2, r.width() / 2);
        const double ry = std::min(std::fabs(height * t.m22()) / 2, r.height() / 2);
        path.addRoundedRect(r, rx, ry, Qt::AbsoluteSize);
    } else {
        QPainterPath logical;
        const QRectF r = QRectF(QPointF(left, top), QPointF(right, bottom)).normalized();
        logical.addRoundedRect(r, std::min(std::fabs(width) / 2, r.width() / 2),
                               std::min(std::fabs(height) / 2, r.height() / 2), Qt::AbsoluteSize);
        path = d->transform().map(logical);
    }
    if (d->recording())
        d->pathAppendClosed(path);
    else
        d->drawDevicePath(path, true, true);
    return true;
}

bool DeviceContext::Ellipse(double left, double top, double right, double bottom)
{
    QPainterPath path;
    if (auto rect = d->deviceShapeRect(left, top, right, bottom)) {
        const DevicePen pen = d->devicePen();
        QRectF r = *rect;
        if (pen.insideFrame)
            r = insideFrameRect(r, pen.width);
        path.addEllipse(r);
    } else {
        QPainterPath logical;
        logical.addEllipse(QRectF(QPointF(left, top), QPointF(right, bottom)).normalized());
        path = d->transform().map(logical);
    }
    if (d->recording())
        d->pathAppendClosed(path);
    else
        d->drawDevicePath(path, true, true);
    return true;
}

// Arcs are built where the ellipse is upright: in device space when the
// transform keeps axes, else in logical space and mapped. Angles follow Qt's
// convention (counter-clockwise on screen, parametric), which is also the
// direction Windows calls counter-clockwise; a mapping that mirrors logical
// space reverses it.
bool DeviceContext::Impl::arcShape(const QRectF& box, QPointF start, QPointF end, ArcKind kind)
{
    if (!usable())
        return false;
    QRectF r;
    QPointF ps, pe;
    bool mirrored = false;
    const bool inDevice = axisAligned();
    if (inDevice) {
        auto rect = deviceShapeRect(box.left(), box.top(), box.right(), box.bottom());
        r = *rect;
        const DevicePen pen = devicePen();
        if (pen.insideFrame && kind != ArcKind::Arc && kind != ArcKind::ArcTo)
            r = insideFrameRect(r, pen.width);
        ps = toDevice(start);
        pe = toDevice(end);
    } else {
        r = box.normalized();
        ps = start;
        pe = end;
        const QTransform& t = transform();
        mirrored = t.m11() * t.m22() - t.m12() * t.m21() < 0;
    }
    const double rx = r.width() / 2, ry = r.height() / 2;
    if (!(rx > 0) || !(ry > 0))
        return false;
    const QPointF c = r.center();
    auto angleOf = [&](QPointF p) { return std::atan2(-(p.y() - c.y()) / ry, (p.x() - c.x()) / rx) * 180.0 / M_PI; };
    const double a0 = angleOf(ps);
    const double a1 = angleOf(pe);
    const bool ccw = (s.arcDirection == AD_COUNTERCLOCKWISE) != mirrored;
    double sweep = ccw ? std::fmod(a1 - a0, 360.0) : -std::fmod(a0 - a1, 360.0);
    if (ccw && sweep <= 0)
        sweep += 360;
    if (!ccw && sweep >= 0)
        sweep -= 360;
    auto pointAt = [&](double degrees) {
        const double rad = degrees * M_PI / 180.0;
        return QPointF(c.x() + rx * std::cos(rad), c.y() - ry * std::sin(rad));
    };

    QPainterPath shape;
    const QPointF arcStart = pointAt(a0);
    if (kind == ArcKind::Pie) {
        shape.moveTo(c);
        shape.lineTo(arcStart);
    } else {
        shape.moveTo(arcStart);
    }
    shape.arcTo(r, a0, sweep);
    if (kind == ArcKind::Pie || kind == ArcKind::Chord)
        shape.closeSubpath();
    QPainterPath path = inDevice ? shape : transform().map(shape);

    if (kind == ArcKind::ArcTo) {
        const QPointF deviceStart = inDevice ? arcStart : transform().map(arcStart);
        const QPointF arcEnd = pointAt(a0 + sweep);
        if (recording()) {
            pathLineTo(deviceStart);
            s.path.connectPath(path);
            s.figureOpen = true;
        } else {
            QPainterPath joined;
            joined.moveTo(toDevice(s.currentPosition));
            joined.lineTo(deviceStart);
            joined.connectPath(path);
            drawDevicePath(joined, false, true);
        }
        bool invertible = true;
        const QTransform inverse = transform().inverted(&invertible);
        if (invertible)
            s.currentPosition = inDevice ? inverse.map(arcEnd) : arcEnd;
        return true;
    }
    if (recording()) {
        if (kind == ArcKind::Arc) {
            s.path.addPath(path);
            s.figureOpen = true;
        } else {
            pathAppendClosed(path);
        }
    } else {
        drawDevicePath(path, kind != ArcKind::Arc, true);
    }
    return true;
}

bool DeviceContext::Arc(const QRectF& box, QPointF start, QPointF end)
{
    return d->arcShape(box, start, end, Impl::ArcKind::Arc);
}

bool DeviceContext::ArcTo(const QRectF& box, QPointF start, QPointF end)
{
    return d->arcShape(box, start, end, Impl::ArcKind::ArcTo);
}

bool DeviceContext::Chord(const QRectF& box, QPointF start, QPointF end)
{
    return d->arcShape(box, start, end, Impl::ArcKind::Chord);
}

bool DeviceContext::Pie(const QRectF& box, QPointF start, QPointF end)
{
    return d->arcShape(box, start, end, Impl::ArcKind::Pie);
}

bool DeviceContext::AngleArc(QPointF center, double radius, double startDegrees, double sweepDegrees)
{
    if (!std::isfinite(radius) || !std::isfinite(startDegrees) || !std::isfinite(sweepDegrees) || radius < 0)
        return false;
    sweepDegrees = std::clamp(sweepDegrees, -3600.0, 3600.0);
    // Angles are counter-clockwise from the x axis, in logical space seen
    // with y pointing down.
    const QRectF box(center.x() - radius, center.y() - radius, 2 * radius, 2 * radius);
    const double a0 = startDegrees * M_PI / 180, a1 = (startDegrees + sweepDegrees) * M_PI / 180;
    const QPointF first(center.x() + radius * std::cos(a0), center.y() - radius * std::sin(a0));
    const QPointF last(center.x() + radius * std::cos(a1), center.y() - radius * std::sin(a1));
    QPainterPath logical;
    logical.moveTo(first);
    logical.arcTo(box, startDegrees, sweepDegrees);
    const QPainterPath path = d->transform().map(logical);
    if (d->recording()) {
        d->pathLineTo(d->toDevice(first));
        d->s.path.connectPath(path);
        d->s.figureOpen = true;
    } else {
        QPainterPath joined;
        joined.moveTo(d->toDevice(d->s.currentPosition));
        joined.lineTo(d->toDevice(first));
        joined.connectPath(path);
        d->drawDevicePath(joined, false, true);
    }
    d->s.currentPosition = last;
    return true;
}

bool DeviceContext::SetPixel(QPointF point, ColorRef color)
{
    const QPointF p = d->toDevice(point);
    if (!reasonable(QRectF(p, QSizeF(0, 0))) || !d->painter.isActive())
        return false;
    const QPoint px(static_cast<int>(std::floor(p.x() + 0.5)), static_cast<int>(std::floor(p.y() + 0.5)));
    if (!d->deviceBounds().contains(px) || !d->applyClip())
        return false;
    d->painter.fillRect(QRect(px, QSize(1, 1)), QColor::fromRgb(d->resolve(color)));
    return true;
}

bool DeviceContext::ExtFloodFill(QPointF point, ColorRef color, int type)
{
    if (!d->painter.isActive() || !d->image)
        return false;
    const QPointF p = d->toDevice(point);
    if (!reasonable(QRectF(p, QSizeF(0, 0))))
        return false;
    const QPoint seed(static_cast<int>(std::floor(p.x() + 0.5)), static_cast<int>(std::floor(p.y() + 0.5)));
    QImage& img = *d->image;
    if (!img.rect().contains(seed))
        return false;
    const QRgb target = d->resolve(color) & 0x00FFFFFFu;
    auto pixel = [&](int x, int y) { return reinterpret_cast<const QRgb*>(img.constScanLine(y))[x] & 0x00FFFFFFu; };
    auto inside = [&](int x, int y) {
        const QRgb c = pixel(x, y);
        return type == FLOODFILLSURFACE ? c == target : c != target;
    };
    if (!inside(seed.x(), seed.y()))
        return false;

    // Scanline fill into a visited map, collecting one span per row run.
    const int w = img.width(), h = img.height();
    if (!d->spendPixelWork(std::int64_t{w} * h))
        return false;
    std::vector<std::uint8_t> visited(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    std::vector<QRect> spans;
    std::vector<QPoint> stack{seed};
    while (!stack.empty()) {
        const QPoint q = stack.back();
        stack.pop_back();
        const std::size_t row = static_cast<std::size_t>(q.y()) * static_cast<std::size_t>(w);
        if (visited[row + static_cast<std::size_t>(q.x())] || !inside(q.x(), q.y()))
            continue;
        int x0 = q.x(), x1 = q.x();
        while (x0 > 0 && !visited[row + static_cast<std::size_t>(x0 - 1)] && inside(x0 - 1, q.y()))
            --x0;
        while (x1 + 1 < w && !visited[row + static_cast<std::size_t>(x1 + 1)] && inside(x1 + 1, q.y()))
            ++x1;
        std::fill(visited.begin() + static_cast<std::ptrdiff_t>(row) + x0,
                  visited.begin() + static_cast<std::ptrdiff_t>(row) + x1 + 1, 1);
        spans.emplace_back(x0, q.y(), x1 - x0 + 1, 1);
        for (int dy : {-1, 1}) {
            const int ny = q.y() + dy;
            if (ny < 0 || ny >= h)
                continue;
            const std::size_t nrow = static_cast<std::size_t>(ny) * static_cast<std::size_t>(w);
            bool inRun = false;
            for (int x = x0; x <= x1; ++x) {
                const bool fillable = !visited[nrow + static_cast<std::size_t>(x)] && inside(x, ny);
                if (fillable && !inRun)
                    stack.emplace_back(x, ny);
                inRun = fillable;
            }
        }
    }
    // Spans of one pixel height sorted by row then column form a valid banded region.
    std::sort(spans.begin(), spans.end(),
              [](const QRect& a, const QRect& b) { return a.y() != b.y() ? a.y() < b.y() : a.x() < b.x(); });
    QRegion region;
    region.setRects(spans.data(), static_cast<int>(spans.size()));
    QPainterPath path;
    path.addRegion(region);
    if (!d->beginMix())
        return true;
    d->fillDevicePath(path, d->deviceBrush(d->s.brush));
    d->endMix();
    return true;
}

// ---------------------------------------------------------------- paths

bool DeviceContext::BeginPath()
{
    d->s.pathMode = DcState::PathMode::Recording;
    d->s.path = QPainterPath();
    d->s.figureOpen = false;
    return true;
}

bool DeviceContext::EndPath()
{
    if (d->s.pathMode != DcState::PathMode::Recording)
        return false;
    d->s.pathMode = DcState::PathMode::Closed;
    return true;
}

bool DeviceContext::AbortPath()
{
    d->s.pathMode = DcState::PathMode::None;
    d->s.path = QPainterPath();
    d->s.figureOpen = false;
    return true;
}

bool DeviceContext::CloseFigure()
{
    if (!d->recording())
        return false;
    if (d->s.figureOpen) {
        d->s.path.closeSubpath();
        d->s.figureOpen = false;
    }
    return true;
}

namespace {

// Takes the finished path out of the state. A path still being recorded is
// taken too: writers that forget EndPath still mean their figure.
bool takePath(DcState& s, QPainterPath& out)
{
    if (s.pathMode == DcState::PathMode::None)
        return false;
    out = std::move(s.path);
    s.path = QPainterPath();
    s.pathMode = DcState::PathMode::None;
    s.figureOpen = false;
    out.setFillRule(fillRule(s.polyFillMode));
    return true;
}

} // namespace

bool DeviceContext::FillPath()
{
    QPainterPath path;
    if (!takePath(d->s, path))
        return false;
    d->drawDevicePath(path, true, false);
    return true;
}

bool DeviceContext::StrokePath()
{
    QPainterPath path;
    if (!takePath(d->s, path))
        return false;
    d->drawDevicePath(path, false, true);
    return true;
}

bool DeviceContext::StrokeAndFillPath()
{
    QPainterPath path;
    if (!takePath(d->s, path))
        return false;
    d->drawDevicePath(path, true, true);
    return true;
}

bool DeviceContext::FlattenPath()
{
    if (d->s.pathMode != DcState::PathMode::Closed)
        return false;
    QPainterPath flat;
    for (const QPolygonF& polygon : d->s.path.toSubpathPolygons()) {
        flat.addPolygon(polygon);
    }
    d->s.path = flat;
    return true;
}

bool DeviceContext::WidenPath()
{
    if (d->s.pathMode != DcState::PathMode::Closed)
        return false;
    const DevicePen pen = d->devicePen();
    if (!pen.visible)
        return false;
    QPainterPathStroker stroker(pen.pen);
    d->s.path = stroker.createStroke(d->s.path);
    return true;
}

bool DeviceContext::SelectClipPath(int mode)
{
    QPainterPath path;
    if (!takePath(d->s, path))
        return false;
    d->combineClip(d->regionFromPath(path), mode);
    return true;
}

// ---------------------------------------------------------------- clipping

QRegion DeviceContext::Impl::currentClipOrDevice() const
{
    QRegion r = s.hasClip ? s.clip : QRegion(deviceBounds());
    if (s.hasMetaClip)
        r &= s.metaClip;
    return r;
}

void DeviceContext::Impl::setClip(const QRegion& region)
{
    s.hasClip = true;
    s.clip = region;
    clipDirty = true;
}

void DeviceContext::Impl::combineClip(const QRegion& region, int mode)
{
    const QRegion current = s.hasClip ? s.clip : QRegion(deviceBounds());
    switch (mode) {
    case RGN_AND: setClip(current.intersected(region)); break;
    case RGN_OR: setClip(current.united(region)); break;
    case RGN_XOR: setClip(current.xored(region)); break;
    case RGN_DIFF: setClip(current.subtracted(region)); break;
    case RGN_COPY: setClip(region); break;
    default: break;
    }
}

bool DeviceContext::Impl::applyClip()
{
    if (clipDirty) {
        if (!s.hasClip && !s.hasMetaClip) {
            painter.setClipping(false);
            clipEmpty = false;
        } else {
            const QRegion r = currentClipOrDevice();
            clipEmpty = r.isEmpty();
            painter.setClipRegion(r);
        }
        clipDirty = false;
    }
    return !clipEmpty;
}

QRegion DeviceContext::Impl::regionFromPath(const QPainterPath& devicePath) const
{
    const QRect bounds = deviceBounds().adjusted(-kRegionMargin, -kRegionMargin, kRegionMargin, kRegionMargin);
    const QRectF pathBounds = devicePath.controlPointRect();
    if (!reasonable(pathBounds))
        return {};
    if (bounds.intersected(pathBounds.toAlignedRect()).isEmpty())
        return {};
    // Making a region scans the polygons on whole pixels, as a fill does;
    // past the budget the region is empty.
    bool smooth = false;
    if (!affordPath(devicePath, true, 0, smooth))
        return {};
    // Qt turns polygons into banded rectangles directly; subpaths that cross
    // come back as one polygon, filled by the path's rule, and the rest are
    // disjoint and simply united.
    const Qt::FillRule rule = devicePath.fillRule();
    std::vector<QRegion> parts;
    for (const QPolygonF& polygon : devicePath.toFillPolygons()) {
        // Far-away vertices would make Qt walk millions of scan lines (and
        // lose memory on the way): clip to the bitmap first, which keeps
        // every point inside at the same winding.
        const QRegion part(clipPolygonToRect(polygon, QRectF(bounds)).toPolygon(), rule);
        if (!part.isEmpty())
            parts.push_back(part.intersected(bounds));
    }
    return uniteAll(std::move(parts));
}

QRegion DeviceContext::Impl::logicalRectToDevice(double left, double top, double right, double bottom) const
{
    if (axisAligned()) {
        const QPointF a = rounded(toDevice({left, top}));
        const QPointF b = rounded(toDevice({right, bottom}));
        const QRectF r = QRectF(a, b).normalized();
        if (!reasonable(r))
            return {};
        const QRect bounds = deviceBounds().adjusted(-kRegionMargin, -kRegionMargin, kRegionMargin, kRegionMargin);
        const double x0 = std::clamp(r.left(), double(bounds.left()), double(bounds.right() + 1));
        const double x1 = std::clamp(r.right(), double(bounds.left()), double(bounds.right() + 1));
        const double y0 = std::clamp(r.top(), double(bounds.top()), double(bounds.bottom() + 1));
        const double y1 = std::clamp(r.bottom(), double(bounds.top()), double(bounds.bottom() + 1));
        return QRegion(QRect(QPoint(int(x0), int(y0)), QPoint(int(x1) - 1, int(y1) - 1)));
    }
    QPainterPath path;
    path.addPolygon(transform().map(QPolygonF(QRectF(QPointF(left, top), QPointF(right, bottom)))));
    return regionFromPath(path);
}

bool DeviceContext::IntersectClipRect(double left, double top, double right, double bottom)
{
    d->combineClip(d->logicalRectToDevice(left, top, right, bottom), RGN_AND);
    return true;
}

bool DeviceContext::ExcludeClipRect(double left, double top, double right, double bottom)
{
    d->combineClip(d->logicalRectToDevice(left, top, right, bottom), RGN_DIFF);
    return true;
}

bool DeviceContext::OffsetClipRgn(double dx, double dy)
{
    if (!d->s.hasClip)
        return true;
    const QTransform& t = d->transform();
    const double ox = std::round(dx * t.m11() + dy * t.m21());
    const double oy = std::round(dx * t.m12() + dy * t.m22());
    if (!std::isfinite(ox) || !std::isfinite(oy) || std::fabs(ox) > kMaxDeviceCoordinate
        || std::fabs(oy) > kMaxDeviceCoordinate)
        return false;
    d->s.clip.translate(static_cast<int>(ox), static_cast<int>(oy));
    d->clipDirty = true;
    return true;
}

bool DeviceContext::ExtSelectClipRgn(const QRegion* region, int mode)
{
    if (!region) {
        if (mode != RGN_COPY)
            return false;
        d->s.hasClip = false;
        d->s.clip = QRegion();
        d->clipDirty = true;
        return true;
    }
    // The region is in the context's own device units; a playing enhanced
    // metafile's device is scaled into the bitmap by the playback transform.
    const QTransform& t = d->s.playback;
    QRegion mapped;
    if (t.isIdentity()) {
        mapped = *region;
    } else if (t.m12() == 0.0 && t.m21() == 0.0) {
        std::vector<QRegion> parts;
        for (const QRect& r : *region) {
            const QRectF m = t.mapRect(QRectF(r));
            if (!reasonable(m))
                continue;
            const QRect px(QPoint(int(std::round(m.left())), int(std::round(m.top()))),
                           QPoint(int(std::round(m.right())) - 1, int(std::round(m.bottom())) - 1));
            if (px.isValid())
                parts.emplace_back(px);
        }
        mapped = uniteAll(std::move(parts));
    } else {
        QPainterPath path;
        for (const QRect& r : *region)
            path.addPolygon(t.map(QPolygonF(QRectF(r))));
        path.setFillRule(Qt::WindingFill);
        mapped = d->regionFromPath(path);
    }
    d->combineClip(mapped, mode);
    return true;
}

bool DeviceContext::SelectClipRgnLogical(const QRegion& region)
{
    d->setClip(d->logicalRegionToDevice(region));
    return true;
}

bool DeviceContext::SetMetaRgn()
{
    if (d->s.hasClip || d->s.hasMetaClip) {
        d->s.metaClip = d->currentClipOrDevice();
        d->s.hasMetaClip = true;
    }
    d->s.hasClip = false;
    d->s.clip = QRegion();
    d->clipDirty = true;
    return true;
}

// ---------------------------------------------------------------- regions

QRegion DeviceContext::Impl::logicalRegionToDevice(const QRegion& region) const
{
    if (axisAligned()) {
        std::vector<QRegion> parts;
        parts.reserve(static_cast<std::size_t>(region.rectCount()));
        for (const QRect& r : region) {
            const QRegion px = logicalRectToDevice(r.left(), r.top(), r.right() + 1.0, r.bottom() + 1.0);
            if (!px.isEmpty())
                parts.push_back(px);
        }
        return uniteAll(std::move(parts));
    }
    QPainterPath path;
    for (const QRect& r : region)
        path.addPolygon(transform().map(QPolygonF(QRectF(r))));
    path.setFillRule(Qt::WindingFill);
    return regionFromPath(path);
}

void DeviceContext::Impl::fillDeviceRegion(const QRegion& region, const QBrush& brush)
{
    if (region.isEmpty())
        return;
    QPainterPath path;
    path.addRegion(region);
    bool smooth = false; // whole pixels already
    if (!affordPath(path, true, 0, smooth) || !beginMix())
        return;
    fillDevicePath(path, brush, smooth);
    endMix();
}

bool DeviceContext::FillRgn(const QRegion& region, const LogBrush& brush)
{
    d->fillDeviceRegion(d->logicalRegionToDevice(region), d->deviceBrush(brush));
    return true;
}

bool DeviceContext::PaintRgn(const QRegion& region)
{
    d->fillDeviceRegion(d->logicalRegionToDevice(region), d->deviceBrush(d->s.brush));
    return true;
}

bool DeviceContext::FrameRgn(const QRegion& region, const LogBrush& brush, double width, double height)
{
    const QRegion device = d->logicalRegionToDevice(region);
    const QTransform& t = d->transform();
    auto pixels = [](double v) {
        return std::isfinite(v) ? static_cast<int>(std::clamp(std::round(std::fabs(v)), 1.0, 4096.0)) : 1;
    };
    const int w = pixels(width * t.m11());
    const int h = pixels(height * t.m22());
    const QRegion inner = device.intersected(device.translated(w, 0))
                              .intersected(device.translated(-w, 0))
                              .intersected(device.translated(0, h))
                              .intersected(device.translated(0, -h));
    d->fillDeviceRegion(device.subtracted(inner), d->deviceBrush(brush));
    return true;
}

bool DeviceContext::InvertRgn(const QRegion& region)
{
    const QRegion device = d->logicalRegionToDevice(region);
    if (device.isEmpty() || !d->painter.isActive() || !d->applyClip())
        return true;
    QPainterPath path;
    path.addRegion(device);
    bool smooth = false;
    if (!d->affordPath(path, true, 0, smooth))
        return true;
    d->painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    d->painter.fillPath(path, Qt::black);
    d->painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    return true;
}

} // namespace plat
