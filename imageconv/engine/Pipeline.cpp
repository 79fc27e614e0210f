#include "engine/Pipeline.h"

#include "engine/BmpReader.h"
#include "engine/MetafileLoaders.h"

#include <common/ByteReader.h>
#include <common/MetafileFormat.h>
#include <gdi/Dib.h>

#include <fcntl.h>
#include <limits>
#include <unistd.h>

namespace pictaf {

namespace {

WorkBitmap none(Status* status, Status why)
{
    if (status)
        *status = why;
    return 0;
}

// Reads exactly count bytes from the start of the file; false when the file
// can't be opened or is shorter.
bool readPrefix(const std::string& name, std::uint8_t* into, std::size_t count)
{
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::size_t have = 0;
    while (have < count) {
        const ssize_t got = ::read(fd, into + have, count - have);
        if (got <= 0)
            break;
        have += static_cast<std::size_t>(got);
    }
    ::close(fd);
    return have == count;
}

bool canOpen(const std::string& name)
{
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

Status fromDibStatus(plat::DibStatus s)
{
    switch (s) {
    case plat::DibStatus::Ok: return Status::Ok;
    case plat::DibStatus::Malformed: return Status::Malformed;
    case plat::DibStatus::Unsupported: return Status::Unsupported;
    case plat::DibStatus::TooLarge: return Status::TooLarge;
    }
    return Status::Malformed;
}

} // namespace

bool ProbeWmfFile(const std::string& name)
{
    std::uint8_t b[plat::kPlaceableHeaderSize];
    return readPrefix(name, b, sizeof b) && plat::ByteReader(b).u32() == plat::kPlaceableKey;
}

bool ProbeEmfFile(const std::string& name)
{
    std::uint8_t b[100];
    return readPrefix(name, b, sizeof b) && plat::ByteReader(b).u32() == plat::kEmfHeaderType;
}

bool ProbeBmpFile(const std::string& name)
{
    std::uint8_t b[14];
    return readPrefix(name, b, sizeof b) && b[0] == 'B' && b[1] == 'M';
}

std::int32_t ScaleDimension(std::uint32_t natural, std::int32_t percent)
{
    if (percent <= 0)
        return -1;
    const std::uint64_t scaled = std::uint64_t{natural} * static_cast<std::uint32_t>(percent) / 100;
    return scaled > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())
        ? -1
        : static_cast<std::int32_t>(scaled);
}

WorkBitmap LoadFileBitmap(const std::string& inputFile, std::int32_t scaleX, std::int32_t scaleY, ConversionFlags flags,
                          std::uint32_t bgColor, Status* status)
{
    if (ProbeWmfFile(inputFile))
        return LoadWmfFile(inputFile, scaleX, scaleY, flags, bgColor, status);
    if (ProbeEmfFile(inputFile))
        return LoadEmfFile(inputFile, scaleX, scaleY, flags, bgColor, status);
    if (ProbeBmpFile(inputFile))
        return LoadBmpFile(inputFile, scaleX, scaleY, flags, bgColor, status);
    return none(status, canOpen(inputFile) ? Status::UnrecognisedInput : Status::CannotOpenInput);
}

WorkBitmap RenderPictureBitmap(plat::HGDIOBJ picture, const TargetRect& target, ConversionFlags flags,
                               std::uint32_t bgColor, Status* status)
{
    switch (plat::GetObjectType(picture)) {
    case plat::OBJ_METAFILE: return RenderWmf(picture, target, flags, bgColor, status);
    case plat::OBJ_BITMAP: return StretchToSize(picture, target, status);
    case plat::OBJ_ENHMETAFILE: return RenderEmf(picture, target, flags, bgColor, status);
    default: return none(status, Status::BadHandle);
    }
}

WorkBitmap LoadBmpFile(const std::string& name, std::int32_t scaleX, std::int32_t scaleY, ConversionFlags,
                       std::uint32_t, Status* status)
{
    PackedDib dib = ReadBmpIntoDib(name, status);
    if (dib.empty())
        return 0;
    const plat::HGDIOBJ device = MakeDeviceBitmap(dib, status);
    PackedDib().swap(dib); // the pixels now live in the device bitmap; don't hold both
    if (device == 0)
        return 0;
    int width = 0, height = 0;
    plat::GetBitmapSize(device, width, height);
    const TargetRect target{0, 0, ScaleDimension(static_cast<std::uint32_t>(width), scaleX),
                            ScaleDimension(static_cast<std::uint32_t>(height), scaleY)};
    const WorkBitmap stretched = StretchToSize(device, target, status);
    plat::DeleteObject(device);
    return stretched;
}

plat::HGDIOBJ MakeDeviceBitmap(const PackedDib& dib, Status* status)
{
    plat::DibStatus dibStatus = plat::DibStatus::Malformed;
    const plat::HGDIOBJ bitmap = plat::CreateDIBitmap(dib, &dibStatus);
    if (status)
        *status = fromDibStatus(dibStatus);
    return bitmap;
}

WorkBitmap StretchToSize(plat::HGDIOBJ bitmap, const TargetRect& target, Status* status)
{
    if (plat::GetObjectType(bitmap) != plat::OBJ_BITMAP)
        return none(status, Status::BadHandle);
    const std::int64_t width = std::int64_t{target.right} - target.left;
    const std::int64_t height = std::int64_t{target.bottom} - target.top;
    if (!plat::IsAcceptableBitmapSize(width, height))
        return none(status, Status::BadSize);
    const WorkBitmap stretched = plat::StretchBitmap(bitmap, static_cast<int>(width), static_cast<int>(height));
    if (stretched == 0)
        return none(status, Status::OutOfMemory);
    if (status)
        *status = Status::Ok;
    return stretched;
}

PackedDib CaptureDib24(plat::HGDIOBJ bitmap)
{
    PackedDib dib;
    const std::size_t size = plat::GetDIBits24Size(bitmap);
    if (size == 0)
        return dib;
    try {
        dib.resize(size);
    } catch (const std::bad_alloc&) {
        return {};
    }
    if (!plat::GetDIBits24Into(bitmap, dib))
        return {};
    return dib;
}

} // namespace pictaf
