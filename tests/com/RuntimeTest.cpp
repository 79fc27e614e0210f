#include "../registry/ScopedRegistry.h"
#include "ComTestHelpers.h"

#include <com/ComRuntime.h>
#include <com/Registrar.h>
#include <registry/Registry.h>

using namespace plat::com;
using plat::HKEY_CLASSES_ROOT;
using plat::RegGetString;
using plat::RegKeyExists;
using plat::RegSetString;

TEST(ComRuntime, progIdResolvesThroughCurVerAndUnknownNamesFail)
{
    ScopedRegistry reg;
    RegSetString(HKEY_CLASSES_ROOT, "Thing.Thing", "", "A thing");
    RegSetString(HKEY_CLASSES_ROOT, "Thing.Thing\\CurVer", "", "Thing.Thing.2");
    RegSetString(HKEY_CLASSES_ROOT, "Thing.Thing.2\\CLSID", "", "{0B7C1C34-5A58-4C51-9E8B-1D0F3A7E2C12}");
    CLSID clsid;
    ASSERT_HR(S_OK, CLSIDFromProgID("thing.thing", &clsid));
    EXPECT_EQ(GuidToString(clsid), "{0B7C1C34-5A58-4C51-9E8B-1D0F3A7E2C12}");
    ASSERT_HR(S_OK, CLSIDFromString("{0B7C1C34-5A58-4C51-9E8B-1D0F3A7E2C12}", &clsid));
    EXPECT_HR(CO_E_CLASSSTRING, CLSIDFromProgID("Nothing.Here", &clsid));
    // A CurVer loop in a damaged registry ends instead of spinning.
    RegSetString(HKEY_CLASSES_ROOT, "Loop.A\\CurVer", "", "Loop.B");
    RegSetString(HKEY_CLASSES_ROOT, "Loop.B\\CurVer", "", "Loop.A");
    EXPECT_HR(CO_E_CLASSSTRING, CLSIDFromProgID("Loop.A", &clsid));
}

TEST(ComRuntime, creationReportsMissingClassesAndLibraries)
{
    ScopedRegistry reg;
    constexpr CLSID clsid = MakeGuid("0B7C1C34-5A58-4C51-9E8B-1D0F3A7E2C99");
    ComPtr<IUnknown> object;
    EXPECT_HR(REGDB_E_CLASSNOTREG,
              CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.put_void()));
    RegSetString(HKEY_CLASSES_ROOT, "CLSID\\" + GuidToString(clsid) + "\\InprocServer32", "",
                 "/nonexistent/libnone.so");
    EXPECT_HR(CO_E_DLLNOTFOUND,
              CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.put_void()));
    // A library without the entry points is no component library.
    RegSetString(HKEY_CLASSES_ROOT, "CLSID\\" + GuidToString(clsid) + "\\InprocServer32", "", "libm.so.6");
    EXPECT_HR(CO_E_ERRORINDLL, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.put_void()));
    EXPECT_FALSE(object);
}

namespace {

constexpr RegistrarValue kValues[] = {{"Where", "%MODULE%"}};
constexpr RegistrarKey kInner[] = {
    {"Replaced", "r", kRegistrarForceRemove, {}, {}},
    {"Kept", "%MODULE%, 1", kRegistrarNone, kValues, {}},
};
constexpr RegistrarKey kClass[] = {{"%ID%", "The class", kRegistrarForceRemove, {}, kInner}};
constexpr RegistrarKey kTop[] = {
    {"My.Prog", "Prog", kRegistrarNone, {}, {}},
    {"CLSID", nullptr, kRegistrarNoRemove, {}, kClass},
};
const RegistrarScript kScript{HKEY_CLASSES_ROOT, kTop};
const RegistrarReplacements kReplacements{{"MODULE", "/lib/x.so"}, {"ID", "{1}"}};

} // namespace

TEST(Registrar, registerReplacesForcedKeysAndRemovalKeepsNoRemoveKeys)
{
    ScopedRegistry reg;
    RegSetString(HKEY_CLASSES_ROOT, "CLSID\\{1}\\Stale", "", "left over from an old version");
    RegSetString(HKEY_CLASSES_ROOT, "CLSID\\{other}", "", "someone else");
    ASSERT_HR(S_OK, RegistrarRegister(kScript, kReplacements));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "CLSID\\{1}\\Stale"));
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, "CLSID\\{1}\\Kept", ""), "/lib/x.so, 1");
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, "CLSID\\{1}\\Kept", "Where"), "/lib/x.so");
    const std::string once = reg.text();
    ASSERT_HR(S_OK, RegistrarRegister(kScript, kReplacements));
    EXPECT_EQ(reg.text(), once); // registering twice leaves one set of entries

    ASSERT_HR(S_OK, RegistrarUnregister(kScript, kReplacements));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "My.Prog"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "CLSID\\{1}"));
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, "CLSID\\{other}"));
    ASSERT_HR(S_OK, RegistrarUnregister(kScript, kReplacements)); // nothing left to remove: still fine
}

TEST(Registrar, registrationIntoAnUnreadableRegistryWritesNothing)
{
    ScopedRegistry reg;
    reg.write("not a registry\n");
    EXPECT_HR(HRESULT_FROM_WIN32(plat::ERROR_REGISTRY_CORRUPT), RegistrarRegister(kScript, kReplacements));
    EXPECT_EQ(reg.text(), "not a registry\n");
}
