// How a metafile playback ended.
#pragma once

#include <cstddef>

namespace plat {

enum class PlaybackStatus {
    Complete,     // played to its end record (or to the end of its data)
    BadRecord,    // stopped at a damaged record; what came before is drawn
    NotAMetafile, // the handle names no metafile of the right kind, or the context is unusable
};

struct PlaybackResult {
    PlaybackStatus status = PlaybackStatus::NotAMetafile;
    std::size_t recordsPlayed = 0;
    std::size_t badRecordOffset = 0; // byte offset of the damaged record
};

} // namespace plat
