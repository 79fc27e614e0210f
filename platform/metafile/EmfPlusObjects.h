// The graphics objects EMF+ records define (brushes, pens, paths, regions,
// images, fonts, string formats, image attributes), read from the bytes of a
// complete object definition. Every reader is bounds-checked: a definition
// that does not fit its bytes yields nothing and the player stops.
#pragma once

#include "common/ByteReader.h"

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QString>
#include <QTransform>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <variant>
#include <vector>

namespace plat::emfplus {

// Object types (the high byte of an object record's flags, 7 bits).
enum ObjectType : std::uint32_t {
    ObjectInvalid = 0,
    ObjectBrush = 1,
    ObjectPen = 2,
    ObjectPath = 3,
    ObjectRegion = 4,
    ObjectImage = 5,
    ObjectFont = 6,
    ObjectStringFormat = 7,
    ObjectImageAttributes = 8,
    ObjectCustomLineCap = 9,
};

enum BrushType : std::uint32_t {
    BrushSolid = 0,
    BrushHatch = 1,
    BrushTexture = 2,
    BrushPathGradient = 3,
    BrushLinearGradient = 4,
};

// Unit types, for page transforms, pens, fonts and image source rectangles.
enum Unit : std::uint32_t {
    UnitWorld = 0,
    UnitDisplay = 1,
    UnitPixel = 2,
    UnitPoint = 3,
    UnitInch = 4,
    UnitDocument = 5,
    UnitMillimeter = 6,
};

// Pixels per unit at a given resolution (dots per inch); World, Display and
// Pixel count one pixel each.
double unitToPixels(std::uint32_t unit, double dpi);

// An ARGB value as stored (blue, green, red, alpha bytes).
QColor argbColor(std::uint32_t argb);

// One colour stop of a gradient: position 0..1 along its axis.
struct GradientStop {
    double position = 0;
    QColor color;
};

struct Image;

struct Brush {
    std::uint32_t type = BrushSolid;
    QColor color{Qt::black};      // solid; hatch foreground; gradient start
    QColor background{Qt::white}; // hatch background; linear gradient end
    std::uint32_t hatchStyle = 0;
    std::uint32_t wrapMode = 0;
    QTransform transform; // brush space to world space
    // Linear gradient: the rectangle whose left and right edges the colours
    // run between. Path gradient: centre point, boundary and colours.
    QRectF rect;
    std::vector<GradientStop> stops; // along the gradient, 0 = start (linear) or boundary (path)
    QPointF center;
    QPainterPath boundary;
    std::shared_ptr<const Image> texture;
};

// One end of a line: a standard cap, or a custom one drawn as an arrowhead.
struct LineCap {
    std::uint32_t type = 0;                                 // LineCapType
    bool arrow = false;                                     // an adjustable arrow cap
    double arrowWidth = 0, arrowHeight = 0, arrowInset = 0; // in pen widths
    bool arrowFilled = true;
    // A custom cap's outline in cap space: x across the line, y out along
    // it, in pen widths times widthScale.
    QPainterPath custom;
    bool customFilled = false;
    double widthScale = 1;
};

struct Pen {
    double width = 1; // in unit
    std::uint32_t unit = UnitWorld;
    QTransform transform;
    LineCap startCap, endCap;
    std::uint32_t dashCap = 0;
    std::uint32_t join = 0;
    double miterLimit = 10;
    std::uint32_t lineStyle = 0; // 0 solid .. 5 custom
    double dashOffset = 0;
    std::vector<double> dashes; // custom dash and gap lengths in widths
    std::uint32_t alignment = 0;
    std::vector<double> compound; // compound line bands, fractions of the width
    Brush brush;
};

// A path's fill rule follows the record that fills it; paths keep odd-even.
struct Path {
    QPainterPath path;
};

// A region as a shape; infinite regions cover everything.
struct Region {
    bool infinite = false;
    QPainterPath path;
};

struct Image {
    enum class Kind { Bitmap, Metafile } kind = Kind::Bitmap;
    QImage bitmap;
    std::uint32_t metafileType = 0; // 1 WMF, 2 placeable WMF, 3 EMF, 4 EMF+ only, 5 dual
    std::vector<std::uint8_t> metafile;
    QSizeF size() const;
};

struct Font {
    double emSize = 0;
    std::uint32_t unit = UnitWorld;
    std::uint32_t style = 0; // bold 1, italic 2, underline 4, strikeout 8
    QString family;
};

struct StringFormat {
    std::uint32_t flags = 0;
    std::uint32_t alignment = 0; // near, centre, far
    std::uint32_t lineAlignment = 0;
};

struct ImageAttributes {
    std::uint32_t wrapMode = 0;
    QColor clampColor;
};

using Object = std::variant<Brush, Pen, Path, Region, Image, Font, StringFormat, ImageAttributes>;

// Reads a complete object of the given type; nullopt when the bytes do not
// hold one. Images larger than maxPixels are refused (they stay undrawn).
std::optional<Object> readObject(std::uint32_t type, std::span<const std::uint8_t> bytes, std::int64_t maxPixels);

// Points as drawing records store them: 16-bit integers (compressed),
// floats, or relative 7/15-bit steps. False when they do not fit.
bool readPoints(ByteReader& r, std::uint32_t count, bool compressed, bool relative, std::vector<QPointF>& out);
QRectF readRect(ByteReader& r, bool compressed);
QTransform readMatrix(ByteReader& r);
bool finite(const QTransform& t);

} // namespace plat::emfplus
