#include "com/Window.h"

#include "gdi/GdiObjects.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include <mutex>

namespace plat::com {

namespace {

std::mutex& viewerMutex()
{
    static std::mutex m;
    return m;
}

HelpViewer& viewer()
{
    static HelpViewer v;
    return v;
}

} // namespace

LONG GetDialogBaseUnits()
{
    LONG x = MulDiv(8, LogPixelsX(), 96);
    LONG y = MulDiv(16, LogPixelsY(), 96);
    return (y << 16) | (x & 0xFFFF);
}

bool WinHelp(HWND window, const std::string& helpFile, UINT command, std::uintptr_t data)
{
    HelpViewer v;
    {
        std::lock_guard lock(viewerMutex());
        v = viewer();
    }
    if (v)
        return v(window, helpFile, command, data);
    QString file = QString::fromStdString(helpFile);
    if (!QFileInfo(file).isFile())
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

void SetHelpViewer(HelpViewer v)
{
    std::lock_guard lock(viewerMutex());
    viewer() = std::move(v);
}

} // namespace plat::com
