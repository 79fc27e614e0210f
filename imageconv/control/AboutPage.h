// The About property page: shows the control's product line from dialog 106.
// It changes nothing, so it is never dirty.
#pragma once

#include "control/Aggregatable.h"

#include <com/ComPtr.h>
#include <com/PropertyPage.h>

#include <vector>

namespace pictaf {

using namespace plat::com;

class AboutPageWidget;

class AboutPage final : public Aggregatable, public IPropertyPage {
public:
    static HRESULT Create(IUnknown* outer, REFIID iid, void** out);

    HRESULT QueryInterface(REFIID iid, void** out) override { return controlling()->QueryInterface(iid, out); }
    ULONG AddRef() override { return controlling()->AddRef(); }
    ULONG Release() override { return controlling()->Release(); }

    HRESULT SetPageSite(IPropertyPageSite* site) override;
    HRESULT Activate(HWND parent, const RECT* rect, BOOL modal) override;
    HRESULT Deactivate() override;
    HRESULT GetPageInfo(PROPPAGEINFO* info) override;
    HRESULT SetObjects(ULONG count, IUnknown** objects) override;
    HRESULT Show(UINT command) override;
    HRESULT Move(const RECT* rect) override;
    HRESULT IsPageDirty() override { return S_FALSE; }
    HRESULT Apply() override;
    HRESULT Help(LPCOLESTR helpDir) override;
    HRESULT TranslateAccelerator(MSG* msg) override;

    AboutPageWidget* window() const { return window_; }

private:
    explicit AboutPage(IUnknown* outer);
    ~AboutPage() override;
    void findInterface(REFIID iid, void** out) override;

    ComPtr<IPropertyPageSite> site_;
    std::vector<ComPtr<IUnknown>> objects_;
    AboutPageWidget* window_ = nullptr;
    SIZEL size_;
    bool dirty_ = false;
};

} // namespace pictaf
