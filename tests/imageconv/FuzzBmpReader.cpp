// libFuzzer target for the BMP reading path: the file reader, the DIB
// decoder behind MakeDeviceBitmap, and (for small pictures) the rest of the
// way to GIF bytes. The first byte also picks whether the raw input is tried
// as a packed DIB with alpha kept, the way metafile blits decode.
#include <engine/BmpReader.h>
#include <engine/ColourMapper.h>
#include <engine/GifEncoder.h>
#include <engine/IndexedImage.h>
#include <engine/Pipeline.h>

#include <gdi/Dib.h>

#include <cstddef>
#include <cstdint>

using namespace pictaf;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    plat::DibDecodeOptions options;
    options.maxPixels = 1 << 22; // keeps each run fast; the ceiling logic is the same
    if (size > 0) {
        options.keepAlpha = data[0] & 1;
        QImage raw;
        plat::DecodePackedDib(bytes, raw, options);
    }

    Status status = Status::Ok;
    const PackedDib dib = ReadBmpIntoDib(bytes, &status);
    if (dib.empty())
        return 0;
    options.keepAlpha = false;
    QImage image;
    if (plat::DecodePackedDib(dib, image, options) != plat::DibStatus::Ok || image.width() * image.height() > 1 << 16)
        return 0;

    const plat::HGDIOBJ bitmap = plat::CreateBitmapFromImage(image);
    const PackedDib dib24 = CaptureDib24(bitmap);
    plat::DeleteObject(bitmap);
    auto indexed = IndexedImage::CreateIndexedImage(image.width(), image.height());
    if (!indexed || MapDibToIndexed(dib24, *indexed, kFlagTransparent | kFlagInterlaced, 0xFFFFFF) != Status::Ok)
        __builtin_trap(); // a decoded picture must always map
    // A short file may now decode (missing pixels black) to a height no GIF
    // can hold; the coder must refuse exactly those.
    const bool gifSized = image.width() <= 0xffff && image.height() <= 0xffff;
    MemorySink sink;
    const Status encoded = GifEncoder().Encode(*indexed, sink);
    if (gifSized ? encoded != Status::Ok : encoded != Status::BadSize)
        __builtin_trap();
    return 0;
}
