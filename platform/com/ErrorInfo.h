// Per-thread error information: an object may post an error object that
// describes its last failure; the caller takes it with GetErrorInfo (which
// also clears it). ISupportErrorInfo tells which interfaces may post one.
#pragma once

#include "com/Bstr.h"
#include "com/Unknown.h"

namespace plat::com {

struct IErrorInfo : IUnknown {
    static constexpr IID kIID = MakeGuid("1CF2B120-547D-101B-8E65-08002B2BD119");
    virtual HRESULT GetGUID(GUID* guid) = 0;
    virtual HRESULT GetSource(BSTR* source) = 0;
    virtual HRESULT GetDescription(BSTR* description) = 0;
    virtual HRESULT GetHelpFile(BSTR* helpFile) = 0;
    virtual HRESULT GetHelpContext(DWORD* context) = 0;
};

struct ICreateErrorInfo : IUnknown {
    static constexpr IID kIID = MakeGuid("22F03340-547D-101B-8E65-08002B2BD119");
    virtual HRESULT SetGUID(REFGUID guid) = 0;
    virtual HRESULT SetSource(LPCOLESTR source) = 0;
    virtual HRESULT SetDescription(LPCOLESTR description) = 0;
    virtual HRESULT SetHelpFile(LPCOLESTR helpFile) = 0;
    virtual HRESULT SetHelpContext(DWORD context) = 0;
};

struct ISupportErrorInfo : IUnknown {
    static constexpr IID kIID = MakeGuid("DF0B3D60-548F-101B-8E65-08002B2BD119");
    // S_OK when iid may post error information, S_FALSE otherwise.
    virtual HRESULT InterfaceSupportsErrorInfo(REFIID iid) = 0;
};

// Replaces the calling thread's error object (null clears it).
PLATFORM_EXPORT HRESULT SetErrorInfo(DWORD reserved, IErrorInfo* info);
// Hands over the thread's error object and clears it; S_FALSE and null when there is none.
PLATFORM_EXPORT HRESULT GetErrorInfo(DWORD reserved, IErrorInfo** info);
PLATFORM_EXPORT HRESULT CreateErrorInfo(ICreateErrorInfo** info);

} // namespace plat::com
