// Creating registered classes. A class is found through HKEY_CLASSES_ROOT:
//
//   <ProgID>\CLSID          default: the class identifier, or else
//   <ProgID>\CurVer         default: the current version's ProgID
//   CLSID\{clsid}\InprocServer32   default: the library file
//
// The library is loaded with dlopen, asked for the class object through its
// exported DllGetClassObject, and kept loaded until CoFreeUnusedLibraries
// finds that its DllCanUnloadNow says it may go.
//
// A host creates the conversion control as:
//
//   using namespace plat::com;
//   CLSID clsid;
//   HRESULT h = CLSIDFromFormClassName("PICTAFLibCtl.Pictafor", &clsid);  // or CLSIDFromProgID("Pictaform.Pictaform",
//   &clsid) ComPtr<IUnknown> control; if (SUCCEEDED(h))
//       h = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, control.put_void());
//   if (FAILED(h))
//       qWarning("cannot create the control: %s", HResultText(h).c_str());
//   ComPtr<IPersistStreamInit> persist = control.as<IPersistStreamInit>();
//   persist->Load(CreateMemoryStream(storedBytes).get());
//   ComPtr<IDispatch> dispatch = control.as<IDispatch>();
//   DispatchPutProperty(dispatch.get(), 4, Variant(std::int32_t{1}));              // Type = 1
//   DispatchCall(dispatch.get(), 6, {Variant(std::int32_t(handle)), Variant("out.gif"),
//                                    Variant(std::int32_t{468}), Variant(std::int32_t{60})});
#pragma once

#include "com/ComPtr.h"

#include <string>
#include <string_view>

namespace plat::com {

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_ALL = 0x17;

// The entry points a component library exports with C linkage.
using DllGetClassObjectFn = HRESULT (*)(REFCLSID clsid, REFIID iid, void** out);
using DllCanUnloadNowFn = HRESULT (*)();
using DllRegisterServerFn = HRESULT (*)();

PLATFORM_EXPORT HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* reserved, REFIID iid, void** out);
PLATFORM_EXPORT HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** out);
// Unloads every library loaded for a class whose DllCanUnloadNow answers S_OK.
PLATFORM_EXPORT void CoFreeUnusedLibraries();
// Number of libraries currently held for classes (for tests and diagnostics).
PLATFORM_EXPORT std::size_t CoLoadedLibraryCount();

// ProgID to class identifier, following CurVer; CO_E_CLASSSTRING when unknown.
PLATFORM_EXPORT HRESULT CLSIDFromProgID(std::string_view progId, CLSID* clsid);
// A braced class identifier or a ProgID.
PLATFORM_EXPORT HRESULT CLSIDFromString(std::string_view text, CLSID* clsid);
PLATFORM_EXPORT HRESULT ProgIDFromCLSID(REFCLSID clsid, std::string* progId);

// Creates by ProgID or braced class identifier and queries for T.
template <class T>
HRESULT CreateObject(std::string_view progIdOrClsid, ComPtr<T>& out)
{
    CLSID clsid;
    if (HRESULT h = CLSIDFromString(progIdOrClsid, &clsid); FAILED(h))
        return h;
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, uuidof<T>(), out.put_void());
}

// The task allocator: memory handed across interfaces and freed by the receiver.
PLATFORM_EXPORT void* CoTaskMemAlloc(std::size_t size);
PLATFORM_EXPORT void CoTaskMemFree(void* p);

} // namespace plat::com
