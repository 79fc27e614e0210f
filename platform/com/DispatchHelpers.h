// Late-bound calls through IDispatch in one line each, with the arguments in
// their natural order (they are reversed into DISPPARAMS here).
//
//   DispatchPutProperty(control, 4, Variant(std::int32_t{1}));         // Type = 1
//   Variant type;
//   DispatchGetProperty(control, 4, type);
//   DispatchCall(control, 6, {Variant(std::int32_t(bitmap)), Variant("/tmp/out.gif"),
//                             Variant(std::int32_t{468}), Variant(std::int32_t{60})});
//   DISPID id;
//   DispatchIdOfName(control, "CopyPicture", &id);
//
// The member converts each argument to its declared type as automation does
// (see Variant.h): a colour (OLE_COLOR) is unsigned, so pass VT_UI4 for
// values with the high bit set.
#pragma once

#include "com/Dispatch.h"

#include <initializer_list>
#include <string_view>

namespace plat::com {

PLATFORM_EXPORT HRESULT DispatchIdOfName(IDispatch* object, std::string_view name, DISPID* id);
PLATFORM_EXPORT HRESULT DispatchGetProperty(IDispatch* object, DISPID id, Variant& value);
PLATFORM_EXPORT HRESULT DispatchPutProperty(IDispatch* object, DISPID id, const Variant& value);
PLATFORM_EXPORT HRESULT DispatchCall(IDispatch* object, DISPID id, std::initializer_list<Variant> args,
                                     Variant* result = nullptr);

} // namespace plat::com
