#include "metafile/MetafileDib.h"

#include "common/ByteReader.h"
#include "common/DibHeader.h"
#include "gdi/GdiConstants.h"

#include <gdi/Dib.h>
#include <gdi/GdiObjects.h>

#include <cstring>

namespace plat::metafile {

using namespace gdi;

namespace {

constexpr std::uint32_t BI_BITFIELDS = 3;
constexpr std::uint32_t BI_ALPHABITFIELDS = 6;

void putRgbQuad(std::vector<std::uint8_t>& out, std::size_t at, QRgb c)
{
    out[at] = static_cast<std::uint8_t>(qBlue(c));
    out[at + 1] = static_cast<std::uint8_t>(qGreen(c));
    out[at + 2] = static_cast<std::uint8_t>(qRed(c));
    out[at + 3] = 0;
}

// The sixteen colours of a 4-bit device bitmap.
constexpr QRgb kVgaColors[16] = {
    0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080, 0xFF008080, 0xFFC0C0C0,
    0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00, 0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF,
};

} // namespace

bool readDibInfo(std::span<const std::uint8_t> info, DibInfo& out)
{
    out = DibInfo{};
    DibHeaderFields h;
    if (!readDibHeaderFields(info, h) || (h.size != 12 && h.size < 40))
        return false;
    out.headerSize = h.size;
    out.width = h.width;
    out.height = h.height;
    out.bitCount = h.bitCount;
    if (out.headerSize == 12) {
        out.colorEntries = out.bitCount <= 8 ? (std::size_t{1} << out.bitCount) : 0;
        return true;
    }
    out.compression = h.compression;
    const std::uint32_t used = h.colorsUsed;
    if (used != 0)
        out.colorEntries = out.bitCount <= 8 ? std::min<std::size_t>(used, std::size_t{1} << out.bitCount) : used;
    else
        out.colorEntries = out.bitCount <= 8 ? (std::size_t{1} << out.bitCount) : 0;
    if (out.headerSize == 40 && out.compression == BI_BITFIELDS)
        out.maskBytes = 12;
    else if (out.headerSize == 40 && out.compression == BI_ALPHABITFIELDS)
        out.maskBytes = 16;
    return true;
}

std::int64_t dibPixels(std::span<const std::uint8_t> info)
{
    DibInfo di;
    if (!readDibInfo(info, di))
        return 0;
    return std::int64_t{di.width < 0 ? -std::int64_t{di.width} : di.width}
    * (di.height < 0 ? -std::int64_t{di.height} : di.height);
}

std::int64_t bitmap16Pixels(std::span<const std::uint8_t> bytes)
{
    ByteReader r(bytes);
    r.i16(); // type
    const std::int16_t width = r.i16();
    const std::int16_t height = r.i16();
    return r.ok() && width > 0 && height > 0 ? std::int64_t{width} * height : 0;
}

bool decodeDib(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits, int usage,
               const std::vector<QRgb>& palette, QImage& out, bool keepAlpha)
{
    if (dibPixels(info) > kMaxMetafileDibPixels)
        return false;
    DibDecodeOptions options;
    options.keepAlpha = keepAlpha;
    DibInfo di;
    if (usage == DIB_PAL_COLORS && readDibInfo(info, di) && di.headerSize >= 40 && di.colorEntries > 0
        && di.colorEntries <= 256) {
        // Rewrite the table of palette indexes as colours.
        const std::size_t tableAt = di.headerSize + di.maskBytes;
        if (tableAt + di.colorEntries * 2 > info.size())
            return false;
        std::vector<std::uint8_t> rgbInfo(tableAt + di.colorEntries * 4);
        std::memcpy(rgbInfo.data(), info.data(), tableAt);
        ByteReader indexes(info, tableAt);
        for (std::size_t i = 0; i < di.colorEntries; ++i) {
            const std::size_t index = indexes.u16();
            putRgbQuad(rgbInfo, tableAt + 4 * i, index < palette.size() ? palette[index] : qRgb(0, 0, 0));
        }
        return DecodeDib(rgbInfo, bits, out, options) == DibStatus::Ok;
    }
    return DecodeDib(info, bits, out, options) == DibStatus::Ok;
}

bool decodePackedDib(std::span<const std::uint8_t> packed, int usage, const std::vector<QRgb>& palette, QImage& out)
{
    DibInfo di;
    if (!readDibInfo(packed, di))
        return false;
    const std::size_t entrySize = di.headerSize == 12 ? 3 : (usage == DIB_PAL_COLORS ? 2 : 4);
    const std::size_t infoSize = di.headerSize + di.maskBytes + di.colorEntries * entrySize;
    if (infoSize > packed.size())
        return false;
    return decodeDib(packed.first(infoSize), packed.subspan(infoSize), usage, palette, out);
}

bool decodeMonochromeMask(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits, QImage& out)
{
    DibInfo di;
    if (!readDibInfo(info, di) || di.bitCount != 1 || dibPixels(info) > kMaxMetafileDibPixels)
        return false;
    const std::size_t entrySize = di.headerSize == 12 ? 3 : 4;
    const std::size_t tableAt = di.headerSize + di.maskBytes;
    if (tableAt > info.size())
        return false;
    // Mono brushes often come without a colour table (DIB_PAL_INDICES):
    // the table is ours to write either way.
    std::vector<std::uint8_t> maskInfo(info.begin(), info.begin() + static_cast<std::ptrdiff_t>(tableAt));
    maskInfo.resize(tableAt + 2 * entrySize, 0);                 // 0: black
    std::memset(maskInfo.data() + tableAt + entrySize, 0xFF, 3); // 1: white
    if (di.headerSize >= 40)
        std::memset(maskInfo.data() + 32, 0, 4); // colours used: the full two
    return DecodeDib(maskInfo, bits, out) == DibStatus::Ok;
}

bool decodeMonochromePackedDib(std::span<const std::uint8_t> packed, QRgb zeroColor, QRgb oneColor, QImage& out)
{
    DibInfo di;
    if (!readDibInfo(packed, di) || di.bitCount != 1)
        return false;
    const std::size_t infoSize = di.headerSize + di.maskBytes + di.colorEntries * (di.headerSize == 12 ? 3 : 4);
    QImage mask;
    if (infoSize > packed.size() || !decodeMonochromeMask(packed.first(infoSize), packed.subspan(infoSize), mask))
        return false;
    mask = mask.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < mask.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(mask.scanLine(y));
        for (int x = 0; x < mask.width(); ++x)
            line[x] = (line[x] & 0x00FFFFFFu) ? oneColor : zeroColor;
    }
    out = std::move(mask);
    return true;
}

bool reduceToMonochromeMask(QImage& image)
{
    if (image.isNull())
        return false;
    image = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int sum = qRed(line[x]) + qGreen(line[x]) + qBlue(line[x]);
            line[x] = sum >= 383 ? 0xFFFFFFFFu : 0xFF000000u; // 383: half of 3 * 255, rounded up
        }
    }
    return true;
}

bool decodeBitmap16(std::span<const std::uint8_t> bytes, std::size_t bitsOffset, QRgb zeroColor, QRgb oneColor,
                    QImage& out)
{
    ByteReader r(bytes);
    r.i16(); // type
    const std::int16_t width = r.i16();
    const std::int16_t height = r.i16();
    const std::int16_t widthBytes = r.i16();
    const std::uint8_t planes = r.u8();
    const std::uint8_t bitsPixel = r.u8();
    if (!r.ok() || width <= 0 || height <= 0 || widthBytes <= 0 || planes != 1)
        return false;
    if (bitsPixel != 1 && bitsPixel != 4 && bitsPixel != 8 && bitsPixel != 24 && bitsPixel != 32)
        return false;
    if (static_cast<std::int64_t>(widthBytes) * 8 < static_cast<std::int64_t>(width) * bitsPixel)
        return false;
    r.seek(bitsOffset);
    if (!r.has(static_cast<std::uint64_t>(height), static_cast<std::uint64_t>(widthBytes)))
        return false;
    if (!IsAcceptableBitmapSize(width, height) || std::int64_t{width} * height > kMaxMetafileDibPixels)
        return false;
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return false;
    for (int y = 0; y < height; ++y) {
        const std::span<const std::uint8_t> row = r.bytes(static_cast<std::size_t>(widthBytes));
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            switch (bitsPixel) {
            case 1: line[x] = (row[static_cast<std::size_t>(x) / 8] & (0x80 >> (x % 8))) ? oneColor : zeroColor; break;
            case 4: line[x] = kVgaColors[(row[static_cast<std::size_t>(x) / 2] >> ((x % 2) ? 0 : 4)) & 0x0F]; break;
            case 8: {
                const std::uint8_t v = row[static_cast<std::size_t>(x)];
                line[x] = qRgb(v, v, v);
                break;
            }
            case 24: {
                const std::size_t i = static_cast<std::size_t>(x) * 3;
                line[x] = qRgb(row[i + 2], row[i + 1], row[i]);
                break;
            }
            default: {
                const std::size_t i = static_cast<std::size_t>(x) * 4;
                line[x] = qRgb(row[i + 2], row[i + 1], row[i]);
                break;
            }
            }
        }
    }
    out = std::move(image);
    return true;
}

} // namespace plat::metafile
