// The web export analysis: its GIF against the file File > Save As > Gif
// Format writes through the control, its sizes against files written, the
// page preview with and without the matte, the colour merges, hidden white
// text, contrast figures, interlace passes, the budget fit, the save rules
// and the analyser's coalescing.
#include "WebExport.h"
#include "EditorSession.h"
#include "GifFile.h"

#include "../registry/ScopedRegistry.h"

#include "BannerDocument.h"
#include "Forms.h"
#include "FrmBanner.h"
#include "Parent.h"
#include "PictaforControl.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;

QString builtLibrary() { return QStringLiteral(VELNORA_BINARY_DIR "/bin/libpictaf.so"); }

struct RegisteredControl {
    ScopedRegistry registry{"web-export"};
    QTemporaryDir emptyInstall;
    RegisteredControl()
    {
        PictaforControl::setInstallDirectory(emptyInstall.path());
        QCOMPARE(PictaforControl::registerLibrary(builtLibrary()), plat::com::S_OK);
    }
    ~RegisteredControl() { PictaforControl::setInstallDirectory({}); }
};

// A banner on white (the transparent colour) with one line of text.
struct Banner {
    BannerDocument doc;
    Banner(QSize size, OleColor back, OleColor text, float points, const QString& line, bool bold = true)
    {
        doc.setSize(size);
        doc.setBackColor(back);
        doc.setForeColor(text);
        doc.setFontSize(points);
        doc.setFontBold(bold);
        doc.setCurrentX(6 * 15);
        doc.setCurrentY(4 * 15);
        doc.print(line);
    }
    WebExportReport analyse(const WebExportOptions& o = {}) const
    {
        return AnalyseForWeb(doc.image(), doc.textItems(), o);
    }
};

// Light pixels on a dark page: the pale edge antialiasing leaves.
int paleOnDark(const QImage& preview)
{
    int n = 0;
    for (int y = 0; y < preview.height(); ++y)
        for (int x = 0; x < preview.width(); ++x)
            n += qGray(preview.pixel(x, y)) > 100;
    return n;
}

QByteArray readAll(const QString& name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class WebExportTest : public QObject {
    Q_OBJECT
private slots:
    void exactGifIsTheControlsFileByteForByte();
    void byteCountsEqualFilesWritten();
    void previewOverBlackShowsHaloOnlyWithoutMatte();
    void mergesOfAThreeHundredColourBanner();
    void whiteTextIsFlaggedAsHidden();
    void contrastOfKnownPairs();
    void contrastSeesThePageThroughTransparentWhite();
    void fitNeedingTheCompactStream();
    void fitByFewerColours();
    void interlacePassesAsABrowserFillsThem();
    void saveWritesThroughLinksAndRefusesPipes();
    void analyserDeliversOnlyTheLatestRequest();
    void analysesRunSideBySide();
    void emptyBannerIsAnError();
};

void WebExportTest::exactGifIsTheControlsFileByteForByte()
{
    RegisteredControl control;
    EditorSession session;
    QTemporaryDir dir;
    FrmBanner& canvas = Forms::FrmBanner();
    // A picture, a background and antialiased text: many colours, all through
    // the control's mapping.
    canvas.document().setBackColor(OleColors::fromRgb(30, 90, 160));
    QImage picture(120, 40, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 2, y * 6, (x * y) % 256));
    canvas.document().setPicture(picture);
    canvas.document().setForeColor(OleColors::fromRgb(255, 220, 0));
    canvas.document().setFontSize(18.0f);
    canvas.document().setCurrentX(150 * 15);
    canvas.document().setCurrentY(10 * 15);
    canvas.document().print(QStringLiteral("Spring Sale"));

    const QString name = dir.filePath(QStringLiteral("control.gif"));
    session.dialogs().answerFile(name);
    Forms::Parent().MnuGif->trigger();
    QVERIFY2(messagesShown(session.dialogs()).isEmpty(), qPrintable(messagesShown(session.dialogs()).join('\n')));
    const QByteArray written = readAll(name);
    QVERIFY(!written.isEmpty());

    const WebExportReport r = AnalyseForWeb(canvas.document().image(), canvas.document().textItems(), {});
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(r.gif.size(), written.size());
    QVERIFY(r.gif == written);
    QCOMPARE(r.exactBytes, QFileInfo(name).size());
    QVERIFY(r.compactBytes < r.exactBytes);
}

void WebExportTest::byteCountsEqualFilesWritten()
{
    QTemporaryDir dir;
    const Banner b(QSize(468, 60), OleColors::fromRgb(200, 40, 40), OleColors::White, 24.0f, QStringLiteral("Web"));
    for (const bool compact : {false, true})
        for (const bool interlaced : {true, false}) {
            WebExportOptions o;
            o.compact = compact;
            o.interlaced = interlaced;
            const WebExportReport r = b.analyse(o);
            QVERIFY2(r.ok(), qPrintable(r.error));
            QCOMPARE(r.bytes, compact ? r.compactBytes : r.exactBytes);
            const QString name = dir.filePath(QStringLiteral("b%1%2.gif").arg(compact).arg(interlaced));
            QString why;
            QCOMPARE(SaveWebGif(name, r.gif, &why), PictureFiles::Status::Ok);
            QCOMPARE(QFileInfo(name).size(), r.bytes);
            // What was written is the GIF asked for: an independent decoder
            // reads it back with the interlace chosen and the banner's pixels.
            const std::optional<DecodedGif> gif = readGif(name, &why);
            QVERIFY2(gif, qPrintable(why));
            QCOMPARE(gif->interlaced, interlaced);
            QCOMPARE(gif->rgb(), r.drawn);
        }
}

void WebExportTest::previewOverBlackShowsHaloOnlyWithoutMatte()
{
    // Black text on the transparent white: its soft edges are pale greys.
    const Banner b(QSize(200, 60), OleColors::White, OleColors::Black, 28.0f, QStringLiteral("Halo"));
    WebExportOptions o;
    o.pageColour = kBlack;
    const WebExportReport plain = b.analyse(o);
    QVERIFY2(plain.ok(), qPrintable(plain.error));
    o.matte = true;
    const WebExportReport matted = b.analyse(o);
    QVERIFY2(matted.ok(), qPrintable(matted.error));

    // Away from the text the page shows through; inside it the text.
    QCOMPARE(plain.preview.pixel(2, 2), kBlack);
    QCOMPARE(plain.preview.size(), QSize(200, 60));
    QVERIFY(paleOnDark(plain.preview) > 20);
    QCOMPARE(paleOnDark(matted.preview), 0);
    // The report shows both, whichever is chosen.
    QCOMPARE(plain.previewMatte, matted.preview);
    QCOMPARE(matted.previewPlain, plain.preview);
    // Matte does nothing on a white page, where the halo is invisible.
    o.pageColour = kWhite;
    QCOMPARE(b.analyse(o).gif, b.analyse({}).gif);
    // Without transparency white is visible and the matte stays off.
    o.pageColour = kBlack;
    o.transparent = false;
    const WebExportReport opaque = b.analyse(o);
    QCOMPARE(opaque.preview.pixel(2, 2), kWhite);
    QCOMPARE(opaque.exported, opaque.drawn);
}

void WebExportTest::mergesOfAThreeHundredColourBanner()
{
    // 300 colours (none white), colour i on 1 + i % 4 pixels, the rest in colour 0.
    QImage banner(50, 20, QImage::Format_RGB32);
    QList<QRgb> colours;
    for (int i = 0; i < 300; ++i)
        colours.append(qRgb(i % 20 * 12, i / 20 * 16, 77));
    int p = 0;
    for (int i = 0; i < 300; ++i)
        for (int k = 0; k < 1 + i % 4; ++k, ++p)
            banner.setPixel(p % 50, p / 50, colours[i]);
    for (; p < 1000; ++p)
        banner.setPixel(p % 50, p / 50, colours[0]);

    const WebExportReport r = AnalyseForWeb(banner, {}, {});
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(r.distinctColours, 300);
    // White takes entry 0: 255 of the banner's colours get entries, 45 merge.
    QCOMPARE(r.merges.size(), 45);

    // Each merge against an independent decoding of the GIF written.
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("m.gif"));
    QCOMPARE(SaveWebGif(name, r.gif), PictureFiles::Status::Ok);
    const std::optional<DecodedGif> gif = readGif(name);
    QVERIFY(gif);
    const QImage decoded = gif->rgb();
    qint64 changed = 0;
    for (int y = 0; y < banner.height(); ++y)
        for (int x = 0; x < banner.width(); ++x)
            changed += decoded.pixel(x, y) != banner.pixel(x, y);
    qint64 total = 0;
    for (const ColourMerge& m : r.merges) {
        QVERIFY(m.from != m.to);
        QVERIFY(colours.contains(m.from));
        QCOMPARE(m.pixels, qint64(1 + colours.indexOf(m.from) % 4));
        for (int i = 0; i < 1000; ++i)
            if (banner.pixel(i % 50, i / 50) == m.from)
                QCOMPARE(decoded.pixel(i % 50, i / 50), m.to);
        total += m.pixels;
    }
    QCOMPARE(total, changed);
    for (int i = 1; i < r.merges.size(); ++i)
        QVERIFY(r.merges[i - 1].pixels >= r.merges[i].pixels);

    // The background colour's entry is there whether used or not: 256
    // colours without white merge one, 255 none, 256 with white none.
    for (const auto& [count, white, merged] : {std::tuple{256, false, 1}, {255, false, 0}, {256, true, 0}}) {
        QImage exact(16, 16, QImage::Format_RGB32);
        for (int i = 0; i < 256; ++i)
            exact.setPixel(i % 16, i / 16, i < count ? colours[i] : colours[0]);
        if (white)
            exact.setPixel(15, 15, kWhite);
        const WebExportReport e = AnalyseForWeb(exact, {}, {});
        QCOMPARE(e.distinctColours, count);
        QCOMPARE(e.merges.size(), merged);
    }

    // A few colours: nothing merges.
    const Banner few(QSize(100, 30), OleColors::fromRgb(0, 0, 128), OleColors::fromRgb(255, 255, 0), 12.0f,
                     QStringLiteral("ok"));
    const WebExportReport f = few.analyse();
    QVERIFY(f.distinctColours <= 256);
    QVERIFY(f.merges.isEmpty());
}

void WebExportTest::whiteTextIsFlaggedAsHidden()
{
    const Banner white(QSize(200, 50), OleColors::fromRgb(0, 128, 0), OleColors::White, 24.0f, QStringLiteral("Gone"));
    const WebExportReport r = white.analyse();
    QVERIFY(r.hiddenPixels > 30);
    QVERIFY(!r.hiddenMask.isNull());
    int marked = 0;
    for (int y = 0; y < r.hiddenMask.height(); ++y)
        for (int x = 0; x < r.hiddenMask.width(); ++x)
            if (qAlpha(r.hiddenMask.pixel(x, y))) {
                ++marked;
                QCOMPARE(r.drawn.pixel(x, y), kWhite);
                QVERIFY(r.lines[0].box.contains(x, y));
            }
    QCOMPARE(marked, r.hiddenPixels);
    // And the page indeed shows through them.
    WebExportOptions o;
    o.pageColour = qRgb(10, 20, 30);
    const WebExportReport onPage = white.analyse(o);
    for (int y = 0; y < r.hiddenMask.height(); ++y)
        for (int x = 0; x < r.hiddenMask.width(); ++x)
            if (qAlpha(r.hiddenMask.pixel(x, y)))
                QCOMPARE(onPage.preview.pixel(x, y), qRgb(10, 20, 30));

    // Yellow text, or white that is not see-through, hides nothing.
    const Banner yellow(QSize(200, 50), OleColors::fromRgb(0, 128, 0), OleColors::fromRgb(255, 255, 0), 24.0f,
                        QStringLiteral("Seen"));
    QCOMPARE(yellow.analyse().hiddenPixels, 0);
    QVERIFY(yellow.analyse().hiddenMask.isNull());
    WebExportOptions solid;
    solid.transparent = false;
    QCOMPARE(white.analyse(solid).hiddenPixels, 0);

    // Over a picture of thousands of colours the table is full long before
    // the text: its light edge pixels merge into the transparent white and
    // vanish as well, so they count too.
    QImage noise(200, 50, QImage::Format_RGB32);
    std::uint32_t seed = 7;
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x) {
            seed = seed * 1103515245u + 12345u;
            noise.setPixel(x, y, qRgb(int(seed >> 8) % 160, int(seed >> 16) % 160, int(seed >> 24) % 160));
        }
    BannerDocument busy;
    busy.setSize(noise.size());
    busy.setPicture(noise);
    busy.setForeColor(OleColors::White);
    busy.setFontSize(24.0f);
    busy.setFontBold(true);
    busy.setCurrentX(6 * 15);
    busy.setCurrentY(4 * 15);
    busy.print(QStringLiteral("Gone"));
    const WebExportReport merged = AnalyseForWeb(busy.image(), busy.textItems(), o);
    QVERIFY2(merged.ok(), qPrintable(merged.error));
    int mergedInto = 0;
    for (int y = 0; y < merged.hiddenMask.height(); ++y)
        for (int x = 0; x < merged.hiddenMask.width(); ++x)
            if (qAlpha(merged.hiddenMask.pixel(x, y))) {
                mergedInto += merged.drawn.pixel(x, y) != kWhite;
                QCOMPARE(merged.preview.pixel(x, y), qRgb(10, 20, 30));
            }
    QVERIFY(mergedInto > 0);
}

void WebExportTest::contrastOfKnownPairs()
{
    QCOMPARE(ContrastRatio(kBlack, kWhite), 21.0);
    QCOMPARE(ContrastRatio(kWhite, kBlack), 21.0);
    QVERIFY(qAbs(ContrastRatio(qRgb(0x77, 0x77, 0x77), kWhite) - 4.48) < 0.005);
    QCOMPARE(ContrastRatio(qRgb(0x40, 0x80, 0xC0), qRgb(0x40, 0x80, 0xC0)), 1.0);

    // Text lines on a solid light-yellow background (opaque, no page showing).
    const OleColor back = OleColors::fromRgb(255, 255, 192);
    const Banner black(QSize(200, 50), back, OleColors::Black, 20.0f, QStringLiteral("Sharp"));
    const WebExportReport rb = black.analyse();
    QCOMPARE(rb.lines.size(), 1);
    QCOMPARE(rb.lines[0].text, QStringLiteral("Sharp"));
    QVERIFY(qAbs(rb.lines[0].contrast - ContrastRatio(kBlack, qRgb(255, 255, 192))) < 1e-9);
    QVERIFY(rb.lines[0].passes);
    QVERIFY(!rb.lines[0].hasSuggestion);

    const Banner grey(QSize(200, 50), OleColors::fromRgb(255, 255, 255), OleColors::fromRgb(0x77, 0x77, 0x77), 20.0f,
                      QStringLiteral("Faint"));
    const WebExportReport rg = grey.analyse(); // white page under the transparent white
    QVERIFY(qAbs(rg.lines[0].contrast - 4.48) < 0.005);
    QVERIFY(!rg.lines[0].passes);
    QVERIFY(rg.lines[0].hasSuggestion);
    QVERIFY(ContrastRatio(rg.lines[0].suggestion, kWhite) >= kLegibleContrast);
    // Drawn from the editor's palette, and never the vanishing white.
    bool inPalette = false;
    for (int i = 0; i < Parent::PaletteCount; ++i) {
        const OleColor c = Parent::paletteColor(i);
        inPalette |= qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF) == rg.lines[0].suggestion;
    }
    QVERIFY(inPalette);
    QVERIFY(rg.lines[0].box.contains(10, 10));

    // A text in a system colour is judged in the colour it was drawn in.
    BannerDocument doc;
    doc.setBackColor(OleColors::White);
    doc.setForeColor(OleColors::SysButtonText);
    doc.setFontSize(20.0f);
    doc.print(QStringLiteral("System"));
    const QRgb shown = OleColors::toQColor(OleColors::SysButtonText).rgb();
    for (const QList<BannerTextItem>& texts : {doc.textItems(), ResolveTextColours(doc.textItems())}) {
        const WebExportReport rs = AnalyseForWeb(doc.image(), texts, {});
        QCOMPARE(rs.lines[0].colour, shown);
        QVERIFY(qAbs(rs.lines[0].contrast - ContrastRatio(shown, kWhite)) < 1e-9);
    }
}

void WebExportTest::contrastSeesThePageThroughTransparentWhite()
{
    // #777777 on the transparent white: poor on a white page, fine on black.
    const Banner grey(QSize(200, 50), OleColors::White, OleColors::fromRgb(0x77, 0x77, 0x77), 20.0f,
                      QStringLiteral("Page"));
    WebExportOptions o;
    o.pageColour = kBlack;
    const WebExportReport r = grey.analyse(o);
    QVERIFY(qAbs(r.lines[0].contrast - ContrastRatio(qRgb(0x77, 0x77, 0x77), kBlack)) < 1e-9);
    QVERIFY(r.lines[0].passes);
    // Yellow text is flagged on white; the suggestion passes on white too.
    const Banner yellow(QSize(200, 50), OleColors::White, OleColors::fromRgb(255, 255, 0), 20.0f,
                        QStringLiteral("Sun"));
    const WebExportReport y = yellow.analyse();
    QVERIFY(!y.lines[0].passes);
    QVERIFY(y.lines[0].contrast < 1.1);
    QVERIFY(y.lines[0].hasSuggestion);
    QVERIFY(ContrastRatio(y.lines[0].suggestion, kWhite) >= kLegibleContrast);
}

void WebExportTest::fitNeedingTheCompactStream()
{
    // Noise in 16 colours: the control's run-length stream does badly, LZW
    // well. Below it rows alternate between two colours, which interlacing
    // sends as two long runs.
    QImage banner(468, 60, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < banner.height(); ++y)
        for (int x = 0; x < banner.width(); ++x)
            banner.setPixel(x, y,
                            y < 40      ? qRgb(random.bounded(4) * 60, random.bounded(4) * 60, 40)
                                : y % 2 ? qRgb(0, 0, 200)
                                        : qRgb(200, 0, 0));
    const WebExportReport free = AnalyseForWeb(banner, {}, {});
    QVERIFY(free.fitsBudget);
    QVERIFY(free.fitSteps.isEmpty());
    QVERIFY(!free.fit);
    QVERIFY(free.compactBytes < free.exactBytes);

    WebExportOptions o;
    o.budgetBytes = free.compactBytes;
    const WebExportReport r = AnalyseForWeb(banner, {}, o);
    QVERIFY(!r.fitsBudget);
    QVERIFY(!r.fitSteps.isEmpty());
    QCOMPARE(r.fitSteps[0].kind, FitStep::Compact);
    QCOMPARE(r.fitSteps[0].bytes, free.compactBytes);
    QCOMPARE(r.fitSteps[0].saving, free.exactBytes - free.compactBytes);
    QVERIFY(r.fit);
    QCOMPARE(r.fit->kind, FitStep::Compact);
    // Dropping the interlace alone doesn't do it.
    WebExportOptions flat;
    flat.interlaced = false;
    const WebExportReport rows = AnalyseForWeb(banner, {}, flat);
    bool sawNoInterlace = false;
    for (const FitStep& s : r.fitSteps)
        if (s.kind == FitStep::NoInterlace) {
            sawNoInterlace = true;
            QCOMPARE(s.bytes, rows.exactBytes);
            QVERIFY(!s.fits);
        }
    QVERIFY(sawNoInterlace);
    // The step's options give the bytes it promised.
    o.compact = r.fit->compact;
    o.interlaced = r.fit->interlaced;
    o.maxColours = r.fit->maxColours;
    const WebExportReport applied = AnalyseForWeb(banner, {}, o);
    QVERIFY(applied.fitsBudget);
    QCOMPARE(applied.bytes, r.fit->bytes);

    // A byte less and nothing that keeps the colours fits.
    o = {};
    o.budgetBytes = free.compactBytes - 1;
    const WebExportReport tight = AnalyseForWeb(banner, {}, o);
    QVERIFY(!tight.fit || tight.fit->kind != FitStep::Compact);
}

void WebExportTest::fitByFewerColours()
{
    // A smooth gradient in 400 colours; a budget only a reduction meets.
    QImage banner(468, 60, QImage::Format_RGB32);
    for (int y = 0; y < banner.height(); ++y)
        for (int x = 0; x < banner.width(); ++x)
            banner.setPixel(x, y, qRgb(x / 2, (y * 4 + x / 20) % 256, 90));
    const WebExportReport free = AnalyseForWeb(banner, {}, {});
    WebExportOptions o;
    o.maxColours = 32;
    o.compact = true;
    const WebExportReport thirtyTwo = AnalyseForWeb(banner, {}, o);
    QVERIFY(thirtyTwo.compactBytes < free.compactBytes);
    QVERIFY(thirtyTwo.distinctColours > 256); // what the banner has, not what is written

    // The written GIF holds at most 32 colours, none of them white.
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("32.gif"));
    QCOMPARE(SaveWebGif(name, thirtyTwo.gif), PictureFiles::Status::Ok);
    const std::optional<DecodedGif> gif = readGif(name);
    QVERIFY(gif);
    QSet<QRgb> used;
    const QImage rgb = gif->rgb();
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            used.insert(rgb.pixel(x, y));
    QVERIFY(used.size() <= 32);
    QVERIFY(!used.contains(kWhite));
    QCOMPARE(gif->colours.size(), 32); // the background colour is one of them

    o = {};
    o.budgetBytes = thirtyTwo.compactBytes;
    const WebExportReport r = AnalyseForWeb(banner, {}, o);
    QVERIFY(r.fit);
    QVERIFY(r.fit->maxColours < 256);
    QVERIFY(r.fit->bytes <= o.budgetBytes);
}

void WebExportTest::interlacePassesAsABrowserFillsThem()
{
    // Row y in its own colour.
    QImage banner(4, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 4; ++x)
            banner.setPixel(x, y, qRgb(y * 10, 50, 100));
    WebExportOptions o;
    o.pageColour = kBlack;
    const WebExportReport r = AnalyseForWeb(banner, {}, o);
    QCOMPARE(r.passes.size(), 4);
    auto rowOf = [&](int pass, int y) { return qRed(r.passes[pass].pixel(0, y)) / 10; };
    // Pass 1 has rows 0 and 8; pass 2 adds 4 and 12; pass 3 every 4th from 2; pass 4 the rest.
    QCOMPARE(rowOf(0, 0), 0);
    QCOMPARE(rowOf(0, 7), 0);
    QCOMPARE(rowOf(0, 8), 8);
    QCOMPARE(rowOf(0, 15), 8);
    QCOMPARE(rowOf(1, 5), 4);
    QCOMPARE(rowOf(1, 13), 12);
    QCOMPARE(rowOf(2, 3), 2);
    QCOMPARE(rowOf(2, 11), 10);
    QCOMPARE(r.passes[3], r.preview);

    o.interlaced = false;
    const WebExportReport top = AnalyseForWeb(banner, {}, o);
    QCOMPARE(top.passes.size(), 4);
    QCOMPARE(top.passes[0].pixel(0, 3), qRgb(30, 50, 100));
    QCOMPARE(top.passes[0].pixel(0, 4), kBlack);
    QCOMPARE(top.passes[1].pixel(0, 7), qRgb(70, 50, 100));
    QCOMPARE(top.passes[1].pixel(0, 8), kBlack);
    QCOMPARE(top.passes[3], top.preview);
}

void WebExportTest::saveWritesThroughLinksAndRefusesPipes()
{
    QTemporaryDir dir;
    QImage tiny(8, 8, QImage::Format_RGB32);
    tiny.fill(qRgb(1, 2, 3));
    const QByteArray gif = AnalyseForWeb(tiny, {}, {}).gif;
    QVERIFY(!gif.isEmpty());
    const QString target = dir.filePath(QStringLiteral("real.gif"));
    const QString link = dir.filePath(QStringLiteral("link.gif"));
    QVERIFY(QFile(target).open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(target, link));
    QCOMPARE(SaveWebGif(link, gif), PictureFiles::Status::Ok);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readAll(target), gif);

    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QString why;
    QCOMPARE(SaveWebGif(fifo, gif, &why), PictureFiles::Status::CannotWrite); // would wait for a reader
    QVERIFY(!why.isEmpty());
    QCOMPARE(SaveWebGif(dir.path(), gif, &why), PictureFiles::Status::CannotWrite);
    QCOMPARE(SaveWebGif(dir.filePath(QStringLiteral("none/x.gif")), gif, &why), PictureFiles::Status::CannotWrite);
    QCOMPARE(SaveWebGif(target, QByteArray(), &why), PictureFiles::Status::EmptyPicture);
    QCOMPARE(readAll(target), gif); // untouched by the refusal
}

void WebExportTest::analyserDeliversOnlyTheLatestRequest()
{
    WebExportAnalyser analyser;
    QSignalSpy spy(&analyser, &WebExportAnalyser::ready);
    QImage big(2000, 400, QImage::Format_RGB32);
    big.fill(qRgb(20, 40, 60));
    analyser.request(big, {}, {});
    for (int w = 10; w <= 30; w += 10) {
        QImage small(w, 5, QImage::Format_RGB32);
        small.fill(qRgb(w, 0, 0));
        analyser.request(small, {}, {});
    }
    QVERIFY(analyser.busy());
    QTRY_VERIFY_WITH_TIMEOUT(!analyser.busy(), 30000);
    QCOMPARE(spy.count(), 1);
    const auto report = spy.at(0).at(0).value<WebExportReport>();
    QCOMPARE(report.preview.size(), QSize(30, 5));
    QCOMPARE(analyser.latest().preview.size(), QSize(30, 5));
}

void WebExportTest::analysesRunSideBySide()
{
    // Text, matte, fewer colours and a budget: every part at once, on three
    // threads, gives what one thread gives.
    const Banner b(QSize(468, 60), OleColors::fromRgb(250, 200, 0), OleColors::fromRgb(0, 0, 160), 22.0f,
                   QStringLiteral("Side by side"));
    WebExportOptions o;
    o.matte = true;
    o.pageColour = qRgb(0, 64, 0);
    o.budgetBytes = 100;
    const WebExportReport alone = b.analyse(o);
    QVERIFY(!alone.fitSteps.isEmpty());
    QList<WebExportReport> together(3);
    std::vector<std::thread> threads;
    for (int i = 0; i < 3; ++i)
        threads.emplace_back([&, i] { together[i] = AnalyseForWeb(b.doc.image(), b.doc.textItems(), o); });
    for (std::thread& t : threads)
        t.join();
    for (const WebExportReport& r : together) {
        QVERIFY(r.gif == alone.gif);
        QCOMPARE(r.preview, alone.preview);
        QCOMPARE(r.lines[0].contrast, alone.lines[0].contrast);
        QCOMPARE(r.fitSteps.size(), alone.fitSteps.size());
        for (int i = 0; i < r.fitSteps.size(); ++i)
            QCOMPARE(r.fitSteps[i].bytes, alone.fitSteps[i].bytes);
    }
}

void WebExportTest::emptyBannerIsAnError()
{
    const WebExportReport r = AnalyseForWeb(QImage(), {}, {});
    QVERIFY(!r.ok());
    QVERIFY(r.gif.isEmpty());
    const WebExportReport wide = AnalyseForWeb(QImage(70000, 1, QImage::Format_RGB32), {}, {});
    QVERIFY(!wide.ok());

    // A banner whose analysis would not fit in the memory left is refused
    // before anything big is made.
    QImage big(4000, 2000, QImage::Format_RGB32);
    big.fill(qRgb(1, 2, 3));
    long pages = 0;
    {
        QFile statm(QStringLiteral("/proc/self/statm"));
        QVERIFY(statm.open(QIODevice::ReadOnly));
        pages = statm.readAll().split(' ').value(0).toLong();
    }
    rlimit old{};
    QCOMPARE(::getrlimit(RLIMIT_AS, &old), 0);
    rlimit tight = old;
    tight.rlim_cur = static_cast<rlim_t>(pages) * ::sysconf(_SC_PAGESIZE) + (256u << 20);
    QCOMPARE(::setrlimit(RLIMIT_AS, &tight), 0);
    const WebExportReport refused = AnalyseForWeb(big, {}, {});
    ::setrlimit(RLIMIT_AS, &old);
    QVERIFY(!refused.ok());
    QVERIFY2(refused.error.contains(QStringLiteral("memory")), qPrintable(refused.error));
}

QTEST_MAIN(WebExportTest)
#include "WebExportTest.moc"
