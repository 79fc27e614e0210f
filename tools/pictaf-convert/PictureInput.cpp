#include "PictureInput.h"

#include "PictureExtent.h"

#include <common/ByteReader.h>
#include <common/DibHeader.h>
#include <common/MetafileFormat.h>
#include <gdi/Dib.h>
#include <gdi/GdiObjects.h>
#include <metafile/EnhancedMetafile.h>
#include <metafile/WindowsMetafile.h>
#include <metafile/WmfRecords.h>

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <span>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pictaf::convert {

namespace {

void put16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v)
{
    put16(p, v & 0xffff);
    put16(p + 2, v >> 16);
}

long readHead(const std::string& path, std::uint8_t* into, std::size_t count)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    std::size_t have = 0;
    while (have < count) {
        const ssize_t got = ::read(fd, into + have, count - have);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        have += static_cast<std::size_t>(got);
    }
    ::close(fd);
    return static_cast<long>(have);
}

// The whole file, when it is no larger than limit.
bool readWhole(const std::string& path, std::uint64_t limit, std::vector<std::uint8_t>& bytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || static_cast<std::uint64_t>(st.st_size) > limit) {
        ::close(fd);
        return false;
    }
    try {
        bytes.resize(static_cast<std::size_t>(st.st_size));
    } catch (const std::bad_alloc&) {
        ::close(fd);
        return false;
    }
    std::size_t have = 0;
    while (have < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + have, bytes.size() - have);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        have += static_cast<std::size_t>(got);
    }
    ::close(fd);
    bytes.resize(have);
    return true;
}

constexpr const char* kEndsEarly = "the picture is damaged: its data ends early";

// Enough of a stream's start for every kind's signature and header.
constexpr std::uint64_t kStreamHeadBytes = 4096;

int makeMemoryFile() { return ::memfd_create("pictaf-input", MFD_CLOEXEC); }

bool writeAll(int fd, const std::uint8_t* data, std::size_t count, int& error)
{
    while (count > 0) {
        const ssize_t n = ::write(fd, data, count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            return false;
        }
        data += n;
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

// Whether the bytes carried from the last chunk and this one hold mark.
bool holdsMark(const std::uint8_t (&carried)[3], const std::uint8_t* data, std::size_t count, const char* mark)
{
    const std::size_t length = std::strlen(mark);
    std::uint8_t seam[6];
    std::memcpy(seam, carried, 3);
    const std::size_t joined = std::min<std::size_t>(count, 3);
    std::memcpy(seam + 3, data, joined);
    return ::memmem(seam, 3 + joined, mark, length) != nullptr || ::memmem(data, count, mark, length) != nullptr;
}

void keepTail(std::uint8_t (&carried)[3], const std::uint8_t* data, std::size_t count)
{
    if (count >= 3) {
        std::memcpy(carried, data + count - 3, 3);
        return;
    }
    std::memmove(carried, carried + count, 3 - count);
    std::memcpy(carried + 3 - count, data, count);
}

// Cuts the stream copied so far just past its end mark, when it holds one.
bool markedEndIn(int fd, std::uint64_t& size, MarkedEnd& walked)
{
    void* mapped = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_SHARED, fd, 0);
    if (mapped == MAP_FAILED)
        return false;
    const MarkedEnd mark = FindMarkedEnd(std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(mapped),
                                                                       static_cast<std::size_t>(size)),
                                         &walked);
    ::munmap(mapped, static_cast<std::size_t>(size));
    walked = mark;
    if (mark.end == 0 || ::ftruncate(fd, static_cast<off_t>(mark.end)) != 0)
        return false;
    size = mark.end;
    return true;
}

constexpr std::uint32_t kBmpInfoHeader = 40;
constexpr std::uint32_t kBmpCoreHeader = 12;
// OS/2 2.x headers run from 16 to 64 bytes; their first 40 bytes read like
// the 40-byte Windows header, except for two compressions of their own.
bool isOs2Header(std::uint32_t size) { return size >= 16 && size <= 64 && size != 40 && size != 52 && size != 56; }

Status decodeExtendedBmp(const std::string& path, QImage& image, std::string& why)
{
    std::vector<std::uint8_t> file;
    if (!readWhole(path, std::uint64_t{2} << 30, file))
        return Status::CannotOpenInput;
    if (file.size() < 14 + 16 || file[0] != 'B' || file[1] != 'M')
        return Status::Malformed;
    const std::span<const std::uint8_t> all(file);
    plat::ByteReader fileHeader(all, 10);
    const std::uint32_t bitsOffset = fileHeader.u32();
    plat::DibHeaderFields dib;
    plat::readDibHeaderFields(all.subspan(14), dib);
    const std::uint32_t headerSize = dib.size;
    if (headerSize < 16 || 14 + std::uint64_t{headerSize} > file.size())
        return Status::Malformed;
    // Fields past the header's own size are not its own.
    const std::uint32_t compression = headerSize >= 20 ? dib.compression : 0;

    if (headerSize >= kBmpInfoHeader && (compression == 4 || compression == 5)) {
        // The pixels are a whole JPEG (4) or PNG (5) file.
        const std::uint32_t imageSize = dib.imageSize;
        if (bitsOffset == 0 || bitsOffset >= file.size())
            return Status::Malformed;
        std::size_t length = file.size() - bitsOffset;
        if (imageSize != 0)
            length = std::min<std::size_t>(length, imageSize);
        const MarkedEnd end = FindMarkedEnd(all.subspan(bitsOffset, length));
        if (end.marked && !end.pictureWhole) {
            why = compression == 4 ? "its embedded JPEG is damaged: its data ends early"
                                   : "its embedded PNG is damaged: its data ends early";
            return Status::Malformed;
        }
        QImage embedded;
        if (!embedded.loadFromData(file.data() + bitsOffset, static_cast<int>(std::min<std::size_t>(length, INT32_MAX)),
                                   compression == 4 ? "JPEG" : "PNG")) {
            why = compression == 4 ? "its embedded JPEG can't be read" : "its embedded PNG can't be read";
            return Status::Malformed;
        }
        image = std::move(embedded);
        return Status::Ok;
    }

    std::vector<std::uint8_t> widened;
    std::span<const std::uint8_t> info = all.subspan(14);
    if (isOs2Header(headerSize)) {
        if (compression == 3 || compression == 4) {
            why = "OS/2 Huffman and 24-bit run-length compression are not supported";
            return Status::Unsupported;
        }
        // As a 40-byte header followed by the same four-byte colour table.
        const std::uint16_t bpp = dib.bitCount;
        const std::uint32_t used = headerSize >= 36 ? dib.colorsUsed : 0;
        const std::uint64_t entries =
            bpp <= 8 ? (used != 0 ? std::min<std::uint32_t>(used, 1u << bpp) : (1u << bpp)) : 0;
        const std::uint64_t tableAt = 14 + std::uint64_t{headerSize};
        if (tableAt + entries * 4 > file.size())
            return Status::Malformed;
        widened.assign(kBmpInfoHeader + entries * 4, 0);
        std::memcpy(widened.data(), &file[14], std::min<std::uint32_t>(headerSize, kBmpInfoHeader));
        put32(widened.data(), kBmpInfoHeader);
        put32(widened.data() + 32, static_cast<std::uint32_t>(entries));
        std::memcpy(widened.data() + kBmpInfoHeader, &file[tableAt], static_cast<std::size_t>(entries * 4));
        info = widened;
    }
    std::uint64_t pixelsAt = bitsOffset;
    if (pixelsAt == 0) {
        const std::int64_t offset = plat::PackedDibBitsOffset(info);
        if (offset < 0)
            return Status::Malformed;
        pixelsAt = 14 + static_cast<std::uint64_t>(offset);
    }
    if (pixelsAt > file.size())
        return Status::Malformed;
    plat::DibDecodeOptions options;
    options.keepAlpha = true;
    QImage decoded;
    switch (plat::DecodeDib(info, all.subspan(static_cast<std::size_t>(pixelsAt)), decoded, options)) {
    case plat::DibStatus::Ok: break;
    case plat::DibStatus::Malformed: return Status::Malformed;
    case plat::DibStatus::Unsupported: return Status::Unsupported;
    case plat::DibStatus::TooLarge: return Status::TooLarge;
    }
    // A fourth byte that is zero everywhere was never meant as alpha (many
    // writers leave it so); browsers show such pictures opaque, and so here.
    if (decoded.format() == QImage::Format_ARGB32) {
        bool anyAlpha = false;
        for (int y = 0; y < decoded.height() && !anyAlpha; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(decoded.constScanLine(y));
            for (int x = 0; x < decoded.width(); ++x)
                if (qAlpha(row[x]) != 0) {
                    anyAlpha = true;
                    break;
                }
        }
        if (!anyAlpha)
            decoded.reinterpretAsFormat(QImage::Format_RGB32);
    }
    image = std::move(decoded);
    return Status::Ok;
}

} // namespace

InputFile::~InputFile()
{
    if (memfd_ >= 0)
        ::close(memfd_);
}

Status InputFile::open(const std::string& name, std::uint64_t maxBytes, int& error)
{
    error = 0;
    int source = -1;
    if (name == "-") {
        source = STDIN_FILENO;
    } else {
        struct stat st {};
        if (::stat(name.c_str(), &st) != 0) {
            error = errno;
            return Status::CannotOpenInput;
        }
        if (S_ISDIR(st.st_mode))
            return Status::InputIsDirectory;
        if (S_ISREG(st.st_mode)) {
            if (::access(name.c_str(), R_OK) != 0) {
                error = errno;
                return Status::CannotOpenInput;
            }
            path_ = name;
            size_ = static_cast<std::uint64_t>(st.st_size);
            return Status::Ok;
        }
        // A pipe (a shell's <(...)), FIFO or device: read once, to the end.
        source = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        if (source < 0) {
            error = errno;
            return Status::CannotOpenInput;
        }
    }
    memfd_ = makeMemoryFile();
    if (memfd_ < 0) {
        error = errno;
        if (source != STDIN_FILENO)
            ::close(source);
        return Status::CannotOpenInput;
    }
    std::vector<std::uint8_t> chunk(1 << 16);
    Status status = Status::Ok;
    path_ = "/proc/self/fd/" + std::to_string(memfd_);
    // A stream that starts as no picture (/dev/zero, a text) is given up as
    // soon as its first bytes show it, not held in memory to the end.
    bool headChecked = false;
    // Where the header says the picture ends, nothing past it is read: a
    // valid header followed by endless data is not held to the end.
    std::uint64_t declared = 0;
    // JPEG, PNG and GIF mark their end; the search for the mark runs only
    // when a chunk holds its bytes (a GIF's walk goes on where it stopped).
    const char* endMark = nullptr;
    MarkedEnd walked;
    std::uint8_t carried[3] = {};
    for (;;) {
        std::size_t want = chunk.size();
        if (declared != 0)
            want = static_cast<std::size_t>(std::min<std::uint64_t>(want, declared - size_));
        const ssize_t got = ::read(source, chunk.data(), want);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = errno;
            status = Status::CannotOpenInput;
            break;
        }
        if (got == 0)
            break;
        if (size_ + static_cast<std::uint64_t>(got) > maxBytes) {
            status = Status::NotEnoughMemory;
            break;
        }
        if (!writeAll(memfd_, chunk.data(), static_cast<std::size_t>(got), error)) {
            status = Status::NotEnoughMemory;
            break;
        }
        size_ += static_cast<std::uint64_t>(got);
        if (!headChecked && size_ >= kStreamHeadBytes) {
            headChecked = true;
            if (SniffInput(path_) == InputKind::Unknown) {
                status = Status::UnrecognisedInput;
                break;
            }
            std::uint8_t head[kStreamHeadBytes];
            if (::pread(memfd_, head, sizeof head, 0) == static_cast<ssize_t>(sizeof head)) {
                declared = DeclaredLength(head);
                endMark = FindMarkedEnd(head).mark;
            }
            if (declared != 0 && size_ >= declared) {
                if (::ftruncate(memfd_, static_cast<off_t>(declared)) != 0) {
                    error = errno;
                    status = Status::CannotOpenInput;
                }
                size_ = declared;
                break;
            }
            // The mark may sit in what came before this chunk too.
            if (endMark != nullptr && markedEndIn(memfd_, size_, walked))
                break;
        } else if (endMark != nullptr && holdsMark(carried, chunk.data(), static_cast<std::size_t>(got), endMark)
                   && markedEndIn(memfd_, size_, walked)) {
            break;
        }
        if (declared != 0 && size_ >= declared)
            break;
        keepTail(carried, chunk.data(), static_cast<std::size_t>(got));
    }
    if (source != STDIN_FILENO)
        ::close(source);
    return status;
}

Status InputFile::adopt(const std::uint8_t* data, std::size_t count, int& error)
{
    error = 0;
    if (memfd_ >= 0)
        ::close(memfd_);
    memfd_ = makeMemoryFile();
    if (memfd_ < 0 || !writeAll(memfd_, data, count, error)) {
        if (memfd_ >= 0 && error == 0)
            error = errno;
        return Status::NotEnoughMemory;
    }
    size_ = count;
    path_ = "/proc/self/fd/" + std::to_string(memfd_);
    return Status::Ok;
}

InputKind SniffInput(const std::string& path)
{
    std::uint8_t head[40] = {};
    const long have = readHead(path, head, sizeof head);
    if (have < 0)
        return InputKind::Unknown;
    // The control's probes first, in its order and with its lengths.
    if (ProbeWmfFile(path) || ProbeEmfFile(path))
        return InputKind::EngineFile;
    if (have >= 14 && head[0] == 'B' && head[1] == 'M') {
        plat::DibHeaderFields dib;
        plat::readDibHeaderFields(std::span<const std::uint8_t>(head + 14, static_cast<std::size_t>(have - 14)), dib);
        const std::uint32_t headerSize = dib.size;
        const std::uint32_t compression = dib.compression;
        if (headerSize == kBmpCoreHeader || (headerSize == kBmpInfoHeader && compression != 4 && compression != 5))
            return InputKind::EngineFile;
        if (isOs2Header(headerSize) || headerSize >= kBmpInfoHeader)
            return InputKind::ExtendedBmp;
        return InputKind::EngineFile; // damaged: the engine says how
    }
    plat::MetaHeader wmf;
    if (plat::ReadMetaHeader(std::span<const std::uint8_t>(head, static_cast<std::size_t>(have)), wmf))
        return InputKind::StandardWmf;
    QImageReader reader(QString::fromStdString(path));
    reader.setDecideFormatFromContent(true);
    return reader.canRead() ? InputKind::QtImage : InputKind::Unknown;
}

bool KindNeedsFonts(const std::string& path)
{
    std::uint8_t head[18] = {};
    if (readHead(path, head, sizeof head) != static_cast<long>(sizeof head))
        return false;
    plat::MetaHeader wmf;
    return ProbeWmfFile(path) || ProbeEmfFile(path) || plat::ReadMetaHeader(head, wmf);
}

bool PeekInputSize(const std::string& path, InputKind kind, PictureSize& size)
{
    switch (kind) {
    case InputKind::EngineFile: return PeekFileSize(path, size);
    case InputKind::ExtendedBmp: {
        std::uint8_t head[26] = {};
        if (readHead(path, head, sizeof head) != static_cast<long>(sizeof head))
            return false;
        plat::ByteReader r(head, 18);
        size.width = r.i32();
        const std::int64_t height = r.i32();
        size.height = height < 0 ? -height : height;
        return true;
    }
    case InputKind::StandardWmf: {
        std::vector<std::uint8_t> placeable;
        if (AddPlaceableHeader(path, placeable) != Status::Ok)
            return false;
        plat::PlaceableHeader header;
        plat::readPlaceableHeader(placeable, header);
        size.width = static_cast<std::uint16_t>(header.right);
        size.height = static_cast<std::uint16_t>(header.bottom);
        return true;
    }
    case InputKind::QtImage: {
        QImageReader reader(QString::fromStdString(path));
        reader.setDecideFormatFromContent(true);
        const QSize s = reader.size();
        if (!s.isValid())
            return false;
        size.width = s.width();
        size.height = s.height();
        return true;
    }
    case InputKind::Unknown: break;
    }
    return false;
}

Status AddPlaceableHeader(const std::string& path, std::vector<std::uint8_t>& placeable)
{
    std::vector<std::uint8_t> file;
    if (!readWhole(path, plat::kMaxMetafileBytes, file))
        return Status::CannotOpenInput;
    if (file.size() < 18)
        return Status::Malformed;
    // The first window extent the records set gives the picture's size.
    std::int32_t width = 0, height = 0;
    plat::ByteReader r(file, 2);
    for (std::size_t at = r.u16() * std::size_t{2}; at + 6 <= file.size();) {
        r.seek(at);
        const std::uint64_t words = r.u32();
        const std::uint16_t function = r.u16();
        if (function == plat::metafile::META_EOF || words < 3 || at + words * 2 > file.size())
            break;
        if (function == plat::metafile::META_SETWINDOWEXT && words >= 5) {
            height = std::abs(r.i16());
            width = std::abs(r.i16());
            break;
        }
        at += static_cast<std::size_t>(words * 2);
    }
    if (width == 0 || height == 0)
        return Status::Malformed;
    // Key, handle, box (left, top, right, bottom), units per inch, reserved,
    // checksum (the XOR of the ten words before it), then the file itself.
    placeable.assign(22, 0);
    put32(&placeable[0], 0x9AC6CDD7u);
    put16(&placeable[10], static_cast<std::uint32_t>(width));
    put16(&placeable[12], static_cast<std::uint32_t>(height));
    put16(&placeable[14], 96);
    std::uint16_t checksum = 0;
    plat::ByteReader words(placeable);
    for (int i = 0; i < 10; ++i)
        checksum ^= words.u16();
    put16(&placeable[20], checksum);
    placeable.insert(placeable.end(), file.begin(), file.end());
    return Status::Ok;
}

QImage ComposeOnto(const QImage& image, std::uint32_t bgColor)
{
    if (!image.hasAlphaChannel())
        return image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    QImage out = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return out;
    const std::uint32_t red = bgColor & 0xff, green = (bgColor >> 8) & 0xff, blue = (bgColor >> 16) & 0xff;
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb p = row[x];
            const std::uint32_t rest = 255 - static_cast<std::uint32_t>(qAlpha(p));
            row[x] = qRgb(static_cast<int>(qRed(p) + (red * rest + 127) / 255),
                          static_cast<int>(qGreen(p) + (green * rest + 127) / 255),
                          static_cast<int>(qBlue(p) + (blue * rest + 127) / 255));
        }
    }
    out.reinterpretAsFormat(QImage::Format_RGB32);
    return out;
}

Status DecodeOwnInput(const std::string& path, InputKind kind, std::uint32_t bgColor, QImage& out, std::string& why)
{
    QImage image;
    if (kind == InputKind::ExtendedBmp) {
        if (Status s = decodeExtendedBmp(path, image, why); s != Status::Ok)
            return s;
    } else if (kind == InputKind::QtImage) {
        // The readers of JPEG and GIF fill what a cut-off file lacks (grey,
        // or the background) and succeed; the JPEG one only logs a warning,
        // which no caller can tie to its own picture when several decode at
        // once. So the file's own structure is walked first: its end mark
        // (JPEG, PNG) or the end of its first image's data (GIF) must be in
        // it, and a WebP must be as long as its header says. The TIFF reader
        // fails on missing pixel data itself.
        // The whole file is held while it decodes, so it must fit in what
        // the readers may allocate (set to the memory the machine can spare).
        const int limitMb = QImageReader::allocationLimit();
        const std::uint64_t limit =
            limitMb > 0 ? static_cast<std::uint64_t>(limitMb) << 20 : std::numeric_limits<std::uint64_t>::max();
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && static_cast<std::uint64_t>(st.st_size) > limit) {
            why = "the file is larger than the " + std::to_string(limitMb) + " MB of memory the machine can spare";
            return Status::NotEnoughMemory;
        }
        std::vector<std::uint8_t> bytes;
        if (!readWhole(path, limit, bytes))
            return Status::CannotOpenInput;
        const MarkedEnd end = FindMarkedEnd(bytes);
        if ((end.marked && !end.pictureWhole) || DeclaredLength(bytes) > bytes.size()) {
            why = kEndsEarly;
            return Status::Malformed;
        }
        QByteArray data =
            QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        reader.setDecideFormatFromContent(true);
        if (!reader.read(&image)) {
            why = reader.errorString().toStdString();
            return Status::Malformed;
        }
    } else {
        return Status::UnrecognisedInput;
    }
    out = ComposeOnto(image, bgColor);
    if (out.isNull())
        return Status::OutOfMemory;
    return Status::Ok;
}

} // namespace pictaf::convert
