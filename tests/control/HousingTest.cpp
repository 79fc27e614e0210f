#include "ControlTestSupport.h"

#include <com/ModuleResources.h>
#include <com/PropertyPage.h>
#include <com/TypeLib.h>
#include <com/Window.h>
#include <gdi/GdiObjects.h>
#include <registry/Registry.h>

using plat::HKEY_CLASSES_ROOT;
using plat::RegGetString;
using plat::RegKeyExists;

namespace {

const std::string kControlKey = "CLSID\\" + GuidToString(CLSID_Pictafor);
const std::string kAboutKey = "CLSID\\" + GuidToString(CLSID_About);

// An outer object that counts the references its inner part forwards to it.
class Outer final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID, void** out) override { return *out = nullptr, E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    ULONG refs = 1;
};

} // namespace

using HousingTest = ControlTest;

TEST_F(HousingTest, lockCountFollowsObjectsClassObjectsAndLockServer)
{
    EXPECT_HR(S_OK, library.canUnloadNow());
    ComPtr<IClassFactory> factory;
    ASSERT_HR(S_OK, library.getClassObject(CLSID_Pictafor, IID_IClassFactory, factory.put_void()));
    EXPECT_HR(S_FALSE, library.canUnloadNow()); // a client holds the class object
    ComPtr<IUnknown> control;
    ASSERT_HR(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, control.put_void()));
    factory = nullptr;
    EXPECT_HR(S_FALSE, library.canUnloadNow()); // the control lives
    control = nullptr;
    EXPECT_HR(S_OK, library.canUnloadNow());

    ASSERT_HR(S_OK, library.getClassObject(CLSID_Pictafor, IID_IClassFactory, factory.put_void()));
    EXPECT_HR(S_OK, factory->LockServer(TRUE));
    factory = nullptr;
    EXPECT_HR(S_FALSE, library.canUnloadNow());
    ASSERT_HR(S_OK, library.getClassObject(CLSID_Pictafor, IID_IClassFactory, factory.put_void()));
    EXPECT_HR(S_OK, factory->LockServer(FALSE));
    factory = nullptr;
    EXPECT_HR(S_OK, library.canUnloadNow());
}

TEST_F(HousingTest, theSameClassObjectIsHandedOutAndUnknownClassesAreRefused)
{
    ComPtr<IClassFactory> a, b;
    ASSERT_HR(S_OK, library.getClassObject(CLSID_Pictafor, IID_IClassFactory, a.put_void()));
    ASSERT_HR(S_OK, library.getClassObject(CLSID_Pictafor, IID_IUnknown, b.put_void()));
    EXPECT_EQ(static_cast<IUnknown*>(a.get()), static_cast<IUnknown*>(b.get()));
    ComPtr<IClassFactory> page;
    ASSERT_HR(S_OK, library.getClassObject(CLSID_About, IID_IClassFactory, page.put_void()));
    EXPECT_NE(page.get(), a.get());
    ComPtr<IUnknown> none;
    EXPECT_HR(CLASS_E_CLASSNOTAVAILABLE, library.getClassObject(IID_IPictaform, IID_IClassFactory, none.put_void()));
    EXPECT_HR(E_POINTER, library.getClassObject(CLSID_Pictafor, IID_IClassFactory, nullptr));
    EXPECT_HR(E_NOINTERFACE, library.getClassObject(CLSID_Pictafor, IID_IDispatch, none.put_void()));
}

TEST_F(HousingTest, aggregationHandsOutOnlyTheInnerUnknown)
{
    ComPtr<IClassFactory> factory;
    ASSERT_HR(S_OK, library.getClassObject(CLSID_Pictafor, IID_IClassFactory, factory.put_void()));
    Outer outer;
    void* out = reinterpret_cast<void*>(1);
    EXPECT_HR(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, IID_IPictaform, &out));
    EXPECT_EQ(out, nullptr);
    EXPECT_HR(E_POINTER, factory->CreateInstance(nullptr, IID_IUnknown, nullptr));
    EXPECT_HR(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IClassFactory, &out));

    IUnknown* inner = nullptr;
    ASSERT_HR(S_OK, factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)));
    EXPECT_EQ(RefCount(inner), 1u);
    IPictaform* control = nullptr;
    ASSERT_HR(S_OK, inner->QueryInterface(IID_IPictaform, reinterpret_cast<void**>(&control)));
    EXPECT_EQ(outer.refs, 2u); // the interface's reference went to the outer object
    control->Release();
    EXPECT_EQ(outer.refs, 1u);
    EXPECT_EQ(inner->Release(), 0u);
}

TEST_F(HousingTest, registrationWritesTheEntriesOnceAndCurVerLeadsToTheClass)
{
    const std::string path = RegisteredLibrary::libraryPath();
    std::string real = std::filesystem::canonical(path).string();
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, "Pictaform.Pictaform.1", ""), "Orvane Pictaform Control");
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, "Pictaform.Pictaform.1\\CLSID", ""), GuidToString(CLSID_Pictafor));
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, "Pictaform.Pictaform.1\\Insertable"));
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, "Pictaform.Pictaform\\CurVer", ""), "Pictaform.Pictaform.1");
    CLSID clsid;
    ASSERT_HR(S_OK, CLSIDFromProgID("Pictaform.Pictaform", &clsid));
    EXPECT_EQ(clsid, CLSID_Pictafor);
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, kControlKey, ""), "Orvane Pictaform Control");
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, kControlKey + "\\ProgID", ""), "Pictaform.Pictaform.1");
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, kControlKey + "\\VersionIndependentProgID", ""), "Pictaform.Pictaform");
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, kControlKey + "\\InprocServer32", ""), real);
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, kControlKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, kControlKey + "\\ToolboxBitmap32", ""), real + ", 1");
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, kControlKey + "\\MiscStatus", ""), "0");
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, kControlKey + "\\MiscStatus\\1", ""), "132497");
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, kControlKey + "\\TypeLib", ""), GuidToString(LIBID_PICTAFLib));
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, kControlKey + "\\Version", ""), "1.1");
    for (const char* empty : {"Programmable", "Control", "Insertable"})
        EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, kControlKey + "\\" + empty)) << empty;
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, "About.About\\CurVer", ""), "About.About.1");
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, "About.About.1\\CLSID", ""), GuidToString(CLSID_About));
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, kAboutKey, ""), "Orvane Pictaform Property Page Object");
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, kAboutKey + "\\InprocServer32", ""), real);
    std::string typeLibPath;
    ASSERT_HR(S_OK, QueryPathOfRegTypeLib(LIBID_PICTAFLib, 1, 0, LOCALE_USER_DEFAULT, &typeLibPath));
    EXPECT_EQ(typeLibPath, real);

    // A replaced key loses whatever was added below it; registering again
    // changes nothing else.
    plat::RegSetString(HKEY_CLASSES_ROOT, kControlKey + "\\Control\\Stale", "", "x");
    ASSERT_HR(S_OK, library.registerServer());
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, kControlKey + "\\Control\\Stale"));
    const std::string once = library.registry.text();
    ASSERT_HR(S_OK, library.registerServer());
    EXPECT_EQ(library.registry.text(), once);
}

TEST_F(HousingTest, unregistrationRemovesTheClassesButKeepsClsidAndTheTypeLibrary)
{
    ASSERT_HR(S_OK, library.unregisterServer());
    for (const std::string& key : {std::string("Pictaform.Pictaform.1"), std::string("Pictaform.Pictaform"),
                                   std::string("About.About.1"), std::string("About.About"), kControlKey, kAboutKey})
        EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, key)) << key;
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, "CLSID"));
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, "TypeLib\\" + GuidToString(LIBID_PICTAFLib) + "\\1.1"));
    ComPtr<IPictaform> control;
    EXPECT_HR(CO_E_CLASSSTRING, CreateObject("Pictaform.Pictaform", control));
    EXPECT_HR(REGDB_E_CLASSNOTREG,
              CoCreateInstance(CLSID_Pictafor, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, control.put_void()));
    EXPECT_HR(S_OK, library.unregisterServer()); // never fails
}

TEST_F(HousingTest, versionInformationIsReadableFromTheLibraryFile)
{
    std::optional<FileVersionInfo> info = GetFileVersionInfo(RegisteredLibrary::libraryPath());
    ASSERT_TRUE(info);
    EXPECT_EQ(std::vector<int>(info->fileVersion, info->fileVersion + 4), (std::vector<int>{1, 1, 0, 1}));
    EXPECT_EQ(std::vector<int>(info->productVersion, info->productVersion + 4), (std::vector<int>{1, 1, 0, 1}));
    EXPECT_EQ(info->fileType, VFT_DLL);
    EXPECT_EQ(info->language, 0x0409u);
    EXPECT_EQ(info->strings["FileDescription"], "Orvane Pictaform Control");
    EXPECT_EQ(info->strings["ProductName"], "Orvane Pictaform Control");
    EXPECT_EQ(info->strings["CompanyName"], "Orvane Software");
    EXPECT_EQ(info->strings["InternalName"], "PICTAF");
    EXPECT_EQ(info->strings["OriginalFilename"], "PICTAF.DLL");
    EXPECT_EQ(info->strings["FileVersion"], "1.1");
    EXPECT_FALSE(GetFileVersionInfo("/nonexistent/lib.so"));
}

TEST_F(HousingTest, aboutPageAnswersWithoutAWindow)
{
    ComPtr<IPropertyPage> page;
    ASSERT_HR(S_OK, CreateObject("About.About", page));
    PROPPAGEINFO info;
    ASSERT_HR(S_OK, page->GetPageInfo(&info));
    EXPECT_EQ(info.cb, 28u);
    EXPECT_EQ(std::u16string(info.pszTitle), u"About Pictaform");
    EXPECT_EQ(std::u16string(info.pszDocString), u"");
    EXPECT_EQ(std::u16string(info.pszHelpFile), u"");
    EXPECT_EQ(info.dwHelpContext, 0u);
    // "MS Sans Serif" is not installed: dialog base units 8 x 16 give
    // 182 x 8 / 4 by 105 x 16 / 8.
    EXPECT_EQ(info.size, (SIZEL{364, 210}));
    CoTaskMemFree(info.pszTitle);
    CoTaskMemFree(info.pszDocString);
    CoTaskMemFree(info.pszHelpFile);
    EXPECT_HR(E_POINTER, page->GetPageInfo(nullptr));

    EXPECT_HR(S_FALSE, page->IsPageDirty());
    EXPECT_HR(S_OK, page->Apply());
    EXPECT_HR(S_FALSE, page->IsPageDirty());
    EXPECT_HR(E_UNEXPECTED, page->Show(SW_SHOW));
    EXPECT_HR(E_UNEXPECTED, page->Move(nullptr));
    EXPECT_HR(E_POINTER, page->Activate(nullptr, nullptr, TRUE));
    EXPECT_HR(E_POINTER, page->TranslateAccelerator(nullptr));
    EXPECT_HR(E_POINTER, page->SetObjects(1, nullptr));
    ComPtr<IPictaform> control = create();
    IUnknown* objects[] = {control.get()};
    const ULONG before = RefCount(control.get());
    ASSERT_HR(S_OK, page->SetObjects(1, objects));
    EXPECT_EQ(RefCount(control.get()), before + 1);
    IUnknown* none = nullptr;
    ASSERT_HR(S_OK, page->SetObjects(0, &none));
    EXPECT_EQ(RefCount(control.get()), before);

    std::string helpAsked;
    SetHelpViewer([&](HWND, const std::string& file, UINT command, std::uintptr_t) {
        helpAsked = file + " " + std::to_string(command);
        return true;
    });
    EXPECT_HR(S_OK, page->Help(u"/usr/share/help/"));
    SetHelpViewer({});
    EXPECT_EQ(helpAsked, "/usr/share/help/ 8"); // a context pop-up
}

TEST_F(HousingTest, aboutPageSiteMayBeClearedTwiceButNotReplaced)
{
    ComPtr<IPropertyPage> page;
    ASSERT_HR(S_OK, CreateObject("About.About", page));
    class Site final : public IPropertyPageSite, public RefCounted<Site> {
    public:
        HRESULT QueryInterface(REFIID iid, void** out) override
        {
            return queryInterfaces<IPropertyPageSite>(this, iid, out);
        }
        ULONG AddRef() override { return addRef(); }
        ULONG Release() override { return release(); }
        HRESULT OnStatusChange(DWORD) override { return S_OK; }
        HRESULT GetLocaleID(LCID* l) override { return *l = 0x409, S_OK; }
        HRESULT GetPageContainer(IUnknown**) override { return E_NOTIMPL; }
        HRESULT TranslateAccelerator(MSG*) override { return S_FALSE; }
    };
    ComPtr<Site> first = ComPtr<Site>::attach(new Site), second = ComPtr<Site>::attach(new Site);
    EXPECT_HR(S_OK, page->SetPageSite(nullptr));
    EXPECT_HR(S_OK, page->SetPageSite(nullptr));
    EXPECT_HR(S_OK, page->SetPageSite(first.get()));
    EXPECT_EQ(RefCount(first.get()), 2u);
    EXPECT_HR(E_UNEXPECTED, page->SetPageSite(second.get()));
    EXPECT_EQ(RefCount(second.get()), 1u);
    EXPECT_HR(S_OK, page->SetPageSite(nullptr));
    EXPECT_EQ(RefCount(first.get()), 1u);
}

TEST_F(HousingTest, aboutPageSizeFollowsTheScreenResolutionWhenTheFontIsMissing)
{
    ComPtr<IPropertyPage> page;
    ASSERT_HR(S_OK, CreateObject("About.About", page));
    plat::SetLogPixels(120, 120); // base units 10 x 20
    PROPPAGEINFO info;
    HRESULT h = page->GetPageInfo(&info);
    plat::SetLogPixels(96, 96);
    ASSERT_HR(S_OK, h);
    EXPECT_EQ(info.size, (SIZEL{455, 263})); // 182 x 10 / 4, 105 x 20 / 8 rounded
    CoTaskMemFree(info.pszTitle);
    CoTaskMemFree(info.pszDocString);
    CoTaskMemFree(info.pszHelpFile);
}

TEST_F(HousingTest, typeLibraryRegistrationResolvesFormClassNamesAndVersions)
{
    CLSID clsid;
    ASSERT_HR(S_OK, CLSIDFromTypeLibClass("pictaflib", "About", &clsid));
    EXPECT_EQ(clsid, CLSID_About);
    EXPECT_HR(REGDB_E_CLASSNOTREG, CLSIDFromFormClassName("PICTAFLibCtl.IPictaform", &clsid)); // an interface, no class
    EXPECT_HR(REGDB_E_CLASSNOTREG, CLSIDFromFormClassName("OtherLib.Pictafor", &clsid));
    EXPECT_HR(CO_E_CLASSSTRING, CLSIDFromFormClassName("Pictafor", &clsid));
    ComPtr<ITypeLib> lib;
    EXPECT_HR(S_OK, LoadRegTypeLib(LIBID_PICTAFLib, 1, 0, 0x0407, lib.put())); // 1.1 serves 1.0, any language
    EXPECT_HR(TYPE_E_LIBNOTREGISTERED, LoadRegTypeLib(LIBID_PICTAFLib, 1, 2, 0x0409, lib.put()));
    EXPECT_HR(TYPE_E_LIBNOTREGISTERED, LoadRegTypeLib(LIBID_PICTAFLib, 2, 0, 0x0409, lib.put()));
    const std::string interfaceKey = "Interface\\" + GuidToString(IID_IPictaform);
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, interfaceKey, ""), "IPictaform");
    EXPECT_EQ(RegGetString(HKEY_CLASSES_ROOT, interfaceKey + "\\TypeLib", "Version"), "1.1");
    ASSERT_HR(S_OK, UnRegisterTypeLib(LIBID_PICTAFLib, 1, 1, 0x0409));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, interfaceKey));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "TypeLib\\" + GuidToString(LIBID_PICTAFLib)));
    EXPECT_HR(REGDB_E_CLASSNOTREG, CLSIDFromFormClassName("PICTAFLibCtl.Pictafor", &clsid));
}

TEST_F(HousingTest, registeredVerbsAreEnumeratedFromTheClassKey)
{
    plat::RegSetString(HKEY_CLASSES_ROOT, kControlKey + "\\Verb\\0", "", "&Properties,0,2");
    ComPtr<IPictaform> control = create();
    ComPtr<IEnumOLEVERB> verbs;
    ASSERT_HR(S_OK, control.as<IOleObject>()->EnumVerbs(verbs.put()));
    OLEVERB verb;
    ULONG fetched = 0;
    ASSERT_HR(S_OK, verbs->Next(1, &verb, &fetched));
    EXPECT_EQ(verb.lVerb, 0);
    EXPECT_EQ(std::u16string(verb.lpszVerbName), u"&Properties");
    EXPECT_EQ(verb.grfAttribs, 2u);
    CoTaskMemFree(verb.lpszVerbName);
    EXPECT_HR(S_FALSE, verbs->Next(1, &verb, &fetched));
    EXPECT_EQ(fetched, 0u);
}

TEST_F(HousingTest, unusedLibrariesAreLetGoOnlyWhenTheyMayUnload)
{
    ComPtr<IPictaform> control = create();
    ASSERT_TRUE(control);
    ASSERT_GE(CoLoadedLibraryCount(), 1u);
    const std::size_t loaded = CoLoadedLibraryCount();
    CoFreeUnusedLibraries();
    EXPECT_EQ(CoLoadedLibraryCount(), loaded); // a control still lives
    control = nullptr;
    CoFreeUnusedLibraries();
    EXPECT_EQ(CoLoadedLibraryCount(), loaded - 1);
    control = create(); // loaded again on demand
    EXPECT_TRUE(control);
}
