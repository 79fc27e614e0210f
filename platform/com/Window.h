// Window services components call: dialog base units and the help viewer.
#pragma once

#include "com/ComTypes.h"

#include <functional>
#include <string>

namespace plat::com {

// GetDialogBaseUnits: the platform's dialog base units, horizontal in the low
// word and vertical in the high word. This platform has no system dialog font;
// its units are those of the classic 8 x 16 pixel system font at 96 pixels per
// inch, scaled with the screen's logical resolution.
PLATFORM_EXPORT LONG GetDialogBaseUnits();

constexpr UINT HELP_CONTEXTPOPUP = 0x8;

// WinHelp: asks the platform's help viewer to show helpFile (UTF-8) for window.
// The default viewer opens an existing file with the desktop's handler;
// hosts and tests may replace it. Returns whether the viewer took the request.
PLATFORM_EXPORT bool WinHelp(HWND window, const std::string& helpFile, UINT command, std::uintptr_t data);
using HelpViewer = std::function<bool(HWND, const std::string&, UINT, std::uintptr_t)>;
PLATFORM_EXPORT void SetHelpViewer(HelpViewer viewer); // empty: back to the default

} // namespace plat::com
