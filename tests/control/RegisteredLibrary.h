// The built control library, loaded as a host loads it (dlopen) and
// registered into a registry file of the test's own. Shared by the gtest and
// Qt Test executables of this folder.
#pragma once

#include "../registry/ScopedRegistry.h"

#include <com/ComRuntime.h>

#include <dlfcn.h>

#include <string>

class RegisteredLibrary {
public:
    using Fn = plat::com::HRESULT (*)();
    using GetClassObjectFn = plat::com::DllGetClassObjectFn;

    static std::string libraryPath() { return std::string(VELNORA_BINARY_DIR) + "/bin/libpictaf.so"; }

    RegisteredLibrary()
    {
        handle_ = ::dlopen(libraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle_)
            return;
        registerServer = reinterpret_cast<Fn>(::dlsym(handle_, "DllRegisterServer"));
        unregisterServer = reinterpret_cast<Fn>(::dlsym(handle_, "DllUnregisterServer"));
        canUnloadNow = reinterpret_cast<Fn>(::dlsym(handle_, "DllCanUnloadNow"));
        getClassObject = reinterpret_cast<GetClassObjectFn>(::dlsym(handle_, "DllGetClassObject"));
        registration = registerServer ? registerServer() : plat::com::E_FAIL;
    }
    ~RegisteredLibrary()
    {
        if (handle_)
            ::dlclose(handle_);
    }
    RegisteredLibrary(const RegisteredLibrary&) = delete;
    RegisteredLibrary& operator=(const RegisteredLibrary&) = delete;

    bool loaded() const { return handle_ && registerServer && unregisterServer && canUnloadNow && getClassObject; }

    ScopedRegistry registry{"control"};
    Fn registerServer = nullptr;
    Fn unregisterServer = nullptr;
    Fn canUnloadNow = nullptr;
    GetClassObjectFn getClassObject = nullptr;
    plat::com::HRESULT registration = plat::com::E_FAIL;

private:
    void* handle_ = nullptr;
};
