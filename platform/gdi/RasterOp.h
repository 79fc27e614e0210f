// Raster operations. ROP2 codes (how pens and brushes mix with the bitmap)
// map onto QPainter composition modes; ternary ROP3 codes (blits) are
// evaluated per pixel from their truth table, where bit (P*4 + S*2 + D) of
// the index byte is the result for pattern bit P, source bit S and
// destination bit D.
#pragma once

#include <QPainter>
#include <QRgb>

#include <cstdint>

namespace plat::gdi {

struct Rop2Mode {
    bool draws = true; // false for R2_NOP
    QPainter::CompositionMode composition = QPainter::CompositionMode_SourceOver;
    bool forceColor = false; // R2_BLACK, R2_WHITE: colour independent of the pen
    QRgb color = 0;
};
Rop2Mode rop2Mode(int rop2);

// The truth-table index of a 32-bit ROP3 code.
constexpr std::uint8_t rop3Index(std::uint32_t rop) { return static_cast<std::uint8_t>((rop >> 16) & 0xFF); }
constexpr bool rop3UsesSource(std::uint8_t index) { return (((index >> 2) ^ index) & 0x33) != 0; }
constexpr bool rop3UsesPattern(std::uint8_t index) { return (((index >> 4) ^ index) & 0x0F) != 0; }
constexpr bool rop3UsesDest(std::uint8_t index) { return (((index >> 1) ^ index) & 0x55) != 0; }

// Applies a ROP3 truth table to the colour bits of pattern, source and
// destination; the result is opaque.
inline QRgb applyRop3(std::uint8_t index, QRgb p, QRgb s, QRgb d)
{
    std::uint32_t r = 0;
    for (int i = 0; i < 8; ++i) {
        if ((index >> i) & 1)
            r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    }
    return (r & 0x00FFFFFFu) | 0xFF000000u;
}

} // namespace plat::gdi
