// Playback in a host program without a QGuiApplication: Qt's font system is
// not there, so text is skipped, and everything else is still drawn. This
// executable deliberately has its own main() without an application object.
#include "MetafileBuilder.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace testmf;

TEST(HeadlessPlayback, textIsSkippedAndShapesAreDrawn)
{
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    WmfBuilder b;
    b.add(0x020C /*SETWINDOWEXT*/, {20, 20});
    b.add(0x02FB /*CREATEFONTINDIRECT*/, {-10, 0, 0, 0, 400, 0, 0, 0, 0, 'A' | ('r' << 8), 'i' | ('a' << 8), 'l'});
    b.add(0x012D /*SELECTOBJECT*/, {0});
    b.addRaw(0x0521 /*TEXTOUT*/, {4, 0, 'T', 'e', 'x', 't', 2, 0, 2, 0});
    b.add(0x02FC /*CREATEBRUSHINDIRECT*/, {0, lo(0x0000FF), hi(0x0000FF), 0});
    b.add(0x012D, {1});
    b.add(0x041B /*RECTANGLE*/, {21, 21, 10, 0}); // bottom half
    QImage image = whiteImage(20, 20);
    const plat::PlaybackResult r = playWmf(b.standard(), image);
    EXPECT_EQ(r.status, plat::PlaybackStatus::Complete);
    EXPECT_EQ(inkBounds(image), QRect(0, 10, 20, 10)) << "no text in the top half";
    EXPECT_EQ(image.pixel(10, 15), 0xFFFF0000u);
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
