// GIF output: capture the work bitmap as a 24-bit DIB, map it to an indexed
// image whose colour table starts with bgColor, and write it with the
// run-length code stream.
#pragma once

#include "engine/Pipeline.h"

namespace pictaf {

class ByteSink;

// The file is written through an OutputFile: whole or not at all.
Status WriteGif(const std::string& outputFile, WorkBitmap bitmap, const TargetRect& target, ConversionFlags flags,
                std::uint32_t bgColor);
// The same into any sink; nothing reaches it when the picture can't be
// mapped (a bad handle or size). The sink is not finished.
Status WriteGif(ByteSink& sink, WorkBitmap bitmap, const TargetRect& target, ConversionFlags flags,
                std::uint32_t bgColor);

} // namespace pictaf
