// libFuzzer target: arbitrary bytes as an enhanced metafile, played into a
// bitmap. Text is drawn too: the fuzzer makes an offscreen
// QGuiApplication.
#include <gdi/DeviceContext.h>
#include <metafile/EnhancedMetafile.h>

#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>
#include <span>

// Fontconfig keeps caches whose owners LeakSanitizer cannot see; they are
// not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QGuiApplication* app = new QGuiApplication(*argc, *argv);
    (void)app;
    return 0;
}

constexpr int kWidth = 400, kHeight = 300;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const plat::HGDIOBJ emf = plat::SetEnhMetaFileBits(std::span<const std::uint8_t>(data, size));
    if (!emf)
        return 0;
    // Large enough that work growing with the picture's rows shows up as a
    // slow input (crowded polygons took seconds here, never at icon size).
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        plat::DeviceContext dc(&image);
        plat::PlayEnhMetaFile(dc, emf, QRectF(0, 0, kWidth, kHeight));
    }
    plat::DeleteEnhMetaFile(emf);
    return 0;
}
