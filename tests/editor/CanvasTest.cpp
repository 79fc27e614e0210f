// The banner canvas: pointer readout, text placement, the armed background
// colour, the window drag and the persistent image's erasing rules.
#include "EditorSession.h"

#include "CommonDialog.h"
#include "FormLabel.h"
#include "Forms.h"
#include "FrmBanner.h"
#include "Parent.h"
#include "PictureBox.h"

#include <QMdiArea>
#include <QTest>

namespace {

FrmBanner& canvas() { return Forms::FrmBanner(); }
Parent& mainWindow() { return Forms::Parent(); }

// Arms a text placement with this text, as Add Text does.
void armText(EditorSession& session, const QString& text)
{
    session.dialogs().answerInput(text);
    mainWindow().Toolbar1_ButtonClick(QStringLiteral("text"));
}

// Gives the banner a background colour through the palette, Back Color and a click.
void paintBackground(int paletteIndex)
{
    Mouse::click(mainWindow().palette[paletteIndex], Qt::LeftButton, QPoint(8, 8));
    mainWindow().mnubackcolor->trigger();
    Mouse::click(&canvas(), Qt::LeftButton, QPoint(5, 5));
}

} // namespace

class CanvasTest : public QObject {
    Q_OBJECT
private slots:
    void readoutCountsPixelsFromOne();
    void readoutFollowsPointerInEveryMode();
    void textPlacementPressWithRightButtonShowsLabelThere();
    void textIsPrintedWhereButtonIsReleasedInCanvasFontAndColour();
    void emptyTextStillArmsAndEndsPlacement();
    void canvasCannotBeDraggedWhilePlacingText();
    void whitePaletteBoxThenBackColorAndClickTurnsBannerWhite();
    void backColorWithoutPickUsesDialogsInitialColour();
    void dragMovesCanvasAndAppliesPendingColourOnlyAfterRelease();
    void dragKeepsPointerInsideWorkArea();
    void releaseWithoutPressClearsPendingColour();
    void bothFlagsPlaceTextFirstThenColourErasesIt();
    void backgroundPictureSurvivesColourChangeButDrawingDoesNot();
    void newLeavesWhiteEmptyBannerAndKeepsSwatch();
    void clearLeavesOnlyBackgroundColour();
    void sizeChangesRefuseNegativeAndHugeAndCropContent();
    void exposedStripShowsBackgroundColourAndPicture();
};

void CanvasTest::readoutCountsPixelsFromOne()
{
    EditorSession session;
    Mouse::move(&canvas(), Qt::NoButton, QPoint(0, 0));
    QCOMPARE(mainWindow().Label3->caption(), QStringLiteral("1"));
    QCOMPARE(mainWindow().Label4->caption(), QStringLiteral("1"));
    Mouse::move(&canvas(), Qt::NoButton, QPoint(467, 59));
    QCOMPARE(mainWindow().Label3->caption(), QStringLiteral("468"));
    QCOMPARE(mainWindow().Label4->caption(), QStringLiteral("60"));
    // The readout labels size themselves to the text.
    QVERIFY(mainWindow().Label3->width() > 0);
}

void CanvasTest::readoutFollowsPointerInEveryMode()
{
    EditorSession session;
    armText(session, QStringLiteral("Sale"));
    Mouse::press(&canvas(), Qt::LeftButton, QPoint(10, 10));
    Mouse::move(&canvas(), Qt::LeftButton, QPoint(120, 33));
    QCOMPARE(mainWindow().Label3->caption(), QStringLiteral("121"));
    QCOMPARE(mainWindow().Label4->caption(), QStringLiteral("34"));
    // The left button alone drags the label along.
    QCOMPARE(canvas().Label1->pos(), QPoint(120, 33));
}

void CanvasTest::textPlacementPressWithRightButtonShowsLabelThere()
{
    EditorSession session;
    armText(session, QStringLiteral("Hello"));
    QVERIFY(canvas().Label1->isHidden());
    Mouse::press(&canvas(), Qt::RightButton, QPoint(100, 12));
    QVERIFY(!canvas().Label1->isHidden());
    QCOMPARE(canvas().Label1->pos(), QPoint(100, 12));
    QCOMPARE(canvas().mousePointer(), FrmBanner::PointerDefault);
    // Moving with the right button held leaves the label where it is.
    Mouse::move(&canvas(), Qt::RightButton, QPoint(200, 30));
    QCOMPARE(canvas().Label1->pos(), QPoint(100, 12));
    QCOMPARE(mainWindow().Label3->caption(), QStringLiteral("201"));
    // Only the left button alone drags it, not left and right together.
    Mouse::move(&canvas(), Qt::LeftButton | Qt::RightButton, QPoint(150, 20));
    QCOMPARE(canvas().Label1->pos(), QPoint(100, 12));
    QVERIFY(Forms::state().TextPlacement);
}

void CanvasTest::textIsPrintedWhereButtonIsReleasedInCanvasFontAndColour()
{
    EditorSession session;
    canvas().setBackColor(OleColors::White);
    // Blue from the palette, then a 20-point bold font through Choose Fonts.
    Mouse::click(mainWindow().palette[8], Qt::LeftButton, QPoint(8, 8));
    FontChoice big;
    big.name = QStringLiteral("DejaVu Sans");
    big.size = 20.0f;
    big.bold = true;
    session.dialogs().answerFont(big);
    mainWindow().Toolbar1_ButtonClick(QStringLiteral("fonts"));
    armText(session, QStringLiteral("HI"));

    Mouse::press(&canvas(), Qt::RightButton, QPoint(40, 5));
    Mouse::move(&canvas(), Qt::RightButton, QPoint(200, 10));
    Mouse::release(&canvas(), Qt::RightButton, QPoint(300, 12));

    QVERIFY(canvas().Label1->isHidden());
    QVERIFY(!Forms::state().TextPlacement);
    QCOMPARE(canvas().mousePointer(), FrmBanner::PointerSizeAll);
    const QImage image = canvas().image();
    const QRect ink = boundsOf(image, qRgb(0, 0, 255));
    QVERIFY(!ink.isNull());
    // Top-left of the text at the release point; nothing near the press point.
    QVERIFY2(ink.left() >= 300 && ink.left() <= 304, qPrintable(QString::number(ink.left())));
    QVERIFY(ink.top() >= 12 && ink.top() <= 12 + 10);
    // 20-point capitals are far taller than the 8-point default's.
    QVERIFY2(ink.height() >= 16, qPrintable(QString::number(ink.height())));
    QCOMPARE(countPixels(image.copy(0, 0, 290, 60), qRgb(0, 0, 255)), 0);
    // The floating label never reaches the image.
    QCOMPARE(canvas().currentX(), 0.0f);
    // The document records what was printed, for exports that set it as text.
    QCOMPARE(canvas().document().textItems().size(), 1);
    const BannerTextItem& item = canvas().document().textItems().first();
    QCOMPARE(item.text, QStringLiteral("HI"));
    QCOMPARE(item.position, QPointF(300, 12));
    QCOMPARE(item.color, Parent::paletteColor(8));
    QCOMPARE(item.font.family(), QStringLiteral("DejaVu Sans"));
    QCOMPARE(item.font.pointSizeF(), 20.0);
    QVERIFY(item.font.bold());
}

void CanvasTest::emptyTextStillArmsAndEndsPlacement()
{
    EditorSession session;
    session.dialogs().answerInput(std::nullopt); // Cancel
    mainWindow().Toolbar1_ButtonClick(QStringLiteral("text"));
    QVERIFY(Forms::state().TextPlacement);
    QVERIFY(canvas().Label1->caption().isEmpty());
    const QImage before = canvas().image();
    Mouse::click(&canvas(), Qt::LeftButton, QPoint(50, 20));
    QVERIFY(!Forms::state().TextPlacement);
    QCOMPARE(canvas().image(), before);
}

void CanvasTest::canvasCannotBeDraggedWhilePlacingText()
{
    EditorSession session;
    const QPoint start = canvas().frame()->pos();
    armText(session, QStringLiteral("Stay"));
    Mouse::press(&canvas(), Qt::LeftButton, QPoint(10, 10));
    Mouse::move(&canvas(), Qt::LeftButton, QPoint(60, 40));
    QCOMPARE(canvas().frame()->pos(), start);
    QVERIFY(!canvas().isBeingMoved());
    Mouse::release(&canvas(), Qt::LeftButton, QPoint(60, 40));
}

void CanvasTest::whitePaletteBoxThenBackColorAndClickTurnsBannerWhite()
{
    EditorSession session;
    paintBackground(8);
    QCOMPARE(canvas().backColor(), OleColor(0x00FF0000));
    Mouse::click(mainWindow().palette[14], Qt::LeftButton, QPoint(8, 8));
    QCOMPARE(mainWindow().Picture2->backColor(), OleColors::White);
    QCOMPARE(mainWindow().CommonDialog1->color(), OleColors::White);
    QCOMPARE(canvas().foreColor(), OleColors::White);
    QCOMPARE(canvas().backColor(), OleColor(0x00FF0000)); // nothing yet
    mainWindow().mnubackcolor->trigger();
    Mouse::click(&canvas(), Qt::LeftButton, QPoint(30, 30)); // a click without moving
    QCOMPARE(canvas().backColor(), OleColors::White);
    QCOMPARE(mainWindow().Picture3->backColor(), OleColors::White);
    QVERIFY(!Forms::state().BackColorPending);
    QCOMPARE(countPixels(canvas().image(), qRgb(255, 255, 255)), 468 * 60);
}

void CanvasTest::backColorWithoutPickUsesDialogsInitialColour()
{
    EditorSession session;
    mainWindow().Toolbar1_ButtonClick(QStringLiteral("background"));
    QVERIFY(Forms::state().BackColorPending);
    Mouse::click(&canvas(), Qt::LeftButton, QPoint(1, 1));
    QCOMPARE(canvas().backColor(), OleColors::Black);
    QCOMPARE(countPixels(canvas().image(), qRgb(0, 0, 0)), 468 * 60);
}

void CanvasTest::dragMovesCanvasAndAppliesPendingColourOnlyAfterRelease()
{
    EditorSession session;
    Mouse::click(mainWindow().palette[1], Qt::LeftButton, QPoint(8, 8));
    mainWindow().mnubackcolor->trigger();
    const QPoint start = canvas().frame()->pos();
    Mouse::press(&canvas(), Qt::LeftButton, QPoint(20, 20));
    QVERIFY(canvas().isBeingMoved());
    // Positions are the canvas's own; the pointer moves 30 right and 25 down.
    Mouse::move(&canvas(), Qt::LeftButton, QPoint(50, 45));
    QCOMPARE(canvas().frame()->pos(), start + QPoint(30, 25));
    // The pointer is still over the pixel it grabbed.
    QCOMPARE(mainWindow().Label3->caption(), QStringLiteral("21"));
    QCOMPARE(mainWindow().Label4->caption(), QStringLiteral("21"));
    QVERIFY(Forms::state().BackColorPending);
    QCOMPARE(canvas().backColor(), OleColors::SysActiveTitleText);
    // A second button during the drag changes nothing.
    Mouse::press(&canvas(), Qt::RightButton, QPoint(20, 20));
    Mouse::release(&canvas(), Qt::RightButton, QPoint(20, 20));
    QVERIFY(canvas().isBeingMoved());
    Mouse::release(&canvas(), Qt::LeftButton, QPoint(20, 20));
    QVERIFY(!canvas().isBeingMoved());
    QCOMPARE(canvas().frame()->pos(), start + QPoint(30, 25));
    QCOMPARE(canvas().backColor(), OleColor(0x00000080));
    QCOMPARE(mainWindow().Picture3->backColor(), OleColor(0x00000080));
    QCOMPARE(canvas().frame()->parentWidget(), mainWindow().workArea()->viewport());
}

void CanvasTest::dragKeepsPointerInsideWorkArea()
{
    EditorSession session;
    const QPoint start = canvas().frame()->pos();
    Mouse::press(&canvas(), Qt::LeftButton, QPoint(10, 10));
    Mouse::move(&canvas(), Qt::LeftButton, QPoint(5000, -5000));
    QWidget* area = mainWindow().workArea()->viewport();
    const QPoint grabPoint = canvas().frame()->pos() + QPoint(10, 10);
    QVERIFY(area->rect().contains(grabPoint));
    QCOMPARE(grabPoint, QPoint(area->width() - 1, 0));
    // The pointer went on past the edge; the readout stays on the banner.
    QCOMPARE(mainWindow().Label3->caption(), QStringLiteral("468"));
    QCOMPARE(mainWindow().Label4->caption(), QStringLiteral("1"));
    Mouse::release(&canvas(), Qt::LeftButton, QPoint(10, 10));
    QVERIFY(canvas().frame()->pos() != start);
}

void CanvasTest::releaseWithoutPressClearsPendingColour()
{
    EditorSession session;
    mainWindow().armBackColor();
    Mouse::release(&canvas(), Qt::LeftButton, QPoint(3, 3));
    QVERIFY(!Forms::state().BackColorPending);
    QCOMPARE(canvas().backColor(), OleColors::SysActiveTitleText);
}

void CanvasTest::bothFlagsPlaceTextFirstThenColourErasesIt()
{
    EditorSession session;
    canvas().setBackColor(OleColors::White);
    Mouse::click(mainWindow().palette[2], Qt::LeftButton, QPoint(8, 8)); // green
    mainWindow().mnubackcolor->trigger();
    armText(session, QStringLiteral("WWW"));
    Mouse::click(&canvas(), Qt::LeftButton, QPoint(10, 10));
    QVERIFY(countPixels(canvas().image(), qRgb(0, 128, 0)) > 0); // text in green on white
    QCOMPARE(canvas().backColor(), OleColors::White);
    QVERIFY(Forms::state().BackColorPending);
    Mouse::click(&canvas(), Qt::LeftButton, QPoint(10, 10));
    QCOMPARE(countPixels(canvas().image(), qRgb(0, 128, 0)), 468 * 60);
}

void CanvasTest::backgroundPictureSurvivesColourChangeButDrawingDoesNot()
{
    EditorSession session;
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(qRgb(255, 0, 0));
    canvas().setPicture(picture);
    QImage painted(4, 4, QImage::Format_RGB32);
    painted.fill(qRgb(0, 255, 0));
    canvas().paintPicture(painted, 1500, 300, 600, 300); // 100,20 40x20 px
    QCOMPARE(countPixels(canvas().image(), qRgb(0, 255, 0)), 40 * 20);
    canvas().setBackColor(OleColor(0x00FF0000));
    const QImage image = canvas().image();
    QCOMPARE(countPixels(image, qRgb(255, 0, 0)), 20 * 10);
    QCOMPARE(countPixels(image, qRgb(0, 255, 0)), 0);
    QCOMPARE(countPixels(image, qRgb(0, 0, 255)), 468 * 60 - 200);
}

void CanvasTest::newLeavesWhiteEmptyBannerAndKeepsSwatch()
{
    EditorSession session;
    paintBackground(22);
    QImage picture(30, 30, QImage::Format_RGB32);
    picture.fill(qRgb(255, 0, 0));
    canvas().setPicture(picture);
    Mouse::click(mainWindow().palette[0], Qt::LeftButton, QPoint(8, 8));
    const QImage withoutText = canvas().image();
    armText(session, QStringLiteral("Gone"));
    Mouse::click(&canvas(), Qt::LeftButton, QPoint(100, 20));
    QVERIFY(canvas().image() != withoutText);
    const QFont font = canvas().printFont();

    mainWindow().MnuNew->trigger();
    QCOMPARE(canvas().backColor(), OleColors::White);
    QVERIFY(canvas().picture().isNull());
    QCOMPARE(countPixels(canvas().image(), qRgb(255, 255, 255)), 468 * 60);
    QCOMPARE(mainWindow().Picture3->backColor(), OleColor(0x0000C000)); // still the old colour
    QCOMPARE(canvas().printFont(), font);
    QCOMPARE(canvas().scaleWidthTwips(), 7020.0f);
}

void CanvasTest::clearLeavesOnlyBackgroundColour()
{
    EditorSession session;
    paintBackground(21); // yellow
    QImage picture(30, 30, QImage::Format_RGB32);
    picture.fill(qRgb(255, 0, 0));
    canvas().setPicture(picture);
    Mouse::click(mainWindow().palette[0], Qt::LeftButton, QPoint(8, 8));
    const QImage withoutText = canvas().image();
    armText(session, QStringLiteral("Gone"));
    Mouse::click(&canvas(), Qt::LeftButton, QPoint(100, 20));
    QVERIFY(canvas().image() != withoutText);

    mainWindow().Toolbar1_ButtonClick(QStringLiteral("clear"));
    QCOMPARE(canvas().backColor(), OleColor(0x00FFFF00));
    QCOMPARE(countPixels(canvas().image(), qRgb(0, 255, 255)), 468 * 60);
}

void CanvasTest::sizeChangesRefuseNegativeAndHugeAndCropContent()
{
    EditorSession session;
    canvas().setBackColor(OleColors::White);
    QImage dot(1, 1, QImage::Format_RGB32);
    dot.fill(qRgb(255, 0, 0));
    canvas().paintPicture(dot, 15 * 400, 15 * 50, 15, 15);
    QCOMPARE(canvas().setWidthTwips(-15), PropertyStatus::InvalidValue);
    QCOMPARE(canvas().setHeightTwips(15.0f * (FrmBanner::MaxSidePixels + 1)), PropertyStatus::InvalidValue);
    QCOMPARE(canvas().scaleWidthTwips(), 7020.0f);
    QCOMPARE(canvas().setWidthTwips(15 * 300), PropertyStatus::Ok);
    QCOMPARE(canvas().image().width(), 300);
    QCOMPARE(canvas().setWidthTwips(15 * 500), PropertyStatus::Ok);
    // What a shrink cut off is gone: the strip exposed again is background.
    QCOMPARE(countPixels(canvas().image(), qRgb(255, 0, 0)), 0);
    QCOMPARE(countPixels(canvas().image(), qRgb(255, 255, 255)), 500 * 60);
}

void CanvasTest::exposedStripShowsBackgroundColourAndPicture()
{
    EditorSession session;
    canvas().setBackColor(0x0000FF00); // green
    canvas().setPicture(quadrants(QSize(100, 100), qRgb(0, 0, 255), qRgb(0, 0, 255), qRgb(0, 0, 255), qRgb(0, 0, 255)));
    QImage red(1, 1, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    canvas().paintPicture(red, 0, 0, 7020, 900); // drawn over everything
    QCOMPARE(countPixels(canvas().image(), qRgb(255, 0, 0)), 468 * 60);

    // Height only, as after a drag left of the size dialog: 60 -> 20 -> 120.
    QCOMPARE(canvas().setHeightTwips(15 * 20), PropertyStatus::Ok);
    QCOMPARE(canvas().setHeightTwips(15 * 120), PropertyStatus::Ok);
    const QImage grown = canvas().image();
    QCOMPARE(grown.size(), QSize(468, 120));
    QCOMPARE(countPixels(grown, qRgb(255, 0, 0)), 468 * 20);
    QCOMPARE(grown.pixel(50, 60), qRgb(0, 0, 255));  // background picture
    QCOMPARE(grown.pixel(50, 110), qRgb(0, 255, 0)); // background colour
    QCOMPARE(grown.pixel(300, 30), qRgb(0, 255, 0));

    // Down to nothing and back: only background.
    QCOMPARE(canvas().setWidthTwips(0), PropertyStatus::Ok);
    QCOMPARE(canvas().setWidthTwips(15 * 468), PropertyStatus::Ok);
    QCOMPARE(countPixels(canvas().image(), qRgb(255, 0, 0)), 0);
}

QTEST_MAIN(CanvasTest)
#include "CanvasTest.moc"
