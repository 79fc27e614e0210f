#include "MetafilePicture.h"

#include <common/ByteReader.h>
#include <common/MetafileFormat.h>
#include <gdi/DeviceContext.h>
#include <gdi/GdiConstants.h>
#include <gdi/GdiObjects.h>
#include <metafile/EnhancedMetafile.h>
#include <metafile/WindowsMetafile.h>

#include <cmath>
#include <cstdint>
#include <span>

namespace MetafilePicture {

namespace {

std::span<const std::uint8_t> bytesFrom(const QByteArray& b, int at = 0)
{
    return {reinterpret_cast<const std::uint8_t*>(b.constData()) + at, static_cast<std::size_t>(b.size() - at)};
}

Rendered failed(Result result, const QString& reason) { return {result, {}, reason}; }

// A white picture of the given size, or the reason there is none.
Rendered blank(std::int64_t width, std::int64_t height)
{
    if (width <= 0 || height <= 0)
        return failed(Result::Damaged, QStringLiteral("the metafile gives itself no size"));
    if (!plat::IsAcceptableBitmapSize(width, height))
        return failed(Result::TooLarge, QStringLiteral("%1 x %2 pixels").arg(width).arg(height));
    QImage picture(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
    if (picture.isNull())
        return failed(Result::TooLarge, QStringLiteral("not enough memory for %1 x %2 pixels").arg(width).arg(height));
    picture.fill(Qt::white);
    return {Result::Ok, picture, {}};
}

Rendered renderPlaceable(const QByteArray& bytes)
{
    plat::PlaceableHeader header;
    if (!plat::readPlaceableHeader(bytesFrom(bytes), header)
        || bytes.size() < static_cast<qsizetype>(plat::kPlaceableHeaderSize))
        return failed(Result::Damaged, QStringLiteral("the metafile header is cut short"));
    const std::int16_t left = header.left, top = header.top;
    // 0 units per inch is read as the conversion control reads it.
    const std::int64_t unitsPerInch = header.unitsPerInch ? header.unitsPerInch : plat::kDefaultUnitsPerInch;
    const std::int64_t spanX = std::int64_t{header.right} - left, spanY = std::int64_t{header.bottom} - top;
    Rendered out = blank(spanX * plat::LogPixelsX() / unitsPerInch, spanY * plat::LogPixelsY() / unitsPerInch);
    if (out.result != Result::Ok)
        return out;

    const plat::HGDIOBJ metafile =
        plat::SetMetaFileBitsEx(bytesFrom(bytes, static_cast<int>(plat::kPlaceableHeaderSize)));
    if (!metafile)
        return failed(Result::Damaged, QStringLiteral("no metafile header after the placeable header"));
    {
        // The bounding box is the picture; records that set their own
        // window replace it, as they do on any display.
        plat::DeviceContext dc(&out.picture);
        dc.SetMapMode(plat::gdi::MM_ANISOTROPIC);
        dc.SetWindowOrgEx(left, top);
        dc.SetWindowExtEx(static_cast<double>(spanX), static_cast<double>(spanY));
        dc.SetViewportOrgEx(0, 0);
        dc.SetViewportExtEx(out.picture.width(), out.picture.height());
        plat::PlayMetaFile(dc, metafile);
    }
    plat::DeleteMetaFile(metafile);
    return out;
}

Rendered renderEnhanced(const QByteArray& bytes)
{
    plat::EnhMetaHeader header;
    if (!plat::ReadEnhMetaHeader(bytesFrom(bytes), header))
        return failed(Result::Damaged, QStringLiteral("the enhanced metafile header is damaged"));
    // The frame (hundredths of a millimetre, inclusive) is the picture's
    // own size; files without one fall back to their bounds in pixels.
    std::int64_t width =
        std::llround((std::int64_t{header.frame.right} - header.frame.left) * plat::LogPixelsX() / 2540.0);
    std::int64_t height =
        std::llround((std::int64_t{header.frame.bottom} - header.frame.top) * plat::LogPixelsY() / 2540.0);
    if (width <= 0 || height <= 0) {
        width = std::int64_t{header.bounds.right} - header.bounds.left + 1;
        height = std::int64_t{header.bounds.bottom} - header.bounds.top + 1;
    }
    Rendered out = blank(width, height);
    if (out.result != Result::Ok)
        return out;
    const plat::HGDIOBJ metafile = plat::SetEnhMetaFileBits(bytesFrom(bytes));
    if (!metafile)
        return failed(Result::Damaged, QStringLiteral("the enhanced metafile is damaged"));
    {
        plat::DeviceContext dc(&out.picture);
        plat::PlayEnhMetaFile(dc, metafile, QRectF(0, 0, out.picture.width(), out.picture.height()));
    }
    plat::DeleteEnhMetaFile(metafile);
    return out;
}

} // namespace

Kind kindOf(const QByteArray& head)
{
    plat::ByteReader r(bytesFrom(head));
    const std::uint32_t first = r.u32();
    if (head.size() >= static_cast<qsizetype>(plat::kPlaceableHeaderSize) && first == plat::kPlaceableKey)
        return Kind::Placeable;
    r.seek(40);
    if (first == plat::kEmfHeaderType && r.u32() == plat::kEmfSignature && r.ok())
        return Kind::Enhanced;
    return Kind::None;
}

Rendered render(const QByteArray& bytes, Kind kind)
{
    switch (kind) {
    case Kind::Placeable: return renderPlaceable(bytes);
    case Kind::Enhanced: return renderEnhanced(bytes);
    case Kind::None: break;
    }
    return failed(Result::Damaged, QStringLiteral("not a metafile"));
}

} // namespace MetafilePicture
