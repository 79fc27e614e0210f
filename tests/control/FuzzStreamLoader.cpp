// Persisted streams come from form data on disk: loading any bytes into the
// control must end in success or a failure code, never a crash, a hang or an
// allocation the stream did not pay for; what loads must save and load again.
#include "control/IPictaform.h"

#include <com/ComPtr.h>
#include <com/MemoryStream.h>
#include <com/Persist.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

using namespace plat::com;

extern "C" HRESULT DllRegisterServer();
extern "C" HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** out);

namespace {

std::string g_registryDir;
ComPtr<IClassFactory> g_factory;
ComPtr<IUnknown> g_anchor; // keeps the shared type information loaded between inputs

ComPtr<IPersistStreamInit> newControl()
{
    ComPtr<IPersistStreamInit> control;
    g_factory->CreateInstance(nullptr, uuidof<IPersistStreamInit>(), control.put_void());
    return control;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // A registry of the fuzzer's own: loading goes through the registered type library.
    char dir[] = "/tmp/fuzz-stream-loader-XXXXXX";
    if (!::mkdtemp(dir))
        std::abort();
    g_registryDir = dir;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(g_registryDir, ec);
    });
    setenv("VELNORA_REGISTRY", (g_registryDir + "/registry.reg").c_str(), 1);
    if (FAILED(DllRegisterServer())
        || FAILED(DllGetClassObject(pictaf::CLSID_Pictafor, IID_IClassFactory, g_factory.put_void())))
        std::abort();
    g_anchor = newControl().as<IUnknown>();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ComPtr<IPersistStreamInit> control = newControl();
    if (!control)
        std::abort();
    if (FAILED(control->Load(CreateMemoryStream({data, size}).get())))
        return 0;
    ComPtr<IStream> saved = CreateMemoryStream();
    if (FAILED(control->Save(saved.get(), TRUE)))
        std::abort();
    saved->Seek(0, STREAM_SEEK_SET, nullptr);
    ComPtr<IPersistStreamInit> again = newControl();
    if (FAILED(again->Load(saved.get())))
        std::abort();
    return 0;
}
