// The main window's Web menu: the web export window, one per main window.
#include "Parent.h"

#include "Forms.h"
#include "FrmBanner.h"
#include "WebExportWindow.h"

WebExportWindow& Parent::webExportWindow()
{
    if (!m_webExport)
        m_webExport = new WebExportWindow(Forms::FrmBanner().document(), *CommonDialog1, this);
    return *m_webExport;
}

void Parent::MnuWebExport_Click()
{
    WebExportWindow& window = webExportWindow();
    if (!window.isVisible()) {
        // Beside the program it belongs to, not at the screen's corner.
        const QRect over = frameGeometry();
        window.move(over.center() - QPoint(window.width() / 2, window.height() / 2));
    }
    window.show();
    window.raise();
    window.activateWindow();
}
