// The banner size dialog: its layout, the rubber band from the dialog's
// top-left corner with its XOR and copy pens, OK with the check box and with
// the labels, the error path of an impossible size, and Cancel.
#include "EditorSession.h"

#include "FormLabel.h"
#include "Forms.h"
#include "FrmBanner.h"
#include "Parent.h"
#include "PictureBox.h"
#include "frmresize.h"

#include <QCheckBox>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>

namespace {

FrmBanner& canvas() { return Forms::FrmBanner(); }
frmresize& dialog() { return Forms::frmresize(); }

constexpr QRgb kBlue = 0xFF0000FF; // the dialog's fore colour

QRgb backColour() { return dialog().drawing().pixel(dialog().width() - 1, dialog().height() - 1); }
QRgb xorColour() { return (backColour() ^ kBlue) | 0xFF000000u; }

// A drag with the left button from a press point through moves to a release.
void drag(QPoint press, const QList<QPoint>& moves, QPoint release)
{
    Mouse::press(&dialog(), Qt::LeftButton, press);
    for (QPoint p : moves)
        Mouse::move(&dialog(), Qt::LeftButton, p);
    Mouse::release(&dialog(), Qt::LeftButton, release);
}

QString sizeLabels() { return dialog().Label3->caption() + QLatin1Char('x') + dialog().Label4->caption(); }

// A 468 x 60 banner of four coloured quadrants.
QImage paintQuadrantBanner()
{
    const QImage q = quadrants(QSize(468, 60), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0));
    canvas().paintPicture(q, 0, 0, 7020, 900);
    return q;
}

} // namespace

class ResizeDialogTest : public QObject {
    Q_OBJECT
private slots:
    void dragDrawsXorBandFromTopLeftAndReleaseLeavesSolidBox();
    void standardSizeCheckBoxIsGrey();
    void eachMoveErasesThePreviousBand();
    void onlyTheLeftButtonDrags();
    void checkedBoxGivesStandardSizeWhateverTheLabels();
    void okBeforeAnyDragAsksForZeroByZero();
    void dragTo936x120StretchesContentToDoubleSize();
    void negativeSizeClosesAndKeepsWhatWasApplied();
    void cancelLeavesCanvasAndLabelsSurviveReopening();
    void okPaintsTheBannerAsItIsNotAsItWasWhenFirstShown();
};

void ResizeDialogTest::dragDrawsXorBandFromTopLeftAndReleaseLeavesSolidBox()
{
    EditorSession session;
    dialog().showForm();
    // Pressed far from the corner: the band still starts at (0, 0).
    Mouse::press(&dialog(), Qt::LeftButton, QPoint(300, 150));
    QCOMPARE(dialog().drawMode(), frmresize::DrawModeXorPen);
    Mouse::move(&dialog(), Qt::LeftButton, QPoint(100, 40));
    QCOMPARE(sizeLabels(), QStringLiteral("100x40"));
    const QImage band = dialog().drawing();
    QVERIFY(countPixels(band, xorColour()) > 2 * (100 + 40));
    const QRect box = boundsOf(band, xorColour());
    QCOMPARE(box.topLeft(), QPoint(0, 0));
    QVERIFY2(qAbs(box.right() - 100) <= 1 && qAbs(box.bottom() - 40) <= 1, qPrintable(QString::number(box.right())));
    QCOMPARE(countPixels(band, kBlue), 0);

    // Released where the last move was: one solid box in the fore colour.
    Mouse::release(&dialog(), Qt::LeftButton, QPoint(100, 40));
    QCOMPARE(dialog().drawMode(), frmresize::DrawModeCopyPen);
    const QImage done = dialog().drawing();
    QCOMPARE(boundsOf(done, kBlue), box);
    QCOMPARE(countPixels(done, xorColour()), 0);
    QCOMPARE(sizeLabels(), QStringLiteral("100x40")); // the release leaves the labels
}

void ResizeDialogTest::eachMoveErasesThePreviousBand()
{
    EditorSession session;
    drag(QPoint(5, 5), {QPoint(200, 100), QPoint(150, 80), QPoint(60, 30)}, QPoint(60, 30));
    const QImage done = dialog().drawing();
    // Only the last box is left; the larger ones were XORed away.
    QVERIFY(boundsOf(done, kBlue).right() <= 61);
    QCOMPARE(countPixels(done, xorColour()), 0);
    QCOMPARE(done.pixel(150, 50), backColour());
    // The next press wipes the drawing.
    Mouse::press(&dialog(), Qt::LeftButton, QPoint(1, 1));
    QCOMPARE(countPixels(dialog().drawing(), kBlue), 0);
    Mouse::release(&dialog(), Qt::LeftButton, QPoint(1, 1));
}

void ResizeDialogTest::onlyTheLeftButtonDrags()
{
    EditorSession session;
    drag(QPoint(5, 5), {QPoint(90, 20)}, QPoint(90, 20));
    Mouse::press(&dialog(), Qt::RightButton, QPoint(10, 10));
    Mouse::move(&dialog(), Qt::RightButton, QPoint(200, 120));
    Mouse::move(&dialog(), Qt::LeftButton | Qt::RightButton, QPoint(210, 130));
    QCOMPARE(sizeLabels(), QStringLiteral("90x20"));
    QCOMPARE(dialog().drawMode(), frmresize::DrawModeCopyPen);
    // The press wiped the drawing; a release with any button draws the box.
    QCOMPARE(countPixels(dialog().drawing(), kBlue), 0);
    Mouse::release(&dialog(), Qt::RightButton, QPoint(30, 30));
    QCOMPARE(boundsOf(dialog().drawing(), kBlue), QRect(QPoint(0, 0), QPoint(30, 30)));
}

void ResizeDialogTest::checkedBoxGivesStandardSizeWhateverTheLabels()
{
    EditorSession session;
    canvas().setHeightTwips(300);
    canvas().setWidthTwips(3000);
    dialog().showForm();
    drag(QPoint(1, 1), {QPoint(-40, 300)}, QPoint(-40, 300));
    dialog().Check1->setChecked(true);
    QTest::mouseClick(dialog().Command1, Qt::LeftButton);
    QCOMPARE(canvas().scaleWidthTwips(), 7020.0f);
    QCOMPARE(canvas().scaleHeightTwips(), 900.0f);
    QVERIFY(!dialog().isFormVisible());
    QCOMPARE(countPixels(dialog().drawing(), kBlue), 0); // drawing cleared
}

void ResizeDialogTest::okBeforeAnyDragAsksForZeroByZero()
{
    EditorSession session;
    dialog().showForm();
    QCOMPARE(sizeLabels(), QStringLiteral("0x0"));
    QVERIFY(!dialog().Check1->isChecked());
    dialog().Command1_Click();
    QCOMPARE(canvas().scaleWidthTwips(), 0.0f);
    QCOMPARE(canvas().scaleHeightTwips(), 0.0f);
    QVERIFY(!dialog().isFormVisible());
}

void ResizeDialogTest::dragTo936x120StretchesContentToDoubleSize()
{
    EditorSession session;
    const QImage before = paintQuadrantBanner();
    dialog().showForm();
    drag(QPoint(10, 10), {QPoint(500, 100), QPoint(936, 120)}, QPoint(936, 120));
    dialog().Command1_Click();
    const QImage after = canvas().image();
    QCOMPARE(after.size(), QSize(936, 120));
    // Scaled, not cropped: each pixel of the old banner became a 2 x 2 block.
    for (QPoint p : {QPoint(0, 0), QPoint(233, 29), QPoint(234, 30), QPoint(467, 59), QPoint(100, 45), QPoint(400, 5)})
        QCOMPARE(after.pixel(2 * p.x() + 1, 2 * p.y() + 1), before.pixel(p));
    QCOMPARE(countPixels(after, qRgb(255, 255, 0)), 468 * 60);
}

void ResizeDialogTest::negativeSizeClosesAndKeepsWhatWasApplied()
{
    EditorSession session;
    const QImage before = paintQuadrantBanner();
    dialog().showForm();
    // Above the dialog: a negative height, refused first; nothing changes.
    drag(QPoint(10, 10), {QPoint(300, -1)}, QPoint(300, -1));
    QCOMPARE(sizeLabels(), QStringLiteral("300x-1"));
    dialog().Command1_Click();
    QCOMPARE(canvas().image(), before);
    QVERIFY(!dialog().isFormVisible());

    // Left of the dialog: the height is set, then the width is refused.
    dialog().showForm();
    drag(QPoint(10, 10), {QPoint(-12, 80)}, QPoint(-12, 80));
    QCOMPARE(sizeLabels(), QStringLiteral("-12x80"));
    dialog().Command1_Click();
    QCOMPARE(canvas().scaleHeightTwips(), 1200.0f);
    QCOMPARE(canvas().scaleWidthTwips(), 7020.0f);
    QVERIFY(!dialog().isFormVisible());
    QCOMPARE(countPixels(dialog().drawing(), kBlue), 0); // drawing cleared
}

void ResizeDialogTest::cancelLeavesCanvasAndLabelsSurviveReopening()
{
    EditorSession session;
    const QImage before = paintQuadrantBanner();
    Forms::Parent().MnuBannerSize->trigger();
    drag(QPoint(10, 10), {QPoint(240, 33)}, QPoint(240, 33));
    QTest::mouseClick(dialog().Command2, Qt::LeftButton);
    QVERIFY(!dialog().isFormVisible());
    QCOMPARE(canvas().image(), before);
    Forms::Parent().MnuBannerSize->trigger();
    QCOMPARE(sizeLabels(), QStringLiteral("240x33"));
    // Escape is the dialog's Cancel.
    QTest::keyClick(&dialog(), Qt::Key_Escape);
    QVERIFY(!dialog().isFormVisible());
}

void ResizeDialogTest::okPaintsTheBannerAsItIsNotAsItWasWhenFirstShown()
{
    EditorSession session;
    // Shown and hidden once: a copy taken only then would be all white.
    Forms::Parent().MnuBannerSize->trigger();
    dialog().Command2_Click();
    const QImage now = paintQuadrantBanner();
    Forms::Parent().MnuBannerSize->trigger();
    // Changed again while the dialog stands open.
    canvas().setBackColor(0x00FF00FF);
    const QImage latest = canvas().image();
    QVERIFY(latest != now);
    dialog().Check1->setChecked(true);
    dialog().Command1_Click();
    QCOMPARE(canvas().image(), latest);
}

void ResizeDialogTest::standardSizeCheckBoxIsGrey()
{
    EditorSession session;
    dialog().showForm();
    // As the dialog shows it: a grab of the box alone fills it with its own
    // palette whether or not it paints its background on the dialog.
    const QImage form = dialog().grab().toImage();
    const QRect box = dialog().Check1->geometry();
    QVERIFY(form.rect().contains(box));
    // Right of the caption, and along the bottom edge: the back colour.
    QCOMPARE(form.pixel(box.right() - 1, box.center().y()), qRgb(192, 192, 192));
    QCOMPARE(form.pixel(box.center().x(), box.bottom()), qRgb(192, 192, 192));
    // Beside the box, the dialog's own background is not that grey.
    QVERIFY(form.pixel(box.right() + 3, box.center().y()) != qRgb(192, 192, 192));
}

QTEST_MAIN(ResizeDialogTest)
#include "ResizeDialogTest.moc"
