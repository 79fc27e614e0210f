// Renders every corpus file to PNG, for looking at beside the references:
//   metafile_render [--emfplus] OUTDIR [WIDTH]
// --emfplus draws dual EMF+ files from their EMF+ records.
// WIDTH 0 (the default) renders at natural size, -1 at the width sizes.tsv
// gives (the size the reference renderings were made at).
#include "CorpusRender.h"

#include <metafile/EmfPlus.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    if (argc > 1 && QString::fromLocal8Bit(argv[1]) == QLatin1String("--emfplus")) {
        plat::SetEmfPlusPreference(plat::EmfPlusPreference::EmfPlus);
        --argc;
        ++argv;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTDIR [WIDTH] [FILTER]\n", argv[0]);
        return 2;
    }
    if (QString::fromLocal8Bit(argv[1]) == QLatin1String("--file") && argc >= 4) {
        // One file: --file PATH OUT.png [WIDTH [HEIGHT]]
        velnora::test::CorpusFile f;
        f.path = argv[2];
        f.relativePath = f.path;
        const QString lower = QString::fromLocal8Bit(argv[2]).toLower();
        QFile in(QString::fromLocal8Bit(argv[2]));
        QByteArray head = in.open(QIODevice::ReadOnly) ? in.read(4) : QByteArray();
        f.kind = lower.endsWith(".emf")           ? "emf"
            : head.startsWith("\xD7\xCD\xC6\x9A") ? "wmf-placeable"
                                                  : "wmf-standard";
        const int w = argc > 4 ? std::atoi(argv[4]) : 0;
        const int h = argc > 5 ? std::atoi(argv[5]) : 0;
        f.naturalWidth = w;
        f.naturalHeight = h;
        const QImage image = velnora::test::renderCorpusFile(f, w, h);
        return image.save(QString::fromLocal8Bit(argv[3])) ? 0 : 1;
    }
    if (QString::fromLocal8Bit(argv[1]) == QLatin1String("--status")) {
        // How playback of each corpus file ends.
        for (const auto& f : velnora::test::corpusFiles({"wmf", "emf", "bad"})) {
            const plat::PlaybackResult r = velnora::test::playCorpusFile(f);
            std::printf("%-70s %s records=%zu offset=%zu\n", f.relativePath.c_str(),
                        r.status == plat::PlaybackStatus::Complete        ? "complete"
                            : r.status == plat::PlaybackStatus::BadRecord ? "BAD RECORD"
                                                                          : "not a metafile",
                        r.recordsPlayed, r.badRecordOffset);
        }
        return 0;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const int width = argc > 2 ? std::atoi(argv[2]) : 0;
    const QString filter = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    QDir().mkpath(out);
    for (const auto& f : velnora::test::corpusFiles({"wmf", "emf", "bad", "emfplus"})) {
        const QString name = QString::fromStdString(f.relativePath).section('/', -1);
        if (!filter.isEmpty() && !name.contains(filter))
            continue;
        QElapsedTimer timer;
        timer.start();
        const QImage image =
            velnora::test::renderCorpusFile(f, width < 0 ? f.naturalWidth : width, width < 0 ? f.naturalHeight : 0);
        const double ms = timer.nsecsElapsed() / 1e6;
        std::printf("%-70s %5dx%-5d %8.1f ms\n", f.relativePath.c_str(), image.width(), image.height(), ms);
        if (!image.isNull())
            image.save(out + "/" + name + ".png");
    }
    return 0;
}
