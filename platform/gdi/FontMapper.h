// Finds an installed face for a Windows logical font and turns the bytes of
// 8-bit text records into Unicode.
//
// Windows faces map to metric look-alikes (Arial to Liberation Sans, Times
// New Roman to Liberation Serif, Courier New to Liberation Mono, and so on)
// so that layouts keep their widths. Symbol-encoded faces are translated:
// Symbol's encoding to Unicode for the URW symbol face, the common bullets,
// arrows and marks of Wingdings and Webdings to their Unicode look-alikes. Far Eastern faces
// go to the CJK fallback face. Any other face that is neither known nor
// installed falls back by its pitch and family bits.
#pragma once

#include "platform_export.h"

#include "gdi/LogObjects.h"

#include <QFont>
#include <QRawFont>
#include <QString>
#include <QTransform>

#include <cstdint>
#include <map>
#include <span>
#include <vector>

namespace plat::gdi {

class PLATFORM_EXPORT FontMapper {
public:
    enum class Symbols { None, Symbol, Wingdings, Webdings };

    // Glyph outlines come from one reference size and are scaled by the
    // painter's transform, so one face serves every height in a metafile.
    static constexpr double kReferencePixelSize = 64.0;

    struct Face {
        QString family;
        Symbols symbols = Symbols::None;
        QRawFont raw; // at kReferencePixelSize
        QFont font;   // the same face for characters raw lacks (Qt finds fallbacks)
        // Metrics as fractions of the em height.
        double ascent = 0.9;
        double descent = 0.2;
        double averageWidth = 0.5;
        double underlinePosition = 0.1;
        double lineThickness = 0.05;
        double strikeOutPosition = 0.3;
    };

    // The face for a logical font (cached; needs a QGuiApplication).
    const Face& face(const LogFont& font);

    // The family a face name maps to and its symbol encoding. Pure mapping,
    // testable without a font system: installed says whether a name is
    // available as it is.
    static QString mapFamily(const LogFont& font, bool (*installed)(const QString&), Symbols* symbols);

    // The character set 8-bit text in this font is written in: the font's
    // own, except that DEFAULT_CHARSET takes a Far Eastern face's native set
    // (the font Windows realises brings its character set with it).
    static int textCharSet(const LogFont& font);

    // 8-bit text in a character set's code page. unitsPerChar receives, per
    // decoded character, how many bytes it came from (2 for double-byte
    // characters), so that per-byte advance arrays can be folded.
    static QString decode(std::span<const std::uint8_t> bytes, int charSet, std::vector<int>* unitsPerChar = nullptr);

    // Symbol-encoded characters (0x20..0xFF, or 0xF020..0xF0FF) to Unicode.
    static QString mapSymbols(const QString& text, Symbols symbols);

    // Text as the face draws it: symbol codes the face itself encodes (the
    // URW symbol face keeps the Symbol encoding) stay as they are, other
    // symbol codes become Unicode for the fallback faces.
    static QString textForFace(const Face& face, const QString& text);

private:
    std::map<QString, Face> cache_;
};

// Whether glyphs of pixelSize drawn under toDevice must be filled as
// outlines: Qt's glyph cache renders them as bitmaps sized by the
// transform's area, which a stretch or shear far out of shape makes
// meaningless (FreeType then fails, and Qt copies from a null bitmap).
PLATFORM_EXPORT bool GlyphsNeedOutlines(const QTransform& toDevice, double pixelSize);

} // namespace plat::gdi
