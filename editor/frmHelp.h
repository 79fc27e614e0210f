#pragma once
// The help window: a borderless top-level window that a click hides.
#include "Form.h"

class frmHelp : public Form {
    Q_OBJECT
public:
    frmHelp();

    // Design drawing area: 5880 x 1605 twips.
    static constexpr int DesignWidth = 392;
    static constexpr int DesignHeight = 107;

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
