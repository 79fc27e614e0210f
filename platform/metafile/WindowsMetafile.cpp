#include "metafile/WindowsMetafile.h"

#include "common/ByteReader.h"
#include "gdi/DeviceContext.h"
#include "metafile/WmfPlayer.h"

namespace plat {

WindowsMetafile::WindowsMetafile(MetaHeader header, std::vector<std::uint8_t> bytes)
    : header_(header), bytes_(std::move(bytes))
{
}

bool ReadMetaHeader(std::span<const std::uint8_t> bytes, MetaHeader& header)
{
    ByteReader r(bytes);
    header.type = r.u16();
    header.headerWords = r.u16();
    header.version = r.u16();
    header.sizeWords = r.u32();
    header.objects = r.u16();
    header.maxRecordWords = r.u32();
    r.u16(); // parameter count, unused
    return r.ok() && (header.type == 1 || header.type == 2) && header.headerWords == 9
        && (header.version == 0x0100 || header.version == 0x0300);
}

HGDIOBJ SetMetaFileBitsEx(std::span<const std::uint8_t> bytes)
{
    MetaHeader header;
    if (!ReadMetaHeader(bytes, header))
        return 0;
    return RegisterObject(
        std::make_shared<WindowsMetafile>(header, std::vector<std::uint8_t>(bytes.begin(), bytes.end())));
}

std::shared_ptr<WindowsMetafile> LookupMetafile(HGDIOBJ handle)
{
    auto object = LookupObject(handle);
    if (!object || object->type() != OBJ_METAFILE)
        return nullptr;
    return std::static_pointer_cast<WindowsMetafile>(object);
}

bool DeleteMetaFile(HGDIOBJ handle) { return LookupMetafile(handle) ? DeleteObject(handle) : false; }

PlaybackResult PlayMetaFile(DeviceContext& dc, HGDIOBJ metafile)
{
    auto mf = LookupMetafile(metafile);
    if (!mf || !dc.isValid())
        return {};
    dc.beginPlayback();
    metafile::WmfPlayer player(dc, mf->bytes(), mf->header());
    const PlaybackResult result = player.play();
    dc.endPlayback();
    return result;
}

} // namespace plat
