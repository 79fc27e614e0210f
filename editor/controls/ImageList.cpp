#include "ImageList.h"

#include <QBitmap>
#include <QPixmap>

ImageList::ImageList(QSize imageSize, OleColor maskColor, QObject* parent)
    : QObject(parent), m_size(imageSize), m_maskColor(maskColor)
{
}

void ImageList::add(const QImage& image)
{
    QImage fitted = image.size() == m_size ? image : image.scaled(m_size);
    m_images.append(fitted.convertToFormat(QImage::Format_RGB32));
}

QImage ImageList::image(int index) const
{
    if (index < 1 || index > count())
        return QImage();
    return m_images.at(index - 1);
}

QIcon ImageList::icon(int index) const
{
    const QImage img = image(index);
    if (img.isNull())
        return QIcon();
    QPixmap pixmap = QPixmap::fromImage(img);
    pixmap.setMask(pixmap.createMaskFromColor(OleColors::toQColor(m_maskColor), Qt::MaskInColor));
    return QIcon(pixmap);
}
