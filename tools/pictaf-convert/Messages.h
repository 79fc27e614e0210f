// Where pictaf-convert's own lines go. Decoder libraries (libpng, libtiff)
// print complaints of their own on the C library's stderr stream, which would
// break the promise of one line per failure; once QuietLibraryOutput() has
// run, that stream leads nowhere and the program's lines go to the original
// standard error through a stream of their own. The descriptor itself stays,
// so what the system writes there (an abort's reason) still shows.
#pragma once

#include <cstdio>

namespace pictaf::convert {

// The program's own stream; the C library's stderr until QuietLibraryOutput().
std::FILE* Messages();

// Safe to call once, before any other thread starts.
void QuietLibraryOutput();

} // namespace pictaf::convert
