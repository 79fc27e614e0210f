// Command line of pictaf-convert:
//   pictaf-convert [options] INPUT OUTPUT     (options may also follow the names)
//   pictaf-convert [options] INPUT... -o DIR  (each INPUT to DIR/NAME.gif or .bmp)
//     --type gif|bmp     output type; otherwise taken from OUTPUT's extension
//     --scale X[,Y]      size in per cent of the input's own (default 100)
//     --size WxH         stretch to exactly W x H pixels instead
//     --bg 0xBBGGRR      background colour, colour-table entry 0 (default 0xFFFFFF)
//     --no-transparent   no transparent colour (GIF87a)
//     --no-interlace     rows in plain order
//     -o, --output-dir DIR   many inputs into DIR; -r walks directories
//     -j, --jobs N       conversions at once (default: every core)
//     --quiet            no progress bar and no summary line
//     --no-clobber       outputs that exist are skipped, not replaced
//     --emfplus          dual EMF+ files draw from their EMF+ records
//     --compact          GIF with an LZW code stream (smaller; same pixels)
//     --size-budget N    with --compact: exit 3 when the GIF is larger than N bytes
//     --help
//     --version
// "-" as INPUT is standard input, as OUTPUT standard output (with --type).
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

    // Many inputs into one folder: set by -o.
    bool batch = false;
    std::vector<std::string> inputs;
    std::string outputDir;
    bool recursive = false;
    int jobs = 0; // 0: one per core
    bool quiet = false;
    bool noClobber = false;

    bool version = false;
};

// Largest -j accepted: beyond it threads only cost memory.
constexpr int kMaxJobs = 256;

// Parses args (without the program name). False with a one-line reason in
// error when the command line can't be used; --help and --version alone need no names.
bool ParseConvertArguments(const std::vector<std::string>& args, ConvertOptions& options, std::string& error);

const char* ConvertUsage();

} // namespace pictaf
