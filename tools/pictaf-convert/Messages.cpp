#include "Messages.h"

#include <fcntl.h>
#include <unistd.h>

namespace pictaf::convert {

namespace {
std::FILE* own = nullptr;
} // namespace

std::FILE* Messages() { return own != nullptr ? own : stderr; }

void QuietLibraryOutput()
{
    if (own != nullptr)
        return;
    const int copy = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    std::FILE* stream = copy >= 0 ? ::fdopen(copy, "w") : nullptr;
    std::FILE* nowhere = std::fopen("/dev/null", "we");
    if (stream == nullptr || nowhere == nullptr) {
        if (stream != nullptr)
            std::fclose(stream);
        else if (copy >= 0)
            ::close(copy);
        if (nowhere != nullptr)
            std::fclose(nowhere);
        return; // the chatter shows, but nothing is lost
    }
    // As unbuffered as standard error: lines appear when written.
    std::setvbuf(stream, nullptr, _IONBF, 0);
    own = stream;
    // The GNU C library's standard streams are plain variables, which a
    // program may point elsewhere.
    stderr = nowhere;
}

} // namespace pictaf::convert
