#include "frmHelp.h"

#include <QMouseEvent>

frmHelp::frmHelp() : Form(nullptr, Qt::Tool | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Velnora Help"));
    setAutoFillBackground(true);
    resize(DesignWidth, DesignHeight);
}

void frmHelp::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    hideForm();
}
