// Enhanced metafiles (object type 13), opened by file name or made from
// bytes, with their header queries.
#pragma once

#include "platform_export.h"

#include "gdi/GdiObjects.h"
#include "metafile/PlaybackResult.h"

#include <QRectF>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace plat {

class DeviceContext;

struct RectL {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// The fields of the header record the players and loaders use.
struct EnhMetaHeader {
    std::uint32_t size = 0; // of the header record
    RectL bounds;           // reference device pixels, inclusive
    RectL frame;            // 0.01 mm, inclusive
    std::uint32_t signature = 0;
    std::uint32_t bytes = 0; // as the header claims; the data may differ
    std::uint32_t records = 0;
    std::uint16_t handles = 0;
    std::int32_t devicePixelsX = 0, devicePixelsY = 0;
    std::int32_t deviceMillimetresX = 0, deviceMillimetresY = 0;
};

// The largest metafile file the platform reads.
constexpr std::uint64_t kMaxMetafileBytes = std::uint64_t{256} << 20;

class PLATFORM_EXPORT EnhancedMetafile final : public GdiObject {
public:
    EnhancedMetafile(EnhMetaHeader header, std::vector<std::uint8_t> bytes);
    int type() const override { return OBJ_ENHMETAFILE; }
    const EnhMetaHeader& header() const { return header_; }
    std::span<const std::uint8_t> bytes() const { return bytes_; }

private:
    EnhMetaHeader header_;
    std::vector<std::uint8_t> bytes_;
};

// Reads the header record; false unless the bytes start with one (type 1,
// " EMF" signature, a size of at least 88 bytes that fits the data).
PLATFORM_EXPORT bool ReadEnhMetaHeader(std::span<const std::uint8_t> bytes, EnhMetaHeader& header);

// SetEnhMetaFileBits: an enhanced metafile holding a copy of bytes, or 0.
PLATFORM_EXPORT HGDIOBJ SetEnhMetaFileBits(std::span<const std::uint8_t> bytes);
// GetEnhMetaFileA: opens an enhanced metafile file (name in UTF-8), or 0 when
// it cannot be read, is larger than kMaxMetafileBytes or is no enhanced metafile.
PLATFORM_EXPORT HGDIOBJ GetEnhMetaFileA(const std::string& fileName);
// The enhanced metafile behind a handle, or null.
PLATFORM_EXPORT std::shared_ptr<EnhancedMetafile> LookupEnhMetafile(HGDIOBJ handle);
// GetEnhMetaFileHeader: copies the first out.size() bytes of the header
// record (zeros past its end) and returns the number copied, 0 for a bad handle.
PLATFORM_EXPORT std::size_t GetEnhMetaFileHeader(HGDIOBJ handle, std::span<std::uint8_t> out);
// DeleteEnhMetaFile: false when the handle is no enhanced metafile.
PLATFORM_EXPORT bool DeleteEnhMetaFile(HGDIOBJ handle);

// PlayEnhMetaFile: plays the records stretched so that the picture frame
// fills rect (logical units of the context). The context's state is saved
// before and restored after; the picture starts from a fresh default state.
PLATFORM_EXPORT PlaybackResult PlayEnhMetaFile(DeviceContext& dc, HGDIOBJ metafile, const QRectF& rect);

} // namespace plat
