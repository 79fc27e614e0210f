#include "engine/ByteSink.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pictaf {

ByteSink::~ByteSink() = default;

FileSink::FileSink(std::size_t bufferSize) : buffer_(std::max<std::size_t>(bufferSize, 1)) {}

FileSink::~FileSink()
{
    if (fd_ >= 0)
        discard();
}

Status FileSink::open(const std::string& name)
{
    if (fd_ >= 0)
        return Status::CannotOpenOutput;
    fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        fail();
        return Status::CannotOpenOutput;
    }
    struct stat st {};
    regular_ = ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode);
    name_ = name;
    return Status::Ok;
}

void FileSink::put(const std::uint8_t* data, std::size_t count)
{
    if (fd_ < 0) {
        fail();
        return;
    }
    while (count > 0) {
        if (used_ == buffer_.size() && !flush())
            return;
        const std::size_t n = std::min(count, buffer_.size() - used_);
        std::memcpy(buffer_.data() + used_, data, n);
        used_ += n;
        data += n;
        count -= n;
    }
}

bool FileSink::flush()
{
    std::size_t done = 0;
    while (done < used_) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, used_ - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            fail();
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    used_ = 0;
    return true;
}

Status FileSink::finish()
{
    if (fd_ < 0)
        return Status::CannotOpenOutput;
    if (!failed())
        flush();
    if (failed()) {
        discard();
        return Status::WriteFailed;
    }
    const int rc = ::close(fd_);
    fd_ = -1;
    if (rc != 0) {
        if (regular_)
            ::unlink(name_.c_str());
        return Status::WriteFailed;
    }
    return Status::Ok;
}

void FileSink::discard()
{
    ::close(fd_);
    fd_ = -1;
    // Only a file this sink made or truncated is removed; devices stay.
    if (regular_)
        ::unlink(name_.c_str());
}

} // namespace pictaf
