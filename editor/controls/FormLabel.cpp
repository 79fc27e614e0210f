#include "FormLabel.h"

#include "FontProperties.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPainter>

#include <algorithm>

FormLabel::FormLabel(const QString& caption, QWidget* parent) : QLabel(caption, parent)
{
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setTextFormat(Qt::PlainText);
    // Its own font from the start, so a later change of the form's font does
    // not reach it.
    setFont(FontProperties::pinned(font()));
    setForeColor(m_foreColor);
}

void FormLabel::setCaption(const QString& caption)
{
    setText(caption);
    fitToCaption();
}

void FormLabel::setAutoSize(bool on)
{
    m_autoSize = on;
    fitToCaption();
}

void FormLabel::setForeColor(OleColor c)
{
    m_foreColor = c;
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, OleColors::toQColor(c));
    setPalette(pal);
}

void FormLabel::setBackColor(OleColor c)
{
    setAttribute(Qt::WA_TranslucentBackground, false);
    setAttribute(Qt::WA_NoSystemBackground, false);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, OleColors::toQColor(c));
    setPalette(pal);
}

void FormLabel::applyFont(const QFont& f)
{
    setFont(FontProperties::pinned(f));
    fitToCaption();
}

PropertyStatus FormLabel::setFontName(const QString& family)
{
    QFont f = font();
    const PropertyStatus s = FontProperties::setName(f, family);
    if (s == PropertyStatus::Ok)
        applyFont(f);
    return s;
}

PropertyStatus FormLabel::setFontSize(float points)
{
    QFont f = font();
    const PropertyStatus s = FontProperties::setSize(f, points);
    if (s == PropertyStatus::Ok)
        applyFont(f);
    return s;
}

void FormLabel::setFontBold(bool on)
{
    QFont f = font();
    FontProperties::setBold(f, on);
    applyFont(f);
}

void FormLabel::setFontItalic(bool on)
{
    QFont f = font();
    f.setItalic(on);
    applyFont(f);
}

void FormLabel::setFontStrikethru(bool on)
{
    QFont f = font();
    f.setStrikeOut(on);
    applyFont(f);
}

void FormLabel::setFontUnderline(bool on)
{
    QFont f = font();
    f.setUnderline(on);
    applyFont(f);
}

void FormLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_emboldenBy = syntheticBoldWidth(font());
        fitToCaption();
    }
}

void FormLabel::fitToCaption()
{
    if (m_autoSize)
        resize((sizeHint() + QSize(m_emboldenBy, 0)).expandedTo(QSize(1, 1)));
}

int FormLabel::syntheticBoldWidth(const QFont& font)
{
    if (!font.bold())
        return 0;
    // The face really drawn: a design name resolves to its stand-in.
    const QString family = QFontInfo(font).family();
    for (const QString& style : QFontDatabase::styles(family)) {
        if (QFontDatabase::weight(family, style) >= QFont::DemiBold)
            return 0;
    }
    // No bold face to draw with: the text is drawn again this many pixels
    // to the right, about a sixteenth of its height, as bold strokes are.
    return std::max(1, qRound(QFontInfo(font).pixelSize() / 16.0));
}

void FormLabel::paintEvent(QPaintEvent* event)
{
    if (m_emboldenBy == 0 || text().isEmpty() || textFormat() == Qt::RichText) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter p(this);
    drawFrame(&p);
    const QRect box = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const int flags = int(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0);
    p.setFont(font());
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    for (int dx = 0; dx <= m_emboldenBy; ++dx)
        p.drawText(box.translated(dx, 0), flags, text());
}
