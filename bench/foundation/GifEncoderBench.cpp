// The GIF coders alone against giflib's LZW encoder (EGifPutLine), on the same
// indexed pixels: a flat banner-like picture and a photograph-like one. All
// write into memory. pictaf is the control's run-length coder, compact the
// LZW one; giflib gets the same header (graphic control extension included),
// so the file sizes compare like for like. Counters: file size in bytes;
// items are pixels; same_as_giflib is 1 when compact wrote giflib's bytes.
#include "BenchPictures.h"

#include <engine/ByteSink.h>
#include <engine/ColourMapper.h>
#include <engine/GifEncoder.h>
#include <engine/IndexedImage.h>
#include <engine/LzwGifEncoder.h>
#include <engine/Pipeline.h>

#include <gdi/GdiObjects.h>

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <QGuiApplication>

#include <cstring>

using namespace pictaf;

namespace {

std::unique_ptr<IndexedImage> indexed(const QImage& picture)
{
    const plat::HGDIOBJ bitmap = plat::CreateBitmapFromImage(picture);
    const PackedDib dib = CaptureDib24(bitmap);
    plat::DeleteObject(bitmap);
    auto image = IndexedImage::CreateIndexedImage(picture.width(), picture.height());
    MapDibToIndexed(dib, *image, kFlagTransparent, 0xFFFFFF);
    return image;
}

const IndexedImage& banner()
{
    static auto image = indexed(bench::bannerPicture(2048, 2048));
    return *image;
}

const IndexedImage& photo()
{
    static auto image = indexed(bench::photoPicture(1024, 1024));
    return *image;
}

int appendBytes(GifFileType* gif, const GifByteType* data, int count)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + count);
    return count;
}

std::size_t encodeWithGiflib(const IndexedImage& image, std::vector<std::uint8_t>& out)
{
    out.clear();
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendBytes, &error);
    const bool transparent = image.transparentIndex() >= 0;
    EGifSetGifVersion(gif, transparent);
    const int bits = GifEncoder::ColourBits(image.colourCount());
    ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
    for (int i = 0; i < image.colourCount(); ++i)
        map->Colors[i] = {static_cast<GifByteType>(image.red(i)), static_cast<GifByteType>(image.green(i)),
                          static_cast<GifByteType>(image.blue(i))};
    EGifPutScreenDesc(gif, image.width(), image.height(), bits, 0, map);
    if (transparent) {
        GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, image.transparentIndex()};
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, sizeof extension, extension);
    }
    EGifPutImageDesc(gif, 0, 0, image.width(), image.height(), false, nullptr);
    std::vector<GifPixelType> line(static_cast<std::size_t>(image.width()));
    for (int y = 0; y < image.height(); ++y) {
        std::memcpy(line.data(), image.row(y), line.size());
        EGifPutLine(gif, line.data(), image.width());
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out.size();
}

enum class Coder { RunLength, Compact, Giflib };

void run(benchmark::State& state, const IndexedImage& image, Coder coder)
{
    std::vector<std::uint8_t> out;
    for (auto _ : state) {
        if (coder == Coder::Giflib) {
            encodeWithGiflib(image, out);
        } else {
            MemorySink sink;
            if (coder == Coder::RunLength)
                GifEncoder().Encode(image, sink);
            else
                LzwGifEncoder().Encode(image, sink);
            out = sink.take();
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t{image.width()} * image.height());
    state.counters["file_bytes"] = static_cast<double>(out.size());
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(image.width()) * image.height() / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
    if (coder == Coder::Compact) {
        std::vector<std::uint8_t> giflib;
        encodeWithGiflib(image, giflib);
        state.counters["same_as_giflib"] = out == giflib ? 1 : 0;
    }
}

} // namespace

BENCHMARK_CAPTURE(run, banner_pictaf, banner(), Coder::RunLength)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, banner_compact, banner(), Coder::Compact)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, banner_giflib, banner(), Coder::Giflib)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, photo_pictaf, photo(), Coder::RunLength)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, photo_compact, photo(), Coder::Compact)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, photo_giflib, photo(), Coder::Giflib)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
