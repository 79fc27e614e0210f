// Test helper: writes a QImage as a BMP file in any of the layouts the reader
// must accept, so one picture can be checked through every format.
#pragma once

#include "DibBuilder.h"

#include <QImage>

#include <algorithm>
#include <map>
#include <string>

namespace testdib {

enum class BmpFormat {
    Pal1,
    Pal4,
    Pal8,
    Rgb555,
    BitFields565,
    Rgb24,
    Rgb24TopDown,
    Rgb32,
    BitFields32,
    Rle8,
    Rle4,
    Core8,
    Core24,
};

inline const char* name(BmpFormat f)
{
    switch (f) {
    case BmpFormat::Pal1: return "1 bpp";
    case BmpFormat::Pal4: return "4 bpp";
    case BmpFormat::Pal8: return "8 bpp";
    case BmpFormat::Rgb555: return "16 bpp 5-5-5";
    case BmpFormat::BitFields565: return "16 bpp bit fields 5-6-5";
    case BmpFormat::Rgb24: return "24 bpp";
    case BmpFormat::Rgb24TopDown: return "24 bpp top-down";
    case BmpFormat::Rgb32: return "32 bpp";
    case BmpFormat::BitFields32: return "32 bpp bit fields";
    case BmpFormat::Rle8: return "RLE8";
    case BmpFormat::Rle4: return "RLE4";
    case BmpFormat::Core8: return "core header 8 bpp";
    case BmpFormat::Core24: return "core header 24 bpp";
    }
    return "?";
}

// picture must use few enough colours for the palette formats (2 for 1 bpp,
// 16 for 4 bpp) and colours exact in 5 bits per channel for the 16-bit ones.
inline Bytes encodeBmp(const QImage& picture, BmpFormat f)
{
    const int w = picture.width(), h = picture.height();
    const bool core = f == BmpFormat::Core8 || f == BmpFormat::Core24;
    int bpp = 24;
    switch (f) {
    case BmpFormat::Pal1: bpp = 1; break;
    case BmpFormat::Pal4:
    case BmpFormat::Rle4: bpp = 4; break;
    case BmpFormat::Pal8:
    case BmpFormat::Rle8:
    case BmpFormat::Core8: bpp = 8; break;
    case BmpFormat::Rgb555:
    case BmpFormat::BitFields565: bpp = 16; break;
    case BmpFormat::Rgb32:
    case BmpFormat::BitFields32: bpp = 32; break;
    default: break;
    }

    // Palette in order of first appearance.
    std::vector<QRgb> colours;
    std::map<QRgb, int> index;
    if (bpp <= 8)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const QRgb c = picture.pixel(x, y) & 0xffffff;
                if (index.emplace(c, static_cast<int>(colours.size())).second)
                    colours.push_back(c);
            }
    auto at = [&](int x, int y) { return index.at(picture.pixel(x, y) & 0xffffff); };

    Bytes table;
    for (QRgb c : colours) {
        table.push_back(static_cast<std::uint8_t>(qBlue(c)));
        table.push_back(static_cast<std::uint8_t>(qGreen(c)));
        table.push_back(static_cast<std::uint8_t>(qRed(c)));
        if (!core)
            table.push_back(0);
    }
    if (core) // core tables always hold 2^bpp entries
        table.resize(static_cast<std::size_t>(3) << bpp, 0);

    Bytes bits;
    const bool topDown = f == BmpFormat::Rgb24TopDown;
    if (f == BmpFormat::Rle8 || f == BmpFormat::Rle4) {
        for (int r = 0; r < h; ++r) {
            const int y = h - 1 - r;
            for (int x = 0; x < w;) {
                int n = 1;
                while (x + n < w && n < 255 && at(x + n, y) == at(x, y))
                    ++n;
                bits.push_back(static_cast<std::uint8_t>(n));
                const int v = at(x, y);
                bits.push_back(static_cast<std::uint8_t>(f == BmpFormat::Rle4 ? (v << 4 | v) : v));
                x += n;
            }
            bits.insert(bits.end(), {0, 0});
        }
        bits.insert(bits.end(), {0, 1});
    } else {
        const int stride = (w * bpp + 31) / 32 * 4;
        for (int r = 0; r < h; ++r) {
            const int y = topDown ? r : h - 1 - r;
            Bytes row(static_cast<std::size_t>(stride), 0);
            for (int x = 0; x < w; ++x) {
                const QRgb c = picture.pixel(x, y);
                switch (bpp) {
                case 1: row[x / 8] |= static_cast<std::uint8_t>(at(x, y) << (7 - x % 8)); break;
                case 4: row[x / 2] |= static_cast<std::uint8_t>(at(x, y) << (x % 2 ? 0 : 4)); break;
                case 8: row[x] = static_cast<std::uint8_t>(at(x, y)); break;
                case 16: {
                    const std::uint32_t v = f == BmpFormat::Rgb555
                        ? (qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | qBlue(c) >> 3
                        : (qRed(c) >> 3) << 11 | (qGreen(c) >> 2) << 5 | qBlue(c) >> 3;
                    row[2 * x] = static_cast<std::uint8_t>(v);
                    row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                    break;
                }
                case 24:
                    row[3 * x] = static_cast<std::uint8_t>(qBlue(c));
                    row[3 * x + 1] = static_cast<std::uint8_t>(qGreen(c));
                    row[3 * x + 2] = static_cast<std::uint8_t>(qRed(c));
                    break;
                case 32:
                    if (f == BmpFormat::BitFields32) { // red in the low byte
                        row[4 * x] = static_cast<std::uint8_t>(qRed(c));
                        row[4 * x + 1] = static_cast<std::uint8_t>(qGreen(c));
                        row[4 * x + 2] = static_cast<std::uint8_t>(qBlue(c));
                    } else {
                        row[4 * x] = static_cast<std::uint8_t>(qBlue(c));
                        row[4 * x + 1] = static_cast<std::uint8_t>(qGreen(c));
                        row[4 * x + 2] = static_cast<std::uint8_t>(qRed(c));
                        row[4 * x + 3] = 0x5a; // unused byte: must not matter
                    }
                    break;
                }
            }
            append(bits, row);
        }
    }

    Bytes dib;
    if (core) {
        dib = coreHeader(static_cast<std::uint16_t>(w), static_cast<std::uint16_t>(h), static_cast<std::uint16_t>(bpp));
    } else {
        Header header;
        header.width = w;
        header.height = topDown ? -h : h;
        header.bpp = static_cast<std::uint16_t>(bpp);
        header.compression = f == BmpFormat::Rle8                           ? 1
            : f == BmpFormat::Rle4                                          ? 2
            : (f == BmpFormat::BitFields565 || f == BmpFormat::BitFields32) ? 3
                                                                            : 0;
        header.imageSize = static_cast<std::uint32_t>(bits.size());
        header.clrUsed = static_cast<std::uint32_t>(colours.size());
        dib = header.bytes();
        if (f == BmpFormat::BitFields565) {
            put32(dib, 0xf800);
            put32(dib, 0x07e0);
            put32(dib, 0x001f);
        } else if (f == BmpFormat::BitFields32) {
            put32(dib, 0x0000ff);
            put32(dib, 0x00ff00);
            put32(dib, 0xff0000);
        }
    }
    append(dib, table);
    const auto offset = static_cast<std::uint32_t>(dib.size());
    append(dib, bits);
    return bmpFile(dib, offset);
}

} // namespace testdib
