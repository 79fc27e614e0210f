// velnora-regsvr [-u] LIBRARY
// Loads a component library and calls its DllRegisterServer (or, with -u,
// DllUnregisterServer), printing the result. Exit status 0 on success, 1 when
// the entry point fails, 2 for usage errors, 3 when the library cannot be
// loaded or lacks the entry point. --help and --version answer and exit 0.
#include <com/ComRuntime.h>
#include <registry/Registry.h>

#include <dlfcn.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    bool unregister = false;
    const char* library = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("velnora-regsvr %s\n", VELNORA_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("usage: velnora-regsvr [-u] LIBRARY\n"
                        "Registers a component library in the per-user registry (-u: unregisters it).\n");
            return 0;
        }
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-u") == 0)
            unregister = true;
        else if (!library && argv[i][0] != '-')
            library = argv[i];
        else {
            // An unknown option or a second library: the usage message.
            library = nullptr;
            break;
        }
    }
    if (!library) {
        std::fprintf(stderr, "usage: velnora-regsvr [-u] LIBRARY\n");
        return 2;
    }
    // A full path, so that the registry names the file wherever the host runs.
    char resolved[PATH_MAX];
    std::string path = ::realpath(library, resolved) ? resolved : library;
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "velnora-regsvr: cannot load %s: %s\n", path.c_str(), ::dlerror());
        return 3;
    }
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto fn = reinterpret_cast<plat::com::DllRegisterServerFn>(::dlsym(handle, entry));
    if (!fn) {
        std::fprintf(stderr, "velnora-regsvr: %s has no %s entry point\n", path.c_str(), entry);
        ::dlclose(handle);
        return 3;
    }
    const plat::com::HRESULT h = fn();
    if (plat::com::SUCCEEDED(h)) {
        std::printf("%s in %s succeeded (registry %s).\n", entry, path.c_str(), plat::RegistryPath().c_str());
    } else {
        std::fprintf(stderr, "%s in %s failed: %s (%s).\n", entry, path.c_str(), plat::com::HResultName(h).c_str(),
                     plat::com::HResultText(h).c_str());
        if (std::string problem = plat::RegistryProblem(); !problem.empty())
            std::fprintf(stderr, "%s\n", problem.c_str());
    }
    ::dlclose(handle);
    return plat::com::SUCCEEDED(h) ? 0 : 1;
}
