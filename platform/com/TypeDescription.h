// A compiled-in type description: what a binary type library holds on the
// host (library, interfaces with their members, classes), as constant tables
// that a component library carries in its resources (ModuleResources.h).
// Each member also carries the function that calls it on an object, so that
// the runtime can invoke it late-bound after coercing the arguments to the
// declared parameter types.
#pragma once

#include "com/Dispatch.h"

#include <span>

namespace plat::com {

enum class MemberKind { Method, PropertyGet, PropertyPut };

struct ParamDescription {
    const char* name;
    VARTYPE type;
    const char* typeName; // as written in the library ("OLE_COLOR", "BSTR", "long", ...)
};

// Calls the member on instance (the interface pointer) with args already
// coerced to the parameter types, in declaration order; a property get writes
// its value into *result.
using MemberInvoker = HRESULT (*)(void* instance, VARIANT* args, VARIANT* result);

struct MemberDescription {
    DISPID id;
    const char* name;
    MemberKind kind;
    const char* helpString;
    std::span<const ParamDescription> params; // the value of a put is its one parameter
    VARTYPE resultType;                       // type of a get's value; VT_VOID for methods and puts
    const char* resultTypeName;
    MemberInvoker invoke;
};

enum TypeFlags : std::uint16_t {
    TYPEFLAG_FAPPOBJECT = 0x1,
    TYPEFLAG_FCANCREATE = 0x2,
    TYPEFLAG_FHIDDEN = 0x10,
    TYPEFLAG_FCONTROL = 0x20,
    TYPEFLAG_FDUAL = 0x40,
    TYPEFLAG_FOLEAUTOMATION = 0x100,
    TYPEFLAG_FDISPATCHABLE = 0x1000,
};

struct InterfaceDescription {
    IID iid;
    const char* name;
    const char* helpString;
    std::uint16_t flags;
    std::span<const MemberDescription> members;
};

struct CoClassDescription {
    CLSID clsid;
    const char* name;
    const char* helpString;
    std::uint16_t flags;
    const IID* defaultInterface; // null when none
    const IID* defaultSource;    // the outgoing interface; null when none
};

struct TypeLibDescription {
    GUID libid;
    const char* name;
    const char* helpString;
    std::uint16_t majorVersion;
    std::uint16_t minorVersion;
    LCID lcid;
    std::span<const char* const> importedLibraries; // names, e.g. "stdole" for OLE_COLOR
    std::span<const InterfaceDescription> interfaces;
    std::span<const CoClassDescription> coclasses;
};

} // namespace plat::com
