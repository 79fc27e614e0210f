#include "ImageControl.h"

#include "Twips.h"

#include <QPainter>

ImageControl::ImageControl(QWidget* parent) : QWidget(parent)
{
    // Mouse events belong to whatever holds the image.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ImageControl::setPicture(const QImage& picture)
{
    m_picture = picture;
    if (!picture.isNull())
        resize(picture.size());
    update();
}

float ImageControl::widthTwips() const { return Twips::fromPixels(width()); }
float ImageControl::heightTwips() const { return Twips::fromPixels(height()); }

void ImageControl::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull())
        return;
    QPainter p(this);
    p.drawImage(QPoint(0, 0), m_picture);
}
