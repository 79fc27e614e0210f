// The conversion engine's two entries: an image file or a picture handle
// becomes a work bitmap (a screen-compatible platform bitmap of the target
// size), which a writer then turns into a GIF or BMP file.
#pragma once

#include "engine/PackedDib.h"
#include "engine/Status.h"

#include <gdi/GdiObjects.h>

#include <cstdint>
#include <string>

namespace pictaf {

// ConversionFlags: built afresh for each call from the control's booleans.
using ConversionFlags = std::uint32_t;
constexpr ConversionFlags kFlagTransparent = 1;
constexpr ConversionFlags kFlagInterlaced = 2;

// Target rectangle in pixels; the engine always builds it with left = top = 0.
struct TargetRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    std::int32_t width() const { return right - left; }
    std::int32_t height() const { return bottom - top; }
};

// A work bitmap is a platform bitmap handle owned by whoever received it.
using WorkBitmap = plat::HGDIOBJ;

// Input file (placeable WMF, EMF or BMP, probed in that order) scaled by
// scaleX, scaleY per cent of its natural size. 0 on failure, with the reason
// in *status when given.
WorkBitmap LoadFileBitmap(const std::string& inputFile, std::int32_t scaleX, std::int32_t scaleY, ConversionFlags flags,
                          std::uint32_t bgColor, Status* status = nullptr);

// Picture handle (bitmap 7, metafile 9, enhanced metafile 13) rendered or
// stretched into target. The caller's handle is never changed or deleted.
WorkBitmap RenderPictureBitmap(plat::HGDIOBJ picture, const TargetRect& target, ConversionFlags flags,
                               std::uint32_t bgColor, Status* status = nullptr);

// The steps behind the two entries, public so that tests and tools can use
// them one by one.

// Signature probes, in the order LoadFileBitmap tries them: the first 22
// bytes start with 0x9AC6CDD7 (placeable WMF); the first 100 bytes start with
// record type 1 (EMF); the first 14 bytes start with "BM". A file too short
// for its probe's read does not match.
bool ProbeWmfFile(const std::string& name);
bool ProbeEmfFile(const std::string& name);
bool ProbeBmpFile(const std::string& name);

// n x percent / 100 with a 64-bit intermediate, truncating. A percentage of
// 0 or below, or a result beyond 32 bits, gives -1 (which no bitmap accepts).
std::int32_t ScaleDimension(std::uint32_t natural, std::int32_t percent);

// A BMP file stretched to scaleX, scaleY per cent of its own size.
WorkBitmap LoadBmpFile(const std::string& name, std::int32_t scaleX, std::int32_t scaleY, ConversionFlags flags,
                       std::uint32_t bgColor, Status* status = nullptr);
// A device bitmap initialised from the DIB's pixels and its own colour table.
plat::HGDIOBJ MakeDeviceBitmap(const PackedDib& dib, Status* status = nullptr);
// A new bitmap of target's size holding the whole source, stretched without
// smoothing. The source is not changed.
WorkBitmap StretchToSize(plat::HGDIOBJ bitmap, const TargetRect& target, Status* status = nullptr);
// The bitmap as a 24-bit bottom-up PackedDib (see plat::GetDIBits24); empty
// when the handle is not a bitmap.
PackedDib CaptureDib24(plat::HGDIOBJ bitmap);

} // namespace pictaf
