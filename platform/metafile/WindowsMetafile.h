// Windows metafiles (object type 9): the 18-byte standard header and the
// records after it, as SetMetaFileBitsEx makes them from bytes.
#pragma once

#include "platform_export.h"

#include "gdi/GdiObjects.h"
#include "metafile/PlaybackResult.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace plat {

class DeviceContext;

// The standard metafile header.
struct MetaHeader {
    std::uint16_t type = 0;        // 1 memory, 2 disk
    std::uint16_t headerWords = 0; // 9
    std::uint16_t version = 0;     // 0x0100 or 0x0300
    std::uint32_t sizeWords = 0;   // whole metafile, in 16-bit words (often wrong in real files)
    std::uint16_t objects = 0;     // size of the object table
    std::uint32_t maxRecordWords = 0;
};

class PLATFORM_EXPORT WindowsMetafile final : public GdiObject {
public:
    WindowsMetafile(MetaHeader header, std::vector<std::uint8_t> bytes);
    int type() const override { return OBJ_METAFILE; }
    const MetaHeader& header() const { return header_; }
    std::span<const std::uint8_t> bytes() const { return bytes_; }

private:
    MetaHeader header_;
    std::vector<std::uint8_t> bytes_;
};

// Reads a standard header; false unless it is one (type 1 or 2, nine header
// words, version 0x0100 or 0x0300).
PLATFORM_EXPORT bool ReadMetaHeader(std::span<const std::uint8_t> bytes, MetaHeader& header);

// SetMetaFileBitsEx: a metafile holding a copy of bytes (standard header and
// records), or 0 when they do not start with a standard header.
PLATFORM_EXPORT HGDIOBJ SetMetaFileBitsEx(std::span<const std::uint8_t> bytes);
// The metafile behind a handle, or null.
PLATFORM_EXPORT std::shared_ptr<WindowsMetafile> LookupMetafile(HGDIOBJ handle);
// DeleteMetaFile: false when the handle is no metafile.
PLATFORM_EXPORT bool DeleteMetaFile(HGDIOBJ handle);

// PlayMetaFile: plays the records into the context under its current
// mapping. The context's state is saved before and restored after.
PLATFORM_EXPORT PlaybackResult PlayMetaFile(DeviceContext& dc, HGDIOBJ metafile);

} // namespace plat
