// MapDibToIndexed: fills an IndexedImage from a 24-bit PackedDib of the same
// size. Entry 0 is bgColor; then every new colour in the order the scan meets
// it (bottom row first, each row left to right); once 256 entries are in use
// every further new colour takes its nearest entry (squared distance, lowest
// index on ties).
//
// ColourMapper answers "which index for this colour" exactly as those linear
// searches would, but remembers each answer: the table only ever grows, so an
// exact match never changes, and once it is full nothing changes at all.
// Every entry's colour is remembered when it is added, so a colour not yet
// remembered is known not to be in the table. Nearest searches look only at
// the entries that can win inside a small box of colour space.
#pragma once

#include "engine/IndexedImage.h"
#include "engine/PackedDib.h"
#include "engine/Pipeline.h"
#include "engine/Status.h"

#include <QImage>

#include <cstdint>
#include <memory>
#include <vector>

namespace pictaf {

class ColourMapper {
public:
    // Throws std::bad_alloc when its memory can't be had. Entries already in
    // image are remembered (the lowest index of equal colours).
    explicit ColourMapper(IndexedImage& image);
    ~ColourMapper();
    ColourMapper(const ColourMapper&) = delete;
    ColourMapper& operator=(const ColourMapper&) = delete;

    // The index for a colour given as 0xRRGGBB, adding it to the table when
    // it is new and there is room.
    std::uint8_t indexOf(std::uint32_t rgb)
    {
        const std::uint16_t known = answer(rgb);
        return known != 0 ? static_cast<std::uint8_t>(known - 1) : resolve(rgb);
    }

private:
    // Remembered answers, by 16 x 16 x 16 box of colour space: a box gets its
    // 4096 answers on first use, packed one after another in one block, so
    // that the colours of a photograph (close to each other, in few boxes)
    // share pages and the untouched part of colour space costs nothing.
    std::uint16_t& answer(std::uint32_t rgb)
    {
        const std::uint32_t box = ((rgb >> 12) & 0xf00) | ((rgb >> 8) & 0xf0) | ((rgb >> 4) & 0xf);
        std::uint16_t block = boxBlock_[box];
        if (block == 0) {
            block = boxBlock_[box] = ++blocksUsed_;
            if (block <= dirtyBlocks_)
                clearBlock(block);
        }
        const std::uint32_t inBox = ((rgb >> 8) & 0xf00) | ((rgb >> 4) & 0xf0) | (rgb & 0xf);
        return answers_[(static_cast<std::size_t>(block - 1) << 12) | inBox];
    }
    std::uint8_t resolve(std::uint32_t rgb);
    int nearestWhenFull(int red, int green, int blue);
    struct BoxCandidates;
    void fillBox(BoxCandidates& list, int r0, int g0, int b0) const;
    static std::size_t nearestCandidate(const BoxCandidates& list, int red, int green, int blue);

    static constexpr std::size_t kAnswerBytes = (std::size_t{1} << 24) * sizeof(std::uint16_t);

    IndexedImage& image_;
    // Index + 1 for every colour answered so far, 0 for not yet asked.
    std::uint16_t* answers_;
    std::uint16_t boxBlock_[4096] = {}; // block + 1 of each box, 0 before its first colour
    std::uint16_t blocksUsed_ = 0;
    // A block of answers left by the previous mapper on this thread is used
    // again (small pictures convert by the thousand, and fresh memory costs
    // a page fault and a cleared page each time); its first dirtyBlocks_
    // blocks hold old answers and are cleared when first given to a box.
    std::uint16_t dirtyBlocks_ = 0;
    void clearBlock(std::uint16_t block);
    // Per box of colour space, the entries that can be nearest to some colour
    // inside it (filled on first use once the table is full), in index order
    // and laid out for a vector scan: red/green and blue/0 as 16-bit pairs,
    // padded with far-away entries to a whole number of 8-entry blocks.
    struct BoxCandidates {
        std::vector<std::int16_t> redGreen;
        std::vector<std::int16_t> blueZero;
        std::vector<std::uint8_t> index;
    };
    static constexpr std::size_t kBlock = 8;
    static constexpr std::int16_t kFarAway = 2000;
    // Made only for the boxes a picture reaches: all 4096 up front would be
    // a quarter megabyte of fresh memory to fault in for every picture.
    std::vector<std::unique_ptr<BoxCandidates>> candidates_;
};

// Fails (BadSize) when the DIB is not a 24-bit DIB of the image's size.
Status MapDibToIndexed(const PackedDib& dib, IndexedImage& image, ConversionFlags flags, std::uint32_t bgColor);

// The same mapping read straight from a bitmap's pixels: what MapDibToIndexed
// gives for CaptureDib24 of that bitmap, without making the DIB.
Status MapBitmapToIndexed(const QImage& bitmap, IndexedImage& image, ConversionFlags flags, std::uint32_t bgColor);

} // namespace pictaf
