#include "PictureExtent.h"

#include <common/ByteReader.h>
#include <common/DibHeader.h>
#include <common/MetafileFormat.h>
#include <gdi/Dib.h>
#include <metafile/WindowsMetafile.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace pictaf::convert {

namespace {

constexpr std::uint64_t kUnbounded = std::numeric_limits<std::uint64_t>::max();
constexpr std::uint64_t kWmfHeaderBytes = 18;
constexpr std::uint64_t kEmfMinHeaderBytes = 88;

std::uint64_t bmpLength(std::span<const std::uint8_t> head)
{
    plat::ByteReader file(head, 2);
    const std::uint32_t fileSize = file.u32();
    file.skip(4);
    const std::uint32_t bitsOffset = file.u32();
    const auto info = head.subspan(14);
    plat::DibHeaderFields dib;
    plat::readDibHeaderFields(info, dib);
    if (dib.size < 12 || dib.size + std::uint64_t{14} > head.size())
        return 0;
    // Fields past the header's own size are not its own.
    const std::uint32_t compression = dib.size >= 20 && dib.size != 12 ? dib.compression : 0;
    const std::uint32_t imageSize = dib.size >= 24 && dib.size != 12 ? dib.imageSize : 0;
    const bool os2 = dib.size >= 16 && dib.size <= 64 && dib.size != 40 && dib.size != 52 && dib.size != 56;
    // The header and colour table are read whatever the pixel offset says.
    const std::int64_t offset = plat::PackedDibBitsOffset(info);
    if (offset < 0)
        return 0;
    const std::uint64_t tableEnd = 14 + static_cast<std::uint64_t>(offset);
    const std::uint64_t pixelsAt = bitsOffset != 0 ? bitsOffset : tableEnd;
    // Plain pixels and bit fields are exactly stride x height, which is all
    // the readers take (a shorter file reads as black, its choice); the
    // file size field is often wrong and is not needed.
    const bool plain = compression == 0 || (!os2 && (compression == 3 || compression == 6));
    if (plain) {
        const std::int64_t stride = plat::DibStride(dib.width, dib.bitCount);
        const std::uint64_t rows = dib.height < 0 ? -static_cast<std::int64_t>(dib.height) : dib.height;
        if (stride <= 0 || dib.width <= 0)
            return 0;
        if (rows > (kUnbounded - pixelsAt) / static_cast<std::uint64_t>(stride))
            return kUnbounded;
        return std::max(tableEnd, pixelsAt + static_cast<std::uint64_t>(stride) * rows);
    }
    // Run-length data and embedded JPEG or PNG: the size the header gives,
    // else all the file its size field says there is.
    if (imageSize != 0)
        return std::max(tableEnd, pixelsAt + imageSize);
    return fileSize > pixelsAt ? std::max<std::uint64_t>(tableEnd, fileSize) : 0;
}

std::uint64_t wmfLength(std::span<const std::uint8_t> head, std::uint64_t at)
{
    plat::MetaHeader header;
    if (head.size() < at || !plat::ReadMetaHeader(head.subspan(static_cast<std::size_t>(at)), header))
        return 0;
    // The records the standard header counts are all the player reads.
    return at + std::max<std::uint64_t>(std::uint64_t{header.sizeWords} * 2, kWmfHeaderBytes);
}

MarkedEnd jpegEnd(std::span<const std::uint8_t> b)
{
    MarkedEnd result;
    result.marked = true;
    const std::size_t n = b.size();
    std::size_t p = 2;
    for (;;) {
        // As the decoder does: bytes before a marker are skipped, and so are
        // fill bytes (0xFF) before its code.
        while (p < n && b[p] != 0xFF)
            ++p;
        while (p < n && b[p] == 0xFF)
            ++p;
        if (p >= n)
            return result;
        const std::uint8_t code = b[p++];
        if (code == 0xD9) {
            result.pictureWhole = true;
            result.end = p;
            return result;
        }
        if (code == 0x00 || code == 0x01 || (code >= 0xD0 && code <= 0xD8))
            continue; // no length follows
        if (p + 2 > n)
            return result;
        const std::size_t length = std::size_t{b[p]} << 8 | b[p + 1];
        if (length < 2 || length > n - p)
            return result;
        p += length;
        if (code != 0xDA)
            continue;
        // Entropy-coded data after a start of scan: 0xFF in it is always
        // followed by 0 (a stuffed byte) or a restart marker, so the next
        // other marker is the first 0xFF followed by anything else.
        for (;;) {
            const void* ff = p < n ? std::memchr(&b[p], 0xFF, n - p) : nullptr;
            if (ff == nullptr)
                return result;
            p = static_cast<std::size_t>(static_cast<const std::uint8_t*>(ff) - b.data());
            if (p + 1 >= n)
                return result;
            const std::uint8_t next = b[p + 1];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7))
                p += 2;
            else if (next == 0xFF)
                ++p;
            else
                break;
        }
    }
}

MarkedEnd pngEnd(std::span<const std::uint8_t> b)
{
    MarkedEnd result;
    result.marked = true;
    std::uint64_t p = 8;
    while (p + 12 <= b.size()) {
        const std::uint64_t length =
            std::uint64_t{b[p]} << 24 | std::uint64_t{b[p + 1]} << 16 | std::uint64_t{b[p + 2]} << 8 | b[p + 3];
        const bool last = std::memcmp(&b[p + 4], "IEND", 4) == 0;
        p += 12 + length; // length, type, data, checksum
        if (p > b.size())
            break;
        if (last) {
            result.pictureWhole = true;
            result.end = p;
            break;
        }
    }
    return result;
}

// The first frame is all that is read of a GIF, so it is whole when the
// first image's data is; a missing trailer after it is common and harmless.
MarkedEnd gifEnd(std::span<const std::uint8_t> b, const MarkedEnd* from)
{
    MarkedEnd result;
    result.marked = true;
    const std::uint64_t n = b.size();
    if (n < 13)
        return result;
    std::uint64_t p = 13;
    if (b[10] & 0x80)
        p += std::uint64_t{3} << ((b[10] & 7) + 1);
    if (from != nullptr && from->resumeAt > p) {
        p = from->resumeAt;
        result.pictureWhole = from->pictureWhole;
    }
    // Sub-blocks, each a length byte then that many bytes, up to a 0 length.
    const auto skipBlocks = [&](std::uint64_t& at) {
        while (at < n) {
            const std::uint8_t length = b[static_cast<std::size_t>(at++)];
            if (length == 0)
                return true;
            at += length;
        }
        return false;
    };
    while (p < n) {
        result.resumeAt = p;
        const std::uint8_t introducer = b[static_cast<std::size_t>(p++)];
        if (introducer == 0x3B) {
            result.end = p;
            return result;
        }
        if (introducer == 0x21) {
            ++p; // label
            if (!skipBlocks(p))
                return result;
        } else if (introducer == 0x2C) {
            if (p + 10 > n)
                return result;
            const std::uint8_t flags = b[static_cast<std::size_t>(p + 8)];
            p += 9;
            if (flags & 0x80)
                p += std::uint64_t{3} << ((flags & 7) + 1);
            ++p; // minimum code size
            if (!skipBlocks(p))
                return result;
            result.pictureWhole = true;
        } else {
            return result; // not a GIF block: the decoder stops here too
        }
    }
    result.resumeAt = p;
    return result;
}

} // namespace

std::uint64_t DeclaredLength(std::span<const std::uint8_t> head)
{
    plat::ByteReader r(head);
    const std::uint32_t first = r.u32();
    if (!r.ok())
        return 0;
    // WebP: "RIFF", the size of what follows (padded to even), "WEBP".
    if (head.size() >= 12 && std::memcmp(head.data(), "RIFF", 4) == 0 && std::memcmp(&head[8], "WEBP", 4) == 0) {
        const std::uint64_t riff = plat::ByteReader(head, 4).u32();
        return 8 + riff + (riff & 1);
    }
    if (head.size() >= 14 + 4 && head[0] == 'B' && head[1] == 'M')
        return bmpLength(head);
    if (first == plat::kPlaceableKey)
        return wmfLength(head, plat::kPlaceableHeaderSize);
    if (first == plat::kEmfHeaderType) {
        plat::ByteReader emf(head, 40);
        const std::uint32_t signature = emf.u32();
        emf.u32(); // version
        const std::uint32_t bytes = emf.u32();
        if (emf.ok() && signature == plat::kEmfSignature)
            return bytes >= kEmfMinHeaderBytes ? bytes : 0;
    }
    return wmfLength(head, 0);
}

MarkedEnd FindMarkedEnd(std::span<const std::uint8_t> bytes, const MarkedEnd* from)
{
    static constexpr std::uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    MarkedEnd end;
    if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) {
        end = jpegEnd(bytes);
        end.mark = "\xFF\xD9";
    } else if (bytes.size() >= 8 && std::memcmp(bytes.data(), kPng, 8) == 0) {
        end = pngEnd(bytes);
        end.mark = "IEND";
    } else if (bytes.size() >= 6
               && (std::memcmp(bytes.data(), "GIF87a", 6) == 0 || std::memcmp(bytes.data(), "GIF89a", 6) == 0)) {
        end = gifEnd(bytes, from);
        end.mark = ";";
    }
    return end;
}

} // namespace pictaf::convert
