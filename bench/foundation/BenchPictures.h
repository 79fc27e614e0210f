// Pictures the engine benchmarks run on, made in code so no large file is
// kept in the repository. Both are deterministic.
#pragma once

#include <QImage>

#include <string>

namespace bench {

// Banner-like: flat areas in at most 250 colours (bands of 16 x 32 pixel
// blocks, two flat boxes and a speckled strip of single pixels).
QImage bannerPicture(int width, int height);
// Photograph-like: smooth gradients plus per-pixel noise on every channel,
// far more than 256 colours.
QImage photoPicture(int width, int height);
// Writes picture as an uncompressed bottom-up 24-bit BMP file.
bool writeBmp24(const QImage& picture, const std::string& name);

} // namespace bench
