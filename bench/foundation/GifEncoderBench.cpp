// The GIF coder alone against giflib's LZW encoder (EGifPutLine), on the same
// indexed pixels: a flat banner-like picture and a photograph-like one. Both
// write into memory. Counters: file size in bytes; items are pixels.
#include "BenchPictures.h"

#include <engine/ByteSink.h>
#include <engine/ColourMapper.h>
#include <engine/GifEncoder.h>
#include <engine/IndexedImage.h>
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
    const int bits = GifEncoder::ColourBits(image.colourCount());
    ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
    for (int i = 0; i < image.colourCount(); ++i)
        map->Colors[i] = {static_cast<GifByteType>(image.red(i)), static_cast<GifByteType>(image.green(i)),
                          static_cast<GifByteType>(image.blue(i))};
    EGifPutScreenDesc(gif, image.width(), image.height(), bits, 0, map);
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

void run(benchmark::State& state, const IndexedImage& image, bool giflib)
{
    std::size_t size = 0;
    std::vector<std::uint8_t> out;
    for (auto _ : state) {
        if (giflib) {
            size = encodeWithGiflib(image, out);
        } else {
            MemorySink sink;
            GifEncoder().Encode(image, sink);
            size = sink.bytes().size();
        }
        benchmark::DoNotOptimize(size);
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t{image.width()} * image.height());
    state.counters["file_bytes"] = static_cast<double>(size);
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(image.width()) * image.height() / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK_CAPTURE(run, banner_pictaf, banner(), false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, banner_giflib, banner(), true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, photo_pictaf, photo(), false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, photo_giflib, photo(), true)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
