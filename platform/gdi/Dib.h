// Device-independent bitmaps: decoding every DIB form a BMP file may hold
// (CreateDIBitmap with CBM_INIT and DIB_RGB_COLORS) and capturing a bitmap as
// a packed 24-bit DIB (GetDIBits). DIB data is untrusted input: every size is
// checked before it is used, and nothing is read outside the given spans.
//
// Decoding policy for damaged data (the same for every caller):
// - Uncompressed bits shorter than stride x rows: Malformed, nothing decoded.
// - RLE4/RLE8: a stream that stops early (no end-of-bitmap code, or cut in the
//   middle of a run) decodes what is there; pixels it never reaches, or skips
//   with a delta, stay black. Runs that pass the right edge are clipped.
// - A colour index beyond the colour table's entries gives black.
// - Colours-used above 2^bpp (1, 4, 8 bpp): the extra entries still occupy
//   the table in a packed DIB but are never looked at.
#pragma once

#include "gdi/GdiObjects.h"

#include <QImage>

#include <cstdint>
#include <span>
#include <vector>

namespace plat {

enum class DibStatus {
    Ok,
    Malformed,   // header or data contradicts itself or runs past the data given
    Unsupported, // a well-formed DIB of a kind this platform does not decode
    TooLarge,    // dimensions beyond IsAcceptableBitmapSize or the caller's limit
};
PLATFORM_EXPORT const char* toString(DibStatus status);

struct DibDecodeOptions {
    // Keep the fourth byte of 32-bit DIBs (or the bits of an alpha mask) as
    // alpha and produce Format_ARGB32 (not premultiplied) instead of
    // Format_RGB32. Depths without alpha come out opaque. Metafile alpha
    // blends use it.
    bool keepAlpha = false;
    // Largest width x height the caller accepts; never above kMaxBitmapPixels.
    std::int64_t maxPixels = kMaxBitmapPixels;
};

// Decodes a DIB given as its BITMAPINFO (header of 12, 40, 52, 56, 108 or 124
// bytes, then bit-field masks and colour table as the header says) and its
// pixel bits, which may lie elsewhere. Accepts 1, 4, 8 bpp with colour tables,
// 16 bpp (5-5-5 and bit fields), 24, 32 (plain and bit fields), RLE8, RLE4,
// bottom-up and top-down rows. On success out is Format_RGB32 (or ARGB32, see
// options), top row first.
PLATFORM_EXPORT DibStatus DecodeDib(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits, QImage& out,
                                    const DibDecodeOptions& options = {});

// Decodes a packed DIB: BITMAPINFO immediately followed by the pixel bits.
PLATFORM_EXPORT DibStatus DecodePackedDib(std::span<const std::uint8_t> packed, QImage& out,
                                          const DibDecodeOptions& options = {});

// Where the pixel bits of a packed DIB begin (header + masks + the whole
// colour table the header declares), or -1 when the header is unreadable.
PLATFORM_EXPORT std::int64_t PackedDibBitsOffset(std::span<const std::uint8_t> packed);

// CreateDIBitmap(screen, header, CBM_INIT, bits, info, DIB_RGB_COLORS) on a
// packed DIB: a new device bitmap with the DIB's pixels, or 0.
PLATFORM_EXPORT HGDIOBJ CreateDIBitmap(std::span<const std::uint8_t> packed, DibStatus* status = nullptr,
                                       const DibDecodeOptions& options = {});

// GetDIBits into a 24-bit bottom-up packed DIB: a 40-byte BITMAPINFOHEADER
// (size 40, width, height, 1 plane, 24 bpp, compression 0, image size =
// stride x height, other fields 0) followed by the rows, blue-green-red,
// each padded to 4 bytes. Empty when the handle is not a bitmap.
PLATFORM_EXPORT std::vector<std::uint8_t> GetDIBits24(HGDIOBJ bitmap);
// The same into a caller's block of exactly GetDIBits24Size bytes (0 when
// the handle is not a bitmap). False when the sizes disagree.
PLATFORM_EXPORT std::size_t GetDIBits24Size(HGDIOBJ bitmap);
PLATFORM_EXPORT bool GetDIBits24Into(HGDIOBJ bitmap, std::span<std::uint8_t> dib);

// Bytes per row of a DIB: ((bitsPerPixel * width + 31) / 32) * 4, or -1 when
// that does not fit in 32 bits.
PLATFORM_EXPORT std::int64_t DibStride(std::int64_t width, int bitsPerPixel);

} // namespace plat
