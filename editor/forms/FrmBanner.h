#pragma once
// The banner canvas: a borderless document window whose client area is the
// banner document's image. It shows the document, follows it in size, and
// turns the pointer into moves, background picks and text placements.
#include "BannerDocument.h"
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
    static constexpr int MaxSidePixels = BannerDocument::MaxSidePixels;

    // The floating text label of a text placement; never part of the image.
    FormLabel* Label1 = nullptr;

    // Event handlers. Coordinates are twips from the client area's top-left;
    // button is the mask of the button pressed or released (press, release)
    // or of the buttons held (move).
    void Form_Load();
    void Form_MouseDown(int button, int shift, float x, float y);
    void Form_MouseMove(int button, int shift, float x, float y);
    void Form_MouseUp(int button, int shift, float x, float y);

    // The banner this canvas shows and edits.
    BannerDocument& document() { return m_document; }
    const BannerDocument& document() const { return m_document; }

    // The document's properties, as the canvas's own.
    OleColor backColor() const { return m_document.backColor(); }
    void setBackColor(OleColor c) { m_document.setBackColor(c); }
    const QImage& picture() const { return m_document.picture(); }
    void setPicture(const QImage& picture) { m_document.setPicture(picture); }
    QImage image() const { return m_document.image(); }
    OleColor foreColor() const { return m_document.foreColor(); }
    void setForeColor(OleColor c) { m_document.setForeColor(c); }
    const QFont& printFont() const { return m_document.font(); }
    PropertyStatus setFontName(const QString& family) { return m_document.setFontName(family); }
    PropertyStatus setFontSize(float points) { return m_document.setFontSize(points); }
    void setFontBold(bool on) { m_document.setFontBold(on); }
    void setFontItalic(bool on) { m_document.setFontItalic(on); }
    void setFontStrikethru(bool on) { m_document.setFontStrikethru(on); }
    void setFontUnderline(bool on) { m_document.setFontUnderline(on); }
    float currentX() const { return m_document.currentX(); }
    float currentY() const { return m_document.currentY(); }
    void setCurrentX(float twips) { m_document.setCurrentX(twips); }
    void setCurrentY(float twips) { m_document.setCurrentY(twips); }
    void print(const QString& text) { m_document.print(text); }
    void paintPicture(const QImage& picture, float x, float y, float width, float height)
    {
        m_document.paintPicture(picture, x, y, width, height);
    }

    // Client size in twips, kept by the document (see BannerDocument::setSize).
    // Negative sizes and sides beyond MaxSidePixels are refused.
    PropertyStatus setWidthTwips(float twips);
    PropertyStatus setHeightTwips(float twips);

    int mousePointer() const { return m_mousePointer; }
    void setMousePointer(int shape);

    // True while the canvas follows the pointer after a press.
    bool isBeingMoved() const { return m_moving; }

signals:
    // The banner pixel under the pointer, counted from 1, for the position
    // readout.
    void pointerMoved(float x, float y);
    // An armed background pick has fired: the current colour should become
    // the banner's background.
    void backColorPickRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    PropertyStatus resizeDocument(QSize size);
    void beginMove(const QPointF& globalPointer);
    void followPointer(const QPointF& globalPointer);
    void endMove();
    void applyPendingBackColor();

    BannerDocument m_document;
    int m_mousePointer = PointerDefault;

    bool m_moving = false;
    QPointF m_moveStartPointer;
    QPoint m_moveStartFrame;
};
