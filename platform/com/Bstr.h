// BSTR: a length-prefixed, zero-terminated UTF-16 string owned by whoever
// holds it. The 32-bit byte count sits just before the characters; a null
// BSTR counts as the empty string everywhere.
//
//   Bstr name = Bstr::fromUtf8("out.gif");  // owns the BSTR, frees it when it goes
//   std::string back = name.toUtf8();
#pragma once

#include "com/ComTypes.h"

#include <string>
#include <string_view>
#include <utility>

namespace plat::com {

using BSTR = OLECHAR*;

PLATFORM_EXPORT BSTR SysAllocString(const OLECHAR* text);
PLATFORM_EXPORT BSTR SysAllocStringLen(const OLECHAR* text, UINT length); // text may be null: zero-filled
PLATFORM_EXPORT void SysFreeString(BSTR s);
PLATFORM_EXPORT UINT SysStringLen(BSTR s);     // characters
PLATFORM_EXPORT UINT SysStringByteLen(BSTR s); // bytes, without the terminator

// Wide-to-ANSI and back: the platform's code page is UTF-8. Unpaired
// surrogates become U+FFFD.
PLATFORM_EXPORT std::string Utf8FromBstr(BSTR s);
PLATFORM_EXPORT BSTR BstrFromUtf8(std::string_view text);
PLATFORM_EXPORT std::u16string Utf16FromUtf8(std::string_view text);
PLATFORM_EXPORT std::string Utf8FromUtf16(std::u16string_view text);

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::u16string_view text) : s_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    static Bstr fromUtf8(std::string_view text) { return attach(BstrFromUtf8(text)); }
    static Bstr attach(BSTR s)
    {
        Bstr b;
        b.s_ = s;
        return b;
    }
    Bstr(const Bstr& other) : s_(other.s_ ? SysAllocStringLen(other.s_, SysStringLen(other.s_)) : nullptr) {}
    Bstr(Bstr&& other) noexcept : s_(std::exchange(other.s_, nullptr)) {}
    Bstr& operator=(Bstr other) noexcept
    {
        std::swap(s_, other.s_);
        return *this;
    }
    ~Bstr() { SysFreeString(s_); }

    BSTR get() const { return s_; }
    BSTR detach() { return std::exchange(s_, nullptr); }
    BSTR* put()
    {
        SysFreeString(std::exchange(s_, nullptr));
        return &s_;
    }
    UINT length() const { return SysStringLen(s_); }
    std::string toUtf8() const { return Utf8FromBstr(s_); }

private:
    BSTR s_ = nullptr;
};

} // namespace plat::com
