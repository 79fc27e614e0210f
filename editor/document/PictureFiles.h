#pragma once
// The runtime's picture loader and saver (LoadPicture, SavePicture): any
// picture format the platform reads comes in (Qt's image formats, and
// placeable and enhanced metafiles drawn at their own size), BMP goes out. Failures come
// back as a status with the system's reason, so the commands can tell the
// user and leave the banner alone.
#include <QImage>
#include <QString>

namespace PictureFiles {

enum class Status {
    Ok,
    NotFound,     // no file of that name
    Unreadable,   // the file exists but cannot be opened
    NotAPicture,  // opened, but no picture format recognises it, or it is damaged
    TooLarge,     // a picture bigger than the platform makes bitmaps
    EmptyPicture, // nothing to save: the picture has no pixels
    CannotWrite,  // the target cannot be created or written completely
};

const char* statusText(Status status);

struct Loaded {
    Status status = Status::Ok;
    QImage picture; // null for an empty name, or on failure
    QString reason; // the system's words for a failure, else empty
};

// True when the name is an existing device, pipe or socket (links followed):
// no picture is read from or written to such a file.
bool isSpecialFile(const QString& fileName);

// An empty name gives an empty picture, as LoadPicture("") does.
Loaded loadPicture(const QString& fileName);

// Writes a BMP file whatever the name's extension. The file appears only
// when every byte was written; a failure leaves an existing file untouched.
// reason, when given, receives the system's words for a failure.
Status savePicture(const QImage& picture, const QString& fileName, QString* reason = nullptr);

// A user-facing sentence for a failed load or save of fileName.
QString describeLoadFailure(const Loaded& result, const QString& fileName);
QString describeSaveFailure(Status status, const QString& reason, const QString& fileName);

} // namespace PictureFiles
