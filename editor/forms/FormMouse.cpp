#include "FormMouse.h"

#include "Twips.h"

#include <cmath>

namespace FormMouse {

int buttonMask(Qt::MouseButtons buttons)
{
    int mask = 0;
    if (buttons & Qt::LeftButton)
        mask |= LeftButton;
    if (buttons & Qt::RightButton)
        mask |= RightButton;
    if (buttons & Qt::MiddleButton)
        mask |= MiddleButton;
    return mask;
}

int shiftMask(Qt::KeyboardModifiers modifiers)
{
    int mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= 1;
    if (modifiers & Qt::ControlModifier)
        mask |= 2;
    if (modifiers & Qt::AltModifier)
        mask |= 4;
    return mask;
}

float twipsOf(qreal pixelCoordinate) { return Twips::fromPixels(static_cast<int>(std::floor(pixelCoordinate))); }

} // namespace FormMouse
