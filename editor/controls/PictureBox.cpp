#include "PictureBox.h"

#include "Twips.h"

#include <QMouseEvent>
#include <QPainter>

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void PictureBox::setBackColor(OleColor c)
{
    m_backColor = c;
    update();
}

PictureBox::~PictureBox() { releaseHandle(); }

void PictureBox::setPicture(const QImage& picture)
{
    releaseHandle();
    m_picture = picture;
    update();
}

plat::HGDIOBJ PictureBox::pictureHandle()
{
    if (!m_handle && !m_picture.isNull())
        m_handle = plat::CreateBitmapFromImage(m_picture);
    return m_handle;
}

void PictureBox::releaseHandle()
{
    if (m_handle)
        plat::DeleteObject(m_handle);
    m_handle = 0;
}

void PictureBox::setBorder(bool on)
{
    m_border = on;
    update();
}

void PictureBox::placeChild(QWidget* child, int leftTwips, int topTwips, int widthTwips, int heightTwips) const
{
    const int b = borderWidth();
    child->setGeometry(b + Twips::toPixels(static_cast<float>(leftTwips)),
                       b + Twips::toPixels(static_cast<float>(topTwips)),
                       Twips::toPixels(static_cast<float>(widthTwips)),
                       Twips::toPixels(static_cast<float>(heightTwips)));
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect all = rect();
    p.fillRect(all, OleColors::toQColor(m_backColor));
    const int b = borderWidth();
    if (!m_picture.isNull())
        p.drawImage(QPoint(b, b), m_picture);
    if (!m_border)
        return;
    // The classic two-pixel sunken edge: shadow outside, dark shadow inside.
    const QColor shadow(128, 128, 128), darkShadow(0, 0, 0), light(223, 223, 223), highlight(255, 255, 255);
    const int r = all.right(), bt = all.bottom();
    p.setPen(shadow);
    p.drawLine(0, 0, r - 1, 0);
    p.drawLine(0, 0, 0, bt - 1);
    p.setPen(highlight);
    p.drawLine(0, bt, r, bt);
    p.drawLine(r, 0, r, bt);
    p.setPen(darkShadow);
    p.drawLine(1, 1, r - 2, 1);
    p.drawLine(1, 1, 1, bt - 2);
    p.setPen(light);
    p.drawLine(1, bt - 1, r - 1, bt - 1);
    p.drawLine(r - 1, 1, r - 1, bt - 1);
}

void PictureBox::mousePressEvent(QMouseEvent* event)
{
    m_leftDown = event->button() == Qt::LeftButton;
    event->accept();
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    // A click is a left press and release over the same box.
    const bool click = m_leftDown && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_leftDown = false;
    event->accept();
    if (click)
        emit Click();
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    // The second press of a double-click: its release must not count as
    // another click.
    m_leftDown = false;
    emit DblClick();
}
