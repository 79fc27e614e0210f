// The metafile branches of the engine: placeable Windows metafiles and
// enhanced metafiles, as files and as handles.
#pragma once

#include "engine/Pipeline.h"

namespace pictaf {

WorkBitmap LoadWmfFile(const std::string& name, std::int32_t scaleX, std::int32_t scaleY, ConversionFlags flags,
                       std::uint32_t bgColor, Status* status = nullptr);
WorkBitmap LoadEmfFile(const std::string& name, std::int32_t scaleX, std::int32_t scaleY, ConversionFlags flags,
                       std::uint32_t bgColor, Status* status = nullptr);
WorkBitmap RenderWmf(plat::HGDIOBJ metafile, const TargetRect& target, ConversionFlags flags, std::uint32_t bgColor,
                     Status* status = nullptr);
WorkBitmap RenderEmf(plat::HGDIOBJ enhMetafile, const TargetRect& target, ConversionFlags flags, std::uint32_t bgColor,
                     Status* status = nullptr);

} // namespace pictaf
