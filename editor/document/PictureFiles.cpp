#include "PictureFiles.h"

#include "MetafilePicture.h"

#include <gdi/GdiObjects.h>
#include <metafile/EnhancedMetafile.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PictureFiles {

const char* statusText(Status status)
{
    switch (status) {
    case Status::Ok: return "ok";
    case Status::NotFound: return "file not found";
    case Status::Unreadable: return "file cannot be read";
    case Status::NotAPicture: return "not a picture";
    case Status::TooLarge: return "picture too large";
    case Status::EmptyPicture: return "empty picture";
    case Status::CannotWrite: return "file cannot be written";
    }
    return "unknown";
}

bool isSpecialFile(const QString& fileName)
{
    struct stat st {};
    if (fileName.isEmpty() || ::stat(QFile::encodeName(fileName).constData(), &st) != 0)
        return false;
    return !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

Loaded loadPicture(const QString& fileName)
{
    if (fileName.isEmpty())
        return {};
    const QFileInfo info(fileName);
    if (!info.exists())
        return {Status::NotFound, {}, QStringLiteral("No such file.")};
    // Opened without waiting, then asked what it is: a FIFO or a device must
    // not hold the program up, and a kernel file that has nothing to give
    // yet fails its read instead of blocking it.
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {Status::Unreadable, {}, QString::fromLocal8Bit(std::strerror(errno))};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool folder = S_ISDIR(st.st_mode);
        ::close(fd);
        return {Status::Unreadable,
                {},
                folder ? QStringLiteral("It is a folder.")
                       : QStringLiteral("It is not a regular file (a device, pipe or socket).")};
    }
    if (st.st_size == 0) {
        // Nothing to decode; kernel files that report no size are not read
        // at all (some of them hand out what they hold only once).
        ::close(fd);
        return {Status::NotAPicture, {}, QStringLiteral("The file is empty.")};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {Status::Unreadable, {}, file.errorString()};
    }

    // Metafiles are drawn by the platform, which Qt's readers do not know.
    if (const auto kind = MetafilePicture::kindOf(file.peek(44)); kind != MetafilePicture::Kind::None) {
        if (static_cast<std::uint64_t>(file.size()) > plat::kMaxMetafileBytes)
            return {Status::TooLarge, {}, QStringLiteral("a metafile of %1 bytes.").arg(file.size())};
        const QByteArray bytes = file.readAll();
        if (bytes.size() != file.size())
            return {Status::Unreadable, {}, file.errorString()};
        MetafilePicture::Rendered rendered = MetafilePicture::render(bytes, kind);
        switch (rendered.result) {
        case MetafilePicture::Result::Ok: return {Status::Ok, std::move(rendered.picture), {}};
        case MetafilePicture::Result::TooLarge: return {Status::TooLarge, {}, rendered.reason + '.'};
        case MetafilePicture::Result::Damaged: return {Status::NotAPicture, {}, rendered.reason};
        }
    }

    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    // The header's size is checked before any pixel memory is asked for.
    const QSize size = reader.size();
    if (size.isValid() && !plat::IsAcceptableBitmapSize(size.width(), size.height()))
        return {Status::TooLarge, {}, QStringLiteral("%1 x %2 pixels.").arg(size.width()).arg(size.height())};
    QImage picture;
    if (!reader.read(&picture) || picture.isNull())
        return {Status::NotAPicture, {}, reader.errorString()};
    return {Status::Ok, picture, {}};
}

Status savePicture(const QImage& picture, const QString& fileName, QString* reason)
{
    auto fail = [reason](Status s, const QString& why) {
        if (reason)
            *reason = why;
        return s;
    };
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0)
        return fail(Status::EmptyPicture, QStringLiteral("The picture has no pixels."));
    if (fileName.isEmpty())
        return fail(Status::CannotWrite, QStringLiteral("No file name."));
    // Only a regular file (or a link to one) is replaced; a device or pipe
    // under the name is not the user's picture to overwrite, and opening a
    // pipe would wait for a reader.
    if (isSpecialFile(fileName))
        return fail(Status::CannotWrite, QStringLiteral("It is not a regular file (a device, pipe or socket)."));

    // Written beside the target and renamed over it at the end, so a full
    // disk or a failed write never leaves a truncated BMP under the name.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return fail(Status::CannotWrite, file.errorString());
    QImageWriter writer(&file, "bmp");
    // The screen-format image: 24 bits per pixel in the file.
    if (!writer.write(picture.convertToFormat(QImage::Format_RGB32))) {
        const QString why = file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString();
        file.cancelWriting();
        return fail(Status::CannotWrite, why);
    }
    if (!file.commit())
        return fail(Status::CannotWrite, file.errorString());
    return Status::Ok;
}

QString describeLoadFailure(const Loaded& result, const QString& fileName)
{
    const QString name = QDir::toNativeSeparators(fileName);
    // A reason in brackets is part of the sentence, which has its own stop.
    QString bracketed = result.reason.trimmed();
    while (bracketed.endsWith(QLatin1Char('.')))
        bracketed.chop(1);
    switch (result.status) {
    case Status::Ok: return {};
    case Status::NotFound: return QStringLiteral("Cannot load %1:\nthe file does not exist.").arg(name);
    case Status::TooLarge:
        return QStringLiteral("Cannot load %1:\nthe picture is too large (%2).").arg(name, bracketed);
    case Status::NotAPicture:
        return QStringLiteral("Cannot load %1:\nit is not a picture this program can read (%2).").arg(name, bracketed);
    default: return QStringLiteral("Cannot load %1:\n%2").arg(name, result.reason);
    }
}

QString describeSaveFailure(Status status, const QString& reason, const QString& fileName)
{
    const QString name = QDir::toNativeSeparators(fileName);
    if (status == Status::EmptyPicture)
        return QStringLiteral("Cannot save %1:\nthe banner has no pixels (its width or height is 0).").arg(name);
    return QStringLiteral("Cannot write file %1:\n%2").arg(name, reason);
}

} // namespace PictureFiles
