// The public conversion functions over the engine. The engine reads and
// writes files by name; in-memory pictures and the output bytes pass through
// anonymous memory files, so the very code paths the control and the
// command-line tool use do the work.
#include <pictaf/Convert.h>

#include <engine/BmpWriter.h>
#include <engine/GifWriter.h>
#include <engine/Pipeline.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#ifndef PICTAF_VERSION
#error "PICTAF_VERSION comes from the build"
#endif

namespace pictaf {
namespace {

// The GIF writer keeps its encoder state process-wide, and the platform's
// object table is shared: one conversion at a time.
std::mutex& conversionLock()
{
    static std::mutex lock;
    return lock;
}

class MemoryFile {
public:
    explicit MemoryFile(const char* name) : fd_(::memfd_create(name, MFD_CLOEXEC)) {}
    ~MemoryFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    bool valid() const { return fd_ >= 0; }
    std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

    bool fill(std::span<const std::uint8_t> bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    bool readAll(std::vector<std::uint8_t>& out)
    {
        struct stat st {};
        if (::fstat(fd_, &st) != 0 || st.st_size < 0)
            return false;
        out.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    int fd_;
};

Result failure(std::string message)
{
    Result r;
    r.error = std::move(message);
    return r;
}

struct BitmapGuard {
    WorkBitmap handle = 0;
    ~BitmapGuard()
    {
        if (handle != 0)
            plat::DeleteObject(handle);
    }
};

Result convertPath(const std::string& path, const std::string& shownName, const Options& options)
{
    if ((options.width == 0) != (options.height == 0) || options.width < 0 || options.height < 0)
        return failure("width and height must both be positive, or both 0 for the picture's own size");
    if (options.type != OutputType::Gif && options.type != OutputType::Bmp)
        return failure("unknown output type");

    std::lock_guard<std::mutex> hold(conversionLock());
    const ConversionFlags flags =
        (options.transparent ? kFlagTransparent : 0u) | (options.interlaced ? kFlagInterlaced : 0u);
    Status status = Status::Ok;
    BitmapGuard bitmap;
    bitmap.handle = LoadFileBitmap(path, 100, 100, flags, options.bgColor, &status);
    if (bitmap.handle == 0)
        return failure("cannot read " + shownName + ": " + toString(status));
    if (options.width != 0) {
        BitmapGuard stretched;
        stretched.handle = StretchToSize(bitmap.handle, TargetRect{0, 0, options.width, options.height}, &status);
        if (stretched.handle == 0)
            return failure("cannot stretch " + shownName + " to " + std::to_string(options.width) + "x"
                           + std::to_string(options.height) + ": " + toString(status));
        std::swap(bitmap.handle, stretched.handle);
    }
    int width = 0, height = 0;
    plat::GetBitmapSize(bitmap.handle, width, height);

    MemoryFile output("pictaf-output");
    if (!output.valid())
        return failure(std::string("cannot make room for the output: ") + std::strerror(errno));
    status = options.type == OutputType::Gif
        ? WriteGif(output.path(), bitmap.handle, TargetRect{0, 0, width, height}, flags, options.bgColor)
        : WriteBmp(output.path(), bitmap.handle);
    if (status != Status::Ok)
        return failure("cannot convert " + shownName + ": " + toString(status));
    Result result;
    if (!output.readAll(result.bytes))
        return failure(std::string("cannot read back the output: ") + std::strerror(errno));
    return result;
}

} // namespace

Result convertFile(const std::string& path, const Options& options)
{
    // The engine opens files by name; a directory or a device would be read
    // as a stream of bytes and refused late with a puzzling reason.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return failure("cannot read '" + path + "': " + std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        return failure("cannot read '" + path + "': not a regular file");
    return convertPath(path, "'" + path + "'", options);
}

Result convertPicture(std::span<const std::uint8_t> picture, const Options& options)
{
    MemoryFile input("pictaf-input");
    if (!input.valid() || !input.fill(picture))
        return failure(std::string("cannot hold the picture: ") + std::strerror(errno));
    return convertPath(input.path(), "the picture", options);
}

const char* version() { return PICTAF_VERSION; }

} // namespace pictaf
