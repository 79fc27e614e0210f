// Test helper: decodes a GIF with giflib, the independent decoder the GIF
// tests check against, and compares it with the picture it was made from.
#pragma once

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <QImage>

#include <cstdint>
#include <cstring>
#include <vector>

namespace testgif {

struct Decoded {
    bool ok = false;
    int width = 0, height = 0;
    bool interlaced = false;
    int transparent = -1;
    std::vector<QRgb> colours;         // global colour table
    std::vector<std::uint8_t> indices; // row-major, top row first, de-interlaced
    QRgb colourAt(int x, int y) const { return colours.at(indices.at(static_cast<std::size_t>(y) * width + x)); }
};

namespace detail {
struct Reader {
    const std::vector<std::uint8_t>* bytes;
    std::size_t at = 0;
};
inline int readBytes(GifFileType* gif, GifByteType* into, int count)
{
    auto* r = static_cast<Reader*>(gif->UserData);
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), r->bytes->size() - r->at);
    std::memcpy(into, r->bytes->data() + r->at, n);
    r->at += n;
    return static_cast<int>(n);
}
} // namespace detail

inline Decoded decode(const std::vector<std::uint8_t>& bytes)
{
    Decoded d;
    detail::Reader reader{&bytes};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, detail::readBytes, &error);
    if (!gif)
        return d;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1 && gif->SColorMap) {
        const SavedImage& image = gif->SavedImages[0];
        d.width = image.ImageDesc.Width;
        d.height = image.ImageDesc.Height;
        d.interlaced = image.ImageDesc.Interlace;
        for (int i = 0; i < gif->SColorMap->ColorCount; ++i) {
            const GifColorType& c = gif->SColorMap->Colors[i];
            d.colours.push_back(qRgb(c.Red, c.Green, c.Blue));
        }
        d.indices.assign(image.RasterBits, image.RasterBits + static_cast<std::size_t>(d.width) * d.height);
        GraphicsControlBlock gcb;
        if (DGifSavedExtensionToGCB(gif, 0, &gcb) == GIF_OK)
            d.transparent = gcb.TransparentColor;
        d.ok = true;
    }
    DGifCloseFile(gif, &error);
    return d;
}

// The decoded GIF shows exactly the source picture, pixel by pixel through
// its colour table.
inline void expectSamePicture(const Decoded& gif, const QImage& source)
{
    ASSERT_TRUE(gif.ok) << "giflib could not decode the file";
    ASSERT_EQ(gif.width, source.width());
    ASSERT_EQ(gif.height, source.height());
    int mismatches = 0;
    for (int y = 0; y < gif.height; ++y)
        for (int x = 0; x < gif.width; ++x) {
            const QRgb want = source.pixel(x, y) | 0xff000000u;
            if (gif.colourAt(x, y) != want && ++mismatches <= 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << "): got " << std::hex << gif.colourAt(x, y) << ", want "
                              << want;
        }
    EXPECT_EQ(mismatches, 0);
}

} // namespace testgif
