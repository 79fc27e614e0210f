// The type library PICTAFLib that the control library carries as its type
// library resource 1.
#pragma once

#include <com/TypeDescription.h>

namespace pictaf {

const plat::com::TypeLibDescription& PictafTypeLibrary();

} // namespace pictaf
