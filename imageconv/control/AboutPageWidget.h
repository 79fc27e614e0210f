// The About page's window: a child widget built from a dialog template, its
// controls placed by the template's dialog units.
#pragma once

#include <com/ModuleResources.h>

#include <QWidget>

namespace pictaf {

class AboutPageWidget : public QWidget {
public:
    AboutPageWidget(QWidget* parent, const plat::com::DialogTemplate& dialog, plat::com::HMODULE resources);

    // The page's message handling: Tab and Shift+Tab move between its
    // controls; a pending change of the extended style gains the
    // control-parent style so that keyboard navigation enters the page.
    // True when the message was handled.
    bool handleMessage(plat::com::MSG& msg);

    plat::com::DWORD extendedStyle() const { return exStyle_; }

private:
    plat::com::DWORD exStyle_ = plat::com::WS_EX_CONTROLPARENT;
};

// lParam of WM_STYLECHANGING.
struct STYLESTRUCT {
    plat::com::DWORD styleOld;
    plat::com::DWORD styleNew;
};
constexpr std::uintptr_t GWL_EXSTYLE = static_cast<std::uintptr_t>(-20);

} // namespace pictaf
