// The control's own window while it is active in place: paints the control's
// bitmap and reports keyboard focus changes.
#pragma once

#include <QWidget>

#include <functional>

namespace pictaf {

class ControlWindow : public QWidget {
public:
    ControlWindow(QWidget* parent, std::function<void(bool gotFocus)> focusChanged);

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    std::function<void(bool)> focusChanged_;
};

} // namespace pictaf
