// The stock objects (GetStockObject) and the default palette.
#pragma once

#include "gdi/LogObjects.h"

#include <QRgb>

#include <vector>

namespace plat::gdi {

// Each is true when id names a stock object of that kind.
bool stockPen(int id, LogPen& pen);
bool stockBrush(int id, LogBrush& brush);
bool stockFont(int id, LogFont& font);

// DEFAULT_PALETTE: the twenty static colours.
const std::vector<QRgb>& defaultPalette();

} // namespace plat::gdi
