#include "gdi/RasterOp.h"

#include "gdi/GdiConstants.h"

namespace plat::gdi {

Rop2Mode rop2Mode(int rop2)
{
    using CM = QPainter::CompositionMode;
    Rop2Mode m;
    switch (rop2) {
    case R2_BLACK:
        m.forceColor = true;
        m.color = 0xFF000000u;
        break;
    case R2_WHITE:
        m.forceColor = true;
        m.color = 0xFFFFFFFFu;
        break;
    case R2_NOTMERGEPEN: m.composition = CM::RasterOp_NotSourceAndNotDestination; break; // ~(P|D)
    case R2_MASKNOTPEN: m.composition = CM::RasterOp_NotSourceAndDestination; break;     // ~P&D
    case R2_NOTCOPYPEN: m.composition = CM::RasterOp_NotSource; break;                   // ~P
    case R2_MASKPENNOT: m.composition = CM::RasterOp_SourceAndNotDestination; break;     // P&~D
    case R2_NOT: m.composition = CM::RasterOp_NotDestination; break;                     // ~D
    case R2_XORPEN: m.composition = CM::RasterOp_SourceXorDestination; break;            // P^D
    case R2_NOTMASKPEN: m.composition = CM::RasterOp_NotSourceOrNotDestination; break;   // ~(P&D)
    case R2_MASKPEN: m.composition = CM::RasterOp_SourceAndDestination; break;           // P&D
    case R2_NOTXORPEN: m.composition = CM::RasterOp_NotSourceXorDestination; break;      // ~(P^D)
    case R2_NOP: m.draws = false; break;
    case R2_MERGENOTPEN: m.composition = CM::RasterOp_NotSourceOrDestination; break; // ~P|D
    case R2_MERGEPENNOT: m.composition = CM::RasterOp_SourceOrNotDestination; break; // P|~D
    case R2_MERGEPEN: m.composition = CM::RasterOp_SourceOrDestination; break;       // P|D
    default: break; // R2_COPYPEN and unknown codes copy
    }
    return m;
}

} // namespace plat::gdi
