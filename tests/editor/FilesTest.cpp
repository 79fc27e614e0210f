// The File commands that need no conversion control: Save (bmp) and Bitmap
// Format, Load, the dialog's filters and carried-over name, and what the
// user is told when a picture cannot be read or a file cannot be written.
#include "EditorSession.h"

#include "CommonDialog.h"
#include "Forms.h"
#include "FrmBanner.h"
#include "Parent.h"
#include "PictureFiles.h"

#include <QAction>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(PictureFiles::Status)

namespace {

FrmBanner& canvas() { return Forms::FrmBanner(); }
Parent& mainWindow() { return Forms::Parent(); }

// A banner with something on it: a red background and a quadrant picture.
void decorateBanner()
{
    canvas().setBackColor(0x000000FF);
    canvas().paintPicture(quadrants(QSize(20, 20), qRgb(0, 0, 255), qRgb(0, 255, 0), qRgb(255, 255, 0), qRgb(0, 0, 0)),
                          150, 150, 600, 300);
}

} // namespace

class FilesTest : public QObject {
    Q_OBJECT
private slots:
    void bothBmpEntriesWriteIdenticalBmpOfTheBanner();
    void gifNameInBmpDialogStillWritesBmp();
    void dialogsOfferTheirFiltersAndCarryTheName();
    void carriedNameTakesTheExtensionOfTheTypeSaved();
    void cancelledDialogsWriteAndLoadNothing();
    void failedSavesWarnAndLeaveNoFile();
    void zeroByZeroBannerIsRefusedLikeGifExport();
    void loadShowsPictureUnscaledAndCutsOffTheRest();
    void loadWithEmptyNameRemovesPicture();
    void metafilesLoadDrawnAtTheirOwnSize();
    void unreadablePicturesWarnAndLeaveCanvas_data();
    void unreadablePicturesWarnAndLeaveCanvas();
};

void FilesTest::bothBmpEntriesWriteIdenticalBmpOfTheBanner()
{
    EditorSession session;
    QTemporaryDir dir;
    decorateBanner();
    const QString viaSave = dir.filePath(QStringLiteral("save.bmp"));
    const QString viaBitmap = dir.filePath(QStringLiteral("bitmap.bmp"));
    session.dialogs().answerFile(viaSave);
    mainWindow().MnuSave->trigger();
    session.dialogs().answerFile(viaBitmap);
    mainWindow().MnuBmp->trigger();

    const QByteArray a = fileBytes(viaSave), b = fileBytes(viaBitmap);
    QVERIFY(!a.isEmpty());
    QCOMPARE(a, b);
    QVERIFY(a.startsWith("BM"));
    QImage read;
    QVERIFY(read.loadFromData(a, "BMP"));
    QCOMPARE(read.size(), QSize(468, 60));
    QCOMPARE(read.convertToFormat(QImage::Format_RGB32), canvas().image());
    QVERIFY(messagesShown(session.dialogs()).isEmpty());
}

void FilesTest::gifNameInBmpDialogStillWritesBmp()
{
    EditorSession session;
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("banner.gif"));
    session.dialogs().answerFile(name);
    mainWindow().MnuSave_Click();
    QVERIFY(fileBytes(name).startsWith("BM"));
    QVERIFY(!QFile::exists(name + QStringLiteral(".bmp")));
}

void FilesTest::dialogsOfferTheirFiltersAndCarryTheName()
{
    EditorSession session;
    QTemporaryDir dir;
    // A name without extension takes the default one.
    session.dialogs().answerFile(dir.filePath(QStringLiteral("first")));
    mainWindow().MnuBmp_Click();
    const ScriptedDialogs::Request save = session.dialogs().requests().constLast();
    QCOMPARE(save.file.nameFilters, QStringList{QStringLiteral("BMP (*.bmp)")});
    QCOMPARE(mainWindow().CommonDialog1->filter(), QStringLiteral("BMP |*.bmp"));
    QCOMPARE(save.file.defaultExt, QStringLiteral("bmp"));
    const QString written = dir.filePath(QStringLiteral("first.bmp"));
    QVERIFY(QFile::exists(written));

    // Load: its own filter, the save's default extension, the name chosen last.
    session.dialogs().answerFile(std::nullopt);
    mainWindow().MnuLoad_Click();
    const ScriptedDialogs::Request open = session.dialogs().requests().constLast();
    QCOMPARE(open.kind, QStringLiteral("open"));
    QCOMPARE(open.file.nameFilters,
             (QStringList{QStringLiteral("BMP (*.bmp)"), QStringLiteral("GIF (*.gif)"), QStringLiteral("JPEG (*.jpg)"),
                          QStringLiteral("All (*.bmp *.gif *.jpg)")}));
    QCOMPARE(open.file.defaultExt, QStringLiteral("bmp"));
    QCOMPARE(open.file.fileName, written);
}

void FilesTest::carriedNameTakesTheExtensionOfTheTypeSaved()
{
    EditorSession session;
    QTemporaryDir dir;
    const QString photo = dir.filePath(QStringLiteral("photo.JPG"));
    writePicture(quadrants(QSize(8, 8), qRgb(255, 0, 0), qRgb(255, 0, 0), qRgb(255, 0, 0), qRgb(255, 0, 0)), photo,
                 "jpg");
    const QByteArray photoBytes = fileBytes(photo);
    session.dialogs().answerFile(photo);
    mainWindow().MnuLoad_Click();
    QCOMPARE(mainWindow().CommonDialog1->fileName(), photo);

    // The save dialog opens on the loaded name with ".bmp" in place of ".JPG".
    session.dialogs().answerFile(std::nullopt);
    mainWindow().MnuSave_Click();
    QCOMPARE(session.dialogs().requests().constLast().file.fileName, dir.filePath(QStringLiteral("photo.bmp")));
    // Cancelling changes no property.
    QCOMPARE(mainWindow().CommonDialog1->fileName(), photo);
    QCOMPARE(fileBytes(photo), photoBytes);

    // A name its filter accepts, in any case, is offered as it is.
    const QString upper = dir.filePath(QStringLiteral("banner.BMP"));
    mainWindow().CommonDialog1->setFileName(upper);
    session.dialogs().answerFile(std::nullopt);
    mainWindow().MnuBmp_Click();
    QCOMPARE(session.dialogs().requests().constLast().file.fileName, upper);

    QCOMPARE(CommonDialog::saveName(QStringLiteral("/a.b/banner.gif"), QStringLiteral("BMP |*.bmp"),
                                    QStringLiteral("bmp")),
             QStringLiteral("/a.b/banner.bmp"));
    QCOMPARE(CommonDialog::saveName(QStringLiteral("/a.b/banner"), QStringLiteral("BMP |*.bmp"), QStringLiteral("bmp")),
             QStringLiteral("/a.b/banner"));
    QCOMPARE(CommonDialog::saveName(QStringLiteral("x.tar.bmp"), QStringLiteral("GIF |*.gif"), QStringLiteral("gif")),
             QStringLiteral("x.tar.gif"));
}

void FilesTest::cancelledDialogsWriteAndLoadNothing()
{
    EditorSession session;
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("kept.bmp"));
    session.dialogs().answerFile(name);
    mainWindow().MnuSave_Click();
    QVERIFY(QFile::remove(name));
    // The dialog still holds that name; cancelling must not write it again...
    session.dialogs().answerFile(std::nullopt);
    mainWindow().MnuSave_Click();
    QVERIFY(!QFile::exists(name));
    QCOMPARE(mainWindow().CommonDialog1->fileName(), name);

    // ...nor load it again.
    writePicture(quadrants(QSize(8, 8), qRgb(255, 0, 0), qRgb(255, 0, 0), qRgb(255, 0, 0), qRgb(255, 0, 0)), name,
                 "bmp");
    session.dialogs().answerFile(std::nullopt);
    mainWindow().MnuLoad_Click();
    QVERIFY(canvas().picture().isNull());
}

void FilesTest::failedSavesWarnAndLeaveNoFile()
{
    EditorSession session;
    QTemporaryDir dir;
    const QString missingFolder = dir.filePath(QStringLiteral("no-such-folder/banner.bmp"));
    session.dialogs().answerFile(missingFolder);
    mainWindow().MnuSave_Click();
    QCOMPARE(messagesShown(session.dialogs()).size(), 1);
    QVERIFY(messagesShown(session.dialogs()).constFirst().contains(QStringLiteral("banner.bmp")));
    QCOMPARE(session.dialogs().requests().constLast().title, QStringLiteral("Velnora"));

    // A file in the way of the temporary file's rename: a folder of that name.
    const QString folder = dir.filePath(QStringLiteral("taken.bmp"));
    QVERIFY(QDir().mkpath(folder));
    session.dialogs().answerFile(folder);
    mainWindow().MnuSave_Click();
    QCOMPARE(messagesShown(session.dialogs()).size(), 2);
    QVERIFY(QFileInfo(folder).isDir());
    // Nothing half-written was left behind beside it.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
}

void FilesTest::zeroByZeroBannerIsRefusedLikeGifExport()
{
    EditorSession session;
    QTemporaryDir dir;
    decorateBanner();
    // OK in the size dialog without a drag: 0 x 0.
    QCOMPARE(canvas().setHeightTwips(0), PropertyStatus::Ok);
    QCOMPARE(canvas().setWidthTwips(0), PropertyStatus::Ok);
    QVERIFY(canvas().image().isNull());
    const QString empty = dir.filePath(QStringLiteral("empty.bmp"));
    session.dialogs().answerFile(empty);
    mainWindow().MnuSave_Click();
    QVERIFY(!QFile::exists(empty));
    QCOMPARE(session.dialogs().count(QStringLiteral("save")), 0);
    QCOMPARE(messagesShown(session.dialogs()).size(), 1);
    const QString bmpMessage = messagesShown(session.dialogs()).constLast();
    QVERIFY(bmpMessage.contains(QStringLiteral("no pixels")));
    // GIF export says the same, whether or not the control is there.
    mainWindow().MnuGif_Click();
    QCOMPARE(messagesShown(session.dialogs()).size(), 2);
    QCOMPARE(messagesShown(session.dialogs()).constLast(), bmpMessage);
    QCOMPARE(session.dialogs().count(QStringLiteral("save")), 0);

    // One side of 0 is as empty as both.
    QCOMPARE(canvas().setWidthTwips(15 * 40), PropertyStatus::Ok);
    QVERIFY(canvas().image().isNull());
    mainWindow().MnuBmp_Click();
    QCOMPARE(messagesShown(session.dialogs()).size(), 3);
    QVERIFY(!QFile::exists(empty));
}

void FilesTest::loadShowsPictureUnscaledAndCutsOffTheRest()
{
    EditorSession session;
    QTemporaryDir dir;
    // 600 x 100: larger than the 468 x 60 canvas both ways.
    const QImage big = quadrants(QSize(600, 100), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(9, 9, 9));
    const QString name = dir.filePath(QStringLiteral("big.png"));
    writePicture(big, name, "png");
    session.dialogs().answerFile(name);
    mainWindow().MnuLoad->trigger();
    QCOMPARE(canvas().scaleWidthTwips(), 7020.0f);
    QCOMPARE(canvas().scaleHeightTwips(), 900.0f);
    QCOMPARE(canvas().image(), big.copy(0, 0, 468, 60));
    // Green starts at x 300 and blue at y 50; black, beyond both, never shows.
    QCOMPARE(countPixels(canvas().image(), qRgb(9, 9, 9)), 10 * 168);
}

void FilesTest::loadWithEmptyNameRemovesPicture()
{
    EditorSession session;
    canvas().setBackColor(0x00123456);
    const QImage plain = canvas().image();
    canvas().setPicture(quadrants(QSize(40, 40), qRgb(1, 2, 3), qRgb(1, 2, 3), qRgb(1, 2, 3), qRgb(1, 2, 3)));
    QVERIFY(canvas().image() != plain);
    QVERIFY(mainWindow().loadCanvasPicture(QString()));
    QVERIFY(canvas().picture().isNull());
    QCOMPARE(canvas().image(), plain);
    QVERIFY(messagesShown(session.dialogs()).isEmpty());
}

void FilesTest::metafilesLoadDrawnAtTheirOwnSize()
{
    const QString data = QStringLiteral(VELNORA_SOURCE_DIR "/tests/data/metafile/");
    // Placeable: a box of 1369 units at 1200 per inch is 109 pixels at 96 dpi;
    // the red circle lies towards the lower right, partly outside the box.
    const PictureFiles::Loaded wmf = PictureFiles::loadPicture(data + QStringLiteral("pillow-drawing.wmf"));
    QCOMPARE(wmf.status, PictureFiles::Status::Ok);
    QCOMPARE(wmf.picture.size(), QSize(109, 109));
    QCOMPARE(wmf.picture.pixel(80, 80), qRgb(255, 0, 0));
    QCOMPARE(wmf.picture.pixel(5, 5), qRgb(255, 255, 255));
    // Enhanced: a frame of 28.99 mm is 110 pixels, and the circle fills it.
    const PictureFiles::Loaded emf = PictureFiles::loadPicture(data + QStringLiteral("pillow-drawing.emf"));
    QCOMPARE(emf.status, PictureFiles::Status::Ok);
    QCOMPARE(emf.picture.size(), QSize(110, 110));
    QCOMPARE(emf.picture.pixel(55, 55), qRgb(255, 0, 0));
    QCOMPARE(emf.picture.pixel(2, 2), qRgb(255, 255, 255));

    // Load puts it behind the banner unscaled, like any picture.
    EditorSession session;
    canvas().setBackColor(0x00FFFFFF);
    QVERIFY(mainWindow().loadCanvasPicture(data + QStringLiteral("pillow-drawing.emf")));
    QCOMPARE(canvas().image().pixel(55, 55), qRgb(255, 0, 0));
    QVERIFY(messagesShown(session.dialogs()).isEmpty());
}

void FilesTest::unreadablePicturesWarnAndLeaveCanvas_data()
{
    QTest::addColumn<QByteArray>("content"); // null: no file at all
    QTest::addColumn<PictureFiles::Status>("expected");
    QTest::newRow("missing file") << QByteArray() << PictureFiles::Status::NotFound;
    QTest::newRow("text named .bmp") << QByteArray("just some words, no picture") << PictureFiles::Status::NotAPicture;
    QTest::newRow("empty file") << QByteArray("", 0) << PictureFiles::Status::NotAPicture;
    // A PNG whose header chunk claims 100000 x 100000 pixels of RGB: its
    // size is known before decoding and is beyond what the platform makes.
    const unsigned char hugePng[] = {
        0x89, 'P',  'N',  'G',  0x0D, 0x0A, 0x1A, 0x0A, // signature
        0,    0,    0,    13,   'I',  'H',  'D',  'R',  // chunk length, type
        0x00, 0x01, 0x86, 0xA0, 0x00, 0x01, 0x86, 0xA0, // width, height 100000
        8,    2,    0,    0,    0,                      // 8 bits, RGB, deflate, no filter, no interlace
        0x27, 0x30, 0x9C, 0x9F,                         // CRC of type and data
        0,    0,    0,    16,   'I',  'D',  'A',  'T',  // pixel data follows (cut short):
        0,    0,    0,    0,    0,    0,    0,    0,    // the header counts as read only here
    };
    QTest::newRow("png claiming 100000 x 100000")
        << QByteArray(reinterpret_cast<const char*>(hugePng), sizeof hugePng) << PictureFiles::Status::TooLarge;

    // Placeable metafile headers: key, handle, box left, top, right, bottom,
    // units per inch, reserved, checksum; then (here) no standard header.
    const auto placeable = [](std::int16_t right, std::int16_t bottom, std::uint16_t perInch) {
        QByteArray head("\xD7\xCD\xC6\x9A\0\0\0\0\0\0", 10);
        for (const std::uint16_t v : {std::uint16_t(right), std::uint16_t(bottom), perInch, std::uint16_t(0),
                                      std::uint16_t(0), std::uint16_t(0)})
            head += char(v & 0xFF), head += char(v >> 8);
        return head + QByteArray("records?", 8);
    };
    QTest::newRow("placeable key, no metafile") << placeable(100, 100, 96) << PictureFiles::Status::NotAPicture;
    QTest::newRow("placeable box of no size") << placeable(0, 100, 96) << PictureFiles::Status::NotAPicture;
    QTest::newRow("placeable 32767 units at 1 per inch")
        << placeable(32767, 32767, 1) << PictureFiles::Status::TooLarge;
    // An enhanced metafile header record whose size runs past the file.
    QByteArray emf(88, '\0');
    emf[0] = 1, emf[4] = char(0xFF), emf[5] = char(0xFF);
    emf.replace(40, 4, QByteArray(" EMF", 4));
    QTest::newRow("enhanced header past the end") << emf << PictureFiles::Status::NotAPicture;
}

void FilesTest::unreadablePicturesWarnAndLeaveCanvas()
{
    QFETCH(QByteArray, content);
    QFETCH(PictureFiles::Status, expected);
    EditorSession session;
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("bad.bmp"));
    if (!content.isNull()) {
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QCOMPARE(PictureFiles::loadPicture(name).status, expected);

    canvas().setPicture(quadrants(QSize(10, 10), qRgb(7, 7, 7), qRgb(7, 7, 7), qRgb(7, 7, 7), qRgb(7, 7, 7)));
    const QImage before = canvas().image();
    QVERIFY(!mainWindow().loadCanvasPicture(name));
    QCOMPARE(canvas().image(), before);
    const QStringList shown = messagesShown(session.dialogs());
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.constFirst().contains(QStringLiteral("bad.bmp")), qPrintable(shown.constFirst()));
    // The reason in brackets is part of the sentence, which ends once.
    QVERIFY2(!shown.constFirst().contains(QStringLiteral(".)")), qPrintable(shown.constFirst()));
    QVERIFY2(shown.constFirst().endsWith(QLatin1Char('.')), qPrintable(shown.constFirst()));
}

QTEST_MAIN(FilesTest)
#include "FilesTest.moc"
