#include "frmAbout.h"

#include "CommonDialog.h"
#include "FontProperties.h"
#include "FormLabel.h"
#include "Forms.h"
#include "ModStart.h"
#include "Parent.h"
#include "PictureBox.h"
#include "Twips.h"

#include <registry/Registry.h>

#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>

namespace {

const QString kSans = QStringLiteral("MS Sans Serif");
const QString kHandwriting = QStringLiteral("Lucida Handwriting");
constexpr OleColor kBlue = 0x00FF0000;

// Access asked for when the key is opened (query, set, create, enumerate,
// notify, link, read control); this registry accepts any mask.
constexpr std::uint32_t kKeyAccess = 0x2003F;
// The value buffer, in bytes of the system code page.
constexpr std::uint32_t kValueBuffer = 1024;

FormLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, QRect twips, const QFont& font,
                     OleColor fore)
{
    auto* label = new FormLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    label->setForeColor(fore);
    label->setGeometry(Twips::toPixelRect(twips.x(), twips.y(), twips.width(), twips.height()));
    return label;
}

frmAbout::Launcher& launcher()
{
    static frmAbout::Launcher l;
    return l;
}

bool launch(const QString& program)
{
    if (launcher())
        return launcher()(program);
    return !program.isEmpty() && QProcess::startDetached(program, {});
}

} // namespace

frmAbout::frmAbout() : Form(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setFixedSize(DesignWidth, DesignHeight);

    picIcon = new PictureBox(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setGeometry(Twips::toPixelRect(120, 240, 735, 2100));
    // The logo: four letters in the palette's primary colours.
    static constexpr const char* letters[4] = {"V", "E", "L", "N"};
    static constexpr OleColor letterColors[4] = {0x0000FFFF, 0x000000FF, 0x0000FF00, 0x00FF00FF};
    for (int i = 0; i < 4; ++i) {
        auto* letter = new FormLabel(QString::fromLatin1(letters[i]), picIcon);
        letter->setObjectName(QStringLiteral("Label4(%1)").arg(i));
        letter->setFont(FontProperties::design(kSans, 24.0f, true));
        letter->setForeColor(letterColors[i]);
        letter->setBackColor(OleColors::SysWindowBackground);
        letter->setAlignment(Qt::AlignCenter);
        picIcon->placeChild(letter, 120, 480 * i, 360, 555);
        Label4[i] = letter;
    }

    lblTitle = makeLabel(this, "lblTitle", QString(), QRect(1050, 240, 3885, 480),
                         FontProperties::design(kHandwriting, 20.25f, true), kBlue);
    lblVersion = makeLabel(this, "lblVersion", QString(), QRect(3840, 780, 1605, 345),
                           FontProperties::design(kSans, 12.0f, false), kBlue);
    lblDescription = makeLabel(this, "lblDescription", QStringLiteral("Banners in"), QRect(1320, 1200, 3885, 570),
                               FontProperties::design(kHandwriting, 24.0f, true), kBlue);
    Label1 = makeLabel(this, "Label1", QStringLiteral("a Minute!"), QRect(2280, 1800, 3375, 615),
                       FontProperties::design(kHandwriting, 24.0f, true), kBlue);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(Twips::toPixelRect(4245, 2625, 1260, 345));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setGeometry(Twips::toPixelRect(4260, 3075, 1245, 345));
    cmdSysInfo->setAutoDefault(false);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

void frmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("About ") + ModStart::appTitle());
    lblVersion->setCaption(QStringLiteral("Version %1.%2.%3")
                               .arg(ModStart::VersionMajor)
                               .arg(ModStart::VersionMinor)
                               .arg(ModStart::VersionRevision));
    lblTitle->setCaption(ModStart::appTitle());
}

void frmAbout::paintEvent(QPaintEvent* event)
{
    Form::paintEvent(event);
    // The etched separator: a grey line with a white one of width 2 just
    // below and right of it, each drawn inside its bounds.
    QPainter p(this);
    p.setPen(QPen(OleColors::toQColor(0x00808080), 1));
    p.drawLine(QPointF(90.0 / Twips::PerPixel, 2445.0 / Twips::PerPixel),
               QPointF(5654.0 / Twips::PerPixel, 2445.0 / Twips::PerPixel));
    const qreal white = 2460.0 / Twips::PerPixel + 0.5; // a 2-pixel pen, inside the line's bounds
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(105.0 / Twips::PerPixel, white), QPointF(5654.0 / Twips::PerPixel, white));
}

void frmAbout::showEvent(QShowEvent* event)
{
    Form::showEvent(event);
    // Each load opens in the middle of the screen.
    if (m_placed)
        return;
    m_placed = true;
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
}

void frmAbout::keyPressEvent(QKeyEvent* event)
{
    // cmdOK is the cancel button as well as the default one.
    if (event->key() == Qt::Key_Escape) {
        cmdOK_Click();
        return;
    }
    Form::keyPressEvent(event);
}

// Unloaded, not hidden: the next opening builds the window afresh.
void frmAbout::cmdOK_Click() { Forms::unloadAbout(); }

void frmAbout::cmdSysInfo_Click() { StartSysInfo(); }

void frmAbout::setLauncher(Launcher l) { launcher() = std::move(l); }

// --- system information --------------------------------------------------------

void frmAbout::StartSysInfo()
{
    QString path;
    bool found = GetKeyValue(plat::HKEY_LOCAL_MACHINE, sysInfoKey(), sysInfoValue(), path);
    if (!found && GetKeyValue(plat::HKEY_LOCAL_MACHINE, sysInfoLocationKey(), sysInfoLocationValue(), path)) {
        // A folder: the tool is the program of its fixed name inside it.
        const QString folder = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
        const QString candidate = folder + sysInfoProgramName();
        const QFileInfo info(candidate);
        if (!path.isEmpty() && info.exists() && info.isFile()) {
            path = candidate;
            found = true;
        }
    }
    if (found && launch(path))
        return;
    Forms::Parent().CommonDialog1->msgBox(sysInfoUnavailable(), MessageButtons::Ok, ModStart::appTitle());
}

std::optional<QString> frmAbout::keyValueText(std::uint32_t type, std::span<const std::uint8_t> data)
{
    if (type == plat::REG_SZ) {
        // The reported length may or may not count the terminating zero.
        if (!data.empty() && data.back() == 0)
            data = data.first(data.size() - 1);
        return QString::fromUtf8(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
    }
    if (type == plat::REG_DWORD) {
        // Little-endian, as stored; written as the unsigned number it is.
        std::uint32_t number = 0;
        for (std::size_t i = 0; i < data.size() && i < 4; ++i)
            number |= std::uint32_t{data[i]} << (8 * i);
        return QString::number(number);
    }
    return std::nullopt;
}

bool frmAbout::GetKeyValue(plat::HKEY KeyRoot, const QString& KeyName, const QString& SubKeyRef, QString& KeyVal)
{
    plat::HKEY key = 0;
    if (plat::RegOpenKeyEx(KeyRoot, KeyName.toStdString(), 0, kKeyAccess, &key) != plat::ERROR_SUCCESS) {
        KeyVal.clear();
        return false;
    }
    std::array<std::uint8_t, kValueBuffer> buffer{};
    std::uint32_t type = 0;
    std::uint32_t length = kValueBuffer;
    const plat::LSTATUS status = plat::RegQueryValueEx(key, SubKeyRef.toStdString(), &type, buffer.data(), &length);
    plat::RegCloseKey(key);
    if (status != plat::ERROR_SUCCESS || length > kValueBuffer) {
        KeyVal.clear();
        return false;
    }
    if (std::optional<QString> text = keyValueText(type, std::span(buffer).first(length)))
        KeyVal = *text;
    return true;
}
