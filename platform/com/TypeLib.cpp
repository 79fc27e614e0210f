#include "com/TypeLib.h"

#include "com/ModuleResources.h"
#include "com/RefCounted.h"
#include "registry/Registry.h"

#include <dlfcn.h>

#include <cstdio>
#include <vector>

namespace plat::com {

namespace {

constexpr const char* kProxyStub = "{00020424-0000-0000-C000-000000000046}";

bool equalsIgnoringCase(std::u16string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = static_cast<unsigned char>(b[i]);
        if (x >= u'A' && x <= u'Z')
            x = static_cast<char16_t>(x - u'A' + u'a');
        if (y >= u'A' && y <= u'Z')
            y = static_cast<char16_t>(y - u'A' + u'a');
        if (x != y)
            return false;
    }
    return true;
}

std::u16string_view view(LPOLESTR s)
{
    std::size_t n = 0;
    while (s && s[n])
        ++n;
    return {s, n};
}

void setBstr(BSTR* out, const char* text)
{
    if (out)
        *out = text ? BstrFromUtf8(text) : nullptr;
}

class TypeLibImpl;

class TypeInfoImpl final : public ITypeInfo, public RefCounted<TypeInfoImpl> {
public:
    TypeInfoImpl(TypeLibImpl* lib, UINT index, const InterfaceDescription* itf, const CoClassDescription* coclass);
    ~TypeInfoImpl();

    HRESULT QueryInterface(REFIID iid, void** out) override { return queryInterfaces<ITypeInfo>(this, iid, out); }
    ULONG AddRef() override { return addRef(); }
    ULONG Release() override { return release(); }

    HRESULT GetTypeAttr(TYPEATTR* attr) override;
    HRESULT GetFuncDesc(UINT index, const MemberDescription** desc) override
    {
        if (!desc)
            return E_POINTER;
        *desc = nullptr;
        if (!itf_ || index >= itf_->members.size())
            return TYPE_E_ELEMENTNOTFOUND;
        *desc = &itf_->members[index];
        return S_OK;
    }
    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) override;
    HRESULT Invoke(void* instance, MEMBERID id, std::uint16_t flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excepInfo, UINT* argErr) override;
    HRESULT GetDocumentation(MEMBERID id, BSTR* name, BSTR* doc, DWORD* helpContext, BSTR* helpFile) override;
    HRESULT GetImplementedType(UINT index, ITypeInfo** info) override;
    HRESULT GetContainingTypeLib(ITypeLib** lib, UINT* index) override;

private:
    TypeLibImpl* lib_;
    UINT index_;
    const InterfaceDescription* itf_;
    const CoClassDescription* coclass_;
};

class TypeLibImpl final : public ITypeLib, public RefCounted<TypeLibImpl> {
public:
    TypeLibImpl(const TypeLibDescription* d, void* keepAlive) : d_(d), keepAlive_(keepAlive) {}
    ~TypeLibImpl()
    {
        if (keepAlive_)
            ::dlclose(keepAlive_);
    }

    HRESULT QueryInterface(REFIID iid, void** out) override { return queryInterfaces<ITypeLib>(this, iid, out); }
    ULONG AddRef() override { return addRef(); }
    ULONG Release() override { return release(); }

    UINT GetTypeInfoCount() override { return static_cast<UINT>(d_->interfaces.size() + d_->coclasses.size()); }
    HRESULT GetTypeInfo(UINT index, ITypeInfo** info) override
    {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        if (index >= GetTypeInfoCount())
            return TYPE_E_ELEMENTNOTFOUND;
        if (index < d_->interfaces.size())
            *info = new TypeInfoImpl(this, index, &d_->interfaces[index], nullptr);
        else
            *info = new TypeInfoImpl(this, index, nullptr, &d_->coclasses[index - d_->interfaces.size()]);
        return S_OK;
    }
    HRESULT GetTypeInfoType(UINT index, TYPEKIND* kind) override
    {
        if (!kind)
            return E_POINTER;
        if (index >= GetTypeInfoCount())
            return TYPE_E_ELEMENTNOTFOUND;
        *kind = index < d_->interfaces.size() ? TKIND_INTERFACE : TKIND_COCLASS;
        return S_OK;
    }
    HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) override
    {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        for (UINT i = 0; i < d_->interfaces.size(); ++i)
            if (d_->interfaces[i].iid == guid)
                return GetTypeInfo(i, info);
        for (UINT i = 0; i < d_->coclasses.size(); ++i)
            if (d_->coclasses[i].clsid == guid)
                return GetTypeInfo(static_cast<UINT>(d_->interfaces.size()) + i, info);
        return TYPE_E_ELEMENTNOTFOUND;
    }
    HRESULT GetLibAttr(TLIBATTR* attr) override
    {
        if (!attr)
            return E_POINTER;
        attr->guid = d_->libid;
        attr->lcid = d_->lcid;
        attr->wMajorVerNum = d_->majorVersion;
        attr->wMinorVerNum = d_->minorVersion;
        attr->wLibFlags = 0;
        return S_OK;
    }
    HRESULT GetDocumentation(int index, BSTR* name, BSTR* doc, DWORD* helpContext, BSTR* helpFile) override
    {
        if (index == -1) {
            setBstr(name, d_->name);
            setBstr(doc, d_->helpString);
            if (helpContext)
                *helpContext = 0;
            setBstr(helpFile, nullptr);
            return S_OK;
        }
        ComPtr<ITypeInfo> info;
        if (HRESULT h = GetTypeInfo(static_cast<UINT>(index), info.put()); FAILED(h))
            return h;
        return info->GetDocumentation(DISPID_UNKNOWN, name, doc, helpContext, helpFile);
    }
    HRESULT FindName(std::string_view name, ITypeInfo** info) override
    {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        std::u16string wide = Utf16FromUtf8(name);
        for (UINT i = 0; i < d_->interfaces.size(); ++i)
            if (equalsIgnoringCase(Utf16FromUtf8(d_->interfaces[i].name), name))
                return GetTypeInfo(i, info);
        for (UINT i = 0; i < d_->coclasses.size(); ++i)
            if (equalsIgnoringCase(Utf16FromUtf8(d_->coclasses[i].name), name))
                return GetTypeInfo(static_cast<UINT>(d_->interfaces.size()) + i, info);
        return TYPE_E_ELEMENTNOTFOUND;
    }

    const TypeLibDescription* d_;

private:
    void* keepAlive_;
};

TypeInfoImpl::TypeInfoImpl(TypeLibImpl* lib, UINT index, const InterfaceDescription* itf,
                           const CoClassDescription* coclass)
    : lib_(lib), index_(index), itf_(itf), coclass_(coclass)
{
    lib_->AddRef();
}

TypeInfoImpl::~TypeInfoImpl() { lib_->Release(); }

HRESULT TypeInfoImpl::GetTypeAttr(TYPEATTR* attr)
{
    if (!attr)
        return E_POINTER;
    *attr = TYPEATTR{};
    attr->lcid = lib_->d_->lcid;
    attr->wMajorVerNum = lib_->d_->majorVersion;
    attr->wMinorVerNum = lib_->d_->minorVersion;
    if (itf_) {
        attr->guid = itf_->iid;
        attr->typekind = (itf_->flags & TYPEFLAG_FDUAL) ? TKIND_DISPATCH : TKIND_INTERFACE;
        attr->cFuncs = static_cast<std::uint16_t>(itf_->members.size());
        attr->wTypeFlags = itf_->flags;
    } else {
        attr->guid = coclass_->clsid;
        attr->typekind = TKIND_COCLASS;
        attr->cImplTypes =
            static_cast<std::uint16_t>((coclass_->defaultInterface ? 1 : 0) + (coclass_->defaultSource ? 1 : 0));
        attr->wTypeFlags = coclass_->flags;
    }
    return S_OK;
}

HRESULT TypeInfoImpl::GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids)
{
    if (!names || !ids)
        return E_INVALIDARG;
    if (count == 0)
        return S_OK;
    for (UINT i = 0; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    if (!itf_)
        return DISP_E_UNKNOWNNAME;
    const MemberDescription* found = nullptr;
    for (const MemberDescription& m : itf_->members)
        if (equalsIgnoringCase(view(names[0]), m.name) && (!found || m.kind != MemberKind::PropertyPut))
            found = &m;
    if (!found)
        return DISP_E_UNKNOWNNAME;
    ids[0] = found->id;
    HRESULT result = S_OK;
    for (UINT i = 1; i < count; ++i) {
        bool known = false;
        for (std::size_t p = 0; p < found->params.size(); ++p)
            if (equalsIgnoringCase(view(names[i]), found->params[p].name)) {
                ids[i] = static_cast<MEMBERID>(p);
                known = true;
            }
        if (!known)
            result = DISP_E_UNKNOWNNAME;
    }
    return result;
}

static_assert(sizeof(Variant) == sizeof(VARIANT), "Variant arrays double as VARIANT arrays");

HRESULT TypeInfoImpl::Invoke(void* instance, MEMBERID id, std::uint16_t flags, DISPPARAMS* params, VARIANT* result,
                             EXCEPINFO*, UINT* argErr)
{
    if (!instance)
        return E_INVALIDARG;
    if (!params)
        return E_INVALIDARG;
    if (!itf_)
        return DISP_E_MEMBERNOTFOUND;
    const bool isPut = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    const MemberDescription* member = nullptr;
    for (const MemberDescription& m : itf_->members) {
        if (m.id != id)
            continue;
        if (isPut ? m.kind == MemberKind::PropertyPut
                  : (m.kind == MemberKind::PropertyGet && (flags & DISPATCH_PROPERTYGET))
                    || (m.kind == MemberKind::Method && (flags & DISPATCH_METHOD)))
            member = &m;
    }
    if (!member)
        return DISP_E_MEMBERNOTFOUND;
    if (member->kind == MemberKind::PropertyPut) {
        if (params->cNamedArgs > 1
            || (params->cNamedArgs == 1
                && (!params->rgdispidNamedArgs || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)))
            return DISP_E_NONAMEDARGS;
    } else if (params->cNamedArgs) {
        return DISP_E_NONAMEDARGS;
    }
    const std::size_t n = member->params.size();
    if (params->cArgs != n)
        return DISP_E_BADPARAMCOUNT;
    if (n && !params->rgvarg)
        return E_INVALIDARG;
    std::vector<Variant> args(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t from = n - 1 - i; // arguments arrive last first
        if (HRESULT h = VariantChangeType(&args[i], &params->rgvarg[from], 0, member->params[i].type); FAILED(h)) {
            if (argErr)
                *argErr = static_cast<UINT>(from);
            return h;
        }
    }
    Variant value;
    HRESULT h = member->invoke(instance, args.data(), &value);
    if (FAILED(h))
        return h;
    if (result) {
        VariantClear(result);
        if (member->kind == MemberKind::PropertyGet) {
            *static_cast<VARIANT*>(result) = value;
            VariantInit(&value); // ownership moved to the caller
        }
    }
    return h;
}

HRESULT TypeInfoImpl::GetDocumentation(MEMBERID id, BSTR* name, BSTR* doc, DWORD* helpContext, BSTR* helpFile)
{
    if (helpContext)
        *helpContext = 0;
    setBstr(helpFile, nullptr);
    if (id == DISPID_UNKNOWN) {
        setBstr(name, itf_ ? itf_->name : coclass_->name);
        setBstr(doc, itf_ ? itf_->helpString : coclass_->helpString);
        return S_OK;
    }
    if (itf_)
        for (const MemberDescription& m : itf_->members)
            if (m.id == id) {
                setBstr(name, m.name);
                setBstr(doc, m.helpString);
                return S_OK;
            }
    setBstr(name, nullptr);
    setBstr(doc, nullptr);
    return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT TypeInfoImpl::GetImplementedType(UINT index, ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    if (!coclass_)
        return TYPE_E_ELEMENTNOTFOUND;
    const IID* iid = index == 0 ? coclass_->defaultInterface : index == 1 ? coclass_->defaultSource : nullptr;
    if (!iid)
        return TYPE_E_ELEMENTNOTFOUND;
    return lib_->GetTypeInfoOfGuid(*iid, info);
}

HRESULT TypeInfoImpl::GetContainingTypeLib(ITypeLib** lib, UINT* index)
{
    if (lib) {
        *lib = lib_;
        lib_->AddRef();
    }
    if (index)
        *index = index_;
    return S_OK;
}

std::string versionKey(std::uint16_t major, std::uint16_t minor)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%x.%x", major, minor);
    return buf;
}

std::string lcidKey(LCID lcid)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%x", lcid);
    return buf;
}

std::vector<std::string> subkeys(HKEY root, const std::string& path)
{
    std::vector<std::string> out;
    HKEY key = 0;
    if (RegOpenKeyEx(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return out;
    std::string name;
    for (std::uint32_t i = 0; RegEnumKeyEx(key, i, &name) == ERROR_SUCCESS; ++i)
        out.push_back(name);
    RegCloseKey(key);
    return out;
}

bool parseVersion(const std::string& text, std::uint16_t& major, std::uint16_t& minor)
{
    unsigned a = 0, b = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%x.%x%c", &a, &b, &tail) != 2 || a > 0xFFFF || b > 0xFFFF)
        return false;
    major = static_cast<std::uint16_t>(a);
    minor = static_cast<std::uint16_t>(b);
    return true;
}

} // namespace

HRESULT CreateTypeLib(const TypeLibDescription* description, void* keepAlive, ITypeLib** lib)
{
    if (!lib)
        return E_POINTER;
    *lib = nullptr;
    if (!description)
        return E_INVALIDARG;
    *lib = new TypeLibImpl(description, keepAlive);
    return S_OK;
}

HRESULT LoadTypeLib(std::string_view path, ITypeLib** lib)
{
    if (!lib)
        return E_POINTER;
    *lib = nullptr;
    std::string file(path);
    // Each type library keeps the file loaded for as long as it lives, since
    // its description is the file's own memory.
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return TYPE_E_CANTLOADLIBRARY;
    const ModuleResources* res = GetModuleResources(FindModule(file));
    if (!res || !res->typeLib) {
        ::dlclose(handle);
        return TYPE_E_CANTLOADLIBRARY;
    }
    return CreateTypeLib(res->typeLib, handle, lib);
}

HRESULT QueryPathOfRegTypeLib(REFGUID libid, std::uint16_t major, std::uint16_t minor, LCID lcid, std::string* path)
{
    if (!path)
        return E_POINTER;
    const std::string base = "TypeLib\\" + GuidToString(libid);
    bool found = false;
    std::uint16_t bestMinor = 0;
    std::string bestKey;
    for (const std::string& v : subkeys(HKEY_CLASSES_ROOT, base)) {
        std::uint16_t ma, mi;
        if (parseVersion(v, ma, mi) && ma == major && mi >= minor && (!found || mi > bestMinor)) {
            found = true;
            bestMinor = mi;
            bestKey = v;
        }
    }
    if (!found)
        return TYPE_E_LIBNOTREGISTERED;
    if (lcid == LOCALE_USER_DEFAULT || lcid == LOCALE_SYSTEM_DEFAULT)
        lcid = GetUserDefaultLCID();
    const std::string versionPath = base + "\\" + bestKey;
    for (LCID tryLcid : {lcid, lcid & 0x3FFu, LCID{0}}) {
        if (auto p = RegGetString(HKEY_CLASSES_ROOT, versionPath + "\\" + lcidKey(tryLcid) + "\\linux", "")) {
            *path = *p;
            return S_OK;
        }
    }
    // No entry for that language: any language the library was registered for.
    for (const std::string& sub : subkeys(HKEY_CLASSES_ROOT, versionPath)) {
        if (sub.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            continue;
        if (auto p = RegGetString(HKEY_CLASSES_ROOT, versionPath + "\\" + sub + "\\linux", "")) {
            *path = *p;
            return S_OK;
        }
    }
    return TYPE_E_LIBNOTREGISTERED;
}

HRESULT LoadRegTypeLib(REFGUID libid, std::uint16_t major, std::uint16_t minor, LCID lcid, ITypeLib** lib)
{
    if (!lib)
        return E_POINTER;
    *lib = nullptr;
    std::string path;
    if (HRESULT h = QueryPathOfRegTypeLib(libid, major, minor, lcid, &path); FAILED(h))
        return h;
    ComPtr<ITypeLib> loaded;
    if (HRESULT h = LoadTypeLib(path, loaded.put()); FAILED(h))
        return h;
    TLIBATTR attr;
    loaded->GetLibAttr(&attr);
    if (!(attr.guid == libid)) // the file registered there holds some other library now
        return TYPE_E_LIBNOTREGISTERED;
    *lib = loaded.detach();
    return S_OK;
}

HRESULT RegisterTypeLib(ITypeLib* lib, std::string_view path, std::string_view helpDir)
{
    if (!lib)
        return E_INVALIDARG;
    TLIBATTR attr;
    lib->GetLibAttr(&attr);
    Bstr name, doc;
    lib->GetDocumentation(-1, name.put(), doc.put(), nullptr, nullptr);
    const std::string libid = GuidToString(attr.guid);
    const std::string version = versionKey(attr.wMajorVerNum, attr.wMinorVerNum);
    const std::string base = "TypeLib\\" + libid + "\\" + version;
    RegistryTransaction tx;
    bool ok = RegSetString(HKEY_CLASSES_ROOT, base, "", doc.get() ? doc.toUtf8() : name.toUtf8()) == ERROR_SUCCESS
        && RegSetString(HKEY_CLASSES_ROOT, base + "\\NAME", "", name.toUtf8()) == ERROR_SUCCESS
        && RegSetString(HKEY_CLASSES_ROOT, base + "\\" + lcidKey(attr.lcid) + "\\linux", "", path) == ERROR_SUCCESS
        && RegSetString(HKEY_CLASSES_ROOT, base + "\\FLAGS", "", std::to_string(attr.wLibFlags)) == ERROR_SUCCESS
        && RegSetString(HKEY_CLASSES_ROOT, base + "\\HELPDIR", "", helpDir) == ERROR_SUCCESS;
    for (UINT i = 0; ok && i < lib->GetTypeInfoCount(); ++i) {
        ComPtr<ITypeInfo> info;
        TYPEATTR ta;
        if (FAILED(lib->GetTypeInfo(i, info.put())) || FAILED(info->GetTypeAttr(&ta)))
            continue;
        if (ta.typekind == TKIND_COCLASS || !(ta.wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION)))
            continue;
        Bstr itfName;
        info->GetDocumentation(DISPID_UNKNOWN, itfName.put(), nullptr, nullptr, nullptr);
        const std::string key = "Interface\\" + GuidToString(ta.guid);
        ok = RegSetString(HKEY_CLASSES_ROOT, key, "", itfName.toUtf8()) == ERROR_SUCCESS
            && RegSetString(HKEY_CLASSES_ROOT, key + "\\ProxyStubClsid32", "", kProxyStub) == ERROR_SUCCESS
            && RegSetString(HKEY_CLASSES_ROOT, key + "\\TypeLib", "", libid) == ERROR_SUCCESS
            && RegSetString(HKEY_CLASSES_ROOT, key + "\\TypeLib", "Version", version) == ERROR_SUCCESS;
    }
    if (!ok) {
        tx.abandon();
        return TYPE_E_REGISTRYACCESS;
    }
    return tx.commit() == ERROR_SUCCESS ? S_OK : TYPE_E_REGISTRYACCESS;
}

HRESULT UnRegisterTypeLib(REFGUID libid, std::uint16_t major, std::uint16_t minor, LCID)
{
    const std::string base = "TypeLib\\" + GuidToString(libid);
    const std::string version = versionKey(major, minor);
    if (!RegKeyExists(HKEY_CLASSES_ROOT, base + "\\" + version))
        return TYPE_E_LIBNOTREGISTERED;
    // The type library is loaded only to learn which Interface keys are its own.
    ComPtr<ITypeLib> lib;
    std::vector<GUID> interfaces;
    if (SUCCEEDED(LoadRegTypeLib(libid, major, minor, 0, lib.put())))
        for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
            ComPtr<ITypeInfo> info;
            TYPEATTR ta;
            if (SUCCEEDED(lib->GetTypeInfo(i, info.put())) && SUCCEEDED(info->GetTypeAttr(&ta))
                && ta.typekind != TKIND_COCLASS)
                interfaces.push_back(ta.guid);
        }
    RegistryTransaction tx;
    RegDeleteTree(HKEY_CLASSES_ROOT, base + "\\" + version);
    if (subkeys(HKEY_CLASSES_ROOT, base).empty())
        RegDeleteTree(HKEY_CLASSES_ROOT, base);
    for (const GUID& iid : interfaces)
        RegDeleteTree(HKEY_CLASSES_ROOT, "Interface\\" + GuidToString(iid));
    return tx.commit() == ERROR_SUCCESS ? S_OK : TYPE_E_REGISTRYACCESS;
}

HRESULT CLSIDFromTypeLibClass(std::string_view libraryName, std::string_view className, CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = GUID_NULL;
    for (const std::string& id : subkeys(HKEY_CLASSES_ROOT, "TypeLib")) {
        std::optional<GUID> libid = GuidFromString(id);
        if (!libid)
            continue;
        for (const std::string& v : subkeys(HKEY_CLASSES_ROOT, "TypeLib\\" + id)) {
            std::uint16_t major, minor;
            if (!parseVersion(v, major, minor))
                continue;
            // The NAME entry spares loading libraries that cannot match.
            auto name = RegGetString(HKEY_CLASSES_ROOT, "TypeLib\\" + id + "\\" + v + "\\NAME", "");
            if (name && !EqualsIgnoringCase(*name, libraryName))
                continue;
            ComPtr<ITypeLib> lib;
            if (FAILED(LoadRegTypeLib(*libid, major, minor, 0, lib.put())))
                continue;
            Bstr libName;
            lib->GetDocumentation(-1, libName.put(), nullptr, nullptr, nullptr);
            if (!EqualsIgnoringCase(libName.toUtf8(), libraryName))
                continue;
            ComPtr<ITypeInfo> info;
            TYPEATTR ta;
            if (SUCCEEDED(lib->FindName(className, info.put())) && SUCCEEDED(info->GetTypeAttr(&ta))
                && ta.typekind == TKIND_COCLASS) {
                *clsid = ta.guid;
                return S_OK;
            }
        }
    }
    return REGDB_E_CLASSNOTREG;
}

HRESULT CLSIDFromFormClassName(std::string_view formClassName, CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = GUID_NULL;
    std::size_t dot = formClassName.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == formClassName.size())
        return CO_E_CLASSSTRING;
    std::string_view library = formClassName.substr(0, dot);
    std::string_view name = formClassName.substr(dot + 1);
    HRESULT h = CLSIDFromTypeLibClass(library, name, clsid);
    if (FAILED(h) && library.size() > 3 && EqualsIgnoringCase(library.substr(library.size() - 3), "Ctl"))
        h = CLSIDFromTypeLibClass(library.substr(0, library.size() - 3), name, clsid);
    return h;
}

HRESULT DispGetIDsOfNames(ITypeInfo* info, LPOLESTR* names, UINT count, DISPID* ids)
{
    if (!info)
        return E_INVALIDARG;
    return info->GetIDsOfNames(names, count, ids);
}

HRESULT DispInvoke(void* instance, ITypeInfo* info, DISPID id, std::uint16_t flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excepInfo, UINT* argErr)
{
    if (!info)
        return E_INVALIDARG;
    return info->Invoke(instance, id, flags, params, result, excepInfo, argErr);
}

} // namespace plat::com
