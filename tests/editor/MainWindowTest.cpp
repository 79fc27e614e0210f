// Start-up and the main window: centring, layout, palette, toolbar, status
// bar, menus, the forms' single instances and the program's end.
#include "EditorSession.h"

#include "FormLabel.h"
#include "Forms.h"
#include "FrmBanner.h"
#include "FrmView.h"
#include "ImageList.h"
#include "Parent.h"
#include "PictureBox.h"
#include "frmAbout.h"
#include "frmHelp.h"
#include "frmresize.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void startupCentresCanvasInDesignWorkArea();
    void enlargingMainWindowLeavesCanvasInPlace();
    void startupCreatesAboutHiddenAndShowsMainAndCanvas();
    void dockedBarsHaveDesignSizes();
    void paletteBoxesFollowLayoutFormulaAndColours();
    void lowerToolbarControlsSitAtDesignPositions();
    void commandToolbarHasSevenKeyedButtons();
    void statusBarShowsNameTimeAndDate();
    void statusPanelsAreSunken();
    void menuTreeHasExactCaptionsWithoutKeys();
    void controlsKeepDesignerNames();
    void bannerSizeMenuTwiceShowsOneDialog();
    void closedDocumentWindowIsHiddenAndCanvasRefusesToClose();
    void exitEndsProgramWithAllWindows();
    void closingMainWindowEndsProgramWithAllWindows();
};

void MainWindowTest::startupCentresCanvasInDesignWorkArea()
{
    EditorSession session;
    Parent& parent = Forms::Parent();
    FrmBanner& banner = Forms::FrmBanner();
    // 10140 less Toolbar1's 675; 6435 less 675 for Toolbar2 and 375 for the status bar.
    QCOMPARE(parent.scaleWidthTwips(), 9465.0f);
    QCOMPARE(parent.scaleHeightTwips(), 5385.0f);
    QCOMPARE(banner.scaleWidthTwips(), 7020.0f);
    QCOMPARE(banner.scaleHeightTwips(), 900.0f);
    // Left 1222.5 and Top 2242.5 twips are 81.5 and 149.5 px; placed at 82, 150.
    QCOMPARE(banner.frame()->pos(), QPoint(82, 150));
    QCOMPARE(banner.leftTwips(), 1230.0f);
    QCOMPARE(banner.topTwips(), 2250.0f);
    QCOMPARE(banner.frame()->parentWidget(), parent.workArea()->viewport());
}

void MainWindowTest::enlargingMainWindowLeavesCanvasInPlace()
{
    EditorSession session;
    Parent& parent = Forms::Parent();
    const QPoint before = Forms::FrmBanner().frame()->pos();
    parent.resize(parent.width() + 200, parent.height() + 150);
    QCoreApplication::processEvents();
    QVERIFY(parent.scaleWidthTwips() > 9465.0f);
    QCOMPARE(Forms::FrmBanner().frame()->pos(), before);
}

void MainWindowTest::startupCreatesAboutHiddenAndShowsMainAndCanvas()
{
    EditorSession session;
    QVERIFY(Forms::frmAboutLoaded());
    QVERIFY(!Forms::frmAbout().isVisible());
    QCOMPARE(Forms::frmAbout().windowTitle(), QStringLiteral("About Velnora"));
    QVERIFY(Forms::Parent().isVisible());
    QVERIFY(Forms::FrmBanner().isFormVisible());
    QCOMPARE(Forms::Parent().windowTitle(), QStringLiteral("   Velnora"));
    QVERIFY(Forms::Parent().windowIcon().availableSizes().contains(QSize(32, 32)));
    // The canvas's load handler ran after the main window's.
    QCOMPARE(Forms::Parent().Picture2->backColor(), OleColors::Black);
    QCOMPARE(Forms::Parent().Picture3->backColor(), Forms::FrmBanner().backColor());
    QCOMPARE(Forms::FrmBanner().backColor(), OleColors::SysActiveTitleText);
    QCOMPARE(Forms::FrmBanner().mousePointer(), FrmBanner::PointerSizeAll);
}

void MainWindowTest::dockedBarsHaveDesignSizes()
{
    EditorSession session;
    Parent& parent = Forms::Parent();
    QCOMPARE(parent.Toolbar1->width(), 45);
    QCOMPARE(parent.Toolbar2->height(), 45);
    QCOMPARE(parent.Toolbar2->width(), Parent::DesignClientWidth);
    QCOMPARE(parent.StatusBar1->height(), 25);
    // Toolbar1 runs from the top of the client area down to Toolbar2.
    const QPoint toolbar1 = parent.Toolbar1->mapTo(&parent, QPoint(0, 0));
    const QPoint toolbar2 = parent.Toolbar2->mapTo(&parent, QPoint(0, 0));
    QCOMPARE(toolbar1.y() + parent.Toolbar1->height(), toolbar2.y());
    QCOMPARE(toolbar2.x(), 0);
}

void MainWindowTest::paletteBoxesFollowLayoutFormulaAndColours()
{
    EditorSession session;
    Parent& parent = Forms::Parent();
    for (int i = 0; i < Parent::PaletteCount; ++i) {
        const int row = i / 14, column = i % 14;
        PictureBox* box = parent.palette[i];
        QCOMPARE(box->parentWidget(), parent.Toolbar2);
        QCOMPARE(box->geometry(), QRect(80 + 16 * column, 8 + 16 * row, 17, 17));
        QCOMPARE(box->toolTip(), QStringLiteral("Double Click For More Colors"));
        QCOMPARE(box->backColor(), Parent::paletteColor(i));
    }
    // Spot checks against the design table, including its two repeated colours.
    QCOMPARE(parent.palette[3]->backColor(), OleColor(0x00C0C000));
    QCOMPARE(parent.palette[24]->backColor(), OleColor(0x00C0E0FF));
    QCOMPARE(parent.palette[9]->backColor(), parent.palette[17]->backColor());
    QCOMPARE(parent.palette[6]->backColor(), parent.palette[25]->backColor());
}

void MainWindowTest::lowerToolbarControlsSitAtDesignPositions()
{
    EditorSession session;
    Parent& parent = Forms::Parent();
    QCOMPARE(parent.Picture1->geometry(), QRect(32, 8, 41, 33));
    // The swatches sit in Picture1's client area, inside its 2-pixel border.
    QCOMPARE(parent.Picture2->geometry(), QRect(3, 3, 17, 17));
    QCOMPARE(parent.Picture3->geometry(), QRect(21, 13, 17, 17));
    QCOMPARE(parent.Picture2->toolTip(), QStringLiteral("ForeGround Color"));
    QCOMPARE(parent.Picture3->toolTip(), QStringLiteral("BackGround Color"));
    QCOMPARE(parent.cmdwrkcolor->geometry(), QRect(320, 8, 73, 17));
    QCOMPARE(parent.cmdwrkcolor->text(), QStringLiteral("Work Area"));
    QCOMPARE(parent.cmdwrkcolor->toolTip(), QStringLiteral("Change Work Area Color"));
    QCOMPARE(parent.Picture4->geometry(), QRect(408, 8, 73, 33));
    QVERIFY(parent.Picture4->isHidden());
    QCOMPARE(parent.Frame1->geometry(), QRect(504, 0, 209, 49));
    QCOMPARE(parent.Frame1->title(), QStringLiteral("Current Position"));
    QCOMPARE(parent.Label1->pos(), QPoint(16, 16));
    QCOMPARE(parent.Label3->pos(), QPoint(40, 16));
    QCOMPARE(parent.Label2->pos(), QPoint(112, 16));
    QCOMPARE(parent.Label4->pos(), QPoint(136, 16));
    QCOMPARE(parent.Label1->caption(), QStringLiteral("X>"));
    QCOMPARE(parent.Label2->caption(), QStringLiteral("Y>"));
    QVERIFY(parent.Label3->caption().isEmpty());
    QVERIFY(parent.Label4->caption().isEmpty());
    QVERIFY(parent.Label3->font().bold());
    QCOMPARE(parent.Label3->font().pointSizeF(), 9.75);
}

void MainWindowTest::commandToolbarHasSevenKeyedButtons()
{
    EditorSession session;
    Parent& parent = Forms::Parent();
    const QStringList keys{"new", "clear", "background", "text", "resize", "backimage", "fonts"};
    const QStringList tips{"New Banner",  "Clear Banner",     "BackGround Color", "Add Text",
                           "Banner Size", "BackGround Image", "Choose Fonts"};
    QCOMPARE(parent.Toolbar1->actions().size(), 7);
    int previousBottom = -1;
    for (int i = 0; i < keys.size(); ++i) {
        QAction* action = parent.Toolbar1->actions().at(i);
        QCOMPARE(action->data().toString(), keys.at(i));
        QCOMPARE(action->toolTip(), tips.at(i));
        QVERIFY(action->text().isEmpty());
        QToolButton* button = parent.toolbarButton(keys.at(i));
        QVERIFY(button);
        QCOMPARE(button->size(), QSize(42, 41));
        QVERIFY(button->y() > previousBottom); // stacked from the top
        previousBottom = button->y() + button->height() - 1;
        QVERIFY(!action->icon().isNull());
    }
    QCOMPARE(parent.ImageList1->count(), 7);
    QCOMPARE(parent.ImageList1->imageSize(), QSize(35, 35));
    QCOMPARE(parent.ImageList1->maskColor(), OleColor(0x00C0C0C0));
}

void MainWindowTest::statusBarShowsNameTimeAndDate()
{
    EditorSession session;
    Parent& parent = Forms::Parent();
    QCOMPARE(parent.Panels[0]->text(), QStringLiteral("Velnora 1.0.0"));
    QVERIFY(parent.Panels[0]->alignment() & Qt::AlignLeft);
    QCOMPARE(parent.Panels[1]->width(), 96);
    QCOMPARE(parent.Panels[2]->width(), 96);
    QVERIFY(parent.Panels[1]->alignment() & Qt::AlignHCenter);
    const QLocale locale = QLocale::system();
    QCOMPARE(parent.Panels[2]->text(), locale.toString(QDate::currentDate(), QLocale::ShortFormat));
    QVERIFY(!parent.Panels[1]->text().isEmpty());
    // The first panel takes what the other two leave.
    QVERIFY(parent.Panels[0]->width() > parent.width() - 2 * 96 - 40);
}

void MainWindowTest::menuTreeHasExactCaptionsWithoutKeys()
{
    EditorSession session;
    QStringList tree;
    // Each entry as caption=designer name; a submenu is named by its menu.
    std::function<void(QMenu*, QString)> walk = [&](QMenu* menu, QString indent) {
        for (QAction* a : menu->actions()) {
            const QString name = a->menu() ? a->menu()->objectName() : a->objectName();
            tree << indent + (a->isSeparator() ? QStringLiteral("-") : a->text()) + QLatin1Char('=') + name;
            QVERIFY(a->shortcut().isEmpty());
            if (a->menu())
                walk(a->menu(), indent + QStringLiteral("  "));
        }
    };
    for (QAction* top : Forms::Parent().menuBar()->actions()) {
        tree << top->text() + QLatin1Char('=') + top->menu()->objectName();
        walk(top->menu(), QStringLiteral("  "));
    }
    const QStringList expected{
        "File=MnuFile",
        "  New=MnuNew",
        "  Load=MnuLoad",
        "  Save (bmp)=MnuSave",
        "  Save As =MnuSaveAs",
        "    Gif Format=MnuGif",
        "    Bitmap Format=MnuBmp",
        "  -=MnuSeperator",
        "  Exit=MnuExit",
        "Edit=MnuEdit",
        "  Back Color=mnubackcolor",
        "  Back Image=MnuBackImage",
        "  Banner Size=MnuBannerSize",
        "  Fonts=MnuText",
        "Web=MnuWeb",
        "  Export for Web...=MnuWebExport",
        "Help=MnuHelp",
        "  View Help=MnuViewHelp",
        "  About Velnora=MnuAbout",
    };
    QCOMPARE(tree, expected);
    QVERIFY(!tree.join(QString()).contains(QLatin1Char('&')));
}

void MainWindowTest::controlsKeepDesignerNames()
{
    EditorSession session;
    Parent& parent = Forms::Parent();
    const char* names[] = {"Toolbar1", "Toolbar2", "StatusBar1", "CommonDialog1", "ImageList1", "Picture1",
                           "Picture2", "Picture3", "Picture4",   "cmdwrkcolor",   "Frame1",     "Label1",
                           "Label2",   "Label3",   "Label4",     "palette(0)",    "palette(27)"};
    for (const char* name : names)
        QVERIFY2(parent.findChild<QObject*>(QString::fromLatin1(name)), name);
    QCOMPARE(parent.objectName(), QStringLiteral("Parent"));
    QCOMPARE(Forms::FrmBanner().objectName(), QStringLiteral("FrmBanner"));
    QCOMPARE(Forms::FrmBanner().Label1->objectName(), QStringLiteral("Label1"));
    QCOMPARE(Forms::frmresize().objectName(), QStringLiteral("frmresize"));
}

void MainWindowTest::bannerSizeMenuTwiceShowsOneDialog()
{
    EditorSession session;
    Parent& parent = Forms::Parent();
    parent.MnuBannerSize->trigger();
    frmresize* first = &Forms::frmresize();
    QVERIFY(first->isFormVisible());
    Forms::FrmBanner().showForm(); // something else in front
    parent.MnuBannerSize->trigger();
    QCOMPARE(&Forms::frmresize(), first);
    QCOMPARE(parent.workArea()->activeSubWindow(), first->subWindow());
    int dialogs = 0;
    for (QMdiSubWindow* sub : parent.workArea()->subWindowList())
        dialogs += qobject_cast<frmresize*>(sub->widget()) ? 1 : 0;
    QCOMPARE(dialogs, 1);
}

void MainWindowTest::closedDocumentWindowIsHiddenAndCanvasRefusesToClose()
{
    EditorSession session;
    Parent& parent = Forms::Parent();
    parent.MnuBackImage->trigger();
    FrmView* viewer = &Forms::FrmView();
    QVERIFY(viewer->subWindow()->close()); // its close box
    QVERIFY(!viewer->isFormVisible());
    parent.MnuBackImage->trigger();
    QCOMPARE(&Forms::FrmView(), viewer);
    QVERIFY(viewer->isFormVisible());
    QVERIFY(viewer->isVisible()); // the form inside its frame, not an empty frame

    // The canvas refuses to close: nothing would bring the banner back.
    Forms::FrmBanner().showForm();
    QVERIFY(!Forms::FrmBanner().subWindow()->close());
    QVERIFY(Forms::FrmBanner().isFormVisible() && Forms::FrmBanner().isVisible());
}

void MainWindowTest::exitEndsProgramWithAllWindows()
{
    EditorSession session;
    Parent& parent = Forms::Parent();
    parent.MnuBannerSize->trigger();
    parent.MnuViewHelp->trigger();
    QVERIFY(Forms::frmHelp().isVisible());
    parent.MnuExit->trigger();
    QCOMPARE(session.endRequests(), 1);
    QCOMPARE(session.dialogs().requests().size(), 0); // asks nothing
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
}

void MainWindowTest::closingMainWindowEndsProgramWithAllWindows()
{
    EditorSession session;
    Forms::Parent().MnuAbout->trigger();
    QVERIFY(Forms::frmAbout().isVisible());
    QVERIFY(Forms::Parent().close());
    QCOMPARE(session.endRequests(), 1);
    QVERIFY(!Forms::frmAbout().isVisible());
    QVERIFY(!Forms::Parent().isVisible());
}

void MainWindowTest::statusPanelsAreSunken()
{
    EditorSession session;
    for (QLabel* panel : Forms::Parent().Panels) {
        const QImage image = panel->grab().toImage();
        const int w = image.width(), h = image.height();
        QVERIFY(w > 4 && h > 4);
        // Shadow above and left, light below and right.
        QCOMPARE(image.pixel(w / 2, 0), qRgb(128, 128, 128));
        QCOMPARE(image.pixel(0, h / 2), qRgb(128, 128, 128));
        QCOMPARE(image.pixel(w / 2, h - 1), qRgb(255, 255, 255));
        QCOMPARE(image.pixel(w - 1, h / 2), qRgb(255, 255, 255));
    }
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
