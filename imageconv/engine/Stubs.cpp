// Placeholder entries until the engine is built; each yields failure.
#include "engine/BmpWriter.h"
#include "engine/GifWriter.h"
#include "engine/Pipeline.h"

namespace pictaf {

const char* toString(Status status)
{
    switch (status) {
    case Status::Ok: return "ok";
    case Status::CannotOpenInput: return "cannot open the input file";
    case Status::UnrecognisedInput: return "not a placeable WMF, EMF or BMP file";
    case Status::Malformed: return "the input is damaged";
    case Status::Unsupported: return "unsupported input";
    case Status::BadHandle: return "not a bitmap, metafile or enhanced metafile handle";
    case Status::BadSize: return "bad target size";
    case Status::OutOfMemory: return "out of memory";
    case Status::CannotOpenOutput: return "cannot open the output file";
    case Status::WriteFailed: return "cannot write the output file";
    }
    return "unknown";
}

WorkBitmap LoadFileBitmap(const std::string&, std::int32_t, std::int32_t, ConversionFlags, std::uint32_t,
                          Status* status)
{
    if (status)
        *status = Status::Unsupported;
    return 0;
}

WorkBitmap RenderPictureBitmap(plat::HGDIOBJ, const TargetRect&, ConversionFlags, std::uint32_t, Status* status)
{
    if (status)
        *status = Status::Unsupported;
    return 0;
}

Status WriteGif(const std::string&, WorkBitmap, const TargetRect&, ConversionFlags, std::uint32_t)
{
    return Status::Unsupported;
}

Status WriteBmp(const std::string&, WorkBitmap) { return Status::Unsupported; }

} // namespace pictaf
