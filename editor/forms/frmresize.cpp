#include "frmresize.h"

#include "FontProperties.h"
#include "FormLabel.h"
#include "FormMouse.h"
#include "Forms.h"
#include "FrmBanner.h"
#include "PictureBox.h"
#include "Twips.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace {

const QString kSans = QStringLiteral("MS Sans Serif");

FormLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, QRect twips, float points)
{
    auto* label = new FormLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(FontProperties::design(kSans, points, true));
    label->setGeometry(Twips::toPixelRect(twips.x(), twips.y(), twips.width(), twips.height()));
    return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, QRect twips, float points)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFont(FontProperties::design(kSans, points, true));
    button->setGeometry(Twips::toPixelRect(twips.x(), twips.y(), twips.width(), twips.height()));
    button->setAutoDefault(false);
    return button;
}

QPointF pixelsOf(QPointF twips) { return twips / Twips::PerPixel; }

} // namespace

frmresize::frmresize()
{
    setObjectName(QStringLiteral("frmresize"));
    setWindowTitle(QStringLiteral("Select Banner Size"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    resize(DesignWidth, DesignHeight);

    Check1 = new QCheckBox(QStringLiteral("Standard Banner 468 X 60 Pixels"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setGeometry(Twips::toPixelRect(240, 2640, 3135, 255));
    Check1->setFont(FontProperties::design(kSans, 8.25f, true));
    // A button fills with its Button colour; the designed grey is the back
    // colour, so the check box fills with Window like the form's labels.
    Check1->setBackgroundRole(QPalette::Window);
    Check1->setAutoFillBackground(true);
    QPalette checkPalette = Check1->palette();
    checkPalette.setColor(QPalette::Window, OleColors::toQColor(0x00C0C0C0));
    checkPalette.setColor(QPalette::WindowText, OleColors::toQColor(m_foreColor));
    Check1->setPalette(checkPalette);

    Label1 =
        makeLabel(this, "Label1", QStringLiteral("Hold Down Left Mouse Button and Drag out Size of Banner Desired."),
                  QRect(960, 3120, 6930, 240), 9.75f);
    Label2 = makeLabel(this, "Label2", QStringLiteral("Click OK When Done!"), QRect(3120, 3480, 2205, 240), 9.75f);
    // The size labels' design widths are those of a lone "0": they grow
    // with their captions.
    Label3 = makeLabel(this, "Label3", QStringLiteral("0"), QRect(1200, 3960, 165, 300), 12.0f);
    Label3->setAutoSize(true);
    Label6 = makeLabel(this, "Label6", QStringLiteral("X"), QRect(1800, 3960, 150, 240), 9.75f);
    Label4 = makeLabel(this, "Label4", QStringLiteral("0"), QRect(2160, 3960, 165, 300), 12.0f);
    Label4->setAutoSize(true);
    Label5 = makeLabel(this, "Label5", QStringLiteral("Pixels"), QRect(2880, 3960, 705, 300), 12.0f);

    Command2 = makeButton(this, "Command2", QStringLiteral("Cancel"), QRect(6120, 3960, 855, 375), 8.25f);
    Command1 = makeButton(this, "Command1", QStringLiteral("OK"), QRect(7080, 3960, 855, 375), 9.75f);
    QPalette okPalette = Command1->palette();
    okPalette.setColor(QPalette::Button, OleColors::toQColor(0x00C0C0C0));
    Command1->setPalette(okPalette);
    connect(Command1, &QPushButton::clicked, this, &frmresize::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmresize::Command2_Click);

    Picture1 = new PictureBox(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(Twips::toPixelRect(0, 1200, 1215, 495));
    Picture1->hide();

    m_drawing = QImage(size(), QImage::Format_RGB32);
    m_drawing.fill(OleColors::toQColor(m_backColor));
}

void frmresize::Form_Load()
{
    m_drawWidth = 2;
    takeBannerCopy();
}

// The copy of the banner is renewed each time the dialog is shown and again
// when OK is pressed. The dialog is only ever hidden and it is modeless, so
// a copy taken once at load, or only at showing, would be older than the
// banner whenever the user changed the banner in between, and OK would paint
// that outdated content back over it.
void frmresize::takeBannerCopy()
{
    FrmBanner& banner = Forms::FrmBanner();
    const QImage image = banner.image();
    Picture1->resize(image.size());
    Picture1->setPicture(image);
}

// --- drawing ----------------------------------------------------------------

void frmresize::cls()
{
    m_drawing.fill(OleColors::toQColor(m_backColor));
    update();
}

void frmresize::drawBox(QPointF from, QPointF to)
{
    QPainter p(&m_drawing);
    QPen pen(OleColors::toQColor(m_foreColor));
    pen.setWidth(m_drawWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    // One outline per box, so with the XOR pen every pixel flips once and a
    // second identical box erases the first.
    if (m_drawMode == DrawModeXorPen)
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.drawRect(QRectF(pixelsOf(from), pixelsOf(to)).normalized());
    p.end();
    update();
}

void frmresize::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(QPoint(0, 0), m_drawing);
}

void frmresize::resizeEvent(QResizeEvent* event)
{
    Form::resizeEvent(event);
    if (m_drawing.size() == size() || width() <= 0 || height() <= 0)
        return;
    QImage grown(size(), QImage::Format_RGB32);
    grown.fill(OleColors::toQColor(m_backColor));
    QPainter p(&grown);
    p.drawImage(QPoint(0, 0), m_drawing);
    p.end();
    m_drawing = grown;
}

void frmresize::showEvent(QShowEvent* event)
{
    Form::showEvent(event);
    takeBannerCopy();
}

// --- rubber band -----------------------------------------------------------

void frmresize::Form_MouseDown(int button, int, float, float)
{
    cls();
    if (button != FormMouse::LeftButton)
        return;
    // The band always starts at the dialog's top-left corner, wherever the
    // button went down.
    m_lastCorner = QPointF(0, 0);
    m_drawMode = DrawModeXorPen;
}

void frmresize::Form_MouseMove(int button, int, float x, float y)
{
    if (button != FormMouse::LeftButton)
        return;
    // Nothing clamps the pointer: outside the dialog the labels go on
    // following it, negative values included.
    Label3->setCaption(Twips::formatSingle(x / Twips::PerPixel));
    Label4->setCaption(Twips::formatSingle(y / Twips::PerPixel));
    drawBox(QPointF(0, 0), m_lastCorner); // the XOR pen erases the last box
    drawBox(QPointF(0, 0), QPointF(x, y));
    m_lastCorner = QPointF(x, y);
}

void frmresize::Form_MouseUp(int, int, float x, float y)
{
    m_drawMode = DrawModeCopyPen;
    drawBox(QPointF(0, 0), QPointF(x, y));
}

void frmresize::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    Form_MouseDown(FormMouse::buttonMask(event->button()), FormMouse::shiftMask(event->modifiers()),
                   FormMouse::twipsOf(event->position().x()), FormMouse::twipsOf(event->position().y()));
}

void frmresize::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    Form_MouseMove(FormMouse::buttonMask(event->buttons()), FormMouse::shiftMask(event->modifiers()),
                   FormMouse::twipsOf(event->position().x()), FormMouse::twipsOf(event->position().y()));
}

void frmresize::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    Form_MouseUp(FormMouse::buttonMask(event->button()), FormMouse::shiftMask(event->modifiers()),
                 FormMouse::twipsOf(event->position().x()), FormMouse::twipsOf(event->position().y()));
}

void frmresize::keyPressEvent(QKeyEvent* event)
{
    // Command2 is the form's cancel button.
    if (event->key() == Qt::Key_Escape) {
        Command2_Click();
        return;
    }
    Form::keyPressEvent(event);
}

// --- buttons ----------------------------------------------------------------

void frmresize::Command1_Click()
{
    FrmBanner& banner = Forms::FrmBanner();
    takeBannerCopy();
    const QImage former = Picture1->picture();
    if (Check1->checkState() != Qt::Unchecked) { // any non-zero value
        // Height first, then width, as the labels' path does.
        if (banner.setHeightTwips(900) == PropertyStatus::Ok && banner.setWidthTwips(7020) == PropertyStatus::Ok)
            banner.paintPicture(former, 0, 0, 7020, 900);
        finishOk();
        return;
    }
    // The labels are the only record of the dragged size. A size the canvas
    // refuses (negative, unreadable, too large) ends the command here; a
    // height already applied stays applied.
    bool heightOk = false, widthOk = false;
    const float heightTwips = Label4->caption().toFloat(&heightOk) * Twips::PerPixel;
    if (!heightOk || banner.setHeightTwips(heightTwips) != PropertyStatus::Ok) {
        finishOk();
        return;
    }
    const float widthTwips = Label3->caption().toFloat(&widthOk) * Twips::PerPixel;
    if (!widthOk || banner.setWidthTwips(widthTwips) != PropertyStatus::Ok) {
        finishOk();
        return;
    }
    banner.paintPicture(former, 0, 0, widthTwips, heightTwips);
    finishOk();
}

void frmresize::finishOk()
{
    hideForm();
    cls();
}

void frmresize::Command2_Click() { hideForm(); }
