#include "ModStart.h"

#include "FontSubstitutes.h"
#include "Forms.h"
#include "FrmBanner.h"
#include "Parent.h"
#include "frmAbout.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFont>

namespace ModStart {
namespace {

std::function<void()>& endHandler()
{
    static std::function<void()> handler;
    return handler;
}

} // namespace

QString appTitle() { return QStringLiteral("Velnora"); }

void initApplication()
{
    QCoreApplication::setApplicationName(appTitle());
    QCoreApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision));
    FontSubstitutes::install();
    // The forms' designs assume the classic 8-point sans for every control
    // that names no font of its own.
    QFont base(QStringLiteral("MS Sans Serif"));
    base.setPointSizeF(8.25);
    QApplication::setFont(base);
    // Closing the main window ends the program (Parent::closeEvent), however
    // many other windows are open.
    QApplication::setQuitOnLastWindowClosed(false);
}

void Main()
{
    initApplication();
    Forms::frmAbout();
    Parent& parent = Forms::Parent();
    // The first reference creates the canvas, after the main window, so its
    // load handler can write the main window's background swatch.
    FrmBanner& banner = Forms::FrmBanner();
    const float innerWidth = banner.scaleWidthTwips();
    // Single precision twips, as the window system is then asked to place it.
    banner.setLeftTwips(parent.scaleWidthTwips() / 2.0f - innerWidth / 2.0f);
    banner.setTopTwips(parent.scaleHeightTwips() / 2.0f - banner.scaleHeightTwips() / 2.0f);
    parent.show();
    banner.showForm();
}

void End()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        w->hide();
    if (endHandler())
        endHandler()();
    else
        QCoreApplication::exit(0);
}

void setEndHandler(std::function<void()> handler) { endHandler() = std::move(handler); }

} // namespace ModStart
