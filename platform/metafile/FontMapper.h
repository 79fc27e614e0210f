// Finds an installed face for a Windows logical font and turns the bytes of
// 8-bit text records into Unicode.
//
// Windows faces map to metric look-alikes (Arial to Liberation Sans, Times
// New Roman to Liberation Serif, Courier New to Liberation Mono, and so on)
// so that layouts keep their widths. Symbol-encoded faces are translated:
// Symbol's encoding to Unicode for the URW symbol face, Wingdings' common
// bullets, arrows and marks to their Unicode look-alikes. A face that is
// neither known nor installed falls back by its pitch and family bits.
#pragma once

#include "platform_export.h"

#include "metafile/LogObjects.h"

#include <QFont>
#include <QRawFont>
#include <QString>

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
        QRawFont raw;  // at kReferencePixelSize
        QFont font;    // the same face for characters raw lacks (Qt finds fallbacks)
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

    // 8-bit text in a character set's code page. unitsPerChar receives, per
    // decoded character, how many bytes it came from (2 for double-byte
    // characters), so that per-byte advance arrays can be folded.
    static QString decode(std::span<const std::uint8_t> bytes, int charSet, std::vector<int>* unitsPerChar = nullptr);

    // Symbol-encoded characters (0x20..0xFF, or 0xF020..0xF0FF) to Unicode.
    static QString mapSymbols(const QString& text, Symbols symbols);

private:
    std::map<QString, Face> cache_;
};

} // namespace plat::gdi
