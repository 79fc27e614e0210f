// pictaf-convert end to end: a generated 24-bit BMP to GIF, in a child
// process pinned to one core. Reports megapixels per second (best of the
// runs, wall clock) and the child's peak resident memory.
#include "BenchPictures.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

struct Result {
    bool ok = false;
    double seconds = 0;    // wall clock
    double cpuSeconds = 0; // user + system time of the child: what one core spent
    long peakKiB = 0;
};

Result runOnce(const std::string& input, const std::string& output)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(0, &one);
        sched_setaffinity(0, sizeof one, &one);
        execl(PICTAF_CONVERT, "pictaf-convert", input.c_str(), output.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (child < 0 || wait4(child, &status, 0, &usage) != child)
        return {};
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const double cpu =
        usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
    return {WIFEXITED(status) && WEXITSTATUS(status) == 0, elapsed.count(), cpu, usage.ru_maxrss};
}

bool measure(const char* label, const QImage& picture, const std::filesystem::path& dir, int runs)
{
    const std::string input = (dir / "in.bmp").string();
    const std::string output = (dir / "out.gif").string();
    if (!bench::writeBmp24(picture, input)) {
        std::fprintf(stderr, "cannot write %s\n", input.c_str());
        return false;
    }
    Result best;
    double bestCpu = 0;
    long peak = 0;
    for (int i = 0; i < runs; ++i) {
        const Result r = runOnce(input, output);
        if (!r.ok) {
            std::fprintf(stderr, "%s: pictaf-convert failed\n", label);
            return false;
        }
        if (!best.ok || r.seconds < best.seconds)
            best = r;
        if (i == 0 || r.cpuSeconds < bestCpu)
            bestCpu = r.cpuSeconds;
        peak = std::max(peak, r.peakKiB);
    }
    const double megapixels = double(picture.width()) * picture.height() / 1e6;
    // Wall clock shows what a user waits on an idle machine; CPU time shows
    // what one core spends even when other work shares the machine.
    std::printf("%-30s %4dx%-4d wall %6.1f ms %6.1f MP/s | cpu %6.1f ms %6.1f MP/s | peak RSS %6.1f MB | "
                "BMP %5.1f MB GIF %7.1f KB\n",
                label, picture.width(), picture.height(), best.seconds * 1e3, megapixels / best.seconds, bestCpu * 1e3,
                megapixels / bestCpu, peak / 1024.0, std::filesystem::file_size(input) / 1048576.0,
                std::filesystem::file_size(output) / 1024.0);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("bench-convert-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    bool ok = measure("banner-like, <=250 colours", bench::bannerPicture(4096, 4096), dir, runs);
    ok = measure("photograph-like, >256 colours", bench::photoPicture(1024, 1024), dir, runs) && ok;
    std::filesystem::remove_all(dir);
    return ok ? 0 : 1;
}
