// Process-wide graphics objects: a table of 32-bit handles to bitmaps,
// Windows metafiles and enhanced metafiles, shared by the editor and the
// control library. Handles are never reused while the process runs (a counter
// hands them out), so a stale handle answers object type 0 instead of naming
// some newer object.
#pragma once

#include "platform_export.h"

#include <QImage>

#include <cstdint>
#include <memory>

namespace plat {

using HGDIOBJ = std::uint32_t; // 0 is "none"

enum ObjectType : int {
    OBJ_NONE = 0,
    OBJ_BITMAP = 7,
    OBJ_METAFILE = 9,
    OBJ_ENHMETAFILE = 13,
};

// Ceilings on any bitmap this platform makes. A dimension may exceed what a
// GIF can hold (so that writers can be tested on refusing it) but the pixel
// count is bounded so that no input can ask for more than 1 GiB of pixels.
constexpr int kMaxBitmapDimension = 1 << 20;
constexpr std::int64_t kMaxBitmapPixels = std::int64_t{1} << 28;

// True when width x height is a bitmap this platform is willing to allocate.
PLATFORM_EXPORT bool IsAcceptableBitmapSize(std::int64_t width, std::int64_t height);

// Base of every object behind a handle. Subclasses are defined by the area
// that owns them (bitmaps here, metafiles in platform/metafile).
class PLATFORM_EXPORT GdiObject {
public:
    virtual ~GdiObject();
    virtual int type() const = 0;
};

// A device-dependent bitmap: always QImage::Format_RGB32, the "screen's"
// colour format on this platform.
class PLATFORM_EXPORT Bitmap final : public GdiObject {
public:
    explicit Bitmap(QImage image);
    int type() const override { return OBJ_BITMAP; }
    QImage image;
};

// Adds an object to the table and returns its new handle (0 if object is null).
PLATFORM_EXPORT HGDIOBJ RegisterObject(std::shared_ptr<GdiObject> object);
// The object behind a handle, or null for 0, stale or deleted handles.
PLATFORM_EXPORT std::shared_ptr<GdiObject> LookupObject(HGDIOBJ handle);
// The bitmap behind a handle, or null when the handle is not a live bitmap.
PLATFORM_EXPORT std::shared_ptr<Bitmap> LookupBitmap(HGDIOBJ handle);

// GetObjectType: 7, 9, 13, or 0 for anything else.
PLATFORM_EXPORT int GetObjectType(HGDIOBJ handle);
// DeleteObject: removes the handle from the table. False when it named nothing.
PLATFORM_EXPORT bool DeleteObject(HGDIOBJ handle);
// Number of live objects: lets tests prove that nothing leaks.
PLATFORM_EXPORT std::size_t LiveObjectCount();

// CreateCompatibleBitmap: a black screen-compatible bitmap, or 0 when the
// size is zero, negative or beyond the ceilings above.
PLATFORM_EXPORT HGDIOBJ CreateCompatibleBitmap(int width, int height);
// A bitmap holding a copy of image (converted to the screen format), or 0.
PLATFORM_EXPORT HGDIOBJ CreateBitmapFromImage(const QImage& image);
// GetObjectA on a bitmap: its width and height. False for other handles.
PLATFORM_EXPORT bool GetBitmapSize(HGDIOBJ handle, int& width, int& height);
// StretchBlt with SRCCOPY in the default stretch mode, whole source onto a new
// bitmap of width x height: no smoothing, each target pixel takes exactly one
// source pixel. The source is not changed. 0 on failure.
PLATFORM_EXPORT HGDIOBJ StretchBitmap(HGDIOBJ source, int width, int height);

// The screen's logical pixels per inch (GetDeviceCaps LOGPIXELSX/LOGPIXELSY).
// 96 unless set otherwise, which tests do to check resolution arithmetic.
PLATFORM_EXPORT int LogPixelsX();
PLATFORM_EXPORT int LogPixelsY();
PLATFORM_EXPORT void SetLogPixels(int x, int y);

} // namespace plat
