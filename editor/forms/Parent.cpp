#include "Parent.h"

#include "Artwork.h"
#include "CommonDialog.h"
#include "FontProperties.h"
#include "FormLabel.h"
#include "Forms.h"
#include "FrmBanner.h"
#include "FrmView.h"
#include "ImageList.h"
#include "ModStart.h"
#include "PictaforControl.h"
#include "PictureBox.h"
#include "Twips.h"
#include "frmAbout.h"
#include "frmHelp.h"
#include "frmresize.h"

#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace {

// Design geometry in twips, relative to the control's container.
void placeTwips(QWidget* w, int left, int top, int width, int height)
{
    w->setGeometry(Twips::toPixels(static_cast<float>(left)), Twips::toPixels(static_cast<float>(top)),
                   Twips::toPixels(static_cast<float>(width)), Twips::toPixels(static_cast<float>(height)));
}

struct ToolbarButton {
    const char* key;
    const char* tooltip;
};

// Top to bottom; button n shows image n of ImageList1.
constexpr ToolbarButton kToolbarButtons[] = {
    {"new", "New Banner"},     {"clear", "Clear Banner"}, {"background", "BackGround Color"},
    {"text", "Add Text"},      {"resize", "Banner Size"}, {"backimage", "BackGround Image"},
    {"fonts", "Choose Fonts"},
};

constexpr OleColor kPaletteColors[Parent::PaletteCount] = {
    0x00000000, 0x00000080, 0x00008000, 0x00C0C000, 0x00C0C0FF, 0x0080FF80, 0x00C00000,
    0x0080C0FF, 0x00FF0000, 0x00FF00FF, 0x000080FF, 0x0080FFFF, 0x00FFFFC0, 0x00FFC0FF,
    0x00FFFFFF, 0x00C0C0C0, 0x0000C0C0, 0x00FF00FF, 0x0000FFFF, 0x008080FF, 0x00FFC0C0,
    0x00FFFF00, 0x0000C000, 0x00008080, 0x00C0E0FF, 0x00C00000, 0x00808000, 0x0000FF00,
};

QFont readoutFont()
{
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPointSizeF(9.75);
    f.setWeight(QFont::Bold);
    return f;
}

// Applies the common dialog's font and the foreground colour to the canvas or
// to its preview label. Each assignment stands alone: a value the target
// refuses (an empty or unknown font name, a size out of range) is skipped and
// the rest still run, in this order.
template <class Target>
void applyFontChoice(Target& target, const CommonDialog& dialog, OleColor foreColor)
{
    (void)target.setFontSize(dialog.fontSize());
    (void)target.setFontName(dialog.fontName());
    target.setFontBold(dialog.fontBold());
    target.setFontItalic(dialog.fontItalic());
    target.setFontStrikethru(dialog.fontStrikethru());
    target.setFontUnderline(dialog.fontUnderline());
    target.setForeColor(foreColor);
}

} // namespace

Parent::Parent()
{
    setObjectName(QStringLiteral("Parent"));
    setWindowTitle(QStringLiteral("   Velnora"));
    setWindowIcon(QIcon(QPixmap::fromImage(Artwork::applicationIcon())));

    CommonDialog1 = new CommonDialog(this, this);
    CommonDialog1->setObjectName(QStringLiteral("CommonDialog1"));

    createWorkArea();
    createToolbar1();
    createToolbar2();
    createStatusBar();
    createMenus();
    createControls();

    auto* central = new QWidget(this);
    auto* grid = new QGridLayout(central);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    // Toolbar2 spans the full width; Toolbar1 runs from the top down to it.
    grid->addWidget(Toolbar1, 0, 0);
    grid->addWidget(m_workArea, 0, 1);
    grid->addWidget(Toolbar2, 1, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(0, 1);
    setCentralWidget(central);

    resize(DesignClientWidth, DesignClientHeight + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        move(avail.center() - QPoint(width() / 2, height() / 2));
    }
    // Lay the window out now, hidden, so the work area has its size before
    // the first showing: start-up centres the canvas in it.
    layout()->activate();
    grid->invalidate();
    grid->activate();
}

void Parent::createWorkArea()
{
    m_workArea = new QMdiArea(this);
    m_workArea->setObjectName(QStringLiteral("workArea"));
    m_workArea->setFrameShape(QFrame::NoFrame);
    m_workArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_workArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_workArea->setMinimumSize(1, 1);
    setBackColor(OleColors::SysAppWorkspace);
}

void Parent::createToolbar1()
{
    ImageList1 = new ImageList(QSize(35, 35), OleColors::fromRgb(0xC0, 0xC0, 0xC0), this);
    ImageList1->setObjectName(QStringLiteral("ImageList1"));
    for (int i = 1; i <= Artwork::ToolbarImageCount; ++i)
        ImageList1->add(Artwork::toolbarImage(i));

    Toolbar1 = new QToolBar(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setOrientation(Qt::Vertical);
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    Toolbar1->setIconSize(QSize(35, 35));
    Toolbar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    Toolbar1->setFixedWidth(45);
    Toolbar1->layout()->setContentsMargins(1, 2, 1, 2);
    Toolbar1->layout()->setSpacing(0);

    int image = 1;
    for (const ToolbarButton& b : kToolbarButtons) {
        const QString key = QString::fromLatin1(b.key);
        QAction* action = Toolbar1->addAction(ImageList1->icon(image++), QString());
        action->setObjectName(key);
        action->setData(key);
        action->setToolTip(QString::fromLatin1(b.tooltip));
        if (QWidget* button = Toolbar1->widgetForAction(action)) {
            button->setObjectName(key);
            button->setFixedSize(42, 41);
        }
        connect(action, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
    }
}

void Parent::createToolbar2()
{
    auto* bar = new QFrame(this);
    bar->setObjectName(QStringLiteral("Toolbar2"));
    bar->setFrameShape(QFrame::NoFrame);
    bar->setFixedHeight(45);
    bar->setAutoFillBackground(true);
    Toolbar2 = bar;

    Picture1 = new PictureBox(bar);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    placeTwips(Picture1, 480, 120, 615, 495);
    Picture1->setBackColor(OleColors::fromRgb(0xC0, 0xC0, 0xC0));

    Picture2 = new PictureBox(Picture1);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture1->placeChild(Picture2, 15, 15, 255, 255);
    Picture2->setToolTip(QStringLiteral("ForeGround Color"));

    Picture3 = new PictureBox(Picture1);
    Picture3->setObjectName(QStringLiteral("Picture3"));
    Picture1->placeChild(Picture3, 285, 165, 255, 255);
    Picture3->setToolTip(QStringLiteral("BackGround Color"));

    for (int i = 0; i < PaletteCount; ++i) {
        auto* box = new PictureBox(bar);
        box->setObjectName(QStringLiteral("palette(%1)").arg(i));
        const int row = i / 14, column = i % 14;
        placeTwips(box, 1200 + 240 * column, 120 + 240 * row, 255, 255);
        box->setBackColor(kPaletteColors[i]);
        box->setToolTip(QStringLiteral("Double Click For More Colors"));
        connect(box, &PictureBox::Click, this, [this, i] { palette_Click(i); });
        connect(box, &PictureBox::DblClick, this, [this, i] { palette_DblClick(i); });
        palette[i] = box;
    }

    cmdwrkcolor = new QPushButton(QStringLiteral("Work Area"), bar);
    cmdwrkcolor->setObjectName(QStringLiteral("cmdwrkcolor"));
    placeTwips(cmdwrkcolor, 4800, 120, 1095, 255);
    cmdwrkcolor->setToolTip(QStringLiteral("Change Work Area Color"));
    connect(cmdwrkcolor, &QPushButton::clicked, this, &Parent::cmdwrkcolor_Click);

    // Staging picture of the GIF export; never shown.
    Picture4 = new PictureBox(bar);
    Picture4->setObjectName(QStringLiteral("Picture4"));
    placeTwips(Picture4, 6120, 120, 1095, 495);
    Picture4->hide();

    Frame1 = new QGroupBox(QStringLiteral("Current Position"), bar);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    placeTwips(Frame1, 7560, 0, 3135, 735);
    // The caption sits in the frame's top edge, leaving room for the readout.
    Frame1->setStyleSheet(
        QStringLiteral("QGroupBox#Frame1 { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
                       "QGroupBox#Frame1::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"));

    const QFont labels = readoutFont();
    auto makeLabel = [&](const char* name, const QString& caption) {
        auto* label = new FormLabel(caption, Frame1);
        label->setObjectName(QString::fromLatin1(name));
        label->setFont(FontProperties::pinned(labels));
        label->setForeColor(OleColors::SysButtonText);
        return label;
    };
    Label1 = makeLabel("Label1", QStringLiteral("X>"));
    placeTwips(Label1, 240, 240, 270, 240);
    Label3 = makeLabel("Label3", QString());
    placeTwips(Label3, 600, 240, 15, 240);
    Label3->setAutoSize(true);
    Label2 = makeLabel("Label2", QStringLiteral("Y>"));
    placeTwips(Label2, 1680, 240, 285, 240);
    Label4 = makeLabel("Label4", QString());
    placeTwips(Label4, 2040, 240, 15, 240);
    Label4->setAutoSize(true);
}

namespace {

// A status bar panel with the sunken bevel of the platform it was designed
// on: grey above and left, white below and right. Styles draw a Panel frame
// as they like (Fusion as a single line), so the bevel is drawn here.
class SunkenPanel final : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QLabel::paintEvent(event);
        QPainter p(this);
        const QRect r = rect();
        p.setPen(QColor(128, 128, 128));
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(QColor(255, 255, 255));
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
    }
};

} // namespace

void Parent::createStatusBar()
{
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFixedHeight(25);
    StatusBar1->setSizeGripEnabled(false);
    const int minimum = Twips::toPixels(1440);
    for (int i = 0; i < 3; ++i) {
        auto* panel = new SunkenPanel(StatusBar1);
        panel->setObjectName(QStringLiteral("Panels(%1)").arg(i + 1));
        panel->setFrameStyle(QFrame::NoFrame);
        panel->setMinimumWidth(minimum);
        panel->setContentsMargins(3, 0, 3, 0);
        Panels[i] = panel;
    }
    // Fixed text, not the release number: it reads so in every release.
    Panels[0]->setText(QStringLiteral("Velnora 1.0.0"));
    Panels[0]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StatusBar1->addWidget(Panels[0], 1);
    for (int i = 1; i < 3; ++i) {
        Panels[i]->setAlignment(Qt::AlignCenter);
        Panels[i]->setFixedWidth(minimum);
        StatusBar1->addPermanentWidget(Panels[i]);
    }
    // The panels carry their own bevels; the style's separators between
    // items would double them.
    StatusBar1->setStyleSheet(QStringLiteral("QStatusBar::item { border: none; }"));
    setStatusBar(StatusBar1);

    m_clock = new QTimer(this);
    connect(m_clock, &QTimer::timeout, this, &Parent::updateClock);
    m_clock->start(1000);
    updateClock();
}

void Parent::updateClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale = QLocale::system();
    Panels[1]->setText(locale.toString(now.time(), QLocale::ShortFormat));
    Panels[2]->setText(locale.toString(now.date(), QLocale::ShortFormat));
}

void Parent::createMenus()
{
    auto named = [](auto* object, const char* name) {
        object->setObjectName(QString::fromLatin1(name));
        return object;
    };
    QMenuBar* bar = menuBar();

    MnuFile = named(bar->addMenu(QStringLiteral("File")), "MnuFile");
    MnuNew = named(MnuFile->addAction(QStringLiteral("New")), "MnuNew");
    MnuLoad = named(MnuFile->addAction(QStringLiteral("Load")), "MnuLoad");
    MnuSave = named(MnuFile->addAction(QStringLiteral("Save (bmp)")), "MnuSave");
    MnuSaveAs = named(MnuFile->addMenu(QStringLiteral("Save As ")), "MnuSaveAs");
    MnuGif = named(MnuSaveAs->addAction(QStringLiteral("Gif Format")), "MnuGif");
    MnuBmp = named(MnuSaveAs->addAction(QStringLiteral("Bitmap Format")), "MnuBmp");
    MnuSeperator = named(MnuFile->addSeparator(), "MnuSeperator");
    MnuExit = named(MnuFile->addAction(QStringLiteral("Exit")), "MnuExit");

    MnuEdit = named(bar->addMenu(QStringLiteral("Edit")), "MnuEdit");
    mnubackcolor = named(MnuEdit->addAction(QStringLiteral("Back Color")), "mnubackcolor");
    MnuBackImage = named(MnuEdit->addAction(QStringLiteral("Back Image")), "MnuBackImage");
    MnuBannerSize = named(MnuEdit->addAction(QStringLiteral("Banner Size")), "MnuBannerSize");
    MnuText = named(MnuEdit->addAction(QStringLiteral("Fonts")), "MnuText");

    MnuWeb = named(bar->addMenu(QStringLiteral("Web")), "MnuWeb");
    MnuWebExport = named(MnuWeb->addAction(QStringLiteral("Export for Web...")), "MnuWebExport");

    MnuHelp = named(bar->addMenu(QStringLiteral("Help")), "MnuHelp");
    MnuViewHelp = named(MnuHelp->addAction(QStringLiteral("View Help")), "MnuViewHelp");
    MnuAbout = named(MnuHelp->addAction(QStringLiteral("About Velnora")), "MnuAbout");

    connect(MnuNew, &QAction::triggered, this, &Parent::MnuNew_Click);
    connect(MnuLoad, &QAction::triggered, this, &Parent::MnuLoad_Click);
    connect(MnuSave, &QAction::triggered, this, &Parent::MnuSave_Click);
    connect(MnuGif, &QAction::triggered, this, &Parent::MnuGif_Click);
    connect(MnuBmp, &QAction::triggered, this, &Parent::MnuBmp_Click);
    connect(MnuExit, &QAction::triggered, this, &Parent::MnuExit_Click);
    connect(mnubackcolor, &QAction::triggered, this, &Parent::mnubackcolor_Click);
    connect(MnuBackImage, &QAction::triggered, this, &Parent::MnuBackImage_Click);
    connect(MnuBannerSize, &QAction::triggered, this, &Parent::MnuBannerSize_Click);
    connect(MnuText, &QAction::triggered, this, &Parent::MnuText_Click);
    connect(MnuWebExport, &QAction::triggered, this, &Parent::MnuWebExport_Click);
    connect(MnuViewHelp, &QAction::triggered, this, &Parent::MnuViewHelp_Click);
    connect(MnuAbout, &QAction::triggered, this, &Parent::MnuAbout_Click);
}

void Parent::createControls()
{
    // Created with the main window and loaded from its stored settings; when
    // that fails the editor still runs and GIF export says why.
    Pictafor1 = new PictaforControl(this);
}

float Parent::scaleWidthTwips() const { return Twips::fromPixels(m_workArea->width()); }
float Parent::scaleHeightTwips() const { return Twips::fromPixels(m_workArea->height()); }

void Parent::setBackColor(OleColor c)
{
    m_backColor = c;
    m_workArea->setBackground(QBrush(OleColors::toQColor(c)));
}

OleColor Parent::paletteColor(int index)
{
    if (index < 0 || index >= PaletteCount)
        return OleColors::Black;
    return kPaletteColors[index];
}

QToolButton* Parent::toolbarButton(const QString& key) const
{
    for (QAction* action : Toolbar1->actions()) {
        if (action->data().toString() == key)
            return qobject_cast<QToolButton*>(Toolbar1->widgetForAction(action));
    }
    return nullptr;
}

void Parent::adoptDocument(Form* form, bool borderless)
{
    auto* sub = new QMdiSubWindow;
    sub->setObjectName(form->objectName() + QStringLiteral("Frame"));
    // Closing a document window only hides it: the forms outlive their showing.
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    if (borderless)
        sub->setWindowFlags(Qt::FramelessWindowHint);
    else
        sub->setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    const QSize client = form->size();
    sub->setWidget(form);
    sub->setWindowTitle(form->windowTitle());
    sub->setWindowIcon(windowIcon());
    m_workArea->addSubWindow(sub);
    sub->hide();
    form->setClientSizePixels(client.width(), client.height());
}

void Parent::attachCanvas(::FrmBanner& banner)
{
    connect(&banner, &::FrmBanner::pointerMoved, this, [this](float x, float y) {
        Label3->setCaption(Twips::formatSingle(x));
        Label4->setCaption(Twips::formatSingle(y));
    });
    // The armed pick takes the current colour, which lives in CommonDialog1.
    connect(&banner, &::FrmBanner::backColorPickRequested, this,
            [this, &banner] { banner.document().pickBackColor(CommonDialog1->color()); });
    connect(&banner.document(), &BannerDocument::backgroundSwatch, Picture3, &PictureBox::setBackColor);
}

void Parent::Form_Load() { Picture2->setBackColor(OleColors::Black); }

void Parent::closeEvent(QCloseEvent* event)
{
    // Closing the main window ends the program with every window, hidden
    // ones included; nothing else would end it while another window shows.
    event->accept();
    ModStart::End();
}

// --- command dispatch -------------------------------------------------------

void Parent::Toolbar1_ButtonClick(const QString& key)
{
    // Compared case-sensitively, in this order; any other key does nothing.
    if (key == QLatin1String("clear"))
        clearBanner();
    else if (key == QLatin1String("new"))
        newBanner();
    else if (key == QLatin1String("background"))
        armBackColor();
    else if (key == QLatin1String("resize"))
        bannerSizeMoved();
    else if (key == QLatin1String("backimage"))
        backgroundImage();
    else if (key == QLatin1String("text"))
        addText();
    else if (key == QLatin1String("fonts"))
        chooseFonts();
}

void Parent::MnuNew_Click() { newBanner(); }
void Parent::MnuExit_Click() { ModStart::End(); }
void Parent::mnubackcolor_Click() { armBackColor(); }
void Parent::MnuBackImage_Click() { backgroundImage(); }

void Parent::MnuBannerSize_Click()
{
    // Unlike the toolbar's Banner Size, the dialog stays where it was left.
    Forms::frmresize().showForm();
}

void Parent::MnuText_Click()
{
    // The choice stays in CommonDialog1; the toolbar's Choose Fonts applies it.
    CommonDialog1->showFont();
}

void Parent::MnuViewHelp_Click()
{
    frmHelp& help = Forms::frmHelp();
    if (!help.isFormVisible()) {
        // A borderless window of its own: without a place it would open at
        // the screen's corner, away from the program it explains.
        const QRect over = frameGeometry();
        help.move(over.center() - QPoint(help.width() / 2, help.height() / 2));
    }
    help.showForm();
}
void Parent::MnuAbout_Click() { Forms::frmAbout().showForm(); }

void Parent::palette_Click(int index)
{
    if (index < 0 || index >= PaletteCount)
        return;
    const OleColor c = palette[index]->backColor();
    Picture2->setBackColor(c);
    CommonDialog1->setColor(c);
    Forms::FrmBanner().document().setForeColor(c);
}

void Parent::palette_DblClick(int)
{
    // The click before it has already made the box's colour current, so a
    // cancelled dialog leaves that colour in the swatch. The canvas's text
    // colour is not touched: only Choose Fonts carries a dialog colour there.
    CommonDialog1->showColor();
    Picture2->setBackColor(CommonDialog1->color());
}

void Parent::cmdwrkcolor_Click() { setBackColor(Picture2->backColor()); }

// --- editing commands -------------------------------------------------------

void Parent::newBanner() { Forms::FrmBanner().document().newBanner(); }

void Parent::clearBanner() { Forms::FrmBanner().document().clear(); }

void Parent::armBackColor() { Forms::state().BackColorPending = true; }

QString Parent::addTextPrompt()
{
    return QStringLiteral("Enter Text Here Then Click OK.") + QChar(13) + QChar(13)
        + QStringLiteral("Hold down left mouse button") + QChar(13) + QStringLiteral("And Drag Text Into Place");
}

void Parent::addText()
{
    EditorState& state = Forms::state();
    // Cancel gives empty text, and an empty text still arms the placement.
    state.BannerText = CommonDialog1->inputBox(addTextPrompt(), ModStart::appTitle()).text;
    FrmBanner& banner = Forms::FrmBanner();
    banner.Label1->setCaption(state.BannerText);
    banner.Label1->setForeColor(CommonDialog1->color());
    state.TextPlacement = true;
}

void Parent::bannerSizeMoved()
{
    ::frmresize& dialog = Forms::frmresize();
    dialog.setLeftTwips(80);
    dialog.setTopTwips(214);
    dialog.showForm();
}

void Parent::backgroundImage() { Forms::FrmView().showForm(); }

void Parent::chooseFonts()
{
    // A cancelled dialog keeps its properties, and those are applied again.
    CommonDialog1->showFont();
    const OleColor fore = Picture2->backColor();
    FrmBanner& banner = Forms::FrmBanner();
    applyFontChoice(banner.document(), *CommonDialog1, fore);
    applyFontChoice(*banner.Label1, *CommonDialog1, fore);
}
