// What the control draws: bitmap 1, unscaled, in the top-left corner of the
// rectangle it is given, clipped to it; nothing else.
#include "control/PictafModule.h"
#include "control/Pictafor.h"

#include <QPaintDevice>
#include <QPainter>

#include <cstdio>

namespace pictaf {

void Pictafor::DrawBitmap(QPainter* painter, const RECTL& bounds)
{
    // Loaded for each drawing and released after it, like the drawing surface.
    const QImage bitmap = plat::com::LoadBitmapResource(PictafModule::instance().handle(), 1);
    if (!painter || bitmap.isNull())
        return;
    const QRect logical(QPoint(bounds.left, bounds.top), QPoint(bounds.right - 1, bounds.bottom - 1));
    // A picture recording (our metafile) keeps logical coordinates; every other
    // target gets the copy in device pixels.
    if (painter->device() && painter->device()->devType() == QInternal::Picture) {
        const int w = std::min(bitmap.width(), logical.width());
        const int h = std::min(bitmap.height(), logical.height());
        if (w > 0 && h > 0)
            painter->drawImage(logical.topLeft(), bitmap, QRect(0, 0, w, h));
        return;
    }
    const QRect device = painter->transform().mapRect(logical);
    const int w = std::min(bitmap.width(), device.width());
    const int h = std::min(bitmap.height(), device.height());
    if (w <= 0 || h <= 0)
        return;
    painter->save();
    painter->resetTransform();
    painter->drawImage(device.topLeft(), bitmap, QRect(0, 0, w, h));
    painter->restore();
}

std::string Pictafor::WindowClassName()
{
    // Registered once per process on first use, named after the address of
    // the class record as the control framework has always named it.
    static const int classRecord = 0;
    static const std::string name = [] {
        char buf[16];
        std::snprintf(buf, sizeof buf, "ATL:%8.8X",
                      static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(&classRecord) & 0xFFFFFFFFu));
        return std::string(buf);
    }();
    return name;
}

HRESULT Pictafor::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC drawDc, const RECTL* bounds, const RECTL*,
                       ContinueProc, std::uintptr_t)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!drawDc || !bounds)
        return E_INVALIDARG;
    DrawBitmap(drawDc, *bounds);
    return S_OK;
}

HRESULT Pictafor::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, void** colorSet)
{
    if (colorSet)
        *colorSet = nullptr;
    return E_NOTIMPL;
}

HRESULT Pictafor::Freeze(DWORD, LONG, void*, DWORD* freeze)
{
    if (freeze)
        *freeze = 0;
    return E_NOTIMPL;
}

HRESULT Pictafor::SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* sink)
{
    viewAspects_ = aspects;
    viewAdvf_ = advf;
    viewSink_ = ComPtr<IAdviseSink>(sink);
    return S_OK;
}

HRESULT Pictafor::GetAdvise(DWORD* aspects, DWORD* advf, IAdviseSink** sink)
{
    if (aspects)
        *aspects = viewAspects_;
    if (advf)
        *advf = viewAdvf_;
    if (sink) {
        *sink = viewSink_.get();
        if (*sink)
            (*sink)->AddRef();
    }
    return S_OK;
}

HRESULT Pictafor::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, SIZEL* size) { return GetExtent(aspect, size); }

HRESULT Pictafor::GetViewStatus(DWORD* status)
{
    if (!status)
        return E_POINTER;
    *status = VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND;
    return S_OK;
}

namespace {
constexpr DWORD HITRESULT_OUTSIDE = 0;
constexpr DWORD HITRESULT_HIT = 3;
} // namespace

HRESULT Pictafor::QueryHitPoint(DWORD aspect, const RECT* bounds, POINT location, LONG, DWORD* hit)
{
    if (!bounds || !hit)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    const bool inside = location.x >= bounds->left && location.x < bounds->right && location.y >= bounds->top
        && location.y < bounds->bottom;
    *hit = inside ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

HRESULT Pictafor::QueryHitRect(DWORD aspect, const RECT* bounds, const RECT* location, LONG, DWORD* hit)
{
    if (!bounds || !location || !hit)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    const bool overlaps = location->left < bounds->right && location->right > bounds->left
        && location->top < bounds->bottom && location->bottom > bounds->top;
    *hit = overlaps ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

} // namespace pictaf
