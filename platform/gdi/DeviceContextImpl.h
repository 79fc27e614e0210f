// Internals of DeviceContext, shared by the files it is split into
// (state and shapes, text, blits).
#pragma once

#include "gdi/DeviceContext.h"
#include "gdi/FontMapper.h"
#include "gdi/RasterOp.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <optional>

namespace plat {

struct DcState {
    gdi::PageMapping page;
    QTransform world;
    QTransform playback;
    gdi::DeviceMetrics metrics;

    gdi::LogPen pen;     // BLACK_PEN
    gdi::LogBrush brush; // WHITE_BRUSH
    gdi::LogFont font;   // SYSTEM_FONT
    std::shared_ptr<const std::vector<QRgb>> palette;

    gdi::ColorRef textColor = 0x000000;
    gdi::ColorRef bkColor = 0xFFFFFF;
    int bkMode = gdi::OPAQUE;
    std::uint32_t textAlign = 0;
    int polyFillMode = gdi::ALTERNATE;
    int rop2 = gdi::R2_COPYPEN;
    int stretchMode = gdi::BLACKONWHITE;
    int arcDirection = gdi::AD_COUNTERCLOCKWISE;
    double miterLimit = 10;
    double charExtra = 0;
    double breakExtra = 0;
    int breakCount = 0;
    QPoint brushOrg;
    QPointF currentPosition;

    // Clip and meta regions are kept in device pixels: Windows fixes a clip
    // region in device space when it is selected.
    bool hasClip = false;
    QRegion clip;
    bool hasMetaClip = false;
    QRegion metaClip;

    // Paths are recorded in device coordinates, as Windows records them.
    enum class PathMode { None, Recording, Closed };
    PathMode pathMode = PathMode::None;
    QPainterPath path;
    bool figureOpen = false;
};

// A pen ready to stroke device-space geometry.
struct DevicePen {
    bool visible = false;
    QPen pen;
    double width = 1; // device pixels
    bool insideFrame = false;
    bool styled = false; // dashes or dots, whose gaps an opaque background fills
    // A geometric pen under a mapping that is not a similarity (anisotropic
    // or sheared) has an elliptical tip: it is stroked in logical space with
    // this width and the outline mapped to the device.
    bool logicalStroke = false;
    double logicalWidth = 0;
};

struct DeviceContext::Impl {
    std::shared_ptr<Bitmap> bitmapRef; // keeps a platform bitmap alive
    QImage* image = nullptr;
    QPainter painter;
    DcState s;
    std::vector<DcState> saved;
    std::vector<std::size_t> playbackFloors;
    bool textEnabled = false;
    bool clipDirty = true;
    mutable bool transformDirty = true;
    mutable QTransform transformCache;
    gdi::FontMapper fonts;
    // Operations that visit pixels one by one (general raster operations,
    // gradient triangles, flood fills) draw from a budget of pixel visits:
    // a hostile picture repeating them cannot keep playback busy for hours.
    // It allows a few hundred full passes over a large bitmap.
    // Scan converting crowded paths draws from it too (rasterCost).
    mutable std::int64_t pixelBudget = 0;
    bool spendPixelWork(std::int64_t pixels) const
    {
        if (pixels > pixelBudget) {
            pixelBudget = 0;
            return false;
        }
        pixelBudget -= pixels;
        return true;
    }
    gdi::Rop2Mode mix; // the mix mode of the drawing in progress
    bool clipEmpty = false;
    mutable bool transformUsable = true; // finite and invertible

    void init();

    // ---- Transforms.
    const QTransform& transform() const;
    void invalidateTransform() { transformDirty = true; }
    bool usable() const
    {
        transform();
        return transformUsable;
    }
    QPointF toDevice(QPointF p) const { return transform().map(p); }
    bool axisAligned() const;
    double lineScale() const; // device length of one logical unit, averaged over both axes
    // A logical rectangle (l, t, r, b) as the device rectangle Windows draws a
    // shape in: corners rounded to pixels, right and bottom edges excluded.
    // Empty when the transform rotates or shears.
    std::optional<QRectF> deviceShapeRect(double left, double top, double right, double bottom) const;

    // ---- Clipping.
    QRect deviceBounds() const { return image ? image->rect() : QRect(); }
    QRegion currentClipOrDevice() const;
    void setClip(const QRegion& region);
    void combineClip(const QRegion& region, int mode);
    bool applyClip(); // false when the clip is empty (nothing can be drawn)

    // ---- Pens and brushes.
    DevicePen devicePen() const;
    QBrush deviceBrush(const gdi::LogBrush& brush) const;
    QColor color(gdi::ColorRef ref) const { return QColor::fromRgb(resolve(ref)); }
    QRgb resolve(gdi::ColorRef ref) const;

    // ---- Drawing device geometry with the current ROP2, clip, pen and brush.
    // Returns false when the mix mode or clip leaves nothing to draw.
    bool beginMix();
    void endMix();
    bool antialiasAllowed() const;
    // Charges the budget for scan converting path, filled (fill) or stroked
    // with a pen penWidth wide; antialias is cleared when only whole pixels
    // are affordable. False when the budget cannot pay for it at all.
    bool affordPath(const QPainterPath& path, bool fill, double penWidth, bool& antialias) const;
    void fillDevicePath(const QPainterPath& path, const QBrush& brush, bool antialias = true);
    void strokeDevicePath(const QPainterPath& path, const DevicePen& pen, bool antialias = true);
    void drawDevicePath(const QPainterPath& path, bool fill, bool stroke);

    // ---- Path recording. True when a path is being recorded (and the
    // geometry went into it instead of onto the bitmap).
    bool recording() const { return s.pathMode == DcState::PathMode::Recording; }
    void pathMoveTo(QPointF device);
    void pathLineTo(QPointF device);
    void pathAppendClosed(const QPainterPath& device);

    // ---- Shapes shared by Arc, ArcTo, Chord, Pie.
    enum class ArcKind { Arc, ArcTo, Chord, Pie };
    bool arcShape(const QRectF& box, QPointF start, QPointF end, ArcKind kind);

    // ---- Regions.
    QRegion logicalRegionToDevice(const QRegion& region) const;
    // The pixels a device path covers (its fill rule applies), within the
    // bitmap's bounds widened by a margin.
    QRegion regionFromPath(const QPainterPath& devicePath) const;
    // A logical rectangle in device pixels (right and bottom excluded).
    QRegion logicalRectToDevice(double left, double top, double right, double bottom) const;
    void fillDeviceRegion(const QRegion& region, const QBrush& brush);

    // ---- Blits (DeviceContext_Blit.cpp).
    struct DestQuad {
        QPointF origin, xAxis, yAxis; // device parallelogram
        bool aligned = false;
        QRect rect; // device pixels covered when aligned
        bool mirrorX = false, mirrorY = false;
    };
    DestQuad destQuad(const QRectF& dest) const;
    void ropBlit(const DestQuad& quad, const QImage* source, const QRectF& sourceRect, std::uint32_t rop);

    // ---- Text (DeviceContext_Text.cpp).
    bool textOut(QPointF point, std::uint32_t options, const QRectF* rect, const QString& text,
                 std::span<const double> dx, int graphicsMode);
};

} // namespace plat
