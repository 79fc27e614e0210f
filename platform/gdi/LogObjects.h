// Logical graphics objects as metafile records describe them. A device
// context holds copies of the selected ones, so deleting an object from a
// player's table never pulls the ground from under a drawing in progress.
#pragma once

#include "gdi/GdiConstants.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace plat::gdi {

// COLORREF: 0x00BBGGRR. The top byte selects palette-relative forms.
using ColorRef = std::uint32_t;

struct LogBrush;

struct LogPen {
    std::uint32_t style = PS_SOLID; // style, end cap, join and type bits
    double width = 0;               // logical units; 0 means one device pixel
    ColorRef color = 0;
    bool extended = false;         // made by ExtCreatePen (type bits are meaningful)
    std::vector<double> userStyle; // PS_USERSTYLE dash and gap lengths
    // An extended pen may paint its stroke with a hatched or pattern brush
    // instead of a colour; null for a plain colour.
    std::shared_ptr<const LogBrush> brush;
};

struct LogBrush {
    std::uint32_t style = BS_SOLID;
    ColorRef color = 0xFFFFFF;
    std::uint32_t hatch = 0;
    // Pattern brushes: the pattern, top row first. A monochrome pattern takes
    // the text colour for 0 bits and the background colour for 1 bits when it
    // is drawn, so it is kept as a 0/1 mask instead of colours.
    std::shared_ptr<const QImage> pattern;
    bool monochrome = false;
};

struct LogFont {
    double height = 0;     // < 0: character (em) height, > 0: cell height, 0: default
    double width = 0;      // average character width, 0: the face's own proportions
    double escapement = 0; // tenths of a degree, counter-clockwise
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charSet = ANSI_CHARSET;
    int pitchAndFamily = 0;
    QString faceName;
};

} // namespace plat::gdi
