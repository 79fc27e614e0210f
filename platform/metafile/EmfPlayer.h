// Plays the records of an enhanced metafile into a device context.
//
// Record layout: 32-bit type, 32-bit size in bytes (at least 8, a multiple
// of 4), then the fields. Offsets inside a record (strings, bitmaps, advance
// arrays) are from the record's start and must lie inside it. A record that
// breaks these rules stops playback there; what was drawn before stays. The
// end record (or the end of the data) ends it. EMF+ records ride inside
// comment records; files drawn from them go through the EMF+ player, which
// decides which EMF records still play.
#pragma once

#include "gdi/DeviceContext.h"
#include "metafile/EnhancedMetafile.h"
#include "metafile/PlaybackCore.h"
#include "metafile/PlaybackResult.h"
#include "metafile/RecordTable.h"

#include <span>

namespace plat::metafile {

// What a bitmap record says; the fields its type does not carry keep these values.
struct BlitFields {
    double xDest = 0, yDest = 0, cxDest = 0, cyDest = 0;
    double xSrc = 0, ySrc = 0, cxSrc = 0, cySrc = 0;
    std::uint32_t rop = gdi::SRCCOPY, usage = gdi::DIB_RGB_COLORS;
    std::uint32_t offBmi = 0, cbBmi = 0, offBits = 0, cbBits = 0;
    std::uint32_t extra = 0;                    // blend function or transparent colour
    std::uint32_t firstScan = 0, scanCount = 0; // scan lines a SetDIBitsToDevice carries
    QTransform sourceTransform;
};

class EmfPlayer : private PlaybackCore {
public:
    EmfPlayer(DeviceContext& dc, std::span<const std::uint8_t> bytes, const EnhMetaHeader& header);
    PlaybackResult play();

private:
    using Handler = bool (EmfPlayer::*)(const MetaRecord&, ByteReader&);
    using Table = RecordTable<std::uint32_t, Handler>;
    static const Table& handlers();
    bool playRecord(const MetaRecord& record);

    bool setMiterLimit(const MetaRecord&, ByteReader& r);
    bool setTextJustification(const MetaRecord&, ByteReader& r);
    bool setBrushOrg(const MetaRecord&, ByteReader& r);
    bool setWorldTransform(const MetaRecord&, ByteReader& r);
    bool modifyWorldTransform(const MetaRecord&, ByteReader& r);

    bool createPen(const MetaRecord&, ByteReader& r);
    bool extCreatePen(const MetaRecord& record, ByteReader& r);
    bool createBrush(const MetaRecord&, ByteReader& r);
    bool createPatternBrush(const MetaRecord& record, ByteReader& r);
    bool createFont(const MetaRecord&, ByteReader& r);
    bool createPalette(const MetaRecord&, ByteReader& r);

    template <auto Op>
    bool pointOp(const MetaRecord&, ByteReader& r);
    template <auto Op, bool Small = false>
    bool polyOp(const MetaRecord&, ByteReader& r);
    template <auto Op, bool Small = false>
    bool polyPolyOp(const MetaRecord&, ByteReader& r);
    bool polyDraw(const MetaRecord& record, ByteReader& r);
    template <auto Op>
    bool arcOp(const MetaRecord&, ByteReader& r);
    bool angleArc(const MetaRecord&, ByteReader& r);
    bool setPixel(const MetaRecord&, ByteReader& r);
    bool floodFill(const MetaRecord&, ByteReader& r);

    bool extSelectClipRgn(const MetaRecord& record, ByteReader& r);
    // FillRgn, FrameRgn, InvertRgn and PaintRgn: a region and, for the first
    // two, a brush.
    bool regionOp(const MetaRecord& record, ByteReader& r);

    bool extTextOut(const MetaRecord& record, ByteReader& r);
    bool polyTextOut(const MetaRecord& record, ByteReader& r);
    bool smallTextOut(const MetaRecord&, ByteReader& r);
    // One EMRTEXT at the reader, its strings and advances found in record.
    bool textOut(ByteReader& r, std::span<const std::uint8_t> record, bool wide, int graphicsMode);

    bool blit(const MetaRecord& record, ByteReader& r);
    bool drawBlit(std::uint32_t type, const BlitFields& f, const QImage& image, const QRectF& source);
    bool gradientFill(const MetaRecord&, ByteReader& r);
    // A pattern brush from a DIB; an undecodable one fills grey.
    gdi::LogBrush patternBrush(std::span<const std::uint8_t> bmi, std::span<const std::uint8_t> bits,
                               std::uint32_t usage, bool monochrome);

    std::span<const std::uint8_t> bytes_;
    EnhMetaHeader header_;
};

} // namespace plat::metafile
