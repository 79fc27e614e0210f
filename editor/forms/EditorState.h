#pragma once
// The three editor-wide values that couple the commands to the canvas. One
// instance lives as long as the forms (see Forms::state()).
#include <QString>

struct EditorState {
    // A text placement is armed or under way; the canvas clears it when the
    // text is printed.
    bool TextPlacement = false;
    // The next press on the canvas that is not a text placement gives the
    // banner the current colour as background.
    bool BackColorPending = false;
    // The last text typed at Add Text.
    QString BannerText;
};
