#include "control/ControlWindow.h"

#include "control/Pictafor.h"

#include <QPainter>

namespace pictaf {

ControlWindow::ControlWindow(QWidget* parent, std::function<void(bool)> focusChanged)
    : QWidget(parent), focusChanged_(std::move(focusChanged))
{
    setFocusPolicy(Qt::StrongFocus);
}

void ControlWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    Pictafor::DrawBitmap(&painter, RECTL{0, 0, width(), height()});
}

void ControlWindow::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    if (focusChanged_)
        focusChanged_(true);
}

void ControlWindow::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    if (focusChanged_)
        focusChanged_(false);
}

} // namespace pictaf
