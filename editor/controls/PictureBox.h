#pragma once
// The picture box control of the forms: a BackColor fill inside a sunken 3D
// border, an optional picture, and Click / DblClick from the left button.
// Children are placed in the client area, inside the border, as designs expect.
#include "OleColor.h"

#include <gdi/GdiObjects.h>

#include <QImage>
#include <QWidget>

class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);
    ~PictureBox() override;

    OleColor backColor() const { return m_backColor; }
    void setBackColor(OleColor c);

    QImage picture() const { return m_picture; }
    void setPicture(const QImage& picture);
    // The picture's Handle: a platform bitmap of it, made on first request.
    // The box owns it; it stays valid until the picture changes or the box
    // goes. 0 when there is no picture.
    plat::HGDIOBJ pictureHandle();

    bool hasBorder() const { return m_border; }
    void setBorder(bool on);
    int borderWidth() const { return m_border ? 2 : 0; }

    // Places a child by its design geometry in twips, measured from the
    // top-left corner of this box's client area.
    void placeChild(QWidget* child, int leftTwips, int topTwips, int widthTwips, int heightTwips) const;

signals:
    void Click();
    void DblClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    OleColor m_backColor = OleColors::fromRgb(0xC0, 0xC0, 0xC0);
    void releaseHandle();

    QImage m_picture;
    plat::HGDIOBJ m_handle = 0;
    bool m_border = true;
    bool m_leftDown = false;
};
