#pragma once
// The image list component: equally sized images, numbered from 1, whose
// pixels of the mask colour are transparent when shown.
#include "OleColor.h"

#include <QIcon>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSize>

class ImageList : public QObject {
    Q_OBJECT
public:
    ImageList(QSize imageSize, OleColor maskColor, QObject* parent = nullptr);

    QSize imageSize() const { return m_size; }
    OleColor maskColor() const { return m_maskColor; }
    int count() const { return static_cast<int>(m_images.size()); }

    // Appends an image; one of another size is scaled to the list's size.
    void add(const QImage& image);
    // 1-based, as the toolbar refers to its images; a null image when out of range.
    QImage image(int index) const;
    // The image with its mask colour made transparent.
    QIcon icon(int index) const;

private:
    QSize m_size;
    OleColor m_maskColor;
    QList<QImage> m_images;
};
