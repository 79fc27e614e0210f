#include "com/DispatchHelpers.h"

#include <algorithm>
#include <vector>

namespace plat::com {

HRESULT DispatchIdOfName(IDispatch* object, std::string_view name, DISPID* id)
{
    if (!object || !id)
        return E_POINTER;
    std::u16string wide = Utf16FromUtf8(name);
    LPOLESTR names[] = {wide.data()};
    return object->GetIDsOfNames(GUID_NULL, names, 1, LOCALE_USER_DEFAULT, id);
}

HRESULT DispatchGetProperty(IDispatch* object, DISPID id, Variant& value)
{
    if (!object)
        return E_POINTER;
    DISPPARAMS params;
    VariantClear(&value);
    return object->Invoke(id, GUID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &params, &value, nullptr, nullptr);
}

HRESULT DispatchPutProperty(IDispatch* object, DISPID id, const Variant& value)
{
    if (!object)
        return E_POINTER;
    Variant arg(value);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&arg, &named, 1, 1};
    return object->Invoke(id, GUID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
}

HRESULT DispatchCall(IDispatch* object, DISPID id, std::initializer_list<Variant> args, Variant* result)
{
    if (!object)
        return E_POINTER;
    std::vector<Variant> reversed(args.begin(), args.end());
    std::reverse(reversed.begin(), reversed.end());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    UINT argErr = 0;
    return object->Invoke(id, GUID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, nullptr, &argErr);
}

} // namespace plat::com
