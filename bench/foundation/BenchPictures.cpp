#include "BenchPictures.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

namespace bench {

QImage bannerPicture(int width, int height)
{
    std::vector<QRgb> palette;
    for (int i = 0; i < 250; ++i)
        palette.push_back(qRgb((i * 53) & 0xff, (i * 97 + 40) & 0xff, (i * 29 + 200) & 0xff));
    std::mt19937 random(42);
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            QRgb c = palette[static_cast<std::size_t>((x / 16 + (y / 32) * 7) % 250)];
            if (x > width / 8 && x < width / 3 && y > height / 5 && y < height / 2)
                c = palette[3]; // a flat box
            if (x > width / 2 && y > height / 3 && y < height * 2 / 3)
                c = palette[77];
            if (y >= height * 3 / 4 && y < height * 3 / 4 + height / 16)
                c = palette[random() % 250]; // speckles: no runs at all
            row[x] = c;
        }
    }
    return picture;
}

QImage photoPicture(int width, int height)
{
    std::mt19937 random(7);
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            // Noise is clamped, never wrapped: a photograph's dark corner
            // does not turn bright.
            const int n = static_cast<int>(random() % 17) - 8;
            const int r = std::clamp(x * 255 / width + n, 0, 255);
            const int g = std::clamp(y * 255 / height + static_cast<int>(random() % 9) - 4, 0, 255);
            const int b = std::clamp((x + y) * 127 / (width + height) + 64 + n / 2, 0, 255);
            row[x] = qRgb(r, g, b);
        }
    }
    return picture;
}

bool writeBmp24(const QImage& picture, const std::string& name)
{
    const int w = picture.width(), h = picture.height();
    const std::uint32_t stride = static_cast<std::uint32_t>((w * 24 + 31) / 32 * 4);
    const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(h);
    std::vector<std::uint8_t> header(54, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            header[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    header[0] = 'B';
    header[1] = 'M';
    put32(2, 54 + imageSize);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(w));
    put32(22, static_cast<std::uint32_t>(h));
    header[26] = 1;
    header[28] = 24;
    put32(34, imageSize);
    std::FILE* f = std::fopen(name.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(header.data(), 1, header.size(), f) == header.size();
    std::vector<std::uint8_t> row(stride, 0);
    for (int r = 0; r < h && ok; ++r) {
        const auto* in = reinterpret_cast<const QRgb*>(picture.constScanLine(h - 1 - r));
        for (int x = 0; x < w; ++x) {
            row[3 * x] = static_cast<std::uint8_t>(qBlue(in[x]));
            row[3 * x + 1] = static_cast<std::uint8_t>(qGreen(in[x]));
            row[3 * x + 2] = static_cast<std::uint8_t>(qRed(in[x]));
        }
        ok = std::fwrite(row.data(), 1, row.size(), f) == row.size();
    }
    return std::fclose(f) == 0 && ok;
}

} // namespace bench
