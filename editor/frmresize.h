#pragma once
// The banner size dialog, a document window of the work area. For now it has
// its caption and design size only; the size controls come with it later.
#include "Form.h"

class frmresize : public Form {
    Q_OBJECT
public:
    frmresize();

    // Design drawing area: 7935 x 5430 twips.
    static constexpr int DesignWidth = 529;
    static constexpr int DesignHeight = 362;
};
