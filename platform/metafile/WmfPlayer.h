// Plays the records of a Windows metafile into a device context.
//
// Record layout: a 32-bit size in 16-bit words (at least 3: size and
// function), a 16-bit function number, then parameters, most of them 16-bit
// and stored in reverse order of the call's arguments. A record whose size is
// too small, runs past the data or cannot hold what its function needs stops
// playback there; what was drawn before stays. A record of function 0 ends it.
#pragma once

#include "gdi/DeviceContext.h"
#include "metafile/PlaybackCore.h"
#include "metafile/PlaybackResult.h"
#include "metafile/RecordTable.h"
#include "metafile/WindowsMetafile.h"

#include <span>

namespace plat::metafile {

class WmfPlayer : private PlaybackCore {
public:
    WmfPlayer(DeviceContext& dc, std::span<const std::uint8_t> bytes, const MetaHeader& header);
    PlaybackResult play();

private:
    using Handler = bool (WmfPlayer::*)(const MetaRecord&, ByteReader&);
    using Table = RecordTable<std::uint16_t, Handler>;
    static const Table& handlers();
    bool playRecord(const MetaRecord& record);

    bool setTextJustification(const MetaRecord&, ByteReader& r);

    bool createPen(const MetaRecord&, ByteReader& r);
    bool createBrush(const MetaRecord&, ByteReader& r);
    bool createFont(const MetaRecord&, ByteReader& r);
    bool createDibPatternBrush(const MetaRecord& record, ByteReader& r);
    bool createPatternBrush(const MetaRecord& record, ByteReader&);
    bool createPalette(const MetaRecord&, ByteReader& r);
    bool createRegion(const MetaRecord& record, ByteReader&);

    template <auto Op>
    bool movePointOp(const MetaRecord&, ByteReader& r);
    template <auto Op>
    bool polyOp(const MetaRecord&, ByteReader& r);
    bool polyPolygon(const MetaRecord&, ByteReader& r);
    template <auto Op>
    bool arcOp(const MetaRecord&, ByteReader& r);
    bool setPixel(const MetaRecord&, ByteReader& r);
    bool floodFill(const MetaRecord& record, ByteReader& r);

    bool textOut(const MetaRecord&, ByteReader& r);
    bool extTextOut(const MetaRecord&, ByteReader& r);

    bool selectClipRegion(const MetaRecord&, ByteReader& r);
    bool fillRegion(const MetaRecord&, ByteReader& r);
    bool frameRegion(const MetaRecord&, ByteReader& r);
    template <auto Op>
    bool regionOp(const MetaRecord&, ByteReader& r);

    bool patBlt(const MetaRecord&, ByteReader& r);
    bool blit(const MetaRecord& record, ByteReader& r);
    bool setDibToDevice(const MetaRecord&, ByteReader& r);

    std::span<const std::uint8_t> bytes_;
    MetaHeader header_;
};

} // namespace plat::metafile
