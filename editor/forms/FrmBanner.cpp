#include "FrmBanner.h"

#include "FormLabel.h"
#include "FormMouse.h"
#include "Forms.h"
#include "Twips.h"

#include <QCloseEvent>
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
    // Fonts in the image come out at the size they show on screen.
    m_document.setLogicalDpi(logicalDpiX(), logicalDpiY());
    resize(DesignWidth, DesignHeight);
    connect(&m_document, &BannerDocument::imageChanged, this, qOverload<>(&QWidget::update));
    connect(&m_document, &BannerDocument::sizeChanged, this,
            [this](QSize size) { setClientSizePixels(size.width(), size.height()); });

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
    m_document.showBackColor();
}

// --- size ---------------------------------------------------------------------

PropertyStatus FrmBanner::resizeDocument(QSize size)
{
    const PropertyStatus s = m_document.setSize(size);
    if (s == PropertyStatus::Ok)
        setClientSizePixels(m_document.size().width(), m_document.size().height());
    return s;
}

PropertyStatus FrmBanner::setWidthTwips(float twips)
{
    if (!(twips >= 0.0f))
        return PropertyStatus::InvalidValue;
    return resizeDocument(QSize(Twips::toPixels(twips), m_document.size().height()));
}

PropertyStatus FrmBanner::setHeightTwips(float twips)
{
    if (!(twips >= 0.0f))
        return PropertyStatus::InvalidValue;
    return resizeDocument(QSize(m_document.size().width(), Twips::toPixels(twips)));
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
    emit pointerMoved(x / Twips::PerPixel + 1.0f, y / Twips::PerPixel + 1.0f);
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
    state.BackColorPending = false;
    emit backColorPickRequested();
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
    QPainter p(this);
    m_document.draw(p, size());
}

void FrmBanner::resizeEvent(QResizeEvent* event)
{
    Form::resizeEvent(event);
    m_document.coverSize(size());
}
