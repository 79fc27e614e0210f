// The conversion engine's two entries: an image file or a picture handle
// becomes a work bitmap (a screen-compatible platform bitmap of the target
// size), which a writer then turns into a GIF or BMP file.
#pragma once

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
WorkBitmap LoadFileBitmap(const std::string& inputFile, std::int32_t scaleX, std::int32_t scaleY,
                          ConversionFlags flags, std::uint32_t bgColor, Status* status = nullptr);

// Picture handle (bitmap 7, metafile 9, enhanced metafile 13) rendered or
// stretched into target. The caller's handle is never changed or deleted.
WorkBitmap RenderPictureBitmap(plat::HGDIOBJ picture, const TargetRect& target, ConversionFlags flags,
                               std::uint32_t bgColor, Status* status = nullptr);

} // namespace pictaf
