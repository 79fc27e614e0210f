// Bitmaps embedded in metafile records: DIBs whose colour table may hold
// palette indexes (DIB_PAL_COLORS), monochrome DIBs used as masks, and the
// old device-dependent bitmaps (Bitmap16) of Windows metafiles. Decoding of
// the DIB forms themselves is the platform's DIB decoder's work.
#pragma once

#include <QImage>
#include <QRgb>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace plat::metafile {

struct DibInfo {
    std::uint32_t headerSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0; // negative: rows stored top down
    int bitCount = 0;
    std::uint32_t compression = 0;
    std::size_t colorEntries = 0; // entries in the colour table
    std::size_t maskBytes = 0;    // bit-field masks stored after a 40-byte header
};

// Reads the header at the start of a BITMAPINFO. False when it is cut short.
bool readDibInfo(std::span<const std::uint8_t> info, DibInfo& out);

// The sizes of the BITMAPINFOHEADER family (core, info, the two bit-field
// variants, OS/2 2.x, V4, V5). readDibInfo takes any size from 40 up, so this
// tells a DIB from other data where a record may carry either.
constexpr bool isDibHeaderSize(std::uint32_t size)
{
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 64 || size == 108 || size == 124;
}

// Bitmaps inside metafiles are refused beyond this many pixels: run-length
// coding lets a few bytes claim gigabytes, and no real picture embeds more.
constexpr std::int64_t kMaxMetafileDibPixels = std::int64_t{1} << 25;

// The pixel count a DIB header or a Bitmap16 claims (0 when unreadable).
std::int64_t dibPixels(std::span<const std::uint8_t> info);
std::int64_t bitmap16Pixels(std::span<const std::uint8_t> bytes);

// Decodes header + colour table (info) and pixel bits. usage DIB_PAL_COLORS
// resolves a table of 16-bit indexes against palette.
bool decodeDib(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits, int usage,
               const std::vector<QRgb>& palette, QImage& out, bool keepAlpha = false);

// The same for a packed DIB (BITMAPINFO immediately followed by the bits).
bool decodePackedDib(std::span<const std::uint8_t> packed, int usage, const std::vector<QRgb>& palette, QImage& out);

// A monochrome DIB as a mask: black where a pixel is 0, white where it is 1,
// whatever colours its table holds (they are chosen when the mask is drawn).
bool decodeMonochromeMask(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits, QImage& out);

// A monochrome packed DIB as a bitmap of two colours, whatever its table
// holds: zeroColor where a pixel is 0, oneColor where it is 1 (a mono
// source bitmap takes the text and background colours this way). False
// when the DIB is not monochrome or cannot be decoded.
bool decodeMonochromePackedDib(std::span<const std::uint8_t> packed, QRgb zeroColor, QRgb oneColor, QImage& out);

// Reduces a colour image in place to such a mask: a pixel becomes white when
// it is nearer to white than to black. False for a null image.
bool reduceToMonochromeMask(QImage& image);

// A Bitmap16: type, width, height, bytes per row (16 bits each), planes and
// bits per pixel (8 bits each), then the rows, top first, from bitsOffset.
// Monochrome bitmaps take zeroColor and oneColor.
bool decodeBitmap16(std::span<const std::uint8_t> bytes, std::size_t bitsOffset, QRgb zeroColor, QRgb oneColor,
                    QImage& out);

} // namespace plat::metafile
