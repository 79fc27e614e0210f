// The class object of each class in the class table. Its reference count is
// guarded by a lock of its own; the table's own reference does not lock the
// module, the first client reference does (count 1 -> 2 takes one module
// lock, 2 -> 1 gives it back).
#pragma once

#include <com/Unknown.h>

#include <mutex>

namespace pictaf {

using plat::com::HRESULT;

// Creates an instance (as part of outer when given) and queries it for iid.
using InstanceCreator = HRESULT (*)(plat::com::IUnknown* outer, const plat::com::IID& iid, void** out);

class ClassFactory final : public plat::com::IClassFactory {
public:
    explicit ClassFactory(InstanceCreator creator) : creator_(creator) {}

    HRESULT QueryInterface(const plat::com::IID& iid, void** out) override;
    plat::com::ULONG AddRef() override;
    plat::com::ULONG Release() override;
    HRESULT CreateInstance(plat::com::IUnknown* outer, const plat::com::IID& iid, void** out) override;
    HRESULT LockServer(plat::com::BOOL lock) override;

private:
    ~ClassFactory() = default;

    InstanceCreator creator_;
    std::mutex mutex_;
    plat::com::ULONG refs_ = 1;
};

} // namespace pictaf
