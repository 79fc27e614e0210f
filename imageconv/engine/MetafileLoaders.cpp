// Placeholder until metafile playback exists: every metafile yields none.
#include "engine/MetafileLoaders.h"

namespace pictaf {

namespace {
WorkBitmap unsupported(Status* status)
{
    if (status)
        *status = Status::Unsupported;
    return 0;
}
} // namespace

WorkBitmap LoadWmfFile(const std::string&, std::int32_t, std::int32_t, ConversionFlags, std::uint32_t, Status* status)
{
    return unsupported(status);
}

WorkBitmap LoadEmfFile(const std::string&, std::int32_t, std::int32_t, ConversionFlags, std::uint32_t, Status* status)
{
    return unsupported(status);
}

WorkBitmap RenderWmf(plat::HGDIOBJ, const TargetRect&, ConversionFlags, std::uint32_t, Status* status)
{
    return unsupported(status);
}

WorkBitmap RenderEmf(plat::HGDIOBJ, const TargetRect&, ConversionFlags, std::uint32_t, Status* status)
{
    return unsupported(status);
}

} // namespace pictaf
