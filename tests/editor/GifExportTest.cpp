// GIF export through the registered conversion control: Pictafor1 created
// from its stored settings, the export's order and dialog, the file it
// writes (read back by an independent decoder), and what the user is told
// when the control, the clipboard or the target cannot be used.
#include "EditorSession.h"
#include "GifFile.h"

#include "../registry/ScopedRegistry.h"

#include "Clipboard.h"
#include "CommonDialog.h"
#include "Forms.h"
#include "FrmBanner.h"
#include "Parent.h"
#include "PictaforControl.h"
#include "PictureBox.h"

#include <com/DispatchHelpers.h>
#include <com/MemoryStream.h>
#include <com/Persist.h>
#include <com/Variant.h>
#include <registry/Registry.h>

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace plat::com;

namespace {

FrmBanner& canvas() { return Forms::FrmBanner(); }
Parent& mainWindow() { return Forms::Parent(); }

QString builtLibrary() { return QStringLiteral(VELNORA_BINARY_DIR "/bin/libpictaf.so"); }

// A registry of the test's own with the built control registered in it, as
// velnora-regsvr would; and no library beside the program to fall back on.
struct RegisteredControl {
    ScopedRegistry registry{"gif-export"};
    QTemporaryDir emptyInstall;
    explicit RegisteredControl(bool registered = true)
    {
        PictaforControl::setInstallDirectory(emptyInstall.path());
        if (registered)
            QCOMPARE(PictaforControl::registerLibrary(builtLibrary()), S_OK);
    }
    ~RegisteredControl() { PictaforControl::setInstallDirectory({}); }
};

std::int32_t typeProperty()
{
    Variant v;
    if (FAILED(DispatchGetProperty(mainWindow().Pictafor1->dispatch(), PictaforControl::DispidType, v))
        || v.vt != VT_I4)
        return -99;
    return v.lVal;
}

// A clipboard that cannot be opened.
class BrokenClipboard final : public Clipboard {
public:
    void clear() override {}
    bool setPicture(const QImage&) override { return false; }
    QImage picture() const override { return {}; }
};

// A banner in a palette colour without white in it, with a white-free text.
void paintBanner()
{
    Mouse::click(mainWindow().palette[5], Qt::LeftButton, QPoint(8, 8)); // light green
    mainWindow().armBackColor();
    Mouse::click(&canvas(), Qt::LeftButton, QPoint(20, 20));
    Mouse::click(mainWindow().palette[8], Qt::LeftButton, QPoint(8, 8)); // blue text
    canvas().setFontSize(20.0f);
    canvas().setCurrentX(300);
    canvas().setCurrentY(150);
    canvas().print(QStringLiteral("Spring Sale"));
}

} // namespace

class GifExportTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { Clipboard::setSystem(nullptr); }
    void controlLoadsItsStoredSettings();
    void exportWritesInterlacedTransparentGifOfTheBanner();
    void exportUsesTheBannerSizeInPixels();
    void cancelledExportLeavesBannerOnClipboardAndWritesNothing();
    void nameCarriedFromBmpSaveIsOfferedAsGif();
    void exportToAPipeIsRefusedWithAMessage();
    void unregisteredControlExplainsAndTouchesNothing();
    void libraryBesideTheProgramIsRegisteredFirst();
    void unusableClipboardStopsBeforeTheDialog();
    void unwritableTargetIsReported();
    void emptyBannerIsReportedNotExported();
};

void GifExportTest::controlLoadsItsStoredSettings()
{
    RegisteredControl control;
    EditorSession session;
    PictaforControl* pictafor = mainWindow().Pictafor1;
    QVERIFY2(pictafor->isAvailable(), qPrintable(pictafor->problem()));
    QCOMPARE(pictafor->objectName(), QStringLiteral("Pictafor1"));
    Variant v;
    QCOMPARE(DispatchGetProperty(pictafor->dispatch(), 1, v), S_OK);
    QCOMPARE(v.ulVal & 0xFFFFFFFFu, 0x00FFFFFFu); // BgColor white
    QCOMPARE(DispatchGetProperty(pictafor->dispatch(), 2, v), S_OK);
    QCOMPARE(v.vt, VARTYPE(VT_BOOL));
    QCOMPARE(v.boolVal, VARIANT_BOOL(-1)); // Interlaced
    QCOMPARE(DispatchGetProperty(pictafor->dispatch(), 3, v), S_OK);
    QCOMPARE(v.boolVal, VARIANT_BOOL(-1)); // Transparent
    QCOMPARE(typeProperty(), 1);
    // Saved again, the control gives back exactly the form's stored bytes.
    ComPtr<IPersistStreamInit> persist;
    QCOMPARE(pictafor->dispatch()->QueryInterface(IPersistStreamInit::kIID, persist.put_void()), S_OK);
    ComPtr<IStream> saved = CreateMemoryStream();
    QCOMPARE(persist->Save(saved.get(), true), S_OK);
    const std::vector<std::uint8_t> bytes = MemoryStreamBytes(saved.get());
    QCOMPARE(std::vector<std::uint8_t>(PictaforControl::StoredStream.begin(), PictaforControl::StoredStream.end()),
             bytes);
}

void GifExportTest::exportWritesInterlacedTransparentGifOfTheBanner()
{
    RegisteredControl control;
    EditorSession session;
    QTemporaryDir dir;
    paintBanner();
    const QImage banner = canvas().image();
    QVERIFY(countPixels(banner, qRgb(255, 255, 255)) == 0);
    const QString name = dir.filePath(QStringLiteral("banner.gif"));
    session.dialogs().answerFile(name);
    mainWindow().MnuGif->trigger();
    QVERIFY2(messagesShown(session.dialogs()).isEmpty(), qPrintable(messagesShown(session.dialogs()).join('\n')));

    const ScriptedDialogs::Request asked = session.dialogs().requests().constLast();
    QCOMPARE(asked.kind, QStringLiteral("save"));
    QCOMPARE(asked.file.nameFilters, QStringList{QStringLiteral("GIF (*.gif)")});
    QCOMPARE(asked.file.defaultExt, QStringLiteral("gif"));
    QCOMPARE(mainWindow().CommonDialog1->filter(), QStringLiteral("GIF |*.gif"));

    QString why;
    const std::optional<DecodedGif> gif = readGif(name, &why);
    QVERIFY2(gif, qPrintable(why));
    QCOMPARE(gif->signature, QByteArray("GIF89a"));
    QCOMPARE(gif->size, QSize(468, 60));
    QVERIFY(gif->interlaced);
    // White is the control's background colour: entry 0, marked transparent
    // although the banner has no white in it.
    QCOMPARE(gif->transparentIndex, 0);
    QCOMPARE(gif->colours.value(0), qRgb(255, 255, 255));
    QCOMPARE(gif->rgb(), banner);
}

void GifExportTest::exportUsesTheBannerSizeInPixels()
{
    RegisteredControl control;
    EditorSession session;
    QTemporaryDir dir;
    QCOMPARE(canvas().setHeightTwips(37 * 15), PropertyStatus::Ok);
    QCOMPARE(canvas().setWidthTwips(123 * 15), PropertyStatus::Ok);
    canvas().setBackColor(0x00000080);
    const QString name = dir.filePath(QStringLiteral("small"));
    session.dialogs().answerFile(name);
    mainWindow().exportGif();
    const std::optional<DecodedGif> gif = readGif(name + QStringLiteral(".gif"));
    QVERIFY(gif);
    QCOMPARE(gif->size, QSize(123, 37));
    QCOMPARE(gif->rgb(), canvas().image());
}

void GifExportTest::cancelledExportLeavesBannerOnClipboardAndWritesNothing()
{
    RegisteredControl control;
    EditorSession session;
    QTemporaryDir dir;
    paintBanner();
    QCOMPARE(DispatchPutProperty(mainWindow().Pictafor1->dispatch(), PictaforControl::DispidType,
                                 Variant(std::int32_t{0})),
             S_OK);
    const QString name = dir.filePath(QStringLiteral("earlier.gif"));
    mainWindow().CommonDialog1->setFileName(name);
    session.dialogs().answerFile(std::nullopt);
    mainWindow().MnuGif_Click();
    // The dialog opened after the staging: the banner is on the clipboard
    // and in Picture4, and Type was set back to GIF.
    QCOMPARE(Clipboard::system().bitmap(), canvas().image());
    QCOMPARE(mainWindow().Picture4->picture(), canvas().image());
    QVERIFY(mainWindow().Picture4->pictureHandle() != 0);
    QCOMPARE(typeProperty(), 1);
    // The name kept from before is not written on a cancel.
    QVERIFY(!QFile::exists(name));
    QVERIFY(messagesShown(session.dialogs()).isEmpty());
}

void GifExportTest::exportToAPipeIsRefusedWithAMessage()
{
    RegisteredControl control;
    EditorSession session;
    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("pipe.gif"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    // Held open here, so that a writer would not wait and its bytes show.
    const int fd = ::open(QFile::encodeName(pipe).constData(), O_RDWR | O_NONBLOCK);
    QVERIFY(fd >= 0);
    session.dialogs().answerFile(pipe);
    mainWindow().MnuGif_Click();
    char byte = 0;
    const auto got = ::read(fd, &byte, 1);
    ::close(fd);
    QCOMPARE(got, -1); // nothing was written into the pipe
    QCOMPARE(messagesShown(session.dialogs()).size(), 1);
    QVERIFY(messagesShown(session.dialogs()).constFirst().contains(QStringLiteral("not a regular file")));
}

void GifExportTest::nameCarriedFromBmpSaveIsOfferedAsGif()
{
    RegisteredControl control;
    EditorSession session;
    QTemporaryDir dir;
    const QString bmp = dir.filePath(QStringLiteral("banner.bmp"));
    session.dialogs().answerFile(bmp);
    mainWindow().MnuSave_Click();
    const QByteArray bmpBytes = fileBytes(bmp);
    QVERIFY(bmpBytes.startsWith("BM"));
    session.dialogs().answerFile(std::nullopt);
    mainWindow().MnuGif_Click();
    QCOMPARE(session.dialogs().requests().constLast().file.fileName, dir.filePath(QStringLiteral("banner.gif")));
    QCOMPARE(fileBytes(bmp), bmpBytes);
}

void GifExportTest::unregisteredControlExplainsAndTouchesNothing()
{
    RegisteredControl control(false);
    EditorSession session;
    QVERIFY(!mainWindow().Pictafor1->isAvailable());
    QCOMPARE(mainWindow().Pictafor1->state(), PictaforControl::State::NotRegistered);
    Clipboard::system().setPicture(QImage(3, 3, QImage::Format_RGB32));
    mainWindow().MnuGif->trigger();
    const QStringList shown = messagesShown(session.dialogs());
    QCOMPARE(shown.size(), 1);
    // What is missing and how to install it; the code only on a details line.
    const QStringList lines = shown.constFirst().split(QLatin1Char('\n'));
    QVERIFY(lines.constFirst().contains(QStringLiteral("not installed")));
    QVERIFY(shown.constFirst().contains(QStringLiteral("velnora-regsvr \"") + PictaforControl::installedLibrary()));
    QVERIFY(lines.constLast().startsWith(QStringLiteral("Details: ")));
    QVERIFY(!lines.mid(0, lines.size() - 1).join(QLatin1Char(' ')).contains(QStringLiteral("0x")));
    QCOMPARE(session.dialogs().count(QStringLiteral("save")), 0);
    QCOMPARE(Clipboard::system().bitmap().size(), QSize(3, 3));
}

void GifExportTest::libraryBesideTheProgramIsRegisteredFirst()
{
    RegisteredControl control(false);
    PictaforControl::setInstallDirectory(QStringLiteral(VELNORA_BINARY_DIR "/bin"));
    EditorSession session;
    QVERIFY2(mainWindow().Pictafor1->isAvailable(), qPrintable(mainWindow().Pictafor1->problem()));
    QVERIFY(plat::RegKeyExists(plat::HKEY_CLASSES_ROOT, "Pictaform.Pictaform"));
}

void GifExportTest::unusableClipboardStopsBeforeTheDialog()
{
    RegisteredControl control;
    EditorSession session;
    Clipboard::setSystem(std::make_shared<BrokenClipboard>());
    mainWindow().exportGif();
    const QStringList shown = messagesShown(session.dialogs());
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown.constFirst().contains(QStringLiteral("clipboard")));
    QCOMPARE(session.dialogs().count(QStringLiteral("save")), 0);
    QVERIFY(mainWindow().Picture4->picture().isNull());
}

void GifExportTest::unwritableTargetIsReported()
{
    RegisteredControl control;
    EditorSession session;
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("missing-folder/banner.gif"));
    session.dialogs().answerFile(name);
    mainWindow().exportGif();
    QVERIFY(!QFile::exists(name));
    const QStringList shown = messagesShown(session.dialogs());
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown.constFirst().contains(QStringLiteral("was not written")));

    // A folder in the way of the name cannot be written over.
    const QString taken = dir.filePath(QStringLiteral("taken.gif"));
    QVERIFY(QDir().mkpath(taken));
    session.dialogs().answerFile(taken);
    mainWindow().exportGif();
    QCOMPARE(messagesShown(session.dialogs()).size(), 2);
    QVERIFY(QFileInfo(taken).isDir());
}

void GifExportTest::emptyBannerIsReportedNotExported()
{
    RegisteredControl control;
    EditorSession session;
    QCOMPARE(canvas().setHeightTwips(0), PropertyStatus::Ok);
    mainWindow().exportGif();
    QCOMPARE(messagesShown(session.dialogs()).size(), 1);
    QVERIFY(messagesShown(session.dialogs()).constFirst().contains(QStringLiteral("no pixels")));
    QCOMPARE(session.dialogs().count(QStringLiteral("save")), 0);
}

QTEST_MAIN(GifExportTest)
#include "GifExportTest.moc"
