#pragma once
// The label control of the forms: a caption in its own font and fore colour
// on a transparent background, optionally sizing itself to its caption.
#include "OleColor.h"
#include "PropertyStatus.h"

#include <QLabel>

class FormLabel : public QLabel {
    Q_OBJECT
public:
    explicit FormLabel(const QString& caption = {}, QWidget* parent = nullptr);

    QString caption() const { return text(); }
    void setCaption(const QString& caption);

    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool on);

    OleColor foreColor() const { return m_foreColor; }
    void setForeColor(OleColor c);
    // An opaque back colour; labels are transparent until one is set.
    void setBackColor(OleColor c);

    PropertyStatus setFontName(const QString& family);
    PropertyStatus setFontSize(float points);
    void setFontBold(bool on);
    void setFontItalic(bool on);
    void setFontStrikethru(bool on);
    void setFontUnderline(bool on);

    // Extra pixels of stroke when the font asks for bold but the face drawn
    // (a stand-in for a design font) has no bold of its own; else 0.
    static int syntheticBoldWidth(const QFont& font);

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyFont(const QFont& font);
    void fitToCaption();

    bool m_autoSize = false;
    int m_emboldenBy = 0;
    OleColor m_foreColor = OleColors::SysButtonText;
};
