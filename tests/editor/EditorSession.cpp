#include "EditorSession.h"

#include "CommonDialog.h"
#include "Forms.h"
#include "ModStart.h"
#include "Parent.h"

#include <QApplication>
#include <QMouseEvent>

namespace {
int g_endRequests = 0;
}

EditorSession::EditorSession() : m_dialogs(std::make_shared<ScriptedDialogs>())
{
    g_endRequests = 0;
    ModStart::setEndHandler([] { ++g_endRequests; });
    ModStart::Main();
    Forms::Parent().CommonDialog1->setProvider(m_dialogs);
}

EditorSession::~EditorSession()
{
    Forms::unloadAll();
    ModStart::setEndHandler({});
}

int EditorSession::endRequests() const { return g_endRequests; }

namespace Mouse {
namespace {

void send(QWidget* w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint pos)
{
    const QPointF local(pos);
    QMouseEvent event(type, local, w->mapToGlobal(local), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

} // namespace

void press(QWidget* w, Qt::MouseButton button, QPoint pos)
{
    send(w, QEvent::MouseButtonPress, button, button, pos);
}

void release(QWidget* w, Qt::MouseButton button, QPoint pos)
{
    send(w, QEvent::MouseButtonRelease, button, Qt::NoButton, pos);
}

void move(QWidget* w, Qt::MouseButtons held, QPoint pos)
{
    send(w, QEvent::MouseMove, Qt::NoButton, held, pos);
}

void doubleClick(QWidget* w, QPoint pos)
{
    click(w, Qt::LeftButton, pos);
    send(w, QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, pos);
    release(w, Qt::LeftButton, pos);
}

void click(QWidget* w, Qt::MouseButton button, QPoint pos)
{
    press(w, button, pos);
    release(w, button, pos);
}

} // namespace Mouse

int countPixels(const QImage& image, QRgb color)
{
    const QImage img = image.convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += (img.pixel(x, y) | 0xFF000000u) == (color | 0xFF000000u) ? 1 : 0;
    return n;
}

QRect boundsOf(const QImage& image, QRgb color)
{
    const QImage img = image.convertToFormat(QImage::Format_RGB32);
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) | 0xFF000000u) == (color | 0xFF000000u))
                box |= QRect(x, y, 1, 1);
    return box;
}
