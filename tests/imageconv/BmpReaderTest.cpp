#include "DibBuilder.h"
#include "TempDir.h"
#include "TestBmp.h"

#include <engine/BmpReader.h>
#include <engine/Pipeline.h>

#include <gdi/Dib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using namespace pictaf;
using namespace testdib;

namespace {

// Reads bytes as a BMP and makes the device bitmap from them; the picture,
// or a null image with the failing step's status.
QImage load(const Bytes& file, Status* status = nullptr)
{
    Status s = Status::Ok;
    const PackedDib dib = ReadBmpIntoDib(file, &s);
    if (status)
        *status = s;
    if (dib.empty())
        return {};
    const plat::HGDIOBJ bitmap = MakeDeviceBitmap(dib, status);
    if (bitmap == 0)
        return {};
    QImage image = plat::LookupBitmap(bitmap)->image;
    plat::DeleteObject(bitmap);
    return image;
}

QImage fourColourPicture(int width, int height)
{
    const QRgb colours[4] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255)};
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, colours[(x / 3 + y) % 4]);
    return picture;
}

} // namespace

TEST(BmpReader, readsEveryLayoutToTheSamePicture)
{
    const QImage picture = fourColourPicture(13, 5);
    QImage twoColours = picture.convertToFormat(QImage::Format_Mono).convertToFormat(QImage::Format_RGB32);
    for (BmpFormat f : {BmpFormat::Pal1, BmpFormat::Pal4, BmpFormat::Pal8, BmpFormat::Rgb555, BmpFormat::BitFields565,
                        BmpFormat::Rgb24, BmpFormat::Rgb24TopDown, BmpFormat::Rgb32, BmpFormat::BitFields32,
                        BmpFormat::Rle8, BmpFormat::Rle4, BmpFormat::Core8, BmpFormat::Core24}) {
        SCOPED_TRACE(name(f));
        const QImage& want = f == BmpFormat::Pal1 ? twoColours : picture;
        Status status = Status::Malformed;
        const QImage got = load(encodeBmp(want, f), &status);
        ASSERT_EQ(status, Status::Ok) << toString(status);
        EXPECT_EQ(got, want);
    }
}

TEST(BmpReader, coreHeaderBecomesItsFortyByteEquivalent)
{
    // 2 x 1 at 4 bpp; the core table is 16 three-byte entries.
    Bytes coreTable = palette({0x102030, 0x405060}, true);
    coreTable.resize(16 * 3, 0);
    const Bytes core = bmpFile(concat({coreHeader(2, 1, 4), coreTable, {0x10, 0, 0, 0}}), 12 + 48);
    Header h;
    h.width = 2;
    h.bpp = 4;
    h.clrUsed = 16;
    Bytes infoTable = palette({0x102030, 0x405060});
    infoTable.resize(16 * 4, 0);
    const Bytes full = bmpFile(concat({h.bytes(), infoTable, {0x10, 0, 0, 0}}), 40 + 64);

    const PackedDib fromCore = ReadBmpIntoDib(core);
    const PackedDib fromInfo = ReadBmpIntoDib(full);
    ASSERT_FALSE(fromCore.empty());
    DibHeaderView header;
    ASSERT_TRUE(ReadDibHeader(fromCore, header));
    EXPECT_EQ(header.size, 40u);
    EXPECT_EQ(header.coloursUsed, 16u);
    EXPECT_EQ(DibColourTableSize(header), 64u);
    // Resolutions differ (the core header has none); everything else is equal.
    EXPECT_TRUE(std::equal(fromCore.begin() + 40, fromCore.end(), fromInfo.begin() + 40, fromInfo.end()));
    EXPECT_EQ(load(core), load(full));
    EXPECT_EQ(load(core).pixel(0, 0), qRgb(0x40, 0x50, 0x60));
}

TEST(BmpReader, bareDibWithoutFileHeaderReadsFromTheStart)
{
    Header h;
    h.width = 2;
    h.bpp = 16; // plain 5-5-5: no masks follow, the pixels come straight after the header
    const Bytes bare = concat({h.bytes(), {0x00, 0x7c, 0x1f, 0x00}});
    Status status = Status::Malformed;
    const QImage got = load(bare, &status);
    ASSERT_EQ(status, Status::Ok);
    EXPECT_EQ(got.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(got.pixel(1, 0), qRgb(0, 0, 255));

    // At 32 bits too: the first pixels are not taken for masks.
    h.bpp = 32;
    const QImage wide = load(concat({h.bytes(), {0x00, 0x00, 0xff, 0x00, 0xff, 0x00, 0x00, 0x00}}), &status);
    ASSERT_EQ(status, Status::Ok);
    EXPECT_EQ(wide.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(wide.pixel(1, 0), qRgb(0, 0, 255));
}

TEST(BmpReader, pixelsAreTakenFromTheFileHeadersOffset)
{
    Header h;
    h.width = 1;
    const Bytes file = bmpFile(concat({h.bytes(), Bytes(6, 0xee), {0x00, 0xff, 0x00, 0x00}}), 40 + 6);
    EXPECT_EQ(load(file).pixel(0, 0), qRgb(0, 255, 0));
}

TEST(BmpReader, coloursUsedBeyondTheBitDepthAreDropped)
{
    Header h;
    h.width = 2;
    h.bpp = 1;
    h.clrUsed = 0xffffffff; // only two entries can be indexed
    const Bytes file = bmpFile(concat({h.bytes(), palette({0xff0000, 0x0000ff}), {0x40, 0, 0, 0}}), 40 + 8);
    Status status = Status::Malformed;
    const PackedDib dib = ReadBmpIntoDib(file, &status);
    ASSERT_EQ(status, Status::Ok);
    DibHeaderView header;
    ASSERT_TRUE(ReadDibHeader(dib, header));
    EXPECT_EQ(header.coloursUsed, 2u);
    const QImage got = load(file);
    EXPECT_EQ(got.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(got.pixel(1, 0), qRgb(0, 0, 255));
}

TEST(BmpReader, bitFieldMasksComeBeforeAColourTableAtSixteenBits)
{
    // A 16-bit file may carry a (never indexed) colour table; the masks still
    // follow the header directly, and the table after them is skipped.
    Header h;
    h.width = 1;
    h.bpp = 16;
    h.compression = 3;
    h.clrUsed = 2;
    Bytes masks;
    put32(masks, 0xf800);
    put32(masks, 0x07e0);
    put32(masks, 0x001f);
    const Bytes file =
        bmpFile(concat({h.bytes(), masks, palette({0x123456, 0x654321}), {0xe0, 0x07, 0, 0}}), 40 + 12 + 8);
    EXPECT_EQ(load(file).pixel(0, 0), qRgb(0, 255, 0));
}

TEST(BmpReader, truncatedRunLengthFileKeepsWhatItHolds)
{
    Header h;
    h.width = 3;
    h.height = 2;
    h.bpp = 8;
    h.compression = 1;
    h.clrUsed = 2;
    h.imageSize = 1000; // promises more than the file holds
    const Bytes file = bmpFile(concat({h.bytes(), palette({0xff0000, 0x00ff00}), {0x02, 0x01, 0x00}}), 40 + 8);
    Status status = Status::Malformed;
    const QImage got = load(file, &status);
    ASSERT_EQ(status, Status::Ok);
    EXPECT_EQ(got.pixel(0, 1), qRgb(0, 255, 0));
    EXPECT_EQ(got.pixel(1, 1), qRgb(0, 255, 0));
    EXPECT_EQ(got.pixel(2, 1), qRgb(0, 0, 0));
    EXPECT_EQ(got.pixel(0, 0), qRgb(0, 0, 0));
}

TEST(BmpReader, runLengthDataWithoutImageSizeIsDecodedToTheEndOfTheFile)
{
    // 2 x 2 at 8 bpp: stride x height is 8 bytes, but the runs take 12. Cut
    // at 8 bytes, the top row would lose its second pixel.
    Header h;
    h.width = 2;
    h.height = 2;
    h.bpp = 8;
    h.compression = 1;
    h.clrUsed = 3;
    const Bytes runs = {1, 1, 1, 1, 0, 0, 1, 2, 1, 2, 0, 1};
    const Bytes file = bmpFile(concat({h.bytes(), palette({0x000000, 0xff0000, 0x0000ff}), runs}), 40 + 12);
    Status status = Status::Malformed;
    const QImage got = load(file, &status);
    ASSERT_EQ(status, Status::Ok);
    EXPECT_EQ(got.pixel(0, 1), qRgb(255, 0, 0));
    EXPECT_EQ(got.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(got.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(got.pixel(1, 0), qRgb(0, 0, 255));
}

// Every fixture in tests/data/bad is one hazard; each must fail with its
// status, and the list here must name every file there.
TEST(BmpReader, damagedFilesFailCleanly)
{
    const std::map<std::string, Status> want = {
        {"absurd_dimensions_rle8.bmp", Status::TooLarge},
        {"bit_fields_at_24_bpp.bmp", Status::Malformed},
        {"colour_table_past_end_of_file.bmp", Status::Malformed},
        {"file_header_only.bmp", Status::Malformed},
        {"most_negative_height.bmp", Status::TooLarge},
        {"negative_width.bmp", Status::Malformed},
        {"rle8_at_4_bpp.bmp", Status::Malformed},
        {"seven_bits_per_pixel.bmp", Status::Malformed},
        {"stride_overflows_32_bits.bmp", Status::TooLarge},
        {"top_down_rle8.bmp", Status::Malformed},
        {"unknown_info_header_size.bmp", Status::Malformed},
        {"width_times_height_overflows_32_bits.bmp", Status::TooLarge},
        {"zero_height.bmp", Status::Malformed},
        {"zero_width.bmp", Status::Malformed},
    };
    std::size_t seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VELNORA_SOURCE_DIR "/tests/data/bad")) {
        const std::string file = entry.path().filename().string();
        SCOPED_TRACE(file);
        const auto expected = want.find(file);
        ASSERT_NE(expected, want.end()) << "no expectation for this fixture";
        ++seen;
        const std::size_t live = plat::LiveObjectCount();
        Status status = Status::Ok;
        EXPECT_EQ(LoadFileBitmap(entry.path().string(), 100, 100, 0, 0xFFFFFF, &status), 0u);
        EXPECT_EQ(status, expected->second) << toString(status);
        EXPECT_EQ(plat::LiveObjectCount(), live);
    }
    EXPECT_EQ(seen, want.size());
}

TEST(BmpReader, shortPixelDataIsReadWithTheMissingPixelsBlack)
{
    const QImage picture = fourColourPicture(5, 3);
    for (BmpFormat f : {BmpFormat::Rgb24, BmpFormat::Pal8, BmpFormat::Rgb32, BmpFormat::Core24}) {
        SCOPED_TRACE(name(f));
        const Bytes full = encodeBmp(picture, f);
        const std::size_t stride = f == BmpFormat::Rgb32 ? 20 : (f == BmpFormat::Pal8 ? 8 : 16);
        // Only the last row's padding missing: the picture is whole.
        if (f != BmpFormat::Rgb32) {
            Status status = Status::Malformed;
            const QImage got = load(Bytes(full.begin(), full.end() - 1), &status);
            ASSERT_EQ(status, Status::Ok);
            EXPECT_EQ(got, picture);
        }
        // The top row (stored last) cut after its second pixel: the rest of
        // it is black, the rows below are whole.
        const std::size_t pixelsPerByte = f == BmpFormat::Pal8 ? 1 : (f == BmpFormat::Rgb32 ? 4 : 3);
        const Bytes cut(full.begin(), full.end() - static_cast<long>(stride - 2 * pixelsPerByte));
        Status status = Status::Malformed;
        const QImage got = load(cut, &status);
        ASSERT_EQ(status, Status::Ok);
        ASSERT_EQ(got.size(), picture.size());
        // A zero byte is black, or at 8 bpp the table's first colour.
        const QRgb missing = f == BmpFormat::Pal8 ? qRgb(full[56], full[55], full[54]) : qRgb(0, 0, 0);
        QImage want = picture;
        for (int x = 2; x < 5; ++x)
            want.setPixel(x, 0, missing);
        EXPECT_EQ(got, want);
    }
    // The fixtures: 10 bytes of 30,000, and pixels said to start past the end.
    for (const char* file : {"pixels_past_end_of_file.bmp", "pixel_offset_past_end_of_file.bmp"}) {
        SCOPED_TRACE(file);
        Status status = Status::Malformed;
        const plat::HGDIOBJ bitmap =
            LoadFileBitmap(std::string(VELNORA_SOURCE_DIR "/tests/data/short/") + file, 100, 100, 0, 0xFFFFFF, &status);
        ASSERT_NE(bitmap, 0u) << toString(status);
        const QImage image = plat::LookupBitmap(bitmap)->image;
        plat::DeleteObject(bitmap);
        EXPECT_EQ(image.pixel(image.width() - 1, 0), qRgb(0, 0, 0));
    }
}

TEST(BmpReader, newerInfoHeadersAreNotReadFromFiles)
{
    Header h;
    h.size = 124;
    const Bytes file = bmpFile(concat({h.bytes(), {1, 2, 3, 0}}), 124);
    Status status = Status::Ok;
    EXPECT_TRUE(ReadBmpIntoDib(file, &status).empty());
    EXPECT_EQ(status, Status::Unsupported);
}

TEST(BmpReader, everyPrefixOfAValidFileFailsOrLoadsWithoutReadingPastIt)
{
    // Run under the sanitizers this proves no read beyond the bytes given.
    for (BmpFormat f :
         {BmpFormat::Pal4, BmpFormat::Rgb24, BmpFormat::Rle8, BmpFormat::Core8, BmpFormat::BitFields565}) {
        SCOPED_TRACE(name(f));
        const Bytes full = encodeBmp(fourColourPicture(5, 3), f);
        for (std::size_t n = 0; n < full.size(); ++n) {
            const Bytes prefix(full.begin(), full.begin() + static_cast<long>(n));
            Status status = Status::Ok;
            const QImage got = load(prefix, &status);
            // Run-length data decodes what arrived; uncompressed pixels load
            // once every header byte is there, short pixel data or not.
            const std::size_t pixelsAt = full[10] | (full[11] << 8);
            if (f != BmpFormat::Rle8) {
                EXPECT_EQ(got.isNull(), n < pixelsAt) << n << " bytes";
            }
            EXPECT_EQ(got.isNull(), status != Status::Ok);
        }
    }
}
