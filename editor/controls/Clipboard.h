#pragma once
// The system clipboard as the editor uses it: cleared, given a picture, and
// read back as a device bitmap (clipboard format 2). Tests can put a
// clipboard of their own in its place, for example one that cannot be opened.
#include <QImage>
#include <memory>

class Clipboard {
public:
    virtual ~Clipboard() = default;

    virtual void clear() = 0;
    // Replaces the content with the picture, in the picture's own format.
    // False when the clipboard cannot be used.
    virtual bool setPicture(const QImage& picture) = 0;
    // The content as it arrived, or a null image when it holds no picture.
    virtual QImage picture() const = 0;

    // The content as a screen-format device bitmap: opaque RGB32, with any
    // transparent parts of the picture shown on white. Null when the
    // clipboard holds no picture.
    QImage bitmap() const;

    // The clipboard in use: the window system's unless replaced. Null
    // restores the window system's.
    static Clipboard& system();
    static void setSystem(std::shared_ptr<Clipboard> clipboard);

    // What format 2 makes of a picture.
    static QImage toDeviceBitmap(const QImage& picture);
};
