#pragma once
// The forms' designs name fonts that this platform does not ship. They are
// mapped once, here, onto installed look-alikes through Qt's substitution
// table, so every QFont asking for them finds the stand-in.
#include <QString>

namespace FontSubstitutes {

// Idempotent; forms call it before they build their fonts.
void install();

// True when a font of this family can be drawn: installed, or one of the
// design names whose stand-in is installed.
bool isAvailable(const QString& family);

} // namespace FontSubstitutes
