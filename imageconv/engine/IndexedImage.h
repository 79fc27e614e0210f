// IndexedImage: the 256-colour picture a GIF is written from. Colour table
// entries are appended first come, first served; nothing reorders them.
//
// The indices are kept row by row (the order the GIF coder reads them in);
// PixelAt and PutPixel give the same answers whatever the layout.
#pragma once

#include <gdi/LargeBuffer.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace pictaf {

class IndexedImage {
public:
    static constexpr int kMaxColours = 256;

    // CreateIndexedImage: every pixel 0, no colours, transparent index -1,
    // not interlaced. Null for sizes of 0 or below, or when the pixels
    // cannot be allocated.
    static std::unique_ptr<IndexedImage> CreateIndexedImage(std::int32_t width, std::int32_t height);

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }

    // The new entry's index, or -1 when the table already holds 256.
    // Duplicates are not looked for.
    int AddColour(int red, int green, int blue);
    // Lowest index holding exactly this colour, or -1.
    int FindExactColour(int red, int green, int blue) const;
    // Index with the smallest squared distance, the lowest index on ties;
    // -1 with an empty table.
    int FindNearestColour(int red, int green, int blue) const;

    int colourCount() const { return count_; }
    int red(int index) const { return red_[static_cast<std::size_t>(index)]; }
    int green(int index) const { return green_[static_cast<std::size_t>(index)]; }
    int blue(int index) const { return blue_[static_cast<std::size_t>(index)]; }

    void SetTransparentIndex(int index) { transparent_ = index; }
    int transparentIndex() const { return transparent_; }
    void SetInterlaced(bool interlaced) { interlaced_ = interlaced; }
    bool interlaced() const { return interlaced_; }

    // Stores the low 8 bits of index; positions outside the image are ignored.
    void PutPixel(std::int32_t x, std::int32_t y, int index);
    // The stored index, or 0 outside the image.
    std::uint8_t PixelAt(std::int32_t x, std::int32_t y) const;

    // Row y (0 = top), width() indices; y must be inside the image.
    const std::uint8_t* row(std::int32_t y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
    std::uint8_t* row(std::int32_t y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }

private:
    IndexedImage(std::int32_t width, std::int32_t height) : width_(width), height_(height) {}

    std::int32_t width_;
    std::int32_t height_;
    std::vector<std::uint8_t, plat::LargeAllocator<std::uint8_t>> pixels_;
    int count_ = 0;
    std::array<int, kMaxColours> red_{}, green_{}, blue_{};
    int transparent_ = -1;
    bool interlaced_ = false;
};

} // namespace pictaf
