// Test helper: EMF+ records written one by one and packed into the comment
// records of an enhanced metafile, which EmfBuilder then frames. The
// reference device is set to 96 dpi and the frame to 96 x 96 of its pixels,
// so that with the EMF+ header's 96 dpi one EMF+ pixel is one image pixel of
// a 96 x 96 picture.
#pragma once

#include "MetafileBuilder.h"

#include <QPointF>
#include <QRectF>

#include <utility>
#include <vector>

namespace testmf {

namespace plus {
// Record types and flags as the files carry them.
constexpr std::uint16_t Header = 0x4001, EndOfFile = 0x4002, GetDC = 0x4004, Object = 0x4008, Clear = 0x4009,
                        FillRects = 0x400A, DrawRects = 0x400B, FillPolygon = 0x400C, DrawLines = 0x400D,
                        FillEllipse = 0x400E, FillPie = 0x4010, DrawArc = 0x4012, FillRegion = 0x4013,
                        FillPath = 0x4014, DrawPath = 0x4015, FillClosedCurve = 0x4016, DrawBeziers = 0x4019,
                        DrawImage = 0x401A, DrawImagePoints = 0x401B, DrawString = 0x401C, SetAntiAliasMode = 0x401E,
                        Save = 0x4025, Restore = 0x4026, BeginContainer = 0x4027, BeginContainerNoParams = 0x4028,
                        EndContainer = 0x4029, SetWorldTransform = 0x402A, ResetWorldTransform = 0x402B,
                        MultiplyWorldTransform = 0x402C, TranslateWorldTransform = 0x402D, ScaleWorldTransform = 0x402E,
                        RotateWorldTransform = 0x402F, SetPageTransform = 0x4030, ResetClip = 0x4031,
                        SetClipRect = 0x4032, SetClipPath = 0x4033, SetClipRegion = 0x4034, DrawDriverString = 0x4036;
constexpr std::uint16_t ColorFlag = 0x8000, ContinueFlag = 0x8000, CompressedFlag = 0x4000;
constexpr std::uint32_t Version = 0xDBC01002;
} // namespace plus

class EmfPlusBuilder {
public:
    // A raw EMF+ record (data padded to 4 bytes; the data size says the
    // unpadded length unless given).
    EmfPlusBuilder& record(std::uint16_t type, std::uint16_t flags, Bytes data)
    {
        const std::size_t dataSize = data.size();
        while (data.size() % 4)
            data.push_back(0);
        put16(pending_, type);
        put16(pending_, flags);
        put32(pending_, static_cast<std::uint32_t>(12 + data.size()));
        put32(pending_, static_cast<std::uint32_t>(dataSize));
        pending_.insert(pending_.end(), data.begin(), data.end());
        return *this;
    }

    EmfPlusBuilder& header(bool dual, std::uint32_t dpi = 96)
    {
        Bytes d;
        put32(d, plus::Version);
        put32(d, 1); // video reference device
        put32(d, dpi);
        put32(d, dpi);
        return record(plus::Header, dual ? 1 : 0, d);
    }

    // Packs the records so far into one EMF comment record.
    EmfPlusBuilder& flush(EmfBuilder& emf)
    {
        if (pending_.empty())
            return *this;
        Bytes body;
        put32(body, static_cast<std::uint32_t>(4 + pending_.size()));
        put32(body, 0x2B464D45); // "EMF+"
        body.insert(body.end(), pending_.begin(), pending_.end());
        emf.addRaw(70, body);
        pending_.clear();
        return *this;
    }

    // ---- objects
    EmfPlusBuilder& solidBrush(std::uint8_t id, std::uint32_t argb)
    {
        return record(plus::Object, static_cast<std::uint16_t>(0x0100 | id), solidBrushData(argb));
    }
    static Bytes solidBrushData(std::uint32_t argb)
    {
        Bytes d;
        put32(d, plus::Version);
        put32(d, 0);
        put32(d, argb);
        return d;
    }
    EmfPlusBuilder& hatchBrush(std::uint8_t id, std::uint32_t style, std::uint32_t fore, std::uint32_t back)
    {
        Bytes d;
        put32(d, plus::Version);
        put32(d, 1);
        put32(d, style);
        put32(d, fore);
        put32(d, back);
        return record(plus::Object, static_cast<std::uint16_t>(0x0100 | id), d);
    }
    EmfPlusBuilder& linearBrush(std::uint8_t id, QRectF rect, std::uint32_t from, std::uint32_t to,
                                std::uint32_t wrap = 4)
    {
        Bytes d;
        put32(d, plus::Version);
        put32(d, 4);
        put32(d, 0); // flags
        put32(d, wrap);
        putRect(d, rect);
        put32(d, from);
        put32(d, to);
        put32(d, from);
        put32(d, to);
        return record(plus::Object, static_cast<std::uint16_t>(0x0100 | id), d);
    }
    EmfPlusBuilder& pathGradientBrush(std::uint8_t id, QPointF center, std::uint32_t centerArgb, std::uint32_t edgeArgb,
                                      const std::vector<QPointF>& boundary)
    {
        Bytes d;
        put32(d, plus::Version);
        put32(d, 3);
        put32(d, 0); // flags: boundary as points
        put32(d, 0); // wrap
        put32(d, centerArgb);
        putFloat(d, static_cast<float>(center.x()));
        putFloat(d, static_cast<float>(center.y()));
        put32(d, 1);
        put32(d, edgeArgb);
        put32(d, static_cast<std::uint32_t>(boundary.size()));
        for (QPointF p : boundary)
            putPoint(d, p);
        return record(plus::Object, static_cast<std::uint16_t>(0x0100 | id), d);
    }
    // A pen with a solid brush; optional data after the width as given.
    EmfPlusBuilder& pen(std::uint8_t id, float width, std::uint32_t argb, std::uint32_t penFlags = 0,
                        const Bytes& optional = {})
    {
        Bytes d;
        put32(d, plus::Version);
        put32(d, 0);
        put32(d, penFlags);
        put32(d, 0); // unit: world
        putFloat(d, width);
        d.insert(d.end(), optional.begin(), optional.end());
        const Bytes brush = solidBrushData(argb);
        d.insert(d.end(), brush.begin(), brush.end());
        return record(plus::Object, static_cast<std::uint16_t>(0x0200 | id), d);
    }
    // A path of float points; types: 0 start, 1 line, 3 Bezier, | 0x80 close.
    EmfPlusBuilder& path(std::uint8_t id, const std::vector<QPointF>& points, const std::vector<std::uint8_t>& types)
    {
        return record(plus::Object, static_cast<std::uint16_t>(0x0300 | id), pathData(points, types));
    }
    static Bytes pathData(const std::vector<QPointF>& points, const std::vector<std::uint8_t>& types)
    {
        Bytes d;
        put32(d, plus::Version);
        put32(d, static_cast<std::uint32_t>(points.size()));
        put32(d, 0);
        for (QPointF p : points)
            putPoint(d, p);
        d.insert(d.end(), types.begin(), types.end());
        while (d.size() % 4)
            d.push_back(0);
        return d;
    }
    // A region of one rectangle node, or an infinite one.
    EmfPlusBuilder& rectRegion(std::uint8_t id, QRectF rect)
    {
        Bytes d;
        put32(d, plus::Version);
        put32(d, 0);
        put32(d, 0x10000000);
        putRect(d, rect);
        return record(plus::Object, static_cast<std::uint16_t>(0x0400 | id), d);
    }
    // A 32-bit ARGB bitmap image, rows top first.
    EmfPlusBuilder& bitmap(std::uint8_t id, int width, int height, const std::vector<std::uint32_t>& argb)
    {
        Bytes d;
        put32(d, plus::Version);
        put32(d, 1); // bitmap
        put32(d, static_cast<std::uint32_t>(width));
        put32(d, static_cast<std::uint32_t>(height));
        put32(d, static_cast<std::uint32_t>(width * 4));
        put32(d, 0x0026200A); // 32bpp ARGB
        put32(d, 0);          // pixels
        for (std::uint32_t v : argb)
            put32(d, v);
        return record(plus::Object, static_cast<std::uint16_t>(0x0500 | id), d);
    }
    // An embedded metafile image (type: 2 placeable WMF, 3 EMF, 4 EMF+ only, 5 dual).
    EmfPlusBuilder& metafileImage(std::uint8_t id, std::uint32_t type, const Bytes& bytes)
    {
        Bytes d;
        put32(d, plus::Version);
        put32(d, 2); // metafile
        put32(d, type);
        put32(d, static_cast<std::uint32_t>(bytes.size()));
        d.insert(d.end(), bytes.begin(), bytes.end());
        return record(plus::Object, static_cast<std::uint16_t>(0x0500 | id), d);
    }
    EmfPlusBuilder& imageAttributes(std::uint8_t id, std::uint32_t wrapMode, std::uint32_t clampArgb)
    {
        Bytes d;
        put32(d, plus::Version);
        put32(d, 0);
        put32(d, wrapMode);
        put32(d, clampArgb);
        put32(d, 0); // clamp to the rectangle
        put32(d, 0);
        return record(plus::Object, static_cast<std::uint16_t>(0x0800 | id), d);
    }
    // DrawImage of an image through optional attributes (0xFFFFFFFF: none),
    // the source in pixels.
    EmfPlusBuilder& drawImage(std::uint8_t image, std::uint32_t attributes, QRectF source, QRectF dest)
    {
        Bytes d;
        put32(d, attributes);
        put32(d, 2); // source unit: pixels
        putRect(d, source);
        putRect(d, dest);
        return record(plus::DrawImage, image, d);
    }
    EmfPlusBuilder& font(std::uint8_t id, float emSize, const QString& family, std::uint32_t unit = 2)
    {
        Bytes d;
        put32(d, plus::Version);
        putFloat(d, emSize);
        put32(d, unit);
        put32(d, 0); // style
        put32(d, 0);
        put32(d, static_cast<std::uint32_t>(family.size()));
        for (QChar c : family)
            put16(d, c.unicode());
        return record(plus::Object, static_cast<std::uint16_t>(0x0600 | id), d);
    }

    // ---- drawing
    EmfPlusBuilder& fillRects(std::uint16_t flags, std::uint32_t brush, const std::vector<QRectF>& rects)
    {
        Bytes d;
        put32(d, brush);
        put32(d, static_cast<std::uint32_t>(rects.size()));
        for (const QRectF& r : rects)
            putRect(d, r);
        return record(plus::FillRects, flags, d);
    }
    EmfPlusBuilder& fillColor(std::uint32_t argb, QRectF rect) { return fillRects(plus::ColorFlag, argb, {rect}); }
    EmfPlusBuilder& matrixRecord(std::uint16_t type, std::uint16_t flags, double m11, double m12, double m21,
                                 double m22, double dx, double dy)
    {
        Bytes d;
        for (double v : {m11, m12, m21, m22, dx, dy})
            putFloat(d, static_cast<float>(v));
        return record(type, flags, d);
    }
    EmfPlusBuilder& floats(std::uint16_t type, std::uint16_t flags, std::initializer_list<double> values)
    {
        Bytes d;
        for (double v : values)
            putFloat(d, static_cast<float>(v));
        return record(type, flags, d);
    }
    EmfPlusBuilder& index(std::uint16_t type, std::uint32_t value)
    {
        Bytes d;
        put32(d, value);
        return record(type, 0, d);
    }

    static void putPoint(Bytes& d, QPointF p)
    {
        putFloat(d, static_cast<float>(p.x()));
        putFloat(d, static_cast<float>(p.y()));
    }
    static void putRect(Bytes& d, QRectF r)
    {
        for (double v : {r.x(), r.y(), r.width(), r.height()})
            putFloat(d, static_cast<float>(v));
    }

private:
    Bytes pending_;
};

// An enhanced metafile whose frame is 96 x 96 pixels of a 96 dpi device.
inline EmfBuilder emfPlusFrame()
{
    EmfBuilder emf;
    emf.bounds = {0, 0, 95, 95};
    emf.frame = {0, 0, 2540, 2540};
    emf.devicePixels[0] = emf.devicePixels[1] = 960;
    emf.deviceMillimetres[0] = emf.deviceMillimetres[1] = 254;
    return emf;
}

} // namespace testmf
