// Plays the records of a Windows metafile into a device context.
//
// Record layout: a 32-bit size in 16-bit words (at least 3: size and
// function), a 16-bit function number, then parameters, most of them 16-bit
// and stored in reverse order of the call's arguments. A record whose size is
// too small, runs past the data or cannot hold what its function needs stops
// playback there; what was drawn before stays. A record of function 0 ends it.
#pragma once

#include "metafile/DeviceContext.h"
#include "metafile/ObjectTable.h"
#include "metafile/PlaybackResult.h"
#include "metafile/WindowsMetafile.h"

#include <span>

namespace plat::gdi {

class ByteReader;

class WmfPlayer {
public:
    WmfPlayer(DeviceContext& dc, std::span<const std::uint8_t> bytes, const MetaHeader& header);
    PlaybackResult play();

private:
    // False: the record is damaged and playback stops.
    bool playRecord(std::uint16_t function, std::uint32_t sizeWords, std::span<const std::uint8_t> params);
    bool textOut(ByteReader& r, bool extended);
    bool blit(std::uint16_t function, std::uint32_t sizeWords, ByteReader& r);

    DeviceContext& dc_;
    std::span<const std::uint8_t> bytes_;
    MetaHeader header_;
    ObjectTable objects_;
};

} // namespace plat::gdi
