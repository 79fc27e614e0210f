// CommonDialog1 and the small pieces under the forms: filters, default
// extensions, confirmed versus cancelled dialogs, number text, colours, font
// stand-ins and the drawn images.
#include "ScriptedDialogs.h"

#include "Artwork.h"
#include "CommonDialog.h"
#include "FontProperties.h"
#include "FontSubstitutes.h"
#include "ImageList.h"
#include "OleColor.h"
#include "QtDialogProvider.h"
#include "Twips.h"

#include <QFontInfo>
#include <QSet>
#include <QTest>
#include <cmath>

class CommonDialogTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { FontSubstitutes::install(); }

    void filterBecomesNameFilters_data();
    void filterBecomesNameFilters();
    void defaultExtAddedOnlyWithoutExtension_data();
    void defaultExtAddedOnlyWithoutExtension();
    void saveConfirmedKeepsNameAndCancelledLeavesItAlone();
    void openRequestCarriesFilterNameAndExtension();
    void colourConfirmedStoredRedLowCancelledUnchanged();
    void fontDialogStartsFromKeptPropertiesAndStoresChoice();
    void inputBoxTellsEmptyConfirmFromCancel();
    void promptCarriageReturnsShowAsLineBreaks();

    void singleTextIsShortestDecimal_data();
    void singleTextIsShortestDecimal();
    void twipsRoundToNearestPixel();
    void systemColoursResolveAndPlainColoursRoundTrip();
    void designFontNamesFindInstalledLookAlikes();
    void fontPropertiesRefuseBadValuesAndKeepFont();
    void toolbarImagesUseSixteenColoursOnMask();
    void imageListMasksSilverAndCountsFromOne();
};

void CommonDialogTest::filterBecomesNameFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("bmp save, blank before bar") << "BMP |*.bmp" << QStringList{"BMP (*.bmp)"};
    QTest::newRow("load with combined entry")
        << "BMP|*.bmp|GIF|*.gif|JPEG|*.jpg|All|*.bmp;*.gif;*.jpg"
        << QStringList{"BMP (*.bmp)", "GIF (*.gif)", "JPEG (*.jpg)", "All (*.bmp *.gif *.jpg)"};
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("description without pattern") << "Odd" << QStringList{"Odd (*)"};
    QTest::newRow("pattern without description") << "|*.gif" << QStringList{"*.gif (*.gif)"};
}

void CommonDialogTest::filterBecomesNameFilters()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(CommonDialog::toNameFilters(filter), expected);
}

void CommonDialogTest::defaultExtAddedOnlyWithoutExtension_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<QString>("expected");
    QTest::newRow("bare name") << "/tmp/banner"
                               << "bmp"
                               << "/tmp/banner.bmp";
    QTest::newRow("other extension kept") << "/tmp/banner.gif"
                                          << "bmp"
                                          << "/tmp/banner.gif";
    QTest::newRow("dot in folder only") << "/tmp/v1.0/banner"
                                        << "gif"
                                        << "/tmp/v1.0/banner.gif";
    QTest::newRow("no default") << "/tmp/banner"
                                << ""
                                << "/tmp/banner";
    QTest::newRow("empty name stays empty") << ""
                                            << "bmp"
                                            << "";
}

void CommonDialogTest::defaultExtAddedOnlyWithoutExtension()
{
    QFETCH(QString, name);
    QFETCH(QString, ext);
    QFETCH(QString, expected);
    QCOMPARE(CommonDialog::withDefaultExt(name, ext), expected);
}

void CommonDialogTest::saveConfirmedKeepsNameAndCancelledLeavesItAlone()
{
    auto dialogs = std::make_shared<ScriptedDialogs>();
    CommonDialog dialog(nullptr);
    dialog.setProvider(dialogs);
    dialog.setFilter(QStringLiteral("BMP |*.bmp"));
    dialog.setDefaultExt(QStringLiteral("bmp"));
    dialogs->answerFile(QStringLiteral("/tmp/first"));
    QCOMPARE(dialog.showSave(), DialogResult::Confirmed);
    QCOMPARE(dialog.fileName(), QStringLiteral("/tmp/first.bmp"));
    // A cancel is told apart and leaves the name of the last confirmed dialog.
    dialogs->answerFile(std::nullopt);
    QCOMPARE(dialog.showSave(), DialogResult::Cancelled);
    QCOMPARE(dialog.fileName(), QStringLiteral("/tmp/first.bmp"));
    // The next dialog opens pre-filled with it.
    dialogs->answerFile(std::nullopt);
    dialog.showSave();
    QCOMPARE(dialogs->requests().constLast().file.fileName, QStringLiteral("/tmp/first.bmp"));
}

void CommonDialogTest::openRequestCarriesFilterNameAndExtension()
{
    auto dialogs = std::make_shared<ScriptedDialogs>();
    CommonDialog dialog(nullptr);
    dialog.setProvider(dialogs);
    dialog.setFilter(QStringLiteral("GIF |*.gif"));
    dialog.setDefaultExt(QStringLiteral("gif"));
    dialog.setFileName(QStringLiteral("/tmp/x.gif"));
    dialogs->answerFile(QStringLiteral("/tmp/y.gif"));
    QCOMPARE(dialog.showOpen(), DialogResult::Confirmed);
    const FileDialogRequest& request = dialogs->requests().constLast().file;
    QCOMPARE(dialogs->requests().constLast().kind, QStringLiteral("open"));
    QCOMPARE(request.nameFilters, QStringList{"GIF (*.gif)"});
    QCOMPARE(request.fileName, QStringLiteral("/tmp/x.gif"));
    QCOMPARE(request.defaultExt, QStringLiteral("gif"));
    QCOMPARE(dialog.fileName(), QStringLiteral("/tmp/y.gif"));
}

void CommonDialogTest::colourConfirmedStoredRedLowCancelledUnchanged()
{
    auto dialogs = std::make_shared<ScriptedDialogs>();
    CommonDialog dialog(nullptr);
    dialog.setProvider(dialogs);
    QCOMPARE(dialog.color(), OleColors::Black);
    dialogs->answerColor(QColor(0x12, 0x34, 0x56));
    QCOMPARE(dialog.showColor(), DialogResult::Confirmed);
    QCOMPARE(dialog.color(), OleColor(0x00563412));
    dialogs->answerColor(std::nullopt);
    QCOMPARE(dialog.showColor(), DialogResult::Cancelled);
    QCOMPARE(dialog.color(), OleColor(0x00563412));
    // The dialog opens on the current colour.
    QCOMPARE(dialogs->requests().constLast().initialColor, QColor(0x12, 0x34, 0x56));
}

void CommonDialogTest::fontDialogStartsFromKeptPropertiesAndStoresChoice()
{
    auto dialogs = std::make_shared<ScriptedDialogs>();
    CommonDialog dialog(nullptr);
    dialog.setProvider(dialogs);
    dialog.setFontName(QStringLiteral("DejaVu Sans"));
    dialog.setFontItalic(true);
    dialogs->answerFont(FontChoice{QStringLiteral("Liberation Mono"), 11.5f, true, false, true, false});
    QCOMPARE(dialog.showFont(), DialogResult::Confirmed);
    const FontChoice& initial = dialogs->requests().constLast().initialFont;
    QCOMPARE(initial.name, QStringLiteral("DejaVu Sans"));
    QVERIFY(initial.italic);
    QCOMPARE(initial.size, 8.0f);
    QCOMPARE(dialog.fontName(), QStringLiteral("Liberation Mono"));
    QCOMPARE(dialog.fontSize(), 11.5f);
    QVERIFY(dialog.fontBold() && !dialog.fontItalic() && dialog.fontStrikethru() && !dialog.fontUnderline());
    dialogs->answerFont(std::nullopt);
    QCOMPARE(dialog.showFont(), DialogResult::Cancelled);
    QCOMPARE(dialog.fontName(), QStringLiteral("Liberation Mono"));
}

void CommonDialogTest::inputBoxTellsEmptyConfirmFromCancel()
{
    auto dialogs = std::make_shared<ScriptedDialogs>();
    CommonDialog dialog(nullptr);
    dialog.setProvider(dialogs);
    dialogs->answerInput(QString());
    const InputBoxAnswer confirmed = dialog.inputBox(QStringLiteral("p"), QStringLiteral("t"));
    QCOMPARE(confirmed.result, DialogResult::Confirmed);
    QVERIFY(confirmed.text.isEmpty());
    dialogs->answerInput(std::nullopt);
    const InputBoxAnswer cancelled = dialog.inputBox(QStringLiteral("p"), QStringLiteral("t"));
    QCOMPARE(cancelled.result, DialogResult::Cancelled);
    QVERIFY(cancelled.text.isEmpty());
}

void CommonDialogTest::promptCarriageReturnsShowAsLineBreaks()
{
    QCOMPARE(QtDialogProvider::displayText(QStringLiteral("a\r\rb\rc")), QStringLiteral("a\n\nb\nc"));
    QCOMPARE(QtDialogProvider::displayText(QStringLiteral("a\r\nb")), QStringLiteral("a\nb"));
}

void CommonDialogTest::singleTextIsShortestDecimal_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one") << 1.0f << "1";
    QTest::newRow("last pixel of a banner") << 468.0f << "468";
    QTest::newRow("half") << 81.5f << "81.5";
    QTest::newRow("tenth, no float noise") << 0.1f << "0.1";
    QTest::newRow("negative") << -3.0f << "-3";
    QTest::newRow("third of a pixel") << 80.0f / 15.0f << "5.3333335";
}

void CommonDialogTest::singleTextIsShortestDecimal()
{
    QFETCH(float, value);
    QFETCH(QString, expected);
    QCOMPARE(Twips::formatSingle(value), expected);
}

void CommonDialogTest::twipsRoundToNearestPixel()
{
    QCOMPARE(Twips::toPixels(1222.5f), 82); // half a pixel goes up
    QCOMPARE(Twips::toPixels(2242.5f), 150);
    QCOMPARE(Twips::toPixels(214.0f), 14);
    QCOMPARE(Twips::toPixels(-22.5f), -2);
    QCOMPARE(Twips::toPixels(1e30f), std::numeric_limits<int>::max());
    QCOMPARE(Twips::toPixels(std::nanf("")), std::numeric_limits<int>::min());
}

void CommonDialogTest::systemColoursResolveAndPlainColoursRoundTrip()
{
    QCOMPARE(OleColors::toQColor(0x00FF0000), QColor(0, 0, 255));
    QCOMPARE(OleColors::toQColor(0x000080FF), QColor(255, 128, 0));
    QCOMPARE(OleColors::fromQColor(QColor(255, 128, 0)), OleColor(0x000080FF));
    QCOMPARE(OleColors::toQColor(OleColors::SysActiveTitleText), QColor(Qt::white));
    QVERIFY(OleColors::isSystemColor(OleColors::SysAppWorkspace));
    QVERIFY(!OleColors::isSystemColor(0x00FFFFFF));
    QVERIFY(OleColors::toQColor(OleColors::SysButtonText).isValid());
}

void CommonDialogTest::designFontNamesFindInstalledLookAlikes()
{
    const QString sans = QFontInfo(QFont(QStringLiteral("MS Sans Serif"))).family();
    QVERIFY2(sans == QLatin1String("Liberation Sans") || sans == QLatin1String("DejaVu Sans"), qPrintable(sans));
    // Installed twice, so Qt names it with its foundry: "Z003 [urw]".
    QVERIFY(QFontInfo(QFont(QStringLiteral("Lucida Handwriting"))).family().startsWith(QLatin1String("Z003")));
    QVERIFY(FontSubstitutes::isAvailable(QStringLiteral("MS Sans Serif")));
    QVERIFY(FontSubstitutes::isAvailable(QStringLiteral("dejavu sans")));
    QVERIFY(!FontSubstitutes::isAvailable(QString()));
    QVERIFY(!FontSubstitutes::isAvailable(QStringLiteral("   ")));
    QVERIFY(!FontSubstitutes::isAvailable(QStringLiteral("No Such Typeface 7")));
}

void CommonDialogTest::fontPropertiesRefuseBadValuesAndKeepFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10.0);
    for (float bad : {0.0f, -4.0f, std::nanf(""), INFINITY, FontProperties::MaxPointSize * 2}) {
        QCOMPARE(FontProperties::setSize(font, bad), PropertyStatus::InvalidValue);
        QCOMPARE(font.pointSizeF(), 10.0);
    }
    QCOMPARE(FontProperties::setSize(font, 12.5f), PropertyStatus::Ok);
    QCOMPARE(font.pointSizeF(), 12.5);
    QCOMPARE(FontProperties::setName(font, QString()), PropertyStatus::InvalidValue);
    QCOMPARE(font.family(), QStringLiteral("DejaVu Sans"));
    QCOMPARE(FontProperties::setName(font, QStringLiteral("Lucida Handwriting")), PropertyStatus::Ok);
}

void CommonDialogTest::toolbarImagesUseSixteenColoursOnMask()
{
    static const QSet<QRgb> sixteen{qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
                                    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
                                    qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
                                    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
    QList<QImage> seen;
    for (int n = 1; n <= Artwork::ToolbarImageCount; ++n) {
        const QImage img = Artwork::toolbarImage(n).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(img.size(), QSize(35, 35));
        QCOMPARE(img.pixel(0, 0), qRgb(192, 192, 192)); // background is the mask colour
        int drawn = 0;
        for (int y = 0; y < 35; ++y)
            for (int x = 0; x < 35; ++x) {
                const QRgb p = img.pixel(x, y);
                QVERIFY2(sixteen.contains(p), qPrintable(QStringLiteral("image %1 at %2,%3").arg(n).arg(x).arg(y)));
                drawn += p != qRgb(192, 192, 192) ? 1 : 0;
            }
        QVERIFY(drawn > 100);
        QVERIFY(!seen.contains(img));
        seen << img;
    }
    QVERIFY(Artwork::toolbarImage(0).isNull());
    QVERIFY(Artwork::toolbarImage(8).isNull());
    QCOMPARE(Artwork::applicationIcon().size(), QSize(32, 32));
}

void CommonDialogTest::imageListMasksSilverAndCountsFromOne()
{
    ImageList list(QSize(35, 35), OleColors::fromRgb(0xC0, 0xC0, 0xC0));
    QImage img(35, 35, QImage::Format_RGB32);
    img.fill(qRgb(192, 192, 192));
    img.setPixel(5, 5, qRgb(255, 0, 0));
    list.add(img);
    list.add(QImage(10, 10, QImage::Format_RGB32)); // scaled to fit
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.image(2).size(), QSize(35, 35));
    QVERIFY(list.image(0).isNull());
    QVERIFY(list.image(3).isNull());
    const QImage shown = list.icon(1).pixmap(QSize(35, 35)).toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(qAlpha(shown.pixel(0, 0)), 0);
    QCOMPARE(shown.pixel(5, 5), qRgba(255, 0, 0, 255));
}

QTEST_MAIN(CommonDialogTest)
#include "CommonDialogTest.moc"
