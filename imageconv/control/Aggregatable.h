// Base of objects that can be created alone or as part of an aggregate. The
// inner IUnknown owns the reference count and answers queries for the
// object's own interfaces; every other interface forwards IUnknown to the
// controlling unknown (the outer object, or the inner one when alone).
//
// Creation follows create -> query -> release, so a failed query destroys the
// new object:
//   auto* o = new (std::nothrow) Object(outer);
//   if (!o) return E_OUTOFMEMORY;
//   HRESULT h = o->inner()->QueryInterface(iid, out);
//   o->inner()->Release();
#pragma once

#include <com/Unknown.h>

#include <atomic>

namespace pictaf {

class Aggregatable {
public:
    Aggregatable(const Aggregatable&) = delete;
    Aggregatable& operator=(const Aggregatable&) = delete;
    plat::com::IUnknown* inner() { return &inner_; }

protected:
    explicit Aggregatable(plat::com::IUnknown* outer) : inner_(this), controlling_(outer ? outer : &inner_) {}
    virtual ~Aggregatable() = default;

    // Sets *out to the interface iid of the object itself (not IUnknown), or
    // leaves it null. The reference is added by the caller.
    virtual void findInterface(const plat::com::IID& iid, void** out) = 0;

    plat::com::IUnknown* controlling() const { return controlling_; }

private:
    class Inner final : public plat::com::IUnknown {
    public:
        explicit Inner(Aggregatable* self) : self_(self) {}
        plat::com::HRESULT QueryInterface(const plat::com::IID& iid, void** out) override
        {
            if (!out)
                return plat::com::E_POINTER;
            *out = nullptr;
            if (iid == plat::com::IID_IUnknown) {
                *out = static_cast<plat::com::IUnknown*>(this);
                AddRef();
                return plat::com::S_OK;
            }
            self_->findInterface(iid, out);
            if (!*out)
                return plat::com::E_NOINTERFACE;
            static_cast<plat::com::IUnknown*>(*out)->AddRef();
            return plat::com::S_OK;
        }
        plat::com::ULONG AddRef() override { return ++refs_; }
        plat::com::ULONG Release() override
        {
            plat::com::ULONG n = --refs_;
            if (n == 0)
                delete self_;
            return n;
        }

    private:
        Aggregatable* self_;
        std::atomic<plat::com::ULONG> refs_{1};
    };

    Inner inner_;
    plat::com::IUnknown* controlling_;
};

} // namespace pictaf
