// The control as an embedded object: client site, verbs, extent, status from
// the registration, quick activation, advise sinks and event freezing.
#include "control/ControlWindow.h"
#include "control/PictafModule.h"
#include "control/Pictafor.h"

#include <com/ComRuntime.h>

#include <QApplication>

#include <cstring>

namespace pictaf {

HRESULT Pictafor::SetClientSite(IOleClientSite* site)
{
    clientSite_ = ComPtr<IOleClientSite>(site);
    return S_OK;
}

HRESULT Pictafor::GetClientSite(IOleClientSite** site)
{
    if (!site)
        return E_POINTER;
    *site = clientSite_.get();
    if (*site)
        (*site)->AddRef();
    return S_OK;
}

HRESULT Pictafor::Close(DWORD)
{
    InPlaceDeactivate();
    return S_OK;
}

bool Pictafor::ambientUserMode(bool& userMode)
{
    ComPtr<IDispatch> ambient = clientSite_.as<IDispatch>();
    if (!ambient)
        return false;
    Variant value;
    DISPPARAMS none;
    if (FAILED(ambient->Invoke(DISPID_AMBIENT_USERMODE, GUID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                               &value, nullptr, nullptr)))
        return false;
    Variant asBool;
    if (FAILED(VariantChangeType(&asBool, &value, 0, VT_BOOL)))
        return false;
    userMode = asBool.boolVal != VARIANT_FALSE;
    return true;
}

HRESULT Pictafor::DoVerb(LONG verb, MSG*, IOleClientSite* site, LONG, HWND parent, const RECT* posRect)
{
    if (!clientSite_ && site)
        clientSite_ = ComPtr<IOleClientSite>(site);
    switch (verb) {
    case OLEIVERB_PRIMARY: {
        bool userMode = true;
        if (ambientUserMode(userMode) && !userMode)
            return showPropertyPages(parent); // design mode
        return inPlaceActivate(OLEIVERB_INPLACEACTIVATE, posRect);
    }
    case OLEIVERB_PROPERTIES: return showPropertyPages(parent);
    case OLEIVERB_SHOW:
    case OLEIVERB_UIACTIVATE:
    case OLEIVERB_INPLACEACTIVATE: return inPlaceActivate(verb, posRect);
    case OLEIVERB_HIDE:
        UIDeactivate();
        if (window_)
            window_->hide();
        return S_OK;
    case OLEIVERB_OPEN:
    case OLEIVERB_DISCARDUNDOSTATE: return S_OK;
    default: return E_NOTIMPL;
    }
}

HRESULT Pictafor::showPropertyPages(HWND parent)
{
    if (ComPtr<IOleControlSite> controlSite = clientSite_.as<IOleControlSite>())
        if (SUCCEEDED(controlSite->ShowPropertyFrame()))
            return S_OK;
    // The container could not: the platform's frame, owned by the container's window.
    HWND owner = parent;
    if (!owner) {
        if (ComPtr<IOleInPlaceSite> site = clientSite_.as<IOleInPlaceSite>())
            site->GetWindow(&owner);
    }
    LPOLESTR caption = nullptr;
    GetUserType(USERCLASSTYPE_SHORT, &caption);
    CAUUID pages;
    HRESULT h = GetPages(&pages);
    if (SUCCEEDED(h)) {
        IUnknown* self = controlling();
        h = OleCreatePropertyFrame(owner, 0, 0, caption, 1, &self, pages.cElems, pages.pElems, GetUserDefaultLCID(), 0,
                                   nullptr);
        CoTaskMemFree(pages.pElems);
    }
    CoTaskMemFree(caption);
    return h;
}

HRESULT Pictafor::inPlaceActivate(LONG verb, const RECT* posRect)
{
    if (!clientSite_)
        return S_OK; // nowhere to go in place
    if (!inPlaceActive_) {
        inPlaceSite_ = clientSite_.as<IOleInPlaceSite>();
        if (!inPlaceSite_)
            return E_FAIL;
        if (inPlaceSite_->CanInPlaceActivate() != S_OK) {
            inPlaceSite_ = nullptr;
            return E_FAIL;
        }
        inPlaceSite_->OnInPlaceActivate();
        inPlaceActive_ = true;
        HWND parent = nullptr;
        inPlaceSite_->GetWindow(&parent);
        RECT pos{}, clip{};
        inPlaceSite_->GetWindowContext(&pos, &clip);
        if (posRect)
            pos = *posRect;
        if (parent && qobject_cast<QApplication*>(QCoreApplication::instance())) {
            std::lock_guard lock(PictafModule::instance().windowMutex());
            window_ = new ControlWindow(parent, [this](bool gotFocus) {
                if (!inPlaceActive_)
                    return;
                if (ComPtr<IOleControlSite> site = clientSite_.as<IOleControlSite>())
                    site->OnFocus(gotFocus ? TRUE : FALSE);
            });
            window_->setObjectName(QString::fromStdString(WindowClassName()));
            window_->setGeometry(pos.left, pos.top, pos.right - pos.left, pos.bottom - pos.top);
            window_->show();
        }
    }
    if (verb == OLEIVERB_UIACTIVATE && !uiActive_) {
        uiActive_ = true;
        inPlaceSite_->OnUIActivate();
        if (window_)
            window_->setFocus();
    }
    clientSite_->ShowObject();
    return S_OK;
}

HRESULT Pictafor::InPlaceDeactivate()
{
    if (!inPlaceActive_)
        return S_OK;
    UIDeactivate();
    inPlaceActive_ = false;
    delete window_;
    window_ = nullptr;
    if (inPlaceSite_)
        inPlaceSite_->OnInPlaceDeactivate();
    inPlaceSite_ = nullptr;
    return S_OK;
}

HRESULT Pictafor::UIDeactivate()
{
    if (!uiActive_)
        return S_OK;
    uiActive_ = false;
    if (inPlaceSite_)
        inPlaceSite_->OnUIDeactivate(FALSE);
    return S_OK;
}

HRESULT Pictafor::SetObjectRects(const RECT* posRect, const RECT*)
{
    if (!posRect)
        return E_POINTER;
    if (window_)
        window_->setGeometry(posRect->left, posRect->top, posRect->right - posRect->left,
                             posRect->bottom - posRect->top);
    return S_OK;
}

HRESULT Pictafor::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = window_;
    return window_ ? S_OK : E_FAIL;
}

HRESULT Pictafor::GetDropTarget(IUnknown** target)
{
    if (target)
        *target = nullptr;
    return E_NOTIMPL;
}

HRESULT Pictafor::EnumVerbs(IEnumOLEVERB** verbs) { return OleRegEnumVerbs(CLSID_Pictafor, verbs); }

HRESULT Pictafor::GetUserClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_Pictafor;
    return S_OK;
}

HRESULT Pictafor::GetUserType(DWORD form, LPOLESTR* userType)
{
    if (!userType)
        return E_POINTER;
    *userType = nullptr;
    std::u16string text;
    if (HRESULT h = OleRegGetUserType(CLSID_Pictafor, form, &text); FAILED(h))
        return h;
    *userType = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
    if (!*userType)
        return E_OUTOFMEMORY;
    std::memcpy(*userType, text.c_str(), (text.size() + 1) * sizeof(OLECHAR));
    return S_OK;
}

HRESULT Pictafor::SetExtent(DWORD aspect, SIZEL* size)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size)
        return E_POINTER;
    // Fixed size: only the natural extent is accepted.
    if (!(*size == naturalExtent_))
        return E_FAIL;
    extent_ = *size;
    return S_OK;
}

HRESULT Pictafor::GetExtent(DWORD aspect, SIZEL* size)
{
    if (!size)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return E_FAIL;
    *size = extent_;
    return S_OK;
}

HRESULT Pictafor::Advise(IAdviseSink* sink, DWORD* connection)
{
    if (!sink || !connection)
        return E_POINTER;
    *connection = nextConnection_++;
    oleSinks_.emplace_back(*connection, ComPtr<IAdviseSink>(sink));
    return S_OK;
}

HRESULT Pictafor::Unadvise(DWORD connection)
{
    for (auto it = oleSinks_.begin(); it != oleSinks_.end(); ++it)
        if (it->first == connection) {
            oleSinks_.erase(it);
            return S_OK;
        }
    return OLE_E_NOCONNECTION;
}

HRESULT Pictafor::GetMiscStatus(DWORD aspect, DWORD* status)
{
    if (!status)
        return E_POINTER;
    return OleRegGetMiscStatus(CLSID_Pictafor, aspect, status);
}

HRESULT Pictafor::FreezeEvents(BOOL freeze)
{
    if (freeze)
        ++freezeCount_;
    else if (freezeCount_ > 0)
        --freezeCount_;
    return S_OK;
}

HRESULT Pictafor::QuickActivate(QACONTAINER* container, QACONTROL* control)
{
    if (!container || !control)
        return E_POINTER;
    SetClientSite(container->pClientSite);
    if (container->pAdviseSink)
        SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
    GetMiscStatus(DVASPECT_CONTENT, &control->dwMiscStatus);
    GetViewStatus(&control->dwViewStatus);
    return S_OK;
}

} // namespace pictaf
