#include "metafile/WmfPlayer.h"

#include "metafile/ByteReader.h"
#include "metafile/FontMapper.h"
#include "metafile/MetafileDib.h"
#include "metafile/ObjectTable.h"
#include "metafile/RegionData.h"
#include "metafile/WmfRecords.h"

#include <cmath>

namespace plat::gdi {

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
    : dc_(dc), bytes_(bytes), header_(header), objects_(header.objects, kMaxObjects)
{
}

PlaybackResult WmfPlayer::play()
{
    PlaybackResult result;
    result.status = PlaybackStatus::Complete;
    std::size_t pos = static_cast<std::size_t>(header_.headerWords) * 2;
    while (pos < bytes_.size()) {
        ByteReader r(bytes_, pos);
        const std::uint32_t sizeWords = r.u32();
        const std::uint16_t function = r.u16();
        if (!r.ok() || function == META_EOF)
            break; // data that ends inside a record header, or the end record
        const std::uint64_t size = std::uint64_t{sizeWords} * 2;
        if (sizeWords < 3 || size > bytes_.size() - pos) {
            result.status = PlaybackStatus::BadRecord;
            result.badRecordOffset = pos;
            return result;
        }
        const auto params = bytes_.subspan(pos + 6, static_cast<std::size_t>(size) - 6);
        if (!playRecord(function, sizeWords, params)) {
            result.status = PlaybackStatus::BadRecord;
            result.badRecordOffset = pos;
            return result;
        }
        ++result.recordsPlayed;
        pos += static_cast<std::size_t>(size);
    }
    return result;
}

bool WmfPlayer::playRecord(std::uint16_t function, std::uint32_t sizeWords, std::span<const std::uint8_t> params)
{
    ByteReader r(params);
    switch (function) {
    // ---- state and attributes
    case META_SAVEDC: dc_.SaveDC(); return true;
    case META_RESTOREDC: {
        const std::int16_t which = r.i16();
        if (!r.ok())
            return false;
        dc_.RestoreDC(which);
        return true;
    }
    case META_SETBKMODE:
    case META_SETMAPMODE:
    case META_SETROP2:
    case META_SETPOLYFILLMODE:
    case META_SETSTRETCHBLTMODE:
    case META_SETTEXTCHAREXTRA:
    case META_SETTEXTALIGN: {
        const std::uint16_t v = r.u16();
        if (!r.ok())
            return false;
        switch (function) {
        case META_SETBKMODE: dc_.SetBkMode(v); break;
        case META_SETMAPMODE: dc_.SetMapMode(v); break;
        case META_SETROP2: dc_.SetROP2(v); break;
        case META_SETPOLYFILLMODE: dc_.SetPolyFillMode(v); break;
        case META_SETSTRETCHBLTMODE: dc_.SetStretchBltMode(v); break;
        case META_SETTEXTCHAREXTRA: dc_.SetTextCharacterExtra(static_cast<std::int16_t>(v)); break;
        default: dc_.SetTextAlign(v); break;
        }
        return true;
    }
    case META_SETBKCOLOR:
    case META_SETTEXTCOLOR: {
        const std::uint32_t c = r.u32();
        if (!r.ok())
            return false;
        if (function == META_SETBKCOLOR)
            dc_.SetBkColor(c);
        else
            dc_.SetTextColor(c);
        return true;
    }
    case META_SETTEXTJUSTIFICATION: {
        const std::int16_t breakCount = r.i16();
        const std::int16_t breakExtra = r.i16();
        if (!r.ok())
            return false;
        dc_.SetTextJustification(breakExtra, breakCount);
        return true;
    }

    // ---- mapping
    case META_SETWINDOWORG:
    case META_SETWINDOWEXT:
    case META_SETVIEWPORTORG:
    case META_SETVIEWPORTEXT:
    case META_OFFSETWINDOWORG:
    case META_OFFSETVIEWPORTORG: {
        const double y = r.i16();
        const double x = r.i16();
        if (!r.ok())
            return false;
        switch (function) {
        case META_SETWINDOWORG: dc_.SetWindowOrgEx(x, y); break;
        case META_SETWINDOWEXT: dc_.SetWindowExtEx(x, y); break;
        case META_SETVIEWPORTORG: dc_.SetViewportOrgEx(x, y); break;
        case META_SETVIEWPORTEXT: dc_.SetViewportExtEx(x, y); break;
        case META_OFFSETWINDOWORG: dc_.OffsetWindowOrgEx(x, y); break;
        default: dc_.OffsetViewportOrgEx(x, y); break;
        }
        return true;
    }
    case META_SCALEWINDOWEXT:
    case META_SCALEVIEWPORTEXT: {
        const double yDenom = r.i16(), yNum = r.i16(), xDenom = r.i16(), xNum = r.i16();
        if (!r.ok())
            return false;
        if (function == META_SCALEWINDOWEXT)
            dc_.ScaleWindowExtEx(xNum, xDenom, yNum, yDenom);
        else
            dc_.ScaleViewportExtEx(xNum, xDenom, yNum, yDenom);
        return true;
    }

    // ---- objects
    case META_CREATEPENINDIRECT: {
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
    case META_CREATEBRUSHINDIRECT: {
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
    case META_CREATEFONTINDIRECT: {
        LogFont font = readLogFont(r);
        if (!r.ok())
            return false;
        objects_.add(font);
        return true;
    }
    case META_DIBCREATEPATTERNBRUSH: {
        const std::uint16_t style = r.u16();
        const std::uint16_t usage = r.u16();
        if (!r.ok())
            return false;
        LogBrush brush;
        brush.style = BS_DIBPATTERNPT;
        QImage pattern;
        const auto dib = params.subspan(4);
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
    case META_CREATEPATTERNBRUSH: {
        // A Bitmap16 header with a 4-byte bits pointer, 18 reserved bytes, then the bits.
        QImage pattern;
        LogBrush brush;
        brush.style = BS_PATTERN;
        if (dc_.allowPixelWork(bitmap16Pixels(params))
            && decodeBitmap16(params, 32, qRgb(0, 0, 0), qRgb(255, 255, 255), pattern)) {
            ByteReader h(params);
            h.skip(8);
            brush.monochrome = h.u8() == 1 && h.u8() == 1;
        } else {
            pattern = QImage();
        }
        setBrushPattern(brush, std::move(pattern));
        objects_.add(brush);
        return true;
    }
    case META_CREATEPALETTE: {
        Palette palette;
        if (!readLogPalette(r, palette))
            return false;
        objects_.add(palette);
        return true;
    }
    case META_CREATEREGION: {
        QRegion rgn;
        if (!parseWmfRegion(params, rgn))
            return false;
        objects_.add(rgn);
        return true;
    }
    case META_SELECTOBJECT: {
        const std::uint16_t index = r.u16();
        if (!r.ok())
            return false;
        objects_.select(dc_, index);
        return true;
    }
    case META_SELECTPALETTE: {
        const std::uint16_t index = r.u16();
        if (!r.ok())
            return false;
        objects_.selectPalette(dc_, index);
        return true;
    }
    case META_DELETEOBJECT: {
        const std::uint16_t index = r.u16();
        if (!r.ok())
            return false;
        objects_.remove(index);
        return true;
    }

    // ---- lines and shapes
    case META_MOVETO:
    case META_LINETO: {
        const double y = r.i16(), x = r.i16();
        if (!r.ok())
            return false;
        if (function == META_MOVETO)
            dc_.MoveToEx({x, y});
        else
            dc_.LineTo({x, y});
        return true;
    }
    case META_POLYGON:
    case META_POLYLINE: {
        const std::uint16_t count = r.u16();
        std::vector<QPointF> points;
        if (!r.ok() || !readPoints(r, count, points))
            return false;
        if (function == META_POLYGON)
            dc_.Polygon(points);
        else
            dc_.Polyline(points);
        return true;
    }
    case META_POLYPOLYGON: {
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
    case META_RECTANGLE:
    case META_ELLIPSE:
    case META_INTERSECTCLIPRECT:
    case META_EXCLUDECLIPRECT: {
        const double bottom = r.i16(), right = r.i16(), top = r.i16(), left = r.i16();
        if (!r.ok())
            return false;
        switch (function) {
        case META_RECTANGLE: dc_.Rectangle(left, top, right, bottom); break;
        case META_ELLIPSE: dc_.Ellipse(left, top, right, bottom); break;
        case META_INTERSECTCLIPRECT: dc_.IntersectClipRect(left, top, right, bottom); break;
        default: dc_.ExcludeClipRect(left, top, right, bottom); break;
        }
        return true;
    }
    case META_ROUNDRECT: {
        const double height = r.i16(), width = r.i16();
        const double bottom = r.i16(), right = r.i16(), top = r.i16(), left = r.i16();
        if (!r.ok())
            return false;
        dc_.RoundRect(left, top, right, bottom, width, height);
        return true;
    }
    case META_ARC:
    case META_PIE:
    case META_CHORD: {
        const double yEnd = r.i16(), xEnd = r.i16(), yStart = r.i16(), xStart = r.i16();
        const double bottom = r.i16(), right = r.i16(), top = r.i16(), left = r.i16();
        if (!r.ok())
            return false;
        const QRectF box(QPointF(left, top), QPointF(right, bottom));
        if (function == META_ARC)
            dc_.Arc(box, {xStart, yStart}, {xEnd, yEnd});
        else if (function == META_PIE)
            dc_.Pie(box, {xStart, yStart}, {xEnd, yEnd});
        else
            dc_.Chord(box, {xStart, yStart}, {xEnd, yEnd});
        return true;
    }
    case META_SETPIXEL: {
        const std::uint32_t color = r.u32();
        const double y = r.i16(), x = r.i16();
        if (!r.ok())
            return false;
        dc_.SetPixel({x, y}, color);
        return true;
    }
    case META_FLOODFILL:
    case META_EXTFLOODFILL: {
        // Some writers give FLOODFILL the mode word of EXTFLOODFILL too; the
        // colour and point are the last four words either way.
        if (params.size() < 8)
            return false;
        if (function == META_FLOODFILL)
            r.seek(params.size() - 8);
        const int mode = function == META_EXTFLOODFILL ? r.u16() : FLOODFILLBORDER;
        const std::uint32_t color = r.u32();
        const double y = r.i16(), x = r.i16();
        if (!r.ok())
            return false;
        dc_.ExtFloodFill({x, y}, color, mode);
        return true;
    }

    // ---- text
    case META_TEXTOUT: return textOut(r, false);
    case META_EXTTEXTOUT: return textOut(r, true);

    // ---- clipping and regions
    case META_OFFSETCLIPRGN: {
        const double y = r.i16(), x = r.i16();
        if (!r.ok())
            return false;
        dc_.OffsetClipRgn(x, y);
        return true;
    }
    case META_SELECTCLIPREGION: {
        const std::uint16_t index = r.u16();
        if (!r.ok())
            return false;
        if (const QRegion* rgn = objects_.find<QRegion>(index))
            dc_.SelectClipRgnLogical(*rgn);
        else
            dc_.ExtSelectClipRgn(nullptr, RGN_COPY); // no region: clipping off
        return true;
    }
    case META_FILLREGION: {
        const std::uint16_t regionIndex = r.u16(), brushIndex = r.u16();
        if (!r.ok())
            return false;
        const QRegion* rgn = objects_.find<QRegion>(regionIndex);
        const LogBrush* brush = objects_.find<LogBrush>(brushIndex);
        if (rgn && brush)
            dc_.FillRgn(*rgn, *brush);
        return true;
    }
    case META_FRAMEREGION: {
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
    case META_INVERTREGION:
    case META_PAINTREGION: {
        const std::uint16_t regionIndex = r.u16();
        if (!r.ok())
            return false;
        if (const QRegion* rgn = objects_.find<QRegion>(regionIndex)) {
            if (function == META_INVERTREGION)
                dc_.InvertRgn(*rgn);
            else
                dc_.PaintRgn(*rgn);
        }
        return true;
    }

    // ---- bitmaps
    case META_PATBLT: {
        const std::uint32_t rop = r.u32();
        const double height = r.i16(), width = r.i16(), y = r.i16(), x = r.i16();
        if (!r.ok())
            return false;
        dc_.PatBlt(x, y, width, height, rop);
        return true;
    }
    case META_BITBLT:
    case META_STRETCHBLT:
    case META_DIBBITBLT:
    case META_DIBSTRETCHBLT:
    case META_STRETCHDIB:
    case META_SETDIBTODEV: return blit(function, sizeWords, r);

    // ---- accepted, nothing to draw
    case META_ESCAPE:           // comments, embedded pictures and printer escapes
    case META_REALIZEPALETTE:
    case META_SETPALENTRIES:
    case META_RESIZEPALETTE:
    case META_ANIMATEPALETTE:
    case META_SETRELABS:
    case META_SETMAPPERFLAGS:
    case META_SETLAYOUT:
    default: return true;
    }
}

bool WmfPlayer::textOut(ByteReader& r, bool extended)
{
    const LogFont& font = dc_.currentFont();
    if (!extended) {
        const std::uint16_t count = r.u16();
        const auto text = r.bytes(count);
        r.skip(count % 2); // strings are padded to whole words
        const double y = r.i16(), x = r.i16();
        if (!r.ok())
            return false;
        dc_.ExtTextOut({x, y}, 0, nullptr, FontMapper::decode(text, FontMapper::textCharSet(font)), {}, GM_COMPATIBLE);
        return true;
    }
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
    const QString text = FontMapper::decode(bytes, FontMapper::textCharSet(font), &unitsPerChar);
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

bool WmfPlayer::blit(std::uint16_t function, std::uint32_t sizeWords, ByteReader& r)
{
    // BitBlt and StretchBlt records come in two forms: without a bitmap (a
    // pattern operation, with a reserved word) when the record is exactly as
    // long as the high byte of the function says, else with one.
    const bool withoutBitmap = sizeWords == 3u + (function >> 8);
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
    case META_SETDIBTODEV: {
        usage = r.u16();
        const std::uint16_t scanCount = r.u16();
        const std::uint16_t startScan = r.u16();
        srcY = r.i16();
        srcX = r.i16();
        srcH = r.i16();
        srcW = r.i16();
        dstY = r.i16();
        dstX = r.i16();
        if (!r.ok())
            return false;
        QImage image;
        const auto dib = r.data().subspan(r.position());
        if (!dc_.allowPixelWork(dibPixels(dib)) || !decodePackedDib(dib, usage, dc_.currentPalette(), image))
            return true;
        // The rows carried are scans startScan.. counted from the bottom.
        const double top = image.height() - (srcY - startScan) - srcH;
        (void)scanCount;
        const QTransform t = dc_.logicalToDevice();
        if (t.m11() == 0 || t.m22() == 0)
            return true;
        // One DIB pixel per device pixel.
        dc_.StretchBlt(QRectF(dstX, dstY, srcW / std::fabs(t.m11()), srcH / std::fabs(t.m22())), image,
                       QRectF(srcX, top, srcW, srcH), SRCCOPY);
        return true;
    }
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

} // namespace plat::gdi
