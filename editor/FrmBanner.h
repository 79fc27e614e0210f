#pragma once
// The banner canvas: a borderless document window whose client area is the
// banner. Its persistent image is the background colour, then the background
// picture, then whatever has been drawn or printed on it; that image is what
// the window shows and what saving and export write out.
#include "Form.h"
#include "FormMouse.h"
#include "OleColor.h"
#include "PropertyStatus.h"

#include <QFont>
#include <QImage>
#include <QPoint>

class FormLabel;

class FrmBanner : public Form {
    Q_OBJECT
public:
    FrmBanner();

    // Design inner size: 7020 x 900 twips.
    static constexpr int DesignWidth = 468;
    static constexpr int DesignHeight = 60;
    // Pointer shapes, by their form values.
    static constexpr int PointerDefault = 0;
    static constexpr int PointerSizeAll = 15;
    // Mouse button mask of the handlers.
    static constexpr int LeftButton = FormMouse::LeftButton;
    static constexpr int RightButton = FormMouse::RightButton;
    static constexpr int MiddleButton = FormMouse::MiddleButton;
    // Largest side the canvas takes, in pixels: bounds the persistent image.
    static constexpr int MaxSidePixels = 16384;

    // The floating text label of a text placement; never part of the image.
    FormLabel* Label1 = nullptr;

    // Event handlers. Coordinates are twips from the client area's top-left;
    // button is the mask of the button pressed or released (press, release)
    // or of the buttons held (move).
    void Form_Load();
    void Form_MouseDown(int button, int shift, float x, float y);
    void Form_MouseMove(int button, int shift, float x, float y);
    void Form_MouseUp(int button, int shift, float x, float y);

    // Setting the background colour repaints the image from scratch: colour,
    // then the background picture; everything drawn so far is gone.
    OleColor backColor() const { return m_backColor; }
    void setBackColor(OleColor c);
    // The background picture, drawn unscaled from the top-left corner. Setting
    // it (a null image removes it) also wipes everything drawn.
    const QImage& picture() const { return m_picture; }
    void setPicture(const QImage& picture);
    // The persistent image at the canvas's current size.
    QImage image() const;

    // Text colour and font of printed text.
    OleColor foreColor() const { return m_foreColor; }
    void setForeColor(OleColor c) { m_foreColor = c; }
    const QFont& printFont() const { return m_font; }
    PropertyStatus setFontName(const QString& family);
    PropertyStatus setFontSize(float points);
    void setFontBold(bool on);
    void setFontItalic(bool on);
    void setFontStrikethru(bool on);
    void setFontUnderline(bool on);

    // Where the next text is printed, in twips.
    float currentX() const { return m_currentX; }
    float currentY() const { return m_currentY; }
    void setCurrentX(float twips) { m_currentX = twips; }
    void setCurrentY(float twips) { m_currentY = twips; }
    // Prints one line into the image with its top-left corner at the current
    // position, in the canvas's font and fore colour on a transparent
    // background; the position then moves to the start of the next line.
    void print(const QString& text);
    // Draws a picture into the image, stretched to the rectangle (twips).
    void paintPicture(const QImage& picture, float x, float y, float width, float height);

    // Client size in twips. Content is kept where it still fits; new area,
    // even area that was drawn on before a shrink, shows the background colour
    // and picture. Negative sizes and sides beyond
    // MaxSidePixels are refused.
    PropertyStatus setWidthTwips(float twips);
    PropertyStatus setHeightTwips(float twips);

    int mousePointer() const { return m_mousePointer; }
    void setMousePointer(int shape);

    // True while the canvas follows the pointer after a press.
    bool isBeingMoved() const { return m_moving; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void recompose();
    void ensureImageCovers(QSize size);
    void cropImageToSize();
    PropertyStatus applyFont(const QFont& font);
    void beginMove(const QPointF& globalPointer);
    void followPointer(const QPointF& globalPointer);
    void endMove();
    void applyPendingBackColor();

    OleColor m_backColor = OleColors::SysActiveTitleText;
    OleColor m_foreColor = OleColors::SysButtonText;
    QFont m_font;
    QImage m_picture;
    // Covers at least the current size; a size change cuts it to the new
    // size first, so only what still fits survives.
    QImage m_image;
    float m_currentX = 0.0f;
    float m_currentY = 0.0f;
    int m_mousePointer = PointerDefault;

    bool m_moving = false;
    QPointF m_moveStartPointer;
    QPoint m_moveStartFrame;
};
