// Text output: alignment, current position, font height rules, advances,
// escapement, and the face and code page mapping behind them.
#include "MetafileBuilder.h"

#include <gdi/DeviceContext.h>
#include <gdi/FontMapper.h>

#include <gtest/gtest.h>

using namespace plat;
using namespace plat::gdi;
using namespace testmf;

namespace {

LogFont arial(double height, double escapement = 0)
{
    LogFont f;
    f.height = height;
    f.escapement = escapement;
    f.faceName = QStringLiteral("Arial");
    return f;
}

class TextOutputTest : public ::testing::Test {
protected:
    QImage image = whiteImage(200, 100);
    DeviceContext dc{&image};

    void SetUp() override
    {
        dc.SetBkMode(TRANSPARENT);
        dc.selectFont(arial(-40));
    }

    QRect draw(QPointF at, const QString& text, std::uint32_t align, std::span<const double> dx = {})
    {
        image.fill(Qt::white);
        dc.SetTextAlign(align);
        dc.ExtTextOut(at, 0, nullptr, text, dx, GM_COMPATIBLE);
        return inkBounds(image);
    }
};

} // namespace

TEST_F(TextOutputTest, alignmentPlacesTheReferencePoint)
{
    const QRect leftTop = draw({100, 50}, "H", 0);
    EXPECT_GE(leftTop.left(), 100);
    EXPECT_GE(leftTop.top(), 50) << "TA_TOP: the cell hangs below the point";

    const QRect rightBaseline = draw({100, 50}, "H", TA_RIGHT | TA_BASELINE);
    EXPECT_LE(rightBaseline.right(), 101);
    EXPECT_LE(rightBaseline.bottom(), 50) << "a capital sits on the baseline";
    EXPECT_GT(rightBaseline.bottom(), 46);

    const QRect centreBottom = draw({100, 50}, "H", TA_CENTER | TA_BOTTOM);
    EXPECT_NEAR(centreBottom.center().x(), 100, 2);
    EXPECT_LT(centreBottom.bottom(), 50) << "the descent lies between baseline and bottom";
}

TEST_F(TextOutputTest, characterHeightIsLargerThanTheSameCellHeight)
{
    dc.selectFont(arial(-40)); // em of 40
    const int em = draw({10, 10}, "H", 0).height();
    dc.selectFont(arial(40)); // cell of 40: ascent plus descent
    const int cell = draw({10, 10}, "H", 0).height();
    EXPECT_GT(em, cell);
    EXPECT_NEAR(em, 29, 2) << "capital height of a 40-pixel Arial em";
}

TEST_F(TextOutputTest, updateCurrentPositionAdvancesPastTheText)
{
    dc.SetTextAlign(TA_UPDATECP);
    dc.MoveToEx({10, 10});
    dc.ExtTextOut({150, 150}, 0, nullptr, "HH", {}, GM_COMPATIBLE); // the point is ignored
    const QPointF after = dc.currentPosition();
    EXPECT_GT(after.x(), 40);
    EXPECT_EQ(after.y(), 10);
    const QRect first = inkBounds(image);
    EXPECT_LT(first.left(), 20);
    dc.ExtTextOut({0, 0}, 0, nullptr, "H", {}, GM_COMPATIBLE);
    EXPECT_GT(inkBounds(image).right(), first.right() + 15) << "the second call continued where the first ended";
}

TEST_F(TextOutputTest, advancesFromTheRecordPlaceEachCharacter)
{
    const double wide[] = {100, 0};
    const QRect spread = draw({10, 10}, "ii", 0, wide);
    EXPECT_GT(spread.width(), 95);
    const double tight[] = {0, 0};
    EXPECT_LT(draw({10, 10}, "ii", 0, tight).width(), 20) << "both on top of each other";
}

TEST_F(TextOutputTest, escapementTurnsTheBaselineCounterClockwise)
{
    dc.selectFont(arial(-20, 900));
    const QRect up = draw({100, 90}, "HHHH", 0);
    EXPECT_GT(up.height(), 2 * up.width());
    EXPECT_LT(up.bottom(), 91) << "ninety degrees: the text runs upwards from the point";
}

TEST_F(TextOutputTest, opaqueRectangleIsFilledEvenWithoutText)
{
    const QRectF box(QPointF(10, 10), QPointF(30, 20));
    dc.SetBkColor(0x0000FF);
    dc.ExtTextOut({0, 0}, ETO_OPAQUE, &box, QString(), {}, GM_COMPATIBLE);
    EXPECT_EQ(inkBounds(image), QRect(10, 10, 20, 10));
    EXPECT_EQ(image.pixel(15, 15), 0xFFFF0000u);
}

TEST_F(TextOutputTest, clippedTextStaysInsideItsRectangle)
{
    const QRectF box(QPointF(0, 0), QPointF(30, 100));
    dc.ExtTextOut({10, 10}, ETO_CLIPPED, &box, "HHHHHH", {}, GM_COMPATIBLE);
    const QRect ink = inkBounds(image);
    EXPECT_FALSE(ink.isEmpty());
    EXPECT_LT(ink.right(), 30);
}

TEST_F(TextOutputTest, textCanBeTurnedOff)
{
    dc.setTextEnabled(false);
    EXPECT_TRUE(draw({10, 10}, "HH", 0).isNull());
}

// ---- faces and code pages

TEST(FontMapper, windowsFacesMapToMetricLookAlikes)
{
    auto none = [](const QString&) { return false; };
    FontMapper::Symbols symbols;
    LogFont f;
    f.faceName = QStringLiteral("Times New Roman");
    EXPECT_EQ(FontMapper::mapFamily(f, none, &symbols), "Liberation Serif");
    f.faceName = QStringLiteral("COURIER NEW");
    EXPECT_EQ(FontMapper::mapFamily(f, none, &symbols), "Liberation Mono");
    f.faceName = QStringLiteral("Verdana Bold");
    EXPECT_EQ(FontMapper::mapFamily(f, none, &symbols), "DejaVu Sans");
    f.faceName = QStringLiteral("Symbol");
    EXPECT_EQ(FontMapper::mapFamily(f, none, &symbols), "Standard Symbols PS");
    EXPECT_EQ(symbols, FontMapper::Symbols::Symbol);
}

TEST(FontMapper, unknownFacesFallBackByPitchAndFamily)
{
    auto none = [](const QString&) { return false; };
    LogFont f;
    f.faceName = QStringLiteral("Nonesuch Grotesk");
    EXPECT_EQ(FontMapper::mapFamily(f, none, nullptr), "Liberation Sans");
    f.pitchAndFamily = FF_ROMAN;
    EXPECT_EQ(FontMapper::mapFamily(f, none, nullptr), "Liberation Serif");
    f.pitchAndFamily = FIXED_PITCH | FF_SWISS;
    EXPECT_EQ(FontMapper::mapFamily(f, none, nullptr), "Liberation Mono");
    f.pitchAndFamily = 0;
    f.faceName = QString::fromUtf8("宋体");
    EXPECT_EQ(FontMapper::mapFamily(f, none, nullptr), "Droid Sans Fallback");
    f.faceName = QStringLiteral("Nonesuch Mincho");
    f.charSet = SHIFTJIS_CHARSET;
    EXPECT_EQ(FontMapper::mapFamily(f, none, nullptr), "Droid Sans Fallback");
    auto all = [](const QString&) { return true; };
    EXPECT_EQ(FontMapper::mapFamily(f, all, nullptr), "Nonesuch Mincho") << "an installed face is used as it is";
}

TEST(FontMapper, symbolEncodingsBecomeUnicode)
{
    EXPECT_EQ(FontMapper::mapSymbols("abp", FontMapper::Symbols::Symbol), QString::fromUtf8("αβπ"));
    EXPECT_EQ(FontMapper::mapSymbols(QString(QChar(0xF061)), FontMapper::Symbols::Symbol), QString::fromUtf8("α"));
    EXPECT_EQ(FontMapper::mapSymbols(QString(QChar(0x9F)), FontMapper::Symbols::Wingdings), QString::fromUtf8("•"));
    EXPECT_EQ(FontMapper::mapSymbols("ng", FontMapper::Symbols::Webdings), QString::fromUtf8("●■"));
    EXPECT_EQ(FontMapper::mapSymbols("ab", FontMapper::Symbols::None), "ab");
}

TEST(FontMapper, symbolFaceTextIsSomethingTheFaceDraws)
{
    FontMapper mapper;
    LogFont symbol;
    symbol.faceName = QStringLiteral("Symbol");
    symbol.charSet = SYMBOL_CHARSET;
    const FontMapper::Face& face = mapper.face(symbol);
    ASSERT_TRUE(face.raw.isValid());
    // Alpha, beta, pi and a brace extension, in the Symbol encoding and moved
    // to the private-use page as Unicode text carries them.
    for (const QString& text : {QStringLiteral("abp\xEF"), QString::fromUtf16(u"\uF061\uF062\uF070\uF0EF")}) {
        const QString drawn = FontMapper::textForFace(face, text);
        ASSERT_EQ(drawn.size(), 4);
        for (QChar c : drawn)
            EXPECT_TRUE(face.raw.supportsCharacter(c)) << std::hex << int(c.unicode());
    }
}

TEST(FontMapper, defaultCharacterSetTakesAFarEasternFacesOwn)
{
    LogFont f;
    f.charSet = DEFAULT_CHARSET;
    f.faceName = QStringLiteral("Microsoft YaHei UI");
    EXPECT_EQ(FontMapper::textCharSet(f), GB2312_CHARSET);
    f.faceName = QStringLiteral("MS PGothic");
    EXPECT_EQ(FontMapper::textCharSet(f), SHIFTJIS_CHARSET);
    f.faceName = QStringLiteral("Arial");
    EXPECT_EQ(FontMapper::textCharSet(f), DEFAULT_CHARSET);
    f.faceName = QStringLiteral("SimSun");
    f.charSet = RUSSIAN_CHARSET;
    EXPECT_EQ(FontMapper::textCharSet(f), RUSSIAN_CHARSET) << "an explicit set stays";
}

TEST(FontMapper, eightBitTextFollowsTheCharacterSet)
{
    const std::uint8_t euro[] = {0x80, 'A'};
    EXPECT_EQ(FontMapper::decode(euro, ANSI_CHARSET), QString::fromUtf8("€A"));
    const std::uint8_t cyrillic[] = {0xC4, 0xE0};
    EXPECT_EQ(FontMapper::decode(cyrillic, RUSSIAN_CHARSET), QString::fromUtf8("Да"));
    const std::uint8_t songti[] = {'x', 0xCB, 0xCE, 0xCC, 0xE5};
    std::vector<int> units;
    EXPECT_EQ(FontMapper::decode(songti, GB2312_CHARSET, &units), QString::fromUtf8("x宋体"));
    EXPECT_EQ(units, (std::vector<int>{1, 2, 2})) << "double-byte characters fold their advances";
}
