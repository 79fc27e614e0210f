#include "engine/ColourMapper.h"

#include <gdi/Dib.h>
#include <gdi/LargeBuffer.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace pictaf {

namespace {
constexpr int kBoxBits = 4; // boxes of 16 values per channel, 4096 boxes
constexpr int kBoxes = 1 << (3 * (8 - kBoxBits));

std::int32_t axisMin(int v, int lo, int hi) { return v < lo ? lo - v : (v > hi ? v - hi : 0); }
std::int32_t axisMax(int v, int lo, int hi) { return std::max(std::abs(v - lo), std::abs(v - hi)); }

std::uint32_t rgbOf(int red, int green, int blue)
{
    return (static_cast<std::uint32_t>(red) << 16) | (static_cast<std::uint32_t>(green) << 8)
        | static_cast<std::uint32_t>(blue);
}

// Entry 0 and the flags: the steps before the pixels are looked at.
void startMapping(IndexedImage& image, ConversionFlags flags, std::uint32_t bgColor)
{
    const int background = image.AddColour(bgColor & 0xff, (bgColor >> 8) & 0xff, (bgColor >> 16) & 0xff);
    if (flags & kFlagTransparent)
        image.SetTransparentIndex(background);
    if (flags & kFlagInterlaced)
        image.SetInterlaced(true);
}
} // namespace

namespace {
// The answers block kept for the next mapper on this thread, and how many of
// its blocks were written. Only blocks of pictures with few colours are kept,
// so a thread holds at most kKeptBlocks x 8 KB (8 MB) between pictures.
constexpr std::uint16_t kKeptBlocks = 1024;
struct KeptAnswers {
    std::uint16_t* block = nullptr;
    std::size_t bytes = 0;
    std::uint16_t dirty = 0;
    ~KeptAnswers() { plat::FreeLarge(block, bytes); }
};
thread_local KeptAnswers kept;
} // namespace

ColourMapper::ColourMapper(IndexedImage& image) : image_(image), answers_(nullptr)
{
    if (kept.block) {
        answers_ = kept.block;
        dirtyBlocks_ = kept.dirty;
        kept.block = nullptr;
    } else {
        answers_ = static_cast<std::uint16_t*>(plat::AllocateLarge(kAnswerBytes));
    }
    if (!answers_)
        throw std::bad_alloc();
    for (int i = 0; i < image.colourCount(); ++i) {
        std::uint16_t& slot = answer(rgbOf(image.red(i) & 0xff, image.green(i) & 0xff, image.blue(i) & 0xff));
        if (slot == 0)
            slot = static_cast<std::uint16_t>(i + 1);
    }
}

ColourMapper::~ColourMapper()
{
    const std::uint16_t dirty = std::max(blocksUsed_, dirtyBlocks_);
    if (!kept.block && dirty <= kKeptBlocks) {
        kept.block = answers_;
        kept.bytes = kAnswerBytes;
        kept.dirty = dirty;
    } else {
        plat::FreeLarge(answers_, kAnswerBytes);
    }
}

void ColourMapper::clearBlock(std::uint16_t block)
{
    std::memset(answers_ + (static_cast<std::size_t>(block - 1) << 12), 0, std::size_t{4096} * sizeof(std::uint16_t));
}

std::uint8_t ColourMapper::resolve(std::uint32_t rgb)
{
    const int red = static_cast<int>((rgb >> 16) & 0xff);
    const int green = static_cast<int>((rgb >> 8) & 0xff);
    const int blue = static_cast<int>(rgb & 0xff);
    // Not remembered, so not in the table: FindExactColour would say -1.
    int index = image_.AddColour(red, green, blue);
    if (index < 0)
        index = nearestWhenFull(red, green, blue);
    answer(rgb) = static_cast<std::uint16_t>(index + 1);
    return static_cast<std::uint8_t>(index);
}

// Exact FindNearestColour over a full table. For a colour q in box B, the true
// winner w satisfies minDist(B, w) <= d(q, w) <= d(q, e) <= maxDist(B, e) for
// every entry e, so w (and every entry tied with it) is among the entries
// whose minDist(B, .) is at most the smallest maxDist(B, .). Those few are
// then measured all at once, several per vector instruction; they are kept in
// index order, so keeping the first of equal distances keeps the lowest
// index, as the linear search does.
int ColourMapper::nearestWhenFull(int red, int green, int blue)
{
    if (candidates_.empty())
        candidates_.resize(kBoxes);
    const int shift = 8 - kBoxBits;
    const std::size_t box = static_cast<std::size_t>(((red >> kBoxBits) << (2 * shift)) | ((green >> kBoxBits) << shift)
                                                     | (blue >> kBoxBits));
    std::unique_ptr<BoxCandidates>& slot = candidates_[box];
    if (!slot)
        slot = std::make_unique<BoxCandidates>();
    BoxCandidates& list = *slot;
    if (list.index.empty())
        fillBox(list, (red >> kBoxBits) << kBoxBits, (green >> kBoxBits) << kBoxBits, (blue >> kBoxBits) << kBoxBits);
    return list.index[nearestCandidate(list, red, green, blue)];
}

void ColourMapper::fillBox(BoxCandidates& list, int r0, int g0, int b0) const
{
    const int last = (1 << kBoxBits) - 1;
    const int count = image_.colourCount();
    struct Entry {
        int red, green, blue, index;
        std::int32_t nearEdge, farEdge;
    };
    std::vector<Entry> entries;
    entries.reserve(static_cast<std::size_t>(count));
    std::int32_t bound = std::numeric_limits<std::int32_t>::max();
    for (int i = 0; i < count; ++i) {
        const int r = image_.red(i), g = image_.green(i), b = image_.blue(i);
        const std::int32_t fr = axisMax(r, r0, r0 + last), fg = axisMax(g, g0, g0 + last),
                           fb = axisMax(b, b0, b0 + last);
        const std::int32_t nr = axisMin(r, r0, r0 + last), ng = axisMin(g, g0, g0 + last),
                           nb = axisMin(b, b0, b0 + last);
        entries.push_back({r, g, b, i, nr * nr + ng * ng + nb * nb, fr * fr + fg * fg + fb * fb});
        bound = std::min(bound, entries.back().farEdge);
    }
    std::erase_if(entries, [bound](const Entry& e) { return e.nearEdge > bound; });

    // A few entries that are close to the whole box try to rule the others
    // out: p can never be nearest in the box when some e is strictly closer
    // to every colour of it. d(q, p) - d(q, e) is linear in q, so its least
    // value over the box is at a corner, found axis by axis. An entry ruled
    // out by one that is itself ruled out is still beaten everywhere (the
    // relation is transitive), so the true winner always stays. Equal
    // distances anywhere keep p, which may win a tie by its lower index.
    std::vector<Entry> testers = entries;
    const std::size_t testerCount = std::min<std::size_t>(testers.size(), 8);
    std::partial_sort(testers.begin(), testers.begin() + static_cast<std::ptrdiff_t>(testerCount), testers.end(),
                      [](const Entry& a, const Entry& b) { return a.farEdge < b.farEdge; });
    testers.resize(testerCount);
    auto leastOverBox = [&](std::int32_t coefficient, int low) {
        return coefficient >= 0 ? coefficient * low : coefficient * (low + last);
    };
    auto beatenEverywhere = [&](const Entry& p, const Entry& e) {
        const std::int32_t constant = (p.red * p.red + p.green * p.green + p.blue * p.blue)
            - (e.red * e.red + e.green * e.green + e.blue * e.blue);
        const std::int32_t least = constant + leastOverBox(-2 * (p.red - e.red), r0)
            + leastOverBox(-2 * (p.green - e.green), g0) + leastOverBox(-2 * (p.blue - e.blue), b0);
        return least > 0;
    };
    std::erase_if(entries, [&](const Entry& p) {
        return std::any_of(testers.begin(), testers.end(),
                           [&](const Entry& e) { return e.index != p.index && beatenEverywhere(p, e); });
    });

    for (const Entry& e : entries) {
        list.redGreen.insert(list.redGreen.end(),
                             {static_cast<std::int16_t>(e.red), static_cast<std::int16_t>(e.green)});
        list.blueZero.insert(list.blueZero.end(), {static_cast<std::int16_t>(e.blue), 0});
        list.index.push_back(static_cast<std::uint8_t>(e.index));
    }
    // Padding entries lie so far outside colour space that they never win;
    // their squared distances still fit the 32-bit sums of 16-bit products.
    while (list.index.size() % kBlock != 0) {
        list.redGreen.insert(list.redGreen.end(), {kFarAway, kFarAway});
        list.blueZero.insert(list.blueZero.end(), {kFarAway, 0});
        list.index.push_back(0);
    }
}

namespace {

#if defined(__x86_64__) || defined(__i386__)
// Distances of four (SSE2) or eight (AVX2) candidates at a time: with the
// differences as 16-bit pairs, one multiply-add gives dr^2 + dg^2 per 32-bit
// lane and a second gives db^2. Each lane keeps its first smallest distance;
// the lanes are then merged, equal distances going to the lower position.
template <typename Vector>
std::size_t mergeLanes(const Vector& best, const Vector& where)
{
    constexpr int lanes = sizeof(Vector) / 4;
    alignas(32) std::int32_t distance[lanes];
    alignas(32) std::int32_t position[lanes];
    std::memcpy(distance, &best, sizeof distance);
    std::memcpy(position, &where, sizeof position);
    int winner = 0;
    for (int l = 1; l < lanes; ++l)
        if (distance[l] < distance[winner] || (distance[l] == distance[winner] && position[l] < position[winner]))
            winner = l;
    return static_cast<std::size_t>(position[winner]);
}

__attribute__((target("avx2"))) std::size_t nearestAvx2(const std::int16_t* redGreen, const std::int16_t* blueZero,
                                                        std::size_t count, int red, int green, int blue)
{
    const __m256i queryRG = _mm256_set1_epi32(static_cast<int>((static_cast<std::uint32_t>(green) << 16) | red));
    const __m256i queryB = _mm256_set1_epi32(blue);
    __m256i best = _mm256_set1_epi32(std::numeric_limits<std::int32_t>::max());
    __m256i where = _mm256_setzero_si256();
    __m256i position = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i step = _mm256_set1_epi32(8);
    for (std::size_t i = 0; i < count; i += 8) {
        const __m256i rg =
            _mm256_sub_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(redGreen + 2 * i)), queryRG);
        const __m256i b =
            _mm256_sub_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(blueZero + 2 * i)), queryB);
        const __m256i distance = _mm256_add_epi32(_mm256_madd_epi16(rg, rg), _mm256_madd_epi16(b, b));
        const __m256i closer = _mm256_cmpgt_epi32(best, distance);
        best = _mm256_blendv_epi8(best, distance, closer);
        where = _mm256_blendv_epi8(where, position, closer);
        position = _mm256_add_epi32(position, step);
    }
    return mergeLanes(best, where);
}

std::size_t nearestSse2(const std::int16_t* redGreen, const std::int16_t* blueZero, std::size_t count, int red,
                        int green, int blue)
{
    const __m128i queryRG = _mm_set1_epi32(static_cast<int>((static_cast<std::uint32_t>(green) << 16) | red));
    const __m128i queryB = _mm_set1_epi32(blue);
    __m128i best = _mm_set1_epi32(std::numeric_limits<std::int32_t>::max());
    __m128i where = _mm_setzero_si128();
    __m128i position = _mm_setr_epi32(0, 1, 2, 3);
    const __m128i step = _mm_set1_epi32(4);
    for (std::size_t i = 0; i < count; i += 4) {
        const __m128i rg = _mm_sub_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(redGreen + 2 * i)), queryRG);
        const __m128i b = _mm_sub_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blueZero + 2 * i)), queryB);
        const __m128i distance = _mm_add_epi32(_mm_madd_epi16(rg, rg), _mm_madd_epi16(b, b));
        const __m128i closer = _mm_cmplt_epi32(distance, best);
        best = _mm_or_si128(_mm_and_si128(closer, distance), _mm_andnot_si128(closer, best));
        where = _mm_or_si128(_mm_and_si128(closer, position), _mm_andnot_si128(closer, where));
        position = _mm_add_epi32(position, step);
    }
    return mergeLanes(best, where);
}

// VELNORA_NO_AVX2 lets the tests run the SSE2 path on machines that have AVX2.
const bool kHaveAvx2 = __builtin_cpu_supports("avx2") && !std::getenv("VELNORA_NO_AVX2");
#endif

} // namespace

std::size_t ColourMapper::nearestCandidate(const BoxCandidates& list, int red, int green, int blue)
{
    const std::size_t count = list.index.size();
#if defined(__x86_64__) || defined(__i386__)
    return kHaveAvx2 ? nearestAvx2(list.redGreen.data(), list.blueZero.data(), count, red, green, blue)
                     : nearestSse2(list.redGreen.data(), list.blueZero.data(), count, red, green, blue);
#else
    std::size_t best = 0;
    std::int32_t bestDistance = std::numeric_limits<std::int32_t>::max();
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t dr = list.redGreen[2 * i] - red, dg = list.redGreen[2 * i + 1] - green,
                           db = list.blueZero[2 * i] - blue;
        const std::int32_t distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
#endif
}

namespace {

// Entry 0 and the flags, then every row from the bottom up, each left to
// right. rowColours(r, colours) yields row r (counted from the bottom) as
// 0xRRGGBB values in colours[0 .. width).
// A pixel equal to bgColor is left at index 0 by definition; the remembered
// answer for it is 0 too (entry 0 holds bgColor's colour and is the lowest),
// so it needs no case of its own. A bgColor with its high byte set matches
// no pixel, and its low bytes are found in entry 0 like any other colour.
template <typename RowColours>
Status mapRows(IndexedImage& image, ConversionFlags flags, std::uint32_t bgColor, RowColours rowColours)
{
    startMapping(image, flags, bgColor);
    std::unique_ptr<ColourMapper> mapper;
    std::vector<std::uint32_t> colours;
    try {
        mapper = std::make_unique<ColourMapper>(image);
        colours.resize(static_cast<std::size_t>(image.width()));
    } catch (const std::bad_alloc&) {
        return Status::OutOfMemory;
    }
    const std::int32_t width = image.width();
    const std::int32_t height = image.height();
    for (std::int32_t r = 0; r < height; ++r) {
        rowColours(r, colours.data());
        std::uint8_t* out = image.row(height - 1 - r);
        std::uint32_t lastKey = 0xffffffffu;
        std::uint8_t lastIndex = 0;
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint32_t key = colours[static_cast<std::size_t>(x)];
            if (key != lastKey) { // runs of one colour ask once
                lastKey = key;
                lastIndex = mapper->indexOf(key);
            }
            out[x] = lastIndex;
        }
    }
    return Status::Ok;
}

} // namespace

Status MapDibToIndexed(const PackedDib& dib, IndexedImage& image, ConversionFlags flags, std::uint32_t bgColor)
{
    DibHeaderView header;
    if (!ReadDibHeader(dib, header) || header.size != 40 || header.bitsPerPixel != 24 || header.compression != 0
        || header.width != image.width() || header.height != image.height())
        return Status::BadSize;
    const std::int64_t stride = plat::DibStride(header.width, 24);
    const std::uint64_t pixelsAt = header.size + DibColourTableSize(header);
    if (stride < 0
        || pixelsAt + static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(header.height) > dib.size())
        return Status::BadSize;
    const std::int32_t width = header.width;
    return mapRows(image, flags, bgColor, [&](std::int32_t r, std::uint32_t* colours) {
        const std::uint8_t* in = dib.data() + pixelsAt + static_cast<std::uint64_t>(r) * stride;
        for (std::int32_t x = 0; x < width; ++x, in += 3)
            colours[x] = (std::uint32_t{in[2]} << 16) | (std::uint32_t{in[1]} << 8) | in[0];
    });
}

Status MapBitmapToIndexed(const QImage& bitmap, IndexedImage& image, ConversionFlags flags, std::uint32_t bgColor)
{
    if (bitmap.width() != image.width() || bitmap.height() != image.height())
        return Status::BadSize;
    const QImage pixels = bitmap.format() == QImage::Format_RGB32 || bitmap.format() == QImage::Format_ARGB32
        ? bitmap
        : bitmap.convertToFormat(QImage::Format_RGB32);
    if (pixels.isNull())
        return Status::OutOfMemory;
    const std::int32_t width = pixels.width();
    const std::int32_t height = pixels.height();
    return mapRows(image, flags, bgColor, [&](std::int32_t r, std::uint32_t* colours) {
        // Bottom row first, as in the DIB.
        const auto* in = reinterpret_cast<const QRgb*>(pixels.constScanLine(height - 1 - r));
        for (std::int32_t x = 0; x < width; ++x)
            colours[x] = in[x] & 0xffffffu;
    });
}

} // namespace pictaf
