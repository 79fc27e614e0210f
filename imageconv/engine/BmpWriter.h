// BMP output: the work bitmap as an uncompressed 24-bit Windows bitmap file.
#pragma once

#include "engine/Pipeline.h"

namespace pictaf {

Status WriteBmp(const std::string& outputFile, WorkBitmap bitmap);

} // namespace pictaf
