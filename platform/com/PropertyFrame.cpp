#include "com/ComRuntime.h"
#include "com/PropertyPage.h"
#include "com/RefCounted.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <vector>

namespace plat::com {

namespace {

class FrameSite final : public IPropertyPageSite, public RefCounted<FrameSite> {
public:
    FrameSite(LCID lcid, std::function<void()> changed) : lcid_(lcid), changed_(std::move(changed)) {}
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        return queryInterfaces<IPropertyPageSite>(this, iid, out);
    }
    ULONG AddRef() override { return addRef(); }
    ULONG Release() override { return release(); }
    HRESULT OnStatusChange(DWORD) override
    {
        if (changed_)
            changed_();
        return S_OK;
    }
    HRESULT GetLocaleID(LCID* lcid) override
    {
        if (!lcid)
            return E_POINTER;
        *lcid = lcid_;
        return S_OK;
    }
    HRESULT GetPageContainer(IUnknown** container) override
    {
        if (container)
            *container = nullptr;
        return E_NOTIMPL;
    }
    HRESULT TranslateAccelerator(MSG*) override { return S_FALSE; }

private:
    LCID lcid_;
    std::function<void()> changed_;
};

struct FramePage {
    ComPtr<IPropertyPage> page;
    ComPtr<FrameSite> site;
};

void applyDirty(std::vector<FramePage>& pages)
{
    for (FramePage& p : pages)
        if (p.page->IsPageDirty() == S_OK)
            p.page->Apply();
}

} // namespace

HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption, ULONG objectCount, IUnknown** objects,
                               ULONG pageCount, const CLSID* pages, LCID lcid, DWORD, void*)
{
    if ((objectCount && !objects) || (pageCount && !pages))
        return E_POINTER;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return E_UNEXPECTED; // no widgets without a widget application
    if (lcid == LOCALE_USER_DEFAULT)
        lcid = GetUserDefaultLCID();

    QDialog dialog(owner);
    QString title = caption ? QString::fromUtf16(caption) : QString();
    dialog.setWindowTitle(title.isEmpty() ? QStringLiteral("Properties") : title + QStringLiteral(" Properties"));
    dialog.setObjectName(QStringLiteral("PropertyFrame"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* tabs = new QTabWidget(&dialog);
    layout->addWidget(tabs);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, &dialog);
    layout->addWidget(buttons);
    QPushButton* apply = buttons->button(QDialogButtonBox::Apply);
    apply->setEnabled(false);

    std::vector<FramePage> framePages;
    for (ULONG i = 0; i < pageCount; ++i) {
        FramePage fp;
        if (FAILED(
                CoCreateInstance(pages[i], nullptr, CLSCTX_INPROC_SERVER, uuidof<IPropertyPage>(), fp.page.put_void())))
            continue; // a page that cannot be made is left out, as the host's frame does
        fp.site = ComPtr<FrameSite>::attach(new FrameSite(lcid, [apply] { apply->setEnabled(true); }));
        fp.page->SetPageSite(fp.site.get());
        IUnknown* none = nullptr;
        fp.page->SetObjects(objectCount, objectCount ? objects : &none);
        PROPPAGEINFO info;
        QString tabTitle;
        SIZEL size{200, 100};
        if (SUCCEEDED(fp.page->GetPageInfo(&info))) {
            if (info.pszTitle)
                tabTitle = QString::fromUtf16(info.pszTitle);
            size = info.size;
            CoTaskMemFree(info.pszTitle);
            CoTaskMemFree(info.pszDocString);
            CoTaskMemFree(info.pszHelpFile);
        }
        auto* host = new QWidget;
        host->setMinimumSize(size.cx, size.cy);
        tabs->addTab(host, tabTitle);
        RECT rect{0, 0, size.cx, size.cy};
        fp.page->Activate(host, &rect, TRUE);
        fp.page->Show(SW_SHOW);
        framePages.push_back(std::move(fp));
    }

    QObject::connect(apply, &QPushButton::clicked, &dialog, [&] {
        applyDirty(framePages);
        apply->setEnabled(false);
    });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        applyDirty(framePages);
        dialog.accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (owner)
        dialog.move(owner->mapToGlobal(QPoint(static_cast<int>(x), static_cast<int>(y))));
    dialog.exec();

    for (FramePage& fp : framePages) {
        fp.page->Deactivate();
        IUnknown* none = nullptr;
        fp.page->SetObjects(0, &none);
        fp.page->SetPageSite(nullptr);
    }
    return S_OK;
}

} // namespace plat::com
