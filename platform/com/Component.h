// Everything a host program needs to create and drive a registered component,
// in one include:
//
//   #include <com/Component.h>
//   using namespace plat::com;
//
//   CLSID clsid;                                                    // "PICTAFLibCtl.Pictafor" as a form stores it
//   HRESULT h = CLSIDFromFormClassName("PICTAFLibCtl.Pictafor", &clsid);
//   ComPtr<IUnknown> control;
//   if (SUCCEEDED(h))
//       h = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, control.put_void());
//   if (SUCCEEDED(h))                                               // the form's stored stream
//       h = control.as<IPersistStreamInit>()->Load(CreateMemoryStream(storedBytes).get());
//   if (FAILED(h))
//       message(HResultName(h) + ": " + HResultText(h));
//   ComPtr<IDispatch> dispatch = control.as<IDispatch>();
//   DispatchPutProperty(dispatch.get(), 4, Variant(std::int32_t{1}));
//   DispatchCall(dispatch.get(), 6, {Variant(std::int32_t(bitmapHandle)), Variant(fileName),
//                                    Variant(std::int32_t{width}), Variant(std::int32_t{height})});
//
// Creation needs the class registered (velnora-regsvr LIBRARY); dispatch and
// persistence of the conversion control also need its type library, which
// the same registration records.
#pragma once

#include "com/ComPtr.h"
#include "com/ComRuntime.h"
#include "com/Dispatch.h"
#include "com/DispatchHelpers.h"
#include "com/ErrorInfo.h"
#include "com/MemoryStream.h"
#include "com/Persist.h"
#include "com/TypeLib.h"
#include "com/Variant.h"
