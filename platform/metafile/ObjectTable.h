// The object table of a metafile playback: the pens, brushes, fonts,
// palettes and regions its records create, by index, and what selecting one
// does to the device context. Windows and enhanced metafiles share it; they
// differ only in how a new object finds its slot.
#pragma once

#include "platform_export.h"

#include "gdi/LogObjects.h"

#include <QRegion>
#include <QRgb>

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

namespace plat {
class ByteReader;
class DeviceContext;
} // namespace plat

namespace plat::metafile {

using Palette = std::vector<QRgb>;
using MetaObject = std::variant<gdi::LogPen, gdi::LogBrush, gdi::LogFont, Palette, QRegion>;

class PLATFORM_EXPORT ObjectTable {
public:
    // size slots to begin with; no index at or past limit is ever used.
    ObjectTable(std::size_t size, std::size_t limit);

    // Into the lowest free slot; a full table grows up to its limit.
    void add(MetaObject object);
    // At index (grown as needed); index 0 names the metafile itself.
    void put(std::uint32_t index, MetaObject object);
    void remove(std::uint32_t index);

    const MetaObject* find(std::uint32_t index) const;
    template <class T>
    const T* find(std::uint32_t index) const
    {
        const MetaObject* o = find(index);
        return o ? std::get_if<T>(o) : nullptr;
    }
    // A brush by index, stock brushes included; none for anything else.
    std::optional<gdi::LogBrush> brush(std::uint32_t index) const;

    // SelectObject and SelectPalette. Indexes with the stock flag name stock
    // objects; a stale index selects nothing.
    void select(DeviceContext& dc, std::uint32_t index) const;
    void selectPalette(DeviceContext& dc, std::uint32_t index) const;

private:
    std::vector<std::optional<MetaObject>> slots_;
    std::size_t limit_;
};

// A LOGPALETTE: version, entry count, then red, green, blue and flags per
// entry. False when the entries are not all there.
PLATFORM_EXPORT bool readLogPalette(ByteReader& r, Palette& out);

// Gives a pattern brush its decoded pattern; an undecodable one (a null
// image) still fills, in a neutral grey.
void setBrushPattern(gdi::LogBrush& brush, QImage pattern);

} // namespace plat::metafile
