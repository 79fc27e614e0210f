// pictaf-convert INPUT OUTPUT: the control's conversion from the command
// line, and INPUT... -o DIR for many files at once. Unlike the control it
// reports failure: one line on standard error per failed file, a non-zero
// exit, and outputs left as they were. Results are written to a temporary
// file beside the output and renamed over it only when complete.
#include "Batch.h"
#include "Conversion.h"
#include "ConvertOptions.h"
#include "Messages.h"

#include <engine/OutputFile.h>
#include <engine/Preflight.h>

#include <metafile/EmfPlus.h>

#include <QGuiApplication>
#include <QImageReader>

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

using namespace pictaf;
using namespace pictaf::convert;

namespace {

// Qt's own chatter (missing runtime folders and the like) would break the
// promise of one line on failure; only its fatal messages get through.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(Messages(), "pictaf-convert: %s\n", qPrintable(message));
}

// Interrupted while writing: the temporary files go, then the signal does
// what it would have done.
void removeTemporariesAndDie(int signal)
{
    RemovePendingOutputs();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void handleSignals()
{
    struct sigaction action {};
    action.sa_handler = removeTemporariesAndDie;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        sigaction(s, &action, nullptr);
    // A reader that goes away makes writing fail with a message instead.
    std::signal(SIGPIPE, SIG_IGN);
}

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(quietQtMessages);
    std::vector<std::string> args(argv + 1, argv + argc);
    ConvertOptions options;
    std::string error;
    if (!ParseConvertArguments(args, options, error)) {
        std::fprintf(Messages(), "pictaf-convert: %s\n%s", error.c_str(), ConvertUsage());
        return 2;
    }
    if (options.help) {
        std::fputs(ConvertUsage(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("pictaf-convert %s\n", VELNORA_VERSION);
        return 0;
    }
    handleSignals();
    QuietLibraryOutput();
    // The readers' own ceiling (128 MB) would refuse large photographs; the
    // check made before each picture is decoded takes its place, and the
    // ceiling stays only as a backstop for pictures whose header lies about
    // their size (a PNG inside a BMP), at what the machine can spare.
    const std::uint64_t spare = SpareMemoryBytes();
    QImageReader::setAllocationLimit(
        static_cast<int>(std::min<std::uint64_t>(std::max<std::uint64_t>(spare >> 20, 1), INT_MAX)));

    // Metafile text is drawn with Qt's fonts, which need an application
    // object (on the offscreen platform: no display). Starting one costs more
    // than converting a small BMP, so it is made only for metafile input.
    std::unique_ptr<QGuiApplication> app;
    auto prepareFonts = [&] {
        if (app)
            return;
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        app = std::make_unique<QGuiApplication>(argc, argv);
    };

    if (options.emfPlus)
        plat::SetEmfPlusPreference(plat::EmfPlusPreference::EmfPlus);
    if (options.batch)
        return RunBatch(options, prepareFonts);

    MemoryGate memory(spare);
    const Outcome outcome = ConvertOne(Job{options.input, options.output}, options, memory, prepareFonts);
    if (outcome.kind == Outcome::Kind::Failed) {
        std::fprintf(Messages(), "pictaf-convert: %s\n", outcome.message.c_str());
        return 1;
    }
    if (outcome.overBudget) {
        std::fprintf(Messages(), "pictaf-convert: %s\n", outcome.message.c_str());
        return 3;
    }
    return 0;
}
