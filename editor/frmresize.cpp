#include "frmresize.h"

frmresize::frmresize()
{
    setObjectName(QStringLiteral("frmresize"));
    setWindowTitle(QStringLiteral("Select Banner Size"));
    setAutoFillBackground(true);
    resize(DesignWidth, DesignHeight);
}
