// ComPtr<T>: owns one reference to an interface and releases it when it goes.
//
//   ComPtr<IDispatch> dispatch;
//   if (SUCCEEDED(unknown->QueryInterface(IID_IDispatch, dispatch.put_void()))) ...
//   ComPtr<IPersistStreamInit> persist = dispatch.as<IPersistStreamInit>();
#pragma once

#include "com/Unknown.h"

#include <utility>

namespace plat::com {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference to p.
    explicit ComPtr(T* p) : p_(p)
    {
        if (p_)
            p_->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~ComPtr() { reset(); }
    ComPtr& operator=(const ComPtr& other)
    {
        ComPtr(other).swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        ComPtr(std::move(other)).swap(*this);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t)
    {
        reset();
        return *this;
    }

    // Takes over a reference the caller already owns.
    static ComPtr attach(T* p)
    {
        ComPtr c;
        c.p_ = p;
        return c;
    }
    T* detach() { return std::exchange(p_, nullptr); }
    void reset()
    {
        if (T* p = std::exchange(p_, nullptr))
            p->Release();
    }
    void swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // Out parameter for calls that hand back a new reference; releases the old one.
    T** put()
    {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

    // QueryInterface for U; empty when the object does not offer it.
    template <class U>
    ComPtr<U> as() const
    {
        ComPtr<U> out;
        if (p_)
            p_->QueryInterface(uuidof<U>(), out.put_void());
        return out;
    }

private:
    T* p_ = nullptr;
};

} // namespace plat::com
