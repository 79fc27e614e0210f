// pictaf-convert as scripts use it: many files into a folder, pipes, every
// input kind made by another program (ImageMagick), and the output safety
// rules (links, devices, the input itself, interruption, full disks).
#include "GifDecode.h"
#include "MetafileBuilder.h"
#include "TempDir.h"
#include "TestBmp.h"

#include <engine/BmpReader.h>

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

namespace fs = std::filesystem;
using namespace testdib;

namespace {

const QString kTool = QStringLiteral(VELNORA_BINARY_DIR "/bin/pictaf-convert");

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

ToolRun finish(QProcess& process)
{
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            QString::fromUtf8(process.readAllStandardError())};
}

ToolRun tool(const QStringList& args, const QByteArray& input = {})
{
    QProcess process;
    process.start(kTool, args);
    process.waitForStarted();
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    return finish(process);
}

// A bash command line with $TOOL standing for the program.
ToolRun shell(const QString& script)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TOOL"), kTool);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("bash"), {QStringLiteral("-c"), script});
    return finish(process);
}

QString q(const std::string& s) { return QString::fromStdString(s); }
QString q(const fs::path& p) { return QString::fromStdString(p.string()); }

// ImageMagick writes the test's files of every other kind.
bool magick(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral("convert"), args);
    const ToolRun r = finish(process);
    EXPECT_EQ(r.exitCode, 0) << "convert " << args.join(' ').toStdString() << ": " << r.err.toStdString();
    return r.exitCode == 0;
}

// Four flat colours in quadrants: exact in every lossless format and in GIF.
QImage quadrants(int width = 24, int height = 10)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y,
                             x < width / 2 ? (y < height / 2 ? qRgb(200, 30, 40) : qRgb(20, 160, 90))
                                           : (y < height / 2 ? qRgb(10, 20, 230) : qRgb(250, 240, 60)));
    return picture;
}

std::size_t entries(const fs::path& dir)
{
    return static_cast<std::size_t>(std::distance(fs::recursive_directory_iterator(dir), {}));
}

// Every pixel within tolerance of the expected one.
void expectNear(const QImage& actual, const QImage& expected, int tolerance, const char* what)
{
    ASSERT_EQ(actual.size(), expected.size()) << what;
    int worst = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = actual.pixel(x, y), e = expected.pixel(x, y);
            worst = std::max(
                {worst, std::abs(qRed(a) - qRed(e)), std::abs(qGreen(a) - qGreen(e)), std::abs(qBlue(a) - qBlue(e))});
        }
    EXPECT_LE(worst, tolerance) << what;
}

QImage bmpOutput(const std::string& name) { return QImage(q(name)).convertToFormat(QImage::Format_RGB32); }

} // namespace

TEST(ConvertBatch, convertsEveryInputIntoTheFolderAndReportsEachFailureOnce)
{
    TempDir dir;
    const QImage picture = quadrants();
    writeFile(dir.file("a.bmp"), encodeBmp(picture, BmpFormat::Rgb24));
    ASSERT_TRUE(picture.save(q(dir.file("qt.png"))));
    ASSERT_TRUE(magick({q(dir.file("qt.png")), q(dir.file("b.png"))}));
    writeFile(dir.file("notes.bmp"), {'n', 'o', 't', 'e', 's'});
    const ToolRun run = tool({q(dir.file("a.bmp")), q(dir.file("notes.bmp")), q(dir.file("b.png")),
                              q(dir.file("gone.bmp")), "-o", q(dir.file("out")), "-j", "2"});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    for (const char* name : {"out/a.gif", "out/b.gif"})
        testgif::expectSamePicture(testgif::decode(readFile(dir.file(name))), picture);
    EXPECT_EQ(entries(dir.path() / "out"), 2u);
    // Not a terminal: no progress bar; one line per failure and the summary.
    const QStringList lines = run.err.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains('\r'));
    EXPECT_TRUE(run.err.contains(QStringLiteral("'%1'").arg(q(dir.file("notes.bmp")))));
    EXPECT_TRUE(run.err.contains(QStringLiteral("'%1'").arg(q(dir.file("gone.bmp")))));
    EXPECT_TRUE(lines.last().contains(QStringLiteral("2 converted, 2 failed, 0 skipped")));
    const auto bytesIn = fs::file_size(dir.file("a.bmp")) + fs::file_size(dir.file("b.png"));
    const auto bytesOut = fs::file_size(dir.file("out/a.gif")) + fs::file_size(dir.file("out/b.gif"));
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral("%1 bytes in, %2 bytes out").arg(bytesIn).arg(bytesOut)))
        << lines.last().toStdString();

    // All good: exit 0; --type bmp names the outputs .bmp; --quiet leaves
    // stderr empty.
    const ToolRun quiet =
        tool({"--quiet", "--type", "bmp", q(dir.file("a.bmp")), q(dir.file("b.png")), "-o", q(dir.file("bmps"))});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_TRUE(quiet.err.isEmpty()) << quiet.err.toStdString();
    expectNear(bmpOutput(dir.file("bmps/b.bmp")), picture, 0, "b.bmp");
}

TEST(ConvertBatch, noClobberSkipsWhatExistsAndCollisionsStopEverythingBeforeWork)
{
    TempDir dir;
    const QImage picture = quadrants();
    writeFile(dir.file("a.bmp"), encodeBmp(picture, BmpFormat::Rgb24));
    writeFile(dir.file("c.bmp"), encodeBmp(picture, BmpFormat::Pal8));
    fs::create_directory(dir.path() / "out");
    writeFile(dir.file("out/a.gif"), {1, 2, 3});
    ToolRun run =
        tool({"--no-clobber", q(dir.file("a.bmp")), q(dir.file("c.bmp")), "--output-dir", q(dir.file("out"))});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(readFile(dir.file("out/a.gif")), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_TRUE(testgif::decode(readFile(dir.file("out/c.gif"))).ok);
    EXPECT_TRUE(run.err.contains(QStringLiteral("1 converted, 0 failed, 1 skipped"))) << run.err.toStdString();
    run = tool({q(dir.file("a.bmp")), "-o", q(dir.file("out"))});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(testgif::decode(readFile(dir.file("out/a.gif"))).ok); // replaced without --no-clobber

    // a.bmp and a.png, or two folders' a.bmp, would write one a.gif.
    fs::create_directory(dir.path() / "other");
    writeFile(dir.file("other/c.bmp"), encodeBmp(picture, BmpFormat::Rgb24));
    ASSERT_TRUE(picture.save(q(dir.file("a.png"))));
    run = tool({q(dir.file("a.bmp")), q(dir.file("a.png")), q(dir.file("c.bmp")), q(dir.file("other/c.bmp")), "-o",
                q(dir.file("fresh"))});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(q(dir.file("a.png")))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(q(dir.file("other/c.bmp"))));
    EXPECT_TRUE(run.err.contains(QStringLiteral("fresh/a.gif")));
    EXPECT_TRUE(run.err.contains(QStringLiteral("fresh/c.gif")));
    EXPECT_TRUE(run.err.contains(QStringLiteral("pictaf-convert: '%1' and '%2' would both write '%3'\n")
                                     .arg(q(dir.file("a.bmp")), q(dir.file("a.png")), q(dir.file("fresh/a.gif")))))
        << run.err.toStdString();
    EXPECT_FALSE(fs::exists(dir.file("fresh")));

    // Usage errors are status 2 too.
    EXPECT_EQ(tool({"-o", q(dir.file("fresh"))}).exitCode, 2);
    EXPECT_EQ(tool({"-r", q(dir.file("a.bmp")), q(dir.file("x.gif"))}).exitCode, 2);
    EXPECT_EQ(tool({"-j", "0", q(dir.file("a.bmp")), "-o", q(dir.file("fresh"))}).exitCode, 2);
    EXPECT_EQ(tool({q(dir.file("a.bmp")), q(dir.file("c.bmp")), q(dir.file("x.gif"))}).exitCode, 2);
}

TEST(ConvertBatch, compactOutputsAndTheirBudget)
{
    TempDir dir;
    const QImage picture = quadrants(64, 40);
    writeFile(dir.file("a.bmp"), encodeBmp(picture, BmpFormat::Rgb24));
    writeFile(dir.file("b.bmp"), encodeBmp(picture.mirrored(true, false), BmpFormat::Rgb24));
    ToolRun run = tool({"--quiet", "--compact", q(dir.file("a.bmp")), q(dir.file("b.bmp")), "-o", q(dir.file("out"))});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const auto compact = readFile(dir.file("out/a.gif"));
    testgif::expectSamePicture(testgif::decode(compact), picture);
    run = tool({"--quiet", q(dir.file("a.bmp")), "-o", q(dir.file("plain"))});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_LT(compact.size(), readFile(dir.file("plain/a.gif")).size());

    // One over the budget: both written, one line for it, status 3.
    const auto budget = static_cast<long long>(compact.size()) - 1;
    run =
        tool({"--compact", "--size-budget", QString::number(budget), q(dir.file("a.bmp")), "-o", q(dir.file("tight"))});
    EXPECT_EQ(run.exitCode, 3) << run.err.toStdString();
    EXPECT_EQ(readFile(dir.file("tight/a.gif")), compact);
    EXPECT_TRUE(run.err.contains(QStringLiteral("1 bytes over the budget of %1").arg(budget))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("1 converted, 0 failed"))) << run.err.toStdString();

    // A failure outranks a budget overrun.
    writeFile(dir.file("bad.bmp"), {'B', 'M'});
    run = tool({"--compact", "--size-budget", QString::number(budget), q(dir.file("a.bmp")), q(dir.file("bad.bmp")),
                "-o", q(dir.file("both"))});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
}

TEST(ConvertBatch, recursionKeepsTheLayoutAndFoldersNeedIt)
{
    TempDir dir;
    const QImage picture = quadrants();
    fs::create_directories(dir.path() / "in/sub/deeper");
    fs::create_directories(dir.path() / "in/.hidden");
    writeFile(dir.file("in/top.bmp"), encodeBmp(picture, BmpFormat::Rgb24));
    ASSERT_TRUE(picture.save(q(dir.file("in/sub/mid.png"))));
    writeFile(dir.file("in/sub/deeper/low.BMP"), encodeBmp(picture, BmpFormat::Rle8));
    writeFile(dir.file("in/.hidden/secret.bmp"), encodeBmp(picture, BmpFormat::Rgb24));
    writeFile(dir.file("in/readme.txt"), {'h', 'i'});
    // Outputs inside the tree are not taken as inputs, now or next time.
    ToolRun run = tool({"-r", q(dir.file("in")), "-o", q(dir.file("in/out"))});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    for (const char* name : {"in/out/top.gif", "in/out/sub/mid.gif", "in/out/sub/deeper/low.gif"})
        testgif::expectSamePicture(testgif::decode(readFile(dir.file(name))), picture);
    EXPECT_EQ(entries(dir.path() / "in/out"), 5u); // three files, two folders
    EXPECT_TRUE(run.err.contains(QStringLiteral("3 converted, 0 failed")));
    run = tool({"-r", q(dir.file("in")), "-o", q(dir.file("in/out"))});
    EXPECT_TRUE(run.err.contains(QStringLiteral("3 converted, 0 failed"))) << run.err.toStdString();

    run = tool({q(dir.file("in")), q(dir.file("in/top.bmp")), "-o", q(dir.file("flat"))});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("is a directory"))) << run.err.toStdString();
    EXPECT_TRUE(fs::exists(dir.file("flat/top.gif")));
}

TEST(ConvertBatch, aTerminalGetsAProgressBarUnlessQuiet)
{
    TempDir dir;
    for (int i = 0; i < 40; ++i)
        writeFile(dir.file("p" + std::to_string(i) + ".bmp"), encodeBmp(quadrants(), BmpFormat::Rgb24));
    // script(1) gives the command a terminal for stderr.
    const QString command =
        QStringLiteral("script -qec '\"$TOOL\" -j 1 %1/*.bmp -o %1/out' /dev/null").arg(q(dir.path()));
    ToolRun run = shell(command);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString seen = QString::fromUtf8(run.out);
    EXPECT_TRUE(seen.contains(QStringLiteral("40/40"))) << seen.toStdString();
    EXPECT_TRUE(seen.contains(QStringLiteral("pictures/s")));
    EXPECT_TRUE(seen.contains(QStringLiteral("elapsed")));
    EXPECT_TRUE(seen.contains(QStringLiteral("40 converted, 0 failed, 0 skipped")));
    run = shell(QStringLiteral("script -qec '\"$TOOL\" -q %1/*.bmp -o %1/quiet' /dev/null").arg(q(dir.path())));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(QString::fromUtf8(run.out).trimmed().isEmpty()) << run.out.toStdString();
    EXPECT_EQ(entries(dir.path() / "quiet"), 40u);
}

TEST(ConvertPipes, standardInputOutputAndProcessSubstitution)
{
    TempDir dir;
    const QImage picture = quadrants();
    writeFile(dir.file("in.bmp"), encodeBmp(picture, BmpFormat::Rgb24));
    ASSERT_TRUE(picture.save(q(dir.file("qt.png"))));
    ASSERT_TRUE(magick({q(dir.file("qt.png")), q(dir.file("in.png"))}));
    ASSERT_EQ(tool({q(dir.file("in.bmp")), q(dir.file("file.gif"))}).exitCode, 0);
    const std::vector<std::uint8_t> expected = readFile(dir.file("file.gif"));

    const auto bytes = readFile(dir.file("in.bmp"));
    ToolRun run = tool({"--type", "gif", "-", "-"},
                       QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty());
    EXPECT_EQ(std::vector<std::uint8_t>(run.out.begin(), run.out.end()), expected); // only the picture on stdout

    run =
        shell(QStringLiteral(
                  "\"$TOOL\" <(cat %1/in.png) %1/sub.gif && \"$TOOL\" --type gif %1/in.bmp /dev/fd/1 | cat > %1/fd.gif")
                  .arg(q(dir.path())));
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(readFile(dir.file("sub.gif")), expected);
    EXPECT_EQ(readFile(dir.file("fd.gif")), expected);

    // A FIFO as output is written, not replaced.
    run = shell(QStringLiteral("cd %1 && mkfifo fifo && { cat fifo > got.gif & } && \"$TOOL\" --type gif in.bmp fifo "
                               "&& wait && test -p fifo")
                    .arg(q(dir.path())));
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(readFile(dir.file("got.gif")), expected);

    // A stream that starts as no picture is given up at its start, not held
    // to its end: the writer of the rest finds the pipe closed (killed by
    // SIGPIPE, 141, or failing with EPIPE, 1, where SIGPIPE is ignored).
    run = shell(QStringLiteral("head -c 64M /dev/zero | \"$TOOL\" --type gif - %1/zero.gif; "
                               "echo \"${PIPESTATUS[0]} ${PIPESTATUS[1]}\"")
                    .arg(q(dir.path())));
    const std::string statuses = run.out.trimmed().toStdString();
    EXPECT_TRUE(statuses == "141 1" || statuses == "1 1") << statuses << "; " << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("not a picture"))) << run.err.toStdString();
    EXPECT_FALSE(fs::exists(dir.file("zero.gif")));

    run = tool({q(dir.file("in.bmp")), "-"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("--type"))) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(tool({"-", q(dir.file("in.bmp")), "-o", q(dir.file("o"))}).exitCode, 2);
}

TEST(ConvertSafety, theInputIsNeverItsOwnOutput)
{
    TempDir dir;
    const std::vector<std::uint8_t> bmp = encodeBmp(quadrants(), BmpFormat::Rgb24);
    writeFile(dir.file("in.bmp"), bmp);
    fs::create_symlink("in.bmp", dir.path() / "link.gif");
    fs::create_hard_link(dir.file("in.bmp"), dir.path() / "hard.gif");
    for (const char* output : {"in.bmp", "link.gif", "hard.gif", "./in.bmp"}) {
        const ToolRun run = tool({q(dir.file("in.bmp")), q(dir.file(output))});
        EXPECT_EQ(run.exitCode, 1) << output;
        EXPECT_TRUE(run.err.contains(QStringLiteral("is the input file"))) << run.err.toStdString();
        EXPECT_EQ(readFile(dir.file("in.bmp")), bmp);
    }
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.gif"));
    // Standard input that is the output file, as from "< in.bmp", is the input too.
    const ToolRun redirected =
        shell(QStringLiteral("cd %1 && \"$TOOL\" --type gif - link.gif < in.bmp").arg(q(dir.path())));
    EXPECT_EQ(redirected.exitCode, 1);
    EXPECT_TRUE(redirected.err.contains(QStringLiteral("is the input file"))) << redirected.err.toStdString();
    EXPECT_EQ(readFile(dir.file("in.bmp")), bmp);
    // In a batch the same file fails alone.
    fs::create_directory(dir.path() / "gifs");
    writeFile(dir.file("gifs/g.gif"), readFile(dir.file("hard.gif")));
    const ToolRun run = tool({q(dir.file("gifs/g.gif")), "-o", q(dir.file("gifs"))});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("is the input file")));
}

TEST(ConvertSafety, linksAreWrittenThroughAndDevicesDirectly)
{
    TempDir dir;
    const QImage picture = quadrants();
    writeFile(dir.file("in.bmp"), encodeBmp(picture, BmpFormat::Rgb24));
    fs::create_directory(dir.path() / "site");
    writeFile(dir.file("site/banner.gif"), {9});
    fs::create_symlink("site/banner.gif", dir.path() / "current.gif");
    fs::create_symlink("/dev/null", dir.path() / "null.gif");
    ToolRun run = tool({q(dir.file("in.bmp")), q(dir.file("current.gif"))});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(fs::is_symlink(dir.path() / "current.gif"));
    testgif::expectSamePicture(testgif::decode(readFile(dir.file("site/banner.gif"))), picture);
    EXPECT_EQ(tool({q(dir.file("in.bmp")), q(dir.file("null.gif"))}).exitCode, 0);
    EXPECT_TRUE(fs::is_symlink(dir.path() / "null.gif"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_EQ(entries(dir.path()), 5u);

    // A full device says what is wrong.
    run = tool({"--type", "gif", q(dir.file("in.bmp")), "/dev/full"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("no space left"))) << run.err.toStdString();
    EXPECT_TRUE(fs::is_character_file("/dev/full"));

    run = tool({q(dir.file("site")), q(dir.file("x.gif"))});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("is a directory"))) << run.err.toStdString();
    run = tool({"--type", "gif", q(dir.file("in.bmp")), q(dir.file("site"))});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Is a directory"))) << run.err.toStdString();
}

TEST(ConvertSafety, stoppingTheCommandWhileItWritesLeavesNothingBehind)
{
    TempDir dir;
    // A picture big enough to take a while to write as BMP.
    QImage big(5000, 4000, QImage::Format_RGB32);
    big.fill(qRgb(30, 60, 90));
    writeFile(dir.file("big.bmp"), encodeBmp(big, BmpFormat::Rgb24));
    writeFile(dir.file("old.bmp"), {4, 4});
    for (int delay : {40, 80, 120, 160, 200, 260, 320}) {
        for (int signal : {SIGTERM, SIGINT}) {
            QProcess process;
            process.start(kTool, {q(dir.file("big.bmp")), q(dir.file("old.bmp"))});
            ASSERT_TRUE(process.waitForStarted());
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            ::kill(static_cast<pid_t>(process.processId()), signal);
            process.waitForFinished(60000);
            EXPECT_EQ(entries(dir.path()), 2u) << "after " << delay << " ms";
            const auto old = readFile(dir.file("old.bmp"));
            // Either untouched or the whole converted picture, never a part.
            if (old.size() != 2) {
                EXPECT_EQ(old.size(), fs::file_size(dir.file("big.bmp")));
            }
            writeFile(dir.file("old.bmp"), {4, 4});
        }
    }

    // Where the file system has no unnamed temporary files the output is
    // written under a hidden name first: stopped then, that file goes too.
    bool stoppedMidWrite = false;
    for (int attempt = 0; attempt < 5 && !stoppedMidWrite; ++attempt) {
        for (int signal : {SIGTERM, SIGINT}) {
            QProcess process;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(NO_UNNAMED_TEMPORARIES));
            // Under the sanitizers' build their runtime need not come first.
            env.insert(QStringLiteral("ASAN_OPTIONS"),
                       env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":verify_asan_link_order=0"));
            process.setProcessEnvironment(env);
            process.start(kTool, {q(dir.file("big.bmp")), q(dir.file("old.bmp"))});
            ASSERT_TRUE(process.waitForStarted());
            bool seen = false;
            while (!seen && process.state() == QProcess::Running) {
                for (const auto& entry : fs::directory_iterator(dir.path()))
                    seen = seen || entry.path().filename().string().rfind(".old.bmp.", 0) == 0;
                if (!seen)
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            if (seen)
                ::kill(static_cast<pid_t>(process.processId()), signal);
            process.waitForFinished(60000);
            stoppedMidWrite = stoppedMidWrite || (seen && process.exitStatus() == QProcess::CrashExit);
            EXPECT_EQ(entries(dir.path()), 2u) << "signal " << signal;
            writeFile(dir.file("old.bmp"), {4, 4});
        }
    }
    EXPECT_TRUE(stoppedMidWrite) << "never caught the command while it wrote its hidden temporary file";
}

TEST(ConvertSafety, hugePicturesAreRefusedFromTheirHeaderWithTheirSize)
{
    TempDir dir;
    // 1 KB of run-length data declaring width x height pixels.
    auto tinyRle = [&](const char* name, std::int32_t width, std::int32_t height) {
        testdib::Header h;
        h.width = width;
        h.height = height;
        h.bpp = 8;
        h.compression = 1;
        h.clrUsed = 2;
        const testdib::Bytes dib = concat({h.bytes(), palette({0x000000, 0xFFFFFF})});
        testdib::Bytes rle = bmpFile(dib, static_cast<std::uint32_t>(dib.size()));
        rle.resize(1024, 0);
        rle.back() = 1; // end of bitmap
        writeFile(dir.file(name), rle);
    };
    // A gigabyte decoded, and too wide for any GIF: refused from the header,
    // so the command never grows big.
    tinyRle("wide.bmp", 1048576, 256);
    ToolRun run =
        shell(QStringLiteral("/usr/bin/time -f %M -o %1/peak \"$TOOL\" %1/wide.bmp %1/wide.gif").arg(q(dir.path())));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("1048576 x 256 pixels"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("65535")));
    EXPECT_FALSE(fs::exists(dir.file("wide.gif")));
    // time(1) notes the failed exit on a line of its own; the figure is last.
    const auto peak = readFile(dir.file("peak"));
    const QStringList timeLines =
        QString::fromLatin1(reinterpret_cast<const char*>(peak.data()), static_cast<qsizetype>(peak.size()))
            .split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(timeLines.isEmpty());
    bool number = false;
    const long peakKiB = timeLines.last().toLong(&number);
    ASSERT_TRUE(number) << timeLines.last().toStdString();
    EXPECT_LT(peakKiB, 300 * 1024) << "peak resident memory in KiB";

    // As BMP there is no 16-bit limit, but no machine has the memory for a
    // terabyte of pixels: refused with the size and the memory it needs.
    tinyRle("huge.bmp", 1048576, 1048576);
    run = tool({q(dir.file("huge.bmp")), q(dir.file("huge.out.bmp"))});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("1048576 x 1048576 pixels need about"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("MB of memory")));
    EXPECT_FALSE(fs::exists(dir.file("huge.out.bmp")));

    // A file read whole before it decodes is refused from its length when
    // no machine could hold it (a sparse terabyte with a PNG signature).
    writeFile(dir.file("huge.png"), {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
    fs::resize_file(dir.file("huge.png"), std::uintmax_t{1} << 40);
    run = tool({q(dir.file("huge.png")), q(dir.file("huge.gif"))});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("the file is larger than the"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("MB of memory the machine can spare")));
    EXPECT_FALSE(fs::exists(dir.file("huge.gif")));
}

TEST(ConvertInputs, everyFormatMadeByAnotherProgramReadsWithItsColours)
{
    TempDir dir;
    const QImage picture = quadrants(32, 16);
    ASSERT_TRUE(picture.save(q(dir.file("qt.png"))));
    const QString source = q(dir.file("qt.png"));
    struct Case {
        const char* file;
        QStringList options;
        int tolerance;
    };
    const std::vector<Case> cases = {
        {"a.png", {}, 0},
        {"a.gif", {}, 0},
        {"a.tif", {}, 0},
        {"a.webp", {"-define", "webp:lossless=true"}, 0},
        {"a.jpg", {"-quality", "95"}, 24},
        {"v5.bmp", {}, 0},                                    // ImageMagick's default: 124-byte header
        {"v4.bmp", {"-define", "bmp:format=bmp4"}, 0},        // 108-byte header
        {"rgb565.bmp", {"-define", "bmp:subtype=RGB565"}, 8}, // 16-bit bit fields
        {"argb4444.bmp", {"-define", "bmp:subtype=ARGB4444"}, 17},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        QStringList args = {source};
        args += c.options;
        args << q(dir.file(c.file));
        ASSERT_TRUE(magick(args));
        const std::string out = dir.file(std::string(c.file) + ".out.bmp");
        const ToolRun run = tool({"--type", "bmp", q(dir.file(c.file)), q(out)});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        expectNear(bmpOutput(out), picture, c.tolerance, c.file);
    }
    // GIF output of a new kind, scaled, as from a BMP.
    const ToolRun run = tool({"--scale", "50", q(dir.file("a.webp")), q(dir.file("half.gif"))});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    testgif::expectSamePicture(testgif::decode(readFile(dir.file("half.gif"))),
                               picture.scaled(16, 8, Qt::IgnoreAspectRatio, Qt::FastTransformation));

    // An animated GIF gives its first frame.
    ASSERT_TRUE(magick({"-size", "8x4", "xc:#ff0000", "xc:#0000ff", q(dir.file("anim.gif"))}));
    ASSERT_EQ(tool({"--type", "bmp", q(dir.file("anim.gif")), q(dir.file("anim.bmp"))}).exitCode, 0);
    EXPECT_EQ(bmpOutput(dir.file("anim.bmp")).pixel(3, 2), qRgb(255, 0, 0));

    // The control's refusal of these stays its own: a text file is still
    // none of the kinds, now with the full list.
    writeFile(dir.file("words.png"), {'w', 'o', 'r', 'd', 's'});
    const ToolRun text = tool({q(dir.file("words.png")), q(dir.file("words.gif"))});
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_TRUE(text.err.contains(QStringLiteral("PNG, JPEG, GIF, TIFF or WebP"))) << text.err.toStdString();
}

TEST(ConvertInputs, aDamagedPictureIsOneLineWhateverItsDecoderLibrarySays)
{
    TempDir dir;
    // The PNG and TIFF decoders print their own complaints unless kept quiet.
    ASSERT_TRUE(quadrants(64, 64).save(q(dir.file("qt.png"))));
    QStringList damaged;
    for (const char* name : {"png-cut.png", "tif-cut.tif"}) {
        ASSERT_TRUE(magick({q(dir.file("qt.png")), q(dir.file(std::string("whole-") + name))}));
        auto bytes = readFile(dir.file(std::string("whole-") + name));
        bytes.resize(bytes.size() / 2);
        writeFile(dir.file(name), bytes);
        damaged << q(dir.file(name));
        const ToolRun run = tool({q(dir.file(name)), q(dir.file(std::string(name) + ".gif"))});
        EXPECT_EQ(run.exitCode, 1) << name;
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("pictaf-convert: cannot read '%1'").arg(q(dir.file(name)))))
            << run.err.toStdString();
    }
    // In a batch: a line for each, and the summary.
    const ToolRun run = tool(damaged + QStringList{"-o", q(dir.file("out"))});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.count('\n'), 3) << run.err.toStdString();
}

TEST(ConvertInputs, aPictureCutShortIsRefusedAndNothingIsWritten)
{
    TempDir dir;
    // Noise, so every format has pixel data all along the file.
    ASSERT_TRUE(magick({"-size", "96x64", "plasma:", "-seed", "7", q(dir.file("source.png"))}));
    QStringList cut;
    for (const char* name : {"jpeg.jpg", "png.png", "gif.gif", "tiff.tif", "webp.webp"}) {
        SCOPED_TRACE(name);
        const std::string whole = dir.file(std::string("whole-") + name);
        ASSERT_TRUE(magick({q(dir.file("source.png")), q(whole)}));
        auto bytes = readFile(whole);
        bytes.resize(bytes.size() / 2);
        const std::string file = dir.file(name);
        writeFile(file, bytes);
        cut << q(file);
        const ToolRun run = tool({q(file), q(dir.file(std::string(name) + ".gif"))});
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("pictaf-convert: cannot read '%1': ").arg(q(file))))
            << run.err.toStdString();
        EXPECT_FALSE(fs::exists(dir.file(std::string(name) + ".gif")));
    }
    // Those whose structure shows the cut say so (the JPEG and GIF readers
    // would fill in the missing part and succeed).
    for (const char* name : {"jpeg.jpg", "gif.gif", "png.png", "webp.webp"}) {
        const ToolRun run = tool({q(dir.file(name)), "--type", "gif", "-"});
        EXPECT_TRUE(run.out.isEmpty()) << name;
        EXPECT_TRUE(run.err.contains(QStringLiteral("is damaged: its data ends early"))) << run.err.toStdString();
    }
    // A JPEG short of only its end marker and a PNG of only the end of its
    // last chunk are cut too; a GIF without its trailer has its whole
    // picture and converts, and so do bytes after a JPEG's end.
    auto jpeg = readFile(dir.file("whole-jpeg.jpg"));
    auto png = readFile(dir.file("whole-png.png"));
    auto gif = readFile(dir.file("whole-gif.gif"));
    ASSERT_EQ(gif.back(), 0x3B);
    writeFile(dir.file("no-eoi.jpg"), std::vector<std::uint8_t>(jpeg.begin(), jpeg.end() - 2));
    writeFile(dir.file("no-crc.png"), std::vector<std::uint8_t>(png.begin(), png.end() - 1));
    writeFile(dir.file("no-trailer.gif"), std::vector<std::uint8_t>(gif.begin(), gif.end() - 1));
    // A thumbnail in the metadata ends with an end marker of its own: a
    // cut picture after it is still cut.
    std::vector<std::uint8_t> thumbnailed = {0xFF, 0xD8, 0xFF, 0xE1};
    const std::size_t app1 = 2 + 6 + jpeg.size();
    thumbnailed.insert(thumbnailed.end(),
                       {static_cast<std::uint8_t>(app1 >> 8), static_cast<std::uint8_t>(app1), 'E', 'x', 'i', 'f', 0,
                        0});
    thumbnailed.insert(thumbnailed.end(), jpeg.begin(), jpeg.end());
    ASSERT_LT(app1, 65536u);
    auto whole = thumbnailed;
    whole.insert(whole.end(), jpeg.begin() + 2, jpeg.end());
    writeFile(dir.file("thumbnailed-whole.jpg"), whole);
    EXPECT_EQ(tool({q(dir.file("thumbnailed-whole.jpg")), q(dir.file("thumbnailed-whole.gif"))}).exitCode, 0);
    const auto cutJpeg = readFile(dir.file("jpeg.jpg"));
    thumbnailed.insert(thumbnailed.end(), cutJpeg.begin() + 2, cutJpeg.end());
    writeFile(dir.file("thumbnailed.jpg"), thumbnailed);
    EXPECT_EQ(tool({q(dir.file("thumbnailed.jpg")), q(dir.file("thumbnailed.gif"))}).exitCode, 1);
    jpeg.insert(jpeg.end(), {0xFF, 0xD8, 'x', 'y'});
    writeFile(dir.file("more.jpg"), jpeg);
    EXPECT_EQ(tool({q(dir.file("no-eoi.jpg")), q(dir.file("no-eoi.gif"))}).exitCode, 1);
    EXPECT_EQ(tool({q(dir.file("no-crc.png")), q(dir.file("no-crc.gif"))}).exitCode, 1);
    EXPECT_EQ(tool({q(dir.file("no-trailer.gif")), q(dir.file("no-trailer.out.gif"))}).exitCode, 0);
    EXPECT_EQ(tool({q(dir.file("more.jpg")), q(dir.file("more.gif"))}).exitCode, 0);

    // Our own BMP reader keeps reading short pixel data as black.
    ASSERT_TRUE(magick({q(dir.file("source.png")), QStringLiteral("BMP3:") + q(dir.file("whole.bmp"))}));
    auto bmp = readFile(dir.file("whole.bmp"));
    bmp.resize(bmp.size() / 2);
    writeFile(dir.file("short.bmp"), bmp);
    ASSERT_EQ(tool({"--type", "bmp", q(dir.file("short.bmp")), q(dir.file("short.out.bmp"))}).exitCode, 0);
    EXPECT_EQ(bmpOutput(dir.file("short.out.bmp")).pixel(5, 5), qRgb(0, 0, 0)); // bottom-up: the top is missing

    // In a batch each is a line of its own and the good one is converted.
    const ToolRun batch = tool(cut + QStringList{q(dir.file("whole-png.png")), "-o", q(dir.file("out"))});
    EXPECT_EQ(batch.exitCode, 1);
    EXPECT_EQ(batch.err.count('\n'), 6) << batch.err.toStdString();
    EXPECT_TRUE(batch.err.contains(QStringLiteral("1 converted, 5 failed"))) << batch.err.toStdString();
    EXPECT_EQ(entries(dir.path() / "out"), 1u);
}

TEST(ConvertPipes, aStreamIsReadNoFurtherThanItsPictureEnds)
{
    TempDir dir;
    // Larger than a pipe's buffer in every format, so the end is found
    // across several reads.
    ASSERT_TRUE(magick({"-size", "400x300", "plasma:", "-seed", "3", q(dir.file("source.png"))}));
    std::vector<std::string> files;
    for (const QString& made :
         {QStringLiteral("BMP3:%1/plain.bmp"), QStringLiteral("%1/v5.bmp"), QStringLiteral("%1/a.jpg"),
          QStringLiteral("%1/a.png"), QStringLiteral("%1/a.gif"), QStringLiteral("%1/a.webp")}) {
        ASSERT_TRUE(magick({q(dir.file("source.png")), made.arg(q(dir.path()))}));
        files.push_back(made.section('/', -1).toStdString());
    }
    ASSERT_TRUE(magick({q(dir.file("source.png")), "-colors", "16", "-compress", "RLE",
                        QStringLiteral("BMP3:%1/rle.bmp").arg(q(dir.path()))}));
    files.push_back("rle.bmp");
    testmf::WmfBuilder wmf;
    wmf.add(0x020C, {30, 40})           // SETWINDOWEXT: height, width
        .add(0x02FC, {0, 0x00FF, 0, 0}) // CREATEBRUSHINDIRECT solid red
        .add(0x012D, {0})               // SELECTOBJECT
        .add(0x041B, {20, 30, 0, 0});   // RECTANGLE
    writeFile(dir.file("standard.wmf"), wmf.standard());
    writeFile(dir.file("placeable.wmf"), wmf.placeable(0, 0, 40, 30, 96));
    testmf::EmfBuilder emf;
    emf.bounds = {0, 0, 39, 29};
    emf.add(39, {0x0000FF}).add(37, {0x80000000}).add(43, {2, 2, 20, 20}); // brush, select, rectangle
    writeFile(dir.file("a.emf"), emf.bytes());
    files.insert(files.end(), {"standard.wmf", "placeable.wmf", "a.emf"});

    for (const std::string& name : files) {
        SCOPED_TRACE(name);
        ASSERT_EQ(tool({"--type", "bmp", q(dir.file(name)), q(dir.file(name + ".file.bmp"))}).exitCode, 0);
        // The picture, then data without end: read up to where the picture
        // ends, then the writer of the rest finds the pipe closed.
        const ToolRun run =
            shell(QStringLiteral("{ cat %1/%2; yes; } | timeout 30 \"$TOOL\" --type bmp - %1/%2.pipe.bmp; "
                                 "echo \"${PIPESTATUS[0]} ${PIPESTATUS[1]}\"")
                      .arg(q(dir.path()), q(name)));
        const std::string statuses = run.out.trimmed().toStdString();
        EXPECT_TRUE(statuses == "141 0" || statuses == "1 0") << statuses << "; " << run.err.toStdString();
        EXPECT_EQ(readFile(dir.file(name + ".pipe.bmp")), readFile(dir.file(name + ".file.bmp")));
    }
}

TEST(ConvertInputs, alphaIsComposedOntoTheBackgroundColour)
{
    TempDir dir;
    // Half-transparent red over opaque blue and a fully transparent column.
    ASSERT_TRUE(magick({"(", "-size", "5x2", "xc:rgba(255,0,0,0.5)", "-fill", "rgb(0,0,255)", "-draw", "point 1,1", ")",
                        "(", "-size", "1x2", "xc:none", ")", "+append", q(dir.file("alpha.png"))}));
    ASSERT_TRUE(magick({q(dir.file("alpha.png")), "-define", "bmp:format=bmp4", q(dir.file("alpha.bmp"))}));
    for (const char* input : {"alpha.png", "alpha.bmp"}) {
        SCOPED_TRACE(input);
        const std::string out = dir.file(std::string(input) + ".out.bmp");
        // --bg is 0xBBGGRR: 0x00FF00 is green.
        const ToolRun run = tool({"--type", "bmp", "--bg", "0x00FF00", q(dir.file(input)), q(out)});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QImage image = bmpOutput(out);
        const QRgb half = image.pixel(0, 0);
        EXPECT_NEAR(qRed(half), 128, 2);
        EXPECT_NEAR(qGreen(half), 128, 2);
        EXPECT_EQ(qBlue(half), 0);
        EXPECT_EQ(image.pixel(1, 1), qRgb(0, 0, 255));
        EXPECT_EQ(image.pixel(5, 0), qRgb(0, 255, 0));
    }
}

TEST(ConvertInputs, bmpKindsOtherProgramsWriteByHand)
{
    TempDir dir;
    const QImage picture = quadrants(12, 6);
    auto check = [&](const char* name, const testdib::Bytes& bytes, int tolerance) {
        SCOPED_TRACE(name);
        writeFile(dir.file(name), bytes);
        const std::string out = dir.file(std::string(name) + ".out.bmp");
        const ToolRun run = tool({"--type", "bmp", q(dir.file(name)), q(out)});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        expectNear(bmpOutput(out), picture, tolerance, name);
    };
    // Rows bottom-up, blue green red, padded to four bytes.
    testdib::Bytes rows24;
    for (int y = picture.height() - 1; y >= 0; --y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            rows24.insert(rows24.end(),
                          {static_cast<std::uint8_t>(qBlue(p)), static_cast<std::uint8_t>(qGreen(p)),
                           static_cast<std::uint8_t>(qRed(p))});
        }
        while (rows24.size() % 4)
            rows24.push_back(0);
    }

    // OS/2 2.x: a 64-byte header whose first 40 bytes read as the Windows one.
    testdib::Header h;
    h.size = 64;
    h.width = picture.width();
    h.height = picture.height();
    const testdib::Bytes os2 = bmpFile(concat({h.bytes(), rows24}), 64);
    check("os2.bmp", os2, 0);

    // Ten bits per channel in 32-bit bit fields.
    h.size = 56;
    h.bpp = 32;
    h.compression = 3;
    const std::uint32_t masks[4] = {0x3FF00000, 0x000FFC00, 0x000003FF, 0};
    std::copy(std::begin(masks), std::end(masks), h.masks);
    testdib::Bytes pixels;
    for (int y = picture.height() - 1; y >= 0; --y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            const auto ten = [](int c) { return static_cast<std::uint32_t>(c * 1023 / 255); };
            put32(pixels, (ten(qRed(p)) << 20) | (ten(qGreen(p)) << 10) | ten(qBlue(p)));
        }
    check("ten-bit.bmp", bmpFile(concat({h.bytes(), pixels}), 56), 1);

    // A whole PNG as the pixels (compression 5), the PNG made by ImageMagick.
    ASSERT_TRUE(picture.save(q(dir.file("qt.png"))));
    ASSERT_TRUE(magick({q(dir.file("qt.png")), q(dir.file("embedded.png"))}));
    const auto png = readFile(dir.file("embedded.png"));
    h.size = 124;
    h.bpp = 0;
    h.compression = 5;
    h.imageSize = static_cast<std::uint32_t>(png.size());
    std::fill(std::begin(h.masks), std::end(h.masks), 0u);
    check("png-inside.bmp", bmpFile(concat({h.bytes(), png}), 124), 0);

    // The control still refuses these headers.
    pictaf::Status status = pictaf::Status::Ok;
    EXPECT_TRUE(pictaf::ReadBmpIntoDib(os2, &status).empty());
    EXPECT_EQ(status, pictaf::Status::Unsupported);
}

TEST(ConvertInputs, aStandardMetafileIsSizedFromItsWindowExtent)
{
    TempDir dir;
    testmf::WmfBuilder wmf;
    wmf.add(0x020B, {0, 0})             // SETWINDOWORG
        .add(0x020C, {50, 120})         // SETWINDOWEXT: height 50, width 120
        .add(0x02FC, {0, 0x00FF, 0, 0}) // CREATEBRUSHINDIRECT solid red
        .add(0x012D, {0})               // SELECTOBJECT
        .add(0x041B, {50, 120, 0, 0});  // RECTANGLE bottom, right, top, left
    writeFile(dir.file("plain.wmf"), wmf.standard());
    const ToolRun run = tool({"--type", "bmp", q(dir.file("plain.wmf")), q(dir.file("plain.bmp"))});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage image = bmpOutput(dir.file("plain.bmp"));
    EXPECT_EQ(image.size(), QSize(120, 50));
    EXPECT_EQ(image.pixel(60, 25), qRgb(255, 0, 0));
    // In a batch the workers draw it too (the application object for its
    // fonts is made before they start).
    const ToolRun batch = tool({q(dir.file("plain.wmf")), "-o", q(dir.file("out"))});
    ASSERT_EQ(batch.exitCode, 0) << batch.err.toStdString();
    EXPECT_EQ(testgif::decode(readFile(dir.file("out/plain.gif"))).width, 120);

    testmf::WmfBuilder sizeless;
    sizeless.add(0x041B, {50, 120, 0, 0});
    writeFile(dir.file("sizeless.wmf"), sizeless.standard());
    const ToolRun refused = tool({q(dir.file("sizeless.wmf")), q(dir.file("sizeless.gif"))});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("window extent"))) << refused.err.toStdString();
}
