// Plays every corpus file (../shared/metafiles, or $VELNORA_METAFILE_CORPUS)
// through the engine at its natural size and at 1000 pixels wide, several
// times each, and prints the median and the slowest time per file.
//   bench_metafile [--emfplus] [REPETITIONS] [FILTER]
// --emfplus draws dual EMF+ files from their EMF+ records.
// A first, untimed run per file warms the font caches.
#include "CorpusRender.h"

#include <metafile/EmfPlus.h>

#include <QElapsedTimer>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Timing {
    double median = 0, slowest = 0;
    int width = 0, height = 0;
};

Timing measure(const velnora::test::CorpusFile& f, int width, int repetitions)
{
    Timing t;
    const QImage warm = velnora::test::renderCorpusFile(f, width);
    t.width = warm.width();
    t.height = warm.height();
    // Pictures of tens of megapixels (natural sizes taken from huge bounds)
    // spend their time filling memory; fewer runs say as much.
    const std::int64_t pixels = std::int64_t{t.width} * t.height;
    const int runs = pixels > 20'000'000 ? std::min(repetitions, 3) : repetitions;
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const plat::HGDIOBJ bitmap = velnora::test::renderCorpusBitmap(f, width);
        ms.push_back(timer.nsecsElapsed() / 1e6);
        plat::DeleteObject(bitmap);
    }
    std::sort(ms.begin(), ms.end());
    t.median = ms[ms.size() / 2];
    t.slowest = ms.back();
    return t;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    if (argc > 1 && std::string(argv[1]) == "--emfplus") {
        plat::SetEmfPlusPreference(plat::EmfPlusPreference::EmfPlus);
        --argc;
        ++argv;
    }
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const std::string filter = argc > 2 ? argv[2] : "";
    const auto files = velnora::test::corpusFiles({"wmf", "emf", "emfplus"});
    if (files.empty()) {
        std::fprintf(stderr, "corpus not found (set VELNORA_METAFILE_CORPUS)\n");
        return 1;
    }
    std::printf("%-62s %11s %9s %9s   %10s %9s %9s\n", "file", "natural", "median", "slowest", "1000 wide", "median",
                "slowest");
    std::vector<double> wideMedians;
    for (const auto& f : files) {
        if (!filter.empty() && f.relativePath.find(filter) == std::string::npos)
            continue;
        const Timing natural = measure(f, 0, repetitions);
        const Timing wide = measure(f, 1000, repetitions);
        wideMedians.push_back(wide.median);
        char n[32], w[32];
        std::snprintf(n, sizeof n, "%dx%d", natural.width, natural.height);
        std::snprintf(w, sizeof w, "%dx%d", wide.width, wide.height);
        std::printf("%-62.62s %11s %6.1f ms %6.1f ms   %10s %6.1f ms %6.1f ms\n", f.relativePath.c_str(), n,
                    natural.median, natural.slowest, w, wide.median, wide.slowest);
    }
    if (!wideMedians.empty()) {
        std::sort(wideMedians.begin(), wideMedians.end());
        std::printf("median over files at 1000 wide: %.1f ms; slowest file: %.1f ms\n",
                    wideMedians[wideMedians.size() / 2], wideMedians.back());
    }
    return 0;
}
