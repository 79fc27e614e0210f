// pictaf-convert INPUT OUTPUT: the control's conversion from the command
// line. Unlike the control it reports failure: one line on standard error,
// a non-zero exit, and OUTPUT left as it was. The result is written to a
// temporary file beside OUTPUT and renamed over it only when complete.
#include "ConvertOptions.h"

#include <engine/BmpWriter.h>
#include <engine/GifWriter.h>
#include <engine/Pipeline.h>

#include <metafile/EmfPlus.h>

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace pictaf;

namespace {

// Qt's own chatter (missing runtime folders and the like) would break the
// promise of one line on failure; only its fatal messages get through.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "pictaf-convert: %s\n", qPrintable(message));
}

int failWith(const std::string& message)
{
    std::fprintf(stderr, "pictaf-convert: %s\n", message.c_str());
    return 1;
}

// Deletes a work bitmap however the conversion ends.
struct BitmapGuard {
    WorkBitmap handle = 0;
    ~BitmapGuard()
    {
        if (handle != 0)
            plat::DeleteObject(handle);
    }
};

std::string temporaryBeside(const std::string& output)
{
    const auto slash = output.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : output.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? output : output.substr(slash + 1);
    return dir + "." + base + ".XXXXXX";
}

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(quietQtMessages);
    std::vector<std::string> args(argv + 1, argv + argc);
    ConvertOptions options;
    std::string error;
    if (!ParseConvertArguments(args, options, error)) {
        std::fprintf(stderr, "pictaf-convert: %s\n%s", error.c_str(), ConvertUsage());
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

    // Metafile text is drawn with Qt's fonts, which need an application
    // object (on the offscreen platform: no display). Starting one costs more
    // than converting a small BMP, so it is made only for metafile input.
    std::unique_ptr<QGuiApplication> app;
    if (ProbeWmfFile(options.input) || ProbeEmfFile(options.input)) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        app = std::make_unique<QGuiApplication>(argc, argv);
    }

    if (options.emfPlus)
        plat::SetEmfPlusPreference(plat::EmfPlusPreference::EmfPlus);
    const ConversionFlags flags =
        (options.transparent ? kFlagTransparent : 0u) | (options.interlaced ? kFlagInterlaced : 0u);
    Status status = Status::Ok;
    BitmapGuard bitmap;
    bitmap.handle = LoadFileBitmap(options.input, options.exactSize ? 100 : options.scaleX,
                                   options.exactSize ? 100 : options.scaleY, flags, options.bgColor, &status);
    if (bitmap.handle == 0)
        return failWith("cannot read '" + options.input + "': " + toString(status));
    if (options.exactSize) {
        BitmapGuard stretched;
        stretched.handle = StretchToSize(bitmap.handle, TargetRect{0, 0, options.width, options.height}, &status);
        if (stretched.handle == 0)
            return failWith("cannot stretch to " + std::to_string(options.width) + "x"
                            + std::to_string(options.height) + ": " + toString(status));
        std::swap(bitmap.handle, stretched.handle);
    }
    int width = 0, height = 0;
    plat::GetBitmapSize(bitmap.handle, width, height);

    std::string temporary = temporaryBeside(options.output);
    const int fd = mkstemp(temporary.data());
    if (fd < 0)
        return failWith("cannot write '" + options.output + "': " + toString(Status::CannotOpenOutput));
    close(fd);
    std::uint64_t written = 0;
    status = options.type == ConvertOptions::Type::Bmp ? WriteBmp(temporary, bitmap.handle)
        : options.compact
        ? WriteCompactGif(temporary, bitmap.handle, TargetRect{0, 0, width, height}, flags, options.bgColor, &written)
        : WriteGif(temporary, bitmap.handle, TargetRect{0, 0, width, height}, flags, options.bgColor);
    if (status != Status::Ok) {
        unlink(temporary.c_str());
        return failWith("cannot write '" + options.output + "': " + toString(status));
    }
    // mkstemp makes the file private; give it the permissions a new file gets.
    const mode_t mask = umask(0);
    umask(mask);
    chmod(temporary.c_str(), 0666 & ~mask);
    if (rename(temporary.c_str(), options.output.c_str()) != 0) {
        unlink(temporary.c_str());
        return failWith("cannot write '" + options.output + "': " + toString(Status::CannotOpenOutput));
    }
    if (options.sizeBudget >= 0 && written > static_cast<std::uint64_t>(options.sizeBudget)) {
        std::fprintf(stderr, "pictaf-convert: '%s' is %llu bytes, %llu bytes over the budget of %lld\n",
                     options.output.c_str(), static_cast<unsigned long long>(written),
                     static_cast<unsigned long long>(written - static_cast<std::uint64_t>(options.sizeBudget)),
                     static_cast<long long>(options.sizeBudget));
        return 3;
    }
    return 0;
}
