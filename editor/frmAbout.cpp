#include "frmAbout.h"

#include "ModStart.h"
#include "Twips.h"

#include <QLabel>

frmAbout::frmAbout() : Form(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setFixedSize(DesignWidth, DesignHeight);

    lblTitle = new QLabel(this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setGeometry(Twips::toPixels(1050), Twips::toPixels(240), Twips::toPixels(3885), Twips::toPixels(480));
    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setGeometry(Twips::toPixels(3840), Twips::toPixels(780), Twips::toPixels(1605), Twips::toPixels(345));
}

void frmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("About ") + ModStart::appTitle());
    lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                            .arg(ModStart::VersionMajor)
                            .arg(ModStart::VersionMinor)
                            .arg(ModStart::VersionRevision));
    lblTitle->setText(ModStart::appTitle());
}
