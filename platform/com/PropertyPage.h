// Property pages and the standard property frame that shows them.
#pragma once

#include "com/OleControl.h"

namespace plat::com {

// A counted array of GUIDs in task memory, freed by the receiver.
struct CAUUID {
    ULONG cElems = 0;
    GUID* pElems = nullptr;
};

struct ISpecifyPropertyPages : IUnknown {
    static constexpr IID kIID = MakeGuid("B196B28B-BAB4-101A-B69C-00AA00341D07");
    virtual HRESULT GetPages(CAUUID* pages) = 0;
};

// The size field of PROPPAGEINFO as pages have always filled it in.
constexpr ULONG kPropPageInfoSize = 28;

struct PROPPAGEINFO {
    ULONG cb = 0;
    LPOLESTR pszTitle = nullptr; // task memory, owned by the caller
    SIZEL size;                  // pixels
    LPOLESTR pszDocString = nullptr;
    LPOLESTR pszHelpFile = nullptr;
    DWORD dwHelpContext = 0;
};

struct IPropertyPageSite : IUnknown {
    static constexpr IID kIID = MakeGuid("B196B28C-BAB4-101A-B69C-00AA00341D07");
    virtual HRESULT OnStatusChange(DWORD flags) = 0;
    virtual HRESULT GetLocaleID(LCID* lcid) = 0;
    virtual HRESULT GetPageContainer(IUnknown** container) = 0;
    virtual HRESULT TranslateAccelerator(MSG* msg) = 0;
};

struct IPropertyPage : IUnknown {
    static constexpr IID kIID = MakeGuid("B196B28D-BAB4-101A-B69C-00AA00341D07");
    virtual HRESULT SetPageSite(IPropertyPageSite* site) = 0;
    virtual HRESULT Activate(HWND parent, const RECT* rect, BOOL modal) = 0;
    virtual HRESULT Deactivate() = 0;
    virtual HRESULT GetPageInfo(PROPPAGEINFO* info) = 0;
    virtual HRESULT SetObjects(ULONG count, IUnknown** objects) = 0;
    virtual HRESULT Show(UINT command) = 0;
    virtual HRESULT Move(const RECT* rect) = 0;
    virtual HRESULT IsPageDirty() = 0;
    virtual HRESULT Apply() = 0;
    virtual HRESULT Help(LPCOLESTR helpDir) = 0;
    virtual HRESULT TranslateAccelerator(MSG* msg) = 0;
};

// Shows a modal dialog with one tab per page class, owned by owner, titled
// "<caption> Properties", the pages working on objects; OK applies the pages
// that are dirty, Cancel applies nothing. Returns when the dialog closes.
PLATFORM_EXPORT HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption, ULONG objectCount,
                                               IUnknown** objects, ULONG pageCount, const CLSID* pages, LCID lcid,
                                               DWORD reserved, void* reserved2);

} // namespace plat::com
