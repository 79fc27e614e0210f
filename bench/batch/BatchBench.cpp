// A folder of banner-sized pictures (468 x 60, half BMP and half PNG, a few
// hundred colours each) converted to GIF three ways: one pictaf-convert
// command for the whole folder, a loop of one pictaf-convert run per file,
// and ImageMagick's mogrify -format gif. Prints pictures per second (wall
// clock) and the CPU time the children spent. Then the peak resident memory
// of one command converting eight large photographs with -j 1, 2, 4 and 8,
// beside that of one photograph alone: it grows with -j, not with the count.
//   bench_convert_batch [pictures=2000] [loop runs=200] [mogrify pictures=all]
// BENCH_KEEP=1 keeps the generated folder (for profiling).
#include "BenchPictures.h"

#include <QImage>
#include <QPainter>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Timing {
    bool ok = false;
    double wall = 0;
    double cpu = 0;
};

double cpuOfChildren()
{
    struct rusage u {};
    getrusage(RUSAGE_CHILDREN, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

// Runs one command to its end; true when it exited 0. usage, when given,
// receives what the child used (its peak resident memory above all).
bool run(const std::vector<std::string>& args, struct rusage* usage = nullptr)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    return child > 0 && wait4(child, &status, 0, usage) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Peak resident memory of one run in KiB, 0 when it failed.
long peakOf(const std::vector<std::string>& args)
{
    struct rusage usage {};
    return run(args, &usage) ? usage.ru_maxrss : 0;
}

void memoryByJobs(const fs::path& dir)
{
    fs::create_directories(dir / "large");
    std::vector<std::string> inputs;
    for (int i = 0; i < 8; ++i) {
        const std::string path = (dir / "large" / ("p" + std::to_string(i) + ".bmp")).string();
        if (!bench::writeBmp24(bench::photoPicture(2000 + i, 2000), path)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return;
        }
        inputs.push_back(path);
    }
    std::printf("peak memory, 8 photographs of 2000 x 2000: one alone %.0f MB",
                peakOf({PICTAF_CONVERT, inputs[0], (dir / "one.gif").string()}) / 1024.0);
    for (int jobs : {1, 2, 4, 8}) {
        std::vector<std::string> args = {PICTAF_CONVERT, "--quiet", "-j", std::to_string(jobs)};
        args.insert(args.end(), inputs.begin(), inputs.end());
        args.insert(args.end(), {"-o", (dir / ("large-j" + std::to_string(jobs))).string()});
        std::printf(" | -j %d %.0f MB", jobs, peakOf(args) / 1024.0);
    }
    std::printf("\n");
}

template <typename F>
Timing timed(F&& work)
{
    const double cpu0 = cpuOfChildren();
    const auto start = std::chrono::steady_clock::now();
    Timing t;
    t.ok = work();
    t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    t.cpu = cpuOfChildren() - cpu0;
    return t;
}

void report(const char* label, const Timing& t, std::size_t pictures)
{
    if (!t.ok) {
        std::printf("%-44s failed\n", label);
        return;
    }
    std::printf("%-44s %5zu pictures  wall %7.2f s %8.0f pictures/s | cpu %7.2f s %8.0f pictures/s\n", label, pictures,
                t.wall, pictures / t.wall, t.cpu, pictures / t.cpu);
}

} // namespace

int main(int argc, char** argv)
{
    const std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 2000;
    const std::size_t loopCount = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 200;
    // A third argument: how many pictures mogrify gets (it is slow).
    const std::size_t mogrifyCount = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : count;
    const fs::path dir = fs::temp_directory_path() / ("bench-batch-" + std::to_string(getpid()));
    fs::create_directories(dir / "in");
    const QImage base = bench::bannerPicture(468, 60);
    std::vector<std::string> inputs;
    for (std::size_t i = 0; i < count; ++i) {
        QImage picture = base.copy();
        QPainter painter(&picture);
        // A different patch of colours on each, so no two files are alike.
        for (int k = 0; k < 40; ++k)
            painter.fillRect(static_cast<int>((i * 7 + k * 11) % 460), (k * 3) % 56, 6, 4,
                             QColor::fromHsv(static_cast<int>((i * 13 + k * 29) % 360), 200, 230));
        painter.end();
        char name[32];
        std::snprintf(name, sizeof name, "b%05zu.%s", i, i % 2 ? "png" : "bmp");
        const std::string path = (dir / "in" / name).string();
        const bool ok = i % 2 ? picture.save(QString::fromStdString(path), "PNG") : bench::writeBmp24(picture, path);
        if (!ok) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        inputs.push_back(path);
    }

    std::vector<std::string> batch = {PICTAF_CONVERT, "--quiet"};
    batch.insert(batch.end(), inputs.begin(), inputs.end());
    batch.insert(batch.end(), {"-o", (dir / "batch").string()});
    report("pictaf-convert INPUT... -o DIR (all cores)", timed([&] { return run(batch); }), count);

    fs::create_directories(dir / "loop");
    const std::size_t loopN = std::min(loopCount, count);
    report("loop of single pictaf-convert runs", timed([&] {
               for (std::size_t i = 0; i < loopN; ++i) {
                   const std::string out = (dir / "loop" / (fs::path(inputs[i]).stem().string() + ".gif")).string();
                   if (!run({PICTAF_CONVERT, inputs[i], out}))
                       return false;
               }
               return true;
           }),
           loopN);

    fs::create_directories(dir / "mogrify");
    std::vector<std::string> mogrify = {"mogrify", "-path", (dir / "mogrify").string(), "-format", "gif"};
    const std::size_t mogrifyN = std::min(mogrifyCount, count);
    mogrify.insert(mogrify.end(), inputs.begin(), inputs.begin() + static_cast<std::ptrdiff_t>(mogrifyN));
    if (mogrifyN > 0)
        report("mogrify -format gif", timed([&] { return run(mogrify); }), mogrifyN);
    memoryByJobs(dir);
    if (std::getenv("BENCH_KEEP")) {
        std::printf("pictures kept in %s\n", (dir / "in").string().c_str());
        return 0;
    }

    fs::remove_all(dir);
    return 0;
}
