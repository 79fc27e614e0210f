#include "metafile/WmfPlayer.h"

#include "common/ByteReader.h"
#include "gdi/FontMapper.h"
#include "gdi/RegionData.h"
#include "metafile/MetafileDib.h"
#include "metafile/ObjectTable.h"
#include "metafile/RecordTable.h"
#include "metafile/WmfRecords.h"

#include <cmath>

namespace plat::metafile {

using namespace gdi;

namespace {

// The object table never grows past what a 16-bit index can name.
constexpr std::size_t kMaxObjects = 0xFFFF;

QPointF readPoint(ByteReader& r)
{
    const double x = r.i16();
    const double y = r.i16();
    return {x, y};
}

// Points stored as x, y pairs; false when count of them are not there.
bool readPoints(ByteReader& r, std::size_t count, std::vector<QPointF>& out)
{
    if (!r.has(count, 4))
        return false;
    out.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = readPoint(r);
    return true;
}

LogFont readLogFont(ByteReader& r)
{
    LogFont f;
    f.height = r.i16();
    f.width = r.i16();
    f.escapement = r.i16();
    r.i16(); // orientation
    f.weight = r.i16();
    f.italic = r.u8() != 0;
    f.underline = r.u8() != 0;
    f.strikeOut = r.u8() != 0;
    f.charSet = r.u8();
    r.u8(); // output precision
    r.u8(); // clip precision
    r.u8(); // quality
    f.pitchAndFamily = r.u8();
    // The face name is up to 32 bytes, NUL-terminated, often cut short.
    QByteArray name;
    for (int i = 0; i < 32 && r.remaining() > 0; ++i) {
        const std::uint8_t c = r.u8();
        if (!c)
            break;
        name.append(static_cast<char>(c));
    }
    f.faceName = FontMapper::decode(std::span(reinterpret_cast<const std::uint8_t*>(name.constData()),
                                              static_cast<std::size_t>(name.size())),
                                    f.charSet == SYMBOL_CHARSET ? ANSI_CHARSET : f.charSet);
    return f;
}

} // namespace

WmfPlayer::WmfPlayer(DeviceContext& dc, std::span<const std::uint8_t> bytes, const MetaHeader& header)
    : PlaybackCore(dc, header.objects, kMaxObjects), bytes_(bytes), header_(header)
{
}

namespace {

// Sizes count 16-bit words, the size first; the end record ends playback
// whatever its size says.
struct WmfFamily {
    static constexpr std::size_t kHeaderBytes = 6;
    static void readHeader(ByteReader& r, std::uint32_t& type, std::uint64_t& size)
    {
        size = std::uint64_t{r.u32()} * 2;
        type = r.u16();
    }
    static RecordCheck check(std::uint32_t type, std::uint64_t size, std::size_t left)
    {
        if (type == META_EOF)
            return RecordCheck::End;
        return size < kHeaderBytes || size > left ? RecordCheck::Bad : RecordCheck::Play;
    }
};

} // namespace

PlaybackResult WmfPlayer::play()
{
    return playRecords<WmfFamily>(bytes_, static_cast<std::size_t>(header_.headerWords) * 2,
                                  [this](const MetaRecord& record) {
        return playRecord(record) ? RecordOutcome::Played : RecordOutcome::Bad;
    });
}

bool WmfPlayer::playRecord(const MetaRecord& record)
{
    ByteReader r(record.params);
    const Handler handler = handlers().find(static_cast<std::uint16_t>(record.type));
    // Records with no handler (escapes, palette animation, mapper flags,
    // layout) are accepted and draw nothing.
    return handler ? (this->*handler)(record, r) : true;
}

const WmfPlayer::Table& WmfPlayer::handlers()
{
    using D = DeviceContext;
    using P = WmfPlayer;
    static const Table table{
        // state and attributes
        {META_SAVEDC, &P::noArgs<&D::SaveDC>},
        {META_RESTOREDC, &P::restoreDC<std::int16_t>},
        {META_SETBKMODE, &P::setValue<&D::SetBkMode, std::uint16_t>},
        {META_SETMAPMODE, &P::setValue<&D::SetMapMode, std::uint16_t>},
        {META_SETROP2, &P::setValue<&D::SetROP2, std::uint16_t>},
        {META_SETPOLYFILLMODE, &P::setValue<&D::SetPolyFillMode, std::uint16_t>},
        {META_SETSTRETCHBLTMODE, &P::setValue<&D::SetStretchBltMode, std::uint16_t>},
        {META_SETTEXTCHAREXTRA, &P::setValue<&D::SetTextCharacterExtra, std::uint16_t, std::int16_t>},
        {META_SETTEXTALIGN, &P::setValue<&D::SetTextAlign, std::uint16_t>},
        {META_SETBKCOLOR, &P::setValue<&D::SetBkColor, std::uint32_t>},
        {META_SETTEXTCOLOR, &P::setValue<&D::SetTextColor, std::uint32_t>},
        {META_SETTEXTJUSTIFICATION, &P::setTextJustification},
        // mapping
        {META_SETWINDOWORG, &P::reversedCoords<&D::SetWindowOrgEx, std::int16_t, 2>},
        {META_SETWINDOWEXT, &P::reversedCoords<&D::SetWindowExtEx, std::int16_t, 2>},
        {META_SETVIEWPORTORG, &P::reversedCoords<&D::SetViewportOrgEx, std::int16_t, 2>},
        {META_SETVIEWPORTEXT, &P::reversedCoords<&D::SetViewportExtEx, std::int16_t, 2>},
        {META_OFFSETWINDOWORG, &P::reversedCoords<&D::OffsetWindowOrgEx, std::int16_t, 2>},
        {META_OFFSETVIEWPORTORG, &P::reversedCoords<&D::OffsetViewportOrgEx, std::int16_t, 2>},
        {META_SCALEWINDOWEXT, &P::reversedCoords<&D::ScaleWindowExtEx, std::int16_t, 4>},
        {META_SCALEVIEWPORTEXT, &P::reversedCoords<&D::ScaleViewportExtEx, std::int16_t, 4>},
        // objects
        {META_CREATEPENINDIRECT, &P::createPen},
        {META_CREATEBRUSHINDIRECT, &P::createBrush},
        {META_CREATEFONTINDIRECT, &P::createFont},
        {META_DIBCREATEPATTERNBRUSH, &P::createDibPatternBrush},
        {META_CREATEPATTERNBRUSH, &P::createPatternBrush},
        {META_CREATEPALETTE, &P::createPalette},
        {META_CREATEREGION, &P::createRegion},
        {META_SELECTOBJECT, &P::selectObject<std::uint16_t>},
        {META_SELECTPALETTE, &P::selectPalette<std::uint16_t>},
        {META_DELETEOBJECT, &P::deleteObject<std::uint16_t>},
        // lines and shapes
        {META_MOVETO, &P::movePointOp<&D::MoveToEx>},
        {META_LINETO, &P::movePointOp<&D::LineTo>},
        {META_POLYGON, &P::polyOp<&D::Polygon>},
        {META_POLYLINE, &P::polyOp<&D::Polyline>},
        {META_POLYPOLYGON, &P::polyPolygon},
        {META_RECTANGLE, &P::reversedCoords<&D::Rectangle, std::int16_t, 4>},
        {META_ELLIPSE, &P::reversedCoords<&D::Ellipse, std::int16_t, 4>},
        {META_ROUNDRECT, &P::reversedCoords<&D::RoundRect, std::int16_t, 6>},
        {META_ARC, &P::arcOp<&D::Arc>},
        {META_PIE, &P::arcOp<&D::Pie>},
        {META_CHORD, &P::arcOp<&D::Chord>},
        {META_SETPIXEL, &P::setPixel},
        {META_FLOODFILL, &P::floodFill},
        {META_EXTFLOODFILL, &P::floodFill},
        // text
        {META_TEXTOUT, &P::textOut},
        {META_EXTTEXTOUT, &P::extTextOut},
        // clipping and regions
        {META_INTERSECTCLIPRECT, &P::reversedCoords<&D::IntersectClipRect, std::int16_t, 4>},
        {META_EXCLUDECLIPRECT, &P::reversedCoords<&D::ExcludeClipRect, std::int16_t, 4>},
        {META_OFFSETCLIPRGN, &P::reversedCoords<&D::OffsetClipRgn, std::int16_t, 2>},
        {META_SELECTCLIPREGION, &P::selectClipRegion},
        {META_FILLREGION, &P::fillRegion},
        {META_FRAMEREGION, &P::frameRegion},
        {META_INVERTREGION, &P::regionOp<&D::InvertRgn>},
        {META_PAINTREGION, &P::regionOp<&D::PaintRgn>},
        // bitmaps
        {META_PATBLT, &P::patBlt},
        {META_BITBLT, &P::blit},
        {META_STRETCHBLT, &P::blit},
        {META_DIBBITBLT, &P::blit},
        {META_DIBSTRETCHBLT, &P::blit},
        {META_STRETCHDIB, &P::blit},
        {META_SETDIBTODEV, &P::setDibToDevice},
    };
    return table;
}

// ---- state and attributes

bool WmfPlayer::setTextJustification(const MetaRecord&, ByteReader& r)
{
    const std::int16_t breakCount = r.i16();
    const std::int16_t breakExtra = r.i16();
    if (!r.ok())
        return false;
    dc_.SetTextJustification(breakExtra, breakCount);
    return true;
}

// ---- objects

bool WmfPlayer::createPen(const MetaRecord&, ByteReader& r)
{
    LogPen pen;
    pen.style = r.u16();
    pen.width = std::abs(static_cast<int>(r.i16()));
    r.i16(); // unused height of the width point
    pen.color = r.u32();
    if (!r.ok())
        return false;
    objects_.add(pen);
    return true;
}

bool WmfPlayer::createBrush(const MetaRecord&, ByteReader& r)
{
    LogBrush brush;
    brush.style = r.u16();
    brush.color = r.u32();
    brush.hatch = r.u16();
    if (!r.ok())
        return false;
    if (brush.style == BS_PATTERN || brush.style == BS_DIBPATTERN || brush.style == BS_DIBPATTERNPT)
        brush.style = BS_SOLID; // no pattern travels with this record
    objects_.add(brush);
    return true;
}

bool WmfPlayer::createFont(const MetaRecord&, ByteReader& r)
{
    LogFont font = readLogFont(r);
    if (!r.ok())
        return false;
    objects_.add(font);
    return true;
}

bool WmfPlayer::createDibPatternBrush(const MetaRecord& record, ByteReader& r)
{
    const std::uint16_t style = r.u16();
    const std::uint16_t usage = r.u16();
    if (!r.ok())
        return false;
    LogBrush brush;
    brush.style = BS_DIBPATTERNPT;
    QImage pattern;
    const auto dib = record.params.subspan(4);
    DibInfo info;
    const bool dibHeader = readDibInfo(dib, info) && isDibHeaderSize(info.headerSize);
    if (!dibHeader && style == BS_PATTERN) {
        // Some writers put the old device-dependent Bitmap16 here (its bits
        // right after the 10-byte header) instead of a DIB; a monochrome
        // one takes the text and background colours like any mono pattern.
        if (dc_.allowPixelWork(bitmap16Pixels(dib))
            && decodeBitmap16(dib, 10, qRgb(0, 0, 0), qRgb(255, 255, 255), pattern)) {
            ByteReader h(dib);
            h.skip(8);
            const std::uint8_t planes = h.u8();
            brush.monochrome = planes == 1 && h.u8() == 1;
        }
    } else if (!dc_.allowPixelWork(dibPixels(dib))) {
        // past the budget: the pattern is not decoded and fills grey below
    } else if (dibHeader && info.bitCount == 1 && style == BS_PATTERN) {
        // A monochrome pattern takes the text and background colours.
        const std::size_t infoSize = info.headerSize + info.colorEntries * (info.headerSize == 12 ? 3 : 4);
        if (infoSize <= dib.size() && decodeMonochromeMask(dib.first(infoSize), dib.subspan(infoSize), pattern))
            brush.monochrome = true;
    } else {
        decodePackedDib(dib, style == BS_PATTERN ? DIB_RGB_COLORS : usage, dc_.currentPalette(), pattern);
    }
    setBrushPattern(brush, std::move(pattern));
    objects_.add(brush);
    return true;
}

bool WmfPlayer::createPatternBrush(const MetaRecord& record, ByteReader&)
{
    // A Bitmap16 header with a 4-byte bits pointer, 18 reserved bytes, then the bits.
    QImage pattern;
    LogBrush brush;
    brush.style = BS_PATTERN;
    if (dc_.allowPixelWork(bitmap16Pixels(record.params))
        && decodeBitmap16(record.params, 32, qRgb(0, 0, 0), qRgb(255, 255, 255), pattern)) {
        ByteReader h(record.params);
        h.skip(8);
        brush.monochrome = h.u8() == 1 && h.u8() == 1;
    } else {
        pattern = QImage();
    }
    setBrushPattern(brush, std::move(pattern));
    objects_.add(brush);
    return true;
}

bool WmfPlayer::createPalette(const MetaRecord&, ByteReader& r)
{
    Palette palette;
    if (!readLogPalette(r, palette))
        return false;
    objects_.add(palette);
    return true;
}

bool WmfPlayer::createRegion(const MetaRecord& record, ByteReader&)
{
    QRegion rgn;
    if (!parseWmfRegion(record.params, rgn))
        return false;
    objects_.add(rgn);
    return true;
}

// ---- lines and shapes

template <auto Op>
bool WmfPlayer::movePointOp(const MetaRecord&, ByteReader& r)
{
    const double y = r.i16(), x = r.i16();
    if (!r.ok())
        return false;
    (dc_.*Op)({x, y});
    return true;
}

template <auto Op>
bool WmfPlayer::polyOp(const MetaRecord&, ByteReader& r)
{
    const std::uint16_t count = r.u16();
    std::vector<QPointF> points;
    if (!r.ok() || !readPoints(r, count, points))
        return false;
    (dc_.*Op)(points);
    return true;
}

bool WmfPlayer::polyPolygon(const MetaRecord&, ByteReader& r)
{
    const std::uint16_t polygons = r.u16();
    if (!r.has(polygons, 2))
        return false;
    std::vector<std::uint32_t> counts(polygons);
    std::size_t total = 0;
    for (auto& c : counts) {
        c = r.u16();
        total += c;
    }
    std::vector<QPointF> points;
    if (!readPoints(r, total, points))
        return false;
    dc_.PolyPolygon(points, counts);
    return true;
}

template <auto Op>
bool WmfPlayer::arcOp(const MetaRecord&, ByteReader& r)
{
    const double yEnd = r.i16(), xEnd = r.i16(), yStart = r.i16(), xStart = r.i16();
    const double bottom = r.i16(), right = r.i16(), top = r.i16(), left = r.i16();
    if (!r.ok())
        return false;
    (dc_.*Op)(QRectF(QPointF(left, top), QPointF(right, bottom)), {xStart, yStart}, {xEnd, yEnd});
    return true;
}

bool WmfPlayer::setPixel(const MetaRecord&, ByteReader& r)
{
    const std::uint32_t color = r.u32();
    const double y = r.i16(), x = r.i16();
    if (!r.ok())
        return false;
    dc_.SetPixel({x, y}, color);
    return true;
}

bool WmfPlayer::floodFill(const MetaRecord& record, ByteReader& r)
{
    // Some writers give FLOODFILL the mode word of EXTFLOODFILL too; the
    // colour and point are the last four words either way.
    if (record.params.size() < 8)
        return false;
    const bool extended = record.type == META_EXTFLOODFILL;
    if (!extended)
        r.seek(record.params.size() - 8);
    const int mode = extended ? r.u16() : FLOODFILLBORDER;
    const std::uint32_t color = r.u32();
    const double y = r.i16(), x = r.i16();
    if (!r.ok())
        return false;
    dc_.ExtFloodFill({x, y}, color, mode);
    return true;
}

// ---- clipping and regions

bool WmfPlayer::selectClipRegion(const MetaRecord&, ByteReader& r)
{
    const std::uint16_t index = r.u16();
    if (!r.ok())
        return false;
    if (const QRegion* rgn = objects_.find<QRegion>(index))
        dc_.SelectClipRgnLogical(*rgn);
    else
        dc_.ExtSelectClipRgn(nullptr, RGN_COPY); // no region: clipping off
    return true;
}

bool WmfPlayer::fillRegion(const MetaRecord&, ByteReader& r)
{
    const std::uint16_t regionIndex = r.u16(), brushIndex = r.u16();
    if (!r.ok())
        return false;
    const QRegion* rgn = objects_.find<QRegion>(regionIndex);
    const LogBrush* brush = objects_.find<LogBrush>(brushIndex);
    if (rgn && brush)
        dc_.FillRgn(*rgn, *brush);
    return true;
}

bool WmfPlayer::frameRegion(const MetaRecord&, ByteReader& r)
{
    const std::uint16_t regionIndex = r.u16(), brushIndex = r.u16();
    const double height = r.i16(), width = r.i16();
    if (!r.ok())
        return false;
    const QRegion* rgn = objects_.find<QRegion>(regionIndex);
    const LogBrush* brush = objects_.find<LogBrush>(brushIndex);
    if (rgn && brush)
        dc_.FrameRgn(*rgn, *brush, width, height);
    return true;
}

template <auto Op>
bool WmfPlayer::regionOp(const MetaRecord&, ByteReader& r)
{
    const std::uint16_t regionIndex = r.u16();
    if (!r.ok())
        return false;
    if (const QRegion* rgn = objects_.find<QRegion>(regionIndex))
        (dc_.*Op)(*rgn);
    return true;
}

// ---- bitmaps

bool WmfPlayer::patBlt(const MetaRecord&, ByteReader& r)
{
    const std::uint32_t rop = r.u32();
    const double height = r.i16(), width = r.i16(), y = r.i16(), x = r.i16();
    if (!r.ok())
        return false;
    dc_.PatBlt(x, y, width, height, rop);
    return true;
}

bool WmfPlayer::textOut(const MetaRecord&, ByteReader& r)
{
    const std::uint16_t count = r.u16();
    const auto text = r.bytes(count);
    r.skip(count % 2); // strings are padded to whole words
    const double y = r.i16(), x = r.i16();
    if (!r.ok())
        return false;
    dc_.ExtTextOut({x, y}, 0, nullptr, FontMapper::decode(text, FontMapper::textCharSet(dc_.currentFont())), {},
                   GM_COMPATIBLE);
    return true;
}

bool WmfPlayer::extTextOut(const MetaRecord&, ByteReader& r)
{
    const double y = r.i16(), x = r.i16();
    const std::int16_t count = r.i16();
    const std::uint16_t options = r.u16();
    if (!r.ok() || count < 0)
        return false;
    QRectF rect;
    const bool hasRect = (options & (ETO_OPAQUE | ETO_CLIPPED)) != 0;
    if (hasRect) {
        const double left = r.i16(), top = r.i16(), right = r.i16(), bottom = r.i16();
        rect = QRectF(QPointF(left, top), QPointF(right, bottom));
    }
    const auto bytes = r.bytes(static_cast<std::size_t>(count));
    if (!r.ok())
        return false;
    r.skip(static_cast<std::size_t>(count) % 2);
    std::vector<int> unitsPerChar;
    const QString text = FontMapper::decode(bytes, FontMapper::textCharSet(dc_.currentFont()), &unitsPerChar);
    // Advances are per byte and optional; double-byte characters sum theirs.
    // With ETO_PDY each byte has a pair (along the baseline, then up).
    const std::size_t perByte = (options & ETO_PDY) ? 2 : 1;
    std::vector<double> dx;
    if (r.ok() && r.has(static_cast<std::size_t>(count) * perByte, 2)) {
        std::vector<double> values(static_cast<std::size_t>(count) * perByte);
        for (auto& v : values)
            v = r.i16();
        if (unitsPerChar.size() == static_cast<std::size_t>(text.size())) {
            std::size_t at = 0;
            for (int n : unitsPerChar) {
                double sum[2] = {0, 0};
                for (int k = 0; k < n && at < static_cast<std::size_t>(count); ++k, ++at)
                    for (std::size_t j = 0; j < perByte; ++j)
                        sum[j] += values[at * perByte + j];
                dx.insert(dx.end(), sum, sum + perByte);
            }
        } else if (values.size() == static_cast<std::size_t>(text.size()) * perByte) {
            dx = std::move(values);
        }
    }
    dc_.ExtTextOut({x, y}, options, hasRect ? &rect : nullptr, text, dx, GM_COMPATIBLE);
    return true;
}

bool WmfPlayer::setDibToDevice(const MetaRecord&, ByteReader& r)
{
    const int usage = r.u16();
    r.u16(); // scan lines carried
    const std::uint16_t startScan = r.u16();
    const double srcY = r.i16(), srcX = r.i16(), srcH = r.i16(), srcW = r.i16();
    const double dstY = r.i16(), dstX = r.i16();
    if (!r.ok())
        return false;
    QImage image;
    const auto dib = r.data().subspan(r.position());
    if (!dc_.allowPixelWork(dibPixels(dib)) || !decodePackedDib(dib, usage, dc_.currentPalette(), image))
        return true;
    // The rows carried are scans startScan.. counted from the bottom.
    const double top = image.height() - (srcY - startScan) - srcH;
    const QTransform t = dc_.logicalToDevice();
    if (t.m11() == 0 || t.m22() == 0)
        return true;
    // One DIB pixel per device pixel.
    dc_.StretchBlt(QRectF(dstX, dstY, srcW / std::fabs(t.m11()), srcH / std::fabs(t.m22())), image,
                   QRectF(srcX, top, srcW, srcH), SRCCOPY);
    return true;
}

bool WmfPlayer::blit(const MetaRecord& record, ByteReader& r)
{
    const auto function = static_cast<std::uint16_t>(record.type);
    // BitBlt and StretchBlt records come in two forms: without a bitmap (a
    // pattern operation, with a reserved word) when the record is exactly as
    // long as the high byte of the function says, else with one.
    const bool withoutBitmap = record.bytes.size() / 2 == 3u + (function >> 8);
    std::uint32_t rop = 0;
    int usage = DIB_RGB_COLORS;
    double srcW = 0, srcH = 0, srcX = 0, srcY = 0, dstW = 0, dstH = 0, dstX = 0, dstY = 0;
    bool stretch = false;
    switch (function) {
    case META_STRETCHDIB:
        rop = r.u32();
        usage = r.u16();
        stretch = true;
        break;
    default:
        rop = r.u32();
        stretch = function == META_STRETCHBLT || function == META_DIBSTRETCHBLT;
        break;
    }
    if (stretch) {
        srcH = r.i16();
        srcW = r.i16();
    }
    srcY = r.i16();
    srcX = r.i16();
    if (withoutBitmap && function != META_STRETCHDIB)
        r.i16(); // reserved
    dstH = r.i16();
    dstW = r.i16();
    dstY = r.i16();
    dstX = r.i16();
    if (!r.ok())
        return false;
    if (!stretch) {
        srcW = dstW;
        srcH = dstH;
    }
    if (withoutBitmap && function != META_STRETCHDIB) {
        dc_.PatBlt(dstX, dstY, dstW, dstH, rop);
        return true;
    }
    const auto bitmap = r.data().subspan(r.position());
    QImage image;
    const bool deviceBitmap = function == META_BITBLT || function == META_STRETCHBLT;
    if (!dc_.allowPixelWork(deviceBitmap ? bitmap16Pixels(bitmap) : dibPixels(bitmap)))
        return true; // past the budget for pixel work: skipped
    const QRgb textColor = dc_.resolveColor(dc_.textColor()), bkColor = dc_.resolveColor(dc_.bkColor());
    if (deviceBitmap) {
        // A device bitmap: monochrome ones take the text and background colours.
        if (!decodeBitmap16(bitmap, 10, textColor, bkColor, image))
            return true;
    } else if (function != META_STRETCHDIB && rop != SRCCOPY
               && decodeMonochromePackedDib(bitmap, textColor, bkColor, image)) {
        // A monochrome source that is combined with the picture (a mask, as
        // icons drawn with SRCAND) takes the text and background colours,
        // as a monochrome bitmap in a memory context does; copied, it shows
        // its own table.
    } else if (!decodePackedDib(bitmap, usage, dc_.currentPalette(), image)) {
        return true; // an undecodable bitmap is skipped, the record itself is sound
    }
    QRectF source(srcX, srcY, srcW, srcH);
    if (function == META_STRETCHDIB) {
        // StretchDIBits measures the source from the DIB's first stored row,
        // which is the bottom one unless the DIB is stored top down.
        DibInfo info;
        if (readDibInfo(bitmap, info) && info.height > 0)
            source = QRectF(srcX, image.height() - srcY - srcH, srcW, srcH);
    }
    dc_.StretchBlt(QRectF(dstX, dstY, dstW, dstH), image, source, rop);
    return true;
}

} // namespace plat::metafile
