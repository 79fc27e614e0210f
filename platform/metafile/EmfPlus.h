// Which records draw an enhanced metafile that also carries EMF+ records.
//
// EMF+ records ride inside comment records. A file flagged EMF+ only, or a
// dual file whose EMF records draw nothing, is drawn from its EMF+ records.
// A dual file with a real EMF fallback is drawn from the fallback unless the
// process asks for EMF+ (stored conversions and callers rely on the
// fallback).
#pragma once

#include "platform_export.h"

namespace plat {

enum class EmfPlusPreference {
    Fallback, // dual files draw from their EMF records
    EmfPlus,  // dual files draw from their EMF+ records
};

// Process-wide, like the platform's other tables; Fallback until changed.
PLATFORM_EXPORT void SetEmfPlusPreference(EmfPlusPreference preference);
PLATFORM_EXPORT EmfPlusPreference GetEmfPlusPreference();

} // namespace plat
