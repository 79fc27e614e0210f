// Outcome of an engine operation. The control reports none of these to its
// caller (its methods always succeed); the command-line tool turns them into
// messages.
#pragma once

namespace pictaf {

enum class Status {
    Ok,
    CannotOpenInput,   // missing or unreadable input file
    UnrecognisedInput, // matches none of the placeable WMF, EMF and BMP signatures
    Malformed,         // input whose header or data is damaged
    Unsupported,       // well-formed input of a kind the engine does not handle
    TooLarge,          // input dimensions beyond the platform's bitmap ceilings
    BadHandle,         // a picture handle that is no bitmap, metafile or enhanced metafile
    BadSize,           // zero, negative or too large a target size
    OutOfMemory,
    CannotOpenOutput,
    WriteFailed,
    NoSpace,       // the output's file system is full (or the user's quota used up)
    OutputExists,  // not replaced on request
    OutputIsInput, // the output names the input file itself
    InputIsDirectory,
    TooLargeForGif,  // wider or higher than GIF's 16-bit sizes hold
    NotEnoughMemory, // the conversion would need more memory than the machine can spare
};

const char* toString(Status status);

} // namespace pictaf
