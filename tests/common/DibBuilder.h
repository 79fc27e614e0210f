// Test helper: builds DIB headers, packed DIBs and BMP files byte by byte, so
// fixtures stay small and every field is named where it is set.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace testdib {

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& b, std::uint32_t v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void put32(Bytes& b, std::uint32_t v)
{
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}

inline void append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

// Fields of a BITMAPINFOHEADER and its larger relatives (52, 56, 108, 124).
struct Header {
    std::uint32_t size = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t planes = 1;
    std::uint16_t bpp = 24;
    std::uint32_t compression = 0;
    std::uint32_t imageSize = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0}; // only written into headers of 52 bytes and more

    Bytes bytes() const
    {
        Bytes b;
        put32(b, size);
        put32(b, static_cast<std::uint32_t>(width));
        put32(b, static_cast<std::uint32_t>(height));
        put16(b, planes);
        put16(b, bpp);
        put32(b, compression);
        put32(b, imageSize);
        put32(b, 2835); // 72 dpi, never looked at
        put32(b, 2835);
        put32(b, clrUsed);
        put32(b, 0); // colours important
        if (size >= 52)
            for (int i = 0; i < (size >= 56 ? 4 : 3); ++i)
                put32(b, masks[i]);
        b.resize(size < 40 ? 40 : size, 0); // V4/V5 colour space fields stay zero
        return b;
    }
};

// A 12-byte BITMAPCOREHEADER.
inline Bytes coreHeader(std::uint16_t width, std::uint16_t height, std::uint16_t bpp)
{
    Bytes b;
    put32(b, 12);
    put16(b, width);
    put16(b, height);
    put16(b, 1);
    put16(b, bpp);
    return b;
}

// Colour table entries as 0xRRGGBB; quads for 40-byte headers, triples for core.
inline Bytes palette(std::initializer_list<std::uint32_t> rgb, bool triples = false)
{
    Bytes b;
    for (std::uint32_t c : rgb) {
        b.push_back(static_cast<std::uint8_t>(c));       // blue
        b.push_back(static_cast<std::uint8_t>(c >> 8));  // green
        b.push_back(static_cast<std::uint8_t>(c >> 16)); // red
        if (!triples)
            b.push_back(0);
    }
    return b;
}

// A BMP file: "BM", file size, two reserved words, pixel offset, then the
// packed DIB. bitsOffset is counted from the start of the DIB.
inline Bytes bmpFile(const Bytes& packedDib, std::uint32_t bitsOffset)
{
    Bytes b;
    b.push_back('B');
    b.push_back('M');
    put32(b, static_cast<std::uint32_t>(14 + packedDib.size()));
    put16(b, 0);
    put16(b, 0);
    put32(b, 14 + bitsOffset);
    append(b, packedDib);
    return b;
}

inline Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes b;
    for (const Bytes& p : parts)
        append(b, p);
    return b;
}

} // namespace testdib
