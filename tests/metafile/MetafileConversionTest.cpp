// Metafiles through the engine's entries and the command-line tool: files
// found by their signature, handles by their object type.
#include "MetafileBuilder.h"

#include <engine/Pipeline.h>

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace testmf;

namespace {

const QString kData = QStringLiteral(VELNORA_SOURCE_DIR "/tests/data/metafile/");

int runConvert(const QStringList& args, QString* err = nullptr)
{
    QProcess process;
    process.start(QStringLiteral(VELNORA_BINARY_DIR "/bin/pictaf-convert"), args);
    if (!process.waitForFinished(60000))
        return -1;
    if (err)
        *err = QString::fromUtf8(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QImage take(pictaf::WorkBitmap bitmap)
{
    QImage image;
    if (auto b = plat::LookupBitmap(bitmap))
        image = b->image.copy();
    plat::DeleteObject(bitmap);
    return image;
}

} // namespace

TEST(MetafileConversion, loadFileBitmapRecognisesBothMetafileKinds)
{
    pictaf::Status status;
    // 1369 x 1369 units at 1200 per inch; 1625 x 1625 reference pixels.
    const QImage wmf =
        take(pictaf::LoadFileBitmap((kData + "pillow-drawing.wmf").toStdString(), 100, 100, 0, 0xFFFFFF, &status));
    EXPECT_EQ(status, pictaf::Status::Ok);
    EXPECT_EQ(wmf.size(), QSize(109, 109));
    const QImage emf =
        take(pictaf::LoadFileBitmap((kData + "pillow-drawing.emf").toStdString(), 10, 10, 0, 0xFFFFFF, &status));
    EXPECT_EQ(status, pictaf::Status::Ok);
    EXPECT_EQ(emf.size(), QSize(162, 162));
    EXPECT_EQ(emf.pixel(80, 80), 0xFFFF0000u);
}

TEST(MetafileConversion, renderPictureBitmapTakesMetafileHandlesAndLeavesThem)
{
    WmfBuilder b;
    b.add(0x020C /*SETWINDOWEXT*/, {10, 10});
    b.add(0x02FC /*CREATEBRUSHINDIRECT*/, {0, lo(0x00FF00), hi(0x00FF00), 0});
    b.add(0x012D /*SELECTOBJECT*/, {0});
    b.add(0x041B /*RECTANGLE*/, {11, 11, 0, 0});
    const plat::HGDIOBJ wmf = plat::SetMetaFileBitsEx(b.standard());
    const plat::HGDIOBJ emf = plat::SetEnhMetaFileBits(EmfBuilder().bytes());
    ASSERT_EQ(plat::GetObjectType(wmf), plat::OBJ_METAFILE);
    ASSERT_EQ(plat::GetObjectType(emf), plat::OBJ_ENHMETAFILE);

    const QImage fromWmf = take(pictaf::RenderPictureBitmap(wmf, pictaf::TargetRect{0, 0, 40, 30}, 0, 0x0000FF));
    EXPECT_EQ(fromWmf.size(), QSize(40, 30));
    EXPECT_EQ(fromWmf.pixel(20, 15), 0xFF00FF00u);
    const QImage fromEmf = take(pictaf::RenderPictureBitmap(emf, pictaf::TargetRect{0, 0, 25, 35}, 0, 0x0000FF));
    EXPECT_EQ(fromEmf.size(), QSize(25, 35));
    EXPECT_EQ(fromEmf.pixel(12, 17), 0xFFFFFFFFu) << "white, whatever BgColor holds";

    EXPECT_EQ(plat::GetObjectType(wmf), plat::OBJ_METAFILE);
    EXPECT_EQ(plat::GetObjectType(emf), plat::OBJ_ENHMETAFILE);
    plat::DeleteMetaFile(wmf);
    plat::DeleteEnhMetaFile(emf);
}

TEST(MetafileConversion, commandLineToolConvertsMetafiles)
{
    QTemporaryDir dir;
    const QString bmp = dir.filePath("wrench.bmp");
    QString err;
    ASSERT_EQ(runConvert({kData + "poi-wrench.emf", bmp, "--scale", "200"}, &err), 0) << err.toStdString();
    const QImage wrench(bmp);
    EXPECT_EQ(wrench.size(), QSize(380, 230)); // bounds 190 x 115
    EXPECT_GT(countColor(wrench, 0xFFFFFF), 380 * 230 / 3) << "white around the picture";

    const QString gif = dir.filePath("car.gif");
    ASSERT_EQ(runConvert({kData + "rtfjs-car-2.wmf", gif}, &err), 0) << err.toStdString();
    const QImage car(gif);
    EXPECT_EQ(car.size(), QSize(759, 609)); // 2279 x 1827 units at 288 per inch
    EXPECT_FALSE(inkBounds(car.convertToFormat(QImage::Format_RGB32)).isNull());
}

TEST(MetafileConversion, commandLineToolReportsADamagedMetafile)
{
    QTemporaryDir dir;
    const QString input = dir.filePath("cut.emf");
    Bytes bytes = EmfBuilder().bytes();
    bytes.resize(100); // the signature probe passes, the header record runs past the end
    QFile f(input);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    f.close();
    QString err;
    EXPECT_EQ(runConvert({input, dir.filePath("out.bmp")}, &err), 1);
    EXPECT_TRUE(err.contains("cut.emf")) << err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("out.bmp")));
}
