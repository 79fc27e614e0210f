#pragma once
// Window geometry in twips. The editor works at a fixed 15 twips to a pixel and
// never asks the screen for the ratio, so every conversion goes through here.
#include <QRect>
#include <QString>

namespace Twips {

inline constexpr int PerPixel = 15;

// Twips to whole pixels, as the window system places a window: to nearest,
// halves away from zero (1222.5 twips is 81.5 px and lands on 82).
int toPixels(float twips);

// Pixels to twips, exact for every pixel count the editor meets.
inline float fromPixels(int pixels) { return static_cast<float>(pixels) * PerPixel; }

// A control's design rectangle (left, top, width, height in twips) in pixels.
QRect toPixelRect(int left, int top, int width, int height);

// The shortest decimal text of a single-precision value: no trailing zeros and
// no decimal point for whole numbers ("1", "468", "81.5").
QString formatSingle(float value);

} // namespace Twips
