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
    case Status::NoSpace: return "no space left on the device";
    case Status::OutputExists: return "the output file exists";
    case Status::OutputIsInput: return "the output is the input file itself";
    case Status::InputIsDirectory: return "is a directory";
    case Status::TooLargeForGif: return "too large for a GIF, which holds at most 65535 x 65535 pixels";
    case Status::NotEnoughMemory: return "needs more memory than the machine can spare";
    }
    return "unknown";
}

} // namespace pictaf
