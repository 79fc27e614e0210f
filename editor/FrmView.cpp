#include "FrmView.h"

FrmView::FrmView()
{
    setObjectName(QStringLiteral("FrmView"));
    setWindowTitle(QStringLiteral("    Velnora Graphic Viewer"));
    setAutoFillBackground(true);
    resize(DesignWidth, DesignHeight);
}
