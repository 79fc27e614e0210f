// Renders every corpus file to PNG, for looking at beside the references:
//   metafile_render OUTDIR [WIDTH]
// WIDTH 0 (the default) renders at natural size, -1 at the width sizes.tsv
// gives (the size the reference renderings were made at).
#include "CorpusRender.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTDIR [WIDTH] [FILTER]\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const int width = argc > 2 ? std::atoi(argv[2]) : 0;
    const QString filter = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    QDir().mkpath(out);
    for (const auto& f : velnora::test::corpusFiles({"wmf", "emf", "bad"})) {
        const QString name = QString::fromStdString(f.relativePath).section('/', -1);
        if (!filter.isEmpty() && !name.contains(filter))
            continue;
        QElapsedTimer timer;
        timer.start();
        const QImage image = velnora::test::renderCorpusFile(f, width < 0 ? f.naturalWidth : width, width < 0 ? f.naturalHeight : 0);
        const double ms = timer.nsecsElapsed() / 1e6;
        std::printf("%-70s %5dx%-5d %8.1f ms\n", f.relativePath.c_str(), image.width(), image.height(), ms);
        if (!image.isNull())
            image.save(out + "/" + name + ".png");
    }
    return 0;
}
