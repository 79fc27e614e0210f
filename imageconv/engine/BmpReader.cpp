#include "engine/BmpReader.h"

#include "engine/PackedDib.h"

#include <common/ByteReader.h>
#include <gdi/Dib.h>
#include <gdi/GdiObjects.h>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pictaf {

namespace {

// Random-access reads that either deliver every byte asked for or fail.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    virtual bool read(std::uint64_t at, std::uint8_t* into, std::size_t count) const = 0;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    bool read(std::uint64_t at, std::uint8_t* into, std::size_t count) const override
    {
        if (at > bytes_.size() || count > bytes_.size() - at)
            return false;
        if (count != 0)
            std::memcpy(into, bytes_.data() + at, count);
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
};

class FileSource final : public ByteSource {
public:
    explicit FileSource(const std::string& name) : fd_(::open(name.c_str(), O_RDONLY | O_CLOEXEC))
    {
        struct stat st {};
        if (fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode))
            size_ = static_cast<std::uint64_t>(st.st_size);
        else if (fd_ >= 0) {
            ::close(fd_); // directories, pipes and devices are not picture files
            fd_ = -1;
        }
    }
    ~FileSource() override
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    std::uint64_t size() const override { return size_; }
    bool read(std::uint64_t at, std::uint8_t* into, std::size_t count) const override
    {
        if (at > size_ || count > size_ - at)
            return false;
        while (count > 0) {
            const ssize_t got = ::pread(fd_, into, count, static_cast<off_t>(at));
            if (got <= 0)
                return false;
            into += got;
            at += static_cast<std::uint64_t>(got);
            count -= static_cast<std::size_t>(got);
        }
        return true;
    }

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

void wr32(std::uint8_t* d, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        d[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

PackedDib fail(Status* status, Status why)
{
    if (status)
        *status = why;
    return {};
}

PackedDib readDib(const ByteSource& src, Status* status)
{
    // File header: "BM", file size, two reserved words, offset of the bits.
    // Without "BM" the bytes are taken as a bare DIB starting at 0.
    std::uint8_t fileHeader[14];
    std::uint64_t headerAt = 0;
    std::uint64_t bitsOffset = 0;
    if (src.read(0, fileHeader, 14) && fileHeader[0] == 'B' && fileHeader[1] == 'M') {
        headerAt = 14;
        plat::ByteReader r(fileHeader);
        r.skip(10);
        bitsOffset = r.u32();
    }

    std::uint8_t header[40] = {};
    if (!src.read(headerAt, header, 4))
        return fail(status, Status::Malformed);
    const std::uint32_t headerSize = plat::ByteReader(header).u32();
    const bool core = headerSize == 12;
    DibHeaderView view;
    if (core || headerSize == 40) {
        // The old core header (16-bit width, height, planes and bits per
        // pixel) or the 40-byte one.
        if (!src.read(headerAt, header, headerSize) || !ReadDibHeader(std::span(header, headerSize), view))
            return fail(status, Status::Malformed);
    } else {
        // Only the 40-byte and 12-byte headers are read from files.
        const bool known =
            headerSize == 52 || headerSize == 56 || headerSize == 64 || headerSize == 108 || headerSize == 124;
        return fail(status, known ? Status::Unsupported : Status::Malformed);
    }
    const std::int32_t width = view.width, height = view.height;
    const std::uint16_t bpp = view.bitsPerPixel;
    const std::uint32_t compression = view.compression, imageSize = view.imageSize, clrUsed = view.coloursUsed;

    switch (bpp) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32: break;
    case 0:
    case 2: return fail(status, Status::Unsupported);
    default: return fail(status, Status::Malformed);
    }
    switch (compression) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 6: break;
    case 4:
    case 5: return fail(status, Status::Unsupported); // embedded JPEG or PNG
    default: return fail(status, Status::Malformed);
    }
    const std::int64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    if (width <= 0 || rows == 0)
        return fail(status, Status::Malformed);
    if (!plat::IsAcceptableBitmapSize(width, rows))
        return fail(status, Status::TooLarge);
    const std::uint64_t stride = static_cast<std::uint64_t>(plat::DibStride(width, bpp));

    // Colour table: the header's count (2^bpp when it says 0). Entries a
    // pixel cannot index (a count beyond 2^bpp, any table above 8 bpp) are
    // skipped in the file and dropped from the DIB.
    const std::uint64_t entrySize = core ? 3 : 4;
    const std::uint64_t declared =
        core ? (bpp <= 8 ? (1u << bpp) : 0) : (clrUsed != 0 ? clrUsed : (bpp <= 8 ? (1u << bpp) : 0));
    const std::uint64_t kept = bpp <= 8 ? std::min<std::uint64_t>(declared, 1u << bpp) : 0;
    // Bit-field masks follow a 40-byte header only when the compression says
    // so. A 16 or 32 bpp file without them and with a pixel offset of 0 is
    // therefore read from right after its header, as stored; taking the first
    // 12 bytes of its pixels for masks would shift every row.
    const std::uint64_t maskBytes = compression == 3 ? 12 : (compression == 6 ? 16 : 0);
    const std::uint64_t masksAt = headerAt + headerSize;
    const std::uint64_t tableAt = masksAt + maskBytes;
    const std::uint64_t tableEnd = tableAt + declared * entrySize;
    if (tableAt + kept * entrySize > src.size())
        return fail(status, Status::Malformed);

    const std::uint64_t pixelsAt = bitsOffset != 0 ? bitsOffset : tableEnd;
    // Pixel data that ends early (or is missing altogether) leaves the rest
    // of the zero-filled block as it is: those pixels come out black.
    const std::uint64_t available = pixelsAt < src.size() ? src.size() - pixelsAt : 0;
    std::uint64_t pixelBytes;
    std::uint64_t storedBytes;
    if (compression == 1 || compression == 2) {
        // Run-length data: as much as the header says or, when it says 0,
        // the rest of the file. A size of 0 taken as stride x height would cut
        // off a stream that runs longer than the uncompressed pixels (runs of
        // literal bytes, padding); a short stream decodes as far as it goes.
        pixelBytes = imageSize != 0 ? std::min<std::uint64_t>(imageSize, available) : available;
        storedBytes = pixelBytes;
    } else {
        pixelBytes = stride * static_cast<std::uint64_t>(rows);
        storedBytes = std::min(pixelBytes, available);
    }
    if (pixelBytes > 0xffffffffu)
        return fail(status, Status::TooLarge);

    PackedDib dib;
    try {
        dib.resize(40 + maskBytes + kept * 4 + pixelBytes);
    } catch (const std::bad_alloc&) {
        return fail(status, Status::OutOfMemory);
    }
    std::uint8_t* out = dib.data();
    std::memset(out, 0, static_cast<std::size_t>(40 + maskBytes + kept * 4));
    wr32(out, 40);
    wr32(out + 4, static_cast<std::uint32_t>(width));
    wr32(out + 8, static_cast<std::uint32_t>(height));
    out[12] = 1; // planes
    out[14] = static_cast<std::uint8_t>(bpp);
    wr32(out + 16, compression);
    wr32(out + 20, static_cast<std::uint32_t>(pixelBytes));
    if (!core)
        std::memcpy(out + 24, header + 24, 8); // resolutions
    wr32(out + 32, static_cast<std::uint32_t>(kept));
    wr32(out + 36, static_cast<std::uint32_t>(kept));

    std::uint8_t* p = out + 40;
    if (maskBytes != 0 && !src.read(masksAt, p, static_cast<std::size_t>(maskBytes)))
        return fail(status, Status::Malformed);
    p += maskBytes;
    if (core) {
        // Widen blue, green, red to blue, green, red, 0, from the last entry
        // down so the widening can work in place.
        if (!src.read(tableAt, p, static_cast<std::size_t>(kept * 3)))
            return fail(status, Status::Malformed);
        for (std::uint64_t i = kept; i-- > 0;) {
            const std::uint8_t b = p[i * 3], g = p[i * 3 + 1], r = p[i * 3 + 2];
            p[i * 4] = b;
            p[i * 4 + 1] = g;
            p[i * 4 + 2] = r;
            p[i * 4 + 3] = 0;
        }
    } else if (!src.read(tableAt, p, static_cast<std::size_t>(kept * 4))) {
        return fail(status, Status::Malformed);
    }
    p += kept * 4;
    std::memset(p, 0, static_cast<std::size_t>(pixelBytes));
    if (storedBytes != 0 && !src.read(pixelsAt, p, static_cast<std::size_t>(storedBytes)))
        return fail(status, Status::Malformed);
    if (status)
        *status = Status::Ok;
    return dib;
}

} // namespace

PackedDib ReadBmpIntoDib(const std::string& name, Status* status)
{
    FileSource file(name);
    if (!file.isOpen())
        return fail(status, Status::CannotOpenInput);
    return readDib(file, status);
}

PackedDib ReadBmpIntoDib(std::span<const std::uint8_t> bytes, Status* status)
{
    return readDib(MemorySource(bytes), status);
}

} // namespace pictaf
