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
#include "metafile/ObjectTable.h"
#include "metafile/PlaybackResult.h"
#include "metafile/RecordTable.h"

#include <span>

namespace plat::gdi {

class ByteReader;

class EmfPlayer {
public:
    EmfPlayer(DeviceContext& dc, std::span<const std::uint8_t> bytes, const EnhMetaHeader& header);
    PlaybackResult play();

private:
    struct EmfRecord {
        std::uint32_t type;
        std::span<const std::uint8_t> bytes; // the whole record, type and size included
    };
    // A record's handler reads its fields (the reader starts after type and
    // size); false: the record is damaged and playback stops.
    using Handler = bool (EmfPlayer::*)(const EmfRecord&, ByteReader&);
    using Table = RecordTable<std::uint32_t, Handler>;
    static const Table& handlers();
    bool playRecord(const EmfRecord& record);

    template <auto Op>
    bool noArgs(const EmfRecord&, ByteReader&);
    template <auto Op, class Value = std::uint32_t>
    bool setValue(const EmfRecord&, ByteReader& r);
    bool setMiterLimit(const EmfRecord&, ByteReader& r);
    bool setTextJustification(const EmfRecord&, ByteReader& r);
    bool setBrushOrg(const EmfRecord&, ByteReader& r);
    template <auto Op>
    bool pairOp(const EmfRecord&, ByteReader& r);
    template <auto Op>
    bool scaleOp(const EmfRecord&, ByteReader& r);
    bool setWorldTransform(const EmfRecord&, ByteReader& r);
    bool modifyWorldTransform(const EmfRecord&, ByteReader& r);
    bool restoreDC(const EmfRecord&, ByteReader& r);

    bool createPen(const EmfRecord&, ByteReader& r);
    bool extCreatePen(const EmfRecord& record, ByteReader& r);
    bool createBrush(const EmfRecord&, ByteReader& r);
    bool createPatternBrush(const EmfRecord& record, ByteReader& r);
    bool createFont(const EmfRecord&, ByteReader& r);
    bool createPalette(const EmfRecord&, ByteReader& r);
    bool selectObject(const EmfRecord&, ByteReader& r);
    bool selectPalette(const EmfRecord&, ByteReader& r);
    bool deleteObject(const EmfRecord&, ByteReader& r);

    template <auto Op>
    bool pointOp(const EmfRecord&, ByteReader& r);
    template <auto Op, bool Small = false>
    bool polyOp(const EmfRecord&, ByteReader& r);
    template <auto Op, bool Small = false>
    bool polyPolyOp(const EmfRecord&, ByteReader& r);
    bool polyDraw(const EmfRecord& record, ByteReader& r);
    template <auto Op>
    bool rectOp(const EmfRecord&, ByteReader& r);
    bool roundRect(const EmfRecord&, ByteReader& r);
    template <auto Op>
    bool arcOp(const EmfRecord&, ByteReader& r);
    bool angleArc(const EmfRecord&, ByteReader& r);
    bool setPixel(const EmfRecord&, ByteReader& r);
    bool floodFill(const EmfRecord&, ByteReader& r);

    bool extSelectClipRgn(const EmfRecord& record, ByteReader& r);
    // FillRgn, FrameRgn, InvertRgn and PaintRgn: a region and, for the first
    // two, a brush.
    bool regionOp(const EmfRecord& record, ByteReader& r);

    bool extTextOut(const EmfRecord& record, ByteReader& r);
    bool polyTextOut(const EmfRecord& record, ByteReader& r);
    bool smallTextOut(const EmfRecord&, ByteReader& r);
    // One EMRTEXT at the reader, its strings and advances found in record.
    bool textOut(ByteReader& r, std::span<const std::uint8_t> record, bool wide, int graphicsMode);

    bool blit(const EmfRecord& record, ByteReader& r);
    bool gradientFill(const EmfRecord&, ByteReader& r);
    // A pattern brush from a DIB; an undecodable one fills grey.
    gdi::LogBrush patternBrush(std::span<const std::uint8_t> bmi, std::span<const std::uint8_t> bits,
                               std::uint32_t usage, bool monochrome);

    DeviceContext& dc_;
    std::span<const std::uint8_t> bytes_;
    EnhMetaHeader header_;
    ObjectTable objects_;
};

} // namespace plat::gdi
