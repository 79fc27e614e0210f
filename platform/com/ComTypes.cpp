#include "com/ComTypes.h"

#include "registry/Registry.h"

#include <cstdio>
#include <cstdlib>

namespace plat::com {

std::string GuidToString(const GUID& g)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                  g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

std::optional<GUID> GuidFromString(std::string_view text)
{
    if (text.size() != 38 || text.front() != '{' || text.back() != '}')
        return std::nullopt;
    std::string_view s = text.substr(1, 36);
    for (std::size_t i = 0; i < s.size(); ++i) {
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        char c = s[i];
        bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (dash ? c != '-' : !hex)
            return std::nullopt;
    }
    char buf[37];
    s.copy(buf, 36);
    buf[36] = 0;
    return MakeGuid(buf);
}

LCID GetUserDefaultLCID() { return LOCALE_ENGLISH_US; }

LONG MulDiv(LONG a, LONG b, LONG c)
{
    if (c == 0)
        return -1;
    std::int64_t product = static_cast<std::int64_t>(a) * b;
    std::int64_t half = std::llabs(c) / 2;
    bool negative = (product < 0) != (c < 0);
    std::int64_t q = (std::llabs(product) + half) / std::llabs(c);
    if (negative)
        q = -q;
    if (q > INT32_MAX || q < INT32_MIN)
        return -1;
    return static_cast<LONG>(q);
}

namespace {

struct CodeInfo {
    HRESULT code;
    const char* name;
    const char* text;
};

constexpr CodeInfo kCodes[] = {
    {S_OK, "S_OK", "Success"},
    {S_FALSE, "S_FALSE", "Success (false)"},
    {E_NOTIMPL, "E_NOTIMPL", "Not implemented"},
    {E_NOINTERFACE, "E_NOINTERFACE", "No such interface supported"},
    {E_POINTER, "E_POINTER", "Invalid pointer"},
    {E_ABORT, "E_ABORT", "Operation aborted"},
    {E_FAIL, "E_FAIL", "Unspecified error"},
    {E_UNEXPECTED, "E_UNEXPECTED", "Catastrophic failure"},
    {E_ACCESSDENIED, "E_ACCESSDENIED", "Access denied"},
    {E_HANDLE, "E_HANDLE", "Invalid handle"},
    {E_OUTOFMEMORY, "E_OUTOFMEMORY", "Out of memory"},
    {E_INVALIDARG, "E_INVALIDARG", "One or more arguments are invalid"},
    {OLE_E_ADVISENOTSUPPORTED, "OLE_E_ADVISENOTSUPPORTED", "This implementation does not take advises"},
    {OLE_E_NOCONNECTION, "OLE_E_NOCONNECTION", "There is no connection for this connection ID"},
    {OLE_E_NOTRUNNING, "OLE_E_NOTRUNNING", "Need to run the object to perform this operation"},
    {OLE_E_INVALIDRECT, "OLE_E_INVALIDRECT", "Invalid rectangle"},
    {DV_E_FORMATETC, "DV_E_FORMATETC", "Invalid FORMATETC structure"},
    {DV_E_LINDEX, "DV_E_LINDEX", "Invalid lindex"},
    {DV_E_DVASPECT, "DV_E_DVASPECT", "Invalid aspect"},
    {CLASS_E_NOAGGREGATION, "CLASS_E_NOAGGREGATION", "Class does not support aggregation"},
    {CLASS_E_CLASSNOTAVAILABLE, "CLASS_E_CLASSNOTAVAILABLE", "Class factory cannot supply requested class"},
    {REGDB_E_READREGDB, "REGDB_E_READREGDB", "Could not read key from registry"},
    {REGDB_E_WRITEREGDB, "REGDB_E_WRITEREGDB", "Could not write key to registry"},
    {REGDB_E_KEYMISSING, "REGDB_E_KEYMISSING", "Could not find the key in the registry"},
    {REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG", "Class not registered"},
    {OLEOBJ_E_NOVERBS, "OLEOBJ_E_NOVERBS", "No verbs for OLE object"},
    {OLEOBJ_E_INVALIDVERB, "OLEOBJ_E_INVALIDVERB", "Invalid verb for OLE object"},
    {SELFREG_E_TYPELIB, "SELFREG_E_TYPELIB", "Failed to register/unregister type library"},
    {SELFREG_E_CLASS, "SELFREG_E_CLASS", "Failed to register/unregister class"},
    {CO_E_CLASSSTRING, "CO_E_CLASSSTRING", "Invalid class string"},
    {CO_E_DLLNOTFOUND, "CO_E_DLLNOTFOUND", "Library for the class could not be loaded"},
    {CO_E_ERRORINDLL, "CO_E_ERRORINDLL", "The library lacks the component entry points"},
    {DISP_E_UNKNOWNINTERFACE, "DISP_E_UNKNOWNINTERFACE", "Unknown interface"},
    {DISP_E_MEMBERNOTFOUND, "DISP_E_MEMBERNOTFOUND", "Member not found"},
    {DISP_E_PARAMNOTFOUND, "DISP_E_PARAMNOTFOUND", "Parameter not found"},
    {DISP_E_TYPEMISMATCH, "DISP_E_TYPEMISMATCH", "Type mismatch"},
    {DISP_E_UNKNOWNNAME, "DISP_E_UNKNOWNNAME", "Unknown name"},
    {DISP_E_NONAMEDARGS, "DISP_E_NONAMEDARGS", "No named arguments"},
    {DISP_E_BADVARTYPE, "DISP_E_BADVARTYPE", "Bad variable type"},
    {DISP_E_EXCEPTION, "DISP_E_EXCEPTION", "Exception occurred"},
    {DISP_E_OVERFLOW, "DISP_E_OVERFLOW", "Out of present range"},
    {DISP_E_BADINDEX, "DISP_E_BADINDEX", "Invalid index"},
    {DISP_E_BADPARAMCOUNT, "DISP_E_BADPARAMCOUNT", "Invalid number of parameters"},
    {DISP_E_PARAMNOTOPTIONAL, "DISP_E_PARAMNOTOPTIONAL", "Parameter not optional"},
    {TYPE_E_REGISTRYACCESS, "TYPE_E_REGISTRYACCESS", "Error accessing the registry"},
    {TYPE_E_LIBNOTREGISTERED, "TYPE_E_LIBNOTREGISTERED", "Library not registered"},
    {TYPE_E_ELEMENTNOTFOUND, "TYPE_E_ELEMENTNOTFOUND", "Element not found"},
    {TYPE_E_CANTLOADLIBRARY, "TYPE_E_CANTLOADLIBRARY", "Error loading type library"},
    {STG_E_INVALIDFUNCTION, "STG_E_INVALIDFUNCTION", "Unable to perform requested operation"},
    {STG_E_FILENOTFOUND, "STG_E_FILENOTFOUND", "The element could not be found"},
    {STG_E_ACCESSDENIED, "STG_E_ACCESSDENIED", "Access denied"},
    {STG_E_INVALIDPOINTER, "STG_E_INVALIDPOINTER", "Invalid pointer"},
    {STG_E_WRITEFAULT, "STG_E_WRITEFAULT", "A disk error occurred during a write operation"},
    {STG_E_READFAULT, "STG_E_READFAULT", "A disk error occurred during a read operation"},
    {STG_E_FILEALREADYEXISTS, "STG_E_FILEALREADYEXISTS", "The element already exists"},
    {STG_E_INVALIDPARAMETER, "STG_E_INVALIDPARAMETER", "Invalid parameter"},
    {STG_E_MEDIUMFULL, "STG_E_MEDIUMFULL", "Not enough space"},
    {STG_E_INVALIDNAME, "STG_E_INVALIDNAME", "Invalid name"},
    {STG_E_INVALIDFLAG, "STG_E_INVALIDFLAG", "Invalid flag"},
};

const CodeInfo* find(HRESULT h)
{
    for (const CodeInfo& c : kCodes)
        if (c.code == h)
            return &c;
    return nullptr;
}

std::string hex(HRESULT h)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<std::uint32_t>(h));
    return buf;
}

} // namespace

namespace {

// Registry and system errors wrapped by HRESULT_FROM_WIN32, when we know them.
const char* win32Name(HRESULT h)
{
    if ((static_cast<std::uint32_t>(h) & 0xFFFF0000u) != 0x80070000u)
        return nullptr;
    const char* name = RegistryErrorName(static_cast<LSTATUS>(h & 0xFFFF));
    return std::string_view(name) == "ERROR_UNKNOWN" ? nullptr : name;
}

} // namespace

std::string HResultName(HRESULT h)
{
    if (const CodeInfo* c = find(h))
        return c->name;
    if (const char* name = win32Name(h))
        return std::string("HRESULT_FROM_WIN32(") + name + ")";
    return hex(h);
}

std::string HResultText(HRESULT h)
{
    if (const CodeInfo* c = find(h))
        return c->text;
    if (h == HRESULT_FROM_WIN32(ERROR_REGISTRY_CORRUPT))
        return "The registry file cannot be parsed";
    if (h == HRESULT_FROM_WIN32(ERROR_CANTWRITE))
        return "The registry file cannot be written";
    if (const char* name = win32Name(h))
        return std::string("System error ") + name;
    return (SUCCEEDED(h) ? "Success " : "Error ") + hex(h);
}

} // namespace plat::com
