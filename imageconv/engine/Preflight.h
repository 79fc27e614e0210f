// Checks made before a picture is decoded: its size from the file's header
// alone, and whether the conversion fits what GIF holds and what memory the
// machine can spare. A 1 KB run-length BMP can declare a gigabyte of pixels;
// these checks refuse it before the gigabyte is asked for.
#pragma once

#include "engine/Status.h"

#include <cstdint>
#include <string>

namespace pictaf {

struct PictureSize {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool valid() const { return width > 0 && height > 0; }
};

// The natural size in pixels of a placeable WMF, EMF or BMP file, read from
// its header the way the loaders read it (probed in the loaders' order).
// False when the file is none of these or can't be read.
bool PeekFileSize(const std::string& name, PictureSize& size);

// size scaled by per cents, as the loaders scale it; invalid when a
// percentage or the result is out of range.
PictureSize ScaledSize(const PictureSize& size, std::int32_t scaleX, std::int32_t scaleY);

// Peak bytes a conversion of a source picture into an output picture holds
// at once: the decoded source, the stretched copy, the indexed image or the
// captured DIB, the colour tables, and sourceBytes of input held in memory.
std::uint64_t ConversionMemoryNeed(const PictureSize& source, const PictureSize& output, std::uint64_t sourceBytes = 0);

// Bytes this process can still take without pushing the machine into swap:
// the least of the system's available memory, the control group's remaining
// allowance and the address-space limit's remaining room.
std::uint64_t SpareMemoryBytes();

// Ok, TooLargeForGif (gif and an output side above 65535) or NotEnoughMemory.
// Sizes that are not valid pass: the loaders refuse them as before.
Status CheckConversion(const PictureSize& source, const PictureSize& output, bool gif, std::uint64_t sourceBytes = 0);

} // namespace pictaf
