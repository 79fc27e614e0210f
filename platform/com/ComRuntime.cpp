#include "com/ComRuntime.h"

#include "com/ModuleResources.h"
#include "registry/Registry.h"

#include <dlfcn.h>

#include <cstdlib>
#include <map>
#include <mutex>

namespace plat::com {

namespace {

struct LoadedLibrary {
    void* handle = nullptr;
    DllGetClassObjectFn getClassObject = nullptr;
    DllCanUnloadNowFn canUnloadNow = nullptr;
};

std::mutex& librariesMutex()
{
    static std::mutex m;
    return m;
}

std::map<std::string, LoadedLibrary>& libraries()
{
    static auto* map = new std::map<std::string, LoadedLibrary>;
    return *map;
}

HRESULT loadLibrary(const std::string& path, LoadedLibrary& out)
{
    std::lock_guard lock(librariesMutex());
    auto it = libraries().find(path);
    if (it != libraries().end()) {
        out = it->second;
        return S_OK;
    }
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return CO_E_DLLNOTFOUND;
    LoadedLibrary lib;
    lib.handle = handle;
    lib.getClassObject = reinterpret_cast<DllGetClassObjectFn>(::dlsym(handle, "DllGetClassObject"));
    lib.canUnloadNow = reinterpret_cast<DllCanUnloadNowFn>(::dlsym(handle, "DllCanUnloadNow"));
    if (!lib.getClassObject) {
        ::dlclose(handle);
        return CO_E_ERRORINDLL;
    }
    libraries()[path] = lib;
    out = lib;
    return S_OK;
}

} // namespace

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void*, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!(context & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)))
        return REGDB_E_CLASSNOTREG; // only in-process servers exist on this platform
    std::optional<std::string> path =
        RegGetString(HKEY_CLASSES_ROOT, "CLSID\\" + GuidToString(clsid) + "\\InprocServer32", "");
    if (!path || path->empty())
        return REGDB_E_CLASSNOTREG;
    LoadedLibrary lib;
    if (HRESULT h = loadLibrary(*path, lib); FAILED(h))
        return h;
    return lib.getClassObject(clsid, iid, out);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    ComPtr<IClassFactory> factory;
    if (HRESULT h = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, factory.put_void()); FAILED(h))
        return h;
    return factory->CreateInstance(outer, iid, out);
}

void CoFreeUnusedLibraries()
{
    std::lock_guard lock(librariesMutex());
    auto& libs = libraries();
    for (auto it = libs.begin(); it != libs.end();) {
        if (it->second.canUnloadNow && it->second.canUnloadNow() == S_OK) {
            ::dlclose(it->second.handle);
            it = libs.erase(it);
        } else {
            ++it;
        }
    }
}

std::size_t CoLoadedLibraryCount()
{
    std::lock_guard lock(librariesMutex());
    return libraries().size();
}

HRESULT CLSIDFromProgID(std::string_view progId, CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = GUID_NULL;
    std::string name(progId);
    // A CurVer chain longer than this is a loop in a damaged registry.
    for (int depth = 0; depth < 8 && !name.empty(); ++depth) {
        if (auto text = RegGetString(HKEY_CLASSES_ROOT, name + "\\CLSID", "")) {
            std::optional<GUID> g = GuidFromString(*text);
            if (!g)
                return CO_E_CLASSSTRING;
            *clsid = *g;
            return S_OK;
        }
        std::optional<std::string> curVer = RegGetString(HKEY_CLASSES_ROOT, name + "\\CurVer", "");
        if (!curVer || EqualsIgnoringCase(*curVer, name))
            break;
        name = *curVer;
    }
    return CO_E_CLASSSTRING;
}

HRESULT CLSIDFromString(std::string_view text, CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    if (!text.empty() && text.front() == '{') {
        std::optional<GUID> g = GuidFromString(text);
        if (!g)
            return CO_E_CLASSSTRING;
        *clsid = *g;
        return S_OK;
    }
    return CLSIDFromProgID(text, clsid);
}

HRESULT ProgIDFromCLSID(REFCLSID clsid, std::string* progId)
{
    if (!progId)
        return E_POINTER;
    auto text = RegGetString(HKEY_CLASSES_ROOT, "CLSID\\" + GuidToString(clsid) + "\\ProgID", "");
    if (!text)
        return REGDB_E_CLASSNOTREG;
    *progId = *text;
    return S_OK;
}

void* CoTaskMemAlloc(std::size_t size) { return std::malloc(size ? size : 1); }

void CoTaskMemFree(void* p) { std::free(p); }

} // namespace plat::com
