#include "com/ErrorInfo.h"

#include "com/ComPtr.h"
#include "com/RefCounted.h"

namespace plat::com {

namespace {

class ErrorObject final : public IErrorInfo, public ICreateErrorInfo, public RefCounted<ErrorObject> {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        return queryInterfaces<IErrorInfo, ICreateErrorInfo>(this, iid, out);
    }
    ULONG AddRef() override { return addRef(); }
    ULONG Release() override { return release(); }

    HRESULT GetGUID(GUID* guid) override { return guid ? (*guid = guid_, S_OK) : E_INVALIDARG; }
    HRESULT GetSource(BSTR* s) override { return copy(source_, s); }
    HRESULT GetDescription(BSTR* s) override { return copy(description_, s); }
    HRESULT GetHelpFile(BSTR* s) override { return copy(helpFile_, s); }
    HRESULT GetHelpContext(DWORD* c) override { return c ? (*c = context_, S_OK) : E_INVALIDARG; }

    HRESULT SetGUID(REFGUID guid) override
    {
        guid_ = guid;
        return S_OK;
    }
    HRESULT SetSource(LPCOLESTR s) override { return assign(source_, s); }
    HRESULT SetDescription(LPCOLESTR s) override { return assign(description_, s); }
    HRESULT SetHelpFile(LPCOLESTR s) override { return assign(helpFile_, s); }
    HRESULT SetHelpContext(DWORD c) override
    {
        context_ = c;
        return S_OK;
    }

private:
    static HRESULT copy(const std::u16string& from, BSTR* to)
    {
        if (!to)
            return E_INVALIDARG;
        *to = SysAllocStringLen(from.data(), static_cast<UINT>(from.size()));
        return S_OK;
    }
    static HRESULT assign(std::u16string& to, LPCOLESTR from)
    {
        to = from ? std::u16string(from) : std::u16string();
        return S_OK;
    }

    GUID guid_{};
    std::u16string source_, description_, helpFile_;
    DWORD context_ = 0;
};

thread_local ComPtr<IErrorInfo> t_errorInfo;

} // namespace

HRESULT SetErrorInfo(DWORD, IErrorInfo* info)
{
    t_errorInfo = ComPtr<IErrorInfo>(info);
    return S_OK;
}

HRESULT GetErrorInfo(DWORD, IErrorInfo** info)
{
    if (!info)
        return E_INVALIDARG;
    *info = t_errorInfo.detach();
    return *info ? S_OK : S_FALSE;
}

HRESULT CreateErrorInfo(ICreateErrorInfo** info)
{
    if (!info)
        return E_INVALIDARG;
    *info = new ErrorObject;
    return S_OK;
}

} // namespace plat::com
