#include "BannerDocument.h"

#include "FontProperties.h"
#include "Twips.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QRectF>

#include <algorithm>

BannerDocument::BannerDocument(QObject* parent)
    : QObject(parent), m_font(FontProperties::pinned(QGuiApplication::font()))
{
}

// --- persistent image ---------------------------------------------------------

void BannerDocument::ensureImageCovers(QSize size) const
{
    size = size.expandedTo(QSize(1, 1));
    if (!m_image.isNull() && m_image.width() >= size.width() && m_image.height() >= size.height())
        return;
    const QImage old = m_image;
    QImage grown(size.expandedTo(old.size()), QImage::Format_RGB32);
    grown.setDotsPerMeterX(qRound(m_dpiX / 0.0254));
    grown.setDotsPerMeterY(qRound(m_dpiY / 0.0254));
    grown.fill(OleColors::toQColor(m_backColor));
    QPainter p(&grown);
    if (!m_picture.isNull())
        p.drawImage(QPoint(0, 0), m_picture);
    if (!old.isNull())
        p.drawImage(QPoint(0, 0), old);
    p.end();
    m_image = grown;
}

void BannerDocument::recompose()
{
    m_image = QImage();
    ensureImageCovers(m_size);
    wipeTextItems();
    emit imageChanged();
}

void BannerDocument::wipeTextItems()
{
    if (m_textItems.isEmpty())
        return;
    m_textItems.clear();
    emit textItemsChanged();
}

void BannerDocument::setLogicalDpi(int x, int y)
{
    m_dpiX = std::max(1, x);
    m_dpiY = std::max(1, y);
    if (!m_image.isNull()) {
        m_image.setDotsPerMeterX(qRound(m_dpiX / 0.0254));
        m_image.setDotsPerMeterY(qRound(m_dpiY / 0.0254));
    }
}

void BannerDocument::setBackColor(OleColor c)
{
    m_backColor = c;
    recompose();
}

void BannerDocument::setPicture(const QImage& picture)
{
    m_picture = picture;
    recompose();
}

QImage BannerDocument::image() const
{
    // A banner with a side of 0 has no image: copying an empty rectangle
    // would hand back the whole of the larger image kept behind it.
    if (m_size.width() <= 0 || m_size.height() <= 0)
        return QImage();
    ensureImageCovers(m_size);
    return m_image.copy(0, 0, m_size.width(), m_size.height());
}

void BannerDocument::draw(QPainter& painter, QSize area) const
{
    ensureImageCovers(area);
    painter.drawImage(QPoint(0, 0), m_image);
}

PropertyStatus BannerDocument::setSize(QSize size)
{
    if (size.width() < 0 || size.height() < 0 || size.width() > MaxSidePixels || size.height() > MaxSidePixels)
        return PropertyStatus::InvalidValue;
    const bool changed = size != m_size;
    m_size = size;
    // What a shrink cuts off is gone: growing again exposes the background
    // colour and picture, not pixels of an earlier, larger banner.
    if (size.width() <= 0 || size.height() <= 0) {
        m_image = QImage();
    } else if (m_image.width() > size.width() || m_image.height() > size.height()) {
        m_image =
            m_image.copy(0, 0, std::min(m_image.width(), size.width()), std::min(m_image.height(), size.height()));
    }
    const qsizetype before = m_textItems.size();
    m_textItems.removeIf([&](const BannerTextItem& item) {
        return item.position.x() >= size.width() || item.position.y() >= size.height();
    });
    ensureImageCovers(m_size);
    if (changed)
        emit sizeChanged(m_size);
    if (m_textItems.size() != before)
        emit textItemsChanged();
    emit imageChanged();
    return PropertyStatus::Ok;
}

void BannerDocument::coverSize(QSize size) { ensureImageCovers(size); }

void BannerDocument::print(const QString& text)
{
    ensureImageCovers(m_size);
    const QFontMetricsF metrics(m_font, &m_image);
    const QPointF topLeft(m_currentX / Twips::PerPixel, m_currentY / Twips::PerPixel);
    if (!text.isEmpty()) {
        QPainter p(&m_image);
        p.setFont(m_font);
        p.setPen(OleColors::toQColor(m_foreColor));
        p.setBackgroundMode(Qt::TransparentMode);
        p.drawText(QPointF(topLeft.x(), topLeft.y() + metrics.ascent()), text);
        p.end();
        m_textItems.append(BannerTextItem{text, m_font, m_foreColor, topLeft});
        emit textItemsChanged();
        emit imageChanged();
    }
    m_currentX = 0.0f;
    m_currentY += static_cast<float>(metrics.height()) * Twips::PerPixel;
}

void BannerDocument::paintPicture(const QImage& picture, float x, float y, float width, float height)
{
    if (picture.isNull())
        return;
    ensureImageCovers(m_size);
    QPainter p(&m_image);
    const QRectF target(x / Twips::PerPixel, y / Twips::PerPixel, width / Twips::PerPixel, height / Twips::PerPixel);
    p.drawImage(target, picture);
    p.end();
    emit imageChanged();
}

// --- font -------------------------------------------------------------------

PropertyStatus BannerDocument::setFontName(const QString& family)
{
    QFont f = m_font;
    const PropertyStatus s = FontProperties::setName(f, family);
    if (s == PropertyStatus::Ok)
        m_font = FontProperties::pinned(f);
    return s;
}

PropertyStatus BannerDocument::setFontSize(float points)
{
    QFont f = m_font;
    const PropertyStatus s = FontProperties::setSize(f, points);
    if (s == PropertyStatus::Ok)
        m_font = FontProperties::pinned(f);
    return s;
}

void BannerDocument::setFontBold(bool on)
{
    FontProperties::setBold(m_font, on);
    m_font = FontProperties::pinned(m_font);
}

void BannerDocument::setFontItalic(bool on)
{
    m_font.setItalic(on);
    m_font = FontProperties::pinned(m_font);
}

void BannerDocument::setFontStrikethru(bool on)
{
    m_font.setStrikeOut(on);
    m_font = FontProperties::pinned(m_font);
}

void BannerDocument::setFontUnderline(bool on)
{
    m_font.setUnderline(on);
    m_font = FontProperties::pinned(m_font);
}

// --- commands -----------------------------------------------------------------

void BannerDocument::newBanner()
{
    setBackColor(OleColors::White);
    setPicture(QImage());
}

void BannerDocument::clear() { setPicture(QImage()); }

void BannerDocument::pickBackColor(OleColor c)
{
    setBackColor(c);
    emit backgroundSwatch(c);
}

void BannerDocument::showBackColor() { emit backgroundSwatch(m_backColor); }

// --- files --------------------------------------------------------------------

PictureFiles::Loaded BannerDocument::load(const QString& fileName)
{
    PictureFiles::Loaded loaded = PictureFiles::loadPicture(fileName);
    if (loaded.status == PictureFiles::Status::Ok)
        setPicture(loaded.picture);
    return loaded;
}

PictureFiles::Status BannerDocument::save(const QString& fileName, QString* reason) const
{
    const QImage shown = image();
    if (shown.isNull())
        return PictureFiles::Status::EmptyPicture;
    return PictureFiles::savePicture(shown, fileName, reason);
}
