// The interfaces between a control and its container: the embedded object and
// its client site, in-place activation, drawing, control and site
// notifications, quick activation and data transfer. They follow the host's
// shapes, trimmed of what no one here passes (monikers, menus, palettes).
#pragma once

#include "com/Dispatch.h"

namespace plat::com {

constexpr DWORD DVASPECT_CONTENT = 1;
constexpr DWORD DVASPECT_THUMBNAIL = 2;
constexpr DWORD DVASPECT_ICON = 4;
constexpr DWORD DVASPECT_DOCPRINT = 8;

constexpr LONG OLEIVERB_PRIMARY = 0;
constexpr LONG OLEIVERB_SHOW = -1;
constexpr LONG OLEIVERB_OPEN = -2;
constexpr LONG OLEIVERB_HIDE = -3;
constexpr LONG OLEIVERB_UIACTIVATE = -4;
constexpr LONG OLEIVERB_INPLACEACTIVATE = -5;
constexpr LONG OLEIVERB_DISCARDUNDOSTATE = -6;
constexpr LONG OLEIVERB_PROPERTIES = -7;

constexpr DWORD USERCLASSTYPE_FULL = 1;
constexpr DWORD USERCLASSTYPE_SHORT = 2;
constexpr DWORD USERCLASSTYPE_APPNAME = 3;

constexpr DWORD OLEMISC_RECOMPOSEONRESIZE = 0x1;
constexpr DWORD OLEMISC_CANTLINKINSIDE = 0x10;
constexpr DWORD OLEMISC_INSIDEOUT = 0x80;
constexpr DWORD OLEMISC_ACTIVATEWHENVISIBLE = 0x100;
constexpr DWORD OLEMISC_INVISIBLEATRUNTIME = 0x400;
constexpr DWORD OLEMISC_SETCLIENTSITEFIRST = 0x20000;

constexpr DWORD VIEWSTATUS_OPAQUE = 1;
constexpr DWORD VIEWSTATUS_SOLIDBKGND = 2;

struct DVTARGETDEVICE;

struct FORMATETC {
    std::uint16_t cfFormat = 0;
    DVTARGETDEVICE* ptd = nullptr;
    DWORD dwAspect = DVASPECT_CONTENT;
    LONG lindex = -1;
    DWORD tymed = 0;
};

struct STGMEDIUM {
    DWORD tymed = 0;
    void* data = nullptr;
    IUnknown* pUnkForRelease = nullptr;
};

struct IAdviseSink : IUnknown {
    static constexpr IID kIID = MakeGuid("0000010F-0000-0000-C000-000000000046");
    virtual void OnDataChange(FORMATETC* format, STGMEDIUM* medium) = 0;
    virtual void OnViewChange(DWORD aspect, LONG lindex) = 0;
    virtual void OnRename(IUnknown* moniker) = 0;
    virtual void OnSave() = 0;
    virtual void OnClose() = 0;
};

struct OLEVERB {
    LONG lVerb = 0;
    LPOLESTR lpszVerbName = nullptr; // task memory, freed by the receiver
    DWORD fuFlags = 0;
    DWORD grfAttribs = 0;
};

struct IEnumOLEVERB : IUnknown {
    static constexpr IID kIID = MakeGuid("00000104-0000-0000-C000-000000000046");
    virtual HRESULT Next(ULONG count, OLEVERB* verbs, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumOLEVERB** out) = 0;
};

struct IOleClientSite : IUnknown {
    static constexpr IID kIID = MakeGuid("00000118-0000-0000-C000-000000000046");
    virtual HRESULT SaveObject() = 0;
    virtual HRESULT GetContainer(IUnknown** container) = 0;
    virtual HRESULT ShowObject() = 0;
    virtual HRESULT OnShowWindow(BOOL show) = 0;
    virtual HRESULT RequestNewObjectLayout() = 0;
};

struct IOleObject : IUnknown {
    static constexpr IID kIID = MakeGuid("00000112-0000-0000-C000-000000000046");
    virtual HRESULT SetClientSite(IOleClientSite* site) = 0;
    virtual HRESULT GetClientSite(IOleClientSite** site) = 0;
    virtual HRESULT SetHostNames(LPCOLESTR containerApp, LPCOLESTR containerObject) = 0;
    virtual HRESULT Close(DWORD saveOption) = 0;
    virtual HRESULT SetMoniker(DWORD which, IUnknown* moniker) = 0;
    virtual HRESULT GetMoniker(DWORD assign, DWORD which, IUnknown** moniker) = 0;
    virtual HRESULT InitFromData(IUnknown* dataObject, BOOL creation, DWORD reserved) = 0;
    virtual HRESULT GetClipboardData(DWORD reserved, IUnknown** dataObject) = 0;
    virtual HRESULT DoVerb(LONG verb, MSG* msg, IOleClientSite* site, LONG lindex, HWND parent,
                           const RECT* posRect) = 0;
    virtual HRESULT EnumVerbs(IEnumOLEVERB** verbs) = 0;
    virtual HRESULT Update() = 0;
    virtual HRESULT IsUpToDate() = 0;
    virtual HRESULT GetUserClassID(CLSID* clsid) = 0;
    virtual HRESULT GetUserType(DWORD form, LPOLESTR* userType) = 0; // task memory
    virtual HRESULT SetExtent(DWORD aspect, SIZEL* size) = 0;
    virtual HRESULT GetExtent(DWORD aspect, SIZEL* size) = 0;
    virtual HRESULT Advise(IAdviseSink* sink, DWORD* connection) = 0;
    virtual HRESULT Unadvise(DWORD connection) = 0;
    virtual HRESULT EnumAdvise(IUnknown** enumerator) = 0;
    virtual HRESULT GetMiscStatus(DWORD aspect, DWORD* status) = 0;
    virtual HRESULT SetColorScheme(const void* palette) = 0;
};

struct IOleWindow : IUnknown {
    static constexpr IID kIID = MakeGuid("00000114-0000-0000-C000-000000000046");
    virtual HRESULT GetWindow(HWND* window) = 0;
    virtual HRESULT ContextSensitiveHelp(BOOL enterMode) = 0;
};

struct IOleInPlaceObject : IOleWindow {
    static constexpr IID kIID = MakeGuid("00000113-0000-0000-C000-000000000046");
    virtual HRESULT InPlaceDeactivate() = 0;
    virtual HRESULT UIDeactivate() = 0;
    virtual HRESULT SetObjectRects(const RECT* posRect, const RECT* clipRect) = 0;
    virtual HRESULT ReactivateAndUndo() = 0;
};

struct IOleInPlaceObjectWindowless : IOleInPlaceObject {
    static constexpr IID kIID = MakeGuid("1C2056CC-5EF4-101B-8BC8-00AA003E3B29");
    virtual HRESULT OnWindowMessage(UINT msg, std::uintptr_t wParam, std::intptr_t lParam, std::intptr_t* result) = 0;
    virtual HRESULT GetDropTarget(IUnknown** dropTarget) = 0;
};

struct IOleInPlaceActiveObject : IOleWindow {
    static constexpr IID kIID = MakeGuid("00000117-0000-0000-C000-000000000046");
    virtual HRESULT TranslateAccelerator(MSG* msg) = 0;
    virtual HRESULT OnFrameWindowActivate(BOOL activate) = 0;
    virtual HRESULT OnDocWindowActivate(BOOL activate) = 0;
    virtual HRESULT ResizeBorder(const RECT* border, IUnknown* uiWindow, BOOL frameWindow) = 0;
    virtual HRESULT EnableModeless(BOOL enable) = 0;
};

struct IOleInPlaceSite : IOleWindow {
    static constexpr IID kIID = MakeGuid("00000119-0000-0000-C000-000000000046");
    virtual HRESULT CanInPlaceActivate() = 0;
    virtual HRESULT OnInPlaceActivate() = 0;
    virtual HRESULT OnUIActivate() = 0;
    virtual HRESULT GetWindowContext(RECT* posRect, RECT* clipRect) = 0;
    virtual HRESULT Scroll(SIZEL extent) = 0;
    virtual HRESULT OnUIDeactivate(BOOL undoable) = 0;
    virtual HRESULT OnInPlaceDeactivate() = 0;
    virtual HRESULT DiscardUndoState() = 0;
    virtual HRESULT DeactivateAndUndo() = 0;
    virtual HRESULT OnPosRectChange(const RECT* posRect) = 0;
};

struct IOleControl : IUnknown {
    static constexpr IID kIID = MakeGuid("B196B288-BAB4-101A-B69C-00AA00341D07");
    virtual HRESULT GetControlInfo(void* controlInfo) = 0;
    virtual HRESULT OnMnemonic(MSG* msg) = 0;
    virtual HRESULT OnAmbientPropertyChange(DISPID dispid) = 0;
    virtual HRESULT FreezeEvents(BOOL freeze) = 0;
};

struct IOleControlSite : IUnknown {
    static constexpr IID kIID = MakeGuid("B196B289-BAB4-101A-B69C-00AA00341D07");
    virtual HRESULT OnControlInfoChanged() = 0;
    virtual HRESULT LockInPlaceActive(BOOL lock) = 0;
    virtual HRESULT GetExtendedControl(IDispatch** control) = 0;
    virtual HRESULT TransformCoords(POINT* himetric, float* container, DWORD flags) = 0;
    virtual HRESULT TranslateAccelerator(MSG* msg, DWORD modifiers) = 0;
    virtual HRESULT OnFocus(BOOL gotFocus) = 0;
    virtual HRESULT ShowPropertyFrame() = 0;
};

using ContinueProc = BOOL (*)(std::uintptr_t);

struct IViewObject : IUnknown {
    static constexpr IID kIID = MakeGuid("0000010D-0000-0000-C000-000000000046");
    virtual HRESULT Draw(DWORD aspect, LONG lindex, void* aspectInfo, DVTARGETDEVICE* targetDevice, HDC targetDc,
                         HDC drawDc, const RECTL* bounds, const RECTL* windowBounds, ContinueProc cont,
                         std::uintptr_t continueArg) = 0;
    virtual HRESULT GetColorSet(DWORD aspect, LONG lindex, void* aspectInfo, DVTARGETDEVICE* targetDevice, HDC targetDc,
                                void** colorSet) = 0;
    virtual HRESULT Freeze(DWORD aspect, LONG lindex, void* aspectInfo, DWORD* freeze) = 0;
    virtual HRESULT Unfreeze(DWORD freeze) = 0;
    virtual HRESULT SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* sink) = 0;
    virtual HRESULT GetAdvise(DWORD* aspects, DWORD* advf, IAdviseSink** sink) = 0;
};

struct IViewObject2 : IViewObject {
    static constexpr IID kIID = MakeGuid("00000127-0000-0000-C000-000000000046");
    virtual HRESULT GetExtent(DWORD aspect, LONG lindex, DVTARGETDEVICE* targetDevice, SIZEL* size) = 0;
};

struct IViewObjectEx : IViewObject2 {
    static constexpr IID kIID = MakeGuid("3AF24292-0C96-11CE-A0CF-00AA00600AB8");
    virtual HRESULT GetRect(DWORD aspect, RECTL* rect) = 0;
    virtual HRESULT GetViewStatus(DWORD* status) = 0;
    virtual HRESULT QueryHitPoint(DWORD aspect, const RECT* bounds, POINT location, LONG closeHint, DWORD* hit) = 0;
    virtual HRESULT QueryHitRect(DWORD aspect, const RECT* bounds, const RECT* location, LONG closeHint,
                                 DWORD* hit) = 0;
    virtual HRESULT GetNaturalExtent(DWORD aspect, LONG lindex, DVTARGETDEVICE* targetDevice, HDC targetDc,
                                     void* extentInfo, SIZEL* size) = 0;
};

struct QACONTAINER {
    ULONG cbSize = sizeof(QACONTAINER);
    IOleClientSite* pClientSite = nullptr;
    IAdviseSink* pAdviseSink = nullptr;
    DWORD dwAmbientFlags = 0;
};

struct QACONTROL {
    ULONG cbSize = sizeof(QACONTROL);
    DWORD dwMiscStatus = 0;
    DWORD dwViewStatus = 0;
    DWORD dwEventCookie = 0;
    DWORD dwPropNotifyCookie = 0;
    DWORD dwPointerActivationPolicy = 0;
};

struct IQuickActivate : IUnknown {
    static constexpr IID kIID = MakeGuid("CF51ED10-62FE-11CF-BF86-00A0C9034836");
    virtual HRESULT QuickActivate(QACONTAINER* container, QACONTROL* control) = 0;
    virtual HRESULT SetContentExtent(SIZEL* size) = 0;
    virtual HRESULT GetContentExtent(SIZEL* size) = 0;
};

struct IDataObject : IUnknown {
    static constexpr IID kIID = MakeGuid("0000010E-0000-0000-C000-000000000046");
    virtual HRESULT GetData(FORMATETC* format, STGMEDIUM* medium) = 0;
    virtual HRESULT GetDataHere(FORMATETC* format, STGMEDIUM* medium) = 0;
    virtual HRESULT QueryGetData(FORMATETC* format) = 0;
    virtual HRESULT GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) = 0;
    virtual HRESULT SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) = 0;
    virtual HRESULT EnumFormatEtc(DWORD direction, IUnknown** enumerator) = 0;
    virtual HRESULT DAdvise(FORMATETC* format, DWORD advf, IAdviseSink* sink, DWORD* connection) = 0;
    virtual HRESULT DUnadvise(DWORD connection) = 0;
    virtual HRESULT EnumDAdvise(IUnknown** enumerator) = 0;
};

constexpr DWORD GUIDKIND_DEFAULT_SOURCE_DISP_IID = 1;

struct IProvideClassInfo : IUnknown {
    static constexpr IID kIID = MakeGuid("B196B283-BAB4-101A-B69C-00AA00341D07");
    virtual HRESULT GetClassInfo(ITypeInfo** info) = 0;
};

struct IProvideClassInfo2 : IProvideClassInfo {
    static constexpr IID kIID = MakeGuid("A6BC3AC0-DBAA-11CE-9DE3-00AA004BB851");
    virtual HRESULT GetGUID(DWORD kind, GUID* guid) = 0;
};

// What the registry says about a class (CLSID\{clsid}\...).
// User type: AuxUserType\<form> or else the class key's default value.
PLATFORM_EXPORT HRESULT OleRegGetUserType(REFCLSID clsid, DWORD form, std::u16string* userType);
// Status bits: MiscStatus\<aspect> or else MiscStatus's default value (decimal text).
PLATFORM_EXPORT HRESULT OleRegGetMiscStatus(REFCLSID clsid, DWORD aspect, DWORD* status);
// Verbs under Verb\<n> ("name,flags,attribs"); OLEOBJ_E_NOVERBS when there are none.
PLATFORM_EXPORT HRESULT OleRegEnumVerbs(REFCLSID clsid, IEnumOLEVERB** verbs);

} // namespace plat::com
