#pragma once
// The main window: a multiple-document frame whose work area holds the
// banner canvas and the document dialogs, with the command toolbar on the
// left, the palette toolbar and the status bar at the bottom, and the menus.
// It also carries the commands that change the banner and the colours.
#include "OleColor.h"

#include <QMainWindow>
#include <QString>
#include <array>

class CommonDialog;
class Form;
class FrmBanner;
class FormLabel;
class ImageList;
class PictaforControl;
class PictureBox;
class QAction;
class QGroupBox;
class QLabel;
class QMdiArea;
class QMenu;
class QPushButton;
class QStatusBar;
class QTimer;
class QToolBar;
class QToolButton;
class WebExportWindow;

class Parent : public QMainWindow {
    Q_OBJECT
public:
    Parent();

    // Design client size (menus not counted): 10140 x 6435 twips.
    static constexpr int DesignClientWidth = 676;
    static constexpr int DesignClientHeight = 429;
    static constexpr int PaletteCount = 28;

    // Controls, by their designer names.
    QToolBar* Toolbar1 = nullptr;
    QWidget* Toolbar2 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    std::array<QLabel*, 3> Panels{};
    CommonDialog* CommonDialog1 = nullptr;
    ImageList* ImageList1 = nullptr;
    PictureBox* Picture1 = nullptr;
    PictureBox* Picture2 = nullptr;
    PictureBox* Picture3 = nullptr;
    PictureBox* Picture4 = nullptr;
    std::array<PictureBox*, PaletteCount> palette{};
    QPushButton* cmdwrkcolor = nullptr;
    QGroupBox* Frame1 = nullptr;
    FormLabel* Label1 = nullptr;
    FormLabel* Label2 = nullptr;
    FormLabel* Label3 = nullptr;
    FormLabel* Label4 = nullptr;
    // The conversion control that GIF export goes through.
    PictaforControl* Pictafor1 = nullptr;

    QMenu* MnuFile = nullptr;
    QAction* MnuNew = nullptr;
    QAction* MnuLoad = nullptr;
    QAction* MnuSave = nullptr;
    QMenu* MnuSaveAs = nullptr;
    QAction* MnuGif = nullptr;
    QAction* MnuBmp = nullptr;
    QAction* MnuSeperator = nullptr;
    QAction* MnuExit = nullptr;
    QMenu* MnuEdit = nullptr;
    QAction* mnubackcolor = nullptr;
    QAction* MnuBackImage = nullptr;
    QAction* MnuBannerSize = nullptr;
    QAction* MnuText = nullptr;
    // The one addition to the designed menus, between Edit and Help.
    QMenu* MnuWeb = nullptr;
    QAction* MnuWebExport = nullptr;
    QMenu* MnuHelp = nullptr;
    QAction* MnuViewHelp = nullptr;
    QAction* MnuAbout = nullptr;

    // The free client area that holds the document windows.
    QMdiArea* workArea() const { return m_workArea; }
    // Work-area size in twips: the client area less the docked bars.
    float scaleWidthTwips() const;
    float scaleHeightTwips() const;
    // The work-area colour.
    OleColor backColor() const { return m_backColor; }
    void setBackColor(OleColor c);

    // The colour of palette box i, fixed by the design.
    static OleColor paletteColor(int index);
    // The toolbar button with this key, or null.
    QToolButton* toolbarButton(const QString& key) const;

    // Puts a form into the work area, hidden, borderless or with a caption.
    void adoptDocument(Form* form, bool borderless);
    // Connects the canvas and its banner document to the readouts and
    // swatches, before the canvas loads.
    void attachCanvas(::FrmBanner& banner);

    // Event handlers.
    void Form_Load();
    void Toolbar1_ButtonClick(const QString& key);
    void MnuNew_Click();
    void MnuLoad_Click();
    void MnuSave_Click();
    void MnuGif_Click();
    void MnuBmp_Click();
    void MnuExit_Click();
    void mnubackcolor_Click();
    void MnuBackImage_Click();
    void MnuBannerSize_Click();
    void MnuText_Click();
    void MnuWebExport_Click();
    void MnuViewHelp_Click();
    void MnuAbout_Click();
    void palette_Click(int index);
    void palette_DblClick(int index);
    void cmdwrkcolor_Click();

    // The editing commands behind them.
    void newBanner();
    void clearBanner();
    void armBackColor();
    void addText();
    void bannerSizeMoved();
    void backgroundImage();
    void chooseFonts();

    // The file commands behind them.
    void saveBitmap();
    void exportGif();
    // Makes the named picture the canvas's background picture; an empty name
    // removes it. A picture that cannot be read is reported and the canvas
    // keeps what it had. True when the canvas took the picture.
    bool loadCanvasPicture(const QString& fileName);

    // The web export window, created hidden on first use; it works on the
    // canvas's document and lives as long as the main window.
    WebExportWindow& webExportWindow();

    // Dialog filters of the file commands.
    static QString bmpFilter() { return QStringLiteral("BMP |*.bmp"); }
    static QString gifFilter() { return QStringLiteral("GIF |*.gif"); }
    static QString loadFilter() { return QStringLiteral("BMP|*.bmp|GIF|*.gif|JPEG|*.jpg|All|*.bmp;*.gif;*.jpg"); }

    // The Add Text prompt: three lines, an empty one after the first.
    static QString addTextPrompt();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createWorkArea();
    void createToolbar1();
    void createToolbar2();
    void createStatusBar();
    void createMenus();
    void createControls();
    void updateClock();
    void warn(const QString& text);

    QMdiArea* m_workArea = nullptr;
    QTimer* m_clock = nullptr;
    OleColor m_backColor = OleColors::SysAppWorkspace;
    WebExportWindow* m_webExport = nullptr;
};
