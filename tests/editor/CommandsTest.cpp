// The editing commands: dispatch, Add Text, Choose Fonts, the palette's click
// and double-click, Banner Size, Back Image and the work-area colour.
#include "EditorSession.h"

#include "CommonDialog.h"
#include "FormLabel.h"
#include "Forms.h"
#include "FrmBanner.h"
#include "FrmView.h"
#include "Parent.h"
#include "PictureBox.h"
#include "frmresize.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

FrmBanner& canvas() { return Forms::FrmBanner(); }
Parent& mainWindow() { return Forms::Parent(); }

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT
private slots:
    void toolbarButtonsRunTheirCommands();
    void unknownOrMiscasedKeyDoesNothing();
    void addTextAsksWithExactPromptAndTitle();
    void addTextCancelledArmsEmptyLabelAndKeepsPlacement();
    void chooseFontsCancelledAtFirstUseSkipsEmptyNameAndAppliesRest();
    void chooseFontsAppliesChoiceToCanvasAndLabel();
    void chooseFontsSkipsUninstalledNameButKeepsSize();
    void editFontsOnlyKeepsChoiceInDialog();
    void paletteClickSetsSwatchCurrentColourAndTextColour();
    void doubleClickCustomColourReachesLabelButNotPrintedText();
    void doubleClickCancelledKeepsClickedColour();
    void toolbarBannerSizeOpensAtFixedPlaceMenuLeavesIt();
    void backImageShowsViewer();
    void workAreaTakesForegroundSwatchColour();
};

void CommandsTest::toolbarButtonsRunTheirCommands()
{
    EditorSession session;
    // Pressing the real buttons: "background" arms the colour pick...
    QTest::mouseClick(mainWindow().toolbarButton(QStringLiteral("background")), Qt::LeftButton);
    QVERIFY(Forms::state().BackColorPending);
    // ...and "text" opens the input box.
    session.dialogs().answerInput(QStringLiteral("x"));
    QTest::mouseClick(mainWindow().toolbarButton(QStringLiteral("text")), Qt::LeftButton);
    QCOMPARE(session.dialogs().count(QStringLiteral("input")), 1);
    QVERIFY(Forms::state().TextPlacement);
    session.dialogs().answerFont(std::nullopt);
    QTest::mouseClick(mainWindow().toolbarButton(QStringLiteral("fonts")), Qt::LeftButton);
    QCOMPARE(session.dialogs().count(QStringLiteral("font")), 1);
    QCOMPARE(session.dialogs().unexpected(), 0);
}

void CommandsTest::unknownOrMiscasedKeyDoesNothing()
{
    EditorSession session;
    const QImage before = canvas().image();
    for (const char* key : {"Text", "FONTS", "", "save", "new "})
        mainWindow().Toolbar1_ButtonClick(QString::fromLatin1(key));
    QVERIFY(session.dialogs().requests().isEmpty());
    QVERIFY(!Forms::state().TextPlacement);
    QVERIFY(!Forms::state().BackColorPending);
    QCOMPARE(canvas().image(), before);
}

void CommandsTest::addTextAsksWithExactPromptAndTitle()
{
    EditorSession session;
    Mouse::click(mainWindow().palette[10], Qt::LeftButton, QPoint(8, 8));
    session.dialogs().answerInput(QStringLiteral("Big Sale"));
    mainWindow().Toolbar1_ButtonClick(QStringLiteral("text"));
    const ScriptedDialogs::Request& asked = session.dialogs().requests().constLast();
    QCOMPARE(asked.title, QStringLiteral("Velnora"));
    QCOMPARE(asked.prompt,
             QStringLiteral("Enter Text Here Then Click OK.\r\rHold down left mouse button\r"
                            "And Drag Text Into Place"));
    QCOMPARE(Forms::state().BannerText, QStringLiteral("Big Sale"));
    QCOMPARE(canvas().Label1->caption(), QStringLiteral("Big Sale"));
    QCOMPARE(canvas().Label1->foreColor(), OleColor(0x000080FF));
    QVERIFY(canvas().Label1->width() > 20); // sized to its caption
    QVERIFY(Forms::state().TextPlacement);
}

void CommandsTest::addTextCancelledArmsEmptyLabelAndKeepsPlacement()
{
    EditorSession session;
    session.dialogs().answerInput(QStringLiteral("first"));
    mainWindow().addText();
    Mouse::press(&canvas(), Qt::LeftButton, QPoint(30, 10));
    // A second Add Text during the placement only replaces the caption.
    session.dialogs().answerInput(std::nullopt);
    mainWindow().addText();
    QVERIFY(Forms::state().TextPlacement);
    QVERIFY(Forms::state().BannerText.isEmpty());
    QVERIFY(canvas().Label1->caption().isEmpty());
    QVERIFY(canvas().Label1->isVisible());
}

void CommandsTest::chooseFontsCancelledAtFirstUseSkipsEmptyNameAndAppliesRest()
{
    EditorSession session;
    const QString familyBefore = canvas().printFont().family();
    const QString labelFamilyBefore = canvas().Label1->font().family();
    QCOMPARE(canvas().foreColor(), OleColors::SysButtonText);
    session.dialogs().answerFont(std::nullopt);
    mainWindow().Toolbar1_ButtonClick(QStringLiteral("fonts"));
    // The dialog opened on its initial values: no name, 8 points, no styles.
    QCOMPARE(session.dialogs().requests().constLast().initialFont.name, QString());
    // Size applied, empty name refused and skipped, the rest still applied.
    QCOMPARE(canvas().printFont().pointSizeF(), 8.0);
    QCOMPARE(canvas().printFont().family(), familyBefore);
    QVERIFY(!canvas().printFont().bold());
    QCOMPARE(canvas().foreColor(), OleColors::Black);
    QCOMPARE(canvas().Label1->font().pointSizeF(), 8.0);
    QCOMPARE(canvas().Label1->font().family(), labelFamilyBefore);
    QCOMPARE(canvas().Label1->foreColor(), OleColors::Black);
}

void CommandsTest::chooseFontsAppliesChoiceToCanvasAndLabel()
{
    EditorSession session;
    Mouse::click(mainWindow().palette[19], Qt::LeftButton, QPoint(8, 8));
    FontChoice choice{QStringLiteral("Liberation Serif"), 14.0f, true, true, true, true};
    session.dialogs().answerFont(choice);
    mainWindow().chooseFonts();
    for (const QFont& f : {canvas().printFont(), canvas().Label1->font()}) {
        QCOMPARE(f.family(), QStringLiteral("Liberation Serif"));
        QCOMPARE(f.pointSizeF(), 14.0);
        QVERIFY(f.bold() && f.italic() && f.strikeOut() && f.underline());
    }
    QCOMPARE(canvas().foreColor(), OleColor(0x008080FF));
    QCOMPARE(canvas().Label1->foreColor(), OleColor(0x008080FF));
    // A later cancel applies the kept choice again, with the swatch's new colour.
    Mouse::click(mainWindow().palette[2], Qt::LeftButton, QPoint(8, 8));
    canvas().setFontSize(30.0f);
    session.dialogs().answerFont(std::nullopt);
    mainWindow().chooseFonts();
    QCOMPARE(canvas().printFont().pointSizeF(), 14.0);
    QCOMPARE(canvas().Label1->foreColor(), OleColor(0x00008000));
}

void CommandsTest::chooseFontsSkipsUninstalledNameButKeepsSize()
{
    EditorSession session;
    const QString before = canvas().printFont().family();
    FontChoice choice{QStringLiteral("No Such Typeface 7"), 0.0f, false, true, false, false};
    session.dialogs().answerFont(choice);
    mainWindow().chooseFonts();
    QCOMPARE(canvas().printFont().family(), before);  // refused
    QVERIFY(canvas().printFont().pointSizeF() > 0.0); // a zero size is refused too
    QVERIFY(canvas().printFont().italic());           // later assignments still ran
    QCOMPARE(canvas().foreColor(), OleColors::Black);
}

void CommandsTest::editFontsOnlyKeepsChoiceInDialog()
{
    EditorSession session;
    const QFont before = canvas().printFont();
    FontChoice choice{QStringLiteral("DejaVu Serif"), 18.0f, false, false, false, false};
    session.dialogs().answerFont(choice);
    mainWindow().MnuText->trigger();
    QCOMPARE(canvas().printFont(), before);
    QCOMPARE(mainWindow().CommonDialog1->fontName(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(mainWindow().CommonDialog1->fontSize(), 18.0f);
    // Choose Fonts cancelled afterwards applies that kept choice.
    session.dialogs().answerFont(std::nullopt);
    mainWindow().chooseFonts();
    QCOMPARE(canvas().printFont().family(), QStringLiteral("DejaVu Serif"));
}

void CommandsTest::paletteClickSetsSwatchCurrentColourAndTextColour()
{
    EditorSession session;
    Mouse::click(mainWindow().palette[4], Qt::LeftButton, QPoint(8, 8));
    QCOMPARE(mainWindow().Picture2->backColor(), OleColor(0x00C0C0FF));
    QCOMPARE(mainWindow().CommonDialog1->color(), OleColor(0x00C0C0FF));
    QCOMPARE(canvas().foreColor(), OleColor(0x00C0C0FF));
    // The right button is no click.
    Mouse::click(mainWindow().palette[5], Qt::RightButton, QPoint(8, 8));
    QCOMPARE(mainWindow().Picture2->backColor(), OleColor(0x00C0C0FF));
    QCOMPARE(session.dialogs().requests().size(), 0);
}

void CommandsTest::doubleClickCustomColourReachesLabelButNotPrintedText()
{
    EditorSession session;
    canvas().setBackColor(OleColors::White);
    session.dialogs().answerColor(QColor(10, 20, 30));
    Mouse::doubleClick(mainWindow().palette[8], QPoint(8, 8)); // blue box
    const ScriptedDialogs::Request& asked = session.dialogs().requests().constLast();
    QCOMPARE(asked.kind, QStringLiteral("color"));
    QCOMPARE(asked.initialColor, QColor(0, 0, 255)); // the click came first
    const OleColor custom = OleColors::fromRgb(10, 20, 30);
    QCOMPARE(mainWindow().Picture2->backColor(), custom);
    QCOMPARE(mainWindow().CommonDialog1->color(), custom);
    QCOMPARE(canvas().foreColor(), OleColor(0x00FF0000));
    QCOMPARE(mainWindow().palette[8]->backColor(), OleColor(0x00FF0000));

    FontChoice big{QStringLiteral("DejaVu Sans"), 20.0f, true, false, false, false};
    session.dialogs().answerInput(QStringLiteral("M"));
    mainWindow().addText();
    QCOMPARE(canvas().Label1->foreColor(), custom);
    canvas().setFontSize(20.0f);
    canvas().setFontBold(true);
    Mouse::click(&canvas(), Qt::LeftButton, QPoint(200, 10));
    const QImage image = canvas().image();
    QVERIFY(countPixels(image, qRgb(0, 0, 255)) > 20);
    QCOMPARE(countPixels(image, qRgb(10, 20, 30)), 0);

    // Choose Fonts then makes the printed text follow the custom colour.
    session.dialogs().answerFont(big);
    mainWindow().chooseFonts();
    QCOMPARE(canvas().foreColor(), custom);
}

void CommandsTest::doubleClickCancelledKeepsClickedColour()
{
    EditorSession session;
    session.dialogs().answerColor(std::nullopt);
    Mouse::doubleClick(mainWindow().palette[27], QPoint(8, 8));
    QCOMPARE(session.dialogs().count(QStringLiteral("color")), 1);
    QCOMPARE(mainWindow().Picture2->backColor(), OleColor(0x0000FF00));
    QCOMPARE(mainWindow().CommonDialog1->color(), OleColor(0x0000FF00));
}

void CommandsTest::toolbarBannerSizeOpensAtFixedPlaceMenuLeavesIt()
{
    EditorSession session;
    QTest::mouseClick(mainWindow().toolbarButton(QStringLiteral("resize")), Qt::LeftButton);
    frmresize& dialog = Forms::frmresize();
    QVERIFY(dialog.isFormVisible());
    // 80, 214 twips from the work area's corner: 5.33 and 14.27 px.
    QCOMPARE(dialog.frame()->pos(), QPoint(5, 14));
    QCOMPARE(dialog.frame()->parentWidget(), mainWindow().workArea()->viewport());
    QCOMPARE(dialog.size(), QSize(frmresize::DesignWidth, frmresize::DesignHeight)); // client, frame around it

    dialog.frame()->move(200, 120);
    dialog.hideForm();
    mainWindow().MnuBannerSize->trigger();
    QVERIFY(dialog.isFormVisible());
    QCOMPARE(dialog.frame()->pos(), QPoint(200, 120));

    mainWindow().Toolbar1_ButtonClick(QStringLiteral("resize"));
    QCOMPARE(dialog.frame()->pos(), QPoint(5, 14));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Select Banner Size"));
}

void CommandsTest::backImageShowsViewer()
{
    EditorSession session;
    mainWindow().MnuBackImage->trigger();
    QVERIFY(Forms::FrmView().isFormVisible());
    Forms::FrmView().hideForm();
    mainWindow().Toolbar1_ButtonClick(QStringLiteral("backimage"));
    QVERIFY(Forms::FrmView().isFormVisible());
    QCOMPARE(Forms::FrmView().subWindow()->windowTitle(), QStringLiteral("    Velnora Graphic Viewer"));
}

void CommandsTest::workAreaTakesForegroundSwatchColour()
{
    EditorSession session;
    QCOMPARE(mainWindow().backColor(), OleColors::SysAppWorkspace);
    Mouse::click(mainWindow().palette[26], Qt::LeftButton, QPoint(8, 8));
    QTest::mouseClick(mainWindow().cmdwrkcolor, Qt::LeftButton);
    QCOMPARE(mainWindow().backColor(), OleColor(0x00808000));
    QCOMPARE(mainWindow().workArea()->background().color(), QColor(0, 128, 128));
}

QTEST_MAIN(CommandsTest)
#include "CommandsTest.moc"
