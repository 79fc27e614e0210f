// Dialog units to pixels for a dialog template. With a font declared and
// installed: the font made at -(points x vertical dpi / 72) pixels, normal
// weight; character width = (width of "A..Za..z" + 26) / 52 and character
// height = font height + external leading. Otherwise the platform's dialog
// base units (GetDialogBaseUnits: 8 x 16 at 96 dpi here, since this platform
// does not have "MS Sans Serif"). Pixels = units x width / 4 horizontally and
// units x height / 8 vertically, each rounded by MulDiv.
#pragma once

#include <com/ModuleResources.h>

namespace pictaf {

class DialogUnits {
public:
    struct Base {
        int charWidth;
        int charHeight;
        bool fromFont; // false: the platform's dialog base units
    };

    static Base baseUnits(const plat::com::DialogTemplate& dialog);
    static plat::com::SIZEL toPixels(const Base& base, int cx, int cy);
    static plat::com::RECT toPixels(const Base& base, int x, int y, int cx, int cy);
    // The whole template's size in pixels.
    static plat::com::SIZEL dialogSize(const plat::com::DialogTemplate& dialog);
};

} // namespace pictaf
