#include "engine/ByteSink.h"

namespace pictaf {

ByteSink::~ByteSink() = default;

} // namespace pictaf
