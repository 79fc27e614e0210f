// The registry's file form: REGEDIT4 text, one section per key, e.g.
//
//   REGEDIT4
//
//   [HKEY_CLASSES_ROOT\Pictaform.Pictaform\CurVer]
//   @="Pictaform.Pictaform.1"
//   "Count"=dword:0000abcd
//   "Blob"=hex:01,02,ff
//
// Strings escape backslash and double quote with a backslash; a line feed is
// written as \n (our addition: the old format has no way to hold one). The
// file is UTF-8. Values that the string and dword forms cannot hold exactly
// (a string with an inner or missing zero byte, a dword that is not 4 bytes,
// any other type) are written as hex(type):bytes so that nothing is lost.
//
// Reading is tolerant of what people and other tools write: a UTF-8 byte
// order mark, CR LF line ends, the version-5 header line, blank lines, ';'
// comments, spaces around '=', short names of the roots (HKCR), wrapped hex
// lines ending in '\', and the deletion forms [-KEY] and "Name"=-. It is
// strict about the rest: a file it cannot parse is refused with the line and
// the reason, never guessed at.
#pragma once

#include "registry/RegistryTree.h"

#include <string>
#include <string_view>

namespace plat {

enum class RegistryFileStatus {
    Ok,
    NotARegistryFile, // no REGEDIT4 header line
    Malformed,        // a line that is no section, value, comment or blank
    Unsupported,      // UTF-16 text, which regedit's version-5 files use
    TooLarge,         // beyond kMaxRegistryFileSize
};
PLATFORM_EXPORT const char* toString(RegistryFileStatus status);

constexpr std::size_t kMaxRegistryFileSize = 64u << 20;

struct RegistryParseResult {
    RegistryFileStatus status = RegistryFileStatus::Ok;
    int line = 0;        // 1-based line of the problem, 0 when none
    std::string message; // what was wrong there
    PLATFORM_EXPORT std::string describe() const;
};

class PLATFORM_EXPORT RegistryFile {
public:
    // Parses text into tree (which receives the keys; deletions act on it).
    static RegistryParseResult parse(std::string_view text, RegistryTree& tree);
    static std::string format(const RegistryTree& tree);
};

} // namespace plat
