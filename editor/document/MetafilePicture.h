#pragma once
// Metafile pictures for the picture loader: a placeable Windows metafile or an
// enhanced metafile is drawn by the platform's players onto white, at the size
// the file gives itself (its bounding box over its units per inch, or its
// frame in hundredths of a millimetre), as the runtime's picture objects show
// metafiles.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace MetafilePicture {

enum class Kind { None, Placeable, Enhanced };

// Which metafile the file's first bytes announce (None for anything else).
Kind kindOf(const QByteArray& head);

enum class Result { Ok, Damaged, TooLarge };

struct Rendered {
    Result result = Result::Damaged;
    QImage picture;
    QString reason; // for a failure, in the user's words
};

// Renders the whole file's bytes; kind must be Placeable or Enhanced.
Rendered render(const QByteArray& bytes, Kind kind);

} // namespace MetafilePicture
