#include "metafile/EnhancedMetafile.h"

#include "common/ByteReader.h"
#include "common/MetafileFormat.h"
#include "gdi/DeviceContext.h"
#include "metafile/EmfPlayer.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace plat {

namespace {

constexpr std::uint32_t kMinHeaderSize = 88;

RectL readRect(ByteReader& r)
{
    RectL rect;
    rect.left = r.i32();
    rect.top = r.i32();
    rect.right = r.i32();
    rect.bottom = r.i32();
    return rect;
}

} // namespace

EnhancedMetafile::EnhancedMetafile(EnhMetaHeader header, std::vector<std::uint8_t> bytes)
    : header_(header), bytes_(std::move(bytes))
{
}

bool ReadEnhMetaHeader(std::span<const std::uint8_t> bytes, EnhMetaHeader& h)
{
    ByteReader r(bytes);
    const std::uint32_t type = r.u32();
    h.size = r.u32();
    h.bounds = readRect(r);
    h.frame = readRect(r);
    h.signature = r.u32();
    r.u32(); // version
    h.bytes = r.u32();
    h.records = r.u32();
    h.handles = r.u16();
    r.u16();    // reserved
    r.skip(12); // description length and offset, palette entries
    h.devicePixelsX = r.i32();
    h.devicePixelsY = r.i32();
    h.deviceMillimetresX = r.i32();
    h.deviceMillimetresY = r.i32();
    return r.ok() && type == kEmfHeaderType && h.signature == kEmfSignature && h.size >= kMinHeaderSize
        && h.size <= bytes.size();
}

HGDIOBJ SetEnhMetaFileBits(std::span<const std::uint8_t> bytes)
{
    EnhMetaHeader header;
    if (!ReadEnhMetaHeader(bytes, header))
        return 0;
    return RegisterObject(
        std::make_shared<EnhancedMetafile>(header, std::vector<std::uint8_t>(bytes.begin(), bytes.end())));
}

HGDIOBJ GetEnhMetaFileA(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        return 0;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < static_cast<std::streamoff>(kMinHeaderSize) || static_cast<std::uint64_t>(size) > kMaxMetafileBytes)
        return 0;
    in.seekg(0, std::ios::beg);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size))
        return 0;
    return SetEnhMetaFileBits(bytes);
}

std::shared_ptr<EnhancedMetafile> LookupEnhMetafile(HGDIOBJ handle)
{
    auto object = LookupObject(handle);
    if (!object || object->type() != OBJ_ENHMETAFILE)
        return nullptr;
    return std::static_pointer_cast<EnhancedMetafile>(object);
}

std::size_t GetEnhMetaFileHeader(HGDIOBJ handle, std::span<std::uint8_t> out)
{
    auto emf = LookupEnhMetafile(handle);
    if (!emf)
        return 0;
    const std::size_t available = std::min<std::size_t>(emf->header().size, emf->bytes().size());
    const std::size_t n = std::min(out.size(), available);
    std::memcpy(out.data(), emf->bytes().data(), n);
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(n), out.end(), std::uint8_t{0});
    return out.size();
}

bool DeleteEnhMetaFile(HGDIOBJ handle) { return LookupEnhMetafile(handle) ? DeleteObject(handle) : false; }

PlaybackResult PlayEnhMetaFile(DeviceContext& dc, HGDIOBJ metafile, const QRectF& rect)
{
    auto emf = LookupEnhMetafile(metafile);
    if (!emf || !dc.isValid())
        return {};
    const EnhMetaHeader& h = emf->header();

    // The reference device the picture was recorded for. Headers with no
    // usable device sizes are taken as a 96 dpi screen.
    gdi::DeviceMetrics metrics;
    if (h.devicePixelsX > 0 && h.devicePixelsY > 0 && h.deviceMillimetresX > 0 && h.deviceMillimetresY > 0) {
        metrics.pixels = QSizeF(h.devicePixelsX, h.devicePixelsY);
        metrics.millimetres = QSizeF(h.deviceMillimetresX, h.deviceMillimetresY);
    }
    const double pxPerMmX = metrics.pixels.width() / metrics.millimetres.width();
    const double pxPerMmY = metrics.pixels.height() / metrics.millimetres.height();

    // The frame (0.01 mm) in reference pixels is what fills the rectangle; a
    // degenerate frame falls back to the bounds.
    double fx = h.frame.left * pxPerMmX / 100.0, fy = h.frame.top * pxPerMmY / 100.0;
    double fw = (static_cast<double>(h.frame.right) - h.frame.left) * pxPerMmX / 100.0;
    double fh = (static_cast<double>(h.frame.bottom) - h.frame.top) * pxPerMmY / 100.0;
    if (!(fw > 0) || !(fh > 0)) {
        fx = h.bounds.left;
        fy = h.bounds.top;
        fw = static_cast<double>(h.bounds.right) - h.bounds.left;
        fh = static_cast<double>(h.bounds.bottom) - h.bounds.top;
    }
    if (!(fw > 0))
        fw = 1;
    if (!(fh > 0))
        fh = 1;
    const QRectF target = dc.logicalToDevice().mapRect(rect.normalized());
    const QTransform playback = QTransform::fromTranslate(-fx, -fy)
        * QTransform::fromScale(target.width() / fw, target.height() / fh)
        * QTransform::fromTranslate(target.left(), target.top());

    dc.beginPlayback();
    dc.resetForPlayback(playback, metrics);
    metafile::EmfPlayer player(dc, emf->bytes(), h);
    const PlaybackResult result = player.play();
    dc.endPlayback();
    return result;
}

} // namespace plat
