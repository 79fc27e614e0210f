#include "FrmBanner.h"

#include "CommonDialog.h"
#include "FontProperties.h"
#include "FormLabel.h"
#include "FormMouse.h"
#include "Forms.h"
#include "Parent.h"
#include "PictureBox.h"
#include "Twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

using FormMouse::buttonMask;
using FormMouse::shiftMask;
using FormMouse::twipsOf;

FrmBanner::FrmBanner()
{
    setObjectName(QStringLiteral("FrmBanner"));
    setWindowTitle(QStringLiteral("Form1"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_font = FontProperties::pinned(QApplication::font());
    resize(DesignWidth, DesignHeight);

    Label1 = new FormLabel(QString(), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAutoSize(true);
    Label1->move(Twips::toPixels(600), Twips::toPixels(120));
    // Mouse events over the label belong to the canvas: the label only shows
    // where the text will go.
    Label1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Label1->hide();
}

void FrmBanner::Form_Load()
{
    setMousePointer(PointerSizeAll);
    Forms::Parent().Picture3->setBackColor(m_backColor);
}

// --- persistent image ---------------------------------------------------------

void FrmBanner::ensureImageCovers(QSize size)
{
    size = size.expandedTo(QSize(1, 1));
    if (!m_image.isNull() && m_image.width() >= size.width() && m_image.height() >= size.height())
        return;
    const QImage old = m_image;
    QImage grown(size.expandedTo(old.size()), QImage::Format_RGB32);
    // Fonts in the image come out at the size they show on screen.
    const int dpm = qRound(logicalDpiX() / 0.0254);
    grown.setDotsPerMeterX(dpm);
    grown.setDotsPerMeterY(qRound(logicalDpiY() / 0.0254));
    grown.fill(OleColors::toQColor(m_backColor));
    QPainter p(&grown);
    if (!m_picture.isNull())
        p.drawImage(QPoint(0, 0), m_picture);
    if (!old.isNull())
        p.drawImage(QPoint(0, 0), old);
    p.end();
    m_image = grown;
}

void FrmBanner::recompose()
{
    m_image = QImage();
    ensureImageCovers(size());
    update();
}

void FrmBanner::setBackColor(OleColor c)
{
    m_backColor = c;
    recompose();
}

void FrmBanner::setPicture(const QImage& picture)
{
    m_picture = picture;
    recompose();
}

QImage FrmBanner::image() const
{
    // A banner with a side of 0 has no image: copying an empty rectangle
    // would hand back the whole of the larger image kept behind it.
    if (width() <= 0 || height() <= 0)
        return QImage();
    const_cast<FrmBanner*>(this)->ensureImageCovers(size());
    return m_image.copy(0, 0, width(), height());
}

void FrmBanner::cropImageToSize()
{
    // What a shrink cuts off is gone: growing again exposes the background
    // colour and picture, not pixels of an earlier, larger banner.
    if (width() <= 0 || height() <= 0) {
        m_image = QImage();
        return;
    }
    if (m_image.width() > width() || m_image.height() > height())
        m_image = m_image.copy(0, 0, std::min(m_image.width(), width()), std::min(m_image.height(), height()));
}

void FrmBanner::print(const QString& text)
{
    ensureImageCovers(size());
    const QFontMetricsF metrics(m_font, &m_image);
    const QPointF topLeft(m_currentX / Twips::PerPixel, m_currentY / Twips::PerPixel);
    if (!text.isEmpty()) {
        QPainter p(&m_image);
        p.setFont(m_font);
        p.setPen(OleColors::toQColor(m_foreColor));
        p.setBackgroundMode(Qt::TransparentMode);
        p.drawText(QPointF(topLeft.x(), topLeft.y() + metrics.ascent()), text);
        update();
    }
    m_currentX = 0.0f;
    m_currentY += static_cast<float>(metrics.height()) * Twips::PerPixel;
}

void FrmBanner::paintPicture(const QImage& picture, float x, float y, float width, float height)
{
    if (picture.isNull())
        return;
    ensureImageCovers(size());
    QPainter p(&m_image);
    const QRectF target(x / Twips::PerPixel, y / Twips::PerPixel, width / Twips::PerPixel,
                        height / Twips::PerPixel);
    p.drawImage(target, picture);
    update();
}

// --- properties -------------------------------------------------------------

PropertyStatus FrmBanner::applyFont(const QFont& font)
{
    m_font = FontProperties::pinned(font);
    return PropertyStatus::Ok;
}

PropertyStatus FrmBanner::setFontName(const QString& family)
{
    QFont f = m_font;
    const PropertyStatus s = FontProperties::setName(f, family);
    return s == PropertyStatus::Ok ? applyFont(f) : s;
}

PropertyStatus FrmBanner::setFontSize(float points)
{
    QFont f = m_font;
    const PropertyStatus s = FontProperties::setSize(f, points);
    return s == PropertyStatus::Ok ? applyFont(f) : s;
}

void FrmBanner::setFontBold(bool on)
{
    QFont f = m_font;
    FontProperties::setBold(f, on);
    applyFont(f);
}

void FrmBanner::setFontItalic(bool on)
{
    QFont f = m_font;
    f.setItalic(on);
    applyFont(f);
}

void FrmBanner::setFontStrikethru(bool on)
{
    QFont f = m_font;
    f.setStrikeOut(on);
    applyFont(f);
}

void FrmBanner::setFontUnderline(bool on)
{
    QFont f = m_font;
    f.setUnderline(on);
    applyFont(f);
}

PropertyStatus FrmBanner::setWidthTwips(float twips)
{
    const int px = Twips::toPixels(twips);
    if (!(twips >= 0.0f) || px > MaxSidePixels)
        return PropertyStatus::InvalidValue;
    setClientSizePixels(px, height());
    cropImageToSize();
    ensureImageCovers(size());
    return PropertyStatus::Ok;
}

PropertyStatus FrmBanner::setHeightTwips(float twips)
{
    const int px = Twips::toPixels(twips);
    if (!(twips >= 0.0f) || px > MaxSidePixels)
        return PropertyStatus::InvalidValue;
    setClientSizePixels(width(), px);
    cropImageToSize();
    ensureImageCovers(size());
    return PropertyStatus::Ok;
}

void FrmBanner::setMousePointer(int shape)
{
    m_mousePointer = shape;
    setCursor(shape == PointerSizeAll ? Qt::SizeAllCursor : Qt::ArrowCursor);
}

// --- mouse protocol ---------------------------------------------------------

void FrmBanner::Form_MouseDown(int button, int, float x, float y)
{
    EditorState& state = Forms::state();
    if (state.TextPlacement) {
        // Any button shows the label at the press point; the canvas stays put.
        setMousePointer(PointerDefault);
        Label1->show();
        Label1->move(Twips::toPixels(x), Twips::toPixels(y));
        return;
    }
    // The canvas follows the pointer while the left button is held (see
    // mousePressEvent). With no drag to follow, the move has ended at once,
    // and a pending background colour applies now.
    if (button != LeftButton || !m_moving)
        applyPendingBackColor();
}

void FrmBanner::Form_MouseMove(int button, int, float x, float y)
{
    Parent& parent = Forms::Parent();
    parent.Label3->setCaption(Twips::formatSingle(x / Twips::PerPixel + 1.0f));
    parent.Label4->setCaption(Twips::formatSingle(y / Twips::PerPixel + 1.0f));
    if (button == LeftButton && Forms::state().TextPlacement)
        Label1->move(Twips::toPixels(x), Twips::toPixels(y));
}

void FrmBanner::Form_MouseUp(int, int, float x, float y)
{
    EditorState& state = Forms::state();
    if (!state.TextPlacement) {
        state.BackColorPending = false;
        return;
    }
    setMousePointer(PointerSizeAll);
    setCurrentX(x);
    setCurrentY(y);
    // Printed in the canvas's own font and colour, not the label's.
    print(Label1->caption());
    Label1->hide();
    state.TextPlacement = false;
}

void FrmBanner::applyPendingBackColor()
{
    EditorState& state = Forms::state();
    if (!state.BackColorPending)
        return;
    Parent& parent = Forms::Parent();
    const OleColor c = parent.CommonDialog1->color();
    setBackColor(c);
    parent.Picture3->setBackColor(c);
    state.BackColorPending = false;
}

void FrmBanner::beginMove(const QPointF& globalPointer)
{
    m_moving = true;
    m_moveStartPointer = globalPointer;
    m_moveStartFrame = frame()->pos();
}

void FrmBanner::followPointer(const QPointF& globalPointer)
{
    QWidget* area = frame()->parentWidget();
    QPointF pointer = globalPointer;
    if (area) {
        // The pointer is held inside the work area while it drags the canvas,
        // so the canvas can be pushed partly out of sight but never lost.
        const QRectF bounds(area->mapToGlobal(QPointF(0, 0)), QSizeF(area->size()));
        pointer.setX(std::clamp(pointer.x(), bounds.left(), bounds.right() - 1));
        pointer.setY(std::clamp(pointer.y(), bounds.top(), bounds.bottom() - 1));
    }
    const QPointF delta = pointer - m_moveStartPointer;
    frame()->move(m_moveStartFrame + delta.toPoint());
}

void FrmBanner::endMove()
{
    m_moving = false;
    applyPendingBackColor();
}

void FrmBanner::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (m_moving)
        return; // other buttons do nothing while the canvas is dragged
    const int button = buttonMask(event->button());
    if (!Forms::state().TextPlacement && button == LeftButton)
        beginMove(event->globalPosition());
    Form_MouseDown(button, shiftMask(event->modifiers()), twipsOf(event->position().x()),
                   twipsOf(event->position().y()));
}

void FrmBanner::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double-click is a press like any other.
    mousePressEvent(event);
}

void FrmBanner::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    QPointF at = event->position();
    if (m_moving) {
        followPointer(event->globalPosition());
        // The canvas has moved under the pointer, and stops at the work
        // area's edge while the pointer goes on: the readout shows the banner
        // pixel under the pointer, held to the banner.
        at = mapFromGlobal(event->globalPosition());
        at.setX(std::clamp(std::floor(at.x()), 0.0, std::max(0.0, width() - 1.0)));
        at.setY(std::clamp(std::floor(at.y()), 0.0, std::max(0.0, height() - 1.0)));
    }
    Form_MouseMove(buttonMask(event->buttons()), shiftMask(event->modifiers()), twipsOf(at.x()), twipsOf(at.y()));
}

void FrmBanner::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (m_moving) {
        // The drag owns the button that started it: its release ends the move
        // and nothing else.
        if (event->button() == Qt::LeftButton)
            endMove();
        return;
    }
    Form_MouseUp(buttonMask(event->button()), shiftMask(event->modifiers()), twipsOf(event->position().x()),
                 twipsOf(event->position().y()));
}

void FrmBanner::closeEvent(QCloseEvent* event)
{
    // The work area's close shortcut would hide the banner for good: no
    // command shows the canvas again, and the banner lives only here.
    event->ignore();
}

// --- painting ---------------------------------------------------------------

void FrmBanner::paintEvent(QPaintEvent*)
{
    ensureImageCovers(size());
    QPainter p(this);
    p.drawImage(QPoint(0, 0), m_image);
}

void FrmBanner::resizeEvent(QResizeEvent* event)
{
    Form::resizeEvent(event);
    ensureImageCovers(size());
}
