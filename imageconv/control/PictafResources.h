// The library's resources (type library 1, version information, strings 102,
// bitmap 1, dialog 106) and registration scripts 101 and 105.
#pragma once

#include <com/ModuleResources.h>
#include <com/Registrar.h>

namespace pictaf {

plat::com::HMODULE ResourcesModule();
const plat::com::RegistrarScript& ControlRegistrationScript(); // "REGISTRY" 101
const plat::com::RegistrarScript& AboutRegistrationScript();   // "REGISTRY" 105
// The "%NAME%" values the scripts use, for the library at modulePath.
plat::com::RegistrarReplacements RegistrationReplacements(const std::string& modulePath);

constexpr plat::com::UINT IDB_PICTAFOR = 1;
constexpr plat::com::UINT IDS_TITLEAbout = 102;
constexpr plat::com::UINT IDS_HELPFILEAbout = 103;
constexpr plat::com::UINT IDS_DOCSTRINGAbout = 104;
constexpr plat::com::UINT IDD_ABOUT = 106;

} // namespace pictaf
