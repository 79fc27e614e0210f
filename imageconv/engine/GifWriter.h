// GIF output: capture the work bitmap as a 24-bit DIB, map it to an indexed
// image whose colour table starts with bgColor, and write it with the
// run-length code stream.
#pragma once

#include "engine/Pipeline.h"

namespace pictaf {

Status WriteGif(const std::string& outputFile, WorkBitmap bitmap, const TargetRect& target, ConversionFlags flags,
                std::uint32_t bgColor);

} // namespace pictaf
