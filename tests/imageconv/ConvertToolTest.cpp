#include "GifDecode.h"
#include "TempDir.h"
#include "TestBmp.h"

#include <ConvertOptions.h>

#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>

using namespace pictaf;
using namespace testdib;

namespace {

bool parse(std::vector<std::string> args, ConvertOptions& options, std::string& error)
{
    options = ConvertOptions();
    error.clear();
    return ParseConvertArguments(args, options, error);
}

struct ToolRun {
    int exitCode = -1;
    QString out, err;
};

ToolRun runTool(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(VELNORA_BINARY_DIR "/bin/pictaf-convert"), args);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

QString q(const std::string& s) { return QString::fromStdString(s); }

QImage smallPicture()
{
    QImage picture(30, 12, QImage::Format_RGB32);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 30; ++x)
            picture.setPixel(x, y, qRgb(x < 15 ? 200 : 10, y * 20, 90));
    return picture;
}

} // namespace

TEST(ConvertOptions, defaultsFollowTheControlAndTheTypeFollowsTheExtension)
{
    ConvertOptions o;
    std::string error;
    ASSERT_TRUE(parse({"in.bmp", "OUT.GIF"}, o, error)) << error;
    EXPECT_EQ(o.type, ConvertOptions::Type::Gif);
    EXPECT_EQ(o.scaleX, 100);
    EXPECT_EQ(o.scaleY, 100);
    EXPECT_EQ(o.bgColor, 0xFFFFFFu);
    EXPECT_TRUE(o.transparent);
    EXPECT_TRUE(o.interlaced);
    ASSERT_TRUE(parse({"in.bmp", "out.bmp"}, o, error));
    EXPECT_EQ(o.type, ConvertOptions::Type::Bmp);
    ASSERT_TRUE(parse({"in.bmp", "out.bmp", "--type", "gif"}, o, error));
    EXPECT_EQ(o.type, ConvertOptions::Type::Gif);
    EXPECT_FALSE(parse({"in.bmp", "out.png"}, o, error));
    EXPECT_NE(error.find("--type"), std::string::npos);
}

TEST(ConvertOptions, optionsMayStandBeforeOrAfterTheNames)
{
    ConvertOptions o;
    std::string error;
    ASSERT_TRUE(
        parse({"--scale", "150,80", "a.bmp", "--no-interlace", "b.gif", "--bg=0x00ff00", "--no-transparent"}, o, error))
        << error;
    EXPECT_EQ(o.input, "a.bmp");
    EXPECT_EQ(o.output, "b.gif");
    EXPECT_EQ(o.scaleX, 150);
    EXPECT_EQ(o.scaleY, 80);
    EXPECT_EQ(o.bgColor, 0x00ff00u);
    EXPECT_FALSE(o.interlaced);
    EXPECT_FALSE(o.transparent);
    EXPECT_FALSE(parse({"a.bmp", "b.gif", "--scale=50", "--", "--size"}, o, error)); // three names
    ASSERT_TRUE(parse({"--size", "468x60", "--", "-in.bmp", "out.gif"}, o, error)) << error;
    EXPECT_TRUE(o.exactSize);
    EXPECT_EQ(o.width, 468);
    EXPECT_EQ(o.height, 60);
    EXPECT_EQ(o.input, "-in.bmp");
}

TEST(ConvertOptions, rejectsValuesItCannotUse)
{
    ConvertOptions o;
    std::string error;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"a.bmp"},
             {"a.bmp", "b.gif", "--scale", "0"},
             {"a.bmp", "b.gif", "--scale", "50,"},
             {"a.bmp", "b.gif", "--scale", "-5"},
             {"a.bmp", "b.gif", "--size", "468"},
             {"a.bmp", "b.gif", "--size", "0x60"},
             {"a.bmp", "b.gif", "--bg", "white"},
             {"a.bmp", "b.gif", "--bg", "0x1ffffffff"},
             {"a.bmp", "b.gif", "--type", "png"},
             {"a.bmp", "b.gif", "--scale"},
             {"a.bmp", "b.gif", "--colour", "3"},
             {"a.bmp", "b.gif", "--no-interlace=1"},
             {"a.bmp", "b.gif", "--scale", "50", "--size", "10x10"},
         }) {
        EXPECT_FALSE(parse(args, o, error)) << args.back();
        EXPECT_FALSE(error.empty());
    }
    EXPECT_TRUE(parse({"--help"}, o, error));
    EXPECT_TRUE(o.help);
}

TEST(ConvertTool, convertsBmpToGifAndBmp)
{
    TempDir dir;
    const QImage picture = smallPicture();
    writeFile(dir.file("in.bmp"), encodeBmp(picture, BmpFormat::Rgb24));
    ToolRun run = runTool({q(dir.file("in.bmp")), q(dir.file("out.gif"))});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    const testgif::Decoded gif = testgif::decode(readFile(dir.file("out.gif")));
    testgif::expectSamePicture(gif, picture);
    EXPECT_TRUE(gif.interlaced);
    EXPECT_EQ(gif.transparent, 0);

    run = runTool({"--size", "60x6", q(dir.file("in.bmp")), q(dir.file("out.bmp"))});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage bmp(q(dir.file("out.bmp")));
    EXPECT_EQ(bmp.size(), QSize(60, 6));
    // Only the two outputs are left: no temporary files.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

TEST(ConvertTool, failureIsOneLineAndLeavesNoOutput)
{
    TempDir dir;
    writeFile(dir.file("text.bmp"), {'h', 'e', 'l', 'l', 'o'});
    ToolRun run = runTool({q(dir.file("text.bmp")), q(dir.file("out.gif"))});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String("not a picture this program reads")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.gif")));

    // A damaged BMP over an existing output: the old file stays as it was.
    writeFile(dir.file("old.gif"), {1, 2, 3});
    run = runTool({q(VELNORA_SOURCE_DIR "/tests/data/bad/file_header_only.bmp"), q(dir.file("old.gif"))});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.err.contains(QLatin1String("damaged")));
    EXPECT_EQ(readFile(dir.file("old.gif")), (std::vector<std::uint8_t>{1, 2, 3}));

    // Too wide for a GIF: nothing is written, not even a temporary file.
    writeFile(dir.file("in.bmp"), encodeBmp(smallPicture(), BmpFormat::Rgb24));
    run = runTool({"--size", "70000x1", q(dir.file("in.bmp")), q(dir.file("wide.gif"))});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("wide.gif")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);

    // A metafile starts the application object for fonts; a broken one still
    // fails with one line and no output.
    std::vector<std::uint8_t> wmfKeyOnly = {0xd7, 0xcd, 0xc6, 0x9a};
    wmfKeyOnly.resize(22, 0);
    writeFile(dir.file("key.wmf"), wmfKeyOnly);
    run = runTool({q(dir.file("key.wmf")), q(dir.file("key.gif"))});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
    EXPECT_FALSE(std::filesystem::exists(dir.file("key.gif")));

    run = runTool({"--bogus"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.startsWith(QLatin1String("pictaf-convert: unknown option --bogus")));
    run = runTool({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.contains(QLatin1String("--no-interlace")));
}

TEST(ConvertOptions, compactAndItsBudget)
{
    ConvertOptions o;
    std::string error;
    ASSERT_TRUE(parse({"a.bmp", "b.gif"}, o, error));
    EXPECT_FALSE(o.compact);
    EXPECT_EQ(o.sizeBudget, -1);
    ASSERT_TRUE(parse({"--compact", "a.bmp", "b.gif", "--size-budget", "15000"}, o, error)) << error;
    EXPECT_TRUE(o.compact);
    EXPECT_EQ(o.sizeBudget, 15000);
    ASSERT_TRUE(parse({"--compact", "--size-budget=1", "a.bmp", "b.gif"}, o, error)) << error;
    EXPECT_EQ(o.sizeBudget, 1);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"a.bmp", "b.gif", "--size-budget", "100"}, // without --compact
             {"a.bmp", "b.gif", "--compact", "--size-budget", "0"},
             {"a.bmp", "b.gif", "--compact", "--size-budget", "-3"},
             {"a.bmp", "b.gif", "--compact", "--size-budget", "12k"},
             {"a.bmp", "b.gif", "--compact", "--size-budget"},
             {"a.bmp", "b.bmp", "--compact"},
             {"a.bmp", "b.gif", "--compact=1"},
         }) {
        EXPECT_FALSE(parse(args, o, error)) << args.back();
        EXPECT_FALSE(error.empty());
    }
}

TEST(ConvertTool, compactGifShowsTheSamePixelsInFewerBytes)
{
    TempDir dir;
    QImage picture(400, 100, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x / 20 * 12, y < 50 ? 30 : 200, (x + y) % 3 == 0 ? 90 : 10));
    writeFile(dir.file("in.bmp"), encodeBmp(picture, BmpFormat::Rgb24));
    ToolRun run = runTool({q(dir.file("in.bmp")), q(dir.file("plain.gif"))});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    run = runTool({"--compact", q(dir.file("in.bmp")), q(dir.file("compact.gif"))});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    const auto plainBytes = readFile(dir.file("plain.gif"));
    const auto compactBytes = readFile(dir.file("compact.gif"));
    EXPECT_LT(compactBytes.size(), plainBytes.size());
    const testgif::Decoded plain = testgif::decode(plainBytes);
    const testgif::Decoded compact = testgif::decode(compactBytes);
    testgif::expectSamePicture(compact, picture);
    EXPECT_EQ(compact.indices, plain.indices);
    EXPECT_EQ(compact.colours, plain.colours);
    EXPECT_EQ(compact.transparent, plain.transparent);
    EXPECT_EQ(compact.interlaced, plain.interlaced);
    // The control's own bytes are unchanged by the option's existence.
    EXPECT_EQ(std::string(plainBytes.begin(), plainBytes.begin() + 6), "GIF89a");
}

TEST(ConvertTool, overTheSizeBudgetSaysByHowMuchExitsThreeAndKeepsTheFile)
{
    TempDir dir;
    writeFile(dir.file("in.bmp"), encodeBmp(smallPicture(), BmpFormat::Rgb24));
    ToolRun run = runTool({"--compact", q(dir.file("in.bmp")), q(dir.file("free.gif"))});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const auto want = readFile(dir.file("free.gif"));
    const auto size = static_cast<long long>(want.size());

    run = runTool(
        {"--compact", "--size-budget", QString::number(size - 10), q(dir.file("in.bmp")), q(dir.file("over.gif"))});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
    EXPECT_TRUE(
        run.err.contains(QStringLiteral("is %1 bytes, 10 bytes over the budget of %2").arg(size).arg(size - 10)))
        << run.err.toStdString();
    EXPECT_EQ(readFile(dir.file("over.gif")), want);

    run =
        runTool({"--compact", "--size-budget", QString::number(size), q(dir.file("in.bmp")), q(dir.file("exact.gif"))});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    EXPECT_EQ(readFile(dir.file("exact.gif")), want);
    // Outputs only: no temporary file left behind by either run.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4);

    run = runTool({"--help"});
    EXPECT_TRUE(run.out.contains(QLatin1String("--compact")));
    EXPECT_TRUE(run.out.contains(QLatin1String("--size-budget")));
}
