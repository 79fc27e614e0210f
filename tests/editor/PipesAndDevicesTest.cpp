// Pipes, devices and folders where a picture file is expected: the file
// dialogs list them, Load, Save and their dialogs meet them, and none of that
// may hang the editor. Qt's dialogs leave no settings file behind.
#include "EditorSession.h"

#include "CommonDialog.h"
#include "Forms.h"
#include "FrmBanner.h"
#include "Parent.h"
#include "PictureFiles.h"
#include "QtDialogProvider.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileDialog>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

QString g_configHome;

FrmBanner& canvas() { return Forms::FrmBanner(); }
Parent& mainWindow() { return Forms::Parent(); }

QString makeFifo(const QString& path)
{
    if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
        qFatal("cannot make a FIFO at %s", qPrintable(path));
    return path;
}

bool isFifo(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

// Fails the test instead of letting it hang: after its time it feeds and
// closes every FIFO over and over, which frees whoever waits on one, and
// records that it had to.
class Watchdog {
public:
    Watchdog(QStringList fifos, std::chrono::seconds limit) : m_fifos(std::move(fifos))
    {
        m_thread = std::thread([this, limit] {
            std::unique_lock lock(m_mutex);
            if (m_cv.wait_for(lock, limit, [this] { return m_done; }))
                return;
            m_fired = true;
            while (!m_done) {
                for (const QString& f : m_fifos) {
                    const int fd = ::open(QFile::encodeName(f).constData(), O_RDWR | O_NONBLOCK);
                    if (fd >= 0) {
                        const char bytes[64] = {};
                        [[maybe_unused]] const auto n = ::write(fd, bytes, sizeof bytes);
                        ::close(fd);
                    }
                }
                m_cv.wait_for(lock, std::chrono::milliseconds(100), [this] { return m_done; });
            }
        });
    }
    ~Watchdog() { stop(); }
    bool fired()
    {
        stop();
        return m_fired;
    }

private:
    void stop()
    {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_cv.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    QStringList m_fifos;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_done = false;
    std::atomic<bool> m_fired{false};
    std::thread m_thread;
};

// A folder holding pipes, one of them named like a picture, and a folder
// inside it holding another.
struct PipeFolder {
    QTemporaryDir dir;
    QStringList fifos;
    PipeFolder()
    {
        fifos << makeFifo(dir.filePath(QStringLiteral("pipe"))) << makeFifo(dir.filePath(QStringLiteral("pipe.bmp")));
        QDir(dir.path()).mkdir(QStringLiteral("inner"));
        fifos << makeFifo(dir.filePath(QStringLiteral("inner/kmsg")));
    }
};

} // namespace

class PipesAndDevicesTest : public QObject {
    Q_OBJECT
private slots:
    void fileDialogsShowFoldersWithPipesAndClose();
    void loadRefusesPipesAndFoldersWithAMessage();
    void saveRefusesAPipeAndLeavesIt();
};

void PipesAndDevicesTest::fileDialogsShowFoldersWithPipesAndClose()
{
    PipeFolder folder;
    Watchdog watchdog(folder.fifos, std::chrono::seconds(20));
    // A PNG under a name without extension: what its bytes are can only be
    // told by reading it, which the dialogs must not do.
    const QString unnamed = folder.dir.filePath(QStringLiteral("picture"));
    writePicture(quadrants(QSize(4, 4), qRgb(1, 2, 3), qRgb(1, 2, 3), qRgb(1, 2, 3), qRgb(1, 2, 3)), unnamed, "png");
    QtDialogProvider provider;
    int closed = 0;
    QStringList typesShown;
    for (const bool save : {false, true}) {
        // Let the dialog list the folder, step into the inner one, then cancel.
        QTimer::singleShot(700, [&] {
            if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                typesShown << d->iconProvider()->type(QFileInfo(unnamed));
                d->setDirectory(folder.dir.filePath(QStringLiteral("inner")));
            }
        });
        QTimer::singleShot(1400, [&] {
            if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                d->reject();
                ++closed;
            }
        });
        FileDialogRequest request;
        request.nameFilters = QStringList{QStringLiteral("All (*)")};
        request.fileName = folder.dir.filePath(QStringLiteral("pipe"));
        const auto chosen =
            save ? provider.chooseSaveFile(nullptr, request) : provider.chooseOpenFile(nullptr, request);
        QVERIFY(!chosen);
    }
    QVERIFY2(!watchdog.fired(), "a file dialog waited on a pipe");
    QCOMPARE(closed, 2);
    QCOMPARE(typesShown.size(), 2);
    for (const QString& type : typesShown)
        QVERIFY2(!type.contains(QStringLiteral("PNG")), qPrintable(type));
    for (const QString& f : folder.fifos)
        QVERIFY(isFifo(f));

    // Qt's dialogs kept their history without writing a settings file.
    QStringList written;
    for (QDirIterator it(g_configHome, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();)
        written << it.next();
    QCOMPARE(written, QStringList());
}

void PipesAndDevicesTest::loadRefusesPipesAndFoldersWithAMessage()
{
    PipeFolder folder;
    Watchdog watchdog(folder.fifos, std::chrono::seconds(10));
    EditorSession session;
    const QImage before = canvas().image();
    const QString pipe = folder.dir.filePath(QStringLiteral("pipe.bmp"));
    const PictureFiles::Loaded loaded = PictureFiles::loadPicture(pipe);
    QCOMPARE(loaded.status, PictureFiles::Status::Unreadable);
    QVERIFY(loaded.reason.contains(QStringLiteral("not a regular file")));

    session.dialogs().answerFile(pipe);
    mainWindow().MnuLoad_Click();
    session.dialogs().answerFile(folder.dir.filePath(QStringLiteral("inner")));
    mainWindow().MnuLoad_Click();
    const QStringList shown = messagesShown(session.dialogs());
    QCOMPARE(shown.size(), 2);
    QVERIFY(shown.at(0).contains(QStringLiteral("pipe.bmp")));
    QVERIFY(shown.at(1).contains(QStringLiteral("folder")));
    QVERIFY(canvas().picture().isNull());
    QCOMPARE(canvas().image(), before);

    // A character device, and an empty file, are no pictures either.
    QCOMPARE(PictureFiles::loadPicture(QStringLiteral("/dev/zero")).status, PictureFiles::Status::Unreadable);
    QFile empty(folder.dir.filePath(QStringLiteral("empty.bmp")));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    QCOMPARE(PictureFiles::loadPicture(empty.fileName()).status, PictureFiles::Status::NotAPicture);
    QVERIFY2(!watchdog.fired(), "Load waited on a pipe");
}

void PipesAndDevicesTest::saveRefusesAPipeAndLeavesIt()
{
    PipeFolder folder;
    Watchdog watchdog(folder.fifos, std::chrono::seconds(10));
    EditorSession session;
    const QString pipe = folder.dir.filePath(QStringLiteral("pipe.bmp"));
    session.dialogs().answerFile(pipe);
    mainWindow().MnuSave_Click();
    QVERIFY2(!watchdog.fired(), "Save waited on a pipe");
    QVERIFY(isFifo(pipe));
    QCOMPARE(messagesShown(session.dialogs()).size(), 1);
    QVERIFY(messagesShown(session.dialogs()).constFirst().contains(QStringLiteral("not a regular file")));
    QCOMPARE(PictureFiles::savePicture(canvas().image(), QStringLiteral("/dev/null")),
             PictureFiles::Status::CannotWrite);
}

int main(int argc, char** argv)
{
    // Qt's dialogs would keep their state under the per-user configuration
    // folder: one of our own, checked to stay empty.
    QTemporaryDir config;
    g_configHome = config.path();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    PipesAndDevicesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "PipesAndDevicesTest.moc"
