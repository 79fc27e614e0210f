// libFuzzer target: arbitrary bytes as a Windows metafile (a placeable
// header in front is skipped), played into a bitmap as the engine
// plays it. Text is drawn too: the fuzzer makes an offscreen QGuiApplication.
#include <gdi/DeviceContext.h>
#include <gdi/GdiConstants.h>
#include <metafile/WindowsMetafile.h>

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
    std::span<const std::uint8_t> bytes(data, size);
    if (size >= 22 && data[0] == 0xD7 && data[1] == 0xCD && data[2] == 0xC6 && data[3] == 0x9A)
        bytes = bytes.subspan(22);
    const plat::HGDIOBJ mf = plat::SetMetaFileBitsEx(bytes);
    if (!mf)
        return 0;
    // Large enough that work growing with the picture's rows shows up as a
    // slow input (crowded polygons took seconds here, never at icon size).
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        plat::DeviceContext dc(&image);
        dc.SetMapMode(plat::gdi::MM_ANISOTROPIC);
        dc.SetViewportExtEx(kWidth, kHeight);
        plat::PlayMetaFile(dc, mf);
    }
    plat::DeleteMetaFile(mf);
    return 0;
}
