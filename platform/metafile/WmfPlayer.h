// Plays the records of a Windows metafile into a device context.
//
// Record layout: a 32-bit size in 16-bit words (at least 3: size and
// function), a 16-bit function number, then parameters, most of them 16-bit
// and stored in reverse order of the call's arguments. A record whose size is
// too small, runs past the data or cannot hold what its function needs stops
// playback there; what was drawn before stays. A record of function 0 ends it.
#pragma once

#include "gdi/DeviceContext.h"
#include "metafile/ObjectTable.h"
#include "metafile/PlaybackResult.h"
#include "metafile/RecordTable.h"
#include "metafile/WindowsMetafile.h"

#include <span>

namespace plat::gdi {

class ByteReader;

class WmfPlayer {
public:
    WmfPlayer(DeviceContext& dc, std::span<const std::uint8_t> bytes, const MetaHeader& header);
    PlaybackResult play();

private:
    struct WmfRecord {
        std::uint16_t function;
        std::uint32_t sizeWords;
        std::span<const std::uint8_t> params;
    };
    // A record's handler reads its parameters; false: the record is damaged
    // and playback stops.
    using Handler = bool (WmfPlayer::*)(const WmfRecord&, ByteReader&);
    using Table = RecordTable<std::uint16_t, Handler>;
    static const Table& handlers();
    bool playRecord(const WmfRecord& record);

    bool saveDC(const WmfRecord&, ByteReader&);
    bool restoreDC(const WmfRecord&, ByteReader& r);
    template <auto Op, class Word = std::uint16_t>
    bool setWord(const WmfRecord&, ByteReader& r);
    template <auto Op>
    bool setColor(const WmfRecord&, ByteReader& r);
    bool setTextJustification(const WmfRecord&, ByteReader& r);
    template <auto Op>
    bool pointOp(const WmfRecord&, ByteReader& r);
    template <auto Op>
    bool scaleOp(const WmfRecord&, ByteReader& r);

    bool createPen(const WmfRecord&, ByteReader& r);
    bool createBrush(const WmfRecord&, ByteReader& r);
    bool createFont(const WmfRecord&, ByteReader& r);
    bool createDibPatternBrush(const WmfRecord& record, ByteReader& r);
    bool createPatternBrush(const WmfRecord& record, ByteReader&);
    bool createPalette(const WmfRecord&, ByteReader& r);
    bool createRegion(const WmfRecord& record, ByteReader&);
    bool selectObject(const WmfRecord&, ByteReader& r);
    bool selectPalette(const WmfRecord&, ByteReader& r);
    bool deleteObject(const WmfRecord&, ByteReader& r);

    template <auto Op>
    bool movePointOp(const WmfRecord&, ByteReader& r);
    template <auto Op>
    bool polyOp(const WmfRecord&, ByteReader& r);
    bool polyPolygon(const WmfRecord&, ByteReader& r);
    template <auto Op>
    bool rectOp(const WmfRecord&, ByteReader& r);
    bool roundRect(const WmfRecord&, ByteReader& r);
    template <auto Op>
    bool arcOp(const WmfRecord&, ByteReader& r);
    bool setPixel(const WmfRecord&, ByteReader& r);
    bool floodFill(const WmfRecord& record, ByteReader& r);

    bool textOut(const WmfRecord&, ByteReader& r);
    bool extTextOut(const WmfRecord&, ByteReader& r);

    bool selectClipRegion(const WmfRecord&, ByteReader& r);
    bool fillRegion(const WmfRecord&, ByteReader& r);
    bool frameRegion(const WmfRecord&, ByteReader& r);
    template <auto Op>
    bool regionOp(const WmfRecord&, ByteReader& r);

    bool patBlt(const WmfRecord&, ByteReader& r);
    bool blit(const WmfRecord& record, ByteReader& r);
    bool setDibToDevice(const WmfRecord&, ByteReader& r);

    DeviceContext& dc_;
    std::span<const std::uint8_t> bytes_;
    MetaHeader header_;
    ObjectTable objects_;
};

} // namespace plat::gdi
