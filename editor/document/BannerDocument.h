#pragma once
// The banner itself, apart from any window: its size, background colour and
// picture, the persistent image (background colour, then the picture, then
// whatever has been drawn or printed on it), the text colour and font of
// printed text, and the list of texts printed. The canvas shows and edits
// one; the commands and file operations work on it directly.
#include "OleColor.h"
#include "PictureFiles.h"
#include "PropertyStatus.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPainter>
#include <QPointF>
#include <QSize>
#include <QString>

// One printed text as it was printed: enough to set it again as live text
// rather than as pixels.
struct BannerTextItem {
    QString text;
    QFont font;
    OleColor color = 0;
    // Top-left corner of the text's line, in banner pixels.
    QPointF position;

    bool operator==(const BannerTextItem&) const = default;
};

class BannerDocument : public QObject {
    Q_OBJECT
public:
    explicit BannerDocument(QObject* parent = nullptr);

    // Standard banner: 468 x 60 pixels.
    static constexpr int DesignWidth = 468;
    static constexpr int DesignHeight = 60;
    // Largest side, in pixels: bounds the persistent image.
    static constexpr int MaxSidePixels = 16384;

    QSize size() const { return m_size; }
    // Content is kept where it still fits; new area, even area that was drawn
    // on before a shrink, shows the background colour and picture. Texts cut
    // off whole (their corner outside) leave the list. Negative sides and
    // sides beyond MaxSidePixels are refused.
    PropertyStatus setSize(QSize size);
    // Follows a size the window system gave the canvas: the image grows to
    // cover it, nothing is cut.
    void coverSize(QSize size);

    // Setting the background colour repaints the image from scratch: colour,
    // then the background picture; everything drawn so far is gone.
    OleColor backColor() const { return m_backColor; }
    void setBackColor(OleColor c);
    // The background picture, drawn unscaled from the top-left corner. Setting
    // it (a null image removes it) also wipes everything drawn.
    const QImage& picture() const { return m_picture; }
    void setPicture(const QImage& picture);
    // The persistent image at the banner's size; null when a side is 0.
    QImage image() const;
    // Draws the image, grown first to cover the area, from the top-left.
    void draw(QPainter& painter, QSize area) const;

    // Text colour and font of printed text.
    OleColor foreColor() const { return m_foreColor; }
    void setForeColor(OleColor c) { m_foreColor = c; }
    const QFont& font() const { return m_font; }
    PropertyStatus setFontName(const QString& family);
    PropertyStatus setFontSize(float points);
    void setFontBold(bool on);
    void setFontItalic(bool on);
    void setFontStrikethru(bool on);
    void setFontUnderline(bool on);
    // Resolution that printed fonts are measured at, so text in the image
    // comes out at the size it shows on screen.
    void setLogicalDpi(int x, int y);

    // Where the next text is printed, in twips.
    float currentX() const { return m_currentX; }
    float currentY() const { return m_currentY; }
    void setCurrentX(float twips) { m_currentX = twips; }
    void setCurrentY(float twips) { m_currentY = twips; }
    // Prints one line into the image with its top-left corner at the current
    // position, in the document's font and fore colour on a transparent
    // background, and records it; the position then moves to the start of the
    // next line. An empty text only moves the position.
    void print(const QString& text);
    // Draws a picture into the image, stretched to the rectangle (twips).
    void paintPicture(const QImage& picture, float x, float y, float width, float height);

    // The texts printed since the image was last wiped, oldest first.
    const QList<BannerTextItem>& textItems() const { return m_textItems; }

    // The editing commands. New: white background, no picture. Clear: no
    // picture, background colour kept. Neither touches size, text colour,
    // font or the background swatch.
    void newBanner();
    void clear();
    // The armed background pick: the banner takes the colour and the
    // background swatch shows it.
    void pickBackColor(OleColor c);
    // Asks the background swatch to show the current background colour.
    void showBackColor();

    // File operations. Load makes the named picture the background picture
    // (an empty name removes it); a picture that cannot be read leaves the
    // document as it was. Save writes the image as BMP whatever the name's
    // extension; a banner with a side of 0 is refused as an empty picture.
    PictureFiles::Loaded load(const QString& fileName);
    PictureFiles::Status save(const QString& fileName, QString* reason = nullptr) const;

signals:
    // The image's pixels changed.
    void imageChanged();
    void sizeChanged(QSize size);
    void textItemsChanged();
    // The background swatch should show this colour.
    void backgroundSwatch(OleColor color);

private:
    void recompose();
    void ensureImageCovers(QSize size) const;
    void wipeTextItems();

    QSize m_size{DesignWidth, DesignHeight};
    OleColor m_backColor = OleColors::SysActiveTitleText;
    OleColor m_foreColor = OleColors::SysButtonText;
    QFont m_font;
    QImage m_picture;
    // Covers at least the current size; a size change cuts it to the new
    // size first, so only what still fits survives.
    mutable QImage m_image;
    int m_dpiX = 96;
    int m_dpiY = 96;
    float m_currentX = 0.0f;
    float m_currentY = 0.0f;
    QList<BannerTextItem> m_textItems;
};
