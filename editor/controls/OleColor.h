#pragma once
// Colours as the editor stores them: 0x00BBGGRR with red in the low byte.
// Values with the top bit set name system colours and are resolved only when
// something is painted, so a stored value reads back as it was written.
#include <QColor>
#include <cstdint>

using OleColor = std::uint32_t;

namespace OleColors {

inline constexpr OleColor Black = 0x00000000;
inline constexpr OleColor White = 0x00FFFFFF;
// System colours used by the forms' designs.
inline constexpr OleColor SysWindowBackground = 0x80000005;
inline constexpr OleColor SysActiveTitleText = 0x80000009;
inline constexpr OleColor SysAppWorkspace = 0x8000000C;
inline constexpr OleColor SysButtonText = 0x80000012;

inline constexpr bool isSystemColor(OleColor c) { return (c & 0x80000000u) != 0; }

// Resolves a stored value to a displayable colour; system colours come from
// the application palette.
QColor toQColor(OleColor c);

// The stored form of a displayable colour (alpha is dropped).
OleColor fromQColor(const QColor& c);

inline constexpr OleColor fromRgb(int r, int g, int b)
{
    return static_cast<OleColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

} // namespace OleColors
