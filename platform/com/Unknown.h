// IUnknown, the base of every interface: reference counting and the query for
// other interfaces of the same object. Objects start with one reference held
// by their creator and delete themselves when the count reaches 0.
// QueryInterface returns E_POINTER for a null out pointer, sets *out to null
// and returns E_NOINTERFACE when the interface is not offered, and adds a
// reference on success.
#pragma once

#include "com/ComTypes.h"

namespace plat::com {

struct IUnknown {
    static constexpr IID kIID = MakeGuid("00000000-0000-0000-C000-000000000046");
    virtual HRESULT QueryInterface(REFIID iid, void** out) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default; // objects are released, never deleted through an interface
};
inline constexpr const IID& IID_IUnknown = IUnknown::kIID;

struct IClassFactory : IUnknown {
    static constexpr IID kIID = MakeGuid("00000001-0000-0000-C000-000000000046");
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;
};
inline constexpr const IID& IID_IClassFactory = IClassFactory::kIID;

} // namespace plat::com
