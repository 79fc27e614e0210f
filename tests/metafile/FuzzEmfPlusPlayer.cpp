// libFuzzer target: arbitrary bytes as an enhanced metafile drawn from its
// EMF+ records (dual files too), played into a small bitmap.
#include <gdi/DeviceContext.h>
#include <metafile/EmfPlus.h>
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
    plat::SetEmfPlusPreference(plat::EmfPlusPreference::EmfPlus);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const plat::HGDIOBJ emf = plat::SetEnhMetaFileBits(std::span<const std::uint8_t>(data, size));
    if (!emf)
        return 0;
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        plat::DeviceContext dc(&image);
        plat::PlayEnhMetaFile(dc, emf, QRectF(0, 0, 64, 48));
    }
    plat::DeleteEnhMetaFile(emf);
    return 0;
}
