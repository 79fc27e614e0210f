// The control's and the About page's windows, and the property frame.
#include "RegisteredLibrary.h"

#include "control/IPictaform.h"

#include <com/ComRuntime.h>
#include <com/ModuleResources.h>
#include <com/OleControl.h>
#include <com/PropertyPage.h>
#include <com/RefCounted.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

using namespace plat::com;

namespace {

// A container's site for one control: client site, in-place site and
// (optionally) control site, recording what the control tells it.
class Site final : public IOleClientSite, public IOleInPlaceSite, public IOleControlSite, public RefCounted<Site> {
public:
    Site(QWidget* window, bool controlSite) : window_(window), controlSite_(controlSite) {}
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (!controlSite_ && iid == uuidof<IOleControlSite>())
            return *out = nullptr, E_NOINTERFACE;
        return queryInterfaces<IOleClientSite, IOleInPlaceSite, IOleWindow, IOleControlSite>(this, iid, out);
    }
    ULONG AddRef() override { return addRef(); }
    ULONG Release() override { return release(); }
    HRESULT SaveObject() override { return S_OK; }
    HRESULT GetContainer(IUnknown**) override { return E_NOINTERFACE; }
    HRESULT ShowObject() override { return S_OK; }
    HRESULT OnShowWindow(BOOL) override { return S_OK; }
    HRESULT RequestNewObjectLayout() override { return E_NOTIMPL; }
    HRESULT GetWindow(HWND* w) override { return *w = window_, S_OK; }
    HRESULT ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT CanInPlaceActivate() override { return S_OK; }
    HRESULT OnInPlaceActivate() override { return events.append("activate"), S_OK; }
    HRESULT OnUIActivate() override { return events.append("ui"), S_OK; }
    HRESULT GetWindowContext(RECT* pos, RECT* clip) override
    {
        *pos = RECT{5, 6, 22, 23};
        *clip = *pos;
        return S_OK;
    }
    HRESULT Scroll(SIZEL) override { return E_NOTIMPL; }
    HRESULT OnUIDeactivate(BOOL) override { return events.append("ui-off"), S_OK; }
    HRESULT OnInPlaceDeactivate() override { return events.append("deactivate"), S_OK; }
    HRESULT DiscardUndoState() override { return S_OK; }
    HRESULT DeactivateAndUndo() override { return S_OK; }
    HRESULT OnPosRectChange(const RECT*) override { return S_OK; }
    HRESULT OnControlInfoChanged() override { return S_OK; }
    HRESULT LockInPlaceActive(BOOL) override { return S_OK; }
    HRESULT GetExtendedControl(IDispatch**) override { return E_NOTIMPL; }
    HRESULT TransformCoords(POINT*, float*, DWORD) override { return E_NOTIMPL; }
    HRESULT TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
    HRESULT OnFocus(BOOL got) override { return events.append(got ? "focus" : "blur"), S_OK; }
    HRESULT ShowPropertyFrame() override { return E_NOTIMPL; } // declines: the control shows the platform's frame

    QStringList events;

private:
    QWidget* window_;
    bool controlSite_;
};

struct StyleChange {
    DWORD styleOld;
    DWORD styleNew;
};

QWidget* controlWindowIn(QWidget& container)
{
    for (QWidget* w : container.findChildren<QWidget*>())
        if (QRegularExpression(QStringLiteral("^ATL:[0-9A-F]{8}$")).match(w->objectName()).hasMatch())
            return w;
    return nullptr;
}

} // namespace

class ControlWidgetsTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        library = std::make_unique<RegisteredLibrary>();
        QVERIFY(library->loaded());
        QCOMPARE(library->registration, S_OK);
    }
    void cleanup() { library.reset(); }

    void aboutPageIsBuiltFromItsDialogAndHandlesItsMessages()
    {
        QWidget host;
        host.resize(400, 260);
        ComPtr<IPropertyPage> page;
        QCOMPARE(CreateObject("About.About", page), S_OK);
        RECT rect{10, 20, 374, 230};
        QCOMPARE(page->Activate(&host, &rect, TRUE), S_OK);
        auto* window = host.findChild<QWidget*>(QStringLiteral("AboutPage"));
        QVERIFY(window);
        QCOMPARE(window->pos(), QPoint(10, 20));
        QStringList texts;
        bool bitmapShown = false;
        for (QLabel* label : window->findChildren<QLabel*>()) {
            if (!label->text().isEmpty())
                texts << label->text();
            if (!label->pixmap().isNull())
                bitmapShown = label->pixmap().size() == QSize(17, 17) && label->frameStyle() != QFrame::NoFrame;
        }
        QVERIFY(texts.contains(QStringLiteral("Orvane Pictaform Control 1.1")));
        QCOMPARE(texts.size(), 7); // the product line and six lines of notice and contact
        QVERIFY(bitmapShown);

        host.show();
        QCOMPARE(page->Show(SW_SHOW), S_OK);
        QVERIFY(window->isVisible());
        QCOMPARE(page->Show(SW_HIDE), S_OK);
        QVERIFY(!window->isVisible());
        RECT moved{0, 0, 200, 100};
        QCOMPARE(page->Move(&moved), S_OK);
        QCOMPARE(window->geometry(), QRect(0, 0, 200, 100));
        QCOMPARE(page->Move(nullptr), E_POINTER);

        MSG tab{window, WM_KEYDOWN, VK_TAB, 0};
        QCOMPARE(page->TranslateAccelerator(&tab), S_OK);
        MSG other{window, WM_KEYDOWN, 'A', 0};
        QCOMPARE(page->TranslateAccelerator(&other), S_FALSE);
        StyleChange style{0, 0x200};
        MSG styling{window, WM_STYLECHANGING, static_cast<std::uintptr_t>(-20),
                    reinterpret_cast<std::intptr_t>(&style)};
        QCOMPARE(page->TranslateAccelerator(&styling), S_OK);
        QCOMPARE(style.styleNew, DWORD{0x200 | WS_EX_CONTROLPARENT});

        QCOMPARE(page->Deactivate(), S_OK);
        QVERIFY(!host.findChild<QWidget*>(QStringLiteral("AboutPage")));
        QCOMPARE(page->Show(SW_SHOW), E_UNEXPECTED);
    }

    void inPlaceActivationMakesAChildWindowThatReportsFocus()
    {
        QWidget container;
        container.resize(100, 100);
        container.show();
        ComPtr<IUnknown> control;
        QCOMPARE(CreateObject("Pictaform.Pictaform", control), S_OK);
        ComPtr<IOleObject> ole = control.as<IOleObject>();
        ComPtr<Site> site = ComPtr<Site>::attach(new Site(&container, true));
        QCOMPARE(ole->SetClientSite(site.get()), S_OK);
        QCOMPARE(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, &container, nullptr), S_OK);
        QWidget* window = controlWindowIn(container);
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->geometry(), QRect(5, 6, 17, 17));
        HWND reported = nullptr;
        QCOMPARE(control.as<IOleWindow>()->GetWindow(&reported), S_OK);
        QCOMPARE(reported, window);

        QCOMPARE(ole->DoVerb(OLEIVERB_UIACTIVATE, nullptr, nullptr, 0, &container, nullptr), S_OK);
        QFocusEvent in(QEvent::FocusIn), out(QEvent::FocusOut);
        QCoreApplication::sendEvent(window, &in);
        QCoreApplication::sendEvent(window, &out);
        QCOMPARE(control.as<IOleInPlaceObject>()->InPlaceDeactivate(), S_OK);
        QVERIFY(!controlWindowIn(container));
        QCOMPARE(site->events, (QStringList{"activate", "ui", "focus", "blur", "ui-off", "deactivate"}));
        QCOMPARE(control.as<IOleWindow>()->GetWindow(&reported), E_FAIL);
        ole->SetClientSite(nullptr);
    }

    void propertiesVerbFallsBackToThePlatformFrame()
    {
        QWidget container;
        ComPtr<IUnknown> control;
        QCOMPARE(CreateObject("Pictaform.Pictaform", control), S_OK);
        ComPtr<IOleObject> ole = control.as<IOleObject>();
        ComPtr<Site> site = ComPtr<Site>::attach(new Site(&container, true));
        ole->SetClientSite(site.get());
        QString title;
        QStringList tabs;
        QTimer::singleShot(0, [&] {
            QWidget* frame = QApplication::activeModalWidget();
            if (!frame)
                return;
            title = frame->windowTitle();
            if (auto* tabWidget = frame->findChild<QTabWidget*>())
                for (int i = 0; i < tabWidget->count(); ++i)
                    tabs << tabWidget->tabText(i);
            static_cast<QDialog*>(frame)->reject();
        });
        QCOMPARE(ole->DoVerb(OLEIVERB_PROPERTIES, nullptr, nullptr, 0, &container, nullptr), S_OK);
        QCOMPARE(title, QStringLiteral("Orvane Pictaform Control Properties"));
        QCOMPARE(tabs, QStringList{QStringLiteral("About Pictaform")});
        ole->SetClientSite(nullptr);
    }

private:
    std::unique_ptr<RegisteredLibrary> library;
};

QTEST_MAIN(ControlWidgetsTest)
#include "ControlWidgetsTest.moc"
