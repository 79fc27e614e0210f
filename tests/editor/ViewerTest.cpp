// The graphic viewer: browsing drives, folders and files, the preview at the
// picture's own size with its size in pixels, OK stretching the picture over
// the banner through the clipboard, Cancel, and the skip-on-failure steps.
#include "EditorSession.h"

#include "Clipboard.h"
#include "DirListBox.h"
#include "DriveListBox.h"
#include "FileListBox.h"
#include "FormLabel.h"
#include "Forms.h"
#include "FrmBanner.h"
#include "FrmView.h"
#include "ImageControl.h"
#include "Parent.h"
#include "PictureBox.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

FrmBanner& canvas() { return Forms::FrmBanner(); }
FrmView& viewer() { return Forms::FrmView(); }

// A folder with pictures of known sizes, a file that is no picture and a
// hidden file, opened in the viewer.
struct PictureFolder {
    QTemporaryDir dir;
    PictureFolder()
    {
        writePicture(quadrants(QSize(468, 60), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0)),
                     dir.filePath(QStringLiteral("banner.gif")), "gif");
        writePicture(quadrants(QSize(100, 100), qRgb(200, 0, 0), qRgb(200, 0, 0), qRgb(0, 0, 200), qRgb(0, 0, 200)),
                     dir.filePath(QStringLiteral("Square.bmp")), "bmp");
        writePicture(quadrants(QSize(640, 480), qRgb(9, 9, 9), qRgb(9, 9, 9), qRgb(9, 9, 9), qRgb(9, 9, 9)),
                     dir.filePath(QStringLiteral("large.png")), "png");
        QFile text(dir.filePath(QStringLiteral("notes.txt")));
        text.open(QIODevice::WriteOnly);
        text.write("not a picture");
        text.close();
        QFile hidden(dir.filePath(QStringLiteral(".hidden.bmp")));
        hidden.open(QIODevice::WriteOnly);
        QDir(dir.path()).mkdir(QStringLiteral("sub"));
        viewer().Dir1->setPath(dir.path());
    }
    void pick(const char* name) { QVERIFY(viewer().File1->selectFile(QString::fromLatin1(name))); }
};

QString sizeLabels() { return viewer().Label4->caption() + QLatin1Char('x') + viewer().Label5->caption(); }

} // namespace

class ViewerTest : public QObject {
    Q_OBJECT
private slots:
    void init() { Clipboard::setSystem(nullptr); }
    void pathsJoinWithOneSeparator();
    void folderChangeListsEveryVisibleFileSorted();
    void previewShowsPictureAtItsSizeClippedByTheFrame();
    void previewOfNonPictureKeepsPreviousPreview();
    void okStretchesPictureOverWholeBannerAndLeavesItOnClipboard();
    void okWithNothingLoadableKeepsCanvasAndStillCloses();
    void cancelLeavesCanvasAndClipboard();
    void unreadableDriveKeepsPreviousDriveAndSaysSo();
    void drivesAreTheMountedVolumes();
    void showingAgainListsTheFolderAsItIsNow();
};

void ViewerTest::pathsJoinWithOneSeparator()
{
    QCOMPARE(FrmView::joinPath(QStringLiteral("/"), QStringLiteral("a.gif")), QStringLiteral("/a.gif"));
    QCOMPARE(FrmView::joinPath(QStringLiteral("/home/pat"), QStringLiteral("a.gif")),
             QStringLiteral("/home/pat/a.gif"));
    EditorSession session;
    viewer().Dir1->setPath(QStringLiteral("/"));
    QCOMPARE(viewer().Dir1->path(), QStringLiteral("/"));
    QVERIFY(!viewer().selectedFile().startsWith(QStringLiteral("//")));
}

void ViewerTest::folderChangeListsEveryVisibleFileSorted()
{
    EditorSession session;
    PictureFolder folder;
    FileListBox* files = viewer().File1;
    QCOMPARE(files->path(), QDir::cleanPath(folder.dir.path()));
    QStringList listed;
    for (int i = 0; i < files->count(); ++i)
        listed << files->item(i)->text();
    // Every file, not only pictures; sorted without regard to case; the
    // hidden file and the folder are not listed.
    QCOMPARE(listed,
             (QStringList{QStringLiteral("banner.gif"), QStringLiteral("large.png"), QStringLiteral("notes.txt"),
                          QStringLiteral("Square.bmp")}));
    QCOMPARE(files->fileName(), QString());
    // The folder list shows the folder under its parents, then "sub".
    DirListBox* dirs = viewer().Dir1;
    QCOMPARE(dirs->pathAt(0), QStringLiteral("/"));
    QCOMPARE(dirs->pathAt(dirs->count() - 1), QDir(folder.dir.path()).filePath(QStringLiteral("sub")));
}

void ViewerTest::previewShowsPictureAtItsSizeClippedByTheFrame()
{
    EditorSession session;
    PictureFolder folder;
    viewer().showForm();
    folder.pick("banner.gif");
    QCOMPARE(sizeLabels(), QStringLiteral("468x60"));
    QCOMPARE(viewer().Image1->size(), QSize(468, 60));
    QCOMPARE(viewer().selectedFile(), QDir(folder.dir.path()).filePath(QStringLiteral("banner.gif")));
    // Larger than the frame: not stretched, cut off at the frame's edges,
    // and the labels still give its full size.
    folder.pick("large.png");
    QCOMPARE(sizeLabels(), QStringLiteral("640x480"));
    QCOMPARE(viewer().Image1->size(), QSize(640, 480));
    QVERIFY(!viewer().Picture1->rect().contains(viewer().Image1->geometry()));
    QVERIFY(viewer().Image1->visibleRegion().boundingRect().width() < viewer().Picture1->width());
}

void ViewerTest::previewOfNonPictureKeepsPreviousPreview()
{
    EditorSession session;
    PictureFolder folder;
    folder.pick("Square.bmp");
    const QImage shown = viewer().Image1->picture();
    folder.pick("notes.txt");
    QCOMPARE(viewer().Image1->picture(), shown);
    QCOMPARE(sizeLabels(), QStringLiteral("100x100"));
    QVERIFY(messagesShown(session.dialogs()).isEmpty()); // skipped silently
}

void ViewerTest::okStretchesPictureOverWholeBannerAndLeavesItOnClipboard()
{
    EditorSession session;
    PictureFolder folder;
    QGuiApplication::clipboard()->setText(QStringLiteral("earlier content"));
    Forms::Parent().MnuBackImage->trigger();
    folder.pick("Square.bmp");
    QTest::mouseClick(viewer().Command2, Qt::LeftButton);
    QVERIFY(!viewer().isFormVisible());
    // 100 x 100 stretched to 468 x 60: red top half, blue bottom half.
    const QImage banner = canvas().image();
    QCOMPARE(banner.size(), QSize(468, 60));
    QCOMPARE(countPixels(banner, qRgb(200, 0, 0)), 468 * 30);
    QCOMPARE(countPixels(banner, qRgb(0, 0, 200)), 468 * 30);
    // The clipboard holds the picture, as a bitmap; the text is gone.
    const QImage held = Clipboard::system().bitmap();
    QCOMPARE(held.size(), QSize(100, 100));
    QCOMPARE(held.pixel(50, 75), qRgb(0, 0, 200));
    QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
}

void ViewerTest::okWithNothingLoadableKeepsCanvasAndStillCloses()
{
    EditorSession session;
    PictureFolder folder;
    const QImage before = canvas().image();
    viewer().showForm();
    folder.pick("notes.txt");
    viewer().Command2_Click();
    QVERIFY(!viewer().isFormVisible());
    QCOMPARE(canvas().image(), before);
    QVERIFY(Clipboard::system().picture().isNull());
}

void ViewerTest::cancelLeavesCanvasAndClipboard()
{
    EditorSession session;
    PictureFolder folder;
    QGuiApplication::clipboard()->setText(QStringLiteral("keep me"));
    const QImage before = canvas().image();
    viewer().showForm();
    folder.pick("banner.gif");
    QTest::mouseClick(viewer().cmdcancel, Qt::LeftButton);
    QVERIFY(!viewer().isFormVisible());
    QCOMPARE(canvas().image(), before);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("keep me"));
    // Shown again, it is where it was left.
    viewer().showForm();
    QCOMPARE(viewer().File1->fileName(), QStringLiteral("banner.gif"));
    QCOMPARE(sizeLabels(), QStringLiteral("468x60"));
}

void ViewerTest::unreadableDriveKeepsPreviousDriveAndSaysSo()
{
    EditorSession session;
    PictureFolder folder;
    DriveListBox* drives = viewer().Drive1;
    const QString volume = QDir::cleanPath(folder.dir.path());
    const QString missing = folder.dir.filePath(QStringLiteral("unmounted-volume"));
    drives->setVolumes({QStringLiteral("/"), volume, missing});
    QVERIFY(drives->setDrive(QDir(volume).filePath(QStringLiteral("sub"))));
    QCOMPARE(drives->drive(), volume);

    // Picking a readable volume takes the lists to its root.
    drives->setCurrentIndex(0);
    QCOMPARE(viewer().Dir1->path(), QStringLiteral("/"));
    QCOMPARE(viewer().File1->path(), QStringLiteral("/"));
    drives->setCurrentIndex(1);
    QCOMPARE(viewer().Dir1->path(), volume);

    // One that cannot be read: the previous drive and folder stay.
    drives->setCurrentIndex(2);
    QCOMPARE(drives->drive(), volume);
    QCOMPARE(viewer().Dir1->path(), volume);
    const QStringList shown = messagesShown(session.dialogs());
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown.constFirst().contains(QStringLiteral("unmounted-volume")));
}

void ViewerTest::drivesAreTheMountedVolumes()
{
    const QStringList volumes = DriveListBox::mountedVolumes();
    QVERIFY(volumes.contains(QStringLiteral("/")));
    for (const QString& v : volumes)
        QVERIFY2(!v.startsWith(QStringLiteral("/proc")) && !v.startsWith(QStringLiteral("/sys")), qPrintable(v));
    EditorSession session;
    QCOMPARE(viewer().Drive1->volumes(), volumes);
    // The current drive holds the current folder.
    QVERIFY(viewer().Dir1->path().startsWith(viewer().Drive1->drive()));
}

void ViewerTest::showingAgainListsTheFolderAsItIsNow()
{
    EditorSession session;
    PictureFolder folder;
    Forms::Parent().backgroundImage();
    folder.pick("Square.bmp");
    QTest::mouseClick(viewer().cmdcancel, Qt::LeftButton);
    QVERIFY(!viewer().isFormVisible());

    writePicture(quadrants(QSize(4, 4), qRgb(1, 2, 3), qRgb(1, 2, 3), qRgb(1, 2, 3), qRgb(1, 2, 3)),
                 folder.dir.filePath(QStringLiteral("added.bmp")), "bmp");
    QVERIFY(QFile::remove(folder.dir.filePath(QStringLiteral("notes.txt"))));
    Forms::Parent().backgroundImage();
    QVERIFY(viewer().isFormVisible());
    QStringList listed;
    for (int i = 0; i < viewer().File1->count(); ++i)
        listed << viewer().File1->item(i)->text();
    QCOMPARE(listed,
             (QStringList{QStringLiteral("added.bmp"), QStringLiteral("banner.gif"), QStringLiteral("large.png"),
                          QStringLiteral("Square.bmp")}));
    // The file chosen before is still the one chosen, with its preview.
    QCOMPARE(viewer().File1->fileName(), QStringLiteral("Square.bmp"));
    QCOMPARE(sizeLabels(), QStringLiteral("100x100"));
}

QTEST_MAIN(ViewerTest)
#include "ViewerTest.moc"
