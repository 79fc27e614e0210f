// Placeable Windows metafiles and enhanced metafiles, as files and as
// handles, rendered onto white work bitmaps.
//
// Placeable file layout (all little-endian):
//   0  key 0x9AC6CDD7          4  handle (unused)
//   6  left, top, right, bottom (signed 16-bit, metafile units)
//  14  units per inch           16  reserved (32 bits)   20  checksum
//  22  standard header (18 bytes; its 32-bit size in words at +6), records
#include "engine/MetafileLoaders.h"

#include <common/ByteReader.h>
#include <common/MetafileFormat.h>
#include <gdi/DeviceContext.h>
#include <gdi/GdiConstants.h>
#include <metafile/EnhancedMetafile.h>
#include <metafile/WindowsMetafile.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <vector>

namespace pictaf {

namespace {

constexpr std::size_t kStandardHeaderSize = 18;

WorkBitmap fail(Status* status, Status reason)
{
    if (status)
        *status = reason;
    return 0;
}

// n x p / 100 as an unsigned 32-bit product with a 64-bit intermediate,
// truncating; the same rule gives the natural size from units per inch.
std::uint32_t mulDiv(std::uint32_t n, std::uint32_t p, std::uint32_t q)
{
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(n) * p / q);
}

// A blank white work bitmap of the target's size, or 0.
WorkBitmap whiteBitmap(const TargetRect& target, Status* status)
{
    const std::int64_t width = std::int64_t{target.right} - target.left;
    const std::int64_t height = std::int64_t{target.bottom} - target.top;
    if (!plat::IsAcceptableBitmapSize(width, height))
        return fail(status, Status::BadSize);
    const WorkBitmap bitmap = plat::CreateCompatibleBitmap(static_cast<int>(width), static_cast<int>(height));
    if (!bitmap)
        return fail(status, Status::OutOfMemory);
    return bitmap;
}

void fillWhite(plat::DeviceContext& dc, const TargetRect& target)
{
    plat::gdi::LogBrush white;
    white.style = plat::gdi::BS_SOLID;
    white.color = 0xFFFFFF;
    const plat::gdi::LogBrush previous = dc.selectBrush(white);
    // PatBlt takes x, y, width, height: the rectangle's left, top, right and
    // bottom are passed as they are, which with left = top = 0 is the whole bitmap.
    dc.PatBlt(target.left, target.top, target.right, target.bottom, plat::gdi::PATCOPY);
    dc.selectBrush(previous);
}

} // namespace

WorkBitmap RenderWmf(plat::HGDIOBJ metafile, const TargetRect& target, ConversionFlags, std::uint32_t, Status* status)
{
    if (plat::GetObjectType(metafile) != plat::OBJ_METAFILE)
        return fail(status, Status::BadHandle);
    const WorkBitmap bitmap = whiteBitmap(target, status);
    if (!bitmap)
        return 0;
    {
        plat::DeviceContext dc(bitmap);
        // The metafile's own window records choose its logical space; the
        // viewport maps that onto the whole target.
        dc.SetMapMode(plat::gdi::MM_ANISOTROPIC);
        dc.SetViewportExtEx(target.width(), target.height());
        dc.SetViewportOrgEx(0, 0);
        fillWhite(dc, target);
        plat::PlayMetaFile(dc, metafile);
    }
    if (status)
        *status = Status::Ok;
    return bitmap;
}

WorkBitmap RenderEmf(plat::HGDIOBJ enhMetafile, const TargetRect& target, ConversionFlags, std::uint32_t,
                     Status* status)
{
    if (plat::GetObjectType(enhMetafile) != plat::OBJ_ENHMETAFILE)
        return fail(status, Status::BadHandle);
    const WorkBitmap bitmap = whiteBitmap(target, status);
    if (!bitmap)
        return 0;
    {
        plat::DeviceContext dc(bitmap);
        fillWhite(dc, target);
        plat::PlayEnhMetaFile(dc, enhMetafile, QRectF(target.left, target.top, target.width(), target.height()));
    }
    if (status)
        *status = Status::Ok;
    return bitmap;
}

WorkBitmap LoadWmfFile(const std::string& name, std::int32_t scaleX, std::int32_t scaleY, ConversionFlags flags,
                       std::uint32_t bgColor, Status* status)
{
    std::ifstream in(name, std::ios::binary);
    if (!in)
        return fail(status, Status::CannotOpenInput);
    std::array<std::uint8_t, plat::kPlaceableHeaderSize + kStandardHeaderSize> head{};
    if (!in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size())))
        return fail(status, Status::Malformed);
    plat::PlaceableHeader placeable;
    plat::readPlaceableHeader(head, placeable);
    const std::int16_t left = placeable.left, top = placeable.top, right = placeable.right, bottom = placeable.bottom;
    std::uint16_t unitsPerInch = placeable.unitsPerInch;
    plat::MetaHeader standard;
    plat::ReadMetaHeader(std::span(head).subspan(plat::kPlaceableHeaderSize), standard);
    const std::uint64_t claimed = std::uint64_t{standard.sizeWords} * 2;

    // The standard header's size field counts the header and all records.
    // It is often wrong: short by the placeable header, or simply too large.
    // Never allocate more than the file holds; a shorter block reads as if
    // the missing tail were zeros, which end the records.
    in.seekg(0, std::ios::end);
    const std::streamoff fileSize = in.tellg();
    if (fileSize < static_cast<std::streamoff>(plat::kPlaceableHeaderSize))
        return fail(status, Status::Malformed);
    const std::uint64_t available = static_cast<std::uint64_t>(fileSize) - plat::kPlaceableHeaderSize;
    const std::uint64_t blockSize = std::min({claimed, available, plat::kMaxMetafileBytes});
    std::vector<std::uint8_t> block;
    try {
        block.assign(static_cast<std::size_t>(blockSize), 0);
    } catch (const std::bad_alloc&) {
        return fail(status, Status::OutOfMemory);
    }
    in.seekg(static_cast<std::streamoff>(plat::kPlaceableHeaderSize), std::ios::beg);
    in.read(reinterpret_cast<char*>(block.data()), static_cast<std::streamsize>(block.size()));
    const plat::HGDIOBJ metafile = plat::SetMetaFileBitsEx(block);
    if (!metafile)
        return fail(status, Status::Malformed);

    if (unitsPerInch == 0)
        unitsPerInch = plat::kDefaultUnitsPerInch;
    // Differences of 16-bit values, taken as unsigned like every size here:
    // a box whose right is left of its left asks for an impossible bitmap.
    const auto spanX = static_cast<std::uint32_t>(static_cast<std::int32_t>(right) - left);
    const auto spanY = static_cast<std::uint32_t>(static_cast<std::int32_t>(bottom) - top);
    const std::uint32_t naturalWidth = mulDiv(spanX, static_cast<std::uint32_t>(plat::LogPixelsX()), unitsPerInch);
    const std::uint32_t naturalHeight = mulDiv(spanY, static_cast<std::uint32_t>(plat::LogPixelsY()), unitsPerInch);
    TargetRect target;
    target.right = static_cast<std::int32_t>(mulDiv(naturalWidth, static_cast<std::uint32_t>(scaleX), 100));
    target.bottom = static_cast<std::int32_t>(mulDiv(naturalHeight, static_cast<std::uint32_t>(scaleY), 100));
    const WorkBitmap bitmap = RenderWmf(metafile, target, flags, bgColor, status);
    plat::DeleteMetaFile(metafile);
    return bitmap;
}

WorkBitmap LoadEmfFile(const std::string& name, std::int32_t scaleX, std::int32_t scaleY, ConversionFlags flags,
                       std::uint32_t bgColor, Status* status)
{
    if (!std::ifstream(name, std::ios::binary))
        return fail(status, Status::CannotOpenInput);
    const plat::HGDIOBJ metafile = plat::GetEnhMetaFileA(name);
    if (!metafile)
        return fail(status, Status::Malformed);
    std::array<std::uint8_t, 100> header{};
    plat::GetEnhMetaFileHeader(metafile, header);
    // Bounds: left, top, right, bottom at offsets 8..20, reference pixels.
    plat::ByteReader bounds(header, 8);
    const std::int32_t left = bounds.i32(), top = bounds.i32(), right = bounds.i32(), bottom = bounds.i32();
    const std::int64_t width = std::int64_t{right} - left;
    const std::int64_t height = std::int64_t{bottom} - top;
    TargetRect target;
    target.right =
        static_cast<std::int32_t>(mulDiv(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(scaleX), 100));
    target.bottom =
        static_cast<std::int32_t>(mulDiv(static_cast<std::uint32_t>(height), static_cast<std::uint32_t>(scaleY), 100));
    const WorkBitmap bitmap = RenderEmf(metafile, target, flags, bgColor, status);
    plat::DeleteEnhMetaFile(metafile);
    return bitmap;
}

} // namespace pictaf
