#include "gdi/FontMapper.h"

#include <QFontDatabase>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <set>

namespace plat::gdi {

namespace {

// Adobe Symbol encoding, 0x20..0xFF, to Unicode (0 where the slot is empty).
constexpr char16_t kSymbolToUnicode[224] = {
    // 0x20
    0x0020,
    0x0021,
    0x2200,
    0x0023,
    0x2203,
    0x0025,
    0x0026,
    0x220B,
    0x0028,
    0x0029,
    0x2217,
    0x002B,
    0x002C,
    0x2212,
    0x002E,
    0x002F,
    // 0x30
    0x0030,
    0x0031,
    0x0032,
    0x0033,
    0x0034,
    0x0035,
    0x0036,
    0x0037,
    0x0038,
    0x0039,
    0x003A,
    0x003B,
    0x003C,
    0x003D,
    0x003E,
    0x003F,
    // 0x40
    0x2245,
    0x0391,
    0x0392,
    0x03A7,
    0x0394,
    0x0395,
    0x03A6,
    0x0393,
    0x0397,
    0x0399,
    0x03D1,
    0x039A,
    0x039B,
    0x039C,
    0x039D,
    0x039F,
    // 0x50
    0x03A0,
    0x0398,
    0x03A1,
    0x03A3,
    0x03A4,
    0x03A5,
    0x03C2,
    0x03A9,
    0x039E,
    0x03A8,
    0x0396,
    0x005B,
    0x2234,
    0x005D,
    0x22A5,
    0x005F,
    // 0x60
    0x203E,
    0x03B1,
    0x03B2,
    0x03C7,
    0x03B4,
    0x03B5,
    0x03C6,
    0x03B3,
    0x03B7,
    0x03B9,
    0x03D5,
    0x03BA,
    0x03BB,
    0x03BC,
    0x03BD,
    0x03BF,
    // 0x70
    0x03C0,
    0x03B8,
    0x03C1,
    0x03C3,
    0x03C4,
    0x03C5,
    0x03D6,
    0x03C9,
    0x03BE,
    0x03C8,
    0x03B6,
    0x007B,
    0x007C,
    0x007D,
    0x223C,
    0x0000,
    // 0x80..0x9F: unused in the Symbol encoding
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    // 0xA0
    0x20AC,
    0x03D2,
    0x2032,
    0x2264,
    0x2044,
    0x221E,
    0x0192,
    0x2663,
    0x2666,
    0x2665,
    0x2660,
    0x2194,
    0x2190,
    0x2191,
    0x2192,
    0x2193,
    // 0xB0
    0x00B0,
    0x00B1,
    0x2033,
    0x2265,
    0x00D7,
    0x221D,
    0x2202,
    0x2022,
    0x00F7,
    0x2260,
    0x2261,
    0x2248,
    0x2026,
    0x23D0,
    0x23AF,
    0x21B5,
    // 0xC0
    0x2135,
    0x2111,
    0x211C,
    0x2118,
    0x2297,
    0x2295,
    0x2205,
    0x2229,
    0x222A,
    0x2283,
    0x2287,
    0x2284,
    0x2282,
    0x2286,
    0x2208,
    0x2209,
    // 0xD0
    0x2220,
    0x2207,
    0x00AE,
    0x00A9,
    0x2122,
    0x220F,
    0x221A,
    0x22C5,
    0x00AC,
    0x2227,
    0x2228,
    0x21D4,
    0x21D0,
    0x21D1,
    0x21D2,
    0x21D3,
    // 0xE0
    0x25CA,
    0x2329,
    0x00AE,
    0x00A9,
    0x2122,
    0x2211,
    0x239B,
    0x239C,
    0x239D,
    0x23A1,
    0x23A2,
    0x23A3,
    0x23A7,
    0x23A8,
    0x23A9,
    0x23AA,
    // 0xF0
    0x0000,
    0x232A,
    0x222B,
    0x2320,
    0x23AE,
    0x2321,
    0x239E,
    0x239F,
    0x23A0,
    0x23A4,
    0x23A5,
    0x23A6,
    0x23AB,
    0x23AC,
    0x23AD,
    0x0000,
};

// Wingdings characters with a close Unicode look-alike. Bullets dominate in
// real documents, so anything else becomes a bullet rather than the letter
// that happens to share its code.
struct WingdingsEntry {
    std::uint8_t code;
    char16_t unicode;
};
constexpr WingdingsEntry kWingdings[] = {
    {0x21, 0x270F}, {0x22, 0x2702}, {0x23, 0x2701}, {0x28, 0x260E}, {0x29, 0x2706}, {0x2A, 0x2709}, {0x36, 0x231B},
    {0x37, 0x2328}, {0x3E, 0x2707}, {0x3F, 0x270D}, {0x41, 0x270C}, {0x45, 0x261C}, {0x46, 0x261E}, {0x47, 0x261D},
    {0x48, 0x261F}, {0x4A, 0x263A}, {0x4C, 0x2639}, {0x4E, 0x2620}, {0x51, 0x2708}, {0x52, 0x263C}, {0x54, 0x2744},
    {0x55, 0x271E}, {0x58, 0x2720}, {0x59, 0x2721}, {0x5A, 0x262A}, {0x5B, 0x262F}, {0x5D, 0x2638}, {0x5E, 0x2648},
    {0x5F, 0x2649}, {0x60, 0x264A}, {0x61, 0x264B}, {0x62, 0x264C}, {0x63, 0x264D}, {0x64, 0x264E}, {0x65, 0x264F},
    {0x66, 0x2650}, {0x67, 0x2651}, {0x68, 0x2652}, {0x69, 0x2653}, {0x6C, 0x25CF}, {0x6D, 0x274D}, {0x6E, 0x25A0},
    {0x6F, 0x25A1}, {0x70, 0x25FB}, {0x71, 0x2751}, {0x72, 0x2752}, {0x73, 0x2B27}, {0x74, 0x29EB}, {0x75, 0x25C6},
    {0x76, 0x2756}, {0x77, 0x2B25}, {0x78, 0x2327}, {0x7A, 0x2318}, {0x7B, 0x2740}, {0x7C, 0x273F}, {0x7D, 0x275D},
    {0x7E, 0x275E}, {0x80, 0x24EA}, {0x81, 0x2460}, {0x82, 0x2461}, {0x83, 0x2462}, {0x84, 0x2463}, {0x85, 0x2464},
    {0x86, 0x2465}, {0x87, 0x2466}, {0x88, 0x2467}, {0x89, 0x2468}, {0x8A, 0x2469}, {0x8B, 0x24FF}, {0x8C, 0x2776},
    {0x8D, 0x2777}, {0x8E, 0x2778}, {0x8F, 0x2779}, {0x90, 0x277A}, {0x91, 0x277B}, {0x92, 0x277C}, {0x93, 0x277D},
    {0x94, 0x277E}, {0x95, 0x277F}, {0x9E, 0x00B7}, {0x9F, 0x2022}, {0xA0, 0x25AA}, {0xA1, 0x25CB}, {0xA2, 0x25CB},
    {0xA4, 0x25C9}, {0xA5, 0x25CE}, {0xA7, 0x25AA}, {0xA8, 0x25FB}, {0xAA, 0x2726}, {0xAB, 0x2605}, {0xAC, 0x2736},
    {0xAD, 0x2734}, {0xAE, 0x2739}, {0xAF, 0x2735}, {0xB1, 0x2316}, {0xB2, 0x27E1}, {0xB3, 0x2311}, {0xD5, 0x232B},
    {0xD6, 0x2326}, {0xD8, 0x27A2}, {0xE8, 0x2794}, {0xEF, 0x21E6}, {0xF0, 0x21E8}, {0xF1, 0x21E7}, {0xF2, 0x21E9},
    {0xFB, 0x2717}, {0xFC, 0x2713}, {0xFD, 0x2612}, {0xFE, 0x2611},
};

// Webdings characters seen in real documents: bullets, boxes, marks and
// the media triangles. Anything else becomes a small square.
constexpr WingdingsEntry kWebdings[] = {
    {0x33, 0x25C0}, {0x34, 0x25B6}, {0x35, 0x25B2}, {0x36, 0x25BC}, {0x61, 0x2713},
    {0x67, 0x25A0}, {0x69, 0x2139}, {0x6E, 0x25CF}, {0x72, 0x2716},
};

struct FaceAlias {
    const char* windowsName; // lower case
    const char* family;
    FontMapper::Symbols symbols;
};
constexpr FaceAlias kAliases[] = {
    {"arial", "Liberation Sans", FontMapper::Symbols::None},
    {"arial unicode ms", "Liberation Sans", FontMapper::Symbols::None},
    {"arial narrow", "Liberation Sans Narrow", FontMapper::Symbols::None},
    {"helvetica", "Liberation Sans", FontMapper::Symbols::None},
    {"helv", "Liberation Sans", FontMapper::Symbols::None},
    {"calibri", "Liberation Sans", FontMapper::Symbols::None},
    {"segoe ui", "Liberation Sans", FontMapper::Symbols::None},
    {"microsoft sans serif", "Liberation Sans", FontMapper::Symbols::None},
    {"ms sans serif", "Liberation Sans", FontMapper::Symbols::None},
    {"ms shell dlg", "Liberation Sans", FontMapper::Symbols::None},
    {"ms shell dlg 2", "Liberation Sans", FontMapper::Symbols::None},
    {"system", "Liberation Sans", FontMapper::Symbols::None},
    {"trebuchet ms", "Liberation Sans", FontMapper::Symbols::None},
    {"franklin gothic medium", "Liberation Sans", FontMapper::Symbols::None},
    {"lucida sans unicode", "DejaVu Sans", FontMapper::Symbols::None},
    {"tahoma", "DejaVu Sans", FontMapper::Symbols::None},
    {"verdana", "DejaVu Sans", FontMapper::Symbols::None},
    {"century gothic", "URW Gothic", FontMapper::Symbols::None},
    {"times new roman", "Liberation Serif", FontMapper::Symbols::None},
    {"times", "Liberation Serif", FontMapper::Symbols::None},
    {"tms rmn", "Liberation Serif", FontMapper::Symbols::None},
    {"ms serif", "Liberation Serif", FontMapper::Symbols::None},
    {"georgia", "Liberation Serif", FontMapper::Symbols::None},
    {"cambria", "Liberation Serif", FontMapper::Symbols::None},
    {"garamond", "Liberation Serif", FontMapper::Symbols::None},
    {"book antiqua", "P052", FontMapper::Symbols::None},
    {"palatino linotype", "P052", FontMapper::Symbols::None},
    {"palatino", "P052", FontMapper::Symbols::None},
    {"bookman old style", "URW Bookman", FontMapper::Symbols::None},
    {"century schoolbook", "C059", FontMapper::Symbols::None},
    {"monotype corsiva", "Z003", FontMapper::Symbols::None},
    {"courier new", "Liberation Mono", FontMapper::Symbols::None},
    {"courier", "Liberation Mono", FontMapper::Symbols::None},
    {"consolas", "Liberation Mono", FontMapper::Symbols::None},
    {"lucida console", "Liberation Mono", FontMapper::Symbols::None},
    {"fixedsys", "Liberation Mono", FontMapper::Symbols::None},
    {"terminal", "Liberation Mono", FontMapper::Symbols::None},
    {"symbol", "Standard Symbols PS", FontMapper::Symbols::Symbol},
    {"euclid symbol", "Standard Symbols PS", FontMapper::Symbols::Symbol},
    {"mt symbol", "Standard Symbols PS", FontMapper::Symbols::Symbol},
    {"ms gothic", "Droid Sans Fallback", FontMapper::Symbols::None},
    {"ms pgothic", "Droid Sans Fallback", FontMapper::Symbols::None},
    {"ms ui gothic", "Droid Sans Fallback", FontMapper::Symbols::None},
    {"ms mincho", "Droid Sans Fallback", FontMapper::Symbols::None},
    {"ms pmincho", "Droid Sans Fallback", FontMapper::Symbols::None},
    {"meiryo", "Droid Sans Fallback", FontMapper::Symbols::None},
    {"simsun", "Droid Sans Fallback", FontMapper::Symbols::None},
    {"nsimsun", "Droid Sans Fallback", FontMapper::Symbols::None},
    {"simhei", "Droid Sans Fallback", FontMapper::Symbols::None},
    {"mingliu", "Droid Sans Fallback", FontMapper::Symbols::None},
    {"pmingliu", "Droid Sans Fallback", FontMapper::Symbols::None},
    {"microsoft yahei", "Droid Sans Fallback", FontMapper::Symbols::None},
    {"microsoft yahei ui", "Droid Sans Fallback", FontMapper::Symbols::None},
    {"microsoft jhenghei", "Droid Sans Fallback", FontMapper::Symbols::None},
    {"gulim", "Droid Sans Fallback", FontMapper::Symbols::None},
    {"batang", "Droid Sans Fallback", FontMapper::Symbols::None},
    {"malgun gothic", "Droid Sans Fallback", FontMapper::Symbols::None},
    {"wingdings", "DejaVu Sans", FontMapper::Symbols::Wingdings},
    {"webdings", "DejaVu Sans", FontMapper::Symbols::Webdings},
};

const char* codecFor(int charSet)
{
    switch (charSet) {
    case MAC_CHARSET: return "macintosh";
    case SHIFTJIS_CHARSET: return "Shift_JIS";
    case HANGUL_CHARSET: return "windows-949";
    case GB2312_CHARSET: return "GBK";
    case CHINESEBIG5_CHARSET: return "Big5";
    case GREEK_CHARSET: return "windows-1253";
    case TURKISH_CHARSET: return "windows-1254";
    case VIETNAMESE_CHARSET: return "windows-1258";
    case HEBREW_CHARSET: return "windows-1255";
    case ARABIC_CHARSET: return "windows-1256";
    case BALTIC_CHARSET: return "windows-1257";
    case RUSSIAN_CHARSET: return "windows-1251";
    case THAI_CHARSET: return "windows-874";
    case EASTEUROPE_CHARSET: return "windows-1250";
    case OEM_CHARSET: return "IBM437";
    default: return "windows-1252";
    }
}

bool isLeadByte(int charSet, std::uint8_t b)
{
    switch (charSet) {
    case SHIFTJIS_CHARSET: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case HANGUL_CHARSET:
    case GB2312_CHARSET:
    case CHINESEBIG5_CHARSET: return b >= 0x81 && b <= 0xFE;
    default: return false;
    }
}

const std::set<QString>& installedFamilies()
{
    static std::once_flag once;
    static std::set<QString>* families = nullptr;
    std::call_once(once, [] {
        families = new std::set<QString>;
        for (const QString& f : QFontDatabase::families())
            families->insert(f.toLower());
    });
    return *families;
}

bool isInstalled(const QString& name) { return installedFamilies().count(name.toLower()) != 0; }

} // namespace

QString FontMapper::mapFamily(const LogFont& font, bool (*installed)(const QString&), Symbols* symbols)
{
    Symbols sym = Symbols::None;
    QString family;
    // Face names sometimes carry a style ("Verdana Bold") the weight already says.
    QString key = font.faceName.trimmed().toLower();
    for (const char* suffix : {" bold italic", " bold", " italic"}) {
        if (key.endsWith(QLatin1String(suffix)))
            key.chop(static_cast<int>(qstrlen(suffix)));
    }
    for (const FaceAlias& alias : kAliases) {
        if (key == QLatin1String(alias.windowsName)) {
            family = QString::fromLatin1(alias.family);
            sym = alias.symbols;
            break;
        }
    }
    if (family.isEmpty() && !key.isEmpty() && installed && installed(font.faceName.trimmed()))
        family = font.faceName.trimmed();
    if (family.isEmpty()) {
        // Far Eastern faces (named in their own script, or in a Far Eastern
        // character set) go to the CJK fallback face.
        bool eastern = font.charSet == SHIFTJIS_CHARSET || font.charSet == HANGUL_CHARSET
            || font.charSet == JOHAB_CHARSET || font.charSet == GB2312_CHARSET || font.charSet == CHINESEBIG5_CHARSET;
        for (QChar c : font.faceName)
            eastern = eastern || c.unicode() >= 0x2E80;
        if (eastern)
            family = QStringLiteral("Droid Sans Fallback");
    }
    if (family.isEmpty()) {
        if (font.charSet == SYMBOL_CHARSET)
            sym = Symbols::Symbol;
        if ((font.pitchAndFamily & 0x03) == FIXED_PITCH || (font.pitchAndFamily & 0xF0) == FF_MODERN)
            family = QStringLiteral("Liberation Mono");
        else if ((font.pitchAndFamily & 0xF0) == FF_ROMAN)
            family = QStringLiteral("Liberation Serif");
        else if ((font.pitchAndFamily & 0xF0) == FF_SCRIPT)
            family = QStringLiteral("Z003");
        else if (sym == Symbols::Symbol)
            family = QStringLiteral("Standard Symbols PS");
        else
            family = QStringLiteral("Liberation Sans");
    }
    if (symbols)
        *symbols = sym;
    return family;
}

const FontMapper::Face& FontMapper::face(const LogFont& font)
{
    const int weight = std::clamp(font.weight <= 0 ? 400 : font.weight, 1, 1000);
    const QString key = font.faceName + QLatin1Char('\x1f') + QString::number(weight) + QLatin1Char('\x1f')
        + QString::number(font.italic ? 1 : 0) + QLatin1Char('\x1f') + QString::number(font.charSet)
        + QLatin1Char('\x1f') + QString::number(font.pitchAndFamily);
    auto it = cache_.find(key);
    if (it != cache_.end())
        return it->second;
    if (cache_.size() > 256) // hostile files may name endless faces; faces are cheap to find again
        cache_.clear();

    Face face;
    face.family = mapFamily(font, isInstalled, &face.symbols);
    face.font = QFont(face.family);
    face.font.setPixelSize(static_cast<int>(kReferencePixelSize));
    face.font.setWeight(static_cast<QFont::Weight>(weight));
    face.font.setItalic(font.italic);
    face.font.setStyleStrategy(QFont::PreferOutline);
    face.raw = QRawFont::fromFont(face.font);
    if (face.raw.isValid()) {
        const double em = face.raw.pixelSize();
        face.ascent = face.raw.ascent() / em;
        face.descent = face.raw.descent() / em;
        // The average character width a LOGFONT asks for is Windows' classic
        // one: lowercase letters and the space weighted by their frequency in
        // English. Fonts report newer averages over all their glyphs, which
        // are much wider and would squeeze text.
        static constexpr int kWeights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6,  35, 20, 56,
                                             56, 17, 4,  49, 56,  71, 31, 10, 18, 3, 18, 2,  166};
        const QString sample = QStringLiteral("abcdefghijklmnopqrstuvwxyz ");
        const QList<quint32> glyphs = face.raw.glyphIndexesForString(sample);
        const QList<QPointF> advances = face.raw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics);
        double weighted = 0;
        for (int i = 0; i < 27 && i < advances.size(); ++i)
            weighted += kWeights[i] * advances[i].x();
        face.averageWidth =
            advances.size() == 27 && weighted > 0 ? weighted / 1000 / em : face.raw.averageCharWidth() / em;
        face.underlinePosition = face.raw.underlinePosition() / em;
        face.lineThickness = std::max(face.raw.lineThickness() / em, 0.02);
        face.strikeOutPosition = face.raw.xHeight() / em / 2;
        if (face.ascent + face.descent <= 0.1) { // a face without usable metrics
            face.ascent = 0.9;
            face.descent = 0.2;
        }
        if (face.averageWidth <= 0)
            face.averageWidth = 0.5;
    }
    return cache_.emplace(key, std::move(face)).first->second;
}

QString FontMapper::decode(std::span<const std::uint8_t> bytes, int charSet, std::vector<int>* unitsPerChar)
{
    if (unitsPerChar)
        unitsPerChar->clear();
    QString text;
    if (charSet == SYMBOL_CHARSET) {
        text.reserve(static_cast<qsizetype>(bytes.size()));
        for (std::uint8_t b : bytes)
            text.append(QChar(static_cast<char16_t>(b)));
        if (unitsPerChar)
            unitsPerChar->assign(bytes.size(), 1);
        return text;
    }
    QStringDecoder decoder(codecFor(charSet));
    if (!decoder.isValid()) {
        text = QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
        if (unitsPerChar)
            unitsPerChar->assign(bytes.size(), 1);
        return text;
    }
    text = decoder.decode(
        QByteArrayView(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
    if (unitsPerChar) {
        std::vector<int> units;
        for (std::size_t i = 0; i < bytes.size();) {
            const int n = (isLeadByte(charSet, bytes[i]) && i + 1 < bytes.size()) ? 2 : 1;
            units.push_back(n);
            i += static_cast<std::size_t>(n);
        }
        // Only trust the folding when every character decoded to one unit.
        if (units.size() == static_cast<std::size_t>(text.size()))
            *unitsPerChar = std::move(units);
    }
    return text;
}

QString FontMapper::mapSymbols(const QString& text, Symbols symbols)
{
    if (symbols == Symbols::None)
        return text;
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        char16_t u = c.unicode();
        // Symbol faces also appear with their codes moved to the private-use page.
        if (u >= 0xF020 && u <= 0xF0FF)
            u = static_cast<char16_t>(u - 0xF000);
        if (u < 0x20 || u > 0xFF) {
            out.append(c);
            continue;
        }
        char16_t mapped = 0;
        switch (symbols) {
        case Symbols::Symbol: mapped = kSymbolToUnicode[u - 0x20]; break;
        case Symbols::Wingdings:
            mapped = u == 0x20 ? u : char16_t{0x2022};
            for (const WingdingsEntry& e : kWingdings) {
                if (e.code == u) {
                    mapped = e.unicode;
                    break;
                }
            }
            break;
        case Symbols::Webdings:
            mapped = u == 0x20 ? u : char16_t{0x25AA};
            for (const WingdingsEntry& e : kWebdings) {
                if (e.code == u) {
                    mapped = e.unicode;
                    break;
                }
            }
            break;
        case Symbols::None: break;
        }
        out.append(QChar(mapped ? mapped : u));
    }
    return out;
}

int FontMapper::textCharSet(const LogFont& font)
{
    if (font.charSet != DEFAULT_CHARSET)
        return font.charSet;
    struct Native {
        const char* prefix; // lower case
        int charSet;
    };
    static constexpr Native kNative[] = {
        {"microsoft yahei", GB2312_CHARSET},
        {"simsun", GB2312_CHARSET},
        {"nsimsun", GB2312_CHARSET},
        {"simhei", GB2312_CHARSET},
        {"kaiti", GB2312_CHARSET},
        {"fangsong", GB2312_CHARSET},
        {"pmingliu", CHINESEBIG5_CHARSET},
        {"mingliu", CHINESEBIG5_CHARSET},
        {"microsoft jhenghei", CHINESEBIG5_CHARSET},
        {"ms gothic", SHIFTJIS_CHARSET},
        {"ms pgothic", SHIFTJIS_CHARSET},
        {"ms ui gothic", SHIFTJIS_CHARSET},
        {"ms mincho", SHIFTJIS_CHARSET},
        {"ms pmincho", SHIFTJIS_CHARSET},
        {"meiryo", SHIFTJIS_CHARSET},
        {"yu gothic", SHIFTJIS_CHARSET},
        {"gulim", HANGUL_CHARSET},
        {"batang", HANGUL_CHARSET},
        {"dotum", HANGUL_CHARSET},
        {"malgun gothic", HANGUL_CHARSET},
    };
    const QString name = font.faceName.trimmed().toLower();
    for (const Native& n : kNative) {
        if (name.startsWith(QLatin1String(n.prefix)))
            return n.charSet;
    }
    // Faces named in Han characters or kana.
    for (QChar c : name) {
        if (c.unicode() >= 0x3040 && c.unicode() <= 0x30FF)
            return SHIFTJIS_CHARSET;
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
            return GB2312_CHARSET;
    }
    return font.charSet;
}

QString FontMapper::textForFace(const Face& face, const QString& text)
{
    if (face.symbols != Symbols::Symbol || !face.raw.isValid())
        return mapSymbols(text, face.symbols);
    const QString unicode = mapSymbols(text, face.symbols);
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t u = text[i].unicode();
        if (u >= 0xF020 && u <= 0xF0FF)
            u = static_cast<char16_t>(u - 0xF000);
        const QChar code(u);
        out.append(u >= 0x20 && u <= 0xFF && face.raw.supportsCharacter(code) ? code : unicode[i]);
    }
    return out;
}

bool GlyphsNeedOutlines(const QTransform& t, double pixelSize)
{
    // Singular values of the linear part: how far a unit circle stretches.
    const double a11 = t.m11() * t.m11() + t.m12() * t.m12();
    const double a22 = t.m21() * t.m21() + t.m22() * t.m22();
    const double a12 = t.m11() * t.m21() + t.m12() * t.m22();
    const double root = std::sqrt(((a11 - a22) / 2) * ((a11 - a22) / 2) + a12 * a12);
    const double largest = std::sqrt((a11 + a22) / 2 + root);
    const double smallest = std::sqrt(std::max(0.0, (a11 + a22) / 2 - root));
    return !std::isfinite(largest) || largest * pixelSize > 256 || largest > 4 * smallest;
}

} // namespace plat::gdi
