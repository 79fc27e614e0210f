#include "metafile/EmfPlusPlayer.h"

#include "common/ByteReader.h"
#include "gdi/DeviceContext.h"
#include "gdi/FontMapper.h"
#include "metafile/EmfPlayer.h"
#include "metafile/EmfPlus.h"
#include "metafile/EmfPlusObjects.h"
#include "metafile/WindowsMetafile.h"

#include <QGlyphRun>
#include <QPainterPathStroker>
#include <QTextLayout>

#include <array>
#include <atomic>
#include <cmath>
#include <numbers>
#include <optional>

namespace plat {

namespace {
std::atomic<EmfPlusPreference> gPreference{EmfPlusPreference::Fallback};
// Pictures nested in EMF+ image objects: how deep, so that nesting ends.
thread_local int gNesting = 0;
constexpr int kMaxNesting = 4;
} // namespace

void SetEmfPlusPreference(EmfPlusPreference preference) { gPreference = preference; }
EmfPlusPreference GetEmfPlusPreference() { return gPreference; }

} // namespace plat

namespace plat::emfplus {

namespace {

enum RecordType : std::uint16_t {
    RecHeader = 0x4001,
    RecEndOfFile = 0x4002,
    RecComment = 0x4003,
    RecGetDC = 0x4004,
    RecObject = 0x4008,
    RecClear = 0x4009,
    RecFillRects = 0x400A,
    RecDrawRects = 0x400B,
    RecFillPolygon = 0x400C,
    RecDrawLines = 0x400D,
    RecFillEllipse = 0x400E,
    RecDrawEllipse = 0x400F,
    RecFillPie = 0x4010,
    RecDrawPie = 0x4011,
    RecDrawArc = 0x4012,
    RecFillRegion = 0x4013,
    RecFillPath = 0x4014,
    RecDrawPath = 0x4015,
    RecFillClosedCurve = 0x4016,
    RecDrawClosedCurve = 0x4017,
    RecDrawCurve = 0x4018,
    RecDrawBeziers = 0x4019,
    RecDrawImage = 0x401A,
    RecDrawImagePoints = 0x401B,
    RecDrawString = 0x401C,
    RecSetRenderingOrigin = 0x401D,
    RecSetAntiAliasMode = 0x401E,
    RecSetTextRenderingHint = 0x401F,
    RecSetTextContrast = 0x4020,
    RecSetInterpolationMode = 0x4021,
    RecSetPixelOffsetMode = 0x4022,
    RecSetCompositingMode = 0x4023,
    RecSetCompositingQuality = 0x4024,
    RecSave = 0x4025,
    RecRestore = 0x4026,
    RecBeginContainer = 0x4027,
    RecBeginContainerNoParams = 0x4028,
    RecEndContainer = 0x4029,
    RecSetWorldTransform = 0x402A,
    RecResetWorldTransform = 0x402B,
    RecMultiplyWorldTransform = 0x402C,
    RecTranslateWorldTransform = 0x402D,
    RecScaleWorldTransform = 0x402E,
    RecRotateWorldTransform = 0x402F,
    RecSetPageTransform = 0x4030,
    RecResetClip = 0x4031,
    RecSetClipRect = 0x4032,
    RecSetClipPath = 0x4033,
    RecSetClipRegion = 0x4034,
    RecOffsetClip = 0x4035,
    RecDrawDriverString = 0x4036,
    RecLast = 0x403A,
};

constexpr std::uint32_t EMR_HEADER = 1, EMR_EOF = 14, EMR_GDICOMMENT = 70;
constexpr std::uint32_t kEmfPlusTag = 0x2B464D45; // "EMF+"

constexpr std::uint16_t kFlagColor = 0x8000;      // the brush field holds an ARGB colour
constexpr std::uint16_t kFlagCompressed = 0x4000; // 16-bit integer coordinates
constexpr std::uint16_t kFlagRelative = 0x0800;   // relative 7/15-bit coordinates
constexpr std::uint16_t kFlagPostMultiply = 0x2000;
constexpr std::uint16_t kFlagClosed = 0x2000;    // DrawLines: close the figure
constexpr std::uint16_t kFlagWinding = 0x2000;   // FillClosedCurve: nonzero rule
constexpr std::uint16_t kFlagContinued = 0x8000; // Object: more chunks follow
constexpr std::uint16_t kFlagDualHeader = 0x0001;

constexpr std::size_t kObjects = 64;
constexpr std::size_t kMaxObjectBytes = std::size_t{32} << 20;
constexpr std::size_t kMaxStates = 4096;
constexpr double kMaxCoordinate = 1e7;

// String format flags.
constexpr std::uint32_t kFormatNoWrap = 0x1000;
constexpr std::uint32_t kFormatNoClip = 0x4000;
constexpr std::uint32_t kDriverCmapLookup = 0x1;
constexpr std::uint32_t kDriverRealizedAdvance = 0x4;

// EMF record types that draw (the fallback of a dual file counts as real
// when it has one).
bool drawsSomething(std::uint32_t type)
{
    switch (type) {
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:  // polys
    case 15: // SetPixelV
    case 41:
    case 42:
    case 43:
    case 44:
    case 45:
    case 46:
    case 47: // shapes
    case 53:
    case 54:
    case 55:
    case 56: // flood fill, lines
    case 62:
    case 63:
    case 64: // path fills and strokes
    case 71:
    case 72:
    case 73:
    case 74: // region paints
    case 76:
    case 77:
    case 78:
    case 79:
    case 80:
    case 81: // blits
    case 83:
    case 84:
    case 85:
    case 86:
    case 87:
    case 88:
    case 89:
    case 90:
    case 91:
    case 92:
    case 96:
    case 97:
    case 108:
    case 114:
    case 116:
    case 118: return true;
    default: return false;
    }
}

bool usableTransform(const QTransform& t)
{
    const double det = t.m11() * t.m22() - t.m12() * t.m21();
    return finite(t) && std::isfinite(det) && det != 0.0;
}

bool reasonable(const QRectF& r)
{
    return std::isfinite(r.left()) && std::isfinite(r.top()) && std::isfinite(r.right()) && std::isfinite(r.bottom())
        && std::fabs(r.left()) < kMaxCoordinate && std::fabs(r.right()) < kMaxCoordinate
        && std::fabs(r.top()) < kMaxCoordinate && std::fabs(r.bottom()) < kMaxCoordinate;
}

// Boolean operations on paths cost more than linear time; shapes beyond
// this many elements are combined by their bounding boxes instead.
constexpr int kMaxBooleanElements = 20000;

QPainterPath boxOf(const QPainterPath& p)
{
    QPainterPath box;
    box.addRect(p.controlPointRect());
    return box;
}

QPainterPath simplifiedFor(const QPainterPath& p, const QPainterPath& other)
{
    return p.elementCount() + other.elementCount() > kMaxBooleanElements ? boxOf(p) : p;
}

// The raster work of a path's edges under a transform: the rows each edge
// spans (at most rows), and a little for every element.
std::int64_t edgeWork(const QPainterPath& path, const QTransform& t, double rows)
{
    double sum = 0, previous = 0;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        const double y = t.m12() * e.x + t.m22() * e.y + t.dy();
        if (i > 0 && std::isfinite(y))
            sum += std::min(std::fabs(y - previous), rows);
        previous = y;
    }
    return static_cast<std::int64_t>(std::min(sum, 1e15)) + 4 * std::int64_t{path.elementCount()};
}

QPainterPath hugeRect()
{
    QPainterPath p;
    p.addRect(QRectF(-kMaxCoordinate, -kMaxCoordinate, 2 * kMaxCoordinate, 2 * kMaxCoordinate));
    return p;
}

// Cardinal spline through points, as Bezier segments (tension 0 is straight).
void addCurve(QPainterPath& path, const std::vector<QPointF>& p, double tension, bool closed, std::size_t first,
              std::size_t segments)
{
    const std::size_t n = p.size();
    if (n < 2)
        return;
    const double k = tension / 3.0;
    auto at = [&](std::ptrdiff_t i) -> QPointF {
        if (closed)
            return p[static_cast<std::size_t>((i % static_cast<std::ptrdiff_t>(n) + static_cast<std::ptrdiff_t>(n))
                                              % static_cast<std::ptrdiff_t>(n))];
        return p[static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(i, 0, static_cast<std::ptrdiff_t>(n) - 1))];
    };
    const std::size_t last = closed ? n : std::min(n - 1, first + segments);
    path.moveTo(at(static_cast<std::ptrdiff_t>(first)));
    for (std::size_t i = first; i < last; ++i) {
        const auto j = static_cast<std::ptrdiff_t>(i);
        const QPointF c1 = at(j) + (at(j + 1) - at(j - 1)) * k;
        const QPointF c2 = at(j + 1) - (at(j + 2) - at(j)) * k;
        path.cubicTo(c1, c2, at(j + 1));
    }
    if (closed)
        path.closeSubpath();
}

// 8 x 8 hatch patterns: the six classic ones, percentage fills as ordered
// dithers, and the rest by their nearest classic look.
QImage hatchImage(std::uint32_t style, const QColor& fore, const QColor& back)
{
    static const std::uint8_t kClassic[6][8] = {
        {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00}, // horizontal
        {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08}, // vertical
        {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01}, // forward diagonal
        {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}, // backward diagonal
        {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08}, // cross
        {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81}, // diagonal cross
    };
    static const int kBayer[8][8] = {
        {0, 32, 8, 40, 2, 34, 10, 42},    {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
        {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},    {51, 19, 59, 27, 49, 17, 57, 25},
        {15, 47, 7, 39, 13, 45, 5, 37},   {63, 31, 55, 23, 61, 29, 53, 21},
    };
    static const int kPercent[] = {5, 10, 20, 25, 30, 40, 50, 60, 70, 75, 80, 90};
    int classic = -1, percent = 50;
    if (style < 6)
        classic = static_cast<int>(style);
    else if (style < 18)
        percent = kPercent[style - 6];
    else
        switch (style) {
        case 18:
        case 20:
        case 22:
        case 30: classic = 2; break;
        case 19:
        case 21:
        case 23:
        case 31: classic = 3; break;
        case 24:
        case 26:
        case 28:
        case 33: classic = 1; break;
        case 25:
        case 27:
        case 29:
        case 32: classic = 0; break;
        case 43:
        case 46:
        case 48: classic = 4; break;
        case 44:
        case 51: classic = 5; break;
        default: percent = 50; break;
        }
    QImage image(8, 8, QImage::Format_ARGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool on = classic >= 0 ? ((kClassic[classic][y] >> (7 - x)) & 1) : kBayer[y][x] * 100 < percent * 64;
            image.setPixel(x, y, (on ? fore : back).rgba());
        }
    return image;
}

Qt::PenCapStyle capStyle(std::uint32_t cap)
{
    switch (cap) {
    case 1:
    case 0x11: return Qt::SquareCap;
    case 2:
    case 0x12: return Qt::RoundCap;
    default: return Qt::FlatCap;
    }
}

Qt::PenJoinStyle joinStyle(std::uint32_t join)
{
    switch (join) {
    case 1: return Qt::BevelJoin;
    case 2: return Qt::RoundJoin;
    case 3: return Qt::SvgMiterJoin;
    default: return Qt::MiterJoin;
    }
}

} // namespace

// The graphics state that Save and BeginContainer keep.
struct EmfPlusPlayer::State {
    QTransform world;
    std::uint32_t pageUnit = UnitDisplay;
    double pageScale = 1;
    bool hasClip = false;
    QPainterPath clip; // in EMF+ device pixels
    bool antialias = false;
    bool copyMode = false;
    bool textAntialias = true;
    bool smoothImages = true;
};

struct EmfPlusPlayer::Impl {
    DeviceContext& dc;
    EnhMetaHeader header;
    std::size_t fileBytes;
    double dpiX = 96, dpiY = 96;
    State s;
    struct Saved {
        std::uint32_t index;
        State state;
    };
    std::vector<Saved> stack;
    std::array<std::optional<Object>, kObjects> objects;
    struct Pending {
        bool active = false;
        std::uint8_t id = 0;
        std::uint32_t type = 0;
        std::uint32_t total = 0;
        std::vector<std::uint8_t> bytes;
    } pending;
    bool inGetDC = false;
    bool sectionOpen = false; // the GDI drawing of a GetDC section has begun
    bool ended = false;
    bool budgetSpent = false;
    gdi::FontMapper fonts;

    struct Rec {
        std::uint16_t type;
        std::uint16_t flags;
        std::span<const std::uint8_t> data;
    };
    using Handler = bool (Impl::*)(const Rec&);

    Impl(DeviceContext& context, const EnhMetaHeader& h, std::size_t bytes) : dc(context), header(h), fileBytes(bytes)
    {
        setResolution(96, 96);
    }

    // The header's resolution converts physical units (points, inches,
    // millimetres) to pixels; EMF+ pixels are the reference device's own.
    void setResolution(double x, double y)
    {
        dpiX = x;
        dpiY = y;
    }

    // ---- transforms
    QTransform pageTransform() const
    {
        const double sx = unitToPixels(s.pageUnit, dpiX) * s.pageScale;
        const double sy = unitToPixels(s.pageUnit, dpiY) * s.pageScale;
        return QTransform::fromScale(sx, sy);
    }
    QTransform deviceToBitmap() const { return dc.referenceToDevice(); }
    QTransform worldToBitmap() const { return s.world * pageTransform() * deviceToBitmap(); }
    QTransform worldToDevice() const { return s.world * pageTransform(); }

    // ---- objects
    template <class T>
    const T* get(std::uint32_t id) const
    {
        if (id >= kObjects || !objects[id])
            return nullptr;
        return std::get_if<T>(&*objects[id]);
    }

    // A brush from a record's brush field: an ARGB colour or an object.
    std::optional<Brush> brushOf(std::uint16_t flags, std::uint32_t field) const
    {
        if (flags & kFlagColor) {
            Brush b;
            b.color = argbColor(field);
            return b;
        }
        if (const Brush* b = get<Brush>(field))
            return *b;
        return std::nullopt;
    }

    QBrush qbrush(const Brush& b, const QTransform& painterTransform) const
    {
        switch (b.type) {
        case BrushHatch: {
            QBrush brush(hatchImage(b.hatchStyle, b.color, b.background));
            brush.setTransform(painterTransform.inverted()); // hatches keep to device pixels
            return brush;
        }
        case BrushLinearGradient: {
            QLinearGradient g(QPointF(b.rect.left(), b.rect.top()), QPointF(b.rect.right(), b.rect.top()));
            QGradientStops stops;
            for (const auto& st : b.stops)
                stops.push_back({st.position, st.color});
            std::sort(stops.begin(), stops.end(), [](auto& a, auto& c) { return a.first < c.first; });
            g.setStops(stops);
            g.setSpread(b.wrapMode == 4       ? QGradient::PadSpread
                            : b.wrapMode == 0 ? QGradient::RepeatSpread
                                              : QGradient::ReflectSpread);
            QBrush brush(g);
            if (finite(b.transform))
                brush.setTransform(b.transform);
            return brush;
        }
        case BrushPathGradient: {
            const QRectF box = b.boundary.boundingRect();
            if (box.width() <= 0 || box.height() <= 0)
                return QBrush(b.color);
            // An ellipse through the boundary's box stands in for its shape;
            // straight-edged boundaries reach their corners.
            bool curved = false;
            for (int i = 0; i < b.boundary.elementCount(); ++i)
                curved = curved || b.boundary.elementAt(i).type == QPainterPath::CurveToElement;
            const double k = curved ? 1.0 : std::numbers::sqrt2;
            const double rx = box.width() / 2 * k, ry = box.height() / 2 * k;
            const QPointF focal((b.center.x() - box.center().x()) / rx, (b.center.y() - box.center().y()) / ry);
            QRadialGradient g(QPointF(0, 0), 1, focal);
            QGradientStops stops;
            for (const auto& st : b.stops)
                stops.push_back({1.0 - st.position, st.color});
            std::sort(stops.begin(), stops.end(), [](auto& a, auto& c) { return a.first < c.first; });
            g.setStops(stops);
            QBrush brush(g);
            QTransform t =
                QTransform::fromScale(rx, ry) * QTransform::fromTranslate(box.center().x(), box.center().y());
            if (finite(b.transform))
                t = t * b.transform;
            brush.setTransform(t);
            return brush;
        }
        case BrushTexture: {
            if (!b.texture || b.texture->bitmap.isNull())
                return QBrush(QColor(128, 128, 128));
            QBrush brush(b.texture->bitmap);
            if (finite(b.transform))
                brush.setTransform(b.transform);
            return brush;
        }
        default: return QBrush(b.color);
        }
    }

    // Pen width in world units (at least one device pixel when drawn).
    double penWidth(const Pen& pen) const
    {
        // Pixel sizes scale with the page like world sizes do.
        if (pen.unit == UnitWorld || pen.unit == UnitDisplay || pen.unit == UnitPixel)
            return pen.width;
        const double page = unitToPixels(s.pageUnit, dpiX) * s.pageScale;
        return page > 0 ? pen.width * unitToPixels(pen.unit, dpiX) / page : pen.width;
    }

    // ---- painting
    // Runs paint with the painter set up for world coordinates, if the
    // shape's device bounds are sane and the work budget allows.
    // edges is the raster work of the shape's edges (edgeWork; glyphs count
    // as a few rows each), measured in rows crossed; crossing a row costs
    // the rasteriser about as much as filling a few dozen pixels.
    template <class F>
    void paint(const QRectF& worldBounds, F&& paintIt, std::int64_t edges = 0)
    {
        const QTransform t = worldToBitmap();
        if (!usableTransform(t))
            return;
        const QRectF device = t.mapRect(worldBounds);
        if (!reasonable(device))
            return;
        const QRectF visible = device.intersected(QRectF(QPointF(0, 0), QSizeF(dc.size())));
        const double rows = visible.height() + 1;
        const std::int64_t clipEdges = s.hasClip ? edgeWork(s.clip, deviceToBitmap(), rows) : 0;
        const std::int64_t area =
            static_cast<std::int64_t>(visible.width() * visible.height()) + 64 + (edges + clipEdges) * 64;
        if (budgetSpent || !dc.allowPixelWork(area)) {
            budgetSpent = true; // the rest of the picture's drawing is skipped
            return;
        }
        QPainter* p = dc.beginDirectPainting();
        if (!p)
            return;
        p->setRenderHint(QPainter::Antialiasing, s.antialias);
        p->setRenderHint(QPainter::SmoothPixmapTransform, s.smoothImages);
        p->setRenderHint(QPainter::TextAntialiasing, s.textAntialias);
        p->setCompositionMode(s.copyMode ? QPainter::CompositionMode_Source : QPainter::CompositionMode_SourceOver);
        if (s.hasClip) {
            p->setTransform(deviceToBitmap());
            p->setClipPath(s.clip, Qt::IntersectClip);
        }
        p->setTransform(t);
        paintIt(*p, t);
        dc.endDirectPainting();
    }

    void fill(const QPainterPath& path, const Brush& brush)
    {
        if (path.isEmpty() || budgetSpent)
            return;
        QPainterPath shape = path;
        if (brush.type == BrushPathGradient) {
            // A path gradient paints only inside its boundary.
            QPainterPath boundary = finite(brush.transform) ? brush.transform.map(brush.boundary) : brush.boundary;
            shape = simplifiedFor(shape, boundary).intersected(simplifiedFor(boundary, shape));
        }
        paint(
            shape.controlPointRect(), [&](QPainter& p, const QTransform& t) { p.fillPath(shape, qbrush(brush, t)); },
            edgeWork(shape, worldToBitmap(), dc.size().height() + 1.0));
    }

    void stroke(const QPainterPath& path, const Pen& pen)
    {
        if (path.isEmpty() || budgetSpent)
            return;
        const double w = penWidth(pen);
        const double margin = std::fabs(w) * 2 + 1;
        paint(
            path.controlPointRect().adjusted(-margin, -margin, margin, margin),
            [&](QPainter& p, const QTransform& t) {
            QPen qpen(qbrush(pen.brush, t), w);
            const double scale = std::sqrt(std::fabs(t.m11() * t.m22() - t.m12() * t.m21()));
            // Without anti-aliasing a stroke about a pixel wide (across its
            // thinnest direction) covers pixel centres only here and there,
            // and curves come out dotted; such pens draw one-pixel lines.
            if (s.antialias ? !(w * scale >= 1.0) : !(w * thinnestScale(t) >= 1.5)) {
                qpen.setCosmetic(true);
                qpen.setWidthF(1.0);
            }
            qpen.setCapStyle(pen.lineStyle != 0 ? (pen.dashCap == 2 ? Qt::RoundCap : Qt::FlatCap)
                                                : capStyle(pen.startCap.type));
            qpen.setJoinStyle(joinStyle(pen.join));
            qpen.setMiterLimit(pen.miterLimit);
            QVector<qreal> dashes;
            switch (pen.lineStyle) {
            case 1: dashes = {3, 1}; break;
            case 2: dashes = {1, 1}; break;
            case 3: dashes = {3, 1, 1, 1}; break;
            case 4: dashes = {3, 1, 1, 1, 1, 1}; break;
            case 5:
                for (double d : pen.dashes)
                    dashes.push_back(std::max(d, 0.01));
                if (dashes.size() % 2)
                    dashes.push_back(dashes.back());
                break;
            default: break;
            }
            double patternLength = 0;
            for (qreal d : dashes)
                patternLength += d;
            // Dash patterns whose dashes would number in the millions draw solid.
            if (!dashes.isEmpty() && patternLength * std::max(w, 1e-9) * 1e5 > path.length()) {
                qpen.setDashPattern(dashes);
                qpen.setDashOffset(pen.dashOffset);
            }
            if (pen.compound.size() >= 4 && !qpen.isCosmetic()) {
                // Parallel bands across the width: each band is the stroke at
                // its outer distance from the centre less the one at its inner.
                QPainterPath bands;
                for (std::size_t i = 0; i + 1 < pen.compound.size(); i += 2) {
                    const double a = std::fabs(pen.compound[i] - 0.5), b = std::fabs(pen.compound[i + 1] - 0.5);
                    QPainterPathStroker outer(qpen), inner(qpen);
                    outer.setWidth(2 * std::max(a, b) * w);
                    QPainterPath band = outer.createStroke(path);
                    if (std::min(a, b) > 0 && (pen.compound[i] - 0.5) * (pen.compound[i + 1] - 0.5) > 0) {
                        inner.setWidth(2 * std::min(a, b) * w);
                        band = band.subtracted(inner.createStroke(path));
                    }
                    bands = bands.united(band);
                }
                p.fillPath(bands, qpen.brush());
            } else {
                p.strokePath(path, qpen);
            }
            drawCaps(p, path, pen, w, qpen.brush());
            },
            4 * edgeWork(path, worldToBitmap(), dc.size().height() + 1.0));
    }

    // How much a transform shrinks lengths in the direction it shrinks most.
    static double thinnestScale(const QTransform& t)
    {
        const double a = t.m11() * t.m11() + t.m12() * t.m12(), c = t.m21() * t.m21() + t.m22() * t.m22();
        const double b = t.m11() * t.m21() + t.m12() * t.m22();
        const double root = std::sqrt(((a - c) / 2) * ((a - c) / 2) + b * b);
        return std::sqrt(std::max(0.0, (a + c) / 2 - root));
    }

    // Arrowheads of arrow-anchor and custom arrow caps at open ends.
    void drawCaps(QPainter& p, const QPainterPath& path, const Pen& pen, double width, const QBrush& brush)
    {
        auto arrow = [&](const LineCap& cap, QPointF tip, QPointF from) {
            if (!cap.custom.isEmpty()) {
                const QPointF d = tip - from;
                const double len = std::hypot(d.x(), d.y());
                if (!(len > 0))
                    return;
                const double k = std::max(width, 1e-9) * cap.widthScale;
                const QPointF u = d / len;
                // Cap space: y out along the line, x to its right.
                const QTransform place(-u.y() * k, u.x() * k, u.x() * k, u.y() * k, tip.x(), tip.y());
                const QPainterPath shape = place.map(cap.custom);
                if (cap.customFilled)
                    p.fillPath(shape, brush);
                else
                    p.strokePath(shape, QPen(brush, std::max(width, 1e-9)));
                return;
            }
            double w = 0, h = 0;
            bool filled = true;
            if (cap.arrow) {
                w = cap.arrowWidth;
                h = cap.arrowHeight;
                filled = cap.arrowFilled;
            } else if (cap.type == 0x14) {
                w = 4;
                h = 4;
            } else {
                return;
            }
            const QPointF d = tip - from;
            const double len = std::hypot(d.x(), d.y());
            if (!(len > 0) || !(w > 0) || !(h > 0))
                return;
            const QPointF u = d / len, n(-u.y(), u.x());
            const double pw = std::max(width, 1e-9);
            const QPointF base = tip - u * (h * pw);
            QPolygonF head;
            head << tip << base + n * (w * pw / 2) << base - n * (w * pw / 2);
            QPainterPath shape;
            shape.addPolygon(head);
            shape.closeSubpath();
            if (filled)
                p.fillPath(shape, brush);
            else
                p.strokePath(shape, QPen(brush, pw));
        };
        auto decorated = [](const LineCap& c) { return c.arrow || c.type == 0x14 || !c.custom.isEmpty(); };
        if (!decorated(pen.startCap) && !decorated(pen.endCap))
            return;
        for (const QPolygonF& poly : path.toSubpathPolygons()) {
            if (poly.size() < 2 || poly.isClosed())
                continue;
            arrow(pen.startCap, poly.front(), poly[1]);
            arrow(pen.endCap, poly.back(), poly[poly.size() - 2]);
        }
    }

    // ---- clipping, in EMF+ device pixels
    void combineClip(const QPainterPath& worldShape, bool infinite, std::uint32_t mode)
    {
        const QPainterPath mapped = infinite ? hugeRect() : worldToDevice().map(worldShape);
        const QPainterPath kept = s.hasClip ? s.clip : hugeRect();
        const QPainterPath shape = mode == 0 ? mapped : simplifiedFor(mapped, kept);
        const QPainterPath current = simplifiedFor(kept, mapped);
        switch (mode) {
        case 0:
            s.clip = shape;
            s.hasClip = !infinite;
            return;
        case 1:
            if (infinite)
                return;
            s.clip = s.hasClip ? current.intersected(shape) : shape;
            break;
        case 2:
            if (!s.hasClip || infinite) {
                s.hasClip = false;
                s.clip = {};
                return;
            }
            s.clip = current.united(shape);
            break;
        case 3: s.clip = current.subtracted(shape).united(shape.subtracted(current)); break;
        case 4: s.clip = current.subtracted(shape); break;
        case 5: s.clip = shape.subtracted(current); break;
        default: return;
        }
        s.hasClip = true;
    }

    // ---- GetDC sections
    // The EMF records of a section draw inside the EMF+ clip in force, and
    // what they change of the context (its clip above all) ends with the
    // section, so that it cannot clip the EMF+ drawing that follows.
    void openSection()
    {
        if (sectionOpen)
            return;
        sectionOpen = true;
        dc.beginPlayback();
        if (!s.hasClip)
            return;
        // Only the part over the bitmap matters; it bounds the region's size.
        // Turning the clip into a region is paid for like drawing it; once
        // the budget is spent the section draws nothing.
        QPainterPath visible;
        visible.addRect(deviceToBitmap().inverted().mapRect(QRectF(QPointF(-2, -2), QSizeF(dc.size()) + QSizeF(4, 4))));
        const QPainterPath shape = simplifiedFor(s.clip, visible);
        QRegion region;
        if (!budgetSpent && dc.allowPixelWork(regionWork(shape, deviceToBitmap())))
            region = regionOf(shape.intersected(visible));
        else
            budgetSpent = true;
        dc.ExtSelectClipRgn(&region, gdi::RGN_AND);
        dc.SetMetaRgn();
    }
    void closeSection()
    {
        if (!sectionOpen)
            return;
        sectionOpen = false;
        dc.endPlayback();
    }
    // The work of cutting a clip path to the bitmap and scanning it into a
    // region: its edges' rows, and the crossings of a boolean operation,
    // which grow with the square of the edges in the worst case.
    std::int64_t regionWork(const QPainterPath& path, const QTransform& toBitmap) const
    {
        const std::int64_t n = path.elementCount();
        return 64 * edgeWork(path, toBitmap, dc.size().height() + 1.0) + n * n / 2;
    }

    // A clip path as whole reference-device pixels.
    static QRegion regionOf(const QPainterPath& path)
    {
        QRegion region;
        for (const QPolygonF& polygon : path.toFillPolygons())
            region = region.xored(QRegion(polygon.toPolygon(), path.fillRule()));
        return region;
    }

    // ---- records
    bool play(const Rec& rec);

    bool onHeader(const Rec& rec)
    {
        ByteReader r(rec.data);
        r.u32(); // version
        r.u32(); // flags
        const std::uint32_t x = r.u32(), y = r.u32();
        if (!r.ok())
            return false;
        if (x > 0 && y > 0 && x < 100000 && y < 100000)
            setResolution(x, y);
        return true;
    }
    bool onEndOfFile(const Rec&)
    {
        ended = true;
        return true;
    }
    bool onGetDC(const Rec&)
    {
        inGetDC = true;
        return true;
    }
    bool onIgnored(const Rec&) { return true; }

    bool onObject(const Rec& rec)
    {
        const std::uint8_t id = rec.flags & 0xFF;
        const std::uint32_t type = (rec.flags >> 8) & 0x7F;
        if (id >= kObjects)
            return false;
        std::span<const std::uint8_t> data = rec.data;
        if (rec.flags & kFlagContinued) {
            ByteReader r(data);
            const std::uint32_t total = r.u32();
            if (!r.ok())
                return false;
            data = data.subspan(4);
            if (!pending.active) {
                if (total > kMaxObjectBytes || total > fileBytes)
                    return false;
                pending = Pending{true, id, type, total, {}};
            } else if (pending.id != id || pending.type != type || pending.total != total) {
                return false;
            }
            if (data.size() > pending.total - pending.bytes.size())
                return false;
            pending.bytes.insert(pending.bytes.end(), data.begin(), data.end());
            if (pending.bytes.size() < pending.total)
                return true;
        } else if (pending.active) {
            if (pending.id != id || pending.type != type || data.size() > pending.total - pending.bytes.size())
                return false;
            pending.bytes.insert(pending.bytes.end(), data.begin(), data.end());
        }
        std::vector<std::uint8_t> assembled;
        if (pending.active) {
            assembled = std::move(pending.bytes);
            pending = Pending{};
            data = assembled;
        }
        objects[id].reset();
        if (type < ObjectBrush || type > ObjectImageAttributes)
            return true; // custom line caps and unknown kinds stay undefined
        const std::int64_t maxPixels = std::int64_t{dc.size().width()} * dc.size().height() * 64 + (1 << 22);
        auto object = readObject(type, data, maxPixels);
        if (!object)
            return false;
        objects[id] = std::move(*object);
        return true;
    }

    bool onClear(const Rec& rec)
    {
        ByteReader r(rec.data);
        const QColor color = argbColor(r.u32());
        if (!r.ok())
            return false;
        const bool copy = s.copyMode;
        s.copyMode = true;
        const QTransform inverse = worldToBitmap().inverted();
        QPainterPath all;
        all.addRect(inverse.mapRect(QRectF(QPointF(0, 0), QSizeF(dc.size()))));
        Brush b;
        b.color = color;
        fill(all, b);
        s.copyMode = copy;
        return true;
    }

    bool onFillRects(const Rec& rec)
    {
        ByteReader r(rec.data);
        const std::uint32_t brushField = r.u32();
        const std::uint32_t count = r.u32();
        const bool compressed = rec.flags & kFlagCompressed;
        if (!r.ok() || !r.has(count, compressed ? 8 : 16))
            return false;
        QPainterPath path;
        for (std::uint32_t i = 0; i < count; ++i)
            path.addRect(readRect(r, compressed));
        if (auto brush = brushOf(rec.flags, brushField))
            fill(path, *brush);
        return true;
    }

    bool onDrawRects(const Rec& rec)
    {
        ByteReader r(rec.data);
        const std::uint32_t count = r.u32();
        const bool compressed = rec.flags & kFlagCompressed;
        if (!r.ok() || !r.has(count, compressed ? 8 : 16))
            return false;
        QPainterPath path;
        for (std::uint32_t i = 0; i < count; ++i)
            path.addRect(readRect(r, compressed));
        if (const Pen* pen = get<Pen>(rec.flags & 0xFF))
            stroke(path, *pen);
        return true;
    }

    bool readRecordPoints(ByteReader& r, const Rec& rec, std::uint32_t count, std::vector<QPointF>& points)
    {
        return readPoints(r, count, rec.flags & kFlagCompressed, rec.flags & kFlagRelative, points);
    }

    bool onFillPolygon(const Rec& rec)
    {
        ByteReader r(rec.data);
        const std::uint32_t brushField = r.u32();
        const std::uint32_t count = r.u32();
        std::vector<QPointF> points;
        if (!r.ok() || !readRecordPoints(r, rec, count, points))
            return false;
        if (budgetSpent)
            return true;
        QPainterPath path;
        path.addPolygon(QPolygonF(QList<QPointF>(points.begin(), points.end())));
        path.closeSubpath();
        path.setFillRule(Qt::OddEvenFill);
        if (auto brush = brushOf(rec.flags, brushField))
            fill(path, *brush);
        return true;
    }

    bool onDrawLines(const Rec& rec)
    {
        ByteReader r(rec.data);
        const std::uint32_t count = r.u32();
        std::vector<QPointF> points;
        if (!r.ok() || !readRecordPoints(r, rec, count, points))
            return false;
        QPainterPath path;
        path.addPolygon(QPolygonF(QList<QPointF>(points.begin(), points.end())));
        if (rec.flags & kFlagClosed)
            path.closeSubpath();
        if (const Pen* pen = get<Pen>(rec.flags & 0xFF))
            stroke(path, *pen);
        return true;
    }

    // The Fill records name a brush (an id or an inline colour); their Draw
    // twins name a pen in the low flag byte.
    void fillOrStroke(const Rec& rec, bool filled, std::uint32_t brushField, const QPainterPath& path)
    {
        if (filled) {
            if (auto brush = brushOf(rec.flags, brushField))
                fill(path, *brush);
        } else if (const Pen* pen = get<Pen>(rec.flags & 0xFF)) {
            stroke(path, *pen);
        }
    }

    bool onEllipse(const Rec& rec)
    {
        ByteReader r(rec.data);
        const bool filled = rec.type == RecFillEllipse;
        const std::uint32_t brushField = filled ? r.u32() : 0;
        const QRectF box = readRect(r, rec.flags & kFlagCompressed);
        if (!r.ok())
            return false;
        QPainterPath path;
        path.addEllipse(box);
        fillOrStroke(rec, filled, brushField, path);
        return true;
    }

    // Pies and arcs: angles in degrees, clockwise (y down) from the x axis.
    bool onArcLike(const Rec& rec)
    {
        ByteReader r(rec.data);
        const bool filled = rec.type == RecFillPie;
        const std::uint32_t brushField = filled ? r.u32() : 0;
        const double start = r.f32(), sweep = r.f32();
        const QRectF box = readRect(r, rec.flags & kFlagCompressed);
        if (!r.ok())
            return false;
        if (!std::isfinite(start) || !std::isfinite(sweep) || box.isEmpty())
            return true;
        QPainterPath path;
        if (rec.type == RecDrawArc) {
            path.arcMoveTo(box, -start);
            path.arcTo(box, -start, -sweep);
        } else {
            path.moveTo(box.center());
            path.arcTo(box, -start, -sweep);
            path.closeSubpath();
        }
        fillOrStroke(rec, filled, brushField, path);
        return true;
    }

    bool onFillRegion(const Rec& rec)
    {
        ByteReader r(rec.data);
        const std::uint32_t brushField = r.u32();
        if (!r.ok())
            return false;
        const Region* region = get<Region>(rec.flags & 0xFF);
        auto brush = brushOf(rec.flags, brushField);
        if (region && brush)
            fill(region->infinite ? worldToBitmap().inverted().map(hugeRect()) : region->path, *brush);
        return true;
    }

    bool onFillPath(const Rec& rec)
    {
        ByteReader r(rec.data);
        const std::uint32_t brushField = r.u32();
        if (!r.ok())
            return false;
        const Path* path = get<Path>(rec.flags & 0xFF);
        auto brush = brushOf(rec.flags, brushField);
        if (path && brush)
            fill(path->path, *brush);
        return true;
    }

    bool onDrawPath(const Rec& rec)
    {
        ByteReader r(rec.data);
        const std::uint32_t penId = r.u32();
        if (!r.ok())
            return false;
        const Path* path = get<Path>(rec.flags & 0xFF);
        const Pen* pen = get<Pen>(penId);
        if (path && pen)
            stroke(path->path, *pen);
        return true;
    }

    bool onClosedCurve(const Rec& rec)
    {
        ByteReader r(rec.data);
        const bool filled = rec.type == RecFillClosedCurve;
        const std::uint32_t brushField = filled ? r.u32() : 0;
        const double tension = r.f32();
        const std::uint32_t count = r.u32();
        std::vector<QPointF> points;
        if (!r.ok() || !readRecordPoints(r, rec, count, points))
            return false;
        QPainterPath path;
        addCurve(path, points, std::isfinite(tension) ? tension : 0.5, true, 0, points.size());
        if (filled)
            path.setFillRule((rec.flags & kFlagWinding) ? Qt::WindingFill : Qt::OddEvenFill);
        fillOrStroke(rec, filled, brushField, path);
        return true;
    }

    bool onDrawCurve(const Rec& rec)
    {
        ByteReader r(rec.data);
        const double tension = r.f32();
        const std::uint32_t offset = r.u32(), segments = r.u32(), count = r.u32();
        std::vector<QPointF> points;
        if (!r.ok() || !readPoints(r, count, rec.flags & kFlagCompressed, false, points))
            return false;
        if (offset >= points.size())
            return true;
        QPainterPath path;
        addCurve(path, points, std::isfinite(tension) ? tension : 0.5, false, offset, segments);
        if (const Pen* pen = get<Pen>(rec.flags & 0xFF))
            stroke(path, *pen);
        return true;
    }

    bool onDrawBeziers(const Rec& rec)
    {
        ByteReader r(rec.data);
        const std::uint32_t count = r.u32();
        std::vector<QPointF> points;
        if (!r.ok() || !readRecordPoints(r, rec, count, points))
            return false;
        if (points.empty())
            return true;
        QPainterPath path;
        path.moveTo(points[0]);
        for (std::size_t i = 1; i + 2 < points.size(); i += 3)
            path.cubicTo(points[i], points[i + 1], points[i + 2]);
        if (const Pen* pen = get<Pen>(rec.flags & 0xFF))
            stroke(path, *pen);
        return true;
    }

    // ---- images
    bool onDrawImage(const Rec& rec)
    {
        ByteReader r(rec.data);
        const std::uint32_t attributes = r.u32();
        const std::uint32_t unit = r.u32();
        const QRectF source = readRect(r, false);
        const QRectF dest = readRect(r, rec.flags & kFlagCompressed);
        if (!r.ok())
            return false;
        drawImage(rec.flags & 0xFF, attributes, unit, source, dest.topLeft(), dest.topRight(), dest.bottomLeft());
        return true;
    }

    bool onDrawImagePoints(const Rec& rec)
    {
        ByteReader r(rec.data);
        const std::uint32_t attributes = r.u32();
        const std::uint32_t unit = r.u32();
        const QRectF source = readRect(r, false);
        const std::uint32_t count = r.u32();
        std::vector<QPointF> points;
        if (!r.ok() || count != 3 || !readRecordPoints(r, rec, count, points))
            return false;
        drawImage(rec.flags & 0xFF, attributes, unit, source, points[0], points[1], points[2]);
        return true;
    }

    // The image's source rectangle onto the parallelogram with corners
    // topLeft, topRight and bottomLeft (world units).
    void drawImage(std::uint32_t id, std::uint32_t attributesId, std::uint32_t unit, QRectF source, QPointF topLeft,
                   QPointF topRight, QPointF bottomLeft)
    {
        const Image* image = get<Image>(id);
        if (!image || !reasonable(source))
            return;
        // Physical source units are taken at the reference device's resolution.
        if (unit != UnitWorld && unit != UnitDisplay && unit != UnitPixel) {
            const double kx = unitToPixels(unit, dpiX), ky = unitToPixels(unit, dpiY);
            source = QRectF(source.x() * kx, source.y() * ky, source.width() * kx, source.height() * ky);
        }
        if (image->kind == Image::Kind::Metafile) {
            drawMetafile(*image, source, topLeft, topRight, bottomLeft);
            return;
        }
        if (image->bitmap.isNull() || source.width() == 0 || source.height() == 0)
            return;
        const QPointF ax = (topRight - topLeft) / source.width(), ay = (bottomLeft - topLeft) / source.height();
        const QTransform place = QTransform::fromTranslate(-source.left(), -source.top())
            * QTransform(ax.x(), ax.y(), ay.x(), ay.y(), topLeft.x(), topLeft.y());
        if (!usableTransform(place))
            return;
        QPolygonF corners;
        corners << topLeft << topRight << bottomLeft << (topRight + bottomLeft - topLeft);
        const ImageAttributes* attributes = get<ImageAttributes>(attributesId);
        const QRectF whole(QPointF(0, 0), QSizeF(image->bitmap.size()));
        const bool outside = !whole.contains(source.normalized());
        paint(corners.boundingRect(), [&](QPainter& p, const QTransform& t) {
            p.setTransform(place * t);
            if (attributes && outside) {
                // Where the source reaches past the image: tiles (mirrored
                // as the wrap mode says), or the clamp colour.
                const QImage tile = wrapTile(image->bitmap, attributes->wrapMode);
                if (!tile.isNull()) {
                    p.fillRect(source, QBrush(tile));
                    return;
                }
                if (attributes->wrapMode == kWrapClamp && attributes->clampColor.alpha() > 0) {
                    QPainterPath beyond, inside;
                    beyond.addRect(source.normalized());
                    inside.addRect(whole);
                    p.fillPath(beyond.subtracted(inside), attributes->clampColor);
                }
            }
            p.drawImage(source, image->bitmap, source);
        });
    }

    static constexpr std::uint32_t kWrapClamp = 4;
    static constexpr std::int64_t kMaxTilePixels = std::int64_t{1} << 24;

    // The repeating unit of a wrap mode: the image, mirrored beside and/or
    // below itself for the flipping modes; null for clamping (or when the
    // unit would be too large).
    static QImage wrapTile(const QImage& image, std::uint32_t wrapMode)
    {
        if (wrapMode > 3 || std::int64_t{image.width()} * image.height() * 4 > kMaxTilePixels)
            return {};
        const bool flipX = wrapMode == 1 || wrapMode == 3, flipY = wrapMode == 2 || wrapMode == 3;
        const QImage source = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QImage tile(source.width() * (flipX ? 2 : 1), source.height() * (flipY ? 2 : 1),
                    QImage::Format_ARGB32_Premultiplied);
        if (tile.isNull())
            return {};
        tile.fill(Qt::transparent);
        QPainter p(&tile);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(0, 0, source);
        if (flipX)
            p.drawImage(source.width(), 0, source.mirrored(true, false));
        if (flipY)
            p.drawImage(0, source.height(), source.mirrored(false, true));
        if (flipX && flipY)
            p.drawImage(source.width(), source.height(), source.mirrored(true, true));
        return tile;
    }

    // A metafile's source rectangle counts the pixels of its own reference
    // device (an enhanced metafile's frame) or the logical units of its
    // placeable box; a source that crops the picture clips it to the
    // parallelogram.
    void drawMetafile(const Image& image, const QRectF& source, QPointF topLeft, QPointF topRight, QPointF bottomLeft)
    {
        if (gNesting >= kMaxNesting || budgetSpent)
            return;
        // Unit square onto the parallelogram, then to the bitmap.
        const QTransform unit(topRight.x() - topLeft.x(), topRight.y() - topLeft.y(), bottomLeft.x() - topLeft.x(),
                              bottomLeft.y() - topLeft.y(), topLeft.x(), topLeft.y());
        const QTransform toBitmap = unit * worldToBitmap();
        if (!usableTransform(toBitmap) || !reasonable(toBitmap.mapRect(QRectF(0, 0, 1, 1))))
            return;
        // The part of the picture shown: the source when it is a real
        // rectangle, else the whole box.
        auto shown = [&](const QRectF& box) {
            const QRectF s = source.normalized();
            return s.width() > 0 && s.height() > 0 ? s : box;
        };
        // Whether the shown part leaves out some of the picture (a pixel's
        // slack for frames counted inclusively).
        auto crops = [](const QRectF& part, const QRectF& box) {
            return part.left() > box.left() + 1 || part.top() > box.top() + 1 || part.right() < box.right() - 1
                || part.bottom() < box.bottom() - 1;
        };
        std::span<const std::uint8_t> bytes = image.metafile;
        ++gNesting;
        if (image.metafileType >= 3) {
            EnhMetaHeader h;
            if (ReadEnhMetaHeader(bytes, h)) {
                gdi::DeviceMetrics metrics;
                if (h.devicePixelsX > 0 && h.devicePixelsY > 0 && h.deviceMillimetresX > 0
                    && h.deviceMillimetresY > 0) {
                    metrics.pixels = QSizeF(h.devicePixelsX, h.devicePixelsY);
                    metrics.millimetres = QSizeF(h.deviceMillimetresX, h.deviceMillimetresY);
                }
                const double pxX = metrics.pixels.width() / metrics.millimetres.width() / 100.0;
                const double pxY = metrics.pixels.height() / metrics.millimetres.height() / 100.0;
                double fx = h.frame.left * pxX, fy = h.frame.top * pxY;
                double fw = (double(h.frame.right) - h.frame.left) * pxX,
                       fh = (double(h.frame.bottom) - h.frame.top) * pxY;
                if (!(fw > 0) || !(fh > 0)) {
                    fx = h.bounds.left;
                    fy = h.bounds.top;
                    fw = double(h.bounds.right) - h.bounds.left;
                    fh = double(h.bounds.bottom) - h.bounds.top;
                }
                if (fw > 0 && fh > 0) {
                    const QRectF box(fx, fy, fw, fh), part = shown(box);
                    const QTransform playback = QTransform::fromTranslate(-part.left(), -part.top())
                        * QTransform::fromScale(1 / part.width(), 1 / part.height()) * toBitmap;
                    dc.beginPlayback();
                    clipNestedPlayback(toBitmap, crops(part, box));
                    dc.resetForPlayback(playback, metrics);
                    metafile::EmfPlayer(dc, bytes, h).play();
                    dc.endPlayback();
                }
            }
        } else {
            // A placeable header gives the picture's box; the records map into it.
            ByteReader r(bytes);
            double left = 0, top = 0, width = 0, height = 0;
            if (image.metafileType == 2 && r.u32() == 0x9AC6CDD7u) {
                r.u16();
                left = r.i16();
                top = r.i16();
                width = r.i16() - left;
                height = r.i16() - top;
                // Some writers pad the 22-byte placeable header to 24.
                std::size_t skip = 22;
                ByteReader at24(bytes, 24);
                ByteReader at22(bytes, 22);
                const std::uint16_t type22 = at22.u16(), words22 = at22.u16();
                const std::uint16_t type24 = at24.u16(), words24 = at24.u16();
                if (!((type22 == 1 || type22 == 2) && words22 == 9) && (type24 == 1 || type24 == 2) && words24 == 9)
                    skip = 24;
                bytes = bytes.subspan(std::min<std::size_t>(skip, bytes.size()));
            }
            const HGDIOBJ wmf = SetMetaFileBitsEx(bytes);
            if (wmf) {
                constexpr double kExtent = 1000;
                dc.beginPlayback();
                QRectF part;
                bool crop = false;
                if (width != 0 && height != 0) {
                    const QRectF box = QRectF(left, top, width, height).normalized();
                    part = shown(box);
                    if (width < 0)
                        part = QRectF(part.right(), part.top(), -part.width(), part.height());
                    if (height < 0)
                        part = QRectF(part.left(), part.bottom(), part.width(), -part.height());
                    crop = crops(part.normalized(), box);
                }
                clipNestedPlayback(toBitmap, crop);
                dc.resetForPlayback(QTransform::fromScale(1 / kExtent, 1 / kExtent) * toBitmap, gdi::DeviceMetrics{});
                dc.SetMapMode(gdi::MM_ANISOTROPIC);
                if (!part.isNull()) {
                    dc.SetWindowOrgEx(part.left(), part.top());
                    dc.SetWindowExtEx(part.width(), part.height());
                }
                dc.SetViewportExtEx(kExtent, kExtent);
                PlayMetaFile(dc, wmf);
                dc.endPlayback();
                DeleteMetaFile(wmf);
            }
        }
        --gNesting;
    }

    // Clips what the next playback draws to the EMF+ clip and, when the
    // source crops the picture, to the unit square under toBitmap (called
    // between beginPlayback and resetForPlayback, which keeps the clip).
    void clipNestedPlayback(const QTransform& toBitmap, bool crop)
    {
        if (!crop && !s.hasClip)
            return;
        dc.resetForPlayback(QTransform(), gdi::DeviceMetrics{}); // regions in bitmap pixels
        QPainterPath bitmap;
        bitmap.addRect(QRectF(QPointF(-2, -2), QSizeF(dc.size()) + QSizeF(4, 4)));
        if (crop) {
            QPainterPath square;
            square.addRect(QRectF(0, 0, 1, 1));
            const QRegion region = regionOf(toBitmap.map(square).intersected(bitmap));
            dc.ExtSelectClipRgn(&region, gdi::RGN_AND);
        }
        if (s.hasClip) {
            const QPainterPath clip = simplifiedFor(deviceToBitmap().map(s.clip), bitmap);
            QRegion region;
            if (dc.allowPixelWork(regionWork(clip, QTransform())))
                region = regionOf(clip.intersected(bitmap));
            dc.ExtSelectClipRgn(&region, gdi::RGN_AND);
        }
    }

    // ---- text
    double emSizeInWorld(const Font& font) const
    {
        if (font.unit == UnitWorld || font.unit == UnitDisplay || font.unit == UnitPixel)
            return font.emSize;
        const double page = unitToPixels(s.pageUnit, dpiY) * s.pageScale;
        return page > 0 ? font.emSize * unitToPixels(font.unit, dpiY) / page : font.emSize;
    }

    QFont qfont(const Font& font)
    {
        gdi::LogFont lf;
        lf.faceName = font.family;
        lf.height = -64;
        lf.weight = (font.style & 1) ? 700 : 400;
        lf.italic = font.style & 2;
        QFont f = fonts.face(lf).font;
        f.setPixelSize(64);
        f.setBold(font.style & 1);
        f.setItalic(font.style & 2);
        f.setUnderline(font.style & 4);
        f.setStrikeOut(font.style & 8);
        return f;
    }

    // The outlines of text laid out as QPainter::drawText(rect, align, text)
    // lays it out, for transforms the glyph cache cannot render.
    static QPainterPath textOutlines(const QFont& font, const QRectF& rect, int align, const QString& text)
    {
        QTextOption option(Qt::Alignment(align) & Qt::AlignHorizontal_Mask);
        option.setWrapMode((align & Qt::TextWordWrap) ? QTextOption::WordWrap : QTextOption::ManualWrap);
        QTextLayout layout(text, font);
        layout.setTextOption(option);
        layout.beginLayout();
        double height = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(rect.width());
            line.setPosition(QPointF(0, height));
            height += line.height();
        }
        layout.endLayout();
        double top = rect.top();
        if (align & Qt::AlignVCenter)
            top += (rect.height() - height) / 2;
        else if (align & Qt::AlignBottom)
            top += rect.height() - height;
        QPainterPath outlines;
        for (const QGlyphRun& run : layout.glyphRuns()) {
            const QRawFont raw = run.rawFont();
            const QList<quint32> indexes = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i) {
                QPainterPath glyph = raw.pathForGlyph(indexes[i]);
                glyph.translate(rect.left() + positions[i].x(), top + positions[i].y());
                outlines.addPath(glyph);
            }
        }
        outlines.setFillRule(Qt::WindingFill);
        return outlines;
    }

    bool onDrawString(const Rec& rec)
    {
        ByteReader r(rec.data);
        const std::uint32_t brushField = r.u32();
        const std::uint32_t formatId = r.u32();
        const std::uint32_t length = r.u32();
        const QRectF layout = readRect(r, false);
        if (!r.ok() || !r.has(length, 2))
            return false;
        QString text;
        for (std::uint32_t i = 0; i < length; ++i)
            text.append(QChar(r.u16()));
        const Font* font = get<Font>(rec.flags & 0xFF);
        auto brush = brushOf(rec.flags, brushField);
        if (!font || !brush || !dc.textEnabled() || text.isEmpty())
            return true;
        const StringFormat* format = get<StringFormat>(formatId);
        const double em = emSizeInWorld(*font);
        if (!(em > 0) || !std::isfinite(em))
            return true;
        const double k = em / 64.0;
        const QFont qf = qfont(*font);
        int align = 0;
        const std::uint32_t h = format ? format->alignment : 0, v = format ? format->lineAlignment : 0;
        align |= h == 1 ? Qt::AlignHCenter : h == 2 ? Qt::AlignRight : Qt::AlignLeft;
        align |= v == 1 ? Qt::AlignVCenter : v == 2 ? Qt::AlignBottom : Qt::AlignTop;
        const bool sized = layout.width() > 0 && layout.height() > 0;
        const std::uint32_t flags = format ? format->flags : 0;
        if (sized && !(flags & kFormatNoWrap))
            align |= Qt::TextWordWrap;
        // A sixth of an em is kept free at either end of the line.
        const double margin = em / 6.0;
        QRectF box = layout;
        if (layout.width() > 0)
            box.adjust(margin, 0, -margin, 0);
        QRectF bounds = sized
            ? layout
            : QRectF(layout.topLeft() - QPointF(em * text.size(), em * 2), QSizeF(em * text.size() * 2, em * 4));
        paint(
            bounds,
            [&](QPainter& p, const QTransform& t) {
            p.setTransform(QTransform::fromScale(k, k) * t);
            p.setFont(qf);
            p.setPen(QPen(qbrush(*brush, QTransform::fromScale(k, k) * t), 0));
            QRectF scaled(box.left() / k, box.top() / k, box.width() / k, box.height() / k);
            if (!sized) {
                // A point, not a box: the alignment is about the point.
                const double big = 1e6;
                scaled = QRectF(scaled.left()
                                    - (h == 1       ? big / 2
                                           : h == 2 ? big
                                                    : 0),
                                scaled.top()
                                    - (v == 1       ? big / 2
                                           : v == 2 ? big
                                                    : 0),
                                big, big);
            }
            if (sized && !(flags & kFormatNoClip))
                p.setClipRect(QRectF(layout.left() / k, layout.top() / k, layout.width() / k, layout.height() / k),
                              Qt::IntersectClip);
            if (gdi::GlyphsNeedOutlines(p.transform(), qf.pixelSize()))
                p.fillPath(textOutlines(qf, scaled, align, text), p.pen().brush());
            else
                p.drawText(scaled, align, text);
            },
            std::int64_t{text.size()} * 64);
        return true;
    }

    bool onDrawDriverString(const Rec& rec)
    {
        ByteReader r(rec.data);
        const std::uint32_t brushField = r.u32();
        const std::uint32_t options = r.u32();
        const std::uint32_t hasMatrix = r.u32();
        const std::uint32_t count = r.u32();
        if (!r.ok() || !r.has(count, 10))
            return false;
        std::vector<std::uint16_t> values(count);
        for (std::uint32_t i = 0; i < count; ++i)
            values[i] = r.u16();
        std::vector<QPointF> positions;
        if (!readPoints(r, count, false, false, positions))
            return false;
        QTransform matrix;
        if (hasMatrix) {
            matrix = readMatrix(r);
            if (!r.ok())
                return false;
        }
        const Font* font = get<Font>(rec.flags & 0xFF);
        auto brush = brushOf(rec.flags, brushField);
        if (!font || !brush || !dc.textEnabled() || count == 0)
            return true;
        const double em = emSizeInWorld(*font);
        if (!(em > 0) || !std::isfinite(em) || !finite(matrix))
            return true;
        const double k = em / 64.0;
        const bool characters = options & kDriverCmapLookup;
        const bool realized = options & kDriverRealizedAdvance;
        const QFont qf = qfont(*font);
        // Glyph indexes name glyphs of the recorded face; the face it maps
        // to stands in for it, so they are right where the two share their
        // glyph order.
        const QRawFont raw = characters ? QRawFont() : QRawFont::fromFont(qf);
        if (!characters && !raw.isValid())
            return true;

        // Positions in glyph space (the font at 64 pixels).
        QList<quint32> glyphs;
        QList<QPointF> at;
        std::vector<std::uint32_t> kept; // which record entries the glyphs are
        QString text;
        if (characters) {
            for (std::uint16_t v : values)
                text.append(QChar(v));
        } else {
            // Indexes past the face's glyphs would reach the rasteriser as
            // errors; they are left out.
            const QByteArray maxp = raw.fontTable("maxp");
            const std::uint32_t glyphCount =
                maxp.size() >= 6 ? (std::uint32_t(std::uint8_t(maxp[4])) << 8) | std::uint8_t(maxp[5]) : 0;
            for (std::uint32_t i = 0; i < count; ++i) {
                if (values[i] >= glyphCount)
                    continue;
                glyphs.append(values[i]);
                kept.push_back(i);
            }
            if (glyphs.isEmpty())
                return true;
            if (realized) {
                const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics);
                QPointF pen = positions[0] / k;
                for (qsizetype i = 0; i < glyphs.size(); ++i) {
                    at.append(pen);
                    if (i < advances.size())
                        pen += advances[i];
                }
            } else {
                for (std::uint32_t i : kept)
                    at.append(positions[i] / k);
            }
        }

        QRectF bounds;
        for (const QPointF& pt : positions)
            bounds |= QRectF(pt - QPointF(em, em * 2), QSizeF(em * 3, em * 3));
        if (realized)
            bounds |= QRectF(positions[0], QSizeF(em * count * 2, em));
        paint(
            matrix.mapRect(bounds),
            [&](QPainter& p, const QTransform& t) {
            const QTransform glyphSpace = QTransform::fromScale(k, k) * matrix * t;
            p.setTransform(glyphSpace);
            p.setFont(qf);
            p.setPen(QPen(qbrush(*brush, glyphSpace), 0));
            const bool outlines = gdi::GlyphsNeedOutlines(glyphSpace, qf.pixelSize());
            if (!characters) {
                if (outlines) {
                    QPainterPath shapes;
                    for (qsizetype i = 0; i < glyphs.size(); ++i) {
                        QPainterPath glyph = raw.pathForGlyph(glyphs[i]);
                        glyph.translate(at[i]);
                        shapes.addPath(glyph);
                    }
                    shapes.setFillRule(Qt::WindingFill);
                    p.fillPath(shapes, p.pen().brush());
                    return;
                }
                QGlyphRun run;
                run.setRawFont(raw);
                run.setGlyphIndexes(glyphs);
                run.setPositions(at);
                p.drawGlyphRun(QPointF(0, 0), run);
                return;
            }
            if (outlines) {
                QPainterPath shapes;
                if (realized) {
                    shapes.addText(positions[0] / k, qf, text);
                } else {
                    for (std::uint32_t i = 0; i < count; ++i)
                        shapes.addText(positions[i] / k, qf, QString(text[static_cast<qsizetype>(i)]));
                }
                p.fillPath(shapes, p.pen().brush());
                return;
            }
            if (realized) {
                p.drawText(positions[0] / k, text);
                return;
            }
            for (std::uint32_t i = 0; i < count; ++i)
                p.drawText(positions[i] / k, QString(text[static_cast<qsizetype>(i)]));
            },
            std::int64_t{count} * 64);
        return true;
    }

    // ---- state
    bool onSetAntiAliasMode(const Rec& rec)
    {
        s.antialias = rec.flags & 1;
        return true;
    }
    bool onSetTextRenderingHint(const Rec& rec)
    {
        const int hint = rec.flags & 0xFF;
        s.textAntialias = hint != 1 && hint != 2;
        return true;
    }
    bool onSetInterpolationMode(const Rec& rec)
    {
        s.smoothImages = (rec.flags & 0xFF) != 5;
        return true;
    }
    bool onSetCompositingMode(const Rec& rec)
    {
        s.copyMode = (rec.flags & 0xFF) == 1;
        return true;
    }

    bool push(std::uint32_t index)
    {
        if (stack.size() >= kMaxStates)
            return false; // saves that never end: the picture is not sound
        stack.push_back({index, s});
        return true;
    }
    // Back to the state saved under index; later saves are dropped with it.
    void pop(std::uint32_t index)
    {
        for (std::size_t i = stack.size(); i-- > 0;) {
            if (stack[i].index == index) {
                s = std::move(stack[i].state);
                stack.resize(i);
                return;
            }
        }
    }

    bool onSave(const Rec& rec)
    {
        ByteReader r(rec.data);
        const std::uint32_t index = r.u32();
        return r.ok() && push(index);
    }
    bool onRestore(const Rec& rec)
    {
        ByteReader r(rec.data);
        const std::uint32_t index = r.u32();
        if (!r.ok())
            return false;
        pop(index);
        return true;
    }
    bool onBeginContainer(const Rec& rec)
    {
        ByteReader r(rec.data);
        const QRectF dest = readRect(r, false);
        const QRectF source = readRect(r, false);
        const std::uint32_t index = r.u32();
        if (!r.ok() || !push(index))
            return false;
        // The source rectangle (in the record's unit) onto the destination.
        const double unit = unitToPixels((rec.flags >> 8) & 0xFF, dpiX);
        const double page = unitToPixels(s.pageUnit, dpiX) * s.pageScale;
        if (source.width() != 0 && source.height() != 0 && page > 0) {
            const double sx = dest.width() / source.width() * unit / page;
            const double sy = dest.height() / source.height() * unit / page;
            const QTransform container = QTransform::fromTranslate(-source.left(), -source.top())
                * QTransform::fromScale(sx, sy) * QTransform::fromTranslate(dest.left(), dest.top());
            if (usableTransform(container))
                s.world = container * s.world;
        }
        return true;
    }
    bool onBeginContainerNoParams(const Rec& rec) { return onSave(rec); }
    bool onEndContainer(const Rec& rec) { return onRestore(rec); }

    bool setWorld(const QTransform& t)
    {
        if (finite(t))
            s.world = t;
        return true;
    }
    bool multiply(const Rec& rec, const QTransform& m)
    {
        return setWorld((rec.flags & kFlagPostMultiply) ? s.world * m : m * s.world);
    }
    bool onSetWorldTransform(const Rec& rec)
    {
        ByteReader r(rec.data);
        const QTransform t = readMatrix(r);
        return r.ok() && setWorld(t);
    }
    bool onResetWorldTransform(const Rec&) { return setWorld(QTransform()); }
    bool onMultiplyWorldTransform(const Rec& rec)
    {
        ByteReader r(rec.data);
        const QTransform t = readMatrix(r);
        return r.ok() && multiply(rec, t);
    }
    bool onTranslateWorldTransform(const Rec& rec)
    {
        ByteReader r(rec.data);
        const double dx = r.f32(), dy = r.f32();
        return r.ok() && multiply(rec, QTransform::fromTranslate(dx, dy));
    }
    bool onScaleWorldTransform(const Rec& rec)
    {
        ByteReader r(rec.data);
        const double sx = r.f32(), sy = r.f32();
        return r.ok() && multiply(rec, QTransform::fromScale(sx, sy));
    }
    bool onRotateWorldTransform(const Rec& rec)
    {
        ByteReader r(rec.data);
        const double angle = r.f32();
        if (!r.ok())
            return false;
        if (!std::isfinite(angle))
            return true;
        QTransform t;
        t.rotate(angle);
        return multiply(rec, t);
    }
    bool onSetPageTransform(const Rec& rec)
    {
        ByteReader r(rec.data);
        const double scale = r.f32();
        if (!r.ok())
            return false;
        if (std::isfinite(scale) && scale > 0 && scale < 1e6) {
            s.pageUnit = rec.flags & 0xFF;
            s.pageScale = scale;
        }
        return true;
    }

    bool onResetClip(const Rec&)
    {
        s.hasClip = false;
        s.clip = {};
        return true;
    }
    bool onSetClipRect(const Rec& rec)
    {
        ByteReader r(rec.data);
        const QRectF rect = readRect(r, false);
        if (!r.ok())
            return false;
        QPainterPath path;
        path.addRect(rect);
        combineClip(path, false, (rec.flags >> 8) & 0x0F);
        return true;
    }
    bool onSetClipPath(const Rec& rec)
    {
        const Path* path = get<Path>(rec.flags & 0xFF);
        if (path)
            combineClip(path->path, false, (rec.flags >> 8) & 0x0F);
        return true;
    }
    bool onSetClipRegion(const Rec& rec)
    {
        const Region* region = get<Region>(rec.flags & 0xFF);
        if (region)
            combineClip(region->path, region->infinite, (rec.flags >> 8) & 0x0F);
        return true;
    }
    bool onOffsetClip(const Rec& rec)
    {
        ByteReader r(rec.data);
        const double dx = r.f32(), dy = r.f32();
        if (!r.ok())
            return false;
        if (s.hasClip && std::isfinite(dx) && std::isfinite(dy)) {
            // The offset is in world units; the clip is kept in device pixels.
            const QPointF o = worldToDevice().map(QPointF(dx, dy)) - worldToDevice().map(QPointF(0, 0));
            s.clip.translate(o);
        }
        return true;
    }
};

namespace {

using Handler = EmfPlusPlayer::Impl::Handler;
using Impl = EmfPlusPlayer::Impl;

const std::array<Handler, 64>& handlers()
{
    static const std::array<Handler, 64> table = [] {
        std::array<Handler, 64> t{};
        t.fill(&Impl::onIgnored); // comments, multi-format sections, terminal-server records
        auto set = [&](std::uint16_t type, Handler h) { t[type & 0x3F] = h; };
        set(RecHeader, &Impl::onHeader);
        set(RecEndOfFile, &Impl::onEndOfFile);
        set(RecGetDC, &Impl::onGetDC);
        set(RecObject, &Impl::onObject);
        set(RecClear, &Impl::onClear);
        set(RecFillRects, &Impl::onFillRects);
        set(RecDrawRects, &Impl::onDrawRects);
        set(RecFillPolygon, &Impl::onFillPolygon);
        set(RecDrawLines, &Impl::onDrawLines);
        set(RecFillEllipse, &Impl::onEllipse);
        set(RecDrawEllipse, &Impl::onEllipse);
        set(RecFillPie, &Impl::onArcLike);
        set(RecDrawPie, &Impl::onArcLike);
        set(RecDrawArc, &Impl::onArcLike);
        set(RecFillRegion, &Impl::onFillRegion);
        set(RecFillPath, &Impl::onFillPath);
        set(RecDrawPath, &Impl::onDrawPath);
        set(RecFillClosedCurve, &Impl::onClosedCurve);
        set(RecDrawClosedCurve, &Impl::onClosedCurve);
        set(RecDrawCurve, &Impl::onDrawCurve);
        set(RecDrawBeziers, &Impl::onDrawBeziers);
        set(RecDrawImage, &Impl::onDrawImage);
        set(RecDrawImagePoints, &Impl::onDrawImagePoints);
        set(RecDrawString, &Impl::onDrawString);
        set(RecSetAntiAliasMode, &Impl::onSetAntiAliasMode);
        set(RecSetTextRenderingHint, &Impl::onSetTextRenderingHint);
        set(RecSetInterpolationMode, &Impl::onSetInterpolationMode);
        set(RecSetCompositingMode, &Impl::onSetCompositingMode);
        set(RecSave, &Impl::onSave);
        set(RecRestore, &Impl::onRestore);
        set(RecBeginContainer, &Impl::onBeginContainer);
        set(RecBeginContainerNoParams, &Impl::onBeginContainerNoParams);
        set(RecEndContainer, &Impl::onEndContainer);
        set(RecSetWorldTransform, &Impl::onSetWorldTransform);
        set(RecResetWorldTransform, &Impl::onResetWorldTransform);
        set(RecMultiplyWorldTransform, &Impl::onMultiplyWorldTransform);
        set(RecTranslateWorldTransform, &Impl::onTranslateWorldTransform);
        set(RecScaleWorldTransform, &Impl::onScaleWorldTransform);
        set(RecRotateWorldTransform, &Impl::onRotateWorldTransform);
        set(RecSetPageTransform, &Impl::onSetPageTransform);
        set(RecResetClip, &Impl::onResetClip);
        set(RecSetClipRect, &Impl::onSetClipRect);
        set(RecSetClipPath, &Impl::onSetClipPath);
        set(RecSetClipRegion, &Impl::onSetClipRegion);
        set(RecOffsetClip, &Impl::onOffsetClip);
        set(RecDrawDriverString, &Impl::onDrawDriverString);
        return t;
    }();
    return table;
}

// The EMF+ records of a comment record, or empty when it carries none.
std::span<const std::uint8_t> emfPlusPayload(std::span<const std::uint8_t> record)
{
    ByteReader r(record, 8);
    const std::uint32_t length = r.u32();
    const std::uint32_t tag = r.u32();
    if (!r.ok() || tag != kEmfPlusTag || length < 4 || length - 4 > r.remaining())
        return {};
    return record.subspan(16, length - 4);
}

} // namespace

bool EmfPlusPlayer::Impl::play(const Rec& rec)
{
    if (pending.active && rec.type != RecObject)
        return false; // a continued object was cut short
    if (rec.type < RecHeader || rec.type > RecLast)
        return true; // unknown records are skipped by their size
    return (this->*handlers()[rec.type & 0x3F])(rec);
}

EmfPlusPlayer::EmfPlusPlayer(DeviceContext& dc, const EnhMetaHeader& header, std::size_t fileBytes)
    : d(std::make_unique<Impl>(dc, header, fileBytes))
{
}

EmfPlusPlayer::~EmfPlusPlayer()
{
    d->closeSection(); // playback stopped inside a section
}

EmfPlusPlayer::Route EmfPlusPlayer::route(std::uint32_t emfType, std::span<const std::uint8_t> record)
{
    if (emfType == EMR_GDICOMMENT) {
        const auto payload = emfPlusPayload(record);
        if (payload.empty())
            return d->inGetDC ? Route::Play : Route::Skip;
        d->inGetDC = false;
        d->closeSection();
        if (d->ended)
            return Route::Skip;
        std::size_t pos = 0;
        while (pos < payload.size()) {
            ByteReader r(payload, pos);
            Impl::Rec rec;
            rec.type = r.u16();
            rec.flags = r.u16();
            const std::uint32_t size = r.u32();
            const std::uint32_t dataSize = r.u32();
            if (!r.ok() || size < 12 || size % 4 != 0 || size > payload.size() - pos || dataSize > size - 12)
                return Route::Stop;
            rec.data = payload.subspan(pos + 12, dataSize);
            if (!d->play(rec))
                return Route::Stop;
            pos += size;
            if (d->ended)
                break;
        }
        return Route::Skip;
    }
    if (emfType == EMR_HEADER)
        return Route::Skip;
    if (emfType == EMR_EOF) {
        d->closeSection();
        return d->pending.active ? Route::Stop : Route::Play;
    }
    if (!d->inGetDC)
        return Route::Skip;
    d->openSection();
    return Route::Play;
}

bool EmfPlusPlayer::drawsFromEmfPlus(std::span<const std::uint8_t> bytes, const EnhMetaHeader& header)
{
    // The EMF+ header comes in the first record after the EMF header.
    std::size_t pos = header.size;
    ByteReader r(bytes, pos);
    const std::uint32_t type = r.u32();
    const std::uint32_t size = r.u32();
    if (!r.ok() || type != EMR_GDICOMMENT || size < 28 || size > bytes.size() - pos)
        return false;
    const auto payload = emfPlusPayload(bytes.subspan(pos, size));
    ByteReader h(payload);
    if (h.u16() != RecHeader)
        return false;
    const std::uint16_t flags = h.u16();
    if (!h.ok())
        return false;
    if (!(flags & kFlagDualHeader) || gNesting > 0 || GetEmfPlusPreference() == EmfPlusPreference::EmfPlus)
        return true;
    // A dual file: its fallback draws unless it has nothing to draw.
    while (pos < bytes.size()) {
        ByteReader rr(bytes, pos);
        const std::uint32_t t = rr.u32();
        const std::uint32_t s = rr.u32();
        if (!rr.ok() || s < 8 || s > bytes.size() - pos || t == EMR_EOF)
            break;
        if (drawsSomething(t))
            return false;
        pos += s;
    }
    return true;
}

} // namespace plat::emfplus
