#include "Twips.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace Twips {

int toPixels(float twips)
{
    const double px = std::round(static_cast<double>(twips) / PerPixel);
    // Window coordinates are ints; anything beyond is clamped rather than wrapped.
    if (!(px > std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (px >= std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    return static_cast<int>(px);
}

QRect toPixelRect(int left, int top, int width, int height)
{
    return QRect(toPixels(static_cast<float>(left)), toPixels(static_cast<float>(top)),
                 toPixels(static_cast<float>(width)), toPixels(static_cast<float>(height)));
}

QString formatSingle(float value)
{
    char buffer[64];
    // std::to_chars without a format gives the shortest text that reads back
    // as the same float, which is exactly the "no trailing zeros" form.
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (result.ec != std::errc())
        return QString();
    return QString::fromLatin1(buffer, static_cast<int>(result.ptr - buffer));
}

} // namespace Twips
