#include "control/PictafModule.h"

#include "control/AboutPage.h"
#include "control/ClassFactory.h"
#include "control/IPictaform.h"
#include "control/PictafResources.h"
#include "control/Pictafor.h"

namespace pictaf {

using namespace plat::com;

namespace {

struct ClassEntry {
    const CLSID* clsid;
    InstanceCreator create;
    ClassFactory* cached; // empty until first asked for
};

// The classes housed, in registration order.
ClassEntry g_classes[] = {
    {&CLSID_Pictafor, &Pictafor::Create, nullptr},
    {&CLSID_About, &AboutPage::Create, nullptr},
};

} // namespace

PictafModule& PictafModule::instance()
{
    static PictafModule* module = new PictafModule; // lives until the library goes
    return *module;
}

HMODULE PictafModule::handle() const { return ResourcesModule(); }

std::string PictafModule::path() const { return GetModuleFileName(handle()); }

HRESULT PictafModule::getClassObject(const CLSID& clsid, const IID& iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    for (ClassEntry& entry : g_classes) {
        if (!(*entry.clsid == clsid))
            continue;
        std::lock_guard lock(classTableMutex_);
        if (!entry.cached) { // asked again inside the lock: another thread may have made it
            entry.cached = new (std::nothrow) ClassFactory(entry.create);
            if (!entry.cached)
                return E_OUTOFMEMORY;
        }
        return entry.cached->QueryInterface(iid, out);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

void PictafModule::releaseClassObjects()
{
    std::lock_guard lock(classTableMutex_);
    for (ClassEntry& entry : g_classes)
        if (ClassFactory* f = std::exchange(entry.cached, nullptr))
            f->Release();
}

HRESULT PictafModule::typeInfo(const GUID& guid, LCID lcid, ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    std::lock_guard lock(typeInfoMutex_);
    if (!typeLib_) {
        if (HRESULT h = LoadRegTypeLib(LIBID_PICTAFLib, 1, 0, lcid, typeLib_.put()); FAILED(h))
            return h;
    }
    return typeLib_->GetTypeInfoOfGuid(guid, info);
}

void PictafModule::controlDestroyed()
{
    if (--controls_ == 0) {
        std::lock_guard lock(typeInfoMutex_);
        if (controls_ == 0)
            typeLib_ = nullptr;
    }
}

} // namespace pictaf
