// Command line of pictaf-convert:
//   pictaf-convert [options] INPUT OUTPUT     (options may also follow the names)
//     --type gif|bmp     output type; otherwise taken from OUTPUT's extension
//     --scale X[,Y]      size in per cent of the input's own (default 100)
//     --size WxH         stretch to exactly W x H pixels instead
//     --bg 0xBBGGRR      background colour, colour-table entry 0 (default 0xFFFFFF)
//     --no-transparent   no transparent colour (GIF87a)
//     --no-interlace     rows in plain order
//     --emfplus          dual EMF+ files draw from their EMF+ records
//     --compact          GIF with an LZW code stream (smaller; same pixels)
//     --size-budget N    with --compact: exit 3 when the GIF is larger than N bytes
//     --help
//     --version
// Every option also takes its value as --option=value; "--" ends the options.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pictaf {

struct ConvertOptions {
    enum class Type { Gif, Bmp };

    std::string input;
    std::string output;
    Type type = Type::Gif;
    std::int32_t scaleX = 100;
    std::int32_t scaleY = 100;
    bool exactSize = false; // --size given: stretch to width x height
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t bgColor = 0xFFFFFF;
    bool transparent = true;
    bool interlaced = true;
    bool emfPlus = false;
    bool compact = false;
    std::int64_t sizeBudget = -1; // bytes; -1 when not given
    bool help = false;
    bool version = false;
};

// Parses args (without the program name). False with a one-line reason in
// error when the command line can't be used; --help and --version alone need no names.
bool ParseConvertArguments(const std::vector<std::string>& args, ConvertOptions& options, std::string& error);

const char* ConvertUsage();

} // namespace pictaf
