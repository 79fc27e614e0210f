// The library's module-wide state: the lock count that decides whether the
// library may be unloaded, the class table with its cached class objects,
// the shared type information of the control, and the three locks guarding
// them. One per loaded library; used from any thread.
#pragma once

#include <com/ModuleResources.h>
#include <com/TypeLib.h>

#include <atomic>
#include <mutex>
#include <string>

namespace pictaf {

using plat::com::HRESULT;

class ClassFactory;

class PictafModule {
public:
    static PictafModule& instance();

    plat::com::HMODULE handle() const;
    std::string path() const; // full path of the library file

    // One lock per live object, per unmatched LockServer(true) and per class
    // object a client holds; the library may go only at 0.
    long lock() { return ++locks_; }
    long unlock() { return --locks_; }
    long lockCount() const { return locks_.load(); }

    // DllGetClassObject: the cached class object of clsid, created on first request.
    HRESULT getClassObject(const plat::com::CLSID& clsid, const plat::com::IID& iid, void** out);
    // Releases the cached class objects (library unload).
    void releaseClassObjects();

    // Type information for guid from the registered PICTAFLib (version 1.0 or
    // later), loaded on first use and kept while any control object lives.
    HRESULT typeInfo(const plat::com::GUID& guid, plat::com::LCID lcid, plat::com::ITypeInfo** info);
    void controlCreated() { ++controls_; }
    void controlDestroyed();

    // Guards window creation and the once-per-process window class.
    std::mutex& windowMutex() { return windowMutex_; }

private:
    PictafModule() = default;

    std::atomic<long> locks_{0};
    std::atomic<long> controls_{0};
    std::mutex classTableMutex_;
    std::mutex typeInfoMutex_;
    std::mutex windowMutex_;
    plat::com::ComPtr<plat::com::ITypeLib> typeLib_;
};

} // namespace pictaf
