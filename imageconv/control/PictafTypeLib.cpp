#include "control/PictafTypeLib.h"

#include "control/IPictaform.h"

namespace pictaf {

namespace {

using namespace plat::com;

IPictaform* self(void* instance) { return static_cast<IPictaform*>(instance); }

// One invoker per member: args arrive coerced to the declared types.
HRESULT getBgColor(void* i, VARIANT*, VARIANT* r)
{
    r->vt = VT_UI4;
    return self(i)->get_BgColor(&r->ulVal);
}
HRESULT putBgColor(void* i, VARIANT* a, VARIANT*) { return self(i)->put_BgColor(a[0].ulVal); }
HRESULT getInterlaced(void* i, VARIANT*, VARIANT* r)
{
    r->vt = VT_BOOL;
    return self(i)->get_Interlaced(&r->boolVal);
}
HRESULT putInterlaced(void* i, VARIANT* a, VARIANT*) { return self(i)->put_Interlaced(a[0].boolVal); }
HRESULT getTransparent(void* i, VARIANT*, VARIANT* r)
{
    r->vt = VT_BOOL;
    return self(i)->get_Transparent(&r->boolVal);
}
HRESULT putTransparent(void* i, VARIANT* a, VARIANT*) { return self(i)->put_Transparent(a[0].boolVal); }
HRESULT getType(void* i, VARIANT*, VARIANT* r)
{
    r->vt = VT_I4;
    return self(i)->get_Type(&r->lVal);
}
HRESULT putType(void* i, VARIANT* a, VARIANT*) { return self(i)->put_Type(a[0].lVal); }
HRESULT copyFile(void* i, VARIANT* a, VARIANT*)
{
    return self(i)->CopyFile(a[0].bstrVal, a[1].bstrVal, a[2].intVal, a[3].intVal);
}
HRESULT copyPicture(void* i, VARIANT* a, VARIANT*)
{
    return self(i)->CopyPicture(a[0].lVal, a[1].bstrVal, a[2].intVal, a[3].intVal);
}

constexpr ParamDescription kColour[] = {{"newVal", VT_UI4, "OLE_COLOR"}};
constexpr ParamDescription kBool[] = {{"newVal", VT_BOOL, "VARIANT_BOOL"}};
constexpr ParamDescription kLong[] = {{"newVal", VT_I4, "long"}};
constexpr ParamDescription kCopyFile[] = {{"InputFile", VT_BSTR, "BSTR"},
                                          {"OutputFile", VT_BSTR, "BSTR"},
                                          {"ScaleX", VT_INT, "int"},
                                          {"ScaleY", VT_INT, "int"}};
constexpr ParamDescription kCopyPicture[] = {{"Picture", VT_I4, "long"},
                                             {"OutputFile", VT_BSTR, "BSTR"},
                                             {"PixelWidth", VT_INT, "int"},
                                             {"PixelHeight", VT_INT, "int"}};

// In the interface's operation order: each get before its put.
constexpr MemberDescription kMembers[] = {
    {DISPID_BgColor, "BgColor", MemberKind::PropertyGet, "background color", {}, VT_UI4, "OLE_COLOR", getBgColor},
    {DISPID_BgColor, "BgColor", MemberKind::PropertyPut, "background color", kColour, VT_VOID, "void", putBgColor},
    {DISPID_Interlaced,
     "Interlaced",
     MemberKind::PropertyGet,
     "make output interlaced",
     {},
     VT_BOOL,
     "VARIANT_BOOL",
     getInterlaced},
    {DISPID_Interlaced, "Interlaced", MemberKind::PropertyPut, "make output interlaced", kBool, VT_VOID, "void",
     putInterlaced},
    {DISPID_Transparent,
     "Transparent",
     MemberKind::PropertyGet,
     "make background color transparent",
     {},
     VT_BOOL,
     "VARIANT_BOOL",
     getTransparent},
    {DISPID_Transparent, "Transparent", MemberKind::PropertyPut, "make background color transparent", kBool, VT_VOID,
     "void", putTransparent},
    {DISPID_Type, "Type", MemberKind::PropertyGet, "output type", {}, VT_I4, "long", getType},
    {DISPID_Type, "Type", MemberKind::PropertyPut, "output type", kLong, VT_VOID, "void", putType},
    {DISPID_CopyFile, "CopyFile", MemberKind::Method, "copy and convert input file to output file", kCopyFile, VT_VOID,
     "void", copyFile},
    {DISPID_CopyPicture, "CopyPicture", MemberKind::Method, "copy and convert picture to output file", kCopyPicture,
     VT_VOID, "void", copyPicture},
};

constexpr InterfaceDescription kInterfaces[] = {
    {IPictaform::kIID, "IPictaform", "IPictaform Interface",
     TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE, kMembers},
};

constexpr CoClassDescription kClasses[] = {
    {CLSID_Pictafor, "Pictafor", "Orvane Pictaform Control", TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL, &IPictaform::kIID,
     nullptr},
    {CLSID_About, "About", "Orvane Pictaform Property Page Object", TYPEFLAG_FCANCREATE, nullptr, nullptr},
};

constexpr const char* kImports[] = {"stdole"}; // OLE_COLOR comes from the standard OLE automation library

constexpr TypeLibDescription kLibrary{
    LIBID_PICTAFLib, "PICTAFLib", "Orvane Pictaform Control", 1, 1, LOCALE_ENGLISH_US, kImports, kInterfaces, kClasses,
};

} // namespace

const TypeLibDescription& PictafTypeLibrary() { return kLibrary; }

} // namespace pictaf
