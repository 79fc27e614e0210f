// The pieces both record players stand on: the object table, the handler
// table and the placeable header reader.
#include <common/ByteReader.h>
#include <common/DibHeader.h>
#include <common/MetafileFormat.h>
#include <gdi/DeviceContext.h>
#include <gdi/GdiConstants.h>
#include <metafile/ObjectTable.h>
#include <metafile/RecordTable.h>

#include <gtest/gtest.h>

#include <QImage>

#include <cstdint>
#include <vector>

using namespace plat::gdi;
using namespace plat::metafile;

namespace {

LogPen pen(ColorRef color)
{
    LogPen p;
    p.color = color;
    return p;
}

LogFont font(const char* face)
{
    LogFont f;
    f.faceName = QString::fromLatin1(face);
    return f;
}

} // namespace

TEST(ObjectTable, newObjectsTakeTheLowestFreeSlotAndGrowOnlyToTheLimit)
{
    ObjectTable table(2, 3);
    table.add(pen(1));
    table.add(pen(2));
    table.remove(0);
    table.add(font("Arial")); // into the freed slot 0, not after the others
    ASSERT_NE(table.find<LogFont>(0), nullptr);
    EXPECT_EQ(table.find<LogPen>(0), nullptr); // the wrong kind is no object
    EXPECT_EQ(table.find<LogPen>(1)->color, 2u);

    table.add(pen(3)); // grows into slot 2
    table.add(pen(4)); // full at the limit: dropped
    EXPECT_EQ(table.find<LogPen>(2)->color, 3u);
    EXPECT_EQ(table.find(3), nullptr);
    table.remove(70000); // out of range: nothing happens
    EXPECT_NE(table.find(1), nullptr);
}

TEST(ObjectTable, objectsPutByIndexSkipTheMetafileItselfAndIndexesPastTheLimit)
{
    ObjectTable table(1, 16);
    table.put(0, pen(1));
    EXPECT_EQ(table.find(0), nullptr);
    table.put(9, pen(9));
    EXPECT_EQ(table.find<LogPen>(9)->color, 9u);
    table.put(16, pen(16));
    EXPECT_EQ(table.find(16), nullptr);
    table.put(9, font("Symbol")); // replaces
    EXPECT_EQ(table.find<LogPen>(9), nullptr);
    EXPECT_NE(table.find<LogFont>(9), nullptr);
}

TEST(ObjectTable, brushesByIndexIncludeStockBrushes)
{
    ObjectTable table(4, 16);
    LogBrush red;
    red.color = 0x0000FF;
    table.put(1, red);
    table.put(2, pen(5));
    ASSERT_TRUE(table.brush(1));
    EXPECT_EQ(table.brush(1)->color, 0x0000FFu);
    EXPECT_FALSE(table.brush(2)); // a pen is no brush
    EXPECT_FALSE(table.brush(3)); // an empty slot
    const auto white = table.brush(STOCK_OBJECT_FLAG | WHITE_BRUSH);
    ASSERT_TRUE(white);
    EXPECT_EQ(white->color, 0xFFFFFFu);
    EXPECT_FALSE(table.brush(STOCK_OBJECT_FLAG | BLACK_PEN)); // stock, but a pen
}

TEST(ObjectTable, selectingPutsCopiesIntoTheContextAndIgnoresStaleIndexes)
{
    QImage image(8, 8, QImage::Format_RGB32);
    plat::DeviceContext dc(&image);
    ObjectTable table(4, 16);
    table.put(1, font("Courier New"));
    table.put(2, Palette{qRgb(1, 2, 3), qRgb(4, 5, 6)});

    table.select(dc, 1);
    table.remove(1);
    EXPECT_EQ(dc.currentFont().faceName, QStringLiteral("Courier New")); // a copy outlives the object
    table.select(dc, 1);                                                 // deleted: selects nothing
    table.select(dc, 2);                                                 // a palette is not selected as an object
    EXPECT_EQ(dc.currentFont().faceName, QStringLiteral("Courier New"));
    EXPECT_NE(dc.currentPalette().size(), 2u);

    table.selectPalette(dc, 2);
    EXPECT_EQ(dc.currentPalette(), (Palette{qRgb(1, 2, 3), qRgb(4, 5, 6)}));
    table.selectPalette(dc, STOCK_OBJECT_FLAG | DEFAULT_PALETTE);
    EXPECT_EQ(dc.currentPalette().size(), 20u);

    table.select(dc, STOCK_OBJECT_FLAG | SYSTEM_FONT);
    EXPECT_NE(dc.currentFont().faceName, QStringLiteral("Courier New"));
}

TEST(ObjectTable, palettesNeedAllTheirEntries)
{
    const std::vector<std::uint8_t> whole{0x00, 0x03, 2, 0, 10, 20, 30, 0, 40, 50, 60, 0};
    plat::ByteReader r(whole);
    Palette palette;
    ASSERT_TRUE(readLogPalette(r, palette));
    EXPECT_EQ(palette, (Palette{qRgb(10, 20, 30), qRgb(40, 50, 60)}));

    const std::vector<std::uint8_t> cut(whole.begin(), whole.end() - 1);
    plat::ByteReader s(cut);
    EXPECT_FALSE(readLogPalette(s, palette));
}

TEST(RecordTable, findsHandlersListedInAnyOrder)
{
    const RecordTable<std::uint16_t, int (*)()> table{
        {0x0B41, [] { return 3; }},
        {0x0001, [] { return 1; }},
        {0x0213, [] { return 2; }},
    };
    ASSERT_NE(table.find(0x0001), nullptr);
    EXPECT_EQ(table.find(0x0001)(), 1);
    EXPECT_EQ(table.find(0x0213)(), 2);
    EXPECT_EQ(table.find(0x0B41)(), 3);
    EXPECT_EQ(table.find(0x0000), nullptr);
    EXPECT_EQ(table.find(0x0214), nullptr);
    EXPECT_EQ(table.find(0xFFFF), nullptr);
}

TEST(MetafileFormat, placeableHeaderFieldsAreSignedBoxAndUnsignedUnits)
{
    std::vector<std::uint8_t> h{0xD7, 0xCD, 0xC6, 0x9A, 0, 0, // key, handle
                                0xF6, 0xFF, 0x05, 0x00,       // left -10, top 5
                                0xE8, 0x03, 0xD0, 0x07,       // right 1000, bottom 2000
                                0xA0, 0x05};                  // 1440 units per inch
    plat::PlaceableHeader header;
    ASSERT_TRUE(plat::readPlaceableHeader(h, header));
    EXPECT_EQ(header.key, plat::kPlaceableKey);
    EXPECT_EQ(header.left, -10);
    EXPECT_EQ(header.top, 5);
    EXPECT_EQ(header.right, 1000);
    EXPECT_EQ(header.bottom, 2000);
    EXPECT_EQ(header.unitsPerInch, 1440);
    h.pop_back();
    EXPECT_FALSE(plat::readPlaceableHeader(h, header));
}

TEST(MetafileFormat, dibHeaderFieldsOfBothHeaderKinds)
{
    // A core header: 16-bit sizes, unsigned (65535 wide, not -1).
    std::vector<std::uint8_t> core{12, 0, 0, 0, 0xFF, 0xFF, 0x02, 0x00, 1, 0, 8, 0};
    plat::DibHeaderFields h;
    ASSERT_TRUE(plat::readDibHeaderFields(core, h));
    EXPECT_EQ(h.size, 12u);
    EXPECT_EQ(h.width, 65535);
    EXPECT_EQ(h.height, 2);
    EXPECT_EQ(h.bitCount, 8);
    core.pop_back();
    EXPECT_FALSE(plat::readDibHeaderFields(core, h));

    // An info header: signed height (top down), colours used at offset 32.
    std::vector<std::uint8_t> info(40, 0);
    info[0] = 40;
    info[4] = 3;                                          // width 3
    info[8] = 0xFE, info[9] = info[10] = info[11] = 0xFF; // height -2
    info[12] = 1;
    info[14] = 4;  // 4 bpp
    info[16] = 2;  // RLE4
    info[20] = 16; // image size
    info[32] = 7;  // colours used
    ASSERT_TRUE(plat::readDibHeaderFields(info, h));
    EXPECT_EQ(h.width, 3);
    EXPECT_EQ(h.height, -2);
    EXPECT_EQ(h.planes, 1);
    EXPECT_EQ(h.bitCount, 4);
    EXPECT_EQ(h.compression, 2u);
    EXPECT_EQ(h.imageSize, 16u);
    EXPECT_EQ(h.colorsUsed, 7u);
    info.resize(35); // ends inside colours used
    EXPECT_FALSE(plat::readDibHeaderFields(info, h));
}
