#include "engine/OutputFile.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace pictaf {

namespace {

// Names of temporary files that exist on disk right now. A signal handler
// may read them at any moment, so a slot is filled before its name is
// published (state 2) and emptied after the file is gone.
struct PendingName {
    std::atomic<int> state{0}; // 0 free, 1 being filled, 2 names a file that may exist
    char path[PATH_MAX] = {};
};
constexpr int kPendingSlots = 256;
// Zero from the start (no constructor runs, no page is touched until used).
constinit PendingName pendingNames[kPendingSlots];

int acquireSlot()
{
    for (int i = 0; i < kPendingSlots; ++i) {
        int expected = 0;
        if (pendingNames[i].state.compare_exchange_strong(expected, 1))
            return i;
    }
    return -1; // more outputs at once than slots: the name goes unregistered
}

void publish(int slot, const std::string& path)
{
    if (slot < 0 || path.size() >= PATH_MAX)
        return;
    pendingNames[slot].state.store(1);
    std::memcpy(pendingNames[slot].path, path.c_str(), path.size() + 1);
    pendingNames[slot].state.store(2);
}

void releaseSlot(int& slot)
{
    if (slot >= 0)
        pendingNames[slot].state.store(0);
    slot = -1;
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name beside target that nothing else uses: hidden, with a random tail.
std::string temporaryName(const std::string& target)
{
    thread_local std::uint64_t state =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())
        ^ (std::hash<std::thread::id>()(std::this_thread::get_id()) << 1) ^ static_cast<std::uint64_t>(::getpid());
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string name = folderOf(target) + "/." + baseOf(target) + ".";
    for (int i = 0; i < 8; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        name += kLetters[state % (sizeof kLetters - 1)];
    }
    return name;
}

// "/dev/fd/N", "/proc/self/fd/N" or "/proc/<this process>/fd/N": N, else -1.
int descriptorOf(const std::string& path)
{
    std::string tail;
    const std::string own = "/proc/" + std::to_string(::getpid()) + "/fd/";
    for (const std::string& prefix : {std::string("/dev/fd/"), std::string("/proc/self/fd/"), own}) {
        if (path.compare(0, prefix.size(), prefix) == 0) {
            tail = path.substr(prefix.size());
            break;
        }
    }
    if (tail.empty() || tail.size() > 9 || !std::all_of(tail.begin(), tail.end(), ::isdigit))
        return -1;
    return std::stoi(tail);
}

bool procFdAvailable()
{
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

Status statusOfWriteError(int error)
{
    return error == ENOSPC || error == EDQUOT ? Status::NoSpace : Status::WriteFailed;
}

} // namespace

OutputFile::OutputFile(std::size_t bufferSize) : bufferSize_(std::max<std::size_t>(bufferSize, 1)) {}

OutputFile::~OutputFile() { discard(); }

void OutputFile::failWith(Status status, int error)
{
    if (status_ == Status::Ok) {
        status_ = status;
        error_ = error;
    }
    fail();
}

Status OutputFile::open(const std::string& name, bool noClobber)
{
    if (mode_ != Mode::None) {
        failWith(Status::CannotOpenOutput, EBUSY);
        return status_;
    }
    name_ = name;
    noClobber_ = noClobber;
    if (name.empty()) {
        failWith(Status::CannotOpenOutput, ENOENT);
        return status_;
    }
    std::string path = name;
    for (int hops = 0;; ++hops) {
        if (hops > 40) {
            failWith(Status::CannotOpenOutput, ELOOP);
            return status_;
        }
        if (const int fd = descriptorOf(path); fd >= 0) {
            // One of this process's own descriptors (/dev/stdout leads here):
            // write to it as the shell set it up.
            return openDescriptor(fd);
        }
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) {
            if (errno != ENOENT) {
                failWith(Status::CannotOpenOutput, errno);
                return status_;
            }
            target_ = path; // a new file; whether its folder takes it shows on creation
            mode_ = Mode::Replace;
            existed_ = false;
            break;
        }
        if (S_ISLNK(st.st_mode)) {
            if (path.compare(0, 6, "/proc/") == 0) {
                // Other magic links of the process file system name no place
                // a file can be put beside: write through them directly.
                target_ = path;
                mode_ = Mode::Direct;
                break;
            }
            std::string link(PATH_MAX, '\0');
            const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
            if (n < 0 || static_cast<std::size_t>(n) >= link.size()) {
                failWith(Status::CannotOpenOutput, n < 0 ? errno : ENAMETOOLONG);
                return status_;
            }
            link.resize(static_cast<std::size_t>(n));
            path = link.front() == '/' ? link : folderOf(path).append("/").append(link);
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            failWith(Status::CannotOpenOutput, EISDIR);
            return status_;
        }
        target_ = path;
        if (S_ISREG(st.st_mode)) {
            if (noClobber) {
                failWith(Status::OutputExists, EEXIST);
                return status_;
            }
            mode_ = Mode::Replace;
        } else {
            mode_ = Mode::Direct; // devices, FIFOs, sockets are written, never replaced
        }
        break;
    }
    buffer_.resize(bufferSize_);
    return Status::Ok;
}

Status OutputFile::openDescriptor(int fd)
{
    if (mode_ != Mode::None || fd < 0) {
        failWith(Status::CannotOpenOutput, EBADF);
        return status_;
    }
    fd_ = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (fd_ < 0) {
        failWith(Status::CannotOpenOutput, errno);
        return status_;
    }
    mode_ = Mode::Descriptor;
    created_ = true;
    buffer_.resize(bufferSize_);
    return Status::Ok;
}

bool OutputFile::create()
{
    created_ = true;
    if (mode_ == Mode::Direct) {
        fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd_ < 0) {
            failWith(Status::CannotOpenOutput, errno);
            return false;
        }
        struct stat st {};
        if (::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && ::ftruncate(fd_, 0) != 0) {
            failWith(Status::CannotOpenOutput, errno);
            return false;
        }
        return true;
    }
    if (mode_ != Mode::Replace) {
        failWith(Status::CannotOpenOutput, EBADF);
        return false;
    }
    // The replaced file's permissions carry over; a new file gets what the
    // umask leaves of 0666, as any program's new file does.
    struct stat old {};
    const bool replacing = ::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    const std::string folder = folderOf(target_);
    if (!namedOnly_ && procFdAvailable()) {
        fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        unnamed_ = fd_ >= 0;
        if (fd_ < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            failWith(errno == ENOSPC || errno == EDQUOT ? Status::NoSpace : Status::CannotOpenOutput, errno);
            return false;
        }
    }
    if (fd_ < 0) {
        slot_ = acquireSlot();
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            temporary_ = temporaryName(target_);
            publish(slot_, temporary_);
            fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ < 0 && errno != EEXIST)
                break;
        }
        if (fd_ < 0) {
            failWith(errno == ENOSPC || errno == EDQUOT ? Status::NoSpace : Status::CannotOpenOutput, errno);
            temporary_.clear();
            releaseSlot(slot_);
            return false;
        }
    }
    if (replacing)
        ::fchmod(fd_, old.st_mode & 0777);
    return true;
}

void OutputFile::put(const std::uint8_t* data, std::size_t count)
{
    if (!created_ && !create())
        return;
    if (fd_ < 0) {
        failWith(Status::CannotOpenOutput, EBADF);
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

bool OutputFile::flush()
{
    std::size_t done = 0;
    while (done < used_) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, used_ - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            failWith(statusOfWriteError(n < 0 ? errno : ENOSPC), n < 0 ? errno : ENOSPC);
            return false;
        }
        done += static_cast<std::size_t>(n);
        written_ += static_cast<std::uint64_t>(n);
    }
    used_ = 0;
    return true;
}

Status OutputFile::finish()
{
    if (mode_ == Mode::None && status_ == Status::Ok)
        failWith(Status::CannotOpenOutput, EBADF);
    if (!failed() && !created_)
        create();
    if (!failed())
        flush();
    if (failed() || !commit()) {
        discard();
        return status_;
    }
    mode_ = Mode::None;
    return Status::Ok;
}

bool OutputFile::commit()
{
    if (mode_ == Mode::Descriptor || mode_ == Mode::Direct) {
        const int rc = ::close(fd_);
        fd_ = -1;
        if (rc != 0 && errno != EINTR) {
            failWith(statusOfWriteError(errno), errno);
            return false;
        }
        return true;
    }
    if (unnamed_) {
        // The unnamed file gets a name only now. Where nothing is in the way
        // (or nothing may be replaced) it is linked straight under the
        // output's name, which can't replace what appeared meanwhile; else
        // under a temporary name that is then renamed over the output.
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        bool linked = false;
        if (noClobber_ || !existed_) {
            linked = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) == 0;
            const int why = errno;
            if (!linked && (why != EEXIST || noClobber_)) {
                failWith(why == EEXIST ? Status::OutputExists : Status::CannotOpenOutput, why);
                return false;
            }
        }
        if (linked) {
            unnamed_ = false;
            const int rc = ::close(fd_);
            fd_ = -1;
            if (rc != 0 && errno != EINTR) {
                failWith(statusOfWriteError(errno), errno);
                ::unlink(target_.c_str());
                return false;
            }
            return true;
        }
        slot_ = acquireSlot();
        for (int attempt = 0; attempt < 100; ++attempt) {
            temporary_ = temporaryName(target_);
            publish(slot_, temporary_);
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary_.c_str(), AT_SYMLINK_FOLLOW) == 0)
                break;
            const int why = errno;
            temporary_.clear();
            if (why != EEXIST) {
                failWith(why == ENOSPC || why == EDQUOT ? Status::NoSpace : Status::CannotOpenOutput, why);
                return false;
            }
        }
        if (temporary_.empty()) {
            failWith(Status::CannotOpenOutput, EEXIST);
            return false;
        }
        unnamed_ = false;
    }
    const int rc = ::close(fd_);
    fd_ = -1;
    if (rc != 0 && errno != EINTR) {
        failWith(statusOfWriteError(errno), errno);
        return false;
    }
    if (noClobber_) {
        if (::link(temporary_.c_str(), target_.c_str()) != 0) {
            failWith(errno == EEXIST ? Status::OutputExists : Status::CannotOpenOutput, errno);
            return false;
        }
        ::unlink(temporary_.c_str());
    } else if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        failWith(Status::CannotOpenOutput, errno);
        return false;
    }
    temporary_.clear();
    releaseSlot(slot_);
    return true;
}

void OutputFile::discard()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
    releaseSlot(slot_);
    mode_ = Mode::None;
}

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev
        && sa.st_ino == sb.st_ino;
}

void RemovePendingOutputs() noexcept
{
    for (auto& pending : pendingNames)
        if (pending.state.load() == 2)
            ::unlink(pending.path);
}

} // namespace pictaf
