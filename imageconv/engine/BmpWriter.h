// BMP output: the work bitmap as an uncompressed 24-bit Windows bitmap file.
#pragma once

#include "engine/Pipeline.h"

namespace pictaf {

class ByteSink;

// The file is written through an OutputFile: whole or not at all.
Status WriteBmp(const std::string& outputFile, WorkBitmap bitmap);
// The same into any sink, which is not finished.
Status WriteBmp(ByteSink& sink, WorkBitmap bitmap);

} // namespace pictaf
