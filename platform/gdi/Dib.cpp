#include "gdi/Dib.h"

#include "common/ByteReader.h"
#include "common/DibHeader.h"
#include "gdi/LargeBuffer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>

namespace plat {

namespace {

enum Compression : std::uint32_t {
    BI_RGB = 0,
    BI_RLE8 = 1,
    BI_RLE4 = 2,
    BI_BITFIELDS = 3,
    BI_JPEG = 4,
    BI_PNG = 5,
    BI_ALPHABITFIELDS = 6,
};

// One colour channel of a bit-field DIB: the masked bits, shifted down and
// widened to 8 bits by repeating them (5 bits abcde become abcdeabc), so
// that full scale stays full scale.
class Channel {
public:
    explicit Channel(std::uint32_t mask = 0) : mask_(mask)
    {
        if (mask == 0)
            return;
        shift_ = std::countr_zero(mask);
        bits_ = 32 - std::countl_zero(mask) - shift_;
        if (bits_ <= 16) {
            lut_.resize(std::size_t{1} << bits_);
            for (std::uint32_t v = 0; v < lut_.size(); ++v)
                lut_[v] = widen(v);
        }
    }

    std::uint32_t operator()(std::uint32_t pixel) const
    {
        if (mask_ == 0)
            return 0;
        const std::uint32_t v = (pixel & mask_) >> shift_;
        return bits_ <= 16 ? lut_[v] : v >> (bits_ - 8);
    }

    bool present() const { return mask_ != 0; }

private:
    std::uint8_t widen(std::uint32_t v) const
    {
        if (bits_ >= 8)
            return static_cast<std::uint8_t>(v >> (bits_ - 8));
        std::uint32_t r = 0;
        int have = 0;
        while (have < 8) {
            r = (r << bits_) | v;
            have += bits_;
        }
        return static_cast<std::uint8_t>(r >> (have - 8));
    }

    std::uint32_t mask_ = 0;
    int shift_ = 0;
    int bits_ = 0;
    std::vector<std::uint8_t> lut_;
};

// Everything the header says, checked. Field ranges after parseHeader:
// width in [1, 2^31), rows in [1, 2^31), bpp one of 1 4 8 16 24 32.
struct DibLayout {
    std::uint32_t headerSize = 0;
    bool core = false; // 12-byte BITMAPCOREHEADER: 3-byte colour table entries
    std::int64_t width = 0;
    std::int64_t rows = 0;
    bool topDown = false;
    int bpp = 0;
    std::uint32_t compression = BI_RGB;
    std::array<std::uint32_t, 4> masks{}; // red, green, blue, alpha
    std::uint64_t maskBytes = 0;          // masks stored after the header
    std::uint64_t entrySize = 4;
    std::uint64_t declaredEntries = 0; // what the table occupies
    std::uint64_t usableEntries = 0;   // what pixels can index
    std::uint64_t tableOffset() const { return headerSize + maskBytes; }
    std::uint64_t bitsOffset() const { return tableOffset() + declaredEntries * entrySize; }
};

DibStatus parseHeader(std::span<const std::uint8_t> info, DibLayout& l, std::int64_t maxPixels)
{
    if (info.size() < 4)
        return DibStatus::Malformed;
    DibHeaderFields h;
    const bool whole = readDibHeaderFields(info, h);
    l.headerSize = h.size;
    const std::uint32_t clrUsed = h.colorsUsed;
    if (l.headerSize == 12) {
        if (!whole)
            return DibStatus::Malformed;
        l.core = true;
        l.entrySize = 3;
        l.width = h.width; // unsigned in the core header: always bottom-up
        l.rows = h.height;
        l.bpp = h.bitCount;
    } else if (l.headerSize == 40 || l.headerSize == 52 || l.headerSize == 56 || l.headerSize == 108
               || l.headerSize == 124) {
        if (info.size() < l.headerSize)
            return DibStatus::Malformed;
        l.width = h.width;
        const std::int64_t height = h.height;
        l.topDown = height < 0;
        l.rows = height < 0 ? -height : height;
        l.bpp = h.bitCount;
        l.compression = h.compression;
    } else {
        // 64-byte OS/2 2.x headers and anything newer than V5.
        return l.headerSize < 12 ? DibStatus::Malformed : DibStatus::Unsupported;
    }

    switch (l.bpp) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32: break;
    case 0:
    case 2: return DibStatus::Unsupported; // embedded JPEG/PNG; 2 bpp is CE-only
    default: return DibStatus::Malformed;
    }
    switch (l.compression) {
    case BI_RGB: break;
    case BI_RLE8:
        if (l.bpp != 8)
            return DibStatus::Malformed;
        break;
    case BI_RLE4:
        if (l.bpp != 4)
            return DibStatus::Malformed;
        break;
    case BI_BITFIELDS:
    case BI_ALPHABITFIELDS:
        if (l.bpp != 16 && l.bpp != 32)
            return DibStatus::Malformed;
        break;
    case BI_JPEG:
    case BI_PNG: return DibStatus::Unsupported;
    default: return DibStatus::Malformed;
    }
    // Run-length data is defined only for bottom-up bitmaps.
    if (l.topDown && (l.compression == BI_RLE8 || l.compression == BI_RLE4))
        return DibStatus::Malformed;
    if (l.width <= 0 || l.rows <= 0)
        return DibStatus::Malformed;
    if (!IsAcceptableBitmapSize(l.width, l.rows) || l.width * l.rows > maxPixels)
        return DibStatus::TooLarge;

    if (l.compression == BI_BITFIELDS || l.compression == BI_ALPHABITFIELDS) {
        ByteReader masks(info, 40);
        if (l.headerSize == 40) {
            l.maskBytes = l.compression == BI_BITFIELDS ? 12 : 16;
            if (info.size() < 40 + l.maskBytes)
                return DibStatus::Malformed;
            for (std::size_t i = 0; i < l.maskBytes / 4; ++i)
                l.masks[i] = masks.u32();
        } else {
            // Newer headers carry the masks inside themselves.
            l.masks = {masks.u32(), masks.u32(), masks.u32(), l.headerSize >= 56 ? masks.u32() : 0};
        }
    } else if (l.bpp == 16) {
        l.masks = {0x7c00, 0x03e0, 0x001f, 0};
    } else if (l.bpp == 32) {
        l.masks = {0x00ff0000, 0x0000ff00, 0x000000ff, 0xff000000};
    }

    if (l.core)
        l.declaredEntries = l.bpp <= 8 ? (1u << l.bpp) : 0;
    else
        l.declaredEntries = clrUsed != 0 ? clrUsed : (l.bpp <= 8 ? (1u << l.bpp) : 0);
    l.usableEntries = l.bpp <= 8 ? std::min<std::uint64_t>(l.declaredEntries, 1u << l.bpp) : 0;
    if (l.tableOffset() + l.usableEntries * l.entrySize > info.size())
        return DibStatus::Malformed;
    return DibStatus::Ok;
}

// Palette for 1, 4 and 8 bpp: entries the table lacks are black.
std::array<QRgb, 256> readPalette(std::span<const std::uint8_t> info, const DibLayout& l)
{
    std::array<QRgb, 256> palette;
    palette.fill(qRgb(0, 0, 0));
    const std::size_t base = static_cast<std::size_t>(l.tableOffset());
    for (std::size_t i = 0; i < l.usableEntries; ++i) {
        const std::size_t at = base + i * static_cast<std::size_t>(l.entrySize);
        palette[i] = qRgb(info[at + 2], info[at + 1], info[at]); // stored blue, green, red
    }
    return palette;
}

void decodeIndexedRow(const std::uint8_t* in, QRgb* out, std::int64_t width, int bpp,
                      const std::array<QRgb, 256>& palette)
{
    switch (bpp) {
    case 1:
        for (std::int64_t x = 0; x < width; ++x)
            out[x] = palette[(in[x >> 3] >> (7 - (x & 7))) & 1];
        break;
    case 4:
        for (std::int64_t x = 0; x < width; ++x)
            out[x] = palette[(x & 1) ? (in[x >> 1] & 0x0f) : (in[x >> 1] >> 4)];
        break;
    default:
        for (std::int64_t x = 0; x < width; ++x)
            out[x] = palette[in[x]];
        break;
    }
}

// Blue, green, red triples to 0xffRRGGBB, four pixels (three words) at a time:
// as little-endian words, b0 g0 r0 b1 | g1 r1 b2 g2 | r2 b3 g3 r3.
void decode24Row(const std::uint8_t* in, QRgb* out, std::int64_t width)
{
    std::int64_t x = 0;
    for (; x + 4 <= width; x += 4, in += 12) {
        std::uint32_t a, b, c;
        std::memcpy(&a, in, 4);
        std::memcpy(&b, in + 4, 4);
        std::memcpy(&c, in + 8, 4);
        out[x] = 0xff000000u | (a & 0xffffffu);
        out[x + 1] = 0xff000000u | (a >> 24) | ((b & 0xffffu) << 8);
        out[x + 2] = 0xff000000u | (b >> 16) | ((c & 0xffu) << 16);
        out[x + 3] = 0xff000000u | (c >> 8);
    }
    for (; x < width; ++x, in += 3)
        out[x] = 0xff000000u | (std::uint32_t{in[2]} << 16) | (std::uint32_t{in[1]} << 8) | in[0];
}

struct BitFields {
    Channel red, green, blue, alpha;
};

DibStatus decodeUncompressed(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits, const DibLayout& l,
                             QImage& image, bool keepAlpha)
{
    const std::int64_t stride = DibStride(l.width, l.bpp);
    if (stride < 0 || static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(l.rows) > bits.size())
        return DibStatus::Malformed;

    std::array<QRgb, 256> palette{};
    if (l.bpp <= 8)
        palette = readPalette(info, l);
    const bool plain32 =
        l.bpp == 32 && l.masks[0] == 0x00ff0000 && l.masks[1] == 0x0000ff00 && l.masks[2] == 0x000000ff;
    BitFields fields;
    if (l.bpp == 16 || (l.bpp == 32 && !plain32))
        fields = {Channel(l.masks[0]), Channel(l.masks[1]), Channel(l.masks[2]), Channel(l.masks[3])};
    const bool alphaFromMask = keepAlpha && fields.alpha.present();

    for (std::int64_t r = 0; r < l.rows; ++r) {
        const std::uint8_t* in = bits.data() + r * stride;
        const int y = static_cast<int>(l.topDown ? r : l.rows - 1 - r);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        switch (l.bpp) {
        case 1:
        case 4:
        case 8: decodeIndexedRow(in, out, l.width, l.bpp, palette); break;
        case 24: decode24Row(in, out, l.width); break;
        case 32:
            if (plain32) {
                // Alpha is the fourth byte only when the caller wants it and
                // the masks leave it free; BI_RGB's fourth byte is unused.
                const bool alpha = keepAlpha && (l.compression == BI_RGB || l.masks[3] == 0xff000000u);
                for (std::int64_t x = 0; x < l.width; ++x, in += 4) {
                    const std::uint32_t a = alpha ? in[3] : 0xffu;
                    out[x] = (a << 24) | (std::uint32_t{in[2]} << 16) | (std::uint32_t{in[1]} << 8) | in[0];
                }
                break;
            }
            for (std::int64_t x = 0; x < l.width; ++x, in += 4) {
                const std::uint32_t p = std::uint32_t{in[0]} | (std::uint32_t{in[1]} << 8)
                    | (std::uint32_t{in[2]} << 16) | (std::uint32_t{in[3]} << 24);
                const std::uint32_t a = alphaFromMask ? fields.alpha(p) : 0xffu;
                out[x] = (a << 24) | (fields.red(p) << 16) | (fields.green(p) << 8) | fields.blue(p);
            }
            break;
        case 16:
            for (std::int64_t x = 0; x < l.width; ++x, in += 2) {
                const std::uint32_t p = static_cast<std::uint32_t>(in[0] | (in[1] << 8));
                const std::uint32_t a = alphaFromMask ? fields.alpha(p) : 0xffu;
                out[x] = (a << 24) | (fields.red(p) << 16) | (fields.green(p) << 8) | fields.blue(p);
            }
            break;
        }
    }
    return DibStatus::Ok;
}

// RLE8 and RLE4 (bottom-up only). Codes come in byte pairs:
//   n>0, v      a run of n pixels: v (RLE8), or v's two nibbles alternating (RLE4)
//   0, 0        end of row        0, 1   end of bitmap
//   0, 2, dx, dy  move right dx and up dy rows
//   0, n>=3     n literal pixels follow (bytes, or nibbles high first), padded
//               to an even byte count
// The image starts black, so anything never drawn stays black.
void decodeRle(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits, const DibLayout& l,
               QImage& image)
{
    const auto palette = readPalette(info, l);
    const bool four = l.compression == BI_RLE4;
    const std::size_t n = bits.size();
    const std::uint8_t* b = bits.data();
    std::int64_t x = 0;
    std::int64_t row = 0; // counted from the bottom
    std::size_t p = 0;

    auto rowPointer = [&](std::int64_t r) {
        return reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(l.rows - 1 - r)));
    };

    while (p + 1 < n && row < l.rows) {
        const std::uint8_t count = b[p];
        const std::uint8_t value = b[p + 1];
        p += 2;
        if (count > 0) {
            QRgb* out = rowPointer(row);
            const std::int64_t end = std::min<std::int64_t>(x + count, l.width);
            for (std::int64_t i = x; i < end; ++i)
                out[i] = four ? palette[((i - x) & 1) ? (value & 0x0f) : (value >> 4)] : palette[value];
            x += count;
        } else if (value == 0) {
            x = 0;
            ++row;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (p + 1 >= n)
                break;
            x += b[p];
            row += b[p + 1];
            p += 2;
        } else {
            const std::size_t literal = value;
            std::size_t bytes = four ? (literal + 1) / 2 : literal;
            bytes += bytes & 1;
            const std::size_t have = std::min(bytes, n - p); // a cut stream keeps what arrived
            QRgb* out = rowPointer(row);
            for (std::size_t i = 0; i < literal; ++i) {
                const std::size_t at = four ? i / 2 : i;
                if (at >= have)
                    break;
                const std::int64_t px = x + static_cast<std::int64_t>(i);
                if (px >= l.width)
                    break;
                const std::uint8_t v = b[p + at];
                out[px] = four ? palette[(i & 1) ? (v & 0x0f) : (v >> 4)] : palette[v];
            }
            x += static_cast<std::int64_t>(literal);
            p += have;
        }
    }
}

} // namespace

const char* toString(DibStatus status)
{
    switch (status) {
    case DibStatus::Ok: return "ok";
    case DibStatus::Malformed: return "malformed bitmap data";
    case DibStatus::Unsupported: return "unsupported bitmap format";
    case DibStatus::TooLarge: return "bitmap too large";
    }
    return "unknown";
}

DibStatus DecodeDib(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits, QImage& out,
                    const DibDecodeOptions& options)
{
    DibLayout layout;
    const std::int64_t maxPixels = std::min(options.maxPixels, kMaxBitmapPixels);
    if (DibStatus s = parseHeader(info, layout, maxPixels); s != DibStatus::Ok)
        return s;

    const bool rle = layout.compression == BI_RLE8 || layout.compression == BI_RLE4;
    QImage image = AllocateImage(static_cast<int>(layout.width), static_cast<int>(layout.rows),
                                 options.keepAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        return DibStatus::TooLarge; // the allocation itself failed
    if (rle) {
        image.fill(0xff000000u);
        decodeRle(info, bits, layout, image);
    } else if (DibStatus s = decodeUncompressed(info, bits, layout, image, options.keepAlpha); s != DibStatus::Ok) {
        return s;
    }
    out = std::move(image);
    return DibStatus::Ok;
}

std::int64_t PackedDibBitsOffset(std::span<const std::uint8_t> packed)
{
    DibLayout layout;
    if (parseHeader(packed, layout, kMaxBitmapPixels) != DibStatus::Ok)
        return -1;
    const std::uint64_t offset = layout.bitsOffset();
    return offset > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
        ? -1
        : static_cast<std::int64_t>(offset);
}

DibStatus DecodePackedDib(std::span<const std::uint8_t> packed, QImage& out, const DibDecodeOptions& options)
{
    DibLayout layout;
    const std::int64_t maxPixels = std::min(options.maxPixels, kMaxBitmapPixels);
    if (DibStatus s = parseHeader(packed, layout, maxPixels); s != DibStatus::Ok)
        return s;
    const std::uint64_t offset = layout.bitsOffset();
    if (offset > packed.size())
        return DibStatus::Malformed;
    return DecodeDib(packed, packed.subspan(static_cast<std::size_t>(offset)), out, options);
}

HGDIOBJ CreateDIBitmap(std::span<const std::uint8_t> packed, DibStatus* status, const DibDecodeOptions& options)
{
    QImage image;
    DibDecodeOptions opaque = options;
    opaque.keepAlpha = false; // device bitmaps have no alpha
    const DibStatus s = DecodePackedDib(packed, image, opaque);
    if (status)
        *status = s;
    if (s != DibStatus::Ok)
        return 0;
    // The decoded image is already in the screen format; hand it over without a copy.
    return RegisterObject(std::make_shared<Bitmap>(std::move(image)));
}

std::size_t GetDIBits24Size(HGDIOBJ handle)
{
    auto bitmap = LookupBitmap(handle);
    if (!bitmap || bitmap->image.isNull())
        return 0;
    const std::int64_t stride = DibStride(bitmap->image.width(), 24);
    const std::int64_t imageSize = stride * bitmap->image.height();
    if (stride < 0 || imageSize > std::numeric_limits<std::uint32_t>::max() - 40)
        return 0;
    return static_cast<std::size_t>(40 + imageSize);
}

bool GetDIBits24Into(HGDIOBJ handle, std::span<std::uint8_t> dib)
{
    auto bitmap = LookupBitmap(handle);
    if (!bitmap || bitmap->image.isNull() || dib.size() != GetDIBits24Size(handle))
        return false;
    QImage image = bitmap->image;
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(QImage::Format_RGB32);
    const std::int64_t width = image.width();
    const std::int64_t height = image.height();
    const std::int64_t stride = DibStride(width, 24);
    const auto imageSize = static_cast<std::uint32_t>(stride * height);

    std::uint8_t* h = dib.data();
    std::memset(h, 0, 40);
    auto put32 = [h](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            h[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, static_cast<std::uint32_t>(width));
    put32(8, static_cast<std::uint32_t>(height));
    h[12] = 1;  // planes
    h[14] = 24; // bits per pixel
    put32(20, imageSize);

    const std::int64_t tail = stride - 3 * width; // row padding, zero
    for (std::int64_t r = 0; r < height; ++r) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(static_cast<int>(height - 1 - r)));
        std::uint8_t* out = dib.data() + 40 + r * stride;
        std::int64_t x = 0;
        for (; x + 4 <= width; x += 4, out += 12) {
            // Four pixels into three little-endian words: b0 g0 r0 b1 | g1 r1 b2 g2 | r2 b3 g3 r3.
            const std::uint32_t p0 = in[x] & 0xffffffu, p1 = in[x + 1] & 0xffffffu, p2 = in[x + 2] & 0xffffffu,
                                p3 = in[x + 3] & 0xffffffu;
            const std::uint32_t a = p0 | (p1 << 24), b = (p1 >> 8) | (p2 << 16), c = (p2 >> 16) | (p3 << 8);
            std::memcpy(out, &a, 4);
            std::memcpy(out + 4, &b, 4);
            std::memcpy(out + 8, &c, 4);
        }
        for (; x < width; ++x, out += 3) {
            const QRgb p = in[x];
            out[0] = static_cast<std::uint8_t>(p);
            out[1] = static_cast<std::uint8_t>(p >> 8);
            out[2] = static_cast<std::uint8_t>(p >> 16);
        }
        std::memset(out, 0, static_cast<std::size_t>(tail));
    }
    return true;
}

std::vector<std::uint8_t> GetDIBits24(HGDIOBJ handle)
{
    std::vector<std::uint8_t> dib(GetDIBits24Size(handle));
    if (dib.empty() || !GetDIBits24Into(handle, dib))
        return {};
    return dib;
}

std::int64_t DibStride(std::int64_t width, int bitsPerPixel)
{
    if (width < 0 || bitsPerPixel <= 0 || width > (std::int64_t{1} << 40))
        return -1;
    const std::int64_t stride = (width * bitsPerPixel + 31) / 32 * 4;
    return stride > 0x7fffffff ? -1 : stride;
}

} // namespace plat
