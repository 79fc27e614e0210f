// An output file that is written in full or not at all, and that never
// replaces what it was not asked to replace.
//
// Where the bytes go is decided by what the name is when open() looks:
// - a regular file, or nothing yet: a temporary file in the same folder,
//   renamed over the name once every byte is written; a failed or abandoned
//   output leaves the old file as it was. The temporary file is unnamed while
//   it is written (Linux O_TMPFILE), so even a killed process leaves nothing;
//   where the file system can't do that, a hidden named one is used and
//   RemovePendingOutputs() can clear it from a signal handler.
// - a symbolic link: the same, at the end of the link chain, so the link stays
//   a link and its target gets the new content.
// - a device, FIFO or descriptor link (/dev/stdout, /dev/fd/N): written
//   directly, never renamed over.
// - a directory: refused.
// Nothing is created until the first byte is written (or finish() on an
// empty output), so a writer that fails before writing leaves no trace.
#pragma once

#include "engine/ByteSink.h"
#include "engine/Status.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pictaf {

class OutputFile final : public ByteSink {
public:
    // bufferSize: bytes gathered per write call (tests use tiny ones).
    explicit OutputFile(std::size_t bufferSize = 1 << 16);
    ~OutputFile() override; // an unfinished output is discarded
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // noClobber: an existing output (at the end of its links) is not
    // replaced; finish() then gives OutputExists and writes nothing.
    Status open(const std::string& name, bool noClobber = false);
    // Writes to a descriptor the caller owns (standard output); not closed.
    Status openDescriptor(int fd);
    // Ok when every byte reached its place and the file has its name.
    Status finish();
    // Uses a hidden named temporary even where an unnamed one is possible:
    // the way every output goes on file systems without unnamed files, and
    // how tests reach that way.
    void preferNamedTemporary() { namedOnly_ = true; }

    // Why the last operation failed (an errno value), 0 when not known.
    int error() const { return error_; }
    std::uint64_t bytesWritten() const { return written_; }

protected:
    void put(const std::uint8_t* data, std::size_t count) override;

private:
    enum class Mode { None, Replace, Direct, Descriptor };
    bool create();
    bool flush();
    void failWith(Status status, int error);
    void discard();
    bool commit();

    Mode mode_ = Mode::None;
    bool noClobber_ = false;
    bool created_ = false;
    bool unnamed_ = false; // O_TMPFILE: no name until committed
    bool namedOnly_ = false;
    bool existed_ = true; // the name was taken when open() looked
    int fd_ = -1;
    int slot_ = -1;         // pending-name slot of a named temporary
    std::string name_;      // as given, for direct writes
    std::string target_;    // the regular file finally written
    std::string temporary_; // named temporary, when there is one
    Status status_ = Status::Ok;
    int error_ = 0;
    std::uint64_t written_ = 0;
    const std::size_t bufferSize_;
    std::vector<std::uint8_t> buffer_;
    std::size_t used_ = 0;
};

// True when both names lead to one existing file (through links, or hard
// links to one inode). Used to refuse writing a picture over its own source.
bool SameFile(const std::string& a, const std::string& b);

// Removes the named temporary files of outputs still being written. Safe to
// call from a signal handler; the outputs themselves then fail.
void RemovePendingOutputs() noexcept;

} // namespace pictaf
