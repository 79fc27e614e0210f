#include "gdi/RegionData.h"

#include "common/ByteReader.h"

#include <algorithm>

namespace plat::gdi {

namespace {

// Region coordinates are clamped well inside int so QRect arithmetic cannot
// overflow; nothing out there can reach a bitmap anyway.
constexpr std::int64_t kLimit = 1 << 28;

int clampCoordinate(std::int64_t v) { return static_cast<int>(std::clamp(v, -kLimit, kLimit)); }

QRect exclusiveRect(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom)
{
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    const int l = clampCoordinate(left), t = clampCoordinate(top);
    const int r = clampCoordinate(right), b = clampCoordinate(bottom);
    if (r <= l || b <= t)
        return {};
    return QRect(QPoint(l, t), QPoint(r - 1, b - 1));
}

} // namespace

QRegion uniteAll(std::vector<QRegion> parts)
{
    if (parts.empty())
        return {};
    while (parts.size() > 1) {
        std::vector<QRegion> next;
        next.reserve(parts.size() / 2 + 1);
        for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
            next.push_back(parts[i].united(parts[i + 1]));
        if (parts.size() % 2)
            next.push_back(parts.back());
        parts = std::move(next);
    }
    return parts.front();
}

bool parseRgnData(std::span<const std::uint8_t> bytes, QRegion& out)
{
    ByteReader r(bytes);
    const std::uint32_t headerSize = r.u32();
    r.u32(); // type: 1 (rectangles); others are not written in practice
    const std::uint32_t count = r.u32();
    r.u32();    // size of the rectangle buffer
    r.skip(16); // bounds
    if (!r.ok() || headerSize < 32)
        return false;
    r.seek(headerSize);
    if (!r.has(count, 16))
        return false;
    std::vector<QRegion> parts;
    parts.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::int32_t left = r.i32(), top = r.i32(), right = r.i32(), bottom = r.i32();
        const QRect rect = exclusiveRect(left, top, right, bottom);
        if (!rect.isEmpty())
            parts.emplace_back(rect);
    }
    out = uniteAll(std::move(parts));
    return r.ok();
}

namespace {

bool parseWmfRegionWith(std::span<const std::uint8_t> bytes, int objectCountBytes, QRegion& out)
{
    ByteReader r(bytes);
    r.u16(); // next in chain
    r.u16(); // object type
    r.skip(static_cast<std::size_t>(objectCountBytes));
    r.u16(); // region size
    const std::uint16_t scanCount = r.u16();
    r.u16(); // largest scan
    const std::int16_t left = r.i16(), top = r.i16(), right = r.i16(), bottom = r.i16();
    if (!r.ok())
        return false;
    if (scanCount == 0) {
        out = QRegion(exclusiveRect(left, top, right, bottom));
        return true;
    }
    std::vector<QRegion> parts;
    for (std::uint16_t s = 0; s < scanCount; ++s) {
        const std::uint16_t count = r.u16(); // x coordinates in the scan, two per run
        const std::int16_t scanTop = r.i16(), scanBottom = r.i16();
        if (!r.has(count / 2u, 4))
            return false;
        for (std::uint16_t i = 0; i < count / 2u; ++i) {
            const std::int16_t x0 = r.i16(), x1 = r.i16();
            const QRect rect = exclusiveRect(x0, scanTop, x1, scanBottom);
            if (!rect.isEmpty())
                parts.emplace_back(rect);
        }
        if (!r.ok())
            return false;
        r.u16(); // count repeated; real files sometimes end without it
    }
    out = uniteAll(std::move(parts));
    return true;
}

} // namespace

bool parseWmfRegion(std::span<const std::uint8_t> bytes, QRegion& out)
{
    // The object count is documented as 32 bits but written as 16 by the
    // files seen in practice; take whichever reading holds together.
    return parseWmfRegionWith(bytes, 2, out) || parseWmfRegionWith(bytes, 4, out);
}

} // namespace plat::gdi
