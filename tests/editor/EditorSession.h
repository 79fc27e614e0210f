#pragma once
// Shared helpers of the editor's Qt Tests: a started editor with scripted
// dialogs, mouse input as the window system delivers it, and pixel counting.
#include "ScriptedDialogs.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QStringList>
#include <memory>

class QWidget;

// Starts the editor as the program does and answers its dialogs from a
// script; unloads every form when it goes. Ending the program is recorded
// instead of leaving the test's event loop.
class EditorSession {
public:
    EditorSession();
    ~EditorSession();
    EditorSession(const EditorSession&) = delete;
    EditorSession& operator=(const EditorSession&) = delete;

    ScriptedDialogs& dialogs() { return *m_dialogs; }
    int endRequests() const;

private:
    std::shared_ptr<ScriptedDialogs> m_dialogs;
};

namespace Mouse {
// Each sends one event with the given button (press, release) or buttons held
// (move) at a widget-local pixel position, with a matching global position.
void press(QWidget* w, Qt::MouseButton button, QPoint pos);
void release(QWidget* w, Qt::MouseButton button, QPoint pos);
void move(QWidget* w, Qt::MouseButtons held, QPoint pos);
void doubleClick(QWidget* w, QPoint pos);
// Press and release of one button at one point.
void click(QWidget* w, Qt::MouseButton button, QPoint pos);
} // namespace Mouse

// A picture of four solid quadrants (top-left, top-right, bottom-left,
// bottom-right), the colours a test can find again after any scaling.
QImage quadrants(QSize size, QRgb topLeft, QRgb topRight, QRgb bottomLeft, QRgb bottomRight);
// Writes a picture in a format ("bmp", "png", "gif"...) or fails the test.
void writePicture(const QImage& picture, const QString& fileName, const char* format);
// The whole file, or empty when it cannot be read.
QByteArray fileBytes(const QString& fileName);
// The message boxes shown so far, in order.
QStringList messagesShown(const ScriptedDialogs& dialogs);

// Pixels of exactly this colour, and the box that holds them (null if none).
int countPixels(const QImage& image, QRgb color);
QRect boundsOf(const QImage& image, QRgb color);
