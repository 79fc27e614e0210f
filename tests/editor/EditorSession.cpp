#include "EditorSession.h"

#include "CommonDialog.h"
#include "Forms.h"
#include "ModStart.h"
#include "Parent.h"

#include <QApplication>
#include <QFile>
#include <QImageWriter>
#include <QList>
#include <QMouseEvent>
#include <QTest>

#include <gif_lib.h>

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

void press(QWidget* w, Qt::MouseButton button, QPoint pos) { send(w, QEvent::MouseButtonPress, button, button, pos); }

void release(QWidget* w, Qt::MouseButton button, QPoint pos)
{
    send(w, QEvent::MouseButtonRelease, button, Qt::NoButton, pos);
}

void move(QWidget* w, Qt::MouseButtons held, QPoint pos) { send(w, QEvent::MouseMove, Qt::NoButton, held, pos); }

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

QImage quadrants(QSize size, QRgb topLeft, QRgb topRight, QRgb bottomLeft, QRgb bottomRight)
{
    QImage img(size, QImage::Format_RGB32);
    const int halfW = size.width() / 2, halfH = size.height() / 2;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            img.setPixel(x, y, y < halfH ? (x < halfW ? topLeft : topRight) : (x < halfW ? bottomLeft : bottomRight));
    return img;
}

namespace {

// Qt reads GIF but does not write it; giflib does, for pictures of at most
// 256 colours, which is all a fixture needs.
void writeGif(const QImage& picture, const QString& fileName)
{
    const QImage img = picture.convertToFormat(QImage::Format_RGB32);
    QList<QRgb> colours;
    QByteArray indices;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y) | 0xFF000000u;
            qsizetype i = colours.indexOf(c);
            if (i < 0) {
                i = colours.size();
                colours << c;
            }
            indices.append(char(i));
        }
    QVERIFY2(colours.size() <= 256, "a GIF fixture holds at most 256 colours");
    int bits = 1;
    while ((1 << bits) < colours.size())
        ++bits;
    int error = 0;
    GifFileType* gif = EGifOpenFileName(QFile::encodeName(fileName).constData(), false, &error);
    QVERIFY2(gif, GifErrorString(error));
    ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
    for (qsizetype i = 0; i < colours.size(); ++i)
        map->Colors[i] = GifColorType{GifByteType(qRed(colours[i])), GifByteType(qGreen(colours[i])),
                                      GifByteType(qBlue(colours[i]))};
    bool ok = EGifPutScreenDesc(gif, img.width(), img.height(), bits, 0, map) == GIF_OK
        && EGifPutImageDesc(gif, 0, 0, img.width(), img.height(), false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < img.height(); ++y)
        ok = EGifPutLine(gif, reinterpret_cast<GifPixelType*>(indices.data()) + qsizetype(y) * img.width(), img.width())
            == GIF_OK;
    GifFreeMapObject(map);
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    QVERIFY2(ok, qPrintable(fileName));
}

} // namespace

void writePicture(const QImage& picture, const QString& fileName, const char* format)
{
    if (qstrcmp(format, "gif") == 0) {
        writeGif(picture, fileName);
        return;
    }
    QImageWriter writer(fileName, format);
    if (!writer.write(picture))
        QFAIL(qPrintable(QStringLiteral("cannot write %1: %2").arg(fileName, writer.errorString())));
}

QByteArray fileBytes(const QString& fileName)
{
    QFile f(fileName);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList messagesShown(const ScriptedDialogs& dialogs)
{
    QStringList shown;
    for (const ScriptedDialogs::Request& r : dialogs.requests())
        if (r.kind == QLatin1String("message"))
            shown << r.prompt;
    return shown;
}

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
