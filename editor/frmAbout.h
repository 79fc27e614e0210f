#pragma once
// The About window, a top-level window of its own. Start-up creates it hidden.
#include "Form.h"

class QLabel;

class frmAbout : public Form {
    Q_OBJECT
public:
    frmAbout();

    // Design drawing area: 5730 x 3555 twips.
    static constexpr int DesignWidth = 382;
    static constexpr int DesignHeight = 237;

    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;

    void Form_Load();
};
