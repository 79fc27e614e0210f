// The public conversion library: the same bytes as the command-line tool
// writes, from files and from memory, and failures as values.
#include "GifDecode.h"
#include "TempDir.h"
#include "TestBmp.h"

#include <pictaf/Convert.h>

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>

namespace {

QImage testPicture()
{
    QImage img(37, 11, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, (x + y) % 3 == 0 ? qRgb(255, 255, 255) : qRgb(200, 30 * (x % 8), 10 * y));
    return img;
}

// What the command-line tool writes for the same picture and options: the
// control's engine in a process of its own.
std::vector<std::uint8_t> toolOutput(const std::string& input, const QStringList& options, const TempDir& dir)
{
    const std::string out = dir.file("tool.out");
    QProcess tool;
    tool.start(QStringLiteral(VELNORA_BINARY_DIR "/bin/pictaf-convert"),
               options + QStringList{QString::fromStdString(input), QString::fromStdString(out)});
    EXPECT_TRUE(tool.waitForFinished(30000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    return readFile(out);
}

TEST(ConvertApi, FileAndMemoryGiveTheConvertersBytesForEveryOptionSet)
{
    TempDir dir;
    const std::string input = dir.file("in.bmp");
    const auto bmp = testdib::encodeBmp(testPicture(), testdib::BmpFormat::Rgb24);
    writeFile(input, bmp);

    struct Case {
        pictaf::Options options;
        QStringList toolOptions;
    };
    std::vector<Case> cases(4);
    cases[0].toolOptions = {QStringLiteral("--type=gif")};
    cases[1].options.transparent = false;
    cases[1].options.interlaced = false;
    cases[1].options.bgColor = 0x0000FF;
    cases[1].toolOptions = {QStringLiteral("--type=gif"), QStringLiteral("--no-transparent"),
                            QStringLiteral("--no-interlace"), QStringLiteral("--bg=0x0000FF")};
    cases[2].options.width = 74;
    cases[2].options.height = 5;
    cases[2].toolOptions = {QStringLiteral("--type=gif"), QStringLiteral("--size=74x5")};
    cases[3].options.type = pictaf::OutputType::Bmp;
    cases[3].toolOptions = {QStringLiteral("--type=bmp")};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.toolOptions.join(QLatin1Char(' ')).toStdString());
        const auto expected = toolOutput(input, c.toolOptions, dir);
        ASSERT_FALSE(expected.empty());
        const pictaf::Result fromFile = pictaf::convertFile(input, c.options);
        ASSERT_TRUE(fromFile) << fromFile.error;
        EXPECT_TRUE(fromFile.error.empty());
        EXPECT_EQ(fromFile.bytes, expected);
        const pictaf::Result fromMemory = pictaf::convertPicture(bmp, c.options);
        ASSERT_TRUE(fromMemory) << fromMemory.error;
        EXPECT_EQ(fromMemory.bytes, expected);
    }
}

TEST(ConvertApi, OutputsArePicturesOfTheRequestedKind)
{
    const QImage picture = testPicture();
    const auto bmp = testdib::encodeBmp(picture, testdib::BmpFormat::Rgb24);

    pictaf::Options opaque;
    opaque.transparent = false;
    const pictaf::Result gif = pictaf::convertPicture(bmp, opaque);
    ASSERT_TRUE(gif) << gif.error;
    ASSERT_GE(gif.bytes.size(), 6u);
    EXPECT_EQ(std::string(gif.bytes.begin(), gif.bytes.begin() + 6), "GIF87a");
    testgif::expectSamePicture(testgif::decode(gif.bytes), picture);

    pictaf::Options asBmp;
    asBmp.type = pictaf::OutputType::Bmp;
    const pictaf::Result out = pictaf::convertPicture(bmp, asBmp);
    ASSERT_TRUE(out) << out.error;
    const std::size_t rowBytes = (37 * 3 + 3) / 4 * 4;
    EXPECT_EQ(out.bytes.size(), 54 + rowBytes * 11);
    EXPECT_EQ(out.bytes[0], 'B');
    EXPECT_EQ(out.bytes[1], 'M');
}

TEST(ConvertApi, MetafilesConvertAtTheirOwnSize)
{
    const pictaf::Result r = pictaf::convertFile(VELNORA_SOURCE_DIR "/tests/data/metafile/pillow-drawing.wmf");
    ASSERT_TRUE(r) << r.error;
    const testgif::Decoded d = testgif::decode(r.bytes);
    ASSERT_TRUE(d.ok);
    const QImage reference(QStringLiteral(VELNORA_SOURCE_DIR "/tests/data/metafile/pillow-drawing.wmf.png"));
    ASSERT_FALSE(reference.isNull());
    EXPECT_EQ(d.width, reference.width());
    EXPECT_EQ(d.height, reference.height());
}

TEST(ConvertApi, FailuresComeBackAsMessages)
{
    TempDir dir;
    const pictaf::Result missing = pictaf::convertFile(dir.file("nowhere.bmp"));
    EXPECT_FALSE(missing);
    EXPECT_TRUE(missing.bytes.empty());
    EXPECT_NE(missing.error.find("nowhere.bmp"), std::string::npos) << missing.error;

    const pictaf::Result folder = pictaf::convertFile(dir.path().string());
    EXPECT_FALSE(folder);
    EXPECT_NE(folder.error.find("not a regular file"), std::string::npos) << folder.error;

    const std::vector<std::uint8_t> junk = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'};
    const pictaf::Result garbage = pictaf::convertPicture(junk);
    EXPECT_FALSE(garbage);
    EXPECT_TRUE(garbage.bytes.empty());
    EXPECT_NE(garbage.error.find("not a placeable WMF, EMF or BMP file"), std::string::npos) << garbage.error;

    const pictaf::Result empty = pictaf::convertPicture({});
    EXPECT_FALSE(empty);

    const auto bmp = testdib::encodeBmp(testPicture(), testdib::BmpFormat::Rgb24);
    pictaf::Options halfSize;
    halfSize.width = 20;
    EXPECT_FALSE(pictaf::convertPicture(bmp, halfSize));
    pictaf::Options negative;
    negative.width = -1;
    negative.height = 5;
    EXPECT_FALSE(pictaf::convertPicture(bmp, negative));
    pictaf::Options tooWide;
    tooWide.width = 70000;
    tooWide.height = 1;
    const pictaf::Result wide = pictaf::convertPicture(bmp, tooWide);
    EXPECT_FALSE(wide);
    EXPECT_TRUE(wide.bytes.empty());
}

} // namespace
