// GIF output: capture the work bitmap as a 24-bit DIB, map it to an indexed
// image whose colour table starts with bgColor, and write it with the
// run-length code stream (or, for callers that need not match the control's
// bytes, an LZW one).
#pragma once

#include "engine/Pipeline.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pictaf {

class ByteSink;

// The file is written through an OutputFile: whole or not at all.
Status WriteGif(const std::string& outputFile, WorkBitmap bitmap, const TargetRect& target, ConversionFlags flags,
                std::uint32_t bgColor);
// The same into any sink; nothing reaches it when the picture can't be
// mapped (a bad handle or size). The sink is not finished.
Status WriteGif(ByteSink& sink, WorkBitmap bitmap, const TargetRect& target, ConversionFlags flags,
                std::uint32_t bgColor);

// The same GIF (header, colour table, transparency, interlace, pixels) with
// an LZW code stream (LzwGifEncoder): smaller, for callers that need not match
// the control's bytes. The file rules are WriteGif's. *size, when given,
// receives the file's length on success.
Status WriteCompactGif(const std::string& outputFile, WorkBitmap bitmap, const TargetRect& target,
                       ConversionFlags flags, std::uint32_t bgColor, std::uint64_t* size = nullptr);
Status WriteCompactGif(ByteSink& sink, WorkBitmap bitmap, const TargetRect& target, ConversionFlags flags,
                       std::uint32_t bgColor);
// The compact GIF in memory, for callers that want its bytes or only its
// size; out is replaced, and left empty on failure.
Status EncodeCompactGif(std::vector<std::uint8_t>& out, WorkBitmap bitmap, const TargetRect& target,
                        ConversionFlags flags, std::uint32_t bgColor);

} // namespace pictaf
