// DeviceContext: text output.
//
// Glyphs come from one reference-size raw font per face and are placed by a
// text transform: origin at the reference point, x along the baseline, y down
// the glyphs. In GM_COMPATIBLE (every Windows metafile, and enhanced metafile
// text recorded that way) glyphs stay upright and unstretched on the device,
// their height follows the mapping's y scale and advances its x scale; in
// GM_ADVANCED the whole logical-to-device transform shapes them, except that
// they are never mirrored.
#include "gdi/DeviceContextImpl.h"

#include <QFontMetricsF>
#include <QGlyphRun>

#include <cmath>
#include <optional>

namespace plat {

using namespace gdi;

namespace {

double length(QPointF v) { return std::hypot(v.x(), v.y()); }

// Below this em height (device pixels) text cannot be read; above the
// other, it is runaway input.
constexpr double kMinEm = 0.5;
constexpr double kMaxEm = 1e6;
// Cell height of the context's default font where a font gives height 0.
constexpr double kDefaultEm = 13;

struct TextUnit {
    QString chars; // one character, or a surrogate pair
    quint32 glyph = 0;
    double x = 0, y = 0; // reference-font units, relative to the run start
};

// How the glyphs of a string sit on the device. B and U are the baseline and
// up directions (unit device vectors); advanceScale and emPerLogical the
// device lengths of one logical unit along them; local maps reference-font
// units to device pixels about the reference point.
struct TextFrame {
    QPointF B, U;
    double advanceScale = 0, emPerLogical = 0, stretch = 1;
    double f = 0; // device pixels per reference-font unit
    QTransform local, localInverse;
};

// Extra space SetTextCharacterExtra and SetTextJustification ask for.
struct TextSpacing {
    double charExtra = 0;
    double breakExtra = 0;
    int breakCount = 0;
};

bool isControl(const TextUnit& u, char16_t below) { return u.chars.size() == 1 && u.chars[0].unicode() < below; }

std::optional<TextFrame> textFrame(const QTransform& t, const LogFont& lf, const FontMapper::Face& face,
                                   int graphicsMode, double playbackDeterminant)
{
    TextFrame fr;
    const double esc = std::isfinite(lf.escapement) ? lf.escapement / 10.0 * M_PI / 180.0 : 0.0;
    const QPointF ex(t.m11(), t.m12());
    const QPointF ey(t.m21(), t.m22());
    if (graphicsMode != GM_ADVANCED) {
        fr.B = QPointF(std::cos(esc), -std::sin(esc));
        fr.U = QPointF(-std::sin(esc), -std::cos(esc));
        fr.advanceScale = length(ex);
        fr.emPerLogical = length(ey);
    } else {
        const double det = t.m11() * t.m22() - t.m12() * t.m21();
        // Seen with y down (det > 0) counter-clockwise turns toward -y.
        const QPointF bl(std::cos(esc), det > 0 ? -std::sin(esc) : std::sin(esc));
        const QPointF bd(bl.x() * ex.x() + bl.y() * ey.x(), bl.x() * ex.y() + bl.y() * ey.y());
        QPointF ud(-bl.y() * ex.x() + bl.x() * ey.x(), -bl.y() * ex.y() + bl.x() * ey.y());
        if (bd.x() * ud.y() - bd.y() * ud.x() > 0) // never mirror glyphs
            ud = -ud;
        fr.advanceScale = length(bd);
        fr.emPerLogical = length(ud);
        if (!(fr.advanceScale > 0) || !(fr.emPerLogical > 0))
            return std::nullopt;
        fr.B = bd / fr.advanceScale;
        fr.U = ud / fr.emPerLogical;
        fr.stretch = fr.advanceScale / fr.emPerLogical;
    }
    const double cellToEm = 1.0 / (face.ascent + face.descent);
    double emDevice;
    if (lf.height < 0)
        emDevice = -lf.height * fr.emPerLogical;
    else if (lf.height > 0)
        emDevice = lf.height * cellToEm * fr.emPerLogical;
    else
        emDevice = kDefaultEm * std::sqrt(std::fabs(playbackDeterminant));
    if (!(emDevice >= kMinEm) || !(emDevice <= kMaxEm) || !std::isfinite(fr.advanceScale))
        return std::nullopt;
    if (lf.width != 0 && std::isfinite(lf.width)) {
        const double wanted = std::fabs(lf.width) * fr.advanceScale;
        const double natural = face.averageWidth * emDevice;
        if (natural > 0)
            fr.stretch = std::clamp(wanted / natural, 0.01, 100.0);
    }
    fr.f = emDevice / FontMapper::kReferencePixelSize;
    fr.local = QTransform(fr.B.x() * fr.f * fr.stretch, fr.B.y() * fr.f * fr.stretch, -fr.U.x() * fr.f,
                          -fr.U.y() * fr.f, 0, 0);
    bool invertible = false;
    fr.localInverse = fr.local.inverted(&invertible);
    if (!invertible)
        return std::nullopt;
    return fr;
}

// The characters of str (surrogate pairs stay together) with their glyphs;
// sourceIndex gets the first UTF-16 unit of each.
std::vector<TextUnit> splitIntoUnits(const FontMapper::Face& face, const QString& str, std::vector<int>& sourceIndex)
{
    std::vector<TextUnit> units;
    units.reserve(static_cast<std::size_t>(str.size()));
    for (qsizetype i = 0; i < str.size(); ++i) {
        TextUnit u;
        const qsizetype n = (str[i].isHighSurrogate() && i + 1 < str.size() && str[i + 1].isLowSurrogate()) ? 2 : 1;
        u.chars = str.mid(i, n);
        sourceIndex.push_back(static_cast<int>(i));
        i += n - 1;
        units.push_back(std::move(u));
    }
    std::vector<quint32> glyphs(static_cast<std::size_t>(str.size()) + 1, 0);
    int count = static_cast<int>(glyphs.size());
    if (face.raw.glyphIndexesForChars(str.constData(), static_cast<int>(str.size()), glyphs.data(), &count)
        && static_cast<std::size_t>(count) == units.size()) {
        for (std::size_t i = 0; i < units.size(); ++i)
            units[i].glyph = glyphs[i];
    }
    return units;
}

// Places the units along the baseline (reference units), from the record's
// advances when it has them, else from the face's. The run's width, or none
// when an advance is not finite.
std::optional<double> placeUnits(std::vector<TextUnit>& units, const std::vector<int>& sourceIndex, qsizetype length,
                                 std::span<const double> dx, bool pdy, const TextFrame& fr,
                                 const FontMapper::Face& face, const TextSpacing& spacing)
{
    const std::size_t perChar = pdy ? 2 : 1;
    const bool haveDx = !dx.empty();
    QFontMetricsF fallbackMetrics(face.font);
    QList<QPointF> glyphAdvances;
    if (!haveDx) {
        QList<quint32> indexes;
        indexes.reserve(static_cast<qsizetype>(units.size()));
        for (const TextUnit& u : units)
            indexes.append(u.glyph);
        glyphAdvances = face.raw.advancesForGlyphIndexes(indexes, QRawFont::UseDesignMetrics);
    }
    double penX = 0, penY = 0;
    for (std::size_t i = 0; i < units.size(); ++i) {
        TextUnit& u = units[i];
        u.x = penX;
        u.y = penY;
        if (haveDx) {
            // Advances are per UTF-16 unit; a surrogate pair sums its two.
            double adx = 0, ady = 0;
            const std::size_t first = static_cast<std::size_t>(sourceIndex[i]);
            const std::size_t last =
                i + 1 < units.size() ? static_cast<std::size_t>(sourceIndex[i + 1]) : static_cast<std::size_t>(length);
            for (std::size_t k = first; k < last; ++k) {
                if (k * perChar < dx.size())
                    adx += dx[k * perChar];
                if (pdy && k * perChar + 1 < dx.size())
                    ady += dx[k * perChar + 1];
            }
            // The second value of a pair moves along the font's own up
            // direction, whatever way the logical y axis points.
            const QPointF device = fr.B * (adx * fr.advanceScale) + fr.U * (ady * fr.emPerLogical);
            const QPointF step = fr.localInverse.map(device);
            if (!std::isfinite(step.x()) || !std::isfinite(step.y()))
                return std::nullopt;
            penX += step.x();
            penY += step.y();
        } else {
            double advance;
            if (u.glyph && static_cast<qsizetype>(i) < glyphAdvances.size()) {
                advance = glyphAdvances[static_cast<qsizetype>(i)].x();
            } else {
                advance = fallbackMetrics.horizontalAdvance(u.chars);
            }
            double extra = spacing.charExtra;
            if (spacing.breakCount > 0 && u.chars == QLatin1String(" "))
                extra += spacing.breakExtra / spacing.breakCount;
            penX += advance + extra * fr.advanceScale / (fr.f * fr.stretch);
        }
    }
    return penX;
}

// Where the run starts relative to the reference point, in reference units.
QPointF alignmentOffset(std::uint32_t textAlign, double width, const FontMapper::Face& face)
{
    const double ref = FontMapper::kReferencePixelSize;
    double x0 = 0, y0 = 0;
    switch (textAlign & TA_HORIZONTAL_MASK) {
    case TA_CENTER: x0 = -width / 2; break;
    case TA_RIGHT: x0 = -width; break;
    default: break;
    }
    switch (textAlign & TA_VERTICAL_MASK) {
    case TA_BASELINE: break;
    case TA_BOTTOM: y0 = -face.descent * ref; break;
    default: y0 = face.ascent * ref; break; // TA_TOP
    }
    return {x0, y0};
}

QPainterPath glyphOutlines(const FontMapper::Face& face, const std::vector<TextUnit>& units, QPointF at)
{
    QPainterPath outlines;
    for (const TextUnit& u : units) {
        if (!u.glyph)
            continue;
        QPainterPath glyph = face.raw.pathForGlyph(u.glyph);
        glyph.translate(at.x() + u.x, at.y() + u.y);
        outlines.addPath(glyph);
    }
    return outlines;
}

// Draws the units, with the painter already set to the text transform:
// as filled outlines (glyphs too large or too distorted for the glyph
// cache), or as a glyph run plus Qt's fallback for characters the face
// lacks. Control characters take their advance but show nothing.
void paintUnits(QPainter& painter, const FontMapper::Face& face, const std::vector<TextUnit>& units, QPointF at,
                const QColor& color, bool asOutlines)
{
    if (asOutlines) {
        QPainterPath outlines;
        for (const TextUnit& u : units) {
            if (isControl(u, 0x21))
                continue;
            if (u.glyph) {
                QPainterPath glyph = face.raw.pathForGlyph(u.glyph);
                glyph.translate(at.x() + u.x, at.y() + u.y);
                outlines.addPath(glyph);
            } else {
                outlines.addText(QPointF(at.x() + u.x, at.y() + u.y), face.font, u.chars);
            }
        }
        outlines.setFillRule(Qt::WindingFill);
        painter.fillPath(outlines, color);
    }
    QList<quint32> glyphs;
    QList<QPointF> positions;
    for (const TextUnit& u : units) {
        if (asOutlines || isControl(u, 0x20))
            continue;
        if (u.glyph) {
            glyphs.append(u.glyph);
            positions.append(QPointF(at.x() + u.x, at.y() + u.y));
        }
    }
    if (!glyphs.isEmpty()) {
        QGlyphRun run;
        run.setRawFont(face.raw);
        run.setGlyphIndexes(glyphs);
        run.setPositions(positions);
        painter.setPen(color);
        painter.drawGlyphRun(QPointF(0, 0), run);
    }
    painter.setFont(face.font);
    painter.setPen(color);
    for (const TextUnit& u : units) {
        if (asOutlines || u.glyph || isControl(u, 0x21))
            continue;
        painter.drawText(QPointF(at.x() + u.x, at.y() + u.y), u.chars);
    }
}

} // namespace

bool DeviceContext::ExtTextOut(QPointF point, std::uint32_t options, const QRectF* rect, const QString& text,
                               std::span<const double> dx, int graphicsMode)
{
    return d->textOut(point, options, rect, text, dx, graphicsMode);
}

bool DeviceContext::Impl::textOut(QPointF point, std::uint32_t options, const QRectF* rect, const QString& text,
                                  std::span<const double> dx, int graphicsMode)
{
    if (!usable() || !painter.isActive())
        return false;
    const QTransform& t = transform();

    QPainterPath clipShape; // ETO_CLIPPED and ETO_OPAQUE rectangle, device
    if (rect) {
        if (auto r = deviceShapeRect(rect->left(), rect->top(), rect->right(), rect->bottom()))
            clipShape.addRect(r->adjusted(0, 0, 1, 1));
        else
            clipShape.addPolygon(t.map(QPolygonF(*rect)));
        if (!std::isfinite(clipShape.controlPointRect().width()))
            clipShape = QPainterPath();
    }
    if (!recording() && !clipShape.isEmpty() && (options & ETO_OPAQUE) && applyClip())
        painter.fillPath(clipShape, QColor::fromRgb(resolve(s.bkColor)));
    if (text.isEmpty() || !textEnabled || (options & ETO_GLYPH_INDEX))
        return true; // glyph indexes name glyphs of the original face, which is not here

    const LogFont& lf = s.font;
    const FontMapper::Face& face = fonts.face(lf);
    if (!face.raw.isValid())
        return true;
    const QString str = FontMapper::textForFace(face, text);
    const std::optional<TextFrame> fr = textFrame(t, lf, face, graphicsMode, s.playback.determinant());
    if (!fr)
        return true;
    std::vector<int> sourceIndex;
    std::vector<TextUnit> units = splitIntoUnits(face, str, sourceIndex);
    const std::optional<double> placed = placeUnits(units, sourceIndex, str.size(), dx, (options & ETO_PDY) != 0, *fr,
                                                    face, {s.charExtra, s.breakExtra, s.breakCount});
    if (!placed)
        return true;
    const double width = *placed;

    const QPointF at = alignmentOffset(s.textAlign, width, face);
    const bool updateCp = (s.textAlign & TA_UPDATECP) != 0;
    const QPointF origin = t.map(updateCp ? s.currentPosition : point);
    if (!std::isfinite(origin.x()) || !std::isfinite(origin.y()) || std::fabs(origin.x()) > 1e9
        || std::fabs(origin.y()) > 1e9)
        return true;
    const QTransform textTransform =
        fr->local * QTransform::fromTranslate(std::round(origin.x()), std::round(origin.y()));

    if (updateCp) {
        const double direction = (s.textAlign & TA_HORIZONTAL_MASK) == TA_CENTER ? 0
            : (s.textAlign & TA_HORIZONTAL_MASK) == TA_RIGHT                     ? -1
                                                                                 : 1;
        const QPointF endDevice =
            origin + textTransform.map(QPointF(width * direction, 0)) - textTransform.map(QPointF());
        bool ok = false;
        const QTransform inverse = t.inverted(&ok);
        if (ok)
            s.currentPosition = inverse.map(endDevice);
    }

    if (recording()) {
        // Text in a path contributes its outlines.
        pathAppendClosed(textTransform.map(glyphOutlines(face, units, at)));
        return true;
    }
    if (!applyClip())
        return true;

    const double ref = FontMapper::kReferencePixelSize;
    const double ascent = face.ascent * ref, descent = face.descent * ref;
    painter.save();
    if ((options & ETO_CLIPPED) && !clipShape.isEmpty())
        painter.setClipPath(clipShape, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    painter.setTransform(textTransform);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (s.bkMode == OPAQUE && !(options & ETO_OPAQUE))
        painter.fillRect(QRectF(std::min(at.x(), at.x() + width), at.y() - ascent, std::fabs(width), ascent + descent),
                         QColor::fromRgb(resolve(s.bkColor)));
    const QColor color = QColor::fromRgb(resolve(s.textColor));
    paintUnits(painter, face, units, at, color, GlyphsNeedOutlines(textTransform, ref));
    if (lf.underline || lf.strikeOut) {
        const double thickness = std::max(face.lineThickness * ref, 1.0 / fr->f);
        if (lf.underline)
            painter.fillRect(QRectF(at.x(), at.y() + face.underlinePosition * ref - thickness / 2, width, thickness),
                             color);
        if (lf.strikeOut)
            painter.fillRect(QRectF(at.x(), at.y() - face.strikeOutPosition * ref - thickness / 2, width, thickness),
                             color);
    }
    painter.restore();
    return true;
}

} // namespace plat
