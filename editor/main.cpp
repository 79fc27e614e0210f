// The banner editor's entry point: start-up, the event loop, and the forms'
// end once the loop is left.
//
// velnora [FILE]: FILE, when given, becomes the banner's background picture
// as File > Load makes it (so a file manager's "Open with" works).
#include "Forms.h"
#include "ModStart.h"
#include "Parent.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

#ifndef VELNORA_VERSION
#error "VELNORA_VERSION comes from the build"
#endif

int main(int argc, char** argv)
{
    // Answered before Qt starts, so they work without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("velnora %s\n", VELNORA_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("usage: velnora [--] [FILE]\n"
                        "Starts the banner editor; FILE (BMP, GIF, JPEG, PNG, WMF or EMF) becomes the\n"
                        "banner's background picture, as File > Load makes it.\n"
                        "  --help     show this text\n"
                        "  --version  show the version\n");
            return 0;
        }
    }
    QApplication app(argc, argv);
    // QApplication has taken its own options (-platform and the like) out.
    QStringList args = QApplication::arguments().mid(1);
    const bool namesOnly = !args.isEmpty() && args.front() == QLatin1String("--");
    if (namesOnly)
        args.removeFirst();
    if (args.size() > 1 || (!namesOnly && !args.isEmpty() && args.front().startsWith(QLatin1Char('-')))) {
        std::fprintf(stderr, "usage: velnora [--] [FILE]\n");
        return 2;
    }
    ModStart::Main();
    if (!args.isEmpty())
        Forms::Parent().loadCanvasPicture(args.front());
    const int code = QApplication::exec();
    Forms::unloadAll();
    return code;
}
