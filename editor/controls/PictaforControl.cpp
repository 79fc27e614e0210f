#include "PictaforControl.h"

#include <com/ComRuntime.h>
#include <com/DispatchHelpers.h>
#include <com/MemoryStream.h>
#include <com/Persist.h>
#include <com/TypeLib.h>
#include <com/Variant.h>
#include <registry/Registry.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

using namespace plat::com;

namespace {

QString& installDirectory()
{
    static QString folder;
    return folder;
}

QString resultText(HRESULT h)
{
    return QStringLiteral("%1, %2").arg(QString::fromStdString(HResultName(h)), QString::fromStdString(HResultText(h)));
}

} // namespace

PictaforControl::PictaforControl(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("Pictafor1"));
    m_result = create();
    if (FAILED(m_result) && m_state != State::SettingsRefused) {
        // A fresh install has not registered the library yet, and a moved one
        // has a stale registration: the installation's own library fixes both.
        const QString library = installedLibrary();
        if (QFileInfo::exists(library) && SUCCEEDED(registerLibrary(library)))
            m_result = create();
    }
}

PictaforControl::~PictaforControl()
{
    m_dispatch = nullptr;
    CoFreeUnusedLibraries();
}

HRESULT PictaforControl::create()
{
    m_dispatch = nullptr;
    CLSID clsid{};
    HRESULT h = CLSIDFromFormClassName(FormClassName, &clsid);
    if (FAILED(h)) {
        m_state = State::NotRegistered;
        return h;
    }
    ComPtr<IUnknown> control;
    h = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, control.put_void());
    if (FAILED(h)) {
        m_state = h == REGDB_E_CLASSNOTREG ? State::NotRegistered : State::CannotCreate;
        return h;
    }
    ComPtr<IDispatch> dispatch = control.as<IDispatch>();
    if (!dispatch) {
        m_state = State::CannotCreate;
        return E_NOINTERFACE;
    }
    // The stored settings, read back as the main window loads.
    ComPtr<IPersistStreamInit> persist = control.as<IPersistStreamInit>();
    h = persist ? persist->Load(CreateMemoryStream(StoredStream).get()) : E_NOINTERFACE;
    if (FAILED(h)) {
        m_state = State::SettingsRefused;
        return h;
    }
    m_dispatch = dispatch;
    m_state = State::Ready;
    return S_OK;
}

QString PictaforControl::problem() const
{
    // What is missing and how to get it, in a user's words; the result code
    // stays on a details line for whoever helps.
    const QString registerIt =
        QStringLiteral("reinstall Velnora, which installs the control with it, or register the control by running\n"
                       "    velnora-regsvr \"%1\"\nand start Velnora again.")
            .arg(QDir::toNativeSeparators(installedLibrary()));
    QString details = QStringLiteral("\n\nDetails: %1").arg(resultText(m_result));
    // A damaged registry is named here: the platform library writes no log.
    if (const std::string damaged = plat::RegistryProblem(); !damaged.empty())
        details += QStringLiteral("; ") + QString::fromStdString(damaged);
    switch (m_state) {
    case State::Ready: return {};
    case State::NotRegistered:
        return QStringLiteral("GIF export needs the Pictaf image conversion control, which is not installed on this "
                              "computer.\n\nTo install it, ")
            + registerIt + details;
    case State::CannotCreate:
        return QStringLiteral("GIF export needs the Pictaf image conversion control. It is installed, but it could not "
                              "be started: its library file may have been moved or removed.\n\nTo repair it, ")
            + registerIt + details;
    case State::SettingsRefused:
        return QStringLiteral("GIF export needs the Pictaf image conversion control. It started, but it did not accept "
                              "the settings Velnora gives it, so it may be a different version.\n\nTo repair it, ")
            + registerIt + details;
    }
    return {};
}

QString PictaforControl::callFailure(const QString& member, HRESULT h) const
{
    return QStringLiteral("The Pictaf conversion control refused %1 (%2); the GIF file was not written.")
        .arg(member, resultText(h));
}

HRESULT PictaforControl::putType(std::int32_t type)
{
    if (!m_dispatch)
        return E_UNEXPECTED;
    return DispatchPutProperty(m_dispatch.get(), DispidType, Variant(type));
}

HRESULT PictaforControl::copyPicture(std::uint32_t picture, const QString& outputFile, std::int32_t pixelWidth,
                                     std::int32_t pixelHeight)
{
    if (!m_dispatch)
        return E_UNEXPECTED;
    // The handle travels as a 4-byte signed integer, as the interface declares it.
    return DispatchCall(m_dispatch.get(), DispidCopyPicture,
                        {Variant(static_cast<std::int32_t>(picture)), Variant(outputFile.toStdString()),
                         Variant(pixelWidth), Variant(pixelHeight)});
}

QString PictaforControl::installedLibrary()
{
    if (!installDirectory().isEmpty())
        return QDir(installDirectory()).filePath(QStringLiteral("libpictaf.so"));
    // In the build tree the library lies beside the program; installed, in
    // the installation's own library folder, wherever its prefix is.
    const QDir programFolder(QCoreApplication::applicationDirPath());
    QString beside = programFolder.filePath(QStringLiteral("libpictaf.so"));
#ifdef VELNORA_COMPONENT_FROM_BIN
    if (!QFileInfo::exists(beside))
        return QDir::cleanPath(programFolder.filePath(QStringLiteral(VELNORA_COMPONENT_FROM_BIN "/libpictaf.so")));
#endif
    return beside;
}

void PictaforControl::setInstallDirectory(const QString& folder) { installDirectory() = folder; }

HRESULT PictaforControl::registerLibrary(const QString& path)
{
    // A full path, so the registry names the file wherever a host runs.
    const QString full = QFileInfo(path).absoluteFilePath();
    void* handle = ::dlopen(QFile::encodeName(full).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return CO_E_DLLNOTFOUND;
    auto entry = reinterpret_cast<DllRegisterServerFn>(::dlsym(handle, "DllRegisterServer"));
    const HRESULT h = entry ? entry() : E_FAIL;
    ::dlclose(handle);
    return h;
}
