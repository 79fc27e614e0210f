#include "metafile/ObjectTable.h"

#include "common/ByteReader.h"
#include "gdi/DeviceContext.h"
#include "gdi/StockObjects.h"

namespace plat::metafile {

using namespace gdi;

ObjectTable::ObjectTable(std::size_t size, std::size_t limit) : slots_(std::min(size, limit)), limit_(limit) {}

void ObjectTable::add(MetaObject object)
{
    for (auto& slot : slots_) {
        if (!slot) {
            slot = std::move(object);
            return;
        }
    }
    // Tables that are too small for their file grow rather than lose objects.
    if (slots_.size() < limit_)
        slots_.emplace_back(std::move(object));
}

void ObjectTable::put(std::uint32_t index, MetaObject object)
{
    if (index == 0 || index >= limit_)
        return;
    if (index >= slots_.size())
        slots_.resize(std::size_t{index} + 1);
    slots_[index] = std::move(object);
}

void ObjectTable::remove(std::uint32_t index)
{
    if (index < slots_.size())
        slots_[index].reset();
}

const MetaObject* ObjectTable::find(std::uint32_t index) const
{
    if (index >= slots_.size() || !slots_[index])
        return nullptr;
    return &*slots_[index];
}

std::optional<LogBrush> ObjectTable::brush(std::uint32_t index) const
{
    if (index & STOCK_OBJECT_FLAG) {
        LogBrush stock;
        if (stockBrush(static_cast<int>(index & ~STOCK_OBJECT_FLAG), stock))
            return stock;
        return std::nullopt;
    }
    if (const LogBrush* b = find<LogBrush>(index))
        return *b;
    return std::nullopt;
}

void ObjectTable::select(DeviceContext& dc, std::uint32_t index) const
{
    if (index & STOCK_OBJECT_FLAG) {
        const int id = static_cast<int>(index & ~STOCK_OBJECT_FLAG);
        LogPen pen;
        LogBrush brush;
        LogFont font;
        if (stockPen(id, pen))
            dc.selectPen(pen);
        else if (stockBrush(id, brush))
            dc.selectBrush(brush);
        else if (stockFont(id, font))
            dc.selectFont(font);
        else if (id == DEFAULT_PALETTE)
            dc.selectPalette(defaultPalette());
        return;
    }
    const MetaObject* o = find(index);
    if (!o)
        return;
    if (auto* pen = std::get_if<LogPen>(o))
        dc.selectPen(*pen);
    else if (auto* brush = std::get_if<LogBrush>(o))
        dc.selectBrush(*brush);
    else if (auto* font = std::get_if<LogFont>(o))
        dc.selectFont(*font);
    else if (auto* rgn = std::get_if<QRegion>(o))
        dc.SelectClipRgnLogical(*rgn); // a region selected as an object clips
}

void ObjectTable::selectPalette(DeviceContext& dc, std::uint32_t index) const
{
    if (index & STOCK_OBJECT_FLAG)
        dc.selectPalette(defaultPalette());
    else if (const Palette* palette = find<Palette>(index))
        dc.selectPalette(*palette);
}

bool readLogPalette(ByteReader& r, Palette& out)
{
    r.u16(); // version
    const std::uint16_t count = r.u16();
    if (!r.has(count, 4))
        return false;
    out.resize(count);
    for (auto& c : out) {
        const std::uint8_t red = r.u8(), green = r.u8(), blue = r.u8();
        r.u8(); // flags
        c = qRgb(red, green, blue);
    }
    return true;
}

void setBrushPattern(LogBrush& brush, QImage pattern)
{
    if (pattern.isNull()) {
        brush.style = BS_SOLID;
        brush.color = 0x808080;
    } else {
        brush.pattern = std::make_shared<const QImage>(std::move(pattern));
    }
}

} // namespace plat::metafile
