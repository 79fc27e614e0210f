#include "control/Pictafor.h"

#include "control/PictafModule.h"
#include "control/PropertyStream.h"

#include "engine/BmpWriter.h"
#include "engine/GifWriter.h"
#include "engine/OutputFile.h"
#include "engine/Pipeline.h"
#include "engine/Preflight.h"

#include <com/ComRuntime.h>
#include <com/TypeLib.h>
#include <gdi/GdiObjects.h>

#include <new>

namespace pictaf {

HRESULT Pictafor::Create(IUnknown* outer, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    auto* object = new (std::nothrow) Pictafor(outer);
    if (!object)
        return E_OUTOFMEMORY;
    HRESULT h = object->inner()->QueryInterface(iid, out);
    object->inner()->Release();
    return h;
}

SIZEL Pictafor::NaturalExtent()
{
    // 16 x 16 pixels in HIMETRIC: (pixels x 2540 + dpi / 2) / dpi.
    const int dpiX = plat::LogPixelsX() > 0 ? plat::LogPixelsX() : 96;
    const int dpiY = plat::LogPixelsY() > 0 ? plat::LogPixelsY() : 96;
    return SIZEL{(16 * 2540 + dpiX / 2) / dpiX, (16 * 2540 + dpiY / 2) / dpiY};
}

Pictafor::Pictafor(IUnknown* outer) : Aggregatable(outer), naturalExtent_(NaturalExtent()), extent_(naturalExtent_)
{
    PictafModule::instance().lock();
    PictafModule::instance().controlCreated();
}

Pictafor::~Pictafor()
{
    InPlaceDeactivate();
    PictafModule::instance().controlDestroyed();
    PictafModule::instance().unlock();
}

void Pictafor::findInterface(REFIID iid, void** out)
{
    // In the order the control has always answered them.
    if (iid == IID_IPictaform)
        *out = static_cast<IPictaform*>(this);
    else if (iid == IID_IDispatch)
        *out = static_cast<IDispatch*>(static_cast<IPictaform*>(this));
    else if (iid == uuidof<IViewObjectEx>())
        *out = static_cast<IViewObjectEx*>(this);
    else if (iid == uuidof<IViewObject2>())
        *out = static_cast<IViewObject2*>(this);
    else if (iid == uuidof<IViewObject>())
        *out = static_cast<IViewObject*>(this);
    else if (iid == uuidof<IOleInPlaceObjectWindowless>())
        *out = static_cast<IOleInPlaceObjectWindowless*>(this);
    else if (iid == uuidof<IOleInPlaceObject>())
        *out = static_cast<IOleInPlaceObject*>(this);
    else if (iid == uuidof<IOleWindow>())
        *out = static_cast<IOleWindow*>(static_cast<IOleInPlaceObject*>(this));
    else if (iid == uuidof<IOleInPlaceActiveObject>())
        *out = static_cast<IOleInPlaceActiveObject*>(this);
    else if (iid == uuidof<IOleControl>())
        *out = static_cast<IOleControl*>(this);
    else if (iid == uuidof<IOleObject>())
        *out = static_cast<IOleObject*>(this);
    else if (iid == uuidof<IQuickActivate>())
        *out = static_cast<IQuickActivate*>(this);
    else if (iid == uuidof<IPersistStorage>())
        *out = static_cast<IPersistStorage*>(this);
    else if (iid == uuidof<IPersistStreamInit>())
        *out = static_cast<IPersistStreamInit*>(this);
    else if (iid == uuidof<ISpecifyPropertyPages>())
        *out = static_cast<ISpecifyPropertyPages*>(this);
    else if (iid == uuidof<IDataObject>())
        *out = static_cast<IDataObject*>(this);
    else if (iid == uuidof<IProvideClassInfo>())
        *out = static_cast<IProvideClassInfo*>(this);
    else if (iid == uuidof<IProvideClassInfo2>())
        *out = static_cast<IProvideClassInfo2*>(this);
    else if (iid == uuidof<ISupportErrorInfo>())
        *out = static_cast<ISupportErrorInfo*>(this);
}

// ---- IDispatch: everything comes from the registered type library.

HRESULT Pictafor::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT Pictafor::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    return PictafModule::instance().typeInfo(IID_IPictaform, lcid, info);
}

HRESULT Pictafor::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids)
{
    ComPtr<ITypeInfo> info;
    if (HRESULT h = PictafModule::instance().typeInfo(IID_IPictaform, lcid, info.put()); FAILED(h))
        return h;
    return DispGetIDsOfNames(info.get(), names, count, ids);
}

HRESULT Pictafor::Invoke(DISPID id, REFIID, LCID lcid, std::uint16_t flags, DISPPARAMS* params, VARIANT* result,
                         EXCEPINFO* excepInfo, UINT* argErr)
{
    SetErrorInfo(0, nullptr);
    ComPtr<ITypeInfo> info;
    if (HRESULT h = PictafModule::instance().typeInfo(IID_IPictaform, lcid, info.put()); FAILED(h))
        return h;
    return DispInvoke(static_cast<IPictaform*>(this), info.get(), id, flags, params, result, excepInfo, argErr);
}

// ---- Properties: stored and returned exactly as given.

HRESULT Pictafor::get_BgColor(OLE_COLOR* pVal)
{
    if (!pVal)
        return E_POINTER;
    *pVal = bgColor_;
    return S_OK;
}

HRESULT Pictafor::put_BgColor(OLE_COLOR newVal)
{
    bgColor_ = newVal; // system colours (high bit set) are passed on untranslated
    return S_OK;
}

HRESULT Pictafor::get_Interlaced(VARIANT_BOOL* pVal)
{
    if (!pVal)
        return E_POINTER;
    *pVal = interlaced_;
    return S_OK;
}

HRESULT Pictafor::put_Interlaced(VARIANT_BOOL newVal)
{
    interlaced_ = newVal;
    return S_OK;
}

HRESULT Pictafor::get_Transparent(VARIANT_BOOL* pVal)
{
    if (!pVal)
        return E_POINTER;
    *pVal = transparent_;
    return S_OK;
}

HRESULT Pictafor::put_Transparent(VARIANT_BOOL newVal)
{
    transparent_ = newVal;
    return S_OK;
}

HRESULT Pictafor::get_Type(std::int32_t* pVal)
{
    if (!pVal)
        return E_POINTER;
    *pVal = type_;
    return S_OK;
}

HRESULT Pictafor::put_Type(std::int32_t newVal)
{
    type_ = newVal; // 1 is GIF; every other value means BMP
    return S_OK;
}

// ---- Conversions: always succeed; a failure shows only as a missing file.

std::uint32_t Pictafor::conversionFlags() const
{
    std::uint32_t flags = 0;
    if (transparent_)
        flags |= kFlagTransparent;
    if (interlaced_)
        flags |= kFlagInterlaced;
    return flags;
}

namespace {

// Writes bitmap as the control's Type asks, then deletes it.
void writeAndDelete(std::int32_t type, const std::string& outputFile, WorkBitmap bitmap, const TargetRect& rect,
                    std::uint32_t flags, std::uint32_t bgColor)
{
    if (type == 1)
        WriteGif(outputFile, bitmap, rect, flags, bgColor);
    else
        WriteBmp(outputFile, bitmap);
    plat::DeleteObject(bitmap);
}

} // namespace

HRESULT Pictafor::CopyFile(BSTR InputFile, BSTR OutputFile, int ScaleX, int ScaleY)
{
    if (SysStringLen(InputFile) == 0 || SysStringLen(OutputFile) == 0)
        return S_OK;
    const std::uint32_t flags = conversionFlags();
    // File names reach the engine in the platform's code page, UTF-8.
    const std::string input = Utf8FromBstr(InputFile);
    const std::string output = Utf8FromBstr(OutputFile);
    // Writing a picture over its own file would destroy it; and a picture
    // that can't be written (too large for a GIF, or for the memory there
    // is) is refused from its header instead of after decoding it.
    if (SameFile(input, output))
        return S_OK;
    if (PictureSize natural; PeekFileSize(input, natural)
        && CheckConversion(natural, ScaledSize(natural, ScaleX, ScaleY), type_ == 1) != Status::Ok)
        return S_OK;
    WorkBitmap bitmap = LoadFileBitmap(input, ScaleX, ScaleY, flags, bgColor_);
    if (!bitmap)
        return S_OK;
    int width = 0, height = 0;
    plat::GetBitmapSize(bitmap, width, height);
    writeAndDelete(type_, output, bitmap, TargetRect{0, 0, width, height}, flags, bgColor_);
    return S_OK;
}

HRESULT Pictafor::CopyPicture(std::int32_t Picture, BSTR OutputFile, int PixelWidth, int PixelHeight)
{
    if (Picture == 0 || SysStringLen(OutputFile) == 0)
        return S_OK;
    const std::uint32_t flags = conversionFlags();
    const TargetRect rect{0, 0, PixelWidth, PixelHeight};
    if (const PictureSize size{PixelWidth, PixelHeight}; CheckConversion(size, size, type_ == 1) != Status::Ok)
        return S_OK;
    // The caller's handle is only read; the work bitmap is ours.
    WorkBitmap bitmap = RenderPictureBitmap(static_cast<plat::HGDIOBJ>(Picture), rect, flags, bgColor_);
    if (!bitmap)
        return S_OK;
    writeAndDelete(type_, Utf8FromBstr(OutputFile), bitmap, rect, flags, bgColor_);
    return S_OK;
}

// ---- Class and error information.

HRESULT Pictafor::GetClassInfo(ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    return PictafModule::instance().typeInfo(CLSID_Pictafor, LOCALE_USER_DEFAULT, info);
}

HRESULT Pictafor::GetGUID(DWORD kind, GUID* guid)
{
    if (!guid)
        return E_POINTER;
    *guid = GUID_NULL;
    // The control has no outgoing interface.
    return kind == GUIDKIND_DEFAULT_SOURCE_DISP_IID ? E_FAIL : E_INVALIDARG;
}

HRESULT Pictafor::InterfaceSupportsErrorInfo(REFIID iid) { return iid == IID_IPictaform ? S_OK : S_FALSE; }

HRESULT Pictafor::GetPages(CAUUID* pages)
{
    if (!pages)
        return E_POINTER;
    // The page entries of the property list: the About page.
    std::vector<CLSID> list;
    for (const PropertyEntry& p : PropertyStream::pictaforProperties())
        if (p.page)
            list.push_back(*p.page);
    pages->cElems = 0;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(list.size() * sizeof(GUID)));
    if (!pages->pElems)
        return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < list.size(); ++i)
        pages->pElems[i] = list[i];
    pages->cElems = static_cast<ULONG>(list.size());
    return S_OK;
}

} // namespace pictaf
