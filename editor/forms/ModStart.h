#pragma once
// Start-up and end of the editor.
#include <QString>
#include <functional>

namespace ModStart {

// The version the About window shows. It is fixed by the program's design
// and stays 1.0.9 whatever the release is; the release's own number (the
// build's, shown by --version) lives in the top-level CMakeLists.txt.
inline constexpr int VersionMajor = 1;
inline constexpr int VersionMinor = 0;
inline constexpr int VersionRevision = 9;

// The application's title, as dialogs and the About window show it.
QString appTitle();

// Application-wide settings the forms rely on: name and version, the font
// stand-ins and the forms' default font. Main() calls it first.
void initApplication();

// Start-up, before any window is visible: the About window (hidden), the
// main window, the canvas centred in the work area; then both are shown.
void Main();

// Ends the program at once: every window goes, hidden ones included, and
// nothing is asked or saved.
void End();

// What End() does after closing the windows; the default leaves the event
// loop. Tests put a recorder here. An empty function restores the default.
void setEndHandler(std::function<void()> handler);

} // namespace ModStart
