// Fixture and fakes for the control tests: a registered library, the
// control created through the registry, and containers' pieces that record
// what the control tells them.
#pragma once

#include "../com/ComTestHelpers.h"
#include "RegisteredLibrary.h"

#include "control/IPictaform.h"

#include <com/ComRuntime.h>
#include <com/Component.h>
#include <com/MemoryStream.h>
#include <com/OleControl.h>
#include <com/Persist.h>
#include <com/RefCounted.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

using namespace plat::com;
using namespace pictaf;

// The default control's stream at 96 pixels per inch.
inline const std::vector<std::uint8_t> kDefaultStream = {
    0x00, 0x02, 0x00, 0x00,             // version 0x200
    0xA7, 0x01, 0x00, 0x00,             // extent width 423
    0xA7, 0x01, 0x00, 0x00,             // extent height 423
    0x03, 0x00, 0x01, 0x00, 0x00, 0x00, // Type: VT_I4 1
    0x0B, 0x00, 0xFF, 0xFF,             // Transparent: VT_BOOL true
    0x0B, 0x00, 0xFF, 0xFF,             // Interlaced: VT_BOOL true
    0x13, 0x00, 0xFF, 0xFF, 0xFF, 0x00, // BgColor: VT_UI4 white
};

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(library.loaded()) << RegisteredLibrary::libraryPath() << ": " << ::dlerror();
        ASSERT_HR(S_OK, library.registration);
        outputDir = std::filesystem::path(library.registry.path()).parent_path() / "out";
        std::filesystem::create_directories(outputDir);
    }

    ComPtr<IPictaform> create()
    {
        ComPtr<IPictaform> control;
        EXPECT_HR(S_OK, CreateObject("Pictaform.Pictaform", control));
        return control;
    }

    std::vector<std::uint8_t> save(IUnknown* control)
    {
        ComPtr<IStream> stream = CreateMemoryStream();
        ComPtr<IUnknown> unknown(control);
        EXPECT_HR(S_OK, unknown.as<IPersistStreamInit>()->Save(stream.get(), TRUE));
        return MemoryStreamBytes(stream.get());
    }

    HRESULT load(IUnknown* control, const std::vector<std::uint8_t>& bytes)
    {
        ComPtr<IUnknown> unknown(control);
        return unknown.as<IPersistStreamInit>()->Load(CreateMemoryStream(bytes).get());
    }

    std::string outputFile(const char* name) const { return (outputDir / name).string(); }

    RegisteredLibrary library;
    std::filesystem::path outputDir;
};

// An advise sink that counts what it is told.
class CountingSink final : public IAdviseSink, public RefCounted<CountingSink> {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override { return queryInterfaces<IAdviseSink>(this, iid, out); }
    ULONG AddRef() override { return addRef(); }
    ULONG Release() override { return release(); }
    void OnDataChange(FORMATETC*, STGMEDIUM*) override { ++dataChanges; }
    void OnViewChange(DWORD, LONG) override {}
    void OnRename(IUnknown*) override {}
    void OnSave() override {}
    void OnClose() override {}
    int dataChanges = 0;
};

// A client site that is also a control site and answers the ambient user mode.
class FakeSite final : public IOleClientSite, public IOleControlSite, public IDispatch, public RefCounted<FakeSite> {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        return queryInterfaces<IOleClientSite, IOleControlSite, IDispatch>(this, iid, out);
    }
    ULONG AddRef() override { return addRef(); }
    ULONG Release() override { return release(); }
    HRESULT SaveObject() override { return S_OK; }
    HRESULT GetContainer(IUnknown**) override { return E_NOINTERFACE; }
    HRESULT ShowObject() override { return S_OK; }
    HRESULT OnShowWindow(BOOL) override { return S_OK; }
    HRESULT RequestNewObjectLayout() override { return E_NOTIMPL; }
    HRESULT OnControlInfoChanged() override { return S_OK; }
    HRESULT LockInPlaceActive(BOOL) override { return S_OK; }
    HRESULT GetExtendedControl(IDispatch**) override { return E_NOTIMPL; }
    HRESULT TransformCoords(POINT*, float*, DWORD) override { return E_NOTIMPL; }
    HRESULT TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
    HRESULT OnFocus(BOOL got) override
    {
        focusChanges.push_back(got != 0);
        return S_OK;
    }
    HRESULT ShowPropertyFrame() override
    {
        ++propertyFrames;
        return showFrameResult;
    }
    HRESULT GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID id, REFIID, LCID, std::uint16_t, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override
    {
        if (id != DISPID_AMBIENT_USERMODE || !result)
            return DISP_E_MEMBERNOTFOUND;
        result->vt = VT_BOOL;
        result->boolVal = userMode ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    bool userMode = true;
    HRESULT showFrameResult = S_OK;
    int propertyFrames = 0;
    std::vector<bool> focusChanges;
};
