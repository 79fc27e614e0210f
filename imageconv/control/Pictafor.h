// The conversion control: four output options, two conversion methods, its
// persisted stream, and the standard control interfaces a container uses.
// Split by concern: Pictafor.cpp (state, IPictaform, dispatch, class and error
// information), Pictafor_Persist.cpp (stream and storage), Pictafor_Ole.cpp
// (embedding, verbs, extent, quick activation, data), Pictafor_View.cpp
// (drawing and the in-place window).
#pragma once

#include "control/Aggregatable.h"
#include "control/IPictaform.h"

#include <com/ComPtr.h>
#include <com/ErrorInfo.h>
#include <com/Persist.h>
#include <com/PropertyPage.h>

#include <memory>
#include <vector>

namespace pictaf {

using namespace plat::com;

class ControlWindow;

class Pictafor final : public Aggregatable,
                       public IPictaform,
                       public IViewObjectEx,
                       public IOleInPlaceObjectWindowless,
                       public IOleInPlaceActiveObject,
                       public IOleControl,
                       public IOleObject,
                       public IQuickActivate,
                       public IPersistStorage,
                       public IPersistStreamInit,
                       public ISpecifyPropertyPages,
                       public IDataObject,
                       public IProvideClassInfo2,
                       public ISupportErrorInfo {
public:
    static HRESULT Create(IUnknown* outer, REFIID iid, void** out);

    // The 16 x 16 pixel natural extent in HIMETRIC at the screen's resolution.
    static SIZEL NaturalExtent();

    // IUnknown: every interface forwards to the controlling unknown.
    HRESULT QueryInterface(REFIID iid, void** out) override { return controlling()->QueryInterface(iid, out); }
    ULONG AddRef() override { return controlling()->AddRef(); }
    ULONG Release() override { return controlling()->Release(); }

    // IDispatch
    HRESULT GetTypeInfoCount(UINT* count) override;
    HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, std::uint16_t flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excepInfo, UINT* argErr) override;

    // IPictaform
    HRESULT get_BgColor(OLE_COLOR* pVal) override;
    HRESULT put_BgColor(OLE_COLOR newVal) override;
    HRESULT get_Interlaced(VARIANT_BOOL* pVal) override;
    HRESULT put_Interlaced(VARIANT_BOOL newVal) override;
    HRESULT get_Transparent(VARIANT_BOOL* pVal) override;
    HRESULT put_Transparent(VARIANT_BOOL newVal) override;
    HRESULT get_Type(std::int32_t* pVal) override;
    HRESULT put_Type(std::int32_t newVal) override;
    HRESULT CopyFile(BSTR InputFile, BSTR OutputFile, int ScaleX, int ScaleY) override;
    HRESULT CopyPicture(std::int32_t Picture, BSTR OutputFile, int PixelWidth, int PixelHeight) override;

    // IViewObject, IViewObject2, IViewObjectEx
    HRESULT Draw(DWORD aspect, LONG lindex, void* aspectInfo, DVTARGETDEVICE* targetDevice, HDC targetDc, HDC drawDc,
                 const RECTL* bounds, const RECTL* windowBounds, ContinueProc cont, std::uintptr_t arg) override;
    HRESULT GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, void** colorSet) override;
    HRESULT Freeze(DWORD, LONG, void*, DWORD* freeze) override;
    HRESULT Unfreeze(DWORD) override { return E_NOTIMPL; }
    HRESULT SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* sink) override;
    HRESULT GetAdvise(DWORD* aspects, DWORD* advf, IAdviseSink** sink) override;
    HRESULT GetExtent(DWORD aspect, LONG lindex, DVTARGETDEVICE* targetDevice, SIZEL* size) override;
    HRESULT GetRect(DWORD, RECTL*) override { return E_NOTIMPL; }
    HRESULT GetViewStatus(DWORD* status) override;
    HRESULT QueryHitPoint(DWORD aspect, const RECT* bounds, POINT location, LONG closeHint, DWORD* hit) override;
    HRESULT QueryHitRect(DWORD aspect, const RECT* bounds, const RECT* location, LONG closeHint, DWORD* hit) override;
    HRESULT GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, void*, SIZEL*) override { return E_NOTIMPL; }

    // IOleWindow, IOleInPlaceObject(Windowless), IOleInPlaceActiveObject
    HRESULT GetWindow(HWND* window) override;
    HRESULT ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT InPlaceDeactivate() override;
    HRESULT UIDeactivate() override;
    HRESULT SetObjectRects(const RECT* posRect, const RECT* clipRect) override;
    HRESULT ReactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT OnWindowMessage(UINT, std::uintptr_t, std::intptr_t, std::intptr_t*) override { return S_FALSE; }
    HRESULT GetDropTarget(IUnknown** target) override;
    HRESULT TranslateAccelerator(MSG*) override { return S_FALSE; }
    HRESULT OnFrameWindowActivate(BOOL) override { return S_OK; }
    HRESULT OnDocWindowActivate(BOOL) override { return S_OK; }
    HRESULT ResizeBorder(const RECT*, IUnknown*, BOOL) override { return S_OK; }
    HRESULT EnableModeless(BOOL) override { return S_OK; }

    // IOleControl
    HRESULT GetControlInfo(void*) override { return E_NOTIMPL; }
    HRESULT OnMnemonic(MSG*) override { return E_NOTIMPL; }
    HRESULT OnAmbientPropertyChange(DISPID) override { return S_OK; }
    HRESULT FreezeEvents(BOOL freeze) override;

    // IOleObject
    HRESULT SetClientSite(IOleClientSite* site) override;
    HRESULT GetClientSite(IOleClientSite** site) override;
    HRESULT SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT Close(DWORD saveOption) override;
    HRESULT SetMoniker(DWORD, IUnknown*) override { return E_NOTIMPL; }
    HRESULT GetMoniker(DWORD, DWORD, IUnknown**) override { return E_NOTIMPL; }
    HRESULT InitFromData(IUnknown*, BOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT GetClipboardData(DWORD, IUnknown**) override { return E_NOTIMPL; }
    HRESULT DoVerb(LONG verb, MSG* msg, IOleClientSite* site, LONG lindex, HWND parent, const RECT* posRect) override;
    HRESULT EnumVerbs(IEnumOLEVERB** verbs) override;
    HRESULT Update() override { return S_OK; }
    HRESULT IsUpToDate() override { return S_OK; }
    HRESULT GetUserClassID(CLSID* clsid) override;
    HRESULT GetUserType(DWORD form, LPOLESTR* userType) override;
    HRESULT SetExtent(DWORD aspect, SIZEL* size) override;
    HRESULT GetExtent(DWORD aspect, SIZEL* size) override;
    HRESULT Advise(IAdviseSink* sink, DWORD* connection) override;
    HRESULT Unadvise(DWORD connection) override;
    HRESULT EnumAdvise(IUnknown**) override { return E_NOTIMPL; }
    HRESULT GetMiscStatus(DWORD aspect, DWORD* status) override;
    HRESULT SetColorScheme(const void*) override { return E_NOTIMPL; }

    // IQuickActivate
    HRESULT QuickActivate(QACONTAINER* container, QACONTROL* control) override;
    HRESULT SetContentExtent(SIZEL* size) override { return SetExtent(DVASPECT_CONTENT, size); }
    HRESULT GetContentExtent(SIZEL* size) override { return GetExtent(DVASPECT_CONTENT, size); }

    // IPersist, IPersistStreamInit, IPersistStorage
    HRESULT GetClassID(CLSID* clsid) override;
    HRESULT IsDirty() override;
    HRESULT Load(IStream* stream) override;
    HRESULT Save(IStream* stream, BOOL clearDirty) override;
    HRESULT GetSizeMax(std::uint64_t*) override { return E_NOTIMPL; }
    HRESULT InitNew() override;
    HRESULT InitNew(IStorage* storage) override;
    HRESULT Load(IStorage* storage) override;
    HRESULT Save(IStorage* storage, BOOL sameAsLoad) override;
    HRESULT SaveCompleted(IStorage*) override { return S_OK; }
    HRESULT HandsOffStorage() override { return S_OK; }

    // ISpecifyPropertyPages
    HRESULT GetPages(CAUUID* pages) override;

    // IDataObject
    HRESULT GetData(FORMATETC*, STGMEDIUM*) override { return DV_E_FORMATETC; }
    HRESULT GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT QueryGetData(FORMATETC*) override { return DV_E_FORMATETC; }
    HRESULT GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT EnumFormatEtc(DWORD, IUnknown**) override { return E_NOTIMPL; }
    HRESULT DAdvise(FORMATETC* format, DWORD advf, IAdviseSink* sink, DWORD* connection) override;
    HRESULT DUnadvise(DWORD connection) override;
    HRESULT EnumDAdvise(IUnknown**) override { return E_NOTIMPL; }

    // IProvideClassInfo, IProvideClassInfo2
    HRESULT GetClassInfo(ITypeInfo** info) override;
    HRESULT GetGUID(DWORD kind, GUID* guid) override;

    // ISupportErrorInfo
    HRESULT InterfaceSupportsErrorInfo(REFIID iid) override;

    // Paints bitmap 1 into the top-left corner of bounds (logical coordinates of painter).
    static void DrawBitmap(QPainter* painter, const RECTL& bounds);
    // Name of the control window's class: "ATL:" and eight upper-case hex digits.
    static std::string WindowClassName();

private:
    explicit Pictafor(IUnknown* outer);
    ~Pictafor() override;
    void findInterface(REFIID iid, void** out) override;
    std::uint32_t conversionFlags() const;

    HRESULT showPropertyPages(HWND parent);
    HRESULT inPlaceActivate(LONG verb, const RECT* posRect);
    bool ambientUserMode(bool& userMode);
    void sendOnDataChange();

    // Control state, in persisted order of declaration.
    OLE_COLOR bgColor_ = 0x00FFFFFF;
    VARIANT_BOOL interlaced_ = VARIANT_TRUE;
    VARIANT_BOOL transparent_ = VARIANT_TRUE;
    std::int32_t type_ = 1;

    SIZEL naturalExtent_;
    SIZEL extent_;
    bool needsSaving_ = false;
    int freezeCount_ = 0;

    ComPtr<IOleClientSite> clientSite_;
    ComPtr<IOleInPlaceSite> inPlaceSite_;
    ComPtr<IAdviseSink> viewSink_;
    DWORD viewAspects_ = 0;
    DWORD viewAdvf_ = 0;
    std::vector<std::pair<DWORD, ComPtr<IAdviseSink>>> oleSinks_;
    std::vector<std::pair<DWORD, ComPtr<IAdviseSink>>> dataSinks_;
    DWORD nextConnection_ = 1;
    bool inPlaceActive_ = false;
    bool uiActive_ = false;
    ControlWindow* window_ = nullptr;
};

} // namespace pictaf
