// The conversion control's automation interface, for hosts that call it
// through its table of operations; late-bound hosts use IDispatch with the
// dispatch identifiers below. Identifiers of the library and its classes are
// fixed: they are stored in registries and in form data.
#pragma once

#include <com/Dispatch.h>

namespace pictaf {

using plat::com::BSTR;
using plat::com::HRESULT;
using plat::com::OLE_COLOR;
using plat::com::VARIANT_BOOL;

inline constexpr plat::com::GUID LIBID_PICTAFLib = plat::com::MakeGuid("FB473F6B-720F-4DBE-951D-85044DAD3BE0");
inline constexpr plat::com::CLSID CLSID_Pictafor = plat::com::MakeGuid("E74345CB-6ED5-4DA4-939F-850D392C10BE");
inline constexpr plat::com::CLSID CLSID_About = plat::com::MakeGuid("3A901FE0-E59B-4DDD-B7CA-76E5E4D6BF73");

enum PictaformDispId : plat::com::DISPID {
    DISPID_BgColor = 1,
    DISPID_Interlaced = 2,
    DISPID_Transparent = 3,
    DISPID_Type = 4,
    DISPID_CopyFile = 5,
    DISPID_CopyPicture = 6,
};

struct IPictaform : plat::com::IDispatch {
    static constexpr plat::com::IID kIID = plat::com::MakeGuid("179204DD-D580-4FB2-BA7C-206D4B0F4AE5");
    virtual HRESULT get_BgColor(OLE_COLOR* pVal) = 0;
    virtual HRESULT put_BgColor(OLE_COLOR newVal) = 0;
    virtual HRESULT get_Interlaced(VARIANT_BOOL* pVal) = 0;
    virtual HRESULT put_Interlaced(VARIANT_BOOL newVal) = 0;
    virtual HRESULT get_Transparent(VARIANT_BOOL* pVal) = 0;
    virtual HRESULT put_Transparent(VARIANT_BOOL newVal) = 0;
    virtual HRESULT get_Type(std::int32_t* pVal) = 0;
    virtual HRESULT put_Type(std::int32_t newVal) = 0;
    virtual HRESULT CopyFile(BSTR InputFile, BSTR OutputFile, int ScaleX, int ScaleY) = 0;
    virtual HRESULT CopyPicture(std::int32_t Picture, BSTR OutputFile, int PixelWidth, int PixelHeight) = 0;
};
inline constexpr const plat::com::IID& IID_IPictaform = IPictaform::kIID;

} // namespace pictaf
