#pragma once
// Pictafor1: the main window's instance of the conversion control. It is
// created as the form data describes it, through the component runtime, the
// way any host creates a registered control, and it lives as long as the
// main window. The editor calls it late-bound, by dispatch identifier.
//
// When the control cannot be created the editor still runs: the instance
// then only knows why, and GIF export tells the user.
#include <com/ComPtr.h>
#include <com/Dispatch.h>

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>

class PictaforControl : public QObject {
public:
    enum class State {
        Ready,
        NotRegistered,   // no registered library names the class
        CannotCreate,    // registered, but the library or the object failed
        SettingsRefused, // created, but its stored settings would not load
    };

    // The form data of the instance: the class as the designer stored it,
    // and the control's persisted stream (Type 1, Transparent and
    // Interlaced true, BgColor white, a 16 x 16 pixel extent at 96 dpi).
    static constexpr const char* FormClassName = "PICTAFLibCtl.Pictafor";
    static constexpr std::array<std::uint8_t, 32> StoredStream = {
        0x00, 0x02, 0x00, 0x00,             // version 0x200
        0xA7, 0x01, 0x00, 0x00,             // extent width, 423 HIMETRIC
        0xA7, 0x01, 0x00, 0x00,             // extent height
        0x03, 0x00, 0x01, 0x00, 0x00, 0x00, // Type: 32-bit integer 1
        0x0B, 0x00, 0xFF, 0xFF,             // Transparent: boolean true
        0x0B, 0x00, 0xFF, 0xFF,             // Interlaced: boolean true
        0x13, 0x00, 0xFF, 0xFF, 0xFF, 0x00, // BgColor: unsigned 0x00FFFFFF, white
    };

    // Dispatch identifiers the editor calls.
    static constexpr plat::com::DISPID DispidType = 4;
    static constexpr plat::com::DISPID DispidCopyPicture = 6;

    // Creates the control and loads its stored settings. When the class
    // cannot be created and a control library is installed beside the
    // program, that library is registered and creation is tried once more.
    explicit PictaforControl(QObject* parent = nullptr);
    ~PictaforControl() override;

    State state() const { return m_state; }
    bool isAvailable() const { return m_state == State::Ready; }
    // Why the control is not available, in words for the user; empty when it is.
    QString problem() const;
    // The failure of a call, in words for the user.
    QString callFailure(const QString& member, plat::com::HRESULT h) const;

    // Property put Type (4).
    plat::com::HRESULT putType(std::int32_t type);
    // Method CopyPicture (6): the picture handle, the output file, the size.
    plat::com::HRESULT copyPicture(std::uint32_t picture, const QString& outputFile, std::int32_t pixelWidth,
                                   std::int32_t pixelHeight);
    // The control's dispatch interface, or null.
    plat::com::IDispatch* dispatch() const { return m_dispatch.get(); }

    // Where the program looks for a control library to register: its own
    // folder in the build tree, its installation's library folder once
    // installed, unless a test says otherwise (empty restores that).
    static QString installedLibrary();
    static void setInstallDirectory(const QString& folder);
    // Registers a control library as the registration tool does: loads it
    // and calls its DllRegisterServer.
    static plat::com::HRESULT registerLibrary(const QString& path);

private:
    plat::com::HRESULT create();

    State m_state = State::NotRegistered;
    plat::com::HRESULT m_result = 0;
    plat::com::ComPtr<plat::com::IDispatch> m_dispatch;
};
