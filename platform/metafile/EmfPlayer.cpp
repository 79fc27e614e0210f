#include "metafile/EmfPlayer.h"

#include "common/ByteReader.h"
#include "gdi/FontMapper.h"
#include "gdi/RegionData.h"
#include "metafile/EmfPlusPlayer.h"
#include "metafile/EmfRecords.h"
#include "metafile/MetafileDib.h"
#include "metafile/ObjectTable.h"
#include "metafile/RecordTable.h"

#include <cmath>
#include <cstring>

namespace plat::metafile {

using namespace gdi;

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

// The fields of the bitmap records. BitBlt, StretchBlt, AlphaBlend and
// TransparentBlt share one layout, StretchDIBits and SetDIBitsToDevice
// another; the reader stands after the record's type and size.
BlitFields readBlitFields(std::uint32_t type, ByteReader& r)
{
    BlitFields f;
    r.skip(16); // bounds
    if (type == EMR_STRETCHDIBITS || type == EMR_SETDIBITSTODEVICE) {
        f.xDest = r.i32();
        f.yDest = r.i32();
        f.xSrc = r.i32();
        f.ySrc = r.i32();
        f.cxSrc = r.i32();
        f.cySrc = r.i32();
        f.offBmi = r.u32();
        f.cbBmi = r.u32();
        f.offBits = r.u32();
        f.cbBits = r.u32();
        f.usage = r.u32();
        if (type == EMR_STRETCHDIBITS) {
            f.rop = r.u32();
            f.cxDest = r.i32();
            f.cyDest = r.i32();
        } else {
            f.firstScan = r.u32();
            f.scanCount = r.u32();
        }
        return f;
    }
    f.xDest = r.i32();
    f.yDest = r.i32();
    f.cxDest = r.i32();
    f.cyDest = r.i32();
    f.extra = r.u32(); // raster operation, blend function or transparent colour
    f.xSrc = r.i32();
    f.ySrc = r.i32();
    f.sourceTransform = readXform(r);
    r.u32(); // background colour of the source
    f.usage = r.u32();
    f.offBmi = r.u32();
    f.cbBmi = r.u32();
    f.offBits = r.u32();
    f.cbBits = r.u32();
    if (type == EMR_BITBLT) {
        f.cxSrc = f.cxDest;
        f.cySrc = f.cyDest;
    } else {
        f.cxSrc = r.i32();
        f.cySrc = r.i32();
    }
    if (type == EMR_BITBLT || type == EMR_STRETCHBLT)
        f.rop = f.extra;
    return f;
}

} // namespace

EmfPlayer::EmfPlayer(DeviceContext& dc, std::span<const std::uint8_t> bytes, const EnhMetaHeader& header)
    : PlaybackCore(dc, header.handles, kMaxObjects), bytes_(bytes), header_(header)
{
}

namespace {

// Sizes count bytes, the type first, and keep records 4-byte aligned; the
// end record is checked like any other.
struct EmfFamily {
    static constexpr std::size_t kHeaderBytes = 8;
    static void readHeader(ByteReader& r, std::uint32_t& type, std::uint64_t& size)
    {
        type = r.u32();
        size = r.u32();
    }
    static RecordCheck check(std::uint32_t, std::uint64_t size, std::size_t left)
    {
        return size < kHeaderBytes || size % 4 != 0 || size > left ? RecordCheck::Bad : RecordCheck::Play;
    }
};

} // namespace

PlaybackResult EmfPlayer::play()
{
    // EMF+ drawing, when the file is drawn from its EMF+ records: it takes
    // their comments and decides which EMF records still play.
    std::unique_ptr<emfplus::EmfPlusPlayer> plus;
    if (emfplus::EmfPlusPlayer::drawsFromEmfPlus(bytes_, header_))
        plus = std::make_unique<emfplus::EmfPlusPlayer>(dc_, header_, bytes_.size());
    return playRecords<EmfFamily>(bytes_, header_.size, [&](const MetaRecord& record) {
        if (plus) {
            const auto route = plus->route(record.type, record.bytes);
            if (route == emfplus::EmfPlusPlayer::Route::Stop)
                return RecordOutcome::Bad;
            if (route == emfplus::EmfPlusPlayer::Route::Skip)
                return RecordOutcome::Played;
        }
        if (record.type == EMR_EOF)
            return RecordOutcome::End;
        return playRecord(record) ? RecordOutcome::Played : RecordOutcome::Bad;
    });
}

bool EmfPlayer::playRecord(const MetaRecord& record)
{
    ByteReader r(record.bytes, 8);
    const Handler handler = handlers().find(record.type);
    // Records with no handler are accepted and draw nothing: a second header
    // (embedded pictures), comments (EMF+ is routed in play()), mask and
    // parallelogram blits, palette changes, colour adjustment, layout.
    return handler ? (this->*handler)(record, r) : true;
}

const EmfPlayer::Table& EmfPlayer::handlers()
{
    using D = DeviceContext;
    using P = EmfPlayer;
    static const Table table{
        // attributes
        {EMR_SETMAPMODE, &P::setValue<&D::SetMapMode, std::uint32_t, int>},
        {EMR_SETBKMODE, &P::setValue<&D::SetBkMode, std::uint32_t, int>},
        {EMR_SETPOLYFILLMODE, &P::setValue<&D::SetPolyFillMode, std::uint32_t, int>},
        {EMR_SETROP2, &P::setValue<&D::SetROP2, std::uint32_t, int>},
        {EMR_SETSTRETCHBLTMODE, &P::setValue<&D::SetStretchBltMode, std::uint32_t, int>},
        {EMR_SETTEXTALIGN, &P::setValue<&D::SetTextAlign, std::uint32_t>},
        {EMR_SETTEXTCOLOR, &P::setValue<&D::SetTextColor, std::uint32_t>},
        {EMR_SETBKCOLOR, &P::setValue<&D::SetBkColor, std::uint32_t>},
        {EMR_SETARCDIRECTION, &P::setValue<&D::SetArcDirection, std::uint32_t, int>},
        {EMR_SETMITERLIMIT, &P::setMiterLimit},
        {EMR_SETTEXTJUSTIFICATION, &P::setTextJustification},
        {EMR_SETBRUSHORGEX, &P::setBrushOrg},
        // mapping
        {EMR_SETWINDOWEXTEX, &P::coords<&D::SetWindowExtEx, std::int32_t, 2>},
        {EMR_SETWINDOWORGEX, &P::coords<&D::SetWindowOrgEx, std::int32_t, 2>},
        {EMR_SETVIEWPORTEXTEX, &P::coords<&D::SetViewportExtEx, std::int32_t, 2>},
        {EMR_SETVIEWPORTORGEX, &P::coords<&D::SetViewportOrgEx, std::int32_t, 2>},
        {EMR_SCALEVIEWPORTEXTEX, &P::coords<&D::ScaleViewportExtEx, std::int32_t, 4>},
        {EMR_SCALEWINDOWEXTEX, &P::coords<&D::ScaleWindowExtEx, std::int32_t, 4>},
        {EMR_SETWORLDTRANSFORM, &P::setWorldTransform},
        {EMR_MODIFYWORLDTRANSFORM, &P::modifyWorldTransform},
        {EMR_SAVEDC, &P::noArgs<&D::SaveDC>},
        {EMR_RESTOREDC, &P::restoreDC<std::int32_t>},
        // objects
        {EMR_CREATEPEN, &P::createPen},
        {EMR_EXTCREATEPEN, &P::extCreatePen},
        {EMR_CREATEBRUSHINDIRECT, &P::createBrush},
        {EMR_CREATEMONOBRUSH, &P::createPatternBrush},
        {EMR_CREATEDIBPATTERNBRUSHPT, &P::createPatternBrush},
        {EMR_EXTCREATEFONTINDIRECTW, &P::createFont},
        {EMR_CREATEPALETTE, &P::createPalette},
        {EMR_SELECTOBJECT, &P::selectObject<std::uint32_t>},
        {EMR_SELECTPALETTE, &P::selectPalette<std::uint32_t>},
        {EMR_DELETEOBJECT, &P::deleteObject<std::uint32_t>},
        // lines and curves
        {EMR_MOVETOEX, &P::pointOp<&D::MoveToEx>},
        {EMR_LINETO, &P::pointOp<&D::LineTo>},
        {EMR_POLYBEZIER, &P::polyOp<&D::PolyBezier>},
        {EMR_POLYGON, &P::polyOp<&D::Polygon>},
        {EMR_POLYLINE, &P::polyOp<&D::Polyline>},
        {EMR_POLYBEZIERTO, &P::polyOp<&D::PolyBezierTo>},
        {EMR_POLYLINETO, &P::polyOp<&D::PolylineTo>},
        {EMR_POLYBEZIER16, &P::polyOp<&D::PolyBezier, true>},
        {EMR_POLYGON16, &P::polyOp<&D::Polygon, true>},
        {EMR_POLYLINE16, &P::polyOp<&D::Polyline, true>},
        {EMR_POLYBEZIERTO16, &P::polyOp<&D::PolyBezierTo, true>},
        {EMR_POLYLINETO16, &P::polyOp<&D::PolylineTo, true>},
        {EMR_POLYPOLYLINE, &P::polyPolyOp<&D::PolyPolyline>},
        {EMR_POLYPOLYGON, &P::polyPolyOp<&D::PolyPolygon>},
        {EMR_POLYPOLYLINE16, &P::polyPolyOp<&D::PolyPolyline, true>},
        {EMR_POLYPOLYGON16, &P::polyPolyOp<&D::PolyPolygon, true>},
        {EMR_POLYDRAW, &P::polyDraw},
        {EMR_POLYDRAW16, &P::polyDraw},
        // shapes
        {EMR_RECTANGLE, &P::coords<&D::Rectangle, std::int32_t, 4>},
        {EMR_ELLIPSE, &P::coords<&D::Ellipse, std::int32_t, 4>},
        {EMR_ROUNDRECT, &P::coords<&D::RoundRect, std::int32_t, 6>},
        {EMR_ARC, &P::arcOp<&D::Arc>},
        {EMR_CHORD, &P::arcOp<&D::Chord>},
        {EMR_PIE, &P::arcOp<&D::Pie>},
        {EMR_ARCTO, &P::arcOp<&D::ArcTo>},
        {EMR_ANGLEARC, &P::angleArc},
        {EMR_SETPIXELV, &P::setPixel},
        {EMR_EXTFLOODFILL, &P::floodFill},
        // paths
        {EMR_BEGINPATH, &P::noArgs<&D::BeginPath>},
        {EMR_ENDPATH, &P::noArgs<&D::EndPath>},
        {EMR_CLOSEFIGURE, &P::noArgs<&D::CloseFigure>},
        {EMR_ABORTPATH, &P::noArgs<&D::AbortPath>},
        {EMR_FILLPATH, &P::noArgs<&D::FillPath>},
        {EMR_STROKEPATH, &P::noArgs<&D::StrokePath>},
        {EMR_STROKEANDFILLPATH, &P::noArgs<&D::StrokeAndFillPath>},
        {EMR_FLATTENPATH, &P::noArgs<&D::FlattenPath>},
        {EMR_WIDENPATH, &P::noArgs<&D::WidenPath>},
        {EMR_SELECTCLIPPATH, &P::setValue<&D::SelectClipPath, std::uint32_t, int>},
        // clipping and regions
        {EMR_INTERSECTCLIPRECT, &P::coords<&D::IntersectClipRect, std::int32_t, 4>},
        {EMR_EXCLUDECLIPRECT, &P::coords<&D::ExcludeClipRect, std::int32_t, 4>},
        {EMR_OFFSETCLIPRGN, &P::coords<&D::OffsetClipRgn, std::int32_t, 2>},
        {EMR_SETMETARGN, &P::noArgs<&D::SetMetaRgn>},
        {EMR_EXTSELECTCLIPRGN, &P::extSelectClipRgn},
        {EMR_FILLRGN, &P::regionOp},
        {EMR_FRAMERGN, &P::regionOp},
        {EMR_INVERTRGN, &P::regionOp},
        {EMR_PAINTRGN, &P::regionOp},
        // text
        {EMR_EXTTEXTOUTA, &P::extTextOut},
        {EMR_EXTTEXTOUTW, &P::extTextOut},
        {EMR_POLYTEXTOUTA, &P::polyTextOut},
        {EMR_POLYTEXTOUTW, &P::polyTextOut},
        {EMR_SMALLTEXTOUT, &P::smallTextOut},
        // bitmaps
        {EMR_BITBLT, &P::blit},
        {EMR_STRETCHBLT, &P::blit},
        {EMR_STRETCHDIBITS, &P::blit},
        {EMR_SETDIBITSTODEVICE, &P::blit},
        {EMR_ALPHABLEND, &P::blit},
        {EMR_TRANSPARENTBLT, &P::blit},
        {EMR_GRADIENTFILL, &P::gradientFill},
    };
    return table;
}

// ---- attributes and mapping

bool EmfPlayer::setMiterLimit(const MetaRecord&, ByteReader& r)
{
    const std::uint32_t v = r.u32();
    if (!r.ok())
        return false;
    // Written as an integer by some programs and as a float by others.
    float asFloat;
    std::memcpy(&asFloat, &v, sizeof asFloat);
    dc_.SetMiterLimit(v >= 0x3F800000u && v < 0x7F800000u ? asFloat : static_cast<double>(v));
    return true;
}

bool EmfPlayer::setTextJustification(const MetaRecord&, ByteReader& r)
{
    const std::int32_t breakExtra = r.i32();
    const std::int32_t breakCount = r.i32();
    if (!r.ok())
        return false;
    dc_.SetTextJustification(breakExtra, breakCount);
    return true;
}

bool EmfPlayer::setBrushOrg(const MetaRecord&, ByteReader& r)
{
    const std::int32_t x = r.i32(), y = r.i32();
    if (!r.ok())
        return false;
    dc_.SetBrushOrgEx(x, y);
    return true;
}

bool EmfPlayer::setWorldTransform(const MetaRecord&, ByteReader& r)
{
    const QTransform t = readXform(r);
    if (!r.ok())
        return false;
    dc_.SetWorldTransform(t);
    return true;
}

bool EmfPlayer::modifyWorldTransform(const MetaRecord&, ByteReader& r)
{
    const QTransform t = readXform(r);
    const std::uint32_t mode = r.u32();
    if (!r.ok())
        return false;
    dc_.ModifyWorldTransform(t, static_cast<int>(mode));
    return true;
}

// ---- objects

bool EmfPlayer::createPen(const MetaRecord&, ByteReader& r)
{
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

bool EmfPlayer::extCreatePen(const MetaRecord& record, ByteReader& r)
{
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
        if (!inRecord(record.bytes, offBmi, cbBmi) || !inRecord(record.bytes, offBits, cbBits))
            return false;
        const auto bmi = record.bytes.subspan(offBmi, cbBmi);
        DibInfo info;
        const bool mono = brushStyle == BS_PATTERN && readDibInfo(bmi, info) && info.bitCount == 1;
        LogBrush brush = patternBrush(bmi, record.bytes.subspan(offBits, cbBits), pen.color, mono);
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

bool EmfPlayer::createBrush(const MetaRecord&, ByteReader& r)
{
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

bool EmfPlayer::createPatternBrush(const MetaRecord& record, ByteReader& r)
{
    const std::uint32_t index = r.u32();
    const std::uint32_t usage = r.u32();
    const std::uint32_t offBmi = r.u32(), cbBmi = r.u32(), offBits = r.u32(), cbBits = r.u32();
    if (!r.ok())
        return false;
    if (!inRecord(record.bytes, offBmi, cbBmi) || !inRecord(record.bytes, offBits, cbBits))
        return false;
    objects_.put(index,
                 patternBrush(record.bytes.subspan(offBmi, cbBmi), record.bytes.subspan(offBits, cbBits), usage,
                              record.type == EMR_CREATEMONOBRUSH));
    return true;
}

bool EmfPlayer::createFont(const MetaRecord&, ByteReader& r)
{
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

bool EmfPlayer::createPalette(const MetaRecord&, ByteReader& r)
{
    const std::uint32_t index = r.u32();
    Palette palette;
    if (!readLogPalette(r, palette))
        return false;
    objects_.put(index, palette);
    return true;
}

// ---- lines, curves and shapes

template <auto Op>
bool EmfPlayer::pointOp(const MetaRecord&, ByteReader& r)
{
    const QPointF p = readPointL(r);
    if (!r.ok())
        return false;
    (dc_.*Op)(p);
    return true;
}

template <auto Op, bool Small>
bool EmfPlayer::polyOp(const MetaRecord&, ByteReader& r)
{
    r.skip(16); // bounds
    const std::uint32_t count = r.u32();
    std::vector<QPointF> points;
    if (!r.ok() || !readPoints(r, count, Small, points))
        return false;
    (dc_.*Op)(points);
    return true;
}

template <auto Op, bool Small>
bool EmfPlayer::polyPolyOp(const MetaRecord&, ByteReader& r)
{
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
    if (sum > total || !readPoints(r, total, Small, points))
        return false;
    (dc_.*Op)(points, counts);
    return true;
}

bool EmfPlayer::polyDraw(const MetaRecord& record, ByteReader& r)
{
    r.skip(16);
    const std::uint32_t count = r.u32();
    std::vector<QPointF> points;
    if (!r.ok() || !readPoints(r, count, record.type == EMR_POLYDRAW16, points))
        return false;
    const auto types = r.bytes(count);
    if (!r.ok())
        return false;
    dc_.PolyDraw(points, types);
    return true;
}

template <auto Op>
bool EmfPlayer::arcOp(const MetaRecord&, ByteReader& r)
{
    const QRectF box = readBox(r);
    const QPointF start = readPointL(r);
    const QPointF end = readPointL(r);
    if (!r.ok())
        return false;
    (dc_.*Op)(box, start, end);
    return true;
}

bool EmfPlayer::angleArc(const MetaRecord&, ByteReader& r)
{
    const QPointF center = readPointL(r);
    const std::uint32_t radius = r.u32();
    const float start = r.f32(), sweep = r.f32();
    if (!r.ok())
        return false;
    dc_.AngleArc(center, radius, start, sweep);
    return true;
}

bool EmfPlayer::setPixel(const MetaRecord&, ByteReader& r)
{
    const QPointF p = readPointL(r);
    const std::uint32_t color = r.u32();
    if (!r.ok())
        return false;
    dc_.SetPixel(p, color);
    return true;
}

bool EmfPlayer::floodFill(const MetaRecord&, ByteReader& r)
{
    const QPointF p = readPointL(r);
    const std::uint32_t color = r.u32();
    const std::uint32_t mode = r.u32();
    if (!r.ok())
        return false;
    dc_.ExtFloodFill(p, color, static_cast<int>(mode));
    return true;
}

// ---- clipping and regions

bool EmfPlayer::extSelectClipRgn(const MetaRecord& record, ByteReader& r)
{
    const std::uint32_t cb = r.u32();
    const std::uint32_t mode = r.u32();
    if (!r.ok() || !inRecord(record.bytes, 16, cb))
        return false;
    if (cb == 0) {
        dc_.ExtSelectClipRgn(nullptr, static_cast<int>(mode));
        return true;
    }
    QRegion region;
    if (!parseRgnData(record.bytes.subspan(16, cb), region))
        return false;
    dc_.ExtSelectClipRgn(&region, static_cast<int>(mode));
    return true;
}

bool EmfPlayer::regionOp(const MetaRecord& record, ByteReader& r)
{
    const std::uint32_t type = record.type;
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
    if (!r.ok() || !inRecord(record.bytes, r.position(), cb))
        return false;
    QRegion region;
    if (!parseRgnData(record.bytes.subspan(r.position(), cb), region))
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

bool EmfPlayer::extTextOut(const MetaRecord& record, ByteReader& r)
{
    r.skip(16); // bounds
    const std::uint32_t graphicsMode = r.u32();
    r.f32(); // x and y scales: informational
    r.f32();
    if (!r.ok())
        return false;
    return textOut(r, record.bytes, record.type == EMR_EXTTEXTOUTW, static_cast<int>(graphicsMode));
}

bool EmfPlayer::polyTextOut(const MetaRecord& record, ByteReader& r)
{
    r.skip(16);
    const std::uint32_t graphicsMode = r.u32();
    r.f32();
    r.f32();
    const std::uint32_t strings = r.u32();
    if (!r.has(strings, 24)) // EMRTEXT without its optional rectangle
        return false;
    for (std::uint32_t i = 0; i < strings; ++i) {
        if (!textOut(r, record.bytes, record.type == EMR_POLYTEXTOUTW, static_cast<int>(graphicsMode)))
            return false;
    }
    return true;
}

bool EmfPlayer::smallTextOut(const MetaRecord&, ByteReader& r)
{
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
    dc_.ExtTextOut(p, options & ~(ETO_NO_RECT | ETO_SMALL_CHARS), (options & ETO_NO_RECT) ? nullptr : &clip, text, {},
                   static_cast<int>(graphicsMode));
    return true;
}

// ---- bitmaps and gradients

bool EmfPlayer::gradientFill(const MetaRecord&, ByteReader& r)
{
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
        text = FontMapper::decode(record.subspan(offString, count), FontMapper::textCharSet(dc_.currentFont()),
                                  &unitsPerChar);
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

bool EmfPlayer::blit(const MetaRecord& record, ByteReader& r)
{
    const std::uint32_t type = record.type;
    BlitFields f = readBlitFields(type, r);
    if (!r.ok())
        return false;
    if ((type == EMR_BITBLT || type == EMR_STRETCHBLT) && f.cbBmi == 0) {
        dc_.PatBlt(f.xDest, f.yDest, f.cxDest, f.cyDest, f.rop); // no source: a pattern operation
        return true;
    }
    if (!inRecord(record.bytes, f.offBmi, f.cbBmi) || !inRecord(record.bytes, f.offBits, f.cbBits))
        return false;
    const auto bmi = record.bytes.subspan(f.offBmi, f.cbBmi);
    const auto bits = record.bytes.subspan(f.offBits, f.cbBits);
    DibInfo info;
    if (!readDibInfo(bmi, info))
        return true;

    std::vector<std::uint8_t> partialInfo;
    std::span<const std::uint8_t> infoBytes = bmi;
    double carriedRows = std::fabs(static_cast<double>(info.height));
    if (type == EMR_SETDIBITSTODEVICE && info.headerSize >= 40 && f.scanCount > 0 && f.scanCount < carriedRows) {
        // Only scan lines [first, first + count) travel with the record:
        // decode them as a DIB of that height.
        partialInfo.assign(bmi.begin(), bmi.end());
        const std::int32_t h =
            info.height < 0 ? -static_cast<std::int32_t>(f.scanCount) : static_cast<std::int32_t>(f.scanCount);
        std::memcpy(partialInfo.data() + 8, &h, 4);
        infoBytes = partialInfo;
        carriedRows = f.scanCount;
        f.ySrc -= f.firstScan;
    }
    const bool alpha = type == EMR_ALPHABLEND && ((f.extra >> 24) & 0x01); // AC_SRC_ALPHA
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
    QImage image;
    if (!dc_.allowPixelWork(dibPixels(infoBytes))
        || !decodeDib(infoBytes, bits, static_cast<int>(f.usage), dc_.currentPalette(), image, alpha))
        return true; // an undecodable bitmap is skipped; the record itself is sound

    QRectF source(f.xSrc, f.ySrc, f.cxSrc, f.cySrc);
    if (type == EMR_STRETCHDIBITS || type == EMR_SETDIBITSTODEVICE) {
        // Measured from the first stored row: the bottom one unless top down.
        if (info.height > 0)
            source = QRectF(f.xSrc, carriedRows - f.ySrc - f.cySrc, f.cxSrc, f.cySrc);
    } else if (!f.sourceTransform.isIdentity() && finiteTransform(f.sourceTransform)
               && f.sourceTransform.m11() * f.sourceTransform.m22() - f.sourceTransform.m12() * f.sourceTransform.m21()
                   != 0) {
        source = f.sourceTransform.mapRect(source);
    }
    return drawBlit(type, f, image, source);
}

bool EmfPlayer::drawBlit(std::uint32_t type, const BlitFields& f, const QImage& image, const QRectF& source)
{
    if (type == EMR_SETDIBITSTODEVICE) {
        // One DIB pixel per device pixel.
        const QTransform t = dc_.logicalToDevice();
        if (t.m11() == 0 || t.m22() == 0)
            return true;
        dc_.StretchBlt(QRectF(f.xDest, f.yDest, f.cxSrc / std::fabs(t.m11()), f.cySrc / std::fabs(t.m22())), image,
                       source, SRCCOPY);
        return true;
    }
    const QRectF dest(f.xDest, f.yDest, f.cxDest, f.cyDest);
    switch (type) {
    case EMR_ALPHABLEND:
        dc_.AlphaBlend(dest, image, source, static_cast<int>((f.extra >> 16) & 0xFF), ((f.extra >> 24) & 0x01) != 0);
        return true;
    case EMR_TRANSPARENTBLT: dc_.TransparentBlt(dest, image, source, f.extra); return true;
    default: dc_.StretchBlt(dest, image, source, f.rop); return true;
    }
}

} // namespace plat::metafile
