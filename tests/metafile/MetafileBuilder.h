// Test helper: builds Windows metafiles and enhanced metafiles record by
// record, so fixtures stay small and every parameter is written where it is
// set, and plays them into fresh white images.
#pragma once

#include "DibBuilder.h"

#include <gdi/DeviceContext.h>
#include <gdi/GdiConstants.h>
#include <metafile/EnhancedMetafile.h>
#include <metafile/WindowsMetafile.h>

#include <QImage>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace testmf {

using testdib::Bytes;
using testdib::put16;
using testdib::put32;

inline void putFloat(Bytes& b, float f)
{
    std::uint32_t v;
    static_assert(sizeof v == sizeof f);
    std::memcpy(&v, &f, sizeof v);
    put32(b, v);
}

// A COLORREF or other 32-bit value as the two 16-bit words Windows metafile
// records store it in, low word first.
inline int lo(std::uint32_t v) { return static_cast<int>(v & 0xFFFF); }
inline int hi(std::uint32_t v) { return static_cast<int>(v >> 16); }

// Windows metafile: records of 16-bit parameters, the standard header in
// front and an end record behind.
class WmfBuilder {
public:
    // A record whose parameters are 16-bit words (colours: low word first).
    WmfBuilder& add(std::uint16_t function, std::initializer_list<int> words)
    {
        Bytes params;
        for (int w : words)
            put16(params, static_cast<std::uint32_t>(w));
        return addRaw(function, params);
    }

    // A record with parameters given as bytes (padded to whole words).
    WmfBuilder& addRaw(std::uint16_t function, Bytes params)
    {
        if (params.size() % 2)
            params.push_back(0);
        put32(records_, static_cast<std::uint32_t>(3 + params.size() / 2));
        put16(records_, function);
        records_.insert(records_.end(), params.begin(), params.end());
        return *this;
    }

    // Bytes appended as they are: for damaged records.
    WmfBuilder& addBytes(const Bytes& bytes)
    {
        records_.insert(records_.end(), bytes.begin(), bytes.end());
        return *this;
    }

    Bytes standard(std::uint16_t objects = 8) const
    {
        Bytes b;
        put16(b, 1);      // type: memory
        put16(b, 9);      // header words
        put16(b, 0x0300); // version
        put32(b, static_cast<std::uint32_t>((18 + records_.size() + 6) / 2));
        put16(b, objects);
        put32(b, 0); // largest record
        put16(b, 0); // unused
        b.insert(b.end(), records_.begin(), records_.end());
        put32(b, 3); // end record
        put16(b, 0);
        return b;
    }

    Bytes placeable(std::int16_t left, std::int16_t top, std::int16_t right, std::int16_t bottom,
                    std::uint16_t unitsPerInch) const
    {
        Bytes b;
        put32(b, 0x9AC6CDD7);
        put16(b, 0); // handle
        put16(b, static_cast<std::uint16_t>(left));
        put16(b, static_cast<std::uint16_t>(top));
        put16(b, static_cast<std::uint16_t>(right));
        put16(b, static_cast<std::uint16_t>(bottom));
        put16(b, unitsPerInch);
        put32(b, 0); // reserved
        put16(b, 0); // checksum, not verified
        const Bytes rest = standard();
        b.insert(b.end(), rest.begin(), rest.end());
        return b;
    }

private:
    Bytes records_;
};

// Enhanced metafile: a 108-byte header (bounds and frame as given, a
// reference device of 100 x 100 pixels on 100 x 100 mm unless set), records
// of 32-bit values, an end record.
class EmfBuilder {
public:
    plat::RectL bounds{0, 0, 99, 99};
    plat::RectL frame{0, 0, 9999, 9999}; // 0.01 mm: 100 mm, the whole device
    std::int32_t devicePixels[2] = {100, 100};
    std::int32_t deviceMillimetres[2] = {100, 100};

    EmfBuilder& add(std::uint32_t type, std::initializer_list<std::int64_t> values)
    {
        Bytes body;
        for (std::int64_t v : values)
            put32(body, static_cast<std::uint32_t>(v));
        return addRaw(type, body);
    }

    // Body bytes after type and size (padded to a multiple of 4).
    EmfBuilder& addRaw(std::uint32_t type, Bytes body)
    {
        while (body.size() % 4)
            body.push_back(0);
        put32(records_, type);
        put32(records_, static_cast<std::uint32_t>(8 + body.size()));
        records_.insert(records_.end(), body.begin(), body.end());
        ++count_;
        return *this;
    }

    EmfBuilder& addBytes(const Bytes& bytes)
    {
        records_.insert(records_.end(), bytes.begin(), bytes.end());
        return *this;
    }

    Bytes bytes() const
    {
        Bytes b;
        put32(b, 1);   // EMR_HEADER
        put32(b, 108); // header size
        for (const plat::RectL& r : {bounds, frame}) {
            put32(b, static_cast<std::uint32_t>(r.left));
            put32(b, static_cast<std::uint32_t>(r.top));
            put32(b, static_cast<std::uint32_t>(r.right));
            put32(b, static_cast<std::uint32_t>(r.bottom));
        }
        put32(b, 0x464D4520); // " EMF"
        put32(b, 0x10000);    // version
        put32(b, static_cast<std::uint32_t>(108 + records_.size() + 20));
        put32(b, static_cast<std::uint32_t>(count_ + 2));
        put16(b, 8); // handles
        put16(b, 0);
        put32(b, 0); // description
        put32(b, 0);
        put32(b, 0); // palette entries
        put32(b, static_cast<std::uint32_t>(devicePixels[0]));
        put32(b, static_cast<std::uint32_t>(devicePixels[1]));
        put32(b, static_cast<std::uint32_t>(deviceMillimetres[0]));
        put32(b, static_cast<std::uint32_t>(deviceMillimetres[1]));
        b.resize(108, 0); // pixel format, OpenGL, micrometres: zero
        b.insert(b.end(), records_.begin(), records_.end());
        put32(b, 14); // EMR_EOF
        put32(b, 20);
        put32(b, 0);
        put32(b, 16);
        put32(b, 20);
        return b;
    }

private:
    Bytes records_;
    std::size_t count_ = 0;
};

inline QImage whiteImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// Plays standard metafile bytes as the engine does: anisotropic mapping with
// the viewport extent set to the image size.
inline plat::PlaybackResult playWmf(const Bytes& standard, QImage& image)
{
    const plat::HGDIOBJ mf = plat::SetMetaFileBitsEx(standard);
    plat::DeviceContext dc(&image);
    dc.SetMapMode(plat::gdi::MM_ANISOTROPIC);
    dc.SetViewportExtEx(image.width(), image.height());
    const plat::PlaybackResult result = plat::PlayMetaFile(dc, mf);
    plat::DeleteMetaFile(mf);
    return result;
}

// Plays enhanced metafile bytes stretched over the whole image.
inline plat::PlaybackResult playEmf(const Bytes& bytes, QImage& image)
{
    const plat::HGDIOBJ emf = plat::SetEnhMetaFileBits(bytes);
    plat::DeviceContext dc(&image);
    const plat::PlaybackResult result = plat::PlayEnhMetaFile(dc, emf, QRectF(0, 0, image.width(), image.height()));
    plat::DeleteEnhMetaFile(emf);
    return result;
}

// Pixels of one colour inside a rectangle.
inline int countColor(const QImage& image, QRgb color, QRect area = QRect())
{
    if (area.isNull())
        area = image.rect();
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) == (color & 0xFFFFFF);
    return n;
}

// The smallest rectangle holding every pixel that is not white.
inline QRect inkBounds(const QImage& image)
{
    QRect r;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                r |= QRect(x, y, 1, 1);
    return r;
}

} // namespace testmf
