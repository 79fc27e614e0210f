// Pictaf: picture conversion for programs that do not want the component
// runtime. A BMP file (40- or 12-byte info header), a placeable Windows
// metafile or an enhanced metafile becomes the bytes of a GIF file (256
// colours, optionally interlaced, optionally with a transparent background
// colour) or of an uncompressed 24-bit BMP file, by the same engine and with
// the same options as the Pictaf conversion control.
//
//     #include <pictaf/Convert.h>
//     pictaf::Result r = pictaf::convertFile("logo.wmf", {});
//     if (!r) std::cerr << r.error << '\n';
//     else    write(r.bytes.data(), r.bytes.size());
//
// Nothing here throws; failures come back as a Result with a message.
// Conversions may be called from any thread; they run one at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#if defined(PICTAF_BUILDING_LIBRARY)
#define PICTAF_API __attribute__((visibility("default")))
#else
#define PICTAF_API
#endif

namespace pictaf {

enum class OutputType {
    Gif, // the control's Type 1
    Bmp, // the control's Type 2
};

struct Options {
    OutputType type = OutputType::Gif;
    // Colour-table entry 0 and the colour a transparent GIF leaves out,
    // 0x00BBGGRR (red in the low byte), as the control's BgColor.
    std::uint32_t bgColor = 0xFFFFFF;
    bool transparent = true; // GIF89a with bgColor transparent; false: GIF87a
    bool interlaced = true;  // GIF rows in four passes
    // Output size in pixels; 0 x 0 keeps the picture's own size. Both or
    // neither must be given.
    std::int32_t width = 0;
    std::int32_t height = 0;
};

struct Result {
    std::vector<std::uint8_t> bytes; // the whole output file; empty on failure
    std::string error;               // empty on success
    explicit operator bool() const { return error.empty(); }
};

// Converts the picture in the file at path.
PICTAF_API Result convertFile(const std::string& path, const Options& options = {});

// Converts a picture held in memory (the bytes of a file of one of the input
// kinds above).
PICTAF_API Result convertPicture(std::span<const std::uint8_t> picture, const Options& options = {});

// The library's version, as "MAJOR.MINOR.PATCH".
PICTAF_API const char* version();

} // namespace pictaf
