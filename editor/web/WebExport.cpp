#include "WebExport.h"

#include "Clipboard.h"
#include "Parent.h"

#include <engine/ColourMapper.h>
#include <engine/GifEncoder.h>
#include <engine/IndexedImage.h>
#include <engine/LzwGifEncoder.h>
#include <engine/OutputFile.h>
#include <engine/Pipeline.h>
#include <engine/Preflight.h>

#include <QBuffer>
#include <QFile>
#include <QFontMetricsF>
#include <QHash>
#include <QImageReader>
#include <QPainter>
#include <QThreadPool>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// The control instance's stored background colour, which it writes as the
// transparent colour: white.
constexpr std::uint32_t kBackground = 0x00FFFFFF; // 0x00BBGGRR
constexpr QRgb kWhite = 0xFFFFFFFF;

// The share of the background pixels under a text line that may be worse
// than the contrast reported: a few stray pixels (a dot of the picture, an
// underline of another line) don't fail a line, a picture that is light
// under a tenth of it does.
constexpr double kContrastPercentile = 0.10;

// A glyph pixel at least this covered (of 255) is meant to be seen: fainter
// edge pixels round to the background anyway.
constexpr int kMeantVisibleCoverage = 128;

// Bytes per banner pixel the analysis holds at its peak (a 4000 x 500
// banner with a budget missed peaks at some 50), with room to spare.
constexpr std::uint64_t kBytesPerPixelHeld = 64;

QRgb opaque(QRgb c) { return c | 0xFF000000u; }

QRgb fromOle(OleColor c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// ---- coding through the control's engine -----------------------------------

// A picture mapped the way the control maps it: its work bitmap's pixels in
// the control's indexed image.
struct Mapped {
    QImage work;                                 // what the mapping read (RGB32)
    std::unique_ptr<pictaf::IndexedImage> image; // null on failure
    pictaf::Status status = pictaf::Status::Ok;
};

pictaf::ConversionFlags flagsFor(const WebExportOptions& o)
{
    return (o.transparent ? pictaf::kFlagTransparent : 0) | (o.interlaced ? pictaf::kFlagInterlaced : 0);
}

// The control's road for a picture handed to CopyPicture at its own size:
// a platform bitmap, the work bitmap rendered from it, then the mapping.
Mapped mapLikeControl(const QImage& picture, pictaf::ConversionFlags flags)
{
    Mapped m;
    const pictaf::TargetRect rect{0, 0, picture.width(), picture.height()};
    const plat::HGDIOBJ handle = plat::CreateBitmapFromImage(picture);
    if (!handle) {
        m.status = pictaf::Status::OutOfMemory;
        return m;
    }
    const pictaf::WorkBitmap work = pictaf::RenderPictureBitmap(handle, rect, flags, kBackground, &m.status);
    plat::DeleteObject(handle);
    if (!work)
        return m;
    if (const auto bitmap = plat::LookupBitmap(work))
        m.work = bitmap->image;
    plat::DeleteObject(work);
    if (m.work.isNull()) {
        m.status = pictaf::Status::BadHandle;
        return m;
    }
    auto image = pictaf::IndexedImage::CreateIndexedImage(rect.width(), rect.height());
    if (!image) {
        m.status = pictaf::Status::OutOfMemory;
        return m;
    }
    m.status = pictaf::MapBitmapToIndexed(m.work, *image, flags, kBackground);
    if (m.status == pictaf::Status::Ok)
        m.image = std::move(image);
    return m;
}

QByteArray encode(const pictaf::IndexedImage& image, bool compact, pictaf::Status& status)
{
    pictaf::MemorySink sink;
    if (compact) {
        const auto encoder = std::make_unique<pictaf::LzwGifEncoder>(); // too big for a worker's stack
        status = encoder->Encode(image, sink);
    } else {
        const auto encoder = std::make_unique<pictaf::GifEncoder>();
        status = encoder->Encode(image, sink);
    }
    if (status != pictaf::Status::Ok)
        return {};
    const auto& bytes = sink.bytes();
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

// Both streams of one mapped picture, with the interlace as asked.
struct Coded {
    QByteArray exact;
    QByteArray compact;
};

Coded encodeBoth(pictaf::IndexedImage& image, bool interlaced, pictaf::Status& status)
{
    const bool was = image.interlaced();
    image.SetInterlaced(interlaced);
    Coded c;
    c.exact = encode(image, false, status);
    if (status == pictaf::Status::Ok)
        c.compact = encode(image, true, status);
    image.SetInterlaced(was);
    return c;
}

// ---- fewer colours ------------------------------------------------------------

// The picture in at most `colours` colours: the most used entries of the
// control's table are kept, and every other entry takes its nearest kept one
// (the engine's nearest search). Entry 0, the background colour, stays in
// the control's table whatever the picture holds, so it counts as one of the
// colours; while it is the transparent colour it is kept where it was and
// given to no other colour, which would make that colour vanish.
QImage reduceColours(const QImage& work, const pictaf::IndexedImage& mapped, int colours, bool transparent)
{
    const int count = mapped.colourCount();
    if (colours >= count)
        return work;
    std::vector<qint64> used(static_cast<std::size_t>(count), 0);
    for (int y = 0; y < mapped.height(); ++y) {
        const std::uint8_t* row = mapped.row(y);
        for (int x = 0; x < mapped.width(); ++x)
            ++used[row[x]];
    }
    std::vector<int> order;
    for (int i = 1; i < count; ++i)
        order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return used[a] > used[b]; });
    order.resize(static_cast<std::size_t>(colours - 1)); // colours >= 2, and count > colours
    if (!transparent)
        order.push_back(0);
    std::sort(order.begin(), order.end());

    auto kept = pictaf::IndexedImage::CreateIndexedImage(1, 1);
    if (!kept)
        return {};
    for (int i : order)
        kept->AddColour(mapped.red(i), mapped.green(i), mapped.blue(i));
    std::vector<QRgb> replacement(static_cast<std::size_t>(count));
    replacement[0] = qRgb(mapped.red(0), mapped.green(0), mapped.blue(0));
    for (int i = 1; i < count; ++i) {
        const int k = kept->FindNearestColour(mapped.red(i), mapped.green(i), mapped.blue(i));
        replacement[i] = qRgb(kept->red(k), kept->green(k), kept->blue(k));
    }
    QImage out(work.size(), QImage::Format_RGB32);
    if (out.isNull())
        return out;
    for (int y = 0; y < out.height(); ++y) {
        const std::uint8_t* in = mapped.row(y);
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            line[x] = replacement[in[x]];
    }
    return out;
}

// ---- matte ------------------------------------------------------------------

int ink(QRgb c) { return 765 - qRed(c) - qGreen(c) - qBlue(c); }

// Antialiasing blended the edges of whatever was drawn over the transparent
// white towards white: such a pixel is a * S + (1 - a) * white, where S is
// the solid colour it fades from. The rule: an edge pixel is a non-white
// pixel with a white 8-neighbour; S is the most inked of it and its
// 8-neighbours (ink = distance from white, summed over channels), and
// a = ink(pixel) / ink(S). The pixel becomes a * S + (1 - a) * page, that is
// pixel + (1 - a) * (page - white). Solid pixels and white ones stay; a
// result that came out exactly white is nudged off it so it stays visible.
QImage matte(const QImage& picture, QRgb page)
{
    QImage out = picture.copy();
    const int w = picture.width();
    const int h = picture.height();
    const int dr = qRed(page) - 255, dg = qGreen(page) - 255, db = qBlue(page) - 255;
    if (dr == 0 && dg == 0 && db == 0)
        return out;
    auto at = [&](int x, int y) { return reinterpret_cast<const QRgb*>(picture.constScanLine(y))[x] | 0xFF000000u; };
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb p = at(x, y);
            if (p == kWhite)
                continue;
            bool edge = false;
            QRgb solid = p;
            for (int ny = std::max(0, y - 1); ny <= std::min(h - 1, y + 1); ++ny)
                for (int nx = std::max(0, x - 1); nx <= std::min(w - 1, x + 1); ++nx) {
                    const QRgb n = at(nx, ny);
                    if (n == kWhite)
                        edge = true;
                    else if (ink(n) > ink(solid))
                        solid = n;
                }
            if (!edge)
                continue;
            const double a = static_cast<double>(ink(p)) / ink(solid);
            const double k = 1.0 - a;
            auto channel = [k](int c, int d) { return std::clamp(static_cast<int>(std::lround(c + k * d)), 0, 255); };
            QRgb r = qRgb(channel(qRed(p), dr), channel(qGreen(p), dg), channel(qBlue(p), db));
            if (r == kWhite)
                r = qRgb(254, 255, 255);
            line[x] = r;
        }
    }
    return out;
}

// ---- decoding ---------------------------------------------------------------

// The GIF as a browser shows it: decoded, transparent pixels showing the page.
QImage decodeOverPage(const QByteArray& gif, QRgb page, QString* error)
{
    QBuffer buffer;
    buffer.setData(gif);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    // The reader's default cap (256 MB) would refuse banners the memory check
    // let through; the GIF is our own, at the banner's size.
    const QSize size = reader.size();
    const qint64 megabytes = (qint64(std::max(size.width(), 1)) * std::max(size.height(), 1) * 4 >> 20) + 1;
    reader.setAllocationLimit(static_cast<int>(std::min<qint64>(std::max<qint64>(megabytes, 256), INT_MAX)));
    QImage decoded = reader.read();
    if (decoded.isNull()) {
        if (error)
            *error = QStringLiteral("The GIF written cannot be read back: %1").arg(reader.errorString());
        return {};
    }
    QImage out(decoded.size(), QImage::Format_RGB32);
    out.fill(opaque(page));
    QPainter p(&out);
    p.drawImage(0, 0, decoded.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    p.end();
    return out;
}

// ---- interlace passes ---------------------------------------------------------

QList<QImage> passesOf(const QImage& shown, bool interlaced, QRgb page)
{
    QList<QImage> passes;
    const int h = shown.height();
    const std::size_t rowBytes = static_cast<std::size_t>(shown.width()) * 4;
    if (interlaced) {
        // Rows of passes 1 to 4: every 8th from 0, every 8th from 4, every 4th from 2, every 2nd from 1.
        auto passOf = [](int y) { return y % 8 == 0 ? 1 : y % 8 == 4 ? 2 : y % 4 == 2 ? 3 : 4; };
        for (int pass = 1; pass <= 4; ++pass) {
            QImage img(shown.size(), QImage::Format_RGB32);
            int source = 0; // row 0 arrives first
            for (int y = 0; y < h; ++y) {
                if (passOf(y) <= pass)
                    source = y;
                std::memcpy(img.scanLine(y), shown.constScanLine(source), rowBytes);
            }
            passes.append(img);
        }
    } else {
        for (int quarter = 1; quarter <= 4; ++quarter) {
            QImage img(shown.size(), QImage::Format_RGB32);
            img.fill(opaque(page));
            const int rows = static_cast<int>((static_cast<qint64>(h) * quarter + 3) / 4);
            for (int y = 0; y < rows; ++y)
                std::memcpy(img.scanLine(y), shown.constScanLine(y), rowBytes);
            passes.append(img);
        }
    }
    return passes;
}

// ---- texts ------------------------------------------------------------------

// A text line's glyph coverage (0 to 255) over its box, drawn as the
// document draws it.
struct Glyphs {
    QRect box;       // in banner pixels, clipped
    QImage coverage; // Format_Alpha8, box-sized
};

Glyphs glyphsOf(const BannerTextItem& item, const QImage& banner)
{
    Glyphs g;
    QImage device = banner; // the banner's resolution measures the font as printed
    const QFontMetricsF metrics(item.font, &device);
    const QPointF baseline(item.position.x(), item.position.y() + metrics.ascent());
    QRectF area(item.position, QSizeF(metrics.horizontalAdvance(item.text), metrics.height()));
    area = area.united(metrics.boundingRect(item.text).translated(baseline));
    g.box = area.toAlignedRect().intersected(banner.rect());
    if (g.box.isEmpty())
        return g;
    g.coverage = QImage(g.box.size(), QImage::Format_Alpha8);
    g.coverage.setDotsPerMeterX(banner.dotsPerMeterX());
    g.coverage.setDotsPerMeterY(banner.dotsPerMeterY());
    g.coverage.fill(0);
    QPainter p(&g.coverage);
    p.setFont(item.font);
    p.setPen(Qt::black);
    p.drawText(baseline - QPointF(g.box.topLeft()), item.text);
    p.end();
    return g;
}

// The contrast that all but kContrastPercentile of the background reaches.
double contrastAgainst(double textLuminance, std::vector<double>& backLuminances)
{
    if (backLuminances.empty())
        return 1.0;
    std::vector<double> ratios(backLuminances.size());
    for (std::size_t i = 0; i < ratios.size(); ++i) {
        const double a = textLuminance, b = backLuminances[i];
        ratios[i] = (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
    }
    const auto nth = ratios.begin() + static_cast<std::ptrdiff_t>(kContrastPercentile * (ratios.size() - 1));
    std::nth_element(ratios.begin(), nth, ratios.end());
    return *nth;
}

TextLegibility legibilityOf(const BannerTextItem& item, const Glyphs& glyphs, const QImage& shown, bool transparent)
{
    TextLegibility line;
    line.text = item.text;
    line.colour = fromOle(item.color);
    line.box = glyphs.box;
    if (glyphs.box.isEmpty())
        return line; // nothing of it on the banner: nothing to read
    // What the page shows under the line, where the glyphs don't cover it.
    std::vector<double> back;
    std::vector<double> all;
    for (int y = 0; y < glyphs.box.height(); ++y) {
        const uchar* cov = glyphs.coverage.constScanLine(y);
        const auto* px = reinterpret_cast<const QRgb*>(shown.constScanLine(glyphs.box.top() + y)) + glyphs.box.left();
        for (int x = 0; x < glyphs.box.width(); ++x) {
            const double l = RelativeLuminance(px[x]);
            all.push_back(l);
            if (cov[x] == 0)
                back.push_back(l);
        }
    }
    std::vector<double>& under = back.empty() ? all : back;
    line.contrast = contrastAgainst(RelativeLuminance(line.colour), under);
    line.passes = line.contrast >= kLegibleContrast;
    if (line.passes)
        return line;
    // The nearest palette colour (RGB distance) that passes; white is left out
    // while it is the transparent colour, since text in it would vanish.
    qint64 best = -1;
    for (int i = 0; i < Parent::PaletteCount; ++i) {
        const QRgb candidate = fromOle(Parent::paletteColor(i));
        if (transparent && candidate == kWhite)
            continue;
        if (contrastAgainst(RelativeLuminance(candidate), under) < kLegibleContrast)
            continue;
        const qint64 d = qint64(qRed(candidate) - qRed(line.colour)) * (qRed(candidate) - qRed(line.colour))
            + qint64(qGreen(candidate) - qGreen(line.colour)) * (qGreen(candidate) - qGreen(line.colour))
            + qint64(qBlue(candidate) - qBlue(line.colour)) * (qBlue(candidate) - qBlue(line.colour));
        if (best < 0 || d < best) {
            best = d;
            line.suggestion = candidate;
            line.hasSuggestion = true;
        }
    }
    return line;
}

// ---- colours ----------------------------------------------------------------

int countDistinct(const QImage& picture)
{
    std::vector<std::uint64_t> seen((1u << 24) / 64, 0);
    int distinct = 0;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        QRgb last = 0;
        bool haveLast = false;
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c = line[x] & 0xFFFFFFu;
            if (haveLast && c == last)
                continue;
            last = c;
            haveLast = true;
            std::uint64_t& word = seen[c >> 6];
            const std::uint64_t bit = std::uint64_t{1} << (c & 63);
            if (!(word & bit)) {
                word |= bit;
                ++distinct;
            }
        }
    }
    return distinct;
}

QList<ColourMerge> mergesOf(const QImage& work, const pictaf::IndexedImage& mapped)
{
    QHash<QRgb, ColourMerge> byColour;
    for (int y = 0; y < work.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(work.constScanLine(y));
        const std::uint8_t* index = mapped.row(y);
        for (int x = 0; x < work.width(); ++x) {
            const QRgb from = opaque(line[x]);
            const int i = index[x];
            const QRgb to = qRgb(mapped.red(i), mapped.green(i), mapped.blue(i));
            if (from == to)
                continue;
            ColourMerge& m = byColour[from];
            m.from = from;
            m.to = to;
            ++m.pixels;
        }
    }
    QList<ColourMerge> merges = byColour.values();
    std::sort(merges.begin(), merges.end(), [](const ColourMerge& a, const ColourMerge& b) {
        return a.pixels != b.pixels ? a.pixels > b.pixels : a.from < b.from;
    });
    return merges;
}

QString describe(pictaf::Status status)
{
    switch (status) {
    case pictaf::Status::TooLargeForGif:
        return QStringLiteral("The banner is too large for a GIF file (a side above 65535 pixels).");
    case pictaf::Status::NotEnoughMemory:
    case pictaf::Status::OutOfMemory: return QStringLiteral("There is not enough memory to export the banner.");
    default:
        return QStringLiteral("The banner cannot be exported (%1).").arg(QString::fromLatin1(pictaf::toString(status)));
    }
}

} // namespace

double RelativeLuminance(QRgb colour)
{
    auto linear = [](int c) {
        const double s = c / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(colour)) + 0.7152 * linear(qGreen(colour)) + 0.0722 * linear(qBlue(colour));
}

double ContrastRatio(QRgb a, QRgb b)
{
    const double la = RelativeLuminance(a), lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QList<BannerTextItem> ResolveTextColours(QList<BannerTextItem> texts)
{
    for (BannerTextItem& t : texts)
        if (OleColors::isSystemColor(t.color))
            t.color = OleColors::fromQColor(OleColors::toQColor(t.color));
    return texts;
}

WebExportReport AnalyseForWeb(const QImage& banner, const QList<BannerTextItem>& texts, const WebExportOptions& options)
{
    WebExportReport r;
    if (banner.isNull() || banner.width() <= 0 || banner.height() <= 0) {
        r.error = QStringLiteral("The banner has no pixels (its width or height is 0).");
        return r;
    }
    const pictaf::PictureSize size{banner.width(), banner.height()};
    if (const pictaf::Status s = pictaf::CheckConversion(size, size, true); s != pictaf::Status::Ok) {
        r.error = describe(s);
        return r;
    }
    // The analysis holds a dozen or so pictures of the banner's size at once
    // (the drawn and matted pictures, work bitmaps, three previews, four
    // passes): refuse rather than push the machine into swap.
    const std::uint64_t need = static_cast<std::uint64_t>(banner.width()) * banner.height() * kBytesPerPixelHeld;
    if (need > pictaf::SpareMemoryBytes()) {
        r.error = QStringLiteral("There is not enough memory to analyse a banner this large.");
        return r;
    }
    const bool systemColours = std::any_of(texts.begin(), texts.end(),
                                           [](const BannerTextItem& t) { return OleColors::isSystemColor(t.color); });
    const QList<BannerTextItem> resolvedTexts = systemColours ? ResolveTextColours(texts) : texts;
    const int maxColours = std::clamp(options.maxColours, 2, 256);
    const QRgb page = opaque(options.pageColour);
    const pictaf::ConversionFlags flags = flagsFor(options);

    // What the clipboard hands the control: opaque, see-through parts on white.
    r.drawn = Clipboard::toDeviceBitmap(banner);
    const QImage plain = r.drawn;
    // The matte only has something to do where white is see-through.
    const bool matteWorks = options.transparent && page != kWhite;
    const QImage matted = matteWorks ? matte(plain, page) : plain;
    r.exported = options.matte ? matted : plain;

    // The picture as the control maps it, and the one actually written.
    pictaf::Status status = pictaf::Status::Ok;
    Mapped full = mapLikeControl(r.exported, flags);
    if (!full.image) {
        r.error = describe(full.status);
        return r;
    }
    r.distinctColours = countDistinct(full.work);
    // The background colour holds entry 0 whether the banner uses it or not,
    // so 256 colours without it already overflow the table.
    if (full.image->colourCount() == pictaf::IndexedImage::kMaxColours)
        r.merges = mergesOf(full.work, *full.image);

    auto written = [&](Mapped& mapped256, int colours, bool interlaced) -> Coded {
        if (colours >= mapped256.image->colourCount())
            return encodeBoth(*mapped256.image, interlaced, status);
        Mapped fewer =
            mapLikeControl(reduceColours(mapped256.work, *mapped256.image, colours, options.transparent), flags);
        if (!fewer.image) {
            status = fewer.status;
            return {};
        }
        return encodeBoth(*fewer.image, interlaced, status);
    };

    const Coded current = written(full, maxColours, options.interlaced);
    if (status != pictaf::Status::Ok) {
        r.error = describe(status);
        return r;
    }
    r.exactBytes = current.exact.size();
    r.compactBytes = current.compact.size();
    r.gif = options.compact ? current.compact : current.exact;
    r.bytes = r.gif.size();
    r.fitsBudget = options.budgetBytes <= 0 || r.bytes <= options.budgetBytes;

    r.preview = decodeOverPage(r.gif, page, &r.error);
    if (r.preview.isNull())
        return r;
    // The preview shows both: the other one is coded and decoded as well.
    QImage other;
    if (!matteWorks) {
        other = r.preview;
    } else {
        Mapped otherMapped = mapLikeControl(options.matte ? plain : matted, flags);
        if (!otherMapped.image) {
            r.error = describe(otherMapped.status);
            return r;
        }
        const Coded c = written(otherMapped, maxColours, options.interlaced);
        if (status != pictaf::Status::Ok) {
            r.error = describe(status);
            return r;
        }
        other = decodeOverPage(options.compact ? c.compact : c.exact, page, &r.error);
        if (other.isNull())
            return r;
    }
    r.previewPlain = options.matte ? other : r.preview;
    r.previewMatte = options.matte ? r.preview : other;

    // Texts: meant-visible pixels in the transparent colour, and contrast
    // against what the page shows under them.
    QImage hidden;
    for (const BannerTextItem& item : resolvedTexts) {
        const Glyphs glyphs = glyphsOf(item, banner);
        r.lines.append(legibilityOf(item, glyphs, r.preview, options.transparent));
        if (!options.transparent || glyphs.box.isEmpty())
            continue;
        // The exported index, not the drawn colour: with more than 256
        // colours near-white edges are merged into the transparent entry too.
        const int transparentIndex = full.image->transparentIndex();
        for (int y = 0; y < glyphs.box.height(); ++y) {
            const uchar* cov = glyphs.coverage.constScanLine(y);
            const std::uint8_t* indexes = full.image->row(glyphs.box.top() + y);
            for (int x = 0; x < glyphs.box.width(); ++x) {
                const int bx = glyphs.box.left() + x;
                if (cov[x] < kMeantVisibleCoverage || indexes[bx] != transparentIndex)
                    continue;
                if (hidden.isNull()) {
                    hidden = QImage(banner.size(), QImage::Format_ARGB32);
                    hidden.fill(Qt::transparent);
                }
                auto* m = reinterpret_cast<QRgb*>(hidden.scanLine(glyphs.box.top() + y)) + bx;
                if (*m == 0) {
                    *m = qRgb(255, 0, 0);
                    ++r.hiddenPixels;
                }
            }
        }
    }
    r.hiddenMask = hidden;

    r.passes = passesOf(r.preview, options.interlaced, page);

    // Fit: tried in order of how much each changes, the first that fits wins.
    if (!r.fitsBudget) {
        auto add = [&](FitStep::Kind kind, bool compact, bool interlaced, int colours, qint64 bytes) {
            FitStep step;
            step.kind = kind;
            step.compact = compact;
            step.interlaced = interlaced;
            step.maxColours = colours;
            step.bytes = bytes;
            step.saving = r.bytes - bytes;
            step.fits = bytes <= options.budgetBytes;
            r.fitSteps.append(step);
            if (step.fits && !r.fit)
                r.fit = step;
        };
        if (!options.compact)
            add(FitStep::Compact, true, options.interlaced, maxColours, r.compactBytes);
        if (options.interlaced) {
            const Coded c = written(full, maxColours, false);
            if (status == pictaf::Status::Ok) {
                add(FitStep::NoInterlace, options.compact, false, maxColours,
                    options.compact ? c.compact.size() : c.exact.size());
                if (!options.compact)
                    add(FitStep::CompactNoInterlace, true, false, maxColours, c.compact.size());
            }
        }
        for (const int colours : {128, 64, 32}) {
            if (colours >= maxColours || colours >= full.image->colourCount())
                continue;
            const Coded c = written(full, colours, options.interlaced);
            if (status != pictaf::Status::Ok)
                break;
            add(FitStep::FewerColours, options.compact, options.interlaced, colours,
                options.compact ? c.compact.size() : c.exact.size());
            if (!options.compact)
                add(FitStep::CompactFewerColours, true, options.interlaced, colours, c.compact.size());
        }
        if (status != pictaf::Status::Ok) {
            r.error = describe(status);
            return r;
        }
    }
    return r;
}

PictureFiles::Status SaveWebGif(const QString& fileName, const QByteArray& gif, QString* reason)
{
    auto fail = [reason](PictureFiles::Status s, const QString& why) {
        if (reason)
            *reason = why;
        return s;
    };
    if (gif.isEmpty())
        return fail(PictureFiles::Status::EmptyPicture, QStringLiteral("There is no GIF to save."));
    if (fileName.isEmpty())
        return fail(PictureFiles::Status::CannotWrite, QStringLiteral("No file name."));
    if (PictureFiles::isSpecialFile(fileName))
        return fail(PictureFiles::Status::CannotWrite,
                    QStringLiteral("It is not a regular file (a device, pipe or socket)."));
    pictaf::OutputFile file;
    pictaf::Status s = file.open(QFile::encodeName(fileName).toStdString());
    if (s == pictaf::Status::Ok) {
        file.write(reinterpret_cast<const std::uint8_t*>(gif.constData()), static_cast<std::size_t>(gif.size()));
        s = file.finish();
    }
    if (s != pictaf::Status::Ok) {
        const QString why = file.error() != 0 ? QString::fromLocal8Bit(std::strerror(file.error()))
                                              : QString::fromLatin1(pictaf::toString(s));
        return fail(PictureFiles::Status::CannotWrite, why);
    }
    return PictureFiles::Status::Ok;
}

// ---- the analyser -------------------------------------------------------------

struct WebExportAnalyser::State {
    struct Request {
        QImage banner;
        QList<BannerTextItem> texts;
        WebExportOptions options;
        quint64 generation = 0;
    };
    QThreadPool pool;
    std::optional<Request> pending;
    bool running = false;
    quint64 generation = 0;
    WebExportReport latest;
};

WebExportAnalyser::WebExportAnalyser(QObject* parent) : QObject(parent), d(std::make_unique<State>())
{
    qRegisterMetaType<WebExportReport>();
    d->pool.setMaxThreadCount(1);
}

WebExportAnalyser::~WebExportAnalyser()
{
    d->pending.reset();
    d->pool.waitForDone(); // its delivery is queued to this object and dies with it
}

void WebExportAnalyser::request(const QImage& banner, const QList<BannerTextItem>& texts,
                                const WebExportOptions& options)
{
    // Only the latest request matters: it replaces one still waiting.
    d->pending = State::Request{banner, ResolveTextColours(texts), options, ++d->generation};
    if (!d->running)
        startNext();
}

bool WebExportAnalyser::busy() const { return d->running || d->pending.has_value(); }

const WebExportReport& WebExportAnalyser::latest() const { return d->latest; }

void WebExportAnalyser::startNext()
{
    if (!d->pending)
        return;
    State::Request job = std::move(*d->pending);
    d->pending.reset();
    d->running = true;
    d->pool.start([this, job = std::move(job)] {
        WebExportReport report = AnalyseForWeb(job.banner, job.texts, job.options);
        const quint64 generation = job.generation;
        QMetaObject::invokeMethod(
            this,
            [this, report = std::move(report), generation] {
            d->running = false;
            // A newer request makes this one stale: drop it and run that.
            if (generation == d->generation) {
                d->latest = report;
                emit ready(report);
            }
            startNext();
            },
            Qt::QueuedConnection);
    });
}
