// The banner document on its own, with no window: the editing commands, the
// size rules of the persistent image, the printed text list and the file
// operations.
#include "BannerDocument.h"
#include "Twips.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr OleColor Red = OleColors::fromRgb(255, 0, 0);
constexpr OleColor Blue = OleColors::fromRgb(0, 0, 255);
constexpr OleColor Green = OleColors::fromRgb(0, 128, 0);

// Pixels of the image that differ from the colour.
int pixelsOtherThan(const QImage& image, OleColor c)
{
    const QRgb want = OleColors::toQColor(c).rgb();
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) != want;
    return n;
}

QImage solid(int w, int h, OleColor c)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(OleColors::toQColor(c));
    return image;
}

// A document with a picture, a back colour and one printed text.
void decorate(BannerDocument& doc)
{
    doc.setBackColor(Blue);
    doc.setPicture(solid(20, 10, Red));
    doc.setForeColor(OleColors::Black);
    doc.setCurrentX(Twips::fromPixels(100));
    doc.setCurrentY(Twips::fromPixels(10));
    doc.print(QStringLiteral("HELLO"));
}

} // namespace

class DocumentTest : public QObject {
    Q_OBJECT
private slots:
    void startsAsAStandardBanner()
    {
        BannerDocument doc;
        QCOMPARE(doc.size(), QSize(468, 60));
        const QImage image = doc.image();
        QCOMPARE(image.size(), QSize(468, 60));
        QCOMPARE(pixelsOtherThan(image, doc.backColor()), 0);
        QVERIFY(doc.textItems().isEmpty());
    }

    void printRecordsEachTextAndAdvancesALine()
    {
        BannerDocument doc;
        doc.setBackColor(OleColors::White);
        doc.setForeColor(Red);
        QCOMPARE(doc.setFontSize(14.0f), PropertyStatus::Ok);
        doc.setFontBold(true);
        QSignalSpy items(&doc, &BannerDocument::textItemsChanged);
        QSignalSpy pixels(&doc, &BannerDocument::imageChanged);

        doc.setCurrentX(Twips::fromPixels(30));
        doc.setCurrentY(Twips::fromPixels(5));
        doc.print(QStringLiteral("Sale"));
        QCOMPARE(items.count(), 1);
        QVERIFY(pixels.count() >= 1);
        QCOMPARE(doc.currentX(), 0.0f);
        QVERIFY(doc.currentY() > Twips::fromPixels(5));

        // An empty text moves the position on and records nothing.
        const float before = doc.currentY();
        doc.print(QString());
        QCOMPARE(items.count(), 1);
        QVERIFY(doc.currentY() > before);

        doc.setForeColor(Green);
        doc.print(QStringLiteral("today"));
        QCOMPARE(doc.textItems().size(), 2);
        const BannerTextItem& first = doc.textItems().at(0);
        QCOMPARE(first.text, QStringLiteral("Sale"));
        QCOMPARE(first.color, Red);
        QCOMPARE(first.position, QPointF(30, 5));
        QCOMPARE(first.font.pointSizeF(), 14.0);
        QVERIFY(first.font.bold());
        QCOMPARE(doc.textItems().at(1).color, Green);
        QCOMPARE(doc.textItems().at(1).position.x(), 0.0);

        // The text is in the pixels, in its colour, to the right of its corner.
        const QImage image = doc.image();
        bool red = false;
        for (int y = 5; y < 30 && !red; ++y)
            for (int x = 30; x < 120 && !red; ++x)
                red = image.pixelColor(x, y) == QColor(255, 0, 0);
        QVERIFY(red);
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 30; ++x)
                QVERIFY(image.pixelColor(x, y) != QColor(255, 0, 0));
    }

    void newLeavesAWhiteBannerAndKeepsTheRest()
    {
        BannerDocument doc;
        decorate(doc);
        doc.setForeColor(Green);
        QCOMPARE(doc.setFontName(QString()), PropertyStatus::InvalidValue);
        const QFont font = doc.font();
        QSignalSpy swatch(&doc, &BannerDocument::backgroundSwatch);
        QSignalSpy items(&doc, &BannerDocument::textItemsChanged);

        doc.newBanner();
        QCOMPARE(pixelsOtherThan(doc.image(), OleColors::White), 0);
        QCOMPARE(doc.backColor(), OleColors::White);
        QVERIFY(doc.picture().isNull());
        QVERIFY(doc.textItems().isEmpty());
        QCOMPARE(items.count(), 1);
        QCOMPARE(doc.size(), QSize(468, 60));
        QCOMPARE(doc.foreColor(), Green);
        QCOMPARE(doc.font(), font);
        // The background swatch keeps the old colour.
        QCOMPARE(swatch.count(), 0);
    }

    void clearKeepsOnlyTheBackgroundColour()
    {
        BannerDocument doc;
        decorate(doc);
        QVERIFY(pixelsOtherThan(doc.image(), Blue) > 200);
        doc.clear();
        QCOMPARE(pixelsOtherThan(doc.image(), Blue), 0);
        QCOMPARE(doc.backColor(), Blue);
        QVERIFY(doc.textItems().isEmpty());
    }

    void backColourWipesDrawingButKeepsThePicture()
    {
        BannerDocument doc;
        decorate(doc);
        doc.paintPicture(solid(4, 4, Green), Twips::fromPixels(300), 0, Twips::fromPixels(10), Twips::fromPixels(10));
        QCOMPARE(doc.image().pixelColor(305, 5), QColor(0, 128, 0));
        doc.setBackColor(OleColors::White);
        const QImage image = doc.image();
        QCOMPARE(image.pixelColor(5, 5), QColor(255, 0, 0));
        QCOMPARE(image.pixelColor(305, 5), QColor(255, 255, 255));
        QCOMPARE(pixelsOtherThan(image.copy(20, 0, 448, 60), OleColors::White), 0);
        QVERIFY(doc.textItems().isEmpty());
    }

    void armedPickShowsTheColourInTheSwatch()
    {
        BannerDocument doc;
        QSignalSpy swatch(&doc, &BannerDocument::backgroundSwatch);
        doc.pickBackColor(OleColors::White);
        QCOMPARE(swatch.count(), 1);
        QCOMPARE(swatch.at(0).at(0).value<OleColor>(), OleColors::White);
        QCOMPARE(pixelsOtherThan(doc.image(), OleColors::White), 0);
        doc.showBackColor();
        QCOMPARE(swatch.count(), 2);
    }

    void sizeCutsWhatNoLongerFitsAndGrowsOnTheBackground()
    {
        BannerDocument doc;
        decorate(doc);
        doc.setCurrentX(Twips::fromPixels(5));
        doc.setCurrentY(Twips::fromPixels(40));
        doc.print(QStringLiteral("low"));
        QCOMPARE(doc.textItems().size(), 2);
        QSignalSpy sized(&doc, &BannerDocument::sizeChanged);

        // Height 30 cuts the lower text off whole; the upper one stays.
        QCOMPARE(doc.setSize(QSize(468, 30)), PropertyStatus::Ok);
        QCOMPARE(sized.count(), 1);
        QCOMPARE(doc.image().size(), QSize(468, 30));
        QCOMPARE(doc.textItems().size(), 1);
        QCOMPARE(doc.textItems().at(0).text, QStringLiteral("HELLO"));

        // Growing back shows background colour and picture, not the old text.
        QCOMPARE(doc.setSize(QSize(468, 60)), PropertyStatus::Ok);
        const QImage grown = doc.image();
        QCOMPARE(pixelsOtherThan(grown.copy(0, 30, 468, 30), Blue), 0);
        QCOMPARE(grown.pixelColor(5, 5), QColor(255, 0, 0));

        QCOMPARE(doc.setSize(QSize(-1, 60)), PropertyStatus::InvalidValue);
        QCOMPARE(doc.setSize(QSize(BannerDocument::MaxSidePixels + 1, 60)), PropertyStatus::InvalidValue);
        QCOMPARE(doc.size(), QSize(468, 60));
        QCOMPARE(doc.setSize(QSize(BannerDocument::MaxSidePixels, 1)), PropertyStatus::Ok);
        QCOMPARE(doc.image().size(), QSize(BannerDocument::MaxSidePixels, 1));
    }

    void aBannerWithoutPixelsHasNoImageAndIsNotSaved()
    {
        BannerDocument doc;
        decorate(doc);
        QCOMPARE(doc.setSize(QSize(0, 0)), PropertyStatus::Ok);
        QVERIFY(doc.image().isNull());
        QVERIFY(doc.textItems().isEmpty());
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("empty.bmp"));
        QCOMPARE(doc.save(name), PictureFiles::Status::EmptyPicture);
        QVERIFY(!QFile::exists(name));
        // Growing again shows the background, not the earlier content.
        QCOMPARE(doc.setSize(QSize(468, 60)), PropertyStatus::Ok);
        QCOMPARE(doc.image().pixelColor(200, 20), QColor(0, 0, 255));
    }

    void savesAndLoadsThroughFiles()
    {
        QTemporaryDir dir;
        BannerDocument doc;
        decorate(doc);
        const QString name = dir.filePath(QStringLiteral("banner.gif")); // BMP whatever the name says
        QCOMPARE(doc.save(name), PictureFiles::Status::Ok);
        QFile file(name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(2), QByteArray("BM"));
        file.close();

        // Loaded as the background picture of another banner: same pixels.
        BannerDocument other;
        QCOMPARE(other.load(name).status, PictureFiles::Status::Ok);
        QCOMPARE(other.image().convertToFormat(QImage::Format_RGB32),
                 doc.image().convertToFormat(QImage::Format_RGB32));

        // A larger picture is cut at the banner's edges; the size stays.
        const QString big = dir.filePath(QStringLiteral("big.bmp"));
        QVERIFY(solid(600, 100, Green).save(big, "BMP"));
        QCOMPARE(other.load(big).status, PictureFiles::Status::Ok);
        QCOMPARE(other.size(), QSize(468, 60));
        QCOMPARE(pixelsOtherThan(other.image(), Green), 0);

        // A missing file leaves the banner as it was; an empty name removes
        // the picture.
        QCOMPARE(other.load(dir.filePath(QStringLiteral("missing.bmp"))).status, PictureFiles::Status::NotFound);
        QCOMPARE(other.picture().size(), QSize(600, 100));
        QCOMPARE(other.load(QString()).status, PictureFiles::Status::Ok);
        QVERIFY(other.picture().isNull());
        QCOMPARE(pixelsOtherThan(other.image(), other.backColor()), 0);
    }

    void refusedFontValuesLeaveTheFontAlone()
    {
        BannerDocument doc;
        const QFont before = doc.font();
        QCOMPARE(doc.setFontName(QString()), PropertyStatus::InvalidValue);
        QCOMPARE(doc.setFontSize(-3.0f), PropertyStatus::InvalidValue);
        QCOMPARE(doc.font(), before);
        doc.setFontItalic(true);
        doc.setFontUnderline(true);
        doc.setFontStrikethru(true);
        QVERIFY(doc.font().italic() && doc.font().underline() && doc.font().strikeOut());
    }
};

int main(int argc, char** argv)
{
    // No widgets: a plain GUI application gives fonts and images.
    QGuiApplication app(argc, argv);
    DocumentTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DocumentTest.moc"
