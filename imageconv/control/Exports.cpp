// The library's four entry points, exported by name with C linkage, and its
// unload handling.
#include "control/IPictaform.h"
#include "control/PictafModule.h"
#include "control/PictafResources.h"

#include <com/Registrar.h>
#include <com/TypeLib.h>

#define PICTAF_EXPORT extern "C" __attribute__((visibility("default")))

using namespace plat::com;
using pictaf::PictafModule;

namespace {

// Library unload: the cached class objects go with it.
struct ProcessDetach {
    ~ProcessDetach() { PictafModule::instance().releaseClassObjects(); }
} g_detach;

std::string typeLibraryFallback(const std::string& path)
{
    // The extension replaced by ".tlb", or ".tlb" appended when there is none.
    std::size_t slash = path.find_last_of("/\\:");
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path + ".tlb";
    return path.substr(0, dot) + ".tlb";
}

HRESULT registerTypeLibrary(const std::string& modulePath)
{
    std::string path = modulePath;
    ComPtr<ITypeLib> lib;
    HRESULT h = LoadTypeLib(path, lib.put());
    if (FAILED(h)) {
        path = typeLibraryFallback(modulePath);
        h = LoadTypeLib(path, lib.put());
        if (FAILED(h))
            return h;
    }
    std::size_t end = path.find_last_of("/\\:");
    std::string helpDir = end == std::string::npos ? std::string() : path.substr(0, end + 1);
    return RegisterTypeLib(lib.get(), path, helpDir);
}

} // namespace

// Hosts find these by name, so nothing else declares them.
PICTAF_EXPORT HRESULT DllCanUnloadNow();
PICTAF_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** out);
PICTAF_EXPORT HRESULT DllRegisterServer();
PICTAF_EXPORT HRESULT DllUnregisterServer();

PICTAF_EXPORT HRESULT DllCanUnloadNow() { return PictafModule::instance().lockCount() == 0 ? S_OK : S_FALSE; }

PICTAF_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    return PictafModule::instance().getClassObject(clsid, iid, out);
}

PICTAF_EXPORT HRESULT DllRegisterServer()
{
    const std::string path = PictafModule::instance().path();
    const RegistrarReplacements replacements = pictaf::RegistrationReplacements(path);
    for (const RegistrarScript* script : {&pictaf::ControlRegistrationScript(), &pictaf::AboutRegistrationScript()})
        if (HRESULT h = RegistrarRegister(*script, replacements); FAILED(h))
            return h;
    return registerTypeLibrary(path);
}

PICTAF_EXPORT HRESULT DllUnregisterServer()
{
    const RegistrarReplacements replacements = pictaf::RegistrationReplacements(PictafModule::instance().path());
    RegistrarUnregister(pictaf::ControlRegistrationScript(), replacements);
    RegistrarUnregister(pictaf::AboutRegistrationScript(), replacements);
    return S_OK; // the type library stays registered
}
