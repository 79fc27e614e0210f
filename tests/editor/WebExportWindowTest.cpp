// The Export for Web window driven as a user would: the menu entry, the page
// preview decoded from the GIF over a chosen page colour, the byte counts
// against the files written, the colours merged on a banner with too many,
// white text that the transparent colour hides, contrast figures, Fit under
// a budget, the loading playback, and the save dialog's cancel and errors.
#include "EditorSession.h"
#include "GifFile.h"

#include "../registry/ScopedRegistry.h"

#include "Forms.h"
#include "FrmBanner.h"
#include "Parent.h"
#include "PictaforControl.h"
#include "WebExportWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <cmath>

namespace {

BannerDocument& document() { return Forms::FrmBanner().document(); }
Parent& mainWindow() { return Forms::Parent(); }

template <class T>
T* part(WebExportWindow& w, const char* name)
{
    T* found = w.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qWarning("no %s in the window", name);
    return found;
}

// Opens the window through its menu entry and waits for the first report.
WebExportWindow& openWindow()
{
    mainWindow().MnuWebExport->trigger();
    return mainWindow().webExportWindow();
}

// Waits until the report on show answers the banner and options as they are.
bool settle(WebExportWindow& w)
{
    return QTest::qWaitFor(
        [&] { return !w.isAnalysing() && (!w.report().drawn.isNull() || !w.report().error.isEmpty()); }, 15000);
}

// A banner of the design size showing only this picture over white.
void showPicture(const QImage& picture)
{
    document().setBackColor(OleColors::White);
    document().setPicture(picture.convertToFormat(QImage::Format_RGB32));
}

QImage filled(QRgb colour)
{
    QImage img(BannerDocument::DesignWidth, BannerDocument::DesignHeight, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

QRgb at(const QImage& img, int x, int y) { return img.pixel(x, y) | 0xFF000000u; }

// WCAG relative luminance, written out here to check the window's claims.
double luminance(QRgb c)
{
    auto lin = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(qRed(c)) + 0.7152 * lin(qGreen(c)) + 0.0722 * lin(qBlue(c));
}
double contrast(QRgb a, QRgb b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void printLine(const QString& text, OleColor colour, float xTwips, float yTwips, float points = 20.0f)
{
    document().setForeColor(colour);
    QCOMPARE(document().setFontSize(points), PropertyStatus::Ok);
    document().setCurrentX(xTwips);
    document().setCurrentY(yTwips);
    document().print(text);
}

// The control registered in a registry of the test's own, as GIF export needs.
struct RegisteredControl {
    ScopedRegistry registry{"web-export"};
    QTemporaryDir emptyInstall;
    RegisteredControl()
    {
        PictaforControl::setInstallDirectory(emptyInstall.path());
        QCOMPARE(PictaforControl::registerLibrary(QStringLiteral(VELNORA_BINARY_DIR "/bin/libpictaf.so")),
                 plat::com::S_OK);
    }
    ~RegisteredControl() { PictaforControl::setInstallDirectory({}); }
};

} // namespace

class WebExportWindowTest : public QObject {
    Q_OBJECT
private slots:
    void menuEntryShowsOneWindow();
    void previewOverBlackPageWithAndWithoutMatte();
    void pageColourFromPaletteAndColourDialog();
    void byteCountsAreTheFilesWritten();
    void mergeListOnABannerWithThreeHundredColours();
    void whiteTextIsShownAsVanishing();
    void contrastOfTwoKnownPairs();
    void fitUnderABudgetThatNeedsTheCompactStream();
    void loadingPlaysTheFourPasses();
    void cancelWritesNothingAndFailuresAreSaid();
    void bannerChangesReachTheOpenWindow();
};

void WebExportWindowTest::menuEntryShowsOneWindow()
{
    EditorSession session;
    QMenu* web = mainWindow().MnuWeb;
    QCOMPARE(web->title(), QStringLiteral("Web"));
    QCOMPARE(mainWindow().MnuWebExport->text(), QStringLiteral("Export for Web..."));
    WebExportWindow& w = openWindow();
    QVERIFY(w.isVisible());
    QCOMPARE(w.windowTitle(), QStringLiteral("Export for Web"));
    QVERIFY(settle(w));
    // Again: the same window, still one.
    mainWindow().MnuWebExport->trigger();
    QCOMPARE(&mainWindow().webExportWindow(), &w);
    QCOMPARE(mainWindow().findChildren<WebExportWindow*>().size(), 1);
    // Defaults: the export as the editor writes it, no matte, white page.
    QVERIFY(part<QRadioButton>(w, "exactStream")->isChecked());
    QVERIFY(!part<QCheckBox>(w, "matte")->isChecked());
    QVERIFY(part<QCheckBox>(w, "interlaced")->isChecked());
    QCOMPARE(w.pageColour(), qRgb(255, 255, 255));
    QCOMPARE(w.report().drawn.size(), QSize(468, 60));
    QCOMPARE(session.dialogs().unexpected(), 0);
}

void WebExportWindowTest::previewOverBlackPageWithAndWithoutMatte()
{
    EditorSession session;
    // White, a solid dark blue block, and a one-pixel edge halfway between
    // the two, as antialiasing leaves it.
    QImage picture = filled(qRgb(255, 255, 255));
    for (int y = 10; y < 50; ++y) {
        for (int x = 100; x < 200; ++x)
            picture.setPixel(x, y, qRgb(0, 0, 160));
        picture.setPixel(200, y, qRgb(128, 128, 208));
    }
    showPicture(picture);
    WebExportWindow& w = openWindow();
    part<QToolButton>(w, "pageBlack")->click();
    QVERIFY(settle(w));
    QCOMPARE(w.pageColour(), qRgb(0, 0, 0));

    const QImage drawn = part<WebImageView>(w, "drawnPreview")->image();
    QCOMPARE(at(drawn, 5, 5), qRgb(255, 255, 255));
    const QImage plain = part<WebImageView>(w, "pagePreview")->image();
    QCOMPARE(plain.size(), QSize(468, 60));
    // The transparent white lets the black page through; the block stays;
    // the edge keeps its pale colour: the halo.
    QCOMPARE(at(plain, 5, 5), qRgb(0, 0, 0));
    QCOMPARE(at(plain, 150, 30), qRgb(0, 0, 160));
    QCOMPARE(at(plain, 200, 30), qRgb(128, 128, 208));
    // The other preview already shows the matte.
    const QImage otherBefore = part<WebImageView>(w, "otherPreview")->image();

    part<QCheckBox>(w, "matte")->setChecked(true);
    QVERIFY(settle(w));
    const QImage matte = part<WebImageView>(w, "pagePreview")->image();
    QCOMPARE(at(matte, 5, 5), qRgb(0, 0, 0));
    QCOMPARE(at(matte, 150, 30), qRgb(0, 0, 160));
    const QRgb edge = at(matte, 200, 30);
    // Blended into the black page: no pale fringe left.
    QVERIFY2(qRed(edge) < 28 && qGreen(edge) < 28 && qBlue(edge) < 108,
             qPrintable(QStringLiteral("edge %1").arg(edge, 8, 16)));
    QCOMPARE(otherBefore, matte);
    // And now the other preview is the one without.
    QCOMPARE(part<WebImageView>(w, "otherPreview")->image(), plain);
}

void WebExportWindowTest::pageColourFromPaletteAndColourDialog()
{
    EditorSession session;
    showPicture(filled(qRgb(255, 255, 255)));
    WebExportWindow& w = openWindow();
    // Palette box 2 is dark green.
    QMenu* menu = part<QMenu>(w, "pagePaletteMenu");
    QCOMPARE(menu->actions().size(), Parent::PaletteCount);
    menu->actions().at(2)->trigger();
    QVERIFY(settle(w));
    QCOMPARE(at(part<WebImageView>(w, "pagePreview")->image(), 10, 10), qRgb(0, 128, 0));
    // Any colour through the colour dialog; cancelling it keeps the page.
    session.dialogs().answerColor(std::nullopt);
    part<QToolButton>(w, "pageOther")->click();
    QCOMPARE(w.pageColour(), qRgb(0, 128, 0));
    session.dialogs().answerColor(QColor(12, 34, 56));
    part<QToolButton>(w, "pageOther")->click();
    QVERIFY(settle(w));
    QCOMPARE(at(part<WebImageView>(w, "pagePreview")->image(), 10, 10), qRgb(12, 34, 56));
    QCOMPARE(session.dialogs().count(QStringLiteral("color")), 2);
}

void WebExportWindowTest::byteCountsAreTheFilesWritten()
{
    RegisteredControl control;
    EditorSession session;
    QTemporaryDir dir;
    QImage picture = filled(qRgb(255, 255, 255));
    for (int x = 0; x < picture.width(); ++x)
        for (int y = 0; y < picture.height(); ++y)
            picture.setPixel(x, y, qRgb((x * 7) % 256, (y * 11) % 256, (x / 8) % 2 ? 200 : 40));
    showPicture(picture);
    printLine(QStringLiteral("Spring Sale"), OleColors::fromRgb(128, 0, 0), 300, 150);
    WebExportWindow& w = openWindow();
    QVERIFY(settle(w));
    const qint64 exact = w.report().exactBytes;
    const qint64 compact = w.report().compactBytes;
    QVERIFY(exact > 0 && compact > 0 && exact != compact);
    const QString shown = part<QLabel>(w, "bytes")->text();
    QVERIFY2(shown.contains(QLocale().toString(exact)) && shown.contains(QLocale().toString(compact)),
             qPrintable(shown));

    const QString exactName = dir.filePath(QStringLiteral("exact.gif"));
    session.dialogs().answerFile(exactName);
    QVERIFY(w.exportGif());
    QCOMPARE(QFileInfo(exactName).size(), exact);
    // As the editor's own GIF export writes it, byte for byte.
    const QString controlName = dir.filePath(QStringLiteral("control.gif"));
    session.dialogs().answerFile(controlName);
    mainWindow().MnuGif->trigger();
    QVERIFY2(messagesShown(session.dialogs()).isEmpty(), qPrintable(messagesShown(session.dialogs()).join('\n')));
    QCOMPARE(fileBytes(exactName), fileBytes(controlName));

    part<QRadioButton>(w, "compactStream")->setChecked(true);
    QVERIFY(settle(w));
    const QString compactName = dir.filePath(QStringLiteral("compact"));
    session.dialogs().answerFile(compactName);
    QVERIFY(w.exportGif());
    // The default extension joins a bare name, as in the other saves.
    const QString written = compactName + QStringLiteral(".gif");
    QCOMPARE(QFileInfo(written).size(), compact);
    // The compact file is the same picture.
    QString why;
    const auto a = readGif(exactName, &why);
    QVERIFY2(a, qPrintable(why));
    const auto b = readGif(written, &why);
    QVERIFY2(b, qPrintable(why));
    QCOMPARE(b->rgb(), a->rgb());
    QVERIFY(b->interlaced);
}

void WebExportWindowTest::mergeListOnABannerWithThreeHundredColours()
{
    EditorSession session;
    // Column x up to 299 in a colour of its own, the rest of the banner in
    // the colour of column 0: 300 colours, each column 60 pixels.
    QImage picture = filled(qRgb(0, 0, 0));
    auto colourOf = [](int x) { return qRgb(10 + (x % 20) * 12, 10 + (x / 20) * 10, 77); };
    for (int x = 0; x < picture.width(); ++x)
        for (int y = 0; y < picture.height(); ++y)
            picture.setPixel(x, y, colourOf(x < 300 ? x : 0));
    showPicture(picture);
    WebExportWindow& w = openWindow();
    QVERIFY(settle(w));
    const WebExportReport& r = w.report();
    QCOMPARE(r.distinctColours, 300);
    // The control's table starts with white, which the banner lacks: 255
    // places for 300 colours.
    QCOMPARE(r.merges.size(), 45);
    QListWidget* list = part<QListWidget>(w, "merges");
    QVERIFY(list->isVisibleTo(&w));
    QCOMPARE(list->count(), 45);
    for (int i = 0; i < list->count(); ++i) {
        const QListWidgetItem* item = list->item(i);
        const QRgb from = item->data(Qt::UserRole).value<QRgb>();
        const QRgb to = item->data(Qt::UserRole + 1).value<QRgb>();
        const qint64 pixels = item->data(Qt::UserRole + 2).value<qint64>();
        QVERIFY(from != to);
        // Each merge touches exactly the pixels of its colour, and the
        // colour it becomes is one the banner has.
        QCOMPARE(qint64(countPixels(picture, from)), pixels);
        QVERIFY(countPixels(picture, to) > 0);
        QVERIFY(item->text().contains(QLocale().toString(pixels) + QStringLiteral(" px")));
        QVERIFY(!item->icon().isNull());
    }
    QVERIFY(part<QLabel>(w, "colourText")->text().startsWith(QStringLiteral("300 colours")));

    // Down to 255 colours, which leave white its entry: nothing merged,
    // the list goes.
    QImage fewer = picture;
    for (int x = 255; x < 300; ++x)
        for (int y = 0; y < fewer.height(); ++y)
            fewer.setPixel(x, y, colourOf(0));
    showPicture(fewer);
    QVERIFY(settle(w));
    QCOMPARE(w.report().distinctColours, 255);
    QVERIFY(!list->isVisibleTo(&w));
    QCOMPARE(list->count(), 0);

    // A colour for every column: 213 merges, the first hundred listed and
    // the rest counted.
    QImage many = picture;
    for (int x = 0; x < many.width(); ++x)
        for (int y = 0; y < many.height(); ++y)
            many.setPixel(x, y, colourOf(x));
    showPicture(many);
    QVERIFY(settle(w));
    QCOMPARE(w.report().merges.size(), 468 - 255);
    QCOMPARE(list->count(), WebExportWindow::MergesListed + 1);
    QCOMPARE(list->item(WebExportWindow::MergesListed)->text(),
             QStringLiteral("... and %1 more, %2 px")
                 .arg(468 - 255 - WebExportWindow::MergesListed)
                 .arg(QLocale().toString(60 * (468 - 255 - WebExportWindow::MergesListed))));
}

void WebExportWindowTest::whiteTextIsShownAsVanishing()
{
    EditorSession session;
    showPicture(filled(qRgb(0, 0, 128)));
    printLine(QStringLiteral("Sale"), OleColors::fromRgb(255, 255, 0), 150, 150);
    WebExportWindow& w = openWindow();
    QVERIFY(settle(w));
    QWidget* box = part<QWidget>(w, "hiddenBox");
    QVERIFY(!box->isVisibleTo(&w));

    printLine(QStringLiteral("FREE"), OleColors::White, 3000, 150);
    QVERIFY(settle(w));
    QVERIFY(w.report().hiddenPixels > 0);
    QVERIFY(box->isVisibleTo(&w));
    QVERIFY(part<QLabel>(w, "hiddenText")->text().contains(QLocale().toString(w.report().hiddenPixels)));
    // The marked pixels lie in the white line, not in the yellow one.
    const QImage marked = part<WebImageView>(w, "hiddenView")->image();
    const QRect red = boundsOf(marked, qRgb(255, 0, 0));
    QVERIFY(!red.isEmpty());
    QVERIFY2(red.left() >= 200 && red.top() >= 10, qPrintable(QStringLiteral("%1,%2").arg(red.left()).arg(red.top())));
    // On the page those pixels show the page colour.
    part<QToolButton>(w, "pageBlack")->click();
    QVERIFY(settle(w));
    const QImage page = part<WebImageView>(w, "pagePreview")->image();
    const QImage& mask = w.report().hiddenMask;
    int checked = 0;
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            if (qAlpha(mask.pixel(x, y)) != 0) {
                QCOMPARE(at(page, x, y), qRgb(0, 0, 0));
                ++checked;
            }
    QCOMPARE(qint64(checked), w.report().hiddenPixels);
}

void WebExportWindowTest::contrastOfTwoKnownPairs()
{
    EditorSession session;
    showPicture(filled(qRgb(0, 0, 0)));
    // Yellow on black reads at 19.56:1; pure blue on black at 2.44:1.
    printLine(QStringLiteral("Yellow"), OleColors::fromRgb(255, 255, 0), 150, 100);
    printLine(QStringLiteral("Blue"), OleColors::fromRgb(0, 0, 255), 3000, 100);
    WebExportWindow& w = openWindow();
    QVERIFY(settle(w));
    QTreeWidget* lines = part<QTreeWidget>(w, "legibility");
    QCOMPARE(lines->topLevelItemCount(), 2);
    const QTreeWidgetItem* yellow = lines->topLevelItem(0);
    const QTreeWidgetItem* blue = lines->topLevelItem(1);
    QCOMPARE(yellow->text(0), QStringLiteral("Yellow"));
    QCOMPARE(yellow->text(1), QStringLiteral("19.56:1"));
    QCOMPARE(yellow->text(2), QStringLiteral("Readable"));
    QCOMPARE(blue->text(0), QStringLiteral("Blue"));
    QCOMPARE(blue->text(1), QStringLiteral("2.44:1"));
    QVERIFY(blue->text(2).startsWith(QStringLiteral("Below 4.5:1")));
    // The suggestion is a palette colour that passes on black.
    const QRgb suggestion = blue->data(2, Qt::UserRole).value<QRgb>();
    bool inPalette = false;
    for (int i = 0; i < Parent::PaletteCount; ++i)
        inPalette |= OleColors::toQColor(Parent::paletteColor(i)).rgb() == (suggestion | 0xFF000000u);
    QVERIFY(inPalette);
    QVERIFY(contrast(suggestion, qRgb(0, 0, 0)) >= 4.5);
    QVERIFY(!blue->icon(2).isNull());
}

void WebExportWindowTest::fitUnderABudgetThatNeedsTheCompactStream()
{
    RegisteredControl control;
    EditorSession session;
    QTemporaryDir dir;
    // Sixteen colours repeating along every row: each pixel differs from the
    // last, which the run-length stream pays for and the compact one does not.
    QImage picture = filled(qRgb(0, 0, 0));
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(16 * (x % 16), 255 - 16 * (x % 16), 90));
    showPicture(picture);
    WebExportWindow& w = openWindow();
    QVERIFY(settle(w));
    const qint64 compact = w.report().compactBytes;
    const qint64 exact = w.report().exactBytes;
    const qint64 budget = (compact / 1024 + 1) * 1024;
    QVERIFY2(budget < exact, qPrintable(QStringLiteral("%1 %2").arg(exact).arg(compact)));
    w.setBudgetBytes(budget);
    QVERIFY(settle(w));
    QVERIFY(!w.report().fitsBudget);
    QVERIFY(w.report().fit);
    QCOMPARE(int(w.report().fit->kind), int(FitStep::Compact));
    const QString said = part<QLabel>(w, "fitText")->text();
    QVERIFY2(
        said.contains(
            QStringLiteral("Over the %1 KB budget by %2").arg(budget / 1024).arg(QLocale().toString(exact - budget))),
        qPrintable(said));
    QVERIFY2(said.contains(QStringLiteral("compact stream")), qPrintable(said));
    QPushButton* fit = part<QPushButton>(w, "fitButton");
    QVERIFY(fit->isEnabled());
    fit->click();
    QVERIFY(settle(w));
    // The smallest change: only the stream.
    QVERIFY(part<QRadioButton>(w, "compactStream")->isChecked());
    QVERIFY(part<QCheckBox>(w, "interlaced")->isChecked());
    QCOMPARE(part<QSpinBox>(w, "colours")->value(), 256);
    QVERIFY(w.report().fitsBudget);
    QVERIFY(!fit->isEnabled());
    QVERIFY(part<QLabel>(w, "fitText")->text().startsWith(QStringLiteral("Fits")));
    const QString name = dir.filePath(QStringLiteral("fits.gif"));
    session.dialogs().answerFile(name);
    QVERIFY(w.exportGif());
    QVERIFY(QFileInfo(name).size() <= budget);
    QCOMPARE(QFileInfo(name).size(), compact);
}

void WebExportWindowTest::loadingPlaysTheFourPasses()
{
    EditorSession session;
    QImage picture = filled(qRgb(255, 255, 255));
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(0, (y * 4) % 256, 200));
    showPicture(picture);
    WebExportWindow& w = openWindow();
    QVERIFY(settle(w));
    QCOMPARE(w.report().passes.size(), 4);
    WebImageView* page = part<WebImageView>(w, "pagePreview");
    const QImage finished = page->image();
    part<QPushButton>(w, "playLoading")->click();
    QCOMPARE(w.loadingStage(), 0);
    QCOMPARE(page->image(), w.report().passes.at(0));
    // The first pass has only every eighth row: row 1 repeats row 0.
    QVERIFY(page->image() != finished);
    QCOMPARE(at(page->image(), 10, 1), at(finished, 10, 0));
    QTRY_COMPARE_WITH_TIMEOUT(w.loadingStage(), 1, 3 * WebExportWindow::LoadingStepMs);
    QCOMPARE(page->image(), w.report().passes.at(1));
    QTRY_COMPARE_WITH_TIMEOUT(w.loadingStage(), -1, 5 * WebExportWindow::LoadingStepMs);
    QCOMPARE(page->image(), finished);
}

void WebExportWindowTest::cancelWritesNothingAndFailuresAreSaid()
{
    EditorSession session;
    QTemporaryDir dir;
    showPicture(filled(qRgb(0, 0, 128)));
    WebExportWindow& w = openWindow();
    QVERIFY(settle(w));
    session.dialogs().answerFile(std::nullopt);
    QVERIFY(!w.exportGif());
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);
    QVERIFY(messagesShown(session.dialogs()).isEmpty());
    const ScriptedDialogs::Request asked = session.dialogs().requests().constLast();
    QCOMPARE(asked.kind, QStringLiteral("save"));
    QCOMPARE(asked.file.nameFilters, QStringList{QStringLiteral("GIF (*.gif)")});
    QCOMPARE(asked.file.defaultExt, QStringLiteral("gif"));

    // A folder that does not exist: said, and nothing written.
    const QString missing = dir.filePath(QStringLiteral("no/such/banner.gif"));
    session.dialogs().answerFile(missing);
    QVERIFY(!w.exportGif());
    QCOMPARE(messagesShown(session.dialogs()).size(), 1);
    QVERIFY(messagesShown(session.dialogs()).constFirst().contains(QStringLiteral("banner.gif")));
    QVERIFY(!QFileInfo::exists(missing));
    // The next dialog offers the name tried last.
    session.dialogs().answerFile(std::nullopt);
    w.exportGif();
    QCOMPARE(session.dialogs().requests().constLast().file.fileName, missing);

    // An empty banner cannot be exported, and says so, before any dialog.
    document().setSize(QSize(0, 60));
    QVERIFY(settle(w));
    QVERIFY(!w.report().ok());
    QVERIFY(!part<QPushButton>(w, "exportButton")->isEnabled());
    QVERIFY(!part<QLabel>(w, "status")->text().isEmpty());
    const qsizetype before = session.dialogs().requests().size();
    QVERIFY(!w.exportGif());
    QCOMPARE(session.dialogs().requests().size(), before + 1);
    QCOMPARE(session.dialogs().requests().constLast().kind, QStringLiteral("message"));
    QCOMPARE(session.dialogs().unexpected(), 0);
}

void WebExportWindowTest::bannerChangesReachTheOpenWindow()
{
    EditorSession session;
    showPicture(filled(qRgb(0, 0, 128)));
    WebExportWindow& w = openWindow();
    QVERIFY(settle(w));
    QCOMPARE(at(part<WebImageView>(w, "drawnPreview")->image(), 5, 5), qRgb(0, 0, 128));
    // Edited while the window is open: the window follows, without a click.
    document().setBackColor(OleColors::fromRgb(0, 128, 0));
    document().setPicture({});
    QVERIFY(w.isAnalysing());
    QVERIFY(settle(w));
    QCOMPARE(at(part<WebImageView>(w, "drawnPreview")->image(), 5, 5), qRgb(0, 128, 0));
    QCOMPARE(at(part<WebImageView>(w, "pagePreview")->image(), 5, 5), qRgb(0, 128, 0));
}

QTEST_MAIN(WebExportWindowTest)
#include "WebExportWindowTest.moc"
