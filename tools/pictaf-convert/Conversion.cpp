#include "Conversion.h"

#include "PictureInput.h"

#include <engine/BmpWriter.h>
#include <engine/GifWriter.h>
#include <engine/OutputFile.h>
#include <engine/Preflight.h>

#include <gdi/GdiObjects.h>

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace pictaf::convert {

namespace {

// Deletes a work bitmap however the conversion ends.
struct BitmapGuard {
    WorkBitmap handle = 0;
    BitmapGuard() = default;
    BitmapGuard(const BitmapGuard&) = delete;
    BitmapGuard& operator=(const BitmapGuard&) = delete;
    ~BitmapGuard() { reset(); }
    void reset(WorkBitmap next = 0)
    {
        if (handle != 0)
            plat::DeleteObject(handle);
        handle = next;
    }
};

std::string sizeText(const PictureSize& size)
{
    return std::to_string(size.width) + " x " + std::to_string(size.height) + " pixels";
}

std::string megabytes(std::uint64_t bytes) { return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB"; }

Outcome failed(std::string message)
{
    Outcome outcome;
    outcome.kind = Outcome::Kind::Failed;
    outcome.message = std::move(message);
    return outcome;
}

std::string reasonFor(Status status, int error)
{
    std::string reason = toString(status);
    if (error != 0
        && (status == Status::CannotOpenOutput || status == Status::CannotOpenInput || status == Status::WriteFailed))
        reason += " (" + SystemReason(error) + ")";
    return reason;
}

// Standard input redirected from the regular file that name leads to (a
// device or pipe on both sides is written directly and destroys nothing).
bool standardInputIs(const std::string& name)
{
    struct stat in {
    }, out{};
    return ::fstat(STDIN_FILENO, &in) == 0 && S_ISREG(in.st_mode) && ::stat(name.c_str(), &out) == 0
        && in.st_dev == out.st_dev && in.st_ino == out.st_ino;
}

constexpr const char* kUnknownInput = "not a picture this program reads (BMP, WMF, EMF, PNG, JPEG, GIF, TIFF or WebP)";

} // namespace

std::string SystemReason(int error)
{
    char buffer[256];
    return ::strerror_r(error, buffer, sizeof buffer);
}

Outcome ConvertOne(const Job& job, const ConvertOptions& options, MemoryGate& memory,
                   const std::function<void()>& beforeMetafile)
{
    const std::string readingIn = "cannot read '" + job.input + "': ";
    const std::string writingOut = "cannot write '" + job.output + "': ";
    const std::string converting = "cannot convert '" + job.input + "': ";
    const bool gif = options.type == ConvertOptions::Type::Gif;
    const bool toStandardOutput = job.output == "-";

    // A picture written over its own file would be gone before it is read.
    if (!toStandardOutput && (job.input == "-" ? standardInputIs(job.output) : SameFile(job.input, job.output)))
        return failed(writingOut + toString(Status::OutputIsInput));

    // Where the output goes is settled first; nothing is created yet.
    OutputFile output;
    Status status =
        toStandardOutput ? output.openDescriptor(STDOUT_FILENO) : output.open(job.output, options.noClobber);
    if (status == Status::OutputExists) {
        Outcome skipped;
        skipped.kind = Outcome::Kind::Skipped;
        return skipped;
    }
    if (status != Status::Ok)
        return failed(writingOut + reasonFor(status, output.error()));

    InputFile input;
    int error = 0;
    status = input.open(job.input, memory.total(), error);
    if (status == Status::NotEnoughMemory)
        return failed(readingIn + "it runs past the " + megabytes(memory.total()) + " of memory the machine can spare");
    if (status == Status::UnrecognisedInput)
        return failed(readingIn + kUnknownInput);
    if (status != Status::Ok)
        return failed(readingIn + reasonFor(status, error));

    std::string path = input.path();
    InputKind kind = SniffInput(path);
    if (kind == InputKind::Unknown)
        return failed(readingIn + kUnknownInput);
    InputFile placed;
    if (kind == InputKind::StandardWmf) {
        std::vector<std::uint8_t> placeable;
        status = AddPlaceableHeader(path, placeable);
        if (status == Status::Malformed)
            return failed(readingIn + "a WMF without a placeable header must set a window extent to tell its size");
        if (status != Status::Ok || placed.adopt(placeable.data(), placeable.size(), error) != Status::Ok)
            return failed(readingIn + reasonFor(status == Status::Ok ? Status::OutOfMemory : status, error));
        path = placed.path();
        kind = InputKind::EngineFile;
    }

    // Sizes from the header alone: a picture too large for a GIF or for
    // memory is refused before any of its pixels are decoded.
    PictureSize natural;
    const bool sizeKnown = PeekInputSize(path, kind, natural) && natural.valid();
    const std::int32_t scaleX = options.exactSize ? 100 : options.scaleX;
    const std::int32_t scaleY = options.exactSize ? 100 : options.scaleY;
    const PictureSize loaded = sizeKnown ? ScaledSize(natural, scaleX, scaleY) : PictureSize{};
    const PictureSize target = options.exactSize ? PictureSize{options.width, options.height} : loaded;
    if (gif && target.valid() && (target.width > 0xffff || target.height > 0xffff))
        return failed(converting + sizeText(target) + " is " + toString(Status::TooLargeForGif));
    MemoryReservation reservation(memory);
    if (sizeKnown) {
        const std::uint64_t held = input.size() + placed.size();
        std::uint64_t need = ConversionMemoryNeed(natural, loaded, held);
        if (options.exactSize)
            need = std::max(need, ConversionMemoryNeed(loaded, target) + held);
        if (!reservation.take(need))
            return failed(converting + sizeText(natural) + " need about " + megabytes(need)
                          + " of memory, more than the " + megabytes(memory.total()) + " the machine can spare");
    }

    const ConversionFlags flags =
        (options.transparent ? kFlagTransparent : 0u) | (options.interlaced ? kFlagInterlaced : 0u);
    BitmapGuard bitmap;
    if (kind == InputKind::EngineFile) {
        if (beforeMetafile && (placed.inMemory() || KindNeedsFonts(path)))
            beforeMetafile();
        bitmap.reset(LoadFileBitmap(path, scaleX, scaleY, flags, options.bgColor, &status));
        if (bitmap.handle == 0)
            return failed(readingIn + reasonFor(status, 0));
    } else {
        QImage image;
        std::string why;
        status = DecodeOwnInput(path, kind, options.bgColor, image, why);
        if (status != Status::Ok)
            return failed(readingIn + (why.empty() ? toString(status) : why));
        BitmapGuard decoded;
        decoded.reset(plat::CreateBitmapFromImage(image));
        const PictureSize own{image.width(), image.height()};
        image = QImage();
        if (decoded.handle == 0)
            return failed(converting + toString(Status::OutOfMemory));
        if (scaleX == 100 && scaleY == 100) {
            std::swap(bitmap.handle, decoded.handle);
        } else {
            const PictureSize scaled = ScaledSize(own, scaleX, scaleY);
            bitmap.reset(StretchToSize(decoded.handle,
                                       TargetRect{0, 0, static_cast<std::int32_t>(scaled.width),
                                                  static_cast<std::int32_t>(scaled.height)},
                                       &status));
            if (bitmap.handle == 0)
                return failed(converting + toString(status));
        }
    }
    if (options.exactSize) {
        const WorkBitmap stretched =
            StretchToSize(bitmap.handle, TargetRect{0, 0, options.width, options.height}, &status);
        if (stretched == 0)
            return failed("cannot stretch to " + std::to_string(options.width) + "x" + std::to_string(options.height)
                          + ": " + toString(status));
        bitmap.reset(stretched);
    }
    int width = 0, height = 0;
    plat::GetBitmapSize(bitmap.handle, width, height);

    const TargetRect rect{0, 0, width, height};
    status = !gif         ? WriteBmp(output, bitmap.handle)
        : options.compact ? WriteCompactGif(static_cast<ByteSink&>(output), bitmap.handle, rect, flags, options.bgColor)
                          : WriteGif(output, bitmap.handle, rect, flags, options.bgColor);
    bitmap.reset();
    if (status == Status::TooLargeForGif)
        return failed(converting + sizeText({width, height}) + " is " + toString(status));
    if (status != Status::Ok && !output.failed())
        return failed(writingOut + toString(status));
    status = output.finish();
    if (status == Status::OutputExists) {
        Outcome skipped;
        skipped.kind = Outcome::Kind::Skipped;
        return skipped;
    }
    if (status != Status::Ok)
        return failed(writingOut + reasonFor(status, output.error()));
    Outcome done;
    done.kind = Outcome::Kind::Converted;
    done.bytesIn = input.size();
    done.bytesOut = output.bytesWritten();
    if (options.sizeBudget >= 0 && done.bytesOut > static_cast<std::uint64_t>(options.sizeBudget)) {
        done.overBudget = true;
        done.message = "'" + job.output + "' is " + std::to_string(done.bytesOut) + " bytes, "
            + std::to_string(done.bytesOut - static_cast<std::uint64_t>(options.sizeBudget))
            + " bytes over the budget of " + std::to_string(options.sizeBudget);
    }
    return done;
}

} // namespace pictaf::convert
