// A structured storage in memory: named stream elements, with the host's
// sharing rule that an element opened for exclusive access cannot be opened
// again until released. Element names are at most 31 characters.
#pragma once

#include "com/ComPtr.h"
#include "com/Stream.h"

namespace plat::com {

PLATFORM_EXPORT ComPtr<IStorage> CreateMemoryStorage();

} // namespace plat::com
