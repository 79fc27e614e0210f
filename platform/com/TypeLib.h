// Type libraries and type information over compiled-in descriptions
// (TypeDescription.h), their registration under HKEY_CLASSES_ROOT\TypeLib, and
// the generic late-bound invocation that a dual interface's IDispatch uses.
//
// A registered library is found as
//   TypeLib\{libid}\<major>.<minor>            default: the library's help string
//   TypeLib\{libid}\<major>.<minor>\<lcid>\linux  default: the file holding it
//   TypeLib\{libid}\<major>.<minor>\FLAGS      "0"
//   TypeLib\{libid}\<major>.<minor>\HELPDIR    the help folder
//   TypeLib\{libid}\<major>.<minor>\NAME       the library's name (ours: lets a
//                                              host resolve "PICTAFLib.Pictafor")
// A library asked for in a language it was not registered for is found
// under its primary language, then language 0, then any language.
// and each dual or automation-compatible interface as Interface\{iid} with
// subkeys ProxyStubClsid32 and TypeLib (default the libid, "Version" the
// version). The file is a component library that carries the type information in
// its resources (ModuleResources.h); LoadTypeLib loads it with dlopen.
//
//   ComPtr<ITypeLib> lib;
//   if (SUCCEEDED(LoadRegTypeLib(LIBID, 1, 0, LOCALE_USER_DEFAULT, lib.put()))) ...
#pragma once

#include "com/ComPtr.h"
#include "com/TypeDescription.h"

namespace plat::com {

struct ITypeLib;

enum TYPEKIND {
    TKIND_ENUM,
    TKIND_RECORD,
    TKIND_MODULE,
    TKIND_INTERFACE,
    TKIND_DISPATCH,
    TKIND_COCLASS,
    TKIND_ALIAS,
    TKIND_UNION
};

struct TYPEATTR {
    GUID guid;
    LCID lcid = 0;
    TYPEKIND typekind = TKIND_INTERFACE;
    std::uint16_t cFuncs = 0;
    std::uint16_t cImplTypes = 0;
    std::uint16_t wTypeFlags = 0;
    std::uint16_t wMajorVerNum = 0;
    std::uint16_t wMinorVerNum = 0;
};

struct TLIBATTR {
    GUID guid;
    LCID lcid = 0;
    std::uint16_t wMajorVerNum = 0;
    std::uint16_t wMinorVerNum = 0;
    std::uint16_t wLibFlags = 0;
};

struct ITypeInfo : IUnknown {
    static constexpr IID kIID = MakeGuid("00020401-0000-0000-C000-000000000046");
    virtual HRESULT GetTypeAttr(TYPEATTR* attr) = 0;
    // The index-th member (interfaces only); TYPE_E_ELEMENTNOTFOUND past the end.
    virtual HRESULT GetFuncDesc(UINT index, const MemberDescription** desc) = 0;
    // Member names to dispatch identifiers, without regard to case. Only the
    // first name (the member) is looked up; further (parameter) names give
    // DISP_E_UNKNOWNNAME.
    virtual HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) = 0;
    // Invokes member id on instance, an interface pointer of this type.
    virtual HRESULT Invoke(void* instance, MEMBERID id, std::uint16_t flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* excepInfo, UINT* argErr) = 0;
    // Name and help string of a member, or of the type itself for DISPID_UNKNOWN (-1).
    virtual HRESULT GetDocumentation(MEMBERID id, BSTR* name, BSTR* doc, DWORD* helpContext, BSTR* helpFile) = 0;
    // A class's default interface (index 0) or outgoing interface (index 1).
    virtual HRESULT GetImplementedType(UINT index, ITypeInfo** info) = 0;
    virtual HRESULT GetContainingTypeLib(ITypeLib** lib, UINT* index) = 0;
};
inline constexpr const IID& IID_ITypeInfo = ITypeInfo::kIID;

struct ITypeLib : IUnknown {
    static constexpr IID kIID = MakeGuid("00020402-0000-0000-C000-000000000046");
    virtual UINT GetTypeInfoCount() = 0;
    virtual HRESULT GetTypeInfo(UINT index, ITypeInfo** info) = 0;
    virtual HRESULT GetTypeInfoType(UINT index, TYPEKIND* kind) = 0;
    virtual HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) = 0;
    virtual HRESULT GetLibAttr(TLIBATTR* attr) = 0;
    // Of the library itself for index -1.
    virtual HRESULT GetDocumentation(int index, BSTR* name, BSTR* doc, DWORD* helpContext, BSTR* helpFile) = 0;
    // The type named name (any case); TYPE_E_ELEMENTNOTFOUND when none.
    virtual HRESULT FindName(std::string_view name, ITypeInfo** info) = 0;
};
inline constexpr const IID& IID_ITypeLib = ITypeLib::kIID;

// A type library over a description that lives as long as the process (or as
// long as keepAlive, a dlopen handle closed with the last reference).
PLATFORM_EXPORT HRESULT CreateTypeLib(const TypeLibDescription* description, void* keepAlive, ITypeLib** lib);
// Loads the type library carried by the library file at path (UTF-8).
PLATFORM_EXPORT HRESULT LoadTypeLib(std::string_view path, ITypeLib** lib);
// The registered library libid of version major.minor or a later minor
// version, for lcid (falling back to its primary language and to 0).
PLATFORM_EXPORT HRESULT LoadRegTypeLib(REFGUID libid, std::uint16_t major, std::uint16_t minor, LCID lcid,
                                       ITypeLib** lib);
PLATFORM_EXPORT HRESULT QueryPathOfRegTypeLib(REFGUID libid, std::uint16_t major, std::uint16_t minor, LCID lcid,
                                              std::string* path);
PLATFORM_EXPORT HRESULT RegisterTypeLib(ITypeLib* lib, std::string_view path, std::string_view helpDir);
PLATFORM_EXPORT HRESULT UnRegisterTypeLib(REFGUID libid, std::uint16_t major, std::uint16_t minor, LCID lcid);

// The class named className in a registered type library named libraryName
// ("PICTAFLib", "Pictafor"); REGDB_E_CLASSNOTREG when none is registered.
PLATFORM_EXPORT HRESULT CLSIDFromTypeLibClass(std::string_view libraryName, std::string_view className, CLSID* clsid);
// The same from a form's stored class name "<library>.<class>", where the
// library part may carry the form designer's "Ctl" suffix ("PICTAFLibCtl.Pictafor").
PLATFORM_EXPORT HRESULT CLSIDFromFormClassName(std::string_view formClassName, CLSID* clsid);

// IDispatch for a dual interface in two calls, as the host's helpers do.
PLATFORM_EXPORT HRESULT DispGetIDsOfNames(ITypeInfo* info, LPOLESTR* names, UINT count, DISPID* ids);
PLATFORM_EXPORT HRESULT DispInvoke(void* instance, ITypeInfo* info, DISPID id, std::uint16_t flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr);

} // namespace plat::com
