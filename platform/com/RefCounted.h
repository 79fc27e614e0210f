// Implementation helper for objects with one IUnknown: an atomic reference
// count starting at 1 (the creator's reference) and a QueryInterface that
// answers from a list of interfaces the object derives from.
//
//   class Stream final : public IStream, public RefCounted<Stream> {
//       HRESULT QueryInterface(REFIID iid, void** out) override
//       { return queryInterfaces<IStream, ISequentialStream>(this, iid, out); }
//       ULONG AddRef() override { return addRef(); }
//       ULONG Release() override { return release(); }
//   };
#pragma once

#include "com/Unknown.h"

#include <atomic>

namespace plat::com {

template <class Derived>
class RefCounted {
protected:
    RefCounted() = default;
    ~RefCounted() = default;

    ULONG addRef() { return ++refs_; }
    ULONG release()
    {
        ULONG n = --refs_;
        if (n == 0)
            delete static_cast<Derived*>(this);
        return n;
    }

    // Answers IUnknown (through the first interface) and each interface in
    // the list; the object must derive from every one of them.
    template <class First, class... Rest>
    static HRESULT queryInterfaces(Derived* self, REFIID iid, void** out)
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown)
            *out = static_cast<IUnknown*>(static_cast<First*>(self));
        else
            find<First, Rest...>(self, iid, out);
        if (!*out)
            return E_NOINTERFACE;
        static_cast<IUnknown*>(*out)->AddRef();
        return S_OK;
    }

private:
    template <class I, class... More>
    static void find(Derived* self, REFIID iid, void** out)
    {
        if (iid == uuidof<I>()) {
            *out = static_cast<I*>(self);
            return;
        }
        if constexpr (sizeof...(More) > 0)
            find<More...>(self, iid, out);
    }

    std::atomic<ULONG> refs_{1};
};

} // namespace plat::com
