#include "gdi/GdiObjects.h"

#include "gdi/LargeBuffer.h"

#include <atomic>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace plat {

namespace {

struct ObjectTable {
    std::mutex mutex;
    std::unordered_map<HGDIOBJ, std::shared_ptr<GdiObject>> objects;
    HGDIOBJ next = 0x00010000; // low values look like ids or booleans; keep clear of them
};

ObjectTable& table()
{
    static ObjectTable* instance = new ObjectTable; // never destroyed: handles may outlive statics
    return *instance;
}

std::atomic<int> logPixelsX{96};
std::atomic<int> logPixelsY{96};

} // namespace

GdiObject::~GdiObject() = default;

Bitmap::Bitmap(QImage img) : image(std::move(img)) {}

bool IsAcceptableBitmapSize(std::int64_t width, std::int64_t height)
{
    return width > 0 && height > 0 && width <= kMaxBitmapDimension && height <= kMaxBitmapDimension
        && width * height <= kMaxBitmapPixels;
}

HGDIOBJ RegisterObject(std::shared_ptr<GdiObject> object)
{
    if (!object)
        return 0;
    ObjectTable& t = table();
    std::lock_guard lock(t.mutex);
    HGDIOBJ handle;
    do {
        handle = t.next++;
    } while (handle == 0 || t.objects.count(handle) != 0);
    t.objects.emplace(handle, std::move(object));
    return handle;
}

std::shared_ptr<GdiObject> LookupObject(HGDIOBJ handle)
{
    if (handle == 0)
        return nullptr;
    ObjectTable& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.objects.find(handle);
    return it == t.objects.end() ? nullptr : it->second;
}

std::shared_ptr<Bitmap> LookupBitmap(HGDIOBJ handle)
{
    auto object = LookupObject(handle);
    if (!object || object->type() != OBJ_BITMAP)
        return nullptr;
    return std::static_pointer_cast<Bitmap>(object);
}

int GetObjectType(HGDIOBJ handle)
{
    auto object = LookupObject(handle);
    return object ? object->type() : OBJ_NONE;
}

bool DeleteObject(HGDIOBJ handle)
{
    std::shared_ptr<GdiObject> doomed; // destroyed outside the lock
    ObjectTable& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.objects.find(handle);
    if (it == t.objects.end())
        return false;
    doomed = std::move(it->second);
    t.objects.erase(it);
    return true;
}

std::size_t LiveObjectCount()
{
    ObjectTable& t = table();
    std::lock_guard lock(t.mutex);
    return t.objects.size();
}

HGDIOBJ CreateCompatibleBitmap(int width, int height)
{
    if (!IsAcceptableBitmapSize(width, height))
        return 0;
    QImage image = AllocateImage(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return 0;
    image.fill(0xff000000u);
    return RegisterObject(std::make_shared<Bitmap>(std::move(image)));
}

HGDIOBJ CreateBitmapFromImage(const QImage& source)
{
    if (source.isNull() || !IsAcceptableBitmapSize(source.width(), source.height()))
        return 0;
    QImage image = source.convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return 0;
    if (image.constBits() == source.constBits())
        image.detach(); // the caller keeps its image; the bitmap owns a copy
    return RegisterObject(std::make_shared<Bitmap>(std::move(image)));
}

bool GetBitmapSize(HGDIOBJ handle, int& width, int& height)
{
    auto bitmap = LookupBitmap(handle);
    if (!bitmap)
        return false;
    width = bitmap->image.width();
    height = bitmap->image.height();
    return true;
}

HGDIOBJ StretchBitmap(HGDIOBJ source, int width, int height)
{
    auto bitmap = LookupBitmap(source);
    if (!bitmap || !IsAcceptableBitmapSize(width, height))
        return 0;
    // Bitmaps are RGB32 by contract; convert anything else rather than misread it.
    const QImage src = bitmap->image.format() == QImage::Format_RGB32
        ? bitmap->image
        : bitmap->image.convertToFormat(QImage::Format_RGB32);
    const int sw = src.width();
    const int sh = src.height();
    if (sw == width && sh == height) {
        // Same size: share the pixels. QImage copies on the first write to
        // either, so the source stays unchanged whatever happens to the copy.
        return RegisterObject(std::make_shared<Bitmap>(src));
    }
    QImage target = AllocateImage(width, height, QImage::Format_RGB32);
    if (target.isNull() || src.isNull())
        return 0;
    // Nearest source pixel by the centre of each target pixel, as in
    // BLACKONWHITE/COLORONCOLOR stretching without smoothing.
    std::vector<int> columns(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x)
        columns[static_cast<std::size_t>(x)] =
            static_cast<int>((static_cast<std::int64_t>(x) * 2 + 1) * sw / (std::int64_t{2} * width));
    for (int y = 0; y < height; ++y) {
        const int sy = static_cast<int>((static_cast<std::int64_t>(y) * 2 + 1) * sh / (std::int64_t{2} * height));
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(sy));
        auto* out = reinterpret_cast<QRgb*>(target.scanLine(y));
        for (int x = 0; x < width; ++x)
            out[x] = in[columns[static_cast<std::size_t>(x)]];
    }
    return RegisterObject(std::make_shared<Bitmap>(std::move(target)));
}

int LogPixelsX() { return logPixelsX.load(); }
int LogPixelsY() { return logPixelsY.load(); }

void SetLogPixels(int x, int y)
{
    if (x > 0)
        logPixelsX.store(x);
    if (y > 0)
        logPixelsY.store(y);
}

} // namespace plat
