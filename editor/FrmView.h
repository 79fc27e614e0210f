#pragma once
// The graphic viewer, a document window of the work area. For now it has its
// caption and design size only; browsing and preview come with it later.
#include "Form.h"

class FrmView : public Form {
    Q_OBJECT
public:
    FrmView();

    // Design drawing area: 8610 x 4665 twips.
    static constexpr int DesignWidth = 574;
    static constexpr int DesignHeight = 311;
};
