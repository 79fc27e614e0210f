// Real metafiles: the stored regression pictures (tests/data/metafile), and,
// when the shared corpus is present, every file of it.
#include "CorpusRender.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdlib>
#include <set>

using velnora::test::CorpusFile;

namespace {

const QString kDataDir = QStringLiteral(VELNORA_SOURCE_DIR "/tests/data/metafile/");

struct Regression {
    const char* file;
    const char* kind;
    int width = 0; // 0: natural size through the file loader
    int height = 0;
};

// Pixels whose colour differs by more than 32 in a channel, as a fraction.
double differingFraction(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 1.0;
    std::size_t differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > 32 || std::abs(qGreen(p) - qGreen(q)) > 32
                || std::abs(qBlue(p) - qBlue(q)) > 32)
                ++differing;
        }
    return double(differing) / (double(a.width()) * a.height());
}

bool hasInk(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                return true;
    return false;
}

} // namespace

class MetafileRegression : public ::testing::TestWithParam<Regression> {};

TEST_P(MetafileRegression, rendersAsTheStoredPicture)
{
    const Regression& r = GetParam();
    CorpusFile f;
    f.path = (kDataDir + r.file).toStdString();
    f.relativePath = r.file;
    f.kind = r.kind;
    f.naturalWidth = r.width;
    f.naturalHeight = r.height;
    const QImage image = velnora::test::renderCorpusFile(f, r.width, r.height).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(image.isNull());
    const QString stored = kDataDir + r.file + ".png";
    if (std::getenv("VELNORA_UPDATE_METAFILE_REFERENCES")) {
        ASSERT_TRUE(image.save(stored));
        GTEST_SKIP() << "rewrote " << stored.toStdString();
    }
    const QImage want(stored);
    ASSERT_FALSE(want.isNull()) << "no stored picture " << stored.toStdString();
    EXPECT_EQ(image.size(), want.size());
    // Text and antialiased edges may move by a shade between font versions;
    // anything more than a sprinkle of pixels is a real change.
    EXPECT_LT(differingFraction(image, want.convertToFormat(QImage::Format_RGB32)), 0.005)
        << "compare with " << stored.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Pictures, MetafileRegression,
                         ::testing::Values(Regression{"pillow-drawing.wmf", "wmf-placeable"},
                                           Regression{"pillow-drawing.emf", "emf", 200, 200},
                                           Regression{"poi-64716_image1.wmf", "wmf-placeable"},
                                           Regression{"poi-customGeo.pptx-image6.wmf", "wmf-placeable", 168, 192},
                                           Regression{"poi-bug62513.pptx-image3.wmf", "wmf-standard", 96, 81},
                                           Regression{"poi-testException2.doc-2.wmf", "wmf-standard", 443, 182},
                                           Regression{"poi-60973.vsdx-image2.emf", "emf"},
                                           Regression{"poi-wrench.emf", "emf", 224, 136},
                                           Regression{"poi-vector_image.emf", "emf"},
                                           Regression{"rtfjs-car-2.wmf", "wmf-placeable", 380, 305}),
                         [](const ::testing::TestParamInfo<Regression>& info) {
    std::string name = info.param.file;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
});

// ---- hazards found by the fuzzers

TEST(MetafileHazards, eachEndsCleanlyAndQuickly)
{
    const QDir dir(kDataDir + "hazards");
    const QStringList files = dir.entryList({"*.emf", "*.wmf"}, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        CorpusFile f;
        f.path = dir.filePath(name).toStdString();
        f.relativePath = name.toStdString();
        f.kind = name.endsWith(".emf") ? "emf" : "wmf-standard";
        f.naturalWidth = 64;
        f.naturalHeight = 48;
        QElapsedTimer timer;
        timer.start();
        const QImage image = velnora::test::renderCorpusFile(f, 64, 48);
        EXPECT_EQ(image.size(), QSize(64, 48)) << name.toStdString();
        EXPECT_LT(timer.elapsed(), 3000) << name.toStdString();
    }
}

// ---- the shared corpus

TEST(MetafileCorpus, everyGoodFilePlaysToItsEnd)
{
    const auto files = velnora::test::corpusFiles({"wmf", "emf"});
    if (files.empty())
        GTEST_SKIP() << "corpus not found (set VELNORA_METAFILE_CORPUS)";
    for (const CorpusFile& f : files) {
        const plat::PlaybackResult r = velnora::test::playCorpusFile(f);
        EXPECT_EQ(r.status, plat::PlaybackStatus::Complete) << f.relativePath << " stopped at " << r.badRecordOffset;
    }
}

TEST(MetafileCorpus, everyGoodFileDrawsSomething)
{
    const auto files = velnora::test::corpusFiles({"wmf", "emf"});
    if (files.empty())
        GTEST_SKIP() << "corpus not found (set VELNORA_METAFILE_CORPUS)";
    // Pictures that are blank in every renderer.
    const std::set<std::string> blank = {"emf/poi-bug65228.pptx-image1.emf", "wmf/poi-empty-polygon-close.wmf"};
    for (const CorpusFile& f : files) {
        const QImage image = velnora::test::renderCorpusFile(f, 300);
        ASSERT_FALSE(image.isNull()) << f.relativePath;
        EXPECT_EQ(image.width(), 300) << f.relativePath;
        EXPECT_EQ(hasInk(image), blank.count(f.relativePath) == 0) << f.relativePath;
    }
}

TEST(MetafileCorpus, damagedFilesEndCleanlyAndQuickly)
{
    const auto files = velnora::test::corpusFiles({"bad"});
    if (files.empty())
        GTEST_SKIP() << "corpus not found (set VELNORA_METAFILE_CORPUS)";
    for (const CorpusFile& f : files) {
        QElapsedTimer timer;
        timer.start();
        const plat::PlaybackResult r = velnora::test::playCorpusFile(f);
        if (f.relativePath != "bad/e2s-bad_corrupted_2014-12-02-215338.emf") {
            EXPECT_EQ(r.status, plat::PlaybackStatus::BadRecord) << f.relativePath;
        } else {
            EXPECT_EQ(r.status, plat::PlaybackStatus::NotAMetafile) << "its header runs past the file";
        }
        velnora::test::renderCorpusFile(f, 300);
        EXPECT_LT(timer.elapsed(), 5000) << f.relativePath;
    }
}
