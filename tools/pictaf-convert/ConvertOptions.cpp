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
           "Converts a BMP file, placeable WMF or EMF into a GIF or 24-bit BMP file.\n"
           "  --type gif|bmp     output type (default: from OUTPUT's extension)\n"
           "  --scale X[,Y]      size in per cent of the input's own (default 100)\n"
           "  --size WxH         stretch to exactly W x H pixels instead\n"
           "  --bg 0xBBGGRR      background colour, GIF colour 0 (default 0xFFFFFF)\n"
           "  --no-transparent   do not mark the background colour transparent\n"
           "  --no-interlace     write GIF rows in plain order\n"
           "  --emfplus          draw dual EMF+ files from their EMF+ records\n"
           "  --compact          write the GIF with an LZW code stream: the same picture,\n"
           "                     usually a much smaller file than the control's own\n"
           "  --size-budget N    with --compact: when the GIF comes out larger than N\n"
           "                     bytes, say by how much and exit with status 3 (the\n"
           "                     file is still written)\n"
           "  --help             show this text\n"
           "  --version          show the version\n";
}

bool ParseConvertArguments(const std::vector<std::string>& args, ConvertOptions& options, std::string& error)
{
    std::vector<std::string> names;
    bool typeGiven = false;
    bool scaleGiven = false;
    bool onlyNames = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
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
        const bool takesValue =
            arg == "--type" || arg == "--scale" || arg == "--size" || arg == "--bg" || arg == "--size-budget";
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
            const auto h = cross == std::string::npos ? std::nullopt
                                                      : parsePositive(std::string_view(value).substr(cross + 1));
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
        } else {
            error = "unknown option " + arg;
            return false;
        }
    }
    if (options.help || options.version)
        return true;
    if (names.size() != 2) {
        error = names.size() < 2 ? "needs INPUT and OUTPUT file names" : "too many file names";
        return false;
    }
    if (scaleGiven && options.exactSize) {
        error = "--scale and --size exclude each other";
        return false;
    }
    if (options.sizeBudget >= 0 && !options.compact) {
        error = "--size-budget goes with --compact";
        return false;
    }
    options.input = names[0];
    options.output = names[1];
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
