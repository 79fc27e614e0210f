// The page-size rule with a template font that is installed, and without.
#include "control/DialogUnits.h"

#include <com/Window.h>

#include <gtest/gtest.h>

using namespace plat::com;
using pictaf::DialogUnits;

namespace {

DialogTemplate withFont(const char* face)
{
    return DialogTemplate{106, WS_CHILD | DS_SETFONT, 0, 0, 182, 105, nullptr, face, 10, {}};
}

} // namespace

TEST(DialogUnits, installedFontGivesItsOwnAverageCharacterSize)
{
    const DialogUnits::Base base = DialogUnits::baseUnits(withFont("DejaVu Sans"));
    ASSERT_TRUE(base.fromFont);
    // A 13-pixel font (10 points at 96 dpi): a few pixels wide, a line a little over 13 high.
    EXPECT_GE(base.charWidth, 5);
    EXPECT_LE(base.charWidth, 9);
    EXPECT_GE(base.charHeight, 13);
    EXPECT_LE(base.charHeight, 18);
    const SIZEL size = DialogUnits::dialogSize(withFont("DejaVu Sans"));
    EXPECT_EQ(size.cx, MulDiv(182, base.charWidth, 4));
    EXPECT_EQ(size.cy, MulDiv(105, base.charHeight, 8));
    // A larger point size gives a larger page.
    DialogTemplate bigger = withFont("DejaVu Sans");
    bigger.pointSize = 20;
    EXPECT_GT(DialogUnits::dialogSize(bigger).cx, size.cx);
}

TEST(DialogUnits, missingOrUndeclaredFontFallsBackToTheDialogBaseUnits)
{
    for (const char* face : {"MS Sans Serif", static_cast<const char*>(nullptr)}) {
        const DialogUnits::Base base = DialogUnits::baseUnits(withFont(face));
        EXPECT_FALSE(base.fromFont);
        EXPECT_EQ(base.charWidth, 8);
        EXPECT_EQ(base.charHeight, 16);
    }
    const RECT r = DialogUnits::toPixels(DialogUnits::Base{8, 16, false}, 10, 10, 15, 14);
    EXPECT_EQ(r.left, 20);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right, 50);
    EXPECT_EQ(r.bottom, 48);
}
