#include "engine/Status.h"

namespace pictaf {

const char* toString(Status status)
{
    switch (status) {
    case Status::Ok: return "ok";
    case Status::CannotOpenInput: return "cannot open the input file";
    case Status::UnrecognisedInput: return "not a placeable WMF, EMF or BMP file";
    case Status::Malformed: return "the input is damaged";
    case Status::Unsupported: return "unsupported input";
    case Status::TooLarge: return "the picture is too large";
    case Status::BadHandle: return "not a bitmap, metafile or enhanced metafile handle";
    case Status::BadSize: return "bad target size";
    case Status::OutOfMemory: return "out of memory";
    case Status::CannotOpenOutput: return "cannot open the output file";
    case Status::WriteFailed: return "cannot write the output file";
    }
    return "unknown";
}

} // namespace pictaf
