#include "engine/GifWriter.h"

#include "engine/ByteSink.h"
#include "engine/ColourMapper.h"
#include "engine/GifEncoder.h"
#include "engine/IndexedImage.h"
#include "engine/OutputFile.h"

namespace pictaf {

Status WriteGif(ByteSink& sink, WorkBitmap bitmap, const TargetRect& target, ConversionFlags flags,
                std::uint32_t bgColor)
{
    // GIF sizes are 16-bit: refuse before anything is captured or written.
    const std::int64_t width = std::int64_t{target.right} - target.left;
    const std::int64_t height = std::int64_t{target.bottom} - target.top;
    if (width <= 0 || height <= 0)
        return Status::BadSize;
    if (width > 0xffff || height > 0xffff)
        return Status::TooLargeForGif;
    // The colours are read straight from the bitmap, bottom row first, as
    // from its 24-bit DIB (the same pixels and order, without a 3-bytes-per-
    // pixel copy of the whole picture).
    const auto source = plat::LookupBitmap(bitmap);
    if (!source || source->image.isNull())
        return Status::BadHandle;
    auto image = IndexedImage::CreateIndexedImage(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
    if (!image)
        return Status::OutOfMemory;
    // A rectangle that is not the bitmap's own size fails here, before the file is touched.
    if (Status s = MapBitmapToIndexed(source->image, *image, flags, bgColor); s != Status::Ok)
        return s;
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

} // namespace pictaf
