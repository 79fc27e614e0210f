#include "metafile/EmfPlusObjects.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <cmath>

namespace plat::emfplus {

namespace {

// Brush data flags.
constexpr std::uint32_t kBrushPath = 0x01;
constexpr std::uint32_t kBrushTransform = 0x02;
constexpr std::uint32_t kBrushPresetColors = 0x04;
constexpr std::uint32_t kBrushBlendFactorsH = 0x08;
constexpr std::uint32_t kBrushBlendFactorsV = 0x10;
constexpr std::uint32_t kBrushFocusScales = 0x40;

// Pen data flags.
constexpr std::uint32_t kPenTransform = 0x0001;
constexpr std::uint32_t kPenStartCap = 0x0002;
constexpr std::uint32_t kPenEndCap = 0x0004;
constexpr std::uint32_t kPenJoin = 0x0008;
constexpr std::uint32_t kPenMiterLimit = 0x0010;
constexpr std::uint32_t kPenLineStyle = 0x0020;
constexpr std::uint32_t kPenDashedLineCap = 0x0040;
constexpr std::uint32_t kPenDashedLineOffset = 0x0080;
constexpr std::uint32_t kPenDashedLine = 0x0100;
constexpr std::uint32_t kPenNonCenter = 0x0200;
constexpr std::uint32_t kPenCompoundLine = 0x0400;
constexpr std::uint32_t kPenCustomStartCap = 0x0800;
constexpr std::uint32_t kPenCustomEndCap = 0x1000;

// Path point flags (the low 16 bits of the path's flags field).
constexpr std::uint32_t kPathRle = 0x1000;
constexpr std::uint32_t kPathCompressed = 0x4000;
constexpr std::uint32_t kPathRelative = 0x0800;

// Region node types.
constexpr std::uint32_t kNodeAnd = 1, kNodeOr = 2, kNodeXor = 3, kNodeExclude = 4, kNodeComplement = 5;
constexpr std::uint32_t kNodeRect = 0x10000000, kNodePath = 0x10000001, kNodeEmpty = 0x10000002,
                        kNodeInfinite = 0x10000003;

// Caps on what one object may ask for.
constexpr std::uint32_t kMaxPathPoints = 1u << 20;
constexpr std::uint32_t kMaxStops = 4096;
constexpr int kMaxRegionDepth = 32;
constexpr double kHuge = 1e7; // stands in for an infinite region
constexpr int kMaxBooleanElements = 20000;

QPointF readPointF(ByteReader& r)
{
    const double x = r.f32();
    const double y = r.f32();
    return {x, y};
}

bool finiteValue(double v) { return std::isfinite(v) && std::fabs(v) < 1e9; }

// A 7-bit or 15-bit signed step of a relative point.
std::int32_t readRelative(ByteReader& r)
{
    const std::uint8_t first = r.u8();
    if (!(first & 0x80))
        return (first & 0x40) ? static_cast<std::int32_t>(first) - 0x80 : first;
    const std::uint32_t v = (static_cast<std::uint32_t>(first & 0x7F) << 8) | r.u8();
    return (v & 0x4000) ? static_cast<std::int32_t>(v) - 0x8000 : static_cast<std::int32_t>(v);
}

bool readBlend(ByteReader& r, bool colors, const QColor& from, const QColor& to, std::vector<GradientStop>& stops)
{
    const std::uint32_t count = r.u32();
    if (!r.ok() || count > kMaxStops || !r.has(count, 8))
        return false;
    std::vector<double> positions(count);
    for (auto& p : positions)
        p = r.f32();
    stops.clear();
    for (std::uint32_t i = 0; i < count; ++i) {
        GradientStop stop;
        stop.position = std::clamp(finiteValue(positions[i]) ? positions[i] : 0.0, 0.0, 1.0);
        if (colors) {
            stop.color = argbColor(r.u32());
        } else {
            double f = r.f32();
            f = std::clamp(finiteValue(f) ? f : 0.0, 0.0, 1.0);
            stop.color = QColor::fromRgbF(from.redF() + (to.redF() - from.redF()) * f,
                                          from.greenF() + (to.greenF() - from.greenF()) * f,
                                          from.blueF() + (to.blueF() - from.blueF()) * f,
                                          from.alphaF() + (to.alphaF() - from.alphaF()) * f);
        }
        stops.push_back(stop);
    }
    return r.ok();
}

bool readPath(ByteReader& r, Path& out);
std::optional<Image> readImage(ByteReader& r, std::int64_t maxPixels);

bool readBrush(ByteReader& r, Brush& b, std::int64_t maxPixels)
{
    r.u32(); // version
    b.type = r.u32();
    if (!r.ok())
        return false;
    switch (b.type) {
    case BrushSolid: b.color = argbColor(r.u32()); return r.ok();
    case BrushHatch:
        b.hatchStyle = r.u32();
        b.color = argbColor(r.u32());
        b.background = argbColor(r.u32());
        return r.ok();
    case BrushTexture: {
        const std::uint32_t flags = r.u32();
        b.wrapMode = r.u32();
        if (flags & kBrushTransform)
            b.transform = readMatrix(r);
        if (!r.ok())
            return false;
        if (r.remaining() > 0) {
            auto image = readImage(r, maxPixels);
            if (image)
                b.texture = std::make_shared<const Image>(std::move(*image));
        }
        return r.ok();
    }
    case BrushLinearGradient: {
        const std::uint32_t flags = r.u32();
        b.wrapMode = r.u32();
        const double x = r.f32(), y = r.f32(), w = r.f32(), h = r.f32();
        b.rect = QRectF(x, y, w, h);
        b.color = argbColor(r.u32());
        b.background = argbColor(r.u32());
        r.u32(); // reserved
        r.u32();
        if (flags & kBrushTransform)
            b.transform = readMatrix(r);
        b.stops = {{0, b.color}, {1, b.background}};
        if ((flags & kBrushPresetColors) && !readBlend(r, true, b.color, b.background, b.stops))
            return false;
        if (!(flags & kBrushPresetColors) && (flags & kBrushBlendFactorsH)
            && !readBlend(r, false, b.color, b.background, b.stops))
            return false;
        if (flags & kBrushBlendFactorsV) {
            std::vector<GradientStop> ignored; // vertical factors are not drawn
            if (!readBlend(r, false, b.color, b.background, ignored))
                return false;
        }
        return r.ok() && finiteValue(x) && finiteValue(y) && finiteValue(w) && finiteValue(h);
    }
    case BrushPathGradient: {
        const std::uint32_t flags = r.u32();
        b.wrapMode = r.u32();
        b.color = argbColor(r.u32()); // centre colour
        b.center = readPointF(r);
        const std::uint32_t surrounding = r.u32();
        if (!r.ok() || surrounding > kMaxStops || !r.has(surrounding, 4))
            return false;
        // The boundary takes the average of its colours.
        double sr = 0, sg = 0, sb = 0, sa = 0;
        for (std::uint32_t i = 0; i < surrounding; ++i) {
            const QColor c = argbColor(r.u32());
            sr += c.redF();
            sg += c.greenF();
            sb += c.blueF();
            sa += c.alphaF();
        }
        b.background = surrounding
            ? QColor::fromRgbF(sr / surrounding, sg / surrounding, sb / surrounding, sa / surrounding)
            : b.color;
        if (flags & kBrushPath) {
            const std::uint32_t size = r.u32();
            ByteReader sub(r.bytes(size));
            Path path;
            if (!r.ok() || !readPath(sub, path))
                return false;
            b.boundary = path.path;
        } else {
            const std::uint32_t count = r.u32();
            if (!r.ok() || count > kMaxPathPoints || !r.has(count, 8))
                return false;
            QPolygonF polygon;
            for (std::uint32_t i = 0; i < count; ++i)
                polygon << readPointF(r);
            b.boundary.addPolygon(polygon);
            b.boundary.closeSubpath();
        }
        if (flags & kBrushTransform)
            b.transform = readMatrix(r);
        b.stops = {{0, b.background}, {1, b.color}};
        if ((flags & kBrushPresetColors) && !readBlend(r, true, b.background, b.color, b.stops))
            return false;
        if (!(flags & kBrushPresetColors) && (flags & kBrushBlendFactorsH)
            && !readBlend(r, false, b.background, b.color, b.stops))
            return false;
        if (flags & kBrushFocusScales) {
            r.u32();
            r.f32();
            r.f32();
        }
        return r.ok() && finiteValue(b.center.x()) && finiteValue(b.center.y());
    }
    default: return false;
    }
}

bool readCustomCap(ByteReader& r, LineCap& cap)
{
    const std::uint32_t size = r.u32();
    ByteReader c(r.bytes(size));
    if (!r.ok())
        return false;
    c.u32(); // version
    const std::uint32_t type = c.u32();
    if (!c.ok())
        return false;
    if (type == 1) { // adjustable arrow
        cap.arrow = true;
        cap.arrowWidth = c.f32();
        cap.arrowHeight = c.f32();
        cap.arrowInset = c.f32();
        cap.arrowFilled = c.u32() != 0;
        if (!c.ok() || !finiteValue(cap.arrowWidth) || !finiteValue(cap.arrowHeight) || !finiteValue(cap.arrowInset))
            cap.arrow = false;
    } else {
        // A default custom cap: a fill path or a line path in cap space.
        const std::uint32_t flags = c.u32();
        cap.type = c.u32(); // base cap
        c.f32();            // base inset
        c.skip(16);         // stroke caps, join, miter limit
        const double scale = c.f32();
        c.skip(16); // hot spots
        if (!c.ok()) {
            cap.type = 0;
            return true;
        }
        cap.widthScale = finiteValue(scale) && scale > 0 && scale < 100 ? scale : 1;
        for (std::uint32_t bit : {1u, 2u}) {
            if (!(flags & bit))
                continue;
            const std::uint32_t pathSize = c.u32();
            ByteReader sub(c.bytes(pathSize));
            Path path;
            if (!c.ok() || !readPath(sub, path))
                return true;
            if (cap.custom.isEmpty()) {
                cap.custom = path.path;
                cap.customFilled = bit == 1;
            }
        }
    }
    return true;
}

bool readFloats(ByteReader& r, std::vector<double>& out)
{
    const std::uint32_t count = r.u32();
    if (!r.ok() || count > kMaxStops || !r.has(count, 4))
        return false;
    out.resize(count);
    for (auto& v : out) {
        v = r.f32();
        if (!finiteValue(v))
            v = 0;
    }
    return true;
}

bool readPen(ByteReader& r, Pen& p, std::int64_t maxPixels)
{
    r.u32(); // version
    r.u32(); // type
    const std::uint32_t flags = r.u32();
    p.unit = r.u32();
    p.width = r.f32();
    if (!r.ok() || !finiteValue(p.width))
        return false;
    if (flags & kPenTransform)
        p.transform = readMatrix(r);
    if (flags & kPenStartCap)
        p.startCap.type = r.u32();
    if (flags & kPenEndCap)
        p.endCap.type = r.u32();
    if (flags & kPenJoin)
        p.join = r.u32();
    if (flags & kPenMiterLimit) {
        const double m = r.f32();
        p.miterLimit = finiteValue(m) && m > 0 ? m : 10;
    }
    if (flags & kPenLineStyle)
        p.lineStyle = r.u32();
    if (flags & kPenDashedLineCap)
        p.dashCap = r.u32();
    if (flags & kPenDashedLineOffset) {
        const double o = r.f32();
        p.dashOffset = finiteValue(o) ? o : 0;
    }
    if ((flags & kPenDashedLine) && !readFloats(r, p.dashes))
        return false;
    if (flags & kPenNonCenter)
        p.alignment = r.u32();
    if ((flags & kPenCompoundLine) && !readFloats(r, p.compound))
        return false;
    if ((flags & kPenCustomStartCap) && !readCustomCap(r, p.startCap))
        return false;
    if ((flags & kPenCustomEndCap) && !readCustomCap(r, p.endCap))
        return false;
    return r.ok() && readBrush(r, p.brush, maxPixels);
}

bool readPath(ByteReader& r, Path& out)
{
    r.u32(); // version
    const std::uint32_t count = r.u32();
    const std::uint32_t flags = r.u32();
    if (!r.ok() || count > kMaxPathPoints)
        return false;
    std::vector<QPointF> points;
    if (!readPoints(r, count, flags & kPathCompressed, flags & kPathRelative, points))
        return false;
    std::vector<std::uint8_t> types;
    types.reserve(count);
    if (flags & kPathRle) {
        while (types.size() < count) {
            const std::uint16_t v = r.u16();
            if (!r.ok())
                return false;
            std::uint8_t type = static_cast<std::uint8_t>(v & 0xFF);
            if (v & 0x8000)
                type = static_cast<std::uint8_t>((type & 0xF0) | 3);
            const std::uint32_t run = std::max<std::uint32_t>((v >> 8) & 0x3F, 1);
            for (std::uint32_t i = 0; i < run && types.size() < count; ++i)
                types.push_back(type);
        }
    } else {
        const auto bytes = r.bytes(count);
        if (!r.ok())
            return false;
        types.assign(bytes.begin(), bytes.end());
    }
    QPainterPath& path = out.path;
    path.setFillRule(Qt::OddEvenFill);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const std::uint8_t t = types[i];
        const int kind = t & 0x0F;
        if (kind == 0 || path.elementCount() == 0) {
            path.moveTo(points[i]);
        } else if (kind == 3 && i + 2 < points.size()) {
            path.cubicTo(points[i], points[i + 1], points[i + 2]);
            i += 2;
        } else {
            path.lineTo(points[i]);
        }
        if (types[std::min(i, types.size() - 1)] & 0x80)
            path.closeSubpath();
    }
    return true;
}

QPainterPath hugeRect()
{
    QPainterPath p;
    p.addRect(QRectF(-kHuge, -kHuge, 2 * kHuge, 2 * kHuge));
    return p;
}

bool readRegionNode(ByteReader& r, Region& out, int depth, int& budget)
{
    if (depth > kMaxRegionDepth || --budget < 0)
        return false;
    const std::uint32_t type = r.u32();
    if (!r.ok())
        return false;
    switch (type) {
    case kNodeRect: {
        const double x = r.f32(), y = r.f32(), w = r.f32(), h = r.f32();
        if (!r.ok() || !finiteValue(x) || !finiteValue(y) || !finiteValue(w) || !finiteValue(h))
            return false;
        out.path.addRect(QRectF(x, y, w, h));
        return true;
    }
    case kNodePath: {
        const std::uint32_t size = r.u32();
        ByteReader sub(r.bytes(size));
        Path path;
        if (!r.ok() || !readPath(sub, path))
            return false;
        out.path = path.path;
        out.path.setFillRule(Qt::WindingFill);
        return true;
    }
    case kNodeEmpty: return true;
    case kNodeInfinite: out.infinite = true; return true;
    case kNodeAnd:
    case kNodeOr:
    case kNodeXor:
    case kNodeExclude:
    case kNodeComplement: {
        Region left, right;
        if (!readRegionNode(r, left, depth + 1, budget) || !readRegionNode(r, right, depth + 1, budget))
            return false;
        QPainterPath a = left.infinite ? hugeRect() : left.path;
        QPainterPath b = right.infinite ? hugeRect() : right.path;
        if (a.elementCount() + b.elementCount() > kMaxBooleanElements) {
            // Too large to combine exactly: their bounding boxes stand in.
            QPainterPath boxA, boxB;
            boxA.addRect(a.controlPointRect());
            boxB.addRect(b.controlPointRect());
            a = boxA;
            b = boxB;
        }
        switch (type) {
        case kNodeAnd:
            out.infinite = left.infinite && right.infinite;
            out.path = left.infinite ? b : right.infinite ? a : a.intersected(b);
            break;
        case kNodeOr:
            out.infinite = left.infinite || right.infinite;
            if (!out.infinite)
                out.path = a.united(b);
            break;
        case kNodeXor: out.path = a.subtracted(b).united(b.subtracted(a)); break;
        case kNodeExclude: out.path = a.subtracted(b); break;
        default: out.path = b.subtracted(a); break;
        }
        return true;
    }
    default: return false;
    }
}

// Pixel formats: bits per pixel in bits 8..15, palette in bit 16.
constexpr std::uint32_t kFormat1Indexed = 0x00030101;
constexpr std::uint32_t kFormat4Indexed = 0x00030402;
constexpr std::uint32_t kFormat8Indexed = 0x00030803;
constexpr std::uint32_t kFormat16Rgb555 = 0x00021005;
constexpr std::uint32_t kFormat16Rgb565 = 0x00021006;
constexpr std::uint32_t kFormat16Argb1555 = 0x00061007;
constexpr std::uint32_t kFormat24Rgb = 0x00021808;
constexpr std::uint32_t kFormat32Rgb = 0x00022009;
constexpr std::uint32_t kFormat32Argb = 0x0026200A;
constexpr std::uint32_t kFormat32Pargb = 0x000E200B;
constexpr std::uint32_t kFormat16Gray = 0x00101004;
constexpr std::uint32_t kFormat48Rgb = 0x0010300C;
constexpr std::uint32_t kFormat64Argb = 0x0034400D;
constexpr std::uint32_t kFormat64Pargb = 0x001A400E;

bool decodePixels(ByteReader& r, std::int32_t width, std::int32_t height, std::int32_t stride, std::uint32_t format,
                  QImage& out)
{
    std::vector<QRgb> palette;
    if (format == kFormat1Indexed || format == kFormat4Indexed || format == kFormat8Indexed) {
        r.u32(); // palette style
        const std::uint32_t count = r.u32();
        if (!r.ok() || count > 256 || !r.has(count, 4))
            return false;
        for (std::uint32_t i = 0; i < count; ++i)
            palette.push_back(argbColor(r.u32()).rgba());
    }
    const int bits = static_cast<int>((format >> 8) & 0xFF);
    const std::int64_t minStride = (std::int64_t{width} * bits + 7) / 8;
    if (stride < minStride || !r.has(static_cast<std::uint64_t>(stride), static_cast<std::uint64_t>(height)))
        return false;
    out = QImage(width, height, QImage::Format_ARGB32);
    if (out.isNull())
        return false;
    const auto data = r.bytes(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = data.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < width; ++x) {
            QRgb c = qRgb(0, 0, 0);
            switch (format) {
            case kFormat1Indexed:
            case kFormat4Indexed:
            case kFormat8Indexed: {
                const int bit = x * bits;
                const int index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
                c = static_cast<std::size_t>(index) < palette.size() ? palette[static_cast<std::size_t>(index)]
                                                                     : qRgb(0, 0, 0);
                break;
            }
            case kFormat16Rgb555:
            case kFormat16Argb1555:
            case kFormat16Rgb565: {
                const unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
                if (format == kFormat16Rgb565)
                    c = qRgb(((v >> 11) & 31) * 255 / 31, ((v >> 5) & 63) * 255 / 63, (v & 31) * 255 / 31);
                else
                    c = qRgba(((v >> 10) & 31) * 255 / 31, ((v >> 5) & 31) * 255 / 31, (v & 31) * 255 / 31,
                              format == kFormat16Argb1555 && !(v & 0x8000) ? 0 : 255);
                break;
            }
            case kFormat24Rgb: c = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]); break;
            case kFormat32Rgb: c = qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]); break;
            case kFormat32Argb: c = qRgba(row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]); break;
            case kFormat32Pargb: {
                const int a = row[4 * x + 3];
                auto un = [a](int v) { return a ? std::min(255, v * 255 / a) : 0; };
                c = qRgba(un(row[4 * x + 2]), un(row[4 * x + 1]), un(row[4 * x]), a);
                break;
            }
            case kFormat16Gray: c = qRgb(row[2 * x + 1], row[2 * x + 1], row[2 * x + 1]); break;
            case kFormat48Rgb: c = qRgb(row[6 * x + 5], row[6 * x + 3], row[6 * x + 1]); break;
            case kFormat64Argb:
            case kFormat64Pargb: {
                const int a = row[8 * x + 7];
                auto un = [a, format](int v) {
                    return format == kFormat64Argb ? v : a ? std::min(255, v * 255 / a) : 0;
                };
                c = qRgba(un(row[8 * x + 5]), un(row[8 * x + 3]), un(row[8 * x + 1]), a);
                break;
            }
            default: return false;
            }
            dst[x] = c;
        }
    }
    return true;
}

std::optional<Image> readImage(ByteReader& r, std::int64_t maxPixels)
{
    r.u32(); // version
    const std::uint32_t type = r.u32();
    if (!r.ok())
        return std::nullopt;
    Image image;
    if (type == 1) {
        const std::int32_t width = r.i32(), height = r.i32(), stride = r.i32();
        const std::uint32_t format = r.u32();
        const std::uint32_t dataType = r.u32();
        if (!r.ok())
            return std::nullopt;
        if (dataType == 1) {
            // Compressed images (PNG, JPEG, GIF...) carry their own size.
            const auto bytes = r.bytes(r.remaining());
            QByteArray data(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
            QBuffer buffer(&data);
            QImageReader reader(&buffer);
            const QSize size = reader.size();
            if (size.isValid() && std::int64_t{size.width()} * size.height() > maxPixels)
                return image;
            reader.setAllocationLimit(256);
            image.bitmap = reader.read().convertToFormat(QImage::Format_ARGB32);
        } else {
            if (width <= 0 || height <= 0 || width > 32768 || height > 32768)
                return std::nullopt;
            if (std::int64_t{width} * height > maxPixels)
                return image; // over budget: an empty bitmap that draws nothing
            const std::uint32_t known[] = {kFormat1Indexed, kFormat4Indexed,   kFormat8Indexed, kFormat16Rgb555,
                                           kFormat16Rgb565, kFormat16Argb1555, kFormat24Rgb,    kFormat32Rgb,
                                           kFormat32Argb,   kFormat32Pargb,    kFormat16Gray,   kFormat48Rgb,
                                           kFormat64Argb,   kFormat64Pargb};
            if (std::find(std::begin(known), std::end(known), format) == std::end(known))
                return image; // a pixel format of no known layout: nothing to draw
            if (!decodePixels(r, width, height, stride, format, image.bitmap))
                return std::nullopt;
        }
        return image;
    }
    if (type == 2) {
        image.kind = Image::Kind::Metafile;
        image.metafileType = r.u32();
        const std::uint32_t size = r.u32();
        const auto bytes = r.bytes(size);
        if (!r.ok())
            return std::nullopt;
        image.metafile.assign(bytes.begin(), bytes.end());
        return image;
    }
    return std::nullopt;
}

} // namespace

double unitToPixels(std::uint32_t unit, double dpi)
{
    switch (unit) {
    case UnitPoint: return dpi / 72.0;
    case UnitInch: return dpi;
    case UnitDocument: return dpi / 300.0;
    case UnitMillimeter: return dpi / 25.4;
    default: return 1.0;
    }
}

QColor argbColor(std::uint32_t argb) { return QColor::fromRgba(argb); }

QSizeF Image::size() const
{
    if (kind == Kind::Bitmap)
        return bitmap.size();
    return {};
}

QTransform readMatrix(ByteReader& r)
{
    const double m11 = r.f32(), m12 = r.f32(), m21 = r.f32(), m22 = r.f32(), dx = r.f32(), dy = r.f32();
    return QTransform(m11, m12, m21, m22, dx, dy);
}

bool finite(const QTransform& t)
{
    return finiteValue(t.m11()) && finiteValue(t.m12()) && finiteValue(t.m21()) && finiteValue(t.m22())
        && finiteValue(t.dx()) && finiteValue(t.dy());
}

QRectF readRect(ByteReader& r, bool compressed)
{
    if (compressed) {
        const double x = r.i16(), y = r.i16(), w = r.i16(), h = r.i16();
        return {x, y, w, h};
    }
    const double x = r.f32(), y = r.f32(), w = r.f32(), h = r.f32();
    if (!finiteValue(x) || !finiteValue(y) || !finiteValue(w) || !finiteValue(h))
        return {};
    return {x, y, w, h};
}

bool readPoints(ByteReader& r, std::uint32_t count, bool compressed, bool relative, std::vector<QPointF>& out)
{
    if (count > kMaxPathPoints)
        return false;
    if (!r.has(count, relative ? 2 : compressed ? 4 : 8))
        return false;
    out.resize(count);
    double x = 0, y = 0;
    for (auto& p : out) {
        if (relative) {
            x += readRelative(r);
            y += readRelative(r);
        } else if (compressed) {
            x = r.i16();
            y = r.i16();
        } else {
            x = r.f32();
            y = r.f32();
            if (!finiteValue(x) || !finiteValue(y))
                x = y = 0;
        }
        p = {x, y};
    }
    return r.ok();
}

std::optional<Object> readObject(std::uint32_t type, std::span<const std::uint8_t> bytes, std::int64_t maxPixels)
{
    ByteReader r(bytes);
    switch (type) {
    case ObjectBrush: {
        Brush b;
        return readBrush(r, b, maxPixels) ? std::optional<Object>(std::move(b)) : std::nullopt;
    }
    case ObjectPen: {
        Pen p;
        return readPen(r, p, maxPixels) ? std::optional<Object>(std::move(p)) : std::nullopt;
    }
    case ObjectPath: {
        Path p;
        return readPath(r, p) ? std::optional<Object>(std::move(p)) : std::nullopt;
    }
    case ObjectRegion: {
        r.u32(); // version
        r.u32(); // node count (the tree says it again)
        Region region;
        int budget = 1024;
        return r.ok() && readRegionNode(r, region, 0, budget) ? std::optional<Object>(std::move(region)) : std::nullopt;
    }
    case ObjectImage: {
        auto image = readImage(r, maxPixels);
        return image ? std::optional<Object>(std::move(*image)) : std::nullopt;
    }
    case ObjectFont: {
        Font f;
        r.u32(); // version
        f.emSize = r.f32();
        f.unit = r.u32();
        f.style = r.u32();
        r.u32(); // reserved
        const std::uint32_t length = r.u32();
        if (!r.ok() || !r.has(length, 2) || !finiteValue(f.emSize))
            return std::nullopt;
        for (std::uint32_t i = 0; i < length; ++i) {
            const std::uint16_t c = r.u16();
            if (c == 0)
                break;
            f.family.append(QChar(c));
        }
        return Object(std::move(f));
    }
    case ObjectStringFormat: {
        StringFormat f;
        r.u32(); // version
        f.flags = r.u32();
        r.u32(); // language
        f.alignment = r.u32();
        f.lineAlignment = r.u32();
        return r.ok() ? std::optional<Object>(f) : std::nullopt;
    }
    case ObjectImageAttributes: {
        ImageAttributes a;
        r.u32(); // version
        r.u32(); // reserved
        a.wrapMode = r.u32();
        a.clampColor = argbColor(r.u32());
        return r.ok() ? std::optional<Object>(a) : std::nullopt;
    }
    default: return std::nullopt;
    }
}

} // namespace plat::emfplus
