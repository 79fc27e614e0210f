#pragma once
// The About window, a top-level window of its own: the application's title
// and version, a logo and a slogan, and a button that starts the platform's
// system information tool. Start-up creates it hidden; OK unloads it.
#include "Form.h"

#include <registry/RegistryTree.h>

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

class FormLabel;
class PictureBox;
class QPushButton;

class frmAbout : public Form {
    Q_OBJECT
public:
    frmAbout();

    // Design drawing area: 5730 x 3555 twips.
    static constexpr int DesignWidth = 382;
    static constexpr int DesignHeight = 237;

    PictureBox* picIcon = nullptr;
    std::array<FormLabel*, 4> Label4{}; // the logo's letters, top to bottom
    FormLabel* lblTitle = nullptr;
    FormLabel* lblVersion = nullptr;
    FormLabel* lblDescription = nullptr; // first half of the slogan
    FormLabel* Label1 = nullptr;         // second half of the slogan
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

    // Finds the system information tool through the registry and starts it;
    // every failure ends in one message.
    void StartSysInfo();

    // Reads value SubKeyRef of key KeyName under KeyRoot into KeyVal: a
    // string as it is, a 32-bit number in decimal; any other type leaves
    // KeyVal as it was. False, with KeyVal empty, when the key or the value
    // cannot be read (a value longer than 1024 bytes cannot).
    static bool GetKeyValue(plat::HKEY KeyRoot, const QString& KeyName, const QString& SubKeyRef, QString& KeyVal);
    // The text of value data as queried: length is what the query reported.
    // Empty optional: a type that leaves KeyVal alone.
    static std::optional<QString> keyValueText(std::uint32_t type, std::span<const std::uint8_t> data);

    // Where the tool is looked for, under HKEY_LOCAL_MACHINE.
    static QString sysInfoKey() { return QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"); }
    static QString sysInfoValue() { return QStringLiteral("PATH"); }
    static QString sysInfoLocationKey() { return QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"); }
    static QString sysInfoLocationValue() { return QStringLiteral("MSINFO"); }
    static QString sysInfoProgramName() { return QStringLiteral("MSINFO32.EXE"); }
    static QString sysInfoUnavailable() { return QStringLiteral("System Information Is Unavailable At This Time"); }

    // The program launcher: starts a program in a normal window with the
    // focus; false when it cannot be started. Tests put a recorder here;
    // an empty function restores the real one.
    using Launcher = std::function<bool(const QString& program)>;
    static void setLauncher(Launcher launcher);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_placed = false;
};
