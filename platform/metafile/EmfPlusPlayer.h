// Plays EMF+ records, which ride inside EMF comment records, into a device
// context: the graphics state (world and page transforms, clip, saved states
// and containers, quality hints) and a table of 64 objects are its own; it
// draws with the context's painter onto the context's bitmap, in the
// reference device's pixels that the enhanced metafile is framed in. Every
// drawing is paid for from the context's work budget (the pixels it covers,
// its path elements and glyphs); once that is spent the remaining drawing is
// skipped, so that hostile pictures end quickly.
//
// Record layout: 16-bit type (0x4000 + n), 16-bit flags, 32-bit size (at
// least 12, a multiple of 4, inside the comment), 32-bit data size (inside
// the record), then the data. A record that breaks these rules, names an
// object outside the table, or is interrupted while an object is still being
// continued stops EMF+ drawing; what was drawn stays.
#pragma once

#include "metafile/EnhancedMetafile.h"

#include <cstdint>
#include <memory>
#include <span>

namespace plat {
class DeviceContext;
}

namespace plat::emfplus {

class EmfPlusPlayer {
public:
    EmfPlusPlayer(DeviceContext& dc, const EnhMetaHeader& header, std::size_t fileBytes);
    ~EmfPlusPlayer();
    EmfPlusPlayer(const EmfPlusPlayer&) = delete;
    EmfPlusPlayer& operator=(const EmfPlusPlayer&) = delete;

    // What the EMF player does with one of its records while EMF+ draws.
    enum class Route {
        Play, // an EMF record inside a GetDC section: play it
        Skip, // consumed (EMF+ comment) or fallback drawing: skip it
        Stop, // damaged EMF+ data: stop playback here
    };
    Route route(std::uint32_t emfType, std::span<const std::uint8_t> record);

    // Whether an enhanced metafile is drawn from its EMF+ records: EMF+ only
    // files and dual files without EMF drawing always, dual files with a
    // fallback when preferred (or when nested inside an EMF+ picture).
    static bool drawsFromEmfPlus(std::span<const std::uint8_t> bytes, const EnhMetaHeader& header);

    struct State;
    struct Impl;

private:
    std::unique_ptr<Impl> d;
};

} // namespace plat::emfplus
