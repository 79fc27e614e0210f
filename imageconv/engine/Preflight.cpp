#include "engine/Preflight.h"

#include "engine/Pipeline.h"

#include <common/ByteReader.h>
#include <common/MetafileFormat.h>
#include <gdi/GdiObjects.h>

#include <algorithm>
#include <fcntl.h>
#include <fstream>
#include <limits>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

namespace pictaf {

namespace {

constexpr std::uint64_t kUnlimited = std::numeric_limits<std::uint64_t>::max();
// The colour mapper's remembered answers, at most.
constexpr std::uint64_t kColourTables = std::uint64_t{32} << 20;

// Up to count bytes from the start of the file; how many arrived, -1 when it
// can't be opened.
long readHead(const std::string& name, std::uint8_t* into, std::size_t count)
{
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    std::size_t have = 0;
    while (have < count) {
        const ssize_t got = ::read(fd, into + have, count - have);
        if (got <= 0)
            break;
        have += static_cast<std::size_t>(got);
    }
    ::close(fd);
    return static_cast<long>(have);
}

std::uint64_t mulDiv(std::uint64_t n, std::uint64_t p, std::uint64_t q) { return q == 0 ? 0 : n * p / q; }

std::uint64_t firstNumber(const std::string& file, const std::string& key)
{
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, key.size(), key) != 0)
            continue;
        std::istringstream fields(line.substr(key.size()));
        std::uint64_t value = 0;
        if (fields >> value)
            return value;
    }
    return kUnlimited;
}

std::uint64_t readNumberFile(const std::string& file)
{
    std::ifstream in(file);
    std::string text;
    if (!(in >> text) || text == "max")
        return kUnlimited;
    try {
        return std::stoull(text);
    } catch (...) {
        return kUnlimited;
    }
}

// The tightest memory.max - memory.current of this process's control group
// and its ancestors (cgroup v2).
std::uint64_t cgroupRoom()
{
    std::ifstream in("/proc/self/cgroup");
    std::string line, group;
    while (std::getline(in, line))
        if (line.compare(0, 3, "0::") == 0)
            group = line.substr(3);
    if (group.empty())
        return kUnlimited;
    std::uint64_t room = kUnlimited;
    for (;;) {
        const std::string dir = "/sys/fs/cgroup" + (group == "/" ? std::string() : group);
        const std::uint64_t limit = readNumberFile(dir + "/memory.max");
        if (limit != kUnlimited) {
            const std::uint64_t used = readNumberFile(dir + "/memory.current");
            room = std::min(room, used == kUnlimited || used > limit ? 0 : limit - used);
        }
        if (group == "/" || group.empty())
            break;
        const auto slash = group.rfind('/');
        group = slash == 0 || slash == std::string::npos ? "/" : group.substr(0, slash);
    }
    return room;
}

// Room left under a resource limit, given the pages already counted against it.
std::uint64_t limitRoom(int resource, std::uint64_t usedPages)
{
    struct rlimit limit {};
    if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return kUnlimited;
    const std::uint64_t used = usedPages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    return used >= limit.rlim_cur ? 0 : limit.rlim_cur - used;
}

} // namespace

bool PeekFileSize(const std::string& name, PictureSize& size)
{
    std::uint8_t head[40] = {};
    const long have = readHead(name, head, sizeof head);
    if (have < 0)
        return false;
    // Same order and same lengths as the loaders' probes.
    plat::ByteReader r(std::span(head, static_cast<std::size_t>(have)));
    const std::uint32_t first = r.u32();
    plat::PlaceableHeader placeable;
    if (have >= 22 && plat::readPlaceableHeader(head, placeable) && placeable.key == plat::kPlaceableKey) {
        std::uint16_t unitsPerInch = placeable.unitsPerInch;
        if (unitsPerInch == 0)
            unitsPerInch = plat::kDefaultUnitsPerInch;
        const auto spanX = static_cast<std::uint32_t>(static_cast<std::int32_t>(placeable.right) - placeable.left);
        const auto spanY = static_cast<std::uint32_t>(static_cast<std::int32_t>(placeable.bottom) - placeable.top);
        size.width =
            static_cast<std::uint32_t>(mulDiv(spanX, static_cast<std::uint32_t>(plat::LogPixelsX()), unitsPerInch));
        size.height =
            static_cast<std::uint32_t>(mulDiv(spanY, static_cast<std::uint32_t>(plat::LogPixelsY()), unitsPerInch));
        return true;
    }
    if (have >= 40 && first == plat::kEmfHeaderType) {
        // Enhanced metafile bounds; the file must be 100 bytes for the probe.
        std::uint8_t probe[100];
        if (readHead(name, probe, sizeof probe) != static_cast<long>(sizeof probe))
            return false;
        r.seek(8);
        const std::int32_t left = r.i32(), top = r.i32(), right = r.i32(), bottom = r.i32();
        size.width = std::int64_t{right} - left;
        size.height = std::int64_t{bottom} - top;
        return true;
    }
    if (have >= 26 && head[0] == 'B' && head[1] == 'M') {
        // The file header (14 bytes), then the DIB header's size and sizes.
        r.seek(14);
        const std::uint32_t headerSize = r.u32();
        if (headerSize == 12) {
            size.width = r.u16();
            size.height = r.u16();
            return true;
        }
        if (headerSize >= 16) {
            size.width = r.i32();
            const std::int64_t height = r.i32();
            size.height = height < 0 ? -height : height;
            return true;
        }
    }
    return false;
}

PictureSize ScaledSize(const PictureSize& size, std::int32_t scaleX, std::int32_t scaleY)
{
    if (!size.valid() || size.width > 0xffffffffLL || size.height > 0xffffffffLL)
        return {};
    return {ScaleDimension(static_cast<std::uint32_t>(size.width), scaleX),
            ScaleDimension(static_cast<std::uint32_t>(size.height), scaleY)};
}

std::uint64_t ConversionMemoryNeed(const PictureSize& source, const PictureSize& output, std::uint64_t sourceBytes)
{
    const auto pixels = [](const PictureSize& s) {
        return s.valid() ? static_cast<std::uint64_t>(s.width) * static_cast<std::uint64_t>(s.height) : 0;
    };
    const std::uint64_t in = pixels(source);
    const std::uint64_t out = pixels(output);
    // The steps run one after another and free what they are done with:
    // decode (file bytes and the bitmap), stretch (both bitmaps), write (the
    // stretched bitmap and an index per pixel with the colour tables, or a
    // 24-bit capture).
    const std::uint64_t decode = sourceBytes + in * 4;
    const std::uint64_t stretch = in * 4 + out * 4;
    const std::uint64_t write = out * 4 + std::max(out + kColourTables, out * 3);
    return std::max({decode, stretch, write});
}

std::uint64_t SpareMemoryBytes()
{
    std::uint64_t spare = firstNumber("/proc/meminfo", "MemAvailable:");
    if (spare != kUnlimited)
        spare *= 1024;
    spare = std::min(spare, cgroupRoom());
    // statm: total program size, resident, shared, text, lib, data (pages).
    std::ifstream statm("/proc/self/statm");
    std::uint64_t total = 0, resident = 0, shared = 0, text = 0, lib = 0, data = 0;
    statm >> total >> resident >> shared >> text >> lib >> data;
    spare = std::min(spare, limitRoom(RLIMIT_AS, total));
    spare = std::min(spare, limitRoom(RLIMIT_DATA, data));
    return spare;
}

Status CheckConversion(const PictureSize& source, const PictureSize& output, bool gif, std::uint64_t sourceBytes)
{
    if (gif && output.valid() && (output.width > 0xffff || output.height > 0xffff))
        return Status::TooLargeForGif;
    if (!source.valid() || !output.valid())
        return Status::Ok;
    if (ConversionMemoryNeed(source, output, sourceBytes) > SpareMemoryBytes())
        return Status::NotEnoughMemory;
    return Status::Ok;
}

} // namespace pictaf
