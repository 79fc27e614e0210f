#pragma once
// The editor's forms exist once each and come into being on first reference:
// asking for a form that does not exist yet creates it hidden and runs its
// load handler. Dialog-like forms are hidden, never destroyed, so their state
// lasts until the program ends.
#include "EditorState.h"

class Parent;
class FrmBanner;
class frmresize;
class FrmView;
class frmAbout;
class frmHelp;

class Forms {
public:
    static ::Parent& Parent();
    static ::FrmBanner& FrmBanner();
    static ::frmresize& frmresize();
    static ::FrmView& FrmView();
    static ::frmAbout& frmAbout();
    static ::frmHelp& frmHelp();

    // Whether a form has been created, without creating it.
    static bool frmAboutLoaded();

    // Unloads the About window: hidden and forgotten at once, destroyed when
    // control returns to the event loop; the next reference builds it afresh.
    static void unloadAbout();

    static EditorState& state();

    // Destroys every form and resets the editor-wide state; the program's
    // end and the tests' clean slate.
    static void unloadAll();

    Forms() = delete;
};
