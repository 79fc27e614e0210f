#include "control/AboutPage.h"

#include "control/AboutPageWidget.h"
#include "control/DialogUnits.h"
#include "control/PictafModule.h"
#include "control/PictafResources.h"

#include <com/ComRuntime.h>
#include <com/Window.h>

#include <new>

namespace pictaf {

namespace {

// Strings handed to the caller are buffers of this many characters from the
// task allocator, empty when the string does not exist.
constexpr std::size_t kStringBuffer = 260;

LPOLESTR loadString(UINT id)
{
    auto* buffer = static_cast<LPOLESTR>(CoTaskMemAlloc(kStringBuffer * sizeof(OLECHAR)));
    if (!buffer)
        return nullptr;
    buffer[0] = 0;
    if (auto text = LoadStringResource(PictafModule::instance().handle(), id)) {
        std::u16string wide = Utf16FromUtf8(*text);
        std::size_t n = std::min(wide.size(), kStringBuffer - 1);
        std::copy_n(wide.begin(), n, buffer);
        buffer[n] = 0;
    }
    return buffer;
}

} // namespace

HRESULT AboutPage::Create(IUnknown* outer, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    auto* page = new (std::nothrow) AboutPage(outer);
    if (!page)
        return E_OUTOFMEMORY;
    HRESULT h = page->inner()->QueryInterface(iid, out);
    page->inner()->Release();
    return h;
}

AboutPage::AboutPage(IUnknown* outer) : Aggregatable(outer) { PictafModule::instance().lock(); }

AboutPage::~AboutPage()
{
    delete window_;
    PictafModule::instance().unlock();
}

void AboutPage::findInterface(REFIID iid, void** out)
{
    if (iid == uuidof<IPropertyPage>())
        *out = static_cast<IPropertyPage*>(this);
}

HRESULT AboutPage::SetPageSite(IPropertyPageSite* site)
{
    if (site) {
        if (site_)
            return E_UNEXPECTED;
        site_ = ComPtr<IPropertyPageSite>(site);
    } else {
        site_ = nullptr;
    }
    return S_OK;
}

HRESULT AboutPage::Activate(HWND parent, const RECT* rect, BOOL)
{
    if (!rect)
        return E_POINTER;
    const DialogTemplate* dialog = FindDialogResource(PictafModule::instance().handle(), IDD_ABOUT);
    if (!dialog)
        return E_UNEXPECTED;
    delete window_;
    window_ = new AboutPageWidget(parent, *dialog, PictafModule::instance().handle());
    window_->move(rect->left, rect->top);
    size_ = SIZEL{rect->right - rect->left, rect->bottom - rect->top};
    return S_OK;
}

HRESULT AboutPage::Deactivate()
{
    delete window_;
    window_ = nullptr;
    return S_OK;
}

HRESULT AboutPage::GetPageInfo(PROPPAGEINFO* info)
{
    if (!info)
        return E_POINTER;
    const DialogTemplate* dialog = FindDialogResource(PictafModule::instance().handle(), IDD_ABOUT);
    if (!dialog)
        return E_UNEXPECTED;
    info->cb = kPropPageInfoSize;
    info->pszTitle = loadString(IDS_TITLEAbout);
    info->size = DialogUnits::dialogSize(*dialog);
    info->pszDocString = loadString(IDS_DOCSTRINGAbout);
    info->pszHelpFile = loadString(IDS_HELPFILEAbout);
    info->dwHelpContext = 0;
    if (!info->pszTitle || !info->pszDocString || !info->pszHelpFile) {
        CoTaskMemFree(info->pszTitle);
        CoTaskMemFree(info->pszDocString);
        CoTaskMemFree(info->pszHelpFile);
        info->pszTitle = info->pszDocString = info->pszHelpFile = nullptr;
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT AboutPage::SetObjects(ULONG count, IUnknown** objects)
{
    if (!objects)
        return E_POINTER;
    objects_.clear();
    try {
        objects_.reserve(count);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    for (ULONG i = 0; i < count; ++i)
        objects_.emplace_back(objects[i]);
    return S_OK;
}

HRESULT AboutPage::Show(UINT command)
{
    if (!window_)
        return E_UNEXPECTED;
    window_->setVisible(command != SW_HIDE);
    return S_OK;
}

HRESULT AboutPage::Move(const RECT* rect)
{
    if (!window_)
        return E_UNEXPECTED;
    if (!rect)
        return E_POINTER;
    window_->setGeometry(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
    window_->update();
    return S_OK;
}

HRESULT AboutPage::Apply()
{
    dirty_ = false;
    return S_OK;
}

HRESULT AboutPage::Help(LPCOLESTR helpDir)
{
    // File names travel in the platform's code page.
    const std::string path = helpDir ? Utf8FromUtf16(helpDir) : std::string();
    WinHelp(window_, path, HELP_CONTEXTPOPUP, 0);
    return S_OK;
}

HRESULT AboutPage::TranslateAccelerator(MSG* msg)
{
    if (!msg)
        return E_POINTER;
    if (!window_)
        return S_FALSE;
    return window_->handleMessage(*msg) ? S_OK : S_FALSE;
}

} // namespace pictaf
