// A memory device context: Windows drawing semantics over a QPainter on a
// bitmap. It is what metafile records are played into, and it keeps the
// state they rely on: page mapping and world transform, selected pen, brush,
// font and palette, text and background attributes, current position, path,
// clip region and the stack of saved states.
//
// Coordinates given to drawing calls are logical; everything is mapped to
// device pixels here (world, then page, then the playback transform that an
// enhanced metafile uses to fit its frame into the target rectangle), so
// shapes, pen widths and hatches follow Windows' device-pixel rules.
//
// Text needs the Qt font system, which needs a QGuiApplication. Without one
// (an arbitrary host program) text output is skipped and everything else is
// drawn.
#pragma once

#include "platform_export.h"

#include "gdi/GdiObjects.h"
#include "gdi/LogObjects.h"
#include "gdi/PageMapping.h"

#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <QRegion>
#include <QString>
#include <QTransform>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace plat {

struct GradientVertex {
    QPointF point;                              // logical
    std::uint16_t red = 0, green = 0, blue = 0; // 16-bit channels, as records store them
};

class PLATFORM_EXPORT DeviceContext {
public:
    // Draws into a platform bitmap, which stays alive while the context does.
    explicit DeviceContext(HGDIOBJ bitmap);
    // Draws into a caller's image (RGB32 or ARGB32 premultiplied), which must
    // outlive the context.
    explicit DeviceContext(QImage* image);
    ~DeviceContext();
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;

    bool isValid() const;
    QSize size() const;
    // Text output is on when a QGuiApplication exists; tests may turn it off.
    bool textEnabled() const;
    void setTextEnabled(bool enabled);

    // Work that visits pixels one by one (general raster operations,
    // gradient triangles, flood fills, decoding embedded bitmaps) is drawn
    // from a budget of a few hundred passes over the bitmap, so that no
    // picture keeps playback busy for hours. False once it is spent; the
    // operation asking is then skipped.
    bool allowPixelWork(std::int64_t pixels);

    // ---- Saved states.
    int SaveDC();              // the new depth, or 0 when the stack is full
    bool RestoreDC(int which); // < 0: relative to the top; > 0: absolute depth

    // ---- Playback framing, used by the metafile players. beginPlayback saves
    // the state and sets a floor RestoreDC cannot pop below; endPlayback
    // restores what the matching beginPlayback saved. resetForPlayback puts
    // the defaults of a fresh context in force (keeping the clip, as a meta
    // region), with a transform applied after the page transform and the
    // device metrics the fixed mapping modes measure against.
    void beginPlayback();
    void resetForPlayback(const QTransform& playbackTransform, const gdi::DeviceMetrics& metrics);
    void endPlayback();

    // ---- Mapping.
    bool SetMapMode(int mode);
    int GetMapMode() const;
    bool SetWindowOrgEx(double x, double y);
    bool SetWindowExtEx(double cx, double cy);
    bool SetViewportOrgEx(double x, double y);
    bool SetViewportExtEx(double cx, double cy);
    bool OffsetWindowOrgEx(double dx, double dy);
    bool OffsetViewportOrgEx(double dx, double dy);
    bool ScaleWindowExtEx(double xNum, double xDenom, double yNum, double yDenom);
    bool ScaleViewportExtEx(double xNum, double xDenom, double yNum, double yDenom);
    const gdi::PageMapping& pageMapping() const;
    bool SetWorldTransform(const QTransform& transform);
    bool ModifyWorldTransform(const QTransform& transform, int mode);
    QTransform worldTransform() const;
    // Logical to device, all stages combined.
    QTransform logicalToDevice() const;

    // ---- Attributes.
    void SetBkColor(gdi::ColorRef color);
    void SetBkMode(int mode);
    void SetTextColor(gdi::ColorRef color);
    void SetTextAlign(std::uint32_t align);
    void SetPolyFillMode(int mode);
    void SetROP2(int rop);
    void SetStretchBltMode(int mode);
    void SetTextCharacterExtra(double extra);
    void SetTextJustification(double breakExtra, int breakCount);
    void SetArcDirection(int direction);
    void SetMiterLimit(double limit);
    void SetBrushOrgEx(int x, int y);
    gdi::ColorRef textColor() const;
    gdi::ColorRef bkColor() const;
    QPointF currentPosition() const;

    // ---- Objects (copies are selected; the previous one is returned).
    gdi::LogPen selectPen(const gdi::LogPen& pen);
    gdi::LogBrush selectBrush(const gdi::LogBrush& brush);
    gdi::LogFont selectFont(const gdi::LogFont& font);
    void selectPalette(std::vector<QRgb> palette);
    const gdi::LogFont& currentFont() const;
    const std::vector<QRgb>& currentPalette() const;
    // A COLORREF as a colour, palette-relative forms looked up in the selected palette.
    QRgb resolveColor(gdi::ColorRef color) const;

    // ---- Lines and shapes (logical coordinates).
    bool MoveToEx(QPointF point);
    bool LineTo(QPointF point);
    bool Polyline(std::span<const QPointF> points);
    bool PolylineTo(std::span<const QPointF> points);
    bool Polygon(std::span<const QPointF> points);
    bool PolyPolygon(std::span<const QPointF> points, std::span<const std::uint32_t> counts);
    bool PolyPolyline(std::span<const QPointF> points, std::span<const std::uint32_t> counts);
    bool PolyBezier(std::span<const QPointF> points);
    bool PolyBezierTo(std::span<const QPointF> points);
    bool PolyDraw(std::span<const QPointF> points, std::span<const std::uint8_t> types);
    bool Rectangle(double left, double top, double right, double bottom);
    bool RoundRect(double left, double top, double right, double bottom, double width, double height);
    bool Ellipse(double left, double top, double right, double bottom);
    bool Arc(const QRectF& box, QPointF start, QPointF end);
    bool ArcTo(const QRectF& box, QPointF start, QPointF end);
    bool Chord(const QRectF& box, QPointF start, QPointF end);
    bool Pie(const QRectF& box, QPointF start, QPointF end);
    bool AngleArc(QPointF center, double radius, double startDegrees, double sweepDegrees);
    bool SetPixel(QPointF point, gdi::ColorRef color);
    bool ExtFloodFill(QPointF point, gdi::ColorRef color, int type);

    // ---- Text. dx holds one advance per character (two, x and y, with
    // ETO_PDY), in logical units; empty means the font's own advances.
    // graphicsMode is the mode the text was recorded in (GM_COMPATIBLE keeps
    // glyphs upright and unstretched; GM_ADVANCED transforms them fully).
    bool ExtTextOut(QPointF point, std::uint32_t options, const QRectF* rect, const QString& text,
                    std::span<const double> dx, int graphicsMode);

    // ---- Paths.
    bool BeginPath();
    bool EndPath();
    bool AbortPath();
    bool CloseFigure();
    bool FillPath();
    bool StrokePath();
    bool StrokeAndFillPath();
    bool FlattenPath();
    bool WidenPath();
    bool SelectClipPath(int mode);

    // ---- Clipping.
    bool IntersectClipRect(double left, double top, double right, double bottom);
    bool ExcludeClipRect(double left, double top, double right, double bottom);
    bool OffsetClipRgn(double dx, double dy);
    // region is in device units of the context's device (before the playback
    // transform); null selects no clipping (RGN_COPY) or is ignored.
    bool ExtSelectClipRgn(const QRegion* region, int mode);
    // A region in logical units (Windows metafile region objects).
    bool SelectClipRgnLogical(const QRegion& region);
    bool SetMetaRgn();

    // ---- Regions in logical units.
    bool FillRgn(const QRegion& region, const gdi::LogBrush& brush);
    bool FrameRgn(const QRegion& region, const gdi::LogBrush& brush, double width, double height);
    bool InvertRgn(const QRegion& region);
    bool PaintRgn(const QRegion& region);

    // ---- Blits. Destination rectangles are logical (x, y, width, height;
    // negative sizes mirror); source rectangles are in source pixels, top row
    // first. rop is a ternary raster operation.
    bool PatBlt(double x, double y, double width, double height, std::uint32_t rop);
    bool StretchBlt(const QRectF& dest, const QImage& source, const QRectF& sourceRect, std::uint32_t rop);
    // source is premultiplied ARGB when perPixelAlpha, else opaque.
    bool AlphaBlend(const QRectF& dest, const QImage& source, const QRectF& sourceRect, int constantAlpha,
                    bool perPixelAlpha);
    bool TransparentBlt(const QRectF& dest, const QImage& source, const QRectF& sourceRect, gdi::ColorRef transparent);
    bool GradientFill(std::span<const GradientVertex> vertices, std::span<const std::uint32_t> indexes,
                      std::uint32_t mode);

    // ---- Record families with a graphics model of their own (EMF+) draw
    // with the painter itself. The transform takes the recorded reference
    // device's pixels to the bitmap's; beginDirectPainting gives the painter
    // with the context's clip applied (null when nothing can be drawn), and
    // endDirectPainting puts back every painter setting changed in between.
    QTransform referenceToDevice() const;
    const gdi::DeviceMetrics& referenceMetrics() const;
    QPainter* beginDirectPainting();
    void endDirectPainting();

    struct Impl;

private:
    std::unique_ptr<Impl> d;
};

} // namespace plat
