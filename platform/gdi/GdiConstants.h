// Numeric values of the Windows graphics attributes that metafile records
// carry. They are stored in files, so they keep their Windows values.
#pragma once

#include <cstdint>

namespace plat::gdi {

// Mapping modes.
constexpr int MM_TEXT = 1;
constexpr int MM_LOMETRIC = 2;
constexpr int MM_HIMETRIC = 3;
constexpr int MM_LOENGLISH = 4;
constexpr int MM_HIENGLISH = 5;
constexpr int MM_TWIPS = 6;
constexpr int MM_ISOTROPIC = 7;
constexpr int MM_ANISOTROPIC = 8;

// Graphics modes.
constexpr int GM_COMPATIBLE = 1;
constexpr int GM_ADVANCED = 2;

// ModifyWorldTransform modes.
constexpr int MWT_IDENTITY = 1;
constexpr int MWT_LEFTMULTIPLY = 2;
constexpr int MWT_RIGHTMULTIPLY = 3;
constexpr int MWT_SET = 4;

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Polygon fill modes.
constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;

// Stretch modes.
constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;

// Arc directions.
constexpr int AD_COUNTERCLOCKWISE = 1;
constexpr int AD_CLOCKWISE = 2;

// Binary raster operations (ROP2).
constexpr int R2_BLACK = 1;
constexpr int R2_NOTMERGEPEN = 2;
constexpr int R2_MASKNOTPEN = 3;
constexpr int R2_NOTCOPYPEN = 4;
constexpr int R2_MASKPENNOT = 5;
constexpr int R2_NOT = 6;
constexpr int R2_XORPEN = 7;
constexpr int R2_NOTMASKPEN = 8;
constexpr int R2_MASKPEN = 9;
constexpr int R2_NOTXORPEN = 10;
constexpr int R2_NOP = 11;
constexpr int R2_MERGENOTPEN = 12;
constexpr int R2_COPYPEN = 13;
constexpr int R2_MERGEPENNOT = 14;
constexpr int R2_MERGEPEN = 15;
constexpr int R2_WHITE = 16;

// Ternary raster operations (ROP3): the full 32-bit codes; bits 16..23 are
// the truth table index.
constexpr std::uint32_t SRCCOPY = 0x00CC0020;
constexpr std::uint32_t SRCPAINT = 0x00EE0086;
constexpr std::uint32_t SRCAND = 0x008800C6;
constexpr std::uint32_t SRCINVERT = 0x00660046;
constexpr std::uint32_t SRCERASE = 0x00440328;
constexpr std::uint32_t NOTSRCCOPY = 0x00330008;
constexpr std::uint32_t NOTSRCERASE = 0x001100A6;
constexpr std::uint32_t MERGECOPY = 0x00C000CA;
constexpr std::uint32_t MERGEPAINT = 0x00BB0226;
constexpr std::uint32_t PATCOPY = 0x00F00021;
constexpr std::uint32_t PATPAINT = 0x00FB0A09;
constexpr std::uint32_t PATINVERT = 0x005A0049;
constexpr std::uint32_t DSTINVERT = 0x00550009;
constexpr std::uint32_t BLACKNESS = 0x00000042;
constexpr std::uint32_t WHITENESS = 0x00FF0062;

// Pen styles.
constexpr std::uint32_t PS_SOLID = 0;
constexpr std::uint32_t PS_DASH = 1;
constexpr std::uint32_t PS_DOT = 2;
constexpr std::uint32_t PS_DASHDOT = 3;
constexpr std::uint32_t PS_DASHDOTDOT = 4;
constexpr std::uint32_t PS_NULL = 5;
constexpr std::uint32_t PS_INSIDEFRAME = 6;
constexpr std::uint32_t PS_USERSTYLE = 7;
constexpr std::uint32_t PS_ALTERNATE = 8;
constexpr std::uint32_t PS_STYLE_MASK = 0x0000000F;
constexpr std::uint32_t PS_ENDCAP_ROUND = 0x00000000;
constexpr std::uint32_t PS_ENDCAP_SQUARE = 0x00000100;
constexpr std::uint32_t PS_ENDCAP_FLAT = 0x00000200;
constexpr std::uint32_t PS_ENDCAP_MASK = 0x00000F00;
constexpr std::uint32_t PS_JOIN_ROUND = 0x00000000;
constexpr std::uint32_t PS_JOIN_BEVEL = 0x00001000;
constexpr std::uint32_t PS_JOIN_MITER = 0x00002000;
constexpr std::uint32_t PS_JOIN_MASK = 0x0000F000;
constexpr std::uint32_t PS_COSMETIC = 0x00000000;
constexpr std::uint32_t PS_GEOMETRIC = 0x00010000;
constexpr std::uint32_t PS_TYPE_MASK = 0x000F0000;

// Brush styles.
constexpr std::uint32_t BS_SOLID = 0;
constexpr std::uint32_t BS_NULL = 1;
constexpr std::uint32_t BS_HATCHED = 2;
constexpr std::uint32_t BS_PATTERN = 3;
constexpr std::uint32_t BS_DIBPATTERN = 5;
constexpr std::uint32_t BS_DIBPATTERNPT = 6;

// Hatch styles.
constexpr std::uint32_t HS_HORIZONTAL = 0;
constexpr std::uint32_t HS_VERTICAL = 1;
constexpr std::uint32_t HS_FDIAGONAL = 2;
constexpr std::uint32_t HS_BDIAGONAL = 3;
constexpr std::uint32_t HS_CROSS = 4;
constexpr std::uint32_t HS_DIAGCROSS = 5;
// Solid fills in a colour of the brush or of the context, plain or dithered
// (on a true-colour bitmap the dithered forms are the same solid colour).
constexpr std::uint32_t HS_SOLIDCLR = 6;
constexpr std::uint32_t HS_DITHEREDCLR = 7;
constexpr std::uint32_t HS_SOLIDTEXTCLR = 8;
constexpr std::uint32_t HS_DITHEREDTEXTCLR = 9;
constexpr std::uint32_t HS_SOLIDBKCLR = 10;
constexpr std::uint32_t HS_DITHEREDBKCLR = 11;

// Text alignment.
constexpr std::uint32_t TA_UPDATECP = 0x0001;
constexpr std::uint32_t TA_RIGHT = 0x0002;
constexpr std::uint32_t TA_CENTER = 0x0006;
constexpr std::uint32_t TA_HORIZONTAL_MASK = 0x0006;
constexpr std::uint32_t TA_BOTTOM = 0x0008;
constexpr std::uint32_t TA_BASELINE = 0x0018;
constexpr std::uint32_t TA_VERTICAL_MASK = 0x0018;

// ExtTextOut options.
constexpr std::uint32_t ETO_OPAQUE = 0x0002;
constexpr std::uint32_t ETO_CLIPPED = 0x0004;
constexpr std::uint32_t ETO_GLYPH_INDEX = 0x0010;
constexpr std::uint32_t ETO_NO_RECT = 0x0100;
constexpr std::uint32_t ETO_SMALL_CHARS = 0x0200;
constexpr std::uint32_t ETO_PDY = 0x2000;

// Region combination modes.
constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;

// Flood fill types.
constexpr int FLOODFILLBORDER = 0;
constexpr int FLOODFILLSURFACE = 1;

// Character sets.
constexpr int ANSI_CHARSET = 0;
constexpr int DEFAULT_CHARSET = 1;
constexpr int SYMBOL_CHARSET = 2;
constexpr int MAC_CHARSET = 77;
constexpr int SHIFTJIS_CHARSET = 128;
constexpr int HANGUL_CHARSET = 129;
constexpr int JOHAB_CHARSET = 130;
constexpr int GB2312_CHARSET = 134;
constexpr int CHINESEBIG5_CHARSET = 136;
constexpr int GREEK_CHARSET = 161;
constexpr int TURKISH_CHARSET = 162;
constexpr int VIETNAMESE_CHARSET = 163;
constexpr int HEBREW_CHARSET = 177;
constexpr int ARABIC_CHARSET = 178;
constexpr int BALTIC_CHARSET = 186;
constexpr int RUSSIAN_CHARSET = 204;
constexpr int THAI_CHARSET = 222;
constexpr int EASTEUROPE_CHARSET = 238;
constexpr int OEM_CHARSET = 255;

// Font pitch and family (lfPitchAndFamily).
constexpr int FIXED_PITCH = 0x01;
constexpr int FF_ROMAN = 0x10;
constexpr int FF_SWISS = 0x20;
constexpr int FF_MODERN = 0x30;
constexpr int FF_SCRIPT = 0x40;
constexpr int FF_DECORATIVE = 0x50;

// DIB colour usage.
constexpr int DIB_RGB_COLORS = 0;
constexpr int DIB_PAL_COLORS = 1;

// Gradient fill modes.
constexpr std::uint32_t GRADIENT_FILL_RECT_H = 0;
constexpr std::uint32_t GRADIENT_FILL_RECT_V = 1;
constexpr std::uint32_t GRADIENT_FILL_TRIANGLE = 2;

// PolyDraw point types.
constexpr std::uint8_t PT_CLOSEFIGURE = 0x01;
constexpr std::uint8_t PT_LINETO = 0x02;
constexpr std::uint8_t PT_BEZIERTO = 0x04;
constexpr std::uint8_t PT_MOVETO = 0x06;

// Stock objects (EMF object indexes carry them with the top bit set).
constexpr std::uint32_t STOCK_OBJECT_FLAG = 0x80000000u;
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int OEM_FIXED_FONT = 10;
constexpr int ANSI_FIXED_FONT = 11;
constexpr int ANSI_VAR_FONT = 12;
constexpr int SYSTEM_FONT = 13;
constexpr int DEVICE_DEFAULT_FONT = 14;
constexpr int DEFAULT_PALETTE = 15;
constexpr int SYSTEM_FIXED_FONT = 16;
constexpr int DEFAULT_GUI_FONT = 17;
constexpr int DC_BRUSH = 18;
constexpr int DC_PEN = 19;

} // namespace plat::gdi
