#pragma once
// The image control of the forms: shows a picture and, not being stretched,
// takes the picture's own size. Its parent clips what does not fit.
#include <QImage>
#include <QWidget>

class ImageControl : public QWidget {
    Q_OBJECT
public:
    explicit ImageControl(QWidget* parent = nullptr);

    QImage picture() const { return m_picture; }
    // Resizes the control to the picture; an empty picture keeps the size.
    void setPicture(const QImage& picture);

    // Size in twips, as the form reads Width and Height.
    float widthTwips() const;
    float heightTwips() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
};
