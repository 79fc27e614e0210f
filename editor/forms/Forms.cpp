#include "Forms.h"

#include "FontSubstitutes.h"
#include "FrmBanner.h"
#include "FrmView.h"
#include "Parent.h"
#include "frmAbout.h"
#include "frmHelp.h"
#include "frmresize.h"

#include <QPointer>

namespace {

struct Registry {
    QPointer<::Parent> parent;
    QPointer<::FrmBanner> banner;
    QPointer<::frmresize> resize;
    QPointer<::FrmView> view;
    QPointer<::frmAbout> about;
    QPointer<::frmHelp> help;
    EditorState state;
};

Registry& registry()
{
    static Registry r;
    return r;
}

} // namespace

::Parent& Forms::Parent()
{
    Registry& r = registry();
    if (!r.parent) {
        FontSubstitutes::install();
        r.parent = new ::Parent();
        r.parent->Form_Load();
    }
    return *r.parent;
}

// Document forms live in the main window's work area, so they bring the main
// window into being first; each one is built by its constructor and adopted
// into the work area before its load handler runs.
::FrmBanner& Forms::FrmBanner()
{
    Registry& r = registry();
    if (!r.banner) {
        ::Parent& parent = Parent();
        r.banner = new ::FrmBanner();
        parent.adoptDocument(r.banner, true);
        parent.attachCanvas(*r.banner);
        r.banner->Form_Load();
    }
    return *r.banner;
}

::frmresize& Forms::frmresize()
{
    Registry& r = registry();
    if (!r.resize) {
        ::Parent& parent = Parent();
        r.resize = new ::frmresize();
        parent.adoptDocument(r.resize, false);
        // Its initial position: the work area's top-left corner, where it is
        // wholly in view, rather than wherever free space happens to be.
        r.resize->frame()->move(0, 0);
        r.resize->Form_Load();
    }
    return *r.resize;
}

::FrmView& Forms::FrmView()
{
    Registry& r = registry();
    if (!r.view) {
        ::Parent& parent = Parent();
        r.view = new ::FrmView();
        parent.adoptDocument(r.view, false);
        r.view->frame()->move(0, 0);
    }
    return *r.view;
}

::frmAbout& Forms::frmAbout()
{
    Registry& r = registry();
    if (!r.about) {
        FontSubstitutes::install();
        r.about = new ::frmAbout();
        r.about->Form_Load();
    }
    return *r.about;
}

::frmHelp& Forms::frmHelp()
{
    Registry& r = registry();
    if (!r.help) {
        FontSubstitutes::install();
        r.help = new ::frmHelp();
        r.help->Form_Load();
    }
    return *r.help;
}

bool Forms::frmAboutLoaded() { return !registry().about.isNull(); }

void Forms::unloadAbout()
{
    Registry& r = registry();
    ::frmAbout* about = r.about.data();
    if (!about)
        return;
    // Forgotten at once, so the next reference builds a new one; destroyed
    // once the event that asked for it (its own OK button) is over.
    r.about = nullptr;
    about->hide();
    about->deleteLater();
}

EditorState& Forms::state() { return registry().state; }

void Forms::unloadAll()
{
    Registry& r = registry();
    // Top-level windows first; the document forms go with the main window
    // that holds them.
    delete r.help.data();
    delete r.about.data();
    delete r.parent.data();
    r.state = EditorState();
}
