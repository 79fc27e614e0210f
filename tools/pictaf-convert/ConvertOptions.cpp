#include "ConvertOptions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

namespace pictaf {

namespace {

std::optional<std::int64_t> parseNumber(std::string_view text, int base = 10)
{
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

std::optional<std::int32_t> parsePositive(std::string_view text)
{
    const auto v = parseNumber(text);
    if (!v || *v <= 0 || *v > 0x7fffffff)
        return std::nullopt;
    return static_cast<std::int32_t>(*v);
}

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool endsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

const char* ConvertUsage()
{
    return "usage: pictaf-convert [options] INPUT OUTPUT\n"
           "       pictaf-convert [options] INPUT... -o DIR\n"
           "Converts pictures into GIF or 24-bit BMP files. Inputs: BMP (every kind), placeable\n"
           "and standard WMF, EMF, PNG, JPEG, GIF (first frame), TIFF and WebP. Transparent and\n"
           "translucent pixels are composed onto the background colour (--bg).\n"
           "  --type gif|bmp       output type (default: from OUTPUT's extension; gif with -o)\n"
           "  --scale X[,Y]        size in per cent of the input's own (default 100)\n"
           "  --size WxH           stretch to exactly W x H pixels instead\n"
           "  --bg 0xBBGGRR        background colour, GIF colour 0 (default 0xFFFFFF)\n"
           "  --no-transparent     do not mark the background colour transparent\n"
           "  --no-interlace       write GIF rows in plain order\n"
           "  --emfplus            draw dual EMF+ files from their EMF+ records\n"
           "  --compact            write the GIF with an LZW code stream: the same picture,\n"
           "                       usually a much smaller file than the control's own\n"
           "  --size-budget N      with --compact: when a GIF comes out larger than N bytes,\n"
           "                       say by how much and exit with status 3 (the file is\n"
           "                       still written)\n"
           "  -o, --output-dir DIR convert every INPUT into DIR, named after it\n"
           "  -r, --recursive      with -o: convert the pictures in directories and below,\n"
           "                       keeping their layout under DIR\n"
           "  -j, --jobs N         conversions at once (default: one per core)\n"
           "  --no-clobber         skip outputs that exist instead of replacing them\n"
           "  -q, --quiet          no progress bar and no summary line (failures still show)\n"
           "  --help               show this text\n"
           "  --version            show the version\n"
           "INPUT - reads standard input; OUTPUT - writes standard output (needs --type).\n"
           "A picture cut short is refused as damaged (BMP pixel data that ends early is black).\n"
           "Outputs are written in full or not at all; an OUTPUT that is a link is written\n"
           "through to its target, a device or pipe directly. With -o the progress shows on a\n"
           "terminal, each failure on a line of its own, and one summary line at the end.\n"
           "Exit status: 0 all converted, 1 some failed, 2 usage error or colliding outputs,\n"
           "3 a compact GIF over its --size-budget.\n";
}

bool ParseConvertArguments(const std::vector<std::string>& args, ConvertOptions& options, std::string& error)
{
    std::vector<std::string> names;
    bool typeGiven = false;
    bool scaleGiven = false;
    bool onlyNames = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        // The few short options; any other name starting with one dash is a
        // file name, as it always was.
        if (!onlyNames) {
            if (arg == "-o")
                arg = "--output-dir";
            else if (arg == "-r")
                arg = "--recursive";
            else if (arg == "-q")
                arg = "--quiet";
            else if (arg == "-j")
                arg = "--jobs";
            else if (arg.size() > 2 && arg.compare(0, 2, "-j") == 0
                     && std::all_of(arg.begin() + 2, arg.end(), [](unsigned char c) { return std::isdigit(c); }))
                arg = "--jobs=" + arg.substr(2);
        }
        if (onlyNames || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            names.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyNames = true;
            continue;
        }
        std::string value;
        bool inlineValue = false;
        if (const auto eq = arg.find('='); eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            inlineValue = true;
        }
        const bool takesValue = arg == "--type" || arg == "--scale" || arg == "--size" || arg == "--bg"
            || arg == "--output-dir" || arg == "--jobs" || arg == "--size-budget";
        if (takesValue && !inlineValue) {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return false;
            }
            value = args[++i];
        } else if (!takesValue && inlineValue) {
            error = arg + " takes no value";
            return false;
        }

        if (arg == "--help") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--no-transparent") {
            options.transparent = false;
        } else if (arg == "--emfplus") {
            options.emfPlus = true;
        } else if (arg == "--no-interlace") {
            options.interlaced = false;
        } else if (arg == "--compact") {
            options.compact = true;
        } else if (arg == "--size-budget") {
            const auto bytes = parseNumber(value);
            if (!bytes || *bytes <= 0) {
                error = "--size-budget wants a positive number of bytes, not '" + value + "'";
                return false;
            }
            options.sizeBudget = *bytes;
        } else if (arg == "--type") {
            const std::string t = lower(value);
            if (t != "gif" && t != "bmp") {
                error = "--type must be gif or bmp, not '" + value + "'";
                return false;
            }
            options.type = t == "gif" ? ConvertOptions::Type::Gif : ConvertOptions::Type::Bmp;
            typeGiven = true;
        } else if (arg == "--scale") {
            const auto comma = value.find(',');
            const auto x = parsePositive(std::string_view(value).substr(0, comma));
            const auto y = comma == std::string::npos ? x : parsePositive(std::string_view(value).substr(comma + 1));
            if (!x || !y) {
                error = "--scale wants one or two positive percentages, as 50 or 150,80";
                return false;
            }
            options.scaleX = *x;
            options.scaleY = *y;
            scaleGiven = true;
        } else if (arg == "--size") {
            const auto cross = value.find_first_of("xX");
            const auto w = parsePositive(std::string_view(value).substr(0, cross));
            const auto h =
                cross == std::string::npos ? std::nullopt : parsePositive(std::string_view(value).substr(cross + 1));
            if (!w || !h) {
                error = "--size wants positive pixels as WxH, as 468x60";
                return false;
            }
            options.exactSize = true;
            options.width = *w;
            options.height = *h;
        } else if (arg == "--bg") {
            std::string_view digits = value;
            if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
                digits.remove_prefix(2);
            const auto colour = parseNumber(digits, 16);
            if (!colour || *colour < 0 || *colour > 0xffffffffLL) {
                error = "--bg wants a colour as 0xBBGGRR, not '" + value + "'";
                return false;
            }
            options.bgColor = static_cast<std::uint32_t>(*colour);
        } else if (arg == "--output-dir") {
            if (value.empty()) {
                error = "--output-dir needs a folder name";
                return false;
            }
            options.outputDir = value;
            options.batch = true;
        } else if (arg == "--recursive") {
            options.recursive = true;
        } else if (arg == "--jobs") {
            const auto n = parsePositive(value);
            if (!n || *n > kMaxJobs) {
                error = "--jobs wants a number of conversions from 1 to " + std::to_string(kMaxJobs);
                return false;
            }
            options.jobs = *n;
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--no-clobber") {
            options.noClobber = true;
        } else {
            error = "unknown option " + arg;
            return false;
        }
    }
    if (options.help || options.version)
        return true;
    if (scaleGiven && options.exactSize) {
        error = "--scale and --size exclude each other";
        return false;
    }
    if (options.sizeBudget >= 0 && !options.compact) {
        error = "--size-budget goes with --compact";
        return false;
    }
    if (options.compact && typeGiven && options.type != ConvertOptions::Type::Gif) {
        error = "--compact is for GIF output";
        return false;
    }
    if (options.batch) {
        if (names.empty()) {
            error = "needs at least one INPUT to convert into " + options.outputDir;
            return false;
        }
        if (std::find(names.begin(), names.end(), "-") != names.end()) {
            error = "standard input (-) has no name to give its output; convert it alone, as - OUTPUT";
            return false;
        }
        options.inputs = names;
        return true;
    }
    if (options.recursive) {
        error = "-r needs -o DIR to put the outputs in";
        return false;
    }
    if (names.size() != 2) {
        error = names.size() < 2 ? "needs INPUT and OUTPUT file names"
                                 : "too many file names; use -o DIR to convert several inputs";
        return false;
    }
    options.input = names[0];
    options.output = names[1];
    if (!typeGiven && options.output == "-") {
        error = "writing to standard output needs --type gif or --type bmp";
        return false;
    }
    if (!typeGiven) {
        const std::string out = lower(options.output);
        if (endsWith(out, ".gif"))
            options.type = ConvertOptions::Type::Gif;
        else if (endsWith(out, ".bmp"))
            options.type = ConvertOptions::Type::Bmp;
        else {
            error = "cannot tell the output type from '" + options.output + "'; use --type gif or --type bmp";
            return false;
        }
    }
    if (options.compact && options.type != ConvertOptions::Type::Gif) {
        error = "--compact is for GIF output";
        return false;
    }
    return true;
}

} // namespace pictaf
