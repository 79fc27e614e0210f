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

#include "metafile/DeviceContext.h"
#include "metafile/EnhancedMetafile.h"
#include "metafile/ObjectTable.h"
#include "metafile/PlaybackResult.h"

#include <span>

namespace plat::gdi {

class ByteReader;

class EmfPlayer {
public:
    EmfPlayer(DeviceContext& dc, std::span<const std::uint8_t> bytes, const EnhMetaHeader& header);
    PlaybackResult play();

private:
    // False: the record is damaged and playback stops.
    bool playRecord(std::uint32_t type, std::span<const std::uint8_t> record);
    bool textOut(ByteReader& r, std::span<const std::uint8_t> record, bool wide, int graphicsMode);
    bool blit(std::uint32_t type, std::span<const std::uint8_t> record);
    // A pattern brush from a DIB; an undecodable one fills grey.
    gdi::LogBrush patternBrush(std::span<const std::uint8_t> bmi, std::span<const std::uint8_t> bits,
                               std::uint32_t usage, bool monochrome);

    DeviceContext& dc_;
    std::span<const std::uint8_t> bytes_;
    EnhMetaHeader header_;
    ObjectTable objects_;
};

} // namespace plat::gdi
