// The conversion inside one process, without process start-up: a generated
// 24-bit BMP file through LoadFileBitmap and WriteGif, as the control runs it.
#include "BenchPictures.h"

#include <engine/GifWriter.h>
#include <engine/Pipeline.h>

#include <gdi/GdiObjects.h>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

using namespace pictaf;

namespace {

std::string writeInput(const char* name, const QImage& picture)
{
    const std::string file =
        (std::filesystem::temp_directory_path() / (std::string(name) + "-" + std::to_string(getpid()) + ".bmp"))
            .string();
    bench::writeBmp24(picture, file);
    return file;
}

void convert(benchmark::State& state, const std::string& input, int megapixelsTimes1000)
{
    const std::string output = input + ".gif";
    for (auto _ : state) {
        const WorkBitmap bitmap = LoadFileBitmap(input, 100, 100, kFlagTransparent | kFlagInterlaced, 0xFFFFFF);
        int width = 0, height = 0;
        plat::GetBitmapSize(bitmap, width, height);
        const Status status =
            WriteGif(output, bitmap, TargetRect{0, 0, width, height}, kFlagTransparent | kFlagInterlaced, 0xFFFFFF);
        plat::DeleteObject(bitmap);
        if (status != Status::Ok)
            state.SkipWithError(toString(status));
    }
    state.counters["MP/s"] =
        benchmark::Counter(megapixelsTimes1000 / 1000.0, benchmark::Counter::kIsIterationInvariantRate);
    std::filesystem::remove(output);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string banner = writeInput("bench-banner", bench::bannerPicture(4096, 4096));
    const std::string photo = writeInput("bench-photo", bench::photoPicture(1024, 1024));
    benchmark::RegisterBenchmark("convert/banner_4096", convert, banner, 16777)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("convert/photo_1024", convert, photo, 1049)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(banner);
    std::filesystem::remove(photo);
    return 0;
}
