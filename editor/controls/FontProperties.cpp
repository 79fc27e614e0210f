#include "FontProperties.h"

#include "FontSubstitutes.h"

#include <QStringList>

#include <cmath>

namespace FontProperties {

PropertyStatus setName(QFont& font, const QString& family)
{
    if (!FontSubstitutes::isAvailable(family))
        return PropertyStatus::InvalidValue;
    font.setFamily(family);
    return PropertyStatus::Ok;
}

PropertyStatus setSize(QFont& font, float points)
{
    if (!std::isfinite(points) || points <= 0.0f || points > MaxPointSize)
        return PropertyStatus::InvalidValue;
    font.setPointSizeF(points);
    return PropertyStatus::Ok;
}

void setBold(QFont& font, bool on) { font.setWeight(on ? QFont::Bold : QFont::Normal); }

QFont pinned(const QFont& font)
{
    QFont f = font;
    f.setFamilies(font.families().isEmpty() ? QStringList{font.family()} : font.families());
    f.setPointSizeF(font.pointSizeF());
    f.setWeight(font.weight());
    f.setItalic(font.italic());
    f.setStrikeOut(font.strikeOut());
    f.setUnderline(font.underline());
    return f;
}

QFont design(const QString& family, float points, bool bold)
{
    QFont f(family);
    f.setPointSizeF(points);
    setBold(f, bold);
    return pinned(f);
}

} // namespace FontProperties
