#pragma once
// Mouse events as the forms' handlers take them: button and shift masks and
// pointer coordinates in twips.
#include <Qt>

namespace FormMouse {

inline constexpr int LeftButton = 1;
inline constexpr int RightButton = 2;
inline constexpr int MiddleButton = 4;

int buttonMask(Qt::MouseButtons buttons);
// 1 shift, 2 control, 4 alt.
int shiftMask(Qt::KeyboardModifiers modifiers);
// Pointer positions count in whole pixels, whatever the screen's scaling.
float twipsOf(qreal pixelCoordinate);

} // namespace FormMouse
