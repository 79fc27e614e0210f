#include "control/PictafResources.h"

#include "control/IPictaform.h"
#include "control/PictafTypeLib.h"

namespace pictaf {

using namespace plat::com;

namespace {

// Bitmap 1, 17 x 17 in the 16 standard colours: a picture on a page and an
// arrow leaving it. Drawn by the control, shown on the About page and
// registered as the toolbox bitmap.
constexpr std::uint32_t kPalette[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};
constexpr const char* kToolboxRows[17] = {
    "77777777777777777", "70000000000007777", "70FFFFFFFFFF07777", "70FFFFFFFFBB07777", "70FFFFFFFFBB07777",
    "70FFFFFFFFFF07777", "70FFFFCFFFFF07777", "70FFFCCCFFFF07777", "70FFCCCCCFAF07777", "70FCCCCCCAAA07777",
    "70CCCCCCAAAA07777", "70000000000007977", "77777777777779977", "77777777799999997", "77777777777779977",
    "77777777777777977", "77777777777777777",
};
constexpr BitmapResource kBitmaps[] = {{IDB_PICTAFOR, 17, 17, kPalette, kToolboxRows}};

constexpr StringResource kStrings[] = {{IDS_TITLEAbout, "About Pictaform"}};

// Dialog 106: the About page, a child dialog without caption.
constexpr DialogItem kAboutItems[] = {
    {DialogItemKind::Bitmap, 1001, nullptr, IDB_PICTAFOR, 10, 10, 15, 14, WS_CHILD | WS_VISIBLE, WS_EX_DLGMODALFRAME},
    {DialogItemKind::Text, 1002, "Orvane Pictaform Control 1.1", 0, 30, 10, 120, 10, WS_CHILD | WS_VISIBLE, 0},
    {DialogItemKind::Text, 1003, "Copyright (C) Orvane Software.", 0, 30, 28, 140, 10, WS_CHILD | WS_VISIBLE, 0},
    {DialogItemKind::Text, 1004, "All rights reserved.", 0, 30, 38, 140, 10, WS_CHILD | WS_VISIBLE, 0},
    {DialogItemKind::Text, 1005, "Converts pictures and image files", 0, 30, 54, 140, 10, WS_CHILD | WS_VISIBLE, 0},
    {DialogItemKind::Text, 1006, "to GIF and BMP files.", 0, 30, 64, 140, 10, WS_CHILD | WS_VISIBLE, 0},
    {DialogItemKind::Text, 1007, "Orvane Software, support desk:", 0, 30, 80, 140, 10, WS_CHILD | WS_VISIBLE, 0},
    {DialogItemKind::Text, 1008, "support@orvane.example", 0, 30, 90, 140, 10, WS_CHILD | WS_VISIBLE, 0},
};
constexpr DialogTemplate kDialogs[] = {
    {IDD_ABOUT, WS_CHILD | DS_SETFONT, 0, 0, 182, 105, nullptr, "MS Sans Serif", 10, kAboutItems},
};

constexpr VersionString kVersionStrings[] = {
    {"Comments", "Pictaform converts pictures and image files to GIF and BMP files."},
    {"CompanyName", "Orvane Software"},
    {"FileDescription", "Orvane Pictaform Control"},
    {"FileVersion", "1.1"},
    {"InternalName", "PICTAF"},
    {"LegalCopyright", "Copyright (C) Orvane Software. All rights reserved."},
    {"OriginalFilename", "PICTAF.DLL"},
    {"ProductName", "Orvane Pictaform Control"},
    {"ProductVersion", "1.1"},
};
constexpr VersionResource kVersion{{1, 1, 0, 1}, {1, 1, 0, 1}, VOS__WINDOWS32, VFT_DLL, 0x0409, 1200, kVersionStrings};

const ModuleResources kResources{&PictafTypeLibrary(), &kVersion, kStrings, kBitmaps, kDialogs};

// Registered when the library is loaded, under the file it was loaded from.
ModuleRegistration g_registration(&kResources);

// ---- "REGISTRY" 101: the control.
constexpr RegistrarValue kThreading[] = {{"ThreadingModel", "Apartment"}};
constexpr RegistrarKey kCurVerControl[] = {{"CurVer", "Pictaform.Pictaform.1", kRegistrarNone, {}, {}}};
constexpr RegistrarKey kProgIdControl[] = {
    {"CLSID", "%CLSID_PICTAFOR%", kRegistrarNone, {}, {}},
    {"Insertable", nullptr, kRegistrarNone, {}, {}},
};
constexpr RegistrarKey kMiscStatus[] = {{"1", "132497", kRegistrarNone, {}, {}}};
constexpr RegistrarKey kControlClass[] = {
    {"ProgID", "Pictaform.Pictaform.1", kRegistrarNone, {}, {}},
    {"VersionIndependentProgID", "Pictaform.Pictaform", kRegistrarNone, {}, {}},
    {"Programmable", nullptr, kRegistrarForceRemove, {}, {}},
    {"InprocServer32", "%MODULE%", kRegistrarNone, kThreading, {}},
    {"Control", nullptr, kRegistrarForceRemove, {}, {}},
    {"Insertable", nullptr, kRegistrarForceRemove, {}, {}},
    {"ToolboxBitmap32", "%MODULE%, 1", kRegistrarForceRemove, {}, {}},
    // 132497 = 0x20591: set client site first, invisible at run time, activate
    // when visible, inside-out, cannot link inside, recompose on resize.
    {"MiscStatus", "0", kRegistrarNone, {}, kMiscStatus},
    {"TypeLib", "%LIBID_PICTAFLIB%", kRegistrarNone, {}, {}},
    {"Version", "1.1", kRegistrarNone, {}, {}},
};
constexpr RegistrarKey kControlClsid[] = {
    {"%CLSID_PICTAFOR%", "Orvane Pictaform Control", kRegistrarForceRemove, {}, kControlClass},
};
constexpr RegistrarKey kControlKeys[] = {
    {"Pictaform.Pictaform.1", "Orvane Pictaform Control", kRegistrarNone, {}, kProgIdControl},
    {"Pictaform.Pictaform", "Orvane Pictaform Control", kRegistrarNone, {}, kCurVerControl},
    {"CLSID", nullptr, kRegistrarNoRemove, {}, kControlClsid},
};
const RegistrarScript kControlScript{plat::HKEY_CLASSES_ROOT, kControlKeys};

// ---- "REGISTRY" 105: the About page.
constexpr RegistrarKey kProgIdAbout[] = {{"CLSID", "%CLSID_ABOUT%", kRegistrarNone, {}, {}}};
constexpr RegistrarKey kCurVerAbout[] = {{"CurVer", "About.About.1", kRegistrarNone, {}, {}}};
constexpr RegistrarKey kAboutClass[] = {
    {"Programmable", nullptr, kRegistrarForceRemove, {}, {}},
    {"InprocServer32", "%MODULE%", kRegistrarNone, kThreading, {}},
};
constexpr RegistrarKey kAboutClsid[] = {
    {"%CLSID_ABOUT%", "Orvane Pictaform Property Page Object", kRegistrarForceRemove, {}, kAboutClass},
};
constexpr RegistrarKey kAboutKeys[] = {
    {"About.About.1", "Orvane Pictaform Property Page Object", kRegistrarNone, {}, kProgIdAbout},
    {"About.About", "Orvane Pictaform Property Page Object", kRegistrarNone, {}, kCurVerAbout},
    {"CLSID", nullptr, kRegistrarNoRemove, {}, kAboutClsid},
};
const RegistrarScript kAboutScript{plat::HKEY_CLASSES_ROOT, kAboutKeys};

} // namespace

HMODULE ResourcesModule() { return g_registration.module(); }

const RegistrarScript& ControlRegistrationScript() { return kControlScript; }

const RegistrarScript& AboutRegistrationScript() { return kAboutScript; }

RegistrarReplacements RegistrationReplacements(const std::string& modulePath)
{
    return {
        {"MODULE", modulePath},
        {"CLSID_PICTAFOR", GuidToString(CLSID_Pictafor)},
        {"CLSID_ABOUT", GuidToString(CLSID_About)},
        {"LIBID_PICTAFLIB", GuidToString(LIBID_PICTAFLib)},
    };
}

} // namespace pictaf
