#include "metafile/EmfPlayer.h"

#include "metafile/ByteReader.h"
#include "metafile/EmfPlusPlayer.h"
#include "metafile/EmfRecords.h"
#include "metafile/FontMapper.h"
#include "metafile/MetafileDib.h"
#include "metafile/ObjectTable.h"
#include "metafile/RegionData.h"

#include <cmath>
#include <cstring>

namespace plat::gdi {

namespace {

// Object indexes are 32-bit in the file; tables never grow past this.
constexpr std::uint32_t kMaxObjects = 0x10000;

bool inRecord(std::span<const std::uint8_t> record, std::uint64_t offset, std::uint64_t size)
{
    return offset <= record.size() && size <= record.size() - offset;
}

QRectF readBox(ByteReader& r)
{
    const double left = r.i32(), top = r.i32(), right = r.i32(), bottom = r.i32();
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QPointF readPointL(ByteReader& r)
{
    const double x = r.i32();
    const double y = r.i32();
    return {x, y};
}

bool readPoints(ByteReader& r, std::size_t count, bool small, std::vector<QPointF>& out)
{
    if (!r.has(count, small ? 4 : 8))
        return false;
    out.resize(count);
    for (auto& p : out) {
        if (small) {
            const double x = r.i16();
            const double y = r.i16();
            p = {x, y};
        } else {
            p = readPointL(r);
        }
    }
    return true;
}

QTransform readXform(ByteReader& r)
{
    const double m11 = r.f32(), m12 = r.f32(), m21 = r.f32(), m22 = r.f32(), dx = r.f32(), dy = r.f32();
    return QTransform(m11, m12, m21, m22, dx, dy);
}

bool finiteTransform(const QTransform& t)
{
    return std::isfinite(t.m11()) && std::isfinite(t.m12()) && std::isfinite(t.m21()) && std::isfinite(t.m22())
        && std::isfinite(t.dx()) && std::isfinite(t.dy());
}

} // namespace

EmfPlayer::EmfPlayer(DeviceContext& dc, std::span<const std::uint8_t> bytes, const EnhMetaHeader& header)
    : dc_(dc), bytes_(bytes), header_(header), objects_(header.handles, kMaxObjects)
{
}

PlaybackResult EmfPlayer::play()
{
    PlaybackResult result;
    result.status = PlaybackStatus::Complete;
    std::size_t pos = header_.size;
    // EMF+ drawing, when the file is drawn from its EMF+ records: it takes
    // their comments and decides which EMF records still play.
    std::unique_ptr<emfplus::EmfPlusPlayer> plus;
    if (emfplus::EmfPlusPlayer::drawsFromEmfPlus(bytes_, header_))
        plus = std::make_unique<emfplus::EmfPlusPlayer>(dc_, header_, bytes_.size());
    while (pos < bytes_.size()) {
        ByteReader r(bytes_, pos);
        const std::uint32_t type = r.u32();
        const std::uint32_t size = r.u32();
        if (!r.ok())
            break; // trailing bytes too short to be a record
        if (size < 8 || size % 4 != 0 || size > bytes_.size() - pos) {
            result.status = PlaybackStatus::BadRecord;
            result.badRecordOffset = pos;
            return result;
        }
        if (plus) {
            const auto route = plus->route(type, bytes_.subspan(pos, size));
            if (route == emfplus::EmfPlusPlayer::Route::Stop) {
                result.status = PlaybackStatus::BadRecord;
                result.badRecordOffset = pos;
                return result;
            }
            if (route == emfplus::EmfPlusPlayer::Route::Skip) {
                ++result.recordsPlayed;
                pos += size;
                continue;
            }
        }
        if (type == EMR_EOF)
            break;
        if (!playRecord(type, bytes_.subspan(pos, size))) {
            result.status = PlaybackStatus::BadRecord;
            result.badRecordOffset = pos;
            return result;
        }
        ++result.recordsPlayed;
        pos += size;
    }
    return result;
}

bool EmfPlayer::playRecord(std::uint32_t type, std::span<const std::uint8_t> record)
{
    ByteReader r(record, 8);
    switch (type) {
    case EMR_HEADER: return true; // a second header (embedded pictures) changes nothing

    // ---- attributes
    case EMR_SETMAPMODE:
    case EMR_SETBKMODE:
    case EMR_SETPOLYFILLMODE:
    case EMR_SETROP2:
    case EMR_SETSTRETCHBLTMODE:
    case EMR_SETTEXTALIGN:
    case EMR_SETTEXTCOLOR:
    case EMR_SETBKCOLOR:
    case EMR_SETARCDIRECTION:
    case EMR_SETMITERLIMIT: {
        const std::uint32_t v = r.u32();
        if (!r.ok())
            return false;
        switch (type) {
        case EMR_SETMAPMODE: dc_.SetMapMode(static_cast<int>(v)); break;
        case EMR_SETBKMODE: dc_.SetBkMode(static_cast<int>(v)); break;
        case EMR_SETPOLYFILLMODE: dc_.SetPolyFillMode(static_cast<int>(v)); break;
        case EMR_SETROP2: dc_.SetROP2(static_cast<int>(v)); break;
        case EMR_SETSTRETCHBLTMODE: dc_.SetStretchBltMode(static_cast<int>(v)); break;
        case EMR_SETTEXTALIGN: dc_.SetTextAlign(v); break;
        case EMR_SETTEXTCOLOR: dc_.SetTextColor(v); break;
        case EMR_SETBKCOLOR: dc_.SetBkColor(v); break;
        case EMR_SETARCDIRECTION: dc_.SetArcDirection(static_cast<int>(v)); break;
        default: {
            // Written as an integer by some programs and as a float by others.
            float asFloat;
            std::memcpy(&asFloat, &v, sizeof asFloat);
            dc_.SetMiterLimit(v >= 0x3F800000u && v < 0x7F800000u ? asFloat : static_cast<double>(v));
            break;
        }
        }
        return true;
    }
    case EMR_SETTEXTJUSTIFICATION: {
        const std::int32_t breakExtra = r.i32();
        const std::int32_t breakCount = r.i32();
        if (!r.ok())
            return false;
        dc_.SetTextJustification(breakExtra, breakCount);
        return true;
    }
    case EMR_SETBRUSHORGEX: {
        const std::int32_t x = r.i32(), y = r.i32();
        if (!r.ok())
            return false;
        dc_.SetBrushOrgEx(x, y);
        return true;
    }

    // ---- mapping
    case EMR_SETWINDOWEXTEX:
    case EMR_SETWINDOWORGEX:
    case EMR_SETVIEWPORTEXTEX:
    case EMR_SETVIEWPORTORGEX: {
        const double x = r.i32(), y = r.i32();
        if (!r.ok())
            return false;
        switch (type) {
        case EMR_SETWINDOWEXTEX: dc_.SetWindowExtEx(x, y); break;
        case EMR_SETWINDOWORGEX: dc_.SetWindowOrgEx(x, y); break;
        case EMR_SETVIEWPORTEXTEX: dc_.SetViewportExtEx(x, y); break;
        default: dc_.SetViewportOrgEx(x, y); break;
        }
        return true;
    }
    case EMR_SCALEVIEWPORTEXTEX:
    case EMR_SCALEWINDOWEXTEX: {
        const double xNum = r.i32(), xDenom = r.i32(), yNum = r.i32(), yDenom = r.i32();
        if (!r.ok())
            return false;
        if (type == EMR_SCALEVIEWPORTEXTEX)
            dc_.ScaleViewportExtEx(xNum, xDenom, yNum, yDenom);
        else
            dc_.ScaleWindowExtEx(xNum, xDenom, yNum, yDenom);
        return true;
    }
    case EMR_SETWORLDTRANSFORM: {
        const QTransform t = readXform(r);
        if (!r.ok())
            return false;
        dc_.SetWorldTransform(t);
        return true;
    }
    case EMR_MODIFYWORLDTRANSFORM: {
        const QTransform t = readXform(r);
        const std::uint32_t mode = r.u32();
        if (!r.ok())
            return false;
        dc_.ModifyWorldTransform(t, static_cast<int>(mode));
        return true;
    }
    case EMR_SAVEDC: dc_.SaveDC(); return true;
    case EMR_RESTOREDC: {
        const std::int32_t which = r.i32();
        if (!r.ok())
            return false;
        dc_.RestoreDC(which);
        return true;
    }

    // ---- objects
    case EMR_CREATEPEN: {
        const std::uint32_t index = r.u32();
        LogPen pen;
        pen.style = r.u32();
        pen.width = std::fabs(static_cast<double>(r.i32()));
        r.i32(); // unused y of the width point
        pen.color = r.u32();
        if (!r.ok())
            return false;
        objects_.put(index, pen);
        return true;
    }
    case EMR_EXTCREATEPEN: {
        const std::uint32_t index = r.u32();
        const std::uint32_t offBmi = r.u32(), cbBmi = r.u32(), offBits = r.u32(), cbBits = r.u32();
        LogPen pen;
        pen.extended = true;
        pen.style = r.u32();
        pen.width = r.u32();
        const std::uint32_t brushStyle = r.u32();
        pen.color = r.u32();
        const std::uint32_t hatch = r.u32();
        const std::uint32_t entries = r.u32();
        if (!r.ok())
            return false;
        if (brushStyle == BS_HATCHED) {
            LogBrush brush;
            brush.style = BS_HATCHED;
            brush.color = pen.color;
            brush.hatch = hatch;
            pen.brush = std::make_shared<const LogBrush>(brush);
        } else if (brushStyle == BS_PATTERN || brushStyle == BS_DIBPATTERN || brushStyle == BS_DIBPATTERNPT) {
            // The colour field holds the DIB's colour usage here. A pattern
            // made from a monochrome bitmap takes the text and background
            // colours, as a mono brush does.
            if (!inRecord(record, offBmi, cbBmi) || !inRecord(record, offBits, cbBits))
                return false;
            const auto bmi = record.subspan(offBmi, cbBmi);
            DibInfo info;
            const bool mono = brushStyle == BS_PATTERN && readDibInfo(bmi, info) && info.bitCount == 1;
            LogBrush brush = patternBrush(bmi, record.subspan(offBits, cbBits), pen.color, mono);
            pen.color = brush.color;
            pen.brush = std::make_shared<const LogBrush>(std::move(brush));
        }
        if ((pen.style & PS_STYLE_MASK) == PS_USERSTYLE) {
            if (!r.has(entries, 4))
                return false;
            pen.userStyle.resize(entries);
            for (auto& e : pen.userStyle)
                e = r.u32();
        }
        if (brushStyle == BS_NULL)
            pen.style = (pen.style & ~PS_STYLE_MASK) | PS_NULL;
        objects_.put(index, pen);
        return true;
    }
    case EMR_CREATEBRUSHINDIRECT: {
        const std::uint32_t index = r.u32();
        LogBrush brush;
        brush.style = r.u32();
        brush.color = r.u32();
        brush.hatch = r.u32();
        if (!r.ok())
            return false;
        if (brush.style != BS_SOLID && brush.style != BS_NULL && brush.style != BS_HATCHED)
            brush.style = BS_SOLID; // pattern brushes come in their own records
        objects_.put(index, brush);
        return true;
    }
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT: {
        const std::uint32_t index = r.u32();
        const std::uint32_t usage = r.u32();
        const std::uint32_t offBmi = r.u32(), cbBmi = r.u32(), offBits = r.u32(), cbBits = r.u32();
        if (!r.ok())
            return false;
        if (!inRecord(record, offBmi, cbBmi) || !inRecord(record, offBits, cbBits))
            return false;
        objects_.put(index, patternBrush(record.subspan(offBmi, cbBmi), record.subspan(offBits, cbBits), usage,
                                      type == EMR_CREATEMONOBRUSH));
        return true;
    }
    case EMR_EXTCREATEFONTINDIRECTW: {
        const std::uint32_t index = r.u32();
        LogFont font;
        font.height = r.i32();
        font.width = r.i32();
        font.escapement = r.i32();
        r.i32(); // orientation
        font.weight = r.i32();
        font.italic = r.u8() != 0;
        font.underline = r.u8() != 0;
        font.strikeOut = r.u8() != 0;
        font.charSet = r.u8();
        r.skip(3); // precisions, quality
        font.pitchAndFamily = r.u8();
        if (!r.ok())
            return false;
        for (int i = 0; i < 32 && r.remaining() >= 2; ++i) {
            const std::uint16_t c = r.u16();
            if (!c)
                break;
            font.faceName.append(QChar(c));
        }
        objects_.put(index, font);
        return true;
    }
    case EMR_CREATEPALETTE: {
        const std::uint32_t index = r.u32();
        Palette palette;
        if (!readLogPalette(r, palette))
            return false;
        objects_.put(index, palette);
        return true;
    }
    case EMR_SELECTOBJECT: {
        const std::uint32_t index = r.u32();
        if (!r.ok())
            return false;
        objects_.select(dc_, index);
        return true;
    }
    case EMR_SELECTPALETTE: {
        const std::uint32_t index = r.u32();
        if (!r.ok())
            return false;
        objects_.selectPalette(dc_, index);
        return true;
    }
    case EMR_DELETEOBJECT: {
        const std::uint32_t index = r.u32();
        if (!r.ok())
            return false;
        objects_.remove(index);
        return true;
    }

    // ---- lines and curves
    case EMR_MOVETOEX:
    case EMR_LINETO: {
        const QPointF p = readPointL(r);
        if (!r.ok())
            return false;
        if (type == EMR_MOVETOEX)
            dc_.MoveToEx(p);
        else
            dc_.LineTo(p);
        return true;
    }
    case EMR_POLYBEZIER:
    case EMR_POLYGON:
    case EMR_POLYLINE:
    case EMR_POLYBEZIERTO:
    case EMR_POLYLINETO:
    case EMR_POLYBEZIER16:
    case EMR_POLYGON16:
    case EMR_POLYLINE16:
    case EMR_POLYBEZIERTO16:
    case EMR_POLYLINETO16: {
        r.skip(16); // bounds
        const std::uint32_t count = r.u32();
        std::vector<QPointF> points;
        if (!r.ok() || !readPoints(r, count, type >= EMR_POLYBEZIER16, points))
            return false;
        switch (type) {
        case EMR_POLYBEZIER:
        case EMR_POLYBEZIER16: dc_.PolyBezier(points); break;
        case EMR_POLYGON:
        case EMR_POLYGON16: dc_.Polygon(points); break;
        case EMR_POLYLINE:
        case EMR_POLYLINE16: dc_.Polyline(points); break;
        case EMR_POLYBEZIERTO:
        case EMR_POLYBEZIERTO16: dc_.PolyBezierTo(points); break;
        default: dc_.PolylineTo(points); break;
        }
        return true;
    }
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYGON:
    case EMR_POLYPOLYLINE16:
    case EMR_POLYPOLYGON16: {
        r.skip(16); // bounds
        const std::uint32_t polys = r.u32();
        const std::uint32_t total = r.u32();
        if (!r.has(polys, 4))
            return false;
        std::vector<std::uint32_t> counts(polys);
        std::uint64_t sum = 0;
        for (auto& c : counts) {
            c = r.u32();
            sum += c;
        }
        std::vector<QPointF> points;
        if (sum > total || !readPoints(r, total, type >= EMR_POLYBEZIER16, points))
            return false;
        if (type == EMR_POLYPOLYGON || type == EMR_POLYPOLYGON16)
            dc_.PolyPolygon(points, counts);
        else
            dc_.PolyPolyline(points, counts);
        return true;
    }
    case EMR_POLYDRAW:
    case EMR_POLYDRAW16: {
        r.skip(16);
        const std::uint32_t count = r.u32();
        std::vector<QPointF> points;
        if (!r.ok() || !readPoints(r, count, type == EMR_POLYDRAW16, points))
            return false;
        const auto types = r.bytes(count);
        if (!r.ok())
            return false;
        dc_.PolyDraw(points, types);
        return true;
    }

    // ---- shapes
    case EMR_RECTANGLE:
    case EMR_ELLIPSE:
    case EMR_INTERSECTCLIPRECT:
    case EMR_EXCLUDECLIPRECT: {
        const double left = r.i32(), top = r.i32(), right = r.i32(), bottom = r.i32();
        if (!r.ok())
            return false;
        switch (type) {
        case EMR_RECTANGLE: dc_.Rectangle(left, top, right, bottom); break;
        case EMR_ELLIPSE: dc_.Ellipse(left, top, right, bottom); break;
        case EMR_INTERSECTCLIPRECT: dc_.IntersectClipRect(left, top, right, bottom); break;
        default: dc_.ExcludeClipRect(left, top, right, bottom); break;
        }
        return true;
    }
    case EMR_ROUNDRECT: {
        const double left = r.i32(), top = r.i32(), right = r.i32(), bottom = r.i32();
        const double w = r.i32(), h = r.i32();
        if (!r.ok())
            return false;
        dc_.RoundRect(left, top, right, bottom, w, h);
        return true;
    }
    case EMR_ARC:
    case EMR_CHORD:
    case EMR_PIE:
    case EMR_ARCTO: {
        const QRectF box = readBox(r);
        const QPointF start = readPointL(r);
        const QPointF end = readPointL(r);
        if (!r.ok())
            return false;
        switch (type) {
        case EMR_ARC: dc_.Arc(box, start, end); break;
        case EMR_CHORD: dc_.Chord(box, start, end); break;
        case EMR_PIE: dc_.Pie(box, start, end); break;
        default: dc_.ArcTo(box, start, end); break;
        }
        return true;
    }
    case EMR_ANGLEARC: {
        const QPointF center = readPointL(r);
        const std::uint32_t radius = r.u32();
        const float start = r.f32(), sweep = r.f32();
        if (!r.ok())
            return false;
        dc_.AngleArc(center, radius, start, sweep);
        return true;
    }
    case EMR_SETPIXELV: {
        const QPointF p = readPointL(r);
        const std::uint32_t color = r.u32();
        if (!r.ok())
            return false;
        dc_.SetPixel(p, color);
        return true;
    }
    case EMR_EXTFLOODFILL: {
        const QPointF p = readPointL(r);
        const std::uint32_t color = r.u32();
        const std::uint32_t mode = r.u32();
        if (!r.ok())
            return false;
        dc_.ExtFloodFill(p, color, static_cast<int>(mode));
        return true;
    }

    // ---- paths
    case EMR_BEGINPATH: dc_.BeginPath(); return true;
    case EMR_ENDPATH: dc_.EndPath(); return true;
    case EMR_CLOSEFIGURE: dc_.CloseFigure(); return true;
    case EMR_ABORTPATH: dc_.AbortPath(); return true;
    case EMR_FILLPATH: dc_.FillPath(); return true;
    case EMR_STROKEPATH: dc_.StrokePath(); return true;
    case EMR_STROKEANDFILLPATH: dc_.StrokeAndFillPath(); return true;
    case EMR_FLATTENPATH: dc_.FlattenPath(); return true;
    case EMR_WIDENPATH: dc_.WidenPath(); return true;
    case EMR_SELECTCLIPPATH: {
        const std::uint32_t mode = r.u32();
        if (!r.ok())
            return false;
        dc_.SelectClipPath(static_cast<int>(mode));
        return true;
    }

    // ---- clipping and regions
    case EMR_OFFSETCLIPRGN: {
        const QPointF p = readPointL(r);
        if (!r.ok())
            return false;
        dc_.OffsetClipRgn(p.x(), p.y());
        return true;
    }
    case EMR_SETMETARGN: dc_.SetMetaRgn(); return true;
    case EMR_EXTSELECTCLIPRGN: {
        const std::uint32_t cb = r.u32();
        const std::uint32_t mode = r.u32();
        if (!r.ok() || !inRecord(record, 16, cb))
            return false;
        if (cb == 0) {
            dc_.ExtSelectClipRgn(nullptr, static_cast<int>(mode));
            return true;
        }
        QRegion region;
        if (!parseRgnData(record.subspan(16, cb), region))
            return false;
        dc_.ExtSelectClipRgn(&region, static_cast<int>(mode));
        return true;
    }
    case EMR_FILLRGN:
    case EMR_FRAMERGN:
    case EMR_INVERTRGN:
    case EMR_PAINTRGN: {
        r.skip(16); // bounds
        const std::uint32_t cb = r.u32();
        std::uint32_t brushIndex = 0;
        double width = 0, height = 0;
        if (type == EMR_FILLRGN || type == EMR_FRAMERGN)
            brushIndex = r.u32();
        if (type == EMR_FRAMERGN) {
            width = r.i32();
            height = r.i32();
        }
        if (!r.ok() || !inRecord(record, r.position(), cb))
            return false;
        QRegion region;
        if (!parseRgnData(record.subspan(r.position(), cb), region))
            return false;
        if (type == EMR_INVERTRGN) {
            dc_.InvertRgn(region);
            return true;
        }
        if (type == EMR_PAINTRGN) {
            dc_.PaintRgn(region);
            return true;
        }
        const std::optional<LogBrush> brush = objects_.brush(brushIndex);
        if (!brush)
            return true;
        if (type == EMR_FILLRGN)
            dc_.FillRgn(region, *brush);
        else
            dc_.FrameRgn(region, *brush, width, height);
        return true;
    }

    // ---- text
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW: {
        r.skip(16); // bounds
        const std::uint32_t graphicsMode = r.u32();
        r.f32(); // x and y scales: informational
        r.f32();
        if (!r.ok())
            return false;
        return textOut(r, record, type == EMR_EXTTEXTOUTW, static_cast<int>(graphicsMode));
    }
    case EMR_POLYTEXTOUTA:
    case EMR_POLYTEXTOUTW: {
        r.skip(16);
        const std::uint32_t graphicsMode = r.u32();
        r.f32();
        r.f32();
        const std::uint32_t strings = r.u32();
        if (!r.has(strings, 24)) // EMRTEXT without its optional rectangle
            return false;
        for (std::uint32_t i = 0; i < strings; ++i) {
            if (!textOut(r, record, type == EMR_POLYTEXTOUTW, static_cast<int>(graphicsMode)))
                return false;
        }
        return true;
    }
    case EMR_SMALLTEXTOUT: {
        const QPointF p = readPointL(r);
        const std::uint32_t count = r.u32();
        const std::uint32_t options = r.u32();
        const std::uint32_t graphicsMode = r.u32();
        r.f32();
        r.f32();
        QRectF clip;
        if (!(options & ETO_NO_RECT))
            clip = readBox(r);
        if (!r.ok())
            return false;
        QString text;
        if (options & ETO_SMALL_CHARS) {
            const auto bytes = r.bytes(count);
            if (!r.ok())
                return false;
            text = FontMapper::decode(bytes, FontMapper::textCharSet(dc_.currentFont()));
        } else {
            if (!r.has(count, 2))
                return false;
            for (std::uint32_t i = 0; i < count; ++i)
                text.append(QChar(r.u16()));
        }
        dc_.ExtTextOut(p, options & ~(ETO_NO_RECT | ETO_SMALL_CHARS), (options & ETO_NO_RECT) ? nullptr : &clip,
                       text, {}, static_cast<int>(graphicsMode));
        return true;
    }

    // ---- bitmaps
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_STRETCHDIBITS:
    case EMR_SETDIBITSTODEVICE:
    case EMR_ALPHABLEND:
    case EMR_TRANSPARENTBLT: return blit(type, record);
    case EMR_GRADIENTFILL: {
        r.skip(16);
        const std::uint32_t nVertices = r.u32();
        const std::uint32_t nObjects = r.u32();
        const std::uint32_t mode = r.u32();
        if (!r.has(nVertices, 16))
            return false;
        std::vector<GradientVertex> vertices(nVertices);
        for (auto& v : vertices) {
            v.point = readPointL(r);
            v.red = r.u16();
            v.green = r.u16();
            v.blue = r.u16();
            r.u16(); // alpha
        }
        const std::uint32_t perObject = mode == GRADIENT_FILL_TRIANGLE ? 3 : 2;
        if (!r.has(std::uint64_t{nObjects} * perObject, 4))
            return false;
        std::vector<std::uint32_t> indexes(std::size_t{nObjects} * perObject);
        for (auto& i : indexes)
            i = r.u32();
        dc_.GradientFill(vertices, indexes, mode);
        return true;
    }

    // ---- accepted, nothing to draw
    case EMR_GDICOMMENT:  // comments and embedded pictures (EMF+ is routed in play())
    case EMR_MASKBLT:     // mask blits and parallelogram blits are not drawn
    case EMR_PLGBLT:
    case EMR_SETMAPPERFLAGS:
    case EMR_SETCOLORADJUSTMENT:
    case EMR_SETPALETTEENTRIES:
    case EMR_RESIZEPALETTE:
    case EMR_REALIZEPALETTE:
    case EMR_SETLAYOUT:
    default: return true;
    }
}

bool EmfPlayer::textOut(ByteReader& r, std::span<const std::uint8_t> record, bool wide, int graphicsMode)
{
    // EMRTEXT: reference point, character count, string offset, options,
    // rectangle (left out when the options say ETO_NO_RECT), advance array
    // offset.
    const QPointF p = readPointL(r);
    const std::uint32_t count = r.u32();
    const std::uint32_t offString = r.u32();
    std::uint32_t options = r.u32();
    QRectF rect;
    if (options & ETO_NO_RECT)
        options &= ~(ETO_NO_RECT | ETO_OPAQUE | ETO_CLIPPED);
    else
        rect = readBox(r);
    const std::uint32_t offDx = r.u32();
    if (!r.ok())
        return false;
    if (!inRecord(record, offString, std::uint64_t{count} * (wide ? 2 : 1)))
        return false;
    QString text;
    std::vector<int> unitsPerChar;
    if (wide) {
        text.reserve(static_cast<qsizetype>(count));
        ByteReader chars(record, offString);
        for (std::uint32_t i = 0; i < count; ++i)
            text.append(QChar(static_cast<char16_t>(chars.u16())));
    } else {
        text = FontMapper::decode(record.subspan(offString, count), FontMapper::textCharSet(dc_.currentFont()), &unitsPerChar);
    }
    std::vector<double> dx;
    const std::uint32_t perChar = (options & ETO_PDY) ? 2 : 1;
    if (offDx != 0 && count != 0) {
        if (!inRecord(record, offDx, std::uint64_t{count} * perChar * 4))
            return false;
        std::vector<double> perUnit(std::size_t{count} * perChar);
        ByteReader advances(record, offDx);
        for (auto& v : perUnit)
            v = advances.i32();
        if (!wide && perChar == 1 && unitsPerChar.size() == static_cast<std::size_t>(text.size())
            && unitsPerChar.size() != count) {
            // Double-byte characters sum the advances of their bytes.
            std::size_t at = 0;
            for (int n : unitsPerChar) {
                double sum = 0;
                for (int k = 0; k < n && at < perUnit.size(); ++k)
                    sum += perUnit[at++];
                dx.push_back(sum);
            }
        } else {
            dx = std::move(perUnit);
        }
    }
    const bool hasRect = (options & (ETO_OPAQUE | ETO_CLIPPED)) != 0;
    dc_.ExtTextOut(p, options, hasRect ? &rect : nullptr, text, dx, graphicsMode);
    return true;
}

LogBrush EmfPlayer::patternBrush(std::span<const std::uint8_t> bmi, std::span<const std::uint8_t> bits,
                                 std::uint32_t usage, bool monochrome)
{
    LogBrush brush;
    brush.style = BS_DIBPATTERNPT;
    QImage pattern;
    if (!dc_.allowPixelWork(dibPixels(bmi))) {
        // past the budget: the pattern is not decoded and fills grey below
    } else if (monochrome) {
        // A mono brush takes the text and background colours when it is
        // used. It is monochrome whatever its bitmap: a colour one is reduced
        // to it, each pixel to the nearer of black and white.
        if (decodeMonochromeMask(bmi, bits, pattern)
            || (decodeDib(bmi, bits, static_cast<int>(usage), dc_.currentPalette(), pattern)
                && reduceToMonochromeMask(pattern)))
            brush.monochrome = true;
        else
            pattern = QImage();
    } else {
        decodeDib(bmi, bits, static_cast<int>(usage), dc_.currentPalette(), pattern);
    }
    setBrushPattern(brush, std::move(pattern));
    return brush;
}

bool EmfPlayer::blit(std::uint32_t type, std::span<const std::uint8_t> record)
{
    ByteReader r(record, 8);
    r.skip(16); // bounds
    double xDest, yDest, cxDest = 0, cyDest = 0, xSrc, ySrc, cxSrc = 0, cySrc = 0;
    std::uint32_t rop = SRCCOPY, usage = DIB_RGB_COLORS, offBmi, cbBmi, offBits, cbBits, extra = 0;
    QTransform sourceTransform;
    if (type == EMR_STRETCHDIBITS || type == EMR_SETDIBITSTODEVICE) {
        xDest = r.i32();
        yDest = r.i32();
        xSrc = r.i32();
        ySrc = r.i32();
        cxSrc = r.i32();
        cySrc = r.i32();
        offBmi = r.u32();
        cbBmi = r.u32();
        offBits = r.u32();
        cbBits = r.u32();
        usage = r.u32();
        if (type == EMR_STRETCHDIBITS) {
            rop = r.u32();
            cxDest = r.i32();
            cyDest = r.i32();
        } else {
            extra = r.u32(); // first scan line carried
            r.u32();         // scan lines carried
        }
    } else {
        xDest = r.i32();
        yDest = r.i32();
        cxDest = r.i32();
        cyDest = r.i32();
        extra = r.u32(); // raster operation, blend function or transparent colour
        xSrc = r.i32();
        ySrc = r.i32();
        sourceTransform = readXform(r);
        r.u32(); // background colour of the source
        usage = r.u32();
        offBmi = r.u32();
        cbBmi = r.u32();
        offBits = r.u32();
        cbBits = r.u32();
        if (type == EMR_BITBLT) {
            cxSrc = cxDest;
            cySrc = cyDest;
        } else {
            cxSrc = r.i32();
            cySrc = r.i32();
        }
        if (type == EMR_BITBLT || type == EMR_STRETCHBLT)
            rop = extra;
    }
    if (!r.ok())
        return false;
    if ((type == EMR_BITBLT || type == EMR_STRETCHBLT) && cbBmi == 0) {
        dc_.PatBlt(xDest, yDest, cxDest, cyDest, rop); // no source: a pattern operation
        return true;
    }
    if (!inRecord(record, offBmi, cbBmi) || !inRecord(record, offBits, cbBits))
        return false;
    const auto bmi = record.subspan(offBmi, cbBmi);
    auto bits = record.subspan(offBits, cbBits);
    DibInfo info;
    if (!readDibInfo(bmi, info))
        return true;

    std::vector<std::uint8_t> partialInfo;
    std::span<const std::uint8_t> infoBytes = bmi;
    double carriedRows = std::fabs(static_cast<double>(info.height));
    if (type == EMR_SETDIBITSTODEVICE) {
        // Only scan lines [first, first + count) travel with the record: decode
        // them as a DIB of that height.
        ByteReader scans(record, 68);
        const std::uint32_t firstScan = scans.u32();
        const std::uint32_t scanCount = scans.u32();
        if (scans.ok() && info.headerSize >= 40 && scanCount > 0 && scanCount < carriedRows) {
            partialInfo.assign(bmi.begin(), bmi.end());
            const std::int32_t h = info.height < 0 ? -static_cast<std::int32_t>(scanCount)
                                                   : static_cast<std::int32_t>(scanCount);
            std::memcpy(partialInfo.data() + 8, &h, 4);
            infoBytes = partialInfo;
            carriedRows = scanCount;
            ySrc -= firstScan;
        }
    }
    QImage image;
    const bool alpha = type == EMR_ALPHABLEND && ((extra >> 24) & 0x01); // AC_SRC_ALPHA
    if (alpha && info.bitCount == 32 && info.compression == 3 && info.headerSize == 40 && bmi.size() >= 52) {
        // Alpha blending takes the fourth byte as alpha whatever the masks
        // say; plain 8-8-8 masks are the ordinary layout, read as such.
        ByteReader masks(bmi, 40);
        if (masks.u32() == 0x00FF0000u && masks.u32() == 0x0000FF00u && masks.u32() == 0x000000FFu) {
            partialInfo.assign(bmi.begin(), bmi.begin() + 40);
            partialInfo[16] = 0; // compression: BI_RGB
            infoBytes = partialInfo;
        }
    }
    if (!dc_.allowPixelWork(dibPixels(infoBytes))
        || !decodeDib(infoBytes, bits, static_cast<int>(usage), dc_.currentPalette(), image, alpha))
        return true; // an undecodable bitmap is skipped; the record itself is sound

    QRectF source(xSrc, ySrc, cxSrc, cySrc);
    if (type == EMR_STRETCHDIBITS || type == EMR_SETDIBITSTODEVICE) {
        // Measured from the first stored row: the bottom one unless top down.
        if (info.height > 0)
            source = QRectF(xSrc, carriedRows - ySrc - cySrc, cxSrc, cySrc);
    } else if (!sourceTransform.isIdentity() && finiteTransform(sourceTransform)
               && sourceTransform.m11() * sourceTransform.m22() - sourceTransform.m12() * sourceTransform.m21() != 0) {
        source = sourceTransform.mapRect(source);
    }
    if (type == EMR_SETDIBITSTODEVICE) {
        // One DIB pixel per device pixel.
        const QTransform t = dc_.logicalToDevice();
        if (t.m11() == 0 || t.m22() == 0)
            return true;
        dc_.StretchBlt(QRectF(xDest, yDest, cxSrc / std::fabs(t.m11()), cySrc / std::fabs(t.m22())), image, source,
                       SRCCOPY);
        return true;
    }
    const QRectF dest(xDest, yDest, cxDest, cyDest);
    switch (type) {
    case EMR_ALPHABLEND:
        dc_.AlphaBlend(dest, image, source, static_cast<int>((extra >> 16) & 0xFF), alpha);
        return true;
    case EMR_TRANSPARENTBLT: dc_.TransparentBlt(dest, image, source, extra); return true;
    default: dc_.StretchBlt(dest, image, source, rop); return true;
    }
}

} // namespace plat::gdi
