#include "control/ClassFactory.h"

#include "control/PictafModule.h"

namespace pictaf {

using namespace plat::com;

HRESULT ClassFactory::QueryInterface(const IID& iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory)
        return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

ULONG ClassFactory::AddRef()
{
    std::lock_guard lock(mutex_);
    if (++refs_ == 2)
        PictafModule::instance().lock();
    return refs_;
}

ULONG ClassFactory::Release()
{
    ULONG n;
    {
        std::lock_guard lock(mutex_);
        n = --refs_;
        if (n == 1)
            PictafModule::instance().unlock();
    }
    if (n == 0)
        delete this;
    return n;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, const IID& iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    // An aggregate part hands out only its inner IUnknown.
    if (outer && iid != IID_IUnknown)
        return CLASS_E_NOAGGREGATION;
    return creator_(outer, iid, out);
}

HRESULT ClassFactory::LockServer(BOOL lock)
{
    if (lock)
        PictafModule::instance().lock();
    else
        PictafModule::instance().unlock();
    return S_OK;
}

} // namespace pictaf
