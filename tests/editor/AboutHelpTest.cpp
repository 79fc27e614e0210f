// The About window (captions, version line, logo, etched line, OK unloading
// it), GetKeyValue on the registry, StartSysInfo with its two registry tries
// and its one message, the install step's record of the tool, and the help
// window's printed lines and click-to-hide.
#include "EditorSession.h"

#include "../registry/ScopedRegistry.h"

#include "FormLabel.h"
#include "Forms.h"
#include "Parent.h"
#include "PictureBox.h"
#include "SystemInfoTool.h"
#include "frmAbout.h"
#include "frmHelp.h"

#include <registry/Registry.h>

#include <QCoreApplication>
#include <QFile>
#include <QFontMetrics>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const plat::HKEY HKLM = plat::HKEY_LOCAL_MACHINE;
const char* const kTry1 = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const char* const kTry2 = "SOFTWARE\\Microsoft\\Shared Tools Location";
const char* const kTestKey = "SOFTWARE\\Velnora Tests";

void setRaw(const char* value, std::uint32_t type, const QByteArray& bytes)
{
    plat::HKEY key = 0;
    QCOMPARE(plat::RegCreateKeyEx(HKLM, kTestKey, &key), plat::ERROR_SUCCESS);
    QCOMPARE(plat::RegSetValueEx(key, value, type, reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                 static_cast<std::uint32_t>(bytes.size())),
             plat::ERROR_SUCCESS);
    plat::RegCloseKey(key);
}

QByteArray dword(std::uint32_t n)
{
    const char b[4] = {char(n & 0xFF), char((n >> 8) & 0xFF), char((n >> 16) & 0xFF), char(n >> 24)};
    return QByteArray(b, 4);
}

// Records the programs the launcher was asked to start; answers with ok.
struct LaunchRecorder {
    QStringList started;
    bool ok = true;
    LaunchRecorder()
    {
        frmAbout::setLauncher([this](const QString& program) {
            started << program;
            return ok;
        });
    }
    ~LaunchRecorder() { frmAbout::setLauncher({}); }
};

void makeProgram(const QString& fileName)
{
    QFile f(fileName);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\n");
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
}

} // namespace

class AboutHelpTest : public QObject {
    Q_OBJECT
private slots:
    // Every test starts from a registry of its own.
    void init() { m_registry = std::make_unique<ScopedRegistry>("about"); }
    void cleanup() { m_registry.reset(); }
    void aboutShowsTitleAndVersionAndOkUnloadsIt();
    void getKeyValueReadsStringsWithOrWithoutTheirZero();
    void getKeyValueWritesNumbersInDecimal_data();
    void getKeyValueWritesNumbersInDecimal();
    void getKeyValueFailsWithEmptyTextAndLeavesOtherTypes();
    void sysInfoFromFirstTryNeverReadsSecond();
    void sysInfoFailuresGiveOneMessageAndAboutStays();
    void installStepRecordsFirstToolFoundForTheButton();
    void helpPrintsFiveLinesOnceAndClickHides();
    void boldCaptionsAreDrawnBoldEvenWhenTheStandInHasNoBold();

private:
    std::unique_ptr<ScopedRegistry> m_registry;
};

void AboutHelpTest::aboutShowsTitleAndVersionAndOkUnloadsIt()
{
    EditorSession session;
    Forms::Parent().MnuAbout->trigger();
    QPointer<frmAbout> first = &Forms::frmAbout();
    QVERIFY(first->isVisible());
    QCOMPARE(first->windowTitle(), QStringLiteral("About Velnora"));
    QCOMPARE(first->lblTitle->caption(), QStringLiteral("Velnora"));
    // The revision is written as a plain number: 9, not 0009.
    QCOMPARE(first->lblVersion->caption(), QStringLiteral("Version 1.0.9"));

    // OK unloads it; the next opening builds it afresh.
    first->lblVersion->setCaption(QStringLiteral("scribbled"));
    QTest::mouseClick(first->cmdOK, Qt::LeftButton);
    QVERIFY(!Forms::frmAboutLoaded());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(first.isNull());
    Forms::Parent().MnuAbout->trigger();
    QCOMPARE(Forms::frmAbout().lblVersion->caption(), QStringLiteral("Version 1.0.9"));
    // Escape is OK too.
    QTest::keyClick(&Forms::frmAbout(), Qt::Key_Escape);
    QVERIFY(!Forms::frmAboutLoaded());
}

void AboutHelpTest::getKeyValueReadsStringsWithOrWithoutTheirZero()
{
    setRaw("with zero", plat::REG_SZ, QByteArray("C:\\Tools", 9));
    setRaw("without zero", plat::REG_SZ, QByteArray("C:\\Tools", 8));
    QString text;
    QVERIFY(frmAbout::GetKeyValue(HKLM, QString::fromLatin1(kTestKey), QStringLiteral("with zero"), text));
    QCOMPARE(text, QStringLiteral("C:\\Tools"));
    QVERIFY(frmAbout::GetKeyValue(HKLM, QString::fromLatin1(kTestKey), QStringLiteral("without zero"), text));
    QCOMPARE(text, QStringLiteral("C:\\Tools"));
    // Only one zero is cut, and only at the end of the reported length.
    const std::uint8_t inner[] = {'a', 0, 'b', 0};
    QCOMPARE(frmAbout::keyValueText(plat::REG_SZ, inner), QString::fromUtf8("a\0b", 3));
    const std::uint8_t whole[] = {'a', 'b'};
    QCOMPARE(frmAbout::keyValueText(plat::REG_SZ, whole), QStringLiteral("ab"));
}

void AboutHelpTest::getKeyValueWritesNumbersInDecimal_data()
{
    QTest::addColumn<uint>("number");
    QTest::addColumn<QString>("text");
    QTest::newRow("1000") << 1000u << QStringLiteral("1000");
    QTest::newRow("65537, zero bytes inside") << 65537u << QStringLiteral("65537");
    QTest::newRow("0") << 0u << QStringLiteral("0");
    QTest::newRow("all bits set") << 0xFFFFFFFFu << QStringLiteral("4294967295");
}

void AboutHelpTest::getKeyValueWritesNumbersInDecimal()
{
    QFETCH(uint, number);
    QFETCH(QString, text);
    setRaw("number", plat::REG_DWORD, dword(number));
    QString read = QStringLiteral("old");
    QVERIFY(frmAbout::GetKeyValue(HKLM, QString::fromLatin1(kTestKey), QStringLiteral("number"), read));
    QCOMPARE(read, text);
}

void AboutHelpTest::getKeyValueFailsWithEmptyTextAndLeavesOtherTypes()
{
    QString text = QStringLiteral("old");
    QVERIFY(!frmAbout::GetKeyValue(HKLM, QStringLiteral("SOFTWARE\\No Such Key"), QStringLiteral("x"), text));
    QCOMPARE(text, QString());
    setRaw("present", plat::REG_SZ, QByteArray("x", 2));
    text = QStringLiteral("old");
    QVERIFY(!frmAbout::GetKeyValue(HKLM, QString::fromLatin1(kTestKey), QStringLiteral("absent"), text));
    QCOMPARE(text, QString());
    // Longer than the 1024-byte buffer: cannot be read.
    setRaw("long", plat::REG_SZ, QByteArray(1100, 'x') + QByteArray(1, '\0'));
    text = QStringLiteral("old");
    QVERIFY(!frmAbout::GetKeyValue(HKLM, QString::fromLatin1(kTestKey), QStringLiteral("long"), text));
    QCOMPARE(text, QString());
    // Read, but of a type that gives no text: the old text stays.
    setRaw("binary", plat::REG_BINARY, QByteArray("\x01\x02", 2));
    text = QStringLiteral("old");
    QVERIFY(frmAbout::GetKeyValue(HKLM, QString::fromLatin1(kTestKey), QStringLiteral("binary"), text));
    QCOMPARE(text, QStringLiteral("old"));
}

void AboutHelpTest::sysInfoFromFirstTryNeverReadsSecond()
{
    EditorSession session;
    LaunchRecorder launcher;
    QTemporaryDir dir;
    makeProgram(dir.filePath(QStringLiteral("MSINFO32.EXE")));
    plat::RegSetString(HKLM, kTry1, "PATH", "/opt/tools/sysinfo");
    plat::RegSetString(HKLM, kTry2, "MSINFO", dir.path().toStdString());
    QTest::mouseClick(Forms::frmAbout().cmdSysInfo, Qt::LeftButton);
    QCOMPARE(launcher.started, QStringList{QStringLiteral("/opt/tools/sysinfo")});
    QVERIFY(messagesShown(session.dialogs()).isEmpty());
}

void AboutHelpTest::sysInfoFailuresGiveOneMessageAndAboutStays()
{
    EditorSession session;
    LaunchRecorder launcher;
    Forms::Parent().MnuAbout->trigger();
    const QStringList once{QStringLiteral("System Information Is Unavailable At This Time")};
    // Nothing recorded at all.
    Forms::frmAbout().cmdSysInfo_Click();
    QCOMPARE(messagesShown(session.dialogs()), once);
    QCOMPARE(session.dialogs().requests().constLast().title, QStringLiteral("Velnora"));

    // Try 2 names a folder (with a trailing separator) that lacks the program.
    QTemporaryDir dir;
    plat::RegSetString(HKLM, kTry2, "MSINFO", (dir.path() + QLatin1Char('/')).toStdString());
    Forms::frmAbout().StartSysInfo();
    QVERIFY(launcher.started.isEmpty());
    QCOMPARE(messagesShown(session.dialogs()), once + once);
    // With the program there, its full name is started, with one separator.
    makeProgram(dir.filePath(QStringLiteral("MSINFO32.EXE")));
    Forms::frmAbout().StartSysInfo();
    QCOMPARE(launcher.started, QStringList{dir.filePath(QStringLiteral("MSINFO32.EXE"))});

    // A recorded program that does not start.
    launcher.ok = false;
    plat::RegSetString(HKLM, kTry1, "PATH", "/no/such/program");
    Forms::frmAbout().StartSysInfo();
    QCOMPARE(messagesShown(session.dialogs()), once + once + once);
    QVERIFY(Forms::frmAboutLoaded() && Forms::frmAbout().isVisible());
}

void AboutHelpTest::installStepRecordsFirstToolFoundForTheButton()
{
    QTemporaryDir first, second;
    QCOMPARE(SystemInfoTool::find({first.path(), second.path()}), QString());
    makeProgram(second.filePath(QStringLiteral("hardinfo")));
    makeProgram(first.filePath(QStringLiteral("kinfocenter")));
    // Candidates are tried in their order, each through every folder.
    const QString found = SystemInfoTool::find({first.path(), second.path()});
    QCOMPARE(found, second.filePath(QStringLiteral("hardinfo")));
    QVERIFY(SystemInfoTool::record(found));

    EditorSession session;
    LaunchRecorder launcher;
    Forms::frmAbout().StartSysInfo();
    QCOMPARE(launcher.started, QStringList{found});
}

void AboutHelpTest::helpPrintsFiveLinesOnceAndClickHides()
{
    EditorSession session;
    const QStringList lines = frmHelp::helpText().split(QChar(13));
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines.mid(0, 4),
             (QStringList{QStringLiteral("Velnora Provides Tooltips for each"),
                          QStringLiteral("Function Which Will Help you Along"),
                          QStringLiteral("If You Have questions Please Visit Our"), QStringLiteral("Web site At:")}));
    QVERIFY(lines.at(4).contains(QStringLiteral("velnora")));

    Forms::Parent().MnuViewHelp->trigger();
    frmHelp& help = Forms::frmHelp();
    QCOMPARE(help.windowTitle(), QStringLiteral("Velnora Help"));
    QVERIFY(help.windowFlags() & Qt::FramelessWindowHint);
    // Over the main window, not at the screen's corner.
    QVERIFY((help.frameGeometry().center() - Forms::Parent().frameGeometry().center()).manhattanLength() <= 2);
    // Printed from the top-left corner, one line under another.
    const QImage printed = help.image();
    const QRect inked = boundsOf(printed, help.palette().color(QPalette::WindowText).rgb());
    QVERIFY(inked.left() < 4 && inked.top() < 8);
    QVERIFY(inked.height() > 4 * QFontMetrics(help.font()).height());

    QTest::mouseClick(&help, Qt::LeftButton, {}, QPoint(200, 50));
    QVERIFY(!help.isVisible());
    Forms::Parent().MnuViewHelp->trigger();
    QCOMPARE(&Forms::frmHelp(), &help);
    QCOMPARE(help.image(), printed); // printed once, kept
}

void AboutHelpTest::boldCaptionsAreDrawnBoldEvenWhenTheStandInHasNoBold()
{
    EditorSession session;
    Forms::Parent().MnuAbout->trigger();
    FormLabel* title = Forms::frmAbout().lblTitle;
    QVERIFY(title->font().bold());
    // Pixels of the blue caption ink.
    const auto ink = [title] {
        const QImage image = title->grab().toImage();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += qBlue(image.pixel(x, y)) > 150 && qRed(image.pixel(x, y)) < 110;
        return n;
    };
    const int bold = ink();
    title->setFontBold(false);
    const int regular = ink();
    QVERIFY(regular > 0);
    QVERIFY2(bold > regular * 115 / 100, qPrintable(QStringLiteral("%1 vs %2").arg(bold).arg(regular)));
}

QTEST_MAIN(AboutHelpTest)
#include "AboutHelpTest.moc"
