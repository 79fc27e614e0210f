#pragma once
// The font properties of forms and controls, with the checks that let them
// refuse a value: an empty or unknown family, a size out of range. A refused
// value leaves the font as it was.
#include "PropertyStatus.h"

#include <QFont>
#include <QString>

namespace FontProperties {

// Point sizes a font property takes; beyond this the value is refused.
inline constexpr float MaxPointSize = 2048.0f;

PropertyStatus setName(QFont& font, const QString& family);
PropertyStatus setSize(QFont& font, float points);
void setBold(QFont& font, bool on);

// A font with every attribute marked as set, so it does not follow its
// parent widget's font.
QFont pinned(const QFont& font);

// A font as a form's design gives it: family, point size, bold or not;
// pinned, so the control keeps it.
QFont design(const QString& family, float points, bool bold);

} // namespace FontProperties
