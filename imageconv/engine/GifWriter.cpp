#include "engine/GifWriter.h"

#include "engine/ByteSink.h"
#include "engine/ColourMapper.h"
#include "engine/GifEncoder.h"
#include "engine/IndexedImage.h"
#include "engine/LzwGifEncoder.h"
#include "engine/OutputFile.h"

#include <memory>

namespace pictaf {

namespace {

// The bitmap's indexed image, or null with the reason in status; nothing is
// written before this succeeds.
std::unique_ptr<IndexedImage> MapForGif(WorkBitmap bitmap, const TargetRect& target, ConversionFlags flags,
                                        std::uint32_t bgColor, Status& status)
{
    // GIF sizes are 16-bit: refuse before anything is captured or written.
    const std::int64_t width = std::int64_t{target.right} - target.left;
    const std::int64_t height = std::int64_t{target.bottom} - target.top;
    if (width <= 0 || height <= 0) {
        status = Status::BadSize;
        return nullptr;
    }
    if (width > 0xffff || height > 0xffff) {
        status = Status::TooLargeForGif;
        return nullptr;
    }
    // The colours are read straight from the bitmap, bottom row first, as
    // from its 24-bit DIB (the same pixels and order, without a 3-bytes-per-
    // pixel copy of the whole picture).
    const auto source = plat::LookupBitmap(bitmap);
    if (!source || source->image.isNull()) {
        status = Status::BadHandle;
        return nullptr;
    }
    auto image = IndexedImage::CreateIndexedImage(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
    if (!image) {
        status = Status::OutOfMemory;
        return nullptr;
    }
    // A rectangle that is not the bitmap's own size fails here, before the file is touched.
    status = MapBitmapToIndexed(source->image, *image, flags, bgColor);
    if (status != Status::Ok)
        return nullptr;
    return image;
}

} // namespace

Status WriteGif(ByteSink& sink, WorkBitmap bitmap, const TargetRect& target, ConversionFlags flags,
                std::uint32_t bgColor)
{
    Status status = Status::Ok;
    const auto image = MapForGif(bitmap, target, flags, bgColor, status);
    if (!image)
        return status;
    GifEncoder encoder;
    return encoder.Encode(*image, sink);
}

Status WriteGif(const std::string& outputFile, WorkBitmap bitmap, const TargetRect& target, ConversionFlags flags,
                std::uint32_t bgColor)
{
    OutputFile file;
    if (Status s = file.open(outputFile); s != Status::Ok)
        return s;
    if (Status s = WriteGif(static_cast<ByteSink&>(file), bitmap, target, flags, bgColor); s != Status::Ok)
        return file.failed() ? file.finish() : s; // the output removes what it wrote
    return file.finish();
}

Status WriteCompactGif(ByteSink& sink, WorkBitmap bitmap, const TargetRect& target, ConversionFlags flags,
                       std::uint32_t bgColor)
{
    Status status = Status::Ok;
    const auto image = MapForGif(bitmap, target, flags, bgColor, status);
    if (!image)
        return status;
    const auto encoder = std::make_unique<LzwGifEncoder>(); // its tables are too big for a worker's stack
    return encoder->Encode(*image, sink);
}

Status WriteCompactGif(const std::string& outputFile, WorkBitmap bitmap, const TargetRect& target,
                       ConversionFlags flags, std::uint32_t bgColor, std::uint64_t* size)
{
    OutputFile file;
    if (Status s = file.open(outputFile); s != Status::Ok)
        return s;
    Status status = WriteCompactGif(static_cast<ByteSink&>(file), bitmap, target, flags, bgColor);
    if (status != Status::Ok)
        return file.failed() ? file.finish() : status; // the output removes what it wrote
    status = file.finish();
    if (status == Status::Ok && size)
        *size = file.bytesWritten();
    return status;
}

Status EncodeCompactGif(std::vector<std::uint8_t>& out, WorkBitmap bitmap, const TargetRect& target,
                        ConversionFlags flags, std::uint32_t bgColor)
{
    out.clear();
    MemorySink memory;
    if (Status s = WriteCompactGif(static_cast<ByteSink&>(memory), bitmap, target, flags, bgColor); s != Status::Ok)
        return s;
    out = memory.take();
    return Status::Ok;
}

} // namespace pictaf
