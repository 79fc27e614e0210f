#include "Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>

namespace {

class WindowSystemClipboard final : public Clipboard {
public:
    void clear() override
    {
        if (QClipboard* c = QGuiApplication::clipboard())
            c->clear();
    }

    bool setPicture(const QImage& picture) override
    {
        QClipboard* c = QGuiApplication::clipboard();
        if (!c || picture.isNull())
            return false;
        c->setImage(picture);
        return true;
    }

    QImage picture() const override
    {
        QClipboard* c = QGuiApplication::clipboard();
        return c ? c->image() : QImage();
    }
};

std::shared_ptr<Clipboard>& current()
{
    static std::shared_ptr<Clipboard> clipboard = std::make_shared<WindowSystemClipboard>();
    return clipboard;
}

} // namespace

QImage Clipboard::bitmap() const { return toDeviceBitmap(picture()); }

QImage Clipboard::toDeviceBitmap(const QImage& picture)
{
    if (picture.isNull())
        return {};
    if (!picture.hasAlphaChannel())
        return picture.convertToFormat(QImage::Format_RGB32);
    // A device bitmap has no transparency: see-through parts sit on white
    // rather than on whatever colour the alpha-less pixels happen to hold.
    QImage opaque(picture.size(), QImage::Format_RGB32);
    opaque.setDotsPerMeterX(picture.dotsPerMeterX());
    opaque.setDotsPerMeterY(picture.dotsPerMeterY());
    opaque.fill(Qt::white);
    QPainter p(&opaque);
    p.drawImage(QPoint(0, 0), picture);
    p.end();
    return opaque;
}

Clipboard& Clipboard::system() { return *current(); }

void Clipboard::setSystem(std::shared_ptr<Clipboard> clipboard)
{
    current() = clipboard ? std::move(clipboard) : std::make_shared<WindowSystemClipboard>();
}
